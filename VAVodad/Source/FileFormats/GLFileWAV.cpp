#include "GLFileWAV.h"

#include "GLSMWaveOut.h"
#include "SysUtils.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr const char* cUnit = "VAVodad\\Source\\FileFormats\\GLFileWAV";
// Old writers padded their headers to 2 KB and put the samples there: the chunk walk stops at that offset.
constexpr int64_t cHeaderStop = 2048;

uint16_t ReadU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

bool IsFourCC(const uint8_t* p, const char* id)
{
    return std::memcmp(p, id, 4) == 0;
}

// Up to 18 bytes of a "fmt " chunk into the record; fields beyond the chunk stay 0.
TWaveFormatEx ReadWaveFormat(const uint8_t* p, int64_t size)
{
    uint8_t bytes[18] = {};
    std::memcpy(bytes, p, static_cast<size_t>(std::min<int64_t>(size, 18)));
    TWaveFormatEx format;
    format.wFormatTag = ReadU16(bytes);
    format.nChannels = ReadU16(bytes + 2);
    format.nSamplesPerSec = ReadU32(bytes + 4);
    format.nAvgBytesPerSec = ReadU32(bytes + 8);
    format.nBlockAlign = ReadU16(bytes + 12);
    format.wBitsPerSample = ReadU16(bytes + 14);
    format.cbSize = ReadU16(bytes + 16);
    return format;
}

} // namespace

TGLDataFile* TGLWAVFile::CreateCopy(TPersistent* AOwner) const
{
    auto* copy = new TGLWAVFile(AOwner);
    copy->SetSampling(Sampling());
    copy->FWaveFormat = FWaveFormat;
    copy->FPcmOffset = FPcmOffset;
    copy->FLengthInBytes = FLengthInBytes;
    copy->FSize = FSize;
    if (FSize) {
        copy->FData = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(FSize));
        std::memcpy(copy->FData.get(), FData.get(), static_cast<size_t>(FSize));
    }
    return copy;
}

void TGLWAVFile::LoadFromStream(TStream& stream)
{
    const std::string fileName = ResourceName().empty() ? std::string("stream") : ResourceName();
    auto refuse = [&](const char* why) { throw EInvalidWAVFile(Format("%s: %s", {fileName, why})); };

    const int64_t start = stream.Position();
    uint8_t header[12];
    const int64_t got = stream.Read(header, sizeof header);
    Assert(got >= 8 && IsFourCC(header, "RIFF"), "RIFF required", cUnit);
    Assert(got == 12 && IsFourCC(header + 8, "WAVE"), "RIFF-WAVE required", cUnit);

    // The image is what the RIFF header announces, but never more than the stream holds.
    const int64_t left = stream.Size() - start;
    const int64_t imageSize =
        std::min({int64_t{ReadU32(header + 4)} + 8, left, int64_t{std::numeric_limits<int32_t>::max()}});
    auto image = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(std::max<int64_t>(imageSize, 12)));
    std::memcpy(image.get(), header, sizeof header);
    if (imageSize > 12) stream.ReadBuffer(image.get() + 12, imageSize - 12);

    TWaveFormatEx format;
    bool haveFormat = false;
    int64_t dataOffset = -1;
    int64_t dataSize = 0;
    int64_t pos = 12;
    while (pos + 8 <= imageSize) {
        const uint8_t* chunk = image.get() + pos;
        const int64_t size = ReadU32(chunk + 4);
        pos += 8;
        if (IsFourCC(chunk, "data")) {
            dataOffset = pos;
            dataSize = size;
            break;
        }
        // The first format chunk wins (a later one only while the tag read so far is 0).
        if (IsFourCC(chunk, "fmt ") && format.wFormatTag == 0) {
            const int64_t body = std::min(size, imageSize - pos);
            format = ReadWaveFormat(chunk + 8, body);
            haveFormat = body >= 16;
        }
        pos += size + (size & 1); // chunks are word-aligned: an odd size is followed by a pad byte
        if (pos == cHeaderStop) break;
    }

    if (!haveFormat) refuse("the WAV file has no \"fmt \" chunk of at least 16 bytes");
    if (dataOffset < 0) refuse("the WAV file has no \"data\" chunk");
    if (format.wFormatTag != WAVE_FORMAT_PCM && format.wFormatTag != WAVE_FORMAT_EXTENSIBLE)
        refuse("the WAV file's samples are not PCM");

    FWaveFormat = format;
    FPcmOffset = static_cast<int32_t>(dataOffset);
    FLengthInBytes = static_cast<int32_t>(std::min(dataSize, imageSize - dataOffset));
    FData = std::move(image);
    FSize = static_cast<int32_t>(imageSize);
    const uint32_t rate = std::min<uint32_t>(format.nSamplesPerSec, std::numeric_limits<int32_t>::max());
    Sampling().SetValues(static_cast<int32_t>(rate), format.nChannels, format.wBitsPerSample);
}

void TGLWAVFile::SaveToStream(TStream& stream)
{
    if (FSize) stream.WriteBuffer(FData.get(), FSize);
}

void TGLWAVFile::PlayOnWaveOut()
{
    if (FSize) PlaySoundOnWaveOut(Sampling(), PCMData(), FLengthInBytes);
}

void RegisterGLFileWAV()
{
    RegisterSoundFileFormat<TGLWAVFile>("wav", "Windows WAV files");
}
