// Mutations on a genealogy: Poisson numbers of mutations per branch under the
// stepwise, two-state, nucleotide and infinite-alleles models (Hudson 1990),
// optionally with Gamma-distributed site rates, either as whole state vectors
// or, for replicates that are only measured, as a ledger of each node's
// mutations (from which the tips' states at the hit sites can be written);
// the single biallelic site of the selection scan; and the counting of
// identical tips as haplotypes.

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <string>

#include "core/errors.h"
#include "core/random.h"
#include "simulation/ttree.h"

struct TNode::MutationScheme {
    double rate;
    long* seed;
    int numSites;
    Mut_Type model;
    double gammaA;
    double transition;
    bool scan;    // the selection scan's form
    int bounded;  // scan: stepwise states kept between min_mic and max_mic
    double p;     // scan: geometric step sizes of the stepwise model when > 0

    // The site of the next mutation (and the draw it takes, if any).
    int draw_site() const
    {
        const bool by_rates = std::fabs(gammaA) >= 1e-7 && TNode::mut_rates.n > 0;
        if (scan) {
            double u = ran3(seed);
            return by_rates ? TNode::mut_rates.site_from_last(u, numSites)
                            : static_cast<int>(u * numSites);
        }
        if (by_rates)
            return TNode::mut_rates.site_for(ran3(seed), numSites);
        if (TNode::_tot_mut < numSites)
            return TNode::_tot_mut;  // infinite sites while fresh sites remain
        return static_cast<int>(numSites * ran3(seed));
    }
};

namespace {

// mask[s] becomes non-zero where states and reference differ. Blocks of 8
// sites let the compiler use vector instructions on this inner loop.
void mark_differences(const int* states, const int* reference, int* mask, int sites)
{
    int s = 0;
    for (; s + 8 <= sites; s += 8) {
        int block[8];
        for (int k = 0; k < 8; ++k)
            block[k] = mask[s + k] | (states[s + k] ^ reference[s + k]);
        for (int k = 0; k < 8; ++k)
            mask[s + k] = block[k];
    }
    for (; s < sites; ++s)
        mask[s] |= states[s] ^ reference[s];
}

// FNV-1a hash of a tip's number of sites and of count states, state(0) ..
// state(count - 1). The states go round four hashes, so that their chains of
// multiplications overlap, which are then mixed into one.
template <class State>
std::uint64_t states_hash(int num_sites, int count, State state)
{
    const std::uint64_t prime = 1099511628211ULL;
    auto mix = [prime](std::uint64_t hash, int value) {
        return (hash ^ static_cast<std::uint32_t>(value)) * prime;
    };
    const std::uint64_t basis = mix(1469598103934665603ULL, num_sites);
    std::uint64_t h0 = basis, h1 = basis, h2 = basis, h3 = basis;
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        h0 = mix(h0, state(k));
        h1 = mix(h1, state(k + 1));
        h2 = mix(h2, state(k + 2));
        h3 = mix(h3, state(k + 3));
    }
    for (; k < count; ++k)
        h0 = mix(h0, state(k));
    auto fold = [](std::uint64_t h) { return static_cast<int>(h ^ (h >> 32)); };
    return mix(mix(mix(h0, fold(h1)), fold(h2)), fold(h3));
}

// Each child, left then right, draws its Poisson number of mutations from
// the length of its branch and then mutates its subtree (descend); returns
// the mutations placed below the node.
template <class Scheme, class Descend>
int for_children(TNode& node, const Scheme& scheme, Descend descend)
{
    int placed = 0;
    for (TNode* child : {node.left, node.right}) {
        if (!child)
            continue;
        float mean = static_cast<float>((node.time - child->time) * scheme.rate);
        int m = poidev(mean, scheme.seed);
        placed += m + descend(*child, m);
    }
    return placed;
}

char nucleotide_letter(int state)
{
    static const char letters[] = "AGCT";
    return state >= 0 && state <= 3 ? letters[state] : 'A';
}

}  // namespace

int TNode::add_mutations(const double& rate, long* seed, const int& numMut, const int& numSites,
                         const Mut_Type& model, const double& gammaA, const double& transition)
{
    MutationScheme scheme{rate, seed, numSites, model, gammaA, transition, false, 0, 0.0};
    return mutate_subtree(scheme, numMut);
}

int TNode::add_mutations(const double& rate, long* seed, const int& numMut, const int& numSites,
                         const Mut_Type& model, const double& gammaA, const double& transition,
                         const int& bounded, double p)
{
    MutationScheme scheme{rate, seed, numSites, model, gammaA, transition, true, bounded, p};
    return mutate_subtree(scheme, numMut);
}

// The draws come in this order: the root's ancestral states, then per node
// its own mutations, then the left child's Poisson number and whole subtree,
// then the right child's.
int TNode::mutate_subtree(const MutationScheme& scheme, int numMut)
{
    const int sites = std::max(scheme.numSites, 0);
    bool has_states;
    num_sites = 0;
    if (parent) {
        has_states = parent->num_sites == sites;
        if (has_states) {
            states = parent->states;
            has_states = states.size == sites;
        }
    } else {
        has_states = states.resize(sites) == 1;
        for (int i = 0; has_states && i < sites; ++i)
            states[i] = scheme.model == NUCLEOTIDE ? static_cast<int>(4 * ran3(scheme.seed)) : 0;
        while (hits.count < sites)
            hits.Add(0);
    }
    if (has_states) {
        num_sites = sites;
        for (int m = 0; sites > 0 && m < numMut; ++m)
            apply_mutation(scheme);
    }
    return for_children(*this, scheme, [&scheme](TNode& child, int m) {
        return child.mutate_subtree(scheme, m);
    });
}

int TNode::record_mutations(const double& rate, long* seed, const int& numMut,
                            const int& numSites, const Mut_Type& model, const double& gammaA,
                            const double& transition, MutationLedger& ledger)
{
    MutationScheme scheme{rate, seed, numSites, model, gammaA, transition, false, 0, 0.0};
    return record_subtree(scheme, numMut, ledger);
}

// mutate_subtree's walk and draws. The ancestral bases are drawn for every
// site, as the stream must advance by as many draws, but a site gets a
// column, and a state that changes, only when it is hit. A node's mutations
// change the column states on the way down and are undone, last first, once
// its subtree is done, so that the right child starts from the states its
// parent passed on.
int TNode::record_subtree(const MutationScheme& scheme, int numMut, MutationLedger& ledger)
{
    const int sites = std::max(scheme.numSites, 0);
    if (!parent)
        start_ledger(scheme, sites, ledger);
    std::vector<int>& current = ledger.current;
    const int first = static_cast<int>(ledger.mutations.size());
    for (int m = 0; sites > 0 && m < numMut; ++m) {
        const int site = scheme.draw_site();
        ++hits[site];
        int& column = ledger.column[site];
        if (column < 0) {
            column = static_cast<int>(ledger.hit_sites.size());
            ledger.hit_sites.push_back(site);
            const int state = scheme.model == NUCLEOTIDE
                                  ? static_cast<int>(4 * ledger.uniforms[site]) : 0;
            ledger.ancestral.push_back(state);
            current.push_back(state);
        }
        const int before = current[column];
        change_state(current[column], site, scheme);
        ledger.mutations.push_back({column, before, current[column]});
        ++_tot_mut;
    }
    const int last = static_cast<int>(ledger.mutations.size());
    ledger.visits.push_back({this, first, last - first});
    const int placed = for_children(*this, scheme, [&](TNode& child, int m) {
        return child.record_subtree(scheme, m, ledger);
    });
    for (int i = last - 1; i >= first; --i)
        current[ledger.mutations[i].column] = ledger.mutations[i].before;
    return placed;
}

// The root's part: the ancestral draws, and the ledger of the last pass emptied.
void TNode::start_ledger(const MutationScheme& scheme, int sites, MutationLedger& ledger)
{
    for (int site : ledger.hit_sites)
        ledger.column[site] = -1;
    ledger.column.resize(sites, -1);
    ledger.hit_sites.clear();
    ledger.ancestral.clear();
    ledger.current.clear();
    ledger.mutations.clear();
    ledger.visits.clear();
    if (scheme.model == NUCLEOTIDE) {
        ledger.uniforms.resize(sites);
        ran3_fill(scheme.seed, ledger.uniforms.data(), sites);
    }
    while (hits.count < sites)
        hits.Add(0);
}

void TNode::apply_mutation(const MutationScheme& scheme)
{
    const int site = scheme.draw_site();
    ++hits[site];
    change_state(states[site], site, scheme);
    ++_tot_mut;
}

void TNode::change_state(int& state, int site, const MutationScheme& scheme)
{
    long* seed = scheme.seed;
    switch (scheme.model) {
    case STEPWISE: {
        int step = scheme.scan && scheme.p > 0.0 ? 1 + geometric(scheme.p) : 1;
        if (scheme.scan && scheme.bounded && state == min_mic)
            state += step;
        else if (scheme.scan && scheme.bounded && state == max_mic)
            state -= step;
        else
            state += ran3(seed) < 0.5 ? -step : step;
        break;
    }
    case TWO_STATE:
        state = state == 0 ? 1 : 0;
        break;
    case NUCLEOTIDE:
        if (ran3(seed) < scheme.transition) {
            if (state >= 0 && state <= 3)
                state ^= 1;  // A<->G, C<->T
        } else {
            bool lower = ran3(seed) < 0.5;
            if (state == 0 || state == 1)
                state = lower ? 2 : 3;
            else if (state == 2 || state == 3)
                state = lower ? 0 : 1;
        }
        break;
    case NEW_ALLELE:
        state = hits[site];
        break;
    default:
        break;
    }
}

namespace {

// The first node at or below `node` that carries the site: a node that is
// not present, or has one child, or two children not both present, gives way
// to its child (of two, the left one when present, else the right one).
TNode* site_carrier(TNode* node)
{
    for (;;) {
        TNode* l = node->left;
        TNode* r = node->right;
        if (!l && !r)
            return node;
        if (node->present && l && r && l->present && r->present)
            return node;
        node = l && r ? (l->present ? l : r) : (l ? l : r);
    }
}

}  // namespace

int TNode::new_Add_SNP_Mutation(const int& site, TNode*& mutNode, int state, int derived)
{
    if (site < 0 || !states.resize(std::max(states.size, site + 1))) {
        num_sites = 0;
        return 0;
    }
    num_sites = site + 1;
    states[site] = state;
    if (!left || !right)
        return state;
    TNode* L = site_carrier(left);
    TNode* R = site_carrier(right);
    int left_state = L == mutNode ? 1 : state;
    L->new_Add_SNP_Mutation(site, mutNode, left_state, derived);
    int right_state = R == mutNode ? 1 : (L == mutNode ? derived : left_state);
    R->new_Add_SNP_Mutation(site, mutNode, right_state, derived);
    return R == mutNode ? derived : right_state;
}

bool TNode::same_states(const TNode& other) const
{
    return num_sites == other.num_sites
           && std::equal(states.values, states.values + num_sites, other.states.values);
}

my_string TNode::sequence_text(const Mut_Type& model) const
{
    std::string text(num_sites, '0');
    for (int i = 0; i < num_sites; ++i)
        text[i] = model == NUCLEOTIDE ? nucleotide_letter(states[i]) : (states[i] == 1 ? '1' : '0');
    return my_string(text.c_str());
}

TNode* TTree::getRootNodeForMutation(int, const double& minFreq)
{
    if (!has_nodes())
        return nullptr;
    matchingNodes.owns = 0;
    if (matchingNodes.count == 0) {
        matchingNodes.Reallocate(2 * num_tips - 2);
        nodeWeights.Reallocate(2 * num_tips - 1);
        double total = 0.0;
        getListofMatchingNodesNoRec(&root(), matchingNodes, nodeWeights, total, minFreq);
        if (total != 0.0)
            for (int i = 0; i < nodeWeights.count; ++i)
                nodeWeights[i] /= total;
    }
    long seed = 1;
    double u = ran3(&seed);
    double sum = 0.0;
    for (int i = 0; i < matchingNodes.count; ++i) {
        sum += nodeWeights[i];
        if (u <= sum)
            return matchingNodes.data[i];
    }
    return nullptr;
}

void TTree::getListofMatchingNodesNoRec(TNode* node, MY_TIArrayAsVector<TNode>& list,
                                        MY_TArrayAsVector<double>& weights, double& total,
                                        const double& minFreq)
{
    // Pre-order (node, left subtree, right subtree) with a stack of pending
    // right subtrees, as a genealogy can be deeper than the call stack allows.
    std::vector<TNode*> pending;
    while (node) {
        if (static_cast<double>(node->num_desc) / num_tips >= minFreq) {
            double weight = node->parent ? node->parent->time - node->time : 0.0;
            list.Add(node);
            weights.Add(weight);
            total += weight;
        }
        if (node->right)
            pending.push_back(node->right);
        if (node->left) {
            node = node->left;
        } else if (!pending.empty()) {
            node = pending.back();
            pending.pop_back();
        } else {
            node = nullptr;
        }
    }
}

int TTree::prepare_site_tables(const int& numSites, const double& gammaA, const double& b,
                               const double& p, const char* caller)
{
    MY_TArrayAsVector<int>& hits = TNode::hits;
    if (hits.count == 0) {
        hits.Reallocate(numSites);
        for (int i = 0; i < numSites; ++i)
            hits.Add(0);
    } else if (hits.count != numSites) {
        E.error(WARNING, caller, 177);
        return 0;
    } else {
        std::fill(hits.data, hits.data + numSites, 0);
    }
    if (gammaA != 0.0) {
        if (TNode::mut_rates.n == 0)
            TNode::mut_rates.build(numSites, gammaA, b, p);
        else
            TNode::mut_rates.get_new_rates(numSites, gammaA, b, p);
    }
    return 1;
}

int TTree::sprinkle_mutations(const double& rate, const int& numSites, const Mut_Type& model,
                              const double& gammaA, const double& b, const double& p,
                              const double& transition, const char* caller)
{
    if (!has_nodes() || !prepare_site_tables(numSites, gammaA, b, p, caller))
        return 0;
    long seed = 1;
    return root().add_mutations(rate, &seed, 0, numSites, model, gammaA, transition);
}

int TTree::sprinkle_mutations_at_hit_sites(const double& rate, const int& numSites,
                                           const Mut_Type& model, const double& gammaA,
                                           const double& b, const double& p,
                                           const double& transition, const char* caller)
{
    if (!has_nodes() || !prepare_site_tables(numSites, gammaA, b, p, caller)) {
        ledger = MutationLedger();
        return 0;
    }
    long seed = 1;
    return root().record_mutations(rate, &seed, 0, numSites, model, gammaA, transition, ledger);
}

// Each node's states at the hit sites are its parent's (the ancestral ones at
// the root) changed by its own mutations in their order; the ledger's
// pre-order gives every parent before its children. The tips' rows are their
// state arrays, the internal nodes' rows scratch.
void TTree::write_tip_hit_states()
{
    const int H = static_cast<int>(ledger.hit_sites.size());
    for (int i = 0; i < num_tips; ++i) {
        TNode& tip = nodes[i];
        tip.num_sites = 0;
        // A longer array is kept (only num_sites entries count), so that
        // replicates do not reallocate it for their varying numbers of sites.
        if (tip.states.size < H && !tip.states.resize(H))
            return;
    }
    node_hit_states.resize(static_cast<std::size_t>(num_tips - 1) * H);
    auto row_of = [&](const TNode* node) {
        const int index = static_cast<int>(node - &nodes[0]);
        return index < num_tips
                   ? nodes[index].states.values
                   : node_hit_states.data() + static_cast<std::size_t>(index - num_tips) * H;
    };
    for (MutationLedger::Visit const& visit : ledger.visits) {
        int* row = row_of(visit.node);
        const int* above = visit.node->parent ? row_of(visit.node->parent)
                                              : ledger.ancestral.data();
        std::copy(above, above + H, row);
        for (int i = visit.first; i < visit.first + visit.count; ++i)
            row[ledger.mutations[i].column] = ledger.mutations[i].after;
    }
    for (int i = 0; i < num_tips; ++i)
        nodes[i].num_sites = H;
}

int TTree::compute_hapl_freq()
{
    return compute_hapl_freq(0, num_tips);
}

// Tips are grouped by a hash of their states and compared only within a
// group. When the tips share their number of sites, only the sites at which
// some tip differs from the first one are hashed and compared: the others are
// equal everywhere, and a replicate has few variable sites among many.
int TTree::compute_hapl_freq(int start, int count)
{
    if (!has_nodes())
        return 1;
    start = std::max(start, 0);
    const int end = std::min(start + std::max(count, 0), num_tips);
    if (start >= end)
        return 1;
    const TNode& first_tip = nodes[start];
    bool same_length = true;
    for (int i = start; i < end; ++i)
        same_length = same_length && nodes[i].num_sites == first_tip.num_sites;
    variable_sites.clear();
    if (same_length) {
        const int sites = first_tip.num_sites;
        site_mask.assign(sites, 0);
        for (int i = start + 1; i < end; ++i)
            mark_differences(nodes[i].states.values, first_tip.states.values, site_mask.data(), sites);
        for (int s = 0; s < sites; ++s)
            if (site_mask[s])
                variable_sites.push_back(s);
    }
    // Same states at the variable sites (or, for tips of unequal lengths, everywhere).
    auto same = [&](const TNode& a, const TNode& b) {
        if (!same_length)
            return a.same_states(b);
        for (int s : variable_sites)
            if (a.states[s] != b.states[s])
                return false;
        return true;
    };
    tip_keys.clear();
    for (int i = start; i < end; ++i) {
        TNode& tip = nodes[i];
        tip.distinct = true;
        tip.hapl_count = 1;
        const std::uint64_t hash =
            same_length
                ? states_hash(tip.num_sites, static_cast<int>(variable_sites.size()),
                              [&](int k) { return tip.states[variable_sites[k]]; })
                : states_hash(tip.num_sites, tip.num_sites, [&](int k) { return tip.states[k]; });
        tip_keys.emplace_back(hash, i);
    }
    std::sort(tip_keys.begin(), tip_keys.end());
    for (std::size_t a = 0; a < tip_keys.size();) {
        std::size_t b = a;
        while (b < tip_keys.size() && tip_keys[b].first == tip_keys[a].first)
            ++b;
        for (std::size_t x = a; x < b; ++x) {
            TNode& first = nodes[tip_keys[x].second];
            if (!first.distinct)
                continue;
            for (std::size_t y = x + 1; y < b; ++y) {
                TNode& other = nodes[tip_keys[y].second];
                if (other.distinct && same(first, other)) {
                    other.distinct = false;
                    first.hapl_count += other.hapl_count;
                }
            }
        }
        a = b;
    }
    return 1;
}

void TTree::print_sequences(std::ostream& os, const Mut_Type& model)
{
    if (!has_nodes() || nodes[0].num_sites == 0)
        return;
    compute_hapl_freq();
    os << std::right;
    for (int i = 0; i < num_tips; ++i) {
        const TNode& tip = nodes[i];
        if (!tip.distinct)
            continue;
        os << std::setw(5) << i + 1 << ' ' << std::setw(5) << tip.hapl_count << ' ';
        if (model == NUCLEOTIDE) {
            os << tip.sequence_text(model);
        } else {
            for (int s = 0; s < tip.num_sites; ++s)
                os << tip.states[s] << ' ';
        }
        os << std::endl;
    }
    os << std::endl;
}
