// A global script of 2 KB as the frame runs it, through readscript on an unshown main window (the goal: 0.2 ms a
// run at most), beside a scan of the same text that only collects its words and looks each up in a hash set of
// the command words.
#include "UGH_main.h"

#include "BenchBaseline.h"
#include "TempFolder.h"
#include "UGH_data.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

namespace {

// A counter, a flickering value and a branch on each, as the adventure's global scripts have them.
std::string GlobalScript()
{
    const std::string piece = "Math 1,&1,+,1;\r\nIf &1,>,1000000;\r\nSetInt 1,0;\r\nEndIf;\r\nRandom 2,100;\r\n"
                              "If &2,<,30;\r\nSetStr 3,dim;\r\nElse;\r\nSetStr 3,bright;\r\nEndIf;\r\n"
                              "Math 4,&2,/,3;\r\n";
    std::string text;
    while (text.size() < 2048) text += piece;
    return text;
}

struct TScriptWindow {
    TempFolder folder;
    std::unique_ptr<TForm1, TFreeDeleter> form;
    TScriptText script = TForm1::preparescript(GlobalScript(), "bench");

    TScriptWindow()
    {
        ResetGameTables();
        gamedir = folder.path.string();
        form.reset(new TForm1(nullptr));
    }
    ~TScriptWindow()
    {
        form.reset();
        gamedir.clear();
        ResetGameTables();
    }
};

void BM_GlobalScriptRun(benchmark::State& state)
{
    TScriptWindow window;
    for (auto _ : state) window.form->readscript(window.script);
    benchmark::DoNotOptimize(intvars[1]);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * window.script.text.size()));
}
BENCHMARK(BM_GlobalScriptRun)->Unit(benchmark::kMicrosecond);

void BM_PlainWordScan(benchmark::State& state)
{
    const std::string text = TForm1::preparescript(GlobalScript(), "bench").text;
    std::unordered_set<std::string_view> words;
    for (const TScriptWord& word : ScriptWordTable()) words.insert(word.word);
    for (auto _ : state) {
        int32_t found = 0;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            const bool separator = i == text.size() || text[i] == ' ' || text[i] == ',' || text[i] == ';';
            if (!separator) continue;
            if (i > start) found += static_cast<int32_t>(words.count(std::string_view(text).substr(start, i - start)));
            start = i + 1;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_PlainWordScan)->Unit(benchmark::kMicrosecond);

BENCHMARK_BASELINE(BM_GlobalScriptRun, BM_PlainWordScan);

} // namespace
