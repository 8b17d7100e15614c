// Map files: a level with every stored field set survives a write and a read; the file's layout (line counts,
// cell order, encodings of colours and attenuations); the side files; and the maps that are refused, which leave
// the level as it was and the game not busy; maps of every older version with the defaults of what they do not
// store, and the cell side files older maps keep.
#include "UGH_data.h"

#include "GLApplicationFileIO.h"
#include "ZODLog.h"
#include "GameDataFolder.h"
#include "Raises.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int cHeaderLines = 112, cCellLines = 42, cSpriteLines = 10, cMeshLines = 33, cLightLines = 25,
              cWandererLines = 6;

int MapLineCount(int columns, int rows)
{
    return cHeaderLines + columns * rows * cCellLines + 201 * cSpriteLines + 201 * cMeshLines + 20 * cLightLines +
           201 * cWandererLines;
}

// Distinct values for every field, so that a field written or read in the wrong place shows.
struct TValues {
    int32_t next = 1;
    int32_t Int() { return next++; }
    bool Bool() { return (next++ % 3) != 0; }
    std::string Text() { return "t" + std::to_string(next++); }
    double Real() { return next++ + 0.25; }
    double Colour() { return Int() % 256 / 255.0; }
    double Attenuation() { return Int() / 10000.0; }
};

// A level of 4 x 3 cells with every stored field set (and the fields that are not stored set too).
TLevelData FilledLevel()
{
    TValues v;
    TLevelData level;
    level.mapid = "fen_3";
    level.mapmaxx = 3;
    level.mapmaxy = 2;
    level.envindex = v.Int();
    level.startx = 1;
    level.starty = 2;
    level.exitx = v.Int();
    level.exity = v.Int();
    level.startdir = 3;
    level.mapspare = v.Int();
    for (std::string& name : level.rndons) name = v.Text();
    for (int32_t x = 0; x <= level.mapmaxx; ++x)
        for (int32_t y = 0; y <= level.mapmaxy; ++y) {
            lcell& c = level.levelgrid[x][y];
            c.x = x;
            c.y = y;
            c.passable = v.Bool(), c.wall = v.Bool(), c.chest = v.Bool(), c.chestno = v.Int(), c.door = v.Bool();
            c.doorno = v.Int(), c.trap = v.Bool(), c.traptype = v.Int(), c.power = v.Int(), c.textid = v.Int();
            c.spritename = v.Text(), c.fco = v.Text(), c.cco = v.Text(), c.wco = v.Text(), c.wmo = v.Text();
            c.fmo = v.Text(), c.ceil = v.Bool(), c.floor = v.Bool(), c.ta = v.Int(), c.ra = v.Int(), c.pa = v.Int();
            c.dx = v.Int(), c.dy = v.Int(), c.dz = v.Int(), c.fwm = v.Bool(), c.doorface = v.Int();
            c.outdoors = v.Bool(), c.plz = v.Int(), c.blockx1 = v.Int(), c.blockx2 = v.Int(), c.blocky1 = v.Int();
            c.blocky2 = v.Int(), c.grass = v.Bool(), c.dens = v.Int(), c.gtp = v.Text(), c.lgroup = v.Int();
            c.shcast = v.Bool(), c.visarea = v.Int(), c.visarea2 = v.Int(), c.ignored = v.Bool();
            // not stored
            c.mark = true, c.r = 1, c.g = 2, c.b = 3, c.lmap = "lm", c.door3d = true;
        }
    for (freesprite& s : level.freesprites) {
        s.enabled = v.Bool(), s.fixed = v.Bool(), s.x = v.Int(), s.y = v.Int(), s.z = v.Int(), s.name = v.Text();
        s.w = v.Int(), s.h = v.Int(), s.dirx = v.Real(), s.diry = -v.Real();
    }
    for (freemesh& m : level.mapfreemeshes) {
        m.enabled = v.Bool(), m.x = v.Int(), m.y = v.Int(), m.z = v.Int(), m.rx = -v.Real(), m.ry = v.Real();
        m.rz = v.Real(), m.rta = v.Real(), m.rra = v.Real(), m.rpa = -v.Real(), m.ta = v.Int(), m.ra = v.Int();
        m.pa = v.Int(), m.name = v.Text(), m.sx = v.Int(), m.sy = v.Int(), m.sz = v.Int(), m.texture = v.Text();
        m.fire = v.Bool(), m.fdx = v.Int(), m.fdy = v.Int(), m.fdz = v.Int(), m.bhv = v.Int(), m.x1 = v.Int();
        m.x2 = v.Int(), m.y1 = v.Int(), m.y2 = v.Int(), m.z1 = v.Int(), m.z2 = v.Int(), m.loop = v.Bool();
        m.spd = v.Real(), m.trscript = v.Text(), m.shcast = v.Bool();
        m.texture2 = "not stored", m.va1 = 4, m.va2 = 5;
    }
    for (lightslot& l : level.levellights) {
        l.x = v.Int(), l.y = v.Int(), l.z = v.Int(), l.ca = v.Attenuation(), l.la = v.Attenuation();
        l.qa = v.Attenuation(), l.ar = v.Colour(), l.ag = v.Colour(), l.ab = v.Colour(), l.sr = v.Colour();
        l.sg = v.Colour(), l.sb = v.Colour(), l.dr = v.Colour(), l.dg = v.Colour(), l.db = v.Colour();
        l.shining = v.Bool(), l.sdx = v.Int(), l.sdy = v.Int(), l.sdz = v.Int(), l.style = v.Int();
        l.cutoff = v.Int(), l.exponent = v.Real(), l.persists = v.Bool(), l.external = v.Bool(), l.lgroup = v.Int();
    }
    for (wanderer& w : level.wanderers) {
        w.x = v.Int(), w.y = v.Int(), w.mtype = v.Int(), w.behav = v.Int(), w.enabled = v.Bool(), w.script = v.Text();
    }
    return level;
}

class MapFiles : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        std::filesystem::create_directories(folder.path / "levels");
    }
    void TearDown() override
    {
        GameDataFolder::TearDown();
        playerlightdata = {};
    }

    // Makes level the current one and writes it to "levels/<name>".
    std::string Save(TLevelData level, const std::string& name = "a.map", bool saveb = true)
    {
        SwapLevelData(level);
        SaveMap(MapPath(name), saveb);
        return folder.Read("levels/" + name);
    }
    std::string MapPath(const std::string& name) const { return gamedir + "\\levels\\" + name; }
    std::vector<std::string> Lines(const std::string& name) const { return ReadLines(MapPath(name)); }
    void WriteLines(const std::string& name, const std::vector<std::string>& lines) const
    {
        GameDataFolder::WriteLines("levels/" + name, lines);
    }
    TScopedValue<std::string> savedLanguage{lng};
};

TEST_F(MapFiles, EveryStoredFieldSurvivesAWriteAndARead)
{
    const TLevelData original = FilledLevel();
    Save(original);
    ResetGameTables();
    levelbusy = true;
    LoadMap(MapPath("a.map"));

    TLevelData expected = original;
    expected.mapname = "fen_3"; // no name file
    expected.freemeshes = expected.mapfreemeshes;
    expected.mapmonsters.Fill(true);
    for (int32_t x = 0; x <= expected.mapmaxx; ++x)
        for (int32_t y = 0; y <= expected.mapmaxy; ++y) {
            lcell& c = expected.levelgrid[x][y];
            c.mark = false, c.r = c.g = c.b = 0, c.lmap.clear(), c.door3d = false;
        }
    for (TBoundedTable<freemesh, 0, 200>* meshes : {&expected.mapfreemeshes, &expected.freemeshes})
        for (freemesh& m : *meshes) m.texture2.clear(), m.va1 = m.va2 = 0;

    const TLevelData loaded = CurrentLevelData();
    EXPECT_EQ(loaded.mapid, expected.mapid);
    EXPECT_EQ(loaded.mapname, expected.mapname);
    for (const auto& [got, want] : {std::pair{loaded.mapmaxx, expected.mapmaxx}, {loaded.mapmaxy, expected.mapmaxy},
                                    {loaded.envindex, expected.envindex}, {loaded.startx, expected.startx},
                                    {loaded.starty, expected.starty}, {loaded.exitx, expected.exitx},
                                    {loaded.exity, expected.exity}, {loaded.startdir, expected.startdir},
                                    {loaded.mapspare, expected.mapspare}, {loaded.skyboxno, 0}})
        EXPECT_EQ(got, want);
    EXPECT_TRUE(loaded.rndons == expected.rndons);
    for (int32_t x = 0; x <= expected.mapmaxx; ++x)
        for (int32_t y = 0; y <= expected.mapmaxy; ++y)
            EXPECT_TRUE(loaded.levelgrid[x][y] == expected.levelgrid[x][y]) << x << ", " << y;
    EXPECT_TRUE(loaded.freesprites == expected.freesprites);
    EXPECT_TRUE(loaded.mapfreemeshes == expected.mapfreemeshes);
    EXPECT_TRUE(loaded.freemeshes == expected.freemeshes);
    EXPECT_TRUE(loaded.levellights == expected.levellights);
    EXPECT_TRUE(loaded.wanderers == expected.wanderers);
    EXPECT_TRUE(loaded.mapmonsters == expected.mapmonsters);
    EXPECT_EQ(loaded.playerlight, playerlightvalues{});
    EXPECT_FALSE(levelbusy);
    EXPECT_TRUE(camsnap);

    // The same level writes the same file again.
    const std::string first = folder.Read("levels/a.map");
    SaveMap(MapPath("b.map"), true);
    EXPECT_EQ(folder.Read("levels/b.map"), first);
}

TEST_F(MapFiles, TheFileHoldsItsSectionsLineByLine)
{
    const struct {
        int32_t maxx, maxy;
    } sizes[] = {{0, 0}, {9, 9}, {3, 7}};
    for (const auto& size : sizes) {
        TLevelData level;
        level.mapmaxx = size.maxx;
        level.mapmaxy = size.maxy;
        ClearLevelTables(level);
        level.mapid = "m";
        Save(std::move(level));
        const std::vector<std::string> lines = Lines("a.map");
        ASSERT_EQ(static_cast<int>(lines.size()), MapLineCount(size.maxx + 1, size.maxy + 1)) << size.maxx;
        EXPECT_EQ(lines[0], "22");
        EXPECT_EQ(lines[1], "m");
        EXPECT_EQ(lines[2], std::to_string(size.maxx));
        EXPECT_EQ(lines[3], std::to_string(size.maxy));
        // x outer, y inner: the second cell is (0, 1) unless there is one row.
        const int second = cHeaderLines + cCellLines;
        if (size.maxy > 0) {
            EXPECT_EQ(lines[second] + "," + lines[second + 1], "0,1");
        }
        const int last = cHeaderLines + ((size.maxx + 1) * (size.maxy + 1) - 1) * cCellLines;
        EXPECT_EQ(lines[last] + "," + lines[last + 1], std::to_string(size.maxx) + "," + std::to_string(size.maxy));
    }
    // With a line break inside a value the file would fall apart: it is written as a blank.
    TLevelData level;
    level.mapid = "m";
    level.wanderers[0].script = "Say 1\r\nSay 2";
    Save(std::move(level));
    LoadMap(MapPath("a.map"));
    EXPECT_EQ(wanderers[0].script, "Say 1  Say 2");
}

TEST_F(MapFiles, ColoursAndAttenuationsAreStoredAsRoundedIntegers)
{
    const int firstLight = cHeaderLines + cCellLines + 201 * (cSpriteLines + cMeshLines);
    const struct {
        double ar, ca;
        const char* colourLine;
        const char* attenuationLine;
    } cases[] = {
        {0.5, 0.25, "128", "2500"}, // 127.5: halves go to even
        {1.0, 1.0, "255", "10000"},
        {-0.2, 2e6, "-51", "2147483647"}, // kept within Integer so that the file reads back
        {std::numeric_limits<double>::quiet_NaN(), 0.0001, "0", "1"},
    };
    for (const auto& c : cases) {
        TLevelData level;
        level.mapid = "m";
        level.levellights[0].ar = c.ar;
        level.levellights[0].ca = c.ca;
        Save(std::move(level));
        const std::vector<std::string> lines = Lines("a.map");
        EXPECT_EQ(lines[firstLight], c.colourLine) << c.ar;
        EXPECT_EQ(lines[firstLight + 9], c.attenuationLine) << c.ca;
        LoadMap(MapPath("a.map"));
        EXPECT_EQ(levellights[0].ar, std::stoi(c.colourLine) / 255.0);
    }
}

TEST_F(MapFiles, SavedGamesWriteTheWorkingFreeMeshesAndReadThemIntoBoth)
{
    TLevelData level;
    level.mapid = "m";
    level.mapfreemeshes[5].name = "stored";
    level.freemeshes[5].name = "moved";
    Save(std::move(level), "saved.map", false);
    Save(CurrentLevelData(), "edited.map", true);
    LoadMap(MapPath("saved.map"));
    EXPECT_EQ(mapfreemeshes[5].name, "moved");
    EXPECT_EQ(freemeshes[5].name, "moved");
    LoadMap(MapPath("edited.map"));
    EXPECT_EQ(freemeshes[5].name, "stored");
}

TEST_F(MapFiles, CellsAreTakenInLoopOrderWhateverCoordinatesTheyName)
{
    TLevelData level;
    level.mapid = "m";
    level.mapmaxx = level.mapmaxy = 1;
    level.levelgrid[0][0].textid = 7;
    Save(std::move(level));
    std::vector<std::string> lines = Lines("a.map");
    lines[cHeaderLines] = "50";
    lines[cHeaderLines + 1] = "-3";
    WriteLines("a.map", lines);
    LoadMap(MapPath("a.map"));
    EXPECT_EQ(levelgrid[0][0].textid, 7);
    EXPECT_EQ(levelgrid[0][0].x, 0);
    EXPECT_EQ(levelgrid[0][0].y, 0);
    EXPECT_EQ(levelgrid[50][0].textid, -1);
}

TEST_F(MapFiles, RealsReadWithPointOrCommaAndKeepTheirSign)
{
    TLevelData level;
    level.mapid = "m";
    Save(std::move(level));
    std::vector<std::string> lines = Lines("a.map");
    const int sprite = cHeaderLines + cCellLines;
    const int mesh = sprite + 201 * cSpriteLines;
    lines[sprite + 5] = "0,75";  // dirx, strict
    lines[sprite + 6] = "-2.5";  // diry
    lines[mesh + 23] = "1,5";    // spd, lenient
    lines[mesh + 25] = "-12,25"; // rx
    lines[mesh + 26] = "3E-5";   // ry
    WriteLines("a.map", lines);
    LoadMap(MapPath("a.map"));
    EXPECT_EQ(freesprites[0].dirx, 0.75);
    EXPECT_EQ(freesprites[0].diry, -2.5);
    EXPECT_EQ(mapfreemeshes[0].spd, 1.5);
    EXPECT_EQ(mapfreemeshes[0].rx, -12.25);
    EXPECT_EQ(mapfreemeshes[0].ry, 3e-5);
}

TEST_F(MapFiles, AMapOutsideItsGridLeavesTheCellsBeyondAsClearedAndTheStartFacingInRange)
{
    TLevelData level;
    level.mapid = "m";
    level.mapmaxx = level.mapmaxy = 9;
    level.startdir = 7;
    Save(std::move(level));
    levelgrid[50][50].wall = true;
    levelgrid[50][50].wmo = "kept";
    explored[4][4] = true;
    LoadMap(MapPath("a.map"));
    EXPECT_EQ(startdir, 0);
    EXPECT_FALSE(levelgrid[50][50].wall);
    EXPECT_TRUE(levelgrid[50][50].passable);
    EXPECT_EQ(levelgrid[50][50].wmo, "kept");
    EXPECT_TRUE(levelgrid[99][50].wall) << "the border of the 100 x 100 grid";
    EXPECT_EQ(levelgrid[50][50].x, 50);
    EXPECT_FALSE(explored[4][4]);
}

TEST_F(MapFiles, SideFilesGiveNameSkyPlayerLightAndMonsters)
{
    TLevelData level;
    level.mapid = "Fen";
    Save(std::move(level));
    folder.Write("levels/fen/mapname_en.txt", "The Fen\r\nignored\r\n");
    folder.Write("levels/fen/mapname_ru.txt", "\xD0\x91\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE");
    folder.Write("levels/fen/skybox.txt", "3");
    folder.Write("levels/fen/lightdata.txt", "5000\r\n100\r\n-1\r\n255\r\n128\r\n0\r\n");
    folder.Write("levels/fen/monsterlist.txt", "0\r\n-1\r\nTrue\r\nx\r\n");
    std::vector<std::string> names;
    LoadMap(MapPath("a.map"), [&](const std::string& name) {
        if (names.empty() || names.back() != name) names.push_back(name);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"", "The Fen"})) << "the load screen learns the name";
    EXPECT_EQ(mapname, "The Fen");
    EXPECT_EQ(skyboxno, 3);
    EXPECT_EQ(playerlightdata, (playerlightvalues{0.5, 0.01, -0.0001, 1.0, 128 / 255.0, 0.0}));
    EXPECT_FALSE(mapmonsters[0]);
    EXPECT_TRUE(mapmonsters[1] && mapmonsters[2]);
    EXPECT_FALSE(mapmonsters[3] || mapmonsters[4] || mapmonsters[100]) << "unreadable and missing lines";

    lng = "ru";
    LoadMap(MapPath("a.map"));
    EXPECT_EQ(mapname, "\xD0\x91\xD0\xBE\xD0\xBB\xD0\xBE\xD1\x82\xD0\xBE");

    mapmonsters.Fill(false);
    mapmonsters[7] = true;
    SaveMonsterList();
    mapmonsters.Fill(true);
    LoadMonsterList();
    for (int32_t i = 0; i <= 100; ++i) EXPECT_EQ(mapmonsters[i], i == 7) << i;
}

TEST_F(MapFiles, MissingSideFilesGiveTheirDefaults)
{
    TLevelData level;
    level.mapid = "bare";
    Save(std::move(level));
    playerlightdata.ca = 9;
    skyboxno = 4;
    LoadMap(MapPath("a.map"));
    EXPECT_EQ(mapname, "bare");
    EXPECT_EQ(skyboxno, 0);
    EXPECT_EQ(playerlightdata, playerlightvalues{});
    EXPECT_DOUBLE_EQ(playerlightdata.dg, 127 / 255.0);
    for (int32_t i = 0; i <= 100; ++i) EXPECT_TRUE(mapmonsters[i]);

    mapid = "new_level"; // the monster list of a map without a folder yet makes the folder
    SaveMonsterList();
    EXPECT_EQ(Lines("new_level/monsterlist.txt").size(), 101u);
}

TEST_F(MapFiles, TheLoadScreenIsKeptAliveAfterEveryCellSpriteAndMesh)
{
    TLevelData level;
    level.mapid = "m";
    level.mapmaxx = 4;
    level.mapmaxy = 1;
    Save(std::move(level));
    int calls = 0;
    const TMapProgress count = [&](const std::string&) { ++calls; };
    LoadMap(MapPath("a.map"), count);
    EXPECT_EQ(calls, 2 + 10 + 201 + 201);
    calls = 0;
    SaveMap(MapPath("a.map"), true, count);
    EXPECT_EQ(calls, 1 + 10 + 201 + 201);
}

// The map editor hears of each map read, with whether the wall set changed, and of each map written, once the
// level is no longer busy; a read that fails tells it nothing.
TEST_F(MapFiles, TheEditorHearsOfReadsAndWritesOnceTheLevelIsFree)
{
    std::vector<std::string> heard;
    OnMapLoaded = [&](bool envchanged) { heard.push_back(std::string(levelbusy ? "busy " : "") + (envchanged ? "changed" : "same")); };
    OnMapSaved = [&] { heard.push_back(levelbusy ? "busy saved" : "saved"); };
    TLevelData level;
    level.mapid = "m";
    level.envindex = 1;
    Save(level, "one.map");
    level.envindex = 2;
    Save(level, "two.map");
    envindex = 1;
    LoadMap(MapPath("one.map"));
    LoadMap(MapPath("two.map"));
    LoadMap(MapPath("two.map"));
    EXPECT_THROW(LoadMap(MapPath("none.map")), EGameDataError);
    OnMapLoaded = nullptr;
    OnMapSaved = nullptr;
    EXPECT_EQ(heard, (std::vector<std::string>{"saved", "saved", "same", "changed", "same"}));
}

// ---- Refused maps ----

// Older map files, written here line by line as each version lays them out: a 2 x 2 grid whose every stored
// value differs from the default an older version gives.
std::vector<std::string> OldMapLines(int version, const std::string& id = "old")
{
    std::vector<std::string> l;
    auto add = [&](int since, std::initializer_list<std::string> values) {
        if (version >= since) l.insert(l.end(), values);
    };
    if (version != 0) l.push_back(std::to_string(version));
    add(0, {id, "1", "1", "3", "1", "1", "0", "0", "2", "0"});
    for (int i = 0; i <= 100; ++i) add(18, {"r" + std::to_string(i)});
    for (int x = 0; x <= 1; ++x)
        for (int y = 0; y <= 1; ++y) {
            add(0, {std::to_string(x), std::to_string(y), "0", "-1", "0", "0", "0", "1", "2", "3", "4", "5", "spr",
                    "-1", "-1"});
            add(4, {"6"});
            add(6, {"-1"});
            add(10, {"7"});
            add(11, {"8", "9", "10", "11"});
            add(12, {"-1", "12", "g"});
            add(16, {"w", "f", "c", "wm", "13", "14", "15", "16", "17", "18", "-1", "fm"});
            add(17, {"19"});
            add(20, {"-1"});
            add(21, {"20", "21"});
            add(22, {"-1"});
        }
    for (int i = 0; i <= 200; ++i) add(0, {"1", "2", "3", "4", "5", "0.5", "0.25", "-1", "0", "s"});
    for (int i = 0; i <= 200; ++i) {
        add(1, {"10", "11", "12", "13", "14", "15", "-1", "m"});
        add(2, {"50", "60", "70", "tx"});
        add(5, {"-1", "1", "2", "3"});
        add(7, {"4", "1", "2", "3", "4", "5", "6", "1,5", "-1", "20.5", "21.5", "22.5", "23.5", "24.5", "25.5"});
        add(9, {"ts"});
        add(19, {"-1"});
    }
    for (int i = 0; i <= 19; ++i) {
        add(3, {"255", "255", "255", "255", "255", "255", "255", "255", "255", "10000", "10000", "10000", "1", "2",
                "3", "-1"});
        add(8, {"1", "2", "3", "4", "90", "2.5"});
        add(13, {"-1", "-1"});
        add(17, {"5"});
    }
    for (int i = 0; i <= 200; ++i) {
        add(14, {"-1", "1", "1", "2", "3"});
        add(15, {"ws"});
    }
    return l;
}

TEST_F(MapFiles, EveryVersionReadsWithTheDefaultsOfWhatItDoesNotStore)
{
    for (const int v : {0, 1, 2, 7, 9, 14, 15, 16, 17, 21}) {
        SCOPED_TRACE("version " + std::to_string(v));
        ResetGameTables();
        defrndons[0] = "default rat";
        WriteLines("old.map", OldMapLines(v));
        LoadMap(MapPath("old.map"));
        EXPECT_EQ(mapid, "old");
        EXPECT_EQ(mapmaxx, 1);
        EXPECT_EQ(startdir, 2);
        EXPECT_EQ(rndons[0], v >= 18 ? "r0" : "default rat");

        const lcell& c = levelgrid[1][1];
        EXPECT_TRUE(c.passable && c.floor && c.ceil && !c.wall);
        EXPECT_EQ(c.textid, 5);
        EXPECT_EQ(c.spritename, "spr");
        EXPECT_EQ(c.doorface, v >= 4 ? 6 : 0);
        EXPECT_EQ(c.outdoors, v >= 6);
        EXPECT_EQ(c.plz, v >= 10 ? 7 : 10);
        EXPECT_EQ(c.blocky2, v >= 11 ? 11 : 0);
        EXPECT_EQ(c.grass, v >= 12);
        EXPECT_EQ(c.dens, v >= 12 ? 12 : 0);
        EXPECT_EQ(c.gtp, v >= 12 ? "g" : "");
        EXPECT_EQ(c.wco, v >= 16 ? "w" : "");
        EXPECT_EQ(c.wmo, v >= 16 ? "wm" : "");
        EXPECT_EQ(c.fmo, v >= 16 ? "fm" : "");
        EXPECT_EQ(c.ta, v >= 16 ? 13 : 0);
        EXPECT_EQ(c.dz, v >= 16 ? 18 : 0);
        EXPECT_EQ(c.fwm, v >= 16);
        EXPECT_EQ(c.lgroup, v >= 17 ? 19 : 0);
        EXPECT_EQ(c.shcast, v >= 20);
        EXPECT_EQ(c.visarea2, v >= 21 ? 21 : 0);
        EXPECT_FALSE(c.ignored);

        EXPECT_EQ(freesprites[200].name, "s");
        EXPECT_EQ(freesprites[200].diry, 0.25);

        const freemesh& m = mapfreemeshes[200];
        EXPECT_EQ(m.enabled, v >= 1);
        EXPECT_EQ(m.pa, v >= 1 ? 15 : 0);
        EXPECT_EQ(m.name, v >= 1 ? "m" : "");
        EXPECT_EQ(m.sz, v >= 2 ? 70 : v >= 1 ? 100 : 0);
        EXPECT_EQ(m.texture, v >= 2 ? "tx" : v >= 1 ? "0" : "");
        EXPECT_EQ(m.fire, v >= 5);
        EXPECT_EQ(m.fdz, v >= 5 ? 3 : 0);
        EXPECT_EQ(m.bhv, v >= 7 ? 4 : 0);
        if (v >= 1) {
            EXPECT_EQ(m.rx, v >= 7 ? 20.5 : 10);
            EXPECT_EQ(m.rpa, v >= 7 ? 25.5 : 15);
        }
        if (v >= 7) {
            EXPECT_EQ(m.spd, 1.5);
            EXPECT_EQ(m.z2, 6);
            EXPECT_TRUE(m.loop);
        }
        EXPECT_EQ(m.trscript, v >= 9 ? "ts" : "");
        EXPECT_EQ(m.shcast, v >= 19);
        EXPECT_TRUE(freemeshes == mapfreemeshes);

        const lightslot& light = levellights[19];
        EXPECT_EQ(light.shining, v >= 3);
        if (v >= 3) {
            EXPECT_EQ(light.qa, 1.0);
            EXPECT_EQ(light.z, 3);
            EXPECT_EQ(light.sdx, v >= 8 ? 1 : 0);
            EXPECT_EQ(light.cutoff, v >= 8 ? 90 : 180);
            EXPECT_EQ(light.exponent, v >= 8 ? 2.5 : 0);
            EXPECT_EQ(light.external, v >= 13);
            EXPECT_EQ(light.lgroup, v >= 17 ? 5 : 0);
        }
        EXPECT_EQ(wanderers[200].enabled, v >= 14);
        EXPECT_EQ(wanderers[200].behav, v >= 14 ? 3 : 0);
        EXPECT_EQ(wanderers[200].script, v >= 15 ? "ws" : "");
        EXPECT_FALSE(levelbusy);
    }
}

TEST_F(MapFiles, AFirstLineOfZeroOrNoNumberIsTheMapIdOfAVersionZeroFile)
{
    for (const std::string id : {"0", "mines"}) {
        WriteLines("old.map", OldMapLines(0, id));
        LoadMap(MapPath("old.map"));
        EXPECT_EQ(mapid, id);
        EXPECT_EQ(levelgrid[1][1].textid, 5);
        EXPECT_EQ(freesprites[0].name, "s");
    }
    // A version-0 file ends with its sprites: without the last sprite's text and Booleans, its real is missing.
    std::vector<std::string> lines = OldMapLines(0);
    lines.resize(lines.size() - 4);
    WriteLines("old.map", lines);
    EXPECT_NE(MessageOf<EGameDataError>([&] { LoadMap(MapPath("old.map")); }).find("old.map, line"),
              std::string::npos);
}

TEST_F(MapFiles, MapsBeforeVersion16TakeTheirOverridesFromTheCellSideFiles)
{
    folder.Write("levels/old/1_0_w.txt", "wall\r\n");
    folder.Write("levels/old/1_0_f.txt", "floor");
    folder.Write("levels/old/1_0_c.txt", "ceiling\r\nignored\r\n");
    folder.Write("levels/old/1_0_fo.txt", "floor mesh");
    folder.Write("levels/old/1_0_mo.txt", "wall mesh\r\nnull\r\n1\r\n2\r\n3\r\n-4\r\n5\r\n6\r\n-1\r\n");
    // A bad number zeroes the angles, offsets and fwm but keeps the mesh.
    folder.Write("levels/old/0_1_mo.txt", "bent\r\nnull\r\n1\r\n2\r\nx\r\n4\r\n5\r\n6\r\n-1\r\n");
    // Ends after dz: fwm reads false.
    folder.Write("levels/old/1_1_mo.txt", "short\r\nnull\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n");

    for (const int v : {9, 15, 16}) {
        SCOPED_TRACE("version " + std::to_string(v));
        WriteLines("old.map", OldMapLines(v));
        LoadMap(MapPath("old.map"));
        const lcell& c = levelgrid[1][0];
        if (v >= 16) {
            EXPECT_EQ(c.wco, "w");
            EXPECT_EQ(c.wmo, "wm");
            EXPECT_EQ(c.ta, 13);
            continue;
        }
        EXPECT_EQ(c.wco, "wall");
        EXPECT_EQ(c.fco, "floor");
        EXPECT_EQ(c.cco, "ceiling");
        EXPECT_EQ(c.fmo, "floor mesh");
        EXPECT_EQ(c.wmo, "wall mesh");
        EXPECT_EQ(std::vector<int32_t>({c.ta, c.ra, c.pa, c.dx, c.dy, c.dz}), std::vector<int32_t>({1, 2, 3, -4, 5, 6}));
        EXPECT_TRUE(c.fwm);
        const lcell& bent = levelgrid[0][1];
        EXPECT_EQ(bent.wmo, "bent");
        EXPECT_EQ(std::vector<int32_t>({bent.ta, bent.ra, bent.pa, bent.dx, bent.dy, bent.dz}),
                  std::vector<int32_t>(6, 0));
        EXPECT_FALSE(bent.fwm);
        EXPECT_EQ(levelgrid[1][1].dz, 6);
        EXPECT_FALSE(levelgrid[1][1].fwm);
        EXPECT_EQ(levelgrid[0][0].wco, "");
        EXPECT_EQ(levelgrid[0][0].wmo, "");
    }
}

TEST_F(MapFiles, OldMapsFindTheirSideFilesInAnyLetterCaseAsTheFolderIsAtEachRead)
{
    folder.Write("levels/Old/1_0_W.TXT", "wall\r\n");
    folder.Write("levels/Old/1_0_Mo.txt", "wall mesh\r\nnull\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n-1\r\n");
    folder.Write("levels/Old/SKYBOX.txt", "4\r\n");
    WriteLines("old.map", OldMapLines(15));
    LoadMap(MapPath("old.map"));
    EXPECT_EQ(levelgrid[1][0].wco, "wall");
    EXPECT_EQ(levelgrid[1][0].wmo, "wall mesh");
    EXPECT_EQ(levelgrid[1][0].dz, 6);
    EXPECT_EQ(skyboxno, 4);

    // A side file written since the last read shows in the next, and one removed since is gone.
    folder.Write("levels/Old/0_1_F.txt", "floor\r\n");
    std::filesystem::remove(folder.path / "levels/Old/1_0_W.TXT");
    LoadMap(MapPath("old.map"));
    EXPECT_EQ(levelgrid[0][1].fco, "floor");
    EXPECT_EQ(levelgrid[1][0].wco, "");

    // After the read, one cell's side files are looked up as they are then.
    folder.Write("levels/Old/1_1_c.TXT", "ceiling\r\n");
    ReadCellOverrides(1, 1);
    EXPECT_EQ(levelgrid[1][1].cco, "ceiling");
}

TEST_F(MapFiles, OldMapsAskTheFileHooksForTheirSideFilesWhenTheyAreSet)
{
    struct TUnhook {
        ~TUnhook()
        {
            SetStreamFactoryHook(nullptr);
            SetFileExistsHook(nullptr);
        }
    } const unhook;
    WriteLines("old.map", OldMapLines(15));
    // On disk the folder has no side file at all: only the hooks know this one.
    SetStreamFactoryHook([](const std::string& fileName, uint16_t) -> std::unique_ptr<TStream> {
        if (!fileName.ends_with("/old/1_0_w.txt")) return nullptr;
        return std::make_unique<TStringStream>("hooked wall\r\n");
    });
    SetFileExistsHook([](const std::string& fileName) { return fileName.ends_with("/old/1_0_w.txt"); });
    LoadMap(MapPath("old.map"));
    EXPECT_EQ(levelgrid[1][0].wco, "hooked wall");
    EXPECT_EQ(levelgrid[0][0].wco, "");
}

TEST_F(MapFiles, CellSideFilesAreWrittenIntoTheMapFolderOnlyAndReadBack)
{
    mapid = "ed";
    levelgrid[3][12] = lcell{};
    lcell& c = levelgrid[3][12];
    c.wmo = "pillar", c.ta = 90, c.ra = -5, c.pa = 0, c.dx = 1, c.dy = 2, c.dz = 3, c.fwm = true;

    // Without the map's folder nothing is written and nothing raises.
    WriteCellOverride(3, 12, "stone", "w");
    WriteCellMeshData(3, 12);
    EXPECT_FALSE(std::filesystem::exists(folder.path / "levels/ed"));

    std::filesystem::create_directories(folder.path / "levels/ed");
    WriteCellOverride(3, 12, "stone", "w");
    WriteCellOverride(3, 12, "moss", "fo");
    WriteCellMeshData(3, 12);
    EXPECT_EQ(folder.Read("levels/ed/3_12_w.txt"), "stone\r\n");
    EXPECT_EQ(folder.Read("levels/ed/3_12_mo.txt"), "pillar\r\nnull\r\n90\r\n-5\r\n0\r\n1\r\n2\r\n3\r\n-1\r\n");

    // A letter that names another folder, or a cell outside the grid, writes nothing.
    WriteCellOverride(3, 12, "x", "/../../escape");
    WriteCellMeshData(101, 0);
    WriteCellMeshData(-1, 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path / "escape.txt"));
    // A map id that names another folder writes nothing either, and says why.
    {
        TGLLogCapture log;
        mapid = "..";
        WriteCellOverride(0, 0, "stone", "w");
        EXPECT_TRUE(log.Contains("the map id \"..\" is not a folder name"));
        EXPECT_FALSE(std::filesystem::exists(folder.path / "levels/0_0_w.txt"));
        mapid = "ed";
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path / "levels/ed"),
                            std::filesystem::directory_iterator()),
              3);

    const lcell written = c;
    c = lcell{};
    c.fwm = false;
    ReadCellOverrides(3, 12);
    EXPECT_EQ(c.wco, "stone");
    EXPECT_EQ(c.fmo, "moss");
    EXPECT_EQ(c.wmo, written.wmo);
    EXPECT_EQ(std::vector<int32_t>({c.ta, c.ra, c.pa, c.dx, c.dy, c.dz}), std::vector<int32_t>({90, -5, 0, 1, 2, 3}));
    EXPECT_TRUE(c.fwm);

    // Without "_mo.txt" the mesh and its placement clear while fwm stays; without a map id nothing is read.
    lcell& other = levelgrid[4][4];
    other.wmo = "old", other.ta = 7, other.fwm = true, other.wco = "kept?";
    ReadCellOverrides(4, 4);
    EXPECT_EQ(other.wmo, "");
    EXPECT_EQ(other.ta, 0);
    EXPECT_TRUE(other.fwm);
    EXPECT_EQ(other.wco, "");
    mapid.clear();
    other.wco = "kept";
    ReadCellOverrides(4, 4);
    EXPECT_EQ(other.wco, "kept");
}

class RefusedMaps : public MapFiles {
protected:
    void SetUp() override
    {
        MapFiles::SetUp();
        TLevelData level;
        level.mapid = "m";
        level.mapmaxx = 5;
        level.mapmaxy = 4;
        level.startx = level.starty = 2;
        ClearLevelTables(level);
        level.mapid = "m";
        Save(std::move(level));
        good = Lines("a.map");
        // The current level, which a refused map must leave alone.
        ResetGameTables();
        mapid = "current";
        mapname = "Current";
        mapmaxx = 19;
        levelgrid[3][3].textid = 42;
        freemeshes[0].name = "working";
        explored[1][1] = true;
        levelbusy = false;
        camsnap = false;
    }

    // Loads the lines as a map and answers the message of what LoadMap raised.
    std::string LoadLines(const std::vector<std::string>& lines)
    {
        WriteLines("bad.map", lines);
        return MessageOf<EGameDataError>([&] { LoadMap(MapPath("bad.map")); });
    }

    void ExpectLevelUnchanged() const
    {
        EXPECT_EQ(mapid, "current");
        EXPECT_EQ(mapname, "Current");
        EXPECT_EQ(mapmaxx, 19);
        EXPECT_EQ(levelgrid[3][3].textid, 42);
        EXPECT_EQ(freemeshes[0].name, "working");
        EXPECT_TRUE(explored[1][1]);
        EXPECT_FALSE(levelbusy) << "the game is never left on the load screen";
        EXPECT_FALSE(camsnap);
    }

    std::vector<std::string> good;
};

TEST_F(RefusedMaps, VersionsOutsideTheReadOnesAreRefusedByNumber)
{
    for (const int32_t version : {23, 99, -1, std::numeric_limits<int32_t>::min()}) {
        std::vector<std::string> lines = good;
        lines[0] = std::to_string(version);
        EXPECT_EQ(LoadLines(lines), MapPath("bad.map") + ": map version " + std::to_string(version) +
                                        " cannot be read (this program reads versions 0 to 22)");
        ExpectLevelUnchanged();
    }
}

TEST_F(RefusedMaps, BadHeadersAndValuesNameTheirLine)
{
    const int cell = cHeaderLines + cCellLines * 7; // cell (1, 2)
    const int mesh = cHeaderLines + 30 * cCellLines + 201 * cSpriteLines;
    const struct {
        int line;
        const char* text;
        std::string reason;
    } cases[] = {
        {1, "..", "the map id \"..\" is not a folder name"},
        {1, "..\\..\\etc", "the map id \"..\\..\\etc\" is not a folder name"},
        {1, "a/b", "the map id \"a/b\" is not a folder name"},
        {2, "100", "the highest x 100 is outside 0..99"},
        {2, "-1", "the highest x -1 is outside 0..99"},
        {3, "150", "the highest y 150 is outside 0..99"},
        {5, "6", "the start cell (6, 2) lies outside the grid"},
        {6, "-1", "the start cell (2, -1) lies outside the grid"},
        {4, "x", "'x' is not a valid integer value"},
        {cell + 7, "", "'' is not a valid integer value"},
        {mesh + 23, "1.5.0", "'1.5.0' is not a valid floating point value"},
        {cHeaderLines + 30 * cCellLines + 5, "x", "'x' is not a valid floating point value"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = good;
        lines[c.line] = c.text;
        EXPECT_EQ(LoadLines(lines), MapPath("bad.map") + ", line " + std::to_string(c.line + 1) + ": " + c.reason);
        ExpectLevelUnchanged();
    }
}

TEST_F(RefusedMaps, TruncatedMapsAndBadSideFilesAreRefusedToo)
{
    for (const size_t keep : {size_t(1), size_t(60), size_t(cHeaderLines + 100), good.size() - 2}) {
        const std::string message = LoadLines(std::vector<std::string>(good.begin(), good.begin() + keep));
        EXPECT_NE(message.find("bad.map, line"), std::string::npos) << keep << ": " << message;
        ExpectLevelUnchanged();
    }
    EXPECT_NE(MessageOf<EGameDataError>([&] { LoadMap(MapPath("none.map")); }).find("none.map"), std::string::npos);
    ExpectLevelUnchanged();

    folder.Write("levels/m/skybox.txt", "sky");
    EXPECT_EQ(LoadLines(good), GamePath("\\levels\\m\\skybox.txt") + ", line 1: 'sky' is not a valid integer value");
    ExpectLevelUnchanged();
    std::filesystem::remove(folder.path / "levels/m/skybox.txt");
    folder.Write("levels/m/lightdata.txt", "1\r\n2\r\n3\r\n");
    EXPECT_EQ(LoadLines(good), GamePath("\\levels\\m\\lightdata.txt") + ", line 4: missing");
    ExpectLevelUnchanged();

    // A failing load screen ends the read the same way.
    WriteLines("bad.map", good);
    EXPECT_EQ(MessageOf<EGameDataError>([&] {
                  LoadMap(MapPath("bad.map"), [](const std::string& name) {
                      if (!name.empty()) throw EGameDataError("window closed");
                  });
              }),
              "window closed");
    ExpectLevelUnchanged();
}

TEST_F(RefusedMaps, AMapThatCouldNotBeReadBackIsNotWritten)
{
    const std::string before = folder.Read("levels/a.map");
    for (const auto& [maxx, sx] : {std::pair{100, 0}, {19, 20}}) {
        mapmaxx = maxx;
        startx = sx;
        const std::string message = MessageOf<EGameDataError>([&] { SaveMap(MapPath("a.map"), true); });
        EXPECT_NE(message.find("a.map: the"), std::string::npos) << message;
        EXPECT_FALSE(levelbusy);
        EXPECT_EQ(folder.Read("levels/a.map"), before);
    }
}

} // namespace
