// Speed of the selection scan's building blocks at the scan's sizes: one
// simulated locus of 500 gene copies (genealogy, mutations, samples), the
// gathering of 5,000 loci of 1,000 gene copies, and the p-value of observed
// loci against 100,000 simulated loci, by a pass over all of them or by
// binary search in the loci sorted once.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "core/random.h"
#include "model/allele.h"
#include "model/population.h"
#include "project/samples.h"
#include "summary/fst_null_density.h"

namespace {

// Five samples of 100 gene copies on a seeded stream.
struct ScanSource {
    Samples source;
    ScanSource()
    {
        long seed = -777;
        ran3(&seed);
        TNode::hits.count = 0;
        for (int p = 0; p < 5; ++p) {
            Population* sample = new Population(my_string(("pop" + std::to_string(p)).c_str()));
            sample->SampleSize = 100;
            source.Populations.Add(sample);
        }
    }
    ~ScanSource() { TNode::hits.count = 0; }
};

// One simulated locus per item (the scan draws 50,000): model 1 (SNP) when
// range 0 is 1, else stepwise.
void BM_simulated_locus(benchmark::State& state)
{
    const Mut_Type model = state.range(0) ? TWO_STATE : STEPWISE;
    ScanSource scan;
    Samples sim;
    Haplo_DB haplotypes;
    for (auto _ : state) {
        sim.Populations.Flush();
        haplotypes.reset();
        TNode::hits.count = 0;
        sim.SimTree.build_tree_struct_pop(scan.source, 5.0, 0.1, 100);
        sim.sprinkle_mutations(2.5, 1, model, 0.0, 1.0, 1.0, 1.0 / 3.0, 0);
        sim.readPopDataFromSims(scan.source, haplotypes, nullptr, model, false);
        sim.SimTree.cleanDemes();
        benchmark::DoNotOptimize(haplotypes.list.count);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_simulated_locus)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// 5,000 loci gathered from a source of 1,000 gene copies in 20 haplotypes.
void BM_gather_loci(benchmark::State& state)
{
    const int loci = 5000;
    Samples source;
    Haplo_DB definitions;
    std::vector<std::unique_ptr<TAllele>> alleles;
    Population* sample = new Population(my_string("pop"));
    for (int h = 0; h < 20; ++h) {
        HaploDef* def = new HaploDef(my_string("h"));
        alleles.push_back(std::make_unique<TAllele>(my_string(std::to_string(200 + h).c_str()), 1.0, 0));
        def->haplovect.Add(alleles.back().get());
        definitions.list.Add(def);
        sample->haplotypes.Add(new PHaploDef(def, 50));
    }
    source.Populations.Add(sample);
    ProfileSettings::LocusSeparator = ' ';
    for (auto _ : state) {
        Samples gathered;
        for (int l = 0; l < loci; ++l)
            gathered.addLocus(source, 0, loci, false);
        benchmark::DoNotOptimize(gathered.Populations[0]->individuals.phenotypes[0]->gene_copy[0].length);
    }
    state.SetItemsProcessed(state.iterations() * loci);
}
BENCHMARK(BM_gather_loci)->Unit(benchmark::kMillisecond);

// 100,000 simulated loci; each item one of 10,000 observed loci (range 0: 1
// sorted loci and binary search, 0 a pass over all loci).
void BM_fst_pvalue(benchmark::State& state)
{
    const int simulated = 100000, observed = 10000;
    MY_TArrayAsVector<double> het, fst;
    for (int i = 0; i < simulated; ++i) {
        het.Add(std::fmod(i * 0.6180339887, 0.8));
        fst.Add(std::fmod(i * 0.4142135623, 0.4));
    }
    const SortedSimulatedLoci sorted(het, fst);
    int k = 0;
    for (auto _ : state) {
        double obs = std::fmod(k * 0.377, 0.5), obs_het = std::fmod(k * 0.271, 0.8), upper = 0.0;
        double p = state.range(0) ? calcFSTpvalue4(obs, sorted, 0.025, obs_het, 0.04, 200, upper)
                                  : calcFSTpvalue4(obs, het, fst, 0.025, obs_het, 0.04, 200, upper);
        benchmark::DoNotOptimize(p);
        k = (k + 1) % observed;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_fst_pvalue)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
