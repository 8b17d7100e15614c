// Matrices, quaternions, projections and frustum extraction: the second half of the vector-geometry unit.
// Points and directions are row vectors (v x M): the translation sits in row W and A x B applies A first.
// Results go to the last argument; every product below may write its result over one of its inputs.
#pragma once

#include "GLVectorTypes.h"

inline constexpr TMatrix4f IdentityHmgMatrix = {{{{{{1, 0, 0, 0}}}, {{{0, 1, 0, 0}}}, {{{0, 0, 1, 0}}},
                                                  {{{0, 0, 0, 1}}}}}};
inline constexpr TQuaternion IdentityQuaternion = {{{{0, 0, 0}}}, 1};

// Hot routines, inline: every object's matrix and every transformed vertex pass through them. Each works on
// a local copy first, so the result may be the same variable as an input.

// r := v x M over four components; no division by w.
inline void HmgTransform(const TVector4f& v, const TMatrix4f& M, TVector4f& r)
{
    TVector4f t;
    for (int j = 0; j < 4; ++j)
        t.V[j] = v.X * M.X.V[j] + v.Y * M.Y.V[j] + v.Z * M.Z.V[j] + v.W * M.W.V[j];
    r = t;
}

// r := p x M with an implied w of 1 (translation applied), no division.
inline void AffineTransformPoint(const TVector3f& p, const TMatrix4f& M, TVector3f& r)
{
    TVector3f t;
    for (int j = 0; j < 3; ++j)
        t.V[j] = p.X * M.X.V[j] + p.Y * M.Y.V[j] + p.Z * M.Z.V[j] + M.W.V[j];
    r = t;
}

// r := v x m3.
inline void AffineTransformByMatrix3(const TVector3f& v, const TMatrix3f& m3, TVector3f& r)
{
    TVector3f t;
    for (int j = 0; j < 3; ++j)
        t.V[j] = v.X * m3.X.V[j] + v.Y * m3.Y.V[j] + v.Z * m3.Z.V[j];
    r = t;
}

// R := A x B.
inline void MatrixProduct(const TMatrix4f& A, const TMatrix4f& B, TMatrix4f& R)
{
    TMatrix4f t;
    for (int i = 0; i < 4; ++i)
        HmgTransform(A.V[i], B, t.V[i]);
    R = t;
}

// The same as MatrixProduct; kept as the name callers use when they multiply in place.
inline void MatrixProductSafe(const TMatrix4f& A, const TMatrix4f& B, TMatrix4f& R) { MatrixProduct(A, B, R); }

// Building matrices.
void MatrixUpper3x3(TMatrix3f& m3, const TMatrix4f& M);
void MatrixScaling(const TVector3f& s, TMatrix4f& M);
void MatrixTranslation(const TVector3f& t, TMatrix4f& M);
void MatrixTranslationHmg(const TVector4f& t, TMatrix4f& M);
void MatrixScalingTranslation(const TVector4f& scale, const TVector4f& offset, TMatrix4f& M);
// Rotations by +angle (right-handed) about one axis.
void MatrixRotationXSinCos(float sine, float cosine, TMatrix4f& M);
void MatrixRotationX(float angle, TMatrix4f& M);
void MatrixRotationYSinCos(float sine, float cosine, TMatrix4f& M);
void MatrixRotationZSinCos(float sine, float cosine, TMatrix4f& M);
void MatrixRotationZ(float angle, TMatrix4f& M);
// Turns by -angle about the axis: its rows are those of the column-vector rotation by +angle.
void MatrixRotationAxis(const TVector3f& axis, float angle, TMatrix4f& M);
void MatrixRotationAxisHmg(const TVector4f& axis, float angle, TMatrix4f& M);
void MatrixViewLookAt(const TVector4f& eye, const TVector4f& target, const TVector4f& up, TMatrix4f& M);
void MatrixFrustumProjection(float left, float right, float bottom, float top, float zNear, float zFar,
                             TMatrix4f& M);
// fovY in degrees, clamped to [0, 179.9].
void MatrixPerspectiveProjection(float fovY, float aspect, float zNear, float zFar, TMatrix4f& M);
void MatrixOrthoProjection(float left, float right, float bottom, float top, float zNear, float zFar,
                           TMatrix4f& M);
// The identity when dx or dy is not positive.
void MatrixPickRegion(float x, float y, float dx, float dy, const TRectangle& viewport, TMatrix4f& M);
// Points times M land on the plane, projected away from the light (w = 0 for a directional light).
void MatrixPlanarShadow(const TVector4f& planePoint, const TVector4f& planeNormal, const TVector4f& light,
                        TMatrix4f& M);

// Determinants, inverses and decomposition.
float Determinant3x3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, float c3);
float MatrixDeterminant4(const TMatrix4f& M);
void MatrixAdjugateInPlace(TMatrix4f& M);
void MatrixScaleInPlace(TMatrix4f& M, float s);
void MatrixTransposeInPlace(TMatrix4f& M);
// A singular matrix (|determinant| < 1e-40) becomes the identity.
void MatrixInvertInPlace(TMatrix4f& M);
void MatrixInverse(const TMatrix4f& M, TMatrix4f& R);
// R's upper 3x3 := f * transpose of M's upper 3x3; R's other elements are left as they are.
void MatrixTransposed3x3Scaled(const TMatrix4f& M, TMatrix4f& R, float f);
// Inverse of rotation x uniform scale x translation; the identity when row X is zero.
void MatrixInverseUniformScale(const TMatrix4f& M, TMatrix4f& R);
void MatrixOrthonormalizeInPlace(TMatrix4f& M);
// False when M cannot be decomposed. The scales are the squared row lengths (1 for a rotation, 4 for a
// uniform scale of 2) and the angles are in radians.
bool MatrixToTransformComponents(const TMatrix4f& M, TTransformComponents& c);
// Bit-for-bit equality of the four rows.
bool MatrixIdentical(const TMatrix4f& A, const TMatrix4f& B);

// Viewport mapping (no flip of y). False, with r the untransformed homogeneous result, when w is (near) 0.
bool ProjectPointToViewport(const TVector4f& p, const TMatrix4f& M, const TRectangle& viewport, TVector4f& r);
bool UnprojectPointFromViewport(const TVector4f& windowPoint, const TMatrix4f& M, const TRectangle& viewport,
                                TVector4f& r);

// Rotating vectors and interpolating Euler angles.
void HmgRotateInPlaceByAffineAxis(TVector4f& v, const TVector3f& axis, float angle);
void HmgRotateInPlace(TVector4f& v, const TVector4f& axis, float angle);
// a and b are Euler angles in radians, blended through quaternions of order 5 (Qz x Qy x Qx).
void AffineAngleLerp(const TVector3f& a, const TVector3f& b, float t, TVector3f& r);

// Quaternions: (ImagPart, RealPart), in memory x, y, z, w.
float QuaternionMagnitude(const TQuaternion& q);
// A quaternion of magnitude <= 1e-30 becomes the identity (0, 0, 0, 1).
void QuaternionNormalizeInPlace(TQuaternion& q);
void QuaternionFromRotationMatrix(const TMatrix4f& M, TQuaternion& q);
void QuaternionProduct(const TQuaternion& a, const TQuaternion& b, TQuaternion& r);
void QuaternionToRotationMatrix(const TQuaternion& q, TMatrix4f& M);
void QuaternionFromAxisDegrees(const TVector3f& axis, float angle, TQuaternion& q);
// Euler angles in degrees; order 0..5 picks the product (0: Qx Qy Qz, 1: Qx Qz Qy, 2: Qy Qx Qz, 3: Qy Qz Qx,
// 4: Qz Qx Qy, 5: Qz Qy Qx). Another order raises EAssertionFailed.
void QuaternionFromEulerOrdered(float x, float y, float z, int32_t order, TQuaternion& q);
// The same after wrapping the angles to [-180, 180]; a middle angle of +-90 (gimbal lock) blends the
// quaternions for 0.001 degree either side.
void QuaternionFromEuler(float x, float y, float z, int32_t order, TQuaternion& q);
void QuaternionSphericalLerp(const TQuaternion& a, const TQuaternion& b, float t, TQuaternion& r);

// Frustum of a combined model-view-projection matrix, planes normalised, normals pointing inwards.
void FrustumFromMatrix(const TMatrix4f& M, TFrustum& f);
// True when the sphere lies wholly outside one plane (a sphere touching a plane from outside is kept).
bool SphereClippedByFrustum(const TVector3f& center, const TFrustum& f, float radius);
bool HmgSphereClippedByFrustum(const TVector4f& center, const TFrustum& f, float radius);
// Culls the box by its bounding sphere.
bool BoxClippedByFrustum(const TVector3f& min, const TVector3f& max, const TFrustum& f);
