// The TGA file layout shared by the engine's TGA image and the TGA picture (the 18-byte header and the pixel
// data, uncompressed or run-length encoded), and the TGA picture: a platform bitmap that reads and writes TGA.
#pragma once

#include "Graphics.h"
#include "ImageCodecs.h"

#include <cstddef>
#include <cstdint>
#include <string>

class TStream;

constexpr uint8_t cTGATrueColor = 2;
constexpr uint8_t cTGAGrey = 3;
constexpr uint8_t cTGATrueColorRLE = 10;
constexpr uint8_t cTGAGreyRLE = 11;
// Descriptor bit: rows are stored top row first.
constexpr uint8_t cTGATopOrigin = 0x20;

struct TTGAHeader {
    uint8_t IDLength = 0;
    uint8_t ColorMapType = 0;
    uint8_t ImageType = 0;
    uint8_t ColorMapSpec[5] = {};
    uint16_t XOrigin = 0;
    uint16_t YOrigin = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t PixelDepth = 0;
    uint8_t ImageDescriptor = 0;
};

// Reads the header at the stream's position; false when the stream ends first.
bool ReadTGAHeader(TStream& stream, TTGAHeader& header);
void WriteTGAHeader(TStream& stream, const TTGAHeader& header);

// A pixel depth some image type has: 8, 16, 24 or 32 bits.
bool TGADepthSupported(uint8_t pixelDepth);
// An image type that is read, at a depth it has: true colour at 16, 24 or 32 bits, grey at 8.
bool TGATypeSupported(const TTGAHeader& header);

// Why the pixel data of the header cannot be read from the stream (the ID field not yet skipped): a side
// beyond the limit, or fewer bytes left than the pixels need; an empty text when nothing is wrong.
std::string TGADataProblem(TStream& stream, const TTGAHeader& header);
// Skips the ID field and reads the width x height pixels, uncompressed or run-length encoded, into pixels,
// bottom row first whatever the file's origin. 16-bit pixels without alpha bits come out opaque. Answers an
// empty text, or why the data cannot be read (TGADataProblem, or run-length data that ends early).
std::string ReadTGAPixels(TStream& stream, const TTGAHeader& header, uint8_t* pixels, size_t size);

class ETGAException : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// A bitmap read from and written to TGA files. Reading takes every type the engine image reads: 24- and
// 32-bit files give bitmaps of that depth, 8-bit grey a 24-bit bitmap and 16-bit colour a 32-bit one.
// Writing stores an uncompressed file of the bitmap's depth, bottom row first.
class TTGAImage : public TBitmap {
public:
    TTGAImage();
    // A failure raises ETGAException and leaves the bitmap as it was.
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) override;
};

// Registers TTGAImage with the picture framework for "tga".
void RegisterTGAPicture();
