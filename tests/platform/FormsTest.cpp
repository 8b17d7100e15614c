// The application object (message loop, idle event, exception display), forms, native child controls and
// the timer component, on Qt's offscreen platform.
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "NativeWindows.h"
#include "ProcessUntil.h"
#include "VirtualKeys.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QWidget>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records the message boxes shown while it lives.
struct TMessageBoxSpy {
    TMessageBoxSpy()
    {
        SetMessageBoxHook([this](const TMessageBoxRequest& r) {
            Shown.push_back(r);
            return r.Default;
        });
    }
    ~TMessageBoxSpy() { SetMessageBoxHook(nullptr); }
    std::vector<TMessageBoxRequest> Shown;
};


// A native child that counts its paint messages and notes its destruction.
class TPaintCounter : public TNativeControl {
public:
    using TNativeControl::TNativeControl;
    int Paints = 0;
    int Destroys = 0;

protected:
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_PAINT) ++Paints;
        if (Message.Msg == WM_DESTROY) ++Destroys;
        TNativeControl::WndProc(Message);
    }
};

QWidget* WidgetOf(HWND Wnd) { return QWidget::find(NativeWindow(Wnd)->winId()); }

TEST(Application, ExceptionDisplayPassesTheSilentAbortOverAndShowsTheRest)
{
    struct TCase {
        std::function<void()> Raise;
        const char* Shown; // nullptr: no box
    };
    const TCase cases[] = {
        {[] { throw Exception("Boom"); }, "Boom."},
        {[] { throw Exception("Done."); }, "Done."},
        {[] { throw std::runtime_error("from the library"); }, "from the library."},
        {[] { Abort(); }, nullptr},
    };
    Application->SetTitle("Mirefall");
    for (const TCase& c : cases) {
        TMessageBoxSpy spy;
        try {
            c.Raise();
        } catch (...) {
            Application->HandleException(Application);
        }
        if (!c.Shown) {
            EXPECT_TRUE(spy.Shown.empty());
            continue;
        }
        ASSERT_EQ(spy.Shown.size(), 1u);
        EXPECT_EQ(spy.Shown[0].Text, c.Shown);
        EXPECT_EQ(spy.Shown[0].Caption, "Mirefall");
        EXPECT_EQ(spy.Shown[0].Kind, mtError);
    }
}

TEST(Application, OnExceptionTakesThePlaceOfTheBox)
{
    TMessageBoxSpy spy;
    std::vector<std::string> handled;
    Application->OnException = [&](TObject*, const Exception& E) { handled.push_back(E.Message()); };
    try {
        throw Exception("handled elsewhere");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    Application->OnException = nullptr;
    EXPECT_EQ(handled, std::vector<std::string>{"handled elsewhere"});
    EXPECT_TRUE(spy.Shown.empty());
}

// Run handles messages, hands exceptions to the display and goes on, calls the idle event when nothing is
// pending, and ends when terminated.
TEST(Application, RunLoopsUntilTerminated)
{
    TApplication app;
    std::vector<std::string> log;
    app.OnException = [&](TObject*, const Exception& E) { log.push_back("exception " + E.Message()); };
    int idles = 0;
    app.OnIdle = [&](TObject*, bool& Done) {
        ++idles;
        Done = false; // keep the idle event coming
        if (idles == 3) app.Terminate();
    };
    HWND wnd = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_USER) throw Exception("bad message");
        if (m.Msg == WM_USER + 1) log.push_back("second message");
    });
    PostMessage(wnd, WM_USER, 0, 0);
    PostMessage(wnd, WM_USER + 1, 0, 0);
    app.Run();
    DeallocateHWnd(wnd);
    EXPECT_EQ(log, (std::vector<std::string>{"exception bad message", "second message"}));
    EXPECT_EQ(idles, 3);
    EXPECT_TRUE(app.Terminated());
}

TEST(Forms, ClientAreaResizeAndCaption)
{
    TForm form(nullptr);
    form.SetCaption("MainForm");
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    std::vector<std::pair<int, int>> sizes;
    form.OnResize = [&](TObject*) { sizes.emplace_back(form.ClientWidth(), form.ClientHeight()); };
    EXPECT_FALSE(form.HandleAllocated());
    form.Show();
    ASSERT_TRUE(form.HandleAllocated());
    EXPECT_EQ(WidgetOf(form.Handle())->windowTitle().toStdString(), "MainForm");
    Application->ProcessMessages();
    form.SetBounds(form.Left(), form.Top(), 300, 150);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back(), std::make_pair(300, 150));
    EXPECT_EQ(WidgetOf(form.Handle())->size(), QSize(300, 150));
}

// The form's picture holds what its controls show, at the client size; without a window it is empty.
TEST(Forms, GetFormImageIsTheClientAreaAsShown)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 120, 80);
    EXPECT_EQ(form.GetFormImage()->Width(), 0);
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(10, 20, 30, 30);
    image->Canvas()->Brush()->SetColor(clRed);
    image->Canvas()->FillRect(image->ClientRect());
    form.Show();
    Application->ProcessMessages();
    const auto picture = form.GetFormImage();
    ASSERT_EQ(std::make_pair(picture->Width(), picture->Height()), std::make_pair(120, 80));
    const uint8_t* inside = picture->ScanLine(35) + 3 * 25;
    EXPECT_EQ(std::vector<int>(inside, inside + 3), (std::vector<int>{0, 0, 255})); // blue, green, red
    const uint8_t* outside = picture->ScanLine(5) + 3 * 5;
    EXPECT_NE(std::vector<int>(outside, outside + 3), (std::vector<int>{0, 0, 255}));
}

// A native child paints through the queue: however often it is invalidated, one WM_PAINT; aligned to the
// client area it follows the form.
TEST(Forms, NativeChildPaintsOnceAndFollowsItsForm)
{
    TForm form(nullptr);
    auto* viewer = new TPaintCounter(&form);
    viewer->SetParent(&form);
    viewer->SetAlign(alClient);
    form.SetBounds(0, 0, 320, 200);
    form.Show();
    Application->ProcessMessages();
    ASSERT_TRUE(viewer->HandleAllocated());
    EXPECT_TRUE(IsChild(form.Handle(), viewer->Handle()));
    EXPECT_NE(NativeWindow(viewer->Handle()), nullptr);
    viewer->Paints = 0;
    viewer->Invalidate();
    viewer->Invalidate();
    Application->ProcessMessages();
    EXPECT_EQ(viewer->Paints, 1);
    form.SetBounds(0, 0, 400, 250);
    EXPECT_EQ(viewer->Width(), 400);
    EXPECT_EQ(viewer->Height(), 250);
}

TEST(Forms, OnShowAndOnHideRunAsTheFormAppearsAndGoes)
{
    TForm form(nullptr);
    std::vector<std::string> events;
    form.OnShow = [&](TObject*) { events.push_back("show"); };
    form.OnHide = [&](TObject*) { events.push_back("hide"); };
    form.Hide(); // never shown: nothing goes
    form.Show();
    form.Show(); // already shown: brought to the front only
    form.Hide();
    form.Hide();
    form.Show();
    EXPECT_EQ(events, (std::vector<std::string>{"show", "hide", "show"}));
}

TEST(Forms, RecreatingAWindowDestroysTheOldOneFirst)
{
    TForm form(nullptr);
    auto* viewer = new TPaintCounter(&form);
    viewer->SetParent(&form);
    form.Show();
    HWND old = viewer->Handle();
    viewer->RecreateWnd();
    EXPECT_EQ(viewer->Destroys, 1);
    EXPECT_FALSE(IsWindow(old));
    ASSERT_TRUE(viewer->HandleAllocated());
    EXPECT_TRUE(IsChild(form.Handle(), viewer->Handle()));
}

// Freeing a form: the hooks see the form and then its child while the child's native window still exists.
TEST(Forms, DestroyingAFormNotifiesItsChildrenWhileTheirNativeWindowsExist)
{
    auto* form = new TForm(nullptr);
    auto* viewer = new TPaintCounter(form);
    viewer->SetParent(form);
    form->Show();
    HWND formHandle = form->Handle();
    HWND viewerHandle = viewer->Handle();
    std::vector<HWND> seen;
    const int hook = AddWindowDestroyHook([&](HWND wnd) {
        seen.push_back(wnd);
        EXPECT_NE(NativeWindow(wnd), nullptr);
    });
    Free(form);
    RemoveWindowDestroyHook(hook);
    EXPECT_EQ(seen, (std::vector<HWND>{formHandle, viewerHandle}));
}

TEST(Forms, CloseFollowsCloseQueryAndTheCloseAction)
{
    struct TCase {
        bool CanClose;
        TCloseAction Action;
        bool VisibleAfter;
        bool CloseCalled;
    };
    const TCase cases[] = {
        {false, caHide, true, false},
        {true, caNone, true, true},
        {true, caHide, false, true},
        {true, caMinimize, true, true},
    };
    for (const TCase& c : cases) {
        TForm form(nullptr);
        form.Show();
        bool closeCalled = false;
        form.OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = c.CanClose; };
        form.OnClose = [&](TObject*, TCloseAction& Action) {
            closeCalled = true;
            EXPECT_EQ(Action, caHide);
            Action = c.Action;
        };
        form.Close();
        EXPECT_EQ(form.Visible(), c.VisibleAfter);
        EXPECT_EQ(closeCalled, c.CloseCalled);
    }
}

TEST(Forms, APostedCloseMessageAsksCloseQueryLikeTheCloseButton)
{
    TForm form(nullptr);
    form.Show();
    int asked = 0;
    bool allow = false;
    form.OnCloseQuery = [&](TObject*, bool& CanClose) {
        ++asked;
        CanClose = allow;
    };
    PostMessage(form.Handle(), WM_CLOSE, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(form.Visible());
    allow = true;
    PostMessage(form.Handle(), WM_CLOSE, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(form.Visible());
}

TEST(Forms, CaFreeFreesTheFormFromTheMessageLoop)
{
    TComponent watcher(nullptr);
    auto* form = new TForm(&watcher);
    form->Show();
    form->OnClose = [](TObject*, TCloseAction& Action) { Action = caFree; };
    form->Close();
    EXPECT_EQ(watcher.ComponentCount(), 1);
    Application->ProcessMessages();
    EXPECT_EQ(watcher.ComponentCount(), 0);
}

// With KeyPreview the form sees a key first and may swallow it; keys arrive as virtual-key codes.
TEST(Forms, KeyPreviewAndVirtualKeys)
{
    TForm form(nullptr);
    form.SetKeyPreview(true);
    auto* child = new TPaintCounter(&form);
    child->SetParent(&form);
    form.Show();
    std::vector<uint16_t> formKeys, childKeys;
    std::u16string typed;
    form.OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) {
        formKeys.push_back(Key);
        if (Key == 'A') Key = 0;
    };
    child->OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) { childKeys.push_back(Key); };
    child->OnKeyPress = [&](TObject*, char16_t& Key) { typed += Key; };

    struct TCase {
        int QtKey;
        Qt::KeyboardModifiers Modifiers;
        const char* Text;
        uint16_t Expected;
    };
    const TCase cases[] = {
        {Qt::Key_A, Qt::NoModifier, "a", 'A'},
        {Qt::Key_B, Qt::NoModifier, "b", 'B'},
        {Qt::Key_Exclam, Qt::ShiftModifier, "!", '1'},
        {Qt::Key_Print, Qt::NoModifier, "", VK_SNAPSHOT},
        {Qt::Key_5, Qt::KeypadModifier, "5", VK_NUMPAD0 + 5},
        {Qt::Key_F12, Qt::NoModifier, "", VK_F1 + 11},
        {Qt::Key_Escape, Qt::NoModifier, "", VK_ESCAPE},
        // A letter of another layout has no key code of its own here: it comes as the character only.
        {0x0426, Qt::NoModifier, "\u0446", 0},
    };
    QWidget* widget = WidgetOf(child->Handle());
    for (const TCase& c : cases) {
        QKeyEvent press(QEvent::KeyPress, c.QtKey, c.Modifiers, QString::fromUtf8(c.Text));
        QCoreApplication::sendEvent(widget, &press);
    }
    const std::vector<uint16_t> all = {'A', 'B', '1', VK_SNAPSHOT, VK_NUMPAD0 + 5, VK_F1 + 11, VK_ESCAPE};
    EXPECT_EQ(formKeys, all);
    EXPECT_EQ(childKeys, std::vector<uint16_t>(all.begin() + 1, all.end()));
    EXPECT_EQ(typed, u"ab!5\u0446");
}

// Key messages posted to a control take the keyboard's path when the loop hands them out: the previewing form
// first (which may swallow the key), then the control; one posted to the form reaches it once.
TEST(Forms, PostedKeyMessagesTakeTheKeyboardsPath)
{
    TForm form(nullptr);
    form.SetKeyPreview(true);
    auto* child = new TPaintCounter(&form);
    child->SetParent(&form);
    form.Show();
    std::vector<std::string> seen;
    const auto note = [&seen](const char* who, const char* what, uint32_t value) {
        seen.push_back(std::string(who) + " " + what + " " + std::to_string(value));
    };
    form.OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) {
        note("form", "down", Key);
        if (Key == VK_ESCAPE) Key = 0;
    };
    form.OnKeyUp = [&](TObject*, uint16_t& Key, TShiftState) { note("form", "up", Key); };
    form.OnKeyPress = [&](TObject*, char16_t& Key) {
        note("form", "char", Key);
        if (Key == u'x') Key = 0;
    };
    child->OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) { note("child", "down", Key); };
    child->OnKeyUp = [&](TObject*, uint16_t& Key, TShiftState) { note("child", "up", Key); };
    child->OnKeyPress = [&](TObject*, char16_t& Key) { note("child", "char", Key); };

    const HWND target = child->Handle();
    ASSERT_TRUE(PostMessage(target, WM_KEYDOWN, VK_UP, 0));
    ASSERT_TRUE(PostMessage(target, WM_CHAR, u'\u0446', 0)); // Cyrillic tse, the W key's twin
    ASSERT_TRUE(PostMessage(target, WM_KEYUP, VK_UP, 0));
    ASSERT_TRUE(PostMessage(target, WM_KEYDOWN, VK_ESCAPE, 0));
    ASSERT_TRUE(PostMessage(target, WM_CHAR, u'x', 0));
    ASSERT_TRUE(PostMessage(form.Handle(), WM_KEYUP, VK_RETURN, 0));
    Application->ProcessMessages();
    const std::vector<std::string> expected = {
        "form down 38", "child down 38", "form char 1094", "child char 1094", "form up 38", "child up 38",
        "form down 27", "form char 120",  "form up 13",
    };
    EXPECT_EQ(seen, expected);
}

// The mouse's buttons and moves reach a control by the same path from Qt's events and from mouse messages
// posted to it: a left press and release inside is a click, a double click is DblClick and a press with
// ssDouble, points outside the control (negative ones too) arrive as they are.
TEST(Forms, MouseMessagesTakeThePathOfTheMouse)
{
    struct TInput {
        QEvent::Type Type;
        Qt::MouseButton Button;
        uint32_t Msg;
        WPARAM Flags; // the buttons and keys held, as the message carries them
        int X, Y;
    };
    const TInput inputs[] = {
        {QEvent::MouseMove, Qt::NoButton, WM_MOUSEMOVE, MK_SHIFT, 10, 20},
        {QEvent::MouseButtonPress, Qt::LeftButton, WM_LBUTTONDOWN, MK_LBUTTON, 5, 6},
        {QEvent::MouseButtonRelease, Qt::LeftButton, WM_LBUTTONUP, 0, 5, 6},
        {QEvent::MouseButtonPress, Qt::LeftButton, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, 5, 6},
        {QEvent::MouseButtonRelease, Qt::LeftButton, WM_LBUTTONUP, 0, 150, 6},
        {QEvent::MouseButtonPress, Qt::RightButton, WM_RBUTTONDOWN, MK_RBUTTON, 7, 8},
        {QEvent::MouseButtonRelease, Qt::RightButton, WM_RBUTTONUP, 0, 7, 8},
        {QEvent::MouseButtonPress, Qt::MiddleButton, WM_MBUTTONDOWN, MK_MBUTTON, 9, 9},
        {QEvent::MouseButtonRelease, Qt::MiddleButton, WM_MBUTTONUP, 0, 9, 9},
        {QEvent::MouseButtonDblClick, Qt::LeftButton, WM_LBUTTONDBLCLK, MK_LBUTTON, 5, 6},
        {QEvent::MouseButtonRelease, Qt::LeftButton, WM_LBUTTONUP, 0, 5, 6},
        {QEvent::MouseMove, Qt::NoButton, WM_MOUSEMOVE, 0, -3, -4},
    };
    const auto run = [&inputs](bool posted) {
        TForm form(nullptr);
        auto* child = new TPaintCounter(&form);
        child->SetParent(&form);
        child->SetBounds(0, 0, 100, 50);
        form.Show();
        std::vector<std::string> seen;
        const auto shiftText = [](TShiftState Shift) {
            std::string text;
            const std::pair<TShiftStateItem, char> marks[] = {{ssShift, 'S'}, {ssCtrl, 'C'}, {ssLeft, 'L'},
                                                              {ssRight, 'R'}, {ssMiddle, 'M'}, {ssDouble, 'D'}};
            for (const auto& [item, mark] : marks)
                if (Shift.Contains(item)) text += mark;
            return text;
        };
        const auto note = [&](const char* what, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
            seen.push_back(std::string(what) + " " + std::to_string(Button) + " " + shiftText(Shift) + " " +
                           std::to_string(X) + "," + std::to_string(Y));
        };
        child->OnMouseDown = [&](TObject*, TMouseButton B, TShiftState S, int32_t X, int32_t Y) { note("down", B, S, X, Y); };
        child->OnMouseUp = [&](TObject*, TMouseButton B, TShiftState S, int32_t X, int32_t Y) { note("up", B, S, X, Y); };
        child->OnMouseMove = [&](TObject*, TShiftState S, int32_t X, int32_t Y) { note("move", mbLeft, S, X, Y); };
        child->OnClick = [&](TObject*) { seen.push_back("click"); };
        child->OnDblClick = [&](TObject*) { seen.push_back("dblclick"); };
        QWidget* widget = WidgetOf(child->Handle());
        for (const TInput& in : inputs) {
            if (posted) {
                const auto x = static_cast<uint16_t>(in.X), y = static_cast<uint16_t>(in.Y);
                EXPECT_TRUE(PostMessage(child->Handle(), in.Msg, in.Flags, MAKELPARAM(x, y)));
                continue;
            }
            Qt::MouseButtons buttons;
            if (in.Flags & MK_LBUTTON) buttons |= Qt::LeftButton;
            if (in.Flags & MK_RBUTTON) buttons |= Qt::RightButton;
            if (in.Flags & MK_MBUTTON) buttons |= Qt::MiddleButton;
            Qt::KeyboardModifiers modifiers;
            if (in.Flags & MK_SHIFT) modifiers |= Qt::ShiftModifier;
            if (in.Flags & MK_CONTROL) modifiers |= Qt::ControlModifier;
            const QPointF at(in.X, in.Y);
            QMouseEvent event(in.Type, at, widget->mapToGlobal(at), in.Button, buttons, modifiers);
            QCoreApplication::sendEvent(widget, &event);
        }
        Application->ProcessMessages();
        return seen;
    };
    const std::vector<std::string> expected = {
        "move 0 S 10,20", "down 0 L 5,6",   "click",        "up 0  5,6",     "down 0 CL 5,6", "up 0  150,6",
        "down 1 R 7,8",   "up 1  7,8",      "down 2 M 9,9", "up 2  9,9",     "dblclick",      "down 0 LD 5,6",
        "up 0  5,6",      "move 0  -3,-4",
    };
    EXPECT_EQ(run(false), expected);
    EXPECT_EQ(run(true), expected);
}

// Tab and Shift+Tab (which Qt reports as Backtab) are keys like the others in a window without edit boxes or
// buttons: the previewing form gets them, the focus stays.
TEST(Forms, TabReachesAWindowWithoutTabStops)
{
    TForm form(nullptr);
    form.SetKeyPreview(true);
    auto* child = new TPaintCounter(&form);
    child->SetParent(&form);
    form.Show();
    std::vector<std::pair<uint16_t, bool>> keys;
    form.OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState Shift) { keys.emplace_back(Key, Shift.Contains(ssShift)); };
    form.OnKeyUp = form.OnKeyDown;
    QWidget* widget = WidgetOf(child->Handle());
    widget->setFocus();
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Tab, Qt::KeyboardModifiers(Qt::NoModifier)},
                                        std::pair{Qt::Key_Backtab, Qt::KeyboardModifiers(Qt::ShiftModifier)},
                                        std::pair{Qt::Key_Backtab, Qt::KeyboardModifiers(Qt::NoModifier)}}) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QCoreApplication::sendEvent(widget, &release);
    }
    const std::vector<std::pair<uint16_t, bool>> expected = {{VK_TAB, false}, {VK_TAB, false}, {VK_TAB, true},
                                                             {VK_TAB, true},  {VK_TAB, true},  {VK_TAB, true}};
    EXPECT_EQ(keys, expected);
}

TEST(Forms, ADisabledControlPaintsButTakesNoMouseInput)
{
    TForm form(nullptr);
    auto* child = new TPaintCounter(&form);
    child->SetParent(&form);
    child->SetAlign(alClient);
    child->SetEnabled(false); // before its window: the window is made disabled
    form.SetBounds(0, 0, 64, 48);
    form.Show();
    Application->ProcessMessages();
    child->Paints = 0;
    child->Invalidate();
    ASSERT_TRUE(ProcessUntil([&] { return child->Paints > 0; }));
    int downs = 0;
    child->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { ++downs; };
    const auto press = [&] {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(WidgetOf(child->Handle()), &event);
    };
    press();
    EXPECT_EQ(downs, 0);
    child->SetEnabled(true);
    press();
    EXPECT_EQ(downs, 1);
}

TEST(Timer, FiresFromTheMessageLoopAndHandsExceptionsToTheDisplay)
{
    TTimer timer(nullptr);
    EXPECT_EQ(timer.Interval(), 1000u);
    timer.SetInterval(2);
    int fired = 0;
    std::vector<std::string> errors;
    Application->OnException = [&](TObject*, const Exception& E) { errors.push_back(E.Message()); };
    timer.SetOnTimer([&](TObject*) {
        if (++fired == 2) throw Exception("timer failed");
    });
    EXPECT_TRUE(ProcessUntil([&] { return fired >= 3; }));
    timer.SetEnabled(false);
    const int stopped = fired;
    EXPECT_FALSE(ProcessUntil([&] { return fired > stopped; }, 5)); // two periods and more: no more ticks
    Application->OnException = nullptr;
    EXPECT_EQ(fired, stopped);
    EXPECT_EQ(errors, std::vector<std::string>{"timer failed"});
}

} // namespace
