#include "GLFileMP3.h"
#include "GLFileWAV.h"
#include "Raises.h"
#include "SoundFixtures.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

TMemoryStream StreamOf(const Bytes& bytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    return stream;
}

Bytes BytesOf(const uint8_t* data, int32_t size)
{
    return data ? Bytes(data, data + size) : Bytes();
}

std::unique_ptr<TGLWAVFile> LoadWav(const Bytes& bytes)
{
    auto file = std::make_unique<TGLWAVFile>(nullptr);
    TMemoryStream stream = StreamOf(bytes);
    file->LoadFromStream(stream);
    return file;
}

const Bytes cPcm = {1, 2, 3, 4, 5, 6, 7, 8};

// A 16-byte "fmt " body of 4-bit ADPCM at 8000 Hz with 64-byte blocks per channel (bits as given).
Bytes AdpcmFmt(uint16_t tag, uint16_t channels, uint16_t bits = 4)
{
    const auto align = static_cast<uint16_t>(64 * channels);
    return Concat({LE16(tag), LE16(channels), LE32(8000), LE32(4000 * channels), LE16(align), LE16(bits)});
}

// IMA ADPCM blocks of the samples (interleaved), as a recorder writes them: per channel the first sample and
// the step index, then runs of 8 samples (4 bytes) per channel in turn, low nibble first. decoded receives the
// samples the encoder predicted, which is what a decoder must give back.
Bytes EncodeIma(const std::vector<int16_t>& samples, int channels, int blockAlign, std::vector<int16_t>& decoded)
{
    static const int16_t steps[89] = {
        7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
        31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
        130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
        544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
        2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
        9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const int indexStep[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    const int framesPerBlock = (blockAlign - 4 * channels) * 2 / channels + 1;
    const int frames = static_cast<int>(samples.size()) / channels;
    decoded.assign(samples.size(), 0);
    Bytes out;
    int index[2] = {0, 0};
    for (int start = 0; start < frames; start += framesPerBlock) {
        Bytes block(blockAlign, 0);
        int predictor[2];
        for (int c = 0; c < channels; ++c) {
            predictor[c] = samples[start * channels + c];
            block[4 * c] = static_cast<uint8_t>(predictor[c]);
            block[4 * c + 1] = static_cast<uint8_t>(predictor[c] >> 8);
            block[4 * c + 2] = static_cast<uint8_t>(index[c]);
            decoded[start * channels + c] = samples[start * channels + c];
        }
        for (int n = 0; n + 1 < framesPerBlock; ++n)
            for (int c = 0; c < channels; ++c) {
                const int frame = std::min(start + 1 + n, frames - 1);
                const int step = steps[index[c]];
                int diff = samples[frame * channels + c] - predictor[c];
                int nibble = diff < 0 ? 8 : 0;
                diff = std::abs(diff);
                int delta = step >> 3;
                if (diff >= step) nibble |= 4, diff -= step, delta += step;
                if (diff >= step >> 1) nibble |= 2, diff -= step >> 1, delta += step >> 1;
                if (diff >= step >> 2) nibble |= 1, delta += step >> 2;
                predictor[c] = std::clamp(nibble & 8 ? predictor[c] - delta : predictor[c] + delta, -32768, 32767);
                index[c] = std::clamp(index[c] + indexStep[nibble & 7], 0, 88);
                if (start + 1 + n < frames) decoded[(start + 1 + n) * channels + c] = static_cast<int16_t>(predictor[c]);
                uint8_t& byte = block[4 * channels + (n / 8) * 4 * channels + 4 * c + (n % 8) / 2];
                byte |= static_cast<uint8_t>(n % 2 ? nibble << 4 : nibble);
            }
        out = out + block;
    }
    return out;
}
const Bytes cMono8 = Chunk("fmt ", FmtBody(1, 1, 8000, 8));

TEST(GLFileWAV, ChunksAroundTheSamplesAreWalkedOver)
{
    struct Case {
        const char* name;
        Bytes chunks;
        int32_t pcmOffset;
    } cases[] = {
        {"plain", cMono8 + Chunk("data", cPcm), 44},
        {"LIST between fmt and data", cMono8 + Chunk("LIST", ToBytes("INFOISFT")) + Chunk("data", cPcm), 60},
        {"odd chunk and its pad byte", cMono8 + Chunk("junk", {9, 9, 9}) + Chunk("data", cPcm), 56},
        {"second fmt ignored", cMono8 + Chunk("fmt ", FmtBody(1, 2, 44100, 16)) + Chunk("data", cPcm), 68},
        {"an 18-byte fmt with its extra size", Chunk("fmt ", FmtBody(1, 1, 8000, 8) + LE16(0)) + Chunk("data", cPcm),
         46},
        {"fact before data", cMono8 + Chunk("fact", LE32(8)) + Chunk("data", cPcm), 56},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = Riff(c.chunks);
        const auto file = LoadWav(bytes);
        EXPECT_EQ(file->PcmOffset(), c.pcmOffset);
        EXPECT_EQ(BytesOf(file->PCMData(), file->LengthInBytes()), cPcm);
        EXPECT_EQ(BytesOf(file->WAVData(), file->WAVDataSize()), bytes);
        EXPECT_EQ(file->Sampling().Frequency(), 8000);
        EXPECT_EQ(file->Sampling().NbChannels(), 1);
        EXPECT_EQ(file->Sampling().BitsPerSample(), 8);
    }
}

TEST(GLFileWAV, StereoSixteenBitTakesItsSamplingAndDataSize)
{
    const std::vector<int16_t> tone = SineTone(440, 44100, 2, 0.1);
    const auto file = LoadWav(MakeWav(tone, 44100, 2));
    EXPECT_EQ(file->Sampling().Frequency(), 44100);
    EXPECT_EQ(file->Sampling().NbChannels(), 2);
    EXPECT_EQ(file->Sampling().BitsPerSample(), 16);
    EXPECT_EQ(file->LengthInBytes(), static_cast<int32_t>(tone.size() * 2));
    EXPECT_EQ(file->LengthInSamples(), 4410);
    EXPECT_NEAR(file->LengthInSec(), 0.1f, 1e-6f);
    EXPECT_EQ(std::memcmp(file->PCMData(), tone.data(), tone.size() * 2), 0);
}

TEST(GLFileWAV, SizesBeyondTheStreamAreClamped)
{
    // The data chunk claims 100 bytes, the file holds 8 of them, and the RIFF size claims far more.
    const Bytes bytes = Riff(cMono8 + ToBytes("data") + LE32(100) + cPcm, 1000000);
    const auto file = LoadWav(bytes);
    EXPECT_EQ(file->WAVDataSize(), static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(BytesOf(file->PCMData(), file->LengthInBytes()), cPcm);

    // A RIFF size shorter than the file keeps only that image: the samples end with it.
    const Bytes longer = Riff(cMono8 + Chunk("data", cPcm), 4 + 24 + 8 + 4);
    const auto cut = LoadWav(longer);
    EXPECT_EQ(cut->WAVDataSize(), 48);
    EXPECT_EQ(cut->LengthInBytes(), 4);
}

TEST(GLFileWAV, UnplayableFilesAreRefusedWithTheirReason)
{
    struct Case {
        const char* name;
        Bytes bytes;
        std::string message;
    } cases[] = {
        {"not RIFF", ToBytes("RIFX") + LE32(4) + ToBytes("WAVE"), "RIFF required"},
        {"too short for RIFF", ToBytes("RIF"), "RIFF required"},
        {"not WAVE", ToBytes("RIFF") + LE32(4) + ToBytes("AVI "), "RIFF-WAVE required"},
        {"RIFF alone", ToBytes("RIFF") + LE32(4), "RIFF-WAVE required"},
        {"no data", Riff(cMono8), "stream: the WAV file has no \"data\" chunk"},
        {"data chunk header cut", Riff(cMono8 + ToBytes("dat")), "stream: the WAV file has no \"data\" chunk"},
        {"no fmt", Riff(Chunk("data", cPcm)), "stream: the WAV file has no \"fmt \" chunk of at least 16 bytes"},
        {"short fmt", Riff(Chunk("fmt ", {1, 0, 1, 0}) + Chunk("data", cPcm)),
         "stream: the WAV file has no \"fmt \" chunk of at least 16 bytes"},
        {"float samples", Riff(Chunk("fmt ", FmtBody(3, 1, 8000, 32)) + Chunk("data", cPcm)),
         "stream: the WAV file's samples are neither PCM nor 4-bit ADPCM"},
        {"ADPCM without a block size", Riff(Chunk("fmt ", FmtBody(2, 1, 8000, 4)) + Chunk("data", cPcm)),
         "stream: the WAV file's ADPCM layout is not one the engine decodes"},
        {"8-bit ADPCM", Riff(Chunk("fmt ", AdpcmFmt(0x11, 1, 8)) + Chunk("data", cPcm)),
         "stream: the WAV file's ADPCM layout is not one the engine decodes"},
        // Old writers put the samples at 2 KB: a chunk walk that lands there exactly stops.
        {"the walk stops at 2048", Riff(cMono8 + Chunk("JUNK", Bytes(2048 - 44, 0)) + Chunk("data", cPcm)),
         "stream: the WAV file has no \"data\" chunk"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGLWAVFile file(nullptr);
        TMemoryStream stream = StreamOf(c.bytes);
        const std::string message = MessageOf([&] { file.LoadFromStream(stream); });
        EXPECT_EQ(message.substr(0, c.message.size()), c.message);
        EXPECT_EQ(file.WAVData(), nullptr);
    }
}

TEST(GLFileWAV, ExtensibleAndOtherDepthsLoad)
{
    const auto extensible = LoadWav(Riff(Chunk("fmt ", FmtBody(0xFFFE, 2, 48000, 16)) + Chunk("data", cPcm)));
    EXPECT_EQ(extensible->WaveFormat().wFormatTag, 0xFFFE);
    EXPECT_EQ(extensible->WaveFormat().nBlockAlign, 4);
    EXPECT_EQ(extensible->Sampling().NbChannels(), 2);
    EXPECT_EQ(extensible->LengthInBytes(), 8);
    const auto deep = LoadWav(Riff(Chunk("fmt ", FmtBody(1, 1, 44100, 24)) + Chunk("data", Bytes(9, 0))));
    EXPECT_EQ(deep->Sampling().BitsPerSample(), 24);
    EXPECT_EQ(deep->LengthInBytes(), 9);
}

TEST(GLFileWAV, ImaAdpcmIsDecodedToSixteenBitPcm)
{
    for (const int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const std::vector<int16_t> tone = SineTone(440, 8000, channels, 0.1); // 800 frames: 7 blocks, the last cut
        std::vector<int16_t> expected;
        const Bytes adpcm = EncodeIma(tone, channels, 64 * channels, expected);
        const Bytes bytes = Riff(Chunk("fmt ", AdpcmFmt(0x11, channels)) + Chunk("fact", LE32(800)) +
                                 Chunk("data", adpcm));
        const auto file = LoadWav(bytes);
        EXPECT_EQ(file->Sampling().Frequency(), 8000);
        EXPECT_EQ(file->Sampling().NbChannels(), channels);
        EXPECT_EQ(file->Sampling().BitsPerSample(), 16);
        // The "fact" count cuts the last block's padding; the image stays as read.
        ASSERT_EQ(file->LengthInSamples(), 800);
        EXPECT_EQ(BytesOf(file->WAVData(), file->WAVDataSize()), bytes);
        const auto* pcm = reinterpret_cast<const int16_t*>(file->PCMData());
        EXPECT_EQ(std::vector<int16_t>(pcm, pcm + tone.size()), expected);
        // Once the step has grown to the tone's slope (a few samples), the tone comes back closely.
        int worst = 0;
        for (size_t i = 16 * channels; i < tone.size(); ++i) worst = std::max(worst, std::abs(pcm[i] - tone[i]));
        EXPECT_LT(worst, 1200) << "of a tone at 8192";
        // A copy plays the same samples.
        std::unique_ptr<TGLDataFile> copy(file->CreateCopy(nullptr));
        auto* wav = static_cast<TGLWAVFile*>(copy.get());
        EXPECT_EQ(BytesOf(wav->PCMData(), wav->LengthInBytes()), BytesOf(file->PCMData(), file->LengthInBytes()));
    }
}

TEST(GLFileWAV, MicrosoftAdpcmFollowsItsPredictorAndDelta)
{
    // One 9-byte mono block: predictor 0 (256, 0), delta 16, newer sample 100, older 50, nibbles +1 and -1.
    const Bytes block = Concat({{0}, LE16(16), LE16(100), LE16(50), {0x1F}});
    Bytes fmt = Concat({LE16(2), LE16(1), LE32(8000), LE32(4000), LE16(9), LE16(4)});
    const auto file = LoadWav(Riff(Chunk("fmt ", fmt) + Chunk("data", block)));
    ASSERT_EQ(file->LengthInBytes(), 8);
    const auto* pcm = reinterpret_cast<const int16_t*>(file->PCMData());
    // The older sample first; 100 + 1 x 16, then 116 - 1 x 16 (the delta stays at its floor of 16).
    EXPECT_EQ(std::vector<int16_t>(pcm, pcm + 4), (std::vector<int16_t>{50, 100, 116, 100}));
    // A block cut inside its header holds no sample; a damaged delta cannot overflow.
    const Bytes wild = Concat({{0}, LE16(0x7FFF), LE16(0x8000), LE16(0x8000), Bytes(40, 0x77)});
    fmt = Concat({LE16(2), LE16(1), LE32(8000), LE32(4000), LE16(47), LE16(4)});
    const auto loud = LoadWav(Riff(Chunk("fmt ", fmt) + Chunk("data", wild + Bytes(3, 0))));
    EXPECT_EQ(loud->LengthInSamples(), 82);
}

TEST(GLFileWAV, TheImageIsSavedAndCopiedUnchanged)
{
    const Bytes bytes = Riff(cMono8 + Chunk("LIST", ToBytes("INFO")) + Chunk("data", cPcm));
    // Read from inside a larger stream, as a sample's data is.
    TMemoryStream stream = StreamOf(ToBytes("xyz") + bytes + ToBytes("after"));
    stream.SetPosition(3);
    TGLWAVFile file(nullptr);
    file.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(3 + bytes.size()));

    TMemoryStream saved;
    file.SaveToStream(saved);
    EXPECT_EQ(Bytes(saved.Memory(), saved.Memory() + saved.Size()), bytes);

    std::unique_ptr<TGLDataFile> copy(file.CreateCopy(nullptr));
    auto* wav = dynamic_cast<TGLWAVFile*>(copy.get());
    ASSERT_NE(wav, nullptr);
    EXPECT_EQ(BytesOf(wav->PCMData(), wav->LengthInBytes()), cPcm);
    EXPECT_NE(wav->WAVData(), file.WAVData());
    EXPECT_EQ(wav->Sampling().Frequency(), 8000);
}

// One second of a 440 Hz tone, encoded once for the MP3 tests.
const Bytes& ToneMp3()
{
    static const Bytes mp3 = EncodeMp3(SineTone(440, 22050, 1, 1.0), 22050, 1);
    return mp3;
}

TEST(GLFileMP3, DecodesToItsSamplingAndLengthKeepingTheBytes)
{
    const Bytes& bytes = ToneMp3();
    TGLMP3File file(nullptr);
    TMemoryStream stream = StreamOf(bytes);
    file.LoadFromStream(stream);
    EXPECT_EQ(file.Sampling().Frequency(), 22050);
    EXPECT_EQ(file.Sampling().NbChannels(), 1);
    EXPECT_EQ(file.Sampling().BitsPerSample(), 16);
    EXPECT_EQ(BytesOf(file.WAVData(), file.WAVDataSize()), bytes);

    // Within one frame (576 samples at this rate) of the second that was encoded.
    EXPECT_NEAR(file.LengthInSamples(), 22050, 576);
    // The tone comes back: its sign changes (past a band that the coding noise stays inside) give 440 Hz.
    const auto* pcm = reinterpret_cast<const int16_t*>(file.PCMData());
    const int32_t count = file.LengthInSamples();
    int crossings = 0;
    bool positive = true;
    for (int32_t i = 0; i < count; ++i)
        if ((positive && pcm[i] < -2000) || (!positive && pcm[i] > 2000)) {
            positive = !positive;
            ++crossings;
        }
    EXPECT_NEAR(crossings / 2.0 / (count / 22050.0), 440.0, 440.0 * 0.02);

    TMemoryStream saved;
    file.SaveToStream(saved);
    EXPECT_EQ(Bytes(saved.Memory(), saved.Memory() + saved.Size()), bytes);
    std::unique_ptr<TGLDataFile> copy(file.CreateCopy(nullptr));
    EXPECT_EQ(static_cast<TGLMP3File*>(copy.get())->LengthInBytes(), file.LengthInBytes());
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { file.PlayOnWaveOut(); }).rfind("MP3 playback on WaveOut not supported.", 0),
              0u);
}

TEST(GLFileMP3, BytesWithoutAFrameAreRefused)
{
    for (const Bytes& bytes : {Bytes(), ToBytes("not an mp3 file at all"), Bytes(5000, 0xFF)}) {
        TGLMP3File file(nullptr);
        TMemoryStream stream = StreamOf(bytes);
        EXPECT_EQ(MessageOf<EInvalidMP3File>([&] { file.LoadFromStream(stream); }),
                  "stream: no MPEG audio frame found");
        EXPECT_EQ(file.WAVData(), nullptr);
    }
    // A file cut after its first frames decodes what it holds.
    const Bytes& whole = ToneMp3();
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 3));
    TGLMP3File file(nullptr);
    TMemoryStream stream = StreamOf(cut);
    file.LoadFromStream(stream);
    EXPECT_GT(file.LengthInSamples(), 0);
    EXPECT_LT(file.LengthInSamples(), 22050);
}

} // namespace
