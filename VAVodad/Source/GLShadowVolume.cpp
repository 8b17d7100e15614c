#include "GLShadowVolume.h"

#include "GLBoundingBoxes.h"
#include "GLPipelineTransformation.h"
#include "GLSilhouette.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "OpenGLAdapter.h"
#include "SysUtils.h"
#include "VAVodad_streaming.h"
#include "ZODLog.h"

#include <cmath>
#include <cstring>

namespace {

inline constexpr TEnumNames<5> cCastingModeNames{"scmAlways", "scmVisible", "scmRecursivelyVisible",
                                                 "scmParentVisible", "scmParentRecursivelyVisible"};
inline constexpr TEnumNames<3> cCappingNames{"svcDefault", "svcAlways", "svcNever"};
inline constexpr TEnumNames<3> cModeNames{"svmAccurate", "svmDarkening", "svmOff"};
inline constexpr TEnumNames<5> cOptionNames{"svoShowVolumes", "svoCacheSilhouettes", "svoScissorClips",
                                            "svoWorldScissorClip", "svoDesignVisible"};
const TVector4f cNoColour{{{0, 0, 0, 0}}};
const TVector4f cBlackAmbient{{{0, 0, 0, 1}}};

TVector3f Affine3(const TVector4f& v)
{
    return TVector3f{{{v.X, v.Y, v.Z}}};
}

// The object and its ancestors up to (not including) stopAt are visible; no object counts as visible.
bool RecursivelyVisible(const TGLBaseSceneObject* obj, const TGLBaseSceneObject* stopAt)
{
    for (; obj && obj != stopAt; obj = obj->Parent())
        if (!obj->Visible()) return false;
    return true;
}

// A cached silhouette serves only for exactly the same light, direction, style and capping.
bool SameParameters(const TGLSilhouetteParameters& a, const TGLSilhouetteParameters& b)
{
    return std::memcmp(&a, &b, sizeof(TGLSilhouetteParameters)) == 0;
}

// The extruded edges as quads, then (pulled slightly away from the viewer) the near and far caps.
void DrawEdgesAndCaps(TGLExtensionsAndEntryPoints& gl, TGLStateCache& states, const TGLSilhouette& silhouette,
                      bool caps)
{
    gl.DrawElements(GL_QUADS, silhouette.Indices()->Count(), GL_UNSIGNED_INT, silhouette.Indices()->List());
    if (!caps) return;
    states.Enable(stPolygonOffsetFill);
    gl.DrawElements(GL_TRIANGLES, silhouette.CapIndices()->Count(), GL_UNSIGNED_INT,
                    silhouette.CapIndices()->List());
    states.Disable(stPolygonOffsetFill);
}

// One of the two passes that count a closed volume into the stencil buffer: the faces culled and the
// operations when the depth test fails or passes.
struct TCountingPass {
    TCullFaceMode Cull;
    TStencilOp DepthFail, DepthPass;
};
// With caps, by depth failure (the camera may stand inside): back faces count up first, then front faces
// down. Without caps, by depth passing: front faces up, then back faces down.
constexpr TCountingPass cCappedPasses[2] = {{cmFront, soIncr, soKeep}, {cmBack, soDecr, soKeep}};
constexpr TCountingPass cUncappedPasses[2] = {{cmBack, soKeep, soIncr}, {cmFront, soKeep, soDecr}};

void CountVolume(TGLExtensionsAndEntryPoints& gl, TGLStateCache& states, const TGLSilhouette& silhouette,
                 bool capped)
{
    // The vertices stay locked across the four draws of a capped volume.
    const bool locked = capped && gl.EXT_compiled_vertex_array;
    if (locked) gl.LockArrays(0, silhouette.Vertices()->Count());
    for (const TCountingPass& pass : capped ? cCappedPasses : cUncappedPasses) {
        states.SetCullFaceMode(pass.Cull);
        states.SetStencilOp(soKeep, pass.DepthFail, pass.DepthPass);
        DrawEdgesAndCaps(gl, states, silhouette, capped);
    }
    if (locked) gl.UnlockArrays();
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLShadowVolumeCaster

TGLShadowVolumeCaster::TGLShadowVolumeCaster(TGLShadowVolumeCasters* Collection) : FCollection(Collection) {}

TGLShadowVolumeCaster::~TGLShadowVolumeCaster()
{
    try {
        SetCaster(nullptr);
    } catch (const std::exception& e) {
        GlobalLogSession()->LogError(std::string("Shadow caster destruction: ") + e.what());
    } catch (...) {
        GlobalLogSession()->LogError("Shadow caster destruction: unknown error");
    }
}

TGLShadowVolume* TGLShadowVolumeCaster::GLShadowVolume() const
{
    return FCollection ? FCollection->Volume() : nullptr;
}

TPersistent* TGLShadowVolumeCaster::GetOwner() const
{
    return FCollection;
}

void TGLShadowVolumeCaster::SetCaster(TGLBaseSceneObject* Value)
{
    if (FCaster == Value) return;
    TGLShadowVolume* volume = GLShadowVolume();
    // One object may be named by several items: its notification goes only with the last of them.
    if (FCaster && volume && !volume->CasterInUse(FCaster, this)) FCaster->RemoveFreeNotification(volume);
    FCaster = Value;
    if (FCaster && volume) FCaster->FreeNotification(volume);
    if (volume && !(volume->ComponentState() & csDestroying)) volume->StructureChanged();
}

void TGLShadowVolumeCaster::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLShadowVolumeCaster*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    // Through the setter: the copy too must hear when its caster dies.
    SetCaster(source->FCaster);
    FEffectiveRadius = source->FEffectiveRadius;
    FCapping = source->FCapping;
    if (TGLShadowVolume* volume = GLShadowVolume()) volume->StructureChanged();
}

void TGLShadowVolumeCaster::DefineProperties(TFiler& Filer)
{
    TPersistent::DefineProperties(Filer);
    DefineReferenceProperty(Filer, dynamic_cast<TGLShadowVolumeLight*>(this) ? "LightSource" : "Caster", FCaster,
                            FCasterName);
    DefineSingleProperty(Filer, "EffectiveRadius", FEffectiveRadius, 0, [this](float v) { FEffectiveRadius = v; });
    DefineEnumProperty<TGLShadowVolumeCapping>(Filer, "Capping", cCappingNames, FCapping, svcDefault,
                                               [this](TGLShadowVolumeCapping v) { FCapping = v; });
    DefineEnumProperty<TGLShadowCastingMode>(Filer, "CastingMode", cCastingModeNames, FCastingMode,
                                             scmRecursivelyVisible,
                                             [this](TGLShadowCastingMode v) { FCastingMode = v; });
}

void TGLShadowVolumeCaster::ResolveCaster()
{
    TGLShadowVolume* const volume = GLShadowVolume();
    if (!volume) return;
    if (dynamic_cast<TGLShadowVolumeLight*>(this))
        ResolveReference<TGLLightSource>(volume, FCasterName, [this](TGLLightSource* light) { SetCaster(light); });
    else
        ResolveReference<TGLBaseSceneObject>(volume, FCasterName, [this](TGLBaseSceneObject* obj) { SetCaster(obj); });
}

std::string TGLShadowVolumeCaster::GetDisplayName() const
{
    if (!FCaster) return "nil";
    std::string name = dynamic_cast<TGLLightSource*>(FCaster) ? "[Light]" : "[Object]";
    name += " " + FCaster->Name();
    if (FEffectiveRadius > 0) name += Format(" (%.1f)", {static_cast<double>(FEffectiveRadius)});
    return name;
}

void TGLShadowVolumeCaster::RemoveNotification(TComponent* AComponent)
{
    if (AComponent != FCaster) return;
    FCaster = nullptr;
    if (FCollection) FCollection->Delete(FCollection->IndexOfItem(this));
}

// ---------------------------------------------------------------------------------------------------------
// TGLShadowVolumeLight

TGLShadowVolumeLight::TGLShadowVolumeLight(TGLShadowVolumeCasters* Collection) : TGLShadowVolumeCaster(Collection) {}

TGLShadowVolumeLight::~TGLShadowVolumeLight() = default;

TGLLightSource* TGLShadowVolumeLight::LightSource() const
{
    return dynamic_cast<TGLLightSource*>(Caster());
}

void TGLShadowVolumeLight::FlushSilhouetteCache()
{
    FSilhouettes.clear();
}

TGLSilhouette* TGLShadowVolumeLight::GetCachedSilhouette(int32_t AIndex) const
{
    return AIndex >= 0 && AIndex < CachedSilhouetteCount() ? FSilhouettes[AIndex].get() : nullptr;
}

void TGLShadowVolumeLight::StoreCachedSilhouette(int32_t AIndex, TGLSilhouette* ASilhouette)
{
    if (AIndex >= CachedSilhouetteCount()) FSilhouettes.resize(static_cast<size_t>(AIndex) + 1);
    if (FSilhouettes[AIndex].get() != ASilhouette) FSilhouettes[AIndex].reset(ASilhouette);
}

bool TGLShadowVolumeLight::ApplyScissorRect(const TAABB* worldAABB, TGLRenderContextInfo& rci)
{
    TGLLightSource* light = LightSource();
    TAABB box;
    if (EffectiveRadius() > 0 && light && light->Attenuated()) {
        AABBFromSphere(light->AbsolutePosition(), EffectiveRadius(), box);
        if (worldAABB) AABBIntersection(box, *worldAABB, box);
    } else {
        if (!worldAABB) return false;
        box = *worldAABB;
    }
    if (AABBContainsPoint(rci.cameraPosition, box)) return false;
    TScreenRectF rect;
    AABBToScreenRect(box, rci.PipelineTransformation->ViewProjectionMatrix(), rci.viewPortSize.cx,
                     rci.viewPortSize.cy, rect);
    // Horizontally the rectangle need only overlap the view; vertically it must lie within it.
    if (!(rect.Right >= 0 && rect.Left <= rci.viewPortSize.cx && rect.Top >= 0 && rect.Bottom <= rci.viewPortSize.cy))
        return false;
    const int32_t left = FloatRoundToInt(rect.Left);
    const int32_t top = FloatRoundToInt(rect.Top);
    rci.GLStates->SetScissorBox(
        TVector4i{{{left, top, FloatRoundToInt(rect.Right - rect.Left), FloatRoundToInt(rect.Bottom - rect.Top)}}});
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// TGLShadowVolumeCasters

TGLShadowVolumeCasters::TGLShadowVolumeCasters(TGLShadowVolume* AOwner, TItemClass AItemClass)
    : FOwner(AOwner), FItemClass(AItemClass)
{
}

TGLShadowVolumeCasters::~TGLShadowVolumeCasters()
{
    Clear();
}

TPersistent* TGLShadowVolumeCasters::GetOwner() const
{
    return FOwner;
}

void TGLShadowVolumeCasters::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLShadowVolumeCasters*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    Clear();
    for (const auto& item : source->FItems) Add()->Assign(item.get());
}

TGLShadowVolumeCaster* TGLShadowVolumeCasters::GetItems(int32_t Index) const
{
    if (Index < 0 || Index >= Count()) RaiseListError("List index out of bounds (%d)", Index);
    return FItems[Index].get();
}

int32_t TGLShadowVolumeCasters::IndexOfItem(const TGLShadowVolumeCaster* item) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (FItems[i].get() == item) return i;
    return -1;
}

TGLShadowVolumeCaster* TGLShadowVolumeCasters::Add()
{
    FItems.emplace_back(FItemClass(this));
    return FItems.back().get();
}

void TGLShadowVolumeCasters::Delete(int32_t Index)
{
    GetItems(Index);
    // Out of the list first: the item's destructor asks the volume about the other items.
    std::unique_ptr<TGLShadowVolumeCaster> item = std::move(FItems[Index]);
    FItems.erase(FItems.begin() + Index);
}

void TGLShadowVolumeCasters::Clear()
{
    while (!FItems.empty()) Delete(Count() - 1);
}

TGLShadowVolumeCaster* TGLShadowVolumeCasters::AddCaster(TGLBaseSceneObject* obj, float effectiveRadius,
                                                         TGLShadowCastingMode CastingMode)
{
    TGLShadowVolumeCaster* item = Add();
    item->SetCaster(obj);
    item->SetEffectiveRadius(effectiveRadius);
    item->SetCastingMode(CastingMode);
    return item;
}

void TGLShadowVolumeCasters::RemoveCaster(TGLBaseSceneObject* obj)
{
    const int32_t i = IndexOfCaster(obj);
    if (i >= 0) Delete(i);
}

int32_t TGLShadowVolumeCasters::IndexOfCaster(TGLBaseSceneObject* obj) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (FItems[i]->Caster() == obj) return i;
    return -1;
}

void TGLShadowVolumeCasters::RemoveNotification(TComponent* AComponent)
{
    for (int32_t i = Count() - 1; i >= 0; --i)
        if (i < Count()) FItems[i]->RemoveNotification(AComponent);
}

// ---------------------------------------------------------------------------------------------------------
// TGLShadowVolume

TGLShadowVolume::TGLShadowVolume(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner),
      FLights(std::make_unique<TGLShadowVolumeCasters>(this, &ShadowVolumeCasterClassOf<TGLShadowVolumeLight>)),
      FOccluders(std::make_unique<TGLShadowVolumeCasters>(this, &ShadowVolumeCasterClassOf<TGLShadowVolumeOccluder>)),
      FDarkeningColor(std::make_unique<TGLColor>(this, TVector4f{{{0, 0, 0, 0.5f}}}))
{
    SetObjectStyle(ObjectStyle() - TGLObjectStyles{osDirectDraw} + TGLObjectStyles{osNoVisibilityCulling});
}

TGLShadowVolume::~TGLShadowVolume()
{
    try {
        FLights->Clear();
        FOccluders->Clear();
    } catch (const std::exception& e) {
        GlobalLogSession()->LogError(std::string("Shadow volume destruction: ") + e.what());
    } catch (...) {
        GlobalLogSession()->LogError("Shadow volume destruction: unknown error");
    }
}

void TGLShadowVolume::SetActive(bool Value)
{
    if (FActive == Value) return;
    FActive = Value;
    StructureChanged();
}

void TGLShadowVolume::SetLights(TGLShadowVolumeCasters* Value)
{
    Assert(Value->ItemClass() == FLights->ItemClass(), "", cGLShadowVolumeUnit);
    FLights->Assign(Value);
    StructureChanged();
}

void TGLShadowVolume::SetOccluders(TGLShadowVolumeCasters* Value)
{
    Assert(Value->ItemClass() == FOccluders->ItemClass(), "", cGLShadowVolumeUnit);
    FOccluders->Assign(Value);
    StructureChanged();
}

void TGLShadowVolume::SetOptions(TGLShadowVolumeOptions Value)
{
    if (FOptions == Value) return;
    FOptions = Value;
    if (!FOptions.Contains(svoCacheSilhouettes)) FlushSilhouetteCache();
    StructureChanged();
}

void TGLShadowVolume::SetMode(TGLShadowVolumeMode Value)
{
    if (FMode == Value) return;
    FMode = Value;
    StructureChanged();
}

void TGLShadowVolume::SetDarkeningColor(TGLColor* Value)
{
    FDarkeningColor->Assign(Value);
}

void TGLShadowVolume::FlushSilhouetteCache()
{
    for (int32_t i = 0; i < FLights->Count(); ++i)
        static_cast<TGLShadowVolumeLight*>(FLights->GetItems(i))->FlushSilhouetteCache();
}

bool TGLShadowVolume::CasterInUse(TGLBaseSceneObject* obj, const TGLShadowVolumeCaster* except) const
{
    for (const TGLShadowVolumeCasters* casters : {FLights.get(), FOccluders.get()})
        for (int32_t i = 0; i < casters->Count(); ++i) {
            const TGLShadowVolumeCaster* item = casters->GetItems(i);
            if (item != except && item->Caster() == obj) return true;
        }
    return false;
}

void TGLShadowVolume::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLShadowVolume*>(Source)) {
        FLights->Assign(source->FLights.get());
        FOccluders->Assign(source->FOccluders.get());
        FCapping = source->FCapping;
        StructureChanged();
    }
    TGLImmaterialSceneObject::Assign(Source);
}

void TGLShadowVolume::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove) {
        FLights->RemoveNotification(AComponent);
        FOccluders->RemoveNotification(AComponent);
    }
    TGLImmaterialSceneObject::Notification(AComponent, Operation);
}

void TGLShadowVolume::DefineProperties(TFiler& Filer)
{
    TGLImmaterialSceneObject::DefineProperties(Filer);
    DefineBooleanProperty(Filer, "Active", FActive, true, [this](bool v) { SetActive(v); });
    DefineEnumProperty<TGLShadowVolumeCapping>(Filer, "Capping", cCappingNames, FCapping, svcAlways,
                                               [this](TGLShadowVolumeCapping v) { SetCapping(v); });
    DefineEnumProperty<TGLShadowVolumeMode>(Filer, "Mode", cModeNames, FMode, svmAccurate,
                                            [this](TGLShadowVolumeMode v) { SetMode(v); });
    DefineSetProperty<TGLShadowVolumeOption>(Filer, "Options", cOptionNames, FOptions,
                                             TGLShadowVolumeOptions{svoCacheSilhouettes, svoScissorClips},
                                             [this](TGLShadowVolumeOptions v) { SetOptions(v); });
    DefineNestedProperties(Filer, "DarkeningColor", *FDarkeningColor);
    for (TGLShadowVolumeCasters* casters : {FLights.get(), FOccluders.get()})
        DefineCollectionProperty(
            Filer, casters == FLights.get() ? "Lights" : "Occluders", casters->Count(),
            [casters](int32_t i) { return casters->GetItems(i); }, [casters] { casters->Clear(); },
            [casters] { return casters->Add(); });
}

void TGLShadowVolume::Loaded()
{
    TGLImmaterialSceneObject::Loaded();
    for (TGLShadowVolumeCasters* casters : {FLights.get(), FOccluders.get()})
        for (int32_t i = 0; i < casters->Count(); ++i) casters->GetItems(i)->ResolveCaster();
}

bool TGLShadowVolume::CastsShadow(const TGLShadowVolumeCaster& occluder, TGLRenderContextInfo& rci) const
{
    TGLBaseSceneObject* obj = occluder.Caster();
    if (!obj) return false;
    bool visible = false;
    switch (occluder.CastingMode()) {
    case scmAlways: visible = true; break;
    case scmVisible: visible = obj->Visible(); break;
    case scmRecursivelyVisible: visible = RecursivelyVisible(obj, this); break;
    case scmParentRecursivelyVisible: visible = RecursivelyVisible(obj->Parent(), this); break;
    case scmParentVisible: visible = !obj->Parent() || obj->Parent()->Visible(); break;
    }
    if (!visible) return false;
    return !(occluder.EffectiveRadius() > 0 && obj->DistanceTo(rci.cameraPosition) >= occluder.EffectiveRadius());
}

void TGLShadowVolume::SelectOccluders(TGLRenderContextInfo& rci)
{
    FSelected.clear();
    FSelectedCapping.clear();
    for (int32_t i = 0; i < FOccluders->Count(); ++i) {
        const TGLShadowVolumeCaster& occluder = *FOccluders->GetItems(i);
        const bool casts = CastsShadow(occluder, rci);
        FSelected.push_back(casts ? occluder.Caster() : nullptr);
        FSelectedCapping.push_back(casts && (occluder.Capping() == svcAlways ||
                                             (occluder.Capping() == svcDefault && FCapping == svcAlways)));
    }
}

void TGLShadowVolume::CountVolumes(TGLShadowVolumeLight& lightItem, TGLLightSource& light, int32_t i,
                                   TGLRenderContextInfo& rci)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLStateCache& states = *rci.GLStates;
    TGLSilhouetteParameters parameters{};
    parameters.LightDirection = light.SpotDirection()->AsAffineVector();
    parameters.Style = light.LightStyle() == lsParallel ? ssParallel : ssOmni;
    parameters.CappingRequired = true;
    states.SetStencilFunc(cfAlways, 0, 255);
    states.SetDepthFunc(cfLess);
    if (FOptions.Contains(svoShowVolumes)) {
        gl.Color3f(0.05f * static_cast<float>(i), 0.1f, 0);
        states.Enable(stBlend);
    } else {
        states.SetGLColorWriting(false);
        states.Disable(stBlend);
    }
    states.Enable(stCullFace);
    states.Disable(stLighting);
    gl.EnableClientState(GL_VERTEX_ARRAY);
    states.SetPolygonOffset(1, 1);
    const bool caching = FOptions.Contains(svoCacheSilhouettes) && !ObjectStyle().Contains(osDirectDraw);
    const TVector4f lightPosition = light.AbsolutePosition();
    for (int32_t j = 0; j < static_cast<int32_t>(FSelected.size()); ++j) {
        TGLBaseSceneObject* occluder = FSelected[j];
        if (!occluder) continue;
        parameters.SeenFrom = Affine3(occluder->AbsoluteToLocal(lightPosition));
        TGLSilhouette* silhouette = lightItem.GetCachedSilhouette(j);
        std::unique_ptr<TGLSilhouette> fresh;
        if (!silhouette || !SameParameters(silhouette->Parameters(), parameters)) {
            fresh = occluder->GenerateSilhouette(parameters);
            if (!fresh) continue;
            fresh->SetParameters(parameters);
            fresh->ExtrudeVerticesToInfinity(parameters.SeenFrom);
            silhouette = fresh.get();
        }
        // Only this pass's silhouette is ever freed; one that is not to be cached leaves an empty slot.
        if (caching && fresh) lightItem.StoreCachedSilhouette(j, fresh.release());
        TryFinally(
            [&] {
                rci.PipelineTransformation->SetModelMatrix(occluder->AbsoluteMatrix());
                gl.VertexPointer(4, GL_FLOAT, 0, silhouette->Vertices()->List());
                CountVolume(gl, states, *silhouette, FSelectedCapping[j]);
            },
            [&] {
                if (!caching && lightItem.GetCachedSilhouette(j)) lightItem.StoreCachedSilhouette(j, nullptr);
            });
    }
    gl.DisableClientState(GL_VERTEX_ARRAY);
}

void TGLShadowVolume::ShadeLight(TGLRenderContextInfo& rci)
{
    TGLStateCache& states = *rci.GLStates;
    if (FMode == svmAccurate) {
        // The light's own share, added where no volume covers the stencil.
        states.SetStencilFunc(cfEqual, 0, 255);
        states.SetDepthFunc(cfEqual);
        RenderChildren(0, Count() - 1, rci);
        return;
    }
    // A quad over the whole view in the darkening colour where the stencil counts a volume.
    states.SetStencilFunc(cfNotEqual, 0, 255);
    states.SetDepthFunc(cfAlways);
    states.SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.PushMatrix();
    gl.LoadIdentity();
    gl.MatrixMode(GL_PROJECTION);
    gl.PushMatrix();
    TMatrix4f ortho;
    MatrixOrthoProjection(0, 1, 1, 0, -1, 1, ortho);
    gl.LoadMatrixf(&ortho.X.X);
    gl.Color4fv(FDarkeningColor->Color().V);
    gl.Begin_(GL_QUADS);
    gl.Vertex2f(0, 0);
    gl.Vertex2f(0, 1);
    gl.Vertex2f(1, 1);
    gl.Vertex2f(1, 0);
    gl.End_();
    gl.PopMatrix();
    gl.MatrixMode(GL_MODELVIEW);
    gl.PopMatrix();
    states.SetBlendFunc(bfSrcAlpha, bfOne);
}

void TGLShadowVolume::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    if (!FActive) {
        TGLImmaterialSceneObject::DoRender(rci, renderSelf, renderChildren);
        return;
    }
    if (FRendering || !(renderSelf || renderChildren)) return;
    ClearStructureChanged();
    if (((ComponentState() & csDesigning) && !FOptions.Contains(svoDesignVisible)) || FMode == svmOff ||
        rci.drawState == dsPicking) {
        TGLImmaterialSceneObject::DoRender(rci, renderSelf, renderChildren);
        return;
    }
    TAABB worldBox;
    const bool worldClip = FOptions.Contains(svoWorldScissorClip);
    if (worldClip) {
        worldBox = AxisAlignedBoundingBox(true);
        AABBTransformInPlace(worldBox, AbsoluteMatrix());
    }

    TScopedValue rendering(FRendering, true);
    SelectOccluders(rci);
    TGLStateCache& states = *rci.GLStates;
    // Accurate: the first pass leaves out the shadow lights' direct light.
    if (FMode == svmAccurate)
        for (int32_t i = 0; i < FLights->Count(); ++i)
            if (TGLLightSource* light = static_cast<TGLShadowVolumeLight*>(FLights->GetItems(i))->LightSource();
                light && light->Shining()) {
                states.SetLightDiffuse(static_cast<int32_t>(light->LightID()), cNoColour);
                states.SetLightSpecular(static_cast<int32_t>(light->LightID()), cNoColour);
            }
    RenderChildren(0, Count() - 1, rci);

    TScopedValue ignoreBlending(rci.ignoreBlendingRequests, true);
    TScopedValue ignoreDepth(rci.ignoreDepthRequests, true);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    // What follows the volume draws with the depth settings it found.
    const TComparisonFunction depthFunc = states.DepthFunc();
    const bool depthWrite = states.DepthWriteMask();
    states.SetDepthWriteMask(false);
    states.Enable(stDepthTest);
    states.SetBlendFunc(bfSrcAlpha, bfOne);
    states.Disable(stAlphaTest);
    states.Enable(stStencilTest);
    if (gl.ARB_vertex_buffer_object) {
        if (gl.ARB_vertex_array_object) states.SetVertexArrayBinding(0);
        states.SetArrayBufferBinding(0);
        states.SetElementBufferBinding(0);
    }
    if (rci.lights)
        for (int32_t i = 0; i < rci.lights->Count(); ++i)
            if (auto* light = dynamic_cast<TGLLightSource*>(rci.lights->Items(i)); light && light->Shining())
                states.SetLightEnabling(static_cast<int32_t>(light->LightID()), false);
    gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, cBlackAmbient.V);
    rci.PipelineTransformation->Push();
    TryFinally(
        [&] {
            for (int32_t i = 0; i < FLights->Count(); ++i) {
                auto& lightItem = *static_cast<TGLShadowVolumeLight*>(FLights->GetItems(i));
                TGLLightSource* light = lightItem.LightSource();
                if (!light || !light->Shining()) continue;
                if (worldClip || FOptions.Contains(svoScissorClips)) {
                    if (lightItem.ApplyScissorRect(worldClip ? &worldBox : nullptr, rci))
                        states.Enable(stScissorTest);
                    else
                        states.Disable(stScissorTest);
                }
                gl.Clear(GL_STENCIL_BUFFER_BIT);
                // Far caps and sides at infinity stay inside the depth range instead of being clipped.
                if (gl.ARB_depth_clamp) states.Enable(stDepthClamp);
                CountVolumes(lightItem, *light, i, rci);
                if (gl.ARB_depth_clamp) states.Disable(stDepthClamp);

                const auto id = static_cast<int32_t>(light->LightID());
                states.SetLightEnabling(id, true);
                states.SetLightAmbient(id, cNoColour);
                states.SetLightDiffuse(id, light->Diffuse()->Color());
                states.SetLightSpecular(id, light->Specular()->Color());
                states.SetGLColorWriting(true);
                states.SetStencilOp(soKeep, soKeep, soKeep);
                states.Enable(stBlend);
                states.SetCullFaceMode(cmBack);
                ShadeLight(rci);
                states.SetLightEnabling(id, false);
                states.SetLightAmbient(id, light->Ambient()->Color());
            }
        },
        [&] { rci.PipelineTransformation->Pop(); });
    gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, rci.sceneAmbientColor.V);
    if (auto* scene = dynamic_cast<TVAVodad*>(rci.scene)) scene->SetupLights(static_cast<int32_t>(states.MaxLights()));
    states.Disable(stStencilTest);
    // A scissor box left on would clip everything drawn after the volume, the head-up display included.
    states.Disable(stScissorTest);
    states.SetPolygonOffset(0, 0);
    states.SetDepthFunc(depthFunc);
    states.SetDepthWriteMask(depthWrite);
}

void RegisterGLShadowVolumeClasses()
{
    RegisterClasses<TGLShadowVolume>();
}
