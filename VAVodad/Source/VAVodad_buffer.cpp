// The scene buffer's context, settings and frame; the non-visual and memory viewers.
#include "VAVodad.h"

#include "GLMaterial.h"
#include "GLPipelineTransformation.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "GLPlatformHelpers.h"
#include "GLSelection.h"
#include "GLState.h"
#include "SysUtils.h"
#include "XOpenGL.h"
#include "ZODLog.h"
#include "Dialogs.h"

#include <algorithm>
#include <cmath>

namespace {

TGLInfoFormCallback vInfoForm;

// The high-resolution counter's ticks per second, read once.
int64_t CounterFrequency()
{
    static const int64_t frequency = [] {
        int64_t f = 0;
        return ReadPerformanceFrequency(f) && f > 0 ? f : int64_t{1000000000};
    }();
    return frequency;
}

int32_t DepthBitsOf(TGLDepthPrecision precision)
{
    static constexpr int32_t cBits[] = {24, 16, 24, 32};
    return cBits[precision];
}

int32_t ColorBitsOf(TGLColorDepth depth)
{
    static constexpr int32_t cBits[] = {24, 8, 16, 24, 64, 128};
    return cBits[depth];
}

} // namespace

void RegisterInfoForm(TGLInfoFormCallback aCallback)
{
    vInfoForm = std::move(aCallback);
}

// ---- life

TVAVodadBuffer::TVAVodadBuffer(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner)
    , FAfterRenderEffects(std::make_unique<TPersistentObjectList>())
    , FAmbientColor(std::make_unique<TGLColor>(this, ColorDarkGray))
    , FFogEnvironment(std::make_unique<TGLFogEnvironment>(this))
{
    ResetPerformanceMonitor();
}

TVAVodadBuffer::~TVAVodadBuffer()
{
    try {
        Melt();
        DestroyRC();
    } catch (const std::exception& e) {
        GlobalLogSession()->LogError(std::string("Scene buffer destruction: ") + e.what());
    }
}

// ---- rendering context

TVAVodad* TVAVodadBuffer::CameraScene() const
{
    return FCamera ? dynamic_cast<TVAVodad*>(FCamera->Scene()) : nullptr;
}

bool TVAVodadBuffer::OwnerIsComponent() const
{
    return dynamic_cast<TComponent*>(Owner()) != nullptr;
}

TGLContextAcceleration TVAVodadBuffer::Acceleration() const
{
    return FRenderingContext ? FRenderingContext->Acceleration() : chaUnknown;
}

void TVAVodadBuffer::ApplyContextSettings(TGLContext* aContext)
{
    aContext->SetAcceleration(FContextOptions.Contains(roSoftwareMode) ? chaSoftware : chaHardware);
    TGLRCOptions options;
    if (FContextOptions.Contains(roDoubleBuffer)) options.Include(rcoDoubleBuffered);
    if (FContextOptions.Contains(roStereo)) options.Include(rcoStereo);
    if (FContextOptions.Contains(roDebugContext)) options.Include(rcoDebug);
    if (FContextOptions.Contains(roOpenGL_ES2_Context)) options.Include(rcoOGL_ES);
    aContext->SetOptions(options);
    aContext->SetColorBits(FContextOptions.Contains(roNoColorBuffer) ? 0 : ColorBitsOf(FColorDepth));
    aContext->SetDepthBits(DepthBitsOf(FDepthPrecision));
    aContext->SetStencilBits(FContextOptions.Contains(roStencilBuffer) ? 8 : 0);
    aContext->SetAlphaBits(FContextOptions.Contains(roDestinationAlpha) ? 8 : 0);
    aContext->SetAccumBits(FAccumBufferBits);
    aContext->SetAuxBuffers(0);
    aContext->SetAntiAliasing(FAntiAliasing);
    aContext->SetLayer(FLayer);
    aContext->GLStates()->SetForwardContext(FContextOptions.Contains(roForwardContext));
    if (OnPrepareGLContext) OnPrepareGLContext(this);
}

void TVAVodadBuffer::CreateRC(void* AWindowHandle, bool memoryContext, int32_t BufferCount)
{
    DestroyRC();
    TScopedValue rendering(FRendering, true);
    FRenderingContext = vGLContextManager ? vGLContextManager->CreateContext() : nullptr;
    if (!FRenderingContext) throw Exception("Failed to create RenderingContext.");
    try {
        ApplyContextSettings(FRenderingContext);
        if (memoryContext)
            FRenderingContext->CreateMemoryContext(AWindowHandle, FViewPort.Width, FViewPort.Height, BufferCount);
        else
            FRenderingContext->CreateContext(AWindowHandle);
    } catch (...) {
        Free(FRenderingContext);
        FRenderingContext = nullptr;
        throw;
    }
    // Registered only once the context exists: a scene never shares with a context that failed.
    if (TVAVodad* scene = CameraScene()) scene->AddBuffer(this);
    TActiveContext active(FRenderingContext);
    if (!FRenderingContext->GL()->VERSION_1_1) {
        GlobalLogSession()->LogFatalError("Need at least OpenGL version 1.1");
        Abort();
    }
    TGLStateCache* states = FRenderingContext->GLStates();
    states->SetViewPort(TVector4i{{{FViewPort.Left, FViewPort.Top, FViewPort.Width, FViewPort.Height}}});
    SetupRenderingContext();
    states->SetColorClearValue(WinColorToVector(FBackgroundColor));
}

void TVAVodadBuffer::DestroyRC()
{
    if (!FRenderingContext) return;
    Melt();
    FSelector.reset();
    Free(FRenderingContext);
    FRenderingContext = nullptr;
    if (TVAVodad* scene = CameraScene()) scene->RemoveBuffer(this);
}

void TVAVodadBuffer::SetupRenderingContext()
{
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    TGLStateCache* states = GetCurrentGLContextOrAbort()->GLStates();
    const bool forward = FContextOptions.Contains(roForwardContext);
    if (!forward) {
        gl->LightModelfv(GL_LIGHT_MODEL_AMBIENT, FAmbientColor->Color().V);
        gl->LightModeli(GL_LIGHT_MODEL_TWO_SIDE, FContextOptions.Contains(roTwoSideLighting) ? 1 : 0);
        gl->Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
        gl->ShadeModel(FShadeModel == smFlat ? GL_FLAT : GL_SMOOTH);
    }
    states->Enable(stNormalize);
    // Forced past the cache, so that a state changed behind its back cannot leave a frame wrong.
    const auto force = [states](TGLState state, bool on) {
        if (on)
            states->PerformEnable(state);
        else
            states->PerformDisable(state);
    };
    force(stDepthTest, FDepthTest);
    force(stCullFace, FFaceCulling);
    force(stLighting, FLighting);
    force(stFog, FFogEnable);
    if (gl->ARB_depth_clamp) states->Disable(stDepthClamp);
    if (!forward) {
        GLint blueBits = 0;
        gl->GetIntegerv(GL_BLUE_BITS, &blueBits);
        force(stDither, blueBits < 8);
    }
    states->ResetAllGLTextureMatrix();
}

TGLBaseSceneObject* TVAVodadBuffer::PickingCurrentObject() const
{
    return FSelector ? static_cast<TGLBaseSceneObject*>(FSelector->CurrentObject()) : nullptr;
}

void TVAVodadBuffer::SetPickingCurrentObject(TGLBaseSceneObject* Value)
{
    if (FSelector) FSelector->SetCurrentObject(Value);
}

void TVAVodadBuffer::ClearBuffers()
{
    TGLStateCache* states = GetCurrentGLContextOrAbort()->GLStates();
    GLbitfield mask = 0;
    if (!FContextOptions.Contains(roNoDepthBufferClear)) {
        states->SetDepthWriteMask(true);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (!FContextOptions.Contains(roNoColorBuffer) && !FContextOptions.Contains(roNoColorBufferClear)) {
        states->SetColorWriteMask(0, TColorMask{ccRed, ccGreen, ccBlue, ccAlpha});
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (FContextOptions.Contains(roStencilBuffer)) mask |= GL_STENCIL_BUFFER_BIT;
    GetCurrentGL()->Clear(mask);
}

// ---- viewport

void TVAVodadBuffer::Resize(int32_t newLeft, int32_t newTop, int32_t newWidth, int32_t newHeight)
{
    FViewPort = TRectangle{newLeft, newTop, std::max(newWidth, 1), std::max(newHeight, 1)};
    if (!FRenderingContext) return;
    TActiveContext active(FRenderingContext);
    FRenderingContext->GLStates()->SetViewPort(
        TVector4i{{{FViewPort.Left, FViewPort.Top, FViewPort.Width, FViewPort.Height}}});
}

void TVAVodadBuffer::SetViewPort(int32_t X, int32_t Y, int32_t W, int32_t H)
{
    FViewPort = TRectangle{X, Y, W, H};
    NotifyChange(this);
}

// ---- frames

void TVAVodadBuffer::Render(TGLBaseSceneObject* baseObject)
{
    if (FRendering || !FRenderingContext) return;
    TGLStateCache* states = FRenderingContext->GLStates();
    if (FFreezed && !FFreezeBuffer.empty()) {
        TActiveContext active(FRenderingContext);
        states->SetColorClearValue(WinColorToVector(FBackgroundColor, FBackgroundAlpha));
        ClearBuffers();
        FRenderingContext->PipelineTransformation()->IdentityAll();
        TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
        gl->RasterPos2f(-1, -1);
        gl->DrawPixels(FFreezedViewPort.Width, FFreezedViewPort.Height, GL_RGBA, GL_UNSIGNED_BYTE,
                       FFreezeBuffer.data());
        // A snapshot of a frozen view is the frozen picture, read before it is presented like any frame.
        if (FReadBeforeSwap) FReadBeforeSwap();
        if (!FContextOptions.Contains(roNoSwapBuffers)) FRenderingContext->SwapBuffers();
        return;
    }
    int64_t t0 = 0;
    ReadPerformanceCounter(t0);
    if (TVAVodad* scene = CameraScene()) {
        FCamera->AbsoluteMatrixAsAddress();
        scene->AddBuffer(this);
    }
    {
        TScopedValue rendering(FRendering, true);
        TActiveContext active(FRenderingContext);
        TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
        if (FFrameCount == 0) ReadPerformanceCounter(FFirstPerfCounter);
        FRenderDPI = 96;
        gl->ClearError();
        SetupRenderingContext();
        states->SetColorClearValue(WinColorToVector(FBackgroundColor, FBackgroundAlpha));
        ClearBuffers();
        gl->CheckError();
        DoBaseRender(FViewPort, FRenderDPI, baseObject, dsRendering);
        if (FReadBeforeSwap) FReadBeforeSwap();
        if (!FContextOptions.Contains(roNoSwapBuffers)) FRenderingContext->SwapBuffers();
        ++FFrameCount;
        int64_t t1 = 0;
        ReadPerformanceCounter(t1);
        const double frequency = static_cast<double>(CounterFrequency());
        FLastFrameTime = static_cast<float>(static_cast<double>(t1 - t0) / frequency);
        if (t1 - FFirstPerfCounter > 0)
            FFramesPerSecond =
                static_cast<float>(FFrameCount * frequency / static_cast<double>(t1 - FFirstPerfCounter));
        gl->CheckError();
    }
    if (AfterRender && OwnerIsComponent()) AfterRender(this);
}

void TVAVodadBuffer::DoBaseRender(const TRectangle& aViewport, int32_t resolution, TGLBaseSceneObject* baseObject,
                                  TDrawState drawState)
{
    SetupCameraMatrices(aViewport, resolution);
    TGLStateCache* states = FRenderingContext->GLStates();
    if (!states->ForwardContext()) {
        TGLMultitextureCoordinator* xgl = GetCurrentMultitextureCoordinator();
        xgl->MapTexCoordToNull();
        xgl->MapTexCoordToMain();
    }
    if (ViewerBeforeRender && drawState != dsPrinting) ViewerBeforeRender(this);
    if (BeforeRender && OwnerIsComponent()) BeforeRender(this);
    if (TVAVodad* scene = CameraScene()) {
        scene->SetupLights(states->MaxLights());
        if (!states->ForwardContext()) {
            if (FFogEnable) {
                states->Enable(stFog);
                FFogEnvironment->ApplyFog();
            } else {
                states->Disable(stFog);
            }
        }
        RenderScene(scene, aViewport.Width, aViewport.Height, drawState, baseObject);
    }
    if (PostRender && OwnerIsComponent()) PostRender(this);
    if (!FViewMatrixStack.empty()) {
        FViewMatrixStack.clear();
        Assert(false, "Unbalance Push/PopViewMatrix.", cVAVodadUnit);
    }
    if (!FProjectionMatrixStack.empty()) {
        FProjectionMatrixStack.clear();
        Assert(false, "Unbalance Push/PopProjectionMatrix.", cVAVodadUnit);
    }
}

void TVAVodadBuffer::SetupCameraMatrices(const TRectangle& aViewport, int32_t resolution, const TRect* pickRect)
{
    TGLTransformation* transformation = FRenderingContext->PipelineTransformation();
    transformation->IdentityAll();
    if (pickRect) {
        const TRect& r = *pickRect;
        TMatrix4f pick;
        MatrixPickRegion(static_cast<float>((r.Left + r.Right) / 2),
                         static_cast<float>(aViewport.Height - (r.Top + r.Bottom) / 2),
                         static_cast<float>(std::abs(r.Right - r.Left)), static_cast<float>(std::abs(r.Bottom - r.Top)),
                         aViewport, pick);
        transformation->SetProjectionMatrix(pick);
    }
    FBaseProjectionMatrix = transformation->ProjectionMatrix();
    if (!FCamera) return;
    if (TVAVodad* scene = CameraScene()) scene->SetCurrentGLCamera(FCamera);
    FCamera->ApplyPerspective(aViewport, aViewport.Width, aViewport.Height, resolution);
    FCamera->Apply();
    FCameraAbsolutePosition = FCamera->AbsolutePosition();
}

void TVAVodadBuffer::RenderScene(TVAVodad* aScene, int32_t viewPortSizeX, int32_t viewPortSizeY,
                                 TDrawState drawState, TGLBaseSceneObject* baseObject)
{
    FAfterRenderEffects->Clear();
    aScene->SetCurrentBuffer(this);
    TGLRenderContextInfo rci{};
    rci.scene = aScene;
    rci.buffer = this;
    rci.cameraPosition = FCameraAbsolutePosition;
    if (FCamera) {
        HmgNormalize(FCamera->LastDirection(), rci.cameraDirection);
        TVector4f right;
        HmgCross(rci.cameraDirection, FCamera->AbsoluteUp(), right);
        HmgCross(right, rci.cameraDirection, rci.cameraUp);
        HmgNormalizeInPlace(rci.cameraUp);
        rci.rcci.viewPortRadius = FCamera->ViewPortRadius();
        rci.rcci.nearClippingDistance = FCamera->NearPlane();
        rci.rcci.farClippingDistance = FCamera->NearPlane() + FCamera->DepthOfView();
    }
    rci.viewPortSize = TGLSize{viewPortSizeX, viewPortSizeY};
    rci.renderDPI = FRenderDPI;
    rci.drawState = drawState;
    rci.objectsSorting = aScene->ObjectsSorting();
    rci.visibilityCulling = aScene->VisibilityCulling();
    rci.GLStates = FRenderingContext->GLStates();
    rci.GLStates->SetTextureBindingClock(DistinctMillisecondClock());
    rci.PipelineTransformation = FRenderingContext->PipelineTransformation();
    rci.rcci.origin = rci.cameraPosition;
    rci.rcci.clippingDirection = rci.cameraDirection;
    rci.rcci.frustum = rci.PipelineTransformation->Frustum();
    rci.sceneAmbientColor = FAmbientColor->Color();
    rci.bufferFaceCull = FFaceCulling;
    rci.bufferLighting = FLighting;
    rci.bufferFog = FFogEnable;
    rci.bufferDepthTest = FDepthTest;
    rci.ignoreMaterials = FContextOptions.Contains(roNoColorBuffer) || drawState == dsPicking;
    rci.amalgamating = drawState == dsPicking;
    rci.afterRenderEffects = FAfterRenderEffects.get();
    rci.currentMaterialLevel = mlAuto;
    rci.primitiveMask = cAllMeshPrimitives;

    rci.GLStates->SetGLColorWriting(!rci.ignoreMaterials);
    if (InitiateRendering) InitiateRendering(this, rci);
    if (FRenderingContext->IsPraparationNeed()) FRenderingContext->PrepareHandlesData();
    (baseObject ? baseObject : aScene->Objects())->Render(rci);
    UnApplyStayingMaterial(rci);
    rci.GLStates->SetGLColorWriting(true);
    for (int32_t i = 0; i < FAfterRenderEffects->Count(); ++i)
        static_cast<TGLObjectEffect*>(FAfterRenderEffects->Items(i))->Render(rci);
    if (WrapUpRendering) WrapUpRendering(this, rci);
}

void TVAVodadBuffer::RenderAndRead(const std::function<void()>& readFrame)
{
    const TScopedValue<std::function<void()>> read(FReadBeforeSwap, readFrame);
    Render();
}

void TVAVodadBuffer::ReadFrame(const std::function<void()>& readFrame)
{
    bool doubleBuffered;
    {
        TActiveContext active(FRenderingContext);
        doubleBuffered = GetLimit(limDoubleBuffer) != 0 && !FContextOptions.Contains(roNoSwapBuffers);
        if (!doubleBuffered) readFrame();
    }
    // After a swap the back buffer is undefined: the frame is drawn again and read before it is presented.
    if (doubleBuffered) RenderAndRead(readFrame);
}

void TVAVodadBuffer::Freeze()
{
    if (FFreezed || !FRenderingContext || FViewPort.Width < 1 || FViewPort.Height < 1) return;
    const TRectangle viewport = FViewPort;
    std::vector<uint8_t> pixels(static_cast<size_t>(viewport.Width) * viewport.Height * 4, 0);
    RenderAndRead([&] {
        FRenderingContext->GLStates()->SetPackAlignment(1);
        GetCurrentGL()->ReadPixels(0, 0, viewport.Width, viewport.Height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    });
    FFreezeBuffer = std::move(pixels);
    FFreezedViewPort = viewport;
    FFreezed = true;
}

void TVAVodadBuffer::Melt()
{
    if (!FFreezed) return;
    std::vector<uint8_t>().swap(FFreezeBuffer);
    FFreezed = false;
}

// ---- statistics

void TVAVodadBuffer::ResetPerformanceMonitor()
{
    FFramesPerSecond = 0;
    FFrameCount = 0;
    FFirstPerfCounter = 0;
}

std::string TVAVodadBuffer::FramesPerSecondText(int32_t aDecimals) const
{
    return Format("%.*f FPS", {aDecimals, static_cast<double>(FFramesPerSecond)});
}

// ---- matrices

void TVAVodadBuffer::PushViewMatrix(const TMatrix4f& newMatrix)
{
    TGLTransformation* transformation = GetCurrentGLContextOrAbort()->PipelineTransformation();
    FViewMatrixStack.push_back(transformation->ViewMatrix());
    transformation->SetViewMatrix(newMatrix);
}

void TVAVodadBuffer::PopViewMatrix()
{
    Assert(!FViewMatrixStack.empty(), "Unbalanced PopViewMatrix", cVAVodadUnit);
    GetCurrentGLContextOrAbort()->PipelineTransformation()->SetViewMatrix(FViewMatrixStack.back());
    FViewMatrixStack.pop_back();
}

void TVAVodadBuffer::PushProjectionMatrix(const TMatrix4f& newMatrix)
{
    TGLTransformation* transformation = GetCurrentGLContextOrAbort()->PipelineTransformation();
    FProjectionMatrixStack.push_back(transformation->ProjectionMatrix());
    transformation->SetProjectionMatrix(newMatrix);
}

void TVAVodadBuffer::PopProjectionMatrix()
{
    Assert(!FProjectionMatrixStack.empty(), "Unbalanced PopProjectionMatrix", cVAVodadUnit);
    GetCurrentGLContextOrAbort()->PipelineTransformation()->SetProjectionMatrix(FProjectionMatrixStack.back());
    FProjectionMatrixStack.pop_back();
}

TMatrix4f TVAVodadBuffer::ProjectionMatrix() const
{
    return GetCurrentGLContextOrAbort()->PipelineTransformation()->ProjectionMatrix();
}

TMatrix4f TVAVodadBuffer::ViewMatrix() const
{
    return GetCurrentGLContextOrAbort()->PipelineTransformation()->ViewMatrix();
}

TMatrix4f TVAVodadBuffer::ModelMatrix() const
{
    return GetCurrentGLContextOrAbort()->PipelineTransformation()->ModelMatrix();
}

// ---- limits and information

int32_t TVAVodadBuffer::GetLimit(TLimitType Which)
{
    static constexpr GLenum cLimitEnums[] = {
        GL_MAX_CLIP_PLANES, GL_MAX_EVAL_ORDER, GL_MAX_LIGHTS, GL_MAX_LIST_NESTING, GL_MAX_MODELVIEW_STACK_DEPTH,
        GL_MAX_NAME_STACK_DEPTH, GL_MAX_PIXEL_MAP_TABLE, GL_MAX_PROJECTION_STACK_DEPTH, GL_MAX_TEXTURE_SIZE,
        GL_MAX_TEXTURE_STACK_DEPTH, GL_MAX_VIEWPORT_DIMS, GL_ACCUM_ALPHA_BITS, GL_ACCUM_BLUE_BITS,
        GL_ACCUM_GREEN_BITS, GL_ACCUM_RED_BITS, GL_ALPHA_BITS, GL_AUX_BUFFERS, GL_BLUE_BITS, GL_GREEN_BITS,
        GL_INDEX_BITS, GL_RED_BITS, GL_DEPTH_BITS, GL_STENCIL_BITS, GL_DOUBLEBUFFER, GL_STEREO, GL_SUBPIXEL_BITS,
        GL_MAX_TEXTURE_UNITS};
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    switch (Which) {
    case limViewportDims: {
        GLdouble dims[2] = {0, 0};
        gl->GetDoublev(GL_MAX_VIEWPORT_DIMS, dims);
        return static_cast<int32_t>(std::nearbyint(std::max(dims[0], dims[1])));
    }
    case limNbTextureUnits:
        if (!gl->ARB_multitexture) return 1;
        break;
    default: break;
    }
    GLint value = 0;
    gl->GetIntegerv(cLimitEnums[Which], &value);
    return value;
}

void TVAVodadBuffer::ShowInfo(bool Modal)
{
    if (!FRenderingContext) return;
    TActiveContext active(FRenderingContext);
    if (vInfoForm)
        vInfoForm(this, Modal);
    else
        ShowMessageBox(TMessageBoxRequest{mtInformation, "", "InfoForm not available."});
}

// ---- changes and settings

void TVAVodadBuffer::NotifyChange(TObject*)
{
    DoChange();
}

void TVAVodadBuffer::DoChange()
{
    if (!FRendering && OnChange) OnChange(this);
}

void TVAVodadBuffer::DoStructuralChange()
{
    auto* owner = dynamic_cast<TComponent*>(Owner());
    if (owner && (owner->ComponentState() & csLoading)) return;
    if (OnStructuralChange) OnStructuralChange(this);
}

namespace {

// Stores a changed value, then tells what the change needs.
template <class T, class F> void Store(T& field, const T& value, F changed)
{
    if (field == value) return;
    field = value;
    changed();
}

} // namespace

void TVAVodadBuffer::SetBackgroundColor(TColor Value)
{
    Store(FBackgroundColor, Value, [this] { NotifyChange(this); });
}

void TVAVodadBuffer::SetBackgroundAlpha(float Value)
{
    Store(FBackgroundAlpha, Value, [this] { NotifyChange(this); });
}

void TVAVodadBuffer::SetDepthTest(bool Value)
{
    Store(FDepthTest, Value, [this] { NotifyChange(this); });
}

void TVAVodadBuffer::SetFaceCulling(bool Value)
{
    Store(FFaceCulling, Value, [this] { NotifyChange(this); });
}

void TVAVodadBuffer::SetLighting(bool Value)
{
    Store(FLighting, Value, [this] { NotifyChange(this); });
}

void TVAVodadBuffer::SetFogEnable(bool Value)
{
    Store(FFogEnable, Value, [this] { NotifyChange(this); });
}

void TVAVodadBuffer::SetShadeModel(TGLShadeModel Value)
{
    Store(FShadeModel, Value, [this] { NotifyChange(this); });
}

void TVAVodadBuffer::SetContextOptions(TContextOptions Value)
{
    Store(FContextOptions, Value, [this] { DoStructuralChange(); });
}

void TVAVodadBuffer::SetLayer(TGLContextLayer Value)
{
    Store(FLayer, Value, [this] { DoStructuralChange(); });
}

void TVAVodadBuffer::SetAntiAliasing(TGLAntiAliasing Value)
{
    Store(FAntiAliasing, Value, [this] { DoStructuralChange(); });
}

void TVAVodadBuffer::SetDepthPrecision(TGLDepthPrecision Value)
{
    Store(FDepthPrecision, Value, [this] { DoStructuralChange(); });
}

void TVAVodadBuffer::SetColorDepth(TGLColorDepth Value)
{
    Store(FColorDepth, Value, [this] { DoStructuralChange(); });
}

void TVAVodadBuffer::SetAccumBufferBits(int32_t Value)
{
    Store(FAccumBufferBits, Value, [this] { DoStructuralChange(); });
}

void TVAVodadBuffer::SetAmbientColor(TGLColor* Value)
{
    FAmbientColor->Assign(Value);
}

void TVAVodadBuffer::SetFogEnvironment(TGLFogEnvironment* Value)
{
    FFogEnvironment->Assign(Value);
    NotifyChange(this);
}

void TVAVodadBuffer::SetCamera(TGLCamera* Value)
{
    if (FCamera == Value) return;
    if (TVAVodad* scene = CameraScene()) scene->RemoveBuffer(this);
    FCamera = nullptr;
    if (Value && Value->Scene()) {
        FCamera = Value;
        FCamera->TransformationChanged();
    }
    NotifyChange(this);
}

// ---- TGLNonVisualViewer

TGLNonVisualViewer::TGLNonVisualViewer(TComponent* AOwner)
    : TComponent(AOwner), FBuffer(std::make_unique<TVAVodadBuffer>(this))
{
    FBuffer->OnChange = [this](TObject* Sender) { DoBufferChange(Sender); };
    FBuffer->OnStructuralChange = [this](TObject* Sender) { DoBufferStructuralChange(Sender); };
    FBuffer->OnPrepareGLContext = [this](TObject*) { PrepareGLContext(); };
}

TGLNonVisualViewer::~TGLNonVisualViewer()
{
    // The buffer leaves its camera's scene while the camera is still known.
    FBuffer.reset();
}

TGLCamera* TGLNonVisualViewer::Camera() const
{
    return FBuffer->Camera();
}

void TGLNonVisualViewer::SetCamera(TGLCamera* Value)
{
    if (TGLCamera* old = FBuffer->Camera()) old->RemoveFreeNotification(this);
    FBuffer->SetCamera(Value);
    if (TGLCamera* now = FBuffer->Camera()) now->FreeNotification(this);
}

void TGLNonVisualViewer::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent == FBuffer->Camera()) FBuffer->SetCamera(nullptr);
    TComponent::Notification(AComponent, Operation);
}

void TGLNonVisualViewer::SetWidth(int32_t Value)
{
    if (Value == FWidth) return;
    FWidth = std::max(Value, 1);
    DoBufferStructuralChange(this);
}

void TGLNonVisualViewer::SetHeight(int32_t Value)
{
    if (Value == FHeight) return;
    FHeight = std::max(Value, 1);
    DoBufferStructuralChange(this);
}

void TGLNonVisualViewer::DoBufferStructuralChange(TObject*)
{
    FBuffer->DestroyRC();
}

void TGLNonVisualViewer::CopyToTexture(TGLTexture* aTexture)
{
    CopyToTexture(aTexture, 0, 0, FWidth, FHeight, 0, 0);
}

void TGLNonVisualViewer::CopyToTexture(TGLTexture* aTexture, int32_t xSrc, int32_t ySrc, int32_t width,
                                       int32_t height, int32_t xDest, int32_t yDest)
{
    FBuffer->CopyToTexture(aTexture, xSrc, ySrc, width, height, xDest, yDest, 0);
}

// ---- TGLMemoryViewer

TGLMemoryViewer::TGLMemoryViewer(TComponent* AOwner) : TGLNonVisualViewer(AOwner) {}

void TGLMemoryViewer::InstantiateRenderingContext()
{
    if (FBuffer->RenderingContext()) return;
    FBuffer->SetViewPort(0, 0, FWidth, FHeight);
    FBuffer->CreateRC(nullptr, true, FBufferCount);
}

void TGLMemoryViewer::Render(TGLBaseSceneObject* baseObject)
{
    InstantiateRenderingContext();
    FBuffer->Render(baseObject);
}

void TGLMemoryViewer::SetBufferCount(int32_t Value)
{
    const int32_t count = std::clamp(Value, 1, 4);
    if (count == FBufferCount) return;
    FBufferCount = count;
    FBuffer->DestroyRC();
}
