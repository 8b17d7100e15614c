#include "GLVectorGeometry.h"
#include "Raises.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTol = 1e-5f;

TVector3f V3(float x, float y, float z) { return TVector3f{{{x, y, z}}}; }
TVector4f V4(float x, float y, float z, float w) { return TVector4f{{{x, y, z, w}}}; }
TQuaternion Q(float x, float y, float z, float w) { return TQuaternion{V3(x, y, z), w}; }

::testing::AssertionResult Near(const float* a, const float* b, int n, float tol)
{
    for (int i = 0; i < n; ++i)
        if (!(std::fabs(a[i] - b[i]) <= tol)) {
            std::string sa, sb;
            for (int k = 0; k < n; ++k) {
                sa += std::to_string(a[k]) + " ";
                sb += std::to_string(b[k]) + " ";
            }
            return ::testing::AssertionFailure() << "component " << i << ": [" << sa << "] vs [" << sb << "]";
        }
    return ::testing::AssertionSuccess();
}
::testing::AssertionResult Near(const TVector3f& a, const TVector3f& b, float tol = kTol) { return Near(a.V, b.V, 3, tol); }
::testing::AssertionResult Near(const TVector4f& a, const TVector4f& b, float tol = kTol) { return Near(a.V, b.V, 4, tol); }
::testing::AssertionResult Near(const TMatrix4f& a, const TMatrix4f& b, float tol = kTol)
{
    return Near(&a.X.X, &b.X.X, 16, tol);
}
::testing::AssertionResult Near(const TQuaternion& a, const TQuaternion& b, float tol = kTol)
{
    return Near(&a.ImagPart.X, &b.ImagPart.X, 4, tol);
}
// The same rotation: q or -q.
::testing::AssertionResult SameRotation(const TQuaternion& a, const TQuaternion& b, float tol = kTol)
{
    const TQuaternion minusB = Q(-b.ImagPart.X, -b.ImagPart.Y, -b.ImagPart.Z, -b.RealPart);
    return Near(a, b, tol) ? ::testing::AssertionSuccess() : Near(a, minusB, tol);
}

TMatrix4f Rows(TVector4f x, TVector4f y, TVector4f z, TVector4f w)
{
    TMatrix4f m;
    m.X = x;
    m.Y = y;
    m.Z = z;
    m.W = w;
    return m;
}

TVector4f Transform(const TVector4f& v, const TMatrix4f& m)
{
    TVector4f r;
    HmgTransform(v, m, r);
    return r;
}

TVector3f TransformPoint(const TVector3f& p, const TMatrix4f& m)
{
    TVector3f r;
    AffineTransformPoint(p, m, r);
    return r;
}

TMatrix4f Product(const TMatrix4f& a, const TMatrix4f& b)
{
    TMatrix4f r;
    MatrixProduct(a, b, r);
    return r;
}

TMatrix4f Inverse(const TMatrix4f& m)
{
    TMatrix4f r;
    MatrixInverse(m, r);
    return r;
}

TMatrix4f RotationX(float a) { TMatrix4f m; MatrixRotationX(a, m); return m; }
TMatrix4f RotationY(float a) { TMatrix4f m; MatrixRotationYSinCos(std::sin(a), std::cos(a), m); return m; }
TMatrix4f RotationZ(float a) { TMatrix4f m; MatrixRotationZ(a, m); return m; }
TMatrix4f RotationAxis(TVector3f axis, float a) { TMatrix4f m; MatrixRotationAxis(axis, a, m); return m; }
TMatrix4f Translation(float x, float y, float z) { TMatrix4f m; MatrixTranslation(V3(x, y, z), m); return m; }
TMatrix4f Scaling(float x, float y, float z) { TMatrix4f m; MatrixScaling(V3(x, y, z), m); return m; }

// The point a homogeneous vector stands for.
TVector3f Dehomogenise(const TVector4f& v) { return V3(v.X / v.W, v.Y / v.W, v.Z / v.W); }

// A deterministic spread of unit quaternions, both signs of w.
std::vector<TQuaternion> SampleQuaternions()
{
    std::mt19937 rng(7);
    std::normal_distribution<float> n;
    std::vector<TQuaternion> qs = {Q(0, 0, 0, 1), Q(1, 0, 0, 0), Q(0, 1, 0, 0), Q(0, 0, 1, 0),
                                   Q(0.5f, 0.5f, 0.5f, -0.5f)};
    for (int i = 0; i < 40; ++i) {
        TQuaternion q = Q(n(rng), n(rng), n(rng), n(rng));
        QuaternionNormalizeInPlace(q);
        qs.push_back(q);
    }
    return qs;
}

} // namespace

// ------------------------------------------------------------------------------------------------------------
// Rotations and products

TEST(MatrixRotation, SignConventionsOfRowVectors)
{
    const float a = 0.7f;
    struct Case { const char* name; TMatrix4f m; TVector4f in, out; };
    const Case cases[] = {
        {"Z +90 takes x to y", RotationZ(kPi / 2), V4(1, 0, 0, 1), V4(0, 1, 0, 1)},
        {"X +90 takes y to z", RotationX(kPi / 2), V4(0, 1, 0, 1), V4(0, 0, 1, 1)},
        {"Y +90 takes z to x", RotationY(kPi / 2), V4(0, 0, 1, 1), V4(1, 0, 0, 1)},
        {"axis Z +90 turns by -90", RotationAxis(V3(0, 0, 1), kPi / 2), V4(1, 0, 0, 1), V4(0, -1, 0, 1)},
        {"axis (1,1,1) +120 takes x to z", RotationAxis(V3(1, 1, 1), 2 * kPi / 3), V4(1, 0, 0, 0), V4(0, 0, 1, 0)},
        {"axis is normalised", RotationAxis(V3(0, 0, 5), a), V4(1, 2, 3, 1), Transform(V4(1, 2, 3, 1), RotationZ(-a))},
        {"axis Y matches Y by -angle", RotationAxis(V3(0, 1, 0), a), V4(1, 2, 3, 0), Transform(V4(1, 2, 3, 0), RotationY(-a))},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(Near(Transform(c.in, c.m), c.out)) << c.name;

    TVector4f v = V4(1, 0, 0, 1);
    HmgRotateInPlace(v, V4(0, 0, 1, 0), kPi / 2);
    EXPECT_TRUE(Near(v, V4(0, -1, 0, 1)));
    TMatrix4f hmgAxis;
    MatrixRotationAxisHmg(V4(0, 0, 1, 99), a, hmgAxis);
    EXPECT_TRUE(MatrixIdentical(hmgAxis, RotationAxis(V3(0, 0, 1), a)));
}

TEST(MatrixProduct, LeftFactorAppliesFirst)
{
    // Moving by (1,0,0) then turning +90 about Z takes (1,0,0) to (0,2,0); the other order gives (1,1,0).
    const TMatrix4f t = Translation(1, 0, 0), r = RotationZ(kPi / 2);
    EXPECT_TRUE(Near(TransformPoint(V3(1, 0, 0), Product(t, r)), V3(0, 2, 0)));
    EXPECT_TRUE(Near(TransformPoint(V3(1, 0, 0), Product(r, t)), V3(1, 1, 0)));
    // v x (A x B) = (v x A) x B for any v.
    const TMatrix4f a = Product(Product(Scaling(2, 3, 4), RotationAxis(V3(1, 2, 3), 0.4f)), Translation(5, 6, 7));
    const TVector4f v = V4(0.3f, -1.2f, 2.5f, 1);
    EXPECT_TRUE(Near(Transform(v, Product(a, r)), Transform(Transform(v, a), r), 1e-4f));
}

TEST(MatrixProduct, ResultMayBeAnOperand)
{
    const TMatrix4f a = Product(RotationAxis(V3(1, -2, 3), 0.9f), Translation(1, 2, 3));
    const TMatrix4f b = Product(Scaling(2, 1, 0.5f), RotationX(0.3f));
    const TMatrix4f expected = Product(a, b);

    TMatrix4f left = a, right = b, both = a;
    MatrixProduct(left, b, left);
    MatrixProductSafe(a, right, right);
    MatrixProduct(both, both, both);
    EXPECT_TRUE(MatrixIdentical(left, expected));
    EXPECT_TRUE(MatrixIdentical(right, expected));
    EXPECT_TRUE(MatrixIdentical(both, Product(a, a)));

    TVector4f v = V4(1, 2, 3, 1);
    const TVector4f vExpected = Transform(v, a);
    HmgTransform(v, a, v);
    EXPECT_TRUE(HmgEquals(v, vExpected));
    TVector3f p = V3(1, 2, 3);
    const TVector3f pExpected = TransformPoint(p, a);
    AffineTransformPoint(p, a, p);
    EXPECT_TRUE(AffineEquals(p, pExpected));

    TMatrix3f m3;
    MatrixUpper3x3(m3, a);
    TVector3f d = V3(1, 2, 3), dExpected;
    AffineTransformByMatrix3(d, m3, dExpected);
    AffineTransformByMatrix3(d, m3, d);
    EXPECT_TRUE(AffineEquals(d, dExpected));
    EXPECT_TRUE(Near(d, V3(Transform(V4(1, 2, 3, 0), a).X, Transform(V4(1, 2, 3, 0), a).Y,
                           Transform(V4(1, 2, 3, 0), a).Z)));
}

TEST(MatrixBuilders, ScalingAndTranslation)
{
    TMatrix4f m;
    MatrixScalingTranslation(V4(2, 3, 4, 9), V4(5, 6, 7, 9), m);
    EXPECT_TRUE(MatrixIdentical(m, Rows(V4(2, 0, 0, 0), V4(0, 3, 0, 0), V4(0, 0, 4, 0), V4(5, 6, 7, 1))));
    MatrixTranslationHmg(V4(5, 6, 7, 9), m);
    EXPECT_TRUE(MatrixIdentical(m, Translation(5, 6, 7)));
    EXPECT_TRUE(Near(TransformPoint(V3(1, 1, 1), Product(Scaling(2, 3, 4), Translation(5, 6, 7))), V3(7, 9, 11)));
}

TEST(MatrixIdentical, ComparesBits)
{
    TMatrix4f m = IdentityHmgMatrix;
    EXPECT_TRUE(MatrixIdentical(m, IdentityHmgMatrix));
    m.Z.X = -0.0f;
    EXPECT_FALSE(MatrixIdentical(m, IdentityHmgMatrix));
}

// ------------------------------------------------------------------------------------------------------------
// Determinants and inverses

TEST(MatrixDeterminant, KnownValues)
{
    EXPECT_FLOAT_EQ(Determinant3x3(2, 0, 0, 0, 3, 0, 0, 0, 4), 24);
    EXPECT_FLOAT_EQ(Determinant3x3(1, 2, 3, 4, 5, 6, 7, 8, 10), -3);
    EXPECT_FLOAT_EQ(MatrixDeterminant4(Scaling(2, 3, 4)), 24);
    EXPECT_FLOAT_EQ(MatrixDeterminant4(Product(RotationAxis(V3(1, 2, 3), 1), Translation(4, 5, 6))), 1);
    const TMatrix4f m = Rows(V4(1, 2, 0, 1), V4(0, 1, 3, 0), V4(2, 0, 1, 1), V4(1, 1, 1, 2));
    EXPECT_FLOAT_EQ(MatrixDeterminant4(m), 17);
    TMatrix4f swapped = m;
    std::swap(swapped.X, swapped.Y);
    EXPECT_FLOAT_EQ(MatrixDeterminant4(swapped), -17);
}

TEST(MatrixInverse, SingularGivesIdentity)
{
    const TMatrix4f cases[] = {
        Scaling(1e-41f, 1, 1),                                                 // determinant 1e-41
        Rows(V4(1, 2, 3, 4), V4(2, 4, 6, 8), V4(0, 1, 0, 0), V4(0, 0, 0, 1)), // two parallel rows
        TMatrix4f{},
    };
    for (const TMatrix4f& c : cases) {
        TMatrix4f m = c;
        MatrixInvertInPlace(m);
        EXPECT_TRUE(MatrixIdentical(m, IdentityHmgMatrix));
        EXPECT_TRUE(MatrixIdentical(Inverse(c), IdentityHmgMatrix));
    }
    TMatrix4f r = Translation(1, 2, 3);
    MatrixInverseUniformScale(TMatrix4f{}, r);
    EXPECT_TRUE(MatrixIdentical(r, IdentityHmgMatrix));
}

TEST(MatrixInverse, InvertsRegularMatrices)
{
    EXPECT_TRUE(Near(Inverse(Translation(1, 2, 3)), Translation(-1, -2, -3), 0));
    const TMatrix4f cases[] = {
        Rows(V4(1, 2, 0, 1), V4(0, 1, 3, 0), V4(2, 0, 1, 1), V4(1, 1, 1, 2)),
        Product(Product(Scaling(2, 0.5f, 3), RotationAxis(V3(1, 1, 0), 0.8f)), Translation(-4, 5, 6)),
    };
    for (const TMatrix4f& m : cases) {
        EXPECT_TRUE(Near(Product(m, Inverse(m)), IdentityHmgMatrix, 1e-5f));
        EXPECT_TRUE(Near(Product(Inverse(m), m), IdentityHmgMatrix, 1e-5f));
    }
}

TEST(MatrixInverse, UniformScaleShortcutMatchesGeneralInverse)
{
    const TMatrix4f m = Product(Product(Scaling(2, 2, 2), RotationAxis(V3(1, -2, 1), 1.1f)), Translation(3, -4, 5));
    TMatrix4f r;
    MatrixInverseUniformScale(m, r);
    EXPECT_TRUE(Near(r, Inverse(m), 1e-5f));
    TMatrix4f inPlace = m;
    MatrixInverseUniformScale(inPlace, inPlace);
    EXPECT_TRUE(MatrixIdentical(inPlace, r));
}

TEST(MatrixInverse, TransposedScaledTouchesOnlyTheUpper3x3)
{
    TMatrix4f r = Rows(V4(9, 9, 9, 1), V4(9, 9, 9, 2), V4(9, 9, 9, 3), V4(4, 5, 6, 7));
    const TMatrix4f m = Rows(V4(1, 2, 3, 0), V4(4, 5, 6, 0), V4(7, 8, 9, 0), V4(0, 0, 0, 1));
    MatrixTransposed3x3Scaled(m, r, 2);
    EXPECT_TRUE(MatrixIdentical(r, Rows(V4(2, 8, 14, 1), V4(4, 10, 16, 2), V4(6, 12, 18, 3), V4(4, 5, 6, 7))));
    TMatrix4f self = m;
    MatrixTransposed3x3Scaled(self, self, 1);
    MatrixTransposeInPlace(self);
    EXPECT_TRUE(MatrixIdentical(self, m));
}

TEST(MatrixOrthonormalize, NormalisesXAndYAndRebuildsXAndZ)
{
    TMatrix4f m = Rows(V4(2, 0, 0, 5), V4(1, 1, 0, 7), V4(3, 3, 3, 3), V4(9, 9, 9, 9));
    MatrixOrthonormalizeInPlace(m);
    const float h = std::sqrt(0.5f);
    // Row Y is only normalised, so row X comes out as Y x (X x Y), shorter than 1 for this skewed input.
    EXPECT_TRUE(Near(m, Rows(V4(0.5f, -0.5f, 0, 0), V4(h, h, 0, 0), V4(0, 0, h, 0), V4(0, 0, 0, 1))));

    TMatrix4f r = Product(Scaling(3, 3, 3), RotationAxis(V3(1, 2, 3), 0.5f));
    r.W = V4(1, 2, 3, 1);
    MatrixOrthonormalizeInPlace(r);
    EXPECT_TRUE(Near(r, RotationAxis(V3(1, 2, 3), 0.5f)));
}

// ------------------------------------------------------------------------------------------------------------
// Decomposition

TEST(MatrixToTransformComponents, RejectsUndecomposableMatrices)
{
    TTransformComponents c;
    TMatrix4f m = IdentityHmgMatrix;
    m.W.W = 0;
    EXPECT_FALSE(MatrixToTransformComponents(m, c));
    EXPECT_FALSE(MatrixToTransformComponents(Scaling(1, 0, 1), c));
}

TEST(MatrixToTransformComponents, RotationsRoundTrip)
{
    // Angles come back so that RotationX(rx) x RotationY(ry) x RotationZ(rz) rebuilds the matrix. Among the
    // samples are exact quarter turns, where rounding pushes the arc sine's argument past 1.
    for (const TQuaternion& q : SampleQuaternions()) {
        TMatrix4f m;
        QuaternionToRotationMatrix(q, m);
        TTransformComponents c;
        ASSERT_TRUE(MatrixToTransformComponents(m, c));
        const float expected[16] = {1, 1, 1, 0, 0, 0, c[6], c[7], c[8], 0, 0, 0, 0, 0, 0, 0};
        EXPECT_TRUE(Near(c, expected, 16, 1e-5f));
        const TMatrix4f rebuilt = Product(Product(RotationX(c[6]), RotationY(c[7])), RotationZ(c[8]));
        EXPECT_TRUE(Near(rebuilt, m, 1e-5f));
    }
}

TEST(MatrixToTransformComponents, GimbalLockRebuildsTheMatrix)
{
    // A quarter turn about Y merges the X and Z turns; whatever the split, the angles must rebuild it.
    for (float y : {90.0f, -90.0f})
        for (float x : {0.0f, 30.0f, -100.0f}) {
            TMatrix4f m;
            QuaternionToRotationMatrix([&] { TQuaternion q; QuaternionFromEulerOrdered(x, y, 20, 5, q); return q; }(), m);
            TTransformComponents c;
            ASSERT_TRUE(MatrixToTransformComponents(m, c));
            EXPECT_NEAR(c[7], y / 180 * kPi, 1e-3f);
            const TMatrix4f rebuilt = Product(Product(RotationX(c[6]), RotationY(c[7])), RotationZ(c[8]));
            EXPECT_TRUE(Near(rebuilt, m, 1e-5f)) << x << " " << y;
        }
}

TEST(MatrixToTransformComponents, ScalesShearsTranslationAndPerspective)
{
    struct Case { const char* name; TMatrix4f m; float expected[16]; };
    TMatrix4f shear = IdentityHmgMatrix;
    shear.Y.X = 0.5f; // row Y leans along X
    TMatrix4f perspective = IdentityHmgMatrix;
    perspective.X.W = 0.5f;
    const Case cases[] = {
        {"uniform scale of 2 gives squared scales 4", Product(Scaling(2, 2, 2), Translation(1, 2, 3)),
         {4, 4, 4, 0, 0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0}},
        {"scale (1, 2, 3)", Scaling(1, 2, 3), {1, 4, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"shear XY divided by the squared Y scale", shear, {1, 1, 1, 0.5f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"mirror negates the scales", Scaling(-1, 1, 1), {-1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"perspective column", perspective, {1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.5f, 0, 0, 1}},
        {"divided by M[3][3] first", [] { TMatrix4f m = Translation(2, 4, 6); MatrixScaleInPlace(m, 2); return m; }(),
         {1, 1, 1, 0, 0, 0, 0, 0, 0, 2, 4, 6, 0, 0, 0, 0}},
    };
    for (const Case& k : cases) {
        TTransformComponents c;
        ASSERT_TRUE(MatrixToTransformComponents(k.m, c)) << k.name;
        // The mirror's angles depend on the sign of zeros; only its scales are checked.
        const int n = std::string(k.name).starts_with("mirror") ? 3 : 16;
        EXPECT_TRUE(Near(c, k.expected, n, 1e-5f)) << k.name;
    }
}

// ------------------------------------------------------------------------------------------------------------
// Quaternions

TEST(Quaternion, MagnitudeNormaliseAndProduct)
{
    EXPECT_FLOAT_EQ(QuaternionMagnitude(Q(1, 2, 2, 4)), 5);
    TQuaternion q = Q(0, 0, 0, 0);
    QuaternionNormalizeInPlace(q);
    EXPECT_TRUE(Near(q, IdentityQuaternion, 0));
    q = Q(0, 3, 0, 4);
    QuaternionNormalizeInPlace(q);
    EXPECT_TRUE(Near(q, Q(0, 0.6f, 0, 0.8f)));

    struct Case { TQuaternion a, b, r; };
    const Case cases[] = {
        {Q(1, 0, 0, 0), Q(0, 1, 0, 0), Q(0, 0, 1, 0)},  // i j = k
        {Q(0, 1, 0, 0), Q(1, 0, 0, 0), Q(0, 0, -1, 0)}, // j i = -k
        {Q(1, 0, 0, 0), Q(1, 0, 0, 0), Q(0, 0, 0, -1)}, // i i = -1
        {Q(1, 2, 3, 4), Q(5, 6, 7, 8), Q(24, 48, 48, -6)},
    };
    for (const Case& c : cases) {
        TQuaternion r;
        QuaternionProduct(c.a, c.b, r);
        EXPECT_TRUE(Near(r, c.r, 0));
        TQuaternion a = c.a, b = c.b;
        QuaternionProduct(a, b, a);
        QuaternionProduct(c.a, b, b);
        EXPECT_TRUE(Near(a, c.r, 0));
        EXPECT_TRUE(Near(b, c.r, 0));
    }
}

TEST(Quaternion, AxisDegreesTurnsLikeTheAxisMatrices)
{
    TQuaternion q;
    QuaternionFromAxisDegrees(V3(0, 0, 2), 90, q);
    const float h = std::sqrt(0.5f);
    EXPECT_TRUE(Near(q, Q(0, 0, h, h)));
    TMatrix4f m;
    QuaternionToRotationMatrix(q, m);
    EXPECT_TRUE(Near(m, RotationZ(kPi / 2)));
    QuaternionFromAxisDegrees(V3(0, 0, 0), 90, q); // no axis, no turn
    QuaternionToRotationMatrix(q, m);
    EXPECT_TRUE(Near(m, IdentityHmgMatrix));
}

TEST(Quaternion, FromRotationMatrixBranches)
{
    const float h = std::sqrt(0.5f);
    // 180 degrees about (1,1,0): trace 0 and m00 = m11 tie, so the m11 branch runs.
    const TMatrix4f halfTurnXY = Rows(V4(0, 1, 0, 0), V4(1, 0, 0, 0), V4(0, 0, -1, 0), V4(0, 0, 0, 1));
    struct Case { const char* name; TMatrix4f m; TQuaternion q; };
    const Case cases[] = {
        {"identity", IdentityHmgMatrix, Q(0, 0, 0, 1)},
        {"half turn about X (m00 branch)", RotationX(kPi), Q(1, 0, 0, 0)},
        {"half turn about Y (m11 branch)", RotationY(kPi), Q(0, 1, 0, 0)},
        {"half turn about Z (m22 branch)", RotationZ(kPi), Q(0, 0, 1, 0)},
        {"half turn about (1,1,0) (tie)", halfTurnXY, Q(h, h, 0, 0)},
        {"quarter turn about Z", RotationZ(kPi / 2), Q(0, 0, h, h)},
    };
    for (const Case& c : cases) {
        TQuaternion q;
        QuaternionFromRotationMatrix(c.m, q);
        EXPECT_TRUE(SameRotation(q, c.q)) << c.name;
    }
}

TEST(Quaternion, MatrixRoundTrip)
{
    for (const TQuaternion& q : SampleQuaternions()) {
        TMatrix4f m;
        QuaternionToRotationMatrix(q, m);
        TQuaternion back;
        QuaternionFromRotationMatrix(m, back);
        EXPECT_TRUE(SameRotation(back, q, 1e-5f));
        // A proper rotation: orthonormal rows, determinant 1.
        EXPECT_NEAR(MatrixDeterminant4(m), 1, 1e-5f);
        TMatrix4f t = m;
        MatrixTransposeInPlace(t);
        EXPECT_TRUE(Near(Product(m, t), IdentityHmgMatrix, 1e-5f));
    }
    TMatrix4f scaled;
    QuaternionToRotationMatrix(Q(0, 0, 3, 3), scaled); // normalised first
    EXPECT_TRUE(Near(scaled, RotationZ(kPi / 2)));
}

TEST(Quaternion, SphericalLerp)
{
    TQuaternion a, b, r, expected;
    QuaternionFromAxisDegrees(V3(0, 0, 1), 10, a);
    QuaternionFromAxisDegrees(V3(0, 0, 1), 100, b);
    QuaternionSphericalLerp(a, b, 0, r);
    EXPECT_TRUE(Near(r, a));
    QuaternionSphericalLerp(a, b, 1, r);
    EXPECT_TRUE(Near(r, b));
    QuaternionSphericalLerp(a, b, 0.5f, r);
    QuaternionFromAxisDegrees(V3(0, 0, 1), 55, expected);
    EXPECT_TRUE(Near(r, expected));
    QuaternionSphericalLerp(a, b, 0.25f, r); // constant angular speed
    QuaternionFromAxisDegrees(V3(0, 0, 1), 32.5f, expected);
    EXPECT_TRUE(Near(r, expected));

    // q and -q are one rotation: after the sign flip they blend to q.
    const TQuaternion q = Q(0.5f, -0.5f, 0.5f, 0.5f);
    QuaternionSphericalLerp(q, Q(-0.5f, 0.5f, -0.5f, -0.5f), 0.5f, r);
    EXPECT_TRUE(Near(r, q));
    // The short way round: 350 degrees to 10 degrees passes 0, not 180.
    QuaternionFromAxisDegrees(V3(1, 0, 0), 350, a);
    QuaternionFromAxisDegrees(V3(1, 0, 0), 10, b);
    QuaternionSphericalLerp(a, b, 0.5f, r);
    EXPECT_TRUE(SameRotation(r, IdentityQuaternion));
    // Equal inputs take the linear branch and still give a unit quaternion.
    QuaternionSphericalLerp(q, q, 0.3f, r);
    EXPECT_TRUE(Near(r, q));
}

TEST(QuaternionEuler, OrderTable)
{
    const float x = 20, y = -35, z = 50;
    TQuaternion qx, qy, qz;
    QuaternionFromAxisDegrees(XVector, x, qx);
    QuaternionFromAxisDegrees(YVector, y, qy);
    QuaternionFromAxisDegrees(ZVector, z, qz);
    const char* products[6] = {"XYZ", "XZY", "YXZ", "YZX", "ZXY", "ZYX"};
    for (int order = 0; order < 6; ++order) {
        const TQuaternion* f[3];
        for (int i = 0; i < 3; ++i)
            f[i] = products[order][i] == 'X' ? &qx : products[order][i] == 'Y' ? &qy : &qz;
        TQuaternion tail, expected, q, wrapped;
        QuaternionProduct(*f[1], *f[2], tail);
        QuaternionProduct(*f[0], tail, expected);
        QuaternionFromEulerOrdered(x, y, z, order, q);
        EXPECT_TRUE(Near(q, expected, 1e-6f)) << products[order];
        QuaternionFromEuler(x + 360, y - 720, z, order, wrapped);
        EXPECT_TRUE(Near(wrapped, expected, 1e-5f)) << products[order];
    }
}

TEST(QuaternionEuler, GimbalLockBlendsTheMiddleAngle)
{
    const int middleAxis[6] = {1, 2, 0, 2, 0, 1}; // y, z, x, z, x, y
    for (int order = 0; order < 6; ++order)
        for (float lock : {90.0f, -90.0f})
            for (int axis = 0; axis < 3; ++axis) {
                float angles[3] = {20, 30, 40};
                angles[axis] = lock;
                TQuaternion q, plain;
                QuaternionFromEuler(angles[0], angles[1], angles[2], order, q);
                QuaternionFromEulerOrdered(angles[0], angles[1], angles[2], order, plain);
                if (axis != middleAxis[order]) {
                    EXPECT_TRUE(Near(q, plain, 1e-6f)) << order << " " << axis;
                    continue;
                }
                float below[3] = {angles[0], angles[1], angles[2]}, above[3] = {angles[0], angles[1], angles[2]};
                below[axis] = lock - 0.001f;
                above[axis] = lock + 0.001f;
                TQuaternion a, b, blend;
                QuaternionFromEulerOrdered(below[0], below[1], below[2], order, a);
                QuaternionFromEulerOrdered(above[0], above[1], above[2], order, b);
                QuaternionSphericalLerp(a, b, 0.5f, blend);
                EXPECT_TRUE(Near(q, blend, 0)) << order << " " << axis;
                EXPECT_TRUE(SameRotation(q, plain, 1e-4f)) << order << " " << axis;
            }
}

TEST(QuaternionEuler, OrderOutOfRangeAsserts)
{
    TQuaternion q;
    for (int order : {6, -1}) {
        EXPECT_EQ(MessageOf<EAssertionFailed>([&] { QuaternionFromEuler(0, 0, 0, order, q); }),
                  "Assertion failure (VAVodad\\Source\\Basis\\GLVectorGeometry, line 7958)");
        EXPECT_THROW(QuaternionFromEulerOrdered(0, 0, 0, order, q), EAssertionFailed);
    }
}

TEST(AffineAngleLerp, BlendsEulerAnglesThroughQuaternions)
{
    TVector3f r;
    const TVector3f nan = V3(NAN, 1, 2);
    AffineAngleLerp(nan, nan, 0.5f, r); // bit-for-bit equal inputs are copied
    EXPECT_TRUE(AffineEquals(r, nan));

    struct Case { TVector3f a, b; float t; TVector3f r; };
    const Case cases[] = {
        {V3(0, 0, 0), V3(0, 0, kPi / 2), 0.5f, V3(0, 0, kPi / 4)},
        {V3(0.2f, 0, 0), V3(0.6f, 0, 0), 0.5f, V3(0.4f, 0, 0)},
        {V3(0.1f, 0.2f, 0.3f), V3(0.5f, -0.4f, 0.9f), 0, V3(0.1f, 0.2f, 0.3f)},
        {V3(0.1f, 0.2f, 0.3f), V3(0.5f, -0.4f, 0.9f), 1, V3(0.5f, -0.4f, 0.9f)},
    };
    for (const Case& c : cases) {
        AffineAngleLerp(c.a, c.b, c.t, r);
        EXPECT_TRUE(Near(r, c.r, 1e-4f));
    }
}

// ------------------------------------------------------------------------------------------------------------
// View and projection matrices

TEST(MatrixViewLookAt, MapsTheEyeToTheOriginLookingDownMinusZ)
{
    TMatrix4f m;
    MatrixViewLookAt(V4(5, 0, 0, 1), V4(0, 0, 0, 1), V4(0, 1, 0, 0), m);
    struct Case { TVector3f world, eye; };
    const Case cases[] = {
        {V3(5, 0, 0), V3(0, 0, 0)},   // the eye
        {V3(0, 0, 0), V3(0, 0, -5)},  // the target, straight ahead
        {V3(5, 1, 0), V3(0, 1, 0)},   // up stays up
        {V3(5, 0, -1), V3(1, 0, 0)},  // looking down -x, world -z is to the right
    };
    for (const Case& c : cases)
        EXPECT_TRUE(Near(TransformPoint(c.world, m), c.eye)) << c.world.X << " " << c.world.Z;
    EXPECT_TRUE(Near(m.W, V4(0, 0, -5, 1)));
}

TEST(MatrixProjection, FrustumPerspectiveOrtho)
{
    TMatrix4f m;
    MatrixFrustumProjection(-1, 3, -2, 2, 1, 10, m);
    const TMatrix4f expected = Rows(V4(0.5f, 0, 0, 0), V4(0, 0.5f, 0, 0), V4(0.5f, 0, -11.0f / 9, -1),
                                    V4(0, 0, -20.0f / 9, 0));
    EXPECT_TRUE(Near(m, expected));
    // The near rectangle's corners and the far plane land on the unit cube.
    EXPECT_TRUE(Near(Dehomogenise(Transform(V4(3, 2, -1, 1), m)), V3(1, 1, -1)));
    EXPECT_TRUE(Near(Dehomogenise(Transform(V4(-1, -2, -1, 1), m)), V3(-1, -1, -1)));
    EXPECT_TRUE(Near(Dehomogenise(Transform(V4(0, 0, -10, 1), m)), V3(-0.5f, 0, 1)));

    TMatrix4f p, f;
    MatrixPerspectiveProjection(90, 2, 1, 10, p);
    MatrixFrustumProjection(-2, 2, -1, 1, 1, 10, f);
    EXPECT_TRUE(Near(p, f));
    struct Clamp { float fov, used; };
    for (const Clamp& c : {Clamp{200, 179.899994f}, Clamp{-5, 0}}) {
        TMatrix4f a, b;
        MatrixPerspectiveProjection(c.fov, 1, 1, 10, a);
        MatrixPerspectiveProjection(c.used, 1, 1, 10, b);
        EXPECT_TRUE(MatrixIdentical(a, b)) << c.fov;
    }

    MatrixOrthoProjection(0, 4, 0, 2, -1, 3, m);
    EXPECT_TRUE(Near(m, Rows(V4(0.5f, 0, 0, 0), V4(0, 1, 0, 0), V4(0, 0, -0.5f, 0), V4(-1, -1, -0.5f, 1))));
    EXPECT_TRUE(Near(TransformPoint(V3(4, 2, -3), m), V3(1, 1, 1)));
    EXPECT_TRUE(Near(TransformPoint(V3(0, 0, 1), m), V3(-1, -1, -1)));
}

TEST(MatrixProjection, PickRegionZoomsOnThePickedRectangle)
{
    TMatrix4f m;
    const TRectangle viewport{0, 0, 100, 100};
    MatrixPickRegion(75, 25, 0, 10, viewport, m);
    EXPECT_TRUE(MatrixIdentical(m, IdentityHmgMatrix));
    MatrixPickRegion(75, 25, 10, 10, viewport, m);
    // Window (80, 25) is NDC (0.6, -0.5): the right edge of the pick rectangle, halfway up.
    EXPECT_TRUE(Near(TransformPoint(V3(0.6f, -0.5f, 0.3f), m), V3(1, 0, 0.3f)));
    EXPECT_TRUE(Near(TransformPoint(V3(0.5f, -0.6f, 0), m), V3(0, -1, 0)));
    MatrixPickRegion(85, 35, 10, 10, TRectangle{10, 10, 100, 100}, m); // offset viewport, same rectangle
    EXPECT_TRUE(Near(TransformPoint(V3(0.5f, -0.6f, 0), m), V3(0, -1, 0)));
}

TEST(MatrixProjection, PlanarShadow)
{
    const TVector4f groundPoint = V4(0, 0, 0, 1), up = V4(0, 1, 0, 0);
    TMatrix4f m;
    MatrixPlanarShadow(groundPoint, up, V4(0, 10, 0, 1), m); // point light above the origin
    EXPECT_TRUE(Near(Dehomogenise(Transform(V4(1, 5, 0, 1), m)), V3(2, 0, 0)));
    MatrixPlanarShadow(groundPoint, up, V4(0, 1, 0, 0), m); // light straight down
    EXPECT_TRUE(Near(Dehomogenise(Transform(V4(3, 4, 5, 1), m)), V3(3, 0, 5)));
    MatrixPlanarShadow(V4(0, 2, 0, 1), up, V4(1, 1, 0, 0), m); // slanted light onto y = 2
    EXPECT_TRUE(Near(Dehomogenise(Transform(V4(0, 5, 0, 1), m)), V3(-3, 2, 0)));
}

TEST(MatrixProjection, ProjectAndUnproject)
{
    const TRectangle viewport{0, 0, 100, 50};
    TVector4f r;
    ASSERT_TRUE(ProjectPointToViewport(V4(0, 0, 0, 1), IdentityHmgMatrix, viewport, r));
    EXPECT_TRUE(Near(r, V4(50, 25, 0.5f, 1)));
    ASSERT_TRUE(UnprojectPointFromViewport(r, IdentityHmgMatrix, viewport, r));
    EXPECT_TRUE(Near(r, V4(0, 0, 0, 1)));

    TMatrix4f view, projection, m;
    MatrixViewLookAt(V4(1, 2, 10, 1), V4(0, 0, 0, 1), V4(0, 1, 0, 0), view);
    MatrixPerspectiveProjection(60, 1.5f, 1, 100, projection);
    MatrixProduct(view, projection, m);
    const TRectangle offset{20, 10, 300, 200};
    for (const TVector4f& p : {V4(0, 0, 0, 1), V4(2, -1, 3, 1), V4(-4, 3, -20, 1)}) {
        TVector4f window, back;
        ASSERT_TRUE(ProjectPointToViewport(p, m, offset, window));
        EXPECT_GT(window.Z, 0);
        EXPECT_LT(window.Z, 1);
        ASSERT_TRUE(UnprojectPointFromViewport(window, m, offset, back));
        EXPECT_TRUE(Near(Dehomogenise(V4(back.X, back.Y, back.Z, 1)), V3(p.X, p.Y, p.Z), 2e-3f));
    }
    // The target is straight ahead: the middle of the viewport, y not flipped.
    ASSERT_TRUE(ProjectPointToViewport(V4(0, 0, 0, 1), m, offset, r));
    EXPECT_TRUE(Near(V3(r.X, r.Y, 0), V3(170, 110, 0), 1e-3f));

    // A point in the eye plane has w = 0: no division, the result is the homogeneous vector.
    ASSERT_FALSE(ProjectPointToViewport(V4(1, 2, 0, 1), projection, offset, r));
    EXPECT_TRUE(HmgEquals(r, Transform(V4(1, 2, 0, 1), projection)));
    TMatrix4f noW = IdentityHmgMatrix;
    noW.W.W = 1e-35f;
    EXPECT_FALSE(ProjectPointToViewport(V4(1, 2, 3, 1), noW, viewport, r));
    // Swapping z and w sends the viewport's centre to a direction (w = 0).
    const TMatrix4f swapZW = Rows(V4(1, 0, 0, 0), V4(0, 1, 0, 0), V4(0, 0, 0, 1), V4(0, 0, 1, 0));
    EXPECT_FALSE(UnprojectPointFromViewport(V4(50, 25, 0.5f, 1), swapZW, viewport, r));
    EXPECT_TRUE(Near(r, V4(0, 0, 1, 0)));
}

// ------------------------------------------------------------------------------------------------------------
// Frustum

TEST(Frustum, PlanesOfAPerspectiveProjection)
{
    TMatrix4f m;
    MatrixPerspectiveProjection(90, 1, 1, 100, m);
    TFrustum f;
    FrustumFromMatrix(m, f);
    const float h = std::sqrt(0.5f);
    // Normals point inwards; the eye looks down -z.
    EXPECT_TRUE(Near(f.pLeft, V4(h, 0, -h, 0)));
    EXPECT_TRUE(Near(f.pRight, V4(-h, 0, -h, 0)));
    EXPECT_TRUE(Near(f.pTop, V4(0, -h, -h, 0)));
    EXPECT_TRUE(Near(f.pBottom, V4(0, h, -h, 0)));
    EXPECT_TRUE(Near(f.pNear, V4(0, 0, -1, -1)));
    EXPECT_TRUE(Near(f.pFar, V4(0, 0, 1, 100), 1e-3f));

    // Through a view matrix the planes follow the camera.
    TMatrix4f view, mvp;
    MatrixViewLookAt(V4(10, 0, 0, 1), V4(0, 0, 0, 1), V4(0, 1, 0, 0), view);
    MatrixProduct(view, m, mvp);
    FrustumFromMatrix(mvp, f);
    EXPECT_TRUE(Near(f.pNear, V4(-1, 0, 0, 9)));
    EXPECT_FALSE(SphereClippedByFrustum(V3(0, 0, 0), f, 1));
    EXPECT_TRUE(SphereClippedByFrustum(V3(20, 0, 0), f, 1));
}

TEST(Frustum, SphereAndBoxCulling)
{
    TMatrix4f m;
    MatrixOrthoProjection(-1, 1, -1, 1, -1, 1, m); // planes x, y, z = +-1 exactly
    TFrustum f;
    FrustumFromMatrix(m, f);
    EXPECT_TRUE(Near(f.pLeft, V4(1, 0, 0, 1), 0));

    struct Sphere { TVector3f c; float r; bool clipped; };
    const Sphere spheres[] = {
        {V3(0, 0, 0), 0.5f, false},     // inside
        {V3(0.9f, 0, 0), 0.5f, false},  // straddling
        {V3(-3, 0, 0), 2, false},       // exactly radius outside the left plane: kept
        {V3(-3.5f, 0, 0), 2, true},     // a little further: clipped
        {V3(0, 3, 0), 1, true},         // above the top
        {V3(0, 0, -5), 1, true},        // beyond the far plane
        {V3(0, 0, 5), 1, true},         // behind the near plane
    };
    for (const Sphere& s : spheres) {
        EXPECT_EQ(SphereClippedByFrustum(s.c, f, s.r), s.clipped) << s.c.X << " " << s.c.Y << " " << s.c.Z;
        EXPECT_EQ(HmgSphereClippedByFrustum(V4(s.c.X, s.c.Y, s.c.Z, 7), f, s.r), s.clipped);
    }

    struct Box { TVector3f min, max; bool clipped; };
    const Box boxes[] = {
        {V3(-0.5f, -0.5f, -0.5f), V3(0.5f, 0.5f, 0.5f), false},   // inside
        {V3(0.5f, -0.5f, -0.5f), V3(1.5f, 0.5f, 0.5f), false},    // straddling the right plane
        {V3(-5, 0, 0), V3(-4, 1, 1), true},                       // wholly left
        {V3(1.2f, 1.2f, 0), V3(1.6f, 1.6f, 0.1f), true},          // off a corner, sphere too
        {V3(1.05f, 0, 0), V3(1.5f, 0.4f, 0.4f), false},           // outside, but its bounding sphere reaches in
    };
    for (const Box& b : boxes)
        EXPECT_EQ(BoxClippedByFrustum(b.min, b.max, f), b.clipped) << b.min.X << " " << b.min.Y;
}
