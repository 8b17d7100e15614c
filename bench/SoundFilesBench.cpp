// Reading sound files: a 10 s 16-bit stereo WAV loaded from its file beside reading the file's bytes plainly,
// and 60 s of MP3 loaded and decoded beside a bare libmpg123 feed loop decoding the same bytes into a buffer.
#include "BenchBaseline.h"
#include "GLFileMP3.h"
#include "GLFileWAV.h"
#include "SoundFixtures.h"
#include "Streams.h"

#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// The WAV file, written once for the run and removed at exit.
struct TWavOnDisk {
    std::string path =
        (std::filesystem::temp_directory_path() / ("mirefall_bench_tone_" + std::to_string(getpid()) + ".wav")).string();
    TWavOnDisk()
    {
        const Bytes wav = MakeWav(SineTone(440, 44100, 2, 10.0), 44100, 2);
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(wav.data(), 1, wav.size(), file);
        std::fclose(file);
    }
    ~TWavOnDisk() { std::filesystem::remove(path); }
};

const std::string& WavPath()
{
    static const TWavOnDisk file;
    return file.path;
}

void BM_WAVLoadFromFile(benchmark::State& state)
{
    const std::string& path = WavPath();
    for (auto _ : state) {
        TGLWAVFile wav(nullptr);
        wav.LoadFromFile(path);
        benchmark::DoNotOptimize(wav.PCMData());
    }
}
BENCHMARK(BM_WAVLoadFromFile)->Unit(benchmark::kMicrosecond);

void BM_PlainReadWavBytes(benchmark::State& state)
{
    const std::string& path = WavPath();
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "rb");
        std::fseek(file, 0, SEEK_END);
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[static_cast<size_t>(size)]);
        benchmark::DoNotOptimize(std::fread(bytes.get(), 1, static_cast<size_t>(size), file));
        std::fclose(file);
        benchmark::DoNotOptimize(bytes.get());
    }
}
BENCHMARK(BM_PlainReadWavBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK_BASELINE(BM_WAVLoadFromFile, BM_PlainReadWavBytes);

// A minute of a stereo chord at 44100 Hz, 128 kbit/s.
const Bytes& MinuteOfMp3()
{
    static const Bytes mp3 = [] {
        std::vector<int16_t> samples = SineTone(220, 44100, 2, 60.0);
        const std::vector<int16_t> fifth = SineTone(330, 44100, 2, 60.0);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(samples[i] / 2 + fifth[i] / 2);
        return EncodeMp3(samples, 44100, 2, 128);
    }();
    return mp3;
}

void BM_MP3LoadAndDecode(benchmark::State& state)
{
    const Bytes& mp3 = MinuteOfMp3();
    TMemoryStream stream;
    stream.WriteBuffer(mp3.data(), static_cast<int64_t>(mp3.size()));
    for (auto _ : state) {
        stream.SetPosition(0);
        TGLMP3File file(nullptr);
        file.LoadFromStream(stream);
        benchmark::DoNotOptimize(file.PCMData());
        if (file.LengthInSamples() < 44100 * 59) state.SkipWithError("the minute did not decode");
    }
}
BENCHMARK(BM_MP3LoadAndDecode)->Unit(benchmark::kMillisecond);

void BM_PlainMpg123Decode(benchmark::State& state)
{
    const Bytes& mp3 = MinuteOfMp3();
    for (auto _ : state) {
        mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
        mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        mpg123_open_feed(decoder);
        mpg123_feed(decoder, mp3.data(), mp3.size());
        std::vector<uint8_t> pcm;
        pcm.reserve(size_t(44100) * 2 * 2 * 61);
        for (;;) {
            off_t frame = 0;
            unsigned char* audio = nullptr;
            size_t count = 0;
            const int result = mpg123_decode_frame(decoder, &frame, &audio, &count);
            if (result == MPG123_OK)
                pcm.insert(pcm.end(), audio, audio + count);
            else if (result != MPG123_NEW_FORMAT)
                break;
        }
        mpg123_delete(decoder);
        benchmark::DoNotOptimize(pcm.data());
    }
}
BENCHMARK(BM_PlainMpg123Decode)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_MP3LoadAndDecode, BM_PlainMpg123Decode);

} // namespace
