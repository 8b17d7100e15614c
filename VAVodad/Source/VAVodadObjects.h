// The scene-object kinds that differ only in how they draw: objects with their own material (applied around
// the geometry, which is drawn again while the material asks for another pass), immaterial objects, the
// scene's root, objects drawn relative to the camera, objects that call drawing code of the program (directly
// or through registered callbacks) and proxies that draw another object at their own place.
#pragma once

#include "VAVodad.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TGLMaterial; // GLMaterial.h

// An object carrying a material of its own.
class TGLCustomSceneObject : public TGLBaseSceneObject {
public:
    explicit TGLCustomSceneObject(TComponent* AOwner);
    ~TGLCustomSceneObject() override;

    TGLMaterial* Material() const { return FMaterial.get(); }
    // Copies the given material, then repaints.
    void SetMaterial(TGLMaterial* Value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }

    // Another custom object: its material and hint, then the node's part.
    void Assign(TPersistent* Source) override;
    // The node's published properties (placement, angles, flags, modes) and the hint.
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;
    bool Blended() override;
    // The display list, then the material's handles.
    void DestroyHandle() override;
    // The material around the geometry, repeated while the material's UnApply asks for another pass; without
    // the material while materials are ignored.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

private:
    std::unique_ptr<TGLMaterial> FMaterial;
    std::string FHint;
};

// The published form: an object with its material.
class TVAVodadObject : public TGLCustomSceneObject {
public:
    using TGLCustomSceneObject::TGLCustomSceneObject;
};

// An object whose material is never used.
class TGLImmaterialSceneObject : public TGLCustomSceneObject {
public:
    using TGLCustomSceneObject::TGLCustomSceneObject;
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
};

// The root of a scene's tree; only a scene makes it, as its owner.
class TVAVodadRootObject : public TGLBaseSceneObject {
public:
    // AOwner must be a scene.
    explicit TVAVodadRootObject(TComponent* AOwner);
};

enum TGLCameraInvarianceMode { cimNone, cimPosition, cimOrientation };

// Drawn relative to the camera: keeping its place relative to the camera's position, or ignoring the
// camera's orientation.
class TGLCameraInvariantObject : public TGLImmaterialSceneObject {
public:
    using TGLImmaterialSceneObject::TGLImmaterialSceneObject;

    TGLCameraInvarianceMode CamInvarianceMode() const { return FCamInvarianceMode; }
    void SetCamInvarianceMode(TGLCameraInvarianceMode Value);

    void Assign(TPersistent* Source) override;
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

private:
    TGLCameraInvarianceMode FCamInvarianceMode = cimNone;
};

using TDirectRenderEvent = std::function<void(TObject* Sender, TGLRenderContextInfo& rci)>;

// Calls the program's drawing code at its place in the tree, each frame, or once into a display list.
class TGLDirectOpenGL : public TGLImmaterialSceneObject {
public:
    explicit TGLDirectOpenGL(TComponent* AOwner);

    bool UseBuildList() const { return !ObjectStyle().Contains(osDirectDraw); }
    // True compiles the drawing into a display list, replayed until the structure changes.
    void SetUseBuildList(bool Value);
    bool Blend() const { return FBlend; }
    void SetBlend(bool Value);

    void Assign(TPersistent* Source) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    bool Blended() override { return FBlend; }
    void BuildList(TGLRenderContextInfo& rci) override;

    TDirectRenderEvent OnRender;

private:
    bool FBlend = false;
};

// A list of drawing callbacks called at its place in the tree; each has a callback for when the point dies.
class TGLRenderPoint : public TGLImmaterialSceneObject {
public:
    explicit TGLRenderPoint(TComponent* AOwner);
    // Calls the free callbacks.
    void BeforeDestruction() override;

    // Key identifies the render event (the object and method it stands for) for UnRegisterCallBack.
    void RegisterCallBack(const void* Key, const TDirectRenderEvent& renderEvent, const TNotifyEvent& renderPointFreed);
    // Only the first registration of that key.
    void UnRegisterCallBack(const void* Key);
    // The free callbacks from the last to the first (the render point as Sender), then the list is empty.
    void Clear();
    int32_t CallBackCount() const { return static_cast<int32_t>(FCallBacks.size()); }

    void BuildList(TGLRenderContextInfo& rci) override;

private:
    struct TCallBack {
        const void* Key;
        TDirectRenderEvent Render;
        TNotifyEvent Freed;
    };
    std::vector<TCallBack> FCallBacks;
};

enum TGLProxyObjectOption { pooEffects, pooObjects, pooTransformation };
using TGLProxyObjectOptions = TSet<TGLProxyObjectOption, uint8_t>;
inline constexpr TGLProxyObjectOptions cDefaultProxyOptions{pooEffects, pooObjects, pooTransformation};

// Draws its master object (with the master's effects and transformation, as chosen) at its own place.
class TGLProxyObject : public TGLBaseSceneObject {
public:
    explicit TGLProxyObject(TComponent* AOwner);
    void BeforeDestruction() override;

    TGLBaseSceneObject* MasterObject() const { return FMasterObject; }
    virtual void SetMasterObject(TGLBaseSceneObject* Value);
    TGLProxyObjectOptions ProxyOptions() const { return FProxyOptions; }
    void SetProxyOptions(TGLProxyObjectOptions Value);

    void Assign(TPersistent* Source) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TVector4f BarycenterAbsolutePosition() override;
    TVector4f AxisAlignedDimensions() override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
    // The master (once: a proxy reached again while it draws draws nothing), then own children, then the
    // master's post effects.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

private:
    TGLBaseSceneObject* FMasterObject = nullptr;
    TGLProxyObjectOptions FProxyOptions = cDefaultProxyOptions;
    bool FRendering = false;
};
