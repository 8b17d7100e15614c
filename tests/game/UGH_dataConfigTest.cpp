// The configuration file and the localised string table: every line of "gh.cfg" with its kind and default, the
// failures that change nothing, the values derived from it, the writer's round trip, and the strings' marks,
// encodings and surplus.
#include "UGH_data.h"

#include "Raises.h"
#include "TempFolder.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

// The 45 lines of a configuration, in file order.
using TConfigLines = std::vector<std::string>;

// Lines 30..44 all differ from their defaults.
const TConfigLines cDemoConfig = {
    "en", "400", "10", "5", "100", "250", "80", "60", "44100", "-1", // 0..9
    "-1", "0", "-1", "1", "100", "0", "2", "0", "0", "-1",           // 10..19
    "0", "0", "0", "1024", "768", "60", "0", "0", "0", "0",          // 20..29
    "0", "-1", "-1", "-1", "-1", "0", "0", "-1", "2", "-1",          // 30..39
    "0", "45", "20", "1", "-1"};                                     // 40..44

std::string Joined(const TConfigLines& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// Every configuration global as text, in file order, so that whole configurations compare at once.
TConfigLines ConfigGlobals()
{
    TLineBuffer buffer;
    buffer.WriteTextLine(lng);
    for (const int32_t value : {movespeed, turnspeed, minvd, fogdist, camdist, soundvol, musicvol, soundrate})
        buffer.WriteIntLine(value);
    for (const bool value : {soundon, musicon, showbtllog, leveling}) buffer.WriteBoolLine(value);
    buffer.WriteIntLine(texquality);
    buffer.WriteIntLine(brightness);
    buffer.WriteBoolLine(lessredraws);
    buffer.WriteIntLine(aaindex);
    buffer.WriteIntLine(cardsize);
    for (const bool value : {randommode, tooltips, hardcore}) buffer.WriteBoolLine(value);
    buffer.WriteIntLine(difficulty);
    buffer.WriteBoolLine(fullscreen);
    for (const int32_t value : {fswidth, fsheight, fsrefresh}) buffer.WriteIntLine(value);
    for (const bool value : {vsyncon, no3ddoors, nolights, nofire, multithread, poorquality, extdmginfo, autodeck,
                             nograss, shortbtllog, shadows, torchshadows})
        buffer.WriteBoolLine(value);
    buffer.WriteIntLine(shadowmode);
    buffer.WriteBoolLine(globalcast);
    buffer.WriteBoolLine(desiredfpson);
    for (const int32_t value : {desiredfps, maxvd, adventure}) buffer.WriteIntLine(value);
    buffer.WriteBoolLine(fullmute);
    TConfigLines lines;
    TLineBuffer back;
    back.SetText(buffer.Text(), "");
    for (int i = 0; i < back.Count(); ++i) lines.push_back(back.ReadTextLine(i));
    return lines;
}

class GameConfig : public ::testing::Test {
protected:
    void SetUp() override
    {
        gamedir = folder.path.string();
        folder.Write("text/adventureid.txt", "map_\r\nmoor_\r\nfen_\r\n");
    }
    void TearDown() override { gamedir.clear(); }

    void WriteConfig(const TConfigLines& lines) const { folder.Write("gh.cfg", Joined(lines)); }
    // Reads a configuration and answers what ReadConfig raised (cNoException when nothing).
    std::string ReadWith(const TConfigLines& lines) const
    {
        WriteConfig(lines);
        return MessageOf<EGameDataError>([] { ReadConfig(); });
    }
    std::string ConfigName() const { return GamePath("\\gh.cfg"); }

    TempFolder folder;
    TScopedValue<std::string> savedAdventure{adventureid};
    TScopedValue<std::string> savedQuality{qualitydir};
    TScopedValue<std::string> savedLanguage{lng};
};

TEST_F(GameConfig, ReadsEveryLineInOrderAndDerivesItsValues)
{
    ASSERT_EQ(ReadWith(cDemoConfig), cNoException);
    // Written back by the same routines, the globals are the file (booleans in their written form).
    EXPECT_EQ(ConfigGlobals(), cDemoConfig);
    EXPECT_EQ(aaindex, 2);
    EXPECT_EQ(viewdist, 20) << "viewdist starts at maxvd";
    EXPECT_EQ(adventureid, "moor_") << "line 1 of adventureid.txt";
    EXPECT_EQ(qualitydir, "hq");
}

TEST_F(GameConfig, AThirtyLineFileTakesTheDefaultsOfTheLaterLines)
{
    ASSERT_EQ(ReadWith(cDemoConfig), cNoException); // every later line differs from its default
    ASSERT_EQ(ReadWith(TConfigLines(cDemoConfig.begin(), cDemoConfig.begin() + 30)), cNoException);
    EXPECT_TRUE(multithread);
    EXPECT_FALSE(poorquality || extdmginfo || autodeck || nograss || torchshadows || globalcast || fullmute);
    EXPECT_TRUE(shortbtllog && shadows && desiredfpson);
    EXPECT_EQ(shadowmode, 1);
    EXPECT_EQ(desiredfps, 30);
    EXPECT_EQ(maxvd, 15);
    EXPECT_EQ(viewdist, 15);
    EXPECT_EQ(adventure, 0);
    EXPECT_EQ(adventureid, "map_");
}

TEST_F(GameConfig, BooleansAreNumbersOrTrueAndFalseInAnyCase)
{
    const struct {
        const char* text;
        bool value;
    } cases[] = {{"-1", true}, {"5", true}, {"0", false}, {"True", true}, {"TRUE", true}, {"false", false}};
    for (const auto& c : cases) {
        TConfigLines lines = cDemoConfig;
        lines[9] = c.text;  // soundon: a line without a default
        lines[36] = c.text; // shadows: a line with one
        ASSERT_EQ(ReadWith(lines), cNoException) << c.text;
        EXPECT_EQ(soundon, c.value) << c.text;
        EXPECT_EQ(shadows, c.value) << c.text;
    }
}

TEST_F(GameConfig, ABadOrMissingLineWithoutDefaultRaisesNamingFileAndLineAndChangesNothing)
{
    ASSERT_EQ(ReadWith(cDemoConfig), cNoException);
    const TConfigLines before = ConfigGlobals();
    const struct {
        int line;
        const char* text; // nullptr: the file ends before the line
        std::string reason;
    } cases[] = {
        {3, "x", "'x' is not a valid integer value"},
        {3, "5 ", "'5 ' is not a valid integer value"},
        {9, "yes", "'yes' is not a valid boolean value"},
        {29, "", "'' is not a valid boolean value"},
        {29, nullptr, "missing"},
        {17, nullptr, "missing"},
        {0, nullptr, "missing"},
    };
    for (const auto& c : cases) {
        TConfigLines lines = cDemoConfig;
        for (std::string& line : lines) line = line == "-1" ? "0" : line == "0" ? "-1" : line + "1";
        if (c.text) lines[c.line] = c.text;
        else lines.resize(c.line);
        EXPECT_EQ(ReadWith(lines), ConfigName() + ", line " + std::to_string(c.line + 1) + ": " + c.reason);
        EXPECT_EQ(ConfigGlobals(), before) << "line " << c.line;
    }
    std::filesystem::remove(folder.path / "gh.cfg");
    const std::string missing = MessageOf<EGameDataError>([] { ReadConfig(); });
    EXPECT_NE(missing.find("gh.cfg"), std::string::npos) << missing;
    EXPECT_EQ(ConfigGlobals(), before);
}

TEST_F(GameConfig, TheAntiAliasingLineAndTheLaterLinesFallBackToTheirDefaults)
{
    TConfigLines lines = cDemoConfig;
    lines[16] = "4x";
    lines[38] = "svm";
    lines[41] = "";
    lines[44] = "maybe";
    ASSERT_EQ(ReadWith(lines), cNoException);
    EXPECT_EQ(aaindex, 0);
    EXPECT_EQ(shadowmode, 1);
    EXPECT_EQ(desiredfps, 30);
    EXPECT_FALSE(fullmute);
}

TEST_F(GameConfig, TextureQualityChoosesTheFolderOrLeavesIt)
{
    const struct {
        const char* quality;
        const char* folder;
    } cases[] = {{"1", "hq"}, {"0", "lq"}, {"2", "lq"}, {"-1", "pq"}, {"-2", "pq"}, {"1", "hq"}};
    for (const auto& c : cases) {
        TConfigLines lines = cDemoConfig;
        lines[13] = c.quality;
        ASSERT_EQ(ReadWith(lines), cNoException);
        EXPECT_EQ(qualitydir, c.folder) << c.quality;
    }
    EXPECT_EQ(QualityDirOf(7), "");
}

TEST_F(GameConfig, AMissingAdventureListOrLineGivesTheDefaultIdAndALogLine)
{
    const struct {
        const char* index;
        bool listPresent;
        const char* id;
    } cases[] = {{"2", true, "fen_"}, {"3", true, "map_"}, {"-1", true, "map_"}, {"1", false, "map_"}};
    for (const auto& c : cases) {
        if (!c.listPresent) std::filesystem::remove(folder.path / "text/adventureid.txt");
        TConfigLines lines = cDemoConfig;
        lines[43] = c.index;
        TGLLogCapture log;
        ASSERT_EQ(ReadWith(lines), cNoException);
        EXPECT_EQ(adventureid, c.id) << c.index;
        EXPECT_EQ(log.Contains("adventureid.txt"), std::string(c.id) == "map_") << c.index;
    }
}

// A number the game cannot use (a card size overflowing the layout, a view distance of no cells, a fog ending
// before it starts) is held at the nearer bound, and the log names the file and line.
TEST_F(GameConfig, NumbersOutsideTheirBoundsAreHeldAtTheNearerOneNamingTheFileAndLine)
{
    const struct {
        int line;
        const char* text;
        int32_t* global;
        int32_t held;
    } cases[] = {
        {17, "2147483647", &cardsize, 50}, {3, "-2147483648", &minvd, 1}, {42, "-2147483648", &maxvd, 1},
        {42, "500", &maxvd, 101},          {4, "0", &fogdist, 20},         {1, "5000", &movespeed, 1999},
        {16, "9", &aaindex, 9},            {8, "-7", &soundrate, -7},     {13, "2", &texquality, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TConfigLines lines = cDemoConfig;
        lines[static_cast<std::size_t>(c.line)] = c.text;
        TGLLogCapture log;
        ASSERT_EQ(ReadWith(lines), cNoException);
        EXPECT_EQ(*c.global, c.held);
        EXPECT_EQ(log.Contains(ConfigName() + ", line " + std::to_string(c.line + 1) + ": " + c.text),
                  std::to_string(c.held) != c.text);
    }
}

TEST_F(GameConfig, SaveSettingsWritesTheFortyFiveLinesThatReadBack)
{
    ASSERT_EQ(ReadWith(cDemoConfig), cNoException);
    lng = "ru";
    movespeed = 7;
    hardcore = true;
    shadows = false;
    maxvd = 9;
    aaindex = 3;
    const TConfigLines saved = ConfigGlobals();
    SaveSettings();
    EXPECT_EQ(folder.Read("gh.cfg"), Joined(saved));

    ASSERT_EQ(ReadWith(cDemoConfig), cNoException);
    WriteConfig(saved);
    ReadConfig();
    EXPECT_EQ(ConfigGlobals(), saved);
    EXPECT_EQ(viewdist, 9);
}

// ---- Localised strings ----

class GameStrings : public ::testing::Test {
protected:
    void SetUp() override { gamedir = folder.path.string(); }
    void TearDown() override { gamedir.clear(); }

    std::vector<std::string> Fill(const std::string& bytes, const std::string& language = "en", size_t size = 4)
    {
        folder.Write("text/" + language + "/strings.txt", bytes);
        std::vector<std::string> table(size, "old");
        fillstrarr(language, table);
        return table;
    }

    TempFolder folder;
};

using Strings = std::vector<std::string>;

TEST_F(GameStrings, MarksSplitEntriesAndBreakLinesWhileFileBreaksVanish)
{
    EXPECT_EQ(Fill("a@b&c@"), (Strings{"a", "b\r\nc", "", ""}));
    EXPECT_EQ(Fill("ab\r\ncd\nef\rgh@x"), (Strings{"abcdefgh", "x", "", ""})) << "one entry over several lines";
    EXPECT_EQ(Fill(""), (Strings{"", "", "", ""}));
    EXPECT_EQ(Fill("@@@z"), (Strings{"", "", "", "z"}));
    EXPECT_EQ(Fill("&&@ & "), (Strings{"\r\n\r\n", " \r\n ", "", ""}));
}

TEST_F(GameStrings, DecodesByMarkThenUtf8ThenTheLanguageCodePage)
{
    const struct {
        std::string bytes;
        const char* language;
        const char* first;
    } cases[] = {
        {"\xEF\xBB\xBF" "caf\xC3\xA9@", "en", "caf\xC3\xA9"},
        {std::string("\xFF\xFE" "a\0@\0", 6), "en", "a"},
        {std::string("\xFE\xFF\x04\x30\0@", 6), "ru", "\xD0\xB0"},
        {"caf\xC3\xA9@", "en", "caf\xC3\xA9"},
        {"caf\xE9@", "en", "caf\xC3\xA9"},     // Windows-1252
        {"\xE0\xE1@", "ru", "\xD0\xB0\xD0\xB1"}, // Windows-1251
        {"\xE0@", "RU", "\xD0\xB0"},
    };
    for (const auto& c : cases) EXPECT_EQ(Fill(c.bytes, c.language)[0], c.first) << c.language;
}

TEST_F(GameStrings, EntriesBeyondTheTableAreIgnoredAndLogged)
{
    TGLLogCapture log;
    EXPECT_EQ(Fill("a@b@c@d@"), (Strings{"a", "b", "c", "d"}));
    EXPECT_FALSE(log.Contains("ignored")) << "a final mark adds no entry of its own";
    EXPECT_EQ(Fill("a@b@c@d@e@f"), (Strings{"a", "b", "c", "d"}));
    EXPECT_TRUE(log.Contains("strings.txt holds more than 4 entries"));

    // The game's own table.
    std::string many;
    for (int i = 0; i <= 10001; ++i) many += std::to_string(i) + "@";
    folder.Write("text/en/strings.txt", many);
    fillstrarr("en", std::span(strarr.begin(), strarr.end()));
    EXPECT_EQ(strarr[0], "0");
    EXPECT_EQ(strarr[10000], "10000");
    strarr.Clear();
}

// The game shows entries up to 415: a file that ends before that one was cut short, which the log says.
TEST_F(GameStrings, AFileEndingBeforeTheEntriesTheGameShowsIsLogged)
{
    for (const int entries : {10, 415, 416}) {
        std::string text;
        for (int i = 0; i < entries; ++i) text += "e" + std::to_string(i) + "@";
        TGLLogCapture log;
        EXPECT_EQ(Fill(text, "en", 10001)[entries - 1], "e" + std::to_string(entries - 1));
        EXPECT_EQ(log.Contains("strings.txt ends at entry"), entries < 415) << entries;
    }
}

TEST_F(GameStrings, AMissingFileRaisesAndKeepsTheTable)
{
    std::vector<std::string> table(2, "old");
    const std::string message = MessageOf<EGameDataError>([&] { fillstrarr("de", table); });
    EXPECT_NE(message.find("strings.txt"), std::string::npos) << message;
    EXPECT_EQ(table, (Strings{"old", "old"}));
}

} // namespace
