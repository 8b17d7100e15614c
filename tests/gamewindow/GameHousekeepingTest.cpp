// The running game's housekeeping on a real view: the one-second caption with the viewer's frame rate, and a
// screenshot of the view written as a JPEG of the view's size.
#include "GLWin32Viewer.h"
#include "GameWindow.h"
#include "JPEG.h"
#include "UGH_data.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

class GameHousekeeping : public GameWindow {};

TEST_F(GameHousekeeping, TheCaptionShowsTheVersionTheFrameRateWithItsUnitAndTheViewDistance)
{
    StepFrames(10);
    // The timer writes the caption before it adjusts the view distance to the frame rate.
    const int32_t shownViewdist = viewdist;
    Game().Timer2Timer(nullptr);
    const std::string caption = Game().Caption();
    EXPECT_EQ(caption.rfind("Mirefall v. " + appversion + ". FPS: ", 0), 0u) << caption;
    EXPECT_NE(caption.find(" FPS. View dist.: " + std::to_string(shownViewdist) + " MBD count: "), std::string::npos)
        << caption;
}

TEST_F(GameHousekeeping, AScreenshotIsAJPEGOfTheViewInTheScreenshotsFolder)
{
    StepFrames(2);
    // The shot goes into a folder of the test's own, not into the demo adventure.
    TempFolder folder;
    const std::string programFolder = gamedir;
    gamedir = folder.path.string();
    Game().TakeSnapShot();
    gamedir = programFolder;

    const std::filesystem::path shot = folder.path / "screenshots" / "sshot_1.jpg";
    ASSERT_TRUE(std::filesystem::exists(shot)) << ::testing::PrintToString(Log().Texts());
    TJPEGImage jpeg;
    jpeg.LoadFromFile(shot.string());
    EXPECT_EQ(jpeg.Width(), Game().VAVodadViewer1->Width());
    EXPECT_EQ(jpeg.Height(), Game().VAVodadViewer1->Height());
}

} // namespace
