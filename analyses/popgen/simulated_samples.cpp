// Replicate samples simulated under a null model for the size of the observed
// sample (Hudson 1990): a coalescent genealogy on the sample's own SimTree,
// mutations dropped on it, and its tips read back as a sample.

#include <cstring>

#include "analyses/popgen/pop_genetics.h"
#include "model/haplo_db.h"

namespace {

// Fresh serial numbers and in-order sites for the next replicate, and the
// sample's gene copies as the tips. False when SimTree was not allocated
// for them.
bool start_genealogy(TTree& tree, double sample_size)
{
    TNode::node_count = 0;
    TNode::_tot_mut = 0;
    tree.num_tips = static_cast<int>(sample_size);
    return tree.has_nodes();
}

void restart_counters()
{
    TNode::node_count = 0;
    TNode::_tot_mut = 0;
}

}  // namespace

int& PopGenetics::sprinkle_mutations(const double& rate, const int& numSites, const Mut_Type& model,
                                     const double& gammaA, const double& b, const double& p,
                                     const double& transition)
{
    NumSimMutations = SimTree.sprinkle_mutations(rate, numSites, model, gammaA, b, p, transition,
                                                 "PopGenetics::sprinkle_mutations()");
    return NumSimMutations;
}

int PopGenetics::fast_build_tree()
{
    if (!start_genealogy(SimTree, SampleSize) || !SimTree.build_tree())
        return 0;
    restart_counters();
    return 1;
}

int PopGenetics::simulate_sample(const double& rate, const int& numSites, const Mut_Type& model,
                                 const double& gammaA, const double& b, const double& p,
                                 const double& transition)
{
    if (!fast_build_tree())
        return 0;
    sprinkle_mutations(rate, numSites, model, gammaA, b, p, transition);
    return 1;
}

int PopGenetics::build_tree_fast_one_pop(double T, double f, const int& N)
{
    if (!start_genealogy(SimTree, SampleSize) || !SimTree.build_tree())
        return 0;
    SimTree.bottleneck(T, f);
    SimTree.scale_to_num_generations(N);
    return 1;
}

int PopGenetics::simulate_sample_exp(const double& rate, const int& numSites, const Mut_Type& model,
                                     const double& gammaA, const double& b, const double& p,
                                     const double& transition, const double& T, const double& f,
                                     const int& N)
{
    if (!build_tree_fast_one_pop(T, f, N))
        return 0;
    sprinkle_mutations(rate, numSites, model, gammaA, b, p, transition);
    return 1;
}

int PopGenetics::build_tree_fast_range_exp(double T, double M, const int& N)
{
    if (!start_genealogy(SimTree, SampleSize) || !SimTree.build_tree_range_exp(T, M))
        return 0;
    SimTree.scale_to_num_generations(N);
    return 1;
}

int PopGenetics::simulate_range_exp(const double& rate, const int& numSites, const Mut_Type& model,
                                    const double& gammaA, const double& b, const double& p,
                                    const double& transition, const double& T, const double& M,
                                    const int& N)
{
    if (!build_tree_fast_range_exp(T, M, N))
        return 0;
    sprinkle_mutations(rate, numSites, model, gammaA, b, p, transition);
    return 1;
}

int PopGenetics::read_simulated_sample(TTree& tree, Haplo_DB& haplotypes_db, const Mut_Type& model)
{
    if (!tree.has_nodes() || tree.nodes[0].num_sites == 0)
        return 1;
    tree.compute_hapl_freq();
    const int n = tree.num_tips;
    num_haplotypes = 0;
    SampleSize = n;
    inv_sample_size = 1.0 / n;
    // Only definitions that were in the list before can share a new name;
    // the names given here are the distinct tip numbers.
    MY_TIArrayAsVector<HaploDef>& list = haplotypes_db.list;
    const int earlier = list.count;
    for (int i = 0; i < n; ++i) {
        const TNode& tip = tree.nodes[i];
        if (!tip.distinct)
            continue;
        ++num_haplotypes;
        my_string id;
        id = i + 1;
        HaploDef* made = new HaploDef(id);
        made->content = tip.sequence_text(model);
        made->count = tip.hapl_count;
        list.Add(made);
        HaploDef* named = made;
        for (int k = 0; k < earlier; ++k)
            if (std::strcmp(list.data[k]->id.str, id.str) == 0) {
                named = list.data[k];
                break;
            }
        haplotypes.Add(new PHaploDef(named, tip.hapl_count));
    }
    return 1;
}
