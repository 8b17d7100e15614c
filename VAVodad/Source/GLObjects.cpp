#include "GLObjects.h"

#include "GLPipelineTransformation.h"
#include "GLSilhouette.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "GLVectorLists.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"
#include "XOpenGL.h"
#include "ZODLog.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float cDefaultMinSize = 0;
constexpr float cDefaultMaxSize = 128;
constexpr float cDefaultFadeTresholdSize = 1;
const TVector4f cDefaultDistanceAttenuation{{{1, 0, 0, 0}}};

inline constexpr TEnumNames<2> cPlaneStyleNames{"psSingleQuad", "psTileTexture"};
inline constexpr TEnumNames<3> cCamInvarianceModeNames{"cimNone", "cimPosition", "cimOrientation"};
inline constexpr TEnumNames<5> cPointStyleNames{"psSquare", "psRound", "psSmooth", "psSmoothAdditive",
                                                "psSquareAdditive"};

TVector3f Affine3(const TVector4f& v)
{
    return TVector3f{{{v.X, v.Y, v.Z}}};
}

// A texture coordinate, then its vertex.
void TexturedVertex(TGLMultitextureCoordinator& xgl, TGLExtensionsAndEntryPoints& gl, const TVector2f& st,
                    const TVector3f& position)
{
    xgl.TexCoord2fv(st.V);
    gl.Vertex3fv(position.V);
}

void DefineTilesProperty(TFiler& filer, const char* name, uint32_t value, const std::function<void(uint32_t)>& setter)
{
    // Stored as the Integer of the same bits (the stream has no unsigned type), when not the default 1.
    filer.DefineProperty(
        name, [setter](TReader& reader) { setter(static_cast<uint32_t>(reader.ReadInteger())); },
        [value](TWriter& writer) { writer.WriteInteger(static_cast<int32_t>(value)); }, value != 1);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// CubeWireframeBuildList

void CubeWireframeBuildList(TGLRenderContextInfo& rci, bool stipple, const TVector4f& color, float size)
{
    TGLStateCache& states = *rci.GLStates;
    states.Disable(stLighting);
    states.Enable(stLineSmooth);
    if (stipple) {
        states.Enable(stLineStipple);
        states.Enable(stBlend);
        states.SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
        states.SetLineStippleFactor(1);
        states.SetLineStipplePattern(0xCCCC);
    }
    states.SetLineWidth(1);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.Color4fv(color.V);
    const float h = size * 0.5f;
    // Ten corners in one strip, then the three edges it misses.
    static constexpr float cStrip[10][3] = {{1, -1, -1}, {1, 1, -1},  {1, 1, 1},   {1, -1, 1},  {1, -1, -1},
                                            {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}, {1, 1, -1}};
    static constexpr float cLines[6][3] = {{1, 1, 1},   {-1, 1, 1},  {-1, -1, -1},
                                           {-1, 1, -1}, {1, -1, 1},  {-1, -1, 1}};
    gl.Begin_(GL_LINE_STRIP);
    for (const auto& p : cStrip) gl.Vertex3f(p[0] * h, p[1] * h, p[2] * h);
    gl.End_();
    gl.Begin_(GL_LINES);
    for (const auto& p : cLines) gl.Vertex3f(p[0] * h, p[1] * h, p[2] * h);
    gl.End_();
}

// ---------------------------------------------------------------------------------------------------------
// TGLDummyCube

TGLDummyCube::TGLDummyCube(TComponent* AOwner)
    : TGLCameraInvariantObject(AOwner),
      FEdgeColor(std::make_unique<TGLColor>(this, TVector4f{{{1, 1, 1, 1}}}))
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
    SetCamInvarianceMode(cimNone);
}

void TGLDummyCube::BeforeDestruction()
{
    FreeAndNil(FGroupList);
    TGLCameraInvariantObject::BeforeDestruction();
}

TGLDummyCube::~TGLDummyCube()
{
    // Reached with the list still there only by a plain delete.
    try {
        FreeAndNil(FGroupList);
    } catch (const std::exception& e) {
        GlobalLogSession()->LogError(std::string("Dummy cube destruction: ") + e.what());
    } catch (...) {
        GlobalLogSession()->LogError("Dummy cube destruction: unknown error");
    }
}

void TGLDummyCube::DestroyGroupList()
{
    if (FGroupList) FGroupList->DestroyHandle();
}

void TGLDummyCube::SetCubeSize(float Value)
{
    if (Store(FCubeSize, Value)) StructureChanged();
}

void TGLDummyCube::SetEdgeColor(TGLColor* Value)
{
    if (Value == FEdgeColor.get()) return;
    FEdgeColor->Assign(Value);
    StructureChanged();
}

void TGLDummyCube::SetVisibleAtRunTime(bool Value)
{
    if (Store(FVisibleAtRunTime, Value)) StructureChanged();
}

void TGLDummyCube::SetAmalgamate(bool Value)
{
    if (!Store(FAmalgamate, Value)) return;
    if (!FAmalgamate) DestroyGroupList();
    TGLCameraInvariantObject::StructureChanged();
}

void TGLDummyCube::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLDummyCube*>(Source)) {
        FCubeSize = source->FCubeSize;
        FEdgeColor->Assign(source->FEdgeColor.get());
        FVisibleAtRunTime = source->FVisibleAtRunTime;
        NotifyChange(this);
    }
    TGLCameraInvariantObject::Assign(Source);
}

void TGLDummyCube::DefineProperties(TFiler& Filer)
{
    TGLCameraInvariantObject::DefineProperties(Filer);
    DefineSingleProperty(Filer, "CubeSize", FCubeSize, 1, [this](float v) { SetCubeSize(v); });
    DefineNestedProperties(Filer, "EdgeColor", *FEdgeColor);
    DefineBooleanProperty(Filer, "VisibleAtRunTime", FVisibleAtRunTime, false,
                          [this](bool v) { SetVisibleAtRunTime(v); });
    DefineBooleanProperty(Filer, "Amalgamate", FAmalgamate, false, [this](bool v) { SetAmalgamate(v); });
    DefineEnumProperty<TGLCameraInvarianceMode>(Filer, "CamInvarianceMode", cCamInvarianceModeNames,
                                                CamInvarianceMode(), cimNone,
                                                [this](TGLCameraInvarianceMode v) { SetCamInvarianceMode(v); });
}

TVector4f TGLDummyCube::BarycenterAbsolutePosition()
{
    if (Count() == 0) return AbsolutePosition();
    TVector4f sum{};
    for (int32_t i = 0; i < Count(); ++i) HmgAdd(sum, Children(i)->BarycenterAbsolutePosition(), sum);
    HmgScale(sum, 1.0f / static_cast<float>(Count()), sum);
    return sum;
}

TVector4f TGLDummyCube::AxisAlignedDimensionsUnscaled()
{
    const float half = std::fabs(FCubeSize) * 0.5f;
    return TVector4f{{{half, half, half, 0}}};
}

bool TGLDummyCube::RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f*, TVector4f*)
{
    return false;
}

void TGLDummyCube::BuildList(TGLRenderContextInfo& rci)
{
    if ((ComponentState() & csDesigning) || FVisibleAtRunTime)
        CubeWireframeBuildList(rci, true, FEdgeColor->Color(), FCubeSize);
}

void TGLDummyCube::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    if (OnVisibilityDetermination && !OnVisibilityDetermination(this, rci)) return;
    if (!FAmalgamate || rci.amalgamating) {
        TGLCameraInvariantObject::DoRender(rci, renderSelf, renderChildren);
        return;
    }
    if (!FGroupList) FGroupList = new TGLListHandle();
    if (FGroupList->Handle() == 0) {
        const uint32_t list = FGroupList->AllocateHandle();
        if (list == 0) AssertionFailed("Handle=0 for " + ClassName(), cGLObjectsUnit);
        rci.GLStates->NewList(list, GL_COMPILE);
        try {
            TScopedValue amalgamating(rci.amalgamating, true);
            TGLCameraInvariantObject::DoRender(rci, renderSelf, renderChildren);
        } catch (...) {
            rci.GLStates->EndList();
            // A list cut short is not called in later frames: the next one compiles it again.
            DestroyGroupList();
            throw;
        }
        rci.GLStates->EndList();
    }
    rci.GLStates->CallList(FGroupList->Handle());
}

void TGLDummyCube::StructureChanged()
{
    if (FAmalgamate) DestroyGroupList();
    TGLCameraInvariantObject::StructureChanged();
}

// ---------------------------------------------------------------------------------------------------------
// TGLPlane

TGLPlane::TGLPlane(TComponent* AOwner) : TVAVodadObject(AOwner)
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
}

template <typename T> void TGLPlane::Change(T& field, T Value)
{
    if (!Store(field, Value)) return;
    FMesh.clear();
    StructureChanged();
}

void TGLPlane::SetXOffset(float Value)
{
    Change(FXOffset, Value);
}

void TGLPlane::SetYOffset(float Value)
{
    Change(FYOffset, Value);
}

void TGLPlane::SetXScope(float Value)
{
    Change(FXScope, std::min(Value, 1.0f));
}

void TGLPlane::SetYScope(float Value)
{
    Change(FYScope, std::min(Value, 1.0f));
}

void TGLPlane::SetWidth(float Value)
{
    Change(FWidth, Value);
}

void TGLPlane::SetHeight(float Value)
{
    Change(FHeight, Value);
}

void TGLPlane::SetXTiles(uint32_t Value)
{
    Change(FXTiles, Value);
}

void TGLPlane::SetYTiles(uint32_t Value)
{
    Change(FYTiles, Value);
}

void TGLPlane::SetStyle(TGLPlaneStyles Value)
{
    Change(FStyle, Value);
}

TRect TGLPlane::ScreenRect(TVAVodadBuffer* aBuffer)
{
    TRect rect{0, 0, 0, 0};
    if (!aBuffer) return rect;
    const float hw = FWidth * 0.5f;
    const float hh = FHeight * 0.5f;
    const float corners[4][2] = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < 4; ++i) {
        const TVector3f p =
            aBuffer->WorldToScreen(Affine3(LocalToAbsolute(TVector4f{{{corners[i][0], corners[i][1], 0, 1}}})));
        minX = i == 0 ? p.X : std::min(minX, p.X);
        maxX = i == 0 ? p.X : std::max(maxX, p.X);
        minY = i == 0 ? p.Y : std::min(minY, p.Y);
        maxY = i == 0 ? p.Y : std::max(maxY, p.Y);
    }
    // Rounded half to even.
    rect.Left = static_cast<int32_t>(std::lrint(minX));
    rect.Right = static_cast<int32_t>(std::lrint(maxX));
    rect.Top = static_cast<int32_t>(std::lrint(minY));
    rect.Bottom = static_cast<int32_t>(std::lrint(maxY));
    return rect;
}

float TGLPlane::PointDistance(const TVector4f& aPoint)
{
    TVector4f offset;
    HmgSubtract(aPoint, AbsolutePosition(), offset);
    return static_cast<float>(AffineDot(Affine3(offset), Affine3(AbsoluteDirection())));
}

void TGLPlane::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLPlane*>(Source)) {
        FXOffset = source->FXOffset;
        FYOffset = source->FYOffset;
        FXScope = source->FXScope;
        FYScope = source->FYScope;
        FWidth = source->FWidth;
        FHeight = source->FHeight;
        FXTiles = source->FXTiles;
        FYTiles = source->FYTiles;
        FStyle = source->FStyle;
        FMesh.clear();
        StructureChanged();
    }
    TVAVodadObject::Assign(Source);
}

void TGLPlane::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    DefineSingleProperty(Filer, "Height", FHeight, 1, [this](float v) { SetHeight(v); });
    DefineSingleProperty(Filer, "Width", FWidth, 1, [this](float v) { SetWidth(v); });
    DefineSingleProperty(Filer, "XOffset", FXOffset, 0, [this](float v) { SetXOffset(v); });
    DefineSingleProperty(Filer, "XScope", FXScope, 1, [this](float v) { SetXScope(v); });
    DefineTilesProperty(Filer, "XTiles", FXTiles, [this](uint32_t v) { SetXTiles(v); });
    DefineSingleProperty(Filer, "YOffset", FYOffset, 0, [this](float v) { SetYOffset(v); });
    DefineSingleProperty(Filer, "YScope", FYScope, 1, [this](float v) { SetYScope(v); });
    DefineTilesProperty(Filer, "YTiles", FYTiles, [this](uint32_t v) { SetYTiles(v); });
    DefineSetProperty<TGLPlaneStyle>(Filer, "Style", cPlaneStyleNames, FStyle, {psSingleQuad, psTileTexture},
                                     [this](TGLPlaneStyles v) { SetStyle(v); });
}

TVector4f TGLPlane::AxisAlignedDimensionsUnscaled()
{
    return TVector4f{{{std::fabs(FWidth) * 0.5f, std::fabs(FHeight) * 0.5f, 0, 0}}};
}

bool TGLPlane::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                TVector4f* intersectNormal)
{
    const TVector4f s = AbsoluteToLocal(rayStart);
    const TVector4f v = AbsoluteToLocal(rayVector);
    const bool positiveSide = s.Z >= 0;
    if (positiveSide ? !(v.Z < 0) : !(v.Z > 0)) return false;
    const float t = s.Z / v.Z;
    const float x = s.X - t * v.X;
    const float y = s.Y - t * v.Y;
    if (!(std::fabs(x) <= FWidth * 0.5f && std::fabs(y) <= FHeight * 0.5f)) return false;
    if (intersectNormal) {
        *intersectNormal = AbsoluteDirection();
        if (!positiveSide) HmgNegate(*intersectNormal, *intersectNormal);
    }
    if (intersectPoint) *intersectPoint = LocalToAbsolute(TVector4f{{{x, y, 0, 1}}});
    return true;
}

std::unique_ptr<TGLSilhouette> TGLPlane::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters)
{
    const float hw = FWidth * 0.5f;
    const float hh = FHeight * 0.5f;
    auto silhouette = std::make_unique<TGLSilhouette>();
    silhouette->SetParameters(silhouetteParameters);
    TVectorList* vertices = silhouette->Vertices();
    vertices->AddPoint(hw, hh);
    vertices->AddPoint(hw, -hh);
    vertices->AddPoint(-hw, -hh);
    vertices->AddPoint(-hw, hh);
    TIntegerList* indices = silhouette->Indices();
    for (int32_t i = 0; i < 4; ++i) indices->Add(i, (i + 1) % 4);
    if (silhouetteParameters.CappingRequired) {
        silhouette->CapIndices()->Add(0, 1, 2);
        silhouette->CapIndices()->Add(2, 3, 0);
    }
    return silhouette;
}

void TGLPlane::BuildMesh(float s0, float t0, float s1, float t1)
{
    const size_t columns = size_t{FXTiles} + 1;
    FMesh.resize((size_t{FYTiles} + 1) * columns);
    const float hw = FWidth * 0.5f;
    const float hh = FHeight * 0.5f;
    for (uint32_t i = 0; i <= FYTiles; ++i) {
        for (uint32_t j = 0; j <= FXTiles; ++j) {
            TVertexRec& vertex = FMesh[i * columns + j];
            vertex.Position = TVector3f{{{j * FWidth / FXTiles - hw, i * FHeight / FYTiles - hh, 0}}};
            vertex.TexCoord = TVector2f{{{s0 + j * (s1 - s0) / FXTiles, t0 + i * (t1 - t0) / FYTiles}}};
        }
    }
}

void TGLPlane::BuildList(TGLRenderContextInfo& rci)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    const float hw = FWidth * 0.5f;
    const float hh = FHeight * 0.5f;
    static constexpr float cNormal[3] = {0, 0, 1};
    gl.Normal3fv(cNormal);
    // A shader in use may want the plane's tangent space.
    if (gl.ARB_shader_objects && rci.GLStates->CurrentProgram() != 0) {
        static constexpr float cTangent[3] = {1, 0, 0};
        static constexpr float cBinormal[3] = {0, 1, 0};
        const uint32_t program = rci.GLStates->CurrentProgram();
        const GLint tangent = gl.GetAttribLocation(program, "Tangent");
        if (tangent > -1) gl.VertexAttrib3fv(tangent, cTangent);
        const GLint binormal = gl.GetAttribLocation(program, "Binormal");
        if (binormal > -1) gl.VertexAttrib3fv(binormal, cBinormal);
    }
    float s0 = 0, t0 = 0, s1 = FXScope, t1 = FYScope;
    if (FStyle.Contains(psTileTexture)) {
        s0 = FXOffset;
        t0 = FYOffset;
        s1 = FXTiles * FXScope + FXOffset;
        t1 = FYTiles * FYScope + FYOffset;
    }
    if (FStyle.Contains(psSingleQuad)) {
        const TVector3f p[4] = {{{{hw, hh, 0}}}, {{{-hw, hh, 0}}}, {{{-hw, -hh, 0}}}, {{{hw, -hh, 0}}}};
        const TVector2f st[4] = {{{{s1, t1}}}, {{{s0, t1}}}, {{{s0, t0}}}, {{{s1, t0}}}};
        gl.Begin_(GL_TRIANGLES);
        for (const int k : {0, 1, 2, 2, 3, 0}) TexturedVertex(xgl, gl, st[k], p[k]);
        gl.End_();
        return;
    }
    // No cells, no mesh (and no division by a zero count).
    if (FXTiles == 0 || FYTiles == 0) return;
    if (FMesh.empty()) BuildMesh(s0, t0, s1, t1);
    const size_t columns = size_t{FXTiles} + 1;
    gl.Begin_(GL_TRIANGLES);
    for (size_t i = 0; i < FYTiles; ++i) {
        const TVertexRec* row = &FMesh[i * columns];
        const TVertexRec* next = row + columns;
        for (size_t j = 0; j < FXTiles; ++j) {
            for (const TVertexRec* v : {&row[j], &row[j + 1], &next[j], &next[j + 1], &next[j], &row[j + 1]})
                TexturedVertex(xgl, gl, v->TexCoord, v->Position);
        }
    }
    gl.End_();
}

// ---------------------------------------------------------------------------------------------------------
// TGLSprite

TGLSprite::TGLSprite(TComponent* AOwner) : TVAVodadObject(AOwner)
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw, osNoVisibilityCulling});
}

void TGLSprite::SetWidth(float Value)
{
    if (Store(FWidth, Value)) NotifyChange(this);
}

void TGLSprite::SetHeight(float Value)
{
    if (Store(FHeight, Value)) NotifyChange(this);
}

void TGLSprite::SetRotation(float Value)
{
    if (Store(FRotation, Value)) NotifyChange(this);
}

void TGLSprite::SetAlphaChannel(float Value)
{
    Value = std::clamp(Value, 0.0f, 1.0f);
    if (Store(FAlphaChannel, Value)) NotifyChange(this);
}

void TGLSprite::SetMirrorU(bool Value)
{
    FMirrorU = Value;
    NotifyChange(this);
}

void TGLSprite::SetMirrorV(bool Value)
{
    FMirrorV = Value;
    NotifyChange(this);
}

void TGLSprite::SetSize(float Width, float Height)
{
    FWidth = Width;
    FHeight = Height;
    NotifyChange(this);
}

void TGLSprite::SetSquareSize(float Size)
{
    SetSize(Size, Size);
}

void TGLSprite::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLSprite*>(Source)) {
        FWidth = source->FWidth;
        FHeight = source->FHeight;
        FRotation = source->FRotation;
        FAlphaChannel = source->FAlphaChannel;
    }
    TVAVodadObject::Assign(Source);
}

void TGLSprite::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    DefineStoredSingleProperty(Filer, "Width", FWidth, StoreWidth(), [this](float v) { SetWidth(v); });
    DefineStoredSingleProperty(Filer, "Height", FHeight, StoreHeight(), [this](float v) { SetHeight(v); });
    DefineSingleProperty(Filer, "Rotation", FRotation, 0, [this](float v) { SetRotation(v); });
    DefineSingleProperty(Filer, "AlphaChannel", FAlphaChannel, 1, [this](float v) { SetAlphaChannel(v); });
    DefineBooleanProperty(Filer, "MirrorU", FMirrorU, false, [this](bool v) { SetMirrorU(v); });
    DefineBooleanProperty(Filer, "MirrorV", FMirrorV, false, [this](bool v) { SetMirrorV(v); });
}

TVector4f TGLSprite::AxisAlignedDimensionsUnscaled()
{
    const float hw = std::fabs(FWidth) * 0.5f;
    return TVector4f{{{hw, std::fabs(FHeight) * 0.5f, hw, 0}}};
}

void TGLSprite::BuildList(TGLRenderContextInfo& rci)
{
    if (FAlphaChannel != 1) rci.GLStates->SetGLMaterialAlphaChannel(GL_FRONT_AND_BACK, FAlphaChannel);
    // The screen's right, up and viewing axes in the object's space: the rows of the inverse model-view
    // matrix (points are row vectors). Taken from the inverse, the quad keeps Width x Height in eye space
    // however the object and its parents are scaled.
    const TMatrix4f inv = rci.PipelineTransformation->InvModelViewMatrix();
    TVector3f vx = Affine3(inv.V[0]);
    TVector3f vy = Affine3(inv.V[1]);
    AffineScale(vx, FWidth * 0.5f, vx);
    AffineScale(vy, FHeight * 0.5f, vy);
    const float sLeft = FMirrorU ? 1.0f : 0.0f;
    const float tBottom = FMirrorV ? 1.0f : 0.0f;
    FacingQuadBuildList(vx, vy, sLeft, 1.0f - sLeft, tBottom, 1.0f - tBottom, FRotation, Affine3(inv.V[2]));
}

void FacingQuadBuildList(const TVector3f& vx, const TVector3f& vy, float sLeft, float sRight, float tBottom, float tTop,
                         float rotation, const TVector3f& axis)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    const bool rotated = rotation != 0;
    if (rotated) {
        gl.PushMatrix();
        gl.Rotatef(rotation, axis.X, axis.Y, axis.Z);
    }
    const TVector3f corners[4] = {
        {{{vx.X + vy.X, vx.Y + vy.Y, vx.Z + vy.Z}}},
        {{{-vx.X + vy.X, -vx.Y + vy.Y, -vx.Z + vy.Z}}},
        {{{-vx.X - vy.X, -vx.Y - vy.Y, -vx.Z - vy.Z}}},
        {{{vx.X - vy.X, vx.Y - vy.Y, vx.Z - vy.Z}}},
    };
    const TVector2f st[4] = {{{{sRight, tTop}}}, {{{sLeft, tTop}}}, {{{sLeft, tBottom}}}, {{{sRight, tBottom}}}};
    gl.Begin_(GL_QUADS);
    for (int k = 0; k < 4; ++k) TexturedVertex(xgl, gl, st[k], corners[k]);
    gl.End_();
    if (rotated) gl.PopMatrix();
}

// ---------------------------------------------------------------------------------------------------------
// TGLPointParameters

TGLPointParameters::TGLPointParameters(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FDistanceAttenuation(std::make_unique<TGLCoordinates3>(this, cDefaultDistanceAttenuation, CsVector))
{
}

TGLPointParameters::~TGLPointParameters() = default;

void TGLPointParameters::SetEnabled(bool Value)
{
    if (Store(FEnabled, Value)) NotifyChange(this);
}

void TGLPointParameters::SetSize(float& field, float Value)
{
    if (Store(field, std::max(Value, 0.0f))) NotifyChange(this);
}

void TGLPointParameters::SetMinSize(float Value)
{
    SetSize(FMinSize, Value);
}

void TGLPointParameters::SetMaxSize(float Value)
{
    SetSize(FMaxSize, Value);
}

void TGLPointParameters::SetFadeTresholdSize(float Value)
{
    SetSize(FFadeTresholdSize, Value);
}

void TGLPointParameters::SetDistanceAttenuation(TGLCoordinates3* Value)
{
    FDistanceAttenuation->Assign(Value);
}

void TGLPointParameters::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLPointParameters*>(Source);
    if (!source) return;
    FMinSize = source->FMinSize;
    FMaxSize = source->FMaxSize;
    FFadeTresholdSize = source->FFadeTresholdSize;
    FDistanceAttenuation->Assign(source->FDistanceAttenuation.get());
}

void TGLPointParameters::DefineProperties(TFiler& Filer)
{
    TGLUpdateAbleObject::DefineProperties(Filer);
    DefineBooleanProperty(Filer, "Enabled", FEnabled, false, [this](bool v) { SetEnabled(v); });
    DefineNestedProperties(Filer, "DistanceAttenuation", *FDistanceAttenuation);
    const bool changed = FMinSize != cDefaultMinSize || FMaxSize != cDefaultMaxSize ||
                         FFadeTresholdSize != cDefaultFadeTresholdSize;
    Filer.DefineBinaryProperty(
        "PointParams",
        [this](TStream& stream) {
            // Read whole before storing: a property cut short leaves the sizes as they were.
            float sizes[3];
            stream.ReadBuffer(sizes, sizeof(sizes));
            SetMinSize(sizes[0]);
            SetMaxSize(sizes[1]);
            SetFadeTresholdSize(sizes[2]);
        },
        [this](TStream& stream) {
            const float sizes[3] = {FMinSize, FMaxSize, FFadeTresholdSize};
            stream.WriteBuffer(sizes, sizeof(sizes));
        },
        changed);
}

namespace {

void SendPointParameters(float minSize, float maxSize, float fadeTresholdSize, const TVector4f& attenuation)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.PointParameterf(GL_POINT_SIZE_MIN, minSize);
    gl.PointParameterf(GL_POINT_SIZE_MAX, maxSize);
    gl.PointParameterf(GL_POINT_FADE_THRESHOLD_SIZE, fadeTresholdSize);
    gl.PointParameterfv(GL_POINT_DISTANCE_ATTENUATION, attenuation.V);
}

} // namespace

void TGLPointParameters::Apply()
{
    if (FEnabled && GetCurrentGL()->ARB_point_parameters)
        SendPointParameters(FMinSize, FMaxSize, FFadeTresholdSize, FDistanceAttenuation->AsVector());
}

void TGLPointParameters::UnApply()
{
    if (FEnabled && GetCurrentGL()->ARB_point_parameters)
        SendPointParameters(cDefaultMinSize, cDefaultMaxSize, cDefaultFadeTresholdSize, cDefaultDistanceAttenuation);
}

// ---------------------------------------------------------------------------------------------------------
// TGLPoints

TGLPoints::TGLPoints(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner),
      FPositions(std::make_unique<TAffineVectorList>()),
      FColors(std::make_unique<TVectorList>()),
      FPointParameters(std::make_unique<TGLPointParameters>(this))
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw, osNoVisibilityCulling});
    FPositions->Add(0.0f, 0.0f, 0.0f);
}

TGLPoints::~TGLPoints() = default;

void TGLPoints::SetPositions(TAffineVectorList* Value)
{
    FPositions->Assign(Value);
    StructureChanged();
}

void TGLPoints::SetColors(TVectorList* Value)
{
    FColors->Assign(Value);
    StructureChanged();
}

void TGLPoints::SetSize(float Value)
{
    if (Store(FSize, Value)) StructureChanged();
}

void TGLPoints::SetStyle(TGLPointStyle Value)
{
    if (Store(FStyle, Value)) StructureChanged();
}

void TGLPoints::SetPointParameters(TGLPointParameters* Value)
{
    FPointParameters->Assign(Value);
}

void TGLPoints::SetStatic(bool Value)
{
    if (!Store(FStatic, Value)) return;
    if (FStatic)
        SetObjectStyle(ObjectStyle() - TGLObjectStyles{osDirectDraw});
    else
        SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
    StructureChanged();
}

void TGLPoints::SetNoZWrite(bool Value)
{
    if (Store(FNoZWrite, Value)) StructureChanged();
}

void TGLPoints::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLPoints*>(Source)) {
        FSize = source->FSize;
        FStyle = source->FStyle;
        FPositions->Assign(source->FPositions.get());
        FColors->Assign(source->FColors.get());
        StructureChanged();
    }
    TGLImmaterialSceneObject::Assign(Source);
}

void TGLPoints::DefineProperties(TFiler& Filer)
{
    TGLImmaterialSceneObject::DefineProperties(Filer);
    DefineBooleanProperty(Filer, "NoZWrite", FNoZWrite, false, [this](bool v) { SetNoZWrite(v); });
    DefineBooleanProperty(Filer, "Static", FStatic, false, [this](bool v) { SetStatic(v); });
    DefineSingleProperty(Filer, "Size", FSize, 1, [this](float v) { SetSize(v); });
    DefineEnumProperty<TGLPointStyle>(Filer, "Style", cPointStyleNames, FStyle, psSquare,
                                      [this](TGLPointStyle v) { SetStyle(v); });
    DefineNestedProperties(Filer, "PointParameters", *FPointParameters);
    DefineNestedProperties(Filer, "Positions", *FPositions);
    DefineNestedProperties(Filer, "Colors", *FColors);
}

void TGLPoints::BuildList(TGLRenderContextInfo& rci)
{
    int32_t n = FPositions->Count();
    if (n == 0) return;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLStateCache& states = *rci.GLStates;
    const int32_t colors = FColors->Count();
    if (colors == 0) {
        gl.Color4f(1, 1, 1, 1);
    } else if (colors == 1) {
        gl.Color4fv(FColors->List()[0].V);
    } else {
        n = std::min(n, colors);
        gl.ColorPointer(4, GL_FLOAT, 0, FColors->List());
        gl.EnableClientState(GL_COLOR_ARRAY);
    }
    if (colors < 2) gl.DisableClientState(GL_COLOR_ARRAY);
    states.Disable(stLighting);
    gl.VertexPointer(3, GL_FLOAT, 0, FPositions->List());
    gl.EnableClientState(GL_VERTEX_ARRAY);
    if (FNoZWrite) states.SetDepthWriteMask(false);
    states.SetPointSize(FSize);
    FPointParameters->Apply();
    const bool locked = gl.EXT_compiled_vertex_array && n > 64;
    if (locked) gl.LockArrays(0, n);
    switch (FStyle) {
    case psSquare:
        states.Disable(stBlend);
        break;
    case psRound:
        states.Enable(stPointSmooth);
        states.Enable(stAlphaTest);
        states.SetGLAlphaFunction(cfGreater, 0.5f);
        states.Disable(stBlend);
        break;
    case psSmooth:
    case psSmoothAdditive:
        states.Enable(stPointSmooth);
        states.Enable(stAlphaTest);
        states.SetGLAlphaFunction(cfNotEqual, 0);
        states.Enable(stBlend);
        states.SetBlendFunc(bfSrcAlpha, FStyle == psSmooth ? bfOneMinusSrcAlpha : bfOne);
        break;
    case psSquareAdditive:
        states.Enable(stBlend);
        states.SetBlendFunc(bfSrcAlpha, bfOne);
        break;
    }
    gl.DrawArrays(GL_POINTS, 0, n);
    if (locked) gl.UnlockArrays();
    FPointParameters->UnApply();
    gl.DisableClientState(GL_VERTEX_ARRAY);
    if (colors > 1) gl.DisableClientState(GL_COLOR_ARRAY);
}

// ---------------------------------------------------------------------------------------------------------

void RegisterGLObjectsClasses()
{
    RegisterClasses<TGLSphere, TGLCube, TGLPlane, TGLSprite, TGLPoints, TGLDummyCube, TGLSuperellipsoid, TGLLines>();
}
