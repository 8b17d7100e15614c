// A fixed-depth octree over a static triangle list: every triangle is filed into each leaf whose box it
// touches, and ray casts, sphere sweeps, triangle tests and box tests look only at the leaves they reach.
// Coordinates are in the mesh's local space. The walks share one result array, so an octree answers one
// query at a time. The unit also holds the small geometric helpers the queries use.
#pragma once

#include "GLVectorLists.h"
#include "GLVectorTypes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// A node's box; a leaf holds the first-vertex indices (multiples of 3) of the triangles that touch its box.
struct TOctreeNode {
    TVector3f MinExtent{};
    TVector3f MaxExtent{};
    std::vector<int32_t> TriArray;
    // Child boxes by the table in GLOctree.cpp; all null for a leaf.
    std::array<std::unique_ptr<TOctreeNode>, 8> ChildArray;

    bool IsLeaf() const { return !ChildArray[0]; }
};
using POctreeNode = TOctreeNode*;

// The triangle a ray cast hit.
struct TOctreeTriangleInfo {
    int32_t Index;
    TVector3f Vertex[3];
};
using POctreeTriangleInfo = TOctreeTriangleInfo*;

class TOctree {
public:
    // Each level multiplies the leaves by 8: a deeper tree would take hundreds of megabytes whatever the
    // mesh, so InitializeTree refuses it.
    static constexpr int32_t cMaxTreeDepth = 6;

    TOctree() = default;
    ~TOctree();
    TOctree(const TOctree&) = delete;
    TOctree& operator=(const TOctree&) = delete;

    // Builds a complete tree of ATreeDepth levels below the root over the box and files a copy of the
    // triangles (three vertices each; a trailing partial triangle is ignored). The caller keeps ATriangles and
    // disposes any old tree first. A depth above cMaxTreeDepth raises EAssertionFailed and builds nothing; a
    // negative depth builds the root alone.
    void InitializeTree(const TVector3f& AWorldMinExtent, const TVector3f& AWorldMaxExtent,
                        TAffineVectorList* ATriangles, int32_t ATreeDepth);
    // Frees every node and the triangle copy.
    void DisposeTree();

    // ResultArray := the leaves below Onode whose box lies within Radius of P.
    void WalkSphereToLeaf(TOctreeNode* Onode, const TVector4f& P, float Radius);

    // The nearest triangle hit by the ray; outputs may be null and are written only on a hit. The normal is
    // the hit triangle's unnormalised edge cross product.
    bool RayCastIntersect(const TVector4f& RayStart, const TVector4f& RayVector, PVector IntersectPoint = nullptr,
                          PVector IntersectNormal = nullptr, POctreeTriangleInfo TriangleInfo = nullptr);
    // A sphere of Radius at RayStart moving Velocity units along RayVector: True when it touches a triangle
    // facing the motion within that reach, with the nearest contact point and its normal (Radius times the
    // unit face normal, or the edge cross product of a triangle met on the way). A sphere already touching a
    // triangle ends the search at once. Outputs may be null; a Velocity of 0 answers False untouched.
    bool SphereSweepIntersect(const TVector4f& RayStart, const TVector4f& RayVector, float Velocity, float Radius,
                              PVector IntersectPoint = nullptr, PVector IntersectNormal = nullptr);
    // True when the triangle meets a triangle of the tree.
    bool TriangleIntersect(const TVector3f& V1, const TVector3f& V2, const TVector3f& V3);
    // Each triangle filed in a leaf that overlaps the box, once, in index order.
    std::unique_ptr<TAffineVectorList> GetTrianglesFromNodesIntersectingAABB(const TAABB& ObjAABB);
    // The same for a box in another space: ObjToSelf maps the box's space to the tree's, SelfToObj back.
    std::unique_ptr<TAffineVectorList> GetTrianglesFromNodesIntersectingCube(const TAABB& ObjAABB,
                                                                              const TMatrix4f& ObjToSelf,
                                                                              const TMatrix4f& SelfToObj);
    // True when a triangle of the tree overlaps the box (M1to2 maps the box's space to the tree's, M2to1
    // back). Without Triangles it stops at the first; with it, every overlapping triangle is appended there,
    // in the box's space.
    bool AABBIntersect(const TAABB& AABB, const TMatrix4f& M1to2, const TMatrix4f& M2to1,
                       TAffineVectorList* Triangles = nullptr);

    int32_t Intersections = 0; // (triangle, leaf) filings made while building
    TVector3f WorldMinExtent{};
    TVector3f WorldMaxExtent{};
    std::unique_ptr<TOctreeNode> RootNode;
    int32_t MaxOlevel = 0;
    int32_t NodeCount = 0;      // nodes below the root
    int32_t TriCountMesh = 0;   // triangles given
    int32_t TriCountOctree = 0; // triangles filed into at least one leaf
    std::vector<TOctreeNode*> ResultArray; // the leaves the last walk found
    std::unique_ptr<TAffineVectorList> TriangleFiler;

private:
    void CreateTree(TOctreeNode& node, int32_t level);
    void WalkTriToLeaf(const TVector3f& t1, const TVector3f& t2, const TVector3f& t3);
    void WalkRayToLeaf(const TVector4f& p, const TVector4f& v);
    template <class TEnters> void CollectLeaves(TOctreeNode* node, const TEnters& enters);
    std::unique_ptr<TAffineVectorList> TrianglesOfLeaves();
    // Only while there is a root: the root and the triangle copy are made and freed together.
    const TVector3f* Vertices() const { return TriangleFiler->List(); }
};

// Helpers of the queries.

// True when the angles the triangle's vertices subtend at p sum to 2 pi (within 0.005); p is taken to lie in
// the triangle's plane.
bool PointInTriangleAngleSum(const TVector3f& p, const TVector3f& a, const TVector3f& b, const TVector3f& c);
TVector3f ClosestPointOnSegment(const TVector3f& p, const TVector3f& a, const TVector3f& b);
// The nearest point to p on the edges ab, bc and ca (the earlier edge on a tie).
TVector3f ClosestPointOnTriangleEdges(const TVector3f& p, const TVector3f& a, const TVector3f& b,
                                      const TVector3f& c);
// Moller's interval-overlap test; plane distances below 1e-6 count as 0 and coplanar triangles are compared in
// 2D. A triangle without area is taken as the segment it is; two such never meet.
bool TrianglesIntersect(const TVector3f& v0, const TVector3f& v1, const TVector3f& v2, const TVector3f& u0,
                        const TVector3f& u1, const TVector3f& u2);
