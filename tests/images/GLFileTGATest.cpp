#include "GLFileTGA.h"
#include "ImageTestUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Run-length packets: runs of 2 or more equal pixels as run packets, everything else as raw packets.
TBytes EncodeRLE(const TBytes& pixels, size_t pixelBytes)
{
    const size_t count = pixels.size() / pixelBytes;
    auto same = [&](size_t a, size_t b) {
        return std::memcmp(&pixels[a * pixelBytes], &pixels[b * pixelBytes], pixelBytes) == 0;
    };
    TBytes out;
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run)) ++run;
        if (run > 1) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), &pixels[i * pixelBytes], &pixels[(i + 1) * pixelBytes]);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1))) ++raw;
        out.push_back(static_cast<uint8_t>(raw - 1));
        out.insert(out.end(), &pixels[i * pixelBytes], &pixels[(i + raw) * pixelBytes]);
        i += raw;
    }
    return out;
}

// A TGA file of the picture (bottom row first), stored with the given type, depth and descriptor.
TBytes MakeTga(uint16_t w, uint16_t h, uint8_t type, uint8_t depth, uint8_t descriptor, const TBytes& bottomUp,
               const std::string& id = "")
{
    const size_t pixelBytes = depth / 8, rowBytes = w * pixelBytes;
    TBytes file(18, 0);
    file[0] = static_cast<uint8_t>(id.size());
    file[2] = type;
    file[12] = static_cast<uint8_t>(w);
    file[13] = static_cast<uint8_t>(w >> 8);
    file[14] = static_cast<uint8_t>(h);
    file[15] = static_cast<uint8_t>(h >> 8);
    file[16] = depth;
    file[17] = descriptor;
    file.insert(file.end(), id.begin(), id.end());
    TBytes ordered;
    for (size_t r = 0; r < h; ++r) {
        const size_t source = (descriptor & 0x20) ? h - 1 - r : r;
        ordered.insert(ordered.end(), bottomUp.begin() + source * rowBytes, bottomUp.begin() + (source + 1) * rowBytes);
    }
    const TBytes data = (type == 10 || type == 11) ? EncodeRLE(ordered, pixelBytes) : ordered;
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

// A 5 x 3 picture whose rows differ and which has runs for the encoder (three equal pixels on each row).
TBytes Picture(size_t pixelBytes)
{
    TBytes pixels;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (size_t c = 0; c < pixelBytes; ++c)
                pixels.push_back(static_cast<uint8_t>(x < 3 ? 0x10 * y + c : 0x40 + 0x10 * y + x + c));
    return pixels;
}

} // namespace

TEST(GLFileTGA, EveryDepthOriginAndEncodingLoadsTheSamePicture)
{
    struct TCase {
        uint8_t rawType, depth;
        GLenum colorFormat;
        TGLInternalFormat internalFormat;
        GLenum dataType;
    };
    const TCase cases[] = {
        {3, 8, GL_LUMINANCE, tfLUMINANCE8, GL_UNSIGNED_BYTE},
        {2, 16, GL_BGRA, tfRGB5_A1, GL_UNSIGNED_SHORT_1_5_5_5_REV},
        {2, 24, GL_BGR, tfRGB8, GL_UNSIGNED_BYTE},
        {2, 32, GL_BGRA, tfRGBA8, GL_UNSIGNED_BYTE},
    };
    for (const TCase& c : cases)
        for (bool rle : {false, true})
            for (uint8_t descriptor : {uint8_t(0x00), uint8_t(0x20)}) {
                SCOPED_TRACE(testing::Message() << "depth " << int(c.depth) << " rle " << rle << " descriptor "
                                                << int(descriptor));
                // 16-bit pixels say their alpha bit counts; the top bits of the picture are mixed.
                const uint8_t alphaBits = c.depth == 16 ? 1 : 0;
                const TBytes picture = Picture(c.depth / 8);
                TGLTGAImage image;
                LoadFromBytes(image, MakeTga(5, 3, c.rawType + (rle ? 8 : 0), c.depth, descriptor | alphaBits,
                                             picture, "id"));
                EXPECT_EQ(image.Width(), 5);
                EXPECT_EQ(image.Height(), 3);
                EXPECT_EQ(image.ColorFormat(), c.colorFormat);
                EXPECT_EQ(image.InternalFormat(), c.internalFormat);
                EXPECT_EQ(image.DataType(), c.dataType);
                EXPECT_EQ(image.ElementSize(), c.depth / 8);
                const TBytes loaded = LevelBytes(image);
                EXPECT_EQ(TBytes(loaded.begin(), loaded.begin() + picture.size()), picture);
            }
}

TEST(GLFileTGA, SixteenBitPixelsWithoutAlphaBitsAreOpaque)
{
    const TBytes picture = {0x1F, 0x00, 0xE0, 0x03}; // blue and green, top bits clear
    TGLTGAImage image;
    LoadFromBytes(image, MakeTga(2, 1, 2, 16, 0, picture));
    EXPECT_EQ(LevelBytes(image)[1], 0x80);
    EXPECT_EQ(LevelBytes(image)[3], 0x83);
}

TEST(GLFileTGA, RunLengthPacketsRepeatOrCopyAndStopAtTheImageEnd)
{
    // 0x83: one pixel four times; 0x02: three literal pixels.
    TBytes file = MakeTga(7, 1, 10, 24, 0, TBytes(21, 0));
    file.resize(18);
    const TBytes packets = {0x83, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    file.insert(file.end(), packets.begin(), packets.end());
    TGLTGAImage image;
    LoadFromBytes(image, file);
    const TBytes expected = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const TBytes loaded = LevelBytes(image);
    EXPECT_EQ(TBytes(loaded.begin(), loaded.begin() + 21), expected);

    // A run of 16 pixels and a raw packet of 3 in an image of 2 pixels: both are cut at the end.
    const struct {
        TBytes packets, pixels;
    } overruns[] = {{{0x8F, 1, 2, 3}, {1, 2, 3, 1, 2, 3}},
                    {{0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6}}};
    for (const auto& overrun : overruns) {
        TBytes small = MakeTga(2, 1, 10, 24, 0, TBytes(6, 0));
        small.resize(18);
        small.insert(small.end(), overrun.packets.begin(), overrun.packets.end());
        TGLTGAImage clipped;
        LoadFromBytes(clipped, small);
        const TBytes pixels = LevelBytes(clipped);
        EXPECT_EQ(TBytes(pixels.begin(), pixels.begin() + 6), overrun.pixels);
    }
}

TEST(GLFileTGA, RefusedFilesNameWhy)
{
    const TBytes pixels(5 * 3 * 3, 7);
    TBytes colorMapped = MakeTga(5, 3, 2, 24, 0, pixels);
    colorMapped[1] = 1;
    TBytes huge = MakeTga(5, 3, 2, 32, 0, TBytes(60, 0));
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    EXPECT_EQ(LoadError<TGLTGAImage>(colorMapped), "ColorMapped TGA unsupported");
    EXPECT_EQ(LoadError<TGLTGAImage>(MakeTga(5, 3, 3, 24, 0, pixels)), "Unsupported TGA ImageType 3");
    EXPECT_EQ(LoadError<TGLTGAImage>(MakeTga(5, 3, 1, 24, 0, pixels)), "Unsupported TGA ImageType 1");
    EXPECT_EQ(LoadError<TGLTGAImage>(MakeTga(5, 3, 2, 8, 0, TBytes(15, 0))), "Unsupported TGA ImageType");
    EXPECT_EQ(LoadError<TGLTGAImage>(MakeTga(5, 3, 2, 15, 0, TBytes(15, 0))), "Unsupported TGA ImageType");
    EXPECT_EQ(LoadError<TGLTGAImage>(huge), "TGA image too large");
}

TEST(GLFileTGA, EveryTruncationRaises)
{
    for (uint8_t type : {uint8_t(2), uint8_t(10)}) {
        const TBytes file = MakeTga(5, 3, type, 32, 0x20, Picture(4));
        EXPECT_EQ(LoadError<TGLTGAImage>(file), cNoException);
        for (size_t length = 0; length < file.size(); ++length)
            EXPECT_NE(LoadError<TGLTGAImage>(TBytes(file.begin(), file.begin() + length)), cNoException) << length;
    }
}
