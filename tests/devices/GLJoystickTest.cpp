// The joystick component on the joystick service, fed through device FIFOs: the five-sample smoothing, the
// deflection, the first move seeding the histories, the selected joystick's messages only, buttons, the
// capture errors and their texts, streaming, assigning, unplugging and freeing.
#include "ComponentStreams.h"
#include "Dialogs.h"
#include "GLJoystick.h"
#include "JoystickDevices.h"
#include "Raises.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TFired {
    TJoystickID JoyID;
    uint8_t Buttons;
    int32_t X, Y;
    bool operator==(const TFired&) const = default;
};

class GLJoystickTest : public JoystickDevices {
protected:
    void SetUp() override
    {
        JoystickDevices::SetUp();
        SetMessageBoxHook([this](const TMessageBoxRequest& request) {
            Shown.push_back(request.Text);
            return mrOk;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        JoystickDevices::TearDown();
    }

    // A component capturing Id with threshold 1, recording both events.
    std::unique_ptr<TGLJoystick, TFreeDeleter> Capturing(TJoystickID Id, bool ButtonHandler = true)
    {
        std::unique_ptr<TGLJoystick, TFreeDeleter> joystick(new TGLJoystick(nullptr));
        Record(*joystick, ButtonHandler);
        joystick->SetThreshold(1);
        joystick->SetJoystickID(Id);
        joystick->SetCapture(true);
        EXPECT_TRUE(joystick->Capture());
        return joystick;
    }
    void Record(TGLJoystick& Joystick, bool ButtonHandler)
    {
        Joystick.OnJoystickMove = [this](TObject*, TJoystickID id, TJoystickButtons b, int32_t x, int32_t y) {
            Moves.push_back({id, b.Bits(), x, y});
        };
        if (ButtonHandler)
            Joystick.OnJoystickButtonChange = [this](TObject*, TJoystickID id, TJoystickButtons b, int32_t x,
                                                     int32_t y) { Buttons.push_back({id, b.Bits(), x, y}); };
    }
    // One poll per position of X (0..65534), Y stepping on so that every poll posts a move.
    void MoveX(int Id, std::initializer_list<int32_t> Positions)
    {
        for (int32_t x : Positions) {
            Feed(Id, {AxisEvent(0, RawOf(x)), AxisEvent(1, FY += 10)});
            Poll();
        }
    }
    // The last smoothed raw X as a button change reports it (a press and its release, each polled).
    int32_t LastX(int Id)
    {
        Buttons.clear();
        for (bool down : {true, false}) {
            Feed(Id, {ButtonEvent(0, down)});
            Poll();
        }
        return Buttons.empty() ? -99999 : Buttons.front().X;
    }

    std::vector<TFired> Moves, Buttons;
    std::vector<std::string> Shown;

private:
    int16_t FY = 0;
};

TEST_F(GLJoystickTest, SmoothingIsTheLeastSquaresLineAtTheNewestSample)
{
    struct TCase {
        std::initializer_list<int32_t> Positions; // the first one seeds all five samples
        int32_t Smoothed;
    };
    const TCase cases[] = {
        {{1234, 1234, 1234, 1234, 1234}, 1234},
        {{0, 10, 20, 30, 40}, 40},
        {{0, 0, 0, 0, 1}, 1},              // 3/5 rounds up
        {{0, 0, 1, 0, 0}, 0},              // 1/5 rounds down
        {{65534, 0, 0, 0, 0}, -13107},     // the line runs below the range
        {{5, 0, 0, 0, 0}, -1},             // a smoothed -1 is a sample like any other
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Smoothed);
        Plug(0);
        auto joystick = Capturing(jidJoystick1);
        MoveX(0, c.Positions);
        EXPECT_EQ(LastX(0), c.Smoothed);
        EXPECT_EQ(Moves.size(), c.Positions.size() - 1);
        joystick.reset();
        Moves.clear();
    }
    // After a smoothed -1 the next move still fires (it does not seed the histories again).
    Plug(0);
    auto joystick = Capturing(jidJoystick1);
    MoveX(0, {5, 0, 0, 0, 0, 0});
    EXPECT_EQ(Moves.size(), 5u);
}

TEST_F(GLJoystickTest, DeflectionIsThePercentageFromTheCentre)
{
    struct TCase {
        int16_t Raw;
        int32_t Deflection;
    };
    // Positions 65534, 0, 32767 and 49150: (49150 - 32767) x 100 / 32767 = 49.99...
    for (const TCase& c : {TCase{cRawRight, 100}, TCase{cRawLeft, -100}, TCase{0, 0}, TCase{16383, 50}}) {
        SCOPED_TRACE(c.Raw);
        Plug(0);
        auto joystick = Capturing(jidJoystick1);
        Feed(0, {AxisEvent(0, c.Raw), AxisEvent(1, 0)});
        Poll(); // the first move seeds the histories
        EXPECT_TRUE(Moves.empty());
        Feed(0, {AxisEvent(1, 10)});
        Poll(); // the second fires
        EXPECT_EQ(Moves, (std::vector<TFired>{{jidJoystick1, 0, c.Deflection, 0}}));
        EXPECT_EQ(joystick->XPosition(), c.Deflection);
        EXPECT_EQ(joystick->YPosition(), 0);
        Moves.clear();
    }
}

TEST_F(GLJoystickTest, MovesBelowTheThresholdPostNothing)
{
    Plug(0);
    auto joystick = Capturing(jidJoystick1);
    joystick->SetThreshold(1000);
    Feed(0, {AxisEvent(0, 0)});
    Poll();
    Feed(0, {AxisEvent(0, 999), AxisEvent(1, -999)});
    Poll();
    EXPECT_TRUE(Moves.empty());
    Feed(0, {AxisEvent(0, 1000)});
    Poll();
    EXPECT_EQ(Moves.size(), 1u);
}

TEST_F(GLJoystickTest, OnlyTheSelectedJoysticksMessagesAct)
{
    Plug(0);
    Plug(1);
    auto joystick = Capturing(jidJoystick2);
    joystick->SetJoystickID(jidJoystick1); // joystick 2 stays captured to the component's window
    EXPECT_EQ(joystick->JoystickID(), jidJoystick1);
    for (int16_t x : {100, 200, 300}) {
        Feed(1, {AxisEvent(0, x), ButtonEvent(0, x == 200), AxisEvent(2, static_cast<int16_t>(x * 10))});
        Poll();
    }
    EXPECT_TRUE(Moves.empty());
    EXPECT_TRUE(Buttons.empty());
    EXPECT_TRUE(joystick->JoyButtons().Empty());
    MoveX(0, {100, 200});
    EXPECT_EQ(Moves.size(), 1u);
    EXPECT_EQ(Moves[0].JoyID, jidJoystick1);
}

TEST_F(GLJoystickTest, ButtonsActOnlyWithAHandlerAndZMovesStoreOnlyTheButtons)
{
    Plug(0);
    auto joystick = Capturing(jidJoystick1, false);
    MoveX(0, {1000, 1000});
    Moves.clear();
    Feed(0, {ButtonEvent(0, true), ButtonEvent(2, true)});
    Poll();
    EXPECT_TRUE(joystick->JoyButtons().Empty());
    Feed(0, {AxisEvent(2, 9000)});
    Poll();
    EXPECT_EQ(joystick->JoyButtons(), (TJoystickButtons{jbButton1, jbButton3}));
    EXPECT_TRUE(Moves.empty());
    Record(*joystick, true);
    Feed(0, {ButtonEvent(0, false)});
    Poll();
    // The button change gets the smoothed raw positions, not deflections (Y: 32777 four times, then 32787).
    EXPECT_EQ(Buttons, (std::vector<TFired>{{jidJoystick1, 0b100, 1000, 32783}}));
    EXPECT_EQ(joystick->JoyButtons(), TJoystickButtons{jbButton3});
}

TEST_F(GLJoystickTest, AFailedCaptureClearsCaptureAndRaisesOnlyWhenAsked)
{
    struct TCase {
        const char* Node;
        std::string Message;
    };
    const TCase cases[] = {
        {"none", "Joystick is not connected to your system"},
        {"dead", "There's no joystick driver present"},
        {"broken", "Your system reports a joystick error, can't do anything about it"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Node);
        std::filesystem::remove(Path(0));
        if (std::string(c.Node) == "dead") MakeDeadNode(0);
        if (std::string(c.Node) == "broken") MakeBrokenNode(0);
        std::unique_ptr<TGLJoystick, TFreeDeleter> joystick(new TGLJoystick(nullptr));
        joystick->SetJoystickID(jidJoystick1);
        joystick->SetCapture(true); // by default only Capture is cleared
        EXPECT_FALSE(joystick->Capture());
        joystick->SetNoCaptureErrors(false);
        EXPECT_EQ(MessageOf([&] { joystick->SetCapture(true); }), c.Message);
        EXPECT_FALSE(joystick->Capture());
    }
    // No joystick at all fails like a missing one.
    std::unique_ptr<TGLJoystick, TFreeDeleter> none(new TGLJoystick(nullptr));
    none->SetNoCaptureErrors(false);
    EXPECT_EQ(MessageOf([&] { none->SetCapture(true); }), "Joystick is not connected to your system");
    EXPECT_TRUE(Shown.empty());
}

TEST_F(GLJoystickTest, AFailedIdChangeKeepsTheOldJoystickAndShowsOneError)
{
    Plug(0);
    auto joystick = Capturing(jidJoystick1);
    joystick->SetNoCaptureErrors(false);
    joystick->SetJoystickID(jidJoystick2); // no js1
    EXPECT_EQ(Shown, (std::vector<std::string>{"Joystick is not connected to your system."}));
    EXPECT_EQ(joystick->JoystickID(), jidJoystick1);
    EXPECT_TRUE(joystick->Capture());
    MoveX(0, {10, 20});
    EXPECT_EQ(Moves.size(), 1u);
    // Without errors the change goes through, uncaptured.
    joystick->SetNoCaptureErrors(true);
    joystick->SetJoystickID(jidJoystick2);
    EXPECT_EQ(joystick->JoystickID(), jidJoystick2);
    EXPECT_FALSE(joystick->Capture());
    EXPECT_EQ(Shown.size(), 1u);
}

TEST_F(GLJoystickTest, AStreamedComponentCapturesWhenLoaded)
{
    Plug(1);
    TMemoryStream stream;
    {
        auto stored = Capturing(jidJoystick2);
        stored->SetInterval(40);
        stored->SetThreshold(7);
        TWriter writer(stream);
        writer.WriteRootComponent(stored.get());
    }
    stream.SetPosition(0);
    TReader reader(stream);
    std::unique_ptr<TComponent, TFreeDeleter> read(reader.ReadRootComponent(nullptr));
    auto* joystick = dynamic_cast<TGLJoystick*>(read.get());
    ASSERT_NE(joystick, nullptr);
    EXPECT_EQ(joystick->JoystickID(), jidJoystick2);
    EXPECT_EQ(joystick->Interval(), 40u);
    EXPECT_EQ(joystick->Threshold(), 7u);
    EXPECT_TRUE(joystick->Capture());
    Record(*joystick, true);
    Feed(1, {AxisEvent(0, 0)});
    Poll();
    Feed(1, {AxisEvent(0, 6)});
    Poll(); // below the threshold of 7
    Feed(1, {AxisEvent(0, 7)});
    Poll();
    EXPECT_EQ(Moves.size(), 1u);
}

TEST_F(GLJoystickTest, AssignCopiesTheSetUpAndCapturesOrFallsBackToNoJoystick)
{
    Plug(0);
    auto source = Capturing(jidJoystick1);
    source->SetInterval(30);
    std::unique_ptr<TGLJoystick, TFreeDeleter> copy(new TGLJoystick(nullptr));
    copy->Assign(source.get()); // takes joystick 1 over
    EXPECT_EQ(copy->JoystickID(), jidJoystick1);
    EXPECT_EQ(copy->Interval(), 30u);
    EXPECT_EQ(copy->Threshold(), 1u);
    EXPECT_TRUE(copy->Capture());
    Record(*copy, true);
    MoveX(0, {10, 20});
    EXPECT_EQ(Moves.size(), 1u); // the copy took joystick 1 over: the seed, then one move

    std::filesystem::remove(Path(0));
    copy->SetNoCaptureErrors(false);
    EXPECT_EQ(MessageOf([&] { copy->Assign(source.get()); }), "Joystick is not connected to your system");
    EXPECT_EQ(copy->JoystickID(), jidNoJoystick);
    EXPECT_FALSE(copy->Capture());
}

TEST_F(GLJoystickTest, AClosedWriterRaisesNothingAndANewWritersEventsArrive)
{
    Plug(0);
    auto joystick = Capturing(jidJoystick1);
    MoveX(0, {100, 200});
    Unplug(0);
    Poll();
    Poll();
    Plug(0);
    MoveX(0, {300});
    EXPECT_EQ(Moves.size(), 2u);
    EXPECT_TRUE(joystick->Capture());
}

TEST_F(GLJoystickTest, AFreedComponentsCaptureIsReleased)
{
    Plug(0);
    Capturing(jidJoystick1).reset();
    HWND window = AllocateHWnd([](TMessage&) {});
    EXPECT_EQ(joySetCapture(window, JOYSTICKID1, 100, true), JOYERR_NOERROR);
    joyReleaseCapture(JOYSTICKID1);
    DeallocateHWnd(window);
}

} // namespace
