// Hands and decks on an unshown main window: which slots a hand draw replaces, the curse, the deck's lower
// bound, card gifts and the new card of a skill, the next owned card and a card's description.
#include "UGH_main.h"

#include "GLMaterial.h"
#include "GLHUDObjects.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "ZODLog.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

class Hand : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        cardcount = 10;
        for (int32_t k = 0; k < cardcount; ++k) {
            cards[k].enabled = true;
            cards[k].name = "c" + std::to_string(k);
            cards[k].consumes = -1;
            cards[k].element = -1;
        }
        player.name = "Hero";
        keepturn = false;
        lastnewcard = -1;
        SetRandSeed(12345);
    }

    // ch owns (and has in its deck) the cards ids.
    static void Own(character& ch, std::initializer_list<int32_t> ids)
    {
        for (int32_t k : ids) ch.spellbook[k] = ch.spellen[k] = true;
    }
    std::string FoundPicture() const { return form->spellfound->Material()->LibMaterialName(); }
};

TEST_F(Hand, ASlowFighterGetsSixNewCardsAFastOneOnlyTheSlotPlayedLast)
{
    for (int32_t speed : {34, 35}) {
        player.speed = speed;
        Own(player, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        for (int32_t i = 0; i < 6; ++i) player.hand[i] = -7;
        player.luc = 2;
        form->ShuffleHand(player, false);
        for (int32_t i = 0; i < 6; ++i) {
            const bool redrawn = speed == 34 || i == 2;
            EXPECT_EQ(player.hand[i] != -7, redrawn) << "speed " << speed << " slot " << i;
            if (redrawn) {
                EXPECT_TRUE(player.hand[i] >= 0 && player.hand[i] < 10);
            }
        }
        EXPECT_EQ(player.luc, -1);
    }
}

TEST_F(Hand, ThePlayerDrawsFromHisDeckAMonsterFromEverythingItOwns)
{
    Own(player, {1, 4});
    player.spellen[1] = false;
    player.speed = 10;
    form->ShuffleHand(player, false);
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(player.hand[i], 4);

    character monster;
    monster.name = "Rat";
    Own(monster, {1});
    monster.spellen[1] = false;
    form->ShuffleHand(monster, true);
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(monster.hand[i], 1);
}

TEST_F(Hand, AFighterWithoutCardsKeepsItsHandAndIsLoggedOnce)
{
    character monster;
    monster.name = "Rat";
    for (int32_t i = 0; i < 6; ++i) monster.hand[i] = 3;
    cards[3].enabled = false;
    monster.spellbook[3] = true; // owned, but no such card exists
    TGLLogCapture log;
    form->ShuffleHand(monster, true);
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(monster.hand[i], 3);
    int32_t lines = 0;
    for (const auto& entry : log.Entries()) lines += entry.Text.find("Shuffle error: stage=1 (Rat") != std::string::npos;
    EXPECT_EQ(lines, 1);
}

TEST_F(Hand, ACursedFighterKeepsItsHandOrSeesItTurnIntoTheCurseCard)
{
    character monster;
    monster.name = "Rat";
    Own(monster, {0, 1});
    monster.e[20] = 2;
    for (int32_t i = 0; i < 6; ++i) monster.hand[i] = 1;
    monster.intelligence = 1000000; // a roll below 70 is all but impossible
    form->ShuffleHand(monster, true);
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(monster.hand[i], 1);
    monster.intelligence = 0;
    form->ShuffleHand(monster, true);
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(monster.hand[i], 49);
}

TEST_F(Hand, TheHandButtonsTooltipsNameTheCardOverItsDescription)
{
    tooltips = true;
    Own(player, {5});
    player.speed = 10;
    activecard = 5;
    form->ShuffleHand(player, false);
    const std::string expected = "c5\r\n--------------------------\r\n" + form->ShowCardInfo(5);
    EXPECT_EQ(gbuttons[10].tooltip, expected);
    EXPECT_EQ(gbuttons[15].tooltip, expected);
    EXPECT_EQ(gbuttons[53].tooltip, expected);
}

TEST_F(Hand, ACardLeavesTheDeckOnlyWhileMoreThanAThirdOfTheOwnedCardsAreInIt)
{
    // owned cards, the smallest deck reached by switching them off one by one
    for (auto [owned, smallest] : {std::pair{3, 1}, std::pair{10, 3}}) {
        player = character();
        rfqueue[1] = rqftp();
        for (int32_t k = 0; k < owned; ++k) Own(player, {k});
        for (int32_t k = 0; k < owned; ++k) form->ToggleSpell(k);
        int32_t deck = 0;
        for (int32_t k = 0; k < owned; ++k) deck += player.spellen[k];
        EXPECT_EQ(deck, smallest) << owned;
        EXPECT_EQ(rfqueue[1].ttl_text, "s283") << owned;
        EXPECT_EQ(rfqueue[1].main_text, "s284") << owned;
        form->ToggleSpell(0);
        EXPECT_TRUE(player.spellen[0]) << "a card switched off comes back";
    }
}

TEST_F(Hand, AGivenCardIsGainedOnceAndADuplicateShowsTheExperiencePicture)
{
    form->AddNewCard(false, 3, false, false, false, player);
    EXPECT_TRUE(player.spellbook[3]);
    EXPECT_EQ(lastnewcard, 3);
    EXPECT_EQ(FoundPicture(), "card_3_0");
    lastnewcard = -1;
    player.lvl = 2;
    for (int32_t steps : {10, 0}) { // 0 right after entering another level
        levelsteps = steps;
        const int32_t xp = player.xp;
        form->AddNewCard(false, 3, false, true, false, player);
        EXPECT_EQ(player.xp - xp, 2 * steps);
    }
    EXPECT_EQ(lastnewcard, -1);
    EXPECT_EQ(FoundPicture(), "card_xp");
}

TEST_F(Hand, ANewCardIsOfTheBestSkillThenFromTheThirdPassAnyAffordableOne)
{
    for (int32_t k = 0; k < cardcount; ++k) cards[k].govskill = 1; // bow
    cards[2].govskill = 0;
    cards[3].monly = true;
    cards[4].mc = 50;
    cards[6].govskill = 0;
    player.sword = 5;
    player.manamax = 20;
    scriptpopups = true;
    Own(player, {0, 1});
    form->AddNewCard(true, -1, true, false, false, player);
    EXPECT_EQ(lastnewcard, 2); // the first sword card
    EXPECT_EQ(rfqueue[1].ttl_text, "s25");
    EXPECT_EQ(rfqueue[1].fcase, 5);
    EXPECT_EQ(rfqueue[1].img, "card_2_0");
    form->AddNewCard(true, -1, false, false, false, player);
    EXPECT_EQ(lastnewcard, 6);
    // No sword card left: the monster-only card and the dear one are passed over.
    form->AddNewCard(true, -1, false, false, false, player);
    EXPECT_EQ(lastnewcard, 5);
    form->AddNewCard(true, -1, false, false, true, player);
    EXPECT_EQ(lastnewcard, 4) << "mana ignored";
    // Nothing affordable is left unowned but the monster-only card: nothing is found.
    for (int32_t k = 7; k < cardcount; ++k) cards[k].mc = 50;
    form->AddNewCard(true, -1, false, false, false, player);
    EXPECT_EQ(lastnewcard, -1);
    EXPECT_EQ(FoundPicture(), "card_xp");
}

TEST_F(Hand, TheNextOwnedCardWrapsAndAnEmptySpellbookEnds)
{
    Own(player, {3, 7});
    EXPECT_EQ(form->FindNextSpell(3, player), 7);
    EXPECT_EQ(form->FindNextSpell(7, player), 3);
    EXPECT_EQ(form->FindNextSpell(-1, player), 3);
    EXPECT_EQ(form->FindNextSpell(5000, player), 3);
    EXPECT_EQ(form->FindNextSpell(4, character()), 0);
}

TEST_F(Hand, TheDescriptionListsTheSkillThePropertiesAndTheCosts)
{
    itemlistmode = true; // no expected damage
    card& c = cards[4];
    c.govskill = 2;
    c.mindam = 5;
    c.dmgph = 9;
    c.dmgperc = 10;
    c.addmp = 3;
    c.consumes = 7;
    items[7].overridename = "Herb";
    items[7].count = 2;
    c.mc = 4;
    c.hpc = 1;
    EXPECT_EQ(form->ShowCardInfo(4), "") << "not owned";
    Own(player, {4, 5});
    EXPECT_EQ(form->ShowCardInfo(4), "s210: s43\r\n\r\ns212\r\ns213: 5 - 9\r\ns216: 10%\r\ns219: 3 s215\r\n"
                                     "s311: Herb (2)\r\n\r\ns220\r\ns215: 4\r\ns214: 1\r\n");
    EXPECT_EQ(form->ShowCardInfo(5), "s210: s40\r\n\r\ns212\r\n-\r\n\r\ns220\r\n-\r\n");
    EXPECT_EQ(form->ShowCardInfo(1001), "");

    card& e = cards[6];
    e.govskill = 3;
    e.element = 2;
    e.addeffect = 1;
    e.efflgth = 3;
    e.effdir = 1;
    e.accum = true;
    e.bont = 2;
    e.bonam = -5;
    Own(player, {6});
    EXPECT_EQ(form->ShowCardInfo(6), "s210: s42\r\n\r\ns212\r\ns358: s355\r\ns211: s53 (3 s217)\r\ns221\r\n"
                                     "s270:  s269\r\ns271.\r\ns234: s93 (-5%)\r\n\r\ns220\r\n-\r\n");
    itemlistmode = false;
    const uint32_t seed = RandSeed();
    const std::string info = form->ShowCardInfo(4);
    EXPECT_EQ(RandSeed(), seed) << "the expected damage draws nothing";
    EXPECT_NE(info.find("s214: 1\r\n\r\n\r\ns341: "), std::string::npos) << info;
}

} // namespace
