// Speed of the Markov chain of the Hardy-Weinberg exact test: single moves,
// the report over 20 loci at the default chain length, and the test on whole
// gene copies of phased individuals, single and batched. Rates are moves
// per second, dememorisation included.

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <random>
#include <string>

#include "app/settings.h"
#include "core/random.h"
#include "model/population.h"

namespace {

const int kLoci = 20;

// A phased genotypic sample of n individuals over 20 loci of k alleles each,
// with allele frequencies falling off geometrically as in microsatellite data.
struct BenchSample {
    TAlleleDB db;
    Population sample;

    BenchSample(int n, int k)
    {
        std::mt19937 rng(17);
        std::vector<double> weights(k);
        for (int a = 0; a < k; ++a)
            weights[a] = std::pow(0.85, a);
        std::discrete_distribution<int> allele(weights.begin(), weights.end());
        sample.profile.MissingData = '?';
        sample.profile.GenotypicData = 1;
        sample.profile.GameticPhase = 1;
        sample.alleleDB = &db;
        for (int i = 0; i < n; ++i) {
            TPhenotype* p = new TPhenotype(my_string(std::to_string(i).c_str()), 1.0);
            for (int copy = 0; copy < 2; ++copy) {
                TPopHaplotype* h = new TPopHaplotype(' ', kLoci);
                for (int u = 0; u < kLoci; ++u) {
                    std::string name = std::to_string(100 + allele(rng));
                    int pos = db.InsertAllPos(u, my_string(name.c_str()), 1.0);
                    h->alleles.Add(db.loci[u]->alleles[pos]);
                }
                p->set_pseudo_hapl(h, copy);
            }
            sample.individuals.phenotypes.Add(p);
        }
    }
};

void seed_stream()
{
    long seed = -2024;
    ran3(&seed);
}

// One move on the table of one locus of 30 alleles and 500 individuals.
void BM_swap_in_table2(benchmark::State& state)
{
    BenchSample data(500, 30);
    seed_stream();
    int dims[2] = {1, 0};
    data.sample.make_hw_table(dims);
    long seed = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(data.sample.swap_in_table2(dims, seed));
    data.sample.clear_table(dims);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_swap_in_table2);

// The report of the exact test on 20 loci, 1,000,000 steps and 100,000
// dememorisation steps per locus; arguments: individuals, alleles per locus.
void BM_make_all_hw_loci(benchmark::State& state)
{
    BenchSample data(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    settings s;
    s.MakeHWExactTest = 1;
    s.TypeOfTestHW = 0;
    s.MarkovChainStepsHW = 1000000;
    s.MarkovChainDememorisationStepsHW = 100000;
    std::fstream out("/dev/null", std::ios::out);
    const long steps = s.MarkovChainStepsHW;
    seed_stream();
    for (auto _ : state)
        data.sample.make_all_hw(out, data.sample.individuals, steps, s);
    state.SetItemsProcessed(state.iterations() * kLoci * (1001000 + 100000));
}
BENCHMARK(BM_make_all_hw_loci)
    ->Args({200, 10})
    ->Args({500, 30})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The test on whole gene copies of 500 phased individuals (nearly every
// gene copy distinct, a table of about 1,000 haplotypes): one chain of
// 200,000 steps, or 1,000,000 steps in 1,000 batches, each with its own
// table and 100,000 dememorisation steps.
void BM_whole_haplotype_test(benchmark::State& state)
{
    const long steps = state.range(0);
    BenchSample data(500, 10);
    settings s;
    s.MarkovChainDememorisationStepsHW = 100000;
    seed_stream();
    long done = 0;
    double aux = 0.0;
    long moves = 0;
    for (auto _ : state) {
        int dims[2] = {1, -1};
        s.PrecisionOnPValueHW = 0.0;
        if (steps <= 200000) {
            data.sample.make_hw_test2(steps, aux, s, done, dims);
            moves += done + s.MarkovChainDememorisationStepsHW;
        } else {
            data.sample.make_hw_test3(steps, aux, s, done, dims);
            long batches = static_cast<long>(std::sqrt(static_cast<double>(steps)));
            moves += done + batches * s.MarkovChainDememorisationStepsHW;
        }
    }
    state.SetItemsProcessed(moves);
}
BENCHMARK(BM_whole_haplotype_test)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
