// The basic scene objects: the invisible group node (a dummy cube, which also hides or shows whole subtrees
// and can compile a static subtree into one display list), the flat rectangle, the camera-facing sprite and
// the point cloud, plus the wire cube the dummy cube and the line objects draw; and the solids: the box, the
// sphere and superellipsoid, and the base of the objects drawn as GLU quadrics.
#pragma once

#include "VAVodad.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class GLUquadric;
class TAffineVectorList;
class TVectorList;

inline constexpr const char* cGLObjectsUnit = "VAVodad\\Source\\GLObjects";

// Answers whether the object and its subtree are drawn in this frame.
using TGLVisibilityDeterminationEvent = std::function<bool(TObject* Sender, TGLRenderContextInfo& rci)>;

// How a line or polygon object joins its nodes: straight segments, a cubic spline, a Bezier curve, a NURBS
// curve, separate segments (node pairs) or a closed loop.
enum TLineSplineMode { lsmLines, lsmCubicSpline, lsmBezierSpline, lsmNURBSCurve, lsmSegments, lsmLoop };

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

// Registers the module's streamable classes (start-up).
void RegisterGLObjectsClasses();
