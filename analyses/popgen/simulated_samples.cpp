// Replicate samples simulated under a null model for the size of the observed
// sample (Hudson 1990): a coalescent genealogy on the sample's own SimTree,
// mutations dropped on it, and its tips read back as a sample.

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

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

// Transitions and transversions between two tips over the given sites.
struct DifferenceKinds {
    int transitions = 0;
    int transversions = 0;
};

DifferenceKinds differences(const TNode& a, const TNode& b, std::vector<int> const& sites)
{
    DifferenceKinds d;
    for (int s : sites) {
        const int x = a.states[s], y = b.states[s];
        if (x != y)
            ++((x >> 1) == (y >> 1) ? d.transitions : d.transversions);
    }
    return d;
}

// The sum over pairs of distinct tips, as the molecular diversity adds up the
// distance matrix: row by row in tip order, each distance weighted by the
// counts. Needed for weights that are not whole numbers, whose sums depend on
// their order.
double pairwise_sum_in_matrix_order(TTree const& tree, double ts_weight, double tv_weight)
{
    std::vector<int> distinct;
    for (int i = 0; i < tree.num_tips; ++i)
        if (tree.nodes[i].distinct)
            distinct.push_back(i);
    std::vector<int> const& sites = tree.differing_sites();
    double sum = 0.0;
    for (std::size_t a = 1; a < distinct.size(); ++a) {
        const TNode& tip = tree.nodes[distinct[a]];
        double row = 0.0;
        for (std::size_t b = 0; b < a; ++b) {
            const TNode& other = tree.nodes[distinct[b]];
            DifferenceKinds d = differences(tip, other, sites);
            double distance = d.transitions * ts_weight;
            distance += d.transversions * tv_weight;
            row += other.hapl_count * distance;
        }
        sum += tip.hapl_count * row;
    }
    return sum;
}

// Weights count only when positive. With whole ones every partial sum of the
// pairwise distances is a whole number, so the sum is exact in any order.
double positive(double weight)
{
    return weight > 0 ? weight : 0.0;
}

bool whole_weights(double transition_weight, double transversion_weight)
{
    const double ts = positive(transition_weight), tv = positive(transversion_weight);
    return std::floor(ts) == ts && std::floor(tv) == tv;
}

// A site's tips in each of the four states (a state counts as its value
// modulo 4), and the state of the first tip.
struct SiteCounts {
    std::array<long long, 4> count;
    int reference;
};

// Each site at which the tips differ adds its pairs of tips that differ by a
// transition and by a transversion, from the tips' counts of the four states;
// a site where they do not adds nothing. With whole weights the sum equals the
// matrix's; other weights need the tips marked by compute_hapl_freq.
SimulatedStatistics statistics_of_sites(TTree const& tree, std::vector<SiteCounts> const& sites,
                                        int haplotypes, double transition_weight,
                                        double transversion_weight)
{
    SimulatedStatistics result;
    result.haplotypes = haplotypes;
    const int n = tree.num_tips;
    const double ts = positive(transition_weight), tv = positive(transversion_weight);
    long long transition_pairs = 0, transversion_pairs = 0;
    for (SiteCounts const& site : sites) {
        std::array<long long, 4> const& count = site.count;
        // The site counts as the site comparison against the first tip finds it.
        const int reference = site.reference;
        const bool has_transition = count[reference ^ 1] > 0;
        const bool has_transversion = count[reference ^ 2] + count[reference ^ 3] > 0;
        result.segregating_sites += (ts > 0 && has_transition) || (tv > 0 && has_transversion);
        transition_pairs += count[0] * count[1] + count[2] * count[3];
        transversion_pairs += (count[0] + count[1]) * (count[2] + count[3]);
    }
    const double sum = whole_weights(ts, tv) ? transition_pairs * ts + transversion_pairs * tv
                             : pairwise_sum_in_matrix_order(tree, ts, tv);
    if (n > 1) {
        const double size = n;
        result.mean_pair_diff = sum / (size * (size - 1) / 2);
    }
    return result;
}

// The statistics from the tips' states at the sites where they differ,
// counted tip by tip so that each tip's states are read in one pass.
SimulatedStatistics tip_statistics(TTree& tree, double transition_weight,
                                   double transversion_weight)
{
    tree.compute_hapl_freq();
    std::vector<int> const& differing = tree.differing_sites();
    const int V = static_cast<int>(differing.size());
    std::vector<SiteCounts> sites(V, SiteCounts{{0, 0, 0, 0}, 0});
    for (int i = 0; i < tree.num_tips; ++i) {
        const int* states = tree.nodes[i].states.values;
        for (int k = 0; k < V; ++k)
            ++sites[k].count[states[differing[k]] & 3];
    }
    int haplotypes = 0;
    for (int i = 0; i < tree.num_tips; ++i)
        haplotypes += tree.nodes[i].distinct;
    for (int k = 0; k < V; ++k)
        sites[k].reference = tree.nodes[0].states[differing[k]] & 3;
    return statistics_of_sites(tree, sites, haplotypes, transition_weight, transversion_weight);
}

// Per node of a replicate's genealogy, from the ledger: the tips below it,
// and the tips it reaches without crossing a branch that carries a mutation.
struct TipsBelow {
    std::vector<int> below, reached;

    TipsBelow(TTree const& tree, MutationLedger const& ledger)
        : below(2 * tree.num_tips - 1, 0), reached(below)
    {
        std::vector<int> mutations(below.size(), 0);
        // Backwards through the pre-order, so that children come first.
        for (auto visit = ledger.visits.rbegin(); visit != ledger.visits.rend(); ++visit) {
            const TNode* node = visit->node;
            const auto i = node - &tree.nodes[0];
            mutations[i] = visit->count;
            below[i] = reached[i] = !node->left && !node->right;
            for (const TNode* child : {node->left, node->right}) {
                if (!child)
                    continue;
                const auto c = child - &tree.nodes[0];
                below[i] += below[c];
                reached[i] += mutations[c] ? 0 : reached[c];
            }
        }
    }
};

// With every hit site hit once, and every mutation a change of state, tips
// differ exactly where a mutated branch separates them: the haplotypes are
// the parts of the tree cut at the mutated branches that reach a tip. A site
// then has two states, so which tip is the reference does not matter.
bool sites_hit_once(MutationLedger const& ledger)
{
    if (ledger.mutations.size() != ledger.hit_sites.size())
        return false;
    for (MutationLedger::Mutation const& m : ledger.mutations)
        if (m.before == m.after)
            return false;
    return true;
}

// The statistics of a replicate left by TTree::sprinkle_mutations_at_hit_sites.
// A mutation moves every tip below its node from the state above it to its
// new state, so the counts of a site follow from its mutations and the tips
// below their nodes. Only recurrent hits, or weights that are not whole
// numbers, need the tips' states.
SimulatedStatistics hit_site_statistics(TTree& tree, double transition_weight,
                                        double transversion_weight)
{
    MutationLedger const& ledger = tree.hit_site_ledger();
    const int n = tree.num_tips;
    const TipsBelow tips(tree, ledger);
    const bool separated =
        whole_weights(transition_weight, transversion_weight) && sites_hit_once(ledger);
    int haplotypes = 0;
    if (separated) {
        for (MutationLedger::Visit const& visit : ledger.visits)
            haplotypes += (visit.count > 0 || !visit.node->parent) &&
                          tips.reached[visit.node - &tree.nodes[0]] > 0;
    } else {
        tree.write_tip_hit_states();
        tree.compute_hapl_freq();
        for (int i = 0; i < n; ++i)
            haplotypes += tree.nodes[i].distinct;
    }
    const int H = static_cast<int>(ledger.hit_sites.size());
    std::vector<SiteCounts> sites(H, SiteCounts{{0, 0, 0, 0}, 0});
    for (int k = 0; k < H; ++k) {
        sites[k].count[ledger.ancestral[k] & 3] = n;
        sites[k].reference = separated ? ledger.ancestral[k] & 3 : tree.nodes[0].states[k] & 3;
    }
    for (MutationLedger::Visit const& visit : ledger.visits) {
        const int below = tips.below[visit.node - &tree.nodes[0]];
        for (int i = visit.first; i < visit.first + visit.count; ++i) {
            MutationLedger::Mutation const& m = ledger.mutations[i];
            sites[m.column].count[m.before & 3] -= below;
            sites[m.column].count[m.after & 3] += below;
        }
    }
    return statistics_of_sites(tree, sites, haplotypes, transition_weight, transversion_weight);
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

SimulatedStatistics PopGenetics::simulated_statistics(TTree& tree, double transition_weight,
                                                      double transversion_weight) const
{
    if (!tree.has_nodes() || tree.nodes[0].num_sites == 0)
        return SimulatedStatistics();
    return tip_statistics(tree, transition_weight, transversion_weight);
}

// Sites without a mutation leave the tips one haplotype, as the whole
// sequences do; only a sample without sites has none.
SimulatedStatistics PopGenetics::simulate_sample_statistics(
    const double& rate, const int& numSites, const Mut_Type& model, const double& gammaA,
    const double& b, const double& p, const double& transition, double transition_weight,
    double transversion_weight)
{
    if (!fast_build_tree())
        return SimulatedStatistics();
    NumSimMutations = SimTree.sprinkle_mutations_at_hit_sites(
        rate, numSites, model, gammaA, b, p, transition, "PopGenetics::sprinkle_mutations()");
    if (numSites <= 0)
        return SimulatedStatistics();
    return hit_site_statistics(SimTree, transition_weight, transversion_weight);
}
