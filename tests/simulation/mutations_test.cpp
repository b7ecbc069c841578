// Tests of the mutations on a genealogy: the infinite-sites moments of
// Watterson (1975) and Tajima (1983) over 10,000 replicates, the four
// mutation models on hand-made trees, the hit table's size check, the single
// biallelic site of the selection scan, and the counting of identical tips.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "simulation_fixture.h"

namespace {

class MutationsTest : public SimulationTest {
protected:
    long seed = 1;

    void TearDown() override
    {
        TNode::min_mic = TNode::max_mic = 0;
        SimulationTest::TearDown();
    }

    // A replicate as the sample drivers make it: counters reset, a Kingman
    // genealogy, then mutations at rate theta/2 per unit of branch length.
    int replicate(TTree& tree, double theta, int sites, Mut_Type model, double gammaA = 0.0)
    {
        TNode::node_count = 0;
        TNode::_tot_mut = 0;
        EXPECT_EQ(tree.build_tree(), 1);
        return tree.sprinkle_mutations(theta / 2.0, sites, model, gammaA, 1.0, 1.0, 0.33, "test");
    }

    // The root's ancestral states with no mutation (rate 0 everywhere).
    void ancestral_pass(TNode& root, int sites, Mut_Type model)
    {
        root.add_mutations(0.0, &seed, 0, sites, model, 0.0, 0.33);
    }
};

std::vector<int> states_of(const TNode& node)
{
    return std::vector<int>(node.states.values, node.states.values + node.num_sites);
}

// The first tips get the given state vectors, written directly.
void set_tip_states(TTree& tree, const std::vector<std::vector<int>>& sequences)
{
    for (std::size_t i = 0; i < sequences.size(); ++i) {
        TNode& tip = tree.nodes[i];
        tip.states.resize(static_cast<int>(sequences[i].size()));
        tip.num_sites = static_cast<int>(sequences[i].size());
        for (std::size_t s = 0; s < sequences[i].size(); ++s)
            tip.states[s] = sequences[i][s];
    }
}

}  // namespace

// Under infinite sites (in-order sites, far more sites than mutations):
// E[S] = theta a1, Var[S] = theta a1 + theta^2 a2 (Watterson 1975);
// E[pi] = theta, Var[pi] = (n+1)/(3(n-1)) theta + 2(n^2+n+3)/(9n(n-1)) theta^2
// (Tajima 1983). With Gamma site rates the number of mutations keeps its mean.
TEST_F(MutationsTest, InfiniteSitesMomentsOverTenThousandReplicates)
{
    const int n = 10;
    const double theta = 4.0;
    const double a1 = harmonic(n);
    const double a2 = harmonic(n, 2);
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(n), 1);
    ReplicateMoments mutations, segregating, pairwise, gamma_mutations;
    for (int r = 0; r < 10000; ++r) {
        int placed = replicate(tree, theta, 1000, TWO_STATE);
        mutations.add(placed);
        segregating.add(segregating_sites(tree));
        pairwise.add(mean_pairwise_differences(tree));
        ASSERT_EQ(segregating_sites(tree), placed) << "replicate " << r;
    }
    TNode::hits.count = 0;
    for (int r = 0; r < 10000; ++r)
        gamma_mutations.add(replicate(tree, theta, 300, NUCLEOTIDE, 0.5));
    const double sd_s = std::sqrt(theta * a1 + theta * theta * a2);
    expect_within_3se("mutations", mutations, theta * a1, sd_s);
    expect_within_3se("segregating sites", segregating, theta * a1, sd_s);
    expect_within_3se("pairwise differences", pairwise, theta,
                      std::sqrt((n + 1.0) / (3.0 * (n - 1)) * theta
                                + 2.0 * (n * n + n + 3.0) / (9.0 * n * (n - 1)) * theta * theta));
    expect_within_3se("mutations with Gamma rates", gamma_mutations, theta * a1, sd_s);
}

TEST_F(MutationsTest, MutationsTakeFreshSitesInOrderAfterAReset)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(20), 1);
    for (int r = 0; r < 20; ++r) {
        int placed = replicate(tree, 3.0, 200, NEW_ALLELE);
        ASSERT_LT(placed, 200);
        for (int s = 0; s < 200; ++s)
            ASSERT_EQ(TNode::hits[s], s < placed ? 1 : 0) << "replicate " << r << ", site " << s;
    }
    // The two-class model with every site at the same rate (as the expansion
    // bootstraps ask with a shape of -1) draws each site through the rates.
    TNode::hits.count = 0;
    int beyond = 0;
    for (int r = 0; r < 20; ++r) {
        int placed = replicate(tree, 3.0, 1000, NEW_ALLELE, -1.0);
        for (int s = placed; s < 1000; ++s)
            beyond += TNode::hits[s];
    }
    EXPECT_GT(beyond, 0);
    EXPECT_EQ(TNode::mut_rates.k, 1001);
}

TEST_F(MutationsTest, RateZeroLeavesTheAncestralSequenceOnEveryTip)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(7), 1);
    for (Mut_Type model : {NUCLEOTIDE, TWO_STATE}) {
        TNode::hits.count = 0;
        EXPECT_EQ(replicate(tree, 0.0, 12, model), 0);
        tree.compute_hapl_freq();
        EXPECT_TRUE(tree.nodes[0].distinct);
        EXPECT_EQ(tree.nodes[0].hapl_count, 7);
        for (int i = 1; i < 7; ++i) {
            EXPECT_FALSE(tree.nodes[i].distinct) << i;
            EXPECT_EQ(states_of(tree.nodes[i]), states_of(tree.root())) << i;
        }
    }
    EXPECT_EQ(std::string(tree.nodes[3].sequence_text(TWO_STATE).str), "000000000000");
}

TEST_F(MutationsTest, OneTipCarriesTheAncestralStatesOnly)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(1), 1);
    EXPECT_EQ(replicate(tree, 10.0, 5, NUCLEOTIDE), 0);
    EXPECT_EQ(tree.nodes[0].num_sites, 5);
    tree.compute_hapl_freq();
    EXPECT_TRUE(tree.nodes[0].distinct);
    EXPECT_EQ(tree.nodes[0].hapl_count, 1);
}

// Two hits on one site, on the tree ((0, 1) 3, 2) 4: the new-allele model
// gives each hit a new state, the two-state model returns to 0, the stepwise
// model moves by one step per hit.
TEST_F(MutationsTest, EachModelChangesTheStateOfItsSite)
{
    TTree tree;
    make_three_tip_tree(tree);
    TNode::hits.Add(0);
    TNode& inner = tree.nodes[3];
    TNode& tip2 = tree.nodes[2];

    ancestral_pass(tree.root(), 1, NEW_ALLELE);
    inner.add_mutations(0.0, &seed, 1, 1, NEW_ALLELE, 0.0, 0.33);
    tip2.add_mutations(0.0, &seed, 1, 1, NEW_ALLELE, 0.0, 0.33);
    EXPECT_EQ(tip_states(tree), (std::vector<std::vector<int>>{{1}, {1}, {2}}));
    EXPECT_EQ(TNode::hits[0], 2);

    TNode::hits[0] = 0;
    tree.root().add_mutations(0.0, &seed, 1, 1, TWO_STATE, 0.0, 0.33);
    EXPECT_EQ(tip_states(tree), (std::vector<std::vector<int>>{{1}, {1}, {1}}));
    tree.root().add_mutations(0.0, &seed, 2, 1, TWO_STATE, 0.0, 0.33);
    EXPECT_EQ(tip_states(tree), (std::vector<std::vector<int>>{{0}, {0}, {0}}));

    for (int hits : {1, 4, 7}) {
        tree.root().add_mutations(0.0, &seed, hits, 1, STEPWISE, 0.0, 0.33);
        int state = tree.nodes[0].states[0];
        EXPECT_LE(std::abs(state), hits);
        EXPECT_EQ(std::abs(state) % 2, hits % 2) << hits << " steps";
    }
}

// A transition probability of 1 changes only A<->G and C<->T; of 0 only
// transversions, to either other base with probability 1/2.
TEST_F(MutationsTest, NucleotideTransitionsAndTransversions)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(2), 1);
    join(tree, 2, 0, 1, 1.0);
    TNode::hits.Add(0);
    TNode& tip = tree.nodes[0];
    ReplicateMoments lower_target;
    for (double transition : {1.0, 0.0})
        for (int r = 0; r < 4000; ++r) {
            ancestral_pass(tree.root(), 1, NUCLEOTIDE);
            int before = tree.root().states[0];
            tip.add_mutations(0.0, &seed, 1, 1, NUCLEOTIDE, 0.0, transition);
            int after = tip.states[0];
            ASSERT_TRUE(after >= 0 && after <= 3);
            if (transition == 1.0) {
                ASSERT_EQ(after, before ^ 1) << "from " << before;
            } else {
                ASSERT_NE(after / 2, before / 2) << "from " << before;
                lower_target.add(after % 2 == 0);
            }
        }
    expect_within_3se("first of the two transversions", lower_target, 0.5, 0.5);
}

TEST_F(MutationsTest, HitTableOfAnotherSizeIsRefused)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(5), 1);
    ASSERT_GT(replicate(tree, 20.0, 10, TWO_STATE), 0);
    auto before = tip_states(tree);
    EXPECT_EQ(replicate(tree, 20.0, 20, TWO_STATE), 0);
    EXPECT_EQ(tip_states(tree), before) << "the tips keep their states";
    EXPECT_NE(take_log().find("WARNING # 1] from function \"test\" : hits vector has a bad size "),
              std::string::npos);
    // A series with another number of sites starts once the table is emptied.
    TNode::hits.count = 0;
    EXPECT_GT(replicate(tree, 20.0, 20, TWO_STATE), 0);
    EXPECT_EQ(TNode::hits.count, 20);
    EXPECT_EQ(tree.nodes[0].num_sites, 20);
    EXPECT_EQ(take_log(), "");
}

TEST_F(MutationsTest, IdenticalTipsAreCountedOnce)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(5), 1);
    const std::vector<int> x = {0, 1, 1}, y = {0, 0, 1};
    set_tip_states(tree, {x, y, x, x, {0, 1}});
    tree.compute_hapl_freq();
    const std::vector<std::pair<bool, int>> all = {{true, 3}, {true, 1}, {false, 1}, {false, 1},
                                                   {true, 1}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(tree.nodes[i].distinct, all[i].first) << "tip " << i;
        EXPECT_EQ(tree.nodes[i].hapl_count, all[i].second) << "tip " << i;
    }
    // Tips 1..3 alone: y once, x twice from tip 2.
    tree.compute_hapl_freq(1, 3);
    EXPECT_TRUE(tree.nodes[1].distinct);
    EXPECT_EQ(tree.nodes[2].hapl_count, 2);
    EXPECT_FALSE(tree.nodes[3].distinct);

    std::ostringstream out;
    tree.num_tips = 4;
    tree.print_sequences(out, STEPWISE);
    EXPECT_EQ(out.str(), "    1     3 0 1 1 \n    2     1 0 0 1 \n\n");
}

TEST_F(MutationsTest, SequenceTextOfTheTwoConvertedModels)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(1), 1);
    set_tip_states(tree, {{0, 1, 2, 3, 7}});
    EXPECT_EQ(std::string(tree.nodes[0].sequence_text(NUCLEOTIDE).str), "AGCTA");
    EXPECT_EQ(std::string(tree.nodes[0].sequence_text(TWO_STATE).str), "01000");
    std::ostringstream out;
    tree.print_sequences(out, NUCLEOTIDE);
    EXPECT_EQ(out.str(), "    1     1 AGCTA\n\n");
}

// On ((0, 1):1, 2):3 the branches above tip 0, tip 1, node 3 and tip 2 are 1,
// 1, 2 and 3 long: a threshold of 0 draws them with probabilities 1/7, 1/7,
// 2/7, 3/7; 0.5 leaves node 3 (2 of 3 tips) and the root (no branch); above
// 2/3 only the root qualifies and nothing can be drawn until the candidate
// list is emptied for another threshold.
TEST_F(MutationsTest, SingleMutationBranchIsDrawnByLength)
{
    TTree tree;
    make_three_tip_tree(tree);
    tree.root().count_desc();
    std::vector<double> drawn(5, 0.0);
    const int draws = 20000;
    for (int r = 0; r < draws; ++r) {
        TNode* node = tree.getRootNodeForMutation(0, 0.0);
        ASSERT_NE(node, nullptr);
        drawn[node - &tree.nodes[0]] += 1.0;
    }
    EXPECT_EQ(TTree::matchingNodes.count, 5);
    const std::vector<double> expected = {1.0 / 7, 1.0 / 7, 3.0 / 7, 2.0 / 7, 0.0};
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(drawn[i] / draws, expected[i],
                    3.0 * std::sqrt(expected[i] * (1 - expected[i]) / draws))
            << "node " << i;

    TTree::matchingNodes.Flush();
    EXPECT_EQ(tree.getRootNodeForMutation(0, 0.5), &tree.nodes[3]);
    TTree::matchingNodes.Flush();
    EXPECT_EQ(tree.getRootNodeForMutation(0, 0.9), nullptr);
    EXPECT_EQ(tree.getRootNodeForMutation(0, 0.0), nullptr) << "the same list is drawn again";
    TTree::matchingNodes.Flush();
    TTree::nodeWeights.count = 0;
    EXPECT_NE(tree.getRootNodeForMutation(0, 0.0), nullptr) << "an emptied list is collected anew";
}

TEST_F(MutationsTest, SnpSiteIsDerivedBelowTheDrawnNode)
{
    TTree tree;
    make_three_tip_tree(tree);
    struct Case {
        int mutated;  // node index, or -1 for none
        int ancestral;
        std::vector<int> expected;  // nodes 0..4
    };
    const std::vector<Case> cases = {
        {3, 0, {1, 1, 0, 1, 0}},
        {0, 0, {1, 0, 0, 0, 0}},
        {2, 0, {0, 0, 1, 0, 0}},
        {4, 0, {0, 0, 0, 0, 0}},   // the root drawn: no polymorphism
        {-1, 2, {2, 2, 2, 2, 2}},  // no node drawn after the retry
    };
    for (const Case& c : cases) {
        TNode* mutated = c.mutated < 0 ? nullptr : &tree.nodes[c.mutated];
        tree.root().new_Add_SNP_Mutation(0, mutated, c.ancestral, c.ancestral);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(tree.nodes[i].num_sites, 1);
            EXPECT_EQ(tree.nodes[i].states[0], c.expected[i]) << "mutated " << c.mutated << ", node " << i;
        }
    }
}

// A node that does not carry the site is passed over: the walk goes on to
// its left child, so node 3 and the tip right of it are not written.
TEST_F(MutationsTest, SnpWalkPassesOverNodesWithoutTheSite)
{
    TTree tree;
    make_three_tip_tree(tree);
    EXPECT_TRUE(tree.nodes[3].present);
    tree.nodes[3].present = false;
    TNode* mutated = &tree.nodes[0];
    tree.root().new_Add_SNP_Mutation(0, mutated, 0, 0);
    const int written[5] = {1, 0, 1, 0, 1};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(tree.nodes[i].num_sites, written[i]) << "node " << i;
    EXPECT_EQ(tree.nodes[0].states[0], 1);
    EXPECT_EQ(tree.nodes[2].states[0], 0);
}

TEST_F(MutationsTest, StateVectorsCompareBySizeAndValues)
{
    struct Case {
        std::vector<int> a, b;
        bool equal;
    };
    const Case cases[] = {
        {{}, {}, true},
        {{1, 2}, {1, 2}, true},
        {{1, 2}, {1, 3}, false},
        {{1}, {1, 2}, false},
        {{}, {0}, false},
    };
    for (const Case& c : cases) {
        myVectInt a(static_cast<int>(c.a.size())), b(static_cast<int>(c.b.size()));
        std::copy(c.a.begin(), c.a.end(), a.values);
        std::copy(c.b.begin(), c.b.end(), b.values);
        EXPECT_EQ(a == b, c.equal) << c.a.size() << " and " << c.b.size() << " values";
        EXPECT_EQ(b == a, c.equal);
    }
}

TEST_F(MutationsTest, ScanFormDrawsEverySiteAndBoundsStepwiseStates)
{
    TTree tree;
    ASSERT_EQ(tree.allocate_tree(1), 1);
    for (int i = 0; i < 4; ++i)
        TNode::hits.Add(0);
    seed_ran3(-31);
    int expected_site = static_cast<int>(4 * next_uniform());
    seed_ran3(-31);
    tree.root().add_mutations(0.0, &seed, 1, 4, TWO_STATE, 0.0, 0.33, 0, 0.0);
    EXPECT_EQ(TNode::hits[expected_site], 1) << "the first mutation's site is drawn";
    EXPECT_EQ(tree.root().states[expected_site], 1);

    TNode::min_mic = 0;
    TNode::max_mic = 3;
    for (int r = 0; r < 20; ++r) {
        tree.root().add_mutations(0.0, &seed, 500, 1, STEPWISE, 0.0, 0.33, 1, 0.0);
        int state = tree.root().states[0];
        EXPECT_TRUE(state >= 0 && state <= 3) << state;
    }
}

TEST_F(MutationsTest, StateVectorsKeepTheirArrayForTheSameSize)
{
    myVectInt a(3), b(5), empty;
    for (int i = 0; i < 5; ++i)
        b[i] = 10 + i;
    a = b;
    ASSERT_EQ(a.size, 5);
    EXPECT_EQ(std::vector<int>(a.values, a.values + 5), (std::vector<int>{10, 11, 12, 13, 14}));
    const int* array = a.values;
    b[2] = 7;
    a = b;
    EXPECT_EQ(a.values, array) << "same size: copied in place";
    EXPECT_EQ(a[2], 7);
    EXPECT_EQ(a.resize(5), 1);
    EXPECT_EQ(a.values, array);
    a = empty;
    EXPECT_EQ(a.size, 0);
    EXPECT_EQ(a.values, nullptr);
}
