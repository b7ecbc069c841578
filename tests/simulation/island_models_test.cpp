// Tests of the structured genealogies: the placement of the samples in
// demes, the refusals, the deme tables over successive loci, and the mean
// coalescence times of pairs within and between samples, which the island
// model fixes at D and D + (D-1)/(2M) (so that 1 - Tw/Tb is the FST given),
// and which a three-state Markov chain fixes for the hierarchical model.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "model/population.h"
#include "project/samples.h"
#include "project/structure.h"
#include "simulation_fixture.h"

namespace {

const std::string UNABLE = "\tTTree::build_tree_struct_pop(): unable to build Tree\n";

class IslandModelsTest : public SimulationTest {
protected:
    Samples samples;
    Structure structure;

    void add_samples(const std::vector<int>& sizes)
    {
        for (int size : sizes) {
            Population* sample = new Population(my_string("pop"));
            sample->SampleSize = size;
            samples.Populations.Add(sample);
        }
    }

    // Groups of the structure as lists of sample indices.
    void make_groups(const std::vector<std::vector<int>>& groups)
    {
        structure.reset();
        structure.NbGroups = static_cast<int>(groups.size());
        structure.Groups = new MY_TIArrayAsVector<Population>[groups.size()];
        for (std::size_t g = 0; g < groups.size(); ++g) {
            structure.Groups[g].owns = 0;
            for (int i : groups[g])
                structure.Groups[g].Add(samples.Populations[i]);
        }
    }
};

// Mean coalescence time of the pairs of tips of each class, the class of a
// pair given by the samples of its two tips (class_of_pair[a][b]).
class PairTimes {
public:
    PairTimes(std::vector<int> sample_of_tip, std::vector<std::vector<int>> class_of_pair,
              int classes)
        : sample_of_(std::move(sample_of_tip)), class_of_(std::move(class_of_pair)),
          sum_(classes, 0.0), pairs_(classes, 0.0)
    {
    }

    // Adds one genealogy's per-class means to the replicate moments.
    void add(TTree& tree, std::vector<ReplicateMoments>& means)
    {
        std::fill(sum_.begin(), sum_.end(), 0.0);
        std::fill(pairs_.begin(), pairs_.end(), 0.0);
        tips_below(tree, tree.root());
        for (std::size_t c = 0; c < sum_.size(); ++c)
            means[c].add(sum_[c] / pairs_[c]);
    }

private:
    std::vector<int> sample_of_;
    std::vector<std::vector<int>> class_of_;
    std::vector<double> sum_;
    std::vector<double> pairs_;

    std::vector<int> tips_below(TTree& tree, TNode& node)
    {
        std::vector<int> counts(class_of_.size(), 0);
        if (!node.left) {
            ++counts[sample_of_[&node - &tree.nodes[0]]];
            return counts;
        }
        std::vector<int> left = tips_below(tree, *node.left);
        std::vector<int> right = tips_below(tree, *node.right);
        for (std::size_t a = 0; a < counts.size(); ++a)
            for (std::size_t b = 0; b < counts.size(); ++b) {
                double pairs = static_cast<double>(left[a]) * right[b];
                sum_[class_of_[a][b]] += pairs * node.time;
                pairs_[class_of_[a][b]] += pairs;
            }
        for (std::size_t a = 0; a < counts.size(); ++a)
            counts[a] = left[a] + right[a];
        return counts;
    }
};

std::vector<int> tips_of_samples(const std::vector<int>& sizes)
{
    std::vector<int> sample_of;
    for (std::size_t s = 0; s < sizes.size(); ++s)
        sample_of.insert(sample_of.end(), sizes[s], static_cast<int>(s));
    return sample_of;
}

}  // namespace

TEST_F(IslandModelsTest, EachSampleGoesToADemeOfItsOwn)
{
    add_samples({4, 2, 5});
    TTree tree;
    tree.num_demes = 2;
    ASSERT_EQ(tree.createInitialNodes(samples), 1);
    EXPECT_EQ(tree.num_demes, 23.0) << "fewer demes than samples: 20 more than the samples";
    EXPECT_EQ(tree.num_tips, 11);
    ASSERT_EQ(tree.num_occupied, 3);
    const std::vector<int> sizes = {4, 2, 5};
    std::set<int> demes;
    int tip = 0;
    for (int i = 0; i < 3; ++i) {
        int deme = tree.occupied_demes[i];
        demes.insert(deme);
        EXPECT_EQ(tree.deme_lineages[deme], sizes[i]);
        ASSERT_EQ(tree.deme_lists[deme].count, sizes[i]);
        for (int k = 0; k < sizes[i]; ++k)
            EXPECT_EQ(tree.deme_lists[deme][k], &tree.nodes[tip++]) << "sample " << i;
    }
    EXPECT_EQ(demes.size(), 3u);
    EXPECT_EQ(tree.coal_rate_total, 6.0 + 1.0 + 10.0);

    tree.cleanDemes();
    EXPECT_EQ(tree.num_occupied, 0);
    for (int d = 0; d < 23; ++d) {
        EXPECT_EQ(tree.deme_lineages[d], 0);
        EXPECT_EQ(tree.deme_lists[d].count, 0);
        EXPECT_EQ(tree.occupied_demes[d], -1);
    }
}

TEST_F(IslandModelsTest, IslandModelRefusesWhatCannotCoalesce)
{
    TTree tree;
    EXPECT_EQ(tree.build_tree_struct_pop(samples, 1.0, 0.2, 5), 0) << "no sample";
    add_samples({5, 5});
    for (double fst : {0.0, 1.0, 1.5, -0.1, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(tree.build_tree_struct_pop(samples, 1.0, fst, 5), 0) << "fst " << fst;
    EXPECT_EQ(count_of(take_log(), UNABLE), 6);
}

TEST_F(IslandModelsTest, SuccessiveLociFinishTheirTreesAndGrowTheDemeTables)
{
    add_samples({6, 3, 8});
    TTree tree;
    for (int D : {3, 12, 40, 5}) {
        SCOPED_TRACE(testing::Message() << D << " demes");
        for (int locus = 0; locus < 30; ++locus) {
            TNode::hits.Add(0);
            ASSERT_EQ(tree.build_tree_struct_pop(samples, 1.0, 0.1, D), 1);
            expect_finished_tree(tree);
            EXPECT_EQ(TNode::hits.count, 0);
            EXPECT_EQ(tree.nodes[0].id, 1) << "serial numbers restart with each locus";
            tree.cleanDemes();
        }
    }
    EXPECT_EQ(tree.num_demes, 5.0);
}

// Island model of D demes: pairs of one sample (one deme) coalesce after a
// mean time D, pairs of two samples after D + (D-1)/(2M), M = m N.
TEST_F(IslandModelsTest, IslandCoalescenceTimesGiveTheFstAsked)
{
    const std::vector<int> sizes = {6, 6, 6};
    add_samples(sizes);
    const int D = 10;
    const double fst = 0.25;
    const double M = (D - 1.0) * (1.0 / fst - 1.0) / (2.0 * D);
    PairTimes times(tips_of_samples(sizes), {{0, 1, 1}, {1, 0, 1}, {1, 1, 0}}, 2);
    std::vector<ReplicateMoments> means(2);
    TTree tree;
    for (int locus = 0; locus < 4000; ++locus) {
        ASSERT_EQ(tree.build_tree_struct_pop(samples, 1.0, fst, D), 1);
        times.add(tree, means);
    }
    EXPECT_NEAR(tree.mig_rate * tree.deme_size, M, 1e-12);
    expect_within_3se("within samples", means[0], D);
    expect_within_3se("between samples", means[1], D + (D - 1.0) / (2.0 * M));
    EXPECT_NEAR(1.0 - means[0].mean() / means[1].mean(), fst, 0.03);
}

TEST_F(IslandModelsTest, HierarchicalPlacementAndRefusals)
{
    add_samples({4, 4, 4});
    struct Case {
        const char* name;
        std::vector<std::vector<int>> groups;
        double fct;
        int d, g;
        bool logged;
    };
    const std::vector<Case> cases = {
        {"FCT 1", {{0, 1}, {2}}, 1.0, 3, 2, false},
        {"one deme per group", {{0}, {1}}, 0.1, 1, 2, false},
        {"one group", {{0, 1, 2}}, 0.1, 4, 1, false},
        {"more groups than simulated", {{0}, {1}, {2}}, 0.1, 3, 2, true},
        {"more populations than demes in a group", {{0, 1, 2}}, 0.1, 2, 2, true},
    };
    TTree tree;
    // The populations of group k go to distinct demes of simulated group k.
    make_groups({{0, 1}, {2}});
    ASSERT_EQ(tree.createInitialNodes(structure, 4, 3), 1);
    ASSERT_EQ(tree.num_occupied, 3);
    EXPECT_EQ(tree.occupied_demes[0] / 4, 0);
    EXPECT_EQ(tree.occupied_demes[1] / 4, 0);
    EXPECT_NE(tree.occupied_demes[0], tree.occupied_demes[1]);
    EXPECT_EQ(tree.occupied_demes[2] / 4, 1);
    EXPECT_EQ(tree.num_demes, 12.0);
    for (const Case& c : cases) {
        make_groups(c.groups);
        EXPECT_EQ(tree.build_tree_struct_pop(samples, structure, 1.0, 0.3, c.fct, c.d, c.g), 0)
            << c.name;
        EXPECT_EQ(count_of(take_log(), UNABLE), c.logged ? 1 : 0) << c.name;
    }
}

// Hierarchical island model: the mean coalescence times of two lineages in
// one deme (S), in two demes of one group (G) and in two groups (B) solve
//   (1 + 2M1 + 2M2) T_S = 1 + 2M1 T_G + 2M2 T_B
//   (2M1/(d-1) + 2M2) T_G = 1 + 2M1/(d-1) T_S + 2M2 T_B
//   2M2/(g-1) T_B = 1 + 2M2/(g-1) (T_S/d + (1 - 1/d) T_G)
// with M1 = m1 N and M2 = m2 N.
TEST_F(IslandModelsTest, HierarchicalCoalescenceTimesFollowTheMigrationRates)
{
    const std::vector<int> sizes = {6, 6, 6};
    add_samples(sizes);
    make_groups({{0, 1}, {2}});
    const int d = 4, g = 3;
    const double fst = 0.3, fct = 0.1, N = 1000.0;
    const double fsc = 1.0 - (1.0 - fst) / (1.0 - fct);
    const double m1 = (d - 1.0) * (1.0 / fsc - 1.0) / (2.0 * d * N);
    const double m2 = (g - 1.0) * (1.0 - fct) * fsc * m1 / ((d - 1.0) * fct * g);
    const double M1 = m1 * N, M2 = m2 * N;

    // Gaussian elimination on the 3 x 3 system above.
    double a[3][4] = {
        {1 + 2 * M1 + 2 * M2, -2 * M1, -2 * M2, 1},
        {-2 * M1 / (d - 1), 2 * M1 / (d - 1) + 2 * M2, -2 * M2, 1},
        {-2 * M2 / (g - 1) / d, -2 * M2 / (g - 1) * (1 - 1.0 / d), 2 * M2 / (g - 1), 1},
    };
    for (int p = 0; p < 3; ++p)
        for (int r = 0; r < 3; ++r)
            if (r != p) {
                double f = a[r][p] / a[p][p];
                for (int c = 0; c < 4; ++c)
                    a[r][c] -= f * a[p][c];
            }
    const double expected[3] = {a[0][3] / a[0][0], a[1][3] / a[1][1], a[2][3] / a[2][2]};

    PairTimes times(tips_of_samples(sizes), {{0, 1, 2}, {1, 0, 2}, {2, 2, 0}}, 3);
    std::vector<ReplicateMoments> means(3);
    TTree tree;
    for (int locus = 0; locus < 4000; ++locus) {
        ASSERT_EQ(tree.build_tree_struct_pop(samples, structure, 1.0, fst, fct, d, g), 1);
        if (locus == 0) {
            expect_finished_tree(tree);
            EXPECT_EQ(tree.num_groups, g);
            EXPECT_DOUBLE_EQ(tree.mig_rate, m1 + m2);
        }
        times.add(tree, means);
        tree.cleanDemes();
    }
    expect_within_3se("one deme", means[0], expected[0]);
    expect_within_3se("two demes of a group", means[1], expected[1]);
    expect_within_3se("two groups", means[2], expected[2]);
}
