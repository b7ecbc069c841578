// The AMOVA permutation tests at user sizes, for 50 populations of 100 gene
// copies in 5 groups and 5,000 haplotypes in the distance matrix: one
// permutation of each scheme followed by the recount of every population's
// haplotypes and its within sum; the recount alone with 500 and 5,000
// haplotypes (its time must not grow with the matrix); the full table of
// population pair sums that the designs with groups recompute (20
// populations of 50 copies, 300 haplotypes); and 1,000,000 permutations of
// 50 populations among groups. Then the designs run whole with their
// permutation tests: one group of 20 populations of 100 gene copies with 200
// and 500 haplotypes, and 5 groups of 10 populations of 100 gene copies with
// 500 haplotypes, each with 1,000 and 10,000 permutations requested, by gene
// copies and by whole individuals; the designs with individuals on 30
// samples of 50 diploids with 1,000 haplotypes, in one group and in 5. Last,
// the designs on the public data sets: nancycats_complete in one group and
// microbov_complete in its three groups by origin, 1,000 permutations, with
// the time per permutation as "per_permutation"; and the re-pairing test of
// one sample of 500 diploids at 10 loci with 10,000 permutations.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "amova/amova.h"
#include "bench/public_data.h"
#include "app/settings.h"
#include "comparisons/mantel.h"
#include "core/random.h"
#include "model/allele_db.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "project/samples.h"
#include "project/structure.h"

namespace {

// Populations of random haplotypes (one record per gene copy, so that
// consecutive copies also serve as individuals) in groups of equal size,
// numbered in structure order, and a matrix of random distances.
struct AmovaData : AmovaInputs {
    std::unique_ptr<Amova> amova;

    AmovaData(int populations, int groups, int copies, int h)
    {
        std::mt19937 gen(11);
        std::uniform_real_distribution<double> distance(0.0, 10.0);
        make_haplotypes(h);
        for (int i = 0; i < h; ++i)
            for (int j = 0; j < i; ++j)
                distances(i, j) = distance(gen);
        std::uniform_int_distribution<int> haplotype(0, h - 1);
        for (int p = 0; p < populations; ++p) {
            Population* pop = new Population(my_string("pop"), p, samples);
            for (int c = 0; c < copies; ++c)
                pop->haplotypes.Add(new PHaploDef(haplotypes.list.data[haplotype(gen)], 1));
            pop->SampleSize = copies;
            samples.Populations.Add(pop);
        }
        std::vector<int> group_of(populations);
        for (int p = 0; p < populations; ++p)
            group_of[p] = p * groups / populations;
        group(group_of);
        s.TaskNumber = 0;
        s.ComputePairwiseFST = s.PrintMissIntermatchs = s.ComputeDeltaMuSqr = 0;
        amova = std::make_unique<Amova>(s, &structure, &samples, &distances, &haplotypes,
                                        &alleles, &mantel, 0, 0, &record);
        amova->initialize();
        long seed = -5;
        ran3(&seed);
    }
};

void within_sums(Amova& a)
{
    for (Population* p : a.popTable)
        benchmark::DoNotOptimize(*p->ComputeSSDWP(*a.distMat));
}

template <void (Amova::*scheme)()>
void BM_SchemeRecountAndWithinSums(benchmark::State& state)
{
    AmovaData data(50, 5, 100, static_cast<int>(state.range(0)));
    Amova& a = *data.amova;
    for (auto _ : state) {
        (a.*scheme)();
        if (scheme == &Amova::PPAG)
            a.distribute_populations();
        a.distribute_HaplotypeIndexVector();
        within_sums(a);
    }
}

#define SCHEME(name)                                                                          \
    BENCHMARK_TEMPLATE(BM_SchemeRecountAndWithinSums, &Amova::name)                           \
        ->Arg(5000)                                                                           \
        ->Unit(benchmark::kMicrosecond)

SCHEME(PPAG);
SCHEME(PHAPAG);
SCHEME(PHAPWG);
SCHEME(PHAIWP);
SCHEME(PIAPWG);
SCHEME(PIAPAG);

void BM_Recount(benchmark::State& state)
{
    AmovaData data(50, 5, 100, static_cast<int>(state.range(0)));
    Amova& a = *data.amova;
    for (auto _ : state) {
        a.PHAPAG();
        a.distribute_HaplotypeIndexVector();
    }
}
BENCHMARK(BM_Recount)->Arg(500)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_PopulationPairSums(benchmark::State& state)
{
    AmovaData data(20, 4, 50, 300);
    Amova& a = *data.amova;
    for (auto _ : state) {
        a.PHAPAG();
        a.distribute_HaplotypeIndexVector();
        a.compute_SSDP();
        a.compute_total_SSD();
        a.compute_SSDWI();
        benchmark::DoNotOptimize(a.totalPairSSD);
    }
}
BENCHMARK(BM_PopulationPairSums)->Unit(benchmark::kMicrosecond);

void BM_MillionPopulationPermutations(benchmark::State& state)
{
    AmovaData data(50, 5, 2, 10);
    Amova& a = *data.amova;
    for (auto _ : state)
        for (int i = 0; i < 1000000; ++i) {
            a.PPAG();
            a.distribute_populations();
        }
}
BENCHMARK(BM_MillionPopulationPermutations)->Unit(benchmark::kMillisecond);

// One design call: its observed values and its tests of P' permutations.
template <int (Amova::*design)()>
void BM_Design(benchmark::State& state, int populations, int groups, bool individuals = false)
{
    AmovaData data(populations, groups, 100, static_cast<int>(state.range(0)));
    Amova& a = *data.amova;
    if (individuals)
        a.numUnits = a.totalGeneCopies * 0.5;
    data.s.va_file = data.s.vb_file = data.s.vc_file = data.s.vd_file = "bench.null";
    data.s.KeepNullDistrib = 0;
    for (auto _ : state) {
        a.numPermutations = static_cast<int>(state.range(1));
        benchmark::DoNotOptimize((a.*design)());
    }
}

void BM_OneGroupDesign(benchmark::State& state)
{
    BM_Design<&Amova::AMOVA_1G_P_H>(state, 20, 1);
}
void BM_OneGroupWholeIndividualsDesign(benchmark::State& state)
{
    BM_Design<&Amova::AMOVA_1G_P_IH>(state, 20, 1);
}
void BM_GroupsDesign(benchmark::State& state)
{
    BM_Design<&Amova::AMOVA_G_P_H>(state, 50, 5);
}
void BM_GroupsWholeIndividualsDesign(benchmark::State& state)
{
    BM_Design<&Amova::AMOVA_G_P_IH>(state, 50, 5);
}

void BM_OneGroupIndividualsDesign(benchmark::State& state)
{
    BM_Design<&Amova::AMOVA_1G_P_I>(state, 30, 1, true);
}
void BM_GroupsIndividualsDesign(benchmark::State& state)
{
    BM_Design<&Amova::AMOVA_G_P_I>(state, 30, 5, true);
}

BENCHMARK(BM_OneGroupIndividualsDesign)
    ->Args({1000, 1000})
    ->Args({1000, 10000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupsIndividualsDesign)
    ->Args({1000, 1000})
    ->Args({1000, 10000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneGroupDesign)
    ->Args({200, 1000})
    ->Args({500, 1000})
    ->Args({200, 10000})
    ->Args({500, 10000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneGroupWholeIndividualsDesign)
    ->Args({500, 1000})
    ->Args({500, 10000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupsDesign)
    ->Args({500, 1000})
    ->Args({500, 10000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupsWholeIndividualsDesign)
    ->Args({500, 1000})
    ->Args({500, 10000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// One design on a public data set, 1,000 permutations requested.
template <int (Amova::*design)()>
void public_design(benchmark::State& state, const char* file, bool by_origin)
{
    std::vector<public_data::Sample> complete = public_data::read_complete(file);
    public_data::Project data(complete,
                              by_origin ? public_data::microbov_origins(complete)
                                        : std::vector<int>{});
    data.s.va_file = data.s.vb_file = data.s.vc_file = data.s.vd_file = "bench.null";
    data.s.KeepNullDistrib = 0;
    Amova a(data.s, &data.structure, &data.samples, &data.distances, &data.haplotypes,
            &data.alleles, &data.mantel, 0, 0, &data.record);
    a.initialize();
    long seed = -5;
    ran3(&seed);
    const int P = 1000;
    for (auto _ : state) {
        a.numPermutations = P;
        benchmark::DoNotOptimize((a.*design)());
    }
    state.counters["per_permutation"] = benchmark::Counter(
        P, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_NancycatsCompleteOneGroup(benchmark::State& state)
{
    public_design<&Amova::AMOVA_1G_P_H>(state, "nancycats.drp", false);
}
void BM_NancycatsCompleteOneGroupWholeIndividuals(benchmark::State& state)
{
    public_design<&Amova::AMOVA_1G_P_IH>(state, "nancycats.drp", false);
}
void BM_MicrobovCompleteGroups(benchmark::State& state)
{
    public_design<&Amova::AMOVA_G_P_H>(state, "microbov.drp", true);
}
void BM_MicrobovCompleteGroupsWholeIndividuals(benchmark::State& state)
{
    public_design<&Amova::AMOVA_G_P_IH>(state, "microbov.drp", true);
}
BENCHMARK(BM_NancycatsCompleteOneGroup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NancycatsCompleteOneGroupWholeIndividuals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MicrobovCompleteGroups)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MicrobovCompleteGroupsWholeIndividuals)->Unit(benchmark::kMillisecond);

// One sample of random genotypes at 10 loci (20 alleles each): its
// re-pairing test of FIS with 10,000 permutations requested.
void BM_OnePopulationRepairing(benchmark::State& state)
{
    std::mt19937 gen(23);
    public_data::Sample sample{"pop", {}};
    for (int c = 0; c < 2 * state.range(0); ++c) {
        std::vector<std::string> copy;
        for (int l = 0; l < 10; ++l)
            copy.push_back(std::to_string(100 + gen() % 20));
        sample.copies.push_back(copy);
    }
    public_data::Project data({sample});
    data.s.va_file = data.s.vb_file = data.s.vc_file = data.s.vd_file = "bench.null";
    data.s.KeepNullDistrib = 0;
    data.s.PopSpecificFIS = 0;
    Amova a(data.s, &data.structure, &data.samples, &data.distances, &data.haplotypes,
            &data.alleles, &data.mantel, 0, 0, &data.record);
    a.initialize();
    a.numUnits = a.totalGeneCopies * 0.5;
    long seed = -5;
    ran3(&seed);
    for (auto _ : state) {
        a.numPermutations = 10000;
        benchmark::DoNotOptimize(a.AMOVA_1G_1P_I());
    }
}
BENCHMARK(BM_OnePopulationRepairing)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
