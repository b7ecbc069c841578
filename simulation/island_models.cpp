// Genealogies of subdivided populations: the finite island model (Wright
// 1931) and the hierarchical island model of demes in groups (Slatkin and
// Voelm 1991), simulated event by event as in Hudson (1990). Time is counted
// in units of N generations, N = 1000 being the haploid size of a deme:
// within a deme of k lineages pairs coalesce at total rate k(k-1)/2, and
// each lineage migrates at rate m N.

#include <cmath>
#include <new>

#include "core/errors.h"
#include "core/random.h"
#include "project/samples.h"
#include "project/structure.h"
#include "simulation/ttree.h"

namespace {

const double DEME_SIZE = 1000.0;
const char* const UNABLE = "\tTTree::build_tree_struct_pop(): unable to build Tree\n";

void write_log(const char* text)
{
    if (_ZOS_)
        *_ZOS_ << text;
}

int gene_copies(const Population* sample)
{
    return sample && sample->SampleSize > 0.0 ? static_cast<int>(sample->SampleSize) : 0;
}

}  // namespace

int TTree::build_tree_struct_pop(Samples& samples, const double&, const double& fst, int D)
{
    reset_structured_build();
    num_demes = D;
    // Outside (0, 1) the migration rate is 0 or negative: the demes would
    // never exchange lineages and the genealogy could not be completed.
    if (!(fst > 0.0 && fst < 1.0) || !createInitialNodes(samples)) {
        write_log(UNABLE);
        return 0;
    }
    mig_rate = (num_demes - 1.0) * (1.0 / fst - 1.0) / (2.0 * deme_size * num_demes);
    mig_rate_total = num_tips * mig_rate * deme_size;
    return run_structured_events(false, 0.0, 0.0);
}

int TTree::build_tree_struct_pop(Samples&, const Structure& structure, const double&,
                                 const double& fst, const double& fct, int d, int g)
{
    reset_structured_build();
    if (!createInitialNodes(structure, d, g))
        return 0;
    num_groups = g;
    const double N = deme_size;
    double fsc = 0.0;
    double m1 = 0.0;
    if (fct != 1.0) {
        fsc = 1.0 - (1.0 - fst) / (1.0 - fct);
        if (d != 0 && fsc != 0.0)
            m1 = (d - 1.0) * (1.0 / fsc - 1.0) / (2.0 * d * N);
    }
    double m2 = (g - 1.0) * (1.0 - fct) * fsc * m1 / ((d - 1.0) * fct * g);
    mig_rate = m1 + m2;
    if (!(m1 > 0.0 && m1 < 1.0 && m2 > 0.0 && m2 < 1.0))
        return 0;
    mig_rate_total = mig_rate * num_tips * N;
    return run_structured_events(true, m1, m2);
}

void TTree::reset_structured_build()
{
    deme_size = DEME_SIZE;
    TNode::node_count = 0;
    TNode::_tot_mut = 0;
    TNode::hits.count = 0;
}

// Coalescences and migrations until one lineage is left; 0, after a line on
// the log, when the process stops earlier (no event can happen).
int TTree::run_structured_events(bool two_levels, double m1, double m2)
{
    long seed = 1;
    double t = 0.0;
    double total = coal_rate_total + mig_rate_total;
    while (num_active > 1 && total > 0.0) {
        t -= std::log(1.0 - ran3(&seed)) / total;
        if (coal_rate_total <= total * ran3(&seed)) {
            if (two_levels)
                sendMigrant2Levels(demes_per_group, num_groups, m1, m2);
            else
                sendMigrant();
        } else {
            coalesceWithinAPop(t);
        }
        total = coal_rate_total + mig_rate_total;
    }
    if (num_active > 1) {
        write_log(UNABLE);
        return 0;
    }
    return 1;
}

void TTree::createDemes(migrationModel model, const int& D)
{
    int count = model == ISLAND ? D : (model == LATTICE ? D * D : 0);
    if (count <= 0)
        return;
    try {
        deme_lineages.assign(count, 0);
        occupied_demes.assign(count, -1);
        deme_coal_rates.assign(count, 0.0);
        deme_lists.reset(new MY_TIArrayAsVector<TNode>[count]);
    } catch (std::bad_alloc const&) {
        deme_lists.reset();
        deme_tables = 0;
        E.error(MEMORY, "TTree::createDemes()", 0);
        return;
    }
    for (int i = 0; i < count; ++i)
        deme_lists[i].owns = 0;
    deme_tables = count;
    num_occupied = 0;
    coal_rate_total = 0.0;
}

void TTree::createDemes(migrationModel, int d, int g)
{
    if (d <= 0 || g <= 0)
        return;
    createDemes(ISLAND, d * g);
    if (deme_tables != d * g)
        return;
    num_demes = d * g;
    demes_per_group = d;
    group_demes.assign(g, std::vector<int>(d));
    for (int k = 0; k < g; ++k)
        for (int i = 0; i < d; ++i)
            group_demes[k][i] = k * d + i;
}

int TTree::createInitialNodes(Samples& samples)
{
    const int s = samples.Populations.count;
    num_sampled_demes = s;
    int D = static_cast<int>(num_demes);
    if (D < s)
        D = s + 20;
    num_demes = D;
    if (D <= 0)
        return 0;
    if (deme_tables < D)
        createDemes(ISLAND, D);
    cleanDemes();
    int total = 0;
    for (int i = 0; i < s; ++i)
        total += gene_copies(samples.Populations[i]);
    if (deme_tables < D || !allocate_tree(total))
        return 0;
    long seed = 1;
    deme_order.resize(D);
    for (int i = 0; i < D; ++i)
        deme_order[i] = i;
    int left = D;  // demes not yet given a sample
    int tip = 0;
    for (int i = 0; i < s; ++i) {
        int slot = static_cast<int>(left * ran3(&seed));
        int deme = deme_order[slot];
        deme_order[slot] = deme_order[--left];
        tip = place_sample(deme, tip, gene_copies(samples.Populations[i]));
    }
    return 1;
}

int TTree::createInitialNodes(const Structure& structure, int d, int g)
{
    demes_per_group = d;
    int s = 0;
    bool fits = d >= 1 && g >= 1 && structure.NbGroups <= g
                && (structure.NbGroups == 0 || structure.Groups);
    for (int k = 0; fits && k < structure.NbGroups; ++k) {
        s += structure.Groups[k].count;
        fits = structure.Groups[k].count <= d;
    }
    if (!fits) {
        write_log(UNABLE);
        write_log("\tthe structure has more groups, or more populations in a group, "
                  "than the simulated groups and demes\n");
        return 0;
    }
    num_sampled_demes = s;
    if (deme_tables < d * g || static_cast<int>(group_demes.size()) != g
        || static_cast<int>(group_demes[0].size()) != d)
        createDemes(ISLAND, d, g);
    cleanDemes();
    num_demes = d * g;
    int total = 0;
    for (int k = 0; k < structure.NbGroups; ++k)
        for (int i = 0; i < structure.Groups[k].count; ++i)
            total += gene_copies(structure.Groups[k][i]);
    if (deme_tables < d * g || !allocate_tree(total))
        return 0;
    long seed = 1;
    int tip = 0;
    for (int k = 0; k < structure.NbGroups; ++k) {
        ran3(&seed);  // drawn for each group; the placement does not use it
        deme_order = group_demes[k];
        int left = d;
        for (int i = 0; i < structure.Groups[k].count; ++i) {
            int slot = static_cast<int>(left * ran3(&seed));
            int deme = deme_order[slot];
            deme_order[slot] = deme_order[--left];
            tip = place_sample(deme, tip, gene_copies(structure.Groups[k][i]));
        }
    }
    return 1;
}

// Lists the `size` tips from first_tip in the deme; returns the next tip.
int TTree::place_sample(int deme, int first_tip, int size)
{
    for (int i = 0; i < size; ++i)
        add_lineage(&nodes[first_tip + i], deme);
    return first_tip + size;
}

void TTree::sendMigrant()
{
    const int D = static_cast<int>(num_demes);
    if (D < 2 || num_active < 1)
        return;
    long seed = 1;
    int from = 0;
    TNode* migrant = remove_random_lineage(ran3(&seed), from);
    int to;
    do
        to = static_cast<int>(D * ran3(&seed));
    while (to == from);
    add_lineage(migrant, to);
}

void TTree::sendMigrant2Levels(int d, int g, double m1, double m2)
{
    // Both levels need somewhere else to go: at least two demes per group
    // and two groups (the rates of the model are 0 otherwise).
    if (m1 + m2 == 0.0 || d < 2 || g < 2 || num_active < 1)
        return;
    long seed = 1;
    double level = ran3(&seed);
    int from = 0;
    TNode* migrant = remove_random_lineage(ran3(&seed), from);
    const int group = from / d;
    int to;
    if (level < m1 / (m1 + m2)) {
        int deme;
        do
            deme = static_cast<int>(d * ran3(&seed));
        while (deme == from % d);
        to = group * d + deme;
    } else {
        double u = ran3(&seed);
        int other = static_cast<int>(g * u);
        u = ran3(&seed);
        while (other == group) {
            other = static_cast<int>(g * u);
            u = ran3(&seed);
        }
        to = other * d + static_cast<int>(d * u);
    }
    add_lineage(migrant, to);
}

void TTree::coalesceWithinAPop(const double& t)
{
    long seed = 1;
    double target = ran3(&seed) * coal_rate_total;
    // The first deme, in the order of the occupied list, at which the running
    // sum of the rates reaches the target; only demes with a pair count.
    int chosen = -1;
    double sum = 0.0;
    for (int o = 0; o < num_occupied; ++o) {
        int deme = occupied_demes[o];
        if (deme_lineages[deme] < 2)
            continue;
        chosen = deme;
        sum += deme_coal_rates[deme];
        if (sum >= target)
            break;
    }
    if (chosen < 0)
        return;
    TNode& node = nodes[2 * num_tips - num_active];
    node.time = t;
    MY_TIArrayAsVector<TNode>& list = deme_lists[chosen];
    node.coalesce_pair(list.data, list.count, &seed);
    list.data[--list.count] = nullptr;
    --num_active;
    --deme_lineages[chosen];
    update_deme_rate(chosen);
    mig_rate_total = num_active * mig_rate * deme_size;
}

void TTree::cleanDemes()
{
    num_occupied = 0;
    coal_rate_total = 0.0;
    for (int i = 0; i < deme_tables; ++i) {
        deme_lineages[i] = 0;
        occupied_demes[i] = -1;
        deme_coal_rates[i] = 0.0;
        deme_lists[i].Flush();
    }
}

// The lineage of index (int)(num_active u), counted deme by deme in the order
// of the occupied list, leaves its deme (whose last lineage takes its slot).
TNode* TTree::remove_random_lineage(double u, int& deme)
{
    int index = static_cast<int>(num_active * u);
    int o = 0;
    while (o < num_occupied - 1 && index >= deme_lineages[occupied_demes[o]]) {
        index -= deme_lineages[occupied_demes[o]];
        ++o;
    }
    deme = occupied_demes[o];
    MY_TIArrayAsVector<TNode>& list = deme_lists[deme];
    if (index >= list.count)
        index = list.count - 1;
    TNode* node = list.data[index];
    list.data[index] = list.data[list.count - 1];
    list.data[--list.count] = nullptr;
    if (--deme_lineages[deme] == 0)
        occupied_demes[o] = occupied_demes[--num_occupied];
    update_deme_rate(deme);
    return node;
}

void TTree::add_lineage(TNode* node, int deme)
{
    if (deme_lineages[deme] == 0)
        occupied_demes[num_occupied++] = deme;
    deme_lists[deme].Add(node);
    ++deme_lineages[deme];
    update_deme_rate(deme);
}

void TTree::update_deme_rate(int deme)
{
    double k = deme_lineages[deme];
    coal_rate_total -= deme_coal_rates[deme];
    deme_coal_rates[deme] = 0.5 * k * (k - 1.0);
    coal_rate_total += deme_coal_rates[deme];
}
