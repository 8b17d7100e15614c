// Texture images without OpenGL: the kinds' shapes and files, the registries, the picture-file and persistent
// kinds' failures, and change notification from an image up to its texture's owner.
#include "GLCompositeImage.h"
#include "GLTexture.h"

#include "Dialogs.h"
#include "GLColor.h"
#include "GLUtilities.h"
#include "Streams.h"
#include "TextureTestUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(GLTextureImages, ClassesAreFoundByTheirExactName)
{
    const TGLTextureImageClass* blank = FindGLTextureImageClass("TGLBlankImage");
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->FriendlyDescription(), "Blank Image (Width x Height x Depth)");
    EXPECT_EQ(FindGLTextureImageClass("tglblankimage"), nullptr);
    ASSERT_NE(FindGLTextureImageClass("TGLCompositeImage"), nullptr);
    EXPECT_EQ(FindGLTextureImageClass("TGLCubeMapImage")->FriendlyName(), "CubeMap Image");
    std::unique_ptr<TGLTextureImage> made(FindGLTextureImageClass("TGLPicFileImage")->Create(nullptr));
    EXPECT_EQ(made->ClassName(), "TGLPicFileImage");
    EXPECT_EQ(GraphicClassForPictureExtension(".BMP"), GraphicClass<TBitmap>());
}

TEST(GLTextureImages, AnImageBelongsToATextureOrToNothing)
{
    TGLTexture texture(nullptr);
    TGLColor color(nullptr);
    EXPECT_THROW(TGLBlankImage{&color}, EConvertError);
    TGLBlankImage owned(&texture);
    EXPECT_EQ(owned.OwnerTexture(), &texture);
}

TEST(GLTextureImages, BlankImageShapesAndClamps)
{
    TGLBlankImage image(nullptr);
    EXPECT_EQ(image.NativeTextureTarget(), ttTexture2D);
    image.SetWidth(0);
    EXPECT_EQ(image.Width(), 1);
    image.SetWidth(-5);
    EXPECT_EQ(image.Width(), 1);
    image.SetDepth(-1);
    EXPECT_EQ(image.Depth(), 0);

    struct TCase {
        int32_t Height, Depth;
        bool Cube, Array;
        TGLTextureTarget Target;
    };
    const TCase cases[] = {{1, 0, false, false, ttTexture1D},  {8, 0, true, false, ttTextureCube},
                           {8, 4, false, false, ttTexture3D},  {8, 1, false, true, ttTexture1DArray},
                           {8, 3, false, true, ttTexture2DArray}, {8, 3, true, true, ttTextureCubeArray}};
    for (const TCase& c : cases) {
        TGLBlankImage shaped(nullptr);
        shaped.SetHeight(c.Height);
        shaped.SetDepth(c.Depth);
        shaped.SetCubeMap(c.Cube);
        shaped.SetTextureArray(c.Array);
        EXPECT_EQ(shaped.NativeTextureTarget(), c.Target) << c.Height << " " << c.Depth << " " << c.Cube;
    }
}

TEST(GLTextureImages, BlankImageFile)
{
    TempFolder folder;
    TGLBlankImage image(nullptr);
    image.SetWidth(64);
    image.SetHeight(32);
    image.SaveToFile(folder / "blank.txt");
    EXPECT_EQ(folder.Read("blank.txt"), "[BlankImage]\r\nWidth=64\r\nHeight=32\r\nDepth=0");

    TGLBlankImage read(nullptr);
    read.LoadFromFile(folder / "blank.txt");
    EXPECT_EQ(read.Width(), 64);
    EXPECT_EQ(read.Height(), 32);
    EXPECT_EQ(read.Depth(), 0);

    // Keys in any order; no Depth reads 1; sizes a setter refuses are held to its limits.
    folder.Write("other.txt", "Height=-3\nnoise\nWidth=100000\n");
    read.LoadFromFile(folder / "other.txt");
    EXPECT_EQ(read.Width(), 16384);
    EXPECT_EQ(read.Height(), 1);
    EXPECT_EQ(read.Depth(), 1);

    folder.Write("bad.txt", "[BlankImage]\r\nWidth=wide\r\nHeight=2");
    EXPECT_THROW(read.LoadFromFile(folder / "bad.txt"), EConvertError);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { read.LoadFromFile(folder / "none.txt"); }),
              "Could not open file: " + folder / "none.txt" + " (VAVodad\\Source\\GLTexture, line 1586)");
}

TEST(GLTextureImages, PictureLinkFiles)
{
    TempFolder folder;
    TGLPicFileImage image(nullptr);
    folder.Write("link.txt", "textures/ui_bg01.tga");
    image.LoadFromFile(folder / "link.txt");
    EXPECT_EQ(image.PictureFileName(), "textures/ui_bg01.tga");
    EXPECT_EQ(image.ResourceName(), "textures/ui_bg01.tga");

    folder.Write("binary.bmp", std::string("BM\0\0textures/ui_bg.tga", 20));
    image.LoadFromFile(folder / "binary.bmp");
    EXPECT_EQ(image.PictureFileName(), folder / "binary.bmp");

    image.SetPictureFileName("named.bmp");
    image.SaveToFile(folder / "saved.lnk");
    EXPECT_EQ(folder.Read("saved.lnk"), "named.bmp");
}

TEST(GLTextureImages, AMissingPictureFileWarnsOnceAndGivesTheErrorImage)
{
    TempFolder folder;
    int warnings = 0;
    std::string text;
    SetMessageBoxHook([&](const TMessageBoxRequest& request) {
        ++warnings;
        text = request.Text;
        EXPECT_EQ(request.Caption, "Error!");
        return mrOk;
    });
    TGLPicFileImage image(nullptr);
    image.SetPictureFileName(folder / "missing.bmp");
    TGLImage* bitmap = image.GetBitmap32();
    EXPECT_EQ(bitmap->Width(), 64); // the error image
    EXPECT_EQ(bitmap->Height(), 64);
    EXPECT_EQ(text.rfind("Could not open file: " + folder / "missing.bmp" + "\r\n(Current directory is ", 0), 0u);
    image.Invalidate();
    image.GetBitmap32();
    EXPECT_EQ(warnings, 1);
    image.SetPictureFileName(folder / "missing2.bmp");
    image.GetBitmap32();
    EXPECT_EQ(warnings, 2);
    SetMessageBoxHook(nullptr);
}

TEST(GLTextureImages, APictureFileShowsItsPictureAgainAfterARelease)
{
    TempFolder folder;
    MakeBitmap(8, 4, 0x00FF00, 0xFF0000)->SaveToFile(folder / "pic.bmp");
    TGLPicFileImage image(nullptr);
    image.SetPictureFileName(folder / "pic.bmp");
    for (int round = 0; round < 2; ++round) {
        TGLImage* bitmap = image.GetBitmap32();
        ASSERT_EQ(bitmap->Width(), 8) << round;
        // The picture's top row is the image's last row.
        const TGLPixel32 topLeft = bitmap->Data()[3 * 8];
        EXPECT_EQ(topLeft.r, 255);
        EXPECT_EQ(topLeft.g, 0);
        image.ReleaseBitmap32();
    }
    EXPECT_EQ(image.Width(), 8);
    EXPECT_EQ(image.Height(), 4);
}

TEST(GLTextureImages, PersistentImagesLoadPicturesOrSayWhatIsMissing)
{
    TempFolder folder;
    MakeBitmap(4, 2, 0x0000FF, 0x00FF00)->SaveToFile(folder / "Small.bmp");
    TGLPersistentImage image(nullptr);
    image.LoadFromFile(folder / "Small.bmp");
    EXPECT_EQ(image.Width(), 4);
    TGLImage* bitmap = image.GetBitmap32();
    EXPECT_EQ(bitmap->Data()[4].g, 255); // top-left, on the image's last row
    EXPECT_EQ(bitmap->Data()[0].b, 255);

    EXPECT_EQ(MessageOf<ETexture>([&] { image.LoadFromFile(folder / "gone.bmp"); }),
              "Could not open file: " + folder / "gone.bmp");
    EXPECT_EQ(image.Picture()->Graphic(), nullptr);
    EXPECT_EQ(image.GetBitmap32()->Width(), 64); // an empty picture shows the error image
}

TEST(GLTextureImages, UnbalancedEndUpdateFailsOnTheSecondCall)
{
    TGLPersistentImage image(nullptr);
    image.BeginUpdate();
    image.EndUpdate();
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { image.EndUpdate(); }),
              "TGLPersistentImage: Unbalanced Begin/EndUpdate (VAVodad\\Source\\GLTexture, line 1715)");
    TGLCubeMapImage cube(nullptr);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { cube.EndUpdate(); }),
              "TGLCubeMapImage: Unbalanced Begin/EndUpdate (VAVodad\\Source\\GLTexture, line 2241)");
}

TEST(GLTextureImages, CubeMapFileHoldsSixBitmaps)
{
    TempFolder folder;
    TGLCubeMapImage cube(nullptr);
    for (int32_t face = 0; face < 6; ++face) {
        auto bitmap = MakeBitmap(4, 4, 0x101010u * uint32_t(face + 1), 0xFFFFFF);
        cube.Picture(face)->SetGraphic(bitmap.get());
    }
    cube.SaveToFile(folder / "sky.cub");
    EXPECT_EQ(folder.Read("sky.cub").substr(0, 2), std::string("\0\1", 2));

    TGLCubeMapImage read(nullptr);
    read.LoadFromFile(folder / "sky.cub");
    TGLImage* image = read.GetBitmap32();
    ASSERT_TRUE(image->CubeMap());
    ASSERT_EQ(image->Width(), 4);
    for (int32_t face = 0; face < 6; ++face) {
        const auto* pixels = reinterpret_cast<const TGLPixel32*>(image->GetLevelAddress(0, face));
        EXPECT_EQ(pixels[5].r, 0x10 * (face + 1)) << face;
        EXPECT_EQ(pixels[0].r, 0xFF) << face; // faces are not turned upside down
    }

    std::string bytes = folder.Read("sky.cub");
    bytes[1] = 2;
    folder.Write("v2.cub", bytes);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { read.LoadFromFile(folder / "v2.cub"); }),
              "Assertion failure (VAVodad\\Source\\GLTexture, line 2289)");
    // A cut file changes no face.
    folder.Write("cut.cub", folder.Read("sky.cub").substr(0, 300));
    EXPECT_THROW(read.LoadFromFile(folder / "cut.cub"), Exception);
    EXPECT_EQ(read.Picture(5)->Width(), 4);
}

TEST(GLTextureImages, CompositeImageIgnoresShortStreams)
{
    TGLCompositeImage image(nullptr);
    TMemoryStream stream;
    const std::string bytes(199, 'x');
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    image.LoadFromStream(stream);
    EXPECT_EQ(image.NativeTextureTarget(), ttNoShape);
    EXPECT_EQ(stream.Position(), 0);
}

// ---------------------------------------------------------------------------------------------------------
// Textures without OpenGL

TEST(GLTextureSettings, TextureFormatIsAViewOnTheInternalFormat)
{
    TGLTexture texture(nullptr);
    EXPECT_EQ(texture.TextureFormat(), TGLTextureFormat::tfDefault);
    texture.SetTextureFormat(TGLTextureFormat::tfRGB16);
    EXPECT_EQ(texture.TextureFormatEx(), tfRGB5);
    texture.SetTextureFormat(TGLTextureFormat::tfExtended);
    EXPECT_EQ(texture.TextureFormatEx(), tfRGB5);
    texture.SetTextureFormat(TGLTextureFormat::tfRGB);
    EXPECT_EQ(texture.TextureFormat(), TGLTextureFormat::tfRGB);
    // The normal-map choice is remembered beside its format.
    texture.SetTextureFormat(TGLTextureFormat::tfNormalMap);
    EXPECT_EQ(texture.TextureFormatEx(), tfRGB8);
    EXPECT_EQ(texture.TextureFormat(), TGLTextureFormat::tfNormalMap);
    texture.SetTextureFormatEx(tfRGBA_FLOAT16);
    EXPECT_EQ(texture.TextureFormat(), TGLTextureFormat::tfRGBAFloat16);
    texture.SetTextureFormatEx(tfDSDT8);
    EXPECT_EQ(texture.TextureFormat(), TGLTextureFormat::tfExtended);
}

TEST(GLTextureSettings, RequiredMemoryCountsMipmapsWithMipmapFilters)
{
    for (const auto& [filter, bytes] : {std::pair{miLinearMipmapLinear, 349524}, std::pair{miLinear, 262144}}) {
        TGLTexture texture(nullptr);
        texture.SetImageClassName("TGLBlankImage");
        texture.SetMinFilter(filter);
        EXPECT_EQ(texture.TextureImageRequiredMemory(), bytes);
    }
}

TEST(GLTextureSettings, ImageClassNamesAndAssign)
{
    TGLTexture texture(nullptr);
    EXPECT_TRUE(texture.Disabled());
    EXPECT_EQ(texture.GetImageClassName(), "TGLPersistentImage");
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { texture.SetImageClassName("TGLNoSuchImage"); }),
              "Make sure you include the unit for TGLNoSuchImage in your uses clause "
              "(VAVodad\\Source\\GLTexture, line 2533)");
    texture.SetImageClassName("TGLCubeMapImage");
    EXPECT_EQ(texture.GetImageClassName(), "TGLCubeMapImage");

    TGLTexture other(nullptr);
    other.SetEnabled(true);
    other.SetMinFilter(miNearest);
    other.SetImageClassName("TGLBlankImage");
    static_cast<TGLBlankImage*>(other.Image())->SetWidth(16);
    texture.Assign(&other);
    EXPECT_TRUE(texture.Enabled());
    EXPECT_EQ(texture.MinFilter(), miNearest);
    ASSERT_EQ(texture.GetImageClassName(), "TGLBlankImage");
    EXPECT_EQ(texture.Image()->Width(), 16);

    texture.Assign(nullptr);
    EXPECT_TRUE(texture.Disabled());
    EXPECT_EQ(texture.GetImageClassName(), "TGLPersistentImage");
    EXPECT_EQ(texture.Image()->Width(), 0);
}

TEST(GLTextureSettings, AChangeToAnImageReachesTheTexturesOwner)
{
    TGLUpdateAbleObject owner(nullptr);
    int changes = 0;
    owner.OnNotifyChange = [&](TObject*) { ++changes; };
    TGLTexture texture(&owner);
    auto* image = static_cast<TGLPersistentImage*>(texture.Image());
    auto bitmap = MakeBitmap(4, 4, 0x808080, 0x808080);
    image->Picture()->SetGraphic(bitmap.get());
    EXPECT_GE(changes, 1);

    changes = 0;
    image->BeginUpdate();
    image->Picture()->SetGraphic(bitmap.get());
    image->Picture()->SetGraphic(bitmap.get());
    EXPECT_EQ(changes, 0);
    image->EndUpdate();
    EXPECT_EQ(changes, 1);

    changes = 0;
    texture.SetMagFilter(maNearest);
    texture.SetMagFilter(maNearest);
    texture.SetTextureFormat(TGLTextureFormat::tfRGB); // no notification
    EXPECT_EQ(changes, 1);
}

} // namespace
