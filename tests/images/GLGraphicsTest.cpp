#include "GLFileDDS.h"
#include "GLFileJPEG.h"
#include "GLFilePNG.h"
#include "GLFileTGA.h"
#include "GLUtilities.h"
#include "Graphics.h"
#include "ImageTestUtils.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

namespace {

class TRGBA8Image : public TShapedImage {
public:
    TRGBA8Image(int32_t w, int32_t h, const TBytes& pixels = {})
        : TShapedImage(w, h, 0, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4)
    {
        if (!pixels.empty()) std::memcpy(DataBytes(), pixels.data(), pixels.size());
    }
};

template <class... A> TGLTextureTarget TargetOf(A... args)
{
    return TShapedImage(args...).GetTextureTarget();
}

TBytes Pixels(const TGLBaseImage& image)
{
    return TBytes(image.DataBytes(), image.DataBytes() + size_t(image.Width()) * image.Height() * 4);
}

} // namespace

TEST(GLGraphics, LevelCountForSize)
{
    EXPECT_EQ(LevelCountForSize(1, 1, 0, false), 1);
    EXPECT_EQ(LevelCountForSize(256, 64, 0, false), 9);
    EXPECT_EQ(LevelCountForSize(8, 8, 8, true), 4);
    EXPECT_EQ(LevelCountForSize(8, 8, 6, false), 4);
    EXPECT_EQ(LevelCountForSize(2, 2, 16, true), 5);
}

TEST(GLGraphics, LevelLayoutRoundsEachLevelToFourBytes)
{
    TShapedImage rgb(5, 3, 0, tfRGB8, GL_RGB, GL_UNSIGNED_BYTE, 3);
    rgb.SetLevels(3);
    EXPECT_EQ(rgb.DataSize(), 60u);
    const size_t sizes[3] = {48, 8, 4}, offsets[3] = {0, 48, 56};
    for (int level = 0; level < 3; ++level) {
        EXPECT_EQ(rgb.LevelSizeInByte(level), sizes[level]);
        EXPECT_EQ(rgb.LevelOffset(level), offsets[level]);
    }
    TShapedImage dxt1(6, 6, 0, tfCOMPRESSED_RGBA_S3TC_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT,
                      GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 8);
    EXPECT_EQ(dxt1.DataSize(), 32u);
    TShapedImage dxt5(1, 1, 0, tfCOMPRESSED_RGBA_S3TC_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT,
                      GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 16);
    EXPECT_EQ(dxt5.DataSize(), 16u);
    TShapedImage cube(16, 16, 0, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, true);
    EXPECT_EQ(cube.DataSize(), 6144u);
    EXPECT_EQ(cube.GetLevelAddress(0, 3) - cube.GetLevelAddress(0), 3072);
    // Layers of an array keep their count in every level.
    TShapedImage array(4, 4, 3, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, false, true);
    array.SetLevels(2);
    EXPECT_EQ(array.DataSize(), 4u * 4 * 4 * 3 + 2 * 2 * 4 * 3);
}

TEST(GLGraphics, TextureTargetOfEachShape)
{
    const GLenum u8 = GL_UNSIGNED_BYTE;
    EXPECT_EQ(TargetOf(4, 4, 0, tfRGBA8, GL_RGBA, u8, 4, false, false), ttTexture2D);
    EXPECT_EQ(TargetOf(4, 1, 0, tfRGBA8, GL_RGBA, u8, 4, false, false), ttTexture1D);
    EXPECT_EQ(TargetOf(4, 4, 0, tfRGBA8, GL_RGBA, u8, 4, true, false), ttTextureCube);
    EXPECT_EQ(TargetOf(4, 4, 4, tfRGBA8, GL_RGBA, u8, 4, false, false), ttTexture3D);
    EXPECT_EQ(TargetOf(4, 4, 1, tfRGBA8, GL_RGBA, u8, 4, false, true), ttTexture1DArray);
    EXPECT_EQ(TargetOf(4, 4, 3, tfRGBA8, GL_RGBA, u8, 4, false, true), ttTexture2DArray);
    EXPECT_EQ(TargetOf(4, 4, 3, tfRGBA8, GL_RGBA, u8, 4, true, true), ttTextureCubeArray);
    EXPECT_EQ(TargetOf(4, 4, 0, tfFLOAT_RGBA32, GL_RGBA, GLenum(GL_FLOAT), 16, false, false), ttTextureRect);
}

TEST(GLGraphics, NarrowConvertsToRGBA8OrFallsBackToTheErrorImage)
{
    TRGBA8Image plain(2, 2);
    const uint8_t* before = plain.DataBytes();
    plain.Narrow();
    EXPECT_EQ(plain.DataBytes(), before);

    // BGR becomes RGBA with an opaque alpha; a 32-bit format whose internal format has no alpha stays opaque.
    TShapedImage bgr(2, 1, 0, tfRGB8, GL_BGR, GL_UNSIGNED_BYTE, 3);
    std::memcpy(bgr.DataBytes(), TBytes{1, 2, 3, 4, 5, 6}.data(), 6);
    bgr.Narrow();
    EXPECT_EQ(bgr.ColorFormat(), GLenum(GL_RGBA));
    EXPECT_EQ(Pixels(bgr), (TBytes{3, 2, 1, 255, 6, 5, 4, 255}));
    TShapedImage padded(1, 1, 0, tfRGB8, GL_BGRA, GL_UNSIGNED_BYTE, 4);
    std::memcpy(padded.DataBytes(), TBytes{1, 2, 3, 0}.data(), 4);
    padded.Narrow();
    EXPECT_EQ(Pixels(padded), (TBytes{3, 2, 1, 255}));

    TGLLogCapture log;
    TShapedImage depth(4, 4, 0, tfDEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, 4);
    depth.Narrow();
    EXPECT_EQ(depth.Width(), 64);
    EXPECT_EQ(depth.Height(), 64);
    EXPECT_EQ(depth.ColorFormat(), GLenum(GL_RGB));
    EXPECT_EQ(depth.InternalFormat(), tfRGB8);
    EXPECT_EQ(depth.DataSize(), 12288u);
    EXPECT_TRUE(log.Contains("TShapedImage: can't convert image to RGBA8 format"));

    // The error picture reaches bitmaps whole: opaque, with red lettering on black.
    TShapedImage again(4, 4, 0, tfDEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, 4);
    TBitmap bitmap;
    again.AssignToBitmap(&bitmap);
    ASSERT_EQ(bitmap.Width(), 64);
    int red = 0;
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            const uint8_t* p = bitmap.ScanLine(y) + x * 4;
            EXPECT_EQ(p[3], 255);
            red += p[2] == 255 && p[0] == 0;
        }
    EXPECT_GT(red, 100);
}

TEST(GLGraphics, PixelOperationsOnRGBA8)
{
    // 5 x 3 halves to 2 x 1: each pixel the average (shr 2) of a 2 x 2 square; the odd column and row go.
    TBytes pixels;
    for (int i = 0; i < 15; ++i) pixels.insert(pixels.end(), {uint8_t(i * 4), uint8_t(i), 3, 255});
    TRGBA8Image image(5, 3, pixels);
    image.DownSampleByFactor2();
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 1);
    EXPECT_EQ(Pixels(image), (TBytes{12, 3, 3, 255, 20, 5, 3, 255}));
    TRGBA8Image thin(1, 8);
    thin.DownSampleByFactor2();
    EXPECT_EQ(thin.Height(), 8);

    const TBytes ramp = {1, 3, 5, 0, 253, 255, 64, 0, 128, 200, 0, 0};
    TRGBA8Image bright(3, 1, ramp);
    bright.BrightnessCorrection(0.5f);
    EXPECT_EQ(Pixels(bright), (TBytes{0, 2, 2, 0, 126, 128, 32, 0, 64, 100, 0, 0}));
    TRGBA8Image gamma2(3, 1, ramp);
    gamma2.GammaCorrection(2.0f);
    EXPECT_EQ(Pixels(gamma2)[0], 16);
    EXPECT_EQ(Pixels(gamma2)[6], 128);
    EXPECT_EQ(Pixels(gamma2)[8], 181);
    TRGBA8Image gammaHalf(3, 1, ramp);
    gammaHalf.GammaCorrection(0.5f);
    EXPECT_EQ(Pixels(gammaHalf)[6], 16);
    EXPECT_EQ(Pixels(gammaHalf)[8], 64);
    EXPECT_EQ(Pixels(gammaHalf)[9], 157);
    TRGBA8Image same(3, 1, ramp);
    same.GammaCorrection(1.0f);
    EXPECT_EQ(Pixels(same), ramp);
    TRGBA8Image steep(3, 1, ramp); // below gamma 0.1 the exponent is 10
    steep.GammaCorrection(0.05f);
    EXPECT_EQ(Pixels(steep)[9], 22);
    EXPECT_EQ(Pixels(steep)[5], 255);
    EXPECT_EQ(Pixels(steep)[8], 0);

    TRGBA8Image black(3, 1, {0, 0, 0, 9, 0, 0, 1, 9, 255, 255, 255, 9});
    black.SetAlphaTransparentForColor(0x000000u);
    EXPECT_EQ(Pixels(black)[3], 0);
    EXPECT_EQ(Pixels(black)[7], 255);
    EXPECT_EQ(Pixels(black)[11], 255);
    black.SetAlphaToFloatValue(1.01f);
    EXPECT_EQ(Pixels(black)[3], 255);
    black.InvertAlpha();
    EXPECT_EQ(Pixels(black)[7], 0);
    black.SetAlphaFromIntensity();
    EXPECT_EQ(Pixels(black)[7], 0);
    EXPECT_EQ(Pixels(black)[11], 255);

    TRGBA8Image grey(1, 1, {10, 64, 118, 0});
    grey.SqrtAlpha();
    EXPECT_EQ(Pixels(grey)[3], SqrtByteTable()[64]);

    // Heights 0, 10, 20, 30 along a row: the edges take one-sided differences unless the row wraps.
    TBytes heights;
    for (uint8_t g : {0, 10, 20, 30}) heights.insert(heights.end(), {0, g, 0, 0});
    TRGBA8Image slope(4, 1, heights);
    slope.GrayScaleToNormalMap(1.0f, false, false);
    EXPECT_EQ(Pixels(slope), (TBytes{2, 128, 141, 255, 1, 128, 134, 255, 1, 128, 134, 255, 2, 128, 141, 255}));
    TRGBA8Image wrapped(4, 1, heights);
    wrapped.GrayScaleToNormalMap(1.0f, true, false);
    const TBytes wrappedNormals = Pixels(wrapped);
    EXPECT_EQ(TBytes(wrappedNormals.begin(), wrappedNormals.begin() + 4), (TBytes{255, 128, 134, 255}));

    TRGBA8Image flat(4, 4, TBytes(64, 77));
    flat.GrayScaleToNormalMap(2.0f, true, false);
    const TBytes normals = Pixels(flat);
    EXPECT_EQ(TBytes(normals.begin(), normals.begin() + 4), (TBytes{128, 128, 255, 255}));
    TRGBA8Image zero(1, 1, {128, 128, 128, 7});
    zero.NormalizeNormalMap();
    EXPECT_EQ(Pixels(zero), (TBytes{128, 128, 255, 7}));
}

TEST(GLGraphics, BlankImagesHaveNoPixelsToWorkOn)
{
    TGLImage image;
    image.SetWidth(4);
    image.SetHeight(4);
    EXPECT_TRUE(image.Blank());
    image.SetAlphaToValue(3);
    image.DownSampleByFactor2();
    EXPECT_EQ(image.Width(), 4);
    EXPECT_EQ(image.DataBytes(), nullptr);
    image.SetBlank(false);
    EXPECT_EQ(Pixels(image), TBytes(64, 0));
    EXPECT_THROW(image.SetWidth(-1), EAssertionFailed);

    TGLImage copy;
    image.SetHeight(2);
    copy.Assign(&image);
    EXPECT_TRUE(copy.Blank());
    EXPECT_EQ(copy.Height(), 2);
    EXPECT_EQ(copy.DataBytes(), nullptr);
}

TEST(GLGraphics, AssignCopiesLevelsFormatAndPixels)
{
    TRGBA8Image source(2, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    TGLImage copy;
    copy.Assign(&source);
    EXPECT_FALSE(copy.Blank());
    EXPECT_EQ(copy.Width(), 2);
    EXPECT_EQ(Pixels(copy), Pixels(source));
    EXPECT_NE(copy.DataBytes(), source.DataBytes());
    EXPECT_THROW(copy.Assign(&GetRasterFileFormats()), EConvertError);
}

TEST(GLGraphics, FormatChangesConvertEveryFaceAndLevel)
{
    TShapedImage cube(1, 1, 0, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, true);
    for (int face = 0; face < 6; ++face)
        std::memcpy(cube.GetLevelAddress(0, face), TBytes{uint8_t(face), 10, 20, 255}.data(), 4);
    cube.SetColorFormatDataType(GL_BGR, GL_UNSIGNED_BYTE);
    EXPECT_EQ(cube.ElementSize(), 3);
    for (int face = 0; face < 6; ++face)
        EXPECT_EQ(TBytes(cube.GetLevelAddress(0, face), cube.GetLevelAddress(0, face) + 3),
                  (TBytes{20, 10, uint8_t(face)}));
}

TEST(GLGraphics, MipmapsOfEachCubeFace)
{
    TShapedImage cube(4, 4, 0, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, true);
    for (int face = 0; face < 6; ++face)
        for (int p = 0; p < 16; ++p)
            std::memcpy(cube.GetLevelAddress(0, face) + p * 4, TBytes{uint8_t(40 * face), 7, 9, 255}.data(), 4);
    cube.GenerateMipmap(ImageFilterTriangle);
    ASSERT_EQ(cube.LevelCount(), 3);
    // Each face keeps its own colour down to 1 x 1 (the filter may round a byte down).
    for (int face = 0; face < 6; ++face) {
        const uint8_t* p = cube.GetLevelAddress(2, face);
        EXPECT_NEAR(p[0], 40 * face, 1) << face;
        EXPECT_NEAR(p[1], 7, 1) << face;
    }
}

TEST(GLGraphics, CrossBecomesCubeMap)
{
    // A 3 x 4 tile cross of 2 x 2 tiles: the tile at (row, column) counted from the top has red 10 row + column,
    // and green the pixel's place inside the tile (x + 2 y from the tile's top left).
    TRGBA8Image cross(6, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 6; ++x) {
            const int fromTop = 7 - y;
            uint8_t* p = cross.DataBytes() + (y * 6 + x) * 4;
            p[0] = uint8_t(10 * (fromTop / 2) + x / 2);
            p[1] = uint8_t(x % 2 + 2 * (fromTop % 2));
        }
    ASSERT_TRUE(cross.ConvertCrossToCubeMap());
    EXPECT_TRUE(cross.CubeMap());
    EXPECT_EQ(cross.Width(), 2);
    const int tiles[6] = {12, 10, 1, 21, 11, 31};
    for (int face = 0; face < 6; ++face) {
        const uint8_t* p = cross.GetLevelAddress(0, face);
        EXPECT_EQ(p[0], tiles[face]) << face;
        // Faces start with the tile's top line; -Z with its bottom line, mirrored.
        const uint8_t firstGreen[6] = {0, 0, 0, 0, 0, 3};
        EXPECT_EQ(p[1], firstGreen[face]) << face;
    }
    TRGBA8Image wrong(6, 6);
    EXPECT_FALSE(wrong.ConvertCrossToCubeMap());
}

TEST(GLGraphics, TilesBecomeVolumeSlices)
{
    TRGBA8Image tiles(4, 4);
    for (int p = 0; p < 16; ++p) tiles.DataBytes()[p * 4] = uint8_t((p / 4) / 2 * 2 + (p % 4) / 2);
    ASSERT_TRUE(tiles.ConvertToVolume(2, 2, false));
    EXPECT_EQ(tiles.Width(), 2);
    EXPECT_EQ(tiles.Depth(), 4);
    EXPECT_TRUE(tiles.IsVolume());
    for (int slice = 0; slice < 4; ++slice) EXPECT_EQ(tiles.DataBytes()[slice * 16], slice);
    EXPECT_TRUE(tiles.ConvertToVolume(2, 2, true));
    EXPECT_TRUE(tiles.TextureArray());
}

TEST(GLGraphics, RegistryFindsFormatsByExtensionAndSignature)
{
    TRasterFileFormatsList& formats = GetRasterFileFormats();
    EXPECT_EQ(formats.FindExt("PNG"), &BaseImageClassOf<TGLPNGImage>());
    EXPECT_EQ(&formats.FindFromFileName("walls\\stone.tga"), &BaseImageClassOf<TGLTGAImage>());
    EXPECT_EQ(&formats.FindFromFileName("a.JPE"), &BaseImageClassOf<TGLJPEGImage>());
    EXPECT_EQ(MessageOf<EInvalidRasterFile>([&] { formats.FindFromFileName("icon.bmp"); }),
              "Unknown file extension (bmp), maybe you forgot to add the support unit to your uses? (GLFileBMP?)");

    TBytes bytes = {1, 2, 3, 'D', 'D', 'S', ' ', 0, 0, 0, 0};
    TMemoryStream stream = StreamOf(bytes);
    stream.SetPosition(3);
    EXPECT_EQ(&formats.FindFromStream(stream), &BaseImageClassOf<TGLDDSImage>());
    EXPECT_EQ(stream.Position(), 3);
    TMemoryStream png = StreamOf({0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A});
    EXPECT_EQ(&formats.FindFromStream(png), &BaseImageClassOf<TGLPNGImage>());
    TMemoryStream jpg = StreamOf({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46});
    EXPECT_EQ(&formats.FindFromStream(jpg), &BaseImageClassOf<TGLJPEGImage>());
    stream.SetPosition(8); // three bytes left
    EXPECT_THROW(formats.FindFromStream(stream), EInvalidRasterFile);
    EXPECT_EQ(stream.Position(), 8);
}

TEST(GLGraphics, DialogFilters)
{
    std::string descriptions, filters;
    GetRasterFileFormats().BuildFilterStrings(BaseImageClassOf<TGLBaseImage>(), descriptions, filters);
    EXPECT_EQ(filters, "*.png;*.tga;*.jpg;*.jpeg;*.jpe;*.dds");
    EXPECT_EQ(descriptions,
              "All (*.png;*.tga;*.jpg;*.jpeg;*.jpe;*.dds)|*.png;*.tga;*.jpg;*.jpeg;*.jpe;*.dds|"
              "Portable Network Graphic (*.png)|*.png|TARGA Image File (*.tga)|*.tga|"
              "Joint Photographic Experts Group Image (*.jpg)|*.jpg|"
              "Joint Photographic Experts Group Image (*.jpeg)|*.jpeg|"
              "Joint Photographic Experts Group Image (*.jpe)|*.jpe|Direct Draw Surface (*.dds)|*.dds");
    GetRasterFileFormats().BuildFilterStrings(BaseImageClassOf<TGLBaseImage>(), descriptions, filters, false, true);
    EXPECT_EQ(descriptions, "Portable Network Graphic (*.png)|*.png|Direct Draw Surface (*.dds)|*.dds");
    EXPECT_EQ(filters, "*.png;*.dds");
    EXPECT_EQ(GetRasterFileFormats().FindExtByIndex(2, false, true), "dds");
    EXPECT_EQ(GetRasterFileFormats().FindExtByIndex(3, false, true), "");
    EXPECT_EQ(GetRasterFileFormats().FindExtByIndex(0), "");
}

TEST(GLGraphics, LaterRegistrationsWinAndRemoveTakesDescendants)
{
    TRasterFileFormatsList formats;
    formats.Add("IMG", "first", 0, BaseImageClassOf<TGLTGAImage>());
    formats.Add("img", "second", 0, BaseImageClassOf<TGLDDSImage>());
    formats.Add("base", "base", 0, BaseImageClassOf<TGLBaseImage>());
    EXPECT_EQ(formats.FindExt("img"), &BaseImageClassOf<TGLDDSImage>());
    formats.Remove(BaseImageClassOf<TGLDDSImage>());
    EXPECT_EQ(formats.FindExt("img"), &BaseImageClassOf<TGLTGAImage>());
    formats.Remove(BaseImageClassOf<TGLBaseImage>());
    EXPECT_EQ(formats.Count(), 0);
}

TEST(GLGraphics, FileOperationsNameMissingFiles)
{
    TGLDDSImage image;
    EXPECT_EQ(MessageOf<EInvalidRasterFile>([&] { image.LoadFromFile("/nonexistent/folder/x.dds"); }),
              "File /nonexistent/folder/x.dds not found");
}
