// The joystick service: result codes by the state of the device node, capabilities, the messages a capture
// posts per poll, records split across reads, unplugging, the capture's timer and its end with its window.
#include "JoystickDevices.h"
#include "ProcessUntil.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct TPosted {
    uint32_t Msg;
    WPARAM WParam;
    LPARAM LParam;
    bool operator==(const TPosted&) const = default;
};

// A window that records the joystick messages it receives.
class TRecordingWindow {
public:
    TRecordingWindow()
        : FHandle(AllocateHWnd([this](TMessage& m) { Received.push_back({m.Msg, m.WParam, m.LParam}); }))
    {
    }
    ~TRecordingWindow() { DeallocateHWnd(FHandle); }
    HWND Handle() const { return FHandle; }
    // What arrived since the last call.
    std::vector<TPosted> Take() { return std::exchange(Received, {}); }

    std::vector<TPosted> Received;

private:
    HWND FHandle;
};

constexpr LPARAM XY(uint32_t X, uint32_t Y) { return static_cast<LPARAM>((Y << 16) | X); }

using JoystickService = JoystickDevices;

TEST_F(JoystickService, CodesFollowTheDeviceNode)
{
    MakeDeadNode(0);
    MakeBrokenNode(1);
    TRecordingWindow window;
    TJoyCaps caps;
    struct TCase {
        uint32_t Id;
        uint32_t Code;
    };
    // js0 opens with ENXIO, js1 is a loop, and 9 is beyond the two joysticks.
    for (const TCase& c : {TCase{0, MMSYSERR_NODRIVER}, TCase{1, JOYERR_NOCANDO}, TCase{9, JOYERR_UNPLUGGED}}) {
        SCOPED_TRACE(c.Id);
        EXPECT_EQ(joyGetDevCapsW(c.Id, caps), c.Code);
        EXPECT_EQ(joySetCapture(window.Handle(), c.Id, 10, true), c.Code);
    }
    std::filesystem::remove(Path(0));
    EXPECT_EQ(joyGetDevCapsW(0, caps), JOYERR_UNPLUGGED);
    EXPECT_EQ(joySetThreshold(9, 10), JOYERR_UNPLUGGED);
}

TEST_F(JoystickService, CapabilitiesGiveTheWholeRangeAndFourButtonsWhenTheDeviceDoesNotCount)
{
    Plug(0);
    TJoyCaps caps;
    ASSERT_EQ(joyGetDevCapsW(0, caps), JOYERR_NOERROR);
    for (auto [min, max] : {std::pair{caps.wXmin, caps.wXmax}, {caps.wYmin, caps.wYmax}, {caps.wZmin, caps.wZmax},
                            {caps.wRmin, caps.wRmax}, {caps.wUmin, caps.wUmax}, {caps.wVmin, caps.wVmax}}) {
        EXPECT_EQ(min, 0u);
        EXPECT_EQ(max, 65535u);
    }
    EXPECT_EQ(caps.wNumButtons, 4u);
}

TEST_F(JoystickService, EachPollPostsOneMoveOneZMoveAndOneMessagePerChangedButton)
{
    Plug(1);
    TRecordingWindow window;
    ASSERT_EQ(joySetCapture(window.Handle(), 1, 1000, true), JOYERR_NOERROR);
    ASSERT_EQ(joySetThreshold(1, 100), JOYERR_NOERROR);
    EXPECT_EQ(joySetCapture(window.Handle(), 1, 1000, true), JOYERR_NOCANDO); // captured already

    // Nothing read yet: nothing to report.
    Poll();
    EXPECT_TRUE(window.Take().empty());
    // The initial state: the first report is a move, whatever the threshold; -32768 is held at 0.
    const js_event init[] = {{0, -32768, JS_EVENT_AXIS | JS_EVENT_INIT, 0}, {0, 0, JS_EVENT_AXIS | JS_EVENT_INIT, 1},
                             {0, 1, JS_EVENT_BUTTON | JS_EVENT_INIT, 1}};
    Feed(1, {init[0], init[1], init[2]});
    Poll();
    EXPECT_EQ(window.Take(), (std::vector<TPosted>{{MM_JOY2MOVE, JOY_BUTTON2, XY(0, 32767)}}));

    struct TStep {
        const char* What;
        std::vector<js_event> Events;
        std::vector<TPosted> Expected;
    };
    const TStep steps[] = {
        {"below the threshold", {AxisEvent(0, -32767 + 99), AxisEvent(1, 99), AxisEvent(2, -99)}, {}},
        {"several moves, one message with the last position",
         {AxisEvent(0, 0), AxisEvent(0, cRawRight), AxisEvent(1, cRawLeft)},
         {{MM_JOY2MOVE, JOY_BUTTON2, XY(65534, 0)}}},
        {"Z alone", {AxisEvent(2, 5000)}, {{MM_JOY2ZMOVE, JOY_BUTTON2, 32767 + 5000}}},
        {"buttons: one message each, in order, with the buttons held and the position",
         {ButtonEvent(0, true), ButtonEvent(1, false), ButtonEvent(3, true), ButtonEvent(3, false),
          ButtonEvent(4, true)},
         {{MM_JOY2BUTTONDOWN, JOY_BUTTON1CHG | JOY_BUTTON1, XY(65534, 0)},
          {MM_JOY2BUTTONUP, JOY_BUTTON2CHG | JOY_BUTTON1, XY(65534, 0)}}},
        {"a move and a press together", {AxisEvent(1, 0), ButtonEvent(2, true)},
         {{MM_JOY2MOVE, JOY_BUTTON1 | JOY_BUTTON3, XY(65534, 32767)},
          {MM_JOY2BUTTONDOWN, JOY_BUTTON3CHG | JOY_BUTTON1 | JOY_BUTTON3, XY(65534, 32767)}}},
        {"nothing pending", {}, {}},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.What);
        std::string bytes;
        for (const js_event& event : step.Events) bytes += EventBytes({event});
        if (!bytes.empty()) FeedBytes(1, bytes);
        Poll();
        EXPECT_EQ(window.Take(), step.Expected);
    }
    EXPECT_EQ(joyReleaseCapture(1), JOYERR_NOERROR);
    Feed(1, {AxisEvent(0, 0)});
    Poll();
    EXPECT_TRUE(window.Take().empty());
}

TEST_F(JoystickService, WithoutChangedOnlyEveryPollPostsAMove)
{
    Plug(0);
    TRecordingWindow window;
    ASSERT_EQ(joySetCapture(window.Handle(), 0, 1000, false), JOYERR_NOERROR);
    Feed(0, {AxisEvent(0, 0)});
    Poll();
    Poll();
    EXPECT_EQ(window.Take().size(), 2u);
    joyReleaseCapture(0);
}

TEST_F(JoystickService, ARecordSplitAcrossReadsArrivesWhole)
{
    Plug(0);
    TRecordingWindow window;
    ASSERT_EQ(joySetCapture(window.Handle(), 0, 1000, true), JOYERR_NOERROR);
    const std::string bytes = EventBytes({AxisEvent(0, 100), AxisEvent(1, -100)});
    FeedBytes(0, bytes.substr(0, 11));
    Poll();
    EXPECT_EQ(window.Take(), (std::vector<TPosted>{{MM_JOY1MOVE, 0, XY(32867, 32767)}}));
    FeedBytes(0, bytes.substr(11));
    Poll();
    EXPECT_EQ(window.Take(), (std::vector<TPosted>{{MM_JOY1MOVE, 0, XY(32867, 32667)}}));
    joyReleaseCapture(0);
}

TEST_F(JoystickService, AnUnpluggedDeviceIsOpenedAgainQuietly)
{
    Plug(0);
    TRecordingWindow window;
    ASSERT_EQ(joySetCapture(window.Handle(), 0, 1000, true), JOYERR_NOERROR);
    Feed(0, {AxisEvent(0, 100)});
    Poll();
    EXPECT_EQ(window.Take().size(), 1u);
    Unplug(0);
    Poll(); // the end of the file: closed
    std::filesystem::remove(Path(0));
    Poll(); // no node: nothing
    EXPECT_TRUE(window.Take().empty());
    Plug(0);
    Feed(0, {AxisEvent(0, 200)});
    Poll();
    EXPECT_EQ(window.Take(), (std::vector<TPosted>{{MM_JOY1MOVE, 0, XY(32967, 32767)}}));
    joyReleaseCapture(0);
}

TEST_F(JoystickService, TheCapturesTimerPolls)
{
    Plug(0);
    TRecordingWindow window;
    ASSERT_EQ(joySetCapture(window.Handle(), 0, 5, true), JOYERR_NOERROR);
    Feed(0, {AxisEvent(1, 1000)});
    EXPECT_TRUE(ProcessUntil([&] { return !window.Received.empty(); }));
    EXPECT_EQ(window.Take(), (std::vector<TPosted>{{MM_JOY1MOVE, 0, XY(32767, 33767)}}));
    joyReleaseCapture(0);
}

TEST_F(JoystickService, ACaptureEndsWithItsWindow)
{
    Plug(0);
    auto first = std::make_unique<TRecordingWindow>();
    ASSERT_EQ(joySetCapture(first->Handle(), 0, 1000, true), JOYERR_NOERROR);
    first.reset();
    TRecordingWindow second;
    EXPECT_EQ(joySetCapture(second.Handle(), 0, 1000, true), JOYERR_NOERROR);
    Feed(0, {AxisEvent(0, 1)});
    Poll();
    EXPECT_EQ(second.Take().size(), 1u);
    joyReleaseCapture(0);
}

} // namespace
