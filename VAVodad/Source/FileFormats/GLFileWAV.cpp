#include "GLFileWAV.h"

#include "GLSMWaveOut.h"
#include "SysUtils.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

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

constexpr uint16_t WAVE_FORMAT_ADPCM = 2;
constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 0x11;

int16_t Clamp16(int32_t v)
{
    return static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767));
}

int16_t ReadS16(const uint8_t* p)
{
    return static_cast<int16_t>(ReadU16(p));
}

// Blocks of 4-bit IMA ADPCM: each channel's block starts with its first sample and step index, then the
// channels alternate in runs of 8 samples (4 bytes, low nibble first).
void DecodeImaBlock(const uint8_t* block, int32_t channels, int32_t frames, int16_t* out)
{
    static constexpr int16_t cSteps[89] = {
        7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
        31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
        130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
        544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
        2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
        9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static constexpr int8_t cIndexStep[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    for (int32_t c = 0; c < channels; ++c) {
        const uint8_t* head = block + 4 * c;
        int32_t predictor = ReadS16(head);
        int32_t index = std::min<int32_t>(head[2], 88);
        out[c] = static_cast<int16_t>(predictor);
        const uint8_t* data = block + 4 * channels + 4 * c;
        for (int32_t frame = 1; frame < frames; ++frame) {
            const int32_t n = frame - 1; // the nibble's place in this channel's stream
            const uint8_t byte = data[(n / 8) * 4 * channels + (n % 8) / 2];
            const int32_t nibble = n % 2 ? byte >> 4 : byte & 0x0F;
            const int32_t step = cSteps[index];
            int32_t diff = step >> 3;
            if (nibble & 1) diff += step >> 2;
            if (nibble & 2) diff += step >> 1;
            if (nibble & 4) diff += step;
            predictor = Clamp16(nibble & 8 ? predictor - diff : predictor + diff);
            index = std::clamp<int32_t>(index + cIndexStep[nibble & 7], 0, 88);
            out[frame * channels + c] = static_cast<int16_t>(predictor);
        }
    }
}

// Blocks of Microsoft's 4-bit ADPCM: per channel a predictor number, then the deltas, the newer and the
// older start samples; the nibbles that follow alternate between the channels, high nibble first.
void DecodeMsBlock(const uint8_t* block, int32_t channels, int32_t frames, const std::vector<int16_t>& coefs,
                   int16_t* out)
{
    static constexpr int32_t cAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                          768, 614, 512, 409, 307, 230, 230, 230};
    // 64-bit state: a damaged file can grow a delta without bound.
    int64_t coef1[2], coef2[2], delta[2], s1[2], s2[2];
    for (int32_t c = 0; c < channels; ++c) {
        const size_t predictor = std::min<size_t>(block[c], coefs.size() / 2 - 1);
        coef1[c] = coefs[2 * predictor];
        coef2[c] = coefs[2 * predictor + 1];
        delta[c] = ReadS16(block + channels + 2 * c);
        s1[c] = ReadS16(block + 3 * channels + 2 * c);
        s2[c] = ReadS16(block + 5 * channels + 2 * c);
        out[c] = static_cast<int16_t>(s2[c]);
        if (frames > 1) out[channels + c] = static_cast<int16_t>(s1[c]);
    }
    const uint8_t* data = block + 7 * channels;
    for (int32_t i = 2 * channels; i < frames * channels; ++i) {
        const int32_t n = i - 2 * channels;
        const int32_t c = i % channels;
        const int32_t nibble = n % 2 ? data[n / 2] & 0x0F : data[n / 2] >> 4;
        const int32_t signedNibble = nibble >= 8 ? nibble - 16 : nibble;
        const int64_t predicted = (s1[c] * coef1[c] + s2[c] * coef2[c]) / 256 + signedNibble * delta[c];
        s2[c] = s1[c];
        s1[c] = std::clamp<int64_t>(predicted, -32768, 32767);
        delta[c] = std::clamp<int64_t>(cAdapt[nibble] * delta[c] / 256, 16, int64_t{1} << 32);
        out[i] = static_cast<int16_t>(s1[c]);
    }
}

// The standard predictor pairs of Microsoft's ADPCM, for a format chunk that does not list its own.
const std::vector<int16_t> cMsCoefs = {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232};

// The samples of a 4-bit ADPCM "data" chunk as 16-bit PCM, block by block; a last, partial block gives the
// samples it holds. frameLimit (the "fact" count, or -1) cuts the padding of the last block.
std::vector<int16_t> DecodeAdpcm(const TWaveFormatEx& format, const std::vector<int16_t>& coefs,
                                 const uint8_t* data, int64_t size, int64_t frameLimit,
                                 const std::function<void(const char*)>& refuse)
{
    const bool ima = format.wFormatTag == WAVE_FORMAT_IMA_ADPCM;
    const int32_t channels = format.nChannels;
    const int32_t headerBytes = (ima ? 4 : 7) * channels;
    if (format.wBitsPerSample != 4 || channels < 1 || channels > 2 || format.nBlockAlign <= headerBytes ||
        (ima && format.nBlockAlign % (4 * channels) != 0))
        refuse("the WAV file's ADPCM layout is not one the engine decodes (4-bit, 1 or 2 channels)");
    auto framesIn = [&](int64_t blockBytes) -> int32_t {
        if (blockBytes <= headerBytes) return blockBytes >= headerBytes ? (ima ? 1 : 2) : 0;
        const int64_t body = blockBytes - headerBytes;
        return static_cast<int32_t>(ima ? body / (4 * channels) * 8 + 1 : body * 2 / channels + 2);
    };
    const int64_t fullBlocks = size / format.nBlockAlign;
    const int64_t rest = size % format.nBlockAlign;
    int64_t frames = fullBlocks * framesIn(format.nBlockAlign) + framesIn(rest);
    if (frameLimit >= 0) frames = std::min(frames, frameLimit);
    if (frames * channels * 2 > std::numeric_limits<int32_t>::max())
        refuse("the WAV file's decoded samples would exceed 2 GB");
    std::vector<int16_t> pcm(static_cast<size_t>(frames * channels));
    std::vector<int16_t> block(static_cast<size_t>(framesIn(format.nBlockAlign) * channels));
    int64_t done = 0;
    for (int64_t at = 0; at < size && done < frames; at += format.nBlockAlign) {
        const int32_t blockFrames = framesIn(std::min<int64_t>(format.nBlockAlign, size - at));
        if (blockFrames == 0) break;
        if (ima)
            DecodeImaBlock(data + at, channels, blockFrames, block.data());
        else
            DecodeMsBlock(data + at, channels, blockFrames, coefs, block.data());
        const int64_t take = std::min<int64_t>(blockFrames, frames - done);
        std::copy_n(block.begin(), take * channels, pcm.begin() + done * channels);
        done += take;
    }
    return pcm;
}

// A Microsoft ADPCM format chunk lists its predictor pairs after the samples-per-block count; without a
// complete list the standard pairs serve.
std::vector<int16_t> MsCoefsOf(const uint8_t* body, int64_t size)
{
    if (size < 22) return cMsCoefs;
    const int32_t count = ReadU16(body + 20);
    if (count < 1 || size < 22 + 4 * int64_t{count}) return cMsCoefs;
    std::vector<int16_t> coefs(static_cast<size_t>(2 * count));
    for (int32_t i = 0; i < 2 * count; ++i) coefs[i] = ReadS16(body + 22 + 2 * i);
    return coefs;
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
    copy->FDecoded = FDecoded;
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
    std::vector<int16_t> coefs;
    int64_t factFrames = -1;
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
            if (format.wFormatTag == WAVE_FORMAT_ADPCM) coefs = MsCoefsOf(chunk + 8, body);
        }
        // The sample count of a compressed file, read once.
        if (IsFourCC(chunk, "fact") && factFrames < 0 && size >= 4 && pos + 4 <= imageSize)
            factFrames = ReadU32(chunk + 8);
        pos += size + (size & 1); // chunks are word-aligned: an odd size is followed by a pad byte
        if (pos == cHeaderStop) break;
    }

    if (!haveFormat) refuse("the WAV file has no \"fmt \" chunk of at least 16 bytes");
    if (dataOffset < 0) refuse("the WAV file has no \"data\" chunk");
    const int64_t samplesSize = std::min(dataSize, imageSize - dataOffset);
    // Compressed samples are decoded to 16-bit PCM for the back ends; the image itself stays as it was read.
    std::vector<int16_t> decoded;
    const bool adpcm = format.wFormatTag == WAVE_FORMAT_ADPCM || format.wFormatTag == WAVE_FORMAT_IMA_ADPCM;
    if (adpcm)
        decoded = DecodeAdpcm(format, coefs, image.get() + dataOffset, samplesSize, factFrames, refuse);
    else if (format.wFormatTag != WAVE_FORMAT_PCM && format.wFormatTag != WAVE_FORMAT_EXTENSIBLE)
        refuse("the WAV file's samples are neither PCM nor 4-bit ADPCM");

    FWaveFormat = format;
    FPcmOffset = static_cast<int32_t>(dataOffset);
    FDecoded = std::move(decoded);
    FLengthInBytes = adpcm ? static_cast<int32_t>(FDecoded.size() * 2) : static_cast<int32_t>(samplesSize);
    FData = std::move(image);
    FSize = static_cast<int32_t>(imageSize);
    const uint32_t rate = std::min<uint32_t>(format.nSamplesPerSec, std::numeric_limits<int32_t>::max());
    Sampling().SetValues(static_cast<int32_t>(rate), format.nChannels, adpcm ? 16 : format.wBitsPerSample);
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
