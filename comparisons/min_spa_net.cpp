// Minimum spanning tree by Prim's method (Prim 1957) and its extension into
// a minimum spanning network by the alternative links of equal length.

#include "comparisons/min_spa_net.h"

#include <algorithm>
#include <cfloat>
#include <new>

#include "core/errors.h"
#include "project/result_tree.h"

// ---------------------------------------------------------------- TListElem

TListElem::TListElem(TListElem* parent_node, int otu_number)
    : parent(parent_node), first_son(nullptr), second_son(nullptr), otu(otu_number), length(0.0),
      parent_visited(false), first_son_visited(false), second_son_visited(false)
{
}

TListElem::~TListElem()
{
    delete second_son;
    delete first_son;
}

// The first node met for a is where a was attached; from there the link goes
// down a's chain of first sons to its leaf.
void TListElem::AddSon(int a, int b, double len, bool& done)
{
    if (otu != a) {
        if (first_son)
            first_son->AddSon(a, b, len, done);
        if (!done && second_son)
            second_son->AddSon(a, b, len, done);
        return;
    }
    if (first_son) {
        first_son->AddSon(a, b, len, done);
        return;
    }
    if (second_son)
        return;
    try {
        first_son = new TListElem(this, a);
        second_son = new TListElem(this, b);
    } catch (std::bad_alloc const&) {
        delete first_son;
        delete second_son;
        first_son = second_son = nullptr;
        E.error(MEMORY, "TListElem::AddSon", 0);
        return;
    }
    length = len;
    done = true;
}

void TListElem::CheckGivenLinkLength(int a, int b, double len, bool& started, bool& match)
{
    if (otu == a || otu == b || match) {
        if (!started) {
            started = true;
            bool found = false;
            FindSecondOTU(otu == a ? b : a, len, found, match);
        }
        return;
    }
    if (first_son)
        first_son->CheckGivenLinkLength(a, b, len, started, match);
    if (second_son)
        second_son->CheckGivenLinkLength(a, b, len, started, match);
}

// Each node takes each of its three ways at most once per search; once the
// target is found every node of the search path compares its own link.
void TListElem::FindSecondOTU(int target, double len, bool& found, bool& match)
{
    if (otu == target) {
        if (found && length == len)
            match = true;
        found = true;
        return;
    }
    if (first_son && !first_son_visited && !found) {
        first_son_visited = true;
        first_son->FindSecondOTU(target, len, found, match);
    }
    if (!found && second_son && !second_son_visited) {
        second_son_visited = true;
        second_son->FindSecondOTU(target, len, found, match);
    }
    if (parent && !parent_visited && !found) {
        parent_visited = true;
        parent->FindSecondOTU(target, len, found, match);
    }
    if (found && length == len)
        match = true;
}

void TListElem::ResetAllFlags()
{
    parent_visited = first_son_visited = second_son_visited = false;
    if (first_son)
        first_son->ResetAllFlags();
    if (second_son)
        second_son->ResetAllFlags();
}

void TListElem::print_subtree(std::ostream& out,
                              std::function<void(std::ostream&, int)> const& label) const
{
    if (first_son && second_son) {
        out << "(";
        first_son->print_subtree(out, label);
        out << ", ";
        second_son->print_subtree(out, label);
        out << ")";
    } else {
        label(out, otu);
    }
    if (!parent) {
        out << ";\n";
        return;
    }
    out << ":";
    if (parent->otu == otu)
        out << "0";
    else
        out << parent->length;
}

void TListElem::print_tree_structure(std::ostream& out, Haplo_DB const& labels) const
{
    print_subtree(out, [&labels](std::ostream& os, int k) {
        if (k < labels.list.count)
            os << result_text(labels.list.data[k]->id);
        else
            os << k;
    });
}

void TListElem::print_tree_structure(std::ostream& out,
                                     MY_TIArrayAsVector<PHaploDef> const& labels) const
{
    print_subtree(out, [&labels](std::ostream& os, int k) {
        if (k < labels.count && labels.data[k]->haplotype)
            os << result_text(labels.data[k]->haplotype->id);
        else
            os << k;
    });
}

// ---------------------------------------------------------------- TMinSpaNet

TMinSpaNet::TMinSpaNet(RectMat* distances)
    : otu1(1, 10), otu2(1, 10), link_length(1, 10), alt_links(nullptr), dist_mat(distances),
      tree(nullptr)
{
}

TMinSpaNet::~TMinSpaNet()
{
    free_network();
}

void TMinSpaNet::free_network()
{
    delete[] alt_links;
    alt_links = nullptr;
    alt_position.clear();
    delete tree;
    tree = nullptr;
    num_otus = 0;
}

double TMinSpaNet::distance(int i, int j) const
{
    return (*dist_mat)(std::max(i, j), std::min(i, j));
}

bool TMinSpaNet::listed(int i, int j) const
{
    return alt_position[i].count(j) != 0;
}

void TMinSpaNet::append_link(int i, int j)
{
    if (listed(i, j))
        return;
    alt_position[i][j] = alt_links[i].count;
    alt_links[i].Add(j);
}

// The list's last entry moves into the freed place: printed orders follow.
void TMinSpaNet::remove_link(int i, int j)
{
    auto found = alt_position[i].find(j);
    if (found == alt_position[i].end())
        return;
    int place = found->second;
    alt_position[i].erase(found);
    MY_TArrayAsVector<int>& list = alt_links[i];
    int last = list[list.count - 1];
    --list.count;
    if (place < list.count) {
        list[place] = last;
        alt_position[i][last] = place;
    }
}

int TMinSpaNet::MakeNetwork()
{
    free_network();
    const int n = std::min(dist_mat->nrows, dist_mat->ncols);
    try {
        otu1.Resize(std::max(n, 1));
        otu2.Resize(std::max(n, 1));
        link_length.Resize(std::max(n, 1));
        if (n == 0)
            return 1;
        alt_links = new MY_TArrayAsVector<int>[n];
        alt_position.assign(n, {});
        tree = new TListElem(nullptr, 0);
    } catch (std::bad_alloc const&) {
        free_network();
        E.error(MEMORY, "TMinSpaNet::MakeNetwork()", 0);
        return 1;
    }
    num_otus = n;

    std::vector<int> order(n);
    std::vector<double> best(n, FLT_MAX);
    std::vector<int> nearest(n, -1);
    for (int i = 0; i < n; ++i)
        order[i] = i;
    int m = 0;
    for (int k = 0; k + 1 < n; ++k) {
        int u = order[m];
        order[m] = order[k];
        // On equal distances the tree OTU that joined first stays the
        // nearest, and the lowest slot is chosen.
        int chosen = k + 1;
        for (int j = k + 1; j < n; ++j) {
            int v = order[j];
            double d = distance(u, v);
            if (d < best[v]) {
                best[v] = d;
                nearest[v] = u;
            }
            if (best[v] < best[order[chosen]])
                chosen = j;
        }
        m = chosen;
        int v = order[m];
        otu1[k] = nearest[v];
        otu2[k] = v;
        link_length[k] = best[v];
        bool done = false;
        if (nearest[v] >= 0)
            tree->AddSon(nearest[v], v, best[v], done);
        if (!done) {
            E.error(WARNING, "TMinSpaNet::MakeNetwork()", 204);
            continue;
        }
        add_candidate_links(k, v);
    }
    drop_tree_and_duplicate_links();
    test_alternative_links();
    return 1;
}

void TMinSpaNet::add_candidate_links(int k, int v)
{
    for (int i = 0; i < num_otus; ++i)
        if (i != otu1[k] && distance(v, i) == link_length[k])
            append_link(v, i);
}

namespace {

std::vector<int> sorted_entries(MY_TArrayAsVector<int> const& list)
{
    std::vector<int> entries(list.data, list.data + list.count);
    std::sort(entries.begin(), entries.end());
    return entries;
}

long long pair_key(int i, int j)
{
    return static_cast<long long>(std::min(i, j)) << 32 | static_cast<unsigned>(std::max(i, j));
}

}  // namespace

// Tree links are no alternatives; a link listed by both ends stays with the
// end met first, and an OTU's link to itself goes.
void TMinSpaNet::drop_tree_and_duplicate_links()
{
    for (int k = 0; k + 1 < num_otus; ++k) {
        if (otu1[k] < 0)
            continue;
        remove_link(otu1[k], otu2[k]);
        remove_link(otu2[k], otu1[k]);
    }
    for (int c = 0; c < num_otus; ++c)
        for (int b : sorted_entries(alt_links[c]))
            if (listed(c, b))
                remove_link(b, c);
}

void TMinSpaNet::test_alternative_links()
{
    std::unordered_map<long long, bool> matches = link_tests();
    for (int i = 0; i < num_otus; ++i)
        for (int j : sorted_entries(alt_links[i])) {
            if (!listed(i, j) || matches[pair_key(i, j)])
                continue;
            remove_link(i, j);
            remove_link(j, i);
        }
}

// CheckGivenLinkLength searches from the first node (in pre-order) of either
// end of a link; the walk from a given start node is the same whatever it
// looks for, until it meets the OTU it looks for. One walk per start node
// therefore answers all its links: when the walk first meets an OTU, the
// nodes of the search path are the frames on the walk's stack, and a link
// matches when one of them holds its length. This keeps the tests quadratic
// where one search per link would be cubic in the number of OTUs.
std::unordered_map<long long, bool> TMinSpaNet::link_tests() const
{
    // The tree in pre-order, as arrays.
    std::vector<TListElem const*> nodes;
    std::vector<int> parent_of, first_of, second_of;
    std::vector<TListElem const*> pending{tree};
    std::unordered_map<TListElem const*, int> id_of;
    while (!pending.empty()) {
        TListElem const* x = pending.back();
        pending.pop_back();
        id_of[x] = static_cast<int>(nodes.size());
        nodes.push_back(x);
        if (x->second_son)
            pending.push_back(x->second_son);
        if (x->first_son)
            pending.push_back(x->first_son);
    }
    const int size = static_cast<int>(nodes.size());
    std::vector<int> top(num_otus, -1);
    std::unordered_map<double, int> length_ids;
    std::vector<int> length_id(size);
    for (int x = 0; x < size; ++x) {
        TListElem const* e = nodes[x];
        parent_of.push_back(e->parent ? id_of[e->parent] : -1);
        first_of.push_back(e->first_son ? id_of[e->first_son] : -1);
        second_of.push_back(e->second_son ? id_of[e->second_son] : -1);
        if (top[e->otu] < 0)
            top[e->otu] = x;
        length_id[x] = length_ids.emplace(e->length, static_cast<int>(length_ids.size())).first->second;
    }

    struct Query {
        int target;
        int length;  // id of the link length among the node lengths; -1: none holds it
        long long key;
    };
    std::unordered_map<long long, bool> matches;
    std::unordered_map<int, std::vector<Query>> by_start;
    for (int i = 0; i < num_otus; ++i)
        for (int c = 0; c < alt_links[i].count; ++c) {
            int j = alt_links[i][c];
            long long key = pair_key(i, j);
            matches[key] = false;
            if (top[i] < 0 || top[j] < 0)
                continue;
            auto len = length_ids.find(distance(i, j));
            if (len == length_ids.end())
                continue;
            int start = std::min(top[i], top[j]);
            int target = nodes[start]->otu == i ? j : i;
            by_start[start].push_back({target, len->second, key});
        }

    std::vector<int> on_stack(length_ids.size());
    std::vector<char> first_flag(size), second_flag(size), parent_flag(size), met(num_otus);
    struct Frame {
        int node;
        int way;  // next way to try: first son, second son, parent
    };
    std::vector<Frame> stack;
    for (auto& [start, queries] : by_start) {
        std::unordered_map<int, std::vector<Query const*>> by_target;
        for (Query const& q : queries)
            by_target[q.target].push_back(&q);
        std::fill(first_flag.begin(), first_flag.end(), 0);
        std::fill(second_flag.begin(), second_flag.end(), 0);
        std::fill(parent_flag.begin(), parent_flag.end(), 0);
        std::fill(met.begin(), met.end(), 0);
        std::fill(on_stack.begin(), on_stack.end(), 0);
        size_t left = by_target.size();
        auto enter = [&](int x) {
            int otu = nodes[x]->otu;
            if (!met[otu]) {
                met[otu] = 1;
                auto waiting = by_target.find(otu);
                if (waiting != by_target.end()) {
                    for (Query const* q : waiting->second)
                        matches[q->key] = on_stack[q->length] > 0;
                    --left;
                }
            }
            stack.push_back({x, 0});
            ++on_stack[length_id[x]];
        };
        stack.clear();
        enter(start);
        while (!stack.empty() && left > 0) {
            Frame& f = stack.back();
            int x = f.node;
            int way = f.way++;
            if (way == 0 && first_of[x] >= 0 && !first_flag[x]) {
                first_flag[x] = 1;
                enter(first_of[x]);
            } else if (way == 1 && second_of[x] >= 0 && !second_flag[x]) {
                second_flag[x] = 1;
                enter(second_of[x]);
            } else if (way == 2 && parent_of[x] >= 0 && !parent_flag[x]) {
                parent_flag[x] = 1;
                enter(parent_of[x]);
            } else if (way >= 3) {
                --on_stack[length_id[x]];
                stack.pop_back();
            }
        }
    }
    return matches;
}

void TMinSpaNet::print_nexus(std::ostream& out, const char* name,
                             std::function<void(std::ostream&)> const& newick)
{
    my_string tree_name(name);
    tree_name.remove_blanks();
    out << "#NEXUS\n"
        << "begin trees;  [NEXUS Treefile section generated by Drovalen]\n"
        << "tree " << result_text(tree_name) << "_MST = [&amp;U] ";
    if (tree)
        newick(out);
    out << "end;\n" << std::endl;
}

void TMinSpaNet::printMST(std::ostream& out, const char* name, Haplo_DB const& labels)
{
    print_nexus(out, name, [&](std::ostream& os) { tree->print_tree_structure(os, labels); });
}

void TMinSpaNet::printMST(std::ostream& out, const char* name,
                          MY_TIArrayAsVector<PHaploDef> const& labels)
{
    print_nexus(out, name, [&](std::ostream& os) { tree->print_tree_structure(os, labels); });
}

void TMinSpaNet::PrintNetwork(std::ostream& out)
{
    for (int k = 0; k + 1 < num_otus; ++k) {
        if (otu1[k] < 0)
            continue;
        out << otu1[k] + 1 << " - " << otu2[k] + 1 << " : " << link_length[k] << " ("
            << distance(otu1[k], otu2[k]) << ")\n";
    }
}
