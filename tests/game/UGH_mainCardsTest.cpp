// A card's damage (rolled and expected), the elements, the timed effects' polarity and their dispel, on an unshown
// main window.
#include "UGH_main.h"

#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "RandomGenerator.h"
#include "UGHBattlelog.h"
#include "UGH_data.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

class Cards : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        seteffectpolarity();
        user = character{};
        target = character{};
        target.spec = 1; // no class bonus unless a test asks for one
        card& c = cards[1];
        c = card{};
        c.bont = 0;
        c.consumes = -1;
    }

    // The expected damage of cards[1] with the user's values gsl, ustr and the target's tspd.
    int32_t Expected(int32_t gsl, int32_t ustr, int32_t tspd)
    {
        return form->CalcDmg(0, 1, gsl, ustr, 0, 0, 0, 0, 0, tspd, 0, user, target, false, false);
    }

    character user, target;
};

// A card, a fighter and the stances at the largest values a file can hold: the damage stays within Integer.
TEST_F(Cards, DamageOfTheLargestValuesHoldsAtIntegerBounds)
{
    TScopedValue<int32_t> savedStance{stance, 0};
    card& c = cards[1];
    c.dmgph = INT32_MAX;
    user.e[1] = 1;
    user.e[2] = INT32_MAX;
    for (const int32_t tspd : {0, INT32_MAX}) {
        for (const int32_t side : {0, 1}) {
            for (const int32_t way : {1, -1}) {
                SCOPED_TRACE(std::to_string(tspd) + " " + std::to_string(side) + " " + std::to_string(way));
                stance = way;
                for (const bool rolled : {false, true}) {
                    const int32_t d = form->CalcDmg(side, 1, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX,
                                                    0, 0, tspd, INT32_MAX, user, target, rolled, false);
                    EXPECT_GE(d, 0);
                }
            }
        }
    }
}

TEST_F(Cards, ExpectedDamageGoldens)
{
    struct Case {
        const char* name;
        int32_t mindam, dmgph, gsl, armor, ustr, tspd, dmgperc, hp, want;
    };
    const Case cases[] = {
        {"skill, armour, strength, speed, percent", 20, 20, 50, 10, 40, 30, 10, 100, 37},
        {"armour rounds 2.5 to 2", 25, 25, 0, 10, 0, 10, 0, 0, 21},
        {"armour beyond the damage: 1, then the percent", 20, 20, 0, 150, 0, 0, 10, 50, 6},
        {"a span the wrong way round counts as none", 30, 10, 0, 0, 0, 0, 0, 0, 30},
        {"nothing to deal", 0, 0, 0, 0, 0, 0, 0, 100, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        cards[1].mindam = k.mindam;
        cards[1].dmgph = k.dmgph;
        cards[1].dmgperc = k.dmgperc;
        target.armor = k.armor;
        target.hp = k.hp;
        const uint32_t seed = RandSeed();
        EXPECT_EQ(Expected(k.gsl, k.ustr, k.tspd), k.want);
        EXPECT_EQ(RandSeed(), seed) << "the expected damage draws nothing";
    }
}

TEST_F(Cards, ExpectedDamageTakesTheMiddleResistanceAndNoMiss)
{
    cards[1].mindam = 10;
    cards[1].dmgph = 21;
    perks[5].addcoded = 11; // resistance
    target.perks[5] = true;
    user.e[23] = 3; // misses at strength 100 when rolled
    user.estr[23] = 100;
    EXPECT_EQ(Expected(0, 0, 0), 11); // 15 less round(26 % of 15)
    EXPECT_EQ(form->CalcDmg(0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, user, target, true, false), 0);
}

TEST_F(Cards, Elements)
{
    struct Case {
        const char* name;
        int32_t cardel, userel, targetel, want;
    };
    const Case cases[] = {
        {"neutral", 0, 0, 0, 20},
        {"opposed to the target", 1, 0, 2, 40},
        {"the target's own", 3, 0, 3, 10},
        {"the user's own", 4, 4, 0, 26},
        {"the user's own and opposed", 4, 4, 3, 52},
    };
    cards[1].mindam = cards[1].dmgph = 20;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        cards[1].element = k.cardel;
        user.element = k.userel;
        target.element = k.targetel;
        EXPECT_EQ(Expected(0, 0, 0), k.want);
    }
    EXPECT_TRUE(elementsopposed(1, 2) && elementsopposed(2, 1) && elementsopposed(3, 4) && elementsopposed(4, 3));
    EXPECT_FALSE(elementsopposed(1, 3) || elementsopposed(2, 4) || elementsopposed(0, 0) || elementsopposed(1, 1));
}

TEST_F(Cards, RolledDamageLogsEveryStepEvenWithNothingToDeal)
{
    std::unique_ptr<TForm9, TFreeDeleter> log{new TForm9(nullptr)};
    Form9 = log.get();
    showbtllog = true;
    SetRandSeed(7);
    EXPECT_EQ(form->CalcDmg(0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, user, target, true, false), 0);
    ASSERT_EQ(log->Memo1->Lines()->Count(), 1);
    EXPECT_EQ(log->Memo1->Lines()->Strings(0), "s134: 0 (0)");

    // A rolled base inside [mindam, dmgph - 1] and its line first.
    log->Memo1->Clear();
    cards[1].mindam = 5;
    cards[1].dmgph = 9;
    const int32_t d = form->CalcDmg(0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, user, target, true, false);
    EXPECT_GE(d, 5);
    EXPECT_LE(d, 8);
    EXPECT_EQ(log->Memo1->Lines()->Strings(0), "s133: " + std::to_string(d));
    Form9 = nullptr;
}

TEST_F(Cards, PercentAndHitPointCost)
{
    EXPECT_EQ(percentof(50, 10), 5);
    EXPECT_EQ(percentof(25, 10), 2); // 2.5 to even
    EXPECT_EQ(percentof(35, 10), 4);
    perks[3].addcoded = 19;
    EXPECT_EQ(form->gethpcdrop(5, user), 5);
    user.perks[3] = true;
    EXPECT_EQ(form->gethpcdrop(5, user), 2); // 2.5 to even
    EXPECT_EQ(form->gethpcdrop(7, user), 4);
}

TEST_F(Cards, Polarity)
{
    for (int32_t k = 0; k <= 99; ++k) {
        const bool beneficial = k < 24 && k != 0 && k != 5 && k != 6 && k != 8 && k != 9 && k != 20 && k != 22 &&
            k != 23;
        EXPECT_EQ(efpolarity[k], beneficial) << "type " << k + 1;
    }
}

TEST_F(Cards, DispelSpendsItsStrengthInOrder)
{
    // The user's harmful effects: type 6 of strength 5 keeps 2 (5 - 2 - 1 - 0).
    user.e[5] = 4;
    user.estr[5] = 5;
    user.e[6] = 4;
    user.estr[6] = 0;
    form->ProcDispell(0, 3, user, target);
    EXPECT_EQ(user.e[5], 4);
    EXPECT_EQ(user.estr[5], 2);
    EXPECT_EQ(user.e[6], 4) << "nothing was left for the next effect";

    // Strength 0 goes at the cost of 1; two points remain for the next harmful one.
    character other;
    other.e[0] = 3;
    other.e[5] = 2;
    other.estr[5] = 2;
    other.e[1] = 5; // beneficial: untouched
    form->ProcDispell(0, 3, other, target);
    EXPECT_EQ(other.e[0], 0);
    EXPECT_EQ(other.e[5], 2); // 2 - 1 - 0: it stays at strength 1
    EXPECT_EQ(other.estr[5], 1);
    EXPECT_EQ(other.e[1], 5);

    // On the target its beneficial effects go.
    target.e[1] = 2;
    target.e[0] = 2;
    form->ProcDispell(1, 1, user, target);
    EXPECT_EQ(target.e[1], 0);
    EXPECT_EQ(target.e[0], 2);
}

// The player against opponent (slot 0) with card 1 in hand slot 0: 10 damage, no skill, nothing else.
class Play : public Cards {
protected:
    void SetUp() override
    {
        Cards::SetUp();
        cards[1].mindam = cards[1].dmgph = 10;
        cards[1].sound = "0";
        cards[1].govskill = 2;
        for (character* fighter : {&player, &opponent}) {
            fighter->hp = 50;
            fighter->hpmax = 100;
            fighter->mana = 20;
            fighter->manamax = 20;
            fighter->hand[0] = 1;
        }
        player.name = "P";
        opponent.name = "O";
        opponent.spec = 1;
        btltarget = 0;
        turndone = false;
    }
    void PlayerPlays() { form->UseCard(0, 0, player, opponent); }
};

TEST_F(Play, RefusalsCostNothingAndEndTheTurn)
{
    struct Case {
        const char* name;
        void (*prepare)();
        const char* title; // the request told, nullptr none
    };
    const Case cases[] = {
        {"missing consumable", [] { cards[1].consumes = 4; }, "s315"},
        {"mana short", [] { cards[1].mc = 21; }, "s75"},
        {"hit points short", [] { cards[1].hpc = 51; }, "s75"},
        {"blocked by type 1", [] { player.e[0] = 2; }, nullptr},
        {"blocked by type 23", [] { player.e[22] = 2; }, nullptr},
        {"a card id beyond the table", [] { player.hand[0] = 5000; }, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        SetUp();
        k.prepare();
        PlayerPlays();
        EXPECT_TRUE(turndone);
        EXPECT_EQ(opponent.hp, 50);
        EXPECT_EQ(player.mana, 20);
        EXPECT_EQ(player.hp, 50);
        EXPECT_EQ(rfqueue[1].active, k.title != nullptr);
        if (k.title) EXPECT_EQ(rfqueue[1].ttl_text, k.title);
        EXPECT_EQ(btlslots[0].hp, 50) << "the target still goes back to its slot";
        TearDown();
    }
    SetUp();
}

TEST_F(Play, CostsFallOnThePlayerUnlessType3)
{
    cards[1].mc = 5;
    cards[1].hpc = 4;
    PlayerPlays();
    EXPECT_EQ(opponent.hp, 40);
    EXPECT_EQ(player.mana, 15);
    EXPECT_EQ(player.hp, 46);
    EXPECT_EQ(lastplayercard, 1);
    EXPECT_EQ(btlslots[0], opponent);

    player.e[2] = 1; // type 3: no mana, damage x Random(1) + 1
    PlayerPlays();
    EXPECT_EQ(player.mana, 15);

    form->UseCard(0, 1, opponent, player);
    EXPECT_EQ(opponent.mana, 20) << "monsters pay no mana";
    EXPECT_EQ(opponent.hp, 26) << "but hit points";
    EXPECT_EQ(lastmonstercard, 1);
}

TEST_F(Play, AreaCards)
{
    cards[1].mindam = cards[1].dmgph = 50;
    cards[1].AOE = true;
    btlslots[0] = opponent;
    btlslots[1] = opponent;
    btlslots[2] = opponent;
    btlslots[2].hp = 0; // fallen: untouched
    PlayerPlays();
    EXPECT_EQ(opponent.hp, 40); // 50 / 5
    EXPECT_EQ(btlslots[0].hp, 40);
    EXPECT_EQ(btlslots[1].hp, 45); // half of it
    EXPECT_EQ(btlslots[2].hp, 0);

    form->UseCard(0, 1, opponent, player);
    EXPECT_EQ(player.hp, 25); // a monster's area card deals half
}

// Card files may hold Integer's largest amounts and costs below zero: every sum a play makes holds at its bounds.
TEST_F(Play, TheLargestAmountsOfACardFileHoldAtIntegerBounds)
{
    card& c = cards[1];
    c.mindam = c.dmgph = c.addhp = c.addmp = INT32_MAX;
    c.hpc = c.mc = INT32_MIN;
    c.element = player.element = 1; // the user's own element: damage by a third more, healing twice
    c.addeffect = 7;
    c.efflgth = c.effstrgth = INT32_MAX;
    c.effdir = 1;
    c.accum = true;
    PlayerPlays();
    PlayerPlays();
    EXPECT_EQ(opponent.hp, INT32_MIN);
    EXPECT_EQ(player.hp, INT32_MAX);
    EXPECT_EQ(player.mana, INT32_MAX);
    EXPECT_EQ(opponent.e[6], INT32_MAX);
    EXPECT_EQ(opponent.estr[6], INT32_MAX);
}

TEST_F(Play, TimedEffects)
{
    // Type 1 does not hold on a bearer of type 4; the damage still lands.
    cards[1].addeffect = 1;
    cards[1].efflgth = 2;
    cards[1].effdir = 1;
    opponent.e[3] = 3;
    PlayerPlays();
    EXPECT_EQ(opponent.e[0], 0);
    EXPECT_EQ(opponent.hp, 40);
    opponent.e[3] = 0;
    PlayerPlays();
    EXPECT_EQ(opponent.e[0], 3);
    EXPECT_EQ(opponent.estr[0], 2);

    // The drain adds its strength to damage and heal and keeps its own entry.
    SetUp();
    cards[1].addeffect = 12;
    cards[1].effstrgth = 4;
    cards[1].effdir = 1;
    PlayerPlays();
    EXPECT_EQ(opponent.hp, 36);
    EXPECT_EQ(player.hp, 54);
    EXPECT_EQ(opponent.estr[11], 4);

    // The cure takes a round of type 10 per point and clears its own entry.
    SetUp();
    cards[1].mindam = cards[1].dmgph = 0;
    cards[1].addeffect = 22;
    cards[1].effstrgth = 3;
    cards[1].effdir = 0;
    player.e[9] = 5;
    PlayerPlays();
    EXPECT_EQ(player.e[9], 2);
    EXPECT_EQ(player.e[21], 0);
    player.e[9] = 1;
    PlayerPlays();
    EXPECT_EQ(player.e[9], 0);
    // A cure of the largest strength against the most rounds: counted at once, its line a screenful at most.
    cards[1].effstrgth = std::numeric_limits<int32_t>::max();
    shortbtllog = true;
    player.e[9] = std::numeric_limits<int32_t>::max();
    PlayerPlays();
    EXPECT_EQ(player.e[9], 0);
    ASSERT_FALSE(btlmsgs.empty());
    EXPECT_LT(btlmsgs[btlmsgs.size() - 1].size(), 100 * 60u);
}

// The texts of the floating numbers on their way (shown without their labels).
std::vector<std::string> Pops()
{
    std::vector<std::string> texts;
    for (const pop& p : dmgpops)
        if (p.enabled) texts.push_back(p.txt);
    return texts;
}

// A seed whose first draw of Random(100) is above 89 (critical) or not.
uint32_t SeedFirstDrawing(bool above89)
{
    uint32_t seed = 1;
    for (;; ++seed) {
        SetRandSeed(seed);
        if ((Random(100) > 89) == above89) return seed;
    }
}

TEST_F(Play, ACriticalHitDoublesPerPerkAndASecondStrikeRollsAgain)
{
    const bool labelled = extdmginfo; // a configuration read earlier may have set it
    extdmginfo = false;
    for (const bool critical : {false, true}) {
        SCOPED_TRACE(critical ? "critical" : "plain");
        SetUp();
        perks[2].addcoded = 1; // critical hits
        player.perks[2] = true;
        SetRandSeed(SeedFirstDrawing(critical));
        PlayerPlays();
        EXPECT_EQ(opponent.hp, critical ? 30 : 40);
        EXPECT_EQ(Pops(), std::vector<std::string>{critical ? "20!" : "10"});
    }

    // The second strike needs a governing skill: magic 1000 makes its draw below 1000 certain, 110 a strike; the
    // damage shown is both together, the strike's own is added.
    SetUp();
    perks[3].addcoded = 17;
    player.perks[3] = true;
    player.magic = 1000;
    PlayerPlays();
    EXPECT_EQ(opponent.hp, 50 - 2 * 110);
    EXPECT_EQ(Pops(), (std::vector<std::string>{"220", "+110"}));

    // Without a skill the strike's draw is not even made.
    const auto seedAfterPlay = [this](bool secondStrike) {
        SetUp();
        perks[3].addcoded = 17;
        player.perks[3] = secondStrike;
        SetRandSeed(5);
        PlayerPlays();
        return RandSeed();
    };
    EXPECT_EQ(seedAfterPlay(true), seedAfterPlay(false));
    extdmginfo = labelled;
}

TEST_F(Play, StanceRaisesOrLowersTheRolledDamageByTheFightersValues)
{
    struct Case {
        int32_t side, stance, perks22, want;
    };
    // 10 damage; strength and speed (attacker) or endurance and speed (the player defending) of 20 each make
    // round(40 x 10 / 200) = 2; the player's perk effect 22 multiplies his own side's part.
    const Case cases[] = {
        {0, 0, 0, 10}, {0, 1, 0, 12}, {0, -1, 0, 8}, {0, 1, 2, 14}, {0, -1, 2, 8},
        {1, 1, 0, 12}, {1, -1, 0, 8}, {1, 1, 2, 12}, {1, -1, 2, 6},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.side) + " " + std::to_string(k.stance) + " " + std::to_string(k.perks22));
        SetUp();
        for (character* fighter : {&player, &opponent}) fighter->strength = fighter->speed = fighter->endurance = 20;
        for (int32_t p = 0; p < k.perks22; ++p) {
            perks[4 + p].addcoded = 22;
            player.perks[4 + p] = true;
        }
        stance = k.stance;
        if (k.side == 0)
            PlayerPlays();
        else
            form->UseCard(0, 1, opponent, player);
        EXPECT_EQ(50 - (k.side == 0 ? opponent.hp : player.hp), k.want);
    }
    stance = 0;
}

TEST_F(Play, APlayedCardFliesFromItsButtonOrTheMonstersPicture)
{
    form->prepareuiobjects();
    form->gbsprites[12]->Position()->SetPoint(300, 600, 0);
    form->gbsprites[53]->Position()->SetPoint(100, 400, 0);
    form->monster_img->Position()->SetPoint(512, 200, 0);
    struct Case {
        int32_t side, slot;
        double x, y;
    };
    for (const Case& k : {Case{0, 2, 300, 600}, Case{0, 6, 100, 400}, Case{1, 0, 512, 200}}) {
        SCOPED_TRACE(std::to_string(k.side) + " " + std::to_string(k.slot));
        playercardflying = enemycardflying = false;
        (k.side == 0 ? player : opponent).hand[k.slot] = 1;
        if (k.side == 0)
            form->UseCard(k.slot, 0, player, opponent);
        else
            form->UseCard(k.slot, 1, opponent, player);
        EXPECT_EQ(playercardflying, k.side == 0);
        EXPECT_EQ(enemycardflying, k.side == 1);
        EXPECT_EQ(k.side == 0 ? playercardhomex : enemycardhomex, k.x);
        EXPECT_EQ(k.side == 0 ? playercardposy : enemycardposy, k.y);
        TGLHUDSprite* picture = k.side == 0 ? form->usedcard2 : form->usedcard;
        EXPECT_EQ(picture->Material()->LibMaterialName(), "card_1_0");
    }
    playercardflying = enemycardflying = false;
}

TEST_F(Play, TheCardsScriptReadsThePlaysValuesAndOneThatReplacesTheLevelEndsTheBattle)
{
    player.sword = 30;
    player.strength = 10; // effective sword round(30 + 30 x 10 / 100) = 33
    opponent.armor = 7;
    folder.Write("cards/1_script.txt", "SetInt 1,^sw;SetInt 2,^tar;");
    PlayerPlays();
    EXPECT_EQ(intvars[1], 33);
    EXPECT_EQ(intvars[2], 7);
    EXPECT_EQ(cardvalues[12], 0) << "the player's side";
    EXPECT_EQ(opponent.hp, 41) << "the amounts read back unchanged: 10 less 1 for the armour";

    // Death by the card's own script: the play applies nothing and the battle is over.
    std::filesystem::create_directories(folder.path / "levels");
    folder.Write("cards/1_script.txt", "KillPlayer;");
    btlmode = true;
    battlelist[0] = 3;
    btlslots[0] = opponent;
    PlayerPlays();
    EXPECT_FALSE(btlmode);
    EXPECT_TRUE(turndone);
    EXPECT_EQ(battlelist[0], -2);
    EXPECT_EQ(btlslots[0].name, "nil");
    EXPECT_TRUE(mmmode);
}

} // namespace
