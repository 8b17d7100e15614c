#include "Raises.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Assert, RaisesWithTextUnitAndLine)
{
    EXPECT_NO_THROW(Assert(true, "x", "VAVodad\\Source\\Basis\\GLBaseClasses", 171));
    EXPECT_EQ(MessageOf<EAssertionFailed>([] { Assert(false, "", "VAVodad\\Source\\Basis\\GLBaseClasses", 171); }),
              "Assertion failure (VAVodad\\Source\\Basis\\GLBaseClasses, line 171)");
    // A check without a known line names only the unit.
    EXPECT_EQ(MessageOf<EAssertionFailed>([] { Assert(false, "No children found!", "VAVodad\\Source\\VAVodad"); }),
              "No children found! (VAVodad\\Source\\VAVodad)");
}

TEST(Format, FollowsTheSystemRules)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::string name = "Bitmap";
    const struct {
        std::string result, expected;
    } cases[] = {
        // integers: width, left alignment, precision as minimum digits, unsigned and hexadecimal bit patterns
        {Format("%d|%5d|%-5d|%.3d|%.3d", {42, 42, 42, 7, -7}), "42|   42|42   |007|-007"},
        {Format("%u %x %x %.4x", {-1, 255, -1, 255}), "4294967295 FF FFFFFFFF 00FF"},
        {Format("%x %d", {int64_t(-1), 0xFFFFFFFFu}), "FFFFFFFFFFFFFFFF 4294967295"},
        // fixed: two decimals by default, halves of the decimal form rounded away from zero
        {Format("%f %.0f %.1f %.2f", {1.5, 0.5, 0.25, 2.675}), "1.50 1 0.3 2.67"},
        {Format("%.2f %8.2f %.3f %.1f", {-0.001, -3.14159, 1e-10, 99.96}), "0.00    -3.14 0.000 100.0"},
        {Format("%.*f FPS", {1, 59.94}), "59.9 FPS"},
        // general: 15 significant digits, scientific beyond them or below 0.0001
        {Format("%g %g %g %g", {double(0.1f), 100.0, -2.5, 0.0}), "0.100000001490116 100 -2.5 0"},
        {Format("%g %g %g %g", {123456789012345.0, 1e15, 0.0001, 0.00001}), "123456789012345 1E015 0.0001 1E-005"},
        {Format("%.3g", {1234.5}), "1.23E003"},
        {Format("%e|%.3e|%.1e", {1000.0, -0.00012345, 5.0}), "1.00000000000000E+003|-1.23E-004|5E+000"},
        {Format("%f %g %e", {nan, -inf, inf}), "NAN -INF INF"},
        // texts
        {Format("%s|%5s|%-5s|%.2s|%s", {"abc", "abc", "abc", "abc", name}), "abc|  abc|abc  |ab|Bitmap"},
        {Format("%s%s", {'x', std::string_view("yz")}), "xyz"},
        {Format("100%% %d%%", {5}), "100% 5%"},
        // argument indices move the counter; later specifiers go on from there
        {Format("%s%s (*.%s)|*.%2:s", {"", name, "bmp"}), "Bitmap (*.bmp)|*.bmp"},
        {Format("%s (%s)|%1:s|%s", {"All", "*.a;*.b", "A|B"}), "All (*.a;*.b)|*.a;*.b|A|B"},
        {Format("%sChunk %s ($%x), Length is %d ($%3:x)", {"  ", "MAIN", 0x4D4D, 300}),
         "  Chunk MAIN ($4D4D), Length is 300 ($12C)"},
        {Format("%s (%s, line %d)", {"text", "unit", 12}), "text (unit, line 12)"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected);
}

TEST(Format, RaisesOnMismatchedOrMissingArguments)
{
    const auto message = [](auto call) { return MessageOf<EConvertError>(call); };
    EXPECT_EQ(message([] { Format("%d", {1.5}); }), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(message([] { Format("%d %d", {1}); }), "No argument for format '%d %d'");
    EXPECT_EQ(message([] { Format("%3:d", {1}); }), "No argument for format '%3:d'");
    for (auto call : {+[] { Format("%f", {1}); }, +[] { Format("%s", {5}); }, +[] { Format("%y", {1}); },
                      +[] { Format("abc%", {}); }, +[] { Format("%*d", {"x", 1}); }})
        EXPECT_NE(message(call), cNoException);
}

TEST(NumberText, IntegersAndReals)
{
    EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(int64_t(-1), 1), "FFFFFFFFFFFFFFFF");

    const struct {
        double value;
        const char* text;
    } reals[] = {
        {0.1, "0.1"},       {1.0 / 3, "0.333333333333333"}, {-1.5, "-1.5"},     {100, "100"},
        {1e15, "1E15"},     {123456789012345678.0, "1.23456789012346E17"},        {0.0001, "0.0001"},
        {0.00001, "1E-5"},  {0.0, "0"},                      {-0.0, "0"},        {double(0.1f), "0.100000001490116"},
        {0.9999999999999999, "1"},
    };
    for (const auto& r : reals) EXPECT_EQ(FloatToStr(r.value), r.text) << r.value;
}

TEST(NumberText, ParsingIntegers)
{
    const struct {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"42", true, 42},        {" -7", true, -7},           {"+3", true, 3},
        {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0}, {"", false, 0},              {" ", false, 0},
        {"12 ", false, 0},       {"1.5", false, 0},           {"abc", false, 0},
        {"+-1", false, 0},       {"--1", false, 0},           {"0x10", false, 0},
    };
    for (const auto& c : cases) {
        int32_t value = -99;
        EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : -99) << c.text;
        EXPECT_EQ(StrToIntDef(c.text, -5), c.ok ? c.value : -5);
    }
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt("x1"); }), "'x1' is not a valid integer value");
}

TEST(NumberText, ParsingRealsWithEitherSeparator)
{
    const struct {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"12.5", true, 12.5}, {"12,5", true, 12.5}, {" 1e3 ", true, 1000}, {"-2.5E-1", true, -0.25},
        {".5", true, 0.5},    {"5.", true, 5},      {"+1", true, 1},       {"1e-400", true, 0},
        {"1e400", false, 0},  {"", false, 0},       {".", false, 0},       {"1.2.3", false, 0},
        {"1,2.3", false, 0},  {"1e", false, 0},     {"e5", false, 0},      {"inf", false, 0},
        {"nan", false, 0},    {"0x1p3", false, 0},  {"1 2", false, 0},     {"--1", false, 0},
    };
    for (const auto& c : cases) {
        double value = -99;
        EXPECT_EQ(TryStrToFloat(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : -99) << c.text;
    }
    EXPECT_THROW(StrToFloat("1..2"), EConvertError);
    EXPECT_EQ(StrToFloat("0,75"), 0.75);
}

TEST(Rounding, HalvesToEvenAndGuardsIndefiniteValues)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int64_t rounded, truncated;
    } cases[] = {
        {0.5, 0, 0},    {1.5, 2, 1},    {2.5, 2, 2},      {-0.5, 0, 0},   {-1.5, -2, -1},
        {-2.5, -2, -2}, {2.6, 3, 2},    {-2.7, -3, -2},   {1e18, 1000000000000000000, 1000000000000000000},
        {-9223372036854775808.0, INT64_MIN, INT64_MIN}, // the lowest Int64 itself
        {9223372036854775808.0, IndefiniteInteger, IndefiniteInteger},
        {1e19, IndefiniteInteger, IndefiniteInteger},
        {-1e19, IndefiniteInteger, IndefiniteInteger},
        {nan, IndefiniteInteger, IndefiniteInteger},
        {inf, IndefiniteInteger, IndefiniteInteger},
        {-inf, IndefiniteInteger, IndefiniteInteger},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Round(c.value), c.rounded) << c.value;
        EXPECT_EQ(Trunc(c.value), c.truncated) << c.value;
    }
}

TEST(Text, TrimCaseAndComparison)
{
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(UpperCase("abz\xC3\xA9"), "ABZ\xC3\xA9"); // ASCII letters only
    EXPECT_EQ(LowerCase("ABZ"), "abz");
    EXPECT_TRUE(SameText("Wall.PNG", "wall.png"));
    EXPECT_FALSE(SameText("wall", "walls"));
    EXPECT_EQ(AnsiCompareText("\xD0\x81\xD0\x9B\xD0\x9A\xD0\x90", "\xD1\x91\xD0\xBB\xD0\xBA\xD0\xB0"), 0); // ЁЛКА, ёлка
    EXPECT_EQ(AnsiCompareText("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"), 0);                                 // Été, éTÉ
    EXPECT_LT(AnsiCompareText("a", "B"), 0);
    EXPECT_GT(AnsiCompareText("ab", "A"), 0);
}

TEST(Clock, MonotonicReadingsAgree)
{
    const int64_t ns = MonotonicNanoseconds();
    const int64_t ms = MonotonicMilliseconds();
    EXPECT_GE(ms, ns / 1'000'000);
    EXPECT_LE(ms - ns / 1'000'000, 1000);
    EXPECT_GE(MonotonicNanoseconds(), ns);
}

// Which exception leaves TryFinally when the body, the clean-up or both raise; the clean-up always runs.
TEST(TryFinally, TheBodysExceptionWinsAndTheCleanUpAlwaysRuns)
{
    const struct {
        bool BodyRaises, FinallyRaises;
        std::string Expected; // the message of the exception that leaves
    } cases[] = {
        {false, false, cNoException},
        {true, false, "body"},
        {false, true, "finally"},
        {true, true, "body"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.BodyRaises ? "body raises" : "body ends") +
                     (c.FinallyRaises ? ", finally raises" : ", finally ends"));
        int finallyRuns = 0;
        const std::string left = MessageOf([&] {
            TryFinally([&] { if (c.BodyRaises) throw EConvertError("body"); },
                       [&] {
                           ++finallyRuns;
                           if (c.FinallyRaises) throw EConvertError("finally");
                       });
        });
        EXPECT_EQ(finallyRuns, 1);
        EXPECT_EQ(left, c.Expected);
    }
}

TEST(TryFinally, PassesTheBodysResultOnAfterTheCleanUp)
{
    std::string log;
    const std::string result = TryFinally([&] { return log + "body"; }, [&] { log += "finally"; });
    EXPECT_EQ(result, "body");
    EXPECT_EQ(log, "finally");
    int value = 1;
    int& same = TryFinally([&]() -> int& { return value; }, [] {});
    EXPECT_EQ(&same, &value);
}

TEST(ScopedValue, PutsBackTheValueItFoundOnEveryWayOut)
{
    std::string field = "found";
    MessageOf([&] {
        const TScopedValue<std::string> scoped(field, "scope");
        EXPECT_EQ(field, "scope");
        throw EAbort();
    });
    EXPECT_EQ(field, "found");
    {
        const TScopedValue kept(field);
        field = "changed";
    }
    EXPECT_EQ(field, "found");
}
