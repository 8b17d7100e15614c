// The actor: frame stepping by mode and clock, smooth switches, morph and skeletal poses with controller layers,
// synchronising, loading; its animation list with the "AAF" text; and the connectivity an actor gets.
#include "GLVectorFileObjects.h"

#include "../scene/RecordingDrawFixture.h"
#include "ComponentStreams.h"
#include "GLMeshConnectivity.h"
#include "GLState.h"
#include "Raises.h"
#include "StringLists.h"
#include "Streams.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

void ExpectNear(const TVector3f& actual, const TVector3f& expected)
{
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual.V[i], expected.V[i], 1e-5f) << "component " << i;
}

TProgressTimes Step(double seconds)
{
    return TProgressTimes{seconds, 0};
}

// The quoted AAF line of an animation.
std::string Line(const std::string& name, int32_t start, int32_t end, const char* reference = "morph")
{
    return "\"" + name + "\"," + std::to_string(start) + "," + std::to_string(end) + "," + reference;
}

// An actor whose frames are n morph targets of one vertex, target i at (i, 0, 0).
struct MorphActorRig {
    explicit MorphActorRig(int frames = 16)
    {
        Morph = new TMorphableMeshObject(Actor.MeshObjects());
        Morph->Vertices()->Add(P(-1, -1, -1));
        for (int i = 0; i < frames; ++i) (new TMeshMorphTarget(Morph->MorphTargets()))->Vertices()->Add(P(float(i), 0, 0));
        Actor.PrepareMesh();
    }

    // Frames as written, the reference through its setter.
    TGLActorAnimation& AddAnimation(const std::string& name, int32_t start, int32_t end, const char* reference = "morph")
    {
        TGLActorAnimation& animation = *Actor.Animations()->Add();
        animation.SetAsString(Line(name, start, end, reference));
        return animation;
    }

    // Plays frames start..end in mode from frame.
    void Play(TGLActorAnimationMode mode, int32_t start, int32_t end, int32_t frame)
    {
        Actor.SetStartFrame(start);
        Actor.SetEndFrame(end);
        Actor.SetCurrentFrame(frame);
        Actor.SetAnimationMode(mode);
    }

    TGLActor Actor{nullptr};
    TMorphableMeshObject* Morph = nullptr;
};

class MorphActor : public ::testing::Test, protected MorphActorRig {};

} // namespace

TEST_F(MorphActor, StartsOnFrameZeroWithTheWholeRangeAndDrawsDirectly)
{
    EXPECT_EQ(Actor.FrameCount(), 16);
    EXPECT_EQ(Actor.StartFrame(), 0);
    EXPECT_EQ(Actor.EndFrame(), 15);
    EXPECT_EQ(Actor.CurrentFrame(), 0);
    EXPECT_EQ(Actor.AnimationMode(), aamNone);
    EXPECT_EQ(Actor.FrameInterpolation(), afpLinear);
    EXPECT_EQ(Actor.Interval(), 100);
    EXPECT_EQ(Actor.Options(), TGLActorOptions{aoSkeletonNormalizeNormals});
    EXPECT_TRUE(Actor.ObjectStyle().Contains(osDirectDraw));

    Actor.SetReference(aarSkeleton);
    EXPECT_EQ(Actor.FrameCount(), 0) << "no skeleton frames";
    Actor.SetReference(aarNone);
    EXPECT_EQ(Actor.FrameCount(), 0);
}

TEST_F(MorphActor, TheCurrentFrameIsKeptToTheFramesAndTold)
{
    int changes = 0;
    Actor.OnFrameChanged = [&](TObject* sender) {
        EXPECT_EQ(sender, &Actor);
        ++changes;
    };
    Actor.SetCurrentFrameDelta(0.7f);
    Actor.SetCurrentFrame(40);
    EXPECT_EQ(Actor.CurrentFrame(), 15);
    EXPECT_EQ(Actor.CurrentFrameDelta(), 0);
    Actor.SetCurrentFrame(-3);
    EXPECT_EQ(Actor.CurrentFrame(), 0);
    Actor.SetCurrentFrame(0);
    EXPECT_EQ(changes, 2) << "the same frame again changes nothing";

    // StartFrame pulls EndFrame and the current frame up; EndFrame pulls only the current frame down.
    Actor.SetCurrentFrame(3);
    Actor.SetEndFrame(4);
    Actor.SetStartFrame(6);
    EXPECT_EQ(Actor.EndFrame(), 6);
    EXPECT_EQ(Actor.CurrentFrame(), 6);
    Actor.SetEndFrame(2);
    EXPECT_EQ(Actor.StartFrame(), 6);
    EXPECT_EQ(Actor.CurrentFrame(), 2);
    // Values that are not frames are ignored, though the start setter still raises the end to the start.
    Actor.SetEndFrame(-1);
    EXPECT_EQ(Actor.EndFrame(), 2);
    Actor.SetStartFrame(16);
    EXPECT_EQ(Actor.StartFrame(), 6);
    EXPECT_EQ(Actor.EndFrame(), 6);
}

TEST_F(MorphActor, AClockStepOfTwoAndAHalfIntervalsAdvancesTwoFrames)
{
    Play(aamLoop, 0, 15, 0);
    Actor.DoProgress(Step(0.25));
    EXPECT_EQ(Actor.CurrentFrame(), 2);
    EXPECT_NEAR(Actor.CurrentFrameDelta(), 0.5f, 1e-6f);
    Actor.DoProgress(Step(0.04));
    EXPECT_EQ(Actor.CurrentFrame(), 2) << "the fraction has not passed 1";
    EXPECT_NEAR(Actor.CurrentFrameDelta(), 0.9f, 1e-6f);

    // Nothing moves without a mode, an interval, a range or a clock that makes sense.
    const struct {
        TGLActorAnimationMode mode;
        int32_t interval, start, end;
        double seconds;
        int32_t frame;
    } still[] = {{aamNone, 100, 0, 15, 1, 5},
                 {aamLoop, 0, 0, 15, 1, 5},
                 {aamLoop, 100, 4, 4, 1, 4},
                 {aamLoop, 100, 0, 15, std::numeric_limits<double>::quiet_NaN(), 5},
                 {aamLoop, 100, 0, 15, std::numeric_limits<double>::infinity(), 5}};
    for (const auto& c : still) {
        Play(c.mode, 0, 15, 5);
        Actor.SetStartFrame(c.start);
        Actor.SetEndFrame(c.end);
        Actor.SetInterval(c.interval);
        Actor.SetCurrentFrameDelta(0.25f);
        Actor.DoProgress(Step(c.seconds));
        EXPECT_EQ(Actor.CurrentFrame(), c.frame) << c.mode << " " << c.interval << " " << c.seconds;
        EXPECT_EQ(Actor.CurrentFrameDelta(), 0.25f);
    }
}

TEST_F(MorphActor, EachModeStepsThroughTheRangeItsOwnWay)
{
    const struct {
        TGLActorAnimationMode mode;
        int32_t from;
        std::vector<int32_t> frames;
        TGLActorAnimationMode modeAfter;
        int starts, ends; // events of the reached frames
    } cases[] = {
        {aamLoop, 4, {5, 2, 3, 4, 5}, aamLoop, 1, 2},
        {aamLoopBackward, 3, {2, 5, 4, 3, 2}, aamLoopBackward, 2, 1},
        {aamBounceForward, 3, {4, 5, 4, 3, 2, 3}, aamBounceForward, 1, 1},
        {aamBounceBackward, 4, {3, 2, 3, 4, 5, 4}, aamBounceBackward, 1, 1},
        {aamPlayOnce, 3, {4, 5, 5, 5}, aamNone, 0, 3},
        {aamNone, 3, {4, 5, 5}, aamNone, 0, 2},
        {aamExternal, 3, {3, 3}, aamExternal, 0, 0},
    };
    for (const auto& c : cases) {
        Play(c.mode, 2, 5, c.from);
        int starts = 0, ends = 0;
        Actor.OnStartFrameReached = [&](TObject*) { ++starts; };
        Actor.OnEndFrameReached = [&](TObject*) { ++ends; };
        std::vector<int32_t> frames;
        std::vector<TGLActorAnimationMode> modes;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            EXPECT_EQ(Actor.NextFrameIndex(), c.frames[i]) << c.mode << " step " << i;
            Actor.NextFrame();
            frames.push_back(Actor.CurrentFrame());
        }
        EXPECT_EQ(frames, c.frames) << c.mode;
        EXPECT_EQ(Actor.AnimationMode(), c.modeAfter) << c.mode;
        EXPECT_EQ(starts, c.starts) << c.mode;
        EXPECT_EQ(ends, c.ends) << c.mode;
        Actor.OnStartFrameReached = nullptr;
        Actor.OnEndFrameReached = nullptr;
    }

    // The bounce turns on reaching the end frame itself.
    Play(aamBounceForward, 2, 5, 4);
    Actor.NextFrame();
    EXPECT_EQ(Actor.AnimationMode(), aamBounceBackward);
    EXPECT_EQ(Actor.NextFrameIndex(), 4);
}

TEST_F(MorphActor, PrevFrameWrapsFromTheStartByTheRangeLessOne)
{
    // Over 2..5 one step back from 2 gives 1, wrapped by 5 - 2 to 4; a step that stays below the start after
    // one wrap stops on the start.
    const struct {
        int32_t from, steps, expected;
    } cases[] = {{4, 1, 3}, {2, 1, 4}, {3, 2, 4}, {2, 3, 2}, {2, 4, 2}, {2, 9, 2}, {5, 3, 2}};
    for (const auto& c : cases) {
        Play(aamLoop, 2, 5, c.from);
        Actor.PrevFrame(c.steps);
        EXPECT_EQ(Actor.CurrentFrame(), c.expected) << c.from << " back " << c.steps;
    }
}

TEST_F(MorphActor, AProgressOfMonthsEndsWhereStepByStepWouldWithoutTakingThatLong)
{
    // 10^8 steps in a bounce over 2..5 (a cycle of 6 frames): 4 steps past a whole number of cycles.
    Play(aamBounceForward, 2, 5, 2);
    Actor.DoProgress(Step(1e7));
    EXPECT_EQ(Actor.CurrentFrame(), 4);
    EXPECT_EQ(Actor.AnimationMode(), aamBounceBackward);

    // Below the limit every step is taken: 60,001 steps of a loop over 4 frames land on the end 15,000 times.
    Play(aamLoop, 2, 5, 2);
    int ends = 0;
    Actor.OnEndFrameReached = [&](TObject*) { ++ends; };
    Actor.DoProgress(Step(6000.1));
    Actor.OnEndFrameReached = nullptr;
    EXPECT_EQ(Actor.CurrentFrame(), 3);
    EXPECT_EQ(ends, 15000);
}

TEST_F(MorphActor, ASmoothSwitchAimsAtTheNewStartUntilTheStepEnds)
{
    AddAnimation("walk", 0, 5);
    AddAnimation("run", 10, 15);
    Actor.SwitchToAnimation("walk");
    Actor.SetAnimationMode(aamLoop);
    Actor.SetCurrentFrame(3);

    Actor.SwitchToAnimation("RUN", true);
    EXPECT_TRUE(Actor.isSwitchingAnimation());
    EXPECT_EQ(Actor.NextFrameIndex(), 10);
    Actor.DoProgress(Step(0.05));
    EXPECT_EQ(Actor.CurrentFrame(), 3);
    EXPECT_EQ(Actor.StartFrame(), 0) << "the range switches when the step ends";
    // The pose interpolates toward the target's start: halfway from frame 3 to frame 10.
    Actor.ApplyCurrentFrame();
    ExpectNear(Morph->Vertices()->Get(0), P(6.5f, 0, 0));

    Actor.DoProgress(Step(0.07));
    EXPECT_FALSE(Actor.isSwitchingAnimation());
    EXPECT_EQ(Actor.CurrentFrame(), 10);
    EXPECT_EQ(Actor.CurrentFrameDelta(), 0);
    EXPECT_EQ(Actor.StartFrame(), 10);
    EXPECT_EQ(Actor.EndFrame(), 15);
    EXPECT_EQ(Actor.CurrentAnimation(), "run");

    // Play-once does not stop on its end frame while a switch is pending.
    AddAnimation("land", 15, 15);
    Play(aamPlayOnce, 10, 15, 14);
    Actor.SwitchToAnimation("land", true);
    Actor.NextFrame();
    EXPECT_EQ(Actor.CurrentFrame(), 15);
    EXPECT_EQ(Actor.AnimationMode(), aamPlayOnce);

    // An animation of another actor is taken by name from this one's list, or not at all.
    TGLActor other(nullptr);
    TGLActorAnimation& foreign = *other.Animations()->Add();
    foreign.SetName("run");
    Actor.SwitchToAnimation(&foreign, true);
    EXPECT_EQ(Actor.TargetSmoothAnimation(), Actor.Animations()->FindName("run"));
    foreign.SetName("fly");
    Actor.SwitchToAnimation(nullptr, true);
    Actor.SwitchToAnimation(&foreign, true);
    Actor.SwitchToAnimation("nothing", true);
    Actor.SwitchToAnimation(7, true);
    EXPECT_EQ(Actor.TargetSmoothAnimation(), Actor.Animations()->FindName("run"));

    // A pending target that leaves the list is forgotten.
    Actor.Animations()->Delete(1);
    EXPECT_FALSE(Actor.isSwitchingAnimation());
}

TEST_F(MorphActor, AFrameHandlerMayFreeTheAnimationBeingSwitchedTo)
{
    AddAnimation("walk", 4, 9);
    Actor.OnFrameChanged = [&](TObject*) { Actor.Animations()->Clear(); };
    Actor.SwitchToAnimation("walk");
    EXPECT_EQ(Actor.StartFrame(), 4);
    EXPECT_EQ(Actor.EndFrame(), 9);
    EXPECT_EQ(Actor.Animations()->Count(), 0);

    // The same when the switch comes at the end of a step.
    AddAnimation("run", 12, 14);
    Actor.SwitchToAnimation("run", true);
    Actor.SetAnimationMode(aamLoop);
    Actor.DoProgress(Step(0.15));
    Actor.OnFrameChanged = nullptr;
    EXPECT_FALSE(Actor.isSwitchingAnimation());
    EXPECT_EQ(Actor.StartFrame(), 12);
    EXPECT_EQ(Actor.EndFrame(), 14);
}

TEST_F(MorphActor, MorphFramesBlendOrJumpAndFramesTheMeshLacksAreNotApplied)
{
    Play(aamLoop, 2, 5, 4);
    Actor.SetCurrentFrameDelta(0.25f);
    Actor.ApplyCurrentFrame();
    ExpectNear(Morph->Vertices()->Get(0), P(4.25f, 0, 0));
    Actor.SetFrameInterpolation(afpNone);
    Actor.ApplyCurrentFrame();
    ExpectNear(Morph->Vertices()->Get(0), P(4, 0, 0));

    Actor.SetFrameInterpolation(afpLinear);
    for (int32_t frame : {16, -1, std::numeric_limits<int32_t>::max()}) {
        Actor.SetCurrentFrameDirect(frame);
        EXPECT_NO_THROW(Actor.ApplyCurrentFrame()) << frame;
        ExpectNear(Morph->Vertices()->Get(0), P(4, 0, 0));
    }
}

TEST_F(MorphActor, SynchronizeTakesTheFrameStateButNoFrameThisActorLacks)
{
    AddAnimation("run", 10, 15);
    MorphActorRig small(8);
    small.AddAnimation("run", 1, 2);
    TGLActor& reference = Actor;
    Play(aamLoop, 3, 12, 11);
    reference.SwitchToAnimation("run", true);
    reference.SetCurrentFrameDelta(0.5f);
    reference.SetFrameInterpolation(afpNone);

    int changes = 0;
    small.Actor.OnFrameChanged = [&](TObject*) { ++changes; };
    small.Actor.SetCurrentFrameDirect(6);
    small.Actor.Synchronize(&reference);
    EXPECT_EQ(small.Actor.StartFrame(), 3);
    EXPECT_EQ(small.Actor.EndFrame(), 7) << "12 is no frame here";
    EXPECT_EQ(small.Actor.CurrentFrame(), 6) << "11 is no frame here";
    EXPECT_EQ(small.Actor.CurrentFrameDelta(), 0.5f);
    EXPECT_EQ(small.Actor.AnimationMode(), aamLoop);
    EXPECT_EQ(small.Actor.FrameInterpolation(), afpNone);
    EXPECT_EQ(small.Actor.TargetSmoothAnimation(), small.Actor.Animations()->FindName("run"));
    EXPECT_EQ(changes, 0);

    small.Actor.Synchronize(nullptr);
    EXPECT_EQ(small.Actor.CurrentFrame(), 6);

    // Assign copies the animations and the mode, then synchronises.
    TGLActor copy(nullptr);
    copy.Assign(&reference);
    EXPECT_EQ(copy.Animations()->Count(), 1);
    EXPECT_EQ(copy.AnimationMode(), aamLoop);
    EXPECT_EQ(copy.CurrentFrame(), 11);
    EXPECT_EQ(copy.TargetSmoothAnimation(), copy.Animations()->Items(0));
}

// ---------------------------------------------------------------------------------------------------------
// The animation list

TEST_F(MorphActor, AnimationFramesAreKeptToTheReferencesFrames)
{
    TGLActorAnimation& animation = AddAnimation("a", 0, 0);
    animation.SetEndFrame(30);
    EXPECT_EQ(animation.EndFrame(), 15);
    animation.SetStartFrame(-4);
    EXPECT_EQ(animation.StartFrame(), 0);
    animation.SetStartFrame(9);
    animation.SetEndFrame(3);
    EXPECT_EQ(animation.StartFrame(), 3) << "the start comes down to the end";
    animation.SetStartFrame(12);
    EXPECT_EQ(animation.EndFrame(), 12) << "the end rises to the start";
    EXPECT_EQ(animation.GetDisplayName(), "0 - a [12 - 12]");

    // Skeleton frames: none here, so the range becomes -1.
    animation.SetReference(aarSkeleton);
    EXPECT_EQ(animation.StartFrame(), -1);
    EXPECT_EQ(animation.EndFrame(), -1);
    // A reference without frames keeps the range and refuses frame setters.
    animation.SetReference(aarMorph);
    animation.SetEndFrame(7);
    animation.SetReference(aarNone);
    EXPECT_EQ(animation.EndFrame(), 7);
    EXPECT_THROW(animation.SetStartFrame(2), EAssertionFailed);
}

TEST_F(MorphActor, AnimationsAreFoundByNameAndFrameAndListedInOrder)
{
    AddAnimation("Walk", 0, 5);
    AddAnimation("run", 4, 9);
    AddAnimation("jump", 4, 9, "none");
    TGLActorAnimations& list = *Actor.Animations();
    EXPECT_EQ(list.FindName("WALK"), list.Items(0));
    EXPECT_EQ(list.FindName("fly"), nullptr);
    EXPECT_EQ(list.FindFrame(4, aarMorph), list.Items(0));
    EXPECT_EQ(list.FindFrame(9, aarMorph), list.Items(1));
    EXPECT_EQ(list.FindFrame(9, aarNone), list.Items(2));
    EXPECT_EQ(list.FindFrame(10, aarMorph), nullptr);
    EXPECT_EQ(list.FindItemID(list.Items(1)->ID()), list.Items(1));
    EXPECT_EQ(list.Last(), list.Items(2));
    EXPECT_THROW(list.Items(3), EListError);

    TStringList names;
    names.Add("old");
    list.SetToStrings(&names);
    EXPECT_EQ(names.Text(), "Walk\r\nrun\r\njump\r\n");

    Actor.SetCurrentFrame(7);
    EXPECT_EQ(Actor.CurrentAnimation(), "run");
    Actor.SetCurrentFrame(12);
    EXPECT_EQ(Actor.CurrentAnimation(), "");

    list.Clear();
    EXPECT_EQ(list.Last(), nullptr);
}

TEST_F(MorphActor, TheAnimationListTextReadsBackToTheSameList)
{
    AddAnimation("slow walk", 0, 5);
    AddAnimation("", 3, 9).SetName("say \"hi\", twice");
    AddAnimation("", 15, 15, "none");

    TStringStream saved;
    Actor.Animations()->SaveToStream(saved);
    EXPECT_EQ(saved.DataString(), "AAF\r\n3\r\n\"slow walk\",0,5,morph\r\n\"say \"\"hi\"\", twice\",3,9,morph\r\n"
                                  "\"\",15,15,none\r\n");

    TGLActor other(nullptr);
    TStringStream input(saved.DataString());
    other.Animations()->LoadFromStream(input);
    TStringStream again;
    other.Animations()->SaveToStream(again);
    EXPECT_EQ(again.DataString(), saved.DataString());
    EXPECT_EQ(other.Animations()->Items(1)->Name(), "say \"hi\", twice");

    // Three fields make a morph animation; the frames are taken as written.
    TStringStream three("AAF\r\n1\r\n\"idle\",40,2\r\n");
    other.Animations()->LoadFromStream(three);
    ASSERT_EQ(other.Animations()->Count(), 1);
    EXPECT_EQ(other.Animations()->Items(0)->AsString(), "\"idle\",40,2,morph");

    // Through a file.
    TempFolder folder;
    Actor.Animations()->SaveToFile(folder / "list.aaf");
    EXPECT_EQ(folder.Read("list.aaf"), saved.DataString());
    other.Animations()->LoadFromFile(folder / "list.aaf");
    EXPECT_EQ(other.Animations()->Count(), 3);
}

TEST_F(MorphActor, ABadAnimationListFailsAndLeavesTheListAsItWas)
{
    AddAnimation("keep", 1, 2);
    const struct {
        const char* text;
        bool assertion; // else a conversion error
    } cases[] = {
        {"", true},
        {"aaf\r\n0\r\n", true},
        {"AAF\r\n", false},
        {"AAF\r\nmany\r\n", false},
        {"AAF\r\n2\r\n\"a\",1,2\r\n", true},                 // a line missing
        {"AAF\r\n1\r\n\"a\",1\r\n", true},                   // two fields
        {"AAF\r\n1\r\n\"a\",1,2,bones\r\n", true},           // unknown reference
        {"AAF\r\n1\r\n\"a\",one,2\r\n", false},
        {"AAF\r\n2\r\n\"a\",1,2\r\n\"b\",1,2.5\r\n", false}, // the first line read is dropped too
    };
    for (const auto& c : cases) {
        TStringStream input(c.text);
        if (c.assertion)
            EXPECT_THROW(Actor.Animations()->LoadFromStream(input), EAssertionFailed) << c.text;
        else
            EXPECT_THROW(Actor.Animations()->LoadFromStream(input), EConvertError) << c.text;
        ASSERT_EQ(Actor.Animations()->Count(), 1) << c.text;
        EXPECT_EQ(Actor.Animations()->Items(0)->AsString(), "\"keep\",1,2,morph");
    }

    // One animation's line is set whole or not at all.
    TGLActorAnimation& animation = *Actor.Animations()->Items(0);
    EXPECT_THROW(animation.SetAsString("\"x\",5,y"), EConvertError);
    EXPECT_THROW(animation.SetAsString("\"x\",5,6,bones"), EAssertionFailed);
    EXPECT_EQ(animation.AsString(), "\"keep\",1,2,morph");
    // Blanks outside quotes separate items too; more than four items make a morph animation.
    animation.SetAsString("x 5 6 skeleton bones");
    EXPECT_EQ(animation.AsString(), "\"x\",5,6,morph");
}

// ---------------------------------------------------------------------------------------------------------
// Controllers

TEST_F(MorphActor, AControllerPicksFramesOfItsAnimationByRatio)
{
    AddAnimation("aim", 10, 20);
    TGLAnimationControler controller(nullptr);
    controller.SetActor(&Actor);
    controller.SetAnimationName("Aim");

    const struct {
        float ratio;
        int32_t frame1, frame2;
        float factor;
    } cases[] = {{0.5f, 15, 16, 0}, {0, 10, 10, 0}, {1, 20, 20, 0}, {0.25f, 12, 13, 0.5f}, {7, 20, 20, 0},
                 {-1, 10, 10, 0}};
    for (const auto& c : cases) {
        controller.SetRatio(c.ratio);
        TBlendedLerpInfo info;
        TAffineVectorList positions;
        TAffineVectorList rotations;
        info.externalPositions = &positions;
        info.externalRotations = &rotations;
        info.weight = 0.3f;
        ASSERT_TRUE(controller.Apply(info)) << c.ratio;
        EXPECT_EQ(info.frameIndex1, c.frame1) << c.ratio;
        EXPECT_EQ(info.frameIndex2, c.frame2) << c.ratio;
        EXPECT_NEAR(info.lerpFactor, c.factor, 1e-6f) << c.ratio;
        EXPECT_EQ(info.weight, 1);
        EXPECT_EQ(info.externalPositions, &positions) << "left as the caller set it";
        EXPECT_EQ(info.externalRotations, nullptr);
        EXPECT_EQ(info.externalQuaternions, nullptr);
    }

    // The frame after the ratio's never lies beyond the animation.
    Actor.Animations()->Items(0)->SetAsString("aim,20,20");
    controller.SetRatio(0.5f);
    TBlendedLerpInfo info;
    ASSERT_TRUE(controller.Apply(info));
    EXPECT_EQ(info.frameIndex1, 20);
    EXPECT_EQ(info.frameIndex2, 20);

    controller.SetRatio(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(controller.Ratio(), 0);
    controller.SetEnabled(false);
    EXPECT_FALSE(controller.Apply(info));
    controller.SetEnabled(true);
    controller.SetAnimationName("missing");
    EXPECT_FALSE(controller.Apply(info));
    TGLBaseAnimationControler base(nullptr);
    EXPECT_FALSE(base.Apply(info));
}

TEST_F(MorphActor, ControllersAndActorsLetGoOfEachOtherWhicheverDiesFirst)
{
    auto* first = new TGLAnimationControler(nullptr);
    auto* second = new TGLAnimationControler(nullptr);
    first->SetActor(&Actor);
    second->SetActor(&Actor);
    EXPECT_EQ(Actor.ControlerCount(), 2);
    Free(first);
    EXPECT_EQ(Actor.ControlerCount(), 1);
    second->SetActor(nullptr);
    EXPECT_EQ(Actor.ControlerCount(), 0);

    {
        TGLActor dying(nullptr);
        second->SetActor(&dying);
        EXPECT_EQ(dying.ControlerCount(), 1);
    }
    EXPECT_EQ(second->Actor(), nullptr);
    auto* dying = new TGLActor(nullptr);
    second->SetActor(dying);
    Free(dying);
    EXPECT_EQ(second->Actor(), nullptr);
    delete second; // without the pre-destroy step as well
}

// ---------------------------------------------------------------------------------------------------------
// Skeletal actors

namespace {

// An actor with one root bone and a vertex bound to it at (0, 0, 0); frame i places the bone at positions[i].
struct SkeletalActorRig {
    void Build(std::initializer_list<TVector3f> positions)
    {
        TGLSkeleton& skeleton = *Actor.Skeleton();
        (new TGLSkeletonBone(skeleton.RootBones()))->SetName("root");
        for (const TVector3f& position : positions) {
            auto* frame = new TGLSkeletonFrame(skeleton.Frames());
            frame->Position()->Add(position);
            frame->Rotation()->Add(P(0, 0, 0));
        }
        // Bound in the pose of a frame at the origin.
        skeleton.MorphTo(0);
        skeleton.CurrentFrame()->Position()->Put(0, P(0, 0, 0));
        skeleton.CurrentFrame()->FlushLocalMatrixList();
        skeleton.RootBones()->PrepareGlobalMatrices();
        Skin = new TGLSkeletonMeshObject(Actor.MeshObjects());
        Skin->Vertices()->Add(P(0, 0, 0));
        Skin->Normals()->Add(P(0, 0, 1));
        Skin->AddWeightedBone(0, 1);
        Skin->PrepareBoneMatrixInvertedMeshes();
        Actor.SetReference(aarSkeleton);
        Actor.PrepareMesh();
    }

    TVector3f Vertex() const { return Skin->Vertices()->Get(0); }

    TGLActor Actor{nullptr};
    TGLSkeletonMeshObject* Skin = nullptr;
};

class SkeletalActor : public ::testing::Test, protected SkeletalActorRig {};

} // namespace

TEST_F(SkeletalActor, PlaysANamedRangeAndSwitchesSmoothly)
{
    Build({P(0, 0, 0), P(2, 0, 0)});
    EXPECT_EQ(Actor.FrameCount(), 2);
    EXPECT_EQ(Actor.EndFrame(), 1);
    TGLActorAnimation& swing = *Actor.Animations()->Add();
    swing.SetAsString("swing,0,1,skeleton");
    TGLActorAnimation& rest = *Actor.Animations()->Add();
    rest.SetAsString("rest,1,1,skeleton");

    Actor.SwitchToAnimation("swing");
    Actor.SetAnimationMode(aamLoop);
    Actor.DoProgress(Step(0.05));
    Actor.ApplyCurrentFrame();
    ExpectNear(Vertex(), P(1, 0, 0));

    Actor.DoProgress(Step(0.1));
    EXPECT_EQ(Actor.CurrentFrame(), 1);
    Actor.SwitchToAnimation("rest", true);
    Actor.DoProgress(Step(0.05));
    Actor.ApplyCurrentFrame();
    // From frame 1 toward rest's start, frame 1.
    ExpectNear(Vertex(), P(2, 0, 0));

    Actor.DoProgress(Step(0.06));
    EXPECT_FALSE(Actor.isSwitchingAnimation());
    EXPECT_EQ(Actor.StartFrame(), 1);
    EXPECT_EQ(Actor.EndFrame(), 1);
    Actor.DoProgress(Step(1));
    EXPECT_EQ(Actor.CurrentFrame(), 1) << "a range of one frame stands still";

    // Without interpolation the current frame is shown as it is.
    Actor.SetFrameInterpolation(afpNone);
    Actor.SetCurrentFrame(0);
    Actor.SetCurrentFrameDelta(0.5f);
    Actor.ApplyCurrentFrame();
    ExpectNear(Vertex(), P(0, 0, 0));

    // In external mode the skeleton keeps the pose set from outside.
    Actor.SetAnimationMode(aamExternal);
    Actor.Skeleton()->MorphTo(1);
    Actor.ApplyCurrentFrame();
    ExpectNear(Vertex(), P(2, 0, 0));
}

TEST_F(SkeletalActor, ControllerLayersAddTheirPosesToTheFrames)
{
    Build({P(1, 0, 0), P(3, 0, 0), P(0, 5, 0), P(0, 9, 0)});
    TGLActorAnimation& lift = *Actor.Animations()->Add();
    lift.SetAsString("lift,2,3,skeleton");
    Actor.SetStartFrame(0);
    Actor.SetEndFrame(1);
    Actor.SetAnimationMode(aamLoop);
    Actor.SetCurrentFrameDelta(0.5f);

    TGLAnimationControler controller(nullptr);
    controller.SetAnimationName("lift");
    controller.SetRatio(0.5f);
    controller.SetActor(&Actor);
    Actor.ApplyCurrentFrame();
    // Frame 0 halfway to 1 is (2, 0, 0); the lift halfway from 2 to 3 adds (0, 7, 0).
    ExpectNear(Vertex(), P(2, 7, 0));

    // A layer that does not apply, or names frames the skeleton lacks, is left out.
    TGLAnimationControler off(nullptr);
    off.SetAnimationName("lift");
    off.SetEnabled(false);
    off.SetActor(&Actor);
    TGLActorAnimation& beyond = *Actor.Animations()->Add();
    beyond.SetAsString("beyond,8,9"); // kept as written: morph frames
    TGLAnimationControler lost(nullptr);
    lost.SetAnimationName("beyond");
    lost.SetRatio(0.5f);
    lost.SetActor(&Actor);
    Actor.ApplyCurrentFrame();
    ExpectNear(Vertex(), P(2, 7, 0));

    // The controllers are passed over in external mode.
    controller.SetRatio(1);
    Actor.SetAnimationMode(aamExternal);
    Actor.Skeleton()->MorphTo(1);
    Actor.ApplyCurrentFrame();
    ExpectNear(Vertex(), P(3, 0, 0));
}

TEST_F(SkeletalActor, SynchronizedActorsTakeTheReferencePose)
{
    Build({P(0, 0, 0), P(4, 0, 0)});
    SkeletalActorRig reference;
    reference.Build({P(0, 0, 0), P(6, 0, 0)});
    reference.Actor.Skeleton()->MorphTo(1);
    Actor.Synchronize(&reference.Actor);
    ExpectNear(Vertex(), P(6, 0, 0));
}

TEST_F(SkeletalActor, AnimationsCallTheSkeletonsFrameTools)
{
    Build({P(0, 0, 0), P(1, 0, 0), P(2, 0, 0)});
    TGLActorAnimation& walk = *Actor.Animations()->Add();
    walk.SetAsString("walk,0,2,skeleton");
    walk.MakeSkeletalTranslationStatic();
    for (int i = 0; i < 3; ++i) ExpectNear(Actor.Skeleton()->Frames()->Items(i)->Position()->Get(0), P(0, 0, 0));
}

namespace {

class ActorDrawTest : public RecordingDrawFixture {};

} // namespace

TEST_F(ActorDrawTest, DrawingPosesTheMeshAndOverlaysTheBonesThroughIt)
{
    SkeletalActorRig rig;
    rig.Build({P(0, 0, 0), P(2, 0, 0)});
    rig.Actor.SetCurrentFrame(1);
    rig.Actor.SetOverlaySkeleton(true);
    Cache->Enable(stDepthTest);

    Draw(rig.Actor);
    // The mesh stands at frame 1, and the bone's point is drawn there without depth testing.
    ExpectNear(rig.Vertex(), P(2, 0, 0));
    ASSERT_FALSE(Sent.empty());
    EXPECT_EQ(Sent.back().X, 2);
    const std::vector<TGLCall> switches = GL->Only({"Disable", "Enable"});
    const auto off = std::find(switches.begin(), switches.end(), GLCall("Disable", GL_DEPTH_TEST));
    ASSERT_NE(off, switches.end());
    EXPECT_NE(std::find(off, switches.end(), GLCall("Enable", GL_DEPTH_TEST)), switches.end());
    EXPECT_TRUE(Cache->States().Contains(stDepthTest)) << "restored for what follows";

    // Without the overlay the depth test is left alone.
    rig.Actor.SetOverlaySkeleton(false);
    Draw(rig.Actor);
    const std::vector<TGLCall> again = GL->Only({"Disable"});
    EXPECT_EQ(std::count(again.begin(), again.end(), GLCall("Disable", GL_DEPTH_TEST)), 0);
}

// ---------------------------------------------------------------------------------------------------------
// Loading, streaming and the connectivity

TEST_F(MorphActor, LoadingReplacesTheAnimationsOnlyWhenTheMeshIsIn)
{
    AddAnimation("walk", 0, 5);
    TStringStream saved;
    Actor.SaveToStream("actor.glsm", saved);

    const auto expectKept = [&](const char* what) {
        EXPECT_EQ(Actor.Animations()->Count(), 1) << what;
        EXPECT_EQ(Actor.FrameCount(), 16) << what;
    };
    TStringStream unknown(saved.DataString());
    EXPECT_THROW(Actor.LoadFromStream("actor.zzz", unknown), EInvalidVectorFile);
    expectKept("unknown extension");
    TStringStream broken(saved.DataString().substr(0, saved.DataString().size() / 2));
    EXPECT_ANY_THROW(Actor.LoadFromStream("actor.glsm", broken));
    expectKept("truncated file");
    TStringStream none;
    Actor.LoadFromStream("", none);
    expectKept("no name");

    Actor.SwitchToAnimation("walk", true);
    Actor.SetCurrentFrame(9);
    int changes = 0;
    Actor.OnFrameChanged = [&](TObject*) { ++changes; };
    TStringStream whole(saved.DataString());
    Actor.LoadFromStream("actor.glsm", whole);
    EXPECT_EQ(Actor.Animations()->Count(), 0);
    EXPECT_FALSE(Actor.isSwitchingAnimation());
    EXPECT_EQ(Actor.FrameCount(), 16);
    EXPECT_EQ(Actor.CurrentFrame(), 0);
    EXPECT_EQ(Actor.EndFrame(), 15);
    EXPECT_EQ(changes, 1);
}

TEST(ActorStream, ActorsAndControllersStreamTheirSettings)
{
    TGLActor actor(nullptr);
    actor.SetName("hero");
    actor.SetAnimationMode(aamBounceBackward);
    actor.SetInterval(40);
    actor.SetFrameInterpolation(afpNone);
    actor.SetOptions({});
    actor.SetReference(aarSkeleton);
    actor.SetCurrentFrameDirect(3);
    actor.SetOverlaySkeleton(true);
    // Written as they are: no mesh is loaded when the stream is read back.
    actor.Animations()->Add()->SetAsString("\"big jump\",4,9");
    actor.Animations()->Add()->SetAsString("idle,0,1,none");

    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(&actor);
    stream.SetPosition(0);
    TGLActor loaded(nullptr);
    TReader(stream).ReadRootComponent(&loaded);
    EXPECT_EQ(loaded.Name(), "hero");
    EXPECT_EQ(loaded.AnimationMode(), aamBounceBackward);
    EXPECT_EQ(loaded.Interval(), 40);
    EXPECT_EQ(loaded.FrameInterpolation(), afpNone);
    EXPECT_EQ(loaded.Options(), TGLActorOptions{});
    EXPECT_EQ(loaded.Reference(), aarSkeleton);
    EXPECT_EQ(loaded.CurrentFrame(), 3);
    EXPECT_TRUE(loaded.OverlaySkeleton());
    ASSERT_EQ(loaded.Animations()->Count(), 2);
    EXPECT_EQ(loaded.Animations()->Items(0)->AsString(), "\"big jump\",4,9,morph");
    EXPECT_EQ(loaded.Animations()->Items(1)->AsString(), "\"idle\",0,1,none");

    // Defaults and an empty list write nothing of their own.
    TGLActor plain(nullptr);
    TMemoryStream none;
    TWriter(none).WriteRootComponent(&plain);
    const std::string bytes(reinterpret_cast<const char*>(none.Memory()), static_cast<size_t>(none.Size()));
    for (const char* name : {"Animations", "Interval", "AnimationMode", "Options", "StartFrame"})
        EXPECT_EQ(bytes.find(name), std::string::npos) << name;

    // A controller finds its actor by name among its owner's components once it is read.
    TComponent holder(nullptr);
    auto* target = new TGLActor(&holder);
    target->SetName("hero");
    TGLAnimationControler controller(nullptr);
    controller.SetAnimationName("big jump");
    controller.SetRatio(0.25f);
    controller.SetEnabled(false);
    controller.SetActor(&actor);
    TMemoryStream controllerStream;
    TWriter(controllerStream).WriteRootComponent(&controller);
    controllerStream.SetPosition(0);
    auto* read = new TGLAnimationControler(&holder);
    TReader(controllerStream).ReadRootComponent(read);
    EXPECT_EQ(read->AnimationName(), "big jump");
    EXPECT_EQ(read->Ratio(), 0.25f);
    EXPECT_FALSE(read->Enabled());
    EXPECT_EQ(read->Actor(), target);
    EXPECT_EQ(target->ControlerCount(), 1);
}

TEST_F(MorphActor, AnActorsConnectivityComputesFaceNormalsAsItGoes)
{
    // One triangle drawn through an index-list face group.
    const auto addTriangle = [](TGLMeshObject& meshObject) {
        meshObject.Vertices()->Clear();
        for (const TVector3f& v : {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}) meshObject.Vertices()->Add(v);
        meshObject.SetMode(momFaceGroups);
        auto* group = new TFGVertexIndexList(meshObject.FaceGroups());
        for (int32_t i : {0, 1, 2}) group->Add(i);
    };
    addTriangle(*Morph);
    TGLBaseMeshConnectivity actorConnectivity(&Actor);
    EXPECT_FALSE(actorConnectivity.PrecomputeFaceNormal());
    ASSERT_EQ(actorConnectivity.ConnectivityCount(), 1);
    EXPECT_FALSE(actorConnectivity.FaceGroupConnectivity(0)->PrecomputeFaceNormal());
    EXPECT_EQ(actorConnectivity.FaceCount(), 1);

    TGLFreeForm freeForm(nullptr);
    addTriangle(*new TGLMeshObject(freeForm.MeshObjects()));
    TGLBaseMeshConnectivity freeFormConnectivity(&freeForm);
    EXPECT_TRUE(freeFormConnectivity.PrecomputeFaceNormal());
    EXPECT_TRUE(freeFormConnectivity.FaceGroupConnectivity(0)->PrecomputeFaceNormal());
}
