// Distance matrices between the haplotypes of a sample, which several
// sections and every coalescent replicate rebuild: whole mitochondrial
// genomes (500 haplotypes x 16,569 bp) and a large sample of short sequences
// (2,000 x 1,000 bp), each with the number of differences and the gamma
// forms of Kimura 2P and Tamura-Nei; 1,000 microsatellite haplotypes at 30
// loci. The site comparison that precedes the matrices is timed as well.

#include <benchmark/benchmark.h>

#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "app/settings.h"
#include "core/errors.h"

namespace {

// Sequences that differ from one reference at a few dozen sites, with some
// missing data, as the haplotypes of one species do.
class DnaSample {
public:
    DnaSample(int haplotypes, int sites)
    {
        std::mt19937 gen(16);
        const char bases[] = "ACGT";
        std::string reference(sites, 'A');
        for (char& c : reference)
            c = bases[gen() % 4];
        const int mutations = sites / 400 + 10;
        for (int h = 0; h < haplotypes; ++h) {
            std::string seq = reference;
            for (int m = 0; m < mutations; ++m)
                seq[gen() % sites] = bases[gen() % 4];
            if (h % 10 == 0)
                seq[gen() % sites] = '?';
            definitions.push_back(std::make_unique<HaploDef>(my_string(("h" + std::to_string(h)).c_str())));
            definitions.back()->content = seq.c_str();
            sample.haplotypes.Add(new PHaploDef(definitions.back().get(), 1 + h % 3));
        }
        ProfileSettings::LocusSeparator = 0;
        sample.num_haplotypes = haplotypes;
        sample.SampleSize = 0;
        sample.check_data();
        sample.evaluate_polymorphism(s);
    }

    std::vector<std::unique_ptr<HaploDef>> definitions;
    PopulDNA sample;
    settings s;
};

std::ostream& quiet_log()
{
    static std::ostream nowhere(nullptr);
    return nowhere;
}

void BM_DnaDistanceMatrix(benchmark::State& state)
{
    _ZOS_ = &quiet_log();
    static DnaSample mitochondria(500, 16569), short_sequences(2000, 1000);
    DnaSample& data = state.range(0) == 500 ? mitochondria : short_sequences;
    data.sample.DistanceMethod = static_cast<int>(state.range(1));
    data.sample.GammaA = data.sample.DistanceMethod == 0 ? 0.0 : 0.5;
    for (auto _ : state)
        benchmark::DoNotOptimize(data.sample.compute_distance_matrix(nullptr, &data.s, 0));
    const long long n = state.range(0);
    state.SetItemsProcessed(state.iterations() * n * (n - 1) / 2);
    state.counters["max_diff"] = data.sample.MaxPairDiff;
}
BENCHMARK(BM_DnaDistanceMatrix)
    ->ArgNames({"haplotypes", "method"})
    ->Args({500, 0})->Args({500, 2})->Args({500, 6})
    ->Args({2000, 0})->Args({2000, 2})->Args({2000, 6})
    ->Unit(benchmark::kMillisecond);

void BM_DnaSiteComparison(benchmark::State& state)
{
    _ZOS_ = &quiet_log();
    static DnaSample mitochondria(500, 16569);
    for (auto _ : state)
        benchmark::DoNotOptimize(mitochondria.sample.compare_DNA_sequences());
}
BENCHMARK(BM_DnaSiteComparison)->Unit(benchmark::kMillisecond);

void BM_MicrosatelliteDistanceMatrix(benchmark::State& state)
{
    _ZOS_ = &quiet_log();
    const int haplotypes = 1000, loci = 30;
    TAlleleDB alleles;
    std::vector<std::unique_ptr<HaploDef>> definitions;
    PopulMicrosat sample;
    sample.profile.MissingData = '?';
    std::mt19937 gen(30);
    for (int h = 0; h < haplotypes; ++h) {
        std::string text;
        for (int l = 0; l < loci; ++l)
            text += std::to_string(100 + gen() % 20) + " ";
        definitions.push_back(std::make_unique<HaploDef>(my_string(("m" + std::to_string(h)).c_str())));
        definitions.back()->content = text.c_str();
        definitions.back()->build_haplovect(&alleles, ' ', 0, 0.1);
        sample.haplotypes.Add(new PHaploDef(definitions.back().get(), 1));
    }
    sample.SampleSize = haplotypes;
    settings s;
    sample.evaluate_polymorphism(s);
    sample.DistanceMethod = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(sample.compute_distance_matrix(nullptr, &s, 0));
    state.SetItemsProcessed(state.iterations() * haplotypes * (haplotypes - 1) / 2);
}
BENCHMARK(BM_MicrosatelliteDistanceMatrix)->ArgName("method")->Arg(0)->Arg(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
