// Data preparation of a large genotypic project: 20 samples of 100
// individuals, 5,000 loci, gene copies drawn from 2,000 distinct haplotypes.
// The allele vectors of the individuals, their conversion into haplotypes
// (every gene copy looked up by content in the project's haplotype list), and
// the pooling of the samples into one group sample (records matched by their
// allele objects) should take seconds at most, small next to the analyses.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/settings.h"
#include "core/errors.h"
#include "model/population.h"

namespace {

constexpr int kSamples = 20;
constexpr int kIndividuals = 100;
constexpr int kLoci = 5000;
constexpr int kHaplotypes = 2000;

// Distinct sequences that share most sites, as haplotypes of one species do:
// a common sequence with about 1% of its sites changed in each.
std::vector<std::string> make_haplotypes()
{
    std::mt19937 gen(2024);
    std::uniform_int_distribution<int> base(0, 3);
    std::uniform_int_distribution<int> site(0, kLoci - 1);
    const char nucleotides[] = "ACGT";
    std::string common(kLoci, 'A');
    for (char& c : common)
        c = nucleotides[base(gen)];
    std::vector<std::string> haplotypes;
    for (int h = 0; h < kHaplotypes; ++h) {
        std::string seq = common;
        for (int m = 0; m < kLoci / 100; ++m)
            seq[site(gen)] = nucleotides[base(gen)];
        // The number of the haplotype written into its first sites keeps all distinct.
        for (int k = 0, n = h; k < 6; ++k, n /= 4)
            seq[k] = nucleotides[n % 4];
        haplotypes.push_back(seq);
    }
    return haplotypes;
}

using SampleList = std::vector<std::unique_ptr<Population>>;

SampleList make_genotypic_samples(TAlleleDB* db)
{
    static const std::vector<std::string> haplotypes = make_haplotypes();
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> pick(0, kHaplotypes - 1);
    SampleList samples;
    for (int s = 0; s < kSamples; ++s) {
        auto p = std::make_unique<Population>();
        p->profile.GenotypicData = 1;
        p->alleleDB = db;
        for (int i = 0; i < kIndividuals; ++i) {
            TPhenotype* ind = new TPhenotype(my_string("ind"), 1.0);
            ind->gene_copy[0] = haplotypes[pick(gen)].c_str();
            ind->gene_copy[1] = haplotypes[pick(gen)].c_str();
            p->individuals.phenotypes.Add(ind);
        }
        p->SampleSize = 2 * kIndividuals;
        samples.push_back(std::move(p));
    }
    return samples;
}

void BM_build_allele_vectors(benchmark::State& state)
{
    ProfileSettings::LocusSeparator = 0;
    TAlleleDB db;
    SampleList samples = make_genotypic_samples(&db);
    for (auto _ : state) {
        db.destroy();
        for (auto& p : samples)
            p->build_allele_vectors(0);
        benchmark::DoNotOptimize(db.loci.count);
    }
}
BENCHMARK(BM_build_allele_vectors)->Unit(benchmark::kMillisecond);

void BM_phen_to_gam(benchmark::State& state)
{
    ProfileSettings::LocusSeparator = 0;
    TAlleleDB db;
    SampleList samples = make_genotypic_samples(&db);
    settings s;
    s.TaskNumber = settings::AMOVA;
    for (auto _ : state) {
        Haplo_DB list;
        for (auto& p : samples) {
            p->geneCopies.Flush();
            p->phen_to_gam(&list, &p->profile, &s);
        }
        benchmark::DoNotOptimize(list.list.count);
    }
}
BENCHMARK(BM_phen_to_gam)->Unit(benchmark::kMillisecond);

// Haplotypic samples of the records that phen_to_gam made, their definitions
// holding allele vectors, pooled into one group sample.
void BM_pooling(benchmark::State& state)
{
    ProfileSettings::LocusSeparator = 0;
    TAlleleDB db;
    SampleList genotypic = make_genotypic_samples(&db);
    settings s;
    s.TaskNumber = 0;
    Haplo_DB list;
    SampleList haplotypic;
    for (auto& g : genotypic) {
        g->phen_to_gam(&list, &g->profile, &s);
        auto h = std::make_unique<Population>();
        for (int k = 0; k < g->haplotypes.count; ++k)
            h->haplotypes.Add(new PHaploDef(g->haplotypes[k]->haplotype, g->haplotypes[k]->count));
        h->SampleSize = g->SampleSize;
        haplotypic.push_back(std::move(h));
    }
    for (int i = 0; i < list.list.count; ++i)
        list.list[i]->build_haplovect(&db, 0, 0, 0.1);

    for (auto _ : state) {
        Population pooled;
        for (auto& h : haplotypic)
            pooled += *h;
        benchmark::DoNotOptimize(pooled.haplotypes.count);
    }
}
BENCHMARK(BM_pooling)->Unit(benchmark::kMillisecond);

}  // namespace
