// The infinite-allele statistics at user sizes: the Ewens-Watterson test by its Ewens
// samples, theta(k) and its confidence interval, and the expected mismatch distribution of
// microsatellite squared size differences.

#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/random.h"

namespace {

// A sample of n gene copies in k alleles: one of n - k + 1 copies, the rest single.
struct AlleleSample {
    PopGenetics sample;
    std::vector<std::unique_ptr<HaploDef>> definitions;
    HaplotypeClasses classes;

    AlleleSample(int n, int k) : classes(k + 1, 0)
    {
        for (int i = 0; i < k; ++i) {
            const int c = i == 0 ? n - k + 1 : 1;
            definitions.push_back(std::make_unique<HaploDef>());
            sample.haplotypes.Add(new PHaploDef(definitions.back().get(), c));
            classes.Add(new AHaplFreq(c, static_cast<double>(c) * c));
        }
        sample.SampleSize = n;
        sample.num_haplotypes = k;
        sample.get_B_num_mat();
    }
};

void BM_EwensWatterson(benchmark::State& state)
{
    AlleleSample a(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    settings s;
    s.InferHaplotypeDefinitionFromDistanceMatrix = 0;
    s.NumIterationsNeutralityTests = static_cast<int>(state.range(0));
    initialize_ran3(-3);
    for (auto _ : state) {
        std::ostringstream out;
        a.sample.EW_neutrality_tests(s, out, a.classes);
        benchmark::DoNotOptimize(a.sample.EWPValue);
    }
}
BENCHMARK(BM_EwensWatterson)
    ->Args({1000, 1000, 50})
    ->Args({10000, 1000, 50})
    ->Args({1000, 4990, 990})
    ->Args({10000, 4990, 990})
    ->Args({100000, 2000, 200})
    ->Args({100000, 4990, 990})
    ->Unit(benchmark::kMillisecond);

void BM_ThetaKInterval(benchmark::State& state)
{
    PopGenetics p;
    PopGenetics::grow_B_num_mat(4000, 900);
    for (auto _ : state) {
        bool limits = false;
        benchmark::DoNotOptimize(p.theta_k(4000, 900, 0.05, limits));
    }
}
BENCHMARK(BM_ThetaKInterval)->Unit(benchmark::kMillisecond);

// theta(k) of 20 alleles among n gene copies, and the expected number of alleles it solves for:
// their cost stops growing with n past the first 1000 gene copies. Below 5000 gene copies
// theta(k) also computes its interval.
void BM_ThetaK(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    PopGenetics p;
    for (auto _ : state) {
        bool limits = false;
        benchmark::DoNotOptimize(p.theta_k(n, 20, 0.05, limits));
    }
}
BENCHMARK(BM_ThetaK)->Arg(1000)->Arg(1000000)->Arg(1000000000)->Unit(benchmark::kMicrosecond);

void BM_ExpectedAlleles(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    PopGenetics p;
    for (auto _ : state)
        benchmark::DoNotOptimize(p.k_est(2.5, n));
}
BENCHMARK(BM_ExpectedAlleles)->Arg(1000)->Arg(1000000)->Arg(1000000000);

// M = 20,000 classes of squared size differences, the pairs spread so that both
// moments of the sudden-expansion fit are positive.
void BM_MismatchExpectation(benchmark::State& state)
{
    const int M = static_cast<int>(state.range(0));
    HaploDef definition;
    definition.content = "100";
    PopGenetics p;
    const int n = 200;
    for (int i = 0; i < n; ++i)
        p.haplotypes.Add(new PHaploDef(&definition, 1));
    p.SampleSize = n;
    p.HaplDistMat = new RectMat(n, n);
    for (int i = 1; i < n; ++i)
        for (int j = 0; j < i; ++j)
            (*p.HaplDistMat)(i, j) = (i * j) % (M + 1);
    p.MaxPairDiff = M;
    for (auto _ : state)
        benchmark::DoNotOptimize(p.compute_mm_distr());
}
BENCHMARK(BM_MismatchExpectation)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
