#include "PlatformGL.h"

#include "SysUtils.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <unordered_set>
#include <vector>

// ---------------------------------------------------------------------------------------------------------
// Errors

static thread_local int32_t vLastError = EGL_SUCCESS;

static bool Fail(int32_t AError)
{
    vLastError = AError;
    return false;
}

static bool FailWithEglError()
{
    return Fail(eglGetError());
}

int32_t PglLastError()
{
    return vLastError;
}

std::string PglErrorText(int32_t AError)
{
    static const char* const cNames[] = {
        "EGL_SUCCESS",           "EGL_NOT_INITIALIZED",  "EGL_BAD_ACCESS",        "EGL_BAD_ALLOC",
        "EGL_BAD_ATTRIBUTE",     "EGL_BAD_CONFIG",       "EGL_BAD_CONTEXT",       "EGL_BAD_CURRENT_SURFACE",
        "EGL_BAD_DISPLAY",       "EGL_BAD_MATCH",        "EGL_BAD_NATIVE_PIXMAP", "EGL_BAD_NATIVE_WINDOW",
        "EGL_BAD_PARAMETER",     "EGL_BAD_SURFACE",      "EGL_CONTEXT_LOST"};
    if (AError >= EGL_SUCCESS && AError <= EGL_CONTEXT_LOST) return cNames[AError - EGL_SUCCESS];
    return "EGL error " + IntToHex(AError, 4);
}

// ---------------------------------------------------------------------------------------------------------
// The display and its configs

namespace {

// A config of the display; what ranking needs of it sits at the same index in vConfigFacts.
struct TConfigRec {
    EGLConfig Config;
    int32_t Id;
};

} // namespace

static std::mutex vDisplayLock;
static Display* vNativeDisplay = nullptr;
static EGLDisplay vDisplay = EGL_NO_DISPLAY;
static bool vDisplayTried = false;
static int32_t vDisplayError = EGL_SUCCESS;
// Written once, under the lock, before vDisplay is published.
static std::vector<TConfigRec> vConfigs;
static std::vector<TPglConfigFacts> vConfigFacts;

static void ReadConfigs(EGLDisplay ADisplay)
{
    EGLint count = 0;
    if (!eglGetConfigs(ADisplay, nullptr, 0, &count) || count <= 0) return;
    std::vector<EGLConfig> configs(count);
    if (!eglGetConfigs(ADisplay, configs.data(), count, &count)) return;
    for (EGLint i = 0; i < count; ++i) {
        auto attrib = [&](EGLint AName) {
            EGLint value = 0;
            return eglGetConfigAttrib(ADisplay, configs[i], AName, &value) ? value : 0;
        };
        // Only configs OpenGL can render to, in the pixel layout RGBA.
        if (!(attrib(EGL_RENDERABLE_TYPE) & EGL_OPENGL_BIT) || attrib(EGL_COLOR_BUFFER_TYPE) != EGL_RGB_BUFFER ||
            attrib(EGL_CONFIG_CAVEAT) == EGL_NON_CONFORMANT_CONFIG)
            continue;
        vConfigs.push_back({configs[i], attrib(EGL_CONFIG_ID)});
        vConfigFacts.push_back({.Red = attrib(EGL_RED_SIZE),
                                .Green = attrib(EGL_GREEN_SIZE),
                                .Blue = attrib(EGL_BLUE_SIZE),
                                .Alpha = attrib(EGL_ALPHA_SIZE),
                                .Depth = attrib(EGL_DEPTH_SIZE),
                                .Stencil = attrib(EGL_STENCIL_SIZE),
                                .Samples = attrib(EGL_SAMPLE_BUFFERS) > 0 ? attrib(EGL_SAMPLES) : 0,
                                .Window = (attrib(EGL_SURFACE_TYPE) & EGL_WINDOW_BIT) != 0,
                                .Pbuffer = (attrib(EGL_SURFACE_TYPE) & EGL_PBUFFER_BIT) != 0,
                                .Slow = attrib(EGL_CONFIG_CAVEAT) == EGL_SLOW_CONFIG,
                                .Float = attrib(EGL_COLOR_COMPONENT_TYPE_EXT) == EGL_COLOR_COMPONENT_TYPE_FLOAT_EXT});
    }
}

// The process's display, opened on first use; never terminated (unloading the driver under the address
// sanitizer leaves leak reports behind, and other threads may still use it).
static EGLDisplay TheDisplay()
{
    std::lock_guard<std::mutex> lock(vDisplayLock);
    if (!vDisplayTried) {
        vDisplayTried = true;
        const EGLDisplay display =
            vNativeDisplay ? eglGetPlatformDisplay(EGL_PLATFORM_X11_KHR, vNativeDisplay, nullptr)
                           : eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) {
            ReadConfigs(display);
            vDisplay = display;
        } else {
            vDisplayError = eglGetError();
        }
    }
    if (vDisplay == EGL_NO_DISPLAY) Fail(vDisplayError);
    return vDisplay;
}

void* PglOpenNativeDisplay()
{
    static std::once_flag vThreadsInitialised;
    std::call_once(vThreadsInitialised, [] { XInitThreads(); });
    return XOpenDisplay(nullptr);
}

void PglSetNativeDisplay(void* ANativeDisplay)
{
    std::lock_guard<std::mutex> lock(vDisplayLock);
    if (vDisplay != EGL_NO_DISPLAY && vNativeDisplay != ANativeDisplay)
        throw Exception("The OpenGL display is already open on another connection");
    vNativeDisplay = static_cast<Display*>(ANativeDisplay);
    if (vDisplay == EGL_NO_DISPLAY) vDisplayTried = false; // a failed attempt may succeed on the new connection
}

bool PglHasNativeDisplay()
{
    return TheDisplay() != EGL_NO_DISPLAY && vNativeDisplay;
}

// The index of the config in vConfigs, -1 when the display has no such config.
static int32_t FindConfig(TPglConfig AConfig)
{
    if (TheDisplay() == EGL_NO_DISPLAY) return -1;
    for (size_t i = 0; i < vConfigs.size(); ++i)
        if (vConfigs[i].Id == AConfig) return static_cast<int32_t>(i);
    return -1;
}

// ---------------------------------------------------------------------------------------------------------
// Choosing configs

namespace {

// A pixel-format attribute list, read.
struct TPixelRequest {
    bool Window = false, Pbuffer = false, Bitmap = false, Stereo = false, ColorIndex = false;
    bool FullAcceleration = false, RequireFloat = false, PreferFloat = false;
    int32_t ColorBits = 0, AlphaBits = 0, DepthBits = 0, StencilBits = 0, ColorSamples = 0;
    int32_t SampleBuffers = -1, Samples = 0; // -1: not asked

    explicit TPixelRequest(const int32_t* AAttribs)
    {
        for (const int32_t* p = AAttribs; p && p[0] != 0; p += 2) {
            const int32_t value = p[1];
            switch (p[0]) {
            case WGL_DRAW_TO_WINDOW_ARB: Window = value != 0; break;
            case WGL_DRAW_TO_PBUFFER_ARB: Pbuffer = value != 0; break;
            case WGL_DRAW_TO_BITMAP_ARB: Bitmap = value != 0; break;
            case WGL_STEREO_ARB: Stereo = value != 0; break;
            case WGL_ACCELERATION_ARB: FullAcceleration = value == WGL_FULL_ACCELERATION_ARB; break;
            case WGL_PIXEL_TYPE_ARB:
                ColorIndex = value == WGL_TYPE_COLORINDEX_ARB;
                RequireFloat = value == WGL_TYPE_RGBA_FLOAT_ATI;
                PreferFloat = PreferFloat || RequireFloat;
                break;
            case WGL_FLOAT_COMPONENTS_NV: PreferFloat = value != 0; break;
            case WGL_COLOR_BITS_ARB: ColorBits = value; break;
            case WGL_ALPHA_BITS_ARB: AlphaBits = value; break;
            case WGL_DEPTH_BITS_ARB: DepthBits = value; break;
            case WGL_STENCIL_BITS_ARB: StencilBits = value; break;
            case WGL_SAMPLE_BUFFERS_ARB: SampleBuffers = value; break;
            case WGL_SAMPLES_ARB: Samples = value; break;
            case WGL_COLOR_SAMPLES_NV: ColorSamples = value; break;
            default: break; // double buffering is the surface's; accumulation and auxiliary buffers do not exist
            }
        }
    }

    int32_t WantedSamples() const { return SampleBuffers == 0 ? 0 : Samples; }

    bool SurfaceKindMet(const TPglConfigFacts& AConfig) const
    {
        return (!Window || AConfig.Window) && (!Pbuffer || AConfig.Pbuffer) && !Bitmap;
    }

    bool Satisfies(const TPglConfigFacts& AConfig) const
    {
        const bool sampleBuffersMet = SampleBuffers < 0 || (SampleBuffers > 0) == (AConfig.Samples > 0);
        return SurfaceKindMet(AConfig) && !Stereo && !ColorIndex && ColorSamples <= 0 && sampleBuffersMet &&
               (!FullAcceleration || !AConfig.Slow) && (!RequireFloat || AConfig.Float) &&
               AConfig.Alpha >= AlphaBits && AConfig.Depth >= DepthBits && AConfig.Stencil >= StencilBits &&
               AConfig.Samples >= WantedSamples();
    }

    // Lower is closer. Missing bits cost ten times extra bits, a buffer missing altogether more than any
    // difference in size; unasked samples cost, since they slow every frame.
    int32_t Penalty(const TPglConfigFacts& AConfig) const
    {
        int32_t penalty = 0;
        if (ColorBits > 0) {
            penalty += BitsPenalty(AConfig.Red + AConfig.Green + AConfig.Blue + AConfig.Alpha, ColorBits);
            // Between layouts of one size, the one with channels nearest an even share wins (8-8-8-8 over
            // 10-10-10-2 for 32 bits).
            const int32_t share = ColorBits >= 32 || AlphaBits > 0 ? ColorBits / 4 : ColorBits / 3;
            penalty += std::abs(AConfig.Red - share) + std::abs(AConfig.Green - share) + std::abs(AConfig.Blue - share);
        }
        // Extra alpha bits are part of the colour bits, and cost there.
        if (AConfig.Alpha < AlphaBits) penalty += BitsPenalty(AConfig.Alpha, AlphaBits);
        penalty += BitsPenalty(AConfig.Depth, DepthBits) + BitsPenalty(AConfig.Stencil, StencilBits);
        const int32_t samples = WantedSamples();
        penalty += AConfig.Samples >= samples ? 20 * (AConfig.Samples - samples) : BitsPenalty(AConfig.Samples, samples);
        if (AConfig.Float != PreferFloat) penalty += 100;
        if (AConfig.Slow) penalty += 50;
        return penalty;
    }

    static int32_t BitsPenalty(int32_t AHave, int32_t AWant)
    {
        if (AHave >= AWant) return AHave - AWant;
        return AHave == 0 ? 1000 : 10 * (AWant - AHave);
    }
};

} // namespace

std::vector<int32_t> PglRankConfigs(const int32_t* AAttribs, const std::vector<TPglConfigFacts>& AConfigs,
                                    bool AClosest)
{
    const TPixelRequest request(AAttribs);
    const bool anyOfKind = std::any_of(AConfigs.begin(), AConfigs.end(),
                                       [&](const TPglConfigFacts& c) { return request.SurfaceKindMet(c); });
    std::vector<std::pair<int32_t, int32_t>> ranked; // penalty, index
    for (size_t i = 0; i < AConfigs.size(); ++i) {
        const TPglConfigFacts& config = AConfigs[i];
        if (AClosest ? !anyOfKind || request.SurfaceKindMet(config) : request.Satisfies(config))
            ranked.emplace_back(request.Penalty(config), static_cast<int32_t>(i));
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int32_t> result;
    for (const auto& entry : ranked) result.push_back(entry.second);
    return result;
}

int32_t PglChooseConfigs(const int32_t* AAttribs, TPglConfig* AConfigs, int32_t AMax)
{
    const auto ranked =
        TheDisplay() == EGL_NO_DISPLAY ? std::vector<int32_t>() : PglRankConfigs(AAttribs, vConfigFacts, false);
    const int32_t count = std::min<int32_t>(AMax, static_cast<int32_t>(ranked.size()));
    for (int32_t i = 0; i < count; ++i) AConfigs[i] = vConfigs[ranked[i]].Id;
    if (ranked.empty()) Fail(EGL_BAD_MATCH);
    return std::max(count, 0);
}

TPglConfig PglChooseClosestConfig(const int32_t* AAttribs)
{
    if (TheDisplay() == EGL_NO_DISPLAY) return 0;
    const auto ranked = PglRankConfigs(AAttribs, vConfigFacts, true);
    if (ranked.empty()) {
        Fail(EGL_BAD_MATCH);
        return 0;
    }
    return vConfigs[ranked.front()].Id;
}

int32_t PglConfigAttrib(TPglConfig AConfig, int32_t AAttrib)
{
    const int32_t index = FindConfig(AConfig);
    if (index < 0) return 0;
    const TPglConfigFacts* config = &vConfigFacts[index];
    switch (AAttrib) {
    case WGL_DRAW_TO_WINDOW_ARB:
    case WGL_DOUBLE_BUFFER_ARB: return config->Window ? 1 : 0;
    case WGL_DRAW_TO_PBUFFER_ARB: return config->Pbuffer ? 1 : 0;
    case WGL_SUPPORT_OPENGL_ARB: return 1;
    case WGL_ACCELERATION_ARB: return config->Slow ? WGL_NO_ACCELERATION_ARB : WGL_FULL_ACCELERATION_ARB;
    case WGL_PIXEL_TYPE_ARB: return config->Float ? WGL_TYPE_RGBA_FLOAT_ATI : WGL_TYPE_RGBA_ARB;
    case WGL_FLOAT_COMPONENTS_NV: return config->Float ? 1 : 0;
    case WGL_COLOR_BITS_ARB: return config->Red + config->Green + config->Blue + config->Alpha;
    case WGL_ALPHA_BITS_ARB: return config->Alpha;
    case WGL_DEPTH_BITS_ARB: return config->Depth;
    case WGL_STENCIL_BITS_ARB: return config->Stencil;
    case WGL_SAMPLE_BUFFERS_ARB: return config->Samples > 0 ? 1 : 0;
    case WGL_SAMPLES_ARB:
    case WGL_COLOR_SAMPLES_NV: return config->Samples;
    default: return 0;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Contexts and surfaces

struct TPglContextRec {
    EGLContext Context;
    int64_t Group; // contexts made sharing with another join its group
};

struct TPglSurfaceRec {
    EGLSurface Surface;
};

// EGL's bound API is per thread; every context here is an OpenGL one.
static void BindOpenGLApi()
{
    static thread_local bool vBound = false;
    if (!vBound) vBound = eglBindAPI(EGL_OPENGL_API);
}

static EGLConfig NativeConfig(TPglConfig AConfig)
{
    if (AConfig == 0) return EGL_NO_CONFIG_KHR;
    const int32_t index = FindConfig(AConfig);
    return index >= 0 ? vConfigs[index].Config : nullptr;
}

TPglContext PglCreateContext(TPglConfig AConfig, TPglContext AShare, const int32_t* AAttribs)
{
    const EGLDisplay display = TheDisplay();
    if (display == EGL_NO_DISPLAY) return nullptr;
    const EGLConfig config = NativeConfig(AConfig);
    if (AConfig != 0 && !config) {
        Fail(EGL_BAD_CONFIG);
        return nullptr;
    }
    int32_t major = 0, minor = 0, flags = 0, profile = 0, layer = 0;
    for (const int32_t* p = AAttribs; p && p[0] != 0; p += 2) {
        switch (p[0]) {
        case WGL_CONTEXT_MAJOR_VERSION_ARB: major = p[1]; break;
        case WGL_CONTEXT_MINOR_VERSION_ARB: minor = p[1]; break;
        case WGL_CONTEXT_FLAGS_ARB: flags |= p[1]; break; // flags given twice add up
        case WGL_CONTEXT_PROFILE_MASK_ARB: profile = p[1]; break;
        case WGL_CONTEXT_LAYER_PLANE_ARB: layer = p[1]; break;
        default:
            Fail(EGL_BAD_ATTRIBUTE);
            return nullptr;
        }
    }
    // No layer planes and no OpenGL ES here.
    if (layer != 0 || (flags & WGL_CONTEXT_ES2_PROFILE_BIT_EXT)) {
        Fail(EGL_BAD_ATTRIBUTE);
        return nullptr;
    }
    const bool forward = (flags & WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB) != 0;
    const bool core = forward || (profile & WGL_CONTEXT_CORE_PROFILE_BIT_ARB);
    std::vector<EGLint> attribs = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                   core ? EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT
                                        : EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT};
    if (major > 0) attribs.insert(attribs.end(), {EGL_CONTEXT_MAJOR_VERSION, major, EGL_CONTEXT_MINOR_VERSION, minor});
    if (flags & WGL_CONTEXT_DEBUG_BIT_ARB) attribs.insert(attribs.end(), {EGL_CONTEXT_OPENGL_DEBUG, EGL_TRUE});
    if (forward) attribs.insert(attribs.end(), {EGL_CONTEXT_OPENGL_FORWARD_COMPATIBLE, EGL_TRUE});
    attribs.push_back(EGL_NONE);

    BindOpenGLApi();
    const EGLContext context =
        eglCreateContext(display, config, AShare ? AShare->Context : EGL_NO_CONTEXT, attribs.data());
    if (context == EGL_NO_CONTEXT) {
        FailWithEglError();
        return nullptr;
    }
    static std::atomic<int64_t> vGroups{0};
    return new TPglContextRec{context, AShare ? AShare->Group : ++vGroups};
}

bool PglDestroyContext(TPglContext AContext)
{
    if (!AContext) return Fail(EGL_BAD_CONTEXT);
    const bool done = eglDestroyContext(TheDisplay(), AContext->Context);
    if (!done) FailWithEglError();
    delete AContext;
    return done;
}

bool PglShareLists(TPglContext A, TPglContext B)
{
    return A && B && A->Group == B->Group;
}

TPglSurface PglCreatePbuffer(TPglConfig AConfig, int32_t AWidth, int32_t AHeight)
{
    const EGLConfig config = AConfig != 0 ? NativeConfig(AConfig) : nullptr;
    if (!config) {
        Fail(EGL_BAD_CONFIG);
        return nullptr;
    }
    const EGLint attribs[] = {EGL_WIDTH, AWidth, EGL_HEIGHT, AHeight, EGL_NONE};
    const EGLSurface surface = eglCreatePbufferSurface(TheDisplay(), config, attribs);
    if (surface == EGL_NO_SURFACE) {
        FailWithEglError();
        return nullptr;
    }
    return new TPglSurfaceRec{surface};
}

TPglSurface PglCreateWindowSurface(TPglConfig AConfig, TPglNativeWindow AWindow, bool ADoubleBuffered)
{
    const EGLConfig config = AConfig != 0 ? NativeConfig(AConfig) : nullptr;
    if (!config) {
        Fail(EGL_BAD_CONFIG);
        return nullptr;
    }
    if (!PglHasNativeDisplay() || AWindow == 0) {
        Fail(EGL_BAD_NATIVE_WINDOW);
        return nullptr;
    }
    const EGLAttrib attribs[] = {EGL_RENDER_BUFFER, ADoubleBuffered ? EGL_BACK_BUFFER : EGL_SINGLE_BUFFER, EGL_NONE};
    Window window = AWindow;
    const EGLSurface surface = eglCreatePlatformWindowSurface(TheDisplay(), config, &window, attribs);
    if (surface == EGL_NO_SURFACE) {
        FailWithEglError();
        return nullptr;
    }
    // Snapshots read the back buffer after the swap that showed it.
    EGLint surfaceType = 0;
    eglGetConfigAttrib(TheDisplay(), config, EGL_SURFACE_TYPE, &surfaceType);
    if (ADoubleBuffered && (surfaceType & EGL_SWAP_BEHAVIOR_PRESERVED_BIT))
        eglSurfaceAttrib(TheDisplay(), surface, EGL_SWAP_BEHAVIOR, EGL_BUFFER_PRESERVED);
    return new TPglSurfaceRec{surface};
}

// EGL cannot be asked for a surface's swap interval: what was set is kept here, per surface.
static std::mutex vSwapIntervalLock;
static std::map<EGLSurface, int32_t> vSwapIntervals;

bool PglDestroySurface(TPglSurface ASurface)
{
    if (!ASurface) return Fail(EGL_BAD_SURFACE);
    const bool done = eglDestroySurface(TheDisplay(), ASurface->Surface);
    if (!done) FailWithEglError();
    {
        std::lock_guard<std::mutex> lock(vSwapIntervalLock);
        vSwapIntervals.erase(ASurface->Surface);
    }
    delete ASurface;
    return done;
}

bool PglMakeCurrent(TPglSurface ASurface, TPglContext AContext)
{
    const EGLDisplay display = TheDisplay();
    if (display == EGL_NO_DISPLAY) return false;
    BindOpenGLApi();
    const EGLSurface surface = ASurface ? ASurface->Surface : EGL_NO_SURFACE;
    if (!eglMakeCurrent(display, surface, surface, AContext ? AContext->Context : EGL_NO_CONTEXT))
        return FailWithEglError();
    return true;
}

bool PglReleaseCurrent()
{
    return PglMakeCurrent(nullptr, nullptr);
}

bool PglSwapBuffers(TPglSurface ASurface)
{
    if (!ASurface) return Fail(EGL_BAD_SURFACE);
    return eglSwapBuffers(TheDisplay(), ASurface->Surface) || FailWithEglError();
}

// ---------------------------------------------------------------------------------------------------------
// The current context's window system

bool PglSwapInterval(int32_t AInterval)
{
    const EGLDisplay display = eglGetCurrentDisplay();
    const EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    if (display == EGL_NO_DISPLAY || surface == EGL_NO_SURFACE) return Fail(EGL_BAD_SURFACE);
    if (!eglSwapInterval(display, AInterval)) return FailWithEglError();
    std::lock_guard<std::mutex> lock(vSwapIntervalLock);
    vSwapIntervals[surface] = AInterval;
    return true;
}

int32_t PglGetSwapInterval()
{
    const EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    std::lock_guard<std::mutex> lock(vSwapIntervalLock);
    const auto found = vSwapIntervals.find(surface);
    return found == vSwapIntervals.end() ? 1 : found->second;
}

static bool HasToken(const char* AList, const std::string& AName)
{
    const std::string list = std::string(" ") + (AList ? AList : "") + " ";
    return list.find(" " + AName + " ") != std::string::npos;
}

// Configs chosen by attributes and swap intervals always; p-buffers and multisampling when some config has
// them; contexts made with attributes (a version and a profile) from EGL 1.5 or its extension on.
std::string PglCurrentWindowSystemExtensions()
{
    const EGLDisplay display = eglGetCurrentDisplay();
    if (display == EGL_NO_DISPLAY) return std::string();
    std::string list = "WGL_ARB_pixel_format WGL_EXT_swap_control ";
    EGLint count = 0;
    eglGetConfigs(display, nullptr, 0, &count);
    std::vector<EGLConfig> configs(std::max<EGLint>(count, 0));
    if (!configs.empty() && !eglGetConfigs(display, configs.data(), count, &count)) count = 0;
    bool pbuffer = false, multisample = false;
    for (EGLint i = 0; i < count; ++i) {
        EGLint surfaceType = 0, samples = 0;
        eglGetConfigAttrib(display, configs[i], EGL_SURFACE_TYPE, &surfaceType);
        eglGetConfigAttrib(display, configs[i], EGL_SAMPLES, &samples);
        pbuffer = pbuffer || (surfaceType & EGL_PBUFFER_BIT) != 0;
        multisample = multisample || samples > 0;
    }
    if (pbuffer) list += "WGL_ARB_pbuffer ";
    if (multisample) list += "WGL_ARB_multisample ";
    int major = 0, minor = 0;
    const char* version = eglQueryString(display, EGL_VERSION);
    const bool version15 = version && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
                           (major > 1 || (major == 1 && minor >= 5));
    if (version15 || HasToken(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_create_context"))
        list += "WGL_ARB_create_context WGL_ARB_create_context_profile ";
    return list;
}

// ---------------------------------------------------------------------------------------------------------
// Window-destroy tracking

namespace {

struct TTrackedWindow {
    TPglNativeWindow Window;
    const void* Owner;
    TPglWindowCallback Callback;
};

} // namespace

static std::mutex vTrackLock;
static std::vector<TTrackedWindow> vTracked;

void PglTrackWindow(TPglNativeWindow AWindow, const void* AOwner, TPglWindowCallback ACallback)
{
    if (AWindow == 0) return;
    std::lock_guard<std::mutex> lock(vTrackLock);
    vTracked.push_back({AWindow, AOwner, std::move(ACallback)});
}

void PglUntrackWindow(TPglNativeWindow AWindow, const void* AOwner)
{
    std::lock_guard<std::mutex> lock(vTrackLock);
    std::erase_if(vTracked, [&](const TTrackedWindow& t) { return t.Window == AWindow && t.Owner == AOwner; });
}

// The window and every window inside it, while the window still exists.
static void CollectWindowTree(TPglNativeWindow AWindow, std::unordered_set<TPglNativeWindow>& ATree)
{
    ATree.insert(AWindow);
    if (!vNativeDisplay) return;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(vNativeDisplay, AWindow, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) CollectWindowTree(children[i], ATree);
    if (children) XFree(children);
}

void PglNotifyWindowDestroying(TPglNativeWindow AWindow)
{
    std::vector<std::pair<TPglNativeWindow, const void*>> affected;
    {
        std::lock_guard<std::mutex> lock(vTrackLock);
        if (vTracked.empty()) return;
    }
    std::unordered_set<TPglNativeWindow> tree;
    CollectWindowTree(AWindow, tree);
    {
        std::lock_guard<std::mutex> lock(vTrackLock);
        for (const TTrackedWindow& t : vTracked)
            if (tree.count(t.Window)) affected.emplace_back(t.Window, t.Owner);
    }
    // From the last tracked to the first; an entry a callback has untracked meanwhile is passed over.
    for (auto entry = affected.rbegin(); entry != affected.rend(); ++entry) {
        TPglWindowCallback callback;
        {
            std::lock_guard<std::mutex> lock(vTrackLock);
            const auto found = std::find_if(vTracked.begin(), vTracked.end(), [&](const TTrackedWindow& t) {
                return t.Window == entry->first && t.Owner == entry->second;
            });
            if (found == vTracked.end()) continue;
            callback = found->Callback;
        }
        if (callback) callback();
    }
}
