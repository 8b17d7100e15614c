// Engine images to and from the platform's pictures, the TGA and DDS pictures, and the PNG and JPEG images
// through the picture layer's codecs.
#include "DDSImage.h"
#include "DXTC.h"
#include "GLFileDDS.h"
#include "GLFileJPEG.h"
#include "GLFilePNG.h"
#include "GLFileTGA.h"
#include "ImageCodecs.h"
#include "ImageTestUtils.h"
#include "PngImage.h"
#include "TGA.h"
#include "TextureTestUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// A bitmap whose pixel (x, y from the top) is B = x, G = y, R = 100 (, A = 200).
void Fill(TBitmap& bitmap, int32_t w, int32_t h, TPixelFormat format)
{
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = bitmap.ScanLine(y) + x * bitmap.BytesPerPixel();
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 100;
            if (format == pf32bit) p[3] = 200;
        }
}

const uint8_t* ImagePixel(const TGLImage& image, int32_t x, int32_t y)
{
    return image.GetScanLine(y) + x * 4;
}

TBytes EncodedPng(uint32_t w, uint32_t h, TPixelLayout layout, int bitDepth, const TBytes& topFirst)
{
    const size_t rowBytes = topFirst.size() / h;
    std::vector<const uint8_t*> rows(h);
    for (uint32_t y = 0; y < h; ++y) rows[y] = topFirst.data() + y * rowBytes;
    TMemoryStream stream;
    EncodePng(stream, w, h, layout, bitDepth, rows.data());
    return BytesOf(stream);
}

TBytes EncodedJpeg(uint32_t w, uint32_t h, TPixelLayout layout, const TBytes& topFirst, bool progressive = false)
{
    const size_t rowBytes = topFirst.size() / h;
    std::vector<const uint8_t*> rows(h);
    for (uint32_t y = 0; y < h; ++y) rows[y] = topFirst.data() + y * rowBytes;
    TMemoryStream stream;
    EncodeJpeg(stream, w, h, layout, 95, rows.data(), progressive);
    return BytesOf(stream);
}

} // namespace

TEST(ImagePictures, BitmapsKeepTheirOrientationBothWays)
{
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap bitmap;
        Fill(bitmap, 4, 3, format);
        TGLImage image;
        image.Assign(&bitmap);
        image.Narrow();
        // The bitmap's top row is the image's last row.
        EXPECT_EQ(TBytes(ImagePixel(image, 1, 2), ImagePixel(image, 1, 2) + 4),
                  (TBytes{100, 0, 1, uint8_t(format == pf32bit ? 200 : 255)}));
        EXPECT_EQ(ImagePixel(image, 3, 0)[1], 2);

        std::unique_ptr<TBitmap> back(image.Create32BitsBitmap());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->ScanLine(2)[4 * 3 + 0], 3);
        EXPECT_EQ(back->ScanLine(2)[4 * 3 + 1], 2);
        EXPECT_EQ(back->ScanLine(2)[4 * 3 + 2], 100);
    }
    TGLImage blank;
    blank.SetWidth(4);
    EXPECT_EQ(blank.Create32BitsBitmap(), nullptr);
}

TEST(ImagePictures, GraphicsOfOtherWidthsAreStretchedAndPngPicturesPadded)
{
    // Without a context there is no BGR upload: a 30-pixel bitmap is stretched to 32 columns.
    TBitmap narrow;
    Fill(narrow, 30, 2, pf24bit);
    TGLImage image;
    image.Assign(&narrow);
    EXPECT_EQ(image.Width(), 32);
    EXPECT_EQ(image.Height(), 2);

    TPngImage png;
    LoadFromBytes(png, EncodedPng(5, 2, TPixelLayout::RGBA, 8, TBytes(5 * 2 * 4, 90)));
    TGLImage fromPng;
    fromPng.Assign(&png);
    EXPECT_EQ(png.Width(), 8); // the picture itself was padded
    EXPECT_EQ(fromPng.Width(), 8);
    EXPECT_EQ(TBytes(ImagePixel(fromPng, 0, 0), ImagePixel(fromPng, 0, 0) + 4), TBytes(4, 90));
    EXPECT_EQ(ImagePixel(fromPng, 7, 0)[3], 0);
}

TEST(ImagePictures, TGAPictureWritesAndReadsBothDepths)
{
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TTGAImage picture;
        Fill(picture, 5, 3, format);
        TMemoryStream stream;
        picture.SaveToStream(stream);
        const TBytes file = BytesOf(stream);
        EXPECT_EQ(file[2], 2);
        EXPECT_EQ(file[16], format == pf32bit ? 32 : 24);
        EXPECT_EQ(file[17], 0);
        TTGAImage again;
        LoadFromBytes(again, file);
        ASSERT_EQ(again.PixelFormat(), format);
        for (int32_t y = 0; y < 3; ++y)
            EXPECT_EQ(TBytes(again.ScanLine(y), again.ScanLine(y) + 5 * again.BytesPerPixel()),
                      TBytes(picture.ScanLine(y), picture.ScanLine(y) + 5 * picture.BytesPerPixel()));
        // The engine reads the same file the same way up.
        TGLImage engine;
        {
            TGLTGAImage tga;
            LoadFromBytes(tga, file);
            engine.Assign(&tga);
        }
        engine.Narrow();
        EXPECT_EQ(ImagePixel(engine, 4, 2)[2], 4); // top-right: B = x = 4
        EXPECT_EQ(ImagePixel(engine, 4, 2)[1], 0);
    }
}

TEST(ImagePictures, TGAPictureRefusals)
{
    auto error = [](TBytes header) {
        header.resize(std::max<size_t>(header.size(), 18 + 64), 0);
        TTGAImage picture;
        return MessageOf<ETGAException>([&] { LoadFromBytes(picture, header); });
    };
    TBytes header(18, 0);
    header[12] = header[14] = 2;
    header[2] = 3;
    header[16] = 24;
    EXPECT_EQ(error(header), "Unsupported TGA ImageType 3");
    header[2] = 0;
    EXPECT_EQ(error(header), "Unsupported TGA ImageType 0");
    header[2] = 2;
    header[16] = 8;
    EXPECT_EQ(error(header), "Unsupported TGA ImageType");
    header[16] = 24;
    header[1] = 1;
    EXPECT_EQ(error(header), "ColorMapped TGA unsupported");

    // 16384 x 4097 pixels of 32 bits: enough run-length bytes for the data check, too many pixels for a bitmap,
    // refused before anything is decoded.
    TBytes huge(18 + 1100000, 0);
    huge[2] = 10;
    huge[13] = 0x40;
    huge[14] = 0x01;
    huge[15] = 0x10;
    huge[16] = 32;
    EXPECT_EQ(error(huge), "TGA image too large");
}

TEST(ImagePictures, DDSPictureShowsTheFirstImageUpright)
{
    // A 2 x 2 cube of BGRA pixels: face f's pixel i has B = 10 f + i.
    TBytes data;
    for (int face = 0; face < 6; ++face)
        for (int i = 0; i < 4; ++i) data.insert(data.end(), {uint8_t(10 * face + i), 50, 60, 255});
    TDDSHeader header{};
    header.Magic = FOURCC_DDS;
    header.SurfaceFormat.dwSize = 124;
    header.SurfaceFormat.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    header.SurfaceFormat.dwWidth = header.SurfaceFormat.dwHeight = 2;
    header.SurfaceFormat.ddpfPixelFormat = {32, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    header.SurfaceFormat.ddsCaps.dwCaps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
    TBytes file(sizeof(header));
    std::memcpy(file.data(), &header, sizeof(header));
    file.insert(file.end(), data.begin(), data.end());
    TDDSImage cube;
    LoadFromBytes(cube, file);
    EXPECT_EQ(cube.PixelFormat(), pf32bit);
    EXPECT_EQ(TBytes(cube.ScanLine(0), cube.ScanLine(0) + 8), (TBytes{0, 50, 60, 255, 1, 50, 60, 255}));
    EXPECT_EQ(cube.ScanLine(1)[0], 2);

    // A plain file: the picture's top row is the file's first row, as the bitmap writes it.
    TBitmap source;
    Fill(source, 3, 2, pf24bit);
    TDDSImage written;
    written.Assign(&source);
    TMemoryStream stream;
    written.SaveToStream(stream);
    TDDSImage again;
    LoadFromBytes(again, BytesOf(stream));
    EXPECT_EQ(TBytes(again.ScanLine(1), again.ScanLine(1) + 4), (TBytes{0, 1, 100, 255}));
    EXPECT_EQ(again.ScanLine(0)[4], 1);
}

TEST(ImagePictures, PNGFilesReadAndWrite)
{
    struct TCase {
        TPixelLayout layout;
        int bitDepth, bytesPerPixel;
        GLenum colorFormat, dataType;
        TGLInternalFormat internalFormat;
    };
    const TCase cases[] = {
        {TPixelLayout::Grey, 8, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, tfLUMINANCE8},
        {TPixelLayout::GreyAlpha, 8, 2, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, tfLUMINANCE8_ALPHA8},
        {TPixelLayout::RGB, 8, 3, GL_RGB, GL_UNSIGNED_BYTE, tfRGB8},
        {TPixelLayout::RGBA, 8, 4, GL_RGBA, GL_UNSIGNED_BYTE, tfRGBA8},
        {TPixelLayout::RGB, 16, 6, GL_RGB, GL_UNSIGNED_SHORT, tfR16G16B16},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.bytesPerPixel);
        TBytes topFirst(5 * 3 * c.bytesPerPixel);
        for (size_t i = 0; i < topFirst.size(); ++i) topFirst[i] = uint8_t(i * 7 + 1);
        TGLPNGImage image;
        LoadFromBytes(image, EncodedPng(5, 3, c.layout, c.bitDepth, topFirst));
        EXPECT_EQ(image.ColorFormat(), c.colorFormat);
        EXPECT_EQ(image.DataType(), c.dataType);
        EXPECT_EQ(image.InternalFormat(), c.internalFormat);
        EXPECT_EQ(image.ElementSize(), c.bytesPerPixel);
        // The file's top row is the buffer's last; 16-bit samples are in the machine's order.
        const size_t rowBytes = 5 * c.bytesPerPixel;
        EXPECT_EQ(TBytes(image.DataBytes() + 2 * rowBytes, image.DataBytes() + 3 * rowBytes),
                  TBytes(topFirst.begin(), topFirst.begin() + rowBytes));
        TMemoryStream saved;
        image.SaveToStream(saved);
        TGLPNGImage again;
        LoadFromBytes(again, BytesOf(saved));
        EXPECT_EQ(LevelBytes(again), LevelBytes(image));
    }
}

TEST(ImagePictures, PNGRefusals)
{
    TGLPNGImage image;
    EXPECT_THROW(LoadFromBytes(image, TBytes{1, 2, 3}), EInvalidRasterFile);
    TBytes png = EncodedPng(4, 4, TPixelLayout::RGB, 8, TBytes(48, 9));
    TBytes corrupt = png;
    corrupt[30] ^= 0xFF; // inside the header chunk: its check sum fails
    for (const TBytes& bad : {corrupt, TBytes(png.begin(), png.begin() + png.size() / 2)})
        EXPECT_EQ(MessageOf<EInvalidRasterFile>([&] { LoadFromBytes(image, bad); }), "LIBPNG error");
    TGLTGAImage bgr;
    LoadFromBytes(bgr, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3});
    TGLPNGImage asPng;
    asPng.Assign(&bgr);
    TMemoryStream stream;
    EXPECT_EQ(MessageOf<EInvalidRasterFile>([&] { asPng.SaveToStream(stream); }),
              "These image format do not match the PNG format specification.");
}

// TGA and JPEG are read-only: a save raises and writes nothing rather than pass for a written file.
TEST(ImagePictures, ReadOnlyFormatsRefuseToSave)
{
    TGLTGAImage tga;
    LoadFromBytes(tga, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3});
    TGLJPEGImage jpeg;
    LoadFromBytes(jpeg, EncodedJpeg(8, 8, TPixelLayout::Grey, TBytes(64, 128)));
    const std::pair<TGLBaseImage*, const char*> cases[] = {{&tga, "Saving TGA images is not supported"},
                                                           {&jpeg, "Saving JPEG images is not supported"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.first->Capabilities(), dfcRead);
        TMemoryStream stream;
        EXPECT_EQ(MessageOf<EInvalidRasterFile>([&] { c.first->SaveToStream(stream); }), c.second);
        EXPECT_EQ(stream.Size(), 0);
    }
}

TEST(ImagePictures, JPEGFilesRead)
{
    TBytes red;
    for (int i = 0; i < 16 * 16; ++i) red.insert(red.end(), {255, 0, 0});
    const TBytes file = EncodedJpeg(16, 16, TPixelLayout::RGB, red);
    TGLJPEGImage image;
    LoadFromBytes(image, file);
    EXPECT_EQ(image.ColorFormat(), GLenum(GL_BGR));
    EXPECT_EQ(image.InternalFormat(), tfRGB8);
    EXPECT_NEAR(image.DataBytes()[2], 255, 2);
    EXPECT_NEAR(image.DataBytes()[0], 0, 2);

    // The picture's top row is the buffer's last: white above black stays that way up.
    TBytes whiteOverBlack(8 * 16 * 3, 0);
    std::fill(whiteOverBlack.begin(), whiteOverBlack.begin() + 8 * 8 * 3, 255);
    TGLJPEGImage upright;
    LoadFromBytes(upright, EncodedJpeg(8, 16, TPixelLayout::RGB, whiteOverBlack));
    EXPECT_NEAR(upright.DataBytes()[15 * 8 * 3], 255, 2);
    EXPECT_NEAR(upright.DataBytes()[0], 0, 2);

    TGLJPEGImage half;
    half.SetDivScale(2);
    LoadFromBytes(half, EncodedJpeg(16, 16, TPixelLayout::RGB, red, true));
    EXPECT_EQ(half.Width(), 8);
    EXPECT_EQ(half.Height(), 8);

    TGLJPEGImage grey;
    LoadFromBytes(grey, EncodedJpeg(8, 8, TPixelLayout::Grey, TBytes(64, 128)));
    EXPECT_EQ(grey.ColorFormat(), GLenum(GL_LUMINANCE));
    EXPECT_EQ(grey.ElementSize(), 1);

    LoadFromBytes(grey, TBytes{}); // an empty stream changes nothing
    EXPECT_EQ(grey.Width(), 8);
    EXPECT_THROW(LoadFromBytes(grey, TBytes(file.begin(), file.begin() + 40)), EJPEG);
}
