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

    // Awards of a monster file's largest worth stop at Integer's top.
    const int32_t most = std::numeric_limits<int32_t>::max();
    form->AddXP(1, most, player);
    form->AddXP(1, most, player);
    EXPECT_EQ(player.xp, most);
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

TEST_F(Progress, AnOwnedItemTeachesItsCardOnce)
{
    items[7].lb_crd = 3;
    form->AddItem(7, 1);
    EXPECT_TRUE(player.spellbook[3]);
    std::vector<rqftp> shown = Requests();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].ttl_text, "s25"); // the card found
    EXPECT_EQ(shown[1].img, "card_3_0");

    // Known already, taken away, or a card that does not exist: nothing more is given or told.
    ClearRequests();
    const int32_t xp = player.xp;
    form->AddItem(7, 1);
    EXPECT_EQ(Requests().size(), 1u);
    EXPECT_EQ(player.xp, xp) << "a known card is no duplicate gift";
    player.spellbook[3] = false;
    ClearRequests();
    form->AddItem(7, -5);
    EXPECT_FALSE(player.spellbook[3]);
    EXPECT_EQ(Requests().size(), 1u);
    TGLLogCapture log;
    items[8].lb_crd = 5000;
    form->AddItem(8, 1);
    EXPECT_TRUE(log.Contains("card 5000"));
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

TEST_F(Progress, EachLevelRaisesTheThresholdFromTheOldLevelOneLevelACall)
{
    player.xp = 1000;
    form->LevelUp();
    EXPECT_EQ(player.lvl, 1) << "experience equal to the threshold";
    player.xp = 1001;
    form->LevelUp();
    EXPECT_EQ(player.lvl, 2);
    EXPECT_EQ(player.xpreq, 6660);
    player.xp = 1000000;
    // The frame raises one level each.
    for (const int32_t threshold : {14847, 25647, 39167, 55542}) {
        const int32_t level = player.lvl;
        form->FrameBlockB5(0);
        EXPECT_EQ(player.lvl, level + 1);
        EXPECT_EQ(player.xpreq, threshold);
    }
}

TEST_F(Progress, LevelsGiveAttributePointsEveryFourthAPerkPointEverySecondACard)
{
    struct TCase {
        int32_t from;
        bool extraPointsPerk;
        int32_t points, perkPoints;
        std::vector<std::string> titles;
    };
    const TCase cases[] = {
        {2, false, 4, 0, {"s46", "s368"}},
        {3, false, 4, 1, {"s46", "s368", "s366", "s25"}},
        {1, false, 4, 0, {"s46", "s368", "s25"}},
        {2, true, 5, 0, {"s46", "s368"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.from);
        form->ResetStats();
        ClearRequests();
        perks[6].addcoded = 16;
        player.perks[6] = c.extraPointsPerk;
        player.name = "Ada";
        player.lvl = c.from;
        player.xp = player.xpreq + 1;
        form->LevelUp();
        EXPECT_EQ(player.bonuspoints, c.points);
        EXPECT_EQ(perkpoints, c.perkPoints);
        const std::vector<rqftp> shown = Requests();
        std::vector<std::string> titles;
        for (const rqftp& r : shown) titles.push_back(r.ttl_text);
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(shown[0].main_text, "Adas47" + std::to_string(c.from + 1));
        EXPECT_EQ(shown[1].main_text, "s369: " + std::to_string(c.points));
    }
    // Scripts give points without the perk's extra; without popups nothing is told.
    form->ResetStats();
    ClearRequests();
    player.perks[6] = true;
    scriptpopups = false;
    Run("AddAttrPoints 2;AddPerkPoints 3;");
    EXPECT_EQ(player.bonuspoints, 2);
    EXPECT_EQ(perkpoints, 3);
    EXPECT_TRUE(Requests().empty());
}

TEST_F(Progress, PerksNeedEffectiveValuesAndItemsBaseValues)
{
    // A ring of kind 0 adds 3 strength; the sword and the perk both ask for 12.
    loot& ring = items[1];
    ring.itmtype = 0;
    ring.lb_str = 3;
    ring.rq_perk = ring.rq_item = ring.rq_spec = -1;
    loot& sword = items[2];
    sword.itmtype = 1;
    sword.lb_sw = 5;
    sword.rq_str = 12;
    sword.rq_perk = sword.rq_item = sword.rq_spec = -1;
    perk& p = perks[8];
    p.recst = 12;
    p.recperk = p.recrace = -1;
    form->AddItem(1, 1);
    form->AddItem(2, 1);
    equipped[0] = 2;
    form->defineparbonuses();
    EXPECT_EQ(player.strength, 13);
    EXPECT_TRUE(form->checkperkrq(8));
    EXPECT_FALSE(form->checkitemreqirements(2));
    EXPECT_EQ(player.sword, 10) << "a worn sword below its requirement adds nothing";
    player.bstr = 12;
    form->defineparbonuses();
    EXPECT_EQ(player.sword, 15);

    struct TCase {
        const char* what;
        int32_t recperk, recrace, spec;
        bool ownsPerk, met;
    };
    const TCase cases[] = {
        {"needs perk 3, not owned", 3, -1, 0, false, false},
        {"needs perk 3, owned", 3, -1, 0, true, true},
        {"needs species 2 of a living player", -1, 2, 0, false, false},
        {"needs species 2 of a demon", -1, 2, 2, false, true},
        {"needs perk 500", 500, -1, 0, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        p.recperk = c.recperk;
        p.recrace = c.recrace;
        player.spec = c.spec;
        player.perks[3] = c.ownsPerk;
        EXPECT_EQ(form->checkperkrq(8), c.met);
    }
}

TEST_F(Progress, CraftingMakesTheLastRecipeOfThePairFromOneOfEach)
{
    itemcount = 8;
    for (int32_t id = 0; id < itemcount; ++id) items[id].crf1 = items[id].crf2 = -1;
    items[5].crf1 = 1;
    items[5].crf2 = 2;
    items[6].crf1 = 2;
    items[6].crf2 = 1; // the later recipe of the same pair wins
    items[7].crf1 = items[7].crf2 = 3;
    struct TCase {
        const char* what;
        int32_t it1, it2, own1, own2, own3;
        int32_t made; // -1: refused
    };
    const TCase cases[] = {
        {"first order", 1, 2, 1, 1, 0, 6},
        {"other order", 2, 1, 1, 1, 0, 6},
        {"a part missing", 1, 2, 1, 0, 0, -1},
        {"with itself, one owned", 3, 3, 0, 0, 1, -1},
        {"with itself, two owned", 3, 3, 0, 0, 2, 7},
        {"no recipe", 1, 3, 1, 0, 1, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (int32_t id = 0; id < itemcount; ++id) items[id].count = 0;
        items[1].count = c.own1;
        items[2].count = c.own2;
        items[3].count = c.own3;
        ClearRequests();
        scriptpopups = false;
        form->TryToCraft(c.it1, c.it2);
        const std::vector<rqftp> shown = Requests();
        if (c.made < 0) {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].ttl_text, "s318");
            EXPECT_EQ(shown[0].main_text, "s319");
            EXPECT_EQ(items[1].count + items[2].count + items[3].count, c.own1 + c.own2 + c.own3);
        } else {
            EXPECT_TRUE(shown.empty());
            EXPECT_EQ(items[c.made].count, 1);
            EXPECT_EQ(items[1].count + items[2].count + items[3].count, c.own1 + c.own2 + c.own3 - 2);
        }
    }
}

TEST_F(Progress, TheSelectionStepsThroughOwnedItemsAndUsingOneWearsIt)
{
    itemcount = 6;
    selitem = 0;
    form->InventoryButtonClick(1);
    EXPECT_EQ(selitem, 0) << "nothing owned: the selection stays";
    items[1].count = items[4].count = 1;
    for (const int32_t expected : {1, 4, 1}) {
        form->InventoryButtonClick(1);
        EXPECT_EQ(selitem, expected);
    }
    form->InventoryButtonClick(-1);
    EXPECT_EQ(selitem, 4) << "backwards past 0 wraps to the last";

    // Button 35 steps on and lets go of the held item.
    craftmode = true;
    form->ClickGButton(35);
    EXPECT_EQ(selitem, 1);
    EXPECT_FALSE(craftmode);

    items[4].itmtype = 2;
    items[4].lb_bw = 3;
    items[4].rq_perk = items[4].rq_item = items[4].rq_spec = -1;
    selitem = 4;
    uirefresh = false;
    form->InventoryButtonClick(0);
    EXPECT_EQ(equipped[1], 4);
    EXPECT_EQ(player.bow, 13);
    EXPECT_TRUE(craftmode);
    EXPECT_TRUE(uirefresh);
}

// Five perks enabled out of order: by species requirement, then requirement sum, then id.
TEST_F(Progress, ThePerkListOrdersBySpeciesThenRequirementSumThenId)
{
    struct TPerk {
        int32_t id, recrace, recst, recperk;
    };
    for (const TPerk& p : {TPerk{10, 1, 0, -1}, TPerk{11, -1, 20, -1}, TPerk{12, -1, 5, 3}, TPerk{13, -1, 0, 7},
                           TPerk{14, 1, 0, -1}}) {
        perk& k = perks[p.id];
        k.enabled = true;
        k.recrace = p.recrace;
        k.recst = p.recst;
        k.recperk = p.recperk;
    }
    for (int32_t id = 0; id <= 100; ++id)
        if (id < 10 || id > 14) perks[id] = perk{.recperk = -1, .recrace = 0};
    form->genperklist();
    EXPECT_EQ(perkreqsum(12), 8);
    EXPECT_EQ(perklist[-1], -1);
    EXPECT_EQ(perklist[101], 101);
    // Species -1 first: sums 7 (13), 8 (12), 19 (11); then species 0 (the disabled rest) and species 1.
    EXPECT_EQ(std::vector<int32_t>(&perklist[0], &perklist[3] + 1), (std::vector<int32_t>{13, 12, 11, 0}));
    EXPECT_EQ(std::vector<int32_t>(&perklist[99], &perklist[100] + 1), (std::vector<int32_t>{10, 14}));

    // The cursor moves between enabled perks, round the ends; the buttons move it.
    perkcursor = 0;
    EXPECT_EQ(form->GetNextEnabledPerk(1), 1);
    perkcursor = 2;
    EXPECT_EQ(form->GetNextEnabledPerk(1), 99);
    perkcursor = 100;
    EXPECT_EQ(form->GetNextEnabledPerk(1), 0);
    perkcursor = 0;
    form->ClickGButton(9);
    EXPECT_EQ(perkcursor, 100);
    form->ClickGButton(8);
    EXPECT_EQ(perkcursor, 0);
    for (int32_t id = 10; id <= 14; ++id) perks[id].enabled = false;
    perkcursor = 40;
    EXPECT_EQ(form->GetNextEnabledPerk(1), 40) << "no perk enabled";
    EXPECT_EQ(form->GetNextEnabledPerk(-1), 40);
}

TEST_F(Progress, LearningThePerkUnderTheCursor)
{
    perk& p = perks[20];
    p.enabled = true;
    p.recst = 11;
    p.recperk = p.recrace = -1;
    p.addcard = -1;
    p.addin = 2;
    form->ClickGButton(19);
    EXPECT_TRUE(perkpanelshown);
    perkcursor = -1;
    perkcursor = form->GetNextEnabledPerk(1);
    ASSERT_EQ(perklist[perkcursor], 20);
    struct TStep {
        int32_t points, strength;
        const char* title; // nullptr: learnt
    };
    for (const TStep& s : {TStep{0, 11, "s352"}, TStep{1, 10, "s183"}, TStep{1, 11, nullptr}}) {
        SCOPED_TRACE(s.title ? s.title : "learnt");
        ClearRequests();
        perkpoints = s.points;
        player.bstr = s.strength;
        form->defineparbonuses();
        form->ClickGButton(18);
        const std::vector<rqftp> shown = Requests();
        EXPECT_EQ(player.perks[20], !s.title);
        if (s.title) {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].ttl_text, s.title);
            EXPECT_EQ(perkpoints, s.points);
        } else {
            EXPECT_TRUE(shown.empty());
            EXPECT_EQ(perkpoints, 0);
            EXPECT_EQ(player.intelligence, 12);
        }
    }
    // A learnt perk costs nothing more.
    perkpoints = 1;
    form->ClickGButton(18);
    EXPECT_EQ(perkpoints, 1);
}

} // namespace
