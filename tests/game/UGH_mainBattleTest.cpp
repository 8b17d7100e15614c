// The battle flow: derived values, the opening of a battle with its enemies, and the player's commands, on an
// unshown main window over a data folder of its own.
#include "UGH_main.h"

#include "RandomGenerator.h"
#include "UGHBattlelog.h"
#include "UGH_data.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace {

class Battle : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        difficulty = 0;
        stepscale = 0;
        leveling = false;
        btltarget = 0;
        stance = 0;
        clearbattlelist();
        clearbtlslots();
        opponent = FreeBattleSlot();
    }
    void TearDown() override
    {
        btlmode = false;
        MainWindowLevel::TearDown();
    }

    // Monster type id: level lvl, every attribute and skill v.
    static void Monster(int32_t id, int32_t lvl, int32_t v)
    {
        character& m = monsters[id];
        m = character();
        m.name = "m" + std::to_string(id);
        m.lvl = lvl;
        m.strength = m.intelligence = m.speed = m.endurance = v;
        m.sword = m.bow = m.armor = m.magic = v;
        m.enem_id = id;
    }
};

TEST(BattleValues, DifficultyScaleAndSpecialCooldown)
{
    EXPECT_NEAR(difficultyscale(-3, 1), 0.973, 1e-12);
    EXPECT_EQ(difficultyscale(0, 1), 1);
    EXPECT_NEAR(difficultyscale(5, 1), 1.125, 1e-12);

    // 250 and 350 are exact halves: 2.5 rounds to 2, 3.5 to 4.
    const std::pair<int32_t, int32_t> cooldowns[] = {{50, 4}, {150, 2}, {250, 2}, {349, 1}, {350, 0}, {1000, 0}};
    for (const auto& [intelligence, cd] : cooldowns)
        EXPECT_EQ(StartSpecialCooldown(intelligence), cd) << "intelligence " << intelligence;
}

TEST(BattleValues, EnemyScalingRoundsHalvesToEven)
{
    struct TCase {
        int32_t v;
        double stepscale;
        int32_t difficulty, expected;
    };
    const TCase cases[] = {
        {10, 0.5, 0, 15}, {5, 0.5, 0, 8}, {3, 0.5, 0, 4}, // 7.5 -> 8, 4.5 -> 4
        {10, 2, 0, 30},   {10, 6, 0, 30},                 // the step scale stops at 2
        {10, 0, 0, 10},   {10, 0, 5, 11},                 // 10 x 1.125 = 11.25
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ScaleEnemyValue(c.v, c.stepscale, c.difficulty), c.expected)
            << c.v << " at " << c.stepscale << ", difficulty " << c.difficulty;
}

TEST_F(Battle, MaxHitPointsCountLevelEnduranceAndQueuedEnemies)
{
    character chr;
    chr.lvl = 1;
    chr.endurance = 10;
    EXPECT_EQ(form->CalcMaxHP(chr, 1, false, true), 110);
    EXPECT_EQ(form->CalcMaxHP(chr, 0, true, false), 50); // the difficulty (0) in place of the level
    perks[1].addcoded = perks[2].addcoded = 6; // a quarter more each: 137.5 -> 138, 165
    chr.perks[1] = true;
    EXPECT_EQ(form->CalcMaxHP(chr, 1, false, true), 138);
    chr.perks[2] = true;
    EXPECT_EQ(form->CalcMaxHP(chr, 1, false, true), 165);
    chr.perks[1] = chr.perks[2] = false;

    battlelist[0] = battlelist[1] = battlelist[2] = 0;
    EXPECT_EQ(pendingcount(), 2);
    EXPECT_EQ(form->CalcMaxHP(chr, 1, false, true), 120);
    EXPECT_EQ(form->CalcMaxHP(chr, 1, true, true), 110);
    difficulty = 5; // never fewer hit points for the queue
    EXPECT_EQ(form->CalcMaxHP(chr, 1, false, true), 5 * 2 * 11);
}

TEST_F(Battle, SlotsListAndTotals)
{
    EXPECT_EQ(firstfreeslot(), 0);
    for (int32_t s = 0; s <= 9; ++s) btlslots[s].name = "x";
    EXPECT_EQ(firstfreeslot(), 10);
    btlslots[10].name = "x";
    EXPECT_EQ(firstfreeslot(), -1);
    clearbtlslots();

    // The targeted slot counts through opponent even when free; the others only when taken; no negatives.
    btltarget = 1;
    opponent.hp = 7;
    btlslots[0].name = "a";
    btlslots[0].hp = 5;
    btlslots[2].name = "b";
    btlslots[2].hp = -4;
    btlslots[3].hp = 100; // free
    EXPECT_EQ(totalenemyhp(), 12);

    player.e[0] = 2;
    opponent.e[1] = 1;
    btlslots[4].e[99] = 3;
    player.estr[0] = 9;
    effecttick();
    EXPECT_EQ(player.e[0], 1);
    EXPECT_EQ(opponent.e[1], 0);
    EXPECT_EQ(btlslots[4].e[99], 2);
    EXPECT_EQ(player.estr[0], 9);
}

// Levels, endurance and hit points come from editable files: sums past Integer are held at its bounds.
TEST_F(Battle, SumsOfTheLargestValuesHoldAtIntegerBounds)
{
    character chr;
    chr.lvl = chr.endurance = INT32_MAX;
    EXPECT_EQ(form->CalcMaxHP(chr, 1, false, true), INT32_MAX);
    chr.hpmax = chr.strength = chr.intelligence = chr.speed = INT32_MAX;
    chr.sword = chr.bow = chr.armor = chr.magic = INT32_MAX;
    EXPECT_EQ(xpworth(chr), INT32_MAX);
    chr.lvl = INT32_MIN;
    EXPECT_EQ(xpworth(chr), INT32_MIN);
    chr.lvl = chr.endurance = INT32_MIN;
    EXPECT_EQ(form->CalcMaxHP(chr, 1, true, false), INT32_MIN);

    opponent.hp = INT32_MAX;
    for (int32_t s = 1; s <= 10; ++s) {
        btlslots[s].name = "giant";
        btlslots[s].hp = INT32_MAX;
    }
    EXPECT_EQ(totalenemyhp(), INT32_MAX);
    // The experience of the whole battle adds the giants' worths.
    for (int32_t s = 1; s <= 10; ++s) btlslots[s].hpmax = btlslots[s].lvl = INT32_MAX;
    EXPECT_EQ(form->ebw(), INT32_MAX);
}

TEST_F(Battle, AnEnemyJoinsScaledAndOnlyOnce)
{
    Monster(3, 1, 10);
    stepscale = 0.5;
    battlelist[0] = 3;
    battlelist[1] = 3;
    form->joinpending();
    form->joinpending();
    EXPECT_EQ(btlslots[0].blind, 0);
    EXPECT_EQ(btlslots[1].blind, 1);
    EXPECT_EQ(btlslots[2].name, "nil");
    EXPECT_EQ(btlslots[0].strength, 15);
    EXPECT_EQ(btlslots[0].magic, 15);
    EXPECT_EQ(btlslots[0].hpmax, 5 * 15);
    EXPECT_EQ(btlslots[0].hp, btlslots[0].hpmax);
    EXPECT_EQ(btlslots[0].mana, 15);
    EXPECT_EQ(addedmonster, 3);

    // Ids beyond the table and monsters named "none" never join.
    monsters[4].name = "none";
    for (int32_t id : {4, 101, -5}) form->AddEnemyToBattle(id, 5);
    EXPECT_EQ(btlslots[2].name, "nil");
}

TEST_F(Battle, LevellingRaisesAWeakerEnemyTowardThePlayer)
{
    Monster(0, 1, 0);
    leveling = true;
    player.lvl = 5;
    SetRandSeed(1);
    form->AddEnemyToBattle(0, 0);
    const character& m = btlslots[0];
    const int32_t g = m.lvl - 1;
    EXPECT_GE(g, 1);
    EXPECT_EQ(m.sword + m.bow + m.magic + m.armor, 10 * g);
    EXPECT_EQ(m.strength + m.intelligence + m.speed + m.endurance, 4 * g);
}

TEST_F(Battle, OpeningTiesGoToTheEnemy)
{
    Monster(0, 1, 10);
    player.speed = 0;
    player.intelligence = 350;
    battlelist[0] = 0;
    addbtlmsg("the last battle's play");
    form->StartBattle(0);
    EXPECT_TRUE(btlmode);
    EXPECT_EQ(btlphase, 1);
    EXPECT_EQ(btlturn, 1); // Random(0) = 0 never beats the enemy's roll
    // The short log tells this battle only: the enemy that opened it.
    EXPECT_EQ(btlmsgs, (std::vector<std::string>{strarr[63] + " m0 (0)"}));
    EXPECT_EQ(opponent.name, "m0");
    EXPECT_EQ(specialcd, 0);
    EXPECT_EQ(player.hp, player.hpmax);
}

TEST_F(Battle, SwitchingOpponentsSkipsFreeSlotsAndWraps)
{
    btlslots[0].name = "a";
    opponent = btlslots[0];
    opponent.hp = 3;
    form->SwitchOppon(1);
    EXPECT_EQ(btltarget, 0);
    EXPECT_EQ(opponent.hp, 3);

    btlslots[7].name = "h";
    form->SwitchOppon(-1);
    EXPECT_EQ(btltarget, 7);
    form->SwitchOppon(1);
    EXPECT_EQ(btltarget, 0);
    form->SwitchOppon(2);
    EXPECT_EQ(btltarget, 0);

    const int32_t captions[] = {411, 413, 412};
    for (int32_t caption : captions) {
        form->SwitchStance();
        EXPECT_EQ(gbuttons[62].caption, strarr[caption]);
    }
    EXPECT_EQ(stance, 0);
}

TEST_F(Battle, TheSingleEnemyOpeningScalesTheMonsterIntoTheOpponentAndPreparesThePlayer)
{
    Monster(3, 1, 10);
    monsters[3].jrn = 6;
    stepscale = 1; // each value doubled
    std::unique_ptr<TForm9, TFreeDeleter> log{new TForm9(nullptr)};
    Form9 = log.get();
    showbtllog = true;
    player.lvl = 1;
    player.endurance = player.intelligence = 10;
    player.e[4] = 3;
    form->OldStartBattle(3);
    EXPECT_EQ(opponent.name, "m3");
    EXPECT_EQ(opponent.strength, 20);
    EXPECT_EQ(opponent.armor, 20);
    EXPECT_TRUE(form->CheckJournalUnlocked(6));
    EXPECT_EQ(log->Memo1->Lines()->Strings(log->Memo1->Lines()->Count() - 1), "m3 (3)");
    EXPECT_EQ(player.hp, 110);
    EXPECT_EQ(player.mana, 10);
    EXPECT_EQ(player.e[4], 0);
    EXPECT_EQ(btlslots[0].name, "nil") << "no slot is used";

    // No such monster: nothing changes.
    monsters[4].name = "none";
    for (const int32_t id : {4, 101, -1}) {
        player.hp = 1;
        form->OldStartBattle(id);
        EXPECT_EQ(opponent.name, "m3") << id;
        EXPECT_EQ(player.hp, 1) << id;
    }
    Form9 = nullptr;
}

// A battle against fighters of monster type 0 in the given slots, its hands all card 0 (which does nothing).
class BattleRound : public Battle {
protected:
    void SetUp() override
    {
        Battle::SetUp();
        cards[0] = card();
        cards[0].name = "nothing";
        cards[0].enabled = cards[0].active = true;
        cards[0].consumes = -1;
        Monster(0, 1, 10);
        monsters[0].spellbook[0] = monsters[0].spellen[0] = true;
        player.spellbook[0] = player.spellen[0] = true;
        player.speed = player.intelligence = player.endurance = 10;
        player.lvl = 1;
    }
    // One frame of the battle; the played cards land at once.
    void Frame()
    {
        form->ControlBattle();
        enemycardflying = playercardflying = false;
    }
};

TEST_F(BattleRound, OneEnemyRoundSkipsTheFreeSlotsOneFrameEachThenTicks)
{
    battlelist[0] = 0;
    form->StartBattle(0);
    btlturn = 0;
    player.e[19] = 5;
    Frame();
    form->SkipTurn(); // speed 10: the turn passes
    ASSERT_EQ(btlturn, 1);
    Frame(); // slot 0 acts
    EXPECT_EQ(btlturn, 2);
    for (int32_t k = 0; k < 9; ++k) Frame();
    EXPECT_EQ(btlturn, 11);
    EXPECT_EQ(player.e[19], 5);
    Frame(); // slot 10 skipped: the round ends
    EXPECT_EQ(btlturn, 0);
    EXPECT_EQ(player.e[19], 4);
    EXPECT_TRUE(btlmode);
}

TEST_F(BattleRound, SkippingRedrawsOnceAtSpeed35)
{
    for (const int32_t speed : {34, 35}) {
        btlturn = 0;
        waitedturn = keepturn = false;
        player.speed = speed;
        form->SkipTurn();
        EXPECT_EQ(btlturn, speed >= 35 ? 0 : 1) << speed;
        EXPECT_EQ(waitedturn, speed >= 35) << speed;
        form->SkipTurn();
        EXPECT_EQ(btlturn, speed >= 35 ? 1 : 2) << speed;
        EXPECT_FALSE(waitedturn);
    }
}

TEST_F(BattleRound, MonsterChoosesByScore)
{
    const int32_t dmgph[] = {0, 20, 0, 50};
    const int32_t addhp[] = {0, 0, 15, 0};
    const int32_t hpc[] = {0, 0, 0, 40};
    for (int32_t i = 0; i < 4; ++i) {
        cards[i + 1] = card();
        cards[i + 1].dmgph = dmgph[i];
        cards[i + 1].addhp = addhp[i];
        cards[i + 1].hpc = hpc[i];
    }
    struct TCase {
        const char* what;
        int32_t playerhp, opponenthp, expected;
    };
    const TCase cases[] = {
        {"the strongest hit", 100, 100, 3},
        {"not the card that kills its user", 100, 30, 1},
        {"healing counts double below a quarter", 100, 20, 2},
        {"damage counts double on a weak player", 10, 30, 1},
    };
    player.hpmax = opponent.hpmax = 100;
    for (const TCase& c : cases) {
        for (int32_t i = 0; i <= 5; ++i) opponent.hand[i] = i <= 3 ? i + 1 : 1;
        player.hp = c.playerhp;
        opponent.hp = c.opponenthp;
        EXPECT_EQ(form->MonsterAI(), c.expected) << c.what;
    }
    opponent.hand.Fill(1);
    cards[1].dmgph = 0;
    EXPECT_EQ(form->MonsterAI(), -1);
}

TEST_F(BattleRound, VictoryRollsLootPerSlotOnce)
{
    battlelist[0] = battlelist[1] = 0;
    form->StartBattle(0);
    form->joinpending();
    btlslots[0].loot = 5;
    btlslots[1].loot = -2;
    btlslots[0].lootchance = btlslots[1].lootchance = 101;
    btlslots[1].hp = 0;
    opponent.hp = 0;
    items[5].count = 0;
    Frame();
    EXPECT_FALSE(btlmode);
    EXPECT_EQ(btlphase, 0);
    EXPECT_EQ(items[5].count, 1);
    EXPECT_EQ(battlelist[0], -2);
    EXPECT_EQ(btlslots[0].name, "nil");
    Frame();
    EXPECT_EQ(items[5].count, 1);
}

} // namespace
