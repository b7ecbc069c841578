// The Ewens-Watterson and Chakraborty tests against Ewens' distribution worked
// exactly: given n = 4 and k = 2 the configurations {3, 1} and {2, 2} have
// probabilities 8/11 and 3/11 (n!/(prod counts prod c_j!), normalised), so
// F = 10/16 or 8/16: P(F <= 8/16) = 3/11, E(F) = 6.5/11, and Slatkin's
// statistic ranks {2, 2} alone at or below itself: P = 3/11.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iomanip>
#include <memory>
#include <sstream>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/random.h"
#include "ewens_distribution.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class InfiniteAlleleTest : public LogFolderTest {
protected:
    PopGenetics sample;
    settings s;
    std::vector<std::unique_ptr<HaploDef>> definitions;
    HaplotypeClasses classes{10, 0};
    std::ostringstream out;

    void SetUp() override
    {
        PopGenetics::BMat.re_allocate_matrix(0, 0);
        PopGenetics::_B_num_exist = 0;
        sample.name = "Pop";
        s.InferHaplotypeDefinitionFromDistanceMatrix = 0;
    }

    // The sample's haplotypes and one class per haplotype, n their sum, in place of any
    // earlier ones.
    void use_counts(std::vector<int> const& counts)
    {
        sample.haplotypes.Flush();
        classes.Flush();
        sample.SampleSize = 0;
        sample.num_haplotypes = 0;
        for (int c : counts) {
            definitions.push_back(std::make_unique<HaploDef>());
            sample.haplotypes.Add(new PHaploDef(definitions.back().get(), c));
            classes.Add(new AHaplFreq(c, static_cast<double>(c) * c));
            sample.SampleSize += c;
            sample.num_haplotypes += 1;
        }
        sample.get_B_num_mat();
    }

    // Both tests of Ewens and Watterson on a fresh sample of these counts,
    // with 100,000 replicates drawn from the given seed.
    void run_ewens_watterson(std::vector<int> const& counts, long seed)
    {
        use_counts(counts);
        s.NumIterationsNeutralityTests = 100000;
        initialize_ran3(seed);
        sample.EW_neutrality_tests(s, out, classes);
    }
};

TEST_F(InfiniteAlleleTest, EwensWattersonAgainstTheExactDistribution)
{
    use_counts({2, 2});
    s.NumIterationsNeutralityTests = 100000;
    initialize_ran3(-17);
    sample.EW_neutrality_tests(s, out, classes);
    // Four standard errors of a proportion near 0.27 in 100,000 draws.
    EXPECT_NEAR(sample.EWPValue, 3.0 / 11.0, 0.006);
    EXPECT_NEAR(sample.SlatkinExactP, 3.0 / 11.0, 0.006);
    EXPECT_EQ(sample.EWPValue, sample.SlatkinExactP);  // both count the {2, 2} draws
    EXPECT_NEAR(sample.EWExpectedF, 6.5 / 11.0, 0.001);
    EXPECT_EQ(sample.EWObservedF, 0.5);
    EXPECT_THAT(out.str(), HasSubstr("Observed F value                       :     0.50000\n"));
    EXPECT_THAT(out.str(), HasSubstr("Pr(rand F &lt;= obs F)                    :     0.27"));
    EXPECT_THAT(out.str(), HasSubstr("Slatkin's Exact test P-value           :     0.27"));
    // The mean counts of ranks 1 and 2: 3 x 8/11 + 2 x 3/11 = 30/11 and 14/11.
    EXPECT_THAT(out.str(), HasSubstr("         1   0.68"));
}

TEST_F(InfiniteAlleleTest, EwensWattersonRepeatsUnderAFixedSeed)
{
    use_counts({5, 3, 1, 1});
    s.NumIterationsNeutralityTests = 1000;
    initialize_ran3(-5);
    sample.EW_neutrality_tests(s, out, classes);
    const double P = sample.EWPValue, slatkin = sample.SlatkinExactP;
    initialize_ran3(-5);
    sample.EW_neutrality_tests(s, out, classes);
    EXPECT_EQ(sample.EWPValue, P);
    EXPECT_EQ(sample.SlatkinExactP, slatkin);
    EXPECT_GT(P, 0.0);
    EXPECT_LT(P, 1.0);
}

// The two P-values by enumeration: every configuration of k alleles among n
// gene copies (counts in non-increasing order) weighted by Ewens' sampling
// formula, prod_j 1 / (j^a_j a_j!), normalised. Slatkin's P sums the
// configurations no more probable than the observed one; the Ewens-Watterson
// P those whose F, as the whole sum of squared counts, is at most the
// observed one.
struct EnumeratedP {
    double slatkin;
    double F;
};

EnumeratedP enumerated_p(std::vector<int> const& observed)
{
    auto weight = [](std::vector<int> const& c) {
        double w = 1.0;
        for (std::size_t i = 0; i < c.size();) {
            std::size_t end = i;
            while (end < c.size() && c[end] == c[i])
                ++end;
            for (std::size_t a = 1; a <= end - i; ++a)
                w /= c[i] * static_cast<double>(a);
            i = end;
        }
        return w;
    };
    auto sum_of_squares = [](std::vector<int> const& c) {
        int s = 0;
        for (int m : c)
            s += m * m;
        return s;
    };
    int n = 0;
    for (int c : observed)
        n += c;
    const int k = static_cast<int>(observed.size());
    const double w_observed = weight(observed);
    const int squares_observed = sum_of_squares(observed);
    double total = 0.0, less_probable = 0.0, less_homozygous = 0.0;
    std::vector<int> c;
    std::function<void(int, int)> parts = [&](int left, int largest) {
        if (static_cast<int>(c.size()) == k) {
            if (left == 0) {
                const double w = weight(c);
                total += w;
                if (w <= w_observed * (1 + 1e-12))
                    less_probable += w;
                if (sum_of_squares(c) <= squares_observed)
                    less_homozygous += w;
            }
            return;
        }
        for (int m = std::min(largest, left); m >= 1; --m) {
            c.push_back(m);
            parts(left - m, m);
            c.pop_back();
        }
    };
    parts(n, n);
    return {less_probable / total, less_homozygous / total};
}

TEST_F(InfiniteAlleleTest, SlatkinsExactTestAgainstEnumeratedConfigurations)
{
    // {5,3,2,2,1,1,1,1} is the most probable configuration of n 16, k 8: P 1.
    // {6,1,1} ties with {4,3,1} (weights 1/12); {3,3,1,1} repeats two counts.
    const std::vector<std::vector<int>> cases = {
        {5, 3, 2, 2, 1, 1, 1, 1}, {6, 1, 1}, {3, 3, 1, 1}, {7, 2, 2, 1}, {4, 4, 4}};
    EXPECT_NEAR(enumerated_p(cases[0]).slatkin, 1.0, 1e-12);
    EXPECT_NEAR(enumerated_p(cases[1]).slatkin,
                (1 / 12.0 + 1 / 12.0 + 1 / 32.0 + 1 / 36.0)
                    / (1 / 12.0 + 1 / 10.0 + 1 / 12.0 + 1 / 32.0 + 1 / 36.0),
                1e-12);
    for (std::vector<int> const& counts : cases) {
        SCOPED_TRACE(::testing::PrintToString(counts));
        run_ewens_watterson(counts, -17);
        const double exact = enumerated_p(counts).slatkin;
        // Four standard errors of a proportion in 100,000 draws.
        EXPECT_NEAR(sample.SlatkinExactP, exact,
                    4 * std::sqrt(exact * (1 - exact) / 100000) + 1e-12);
    }
}

// Configurations with the observed F count with it: {3,3,3,1,1,1} and
// {4,2,2,2,1,1} both have 30 as sum of squared counts, {4,4,1} and {5,2,2}
// 33, {3,3,3,3,1} and {4,3,2,2,2} 37, {4,4,4,2,1} ties with two others (53).
// For the first, P = 0.28709 (0.19357 without the tie).
TEST_F(InfiniteAlleleTest, EwensWattersonTiesOfFAgainstEnumeratedConfigurations)
{
    EXPECT_NEAR(enumerated_p({3, 3, 3, 1, 1, 1}).F, 0.28709, 5e-6);
    const std::vector<std::vector<int>> cases = {
        {3, 3, 3, 1, 1, 1}, {4, 4, 1}, {3, 3, 3, 3, 1}, {4, 4, 4, 2, 1}};
    for (std::vector<int> const& counts : cases) {
        SCOPED_TRACE(::testing::PrintToString(counts));
        run_ewens_watterson(counts, -23);
        const double exact = enumerated_p(counts).F;
        // Four standard errors of a proportion in 100,000 draws.
        EXPECT_NEAR(sample.EWPValue, exact, 4 * std::sqrt(exact * (1 - exact) / 100000));
    }
}

// n = 3, k = 2 has the one configuration {2, 1}; one replicate gives s.d. 0.
TEST_F(InfiniteAlleleTest, EwensWattersonWithOneConfigurationAndOneReplicate)
{
    use_counts({2, 1});
    s.NumIterationsNeutralityTests = 1;
    sample.EW_neutrality_tests(s, out, classes);
    EXPECT_EQ(sample.EWPValue, 1.0);
    EXPECT_EQ(sample.SlatkinExactP, 1.0);
    EXPECT_THAT(out.str(), HasSubstr("         1   0.6666667   0.0000000          2.0000      0.0000\n"
                                     "         2   0.3333333   0.0000000          1.0000      0.0000\n"));
}

TEST_F(InfiniteAlleleTest, EwensWattersonRefusals)
{
    const struct {
        const char* title;
        std::vector<int> counts;
        const char* text;
    } cases[] = {
        {"every gene copy different", {1, 1, 1},
         "The test is impossible because all gene copies are different"},
        {"one allele", {4}, "The test is impossible because there is only one allele in \nthe sample"},
        {"no allele", {}, "The test is impossible because"},
        {"one allele and empty records", {4, 0, 0},
         "The test is impossible because there is only one allele"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        sample.EWPValue = -1.0;
        out.str("");
        use_counts(c.counts);
        sample.EW_neutrality_tests(s, out, classes);
        EXPECT_THAT(out.str(), HasSubstr(c.text));
        EXPECT_EQ(sample.EWPValue, -1.0);
    }
}

// One allele of `large` copies and `singletons` alleles of one copy.
std::vector<int> with_singletons(int large, int singletons)
{
    std::vector<int> counts(singletons + 1, 1);
    counts[0] = large;
    return counts;
}

// The table of Ewens' probabilities holds at most 5000 rows and 1000
// columns and needs n + 10 rows: 4995 gene copies are refused for the rows
// they would need, 5000 for the size itself. At 4990 gene copies the table
// has room, but its values overflow a double from 446 alleles on (985! alone
// is about 1e2526). The tests say which.
TEST_F(InfiniteAlleleTest, TableLimitsNamedInTheRefusals)
{
    const struct {
        std::vector<int> counts;
        const char* reason;
    } cases[] = {
        {{4000, 995},
         ": the table of Ewens' probabilities would need 5005 rows (n + 10) and 12 columns "
         "(k + 10), more than its 5000 rows and 1000 columns\n\n"},
        {{4000, 1000}, " with 5000 gene copies or 1000 alleles or more\n\n"},
        {with_singletons(4006, 984),
         ": the Stirling numbers of 4990 gene copies and up to 985 alleles exceed the range of a "
         "double\n\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.reason);
        use_counts(c.counts);
        out.str("");
        sample.EW_neutrality_tests(s, out, classes);
        EXPECT_EQ(out.str(),
                  std::string("Watterson F-test of selective neutrality is not possible") + c.reason);
        out.str("");
        sample.Chakraborty_neutr_test(out);
        EXPECT_EQ(out.str(), std::string("Chakraborty neutrality test not possible") + c.reason);
        out.str("");
        sample.Chakraborty_neutr_test(out, classes);
        EXPECT_EQ(out.str(), std::string("Chakraborty neutrality test not possible") + c.reason);
        EXPECT_EQ(sample.EWPValue, -1.0);
        EXPECT_EQ(sample.ChakrabortyPClasses, -1.0);
    }
}

// A table that overflows refuses the test, yet its draws (k - 1 per sample) are taken, so that
// the analyses after it draw what they drew when the test ran; a table refused for its size
// never drew.
TEST_F(InfiniteAlleleTest, RefusalsLeaveTheStreamWhereTheTestLeftIt)
{
    const struct {
        std::vector<int> counts;
        long long draws;
    } cases[] = {
        {with_singletons(4006, 984), 7 * 984},  // 4990 gene copies, 985 alleles: overflow
        {{4000, 1000}, 0},                      // 5000 gene copies: beyond the table
    };
    s.NumIterationsNeutralityTests = 7;
    for (auto const& c : cases) {
        SCOPED_TRACE(c.draws);
        use_counts(c.counts);
        initialize_ran3(-11);
        sample.EW_neutrality_tests(s, out, classes);
        long seed = 1;
        const double next = ran3(&seed);
        initialize_ran3(-11);
        for (long long d = 0; d < c.draws; ++d)
            ran3(&seed);
        EXPECT_EQ(ran3(&seed), next);
    }
}

// At 1300 gene copies the Stirling numbers stay within a double (B(1300, 985) is about 1e228):
// 985 alleles leave the Ewens-Watterson test computed, and Chakraborty's probabilities of 500
// alleles are those of Ewens' distribution worked one gene copy at a time under theta(H).
TEST_F(InfiniteAlleleTest, StirlingNumbersWithinADoubleKeepTheTests)
{
    std::vector<int> counts = with_singletons(2, 984);
    std::fill(counts.begin(), counts.begin() + 315, 2);
    use_counts(counts);
    ASSERT_EQ(sample.SampleSize, 1300.0);
    s.NumIterationsNeutralityTests = 10;
    initialize_ran3(-3);
    sample.EW_neutrality_tests(s, out, classes);
    EXPECT_THAT(out.str(), HasSubstr("No. of simulated samples               :          10\n"));
    EXPECT_GE(sample.EWPValue, 0.0);

    counts.assign(500, 1);
    std::fill(counts.begin() + 200, counts.begin() + 400, 3);
    std::fill(counts.begin() + 400, counts.end(), 5);
    use_counts(counts);
    ASSERT_EQ(sample.SampleSize, 1300.0);
    out.str("");
    sample.Chakraborty_neutr_test(out);
    const EwensAlleles e = ewens_alleles(1300, 500, sample.calc_theta_Hom());
    std::ostringstream expected;
    expected << std::fixed << std::setprecision(5)
             << "Exp. No. of alleles          :" << std::setw(12) << static_cast<double>(e.mean)
             << "\nP(exactly k alleles)         :" << std::setw(12)
             << static_cast<double>(e.exactly) << "\nP(k or more alleles)         :"
             << std::setw(12) << static_cast<double>(e.exactly + e.more) << "\n";
    EXPECT_THAT(out.str(), HasSubstr(expected.str()));
    EXPECT_NEAR(sample.ChakrabortyP, static_cast<double>(e.exactly + e.more), 1e-9);
}

// Counts 5 and 5: theta(H) = 0.936292 (regula falsi), then Ewens' distribution for n = 10.
TEST_F(InfiniteAlleleTest, ChakrabortyOnTwoEqualHaplotypes)
{
    use_counts({5, 5});
    sample.Chakraborty_neutr_test(out);
    EXPECT_EQ(out.str(), "No. of genes in sample       :    10.00000\n"
                         "No. of alleles in sample (k) :           2\n"
                         "Observed Homozygosity        :     0.44444\n"
                         "Exp. No. of alleles          :     2.83964\n"
                         "P(exactly k alleles)         :     0.29985\n"
                         "P(k or more alleles)         :     0.88680\n\n");
    EXPECT_NEAR(sample.ChakrabortyP, 0.8867957219, 1e-7);
    EXPECT_EQ(sample.ChakrabortyPClasses, sample.ChakrabortyP);

    out.str("");
    sample.nbInitialHaplotypes = 3;
    sample.Chakraborty_neutr_test(out, classes);
    EXPECT_THAT(out.str(), HasSubstr("No. of original haplotypes in sample      :           3\n"
                                     "No. of different haplotypes in sample (k) :           2\n"
                                     "Obs. Homozygosity                         :     0.44444\n"
                                     "Exp. No. of alleles                       :     2.83964\n"));
    EXPECT_NEAR(sample.EWObservedF, 0.5, 1e-15);
}

TEST_F(InfiniteAlleleTest, ChakrabortyRefusals)
{
    use_counts({6, 0});
    sample.Chakraborty_neutr_test(out);
    EXPECT_EQ(out.str(), "Warning: Chakraborty's test of selective neutrality cannot be performed \n"
                         "when there is a single haplotype in the sample. Skipping task...\n\n");
    EXPECT_EQ(sample.ChakrabortyP, -1.0);

    out.str("");
    classes.Flush();
    sample.Chakraborty_neutr_test(out, classes);  // an empty class list
    EXPECT_THAT(out.str(), HasSubstr("single haplotype"));

    out.str("");
    use_counts({1, 1, 1});
    sample.Chakraborty_neutr_test(out);
    EXPECT_THAT(out.str(), HasSubstr("The test is impossible because all gene copies are different"));
    EXPECT_EQ(sample.ChakrabortyP, -1.0);
}

}  // namespace
