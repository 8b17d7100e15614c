#include "GLBoundingBoxes.h"
#include "GLVectorGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

namespace {

TVector3f V3(float x, float y, float z) { return TVector3f{{{x, y, z}}}; }
TVector4f V4(float x, float y, float z, float w) { return TVector4f{{{x, y, z, w}}}; }
TAABB Box(TVector3f min, TVector3f max) { return TAABB{min, max}; }

::testing::AssertionResult Near(const TVector3f& a, const TVector3f& b, float tol = 1e-5f)
{
    for (int i = 0; i < 3; ++i)
        if (!(std::fabs(a.V[i] - b.V[i]) <= tol))
            return ::testing::AssertionFailure() << "(" << a.X << ", " << a.Y << ", " << a.Z << ") vs (" << b.X
                                                 << ", " << b.Y << ", " << b.Z << ")";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameBox(const TAABB& a, const TAABB& b, float tol = 1e-5f)
{
    if (!Near(a.Min, b.Min, tol) || !Near(a.Max, b.Max, tol))
        return ::testing::AssertionFailure() << "min " << Near(a.Min, b.Min, tol).message() << " max "
                                             << Near(a.Max, b.Max, tol).message();
    return ::testing::AssertionSuccess();
}

TMatrix4f Translation(float x, float y, float z)
{
    TMatrix4f m;
    MatrixTranslation(V3(x, y, z), m);
    return m;
}

TMatrix4f RotationZ(float angle)
{
    TMatrix4f m;
    MatrixRotationZ(angle, m);
    return m;
}

// Reference for the triangle test: clip the triangle by the box's six half-spaces; it overlaps when
// something is left.
bool ClippedTriangleRemains(const TAABB& box, const TVector3f& p1, const TVector3f& p2, const TVector3f& p3)
{
    std::vector<TVector3f> polygon = {p1, p2, p3};
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 2; ++side) {
            auto inside = [&](const TVector3f& p) {
                return side == 0 ? p.V[axis] >= box.Min.V[axis] : p.V[axis] <= box.Max.V[axis];
            };
            const float limit = side == 0 ? box.Min.V[axis] : box.Max.V[axis];
            std::vector<TVector3f> out;
            for (size_t i = 0; i < polygon.size(); ++i) {
                const TVector3f& a = polygon[i];
                const TVector3f& b = polygon[(i + 1) % polygon.size()];
                if (inside(a))
                    out.push_back(a);
                if (inside(a) != inside(b)) {
                    const float t = (limit - a.V[axis]) / (b.V[axis] - a.V[axis]);
                    TVector3f p;
                    AffineLerp(a, b, t, p);
                    p.V[axis] = limit;
                    out.push_back(p);
                }
            }
            polygon = out;
            if (polygon.empty())
                return false;
        }
    return true;
}

} // namespace

// ------------------------------------------------------------------------------------------------------------
// Corner layouts and conversions

TEST(HmgBoundingBox, CornerLayoutAndRoundTrip)
{
    const TAABB aabb = Box(V3(1, 2, 3), V3(4, 5, 6));
    const THmgBoundingBox box = AABBToHmgBox(aabb);
    const TVector3f expected[8] = {V3(4, 5, 6), V3(4, 2, 6), V3(4, 2, 3), V3(4, 5, 3),
                                   V3(1, 5, 6), V3(1, 2, 6), V3(1, 2, 3), V3(1, 5, 3)};
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(Near(V3(box.BBox[i].X, box.BBox[i].Y, box.BBox[i].Z), expected[i], 0)) << "corner " << i;
        EXPECT_EQ(box.BBox[i].W, 1) << "corner " << i;
    }
    EXPECT_TRUE(SameBox(HmgBoxToAABB(box), aabb, 0));
}

TEST(HmgBoundingBox, SetFaceMovesTheFaceCorners)
{
    struct Case { int face; int corners[4]; int axis; };
    const Case cases[] = {{0, {0, 1, 2, 3}, 0}, {1, {4, 5, 6, 7}, 0}, {2, {0, 4, 7, 3}, 1},
                          {3, {1, 5, 6, 2}, 1}, {4, {0, 1, 5, 4}, 2}, {5, {2, 3, 7, 6}, 2}};
    for (const Case& c : cases) {
        const THmgBoundingBox original = AABBToHmgBox(Box(V3(0, 0, 0), V3(1, 1, 1)));
        THmgBoundingBox box = original;
        box.BBox[c.corners[0]].W = 0;
        HmgBoxSetFace(box, c.face, -7.25);
        for (int i = 0; i < 8; ++i) {
            const bool onFace = std::find(c.corners, c.corners + 4, i) != c.corners + 4;
            for (int axis = 0; axis < 3; ++axis) {
                const float want = onFace && axis == c.axis ? -7.25f : original.BBox[i].V[axis];
                EXPECT_EQ(box.BBox[i].V[axis], want) << "face " << c.face << " corner " << i;
            }
            EXPECT_EQ(box.BBox[i].W, 1);
        }
    }
}

TEST(HmgBoundingBox, EqualsIncludeTransformOffset)
{
    THmgBoundingBox a = AABBToHmgBox(Box(V3(0, 0, 0), V3(1, 1, 1)));
    THmgBoundingBox b = a;
    EXPECT_TRUE(HmgBoxEquals(a, b));
    b.BBox[6].X = -0.0f; // compared by bits
    EXPECT_FALSE(HmgBoxEquals(a, b));

    THmgBoundingBox result;
    HmgBoxInclude(a, AABBToHmgBox(Box(V3(0.5f, -1, 0.2f), V3(2, 0.5f, 0.3f))), result);
    const THmgBoundingBox grown = AABBToHmgBox(Box(V3(0, -1, 0), V3(2, 1, 1)));
    EXPECT_TRUE(HmgBoxEquals(a, grown));
    EXPECT_TRUE(HmgBoxEquals(result, grown));

    THmgBoundingBox moved = AABBToHmgBox(Box(V3(0, 0, 0), V3(1, 1, 1)));
    HmgBoxTransformInPlace(moved, Translation(1, 2, 3));
    EXPECT_TRUE(HmgBoxEquals(moved, AABBToHmgBox(Box(V3(1, 2, 3), V3(2, 3, 4)))));
    THmgBoundingBox offset = AABBToHmgBox(Box(V3(0, 0, 0), V3(1, 1, 1)));
    EXPECT_EQ(&HmgBoxOffsetInPlace(offset, V4(1, 2, 3, 9)), &offset);
    EXPECT_TRUE(HmgBoxEquals(offset, moved)); // w stays 1
}

TEST(AABB, CornersAndPlanes)
{
    TAABBCorners corners;
    AABBCorners(Box(V3(1, 2, 3), V3(4, 5, 6)), corners);
    const TVector3f expected[8] = {V3(1, 2, 3), V3(4, 2, 3), V3(4, 5, 3), V3(1, 5, 3),
                                   V3(1, 2, 6), V3(4, 2, 6), V3(4, 5, 6), V3(1, 5, 6)};
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(Near(corners[i], expected[i], 0)) << "corner " << i;

    TAABBPlanes planes;
    AABBCornerPlanes(corners, planes);
    // Outward normals in the order x = max, y = max, z = min, x = min, y = min, z = max.
    const TVector4f expectedPlanes[6] = {V4(1, 0, 0, -4),  V4(0, 1, 0, -5),  V4(0, 0, -1, 3),
                                         V4(-1, 0, 0, 1), V4(0, -1, 0, 2), V4(0, 0, 1, -6)};
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(planes[i].V[k], expectedPlanes[i].V[k], 1e-6f) << "plane " << i;
}

// ------------------------------------------------------------------------------------------------------------
// Axis-aligned box arithmetic

TEST(AABB, GrowScaleOffsetIntersect)
{
    TAABB box = Box(V3(0, 0, 0), V3(1, 1, 1));
    AABBIncludePoint(box, V3(-1, 0.5f, 3));
    EXPECT_TRUE(SameBox(box, Box(V3(-1, 0, 0), V3(1, 1, 3)), 0));
    AABBIncludeInPlace(box, Box(V3(0, -2, 0), V3(4, 0, 0)));
    EXPECT_TRUE(SameBox(box, Box(V3(-1, -2, 0), V3(4, 1, 3)), 0));
    // Mins meet Mins and Maxes meet Maxes: an empty box changes nothing, and a box turned inside out by a
    // negative scale does not stretch the other across the gap between its corners.
    const float inf = std::numeric_limits<float>::infinity();
    AABBIncludeInPlace(box, Box(V3(inf, inf, inf), V3(-inf, -inf, -inf)));
    EXPECT_TRUE(SameBox(box, Box(V3(-1, -2, 0), V3(4, 1, 3)), 0));
    TAABB turned = Box(V3(1, 1, 1), V3(2, 2, 2));
    AABBIncludeInPlace(turned, Box(V3(6, 0, 1), V3(5, 3, 2)));
    EXPECT_TRUE(SameBox(turned, Box(V3(1, 0, 1), V3(5, 3, 2)), 0));
    AABBOffsetInPlace(box, V3(1, 2, 3));
    EXPECT_TRUE(SameBox(box, Box(V3(0, 0, 3), V3(5, 3, 6)), 0));

    TAABB scaled = Box(V3(1, 1, 1), V3(2, 2, 2));
    AABBScaleInPlace(scaled, V3(-1, 2, 3));
    EXPECT_TRUE(SameBox(scaled, Box(V3(-1, 2, 3), V3(-2, 4, 6)), 0));
    EXPECT_GT(scaled.Min.X, scaled.Max.X); // not reordered

    TAABB r;
    AABBIntersection(Box(V3(0, 0, 0), V3(2, 2, 2)), Box(V3(1, -1, 1), V3(3, 1, 3)), r);
    EXPECT_TRUE(SameBox(r, Box(V3(1, 0, 1), V3(2, 1, 2)), 0));
    AABBIntersection(Box(V3(0, 0, 0), V3(1, 1, 1)), Box(V3(2, 0, 0), V3(3, 1, 1)), r);
    EXPECT_GT(r.Min.X, r.Max.X); // empty, not detected

    AABBFromHalfSize(box, V4(-1, 2, -3, 9));
    EXPECT_TRUE(SameBox(box, Box(V3(-1, -2, -3), V3(1, 2, 3)), 0));
    AABBFromSphere(V4(1, 2, 3, 1), 2, box);
    EXPECT_TRUE(SameBox(box, Box(V3(-1, 0, 1), V3(3, 4, 5)), 0));

    float min, max;
    FloatMinMax3(min, max, 3, -1, 2);
    EXPECT_EQ(min, -1);
    EXPECT_EQ(max, 3);
}

TEST(AABB, TransformEnclosesTheTurnedCorners)
{
    TAABB box = Box(V3(-1, -1, -1), V3(1, 1, 1));
    TMatrix4f m;
    MatrixProduct(RotationZ(std::numbers::pi_v<float> / 4), Translation(10, 0, 0), m);
    AABBTransformInPlace(box, m);
    const float r = std::sqrt(2.0f);
    EXPECT_TRUE(SameBox(box, Box(V3(10 - r, -r, -1), V3(10 + r, r, 1))));
}

TEST(AABB, OverlapAndContainment)
{
    const TAABB unit = Box(V3(0, 0, 0), V3(1, 1, 1));
    struct Case { TAABB other; bool overlap; };
    const Case cases[] = {
        {Box(V3(1, 1, 1), V3(2, 2, 2)), true},          // touching at a corner
        {Box(V3(0.2f, 0.2f, 0.2f), V3(0.3f, 0.3f, 0.3f)), true}, // inside
        {Box(V3(-5, -5, -5), V3(5, 5, 5)), true},       // around
        {Box(V3(1.01f, 0, 0), V3(2, 1, 1)), false},     // apart in x
        {Box(V3(0, -2, 0), V3(1, -0.01f, 1)), false},   // apart in y
        {Box(V3(0, 0, 1.5f), V3(1, 1, 2)), false},      // apart in z
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AABBsOverlap(unit, c.other), c.overlap) << c.other.Min.X << " " << c.other.Min.Y;
        EXPECT_EQ(AABBsOverlap(c.other, unit), c.overlap);
    }

    EXPECT_TRUE(AABBContainsPoint(V4(1, 1, 1, 0), unit));
    EXPECT_TRUE(AABBContainsPoint(V4(0, 0.5f, 0, 123), unit));
    EXPECT_FALSE(AABBContainsPoint(V4(1.0001f, 0.5f, 0.5f, 1), unit));
    EXPECT_FALSE(AABBContainsPoint(V4(0.5f, 0.5f, -0.0001f, 1), unit));
}

// ------------------------------------------------------------------------------------------------------------
// Plane, triangle and transformed-box tests

TEST(PlaneOverlapsBox, SidesAndTouching)
{
    const TVector3f half = V3(1, 2, 3);
    struct Case { TVector3f normal; float d; bool overlap; };
    const Case cases[] = {
        {V3(1, 0, 0), 0, true},        // through the centre
        {V3(1, 0, 0), -1, true},       // touching the x = 1 face
        {V3(1, 0, 0), -1.01f, false},  // just beyond it
        {V3(-1, 0, 0), -1.01f, false}, // beyond the other side
        {V3(1, 0, 0), 1.01f, false},   // box wholly on the positive side
        {V3(1, 1, 1), -5.99f, true},   // diagonal plane near the far corner
        {V3(1, 1, 1), -6.01f, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaneOverlapsBox(c.normal, half, c.d), c.overlap) << c.normal.X << " " << c.d;
}

TEST(TriangleOverlapsAABB, Cases)
{
    const TAABB box = Box(V3(-1, -1, -1), V3(1, 1, 1));
    struct Case { const char* name; TVector3f p1, p2, p3; bool overlap; };
    const Case cases[] = {
        {"inside", V3(0, 0, 0), V3(0.5f, 0, 0), V3(0, 0.5f, 0), true},
        {"far away", V3(5, 5, 5), V3(6, 5, 5), V3(5, 6, 5), false},
        {"lying in the face z = 1", V3(-0.5f, -0.5f, 1), V3(0.5f, -0.5f, 1), V3(0, 0.5f, 1), true},
        {"just above that face", V3(-0.5f, -0.5f, 1.001f), V3(0.5f, -0.5f, 1.001f), V3(0, 0.5f, 1.001f), false},
        {"touching a corner with a vertex", V3(1, 1, 1), V3(2, 1, 1), V3(1, 2, 1), true},
        {"large, vertices all outside", V3(-10, -10, 0), V3(10, -10, 0), V3(0, 10, 0), true},
        // Only an edge x box-axis separates this one: extents and plane overlap the box.
        {"past the z edge", V3(1.5f, 0.8f, 0), V3(0.8f, 1.5f, 0), V3(2, 2, 0), false},
        {"past the far corner", V3(3.3f, 0, 0), V3(0, 3.3f, 0), V3(0, 0, 3.3f), false},
        {"cutting the far corner", V3(2.9f, 0, 0), V3(0, 2.9f, 0), V3(0, 0, 2.9f), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TriangleOverlapsAABB(box, c.p1, c.p2, c.p3), c.overlap) << c.name;
}

TEST(TriangleOverlapsAABB, AgreesWithClippingOnRandomTriangles)
{
    const TAABB box = Box(V3(1, 2, 3), V3(2, 4, 4));
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> centre(0, 4), spread(-1.5f, 1.5f);
    int overlaps = 0;
    for (int i = 0; i < 3000; ++i) {
        const TVector3f c = V3(centre(rng) - 0.5f, centre(rng) + 1, centre(rng) + 1.5f);
        TVector3f p[3];
        for (TVector3f& v : p)
            v = V3(c.X + spread(rng), c.Y + spread(rng), c.Z + spread(rng));
        const bool expected = ClippedTriangleRemains(box, p[0], p[1], p[2]);
        overlaps += expected;
        ASSERT_EQ(TriangleOverlapsAABB(box, p[0], p[1], p[2]), expected) << "triangle " << i;
    }
    EXPECT_GT(overlaps, 500); // both answers well represented
    EXPECT_LT(overlaps, 2500);
}

TEST(AABBsIntersectTransformed, CornersAndEdgeFaceCrossings)
{
    const TAABB unit = Box(V3(-1, -1, -1), V3(1, 1, 1));
    const TAABB rod = Box(V3(-3, -0.5f, -0.5f), V3(3, 0.5f, 0.5f));
    const TAABB post = Box(V3(-0.5f, -3, -1), V3(0.5f, 3, 1));
    TMatrix4f quarter, quarterBack; // exact quarter turns about z
    MatrixRotationZSinCos(1, 0, quarter);
    MatrixRotationZSinCos(-1, 0, quarterBack);
    const float eighth = std::numbers::pi_v<float> / 4;
    auto placed = [&](float x, float angle, TMatrix4f& to, TMatrix4f& back) {
        MatrixProduct(RotationZ(angle), Translation(x, 0, 0), to);
        MatrixInverse(to, back);
    };
    TMatrix4f near2To1, near1To2, far2To1, far1To2;
    placed(2.2f, eighth, near2To1, near1To2); // a turned corner reaches x = 0.786, inside
    placed(2.5f, eighth, far2To1, far1To2);   // it stops at x = 1.086

    struct Case { const char* name; TAABB box1, box2; TMatrix4f m1To2, m2To1; bool intersect; };
    const Case cases[] = {
        {"plus sign, no corner inside", rod, post, IdentityHmgMatrix, IdentityHmgMatrix, true},
        {"plus sign of turned rods", rod, Box(V3(-3, -0.5f, -1), V3(3, 0.5f, 1)), quarterBack, quarter, true},
        {"corner of box2 inside box1", unit, unit, Translation(-1.5f, -1.5f, -1.5f), Translation(1.5f, 1.5f, 1.5f), true},
        {"apart", unit, unit, Translation(-10, 0, 0), Translation(10, 0, 0), false},
        {"turned box reaching in", unit, unit, near1To2, near2To1, true},
        {"turned box short of it", unit, unit, far1To2, far2To1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AABBsIntersectTransformed(c.box1, c.box2, c.m1To2, c.m2To1), c.intersect) << c.name;
}

// ------------------------------------------------------------------------------------------------------------
// Screen rectangles and rays

TEST(AABBToScreenRect, ProjectedCornersWithoutYFlip)
{
    TScreenRectF r;
    AABBToScreenRect(Box(V3(-0.5f, -0.5f, 0), V3(0.5f, 0.5f, 0)), IdentityHmgMatrix, 200, 100, r);
    EXPECT_FLOAT_EQ(r.Left, 50);
    EXPECT_FLOAT_EQ(r.Right, 150);
    EXPECT_FLOAT_EQ(r.Top, 25);
    EXPECT_FLOAT_EQ(r.Bottom, 75);

    TMatrix4f projection;
    MatrixPerspectiveProjection(90, 1, 1, 100, projection);
    AABBToScreenRect(Box(V3(-1, 0, -11), V3(1, 1, -9)), projection, 100, 100, r);
    EXPECT_NEAR(r.Left, 50 * (1 - 1.0f / 9), 1e-3f);
    EXPECT_NEAR(r.Right, 50 * (1 + 1.0f / 9), 1e-3f);
    EXPECT_NEAR(r.Top, 50, 1e-3f);
    EXPECT_NEAR(r.Bottom, 50 * (1 + 1.0f / 9), 1e-3f);

    ScreenRectIncludePoint(r, 0, 99);
    EXPECT_EQ(r.Left, 0);
    EXPECT_EQ(r.Bottom, 99);
}

TEST(AABBToScreenRect, CornersAtOrBehindTheEyeGiveTheWholeViewport)
{
    TMatrix4f projection;
    MatrixPerspectiveProjection(60, 1.5f, 1, 100, projection);
    const TAABB cases[] = {
        Box(V3(-1, -1, -5), V3(1, 1, 2)),   // straddling the eye plane
        Box(V3(-1, -1, 0), V3(1, 1, 1)),    // touching it (w = 0)
        Box(V3(-1, -1, 3), V3(1, 1, 4)),    // wholly behind
    };
    for (const TAABB& box : cases) {
        TScreenRectF r{1, 2, 3, 4};
        AABBToScreenRect(box, projection, 640, 480, r);
        EXPECT_EQ(r.Left, 0);
        EXPECT_EQ(r.Top, 0);
        EXPECT_EQ(r.Right, 640);
        EXPECT_EQ(r.Bottom, 480);
    }
}

TEST(RayIntersectAABB, SlabCases)
{
    const TAABB box = Box(V3(0, 0, 0), V3(1, 1, 1));
    struct Case { const char* name; TVector3f origin, direction; bool hit; float tNear, tFar; };
    const Case cases[] = {
        {"from inside along +x", V3(0.5f, 0.5f, 0.5f), V3(1, 0, 0), true, -0.5f, 0.5f},
        {"from outside, unnormalised direction", V3(-1, 0.5f, 0.5f), V3(2, 0, 0), true, 0.5f, 1},
        {"backwards direction", V3(2, 0.5f, 0.5f), V3(-1, 0, 0), true, 1, 2},
        {"diagonal through corners", V3(-1, -1, -1), V3(1, 1, 1), true, 1, 2},
        {"parallel, outside the y slab", V3(-1, 2, 0.5f), V3(1, 0, 0), false, 0, 0},
        {"box behind the origin", V3(2, 0.5f, 0.5f), V3(1, 0, 0), false, 0, 0},
        {"diagonal miss", V3(-1, 2, 0.5f), V3(1, 1, 0), false, 0, 0},
    };
    for (const Case& c : cases) {
        float tNear = 0, tFar = 0;
        ASSERT_EQ(RayIntersectAABB(c.origin, c.direction, box, tNear, tFar), c.hit) << c.name;
        if (c.hit) {
            EXPECT_FLOAT_EQ(tNear, c.tNear) << c.name;
            EXPECT_FLOAT_EQ(tFar, c.tFar) << c.name;
        }
    }
}
