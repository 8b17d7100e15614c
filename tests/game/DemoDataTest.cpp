// The demo adventure's generator: the same sources give the same bytes, a second run touches nothing, and what
// it writes reads back through the game's own readers. Its source compilers refuse bad lines by file and line.
#include "DemoData.h"
#include "DemoSources.h"

#include "GameDataFolder.h"
#include "JPEG.h"
#include "Raises.h"
#include "TGA.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

// Every file below folder by its relative path, with its bytes; folders as empty entries ending in "/".
std::map<std::string, std::string> FolderContents(const TempFolder& folder)
{
    std::map<std::string, std::string> contents;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder.path)) {
        const std::string name = fs::relative(entry.path(), folder.path).generic_string();
        if (entry.is_directory()) contents[name + "/"];
        else contents[name] = folder.Read(name);
    }
    return contents;
}

class DemoData : public GameDataFolder {};

TEST_F(DemoData, SameSourcesGiveSameBytesAndASecondRunTouchesNothing)
{
    TempFolder other;
    const TDemoWriteCount first = WriteDemoData(MIREFALL_DEMO_SOURCES, folder.path.string());
    WriteDemoData(MIREFALL_DEMO_SOURCES, other.path.string());
    const auto contents = FolderContents(folder);
    EXPECT_EQ(contents, FolderContents(other));
    EXPECT_EQ(first.unchanged, 0);
    for (const char* name : {"gh.cfg", "text/adventureid.txt", "text/en/strings.txt", "levels/mm_map.map",
                             "levels/mm_map/mapname_en.txt", "levels/mm_map/skybox.txt", "saves/", "screenshots/",
                             "textures/splashscreen.jpg", "textures/pq/0/tex_9.tga", "textures/lq/loadscr/1.tga"})
        EXPECT_TRUE(contents.contains(name)) << name;

    // Unchanged files keep their time; a damaged one is written again.
    const fs::path map = folder.path / "levels" / "mm_map.map";
    const auto written = fs::last_write_time(map) - std::chrono::hours(1);
    fs::last_write_time(map, written);
    folder.Write("text/adventureid.txt", "damaged");
    const TDemoWriteCount again = WriteDemoData(MIREFALL_DEMO_SOURCES, folder.path.string());
    EXPECT_EQ(again.written, 1);
    EXPECT_EQ(again.unchanged, first.written - 1);
    EXPECT_EQ(fs::last_write_time(map), written);
    EXPECT_EQ(FolderContents(folder), contents);
}

TEST_F(DemoData, TheGameReadsWhatItWrites)
{
    WriteDemoData(MIREFALL_DEMO_SOURCES, folder.path.string());
    EXPECT_EQ(gamedir, folder.path.string());

    texquality = 7;
    ReadConfig();
    EXPECT_EQ(lng, "en");
    EXPECT_EQ(texquality, 1);
    EXPECT_EQ(qualitydir, "hq");
    EXPECT_EQ(adventureid, "map_");
    EXPECT_EQ(viewdist, 15);
    // Software GL and no sound device: no shadow volumes, no sound.
    EXPECT_FALSE(shadows);
    EXPECT_TRUE(fullmute);

    fillstrarr(lng, strarr);
    EXPECT_EQ(strarr[301], "Loading");
    EXPECT_EQ(strarr[302], "Saving");
    EXPECT_EQ(strarr[131], "Battle log");
    for (const int index : {144, 149, 150, 155, 159, 162, 163, 197, 345}) EXPECT_FALSE(strarr[index].empty()) << index;
    EXPECT_EQ(strarr[0], "");
    EXPECT_EQ(strarr[346], "");

    LoadMap(GamePath("\\levels\\mm_map.map"));
    EXPECT_EQ(mapid, "mm_map");
    EXPECT_EQ(mapname, "The Sunken Hall");
    EXPECT_EQ(mapmaxx, 19);
    EXPECT_EQ(mapmaxy, 11);
    const lcell& start = levelgrid[startx][starty];
    EXPECT_TRUE(start.passable && start.floor && !start.wall);
    EXPECT_EQ(start.plz, 10);
    EXPECT_TRUE(levelgrid[exitx][exity].passable);
    EXPECT_TRUE(levelgrid[0][0].wall);
    EXPECT_FALSE(levelbusy);
    // Cell sprites are loaded from the sprite list.
    const std::vector<std::string> sprites = ReadLines(GamePath("\\textures\\spritelist.txt"));
    int placed = 0;
    for (int32_t x = 0; x <= mapmaxx; ++x)
        for (int32_t y = 0; y <= mapmaxy; ++y)
            if (const std::string& sprite = levelgrid[x][y].spritename; sprite != "0") {
                ++placed;
                EXPECT_NE(std::find(sprites.begin(), sprites.end(), sprite), sprites.end()) << sprite;
            }
    EXPECT_GT(placed, 0);
}

TEST_F(DemoData, EveryQualityHoldsTheWallSetAndTheListedPicturesAtItsSize)
{
    WriteDemoData(MIREFALL_DEMO_SOURCES, folder.path.string());
    std::vector<std::string> withAlpha = ReadLines(GamePath("\\textures\\spritelist.txt"));
    const std::vector<std::string> interface = ReadLines(GamePath("\\textures\\uilist.txt"));
    EXPECT_EQ(withAlpha.size(), 2u);
    EXPECT_EQ(interface.size(), 2u);
    withAlpha.insert(withAlpha.end(), interface.begin(), interface.end());
    withAlpha.insert(withAlpha.end(), {"empty", "port_glow"});
    const auto picture = [](const std::string& path) {
        auto tga = std::make_unique<TTGAImage>();
        tga->LoadFromFile(GamePath(path));
        return tga;
    };
    for (const auto& [quality, scale] : {std::pair{"hq", 1}, {"lq", 2}, {"pq", 4}}) {
        const std::string textures = std::string("\\textures\\") + quality + "\\";
        for (int role = 0; role <= 9; ++role) {
            const auto wall = picture(textures + "0\\tex_" + std::to_string(role) + ".tga");
            EXPECT_EQ(std::make_tuple(wall->Width(), wall->Height(), wall->PixelFormat()),
                      std::make_tuple(128 / scale, 128 / scale, pf24bit))
                << quality << " " << role;
        }
        for (const std::string& name : withAlpha)
            EXPECT_EQ(picture(textures + name + ".tga")->PixelFormat(), pf32bit) << name;
        for (const char* screen : {"0", "1"})
            EXPECT_EQ(picture(textures + "loadscr\\" + screen + ".tga")->Width(), 256 / scale);
        EXPECT_EQ(ReadLines(GamePath(textures + "0\\arid.txt")), (std::vector<std::string>{"Old Halls", "-1"}));
    }
    TJPEGImage splash;
    splash.LoadFromFile(GamePath("\\textures\\splashscreen.jpg"));
    EXPECT_GE(splash.Width(), 450);
    EXPECT_GE(splash.Height(), 300);
}

TEST(DemoStrings, EntriesInIndexOrderWithTheTablesMarks)
{
    const std::string table = CompileStrings("# texts\n\n2 | two & lines\r\n0|zero\n", "s.src");
    EXPECT_EQ(table, "\xEF\xBB\xBFzero@\r\n@\r\ntwo & lines\r\n");
    EXPECT_EQ(CompileStrings("\xEF\xBB\xBF", "s.src"), "\xEF\xBB\xBF\r\n");
}

TEST(DemoStrings, BadLinesAreNamed)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1 | a\nno bar\n", "s.src, line 2: expected \"index | text\""},
        {"x | a\n", "s.src, line 1: \"x \" is not an integer"},
        {"10001 | a\n", "s.src, line 1: index 10001 is outside 0..10000"},
        {"-1 | a\n", "s.src, line 1: index -1 is outside 0..10000"},
        {"3 | a\n3 | b\n", "s.src, line 2: index 3 given twice"},
        {"3 | a@b\n", "s.src, line 1: \"@\" would end the entry"},
    };
    for (const auto& [source, message] : cases)
        EXPECT_EQ(MessageOf<EDemoSource>([&] { CompileStrings(source, "s.src"); }), message) << source;
}

TEST(DemoMaps, TheGridGivesTheCells)
{
    auto level = std::make_unique<TLevelData>();
    TDemoMapInfo info;
    CompileMap("id: hall\nname: Hall\nenv: 2\ndir: 3\nskybox: 4\n\n#####\n#S.B#\n#A.E#\n#####\n", "m.txt", *level,
               info);
    EXPECT_EQ(level->mapid, "hall");
    EXPECT_EQ(level->mapname, "Hall");
    EXPECT_EQ(info.skybox, 4);
    EXPECT_EQ(std::make_tuple(level->mapmaxx, level->mapmaxy, level->envindex, level->startdir),
              std::make_tuple(4, 3, 2, 3));
    EXPECT_EQ(std::tie(level->startx, level->starty, level->exitx, level->exity), std::make_tuple(1, 1, 3, 2));
    EXPECT_TRUE(level->levelgrid[0][1].wall);
    EXPECT_TRUE(level->levelgrid[2][1].passable);
    EXPECT_EQ(level->levelgrid[3][1].spritename, "spr_barrel1");
    EXPECT_EQ(level->levelgrid[1][2].spritename, "altar1");
    EXPECT_EQ(level->levelgrid[2][2].spritename, "0");
}

TEST(DemoMaps, BadSourcesAreNamed)
{
    const std::pair<const char*, const char*> cases[] = {
        {"name: x\n###\n#S#\n###\n", "m.txt, line 2: the level has no id"},
        {"id: a/b\n###\n#S#\n###\n", "m.txt, line 2: the id \"a/b\" is not a file name"},
        {"id: a\nsize: 3\n###\n#S#\n###\n", "m.txt, line 2: unknown key \"size\""},
        {"id: a\ndir: 4\n###\n#S#\n###\n", "m.txt, line 3: dir must be 0..3"},
        {"id: a\n###\n#S.#\n###\n", "m.txt, line 3: the row is not as wide as the first one"},
        {"id: a\n####\n#Sx#\n####\n", "m.txt, line 3: unknown cell \"x\""},
        {"id: a\n####\n#S..\n####\n", "m.txt, line 3: the grid must be closed by walls"},
        {"id: a\n####\n#..#\n####\n", "m.txt, line 2: the grid has no start \"S\""},
        {"id: a\n####\n#SS#\n####\n", "m.txt, line 3: a second start"},
        {"id: a\n####\n#SE#\n#E.#\n####\n", "m.txt, line 4: a second exit"},
        {"id: a\n###\n#S#\n###\n\n#\n", "m.txt, line 6: text after the grid"},
        {"id: a\n##\n##\n", "m.txt, line 2: the grid needs at least 3 x 3 cells"},
    };
    for (const auto& [source, message] : cases) {
        auto level = std::make_unique<TLevelData>();
        TDemoMapInfo info;
        EXPECT_EQ(MessageOf<EDemoSource>([&] { CompileMap(source, "m.txt", *level, info); }), message) << source;
    }
    auto level = std::make_unique<TLevelData>();
    TDemoMapInfo info;
    const std::string wide = "id: a\n" + std::string(101, '#') + "\n";
    const std::string tooWide = wide + wide.substr(6) + wide.substr(6);
    EXPECT_EQ(MessageOf<EDemoSource>([&] { CompileMap(tooWide, "m.txt", *level, info); }),
              "m.txt, line 2: the grid is larger than 100 x 100");
}

} // namespace
