// The game's records and tables: every table answers exactly its declared bounds (the offset ones included) and
// refuses the rest, copies are independent, the state at program start and its reset, and the program's random
// sequence the game relies on.
#include "UGH_tables.h"

#include "RandomGenerator.h"
#include "Raises.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

class GameTables : public ::testing::Test {
protected:
    void SetUp() override { ResetGameTables(); }
    void TearDown() override { ResetGameTables(); }
};

std::string BoundsMessage(int64_t index, int64_t low, int64_t high)
{
    return "Index " + std::to_string(index) + " out of bounds (" + std::to_string(low) + ".." + std::to_string(high) +
           ")";
}

struct TBoundsCase {
    const char* name;
    int64_t low, high;
    std::function<void(int64_t)> touch; // writes the entry at the index
};

// One dimension of each kind of table: zero-based and offset, global and inside a record, inner and outer.
std::vector<TBoundsCase> BoundsCases()
{
    return {
        {"perks", -1, 101, [](int64_t i) { perks[i].id = 7; }},
        {"argtexts outer", 1, 10, [](int64_t i) { argtexts[i][0] = "a"; }},
        {"argtexts inner", 0, 10000, [](int64_t i) { argtexts[10][i] = "a"; }},
        {"argvars outer", 1, 10, [](int64_t i) { argvars[i][10000] = 3; }},
        {"argvars inner", 0, 10000, [](int64_t i) { argvars[1][i] = 3; }},
        {"levelgrid x", 0, 100, [](int64_t i) { levelgrid[i][0].wall = true; }},
        {"levelgrid y", 0, 100, [](int64_t i) { levelgrid[100][i].wall = true; }},
        {"explored", 0, 100, [](int64_t i) { explored[0][i] = true; }},
        {"levellights", 0, 19, [](int64_t i) { levellights[i].shining = true; }},
        {"freemeshes", 0, 200, [](int64_t i) { freemeshes[i].enabled = true; }},
        {"btlslots", 0, 10, [](int64_t i) { btlslots[i].hp = 1; }},
        {"cards", 0, 1000, [](int64_t i) { cards[i].enabled = true; }},
        {"equipped", 0, 3, [](int64_t i) { equipped[i] = 5; }},
        {"gbuttons", 0, 62, [](int64_t i) { gbuttons[i].visible = true; }},
        {"rfqueue", 0, 10000, [](int64_t i) { rfqueue[i].active = true; }},
        {"strarr", 0, 10000, [](int64_t i) { strarr[i] = "s"; }},
        {"bodypartcounts", 0, 7, [](int64_t i) { bodypartcounts[i] = 1; }},
        {"character e", 0, 99, [](int64_t i) { player.e[i] = 1; }},
        {"character spellbook", 0, 1000, [](int64_t i) { player.spellbook[i] = true; }},
        {"character perks", 0, 100, [](int64_t i) { player.perks[i] = true; }},
        {"character hand", 0, 6, [](int64_t i) { player.hand[i] = 1; }},
    };
}

TEST_F(GameTables, EveryTableTakesItsFirstAndLastIndexAndRefusesTheNextOnes)
{
    for (const TBoundsCase& c : BoundsCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MessageOf([&] { c.touch(c.low); }), cNoException);
        EXPECT_EQ(MessageOf([&] { c.touch(c.high); }), cNoException);
        EXPECT_EQ(MessageOf<ERangeError>([&] { c.touch(c.low - 1); }), BoundsMessage(c.low - 1, c.low, c.high));
        EXPECT_EQ(MessageOf<ERangeError>([&] { c.touch(c.high + 1); }), BoundsMessage(c.high + 1, c.low, c.high));
    }
    // An unsigned index that wraps around to a huge value is refused, not taken modulo anything.
    EXPECT_EQ(MessageOf<ERangeError>([] { strarr[static_cast<std::size_t>(-1)] = "x"; }), BoundsMessage(-1, 0, 10000));
    EXPECT_EQ(MessageOf<ERangeError>([] { perks[uint64_t{1} << 40].id = 1; }),
              BoundsMessage(int64_t{1} << 40, -1, 101));
}

TEST_F(GameTables, OffsetTablesMapTheirFirstIndexToTheirFirstEntry)
{
    for (int32_t id = perks.Low(); id <= perks.High(); ++id) perks[id].id = id;
    EXPECT_EQ(perks.begin()->id, -1);
    EXPECT_EQ((perks.end() - 1)->id, 101);
    EXPECT_EQ(perks.end() - perks.begin(), 103);
    for (int32_t id = -1; id <= 101; ++id) EXPECT_EQ(perks[id].id, id);

    argvars[1][0] = 11;
    argvars[10][10000] = 99;
    EXPECT_EQ(argvars.begin()->begin()[0], 11);
    EXPECT_EQ((argvars.end() - 1)->end()[-1], 99);
    EXPECT_EQ(argvars.Length() * argvars[1].Length(), 10 * 10001);
}

TEST_F(GameTables, TablesLiveOnTheHeapAndCopyDeeply)
{
    // A table object is a handle: a copy of the whole grid made in a function never lands on its stack.
    static_assert(sizeof(levelgrid) == sizeof(void*));
    static_assert(sizeof(argtexts) == sizeof(void*));

    mapfreemeshes[3].name = "pillar";
    mapfreemeshes[3].x = 40;
    freemeshes = mapfreemeshes;
    freemeshes[3].rx = 55.5;
    freemeshes[3].x = 60;
    EXPECT_EQ(mapfreemeshes[3].x, 40);
    EXPECT_EQ(mapfreemeshes[3].rx, 0.0);
    EXPECT_EQ(freemeshes[3].name, "pillar");

    auto staging = levelgrid;
    staging[99][99].wall = true;
    EXPECT_FALSE(levelgrid[99][99].wall);
    levelgrid = std::move(staging);
    EXPECT_TRUE(levelgrid[99][99].wall);
    // What is left of a moved table still has all its entries.
    EXPECT_EQ(MessageOf([&] { staging[100][100].floor = true; }), cNoException);
    // A swap hands the blocks over without copying an entry.
    const auto* gridEntries = levelgrid.begin();
    swap(levelgrid, staging);
    EXPECT_EQ(staging.begin(), gridEntries);
    EXPECT_TRUE(staging[99][99].wall);
    EXPECT_FALSE(levelgrid[99][99].wall);

    // Records copy by value, arrays inside them included, and compare field by field.
    player.spellbook[1000] = true;
    character copy = player;
    copy.spellbook[1000] = false;
    EXPECT_TRUE(player.spellbook[1000]);
    EXPECT_NE(copy, player);
    copy.spellbook[1000] = true;
    EXPECT_EQ(copy, player);
}

TEST_F(GameTables, DynamicArraysCheckTheirIndexToo)
{
    EXPECT_EQ(MessageOf<ERangeError>([] { cparray[0] = 1; }), BoundsMessage(0, 0, -1));
    cparray.push_back(-1);
    EXPECT_EQ(cparray[0], -1);
    EXPECT_EQ(MessageOf<ERangeError>([] { return cparray[1]; }), BoundsMessage(1, 0, 0));
    EXPECT_EQ(MessageOf<ERangeError>([] { return jseq[-1]; }), BoundsMessage(-1, 0, -1));
}

TEST_F(GameTables, TheStateAtProgramStart)
{
    EXPECT_EQ(mapname, "<n/a>");
    EXPECT_EQ(mapid, "");
    EXPECT_EQ(mapmaxx, 19);
    EXPECT_EQ(mapmaxy, 19);
    EXPECT_EQ(levelno, 1);
    EXPECT_TRUE(scriptpopups);
    EXPECT_TRUE(levelbusy);
    for (int32_t value : {envindex, envcount, startx, starty, startdir, exitx, exity, mapspare, skyboxno, levelsteps,
                          playerx, playery, lookside, lookdirx, lookdiry, keys1, keys2, perkpoints, monstercount})
        EXPECT_EQ(value, 0);
    for (bool flag : {mmmode, invmode, itemlistmode, btlmode, showenemy, chargen, rfmode, ingame, levelsaving, camsnap,
                      editview, exiting})
        EXPECT_FALSE(flag);

    // Tables with a marker for a free entry start free: no battle queued, no slot taken, nothing worn, no wall set.
    for (int32_t id : battlelist) EXPECT_EQ(id, -2);
    for (const character& slot : btlslots) {
        EXPECT_EQ(slot.name, "nil");
        EXPECT_EQ(slot.blind, -1);
    }
    for (int32_t item : equipped) EXPECT_EQ(item, -1);
    for (const envr& set : envrlist) EXPECT_EQ(set, (envr{"none", false}));
    // The rest hold their records' defaults.
    EXPECT_EQ(monsters[100], character{});
    EXPECT_EQ(levellights[19], lightslot{});
    EXPECT_EQ(rfqueue[10000], rqftp{});
    EXPECT_TRUE(gslist.empty() && cparray.empty() && spritelist.empty() && texlist.empty() && jseq.empty());
}

TEST_F(GameTables, ResetPutsEverythingBackAsAtProgramStart)
{
    levelgrid[7][8].spritename = "altar1";
    explored[100][100] = true;
    argtexts[10][10000] = "word";
    ifflags[5] = true;
    battlelist[0] = 3;
    btlslots[10].name = "rat";
    envrlist[0] = {"stone", true};
    equipped[2] = 14;
    player.name = "testchar";
    player.hand[6] = 12;
    perks[-1].name = "none";
    cparray.push_back(-1);
    mapname = "Cellar";
    mapmaxx = 99;
    levelno = 4;
    scriptpopups = false;
    levelbusy = false;
    exiting = true;

    ResetGameTables();

    EXPECT_EQ(levelgrid[7][8], lcell{});
    EXPECT_FALSE(explored[100][100]);
    EXPECT_EQ(argtexts[10][10000], "");
    EXPECT_FALSE(ifflags[5]);
    EXPECT_EQ(battlelist[0], -2);
    EXPECT_EQ(btlslots[10].name, "nil");
    EXPECT_EQ(envrlist[0].name, "none");
    EXPECT_EQ(equipped[2], -1);
    EXPECT_EQ(player, character{});
    EXPECT_EQ(perks[-1], perk{});
    EXPECT_TRUE(cparray.empty());
    EXPECT_EQ(mapname, "<n/a>");
    EXPECT_EQ(mapmaxx, 19);
    EXPECT_EQ(levelno, 1);
    EXPECT_TRUE(scriptpopups);
    EXPECT_TRUE(levelbusy);
    EXPECT_FALSE(exiting);
}

TEST(GameRecords, DefaultsNamedForTheirFields)
{
    const character monster;
    EXPECT_EQ(monster.lootchance, 50);
    EXPECT_EQ(monster.w_wd, 20);
    EXPECT_EQ(monster.w_ht, 20);
    EXPECT_EQ(monster.w_zs, 0);
    EXPECT_EQ(monster.loot, 0);
    for (bool owned : monster.spellbook) EXPECT_FALSE(owned);

    const freemesh mesh;
    EXPECT_EQ(mesh.sx, 100);
    EXPECT_EQ(mesh.sy, 100);
    EXPECT_EQ(mesh.sz, 100);
    EXPECT_EQ(mesh.texture, "0");
    EXPECT_EQ(mesh.texture2, "");

    EXPECT_EQ(lightslot{}.cutoff, 180);
    const spritelistitem sprite;
    EXPECT_EQ(sprite.purpose, -1);
    EXPECT_EQ(sprite.size, 10);
    EXPECT_EQ(sprite.size2, 15);
}

// The game's draws repeat from a seed: these are the numbers its rules and tests are written against.
TEST(GameRandom, SeedsGiveTheirGoldenSequences)
{
    const struct {
        uint32_t seed;
        std::vector<int32_t> draws; // Random(100) in turn
    } cases[] = {{0, {0, 3, 86}}, {12345, {38, 28, 7, 55, 63}}};
    for (const auto& c : cases) {
        SetRandSeed(c.seed);
        std::vector<int32_t> draws;
        for (size_t k = 0; k < c.draws.size(); ++k) draws.push_back(Random(100));
        EXPECT_EQ(draws, c.draws) << "seed " << c.seed;
    }

    // Random(0) and Random(-5) answer 0 and still take their step of the sequence.
    for (int32_t n : {0, -5}) {
        SetRandSeed(12345);
        EXPECT_EQ(Random(n), 0);
        EXPECT_EQ(Random(100), 28) << "n " << n;
    }
}

} // namespace
