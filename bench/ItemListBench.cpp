// The item list set up with 1000 owned items of five kinds on an unshown main window with its cells made
// (ordered, filled into pages and the first page's cells dressed), beside std::stable_sort of the same ids by
// kind alone.
#include "UGH_main.h"

#include "BenchBaseline.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <memory>
#include <numeric>

namespace {

void OwnThousandItems()
{
    ResetGameTables();
    for (int32_t id = 0; id <= 999; ++id) {
        items[id].count = 1 + id % 3;
        items[id].itmtype = (id * 7) % 5;
    }
    equipped[0] = 12;
    selitem = 40;
    itemlistcards = false;
    itempage = 0;
}

void BM_SetupItemList(benchmark::State& state)
{
    OwnThousandItems();
    std::unique_ptr<TForm1, TFreeDeleter> form(new TForm1(nullptr));
    form->prepareitemlistgrid();
    for (auto _ : state) form->SetupItemList();
    benchmark::DoNotOptimize(itemgrid[0][0][0]);
}
BENCHMARK(BM_SetupItemList)->Unit(benchmark::kMicrosecond);

void BM_StableSortItemIds(benchmark::State& state)
{
    OwnThousandItems();
    std::array<int32_t, 1000> ids;
    for (auto _ : state) {
        std::iota(ids.begin(), ids.end(), 0);
        std::stable_sort(ids.begin(), ids.end(),
                         [](int32_t a, int32_t b) { return items[a].itmtype < items[b].itmtype; });
        benchmark::DoNotOptimize(ids.data());
    }
}
BENCHMARK(BM_StableSortItemIds)->Unit(benchmark::kMicrosecond);
BENCHMARK_BASELINE(BM_SetupItemList, BM_StableSortItemIds);

} // namespace
