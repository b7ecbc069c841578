// Speed of the EM estimation of haplotype frequencies and of the
// linkage-disequilibrium permutation test on genotypes of unknown phase, at
// the sizes users run: the kernel with 50 starts, its bootstrap, the zipper
// on 100 SNPs, and the permutation test of one pair and of 20 loci on 200
// individuals with 10 alleles per locus; and the permutation test on the
// pairs of loci of the Borgou cattle of the public microbov data set.

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "bench/public_data.h"
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

    // Individuals given as their two gene copies' allele names per locus.
    explicit BenchSample(std::vector<std::vector<std::string>> const& copies)
    {
        const int L = static_cast<int>(copies.front().size());
        prepare(L);
        for (std::size_t i = 0; i + 1 < copies.size(); i += 2) {
            TPhenotype* p = new TPhenotype(my_string(std::to_string(i / 2).c_str()), 1.0);
            for (int copy = 0; copy < 2; ++copy) {
                TPopHaplotype* h = new TPopHaplotype(' ', L);
                for (int locus = 0; locus < L; ++locus) {
                    int pos = db.InsertAllPos(locus, my_string(copies[i + copy][locus].c_str()), 1.0);
                    h->alleles.Add(db.loci[locus]->alleles[pos]);
                }
                p->set_pseudo_hapl(h, copy);
            }
            sample.individuals.phenotypes.Add(p);
        }
        sample.SampleSize = static_cast<double>(copies.size());
    }

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
        prepare(L);
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
    }

    void prepare(int L)
    {
        sample.profile.MissingData = '?';
        sample.profile.GenotypicData = 1;
        sample.profile.GameticPhase = 0;
        sample.alleleDB = &db;
        sample.RecessiveAllelesEM = 0;
        sample.renew_polymorphism_flags(L);
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

// The log-likelihood of one EM of the given number of starts of up to 1,000
// iterations on a copy of the sample's individuals.
double estimate(BenchSample& data, int starts)
{
    TPhenDB individuals(data.sample.individuals);
    TPopHaploDB table;
    int maxima = 0;
    double f = 0.0;
    return data.sample.calc_ML_hapl_freq_hill95_LD(individuals, table, data.s, maxima, 0, f,
                                                   nullptr, nullptr, 0, starts, 1000, 1e-7);
}

// The gene copies of the first sample of a public data set of bench/data.
std::vector<std::vector<std::string>> first_sample_copies(const char* file)
{
    return public_data::read_samples(file).front().copies;
}

// The individuals of all samples of a public data set without missing data
// ('?'), cut down to their first L loci.
std::vector<std::vector<std::string>> complete_copies(const char* file, std::size_t L)
{
    std::vector<std::vector<std::string>> kept;
    for (public_data::Sample const& sample : public_data::read_complete(file))
        for (std::vector<std::string> const& copy : sample.copies)
            kept.emplace_back(copy.begin(), copy.begin() + L);
    return kept;
}

// One EM of 50 starts on the first 5 or 9 loci of the nancycats individuals
// without missing data, all colonies pooled; the counter is the time per
// start (the building of the genotypes shared out over the starts).
void BM_em_nancycats_complete(benchmark::State& state)
{
    BenchSample data(complete_copies("nancycats.drp", static_cast<std::size_t>(state.range(0))));
    const int starts = 50;
    for (auto _ : state) {
        benchmark::DoNotOptimize(estimate(data, starts));
    }
    state.counters["time_per_start"] = benchmark::Counter(
        static_cast<double>(state.iterations() * starts),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_em_nancycats_complete)->Arg(5)->Arg(9)->Unit(benchmark::kMillisecond);

// The EM on all 30 loci of the Borgou cattle (50 individuals): the phases
// of the individuals would need gigabytes, so the kernel refuses at once.
void BM_em_microbov_breed_refused(benchmark::State& state)
{
    BenchSample data(first_sample_copies("microbov.drp"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(estimate(data, 50));
    }
}
BENCHMARK(BM_em_microbov_breed_refused)->Unit(benchmark::kMillisecond)->Iterations(10);

// The kernel: 50 starts of up to 1,000 iterations on all loci; arguments:
// individuals, loci, alleles per locus.
void BM_em_kernel(benchmark::State& state)
{
    BenchSample data(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                     static_cast<int>(state.range(2)), 12);
    for (auto _ : state) {
        benchmark::DoNotOptimize(estimate(data, 50));
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

// The permutation test of the first 20 pairs of loci of the Borgou cattle
// (50 individuals, 30 microsatellite loci of 5 to 22 alleles) at 1,000
// permutations; items are pair-permutations (1,023 EM runs of 2 starts per
// pair), so that the time per item is the cost of one permutation of a pair.
void BM_ld_pairs_borgou(benchmark::State& state)
{
    BenchSample data(first_sample_copies("microbov.drp"));
    std::vector<std::pair<int, int>> pairs;
    for (int i = 1; i < 30 && pairs.size() < 20; i++)
        for (int j = 0; j < i && pairs.size() < 20; j++)
            pairs.emplace_back(j, i);
    for (auto _ : state)
        for (auto const& pair : pairs) {
            int loci[3] = {2, pair.first, pair.second};
            long done = 0;
            double chi2, ld, le;
            benchmark::DoNotOptimize(data.sample.calc_link_dis_prob(
                loci, data.sample.individuals, data.s, done, chi2, ld, le, 2, 1000, 1000, 1e-7));
        }
    state.SetItemsProcessed(state.iterations() * pairs.size() * 1023);
    state.counters["time_per_pair_permutation"] = benchmark::Counter(
        static_cast<double>(state.iterations() * pairs.size() * 1023),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ld_pairs_borgou)->Unit(benchmark::kMillisecond)->Iterations(1);

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
