#include "GLShadowPlane.h"

#include "GLMaterial.h"
#include "GLPipelineTransformation.h"
#include "GLPlatformHelpers.h"
#include "GLState.h"
#include "GLTextureFormat.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"

namespace {

inline constexpr TEnumNames<4> cShadowPlaneOptionNames{"spoUseStencil", "spoScissor", "spoTransparent",
                                                       "spoIgnoreZ"};

} // namespace

TGLShadowPlane::TGLShadowPlane(TComponent* AOwner)
    : TGLPlane(AOwner), FShadowColor(std::make_unique<TGLColor>(this, TVector4f{{{0, 0, 0, 0.5f}}}))
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
}

TGLShadowPlane::~TGLShadowPlane() = default;

void TGLShadowPlane::ChangeReference(TComponent* old, TComponent* Value)
{
    if (old && old != FShadowingObject && old != FShadowedLight) old->RemoveFreeNotification(this);
    if (Value) Value->FreeNotification(this);
}

void TGLShadowPlane::SetShadowingObject(TGLBaseSceneObject* Value)
{
    if (Value == FShadowingObject) return;
    TComponent* old = FShadowingObject;
    FShadowingObject = Value;
    ChangeReference(old, Value);
    NotifyChange(this);
}

void TGLShadowPlane::SetShadowedLight(TGLLightSource* Value)
{
    if (Value == FShadowedLight) return;
    TComponent* old = FShadowedLight;
    FShadowedLight = Value;
    ChangeReference(old, Value);
    NotifyChange(this);
}

void TGLShadowPlane::SetShadowColor(TGLColor* Value)
{
    FShadowColor->Assign(Value);
}

void TGLShadowPlane::SetShadowOptions(TShadowPlaneOptions Value)
{
    if (Value == FShadowOptions) return;
    FShadowOptions = Value;
    NotifyChange(this);
}

void TGLShadowPlane::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLShadowPlane*>(Source)) {
        SetShadowOptions(source->FShadowOptions);
        SetShadowingObject(source->FShadowingObject);
        SetShadowedLight(source->FShadowedLight);
        SetShadowColor(source->FShadowColor.get());
    }
    TGLPlane::Assign(Source);
}

void TGLShadowPlane::DefineProperties(TFiler& Filer)
{
    TGLPlane::DefineProperties(Filer);
    DefineNestedProperties(Filer, "ShadowColor", *FShadowColor);
    DefineSetProperty<TShadowPlaneOption>(Filer, "ShadowOptions", cShadowPlaneOptionNames, FShadowOptions,
                                          TShadowPlaneOptions{spoUseStencil, spoScissor},
                                          [this](TShadowPlaneOptions v) { SetShadowOptions(v); });
    DefineReferenceProperty(Filer, "ShadowingObject", FShadowingObject, FShadowingObjectName);
    DefineReferenceProperty(Filer, "ShadowedLight", FShadowedLight, FShadowedLightName);
}

void TGLShadowPlane::Loaded()
{
    TGLPlane::Loaded();
    ResolveReference<TGLBaseSceneObject>(this, FShadowingObjectName, [this](auto* it) { SetShadowingObject(it); });
    ResolveReference<TGLLightSource>(this, FShadowedLightName, [this](auto* it) { SetShadowedLight(it); });
}

void TGLShadowPlane::Notification(TComponent* AComponent, TOperation Operation)
{
    // A light may be the shadowing object too: both references go.
    if (Operation == opRemove) {
        if (AComponent == FShadowingObject) SetShadowingObject(nullptr);
        if (AComponent == FShadowedLight) SetShadowedLight(nullptr);
    }
    TGLPlane::Notification(AComponent, Operation);
}

void TGLShadowPlane::RenderPlane(TGLRenderContextInfo& rci)
{
    TGLStateCache& states = *rci.GLStates;
    if (FShadowOptions.Contains(spoScissor) && BoundingSphereRadius() < std::fabs(PointDistance(rci.cameraPosition))) {
        if (auto* buffer = dynamic_cast<TVAVodadBuffer*>(rci.buffer)) {
            // Projecting the corners sets the buffer's camera matrices up again: the plane's own come back.
            rci.PipelineTransformation->Push();
            TRect rect = TryFinally([&] { return ScreenRect(buffer); }, [&] { rci.PipelineTransformation->Pop(); });
            InflateRectClamped(rect, 1, 1);
            IntersectRectOrClear(rect, RectFromEdges(0, 0, rci.viewPortSize.cx, rci.viewPortSize.cy));
            states.SetScissorBox(TVector4i{{{rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top}}});
            states.Enable(stScissorTest);
        }
    }
    if (FShadowOptions.Contains(spoUseStencil)) {
        states.SetStencilClearValue(0);
        GetCurrentGL()->Clear(GL_STENCIL_BUFFER_BIT);
        states.Enable(stStencilTest);
        states.SetStencilFunc(cfAlways, 1, 1);
        states.SetStencilOp(soReplace, soReplace, soReplace);
    }
    if (FShadowOptions.Contains(spoTransparent)) {
        // The plane only marks stencil and depth.
        states.SetColorMask(TColorMask{});
        states.SetDepthWriteMask(false);
        BuildList(rci);
        states.SetColorMask(cAllColorComponents);
    } else if (rci.ignoreMaterials) {
        BuildList(rci);
    } else {
        Material()->Apply(rci);
        do
            BuildList(rci);
        while (Material()->UnApply(rci));
    }
}

void TGLShadowPlane::RenderShadow(TGLRenderContextInfo& rci)
{
    TGLStateCache& states = *rci.GLStates;
    TGLTransformation& pipeline = *rci.PipelineTransformation;
    pipeline.Push();
    const bool parallel = FShadowedLight->LightStyle() == lsParallel;
    TVector4f light = FShadowedLight->AbsolutePosition();
    if (parallel) HmgScale(FShadowedLight->SpotDirection()->AsVector(), 1e10f, light);
    TMatrix4f shadow, view;
    MatrixPlanarShadow(AbsolutePosition(), AbsoluteDirection(), light, shadow);
    MatrixProduct(shadow, pipeline.ViewMatrix(), view);
    pipeline.SetViewMatrix(view);
    pipeline.SetModelMatrix(IdentityHmgMatrix);

    states.Disable(stCullFace);
    states.Enable(stNormalize);
    states.SetPolygonOffset(-1, -1);
    states.Enable(stPolygonOffsetFill);
    TScopedValue ignoreMaterials(rci.ignoreMaterials, true);
    states.SetActiveTextureEnabled(ttTexture2D, false);
    states.Disable(stLighting);
    states.Disable(stFog);
    GetCurrentGL()->Color4fv(FShadowColor->AsAddress());
    if (FShadowOptions.Contains(spoUseStencil)) {
        // Each plane pixel is darkened once at most: drawing there clears its mark.
        states.Enable(stBlend);
        states.Disable(stAlphaTest);
        states.SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
        states.SetStencilFunc(cfEqual, 1, 1);
        states.SetStencilOp(soKeep, soKeep, soZero);
    } else {
        states.Disable(stBlend);
    }
    TryFinally(
        [&] {
            if (OnBeginRenderingShadows) OnBeginRenderingShadows(this);
            if (FShadowingObject) {
                // Where the object stands in the scene (its local matrix times its parent's).
                pipeline.SetModelMatrix(FShadowingObject->AbsoluteMatrix());
                FShadowingObject->DoRender(rci, true, FShadowingObject->Count() > 0);
            } else if (auto* scene = dynamic_cast<IVAVodadScene*>(rci.scene)) {
                scene->Objects()->DoRender(rci, true, true);
            }
            if (OnEndRenderingShadows) OnEndRenderingShadows(this);
        },
        [&] { pipeline.Pop(); });
}

void TGLShadowPlane::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    // The whole scene may be the shadow: the plane is then inside its own drawing.
    if (FRendering) return;
    TScopedValue rendering(FRendering, true);
    TScopedValue proxy(rci.proxySubObject, true);
    TVector4f toCamera;
    HmgSubtract(rci.cameraPosition, AbsolutePosition(), toCamera);
    if (renderSelf && HmgDot(toCamera, AbsoluteDirection()) > 0) {
        TGLStateCache& states = *rci.GLStates;
        TryFinally(
            [&] {
                RenderPlane(rci);
                if (FShadowOptions.Contains(spoIgnoreZ))
                    states.Disable(stDepthTest);
                else
                    states.Enable(stDepthTest);
                states.SetDepthFunc(cfLEqual);
                if (FShadowedLight) RenderShadow(rci);
            },
            [&] {
                states.Disable(stStencilTest);
                states.Disable(stScissorTest);
                states.Disable(stPolygonOffsetFill);
            });
    }
    if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
}

void RegisterGLShadowPlaneClasses()
{
    RegisterClasses<TGLShadowPlane>();
}
