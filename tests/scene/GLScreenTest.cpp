// Display modes on a screen of the test's own (the display-settings service swapped), and the full-screen
// viewer's settings that need no window.
#include "GLFullScreenViewer.h"
#include "GLScreen.h"
#include "Raises.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using ::testing::StartsWith;

namespace {

// A screen offering the given modes (bits, width, height, rate); it accepts exactly those sizes and depths.
class ScreenModes : public ::testing::Test {
protected:
    void Offer(std::vector<TDevMode> modes, TDevMode current = Mode(32, 1024, 768, 60))
    {
        Modes = std::move(modes);
        SetDisplaySettingsProcs(
            [this, current](int32_t n, TDevMode& dm) {
                if (n == ENUM_CURRENT_SETTINGS) {
                    dm = current;
                    return true;
                }
                if (n < 0 || n >= static_cast<int32_t>(Modes.size())) return false;
                dm = Modes[n];
                return true;
            },
            [this](const TDevMode* dm, uint32_t flags) {
                if (!dm) {
                    Restores++;
                    return DISP_CHANGE_SUCCESSFUL;
                }
                const bool known = std::any_of(Modes.begin(), Modes.end(), [dm](const TDevMode& m) {
                    return m.dmBitsPerPel == dm->dmBitsPerPel && m.dmPelsWidth == dm->dmPelsWidth &&
                           m.dmPelsHeight == dm->dmPelsHeight;
                });
                if (!(flags & CDS_TEST)) Switches.push_back(*dm);
                return known ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
            });
    }
    void TearDown() override
    {
        DoneGLScreen();
        SetDisplaySettingsProcs(nullptr, nullptr);
    }
    static TDevMode Mode(uint32_t bits, uint32_t width, uint32_t height, uint32_t rate)
    {
        return TDevMode{DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY, bits, width, height, rate};
    }

    std::vector<TDevMode> Modes;
    std::vector<TDevMode> Switches;
    int Restores = 0;
};

TEST_F(ScreenModes, TheTableMergesRatesAndKeepsOnlyModesTheScreenTakes)
{
    Offer({Mode(32, 800, 600, 60), Mode(32, 800, 600, 360), Mode(32, 800, 600, 75), Mode(16, 640, 480, 60)});
    ReadVideoModes();
    ASSERT_EQ(VideoModeCount, 3);
    EXPECT_EQ(VideoModes[0].Description, "default");
    EXPECT_EQ(VideoModes[0].Width, 1024);
    EXPECT_EQ(VideoModes[0].ColorDepth, 32);
    EXPECT_EQ(VideoModes[1].Description, "800 x 600, 32 bpp");
    EXPECT_EQ(VideoModes[1].MaxFrequency, 360); // the highest rate, whole
    EXPECT_EQ(VideoModes[2].Description, "640 x 480, 16 bpp");
    // The screen refuses the nonsense mode, so it was asked for the low-resolution ones, and took none.
    AddVideoMode(Mode(24, 1280, 1024, 60)); // not offered: refused
    EXPECT_EQ(VideoModeCount, 3);
}

TEST_F(ScreenModes, TheClosestModeIsTheSmallestAtLeastAsLarge)
{
    struct Case {
        std::vector<TDevMode> modes;
        int expected;
    };
    const Case cases[] = {
        {{Mode(32, 800, 600, 60), Mode(32, 1024, 768, 60)}, 1},
        {{Mode(32, 1024, 768, 60), Mode(32, 800, 600, 60)}, 2},
        {{Mode(32, 1024, 768, 60), Mode(16, 800, 600, 60)}, 1},
        {{Mode(32, 640, 480, 60), Mode(16, 640, 480, 60)}, 0},
    };
    for (const Case& c : cases) {
        Offer(c.modes);
        EXPECT_EQ(ClosestVideoMode(800, 600, 32), c.expected);
        DoneGLScreen();
    }
}

TEST_F(ScreenModes, ApplyingAModeAsksForAtMostItsHighestRateAndRestoringClearsIt)
{
    Offer({Mode(32, 800, 600, 75)});
    ReadVideoModes();
    ASSERT_TRUE(ApplyVideoMode(1, 100));
    ASSERT_EQ(Switches.size(), 1u);
    EXPECT_EQ(Switches[0].dmDisplayFrequency, 75u);
    EXPECT_TRUE(Switches[0].dmFields & DM_DISPLAYFREQUENCY);
    EXPECT_EQ(CurrentVideoMode, 1);
    ASSERT_TRUE(ApplyVideoMode(1, 0)); // any rate
    EXPECT_FALSE(Switches[1].dmFields & DM_DISPLAYFREQUENCY);
    EXPECT_FALSE(ApplyVideoMode(7, 0));
    DoneGLScreen(); // the module's end puts the desktop mode back
    EXPECT_EQ(Restores, 1);
    EXPECT_EQ(CurrentVideoMode, 0);
}

TEST_F(ScreenModes, AFullScreenViewerThatFindsNoModeLeavesNothingBehind)
{
    Offer({Mode(32, 640, 480, 60)});
    TGLFullScreenViewer viewer(nullptr);
    EXPECT_EQ(MessageOf([&] { viewer.SetActive(true); }), "Unsupported video mode");
    EXPECT_FALSE(viewer.Active());
    EXPECT_EQ(viewer.Form(), nullptr); // the window made for it is gone
    EXPECT_TRUE(Switches.empty());
    EXPECT_EQ(Restores, 0);
}

TEST(FullScreenViewer, UnbalancedEndUpdateIsReportedAndTheCountStaysAtZero)
{
    TGLFullScreenViewer viewer(nullptr);
    EXPECT_EQ(viewer.Width(), 800);
    EXPECT_EQ(viewer.Height(), 600);
    EXPECT_EQ(viewer.VSync(), vsmSync);
    EXPECT_EQ(viewer.ScreenDepth(), sd32bits);
    ASSERT_THAT(MessageOf<EAssertionFailed>([&] { viewer.EndUpdate(); }), StartsWith("Unbalanced Begin/EndUpdate"));
    viewer.BeginUpdate();
    viewer.EndUpdate(); // balanced again: the count was 0
}

} // namespace
