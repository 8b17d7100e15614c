// The window system's OpenGL operations on EGL: one display per process, configs chosen from attribute lists
// and ranked here, contexts in share groups, p-buffer and window surfaces, making a context current per thread,
// swapping, swap intervals, and the destruction of native windows that carry surfaces.
//
// The display is Mesa's surfaceless platform unless a native (X11) display connection was handed in before
// the first call that needs the display; then it is the X11 platform on that connection. Both p-buffers and
// windows sit on that one display, so every context can share with every other.
//
// Pixel-format requests use the window system's attribute names (WGL_..._ARB, the values they have there):
// a zero-terminated list of (attribute, value) pairs. Colour bits, float components, accumulation bits and
// auxiliary buffers are preferences only: EGL has no accumulation or auxiliary buffers, and colour depth is
// the screen's or the config's. Depth, stencil, alpha and sample counts are minimums that the caller relaxes
// step by step; PglChooseClosestConfig treats every bit count as a preference and fails only when the display
// has no config at all.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Pixel-format attributes and values.
constexpr int32_t WGL_DRAW_TO_WINDOW_ARB = 0x2001;
constexpr int32_t WGL_DRAW_TO_BITMAP_ARB = 0x2002;
constexpr int32_t WGL_ACCELERATION_ARB = 0x2003;
constexpr int32_t WGL_SUPPORT_OPENGL_ARB = 0x2010;
constexpr int32_t WGL_DOUBLE_BUFFER_ARB = 0x2011;
constexpr int32_t WGL_STEREO_ARB = 0x2012;
constexpr int32_t WGL_PIXEL_TYPE_ARB = 0x2013;
constexpr int32_t WGL_COLOR_BITS_ARB = 0x2014;
constexpr int32_t WGL_ALPHA_BITS_ARB = 0x201B;
constexpr int32_t WGL_ACCUM_BITS_ARB = 0x201D;
constexpr int32_t WGL_DEPTH_BITS_ARB = 0x2022;
constexpr int32_t WGL_STENCIL_BITS_ARB = 0x2023;
constexpr int32_t WGL_AUX_BUFFERS_ARB = 0x2024;
constexpr int32_t WGL_NO_ACCELERATION_ARB = 0x2025;
constexpr int32_t WGL_GENERIC_ACCELERATION_ARB = 0x2026;
constexpr int32_t WGL_FULL_ACCELERATION_ARB = 0x2027;
constexpr int32_t WGL_TYPE_RGBA_ARB = 0x202B;
constexpr int32_t WGL_TYPE_COLORINDEX_ARB = 0x202C;
constexpr int32_t WGL_DRAW_TO_PBUFFER_ARB = 0x202D;
constexpr int32_t WGL_SAMPLE_BUFFERS_ARB = 0x2041;
constexpr int32_t WGL_SAMPLES_ARB = 0x2042;
constexpr int32_t WGL_FLOAT_COMPONENTS_NV = 0x20B0;
constexpr int32_t WGL_COLOR_SAMPLES_NV = 0x20B9;
constexpr int32_t WGL_TYPE_RGBA_FLOAT_ATI = 0x21A0;

// Context attributes and values.
constexpr int32_t WGL_CONTEXT_MAJOR_VERSION_ARB = 0x2091;
constexpr int32_t WGL_CONTEXT_MINOR_VERSION_ARB = 0x2092;
constexpr int32_t WGL_CONTEXT_LAYER_PLANE_ARB = 0x2093;
constexpr int32_t WGL_CONTEXT_FLAGS_ARB = 0x2094;
constexpr int32_t WGL_CONTEXT_PROFILE_MASK_ARB = 0x9126;
constexpr int32_t WGL_CONTEXT_DEBUG_BIT_ARB = 0x0001;
constexpr int32_t WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB = 0x0002;
constexpr int32_t WGL_CONTEXT_ES2_PROFILE_BIT_EXT = 0x0004;
constexpr int32_t WGL_CONTEXT_CORE_PROFILE_BIT_ARB = 0x0001;
constexpr int32_t WGL_CONTEXT_COMPATIBILITY_PROFILE_BIT_ARB = 0x0002;

// A config of the display, by its id; 0 is none (a context without config can use any surface).
using TPglConfig = int32_t;
struct TPglContextRec;
struct TPglSurfaceRec;
using TPglContext = TPglContextRec*;
using TPglSurface = TPglSurfaceRec*;
// A native window id (an X11 window); 0 is none.
using TPglNativeWindow = unsigned long;

// Opens a connection to the X server named by DISPLAY, after making Xlib safe for threads (once per process,
// before the first connection); null when there is no server. Hand it to PglSetNativeDisplay.
void* PglOpenNativeDisplay();
// Makes the display the X11 platform on this connection (an Xlib Display*). Raises Exception when the display
// is already open on something else.
void PglSetNativeDisplay(void* ANativeDisplay);
// True when the display is the X11 platform, so window surfaces can be made.
bool PglHasNativeDisplay();

// The error of the last failing call on this thread: an EGL error code, and its name ("EGL_BAD_MATCH").
int32_t PglLastError();
std::string PglErrorText(int32_t AError);

// What ranking knows of a config: its bits per buffer, its samples (0 without sample buffers), the surfaces it
// draws to, whether it is a slow (unaccelerated) config and whether its colour is float.
struct TPglConfigFacts {
    int32_t Red = 0, Green = 0, Blue = 0, Alpha = 0, Depth = 0, Stencil = 0, Samples = 0;
    bool Window = false, Pbuffer = false, Slow = false, Float = false;
};
// The ranking behind both choices, over any configs: the indexes of AConfigs best first, equal ones in their
// given order. Without AClosest only the configs that satisfy the attribute list (PglChooseConfigs); with it
// every config of the asked surface kind, or every config when none is of that kind (PglChooseClosestConfig).
std::vector<int32_t> PglRankConfigs(const int32_t* AAttribs, const std::vector<TPglConfigFacts>& AConfigs,
                                    bool AClosest);
// Up to AMax configs that satisfy the attribute list, best first. Surface kind, stereo, acceleration, float
// pixel type, sample buffers, coverage samples and the minimums must be met; the rest ranks.
int32_t PglChooseConfigs(const int32_t* AAttribs, TPglConfig* AConfigs, int32_t AMax);
// The config closest to the attribute list, among those that can draw to the asked surface kind when any
// can; 0 only when the display has no config.
TPglConfig PglChooseClosestConfig(const int32_t* AAttribs);
// The value of a pixel-format attribute of a config (colour, alpha, depth, stencil bits, sample buffers,
// samples, the surface kinds, float components); 0 for what the config lacks or does not know.
int32_t PglConfigAttrib(TPglConfig AConfig, int32_t AAttrib);

// A context for the OpenGL API on a config (0: usable with any surface), sharing objects with AShare when
// given. The attribute list (or null) takes the context attributes above; without a core profile or the
// forward-compatible flag the context has the compatibility profile. Null on failure (PglLastError).
TPglContext PglCreateContext(TPglConfig AConfig, TPglContext AShare, const int32_t* AAttribs);
// Frees the context (EGL frees it once no thread has it current). False on failure.
bool PglDestroyContext(TPglContext AContext);
// True when both contexts are in one share group (every context made with AShare joins AShare's group).
bool PglShareLists(TPglContext A, TPglContext B);

TPglSurface PglCreatePbuffer(TPglConfig AConfig, int32_t AWidth, int32_t AHeight);
// A surface on a native window of the X11 display; double-buffered surfaces keep their back buffer across
// swaps where the config allows it. Single buffering is only asked for: Mesa's X11 surfaces draw to a back
// buffer whatever is asked. Null on failure, and always on the surfaceless display.
TPglSurface PglCreateWindowSurface(TPglConfig AConfig, TPglNativeWindow AWindow, bool ADoubleBuffered);
bool PglDestroySurface(TPglSurface ASurface);

// Makes the context current on the calling thread, drawing to the surface (null: no surface at all).
bool PglMakeCurrent(TPglSurface ASurface, TPglContext AContext);
// Leaves the calling thread without a current context.
bool PglReleaseCurrent();
bool PglSwapBuffers(TPglSurface ASurface);

// For the context current on the calling thread (possibly made by someone else on the process's display):
// the swap interval of its draw surface (EGL starts at 1 and cannot be asked, so the layer remembers what was
// set), and the window-system extensions the display offers, by their WGL names, blank-separated. False, 1 and
// an empty list when nothing is current.
bool PglSwapInterval(int32_t AInterval);
int32_t PglGetSwapInterval();
std::string PglCurrentWindowSystemExtensions();

// Window-destroy tracking. Whoever destroys a native window calls PglNotifyWindowDestroying first: it calls
// the callback of every tracked (window, owner) pair whose window is that window or lies inside it, from the
// last tracked to the first, so surfaces go before their windows. A callback may untrack any pair.
using TPglWindowCallback = std::function<void()>;
void PglTrackWindow(TPglNativeWindow AWindow, const void* AOwner, TPglWindowCallback ACallback);
void PglUntrackWindow(TPglNativeWindow AWindow, const void* AOwner);
void PglNotifyWindowDestroying(TPglNativeWindow AWindow);
