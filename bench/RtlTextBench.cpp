// Runtime-library text paths the data readers and the HUD lean on, each beside the plain standard-library
// routine doing the same work: number text both ways, Format, splitting a map-sized text into a string list,
// and the case-insensitive path fallback against a plain existence check.
#include "FileUtils.h"
#include "StringLists.h"
#include "SysUtils.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <vector>
#include "BenchBaseline.h"

namespace {

std::vector<std::string> RealTexts()
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    std::vector<std::string> texts(1024);
    for (std::string& t : texts) t = FloatToStr(value(random));
    return texts;
}

void BM_StrToFloat(benchmark::State& state)
{
    const auto texts = RealTexts();
    for (auto _ : state)
        for (const std::string& t : texts) benchmark::DoNotOptimize(StrToFloat(t));
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_StrToFloat);

void BM_StrToFloat_Baseline_from_chars(benchmark::State& state)
{
    const auto texts = RealTexts();
    for (auto _ : state)
        for (const std::string& t : texts) {
            double value;
            std::from_chars(t.data(), t.data() + t.size(), value);
            benchmark::DoNotOptimize(value);
        }
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_StrToFloat_Baseline_from_chars);

void BM_FloatToStr(benchmark::State& state)
{
    double value = 0.1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FloatToStr(value));
        value += 1.37;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FloatToStr);

void BM_FloatToStr_Baseline_to_chars(benchmark::State& state)
{
    double value = 0.1;
    for (auto _ : state) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
        benchmark::DoNotOptimize(std::string(buffer, end));
        value += 1.37;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FloatToStr_Baseline_to_chars);

void BM_Format(benchmark::State& state)
{
    const std::string name = "Torch";
    int i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(Format("%s x%d: %.1f FPS", {name, ++i, 59.94}));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Format);

void BM_Format_Baseline_snprintf(benchmark::State& state)
{
    const std::string name = "Torch";
    int i = 0;
    for (auto _ : state) {
        char buffer[64];
        const int n = std::snprintf(buffer, sizeof buffer, "%s x%d: %.1f FPS", name.c_str(), ++i, 59.94);
        benchmark::DoNotOptimize(std::string(buffer, n));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Format_Baseline_snprintf);

// A map file's size: about 200 000 short lines.
std::string MapText()
{
    std::string text;
    for (int i = 0; i < 200'000; ++i) text += std::to_string(i % 977) + "\r\n";
    return text;
}

void BM_StringListSetText(benchmark::State& state)
{
    const std::string text = MapText();
    TStringList list;
    for (auto _ : state) {
        list.SetText(text);
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * 200'000);
}
BENCHMARK(BM_StringListSetText)->Unit(benchmark::kMillisecond);

void BM_StringListSetText_Baseline_vector(benchmark::State& state)
{
    const std::string text = MapText();
    std::vector<std::string> lines;
    for (auto _ : state) {
        lines.clear();
        for (size_t pos = 0; pos < text.size();) {
            const size_t end = text.find("\r\n", pos);
            lines.emplace_back(text, pos, end - pos);
            pos = end + 2;
        }
        benchmark::DoNotOptimize(lines.size());
    }
    state.SetItemsProcessed(state.iterations() * 200'000);
}
BENCHMARK(BM_StringListSetText_Baseline_vector)->Unit(benchmark::kMillisecond);

// A texture folder of 500 files, looked up under another spelling than the one on disk.
struct TTextureFolder {
    std::filesystem::path path;
    TTextureFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "rtl_bench_XXXXXX").string();
        path = mkdtemp(pattern.data());
        std::filesystem::create_directories(path / "Textures/HQ");
        for (int i = 0; i < 500; ++i) std::ofstream(path / ("Textures/HQ/Wall" + std::to_string(i) + ".PNG"));
    }
    ~TTextureFolder() { std::filesystem::remove_all(path); }
};

void BM_ResolvePathCaseInsensitive(benchmark::State& state)
{
    const TTextureFolder folder;
    const std::string name = folder.path.string() + "\\textures\\hq\\wall250.png";
    for (auto _ : state) benchmark::DoNotOptimize(FileExists(name));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ResolvePathCaseInsensitive);

void BM_ResolvePath_Baseline_exact_stat(benchmark::State& state)
{
    const TTextureFolder folder;
    const std::string name = folder.path.string() + "/Textures/HQ/Wall250.PNG";
    for (auto _ : state) {
        struct stat st;
        benchmark::DoNotOptimize(::stat(name.c_str(), &st));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ResolvePath_Baseline_exact_stat);

} // namespace

BENCHMARK_BASELINE(BM_StrToFloat, BM_StrToFloat_Baseline_from_chars);
BENCHMARK_BASELINE(BM_FloatToStr, BM_FloatToStr_Baseline_to_chars);
BENCHMARK_BASELINE(BM_Format, BM_Format_Baseline_snprintf);
BENCHMARK_BASELINE(BM_StringListSetText, BM_StringListSetText_Baseline_vector);
BENCHMARK_BASELINE(BM_ResolvePathCaseInsensitive, BM_ResolvePath_Baseline_exact_stat);
