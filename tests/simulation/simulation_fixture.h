// What the simulator's tests share: a fixed seed, replicate moments compared
// with their textbook expectations, small genealogies made by hand, and the
// site statistics of the simulated tips.
#ifndef DROV_TESTS_SIMULATION_FIXTURE_H
#define DROV_TESTS_SIMULATION_FIXTURE_H

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/random.h"
#include "simulation/ttree.h"
#include "support/temp_log.h"

// Restarts the one random stream with a negative seed.
inline void seed_ran3(long seed)
{
    ran3(&seed);
}

inline double next_uniform()
{
    long one = 1;
    return ran3(&one);
}

// Sum of 1/i^power for i = 1 .. n-1 (a1 and a2 of Watterson 1975).
inline double harmonic(int n, int power = 1)
{
    double sum = 0.0;
    for (int i = 1; i < n; ++i)
        sum += 1.0 / std::pow(i, power);
    return sum;
}

// Mean and standard error of replicate values.
class ReplicateMoments {
public:
    void add(double v)
    {
        ++n_;
        sum_ += v;
        sum_sq_ += v * v;
    }
    int count() const { return n_; }
    double mean() const { return sum_ / n_; }
    double variance() const { return (sum_sq_ - sum_ * sum_ / n_) / (n_ - 1); }
    double se() const { return std::sqrt(variance() / n_); }

private:
    int n_ = 0;
    double sum_ = 0.0;
    double sum_sq_ = 0.0;
};

// The replicate mean lies within 3 standard errors of the expectation; the
// error is the known one (sd / sqrt(replicates)) when given, else estimated.
inline void expect_within_3se(const char* what, const ReplicateMoments& m, double expected,
                              double known_sd = -1.0)
{
    double se = known_sd >= 0.0 ? known_sd / std::sqrt(m.count()) : m.se();
    EXPECT_NEAR(m.mean(), expected, 3.0 * se)
        << what << ": mean " << m.mean() << " over " << m.count() << " replicates, s.e. " << se;
}

// Joins nodes[parent] over nodes[left] and nodes[right] at the given time.
inline void join(TTree& tree, int parent, int left, int right, double time)
{
    TNode& p = tree.nodes[parent];
    p.time = time;
    p.left = &tree.nodes[left];
    p.right = &tree.nodes[right];
    p.parent = nullptr;
    p.left->parent = p.right->parent = &p;
}

// Every node but the root hangs below a parent that lists it and is no
// younger; internal nodes follow their event order; one lineage is left.
inline void expect_finished_tree(TTree& tree)
{
    const int n = tree.num_tips;
    ASSERT_EQ(tree.num_active, 1);
    EXPECT_EQ(tree.root().parent, nullptr);
    for (int i = 0; i < 2 * n - 2; ++i) {
        TNode& node = tree.nodes[i];
        ASSERT_NE(node.parent, nullptr) << "node " << i;
        EXPECT_TRUE(node.parent->left == &node || node.parent->right == &node) << "node " << i;
        EXPECT_GE(node.parent->time, node.time) << "node " << i;
        EXPECT_EQ(i < n, node.left == nullptr && node.right == nullptr) << "node " << i;
    }
    for (int i = n + 1; i < 2 * n - 1; ++i)
        EXPECT_GE(tree.nodes[i].time, tree.nodes[i - 1].time) << "node " << i;
}

// ((0, 1):1.0, 2):3.0, nodes 3 and 4.
inline void make_three_tip_tree(TTree& tree)
{
    ASSERT_EQ(tree.allocate_tree(3), 1);
    join(tree, 3, 0, 1, 1.0);
    join(tree, 4, 3, 2, 3.0);
}

// The tips' states at the sites of tip 0, one vector per tip.
inline std::vector<std::vector<int>> tip_states(const TTree& tree)
{
    std::vector<std::vector<int>> all;
    for (int i = 0; i < tree.num_tips; ++i) {
        const TNode& tip = tree.nodes[i];
        all.emplace_back(tip.states.values, tip.states.values + tip.num_sites);
    }
    return all;
}

// Sites at which the tips do not all agree.
inline int segregating_sites(const TTree& tree)
{
    auto tips = tip_states(tree);
    int s = 0;
    for (std::size_t site = 0; site < tips[0].size(); ++site)
        for (const auto& tip : tips)
            if (tip[site] != tips[0][site]) {
                ++s;
                break;
            }
    return s;
}

// Mean number of differing sites over all pairs of tips.
inline double mean_pairwise_differences(const TTree& tree)
{
    auto tips = tip_states(tree);
    double sum = 0.0;
    int pairs = 0;
    for (std::size_t i = 0; i < tips.size(); ++i)
        for (std::size_t j = i + 1; j < tips.size(); ++j, ++pairs)
            for (std::size_t site = 0; site < tips[i].size(); ++site)
                sum += tips[i][site] != tips[j][site];
    return pairs ? sum / pairs : 0.0;
}

// A log to read the reports from, a fixed seed, and the simulator's shared
// tables reset before and after each test, as the drivers do after a series.
class SimulationTest : public LogFolderTest {
protected:
    void SetUp() override
    {
        seed_ran3(-4321);
        reset_tables();
    }
    void TearDown() override { reset_tables(); }

    static void reset_tables()
    {
        TNode::hits.count = 0;
        TNode::_tot_mut = 0;
        TNode::node_count = 0;
        TNode::mut_rates = GammaRates();
        TTree::matchingNodes.owns = 0;
        TTree::matchingNodes.Flush();
        TTree::nodeWeights.count = 0;
    }
};

#endif
