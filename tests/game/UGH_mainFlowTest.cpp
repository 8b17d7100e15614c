// The request queue and its answers, the key rows and the moves between levels, on an unshown main window over a
// data folder of its own.
#include "UGH_main.h"

#include "GLColor.h"
#include "GLHUDObjects.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "VAVodad.h"
#include "VirtualKeys.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

// The player on (5, 5) of a 10 x 10 level open inside its border, facing +x with the camera on him.
class Flow : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        std::filesystem::create_directories(folder.path / "levels");
        OpenLevel(9, 9);
        levelbusy = false;
        PlaceAt(5, 5);
    }

    // Writes "levels/<name>.map": a level of the given size with its id, start cell and facing. The level stays
    // the current one, under another id.
    void WriteMap(const std::string& name, int32_t maxx, int32_t maxy, int32_t sx, int32_t sy, int32_t sdir)
    {
        OpenLevel(maxx, maxy);
        mapid = name;
        startx = sx;
        starty = sy;
        startdir = sdir;
        SaveMap(gamedir + "\\levels\\" + name + ".map", true);
        mapid = "here";
    }

    // The waiting requests as (title, text).
    static std::vector<std::pair<std::string, std::string>> Waiting()
    {
        std::vector<std::pair<std::string, std::string>> waiting;
        for (int32_t k = 1; k <= rfqueue.High() && rfqueue[k].active; ++k)
            waiting.emplace_back(rfqueue[k].ttl_text, rfqueue[k].main_text);
        return waiting;
    }
    // A request of the case on screen, as the frame would show it.
    void OnScreen(int32_t rcase)
    {
        form->ShowRequestForm("t", "x", 1, rcase, 0, "");
        form->DisplayRequestForm();
    }

    TScopedValue<int32_t> savedMovespeed{movespeed, 400};
    TScopedValue<bool> savedRandommode{randommode, false};
    TScopedValue<std::string> savedAdventure{adventureid, "map_"};
};

} // namespace

// ---- The request queue ----

TEST_F(Flow, RequestsShowOneAtATimeInTheOrderTheyWereQueued)
{
    form->ShowRequestForm("first", "one", 0, 1, 0, "");
    form->ShowRequestForm("second", "two", 1, 10, 1, "pic");
    ASSERT_EQ(Waiting().size(), 2u);

    form->FrameBlockB5(0.01);
    EXPECT_TRUE(rfmode);
    // The form's layer draws it over every other interface sprite, and its own buttons over it.
    form->prepareuiobjects();
    const int32_t formAt = form->reqform->Index();
    EXPECT_GT(form->gbsprites[48]->Index(), formAt);
    EXPECT_GT(form->gbsprites[49]->Index(), formAt);
    EXPECT_EQ(rftitle, "first");
    EXPECT_EQ(rftext, "one");
    EXPECT_EQ(Waiting(), (std::vector<std::pair<std::string, std::string>>{{"second", "two"}}));
    // While one is on screen the next waits.
    form->FrameBlockB5(0.01);
    EXPECT_EQ(rftitle, "first");

    form->RequestFormOK();
    form->FrameBlockB5(0.01);
    EXPECT_EQ(rftitle, "second");
    EXPECT_EQ(rftype, 1);
    EXPECT_EQ(rfcase, 10);
    EXPECT_EQ(rfpos, 1);
    EXPECT_EQ(rfimg, "pic");
    EXPECT_TRUE(Waiting().empty());
}

TEST_F(Flow, AFullQueueRefusesTheNextRequestAndItsLastSlotEmptiesWhenOneIsShown)
{
    for (int32_t k = 1; k <= rfqueue.High(); ++k) {
        rfqueue[k].active = true;
        rfqueue[k].ttl_text = std::to_string(k);
    }
    form->ShowRequestForm("one too many", "", 0, 1, 0, "");
    EXPECT_EQ(rfqueue[rfqueue.High()].ttl_text, std::to_string(rfqueue.High()));

    form->DisplayRequestForm();
    EXPECT_EQ(rftitle, "1");
    EXPECT_EQ(rfqueue[1].ttl_text, "2");
    EXPECT_EQ(rfqueue[rfqueue.High() - 1].ttl_text, std::to_string(rfqueue.High()));
    EXPECT_FALSE(rfqueue[rfqueue.High()].active);
}

TEST_F(Flow, OKCarriesOutTheCaseAndTheSecondButtonOnlyCloses)
{
    struct TCase {
        int32_t rcase;
        int32_t character::*raised; // the base attribute raised by 20, or none
        int32_t spec, element;
        std::vector<std::pair<std::string, std::string>> follows;
    };
    const TCase cases[] = {
        {1, nullptr, 0, 0, {}},
        {10, nullptr, 0, 0, {}},
        {20, &character::bint, 1, 0, {{"s98", "s102"}}},
        {21, &character::bstr, 2, 0, {{"s98", "s102"}}},
        {22, &character::bend, 3, 0, {{"s98", "s102"}}},
        {39, nullptr, 0, 0, {{"s363", "s361 s353."}}},
        {43, nullptr, 0, 4, {{"s363", "s361 s357."}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.rcase);
        for (const bool ok : {true, false}) {
            player = character{};
            player.bint = player.bstr = player.bend = 10;
            player.element = 0;
            OnScreen(c.rcase);
            ok ? form->RequestFormOK() : form->RequestFormSecond();
            EXPECT_FALSE(rfmode);
            const bool acts = ok; // the second button changes nothing
            for (int32_t character::*attribute : {&character::bint, &character::bstr, &character::bend})
                EXPECT_EQ(player.*attribute, acts && attribute == c.raised ? 30 : 10);
            EXPECT_EQ(player.spec, acts ? c.spec : 0);
            EXPECT_EQ(player.element, acts ? c.element : 0);
            EXPECT_EQ(Waiting(), acts ? c.follows : decltype(c.follows){});
            for (rqftp& request : rfqueue) request.active = false;
        }
    }
    // Nothing on screen: OK answers nothing.
    player = character{};
    rfcase = 21;
    form->RequestFormOK();
    EXPECT_EQ(player.bstr, 0);
}

// ---- Keys ----

TEST_F(Flow, KeyRowsStepAndTurnOnlyWhileNoModeIsSet)
{
    enum TKind { down, press };
    struct TCase {
        TKind kind;
        char16_t key;
        bool* mode; // set for the key, or none
        int32_t x, y, side;
    };
    const TCase cases[] = {
        {down, VK_UP, nullptr, 6, 5, 0},      {down, VK_DOWN, nullptr, 4, 5, 0},
        {down, VK_LEFT, nullptr, 5, 5, 3},    {down, VK_RIGHT, nullptr, 5, 5, 1},
        {press, u'W', nullptr, 6, 5, 0},      {press, u'w', nullptr, 6, 5, 0},
        {press, u'\u0426', nullptr, 6, 5, 0}, {press, u'\u0446', nullptr, 6, 5, 0},
        {press, u'S', nullptr, 4, 5, 0},      {press, u'\u044B', nullptr, 4, 5, 0},
        {press, u'd', nullptr, 5, 5, 1},      {press, u'\u0432', nullptr, 5, 5, 1},
        {press, u'A', nullptr, 5, 5, 3},      {press, u'\u0444', nullptr, 5, 5, 3},
        {press, u'x', nullptr, 5, 5, 0},      {down, VK_F1, nullptr, 5, 5, 0},
        {down, VK_UP, &mmmode, 5, 5, 0},      {down, VK_RIGHT, &btlmode, 5, 5, 0},
        {press, u'w', &rfmode, 5, 5, 0},      {press, u'w', &invmode, 5, 5, 0},
        {press, u'a', &itemlistmode, 5, 5, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << static_cast<int>(c.key));
        PlaceAt(5, 5);
        if (c.mode) *c.mode = true;
        // Every handler draws its number first, whatever the key.
        SetRandSeed(7);
        if (c.kind == down) {
            uint16_t key = c.key;
            form->FormKeyDown(nullptr, key, {});
        } else {
            char16_t key = c.key;
            form->FormKeyPress(nullptr, key);
        }
        EXPECT_NE(RandSeed(), 7u);
        if (c.mode) *c.mode = false;
        EXPECT_EQ(playerx, c.x);
        EXPECT_EQ(playery, c.y);
        EXPECT_EQ(lookside, c.side);
    }
}

TEST_F(Flow, AStepByKeyHandsTheKeysDrawToTheEncounterGate)
{
    // Seeds whose first draw of 0..110 is low enough for an encounter and too high for one.
    uint32_t low = 0, high = 0;
    for (uint32_t seed = 1; !low || !high; ++seed) {
        SetRandSeed(seed);
        (Random(111) <= 5 ? low : high) = seed;
    }
    for (const auto& [seed, meets] : {std::pair{low, true}, std::pair{high, false}}) {
        PlaceAt(5, 5);
        encsteps = 9;
        SetRandSeed(seed);
        uint16_t key = VK_UP;
        form->FormKeyDown(nullptr, key, {});
        EXPECT_EQ(playerx, 6);
        EXPECT_EQ(encsteps, meets ? 0 : 10) << seed;
    }
}

TEST_F(Flow, KeyUpEnterAnswersTheRequestAndSpaceActsOnTheCellInFront)
{
    OnScreen(22);
    player.bend = 0;
    uint16_t key = VK_RETURN;
    form->FormKeyUp(nullptr, key, {});
    EXPECT_FALSE(rfmode);
    EXPECT_EQ(player.bend, 20);

    // Space while a request shows does nothing; without one it opens the door in front.
    levelgrid[6][5] = lcell{};
    levelgrid[6][5].door = true;
    OnScreen(1);
    key = VK_SPACE;
    form->FormKeyUp(nullptr, key, {});
    EXPECT_FALSE(levelgrid[6][5].passable);
    rfmode = false;
    uirefresh = false;
    form->FormKeyUp(nullptr, key, {});
    EXPECT_TRUE(levelgrid[6][5].passable);
    EXPECT_TRUE(explored[6][5]);
    EXPECT_TRUE(uirefresh);
}

// ---- New game and level change ----

TEST_F(Flow, ANewGameReadsTheAdventuresStartMapAndActivatesItsCell17And9)
{
    for (const std::string& adventure : {std::string("map_"), std::string("adv_")}) {
        SCOPED_TRACE(adventure);
        const std::string file = adventure == "map_" ? "startmap" : "adv_startmap";
        WriteMap(file, 19, 11, 2, 3, 1);
        adventureid = adventure;
        chargen = true;
        levelno = 4;
        explored[17][9] = false;
        form->StartNewGame();
        EXPECT_EQ(mapid, file);
        EXPECT_FALSE(chargen);
        EXPECT_EQ(levelno, -1);
        EXPECT_EQ(playerx, 2);
        EXPECT_EQ(playery, 3);
        EXPECT_EQ(lookside, 1);
        EXPECT_TRUE(explored[17][9]);
        EXPECT_EQ(acx, 17);
        EXPECT_EQ(acy, 9);
        EXPECT_FALSE(levelbusy);
    }
    // Without its start map the new game ends: the main menu is back on the level it had, and the player is
    // told which file is missing.
    adventureid = "none_";
    ingame = chargen = invmode = true;
    mmmode = false;
    const std::string level = mapid;
    form->StartNewGame();
    EXPECT_FALSE(chargen || ingame || invmode);
    EXPECT_TRUE(mmmode);
    EXPECT_EQ(mapid, level);
    ASSERT_EQ(Waiting().size(), 1u);
    EXPECT_NE(Waiting()[0].second.find("none_startmap.map"), std::string::npos);
}

TEST_F(Flow, ANewGameAndADeathLightThePlayerAsTheirLevelSays)
{
    // (constant, linear and quadratic attenuation, red, green, blue) as the light files store them.
    const auto expectLight = [this](double ca, double la, double qa, double r, double g, double b) {
        const TGLLightSource& light = *form->playerlight;
        EXPECT_FLOAT_EQ(light.ConstAttenuation(), ca);
        EXPECT_FLOAT_EQ(light.LinearAttenuation(), la);
        EXPECT_FLOAT_EQ(light.QuadraticAttenuation(), qa);
        EXPECT_FLOAT_EQ(light.Diffuse()->Red(), r);
        EXPECT_FLOAT_EQ(light.Diffuse()->Green(), g);
        EXPECT_FLOAT_EQ(light.Diffuse()->Blue(), b);
    };
    WriteMap("startmap", 9, 9, 2, 3, 1);
    folder.Write("levels/startmap/lightdata.txt", "4000\r\n100\r\n50\r\n255\r\n153\r\n51\r\n");
    WriteMap("mm_map", 9, 9, 4, 4, 0);
    folder.Write("levels/mm_map/lightdata.txt", "10000\r\n0\r\n0\r\n51\r\n102\r\n255\r\n");
    form->StartNewGame();
    ASSERT_EQ(mapid, "startmap");
    expectLight(0.4, 0.01, 0.005, 1, 0.6, 0.2);
    form->KillPlayer();
    ASSERT_EQ(mapid, "mm_map");
    expectLight(1, 0, 0, 0.2, 0.4, 1);
}

TEST_F(Flow, ALevelChangeReadsTheNextMapGeneratesAMissingOneAndKeepsThePlayerOffABrokenOne)
{
    WriteMap("map_0", 9, 9, 3, 4, 2);
    WriteMap("map_2", 9, 9, 7, 2, 3);
    folder.Write("levels/map_3.map", "22\r\nmap_3\r\n500\r\n");
    levelno = -1;
    levelsteps = 12;
    form->ChangeLevelNormally();
    EXPECT_EQ(mapid, "map_0");
    EXPECT_EQ(levelno, 0);
    EXPECT_EQ(levelsteps, 0);
    EXPECT_EQ(playerx, 3);
    EXPECT_EQ(playery, 4);
    EXPECT_EQ(lookside, 2);
    EXPECT_TRUE(Waiting().empty());

    // map_1 is missing: a level is generated, and nothing of map_0 (a roaming monster) stays in it.
    wanderers[3].enabled = true;
    wanderers[3].x = wanderers[3].y = 2;
    levelsteps = 5;
    form->ChangeLevelNormally();
    EXPECT_EQ(mapid, "");
    EXPECT_EQ(levelno, 1);
    EXPECT_EQ(levelsteps, 0);
    EXPECT_EQ(mapmaxx, 15);
    EXPECT_EQ(playerx, startx);
    EXPECT_EQ(playery, starty);
    EXPECT_TRUE(levelgrid[playerx][playery].passable);
    EXPECT_FALSE(wanderers[3].enabled);
    EXPECT_TRUE(Waiting().empty());

    // A named map.
    form->ChangeLevel(1, "map_2");
    EXPECT_EQ(mapid, "map_2");
    EXPECT_EQ(levelno, 2);
    EXPECT_EQ(playerx, 7);

    // map_3 exists but cannot be read: reported, the player stays on map_2 and the counter keeps its value.
    levelsteps = 5;
    form->ChangeLevelNormally();
    EXPECT_EQ(mapid, "map_2");
    EXPECT_EQ(levelno, 2);
    EXPECT_EQ(levelsteps, 5);
    EXPECT_EQ(playerx, 7);
    ASSERT_EQ(Waiting().size(), 1u);
    EXPECT_NE(Waiting()[0].second.find("map_3.map"), std::string::npos);

    // Random levels wanted: generated although the map exists.
    randommode = true;
    form->ChangeLevel(1, "map_0");
    EXPECT_EQ(mapid, "");
    EXPECT_EQ(levelno, 3);
    EXPECT_EQ(Waiting().size(), 1u);

    // F6: a new generated level, the player on its start.
    randommode = false;
    uint16_t key = VK_F1 + 5;
    startx = 0;
    form->FormKeyUp(nullptr, key, {});
    EXPECT_EQ(mapid, "");
    EXPECT_GT(startx, 0);
    EXPECT_EQ(playerx, startx);
    EXPECT_EQ(playery, starty);
}

TEST_F(Flow, TheLevelExitsQuestionLeadsToTheNextLevel)
{
    WriteMap("map_0", 9, 9, 3, 4, 0);
    levelno = -1;
    OnScreen(3);
    uint16_t key = VK_RETURN;
    form->FormKeyUp(nullptr, key, {});
    EXPECT_FALSE(rfmode);
    EXPECT_EQ(mapid, "map_0");
    EXPECT_EQ(levelno, 0);
}
