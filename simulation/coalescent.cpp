// Genealogies of a single population: Kingman's coalescent (Kingman 1982;
// Hudson 1990), a sudden change of size (Rogers and Harpending 1992) and a
// range expansion in which lineages leave the sampled deme until the
// expansion. Times are in coalescent units: k lineages coalesce at total
// rate k(k-1)/2.

#include <cmath>

#include "core/errors.h"
#include "core/random.h"
#include "simulation/ttree.h"

namespace {

// Waiting time of an exponential of the given rate, from a uniform u in [0, 1).
double waiting_time(double u, double rate)
{
    return -std::log(1.0 - u) / rate;
}

}  // namespace

int TTree::build_tree()
{
    if (!has_nodes() || !lineages.fill(num_tips, &nodes[0]))
        return 0;
    const int n = num_tips;
    num_active = n;
    long seed = 1;
    // All the times first, then the topology, as the pair of an event is
    // independent of its time.
    double t = 0.0;
    for (int k = n; k >= 2; --k) {
        t += waiting_time(ran3(&seed), 0.5 * k * (k - 1.0));
        nodes[2 * n - k].time = t;
    }
    for (int k = n; k >= 2; --k) {
        nodes[2 * n - k].coalesce_pair(lineages.list.data(), k, &seed);
        --lineages.count;
    }
    num_active = 1;
    return 1;
}

int TTree::build_tree_range_exp(const double& T, const double& M)
{
    if (!has_nodes() || !lineages.fill(num_tips, &nodes[0]) || !emigrants.fill(num_tips, nullptr))
        return 0;
    const int n = num_tips;
    long seed = 1;
    int next = n;  // the next internal node
    double t = 0.0;
    auto coalesce = [&](double time) {
        TNode& node = nodes[next++];
        node.time = time;
        node.coalesce_pair(lineages.list.data(), lineages.count, &seed);
        --lineages.count;
    };
    while (lineages.count + emigrants.count > 1) {
        int k = lineages.count;
        if (t < T) {
            // In the sampled deme a lineage emigrates at rate M, a pair
            // coalesces at rate 1; a deme without such events waits for T.
            double rate = k * (0.5 * (k - 1) + M);
            double next_t = k > 0 && rate > 0.0 ? t + waiting_time(ran3(&seed), rate) : T;
            if (next_t >= T) {
                for (int i = 0; i < emigrants.count; ++i)
                    lineages.push(emigrants.list[i]);
                emigrants.count = 0;
                t = T;
                continue;
            }
            if (ran3(&seed) < 2.0 * M / (k - 1 + 2.0 * M))
                emigrants.push(lineages.take(static_cast<int>(k * ran3(&seed))));
            else
                coalesce(next_t);
            t = next_t;
        } else {
            t += waiting_time(ran3(&seed), 0.5 * k * (k - 1.0));
            coalesce(t);
        }
    }
    num_active = 1;
    return 1;
}

int TTree::bottleneck(double T, double f)
{
    if (!has_nodes())
        return 0;
    for (int i = num_tips; i < 2 * num_tips - 1; ++i)
        if (nodes[i].time > T)
            nodes[i].time = T + (nodes[i].time - T) * f;
    return 1;
}

int TTree::scale_to_num_generations(const int& N)
{
    if (!has_nodes())
        return 0;
    for (int i = num_tips; i < 2 * num_tips - 1; ++i)
        nodes[i].time *= N;
    return 1;
}

int TGenealogy::build_genealogy(std::ostream&, int n, double, double T, double f)
{
    std::ostream* log = _ZOS_ && _ZOS_->good() ? _ZOS_ : nullptr;
    if (log)
        *log << "Building tree structure\n";
    if (!allocate_tree(n) || !build_tree())
        return 0;
    if (log)
        *log << "Done !\n" << "Applying bottleneck: Factor " << f << ", Time : " << T << "\n";
    bottleneck(T, f);
    if (log)
        *log << "Done !\n" << "Sould never be called" << std::endl;
    return 1;
}
