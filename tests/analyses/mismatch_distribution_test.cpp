// The mismatch distribution against hand-worked histograms: moments,
// raggedness, the moments fit of a sudden expansion with its expected counts
// (summed directly, 25 digits) and the pooled chi-square test.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "support/temp_log.h"

namespace {

// Opens the chi-square step to the tests.
class MismatchSample : public PopGenetics {
public:
    using PopGenetics::mismatch_goodness_of_fit;
};

class MismatchTest : public LogFolderTest {
protected:
    MismatchSample sample;
    HaploDef definition;

    // Singletons whose pairs (0,1), (0,2), (1,2), (0,3), ... lie at the given
    // distances, MaxPairDiff their largest.
    void singletons_at(std::vector<double> const& distances)
    {
        definition.content = "A";
        int n = 1;
        while (n * (n - 1) / 2 < static_cast<int>(distances.size()))
            ++n;
        for (int i = 0; i < n; ++i)
            sample.haplotypes.Add(new PHaploDef(&definition, 1));
        sample.SampleSize = n;
        sample.HaplDistMat = new RectMat(n, n);
        size_t next = 0;
        for (int i = 1; i < n; ++i)
            for (int j = 0; j < i; ++j) {
                (*sample.HaplDistMat)(i, j) = distances[next++];
                if (distances[next - 1] > sample.MaxPairDiff)
                    sample.MaxPairDiff = static_cast<int>(distances[next - 1]);
            }
    }
};

// Histogram {2, 5, 3}: m = 11/10, v = (17 - 12.1)/9, r = (9 + 4 + 9)/100.
// The variance is below the mean: theta0 = 0, tau = m, nothing expected.
TEST_F(MismatchTest, VarianceBelowTheMean)
{
    singletons_at({0, 0, 1, 1, 1, 1, 1.7, 2, 2, 2.9});  // truncated toward zero
    ASSERT_EQ(sample.compute_mm_distr(), 1);
    EXPECT_EQ(std::vector<std::int64_t>(sample.MismatchObsCounts, sample.MismatchObsCounts + 5),
              (std::vector<std::int64_t>{2, 5, 3, 0, 0}));
    EXPECT_NEAR(sample.MismatchObsMean, 1.1, 1e-12);
    EXPECT_NEAR(sample.MismatchObsVar, 4.9 / 9.0, 1e-12);
    EXPECT_NEAR(sample.MismatchRaggedness, 0.22, 1e-12);
    EXPECT_EQ(sample.MismatchTheta0, 0.0);
    EXPECT_NEAR(sample.MismatchTau, 1.1, 1e-12);
    for (int d = 0; d <= 4; ++d)
        EXPECT_EQ(sample.MismatchExpCounts[d], 0.0);
    EXPECT_EQ(sample.NumMismatchClasses, 0);
    EXPECT_EQ(sample.MismatchChi2, 0.0);
    EXPECT_EQ(sample.MismatchChi2P, 0.0);
    EXPECT_EQ(sample.MismatchChi2DF, 0);
}

// Histogram {5, 2, 2, 3, 4, 5}: m = 8/3, v = 23/6, theta0 = sqrt(7/6), tau = m - theta0;
// pooled classes {0,1}, {2,3}, {4..7} (10 and 8 to 10 stay below 5): chi2 on 1 d.f.
TEST_F(MismatchTest, SuddenExpansionFitWithItsTest)
{
    std::vector<double> d;
    const int h[] = {5, 2, 2, 3, 4, 5};
    for (int c = 0; c < 6; ++c)
        d.insert(d.end(), h[c], c);
    singletons_at(d);
    ASSERT_EQ(sample.compute_mm_distr(), 1);
    EXPECT_NEAR(sample.MismatchTheta0, 1.0801234497, 1e-9);
    EXPECT_NEAR(sample.MismatchTau, 1.5865432169, 1e-9);
    EXPECT_NEAR(sample.MismatchRaggedness, 37.0 / 441.0, 1e-12);
    const double expected[] = {2.0658711007, 4.3503165668, 4.8589644335, 3.8980782824,
                               2.5694939058, 1.5072875574, 0.8284326785, 0.4405427417,
                               0.2308127443, 0.1202142473, 0.0624798914};
    for (int c = 0; c <= 10; ++c)
        EXPECT_NEAR(sample.MismatchExpCounts[c], expected[c], 1e-9) << c;
    EXPECT_EQ(sample.NumMismatchClasses, 10);
    EXPECT_NEAR(sample.MismatchChi2, 4.1629702571, 1e-8);
    EXPECT_EQ(sample.MismatchChi2DF, 1);
    EXPECT_NEAR(sample.MismatchChi2P, 0.0413168895, 1e-5);
}

// Two haplotypes of 50000 copies one difference apart: 2 x 1249975000 pairs
// at distance 0 and 50000^2 at distance 1, beyond 32-bit counts. With
// S0 = 4999950000 pairs, m = 2.5e9 / S0 and v = 2.5e9 (1 - m) / (S0 - 1).
TEST_F(MismatchTest, PairCountsOfLargeSamples)
{
    definition.content = "A";
    sample.haplotypes.Add(new PHaploDef(&definition, 50000));
    sample.haplotypes.Add(new PHaploDef(&definition, 50000));
    sample.SampleSize = 100000;
    sample.MaxPairDiff = 1;
    sample.HaplDistMat = new RectMat(2, 2);
    (*sample.HaplDistMat)(1, 0) = (*sample.HaplDistMat)(0, 1) = 1.0;
    ASSERT_EQ(sample.compute_mm_distr(), 1);
    EXPECT_EQ(sample.MismatchObsCounts[0], 2499950000LL);
    EXPECT_EQ(sample.MismatchObsCounts[1], 2500000000LL);
    const long double S0 = 4999950000.0L, m = 2.5e9L / S0;
    EXPECT_NEAR(sample.MismatchObsMean, static_cast<double>(m), 1e-12);
    EXPECT_NEAR(sample.MismatchObsVar, static_cast<double>(2.5e9L * (1 - m) / (S0 - 1)), 1e-12);
    EXPECT_NEAR(sample.MismatchObsMean, 0.500005, 1e-6);
    EXPECT_NEAR(sample.MismatchObsVar, 0.25, 1e-6);

    // Counts as wide as their column keep a blank before them: in the
    // histogram (v < m, nothing expected), and in the one row of all
    // S0 pairs at 0 that stands for a missing histogram.
    const std::string header = "  #Diff.   Count  Exp. Count\n  ------   -----  ----------\n";
    std::ostringstream table, no_histogram;
    sample.print_mismatch_table(table, sample.mismatch_rows());
    EXPECT_EQ(table.str(), header + "       0 2499950000       0.000\n"
                                    "       1 2500000000       0.000\n");
    sample.print_mismatch_table(no_histogram, 0);
    EXPECT_EQ(no_histogram.str(), header + "       0 4999950000       0\n");
}

TEST_F(MismatchTest, OneHaplotypeAndMissingInputs)
{
    definition.content = "A";
    sample.haplotypes.Add(new PHaploDef(&definition, 6));
    sample.SampleSize = 6;
    sample.MismatchObsMean = 3.0;
    EXPECT_EQ(sample.compute_mm_distr(), 1);
    EXPECT_EQ(sample.MismatchObsCounts, nullptr);
    EXPECT_EQ(sample.MismatchExpCounts, nullptr);
    EXPECT_EQ(sample.MismatchObsMean, 0.0);

    sample.MaxPairDiff = 2;  // but no matrix
    EXPECT_EQ(sample.compute_mm_distr(), 1);
    EXPECT_NE(sample.MismatchObsCounts, nullptr);
    EXPECT_NE(log_text().find("distance matrix does not exist"), std::string::npos);

    sample.haplotypes.Flush();
    EXPECT_EQ(sample.compute_mm_distr(), 0);
    EXPECT_NE(log_text().find("haplotype list is empty"), std::string::npos);
}

// Expected 3, 40, 60, 2.5: the last class joins the first (5.5, observed 4 + 2),
// not its neighbour; then only two usable classes: d.f. 0, P -1, chi2 kept.
TEST_F(MismatchTest, PoolingOfSmallExpectedClasses)
{
    sample.MaxPairDiff = 3;
    sample.MismatchObsCounts = new std::int64_t[7]{4, 38, 61, 2, 0, 0, 0};
    sample.MismatchExpCounts = new double[7]{3, 40, 60, 2.5, 0, 0, 0};
    sample.NumMismatchClasses = 3;
    sample.mismatch_goodness_of_fit();
    const double chi2 = 0.25 / 5.5 + 4.0 / 40.0 + 1.0 / 60.0;
    EXPECT_NEAR(sample.MismatchChi2, chi2, 1e-12);
    EXPECT_EQ(sample.MismatchChi2DF, 1);
    EXPECT_NEAR(sample.MismatchChi2P, 0.6872110301, 1e-5);

    delete[] sample.MismatchExpCounts;
    sample.MismatchExpCounts = new double[7]{3, 40, 60, 1, 0, 0, 0};
    sample.mismatch_goodness_of_fit();
    EXPECT_NEAR(sample.MismatchChi2, 4.0 / 40.0 + 1.0 / 60.0, 1e-12);
    EXPECT_EQ(sample.MismatchChi2DF, 0);
    EXPECT_EQ(sample.MismatchChi2P, -1.0);
}

}  // namespace
