// The character editor's timer tick: the character's boxes, its 1001 spellbook and 101 perk ticks and the
// wanderer's boxes copied into the working records, beside copying 1102 flags from one bool array to another.
#include "UGHcharedit.h"

#include "BenchBaseline.h"

#include <benchmark/benchmark.h>

#include <array>
#include <memory>

namespace {

constexpr std::size_t cTicks = 1001 + 101;

void BM_CharacterEditorTick(benchmark::State& state)
{
    tempchar = character{};
    for (int32_t i = 0; i <= 1000; i += 3) tempchar.spellbook[i] = true;
    for (int32_t i = 0; i <= 100; i += 2) tempchar.perks[i] = true;
    std::unique_ptr<TForm4, TFreeDeleter> form(new TForm4(nullptr));
    form->DisplayTempcharData();
    for (auto _ : state) {
        form->Timer1Timer(form.get());
        benchmark::DoNotOptimize(tempchar.perks[100]);
    }
    tempchar = character{};
}
BENCHMARK(BM_CharacterEditorTick);

void BM_PlainBoolArrayCopy(benchmark::State& state)
{
    std::array<bool, cTicks> from{};
    for (std::size_t i = 0; i < cTicks; i += 3) from[i] = true;
    std::array<bool, cTicks> to{};
    for (auto _ : state) {
        benchmark::DoNotOptimize(from.data());
        for (std::size_t i = 0; i < cTicks; ++i) to[i] = from[i];
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlainBoolArrayCopy);

BENCHMARK_BASELINE(BM_CharacterEditorTick, BM_PlainBoolArrayCopy);

} // namespace
