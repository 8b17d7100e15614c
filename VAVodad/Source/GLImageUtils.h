// Pixel rectangles converted between OpenGL colour formats and data types, resized with a separable filter, and
// halved into mipmap chains. Everything goes through one working form of four floats per pixel (red, green,
// blue, alpha; 255.0 is full intensity), so any source pair converts to any destination pair.
//
// Rectangles are tightly packed (no row padding), rows in the order the buffer holds them, multi-byte values
// little-endian; compressed data counts whole 4 x 4 blocks. Every routine is told how many bytes each buffer
// holds and refuses, before touching anything, a rectangle that does not fit.
#pragma once

#include "SysUtils.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <cstdint>
#include <span>

// A conversion the table cannot do: "Unimplemented type of conversion" for a data type without the routine,
// "Invalid data type" for a colour format the data type's routine refuses, or a buffer too small.
class EGLImageUtils : public Exception {
public:
    using Exception::Exception;
};

// One pixel of the working form.
struct TIntermediateFormat {
    float R, G, B, A;
};

// Bytes of AWidth x AHeight pixels in the colour format and data type (a height below 1 counts as 1; whole
// 4 x 4 blocks for a compressed type). Raises EGLImageUtils for a data type the table does not know and for a
// colour format its routines refuse.
std::size_t ImageDataSize(GLenum AColorFormat, GLenum ADataType, int32_t AWidth, int32_t AHeight);
// Raises EGLImageUtils ("<AWhich> buffer holds N bytes, M needed") when AHeld is below ANeeded.
void CheckImageBufferSize(const char* AWhich, std::size_t AHeld, std::size_t ANeeded);

// Converts AWidth x AHeight pixels (a width below 1 does nothing, a height below 1 counts as 1). A source
// colour component the source format lacks becomes 0 and a missing alpha 255; the destination takes the
// components its format has, clamped to its range (float and half-float and the _INTEGER formats unclamped).
// Only the plain scalar data types can be written; compressed and packed types are read only.
void ConvertImage(const void* ASrc, void* ADst, GLenum ASrcColorFormat, GLenum ADstColorFormat,
                  GLenum ASrcDataType, GLenum ADstDataType, int32_t AWidth, int32_t AHeight, std::size_t ASrcSize,
                  std::size_t ADstSize);

// The two halves of ConvertImage: AWidth x AHeight pixels (height below 1 counts as 1) into or out of a block of
// working pixels, which must hold that many.
void UnpackImage(const void* ASrc, std::size_t ASrcSize, GLenum AColorFormat, GLenum ADataType, int32_t AWidth,
                 int32_t AHeight, TIntermediateFormat* ADst);
void PackImage(const TIntermediateFormat* ASrc, GLenum AColorFormat, GLenum ADataType, int32_t AWidth,
               int32_t AHeight, void* ADst, std::size_t ADstSize);

// A filter kernel: the weight of a source pixel at a distance (in source pixels, scaled when shrinking). It
// must be 0 beyond a distance of 5.
using TImageFilterFunction = float (*)(float);

float ImageFilterTriangle(float x);
float ImageFilterLanczos3(float x);

// Resizes a rectangle; source and destination share the colour format and data type. The first and the last
// pixel of each axis keep their places; each output's weights sum to 1, so flat colours stay flat. A width below
// 1 on either side does nothing; heights below 1 count as 1. Shrinking an axis to one pixel averages it.
void RescaleImage(const void* ASource, void* ADestination, GLenum AColorFormat, GLenum ADataType,
                  TImageFilterFunction AFilter, int32_t ASrcWidth, int32_t ASrcHeight, int32_t ADstWidth,
                  int32_t ADstHeight, std::size_t ASrcSize, std::size_t ADstSize);

// A caller's buffer for one mipmap level.
struct TGLMipmapLevel {
    void* Data;
    std::size_t Size;
};

// Fills ALevels[k] with the level k + 1 halvings below AWidth x AHeight (each side max(1, side div 2)). Each
// level is filtered from the unrounded working pixels of the one above it, never from the packed bytes.
void Build2DMipmap(const void* ASource, std::span<const TGLMipmapLevel> ALevels, GLenum AColorFormat,
                   GLenum ADataType, TImageFilterFunction AFilter, int32_t AWidth, int32_t AHeight,
                   std::size_t ASourceSize);
