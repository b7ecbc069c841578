// Tests of the statistics read off the tips of a simulated sample for the
// neutrality tests: a hand-made sample against values worked out by hand, and
// simulated samples against the sample built from the tips' texts, its site
// comparison, distance matrix and molecular diversity.

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_rflp.h"
#include "app/settings.h"
#include "model/haplo_db.h"
#include "simulation_fixture.h"

namespace {

class SimulatedStatisticsTest : public SimulationTest {
protected:
    PopGenetics observed;

    void SetUp() override
    {
        SimulationTest::SetUp();
        observed.initialize();
    }

    // Tips with the given states, one row per tip (the tree's shape is not read).
    void tips_with(std::vector<std::vector<int>> const& rows)
    {
        const int n = static_cast<int>(rows.size());
        ASSERT_EQ(observed.SimTree.allocate_tree(n), 1);
        for (int i = 0; i < n; ++i) {
            TNode& tip = observed.SimTree.nodes[i];
            const int sites = static_cast<int>(rows[i].size());
            ASSERT_EQ(tip.states.resize(sites), 1);
            for (int s = 0; s < sites; ++s)
                tip.states[s] = rows[i][s];
            tip.num_sites = sites;
        }
    }
};

// The statistics of the replicate built as a sample, as the tests measured it before.
template <class Sample>
SimulatedStatistics from_sample_texts(TTree& tree, Mut_Type model, double ts, double tv)
{
    settings s;
    s.TransitionWeight = ts;
    s.TranversionWeight = tv;
    Haplo_DB definitions;
    Sample r;
    r.read_simulated_sample(tree, definitions, model);
    r.SampleSize = tree.num_tips;
    r.check_data();
    if constexpr (std::is_same_v<Sample, PopulDNA>) {
        r.TransitionWeight = ts;
        r.TransversionWeight = tv;
        r.DeletionWeight = 0.0;
        if (r.build_arbitrary_haplotype())
            r.compare_DNA_sequences();
    } else if (r.build_arbitrary_haplotype()) {
        r.compare_RFLP_haplotypes();
    }
    r.compute_distance_matrix(nullptr, &s, 0);
    r.compute_molecular_diversity(s);
    return {r.NumSubstitutionSites, r.MeanPairDiff, r.alleles_in_sample()};
}

}  // namespace

// Tips A A C / G A C / A C T / G A C: site 1 has 2 x 2 transition pairs,
// site 2 three transversion pairs, site 3 three transition pairs; 6 pairs of
// tips, 3 haplotypes. With a weight that is not whole the pairs are added as
// the distance matrix adds them: 2 x 0.3 + (1.3 + 2 x 1.6) = 5.1.
TEST_F(SimulatedStatisticsTest, HandMadeDnaSampleByWeights)
{
    tips_with({{0, 0, 2}, {1, 0, 2}, {0, 2, 3}, {1, 0, 2}});
    struct Case {
        double ts, tv;
        int S;
        double pairwise_sum;
    } cases[] = {
        {1.0, 1.0, 3, 10.0}, {0.0, 1.0, 1, 3.0}, {1.0, 0.0, 2, 7.0},
        {2.0, 1.0, 3, 17.0}, {0.3, 1.0, 3, 5.1}, {0.0, 0.0, 0, 0.0},
    };
    for (Case const& c : cases) {
        SimulatedStatistics st = observed.simulated_statistics(observed.SimTree, c.ts, c.tv);
        EXPECT_EQ(st.segregating_sites, c.S) << c.ts << " " << c.tv;
        EXPECT_NEAR(st.mean_pair_diff, c.pairwise_sum / 6.0, 1e-12) << c.ts << " " << c.tv;
        EXPECT_EQ(st.haplotypes, 3);
    }
}

TEST_F(SimulatedStatisticsTest, OneTipOrNoSitesGiveZeros)
{
    tips_with({{0, 1}});
    SimulatedStatistics one = observed.simulated_statistics(observed.SimTree, 1.0, 1.0);
    EXPECT_EQ(one.segregating_sites, 0);
    EXPECT_EQ(one.mean_pair_diff, 0.0);
    EXPECT_EQ(one.haplotypes, 1);
    tips_with({{}, {}, {}});
    SimulatedStatistics none = observed.simulated_statistics(observed.SimTree, 1.0, 1.0);
    EXPECT_EQ(none.segregating_sites, 0);
    EXPECT_EQ(none.mean_pair_diff, 0.0);
    EXPECT_EQ(none.haplotypes, 0);  // a sample of no haplotypes, as the texts gave
}

// Few sites make recurrent and back mutations; every value must be the very
// double of the sample built from the texts, or P-values could change.
TEST_F(SimulatedStatisticsTest, SimulatedSamplesEqualTheSamplesBuiltFromTheirTexts)
{
    struct Case {
        Mut_Type model;
        int n, sites;
        double rate, ts, tv;
    } cases[] = {
        {NUCLEOTIDE, 15, 965, 12.0, 1.0, 1.0}, {NUCLEOTIDE, 20, 6, 4.0, 1.0, 1.0},
        {NUCLEOTIDE, 20, 6, 4.0, 0.0, 1.0},    {NUCLEOTIDE, 20, 6, 4.0, 1.0, 0.0},
        {NUCLEOTIDE, 12, 30, 5.0, 2.0, 1.0},   {NUCLEOTIDE, 12, 30, 5.0, 0.3, 0.7},
        {NUCLEOTIDE, 2, 10, 3.0, 1.0, 1.0},    {TWO_STATE, 25, 8, 5.0, 1.0, 1.0},
        {TWO_STATE, 10, 100, 3.0, 1.0, 1.0},
    };
    for (Case const& c : cases) {
        observed.SampleSize = c.n;
        ASSERT_EQ(observed.SimTree.allocate_tree(c.n), 1);
        TNode::hits.count = 0;
        for (int r = 0; r < 20; ++r) {
            ASSERT_EQ(observed.simulate_sample(c.rate, c.sites, c.model, 0.0, 1.0, 1.0, 0.33), 1);
            SimulatedStatistics fast = observed.simulated_statistics(observed.SimTree, c.ts, c.tv);
            SimulatedStatistics texts =
                c.model == NUCLEOTIDE
                    ? from_sample_texts<PopulDNA>(observed.SimTree, c.model, c.ts, c.tv)
                    : from_sample_texts<PopulRFLP>(observed.SimTree, c.model, c.ts, c.tv);
            EXPECT_EQ(fast.segregating_sites, texts.segregating_sites) << c.n << " " << c.sites;
            EXPECT_EQ(fast.mean_pair_diff, texts.mean_pair_diff) << c.n << " " << c.sites;
            EXPECT_EQ(fast.haplotypes, texts.haplotypes) << c.n << " " << c.sites;
        }
    }
}

// The replicate path that keeps only the hit sites must make the same draws
// as simulate_sample and give the statistics of the sample built from the
// texts of simulate_sample's tips: every seed, model and weight; sites hit
// once (haplotypes from the mutated branches), and, with Gamma or two-class
// site rates or fewer sites than mutations, sites hit again and mutating
// back (haplotypes from the tips' states). The stream, the hit table and the
// number of mutations must be left as simulate_sample leaves them.
TEST_F(SimulatedStatisticsTest, HitSitePathEqualsTheSamplesBuiltFromTheTexts)
{
    struct Case {
        Mut_Type model;
        int n, sites;
        double rate, gammaA, ts, tv;
    } cases[] = {
        {NUCLEOTIDE, 15, 965, 7.7, 0.0, 1.0, 1.0},  {NUCLEOTIDE, 15, 965, 7.7, 0.5, 1.0, 1.0},
        {NUCLEOTIDE, 15, 965, 7.7, 0.0, 0.0, 1.0},  {NUCLEOTIDE, 60, 200, 5.0, 0.0, 1.0, 0.0},
        {NUCLEOTIDE, 20, 6, 4.0, 0.0, 1.0, 1.0},    {NUCLEOTIDE, 20, 6, 4.0, 0.3, 0.0, 1.0},
        {NUCLEOTIDE, 20, 5, 6.0, -1.0, 1.0, 0.0},   {NUCLEOTIDE, 12, 30, 5.0, 2.0, 2.0, 1.0},
        {NUCLEOTIDE, 12, 30, 5.0, 0.5, 0.3, 0.7},   {NUCLEOTIDE, 2, 10, 3.0, 0.0, 1.0, 1.0},
        {NUCLEOTIDE, 1, 10, 3.0, 0.0, 1.0, 1.0},    {NUCLEOTIDE, 8, 40, 0.0, 0.0, 1.0, 1.0},
        {TWO_STATE, 25, 8, 5.0, 0.0, 1.0, 1.0},     {TWO_STATE, 25, 8, 5.0, 0.5, 1.0, 1.0},
        {TWO_STATE, 10, 100, 3.0, 0.0, 1.0, 1.0},
    };
    for (Case const& c : cases) {
        observed.SampleSize = c.n;
        ASSERT_EQ(observed.SimTree.allocate_tree(c.n), 1);
        reset_tables();
        for (int r = 0; r < 50; ++r) {
            seed_ran3(-1000 - r);
            ASSERT_EQ(observed.simulate_sample(c.rate, c.sites, c.model, c.gammaA, 1.0, 0.5, 0.33), 1);
            const int mutations = observed.NumSimMutations;
            const std::vector<int> hits(TNode::hits.data, TNode::hits.data + TNode::hits.count);
            const double next_draw = next_uniform();
            SimulatedStatistics texts =
                c.model == NUCLEOTIDE
                    ? from_sample_texts<PopulDNA>(observed.SimTree, c.model, c.ts, c.tv)
                    : from_sample_texts<PopulRFLP>(observed.SimTree, c.model, c.ts, c.tv);

            seed_ran3(-1000 - r);
            SimulatedStatistics fast = observed.simulate_sample_statistics(
                c.rate, c.sites, c.model, c.gammaA, 1.0, 0.5, 0.33, c.ts, c.tv);
            const std::string where = "n " + std::to_string(c.n) + " sites " +
                                      std::to_string(c.sites) + " gamma " +
                                      std::to_string(c.gammaA) + " seed " + std::to_string(r);
            EXPECT_EQ(observed.NumSimMutations, mutations) << where;
            EXPECT_EQ(std::vector<int>(TNode::hits.data, TNode::hits.data + TNode::hits.count), hits)
                << where;
            EXPECT_EQ(next_uniform(), next_draw) << where;
            EXPECT_EQ(fast.segregating_sites, texts.segregating_sites) << where;
            EXPECT_EQ(fast.mean_pair_diff, texts.mean_pair_diff) << where;
            EXPECT_EQ(fast.haplotypes, texts.haplotypes) << where;
        }
    }
}
