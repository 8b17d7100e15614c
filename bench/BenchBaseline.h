// Pairs a benchmark with the plain baseline that does the same work, so the run ends with their ratio.
//   BENCHMARK_BASELINE(BM_HmgTransformArray, BM_PlainTransformArray);
// Benchmarks with arguments are paired argument by argument (BM_X/1000 with BM_Y/1000).
#pragma once

#include <vector>

struct TBenchPair {
    const char* Subject;
    const char* Baseline;
};

std::vector<TBenchPair>& BenchPairs();

struct TBenchPairRegistration {
    TBenchPairRegistration(const char* subject, const char* baseline) { BenchPairs().push_back({subject, baseline}); }
};

// A subject may have more than one baseline.
#define BENCHMARK_BASELINE(subject, baseline) \
    static const TBenchPairRegistration subject##_##baseline##_pair(#subject, #baseline)
