// Speed of the exact test of linkage disequilibrium of haplotypic data: one
// move of the chain, the test of all pairs of 50 multi-allelic loci and of
// 200 polymorphic DNA sites at the default 100,000 steps, and the batched
// chain at 1,000,000 steps. Rates are chain steps per second, dememorisation
// included.

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/random.h"
#include "model/allele_db.h"

namespace {

// A haplotypic sample of 100 gene copies in 60 haplotypes over `loci` loci
// of up to `alleles` alleles each (one character per locus), every locus
// polymorphic; neighbouring loci share their allele more often than not,
// so that the tables are not all alike.
struct BenchSample {
    TAlleleDB db;
    std::vector<std::unique_ptr<HaploDef>> definitions;
    PopGenetics sample;

    BenchSample(int loci, int alleles)
    {
        std::mt19937 rng(11);
        std::uniform_int_distribution<int> allele(0, alleles - 1);
        std::bernoulli_distribution keep(0.6);
        sample.profile.MissingData = '?';
        sample.SampleSize = 0;
        for (int h = 0; h < 60; ++h) {
            std::string content(loci, 'A');
            for (int l = 0; l < loci; ++l) {
                int a = l > 0 && keep(rng) ? content[l - 1] - 'A' : allele(rng);
                content[l] = static_cast<char>('A' + (h < alleles ? h : a));
            }
            definitions.push_back(std::make_unique<HaploDef>(my_string(std::to_string(h).c_str())));
            HaploDef& d = *definitions.back();
            d.content = content.c_str();
            d.build_haplovect(&db, 0, 0, 1.0);
            const int copies = h < 40 ? 2 : 1;
            sample.haplotypes.Add(new PHaploDef(&d, copies));
            sample.SampleSize += copies;
        }
        sample.num_haplotypes = sample.haplotypes.count;
        sample.compare_haplotypes();
    }
};

// The whole test of a sample (exact test, significance table, histogram and
// coefficient tables) into /dev/null; arguments: loci, alleles per locus,
// steps.
void BM_calc_all_gam_des(benchmark::State& state)
{
    const int loci = static_cast<int>(state.range(0));
    BenchSample data(loci, static_cast<int>(state.range(1)));
    std::fstream results("/dev/null", std::ios::out);
    settings s;
    s.results_stream = &results;
    s.ld_file = "/dev/null";
    s.MakeExactTestLD = 1;
    s.ComputeDvalues = 1;
    s.PrecisionOnPValueLD = 0.0;
    s.MarkovChainDememorisationStepsLD = 1000;
    const int steps = static_cast<int>(state.range(2));
    long seed = -2024;
    ran3(&seed);
    for (auto _ : state)
        data.sample.calc_all_gam_des(results, steps, s);
    // Steps per pair as the chains run them: (q + 1) b, or whole batches.
    long per_pair = steps;
    if (steps <= 100000) {
        long b = static_cast<long>(std::sqrt(static_cast<double>(steps)));
        per_pair = (steps / b + 1) * b;
    } else {
        per_pair = (steps / 20000 + 1) * 20000L;
    }
    const long pairs = static_cast<long>(loci) * (loci - 1) / 2;
    state.SetItemsProcessed(state.iterations() * pairs * (per_pair + 1000));
    state.counters["pairs"] = static_cast<double>(pairs);
}
BENCHMARK(BM_calc_all_gam_des)
    ->Args({50, 4, 100000})
    ->Args({200, 2, 100000})
    ->Args({50, 4, 1000000})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

// One step of the chain on the table of two loci of four alleles.
void BM_swap_in_table(benchmark::State& state)
{
    BenchSample data(2, 4);
    int dims[3] = {2, 0, 1};
    data.sample.make_all_table(dims);
    long seed = -2024;
    ran3(&seed);
    seed = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(data.sample.swap_in_table(dims, seed));
    data.sample.clear_table(dims);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_swap_in_table);

}  // namespace
