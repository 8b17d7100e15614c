// The interface as a player meets it, by messages posted to the game's window and view: the main menu's buttons
// under the pointer, a new game through the name entry and the character screen into the start map, the journal,
// the menu, the character screen, the minimap, a tooltip and the credits. The tests follow one another on the same
// game; the frames a person would look at are kept as pictures.
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GameWindow.h"
#include "RandomGenerator.h"
#include "UGH_tables.h"
#include "VirtualKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using testing::HasSubstr;

constexpr double cFrame = 0.5;

class GameInterface : public GameWindow {
protected:
    static void Picture(const std::string& name) { SavePicture(*Snapshot(), "interface-" + name + ".png"); }
    static void Click(int32_t id) { ClickGameButton(id, cFrame); }
    static const std::string& ButtonMaterial(int32_t id)
    {
        return Game().gbsprites[id]->Material()->LibMaterialName();
    }
    static void Answer() { AnswerRequest(cFrame); }
};

TEST_F(GameInterface, NewGameLightsUnderThePointerAndOpensTheNameEntry)
{
    SetRandSeed(2023);
    StepFrames(1, cFrame);
    ASSERT_TRUE(mmmode);
    ASSERT_FALSE(rfmode);
    EXPECT_EQ(ButtonMaterial(20), "but_0");
    MoveMouse(gbuttons[20].x, gbuttons[20].y);
    EXPECT_EQ(hoverbut, 20);
    StepFrames(1, cFrame);
    EXPECT_EQ(ButtonMaterial(20), "but_1");
    Picture("1-menu");
    MoveMouse(0, scrh - 1);
    StepFrames(1, cFrame);
    EXPECT_EQ(ButtonMaterial(20), "but_0");

    Click(20);
    EXPECT_FALSE(mmmode);
    EXPECT_TRUE(chargen);
    EXPECT_TRUE(invmode);
    ASSERT_TRUE(rfmode);
    EXPECT_EQ(rfcase, 0);
    EXPECT_EQ(rftitle, strarr[89]);
}

TEST_F(GameInterface, TheTypedNameAndTheCharacterScreensOkStartTheGame)
{
    ASSERT_TRUE(rfmode && rfcase == 0) << "runs after the name entry opened";
    TypeText(u"Ann");
    EXPECT_EQ(rftext, "Ann");
    StepFrames(1, cFrame);
    Picture("2-name-entry");
    Answer();
    EXPECT_EQ(player.name, "Ann");
    EXPECT_TRUE(chargen);

    Click(0);
    EXPECT_FALSE(chargen);
    EXPECT_FALSE(invmode);
    EXPECT_TRUE(ingame);
    EXPECT_EQ(mapid, "startmap");
    EXPECT_EQ(player.name, "Ann");
    // The start map's standing stone speaks first.
    ASSERT_TRUE(rfmode);
    EXPECT_EQ(rfcase, 10);
    Answer();
}

TEST_F(GameInterface, JShowsTheJournalsOnlyPage)
{
    ASSERT_TRUE(ingame && !rfmode) << "runs on the start map";
    TypeText(u"j");
    StepFrames(1, cFrame);
    ASSERT_TRUE(rfmode);
    EXPECT_EQ(rfcase, 44);
    EXPECT_EQ(rftitle, strarr[389]);
    EXPECT_THAT(rftext, HasSubstr(strarr[391] + " 1/1"));
    StepFrames(1, cFrame); // the form is drawn from the frame after it is taken
    Picture("3-journal");
    // The second button closes the journal.
    Click(49);
    EXPECT_FALSE(rfmode);
}

TEST_F(GameInterface, EscShowsTheMenuAndTakesItAwayAndF10NamesTheModes)
{
    ASSERT_TRUE(ingame && !mmmode && !rfmode) << "runs on the start map";
    PressKey(VK_ESCAPE);
    StepFrames(1, cFrame);
    EXPECT_TRUE(mmmode);
    EXPECT_TRUE(gbuttons[52].visible);
    // F10 names the modes set in a message box.
    PressKey(VK_F1 + 9);
    ASSERT_EQ(MessageBoxes().Shown().size(), 1u);
    EXPECT_EQ(MessageBoxes().Shown()[0].Text, "mmmode ");
    PressKey(VK_ESCAPE);
    StepFrames(1, cFrame);
    EXPECT_FALSE(mmmode);
    EXPECT_TRUE(ingame);
}

TEST_F(GameInterface, TabOpensAndClosesTheCharacterScreen)
{
    ASSERT_TRUE(ingame && !mmmode && !invmode) << "runs on the start map";
    PressKey(VK_TAB);
    StepFrames(1, cFrame);
    EXPECT_TRUE(invmode);
    EXPECT_TRUE(gbuttons[0].visible);
    PressKey(VK_TAB);
    StepFrames(1, cFrame);
    EXPECT_FALSE(invmode);
    EXPECT_FALSE(gbuttons[0].visible);
}

TEST_F(GameInterface, MHidesTheMinimap)
{
    ASSERT_TRUE(minimapon);
    TypeText(u"m");
    StepFrames(1, cFrame);
    EXPECT_FALSE(minimapon);
    TypeText(u"m");
    StepFrames(1, cFrame);
    EXPECT_TRUE(minimapon);
}

TEST_F(GameInterface, AnIconShowsItsTooltipUnderThePointer)
{
    ASSERT_TRUE(ingame && !mmmode && !rfmode) << "runs on the start map";
    StepFrames(1, cFrame);
    ASSERT_TRUE(gbuttons[5].visible);
    MoveMouse(gbuttons[5].x, gbuttons[5].y);
    StepFrames(1, cFrame);
    EXPECT_TRUE(Game().dctooltip->Visible());
    EXPECT_EQ(Game().tooltiptxt->Text(), strarr[263]);
    EXPECT_EQ(ButtonMaterial(5), "search_1");
    Picture("4-tooltip");
    MoveMouse(scrw / 2, scrh / 2);
    StepFrames(1, cFrame);
    EXPECT_FALSE(Game().dctooltip->Visible());
}

TEST_F(GameInterface, BackInTheMenuTheCreditsShowPageByPage)
{
    ASSERT_TRUE(ingame && !mmmode && !rfmode) << "runs on the start map";
    PressKey(VK_ESCAPE);
    StepFrames(1, cFrame);
    ASSERT_TRUE(mmmode);
    Click(61);
    // 43 lines: pages of 20, 20 and 3 lines.
    for (const int lines : {20, 20, 3}) {
        ASSERT_TRUE(rfmode);
        EXPECT_EQ(rfcase, 10);
        EXPECT_EQ(rftitle, strarr[398]);
        int breaks = 0;
        for (std::size_t at = rftext.find("\r\n"); at != std::string::npos; at = rftext.find("\r\n", at + 2))
            ++breaks;
        EXPECT_EQ(breaks, lines);
        StepFrames(1, cFrame);
        if (rftext.starts_with("MIREFALL")) Picture("5-credits");
        Click(48);
    }
    EXPECT_FALSE(rfmode);
    EXPECT_TRUE(mmmode);
}

} // namespace
