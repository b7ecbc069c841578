// Speed of the Gibbs phase sampler on samples of the user sizes, 100
// individuals x 50 SNP loci and 500 individuals x 20 loci: updates per
// second over a burn-in, the time of a run at the default settings (burn-in
// 100,000 + 2,000 samples x interval 500, about 1.1 million updates)
// projected from that rate, and the memory that the sampled phases take
// during a sampling phase of 2,000 samples.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include <malloc.h>

#include "analyses/haplotypes/genot_sample.h"
#include "app/settings.h"
#include "core/random.h"
#include "model/allele_db.h"
#include "model/phen_db.h"
#include "model/pop_haplo.h"
#include "project/profile_settings.h"

namespace {

const double kDefaultUpdates = 100000.0 + 2000.0 * 500.0;

// n unphased individuals over L SNPs, their gene copies drawn from 12
// ancestral haplotypes with a 2% chance of a changed site: strong linkage
// disequilibrium with some rare variants, as in a candidate-gene sample.
struct BenchSample {
    TAlleleDB db;
    TPhenDB individuals;
    settings s;

    BenchSample(int n, int L)
    {
        ProfileSettings::DataType = STANDARD;
        std::mt19937 rng(7);
        std::bernoulli_distribution coin(0.5), mutated(0.02);
        std::vector<std::string> ancestors(12, std::string(L, 'A'));
        for (std::string& a : ancestors)
            for (char& c : a)
                c = coin(rng) ? 'A' : 'C';
        std::uniform_int_distribution<int> pick(0, 11);
        for (int u = 0; u < L; ++u)
            db.InsertAllPos(u, my_string("null"), 0.0);
        for (int i = 0; i < n; ++i) {
            TPhenotype* p = new TPhenotype(my_string(std::to_string(i).c_str()), 1.0);
            for (int copy = 0; copy < 2; ++copy) {
                std::string h = ancestors[pick(rng)];
                TPopHaplotype gene(' ', L);
                for (int u = 0; u < L; ++u) {
                    char c = mutated(rng) ? (h[u] == 'A' ? 'C' : 'A') : h[u];
                    // both alleles at every locus, so that every locus is polymorphic
                    db.InsertAllPos(u, 'A', 0.0);
                    db.InsertAllPos(u, 'C', 0.0);
                    gene.alleles.Add(db.loci[u]->alleles[db.InsertAllPos(u, c, 1.0)]);
                }
                p->set_pseudo_hapl(gene, copy);
            }
            individuals.phenotypes.Add(p);
        }
    }

    std::unique_ptr<TGenotSample> sampler(int burn_in, int interval, int samples)
    {
        s.GibbsBurnIn = burn_in;
        s.GibbsSamplingInterval = interval;
        s.GibbsNumSamples = samples;
        return std::make_unique<TGenotSample>(individuals, &db, s, '?');
    }
};

// Updates of a burn-in on a fresh sample (windows created anew).
void BM_GibbsUpdates(benchmark::State& state)
{
    BenchSample data(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int updates = 20000;
    long seed = -2024;
    ran3(&seed);
    for (auto _ : state) {
        state.PauseTiming();
        auto sampler = data.sampler(updates, 1, 0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(sampler->performGibbs());
    }
    state.SetItemsProcessed(state.iterations() * updates);
    state.counters["updates/s"] =
        benchmark::Counter(static_cast<double>(updates) * state.iterations(),
                           benchmark::Counter::kIsRate);
    // Seconds of a default run at this rate.
    state.counters["default_run_s"] = benchmark::Counter(
        updates / kDefaultUpdates * state.iterations(),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GibbsUpdates)->Args({100, 50})->Args({500, 20})->Unit(benchmark::kMillisecond);

// Bytes held on the heap, and their peak, counted by the allocation
// functions below (the benchmark runs in one thread).
std::size_t live_bytes = 0;
std::size_t peak_bytes = 0;

}  // namespace

void* operator new(std::size_t n)
{
    void* p = std::malloc(n == 0 ? 1 : n);
    if (!p)
        throw std::bad_alloc();
    live_bytes += malloc_usable_size(p);
    peak_bytes = std::max(peak_bytes, live_bytes);
    return p;
}

// Not inlined, so that the compiler does not pair the free with a new.
__attribute__((noinline)) void operator delete(void* p) noexcept
{
    if (!p)
        return;
    live_bytes -= malloc_usable_size(p);
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}

namespace {

// A sampling phase of 2,000 samples (interval 5, after a burn-in of 5,000):
// its time and the heap it takes beyond the sample itself, which the lists
// of distinct sampled phases make up.
void BM_GibbsSampledPhases(benchmark::State& state)
{
    BenchSample data(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    long seed = -2024;
    ran3(&seed);
    std::size_t growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto sampler = data.sampler(5000, 5, 2000);
        std::size_t before = live_bytes;
        peak_bytes = live_bytes;
        state.ResumeTiming();
        benchmark::DoNotOptimize(sampler->performGibbs());
        growth = peak_bytes - before;
    }
    state.counters["peak_heap_growth_kB"] = growth / 1024.0;
}
BENCHMARK(BM_GibbsSampledPhases)
    ->Args({100, 50})
    ->Args({500, 20})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
