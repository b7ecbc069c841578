// The distances between haplotypes for the genetic-structure analyses: the
// project's matrix through its temporary sample (2,000 sequences of 1,000 bp),
// the 0/1 matrix of conventional F-statistics of a sample (1,000 haplotypes
// of 20 microsatellite loci) and the classes of the redundancy check (5,000
// haplotypes).

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "amova/redundant_haplotypes.h"
#include "analyses/datatypes/popul_microsat.h"
#include "project/project.h"

namespace {

// n sequences of `length` sites, each a few dozen mutations from one reference.
void fill_dna_list(Project& p, int n, int length)
{
    std::mt19937 gen(27);
    std::uniform_int_distribution<int> base(0, 3), site(0, length - 1);
    const char bases[] = "ACGT";
    std::string reference(length, 'A');
    for (char& c : reference)
        c = bases[base(gen)];
    for (int i = 0; i < n; ++i) {
        std::string s = reference;
        for (int m = 0; m < 30; ++m)
            s[site(gen)] = bases[base(gen)];
        HaploDef* h = new HaploDef(my_string(("h" + std::to_string(i)).c_str()));
        h->content = s.c_str();
        h->count = 1;
        p.haplo_list.list.Add(h);
    }
    p.build_all_vectors(p.allele_db);
}

void BM_CalcDistMatrix(benchmark::State& state)
{
    ProfileSettings::DataType = DNA;
    ProfileSettings::LocusSeparator = 0;
    Project p;
    fill_dna_list(p, static_cast<int>(state.range(0)), 1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(p.calc_dist_matrix(0, 0.0));
}
BENCHMARK(BM_CalcDistMatrix)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ConventionalFSTMatrix(benchmark::State& state)
{
    ProfileSettings::DataType = MICROSAT;
    const int n = static_cast<int>(state.range(0));
    const int loci = 20;
    std::mt19937 gen(19);
    std::uniform_int_distribution<int> size(0, 5);
    Haplo_DB list;
    TAlleleDB alleles;
    PopulMicrosat sample;
    for (int i = 0; i < n; ++i) {
        std::string content;
        for (int l = 0; l < loci; ++l)
            content += std::to_string(100 + 2 * size(gen)) + " ";
        HaploDef* h = new HaploDef(my_string(("h" + std::to_string(i)).c_str()));
        h->content = content.c_str();
        h->build_haplovect(&alleles, ' ', 0, 0.1);
        list.list.Add(h);
        sample.haplotypes.Add(new PHaploDef(h, 1));
    }
    sample.num_haplotypes = n;
    std::ofstream no_file;
    no_file.setstate(std::ios::failbit);
    for (auto _ : state)
        benchmark::DoNotOptimize(sample.compute_dist_mat_for_conventional_FST(no_file, nullptr));
}
BENCHMARK(BM_ConventionalFSTMatrix)->Arg(1000)->Unit(benchmark::kMillisecond);

// Classes of five identical haplotypes each.
void BM_RedundantHaplotypeClasses(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    MY_TIArrayAsVector<HaploDef> list;
    DistMat d(n);
    for (int i = 0; i < n; ++i) {
        HaploDef* h = new HaploDef(my_string(("h" + std::to_string(i)).c_str()));
        h->matrix_index = i;
        list.Add(h);
        for (int j = 0; j < i; ++j)
            d(i, j) = i / 5 == j / 5 ? 0.0 : 1.0;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(identical_haplotype_classes(list, d));
}
BENCHMARK(BM_RedundantHaplotypeClasses)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
