// The octree over a triangle list: the shape of the tree, which leaves a triangle is filed in, the walks,
// ray casts and triangle tests against brute force over the same triangles, sphere sweeps, the box queries,
// and queries on a tree that was never built. Random data comes from the program's generator with fixed seeds.
#include "GLOctree.h"

#include "GLBoundingBoxes.h"
#include "GLVectorGeometry.h"
#include "Raises.h"
#include "RandomGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

namespace {

TVector3f V3(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

TVector4f Point(float x, float y, float z)
{
    return TVector4f{{{x, y, z, 1}}};
}

TVector4f Direction(float x, float y, float z)
{
    return TVector4f{{{x, y, z, 0}}};
}

const TVector4f cUntouched{{{-7, -7, -7, -7}}};

float RandomIn(float lo, float hi)
{
    return lo + static_cast<float>(Random()) * (hi - lo);
}

// Drawn x, then y, then z.
TVector3f RandomPoint(const TVector3f& lo, const TVector3f& hi)
{
    const float x = RandomIn(lo.X, hi.X), y = RandomIn(lo.Y, hi.Y);
    return V3(x, y, RandomIn(lo.Z, hi.Z));
}

TVector3f RandomPoint(float lo, float hi)
{
    return RandomPoint(V3(lo, lo, lo), V3(hi, hi, hi));
}

// A small triangle around a random centre in [lo, hi]^3.
void AddRandomTriangle(TAffineVectorList& list, float lo, float hi, float size)
{
    const TVector3f c = RandomPoint(lo, hi);
    for (int k = 0; k < 3; ++k) {
        const TVector3f d = RandomPoint(-size, size);
        list.Add(V3(c.X + d.X, c.Y + d.Y, c.Z + d.Z));
    }
}

struct TBuiltOctree {
    TAffineVectorList Triangles;
    TOctree Tree;

    void Build(int32_t depth)
    {
        TVector3f min, max;
        Triangles.GetExtents(min, max);
        Tree.InitializeTree(min, max, &Triangles, depth);
    }
    void Build(const TVector3f& min, const TVector3f& max, int32_t depth)
    {
        Tree.InitializeTree(min, max, &Triangles, depth);
    }
    const TVector3f& Vertex(int32_t i) const { return Triangles.List()[i]; }
};

void Leaves(TOctreeNode* node, std::vector<TOctreeNode*>& leaves)
{
    if (node->IsLeaf()) {
        leaves.push_back(node);
        return;
    }
    for (auto& child : node->ChildArray) Leaves(child.get(), leaves);
}

std::vector<TOctreeNode*> Leaves(TOctree& tree)
{
    std::vector<TOctreeNode*> leaves;
    Leaves(tree.RootNode.get(), leaves);
    return leaves;
}

TAABB BoxOf(const TOctreeNode* node)
{
    return TAABB{node->MinExtent, node->MaxExtent};
}

// The nearest hit over every triangle, as the octree's ray cast answers it.
struct TBruteHit {
    bool Hit = false;
    TVector4f Point{};
    int32_t Index = -1;
};

TBruteHit BruteForceRayCast(const TAffineVectorList& triangles, const TVector4f& start, const TVector4f& vector)
{
    TBruteHit result;
    double best = std::numeric_limits<double>::infinity();
    const TVector3f* v = triangles.List();
    for (int32_t i = 0; i + 2 < triangles.Count(); i += 3) {
        TVector4f point;
        if (!RayIntersectTriangle(start, vector, v[i], v[i + 1], v[i + 2], &point, nullptr)) continue;
        const double d = HmgDistanceSquared(start, point);
        if (d < best) {
            best = d;
            result = TBruteHit{true, point, i};
        }
    }
    return result;
}

void ExpectPoint(const TVector4f& actual, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.X, x, tolerance);
    EXPECT_NEAR(actual.Y, y, tolerance);
    EXPECT_NEAR(actual.Z, z, tolerance);
}

// A floor of 2 x columns x rows triangles over [0, columns] x [0, rows] at height z.
void AddFloor(TAffineVectorList& list, int columns, int rows, float z)
{
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const float x0 = float(x), y0 = float(y), x1 = x0 + 1, y1 = y0 + 1;
            list.Add(V3(x0, y0, z), V3(x1, y0, z), V3(x1, y1, z));
            list.Add(V3(x1, y1, z), V3(x0, y1, z), V3(x0, y0, z));
        }
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Building

TEST(Octree, DepthZeroIsOneLeafHoldingEveryTriangle)
{
    SetRandSeed(11);
    TBuiltOctree o;
    for (int k = 0; k < 20; ++k) AddRandomTriangle(o.Triangles, -5, 5, 1);
    o.Build(0);
    ASSERT_TRUE(o.Tree.RootNode);
    EXPECT_TRUE(o.Tree.RootNode->IsLeaf());
    EXPECT_EQ(o.Tree.NodeCount, 0);
    EXPECT_EQ(o.Tree.TriCountMesh, 20);
    EXPECT_EQ(o.Tree.TriCountOctree, 20);
    EXPECT_EQ(o.Tree.Intersections, 20);
    std::vector<int32_t> expected;
    for (int32_t i = 0; i < 60; i += 3) expected.push_back(i);
    EXPECT_EQ(o.Tree.RootNode->TriArray, expected);
}

TEST(Octree, ChildBoxesSplitTheParentAtItsMiddle)
{
    TBuiltOctree o;
    o.Triangles.Add(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    o.Build(V3(0, 0, 0), V3(2, 4, 8), 2);
    EXPECT_EQ(o.Tree.NodeCount, 8 + 64);
    EXPECT_EQ(Leaves(o.Tree).size(), 64u);
    // Per child: which half (0 lower, 1 upper) on x, y and z.
    const int halves[8][3] = {{0, 1, 1}, {1, 1, 1}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}};
    for (int k = 0; k < 8; ++k) {
        const TOctreeNode& child = *o.Tree.RootNode->ChildArray[k];
        for (int axis = 0; axis < 3; ++axis) {
            const float size = o.Tree.WorldMaxExtent.V[axis];
            EXPECT_EQ(child.MinExtent.V[axis], halves[k][axis] * size / 2) << "child " << k << " axis " << axis;
            EXPECT_EQ(child.MaxExtent.V[axis], (halves[k][axis] + 1) * size / 2) << "child " << k;
        }
    }
}

TEST(Octree, ATriangleOnTheBoundaryOfTwoChildrenIsFiledInBoth)
{
    TBuiltOctree o;
    // In the plane x = 1 that splits [0, 2]^3, inside the lower halves on y and z.
    o.Triangles.Add(V3(1, 0.2f, 0.2f), V3(1, 0.8f, 0.2f), V3(1, 0.2f, 0.8f));
    o.Build(V3(0, 0, 0), V3(2, 2, 2), 1);
    EXPECT_EQ(o.Tree.TriCountOctree, 1);
    EXPECT_EQ(o.Tree.Intersections, 2);
    EXPECT_EQ(o.Tree.RootNode->ChildArray[7]->TriArray, std::vector<int32_t>{0});
    EXPECT_EQ(o.Tree.RootNode->ChildArray[6]->TriArray, std::vector<int32_t>{0});
}

// Every leaf a triangle touches holds it, those it misses do not: the separating-axis test is the reference.
// Large triangles reach leaves that contain none of their vertices.
TEST(Octree, TrianglesAreFiledInExactlyTheLeavesTheyTouch)
{
    SetRandSeed(2024);
    TBuiltOctree o;
    for (int k = 0; k < 60; ++k) AddRandomTriangle(o.Triangles, -10, 10, k % 3 == 0 ? 8.0f : 1.5f);
    o.Build(V3(-20, -20, -20), V3(20, 20, 20), 2);
    int filed = 0;
    for (TOctreeNode* leaf : Leaves(o.Tree)) {
        const std::set<int32_t> held(leaf->TriArray.begin(), leaf->TriArray.end());
        EXPECT_EQ(held.size(), leaf->TriArray.size());
        for (int32_t i = 0; i < o.Triangles.Count(); i += 3) {
            const bool touches = TriangleOverlapsAABB(BoxOf(leaf), o.Vertex(i), o.Vertex(i + 1), o.Vertex(i + 2));
            EXPECT_EQ(held.count(i) == 1, touches) << "triangle " << i / 3;
            filed += touches;
        }
    }
    EXPECT_EQ(o.Tree.Intersections, filed);
    EXPECT_GT(o.Tree.Intersections, o.Tree.TriCountOctree);
    EXPECT_EQ(o.Tree.TriCountOctree, 60);
}

TEST(Octree, TrianglesOutsideTheBoxAndATrailingPartialTriangleAreNotFiled)
{
    TBuiltOctree o;
    o.Triangles.Add(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    o.Triangles.Add(V3(5, 5, 5), V3(6, 5, 5), V3(5, 6, 5));
    o.Triangles.Add(V3(0, 0, 1)); // no triangle
    o.Build(V3(0, 0, 0), V3(1, 1, 1), 1);
    EXPECT_EQ(o.Tree.TriCountMesh, 2);
    EXPECT_EQ(o.Tree.TriCountOctree, 1);
}

TEST(Octree, RebuildingCountsAfresh)
{
    TBuiltOctree o;
    o.Triangles.Add(V3(0, 0, 0), V3(2, 0, 0), V3(0, 2, 0));
    o.Build(1);
    const int32_t intersections = o.Tree.Intersections;
    o.Build(1);
    EXPECT_EQ(o.Tree.Intersections, intersections);
    EXPECT_EQ(o.Tree.TriCountOctree, 1);
}

TEST(Octree, ADepthThatWouldExhaustMemoryIsRefusedAndANegativeOneBuildsTheRoot)
{
    TBuiltOctree o;
    o.Triangles.Add(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { o.Build(TOctree::cMaxTreeDepth + 1); }),
              "Octree depth 7 is above the largest allowed, 6 (VAVodad\\Source\\Basis\\GLOctree)");
    EXPECT_FALSE(o.Tree.RootNode);
    EXPECT_FALSE(o.Tree.RayCastIntersect(Point(0.2f, 0.2f, 1), Direction(0, 0, -1)));
    o.Build(-3);
    ASSERT_TRUE(o.Tree.RootNode);
    EXPECT_TRUE(o.Tree.RootNode->IsLeaf());
    EXPECT_TRUE(o.Tree.RayCastIntersect(Point(0.2f, 0.2f, 1), Direction(0, 0, -1)));
}

// ---------------------------------------------------------------------------------------------------------
// Walks

TEST(Octree, TheSphereWalkFindsTheLeavesWithinTheRadius)
{
    TBuiltOctree o;
    o.Triangles.Add(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    o.Build(V3(0, 0, 0), V3(2, 2, 2), 1);
    // From the middle of the (min, min, min) child the others lie 0.5, 0.71 or 0.87 away.
    const struct {
        float Radius;
        size_t Leaves;
    } cases[] = {{0.4f, 1}, {0.6f, 4}, {0.75f, 7}, {0.9f, 8}};
    for (const auto& c : cases) {
        o.Tree.WalkSphereToLeaf(o.Tree.RootNode.get(), Point(0.5f, 0.5f, 0.5f), c.Radius);
        EXPECT_EQ(o.Tree.ResultArray.size(), c.Leaves) << "radius " << c.Radius;
    }
    // Below a given node only.
    o.Tree.WalkSphereToLeaf(o.Tree.RootNode->ChildArray[1].get(), Point(0.5f, 0.5f, 0.5f), 0.9f);
    EXPECT_EQ(o.Tree.ResultArray.size(), 1u);
}

TEST(Octree, ARayFromInsideFindsTheLeafItStartsIn)
{
    TBuiltOctree o;
    // A triangle in the leaf [1, 2] x [0, 1] x [0, 1] of a [0, 4]^3 box at depth 2, below the ray's start.
    o.Triangles.Add(V3(1.2f, 0.2f, 0.1f), V3(1.8f, 0.2f, 0.1f), V3(1.5f, 0.8f, 0.1f));
    o.Build(V3(0, 0, 0), V3(4, 4, 4), 2);
    TVector4f point = cUntouched, normal = cUntouched;
    TOctreeTriangleInfo info{};
    ASSERT_TRUE(o.Tree.RayCastIntersect(Point(1.5f, 0.4f, 0.5f), Direction(0, 0, -1), &point, &normal, &info));
    ExpectPoint(point, 1.5f, 0.4f, 0.1f);
    EXPECT_GT(normal.Z, 0);
    EXPECT_EQ(normal.W, 0);
    EXPECT_EQ(info.Index, 0);
    EXPECT_TRUE(AffineEquals(info.Vertex[2], V3(1.5f, 0.8f, 0.1f)));
    // The walk went through the start's leaf only: the box ends below it.
    ASSERT_EQ(o.Tree.ResultArray.size(), 1u);
    EXPECT_EQ(o.Tree.ResultArray[0]->MinExtent.X, 1);
    EXPECT_EQ(o.Tree.ResultArray[0]->MinExtent.Z, 0);
    // Pointing away it misses and writes nothing.
    point = cUntouched;
    EXPECT_FALSE(o.Tree.RayCastIntersect(Point(1.5f, 0.4f, 0.5f), Direction(0, 0, 1), &point));
    EXPECT_TRUE(HmgEquals(point, cUntouched));
}

// ---------------------------------------------------------------------------------------------------------
// Ray casts and triangle tests against brute force

TEST(Octree, RayCastsAgreeWithBruteForce)
{
    struct TMesh {
        const char* Name;
        bool Floor;
        int32_t Depth;
    };
    for (const TMesh mesh : {TMesh{"random triangles", false, 3}, TMesh{"flat floor", true, 3},
                             TMesh{"one leaf", false, 0}}) {
        SetRandSeed(77);
        TBuiltOctree o;
        const bool floor = mesh.Floor;
        if (floor)
            AddFloor(o.Triangles, 12, 9, 0.5f); // the box has no height: its side faces have no area
        else
            for (int k = 0; k < 400; ++k) AddRandomTriangle(o.Triangles, -10, 10, 2);
        o.Build(mesh.Depth);
        int hits = 0;
        for (int r = 0; r < 600; ++r) {
            const TVector3f s = floor ? RandomPoint(V3(-2, -2, 0.5f), V3(14, 11, 5)) : RandomPoint(-14, 14);
            const TVector3f target = floor ? RandomPoint(V3(0, 0, 0.5f), V3(12, 9, 0.5f)) : RandomPoint(-8, 8);
            const TVector4f start = Point(s.X, s.Y, s.Z);
            TVector4f vector;
            HmgSubtract(Point(target.X, target.Y, target.Z), start, vector);
            const TBruteHit expected = BruteForceRayCast(o.Triangles, start, vector);
            TVector4f point = cUntouched;
            TOctreeTriangleInfo info{-1, {}};
            const bool hit = o.Tree.RayCastIntersect(start, vector, &point, nullptr, &info);
            ASSERT_EQ(hit, expected.Hit) << mesh.Name << ", ray " << r;
            if (!hit) continue;
            ++hits;
            EXPECT_TRUE(HmgEquals(point, expected.Point)) << mesh.Name << ", ray " << r;
            EXPECT_EQ(info.Index, expected.Index) << mesh.Name << ", ray " << r;
        }
        EXPECT_GT(hits, 100) << mesh.Name; // the rays are aimed at the mesh
    }
}

TEST(Octree, TriangleTestsAgreeWithBruteForce)
{
    SetRandSeed(5);
    TBuiltOctree o;
    for (int k = 0; k < 300; ++k) AddRandomTriangle(o.Triangles, -10, 10, 2);
    o.Build(3);
    int meets = 0;
    for (int q = 0; q < 400; ++q) {
        TAffineVectorList query;
        AddRandomTriangle(query, -10, 10, q % 2 ? 3.0f : 0.5f);
        const TVector3f *a = query.List(), *t = o.Triangles.List();
        bool expected = false;
        for (int32_t i = 0; i < o.Triangles.Count() && !expected; i += 3)
            expected = TrianglesIntersect(a[0], a[1], a[2], t[i], t[i + 1], t[i + 2]);
        EXPECT_EQ(o.Tree.TriangleIntersect(a[0], a[1], a[2]), expected) << "query " << q;
        meets += expected;
    }
    EXPECT_GT(meets, 20);
    EXPECT_LT(meets, 380);
}

// ---------------------------------------------------------------------------------------------------------
// The triangle-triangle test

TEST(TrianglesIntersect, Cases)
{
    const TVector3f a0 = V3(0, 0, 0), a1 = V3(4, 0, 0), a2 = V3(0, 4, 0); // in z = 0
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* What;
        TVector3f U0, U1, U2;
        bool Meets;
    } cases[] = {
        {"crossing", V3(1, 1, -1), V3(1, 1, 1), V3(2, 0.5f, 1), true},
        {"above", V3(1, 1, 1), V3(2, 1, 1), V3(1, 2, 2), false},
        {"through the plane beside it", V3(5, 5, -1), V3(5, 5, 1), V3(6, 5, 1), false},
        {"touching with a vertex", V3(1, 1, 0), V3(1, 1, 2), V3(2, 1, 2), true},
        {"coplanar overlapping", V3(1, 1, 0), V3(5, 1, 0), V3(1, 5, 0), true},
        {"coplanar inside", V3(0.5f, 0.5f, 0), V3(1, 0.5f, 0), V3(0.5f, 1, 0), true},
        {"coplanar around", V3(-1, -1, 0), V3(10, -1, 0), V3(-1, 10, 0), true},
        {"coplanar apart", V3(5, 5, 0), V3(6, 5, 0), V3(5, 6, 0), false},
        // Without area: a segment. Projected onto any axis plane these overlap the triangle.
        {"segment piercing", V3(1, 1, -1), V3(1, 1, 1), V3(1, 1, 0.5f), true},
        {"segment passing beside", V3(3, 3, -1), V3(3, 3, 1), V3(3, 3, 1), false},
        {"segment above", V3(1, 1, 1), V3(2, 1, 1), V3(3, 1, 1), false},
        {"segment in the plane crossing an edge", V3(-1, 1, 0), V3(1, 1, 0), V3(1, 1, 0), true},
        {"segment in the plane outside", V3(5, 0, 0), V3(5, 5, 0), V3(5, 2, 0), false},
        {"point inside", V3(1, 1, 0), V3(1, 1, 0), V3(1, 1, 0), true},
        {"point above", V3(1, 1, 1), V3(1, 1, 1), V3(1, 1, 1), false},
        {"not a number", V3(nan, 1, -1), V3(1, 1, 1), V3(2, 0.5f, 1), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrianglesIntersect(a0, a1, a2, c.U0, c.U1, c.U2), c.Meets) << c.What;
        EXPECT_EQ(TrianglesIntersect(c.U0, c.U1, c.U2, a2, a1, a0), c.Meets) << c.What << ", swapped";
    }
    EXPECT_FALSE(TrianglesIntersect(V3(0, 0, 0), V3(1, 1, 1), V3(2, 2, 2), V3(0, 2, 0), V3(2, 0, 2), V3(1, 1, 1)))
        << "two triangles without area never meet";
}

TEST(OctreeHelpers, PointInTriangleAndClosestPoints)
{
    const TVector3f a = V3(0, 0, 0), b = V3(4, 0, 0), c = V3(0, 4, 0);
    EXPECT_TRUE(PointInTriangleAngleSum(V3(1, 1, 0), a, b, c));
    EXPECT_FALSE(PointInTriangleAngleSum(V3(3, 3, 0), a, b, c));
    EXPECT_FALSE(PointInTriangleAngleSum(a, a, b, c)); // on a vertex: the edges give the point itself
    EXPECT_FALSE(PointInTriangleAngleSum(V3(1, 1, 0), a, a, a));

    EXPECT_TRUE(AffineEquals(ClosestPointOnSegment(V3(-1, 1, 0), a, b), a));
    EXPECT_TRUE(AffineEquals(ClosestPointOnSegment(V3(9, 1, 0), a, b), b));
    EXPECT_TRUE(AffineEquals(ClosestPointOnSegment(V3(3, 1, 0), a, b), V3(3, 0, 0)));
    EXPECT_TRUE(AffineEquals(ClosestPointOnSegment(V3(3, 1, 0), a, a), a));
    const TVector3f onHypotenuse = ClosestPointOnTriangleEdges(V3(3, 3, 0), a, b, c);
    EXPECT_NEAR(onHypotenuse.X, 2, 1e-6f);
    EXPECT_NEAR(onHypotenuse.Y, 2, 1e-6f);
    EXPECT_TRUE(AffineEquals(ClosestPointOnTriangleEdges(V3(-1, 2, 0), a, b, c), V3(0, 2, 0)));
}

// ---------------------------------------------------------------------------------------------------------
// Sphere sweeps

namespace {

// A floor of two large triangles in z = 0 facing up, in a box from z = -1 to 4.
struct TFloorOctree : TBuiltOctree {
    TFloorOctree()
    {
        Triangles.Add(V3(-10, -10, 0), V3(10, -10, 0), V3(10, 10, 0));
        Triangles.Add(V3(10, 10, 0), V3(-10, 10, 0), V3(-10, -10, 0));
        Build(V3(-10, -10, -1), V3(10, 10, 4), 2);
    }
};

} // namespace

TEST(OctreeSphereSweep, AZeroVelocityAnswersFalseAndWritesNothing)
{
    TFloorOctree o;
    TVector4f point = cUntouched, normal = cUntouched;
    EXPECT_FALSE(o.Tree.SphereSweepIntersect(Point(0, 0, 0.5f), Direction(0, 0, -1), 0, 1, &point, &normal));
    EXPECT_FALSE(o.Tree.SphereSweepIntersect(Point(0, 0, 0.5f), Direction(0, 0, 0), 2, 1, &point, &normal));
    EXPECT_TRUE(HmgEquals(point, cUntouched));
    EXPECT_TRUE(HmgEquals(normal, cUntouched));
}

TEST(OctreeSphereSweep, AnEmbeddedSphereTouchesAtDistanceZero)
{
    // The centre within the radius of the first floor triangle, away from its edges, or right on it.
    for (const float height : {0.5f, 0.0f}) {
        TFloorOctree o;
        TVector4f point = cUntouched, normal = cUntouched;
        ASSERT_TRUE(o.Tree.SphereSweepIntersect(Point(5, -3, height), Direction(1, 0, 0), 3, 1, &point, &normal))
            << "height " << height;
        ExpectPoint(point, 5, -3, 0);
        ExpectPoint(normal, 0, 0, 1); // the unit normal times the radius
    }
}

TEST(OctreeSphereSweep, AMovingSphereTouchesWithinItsReach)
{
    const struct {
        const char* What;
        TVector4f Start, Vector;
        float Velocity, Radius;
        bool Touches;
        TVector3f Contact;
    } cases[] = {
        {"falling onto the floor", Point(1, 2, 3), Direction(0, 0, -2), 5, 1, true, V3(1, 2, 0)},
        {"falling slantwise", Point(1, 2, 3), Direction(1, 0, -1), 5, 1, true, V3(3, 2, 0)},
        {"falling short of it", Point(1, 2, 3), Direction(0, 0, -1), 1.5f, 1, false, {}},
        {"rising away from it", Point(1, 2, 3), Direction(0, 0, 1), 5, 1, false, {}},
        {"below it, facing away", Point(1, 2, -0.5f), Direction(0, 0, 1), 5, 0.25f, false, {}},
        {"a point falling", Point(1, 2, 3), Direction(0, 0, -1), 5, 0, true, V3(1, 2, 0)},
    };
    for (const auto& c : cases) {
        TFloorOctree o;
        TVector4f point = cUntouched;
        EXPECT_EQ(o.Tree.SphereSweepIntersect(c.Start, c.Vector, c.Velocity, c.Radius, &point, nullptr), c.Touches)
            << c.What;
        if (c.Touches)
            ExpectPoint(point, c.Contact.X, c.Contact.Y, c.Contact.Z, 1e-4f);
        else
            EXPECT_TRUE(HmgEquals(point, cUntouched)) << c.What;
    }
}

TEST(OctreeSphereSweep, ASpherePassingAnEdgeTouchesItWhereItWouldReachIt)
{
    // An upright wall facing -x with its bottom edge at z = 0; the sphere moves along +x under the edge...
    TBuiltOctree o;
    o.Triangles.Add(V3(5, -5, 0), V3(5, 5, 10), V3(5, 5, 0));
    o.Triangles.Add(V3(5, 5, 10), V3(5, -5, 0), V3(5, -5, 10));
    o.Build(V3(0, -5, -5), V3(10, 5, 10), 2);
    // ... with its top 0.5 above the edge: the contact is the edge point straight ahead.
    TVector4f point = cUntouched;
    ASSERT_TRUE(o.Tree.SphereSweepIntersect(Point(1, 0, -0.5f), Direction(1, 0, 0), 6, 1, &point, nullptr));
    ExpectPoint(point, 5, 0, 0, 1e-4f);
    // Passing 0.5 below the edge it misses.
    EXPECT_FALSE(o.Tree.SphereSweepIntersect(Point(1, 0, -1.5f), Direction(1, 0, 0), 6, 1, nullptr, nullptr));
}

TEST(OctreeSphereSweep, TrianglesWithoutAreaAreSkipped)
{
    TBuiltOctree o;
    o.Triangles.Add(V3(0, 0, 0), V3(1, 1, 0), V3(2, 2, 0));
    o.Triangles.Add(V3(1, 1, 0), V3(1, 1, 0), V3(1, 1, 0));
    o.Build(V3(-1, -1, -1), V3(3, 3, 3), 1);
    TVector4f point = cUntouched;
    EXPECT_FALSE(o.Tree.SphereSweepIntersect(Point(1, 1, 1), Direction(0, 0, -1), 3, 1, &point, nullptr));
    EXPECT_FALSE(o.Tree.RayCastIntersect(Point(1, 1, 1), Direction(0, 0, -1), &point));
    EXPECT_TRUE(HmgEquals(point, cUntouched));
}

// ---------------------------------------------------------------------------------------------------------
// Box queries

TEST(OctreeBoxes, TrianglesNearABoxComeOnceInIndexOrder)
{
    TBuiltOctree o;
    AddFloor(o.Triangles, 4, 4, 0); // 32 triangles, most in several leaves
    o.Triangles.Add(V3(0, 0, 3), V3(4, 0, 3), V3(0, 4, 3)); // over the whole box, index 96
    o.Build(V3(0, 0, 0), V3(4, 4, 4), 2);
    ASSERT_GT(o.Tree.Intersections, o.Tree.TriCountOctree);

    const auto list = o.Tree.GetTrianglesFromNodesIntersectingAABB(TAABB{V3(0.5f, 0.5f, -1), V3(1.5f, 1.5f, 0.5f)});
    // The floor triangles of the leaves [0, 2]^2 x [0, 1]: cells (0..1, 0..1) and those sharing their edges.
    std::vector<int32_t> firstVertexOf;
    for (int32_t k = 0; k < list->Count(); k += 3)
        for (int32_t i = 0; i < o.Triangles.Count(); i += 3)
            if (AffineEquals(list->List()[k], o.Vertex(i)) && AffineEquals(list->List()[k + 1], o.Vertex(i + 1)))
                firstVertexOf.push_back(i);
    ASSERT_EQ(static_cast<int32_t>(firstVertexOf.size()) * 3, list->Count());
    EXPECT_TRUE(std::is_sorted(firstVertexOf.begin(), firstVertexOf.end()));
    EXPECT_EQ(std::set<int32_t>(firstVertexOf.begin(), firstVertexOf.end()).size(), firstVertexOf.size());
    EXPECT_EQ(std::count(firstVertexOf.begin(), firstVertexOf.end(), 96), 0); // its leaves lie higher
    EXPECT_EQ(firstVertexOf.front(), 0);

    const auto everything = o.Tree.GetTrianglesFromNodesIntersectingAABB(TAABB{V3(-1, -1, -1), V3(5, 5, 5)});
    EXPECT_EQ(everything->Count(), o.Triangles.Count());
    const auto identity = o.Tree.GetTrianglesFromNodesIntersectingCube(TAABB{V3(-1, -1, -1), V3(5, 5, 5)},
                                                                       IdentityHmgMatrix, IdentityHmgMatrix);
    EXPECT_EQ(identity->Count(), o.Triangles.Count());
}

TEST(OctreeBoxes, ABoxIsTestedAgainstTheTrianglesInItsOwnSpace)
{
    TBuiltOctree o;
    AddFloor(o.Triangles, 4, 4, 0);
    o.Build(V3(0, 0, -1), V3(4, 4, 1), 2);
    // The box [-0.5, 0.5]^3 in a space 2 units to the right of the octree's and 1 up.
    TMatrix4f boxToTree, treeToBox;
    MatrixTranslation(V3(2, 0, 1), boxToTree);
    MatrixTranslation(V3(-2, 0, -1), treeToBox);
    const TAABB box{V3(-0.5f, 0.25f, -1.5f), V3(0.5f, 0.75f, -0.5f)};
    TAffineVectorList found;
    ASSERT_TRUE(o.Tree.AABBIntersect(box, boxToTree, treeToBox, &found));
    ASSERT_GT(found.Count(), 0);
    for (int32_t i = 0; i < found.Count(); ++i) {
        EXPECT_EQ(found.List()[i].Z, -1) << "the floor at the box's height";
        EXPECT_TRUE(TriangleOverlapsAABB(box, found.List()[i / 3 * 3], found.List()[i / 3 * 3 + 1],
                                         found.List()[i / 3 * 3 + 2]));
    }
    // The floor cells around x = 2, y = 0.5 of the octree: (1, 0) and (2, 0), both triangles each.
    EXPECT_EQ(found.Count(), 4 * 3);
    EXPECT_TRUE(o.Tree.AABBIntersect(box, boxToTree, treeToBox));
    // Lifted above the floor it meets nothing.
    MatrixTranslation(V3(2, 0, 2), boxToTree);
    MatrixTranslation(V3(-2, 0, -2), treeToBox);
    EXPECT_FALSE(o.Tree.AABBIntersect(box, boxToTree, treeToBox, &found));
    EXPECT_EQ(found.Count(), 4 * 3);
}

// A thin plate across a long, narrow mesh: no corner of either box lies in the other and no edge of the plate
// crosses a leaf, yet the plate cuts the mesh's wall.
TEST(OctreeBoxes, AThinBoxAcrossALongNodeFindsItsTriangles)
{
    TBuiltOctree o;
    // A wall 100 long, 1 high, in the plane y = 0.5 of a corridor box 100 x 1 x 1; one leaf at depth 0.
    o.Triangles.Add(V3(0, 0.5f, 0), V3(100, 0.5f, 0), V3(100, 0.5f, 1));
    o.Triangles.Add(V3(100, 0.5f, 1), V3(0, 0.5f, 1), V3(0, 0.5f, 0));
    o.Build(V3(0, 0, 0), V3(100, 1, 1), 0);
    const TAABB plate{V3(49.9f, -5, -5), V3(50.1f, 5, 5)};
    const TAABB corridor{V3(0, 0, 0), V3(100, 1, 1)};
    ASSERT_FALSE(AABBsIntersectTransformed(plate, corridor, IdentityHmgMatrix, IdentityHmgMatrix))
        << "the one-way box test misses this";
    EXPECT_EQ(o.Tree.GetTrianglesFromNodesIntersectingCube(plate, IdentityHmgMatrix, IdentityHmgMatrix)->Count(), 6);
    EXPECT_TRUE(o.Tree.AABBIntersect(plate, IdentityHmgMatrix, IdentityHmgMatrix));
}

// ---------------------------------------------------------------------------------------------------------
// A tree that was never built, or was disposed

TEST(Octree, QueriesWithoutATreeFindNothing)
{
    TBuiltOctree built;
    built.Triangles.Add(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    built.Build(1);
    built.Tree.RayCastIntersect(Point(0.2f, 0.2f, 1), Direction(0, 0, -1));
    ASSERT_FALSE(built.Tree.ResultArray.empty());
    built.Tree.DisposeTree();
    EXPECT_TRUE(built.Tree.ResultArray.empty());
    EXPECT_FALSE(built.Tree.TriangleFiler);

    TOctree never;
    for (TOctree* tree : {&never, &built.Tree}) {
        TVector4f point = cUntouched;
        EXPECT_FALSE(tree->RayCastIntersect(Point(0.2f, 0.2f, 1), Direction(0, 0, -1), &point));
        EXPECT_FALSE(tree->SphereSweepIntersect(Point(0.2f, 0.2f, 1), Direction(0, 0, -1), 2, 1, &point));
        EXPECT_TRUE(HmgEquals(point, cUntouched));
        EXPECT_FALSE(tree->TriangleIntersect(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)));
        const TAABB box{V3(-1, -1, -1), V3(1, 1, 1)};
        EXPECT_EQ(tree->GetTrianglesFromNodesIntersectingAABB(box)->Count(), 0);
        EXPECT_EQ(tree->GetTrianglesFromNodesIntersectingCube(box, IdentityHmgMatrix, IdentityHmgMatrix)->Count(), 0);
        EXPECT_FALSE(tree->AABBIntersect(box, IdentityHmgMatrix, IdentityHmgMatrix));
        tree->WalkSphereToLeaf(tree->RootNode.get(), Point(0, 0, 0), 5);
        EXPECT_TRUE(tree->ResultArray.empty());
    }
}
