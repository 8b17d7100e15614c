// Runs every benchmark, then prints each paired benchmark's time as a ratio of its baseline's.
#include "BenchBaseline.h"
#include "Forms.h"
#include "VAVodadInit.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

std::vector<TBenchPair>& BenchPairs()
{
    static std::vector<TBenchPair> pairs;
    return pairs;
}

namespace {

// The console output as usual, and each run's time per iteration kept by name: the wall-clock time of those
// measured in real time (their work runs on other threads too, such as the software renderer's), else the
// CPU time.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const std::string name = run.benchmark_name();
            FTimes[name] = name.ends_with("/real_time") ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        }
    }

    void PrintRatios() const
    {
        bool header = false;
        for (const TBenchPair& pair : BenchPairs()) {
            const std::string subject = pair.Subject;
            for (const auto& [name, time] : FTimes) {
                // "BM_X" or "BM_X/args": the baseline run with the same argument suffix.
                if (name.compare(0, subject.size(), subject) != 0) continue;
                const std::string suffix = name.substr(subject.size());
                if (!suffix.empty() && suffix[0] != '/') continue;
                const auto baseline = FTimes.find(pair.Baseline + suffix);
                if (baseline == FTimes.end() || baseline->second <= 0) continue;
                if (!header) std::printf("\nratio to baseline (CPU time, or real time where measured so; lower is faster)\n");
                header = true;
                std::printf("  %-50s %6.2fx  of %s\n", name.c_str(), time / baseline->second,
                            baseline->first.c_str());
            }
        }
    }

private:
    std::map<std::string, double> FTimes;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Started as the program starts: the application (headless where there is no display), then the engine.
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TApplication application;
    application.Initialize(&argc, argv);
    InitVAVodad();
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    DoneVAVodad();
    return 0;
}
