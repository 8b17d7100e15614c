// A plane that receives the flattened shadow of one object, or of the whole scene, from one light: it draws
// itself, marks its pixels in the stencil buffer, then draws the shadowing object squashed onto itself in one
// flat colour, blended into the marked pixels only.
#pragma once

#include "GLObjects.h"

#include <memory>

class TGLLightSource;

enum TShadowPlaneOption { spoUseStencil, spoScissor, spoTransparent, spoIgnoreZ };
using TShadowPlaneOptions = TSet<TShadowPlaneOption, uint8_t>;

class TGLShadowPlane : public TGLPlane {
public:
    explicit TGLShadowPlane(TComponent* AOwner);
    ~TGLShadowPlane() override;

    // nullptr: the whole scene casts the shadow. Not owned: cleared when it dies.
    TGLBaseSceneObject* ShadowingObject() const { return FShadowingObject; }
    void SetShadowingObject(TGLBaseSceneObject* Value);
    // Without a light no shadow is drawn. Not owned: cleared when it dies.
    TGLLightSource* ShadowedLight() const { return FShadowedLight; }
    void SetShadowedLight(TGLLightSource* Value);
    TGLColor* ShadowColor() const { return FShadowColor.get(); }
    void SetShadowColor(TGLColor* Value);
    TShadowPlaneOptions ShadowOptions() const { return FShadowOptions; }
    void SetShadowOptions(TShadowPlaneOptions Value);

    // The shadow settings of another shadow plane, then the plane's.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // Finds the components named in the stream.
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Seen from behind, the plane draws neither itself nor a shadow (its children still draw).
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    // The shadow is drawn without the plane's material.
    TGLAbstractLibMaterial* StayingMaterial(const TGLRenderContextInfo&) const override { return nullptr; }

    // Around the shadow's drawing, with the plane as Sender.
    TNotifyEvent OnBeginRenderingShadows;
    TNotifyEvent OnEndRenderingShadows;

private:
    // Moves the free notification from old to Value; old keeps it while the plane still refers to it.
    void ChangeReference(TComponent* old, TComponent* Value);
    void RenderPlane(TGLRenderContextInfo& rci);
    void RenderShadow(TGLRenderContextInfo& rci);

    bool FRendering = false;
    TGLBaseSceneObject* FShadowingObject = nullptr;
    std::string FShadowingObjectName; // read from a stream, until Loaded
    TGLLightSource* FShadowedLight = nullptr;
    std::string FShadowedLightName; // read from a stream, until Loaded
    std::unique_ptr<TGLColor> FShadowColor;
    TShadowPlaneOptions FShadowOptions{spoUseStencil, spoScissor};
};

// Registers the module's streamable classes (start-up).
void RegisterGLShadowPlaneClasses();
