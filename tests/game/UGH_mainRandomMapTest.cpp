// Generated levels and door faces, on an unshown main window over a data folder of its own with two wall sets
// and a sprite list of two wall decorations.
#include "UGH_main.h"

#include "RandomGenerator.h"
#include "UGH_data.h"
#include "VirtualKeys.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class RandomLevel : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        std::filesystem::create_directories(folder.path / "levels");
        for (const char* set : {"textures/hq/0/tex_0.tga", "textures/hq/1/tex_0.tga"}) folder.Write(set, "");
        envrlist[1].enabled = true;
        spritelist = {{"spr_torch", 1, 8, 12}, {"spr_banner", 1, 6, 20}, {"spr_table", 0, 10, 15}};
        form->setdefaultrndons();
        rndons = defrndons;
        levelbusy = false;
    }

    // Generates level `level` from seed `seed`.
    void Generate(int32_t level, uint32_t seed)
    {
        levelno = level;
        SetRandSeed(seed);
        form->RandomMap();
    }

    // A 5 x 5 level whose cells (1..3, 1..3) are set from rows (y = 1..3 from the top) by set(cell, character).
    template <class TSet> void Paint(const char* const (&rows)[3], TSet set)
    {
        OpenLevel(4, 4);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 3; ++x) set(levelgrid[x + 1][y + 1], rows[y][x]);
    }

    // Whether (x, y) leads on to (tx, ty) through cells a player can pass or open.
    static bool Reaches(int32_t x, int32_t y, int32_t tx, int32_t ty)
    {
        std::vector<std::vector<bool>> seen(101, std::vector<bool>(101, false));
        std::deque<std::pair<int32_t, int32_t>> open{{x, y}};
        seen[x][y] = true;
        while (!open.empty()) {
            const auto [cx, cy] = open.front();
            open.pop_front();
            if (cx == tx && cy == ty) return true;
            for (const auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                const int32_t nx = cx + dx, ny = cy + dy;
                if (nx < 0 || ny < 0 || nx > mapmaxx || ny > mapmaxy || seen[nx][ny]) continue;
                const lcell& c = levelgrid[nx][ny];
                if (!c.passable && !c.door && !(nx == tx && ny == ty)) continue;
                seen[nx][ny] = true;
                open.emplace_back(nx, ny);
            }
        }
        return false;
    }
};

} // namespace

// Over many seeds: the size by level, the kinds by level, the ring of rooms, a start and exit in open rooms that
// reach each other, doors only in narrow passages, and decorations hung 11 units out from a wall face.
TEST_F(RandomLevel, GeneratedLevelsHoldTheirShapeOverManySeeds)
{
    struct TCase {
        int32_t level, lowSide, highSide;
        bool deepKinds;
    };
    const TCase cases[] = {{1, 15, 15, false}, {4, 15, 16, false}, {12, 16, 20, true}, {450, 99, 99, true}};
    for (const TCase& t : cases) {
        bool deepSeen = false;
        for (uint32_t seed = 1; seed <= 50; ++seed) {
            SCOPED_TRACE("level " + std::to_string(t.level) + ", seed " + std::to_string(seed));
            Generate(t.level, seed);
            ASSERT_GE(mapmaxx, t.lowSide);
            ASSERT_LE(mapmaxx, t.highSide);
            ASSERT_GE(mapmaxy, t.lowSide);
            ASSERT_LE(mapmaxy, t.highSide);
            EXPECT_EQ(envindex, 1);
            EXPECT_TRUE(mapid.empty());

            ASSERT_GE(roomcount, 3);
            ASSERT_LE(roomcount, cMaxRooms);
            int32_t m = -1;
            for (int32_t n = 1; n <= roomcount; ++n) {
                const roomrec& r = rooms[n];
                deepSeen = deepSeen || (r.kind >= 6 && r.kind <= 8);
                if (!t.deepKinds) EXPECT_FALSE(r.kind >= 6 && r.kind <= 8) << "room " << n;
                EXPECT_GE(r.kind, 0);
                EXPECT_LE(r.kind, 13);
                if (r.kind <= 1) {
                    // Start and exit lead to the same room M + 1, M in 2 .. K - 1.
                    if (m < 0) m = r.link;
                    EXPECT_EQ(r.link, m);
                    EXPECT_GE(m, 2);
                    EXPECT_LE(m, roomcount - 1);
                } else {
                    EXPECT_EQ(r.link, n == roomcount ? 0 : n) << "room " << n;
                }
                EXPECT_GE(r.w, r.shape == 1 ? 5 : 3);
                EXPECT_GE(r.h, r.shape == 1 ? 5 : 3);
            }

            for (const auto [x, y, sprite] : {std::tuple{startx, starty, 8}, {exitx, exity, 9}}) {
                ASSERT_GE(x, 1);
                ASSERT_GE(y, 1);
                ASSERT_LT(x, mapmaxx);
                ASSERT_LT(y, mapmaxy);
                EXPECT_TRUE(levelgrid[x][y].passable);
                EXPECT_EQ(levelgrid[x][y].spritename, rndons[sprite]);
            }
            EXPECT_TRUE(Reaches(startx, starty, exitx, exity));

            for (int32_t y = 0; y <= mapmaxy; ++y) EXPECT_TRUE(levelgrid[mapmaxx][y].wall);
            for (int32_t x = 0; x <= mapmaxx; ++x) {
                EXPECT_TRUE(levelgrid[x][mapmaxy].wall);
                for (int32_t y = 0; y <= mapmaxy; ++y) {
                    const lcell& c = levelgrid[x][y];
                    EXPECT_EQ(c.floor, !c.wall);
                    if (!c.door) continue;
                    EXPECT_FALSE(c.passable);
                    const bool alongX = levelgrid[x][y - 1].wall && levelgrid[x][y + 1].wall;
                    EXPECT_EQ(c.doorface, alongX ? 90 : 0);
                }
            }

            int32_t hung = 0;
            for (const freesprite& s : freesprites) {
                if (!s.enabled) continue;
                ++hung;
                EXPECT_TRUE(s.fixed);
                EXPECT_EQ(s.z, 10);
                const int32_t i = static_cast<int32_t>(s.dirx), j = static_cast<int32_t>(s.diry);
                ASSERT_EQ(std::abs(i) + std::abs(j), 1);
                const int32_t x = (s.x - 11 * i) / 20, y = (s.y - 11 * j) / 20;
                ASSERT_EQ(s.x, 20 * x + 11 * i);
                ASSERT_EQ(s.y, 20 * y + 11 * j);
                EXPECT_TRUE(levelgrid[x][y].wall);
                EXPECT_FALSE(levelgrid[x + i][y + j].wall || levelgrid[x + i][y + j].door);
                EXPECT_TRUE(s.name == "spr_torch" ? s.w == 8 && s.h == 12 : s.name == "spr_banner" && s.w == 6);
            }
            EXPECT_GT(hung, 0);
        }
        EXPECT_EQ(deepSeen, t.deepKinds) << "level " << t.level;
    }
}

// The player light of generated levels comes from their file, else the default; with no wall set enabled the
// generator takes set 0 instead of drawing for ever; with no decoration listed it hangs none.
TEST_F(RandomLevel, LightAndWallSetFallBackToDefaults)
{
    playerlightdata.ca = 9;
    std::vector<std::string> told;
    form->RandomMapProgress = [&](const std::string& text) { told.push_back(text); };
    Generate(1, 7);
    EXPECT_EQ(playerlightdata, playerlightvalues{});
    // The progress shows while the start and exit are placed, and is taken back after.
    ASSERT_GE(told.size(), 2u);
    EXPECT_EQ(told.front(), "placing start and exit");
    EXPECT_EQ(told.back(), "");

    WriteLines("levels/defaultlightdata.txt", {"5000", "100", "200", "255", "51", "0"});
    Generate(1, 7);
    EXPECT_EQ(playerlightdata, (playerlightvalues{0.5, 0.01, 0.02, 1.0, 0.2, 0.0}));
    // A short file counts as none.
    WriteLines("levels/defaultlightdata.txt", {"5000", "100"});
    Generate(1, 7);
    EXPECT_EQ(playerlightdata, playerlightvalues{});

    envrlist[1].enabled = false;
    envindex = 5;
    Generate(3, 11);
    EXPECT_EQ(envindex, 0);
    EXPECT_EQ(mapmaxx, 15);

    // A sprite list without decorations leaves the walls bare.
    spritelist.resize(2);
    spritelist[0].purpose = spritelist[1].purpose = 0;
    Generate(3, 11);
    for (const freesprite& s : freesprites) EXPECT_FALSE(s.enabled);
}

// The camera jumps to a generated level's start, as to a read map's, rather than gliding there from where it stood
// on the level before.
TEST_F(RandomLevel, TheCameraJumpsToTheGeneratedLevel)
{
    camsnap = false;
    Generate(1, 7);
    EXPECT_TRUE(camsnap);
}

// A door spot: plain floor between plain floor on one axis and walls on the other.
TEST_F(RandomLevel, DoorSpotsLieInNarrowPassages)
{
    struct TCase {
        const char* rows[3]; // y = 0..2 from top; '#' wall, '.' plain floor, 'c' chest, 's' a sprite on floor
        bool spot;
    };
    const TCase cases[] = {
        {{"###", "...", "###"}, true},  {{"#.#", "#.#", "#.#"}, true},  {{"...", "...", "..."}, false},
        {{"###", "..#", "###"}, false}, {{"###", ".c.", "###"}, false}, {{"###", "s..", "###"}, false},
        {{"#.#", "...", "#.#"}, false}, {{"###", "...", "#.#"}, false},
    };
    for (const TCase& t : cases) {
        SCOPED_TRACE(std::string(t.rows[0]) + "|" + t.rows[1] + "|" + t.rows[2]);
        Paint(t.rows, [](lcell& c, char k) {
            c.wall = k == '#';
            c.passable = k != '#';
            c.chest = k == 'c';
            c.spritename = k == 's' ? "altar1" : "0";
        });
        EXPECT_EQ(TForm1::CheckDoorSpot(2, 2), t.spot);
    }
    // Off the grid's table there is neither floor nor wall.
    levelgrid[100][100].passable = levelgrid[99][100].passable = true;
    EXPECT_FALSE(TForm1::CheckDoorSpot(100, 100));
}

// A door turns to the pair of blocked neighbours; the x pair wins; a cell off the grid in use blocks.
TEST_F(RandomLevel, DoorsFaceTheirPassage)
{
    struct TCase {
        const char* what;
        const char* rows[3]; // '#' wall, '.' floor, 'd' door, '_' floor that is not passable
        int32_t before, after;
    };
    const TCase cases[] = {
        {"a corridor along y", {"#.#", "#d#", "#.#"}, 90, 0},
        {"walls above and below", {"###", ".d.", "###"}, 0, 90},
        {"closed in", {"###", "#d#", "###"}, 90, 0},
        {"in an open room", {"...", ".d.", "..."}, 45, 45},
        {"between closed floor and a door", {"._.", ".d.", ".d."}, 0, 90},
    };
    for (const TCase& t : cases) {
        SCOPED_TRACE(t.what);
        Paint(t.rows, [&](lcell& c, char k) {
            c.wall = k == '#';
            c.door = k == 'd';
            c.passable = k == '.';
            c.doorface = t.before;
        });
        autosetdoors();
        EXPECT_EQ(levelgrid[2][2].doorface, t.after);
    }

    // On the grid's edge: the missing neighbour blocks. Left of (0, 2) is off the grid, right a wall.
    OpenLevel(4, 4);
    levelgrid[0][2] = lcell{};
    levelgrid[0][2].door = true;
    levelgrid[0][2].doorface = 90;
    levelgrid[1][2].wall = true;
    levelgrid[1][2].passable = false;
    levelgrid[0][1].passable = levelgrid[0][3].passable = true;
    levelgrid[0][1].wall = levelgrid[0][3].wall = false;
    setcelldoorface(0, 2);
    EXPECT_EQ(levelgrid[0][2].doorface, 0);
    // Below the last row is off the grid as well.
    levelgrid[2][4].door = true;
    levelgrid[2][4].doorface = 0;
    levelgrid[1][4].wall = levelgrid[3][4].wall = false;
    levelgrid[1][4].passable = levelgrid[3][4].passable = true;
    levelgrid[2][3].wall = true;
    levelgrid[2][5].passable = true;
    setcelldoorface(2, 4);
    EXPECT_EQ(levelgrid[2][4].doorface, 90);
}

// The helpers the generator places things with.
TEST_F(RandomLevel, SpritesAndItemsForTheRooms)
{
    // The last entry of a name; "none" and no draw without an entry of the purpose.
    spritelist.push_back({"spr_torch", 1, 30, 40});
    EXPECT_EQ(spriteindex("spr_torch"), 3);
    SetRandSeed(5);
    EXPECT_EQ(randomspritename(7), "none");
    EXPECT_EQ(RandSeed(), 5u);

    // The last neighbour that qualifies wins: here (x + 1, y) over (x - 1, y) and (x, y + 1).
    OpenLevel(6, 6);
    levelgrid[3][3].wall = true;
    levelgrid[3][3].passable = false;
    levelgrid[3][2].wall = true;
    spritelist = {{"spr_torch", 1, 8, 12}};
    EXPECT_TRUE(placewallsprite(3, 3, 10, 15, 4));
    EXPECT_EQ(freesprites[4].x, 71);
    EXPECT_EQ(freesprites[4].y, 60);
    EXPECT_EQ(freesprites[4].dirx, 1);
    EXPECT_EQ(freesprites[4].diry, 0);
    EXPECT_EQ(freesprites[4].w, 8);
    // Nothing is hung on a corner of the grid (no neighbour inside it), on an open cell, or without a
    // decoration in the list.
    freesprites[6] = freesprite{};
    EXPECT_FALSE(placewallsprite(0, 0, 10, 15, 6));
    EXPECT_FALSE(placewallsprite(2, 2, 10, 15, 6));
    spritelist = {{"spr_table", 0, 1, 1}};
    EXPECT_FALSE(placewallsprite(3, 3, 10, 15, 6));
    EXPECT_EQ(freesprites[6], freesprite{});

    for (int32_t i = 0; i <= 200; ++i) freesprites[i].enabled = i != 7 && i != 9;
    EXPECT_EQ(firstfreefsprite(), 7);
    freesprites[7].enabled = freesprites[9].enabled = true;
    EXPECT_EQ(firstfreefsprite(), -1);

    // An unowned piece of equipment among the items loaded.
    itemcount = 4;
    items[0].itmtype = 1;
    items[0].count = 1;
    items[1].itmtype = 0;
    items[2].itmtype = 3;
    items[3].itmtype = 2;
    items[3].count = 2;
    items[4].itmtype = 4;
    for (uint32_t seed = 0; seed < 20; ++seed) {
        SetRandSeed(seed);
        EXPECT_EQ(form->GetUnownedItem(), 2);
    }
    items[2].count = 1;
    EXPECT_EQ(form->GetUnownedItem(), -1);
}

// Digging from (x1, y1) along x, then along y; the target itself stays as it was.
TEST_F(RandomLevel, CorridorsTurnOnceAndStopBeforeTheirTarget)
{
    OpenLevel(9, 9);
    for (int32_t x = 0; x <= 9; ++x)
        for (int32_t y = 0; y <= 9; ++y) {
            levelgrid[x][y].wall = true;
            levelgrid[x][y].passable = levelgrid[x][y].floor = levelgrid[x][y].ceil = false;
        }
    digpath(6, 2, 3, 5);
    std::vector<std::pair<int32_t, int32_t>> carved;
    for (int32_t x = 0; x <= 9; ++x)
        for (int32_t y = 0; y <= 9; ++y)
            if (levelgrid[x][y].passable) {
                EXPECT_FALSE(levelgrid[x][y].wall);
                EXPECT_TRUE(levelgrid[x][y].floor && levelgrid[x][y].ceil);
                carved.emplace_back(x, y);
            }
    const std::vector<std::pair<int32_t, int32_t>> expected{{3, 2}, {3, 3}, {3, 4}, {4, 2}, {5, 2}, {6, 2}};
    EXPECT_EQ(carved, expected);
}
