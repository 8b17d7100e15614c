// JPEG pictures: baseline, progressive, grey and CMYK files as libjpeg writes them, scaling in the codec
// core, writing, and damaged files.
#include "CodecFixtures.h"
#include "ImageCodecs.h"
#include "JPEG.h"
#include "Raises.h"
#include "Streams.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

using ::testing::StartsWith;

namespace {

void Load(TJPEGImage& jpeg, const std::string& bytes)
{
    TStringStream stream(bytes);
    jpeg.LoadFromStream(stream);
}

// R, G, B of a pixel of the picture, through a bitmap copy.
std::array<int, 3> Rgb(TJPEGImage& jpeg, int x, int y)
{
    TBitmap bitmap;
    bitmap.Assign(&jpeg);
    const uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

void ExpectNear(const std::array<int, 3>& actual, const std::array<int, 3>& expected, int tolerance)
{
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], expected[k], tolerance) << "channel " << k;
}

void ExpectQuadrants(TJPEGImage& jpeg)
{
    const int w = jpeg.Width(), h = jpeg.Height();
    ExpectNear(Rgb(jpeg, w / 4, h / 4), {255, 0, 0}, 6);
    ExpectNear(Rgb(jpeg, 3 * w / 4, h / 4), {0, 255, 0}, 6);
    ExpectNear(Rgb(jpeg, w / 4, 3 * h / 4), {0, 0, 255}, 6);
    ExpectNear(Rgb(jpeg, 3 * w / 4, 3 * h / 4), {255, 255, 255}, 6);
}

} // namespace

TEST(JpegImage, ReadsBaselineAndProgressive)
{
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive);
        TestJpeg fixture = QuadrantJpeg(250, 32); // a width that is not a multiple of 4
        fixture.progressive = progressive;
        TJPEGImage jpeg;
        Load(jpeg, EncodeTestJpeg(fixture));
        EXPECT_EQ(jpeg.Width(), 250);
        EXPECT_EQ(jpeg.Height(), 32);
        EXPECT_EQ(jpeg.ProgressiveEncoding(), progressive);
        ExpectQuadrants(jpeg);
    }
}

TEST(JpegImage, GreyAndCmykFilesBecomeColourPictures)
{
    TestJpeg grey(16, 8, JCS_GRAYSCALE, 1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) grey.samples.push_back(x < 8 ? 40 : 200);
    TJPEGImage jpeg;
    Load(jpeg, EncodeTestJpeg(grey));
    ExpectNear(Rgb(jpeg, 2, 4), {40, 40, 40}, 3);
    ExpectNear(Rgb(jpeg, 13, 4), {200, 200, 200}, 3);

    // libjpeg marks CMYK files as the programs that write them do (inverted values): full C and K read as
    // red here, full M and K as green.
    TestJpeg cmyk(16, 8, JCS_CMYK, 4);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint8_t pixel[4] = {uint8_t(x < 8 ? 255 : 0), uint8_t(x < 8 ? 0 : 255), 0, 255};
            cmyk.samples.insert(cmyk.samples.end(), pixel, pixel + 4);
        }
    Load(jpeg, EncodeTestJpeg(cmyk));
    ExpectNear(Rgb(jpeg, 2, 4), {255, 0, 0}, 6);
    ExpectNear(Rgb(jpeg, 13, 4), {0, 255, 0}, 6);
}

TEST(JpegImage, CoreScalesAndDeliversGrey)
{
    const std::string file = EncodeTestJpeg(QuadrantJpeg(16, 16));
    TStringStream stream(file + "bytes of whatever follows");
    TJpegDecoder decoder(stream);
    EXPECT_EQ(decoder.Info().Components, 3);
    decoder.SetScale(2);
    EXPECT_EQ(decoder.SetLayout(TPixelLayout::Grey), 1);
    ASSERT_EQ(decoder.OutputWidth(), 8u);
    ASSERT_EQ(decoder.OutputHeight(), 8u);
    uint8_t grey[64];
    decoder.ReadImage(grey, 8, true); // bottom row first: the blue and white quadrants come first
    EXPECT_NEAR(grey[0], 29, 6);      // blue
    EXPECT_NEAR(grey[7], 255, 6);     // white
    EXPECT_NEAR(grey[63], 150, 6);    // green, top right
    EXPECT_EQ(stream.Position(), int64_t(file.size())); // what was read ahead goes back to the stream
}

TEST(JpegImage, WriteThenRead)
{
    TJPEGImage source;
    Load(source, EncodeTestJpeg(QuadrantJpeg(32, 16)));
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.Assign(&source);
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    jpeg.SetCompressionQuality(100);
    for (bool progressive : {false, true}) {
        jpeg.SetProgressiveEncoding(progressive);
        TMemoryStream stream;
        jpeg.SaveToStream(stream);
        stream.SetPosition(0);
        TJPEGImage copy;
        copy.LoadFromStream(stream);
        EXPECT_EQ(copy.ProgressiveEncoding(), progressive);
        EXPECT_EQ(copy.Width(), 32);
        ExpectQuadrants(copy);
    }
    EXPECT_EQ(jpeg.CompressionQuality(), 100);
    jpeg.SetCompressionQuality(0);
    EXPECT_EQ(jpeg.CompressionQuality(), 1);
}

TEST(JpegImage, DamagedFilesRaiseAndKeepThePicture)
{
    const std::string good = EncodeTestJpeg(QuadrantJpeg(16, 16));
    TJPEGImage jpeg;
    Load(jpeg, EncodeTestJpeg(QuadrantJpeg(8, 8)));
    auto expectRefused = [&](const std::string& bytes) {
        EXPECT_THAT(MessageOf<EJPEG>([&] { Load(jpeg, bytes); }), StartsWith("JPEG error #"))
            << bytes.size() << " bytes";
        EXPECT_EQ(jpeg.Width(), 8);
    };
    for (size_t length = 0; length < good.size(); length += length < 400 ? 1 : 37)
        expectRefused(good.substr(0, length));
    expectRefused(std::string(300, 'x'));
    std::string badMarker = good;
    badMarker[3] = char(0xC9); // an arithmetic-coded frame in place of the tables
    expectRefused(badMarker);
}
