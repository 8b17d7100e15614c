#include "DXTC.h"

#include "GLGraphics.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

static_assert(std::endian::native == std::endian::little, "DDS headers are read as little-endian words");

namespace {

struct TFourCCFormat {
    uint32_t FourCC;
    GLenum ColorFormat;
    TGLInternalFormat InternalFormat;
    GLenum DataType;
    int32_t ElementSize;
};

// The FourCC codes read: four characters, or a Direct3D format number.
const TFourCCFormat cFourCCFormats[] = {
    {MakeFourCC('D', 'X', 'T', '1'), GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, tfCOMPRESSED_RGBA_S3TC_DXT1,
     GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 8},
    {MakeFourCC('D', 'X', 'T', '2'), GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, tfCOMPRESSED_RGBA_S3TC_DXT3,
     GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 16},
    {MakeFourCC('D', 'X', 'T', '3'), GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, tfCOMPRESSED_RGBA_S3TC_DXT3,
     GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 16},
    {MakeFourCC('D', 'X', 'T', '4'), GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, tfCOMPRESSED_RGBA_S3TC_DXT5,
     GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 16},
    {MakeFourCC('D', 'X', 'T', '5'), GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, tfCOMPRESSED_RGBA_S3TC_DXT5,
     GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 16},
    {MakeFourCC('A', 'T', 'I', '1'), GL_COMPRESSED_RED_RGTC1, tfCOMPRESSED_RED_RGTC1, GL_COMPRESSED_RED_RGTC1, 8},
    {MakeFourCC('A', 'T', 'I', '2'), GL_COMPRESSED_RG_RGTC2, tfCOMPRESSED_RG_RGTC2, GL_COMPRESSED_RG_RGTC2, 16},
    {20, GL_BGR, tfRGB8, GL_UNSIGNED_BYTE, 3},
    {21, GL_BGRA, tfRGBA8, GL_UNSIGNED_BYTE, 4},
    {22, GL_BGRA, tfRGB8, GL_UNSIGNED_INT_8_8_8_8, 4},
    {23, GL_RGB, tfRGB5, GL_UNSIGNED_SHORT_5_6_5, 2},
    {28, GL_ALPHA, tfALPHA8, GL_UNSIGNED_BYTE, 1},
    {31, GL_RGBA, tfRGB10_A2, GL_UNSIGNED_INT_10_10_10_2, 4},
    {32, GL_RGBA, tfRGBA8, GL_UNSIGNED_BYTE, 4},
    {33, GL_RGBA, tfRGB8, GL_UNSIGNED_INT_8_8_8_8, 4},
    {34, GL_RG, tfRG16, GL_UNSIGNED_SHORT, 4},
    {35, GL_BGRA, tfRGB10_A2, GL_UNSIGNED_INT_10_10_10_2, 4},
    {36, GL_RGBA, tfR16G16B16A16, GL_UNSIGNED_SHORT, 8},
    {50, GL_LUMINANCE, tfLUMINANCE8, GL_UNSIGNED_BYTE, 1},
    {51, GL_LUMINANCE_ALPHA, tfLUMINANCE8_ALPHA8, GL_UNSIGNED_BYTE, 2},
    {81, GL_LUMINANCE, tfLUMINANCE16, GL_UNSIGNED_SHORT, 2},
    {111, GL_RED, tfLUMINANCE_FLOAT16, GL_HALF_FLOAT, 2},
    {112, GL_RG, tfRG16F, GL_HALF_FLOAT, 4},
    {113, GL_RGBA, tfRGBA_FLOAT16, GL_HALF_FLOAT, 8},
    {114, GL_RED, tfLUMINANCE_FLOAT32, GL_FLOAT, 4},
    {115, GL_RG, tfRG32F, GL_FLOAT, 8},
    {116, GL_RGBA, tfRGBA_FLOAT32, GL_FLOAT, 16},
};

struct TMaskFormat {
    uint32_t BitCount, Flags, RMask, GMask, BMask, AMask;
    GLenum ColorFormat;
    TGLInternalFormat InternalFormat;
    GLenum DataType;
};

// Uncompressed files: the first row of the file's bit count whose flags and four masks equal the file's.
const TMaskFormat cMaskFormats[] = {
    {8, 0x40, 0xE0, 0x1C, 0x3, 0, GL_RGB, tfR3_G3_B2, GL_UNSIGNED_BYTE_3_3_2},
    {8, 0x20001, 0xF, 0, 0, 0xF0, GL_LUMINANCE_ALPHA, tfLUMINANCE4_ALPHA4, GL_UNSIGNED_BYTE},
    {8, 0x2, 0, 0, 0, 0xFF, GL_ALPHA, tfALPHA8, GL_UNSIGNED_BYTE},
    {8, 0x20000, 0xFF, 0, 0, 0, GL_LUMINANCE, tfLUMINANCE8, GL_UNSIGNED_BYTE},
    {16, 0x41, 0xF00, 0xF0, 0xF, 0xF000, GL_BGRA, tfRGBA4, GL_UNSIGNED_SHORT_4_4_4_4_REV},
    {16, 0x40, 0xF800, 0x7E0, 0x1F, 0, GL_RGB, tfRGB5, GL_UNSIGNED_SHORT_5_6_5},
    {16, 0x20000, 0xFFFF, 0, 0, 0, GL_LUMINANCE, tfLUMINANCE16, GL_UNSIGNED_SHORT},
    {16, 0x20001, 0xFF, 0, 0, 0xFF00, GL_LUMINANCE_ALPHA, tfLUMINANCE8_ALPHA8, GL_UNSIGNED_BYTE},
    {16, 0x41, 0x7C00, 0x3E0, 0x1F, 0x8000, GL_BGRA, tfRGB5_A1, GL_UNSIGNED_SHORT_1_5_5_5_REV},
    {24, 0x40, 0xFF0000, 0xFF00, 0xFF, 0, GL_BGR, tfRGB8, GL_UNSIGNED_BYTE},
    {32, 0x41, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, GL_RGBA, tfRGBA8, GL_UNSIGNED_BYTE},
    {32, 0x41, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, GL_BGRA, tfRGBA8, GL_UNSIGNED_BYTE},
    {32, 0x41, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, GL_RGBA, tfRGB10_A2, GL_UNSIGNED_INT_2_10_10_10_REV},
    {32, 0x41, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, GL_BGRA, tfRGB10_A2, GL_UNSIGNED_INT_2_10_10_10_REV},
    {32, 0x40, 0xFF0000, 0xFF00, 0xFF, 0, GL_BGRA, tfRGB8, GL_UNSIGNED_INT_8_8_8_8},
    {32, 0x40, 0xFF, 0xFF00, 0xFF0000, 0, GL_RGBA, tfRGB8, GL_UNSIGNED_INT_8_8_8_8},
    {32, 0x40, 0xFFFF, 0xFFFF0000, 0, 0, GL_RG, tfRG16, GL_UNSIGNED_SHORT},
};

// The FourCC written for a compressed or float internal format.
struct TWrittenFourCC {
    TGLInternalFormat InternalFormat;
    uint32_t FourCC;
};

const TWrittenFourCC cWrittenFourCCs[] = {
    {tfCOMPRESSED_RGB_S3TC_DXT1, MakeFourCC('D', 'X', 'T', '1')},
    {tfCOMPRESSED_RGBA_S3TC_DXT1, MakeFourCC('D', 'X', 'T', '1')},
    {tfCOMPRESSED_RGBA_S3TC_DXT3, MakeFourCC('D', 'X', 'T', '3')},
    {tfCOMPRESSED_RGBA_S3TC_DXT5, MakeFourCC('D', 'X', 'T', '5')},
    {tfCOMPRESSED_LUMINANCE_LATC1, MakeFourCC('A', 'T', 'I', '1')},
    {tfCOMPRESSED_LUMINANCE_ALPHA_LATC2, MakeFourCC('A', 'T', 'I', '2')},
    {tfRGBA_FLOAT32, 116},      {tfINTENSITY_FLOAT32, 114},       {tfLUMINANCE_FLOAT32, 114},
    {tfR32F, 114},              {tfLUMINANCE_ALPHA_FLOAT32, 115}, {tfRG32F, 115},
    {tfRGBA_FLOAT16, 113},      {tfINTENSITY_FLOAT16, 111},       {tfLUMINANCE_FLOAT16, 111},
    {tfR16F, 111},              {tfLUMINANCE_ALPHA_FLOAT16, 112}, {tfRG16F, 112},
};

// Reverses pixel rows 0..rows-1 of the 4-row colour index part (one byte per row) of a block.
void FlipColorRows(uint8_t* indices, int rows)
{
    std::reverse(indices, indices + rows);
}

// DXT3 alpha: one 16-bit word per row.
void FlipExplicitAlphaRows(uint8_t* alpha, int rows)
{
    for (int r = 0; r < rows / 2; ++r)
        for (int b = 0; b < 2; ++b) std::swap(alpha[r * 2 + b], alpha[(rows - 1 - r) * 2 + b]);
}

// DXT5 alpha: 48 bits of 3-bit indices from byte 0, pixel 0 lowest, 12 bits per row.
void FlipInterpolatedAlphaRows(uint8_t* indices, int rows)
{
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t(indices[i]) << (8 * i);
    uint64_t flipped = bits;
    for (int r = 0; r < rows; ++r) {
        const uint64_t row = (bits >> (12 * r)) & 0xFFF;
        const int to = rows - 1 - r;
        flipped = (flipped & ~(uint64_t(0xFFF) << (12 * to))) | (row << (12 * to));
    }
    for (int i = 0; i < 6; ++i) indices[i] = static_cast<uint8_t>(flipped >> (8 * i));
}

} // namespace

bool DDSHeaderToGLFormat(const TDDSHeader& HeaderEx, const TDDS_HEADER_DXT10& /*HeaderDX10*/, bool hasDX10,
                         int32_t& elementSize, GLenum& dataType, GLenum& colorFormat,
                         TGLInternalFormat& internalFormat)
{
    if (hasDX10) throw EInvalidRasterFile("DXGI images not supported.");
    const TDDPixelFormat& pf = HeaderEx.SurfaceFormat.ddpfPixelFormat;
    if (pf.dwFlags & DDPF_FOURCC) {
        for (const TFourCCFormat& row : cFourCCFormats)
            if (row.FourCC == pf.dwFourCC) {
                colorFormat = row.ColorFormat;
                internalFormat = row.InternalFormat;
                dataType = row.DataType;
                elementSize = row.ElementSize;
                return true;
            }
        return false;
    }
    const uint32_t bits = pf.dwRGBBitCount;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    // A file whose masks match no row is refused: its format would not agree with its element size.
    for (const TMaskFormat& row : cMaskFormats)
        if (row.BitCount == bits && row.Flags == pf.dwFlags && row.RMask == pf.dwRBitMask &&
            row.GMask == pf.dwGBitMask && row.BMask == pf.dwBBitMask && row.AMask == pf.dwRGBAlphaBitMask) {
            colorFormat = row.ColorFormat;
            internalFormat = row.InternalFormat;
            dataType = row.DataType;
            elementSize = static_cast<int32_t>(bits / 8);
            return true;
        }
    return false;
}

bool GLFormatToDDSHeader(TDDSHeader& HeaderEx, TDDS_HEADER_DXT10& /*HeaderDX10*/, bool /*useDX10*/,
                         int32_t elementSize, GLenum dataType, GLenum colorFormat, TGLInternalFormat internalFormat)
{
    TDDPixelFormat& pf = HeaderEx.SurfaceFormat.ddpfPixelFormat;
    if (IsCompressedInternalFormat(internalFormat) || IsFloatInternalFormat(internalFormat)) {
        for (const TWrittenFourCC& row : cWrittenFourCCs)
            if (row.InternalFormat == internalFormat) {
                pf.dwFlags = DDPF_FOURCC;
                pf.dwFourCC = row.FourCC;
                return true;
            }
        return false;
    }
    if (elementSize < 1 || elementSize > 4) return false;
    pf.dwFourCC = 0;
    pf.dwRGBBitCount = static_cast<uint32_t>(elementSize) * 8;
    // Without a mask row the header would carry no flags and no masks, which no reader understands.
    for (const TMaskFormat& row : cMaskFormats)
        if (row.BitCount == pf.dwRGBBitCount && row.ColorFormat == colorFormat &&
            row.InternalFormat == internalFormat && row.DataType == dataType) {
            pf.dwFlags = row.Flags;
            pf.dwRBitMask = row.RMask;
            pf.dwGBitMask = row.GMask;
            pf.dwBBitMask = row.BMask;
            pf.dwRGBAlphaBitMask = row.AMask;
            return true;
        }
    return false;
}

bool InternalFormatFromMaskTable(TGLInternalFormat internalFormat, GLenum& colorFormat, GLenum& dataType)
{
    for (uint32_t bits : {32u, 24u, 16u, 8u})
        for (const TMaskFormat& row : cMaskFormats)
            if (row.BitCount == bits && row.InternalFormat == internalFormat) {
                colorFormat = row.ColorFormat;
                dataType = row.DataType;
                return true;
            }
    return false;
}

int32_t DXTBlockSize(GLenum format)
{
    switch (format) {
    case GL_COMPRESSED_RGBA_S3TC_DXT1_EXT:
        return 8;
    case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT:
        return 16;
    default:
        return 0;
    }
}

void FlipDXTBlockRows(GLenum format, uint8_t* blocks, size_t count, int rows)
{
    const int32_t blockSize = DXTBlockSize(format);
    if (blockSize == 0) return;
    // The colour indices sit at the block's end: bytes 4..7 of DXT1, 12..15 of DXT3 and DXT5.
    const int32_t colorRows = blockSize - 4;
    for (size_t i = 0; i < count; ++i) {
        uint8_t* block = blocks + i * blockSize;
        if (rows == 4) {
            uint32_t indices;
            std::memcpy(&indices, block + colorRows, 4);
            indices = __builtin_bswap32(indices);
            std::memcpy(block + colorRows, &indices, 4);
        } else {
            FlipColorRows(block + colorRows, rows);
        }
        if (format == GL_COMPRESSED_RGBA_S3TC_DXT3_EXT)
            FlipExplicitAlphaRows(block, rows);
        else if (format == GL_COMPRESSED_RGBA_S3TC_DXT5_EXT)
            FlipInterpolatedAlphaRows(block + 2, rows);
    }
}

void FlipDXT1Blocks(uint8_t* blocks, size_t count)
{
    FlipDXTBlockRows(GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, blocks, count, 4);
}

void FlipDXT3Blocks(uint8_t* blocks, size_t count)
{
    FlipDXTBlockRows(GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, blocks, count, 4);
}

void FlipDXT5Blocks(uint8_t* blocks, size_t count)
{
    FlipDXTBlockRows(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, blocks, count, 4);
}
