// Speed of the divergence-time estimate with unequal population sizes, which
// the pairwise comparisons run once per pair and once per permuted replicate
// (up to 20 attempts each): 190 pairs x 1,000 permutations make 190,000
// estimates. Measured on pairs that converge at the first attempt and on
// pairs whose every attempt fails, the slowest case.

#include "comparisons/solve_div_times.h"
#include "core/random.h"

#include <benchmark/benchmark.h>

#include <limits>
#include <vector>

namespace {

// Mean differences of permuted-like pairs: PiXY near the mean of PiX and PiY,
// so that tau is small and of either sign.
struct Pair {
    long double piX, piY, piXY;
};

std::vector<Pair> make_pairs(int count)
{
    long seed = -97531;
    ran3(&seed);
    std::vector<Pair> pairs;
    for (int i = 0; i < count; ++i) {
        long double piX = 2.0L + 6.0L * ran3(&seed);
        long double piY = 2.0L + 6.0L * ran3(&seed);
        long double piXY = (piX + piY) / 2.0L + 3.0L * ran3(&seed);
        pairs.push_back({piX, piY, piXY});
    }
    return pairs;
}

void BM_DivergenceTimesOfPermutedPairs(benchmark::State& state)
{
    std::vector<Pair> pairs = make_pairs(1000);
    int failed = 0;
    for (auto _ : state) {
        for (const Pair& p : pairs) {
            TSolveDivTimes div(p.piX, p.piY, p.piXY);
            failed += div.solve(20);
            benchmark::DoNotOptimize(div.tau);
        }
    }
    state.counters["failed_per_1000_pairs"] =
        benchmark::Counter(failed, benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(state.iterations() * pairs.size());
}
BENCHMARK(BM_DivergenceTimesOfPermutedPairs)->Unit(benchmark::kMillisecond);

// Every attempt fails at its first residual: the cost of 20 restarts and
// their draws without solver iterations.
void BM_DivergenceTimesAllAttemptsFail(benchmark::State& state)
{
    long seed = -13579;
    ran3(&seed);
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    for (auto _ : state) {
        TSolveDivTimes div(nan, 1.0L, 2.0L);
        benchmark::DoNotOptimize(div.solve(20));
    }
}
BENCHMARK(BM_DivergenceTimesAllAttemptsFail);

}  // namespace
