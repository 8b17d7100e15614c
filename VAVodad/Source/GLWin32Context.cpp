#include "GLWin32Context.h"

#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "OpenGLAdapter.h"
#include "SysUtils.h"
#include "ZODLog.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace {

// Samples per anti-aliasing value; aaDefault and aaNone are never looked up.
constexpr int32_t cAntiAliasingSamples[] = {0, 1, 2, 2, 4, 4, 6, 8, 16, 8, 8, 16, 16};
static_assert(std::size(cAntiAliasingSamples) == csa16xHQ + 1);

int32_t AntiAliasingColorSamples(TGLAntiAliasing AValue)
{
    switch (AValue) {
    case csa8x:
    case csa16x: return 4;
    case csa8xHQ:
    case csa16xHQ: return 8;
    default: return 0;
    }
}

bool IsCoverageMode(TGLAntiAliasing AValue)
{
    return AValue >= csa8x;
}

constexpr int32_t cAccelerationValues[] = {WGL_GENERIC_ACCELERATION_ARB, WGL_FULL_ACCELERATION_ARB,
                                           WGL_NO_ACCELERATION_ARB};

THintType WindowMultisampleHint(TGLAntiAliasing AValue)
{
    switch (AValue) {
    case aa2xHQ:
    case aa4xHQ:
    case csa8xHQ:
    case csa16xHQ: return hintNicest;
    default: return hintDontCare;
    }
}

THintType PbufferMultisampleHint(TGLAntiAliasing AValue)
{
    switch (AValue) {
    case aa2x:
    case aa4x:
    case csa8x:
    case csa16x: return hintFastest;
    default: return WindowMultisampleHint(AValue);
    }
}

// The newest version a forward context can ask for, among those the entry points report.
const struct {
    bool TGLExtensionsAndEntryPoints::*Flag;
    int32_t Major, Minor;
} cForwardVersions[] = {
    {&TGLExtensionsAndEntryPoints::VERSION_4_2, 4, 2}, {&TGLExtensionsAndEntryPoints::VERSION_4_1, 4, 1},
    {&TGLExtensionsAndEntryPoints::VERSION_4_0, 4, 0}, {&TGLExtensionsAndEntryPoints::VERSION_3_3, 3, 3},
    {&TGLExtensionsAndEntryPoints::VERSION_3_2, 3, 2}, {&TGLExtensionsAndEntryPoints::VERSION_3_1, 3, 1},
    {&TGLExtensionsAndEntryPoints::VERSION_3_0, 3, 0},
};

TPglNativeWindow WindowOf(void* ADC)
{
    return reinterpret_cast<TPglNativeWindow>(ADC);
}

[[noreturn]] void RaiseLastSystemError()
{
    throw EOSError("OS Error : " + PglErrorText(PglLastError()));
}

// "<AText>" with the platform's last error code and text in place of "%X" and "%s".
std::string WithLastError(std::string_view AText)
{
    const int32_t error = PglLastError();
    return Format(AText, {error, PglErrorText(error)});
}

const char* const cFailedToShare = "DoCreateContext - Failed to share contexts";
const char* const cFailedToShareWithService = "DoCreateContext - Failed to share contexts with resource context";

} // namespace

void RegisterGLWin32Context()
{
    RegisterGLContextClass(&CreateGLContextOf<TGLWin32Context>);
}

TGLWin32Context::TGLWin32Context()
{
    ResetIntAttribs();
}

TGLWin32Context::~TGLWin32Context()
{
    // A context deleted without Free is no longer called back when its window goes.
    if (FDC) PglUntrackWindow(WindowOf(FDC), this);
}

// ---------------------------------------------------------------------------------------------------------
// Attribute lists

void TGLWin32Context::ResetIntAttribs()
{
    FiAttribs.assign(1, 0);
}

void TGLWin32Context::AddIntAttrib(int32_t AAttrib, int32_t AValue)
{
    FiAttribs.insert(FiAttribs.end() - 1, {AAttrib, AValue});
}

void TGLWin32Context::SetIntAttrib(int32_t AAttrib, int32_t AValue)
{
    for (size_t i = 0; i + 1 < FiAttribs.size(); i += 2)
        if (FiAttribs[i] == AAttrib) {
            FiAttribs[i + 1] = AValue;
            return;
        }
    AddIntAttrib(AAttrib, AValue);
}

void TGLWin32Context::RemoveIntAttrib(int32_t AAttrib)
{
    for (size_t i = 0; i + 1 < FiAttribs.size(); i += 2)
        if (FiAttribs[i] == AAttrib) {
            FiAttribs.erase(FiAttribs.begin() + i, FiAttribs.begin() + i + 2);
            return;
        }
}

// ---------------------------------------------------------------------------------------------------------
// Choosing the pixel format

std::vector<TPglConfig> TGLWin32Context::ChooseFormats()
{
    TPglConfig formats[32];
    const int32_t count = PglChooseConfigs(FiAttribs.data(), formats, 32);
    return std::vector<TPglConfig>(formats, formats + count);
}

// Depth 32 gives way to 24, 24 to 16, then colour to 16.
std::vector<TPglConfig> TGLWin32Context::ChooseRelaxingDepthAndColour()
{
    std::vector<TPglConfig> formats;
    if (FDepthBits >= 32) {
        SetIntAttrib(WGL_DEPTH_BITS_ARB, 24);
        formats = ChooseFormats();
    }
    if (formats.empty() && FDepthBits >= 24) {
        SetIntAttrib(WGL_DEPTH_BITS_ARB, 16);
        formats = ChooseFormats();
    }
    if (formats.empty() && FColorBits >= 24) {
        SetIntAttrib(WGL_COLOR_BITS_ARB, 16);
        formats = ChooseFormats();
    }
    return formats;
}

std::vector<TPglConfig> TGLWin32Context::ChooseAttribPixelFormat(int32_t ABufferCount)
{
    AddIntAttrib(WGL_ACCELERATION_ARB, cAccelerationValues[FAcceleration]);
    if (FColorBits == 64 || FColorBits == 128) {
        if (FGL->W_ATI_pixel_format_float) {
            AddIntAttrib(WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_FLOAT_ATI);
        } else {
            AddIntAttrib(WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB);
            AddIntAttrib(WGL_FLOAT_COMPONENTS_NV, 1);
        }
    }
    if (ABufferCount > 1) AddIntAttrib(WGL_AUX_BUFFERS_ARB, ABufferCount - 1);
    AddIntAttrib(WGL_COLOR_BITS_ARB, FColorBits);
    if (FAlphaBits > 0) AddIntAttrib(WGL_ALPHA_BITS_ARB, FAlphaBits);
    AddIntAttrib(WGL_DEPTH_BITS_ARB, FDepthBits);
    if (FStencilBits > 0) AddIntAttrib(WGL_STENCIL_BITS_ARB, FStencilBits);
    if (FAccumBits > 0) AddIntAttrib(WGL_ACCUM_BITS_ARB, FAccumBits);
    if (FAuxBuffers > 0) AddIntAttrib(WGL_AUX_BUFFERS_ARB, FAuxBuffers);
    if (FAntiAliasing != aaDefault && FGL->W_ARB_multisample) {
        if (FAntiAliasing == aaNone) {
            AddIntAttrib(WGL_SAMPLE_BUFFERS_ARB, 0);
        } else {
            AddIntAttrib(WGL_SAMPLE_BUFFERS_ARB, 1);
            AddIntAttrib(WGL_SAMPLES_ARB, cAntiAliasingSamples[FAntiAliasing]);
            if (IsCoverageMode(FAntiAliasing))
                AddIntAttrib(WGL_COLOR_SAMPLES_NV, AntiAliasingColorSamples(FAntiAliasing));
        }
    }

    std::vector<TPglConfig> formats = ChooseFormats();
    if (formats.empty()) formats = ChooseRelaxingDepthAndColour();

    // Then anti-aliasing gives way, one level at a time; each level is tried at the requested depth and at
    // every reduced one, so that a multisampled format with a smaller depth buffer wins over none.
    const auto chooseAtEveryDepth = [this] {
        SetIntAttrib(WGL_DEPTH_BITS_ARB, FDepthBits);
        SetIntAttrib(WGL_COLOR_BITS_ARB, FColorBits);
        std::vector<TPglConfig> found = ChooseFormats();
        return found.empty() ? ChooseRelaxingDepthAndColour() : found;
    };
    if (formats.empty() && FAntiAliasing != aaDefault) {
        if (IsCoverageMode(FAntiAliasing)) {
            RemoveIntAttrib(WGL_COLOR_SAMPLES_NV);
            FAntiAliasing = FAntiAliasing <= csa8xHQ ? aa8x : aa16x;
            SetIntAttrib(WGL_SAMPLES_ARB, cAntiAliasingSamples[FAntiAliasing]);
        }
        formats = chooseAtEveryDepth();
        if (formats.empty() && FAntiAliasing >= aa2x) {
            while (formats.empty() && FAntiAliasing > aa2x) {
                FAntiAliasing = static_cast<TGLAntiAliasing>(FAntiAliasing - 1);
                SetIntAttrib(WGL_SAMPLES_ARB, cAntiAliasingSamples[FAntiAliasing]);
                formats = chooseAtEveryDepth();
            }
            if (formats.empty()) {
                RemoveIntAttrib(WGL_SAMPLE_BUFFERS_ARB);
                RemoveIntAttrib(WGL_SAMPLES_ARB);
                FAntiAliasing = aaNone;
                formats = chooseAtEveryDepth();
            }
        }
    }
    // Every reduced depth has been tried by now; last, any acceleration will do.
    if (formats.empty()) {
        SetIntAttrib(WGL_DEPTH_BITS_ARB, FDepthBits);
        SetIntAttrib(WGL_COLOR_BITS_ARB, FColorBits);
        RemoveIntAttrib(WGL_ACCELERATION_ARB);
        formats = ChooseFormats();
    }
    return formats;
}

// ---------------------------------------------------------------------------------------------------------
// Making contexts

void TGLWin32Context::DoCreateContext(void* ADeviceHandle)
{
    const TPglNativeWindow window = WindowOf(ADeviceHandle);
    const bool temporary = FLegacyContextsOnly;
    const bool doubleBuffered = FOptions.Contains(rcoDoubleBuffered);
    if (!temporary && window)
        PglTrackWindow(window, this, [this] {
            if (!IsValid()) return;
            try {
                DestroyContext();
            } catch (const std::exception& E) {
                GlobalLogSession()->LogError(std::string("Destroying the context of a destroyed window: ") + E.what());
            }
        });
    try {
        if (!EnsureOpenGLLoaded()) throw EOSError("OS Error : libGL.so.1 or libGLU.so.1 could not be loaded");
        // The request as the closest-match choice takes it.
        std::vector<int32_t> descriptor = {WGL_DOUBLE_BUFFER_ARB, doubleBuffered,
                                           WGL_STEREO_ARB,        FOptions.Contains(rcoStereo),
                                           WGL_COLOR_BITS_ARB,    FColorBits,
                                           WGL_ALPHA_BITS_ARB,    FAlphaBits,
                                           WGL_DEPTH_BITS_ARB,    FDepthBits,
                                           WGL_STENCIL_BITS_ARB,  FStencilBits,
                                           WGL_ACCUM_BITS_ARB,    FAccumBits,
                                           WGL_AUX_BUFFERS_ARB,   FAuxBuffers};
        if (window) descriptor.insert(descriptor.end(), {WGL_DRAW_TO_WINDOW_ARB, 1});
        descriptor.push_back(0);

        // A window's format is chosen by attributes, with a temporary context current for the window-system
        // facts of the entry points.
        TPglConfig format = 0;
        if (!temporary && window) {
            CreateTemporaryLegacyContext();
            TryFinally(
                [&] {
                    DoActivate();
                    FGL->ClearError();
                    if (FGL->W_ARB_pixel_format) {
                        ResetIntAttribs();
                        AddIntAttrib(WGL_DRAW_TO_WINDOW_ARB, 1);
                        AddIntAttrib(WGL_STEREO_ARB, FOptions.Contains(rcoStereo));
                        AddIntAttrib(WGL_DOUBLE_BUFFER_ARB, doubleBuffered);
                        const std::vector<TPglConfig> formats = ChooseAttribPixelFormat(1);
                        if (!formats.empty()) {
                            format = formats.front();
                            if (FGL->W_ARB_multisample && (FAntiAliasing == aaDefault || FAntiAliasing == aaNone)) {
                                const auto single = std::find_if(formats.begin(), formats.end(), [](TPglConfig f) {
                                    return PglConfigAttrib(f, WGL_SAMPLE_BUFFERS_ARB) == 0;
                                });
                                format = single != formats.end() ? *single : formats.back();
                            }
                        }
                    }
                },
                [this] { DestroyTemporaryContext(); });
        }
        if (!format) format = PglChooseClosestConfig(descriptor.data());
        if (!format) RaiseLastSystemError();
        FPixelFormat = format;
        FLayer = clMainPlane; // every format here is the main plane's
        if (window) {
            FWindowSurface = PglCreateWindowSurface(format, window, doubleBuffered);
            if (!FWindowSurface) RaiseLastSystemError();
        }
        if (temporary)
            CreateLegacyContext(ADeviceHandle);
        else
            CreateAttributeContext(ADeviceHandle);
    } catch (...) {
        if (!temporary && window) PglUntrackWindow(window, this);
        if (FWindowSurface) PglDestroySurface(FWindowSurface);
        FWindowSurface = nullptr;
        if (!temporary) RestoreOuterContext();
        throw;
    }
    if (temporary) return;
    DowngradeSoftwareAcceleration();
    ShareWithServiceContext();
    RestoreOuterContext();
}

void TGLWin32Context::CreateTemporaryLegacyContext()
{
    FLegacyContextsOnly = true;
    try {
        DoCreateContext(nullptr);
    } catch (const std::exception& E) {
        FLegacyContextsOnly = false;
        throw Exception("Unable to create legacy context\r\n" + ClassNameOf(typeid(E)) + ": " + E.what());
    }
    FLegacyContextsOnly = false;
}

// Keeps FShareContext.
void TGLWin32Context::DestroyTemporaryContext()
{
    PglReleaseCurrent();
    PglDestroyContext(FRC);
    FRC = nullptr;
    FDC = nullptr;
    GlobalLogSession()->LogInfo("Temporary rendering context destroyed");
}

void TGLWin32Context::CreateLegacyContext(void* ADC)
{
    FRC = PglCreateContext(FPixelFormat, nullptr, nullptr);
    if (!FRC) RaiseLastSystemError();
    FDC = ADC;
    if (!PglMakeCurrent(Surface(), FRC)) {
        const std::string message = WithLastError("Context activation failed: %X, %s");
        PglDestroyContext(FRC);
        FRC = nullptr;
        FDC = nullptr;
        throw EGLContext(message);
    }
    GlobalLogSession()->LogInfo("Temporary rendering context created");
}

bool TGLWin32Context::BuildContextAttribs()
{
    ResetIntAttribs();
    const bool forward = GLStates()->ForwardContext();
    if (forward) {
        const auto version = std::find_if(std::begin(cForwardVersions), std::end(cForwardVersions),
                                          [this](const auto& v) { return (*FGL).*v.Flag; });
        if (version == std::end(cForwardVersions)) Abort();
        AddIntAttrib(WGL_CONTEXT_MAJOR_VERSION_ARB, version->Major);
        AddIntAttrib(WGL_CONTEXT_MINOR_VERSION_ARB, version->Minor);
        AddIntAttrib(WGL_CONTEXT_FLAGS_ARB, WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB);
        if (FOptions.Contains(rcoOGL_ES))
            GlobalLogSession()->LogWarning("OpenGL ES 2.0 context incompatible with Forward context - flag ignored");
    } else if (FOptions.Contains(rcoOGL_ES)) {
        if (FGL->W_EXT_create_context_es2_profile) {
            AddIntAttrib(WGL_CONTEXT_MAJOR_VERSION_ARB, 2);
            AddIntAttrib(WGL_CONTEXT_MINOR_VERSION_ARB, 0);
            AddIntAttrib(WGL_CONTEXT_FLAGS_ARB, WGL_CONTEXT_ES2_PROFILE_BIT_EXT);
        } else {
            GlobalLogSession()->LogError("Driver not support creating of OpenGL ES 2.0 context");
        }
    }
    if (FOptions.Contains(rcoDebug)) {
        AddIntAttrib(WGL_CONTEXT_FLAGS_ARB, WGL_CONTEXT_DEBUG_BIT_ARB);
        FGL->SetDebugMode(true);
    }
    return forward;
}

TGLWin32Context* TGLWin32Context::SharePartner()
{
    if (FShareContext && FShareContext->FRC) return FShareContext;
    auto* service = dynamic_cast<TGLWin32Context*>(GetServiceContext());
    return service && service != this && service->FRC ? service : nullptr;
}

// Objects are shared only between contexts made sharing: a new context is made with its partner's, and
// without it when that is refused (it then works unshared).
static TPglContext CreateSharingContext(TPglConfig AFormat, TPglContext APartner, const std::vector<int32_t>& AAttribs,
                                        bool AWarn)
{
    if (APartner)
        if (TPglContext context = PglCreateContext(AFormat, APartner, AAttribs.data())) return context;
    if (APartner && AWarn) GlobalLogSession()->LogWarning(cFailedToShare);
    return PglCreateContext(AFormat, nullptr, AAttribs.data());
}

void TGLWin32Context::CreateAttributeContext(void* ADC)
{
    const bool forward = BuildContextAttribs();
    // A context that was not made is no forward one.
    bool made = false;
    TryFinally(
        [&] {
            TGLWin32Context* const partner = SharePartner();
            FRC = CreateSharingContext(FPixelFormat, partner ? partner->FRC : nullptr, FiAttribs,
                                       partner && partner == FShareContext);
            if (!FRC) {
                GlobalLogSession()->LogError(
                    WithLastError(forward ? "Can not create forward compatible context: #%X, %s"
                                          : "Can not create backward compatible context: #%X, %s"));
                Abort();
            }
            if (partner && partner == FShareContext) ShareWith(partner);
            FDC = ADC;
            if (!PglMakeCurrent(Surface(), FRC)) {
                GlobalLogSession()->LogError(WithLastError("Context activation failed: %X, %s"));
                PglDestroyContext(FRC);
                FRC = nullptr;
                FDC = nullptr;
                Abort();
            }
            FGL->Initialize(false);
            MakeGLCurrent();
            GLStates()->SetMultisampleFilterHint(WindowMultisampleHint(FAntiAliasing));
            if (forward) GlobalLogSession()->LogInfo("Forward core context seccussfuly created");
            made = true;
        },
        [&] {
            GLStates()->SetForwardContext(forward && made);
            PipelineTransformation()->SetLoadMatricesEnabled(!GLStates()->ForwardContext());
        });
}

void TGLWin32Context::DoCreateMemoryContext(void* /*outputDevice*/, int32_t width, int32_t height,
                                            int32_t BufferCount)
{
    CreateTemporaryLegacyContext();
    TPglSurface pbuffer = nullptr;
    TPglContext context = nullptr;
    bool forward = false;
    try {
        DoActivate();
        FGL->ClearError();
        if (!FGL->W_ARB_pixel_format || !FGL->W_ARB_pbuffer) throw EPBuffer("WGL_ARB_pbuffer support required.");
        ResetIntAttribs();
        AddIntAttrib(WGL_DRAW_TO_PBUFFER_ARB, 1);
        const std::vector<TPglConfig> formats = ChooseAttribPixelFormat(BufferCount);
        if (formats.empty()) throw EPBuffer("Format not supported for pbuffer operation.");
        FPixelFormat = formats.front();
        pbuffer = PglCreatePbuffer(FPixelFormat, width, height);
        if (!pbuffer) throw EPBuffer("Unabled to create pbuffer.");
        forward = BuildContextAttribs();
        TGLWin32Context* const partner = SharePartner();
        context = CreateSharingContext(FPixelFormat, partner ? partner->FRC : nullptr, FiAttribs, false);
        if (!context) throw Exception("Unabled to create pbuffer's RC.");
        FGL->CheckError();
    } catch (...) {
        if (context) PglDestroyContext(context);
        if (pbuffer) PglDestroySurface(pbuffer);
        DestroyTemporaryContext();
        RestoreOuterContext();
        throw;
    }
    DestroyTemporaryContext();
    FHPBUFFER = pbuffer;
    FRC = context;

    {
        const TActiveContext active(this);
        FGL->Initialize(false);
        DowngradeSoftwareAcceleration();
        GLStates()->SetMultisampleFilterHint(PbufferMultisampleHint(FAntiAliasing));
        if (BufferCount > 1) {
            const GLenum buffers[] = {GL_FRONT_LEFT, GL_AUX0, GL_AUX1, GL_AUX2};
            FGL->DrawBuffers(std::min<int32_t>(BufferCount, 4), buffers);
        }
        ShareWithServiceContext();
        if (FShareContext && !ShareWith(FShareContext)) GlobalLogSession()->LogWarning(cFailedToShare);
    }
    GlobalLogSession()->LogInfo(std::string("PBuffer ") + (forward ? "Forward core context seccussfuly created"
                                                                    : "Backward compatible core PBuffer context successfully created"));
}

// ---------------------------------------------------------------------------------------------------------
// Sharing

bool TGLWin32Context::DoShareLists(TGLContext* aContext)
{
    auto* other = dynamic_cast<TGLWin32Context*>(aContext);
    if (!other) throw Exception("Incompatible contexts");
    FShareContext = other;
    return other->FRC && PglShareLists(other->FRC, FRC);
}

bool TGLWin32Context::ShareWith(TGLWin32Context* APartner)
{
    TGLWin32Context* const shareContext = FShareContext;
    ShareLists(APartner);
    FShareContext = shareContext;
    return SharesWith(APartner);
}

void TGLWin32Context::ShareWithServiceContext()
{
    TGLContext* const service = GetServiceContext();
    if (!service || service == this) return;
    auto* partner = dynamic_cast<TGLWin32Context*>(service);
    if (!partner) throw Exception("Incompatible contexts");
    if (!ShareWith(partner)) GlobalLogSession()->LogWarning(cFailedToShareWithService);
}

// Software rendering shows in the renderer's name, not in the format.
void TGLWin32Context::DowngradeSoftwareAcceleration()
{
    if (FAcceleration != chaHardware) return;
    const GLubyte* name = FGL->GetString(GL_RENDERER);
    const std::string_view renderer = name ? reinterpret_cast<const char*>(name) : "";
    for (const char* software : {"llvmpipe", "softpipe", "swrast"})
        if (renderer.find(software) != std::string_view::npos) {
            FAcceleration = chaSoftware;
            GlobalLogSession()->LogWarning("Unable to create rendering context with hardware acceleration - down to software");
            return;
        }
}

// Making a context leaves it current on the calling thread, and a failed attempt leaves nothing current; a
// context the thread had active gets the thread back.
void TGLWin32Context::RestoreOuterContext()
{
    auto* outer = dynamic_cast<TGLWin32Context*>(GetCurrentGLContext());
    if (!outer || outer == this || !outer->IsValid()) return;
    outer->DoActivate();
    SetCurrentGL(outer->GL());
}

// ---------------------------------------------------------------------------------------------------------
// Activation, swapping and destruction

void TGLWin32Context::DoActivate()
{
    if (!PglMakeCurrent(Surface(), FRC)) {
        GlobalLogSession()->LogError(WithLastError("Context activation failed: %X, %s"));
        Abort();
    }
    if (!FGL->IsInitialized()) FGL->Initialize(GetCurrentGLContext() == nullptr);
}

void TGLWin32Context::DoDeactivate()
{
    if (!PglReleaseCurrent()) {
        GlobalLogSession()->LogError("Context deactivation failed");
        Abort();
    }
}

void TGLWin32Context::SwapBuffers()
{
    if (!FDC || !FOptions.Contains(rcoDoubleBuffered)) return;
    PglSwapBuffers(FWindowSurface);
}

void TGLWin32Context::DoDestroyContext()
{
    if (FDC) PglUntrackWindow(WindowOf(FDC), this);
    for (TPglSurface* surface : {&FHPBUFFER, &FWindowSurface})
        if (*surface) {
            PglDestroySurface(*surface);
            *surface = nullptr;
        }
    if (!PglDestroyContext(FRC)) GlobalLogSession()->LogError("Delete context failed");
    FRC = nullptr;
    FDC = nullptr;
    FShareContext = nullptr;
    FPixelFormat = 0;
}
