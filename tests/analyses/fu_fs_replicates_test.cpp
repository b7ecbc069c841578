// Fu's Fs test by coalescent simulation when replicates reach the limits of
// the table of Ewens' probabilities: such replicates stay out of both
// P-values, the results say how many, and the batch line gives the number
// that entered. The replicates are drawn again from the same seed and their
// Fs computed from the distribution of the number of alleles alone.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "app/glbobj.h"
#include "core/random.h"
#include "typed_sample_fixture.h"

namespace {

using ::testing::HasSubstr;

// Fs of k alleles among n gene copies under theta, from Ewens' distribution
// of the number of alleles K: the sum of independent draws that are new
// alleles with probabilities theta / (theta + i), i = 0 .. n-1 (Ewens 1972).
// Fs = ln(S / (1 - S)) with S = P(K >= k).
double fs_of(int k, int n, double theta)
{
    // P(K = j) for j < k and, in the last slot, P(K >= k), so that a tiny S
    // is not lost to 1 - P(K < k).
    std::vector<long double> p(k + 1, 0.0L);
    p[0] = 1.0L;
    for (int i = 0; i < n; ++i) {
        const long double q = theta / (theta + i);
        p[k] += p[k - 1] * q;
        for (int j = k - 1; j >= 1; --j)
            p[j] = p[j] * (1.0L - q) + p[j - 1] * q;
        p[0] *= 1.0L - q;
    }
    long double below = 0.0L;
    for (int j = 0; j < k; ++j)
        below += p[j];
    return static_cast<double>(std::log(p[k] / below));
}

class FuFsReplicatesTest : public TypedSampleTest {
protected:
    std::filesystem::path results_path;
    std::fstream results;
    std::ofstream batch;
    std::tuple<int, std::ofstream*> saved{_FU_FS_, ofs_fu_fs};

    void SetUp() override
    {
        TypedSampleTest::SetUp();
        results_path = dir / "run.htm";
        s.results_file = results_path.string().c_str();
        s.tree_data_file = (dir / "run.js").string().c_str();
        s.ld_file = (dir / "ld_dis.xl").string().c_str();
        s.run_date = "01/02/03 at 04:05:06";
        results.open(results_path, std::ios::in | std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        batch.open(dir / "fu_fs.sum");
        _FU_FS_ = 1;
        ofs_fu_fs = &batch;
    }

    void TearDown() override
    {
        std::tie(_FU_FS_, ofs_fu_fs) = saved;
        s.results_stream = nullptr;
        TypedSampleTest::TearDown();
    }
};

// 1,300 gene copies in 985 haplotypes of 4,000 sites, each of which carries
// C, G or T in place of A with probability `share` (a fixed pseudo-random
// sequence): theta(pi) about 4000 (1 - (1 - share)^2 - share^2 / 3).
std::vector<std::string> haplotypes_of(double share)
{
    std::vector<std::string> made;
    std::uint64_t state = 12345;
    for (int h = 0; h < 985; ++h) {
        std::string sequence(4000, 'A');
        for (char& base : sequence) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            const double u = static_cast<double>(state >> 11) / 9007199254740992.0;
            if (u < share)
                base = "CGT"[static_cast<int>(3.0 * u / share)];
        }
        made.push_back(sequence);
    }
    return made;
}

// With theta(pi) near 1,900 the replicates of 1,300 gene copies hold about
// as many alleles as the table's 1,000 columns less its margin of 10 allow:
// those with k + 10 > 1000 are left out; near 2,500 every replicate is. (At
// 1,300 gene copies the table's values stay within a double.) The finite
// sites lower the replicates' theta(pi), so that those that enter have an Fs
// below the observed one (16 of them against 14 left out from this seed):
// P 1 over them, where a count over all 30 would give 16/30.
TEST_F(FuFsReplicatesTest, ReplicatesBeyondTheTableAreLeftOutOfThePValues)
{
    const struct {
        double share;
        int N;
        bool some_enter;
    } cases[] = {{0.297, 30, true}, {0.45, 5, false}};
    for (auto const& c : cases) {
        SCOPED_TRACE(c.share);
        const std::vector<std::string> sequences = haplotypes_of(c.share);
        ASSERT_EQ(std::set<std::string>(sequences.begin(), sequences.end()).size(), 985u);
        std::vector<std::pair<const char*, int>> entries;
        for (int h = 0; h < 985; ++h)
            entries.emplace_back(sequences[h].c_str(), h < 315 ? 2 : 1);
        PopulDNA& sample = dna(entries);
        ASSERT_EQ(sample.SampleSize, 1300.0);
        s.TaskNumber = settings::FU_FS_TEST;
        s.NumSimulFuTest = c.N;
        const std::streamoff before = results.tellp();
        const std::streamoff batch_before = batch.tellp();
        initialize_ran3(-7);
        sample.test_methods(s);
        results.flush();
        batch.flush();
        const std::string text = read_text(results_path).substr(before);
        const std::string line = read_text(dir / "fu_fs.sum").substr(batch_before);

        // The same replicates drawn again, from the observed theta(pi).
        const int n = 1300;
        const double theta = sample.MeanPairDiff;
        const double Fs = fs_of(985, n, theta);
        initialize_ran3(-7);
        ASSERT_TRUE(sample.SimTree.allocate_tree(n));
        int entered = 0, at_most_observed = 0, at_most_zero = 0, left_out = 0;
        double sum_k = 0.0;
        int fewest_left_out = 0;
        for (int r = 0; r < c.N; ++r) {
            const SimulatedStatistics st = sample.simulate_sample_statistics(
                0.5 * theta, 4000, NUCLEOTIDE, 0.0, 1.0, 1.0, 0.33, 1.0, 1.0);
            sum_k += st.haplotypes;
            if (st.haplotypes + 10 > 1000) {
                if (left_out++ == 0 || st.haplotypes < fewest_left_out)
                    fewest_left_out = st.haplotypes;
                continue;
            }
            const double Fs_r = fs_of(st.haplotypes, n, st.mean_pair_diff);
            ++entered;
            at_most_observed += Fs_r <= Fs;
            at_most_zero += Fs_r <= 0.0;
        }
        EXPECT_EQ(entered > 0, c.some_enter);
        EXPECT_GT(left_out, 0);
        std::ostringstream expected, expected_batch;
        expected << std::fixed << std::setprecision(5)
                 << "Fs                           :" << std::setw(12) << Fs
                 << "\n\nNo. of simulations           :" << std::setw(12) << c.N;
        EXPECT_THAT(text, HasSubstr(expected.str()));
        expected.str("");
        expected << "\nMean k                       :" << std::setw(12) << sum_k / c.N;
        EXPECT_THAT(text, HasSubstr(expected.str()));
        expected.str("");
        expected << "\n\nProb(sim_Fs &lt;=obs_Fs)        :" << std::setw(12);
        expected_batch << std::fixed << std::setprecision(6) << "\t" << Fs << "\t";
        if (entered > 0) {
            expected << static_cast<double>(at_most_observed) / entered;
            expected_batch << static_cast<double>(at_most_observed) / entered << "\t"
                           << static_cast<double>(at_most_zero) / entered;
            EXPECT_GT(at_most_observed, 0);
        } else {
            expected << "N.A.";
            expected_batch << -1.0 << "\t" << -1.0;
        }
        expected << "\nReplicates left out          :" << std::setw(12) << left_out << " of "
                 << c.N << "\n(Fs of k = " << fewest_left_out
                 << " alleles or more in 1300 gene copies cannot be computed";
        if (fewest_left_out < 1000)
            expected << ": the table of Ewens' probabilities would need 1310 rows (n + 10) and "
                     << fewest_left_out + 10
                     << " columns (k + 10), more than its 5000 rows and 1000 columns)\n\n";
        else
            expected << " with 5000 gene copies or 1000 alleles or more)\n\n";
        expected_batch << "\t" << entered << "\n";
        EXPECT_THAT(text, HasSubstr(expected.str()));
        EXPECT_THAT(line, HasSubstr("\t1300\t985\t"));
        EXPECT_THAT(line, ::testing::EndsWith(expected_batch.str()));
    }
}

// 4990 gene copies in 985 haplotypes: the table has room for them, but the Stirling numbers of
// 4990 gene copies overflow a double from 446 alleles on, so neither Fs nor the interval of
// theta(k) is computed, and the results say why (a sum clamped to 1 printed that P(k or more
// alleles) rounds to 0, and an Fs from it).
TEST_F(FuFsReplicatesTest, StirlingNumbersBeyondADoubleNamedInTheResults)
{
    const std::vector<std::string> sequences = haplotypes_of(0.297);
    std::vector<std::pair<const char*, int>> entries;
    for (int h = 0; h < 985; ++h)
        entries.emplace_back(sequences[h].c_str(), h == 0 ? 4006 : 1);
    PopulDNA& sample = dna(entries);
    ASSERT_EQ(sample.SampleSize, 4990.0);
    s.TaskNumber = settings::FU_FS_TEST | settings::MOLECULAR_DIVERSITY;
    s.ComputeTheta = settings::THETA_K;
    s.NumSimulFuTest = 10;
    initialize_ran3(-7);
    sample.test_methods(s);
    results.flush();
    batch.flush();
    const std::string text = read_text(results_path);
    const std::string reason =
        ": the Stirling numbers of 4990 gene copies and up to 985 alleles exceed the range of a "
        "double\n";
    EXPECT_THAT(text, HasSubstr("\nFu's Fs test cannot be computed" + reason));
    EXPECT_THAT(text,
                HasSubstr("\n95 % confidence interval limits for theta(k) not computed" + reason));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("rounds to")));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("Prob(sim_Fs")));
}

}  // namespace
