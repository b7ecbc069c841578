// Per-locus diversity table of a genotypic microsatellite sample of 1,000
// individuals at 100 loci, and its mean allele sizes.

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"

namespace {

constexpr int kIndividuals = 1000;
constexpr int kLoci = 100;

// Repeat numbers 100 .. 138, about 20 alleles per locus.
std::string gene_copy(int i, int multiplier, int shift)
{
    std::string text;
    for (int l = 0; l < kLoci; ++l)
        text += std::to_string(100 + 2 * ((i * multiplier + l * shift) % 20)) + " ";
    return text;
}

struct GenotypicSample {
    TAlleleDB alleles;
    PopGenetics sample;

    GenotypicSample()
    {
        ProfileSettings::DataType = MICROSAT;
        for (int i = 0; i < kIndividuals; ++i) {
            TPhenotype* ind = new TPhenotype(my_string("ind"), 1.0);
            ind->gene_copy[0] = gene_copy(i, 7, 3).c_str();
            ind->gene_copy[1] = gene_copy(i, 13, 5).c_str();
            sample.individuals.phenotypes.Add(ind);
        }
        sample.alleleDB = &alleles;
        sample.build_allele_vectors(' ');
        sample.NumLoci = kLoci;
        sample.compare_phenotypes();
    }
};

void BM_PerLocusTableGenotypes(benchmark::State& state)
{
    GenotypicSample g;
    settings s;
    std::ofstream out("/dev/null");
    for (auto _ : state)
        g.sample.OutputAllelelNumberAndHetPerLocusDipl(g.sample.individuals, out, s, true, true,
                                                       true);
    benchmark::DoNotOptimize(g.sample.MeanExpHet);
    PopGenetics::globalAllelicDB.destroy();
}
BENCHMARK(BM_PerLocusTableGenotypes)->Unit(benchmark::kMillisecond);

void BM_MeanAlleleSizes(benchmark::State& state)
{
    GenotypicSample g;
    for (auto _ : state)
        g.sample.computeMeanAlleleSizes();
    benchmark::DoNotOptimize(g.sample.LocusMeanAlleleSize.data);
}
BENCHMARK(BM_MeanAlleleSizes)->Unit(benchmark::kMillisecond);

}  // namespace
