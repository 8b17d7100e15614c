// Bitmaps: pixel storage, size and format changes, and the BMP file format.
#include "Graphics.h"

#include "Streams.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() = default;

void TBitmap::Reallocate(int32_t width, int32_t height, TPixelFormat format)
{
    const int bytesPerPixel = format == pf32bit ? 4 : 3;
    CheckImageSize(uint64_t(width), uint64_t(height), bytesPerPixel);
    FWidth = width;
    FHeight = height;
    FPixelFormat = format;
    FStride = (width * bytesPerPixel + 3) & ~3;
    FPixels.assign(size_t(FStride) * size_t(height), 0);
}

void TBitmap::TakePixels(TBitmap& other)
{
    EndPainting();
    FWidth = other.FWidth;
    FHeight = other.FHeight;
    FStride = other.FStride;
    FPixelFormat = other.FPixelFormat;
    FPixels = std::move(other.FPixels);
    Changed();
}

void TBitmap::SetSize(int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight) return;
    TBitmap resized;
    resized.Reallocate(width, height, FPixelFormat);
    const size_t keep = size_t(std::min(FWidth, width)) * BytesPerPixel();
    for (int32_t y = 0; y < std::min(FHeight, height); ++y)
        std::memcpy(resized.ScanLine(y), ScanLine(y), keep);
    TakePixels(resized);
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value == FPixelFormat) return;
    TBitmap converted;
    converted.Reallocate(FWidth, FHeight, value);
    for (int32_t y = 0; y < FHeight; ++y) {
        const uint8_t* src = ScanLine(y);
        uint8_t* dst = converted.ScanLine(y);
        for (int32_t x = 0; x < FWidth; ++x) {
            if (value == pf32bit) {
                dst[4 * x] = src[3 * x], dst[4 * x + 1] = src[3 * x + 1], dst[4 * x + 2] = src[3 * x + 2];
                dst[4 * x + 3] = 255;
            } else {
                dst[3 * x] = src[4 * x], dst[3 * x + 1] = src[4 * x + 1], dst[3 * x + 2] = src[4 * x + 2];
            }
        }
    }
    TakePixels(converted);
}

uint8_t* TBitmap::ScanLine(int32_t Row)
{
    return const_cast<uint8_t*>(std::as_const(*this).ScanLine(Row));
}

const uint8_t* TBitmap::ScanLine(int32_t Row) const
{
    if (Row < 0 || Row >= FHeight) throw EInvalidGraphic("Scan line index out of range");
    EndPainting();
    return FPixels.data() + size_t(Row) * FStride;
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas) FCanvas = std::make_unique<TCanvas>(*this);
    return FCanvas.get();
}

void TBitmap::Assign(TPersistent* Source)
{
    auto* bitmap = dynamic_cast<TBitmap*>(Source);
    if (!bitmap) {
        TGraphic::Assign(Source); // the source assigns itself (AssignTo)
        return;
    }
    if (bitmap == this) return;
    EndPainting();
    bitmap->EndPainting();
    FWidth = bitmap->FWidth;
    FHeight = bitmap->FHeight;
    FStride = bitmap->FStride;
    FPixelFormat = bitmap->FPixelFormat;
    FPixels = bitmap->FPixels;
    FTransparent = bitmap->FTransparent;
    Changed();
}

void TBitmap::SetTransparent(bool value)
{
    EndPainting(); // the painting's image blends by alpha or not
    TGraphic::SetTransparent(value);
}

// ---------------------------------------------------------------------------------------------------------
// BMP files

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;
constexpr size_t FileHeaderSize = 14, InfoHeaderSize = 40;

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | uint32_t(Get16(p + 2)) << 16; }
void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void Put32(uint8_t* p, uint32_t v) { Put16(p, v), Put16(p + 2, v >> 16); }

[[noreturn]] void BadBitmap(const char* why)
{
    throw EInvalidGraphic(std::string("Invalid bitmap: ") + why);
}

// One channel of a bit-field pixel scaled to 0..255.
struct TBitField {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t max = 0;

    explicit TBitField(uint32_t m) : mask(m)
    {
        if (!m) return;
        shift = std::countr_zero(m);
        max = (uint64_t(1) << std::popcount(m)) - 1;
    }
    uint8_t Get(uint32_t pixel, uint8_t absent) const
    {
        return mask ? uint8_t(((pixel & mask) >> shift) * 255 / max) : absent;
    }
};

// What the headers say.
struct TBmpHeader {
    int32_t width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t masks[4] = {}; // red, green, blue, alpha
    std::array<uint8_t, 256 * 4> palette{}; // B, G, R, x
};

// The palette indices of an RLE4 or RLE8 picture, file rows from the bottom. Runs and literal packets are
// cut at the row's end; pixels that a delta move or an early end of picture skips keep index 0. Data that
// stops before the end-of-picture mark and before the last row's end of line was cut short.
std::vector<uint8_t> DecodeRle(const std::vector<uint8_t>& data, int32_t width, int32_t height, bool rle4)
{
    std::vector<uint8_t> indices(size_t(width) * size_t(height), 0);
    int64_t x = 0, y = 0;
    auto put = [&](uint8_t index) {
        if (x < width && y < height) indices[size_t(y) * width + size_t(x)] = index;
        ++x;
    };
    size_t i = 0;
    while (y < height) {
        if (i + 1 >= data.size()) BadBitmap("the file ends early");
        const uint8_t count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < width; ++k)
                put(rle4 ? ((k & 1) ? value & 0x0F : value >> 4) : value);
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            break;
        } else if (value == 2) { // move right and up
            if (i + 1 >= data.size()) BadBitmap("the file ends early");
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else { // literal pixels, padded to a 16-bit boundary
            const size_t bytes = rle4 ? (value + 1u) / 2 : value;
            if (i + bytes > data.size()) BadBitmap("the file ends early");
            for (int k = 0; k < value; ++k) {
                const uint8_t b = data[i + (rle4 ? k / 2 : k)];
                put(rle4 ? ((k & 1) ? b & 0x0F : b >> 4) : b);
            }
            i += bytes + (bytes & 1);
        }
    }
    return indices;
}

// Reads the headers and palette; the stream is left at the end of what was read.
TBmpHeader ReadBmpHeaders(TStream& stream, int64_t& pixelOffset)
{
    TBmpHeader h;
    const int64_t start = stream.Position();
    uint8_t fileHeader[FileHeaderSize + 4];
    if (stream.Read(fileHeader, sizeof fileHeader) != int64_t(sizeof fileHeader)) BadBitmap("the file ends early");
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') BadBitmap("not a bitmap file");
    pixelOffset = start + Get32(fileHeader + 10);
    const uint32_t infoSize = Get32(fileHeader + 14);
    if (infoSize != 12 && (infoSize < InfoHeaderSize || infoSize > 124)) BadBitmap("unsupported header");
    uint8_t info[124] = {};
    Put32(info, infoSize);
    if (stream.Read(info + 4, infoSize - 4) != int64_t(infoSize - 4)) BadBitmap("the file ends early");

    int paletteEntrySize = 4;
    uint32_t colorsUsed = 0;
    int64_t height = 0;
    if (infoSize == 12) { // the old core header
        h.width = Get16(info + 4);
        height = Get16(info + 6);
        h.bitCount = Get16(info + 10);
        paletteEntrySize = 3;
    } else {
        h.width = static_cast<int32_t>(Get32(info + 4));
        height = static_cast<int32_t>(Get32(info + 8));
        h.bitCount = Get16(info + 14);
        h.compression = Get32(info + 16);
        colorsUsed = Get32(info + 32);
        for (int k = 0; k < 4; ++k) h.masks[k] = Get32(info + 40 + 4 * k);
        // With the plain 40-byte header the masks follow it.
        const int extraMasks = h.compression == BI_BITFIELDS ? 3 : h.compression == BI_ALPHABITFIELDS ? 4 : 0;
        if (infoSize == InfoHeaderSize && extraMasks) {
            uint8_t masks[16];
            if (stream.Read(masks, 4 * extraMasks) != 4 * extraMasks) BadBitmap("the file ends early");
            for (int k = 0; k < extraMasks; ++k) h.masks[k] = Get32(masks + 4 * k);
        }
        if (infoSize < 56 && h.compression != BI_ALPHABITFIELDS) h.masks[3] = 0;
    }
    h.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (h.width < 0 || height > INT32_MAX) BadBitmap("bad size");
    h.height = static_cast<int32_t>(height);

    const bool rle = h.compression == BI_RLE8 || h.compression == BI_RLE4;
    const bool bitFields = h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS;
    const int b = h.bitCount;
    const bool valid =
        (h.compression == BI_RGB && (b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32)) ||
        (h.compression == BI_RLE8 && b == 8) || (h.compression == BI_RLE4 && b == 4) ||
        (bitFields && (b == 16 || b == 32));
    if (!valid) BadBitmap("unsupported pixel format");
    if (rle && h.topDown) BadBitmap("compressed pictures are stored from the bottom");
    CheckImageSize(uint64_t(h.width), uint64_t(h.height), 4);

    if (h.bitCount <= 8) {
        // Some writers store fewer entries than the depth allows: never read into the pixels.
        uint32_t entries = std::min<uint32_t>(colorsUsed ? colorsUsed : 1u << h.bitCount, 256);
        const int64_t room = pixelOffset - stream.Position();
        if (pixelOffset > start && room >= 0)
            entries = std::min<uint32_t>(entries, uint32_t(room / paletteEntrySize));
        uint8_t raw[256 * 4];
        const int64_t bytes = int64_t(entries) * paletteEntrySize;
        if (stream.Read(raw, bytes) != bytes) BadBitmap("the file ends early");
        for (uint32_t k = 0; k < entries; ++k)
            std::memcpy(&h.palette[4 * k], &raw[k * paletteEntrySize], 3);
    }
    if (pixelOffset == start) pixelOffset = stream.Position(); // writers that leave the offset 0
    return h;
}

} // namespace

void TBitmap::LoadFromStream(TStream& Stream)
{
    int64_t pixelOffset = 0;
    const TBmpHeader h = ReadBmpHeaders(Stream, pixelOffset);
    const int64_t available = Stream.Size() - pixelOffset;
    if (available < 0) BadBitmap("the file ends early");
    const bool rle = h.compression == BI_RLE8 || h.compression == BI_RLE4;
    const int64_t srcStride = ((int64_t(h.width) * h.bitCount + 31) / 32) * 4;
    const int64_t needed = rle ? available : srcStride * h.height;
    if (needed > available) BadBitmap("the file ends early");
    std::vector<uint8_t> data(static_cast<size_t>(needed));
    Stream.SetPosition(pixelOffset);
    Stream.ReadBuffer(data.data(), needed);

    TBitmap result;
    result.Reallocate(h.width, h.height, h.bitCount == 32 ? pf32bit : pf24bit);
    std::vector<uint8_t> indices;
    if (rle) indices = DecodeRle(data, h.width, h.height, h.compression == BI_RLE4);

    const bool bitFields = h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS;
    const uint32_t defaultMasks[2][4] = {{0x7C00, 0x3E0, 0x1F, 0}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    const uint32_t* masks = bitFields ? h.masks : defaultMasks[h.bitCount == 32];
    const TBitField red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

    for (int32_t fileRow = 0; fileRow < h.height; ++fileRow) {
        uint8_t* dst = result.ScanLine(h.topDown ? fileRow : h.height - 1 - fileRow);
        const uint8_t* src = rle ? nullptr : data.data() + fileRow * srcStride;
        const uint8_t* rleRow = rle ? indices.data() + size_t(fileRow) * h.width : nullptr;
        for (int32_t x = 0; x < h.width; ++x) {
            uint32_t index = 0;
            switch (h.bitCount) {
            case 1: index = (src[x >> 3] >> (7 - (x & 7))) & 1; break;
            case 4: index = rle ? rleRow[x] : (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F; break;
            case 8: index = rle ? rleRow[x] : src[x]; break;
            case 16: {
                const uint32_t pixel = Get16(src + 2 * x);
                dst[3 * x] = blue.Get(pixel, 0), dst[3 * x + 1] = green.Get(pixel, 0);
                dst[3 * x + 2] = red.Get(pixel, 0);
                continue;
            }
            case 24: std::memcpy(dst + 3 * x, src + 3 * x, 3); continue;
            case 32:
                if (bitFields) {
                    const uint32_t pixel = Get32(src + 4 * x);
                    dst[4 * x] = blue.Get(pixel, 0), dst[4 * x + 1] = green.Get(pixel, 0);
                    dst[4 * x + 2] = red.Get(pixel, 0), dst[4 * x + 3] = alpha.Get(pixel, 255);
                } else {
                    std::memcpy(dst + 4 * x, src + 4 * x, 4);
                }
                continue;
            }
            std::memcpy(dst + 3 * x, &h.palette[4 * index], 3);
        }
    }
    TakePixels(result);
}

void TBitmap::SaveToStream(TStream& Stream)
{
    const uint32_t imageSize = uint32_t(FStride) * uint32_t(FHeight);
    uint8_t header[FileHeaderSize + InfoHeaderSize] = {'B', 'M'};
    Put32(header + 2, sizeof header + imageSize);
    Put32(header + 10, sizeof header);
    Put32(header + 14, InfoHeaderSize);
    Put32(header + 18, uint32_t(FWidth));
    Put32(header + 22, uint32_t(FHeight)); // positive: rows from the bottom up
    Put16(header + 26, 1);
    Put16(header + 28, BytesPerPixel() * 8);
    Put32(header + 30, BI_RGB);
    Put32(header + 34, imageSize);
    Put32(header + 38, 3780); // 96 pixels per inch
    Put32(header + 42, 3780);
    Stream.WriteBuffer(header, sizeof header);
    for (int32_t y = FHeight - 1; y >= 0; --y) Stream.WriteBuffer(ScanLine(y), FStride);
}
