// Texture targets and internal formats: the enumerations images, pixel conversion, image files, textures and
// the state cache speak in, the constant format table behind them, and whether the current context supports
// a format or target.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>

enum TGLTextureTarget {
    ttNoShape,
    ttTexture1D,
    ttTexture2D,
    ttTexture3D,
    ttTexture1DArray,
    ttTexture2DArray,
    ttTextureRect,
    ttTextureBuffer,
    ttTextureCube,
    ttTexture2DMultisample,
    ttTexture2DMultisampleArray,
    ttTextureCubeArray
};

enum TGLSeparateTextureWrap {
    twRepeat,
    twClampToEdge,
    twClampToBorder,
    twMirrorRepeat,
    twMirrorClampToEdge,
    twMirrorClampToBorder
};

enum TGLTextureCompareMode { tcmNone, tcmCompareRtoTexture };

enum TGLTextureFilteringQuality { tfIsotropic, tfAnisotropic };

enum TGLInternalCompression { tcDefault, tcNone, tcStandard, tcHighQuality, tcHighSpeed };

enum TGLInternalFormat {
#define GL_INTERNAL_FORMAT(Value, InternalFormat, ColorFormat, DataType, Flags) Value,
#include "GLTextureFormat.inc"
#undef GL_INTERNAL_FORMAT
};

// The GL internal format of a value, and back: the first value of that format in table order; a format in no
// row fails an assertion.
GLenum InternalFormatToGLEnum(TGLInternalFormat AFormat);
TGLInternalFormat GLEnumToInternalFormat(GLenum AGLEnum);
// The colour format and data type in which pixels of the format are exchanged with OpenGL.
void InternalFormatPixelFormat(TGLInternalFormat AFormat, GLenum& AColorFormat, GLenum& ADataType);
// Bytes of one pixel of the format, or of one 4 x 4 block of a compressed one.
int32_t InternalFormatElementSize(TGLInternalFormat AFormat);
// Bytes of one pixel in AColorFormat and ADataType, or of one 4 x 4 block when ADataType is a compressed
// format.
int32_t PixelElementSize(GLenum AColorFormat, GLenum ADataType);
// The generic compressed format a texture asks for when it wants the driver to compress; only the plain 8-bit
// and 4/5-bit colour formats have one, any other fails an assertion.
GLenum InternalFormatToGenericCompressed(TGLInternalFormat AFormat);

bool IsFloatInternalFormat(TGLInternalFormat AFormat);
bool IsDepthInternalFormat(TGLInternalFormat AFormat);
bool IsCompressedInternalFormat(TGLInternalFormat AFormat);

// Whether the entry points current on the calling thread report the version or extension the format needs.
bool IsInternalFormatSupported(TGLInternalFormat AFormat);
// Whether the current entry points support a texture target (a cube-map face counts as the cube map); an
// enum that is no target fails an assertion.
bool IsGLTargetSupported(GLenum AGLTarget);
bool IsTextureTargetSupported(TGLTextureTarget ATarget);

// ttNoShape has no GL target and fails an assertion; so does a GL enum that is no target.
GLenum TextureTargetToGLEnum(TGLTextureTarget ATarget);
TGLTextureTarget GLEnumToTextureTarget(GLenum AGLTarget);
// False for the rectangle and the two multisample targets.
bool TargetSupportsMipmaps(GLenum AGLTarget);
