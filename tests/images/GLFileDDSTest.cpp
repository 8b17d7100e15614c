#include "DXTC.h"
#include "GLFileDDS.h"
#include "ImageTestUtils.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

namespace {

struct TDdsLayout {
    uint32_t width, height;
    uint32_t mips = 0; // 0: no mip-map count
    uint32_t pfFlags = DDPF_FOURCC;
    uint32_t fourCC = 0;
    uint32_t bits = 0, r = 0, g = 0, b = 0, a = 0;
    uint32_t caps2 = 0;
    uint32_t depth = 0;
};

TBytes MakeDds(const TDdsLayout& layout, const TBytes& data)
{
    TDDSHeader header{};
    header.Magic = FOURCC_DDS;
    TDDSurfaceDesc2& desc = header.SurfaceFormat;
    desc.dwSize = 124;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | (layout.mips ? DDSD_MIPMAPCOUNT : 0);
    desc.dwWidth = layout.width;
    desc.dwHeight = layout.height;
    desc.dwDepth = layout.depth;
    desc.dwMipMapCount = layout.mips;
    desc.ddpfPixelFormat = {32, layout.pfFlags, layout.fourCC, layout.bits, layout.r, layout.g, layout.b, layout.a};
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    desc.ddsCaps.dwCaps2 = layout.caps2;
    TBytes file(sizeof(header));
    std::memcpy(file.data(), &header, sizeof(header));
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

TBytes Sequence(size_t count, uint8_t start = 1)
{
    TBytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

TBytes Saved(TGLDDSImage& image)
{
    TMemoryStream stream;
    image.SaveToStream(stream);
    return BytesOf(stream);
}

const TDdsLayout cL8{.width = 8, .height = 2, .pfFlags = DDPF_LUMINANCE, .bits = 8, .r = 0xFF};
const TDdsLayout cBGRA{.width = 4, .height = 3, .pfFlags = 0x41, .bits = 32, .r = 0xFF0000, .g = 0xFF00, .b = 0xFF,
                     .a = 0xFF000000};

} // namespace

TEST(GLFileDDS, DXT1MipChainHasUnpaddedBlockSizes)
{
    const TBytes data(32768 + 8192 + 2048 + 512 + 128 + 32 + 8 + 8 + 8, 0x55);
    TGLDDSImage image;
    LoadFromBytes(image, MakeDds({.width = 256, .height = 256, .mips = 9, .fourCC = MakeFourCC('D', 'X', 'T', '1')}, data));
    ASSERT_EQ(image.LevelCount(), 9);
    const size_t expected[9] = {32768, 8192, 2048, 512, 128, 32, 8, 8, 8};
    for (int level = 0; level < 9; ++level) EXPECT_EQ(image.LevelSizeInByte(level), expected[level]) << level;
    EXPECT_EQ(image.InternalFormat(), tfCOMPRESSED_RGBA_S3TC_DXT1);
    EXPECT_EQ(image.ElementSize(), 8);
}

TEST(GLFileDDS, PixelFormatsFromFourCCAndMasks)
{
    struct TCase {
        TDdsLayout layout;
        GLenum colorFormat;
        TGLInternalFormat internalFormat;
        GLenum dataType;
        int32_t elementSize;
    };
    auto fourCC = [](uint32_t code) { return TDdsLayout{.width = 4, .height = 4, .fourCC = code}; };
    const TCase cases[] = {
        {fourCC(MakeFourCC('D', 'X', 'T', '1')), GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, tfCOMPRESSED_RGBA_S3TC_DXT1,
         GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 8},
        {fourCC(MakeFourCC('D', 'X', 'T', '3')), GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, tfCOMPRESSED_RGBA_S3TC_DXT3,
         GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 16},
        {fourCC(MakeFourCC('D', 'X', 'T', '4')), GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, tfCOMPRESSED_RGBA_S3TC_DXT5,
         GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 16},
        {fourCC(MakeFourCC('A', 'T', 'I', '1')), GL_COMPRESSED_RED_RGTC1, tfCOMPRESSED_RED_RGTC1,
         GL_COMPRESSED_RED_RGTC1, 8},
        {fourCC(MakeFourCC('A', 'T', 'I', '2')), GL_COMPRESSED_RG_RGTC2, tfCOMPRESSED_RG_RGTC2,
         GL_COMPRESSED_RG_RGTC2, 16},
        {fourCC(113), GL_RGBA, tfRGBA_FLOAT16, GL_HALF_FLOAT, 8},
        {fourCC(116), GL_RGBA, tfRGBA_FLOAT32, GL_FLOAT, 16},
        {fourCC(22), GL_BGRA, tfRGB8, GL_UNSIGNED_INT_8_8_8_8, 4},
        {cBGRA, GL_BGRA, tfRGBA8, GL_UNSIGNED_BYTE, 4},
        {{.width = 4, .height = 4, .pfFlags = 0x40, .bits = 32, .r = 0xFF0000, .g = 0xFF00, .b = 0xFF}, GL_BGRA,
         tfRGB8, GL_UNSIGNED_INT_8_8_8_8, 4},
        {{.width = 4, .height = 4, .pfFlags = 0x40, .bits = 16, .r = 0xF800, .g = 0x7E0, .b = 0x1F}, GL_RGB, tfRGB5,
         GL_UNSIGNED_SHORT_5_6_5, 2},
        {cL8, GL_LUMINANCE, tfLUMINANCE8, GL_UNSIGNED_BYTE, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.layout.fourCC);
        TGLDDSImage image;
        LoadFromBytes(image, MakeDds(c.layout, TBytes(4096, 0)));
        EXPECT_EQ(image.ColorFormat(), c.colorFormat);
        EXPECT_EQ(image.InternalFormat(), c.internalFormat);
        EXPECT_EQ(image.DataType(), c.dataType);
        EXPECT_EQ(image.ElementSize(), c.elementSize);
    }
}

TEST(GLFileDDS, RefusedFilesNameWhy)
{
    const TBytes data(4096, 0);
    TDdsLayout dx10{.width = 4, .height = 4, .fourCC = FOURCC_DX10};
    TDdsLayout cube{.width = 8, .height = 8, .pfFlags = 0x41, .bits = 32, .r = 0xFF0000, .g = 0xFF00, .b = 0xFF,
                  .a = 0xFF000000, .caps2 = DDSCAPS2_CUBEMAP | (DDSCAPS2_CUBEMAP_ALLFACES & ~0x2000u)};
    TDdsLayout wideCube = cube;
    wideCube.caps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
    wideCube.width = 16;
    TDdsLayout noMatch = cBGRA;
    noMatch.g = 0xFF0000;
    TDdsLayout manyMips = cBGRA;
    manyMips.mips = 40;
    TBytes badMagic = MakeDds(cBGRA, data);
    badMagic[0] = 'X';
    EXPECT_EQ(LoadError<TGLDDSImage>(badMagic), "Invalid DDS file");
    EXPECT_EQ(LoadError<TGLDDSImage>(MakeDds({.width = 4, .height = 4, .fourCC = 24}, data)), "DDS errorneus format");
    EXPECT_EQ(LoadError<TGLDDSImage>(MakeDds(noMatch, data)), "DDS errorneus format");
    EXPECT_EQ(LoadError<TGLDDSImage>(MakeDds({.width = 4, .height = 4, .pfFlags = 0x40, .bits = 12}, data)),
              "DDS errorneus format");
    EXPECT_EQ(LoadError<TGLDDSImage>(MakeDds(dx10, data)), "DXGI images not supported.");
    EXPECT_EQ(LoadError<TGLDDSImage>(MakeDds(cube, data)), "Invalid cubemap");
    EXPECT_EQ(LoadError<TGLDDSImage>(MakeDds(wideCube, data)), "Invalid cubemap");
    EXPECT_EQ(LoadError<TGLDDSImage>(MakeDds(manyMips, data)), "Invalid DDS file");
    const TDdsLayout wide{.width = 70000, .height = 4, .fourCC = MakeFourCC('D', 'X', 'T', '1')};
    EXPECT_EQ(LoadError<TGLDDSImage>(MakeDds(wide, data)), "Invalid DDS file");
}

TEST(GLFileDDS, EveryTruncationRaises)
{
    TDdsLayout layout = cBGRA;
    layout.mips = 3;
    const TBytes file = MakeDds(layout, Sequence(4 * 3 * 4 + 2 * 1 * 4 + 4));
    EXPECT_EQ(LoadError<TGLDDSImage>(file), cNoException);
    for (size_t length = 0; length < file.size(); ++length)
        EXPECT_NE(LoadError<TGLDDSImage>(TBytes(file.begin(), file.begin() + length)), cNoException) << length;
}

TEST(GLFileDDS, UncompressedLevelsAreUnpaddedAndFlippedRowByRow)
{
    // 8 x 2, 4 x 1, 2 x 1, 1 x 1 grey levels: 16 + 4 + 2 + 1 bytes, none a multiple of 4 after the first.
    TDdsLayout layout = cL8;
    layout.mips = 4;
    TGLDDSImage image;
    LoadFromBytes(image, MakeDds(layout, Sequence(23)));
    ASSERT_EQ(image.LevelCount(), 4);
    TBytes level0 = Sequence(8, 9);
    const TBytes top = Sequence(8, 1);
    level0.insert(level0.end(), top.begin(), top.end());
    EXPECT_EQ(LevelBytes(image, 0), level0);
    EXPECT_EQ(TBytes(image.GetLevelAddress(1), image.GetLevelAddress(1) + 4), Sequence(4, 17));
    EXPECT_EQ(TBytes(image.GetLevelAddress(2), image.GetLevelAddress(2) + 2), Sequence(2, 21));
    EXPECT_EQ(image.GetLevelAddress(3)[0], 23);

    // Five rows: 0 and 4, 1 and 3 change places, 2 stays.
    TGLDDSImage tall;
    LoadFromBytes(tall, MakeDds({.width = 1, .height = 5, .pfFlags = DDPF_LUMINANCE, .bits = 8, .r = 0xFF},
                                {10, 11, 12, 13, 14}));
    EXPECT_EQ(TBytes(tall.GetLevelAddress(0), tall.GetLevelAddress(0) + 5), (TBytes{14, 13, 12, 11, 10}));
}

TEST(GLFileDDS, DXTBlockFlips)
{
    // DXT1: the four index bytes reverse.
    TBytes dxt1 = {1, 2, 3, 4, 0xA, 0xB, 0xC, 0xD};
    FlipDXT1Blocks(dxt1.data(), 1);
    EXPECT_EQ(dxt1, (TBytes{1, 2, 3, 4, 0xD, 0xC, 0xB, 0xA}));
    // DXT3: the four alpha words reverse, and the colour indices.
    TBytes dxt3 = {0x10, 0x11, 0x20, 0x21, 0x30, 0x31, 0x40, 0x41, 1, 2, 3, 4, 0xA, 0xB, 0xC, 0xD};
    FlipDXT3Blocks(dxt3.data(), 1);
    EXPECT_EQ(dxt3, (TBytes{0x40, 0x41, 0x30, 0x31, 0x20, 0x21, 0x10, 0x11, 1, 2, 3, 4, 0xD, 0xC, 0xB, 0xA}));
    // DXT5: four 12-bit rows of alpha indices reverse, each keeping its pixel order.
    const uint64_t rows = 0x123 | uint64_t(0x456) << 12 | uint64_t(0x789) << 24 | uint64_t(0xABC) << 36;
    TBytes dxt5 = {0xFF, 0x00, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 0xA, 0xB, 0xC, 0xD};
    for (int i = 0; i < 6; ++i) dxt5[2 + i] = static_cast<uint8_t>(rows >> (8 * i));
    FlipDXT5Blocks(dxt5.data(), 1);
    uint64_t flipped = 0;
    for (int i = 0; i < 6; ++i) flipped |= uint64_t(dxt5[2 + i]) << (8 * i);
    EXPECT_EQ(flipped, 0xABC | uint64_t(0x789) << 12 | uint64_t(0x456) << 24 | uint64_t(0x123) << 36);
    EXPECT_EQ(TBytes(dxt5.begin() + 12, dxt5.end()), (TBytes{0xD, 0xC, 0xB, 0xA}));
}

TEST(GLFileDDS, LevelsLowerThanABlockFlipOnlyTheirOwnRows)
{
    // 4 x 4, 2 x 2 and 1 x 1 DXT1 levels: the full block reverses, the 2 x 2 one swaps its two rows, the
    // 1 x 1 one stays.
    const TBytes block = {1, 2, 3, 4, 0xA, 0xB, 0xC, 0xD};
    TBytes data;
    for (int i = 0; i < 3; ++i) data.insert(data.end(), block.begin(), block.end());
    TGLDDSImage image;
    LoadFromBytes(image, MakeDds({.width = 4, .height = 4, .mips = 3, .fourCC = MakeFourCC('D', 'X', 'T', '1')}, data));
    EXPECT_EQ(TBytes(image.GetLevelAddress(0) + 4, image.GetLevelAddress(0) + 8), (TBytes{0xD, 0xC, 0xB, 0xA}));
    EXPECT_EQ(TBytes(image.GetLevelAddress(1) + 4, image.GetLevelAddress(1) + 8), (TBytes{0xB, 0xA, 0xC, 0xD}));
    EXPECT_EQ(TBytes(image.GetLevelAddress(2) + 4, image.GetLevelAddress(2) + 8), (TBytes{0xA, 0xB, 0xC, 0xD}));
    // Writing flips back: the file's data comes out as it went in.
    const TBytes saved = Saved(image);
    EXPECT_EQ(TBytes(saved.begin() + 128, saved.end()), data);
}

TEST(GLFileDDS, SaveThenLoadKeepsEveryLevel)
{
    TDdsLayout dxt5{.width = 8, .height = 12, .mips = 4, .fourCC = MakeFourCC('D', 'X', 'T', '5')};
    TDdsLayout bgra = cBGRA;
    bgra.mips = 3;
    TDdsLayout volume{.width = 4, .height = 2, .mips = 2, .pfFlags = DDPF_LUMINANCE, .bits = 8, .r = 0xFF,
                    .caps2 = DDSCAPS2_VOLUME, .depth = 2};
    TDdsLayout cube = cBGRA;
    cube.width = cube.height = 4;
    cube.mips = 3;
    cube.caps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
    TDdsLayout volumeCube = volume; // cube and volume marks both set: six faces of two slices each
    volumeCube.width = volumeCube.height = 2;
    volumeCube.mips = 0;
    volumeCube.caps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES | DDSCAPS2_VOLUME;
    const TDdsLayout halfFloats{.width = 2, .height = 2, .fourCC = 113};
    const struct {
        TDdsLayout layout;
        size_t dataBytes;
    } cases[] = {{dxt5, 6 * 16 + 2 * 16 + 16 + 16}, {bgra, 48 + 8 + 4},     {volume, 16 + 2},
                 {cube, 6 * (64 + 16 + 4)},             {halfFloats, 2 * 2 * 8}, {volumeCube, 6 * 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataBytes);
        const TBytes data = Sequence(c.dataBytes, 0);
        TGLDDSImage image;
        LoadFromBytes(image, MakeDds(c.layout, data));
        const TBytes saved = Saved(image);
        EXPECT_EQ(TBytes(saved.begin() + 128, saved.end()), data);
        TGLDDSImage again;
        LoadFromBytes(again, saved);
        EXPECT_EQ(again.LevelCount(), image.LevelCount());
        EXPECT_EQ(again.InternalFormat(), image.InternalFormat());
        EXPECT_EQ(again.CubeMap(), image.CubeMap());
        EXPECT_EQ(again.Depth(), image.Depth());
        for (int level = 0; level < image.LevelCount(); ++level) EXPECT_EQ(LevelBytes(again, level), LevelBytes(image, level));
    }
}

TEST(GLFileDDS, CubeFacesAreReadFaceAfterFaceAndNotFlipped)
{
    TDdsLayout cube = cBGRA;
    cube.width = cube.height = 2;
    cube.mips = 2;
    cube.caps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
    // Each face: 16 bytes of level 0, then 4 bytes of level 1.
    TGLDDSImage image;
    LoadFromBytes(image, MakeDds(cube, Sequence(6 * 20, 0)));
    ASSERT_TRUE(image.CubeMap());
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(TBytes(image.GetLevelAddress(0, face), image.GetLevelAddress(0, face) + 16), Sequence(16, face * 20));
        EXPECT_EQ(TBytes(image.GetLevelAddress(1, face), image.GetLevelAddress(1, face) + 4),
                  Sequence(4, face * 20 + 16));
    }
    EXPECT_EQ(image.GetTextureTarget(), ttTextureCube);
}

TEST(GLFileDDS, DetailLevelDropsTheLargestLevels)
{
    TDdsLayout layout{.width = 4, .height = 4, .mips = 3, .pfFlags = DDPF_LUMINANCE, .bits = 8, .r = 0xFF};
    vDDSDetailLevel = 1;
    TGLDDSImage image;
    LoadFromBytes(image, MakeDds(layout, Sequence(16 + 4 + 1)));
    vDDSDetailLevel = 0;
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.LevelCount(), 2);
    EXPECT_EQ(TBytes(image.GetLevelAddress(0), image.GetLevelAddress(0) + 4), (TBytes{19, 20, 17, 18}));
    EXPECT_EQ(image.GetLevelAddress(1)[0], 21);
}

// Formats DDS has no header for: the save raises before it writes anything.
TEST(GLFileDDS, UnwritableFormatsAreRefused)
{
    for (const uint32_t fourCC : {MakeFourCC('A', 'T', 'I', '1'), 31u, 35u}) {
        SCOPED_TRACE(fourCC);
        TGLDDSImage image;
        LoadFromBytes(image, MakeDds({.width = 4, .height = 4, .fourCC = fourCC}, TBytes(64, 0)));
        TMemoryStream stream;
        EXPECT_EQ(MessageOf<EInvalidRasterFile>([&] { image.SaveToStream(stream); }),
                  "These image format do not match the DDS format specification.");
        EXPECT_EQ(stream.Size(), 0);
    }
}

// An image with a side of 0 is saved as its header alone, and that file reads back as the same empty image.
TEST(GLFileDDS, EmptyImagesSaveAndLoad)
{
    for (const auto& [width, height] : {std::pair{0u, 4u}, std::pair{8u, 0u}, std::pair{0u, 0u}}) {
        TDdsLayout layout = cBGRA;
        layout.width = width;
        layout.height = height;
        TGLDDSImage image;
        LoadFromBytes(image, MakeDds(layout, {}));
        EXPECT_TRUE(image.IsEmpty());
        const TBytes saved = Saved(image);
        EXPECT_EQ(saved.size(), 128u);
        TGLDDSImage again;
        LoadFromBytes(again, saved);
        EXPECT_EQ(again.Width(), int32_t(width));
        EXPECT_EQ(again.Height(), int32_t(height));
        EXPECT_EQ(again.InternalFormat(), tfRGBA8);
    }
}
