// The message queue: posted messages with their time stamps, registered ids, the order paint and timer
// messages come in, timers, the clocks and the destroy notifications.
#include "Forms.h"
#include "ProcessUntil.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <QtCore/QEventLoop>
#include <QtCore/QTimer>

#include <string>
#include <vector>

namespace {

struct TReceived {
    uint32_t Msg;
    WPARAM WParam;
    uint32_t Time;
    bool operator==(const TReceived&) const = default;
};

// A utility window that records what it receives.
class TRecordingWindow {
public:
    TRecordingWindow()
        : FHandle(AllocateHWnd([this](TMessage& m) { Received.push_back({m.Msg, m.WParam, GetMessageTime()}); }))
    {
    }
    ~TRecordingWindow() { DeallocateHWnd(FHandle); }
    HWND Handle() const { return FHandle; }

    std::vector<TReceived> Received;

private:
    HWND FHandle;
};

int64_t gFakeNow = 0;
int64_t FakeClock() { return gFakeNow; }

// Installs the fake clock for one test.
struct TFakeClock {
    explicit TFakeClock(int64_t Nanoseconds)
    {
        gFakeNow = Nanoseconds;
        SetClockSource(FakeClock);
    }
    ~TFakeClock() { SetClockSource(nullptr); }
};

constexpr int64_t Ms = 1000000;

// Lets Qt run until a timer of APeriod milliseconds has fired ACount times, handling no message: the platform's
// timers fall due meanwhile, and their messages wait for the next ProcessMessages.
void LetTimerPeriodsPass(int APeriod, int ACount)
{
    QEventLoop loop;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    int fired = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (++fired == ACount) loop.quit();
    });
    probe.start(APeriod);
    loop.exec();
}

TEST(MessageLoop, PostedMessagesComeInOrderWithTheirPostTime)
{
    TFakeClock clock(5 * Ms);
    TRecordingWindow window;
    PostMessage(window.Handle(), WM_USER + 1, 10, 0);
    gFakeNow = 7 * Ms + 999999; // the tick count truncates
    PostMessage(window.Handle(), WM_USER + 2, 20, 0);
    PostMessage(window.Handle(), WM_USER + 3, 30, 0);
    gFakeNow = 50 * Ms;
    Application->ProcessMessages();
    const std::vector<TReceived> expected = {{WM_USER + 1, 10, 5}, {WM_USER + 2, 20, 7}, {WM_USER + 3, 30, 7}};
    EXPECT_EQ(window.Received, expected);
    TMsg msg;
    EXPECT_FALSE(PeekMessage(msg));
}

TEST(MessageLoop, MessagesToADestroyedWindowAreDropped)
{
    TRecordingWindow survivor;
    HWND doomed = AllocateHWnd([](TMessage& m) {
        if (m.Msg != WM_DESTROY) ADD_FAILURE() << "a destroyed window received message " << m.Msg;
    });
    ASSERT_TRUE(PostMessage(doomed, WM_USER, 0, 0));
    ASSERT_TRUE(InvalidateRect(doomed));
    ASSERT_EQ(SetTimer(doomed, 1, 1), 1u);
    PostMessage(survivor.Handle(), WM_USER, 1, 0);
    DeallocateHWnd(doomed);
    EXPECT_FALSE(IsWindow(doomed));
    EXPECT_FALSE(PostMessage(doomed, WM_USER, 0, 0));
    EXPECT_EQ(SendMessage(doomed, WM_USER, 0, 0), 0);
    // Three periods of the doomed window's timer go by: nothing more reaches anyone.
    EXPECT_FALSE(ProcessUntil([&] { return survivor.Received.size() > 1; }, 3));
    ASSERT_EQ(survivor.Received.size(), 1u);
}

TEST(MessageLoop, RegisteredMessagesKeepTheirIdsAndIgnoreCase)
{
    const uint32_t tick = RegisterWindowMessage("TickGLCadencer");
    EXPECT_GE(tick, RegisteredMessageFirst);
    EXPECT_LE(tick, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessage("TickGLCadencer"), tick);
    EXPECT_EQ(RegisterWindowMessage("tickglcadencer"), tick);
    EXPECT_NE(RegisterWindowMessage("AnotherMessage"), tick);
}

// Posted messages first, then one paint per invalidated window, then one message per due timer however
// late it is: a handler that posts nothing sees the paint and the timer inside the next ProcessMessages.
TEST(MessageLoop, PaintAndTimerMessagesComeAfterPostedOnesOnceEach)
{
    TRecordingWindow window;
    // A period long enough that the processing below cannot outlast it on a busy machine: a timer that falls
    // due again while its message is being handled would rightly send another.
    ASSERT_EQ(SetTimer(window.Handle(), 7, 25), 7u);
    LetTimerPeriodsPass(25, 4); // several periods: still one timer message
    InvalidateRect(window.Handle());
    InvalidateRect(window.Handle());
    PostMessage(window.Handle(), WM_USER, 1, 0);
    PostMessage(window.Handle(), WM_USER, 2, 0);
    Application->ProcessMessages();
    KillTimer(window.Handle(), 7);
    std::vector<std::pair<uint32_t, WPARAM>> got;
    for (const TReceived& r : window.Received) got.emplace_back(r.Msg, r.WParam);
    const std::vector<std::pair<uint32_t, WPARAM>> expected = {
        {WM_USER, 1}, {WM_USER, 2}, {WM_PAINT, 0}, {WM_TIMER, 7}};
    EXPECT_EQ(got, expected);
}

TEST(MessageLoop, TimersFallDueInTheOrderOfTheirIntervalsAndStopWhenKilled)
{
    std::vector<WPARAM> fired;
    HWND wnd = AllocateHWnd([&](TMessage& m) {
        if (m.Msg != WM_TIMER) return;
        fired.push_back(m.WParam);
        KillTimer(wnd, m.WParam); // one-shot, like the starvation guard's timer
    });
    // Intervals far apart, so a loaded machine that takes a while between the three calls keeps their order.
    SetTimer(wnd, 3, 150);
    SetTimer(wnd, 1, 50);
    SetTimer(wnd, 2, 100);
    EXPECT_TRUE(ProcessUntil([&] { return fired.size() == 3; }));
    EXPECT_EQ(fired, (std::vector<WPARAM>{1, 2, 3}));
    // A period of the longest timer goes by: none of the killed ones comes again.
    EXPECT_FALSE(ProcessUntil([&] { return fired.size() > 3; }, 160));
    EXPECT_FALSE(KillTimer(wnd, 1));
    EXPECT_EQ(SetTimer(wnd, 0, 5), 0u); // id 0 names no timer
    DeallocateHWnd(wnd);
}

// The cadencer's chain: each tick first processes pending messages and then posts the next tick. The paint
// a frame asked for and a due timer are served inside the next tick's ProcessMessages while the chain runs.
TEST(MessageLoop, APostedChainThatProcessesMessagesFirstLetsTimersAndPaintsThrough)
{
    const uint32_t tickMessage = RegisterWindowMessage("TickGLCadencer");
    int ticks = 0, timers = 0, paints = 0, paintsInsideTicks = 0;
    bool inTick = false;
    HWND wnd = nullptr;
    wnd = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_TIMER) {
            ++timers;
            KillTimer(wnd, 1);
        } else if (m.Msg == WM_PAINT) {
            ++paints;
            if (inTick) ++paintsInsideTicks;
        } else if (m.Msg == tickMessage) {
            ++ticks;
            inTick = true;
            Application->ProcessMessages();
            inTick = false;
            InvalidateRect(wnd); // the frame asks for its paint
            if ((timers == 0 && ticks < 1000000) || ticks < 3) PostMessage(wnd, tickMessage, 0, 0);
        }
    });
    SetTimer(wnd, 1, 2);
    PostMessage(wnd, tickMessage, 0, 0);
    Application->ProcessMessages(); // runs the whole chain, then the last paint
    EXPECT_EQ(timers, 1);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(paints, ticks);
    EXPECT_EQ(paintsInsideTicks, ticks - 1);
    DeallocateHWnd(wnd);
}

TEST(MessageLoop, ClocksFollowTheInjectedSource)
{
    {
        TFakeClock clock((int64_t{1} << 32) * Ms + 5 * Ms + 123);
        EXPECT_EQ(GetTickCount(), 5u); // wraps at 2^32 milliseconds
        int64_t count = 0, frequency = 0;
        EXPECT_TRUE(QueryPerformanceCounter(count));
        EXPECT_TRUE(QueryPerformanceFrequency(frequency));
        EXPECT_EQ(count, (int64_t{1} << 32) * Ms + 5 * Ms + 123);
        EXPECT_EQ(frequency, 1000000000);
    }
    int64_t first = 0, second = 0;
    QueryPerformanceCounter(first);
    QueryPerformanceCounter(second);
    EXPECT_GT(first, 5 * Ms); // the monotonic clock again
    EXPECT_GE(second, first);
}

// Destroying a window reaches the hooks and then WM_DESTROY of every window below it, parent first, while
// all of them are still windows.
TEST(MessageLoop, DestroyNotificationsReachDescendantsParentFirst)
{
    std::vector<std::string> log;
    std::vector<HWND> all;
    auto makeWindow = [&](HWND parent, std::string name) {
        HWND wnd = CreateWindowHandle(parent, [&log, name](TMessage& m) {
            if (m.Msg == WM_DESTROY) log.push_back("destroy " + name);
        });
        all.push_back(wnd);
        return wnd;
    };
    HWND parent = makeWindow(nullptr, "parent");
    HWND child1 = makeWindow(parent, "child1");
    HWND grandchild = makeWindow(child1, "grandchild");
    HWND child2 = makeWindow(parent, "child2");
    EXPECT_TRUE(IsChild(parent, grandchild));
    EXPECT_FALSE(IsChild(child2, grandchild));
    EXPECT_EQ(GetParent(grandchild), child1);

    const int hook = AddWindowDestroyHook([&](HWND wnd) {
        for (HWND w : all) EXPECT_TRUE(IsWindow(w));
        log.push_back(wnd == parent ? "hook parent" : wnd == child1 ? "hook child1"
                                                   : wnd == grandchild ? "hook grandchild"
                                                                       : "hook child2");
    });
    EXPECT_TRUE(DestroyWindow(parent));
    RemoveWindowDestroyHook(hook);

    const std::vector<std::string> expected = {"hook parent",     "destroy parent",     "hook child1",
                                               "destroy child1",  "hook grandchild",    "destroy grandchild",
                                               "hook child2",     "destroy child2"};
    EXPECT_EQ(log, expected);
    for (HWND w : all) EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(DestroyWindow(parent));
}

// A window procedure may destroy its own window; the procedure's state lives until it returns.
TEST(MessageLoop, AWindowMayDestroyItselfInsideItsProcedure)
{
    HWND wnd = nullptr;
    std::string seen;
    const std::string captured = "still here after DestroyWindow";
    wnd = AllocateHWnd([&seen, &wnd, captured](TMessage& m) {
        if (m.Msg != WM_USER) return;
        DestroyWindow(wnd);
        seen = captured;
    });
    PostMessage(wnd, WM_USER, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(seen, captured);
    EXPECT_FALSE(IsWindow(wnd));
}

TEST(MessageLoop, WithoutAnXServerThereAreNoNativeIdsOrDisplayModes)
{
    EXPECT_EQ(GetX11Display(), nullptr);
    TRecordingWindow window;
    EXPECT_EQ(GetX11Window(window.Handle()), 0u);
    EXPECT_FALSE(SetWindowFullScreen(window.Handle(), true)); // no native window
    TDevMode mode;
    EXPECT_FALSE(EnumDisplaySettings(0, mode));
    EXPECT_FALSE(EnumDisplaySettings(ENUM_CURRENT_SETTINGS, mode));
    EXPECT_EQ(ChangeDisplaySettings(&mode, CDS_TEST), DISP_CHANGE_FAILED);
    EXPECT_EQ(ChangeDisplaySettings(nullptr, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
}

} // namespace
