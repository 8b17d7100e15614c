// Ordered lists of 3-D points for the line and polygon objects: geometric helpers on the list (arcs,
// barycentre, normal, tangents, extents, moves and rotations), its cubic spline, and its drawing as one
// filled polygon through the GLU tessellator.
#pragma once

#include "Components.h"
#include "GLVectorTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TCubicSpline;
class TGLCustomCoordinates;
class TGLNodes;

inline constexpr const char* cGLNodesUnit = "VAVodad\\Source\\GLNodes";

// One point of a node list. X, Y and Z are streamed, each only when it is not 0; W is 1 for points and 0 for
// vectors, as the adding routine gives it.
class TGLNode : public TPersistent {
public:
    explicit TGLNode(TGLNodes* ACollection) : FCollection(ACollection) {}

    // From another node: the four coordinates.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    TPersistent* GetOwner() const override;
    // "X; Y; Z" with four decimals.
    std::string GetDisplayName() const;

    TGLNodes* Collection() const { return FCollection; }
    int32_t Index() const;
    // Unique in the collection, given in creation order.
    int32_t ID() const { return FID; }

    // X, Y, Z, W in a row.
    float* AsAddress() { return FCoords.V; }
    // Each setter tells the collection.
    const TVector4f& AsVector() const { return FCoords; }
    void SetAsVector(const TVector4f& Value);
    TVector3f AsAffineVector() const { return TVector3f{{{FCoords.X, FCoords.Y, FCoords.Z}}}; }
    // W becomes 0.
    void SetAsAffineVector(const TVector3f& Value);
    float X() const { return FCoords.X; }
    void SetX(float Value);
    float Y() const { return FCoords.Y; }
    void SetY(float Value);
    float Z() const { return FCoords.Z; }
    void SetZ(float Value);
    float W() const { return FCoords.W; }

    // The user's object: not owned, not streamed.
    TObject* TagObject = nullptr;

private:
    friend class TGLNodes;
    void SetCoordinate(int32_t index, float Value);
    // Tells the collection, when the node is in one.
    void Changed();

    TVector4f FCoords{};
    TGLNodes* FCollection;
    int32_t FID = 0;
};

// Makes a node of some class for a collection: the collection's item class.
using TGLNodeClass = std::unique_ptr<TGLNode> (*)(TGLNodes* ACollection);
template <class T> std::unique_ptr<TGLNode> NodeClassOf(TGLNodes* ACollection)
{
    return std::make_unique<T>(ACollection);
}

// The nodes, owned. Any change (a node added, removed or moved) tells an update-able owning component once;
// inside BeginUpdate ... EndUpdate the owner hears once, at the end.
class TGLNodes : public TPersistent {
public:
    // Nodes of class TGLNode when no item class is given.
    explicit TGLNodes(TPersistent* AOwner, TGLNodeClass AItemClass = nullptr);
    ~TGLNodes() override;
    TGLNodes(const TGLNodes&) = delete;
    TGLNodes& operator=(const TGLNodes&) = delete;

    // A new collection with the same item class for AOwner, holding copies of these nodes. Descendants
    // return their own class.
    virtual std::unique_ptr<TGLNodes> CreateCopy(TPersistent* AOwner) const;
    // From another node list: its nodes copied as new nodes of this list's item class.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override { return FOwner; }
    TPersistent* Owner() const { return FOwner; }

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // Raises EListError for an index out of range.
    TGLNode* GetItems(int32_t Index) const;
    // The node at Index copies Value.
    void SetItems(int32_t Index, TGLNode* Value);
    TGLNode* operator[](int32_t Index) const { return GetItems(Index); }
    // nullptr for an empty list.
    TGLNode* First() const;
    TGLNode* Last() const;
    TGLNode* FindItemID(int32_t ID) const;
    int32_t IndexOf(const TGLNode* Node) const;
    // A new node of the item class at the end.
    TGLNode* Add();
    void Delete(int32_t Index);
    void Clear();

    // Each adds a node and sets its coordinates through the node's setters.
    void AddNode(const TGLCustomCoordinates& Coords); // all four components
    void AddNode(float X, float Y, float Z);           // W = 1
    void AddNode(const TVector4f& Value);
    void AddNode(const TVector3f& Value);              // W = 0

    void BeginUpdate() { ++FUpdateCount; }
    // The outermost one tells the owner.
    void EndUpdate();
    int32_t UpdateCount() const { return FUpdateCount; }
    // Outside an update: an owner that is a TGLUpdateAbleComponent hears of the change, with this list as
    // sender.
    virtual void NotifyChange();

    // NbSegments + 1 nodes (W = 1) on the ellipse about Center with the given radii, from StartAngle to
    // StopAngle in degrees, in the plane z = Center.Z (with no segments, one node at StartAngle); the owner
    // hears once.
    void AddXYArc(float XRadius, float YRadius, float StartAngle, float StopAngle, int32_t NbSegments,
                  const TVector3f& Center);
    // The average of the nodes; (0, 0, 0) without nodes.
    TVector3f Barycenter() const;
    // The unit normal of the first three nodes, (P1 - P0) x (P2 - P0); (0, 0, 0) with fewer nodes.
    TVector3f Normal() const;
    // The unit tangent direction at node I: toward the next node from the previous one (from the node itself
    // at either end), or, where those coincide, toward the first node ahead (else behind) that does not;
    // (0, 0, 0) when every node coincides. An index outside the list fails an assertion.
    TVector3f Vector(int32_t I) const;
    // Min and Max lowered and raised by every node, starting from +infinity and -infinity.
    void GetExtents(TVector3f& Min, TVector3f& Max) const;
    // Each of these moves every node and tells the owner once. Angles in degrees.
    void Translate(const TVector3f& Tv);
    void Scale(const TVector3f& Fv);
    void Scale(float F);
    void RotateAroundX(float Angle);
    void RotateAroundY(float Angle);
    void RotateAroundZ(float Angle);

    // A spline through the nodes' X, Y and Z, owned by the caller; it does not follow later changes.
    std::unique_ptr<TCubicSpline> CreateNewCubicSpline() const;
    // Draws the nodes as one filled polygon (nothing with fewer than three): with ANormal, that normal for GL
    // and the tessellator; textured, each vertex's x and y as its texture coordinate; with ASplineDivisions
    // above 1, the nodes' spline sampled that many times per node; in reverse order with AInvertNormals. A
    // tessellator error is raised as an assertion failure once the tessellator is done.
    void RenderTesselatedPolygon(bool ATextured, const TVector3f* ANormal = nullptr, int32_t ASplineDivisions = 1,
                                 bool AInvertNormals = false) const;

private:
    // Applies change to every node's coordinates, then notifies once.
    template <class F> void TransformNodes(F change);
    // Turns coordinates a and b of every node by Angle degrees: a' = c a + s b, b' = c b - s a.
    void RotateNodes(int32_t a, int32_t b, float Angle);

    TPersistent* FOwner;
    TGLNodeClass FItemClass;
    std::vector<std::unique_ptr<TGLNode>> FItems;
    int32_t FNextID = 0;
    int32_t FUpdateCount = 0;
};

// The nodes as the stream property "Nodes", each node with its own properties; reading replaces them.
void DefineNodesProperty(TFiler& Filer, TGLNodes& Nodes);
