// Tests of the genealogy and its single-population builders: exact small
// trees, the node array's life, the shape of every finished tree, and the
// textbook moments of Kingman's coalescent (Hudson 1990) over 10,000
// replicates, also reached by the range expansion without emigration.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <sstream>
#include <vector>

#include "simulation_fixture.h"

namespace {

class CoalescentTest : public SimulationTest {};

double tmrca(TTree& tree)
{
    return tree.root().time;
}

// Variances of the time to the most recent common ancestor and of the total
// length: sums over k lineages of the exponential waiting times' variances.
double tmrca_variance(int n)
{
    double v = 0.0;
    for (int k = 2; k <= n; ++k)
        v += 4.0 / (k * k * (k - 1.0) * (k - 1.0));
    return v;
}

}  // namespace

TEST_F(CoalescentTest, TwoTipsDrawOneTimeThenTheTwoLineages)
{
    seed_ran3(-777);
    double u_time = next_uniform();
    double u_left = next_uniform();
    seed_ran3(-777);
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(2), 1);
    ASSERT_EQ(tree.build_tree(), 1);
    TNode& root = tree.nodes[2];
    EXPECT_DOUBLE_EQ(root.time, -std::log(1.0 - u_time));
    int left = static_cast<int>(2 * u_left);
    EXPECT_EQ(root.left, &tree.nodes[left]);
    EXPECT_EQ(root.right, &tree.nodes[1 - left]);
    ASSERT_EQ(tree.compute_moments_of_coalescence_times(), 1);
    EXPECT_DOUBLE_EQ(tree.mean_coal_time, root.time);
    EXPECT_EQ(tree.sd_coal_time, 0.0);
}

TEST_F(CoalescentTest, OneTipIsItsOwnRoot)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(1), 1);
    ASSERT_EQ(tree.build_tree(), 1);
    EXPECT_EQ(&tree.root(), &tree.nodes[0]);
    EXPECT_EQ(tree.root().count_desc(), 1);
    EXPECT_EQ(tree.compute_moments_of_coalescence_times(), 0);
    EXPECT_EQ(tree.mean_coal_time, 0.0);
    EXPECT_EQ(tree.sd_coal_time, 0.0);
    EXPECT_EQ(tree.total_length(), 0.0);
    EXPECT_EQ(tree.build_tree_range_exp(1.0, 2.0), 1);
    EXPECT_EQ(tree.root().time, 0.0);
}

TEST_F(CoalescentTest, ThreeTipsCountsMomentsAndLength)
{
    TTree tree;
    make_three_tip_tree(tree);
    EXPECT_EQ(tree.root().count_desc(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(tree.nodes[i].num_desc, 0) << "tip " << i;
    EXPECT_EQ(tree.nodes[3].num_desc, 2);
    EXPECT_EQ(tree.root().num_left, 2);
    EXPECT_EQ(tree.root().num_right, 1);
    // Pairs (0,1) at 1.0, (0,2) and (1,2) at 3.0.
    ASSERT_EQ(tree.compute_moments_of_coalescence_times(), 1);
    EXPECT_DOUBLE_EQ(tree.mean_coal_time, 7.0 / 3.0);
    EXPECT_NEAR(tree.sd_coal_time, std::sqrt(4.0 / 3.0), 1e-12);
    EXPECT_DOUBLE_EQ(tree.total_length(), 1.0 + 1.0 + 2.0 + 3.0);
    std::ostringstream out;
    out << tree.nodes[0] << tree.root();
    EXPECT_EQ(out.str(), "\nTip node No 1\n-----------\n"
                         "\nInternal node No 5\n----------------"
                         "\nTime since present       : 3"
                         "\nNo. of left descendents  : 2"
                         "\nNo. of right descendents : 1\n");
}

TEST_F(CoalescentTest, NodeArraysAreRefusedOrMadeFresh)
{
    TTree tree;
    for (int n : {0, -3}) {
        EXPECT_EQ(tree.allocate_tree(n), 0) << n;
        EXPECT_EQ(tree.num_tips, 0);
        EXPECT_FALSE(tree.nodes);
        EXPECT_EQ(tree.build_tree(), 0);
    }
    EXPECT_EQ(count_of(take_log(), "TTree::allocate_tree()\" : sample size is zero"), 2);
    EXPECT_EQ(tree.allocate_tree(INT_MAX), 0);
    EXPECT_NE(take_log().find("TTree::allocate_tree()\" : not enough memory"), std::string::npos);

    // Fresh serial numbers for every node of a new array, and for a reused one.
    TNode::node_count = 0;
    ASSERT_EQ(tree.allocate_tree(3), 1);
    EXPECT_EQ(tree.nodes[0].id, 1);
    EXPECT_EQ(tree.nodes[4].id, 5);
    ASSERT_EQ(tree.allocate_tree(4), 1);
    EXPECT_EQ(tree.num_tips, 4);
    EXPECT_EQ(tree.num_active, 4);
    EXPECT_EQ(tree.nodes[0].id, 6);
    EXPECT_EQ(tree.nodes[6].id, 12);
    ASSERT_EQ(tree.build_tree(), 1);
    tree.sprinkle_mutations(5.0, 10, TWO_STATE, 0.0, 1.0, 1.0, 0.33, "test");
    ASSERT_EQ(tree.allocate_tree(4), 1);
    EXPECT_EQ(tree.nodes[0].id, 13);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(tree.nodes[i].num_sites, 0) << i;
        EXPECT_EQ(tree.nodes[i].parent, nullptr) << i;
        EXPECT_EQ(tree.nodes[i].time, 0.0) << i;
    }
    // A tip count beyond the node array is not built.
    tree.num_tips = 5;
    EXPECT_EQ(tree.build_tree(), 0);
}

TEST_F(CoalescentTest, EveryBuilderFinishesItsTree)
{
    struct Case {
        const char* name;
        std::function<int(TTree&)> build;
    };
    const std::vector<Case> cases = {
        {"Kingman", [](TTree& t) { return t.build_tree(); }},
        {"range expansion", [](TTree& t) { return t.build_tree_range_exp(0.3, 1.5); }},
        {"range expansion, heavy emigration", [](TTree& t) { return t.build_tree_range_exp(0.5, 40.0); }},
        {"bottleneck and scaling", [](TTree& t) {
             return t.build_tree() && t.bottleneck(0.2, 0.1) && t.scale_to_num_generations(500);
         }},
    };
    TTree tree;
    for (const Case& c : cases)
        for (int n : {2, 3, 17, 60}) {
            SCOPED_TRACE(testing::Message() << c.name << ", n = " << n);
            ASSERT_EQ(tree.allocate_tree(n), 1);
            for (int r = 0; r < 50; ++r) {
                ASSERT_EQ(c.build(tree), 1);
                expect_finished_tree(tree);
            }
        }
}

TEST_F(CoalescentTest, SizeChangeAndScalingMoveOnlyOlderNodes)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(6), 1);
    ASSERT_EQ(tree.build_tree(), 1);
    std::vector<double> before;
    for (int i = 0; i < 11; ++i)
        before.push_back(tree.nodes[i].time);
    const double T = tree.nodes[8].time;  // a node exactly at T stays

    ASSERT_EQ(tree.bottleneck(T, 1.0), 1);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(tree.nodes[i].time, before[i]) << "f = 1, node " << i;
    ASSERT_EQ(tree.bottleneck(T, 4.0), 1);
    for (int i = 0; i < 11; ++i) {
        double expected = before[i] > T ? T + (before[i] - T) * 4.0 : before[i];
        EXPECT_DOUBLE_EQ(tree.nodes[i].time, expected) << "f = 4, node " << i;
        before[i] = tree.nodes[i].time;
    }
    ASSERT_EQ(tree.scale_to_num_generations(1000), 1);
    for (int i = 0; i < 11; ++i)
        EXPECT_DOUBLE_EQ(tree.nodes[i].time, before[i] * 1000) << "scaled, node " << i;
}

TEST_F(CoalescentTest, SameSeedSameGenealogy)
{
    TTree a;
    TTree b;
    ASSERT_EQ(a.allocate_tree(30), 1);
    ASSERT_EQ(b.allocate_tree(30), 1);
    seed_ran3(-99);
    a.build_tree_range_exp(0.4, 2.0);
    seed_ran3(-99);
    b.build_tree_range_exp(0.4, 2.0);
    for (int i = 0; i < 59; ++i) {
        EXPECT_EQ(a.nodes[i].time, b.nodes[i].time) << i;
        if (i < 58) {
            EXPECT_EQ(a.nodes[i].parent - &a.nodes[0], b.nodes[i].parent - &b.nodes[0]) << i;
        }
    }
}

// E[TMRCA] = 2(1 - 1/n), E[total length] = 2 sum_{i<n} 1/i, and a random pair
// of tips coalesces after a mean time of 1; the range expansion without
// emigration (M = 0) and the one whose expansion is now (T = 0) are Kingman's
// coalescent drawn in another order.
TEST_F(CoalescentTest, TextbookMomentsOverTenThousandReplicates)
{
    struct Case {
        const char* name;
        int n;
        std::function<int(TTree&)> build;
    };
    const std::vector<Case> cases = {
        {"Kingman", 2, [](TTree& t) { return t.build_tree(); }},
        {"Kingman", 10, [](TTree& t) { return t.build_tree(); }},
        {"Kingman", 50, [](TTree& t) { return t.build_tree(); }},
        {"range expansion, M = 0", 10, [](TTree& t) { return t.build_tree_range_exp(0.7, 0.0); }},
        {"range expansion, T = 0", 10, [](TTree& t) { return t.build_tree_range_exp(0.0, 3.0); }},
    };
    const int replicates = 10000;
    TTree tree;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << ", n = " << c.n);
        ASSERT_EQ(tree.allocate_tree(c.n), 1);
        ReplicateMoments root_time, length, pair_time;
        for (int r = 0; r < replicates; ++r) {
            ASSERT_EQ(c.build(tree), 1);
            root_time.add(tmrca(tree));
            length.add(tree.total_length());
            tree.compute_moments_of_coalescence_times();
            pair_time.add(tree.mean_coal_time);
        }
        expect_within_3se("TMRCA", root_time, 2.0 * (1.0 - 1.0 / c.n), std::sqrt(tmrca_variance(c.n)));
        expect_within_3se("total length", length, 2.0 * harmonic(c.n),
                          2.0 * std::sqrt(harmonic(c.n, 2)));
        expect_within_3se("pairwise coalescence time", pair_time, 1.0);
    }
}

// With very strong emigration every lineage leaves the sampled deme at once:
// nothing coalesces before T, and afterwards the n lineages coalesce as in
// Kingman's coalescent.
TEST_F(CoalescentTest, EmigrantsWaitForTheExpansion)
{
    const int n = 8;
    const double T = 0.7;
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(n), 1);
    ReplicateMoments after_expansion;
    for (int r = 0; r < 2000; ++r) {
        ASSERT_EQ(tree.build_tree_range_exp(T, 1e9), 1);
        ASSERT_GE(tree.nodes[n].time, T) << "replicate " << r;
        after_expansion.add(tmrca(tree) - T);
    }
    expect_within_3se("TMRCA after T", after_expansion, 2.0 * (1.0 - 1.0 / n),
                      std::sqrt(tmrca_variance(n)));
}

// ((2, 0):1, (1, 3):2):3 with the serial numbers 1..7 in array order: the
// root lists tips 2, 0 on the left and 1, 3 on the right; a tip lists itself.
TEST_F(CoalescentTest, DescendantListsOfAHandMadeTree)
{
    TNode::node_count = 0;
    TTree tree(4);
    ASSERT_EQ(tree.num_tips, 4);
    EXPECT_EQ(tree.num_active, 4);
    EXPECT_EQ(tree.nodes[6].id, 7);
    join(tree, 4, 2, 0, 1.0);
    join(tree, 5, 1, 3, 2.0);
    join(tree, 6, 4, 5, 3.0);
    ASSERT_EQ(tree.build_lists_of_descendent_nodes(), 1);
    auto ids = [](TDescList const& list) { return std::vector<int>(list.begin(), list.end()); };
    struct Case {
        int node;
        std::vector<int> left, right;
    };
    const Case cases[] = {
        {6, {3, 1}, {2, 4}}, {4, {3}, {1}}, {5, {2}, {4}}, {0, {1}, {}}, {3, {4}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ids(tree.nodes[c.node].left_desc), c.left) << "node " << c.node;
        EXPECT_EQ(ids(tree.nodes[c.node].right_desc), c.right) << "node " << c.node;
    }
    EXPECT_EQ(tree.nodes[6].num_desc, 4);
    EXPECT_EQ(tree.nodes[0].num_desc, 0);

    TTree single(1);
    ASSERT_EQ(single.build_lists_of_descendent_nodes(), 1);
    EXPECT_EQ(ids(single.root().left_desc), std::vector<int>{single.root().id});
    TTree empty;
    EXPECT_EQ(empty.build_lists_of_descendent_nodes(), 0);
}

// On simulated genealogies, rebuilt on the same node array, every list holds
// the tips that a walk down the child finds, in left-first order.
TEST_F(CoalescentTest, DescendantListsMatchAWalkDownEachChild)
{
    std::function<void(const TNode*, std::vector<int>&)> tips_below = [&](const TNode* node,
                                                                         std::vector<int>& out) {
        if (!node->left && !node->right) {
            out.push_back(node->id);
            return;
        }
        tips_below(node->left, out);
        tips_below(node->right, out);
    };
    TTree tree;
    for (int replicate = 0; replicate < 3; ++replicate) {
        TNode::node_count = 0;
        ASSERT_EQ(tree.allocate_tree(40), 1);
        ASSERT_EQ(tree.build_tree(), 1);
        ASSERT_EQ(tree.build_lists_of_descendent_nodes(), 1);
        for (int i = 40; i < 79; ++i) {
            const TNode& node = tree.nodes[i];
            std::vector<int> left, right;
            tips_below(node.left, left);
            tips_below(node.right, right);
            EXPECT_EQ(std::vector<int>(node.left_desc.begin(), node.left_desc.end()), left) << i;
            EXPECT_EQ(std::vector<int>(node.right_desc.begin(), node.right_desc.end()), right) << i;
        }
        EXPECT_EQ(tree.root().left_desc.size() + tree.root().right_desc.size(), 40);
    }
}

TEST_F(CoalescentTest, LineageListTakesFreshRoom)
{
    TTree tree;
    make_three_tip_tree(tree);
    TListNode list(3, &tree.nodes[0]);
    EXPECT_EQ(list.count, 3);
    ASSERT_EQ(list.allocate_list(5), 1);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.list.size(), 5u);
    list.push(&tree.nodes[1]);
    EXPECT_EQ(list.take(0), &tree.nodes[1]);
}

// The genealogy builder is the standard coalescent followed by the change of
// size: with the same seed its times are those of a plain tree with every
// time t above T moved to T + (t - T) f.
TEST_F(CoalescentTest, GenealogyWithASizeChange)
{
    const double T = 0.2, f = 0.5;
    TTree plain;
    ASSERT_EQ(plain.allocate_tree(6), 1);
    seed_ran3(-77);
    ASSERT_EQ(plain.build_tree(), 1);
    TGenealogy genealogy;
    seed_ran3(-77);
    std::ostringstream ignored;
    ASSERT_EQ(genealogy.build_genealogy(ignored, 6, 0.0, T, f), 1);
    expect_finished_tree(genealogy);
    for (int i = 6; i < 11; ++i) {
        const double t = plain.nodes[i].time;
        EXPECT_NEAR(genealogy.nodes[i].time, t > T ? T + (t - T) * f : t, 1e-12) << i;
    }
    EXPECT_TRUE(ignored.str().empty());
    EXPECT_EQ(log_text(), "Building tree structure\nDone !\nApplying bottleneck: Factor 0.5, Time : "
                          "0.2\nDone !\nSould never be called\n");
    EXPECT_EQ(genealogy.build_genealogy(ignored, 0, 0.0, T, f), 0);
}
