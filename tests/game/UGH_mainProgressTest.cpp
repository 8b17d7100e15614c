// The character's growth on an unshown main window: perks' coded effects, the bonuses of items and perks,
// experience, the item stock and the loot list, death, and where exploration and scripts call them.
#include "UGH_main.h"

#include "RandomGenerator.h"
#include "UGH_data.h"
#include "ZODLog.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

class Progress : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        std::filesystem::create_directories(folder.path / "levels");
        OpenLevel(9, 9);
        levelbusy = false;
        PlaceAt(5, 5);
        form->ResetStats();
        ClearRequests();
    }

    static void ClearRequests()
    {
        for (rqftp& request : rfqueue) request.active = false;
    }
    static std::vector<rqftp> Requests()
    {
        std::vector<rqftp> requests;
        for (int32_t k = 1; rfqueue[k].active; ++k) requests.push_back(rfqueue[k]);
        return requests;
    }
    void Run(const std::string& text)
    {
        static int32_t runs = 0;
        form->readscript(TForm1::preparescript(text, "progress_test_" + std::to_string(++runs)));
    }
};

TEST_F(Progress, CodedEffectsCountTheOwnedPerksOfTheirNumberUpToId100)
{
    perks[3].addcoded = perks[7].addcoded = perks[101].addcoded = 4;
    perks[5].addcoded = 6;
    character c;
    c.perks[3] = c.perks[5] = true;
    EXPECT_EQ(form->CheckCodedPerkEff(c, 4), 1);
    c.perks[7] = true;
    EXPECT_EQ(form->CheckCodedPerkEff(c, 4), 2);
    EXPECT_EQ(form->CheckCodedPerkEff(c, 6), 1);
    EXPECT_EQ(form->CheckCodedPerkEff(c, 9), 0);
}

TEST_F(Progress, BonusesCountOwnedAndWornItemsTimesTheirCountAndOwnedEnabledPerks)
{
    struct TCase {
        const char* what;
        int32_t itmtype, count;
        bool worn, unmet;
        int32_t strength;
    };
    const TCase cases[] = {
        {"two of a kind-0 item", 0, 2, false, false, 14},
        {"a worn sword, three owned", 1, 3, true, false, 16},
        {"a sword not worn", 1, 1, false, false, 10},
        {"a worn sword whose requirement is not met", 1, 1, true, true, 10},
        {"none owned", 0, 0, false, false, 10},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        form->ResetStats();
        loot& it = items[4];
        it.itmtype = c.itmtype;
        it.count = c.count;
        it.lb_str = 2;
        it.lb_ar = -1;
        it.rq_perk = it.rq_item = it.rq_spec = -1;
        it.rq_bw = c.unmet ? 11 : 10;
        equipped.Fill(-1);
        if (c.worn) equipped[c.itmtype - 1] = 4;
        form->defineparbonuses();
        EXPECT_EQ(player.strength, c.strength);
        EXPECT_EQ(player.armor, 10 - (c.strength - 10) / 2);
        EXPECT_EQ(attrbonus[0], c.strength - 10);
    }
    // A perk counts when it is owned and enabled.
    form->ResetStats();
    perks[2].addmg = 5;
    perks[2].addagi = 1;
    player.perks[2] = true;
    form->defineparbonuses();
    EXPECT_EQ(player.magic, 10);
    perks[2].enabled = true;
    player.bmg = 12;
    form->defineparbonuses();
    EXPECT_EQ(player.magic, 17);
    EXPECT_EQ(player.speed, 11);
}

TEST_F(Progress, ExperienceRisesByTheTenthsOfThePerkRoundedHalfToEvenAndIsAnnounced)
{
    struct TCase {
        int32_t perkCount, amount, gain;
    };
    for (const TCase& c : {TCase{0, 7, 7}, TCase{1, 12, 13}, TCase{1, 5, 5}, TCase{1, 15, 17}, TCase{3, 5, 7}}) {
        SCOPED_TRACE(std::to_string(c.perkCount) + " perks, " + std::to_string(c.amount));
        form->ResetStats();
        for (int32_t p = 0; p < 3; ++p) {
            perks[p].addcoded = 4;
            player.perks[p] = p < c.perkCount;
        }
        character other;
        form->AddXP(1, c.amount, other);
        EXPECT_EQ(other.xp, c.gain);
        EXPECT_EQ(player.xp, 0);
    }
    // A skill's practice names the gain and the skill; a battle names the amount.
    form->ResetStats();
    ClearRequests();
    player.perks[0] = true;
    player.bow = 23;
    form->AddXP(3, 12, player);
    form->AddXP(1, 12, player);
    form->AddXP(9, 12, player);
    const std::vector<rqftp> shown = Requests();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].ttl_text, "s105: s41");
    EXPECT_EQ(shown[0].main_text, "s104: 13\r\ns41: 23");
    EXPECT_EQ(shown[1].ttl_text, "s106");
    EXPECT_EQ(shown[1].main_text, "s104: 12");
    EXPECT_EQ(shown[2].ttl_text, "");
    EXPECT_EQ(player.xp, 39);
}

TEST_F(Progress, ItemsNeverFallBelowNoneAndUnknownIdsAreIgnored)
{
    items[7].overridename = "Rope";
    craftmode = true;
    form->AddItem(7, 2);
    EXPECT_EQ(items[7].count, 2);
    EXPECT_FALSE(craftmode);
    form->AddItem(7, -5);
    EXPECT_EQ(items[7].count, 0);
    const std::vector<rqftp> shown = Requests();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].ttl_text, "s303");
    EXPECT_EQ(shown[0].main_text, "Rope");
    EXPECT_EQ(shown[0].fcase, 99);
    EXPECT_EQ(shown[0].img, "itm_7");
    EXPECT_EQ(shown[1].ttl_text, "s304");

    ClearRequests();
    scriptpopups = false;
    form->AddItem(7, 1);
    EXPECT_EQ(items[7].count, 1);
    EXPECT_TRUE(Requests().empty());
    TGLLogCapture log;
    form->AddItem(-1, 1);
    form->AddItem(1001, 1);
    EXPECT_TRUE(log.Contains("Item 1001"));
}

TEST_F(Progress, RandomLootIsALineOfTheListOrNoneWhenTheListFails)
{
    struct TCase {
        const char* list;
        int32_t expected;
    };
    for (const TCase& c : {TCase{nullptr, -1}, TCase{"", -1}, TCase{"sword\r\n", -1}, TCase{"8\r\n", 8}}) {
        SCOPED_TRACE(c.list ? c.list : "no list");
        if (c.list) folder.Write("items/lootlist.txt", c.list);
        EXPECT_EQ(form->RandomLoot(), c.expected);
    }
    folder.Write("items/lootlist.txt", "4\r\n5\r\n6\r\n");
    SetRandSeed(77);
    const int32_t line = Random(3);
    SetRandSeed(77);
    EXPECT_EQ(form->RandomLoot(), 4 + line);
}

TEST_F(Progress, DeathReturnsToTheMainMenuLevelWithAFreshCharacter)
{
    for (const bool menuLevel : {true, false}) {
        SCOPED_TRACE(menuLevel ? "menu level" : "no menu level");
        if (menuLevel) {
            OpenLevel(12, 12);
            startx = starty = 3;
            SaveMap(gamedir + "\\levels\\mm_map.map", true);
            OpenLevel(9, 9);
        }
        ClearRequests();
        ingame = invmode = itemlistmode = true;
        mmmode = scriptpopups = false;
        levelno = 4;
        player.lvl = 6;
        items[2].count = 1;
        const int32_t serial = levelserial;
        Run("KillPlayer;");
        EXPECT_NE(levelserial, serial);
        EXPECT_TRUE(mmmode);
        EXPECT_FALSE(ingame || invmode || itemlistmode);
        EXPECT_TRUE(scriptpopups);
        EXPECT_EQ(levelno, 0); // the new character's
        EXPECT_EQ(player.lvl, 1);
        EXPECT_EQ(items[2].count, 0);
        if (menuLevel) {
            EXPECT_EQ(mapmaxx, 12);
            EXPECT_EQ(playerx, 3);
        }
        const std::vector<rqftp> shown = Requests();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].ttl_text, "s128");
        EXPECT_EQ(shown[0].main_text, "s129");
        EXPECT_EQ(shown[0].pos, 1);
    }
}

TEST_F(Progress, ScriptsEventsAndChestsGiveItems)
{
    Run("AddItem 9,3;");
    EXPECT_EQ(items[9].count, 3);

    folder.Write("items/lootlist.txt", "6\r\n");
    struct TCase {
        int32_t p1, item;
    };
    for (const TCase& c : {TCase{5, 5}, TCase{-1, 6}}) {
        lcell& cell = levelgrid[6][5];
        cell.trap = true;
        cell.traptype = 16;
        cell.doorno = c.p1;
        form->ActivateTrap(16, 6, 5, 0);
        EXPECT_EQ(items[c.item].count, 1);
        EXPECT_FALSE(cell.trap);
    }

    // Draw until a chest is of the loot kind.
    for (uint32_t seed = 1; seed < 200; ++seed) {
        SetRandSeed(seed);
        Random(4);
        if (Random(100) >= 20) continue;
        lcell& cell = levelgrid[6][6];
        cell.chest = true;
        cell.passable = false;
        cell.power = 0;
        SetRandSeed(seed);
        form->ActivateCell(6, 6);
        EXPECT_EQ(items[6].count, 2);
        return;
    }
    FAIL() << "no seed opens a chest of the loot kind";
}

TEST_F(Progress, TheTrapPerkMayGiveASecondShrineKey)
{
    perks[1].addcoded = 3;
    player.perks[1] = true;
    struct TCase {
        int32_t type, chance;
        int32_t& keys;
    };
    for (const TCase& c : {TCase{5, 20, keys1}, TCase{6, 10, keys2}}) {
        SCOPED_TRACE(c.type);
        // One seed whose draw gives the second key and one whose does not.
        int32_t seen[2] = {0, 0};
        for (uint32_t seed = 1; seed < 100 && (seen[0] == 0 || seen[1] == 0); ++seed) {
            SetRandSeed(seed);
            const bool second = Random(100) < c.chance;
            SetRandSeed(seed);
            c.keys = 0;
            form->ActivateTrap(c.type, 6, 5, 1);
            EXPECT_EQ(c.keys, second ? 2 : 1);
            ++seen[second ? 1 : 0];
        }
        EXPECT_GT(seen[0], 0);
        EXPECT_GT(seen[1], 0);
    }
}

} // namespace
