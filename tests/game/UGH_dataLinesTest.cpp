// Line files: how lines are split, how each kind of value reads (and fails, naming file and line), and that what
// the writers write reads back.
#include "UGH_data.h"

#include "Raises.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

// A buffer holding one line, as if loaded from "f.txt".
TLineBuffer OneLine(const std::string& text)
{
    TLineBuffer buffer;
    buffer.SetText(text + "\r\n", "f.txt");
    return buffer;
}

std::vector<std::string> LinesOf(const TLineBuffer& buffer)
{
    std::vector<std::string> lines;
    for (int i = 0; i < buffer.Count(); ++i) lines.emplace_back(buffer.Line(i));
    return lines;
}

TEST(LineBuffer, SplitsAtCrLfLfAndCrAndAddsNoLineForAFinalBreak)
{
    using Lines = std::vector<std::string>;
    const struct {
        const char* text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\n\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}}, // LF CR is two breaks
    };
    for (const auto& c : cases) {
        TLineBuffer buffer;
        buffer.SetText(c.text, "f.txt");
        EXPECT_EQ(LinesOf(buffer), c.lines) << c.text;
        for (int i = buffer.Count() - 1; i >= 0; --i) EXPECT_EQ(buffer.Line(i), c.lines[i]) << "backwards " << i;
        EXPECT_EQ(buffer.ReadTextLine(buffer.Count()), "") << "a line beyond the end is empty";
        EXPECT_EQ(buffer.ReadTextLine(-1), "");
    }
}

// A line's text and what it reads as: a value, or no value when the read fails.
template <class T> struct TReading {
    const char* text;
    std::optional<T> value;
};

// Reads each case's text as the only line of "f.txt"; a failure must name file, line and text.
template <class T>
void ExpectReadings(T (TLineBuffer::*read)(int) const, const std::string& kind,
                    std::initializer_list<TReading<T>> cases)
{
    for (const TReading<T>& c : cases) {
        const TLineBuffer buffer = OneLine(c.text);
        if (c.value) {
            EXPECT_EQ((buffer.*read)(0), *c.value) << c.text;
        } else {
            EXPECT_EQ(MessageOf<EGameDataError>([&] { (buffer.*read)(0); }),
                      "f.txt, line 1: '" + std::string(c.text) + "' is not a valid " + kind + " value")
                << c.text;
        }
    }
}

TEST(LineBuffer, IntegersAreDecimalWithLeadingBlanksOnly)
{
    ExpectReadings<int32_t>(&TLineBuffer::ReadIntLine, "integer", {
        {"7", 7},          {" 7", 7},          {"-3", -3},         {"+4", 4},
        {"-2147483648", INT32_MIN},            {"7 ", {}},         {"$1F", {}},
        {"0x1F", {}},      {"", {}},           {"abc", {}},        {"1.0", {}},
        {"2147483648", {}},
    });
}

TEST(LineBuffer, BooleansNeverFail)
{
    const struct {
        const char* text;
        bool value;
    } cases[] = {
        {"-1", true},   {"1", true},     {"7", true},     {" 7", true},  {"0", false},   {"-0", false},
        {"True", true}, {"tRUE", true},  {"False", false}, {"x", false}, {"", false},    {"7 ", false},
    };
    for (const auto& c : cases) EXPECT_EQ(OneLine(c.text).ReadBoolLine(0), c.value) << c.text;
    EXPECT_FALSE(OneLine("-1").ReadBoolLine(5)) << "a missing line";
}

TEST(LineBuffer, RealsReadStrictlyWithPointOrComma)
{
    ExpectReadings<double>(&TLineBuffer::ReadFloatLine, "floating point", {
        {"2.5", 2.5}, {"2,5", 2.5}, {"-1.5", -1.5}, {"1E-5", 1e-5}, {" 3", 3.0},
        {"2;5", {}},  {"1,5,0", {}}, {"", {}},      {"NAN", {}},     {"1E999", {}},
    });
}

TEST(LineBuffer, LenientRealsTurnStrayCharactersIntoTheSeparatorButKeepSignAndExponent)
{
    ExpectReadings<double>(&TLineBuffer::ReadLenientFloatLine, "floating point", {
        {"2.5", 2.5},     {"2,5", 2.5},      {"2;5", 2.5},    {"2 5", 2.5},  {"-1.5", -1.5}, {"-1,5", -1.5},
        {"-7", -7.0},     {"1E-5", 1e-5},    {"1e+3", 1000.0}, {"2.5E2", 250.0}, {"7", 7.0},
        {"1-5", 1.5},     {"E5", 0.5},       {" 7", 0.7}, // a "-" not in front and an "E" after no digit are stray
        {"1,5,0", {}},    {"", {}},          {"-", {}},       {"1,,5", {}},
    });
}

TEST(LineBuffer, AMissingValueLineNamesFileAndLine)
{
    TLineBuffer buffer;
    buffer.SetText("1\n2\n", "maps/a.map");
    EXPECT_EQ(MessageOf<EGameDataError>([&] { buffer.ReadIntLine(2); }), "maps/a.map, line 3: missing");
    EXPECT_EQ(MessageOf<EGameDataError>([&] { buffer.ReadFloatLine(7); }), "maps/a.map, line 8: missing");
    EXPECT_EQ(MessageOf<EGameDataError>([&] { buffer.ReadLenientFloatLine(2); }), "maps/a.map, line 3: missing");
}

TEST(LineBuffer, WritersEndEveryLineWithCrLfAndReadBack)
{
    TLineBuffer buffer;
    buffer.WriteIntLine(-5);
    buffer.WriteIntLine(INT32_MAX);
    buffer.WriteFloatLine(2.5);
    buffer.WriteFloatLine(-0.1);
    buffer.WriteFloatLine(1e-5);
    buffer.WriteFloatLine(1e20);
    buffer.WriteFloatLine(std::numeric_limits<double>::quiet_NaN());
    buffer.WriteFloatLine(-std::numeric_limits<double>::infinity());
    buffer.WriteBoolLine(true);
    buffer.WriteBoolLine(false);
    buffer.WriteTextLine("a b");
    buffer.WriteTextLine("");
    buffer.WriteTextLine("x\r\ny\nz"); // a break would shift every later line
    EXPECT_EQ(buffer.Text(),
              "-5\r\n2147483647\r\n2.5\r\n-0.1\r\n1E-5\r\n1E20\r\n0\r\n0\r\n-1\r\n0\r\na b\r\n\r\nx  y z\r\n");

    TLineBuffer back;
    back.SetText(buffer.Text(), "f.txt");
    ASSERT_EQ(back.Count(), 13);
    EXPECT_EQ(back.ReadIntLine(0), -5);
    EXPECT_EQ(back.ReadIntLine(1), INT32_MAX);
    const double reals[] = {2.5, -0.1, 1e-5, 1e20, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(back.ReadFloatLine(2 + i), reals[i]) << i;
        EXPECT_EQ(back.ReadLenientFloatLine(2 + i), reals[i]) << i;
    }
    EXPECT_TRUE(back.ReadBoolLine(8));
    EXPECT_FALSE(back.ReadBoolLine(9));
    EXPECT_EQ(back.ReadTextLine(12), "x  y z");
}

TEST(LineBuffer, FilesRoundTripAndDecodeByMarkUtf8OrTheLanguageCodePage)
{
    TempFolder folder;
    TLineBuffer buffer;
    buffer.WriteTextLine("caf\xC3\xA9");
    buffer.WriteIntLine(3);
    buffer.SaveToFile(folder / "Sub.txt");
    EXPECT_EQ(folder.Read("Sub.txt"), "caf\xC3\xA9\r\n3\r\n");

    TLineBuffer back;
    back.LoadFromFile((folder / "") + "\\SUB.TXT"); // "\" and letter case resolve
    EXPECT_EQ(back.ReadTextLine(0), "caf\xC3\xA9");
    EXPECT_EQ(back.ReadIntLine(1), 3);

    const struct {
        const char* bytes;
        TLegacyCodePage codePage;
        const char* text;
    } cases[] = {
        {"caf\xE9", lcpWindows1252, "caf\xC3\xA9"},           // not UTF-8: the code page
        {"\xE0", lcpWindows1251, "\xD0\xB0"},                 // Cyrillic a
        {"\xEF\xBB\xBF" "a\xC3\xA9", lcpWindows1251, "a\xC3\xA9"}, // UTF-8 mark
    };
    for (const auto& c : cases) {
        folder.Write("enc.txt", c.bytes);
        TLineBuffer decoded;
        decoded.LoadFromFile(folder / "enc.txt", c.codePage);
        EXPECT_EQ(decoded.ReadTextLine(0), c.text) << c.bytes;
    }
    // UTF-16 in either byte order (the bytes hold zeros, so they are written whole).
    for (const std::string& bytes : {std::string("\xFE\xFF\0a\0\n\0b", 8), std::string("\xFF\xFE" "a\0\n\0b\0", 8)}) {
        folder.Write("u16.txt", bytes);
        TLineBuffer utf16;
        utf16.LoadFromFile(folder / "u16.txt");
        EXPECT_EQ(LinesOf(utf16), (std::vector<std::string>{"a", "b"}));
    }

    // A first line that starts with U+FEFF keeps it: the file gets a mark of its own for the reader to drop.
    TLineBuffer marked;
    marked.WriteTextLine("\xEF\xBB\xBF" "en");
    marked.SaveToFile(folder / "marked.txt");
    TLineBuffer markedBack;
    markedBack.LoadFromFile(folder / "marked.txt");
    EXPECT_EQ(markedBack.ReadTextLine(0), "\xEF\xBB\xBF" "en");

    EXPECT_EQ(LanguageCodePage("ru"), lcpWindows1251);
    EXPECT_EQ(LanguageCodePage("en"), lcpWindows1252);
}

TEST(LineBuffer, AMissingFileRaisesNamingIt)
{
    TempFolder folder;
    TLineBuffer buffer;
    const std::string message = MessageOf<EGameDataError>([&] { buffer.LoadFromFile(folder / "none.txt"); });
    EXPECT_NE(message.find("none.txt"), std::string::npos) << message;
}

} // namespace
