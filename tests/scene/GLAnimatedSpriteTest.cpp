// Animated sprites. Without OpenGL: frame rate to interval, the frame steps of every mode, progress under
// explicit times and under a manual cadencer, the animations' stream with its older versions, and the
// inputs that must neither crash nor hang. On the recording fake OpenGL: the quad of a frame on a sheet, and
// what is drawn without a usable frame or material. Through the memory viewer: a sheet animates on screen.
#include "GLAnimatedSprite.h"

#include "ComponentStreams.h"
#include "GLCadencer.h"
#include "GLMaterial.h"
#include "GLTexture.h"
#include "Graphics.h"
#include "Raises.h"
#include "RecordingDrawFixture.h"
#include "SceneRenderFixture.h"
#include "Streams.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

TSpriteAnimation* AddAnimation(TGLAnimatedSprite& sprite, int32_t start, int32_t end)
{
    auto* animation = new TSpriteAnimation(sprite.Animations());
    animation->SetStartFrame(start);
    animation->SetEndFrame(end);
    return animation;
}

TEST(GLAnimatedSprite, FrameRateGivesTheIntervalRoundedHalvesToEven)
{
    const struct {
        float Rate;
        int32_t Interval;
    } cases[] = {{3, 333},  {16, 62}, {8, 125}, {10, 100}, {0, 0}, {-4, 0}, {std::nanf(""), 0},
                 {1e-9f, std::numeric_limits<int32_t>::max()}};
    TGLAnimatedSprite sprite(nullptr);
    TSpriteAnimation animation;
    for (const auto& c : cases) {
        sprite.SetFrameRate(c.Rate);
        EXPECT_EQ(sprite.Interval(), c.Interval) << c.Rate;
        animation.SetFrameRate(c.Rate);
        EXPECT_EQ(animation.Interval(), c.Interval) << c.Rate;
    }
    sprite.SetInterval(333);
    EXPECT_FLOAT_EQ(sprite.FrameRate(), 1000.0f / 333);
    sprite.SetInterval(-5);
    EXPECT_EQ(sprite.FrameRate(), 0);
}

TEST(GLAnimatedSprite, NextFrameStepsAsTheModeSays)
{
    const struct {
        TSpriteAnimationMode Mode;
        TSpriteFrameDimensions Dimensions;
        int32_t Start, End, From;
        std::vector<int32_t> Frames;
        TSpriteAnimationMode After;
        int Ends, Starts, Changes;
    } cases[] = {
        {samLoop, sfdAuto, 0, 3, 0, {1, 2, 3, 0, 1}, samLoop, 1, 0, 5},
        // One past the end, and then nothing more.
        {samPlayOnce, sfdAuto, 0, 2, 0, {1, 2, 3, 3}, samNone, 1, 0, 3},
        {samBounceForward, sfdAuto, 2, 4, 2, {3, 4, 3, 2, 3}, samBounceForward, 0, 0, 5},
        {samBounceBackward, sfdAuto, 2, 4, 4, {3, 2, 3, 4}, samBounceBackward, 0, 0, 4},
        {samLoopBackward, sfdAuto, 0, 2, 0, {2, 1, 0, 2}, samLoopBackward, 0, 2, 4},
        {samNone, sfdAuto, 0, 3, 1, {1, 1}, samNone, 0, 0, 0},
        // No frames listed: the range is empty and the loop stays at 0.
        {samLoop, sfdManual, 5, 9, 0, {0, 0}, samLoop, 0, 0, 2},
    };
    for (const auto& c : cases) {
        TGLAnimatedSprite sprite(nullptr);
        TSpriteAnimation* animation = AddAnimation(sprite, c.Start, c.End);
        animation->SetDimensions(c.Dimensions);
        sprite.SetAnimationMode(c.Mode);
        sprite.SetAnimationIndex(0);
        animation->SetCurrentFrame(c.From);
        int ends = 0, starts = 0, changes = 0;
        sprite.OnEndFrameReached = [&](TObject*) { ++ends; };
        sprite.OnStartFrameReached = [&](TObject*) { ++starts; };
        // Fired before the new frame is stored.
        int32_t before = animation->CurrentFrame();
        sprite.OnFrameChanged = [&](TObject*) {
            EXPECT_EQ(animation->CurrentFrame(), before);
            ++changes;
        };
        std::vector<int32_t> frames;
        for (size_t i = 0; i < c.Frames.size(); ++i) {
            sprite.NextFrame();
            frames.push_back(before = animation->CurrentFrame());
        }
        EXPECT_EQ(frames, c.Frames) << c.Mode;
        EXPECT_EQ(sprite.AnimationMode(), c.After) << c.Mode;
        EXPECT_EQ(std::vector<int>({ends, starts, changes}), std::vector<int>({c.Ends, c.Starts, c.Changes})) << c.Mode;
    }
}

TEST(GLAnimatedSprite, ProgressStepsAtTheIntervalAndNeverRunsAway)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        TSpriteAnimationMode Mode;
        int32_t SpriteInterval, AnimationInterval, Index;
        double Delta;
        int32_t Frame;
        double Pending;
    } cases[] = {
        {samLoop, 100, 0, 0, 0.25, 2, 0.5},
        {samLoop, 100, 50, 0, 0.25, 1, 0}, // the animation's own interval: 5 steps over 0..3
        {samNone, 100, 0, 0, 0.25, 0, 0},
        {samLoop, 0, 0, 0, 0.25, 0, 0},
        {samLoop, -100, 0, 0, 0.25, 0, 0},
        {samLoop, 100, 0, 3, 0.25, 0, 0}, // no such animation
        // A huge step replays at most two passes (8 steps over 4 frames) and keeps no pending fraction.
        {samLoop, 1, 0, 0, 1e300, 0, 0},
        {samLoop, 100, 0, 0, inf, 0, 0},
        {samLoop, 100, 0, 0, std::nan(""), 0, 0},
    };
    for (const auto& c : cases) {
        TGLAnimatedSprite sprite(nullptr);
        TSpriteAnimation* animation = AddAnimation(sprite, 0, 3);
        animation->SetInterval(c.AnimationInterval);
        sprite.SetInterval(c.SpriteInterval);
        sprite.SetAnimationMode(c.Mode);
        sprite.SetAnimationIndex(c.Index);
        int steps = 0;
        sprite.OnFrameChanged = [&](TObject*) { ++steps; };
        sprite.DoProgress(TProgressTimes{c.Delta, c.Delta});
        EXPECT_EQ(animation->CurrentFrame(), c.Frame) << c.Mode << " " << c.SpriteInterval << " " << c.Delta;
        EXPECT_EQ(sprite.CurrentFrameDelta(), c.Pending) << c.Mode << " " << c.SpriteInterval << " " << c.Delta;
        EXPECT_LE(steps, 8);
    }
}

int64_t vNow = 0;
int64_t FakeClock()
{
    return vNow;
}

TEST(GLAnimatedSprite, AManualCadencerStepsTheFramesAtTheirTimes)
{
    vNow = 1'000'000'000'000;
    SetClockSource(&FakeClock);
    auto* scene = new TVAVodad(nullptr);
    auto* sprite = TGLBaseSceneObject::CreateAsChild<TGLAnimatedSprite>(scene->Objects());
    TSpriteAnimation* animation = AddAnimation(*sprite, 0, 3);
    sprite->SetAnimationMode(samLoop);
    sprite->SetAnimationIndex(0);
    auto* cadencer = new TGLCadencer(nullptr);
    cadencer->SetMode(cmManual);
    cadencer->SetScene(scene);
    // Interval 100 ms: the frame changes at each tenth of a second, the remainder carried over.
    const struct {
        double Seconds;
        int32_t Frame;
    } ticks[] = {{0.25, 2}, {0.0625, 3}, {0.0625, 3}, {0.125, 1}, {0.5, 2}};
    for (const auto& t : ticks) {
        vNow += static_cast<int64_t>(t.Seconds * 1e9);
        cadencer->Progress();
        EXPECT_EQ(animation->CurrentFrame(), t.Frame) << cadencer->CurrentTime();
    }
    Free(cadencer);
    Free(scene);
    SetClockSource(nullptr);
}

TEST(GLAnimatedSprite, SettersHoldTheirRanges)
{
    TGLAnimatedSprite sprite(nullptr);
    TSpriteAnimation* animation = AddAnimation(sprite, 2, 6);
    sprite.SetAnimationIndex(-5);
    EXPECT_EQ(sprite.AnimationIndex(), -1);
    // Naming the animation rewinds it to its first frame, or its last in the backward modes.
    animation->SetCurrentFrame(4);
    sprite.SetAnimationIndex(0);
    EXPECT_EQ(animation->CurrentFrame(), 2);
    sprite.SetAnimationIndex(-1);
    sprite.SetAnimationMode(samLoopBackward);
    sprite.SetAnimationIndex(0);
    EXPECT_EQ(animation->CurrentFrame(), 6);
    animation->SetCurrentFrame(-7);
    EXPECT_EQ(animation->CurrentFrame(), -1);
    sprite.SetPixelRatio(0);
    sprite.SetPixelRatio(-3);
    EXPECT_EQ(sprite.PixelRatio(), 100);
    // The animations hold animations only.
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { new TSpriteAnimFrame(sprite.Animations()); })
                  .rfind("Addition of TSpriteAnimFrame to TSpriteAnimationList rejected.", 0),
              0u);
    EXPECT_EQ(sprite.Animations()->Count(), 1);
}

TEST(GLAnimatedSprite, AnimationsStreamWithTheSprite)
{
    TGLAnimatedSprite source(nullptr);
    source.SetName("Sprite");
    source.SetInterval(40);
    source.SetAnimationMode(samBounceForward);
    source.SetPixelRatio(64);
    source.SetMirrorV(true);
    TSpriteAnimation* grid = AddAnimation(source, 1, 7);
    grid->SetName("walk");
    grid->SetLibMaterialName("sheet");
    grid->SetFrameWidth(32);
    grid->SetFrameHeight(48);
    grid->SetInterval(125);
    grid->Margins()->SetLeft(1);
    grid->Margins()->SetBottom(-2);
    TSpriteAnimation* listed = AddAnimation(source, 0, 0);
    listed->SetDimensions(sfdManual);
    auto* frame = new TSpriteAnimFrame(listed->Frames());
    frame->SetOffsetX(10);
    frame->SetOffsetY(20);
    frame->SetWidth(30);
    frame->SetHeight(-40);
    source.SetAnimationIndex(1);
    listed->SetCurrentFrame(3); // kept: the index is read before the animations

    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(&source);
    stream.SetPosition(0);
    TGLAnimatedSprite target(nullptr);
    TReader(stream).ReadRootComponent(&target);

    EXPECT_EQ(target.Interval(), 40);
    EXPECT_EQ(target.AnimationMode(), samBounceForward);
    EXPECT_EQ(target.PixelRatio(), 64);
    EXPECT_TRUE(target.MirrorV());
    EXPECT_EQ(target.AnimationIndex(), 1);
    ASSERT_EQ(target.Animations()->Count(), 2);
    const TSpriteAnimation& a = *target.Animations()->Items(0);
    EXPECT_EQ(a.Name(), "walk");
    EXPECT_EQ(a.LibMaterialName(), "sheet");
    EXPECT_EQ(std::vector<int32_t>({a.CurrentFrame(), a.StartFrame(), a.EndFrame(), a.FrameWidth(), a.FrameHeight(),
                                    a.Interval(), a.Margins()->Left(), a.Margins()->Bottom()}),
              std::vector<int32_t>({0, 1, 7, 32, 48, 125, 1, -2}));
    const TSpriteAnimation& b = *target.Animations()->Items(1);
    EXPECT_EQ(b.Dimensions(), sfdManual);
    EXPECT_EQ(b.CurrentFrame(), 3);
    ASSERT_EQ(b.Frames()->Count(), 1);
    const TSpriteAnimFrame& f = *b.Frames()->Items(0);
    EXPECT_EQ(std::vector<int32_t>({f.OffsetX(), f.OffsetY(), f.Width(), f.Height()}),
              std::vector<int32_t>({10, 20, 30, -40}));

    // Without animations nothing is written for them.
    TGLAnimatedSprite empty(nullptr);
    TMemoryStream none;
    TWriter(none).WriteRootComponent(&empty);
    const std::string bytes(reinterpret_cast<const char*>(none.Memory()), static_cast<size_t>(none.Size()));
    EXPECT_EQ(bytes.find("SpriteAnimations"), std::string::npos);
}

// An "XCOL" stream of one animation written in the given version: frames 0..3 of 64 x 64, current 1.
std::unique_ptr<TMemoryStream> AnimationStream(int32_t version, int32_t frameVersion = 0)
{
    auto stream = std::make_unique<TMemoryStream>();
    TWriter writer(*stream);
    writer.WriteInteger(0x4C4F4358); // "XCOL"
    writer.WriteInteger(1);
    writer.WriteInteger(1);
    writer.WriteString("TSpriteAnimation");
    writer.WriteInteger(0);
    writer.WriteString("old");
    writer.WriteInteger(version);
    // Its frames: one frame of the given data version.
    for (const int32_t value : {0x4C4F4358, 1, 1}) writer.WriteInteger(value);
    writer.WriteString("TSpriteAnimFrame");
    writer.WriteInteger(0);
    writer.WriteString("");
    for (const int32_t value : {frameVersion, 1, 2, 3, 4}) writer.WriteInteger(value);
    writer.WriteString("sheet");
    for (const int32_t value : {1, 0, 3, 64, 64, 0}) writer.WriteInteger(value);
    if (version >= 1) writer.WriteInteger(80);
    if (version >= 2)
        for (const int32_t value : {5, 6, 7, 8}) writer.WriteInteger(value);
    stream->SetPosition(0);
    return stream;
}

TEST(GLAnimatedSprite, OlderAnimationVersionsReadAndUnknownOnesAreRefused)
{
    const struct {
        int32_t Version, Interval, Bottom;
    } cases[] = {{0, 0, 0}, {1, 80, 0}, {2, 80, 8}};
    for (const auto& c : cases) {
        TGLAnimatedSprite sprite(nullptr);
        auto stream = AnimationStream(c.Version);
        TReader reader(*stream);
        sprite.Animations()->ReadFromFiler(reader);
        ASSERT_EQ(sprite.Animations()->Count(), 1) << c.Version;
        const TSpriteAnimation& a = *sprite.Animations()->Items(0);
        EXPECT_EQ(a.CurrentFrame(), 1);
        EXPECT_EQ(a.EndFrame(), 3);
        EXPECT_EQ(a.Frames()->Items(0)->Height(), 4);
        EXPECT_EQ(a.Interval(), c.Interval) << c.Version;
        EXPECT_EQ(a.Margins()->Bottom(), c.Bottom) << c.Version;
    }
    for (const auto& versions : {std::pair{3, 0}, std::pair{-1, 0}, std::pair{2, 1}}) {
        TGLAnimatedSprite sprite(nullptr);
        auto stream = AnimationStream(versions.first, versions.second);
        const std::string message = MessageOf<EAssertionFailed>([&] {
            TReader reader(*stream);
            sprite.Animations()->ReadFromFiler(reader);
        });
        EXPECT_EQ(message, "Assertion failure (VAVodad\\Source\\GLAnimatedSprite)");
    }
}

// ---------------------------------------------------------------------------------------------------------
// On the recording fake OpenGL.

class GLAnimatedSpriteDrawing : public RecordingDrawFixture {
protected:
    GLAnimatedSpriteDrawing()
    {
        TGLBlankImage sheet(nullptr);
        sheet.SetWidth(256);
        sheet.SetHeight(128);
        TGLLibMaterial* material = Library->Materials()->Add();
        material->SetName("sheet");
        material->Material()->Texture()->SetImage(&sheet);
        Sprite.SetMaterialLibrary(Library);
        Animation->SetLibMaterialName("sheet");
        Animation->SetFrameWidth(64);
        Animation->SetFrameHeight(64);
        Sprite.SetAnimationIndex(0);
    }
    ~GLAnimatedSpriteDrawing() override { Free(Library); }

    // The corners right-top, left-top, left-bottom, right-bottom as (s, t, x, y) and their half sizes.
    void ExpectQuad(float sLeft, float sRight, float tBottom, float tTop, float half)
    {
        ASSERT_EQ(Sent.size(), 4u);
        const float x[4] = {half, -half, -half, half}, y[4] = {half, half, -half, -half};
        const float s[4] = {sRight, sLeft, sLeft, sRight}, t[4] = {tTop, tTop, tBottom, tBottom};
        for (int k = 0; k < 4; ++k) {
            EXPECT_FLOAT_EQ(Sent[k].X, x[k]) << k;
            EXPECT_FLOAT_EQ(Sent[k].Y, y[k]) << k;
            EXPECT_FLOAT_EQ(Sent[k].S, s[k]) << k;
            EXPECT_FLOAT_EQ(Sent[k].T, t[k]) << k;
        }
    }

    TGLMaterialLibrary* Library = new TGLMaterialLibrary(nullptr);
    TGLAnimatedSprite Sprite{nullptr};
    TSpriteAnimation* Animation = AddAnimation(Sprite, 0, 7);
};

TEST_F(GLAnimatedSpriteDrawing, AGridFrameIsCutFromTheSheet)
{
    // Frame 5 of a 256 x 128 sheet of 64 x 64 cells: pixels (64, 64)-(127, 127), 0.63 units at ratio 100.
    Animation->SetCurrentFrame(5);
    Draw(Sprite);
    ExpectQuad(0.25f, 0.49609375f, 0.0078125f, 0.5f, 0.315f);
    Sprite.SetMirrorU(true);
    Draw(Sprite);
    ExpectQuad(0.49609375f, 0.25f, 0.0078125f, 0.5f, 0.315f);
    Sprite.SetMirrorU(false);
    // Margins trim the cell.
    Animation->Margins()->SetLeft(2);
    Animation->Margins()->SetRight(2);
    Animation->Margins()->SetTop(2);
    Animation->Margins()->SetBottom(2);
    Draw(Sprite);
    ExpectQuad(66.0f / 256, 125.0f / 256, 1 - 125.0f / 128, 1 - 66.0f / 128, 0.295f);
    // A listed frame ignores the margins.
    Animation->SetDimensions(sfdManual);
    auto* frame = new TSpriteAnimFrame(Animation->Frames());
    frame->SetOffsetX(64);
    frame->SetWidth(64);
    frame->SetHeight(64);
    Animation->SetCurrentFrame(0);
    Draw(Sprite);
    ExpectQuad(0.25f, 0.49609375f, 1 - 63.0f / 128, 1, 0.315f);
}

TEST_F(GLAnimatedSpriteDrawing, WithoutAUsableFrameOrMaterialAUnitQuadOrNothing)
{
    // No usable rectangle or no material: a unit quad with texture coordinates 0.
    const struct {
        int32_t FrameWidth;
        const char* Material;
    } unitQuads[] = {{300, "sheet"}, {0, "sheet"}, {-64, "sheet"}, {64, "none"}};
    for (const auto& c : unitQuads) {
        Animation->SetFrameWidth(c.FrameWidth);
        Animation->SetLibMaterialName(c.Material);
        Animation->SetCurrentFrame(1);
        Draw(Sprite);
        ExpectQuad(0, 0, 0, 0, 0.5f);
    }
    // No current frame: nothing at all.
    Animation->SetFrameWidth(64);
    Animation->SetLibMaterialName("sheet");
    const std::vector<std::function<void()>> nothing = {
        [&] { Animation->SetCurrentFrame(-1); },
        [&] { Animation->SetCurrentFrame(8); }, // past EndFrame
        [&] {
            Animation->SetCurrentFrame(0);
            Animation->SetDimensions(sfdManual); // no frames listed
        },
        [&] { Sprite.SetAnimationIndex(4); },
    };
    for (const auto& make : nothing) {
        make();
        Draw(Sprite);
        EXPECT_TRUE(GL->Calls.empty());
    }
}

TEST_F(GLAnimatedSpriteDrawing, NoCachedMaterialOutlivesItsLibrary)
{
    Animation->SetCurrentFrame(5);
    ASSERT_NE(Animation->LibMaterialCached(), nullptr);
    // The material freed: found no more, and the quad falls back to the unit one.
    Library->Materials()->Delete(0);
    EXPECT_EQ(Animation->LibMaterialCached(), nullptr);
    Draw(Sprite);
    ExpectQuad(0, 0, 0, 0, 0.5f);
    // The library freed: the sprite forgets it.
    Free(Library);
    Library = nullptr;
    EXPECT_EQ(Sprite.MaterialLibrary(), nullptr);
    EXPECT_EQ(Animation->LibMaterialCached(), nullptr);
}

// ---------------------------------------------------------------------------------------------------------
// Through the memory viewer.

class GLAnimatedSpriteRender : public SceneRenderFixture {};

TEST_F(GLAnimatedSpriteRender, ASheetAnimatesOnScreenUnderAManualCadencer)
{
    // Two 16 x 16 frames side by side: red, then green.
    TBitmap sheet;
    sheet.SetPixelFormat(pf32bit);
    sheet.SetSize(32, 16);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 32; ++x)
            std::memcpy(sheet.ScanLine(y) + 4 * x, x < 16 ? "\x00\x00\xff\xff" : "\x00\xff\x00\xff", 4);
    auto* library = new TGLMaterialLibrary(nullptr);
    library->AddTextureMaterial("sheet", &sheet);
    auto* sprite = TGLBaseSceneObject::CreateAsChild<TGLAnimatedSprite>(Scene->Objects());
    sprite->Position()->SetPoint(0, 0, -5);
    sprite->SetMaterialLibrary(library);
    sprite->SetPixelRatio(8); // a frame is about 2 units, some 14 pixels here
    TSpriteAnimation* animation = AddAnimation(*sprite, 0, 1);
    animation->SetLibMaterialName("sheet");
    animation->SetFrameWidth(16);
    animation->SetFrameHeight(16);
    sprite->SetAnimationMode(samLoop);
    sprite->SetAnimationIndex(0);

    vNow = 1'000'000'000'000;
    SetClockSource(&FakeClock);
    auto* cadencer = new TGLCadencer(nullptr);
    cadencer->SetMode(cmManual);
    cadencer->SetScene(Scene);
    const auto red = [](TColor c) { return (c & 0xFF) > 150 && ((c >> 8) & 0xFF) < 60; };
    const auto green = [](TColor c) { return (c & 0xFF) < 60 && ((c >> 8) & 0xFF) > 150; };
    // Interval 100 ms over two frames; the times are exact binary fractions, clear of the frame boundaries.
    const struct {
        double Seconds;
        bool Red;
    } ticks[] = {{0, true}, {0.0625, true}, {0.0625, false}, {0.125, true}, {0.1875, true}, {0.125, false}};
    for (const auto& t : ticks) {
        vNow += static_cast<int64_t>(t.Seconds * 1e9);
        cadencer->Progress();
        Render();
        const TColor centre = Pixel(cWidth / 2, cHeight / 2);
        EXPECT_TRUE(t.Red ? red(centre) : green(centre)) << cadencer->CurrentTime() << ": " << std::hex << centre;
        EXPECT_EQ(Pixel(cWidth / 2 + 12, cHeight / 2), clBlack) << cadencer->CurrentTime();
    }
    Free(cadencer);
    SetClockSource(nullptr);
    Free(library);
}

} // namespace
