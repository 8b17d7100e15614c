// DDS headers and the mapping between their pixel formats and OpenGL formats in both directions, and the
// vertical flip of DXT1, DXT3 and DXT5 blocks. All header words are little-endian.
#pragma once

#include "GLTextureFormat.h"

#include <cstddef>
#include <cstdint>

// Pixel-format flags.
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;

// Surface flags.
constexpr uint32_t DDSD_CAPS = 0x1;
constexpr uint32_t DDSD_HEIGHT = 0x2;
constexpr uint32_t DDSD_WIDTH = 0x4;
constexpr uint32_t DDSD_PITCH = 0x8;
constexpr uint32_t DDSD_PIXELFORMAT = 0x1000;
constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSD_LINEARSIZE = 0x80000;
constexpr uint32_t DDSD_DEPTH = 0x800000;

constexpr uint32_t DDSCAPS_COMPLEX = 0x8;
constexpr uint32_t DDSCAPS_TEXTURE = 0x1000;
constexpr uint32_t DDSCAPS_MIPMAP = 0x400000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;

constexpr uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t FOURCC_DDS = MakeFourCC('D', 'D', 'S', ' ');
constexpr uint32_t FOURCC_DX10 = MakeFourCC('D', 'X', '1', '0');

struct TDDPixelFormat {
    uint32_t dwSize;
    uint32_t dwFlags;
    uint32_t dwFourCC;
    uint32_t dwRGBBitCount;
    uint32_t dwRBitMask;
    uint32_t dwGBitMask;
    uint32_t dwBBitMask;
    uint32_t dwRGBAlphaBitMask;
};

struct TDDSCaps2 {
    uint32_t dwCaps;
    uint32_t dwCaps2;
    uint32_t dwCaps3;
    uint32_t dwCaps4;
};

struct TDDSurfaceDesc2 {
    uint32_t dwSize;
    uint32_t dwFlags;
    uint32_t dwHeight;
    uint32_t dwWidth;
    uint32_t dwPitchOrLinearSize;
    uint32_t dwDepth;
    uint32_t dwMipMapCount;
    uint32_t dwReserved1[11];
    TDDPixelFormat ddpfPixelFormat;
    TDDSCaps2 ddsCaps;
    uint32_t dwReserved2;
};

// The 128 bytes at the start of a DDS file.
struct TDDSHeader {
    uint32_t Magic;
    TDDSurfaceDesc2 SurfaceFormat;
};
static_assert(sizeof(TDDSHeader) == 128);

// The extra header of files whose FourCC is "DX10".
struct TDDS_HEADER_DXT10 {
    uint32_t dxgiFormat;
    uint32_t resourceDimension;
    uint32_t miscFlag;
    uint32_t arraySize;
    uint32_t reserved;
};
static_assert(sizeof(TDDS_HEADER_DXT10) == 20);

// The GL format of a header's pixel format (FourCC table or mask table); false when it has none. A header
// with a DX10 extension raises EInvalidRasterFile "DXGI images not supported.".
bool DDSHeaderToGLFormat(const TDDSHeader& HeaderEx, const TDDS_HEADER_DXT10& HeaderDX10, bool hasDX10,
                         int32_t& elementSize, GLenum& dataType, GLenum& colorFormat,
                         TGLInternalFormat& internalFormat);
// Fills the header's pixel format for the GL format; false when DDS has no way to write it.
bool GLFormatToDDSHeader(TDDSHeader& HeaderEx, TDDS_HEADER_DXT10& HeaderDX10, bool useDX10, int32_t elementSize,
                         GLenum dataType, GLenum colorFormat, TGLInternalFormat internalFormat);
// The colour format and data type of the first mask-table row of the internal format (32-bit rows first).
bool InternalFormatFromMaskTable(TGLInternalFormat internalFormat, GLenum& colorFormat, GLenum& dataType);

// Turn count consecutive blocks upside down.
void FlipDXT1Blocks(uint8_t* blocks, size_t count);
void FlipDXT3Blocks(uint8_t* blocks, size_t count);
void FlipDXT5Blocks(uint8_t* blocks, size_t count);
// Reverses the first rows (1 to 4) pixel rows inside each of count blocks of a DXT format, for levels less
// than one block high; other compressed formats are left as they are.
void FlipDXTBlockRows(GLenum format, uint8_t* blocks, size_t count, int rows);
// Bytes of one block of a DXT format; 0 for any other format.
int32_t DXTBlockSize(GLenum format);
