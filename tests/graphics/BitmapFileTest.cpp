// BMP reading of every bit depth and compression from bytes built here, writing and reading back, and
// damaged files.
#include "Graphics.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Put16(std::string& s, uint32_t v)
{
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

struct BmpLayout {
    BmpLayout(int32_t w, int32_t h, int bits, uint32_t comp = 0, std::string data = {})
        : width(w), height(h), bitCount(bits), compression(comp), pixels(std::move(data))
    {
    }
    int32_t width, height; // negative height: rows from the top
    int bitCount;
    uint32_t compression;
    std::vector<uint32_t> palette;    // 0x00RRGGBB
    std::vector<uint32_t> extraMasks; // written after a 40-byte header
    std::vector<uint32_t> v4Masks;    // red, green, blue, alpha in a 108-byte header
    std::string pixels; // as stored
    bool coreHeader = false;          // the 12-byte header with 3-byte palette entries
};

std::string MakeBmp(const BmpLayout& layout)
{
    std::string info;
    if (layout.coreHeader) {
        Put32(info, 12);
        Put16(info, layout.width);
        Put16(info, layout.height);
        Put16(info, 1);
        Put16(info, layout.bitCount);
    } else {
        Put32(info, layout.v4Masks.empty() ? 40 : 108);
        Put32(info, layout.width);
        Put32(info, uint32_t(layout.height));
        Put16(info, 1);
        Put16(info, layout.bitCount);
        Put32(info, layout.compression);
        Put32(info, uint32_t(layout.pixels.size()));
        Put32(info, 3780);
        Put32(info, 3780);
        Put32(info, uint32_t(layout.palette.size()));
        Put32(info, 0);
        if (!layout.v4Masks.empty()) {
            for (uint32_t m : layout.v4Masks) Put32(info, m);
            info.append(108 - info.size(), '\0');
        }
        for (uint32_t m : layout.extraMasks) Put32(info, m);
    }
    for (uint32_t c : layout.palette) {
        info += char(c & 0xFF), info += char((c >> 8) & 0xFF), info += char((c >> 16) & 0xFF);
        if (!layout.coreHeader) info += '\0';
    }
    std::string file = "BM";
    Put32(file, uint32_t(14 + info.size() + layout.pixels.size()));
    Put32(file, 0);
    Put32(file, uint32_t(14 + info.size()));
    return file + info + layout.pixels;
}

void Load(TBitmap& bitmap, const std::string& bytes)
{
    TStringStream stream(bytes);
    bitmap.LoadFromStream(stream);
}

// B, G, R of a pixel as 0x00RRGGBB.
uint32_t Rgb(const TBitmap& bitmap, int x, int y)
{
    const uint8_t* p = bitmap.ScanLine(y) + x * bitmap.BytesPerPixel();
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

const std::array<uint32_t, 16> Palette16 = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456,
                                            0x654321, 0x808080, 0x102030, 0x405060, 0x708090, 0xA0B0C0,
                                            0xD0E0F0, 0x0F0F0F, 0xF0F0F0, 0x777777};

// A run-length picture (RLE8 at 8 bits, RLE4 at 4) with the 16-colour palette.
BmpLayout RleLayout(int32_t w, int32_t h, int bits, std::string data)
{
    BmpLayout layout(w, h, bits, bits == 8 ? 1 : 2, std::move(data));
    layout.palette.assign(Palette16.begin(), Palette16.end());
    return layout;
}

const BmpLayout Rle8Sample = RleLayout(4, 3, 8,
                                       std::string("\x03\x02" "\x00\x00"                 // bottom row: 2 2 2 .
                                                   "\x00\x03\x04\x05\x06\x00" "\x00\x00" // middle row: 4 5 6 .
                                                   "\xC8\x07"                             // top row: 200 cut to 4
                                                   "\x00\x01", 16));
const BmpLayout Rle4Sample = RleLayout(5, 2, 4,
                                       std::string("\x05\x12" "\x00\x00"         // bottom row: 1 2 1 2 1
                                                   "\x00\x03\x34\x50" "\x00\x01", // top row: 3 4 5, the rest 0
                                                   10));
// A move to (2, 1), then one pixel.
const BmpLayout DeltaSample = RleLayout(3, 2, 8, std::string("\x00\x02\x02\x01" "\x01\x03" "\x00\x01", 8));

} // namespace

// A 5 x 2 picture (odd width: padded rows) of palette indices at 1, 4 and 8 bits, stored from the bottom.
TEST(BitmapFile, ReadsPaletteDepths)
{
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const int colours = std::min(1 << bits, 16);
        auto index = [&](int x, int y) { return (x + 3 * y) % colours; };
        BmpLayout layout(5, 2, bits);
        layout.palette.assign(Palette16.begin(), Palette16.begin() + colours);
        const int stride = ((5 * bits + 31) / 32) * 4;
        for (int fileRow = 0; fileRow < 2; ++fileRow) {
            std::string row(stride, '\0');
            for (int x = 0; x < 5; ++x) {
                const int bit = x * bits;
                row[bit / 8] = char(uint8_t(row[bit / 8]) | index(x, 1 - fileRow) << (8 - bits - bit % 8));
            }
            layout.pixels += row;
        }
        TBitmap bitmap;
        Load(bitmap, MakeBmp(layout));
        ASSERT_EQ(bitmap.Width(), 5);
        ASSERT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(Rgb(bitmap, x, y), Palette16[index(x, y)]) << x << "," << y;
    }
}

TEST(BitmapFile, ReadsCoreHeaderWithThreeBytePalette)
{
    BmpLayout layout(2, 1, 8);
    layout.coreHeader = true;
    layout.palette = {0x112233, 0x445566};
    layout.pixels = std::string("\x01\x00\x00\x00", 4);
    TBitmap bitmap;
    Load(bitmap, MakeBmp(layout));
    EXPECT_EQ(Rgb(bitmap, 0, 0), 0x445566u);
    EXPECT_EQ(Rgb(bitmap, 1, 0), 0x112233u);
}

TEST(BitmapFile, ReadsSixteenBitsPlainAndBitFields)
{
    struct Case {
        uint32_t compression;
        std::vector<uint32_t> masks;
        uint16_t pixel;
        uint32_t rgb;
    };
    const Case cases[] = {
        {0, {}, 0x7C00, 0xFF0000},                       // 5-5-5
        {0, {}, 0x4210, 0x838383},                       // 16 of 31 in each channel: 131
        {3, {0xF800, 0x07E0, 0x001F}, 0x07E0, 0x00FF00}, // 5-6-5 green
        {3, {0xF800, 0x07E0, 0x001F}, 0x001F, 0x0000FF},
    };
    for (const Case& c : cases) {
        BmpLayout layout(1, 1, 16, c.compression);
        layout.extraMasks = c.masks;
        layout.pixels = std::string(4, '\0');
        layout.pixels[0] = char(c.pixel & 0xFF);
        layout.pixels[1] = char(c.pixel >> 8);
        TBitmap bitmap;
        Load(bitmap, MakeBmp(layout));
        EXPECT_EQ(Rgb(bitmap, 0, 0), c.rgb) << std::hex << c.pixel;
    }
}

TEST(BitmapFile, ReadsTwentyFourBitsFromEitherEnd)
{
    // Two rows of one pixel each: red stored first.
    const std::string rows = std::string("\x00\x00\xFF\x00", 4) + std::string("\xFF\x00\x00\x00", 4);
    TBitmap bottomUp, topDown;
    Load(bottomUp, MakeBmp(BmpLayout(1, 2, 24, 0, rows)));
    Load(topDown, MakeBmp(BmpLayout(1, -2, 24, 0, rows)));
    EXPECT_EQ(Rgb(bottomUp, 0, 0), 0x0000FFu); // the last stored row is the top
    EXPECT_EQ(Rgb(bottomUp, 0, 1), 0xFF0000u);
    EXPECT_EQ(Rgb(topDown, 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb(topDown, 0, 1), 0x0000FFu);
}

TEST(BitmapFile, ThirtyTwoBitsKeepAlphaOrTakeItFromTheMask)
{
    const std::string pixel("\x10\x20\x30\x40", 4);
    BmpLayout v4(1, 1, 32, 3, pixel), v3(1, 1, 32, 3, pixel);
    v4.v4Masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    v3.extraMasks = {0xFF0000, 0xFF00, 0xFF};
    TBitmap plain, fields, fieldsNoAlpha;
    Load(plain, MakeBmp(BmpLayout(1, 1, 32, 0, pixel)));
    Load(fields, MakeBmp(v4));
    Load(fieldsNoAlpha, MakeBmp(v3));
    for (TBitmap* b : {&plain, &fields, &fieldsNoAlpha}) {
        EXPECT_EQ(b->PixelFormat(), pf32bit);
        EXPECT_EQ(Rgb(*b, 0, 0), 0x302010u);
    }
    EXPECT_EQ(plain.ScanLine(0)[3], 0x40);
    EXPECT_EQ(fields.ScanLine(0)[3], 0x40);
    EXPECT_EQ(fieldsNoAlpha.ScanLine(0)[3], 255);
}

// RLE8 and RLE4: runs, end of line, a delta move, literal packets (padded), runs that would overrun the row.
TEST(BitmapFile, ReadsRunLengthEncoding)
{
    TBitmap bitmap;
    Load(bitmap, MakeBmp(Rle8Sample));
    const int expected8[3][4] = {{7, 7, 7, 7}, {4, 5, 6, 0}, {2, 2, 2, 0}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Rgb(bitmap, x, y), Palette16[expected8[y][x]]) << x << "," << y;

    Load(bitmap, MakeBmp(Rle4Sample));
    const int expected4[2][5] = {{3, 4, 5, 0, 0}, {1, 2, 1, 2, 1}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(Rgb(bitmap, x, y), Palette16[expected4[y][x]]) << x << "," << y;

    Load(bitmap, MakeBmp(DeltaSample));
    EXPECT_EQ(Rgb(bitmap, 2, 0), Palette16[3]);
    EXPECT_EQ(Rgb(bitmap, 0, 0), Palette16[0]);
}

TEST(BitmapFile, WriteThenReadGivesTheSamePixels)
{
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap original;
        original.SetPixelFormat(format);
        original.SetSize(5, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5 * original.BytesPerPixel(); ++x) original.ScanLine(y)[x] = uint8_t(17 * x + 59 * y);
        TMemoryStream stream;
        original.SaveToStream(stream);
        const int stride = format == pf24bit ? 16 : 20;
        EXPECT_EQ(stream.Size(), 54 + 3 * stride);
        stream.SetPosition(0);
        TBitmap copy;
        copy.LoadFromStream(stream);
        ASSERT_EQ(copy.PixelFormat(), format);
        ASSERT_EQ(copy.Width(), 5);
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(std::memcmp(copy.ScanLine(y), original.ScanLine(y), 5 * original.BytesPerPixel()), 0);
    }
}

TEST(BitmapFile, DamagedFilesRaiseAndKeepTheBitmap)
{
    BmpLayout layout(3, 2, 8);
    layout.palette = {0x112233, 0x445566};
    layout.pixels = std::string("\x01\x00\x01\x00\x00\x01\x00\x00", 8);
    const std::string good = MakeBmp(layout);

    TBitmap bitmap;
    bitmap.SetSize(2, 2);
    bitmap.ScanLine(0)[0] = 99;
    auto expectRefused = [&](const std::string& bytes) {
        EXPECT_THROW(Load(bitmap, bytes), EInvalidGraphic);
        EXPECT_EQ(bitmap.Width(), 2);
        EXPECT_EQ(bitmap.ScanLine(0)[0], 99);
    };
    for (size_t length = 0; length < good.size(); ++length) expectRefused(good.substr(0, length));

    auto patched = [&](size_t offset, uint32_t value) {
        std::string bytes = good;
        for (int k = 0; k < 4; ++k) bytes[offset + k] = char(value >> (8 * k));
        return bytes;
    };
    expectRefused("XM" + good.substr(2));
    expectRefused(patched(14, 20));         // unknown header size
    expectRefused(patched(28, 7));          // 7 bits per pixel
    expectRefused(patched(18, 100000));     // far too wide
    expectRefused(patched(18, 0x80000000)); // negative width
    BmpLayout topDownRle(2, -2, 8, 1, std::string("\x00\x01", 2));
    topDownRle.palette = {0};
    expectRefused(MakeBmp(topDownRle));
}

// A run-length picture cut anywhere before its end-of-picture mark raises, as a cut plain one does; one whose
// last row ends with an end of line needs no mark.
TEST(BitmapFile, CutRunLengthFilesRaise)
{
    for (const BmpLayout* layout : {&Rle8Sample, &Rle4Sample, &DeltaSample}) {
        const std::string file = MakeBmp(*layout);
        for (size_t length = 0; length < file.size(); ++length) {
            TBitmap bitmap;
            EXPECT_THROW(Load(bitmap, file.substr(0, length)), EInvalidGraphic) << length;
        }
    }
    TBitmap bitmap;
    Load(bitmap, MakeBmp(RleLayout(2, 2, 8, std::string("\x02\x01" "\x00\x00" "\x02\x03" "\x00\x00", 8))));
    EXPECT_EQ(Rgb(bitmap, 1, 0), Palette16[3]);
}
