#include "GLPlatformHelpers.h"

#include "Components.h"
#include "FileUtils.h"
#include "Raises.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <filesystem>

TEST(HalfFloatTest, HalfToSingle)
{
    const std::pair<uint16_t, float> cases[] = {
        {0x0000, 0.0f},         {0x3C00, 1.0f},          {0xC000, -2.0f},         {0x7BFF, 65504.0f},
        {0x0001, 0x1p-24f},     {0x03FF, 0x3FFp-24f},    {0x0400, 0x1p-14f},      {0x8001, -0x1p-24f},
        {0x7C00, INFINITY},     {0xFC00, -INFINITY},     {0x3555, 0x1.554p-2f},
    };
    for (auto [half, single] : cases)
        EXPECT_EQ(std::bit_cast<uint32_t>(HalfFloatToSingle(half)), std::bit_cast<uint32_t>(single)) << half;
    EXPECT_EQ(std::bit_cast<uint32_t>(HalfFloatToSingle(0x8000)), 0x80000000u);
    EXPECT_TRUE(std::isnan(HalfFloatToSingle(0x7E00)));
    EXPECT_TRUE(std::isnan(HalfFloatToSingle(0xFC01)));
}

TEST(HalfFloatTest, SingleToHalf)
{
    const std::pair<float, uint16_t> cases[] = {
        {0.0f, 0x0000},       {-0.0f, 0x0000},       {1.0f, 0x3C00},         {-2.0f, 0xC000},
        {65504.0f, 0x7BFF},   {65519.0f, 0x7BFF},    {65520.0f, 0x7C00},     {-1e10f, 0xFC00},
        {0x1p-24f, 0x0001},   {0x1p-25f, 0x0001},    {0x1p-26f, 0x0000},     {-0x1p-30f, 0x0000},
        {0x1p-14f, 0x0400},   {INFINITY, 0x7C00},    {-INFINITY, 0xFC00},
        // The largest Single below 2^-13: the rounding carry moves the exponent field from 1 to 2.
        {std::bit_cast<float>(0x38FFFFFFu), 0x0800},
    };
    for (auto [single, half] : cases) EXPECT_EQ(SingleToHalfFloat(single), half) << single;

    EXPECT_EQ(SingleToHalfFloat(std::bit_cast<float>(0x7FC00000u)), 0x7E00);
    // A NaN whose payload sits below the half's mantissa stays a NaN instead of becoming infinity.
    const uint16_t lowPayload = SingleToHalfFloat(std::bit_cast<float>(0x7F800001u));
    EXPECT_EQ(lowPayload & 0x7C00, 0x7C00);
    EXPECT_NE(lowPayload & 0x03FF, 0);
}

TEST(HalfFloatTest, EveryHalfSurvivesTheRoundTrip)
{
    for (uint32_t h = 0; h <= 0xFFFF; ++h) {
        const bool nan = (h & 0x7C00) == 0x7C00 && (h & 0x3FF) != 0;
        if (nan || h == 0x8000) continue; // -0 comes back as +0
        ASSERT_EQ(SingleToHalfFloat(HalfFloatToSingle(static_cast<uint16_t>(h))), h) << std::hex << h;
    }
}

TEST(PlatformHelpersTest, PackRGBColorMasksEachComponent)
{
    EXPECT_EQ(PackRGBColor(0x12, 0x34, 0x56), 0x563412);
    EXPECT_EQ(PackRGBColor(0x101, -1, 0x1FF), 0xFFFF01);
}

TEST(PlatformHelpersTest, Rectangles)
{
    TRect r = RectFromEdges(10, 20, 16, 30);
    InflateRectClamped(r, -10, 2);
    EXPECT_EQ(r.Left, 20);
    EXPECT_EQ(r.Right, 20);
    EXPECT_EQ(r.Top, 18);
    EXPECT_EQ(r.Bottom, 32);

    TRect a = RectFromEdges(0, 0, 10, 10);
    IntersectRectOrClear(a, RectFromEdges(5, -5, 20, 5));
    EXPECT_EQ(std::tie(a.Left, a.Top, a.Right, a.Bottom), std::make_tuple(5, 0, 10, 5));

    TRect edge = RectFromEdges(0, 0, 10, 10);
    IntersectRectOrClear(edge, RectFromEdges(10, 2, 20, 8));
    EXPECT_EQ(std::tie(edge.Left, edge.Top, edge.Right, edge.Bottom), std::make_tuple(10, 2, 10, 8));

    TRect apart = RectFromEdges(1, 2, 3, 4);
    IntersectRectOrClear(apart, RectFromEdges(11, 2, 20, 4));
    EXPECT_EQ(std::tie(apart.Left, apart.Top, apart.Right, apart.Bottom), std::make_tuple(0, 0, 0, 0));
}

TEST(PlatformHelpersTest, DistinctMillisecondClockAddsGrowingStepsWithinAMillisecond)
{
    // The first reading of each millisecond is whole; catch one and read on, again when the millisecond
    // ends before the fourth reading.
    for (int attempt = 0; attempt < 100; ++attempt) {
        double t;
        do t = DistinctMillisecondClock();
        while (t != std::floor(t));
        const double a = DistinctMillisecondClock();
        const double b = DistinctMillisecondClock();
        const double c = DistinctMillisecondClock();
        if (c >= t + 1) continue;
        EXPECT_NEAR(a - t, 0.1, 1e-9);
        EXPECT_NEAR(b - t, 0.3, 1e-9);
        EXPECT_NEAR(c - t, 0.6, 1e-9);
        return;
    }
    FAIL() << "no millisecond was long enough for four readings";
}

TEST(PlatformHelpersTest, DistinctMillisecondClockStrictlyIncreasesAndKeepsPace)
{
    const int64_t startMs = MonotonicMilliseconds();
    const double first = DistinctMillisecondClock();
    double previous = first;
    for (int i = 0; i < 200000; ++i) {
        const double now = DistinctMillisecondClock();
        ASSERT_GT(now, previous);
        previous = now;
    }
    // However often it is read, the clock runs no faster than time.
    EXPECT_LT(previous - first, static_cast<double>(MonotonicMilliseconds() - startMs) + 2);
}

TEST(PlatformHelpersTest, ClocksAndScreen)
{
    EXPECT_LE(GetTickCountMs(), 0xFFFFFFFFu);
    int64_t frequency = 0, counter1 = 0, counter2 = 0;
    EXPECT_TRUE(ReadPerformanceFrequency(frequency));
    EXPECT_EQ(frequency, 1000000000);
    ReadPerformanceCounter(counter1);
    ReadPerformanceCounter(counter2);
    EXPECT_GE(counter2, counter1);

    TScreenDeviceCaps caps;
    ReadScreenDeviceCaps(caps);
    EXPECT_EQ(caps.PixelsPerInchX, 96);
    EXPECT_EQ(caps.PixelsPerInchY, 96);
    EXPECT_EQ(ScreenPixelsPerInchX(), 96);
    EXPECT_EQ(ScreenColorDepthBits(), 24);
}

TEST(PlatformHelpersTest, BitmapFormatsAndRows)
{
    EXPECT_EQ(PixelFormatToBitCount(pf24bit), 24);
    EXPECT_EQ(PixelFormatToBitCount(pf32bit), 32);

    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(3, 2);
    EXPECT_EQ(BitmapRowPointer(bitmap, 0), bitmap.ScanLine(0));
    EXPECT_EQ(BitmapRowPointer(bitmap, 1) - BitmapRowPointer(bitmap, 0), bitmap.RowStride());
    EXPECT_THROW(BitmapRowPointer(bitmap, 2), EInvalidGraphic);
}

TEST(PlatformHelpersTest, SystemErrorsTextAndProgramFolder)
{
    errno = ENOENT;
    EXPECT_EQ(MessageOf<EOSError>([] { RaiseLastSystemError(); }), "OS Error : No such file or directory");

    const auto previous = std::filesystem::current_path();
    SetCurrentDirToAppFolder();
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(ProgramFolder()));
    std::filesystem::current_path(previous);
}

TEST(PlatformHelpersTest, TextAndComponentHelpers)
{
    EXPECT_EQ(AnsiByteToWideChar(0x41), u'A');
    EXPECT_EQ(AnsiByteToWideChar(0x80), u'\u20AC');
    EXPECT_EQ(AnsiByteToWideChar(0xE9), u'\u00E9');

    const char previous = GetDecimalSeparatorChar();
    SetDecimalSeparatorChar(',');
    EXPECT_EQ(GetDecimalSeparatorChar(), ',');
    SetDecimalSeparatorChar(previous);

    TComponent owner(nullptr);
    auto* sub = new TComponent(&owner);
    EXPECT_FALSE(HasSubComponentStyle(sub));
    sub->SetSubComponent(true);
    EXPECT_TRUE(HasSubComponentStyle(sub));
}
