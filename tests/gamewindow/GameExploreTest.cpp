// A walk through the start map as a player makes it, by keys posted to the game's window: the new game's opening
// text, the silver door that waits for the shrine's key, a chest, the teleport to the courtyard, an altar and the
// exit down to the crypt. The tests follow one another on the same game; each key frame is kept as a picture.
#include "GLCoordinates.h"
#include "GLObjects.h"
#include "GLSkyBox.h"
#include "GameWindow.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "VAVodad.h"
#include "VirtualKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

using testing::HasSubstr;

// Frames of half a second: a step glides over a cell in one, a turn takes two.
constexpr double cFrame = 0.5;

class GameExplore : public GameWindow {
protected:
    // A step or a turn has ended: the camera stands on the player's cell and looks the player's way.
    static bool Settled()
    {
        int32_t dx = 0, dy = 0;
        TForm1::GetDirsFromLookside(lookside, dx, dy);
        const TGLCoordinates& at = *Game().mcam->Position();
        const TGLCoordinates& looking = *Game().mcam->Direction();
        return at.X() == 20 * playerx && at.Y() == 20 * playery && at.Z() == levelgrid[playerx][playery].plz &&
               looking.X() == dx && looking.Y() == dy;
    }
    static void Settle()
    {
        for (int frame = 0; frame < 6 && !Settled(); ++frame) StepFrames(1, cFrame);
        ASSERT_TRUE(Settled());
    }
    static void Walk(uint16_t key)
    {
        PressKey(key);
        Settle();
    }
    // The request on screen, answered with Enter.
    static void Answer()
    {
        ASSERT_TRUE(rfmode);
        PressKey(VK_RETURN);
        EXPECT_FALSE(rfmode);
    }
    static void Picture(const std::string& name) { SavePicture(*Snapshot(), "explore-" + name + ".png"); }
    static std::tuple<int32_t, int32_t, int32_t> Where() { return {playerx, playery, lookside}; }
};

TEST_F(GameExplore, ANewGameOpensOnTheStartMapWithTheStandingStonesText)
{
    SetRandSeed(2022);
    // What the main menu's new game sets before the character screen, whose OK starts the game.
    mmmode = false;
    ingame = true;
    Game().StartNewGame();
    EXPECT_EQ(std::make_tuple(mapid, levelno), std::make_tuple(std::string("startmap"), -1));
    EXPECT_EQ(Where(), std::make_tuple(startx, starty, startdir));
    EXPECT_EQ(Where(), std::make_tuple(1, 1, 0));
    // Cell (17, 9) holds the stone; its text waits for the frame that shows it.
    EXPECT_TRUE(explored[17][9]);
    StepFrames(1, cFrame);
    ASSERT_TRUE(rfmode);
    EXPECT_EQ(rfcase, 10);
    EXPECT_THAT(rftitle, HasSubstr("The Standing Stone"));
    EXPECT_THAT(rftext, HasSubstr("silver key"));
    Picture("1-opening-text");
    Answer();
    EXPECT_FALSE(rfqueue[1].active);
}

TEST_F(GameExplore, WithoutAKeyTheSilverDoorStaysShut)
{
    ASSERT_EQ(Where(), std::make_tuple(1, 1, 0)) << "runs after the new game";
    Walk(VK_UP);
    EXPECT_EQ(Where(), std::make_tuple(2, 1, 0));
    ASSERT_EQ(keys1, 0);
    PressKey(VK_SPACE);
    ASSERT_TRUE(rfqueue[1].active);
    EXPECT_EQ(std::make_tuple(rfqueue[1].ttl_text, rfqueue[1].main_text), std::make_tuple(strarr[19], strarr[20]));
    StepFrames(1, cFrame);
    EXPECT_FALSE(levelgrid[3][1].passable);
    Picture("2-locked-door");
    Answer();
    Walk(VK_UP);
    EXPECT_EQ(Where(), std::make_tuple(2, 1, 0));
}

TEST_F(GameExplore, TheShrineToTheLeftGivesItsKeyAndStandsEmpty)
{
    ASSERT_EQ(Where(), std::make_tuple(2, 1, 0)) << "runs after the locked door";
    Walk(VK_LEFT);
    Walk(VK_UP);
    EXPECT_EQ(Where(), std::make_tuple(2, 2, 3));
    EXPECT_EQ(keys1, 1);
    EXPECT_EQ(levelgrid[2][2].spritename, rndons[12]);
    EXPECT_FALSE(levelgrid[2][2].trap);
    // The shrine's script says what was found, at the next frames; OK puts the message away.
    for (int frame = 0; frame < 6 && !rfmode; ++frame) StepFrames(1, cFrame);
    Picture("3-empty-shrine");
    Answer();
}

TEST_F(GameExplore, BackAtTheDoorTheKeyOpensIt)
{
    ASSERT_EQ(Where(), std::make_tuple(2, 2, 3)) << "runs after the shrine";
    Walk(VK_DOWN);
    Walk(VK_RIGHT);
    EXPECT_EQ(Where(), std::make_tuple(2, 1, 0));
    PressKey(VK_SPACE);
    EXPECT_TRUE(levelgrid[3][1].passable);
    EXPECT_EQ(keys1, 0);
    EXPECT_FALSE(rfqueue[1].active);
    StepFrames(1, cFrame);
    Picture("4-door-open");
    Walk(VK_UP);
    EXPECT_EQ(Where(), std::make_tuple(3, 1, 0));
}

TEST_F(GameExplore, TheChestBehindTheDoorOpens)
{
    ASSERT_EQ(Where(), std::make_tuple(3, 1, 0)) << "runs after the door opened";
    PressKey(VK_SPACE);
    EXPECT_TRUE(levelgrid[4][1].passable);
    // What it held is told: the silver door's chest offers a choice of cards, under a title of its own.
    StepFrames(1, cFrame);
    Picture("5-chest-opened");
    std::vector<std::string> titles;
    for (int n = 0; n < 3 && rfmode; ++n) {
        titles.push_back(rftitle);
        Answer();
        StepFrames(1, cFrame);
    }
    ASSERT_FALSE(titles.empty()) << "the chest's find is told";
    EXPECT_NE(titles.front(), "");
    Walk(VK_UP);
    EXPECT_EQ(Where(), std::make_tuple(4, 1, 0));
}

TEST_F(GameExplore, TheTeleportKeepsTheFacingAndPutsTheCameraOnTheCourtyard)
{
    ASSERT_EQ(Where(), std::make_tuple(4, 1, 0)) << "runs after the chest";
    PressKey(VK_UP);
    EXPECT_EQ(Where(), std::make_tuple(7, 9, 0));
    EXPECT_GT(glowtime, 0.0);
    // One short frame: a glide would have moved the camera by less than a unit.
    StepFrames(1, 0.01);
    const TGLCoordinates& camera = *Game().mcam->Position();
    EXPECT_EQ(std::make_tuple(camera.X(), camera.Y()), std::make_tuple(140.0f, 180.0f));
    EXPECT_EQ(std::make_tuple(curarea1, curarea2), std::make_tuple(1, 1));
    // Under the open sky the sky box shows, and the courtyard's grass.
    EXPECT_TRUE(Game().GLSkyBox1->Visible());
    EXPECT_TRUE(cellgrass[8][9][0] && cellgrass[8][9][0]->Visible());
    Settle();
    // The adventure says where the teleport took the player; OK puts the message away.
    for (int frame = 0; frame < 6 && !rfmode; ++frame) StepFrames(1, cFrame);
    Picture("6-courtyard");
    Answer();
}

TEST_F(GameExplore, TheAltarAcrossTheCourtyardRaisesAnAttributeOnce)
{
    ASSERT_EQ(Where(), std::make_tuple(7, 9, 0)) << "runs after the teleport";
    const auto attributes = [] { return player.bstr + player.bint + player.bspd + player.bend; };
    const int32_t before = attributes();
    for (int step = 0; step < 5; ++step) Walk(VK_UP);
    EXPECT_EQ(Where(), std::make_tuple(12, 9, 0));
    EXPECT_EQ(attributes(), before);
    Walk(VK_UP);
    EXPECT_EQ(Where(), std::make_tuple(13, 9, 0));
    EXPECT_EQ(attributes(), before + 2);
    EXPECT_FALSE(levelgrid[13][9].trap);
    ASSERT_TRUE(rfmode);
    EXPECT_THAT((std::vector<std::string>{strarr[11], strarr[13], strarr[15], strarr[17]}), testing::Contains(rftitle));
    Answer();
}

TEST_F(GameExplore, OnTheExitEnterLeadsDownToTheCryptsStart)
{
    ASSERT_EQ(Where(), std::make_tuple(13, 9, 0)) << "runs after the altar";
    Walk(VK_UP);
    EXPECT_EQ(std::make_tuple(playerx, playery), std::make_tuple(exitx, exity));
    ASSERT_TRUE(rfmode);
    EXPECT_EQ(std::make_tuple(rftitle, rfcase), std::make_tuple(strarr[9], 3));
    Picture("7-exit-question");
    Answer();
    EXPECT_EQ(std::make_tuple(mapid, levelno), std::make_tuple(std::string("map_0"), 0));
    EXPECT_EQ(Where(), std::make_tuple(startx, starty, startdir));
    Settle();
    EXPECT_FALSE(rfmode);
    Picture("8-crypt");
    EXPECT_EQ(frameerrors, "");
}

} // namespace
