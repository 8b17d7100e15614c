// The demo adventure played from the main menu to its ending, a test per stretch of the way, each on the game the
// one before it left: the new game, the cellar (keys, the silver door's chest of cards, the lectern, the teleport,
// the first battle won), the crypt (the loose stone, a level gained and a perk learnt, a hat worn, a save, a
// battle lost and the save loaded), the generated level, the green grotto (a chest of cards, the warden's guard,
// the warden), and the sunken hall whose stair ends the story. Where a walk would take long the player is set
// down beside the next thing to do and steps onto it with the keyboard; every event, battle and level change after
// that is the game's own. Each step leaves a picture in the artefacts ("playthrough-*.png").
#include "GLHUDObjects.h"
#include "GLVectorFileObjects.h"
#include "GamePlay.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace {

class GamePlaythrough : public GamePlay {
protected:
    // The view reaches as far as the settings let it, on a machine of any speed: the frame-rate timer does not
    // shorten it while the tests draw their frames slowly.
    static void SetUpTestSuite()
    {
        GamePlay::SetUpTestSuite();
        desiredfpson = false;
        viewdist = maxvd;
    }
    // The darkening of the last request answered goes a frame after its form.
    static void Settle()
    {
        if (!rfmode && Game().reqform_dark->Visible()) StepFrames(1, cFrame);
    }
    // The view as the player sees it, kept in the artefacts.
    static void Picture(const std::string& name)
    {
        Settle();
        SavePicture(*Snapshot(), "playthrough-" + name + ".png");
    }
    // The mean of the brightest channel over the view below the top bar: a level lit around the player stands well
    // above a black one, even where it looks down a long dark passage.
    static double Brightness()
    {
        const std::unique_ptr<TBitmap> frame = Snapshot();
        int64_t sum = 0, count = 0;
        for (int32_t y = 100; y < frame->Height(); y += 2)
            for (int32_t x = 0; x < frame->Width(); x += 2) {
                const uint8_t* p = frame->ScanLine(y) + x * frame->BytesPerPixel();
                sum += std::max({p[0], p[1], p[2]});
                ++count;
            }
        return static_cast<double>(sum) / static_cast<double>(count);
    }
    // The level as the player arrives, the last request answered: lit well enough to see by, kept as the picture
    // named.
    static void ExpectLit(const std::string& picture)
    {
        Settle();
        ASSERT_FALSE(Game().reqform_dark->Visible());
        EXPECT_GT(Brightness(), 20) << mapname << " is lit";
        Picture(picture);
    }
    // The request on screen as the player sees it, over its darkening (which follows the form a frame later): its
    // title without the line end a title read from a text file keeps, or "" when none shows.
    static std::string Shown()
    {
        StepFrames(1, cFrame);
        for (int n = 0; n < 2 && rfmode && !Game().reqform_dark->Visible(); ++n) StepFrames(1, cFrame);
        if (!rfmode) return std::string();
        std::string title = rftitle;
        while (!title.empty() && (title.back() == '\n' || title.back() == '\r')) title.pop_back();
        return title;
    }
    // The request on screen answered with Enter, a frame after it.
    static void Answer()
    {
        ASSERT_TRUE(rfmode);
        PressKey(VK_RETURN);
        StepFrames(1, cFrame);
    }
    // A battle that has begun fought until it ends: at each move the hand's card of the most damage the player
    // can pay for, on the next enemy when the one targeted has fallen.
    static void WinTheBattle()
    {
        StepFrames(1, cFrame);
        ASSERT_TRUE(btlmode);
        FightWith([](int) {
            if (opponent.hp <= 0) return 60;
            int32_t best = 0, most = -1;
            for (int32_t k = 0; k <= 5; ++k) {
                const card& c = cards[player.hand[k]];
                if (c.mc > player.mana || c.hpc >= player.hp) continue;
                const int32_t damage = c.dmgph * (c.AOE ? 3 : 1);
                if (damage > most) {
                    most = damage;
                    best = k;
                }
            }
            return 10 + best;
        });
        EXPECT_GT(player.hp, 0) << "the player won";
        AnswerRequests();
        // The pointer leaves the hand: the last card's tooltip would otherwise stay over the level.
        MoveMouse(scrw / 2, 120);
    }
    // The battle begun, once the requests its start queued (the enemies' journal pages) are answered.
    static void BattlePicture(const std::string& name)
    {
        AnswerRequests();
        StepFrames(2, cFrame);
        Picture(name);
    }
    // A character strong enough to end the next fights in a few plays, as the levels' fights and altars would
    // make him on a longer way there.
    static void Strengthen()
    {
        player.bstr = player.bend = player.bspd = 40;
        player.sword = 12;
        Game().defineparbonuses();
        player.hp = player.hpmax;
    }
    // Onto the level's exit, whose question is answered yes: the next level is built.
    static void TakeTheExit(const std::string& picture)
    {
        StepOnto(exitx, exity);
        ASSERT_EQ(Shown(), strarr[9]);
        EXPECT_EQ(rftext, strarr[10]);
        Picture(picture);
        Answer();
        AnswerRequests();
    }
    // The cards a chest of cards offers, the one at button 40 + k taken: the chest's question, then the card.
    static void TakeACard(int32_t k, int32_t card, const std::string& picture)
    {
        ASSERT_TRUE(rfmode);
        EXPECT_EQ(rfcase, 25);
        for (int32_t b = 40; b <= 42; ++b) EXPECT_TRUE(gbuttons[b].visible) << b;
        EXPECT_FALSE(gbuttons[43].visible);
        Picture(picture + "-choice");
        Click(40 + k);
        ASSERT_EQ(Shown(), strarr[25]);
        EXPECT_TRUE(player.spellbook[card]) << card;
        EXPECT_EQ(rftext, strarr[33]);
        Picture(picture + "-card");
        AnswerRequests();
    }
};

TEST_F(GamePlaythrough, TheMenusNewGameOpensOnTheCellarsStandingStone)
{
    SetRandSeed(4401);
    StepFrames(1, cFrame);
    ASSERT_TRUE(mmmode);
    Picture("01-menu");
    Click(20);
    StepFrames(1, cFrame);
    ASSERT_TRUE(rfmode && chargen);
    TypeText(u"Wren");
    StepFrames(1, cFrame);
    Picture("02-name");
    Answer();
    Picture("03-character");
    Click(0);
    EXPECT_EQ(mapid, "startmap");
    EXPECT_EQ(Shown(), "The Standing Stone");
    Picture("04-standing-stone");
    AnswerRequests();
    EXPECT_TRUE(ingame);
    ExpectLit("05-cellar");
}

TEST_F(GamePlaythrough, TheCellarsSilverKeyOpensTheDoorToAChestOfCards)
{
    ASSERT_EQ(mapid, "startmap") << "runs in the cellar";
    SetRandSeed(4402);
    StepOnto(2, 2);
    EXPECT_EQ(Shown(), "A Silver Key");
    EXPECT_EQ(keys1, 1);
    Picture("06-silver-key");
    AnswerRequests();
    // The silver door, opened from the cell before it, then the chest behind it.
    SetDown(2, 1, 0);
    PressKey(VK_SPACE);
    StepFrames(1, cFrame);
    EXPECT_TRUE(levelgrid[3][1].passable);
    EXPECT_EQ(keys1, 0);
    PressKey(VK_UP);
    StepFrames(1, cFrame);
    ASSERT_EQ(playerx, 3);
    PressKey(VK_SPACE);
    EXPECT_EQ(Shown(), "The Silver Chest");
    TakeACard(1, 27, "07-silver-chest");
    EXPECT_TRUE(levelgrid[4][1].passable) << "the chest stands open";
    // Space again: an open chest offers nothing more.
    PressKey(VK_SPACE);
    EXPECT_EQ(Shown(), "");
}

TEST_F(GamePlaythrough, TheLecternNamesItsCardTheTeleportSaysWhereItTakesAndTheFirstRatFalls)
{
    ASSERT_EQ(mapid, "startmap") << "runs in the cellar";
    SetRandSeed(4403);
    StepOnto(8, 7);
    EXPECT_EQ(Shown(), "The Lectern");
    EXPECT_NE(rftext.find("Fire bolt"), std::string::npos) << rftext;
    Picture("08-lectern");
    Answer();
    EXPECT_EQ(Shown(), strarr[25]) << "the card itself";
    EXPECT_TRUE(player.spellbook[3]);
    AnswerRequests();

    // The teleport takes the player on in the step that reaches it.
    SetDown(4, 1, 0);
    PressKey(VK_UP);
    EXPECT_EQ(std::make_pair(playerx, playery), std::make_pair(7, 9));
    EXPECT_EQ(Shown(), "The Teleport");
    AnswerRequests();
    Picture("09-teleported-to-the-courtyard");

    // The rat two steps south of the start.
    SetDown(1, 1, 3);
    PressKey(VK_UP);
    StepFrames(1, cFrame);
    PressKey(VK_UP);
    const int32_t xp = player.xp;
    StepFrames(2, cFrame);
    ASSERT_TRUE(btlmode);
    StepFrames(4, cFrame);
    Picture("10-first-battle");
    WinTheBattle();
    EXPECT_GT(player.xp, xp);
    Picture("11-first-battle-won");
}

TEST_F(GamePlaythrough, TheCryptsLooseStoneOrbAndALevelGainedBringAPerkAndAHatIsWorn)
{
    ASSERT_EQ(mapid, "startmap") << "runs in the cellar";
    SetRandSeed(4404);
    TakeTheExit("12-cellar-exit");
    ASSERT_EQ(mapid, "map_0");
    ExpectLit("13-crypt");

    StepOnto(12, 6);
    EXPECT_EQ(Shown(), "A Loose Stone");
    EXPECT_TRUE(levelgrid[14][6].passable);
    Picture("14-loose-stone");
    AnswerRequests();

    // The orb of wisdom's perk point; the experience the cellar's other fights would have brought, for a level.
    StepOnto(11, 8);
    EXPECT_EQ(Shown(), "The Orb") << "the cell's script speaks before its event";
    Answer();
    EXPECT_EQ(Shown(), strarr[384]);
    AnswerRequests();
    ASSERT_EQ(perkpoints, 1);
    Game().AddXP(1, player.xpreq - player.xp + 1, player);
    AnswerRequests();
    EXPECT_EQ(player.lvl, 2);
    ASSERT_GT(player.bonuspoints, 0);

    PressKey(VK_TAB);
    StepFrames(1, cFrame);
    ASSERT_TRUE(invmode);
    const int32_t strength = player.bstr;
    Click(1);
    StepFrames(1, cFrame);
    EXPECT_EQ(player.bstr, strength + 1);
    Click(19);
    StepFrames(1, cFrame);
    ASSERT_TRUE(perkpanelshown);
    const auto learnable = [] {
        const int32_t p = perkcursor >= 0 && perkcursor <= 100 ? perklist[perkcursor] : -1;
        return p >= 0 && perks[p].enabled && !player.perks[p] && Game().checkperkrq(p) ? p : -1;
    };
    for (int step = 0; step < 12 && learnable() < 0; ++step) {
        Click(8);
        StepFrames(1, cFrame);
    }
    const int32_t perk = learnable();
    ASSERT_GE(perk, 0);
    Click(18);
    StepFrames(1, cFrame);
    EXPECT_TRUE(player.perks[perk]);
    Picture("15-perk-learnt");
    Click(19);
    StepFrames(1, cFrame);

    // A felt hat, worn from the item list: a click on its cell chooses it, a second wears it.
    constexpr int32_t cHat = 5;
    items[cHat].count = 1;
    Click(29);
    StepFrames(1, cFrame);
    ASSERT_TRUE(itemlistmode);
    int32_t hx = -1, hy = -1;
    for (int32_t y = 0; y < scrh && hx < 0; y += 4)
        for (int32_t x = 0; x < 700 && hx < 0; x += 4)
            if (Game().getilundercursor(x, y) == cHat) {
                hx = x + 8;
                hy = y + 8;
            }
    ASSERT_GE(hx, 0) << "the hat is listed";
    const int32_t intelligence = player.intelligence;
    for (int n = 0; n < 2 && equipped[3] != cHat; ++n) {
        PressMouse(hx, hy);
        StepFrames(1, cFrame);
    }
    EXPECT_EQ(equipped[3], cHat);
    EXPECT_EQ(player.intelligence, intelligence + 1);
    Picture("16-hat-worn");
    Click(50);
    StepFrames(1, cFrame);
    PressKey(VK_TAB);
    StepFrames(1, cFrame);
    EXPECT_FALSE(invmode || itemlistmode);
}

TEST_F(GamePlaythrough, TheGameSavedBeforeTheCryptGuardIsLoadedAfterLosingToHim)
{
    ASSERT_EQ(mapid, "map_0") << "runs in the crypt";
    SetRandSeed(4405);
    PressKey(VK_F1 + 7);
    EXPECT_EQ(Shown(), strarr[34]);
    AnswerRequests();
    const auto saved = std::make_tuple(playerx, playery, player.lvl, player.xp, player.perks, equipped[3]);

    // The guard, met by a character who only skips his turns. A battle starts him on his full hit points; those
    // of a character worn down by the fights before are a blow's worth.
    SetDown(12, 7, 3);
    PressKey(VK_UP);
    AnswerRequests();
    StepFrames(2, cFrame);
    ASSERT_TRUE(btlmode);
    player.hp = 1;
    Picture("17-crypt-guard");
    FightWith([](int) { return 16; });
    EXPECT_TRUE(mmmode);
    EXPECT_FALSE(ingame);
    EXPECT_EQ(Shown(), strarr[128]);
    Picture("18-fallen");
    AnswerRequests();

    Click(21);
    AnswerRequests();
    EXPECT_TRUE(ingame);
    EXPECT_EQ(mapid, "map_0");
    EXPECT_EQ(std::make_tuple(playerx, playery, player.lvl, player.xp, player.perks, equipped[3]), saved);
    Picture("19-loaded");
}

TEST_F(GamePlaythrough, TheCryptsStairLeadsDownToAGeneratedLevelAndOnToTheGreenGrotto)
{
    ASSERT_EQ(mapid, "map_0") << "runs in the crypt";
    SetRandSeed(4406);
    TakeTheExit("20-crypt-exit");
    EXPECT_EQ(levelno, 1);
    EXPECT_EQ(mapid, "") << "no map file: a generated level";
    EXPECT_TRUE(Game().CheckJournalUnlocked(6));
    ExpectLit("21-generated-level");
    EXPECT_EQ(Game().mcam->Position()->X(), 20.0f * playerx) << "the camera stands on the start";
    EXPECT_EQ(Game().mcam->Position()->Y(), 20.0f * playery);
    TakeTheExit("22-generated-exit");
    ASSERT_EQ(mapid, "map_2");
    EXPECT_EQ(mapname, "The Green Grotto");
    ExpectLit("23-green-grotto");

    // The chest by the first hall: a choice of cards again.
    SetDown(10, 1, 0);
    PressKey(VK_SPACE);
    EXPECT_EQ(Shown(), "A Chest of Cards");
    TakeACard(0, 42, "24-grotto-chest");
}

TEST_F(GamePlaythrough, TheWardensGuardOfThreeFalls)
{
    ASSERT_EQ(mapid, "map_2") << "runs in the grotto";
    SetRandSeed(4407);
    Strengthen();
    StepOnto(14, 5);
    EXPECT_EQ(Shown(), "The Warden's Guard");
    Answer();
    StepFrames(1, cFrame);
    ASSERT_TRUE(btlmode);
    int32_t enemies = 0;
    for (int32_t s = 0; s <= 10; ++s) enemies += btlslots[s].name != "nil";
    EXPECT_EQ(enemies, 3) << "the troll with the dead and a wisp";
    BattlePicture("25-wardens-guard");
    WinTheBattle();
}

TEST_F(GamePlaythrough, TheWardenFallsAndHisStairLeadsToTheSunkenHall)
{
    ASSERT_EQ(mapid, "map_2") << "runs in the grotto";
    SetRandSeed(4408);
    Strengthen();
    StepOnto(14, 6);
    // His cell's introduction is not shown (its script names a global script that was never started): the battle
    // opens at once, on the page of the journal he brings as he joins it.
    EXPECT_EQ(Shown(), strarr[389]);
    ASSERT_TRUE(btlmode);
    Picture("26-the-warden-joins");
    EXPECT_TRUE(monsters[btlslots[0].enem_id].boss);
    BattlePicture("27-warden-battle");
    WinTheBattle();
    ExpectLit("28-warden-fallen");

    TakeTheExit("29-grotto-exit");
    EXPECT_EQ(mapid, "map_3");
    EXPECT_EQ(mapname, "The Sunken Hall");
    EXPECT_TRUE(Game().CheckJournalUnlocked(7));
    ExpectLit("30-sunken-hall");
}

TEST_F(GamePlaythrough, TheSunkenHallsStairIntoTheDaylightEndsTheStory)
{
    ASSERT_EQ(mapid, "map_3") << "runs in the sunken hall";
    SetRandSeed(4409);
    StepOnto(3, 1);
    EXPECT_EQ(Shown(), "The Sunken Hall");
    AnswerRequests();
    SetDown(3, 8, 2);
    StepFrames(2, cFrame);
    Picture("31-stair-into-the-daylight");
    PressKey(VK_UP);
    EXPECT_EQ(Shown(), "Out of the Mire");
    EXPECT_EQ(rfcase, 10);
    Picture("32-out-of-the-mire");
    Answer();
    EXPECT_EQ(Shown(), strarr[242]);
    Picture("33-the-end");
    AnswerRequests();
    EXPECT_TRUE(mmmode);
    EXPECT_FALSE(ingame);
}

} // namespace

