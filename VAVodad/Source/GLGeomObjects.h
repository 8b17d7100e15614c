// The geometric objects drawn as GLU quadrics: the disk (or disk sector), and the cylinder family (cone,
// cylinder or truncated cone, annulus, straight arrow, curved arrow). Each answers ray queries in its own
// frame; the cylinder family also gives silhouettes for shadow volumes.
#pragma once

#include "GLObjects.h"

#include <cstdint>
#include <vector>

// ---------------------------------------------------------------------------------------------------------
// TGLDisk

// A disk or ring (InnerRadius > 0) in the local XY plane facing +Z; a sector when SweepAngle is below 360.
// Angles in degrees, clockwise from +Y seen from +Z (0 is +Y, 90 is +X).
class TGLDisk : public TGLQuadricObject {
public:
    explicit TGLDisk(TComponent* AOwner);

    float StartAngle() const { return FStartAngle; }
    void SetStartAngle(float Value);
    float SweepAngle() const { return FSweepAngle; }
    void SetSweepAngle(float Value);
    float OuterRadius() const { return FOuterRadius; }
    void SetOuterRadius(float Value);
    float InnerRadius() const { return FInnerRadius; }
    void SetInnerRadius(float Value);
    int32_t Slices() const { return FSlices; }
    void SetSlices(int32_t Value);
    int32_t Loops() const { return FLoops; }
    void SetLoops(int32_t Value);

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // The plane point is written to intersectPoint as soon as the ray meets the disk's plane, before the
    // radius and angle tests decide whether the disk itself is hit.
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    float FStartAngle = 0;
    float FSweepAngle = 360;
    float FOuterRadius = 0.5f;
    float FInnerRadius = 0;
    int32_t FSlices = 16;
    int32_t FLoops = 2;
};

// ---------------------------------------------------------------------------------------------------------
// The cylinder family

enum TConePart { coSides, coBottom };
using TConeParts = TSet<TConePart, uint8_t>;
enum TCylinderPart { cySides, cyBottom, cyTop };
using TCylinderParts = TSet<TCylinderPart, uint8_t>;
enum TCylinderAlignment { caCenter, caTop, caBottom };
enum TAnnulusPart { anInnerSides, anOuterSides, anBottom, anTop };
using TAnnulusParts = TSet<TAnnulusPart, uint8_t>;
enum TArrowLinePart { alLine, alTopArrow, alBottomArrow };
using TArrowLineParts = TSet<TArrowLinePart, uint8_t>;
enum TArrowArcPart { aaArc, aaTopArrow, aaBottomArrow };
using TArrowArcParts = TSet<TArrowArcPart, uint8_t>;
// Where the arrow heads sit: beyond the shaft's ends, half inside, or wholly inside its length.
enum TArrowHeadStackingStyle { ahssStacked, ahssCentered, ahssIncluded };

// A solid of revolution about the local Y axis, Height tall, BottomRadius wide at its bottom and
// GetTopRadius at its top.
class TGLCylinderBase : public TGLQuadricObject {
public:
    float BottomRadius() const { return FBottomRadius; }
    void SetBottomRadius(float Value);
    float Height() const { return FHeight; }
    void SetHeight(float Value);
    int32_t Slices() const { return FSlices; }
    void SetSlices(int32_t Value);
    int32_t Stacks() const { return FStacks; }
    void SetStacks(int32_t Value);
    // Values <= 0 are ignored.
    int32_t Loops() const { return FLoops; }
    void SetLoops(int32_t Value);
    virtual float GetTopRadius() const { return FBottomRadius; }

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // The outline of the solid centred on the origin, along Y, with at least five segments around.
    std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;

protected:
    // defaultStacks: the Stacks value not written to a stream.
    TGLCylinderBase(TComponent* AOwner, int32_t defaultStacks);
    // The side from BottomRadius at height `bottom` up to topRadius Height above it, a disk on top and a disk
    // underneath, each when asked for.
    void DrawUpright(float bottom, float topRadius, bool sides, bool top, bool base);

    float FBottomRadius = 0.5f;
    int32_t FSlices = 16;
    int32_t FStacks = 4;
    int32_t FLoops = 1;
    float FHeight = 1;

private:
    const int32_t FDefaultStacks;
};

// A cone standing on its base, centred halfway up.
class TGLCone : public TGLCylinderBase {
public:
    explicit TGLCone(TComponent* AOwner);

    TConeParts Parts() const { return FParts; }
    void SetParts(TConeParts Value);
    float GetTopRadius() const override { return 0; }

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    TConeParts FParts{coSides, coBottom};
};

// A cylinder, or a truncated cone when TopRadius differs from BottomRadius; Alignment puts the origin at its
// centre, its top or its bottom.
class TGLCylinder : public TGLCylinderBase {
public:
    explicit TGLCylinder(TComponent* AOwner);

    TCylinderParts Parts() const { return FParts; }
    void SetParts(TCylinderParts Value);
    float TopRadius() const { return FTopRadius; }
    void SetTopRadius(float Value);
    TCylinderAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TCylinderAlignment Value);
    float GetTopRadius() const override { return FTopRadius; }

    // Places the cylinder between two points: centred between them, its Up along start -> end, as tall as
    // they are apart.
    void Align(const TVector4f& startPoint, const TVector4f& endPoint);
    void Align(TGLBaseSceneObject* startObj, TGLBaseSceneObject* endObj);
    void Align(const TVector3f& startPoint, const TVector3f& endPoint);

    // Parts and TopRadius of another cylinder (not Alignment).
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // The nearest of the caps and the side; a truncated cone is tested with its own two radii.
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    TCylinderParts FParts{cySides, cyBottom, cyTop};
    float FTopRadius = 0.5f;
    TCylinderAlignment FAlignment = caCenter;
};

// A thick-walled tube: outer and inner walls, each tapering from its bottom radius to its top radius, closed
// by ring-shaped caps.
class TGLAnnulus : public TGLCylinderBase {
public:
    explicit TGLAnnulus(TComponent* AOwner);

    TAnnulusParts Parts() const { return FParts; }
    void SetParts(TAnnulusParts Value);
    float BottomInnerRadius() const { return FBottomInnerRadius; }
    void SetBottomInnerRadius(float Value);
    float TopInnerRadius() const { return FTopInnerRadius; }
    void SetTopInnerRadius(float Value);
    float TopRadius() const { return FTopRadius; }
    void SetTopRadius(float Value);

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // The ring of the cap the ray meets first, else the nearest wall within the caps' heights; the inner
    // wall's normal faces the hole.
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    TAnnulusParts FParts{anInnerSides, anOuterSides, anBottom, anTop};
    float FBottomInnerRadius = 0.3f;
    float FTopInnerRadius = 0.3f;
    float FTopRadius = 0.5f;
};

// A vertex of a kept mesh, with the tangent and binormal a shader may ask for.
struct TVertexRec {
    TVector3f Position;
    TVector3f Normal;
    TVector3f Binormal;
    TVector3f Tangent;
    TVector2f TexCoord;
};

// What the two arrows share: a shaft from BottomRadius to TopRadius with a cone head at either end.
class TGLArrowBase : public TGLCylinderBase {
public:
    float TopRadius() const { return FTopRadius; }
    void SetTopRadius(float Value);
    float TopArrowHeadHeight() const { return fTopArrowHeadHeight; }
    void SetTopArrowHeadHeight(float Value);
    float TopArrowHeadRadius() const { return fTopArrowHeadRadius; }
    void SetTopArrowHeadRadius(float Value);
    float BottomArrowHeadHeight() const { return fBottomArrowHeadHeight; }
    void SetBottomArrowHeadHeight(float Value);
    float BottomArrowHeadRadius() const { return fBottomArrowHeadRadius; }
    void SetBottomArrowHeadRadius(float Value);
    TArrowHeadStackingStyle HeadStackingStyle() const { return FHeadStackingStyle; }
    void SetHeadStackingStyle(TArrowHeadStackingStyle Value);

protected:
    using TGLCylinderBase::TGLCylinderBase;
    // The shaft and head sizes of another arrow.
    void AssignArrow(const TGLArrowBase& source);
    void DefineArrowProperties(TFiler& Filer);

    float FTopRadius = 0.1f;
    float fTopArrowHeadHeight = 0.5f;
    float fTopArrowHeadRadius = 0.2f;
    float fBottomArrowHeadHeight = 0.5f;
    float fBottomArrowHeadRadius = 0.2f;
    TArrowHeadStackingStyle FHeadStackingStyle = ahssStacked;
};

// A straight arrow along local Z, centred on the origin.
class TGLArrowLine : public TGLArrowBase {
public:
    explicit TGLArrowLine(TComponent* AOwner);

    TArrowLineParts Parts() const { return FParts; }
    void SetParts(TArrowLineParts Value);

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    TArrowLineParts FParts{alLine, alTopArrow};
};

// A curved arrow: a tube bent along an arc of ArcRadius in the local XY plane about the Z axis, from
// StartAngle to StopAngle (degrees, clockwise seen from +Z), with a cone head at either end. Its vertices
// (with tangents and binormals for a shader) are kept and rebuilt after any structural change.
class TGLArrowArc : public TGLArrowBase {
public:
    explicit TGLArrowArc(TComponent* AOwner);

    float ArcRadius() const { return fArcRadius; }
    void SetArcRadius(float Value);
    float StartAngle() const { return FStartAngle; }
    void SetStartAngle(float Value);
    float StopAngle() const { return FStopAngle; }
    void SetStopAngle(float Value);
    TArrowArcParts Parts() const { return FParts; }
    void SetParts(TArrowArcParts Value);

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // Also drops the kept vertices.
    void StructureChanged() override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    void BuildMesh();

    float fArcRadius = 0.5f;
    float FStartAngle = 0;
    float FStopAngle = 360;
    TArrowArcParts FParts{aaArc, aaTopArrow};
    // Rows of Slices + 1 vertices: the tube's Stacks + 1 rows (with aaArc), then the start end's rows (three
    // for a head, one for a flat cap), then the stop end's; empty until the next drawing after a change.
    std::vector<TVertexRec> FMesh;
    // The centres of the start and stop end fans.
    TVertexRec FStartCentre{};
    TVertexRec FStopCentre{};
};

// ---------------------------------------------------------------------------------------------------------
// Capsule, torus, truncated pyramid and filled polygon

enum TTorusPart { toSides, toStartDisk, toStopDisk };
using TTorusParts = TSet<TTorusPart, uint8_t>;
enum TFrustrumPart { fpTop, fpBottom, fpFront, fpBack, fpLeft, fpRight };
using TFrustrumParts = TSet<TFrustrumPart, uint8_t>;
enum TPolygonPart { ppTop, ppBottom };
using TPolygonParts = TSet<TPolygonPart, uint8_t>;

// A cylinder of Radius along the local Y axis with a half sphere on either end. Height is the length of the
// straight part; Alignment puts the origin at its middle, its top end or its bottom end.
class TGLCapsule : public TVAVodadObject {
public:
    explicit TGLCapsule(TComponent* AOwner);

    TCylinderParts Parts() const { return FParts; }
    void SetParts(TCylinderParts Value);
    float Radius() const { return FRadius; }
    void SetRadius(float Value);
    // Each ring has Slices x Stacks segments; each end has Slices + 1 bands from the rim over the pole (the
    // last one lying over the one before it).
    int32_t Slices() const { return FSlices; }
    void SetSlices(int32_t Value);
    int32_t Stacks() const { return FStacks; }
    void SetStacks(int32_t Value);
    float Height() const { return FHeight; }
    void SetHeight(float Value);
    TCylinderAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TCylinderAlignment Value);

    // Places the capsule between two points, as TGLCylinder::Align does.
    void Align(const TVector4f& startPoint, const TVector4f& endPoint);
    void Align(TGLBaseSceneObject* startObj, TGLBaseSceneObject* endObj);
    void Align(const TVector3f& startPoint, const TVector3f& endPoint);

    // Parts and Radius of another capsule.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // The straight wall and the round ends as drawn; the normal has the length of Radius.
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    TCylinderParts FParts{cySides, cyBottom, cyTop};
    float FRadius = 0.5f;
    int32_t FSlices = 4;
    int32_t FStacks = 4;
    float FHeight = 1;
    TCylinderAlignment FAlignment = caCenter;
};

// A torus, or a section of one from StartAngle to StopAngle (degrees), lying in the local XY plane around the
// Z axis. Its vertices (with tangents and binormals for a shader) are kept and rebuilt after any change.
class TGLTorus : public TVAVodadObject {
public:
    explicit TGLTorus(TComponent* AOwner);

    float MajorRadius() const { return FMajorRadius; }
    void SetMajorRadius(float Value);
    float MinorRadius() const { return FMinorRadius; }
    void SetMinorRadius(float Value);
    // At least 2 rings and 3 sides: smaller values are raised to that.
    uint32_t Rings() const { return FRings; }
    void SetRings(uint32_t Value);
    uint32_t Sides() const { return FSides; }
    void SetSides(uint32_t Value);
    float StartAngle() const { return FStartAngle; }
    void SetStartAngle(float Value);
    float StopAngle() const { return FStopAngle; }
    void SetStopAngle(float Value);
    TTorusParts Parts() const { return FParts; }
    void SetParts(TTorusParts Value);

    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // The whole ring surface, whatever the section drawn; the normal points from the tube's centre line to
    // the hit and is not normalised.
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    // Stores the value; a change drops the kept vertices and rebuilds the structure.
    template <typename T> void Change(T& field, T Value);
    void BuildMesh();

    TTorusParts FParts{toSides, toStartDisk, toStopDisk};
    uint32_t FRings = 25;
    uint32_t FSides = 15;
    float FStartAngle = 0;
    float FStopAngle = 360;
    float FMinorRadius = 0.1f;
    float FMajorRadius = 0.4f;
    // Rows of Sides + 1 vertices: Rings + 1 side rows (with toSides), then the start disk's rim and the stop
    // disk's; empty until the next drawing after a change.
    std::vector<TVertexRec> FMesh;
    TVertexRec FStartCentre{};
    TVertexRec FStopCentre{};
};

// A pyramid on a BaseWidth (X) by BaseDepth (Z) rectangle with its apex ApexHeight above the base, cut off
// Height above the base; centred halfway up. Sizes are never negative, ApexHeight is above 0 and Height
// never above ApexHeight.
class TGLFrustrum : public TVAVodadObject {
public:
    explicit TGLFrustrum(TComponent* AOwner);

    // Negative values and 0 are ignored; below Height, Height comes down with it.
    float ApexHeight() const { return FApexHeight; }
    void SetApexHeight(float Value);
    // Negative values are ignored.
    float BaseDepth() const { return FBaseDepth; }
    void SetBaseDepth(float Value);
    float BaseWidth() const { return FBaseWidth; }
    void SetBaseWidth(float Value);
    // Negative values are ignored; above ApexHeight, ApexHeight goes up with it.
    float Height() const { return FHeight; }
    void SetHeight(float Value);
    TFrustrumParts Parts() const { return FParts; }
    void SetParts(TFrustrumParts Value);
    TNormalDirection NormalDirection() const { return FNormalDirection; }
    void SetNormalDirection(TNormalDirection Value);
    // The size of the cut face.
    float TopDepth() const;
    float TopWidth() const;

    void Assign(TPersistent* Source) override;
    // The four sizes go in one binary property, "FrustrumSize", read through the setters.
    void DefineProperties(TFiler& Filer) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    float FApexHeight = 1;
    float FBaseDepth = 1;
    float FBaseWidth = 1;
    float FHeight = 0.5f;
    TFrustrumParts FParts{fpTop, fpBottom, fpFront, fpBack, fpLeft, fpRight};
    TNormalDirection FNormalDirection = ndOutside;
};

// The nodes filled as one polygon: its top faces along the nodes' normal, its bottom the other way.
class TGLPolygon : public TGLPolygonBase {
public:
    explicit TGLPolygon(TComponent* AOwner);

    TPolygonParts Parts() const { return FParts; }
    void SetParts(TPolygonParts Value);

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    void BuildList(TGLRenderContextInfo& rci) override;

private:
    TPolygonParts FParts{ppTop, ppBottom};
};

// Registers the module's streamable classes (start-up).
void RegisterGLGeomObjectsClasses();
