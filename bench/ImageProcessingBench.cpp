// Pixel conversion and resampling on 1024 x 1024 images beside plain loops doing the same work: DXT1 decode
// (every DDS texture of the game is decoded in software), a Lanczos rescale to half size beside a 2 x 2 box
// filter, and BGR8 to RGBA8 beside a byte swizzle.
#include "GLImageUtils.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "BenchBaseline.h"

namespace {

constexpr int32_t kSide = 1024;

std::vector<uint8_t> RandomBytes(std::size_t ACount)
{
    std::mt19937 random(1234);
    std::vector<uint8_t> bytes(ACount);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

void BM_ConvertDXT1ToRGBA8(benchmark::State& state)
{
    const auto blocks = RandomBytes(kSide / 4 * (kSide / 4) * 8);
    std::vector<uint8_t> rgba(kSide * kSide * 4);
    for (auto _ : state) {
        ConvertImage(blocks.data(), rgba.data(), GL_RGBA, GL_RGBA, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT,
                     GL_UNSIGNED_BYTE, kSide, kSide, blocks.size(), rgba.size());
        benchmark::DoNotOptimize(rgba.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_ConvertDXT1ToRGBA8)->Unit(benchmark::kMillisecond);

// A straight DXT1 decoder writing bytes directly.
void BM_PlainDXT1Decode(benchmark::State& state)
{
    const auto blocks = RandomBytes(kSide / 4 * (kSide / 4) * 8);
    std::vector<uint8_t> rgba(kSide * kSide * 4);
    for (auto _ : state) {
        const uint8_t* block = blocks.data();
        for (int by = 0; by < kSide; by += 4)
            for (int bx = 0; bx < kSide; bx += 4, block += 8) {
                uint16_t c[2];
                uint32_t indices;
                std::memcpy(c, block, 4);
                std::memcpy(&indices, block + 4, 4);
                uint8_t palette[4][4];
                for (int k = 0; k < 2; ++k) {
                    palette[k][0] = static_cast<uint8_t>(((c[k] >> 11) & 31) * 8);
                    palette[k][1] = static_cast<uint8_t>(((c[k] >> 5) & 63) * 4);
                    palette[k][2] = static_cast<uint8_t>((c[k] & 31) * 8);
                    palette[k][3] = 255;
                }
                for (int ch = 0; ch < 3; ++ch) {
                    const int p0 = palette[0][ch], p1 = palette[1][ch];
                    if (c[0] > c[1]) {
                        palette[2][ch] = static_cast<uint8_t>((2 * p0 + p1 + 1) / 3);
                        palette[3][ch] = static_cast<uint8_t>((p0 + 2 * p1 + 1) / 3);
                    } else {
                        palette[2][ch] = static_cast<uint8_t>((p0 + p1) / 2);
                        palette[3][ch] = static_cast<uint8_t>((p0 + 2 * p1 + 1) / 3);
                    }
                }
                palette[2][3] = 255;
                palette[3][3] = c[0] > c[1] ? 255 : 0;
                for (int i = 0; i < 16; ++i)
                    std::memcpy(&rgba[((by + i / 4) * kSide + bx + i % 4) * 4], palette[(indices >> (2 * i)) & 3], 4);
            }
        benchmark::DoNotOptimize(rgba.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_PlainDXT1Decode)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_ConvertDXT1ToRGBA8, BM_PlainDXT1Decode);

void BM_RescaleLanczos1024To512(benchmark::State& state)
{
    const auto src = RandomBytes(kSide * kSide * 4);
    std::vector<uint8_t> dst(kSide / 2 * (kSide / 2) * 4);
    for (auto _ : state) {
        RescaleImage(src.data(), dst.data(), GL_RGBA, GL_UNSIGNED_BYTE, ImageFilterLanczos3, kSide, kSide, kSide / 2,
                     kSide / 2, src.size(), dst.size());
        benchmark::DoNotOptimize(dst.data());
    }
}
BENCHMARK(BM_RescaleLanczos1024To512)->Unit(benchmark::kMillisecond);

// Halving with a 2 x 2 box: the cheapest filter that makes the same image size.
void BM_PlainBoxFilter1024To512(benchmark::State& state)
{
    const auto src = RandomBytes(kSide * kSide * 4);
    std::vector<uint8_t> dst(kSide / 2 * (kSide / 2) * 4);
    const int half = kSide / 2;
    for (auto _ : state) {
        for (int y = 0; y < half; ++y)
            for (int x = 0; x < half; ++x)
                for (int c = 0; c < 4; ++c) {
                    const uint8_t* p = &src[((2 * y) * kSide + 2 * x) * 4 + c];
                    const uint8_t* below = p + kSide * 4;
                    dst[(y * half + x) * 4 + c] = static_cast<uint8_t>((p[0] + p[4] + below[0] + below[4]) / 4);
                }
        benchmark::DoNotOptimize(dst.data());
    }
}
BENCHMARK(BM_PlainBoxFilter1024To512)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_RescaleLanczos1024To512, BM_PlainBoxFilter1024To512);

void BM_ConvertBGR8ToRGBA8(benchmark::State& state)
{
    const auto bgr = RandomBytes(kSide * kSide * 3);
    std::vector<uint8_t> rgba(kSide * kSide * 4);
    for (auto _ : state) {
        ConvertImage(bgr.data(), rgba.data(), GL_BGR, GL_RGBA, GL_UNSIGNED_BYTE, GL_UNSIGNED_BYTE, kSide, kSide,
                     bgr.size(), rgba.size());
        benchmark::DoNotOptimize(rgba.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_ConvertBGR8ToRGBA8)->Unit(benchmark::kMillisecond);

void BM_PlainBGR8ToRGBA8(benchmark::State& state)
{
    const auto bgr = RandomBytes(kSide * kSide * 3);
    std::vector<uint8_t> rgba(kSide * kSide * 4);
    for (auto _ : state) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(kSide) * kSide; ++i) {
            rgba[4 * i] = bgr[3 * i + 2];
            rgba[4 * i + 1] = bgr[3 * i + 1];
            rgba[4 * i + 2] = bgr[3 * i];
            rgba[4 * i + 3] = 255;
        }
        benchmark::DoNotOptimize(rgba.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_PlainBGR8ToRGBA8)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_ConvertBGR8ToRGBA8, BM_PlainBGR8ToRGBA8);

} // namespace
