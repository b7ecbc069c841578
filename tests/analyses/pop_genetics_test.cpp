// The sample object of the statistics: its values when fresh, the
// process-wide Stirling-number table, copies and release of what it owns.

#include <gtest/gtest.h>

#include <climits>

#include "analyses/popgen/pop_genetics.h"
#include "analyses/typed_sample_fixture.h"
#include "support/temp_log.h"

namespace {

// Every result a fresh object holds, whether "not computed" (-1.0) or 0.
TEST(PopGeneticsTest, FreshObjectHoldsNoResult)
{
    PopGenetics p;
    for (double v : {p.TajimaDPValue, p.ThetaK, p.ThetaKLow, p.ThetaKHigh, p.ThetaS, p.ThetaSSD,
                     p.ThetaHom, p.ThetaHomSD, p.ThetaPi, p.ThetaPiSD, p.Homozygosity,
                     p.GeneDiversity, p.SlatkinExactP, p.EWObservedF, p.EWExpectedF, p.EWPValue,
                     p.ChakrabortyP, p.ChakrabortyPClasses, p.FuFsPValue})
        EXPECT_EQ(v, -1.0);
    for (double v : {p.TajimaD, p.GeneDiversitySD, p.SumSqHaplFreq, p.EWObsConfigLogProb,
                     p.ExpNumAlleles, p.MeanExpHet, p.MeanGeneCopiesSD, p.MeanModGWIndex, p.FuFs,
                     p.MismatchObsMean, p.MismatchObsVar, p.MismatchTheta0, p.MismatchTau,
                     p.MismatchRaggedness, p.MismatchChi2, p.MismatchChi2P, p.MeanPairDiff,
                     p.DemogExpansionFit.values[18], p.SpatialExpansionFit.values[0]})
        EXPECT_EQ(v, 0.0);
    EXPECT_EQ(p.DoSlatkinExactTest, 1);
    EXPECT_EQ(p.NumMismatchClasses, 0);
    EXPECT_EQ(p.MismatchChi2DF, 0);
    EXPECT_EQ(p.NumLoci, 0);
    EXPECT_EQ(p.LocusMissingFreq, nullptr);
    EXPECT_EQ(p.LocusUsable, nullptr);
    EXPECT_EQ(p.HaplDistMat, nullptr);
    EXPECT_EQ(p.MismatchObsCounts, nullptr);
    EXPECT_EQ(p.MismatchExpCounts, nullptr);
    EXPECT_EQ(p.GibbsSampler, nullptr);
    EXPECT_EQ(p.contingency_table, nullptr);
    EXPECT_EQ(p.LocusExpHet.capacity, 1);
    EXPECT_EQ(p.LocusExpHet.count, 0);
    EXPECT_EQ(p.LocusExpHet.delta, 10);
    EXPECT_EQ(p.SimTree.num_tips, 0);
}

class BnumTableTest : public ::testing::Test {
protected:
    PopGenetics sample;

    void SetUp() override
    {
        PopGenetics::BMat.re_allocate_matrix(0, 0);
        PopGenetics::_B_num_exist = 0;
    }
    void TearDown() override { SetUp(); }

    static int rows() { return PopGenetics::BMat.n; }
    static int cols() { return PopGenetics::BMat.k; }
};

// Built once at 200 x 80; shrunk to 5 x 5 after a level and not rebuilt by
// get_B_num_mat, but grown by a consumer to its size plus 10.
TEST_F(BnumTableTest, BuiltOnceShrunkAfterALevelGrownOnDemand)
{
    ASSERT_EQ(sample.get_B_num_mat(), 1);
    EXPECT_EQ(rows(), 200);
    EXPECT_EQ(cols(), 80);
    double** built = PopGenetics::BMat.rows;
    EXPECT_EQ(sample.get_B_num_mat(), 1);
    EXPECT_EQ(PopGenetics::BMat.rows, built);
    EXPECT_DOUBLE_EQ(PopGenetics::BMat.rows[2][1], 1.0);  // B(3, 2) = |s(3,2)| 2!/3! = 1

    sample.clean_bnum();
    EXPECT_EQ(rows(), 5);
    EXPECT_EQ(cols(), 5);
    EXPECT_EQ(sample.get_B_num_mat(), 1);
    EXPECT_EQ(rows(), 5);

    EXPECT_EQ(PopGenetics::grow_B_num_mat(50, 10), 1);
    EXPECT_EQ(rows(), 60);
    EXPECT_EQ(cols(), 20);
    EXPECT_EQ(PopGenetics::grow_B_num_mat(59, 19), 1);  // covered: no rebuild
    EXPECT_EQ(rows(), 60);
}

// 4995 gene copies ask for 5005 rows, beyond the largest table.
TEST_F(BnumTableTest, FailedGrowthHandsBackToTheStandardTable)
{
    ASSERT_EQ(sample.get_B_num_mat(), 1);
    EXPECT_EQ(PopGenetics::grow_B_num_mat(4995, 10), 0);
    EXPECT_EQ(PopGenetics::_B_num_exist, 0);
    EXPECT_EQ(sample.get_B_num_mat(), 1);
    EXPECT_EQ(rows(), 200);
    EXPECT_EQ(cols(), 80);
    // Counts near INT_MAX are refused too, without overflowing n + 10.
    EXPECT_EQ(PopGenetics::grow_B_num_mat(INT_MAX, 10), 0);
    EXPECT_EQ(PopGenetics::grow_B_num_mat(10, INT_MAX), 0);
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(PopGenetics::grow_B_num_mat(4989, 989), 1);  // the largest table, 4999 x 999
}

TEST(PopGeneticsTest, DestroyingAGenealogyEmptiesTheHitTable)
{
    TNode::hits.count = 0;
    TNode::hits.Add(3);
    { PopGenetics never_simulated; }
    EXPECT_EQ(TNode::hits.count, 1);
    {
        PopGenetics simulated;
        simulated.SimTree.num_tips = 4;
    }
    EXPECT_EQ(TNode::hits.count, 0);
}

// A matrix of n x n with its distances below the diagonal.
RectMat* distance_matrix(int n, double base)
{
    RectMat* m = new RectMat(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j)
            (*m)(i, j) = base + i + j;
    return m;
}

class PopGeneticsCopyTest : public ::testing::Test {
protected:
    HaploDef a, b;
    PopGenetics source;

    void SetUp() override
    {
        a.haplovect.Add(nullptr);
        a.haplovect.Add(nullptr);  // two loci
        source.haplotypes.Add(new PHaploDef(&a, 3));
        source.haplotypes.Add(new PHaploDef(&b, 1));
        source.num_haplotypes = 2;
        source.SampleSize = 4;
        source.ThetaHom = 2.5;
        source.FuFs = -1.5;
        source.MaxPairDiff = 1;
        source.HaplDistMat = distance_matrix(2, 10.0);
        source.LocusUsable = new int[2]{1, 0};
        source.NumLocusEntries = 2;
        source.MismatchObsCounts = new std::int64_t[3]{1, 2, 3};
    }
};

TEST_F(PopGeneticsCopyTest, AssignmentCopiesResultsAndOwnsItsCopies)
{
    PopGenetics target;
    target.FuFs = 4.0;
    target.HaplDistMat = distance_matrix(3, 0.0);
    target = source;

    EXPECT_EQ(target.ThetaHom, 2.5);
    EXPECT_EQ(target.FuFs, 4.0);  // Fu's Fs values stay the target's own
    ASSERT_NE(target.HaplDistMat, nullptr);
    ASSERT_NE(target.HaplDistMat, source.HaplDistMat);
    EXPECT_EQ(target.HaplDistMat->nrows, 2);
    EXPECT_EQ((*target.HaplDistMat)(1, 0), 11.0);
    (*target.HaplDistMat)(1, 0) = 99.0;
    EXPECT_EQ((*source.HaplDistMat)(1, 0), 11.0);
    ASSERT_NE(target.LocusUsable, nullptr);
    EXPECT_EQ(target.LocusUsable[1], 0);
    ASSERT_NE(target.MismatchObsCounts, nullptr);
    EXPECT_EQ(target.MismatchObsCounts[2], 3);
    EXPECT_EQ(target.LocusMissingFreq, nullptr);

    PopGenetics without_matrix;
    target = without_matrix;
    EXPECT_EQ(target.HaplDistMat, nullptr);
    EXPECT_EQ(target.LocusUsable, nullptr);
}

TEST_F(PopGeneticsCopyTest, CopyTakesEveryValueAndSharesNothing)
{
    source.LocusExpHet.Add(0.5);
    source.MismatchChi2DF = 3;
    PopGenetics copy(source);

    EXPECT_EQ(copy.FuFs, -1.5);
    EXPECT_EQ(copy.MismatchChi2DF, 3);
    EXPECT_EQ(copy.LocusExpHet.count, 1);
    EXPECT_EQ(copy.LocusExpHet.data[0], 0.5);
    EXPECT_NE(copy.LocusExpHet.data, source.LocusExpHet.data);
    EXPECT_NE(copy.HaplDistMat, source.HaplDistMat);
    EXPECT_NE(copy.LocusUsable, source.LocusUsable);
    EXPECT_EQ(copy.haplotypes.count, 2);
}

// A copy holds the per-site arrays whole, whatever the loci of the first
// record: 10 sites of DNA, the last one missing in one gene copy of two (a
// share of 0.5, above the 5 % allowed, so not usable).
class SiteArrayCopyTest : public TypedSampleTest {};

TEST_F(SiteArrayCopyTest, CopyHoldsEverySiteOfTheSample)
{
    PopulDNA& p = dna({{"ACGTACGTAC", 1}, {"ACGTACGTA?", 1}});
    p.evaluate_polymorphism(s);
    PopGenetics copy(p);
    ASSERT_EQ(copy.NumLocusEntries, 10);
    ASSERT_NE(copy.LocusUsable, nullptr);
    ASSERT_NE(copy.LocusMissingFreq, nullptr);
    for (int site = 0; site < 9; ++site) {
        EXPECT_EQ(copy.LocusUsable[site], 1) << site;
        EXPECT_EQ(copy.LocusMissingFreq[site], 0.0) << site;
    }
    EXPECT_EQ(copy.LocusUsable[9], 0);
    EXPECT_EQ(copy.LocusMissingFreq[9], 0.5);
}

}  // namespace
