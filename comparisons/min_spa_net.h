// The minimum spanning network between the OTUs (haplotypes) of a distance
// matrix: a minimum spanning tree found by Prim's method from OTU 0, plus the
// links of equal length that could stand in for a tree link.
//
// The tree is also kept as a rooted binary tree of TListElem nodes: linking
// OTU b to OTU a turns a's current leaf into an inner node whose first son is
// a new leaf of a and whose second son is a leaf of b; the inner node holds
// the link length. Every OTU is thus one chain of nodes joined by first sons,
// and a branch to a first son has length 0. The tree tests the alternative
// links and gives the NEXUS (Newick) text.
//
// OTUs are the rows of the matrix; the distance of i and j is read below the
// diagonal, at row max(i, j) and column min(i, j), so a matrix holding
// standard deviations above its diagonal can be given as it is.
#ifndef DROV_COMPARISONS_MIN_SPA_NET_H
#define DROV_COMPARISONS_MIN_SPA_NET_H

#include <functional>
#include <ostream>
#include <unordered_map>
#include <vector>

#include "core/pointer_arrays.h"
#include "core/rectmat.h"
#include "core/value_array.h"
#include "model/haplo_db.h"
#include "model/haplo_def.h"

class TListElem {
public:
    TListElem* parent;      // null at the root
    TListElem* first_son;   // owned; the same OTU further down its chain
    TListElem* second_son;  // owned; the OTU linked here
    int otu;
    double length;          // of the link to the second son's OTU; 0.0 for a leaf
    bool parent_visited;    // search flags of CheckGivenLinkLength
    bool first_son_visited;
    bool second_son_visited;

    TListElem(TListElem* parent, int otu);
    ~TListElem();
    TListElem(TListElem const&) = delete;
    TListElem& operator=(TListElem const&) = delete;

    // Links OTU b below the leaf of OTU a's chain; done tells whether a was
    // found in this subtree.
    void AddSon(int a, int b, double len, bool& done);
    // Tests the link a-b of length len: a search from the first node (in
    // pre-order) of either end for the other end; match is set when a node
    // of the search path holds a link of length len.
    void CheckGivenLinkLength(int a, int b, double len, bool& started, bool& match);
    void FindSecondOTU(int target, double len, bool& found, bool& match);
    void ResetAllFlags();

    // The Newick text of the subtree; the root ends it with ";\n". OTU k is
    // labelled by the id of haplotype k of the list (its number when the list
    // is shorter).
    void print_tree_structure(std::ostream& out, Haplo_DB const& labels) const;
    void print_tree_structure(std::ostream& out, MY_TIArrayAsVector<PHaploDef> const& labels) const;

private:
    void print_subtree(std::ostream& out, std::function<void(std::ostream&, int)> const& label) const;
};

class TMinSpaNet {
public:
    // Link k (0 <= k < n-1): otu1[k] was in the tree, otu2[k] joins it with
    // link_length[k]. otu1[k] is -1 when no tree OTU was nearer than the
    // largest float (distances that are not numbers): such a link is left
    // out of the tree, the tables and the tests.
    MY_TArrayAsVector<int> otu1;
    MY_TArrayAsVector<int> otu2;
    MY_TArrayAsVector<double> link_length;
    // One list per OTU: j in the list of i stands for the alternative link
    // i-j. Null before MakeNetwork.
    MY_TArrayAsVector<int>* alt_links;
    RectMat* dist_mat;  // not owned; must outlive the network
    TListElem* tree;    // owned root; null before MakeNetwork and for 0 OTUs

    explicit TMinSpaNet(RectMat* distances);
    ~TMinSpaNet();
    TMinSpaNet(TMinSpaNet const&) = delete;
    TMinSpaNet& operator=(TMinSpaNet const&) = delete;

    // Builds (again) the tree, its links and the alternative links over the
    // min(rows, columns) OTUs of the matrix; 1.
    int MakeNetwork();
    // Number of OTUs of the last MakeNetwork.
    int size() const { return num_otus; }

    // "#NEXUS", the trees block with the tree named name + "_MST" (blanks
    // and tabs dropped) and its Newick text, labelled by the list's ids.
    void printMST(std::ostream& out, const char* name, Haplo_DB const& labels);
    void printMST(std::ostream& out, const char* name, MY_TIArrayAsVector<PHaploDef> const& labels);
    // The tree links, OTUs numbered from 1, with their lengths.
    void PrintNetwork(std::ostream& out);

    // The distance of OTUs i and j, read below the diagonal.
    double distance(int i, int j) const;

private:
    int num_otus = 0;
    // Position of each OTU in each alternative-link list.
    std::vector<std::unordered_map<int, int>> alt_position;

    void free_network();
    bool listed(int i, int j) const;
    void append_link(int i, int j);
    void remove_link(int i, int j);
    void add_candidate_links(int k, int v);
    void drop_tree_and_duplicate_links();
    void test_alternative_links();
    // The outcome of CheckGivenLinkLength for every listed pair, found with
    // one search walk per start node instead of one per pair.
    std::unordered_map<long long, bool> link_tests() const;
    void print_nexus(std::ostream& out, const char* name,
                     std::function<void(std::ostream&)> const& newick);
};

// The tables of a network report: the title, the citation of the method, the
// tree links, their NEXUS text (written by `nexus`) and the alternative
// links, for `num_otus` OTUs labelled by `label` in columns of `width`.
// `line_after_links` adds a line end after the last tree link.
void print_spanning_network(std::ostream& out, TMinSpaNet const& net, int num_otus, int width,
                            std::function<my_string const&(int)> const& label,
                            std::function<void()> const& nexus, bool line_after_links);

// Fixed notation with the decimal point shown, right-aligned, with
// `decimals` decimals: the number format of the distance tables, left on the
// stream afterwards.
void fixed_notation(std::ostream& out, int decimals);

// The column width of the network tables: 4 more than the longest id, at least 8.
int network_label_width(int longest_id);

#endif
