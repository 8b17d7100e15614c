// The scene buffer: the render target of one viewer. It owns the viewer's rendering context, holds the
// pixel-format and frame settings, and runs one frame: activate the context, set up the state, clear, place
// the camera, set up lights and fog, fill the render-context record and hand it to the scene tree, swap, and
// count frames per second. It also takes rendered views out of the window (snapshots, bitmaps, files,
// textures, raw float dumps), picks objects under screen rectangles and converts between window and world
// coordinates. The non-visual viewers (the memory viewer renders into an off-screen p-buffer) own one.
#pragma once

#include "GLBaseClasses.h"
#include "GLColor.h"
#include "GLContext.h"
#include "GLRenderContextInfo.h"
#include "GLVectorTypes.h"
#include "Graphics.h"
#include "Sets.h"
#include "Types.h"
#include "VAVodadObjects.h" // TDirectRenderEvent
#include "VAVodadScene.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TGLBaseSceneObject;
class TGLCamera;
class TGLImage;
class TGLPickList;
class TGLBaseSelectTechnique;
class TGLTexture;

enum TContextOption {
    roSoftwareMode,
    roDoubleBuffer,
    roStencilBuffer,
    roRenderToWindow,
    roTwoSideLighting,
    roStereo,
    roDestinationAlpha,
    roNoColorBuffer,
    roNoColorBufferClear,
    roNoSwapBuffers,
    roNoDepthBufferClear,
    roDebugContext,
    roForwardContext,
    roOpenGL_ES2_Context
};
using TContextOptions = TSet<TContextOption, uint16_t>;

enum TGLDepthPrecision { dpDefault, dp16bits, dp24bits, dp32bits };
enum TGLColorDepth { cdDefault, cd8bits, cd16bits, cd24bits, cdFloat64bits, cdFloat128bits };
enum TGLShadeModel { smDefault, smSmooth, smFlat };

enum TLimitType {
    limClipPlanes,
    limEvalOrder,
    limLights,
    limListNesting,
    limModelViewStack,
    limNameStack,
    limPixelMapTable,
    limProjectionStack,
    limTextureSize,
    limTextureStack,
    limViewportDims,
    limAccumAlphaBits,
    limAccumBlueBits,
    limAccumGreenBits,
    limAccumRedBits,
    limAlphaBits,
    limAuxBuffers,
    limBlueBits,
    limGreenBits,
    limIndexBits,
    limRedBits,
    limDepthBits,
    limStencilBits,
    limDoubleBuffer,
    limStereo,
    limSubpixelBits,
    limNbTextureUnits
};

// Activates a context for a scope and deactivates it on every way out.
class TActiveContext {
public:
    explicit TActiveContext(TGLContext* AContext) : FContext(AContext) { FContext->Activate(); }
    ~TActiveContext() { FContext->Deactivate(); }
    TActiveContext(const TActiveContext&) = delete;
    TActiveContext& operator=(const TActiveContext&) = delete;

private:
    TGLContext* FContext;
};

// The information window ShowInfo opens; registered from outside (none in this system).
using TGLInfoFormCallback = std::function<void(class TVAVodadBuffer* aSceneBuffer, bool Modal)>;
void RegisterInfoForm(TGLInfoFormCallback aCallback);

class TVAVodadBuffer : public TGLUpdateAbleObject, public IGLSceneBuffer {
public:
    // AOwner is the viewer.
    explicit TVAVodadBuffer(TPersistent* AOwner);
    ~TVAVodadBuffer() override;
    TVAVodadBuffer(const TVAVodadBuffer&) = delete;
    TVAVodadBuffer& operator=(const TVAVodadBuffer&) = delete;

    // ---- rendering context
    // Makes the context: on the window AWindowHandle, or off screen (a p-buffer of the viewport's size).
    // A failure leaves the buffer without a context and outside the camera's scene.
    void CreateRC(void* AWindowHandle, bool memoryContext, int32_t BufferCount = 1);
    // Drops the context (and the frozen picture and the selector) and leaves the camera's scene.
    void DestroyRC();
    bool RCInstantiated() const { return FRenderingContext != nullptr; }
    TGLContext* RenderingContext() const override { return FRenderingContext; }
    TGLContextAcceleration Acceleration() const;
    // Copies the buffer's settings into a context that is about to be made.
    void ApplyContextSettings(TGLContext* aContext);
    // The per-frame state of the active context.
    void SetupRenderingContext();
    // Clears the buffers of the current context as the options say.
    void ClearBuffers();

    // ---- viewport
    // Width and height raised to at least 1.
    void Resize(int32_t newLeft, int32_t newTop, int32_t newWidth, int32_t newHeight);
    // As given, without clamping.
    void SetViewPort(int32_t X, int32_t Y, int32_t W, int32_t H);
    TRectangle ViewPort() const override { return FViewPort; }
    int32_t Width() const { return FViewPort.Width; }
    int32_t Height() const { return FViewPort.Height; }

    // ---- frames
    // One frame of the whole scene, or of baseObject's subtree; nothing while rendering or without a context.
    void Render(TGLBaseSceneObject* baseObject = nullptr);
    void RenderScene(TVAVodad* aScene, int32_t viewPortSizeX, int32_t viewPortSizeY, TDrawState drawState,
                     TGLBaseSceneObject* baseObject);
    // Renders a frame and keeps its pixels: every later Render repaints them until Melt.
    void Freeze();
    void Melt();
    bool Freezed() const { return FFreezed; }
    bool Rendering() const { return FRendering; }

    // ---- frame statistics
    void ResetPerformanceMonitor();
    float FramesPerSecond() const { return FFramesPerSecond; }
    // The rate with aDecimals decimals, followed by " FPS".
    std::string FramesPerSecondText(int32_t aDecimals = 1) const;
    float LastFrameTime() const { return FLastFrameTime; }
    int32_t FrameCount() const { return FFrameCount; }

    // ---- matrices of the context's transformation
    void PushViewMatrix(const TMatrix4f& newMatrix);
    void PopViewMatrix();
    void PushProjectionMatrix(const TMatrix4f& newMatrix);
    void PopProjectionMatrix();
    TMatrix4f ProjectionMatrix() const;
    TMatrix4f ViewMatrix() const;
    TMatrix4f ModelMatrix() const;
    TMatrix4f BaseProjectionMatrix() const { return FBaseProjectionMatrix; }

    // One OpenGL limit of the current context.
    int32_t GetLimit(TLimitType Which);
    void ShowInfo(bool Modal);
    void NotifyMouseMove(uint32_t /*Shift*/, int32_t /*X*/, int32_t /*Y*/) {}

    // Fires OnChange unless rendering.
    void NotifyChange(TObject* Sender) override;

    // ---- snapshots (the frame read before it is presented)
    // A new image of the viewport (the caller owns it), with the colour buffer's pixels when the camera is in
    // a scene.
    TGLImage* CreateSnapShot();
    // CreateSnapShot as a new 32-bit bitmap (the caller owns it).
    TBitmap* CreateSnapShotBitmap();
    // Renders the scene into ABitmap through a context of its own (DPI 0: the screen's); the buffer keeps its
    // context, viewport and rendering flag whatever happens.
    void RenderToBitmap(TBitmap* ABitmap, int32_t DPI = 0);
    // A 24-bit bitmap of the viewport's size rendered at DPI, saved by the file's extension. An empty name
    // asks the save dialog; an existing file asks "Overwrite file %s?". Nothing is saved on a refusal.
    void RenderToFile(const std::string& AFile, int32_t DPI = 0);
    // The same at bmpWidth x bmpHeight, at the resolution that keeps the view's proportions.
    void RenderToFile(const std::string& AFile, int32_t bmpWidth, int32_t bmpHeight);
    void CopyToTexture(TGLTexture* aTexture);
    // Copies (xSrc, ySrc, AWidth, AHeight) of the frame to (xDest, yDest) of the texture, or of one cube face
    // when glCubeFace is not 0. The texture's image becomes a blank image of that size.
    void CopyToTexture(TGLTexture* aTexture, int32_t xSrc, int32_t ySrc, int32_t AWidth, int32_t AHeight,
                       int32_t xDest, int32_t yDest, uint32_t glCubeFace = 0);
    // The viewport's colours as RGBA floats, bottom row first, no header.
    void SaveAsFloatToFile(const std::string& aFilename);

    // ---- picking and coordinates (x to the right, y up from the viewport's bottom unless noted)
    void PickObjects(const TRect& rect, TGLPickList* pickList, int32_t objectCountGuess);
    // Sorted by nearest depth; the caller frees the list.
    TGLPickList* GetPickedObjects(const TRect& rect, int32_t objectCountGuess = 64);
    // The nearest object around pixel (x, y), y from the top; nil over the background.
    TGLBaseSceneObject* GetPickedObject(int32_t x, int32_t y);
    TGLBaseSelectTechnique* Selector() const { return FSelector.get(); }
    // The selector's current object while picking; nil without a selector.
    TGLBaseSceneObject* PickingCurrentObject() const override;
    void SetPickingCurrentObject(TGLBaseSceneObject* Value) override;
    // Pixel (x, y), y from the top: its colour (red + green x 256 + blue x 65536) and depth; 0 without a camera.
    TColor GetPixelColor(int32_t x, int32_t y);
    float GetPixelDepth(int32_t x, int32_t y);
    float PixelDepthToDistance(float aDepth);
    float PixelToDistance(int32_t x, int32_t y);
    TVector3f PixelRayToWorld(int32_t x, int32_t y);
    TVector3f ScreenToWorld(const TVector3f& aPoint);
    TVector4f ScreenToWorld(const TVector4f& aPoint);
    // y from the top.
    TVector3f ScreenToWorld(int32_t screenX, int32_t screenY);
    TVector3f WorldToScreen(const TVector3f& aPoint);
    TVector4f WorldToScreen(const TVector4f& aPoint);
    // In place, with the current view-projection matrix.
    void WorldToScreen(TVector4f* points, int32_t nbPoints);
    TVector3f ScreenToVector(const TVector3f& aPoint);
    TVector4f ScreenToVector(const TVector4f& aPoint);
    TVector4f ScreenToVector(int32_t x, int32_t y);
    TVector3f VectorToScreen(const TVector3f& VectToCam);
    bool ScreenVectorIntersectWithPlane(const TVector3f& aScreenPoint, const TVector4f& planePoint,
                                        const TVector4f& planeNormal, TVector4f& intersectPoint);
    bool ScreenVectorIntersectWithPlaneXY(const TVector3f& aScreenPoint, float z, TVector4f& intersectPoint);
    bool ScreenVectorIntersectWithPlaneYZ(const TVector3f& aScreenPoint, float x, TVector4f& intersectPoint);
    bool ScreenVectorIntersectWithPlaneXZ(const TVector3f& aScreenPoint, float y, TVector4f& intersectPoint);
    TVector3f OrthoScreenToWorld(int32_t screenX, int32_t screenY);

    // ---- settings (a change of the first group repaints, of the second makes a new context)
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor Value);
    float BackgroundAlpha() const { return FBackgroundAlpha; }
    void SetBackgroundAlpha(float Value);
    bool DepthTest() const { return FDepthTest; }
    void SetDepthTest(bool Value);
    bool FaceCulling() const { return FFaceCulling; }
    void SetFaceCulling(bool Value);
    bool Lighting() const { return FLighting; }
    void SetLighting(bool Value);
    bool FogEnable() const { return FFogEnable; }
    void SetFogEnable(bool Value);
    TGLShadeModel ShadeModel() const { return FShadeModel; }
    void SetShadeModel(TGLShadeModel Value);
    TContextOptions ContextOptions() const { return FContextOptions; }
    void SetContextOptions(TContextOptions Value);
    TGLContextLayer Layer() const { return FLayer; }
    void SetLayer(TGLContextLayer Value);
    TGLAntiAliasing AntiAliasing() const { return FAntiAliasing; }
    void SetAntiAliasing(TGLAntiAliasing Value);
    TGLDepthPrecision DepthPrecision() const { return FDepthPrecision; }
    void SetDepthPrecision(TGLDepthPrecision Value);
    TGLColorDepth ColorDepth() const { return FColorDepth; }
    void SetColorDepth(TGLColorDepth Value);
    int32_t AccumBufferBits() const { return FAccumBufferBits; }
    void SetAccumBufferBits(int32_t Value);
    TGLColor* AmbientColor() const { return FAmbientColor.get(); }
    void SetAmbientColor(TGLColor* Value);
    TGLFogEnvironment* FogEnvironment() const { return FFogEnvironment.get(); }
    void SetFogEnvironment(TGLFogEnvironment* Value);
    TGLCamera* Camera() const override { return FCamera; }
    // Taken only when it belongs to a scene; the previous camera's scene drops the buffer.
    void SetCamera(TGLCamera* Value) override;
    int32_t RenderDPI() const override { return FRenderDPI; }
    TVector4f CameraAbsolutePosition() const { return FCameraAbsolutePosition; }

    // Effects queued during the frame, drawn after the tree.
    TPersistentObjectList* AfterRenderEffects() const { return FAfterRenderEffects.get(); }

    TNotifyEvent OnChange;
    TNotifyEvent OnStructuralChange;
    TNotifyEvent OnPrepareGLContext; // wired by the viewers, before a context is made
    TNotifyEvent BeforeRender;
    TNotifyEvent ViewerBeforeRender;
    TNotifyEvent PostRender;
    TNotifyEvent AfterRender;
    TDirectRenderEvent InitiateRendering;
    TDirectRenderEvent WrapUpRendering;

protected:
    void DoChange();
    void DoStructuralChange();
    void DoBaseRender(const TRectangle& aViewport, int32_t resolution, TGLBaseSceneObject* baseObject,
                      TDrawState drawState);
    // The camera's projection and view; with a pick rectangle the projection is narrowed to it first.
    void SetupCameraMatrices(const TRectangle& aViewport, int32_t resolution, const TRect* pickRect = nullptr);

private:
    // The scene of the camera, nil without one.
    TVAVodad* CameraScene() const;
    bool OwnerIsComponent() const;
    // Renders one frame and hands its pixels to readFrame before they are presented.
    void RenderAndRead(const std::function<void()>& readFrame);
    // Reads the colour buffer now when it is single-buffered (nothing can have been presented over it), or
    // renders a new frame and reads that before its swap.
    void ReadFrame(const std::function<void()>& readFrame);
    void SaveBitmap(TBitmap& bitmap, const std::string& AFile);
    void ReadPixel(int32_t x, int32_t y, GLenum format, GLenum type, void* pixel);

    bool FRendering = false;
    TGLContext* FRenderingContext = nullptr;
    std::unique_ptr<TPersistentObjectList> FAfterRenderEffects;
    std::vector<TMatrix4f> FViewMatrixStack;
    std::vector<TMatrix4f> FProjectionMatrixStack;
    TMatrix4f FBaseProjectionMatrix{};
    TVector4f FCameraAbsolutePosition{};
    TRectangle FViewPort{};
    std::unique_ptr<TGLBaseSelectTechnique> FSelector;
    bool FFaceCulling = true;
    bool FFogEnable = false;
    bool FLighting = true;
    bool FDepthTest = true;
    TColor FBackgroundColor = clBtnFace;
    float FBackgroundAlpha = 1.0f;
    std::unique_ptr<TGLColor> FAmbientColor;
    TGLAntiAliasing FAntiAliasing = aaDefault;
    TGLDepthPrecision FDepthPrecision = dpDefault;
    TGLColorDepth FColorDepth = cdDefault;
    TContextOptions FContextOptions{roDoubleBuffer, roRenderToWindow, roDebugContext};
    TGLShadeModel FShadeModel = smDefault;
    int32_t FRenderDPI = 0;
    std::unique_ptr<TGLFogEnvironment> FFogEnvironment;
    int32_t FAccumBufferBits = 0;
    TGLContextLayer FLayer = clMainPlane;
    TGLCamera* FCamera = nullptr;
    std::vector<uint8_t> FFreezeBuffer;
    bool FFreezed = false;
    TRectangle FFreezedViewPort{};
    int32_t FFrameCount = 0;
    float FFramesPerSecond = 0;
    int64_t FFirstPerfCounter = 0;
    float FLastFrameTime = 0;
    // Set while a frame must be read before it is presented (snapshots, Freeze).
    std::function<void()> FReadBeforeSwap;
};

// A viewer without a window: it owns a buffer and renders it on demand.
class TGLNonVisualViewer : public TComponent {
public:
    explicit TGLNonVisualViewer(TComponent* AOwner);
    ~TGLNonVisualViewer() override;

    TVAVodadBuffer* Buffer() const { return FBuffer.get(); }
    TGLCamera* Camera() const;
    void SetCamera(TGLCamera* Value);
    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    // A value of 0 or less becomes 1; a change makes a new context at the next render.
    void SetWidth(int32_t Value);
    void SetHeight(int32_t Value);

    virtual void Render(TGLBaseSceneObject* baseObject = nullptr) = 0;
    virtual void CopyToTexture(TGLTexture* aTexture);
    void CopyToTexture(TGLTexture* aTexture, int32_t xSrc, int32_t ySrc, int32_t width, int32_t height,
                       int32_t xDest, int32_t yDest);
    // The whole view from colour buffer BufferIndex (0 the front buffer, 1 to 3 the auxiliary ones).
    virtual void CopyToTextureMRT(TGLTexture* aTexture, int32_t BufferIndex);
    // Into new storage of width x height (read from the origin) when the texture has none yet, else the area
    // at (xDest, yDest).
    void CopyToTextureMRT(TGLTexture* aTexture, int32_t xSrc, int32_t ySrc, int32_t width, int32_t height,
                          int32_t xDest, int32_t yDest, int32_t BufferIndex);
    // Renders the six faces of a cube map from the camera's position, each with a 90-degree view, into the
    // texture's faces. The viewer must be square. zFar <= 0 takes the camera's depth of view, zNear <= 0 a
    // thousandth of zFar.
    void RenderCubeMapTextures(TGLTexture* cubeMapTexture, float zNear = 0, float zFar = 0);

protected:
    virtual void DoBufferChange(TObject* /*Sender*/) {}
    virtual void DoBufferStructuralChange(TObject* Sender);
    virtual void PrepareGLContext() {}
    void Notification(TComponent* AComponent, TOperation Operation) override;

    std::unique_ptr<TVAVodadBuffer> FBuffer;
    int32_t FWidth = 256;
    int32_t FHeight = 256;

private:
    // The camera's view while a cube face is rendered: the face's turn from the camera's position.
    void SetupCubeMapCamera(TObject* Sender);

    int32_t FCubeMapRotIdx = 0;
    float FCubeMapZNear = 0;
    float FCubeMapZFar = 0;
    TVector3f FCubeMapTranslation{};
};

// Renders into an off-screen p-buffer of Width x Height.
class TGLMemoryViewer : public TGLNonVisualViewer {
public:
    explicit TGLMemoryViewer(TComponent* AOwner);

    // Makes the p-buffer context when the buffer has none.
    void InstantiateRenderingContext();
    void Render(TGLBaseSceneObject* baseObject = nullptr) override;
    int32_t BufferCount() const { return FBufferCount; }
    // Held in 1..4; a change makes a new context at the next render.
    void SetBufferCount(int32_t Value);

private:
    int32_t FBufferCount = 1;
};
