// Speed of the coalescent simulator at the sizes of the neutrality tests, the
// expansion bootstraps and the selection scan: replicate genealogies with
// mutations and their haplotypes counted, and structured loci with one SNP.

#include <benchmark/benchmark.h>

#include "analyses/popgen/pop_genetics.h"
#include "core/random.h"
#include "model/population.h"
#include "project/samples.h"
#include "project/structure.h"
#include "simulation/ttree.h"

namespace {

void seed_stream()
{
    long seed = -12345;
    ran3(&seed);
}

// The genealogy of a series of replicates of n gene copies, on a seeded
// stream, with the hit table emptied before and after the series.
struct ReplicateSeries {
    TTree tree;
    explicit ReplicateSeries(int n)
    {
        seed_stream();
        tree.allocate_tree(n);
        TNode::hits.count = 0;
    }
    ~ReplicateSeries() { TNode::hits.count = 0; }
};

// 1,000 replicates per iteration of a sample of n gene copies (range 0) with
// `sites` sites (range 1), theta 10, nucleotide model, with Gamma site rates
// of shape 0.5 when range 2 is 1: the genealogy, the mutations and the count
// of distinct haplotypes, as each replicate of the Tajima and Fu tests needs.
void BM_replicate_samples(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const int sites = static_cast<int>(state.range(1));
    const double gamma = state.range(2) ? 0.5 : 0.0;
    const int replicates = 1000;
    ReplicateSeries series(n);
    TTree& tree = series.tree;
    for (auto _ : state) {
        long haplotypes = 0;
        for (int r = 0; r < replicates; ++r) {
            TNode::node_count = 0;
            TNode::_tot_mut = 0;
            tree.build_tree();
            tree.sprinkle_mutations(5.0, sites, NUCLEOTIDE, gamma, 1.0, 1.0, 0.33, "bench");
            tree.compute_hapl_freq();
            for (int i = 0; i < n; ++i)
                haplotypes += tree.nodes[i].distinct;
        }
        benchmark::DoNotOptimize(haplotypes);
    }
    state.SetItemsProcessed(state.iterations() * replicates);
}
BENCHMARK(BM_replicate_samples)
    ->Args({50, 300, 0})->Args({50, 1000, 1})->Args({500, 300, 0})->Args({500, 1000, 0})
    ->Args({500, 1000, 1})->Unit(benchmark::kMillisecond);

// 1,000 replicates per iteration of the Tajima and Fu tests on a sample of n
// gene copies (range 0) with `sites` sites (range 1) at theta (range 2, in
// tenths): the genealogy, its nucleotide mutations, and S, the mean number
// of pairwise differences and the haplotypes read off the tips' states at
// the hit sites (simulate_sample_statistics, as the tests run them). The first
// size is the woodmouse sample (15 sequences, 965 sites, Tajima's replicates
// at theta 7.7).
void BM_neutrality_replicates(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const int sites = static_cast<int>(state.range(1));
    const double theta = state.range(2) / 10.0;
    const int replicates = 1000;
    PopGenetics observed;
    observed.initialize();
    observed.SampleSize = n;
    ReplicateSeries series(n);
    observed.SimTree.allocate_tree(n);
    for (auto _ : state) {
        double sum = 0.0;
        for (int r = 0; r < replicates; ++r) {
            SimulatedStatistics st = observed.simulate_sample_statistics(
                theta, sites, NUCLEOTIDE, 0.0, 1.0, 1.0, 0.33, 1.0, 1.0);
            sum += st.mean_pair_diff + st.segregating_sites + st.haplotypes;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * replicates);
}
BENCHMARK(BM_neutrality_replicates)
    ->Args({15, 965, 77})->Args({50, 965, 77})->Args({150, 965, 77})->Args({15, 5000, 77})
    ->Unit(benchmark::kMillisecond);

// 1,000 genealogies of the expansion bootstraps (sudden expansion and range
// expansion, then scaled) for n gene copies, with new-allele mutations.
void BM_expansion_replicates(benchmark::State& state)
{
    const int replicates = 1000;
    ReplicateSeries series(static_cast<int>(state.range(0)));
    TTree& tree = series.tree;
    for (auto _ : state) {
        long mutations = 0;
        for (int r = 0; r < replicates; ++r) {
            if (r % 2) {
                tree.build_tree();
                tree.bottleneck(0.5, 0.1);
            } else {
                tree.build_tree_range_exp(0.5, 2.0);
            }
            tree.scale_to_num_generations(1);
            mutations += tree.sprinkle_mutations(3.0, 500, NEW_ALLELE, -1.0, 1.0, 1.0, 0.33, "bench");
        }
        benchmark::DoNotOptimize(mutations);
    }
    state.SetItemsProcessed(state.iterations() * replicates);
}
BENCHMARK(BM_expansion_replicates)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

// 1,000 loci of the selection scan per iteration: an island-model genealogy
// of `populations` samples (range 0) of `copies` gene copies (range 1) in
// 100 demes (the hierarchical model in 2 groups of 50 when range 2 is 1),
// one SNP on a branch drawn by length, haplotypes counted per sample.
void BM_structured_loci(benchmark::State& state)
{
    seed_stream();
    const int populations = static_cast<int>(state.range(0));
    const int copies = static_cast<int>(state.range(1));
    const bool hierarchical = state.range(2) != 0;
    Samples samples;
    for (int p = 0; p < populations; ++p) {
        Population* sample = new Population(my_string("pop"));
        sample->SampleSize = copies;
        samples.Populations.Add(sample);
    }
    Structure structure;
    structure.NbGroups = 2;
    structure.Groups = new MY_TIArrayAsVector<Population>[2];
    structure.Groups[0].owns = structure.Groups[1].owns = 0;
    for (int p = 0; p < populations; ++p)
        structure.Groups[p % 2].Add(samples.Populations[p]);
    const int loci = 1000;
    TTree tree;
    for (auto _ : state) {
        long haplotypes = 0;
        for (int locus = 0; locus < loci; ++locus) {
            if (hierarchical)
                tree.build_tree_struct_pop(samples, structure, 1.0, 0.2, 0.05, 50, 2);
            else
                tree.build_tree_struct_pop(samples, 1.0, 0.1, 100);
            tree.root().count_desc();
            TTree::matchingNodes.Flush();
            TTree::nodeWeights.count = 0;
            TNode* mutated = tree.getRootNodeForMutation(0, 0.0);
            tree.root().new_Add_SNP_Mutation(0, mutated, 0, 0);
            for (int p = 0; p < populations; ++p) {
                tree.compute_hapl_freq(p * copies, copies);
                for (int i = p * copies; i < (p + 1) * copies; ++i)
                    haplotypes += tree.nodes[i].distinct;
            }
            tree.cleanDemes();
        }
        benchmark::DoNotOptimize(haplotypes);
    }
    TTree::matchingNodes.Flush();
    state.SetItemsProcessed(state.iterations() * loci);
}
BENCHMARK(BM_structured_loci)
    ->Args({10, 20, 0})->Args({20, 50, 0})->Args({20, 50, 1})->Unit(benchmark::kMillisecond);

}  // namespace
