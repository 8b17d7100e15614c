// Bounding boxes.
#include "GLBoundingBoxes.h"

#include "GLVectorGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// THmgBoundingBox: the four corners of each face; face f fixes axis f / 2 (even faces at max, odd at min).
constexpr int cHmgBoxFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 4, 7, 3},
                                    {1, 5, 6, 2}, {0, 1, 5, 4}, {2, 3, 7, 6}};

// TAABB corner array: the 12 edges, and the three corners each face plane is built from, wound so that
// every normal points out of the box. The first and third of them are opposite corners of the face,
// spanning its extent.
constexpr int cAABBEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                   {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
constexpr int cAABBPlaneCorners[6][3] = {{1, 2, 6}, {2, 3, 7}, {0, 3, 2}, {0, 4, 7}, {0, 1, 5}, {5, 6, 7}};

TVector4f AsHmg(const TVector3f& v, float w)
{
    TVector4f r;
    r.X = v.X;
    r.Y = v.Y;
    r.Z = v.Z;
    r.W = w;
    return r;
}

bool PointInAABB(const TVector3f& p, const TAABB& box)
{
    for (int i = 0; i < 3; ++i)
        if (!FloatIsInRange(p.V[i], box.Min.V[i], box.Max.V[i]))
            return false;
    return true;
}

bool PointBetween(const TVector4f& p, const TVector3f& a, const TVector3f& b)
{
    for (int i = 0; i < 3; ++i)
        if (!FloatIsInRange(p.V[i], a.V[i], b.V[i]))
            return false;
    return true;
}

} // namespace

void HmgBoxSetFace(THmgBoundingBox& box, int32_t face, double value)
{
    const int axis = face / 2;
    for (int corner : cHmgBoxFaces[face]) {
        box.BBox[corner].V[axis] = static_cast<float>(value);
        box.BBox[corner].W = 1;
    }
}

bool HmgBoxEquals(const THmgBoundingBox& a, const THmgBoundingBox& b)
{
    return std::memcmp(&a, &b, sizeof(THmgBoundingBox)) == 0;
}

void HmgBoxInclude(THmgBoundingBox& box1, const THmgBoundingBox& box2, THmgBoundingBox& result)
{
    for (const TVector4f& corner : box2.BBox)
        for (int face = 0; face < 6; ++face) {
            const int axis = face / 2;
            const float value = corner.V[axis];
            for (int k : cHmgBoxFaces[face]) {
                const float faceValue = box1.BBox[k].V[axis];
                if (face % 2 == 0 ? value > faceValue : value < faceValue)
                    HmgBoxSetFace(box1, face, value);
            }
        }
    result = box1;
}

void HmgBoxTransformInPlace(THmgBoundingBox& box, const TMatrix4f& M)
{
    for (TVector4f& corner : box.BBox)
        HmgTransform(corner, M, corner);
}

THmgBoundingBox& HmgBoxOffsetInPlace(THmgBoundingBox& box, const TVector4f& d)
{
    for (TVector4f& corner : box.BBox) {
        for (int i = 0; i < 3; ++i)
            corner.V[i] += d.V[i];
        corner.W = 1;
    }
    return box;
}

TAABB HmgBoxToAABB(const THmgBoundingBox& box)
{
    const TVector4f& first = box.BBox[0];
    TAABB r{{{{first.X, first.Y, first.Z}}}, {{{first.X, first.Y, first.Z}}}};
    for (const TVector4f& corner : box.BBox)
        for (int i = 0; i < 3; ++i) {
            r.Min.V[i] = std::min(r.Min.V[i], corner.V[i]);
            r.Max.V[i] = std::max(r.Max.V[i], corner.V[i]);
        }
    return r;
}

THmgBoundingBox AABBToHmgBox(const TAABB& aabb)
{
    THmgBoundingBox box{};
    for (int i = 0; i < 3; ++i) {
        HmgBoxSetFace(box, 2 * i, aabb.Max.V[i]);
        HmgBoxSetFace(box, 2 * i + 1, aabb.Min.V[i]);
    }
    return box;
}

void AABBIncludeInPlace(TAABB& a, const TAABB& b)
{
    // Min with Min and Max with Max only: a box turned inside out (a negative scale, or an empty box with Min
    // above Max) must not stretch a across the space between its two corners.
    for (int i = 0; i < 3; ++i) {
        a.Min.V[i] = std::min(a.Min.V[i], b.Min.V[i]);
        a.Max.V[i] = std::max(a.Max.V[i], b.Max.V[i]);
    }
}

void AABBFromHalfSize(TAABB& box, const TVector4f& v)
{
    for (int i = 0; i < 3; ++i) {
        box.Max.V[i] = std::fabs(v.V[i]);
        box.Min.V[i] = -box.Max.V[i];
    }
}

void AABBTransformInPlace(TAABB& box, const TMatrix4f& M)
{
    TAABBCorners corners;
    AABBCorners(box, corners);
    AffineTransformPoint(corners[0], M, box.Min);
    box.Max = box.Min;
    for (int i = 1; i < 8; ++i) {
        TVector3f p;
        AffineTransformPoint(corners[i], M, p);
        AABBIncludePoint(box, p);
    }
}

void AABBScaleInPlace(TAABB& box, const TVector3f& s)
{
    AffineMultiplyComponentsInPlace(box.Min, s);
    AffineMultiplyComponentsInPlace(box.Max, s);
}

void AABBIncludePoint(TAABB& box, const TVector3f& p)
{
    for (int i = 0; i < 3; ++i) {
        if (p.V[i] < box.Min.V[i])
            box.Min.V[i] = p.V[i];
        if (p.V[i] > box.Max.V[i])
            box.Max.V[i] = p.V[i];
    }
}

void AABBIntersection(const TAABB& a, const TAABB& b, TAABB& r)
{
    for (int i = 0; i < 3; ++i) {
        r.Min.V[i] = std::max(a.Min.V[i], b.Min.V[i]);
        r.Max.V[i] = std::min(a.Max.V[i], b.Max.V[i]);
    }
}

void AABBOffsetInPlace(TAABB& box, const TVector3f& d)
{
    AffineAddInPlace(box.Min, d);
    AffineAddInPlace(box.Max, d);
}

void AABBCorners(const TAABB& box, TAABBCorners& corners)
{
    // Corners 0..3 go round the z = min face, 4..7 repeat them at z = max.
    constexpr bool cMaxX[4] = {false, true, true, false};
    constexpr bool cMaxY[4] = {false, false, true, true};
    for (int i = 0; i < 8; ++i) {
        corners[i].X = cMaxX[i % 4] ? box.Max.X : box.Min.X;
        corners[i].Y = cMaxY[i % 4] ? box.Max.Y : box.Min.Y;
        corners[i].Z = i >= 4 ? box.Max.Z : box.Min.Z;
    }
}

void AABBCornerPlanes(const TAABBCorners& corners, TAABBPlanes& planes)
{
    for (int i = 0; i < 6; ++i) {
        const int* c = cAABBPlaneCorners[i];
        AffinePlaneFromPoints(corners[c[0]], corners[c[1]], corners[c[2]], planes[i]);
    }
}

bool AABBsIntersectTransformed(const TAABB& box1, const TAABB& box2, const TMatrix4f& m1To2,
                               const TMatrix4f& m2To1)
{
    TAABBCorners corners1, corners2;
    AABBCorners(box1, corners1);
    AABBCorners(box2, corners2);

    for (const TVector3f& corner : corners2) {
        TVector3f p;
        AffineTransformPoint(corner, m2To1, p);
        if (PointInAABB(p, box1))
            return true;
    }
    for (TVector3f& corner : corners1) {
        AffineTransformPoint(corner, m1To2, corner);
        if (PointInAABB(corner, box2))
            return true;
    }

    TAABBPlanes planes;
    AABBCornerPlanes(corners2, planes);
    for (const auto& edge : cAABBEdges) {
        const TVector3f& a = corners1[edge[0]];
        const TVector3f& b = corners1[edge[1]];
        TVector4f direction;
        AffineSubtractAsHmg(b, a, direction);
        for (int i = 0; i < 6; ++i) {
            TVector4f hit;
            if (RayIntersectPlaneEquation(AsHmg(a, 0), direction, planes[i], &hit) != 1)
                continue;
            const int* face = cAABBPlaneCorners[i];
            if (PointBetween(hit, a, b) && PointBetween(hit, corners2[face[0]], corners2[face[2]]))
                return true;
        }
    }
    return false;
}

bool AABBsOverlap(const TAABB& a, const TAABB& b)
{
    for (int i = 0; i < 3; ++i)
        if (a.Min.V[i] > b.Max.V[i] || b.Min.V[i] > a.Max.V[i])
            return false;
    return true;
}

bool AABBContainsPoint(const TVector4f& p, const TAABB& box)
{
    for (int i = 0; i < 3; ++i)
        if (p.V[i] < box.Min.V[i] || p.V[i] > box.Max.V[i])
            return false;
    return true;
}

void FloatMinMax3(float& min, float& max, float a, float b, float c)
{
    min = std::min({a, b, c});
    max = std::max({a, b, c});
}

bool PlaneOverlapsBox(const TVector3f& normal, const TVector3f& halfSize, float d)
{
    TVector3f vmin, vmax;
    for (int i = 0; i < 3; ++i) {
        const float h = normal.V[i] > 0 ? halfSize.V[i] : -halfSize.V[i];
        vmin.V[i] = -h;
        vmax.V[i] = h;
    }
    if (AffineDot(normal, vmin) + d > 0)
        return false;
    return AffineDot(normal, vmax) + d >= 0;
}

bool TriangleOverlapsAABB(const TAABB& box, const TVector3f& p1, const TVector3f& p2, const TVector3f& p3)
{
    TVector3f c, h, v[3], e[3];
    for (int i = 0; i < 3; ++i) {
        c.V[i] = box.Min.V[i] * 0.5f + box.Max.V[i] * 0.5f;
        h.V[i] = box.Max.V[i] * 0.5f - box.Min.V[i] * 0.5f;
    }
    AffineSubtract(p1, c, v[0]);
    AffineSubtract(p2, c, v[1]);
    AffineSubtract(p3, c, v[2]);
    AffineSubtract(v[1], v[0], e[0]);
    AffineSubtract(v[2], v[1], e[1]);
    AffineSubtract(v[0], v[2], e[2]);

    // Axes edge x box axis. Two of the three vertices project to the same value on each of them; the table
    // names, per edge and box axis, the two that differ.
    constexpr int cProjected[3][3][2] = {{{0, 2}, {0, 2}, {1, 2}},
                                         {{0, 2}, {0, 2}, {0, 1}},
                                         {{0, 1}, {0, 1}, {1, 2}}};
    for (int k = 0; k < 3; ++k) {
        const TVector3f& edge = e[k];
        for (int axis = 0; axis < 3; ++axis) {
            // Projection onto the box axis crossed with the edge; u and w are the two other axes.
            const int u = axis == 0 ? 1 : 0, w = axis == 2 ? 1 : 2;
            const float a = axis == 1 ? -edge.V[w] : edge.V[w];
            const float b = axis == 1 ? -edge.V[u] : edge.V[u];
            float p[2];
            for (int n = 0; n < 2; ++n) {
                const TVector3f& vertex = v[cProjected[k][axis][n]];
                p[n] = a * vertex.V[u] - b * vertex.V[w];
            }
            const float rad = std::fabs(edge.V[w]) * h.V[u] + std::fabs(edge.V[u]) * h.V[w];
            if (std::min(p[0], p[1]) > rad || std::max(p[0], p[1]) < -rad)
                return false;
        }
    }

    for (int i = 0; i < 3; ++i) {
        float min, max;
        FloatMinMax3(min, max, v[0].V[i], v[1].V[i], v[2].V[i]);
        if (min > h.V[i] || max < -h.V[i])
            return false;
    }

    TVector3f normal;
    AffineCross(e[0], e[1], normal);
    return PlaneOverlapsBox(normal, h, static_cast<float>(-AffineDot(normal, v[0])));
}

void AABBFromSphere(const TVector4f& center, float radius, TAABB& box)
{
    for (int i = 0; i < 3; ++i) {
        box.Min.V[i] = center.V[i] - radius;
        box.Max.V[i] = center.V[i] + radius;
    }
}

void ScreenRectIncludePoint(TScreenRectF& r, float x, float y)
{
    r.Left = std::min(r.Left, x);
    r.Right = std::max(r.Right, x);
    r.Top = std::min(r.Top, y);
    r.Bottom = std::max(r.Bottom, y);
}

void AABBToScreenRect(const TAABB& box, const TMatrix4f& modelViewProjection, int32_t viewportWidth,
                      int32_t viewportHeight, TScreenRectF& r)
{
    const float width = static_cast<float>(viewportWidth), height = static_cast<float>(viewportHeight);
    for (int i = 0; i < 8; ++i) {
        TVector4f corner;
        corner.X = (i & 1) ? box.Max.X : box.Min.X;
        corner.Y = (i & 2) ? box.Max.Y : box.Min.Y;
        corner.Z = (i & 4) ? box.Max.Z : box.Min.Z;
        corner.W = 1;
        TVector4f v;
        HmgTransform(corner, modelViewProjection, v);
        if (v.W <= cEPSILON) {
            r = TScreenRectF{0, 0, width, height};
            return;
        }
        HmgScaleInPlace(v, 1 / v.W);
        const float sx = width * (v.X + 1) * 0.5f, sy = height * (v.Y + 1) * 0.5f;
        if (i == 0)
            r = TScreenRectF{sx, sy, sx, sy};
        else
            ScreenRectIncludePoint(r, sx, sy);
    }
}

bool RayIntersectAABB(const TVector3f& rayOrigin, const TVector3f& rayDirection, const TAABB& box, float& tNear,
                      float& tFar)
{
    tNear = -std::numeric_limits<float>::infinity();
    tFar = std::numeric_limits<float>::infinity();
    for (int i = 0; i < 3; ++i) {
        const float o = rayOrigin.V[i], d = rayDirection.V[i];
        if (d == 0) {
            if (o < box.Min.V[i] || o > box.Max.V[i])
                return false;
            continue;
        }
        const double inv = 1.0 / d;
        float t1 = static_cast<float>((double(box.Min.V[i]) - o) * inv);
        float t2 = static_cast<float>((double(box.Max.V[i]) - o) * inv);
        if (t1 > t2)
            std::swap(t1, t2);
        tNear = std::max(tNear, t1);
        tFar = std::min(tFar, t2);
        if (tNear > tFar || tFar < 0)
            return false;
    }
    return true;
}
