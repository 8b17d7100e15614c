#include "GLFileMP3.h"

#include "SysUtils.h"

#include <mpg123.h>

#include <algorithm>
#include <memory>

namespace {

constexpr const char* cUnit = "VAVodad\\Source\\FileFormats\\GLFileMP3";
// The decoder is fed in pieces of this size, so that finding the first frame reads only the file's start.
constexpr size_t cFeedPiece = 64 * 1024;
// No sample holds more than ten minutes: a long track costs about 100 MB of PCM already.
constexpr int64_t cMaxSeconds = 600;

struct TDecoderDeleter {
    void operator()(mpg123_handle* handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
using TDecoder = std::unique_ptr<mpg123_handle, TDecoderDeleter>;

// A feed decoder that puts out 16-bit signed samples at the file's own rate and channel count.
TDecoder NewDecoder()
{
    int error = MPG123_OK;
    TDecoder decoder(mpg123_new(nullptr, &error));
    if (!decoder) return decoder;
    mpg123_param(decoder.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(decoder.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(decoder.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(decoder.get()) != MPG123_OK) decoder.reset();
    return decoder;
}

struct TMP3Format {
    long rate = 0;
    int channels = 0;
};

// Decodes bytes until the first frame's format is known (pcm nullptr) or to the end: appends at most ten
// minutes of samples to pcm. The decoding stops at the first broken frame or a change of format. The format
// stays 0 when no frame was found.
TMP3Format DecodeMP3(const uint8_t* bytes, size_t size, std::vector<uint8_t>* pcm)
{
    TMP3Format format;
    const TDecoder decoder = NewDecoder();
    if (!decoder) return format;
    size_t fed = 0;
    size_t limit = 0;
    for (;;) {
        off_t frame = 0;
        unsigned char* audio = nullptr;
        size_t count = 0;
        const int result = mpg123_decode_frame(decoder.get(), &frame, &audio, &count);
        if (result == MPG123_NEED_MORE) {
            if (fed == size) break;
            const size_t piece = std::min(cFeedPiece, size - fed);
            if (mpg123_feed(decoder.get(), bytes + fed, piece) != MPG123_OK) break;
            fed += piece;
        } else if (result == MPG123_NEW_FORMAT) {
            if (format.rate != 0) break;
            int encoding = 0;
            if (mpg123_getformat(decoder.get(), &format.rate, &format.channels, &encoding) != MPG123_OK) break;
            if (!pcm) break;
            limit = static_cast<size_t>(format.rate * format.channels * 2 * cMaxSeconds);
            // The first frame's bit rate gives the decoded size of a constant-rate file: one allocation.
            mpg123_frameinfo info{};
            if (mpg123_info(decoder.get(), &info) == MPG123_OK && info.bitrate > 0) {
                const double seconds = static_cast<double>(size) * 8.0 / (info.bitrate * 1000.0);
                pcm->reserve(std::min(limit, static_cast<size_t>(seconds * format.rate * format.channels * 2 * 1.02)));
            }
        } else if (result == MPG123_OK && pcm && format.rate != 0) {
            const size_t take = std::min(count, limit - pcm->size());
            pcm->insert(pcm->end(), audio, audio + take);
            if (pcm->size() == limit) break;
        } else {
            break; // the end of the track, or a frame the decoder cannot read
        }
    }
    return format;
}

} // namespace

TGLDataFile* TGLMP3File::CreateCopy(TPersistent* AOwner) const
{
    auto* copy = new TGLMP3File(AOwner);
    copy->SetSampling(Sampling());
    copy->FData = FData;
    return copy;
}

void TGLMP3File::LoadFromStream(TStream& stream)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(stream.Size() - stream.Position(), 0)));
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    const TMP3Format format = DecodeMP3(bytes.data(), bytes.size(), nullptr);
    if (format.rate == 0) {
        const std::string fileName = ResourceName().empty() ? std::string("stream") : ResourceName();
        throw EInvalidMP3File(Format("%s: no MPEG audio frame found", {fileName}));
    }
    FData = std::move(bytes);
    FPCM.clear();
    FDecoded = false;
    Sampling().SetValues(static_cast<int32_t>(format.rate), format.channels, 16);
}

void TGLMP3File::SaveToStream(TStream& stream)
{
    stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TGLMP3File::Decode() const
{
    if (FDecoded) return;
    FDecoded = true;
    DecodeMP3(FData.data(), FData.size(), &FPCM);
}

const uint8_t* TGLMP3File::PCMData() const
{
    Decode();
    return FPCM.empty() ? nullptr : FPCM.data();
}

int32_t TGLMP3File::LengthInBytes() const
{
    Decode();
    return static_cast<int32_t>(FPCM.size());
}

void TGLMP3File::PlayOnWaveOut()
{
    Assert(false, "MP3 playback on WaveOut not supported.", cUnit);
}

void RegisterGLFileMP3()
{
    mpg123_init(); // needed by older library versions before the first decoder
    RegisterSoundFileFormat<TGLMP3File>("mp3", "MPEG Layer3 files");
}
