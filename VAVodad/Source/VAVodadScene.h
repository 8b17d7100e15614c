// The scene component with its tree, its table of eight light numbers and the buffers that show it; the light
// source, which the scene gives a light number and sets up each frame; and the fog settings of a scene buffer.
// A change anywhere in the tree reaches the scene, which passes it on to every buffer unless it is updating,
// loading or being destroyed.
#pragma once

#include "GLColor.h"
#include "VAVodad.h"

#include <memory>
#include <string>
#include <vector>

class TGLCamera;  // VAVodadCamera.h
class TGLContext; // GLContext.h
class TStream;

// What the scene, its camera and its fog ask of a scene buffer showing the scene; the buffer implements it.
class IGLSceneBuffer {
public:
    // Something in the scene changed: the buffer repaints its viewer.
    virtual void NotifyChange(TObject* Sender) = 0;
    // Nil until the buffer made its context.
    virtual TGLContext* RenderingContext() const = 0;
    virtual TGLCamera* Camera() const = 0;
    virtual void SetCamera(TGLCamera* Value) = 0;
    // Left, Top, Width, Height.
    virtual TRectangle ViewPort() const = 0;
    // The resolution of the frame in progress.
    virtual int32_t RenderDPI() const = 0;
    // While picking: the object whose drawing the selection technique names.
    virtual TGLBaseSceneObject* PickingCurrentObject() const = 0;
    virtual void SetPickingCurrentObject(TGLBaseSceneObject* Value) = 0;

protected:
    ~IGLSceneBuffer() = default;
};

enum TLightStyle { lsSpot, lsOmni, lsParallel, lsParallelSpot };

// One OpenGL light. Entering a scene's tree it takes the first free light number; a ninth light is never lit.
class TGLLightSource : public TGLBaseSceneObject {
public:
    explicit TGLLightSource(TComponent* AOwner);
    ~TGLLightSource() override;

    // The light number the scene gave it (0-based); 0 until registered.
    uint32_t LightID() const { return FLightID; }
    TGLCoordinates* SpotDirection() const { return FSpotDirection.get(); }
    void SetSpotDirection(TGLCoordinates* AValue);
    float SpotExponent() const { return FSpotExponent; }
    void SetSpotExponent(float AValue);
    // Degrees, 0..90, or 180 for no spot; other values are ignored.
    float SpotCutOff() const { return FSpotCutOff; }
    void SetSpotCutOff(float AValue);
    float ConstAttenuation() const { return FConstAttenuation; }
    void SetConstAttenuation(float AValue);
    float LinearAttenuation() const { return FLinearAttenuation; }
    void SetLinearAttenuation(float AValue);
    float QuadraticAttenuation() const { return FQuadraticAttenuation; }
    void SetQuadraticAttenuation(float AValue);
    bool Shining() const { return FShining; }
    void SetShining(bool AValue);
    TGLColor* Ambient() const { return FAmbient.get(); }
    void SetAmbient(TGLColor* AValue);
    TGLColor* Diffuse() const { return FDiffuse.get(); }
    void SetDiffuse(TGLColor* AValue);
    TGLColor* Specular() const { return FSpecular.get(); }
    void SetSpecular(TGLColor* AValue);
    TLightStyle LightStyle() const { return FLightStyle; }
    void SetLightStyle(TLightStyle AValue);
    // Not a parallel light, and some attenuation differs from none.
    bool Attenuated() const;

    void CoordinateChanged(TGLCustomCoordinates* Sender) override;
    // A light never compiles a display list.
    uint32_t GetHandle(TGLRenderContextInfo&) override { return 0; }
    bool RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f* = nullptr, TVector4f* = nullptr) override
    {
        return false;
    }
    // None.
    std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
    // Draws nothing itself.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    void DefineProperties(TFiler& Filer) override;

private:
    friend class TVAVodad; // gives the light number

    uint32_t FLightID = 0;
    std::unique_ptr<TGLCoordinates> FSpotDirection;
    float FSpotExponent = 0;
    float FSpotCutOff = 180;
    float FConstAttenuation = 1;
    float FLinearAttenuation = 0;
    float FQuadraticAttenuation = 0;
    bool FShining = true;
    std::unique_ptr<TGLColor> FAmbient;
    std::unique_ptr<TGLColor> FDiffuse;
    std::unique_ptr<TGLColor> FSpecular;
    TLightStyle FLightStyle = lsSpot;
};

// The scene: its tree under the root object "ObjectRoot", its light table and its buffers.
class TVAVodad : public TGLUpdateAbleComponent, public IGLScene {
public:
    static constexpr int32_t cLightTableSize = 8;

    explicit TVAVodad(TComponent* AOwner);
    // Releases the tree's GL handles and frees the tree, then the light table and the buffer list.
    void BeforeDestruction() override;
    ~TVAVodad() override;

    TGLBaseSceneObject* Objects() const override { return FObjects; }
    // The eight entries, each a light source or nil.
    TPersistentObjectList* Lights() const { return FLights.get(); }

    // ---- change notification
    void BeginUpdate() override;
    void EndUpdate() override;
    // Counting updates, loading or being destroyed.
    bool IsUpdating() const;
    // Passed on to every buffer unless updating.
    void NotifyChange(TObject* Sender) override;

    // ---- buffers
    // The first buffer's context is the base context; later buffers share lists with it. A buffer already
    // present is ignored.
    void AddBuffer(IGLSceneBuffer* aBuffer);
    void RemoveBuffer(IGLSceneBuffer* aBuffer);
    int32_t BufferCount() const { return static_cast<int32_t>(FBuffers.size()); }
    // The first buffer's context (read from it, so never one the buffer has freed).
    TGLContext* BaseContext() const;
    // The camera and buffer of the frame being rendered (set by the buffer).
    TGLCamera* CurrentGLCamera() const { return FCurrentGLCamera; }
    void SetCurrentGLCamera(TGLCamera* Value) { FCurrentGLCamera = Value; }
    IGLSceneBuffer* CurrentBuffer() const { return FCurrentBuffer; }
    void SetCurrentBuffer(IGLSceneBuffer* Value) { FCurrentBuffer = Value; }

    // ---- lights
    // The first free entry, whose index becomes the light's LightID; nothing when all are taken.
    void AddLight(TGLLightSource* aLight);
    void RemoveLight(TGLLightSource* aLight);
    // The object when it is a light, then its subtree in index order.
    void AddLights(TGLBaseSceneObject* anObj) override;
    void RemoveLights(TGLBaseSceneObject* anObj) override;
    // Sends the first min(8, maxLights) entries to the current context's state cache (and the fixed-function
    // positions to OpenGL) and disables every other light number.
    void SetupLights(int32_t maxLights);
    // Shining := false on every light of the tree.
    void ShutdownAllLights();

    // ---- sorting and culling of the tree (osInherited and vcInherited are stored as the defaults)
    TGLObjectsSorting ObjectsSorting() const { return FObjectsSorting; }
    void SetObjectsSorting(TGLObjectsSorting Value);
    TGLVisibilityCulling VisibilityCulling() const { return FVisibilityCulling; }
    void SetVisibilityCulling(TGLVisibilityCulling Value);

    // ---- progress, search, ray casts
    // OnBeforeProgress, the tree (children last to first, then behaviours, effects and OnProgress), OnProgress.
    void Progress(double deltaTime, double newTime);
    double CurrentDeltaTime() const { return FCurrentDeltaTime; }
    TGLBaseSceneObject* FindSceneObject(const std::string& AName) const;
    // The nearest visible object the ray hits, or nil; the point and normal of the hit are written where given.
    virtual TGLBaseSceneObject* RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                                 TVector4f* intersectPoint = nullptr,
                                                 TVector4f* intersectNormal = nullptr);

    // ---- scene files: the component stream of the scene and its tree
    void SaveToStream(TStream& aStream);
    // Reads the stream, then switches the lights off and puts the tree read in place of the old one; buffers
    // get back a camera of the same name when the new tree has one. A stream that fails to read changes
    // nothing.
    void LoadFromStream(TStream& aStream);
    void SaveToFile(const std::string& fileName);
    // Skips a resource header first when the file starts with one.
    void LoadFromFile(const std::string& fileName);

    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
    void DefineProperties(TFiler& Filer) override;

    TGLProgressEvent OnBeforeProgress;
    TGLProgressEvent OnProgress;

private:
    void Teardown();
    void RayCastChildren(TGLBaseSceneObject* anObject, const TVector4f& rayStart, const TVector4f& rayVector,
                         TVector4f* intersectPoint, TVector4f* intersectNormal, float& bestDist2,
                         TGLBaseSceneObject*& bestObject);

    int32_t FUpdateCount = 0;
    TGLBaseSceneObject* FObjects = nullptr; // owned (as a component) and freed first
    std::unique_ptr<TPersistentObjectList> FLights;
    std::vector<IGLSceneBuffer*> FBuffers;
    TGLCamera* FCurrentGLCamera = nullptr;
    IGLSceneBuffer* FCurrentBuffer = nullptr;
    TGLObjectsSorting FObjectsSorting = osRenderBlendedLast;
    TGLVisibilityCulling FVisibilityCulling = vcNone;
    double FCurrentDeltaTime = 0;
};

enum TFogMode { fmLinear, fmExp, fmExp2 };
enum TFogDistance { fdDefault, fdEyeRadial, fdEyePlane };

// The fog of a scene buffer; exp and exp2 fog take their density from the fog colour's alpha.
class TGLFogEnvironment : public TGLUpdateAbleObject {
public:
    // AOwner must be a scene buffer (EInvalidCast otherwise).
    explicit TGLFogEnvironment(TPersistent* AOwner);
    ~TGLFogEnvironment() override;

    TGLColor* FogColor() const { return FFogColor.get(); }
    // Nil is ignored.
    void SetFogColor(TGLColor* Value);
    float FogStart() const { return FFogStart; }
    void SetFogStart(float Value);
    float FogEnd() const { return FFogEnd; }
    void SetFogEnd(float Value);
    TFogMode FogMode() const { return FFogMode; }
    void SetFogMode(TFogMode Value);
    TFogDistance FogDistance() const { return FFogDistance; }
    void SetFogDistance(TFogDistance Value);

    void Assign(TPersistent* Source) override;
    bool IsAtDefaultValues() const;
    // Sends the fog to the buffer's context (activating it for the call when it is not active); nothing
    // before the buffer has a context.
    void ApplyFog();

private:
    IGLSceneBuffer* FSceneBuffer;
    std::unique_ptr<TGLColor> FFogColor;
    float FFogStart = 10;
    float FFogEnd = 1000;
    TFogMode FFogMode = fmLinear;
    TFogDistance FFogDistance = fdDefault;
};

// Skips the resource header a scene file may start with (0xFF, the type 10, a zero-terminated name, flags and
// the size of the data); a header that runs past the stream or names more data than it holds raises
// EReadError.
void SkipSceneResourceHeader(TStream& stream);

// Registers the scene's streamable classes.
void RegisterVAVodadClasses();
