// The script words on an unshown main window over a small level of its own: variables, arithmetic, nested and
// global scripts, queries, cells, pop-ups and choices, the player light, the index checks that refuse a word
// whole; and the pending battle list with its random monster.
#include "UGH_main.h"

#include "GLColor.h"
#include "RandomGenerator.h"
#include "VAVodad.h"
#include "ZODLog.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A 10 x 10 level open inside its border, the player on (5, 5).
class ScriptWords : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        OpenLevel(9, 9);
        levelbusy = false;
        PlaceAt(5, 5);
    }

    // Runs text as a script of its own name, so that every run may log its lines afresh: the log names a
    // script's line once for the program's run.
    void Run(const std::string& text)
    {
        static int32_t runs = 0;
        form->readscript(TForm1::preparescript(text, "words_test_" + std::to_string(++runs)));
    }
    // Text n of the message words: its title and body.
    void WriteText(int32_t n)
    {
        folder.Write("text/en/txt_" + std::to_string(n) + "_h.txt", "title " + std::to_string(n));
        folder.Write("text/en/txt_" + std::to_string(n) + ".txt", "body " + std::to_string(n));
    }
    static int32_t Queued()
    {
        int32_t n = 0;
        while (rfqueue[n + 1].active) ++n;
        return n;
    }
};

TEST_F(ScriptWords, TheWordTableHoldsEightyOneWordsNoneBeginningAnother)
{
    const auto words = ScriptWordTable();
    ASSERT_EQ(words.size(), 81u);
    for (const TScriptWord& a : words)
        for (const TScriptWord& b : words)
            EXPECT_TRUE(&a == &b || !b.word.starts_with(a.word)) << a.word << " begins " << b.word;
}

TEST_F(ScriptWords, SetStrAndConcatTakeAWordOrAnotherVariable)
{
    strvars[5] = "world";
    Run("SetStr &2,hello;Concat &3,&5;SetStr &4,&5;");
    EXPECT_EQ(strvars[2], "hello");
    EXPECT_EQ(strvars[3], "world");
    EXPECT_EQ(strvars[4], "world");
}

TEST_F(ScriptWords, RandomWritesItsDrawsUnderAFixedSeed)
{
    SetRandSeed(12345);
    Run("Random &3,6;Random &4,6;Random &5,6;Random &6,0;");
    EXPECT_EQ(intvars[3], 2);
    EXPECT_EQ(intvars[4], 1);
    EXPECT_EQ(intvars[5], 0);
    EXPECT_EQ(intvars[6], 0);
}

TEST_F(ScriptWords, MathComputesWrapsAndRoundsHalvesToEven)
{
    struct TCase {
        const char* args;
        int32_t expected;
    };
    // 99 stands for "unchanged".
    for (const TCase& c : {TCase{"5,+,3", 8}, TCase{"5,-,7", -2}, TCase{"6,*,7", 42}, TCase{"5,/,2", 2},
                           TCase{"7,/,2", 4}, TCase{"-5,/,2", -2}, TCase{"-7,/,2", -4}, TCase{"8,/,3", 3},
                           TCase{"7,/,-3", -2}, TCase{"5,/,0", 99}, TCase{"5,%,2", 99},
                           TCase{"2147483647,+,1", -2147483647 - 1}, TCase{"65536,*,65536", 0}}) {
        intvars[1] = 99;
        Run(std::string("Math 1,") + c.args + ";");
        EXPECT_EQ(intvars[1], c.expected) << c.args;
    }
}

TEST_F(ScriptWords, GetFMeshCoordWritesTheVariableALiteralOrAVariableNames)
{
    freemeshes[4].y = 60;
    intvars[7] = 20;
    Run("GetFMeshCoord 4,y,&7;");
    EXPECT_EQ(intvars[20], 60);
    EXPECT_EQ(intvars[7], 20);
    Run("GetFMeshCoord 4,Y,7;");
    EXPECT_EQ(intvars[7], 60);
}

TEST_F(ScriptWords, StartScriptRunsNestedAtOnceOrFromTheNextGlobalPass)
{
    folder.Write("scripts/nested.txt", "SetInt 1,9;\r\n");
    folder.Write("scripts/glob.txt", "SetInt 3,7;\r\n");
    Run("StartScript 0,nested;SetInt 2,&1;");
    EXPECT_EQ(intvars[2], 9);

    Run("StartScript 1,glob;SetInt 4,&3;");
    EXPECT_EQ(intvars[4], 0);
    ASSERT_EQ(gslist.size(), 1u);
    EXPECT_TRUE(gslist[0].active);
    EXPECT_EQ(intvars[3], 0);
    form->processglobscripts();
    EXPECT_EQ(intvars[3], 7);
}

TEST_F(ScriptWords, GlobalScriptWordsActOnTheEntryTheyName)
{
    folder.Write("scripts/a.txt", "SetInt 1,1;");
    folder.Write("scripts/b.txt", "SetInt 2,2;");
    form->addglobscript("a");
    form->addglobscript("b");
    Run("StopScript b;");
    EXPECT_TRUE(gslist[0].active);
    EXPECT_FALSE(gslist[1].active);
    Run("RunScript b;RemoveScript a;");
    ASSERT_EQ(gslist.size(), 1u);
    EXPECT_EQ(gslist[0].id, "b");
    EXPECT_TRUE(gslist[0].active);
    Run("ClearGlobalScripts;");
    EXPECT_TRUE(gslist.empty());
}

TEST_F(ScriptWords, GetWandStateAnswersOneOrTwo)
{
    wanderers[3].enabled = true;
    Run("GetWandState 3,1;GetWandState 4,2;");
    EXPECT_EQ(intvars[1], 1);
    EXPECT_EQ(intvars[2], 2);
}

TEST_F(ScriptWords, MessageWordsAgainstScriptPopups)
{
    WriteText(3);
    struct TCase {
        const char* script;
        bool popups;
        int32_t fcase; // 0: nothing queued
    };
    for (const TCase& c : {TCase{"ShowMsg 3;", true, 1}, TCase{"ShowMsg 3;", false, 0}, TCase{"ShowScroll 3;", true, 10},
                           TCase{"ShowScroll 3;", false, 0}, TCase{"ShowImg 3,pic;", false, 11},
                           TCase{"ShowImg 3,pic;", true, 11}}) {
        SCOPED_TRACE(std::string(c.script) + (c.popups ? " popups" : " no popups"));
        for (rqftp& request : rfqueue) request.active = false;
        scriptpopups = c.popups;
        Run(c.script);
        if (c.fcase == 0) {
            EXPECT_EQ(Queued(), 0);
            continue;
        }
        ASSERT_EQ(Queued(), 1);
        EXPECT_EQ(rfqueue[1].ttl_text, "title 3");
        EXPECT_EQ(rfqueue[1].main_text, "body 3");
        EXPECT_EQ(rfqueue[1].fcase, c.fcase);
        EXPECT_EQ(rfqueue[1].img, c.fcase == 11 ? "pic" : "");
    }
    Run("HideScriptPopups;");
    EXPECT_FALSE(scriptpopups);
    Run("ShowScriptPopups;");
    EXPECT_TRUE(scriptpopups);
}

TEST_F(ScriptWords, SetupCellKindMakesADoorAChestNeitherOrKeepsThem)
{
    struct TCase {
        int32_t kind;
        bool door, chest;
    };
    for (const TCase& c : {TCase{-1, true, true}, TCase{0, false, false}, TCase{1, true, false},
                           TCase{2, false, true}}) {
        lcell& cell = levelgrid[3][4];
        cell.door = cell.chest = true;
        Run("SetupCell 3,4,1,0,1,0," + std::to_string(c.kind) + ",2,spr_x,7;");
        EXPECT_EQ(cell.door, c.door) << c.kind;
        EXPECT_EQ(cell.chest, c.chest) << c.kind;
        EXPECT_TRUE(cell.wall);
        EXPECT_FALSE(cell.passable);
        EXPECT_TRUE(cell.floor);
        EXPECT_FALSE(cell.ceil);
        EXPECT_EQ(cell.power, 2);
        EXPECT_EQ(cell.spritename, "spr_x");
        EXPECT_EQ(cell.textid, 7);
    }
}

TEST_F(ScriptWords, CellWordsOpenToggleAndMarkCells)
{
    acx = 2;
    acy = 3;
    levelgrid[2][3].wall = true;
    levelgrid[4][4].wall = true;
    levelgrid[4][4].passable = false;
    Run("RemoveThisWall;ToggleWall 4,4;ToggleWall 6,6;SetupEvent 7,7,9,3,0;GetEventType 7,7,1;GetPassable 6,6,2;"
        "SetPLZ 6,6,12;GetPLZ 6,6,3;");
    EXPECT_FALSE(levelgrid[2][3].wall);
    EXPECT_TRUE(levelgrid[2][3].passable);
    EXPECT_FALSE(levelgrid[4][4].wall);
    EXPECT_TRUE(levelgrid[4][4].passable);
    EXPECT_TRUE(levelgrid[6][6].wall);
    EXPECT_FALSE(levelgrid[6][6].passable);
    EXPECT_TRUE(levelgrid[7][7].trap);
    EXPECT_EQ(levelgrid[7][7].doorno, 3);
    EXPECT_EQ(intvars[1], 9);
    EXPECT_EQ(intvars[2], 0);
    EXPECT_EQ(intvars[3], 12);
}

TEST_F(ScriptWords, TeleportSnapsTheCameraAndJumpToGlides)
{
    Run("Teleport 2,3,1;");
    EXPECT_EQ(playerx, 2);
    EXPECT_EQ(playery, 3);
    EXPECT_EQ(lookside, 1);
    EXPECT_TRUE(camsnap);
    Run("JumpTo 6,7,2;");
    EXPECT_EQ(playerx, 6);
    EXPECT_EQ(playery, 7);
    EXPECT_EQ(lookside, 2);
    EXPECT_FALSE(camsnap);
}

TEST_F(ScriptWords, ChangeLightingTakesAttenuationsBeforeColoursAndKeepsMinusOne)
{
    TGLLightSource* light = form->playerlight;
    light->SetConstAttenuation(0.3f);
    light->Diffuse()->SetColor(0.1f, 0.2f, 0.3f);
    Run("ChangeLighting 50,-1,20,255,-1,0;");
    EXPECT_FLOAT_EQ(light->LinearAttenuation(), 0.5f);
    EXPECT_FLOAT_EQ(light->ConstAttenuation(), 0.3f);
    EXPECT_FLOAT_EQ(light->QuadraticAttenuation(), 0.2f);
    EXPECT_FLOAT_EQ(light->Diffuse()->Red(), 1.0f);
    EXPECT_FLOAT_EQ(light->Diffuse()->Green(), 0.2f);
    EXPECT_FLOAT_EQ(light->Diffuse()->Blue(), 0.0f);
    Run("ResetLighting;");
    EXPECT_FLOAT_EQ(light->ConstAttenuation(), 0.5f);
    EXPECT_FLOAT_EQ(light->LinearAttenuation(), 0.01f);
    EXPECT_FLOAT_EQ(light->QuadraticAttenuation(), 0.01f);
    EXPECT_FLOAT_EQ(light->Diffuse()->Green(), 127.0f / 255.0f);
}

TEST_F(ScriptWords, ReadPlayerParamThreeIsEnduranceAndFourSpeed)
{
    player.endurance = 33;
    player.speed = 44;
    player.lvl = 6;
    Run("ReadPlayerParam 3,1;ReadPlayerParam 4,2;ReadPlayerParam 11,3;");
    EXPECT_EQ(intvars[1], 33);
    EXPECT_EQ(intvars[2], 44);
    EXPECT_EQ(intvars[3], 6);
}

TEST_F(ScriptWords, AChoiceDialogShowsTheCaptionedButtonsWithItsPictureAndScript)
{
    WriteText(4);
    folder.Write("text/en/yes.txt", "Yes");
    folder.Write("text/en/no.txt", "No");
    Run("CleanChoice;Choice 0,yes;Choice 2,no;ImageCh hermit;ShowChoice 4,answer;");
    for (int32_t k = 0; k <= 5; ++k) EXPECT_EQ(gbuttons[40 + k].visible, k == 0 || k == 2) << k;
    EXPECT_EQ(gbuttons[40].caption, "Yes");
    EXPECT_EQ(gbuttons[41].caption, "-");
    EXPECT_EQ(gbuttons[42].caption, "No");
    EXPECT_EQ(choicescript, "answer");
    ASSERT_EQ(Queued(), 1);
    EXPECT_EQ(rfqueue[1].fcase, 25);
    EXPECT_EQ(rfqueue[1].img, "hermit");
    Run("CleanChoice;");
    EXPECT_FALSE(gbuttons[40].visible);
    EXPECT_EQ(gbuttons[40].caption, "-");
    EXPECT_TRUE(choicescript.empty());
    EXPECT_TRUE(choiceimage.empty());
}

TEST_F(ScriptWords, EndGameLeavesForTheMenuWithAFreshCharacter)
{
    intvars[1] = 5;
    ingame = true;
    Run("EndGame;");
    EXPECT_TRUE(mmmode);
    EXPECT_FALSE(ingame);
    EXPECT_EQ(intvars[1], 0);
    ASSERT_EQ(Queued(), 1);
    EXPECT_EQ(rfqueue[1].ttl_text, "s242");
    EXPECT_EQ(rfqueue[1].pos, 1);
}


TEST_F(ScriptWords, UnlockCardGivesTheCardOrExperienceForOneAlreadyOwned)
{
    form->ResetStats();
    cardcount = 3;
    for (int32_t k = 0; k < 3; ++k) cards[k].enabled = true;
    levelsteps = 7;
    // Without pop-ups a new game's start script hands its cards over silently.
    Run("HideScriptPopups;UnlockCard 2;ShowScriptPopups;");
    EXPECT_TRUE(player.spellbook[2] && player.spellen[2]);
    EXPECT_EQ(Queued(), 0);
    Run("UnlockCard 2;");
    EXPECT_EQ(player.xp, 7); // level 1 x 7 steps
    ASSERT_EQ(Queued(), 2);  // the experience, then the card found
    EXPECT_EQ(rfqueue[2].ttl_text, "s25");
}
// What an out-of-range word could change.
struct TWorldState {
    TBoundedTable<TBoundedArray<lcell, 0, 100>, 0, 100> grid = levelgrid;
    TBoundedTable<freesprite, 0, 200> sprites = freesprites;
    TBoundedTable<freemesh, 0, 200> meshes = freemeshes;
    TBoundedTable<wanderer, 0, 200> roamers = wanderers;
    TBoundedTable<lightslot, 0, 19> lights = levellights;
    TBoundedTable<int32_t, 0, 1000> ints = intvars;
    TBoundedTable<gamebutton, 0, 62> buttons = gbuttons;
    TBoundedTable<int32_t, 0, 3> worn = equipped;
    TBoundedTable<int32_t, 0, 10> pending = battlelist;
    character who = player;
    int32_t x = playerx, y = playery, side = lookside;

    // Compared with the live tables in place: a copy of the whole grid per comparison is slow.
    bool SameAsNow() const
    {
        return grid == levelgrid && sprites == freesprites && meshes == freemeshes && roamers == wanderers &&
               lights == levellights && ints == intvars && buttons == gbuttons && worn == equipped &&
               pending == battlelist && who == player && x == playerx && y == playery && side == lookside;
    }
};

TEST_F(ScriptWords, AWordWithAnIndexOutOfRangeChangesNothingAndIsLogged)
{
    folder.Write("text/en/yes.txt", "Yes");
    acx = 50;
    intvars[1] = 5000;
    // Every word below is refused, so the world stays as it is now throughout.
    const TWorldState before;
    for (const char* script :
         {"Choice 8,yes;", "Choice -1,yes;", "SetupCell 10,5,1,0,1,1,1,0,spr,0;", "GetFSpriteState 201,1;",
          "SetFMeshPos 201,1,2,3;", "FMeshBehaviour -1,1,0,1,0,0,0,0,0,0;", "ToggleLight 20;",
          "SpawnWanderer 5,1,1,101,1;", "SpawnWanderer 201,1,1,0,1;", "SpawnWanderer 5,1,10,0,1;",
          "ToggleWanderer 201;", "SwapCard 7,1;", "SwapCard 0,1001;", "UnlockPerk 101;", "GetItemCount 2,1001;",
          "SetInt 1001,5;", "SetInt &1,5;", "Teleport 3,3,4;", "JumpTo 3,-1,0;", "RemoveThisWall;",
          "SetActiveItem 4,1;", "SetActiveItem 0,1001;", "AddToBattleList 101;", "GetFMeshCoord 4,w,2;",
          "ReadPlayerParam 12,2;", "GetPLZ 0,10,2;", "ToggleWall 100,100;", "Random &1001,3;"}) {
        SCOPED_TRACE(script);
        TGLLogCapture log;
        Run(script);
        EXPECT_TRUE(before.SameAsNow());
        EXPECT_FALSE(log.Texts().empty());
    }
}

// ---- The pending battle list ----

// Three monster types: 0 above the level, 1 fit, 2 fit but the last loaded.
class BattleList : public ScriptWords {
protected:
    void SetUp() override
    {
        ScriptWords::SetUp();
        monstercount = 3;
        player.lvl = 2;
        levelno = 1;
        for (int32_t k = 0; k < 3; ++k) {
            monsters[k].name = "m" + std::to_string(k);
            monsters[k].lvl = 2;
            mapmonsters[k] = true;
        }
        monsters[0].lvl = 2 + levelno + 2;
    }
};

TEST_F(BattleList, OnlyAFittingMonsterIsDrawnAndNeverTheLastLoaded)
{
    SetRandSeed(7);
    for (int32_t n = 0; n < 20; ++n) EXPECT_EQ(form->GetRandomMonsterToFight(), 1);
}

TEST_F(BattleList, WithNoFittingMonsterTheAnswerIsMinusOneAtOnce)
{
    struct TCase {
        const char* name;
        void (*spoil)();
    };
    for (const TCase& c : {TCase{"boss", [] { monsters[1].boss = true; }},
                           TCase{"none", [] { monsters[1].name = "none"; }},
                           TCase{"not on this map", [] { mapmonsters[1] = false; }},
                           TCase{"too strong", [] { monsters[1].lvl = 100; }}}) {
        const character fit = monsters[1];
        c.spoil();
        SetRandSeed(99);
        EXPECT_EQ(form->GetRandomMonsterToFight(), -1) << c.name;
        form->AddToBL(-1);
        EXPECT_EQ(RandSeed(), 99u) << c.name;
        EXPECT_EQ(battlelist[0], -2) << c.name;
        monsters[1] = fit;
        mapmonsters[1] = true;
    }
}

TEST_F(BattleList, AddToBLFillsTheFirstFreeEntryUntilTheListIsFull)
{
    battlelist[0] = 4;
    Run("AddToBattleList 2;AddToBattleList -1;");
    EXPECT_EQ(battlelist[1], 2);
    EXPECT_EQ(battlelist[2], 1);
    for (int32_t k = 3; k <= 10; ++k) form->AddToBL(0);
    const auto full = battlelist;
    form->AddToBL(1);
    EXPECT_TRUE(battlelist == full);
    battlelist.Fill(-2);
    form->AddToBL(101);
    EXPECT_EQ(battlelist[0], -2);
}

TEST_F(BattleList, ARandomEncounterQueuesItsMonsters)
{
    encsteps = 4;
    form->MovePlayer(1, 0, 0);
    EXPECT_EQ(battlelist[0], 1);
}

TEST_F(BattleList, SpawnWandererPlacesAFittingMonsterForMinusOne)
{
    Run("SpawnWanderer 5,3,3,-1,1;GetWandState 5,1;");
    EXPECT_EQ(wanderers[5].mtype, 1);
    EXPECT_EQ(wanderers[5].behav, 1);
    EXPECT_EQ(wanderers[5].x, 3);
    EXPECT_EQ(intvars[1], 1);
}

} // namespace
