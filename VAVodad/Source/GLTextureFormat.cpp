#include "GLTextureFormat.h"

#include "OpenGLAdapter.h"
#include "SysUtils.h"

#include <iterator>

static const char* const cUnit = "VAVodad\\Source\\GLTextureFormat";
static const char* const cUnknownType = "Error: Unknown type!";

// ATI's two-channel compressed format, known to no header of ours.
static constexpr GLenum cCompressedLuminanceAlpha3DC = 0x8837;

enum : uint8_t { ffDepth = 1, ffFloat = 2, ffCompressed = 4 };

struct TInternalFormatRow {
    GLenum InternalFormat;
    GLenum ColorFormat;
    GLenum DataType;
    uint8_t Flags;
};

static constexpr TInternalFormatRow cInternalFormats[] = {
#define GL_INTERNAL_FORMAT(Value, InternalFormat, ColorFormat, DataType, Flags) \
    {InternalFormat, ColorFormat, DataType, Flags},
#include "GLTextureFormat.inc"
#undef GL_INTERNAL_FORMAT
};
static_assert(std::size(cInternalFormats) == tfRGBA16_SNORM + 1, "one row per internal format");

static constexpr GLenum cTextureTargets[] = {
    0, // ttNoShape
    GL_TEXTURE_1D,
    GL_TEXTURE_2D,
    GL_TEXTURE_3D,
    GL_TEXTURE_1D_ARRAY,
    GL_TEXTURE_2D_ARRAY,
    GL_TEXTURE_RECTANGLE,
    GL_TEXTURE_BUFFER,
    GL_TEXTURE_CUBE_MAP,
    GL_TEXTURE_2D_MULTISAMPLE,
    GL_TEXTURE_2D_MULTISAMPLE_ARRAY,
    GL_TEXTURE_CUBE_MAP_ARRAY,
};
static_assert(std::size(cTextureTargets) == ttTextureCubeArray + 1, "one GL target per texture target");

GLenum InternalFormatToGLEnum(TGLInternalFormat AFormat)
{
    return cInternalFormats[AFormat].InternalFormat;
}

TGLInternalFormat GLEnumToInternalFormat(GLenum AGLEnum)
{
    for (size_t i = 0; i < std::size(cInternalFormats); ++i)
        if (cInternalFormats[i].InternalFormat == AGLEnum) return static_cast<TGLInternalFormat>(i);
    Assert(false, "", cUnit);
    return tfRGBA8;
}

void InternalFormatPixelFormat(TGLInternalFormat AFormat, GLenum& AColorFormat, GLenum& ADataType)
{
    AColorFormat = cInternalFormats[AFormat].ColorFormat;
    ADataType = cInternalFormats[AFormat].DataType;
}

int32_t InternalFormatElementSize(TGLInternalFormat AFormat)
{
    return PixelElementSize(cInternalFormats[AFormat].ColorFormat, cInternalFormats[AFormat].DataType);
}

int32_t PixelElementSize(GLenum AColorFormat, GLenum ADataType)
{
    int32_t components = 1;
    switch (AColorFormat) {
    case GL_RGB:
    case GL_BGR:
    case GL_RGB_INTEGER: components = 3; break;
    case GL_RGBA:
    case GL_BGRA:
    case GL_RGBA_INTEGER: components = 4; break;
    case GL_LUMINANCE_ALPHA:
    case GL_RG:
    case GL_RG_INTEGER:
    case GL_LUMINANCE_ALPHA_INTEGER_EXT: components = 2; break;
    default: break;
    }
    switch (ADataType) {
    case GL_BYTE:
    case GL_UNSIGNED_BYTE:
    case GL_BITMAP: return components;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT:
    case GL_HALF_FLOAT: return components * 2;
    case GL_INT:
    case GL_UNSIGNED_INT:
    case GL_FLOAT: return components * 4;
    case GL_UNSIGNED_BYTE_3_3_2:
    case GL_UNSIGNED_BYTE_2_3_3_REV: return 1;
    case GL_UNSIGNED_SHORT_4_4_4_4:
    case GL_UNSIGNED_SHORT_5_5_5_1:
    case GL_UNSIGNED_SHORT_5_6_5:
    case GL_UNSIGNED_SHORT_5_6_5_REV:
    case GL_UNSIGNED_SHORT_4_4_4_4_REV:
    case GL_UNSIGNED_SHORT_1_5_5_5_REV: return 2;
    case GL_UNSIGNED_INT_8_8_8_8:
    case GL_UNSIGNED_INT_10_10_10_2:
    case GL_UNSIGNED_INT_8_8_8_8_REV:
    case GL_UNSIGNED_INT_2_10_10_10_REV: return 4;
    // Compressed formats: bytes per 4 x 4 block.
    case GL_COMPRESSED_RGB_S3TC_DXT1_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT1_EXT:
    case GL_COMPRESSED_SRGB_S3TC_DXT1_EXT:
    case GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT:
    case GL_COMPRESSED_LUMINANCE_LATC1_EXT:
    case GL_COMPRESSED_SIGNED_LUMINANCE_LATC1_EXT:
    case GL_COMPRESSED_RED_RGTC1:
    case GL_COMPRESSED_SIGNED_RED_RGTC1: return 8;
    case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT:
    case GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT:
    case GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT:
    case GL_COMPRESSED_LUMINANCE_ALPHA_LATC2_EXT:
    case GL_COMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2_EXT:
    case GL_COMPRESSED_RG_RGTC2:
    case GL_COMPRESSED_SIGNED_RG_RGTC2:
    case cCompressedLuminanceAlpha3DC: return 16;
    default: return 1;
    }
}

GLenum InternalFormatToGenericCompressed(TGLInternalFormat AFormat)
{
    switch (AFormat) {
    case tfALPHA8: return GL_COMPRESSED_ALPHA;
    case tfLUMINANCE8: return GL_COMPRESSED_LUMINANCE;
    case tfLUMINANCE8_ALPHA8: return GL_COMPRESSED_LUMINANCE_ALPHA;
    case tfINTENSITY8: return GL_COMPRESSED_INTENSITY;
    case tfRGB5:
    case tfRGB8: return GL_COMPRESSED_RGB;
    case tfRGBA4:
    case tfRGBA8: return GL_COMPRESSED_RGBA;
    default:
        Assert(false, "", cUnit);
        return GL_COMPRESSED_RGBA;
    }
}

bool IsFloatInternalFormat(TGLInternalFormat AFormat)
{
    return (cInternalFormats[AFormat].Flags & ffFloat) != 0;
}

bool IsDepthInternalFormat(TGLInternalFormat AFormat)
{
    return (cInternalFormats[AFormat].Flags & ffDepth) != 0;
}

bool IsCompressedInternalFormat(TGLInternalFormat AFormat)
{
    return (cInternalFormats[AFormat].Flags & ffCompressed) != 0;
}

static bool InRange(TGLInternalFormat AFormat, TGLInternalFormat AFirst, TGLInternalFormat ALast)
{
    return AFormat >= AFirst && AFormat <= ALast;
}

bool IsInternalFormatSupported(TGLInternalFormat AFormat)
{
    const TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    if (InRange(AFormat, tfALPHA4, tfALPHA16) || InRange(AFormat, tfLUMINANCE4, tfR16G16B16A16)) return gl.VERSION_1_1;
    if (InRange(AFormat, tfDEPTH_COMPONENT16, tfDEPTH_COMPONENT32)) return gl.ARB_depth_texture;
    if (InRange(AFormat, tfCOMPRESSED_RGB_S3TC_DXT1, tfCOMPRESSED_RGBA_S3TC_DXT5))
        return gl.EXT_texture_compression_s3tc;
    if (InRange(AFormat, tfSIGNED_LUMINANCE8, tfDSDT8_MAG8_INTENSITY8)) return gl.NV_texture_shader;
    if (InRange(AFormat, tfHILO8, tfSIGNED_HILO8)) return gl.NV_texture_shader3;
    if (InRange(AFormat, tfFLOAT_R16, tfFLOAT_RGBA32)) return gl.NV_float_buffer;
    if (InRange(AFormat, tfRGBA_FLOAT32, tfLUMINANCE_ALPHA_FLOAT16)) return gl.ARB_texture_float || gl.ATI_texture_float;
    if (AFormat == tfDEPTH24_STENCIL8) return gl.EXT_packed_depth_stencil;
    if (InRange(AFormat, tfDEPTH_COMPONENT32F, tfDEPTH32F_STENCIL8)) return gl.NV_depth_buffer_float;
    if (InRange(AFormat, tfSRGB8, tfCOMPRESSED_SRGB_ALPHA_S3TC_DXT5)) return gl.EXT_texture_sRGB;
    if (AFormat == tfRGB9_E5) return gl.EXT_texture_shared_exponent;
    if (AFormat == tfR11F_G11F_B10F) return gl.EXT_packed_float;
    if (InRange(AFormat, tfCOMPRESSED_LUMINANCE_LATC1, tfCOMPRESSED_SIGNED_LUMINANCE_ALPHA_LATC2))
        return gl.EXT_texture_compression_latc;
    if (AFormat == tfCOMPRESSED_LUMINANCE_ALPHA_3DC) return gl.ATI_texture_compression_3dc;
    if (InRange(AFormat, tfRGBA32UI, tfLUMINANCE_ALPHA8I)) return gl.EXT_texture_integer;
    if (InRange(AFormat, tfRG32UI, tfR32F)) return gl.ARB_texture_rg;
    if (InRange(AFormat, tfCOMPRESSED_RED_RGTC1, tfCOMPRESSED_SIGNED_RG_RGTC2)) return gl.ARB_texture_compression_rgtc;
    return gl.VERSION_3_1; // tfR8_SNORM .. tfRGBA16_SNORM
}

bool IsGLTargetSupported(GLenum AGLTarget)
{
    const TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    switch (AGLTarget) {
    case GL_TEXTURE_1D:
    case GL_TEXTURE_2D: return gl.VERSION_1_1 || gl.EXT_texture_object;
    case GL_TEXTURE_3D: return gl.EXT_texture3D;
    case GL_TEXTURE_RECTANGLE: return gl.ARB_texture_rectangle;
    case GL_TEXTURE_CUBE_MAP:
    case GL_TEXTURE_CUBE_MAP_POSITIVE_X:
    case GL_TEXTURE_CUBE_MAP_NEGATIVE_X:
    case GL_TEXTURE_CUBE_MAP_POSITIVE_Y:
    case GL_TEXTURE_CUBE_MAP_NEGATIVE_Y:
    case GL_TEXTURE_CUBE_MAP_POSITIVE_Z:
    case GL_TEXTURE_CUBE_MAP_NEGATIVE_Z: return gl.ARB_texture_cube_map;
    case GL_TEXTURE_1D_ARRAY:
    case GL_TEXTURE_2D_ARRAY: return gl.EXT_texture_array;
    case GL_TEXTURE_BUFFER: return gl.ARB_texture_buffer_object;
    case GL_TEXTURE_CUBE_MAP_ARRAY: return gl.ARB_texture_cube_map_array;
    case GL_TEXTURE_2D_MULTISAMPLE:
    case GL_TEXTURE_2D_MULTISAMPLE_ARRAY: return gl.ARB_texture_multisample;
    default:
        Assert(false, cUnknownType, cUnit);
        return false;
    }
}

bool IsTextureTargetSupported(TGLTextureTarget ATarget)
{
    return IsGLTargetSupported(TextureTargetToGLEnum(ATarget));
}

GLenum TextureTargetToGLEnum(TGLTextureTarget ATarget)
{
    Assert(ATarget != ttNoShape, "", cUnit);
    return cTextureTargets[ATarget];
}

TGLTextureTarget GLEnumToTextureTarget(GLenum AGLTarget)
{
    for (size_t i = ttTexture1D; i < std::size(cTextureTargets); ++i)
        if (cTextureTargets[i] == AGLTarget) return static_cast<TGLTextureTarget>(i);
    Assert(false, cUnknownType, cUnit);
    return ttTexture2D;
}

bool TargetSupportsMipmaps(GLenum AGLTarget)
{
    return AGLTarget != GL_TEXTURE_RECTANGLE && AGLTarget != GL_TEXTURE_2D_MULTISAMPLE &&
           AGLTarget != GL_TEXTURE_2D_MULTISAMPLE_ARRAY;
}
