// The start map's scripts as a player meets them, by keys and clicks posted to the game's window: the new game's
// global scripts, the lever in the east hall, the rat that chases the player into its battle, the hermit's
// choice dialog and the looping lift. The tests follow one another on the same game; the player is put in place
// by the script word Teleport; each key frame is kept as a picture. Last, every script of the demo runs on its
// level.
#include "GameWindow.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "VirtualKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using testing::HasSubstr;

constexpr double cFrame = 0.5;

class GameScripts : public GameWindow {
protected:
    // No demo script had a step refused: such a step logs its script and source line.
    void TearDown() override
    {
        for (const std::string& line : Log().Texts()) EXPECT_EQ(line.find(", line "), std::string::npos) << line;
    }
    static void Picture(const std::string& name) { SavePicture(*Snapshot(), "scripts-" + name + ".png"); }
    static void Run(const std::string& script) { Game().readscript(TForm1::preparescript(script, "test")); }
    // Puts the player on (x, y) looking facing's way and lets the camera settle there.
    static void PutPlayer(int32_t x, int32_t y, int32_t facing)
    {
        Run("Teleport " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(facing) + ";");
        StepFrames(2, cFrame);
        ASSERT_EQ(std::make_tuple(playerx, playery, lookside), std::make_tuple(x, y, facing));
    }
    // Shows what is queued and answers every request with Enter.
    static void AnswerAll()
    {
        for (int request = 0; request < 10 && (rfmode || rfqueue[1].active); ++request) {
            if (rfmode) PressKey(VK_RETURN);
            StepFrames(1, cFrame);
        }
        ASSERT_FALSE(rfmode || rfqueue[1].active);
    }
    // The text scripts of the data folder's folder (not the event scripts "scr_<n>"), in name order.
    static std::vector<std::string> ScriptFiles(const std::string& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(gamedir) / folder)) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with(".txt") && !name.starts_with("scr_")) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // How many entries of the pending battle list hold monster.
    static int Queued(int32_t monster)
    {
        int count = 0;
        for (int32_t i = battlelist.Low(); i <= battlelist.High(); ++i) count += battlelist[i] == monster;
        return count;
    }

    static constexpr const char* cEnding = "script_2_8.txt"; // the Sunken Hall's stair

    // Each cell script of level run from its cell, the ending aside.
    static void RunEachCellScript(const std::string& level)
    {
        Game().ChangeLevel(1, level);
        ASSERT_EQ(mapid, level);
        AnswerAll();
        for (const std::string& name : ScriptFiles("levels/" + level)) {
            const bool cellScript = name.starts_with("script_") || name.starts_with("sscript_");
            if (!cellScript || (level == "map_3" && name == cEnding)) continue;
            SCOPED_TRACE(level + "/" + name);
            const std::size_t cell = name.find('_');
            acx = std::stoi(name.substr(cell + 1));
            acy = std::stoi(name.substr(name.find('_', cell + 1) + 1));
            EXPECT_TRUE(Game().RunScriptFile("\\levels\\" + level + "\\" + name));
            AnswerAll();
            ASSERT_TRUE(ingame);
        }
    }
};

TEST_F(GameScripts, TheNewGameStartsItsGlobalScriptsAndTheCounterRisesEachFrame)
{
    SetRandSeed(2024);
    // New game in the main menu, a name, the character screen's OK.
    StepFrames(1, cFrame);
    ASSERT_TRUE(mmmode);
    PressMouse(gbuttons[20].x, gbuttons[20].y);
    StepFrames(1, cFrame);
    ASSERT_TRUE(rfmode && rfcase == 0);
    TypeText(u"Ann");
    PressKey(VK_RETURN);
    StepFrames(1, cFrame);
    PressMouse(gbuttons[0].x, gbuttons[0].y);
    ASSERT_EQ(mapid, "startmap");
    AnswerAll();
    EXPECT_GE(Game().findgsid("torch"), 0);
    EXPECT_GE(Game().findgsid("counter"), 0);
    const int32_t before = intvars[1];
    StepFrames(5, 1.0 / 60);
    EXPECT_EQ(intvars[1], before + 5);
}

TEST_F(GameScripts, SpaceAtTheLeverOpensTheWallAndAgainClosesIt)
{
    PutPlayer(16, 3, 0);
    ASSERT_TRUE(levelgrid[17][4].wall);
    PressKey(VK_SPACE);
    EXPECT_FALSE(levelgrid[17][4].wall);
    EXPECT_TRUE(levelgrid[17][4].passable);
    StepFrames(1, cFrame);
    ASSERT_TRUE(rfmode);
    EXPECT_THAT(rftitle, HasSubstr("The Lever"));
    EXPECT_THAT(rftext, HasSubstr("sinks into the floor"));
    AnswerAll();
    Run("Teleport 16,4,0;");
    StepFrames(2, cFrame);
    Picture("1-lever-opened");
    PutPlayer(16, 3, 0);
    PressKey(VK_SPACE);
    EXPECT_TRUE(levelgrid[17][4].wall);
    EXPECT_FALSE(levelgrid[17][4].passable);
    AnswerAll();
}

TEST_F(GameScripts, TheChasingRatStepsOntoThePlayerAndWaitsInThePendingBattleList)
{
    // The rat back on its cell, chasing; the player next to it, looking away.
    Run("SpawnWanderer 0,9,2,0,1;");
    PutPlayer(10, 2, 0);
    ASSERT_EQ(Queued(0), 0);
    // Space acts on the cell in front; after it the rat steps onto the player's cell, and the next frame finds
    // it there.
    PressKey(VK_SPACE);
    EXPECT_EQ(std::make_pair(wanderers[0].x, wanderers[0].y), std::make_pair(10, 2));
    EXPECT_EQ(Queued(0), 0);
    StepFrames(1, cFrame);
    EXPECT_FALSE(wanderers[0].enabled);
    // Its battle script calls a second rat and says so.
    EXPECT_EQ(Queued(0), 2);
    StepFrames(1, cFrame);
    ASSERT_TRUE(rfmode);
    EXPECT_THAT(rftitle, HasSubstr("Rats!"));
    Picture("2-rat-battle-queued");
    AnswerAll();
    // The queued rats open a battle; leaving it (F12) lets the walk go on.
    EXPECT_TRUE(btlmode);
    PressKey(VK_F1 + 11);
    EXPECT_FALSE(btlmode);
    EXPECT_EQ(Queued(0), 0);
}

TEST_F(GameScripts, AClickOnTheHermitsChoiceRunsItsChoiceScript)
{
    PutPlayer(18, 2, 1);
    PressKey(VK_SPACE);
    StepFrames(1, cFrame);
    ASSERT_TRUE(rfmode);
    EXPECT_EQ(rfcase, 25);
    EXPECT_THAT(rftitle, HasSubstr("The Hermit"));
    EXPECT_EQ(gbuttons[41].caption, "Ask for his blessing");
    EXPECT_FALSE(gbuttons[43].visible);
    Picture("3-hermit-choice");
    ASSERT_FALSE(player.perks[0]);
    ASSERT_TRUE(gbuttons[41].visible);
    PressMouse(gbuttons[41].x, gbuttons[41].y);
    StepFrames(1, cFrame);
    EXPECT_EQ(choicevalue, 1);
    EXPECT_EQ(intvars[11], 1);
    EXPECT_TRUE(player.perks[0]);
    AnswerAll();
}

TEST_F(GameScripts, TheLiftReachesItsEndAndItsArrivalScriptRuns)
{
    const freemesh& lift = freemeshes[5];
    ASSERT_EQ(lift.trscript, "lift_arrive");
    const int32_t arrivals = intvars[50];
    for (int frame = 0; frame < 20 && intvars[50] == arrivals; ++frame) StepFrames(1, cFrame);
    ASSERT_EQ(intvars[50], arrivals + 1);
    // It stands on the end it reached, which the arrival script read, and heads for the other one.
    EXPECT_EQ(intvars[51], lift.z);
    EXPECT_TRUE(lift.z == 10 || lift.z == 30) << lift.z;
    EXPECT_EQ(lift.z1, lift.z);
    EXPECT_EQ(lift.z2, 40 - lift.z);
    EXPECT_EQ(lift.bhv, 1);
    PutPlayer(18, 7, 3);
    Picture("4-lift-arrived");
}

TEST_F(GameScripts, TheGrottoSentryWalksItsRouteFromAGlobalScript)
{
    Game().ChangeLevel(1, "map_2");
    ASSERT_EQ(mapid, "map_2");
    AnswerAll();
    PutPlayer(1, 1, 0);
    // The step onto (2, 1) starts the sentry's round and adds a journal page.
    PressKey(VK_UP);
    AnswerAll();
    ASSERT_EQ(std::make_pair(playerx, playery), std::make_pair(2, 1));
    ASSERT_GE(Game().findgsid("sentry"), 0);
    EXPECT_TRUE(Game().CheckJournalUnlocked(4));
    // A step every 60 frames (a second at 60 frames a second), the first onto the next cell of its round. The
    // script's frame count (variable 41) is set near its end to keep the test short.
    ASSERT_EQ(std::make_pair(wanderers[1].x, wanderers[1].y), std::make_pair(10, 4));
    intvars[41] = 55;
    for (int frame = 0; frame < 10 && wanderers[1].x == 10; ++frame) StepFrames(1, 1.0 / 60);
    EXPECT_EQ(std::make_pair(wanderers[1].x, wanderers[1].y), std::make_pair(11, 4));
    EXPECT_TRUE(wanderers[1].enabled);
    PutPlayer(13, 4, 2);
    Picture("5-sentry-walks");
}

// Each cell's script on its level as its activation runs it, a level a test; then the other scripts (global,
// nested, choice, battle, arrival and card scripts) on the start map: the fixture's end finds no refused step in
// the log. The ending, which leaves the game, comes last.
TEST_F(GameScripts, EverySunkenHallScriptButTheEndingRunsWithoutARefusedStep) { RunEachCellScript("map_3"); }

TEST_F(GameScripts, EveryGreenGrottoScriptRunsWithoutARefusedStep) { RunEachCellScript("map_2"); }

TEST_F(GameScripts, EveryCryptScriptRunsWithoutARefusedStep) { RunEachCellScript("map_0"); }

TEST_F(GameScripts, EveryCellarScriptRunsWithoutARefusedStep) { RunEachCellScript("startmap"); }

TEST_F(GameScripts, EveryGlobalAndCardScriptRunsOnTheStartMapWithoutARefusedStep)
{
    ASSERT_EQ(mapid, "startmap");
    for (const std::string folder : {"scripts", "cards"})
        for (const std::string& name : ScriptFiles(folder)) {
            SCOPED_TRACE(name);
            EXPECT_TRUE(Game().RunScriptFile("\\" + folder + "\\" + name));
            AnswerAll();
            ASSERT_TRUE(ingame);
        }
}

TEST_F(GameScripts, TheSunkenHallsStairEndsTheAdventureInTheMenu)
{
    Game().ChangeLevel(1, "map_3");
    AnswerAll();
    EXPECT_FALSE(Game().RunScriptFile(std::string("\\levels\\map_3\\") + cEnding));
    EXPECT_TRUE(mmmode);
    EXPECT_FALSE(ingame);
}

} // namespace
