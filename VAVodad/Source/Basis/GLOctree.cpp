#include "GLOctree.h"

#include "GLBoundingBoxes.h"
#include "GLVectorGeometry.h"
#include "SysUtils.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>

namespace {

const char* const cUnit = "VAVodad\\Source\\Basis\\GLOctree";

constexpr double cInfinity = std::numeric_limits<double>::infinity();
// The sweep reaches this much further than the sphere and its velocity.
constexpr float cSweepMargin = 0.05f;
constexpr double cAngleSumTolerance = 0.005;
// Plane distances below this count as touching in the triangle-triangle test.
constexpr double cTriTriEpsilon = 1e-6;
// A triangle whose edges from its first vertex are closer to parallel than this sine has no area.
constexpr double cDegenerateSineSquared = 1e-12;

// Per child and axis: the upper half of the parent (Mid..Max) or the lower (Min..Mid).
constexpr bool cChildUpperHalf[8][3] = {{false, true, true},  {true, true, true},   {true, false, true},
                                        {false, false, true}, {false, true, false}, {true, true, false},
                                        {true, false, false}, {false, false, false}};

// The box faces as four corners c0..c3; per axis the node's Max (true) or Min.
constexpr bool cFaceCornerAtMax[6][4][3] = {
    {{false, true, true}, {true, true, true}, {true, false, true}, {false, false, true}},     // z max
    {{false, true, false}, {true, true, false}, {true, false, false}, {false, false, false}}, // z min
    {{false, true, true}, {true, true, true}, {true, true, false}, {false, true, false}},     // y max
    {{false, false, true}, {true, false, true}, {true, false, false}, {false, false, false}}, // y min
    {{false, true, true}, {false, false, true}, {false, false, false}, {false, true, false}}, // x min
    {{true, false, true}, {true, true, true}, {true, true, false}, {true, false, false}},     // x max
};

TAABB NodeBox(const TOctreeNode& node)
{
    return TAABB{node.MinExtent, node.MaxExtent};
}

TVector4f AsPoint(const TVector3f& v)
{
    return TVector4f{{{v.X, v.Y, v.Z, 1.0f}}};
}

TVector3f AsAffine(const TVector4f& v)
{
    return TVector3f{{{v.X, v.Y, v.Z}}};
}

// Sum over the axes of the squared amount by which p lies outside the node's box.
double BoxDistanceSquared(const TVector4f& p, const TOctreeNode& node)
{
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
        double outside = 0;
        if (p.V[i] < node.MinExtent.V[i])
            outside = static_cast<double>(node.MinExtent.V[i]) - p.V[i];
        else if (p.V[i] > node.MaxExtent.V[i])
            outside = static_cast<double>(p.V[i]) - node.MaxExtent.V[i];
        sum += outside * outside;
    }
    return sum;
}

bool TriangleMeetsNode(const TOctreeNode& node, const TVector3f& t1, const TVector3f& t2, const TVector3f& t3)
{
    const TAABB box = NodeBox(node);
    // A triangle whose bounding box misses the node's cannot touch a face or lie inside.
    TAABB triangleBox{t1, t1};
    AABBIncludePoint(triangleBox, t2);
    AABBIncludePoint(triangleBox, t3);
    if (!AABBsOverlap(box, triangleBox))
        return false;
    for (const TVector3f* p : {&t1, &t2, &t3})
        if (AABBContainsPoint(AsPoint(*p), box))
            return true;
    for (const auto& face : cFaceCornerAtMax) {
        TVector3f c[4];
        for (int k = 0; k < 4; ++k)
            for (int i = 0; i < 3; ++i)
                c[k].V[i] = face[k][i] ? node.MaxExtent.V[i] : node.MinExtent.V[i];
        if (TrianglesIntersect(t1, t2, t3, c[2], c[1], c[0]) || TrianglesIntersect(t1, t2, t3, c[2], c[3], c[0]))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------------
// The triangle-triangle test, in Doubles.

struct TPoint3d {
    double V[3];
};

TPoint3d ToDouble(const TVector3f& v)
{
    return TPoint3d{{v.X, v.Y, v.Z}};
}

TPoint3d Difference(const TPoint3d& a, const TPoint3d& b)
{
    return TPoint3d{{a.V[0] - b.V[0], a.V[1] - b.V[1], a.V[2] - b.V[2]}};
}

TPoint3d Cross(const TPoint3d& a, const TPoint3d& b)
{
    return TPoint3d{{a.V[1] * b.V[2] - a.V[2] * b.V[1], a.V[2] * b.V[0] - a.V[0] * b.V[2],
                     a.V[0] * b.V[1] - a.V[1] * b.V[0]}};
}

double Dot(const TPoint3d& a, const TPoint3d& b)
{
    return a.V[0] * b.V[0] + a.V[1] * b.V[1] + a.V[2] * b.V[2];
}

struct TTriangle3d {
    TPoint3d P[3];
    TPoint3d Normal; // (P1 - P0) x (P2 - P0)

    TTriangle3d(const TVector3f& p0, const TVector3f& p1, const TVector3f& p2)
        : P{ToDouble(p0), ToDouble(p1), ToDouble(p2)}
    {
        FEdge1 = Difference(P[1], P[0]);
        FEdge2 = Difference(P[2], P[0]);
        Normal = Cross(FEdge1, FEdge2);
    }

    bool HasNoArea() const
    {
        return Dot(Normal, Normal) <= cDegenerateSineSquared * Dot(FEdge1, FEdge1) * Dot(FEdge2, FEdge2);
    }

    // Signed distance of p from the plane, scaled by |Normal|; 0 when within the epsilon.
    double PlaneDistance(const TPoint3d& p) const
    {
        const double d = Dot(Normal, Difference(p, P[0]));
        return std::fabs(d) < cTriTriEpsilon ? 0.0 : d;
    }

private:
    TPoint3d FEdge1, FEdge2;
};

// The two axes other than the normal's largest component, on which coplanar figures are compared.
void ProjectionAxes(const TPoint3d& normal, int& i0, int& i1)
{
    const double a0 = std::fabs(normal.V[0]), a1 = std::fabs(normal.V[1]), a2 = std::fabs(normal.V[2]);
    if (a0 > a1) {
        if (a0 > a2) {
            i0 = 1;
            i1 = 2;
        }
        else {
            i0 = 0;
            i1 = 1;
        }
    }
    else if (a2 > a1) {
        i0 = 0;
        i1 = 1;
    }
    else {
        i0 = 0;
        i1 = 2;
    }
}

// Does the edge v0v1 cross the edge u0u1 (in the plane of axes i0, i1)?
bool EdgesCross2D(const TPoint3d& v0, const TPoint3d& v1, const TPoint3d& u0, const TPoint3d& u1, int i0, int i1)
{
    const double ax = v1.V[i0] - v0.V[i0], ay = v1.V[i1] - v0.V[i1];
    const double bx = u0.V[i0] - u1.V[i0], by = u0.V[i1] - u1.V[i1];
    const double cx = v0.V[i0] - u0.V[i0], cy = v0.V[i1] - u0.V[i1];
    const double f = ay * bx - ax * by;
    const double d = by * cx - bx * cy;
    if (!((f > 0 && d >= 0 && d <= f) || (f < 0 && d <= 0 && d >= f)))
        return false;
    const double e = ax * cy - ay * cx;
    return f > 0 ? (e >= 0 && e <= f) : (e <= 0 && e >= f);
}

// The side of each edge of t on which p lies (in the plane of axes i0, i1).
void EdgeSides2D(const TPoint3d& p, const TTriangle3d& t, int i0, int i1, double (&sides)[3])
{
    for (int k = 0; k < 3; ++k) {
        const TPoint3d& a = t.P[k];
        const TPoint3d& b = t.P[(k + 1) % 3];
        sides[k] = (b.V[i1] - a.V[i1]) * (p.V[i0] - a.V[i0]) - (b.V[i0] - a.V[i0]) * (p.V[i1] - a.V[i1]);
    }
}

bool PointStrictlyInTriangle2D(const TPoint3d& p, const TTriangle3d& t, int i0, int i1)
{
    double s[3];
    EdgeSides2D(p, t, i0, i1, s);
    return s[0] * s[1] > 0 && s[0] * s[2] > 0;
}

// Edges count as inside; written so that a NaN answers False.
bool PointInTriangle2D(const TPoint3d& p, const TTriangle3d& t, int i0, int i1)
{
    double s[3];
    EdgeSides2D(p, t, i0, i1, s);
    return (s[0] >= 0 && s[1] >= 0 && s[2] >= 0) || (s[0] <= 0 && s[1] <= 0 && s[2] <= 0);
}

// v and u lie in one plane of the given normal.
bool CoplanarTrianglesIntersect(const TPoint3d& normal, const TTriangle3d& v, const TTriangle3d& u)
{
    int i0, i1;
    ProjectionAxes(normal, i0, i1);
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            if (EdgesCross2D(v.P[a], v.P[(a + 1) % 3], u.P[b], u.P[(b + 1) % 3], i0, i1))
                return true;
    return PointStrictlyInTriangle2D(v.P[0], u, i0, i1) || PointStrictlyInTriangle2D(u.P[0], v, i0, i1);
}

// segment: a triangle without area, taken as the segment between its two farthest vertices.
bool SegmentMeetsTriangle(const TTriangle3d& segment, const TTriangle3d& t)
{
    int ia = 0, ib = 1;
    double longest = -1;
    for (int k = 0; k < 3; ++k) {
        const TPoint3d e = Difference(segment.P[(k + 1) % 3], segment.P[k]);
        if (Dot(e, e) > longest) {
            longest = Dot(e, e);
            ia = k;
            ib = (k + 1) % 3;
        }
    }
    const TPoint3d& a = segment.P[ia];
    const TPoint3d& b = segment.P[ib];
    const double da = t.PlaneDistance(a), db = t.PlaneDistance(b);
    if (da * db > 0)
        return false;
    if (da == 0 && db == 0)
        return CoplanarTrianglesIntersect(t.Normal, segment, t);
    const double s = da / (da - db);
    const TPoint3d crossing{
        {a.V[0] + (b.V[0] - a.V[0]) * s, a.V[1] + (b.V[1] - a.V[1]) * s, a.V[2] + (b.V[2] - a.V[2]) * s}};
    int i0, i1;
    ProjectionAxes(t.Normal, i0, i1);
    return PointInTriangle2D(crossing, t, i0, i1);
}

// The interval over which a triangle crosses the other's plane, from its vertices projected on the line of
// the two planes and their plane distances: the vertex alone on its side is interpolated with the other two.
// False when all three distances are 0 (the triangles are coplanar).
bool CrossingInterval(const double (&p)[3], const double (&d)[3], double& lo, double& hi)
{
    int lone;
    if (d[0] * d[1] > 0)
        lone = 2;
    else if (d[0] * d[2] > 0)
        lone = 1;
    else if (d[1] * d[2] > 0 || d[0] != 0)
        lone = 0;
    else if (d[1] != 0)
        lone = 1;
    else if (d[2] != 0)
        lone = 2;
    else
        return false;
    const int a = (lone + 1) % 3, b = (lone + 2) % 3;
    lo = p[lone] + (p[a] - p[lone]) * d[lone] / (d[lone] - d[a]);
    hi = p[lone] + (p[b] - p[lone]) * d[lone] / (d[lone] - d[b]);
    if (lo > hi)
        std::swap(lo, hi);
    return true;
}

// True when the distances of u's vertices from v's plane are all nonzero and of one sign.
bool AllOnOneSide(const TTriangle3d& v, const TTriangle3d& u, double (&d)[3])
{
    for (int k = 0; k < 3; ++k)
        d[k] = v.PlaneDistance(u.P[k]);
    return d[0] * d[1] > 0 && d[0] * d[2] > 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Helpers

bool PointInTriangleAngleSum(const TVector3f& p, const TVector3f& a, const TVector3f& b, const TVector3f& c)
{
    TVector3f toA, toB, toC;
    AffineSubtract(a, p, toA);
    AffineSubtract(b, p, toB);
    AffineSubtract(c, p, toC);
    AffineNormalizeInPlace(toA);
    AffineNormalizeInPlace(toB);
    AffineNormalizeInPlace(toC);
    const double sum =
        ArcCosine(AffineDot(toA, toB)) + ArcCosine(AffineDot(toB, toC)) + ArcCosine(AffineDot(toC, toA));
    return std::fabs(sum - 2 * std::numbers::pi) <= cAngleSumTolerance;
}

TVector3f ClosestPointOnSegment(const TVector3f& p, const TVector3f& a, const TVector3f& b)
{
    TVector3f direction, toP;
    AffineSubtract(b, a, direction);
    const double length = AffineLength(direction);
    AffineNormalizeInPlace(direction);
    AffineSubtract(p, a, toP);
    const double t = AffineDot(toP, direction);
    if (t < 0)
        return a;
    if (t > length)
        return b;
    TVector3f r;
    AffineAddScaled(a, direction, static_cast<float>(t), r);
    return r;
}

TVector3f ClosestPointOnTriangleEdges(const TVector3f& p, const TVector3f& a, const TVector3f& b,
                                      const TVector3f& c)
{
    const TVector3f candidates[3] = {ClosestPointOnSegment(p, a, b), ClosestPointOnSegment(p, b, c),
                                     ClosestPointOnSegment(p, c, a)};
    int best = 0;
    for (int k = 1; k < 3; ++k)
        if (AffineDistanceSquared(p, candidates[k]) < AffineDistanceSquared(p, candidates[best]))
            best = k;
    return candidates[best];
}

bool TrianglesIntersect(const TVector3f& v0, const TVector3f& v1, const TVector3f& v2, const TVector3f& u0,
                        const TVector3f& u1, const TVector3f& u2)
{
    const TTriangle3d v(v0, v1, v2), u(u0, u1, u2);
    const bool vFlat = v.HasNoArea(), uFlat = u.HasNoArea();
    if (vFlat || uFlat) {
        // A zero normal would make every distance 0 and pass for "coplanar".
        if (vFlat && uFlat)
            return false;
        return vFlat ? SegmentMeetsTriangle(v, u) : SegmentMeetsTriangle(u, v);
    }
    double du[3], dv[3];
    if (AllOnOneSide(v, u, du) || AllOnOneSide(u, v, dv))
        return false;

    // Project onto the largest axis of the direction of the planes' line.
    const TPoint3d line = Cross(v.Normal, u.Normal);
    int axis = 0;
    if (std::fabs(line.V[1]) > std::fabs(line.V[0]))
        axis = 1;
    if (std::fabs(line.V[2]) > std::fmax(std::fabs(line.V[0]), std::fabs(line.V[1])))
        axis = 2;
    const double vp[3] = {v.P[0].V[axis], v.P[1].V[axis], v.P[2].V[axis]};
    const double up[3] = {u.P[0].V[axis], u.P[1].V[axis], u.P[2].V[axis]};
    double vLo, vHi, uLo, uHi;
    if (!CrossingInterval(vp, dv, vLo, vHi) || !CrossingInterval(up, du, uLo, uHi))
        return CoplanarTrianglesIntersect(v.Normal, v, u);
    return vHi >= uLo && uHi >= vLo;
}

// ---------------------------------------------------------------------------------------------------------
// TOctree

TOctree::~TOctree()
{
    DisposeTree();
}

void TOctree::InitializeTree(const TVector3f& AWorldMinExtent, const TVector3f& AWorldMaxExtent,
                             TAffineVectorList* ATriangles, int32_t ATreeDepth)
{
    if (ATreeDepth > cMaxTreeDepth)
        AssertionFailed("Octree depth " + std::to_string(ATreeDepth) + " is above the largest allowed, " +
                            std::to_string(cMaxTreeDepth),
                        cUnit);
    WorldMinExtent = AWorldMinExtent;
    WorldMaxExtent = AWorldMaxExtent;
    if (!TriangleFiler)
        TriangleFiler = std::make_unique<TAffineVectorList>();
    TriangleFiler->Assign(ATriangles);

    RootNode = std::make_unique<TOctreeNode>();
    RootNode->MinExtent = AWorldMinExtent;
    RootNode->MaxExtent = AWorldMaxExtent;
    NodeCount = 0;
    MaxOlevel = ATreeDepth;
    CreateTree(*RootNode, 0);

    // A trailing vertex or two make no triangle.
    TriCountMesh = TriangleFiler->Count() / 3;
    Intersections = 0;
    TriCountOctree = 0;
    const TVector3f* v = Vertices();
    for (int32_t i = 0; i < TriCountMesh * 3; i += 3) {
        WalkTriToLeaf(v[i], v[i + 1], v[i + 2]);
        for (TOctreeNode* leaf : ResultArray)
            leaf->TriArray.push_back(i);
        Intersections += static_cast<int32_t>(ResultArray.size());
        if (!ResultArray.empty())
            ++TriCountOctree;
    }
}

void TOctree::CreateTree(TOctreeNode& node, int32_t level)
{
    if (level >= MaxOlevel)
        return;
    TVector3f mid;
    for (int i = 0; i < 3; ++i)
        mid.V[i] = node.MinExtent.V[i] / 2 + node.MaxExtent.V[i] / 2;
    for (int k = 0; k < 8; ++k) {
        auto child = std::make_unique<TOctreeNode>();
        for (int i = 0; i < 3; ++i) {
            child->MinExtent.V[i] = cChildUpperHalf[k][i] ? mid.V[i] : node.MinExtent.V[i];
            child->MaxExtent.V[i] = cChildUpperHalf[k][i] ? node.MaxExtent.V[i] : mid.V[i];
        }
        ++NodeCount;
        CreateTree(*child, level + 1);
        node.ChildArray[k] = std::move(child);
    }
}

void TOctree::DisposeTree()
{
    // The walks' results point into the tree.
    ResultArray.clear();
    RootNode.reset();
    TriangleFiler.reset();
}

template <class TEnters> void TOctree::CollectLeaves(TOctreeNode* node, const TEnters& enters)
{
    if (!node || !enters(*node))
        return;
    if (node->IsLeaf()) {
        ResultArray.push_back(node);
        return;
    }
    for (auto& child : node->ChildArray)
        CollectLeaves(child.get(), enters);
}

void TOctree::WalkTriToLeaf(const TVector3f& t1, const TVector3f& t2, const TVector3f& t3)
{
    ResultArray.clear();
    CollectLeaves(RootNode.get(), [&](const TOctreeNode& node) { return TriangleMeetsNode(node, t1, t2, t3); });
}

void TOctree::WalkRayToLeaf(const TVector4f& p, const TVector4f& v)
{
    ResultArray.clear();
    const TVector3f origin = AsAffine(p), direction = AsAffine(v);
    CollectLeaves(RootNode.get(), [&](const TOctreeNode& node) {
        float tNear, tFar;
        return RayIntersectAABB(origin, direction, NodeBox(node), tNear, tFar);
    });
}

void TOctree::WalkSphereToLeaf(TOctreeNode* Onode, const TVector4f& P, float Radius)
{
    ResultArray.clear();
    const double radiusSquared = static_cast<double>(Radius) * Radius;
    CollectLeaves(Onode, [&](const TOctreeNode& node) { return BoxDistanceSquared(P, node) <= radiusSquared; });
}

bool TOctree::RayCastIntersect(const TVector4f& RayStart, const TVector4f& RayVector, PVector IntersectPoint,
                               PVector IntersectNormal, POctreeTriangleInfo TriangleInfo)
{
    if (!RootNode)
        return false;
    WalkRayToLeaf(RayStart, RayVector);
    const TVector3f* v = Vertices();
    double best = cInfinity;
    for (const TOctreeNode* leaf : ResultArray)
        for (const int32_t i : leaf->TriArray) {
            TVector4f point, normal;
            if (!RayIntersectTriangle(RayStart, RayVector, v[i], v[i + 1], v[i + 2], &point, &normal))
                continue;
            const double d = HmgDistanceSquared(RayStart, point);
            if (!(d < best))
                continue;
            best = d;
            if (IntersectPoint)
                *IntersectPoint = point;
            if (IntersectNormal)
                *IntersectNormal = normal;
            if (TriangleInfo)
                *TriangleInfo = TOctreeTriangleInfo{i, {v[i], v[i + 1], v[i + 2]}};
        }
    return best != cInfinity;
}

bool TOctree::SphereSweepIntersect(const TVector4f& RayStart, const TVector4f& RayVector, float Velocity,
                                   float Radius, PVector IntersectPoint, PVector IntersectNormal)
{
    const double vectorLengthSquared = HmgLengthSquared(RayVector);
    if (Velocity == 0 || !(vectorLengthSquared > 0) || !RootNode)
        return false;
    WalkSphereToLeaf(RootNode.get(), RayStart, Velocity + Radius + cSweepMargin);
    if (ResultArray.empty())
        return false;

    const double reachSquared = static_cast<double>(Velocity + cSweepMargin) * (Velocity + cSweepMargin);
    const double radiusSquared = static_cast<double>(Radius) * Radius;
    // Against the motion, unit length.
    TVector4f back;
    HmgScale(RayVector, static_cast<float>(-Velocity / std::sqrt(vectorLengthSquared)), back);
    HmgNormalizeInPlace(back);
    const TVector3f* v = Vertices();
    double best = cInfinity;
    bool result = false;
    for (const TOctreeNode* leaf : ResultArray)
        for (const int32_t i : leaf->TriArray) {
            const TVector3f &p1 = v[i], &p2 = v[i + 1], &p3 = v[i + 2];
            TVector3f n;
            AffineTriangleNormal(p1, p2, p3, n);
            // A triangle without area has no plane; one facing away from the motion is passed through.
            if (AffineLengthSquared(n) == 0 || HmgDotAffine(RayVector, n) > 0)
                continue;
            // The centre's foot on the triangle's plane, along the unit normal so that a radius of 0 works too;
            // a centre behind the plane is not in contact, one on it is.
            TVector3f fromPlane;
            AffineSubtract(AsAffine(RayStart), p1, fromPlane);
            const double height = AffineDot(fromPlane, n);
            if (height < 0)
                continue;
            TVector4f planePoint = RayStart;
            HmgAddScaledAffineInPlace(planePoint, n, static_cast<float>(-height));
            const TVector4f unitNormal{{{n.X, n.Y, n.Z, 0.0f}}};
            TVector4f scaledNormal;
            HmgScale(unitNormal, Radius, scaledNormal);

            double d = HmgDistanceSquared(RayStart, planePoint);
            TVector4f point, normal = scaledNormal;
            bool metOnTheWay = false;
            if (d > radiusSquared) {
                // The sphere's point nearest the plane moves along the ray: onto the plane, and maybe into the
                // triangle on the way.
                TVector4f nearest, onPlane, hit, hitNormal;
                HmgSubtract(RayStart, scaledNormal, nearest);
                if (RayIntersectPlane(nearest, RayVector, AsPoint(p1), unitNormal, &onPlane))
                    planePoint = onPlane;
                if (RayIntersectTriangle(nearest, RayVector, p1, p2, p3, &hit, &hitNormal)) {
                    point = hit;
                    normal = hitNormal;
                    d = HmgDistanceSquared(nearest, hit);
                    metOnTheWay = true;
                }
            }
            if (!metOnTheWay) {
                const TVector3f onPlane = AsAffine(planePoint);
                point = PointInTriangleAngleSum(onPlane, p1, p2, p3)
                            ? planePoint
                            : AsPoint(ClosestPointOnTriangleEdges(onPlane, p1, p2, p3));
                if (HmgDistanceSquared(point, RayStart) > radiusSquared) {
                    // How far the sphere moves before the contact point reaches its surface.
                    TVector4f first, second;
                    if (RayIntersectSphere(point, back, RayStart, Radius, first, second) == 0)
                        continue;
                    d = HmgDistanceSquared(point, first);
                }
                else
                    d = 0;
            }
            if (d > reachSquared)
                continue;
            result = true;
            if (d < best) {
                best = d;
                if (IntersectPoint)
                    *IntersectPoint = point;
                if (IntersectNormal)
                    *IntersectNormal = normal;
                if (d == 0)
                    return true;
            }
        }
    return result;
}

bool TOctree::TriangleIntersect(const TVector3f& V1, const TVector3f& V2, const TVector3f& V3)
{
    if (!RootNode)
        return false;
    WalkTriToLeaf(V1, V2, V3);
    const TVector3f* v = Vertices();
    for (const TOctreeNode* leaf : ResultArray)
        for (const int32_t i : leaf->TriArray)
            if (TrianglesIntersect(V1, V2, V3, v[i], v[i + 1], v[i + 2]))
                return true;
    return false;
}

std::unique_ptr<TAffineVectorList> TOctree::TrianglesOfLeaves()
{
    TIntegerList indices;
    for (const TOctreeNode* leaf : ResultArray)
        indices.AddIntegers(leaf->TriArray.data(), static_cast<int32_t>(leaf->TriArray.size()));
    indices.SortAndRemoveDuplicates();
    auto result = std::make_unique<TAffineVectorList>();
    if (indices.Count() == 0)
        return result;
    result->AdjustCapacityToAtLeast(indices.Count() * 3);
    const TVector3f* v = Vertices();
    for (int32_t k = 0; k < indices.Count(); ++k) {
        const int32_t i = indices.List()[k];
        result->Add(v[i], v[i + 1], v[i + 2]);
    }
    return result;
}

std::unique_ptr<TAffineVectorList> TOctree::GetTrianglesFromNodesIntersectingAABB(const TAABB& ObjAABB)
{
    ResultArray.clear();
    CollectLeaves(RootNode.get(), [&](const TOctreeNode& node) { return AABBsOverlap(ObjAABB, NodeBox(node)); });
    return TrianglesOfLeaves();
}

std::unique_ptr<TAffineVectorList> TOctree::GetTrianglesFromNodesIntersectingCube(const TAABB& ObjAABB,
                                                                                   const TMatrix4f& ObjToSelf,
                                                                                   const TMatrix4f& SelfToObj)
{
    ResultArray.clear();
    CollectLeaves(RootNode.get(), [&](const TOctreeNode& node) {
        const TAABB box = NodeBox(node);
        // Both ways round: a thin box can pierce a long node with no corner of either inside the other and
        // only the node's edges crossing the box's faces.
        return AABBsIntersectTransformed(ObjAABB, box, ObjToSelf, SelfToObj) ||
               AABBsIntersectTransformed(box, ObjAABB, SelfToObj, ObjToSelf);
    });
    return TrianglesOfLeaves();
}

bool TOctree::AABBIntersect(const TAABB& AABB, const TMatrix4f& M1to2, const TMatrix4f& M2to1,
                            TAffineVectorList* Triangles)
{
    const auto candidates = GetTrianglesFromNodesIntersectingCube(AABB, M1to2, M2to1);
    candidates->TransformAsPoints(M2to1);
    const TVector3f* t = candidates->List();
    bool result = false;
    for (int32_t i = 0; i + 2 < candidates->Count(); i += 3) {
        if (!TriangleOverlapsAABB(AABB, t[i], t[i + 1], t[i + 2]))
            continue;
        result = true;
        if (!Triangles)
            break;
        Triangles->Add(t[i], t[i + 1], t[i + 2]);
    }
    return result;
}
