// The genealogy's nodes and tree: allocation, descendant counts, the moments
// of the pairwise coalescence times, the total branch length and printing.

#include "simulation/ttree.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "core/errors.h"
#include "core/random.h"

int TNode::node_count = 0;
int TNode::_tot_mut = 0;
MY_TArrayAsVector<int> TNode::hits(0, 100);
GammaRates TNode::mut_rates;
int TNode::min_mic = 0;
int TNode::max_mic = 0;

// The candidate list points into node arrays that the trees own: every tree
// clears its owning flag.
MY_TIArrayAsVector<TNode> TTree::matchingNodes(0, 0);
MY_TArrayAsVector<double> TTree::nodeWeights(0, 0);

TNode::TNode()
    : time(0.0), left(nullptr), right(nullptr), parent(nullptr), num_desc(0), states(),
      num_sites(0), id(++node_count), distinct(true), hapl_count(1), num_left(0), num_right(0),
      present(true)
{
}

void TNode::reset()
{
    time = 0.0;
    left = right = parent = nullptr;
    num_desc = 0;
    num_sites = 0;
    id = ++node_count;
    distinct = true;
    hapl_count = 1;
    num_left = num_right = 0;
    left_desc = right_desc = TDescList();
}

int TNode::count_desc()
{
    num_left = num_right = 0;
    if (left)
        num_left = left->count_desc();
    if (right)
        num_right = right->count_desc();
    if (!left && !right)
        return 1;
    num_desc = num_left + num_right;
    return num_desc;
}

int TNode::compute_moments_of_pairwise_divergence(double& m1, double& m2)
{
    if (!left || !right)
        return 1;
    double pairs = static_cast<double>(num_left) * num_right;
    m1 += 2.0 * time * pairs;
    m2 += 4.0 * time * time * pairs;
    left->compute_moments_of_pairwise_divergence(m1, m2);
    return right->compute_moments_of_pairwise_divergence(m1, m2);
}

void TNode::coalesce_pair(TNode** slots, int k, long* seed)
{
    int a = static_cast<int>(k * ran3(seed));
    left = slots[a];
    slots[a] = slots[k - 1];
    int b = static_cast<int>((k - 1) * ran3(seed));
    right = slots[b];
    slots[b] = this;
    left->parent = this;
    right->parent = this;
    parent = nullptr;
}

std::ostream& operator<<(std::ostream& os, const TNode& node)
{
    if (!(node.time > 0.0))
        return os << "\nTip node No " << node.id << "\n-----------" << std::endl;
    return os << "\nInternal node No " << node.id << "\n----------------"
              << "\nTime since present       : " << node.time
              << "\nNo. of left descendents  : " << node.num_left
              << "\nNo. of right descendents : " << node.num_right << std::endl;
}

TTree::TTree()
    : num_tips(0), mean_coal_time(0.0), sd_coal_time(0.0), mig_rate(0.0), num_demes(0.0),
      num_sampled_demes(0.0), deme_size(0.0), num_occupied(0), num_active(0),
      coal_rate_total(0.0), mig_rate_total(0.0), num_groups(1), demes_per_group(0),
      allocated_tips(0), deme_tables(0), lineages(0, nullptr), emigrants(0, nullptr)
{
    matchingNodes.owns = 0;
}

TTree::TTree(int n) : TTree()
{
    allocate_tree(n);
}

int TTree::allocate_tree(const int& n)
{
    const char* where = "TTree::allocate_tree()";
    ledger = MutationLedger();  // its visits point into the node array
    if (n >= 1 && n == allocated_tips) {
        for (int i = 0; i < 2 * n - 1; ++i)
            nodes[i].reset();
        num_tips = num_active = n;
        return 1;
    }
    nodes.reset();
    allocated_tips = num_tips = num_active = 0;
    if (n < 1) {
        E.error(ERROR, where, 140);
        return 0;
    }
    if (n > INT_MAX / 2) {
        E.error(ERROR, where, 0);
        return 0;
    }
    nodes.reset(new (std::nothrow) TNode[2 * n - 1]);
    if (!nodes) {
        E.error(ERROR, where, 0);
        return 0;
    }
    allocated_tips = num_tips = num_active = n;
    return 1;
}

int TTree::compute_moments_of_coalescence_times()
{
    mean_coal_time = sd_coal_time = 0.0;
    double pairs = 0.5 * num_tips * (num_tips - 1.0);
    if (pairs == 0.0 || !has_nodes())
        return 0;
    double m1 = 0.0;
    double m2 = 0.0;
    root().count_desc();
    root().compute_moments_of_pairwise_divergence(m1, m2);
    mean_coal_time = m1 * 0.5 / pairs;
    if (pairs > 1.0)
        sd_coal_time = 0.5 * std::sqrt(std::max(0.0, (m2 - m1 * m1 / pairs) / (pairs - 1.0)));
    return 1;
}

double TTree::total_length() const
{
    if (!has_nodes())
        return 0.0;
    double length = 0.0;
    for (int i = 0; i < 2 * num_tips - 2; ++i)
        if (nodes[i].parent)
            length += nodes[i].parent->time - nodes[i].time;
    return length;
}

int TTree::build_lists_of_descendent_nodes()
{
    if (!has_nodes())
        return 0;
    const int n = num_tips;
    const int last = 2 * n - 2;
    try {
        desc_ids.resize(n);
        desc_first.resize(last + 1);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "TNode:: build_list_of_descendent_nodes()", 0);
        return 0;
    }
    root().count_desc();
    // A node's children were made before it, so walking the array downwards
    // from the root visits every parent before its children: each child's run
    // starts where its parent's does, the right one after the left one's tips.
    desc_first[last] = 0;
    for (int i = last; i >= 0; --i) {
        TNode& node = nodes[i];
        const int first = desc_first[i];
        if (!node.left || !node.right) {
            desc_ids[first] = node.id;
            node.left_desc = TDescList(&desc_ids[first], 1);
            node.right_desc = TDescList();
            continue;
        }
        desc_first[node.left - nodes.get()] = first;
        desc_first[node.right - nodes.get()] = first + node.num_left;
        node.left_desc = TDescList(&desc_ids[first], node.num_left);
        node.right_desc = TDescList(&desc_ids[first + node.num_left], node.num_right);
    }
    return 1;
}
