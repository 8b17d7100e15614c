// Pixel unpacking and packing: round trips of the plain types, known values of the lossy and packed ones, the
// compressed blocks built texel by texel, and the refusals (unknown types, refused formats, short buffers).
#include "GLImageUtils.h"
#include "ImageTestUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

// The bytes of a list of values of one type, as they lie in memory.
template <typename T> TBytes Bytes(std::initializer_list<T> AValues)
{
    TBytes out(AValues.size() * sizeof(T));
    std::memcpy(out.data(), AValues.begin(), out.size());
    return out;
}

TBytes Convert(const TBytes& ASrc, GLenum ASrcFormat, GLenum ASrcType, GLenum ADstFormat, GLenum ADstType,
               int32_t AWidth, int32_t AHeight = 1)
{
    TBytes dst(ImageDataSize(ADstFormat, ADstType, AWidth, AHeight), 0xCD);
    ConvertImage(ASrc.data(), dst.data(), ASrcFormat, ADstFormat, ASrcType, ADstType, AWidth, AHeight, ASrc.size(),
                 dst.size());
    return dst;
}

std::vector<TIntermediateFormat> Unpack(const TBytes& ASrc, GLenum AFormat, GLenum AType, int32_t AWidth,
                                        int32_t AHeight = 1)
{
    std::vector<TIntermediateFormat> out(static_cast<size_t>(AWidth) * AHeight, {-1, -1, -1, -1});
    UnpackImage(ASrc.data(), ASrc.size(), AFormat, AType, AWidth, AHeight, out.data());
    return out;
}

std::string Text(const TIntermediateFormat& p)
{
    return "(" + std::to_string(p.R) + ", " + std::to_string(p.G) + ", " + std::to_string(p.B) + ", " +
           std::to_string(p.A) + ")";
}

void ExpectPixel(const TIntermediateFormat& AActual, TIntermediateFormat AExpected, const std::string& AWhat)
{
    EXPECT_TRUE(AActual.R == AExpected.R && AActual.G == AExpected.G && AActual.B == AExpected.B &&
                AActual.A == AExpected.A)
        << AWhat << ": " << Text(AActual) << " instead of " << Text(AExpected);
}

// ---------------------------------------------------------------------------------------------------------

struct TRoundTrip {
    const char* Name;
    GLenum Format;
    GLenum Type;
    TBytes Data; // two pixels
};

TEST(GLImageUtils, PlainTypesSurviveARoundTripThroughTheWorkingForm)
{
    const TRoundTrip cases[] = {
        {"RGBA ubyte", GL_RGBA, GL_UNSIGNED_BYTE, Bytes<uint8_t>({0, 1, 128, 255, 7, 200, 254, 3})},
        {"BGR ubyte", GL_BGR, GL_UNSIGNED_BYTE, Bytes<uint8_t>({10, 20, 30, 255, 0, 99})},
        {"RG ubyte", GL_RG, GL_UNSIGNED_BYTE, Bytes<uint8_t>({1, 2, 250, 251})},
        {"alpha", GL_ALPHA, GL_UNSIGNED_BYTE, Bytes<uint8_t>({0, 255})},
        {"luminance", GL_LUMINANCE, GL_UNSIGNED_BYTE, Bytes<uint8_t>({17, 254})},
        {"luminance alpha", GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, Bytes<uint8_t>({17, 0, 254, 128})},
        {"intensity", GL_INTENSITY, GL_UNSIGNED_BYTE, Bytes<uint8_t>({33, 255})},
        {"RGBA byte", GL_RGBA, GL_BYTE, Bytes<int8_t>({-127, -1, 0, 127, 5, -5, 64, -64})},
        {"RGB ushort", GL_RGB, GL_UNSIGNED_SHORT, Bytes<uint16_t>({0, 1, 65535, 0x1234, 0x8000, 0xFFFE})},
        {"RG short", GL_RG, GL_SHORT, Bytes<int16_t>({-32767, 32767, -1, 300})},
        {"luminance uint", GL_LUMINANCE, GL_UNSIGNED_INT, Bytes<uint32_t>({0xFF000000u, 0x00FFFFFFu})},
        {"red int", GL_RED, GL_INT, Bytes<int32_t>({-2147483647 - 1, 0x7FFFFF80})},
        {"RGBA float", GL_RGBA, GL_FLOAT, Bytes<float>({0.0f, 0.5f, 1.0f, -3.25f, 2.0f, 0.25f, 1e-3f, 100.0f})},
        {"BGRA half", GL_BGRA, GL_HALF_FLOAT,
         Bytes<uint16_t>({0x3C00, 0x3800, 0xC000, 0x0000, 0x7BFF, 0x3555, 0x0400, 0xBC00})},
        {"RGBA ubyte integer", GL_RGBA_INTEGER, GL_UNSIGNED_BYTE, Bytes<uint8_t>({0, 1, 128, 255, 7, 200, 254, 3})},
        {"BGR short integer", GL_BGR_INTEGER, GL_SHORT, Bytes<int16_t>({-32768, 32767, 5, -5, 0, 1})},
        {"luminance alpha uint integer", GL_LUMINANCE_ALPHA_INTEGER_EXT, GL_UNSIGNED_INT,
         Bytes<uint32_t>({0xFF000000u, 0x10u, 0, 0x7FFFFF00u})},
    };
    for (const TRoundTrip& c : cases) {
        const TBytes back = Convert(c.Data, c.Format, c.Type, c.Format, c.Type, 2);
        EXPECT_EQ(back, c.Data) << c.Name;
    }
}

// Source pixel to the working form.
struct TUnpackCase {
    const char* Name;
    GLenum Format;
    GLenum Type;
    TBytes Data; // one pixel
    TIntermediateFormat Expected;
};

TEST(GLImageUtils, UnpackGivesKnownWorkingValues)
{
    const TUnpackCase cases[] = {
        // Components a format lacks are 0, a missing alpha 255.
        {"RGB ubyte", GL_RGB, GL_UNSIGNED_BYTE, Bytes<uint8_t>({1, 2, 3}), {1, 2, 3, 255}},
        {"BGRA ubyte", GL_BGRA, GL_UNSIGNED_BYTE, Bytes<uint8_t>({1, 2, 3, 4}), {3, 2, 1, 4}},
        {"green", GL_GREEN, GL_UNSIGNED_BYTE, Bytes<uint8_t>({5}), {0, 5, 0, 255}},
        {"alpha", GL_ALPHA, GL_UNSIGNED_BYTE, Bytes<uint8_t>({9}), {0, 0, 0, 9}},
        {"luminance", GL_LUMINANCE, GL_UNSIGNED_BYTE, Bytes<uint8_t>({7}), {7, 7, 7, 255}},
        {"luminance alpha", GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, Bytes<uint8_t>({7, 9}), {7, 7, 7, 9}},
        {"intensity", GL_INTENSITY, GL_UNSIGNED_BYTE, Bytes<uint8_t>({7}), {7, 7, 7, 7}},
        {"RG integer short", GL_RG_INTEGER, GL_SHORT, Bytes<int16_t>({-512, 256}), {-2, 1, 0, 255}},
        {"ushort", GL_RED, GL_UNSIGNED_SHORT, Bytes<uint16_t>({0x1280}), {18.5f, 0, 0, 255}},
        {"uint", GL_RED, GL_UNSIGNED_INT, Bytes<uint32_t>({0x80000000u}), {128, 0, 0, 255}},
        {"float", GL_RED, GL_FLOAT, Bytes<float>({0.5f}), {127.5f, 0, 0, 255}},
        {"half", GL_RED, GL_HALF_FLOAT, Bytes<uint16_t>({0x3800}), {127.5f, 0, 0, 255}},
        // Packed fields go to the top of the 8-bit range without repeating their bits; formats without
        // alpha, and a set 1-bit alpha, are opaque.
        {"565 white", GL_RGB, GL_UNSIGNED_SHORT_5_6_5, Bytes<uint16_t>({0xFFFF}), {248, 252, 248, 255}},
        {"565 red", GL_RGB, GL_UNSIGNED_SHORT_5_6_5, Bytes<uint16_t>({0xF800}), {248, 0, 0, 255}},
        {"565 as BGR", GL_BGR, GL_UNSIGNED_SHORT_5_6_5, Bytes<uint16_t>({0xF800}), {0, 0, 248, 255}},
        {"565 rev", GL_RGB, GL_UNSIGNED_SHORT_5_6_5_REV, Bytes<uint16_t>({0x001F}), {248, 0, 0, 255}},
        {"332", GL_RGB, GL_UNSIGNED_BYTE_3_3_2, Bytes<uint8_t>({0xA9}), {160, 64, 64, 255}},
        {"332 as BGR", GL_BGR, GL_UNSIGNED_BYTE_3_3_2, Bytes<uint8_t>({0xA9}), {64, 64, 160, 255}},
        {"233 rev", GL_RGB, GL_UNSIGNED_BYTE_2_3_3_REV, Bytes<uint8_t>({0xA9}), {32, 160, 128, 255}},
        {"4444", GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, Bytes<uint16_t>({0x1234}), {16, 32, 48, 64}},
        {"4444 as BGRA", GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4, Bytes<uint16_t>({0x1234}), {48, 32, 16, 64}},
        {"4444 rev", GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_REV, Bytes<uint16_t>({0x1234}), {64, 48, 32, 16}},
        {"5551 red opaque", GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, Bytes<uint16_t>({0xF801}), {248, 0, 0, 255}},
        {"5551 green clear", GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, Bytes<uint16_t>({0x07C0}), {0, 248, 0, 0}},
        {"5551 blue", GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, Bytes<uint16_t>({0x003E}), {0, 0, 248, 0}},
        {"1555 rev", GL_RGBA, GL_UNSIGNED_SHORT_1_5_5_5_REV, Bytes<uint16_t>({0x801F}), {248, 0, 0, 255}},
        {"1555 rev as BGRA", GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, Bytes<uint16_t>({0x7C00}), {248, 0, 0, 0}},
        {"8888 in memory order", GL_RGBA, GL_UNSIGNED_INT_8_8_8_8, Bytes<uint8_t>({1, 2, 3, 4}), {1, 2, 3, 4}},
        {"8888 as BGRA", GL_BGRA, GL_UNSIGNED_INT_8_8_8_8, Bytes<uint8_t>({1, 2, 3, 4}), {3, 2, 1, 4}},
        {"8888 rev", GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_REV, Bytes<uint8_t>({1, 2, 3, 4}), {4, 3, 2, 1}},
        // 10-bit fields are quartered; the 2-bit alpha spans 0..255.
        {"10 10 10 2", GL_RGBA, GL_UNSIGNED_INT_10_10_10_2, Bytes<uint32_t>({0xC00003FFu | (0x200u << 10)}),
         {255.75f, 128, 0, 255}},
        {"2 10 10 10 rev as BGRA", GL_BGRA, GL_UNSIGNED_INT_2_10_10_10_REV,
         Bytes<uint32_t>({0x40000004u | (0x3FFu << 20)}), {255.75f, 0, 1, 85}},
    };
    for (const TUnpackCase& c : cases) ExpectPixel(Unpack(c.Data, c.Format, c.Type, 1)[0], c.Expected, c.Name);
}

// Source pixel to destination bytes.
struct TPackCase {
    const char* Name;
    GLenum SrcFormat, SrcType;
    TBytes Src;
    GLenum DstFormat, DstType;
    TBytes Expected;
};

TEST(GLImageUtils, PackClampsAndTruncatesToTheDestinationType)
{
    const float over = 300.0f / 255.0f;
    const TPackCase cases[] = {
        {"alpha of RGB is opaque", GL_RGB, GL_UNSIGNED_BYTE, Bytes<uint8_t>({1, 2, 3}), GL_RGBA, GL_UNSIGNED_BYTE,
         Bytes<uint8_t>({1, 2, 3, 255})},
        {"float 0.5 truncates", GL_RED, GL_FLOAT, Bytes<float>({0.5f}), GL_RED, GL_UNSIGNED_BYTE,
         Bytes<uint8_t>({127})},
        {"float 2 clamps in bytes", GL_RED, GL_FLOAT, Bytes<float>({2.0f}), GL_RED, GL_UNSIGNED_BYTE,
         Bytes<uint8_t>({255})},
        {"float 2 stays in floats", GL_RED, GL_FLOAT, Bytes<float>({2.0f}), GL_RED, GL_FLOAT, Bytes<float>({2.0f})},
        {"negative float to bytes", GL_RED, GL_FLOAT, Bytes<float>({-1.0f}), GL_RED, GL_UNSIGNED_BYTE,
         Bytes<uint8_t>({0})},
        {"NaN to bytes", GL_RED, GL_FLOAT, Bytes<float>({std::numeric_limits<float>::quiet_NaN()}), GL_RED,
         GL_UNSIGNED_BYTE, Bytes<uint8_t>({0})},
        {"ubyte to ushort", GL_RED, GL_UNSIGNED_BYTE, Bytes<uint8_t>({255}), GL_RED, GL_UNSIGNED_SHORT,
         Bytes<uint16_t>({65280})},
        {"ushort to ubyte", GL_RED, GL_UNSIGNED_SHORT, Bytes<uint16_t>({0x12FF}), GL_RED, GL_UNSIGNED_BYTE,
         Bytes<uint8_t>({0x12})},
        {"signed ranges are symmetric", GL_RG, GL_BYTE, Bytes<int8_t>({-128, 127}), GL_RG, GL_SHORT,
         Bytes<int16_t>({-32767, 32512})},
        {"byte -128 to byte", GL_RED, GL_BYTE, Bytes<int8_t>({-128}), GL_RED, GL_BYTE, Bytes<int8_t>({-127})},
        {"ubyte to uint does not overflow", GL_RED, GL_UNSIGNED_BYTE, Bytes<uint8_t>({255}), GL_RED,
         GL_UNSIGNED_INT, Bytes<uint32_t>({4278190080u})},
        {"ubyte to int clamps", GL_RED, GL_UNSIGNED_BYTE, Bytes<uint8_t>({255}), GL_RED, GL_INT,
         Bytes<int32_t>({2147483647})},
        {"integer formats keep the low bits", GL_RED, GL_FLOAT, Bytes<float>({over}), GL_RED_INTEGER,
         GL_UNSIGNED_BYTE, Bytes<uint8_t>({44})},
        {"normalised formats clamp", GL_RED, GL_FLOAT, Bytes<float>({over}), GL_RED, GL_UNSIGNED_BYTE,
         Bytes<uint8_t>({255})},
        {"grey to luminance", GL_RGB, GL_UNSIGNED_BYTE, Bytes<uint8_t>({100, 100, 100}), GL_LUMINANCE,
         GL_UNSIGNED_BYTE, Bytes<uint8_t>({100})},
        {"luminance is the mean", GL_RGB, GL_UNSIGNED_BYTE, Bytes<uint8_t>({10, 20, 60}), GL_LUMINANCE_ALPHA,
         GL_UNSIGNED_BYTE, Bytes<uint8_t>({30, 255})},
        {"intensity is the mean", GL_RGBA, GL_UNSIGNED_BYTE, Bytes<uint8_t>({10, 20, 60, 0}), GL_INTENSITY,
         GL_UNSIGNED_BYTE, Bytes<uint8_t>({30})},
        {"BGR order", GL_RGBA, GL_UNSIGNED_BYTE, Bytes<uint8_t>({1, 2, 3, 4}), GL_BGR, GL_UNSIGNED_BYTE,
         Bytes<uint8_t>({3, 2, 1})},
        {"half to ubyte", GL_RG, GL_HALF_FLOAT, Bytes<uint16_t>({0x3C00, 0x3800}), GL_RG, GL_UNSIGNED_BYTE,
         Bytes<uint8_t>({255, 127})},
        {"ubyte to half", GL_RED, GL_UNSIGNED_BYTE, Bytes<uint8_t>({255}), GL_RED, GL_HALF_FLOAT,
         Bytes<uint16_t>({0x3C00})},
        {"565 to RGBA", GL_RGB, GL_UNSIGNED_SHORT_5_6_5, Bytes<uint16_t>({0xFFFF}), GL_RGBA, GL_UNSIGNED_BYTE,
         Bytes<uint8_t>({248, 252, 248, 255})},
    };
    for (const TPackCase& c : cases)
        EXPECT_EQ(Convert(c.Src, c.SrcFormat, c.SrcType, c.DstFormat, c.DstType, 1), c.Expected) << c.Name;
}

TEST(GLImageUtils, LongRowsConvertEveryPixel)
{
    // More pixels than one step of the conversion holds, and a height of 0 counting as one row.
    const int32_t width = 5003;
    TBytes bgr(width * 3);
    for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = static_cast<uint8_t>(i * 7 + i / 251);
    TBytes rgba(width * 4 + 1, 0xCD);
    ConvertImage(bgr.data(), rgba.data(), GL_BGR, GL_RGBA, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, width, 0, bgr.size(),
                 rgba.size());
    for (int32_t x = 0; x < width; ++x) {
        ASSERT_EQ(rgba[4 * x], bgr[3 * x + 2]) << x;
        ASSERT_EQ(rgba[4 * x + 1], bgr[3 * x + 1]) << x;
        ASSERT_EQ(rgba[4 * x + 2], bgr[3 * x]) << x;
        ASSERT_EQ(rgba[4 * x + 3], 255) << x;
    }
    EXPECT_EQ(rgba.back(), 0xCD);
}

TEST(GLImageUtils, ByteConversionsGiveWhatTheWorkingFormGives)
{
    // Bytes and S3TC blocks into bytes skip the working form; every pair must give the very bytes that unpacking
    // to it and packing from it give. The size spans more than one run and cuts the edge blocks.
    const int32_t width = 1030, height = 5;
    const GLenum formats[] = {GL_RED,  GL_GREEN, GL_BLUE,      GL_ALPHA,           GL_RGB,       GL_RGBA,
                              GL_BGR,  GL_BGRA,  GL_RG,        GL_LUMINANCE,       GL_LUMINANCE_ALPHA,
                              GL_INTENSITY,      GL_RGBA_INTEGER, GL_LUMINANCE_INTEGER_EXT};
    struct TSource {
        GLenum Format, Type;
    };
    std::vector<TSource> sources;
    for (GLenum format : formats) sources.push_back({format, GL_UNSIGNED_BYTE});
    for (GLenum type : {GL_COMPRESSED_RGB_S3TC_DXT1_EXT, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT,
                        GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT})
        sources.push_back({GL_RGBA, type});
    for (const TSource& source : sources) {
        TBytes src(ImageDataSize(source.Format, source.Type, width, height));
        for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
        const std::vector<TIntermediateFormat> working = Unpack(src, source.Format, source.Type, width, height);
        for (GLenum format : formats) {
            TBytes expected(ImageDataSize(format, GL_UNSIGNED_BYTE, width, height));
            PackImage(working.data(), format, GL_UNSIGNED_BYTE, width, height, expected.data(), expected.size());
            ASSERT_EQ(Convert(src, source.Format, source.Type, format, GL_UNSIGNED_BYTE, width, height), expected)
                << std::hex << source.Format << " " << source.Type << " to " << format;
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Compressed blocks, built by hand.

// An S3TC colour block: two 565 endpoints and the 2-bit index of each of the 16 texels (row by row).
TBytes ColorBlock(uint16_t c0, uint16_t c1, std::initializer_list<int> AIndices)
{
    uint32_t word = 0;
    int i = 0;
    for (int index : AIndices) word |= static_cast<uint32_t>(index) << (2 * i++);
    TBytes out = Bytes<uint16_t>({c0, c1});
    const TBytes bits = Bytes<uint32_t>({word});
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

// Two endpoints and the 3-bit index of each texel: DXT5 alpha, LATC and RGTC channels.
TBytes ChannelBlock(uint8_t e0, uint8_t e1, std::initializer_list<int> AIndices)
{
    uint64_t bits = 0;
    int i = 0;
    for (int index : AIndices) bits |= static_cast<uint64_t>(index) << (3 * i++);
    TBytes out{e0, e1};
    for (int k = 0; k < 6; ++k) out.push_back(static_cast<uint8_t>(bits >> (8 * k)));
    return out;
}

TBytes Join(TBytes a, const TBytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::initializer_list<int> cFirstFour = {0, 1, 2, 3};
const std::initializer_list<int> cEightValues = {0, 1, 2, 3, 4, 5, 6, 7};

void ExpectTexels(const std::vector<TIntermediateFormat>& AActual, std::initializer_list<TIntermediateFormat> AExpected,
                  const std::string& AWhat)
{
    int i = 0;
    for (const TIntermediateFormat& e : AExpected) {
        ExpectPixel(AActual[i], e, AWhat + ", texel " + std::to_string(i));
        ++i;
    }
}

TEST(GLImageUtils, DXT1DecodesBothPaletteModes)
{
    // Four colours when c0 > c1, the middle entries rounded thirds.
    const TBytes four = ColorBlock(0xF800, 0x001F, cFirstFour);
    ExpectTexels(Unpack(four, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 4, 4),
                 {{248, 0, 0, 255}, {0, 0, 248, 255}, {165, 0, 83, 255}, {83, 0, 165, 255}, {248, 0, 0, 255}},
                 "four colours");
    // Three colours and transparency when c0 <= c1: the last entry keeps its colour.
    const TBytes three = ColorBlock(0x001F, 0xF800, cFirstFour);
    ExpectTexels(Unpack(three, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 4, 4),
                 {{0, 0, 248, 255}, {248, 0, 0, 255}, {124, 0, 124, 255}, {165, 0, 83, 0}}, "three colours");
    // The RGB form has no alpha: the same block stays opaque.
    ExpectTexels(Unpack(three, GL_RGB, GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 4, 4),
                 {{0, 0, 248, 255}, {248, 0, 0, 255}, {124, 0, 124, 255}, {165, 0, 83, 255}}, "RGB form");
    // Equal endpoints are three-colour mode too.
    ExpectTexels(Unpack(ColorBlock(0x07E0, 0x07E0, cFirstFour), GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 4, 4),
                 {{0, 252, 0, 255}, {0, 252, 0, 255}, {0, 252, 0, 255}, {0, 252, 0, 0}}, "equal endpoints");
}

TEST(GLImageUtils, DXT3AndDXT5TakeTheirAlphaFromTheAlphaPart)
{
    // DXT3: a 4-bit alpha per texel times 17; the colour part always has four colours.
    const TBytes dxt3 =
        Join(Bytes<uint16_t>({0x3210, 0, 0, 0xFFFF}), ColorBlock(0x001F, 0xF800, {0, 1, 2, 3}));
    const auto texels3 = Unpack(dxt3, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 4, 4);
    ExpectTexels(texels3, {{0, 0, 248, 0}, {248, 0, 0, 17}, {83, 0, 165, 34}, {165, 0, 83, 51}}, "DXT3");
    EXPECT_EQ(texels3[15].A, 255);

    // DXT5: eight interpolated alphas with a rounding term, or six and the two ends.
    const TBytes colors = ColorBlock(0xFFFF, 0, {});
    const auto eight = Unpack(Join(ChannelBlock(255, 0, cEightValues), colors), GL_RGBA,
                              GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 4, 4);
    const auto six = Unpack(Join(ChannelBlock(0, 255, cEightValues), colors), GL_RGBA,
                            GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 4, 4);
    const float eightAlphas[] = {255, 0, 219, 182, 146, 109, 73, 36};
    const float sixAlphas[] = {0, 255, 51, 102, 153, 204, 0, 255};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(eight[i].A, eightAlphas[i]) << i;
        EXPECT_EQ(six[i].A, sixAlphas[i]) << i;
    }
    ExpectPixel(eight[0], {248, 252, 248, 255}, "DXT5 colour");
}

TEST(GLImageUtils, SingleChannelBlocksUseThePaletteWithoutRounding)
{
    const GLenum latc1 = GL_COMPRESSED_LUMINANCE_LATC1_EXT;
    const auto eight = Unpack(ChannelBlock(255, 0, cEightValues), GL_LUMINANCE, latc1, 4, 4);
    const auto six = Unpack(ChannelBlock(0, 255, cEightValues), GL_LUMINANCE, latc1, 4, 4);
    const float eightValues[] = {255, 0, 218, 182, 145, 109, 72, 36};
    const float sixValues[] = {0, 255, 51, 102, 153, 204, 0, 255};
    for (int i = 0; i < 8; ++i) {
        ExpectPixel(eight[i], {eightValues[i], eightValues[i], eightValues[i], 255}, "LATC1 eight");
        ExpectPixel(six[i], {sixValues[i], sixValues[i], sixValues[i], 255}, "LATC1 six");
    }

    // Signed endpoints compare with their signs, divisions truncate toward zero, values double, alpha is 127.
    const TBytes signedEight = ChannelBlock(0x7F, 0x81, {0, 1, 2, 7}); // 127, -127
    const TBytes signedSix = ChannelBlock(0x81, 0x7F, {2, 6, 7});      // -127, 127
    ExpectTexels(Unpack(signedEight, GL_RED, GL_COMPRESSED_SIGNED_RED_RGTC1, 4, 4),
                 {{254, 0, 0, 127}, {-254, 0, 0, 127}, {180, 0, 0, 127}, {-180, 0, 0, 127}}, "signed RGTC1");
    ExpectTexels(Unpack(signedSix, GL_LUMINANCE, GL_COMPRESSED_SIGNED_LUMINANCE_LATC1_EXT, 4, 4),
                 {{-152, -152, -152, 127}, {-254, -254, -254, 127}, {254, 254, 254, 127}}, "signed LATC1");

    // Two channels: the second block gives green (RGTC2) or alpha (LATC2).
    const TBytes two = Join(ChannelBlock(200, 100, {0, 1}), ChannelBlock(10, 20, {1, 0}));
    ExpectTexels(Unpack(two, GL_RG, GL_COMPRESSED_RG_RGTC2, 4, 4), {{200, 20, 0, 255}, {100, 10, 0, 255}}, "RGTC2");
    ExpectTexels(Unpack(two, GL_LUMINANCE_ALPHA, GL_COMPRESSED_LUMINANCE_ALPHA_LATC2_EXT, 4, 4),
                 {{200, 200, 200, 20}, {100, 100, 100, 10}}, "LATC2");
    ExpectTexels(Unpack(two, GL_RG, GL_COMPRESSED_SIGNED_RG_RGTC2, 4, 4), {{-112, 40, 0, 127}}, "signed RGTC2");
    ExpectTexels(Unpack(two, GL_LUMINANCE_ALPHA, GL_COMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2_EXT, 4, 4),
                 {{-112, -112, -112, 40}}, "signed LATC2");
    ExpectTexels(Unpack(two, GL_RED, GL_COMPRESSED_RED_RGTC1, 4, 4), {{200, 0, 0, 255}, {100, 0, 0, 255}}, "RGTC1");
}

TEST(GLImageUtils, BlocksCoverTheImageAndDropTexelsOutsideIt)
{
    // A 6 x 6 image is 2 x 2 blocks, each a solid colour (index 0 everywhere).
    const uint16_t colors[] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    TBytes data;
    for (uint16_t c : colors) data = Join(data, ColorBlock(c, 0, {}));
    const TBytes rgba = Convert(data, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, GL_RGBA, GL_UNSIGNED_BYTE, 6, 6);
    ASSERT_EQ(rgba.size(), 6u * 6 * 4);
    const uint8_t expected[4][3] = {{248, 0, 0}, {0, 252, 0}, {0, 0, 248}, {248, 252, 248}};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const uint8_t* p = &rgba[(y * 6 + x) * 4];
            const uint8_t* e = expected[(y / 4) * 2 + x / 4];
            EXPECT_TRUE(p[0] == e[0] && p[1] == e[1] && p[2] == e[2] && p[3] == 255) << x << ", " << y;
        }

    // 1 x 1 and 2 x 2 images take the top-left texels of their one block.
    const TBytes block = ColorBlock(0xF800, 0x001F, {0, 1, 3, 3, 2, 3, 3, 3});
    EXPECT_EQ(Convert(block, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, GL_RGB, GL_UNSIGNED_BYTE, 1, 1),
              TBytes({248, 0, 0}));
    EXPECT_EQ(Convert(block, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, GL_RGB, GL_UNSIGNED_BYTE, 2, 2),
              TBytes({248, 0, 0, 0, 0, 248, 165, 0, 83, 83, 0, 165}));
}

// ---------------------------------------------------------------------------------------------------------

TEST(GLImageUtils, RefusesWhatItCannotConvert)
{
    const TBytes pixels(64, 0);
    TBytes out(64, 0xCD);
    auto convert = [&](GLenum srcFormat, GLenum srcType, GLenum dstFormat, GLenum dstType) {
        return MessageOf<EGLImageUtils>([&] {
            ConvertImage(pixels.data(), out.data(), srcFormat, dstFormat, srcType, dstType, 2, 2, pixels.size(),
                         out.size());
        });
    };
    const std::string unimplemented = "Unimplemented type of conversion", invalid = "Invalid data type";
    EXPECT_EQ(convert(GL_RGBA, GL_UNSIGNED_BYTE, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT), unimplemented);
    EXPECT_EQ(convert(GL_RGBA, GL_UNSIGNED_BYTE, GL_RGB, GL_UNSIGNED_SHORT_5_6_5), unimplemented);
    EXPECT_EQ(convert(GL_RGBA, GL_COMPRESSED_SRGB_S3TC_DXT1_EXT, GL_RGBA, GL_UNSIGNED_BYTE), unimplemented);
    EXPECT_EQ(convert(GL_RGBA, 0x8837, GL_RGBA, GL_UNSIGNED_BYTE), unimplemented); // the 3DC format
    EXPECT_EQ(convert(GL_RGBA, 0x1234, GL_RGBA, GL_UNSIGNED_BYTE), unimplemented);
    EXPECT_EQ(convert(GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, GL_RGBA, GL_UNSIGNED_BYTE), invalid);
    EXPECT_EQ(convert(GL_RGBA, GL_UNSIGNED_BYTE, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE), invalid);
    EXPECT_EQ(convert(GL_RGBA, GL_UNSIGNED_SHORT_5_6_5, GL_RGBA, GL_UNSIGNED_BYTE), invalid);
    EXPECT_EQ(convert(GL_RGB_INTEGER, GL_UNSIGNED_BYTE_3_3_2, GL_RGBA, GL_UNSIGNED_BYTE), invalid);
    EXPECT_EQ(convert(0, GL_UNSIGNED_BYTE, GL_RGBA, GL_UNSIGNED_BYTE), invalid);
    // The source's faults come first.
    EXPECT_EQ(convert(GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT), invalid);
    EXPECT_EQ(out, TBytes(64, 0xCD));
}

TEST(GLImageUtils, ShortBuffersAreRefusedBeforeAnythingIsWritten)
{
    const TBytes rgb(3 * 4 * 4, 100);
    TBytes rgba(4 * 4 * 4, 0xCD);
    EXPECT_EQ(MessageOf<EGLImageUtils>([&] {
                  ConvertImage(rgb.data(), rgba.data(), GL_RGB, GL_RGBA, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, 4, 4,
                               rgb.size() - 1, rgba.size());
              }),
              "Source buffer holds 47 bytes, 48 needed");
    EXPECT_EQ(MessageOf<EGLImageUtils>([&] {
                  ConvertImage(rgb.data(), rgba.data(), GL_RGB, GL_RGBA, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, 4, 4,
                               rgb.size(), rgba.size() - 1);
              }),
              "Destination buffer holds 63 bytes, 64 needed");
    EXPECT_EQ(rgba, TBytes(64, 0xCD));

    // Compressed data counts whole blocks: a 5 x 5 DXT5 image is four blocks.
    const TBytes blocks(63, 0);
    EXPECT_EQ(MessageOf<EGLImageUtils>([&] {
                  ConvertImage(blocks.data(), rgba.data(), GL_RGBA, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT,
                               GL_UNSIGNED_BYTE, 5, 5, blocks.size(), rgba.size());
              }),
              "Source buffer holds 63 bytes, 64 needed");
    EXPECT_EQ(ImageDataSize(GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 5, 5), 32u);
    // A size whose byte count would overflow is refused.
    EXPECT_NE(MessageOf<EGLImageUtils>([] { ImageDataSize(GL_RGBA, GL_FLOAT, 0x7FFFFFFF, 0x7FFFFFFF); }), cNoException);
}

TEST(GLImageUtils, WidthBelowOneTouchesNothing)
{
    ConvertImage(nullptr, nullptr, GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, 0, 5, 0, 0);
    ConvertImage(nullptr, nullptr, GL_RGBA, GL_RGBA, 0x1234, 0x1234, -1, 5, 0, 0);
    EXPECT_EQ(ImageDataSize(GL_RGBA, GL_UNSIGNED_BYTE, 0, 5), 0u);
}

} // namespace
