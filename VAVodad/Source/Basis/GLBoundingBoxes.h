// Bounding boxes: the eight-corner homogeneous box, the axis-aligned box, their conversions and transforms,
// overlap and intersection tests, and the projection of a box to a screen rectangle.
#pragma once

#include "GLVectorTypes.h"

// THmgBoundingBox corners (x, y, z): 0 (max,max,max), 1 (max,min,max), 2 (max,min,min), 3 (max,max,min),
// 4 (min,max,max), 5 (min,min,max), 6 (min,min,min), 7 (min,max,min). Faces: 0 x = max, 1 x = min,
// 2 y = max, 3 y = min, 4 z = max, 5 z = min.

// Corners of a TAABB, in another order: 0 (min,min,min), 1 (max,min,min), 2 (max,max,min), 3 (min,max,min),
// 4 (min,min,max), 5 (max,min,max), 6 (max,max,max), 7 (min,max,max).
using TAABBCorners = TVector3f[8];
// Face planes of those corners with outward normals: x = max, y = max, z = min, x = min, y = min, z = max.
using TAABBPlanes = TVector4f[6];

// Window-space rectangle.
struct TScreenRectF { float Left, Top, Right, Bottom; };

// Homogeneous boxes.
// The face's axis coordinate of its four corners := value, their w := 1.
void HmgBoxSetFace(THmgBoundingBox& box, int32_t face, double value);
// The 128 bytes are identical.
bool HmgBoxEquals(const THmgBoundingBox& a, const THmgBoundingBox& b);
// Grows box1 in place to enclose every corner of box2, then result := box1.
void HmgBoxInclude(THmgBoundingBox& box1, const THmgBoundingBox& box2, THmgBoundingBox& result);
// Each corner := corner x M, no division by w.
void HmgBoxTransformInPlace(THmgBoundingBox& box, const TMatrix4f& M);
THmgBoundingBox& HmgBoxOffsetInPlace(THmgBoundingBox& box, const TVector4f& d);
TAABB HmgBoxToAABB(const THmgBoundingBox& box);
THmgBoundingBox AABBToHmgBox(const TAABB& aabb);

// Axis-aligned boxes.
// a.Min := the component-wise minimum of the Mins, a.Max := the maximum of the Maxes.
void AABBIncludeInPlace(TAABB& a, const TAABB& b);
void AABBFromHalfSize(TAABB& box, const TVector4f& v);
// The box enclosing the eight transformed corners.
void AABBTransformInPlace(TAABB& box, const TMatrix4f& M);
// A negative factor is not reordered: Min may end above Max.
void AABBScaleInPlace(TAABB& box, const TVector3f& s);
void AABBIncludePoint(TAABB& box, const TVector3f& p);
// An empty intersection (Min above Max) is not detected.
void AABBIntersection(const TAABB& a, const TAABB& b, TAABB& r);
void AABBOffsetInPlace(TAABB& box, const TVector3f& d);
void AABBCorners(const TAABB& box, TAABBCorners& corners);
void AABBCornerPlanes(const TAABBCorners& corners, TAABBPlanes& planes);
// True when a corner of either box, mapped into the other's space, lies inside it, or an edge of box1 mapped
// into box2's space crosses a face of box2.
bool AABBsIntersectTransformed(const TAABB& box1, const TAABB& box2, const TMatrix4f& m1To2,
                               const TMatrix4f& m2To1);
// Touching boxes overlap.
bool AABBsOverlap(const TAABB& a, const TAABB& b);
// Inclusive on x, y and z.
bool AABBContainsPoint(const TVector4f& p, const TAABB& box);
void FloatMinMax3(float& min, float& max, float a, float b, float c);
// The plane normal . x + d = 0 against the box of the given half size centred on the origin.
bool PlaneOverlapsBox(const TVector3f& normal, const TVector3f& halfSize, float d);
// Separating-axis triangle/box test; touching counts as overlap.
bool TriangleOverlapsAABB(const TAABB& box, const TVector3f& p1, const TVector3f& p2, const TVector3f& p3);
void AABBFromSphere(const TVector4f& center, float radius, TAABB& box);
void ScreenRectIncludePoint(TScreenRectF& r, float x, float y);
// Window rectangle of the projected box (no flip of y). When a corner lies on or behind the eye plane
// (w <= 1e-30) its projection means nothing, so the rectangle is the whole viewport.
void AABBToScreenRect(const TAABB& box, const TMatrix4f& modelViewProjection, int32_t viewportWidth,
                      int32_t viewportHeight, TScreenRectF& r);
// Slab test: True with the entry and exit distances (tNear < 0 when the origin is inside the box).
bool RayIntersectAABB(const TVector3f& rayOrigin, const TVector3f& rayDirection, const TAABB& box, float& tNear,
                      float& tFar);
