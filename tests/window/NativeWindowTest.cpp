// The windows and forms layers on an X server: a form's native child has a real X11 window inside the
// form's, destroy notifications come while the X windows exist, display modes come from XRandR, and full
// screen is the window manager's state.
#include "Controls.h"
#include "Forms.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// After the test framework: Xlib's macros (None, Bool, Status) clash with names in other headers.
#include <X11/Xlib.h>

namespace {

Display* XDisplay() { return static_cast<Display*>(GetX11Display()); }

bool XWindowExists(uint64_t AWindow)
{
    XSync(XDisplay(), False);
    XWindowAttributes attributes;
    return XGetWindowAttributes(XDisplay(), static_cast<Window>(AWindow), &attributes) != 0;
}

// True when AWindow lies inside AAncestor in the X server's window tree.
bool XWindowInside(uint64_t AWindow, uint64_t AAncestor)
{
    Window current = static_cast<Window>(AWindow);
    for (;;) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(XDisplay(), current, &root, &parent, &children, &count)) return false;
        if (children) XFree(children);
        if (parent == static_cast<Window>(AAncestor)) return true;
        if (parent == root || parent == 0) return false;
        current = parent;
    }
}

// The 32-bit items of a window property (Xlib hands them out as longs); empty when it is not set.
std::vector<long> XProperty(uint64_t AWindow, const char* AName)
{
    XSync(XDisplay(), False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::vector<long> items;
    if (XGetWindowProperty(XDisplay(), static_cast<Window>(AWindow), XInternAtom(XDisplay(), AName, False), 0, 64,
                           False, AnyPropertyType, &type, &format, &count, &remaining, &data) != Success)
        return items;
    if (data && format == 32) items.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    if (data) XFree(data);
    return items;
}

// A native child that notes whether its X window still existed when its WM_DESTROY came.
class TViewerLike : public TNativeControl {
public:
    using TNativeControl::TNativeControl;
    std::vector<std::string>* Log = nullptr;

protected:
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_DESTROY && Log)
            Log->push_back(XWindowExists(GetX11Window(Handle())) ? "destroy with X window" : "destroy too late");
        TNativeControl::WndProc(Message);
    }
};

class NativeWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(XDisplay(), nullptr) << "no X server";
        Form = new TForm(nullptr);
        Viewer = new TViewerLike(Form);
        Viewer->SetParent(Form);
        Viewer->SetAlign(alClient);
        Form->SetBounds(0, 0, 240, 160);
    }
    void TearDown() override { Free(Form); }

    TForm* Form = nullptr;
    TViewerLike* Viewer = nullptr;
};

TEST_F(NativeWindows, TheNativeChildIsAnX11WindowInsideItsForm)
{
    Form->Show();
    Application->ProcessMessages();
    const uint64_t child = GetX11Window(Viewer->Handle());
    const uint64_t form = GetX11Window(Form->Handle());
    ASSERT_NE(child, 0u);
    ASSERT_NE(form, 0u);
    EXPECT_NE(child, form);
    EXPECT_TRUE(XWindowExists(child));
    EXPECT_TRUE(XWindowInside(child, form));
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(XDisplay(), static_cast<Window>(child), &attributes));
    EXPECT_EQ(attributes.width, 240);
    EXPECT_EQ(attributes.height, 160);
}

// The game restyles its main window (borderless, stay on top) after the viewer's context exists: the
// viewer's X window must stay the same.
TEST_F(NativeWindows, RestylingTheFormKeepsTheChildsX11Window)
{
    Form->Show();
    Application->ProcessMessages();
    const uint64_t before = GetX11Window(Viewer->Handle());
    Form->SetBorderStyle(bsNone);
    Form->SetFormStyle(fsStayOnTop);
    Application->ProcessMessages();
    EXPECT_EQ(GetX11Window(Viewer->Handle()), before);
    EXPECT_TRUE(XWindowExists(before));
    EXPECT_TRUE(XWindowInside(before, GetX11Window(Form->Handle())));
    // The frame goes through the window manager hints: flags with the decorations bit, no decorations.
    const std::vector<long> hints = XProperty(GetX11Window(Form->Handle()), "_MOTIF_WM_HINTS");
    ASSERT_GE(hints.size(), 3u);
    EXPECT_TRUE(hints[0] & 2);
    EXPECT_EQ(hints[2], 0);
}

TEST_F(NativeWindows, DestroyNotificationsComeBeforeTheX11WindowsGo)
{
    Form->Show();
    Application->ProcessMessages();
    std::vector<std::string> log;
    Viewer->Log = &log;
    const HWND viewerHandle = Viewer->Handle();
    const uint64_t child = GetX11Window(viewerHandle);
    const int hook = AddWindowDestroyHook([&](HWND wnd) {
        if (wnd == viewerHandle)
            log.push_back(XWindowExists(GetX11Window(wnd)) ? "hook with X window" : "hook too late");
    });
    Free(Form);
    Form = nullptr;
    RemoveWindowDestroyHook(hook);
    EXPECT_EQ(log, (std::vector<std::string>{"hook with X window", "destroy with X window"}));
    EXPECT_FALSE(XWindowExists(child));
}

TEST_F(NativeWindows, FullScreenIsTheWindowManagersState)
{
    ASSERT_TRUE(SetWindowFullScreen(Form->Handle(), true));
    Form->Show();
    Application->ProcessMessages();
    const std::vector<long> atoms = XProperty(GetX11Window(Form->Handle()), "_NET_WM_STATE");
    const long fullScreen = static_cast<long>(XInternAtom(XDisplay(), "_NET_WM_STATE_FULLSCREEN", False));
    EXPECT_NE(std::find(atoms.begin(), atoms.end(), fullScreen), atoms.end());
}

// Xvfb offers one size; its depth 24 is stored in 32 bits per pixel.
TEST(DisplayModes, EnumerateTestAndSwitchOnXvfb)
{
    ASSERT_NE(XDisplay(), nullptr) << "no X server";
    TDevMode current;
    ASSERT_TRUE(EnumDisplaySettings(ENUM_CURRENT_SETTINGS, current));
    EXPECT_EQ(current.dmBitsPerPel, 32u);
    EXPECT_GT(current.dmPelsWidth, 0u);

    std::vector<TDevMode> modes;
    TDevMode mode;
    while (EnumDisplaySettings(static_cast<int32_t>(modes.size()), mode)) modes.push_back(mode);
    ASSERT_FALSE(modes.empty());
    bool currentListed = false;
    for (const TDevMode& m : modes) {
        EXPECT_EQ(m.dmBitsPerPel, 32u);
        currentListed |= m.dmPelsWidth == current.dmPelsWidth && m.dmPelsHeight == current.dmPelsHeight;
    }
    EXPECT_TRUE(currentListed);

    TDevMode wanted = current;
    wanted.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    EXPECT_EQ(ChangeDisplaySettings(&wanted, CDS_TEST | CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    TDevMode fewerBits = wanted;
    fewerBits.dmBitsPerPel = 16;
    EXPECT_EQ(ChangeDisplaySettings(&fewerBits, CDS_TEST), DISP_CHANGE_BADMODE);
    TDevMode oddSize = wanted;
    oddSize.dmPelsWidth = 42;
    oddSize.dmPelsHeight = 37;
    EXPECT_EQ(ChangeDisplaySettings(&oddSize, CDS_TEST), DISP_CHANGE_BADMODE);

    EXPECT_EQ(ChangeDisplaySettings(&wanted, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ChangeDisplaySettings(nullptr, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    TDevMode after;
    ASSERT_TRUE(EnumDisplaySettings(ENUM_CURRENT_SETTINGS, after));
    EXPECT_EQ(after.dmPelsWidth, current.dmPelsWidth);
    EXPECT_EQ(after.dmPelsHeight, current.dmPelsHeight);
}

} // namespace
