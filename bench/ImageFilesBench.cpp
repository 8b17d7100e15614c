// Image files read from memory beside plain loops doing the bare work: a 1024 x 1024 32-bit run-length TGA
// beside a bare packet decoder, and a 1024 x 1024 DXT1 DDS (read and flipped bottom row first) beside a copy
// of its bytes.
#include "DXTC.h"
#include "GLFileDDS.h"
#include "GLFileTGA.h"
#include "Streams.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchBaseline.h"

namespace {

constexpr int32_t kSide = 1024;

// Runs of 8 equal pixels with a raw packet of 4 pixels after every 8 runs.
std::vector<uint8_t> RunLengthTga()
{
    std::vector<uint8_t> file(18, 0);
    file[2] = 10;
    file[12] = file[14] = 0;
    file[13] = file[15] = kSide >> 8;
    file[16] = 32;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide;) {
            if ((x / 8) % 9 == 8) {
                file.push_back(3);
                for (int i = 0; i < 4; ++i) file.insert(file.end(), {uint8_t(x + i), uint8_t(y), 7, 255});
                x += 4;
            } else {
                file.insert(file.end(), {0x87, uint8_t(x), uint8_t(y), 9, 255});
                x += 8;
            }
        }
    return file;
}

TMemoryStream StreamOf(const std::vector<uint8_t>& bytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return stream;
}

// Loads the file into one image again and again from the same memory stream.
template <class TImage> void LoadRepeatedly(benchmark::State& state, const std::vector<uint8_t>& file)
{
    TMemoryStream stream = StreamOf(file);
    TImage image;
    for (auto _ : state) {
        stream.SetPosition(0);
        image.LoadFromStream(stream);
        benchmark::DoNotOptimize(image.DataBytes());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_LoadRunLengthTGA(benchmark::State& state)
{
    LoadRepeatedly<TGLTGAImage>(state, RunLengthTga());
}
BENCHMARK(BM_LoadRunLengthTGA)->Unit(benchmark::kMillisecond);

void BM_PlainRunLengthDecode(benchmark::State& state)
{
    const std::vector<uint8_t> file = RunLengthTga();
    std::vector<uint8_t> pixels(size_t(kSide) * kSide * 4);
    for (auto _ : state) {
        const uint8_t* in = file.data() + 18;
        uint32_t* out = reinterpret_cast<uint32_t*>(pixels.data());
        uint32_t* const end = out + size_t(kSide) * kSide;
        while (out < end) {
            const uint8_t packet = *in++;
            const int count = (packet & 0x7F) + 1;
            if (packet & 0x80) {
                uint32_t pixel;
                std::memcpy(&pixel, in, 4);
                in += 4;
                for (int i = 0; i < count; ++i) *out++ = pixel;
            } else {
                std::memcpy(out, in, size_t(count) * 4);
                in += size_t(count) * 4;
                out += count;
            }
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_PlainRunLengthDecode)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_LoadRunLengthTGA, BM_PlainRunLengthDecode);

std::vector<uint8_t> DXT1Dds()
{
    TDDSHeader header{};
    header.Magic = FOURCC_DDS;
    header.SurfaceFormat.dwSize = 124;
    header.SurfaceFormat.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    header.SurfaceFormat.dwWidth = header.SurfaceFormat.dwHeight = kSide;
    header.SurfaceFormat.ddpfPixelFormat.dwSize = 32;
    header.SurfaceFormat.ddpfPixelFormat.dwFlags = DDPF_FOURCC;
    header.SurfaceFormat.ddpfPixelFormat.dwFourCC = MakeFourCC('D', 'X', 'T', '1');
    std::vector<uint8_t> file(sizeof(header) + size_t(kSide / 4) * (kSide / 4) * 8);
    std::memcpy(file.data(), &header, sizeof(header));
    for (size_t i = sizeof(header); i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 37);
    return file;
}

void BM_LoadDXT1DDS(benchmark::State& state)
{
    LoadRepeatedly<TGLDDSImage>(state, DXT1Dds());
}
BENCHMARK(BM_LoadDXT1DDS)->Unit(benchmark::kMillisecond);

void BM_PlainDDSCopy(benchmark::State& state)
{
    const std::vector<uint8_t> file = DXT1Dds();
    std::vector<uint8_t> pixels(file.size() - sizeof(TDDSHeader));
    for (auto _ : state) {
        std::memcpy(pixels.data(), file.data() + sizeof(TDDSHeader), pixels.size());
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_PlainDDSCopy)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_LoadDXT1DDS, BM_PlainDDSCopy);

} // namespace
