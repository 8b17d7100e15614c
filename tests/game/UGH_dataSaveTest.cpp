// Save games: the player state file (its layout, the explored block sized by the map, the tail defaults of older
// files, the values it refuses or mends), the lists beside it (global scripts, journal, player light, coded perk
// effect names) and the save set of six files, which comes back whole, is refused whole and is replaced whole.
#include "UGH_data.h"

#include "GLApplicationFileIO.h"
#include "Streams.h"

#include "GameDataFolder.h"
#include "Raises.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// A stream that takes no byte.
class TRefusingStream : public TMemoryStream {
public:
    int64_t Write(const void*, int64_t) override { return 0; }
};

constexpr int cFixedLines = 4029, cTailLines = 5;

// Distinct values for every field, so that a field written or read in the wrong place shows.
struct TValues {
    int32_t next = 1;
    int32_t Int() { return next++; }
    bool Bool() { return (next++ % 3) != 0; }
    std::string Text()
    {
        std::string text = "t";
        text += std::to_string(next++);
        return text;
    }
};

// A player state with every stored value set, for a map of cells [0..9] x [0..5], the player at (4, 3).
TPlayerState FilledState()
{
    TValues v;
    TPlayerState s;
    character& p = s.player;
    for (int32_t* field : {&p.face, &p.hair, &p.cloth, &p.xp, &p.xpreq, &p.bonuspoints, &s.perkpoints, &s.keys1,
                           &s.keys2, &p.sex, &p.bstr, &p.bint, &p.bspd, &p.bend, &p.bsw, &p.bbw, &p.bar, &p.bmg,
                           &s.levelno, &s.levelsteps})
        *field = v.Int();
    s.playerx = 4;
    s.playery = 3;
    s.lookside = 2;
    for (std::string& text : s.strvars) text = v.Text();
    for (int32_t& value : s.intvars) value = v.Int();
    for (int32_t& count : s.itemcounts) count = v.Int();
    for (bool& on : p.spellen) on = v.Bool();
    s.equipped[0] = 7, s.equipped[1] = -1, s.equipped[2] = 1000, s.equipped[3] = 12;
    for (int32_t x = 0; x <= 9; ++x)
        for (int32_t y = 0; y <= 5; ++y) s.explored[x][y] = v.Bool();
    s.randommode = true;
    s.activecard = 33;
    s.scriptpopups = false;
    return s;
}

class SaveFiles : public GameDataFolder {
protected:
    // A player state carries the random-mode setting, which the tables' reset leaves alone.
    void TearDown() override
    {
        randommode = false;
        GameDataFolder::TearDown();
    }

    std::string Saved(const std::string& name) const { return folder / ("saves/" + name); }
};

TEST_F(SaveFiles, PlayerStateOfATenBySixMapReadsBackWithItsLayout)
{
    const TPlayerState state = FilledState();
    SavePlayer(state, 9, 5, folder / "chsave2.sav");
    EXPECT_FALSE(levelbusy || levelsaving);

    const std::vector<std::string> lines = ReadLines(folder / "chsave2.sav");
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(cFixedLines + 10 * 6 + cTailLines));
    // The base skills are stored bar before bmg.
    EXPECT_EQ(lines[19], std::to_string(state.player.bar));
    EXPECT_EQ(lines[20], std::to_string(state.player.bmg));
    EXPECT_EQ(lines[23], state.strvars[0]);
    EXPECT_EQ(lines[4026], state.player.spellen[1000] ? "-1" : "0");
    EXPECT_EQ(lines[4027], "7");
    // The explored block, x outer: cell (x, y) at 4029 + 6x + y.
    for (int32_t x = 0; x <= 9; ++x)
        for (int32_t y = 0; y <= 5; ++y)
            EXPECT_EQ(lines[cFixedLines + 6 * x + y], state.explored[x][y] ? "-1" : "0") << x << ", " << y;
    EXPECT_EQ(std::vector<std::string>(lines.end() - cTailLines, lines.end()),
              (std::vector<std::string>{"1000", "-1", "33", "12", "0"}));

    character base;
    base.name = "from the character file";
    base.lvl = 5;
    TPlayerState expected = state;
    expected.player.name = base.name;
    expected.player.lvl = base.lvl;
    EXPECT_EQ(LoadPlayer(folder / "chsave2.sav", 9, 5, base), expected);
    EXPECT_FALSE(levelbusy);
}

TEST_F(SaveFiles, PlayerStateTailTakesItsDefaultsAndWornItemsOutsideTheTableAreTakenOff)
{
    TPlayerState state = FilledState();
    state.equipped[0] = 1001;
    state.equipped[1] = -2;
    state.lookside = 4;
    SavePlayer(state, 9, 5, folder / "full.sav");
    std::vector<std::string> lines = ReadLines(folder / "full.sav");

    // An older game's file ends after equipped[2].
    lines.resize(cFixedLines + 60 + 1);
    WriteLines("old.sav", lines);
    const TPlayerState old = LoadPlayer(folder / "old.sav", 9, 5, character{});
    EXPECT_EQ(old.equipped[2], 1000);
    EXPECT_FALSE(old.randommode);
    EXPECT_EQ(old.activecard, 0);
    EXPECT_EQ(old.equipped[3], -1);
    EXPECT_TRUE(old.scriptpopups);
    EXPECT_EQ(old.equipped[0], -1);
    EXPECT_EQ(old.equipped[1], -1);
    EXPECT_EQ(old.lookside, 0);
    EXPECT_EQ(old.explored, state.explored);

    // Bad tail values take the defaults too.
    lines.resize(cFixedLines + 60);
    for (const char* bad : {"x", "-1", "1.5", "", "-1"}) lines.push_back(bad);
    WriteLines("bad.sav", lines);
    const TPlayerState mended = LoadPlayer(folder / "bad.sav", 9, 5, character{});
    EXPECT_EQ(mended.equipped[2], -1);
    EXPECT_TRUE(mended.randommode);
    EXPECT_EQ(mended.activecard, 0);
    EXPECT_EQ(mended.equipped[3], -1);
    EXPECT_TRUE(mended.scriptpopups);
}

TEST_F(SaveFiles, PlayerStateThatCannotBeReadIsRefusedNamingFileAndLine)
{
    SavePlayer(FilledState(), 9, 5, folder / "good.sav");
    const std::vector<std::string> good = ReadLines(folder / "good.sav");
    struct TCase {
        int line;
        std::string value;
        std::string reason;
    };
    const TCase cases[] = {
        {0, "x", "line 1:"},         // player.face
        {20, "", "line 21:"},        // bmg
        {1500, "1e3", "line 1501:"}, // an intvar
        {4028, "?", "line 4029:"},   // equipped[1]
        {7, "10", "line 8: the player cell (10, 3) lies outside the map"},
        {8, "-1", "line 8: the player cell (4, -1) lies outside the map"},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> lines = good;
        lines[c.line] = c.value;
        WriteLines("bad.sav", lines);
        const std::string message = MessageOf<EGameDataError>([&] { LoadPlayer(folder / "bad.sav", 9, 5, {}); });
        EXPECT_NE(message.find("bad.sav, " + c.reason), std::string::npos) << message;
        EXPECT_FALSE(levelbusy);
    }
    // A file that ends inside the fixed lines.
    std::vector<std::string> shortened(good.begin(), good.begin() + 2000);
    WriteLines("short.sav", shortened);
    EXPECT_NE(MessageOf<EGameDataError>([&] { LoadPlayer(folder / "short.sav", 9, 5, {}); }), cNoException);

    // The explored block holds at most 101 x 101 cells.
    for (const auto& [maxx, maxy] : {std::pair{101, 5}, std::pair{5, -1}}) {
        EXPECT_NE(MessageOf<EGameDataError>([&] { LoadPlayer(folder / "good.sav", maxx, maxy, {}); }), cNoException);
        EXPECT_NE(MessageOf<EGameDataError>([&] { SavePlayer(FilledState(), maxx, maxy, folder / "big.sav"); }),
                  cNoException);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "big.sav"));
    EXPECT_FALSE(levelbusy || levelsaving);
}

TEST_F(SaveFiles, GlobalScriptListGivesTheNamesWhoseScriptExists)
{
    for (const char* name : {"alpha", "gamma"}) folder.Write(std::string("scripts/") + name + ".txt", "Wait 1\r\n");
    folder.Write("outside.txt", "Wait 1\r\n");
    gslist.resize(3);
    gslist[0].id = "alpha";
    gslist[1].id = "beta";
    gslist[2].id = "gamma";
    SaveGS(folder / "gslist.txt");
    EXPECT_EQ(ReadLines(folder / "gslist.txt"), (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(LoadGS(folder / "gslist.txt"), (std::vector<std::string>{"alpha", "gamma"}));

    // Names that lead out of the scripts folder are skipped; names after the 10001st are not read.
    std::vector<std::string> lines = {"..\\outside", "../outside", "", "gamma"};
    lines.resize(10001, "beta");
    lines.push_back("alpha");
    WriteLines("long.txt", lines);
    EXPECT_EQ(LoadGS(folder / "long.txt"), (std::vector<std::string>{"gamma"}));
    EXPECT_NE(MessageOf<EGameDataError>([&] { LoadGS(folder / "missing.txt"); }), cNoException);
}

TEST_F(SaveFiles, JournalSequenceReadsEveryLineAndAnEmptyFileAsTheFirstEntry)
{
    jseq = {0, 12, -3, 7};
    SaveJSeq(folder / "jseq.txt");
    EXPECT_EQ(LoadJSeq(folder / "jseq.txt"), jseq);

    folder.Write("empty.txt", "");
    EXPECT_EQ(LoadJSeq(folder / "empty.txt"), TDynArray<int32_t>{0});
    folder.Write("bad.txt", "0\r\n4\r\nfour\r\n");
    EXPECT_NE(MessageOf<EGameDataError>([&] { LoadJSeq(folder / "bad.txt"); }).find("bad.txt, line 3"),
              std::string::npos);
}

TEST_F(SaveFiles, PlayerLightIsWrittenWhereTheReasonSaysAndReadFromTheSaves)
{
    EXPECT_EQ(LoadSavedLight(), std::nullopt);
    EXPECT_FALSE(levelbusy);

    mapid = "fen";
    savelight(0.25, 0.0012, 0.00005, 1.0, 0.5, 0.0, 1);
    EXPECT_EQ(ReadLines(folder / "levels/fen/lightdata.txt"),
              (std::vector<std::string>{"2500", "12", "0", "255", "128", "0"}));
    savelight(0.5, 0.01, 0.02, 0.2, 0.4, 0.6, 2);
    const std::optional<playerlightvalues> light = LoadSavedLight();
    ASSERT_TRUE(light.has_value());
    EXPECT_EQ(*light, (playerlightvalues{0.5, 0.01, 0.02, 51 / 255.0, 102 / 255.0, 153 / 255.0}));

    // Any other reason writes nothing; nor does a map id that is not a folder name.
    std::filesystem::remove_all(folder.path / "saves");
    savelight(1, 1, 1, 1, 1, 1, 3);
    mapid = "..";
    savelight(1, 1, 1, 1, 1, 1, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.path / "saves"));
    EXPECT_FALSE(std::filesystem::exists(folder.path / "levels/lightdata.txt"));

    folder.Write("saves/lightdata.txt", "5000\r\n0\r\nx\r\n");
    EXPECT_NE(MessageOf<EGameDataError>([] { LoadSavedLight(); }), cNoException);
    EXPECT_FALSE(levelbusy);
}

TEST_F(SaveFiles, CodedPerkEffectNamesFillTheTableAndAMissingFileChangesNothing)
{
    cpenames[5] = "kept";
    EXPECT_NE(MessageOf<EGameDataError>([] { getcpeids(); }).find("cpe.txt"), std::string::npos);
    EXPECT_EQ(cpenames[5], "kept");

    folder.Write("text/en/cpe.txt", "Thick skin\r\nSecond wind\r\n");
    getcpeids();
    EXPECT_EQ(cpenames[0], "Thick skin");
    EXPECT_EQ(cpenames[1], "Second wind");
    EXPECT_EQ(cpenames[5], "");
    EXPECT_EQ(cpenames[100], "");
}

// A running game on a 10 x 6 level whose free meshes 3 and 4 have been moved and hidden since the map was read.
class SaveSet : public SaveFiles {
protected:
    void SetUp() override
    {
        SaveFiles::SetUp();
        TLevelData level;
        level.mapmaxx = 9;
        level.mapmaxy = 5;
        ClearLevelTables(level);
        level.mapid = "fen";
        level.mapname = "fen";
        level.startx = level.starty = 1;
        level.mapmonsters.Fill(true);
        level.levelgrid[4][3].trap = true;
        level.levelgrid[4][3].traptype = 11;
        for (int i = 0; i < 5; ++i) {
            freemesh& mesh = level.mapfreemeshes[i];
            mesh.enabled = true;
            mesh.name = "pillar";
            mesh.x = 20 * i;
        }
        level.freemeshes = level.mapfreemeshes;
        level.freemeshes[3].x = 75;
        level.freemeshes[3].rx = -12.5;
        level.freemeshes[4].enabled = false;
        SwapLevelData(level);

        TPlayerState state = FilledState();
        state.player.name = state.player.oname = "Ysolde";
        state.player.lvl = 3;
        state.player.strength = 14;
        SwapPlayerState(state);
        jseq = {0, 4, 9};
        gslist.resize(2);
        gslist[0].id = "clock";
        gslist[1].id = "gone";
        folder.Write("scripts/clock.txt", "Wait 1\r\n");
    }

    // Everything a save set replaces or leaves alone. Cells outside the map are left out: a map read makes them
    // anew.
    struct TGame {
        TLevelData level;
        TPlayerState state;
        TDynArray<int32_t> jseq;
        std::size_t scripts;
        bool operator==(const TGame&) const = default;
    };
    static TGame Game()
    {
        TLevelData level = CurrentLevelData();
        static const lcell empty;
        for (int32_t x = 0; x <= 100; ++x)
            for (int32_t y = 0; y <= 100; ++y)
                if ((x > level.mapmaxx || y > level.mapmaxy) && level.levelgrid[x][y] != empty)
                    level.levelgrid[x][y] = empty;
        return {std::move(level), CurrentPlayerState(0), jseq, gslist.size()};
    }

    std::map<std::string, std::string> SavedFiles() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path / "saves"))
            files[entry.path().filename().string()] = folder.Read("saves/" + entry.path().filename().string());
        return files;
    }

    const playerlightvalues light{0.5, 0.01, 0.02, 1.0, 51 / 255.0, 0.0};
};

TEST_F(SaveSet, WrittenAndReadBackRestoresTheGameWithTheMovedAndHiddenFreeMeshes)
{
    const TGame saved = Game();
    WriteSaveSet(light, 33);
    EXPECT_EQ(SavedFiles().size(), 6u);
    EXPECT_FALSE(levelbusy);

    ResetGameTables();
    const TSavedGame game = ReadSaveSet();
    EXPECT_FALSE(levelbusy);
    EXPECT_EQ(game.gsnames, std::vector<std::string>{"clock"});
    EXPECT_EQ(game.light, light);
    EXPECT_EQ(game.activecard, 33);
    EXPECT_TRUE(gslist.empty());
    EXPECT_TRUE(camsnap);

    // The working free meshes are the level's free meshes now, in the map's table as well.
    EXPECT_EQ(freemeshes[3].x, 75);
    EXPECT_EQ(freemeshes[3].rx, -12.5);
    EXPECT_FALSE(freemeshes[4].enabled);
    EXPECT_EQ(mapfreemeshes, saved.level.freemeshes);
    TGame expected = saved;
    expected.level.mapfreemeshes = expected.level.freemeshes;
    expected.scripts = 0;
    EXPECT_EQ(Game(), expected);
}

TEST_F(SaveSet, MissingOrBrokenSetIsRefusedAndTheGameStaysAsItWas)
{
    WriteSaveSet(light, 33);
    const std::map<std::string, std::string> good = SavedFiles();
    // The running game differs from the saved one.
    playerx = 2;
    levelgrid[1][1].wall = true;
    jseq.push_back(5);
    player.name = "changed";
    const TGame running = Game();

    const std::string savedPlayer = good.at("chsave1.sav");
    const auto lineStart = [&](int line) {
        std::size_t at = 0;
        for (int i = 0; i < line; ++i) at = savedPlayer.find("\r\n", at) + 2;
        return at;
    };
    std::string damagedPlayer = savedPlayer;
    damagedPlayer[lineStart(500)] = 'x';

    struct TCase {
        std::string file;
        std::string bytes; // empty: the file is removed
    };
    const TCase cases[] = {
        {"saved.map", ""},
        {"chsave1.sav", ""},
        {"chsave2.sav", ""},
        {"saved.map", "23\r\nfen\r\n"},
        {"saved.map", good.at("saved.map").substr(0, 5000)},
        {"chsave2.sav", good.at("chsave2.sav").substr(0, 20000)},
        // The player's file, which the game writes whole: cut short in the spell book or before its last line,
        // or with a spell book line damaged.
        {"chsave1.sav", savedPlayer.substr(0, lineStart(600))},
        {"chsave1.sav", savedPlayer.substr(0, lineStart(1120))},
        {"chsave1.sav", damagedPlayer},
        {"jseq.txt", "0\r\nseven\r\n"},
        {"lightdata.txt", "5000\r\n"},
    };
    for (const TCase& c : cases) {
        for (const auto& [name, bytes] : good) folder.Write("saves/" + name, bytes);
        if (c.bytes.empty()) std::filesystem::remove(folder.path / "saves" / c.file);
        else folder.Write("saves/" + c.file, c.bytes);
        EXPECT_NE(MessageOf<EGameDataError>([] { ReadSaveSet(); }).find(c.file), std::string::npos) << c.file;
        EXPECT_TRUE(Game() == running) << c.file;
        EXPECT_FALSE(levelbusy);
    }

    // Without a journal sequence or a script list the game starts them afresh.
    for (const auto& [name, bytes] : good) folder.Write("saves/" + name, bytes);
    std::filesystem::remove(folder.path / "saves/jseq.txt");
    std::filesystem::remove(folder.path / "saves/gslist.txt");
    EXPECT_TRUE(ReadSaveSet().gsnames.empty());
    EXPECT_EQ(jseq, TDynArray<int32_t>{0});
}

TEST_F(SaveSet, FailedWriteLeavesTheOldSetWhole)
{
    WriteSaveSet(light, 33);
    const std::map<std::string, std::string> old = SavedFiles();
    player.name = "renamed";
    jseq.push_back(11);

    // The journal's file takes no byte: the set is not stored.
    SetStreamFactoryHook([](const std::string& name, uint16_t mode) -> std::unique_ptr<TStream> {
        return mode == fmCreate && name.ends_with("jseq.txt") ? std::make_unique<TRefusingStream>() : nullptr;
    });
    EXPECT_NE(MessageOf<EGameDataError>([&] { WriteSaveSet(light, 1); }).find("jseq.txt"), std::string::npos);
    SetStreamFactoryHook(nullptr);
    EXPECT_EQ(SavedFiles(), old);

    // A level that cannot be stored fails the first file.
    mapmaxx = 120;
    EXPECT_NE(MessageOf<EGameDataError>([&] { WriteSaveSet(light, 1); }), cNoException);
    EXPECT_EQ(SavedFiles(), old);
    EXPECT_FALSE(levelbusy);
}

TEST_F(SaveSet, SaveKilledBeforeTheExchangeLeavesTheOldSetLoadingAndTheNextSaveTidiesUp)
{
    WriteSaveSet(light, 33);
    const std::map<std::string, std::string> old = SavedFiles();
    const TGame saved = Game();
    player.name = "renamed";

    // The process dies while the last file is being written: five new files lie beside the old set.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SetStreamFactoryHook([](const std::string& name, uint16_t) -> std::unique_ptr<TStream> {
            if (name.ends_with("lightdata.txt")) ::kill(::getpid(), SIGKILL);
            return nullptr;
        });
        WriteSaveSet(light, 1);
        std::_Exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(std::filesystem::exists(folder.path / "saves.new/chsave2.sav"));
    EXPECT_EQ(SavedFiles(), old);
    ReadSaveSet();
    EXPECT_EQ(player.name, saved.state.player.name);

    // The next save replaces what the dead one left, and the set it replaced goes too.
    player.name = "renamed";
    WriteSaveSet(light, 2);
    EXPECT_NE(SavedFiles(), old);
    EXPECT_EQ(ReadSaveSet().activecard, 2);
    EXPECT_EQ(player.name, "renamed");
    EXPECT_FALSE(std::filesystem::exists(folder.path / "saves.new"));
}

TEST_F(SaveSet, ALinkedSavesFolderKeepsItsLinkAndTheFolderItLeadsToHoldsEachSet)
{
    const std::filesystem::path mine = folder.path / "elsewhere/mine";
    std::filesystem::create_directories(mine);
    std::filesystem::create_directory_symlink(mine, folder.path / "saves");
    for (const int32_t card : {1, 2, 3}) {
        SCOPED_TRACE(card);
        WriteSaveSet(light, card);
        ASSERT_TRUE(std::filesystem::is_symlink(folder.path / "saves"));
        EXPECT_EQ(std::filesystem::read_symlink(folder.path / "saves"), mine);
        EXPECT_EQ(SavedFiles().size(), 6u);
        EXPECT_EQ(ReadSaveSet().activecard, card);
        // Nothing is left beside the link or the folder it leads to.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path / "elsewhere"), {}), 1);
        EXPECT_FALSE(std::filesystem::exists(folder.path / "saves.new"));
    }
}

TEST_F(SaveSet, ASavesFolderThatCannotBeWrittenIsReportedAndLeftAlone)
{
    WriteSaveSet(light, 33);
    const std::map<std::string, std::string> old = SavedFiles();
    const std::filesystem::path saves = folder.path / "saves";
    std::filesystem::permissions(saves, std::filesystem::perms(0555));
    player.name = "renamed";
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::string message = MessageOf<EGameDataError>([&] { WriteSaveSet(light, 1); });
        EXPECT_NE(message.find("saves: the saved game cannot be stored: the folder cannot be written"),
                  std::string::npos)
            << message;
        EXPECT_EQ(SavedFiles(), old);
        EXPECT_EQ(std::filesystem::status(saves).permissions(), std::filesystem::perms(0555));
        EXPECT_FALSE(std::filesystem::exists(folder.path / "saves.new"));
    }
    std::filesystem::permissions(saves, std::filesystem::perms(0755));
}

} // namespace
