// Tests of the replicate samples simulated on a sample's own genealogy: the
// exact small cases, the tips read back as haplotypes, the builders' shared
// random state, and the refusal of a genealogy that was never allocated.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "model/haplo_db.h"
#include "simulation_fixture.h"

namespace {

class SimulatedSampleTest : public SimulationTest {
protected:
    PopGenetics observed;

    void SetUp() override
    {
        SimulationTest::SetUp();
        observed.initialize();
    }

    // The sample of n gene copies with its genealogy allocated.
    void sample_of(int n)
    {
        observed.SampleSize = n;
        ASSERT_EQ(observed.SimTree.allocate_tree(n), 1);
    }
};

std::string text(my_string const& s)
{
    return s.str;
}

}  // namespace

TEST_F(SimulatedSampleTest, OneGeneCopyGivesOneHaplotypeWithoutMutation)
{
    sample_of(1);
    ASSERT_EQ(observed.simulate_sample(5.0, 10, NUCLEOTIDE, 0.0, 1.0, 1.0, 0.33), 1);
    EXPECT_EQ(observed.NumSimMutations, 0);
    PopGenetics replicate;
    replicate.initialize();
    Haplo_DB list;
    ASSERT_EQ(replicate.read_simulated_sample(observed.SimTree, list, NUCLEOTIDE), 1);
    ASSERT_EQ(replicate.num_haplotypes, 1);
    ASSERT_EQ(replicate.haplotypes.count, 1);
    EXPECT_EQ(text(replicate.haplotypes.data[0]->haplotype->id), "1");
    EXPECT_EQ(replicate.haplotypes.data[0]->count, 1);
    EXPECT_EQ(replicate.SampleSize, 1.0);
}

TEST_F(SimulatedSampleTest, RateZeroLeavesEveryTipAncestral)
{
    sample_of(6);
    for (Mut_Type model : {TWO_STATE, NUCLEOTIDE}) {
        TNode::hits.count = 0;
        ASSERT_EQ(observed.simulate_sample(0.0, 8, model, 0.0, 1.0, 1.0, 0.33), 1);
        PopGenetics replicate;
        replicate.initialize();
        Haplo_DB list;
        ASSERT_EQ(replicate.read_simulated_sample(observed.SimTree, list, model), 1);
        ASSERT_EQ(replicate.num_haplotypes, 1) << model;
        HaploDef* h = replicate.haplotypes.data[0]->haplotype;
        EXPECT_EQ(text(h->id), "1");
        EXPECT_EQ(replicate.haplotypes.data[0]->count, 6);
        EXPECT_EQ(h, list.list.data[0]);
        std::string content = text(h->content);
        ASSERT_EQ(content.size(), 8u);
        if (model == TWO_STATE)
            EXPECT_EQ(content, "00000000");
        else
            EXPECT_EQ(content.find_first_not_of("AGCT"), std::string::npos);
    }
}

// Haplotype names are the first tip of each sequence, counts add up to n and
// the contents of two haplotypes differ.
TEST_F(SimulatedSampleTest, TipsBecomeDistinctHaplotypesWithCounts)
{
    sample_of(30);
    ASSERT_EQ(observed.simulate_sample(4.0, 50, NUCLEOTIDE, 0.0, 1.0, 1.0, 0.33), 1);
    EXPECT_GT(observed.NumSimMutations, 0);
    PopGenetics replicate;
    replicate.initialize();
    Haplo_DB list;
    ASSERT_EQ(replicate.read_simulated_sample(observed.SimTree, list, NUCLEOTIDE), 1);
    int total = 0;
    for (int i = 0; i < replicate.haplotypes.count; ++i) {
        PHaploDef* record = replicate.haplotypes.data[i];
        total += record->count;
        int tip = std::stoi(text(record->haplotype->id)) - 1;
        EXPECT_TRUE(observed.SimTree.nodes[tip].distinct);
        EXPECT_EQ(text(record->haplotype->content),
                  text(observed.SimTree.nodes[tip].sequence_text(NUCLEOTIDE)));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(text(record->haplotype->content),
                      text(replicate.haplotypes.data[j]->haplotype->content));
    }
    EXPECT_EQ(total, 30);
    EXPECT_EQ(replicate.num_haplotypes, replicate.haplotypes.count);
    EXPECT_GT(replicate.num_haplotypes, 1);
}

TEST_F(SimulatedSampleTest, SizeChangeOfOneInOneGenerationIsTheStandardCoalescent)
{
    sample_of(12);
    seed_ran3(-99);
    ASSERT_EQ(observed.simulate_sample(1.0, 20, NUCLEOTIDE, 0.0, 1.0, 1.0, 0.33), 1);
    std::vector<double> times;
    for (int i = 12; i < 23; ++i)
        times.push_back(observed.SimTree.nodes[i].time);
    TNode::hits.count = 0;
    seed_ran3(-99);
    ASSERT_EQ(observed.simulate_sample_exp(1.0, 20, NUCLEOTIDE, 0.0, 1.0, 1.0, 0.33, 0.5, 1.0, 1), 1);
    for (int i = 12; i < 23; ++i)
        EXPECT_DOUBLE_EQ(observed.SimTree.nodes[i].time, times[i - 12]);
}

TEST_F(SimulatedSampleTest, GenealogyNeverAllocatedIsRefused)
{
    observed.SampleSize = 10;
    EXPECT_EQ(observed.simulate_sample(1.0, 20, NUCLEOTIDE, 0.0, 1.0, 1.0, 0.33), 0);
    EXPECT_EQ(observed.simulate_sample_exp(1.0, 20, NEW_ALLELE, -1.0, 1.0, 1.0, 0.33, 1.0, 0.1, 100), 0);
    EXPECT_EQ(observed.simulate_range_exp(1.0, 20, NEW_ALLELE, -1.0, 1.0, 1.0, 0.33, 1.0, 1.0, 100), 0);
}

TEST_F(SimulatedSampleTest, SecondSeriesWithOtherSitesNeedsTheHitsEmptied)
{
    sample_of(8);
    ASSERT_EQ(observed.simulate_sample(3.0, 20, TWO_STATE, 0.0, 1.0, 1.0, 0.33), 1);
    take_log();
    ASSERT_EQ(observed.simulate_sample(3.0, 30, TWO_STATE, 0.0, 1.0, 1.0, 0.33), 1);
    EXPECT_EQ(observed.NumSimMutations, 0);
    std::string log = take_log();
    EXPECT_EQ(count_of(log, "hits vector has a bad size"), 1);
    EXPECT_EQ(count_of(log, "PopGenetics::sprinkle_mutations()"), 1);
    TNode::hits.count = 0;
    ASSERT_EQ(observed.simulate_sample(3.0, 30, TWO_STATE, 0.0, 1.0, 1.0, 0.33), 1);
    EXPECT_GT(observed.NumSimMutations, 0);
    EXPECT_EQ(take_log(), "");
}
