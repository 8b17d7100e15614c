#include "GLVectorGeometry.h"

#include "GLSilhouette.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kTol = 1e-6f;

TVector3f V3(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

TVector4f V4(float x, float y, float z, float w)
{
    return TVector4f{{{x, y, z, w}}};
}

void ExpectNear(const TVector3f& actual, const TVector3f& expected, float tol = kTol)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(actual.V[i], expected.V[i], tol) << "component " << i;
}

void ExpectNear(const TVector4f& actual, const TVector4f& expected, float tol = kTol)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(actual.V[i], expected.V[i], tol) << "component " << i;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Scalars

TEST(VectorGeometryScalars, IntegerConversions)
{
    struct Case {
        const char* name;
        int32_t (*fn)(float);
        float x;
        int32_t expected;
    };
    const Case cases[] = {
        {"round 2.5", FloatRoundToInt, 2.5f, 2},
        {"round 3.5", FloatRoundToInt, 3.5f, 4},
        {"round -2.5", FloatRoundToInt, -2.5f, -2},
        {"round 0.5", FloatRoundToInt, 0.5f, 0},
        {"round 2.6", FloatRoundToInt, 2.6f, 3},
        {"trunc -2.7", FloatTruncToInt, -2.7f, -2},
        {"trunc 2.7", FloatTruncToInt, 2.7f, 2},
        {"floor -2.0", FloatFloorToInt, -2.0f, -3},  // whole negatives go one lower, as the callers expect
        {"floor -2.5", FloatFloorToInt, -2.5f, -3},
        {"floor -0.5", FloatFloorToInt, -0.5f, -1},
        {"floor -0.0", FloatFloorToInt, -0.0f, 0},
        {"floor 2.7", FloatFloorToInt, 2.7f, 2},
        // The largest Singles that fit an Integer, and what does not fit.
        {"trunc 2^31-128", FloatTruncToInt, 2147483520.0f, 2147483520},
        {"trunc -2^31", FloatTruncToInt, -2147483648.0f, INT_MIN},
        {"trunc 2^31", FloatTruncToInt, 2147483648.0f, INT_MIN},
        {"trunc -3e9", FloatTruncToInt, -3e9f, INT_MIN},
        {"trunc NaN", FloatTruncToInt, kNaN, INT_MIN},
        {"round inf", FloatRoundToInt, kInf, INT_MIN},
        {"round NaN", FloatRoundToInt, kNaN, INT_MIN},
        {"floor -2^31", FloatFloorToInt, -2147483648.0f, INT_MIN},
        {"floor -inf", FloatFloorToInt, -kInf, INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.fn(c.x), c.expected) << c.name;
}

TEST(VectorGeometryScalars, WholeAndFraction)
{
    EXPECT_EQ(FloatRoundToWhole(2.5f), 2.0f);
    EXPECT_EQ(FloatRoundToWhole(-3.5f), -4.0f);
    EXPECT_EQ(ExtTruncToWhole(-2.7), -2.0);
    EXPECT_EQ(FloatFraction(-2.75f), -0.75f);
    EXPECT_EQ(FloatFraction(2.75f), 0.75f);
    EXPECT_EQ(FloatSign(-0.1f), -1);
    EXPECT_EQ(FloatSign(0.0f), 0);
    EXPECT_EQ(FloatSign(3.0f), 1);
}

TEST(VectorGeometryScalars, AngleWraps)
{
    struct Case {
        float (*fn)(float);
        float x, expected;
    };
    const Case cases[] = {
        {WrapDegrees, 190.0f, -170.0f},  {WrapDegrees, -540.0f, -180.0f}, {WrapDegrees, 180.0f, 180.0f},
        {WrapDegrees, -190.0f, 170.0f},  {WrapDegrees, 720.0f, 0.0f},     {WrapDegrees, 45.0f, 45.0f},
        {WrapRadians, 7.0f, 0.71681452f}, {WrapRadians, -7.0f, -0.71681452f}, {WrapRadians, 4.0f, -2.28318548f},
        {WrapRadians, 1.0f, 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.fn(c.x), c.expected, 1e-5f) << c.x;
}

TEST(VectorGeometryScalars, FloatPower)
{
    struct Case {
        float base, exponent;
        double expected;
    };
    const Case cases[] = {
        {0, 2, 0}, {5, 0, 1}, {0, 0, 1}, {2, -2, 0.25}, {-2, 3, -8}, {-2, -1, -0.5}, {4, 0.5, 2}, {10, 1.5, 31.6227766},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(FloatPower(c.base, c.exponent), c.expected, 1e-6) << c.base << "^" << c.exponent;
    EXPECT_TRUE(std::isnan(FloatPower(-8, 0.5f)));  // a negative base needs a whole exponent
}

TEST(VectorGeometryScalars, ArcFunctionsClampRoundedArguments)
{
    EXPECT_EQ(ArcCosine(1.0000001), 0.0);
    EXPECT_NEAR(ArcCosine(-1.0000001), std::numbers::pi, 1e-15);
    EXPECT_NEAR(ArcSine(-1.0000001), -std::numbers::pi / 2, 1e-15);
    EXPECT_NEAR(ArcCosine(0.5), std::numbers::pi / 3, 1e-15);
    EXPECT_NEAR(ArcSine(0.5), std::numbers::pi / 6, 1e-15);
    EXPECT_NEAR(FloatArcTan2(1, -1), 3 * std::numbers::pi / 4, 1e-15);
}

TEST(VectorGeometryScalars, RangesAndExtremes)
{
    EXPECT_TRUE(FloatIsInRange(5, 10, 0));
    EXPECT_TRUE(FloatIsInRange(10, 10, 0));
    EXPECT_FALSE(FloatIsInRange(11, 0, 10));
    EXPECT_EQ(FloatClamp(-1, 0, 1), 0.0f);
    EXPECT_EQ(FloatClamp(2, 0, 1), 1.0f);
    EXPECT_EQ(FloatClamp(0.5f, 0, 1), 0.5f);

    const float values[] = {3, -0.0f, 7, 0.0f, 7, -2};
    EXPECT_EQ(FloatBufferMin(values, 0), 0.0f);
    EXPECT_EQ(FloatBufferMax(values, -1), 0.0f);
    EXPECT_EQ(FloatBufferMin(values, 6), -2.0f);
    EXPECT_EQ(FloatBufferMax(values, 6), 7.0f);
    EXPECT_TRUE(std::signbit(FloatBufferMin(values, 4)));  // -0 came first and 0 does not beat it
    EXPECT_EQ(FloatArrayMax({}), 0.0f);
    EXPECT_EQ(FloatArrayMin(values), -2.0f);
    EXPECT_EQ(CardinalMax(0x80000000u, 1u), 0x80000000u);
    EXPECT_EQ(IntMax3(-5, 9, 2), 9);
}

TEST(VectorGeometryScalars, SphereApparentRadius)
{
    EXPECT_NEAR(SphereApparentRadius(2, 1), 2 / std::sqrt(3.0f), 1e-6f);
    EXPECT_NEAR(SphereApparentRadius(10, 3), 30 / std::sqrt(91.0f), 1e-5f);
    // From inside or on the sphere the outline is unbounded: a finite answer rather than NaN or infinity.
    EXPECT_EQ(SphereApparentRadius(1, 1), 1.0f);
    EXPECT_EQ(SphereApparentRadius(0.5f, 1), 1.0f);
}

// ---------------------------------------------------------------------------------------------------------
// Vectors

TEST(VectorGeometryVectors, Normalisation)
{
    TVector3f r;
    AffineNormalize(V3(0, 0, 0), r);
    EXPECT_TRUE(AffineEquals(r, V3(0, 0, 0)));
    AffineNormalize(V3(3, 0, 4), r);
    ExpectNear(r, V3(0.6f, 0, 0.8f));
    // The squared length of a tiny vector is far below the Single range; it still normalises.
    r = V3(1e-30f, 0, -1e-30f);
    AffineNormalizeInPlace(r);
    ExpectNear(r, V3(std::sqrt(0.5f), 0, -std::sqrt(0.5f)));

    TVector4f h = V4(0, 0, 2, 1);
    HmgNormalizeInPlace(h);
    EXPECT_TRUE(HmgEquals(h, V4(0, 0, 1, 0)));
    HmgNormalize(V4(0, 0, 0, 5), h);
    EXPECT_TRUE(HmgEquals(h, V4(0, 0, 0, 0)));

    TVector3f many[] = {V3(0, 0, 0), V3(0, -5, 0), V3(1, 1, 1)};
    AffineArrayNormalizeInPlace(many, 3);
    ExpectNear(many[0], V3(0, 0, 0));
    ExpectNear(many[1], V3(0, -1, 0));
    ExpectNear(many[2], V3(1 / std::sqrt(3.0f), 1 / std::sqrt(3.0f), 1 / std::sqrt(3.0f)));
    AffineArrayNormalizeInPlace(nullptr, 0);
}

TEST(VectorGeometryVectors, BitwiseEquality)
{
    EXPECT_FALSE(HmgEquals(V4(0, 0, 0, 0), V4(-0.0f, 0, 0, 0)));
    EXPECT_TRUE(AffineEquals(V3(kNaN, kNaN, kNaN), V3(kNaN, kNaN, kNaN)));
    EXPECT_TRUE(HmgEqualsXYZ(V4(1, 2, 3, 4), V4(1, 2, 3, -4)));
    EXPECT_FALSE(HmgEqualsXYZ(V4(1, 2, 0.0f, 4), V4(1, 2, -0.0f, 4)));
}

// Which components take part: the Hmg forms differ on W.
TEST(VectorGeometryVectors, HomogeneousComponents)
{
    const TVector4f a = V4(1, 2, 3, 4), b = V4(5, 6, 7, 8);
    TVector4f r;
    EXPECT_EQ(HmgDot(a, b), 70.0);
    EXPECT_EQ(HmgDotAffine(a, V3(5, 6, 7)), 38.0);
    EXPECT_EQ(HmgLengthSquared(a), 14.0);
    EXPECT_EQ(HmgDistanceSquared(a, b), 48.0);
    EXPECT_EQ(HmgDifferenceDot(b, a, V4(1, 1, 1, 100)), 12.0);
    EXPECT_EQ(PlaneEvaluateHmg(V4(0, 0, 1, -2), V4(9, 9, 5, 100)), 3.0);
    HmgCross(a, b, r);
    EXPECT_TRUE(HmgEquals(r, V4(-4, 8, -4, 0)));
    HmgSubtractAffine(a, V3(1, 1, 1), r);
    EXPECT_TRUE(HmgEquals(r, V4(0, 1, 2, 4)));
    AffineSubtractAsHmg(V3(1, 2, 3), V3(1, 1, 1), r);
    EXPECT_TRUE(HmgEquals(r, V4(0, 1, 2, 0)));
    r = a;
    HmgAddScaledAffineInPlace(r, V3(1, 1, 1), 2);
    EXPECT_TRUE(HmgEquals(r, V4(3, 4, 5, 4)));
    HmgAddScaled(a, b, 0.5f, r);
    EXPECT_TRUE(HmgEquals(r, V4(3.5f, 5, 6.5f, 8)));
    r = a;
    HmgMaxComponentsInPlace(r, V4(0, 9, 3, 5));
    EXPECT_TRUE(HmgEquals(r, V4(1, 9, 3, 5)));
    EXPECT_EQ(HmgMaxComponentXYZ(V4(1, 3, 2, 99)), 3.0f);
}

TEST(VectorGeometryVectors, SilhouetteFaceFacing)
{
    TGLSilhouetteParameters params{};
    params.SeenFrom = V3(0, 0, 5);
    EXPECT_EQ(SilhouetteFaceFacing(params, V3(1, 1, 1), V3(0, 0, 2)), 8.0);
    EXPECT_EQ(SilhouetteFaceFacing(params, V3(1, 1, 5), V3(0, 0, 2)), 0.0);  // edge-on: facing
    EXPECT_EQ(SilhouetteFaceFacing(params, V3(1, 1, 1), V3(0, 0, -1)), -4.0);
}

TEST(VectorGeometryVectors, ScalarResultsKeepDoublePrecision)
{
    // 1e16 + 1 is not a Single: a Single sum would lose the 1.
    EXPECT_EQ(AffineLengthSquared(V3(1e8f, 1, 0)), 1e16 + 1);
    EXPECT_EQ(AffineDot(V3(1e8f, 1, 0), V3(1e8f, -1, 0)), 1e16 - 1);
    EXPECT_EQ(FloatHypot(3, 4), 5.0);
    EXPECT_EQ(FloatHypotSquared(1e8f, 1), 1e16f);  // rounded to Single
    EXPECT_EQ(AffineManhattanDistance(V3(1, 2, 3), V3(-1, 2, 5)), 4.0);
    EXPECT_EQ(AffineDistance(V3(1, 2, 3), V3(4, 6, 3)), 5.0);
}

TEST(VectorGeometryVectors, AnglesAndOrthogonalPart)
{
    EXPECT_EQ(AffineAngleCosine(V3(2, 0, 0), V3(0, 3, 0)), 0.0);
    EXPECT_NEAR(AffineAngleCosine(V3(1, 1, 0), V3(3, 0, 0)), std::sqrt(0.5), 1e-15);
    EXPECT_EQ(AffineAngleCosine(V3(0, 0, 0), V3(1, 0, 0)), 0.0);
    TVector3f r;
    AffineOrthogonalPart(V3(1, 2, 3), ZVector, r);
    EXPECT_TRUE(AffineEquals(r, V3(1, 2, 0)));
}

TEST(VectorGeometryVectors, ResultMayBeAnInput)
{
    const TVector3f a = V3(1, 2, 3), b = V3(-4, 5, 0.5f);
    TVector3f expected, r;
    AffineCross(a, b, expected);
    r = a;
    AffineCross(r, b, r);
    EXPECT_TRUE(AffineEquals(r, expected));
    r = b;
    AffineCross(a, r, r);
    EXPECT_TRUE(AffineEquals(r, expected));

    AffineLerp(a, b, 0.25f, expected);
    r = b;
    AffineLerp(a, r, 0.25f, r);
    EXPECT_TRUE(AffineEquals(r, expected));

    AffineTriangleNormal(a, b, V3(0, 0, 1), expected);
    r = a;
    AffineTriangleNormal(r, b, V3(0, 0, 1), r);
    EXPECT_TRUE(AffineEquals(r, expected));
}

TEST(VectorGeometryVectors, CrossProductOfAxes)
{
    TVector3f r;
    AffineCross(XVector, YVector, r);
    EXPECT_TRUE(AffineEquals(r, ZVector));
    AffineCross(ZVector, YVector, r);
    EXPECT_TRUE(AffineEquals(r, V3(-1, 0, 0)));
}

TEST(VectorGeometryVectors, RotationSigns)
{
    const float quarter = static_cast<float>(std::numbers::pi / 2);
    // About Y by +angle: X turns to -Z.
    TVector3f v = XVector;
    AffineRotateAroundYInPlace(v, quarter);
    ExpectNear(v, V3(0, 0, -1));
    // About X by -angle: Y turns to -Z, where the X rotation matrix turns it to +Z.
    TVector3f r;
    AffineRotateAroundX(YVector, quarter, r);
    ExpectNear(r, V3(0, 0, -1));
    TMatrix4f m;
    MatrixRotationX(quarter, m);
    TVector4f h;
    HmgTransform(V4(0, 1, 0, 0), m, h);
    ExpectNear(h, V4(0, 0, 1, 0));
}

// ---------------------------------------------------------------------------------------------------------
// Arrays

TEST(VectorGeometryArrays, ElementWiseRoutines)
{
    TTexPoint tex[] = {{1, 2}, {3, 4}};
    TexPointArrayScaleAndAdd(tex, TTexPoint{10, 20}, 2, TTexPoint{2, -1}, tex);
    EXPECT_EQ(tex[1].S, 16.0f);
    EXPECT_EQ(tex[1].T, 16.0f);
    TexPointArrayAdd(tex, TTexPoint{-12, 0}, 2, tex);
    EXPECT_EQ(tex[0].S, 0.0f);
    EXPECT_EQ(tex[0].T, 18.0f);

    TVector3f pts[] = {V3(1, 1, 1), V3(0, 0, 0)};
    AffineArrayAdd(pts, V3(1, 2, 3), 2, pts);
    EXPECT_TRUE(AffineEquals(pts[1], V3(1, 2, 3)));

    TVector4f a[] = {V4(0, 0, 0, 0), V4(1, 1, 1, 1)};
    const TVector4f b[] = {V4(4, 8, -4, 1), V4(3, 3, 3, 3)};
    HmgArrayLerp(a, b, 2, 0.25f, a);
    EXPECT_TRUE(HmgEquals(a[0], V4(1, 2, -1, 0.25f)));
    EXPECT_TRUE(HmgEquals(a[1], V4(1.5f, 1.5f, 1.5f, 1.5f)));

    float f[] = {1, 2, 3, 4, 5};
    FloatArrayScaleInPlace(f, 5, 2);
    FloatArrayOffsetInPlace(f, 4, -1);
    EXPECT_EQ(f[3], 7.0f);
    EXPECT_EQ(f[4], 10.0f);
}

TEST(VectorGeometryArrays, AddInPlaceRunsFromTheLastElementDown)
{
    // Overlapping buffers show the order: each sum reads a value not yet changed.
    float buf[] = {1, 2, 3, 4};
    FloatArrayAddInPlace(buf + 1, buf, 3);
    EXPECT_EQ(buf[1], 3.0f);
    EXPECT_EQ(buf[2], 5.0f);
    EXPECT_EQ(buf[3], 7.0f);
}

TEST(VectorGeometryArrays, CopyAndAppendBuildsAQuaternion)
{
    const std::array<float, 3> imag = {1, 2, 3};
    TQuaternion q{};
    FloatArrayCopyAndAppend(imag, &q, 4);
    EXPECT_EQ(q.ImagPart.Z, 3.0f);
    EXPECT_EQ(q.RealPart, 4.0f);
}

// ---------------------------------------------------------------------------------------------------------
// Triangles and planes

TEST(VectorGeometryPlanes, NormalsAndPlanes)
{
    TVector3f n;
    AffineTriangleNormal(V3(0, 0, 0), V3(1, 1, 1), V3(2, 2, 2), n);
    EXPECT_TRUE(AffineEquals(n, V3(0, 0, 0)));
    AffineTriangleNormal(V3(0, 0, 0), V3(2, 0, 0), V3(0, 3, 0), n);
    EXPECT_TRUE(AffineEquals(n, ZVector));
    HmgTriangleNormal(V4(0, 0, 0, 1), V4(0, 0, 2, 7), V4(0, 3, 0, 1), n);
    EXPECT_TRUE(AffineEquals(n, V3(-1, 0, 0)));

    TVector4f plane;
    AffinePlaneFromPoints(V3(0, 0, 2), V3(1, 0, 2), V3(0, 1, 2), plane);
    EXPECT_TRUE(HmgEquals(plane, V4(0, 0, 1, -2)));
    EXPECT_EQ(PlaneEvaluateAffine(plane, V3(5, 5, 3)), 1.0);

    plane = V4(0, 0, 2, 4);
    HmgPlaneNormalizeInPlace(plane);
    EXPECT_TRUE(HmgEquals(plane, V4(0, 0, 1, 2)));
    plane = V4(0, 0, 0, 4);
    HmgPlaneNormalizeInPlace(plane);
    EXPECT_TRUE(HmgEquals(plane, V4(0, 0, 0, 4)));

    EXPECT_TRUE(HmgPointInHalfSpace(V4(0, 0, 1, 1), V4(0, 0, 0, 1), V4(0, 0, 1, 0)));
    EXPECT_FALSE(HmgPointInHalfSpace(V4(5, 5, 0, 1), V4(0, 0, 0, 1), V4(0, 0, 1, 0)));  // on the plane
}

// ---------------------------------------------------------------------------------------------------------
// Rays

TEST(VectorGeometryRays, RayIntersectPlane)
{
    const TVector4f planePoint = V4(0, 0, 0, 1), normal = V4(0, 0, 1, 0);
    struct Case {
        const char* name;
        TVector4f start, dir;
        bool askPoint, expected;
    };
    const Case cases[] = {
        {"parallel", V4(0, 0, 1, 1), V4(1, 0, 0, 0), true, false},
        {"parallel, no point", V4(0, 0, 1, 1), V4(1, 0, 0, 0), false, false},
        {"ahead", V4(1, 2, 4, 1), V4(0, 0, -2, 0), true, true},
        {"behind", V4(0, 0, 1, 1), V4(0, 0, 1, 0), true, false},
        {"behind, no point", V4(0, 0, 1, 1), V4(0, 0, 1, 0), false, true},
        {"start on the plane", V4(0, 0, 0, 1), V4(0, 0, 1, 0), true, false},
    };
    for (const Case& c : cases) {
        TVector4f point = V4(9, 9, 9, 9);
        EXPECT_EQ(RayIntersectPlane(c.start, c.dir, planePoint, normal, c.askPoint ? &point : nullptr), c.expected)
            << c.name;
    }
    TVector4f start = V4(1, 2, 4, 1);
    EXPECT_TRUE(RayIntersectPlane(start, V4(0, 0, -2, 0), planePoint, normal, &start));
    EXPECT_TRUE(HmgEquals(start, V4(1, 2, 0, 1)));
}

TEST(VectorGeometryRays, RayIntersectTriangle)
{
    // Triangle (0,0,0), (1,0,0), (0,1,0); a ray straight down from (x, y, z) meets it with u = x, v = y.
    const TVector3f p1 = V3(0, 0, 0), p2 = V3(1, 0, 0), p3 = V3(0, 1, 0);
    struct Case {
        const char* name;
        TVector4f start, dir;
        bool expected;
    };
    const Case cases[] = {
        {"inside", V4(0.25f, 0.25f, 1, 1), V4(0, 0, -1, 0), true},
        {"edge u = 0", V4(0, 0.5f, 1, 1), V4(0, 0, -1, 0), true},
        {"edge v = 0", V4(0.5f, 0, 1, 1), V4(0, 0, -1, 0), true},
        {"edge u + v = 1", V4(0.25f, 0.75f, 1, 1), V4(0, 0, -1, 0), true},
        {"vertex", V4(1, 0, 1, 1), V4(0, 0, -1, 0), true},
        {"from below", V4(0.25f, 0.25f, -1, 1), V4(0, 0, 1, 0), true},
        {"beyond u + v = 1", V4(0.5f, 0.625f, 1, 1), V4(0, 0, -1, 0), false},
        {"u < 0", V4(-0.125f, 0.5f, 1, 1), V4(0, 0, -1, 0), false},
        {"v < 0", V4(0.5f, -0.125f, 1, 1), V4(0, 0, -1, 0), false},
        {"t = 0", V4(0.25f, 0.25f, 0, 1), V4(0, 0, -1, 0), false},
        {"behind the start", V4(0.25f, 0.25f, -1, 1), V4(0, 0, -1, 0), false},
        {"parallel", V4(-1, 0.25f, 0, 1), V4(1, 0, 0, 0), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RayIntersectTriangle(c.start, c.dir, p1, p2, p3, nullptr, nullptr), c.expected) << c.name;

    // The point may be written over the ray start; the normal is e1 x e2, not normalised.
    TVector4f point = V4(0.5f, 0.25f, 3, 1), normal;
    EXPECT_TRUE(RayIntersectTriangle(point, V4(0, 0, -2, 0), p1, V3(2, 0, 0), V3(0, 4, 0), &point, &normal));
    EXPECT_TRUE(HmgEquals(point, V4(0.5f, 0.25f, 0, 1)));
    EXPECT_TRUE(HmgEquals(normal, V4(0, 0, 8, 0)));
}

TEST(VectorGeometryRays, RayIntersectSphere)
{
    const TVector4f center = V4(0, 0, 0, 1), unset = V4(7, 7, 7, 7);
    struct Case {
        const char* name;
        TVector4f start, dir;
        int32_t count;
        TVector4f i1, i2;
    };
    const Case cases[] = {
        {"through", V4(0, 0, -5, 1), V4(0, 0, 1, 0), 2, V4(0, 0, -1, 1), V4(0, 0, 1, 1)},
        {"from inside", V4(0, 0, 0.5f, 1), V4(0, 0, 1, 0), 1, V4(0, 0, 1, 1), unset},
        {"from inside, backwards", V4(0, 0, 0.5f, 1), V4(0, 0, -1, 0), 1, V4(0, 0, -1, 1), unset},
        {"tangent ahead", V4(0, 1, -5, 1), V4(0, 0, 1, 0), 1, V4(0, 1, 0, 1), unset},
        {"tangent behind", V4(0, 1, 5, 1), V4(0, 0, 1, 0), 0, unset, unset},
        {"miss", V4(0, 2, -5, 1), V4(0, 0, 1, 0), 0, unset, unset},
        {"sphere behind", V4(0, 0, 5, 1), V4(0, 0, 1, 0), 0, unset, unset},
    };
    for (const Case& c : cases) {
        TVector4f i1 = unset, i2 = unset;
        EXPECT_EQ(RayIntersectSphere(c.start, c.dir, center, 1, i1, i2), c.count) << c.name;
        ExpectNear(i1, c.i1);
        ExpectNear(i2, c.i2);
    }
    // The hits may be written over the ray's start and direction.
    TVector4f start = V4(0, 0, -5, 1), dir = V4(0, 0, 1, 0);
    EXPECT_EQ(RayIntersectSphere(start, dir, center, 1, start, dir), 2);
    ExpectNear(start, V4(0, 0, -1, 1));
    ExpectNear(dir, V4(0, 0, 1, 1));
}

TEST(VectorGeometryRays, RayIntersectPlaneEquation)
{
    const TVector4f plane = V4(0, 0, 1, -2);  // z = 2
    TVector4f point = V4(9, 9, 9, 9);
    EXPECT_EQ(RayIntersectPlaneEquation(V4(1, 1, 2, 1), V4(1, 0, 0, 0), plane, &point), -1);
    EXPECT_EQ(RayIntersectPlaneEquation(V4(1, 1, 3, 1), V4(1, 0, 0, 0), plane, &point), 0);
    EXPECT_TRUE(HmgEquals(point, V4(9, 9, 9, 9)));
    EXPECT_EQ(RayIntersectPlaneEquation(V4(1, 1, 6, 1), V4(0, 0, -2, 0), plane, &point), 1);
    EXPECT_TRUE(HmgEquals(point, V4(1, 1, 2, 1)));
    // The plane behind the start is still met (any t).
    EXPECT_EQ(RayIntersectPlaneEquation(V4(1, 1, 6, 1), V4(0, 0, 1, 0), plane, &point), 1);
    EXPECT_TRUE(HmgEquals(point, V4(1, 1, 2, 1)));
    EXPECT_EQ(RayIntersectPlaneEquation(V4(1, 1, 6, 1), V4(0, 0, 1, 0), plane, nullptr), 1);
}
