// The map editor's card export: 1001 enabled cards (12 columns, 12,024 cells with the titles) through the
// spreadsheet layer into a workbook file, beside libxlsxwriter writing the same cells straight into a workbook.
#include "UGHmapedit.h"

#include "BenchBaseline.h"
#include "ShellOpen.h"
#include "SpreadsheetApp.h"

#include <benchmark/benchmark.h>

#include <xlsxwriter.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

// Every card enabled, with values that differ from card to card.
void FillCards()
{
    for (int32_t i = cards.Low(); i <= cards.High(); ++i) {
        card& c = cards[i];
        c = card{};
        c.enabled = true;
        c.name = "Card " + std::to_string(i);
        c.element = i % 5;
        c.dmgph = i % 40, c.dmgperc = i % 7, c.addhp = i % 3, c.addmp = i % 4, c.bonam = i % 11;
        c.consumes = i % 2 == 0 ? -1 : 0;
        c.mc = i % 9, c.hpc = i % 2;
        c.addeffect = i % 6, c.effstrgth = i % 5, c.efflgth = 3;
    }
}

struct TExportFolder {
    TExportFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirefall_bench_XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TExportFolder() { std::filesystem::remove_all(path); }
    // Removes what an iteration wrote.
    void Empty() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(path)) std::filesystem::remove(entry.path());
    }
    std::filesystem::path path;
};

void BM_EditorCardExport(benchmark::State& state)
{
    FillCards();
    const TExportFolder folder;
    SetSpreadsheetAppFactory([&] { return std::make_unique<TWorkbookFileApp>(folder.path.string()); });
    SetShellOpenHook([](const std::string&, const TShellOpenDone&) { return true; });
    std::unique_ptr<TForm2, TFreeDeleter> editor(new TForm2(nullptr));
    for (auto _ : state) {
        editor->edb(1);
        state.PauseTiming();
        folder.Empty();
        state.ResumeTiming();
    }
    SetShellOpenHook(nullptr);
    SetSpreadsheetAppFactory(nullptr);
}
BENCHMARK(BM_EditorCardExport)->Unit(benchmark::kMillisecond);

void BM_PlainXlsxCards(benchmark::State& state)
{
    FillCards();
    const TExportFolder folder;
    const std::string fileName = (folder.path / "plain.xlsx").string();
    const char* const titles[] = {"name", "elem", "dmg", "dmgp", "heal", "rcb", "cons", "mp", "hp", "effpwr", "eval", "totcost"};
    for (auto _ : state) {
        lxw_workbook* book = workbook_new(fileName.c_str());
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        for (lxw_col_t col = 0; col < 12; ++col) worksheet_write_string(sheet, 0, col, titles[col], nullptr);
        for (int32_t i = cards.Low(); i <= cards.High(); ++i) {
            const card& c = cards[i];
            const lxw_row_t row = static_cast<lxw_row_t>(i + 1);
            const double elem = c.element != 0 ? 1 : 0, cons = c.consumes == -1 ? 1 : 0;
            const double heal = c.addhp + c.addmp;
            const double values[] = {elem, double(c.dmgph), double(c.dmgperc), heal, double(c.bonam), cons,
                                     double(c.mc), double(c.hpc), c.addeffect != 0 ? double(c.effstrgth + c.efflgth) : 0,
                                     10 * elem + 10 * (1 - cons) + c.dmgph + c.dmgperc + c.bonam + heal,
                                     double(c.mc + c.hpc)};
            worksheet_write_string(sheet, row, 0, c.name.c_str(), nullptr);
            for (lxw_col_t col = 1; col < 12; ++col) worksheet_write_number(sheet, row, col, values[col - 1], nullptr);
        }
        workbook_close(book);
        state.PauseTiming();
        folder.Empty();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PlainXlsxCards)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_EditorCardExport, BM_PlainXlsxCards);

} // namespace
