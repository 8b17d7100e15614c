#include "VAVodad.h"

#include "GLMaterial.h"
#include "GLPipelineTransformation.h"
#include "GLSilhouette.h"
#include "XOpenGL.h"
#include "GLVectorGeometry.h"
#include "VAVodad_streaming.h"

// ---------------------------------------------------------------------------------------------------------
// TGLCustomSceneObject

TGLCustomSceneObject::TGLCustomSceneObject(TComponent* AOwner)
    : TGLBaseSceneObject(AOwner), FMaterial(std::make_unique<TGLMaterial>(this))
{
}

TGLCustomSceneObject::~TGLCustomSceneObject() = default;

void TGLCustomSceneObject::SetMaterial(TGLMaterial* Value)
{
    FMaterial->Assign(Value);
    NotifyChange(this);
}

void TGLCustomSceneObject::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLCustomSceneObject*>(Source)) {
        FMaterial->Assign(source->FMaterial.get());
        FHint = source->FHint;
    }
    TGLBaseSceneObject::Assign(Source);
}

void TGLCustomSceneObject::DefineProperties(TFiler& Filer)
{
    TGLBaseSceneObject::DefineProperties(Filer);
    DefineEnumProperty<TGLObjectsSorting>(Filer, "ObjectsSorting", cObjectsSortingNames, ObjectsSorting(),
                                          osInherited, [this](TGLObjectsSorting v) { SetObjectsSorting(v); });
    DefineEnumProperty<TGLVisibilityCulling>(Filer, "VisibilityCulling", cVisibilityCullingNames,
                                             VisibilityCulling(), vcInherited,
                                             [this](TGLVisibilityCulling v) { SetVisibilityCulling(v); });
    DefineNestedProperties(Filer, "Direction", *Direction());
    DefineSingleProperty(Filer, "PitchAngle", PitchAngle(), 0, [this](float v) { SetPitchAngle(v); });
    DefineNestedProperties(Filer, "Position", *Position());
    DefineSingleProperty(Filer, "RollAngle", RollAngle(), 0, [this](float v) { SetRollAngle(v); });
    DefineNestedProperties(Filer, "Scale", *Scale());
    DefineBooleanProperty(Filer, "ShowAxes", ShowAxes(), false, [this](bool v) { SetShowAxes(v); });
    DefineSingleProperty(Filer, "TurnAngle", TurnAngle(), 0, [this](float v) { SetTurnAngle(v); });
    DefineNestedProperties(Filer, "Up", *Up());
    DefineBooleanProperty(Filer, "Visible", Visible(), true, [this](bool v) { SetVisible(v); });
    DefineBooleanProperty(Filer, "Pickable", Pickable(), true, [this](bool v) { SetPickable(v); });
    Filer.DefineProperty(
        "Hint", [this](TReader& reader) { FHint = reader.ReadString(); },
        [this](TWriter& writer) { writer.WriteString(FHint); }, !FHint.empty());
}

void TGLCustomSceneObject::Loaded()
{
    TGLBaseSceneObject::Loaded();
    FMaterial->Loaded();
}

void TGLCustomSceneObject::KnowMaterial() const
{
    const uint32_t revision = TGLMaterial::Revision();
    if (FMaterialKnown && FMaterialRevision == revision) return;
    FBlended = FMaterial->Blended();
    FStayingMaterial = FMaterial->StayingLibMaterial();
    FMaterialKnown = true;
    FMaterialRevision = revision;
}

bool TGLCustomSceneObject::StillApplied(const TGLRenderContextInfo& rci) const
{
    KnowMaterial();
    return FStayingMaterial && FStayingMaterial == rci.appliedMaterial && FStayingMaterial == rci.materialMayStay;
}

bool TGLCustomSceneObject::Blended()
{
    KnowMaterial();
    return FBlended;
}

void TGLCustomSceneObject::DestroyHandle()
{
    TGLBaseSceneObject::DestroyHandle();
    FMaterial->DestroyHandles();
}

TGLAbstractLibMaterial* TGLCustomSceneObject::StayingMaterial(const TGLRenderContextInfo& rci) const
{
    if (rci.ignoreMaterials) return nullptr;
    KnowMaterial();
    return FStayingMaterial;
}

void TGLCustomSceneObject::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    if (renderSelf) {
        if (rci.ignoreMaterials || StillApplied(rci)) {
            BuildOrCallList(rci);
        } else {
            // Multi-pass materials ask for the geometry again from UnApply.
            FMaterial->Apply(rci);
            do
                BuildOrCallList(rci);
            while (FMaterial->UnApply(rci));
        }
    }
    if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

// ---------------------------------------------------------------------------------------------------------
// TGLImmaterialSceneObject, TVAVodadRootObject

void TGLImmaterialSceneObject::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    TGLBaseSceneObject::DoRender(rci, renderSelf, renderChildren);
}

TVAVodadRootObject::TVAVodadRootObject(TComponent* AOwner) : TGLBaseSceneObject(AOwner)
{
    auto* scene = dynamic_cast<IVAVodadScene*>(AOwner);
    Assert(scene != nullptr, "", cVAVodadUnit);
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
    SetScene(scene);
}

// ---------------------------------------------------------------------------------------------------------
// TGLCameraInvariantObject

void TGLCameraInvariantObject::SetCamInvarianceMode(TGLCameraInvarianceMode Value)
{
    if (FCamInvarianceMode == Value) return;
    FCamInvarianceMode = Value;
    NotifyChange(this);
}

void TGLCameraInvariantObject::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLCameraInvariantObject*>(Source))
        FCamInvarianceMode = source->FCamInvarianceMode;
    TGLImmaterialSceneObject::Assign(Source);
}

void TGLCameraInvariantObject::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    if (FCamInvarianceMode == cimNone) {
        TGLImmaterialSceneObject::DoRender(rci, renderSelf, renderChildren);
        return;
    }
    TGLTransformation& pipeline = *rci.PipelineTransformation;
    pipeline.Push();
    struct TPop {
        TGLTransformation& Pipeline;
        ~TPop() { Pipeline.Pop(); }
    } pop{pipeline};
    TMatrix4f view;
    if (FCamInvarianceMode == cimPosition) {
        // Keeps its place relative to the camera's position.
        MatrixTranslationHmg(rci.cameraPosition, view);
        MatrixProduct(view, pipeline.ViewMatrix(), view);
    } else if (FCamInvarianceMode == cimOrientation) {
        // Ignores the camera's orientation.
        MatrixScaling(TVector3f{{{1, -1, -1}}}, view);
    } else {
        Assert(false, "", cVAVodadUnit);
    }
    pipeline.SetViewMatrix(view);
    pipeline.SetModelMatrix(*LocalMatrix());
    if (renderSelf) BuildOrCallList(rci);
    if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

// ---------------------------------------------------------------------------------------------------------
// TGLDirectOpenGL

TGLDirectOpenGL::TGLDirectOpenGL(TComponent* AOwner) : TGLImmaterialSceneObject(AOwner)
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
}

void TGLDirectOpenGL::SetUseBuildList(bool Value)
{
    if (Value)
        SetObjectStyle(ObjectStyle() - TGLObjectStyles{osDirectDraw});
    else
        SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
}

void TGLDirectOpenGL::SetBlend(bool Value)
{
    if (FBlend == Value) return;
    FBlend = Value;
    StructureChanged();
}

void TGLDirectOpenGL::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLDirectOpenGL*>(Source)) {
        SetUseBuildList(source->UseBuildList());
        OnRender = source->OnRender;
        FBlend = source->FBlend;
    }
    TGLImmaterialSceneObject::Assign(Source);
}

TVector4f TGLDirectOpenGL::AxisAlignedDimensionsUnscaled()
{
    return TVector4f{{{0, 0, 0, 1}}};
}

void TGLDirectOpenGL::BuildList(TGLRenderContextInfo& rci)
{
    if (!OnRender) return;
    if (TGLMultitextureCoordinator* coordinator = GetCurrentMultitextureCoordinator()) coordinator->MapTexCoordToMain();
    OnRender(this, rci);
}

// ---------------------------------------------------------------------------------------------------------
// TGLRenderPoint

TGLRenderPoint::TGLRenderPoint(TComponent* AOwner) : TGLImmaterialSceneObject(AOwner)
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
}

void TGLRenderPoint::BeforeDestruction()
{
    Clear();
    TGLImmaterialSceneObject::BeforeDestruction();
}

void TGLRenderPoint::RegisterCallBack(const void* Key, const TDirectRenderEvent& renderEvent,
                                      const TNotifyEvent& renderPointFreed)
{
    FCallBacks.push_back(TCallBack{Key, renderEvent, renderPointFreed});
}

void TGLRenderPoint::UnRegisterCallBack(const void* Key)
{
    for (auto it = FCallBacks.begin(); it != FCallBacks.end(); ++it) {
        if (it->Key == Key) {
            FCallBacks.erase(it);
            return;
        }
    }
}

void TGLRenderPoint::Clear()
{
    // A free callback may unregister others: the list is taken over before any is called.
    std::vector<TCallBack> callBacks;
    callBacks.swap(FCallBacks);
    for (auto it = callBacks.rbegin(); it != callBacks.rend(); ++it)
        if (it->Freed) it->Freed(this);
}

void TGLRenderPoint::BuildList(TGLRenderContextInfo& rci)
{
    // By index: a callback may register another.
    for (size_t i = 0; i < FCallBacks.size(); ++i) {
        const TDirectRenderEvent render = FCallBacks[i].Render;
        if (render) render(this, rci);
    }
}

// ---------------------------------------------------------------------------------------------------------
// TGLProxyObject

TGLProxyObject::TGLProxyObject(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {}

void TGLProxyObject::BeforeDestruction()
{
    SetMasterObject(nullptr);
    TGLBaseSceneObject::BeforeDestruction();
}

void TGLProxyObject::SetMasterObject(TGLBaseSceneObject* Value)
{
    if (FMasterObject == Value) return;
    if (FMasterObject) FMasterObject->RemoveFreeNotification(this);
    FMasterObject = Value;
    if (FMasterObject) FMasterObject->FreeNotification(this);
    StructureChanged();
}

void TGLProxyObject::SetProxyOptions(TGLProxyObjectOptions Value)
{
    if (FProxyOptions == Value) return;
    FProxyOptions = Value;
    StructureChanged();
}

void TGLProxyObject::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLProxyObject*>(Source)) SetMasterObject(source->FMasterObject);
    TGLBaseSceneObject::Assign(Source);
}

void TGLProxyObject::Notification(TComponent* AComponent, TOperation Operation)
{
    // The dying master is forgotten without touching its notification list, which it is walking.
    if (Operation == opRemove && AComponent == FMasterObject) {
        FMasterObject = nullptr;
        StructureChanged();
    }
    TGLBaseSceneObject::Notification(AComponent, Operation);
}

TVector4f TGLProxyObject::BarycenterAbsolutePosition()
{
    if (!FMasterObject) return TGLBaseSceneObject::BarycenterAbsolutePosition();
    // The master's barycentre offset, placed at this object's position; computed without moving the object.
    TVector4f offset;
    HmgSubtract(FMasterObject->BarycenterAbsolutePosition(), FMasterObject->AbsolutePosition(), offset);
    TVector4f local;
    HmgAdd(Position()->AsVector(), offset, local);
    local.W = 1;
    return Parent() ? Parent()->LocalToAbsolute(local) : local;
}

TVector4f TGLProxyObject::AxisAlignedDimensionsUnscaled()
{
    return FMasterObject ? FMasterObject->AxisAlignedDimensionsUnscaled()
                         : TGLBaseSceneObject::AxisAlignedDimensionsUnscaled();
}

TVector4f TGLProxyObject::AxisAlignedDimensions()
{
    if (!FMasterObject) return TGLBaseSceneObject::AxisAlignedDimensions();
    TVector4f dims = FMasterObject->AxisAlignedDimensionsUnscaled();
    const TVector4f& scale =
        (FProxyOptions.Contains(pooTransformation) ? FMasterObject->Scale() : Scale())->AsVector();
    for (int i = 0; i < 4; ++i) dims.V[i] *= scale.V[i];
    return dims;
}

bool TGLProxyObject::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                      TVector4f* intersectPoint, TVector4f* intersectNormal)
{
    if (!FMasterObject) return false;
    const TVector4f localStart = FMasterObject->LocalToAbsolute(AbsoluteToLocal(rayStart));
    TVector4f localVector = FMasterObject->LocalToAbsolute(AbsoluteToLocal(rayVector));
    HmgNormalizeInPlace(localVector);
    if (!FMasterObject->RayCastIntersect(localStart, localVector, intersectPoint, intersectNormal)) return false;
    if (intersectPoint) *intersectPoint = LocalToAbsolute(FMasterObject->AbsoluteToLocal(*intersectPoint));
    if (intersectNormal) *intersectNormal = LocalToAbsolute(FMasterObject->AbsoluteToLocal(*intersectNormal));
    return true;
}

std::unique_ptr<TGLSilhouette> TGLProxyObject::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters)
{
    return FMasterObject ? FMasterObject->GenerateSilhouette(silhouetteParameters) : nullptr;
}

void TGLProxyObject::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    // A proxy reached again while it draws (through its master) draws nothing further.
    if (FRendering) return;
    {
        TScopedValue rendering(FRendering, true);
        const bool drawEffects = FMasterObject && FProxyOptions.Contains(pooEffects) &&
                                 FMasterObject->Effects()->Count() > 0;
        if (FMasterObject && FProxyOptions.Contains(pooObjects)) {
            TScopedValue proxied(rci.proxySubObject, true);
            if (FProxyOptions.Contains(pooTransformation)) {
                TMatrix4f model;
                MatrixProduct(FMasterObject->Matrix(), rci.PipelineTransformation->ModelMatrix(), model);
                rci.PipelineTransformation->SetModelMatrix(model);
            }
            FMasterObject->DoRender(rci, renderSelf, FMasterObject->Count() > 0);
        }
        if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
        if (drawEffects) FMasterObject->RenderPostEffects(rci);
    }
    ClearStructureChanged();
}
