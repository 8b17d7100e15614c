#include "EglTestContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <stdexcept>
#include <string>

[[noreturn]] static void Fail(const char* AStep)
{
    char error[16];
    std::snprintf(error, sizeof error, "0x%04X", static_cast<unsigned>(eglGetError()));
    throw std::runtime_error(std::string("EGL test context: ") + AStep + " failed (error " + error + ")");
}

// The process's one display, on the surfaceless platform: eglGetDisplay(EGL_DEFAULT_DISPLAY) needs X.
// Never terminated: unloading the driver under the address sanitizer leaves leak reports behind.
static EGLDisplay Display()
{
    static EGLDisplay vDisplay = [] {
        const auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay) Fail("eglGetProcAddress(eglGetPlatformDisplayEXT)");
        EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY) Fail("eglGetPlatformDisplayEXT");
        if (!eglInitialize(display, nullptr, nullptr)) Fail("eglInitialize");
        return display;
    }();
    return vDisplay;
}

TEglTestContext::TEglTestContext()
{
    const EGLDisplay display = Display();
    if (!eglBindAPI(EGL_OPENGL_API)) Fail("eglBindAPI");
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                       EGL_DEPTH_SIZE, 24, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) Fail("eglChooseConfig");
    const EGLint surfaceAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    FSurface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (FSurface == EGL_NO_SURFACE) Fail("eglCreatePbufferSurface");
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    FContext = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (FContext == EGL_NO_CONTEXT) {
        eglDestroySurface(display, FSurface);
        Fail("eglCreateContext");
    }
    MakeCurrent();
}

TEglTestContext::~TEglTestContext()
{
    const EGLDisplay display = Display();
    if (eglGetCurrentContext() == FContext) Release();
    eglDestroyContext(display, FContext);
    eglDestroySurface(display, FSurface);
}

void TEglTestContext::MakeCurrent()
{
    if (!eglMakeCurrent(Display(), FSurface, FSurface, FContext)) Fail("eglMakeCurrent");
}

void TEglTestContext::Release()
{
    eglMakeCurrent(Display(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}
