// Textures on Mesa: pixels uploaded and read back, sampler state as OpenGL reports it, texture units set by
// Apply, and the error image when pixels cannot be had.
#include "GLTexture.h"

#include "Dialogs.h"
#include "GLContext.h"
#include "GLCoordinates.h"
#include "GLRenderContextInfo.h"
#include "OpenGLAdapter.h"
#include "../gl/RealGLTestContext.h"
#include "TextureTestUtils.h"
#include "XOpenGL.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

// An off-screen context of the system's class, current while the test runs.
class GLTexture : public RealGLCurrentContext {
protected:
    GLTexture() : RealGLCurrentContext(8, 8)
    {
        SetMessageBoxHook([this](const TMessageBoxRequest&) {
            ++Warnings;
            return mrOk;
        });
    }
    ~GLTexture() override
    {
        SetMessageBoxHook(nullptr);
        Textures.clear(); // their objects go while the context is there
    }

    TGLTexture& NewTexture()
    {
        Textures.push_back(std::make_unique<TGLTexture>(nullptr));
        return *Textures.back();
    }
    // A texture of a persistent image holding the bitmap.
    TGLTexture& PictureTexture(TBitmap& bitmap)
    {
        TGLTexture& texture = NewTexture();
        static_cast<TGLPersistentImage*>(texture.Image())->Picture()->SetGraphic(&bitmap);
        texture.SetMinFilter(miLinear);
        texture.SetEnabled(true);
        return texture;
    }

    static TGLExtensionsAndEntryPoints& GL() { return *GetCurrentGL(); }
    // Level 0 of the texture (a cube face: its own target) in the image's own pixel format.
    static TBytes ReadTexture(GLenum bindTarget, GLenum faceTarget, uint32_t name, const TBytes& like,
                              const TGLBaseImage& image)
    {
        TBytes bytes(like.size());
        GL().ActiveTexture(GL_TEXTURE0);
        GL().BindTexture(bindTarget, name);
        GL().PixelStorei(GL_PACK_ALIGNMENT, 1);
        GL().GetTexImage(faceTarget, 0, image.ColorFormat(), image.DataType(), bytes.data());
        GL().BindTexture(bindTarget, 0);
        return bytes;
    }
    // The same for a 2D texture.
    static TBytes ReadTexture(uint32_t name, TGLBaseImage& image)
    {
        return ReadTexture(GL_TEXTURE_2D, GL_TEXTURE_2D, name, ImageBytes(image), image);
    }
    static GLint TexParameter(uint32_t name, GLenum parameter)
    {
        GLint value = 0;
        GL().BindTexture(GL_TEXTURE_2D, name);
        GL().GetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
        GL().BindTexture(GL_TEXTURE_2D, 0);
        return value;
    }
    static TBytes ImageBytes(TGLBaseImage& image, int32_t face = 0)
    {
        const uint8_t* start = image.GetLevelAddress(0, face);
        const size_t size = image.CubeMap() ? image.LevelSizeInByte(0) / 6 : image.LevelSizeInByte(0);
        return TBytes(start, start + size);
    }

    std::vector<std::unique_ptr<TGLTexture>> Textures;
    int Warnings = 0;
};

TEST_F(GLTexture, PicturesReadBackAsUploaded)
{
    auto bitmap = MakeBitmap(8, 4, 0x336699, 0xFF0000);
    TGLImage expected;
    expected.Assign(bitmap.get());
    TGLTexture& texture = PictureTexture(*bitmap);

    const uint32_t name = texture.Handle();
    ASSERT_NE(name, 0u);
    EXPECT_EQ(texture.Handle(), name);
    EXPECT_EQ(texture.TexWidth(), 8);
    EXPECT_EQ(texture.TexHeight(), 4);
    EXPECT_EQ(ReadTexture(name, expected), ImageBytes(expected));

    // A change of the picture reaches OpenGL on the next use; so does a context that lost the texture.
    auto changed = MakeBitmap(8, 4, 0x00FF00, 0x0000FF);
    expected.Assign(changed.get());
    static_cast<TGLPersistentImage*>(texture.Image())->Picture()->SetGraphic(changed.get());
    EXPECT_EQ(ReadTexture(texture.Handle(), expected), ImageBytes(expected));
    texture.DestroyHandles();
    EXPECT_FALSE(texture.IsHandleAllocated());
    EXPECT_EQ(ReadTexture(texture.Handle(), expected), ImageBytes(expected));
}

TEST_F(GLTexture, CubeMapFacesReadBackAsUploaded)
{
    TGLTexture& texture = NewTexture();
    texture.SetImageClassName("TGLCubeMapImage");
    texture.SetMinFilter(miLinear);
    auto* cube = static_cast<TGLCubeMapImage*>(texture.Image());
    TGLCubeMapImage expected(nullptr);
    for (int32_t face = 0; face < 6; ++face) {
        auto bitmap = MakeBitmap(4, 4, 0x202020u * uint32_t(face + 1), 0x0000FFu << face);
        cube->Picture(face)->SetGraphic(bitmap.get());
        expected.Picture(face)->SetGraphic(bitmap.get());
    }
    const uint32_t name = texture.Handle();
    ASSERT_NE(name, 0u);
    EXPECT_EQ(texture.TextureHandle()->Target(), ttTextureCube);
    TGLImage* image = expected.GetBitmap32();
    for (int32_t face = 0; face < 6; ++face)
        EXPECT_EQ(ReadTexture(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, name,
                              ImageBytes(*image, face), *image),
                  ImageBytes(*image, face))
            << face;
}

TEST_F(GLTexture, FiltersAndWrapReachOpenGL)
{
    auto bitmap = MakeBitmap(4, 4, 0x808080, 0x808080);
    TGLTexture& texture = PictureTexture(*bitmap);
    const GLint lodMipmap =
        GL().EXT_texture_lod || GL().SGIS_texture_lod ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
    struct TCase {
        TGLMinFilter Min;
        TGLMagFilter Mag;
        TGLTextureWrap Wrap;
        GLint GLMin, GLMag, S, T;
    };
    const TCase cases[] = {
        {miNearest, maNearest, twBoth, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT},
        {miLinear, maLinear, twNone, GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE},
        {miLinearMipmapLinear, maLinear, twVertical, lodMipmap, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_REPEAT},
        {miNearest, maLinear, twHorizontal, GL_NEAREST, GL_LINEAR, GL_REPEAT, GL_CLAMP_TO_EDGE},
    };
    for (const TCase& c : cases) {
        texture.SetMinFilter(c.Min);
        texture.SetMagFilter(c.Mag);
        texture.SetTextureWrap(c.Wrap);
        const uint32_t name = texture.Handle();
        EXPECT_EQ(TexParameter(name, GL_TEXTURE_MIN_FILTER), c.GLMin) << c.Min;
        EXPECT_EQ(TexParameter(name, GL_TEXTURE_MAG_FILTER), c.GLMag) << c.Min;
        EXPECT_EQ(TexParameter(name, GL_TEXTURE_WRAP_S), c.S) << c.Wrap;
        EXPECT_EQ(TexParameter(name, GL_TEXTURE_WRAP_T), c.T) << c.Wrap;
    }
    texture.SetTextureWrap(twSeparate);
    texture.SetTextureWrapS(twMirrorRepeat);
    texture.SetTextureWrapT(twClampToBorder);
    EXPECT_EQ(TexParameter(texture.Handle(), GL_TEXTURE_WRAP_S), GL_MIRRORED_REPEAT);
    EXPECT_EQ(TexParameter(texture.Handle(), GL_TEXTURE_WRAP_T), GL_CLAMP_TO_BORDER);
}

TEST_F(GLTexture, ApplyBindsOnTheUnitsAndRoutesCoordinates)
{
    auto bitmap = MakeBitmap(4, 4, 0x808080, 0x808080);
    TGLTexture& texture = PictureTexture(*bitmap);
    TGLStateCache& states = *Context->GLStates();

    texture.SetEnabled(false);
    texture.Apply(rci);
    EXPECT_EQ(states.TextureBinding(0, ttTexture2D), 0u);
    EXPECT_EQ(GetCurrentMultitextureCoordinator()->MapTexCoordMode(), mtcmMain);

    texture.SetEnabled(true);
    texture.SetTextureMode(tmModulate);
    texture.SetMappingMode(tmmSphere);
    const uint32_t name = texture.Handle();
    texture.Apply(rci);
    EXPECT_EQ(states.TextureBinding(0, ttTexture2D), name);
    EXPECT_TRUE(GL().IsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(GL().IsEnabled(GL_TEXTURE_GEN_S));
    GLint mode = 0;
    GL().GetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    texture.UnApply(rci);
    EXPECT_FALSE(GL().IsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(GL().IsEnabled(GL_TEXTURE_GEN_S));

    texture.ApplyAsTexture2(rci);
    EXPECT_EQ(states.TextureBinding(1, ttTexture2D), name);
    EXPECT_EQ(states.ActiveTexture(), 0);
    texture.UnApplyAsTexture2(rci, false);
    GL().ActiveTexture(GL_TEXTURE1);
    EXPECT_FALSE(GL().IsEnabled(GL_TEXTURE_2D));
    GL().ActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(GL().GetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GLTexture, TextureListsApplyOnTheirUnits)
{
    TGLUpdateAbleObject owner(nullptr);
    int changes = 0;
    owner.OnNotifyChange = [&](TObject*) { ++changes; };
    TGLTextureEx list(&owner);
    auto bitmap = MakeBitmap(4, 4, 0x808080, 0x808080);
    GLint maxUnits = 0;
    GL().GetIntegerv(GL_MAX_TEXTURE_UNITS, &maxUnits);
    TGLTextureExItem* first = list.Add();
    TGLTextureExItem* third = list.Add();
    TGLTextureExItem* beyond = list.Add();
    EXPECT_EQ(third->TextureIndex(), 1);
    third->SetTextureIndex(2);
    beyond->SetTextureIndex(-3);
    EXPECT_EQ(beyond->TextureIndex(), 0);
    beyond->SetTextureIndex(maxUnits);
    for (TGLTextureExItem* item : {first, third, beyond}) {
        static_cast<TGLPersistentImage*>(item->Texture()->Image())->Picture()->SetGraphic(bitmap.get());
        item->Texture()->SetMinFilter(miLinear);
        item->Texture()->SetEnabled(true);
    }
    EXPECT_EQ(third->DisplayName(), "Tex [2]");
    EXPECT_TRUE(list.IsTextureEnabled(2));
    EXPECT_FALSE(list.IsTextureEnabled(1));

    changes = 0;
    third->Texture()->SetMagFilter(maNearest);
    EXPECT_EQ(changes, 1);
    third->TextureScale()->SetVector(2, 2, 1);
    EXPECT_FALSE(third->TextureMatrixIsIdentity());
    EXPECT_EQ(third->TextureMatrix().X.X, 2.0f);

    list.Apply(rci);
    EXPECT_TRUE(first->Applied());
    EXPECT_TRUE(third->Applied());
    EXPECT_FALSE(beyond->Applied());
    EXPECT_EQ(Context->GLStates()->TextureBinding(2, ttTexture2D), third->Texture()->Handle());
    EXPECT_EQ(GetCurrentMultitextureCoordinator()->GetBitWiseMapping(), 5u);
    list.UnApply(rci);
    EXPECT_FALSE(third->Applied());

    // Inside an update bracket the units join the routing requested there (unit 0 from the first item), not
    // the null routing still installed.
    TGLMultitextureCoordinator& coordinator = *GetCurrentMultitextureCoordinator();
    coordinator.MapTexCoordToNull();
    coordinator.BeginUpdate();
    list.Apply(rci);
    coordinator.EndUpdate();
    EXPECT_EQ(coordinator.GetBitWiseMapping(), 5u);
    list.UnApply(rci);
    EXPECT_EQ(GL().GetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GLTexture, PixelsThatCannotBeHadShowTheErrorImage)
{
    TGLImage errorImage;
    errorImage.SetErrorImage();
    const TBytes errorBytes = ImageBytes(errorImage);
    TempFolder folder;
    std::ofstream(folder / "broken.bmp", std::ios::binary) << "BM this is no bitmap";
    for (const std::string& file : {folder / "missing.bmp", folder / "broken.bmp"}) {
        TGLTexture& texture = NewTexture();
        texture.SetImageClassName("TGLPicFileImage");
        static_cast<TGLPicFileImage*>(texture.Image())->SetPictureFileName(file);
        texture.SetMinFilter(miLinear);
        uint32_t name = 0;
        EXPECT_NO_THROW(name = texture.Handle()) << file;
        EXPECT_EQ(texture.TexWidth(), 64);
        EXPECT_EQ(ReadTexture(name, errorImage), errorBytes) << file;
    }
    EXPECT_EQ(Warnings, 1); // the missing file

    // A format the driver lacks: the texture itself turns to the error image, with plain sampling.
    TGLTexture& texture = NewTexture();
    texture.SetImageClassName("TGLBlankImage");
    texture.SetTextureFormatEx(tfDSDT8);
    texture.SetMappingMode(tmmSphere);
    ASSERT_FALSE(IsInternalFormatSupported(tfDSDT8));
    const uint32_t name = texture.Handle();
    EXPECT_EQ(texture.GetImageClassName(), "TGLBlankImage");
    EXPECT_EQ(texture.MinFilter(), miNearest);
    EXPECT_EQ(texture.MagFilter(), maNearest);
    EXPECT_EQ(texture.MappingMode(), tmmUser);
    EXPECT_EQ(texture.Compression(), tcNone);
    EXPECT_EQ(TexParameter(name, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(texture.TextureFormatEx(), tfRGBA8);
    EXPECT_EQ(ReadTexture(name, errorImage), errorBytes);
    EXPECT_EQ(GL().GetError(), GLenum(GL_NO_ERROR));
    // Kept, so a context that has to make the texture again shows the pattern too.
    texture.DestroyHandles();
    EXPECT_EQ(ReadTexture(texture.Handle(), errorImage), errorBytes);
}

TEST_F(GLTexture, AnOldErrorInTheQueueSpoilsNoUpload)
{
    auto bitmap = MakeBitmap(4, 4, 0x123456, 0x123456);
    TGLTexture& texture = PictureTexture(*bitmap);
    GL().Enable(0xFFFF); // GL_INVALID_ENUM waits in the queue
    texture.Handle();
    EXPECT_EQ(texture.GetImageClassName(), "TGLPersistentImage");
    EXPECT_EQ(texture.TexWidth(), 4);
}

} // namespace
