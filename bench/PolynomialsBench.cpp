// One solve per iteration, cycling through a table of equations so that every branch is taken: the cost a ray
// test pays for its roots (goals: a quadratic under 30 ns, a quartic under 200 ns).
#include "GLPolynomials.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <random>
#include <vector>

namespace {

constexpr size_t kEquations = 1024;

template <size_t N> std::vector<std::array<double, N>> RandomEquations(unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coefficient(-10.0, 10.0);
    std::vector<std::array<double, N>> equations(kEquations);
    for (auto& c : equations) {
        for (double& v : c) v = coefficient(random);
        c[N - 1] = 1;
    }
    return equations;
}

template <size_t N, TDoubleArray (*Solve)(std::span<const double, N>)> void BM_Solve(benchmark::State& state)
{
    const auto equations = RandomEquations<N>(N);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Solve(equations[i]));
        i = (i + 1) % kEquations;
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_Solve<3, SolveQuadraticEquation>)->Name("BM_SolveQuadraticEquation");
BENCHMARK(BM_Solve<4, SolveCubicEquation>)->Name("BM_SolveCubicEquation");
BENCHMARK(BM_Solve<5, SolveQuarticEquation>)->Name("BM_SolveQuarticEquation");
