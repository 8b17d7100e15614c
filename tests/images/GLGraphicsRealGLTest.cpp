// Images uploaded into textures and read back on Mesa: byte for byte for each target, and the frame buffer.
#include "GLContext.h"
#include "GLFileDDS.h"
#include "GLFilePNG.h"
#include "GLPlatformHelpers.h"
#include "GLState.h"
#include "ImageTestUtils.h"
#include "../gl/RealGLTestContext.h"
#include "OpenGLAdapter.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A shaped image of the given levels, its bytes numbered.
class TNumberedImage : public TShapedImage {
public:
    TNumberedImage(int32_t w, int32_t h, int32_t d, int32_t levels, TGLInternalFormat internalFormat,
                   GLenum colorFormat, GLenum dataType, int32_t elementSize, bool cube = false)
        : TShapedImage(w, h, d, internalFormat, colorFormat, dataType, elementSize, cube)
    {
        SetLevels(levels);
        Number();
    }
};

struct TFreeHandle {
    void operator()(TGLTextureHandle* handle) const { Free(handle); }
};
using TTexture = std::unique_ptr<TGLTextureHandle, TFreeHandle>;

// A new texture of the target, bound on unit 0.
TTexture NewTexture(TGLContext* context, TGLTextureTarget target)
{
    TTexture texture(TGLContextHandle::CreateAndAllocate<TGLTextureHandle>());
    texture->SetTarget(target);
    context->GLStates()->SetTextureBinding(0, target, texture->Handle());
    return texture;
}

class GLGraphicsRealGL : public RealGLCurrentContext {
protected:
    GLGraphicsRealGL() : RealGLCurrentContext(128, 8) {}

    // Uploads the image into a new texture of the target and reads it back into another image.
    void RoundTrip(TGLBaseImage& image, TGLTextureTarget target, GLenum internalFormat, TGLBaseImage& readBack)
    {
        TTexture handle = NewTexture(Context, target);
        int32_t w = 0, h = 0, d = 0;
        image.RegisterAsOpenGLTexture(handle.get(), false, internalFormat, w, h, d);
        EXPECT_EQ(GetCurrentGL()->GetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(w, image.Width());
        handle->NotifyDataUpdated();
        ASSERT_TRUE(readBack.AssignFromTexture(handle.get(), true, tfRGBA8));
    }

    static void ExpectSameLevels(TGLBaseImage& a, TGLBaseImage& b)
    {
        ASSERT_EQ(a.LevelCount(), b.LevelCount());
        EXPECT_EQ(a.Width(), b.Width());
        EXPECT_EQ(a.Height(), b.Height());
        EXPECT_EQ(a.Depth(), b.Depth());
        EXPECT_EQ(a.CubeMap(), b.CubeMap());
        for (int level = 0; level < a.LevelCount(); ++level) EXPECT_EQ(LevelBytes(a, level), LevelBytes(b, level));
    }
};

} // namespace

TEST_F(GLGraphicsRealGL, UploadAndReadBackEachTargetByteForByte)
{
    {
        TNumberedImage mipmapped(8, 4, 0, 4, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4);
        TGLImage back;
        RoundTrip(mipmapped, ttTexture2D, GL_RGBA8, back);
        ExpectSameLevels(mipmapped, back);
        EXPECT_FALSE(back.Blank());
    }
    {
        // RGB rows of 5 pixels are 15 bytes: nothing pads them.
        TNumberedImage rgb(5, 4, 0, 1, tfRGB8, GL_RGB, GL_UNSIGNED_BYTE, 3);
        TGLImage back;
        RoundTrip(rgb, ttTexture2D, GL_RGB8, back);
        ExpectSameLevels(rgb, back);
    }
    {
        TNumberedImage cube(4, 4, 0, 2, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, true);
        TGLImage back;
        RoundTrip(cube, ttTextureCube, GL_RGBA8, back);
        ExpectSameLevels(cube, back);
        EXPECT_EQ(back.GetTextureTarget(), ttTextureCube);
    }
    {
        TNumberedImage volume(4, 4, 4, 1, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4);
        TGLImage back;
        RoundTrip(volume, ttTexture3D, GL_RGBA8, back);
        back.UnMipmap(); // the read-back keeps every level a volume can have; the upload gave one
        EXPECT_EQ(LevelBytes(back), LevelBytes(volume));
        EXPECT_EQ(back.Depth(), 4);
    }
    if (GetCurrentGL()->EXT_texture_compression_s3tc) {
        TNumberedImage dxt1(8, 8, 0, 4, tfCOMPRESSED_RGBA_S3TC_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT,
                            GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 8);
        TGLDDSImage back;
        RoundTrip(dxt1, ttTexture2D, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, back);
        ExpectSameLevels(dxt1, back);
    }
}

TEST_F(GLGraphicsRealGL, AStaleErrorIsClearedBeforeTheUpload)
{
    TGLExtensionsAndEntryPoints* GL = GetCurrentGL();
    GL->Enable(0xFFFF); // GL_INVALID_ENUM, left in the queue
    TNumberedImage image(2, 2, 0, 1, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    TTexture handle = NewTexture(Context, ttTexture2D);
    int32_t w, h, d;
    image.RegisterAsOpenGLTexture(handle.get(), true, GL_RGBA8, w, h, d);
    EXPECT_EQ(GL->GetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GLGraphicsRealGL, ABufferShorterThanItsLayoutUploadsNoPixels)
{
    TNumberedImage image(64, 64, 0, 1, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    image.KeepBytes(16);
    TTexture handle = NewTexture(Context, ttTexture2D);
    int32_t w, h, d;
    image.RegisterAsOpenGLTexture(handle.get(), false, GL_RGBA8, w, h, d);
    EXPECT_TRUE(image.Blank());
    EXPECT_EQ(w, 64);
    EXPECT_EQ(GetCurrentGL()->GetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GLGraphicsRealGL, OtherReadBacks)
{
    TNumberedImage image(4, 2, 0, 1, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    TTexture handle = NewTexture(Context, ttTexture2D);
    int32_t w, h, d;
    image.RegisterAsOpenGLTexture(handle.get(), false, GL_RGBA8, w, h, d);
    handle->NotifyDataUpdated();

    // The 2D read-back keeps the active unit's binding.
    Context->GLStates()->SetTextureBinding(0, ttTexture2D, 0);
    TGLImage rgba;
    rgba.AssignFromTexture2D(handle.get());
    EXPECT_EQ(LevelBytes(rgba), LevelBytes(image));
    EXPECT_EQ(Context->GLStates()->TextureBinding(0, ttTexture2D), 0u);

    TGLPNGImage png;
    png.AssignFromTexture(Context, handle->Handle(), ttTexture2D, true, tfRGB8);
    EXPECT_EQ(LevelBytes(png), LevelBytes(image));
    TGLDDSImage dds;
    dds.AssignFromTexture(Context, handle->Handle(), ttTexture2D, true, tfRGB8);
    EXPECT_EQ(LevelBytes(dds), LevelBytes(image));

    TGLImage empty;
    empty.AssignFromTexture2D(static_cast<TGLTextureHandle*>(nullptr));
    EXPECT_TRUE(empty.IsEmpty());
}

TEST_F(GLGraphicsRealGL, ReadPixelsTakesWholeGroupsOfFourColumns)
{
    TGLExtensionsAndEntryPoints* GL = GetCurrentGL();
    GL->ClearColor(1, 0, 0, 1);
    GL->Clear(GL_COLOR_BUFFER_BIT);
    TGLImage image;
    image.ReadPixels(TRect{0, 0, 101, 3});
    EXPECT_EQ(image.Width(), 100);
    EXPECT_EQ(image.Height(), 3);
    EXPECT_EQ(TBytes(image.DataBytes(), image.DataBytes() + 4), (TBytes{255, 0, 0, 255}));
    EXPECT_EQ(TBytes(image.DataBytes() + 4 * 299, image.DataBytes() + 4 * 300), (TBytes{255, 0, 0, 255}));
}

TEST_F(GLGraphicsRealGL, WithoutNonPowerOfTwoSupportARescaledCopyIsUploadedWithItsOwnMipmaps)
{
    TGLExtensionsAndEntryPoints* GL = GetCurrentGL();
    const bool npot = GL->ARB_texture_non_power_of_two, generate = GL->SGIS_generate_mipmap;
    GL->ARB_texture_non_power_of_two = false;
    GL->SGIS_generate_mipmap = false;
    TNumberedImage image(5, 3, 0, 1, tfRGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4);
    for (size_t i = 0; i < 5 * 3; ++i) std::memcpy(image.DataBytes() + i * 4, TBytes{30, 60, 90, 255}.data(), 4);
    TTexture handle = NewTexture(Context, ttTexture2D);
    int32_t w, h, d;
    image.RegisterAsOpenGLTexture(handle.get(), true, GL_RGBA8, w, h, d);
    GL->ARB_texture_non_power_of_two = npot;
    GL->SGIS_generate_mipmap = generate;
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(image.Width(), 5); // the image itself is left as it was
    EXPECT_EQ(image.LevelCount(), 1);
    handle->NotifyDataUpdated();
    TGLImage back;
    ASSERT_TRUE(back.AssignFromTexture(handle.get(), true, tfRGBA8));
    ASSERT_EQ(back.LevelCount(), 4);
    EXPECT_EQ(back.Width(), 8);
    // A flat colour stays flat down to 1 x 1.
    for (int level = 0; level < 4; ++level) {
        const uint8_t* p = back.GetLevelAddress(level);
        EXPECT_NEAR(p[0], 30, 1) << level;
        EXPECT_NEAR(p[2], 90, 1) << level;
    }
}
