// The platform's EGL layer on an X server: a window surface on a raw X11 window, and window-destroy tracking
// that lets surfaces go before their windows.
#include "NativeDisplay.h"
#include "OpenGLAdapter.h"
#include "PlatformGL.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

// After the test framework: Xlib's macros (None, Bool, Status) clash with names in other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

Display* XDisplay()
{
    return static_cast<Display*>(TestNativeDisplay());
}

class PlatformGLWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(XDisplay(), nullptr) << "no X server";
        ASSERT_TRUE(EnsureOpenGLLoaded());
        const int32_t request[] = {WGL_DRAW_TO_WINDOW_ARB, 1, WGL_DOUBLE_BUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 32, 0};
        ASSERT_EQ(PglChooseConfigs(request, &Config, 1), 1);
        Context = PglCreateContext(Config, nullptr, nullptr);
        ASSERT_NE(Context, nullptr);
    }
    void TearDown() override
    {
        PglReleaseCurrent();
        PglDestroyContext(Context);
    }

    Window CreateWindow(Window AParent, int ASize)
    {
        const Window window = XCreateSimpleWindow(XDisplay(), AParent, 0, 0, ASize, ASize, 0, 0, 0);
        XMapWindow(XDisplay(), window);
        XSync(XDisplay(), False);
        return window;
    }
    bool WindowExists(Window AWindow)
    {
        XWindowAttributes attributes;
        return XGetWindowAttributes(XDisplay(), AWindow, &attributes) != 0;
    }

    TPglConfig Config = 0;
    TPglContext Context = nullptr;
};

} // namespace

TEST_F(PlatformGLWindow, ClearSwapAndReadBackOnAWindowSurface)
{
    EXPECT_TRUE(PglHasNativeDisplay());
    const Window window = CreateWindow(DefaultRootWindow(XDisplay()), 16);
    TPglSurface surface = PglCreateWindowSurface(Config, window, true);
    ASSERT_NE(surface, nullptr) << PglErrorText(PglLastError());
    ASSERT_TRUE(PglMakeCurrent(surface, Context));
    TGLExtensionsAndEntryPoints gl;
    gl.Initialize(false);
    EXPECT_TRUE(gl.W_EXT_swap_control);
    EXPECT_TRUE(PglSwapInterval(0));
    EXPECT_EQ(PglGetSwapInterval(), 0);

    gl.ClearColor(0, 1, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(PglSwapBuffers(surface));
    // The window shows the frame, and the back buffer still holds it after the swap.
    XImage* image = XGetImage(XDisplay(), window, 8, 8, 1, 1, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 0, 0) & 0xFFFFFF, 0x00FF00u);
    XDestroyImage(image);
    std::array<uint8_t, 4> pixel{};
    gl.ReadPixels(8, 8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    EXPECT_EQ(pixel, (std::array<uint8_t, 4>{0, 255, 0, 255}));
    EXPECT_EQ(gl.GetError(), static_cast<GLenum>(GL_NO_ERROR));
    gl.Close();
    PglReleaseCurrent();
    EXPECT_TRUE(PglDestroySurface(surface));
    XDestroyWindow(XDisplay(), window);
}

TEST_F(PlatformGLWindow, SurfacesInsideADestroyedWindowGoFirst)
{
    const Window form = CreateWindow(DefaultRootWindow(XDisplay()), 64);
    const Window panel = CreateWindow(form, 32);
    const Window viewer = CreateWindow(panel, 16);
    const Window other = CreateWindow(DefaultRootWindow(XDisplay()), 16);
    std::vector<std::string> events;
    TPglSurface surface = PglCreateWindowSurface(Config, viewer, true);
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(PglMakeCurrent(surface, Context));
    int owners[2];
    PglTrackWindow(viewer, &owners[0], [&] {
        events.push_back(WindowExists(viewer) ? "viewer surface destroyed, window alive" : "window gone first");
        PglReleaseCurrent();
        EXPECT_TRUE(PglDestroySurface(surface));
        PglUntrackWindow(viewer, &owners[0]);
    });
    PglTrackWindow(other, &owners[1], [&] { events.push_back("other"); });

    PglNotifyWindowDestroying(form);
    XDestroyWindow(XDisplay(), form);
    XSync(XDisplay(), False);
    EXPECT_EQ(events, (std::vector<std::string>{"viewer surface destroyed, window alive"}));
    EXPECT_FALSE(WindowExists(viewer));

    PglNotifyWindowDestroying(other);
    EXPECT_EQ(events.size(), 2u);
    PglUntrackWindow(other, &owners[1]);
    XDestroyWindow(XDisplay(), other);
}
