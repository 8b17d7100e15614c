// The system's context class on an X server: a window context from the game's own request, presenting frames,
// and destroyed through window tracking before its window goes.
#include "GLWin32Context.h"

#include "NativeDisplay.h"
#include "OpenGLAdapter.h"
#include "RealGLTestContext.h"

#include <gtest/gtest.h>

// After the test framework: Xlib's macros (None, Bool, Status) clash with names in other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

Display* XDisplay()
{
    return static_cast<Display*>(TestNativeDisplay());
}

// The context module restarted with the context class registered, on the X11 display.
class GLWin32ContextWindow : public RealGLTestContext {
protected:
    static void SetUpTestSuite()
    {
        TestNativeDisplay();
        RealGLTestContext::SetUpTestSuite();
    }
    void SetUp() override
    {
        ASSERT_NE(XDisplay(), nullptr) << "no X server";
        Form = CreateWindow(DefaultRootWindow(XDisplay()), 64);
        Viewer = CreateWindow(Form, 32);
        Context = dynamic_cast<TGLWin32Context*>(vGLContextManager->CreateContext());
    }
    void TearDown() override
    {
        Free(Context);
        XDestroyWindow(XDisplay(), Form);
        XSync(XDisplay(), False);
    }

    Window CreateWindow(Window AParent, int ASize)
    {
        const Window window = XCreateSimpleWindow(XDisplay(), AParent, 0, 0, ASize, ASize, 0, 0, 0);
        XMapWindow(XDisplay(), window);
        XSync(XDisplay(), False);
        return window;
    }
    unsigned long ShownPixel(int x, int y)
    {
        XImage* image = XGetImage(XDisplay(), Viewer, x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long pixel = image ? XGetPixel(image, 0, 0) & 0xFFFFFF : ~0ul;
        if (image) XDestroyImage(image);
        return pixel;
    }
    static GLint Integer(GLenum AName)
    {
        GLint value = -1;
        GetCurrentGL()->GetIntegerv(AName, &value);
        return value;
    }

    Window Form = 0, Viewer = 0;
    TGLWin32Context* Context = nullptr;
};

} // namespace

TEST_F(GLWin32ContextWindow, TheGamesRequestGetsAMultisampledWindowThatPresents)
{
    // 128 colour bits, 32 depth bits, stencil, destination alpha, 4x anti-aliasing, double buffering.
    Context->SetOptions({rcoDoubleBuffered});
    Context->SetColorBits(128);
    Context->SetDepthBits(32);
    Context->SetStencilBits(8);
    Context->SetAlphaBits(8);
    Context->SetAntiAliasing(aa4x);
    Context->CreateContext(reinterpret_cast<void*>(Viewer));
    ASSERT_TRUE(Context->IsValid());
    EXPECT_EQ(Context->RenderOutputDevice(), reinterpret_cast<void*>(Viewer));
    EXPECT_EQ(Context->AntiAliasing(), aa4x);
    EXPECT_TRUE(Context->SharesWith(GetServiceContext()));

    Context->Activate();
    EXPECT_EQ(Integer(GL_SAMPLES), 4);
    EXPECT_EQ(Integer(GL_DEPTH_BITS), 24);
    EXPECT_EQ(Integer(GL_STENCIL_BITS), 8);
    GetCurrentGL()->ClearColor(1, 0, 0, 1);
    GetCurrentGL()->Clear(GL_COLOR_BUFFER_BIT);
    Context->SwapBuffers();
    EXPECT_EQ(ShownPixel(16, 16), 0xFF0000u);
    Context->Deactivate();
}

TEST_F(GLWin32ContextWindow, WithoutAntiAliasingTheFormatHasNoSamples)
{
    Context->SetOptions({rcoDoubleBuffered});
    Context->SetDepthBits(24);
    Context->SetAntiAliasing(aaNone);
    Context->CreateContext(reinterpret_cast<void*>(Viewer));
    Context->Activate();
    EXPECT_EQ(Integer(GL_SAMPLES), 0);
    EXPECT_EQ(Integer(GL_DEPTH_BITS), 24);
    Context->Deactivate();
}

TEST_F(GLWin32ContextWindow, DestroyingTheFormDestroysTheContextFirst)
{
    Context->SetOptions({rcoDoubleBuffered});
    Context->CreateContext(reinterpret_cast<void*>(Viewer));
    ASSERT_TRUE(Context->IsValid());
    PglNotifyWindowDestroying(Form);
    EXPECT_FALSE(Context->IsValid());
    EXPECT_FALSE(GetServiceContext()->SharesWith(Context));
    XDestroyWindow(XDisplay(), Form);
    XSync(XDisplay(), False);
    Form = CreateWindow(DefaultRootWindow(XDisplay()), 8); // for TearDown

    // Made again on a new window, it is tracked again.
    Viewer = CreateWindow(Form, 8);
    Context->CreateContext(reinterpret_cast<void*>(Viewer));
    EXPECT_TRUE(Context->IsValid());
    PglNotifyWindowDestroying(Viewer);
    EXPECT_FALSE(Context->IsValid());
}
