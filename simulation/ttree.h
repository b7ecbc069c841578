// Coalescent genealogy of a simulated sample: the nodes with their times,
// topology and site states, the tree that owns them with the deme bookkeeping
// of the structured models, and the simulator's process-wide tables.
//
// A tree of n tips holds 2n-1 nodes: the tips 0..n-1 in sample order, the
// internal nodes n..2n-2 in the order of their coalescence events (so their
// times never decrease with the index), the root last. The node array is made
// once per sample size and reused by every replicate; the builders reset the
// tips and overwrite every internal node.
//
// The shared tables (hit counts, site rates, candidate branches) make one
// simulation at a time possible; the order of the random draws within a
// replicate is fixed, so a seed gives the same genealogies and mutations.
//
// Files: ttree.cpp (nodes, tree, walks, printing), coalescent.cpp (single
// population), island_models.cpp (structured populations), mutations.cpp
// (site states, the replicates' mutation ledger, single mutations, identical
// tips).
#ifndef DROV_SIMULATION_TTREE_H
#define DROV_SIMULATION_TTREE_H

#include <cstdint>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "core/my_string.h"
#include "core/pointer_arrays.h"
#include "core/value_array.h"
#include "simulation/gamma_rates.h"
#include "simulation/list_node.h"
#include "simulation/my_vect_int.h"

class Samples;
class Structure;

// What one mutation does to the state of its site.
enum Mut_Type {
    STEPWISE = 0,    // +1 or -1 with probability 1/2 each
    TWO_STATE = 1,   // 0 becomes 1, any other state 0
    NUCLEOTIDE = 2,  // states 0..3 (A, G, C, T); transitions 0<->1, 2<->3
    NEW_ALLELE = 3   // the site's running hit count: every hit a new state
};

// Demes of the one-level structured model: D demes, or D x D for a lattice.
enum migrationModel { ISLAND = 0, LATTICE = 1 };

// The tip ids below one child of a node: a run of the tree's descendant
// order (TTree::build_lists_of_descendent_nodes), valid until the next build
// or allocation of that tree. Empty before the first build.
class TDescList {
public:
    TDescList() = default;
    TDescList(const int* first, int count) : ids_(first), count_(count) {}
    int size() const { return count_; }
    int operator[](int i) const { return ids_[i]; }
    const int* begin() const { return ids_; }
    const int* end() const { return ids_ + count_; }

private:
    const int* ids_ = nullptr;
    int count_ = 0;
};

class TNode;

// What the replicate form of the mutation pass (TNode::record_mutations)
// keeps instead of whole state vectors: the sites hit, each in a column of
// its own in the order first hit, the state of each column at the node being
// visited, and per visited node its own mutations, nodes in pre-order (a
// parent before its children). Reused from replicate to replicate.
struct MutationLedger {
    struct Mutation {
        int column;
        int before;  // the site's state above the mutation
        int after;
    };
    struct Visit {
        const TNode* node;
        int first;  // its mutations are mutations[first .. first + count - 1]
        int count;
    };
    std::vector<double> uniforms;  // per site, the draw of its ancestral base (NUCLEOTIDE)
    std::vector<int> column;       // per site, its column; -1 when not hit
    std::vector<int> hit_sites;    // per column, its site
    std::vector<int> ancestral;    // per column, the root's state
    std::vector<int> current;      // per column; the ancestral states again after the pass
    std::vector<Mutation> mutations;
    std::vector<Visit> visits;
};

class TNode {
public:
    double time;    // before the present; 0 for tips
    TNode* left;    // children, both null for a tip
    TNode* right;
    TNode* parent;  // null for the root and for lineages not yet joined
    int num_desc;   // tips below an internal node (set by count_desc); tips keep 0
    myVectInt states;  // state at each site, the first num_sites entries valid
    int num_sites;     // sites written by the last mutation pass; 0: none
    int id;            // serial number taken from node_count
    bool distinct;     // first tip of its sequence (compute_hapl_freq)
    int hapl_count;    // on a distinct tip, tips that carry its sequence
    int num_left;      // tips below the left and the right child (count_desc)
    int num_right;
    // The node carries the site of a single mutation; every node does (set
    // at construction, never changed), so the placement walk stops at once.
    bool present;
    // Ids of the tips below the left and the right child; a tip lists its own
    // id on the left. Set by TTree::build_lists_of_descendent_nodes.
    TDescList left_desc;
    TDescList right_desc;

    static int node_count;  // serial-number source, reset before each replicate
    static int _tot_mut;    // mutations placed since the last reset (in-order sites)
    static MY_TArrayAsVector<int> hits;  // per site, its mutations in this replicate
    static GammaRates mut_rates;         // relative site rates
    static int min_mic;  // bounds of the bounded stepwise model (never changed: 0)
    static int max_mic;

    TNode();
    TNode(const TNode&) = delete;
    TNode& operator=(const TNode&) = delete;

    // As constructed, with the next serial number; the state array is kept.
    void reset();

    // Sets num_left, num_right and num_desc over the subtree; returns the
    // number of tips below (1 for a tip, which stores nothing).
    int count_desc();

    // Adds, for every internal node of the subtree with time t and a and b
    // tips below its children, 2 t a b to m1 and 4 t^2 a b to m2: the sums
    // over all pairs of tips of twice their coalescence time and of its square.
    // Needs count_desc.
    int compute_moments_of_pairwise_divergence(double& m1, double& m2);

    // The new internal node joins two lineages drawn among slots[0 .. k-1]:
    // the left child from slot (int)(k U), whose place the last lineage
    // takes, then the right child from slot (int)((k-1) U), whose place the
    // new node takes. The caller drops slot k-1 and sets the node's time.
    void coalesce_pair(TNode** slots, int k, long* seed);

    // --- Mutations (mutations.cpp) ---
    // Gives this node its states (the parent's, or the ancestral ones at the
    // root: uniform bases for NUCLEOTIDE, 0 otherwise), applies numMut
    // mutations, then gives each child, left first, a Poisson number of
    // mutations of mean branch length x rate. Returns the mutations placed
    // below this node. Without rate heterogeneity (|gammaA| < 1e-7, or rates
    // never built) the first numSites mutations since the last reset of
    // _tot_mut take sites 0, 1, 2, ... (infinite sites), later ones a uniform
    // site; with it the site is drawn from mut_rates. Each hit is counted in
    // `hits`, which the root first extends to numSites entries if shorter.
    int add_mutations(const double& rate, long* seed, const int& numMut, const int& numSites,
                      const Mut_Type& model, const double& gammaA, const double& transition);
    // The selection scan's form: every site drawn (uniformly, or by the rates
    // walked from the last site down), and with `bounded` the stepwise states
    // pushed back at min_mic and max_mic. p > 0 makes stepwise steps of
    // 1 + geometric(p) sites (the generalised stepwise model); the scan passes 0.
    int add_mutations(const double& rate, long* seed, const int& numMut, const int& numSites,
                      const Mut_Type& model, const double& gammaA, const double& transition,
                      const int& bounded, double p);

    // The replicate form of the seven-argument add_mutations: the same draws
    // in the same order, the same `hits` and _tot_mut and the same result, but
    // no state vector is written; the ancestral states of the hit sites and
    // every mutation (its site's column, the state before and after) go to
    // the ledger instead, which the root empties first.
    int record_mutations(const double& rate, long* seed, const int& numMut, const int& numSites,
                         const Mut_Type& model, const double& gammaA, const double& transition,
                         MutationLedger& ledger);

    // One biallelic site: this node and its subtree get a one-site state
    // vector holding `state`, except mutNode and its subtree, which get 1 (a
    // right sibling of mutNode and its subtree get `derived`; callers pass
    // derived = state). Returns the state given to the last node written.
    int new_Add_SNP_Mutation(const int& site, TNode*& mutNode, int state, int derived);

    // Equal site states over the written sites.
    bool same_states(const TNode& other) const;

    // The states as sample data: NUCLEOTIDE "A", "G", "C", "T" for 0..3 ("A"
    // for any other state); every other model "1" for state 1, else "0".
    my_string sequence_text(const Mut_Type& model) const;

private:
    struct MutationScheme;
    int mutate_subtree(const MutationScheme& scheme, int numMut);
    int record_subtree(const MutationScheme& scheme, int numMut, MutationLedger& ledger);
    void start_ledger(const MutationScheme& scheme, int sites, MutationLedger& ledger);
    void apply_mutation(const MutationScheme& scheme);
    void change_state(int& state, int site, const MutationScheme& scheme);
};

// A tip prints its number; an internal node its time and descendant counts.
std::ostream& operator<<(std::ostream& os, const TNode& node);

class TTree {
public:
    int num_tips;
    std::unique_ptr<TNode[]> nodes;  // 2 num_tips - 1 nodes, the root last
    double mean_coal_time;  // of a random pair of tips (compute_moments_...)
    double sd_coal_time;

    // Deme bookkeeping of the structured models (island_models.cpp).
    double mig_rate;           // per lineage and generation (m1 + m2 hierarchically)
    double num_demes;          // D
    double num_sampled_demes;  // one per sample
    double deme_size;          // haploid size N of a deme (1000)
    std::vector<int> deme_lineages;   // lineages in each deme
    std::vector<int> occupied_demes;  // demes holding lineages, num_occupied valid
    int num_occupied;
    // The lineages of each deme (pointers into nodes; the lists own nothing).
    std::unique_ptr<MY_TIArrayAsVector<TNode>[]> deme_lists;
    int num_active;            // lineages not yet coalesced
    double coal_rate_total;    // sum of deme_coal_rates
    double mig_rate_total;     // num_active x mig_rate x deme_size
    std::vector<double> deme_coal_rates;  // k(k-1)/2 per deme of k lineages
    int num_groups;                       // hierarchical model; 1 otherwise
    int demes_per_group;
    std::vector<std::vector<int>> group_demes;  // group k: demes k d .. k d + d - 1

    // Candidate branches of the single-mutation mode and their weights,
    // shared by all trees; callers empty them (count 0) before each tree.
    static MY_TIArrayAsVector<TNode> matchingNodes;  // never owns its nodes
    static MY_TArrayAsVector<double> nodeWeights;

    TTree();
    // A tree with the nodes of n tips (allocate_tree).
    explicit TTree(int n);
    TTree(const TTree&) = delete;
    TTree& operator=(const TTree&) = delete;

    // Makes the 2n-1 fresh nodes of a tree of n tips (each with the next
    // serial number) and sets num_tips and num_active to n; an array of that
    // size is reused. Refuses n < 1 (ERROR 140) and an array that cannot be
    // allocated (ERROR 0), leaving the tree without nodes: returns 0.
    int allocate_tree(const int& n);

    TNode& root() { return nodes[2 * num_tips - 2]; }
    // A tree whose node array holds its num_tips tips.
    bool has_nodes() const { return nodes && num_tips >= 1 && num_tips <= allocated_tips; }

    // Mean and standard deviation of the pairwise coalescence times; 0 (both
    // 0) when there is no pair.
    int compute_moments_of_coalescence_times();
    // Sum of the branch lengths.
    double total_length() const;

    // Fills left_desc and right_desc of every node of the built tree (and
    // num_left, num_right, num_desc as count_desc does): one walk lays the tip
    // ids out in left-first order, so that the tips below any node form one
    // run of it, and each list is a view of its run. Linear in the number of
    // tips. 1; 0 when the tree has no nodes or the order cannot be allocated
    // (MEMORY report).
    int build_lists_of_descendent_nodes();

    // --- Single population (coalescent.cpp); times in coalescent units ---
    // Kingman's coalescent for the num_tips tips: n-1 time deviates, then two
    // deviates per event for the pair. 0 when the node array does not hold
    // num_tips tips.
    int build_tree();
    // Range expansion T ago: until T each lineage of the sampled deme leaves
    // it at rate M, emigrants neither coalescing nor returning before T.
    int build_tree_range_exp(const double& T, const double& M);
    // Sudden size change T ago: older times t become T + (t - T) f.
    int bottleneck(double T, double f);
    // Every internal time multiplied by N.
    int scale_to_num_generations(const int& N);

    // --- Structured populations (island_models.cpp); time in N generations ---
    // Finite island model of D demes with the migration rate m = (D - 1)
    // (1/fst - 1) / (2 N D) for the samples' gene copies, each sample in its
    // own deme; theta is not used. 0, after a line on the log, when fst is
    // outside (0, 1), there is no gene copy, or the genealogy cannot be
    // completed.
    int build_tree_struct_pop(Samples& samples, const double& theta, const double& fst, int D);
    // Hierarchical island model of g groups of d demes for the populations of
    // the structure (group k of the structure in simulated group k); samples
    // and theta are not used. 0 unless both migration rates lie in (0, 1), or
    // (with a line on the log) when the structure does not fit the model.
    int build_tree_struct_pop(Samples& samples, const Structure& structure,
                              const double& theta, const double& fst, const double& fct,
                              int d, int g);
    // New deme tables (D demes, or g d demes in g groups), all empty; nothing
    // happens for 0 demes.
    void createDemes(migrationModel model, const int& D);
    void createDemes(migrationModel model, int d, int g);
    // Allocate the tree for the sampled gene copies and place each sample in a
    // deme of its own: 1, or 0 when there is no gene copy, the tree cannot be
    // allocated or (hierarchical) the structure does not fit g groups of d demes.
    int createInitialNodes(Samples& samples);
    int createInitialNodes(const Structure& structure, int d, int g);
    // One event of the structured process.
    void sendMigrant();
    void sendMigrant2Levels(int d, int g, double m1, double m2);
    void coalesceWithinAPop(const double& t);
    // Empties the deme bookkeeping; the tables stay for the next tree.
    void cleanDemes();

    // --- Mutations and identical tips (mutations.cpp) ---
    // Draws the node below whose branch a single mutation falls, in proportion
    // to branch length among the nodes whose share num_desc/n of the tips is
    // at least minFreq. The candidates are collected only when matchingNodes
    // is empty. Null when no candidate can be drawn. The int is not used.
    TNode* getRootNodeForMutation(int, const double& minFreq);
    void getListofMatchingNodesNoRec(TNode* node, MY_TIArrayAsVector<TNode>& list,
                                     MY_TArrayAsVector<double>& weights, double& total,
                                     const double& minFreq);

    // The per-replicate preparation of the site tables, shared by the
    // mutation routines of the samples and of the selection scan: an empty
    // TNode::hits gets numSites zeros, one of numSites entries is zeroed, any
    // other size is refused (WARNING 177 from `caller`, result 0); with
    // gammaA != 0 the site rates are built, or redrawn. 1 when ready.
    int prepare_site_tables(const int& numSites, const double& gammaA, const double& b,
                            const double& p, const char* caller);
    // prepare_site_tables, then add_mutations on the root with no mutation of
    // its own. Returns the number of mutations placed (0 when refused).
    int sprinkle_mutations(const double& rate, const int& numSites, const Mut_Type& model,
                           const double& gammaA, const double& b, const double& p,
                           const double& transition, const char* caller);

    // sprinkle_mutations for a replicate that is only measured: the same
    // draws, hits and result, but no node's states are written: the hit sites
    // and each node's mutations go to the ledger (hit_site_ledger). Beyond the
    // numSites ancestral draws and the zeroed hit table, the work grows with
    // the nodes and the mutations, not with nodes x numSites. When the site
    // tables are refused (WARNING 177 from `caller`) the result is 0 and the
    // ledger empty, as it is after allocate_tree.
    int sprinkle_mutations_at_hit_sites(const double& rate, const int& numSites,
                                        const Mut_Type& model, const double& gammaA,
                                        const double& b, const double& p,
                                        const double& transition, const char* caller);
    // What the last sprinkle_mutations_at_hit_sites recorded: the hit sites
    // and the mutations of each node, nodes in pre-order.
    const MutationLedger& hit_site_ledger() const { return ledger; }
    // Gives each tip its states at the hit sites of the last
    // sprinkle_mutations_at_hit_sites (num_sites of them, in the order of the
    // ledger's columns; none when no site was hit), in O(nodes x hit sites).
    // The internal nodes' states are left as they were.
    void write_tip_hit_states();

    // Marks the first tip of each sequence distinct, with the number of tips
    // that carry it in hapl_count, and the others not distinct; over all tips
    // or tips start .. start+count-1. Returns 1.
    int compute_hapl_freq();
    int compute_hapl_freq(int start, int count);
    // The sites, in order, at which some tip differs from the first, as the
    // last compute_hapl_freq found them; empty when its tips had different
    // numbers of sites.
    const std::vector<int>& differing_sites() const { return variable_sites; }

    // The distinct tips, each with its number (from 1), its count and its
    // states; nothing when the tips carry no sites.
    void print_sequences(std::ostream& os, const Mut_Type& model);

private:
    int allocated_tips;   // tips the node array was made for
    int deme_tables;      // demes the deme tables hold
    TListNode lineages;   // working lists of the builders, reused
    TListNode emigrants;
    std::vector<int> deme_order;  // scratch of the deme placement
    std::vector<int> desc_ids;    // tip ids in left-first order (descendant lists)
    std::vector<int> desc_first;  // per node, the start of its run in desc_ids
    // Scratch of compute_hapl_freq: per tip its hash and index, the sites at
    // which the tips differ.
    std::vector<std::pair<std::uint64_t, int>> tip_keys;
    std::vector<int> site_mask;
    std::vector<int> variable_sites;
    // The ledger of sprinkle_mutations_at_hit_sites, and the internal nodes'
    // states at the hit sites (scratch of write_tip_hit_states).
    MutationLedger ledger;
    std::vector<int> node_hit_states;

    void reset_structured_build();
    int place_sample(int deme, int first_tip, int size);
    int run_structured_events(bool two_levels, double m1, double m2);
    TNode* remove_random_lineage(double u, int& deme);
    void add_lineage(TNode* node, int deme);
    void update_deme_rate(int deme);
};

// A tree with a one-step builder: Kingman's coalescent followed by a sudden
// change of size, with progress lines on the log.
class TGenealogy : public TTree {
public:
    // Makes and builds the genealogy of n tips, then applies the change of
    // size by the factor f at time T (bottleneck); the stream and the first
    // double are not used. 1, or 0 when the tree cannot be made.
    int build_genealogy(std::ostream& os, int n, double unused, double T, double f);
};

#endif
