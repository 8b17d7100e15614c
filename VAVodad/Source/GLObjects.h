// The basic scene objects: the invisible group node (a dummy cube, which also hides or shows whole subtrees
// and can compile a static subtree into one display list), the flat rectangle, the camera-facing sprite and
// the point cloud, plus the wire cube the dummy cube and the line objects draw; and the solids: the box, the
// sphere and superellipsoid, and the base of the objects drawn as GLU quadrics.
#pragma once

#include "GLNodes.h"
#include "VAVodad.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class GLUquadric;
class TAffineVectorList;
class TGLCustomCoordinates;
class TSingleList;
class TVectorList;

inline constexpr const char* cGLObjectsUnit = "VAVodad\\Source\\GLObjects";

// Stores value in field; true when that changed it.
template <typename T> bool Store(T& field, T value)
{
    if (field == value) return false;
    field = value;
    return true;
}

// Stores value in field and, when that changed it, has object rebuild its geometry.
template <typename T> void ChangeStructure(TGLBaseSceneObject& object, T& field, T value)
{
    if (Store(field, value)) object.StructureChanged();
}

// Answers whether the object and its subtree are drawn in this frame.
using TGLVisibilityDeterminationEvent = std::function<bool(TObject* Sender, TGLRenderContextInfo& rci)>;

// How a line or polygon object joins its nodes: straight segments, a cubic spline, a Bezier curve, a NURBS
// curve, separate segments (node pairs) or a closed loop.
enum TLineSplineMode { lsmLines, lsmCubicSpline, lsmBezierSpline, lsmNURBSCurve, lsmSegments, lsmLoop };
// Their names in component streams.
inline constexpr std::array<const char*, 6> cLineSplineModeNames{"lsmLines",      "lsmCubicSpline", "lsmBezierSpline",
                                                                 "lsmNURBSCurve", "lsmSegments",    "lsmLoop"};

// A wire cube of edge length size centred on the origin, in color; stipple draws it dotted and blended.
void CubeWireframeBuildList(TGLRenderContextInfo& rci, bool stipple, const TVector4f& color, float size);

// The sprites' camera-facing quad about the origin with half axes vx and vy: (right, top) at vx + vy, then
// (left, top), (left, bottom) and (right, bottom), textured with s from sLeft to sRight and t from tBottom to
// tTop; turned by rotation degrees about axis when that is not 0.
void FacingQuadBuildList(const TVector3f& vx, const TVector3f& vy, float sLeft, float sRight, float tBottom, float tTop,
                         float rotation, const TVector3f& axis);

// A group node: its children move, hide and show with it. Drawn as a wire cube only at design time or with
// VisibleAtRunTime.
class TGLDummyCube : public TGLCameraInvariantObject {
public:
    explicit TGLDummyCube(TComponent* AOwner);
    void BeforeDestruction() override;
    ~TGLDummyCube() override;

    float CubeSize() const { return FCubeSize; }
    void SetCubeSize(float Value);
    TGLColor* EdgeColor() const { return FEdgeColor.get(); }
    void SetEdgeColor(TGLColor* Value);
    bool VisibleAtRunTime() const { return FVisibleAtRunTime; }
    void SetVisibleAtRunTime(bool Value);
    // On: the object and its subtree are compiled into one display list at the next frame and that list is
    // called until the structure changes.
    bool Amalgamate() const { return FAmalgamate; }
    void SetAmalgamate(bool Value);

    // CubeSize, EdgeColor and VisibleAtRunTime of another dummy cube (not Amalgamate).
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // The average of the children's barycentres; the object's position without children.
    TVector4f BarycenterAbsolutePosition() override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // A dummy cube is never hit.
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    void BuildList(TGLRenderContextInfo& rci) override;
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    // Also drops the compiled subtree.
    void StructureChanged() override;

    TGLVisibilityDeterminationEvent OnVisibilityDetermination;

private:
    void DestroyGroupList();

    float FCubeSize = 1;
    std::unique_ptr<TGLColor> FEdgeColor;
    bool FVisibleAtRunTime = false;
    bool FAmalgamate = false;
    // Made at the first amalgamated frame; freed with Free: its pre-destroy step deletes the GL names.
    TGLListHandle* FGroupList = nullptr;
};

enum TGLPlaneStyle { psSingleQuad, psTileTexture };
using TGLPlaneStyles = TSet<TGLPlaneStyle, uint8_t>;

// A rectangle in the local XY plane facing +Z, as one quad or as a mesh of XTiles x YTiles cells, with the
// texture repeated per cell (psTileTexture) or stretched over the whole.
class TGLPlane : public TVAVodadObject {
public:
    explicit TGLPlane(TComponent* AOwner);

    float XOffset() const { return FXOffset; }
    void SetXOffset(float Value);
    float YOffset() const { return FYOffset; }
    void SetYOffset(float Value);
    // The texture's extent per cell; values above 1 become 1.
    float XScope() const { return FXScope; }
    void SetXScope(float Value);
    float YScope() const { return FYScope; }
    void SetYScope(float Value);
    float Width() const { return FWidth; }
    void SetWidth(float Value);
    float Height() const { return FHeight; }
    void SetHeight(float Value);
    // With 0 cells along either axis the tiled mesh draws nothing.
    uint32_t XTiles() const { return FXTiles; }
    void SetXTiles(uint32_t Value);
    uint32_t YTiles() const { return FYTiles; }
    void SetYTiles(uint32_t Value);
    TGLPlaneStyles Style() const { return FStyle; }
    void SetStyle(TGLPlaneStyles Value);

    // The corners' screen rectangle through aBuffer (all zero without one).
    TRect ScreenRect(TVAVodadBuffer* aBuffer);
    // The signed distance of aPoint from the plane along its absolute direction.
    float PointDistance(const TVector4f& aPoint);

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // Hits from either side within the rectangle; the normal faces the side the ray came from.
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    // Stores the value; a change drops the mesh and rebuilds the structure.
    template <typename T> void Change(T& field, T Value);
    void BuildMesh(float s0, float t0, float s1, float t1);

    // One vertex of the tiled mesh: only its place and texture coordinate matter.
    struct TVertexRec {
        TVector3f Position;
        TVector2f TexCoord;
    };

    float FXOffset = 0;
    float FYOffset = 0;
    float FXScope = 1;
    float FYScope = 1;
    float FWidth = 1;
    float FHeight = 1;
    uint32_t FXTiles = 1;
    uint32_t FYTiles = 1;
    TGLPlaneStyles FStyle{psSingleQuad, psTileTexture};
    // (YTiles + 1) rows of (XTiles + 1) vertices, built at the first tiled draw after a change.
    std::vector<TVertexRec> FMesh;
};

// A quad that always faces the viewer and keeps its size whatever the scale and rotation of its object.
class TGLSprite : public TVAVodadObject {
public:
    explicit TGLSprite(TComponent* AOwner);

    float Width() const { return FWidth; }
    void SetWidth(float Value);
    float Height() const { return FHeight; }
    void SetHeight(float Value);
    // Degrees about the viewing axis.
    float Rotation() const { return FRotation; }
    void SetRotation(float Value);
    // Held in 0..1.
    float AlphaChannel() const { return FAlphaChannel; }
    void SetAlphaChannel(float Value);
    bool MirrorU() const { return FMirrorU; }
    void SetMirrorU(bool Value);
    bool MirrorV() const { return FMirrorV; }
    void SetMirrorV(bool Value);
    void SetSize(float Width, float Height);
    void SetSquareSize(float Size);

    // Width, Height, Rotation and AlphaChannel of another sprite (not the mirror flags).
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    void BuildList(TGLRenderContextInfo& rci) override;

protected:
    // Whether Width and Height are streamed: when they differ from the default size.
    virtual bool StoreWidth() const { return FWidth != 1; }
    virtual bool StoreHeight() const { return FHeight != 1; }

private:
    float FWidth = 1;
    float FHeight = 1;
    float FRotation = 0;
    float FAlphaChannel = 1;
    bool FMirrorU = false;
    bool FMirrorV = false;
};

// How the point sizes shrink with distance, for the points of a TGLPoints.
class TGLPointParameters : public TGLUpdateAbleObject {
public:
    explicit TGLPointParameters(TPersistent* AOwner);
    ~TGLPointParameters() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Negative sizes become 0.
    float MinSize() const { return FMinSize; }
    void SetMinSize(float Value);
    float MaxSize() const { return FMaxSize; }
    void SetMaxSize(float Value);
    float FadeTresholdSize() const { return FFadeTresholdSize; }
    void SetFadeTresholdSize(float Value);
    TGLCoordinates3* DistanceAttenuation() const { return FDistanceAttenuation.get(); }
    void SetDistanceAttenuation(TGLCoordinates3* Value);

    // The three sizes and the attenuation of other point parameters.
    void Assign(TPersistent* Source) override;
    // "PointParams": MinSize, MaxSize, FadeTresholdSize as Singles, written only when one differs from its
    // default.
    void DefineProperties(TFiler& Filer) override;
    // Only when enabled and the driver has point parameters; UnApply puts the defaults back.
    void Apply();
    void UnApply();

private:
    void SetSize(float& field, float Value);

    bool FEnabled = false;
    float FMinSize = 0;
    float FMaxSize = 128;
    float FFadeTresholdSize = 1;
    std::unique_ptr<TGLCoordinates3> FDistanceAttenuation;
};

enum TGLPointStyle { psSquare, psRound, psSmooth, psSmoothAdditive, psSquareAdditive };

// Points drawn from vertex arrays in one call, in one colour or one colour each.
class TGLPoints : public TGLImmaterialSceneObject {
public:
    // One point at the origin.
    explicit TGLPoints(TComponent* AOwner);
    ~TGLPoints() override;

    TAffineVectorList* Positions() const { return FPositions.get(); }
    void SetPositions(TAffineVectorList* Value);
    // None: white; one: every point in it; more: one per point (as many points as colours at most).
    TVectorList* Colors() const { return FColors.get(); }
    void SetColors(TVectorList* Value);
    // In pixels.
    float Size() const { return FSize; }
    void SetSize(float Value);
    TGLPointStyle Style() const { return FStyle; }
    void SetStyle(TGLPointStyle Value);
    TGLPointParameters* PointParameters() const { return FPointParameters.get(); }
    void SetPointParameters(TGLPointParameters* Value);
    // On: compiled into a display list instead of drawn every frame.
    bool Static() const { return FStatic; }
    void SetStatic(bool Value);
    bool NoZWrite() const { return FNoZWrite; }
    void SetNoZWrite(bool Value);

    // Size, Style, Positions and Colors of other points.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    std::unique_ptr<TAffineVectorList> FPositions;
    std::unique_ptr<TVectorList> FColors;
    float FSize = 1;
    TGLPointStyle FStyle = psSquare;
    std::unique_ptr<TGLPointParameters> FPointParameters;
    bool FStatic = false;
    bool FNoZWrite = false;
};

enum TNormalDirection { ndInside, ndOutside };
enum TNormalSmoothing { nsFlat, nsSmooth, nsNone };

// The base of the objects drawn through GLU quadrics: the kind of normals they send and which way they face.
class TGLQuadricObject : public TVAVodadObject {
public:
    using TVAVodadObject::TVAVodadObject;

    TNormalSmoothing Normals() const { return FNormals; }
    void SetNormals(TNormalSmoothing Value);
    TNormalDirection NormalDirection() const { return FNormalDirection; }
    void SetNormalDirection(TNormalDirection Value);

    // Filled and textured, with the object's kind of normals, facing the object's way.
    void SetupQuadricParams(GLUquadric* quadric) const;
    // Facing the object's way (outside or inside).
    void SetNormalQuadricOrientation(GLUquadric* quadric) const;
    // Facing the other way, for the parts seen from the opposite side (the inner wall of a tube, say).
    void SetInvertedQuadricOrientation(GLUquadric* quadric) const;

    // Normals and NormalDirection of another quadric object.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;

private:
    TNormalSmoothing FNormals = nsSmooth;
    TNormalDirection FNormalDirection = ndOutside;
};

enum TCubePart { cpTop, cpBottom, cpFront, cpBack, cpLeft, cpRight };
using TCubeParts = TSet<TCubePart, uint8_t>;

// A box centred on the origin, CubeWidth along X, CubeHeight along Y and CubeDepth along Z, made of the
// chosen faces, facing outwards or (for a room seen from inside) inwards. Drawn every frame.
class TGLCube : public TVAVodadObject {
public:
    explicit TGLCube(TComponent* AOwner);

    // Index 0, 1, 2: width, height, depth.
    float GetCubeWHD(int32_t Index) const { return FCubeSize.V[Index]; }
    void SetCubeWHD(int32_t Index, float Value);
    float CubeWidth() const { return FCubeSize.X; }
    void SetCubeWidth(float Value) { SetCubeWHD(0, Value); }
    float CubeHeight() const { return FCubeSize.Y; }
    void SetCubeHeight(float Value) { SetCubeWHD(1, Value); }
    float CubeDepth() const { return FCubeSize.Z; }
    void SetCubeDepth(float Value) { SetCubeWHD(2, Value); }
    TCubeParts Parts() const { return FParts; }
    void SetParts(TCubeParts Value);
    TNormalDirection NormalDirection() const { return FNormalDirection; }
    void SetNormalDirection(TNormalDirection Value);

    // Size, Parts and NormalDirection of another cube.
    void Assign(TPersistent* Source) override;
    // "CubeSize": the three sizes as Singles, written only when one differs from 1.
    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // The first face the ray meets from outside (a ray starting inside meets none), with a little slack at
    // the edges; the normal is the face's outward one.
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    // The outline of the chosen faces (facing outwards) seen from the given place.
    std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
    // Two triangles a face; a current shader program that asks for "Tangent" and "Binormal" gets them per face.
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    TVector3f FCubeSize{{{1, 1, 1}}};
    TCubeParts FParts{cpTop, cpBottom, cpFront, cpBack, cpLeft, cpRight};
    TNormalDirection FNormalDirection = ndOutside;
};

enum TCapType { ctNone, ctCenter, ctFlat };

// What the sphere and the superellipsoid share: a radius, a grid of Slices x Stacks, the latitudes (Bottom to
// Top, degrees -90..90) and longitudes (Start to Stop, degrees 0..360) they cover, and the caps closing a
// cut top or bottom (a fan to the centre, or a flat disc). Hit and outlined as a whole sphere.
class TGLSphericalObject : public TGLQuadricObject {
public:
    using TGLQuadricObject::TGLQuadricObject;

    float Radius() const { return FRadius; }
    void SetRadius(float Value);
    // Values below 1 become 1.
    int32_t Slices() const { return FSlices; }
    void SetSlices(int32_t Value);
    int32_t Stacks() const { return FStacks; }
    void SetStacks(int32_t Value);
    // Held in -90..90.
    int32_t Top() const { return FTop; }
    void SetTop(int32_t Value);
    int32_t Bottom() const { return FBottom; }
    void SetBottom(int32_t Value);
    // Held in 0..360. A Start beyond Stop (or a Stop before Start) is refused with an assertion failure.
    int32_t Start() const { return FStart; }
    void SetStart(int32_t Value);
    int32_t Stop() const { return FStop; }
    void SetStop(int32_t Value);
    TCapType TopCap() const { return FTopCap; }
    void SetTopCap(TCapType Value);
    TCapType BottomCap() const { return FBottomCap; }
    void SetBottomCap(TCapType Value);

    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // The nearest point of the whole sphere ahead of the ray; the normal is that point's direction from the
    // centre (not normalised).
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    // A great circle across the view from SeenFrom, with max(Slices, Stacks) edges.
    std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;

protected:
    // Radius, Slices, Stacks, Bottom, Top, Start and Stop of source (not the caps).
    void AssignShape(const TGLSphericalObject& source);
    // Draws the covered part with its caps; curve maps each sine and cosine of the shape (the identity for a
    // sphere), scale multiplies every vertex.
    template <class TCurve> void BuildSurface(TGLRenderContextInfo& rci, const TCurve& curve, float scale,
                                              bool flatBottomRingNormals);

private:
    float FRadius = 0.5f;
    int32_t FSlices = 16;
    int32_t FStacks = 16;
    int8_t FTop = 90;
    int8_t FBottom = -90;
    uint16_t FStart = 0;
    uint16_t FStop = 360;
    TCapType FTopCap = ctNone;
    TCapType FBottomCap = ctNone;
};

// A sphere, or the part of one between the latitude and longitude limits.
class TGLSphere : public TGLSphericalObject {
public:
    using TGLSphericalObject::TGLSphericalObject;

    // Radius, Slices, Stacks and the limits of another sphere (not the caps), and the quadric settings.
    void Assign(TPersistent* Source) override;
    void BuildList(TGLRenderContextInfo& rci) override;
};

// A sphere whose sines and cosines are raised to powers: VCurve across the latitudes, HCurve around the axis
// (1 and 1 draw a sphere; small values square it off, large ones pinch it).
class TGLSuperellipsoid : public TGLSphericalObject {
public:
    using TGLSphericalObject::TGLSphericalObject;

    float VCurve() const { return FVCurve; }
    void SetVCurve(float Value);
    float HCurve() const { return FHCurve; }
    void SetHCurve(float Value);

    // Radius, Slices, Stacks and the limits of another superellipsoid (not the curves nor the caps), and the
    // quadric settings.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // An exactly even whole curve is nudged off that value first (VCurve up, HCurve down by 0.000001): an
    // even whole power would fold the negative half of the shape onto the positive one.
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    float FVCurve = 1;
    float FHCurve = 1;
};

// The base of the polygon objects: a list of nodes, joined as SplineMode says, each curved stretch divided
// into Division parts. Any change of the nodes rebuilds the object.
class TGLPolygonBase : public TVAVodadObject {
public:
    explicit TGLPolygonBase(TComponent* AOwner);
    ~TGLPolygonBase() override;

    TGLNodes* Nodes() const { return FNodes.get(); }
    // Copies the given nodes into the object's own.
    void SetNodes(TGLNodes* Value);
    // Values below 1 become 1.
    int32_t Division() const { return FDivision; }
    void SetDivision(int32_t Value);
    TLineSplineMode SplineMode() const { return FSplineMode; }
    void SetSplineMode(TLineSplineMode Value);

    // A node with all four components of Coords.
    void AddNode(const TGLCustomCoordinates& Coords);
    // A point: W = 1.
    void AddNode(float X, float Y, float Z);
    void AddNode(const TVector4f& Value);
    // A vector: W = 0.
    void AddNode(const TVector3f& Value);

    // Nodes, Division and SplineMode of another polygon object.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // A change reported by the node list rebuilds the object.
    void NotifyChange(TObject* Sender) override;

protected:
    // Makes the node list (nodes of class TGLNode). The constructor calls this class's own; a descendant that
    // keeps other nodes calls its override from its constructor.
    virtual void CreateNodes();

    std::unique_ptr<TGLNodes> FNodes;

private:
    int32_t FDivision = 10;
    TLineSplineMode FSplineMode = lsmLines;
};

// The unit dodecahedron (circumradius about 0.52) about the origin, each face with its flat normal.
void DodecahedronBuildList();

// A node of line objects: a point with its own colour, at first the node colour of its lines.
class TGLLinesNode : public TGLNode {
public:
    // The collection must belong to noded lines (an invalid-cast error otherwise).
    explicit TGLLinesNode(TGLNodes* ACollection);
    ~TGLLinesNode() override;

    TGLColor* Color() const { return FColor.get(); }
    void SetColor(TGLColor* Value);

    // The colour and the coordinates of another lines node; the coordinates of any other node.
    void Assign(TPersistent* Source) override;
    // The coordinates, and the colour when it is not the lines' node colour.
    void DefineProperties(TFiler& Filer) override;

private:
    std::unique_ptr<TGLColor> FColor;
};

// The nodes of line objects: any change rebuilds the owning object.
class TGLLinesNodes : public TGLNodes {
public:
    explicit TGLLinesNodes(TPersistent* AOwner);

    std::unique_ptr<TGLNodes> CreateCopy(TPersistent* AOwner) const override;
    void NotifyChange() override;
};

// What a line object draws: a colour, a 16-bit stipple pattern ($FFFF for solid), a width in pixels and
// optional smoothing. Lit by nothing.
class TGLLineBase : public TGLImmaterialSceneObject {
public:
    explicit TGLLineBase(TComponent* AOwner);
    ~TGLLineBase() override;

    TGLColor* LineColor() const { return FLineColor.get(); }
    void SetLineColor(TGLColor* Value);
    uint16_t LinePattern() const { return FLinePattern; }
    void SetLinePattern(uint16_t Value);
    float LineWidth() const { return FLineWidth; }
    void SetLineWidth(float Value);
    bool AntiAliased() const { return FAntiAliased; }
    void SetAntiAliased(bool Value);

    // The line style of another line object.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // A change of the line colour rebuilds the object.
    void NotifyChange(TObject* Sender) override;

protected:
    // Stipple, smoothing, width and colour for the lines about to be drawn (blended where they need it).
    void SetupLineStyle(TGLRenderContextInfo& rci);

private:
    std::unique_ptr<TGLColor> FLineColor;
    uint16_t FLinePattern = 0xFFFF;
    float FLineWidth = 1;
    bool FAntiAliased = false;
};

enum TLineNodesAspect { lnaInvisible, lnaAxes, lnaCube, lnaDodecahedron };

// Lines through a list of nodes, each node marked with axes, a wire cube or a dodecahedron of NodeSize.
class TGLNodedLines : public TGLLineBase {
public:
    explicit TGLNodedLines(TComponent* AOwner);
    ~TGLNodedLines() override;

    TGLNodes* Nodes() const { return FNodes.get(); }
    // Copies the given nodes into the object's own.
    void SetNodes(TGLNodes* Value);
    TLineNodesAspect NodesAspect() const { return FNodesAspect; }
    void SetNodesAspect(TLineNodesAspect Value);
    // The colour new nodes take. A change recolours the nodes that still had the previous node colour.
    TGLColor* NodeColor() const { return FNodeColor.get(); }
    void SetNodeColor(TGLColor* Value);
    // Values of 0 and below become 1.
    float NodeSize() const { return FNodeSize; }
    void SetNodeSize(float Value);

    // A node with all four components of coords (a node at the origin without coords).
    void AddNode(const TGLCustomCoordinates* coords);
    // A point: W = 1.
    void AddNode(float X, float Y, float Z);
    void AddNode(const TVector4f& Value);
    // A vector: W = 0.
    void AddNode(const TVector3f& Value);

    // Nodes, NodesAspect, NodeColor and NodeSize of other noded lines, then the line style.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // A node colour read from a stream is the one the nodes that follow it have.
    void Loaded() override;
    // The largest absolute value of each component over the nodes.
    TVector4f AxisAlignedDimensionsUnscaled() override;

protected:
    // The node's marker at (x, y, z) in its colour.
    void DrawNode(TGLRenderContextInfo& rci, const TVector4f& nodeColor, float x, float y, float z);

private:
    void NodeColorChanged(TObject* Sender);

    std::unique_ptr<TGLNodes> FNodes;
    TLineNodesAspect FNodesAspect = lnaAxes;
    std::unique_ptr<TGLColor> FNodeColor;
    float FNodeSize = 1;
    TVector4f FOldNodeColor{{{0, 0, 1, 1}}};
};

enum TLinesOption { loUseNodeColorForLines, loColorLogicXor };
using TLinesOptions = TSet<TLinesOption, uint8_t>;

// A poly-line through the nodes: straight, a cubic spline or a Bezier curve sampled Division times per node
// interval, a NURBS curve of NURBSOrder with the given knots, node pairs as separate segments, or a closed
// loop. Nothing at all is drawn with fewer than two nodes.
class TGLLines : public TGLNodedLines {
public:
    explicit TGLLines(TComponent* AOwner);
    ~TGLLines() override;

    // Values below 1 become 1.
    int32_t Division() const { return FDivision; }
    void SetDivision(int32_t Value);
    TLineSplineMode SplineMode() const { return FSplineMode; }
    void SetSplineMode(TLineSplineMode Value);
    TLinesOptions Options() const { return FOptions; }
    void SetOptions(TLinesOptions Value);
    int32_t NURBSOrder() const { return FNURBSOrder; }
    void SetNURBSOrder(int32_t Value);
    float NURBSTolerance() const { return FNURBSTolerance; }
    void SetNURBSTolerance(float Value);
    // The curve is drawn only with as many knots as nodes + NURBSOrder and an order of at least 2.
    TSingleList* NURBSKnots() const { return FNURBSKnots.get(); }

    // Division, SplineMode and Options of other lines (not the NURBS settings), then the rest.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    // The vertices of the curve (between glBegin and glEnd) for every mode but NURBS.
    void EmitVertices();
    void DrawNURBSCurve(const std::vector<TVector3f>& positions);

    int32_t FDivision = 10;
    TLineSplineMode FSplineMode = lsmLines;
    TLinesOptions FOptions;
    int32_t FNURBSOrder = 0;
    float FNURBSTolerance = 50;
    std::unique_ptr<TSingleList> FNURBSKnots;
};

// Registers the module's streamable classes (start-up).
void RegisterGLObjectsClasses();
