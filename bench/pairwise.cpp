// The population pairwise comparisons (Amova::CalcPairDist) at user sizes:
// 20 samples with 1,000 permutations per pair (190 pairs) and 30 samples with
// 10,000 (435 pairs); each sample holds 50-200 gene copies of 30-100
// distinct haplotypes out of 300 in the distance matrix, so that a
// permutation costs about h_X^2 + h_Y^2 + h_X h_Y. The divergence times
// (up to 20 solver attempts per permutation) are timed apart. Then the
// comparisons of the public nancycats data set, and of 6 samples of 50 to
// 200 microsatellite genotypes.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "amova/amova.h"
#include "bench/public_data.h"
#include "app/settings.h"
#include "comparisons/mantel.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/allele_db.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "project/samples.h"
#include "project/structure.h"

namespace {

struct PairwiseData : AmovaInputs {
    PairwiseData(int populations, int permutations, bool divergence)
    {
        const int h = 300;
        std::mt19937 gen(17);
        std::uniform_real_distribution<double> distance(0.0, 10.0);
        make_haplotypes(h);
        for (int i = 0; i < h; ++i)
            for (int j = 0; j < i; ++j)
                distances(i, j) = distance(gen);
        std::uniform_int_distribution<int> copies(50, 200), kinds(30, 100), first(0, h - 100);
        for (int p = 0; p < populations; ++p) {
            Population* pop = new Population(my_string("pop"), p, samples);
            int n = copies(gen), k = kinds(gen), from = first(gen);
            std::uniform_int_distribution<int> haplotype(from, from + k - 1);
            for (int c = 0; c < n; ++c)
                pop->haplotypes.Add(new PHaploDef(haplotypes.list.data[haplotype(gen)], 1));
            pop->SampleSize = n;
            samples.Populations.Add(pop);
        }
        s.TaskNumber = settings::PAIRWISE_FST;
        s.HaplAMOVA = s.LocByLocAMOVA = 0;
        s.ComputePairwiseFST = 1;
        s.PrintMissIntermatchs = s.ComputeDeltaMuSqr = 0;
        s.UnequalPopSizeDiv = divergence ? 1 : 0;
        s.RecessiveAllelesEM = 0;
        s.NumPermutationsFST = permutations;
        s.results_stream = nullptr;
        long seed = -5;
        ran3(&seed);
    }
};

void BM_PairwiseComparisons(benchmark::State& state)
{
    std::ostringstream sink;
    std::ostream* log = _ZOS_;
    _ZOS_ = &sink;
    PairwiseData data(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                      state.range(2) != 0);
    for (auto _ : state) {
        Amova a(data.s, &data.structure, &data.samples, &data.distances, &data.haplotypes,
                &data.alleles, &data.mantel, 0, 0, &data.record);
        sink.str("");
    }
    _ZOS_ = log;
}
BENCHMARK(BM_PairwiseComparisons)
    ->Args({20, 1000, 0})
    ->Args({30, 10000, 0})
    ->Args({20, 1000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The comparisons of the 16 colonies of nancycats_complete (120 pairs) with
// and without 1,000 permutations per pair; "per_pair_permutation" is the
// whole time over the pairs and permutations run.
void BM_PairwiseNancycatsComplete(benchmark::State& state)
{
    std::ostringstream sink;
    std::ostream* log = _ZOS_;
    _ZOS_ = &sink;
    public_data::Project data(public_data::read_complete("nancycats.drp"));
    data.s.TaskNumber = settings::PAIRWISE_FST;
    data.s.ComputePairwiseFST = 1;
    data.s.NumPermutationsFST = static_cast<int>(state.range(0));
    long seed = -5;
    ran3(&seed);
    const double n = data.samples.Populations.count;
    for (auto _ : state) {
        Amova a(data.s, &data.structure, &data.samples, &data.distances, &data.haplotypes,
                &data.alleles, &data.mantel, 0, 0, &data.record);
        sink.str("");
    }
    _ZOS_ = log;
    double runs = n * (n - 1) / 2 * std::max<int64_t>(state.range(0), 1);
    state.counters["per_pair_permutation"] =
        benchmark::Counter(runs, benchmark::Counter::kIsIterationInvariantRate
                                     | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PairwiseNancycatsComplete)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);

// Growth in the individuals: 6 samples of 50, 100 and 200 random diploid
// microsatellite genotypes at 10 loci (20 alleles each, nearly every gene
// copy a distinct haplotype), 1,000 permutations per pair; the distance is
// the number of different alleles, whose within sums come from allele counts.
void BM_PairwiseMicrosatGrowth(benchmark::State& state)
{
    std::ostringstream sink;
    std::ostream* log = _ZOS_;
    _ZOS_ = &sink;
    std::mt19937 gen(31);
    std::vector<public_data::Sample> samples(6);
    for (std::size_t p = 0; p < samples.size(); ++p) {
        samples[p].name = "pop" + std::to_string(p);
        for (int c = 0; c < 2 * state.range(0); ++c) {
            std::vector<std::string> copy;
            for (int l = 0; l < 10; ++l)
                copy.push_back(std::to_string(100 + gen() % 20));
            samples[p].copies.push_back(copy);
        }
    }
    public_data::Project data(samples);
    // The alleles of each distinct haplotype (numbered as the project numbers
    // them, by first copy), as the project reader builds them, so that the
    // comparisons can take the within sums from allele counts.
    std::map<std::vector<std::string>, int> rows;
    for (public_data::Sample const& sample : samples)
        for (auto const& copy : sample.copies) {
            if (!rows.emplace(copy, static_cast<int>(rows.size())).second)
                continue;
            std::string content;
            for (std::string const& allele : copy)
                content += allele + " ";
            HaploDef* def = data.haplotypes.list.data[rows.size() - 1];
            def->content = content.c_str();
            def->build_haplovect(&data.alleles, ' ', 0, 1.0);
        }
    const TDataType type = ProfileSettings::DataType;
    ProfileSettings::DataType = MICROSAT;
    data.s.TaskNumber = settings::PAIRWISE_FST;
    data.s.ComputePairwiseFST = 1;
    data.s.NumPermutationsFST = 1000;
    long seed = -5;
    ran3(&seed);
    for (auto _ : state) {
        Amova a(data.s, &data.structure, &data.samples, &data.distances, &data.haplotypes,
                &data.alleles, &data.mantel, 0, 0, &data.record);
        sink.str("");
    }
    _ZOS_ = log;
    ProfileSettings::DataType = type;
}
BENCHMARK(BM_PairwiseMicrosatGrowth)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
