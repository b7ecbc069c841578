// Classes of identical haplotypes over a large list, their merge within
// samples, and the one-locus samples of a SNP data set, built for every locus
// as the locus-by-locus AMOVA does.

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "model/allele.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "project/samples.h"
#include "project/structure.h"

namespace {

constexpr int kClassSize = 5;  // haplotypes i and j are identical when i / 5 == j / 5

// n haplotypes with their matrix, identical in runs of kClassSize.
void make_list(Haplo_DB& list, DistMat& d, int n)
{
    d.create(n);
    for (int i = 0; i < n; ++i) {
        HaploDef* h = new HaploDef(my_string(("h" + std::to_string(i)).c_str()));
        h->content = "ACGT";
        h->matrix_index = i;
        h->count = 1;
        list.list.Add(h);
        for (int j = 0; j < i; ++j)
            d(i, j) = i / kClassSize == j / kClassSize ? 0.0 : 1.0;
    }
}

// `samples` samples sharing out the list, record r of sample s being
// haplotype (s + r * samples) mod n.
void fill_samples(Samples& samples, Haplo_DB& list, int num_samples, int per_sample)
{
    samples.clean();
    for (int s = 0; s < num_samples; ++s) {
        Population* p = new Population(my_string(("pop " + std::to_string(s)).c_str()));
        for (int r = 0; r < per_sample; ++r)
            p->haplotypes.Add(new PHaploDef(list.list.data[(s + r * num_samples) % list.list.count], 1));
        p->SampleSize = per_sample;
        samples.Populations.Add(p);
    }
}

void BM_PrintOutHaploCl(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Haplo_DB list;
    DistMat d;
    make_list(list, d, n);
    Samples samples;
    fill_samples(samples, list, 20, n / 20);
    std::fstream out("/dev/null", std::ios::out);
    for (auto _ : state)
        samples.print_out_haplo_cl(&out, d, &list);
    benchmark::DoNotOptimize(samples.NbHaploClasses);
}
BENCHMARK(BM_PrintOutHaploCl)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_IdentifyIdenticalHaplotypes(benchmark::State& state)
{
    const int per_sample = static_cast<int>(state.range(0));
    const int n = 10 * per_sample;
    Haplo_DB list;
    DistMat d;
    make_list(list, d, n);
    std::vector<int> class_of(n);
    for (int i = 0; i < n; ++i)
        class_of[i] = i / kClassSize * kClassSize;
    Samples samples;
    for (auto _ : state) {
        state.PauseTiming();
        fill_samples(samples, list, 10, per_sample);
        state.ResumeTiming();
        samples.IdentifyIdenticalHaplotypes(nullptr, d, &list, class_of.data());
    }
}
BENCHMARK(BM_IdentifyIdenticalHaplotypes)->Arg(2000)->Unit(benchmark::kMillisecond);

// 20 samples of 50 diploid individuals at many SNP loci, alleles drawn from
// two per locus; every locus gets its one-locus samples in turn.
void BM_BuildOneLociSampleEveryLocus(benchmark::State& state)
{
    const int loci = static_cast<int>(state.range(0));
    const int num_samples = 20, individuals = 50;
    std::vector<std::unique_ptr<TAllele>> pool;
    for (int l = 0; l < loci; ++l)
        for (const char* name : {"A", "G"})
            pool.push_back(std::make_unique<TAllele>(my_string(name), 1.0, l));
    settings run;
    Samples source;
    source.MissingData = '?';
    Structure structure;
    structure.NbGroups = 1;
    structure.GroupSizes = new int[1]();
    structure.Groups = new MY_TIArrayAsVector<Population>[1];
    structure.Groups[0].owns = 0;
    unsigned seed = 1;
    for (int s = 0; s < num_samples; ++s) {
        Population* p = new Population(my_string(("pop " + std::to_string(s)).c_str()), s,
                                       static_cast<ProfileSettings&>(source));
        p->profile.GenotypicData = 1;
        p->profile.RunSettings = &run;
        for (int i = 0; i < individuals; ++i) {
            TPhenotype* person = new TPhenotype(my_string("ind"), 1.0);
            for (int c = 0; c < 2; ++c) {
                person->pseudo_hapl[c] = new TPopHaplotype();
                for (int l = 0; l < loci; ++l) {
                    seed = seed * 1103515245u + 12345u;
                    person->pseudo_hapl[c]->alleles.Add(pool[2 * l + (seed >> 16) % 2].get());
                }
            }
            p->individuals.phenotypes.Add(person);
        }
        source.Populations.Add(p);
        structure.Groups[0].Add(p);
    }
    structure.GroupSizes[0] = num_samples;
    for (auto _ : state) {
        for (int l = 0; l < loci; ++l) {
            Samples one_locus;
            Haplo_DB haplotypes;
            benchmark::DoNotOptimize(one_locus.build_one_loci_sample(l, &source, &structure,
                                                                     &haplotypes));
        }
    }
    state.SetItemsProcessed(state.iterations() * loci);
}
BENCHMARK(BM_BuildOneLociSampleEveryLocus)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
