// Texture formats and targets: the format table, the mappings and the support tests, which read the flags of
// the calling thread's current entry points.
#include "GLTextureFormat.h"

#include "OpenGLAdapter.h"
#include "Raises.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int cFormatCount = tfRGBA16_SNORM + 1;

// Makes a table with the given flags set the calling thread's current one while it lives.
class TCurrentFlags {
public:
    explicit TCurrentFlags(std::initializer_list<bool TGLExtensionsAndEntryPoints::*> AFlags = {})
    {
        for (auto flag : AFlags) FTable.*flag = true;
        SetCurrentGL(&FTable);
    }
    ~TCurrentFlags() { SetCurrentGL(nullptr); }

private:
    TGLExtensionsAndEntryPoints FTable;
};

// The text of the assertion AAction fails, without its unit and line.
template <typename F> std::string AssertionText(F AAction)
{
    const std::string message = MessageOf<EAssertionFailed>(AAction);
    return message.substr(0, message.find(" ("));
}

} // namespace

TEST(GLTextureFormat, KeyRowsOfTheFormatTable)
{
    struct TRow {
        TGLInternalFormat Format;
        GLenum GLEnum, ColorFormat, DataType;
        int32_t Size;
        bool Depth, Float, Compressed;
    };
    const TRow rows[] = {
        {tfALPHA4, 0x803B, GL_ALPHA, GL_UNSIGNED_BYTE, 1, false, false, false},
        {tfLUMINANCE12_ALPHA4, 0x8046, GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT, 4, false, false, false},
        {tfINTENSITY8, 0x804B, GL_LUMINANCE, GL_UNSIGNED_BYTE, 1, false, false, false},
        {tfRGB10, 0x8052, GL_RGBA, GL_UNSIGNED_INT_10_10_10_2, 4, false, false, false},
        {tfRGBA8, 0x8058, GL_RGBA, GL_UNSIGNED_BYTE, 4, false, false, false},
        {tfCOMPRESSED_RGB_S3TC_DXT1, 0x83F0, 0x83F0, 0x83F0, 8, false, false, true},
        {tfCOMPRESSED_RGBA_S3TC_DXT5, 0x83F3, 0x83F3, 0x83F3, 16, false, false, true},
        {tfSIGNED_INTENSITY8, 0x8708, GL_INTENSITY, GL_BYTE, 1, false, false, false},
        {tfFLOAT_RGBA16, 0x888A, GL_RGBA, GL_HALF_FLOAT, 8, false, true, false},
        {tfDEPTH24_STENCIL8, 0x88F0, GL_DEPTH_STENCIL, GL_UNSIGNED_BYTE, 1, true, false, false},
        {tfDEPTH32F_STENCIL8, 0x8CAD, GL_DEPTH_STENCIL, GL_FLOAT, 4, true, true, false},
        {tfRGB9_E5, 0x8C3D, GL_RGBA, GL_FLOAT, 16, false, false, false},
        {tfCOMPRESSED_LUMINANCE_ALPHA_3DC, 0x8837, 0x8837, 0x8837, 16, false, false, true},
        {tfLUMINANCE_ALPHA32UI, 0x8D75, GL_LUMINANCE_ALPHA_INTEGER_EXT, GL_UNSIGNED_INT, 8, false, false, false},
        {tfRG32UI, 0x823C, GL_RG, GL_UNSIGNED_INT, 8, false, false, false},
        {tfR32F, 0x822E, GL_LUMINANCE, GL_FLOAT, 4, false, true, false},
        {tfCOMPRESSED_SIGNED_RG_RGTC2, 0x8DBE, 0x8DBE, 0x8DBE, 16, false, false, true},
        {tfRGBA16_SNORM, 0x8F9B, GL_RGBA, GL_SHORT, 8, false, false, false},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Format);
        GLenum colorFormat = 0, dataType = 0;
        InternalFormatPixelFormat(row.Format, colorFormat, dataType);
        EXPECT_EQ(InternalFormatToGLEnum(row.Format), row.GLEnum);
        EXPECT_EQ(colorFormat, row.ColorFormat);
        EXPECT_EQ(dataType, row.DataType);
        EXPECT_EQ(InternalFormatElementSize(row.Format), row.Size);
        EXPECT_EQ(IsDepthInternalFormat(row.Format), row.Depth);
        EXPECT_EQ(IsFloatInternalFormat(row.Format), row.Float);
        EXPECT_EQ(IsCompressedInternalFormat(row.Format), row.Compressed);
    }
}

TEST(GLTextureFormat, EveryFormatMapsToItsOwnGLEnumAndBack)
{
    for (int i = 0; i < cFormatCount; ++i) {
        const auto format = static_cast<TGLInternalFormat>(i);
        EXPECT_EQ(GLEnumToInternalFormat(InternalFormatToGLEnum(format)), format) << i;
    }
    EXPECT_EQ(AssertionText([] { GLEnumToInternalFormat(GL_RGBA); }), "Assertion failure");
}

TEST(GLTextureFormat, PixelElementSizeByColourFormatAndDataType)
{
    struct TCase {
        GLenum ColorFormat, DataType;
        int32_t Size;
    };
    const TCase cases[] = {
        {GL_RGB, GL_UNSIGNED_BYTE, 3},
        {GL_RGBA, GL_FLOAT, 16},
        {GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_REV, 4},
        {GL_BGR, GL_UNSIGNED_SHORT, 6},
        {GL_BGRA, GL_BYTE, 4},
        {GL_LUMINANCE_ALPHA_INTEGER_EXT, GL_INT, 8},
        {GL_RG_INTEGER, GL_HALF_FLOAT, 4},
        {GL_RED, GL_UNSIGNED_INT, 4},
        {GL_ALPHA, GL_BITMAP, 1},
        {GL_RGB, GL_UNSIGNED_BYTE_2_3_3_REV, 1},
        {GL_RGBA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2},
        {GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 4},
        {GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 8},
        {GL_RGBA, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT, 16},
        {GL_RGBA, GL_COMPRESSED_SIGNED_RED_RGTC1, 8},
        {GL_RGBA, 0x8837, 16}, // ATI's two-channel 3Dc
        {GL_RGBA, GL_DOUBLE, 1}, // any other type
    };
    for (const TCase& c : cases)
        EXPECT_EQ(PixelElementSize(c.ColorFormat, c.DataType), c.Size) << std::hex << c.ColorFormat << " " << c.DataType;
}

TEST(GLTextureFormat, GenericCompressedFormats)
{
    const std::pair<TGLInternalFormat, GLenum> cases[] = {
        {tfALPHA8, GL_COMPRESSED_ALPHA},          {tfLUMINANCE8, GL_COMPRESSED_LUMINANCE},
        {tfLUMINANCE8_ALPHA8, GL_COMPRESSED_LUMINANCE_ALPHA}, {tfINTENSITY8, GL_COMPRESSED_INTENSITY},
        {tfRGB5, GL_COMPRESSED_RGB},              {tfRGB8, GL_COMPRESSED_RGB},
        {tfRGBA4, GL_COMPRESSED_RGBA},            {tfRGBA8, GL_COMPRESSED_RGBA},
    };
    for (const auto& [format, compressed] : cases) EXPECT_EQ(InternalFormatToGenericCompressed(format), compressed);
    EXPECT_EQ(AssertionText([] { InternalFormatToGenericCompressed(tfALPHA4); }), "Assertion failure");
}

TEST(GLTextureFormat, TargetsMapBothWaysAndUnknownOnesFailAnAssertion)
{
    for (int i = ttTexture1D; i <= ttTextureCubeArray; ++i) {
        const auto target = static_cast<TGLTextureTarget>(i);
        EXPECT_EQ(GLEnumToTextureTarget(TextureTargetToGLEnum(target)), target) << i;
    }
    EXPECT_EQ(TextureTargetToGLEnum(ttTextureCube), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(GLEnumToTextureTarget(GL_TEXTURE_CUBE_MAP), ttTextureCube);
    EXPECT_EQ(AssertionText([] { TextureTargetToGLEnum(ttNoShape); }), "Assertion failure");
    EXPECT_EQ(AssertionText([] { GLEnumToTextureTarget(GL_TEXTURE_CUBE_MAP_POSITIVE_X); }), "Error: Unknown type!");
    EXPECT_EQ(AssertionText([] { GLEnumToTextureTarget(0); }), "Error: Unknown type!");

    EXPECT_FALSE(TargetSupportsMipmaps(GL_TEXTURE_RECTANGLE));
    EXPECT_FALSE(TargetSupportsMipmaps(GL_TEXTURE_2D_MULTISAMPLE));
    EXPECT_FALSE(TargetSupportsMipmaps(GL_TEXTURE_2D_MULTISAMPLE_ARRAY));
    EXPECT_TRUE(TargetSupportsMipmaps(GL_TEXTURE_2D));
    EXPECT_TRUE(TargetSupportsMipmaps(GL_TEXTURE_CUBE_MAP_ARRAY));
}

TEST(GLTextureFormat, EachFlagSupportsExactlyItsFormats)
{
    using TFlag = bool TGLExtensionsAndEntryPoints::*;
    using TRange = std::pair<TGLInternalFormat, TGLInternalFormat>;
    struct TRule {
        TFlag Flag;
        std::vector<TRange> Formats;
    };
    using T = TGLExtensionsAndEntryPoints;
    const TRule rules[] = {
        {&T::VERSION_1_1, {{tfALPHA4, tfALPHA16}, {tfLUMINANCE4, tfR16G16B16A16}}},
        {&T::ARB_depth_texture, {{tfDEPTH_COMPONENT16, tfDEPTH_COMPONENT32}}},
        {&T::EXT_texture_compression_s3tc, {{tfCOMPRESSED_RGB_S3TC_DXT1, tfCOMPRESSED_RGBA_S3TC_DXT5}}},
        {&T::NV_texture_shader, {{tfSIGNED_LUMINANCE8, tfDSDT8_MAG8_INTENSITY8}}},
        {&T::NV_texture_shader3, {{tfHILO8, tfSIGNED_HILO8}}},
        {&T::NV_float_buffer, {{tfFLOAT_R16, tfFLOAT_RGBA32}}},
        {&T::ARB_texture_float, {{tfRGBA_FLOAT32, tfLUMINANCE_ALPHA_FLOAT16}}},
        {&T::ATI_texture_float, {{tfRGBA_FLOAT32, tfLUMINANCE_ALPHA_FLOAT16}}},
        {&T::EXT_packed_depth_stencil, {{tfDEPTH24_STENCIL8, tfDEPTH24_STENCIL8}}},
        {&T::NV_depth_buffer_float, {{tfDEPTH_COMPONENT32F, tfDEPTH32F_STENCIL8}}},
        {&T::EXT_texture_sRGB, {{tfSRGB8, tfCOMPRESSED_SRGB_ALPHA_S3TC_DXT5}}},
        {&T::EXT_texture_shared_exponent, {{tfRGB9_E5, tfRGB9_E5}}},
        {&T::EXT_packed_float, {{tfR11F_G11F_B10F, tfR11F_G11F_B10F}}},
        {&T::EXT_texture_compression_latc,
         {{tfCOMPRESSED_LUMINANCE_LATC1, tfCOMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2}}},
        {&T::ATI_texture_compression_3dc, {{tfCOMPRESSED_LUMINANCE_ALPHA_3DC, tfCOMPRESSED_LUMINANCE_ALPHA_3DC}}},
        {&T::EXT_texture_integer, {{tfRGBA32UI, tfLUMINANCE_ALPHA8I}}},
        {&T::ARB_texture_rg, {{tfRG32UI, tfR32F}}},
        {&T::ARB_texture_compression_rgtc, {{tfCOMPRESSED_RED_RGTC1, tfCOMPRESSED_SIGNED_RG_RGTC2}}},
        {&T::VERSION_3_1, {{tfR8_SNORM, tfRGBA16_SNORM}}},
    };
    {
        TCurrentFlags none;
        for (int i = 0; i < cFormatCount; ++i) EXPECT_FALSE(IsInternalFormatSupported(TGLInternalFormat(i))) << i;
    }
    for (const TRule& rule : rules) {
        TCurrentFlags current({rule.Flag});
        for (int i = 0; i < cFormatCount; ++i) {
            bool expected = false;
            for (const auto& [first, last] : rule.Formats) expected = expected || (i >= first && i <= last);
            EXPECT_EQ(IsInternalFormatSupported(TGLInternalFormat(i)), expected) << "format " << i;
        }
    }
}

TEST(GLTextureFormat, EachFlagSupportsExactlyItsTargets)
{
    using T = TGLExtensionsAndEntryPoints;
    const std::pair<bool T::*, std::vector<TGLTextureTarget>> rules[] = {
        {&T::VERSION_1_1, {ttTexture1D, ttTexture2D}},
        {&T::EXT_texture_object, {ttTexture1D, ttTexture2D}},
        {&T::EXT_texture3D, {ttTexture3D}},
        {&T::ARB_texture_rectangle, {ttTextureRect}},
        {&T::ARB_texture_cube_map, {ttTextureCube}},
        {&T::EXT_texture_array, {ttTexture1DArray, ttTexture2DArray}},
        {&T::ARB_texture_buffer_object, {ttTextureBuffer}},
        {&T::ARB_texture_cube_map_array, {ttTextureCubeArray}},
        {&T::ARB_texture_multisample, {ttTexture2DMultisample, ttTexture2DMultisampleArray}},
    };
    for (const auto& [flag, targets] : rules) {
        TCurrentFlags current({flag});
        for (int i = ttTexture1D; i <= ttTextureCubeArray; ++i) {
            const bool expected = std::find(targets.begin(), targets.end(), i) != targets.end();
            EXPECT_EQ(IsTextureTargetSupported(TGLTextureTarget(i)), expected) << "target " << i;
        }
    }
    TCurrentFlags cubeMaps({&T::ARB_texture_cube_map});
    EXPECT_TRUE(IsGLTargetSupported(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z));
    EXPECT_EQ(AssertionText([] { IsGLTargetSupported(GL_RGBA); }), "Error: Unknown type!");
}
