// The game started on the demo adventure as the program starts it: the start-up reaches its last stage with the
// main-menu level, the frames that follow run every block without a failure, and the first frame is kept as a
// picture.
#include "GLCadencer.h"
#include "GLColor.h"
#include "GLMaterial.h"
#include "GLWin32Viewer.h"
#include "GameWindow.h"
#include "PngImage.h"
#include "ProcessUntil.h"
#include "UGH_data.h"
#include "UGHSplash.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>

namespace {

class GameStartUp : public GameWindow {};

TEST_F(GameStartUp, ReachesTheLastStageOnTheMainMenuLevelWithItsWallSetLoaded)
{
    EXPECT_EQ(loadstage, 15);
    EXPECT_FALSE(loading);
    EXPECT_TRUE(mmmode);
    EXPECT_EQ(mapid, "mm_map");
    EXPECT_FALSE(levelbusy);
    EXPECT_TRUE(Game().GLCadencer1->Enabled());
    EXPECT_TRUE(Game().Visible());
    // The menu level's torch lights a new character.
    EXPECT_FLOAT_EQ(Game().playerlight->ConstAttenuation(), 0.5f);
    EXPECT_NEAR(Game().playerlight->Diffuse()->Blue(), 0.1, 1.0 / 255);
    EXPECT_EQ(std::make_tuple(player.lvl, player.xpreq, player.name), std::make_tuple(1, 1000, "Character"));
    // Wall set 0 has all ten pictures: none of its materials fell back to the empty picture.
    for (int k = 0; k <= 9; ++k) {
        const std::string name = "etex_0_" + std::to_string(k);
        const TGLLibMaterial* material = Game().matlib->LibMaterialByName(name);
        ASSERT_NE(material, nullptr) << name;
        EXPECT_FALSE(material->Material()->Texture()->Disabled()) << name;
        EXPECT_EQ(StartUpLog().find('"' + name + "\" shows"), std::string::npos) << StartUpLog();
    }
    // The splash hides itself on its timer's next tick once loading is over.
    EXPECT_TRUE(ProcessUntil([] { return !Form10->Visible(); }, 1000));
}

TEST_F(GameStartUp, FramesRunEveryBlockWithoutATagInTheCaptionAndArePainted)
{
    TGLCadencer& clock = *Game().GLCadencer1;
    const double startTime = clock.CurrentTime();
    const int64_t painted = PaintedFrames();
    // Block b5 lays out the view's halves on every frame.
    halfw = halfh = -1;
    StepFrames(12);
    EXPECT_NEAR(clock.CurrentTime() - startTime, 0.2, 1e-9);
    EXPECT_EQ(frameerrors, "");
    EXPECT_FALSE(framebusy);
    EXPECT_FALSE(framerunning);
    for (const char* tag : {"b1", "b2", "b3", "b4", "b5", "b6", "b7", "b8", "procbts", "Render errors"})
        EXPECT_EQ(Game().Caption().find(tag), std::string::npos) << Game().Caption();
    EXPECT_EQ(scrw, Game().VAVodadViewer1->Width());
    EXPECT_EQ(scrh, Game().VAVodadViewer1->Height());
    EXPECT_EQ(halfw, scrw / 2);
    EXPECT_EQ(halfh, scrh / 2);
    EXPECT_GE(PaintedFrames() - painted, 12);
    EXPECT_TRUE(clock.Enabled());
    EXPECT_FALSE(Log().Contains("OpenGL error")) << testing::PrintToString(Log().Texts());
}

TEST_F(GameStartUp, TheCaptionTimerShowsTheVersionFrameRateAndViewDistance)
{
    // The caption timer runs on real time: frames go on until it has fired since this test began.
    Game().SetCaption("");
    const auto start = std::chrono::steady_clock::now();
    while (Game().Caption().empty() && std::chrono::steady_clock::now() - start < std::chrono::seconds(3))
        StepFrames(1);
    EXPECT_THAT(appversion, testing::MatchesRegex("[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+"));
    const std::string caption = Game().Caption();
    const std::string head = "Mirefall v. " + appversion + ". FPS: ";
    ASSERT_EQ(caption.substr(0, head.size()), head);
    EXPECT_THAT(caption.substr(head.size()),
                testing::MatchesRegex("[0-9]+\\.[0-9] FPS\\. View dist\\.: [0-9]+ MBD count: [0-9]+"));
    // The caption is written before the same tick moves the view distance a step toward the wanted frame rate.
    const std::size_t at = caption.find("View dist.: ") + std::string("View dist.: ").size();
    EXPECT_LE(std::abs(std::stoi(caption.substr(at)) - viewdist), 1) << caption;
}

// The share of the frame's pixels that differ from its bottom-left one (the background there).
double DrawnShare(const TBitmap& frame)
{
    const int bpp = frame.BytesPerPixel();
    const uint8_t* corner = frame.ScanLine(frame.Height() - 1);
    int64_t drawn = 0;
    for (int32_t y = 0; y < frame.Height(); ++y) {
        const uint8_t* row = frame.ScanLine(y);
        for (int32_t x = 0; x < frame.Width(); ++x) drawn += !std::equal(corner, corner + 3, row + x * bpp);
    }
    return static_cast<double>(drawn) / (static_cast<double>(frame.Width()) * frame.Height());
}

TEST_F(GameStartUp, TheFirstFrameIsDrawnAndSavedAsAPicture)
{
    TBitmap& frame = FirstFrame();
    EXPECT_EQ(frame.Width(), Game().VAVodadViewer1->Width());
    EXPECT_EQ(frame.Height(), Game().VAVodadViewer1->Height());
    // The main menu's pictures stand on the background.
    EXPECT_GT(DrawnShare(frame), 0.01);
    SavePicture(frame, "main-menu-first-frame.png");
    const std::filesystem::path file = ArtefactPath("main-menu-first-frame.png");
    TPngImage back;
    back.LoadFromFile(file.string());
    EXPECT_EQ(back.Width(), frame.Width());
    EXPECT_EQ(back.Height(), frame.Height());
}

} // namespace
