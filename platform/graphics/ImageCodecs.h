// The PNG and JPEG codec core on libpng and libjpeg: decoding into and encoding from plain pixel rows in a
// chosen channel layout. The picture classes and the engine's image readers both sit on it. Library errors
// never leave the libraries by a C++ throw: their handlers jump back into this code, which then raises.
#pragma once

#include "SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class TStream;
struct TPngReadState;
struct TJpegReadState;

// A picture file that cannot be read or written: bad or truncated data, an absurd size, a failed write.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// A failure of the JPEG library: "JPEG error #<the library's message code>".
class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Pictures larger than this are refused before any pixel memory is taken.
constexpr uint32_t MaxImageSide = 16384;
constexpr uint64_t MaxImageBytes = uint64_t(256) << 20;

// Raises EInvalidGraphic when a picture of that size at bytesPerPixel would pass the limits above.
void CheckImageSize(uint64_t width, uint64_t height, uint64_t bytesPerPixel);

// How the samples of one pixel lie in memory, 8 bits each unless a codec says otherwise.
enum class TPixelLayout {
    Native,    // decoding PNG only: the file's own channels (see TPngDecoder::SetLayout)
    Grey,      // 1 byte
    GreyAlpha, // 2 bytes
    RGB,       // 3 bytes
    BGR,       // 3 bytes
    RGBA,      // 4 bytes
    BGRA,      // 4 bytes
};

// Bytes per pixel of an 8-bit layout; 0 for Native.
int PixelLayoutBytes(TPixelLayout layout);

// PNG colour types.
constexpr int PNG_COLOR_GRAY = 0, PNG_COLOR_RGB = 2, PNG_COLOR_PALETTE = 3, PNG_COLOR_GRAY_ALPHA = 4,
              PNG_COLOR_RGB_ALPHA = 6;

struct TPngInfo {
    uint32_t Width = 0, Height = 0;
    int BitDepth = 0;  // bits per sample (per palette index for palette pictures)
    int ColorType = 0; // PNG_COLOR_...
    bool Interlaced = false;
    bool HasTransparency = false; // a tRNS chunk: palette alpha or one transparent grey or RGB value
};

// Reads a PNG from the stream's position: the constructor reads the signature and the header, ReadImage the
// pixels. Every failure (bad signature, broken chunk, CRC error, short data, too large) raises EInvalidGraphic.
class TPngDecoder {
public:
    explicit TPngDecoder(TStream& source);
    ~TPngDecoder();
    TPngDecoder(const TPngDecoder&) = delete;
    TPngDecoder& operator=(const TPngDecoder&) = delete;

    const TPngInfo& Info() const { return FInfo; }
    // Chooses the delivered layout and answers its bytes per pixel. Palettes and grey below 8 bits are always
    // expanded and a tRNS chunk becomes an alpha channel. Native keeps the resulting channels (grey, grey+
    // alpha, RGB or RGBA) and 16-bit samples, turned to the machine's byte order; every other layout is 8-bit.
    // Layouts with alpha give 255 where the file has none; layouts without alpha drop it.
    int SetLayout(TPixelLayout layout);
    // Channels and bytes per sample of the chosen layout.
    int Channels() const { return FChannels; }
    int BytesPerSample() const { return FBytesPerSample; }
    // Decodes all rows: picture row y (the top is 0) goes to rows[y], each Width x bytes per pixel long.
    void ReadImage(uint8_t* const* rows);
    // The same into one buffer: row y at buffer + y x stride, or from the last row up when bottomUp.
    void ReadImage(uint8_t* buffer, ptrdiff_t stride, bool bottomUp);

private:
    std::unique_ptr<TPngReadState> FState;
    TPngInfo FInfo;
    int FChannels = 0, FBytesPerSample = 1;
};

// Writes a PNG of 8- or 16-bit samples (16-bit ones in the machine's byte order). Grey, GreyAlpha, RGB and RGBA
// layouts may be 8 or 16 bits, BGR and BGRA are 8-bit. rows[y] is picture row y, the top first. Raises
// EInvalidGraphic when the stream does not take the bytes.
void EncodePng(TStream& dest, uint32_t width, uint32_t height, TPixelLayout layout, int bitDepth,
               const uint8_t* const* rows);

struct TJpegInfo {
    uint32_t Width = 0, Height = 0; // of the file, before scaling
    int Components = 0;             // 1 grey, 3 colour, 4 CMYK or YCCK
    bool Progressive = false;
};

// Reads a JPEG from the stream's position: the constructor reads the header, ReadImage the pixels. Failures
// raise EJPEG "JPEG error #n"; data that ends early is a failure, not a grey tail.
class TJpegDecoder {
public:
    explicit TJpegDecoder(TStream& source);
    ~TJpegDecoder();
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;

    const TJpegInfo& Info() const { return FInfo; }
    // The picture is scaled by 1 / denominator (1, 2, 4 or 8 as the library allows; 0 counts as 1).
    void SetScale(uint32_t denominator);
    void SetSmoothing(bool on);
    // Grey, RGB, BGR, RGBA or BGRA (alpha 255); CMYK files are converted to colour. Answers bytes per pixel.
    int SetLayout(TPixelLayout layout);
    // The size ReadImage delivers, after scaling.
    uint32_t OutputWidth() const { return FOutputWidth; }
    uint32_t OutputHeight() const { return FOutputHeight; }
    void ReadImage(uint8_t* const* rows);
    void ReadImage(uint8_t* buffer, ptrdiff_t stride, bool bottomUp);

private:
    void UpdateOutputSize();

    std::unique_ptr<TJpegReadState> FState;
    TJpegInfo FInfo;
    uint32_t FOutputWidth = 0, FOutputHeight = 0;
};

// Writes a baseline (or progressive) JPEG of 8-bit Grey, RGB, BGR, RGBA or BGRA rows (alpha is dropped) at a
// quality of 1 to 100. Raises EJPEG when the stream does not take the bytes.
void EncodeJpeg(TStream& dest, uint32_t width, uint32_t height, TPixelLayout layout, int quality,
                const uint8_t* const* rows, bool progressive = false);
