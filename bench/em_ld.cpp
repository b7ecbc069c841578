// Speed of the EM estimation of haplotype frequencies and of the
// linkage-disequilibrium permutation test on genotypes of unknown phase, at
// the sizes users run: the kernel with 50 starts, its bootstrap, the zipper
// on 100 SNPs, and the permutation test of one pair and of 20 loci on 200
// individuals with 10 alleles per locus.

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/random.h"

namespace {

// n individuals of unknown phase over L loci of k alleles, allele a drawn
// with weight decay^a; each gene copy is one of `founders` random haplotypes
// with probability 0.8, else drawn allele by allele, so that the sample has
// both LD and new phases.
struct BenchSample {
    TAlleleDB db;
    PopGenetics sample;
    settings s;

    BenchSample(int n, int L, int k, int founders, double decay = 0.8)
    {
        std::mt19937 rng(31);
        std::vector<double> weights(k);
        for (int a = 0; a < k; ++a)
            weights[a] = std::pow(decay, a);
        std::discrete_distribution<int> allele(weights.begin(), weights.end());
        std::vector<std::vector<int>> founder(founders, std::vector<int>(L));
        for (auto& f : founder)
            for (int& a : f)
                a = allele(rng);
        std::uniform_int_distribution<int> pick(0, founders - 1);
        std::uniform_real_distribution<double> u(0, 1);
        sample.profile.MissingData = '?';
        sample.profile.GenotypicData = 1;
        sample.profile.GameticPhase = 0;
        sample.alleleDB = &db;
        sample.RecessiveAllelesEM = 0;
        for (int i = 0; i < n; ++i) {
            TPhenotype* p = new TPhenotype(my_string(std::to_string(i).c_str()), 1.0);
            for (int copy = 0; copy < 2; ++copy) {
                TPopHaplotype* h = new TPopHaplotype(' ', L);
                std::vector<int> const& f = founder[pick(rng)];
                bool from_founder = u(rng) < 0.8;
                for (int locus = 0; locus < L; ++locus) {
                    int a = from_founder ? f[locus] : allele(rng);
                    std::string name = std::to_string(100 + a);
                    int pos = db.InsertAllPos(locus, my_string(name.c_str()), 1.0);
                    h->alleles.Add(db.loci[locus]->alleles[pos]);
                }
                p->set_pseudo_hapl(h, copy);
            }
            sample.individuals.phenotypes.Add(p);
        }
        sample.SampleSize = 2.0 * n;
        sample.locus_polymorphic = new int[L];
        for (int locus = 0; locus < L; ++locus)
            sample.locus_polymorphic[locus] = 1;
        s.EMCheckPhenRedundancy = 0;
        s.InitialCondEMLD = 2;
        s.NumInitCondBootstrapEM = 10;
        s.RecessiveAllelesEM = 0;
        long seed = -2024;
        ran3(&seed);
    }
};

// The kernel: 50 starts of up to 1,000 iterations on all loci; arguments:
// individuals, loci, alleles per locus.
void BM_em_kernel(benchmark::State& state)
{
    BenchSample data(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                     static_cast<int>(state.range(2)), 12);
    for (auto _ : state) {
        TPhenDB individuals(data.sample.individuals);
        TPopHaploDB table;
        int maxima = 0;
        double f = 0.0;
        benchmark::DoNotOptimize(data.sample.calc_ML_hapl_freq_hill95_LD(
            individuals, table, data.s, maxima, 0, f, nullptr, nullptr, 0, 50, 1000, 1e-7));
    }
}
BENCHMARK(BM_em_kernel)->Args({200, 10, 3})->Args({500, 10, 3})->Args({200, 20, 2})
    ->Unit(benchmark::kMillisecond)->Iterations(1);

// 100 bootstrap replicates of 10 starts around the estimate of 200
// individuals at 10 loci.
void BM_em_bootstrap(benchmark::State& state)
{
    BenchSample data(200, 10, 3, 12);
    TPopHaploDB table;
    int maxima = 0;
    double f = 0.0;
    data.sample.calc_ML_hapl_freq_hill95_LD(data.sample.individuals, table, data.s, maxima, 0, f,
                                            nullptr, nullptr, 0, 10, 1000, 1e-7);
    for (auto _ : state)
        data.sample.calc_sd_hapl_freq(data.sample.individuals, table, data.s, 10, 100, 1000,
                                      1e-7);
}
BENCHMARK(BM_em_bootstrap)->Unit(benchmark::kMillisecond)->Iterations(1);

// The zipper EM on 100 SNPs of 200 individuals (minor allele frequency
// about 0.06), windows of 5 loci, 50 starts. Each window enumerates every
// phase of an individual over the loci covered so far, so the zipper suits
// individuals heterozygous at few loci.
void BM_zipper(benchmark::State& state)
{
    BenchSample data(200, 100, 2, 20, 0.06);
    data.s.results_stream = nullptr;
    data.s.print_em_results = 0;
    data.s.ComputeAllHaplotypesEM = 1;
    data.s.ComputeAllAllelesEM = 0;
    data.s.EMUseZipper = 1;
    data.s.EMWinSize = 5;
    data.s.EMNumZipRandOrders = 0;
    data.s.InitialConditionsEM = 50;
    data.s.MaximumNumOfIterationsEM = 1000;
    data.s.EpsilonValue = 1e-7;
    for (auto _ : state)
        data.sample.comp_gam_phase_EM(data.s);
}
BENCHMARK(BM_zipper)->Unit(benchmark::kMillisecond)->Iterations(1);

// The permutation test of one pair: 1,000 permutations asked (1,023 done),
// each a two-locus EM of 2 starts on 200 individuals with 10 alleles per
// locus. Items are EM runs.
void BM_ld_pair(benchmark::State& state)
{
    BenchSample data(200, 2, 10, 15);
    int loci[3] = {2, 0, 1};
    for (auto _ : state) {
        long done = 0;
        double chi2, ld, le;
        benchmark::DoNotOptimize(data.sample.calc_link_dis_prob(
            loci, data.sample.individuals, data.s, done, chi2, ld, le, 2, 1000, 1000, 1e-7));
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_ld_pair)->Unit(benchmark::kMillisecond);

// The whole test on 20 loci (190 pairs, about 195,000 EM runs).
void BM_ld_all_pairs(benchmark::State& state)
{
    BenchSample data(200, 20, 10, 15);
    std::fstream unopened;
    for (auto _ : state)
        data.sample.calc_all_link_dis(unopened, data.sample.individuals, data.s, 50, 1000, 1000,
                                      1e-7);
}
BENCHMARK(BM_ld_all_pairs)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
