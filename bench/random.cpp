// Speed of the uniform generator, the deviates the simulations draw most, and
// the chi-square tail of the likelihood-ratio tests.

#include <benchmark/benchmark.h>

#include <vector>

#include "core/random.h"
#include "core/math_functions.h"

namespace {

void seed_stream()
{
    long seed = -12345;
    ran3(&seed);
}

// 25 iterations of 4 million draws: 10^8 draws per run.
void BM_ran3(benchmark::State& state)
{
    seed_stream();
    const long draws = state.range(0);
    long seed = 1;
    for (auto _ : state) {
        double sum = 0.0;
        for (long k = 0; k < draws; ++k)
            sum += ran3(&seed);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * draws);
}
BENCHMARK(BM_ran3)->Arg(4000000)->Iterations(25)->Unit(benchmark::kMillisecond);

// The same draws as BM_ran3 in runs of `range` (the ancestral bases of a
// replicate's sites) taken by ran3_fill.
void BM_ran3_fill(benchmark::State& state)
{
    seed_stream();
    const int run = static_cast<int>(state.range(0));
    const long draws = 4000000 / run * run;
    std::vector<double> values(run);
    long seed = 1;
    for (auto _ : state) {
        double sum = 0.0;
        for (long k = 0; k < draws; k += run) {
            ran3_fill(&seed, values.data(), run);
            sum += values[run - 1];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * draws);
}
BENCHMARK(BM_ran3_fill)->Arg(965)->Iterations(25)->Unit(benchmark::kMillisecond);

// 10^7 Poisson deviates per mean; the argument is ten times the mean, so both
// the direct method (mean < 12) and the rejection method are timed.
void BM_poidev(benchmark::State& state)
{
    seed_stream();
    const float mean = state.range(0) / 10.0f;
    const int draws = 1000000;
    long seed = 1;
    for (auto _ : state) {
        long sum = 0;
        for (int k = 0; k < draws; ++k)
            sum += poidev(mean, &seed);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * draws);
}
BENCHMARK(BM_poidev)->Arg(5)->Arg(50)->Arg(150)->Arg(500)->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// 10^7 Gamma deviates of shape 0.5 (the gamma-distributed site rates).
void BM_gamma_dev(benchmark::State& state)
{
    seed_stream();
    const double shape = state.range(0) / 10.0;
    const int draws = 1000000;
    for (auto _ : state) {
        double sum = 0.0;
        for (int k = 0; k < draws; ++k)
            sum += gamma_dev(shape);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * draws);
}
BENCHMARK(BM_gamma_dev)->Arg(5)->Iterations(10)->Unit(benchmark::kMillisecond);

// 10^6 chi-square tails over df 1 to 400, each at its df (where the expansions
// need most terms) and at half and twice its df.
void BM_Prob_of_chi_sq(benchmark::State& state)
{
    const int calls = 1200;
    for (auto _ : state) {
        float sum = 0.0f;
        for (int df = 1; df <= calls / 3; ++df) {
            sum += Prob_of_chi_sq(df, 0.5f * df);
            sum += Prob_of_chi_sq(df, 1.0f * df);
            sum += Prob_of_chi_sq(df, 2.0f * df);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * calls);
}
BENCHMARK(BM_Prob_of_chi_sq)->Iterations(834)->Unit(benchmark::kMillisecond);

}  // namespace
