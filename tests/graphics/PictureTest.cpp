// Pictures: the format registry, loading by extension, saving in the graphic's own format, copies and
// change events.
#include "CodecFixtures.h"
#include "Graphics.h"
#include "JPEG.h"
#include "PngImage.h"
#include "Raises.h"
#include "Streams.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A graphic class of the test's own, to register and unregister.
class TTestGraphic : public TBitmap {};

std::vector<std::string> Entries()
{
    std::vector<std::string> entries;
    for (const TPictureFileFormat& format : TPicture::FileFormats()) entries.push_back(format.Entry());
    return entries;
}

std::string SmallPng()
{
    TestPng fixture(2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8);
    fixture.rows = {std::string("\xFF\x00\x00\xFF\x00\x00\xFF\x80", 8)};
    return EncodeTestPng(fixture);
}

} // namespace

TEST(Picture, StandardFormatsAreRegistered)
{
    const std::vector<std::string> entries = Entries();
    for (const char* entry :
         {"bmp=Bitmaps", "png=Portable Network Graphics", "jpg=JPEG Image File", "jpeg=JPEG Image File"})
        EXPECT_NE(std::find(entries.begin(), entries.end(), entry), entries.end()) << entry;
    EXPECT_EQ(TPicture::GraphicClassForExtension(".PNG"), GraphicClass<TPngImage>());
    EXPECT_EQ(TPicture::GraphicClassForExtension("Jpeg"), GraphicClass<TJPEGImage>());
    EXPECT_EQ(TPicture::GraphicClassForExtension("bmp"), GraphicClass<TBitmap>());
    EXPECT_EQ(TPicture::GraphicClassForExtension("gif"), nullptr);
    EXPECT_EQ(GraphicClass<TPngImage>()->ClassName(), "TPngImage");
}

TEST(Picture, LaterRegistrationsHideEarlierOnesUntilUnregistered)
{
    const size_t before = TPicture::FileFormats().size();
    TPicture::RegisterFileFormat("BMP", "Test bitmaps", GraphicClass<TTestGraphic>());
    TPicture::RegisterFileFormat("bmp", "Test bitmaps", GraphicClass<TTestGraphic>()); // again: no change
    TPicture::RegisterFileFormat("tst", "Test", GraphicClass<TTestGraphic>());
    EXPECT_EQ(TPicture::FileFormats().size(), before + 2);
    EXPECT_EQ(TPicture::GraphicClassForExtension("bmp"), GraphicClass<TTestGraphic>());
    TPicture::UnregisterGraphicClass(GraphicClass<TTestGraphic>());
    EXPECT_EQ(TPicture::FileFormats().size(), before);
    EXPECT_EQ(TPicture::GraphicClassForExtension("bmp"), GraphicClass<TBitmap>());
    EXPECT_EQ(TPicture::GraphicClassForExtension("tst"), nullptr);
}

TEST(Picture, LoadsByExtensionAndSavesInTheGraphicsFormat)
{
    TempFolder folder;
    folder.Write("card.PNG", SmallPng());
    folder.Write("photo.jpg", EncodeTestJpeg(QuadrantJpeg(8, 8)));

    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    picture.LoadFromFile(folder / "card.PNG");
    ASSERT_NE(dynamic_cast<TPngImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(changes, 1);

    picture.SaveToFile(folder / "copy.bmp"); // still a PNG: the graphic writes its own format
    TPngImage reread;
    reread.LoadFromFile(folder / "copy.bmp");
    EXPECT_EQ(reread.Pixels(1, 0), clBlue);

    picture.LoadFromFile(folder / "photo.jpg");
    EXPECT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);

    TBitmap* bitmap = picture.Bitmap(); // replaces the JPEG by an empty bitmap
    EXPECT_TRUE(bitmap->Empty());
    bitmap->SetSize(3, 2);
    picture.SaveToFile(folder / "plain.bmp");
    picture.LoadFromFile(folder / "plain.bmp");
    ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Height(), 2);
}

TEST(Picture, FailedLoadsKeepThePicture)
{
    TempFolder folder;
    folder.Write("broken.png", SmallPng().substr(0, 40));
    folder.Write("picture.gif", "GIF89a");
    TPicture picture;
    TPngImage png;
    TStringStream stream(SmallPng());
    png.LoadFromStream(stream);
    picture.SetGraphic(&png);

    EXPECT_THROW(picture.LoadFromFile(folder / "broken.png"), EInvalidGraphic);
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { picture.LoadFromFile(folder / "picture.gif"); }),
              "Unknown picture file extension (.gif)");
    EXPECT_THROW(picture.LoadFromFile(folder / "missing.png"), EFOpenError);
    ASSERT_NE(dynamic_cast<TPngImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 2);
}

TEST(Picture, CopiesKeepTheGraphicsClass)
{
    TPngImage png;
    TStringStream stream(SmallPng());
    png.LoadFromStream(stream);
    TPicture picture;
    picture.SetGraphic(&png);
    auto* copy = dynamic_cast<TPngImage*>(picture.Graphic());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &png);
    EXPECT_EQ(copy->Pixels(0, 0), clRed);

    TPicture second;
    second.Assign(&picture);
    EXPECT_NE(dynamic_cast<TPngImage*>(second.Graphic()), nullptr);
    int changes = 0;
    second.OnChange = [&](TObject*) { ++changes; };
    static_cast<TPngImage*>(second.Graphic())->Resize(4, 4); // a change of the graphic is the picture's
    EXPECT_EQ(changes, 1);
    second.Assign(nullptr);
    EXPECT_EQ(second.Graphic(), nullptr);
    EXPECT_EQ(changes, 2);

    TTestGraphic unregistered; // a class the registry does not know is kept as a bitmap
    unregistered.SetSize(2, 2);
    second.SetGraphic(&unregistered);
    EXPECT_EQ(typeid(*second.Graphic()), typeid(TBitmap));
    EXPECT_EQ(second.Width(), 2);
}

TEST(Picture, BitmapsTakeOtherGraphicsPixels)
{
    TJPEGImage jpeg;
    TStringStream stream(EncodeTestJpeg(QuadrantJpeg(8, 8)));
    jpeg.LoadFromStream(stream);
    TBitmap bitmap;
    bitmap.Assign(&jpeg);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(bitmap.Width(), 8);
    EXPECT_GT(bitmap.ScanLine(1)[2], 240); // red, top left
    EXPECT_LT(bitmap.ScanLine(1)[0], 15);
}
