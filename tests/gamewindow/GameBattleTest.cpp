// Battles as a player fights them, by clicks posted to the game's view: a new game meets the first level's
// wanderer and beats it with hand cards; a new character meets the boss of the last hand-made level, only skips
// its turns and dies. The player is put beside each monster by setting his cell (the walks there are long); everything
// after is the game's own frames. The battle and the defeat are kept as pictures.
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GamePlay.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

namespace {

class GameBattle : public GamePlay {
protected:
    static void Picture(const std::string& name) { SavePicture(*Snapshot(), "battle-" + name + ".png"); }
    // How many pixels inside game button id's rectangle differ between two frames.
    static int32_t DifferOn(int32_t id, const TBitmap& a, const TBitmap& b)
    {
        const gamebutton& button = gbuttons[id];
        int32_t count = 0;
        for (int32_t y = std::max(0, button.y - button.h / 2); y < std::min(a.Height(), button.y + button.h / 2); ++y) {
            const uint8_t* p = a.ScanLine(y);
            const uint8_t* q = b.ScanLine(y);
            for (int32_t x = std::max(0, button.x - button.w / 2); x < std::min(a.Width(), button.x + button.w / 2); ++x) {
                const int32_t at = x * a.BytesPerPixel();
                count += p[at] != q[at] || p[at + 1] != q[at + 1] || p[at + 2] != q[at + 2];
            }
        }
        return count;
    }

    // A new character's new game on the adventure's start map, its opening texts answered.
    static void NewGame(uint32_t seed)
    {
        SetRandSeed(seed);
        Game().ResetStats();
        mmmode = false;
        ingame = true;
        Game().StartNewGame();
        AnswerRequests();
    }
    // An enabled wanderer of the level whose monster is (or is not) a boss: of those without a script (which may
    // queue more enemies) the weakest; -1 none.
    static int32_t FindWanderer(bool boss)
    {
        const auto rank = [](const wanderer& w) { return std::make_pair(!w.script.empty(), monsters[w.mtype].lvl); };
        int32_t found = -1;
        for (int32_t i = wanderers.Low(); i <= wanderers.High(); ++i) {
            const wanderer& w = wanderers[i];
            if (!w.enabled || w.mtype < 0 || w.mtype > monsters.High() || monsters[w.mtype].boss != boss) continue;
            if (found < 0 || rank(w) < rank(wanderers[found])) found = i;
        }
        return found;
    }
    // The player set down on the wanderer's cell: the next frame meets it.
    static void MeetWanderer(int32_t i)
    {
        SetDown(wanderers[i].x, wanderers[i].y, lookside);
        StepFrames(1, cFrame);
    }
    // The cell of a battle event whose monster is a boss, -1 none.
    static bool FindBossEvent(int32_t& x, int32_t& y)
    {
        for (x = 0; x <= mapmaxx; ++x)
            for (y = 0; y <= mapmaxy; ++y) {
                const lcell& cell = levelgrid[x][y];
                if (cell.trap && cell.traptype == 1 && cell.doorno >= 0 && cell.doorno <= monsters.High() &&
                    monsters[cell.doorno].boss)
                    return true;
            }
        return false;
    }
};

TEST_F(GameBattle, ANewGameBeatsTheFirstLevelsWandererWithHandCards)
{
    NewGame(2025);
    ASSERT_EQ(mapid, "startmap");
    const int32_t met = FindWanderer(false);
    ASSERT_GE(met, 0) << "the first level has a wanderer";
    const wanderer foe = wanderers[met];
    const int32_t xp = player.xp;
    TBoundedTable<loot, 0, 1000> before = items;

    MeetWanderer(met);
    EXPECT_FALSE(wanderers[met].enabled);
    StepFrames(1, cFrame);
    ASSERT_TRUE(btlmode);
    EXPECT_EQ(btlslots[0].enem_id, foe.mtype);
    EXPECT_EQ(shownenemy, foe.mtype);
    EXPECT_EQ(wantedtrack, "battle");
    // Each hand card in turn; a fallen target gives way to the next enemy.
    const int32_t worth =
        FightWith([](int moves) { return opponent.hp <= 0 ? 60 : 10 + moves % 6; }, "battle-1-fight.png");
    for (int32_t s = 0; s <= 10; ++s) EXPECT_EQ(btlslots[s].name, "nil") << s;

    ASSERT_GT(player.hp, 0) << "the player won";
    EXPECT_EQ(btlphase, 0);
    EXPECT_EQ(battlelist[0], -2);
    EXPECT_GT(worth, 0);
    EXPECT_EQ(player.xp, xp + worth);
    // The seed's loot: at most the wanderer's own (none at a chance of 0).
    const character& kind = monsters[foe.mtype];
    for (int32_t id = items.Low(); id <= items.High(); ++id)
        if (items[id].count != before[id].count)
            EXPECT_TRUE(kind.lootchance > 0 && (kind.loot == id || kind.loot == -1)) << "item " << id;
    AnswerRequests();
    EXPECT_FALSE(wanderers[met].enabled);
    EXPECT_FALSE(wandererobjs[met] && wandererobjs[met]->Visible()) << "the wanderer is gone";
    EXPECT_FALSE(gbuttons[10].visible);
    EXPECT_TRUE(ingame);
}

// The cards just played rest at the sides of the view, above the hand: the hand's first and last cards show whole
// beside them. A rat struck past its last hit point shows none left, not a debt.
TEST_F(GameBattle, ThePlayedCardsRestAboveTheHandAndAFallenEnemyHasNoHitPointsLeft)
{
    NewGame(2025);
    const int32_t met = FindWanderer(false);
    ASSERT_GE(met, 0);
    MeetWanderer(met);
    for (int frame = 0; frame < cFrameLimit && !PlayersMove(); ++frame) {
        if (rfmode) PressKey(VK_RETURN);
        StepFrames(1, cFrame);
    }
    ASSERT_TRUE(PlayersMove());
    // Each side's last card, landed beside the view's edges.
    lastplayercard = player.hand[0];
    lastmonstercard = opponent.hand[0];
    Game().usedcard->Material()->SetLibMaterialName("card_" + std::to_string(lastmonstercard) + "_0");
    Game().usedcard2->Material()->SetLibMaterialName("card_" + std::to_string(lastplayercard) + "_0");
    enemycardposx = Game().usedcard->Width() / 2;
    playercardposx = scrw - Game().usedcard2->Width() / 2;
    StepFrames(1, 0);
    const std::unique_ptr<TBitmap> played = Snapshot();
    SavePicture(*played, "battle-played-cards.png");
    lastplayercard = lastmonstercard = -1;
    StepFrames(1, 0);
    const std::unique_ptr<TBitmap> none = Snapshot();
    EXPECT_GT(PixelsThatDiffer(*played, *none), 140 * 220) << "the two played cards were drawn";
    for (int32_t id : {10, 15}) EXPECT_EQ(DifferOn(id, *played, *none), 0) << "hand card " << id;

    opponent.hp = -7;
    StepFrames(1, 0);
    EXPECT_NE(Game().monster_name->Text().find(": 0/" + std::to_string(opponent.hpmax) + ")"), std::string::npos)
        << Game().monster_name->Text();
}

TEST_F(GameBattle, AWeakCharacterSkippingEveryTurnDiesToTheBossAndStartsOverInTheMenu)
{
    // A new character, taken straight to the last hand-made level that holds the boss, at an event cell or as
    // a wanderer.
    SetRandSeed(7);
    Game().ResetStats();
    mmmode = false;
    ingame = true;
    int32_t x = -1, y = -1, boss = -1;
    bool event = false;
    for (int32_t n = 9; n >= 0 && !event && boss < 0; --n) {
        const std::string name = adventureid + std::to_string(n);
        if (!DataFileExists(GamePath("\\levels\\" + name + ".map"))) continue;
        Game().ChangeLevel(1, name);
        event = FindBossEvent(x, y);
        boss = FindWanderer(true);
    }
    ASSERT_TRUE(event || boss >= 0) << "a hand-made level holds the boss";
    AnswerRequests();
    // Few hit points: the boss needs only a round or two.
    player.bend = player.endurance = 0;
    if (event)
        StepOnto(x, y);
    else
        MeetWanderer(boss);
    AnswerRequests();
    ASSERT_TRUE(btlmode);
    EXPECT_TRUE(monsters[btlslots[0].enem_id].boss);
    StepFrames(1, cFrame);
    Picture("2-boss");

    FightWith([](int) { return 16; });
    EXPECT_TRUE(mmmode);
    EXPECT_FALSE(ingame);
    EXPECT_EQ(player.lvl, 1);
    EXPECT_EQ(player.xp, 0);
    EXPECT_EQ(battlelist[0], -2);
    EXPECT_EQ(btlslots[0].name, "nil");
    StepFrames(1, cFrame);
    ASSERT_TRUE(rfmode);
    EXPECT_EQ(rftitle, strarr[128]);
    Picture("3-defeat");
    PressKey(VK_RETURN);
    EXPECT_FALSE(rfmode);
}

} // namespace
