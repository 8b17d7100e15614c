#include "TGA.h"

#include "GLGraphics.h"
#include "Streams.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

void PutWord(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

uint16_t GetWord(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

// Decodes run-length packets from in until the block is full; false when the input ends first. A packet
// that would run past the block is cut at its end. PixelBytes is a constant so that pixels copy as words.
template <size_t PixelBytes> bool DecodeRLE(const uint8_t* in, size_t inSize, uint8_t* out, size_t pixels)
{
    const uint8_t* const inEnd = in + inSize;
    size_t done = 0;
    while (done < pixels) {
        if (in == inEnd) return false;
        const uint8_t packet = *in++;
        const size_t count = std::min<size_t>((packet & 0x7F) + 1, pixels - done);
        uint8_t* dest = out + done * PixelBytes;
        if (packet & 0x80) {
            if (static_cast<size_t>(inEnd - in) < PixelBytes) return false;
            for (size_t i = 0; i < count; ++i) std::memcpy(dest + i * PixelBytes, in, PixelBytes);
            in += PixelBytes;
        } else {
            const size_t bytes = ((packet & 0x7F) + 1) * PixelBytes;
            if (static_cast<size_t>(inEnd - in) < bytes) return false;
            std::memcpy(dest, in, count * PixelBytes);
            in += bytes;
        }
        done += count;
    }
    return true;
}

bool DecodeRLE(const uint8_t* in, size_t inSize, uint8_t* out, size_t pixels, size_t pixelBytes)
{
    switch (pixelBytes) {
    case 1:
        return DecodeRLE<1>(in, inSize, out, pixels);
    case 2:
        return DecodeRLE<2>(in, inSize, out, pixels);
    case 3:
        return DecodeRLE<3>(in, inSize, out, pixels);
    default:
        return DecodeRLE<4>(in, inSize, out, pixels);
    }
}

} // namespace

bool ReadTGAHeader(TStream& stream, TTGAHeader& header)
{
    uint8_t bytes[18];
    if (stream.Read(bytes, sizeof(bytes)) != static_cast<int64_t>(sizeof(bytes))) return false;
    header.IDLength = bytes[0];
    header.ColorMapType = bytes[1];
    header.ImageType = bytes[2];
    std::memcpy(header.ColorMapSpec, bytes + 3, 5);
    header.XOrigin = GetWord(bytes + 8);
    header.YOrigin = GetWord(bytes + 10);
    header.Width = GetWord(bytes + 12);
    header.Height = GetWord(bytes + 14);
    header.PixelDepth = bytes[16];
    header.ImageDescriptor = bytes[17];
    return true;
}

void WriteTGAHeader(TStream& stream, const TTGAHeader& header)
{
    uint8_t bytes[18];
    bytes[0] = header.IDLength;
    bytes[1] = header.ColorMapType;
    bytes[2] = header.ImageType;
    std::memcpy(bytes + 3, header.ColorMapSpec, 5);
    PutWord(bytes + 8, header.XOrigin);
    PutWord(bytes + 10, header.YOrigin);
    PutWord(bytes + 12, header.Width);
    PutWord(bytes + 14, header.Height);
    bytes[16] = header.PixelDepth;
    bytes[17] = header.ImageDescriptor;
    stream.WriteBuffer(bytes, sizeof(bytes));
}

bool TGADepthSupported(uint8_t pixelDepth)
{
    return pixelDepth == 8 || pixelDepth == 16 || pixelDepth == 24 || pixelDepth == 32;
}

bool TGATypeSupported(const TTGAHeader& header)
{
    switch (header.ImageType) {
    case cTGATrueColor:
    case cTGATrueColorRLE:
        return header.PixelDepth != 8;
    case cTGAGrey:
    case cTGAGreyRLE:
        return header.PixelDepth == 8;
    default:
        return false;
    }
}

namespace {

bool IsRLE(const TTGAHeader& header)
{
    return header.ImageType == cTGATrueColorRLE || header.ImageType == cTGAGreyRLE;
}

} // namespace

std::string TGADataProblem(TStream& stream, const TTGAHeader& header)
{
    if (header.Width > cMaxRasterSide || header.Height > cMaxRasterSide) return "TGA image too large";
    const uint64_t count = uint64_t(header.Width) * header.Height;
    const int64_t left = stream.Size() - stream.Position() - header.IDLength;
    const uint64_t available = static_cast<uint64_t>(std::max<int64_t>(left, 0));
    // A run-length packet of two bytes or more stands for at most 128 pixels.
    const bool enough = IsRLE(header) ? available * 64 >= count : available >= count * (header.PixelDepth / 8);
    return enough ? std::string() : "TGA file truncated";
}

std::string ReadTGAPixels(TStream& stream, const TTGAHeader& header, uint8_t* pixels, size_t size)
{
    const size_t pixelBytes = header.PixelDepth / 8;
    const size_t count = size_t(header.Width) * header.Height;
    const size_t rowBytes = size_t(header.Width) * pixelBytes;
    std::string problem = TGADataProblem(stream, header);
    if (problem.empty() && count * pixelBytes > size) problem = "TGA image too large";
    if (!problem.empty()) return problem;
    stream.Seek(header.IDLength, soCurrent);
    if (count == 0) return std::string();
    if (!IsRLE(header)) {
        stream.ReadBuffer(pixels, static_cast<int64_t>(count * pixelBytes));
    } else {
        // At most one packet byte per pixel, and a last packet that runs past the end.
        const uint64_t available = static_cast<uint64_t>(std::max<int64_t>(stream.Size() - stream.Position(), 0));
        std::vector<uint8_t> packed(std::min<uint64_t>(available, count * (pixelBytes + 1) + 128 * pixelBytes));
        stream.ReadBuffer(packed.data(), static_cast<int64_t>(packed.size()));
        if (!DecodeRLE(packed.data(), packed.size(), pixels, count, pixelBytes)) return "TGA file truncated";
    }
    if (header.ImageDescriptor & cTGATopOrigin)
        for (size_t r = 0; r < header.Height / 2u; ++r)
            std::swap_ranges(pixels + r * rowBytes, pixels + (r + 1) * rowBytes,
                             pixels + (header.Height - 1 - r) * rowBytes);
    // 16-bit pixels whose file declares no alpha bits: the top bit means nothing, so they are opaque.
    if (header.PixelDepth == 16 && (header.ImageDescriptor & 0x0F) == 0)
        for (size_t i = 1; i < count * 2; i += 2) pixels[i] |= 0x80;
    return std::string();
}

TTGAImage::TTGAImage() = default;

void TTGAImage::LoadFromStream(TStream& Stream)
{
    TTGAHeader header;
    if (!ReadTGAHeader(Stream, header)) throw ETGAException("TGA file truncated");
    if (header.ColorMapType != 0) throw ETGAException("ColorMapped TGA unsupported");
    if (!TGADepthSupported(header.PixelDepth) || (header.PixelDepth == 8 && !TGATypeSupported(header)))
        throw ETGAException("Unsupported TGA ImageType");
    // Type 0 (no image) is refused like any other type that holds no picture.
    if (!TGATypeSupported(header)) throw ETGAException("Unsupported TGA ImageType " + IntToStr(header.ImageType));
    if (const std::string problem = TGADataProblem(Stream, header); !problem.empty()) throw ETGAException(problem);
    // 16-bit pixels give 32 bits with a full or empty alpha; grey gives 24 bits. The bitmap is made first, so a
    // size beyond its limits is refused before anything is decoded.
    TBitmap bitmap;
    bitmap.SetPixelFormat(header.PixelDepth == 24 || header.PixelDepth == 8 ? pf24bit : pf32bit);
    try {
        bitmap.SetSize(header.Width, header.Height);
    } catch (const EInvalidGraphic&) {
        throw ETGAException("TGA image too large");
    }
    const size_t pixelBytes = header.PixelDepth / 8;
    std::vector<uint8_t> pixels(size_t(header.Width) * header.Height * pixelBytes);
    if (const std::string problem = ReadTGAPixels(Stream, header, pixels.data(), pixels.size()); !problem.empty())
        throw ETGAException(problem);
    const int32_t h = header.Height;
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t* src = pixels.data() + size_t(r) * header.Width * pixelBytes;
        uint8_t* dest = bitmap.ScanLine(h - 1 - r);
        for (int32_t x = 0; x < header.Width; ++x, src += pixelBytes)
            switch (header.PixelDepth) {
            case 8:
                *dest++ = src[0];
                *dest++ = src[0];
                *dest++ = src[0];
                break;
            case 16: {
                const uint16_t v = static_cast<uint16_t>(src[0] | src[1] << 8);
                const auto expand = [](unsigned five) { return static_cast<uint8_t>(five << 3 | five >> 2); };
                *dest++ = expand(v & 31);
                *dest++ = expand((v >> 5) & 31);
                *dest++ = expand((v >> 10) & 31);
                *dest++ = (v & 0x8000) ? 255 : 0;
                break;
            }
            default:
                std::memcpy(dest, src, pixelBytes);
                dest += pixelBytes;
            }
    }
    Assign(&bitmap);
    SetTransparent(PixelFormat() == pf32bit);
}

void TTGAImage::SaveToStream(TStream& Stream)
{
    TTGAHeader header;
    header.ImageType = cTGATrueColor;
    header.Width = static_cast<uint16_t>(Width());
    header.Height = static_cast<uint16_t>(Height());
    header.PixelDepth = PixelFormat() == pf32bit ? 32 : 24;
    if (Width() > 0xFFFF || Height() > 0xFFFF) throw ETGAException("Unsupported Bitmap format");
    WriteTGAHeader(Stream, header);
    const size_t rowBytes = size_t(Width()) * BytesPerPixel();
    for (int32_t row = Height() - 1; row >= 0; --row) Stream.WriteBuffer(ScanLine(row), static_cast<int64_t>(rowBytes));
}

void RegisterTGAPicture()
{
    TPicture::RegisterFileFormat("tga", "Targa", GraphicClass<TTGAImage>());
}
