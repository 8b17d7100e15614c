// PNG pictures: every colour type and depth as libpng writes them, the codec core's native layout, writing,
// padding, bitmaps, and damaged files.
#include "CodecFixtures.h"
#include "ImageCodecs.h"
#include "PngImage.h"
#include "Raises.h"
#include "Streams.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>

using ::testing::AllOf;
using ::testing::Ne;
using ::testing::StartsWith;

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values) s += char(v);
    return s;
}

void Load(TPngImage& png, const std::string& bytes)
{
    TStringStream stream(bytes);
    png.LoadFromStream(stream);
}

// Every pixel as 0xAARRGGBB, top row first; alpha 255 for pictures without alpha.
std::vector<uint32_t> Pixels(TPngImage& png)
{
    std::vector<uint32_t> result;
    const int bpp = png.HasAlpha() ? 4 : 3;
    for (int y = 0; y < png.Height(); ++y)
        for (int x = 0; x < png.Width(); ++x) {
            const uint8_t* p = png.Scanline(y) + x * bpp;
            const uint32_t alpha = bpp == 4 ? p[3] : 255;
            result.push_back(alpha << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
        }
    return result;
}

TestPng PalettePngWithTransparency()
{
    TestPng fixture(2, 2, PNG_COLOR_TYPE_PALETTE, 8);
    fixture.rows = {Bytes({0, 1}), Bytes({2, 3})};
    fixture.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    fixture.paletteAlpha = {255, 0, 128};
    return fixture;
}

TestPng InterlacedGradient()
{
    TestPng fixture(8, 8, PNG_COLOR_TYPE_RGB, 8, true);
    for (int y = 0; y < 8; ++y) {
        std::string row;
        for (int x = 0; x < 8; ++x) row += Bytes({x * 30, y * 30, x ^ y});
        fixture.rows.push_back(row);
    }
    return fixture;
}

} // namespace

TEST(PngImage, ReadsTheCommonVariants)
{
    struct Case {
        const char* name;
        TestPng fixture;
        bool alpha;
        std::vector<uint32_t> pixels;
    };
    TestPng palette2(3, 1, PNG_COLOR_TYPE_PALETTE, 2);
    palette2.rows = {Bytes({0x6C})}; // indices 1, 2, 3
    palette2.palette = {{0, 0, 0}, {10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    TestPng grey1(3, 2, PNG_COLOR_TYPE_GRAY, 1);
    grey1.rows = {Bytes({0xA0}), Bytes({0x40})};
    TestPng greyKey(2, 1, PNG_COLOR_TYPE_GRAY, 8);
    greyKey.rows = {Bytes({0x40, 0x80})};
    greyKey.transparentValue = true;
    greyKey.transparentColor.gray = 0x40;
    TestPng greyAlpha(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8);
    greyAlpha.rows = {Bytes({10, 20, 200, 255})};
    TestPng rgb16(1, 1, PNG_COLOR_TYPE_RGB, 16);
    rgb16.rows = {Bytes({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC})};
    TestPng rgba16(1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16);
    rgba16.rows = {Bytes({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0})};
    TestPng rgba(2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8);
    rgba.rows = {Bytes({1, 2, 3, 4, 250, 251, 252, 253})};
    std::vector<uint32_t> gradient;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            gradient.push_back(0xFF000000u | uint32_t(x * 30) << 16 | uint32_t(y * 30) << 8 | uint32_t(x ^ y));

    const Case cases[] = {
        {"palette with tRNS", PalettePngWithTransparency(), true, {0xFFFF0000, 0x0000FF00, 0x800000FF, 0xFFFFFFFF}},
        {"palette 2 bits", palette2, false, {0xFF0A141E, 0xFF28323C, 0xFF46505A}},
        {"grey 1 bit", grey1, false, {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000}},
        {"grey with a transparent value", greyKey, true, {0x00404040, 0xFF808080}},
        {"grey and alpha", greyAlpha, true, {0x140A0A0A, 0xFFC8C8C8}},
        {"RGB 16 bits", rgb16, false, {0xFF12569A}},
        {"RGBA 16 bits", rgba16, true, {0xDE12569A}},
        {"RGBA", rgba, true, {0x04010203, 0xFDFAFBFC}},
        {"interlaced", InterlacedGradient(), false, gradient},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPngImage png;
        Load(png, EncodeTestPng(c.fixture));
        EXPECT_EQ(png.Width(), int(c.fixture.width));
        EXPECT_EQ(png.Height(), int(c.fixture.height));
        EXPECT_EQ(png.Header().ColorType, c.fixture.colorType);
        EXPECT_EQ(png.HasAlpha(), c.alpha);
        EXPECT_EQ(png.Transparent(), c.alpha);
        EXPECT_EQ(Pixels(png), c.pixels);
    }
}

TEST(PngImage, PixelsAreColourValues)
{
    TPngImage png;
    Load(png, EncodeTestPng(PalettePngWithTransparency()));
    EXPECT_EQ(png.Pixels(0, 0), clRed);
    EXPECT_EQ(png.Pixels(0, 1), clBlue);
    EXPECT_THROW(png.Pixels(2, 0), EInvalidGraphic);
    EXPECT_THROW(png.Pixels(0, -1), EInvalidGraphic);
}

// The engine's readers keep the file's channels and 16-bit samples, in the machine's byte order.
TEST(PngImage, CoreDeliversNativeSamples)
{
    TestPng rgb16(2, 1, PNG_COLOR_TYPE_RGB, 16);
    rgb16.rows = {Bytes({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xFE, 0x00, 0x01, 0x80, 0x00})};
    const std::string file = EncodeTestPng(rgb16);
    TStringStream stream(file + "more");
    TPngDecoder decoder(stream);
    EXPECT_EQ(decoder.SetLayout(TPixelLayout::Native), 6);
    uint16_t samples[6] = {};
    decoder.ReadImage(reinterpret_cast<uint8_t*>(samples), sizeof samples, false);
    const uint16_t expected[6] = {0x1234, 0x5678, 0x9ABC, 0xFFFE, 0x0001, 0x8000};
    EXPECT_EQ(std::memcmp(samples, expected, sizeof samples), 0);
    EXPECT_EQ(stream.Position(), int64_t(file.size())); // the reader stops at the end of the file

    TStringStream palette(EncodeTestPng(PalettePngWithTransparency()));
    TPngDecoder paletteDecoder(palette);
    EXPECT_EQ(paletteDecoder.SetLayout(TPixelLayout::Native), 4); // expanded to RGBA by the tRNS chunk
    uint8_t rgba[4 * 4];
    paletteDecoder.ReadImage(rgba, 8, true); // bottom row first
    EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + 8), (std::vector<uint8_t>{0, 0, 255, 128, 255, 255, 255, 255}));
}

TEST(PngImage, WriteThenReadKeepsPixelsAndAlpha)
{
    for (bool alpha : {false, true}) {
        SCOPED_TRACE(alpha);
        TBitmap bitmap;
        bitmap.SetPixelFormat(alpha ? pf32bit : pf24bit);
        bitmap.SetTransparent(alpha);
        bitmap.SetSize(5, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5 * bitmap.BytesPerPixel(); ++x) bitmap.ScanLine(y)[x] = uint8_t(31 * x + 7 * y);
        TPngImage png;
        png.Assign(&bitmap);
        EXPECT_EQ(png.Header().ColorType, alpha ? PNG_COLOR_RGB_ALPHA : PNG_COLOR_RGB);
        TMemoryStream stream;
        png.SaveToStream(stream);
        stream.SetPosition(0);
        TPngImage copy;
        copy.LoadFromStream(stream);
        EXPECT_EQ(copy.Header().ColorType, alpha ? PNG_COLOR_RGB_ALPHA : PNG_COLOR_RGB);
        EXPECT_EQ(Pixels(copy), Pixels(png));

        TBitmap back;
        back.Assign(&copy);
        EXPECT_EQ(back.PixelFormat(), bitmap.PixelFormat());
        EXPECT_EQ(back.Transparent(), alpha);
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(std::memcmp(back.ScanLine(y), bitmap.ScanLine(y), 5 * bitmap.BytesPerPixel()), 0);
    }
}

TEST(PngImage, OpaqueThirtyTwoBitBitmapsWriteColourOnly)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(1, 1); // alpha 0, which an opaque bitmap does not mean
    TPngImage png;
    png.Assign(&bitmap);
    EXPECT_FALSE(png.HasAlpha());
    EXPECT_EQ(png.Header().ColorType, PNG_COLOR_RGB);
}

TEST(PngImage, ResizePadsWithTransparentBlack)
{
    TPngImage png;
    Load(png, EncodeTestPng(PalettePngWithTransparency()));
    png.Resize(4, 3);
    EXPECT_EQ(png.Width(), 4);
    EXPECT_EQ(png.Height(), 3);
    const std::vector<uint32_t> expected = {0xFFFF0000, 0x0000FF00, 0, 0, 0x800000FF, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Pixels(png), expected);
}

TEST(PngImage, DamagedFilesRaiseAndKeepThePicture)
{
    const std::string good = EncodeTestPng(InterlacedGradient());
    TPngImage png;
    Load(png, EncodeTestPng(PalettePngWithTransparency()));
    const std::vector<uint32_t> before = Pixels(png);
    auto expectRefused = [&](const std::string& bytes, const char* message) {
        EXPECT_THAT(MessageOf<EInvalidGraphic>([&] { Load(png, bytes); }), AllOf(Ne(cNoException), StartsWith(message)))
            << bytes.size() << " bytes";
        EXPECT_EQ(Pixels(png), before);
    };
    for (size_t length = 0; length < good.size(); ++length)
        expectRefused(good.substr(0, length), length < 8 ? "Invalid PNG file" : "");

    expectRefused("\x89PNG\r\n\x1b\n" + good.substr(8), "Invalid PNG file");
    std::string badCrc = good;
    badCrc[good.size() - 20] ^= 0x55; // inside the image data
    expectRefused(badCrc, "LIBPNG error");

    // A header announcing 6000 x 6000 pixels (with a correct checksum) in a file of a few hundred bytes is
    // refused before any pixel memory is taken; one beyond the size limit too.
    auto withSize = [&](uint32_t side) {
        std::string bytes = good;
        const char be[4] = {char(side >> 24), char(side >> 16), char(side >> 8), char(side)};
        bytes.replace(16, 4, be, 4); // width
        bytes.replace(20, 4, be, 4); // height
        const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 12), 17);
        const char crcBytes[4] = {char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
        bytes.replace(29, 4, crcBytes, 4);
        return bytes;
    };
    expectRefused(withSize(6000), "LIBPNG error: the file is too short");
    expectRefused(withSize(20000), "LIBPNG error");
}

TEST(PngImage, EmptyPictureCannotBeWritten)
{
    TPngImage png;
    TMemoryStream stream;
    EXPECT_THROW(png.SaveToStream(stream), EInvalidGraphic);
}
