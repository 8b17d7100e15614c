// The frame clock on an injected clock: the order and arguments of a tick's calls, time steps, the clock kept
// continuous across pauses and multipliers, freeing inside a tick; then its drivers on the real message loop
// (offscreen): the as-soon-as-possible chain with its starvation guard, and the idle event.
#include "GLCadencer.h"

#include "ComponentStreams.h"
#include "Forms.h"
#include "ProcessUntil.h"
#include "Raises.h"
#include "Streams.h"
#include "VAVodad.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

int64_t gNow = 0; // nanoseconds
int64_t FakeClock() { return gNow; }
void Advance(double seconds) { gNow += static_cast<int64_t>(seconds * 1e9); }

struct TCall {
    std::string Who;
    double A, B;
    bool operator==(const TCall&) const = default;
};
using TLog = std::vector<TCall>;

std::ostream& operator<<(std::ostream& os, const TCall& c) { return os << c.Who << "(" << c.A << ", " << c.B << ")"; }

class TRecordingSubscriber : public TGLCadenceAbleComponent {
public:
    TRecordingSubscriber(TLog& ALog) : TGLCadenceAbleComponent(nullptr), Log(ALog) {}
    void DoProgress(const TProgressTimes& t) override { Log.push_back({"subscriber", t.deltaTime, t.newTime}); }
    TLog& Log;
};

class CadencerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gNow = 1'000'000'000'000; // any start: the cadencer counts from its creation
        SetClockSource(&FakeClock);
        Scene = new TVAVodad(nullptr);
        Cadencer = new TGLCadencer(nullptr);
        Cadencer->SetMode(cmManual);
    }
    void TearDown() override
    {
        Free(Cadencer);
        Free(Scene);
        SetClockSource(nullptr);
    }
    // Scene, OnProgress and OnTotalProgress write to Log.
    void Record()
    {
        Cadencer->SetScene(Scene);
        Scene->OnProgress = [this](TObject*, double dt, double t) { Log.push_back({"scene", dt, t}); };
        Cadencer->OnProgress = [this](TObject*, double dt, double t) { Log.push_back({"progress", dt, t}); };
        Cadencer->OnTotalProgress = [this](TObject*, double dt, double t) { Log.push_back({"total", dt, t}); };
    }
    // Advances the clock by dt and ticks; answers the calls of that tick.
    TLog Tick(double dt)
    {
        Log.clear();
        Advance(dt);
        Cadencer->Progress();
        return Log;
    }

    TVAVodad* Scene = nullptr;
    TGLCadencer* Cadencer = nullptr;
    TLog Log;
};

TEST_F(CadencerTest, ATickProgressesSceneSubscribersThenItsEventsWithTheirOwnTimes)
{
    Record();
    TRecordingSubscriber subscriber(Log);
    Cadencer->Subscribe(&subscriber);
    Cadencer->Subscribe(&subscriber); // once only
    EXPECT_EQ(Tick(0.25), (TLog{{"scene", 0.25, 0.25},
                                {"subscriber", 0.25, 0.25},
                                {"progress", 0.25, 0.25},
                                {"total", 0.25, 0}}));
    // No time passed: one pass of step 0 without the scene.
    EXPECT_EQ(Tick(0), (TLog{{"subscriber", 0, 0.25}, {"progress", 0, 0.25}, {"total", 0, 0.25}}));
    Cadencer->UnSubscribe(&subscriber);
    EXPECT_EQ(Tick(0.5).size(), 3u);
}

TEST_F(CadencerTest, StepsFollowTheFixedMinimumAndMaximumDeltaTimes)
{
    Record();
    // Fixed 0.25 with 0.625 elapsed: two steps at the tick's time; 0.125 carries over to the next tick.
    Cadencer->SetFixedDeltaTime(0.25);
    EXPECT_EQ(Tick(0.625), (TLog{{"scene", 0.25, 0.25},
                                 {"progress", 0.25, 0.625},
                                 {"scene", 0.25, 0.5},
                                 {"progress", 0.25, 0.625},
                                 {"total", 0.625, 0}}));
    EXPECT_EQ(Tick(0.125), (TLog{{"scene", 0.25, 0.75}, {"progress", 0.25, 0.75}, {"total", 0.25, 0.5}}));
    Cadencer->SetFixedDeltaTime(0);

    // Minimum 0.25 with 0.125 elapsed: nothing; the next tick sees the whole 0.25.
    Cadencer->SetMinDeltaTime(0.25);
    EXPECT_TRUE(Tick(0.125).empty());
    EXPECT_EQ(Tick(0.125), (TLog{{"scene", 0.25, 1.0}, {"progress", 0.25, 1.0}, {"total", 0.25, 0.75}}));
    Cadencer->SetMinDeltaTime(0);

    // Maximum 0.125 after a one-second stall: one step of 0.125, the rest dropped from the clock.
    Cadencer->SetMaxDeltaTime(0.125);
    const double origin = Cadencer->OriginTime();
    EXPECT_EQ(Tick(1), (TLog{{"scene", 0.125, 1.125}, {"progress", 0.125, 1.125}, {"total", 0.125, 1.0}}));
    EXPECT_DOUBLE_EQ(Cadencer->OriginTime() - origin, 0.875);
    EXPECT_DOUBLE_EQ(Cadencer->GetCurrenttime(), 1.125);
}

TEST_F(CadencerTest, TheClockStaysContinuousAcrossPausesAndMultipliers)
{
    Advance(3);
    EXPECT_DOUBLE_EQ(Cadencer->GetCurrenttime(), 3);
    Cadencer->SetEnabled(false);
    Advance(2);
    Cadencer->SetEnabled(true);
    EXPECT_DOUBLE_EQ(Cadencer->GetCurrenttime(), 3);

    Advance(7);
    Cadencer->SetTimeMultiplier(2);
    EXPECT_DOUBLE_EQ(Cadencer->GetCurrenttime(), 10);
    Advance(1);
    EXPECT_DOUBLE_EQ(Cadencer->GetCurrenttime(), 12);
    Cadencer->SetTimeMultiplier(0); // pauses
    EXPECT_FALSE(Cadencer->Enabled());
    Advance(5);
    Cadencer->SetTimeMultiplier(2); // resumes where it paused
    EXPECT_TRUE(Cadencer->Enabled());
    EXPECT_DOUBLE_EQ(Cadencer->GetCurrenttime(), 12);
    Advance(0.5);
    EXPECT_DOUBLE_EQ(Cadencer->GetCurrenttime(), 13);

    // Setting the time moves the clock without a jump in the next step; Reset starts it at 0.
    Record();
    Cadencer->Progress();
    Cadencer->SetCurrentTime(100);
    EXPECT_EQ(Tick(0.25), (TLog{{"scene", 0.5, 100.5}, {"progress", 0.5, 100.5}, {"total", 0.5, 100}}));
    Cadencer->Reset();
    EXPECT_EQ(Tick(0.25).front(), (TCall{"scene", 0.5, 0.5}));
}

// The streamed properties read back; a number that names no time reference or mode is refused, as the
// enumeration could not hold it.
TEST_F(CadencerTest, StreamedPropertiesReadBackAndUnknownNumbersAreRefused)
{
    Cadencer->SetEnabled(false);
    Cadencer->SetTimeReference(cmExternal);
    Cadencer->SetTimeMultiplier(2.5);
    Cadencer->SetMode(cmApplicationIdle);
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(Cadencer);
    const std::string bytes(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size()));
    auto readBack = [](const std::string& from) {
        TStringStream input(from);
        auto* read = static_cast<TGLCadencer*>(TReader(input).ReadRootComponent(nullptr));
        const auto values = std::tuple(read->Enabled(), read->TimeReference(), read->TimeMultiplier(), read->Mode());
        Free(read);
        return values;
    };
    EXPECT_EQ(readBack(bytes), std::tuple(false, cmExternal, 2.5, cmApplicationIdle));

    for (const std::string property : {"\x0DTimeReference", "\x04Mode"}) {
        std::string patched = bytes;
        const size_t at = patched.find(property + "\x02\x02"); // the value 2 as an 8-bit number
        ASSERT_NE(at, std::string::npos) << property;
        patched[at + property.size() + 1] = 3;
        EXPECT_EQ(MessageOf<EReadError>([&] { readBack(patched); }), "Invalid property value") << property;
    }
}

TEST_F(CadencerTest, AClockSetBackMakesAStepOfZeroNotANegativeOne)
{
    Record();
    Tick(1);
    Cadencer->SetOriginTime(Cadencer->OriginTime() + 0.5); // the cadencer time now lies before lastTime
    EXPECT_EQ(Tick(0), (TLog{{"progress", 0, 0.5}, {"total", 0, 1}}));
}

TEST_F(CadencerTest, ATickFromInsideTheSceneProgressIsDroppedAndFreeingInsideATickIsSafe)
{
    Record();
    int sceneSteps = 0;
    Scene->OnProgress = [&](TObject*, double, double) {
        ++sceneSteps;
        Cadencer->Progress();
    };
    Tick(0.25);
    EXPECT_EQ(sceneSteps, 1);
    EXPECT_FALSE(Cadencer->IsBusy());

    // Freed by its own event (its owner going, say): the tick ends there, the rest never reaches the dead
    // cadencer, and the subscriber and scene hear nothing more of it.
    TRecordingSubscriber subscriber(Log);
    Cadencer->Subscribe(&subscriber);
    Cadencer->SetFixedDeltaTime(0.25);
    Scene->OnProgress = nullptr;
    Cadencer->OnProgress = [this](TObject*, double dt, double t) {
        Log.push_back({"progress", dt, t});
        Free(Cadencer);
        Cadencer = nullptr;
    };
    Log.clear();
    Advance(0.5); // two steps due
    Cadencer->Progress();
    EXPECT_EQ(Log, (TLog{{"subscriber", 0.25, 0.5}, {"progress", 0.25, 0.75}}));
    EXPECT_EQ(Cadencer, nullptr);
}

// Cadencers on the real message loop. The clock stands still, so each tick is a step of 0 (the scene is not
// progressed) and every tick message carries the current tick count.
class CadencerLoopTest : public CadencerTest {
protected:
    TGLCadencer* MakeASAP(const std::string& Name, int Ticks)
    {
        auto* cad = new TGLCadencer(nullptr);
        Owned.push_back(cad);
        cad->SetScene(Scene);
        cad->OnProgress = [this, cad, Name, Ticks, count = 0](TObject*, double, double) mutable {
            Order.push_back(Name);
            if (++count == Ticks) cad->SetEnabled(false);
        };
        return cad;
    }
    void TearDown() override
    {
        for (TGLCadencer* cad : Owned) Free(cad);
        Application->OnException = nullptr;
        CadencerTest::TearDown();
    }
    std::vector<TGLCadencer*> Owned;
    std::vector<std::string> Order;
};

TEST_F(CadencerLoopTest, TheChainTicksTheLaterRegisteredFirstAndEndsWithItsLastCadencer)
{
    MakeASAP("a", 3);
    MakeASAP("b", 2);
    auto* sceneless = new TGLCadencer(nullptr); // never registered: it has no scene
    Owned.push_back(sceneless);
    sceneless->OnProgress = [this](TObject*, double, double) { Order.push_back("sceneless"); };
    Application->ProcessMessages(); // returns once the chain has ended
    EXPECT_EQ(Order, (std::vector<std::string>{"b", "a", "b", "a", "a"}));
}

TEST_F(CadencerLoopTest, AFailingTickIsShownOnceAndDisablesOnlyItsCadencer)
{
    TGLCadencer* failing = MakeASAP("failing", 100);
    failing->OnProgress = [](TObject*, double, double) { throw Exception("boom"); };
    MakeASAP("other", 3);
    std::vector<std::string> shown;
    Application->OnException = [&](TObject* Sender, const Exception& E) {
        EXPECT_EQ(Sender, failing);
        shown.push_back(E.Message());
    };
    Application->ProcessMessages();
    EXPECT_EQ(shown, std::vector<std::string>{"boom"});
    EXPECT_FALSE(failing->Enabled());
    EXPECT_EQ(Order, (std::vector<std::string>{"other", "other", "other"}));
}

TEST_F(CadencerLoopTest, EachTickFirstServesWhatIsPendingSuchAsThePreviousFramesPaint)
{
    HWND view = AllocateHWnd([this](TMessage& m) {
        if (m.Msg == WM_PAINT) Order.push_back("paint");
    });
    TGLCadencer* cad = MakeASAP("frame", 3);
    auto frame = cad->OnProgress;
    cad->OnProgress = [&](TObject* s, double dt, double t) {
        frame(s, dt, t);
        InvalidateRect(view);
    };
    Application->ProcessMessages();
    EXPECT_EQ(Order, (std::vector<std::string>{"frame", "paint", "frame", "paint", "frame", "paint"}));
    DeallocateHWnd(view);
}

TEST_F(CadencerLoopTest, ACadencerFreedByAMessageServedInsideItsTickStopsThere)
{
    // The previous frame's paint, served at the start of the next tick, frees the cadencer.
    TGLCadencer* cad = MakeASAP("tick", 100);
    HWND view = AllocateHWnd([&](TMessage& m) {
        if (m.Msg != WM_PAINT) return;
        std::erase(Owned, cad);
        Free(cad);
    });
    auto frame = cad->OnProgress;
    cad->OnProgress = [&](TObject* s, double dt, double t) {
        frame(s, dt, t);
        InvalidateRect(view);
    };
    Application->ProcessMessages(); // the chain ends with its only cadencer
    EXPECT_EQ(Order, std::vector<std::string>{"tick"});
    DeallocateHWnd(view);
}

TEST_F(CadencerLoopTest, TicksInsideOneMillisecondYieldToTheLoopThroughAOneShotTimer)
{
    // The 5001st tick message within the same millisecond starts the timer and is ignored, and so is every
    // tick posted while it runs: the chain stands until the timer fires, then goes on.
    TGLCadencer* cad = MakeASAP("tick", 100000);
    int ticks = 0;
    cad->OnProgress = [&](TObject*, double, double) { ++ticks; };
    // ProcessMessages returns once the chain stands: after 5000 ticks, or after 5001 more for each time the
    // timer came due meanwhile.
    Application->ProcessMessages();
    EXPECT_EQ(ticks % 5001, 5000);
    const int stood = ticks;
    // The timer's own tick, then the next run of 5000 posted ones.
    EXPECT_TRUE(ProcessUntil([&] { return ticks > stood; }, 5000));
    EXPECT_EQ(ticks % 5001, 5000);
}

TEST_F(CadencerTest, IdleModeTicksFromTheIdleEventUntilItLeaves)
{
    int ticks = 0;
    Cadencer->OnProgress = [&](TObject*, double, double) { ++ticks; };
    Cadencer->SetMode(cmApplicationIdle);
    EXPECT_FALSE(Application->OnIdle); // no scene yet
    Cadencer->SetScene(Scene);
    ASSERT_TRUE(Application->OnIdle);
    Application->ProcessMessages();
    Application->HandleMessage(); // nothing pending: the idle event
    EXPECT_EQ(ticks, 1);
    Free(Cadencer);
    Cadencer = nullptr;
    EXPECT_FALSE(Application->OnIdle);
}

} // namespace
