// Matrices, quaternions, projections and frustum extraction.
#include "GLVectorGeometry.h"

#include "SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double cRadiansToDegrees = 57.295779513082320877;

// Position (1..3) of the X, Y and Z rotations in the product first x second x third, per Euler order.
constexpr int cEulerOrder[6][3] = {{1, 2, 3}, {1, 3, 2}, {2, 1, 3}, {3, 1, 2}, {2, 3, 1}, {3, 2, 1}};

void CheckEulerOrder(int32_t order)
{
    Assert(order >= 0 && order <= 5, "", "VAVodad\\Source\\Basis\\GLVectorGeometry", 7958);
}

TVector4f Hmg(float x, float y, float z, float w)
{
    TVector4f v;
    v.X = x;
    v.Y = y;
    v.Z = z;
    v.W = w;
    return v;
}

TVector3f Affine(const TVector4f& v)
{
    TVector3f r;
    r.X = v.X;
    r.Y = v.Y;
    r.Z = v.Z;
    return r;
}

// Determinant of M without row `row` and column `col`.
float MinorDeterminant(const TMatrix4f& M, int row, int col)
{
    float e[9];
    int n = 0;
    for (int i = 0; i < 4; ++i) {
        if (i == row)
            continue;
        for (int j = 0; j < 4; ++j)
            if (j != col)
                e[n++] = M.V[i].V[j];
    }
    return Determinant3x3(e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7], e[8]);
}

// Divides the xyz of v by w into r (w kept) unless w is too close to 0 to divide by.
bool DivideByW(const TVector4f& v, TVector4f& r)
{
    r = v;
    if (std::fabs(v.W) <= cEPSILON)
        return false;
    for (int i = 0; i < 3; ++i)
        r.V[i] = v.V[i] / v.W;
    return true;
}

} // namespace

void MatrixUpper3x3(TMatrix3f& m3, const TMatrix4f& M)
{
    for (int i = 0; i < 3; ++i)
        m3.V[i] = Affine(M.V[i]);
}

void MatrixScaling(const TVector3f& s, TMatrix4f& M)
{
    M = IdentityHmgMatrix;
    M.X.X = s.X;
    M.Y.Y = s.Y;
    M.Z.Z = s.Z;
}

void MatrixTranslation(const TVector3f& t, TMatrix4f& M)
{
    M = IdentityHmgMatrix;
    M.W = Hmg(t.X, t.Y, t.Z, 1);
}

void MatrixTranslationHmg(const TVector4f& t, TMatrix4f& M) { MatrixTranslation(Affine(t), M); }

void MatrixScalingTranslation(const TVector4f& scale, const TVector4f& offset, TMatrix4f& M)
{
    MatrixScaling(Affine(scale), M);
    M.W = Hmg(offset.X, offset.Y, offset.Z, 1);
}

void MatrixRotationXSinCos(float sine, float cosine, TMatrix4f& M)
{
    M = IdentityHmgMatrix;
    M.Y = Hmg(0, cosine, sine, 0);
    M.Z = Hmg(0, -sine, cosine, 0);
}

void MatrixRotationX(float angle, TMatrix4f& M) { MatrixRotationXSinCos(std::sin(angle), std::cos(angle), M); }

void MatrixRotationYSinCos(float sine, float cosine, TMatrix4f& M)
{
    M = IdentityHmgMatrix;
    M.X = Hmg(cosine, 0, -sine, 0);
    M.Z = Hmg(sine, 0, cosine, 0);
}

void MatrixRotationZSinCos(float sine, float cosine, TMatrix4f& M)
{
    M = IdentityHmgMatrix;
    M.X = Hmg(cosine, sine, 0, 0);
    M.Y = Hmg(-sine, cosine, 0, 0);
}

void MatrixRotationZ(float angle, TMatrix4f& M) { MatrixRotationZSinCos(std::sin(angle), std::cos(angle), M); }

void MatrixRotationAxis(const TVector3f& axis, float angle, TMatrix4f& M)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1 - c;
    TVector3f n;
    AffineNormalize(axis, n);
    const float x = n.X, y = n.Y, z = n.Z;
    M.X = Hmg(t * x * x + c, t * x * y - s * z, t * x * z + s * y, 0);
    M.Y = Hmg(t * x * y + s * z, t * y * y + c, t * y * z - s * x, 0);
    M.Z = Hmg(t * x * z - s * y, t * y * z + s * x, t * z * z + c, 0);
    M.W = Hmg(0, 0, 0, 1);
}

void MatrixRotationAxisHmg(const TVector4f& axis, float angle, TMatrix4f& M)
{
    MatrixRotationAxis(Affine(axis), angle, M);
}

void MatrixViewLookAt(const TVector4f& eye, const TVector4f& target, const TVector4f& up, TMatrix4f& M)
{
    TVector4f f, s, u;
    HmgSubtract(target, eye, f);
    HmgNormalizeInPlace(f);
    HmgCross(f, up, s);
    HmgNormalizeInPlace(s);
    HmgCross(s, f, u);
    M.X = s;
    M.Y = u;
    HmgNegate(f, M.Z);
    M.W = Hmg(0, 0, 0, 1);
    MatrixTransposeInPlace(M);
    HmgTransform(Hmg(-eye.X, -eye.Y, -eye.Z, 1), M, M.W);
}

void MatrixFrustumProjection(float left, float right, float bottom, float top, float zNear, float zFar,
                             TMatrix4f& M)
{
    const double l = left, r = right, b = bottom, t = top, n = zNear, f = zFar;
    M = TMatrix4f{};
    M.X.X = static_cast<float>(2 * n / (r - l));
    M.Y.Y = static_cast<float>(2 * n / (t - b));
    M.Z = Hmg(static_cast<float>((r + l) / (r - l)), static_cast<float>((t + b) / (t - b)),
              static_cast<float>(-(f + n) / (f - n)), -1);
    M.W.Z = static_cast<float>(-2 * f * n / (f - n));
}

void MatrixPerspectiveProjection(float fovY, float aspect, float zNear, float zFar, TMatrix4f& M)
{
    fovY = std::min(std::max(fovY, 0.0f), 179.899994f);
    const float yMax = static_cast<float>(std::tan(DegreesToRadians(fovY) * 0.5) * zNear);
    const float xMax = yMax * aspect;
    MatrixFrustumProjection(-xMax, xMax, -yMax, yMax, zNear, zFar, M);
}

void MatrixOrthoProjection(float left, float right, float bottom, float top, float zNear, float zFar,
                           TMatrix4f& M)
{
    const double l = left, r = right, b = bottom, t = top, n = zNear, f = zFar;
    M = TMatrix4f{};
    M.X.X = static_cast<float>(2 / (r - l));
    M.Y.Y = static_cast<float>(2 / (t - b));
    M.Z.Z = static_cast<float>(-2 / (f - n));
    M.W = Hmg(static_cast<float>((r + l) / (l - r)), static_cast<float>((t + b) / (b - t)),
              static_cast<float>((f + n) / (n - f)), 1);
}

void MatrixPickRegion(float x, float y, float dx, float dy, const TRectangle& viewport, TMatrix4f& M)
{
    if (dx <= 0 || dy <= 0) {
        M = IdentityHmgMatrix;
        return;
    }
    const double w = viewport.Width, h = viewport.Height;
    TVector3f t;
    t.X = static_cast<float>((w - 2 * (double(x) - viewport.Left)) / dx);
    t.Y = static_cast<float>((h - 2 * (double(y) - viewport.Top)) / dy);
    t.Z = 0;
    MatrixTranslation(t, M);
    M.X.X = static_cast<float>(w / dx);
    M.Y.Y = static_cast<float>(h / dy);
}

void MatrixPlanarShadow(const TVector4f& planePoint, const TVector4f& planeNormal, const TVector4f& light,
                        TMatrix4f& M)
{
    const TVector4f plane = Hmg(planeNormal.X, planeNormal.Y, planeNormal.Z,
                                static_cast<float>(-HmgDotAffine(planeNormal, Affine(planePoint))));
    const float d = static_cast<float>(HmgDot(plane, light));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            M.V[i].V[j] = (i == j ? d : 0.0f) - plane.V[i] * light.V[j];
}

float Determinant3x3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, float c3)
{
    const double d = double(a1) * (double(b2) * c3 - double(b3) * c2) -
                     double(a2) * (double(b1) * c3 - double(b3) * c1) +
                     double(a3) * (double(b1) * c2 - double(b2) * c1);
    return static_cast<float>(d);
}

float MatrixDeterminant4(const TMatrix4f& M)
{
    double d = 0;
    for (int j = 0; j < 4; ++j) {
        const double term = double(M.X.V[j]) * MinorDeterminant(M, 0, j);
        d += (j % 2 == 0) ? term : -term;
    }
    return static_cast<float>(d);
}

void MatrixAdjugateInPlace(TMatrix4f& M)
{
    TMatrix4f adjugate;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            const float cofactor = MinorDeterminant(M, j, i);
            adjugate.V[i].V[j] = ((i + j) % 2 == 0) ? cofactor : -cofactor;
        }
    M = adjugate;
}

void MatrixScaleInPlace(TMatrix4f& M, float s)
{
    for (auto& row : M.V)
        for (float& e : row.V)
            e *= s;
}

void MatrixTransposeInPlace(TMatrix4f& M)
{
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            std::swap(M.V[i].V[j], M.V[j].V[i]);
}

void MatrixInvertInPlace(TMatrix4f& M)
{
    const float det = MatrixDeterminant4(M);
    if (std::fabs(det) < cEPSILON40) {
        M = IdentityHmgMatrix;
        return;
    }
    MatrixAdjugateInPlace(M);
    MatrixScaleInPlace(M, 1 / det);
}

void MatrixInverse(const TMatrix4f& M, TMatrix4f& R)
{
    R = M;
    MatrixInvertInPlace(R);
}

void MatrixTransposed3x3Scaled(const TMatrix4f& M, TMatrix4f& R, float f)
{
    float t[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            t[i][j] = f * M.V[j].V[i];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            R.V[i].V[j] = t[i][j];
}

void MatrixInverseUniformScale(const TMatrix4f& M, TMatrix4f& R)
{
    const float s = static_cast<float>(AffineLengthSquared(Affine(M.X)));
    if (std::fabs(s) < cEPSILON40) {
        R = IdentityHmgMatrix;
        return;
    }
    TMatrix4f t;
    t.X.W = t.Y.W = t.Z.W = 0;
    t.W.W = 1;
    MatrixTransposed3x3Scaled(M, t, 1 / s);
    for (int i = 0; i < 3; ++i)
        t.W.V[i] = -(t.X.V[i] * M.W.X + t.Y.V[i] * M.W.Y + t.Z.V[i] * M.W.Z);
    R = t;
}

void MatrixOrthonormalizeInPlace(TMatrix4f& M)
{
    M.X.W = 0;
    HmgNormalizeInPlace(M.X);
    M.Y.W = 0;
    HmgNormalizeInPlace(M.Y);
    HmgCross(M.X, M.Y, M.Z);
    HmgCross(M.Y, M.Z, M.X);
    M.W = Hmg(0, 0, 0, 1);
}

bool MatrixToTransformComponents(const TMatrix4f& M, TTransformComponents& c)
{
    enum { ScaleX, ScaleY, ScaleZ, ShearXY, ShearXZ, ShearYZ, RotateX, RotateY, RotateZ, TranslateX,
           PerspectiveX = 12 };
    if (M.W.W == 0)
        return false;
    TMatrix4f L = M;
    for (auto& row : L.V)
        for (float& e : row.V)
            e /= M.W.W;

    TMatrix4f P = L;
    P.X.W = P.Y.W = P.Z.W = 0;
    P.W.W = 1;
    if (MatrixDeterminant4(P) == 0)
        return false;

    if (L.X.W != 0 || L.Y.W != 0 || L.Z.W != 0) {
        const TVector4f h = Hmg(L.X.W, L.Y.W, L.Z.W, L.W.W);
        TMatrix4f inverseTransposed = P;
        MatrixInvertInPlace(inverseTransposed);
        MatrixTransposeInPlace(inverseTransposed);
        TVector4f perspective;
        HmgTransform(h, inverseTransposed, perspective);
        std::memcpy(&c[PerspectiveX], perspective.V, sizeof perspective.V);
        L.X.W = L.Y.W = L.Z.W = 0;
        L.W.W = 1;
    } else {
        std::fill(&c[PerspectiveX], &c[PerspectiveX] + 4, 0.0f);
    }

    for (int i = 0; i < 3; ++i) {
        c[TranslateX + i] = L.W.V[i];
        L.W.V[i] = 0;
    }

    TVector3f r0 = Affine(L.X), r1 = Affine(L.Y), r2 = Affine(L.Z);
    c[ScaleX] = static_cast<float>(AffineLengthSquared(r0));
    AffineScaleInPlace(r0, FloatRecipSqrt(c[ScaleX]));

    c[ShearXY] = static_cast<float>(AffineDot(r0, r1));
    AffineAddScaled(r1, r0, -c[ShearXY], r1);
    c[ScaleY] = static_cast<float>(AffineLengthSquared(r1));
    AffineScaleInPlace(r1, FloatRecipSqrt(c[ScaleY]));
    c[ShearXY] /= c[ScaleY];

    c[ShearXZ] = static_cast<float>(AffineDot(r0, r2));
    AffineAddScaled(r2, r0, -c[ShearXZ], r2);
    c[ShearYZ] = static_cast<float>(AffineDot(r1, r2));
    AffineAddScaled(r2, r1, -c[ShearYZ], r2);
    c[ScaleZ] = static_cast<float>(AffineLengthSquared(r2));
    AffineScaleInPlace(r2, FloatRecipSqrt(c[ScaleZ]));
    c[ShearXZ] /= c[ScaleZ];
    c[ShearYZ] /= c[ScaleZ];

    TVector3f r1CrossR2;
    AffineCross(r1, r2, r1CrossR2);
    if (AffineDot(r0, r1CrossR2) < 0) {
        for (int i = ScaleX; i <= ScaleZ; ++i)
            c[i] = -c[i];
        AffineNegateInPlace(r0);
        AffineNegateInPlace(r1);
        AffineNegateInPlace(r2);
    }

    c[RotateY] = static_cast<float>(ArcSine(-r0.Z));
    // Gimbal lock: the cosine of a quarter turn is never exactly 0 in floating point, so the lock is
    // recognised by a Single sine of +-1. Rotations about X and Z then share one axis; all of it goes to X,
    // with the sign of the lock so that the angles rebuild the matrix at -90 degrees too.
    if (std::fabs(r0.Z) < 1) {
        c[RotateX] = static_cast<float>(std::atan2(r1.Z, r2.Z));
        c[RotateZ] = static_cast<float>(std::atan2(r0.Y, r0.X));
    } else {
        c[RotateX] = static_cast<float>(std::atan2(std::copysign(1.0f, -r0.Z) * r1.X, r1.Y));
        c[RotateZ] = 0;
    }
    return true;
}

bool MatrixIdentical(const TMatrix4f& A, const TMatrix4f& B)
{
    for (int i = 0; i < 4; ++i)
        if (!HmgEquals(A.V[i], B.V[i]))
            return false;
    return true;
}

bool ProjectPointToViewport(const TVector4f& p, const TMatrix4f& M, const TRectangle& viewport, TVector4f& r)
{
    TVector4f v;
    HmgTransform(Hmg(p.X, p.Y, p.Z, 1), M, v);
    if (!DivideByW(v, r))
        return false;
    for (int i = 0; i < 3; ++i)
        r.V[i] = r.V[i] * 0.5f + 0.5f;
    r.X = viewport.Left + viewport.Width * r.X;
    r.Y = viewport.Top + viewport.Height * r.Y;
    return true;
}

bool UnprojectPointFromViewport(const TVector4f& windowPoint, const TMatrix4f& M, const TRectangle& viewport,
                                TVector4f& r)
{
    TMatrix4f inverse;
    MatrixInverse(M, inverse);
    const TVector4f normalised =
        Hmg(static_cast<float>(2.0 * (windowPoint.X - viewport.Left) / viewport.Width - 1),
            static_cast<float>(2.0 * (windowPoint.Y - viewport.Top) / viewport.Height - 1),
            2 * windowPoint.Z - 1, 1);
    TVector4f v;
    HmgTransform(normalised, inverse, v);
    return DivideByW(v, r);
}

void HmgRotateInPlaceByAffineAxis(TVector4f& v, const TVector3f& axis, float angle)
{
    TMatrix4f M;
    MatrixRotationAxis(axis, angle, M);
    HmgTransform(v, M, v);
}

void HmgRotateInPlace(TVector4f& v, const TVector4f& axis, float angle)
{
    HmgRotateInPlaceByAffineAxis(v, Affine(axis), angle);
}

void AffineAngleLerp(const TVector3f& a, const TVector3f& b, float t, TVector3f& r)
{
    if (AffineEquals(a, b)) {
        r = a;
        return;
    }
    auto toQuaternion = [](const TVector3f& angles, TQuaternion& q) {
        QuaternionFromEuler(static_cast<float>(angles.X * cRadiansToDegrees),
                            static_cast<float>(angles.Y * cRadiansToDegrees),
                            static_cast<float>(angles.Z * cRadiansToDegrees), 5, q);
    };
    TQuaternion qa, qb, blend;
    toQuaternion(a, qa);
    toQuaternion(b, qb);
    QuaternionSphericalLerp(qa, qb, t, blend);
    TMatrix4f M;
    QuaternionToRotationMatrix(blend, M);
    TTransformComponents c{};
    MatrixToTransformComponents(M, c);
    r.X = c[6];
    r.Y = c[7];
    r.Z = c[8];
}

float QuaternionMagnitude(const TQuaternion& q)
{
    const float imaginary = static_cast<float>(AffineLengthSquared(q.ImagPart));
    return static_cast<float>(std::sqrt(double(imaginary) + double(q.RealPart) * q.RealPart));
}

void QuaternionNormalizeInPlace(TQuaternion& q)
{
    const float m = QuaternionMagnitude(q);
    if (m > cEPSILON) {
        for (float& e : q.ImagPart.V)
            e /= m;
        q.RealPart /= m;
    } else {
        q = IdentityQuaternion;
    }
}

void QuaternionFromRotationMatrix(const TMatrix4f& M, TQuaternion& q)
{
    auto m = [&M](int i, int j) { return double(M.V[i].V[j]); };
    double x, y, z, w;
    const double trace = 1 + m(0, 0) + m(1, 1) + m(2, 2);
    if (trace > cEPSILON) {
        const double s = 2 * std::sqrt(trace);
        x = (m(1, 2) - m(2, 1)) / s;
        y = (m(2, 0) - m(0, 2)) / s;
        z = (m(0, 1) - m(1, 0)) / s;
        w = s / 4;
    } else if (m(0, 0) > m(1, 1) && m(0, 0) > m(2, 2)) {
        const double s = 2 * std::sqrt(std::max(1 + m(0, 0) - m(1, 1) - m(2, 2), double(cEPSILON)));
        x = s / 4;
        y = (m(0, 1) + m(1, 0)) / s;
        z = (m(2, 0) + m(0, 2)) / s;
        w = (m(1, 2) - m(2, 1)) / s;
    } else if (m(1, 1) > m(2, 2)) {
        const double s = 2 * std::sqrt(std::max(1 + m(1, 1) - m(0, 0) - m(2, 2), double(cEPSILON)));
        x = (m(0, 1) + m(1, 0)) / s;
        y = s / 4;
        z = (m(1, 2) + m(2, 1)) / s;
        w = (m(2, 0) - m(0, 2)) / s;
    } else {
        const double s = 2 * std::sqrt(std::max(1 + m(2, 2) - m(0, 0) - m(1, 1), double(cEPSILON)));
        x = (m(2, 0) + m(0, 2)) / s;
        y = (m(1, 2) + m(2, 1)) / s;
        z = s / 4;
        w = (m(0, 1) - m(1, 0)) / s;
    }
    q.ImagPart.X = static_cast<float>(x);
    q.ImagPart.Y = static_cast<float>(y);
    q.ImagPart.Z = static_cast<float>(z);
    q.RealPart = static_cast<float>(w);
    QuaternionNormalizeInPlace(q);
}

void QuaternionProduct(const TQuaternion& a, const TQuaternion& b, TQuaternion& r)
{
    const double ax = a.ImagPart.X, ay = a.ImagPart.Y, az = a.ImagPart.Z, aw = a.RealPart;
    const double bx = b.ImagPart.X, by = b.ImagPart.Y, bz = b.ImagPart.Z, bw = b.RealPart;
    r.RealPart = static_cast<float>(aw * bw - ax * bx - ay * by - az * bz);
    r.ImagPart.X = static_cast<float>(aw * bx + ax * bw + ay * bz - az * by);
    r.ImagPart.Y = static_cast<float>(aw * by + ay * bw + az * bx - ax * bz);
    r.ImagPart.Z = static_cast<float>(aw * bz + az * bw + ax * by - ay * bx);
}

void QuaternionToRotationMatrix(const TQuaternion& q, TMatrix4f& M)
{
    TQuaternion n = q;
    QuaternionNormalizeInPlace(n);
    const float x = n.ImagPart.X, y = n.ImagPart.Y, z = n.ImagPart.Z, w = n.RealPart;
    const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, xz = x * z, yz = y * z;
    const float xw = x * w, yw = y * w, zw = z * w;
    M.X = Hmg(1 - 2 * (yy + zz), 2 * (xy + zw), 2 * (xz - yw), 0);
    M.Y = Hmg(2 * (xy - zw), 1 - 2 * (xx + zz), 2 * (yz + xw), 0);
    M.Z = Hmg(2 * (xz + yw), 2 * (yz - xw), 1 - 2 * (xx + yy), 0);
    M.W = Hmg(0, 0, 0, 1);
}

void QuaternionFromAxisDegrees(const TVector3f& axis, float angle, TQuaternion& q)
{
    const double h = DegreesToRadians(angle * 0.5f);
    const double length = AffineLength(axis);
    // A zero axis means no turn rather than a quaternion of NaNs.
    const double f = length != 0 ? std::sin(h) / length : 0.0;
    for (int i = 0; i < 3; ++i)
        q.ImagPart.V[i] = static_cast<float>(axis.V[i] * f);
    q.RealPart = static_cast<float>(std::cos(h));
}

void QuaternionFromEulerOrdered(float x, float y, float z, int32_t order, TQuaternion& q)
{
    CheckEulerOrder(order);
    static const TVector3f axes[3] = {XVector, YVector, ZVector};
    const float angles[3] = {x, y, z};
    TQuaternion byPosition[3];
    for (int axis = 0; axis < 3; ++axis)
        QuaternionFromAxisDegrees(axes[axis], angles[axis], byPosition[cEulerOrder[order][axis] - 1]);
    TQuaternion secondThird;
    QuaternionProduct(byPosition[1], byPosition[2], secondThird);
    QuaternionProduct(byPosition[0], secondThird, q);
}

void QuaternionFromEuler(float x, float y, float z, int32_t order, TQuaternion& q)
{
    float angles[3] = {WrapDegrees(x), WrapDegrees(y), WrapDegrees(z)};
    CheckEulerOrder(order);
    const int middle = static_cast<int>(std::find(cEulerOrder[order], cEulerOrder[order] + 3, 2) -
                                        cEulerOrder[order]);
    const float middleAngle = angles[middle];
    if (std::fabs(std::fabs(middleAngle) - 90) <= cEPSILON) {
        TQuaternion below, above;
        angles[middle] = middleAngle - 0.001f;
        QuaternionFromEulerOrdered(angles[0], angles[1], angles[2], order, below);
        angles[middle] = middleAngle + 0.001f;
        QuaternionFromEulerOrdered(angles[0], angles[1], angles[2], order, above);
        QuaternionSphericalLerp(below, above, 0.5f, q);
    } else {
        QuaternionFromEulerOrdered(angles[0], angles[1], angles[2], order, q);
    }
}

void QuaternionSphericalLerp(const TQuaternion& a, const TQuaternion& b, float t, TQuaternion& r)
{
    double bq[4] = {b.ImagPart.X, b.ImagPart.Y, b.ImagPart.Z, b.RealPart};
    const double aq[4] = {a.ImagPart.X, a.ImagPart.Y, a.ImagPart.Z, a.RealPart};
    double c = aq[0] * bq[0] + aq[1] * bq[1] + aq[2] * bq[2] + aq[3] * bq[3];
    if (c < 0) {
        for (double& e : bq)
            e = -e;
        c = -c;
    }
    double wa, wb;
    if (1 - c > cEPSILON) {
        const double w = ArcCosine(c);
        const double s = std::sin(w);
        wa = std::sin((1 - t) * w) / s;
        wb = std::sin(t * w) / s;
    } else {
        wa = 1 - t;
        wb = t;
    }
    for (int i = 0; i < 3; ++i)
        r.ImagPart.V[i] = static_cast<float>(wa * aq[i] + wb * bq[i]);
    r.RealPart = static_cast<float>(wa * aq[3] + wb * bq[3]);
    QuaternionNormalizeInPlace(r);
}

void FrustumFromMatrix(const TMatrix4f& M, TFrustum& f)
{
    auto plane = [&M](TVector4f& p, int column, float sign) {
        for (int i = 0; i < 4; ++i)
            p.V[i] = M.V[i].W + sign * M.V[i].V[column];
        HmgPlaneNormalizeInPlace(p);
    };
    plane(f.pLeft, 0, 1);
    plane(f.pTop, 1, -1);
    plane(f.pRight, 0, -1);
    plane(f.pBottom, 1, 1);
    plane(f.pNear, 2, 1);
    plane(f.pFar, 2, -1);
}

bool SphereClippedByFrustum(const TVector3f& center, const TFrustum& f, float radius)
{
    for (const TVector4f* p : {&f.pLeft, &f.pTop, &f.pRight, &f.pBottom, &f.pNear, &f.pFar})
        if (PlaneEvaluateAffine(*p, center) < -radius)
            return true;
    return false;
}

bool HmgSphereClippedByFrustum(const TVector4f& center, const TFrustum& f, float radius)
{
    return SphereClippedByFrustum(Affine(center), f, radius);
}

bool BoxClippedByFrustum(const TVector3f& min, const TVector3f& max, const TFrustum& f)
{
    TVector3f center;
    AffineAdd(min, max, center);
    AffineScaleInPlace(center, 0.5f);
    return SphereClippedByFrustum(center, f, static_cast<float>(AffineDistance(min, max) * 0.5));
}
