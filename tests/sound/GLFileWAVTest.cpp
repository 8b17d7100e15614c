#include "GLFileMP3.h"
#include "GLFileWAV.h"
#include "Raises.h"
#include "SoundFixtures.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <cmath>
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
         "stream: the WAV file's samples are not PCM"},
        {"ADPCM", Riff(Chunk("fmt ", FmtBody(2, 1, 8000, 4)) + Chunk("fact", LE32(16)) + Chunk("data", cPcm)),
         "stream: the WAV file's samples are not PCM"},
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
