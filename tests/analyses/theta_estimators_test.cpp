// The theta estimators, Tajima's D, Ewens' probabilities and Fu's Fs against
// values worked independently: the sums by hand, the Ewens values from exact
// Stirling numbers of the first kind (rational arithmetic, 30 digits).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "analyses/popgen/pop_genetics.h"
#include "ewens_distribution.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;

namespace {

// A fresh, empty Stirling-number table before and after each test.
class EwensTest : public LogFolderTest {
protected:
    PopGenetics sample;

    void SetUp() override { reset_table(); }
    void TearDown() override { reset_table(); }
    static void reset_table()
    {
        PopGenetics::BMat.re_allocate_matrix(0, 0);
        PopGenetics::_B_num_exist = 0;
    }
};

TEST(ThetaTest, ThetaSAndThetaPi)
{
    PopGenetics p;
    // a1 = 11/6, a2 = 49/36: S/a1 = 36/11, V = (49/36 36 + 121/36 6) / ((170/36) 121/36).
    EXPECT_DOUBLE_EQ(p.theta_S(4, 6), 36.0 / 11.0);
    EXPECT_NEAR(p.ThetaSSD, std::sqrt((49.0 + 121.0 / 6.0) / (170.0 / 36.0 * 121.0 / 36.0)),
                1e-12);
    EXPECT_EQ(p.theta_S(1, 6), 0.0);
    EXPECT_EQ(p.ThetaSSD, 0.0);

    // n = 5: b1 = 6/12, b2 = 2 x 33 / 180; pi = 1.6.
    p.SampleSize = 5;
    EXPECT_EQ(p.theta_pi(1.6), 1.6);
    EXPECT_NEAR(p.ThetaPiSD, std::sqrt(0.5 * 1.6 + 66.0 / 180.0 * 2.56), 1e-12);
    p.SampleSize = 1.5;
    EXPECT_EQ(p.theta_pi(1.6), 0.0);
    EXPECT_EQ(p.ThetaPiSD, 0.0);
}

// Hand-worked samples: five sequences, one of them carrying four private
// substitutions (S = 4, k = 4 x 4 / 10 = 1.6); six sequences in two groups of
// three differing at three sites (S = 3, k = 3 x 9 / 15 = 1.8).
TEST(ThetaTest, TajimasD)
{
    const struct {
        const char* title;
        int n;
        double pi, S, D, P;  // P: the P-value left after the call, from 0.5
    } cases[] = {
        {"one divergent sequence", 5, 1.6, 4, -1.0937990658, 0.5},
        {"two groups", 6, 1.8, 3, 1.9098893821, 0.5},
        {"pi = S/a1 within 1e-15", 4, 6.0, 11, 0.0, 0.5},
        {"n = 2", 2, 1.0, 1, 0.0, -1.0},
        {"n = 3", 3, 2.0, 3, 0.0, -1.0},
        {"no segregating site", 8, 0.0, 0, 0.0, -1.0},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        PopGenetics p;
        p.TajimaDPValue = 0.5;
        EXPECT_NEAR(p.tajimaD(c.n, c.pi, c.S), c.D, 1e-9);
        EXPECT_EQ(p.TajimaDPValue, c.P);
        if (c.n > 3 && c.S > 0 && c.D != 0.0) {
            EXPECT_NEAR(p.fast_tajimaD(c.n, c.pi, c.S), c.D, 1e-9);
        }
    }
    PopGenetics p;
    p.fast_tajimaD(8, 0.0, 0);
    EXPECT_EQ(p.TajimaD, 0.0);
    EXPECT_EQ(p.TajimaDPValue, -1.0);
}

// Past the first 1000 gene copies the sums a1 and a2 come in closed form: theta(S), its s.d.
// and Tajima's D against a1 = psi(n) + gamma and a2 = pi^2/6 - psi1(n) worked to 40 digits.
TEST(ThetaTest, ManyGeneCopies)
{
    const struct {
        int n, S;
        double pi, theta, sd, D;
    } cases[] = {
        {1001, 25, 3.2, 3.3398032623110039, 0.86682344563767328, -0.10146672435424043},
        {5000, 25, 3.2, 2.748971956433596, 0.66612929007659691, 0.36172256145170736},
        {1000000, 40, 2.5, 2.7791817040223312, 0.5024192290639685, -0.20075996595359623},
        {2100000000, 60, 1.5, 2.7220243122258207, 0.38480378570775182, -0.84475839740275399},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.n);
        PopGenetics p;
        EXPECT_NEAR(p.theta_S(c.n, c.S), c.theta, 1e-13 * c.theta);
        EXPECT_NEAR(p.ThetaSSD, c.sd, 1e-13 * c.sd);
        EXPECT_NEAR(p.tajimaD(c.n, c.pi, c.S), c.D, 1e-11);
        EXPECT_NEAR(p.fast_tajimaD(c.n, c.pi, c.S), c.D, 1e-11);
    }
}

TEST_F(EwensTest, ProbabilitiesOfTheNumberOfAlleles)
{
    ASSERT_EQ(PopGenetics::grow_B_num_mat(10, 10), 1);
    // n = 10, theta(H) of counts 5 and 5: P(K = 2) and P(K >= 2) = 1 - P(K = 1).
    const double theta = 0.936291991166;
    EXPECT_NEAR(PopGenetics::proba_exactly_k(2, 10, theta), 0.2998487358, 1e-9);
    EXPECT_NEAR(1.0 - static_cast<double>(PopGenetics::proba_less_than_k(2, 10, theta)),
                0.8867957219, 1e-9);
    EXPECT_NEAR(sample.k_est(theta, 10), 2.8396418835, 1e-9);
    EXPECT_EQ(sample.ExpNumAlleles, sample.k_est(theta, 10));

    EXPECT_EQ(PopGenetics::proba_exactly_k(1, 10, 0.0), 1.0);
    EXPECT_EQ(PopGenetics::proba_exactly_k(2, 10, 0.0), 0.0);
    EXPECT_EQ(PopGenetics::proba_exactly_k(10, 10, 2.0), 0.0);
    EXPECT_EQ(PopGenetics::proba_exactly_k(3, 10, 20000.0), 0.0);
    EXPECT_EQ(PopGenetics::proba_less_than_k(1, 10, 2.0), 0.0L);
    EXPECT_EQ(PopGenetics::proba_less_than_k(5, 10, 20000.0), 0.0L);
    // More alleles than gene copies: every outcome has fewer.
    EXPECT_NEAR(static_cast<double>(PopGenetics::proba_less_than_k(11, 10, 2.0)), 1.0, 1e-12);
    EXPECT_EQ(sample.k_est(0.0, 10), 1.0);
    EXPECT_EQ(sample.k_est(2.0, 0), 0.0);
}

// The interval solves P(K < 10) = 0.025 and P(K <= 10) = 0.975 under Ewens'
// distribution for n = 50.
TEST_F(EwensTest, ThetaKWithItsInterval)
{
    bool limits = false;
    EXPECT_NEAR(sample.theta_k(50, 10, 0.05, limits), 3.4803157, 1e-6);
    EXPECT_TRUE(limits);
    EXPECT_NEAR(sample.ThetaKLow, 1.6834379, 1e-6);
    EXPECT_NEAR(sample.ThetaKHigh, 6.8662966, 1e-6);
    EXPECT_NEAR(sample.ExpNumAlleles, 10.0, 1e-6);
}

TEST_F(EwensTest, ThetaKWithoutInterval)
{
    const struct {
        const char* title;
        int n, k;
        double theta;
    } cases[] = {
        {"one allele", 20, 1, 0.0},
        {"every gene copy different", 20, 20, -1.0},
        {"more alleles than gene copies", 20, 25, -1.0},
        {"6000 gene copies", 6000, 10, -2.0},  // -2: computed, not checked here
        {"table refused at 4995 gene copies", 4995, 10, -2.0},
        {"1200 alleles", 3000, 1200, -2.0},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        bool limits = true;
        double theta = sample.theta_k(c.n, c.k, 0.05, limits);
        EXPECT_FALSE(limits);
        if (c.theta > -2.0)
            EXPECT_EQ(theta, c.theta);
        else
            EXPECT_NEAR(sample.ExpNumAlleles, c.k, 1e-4);
        EXPECT_LE(sample.ThetaKHigh, 0.0);  // never the placeholder 1e8
    }
}

// E(K) = theta (psi(theta + n) - psi(theta)) worked to 40 digits, also for a theta far above
// n; theta(k) solves E(K) = k without a loop over the gene copies.
TEST_F(EwensTest, ManyGeneCopies)
{
    const struct {
        int n;
        double expected[3];  // for theta 0.5, 3 and 1e12
    } sums[] = {
        {1001, {4.4361324234600475, 17.965394623543328, 1000.9999994995}},
        {5000, {5.2403516095521638, 22.784726199073268, 4999.9999875025}},
        {1000000, {7.8895102919928696, 38.678186168588171, 999999.50000083333}},
        {2100000000, {11.714356603848606, 61.627256543303393, 2097798082.1471767}},
    };
    const double thetas[] = {0.5, 3.0, 1e12};
    for (auto const& s : sums)
        for (int t = 0; t < 3; ++t)
            EXPECT_NEAR(sample.k_est(thetas[t], s.n), s.expected[t], 1e-13 * s.expected[t])
                << "n " << s.n << ", theta " << thetas[t];

    const struct {
        int k;
        double theta;
    } solved[] = {{2, 0.045516739116513245}, {50, 2.4025784982756115}, {100000, 8015.2842833921849}};
    for (auto const& c : solved) {
        bool limits = true;
        EXPECT_NEAR(sample.theta_k(2100000000, c.k, 0.05, limits), c.theta, 1e-6) << c.k;
        EXPECT_FALSE(limits);
        EXPECT_EQ(sample.ThetaKLow, -1.0);
        EXPECT_EQ(sample.ThetaKHigh, -1.0);
    }
}

// Fs = ln(S'/(1 - S')), S' = P(K >= k), from Ewens' formula with exact
// Stirling numbers: -1.8325624 for n = 10, theta 2, k = 6; -0.6021919 for
// k = 5; -5.2164583 for n = 20, theta 3, k = 12; -5.0056076 for n = 50,
// theta 5, k = 20.
TEST_F(EwensTest, FuFs)
{
    const struct {
        double n, theta;
        int k;
        double Fs;
    } values[] = {{10, 2.0, 6, -1.8325624002}, {10, 2.0, 5, -0.6021919},
                  {20, 3.0, 12, -5.2164583210}, {50, 5.0, 20, -5.0056076}};
    double Fs = 0.0;
    for (auto const& v : values) {
        sample.SampleSize = v.n;
        EXPECT_EQ(sample.Fu_Fs(v.theta, v.k, Fs, true), 1);
        EXPECT_NEAR(Fs, v.Fs, 1e-7) << "n " << v.n << ", k " << v.k;
    }

    EXPECT_EQ(sample.Fu_Fs(3.0, 1, Fs, true), 0);  // a single haplotype: S' = 1
    EXPECT_EQ(Fs, FLT_MAX);
    EXPECT_EQ(sample.Fu_Fs(20000.0, 5, Fs, true), 0);
    EXPECT_EQ(Fs, FLT_MAX);
    EXPECT_EQ(log_text(), "");

    Fs = 7.0;
    EXPECT_EQ(sample.Fu_Fs(0.0, 5, Fs, false), 0);
    EXPECT_EQ(Fs, FLT_MAX);
    EXPECT_EQ(log_text(), "");
    EXPECT_EQ(sample.Fu_Fs(0.0, 5, Fs, true), 0);
    EXPECT_THAT(log_text(),
                HasSubstr("No molecular diversity within a sample while performing Fu's test"));

    for (double n : {5000.0, 4995.0}) {
        Fs = 7.0;
        sample.SampleSize = n;
        EXPECT_EQ(sample.Fu_Fs(3.0, 10, Fs, true), 0);
        EXPECT_EQ(Fs, 7.0);
    }
    EXPECT_EQ(PopGenetics::_B_num_exist, 0);  // the refused growth to 5005 rows
    sample.SampleSize = 2000;
    EXPECT_EQ(sample.Fu_Fs(3.0, 1000, Fs, true), 0);
    EXPECT_EQ(Fs, 7.0);
    EXPECT_EQ(sample.Fu_Fs(3.0, 1000, Fs, false), 0);
    std::string log = log_text();
    size_t first = log.find("too many alleles, or too large sample ");
    ASSERT_NE(first, std::string::npos);
    EXPECT_THAT(log, HasSubstr("\"PopulDNA::Fu_Fs()\""));
    size_t count = 0;
    for (size_t at = first; at != std::string::npos;
         at = log.find("too many alleles", at + 1))
        ++count;
    EXPECT_EQ(count, 3u);
}

// From about 1,550 gene copies on, B(n, j) = |s(n, j)| j!/n! overflows a double for some hundreds
// of alleles (j! alone does from j = 171): at 4990 gene copies, from 446 alleles on. There
// P(K >= 985) under theta 369 is 0.5506511124 (|s(n, j)| summed in log space), where a sum
// clamped to 1 gave Fs -FLT_MAX; Fs and the interval of theta(k) are not computed instead. At 1300 gene copies B(n, 985) is about 1e228,
// finite: both stand, against Ewens' distribution worked one gene copy at a time.
TEST_F(EwensTest, StirlingNumbersBeyondADouble)
{
    const EwensAlleles tail = ewens_alleles(4990, 985, 369.0);
    EXPECT_NEAR(static_cast<double>(tail.exactly + tail.more), 0.5506511124, 1e-9);
    sample.SampleSize = 4990;
    double Fs = 7.0;
    EXPECT_EQ(sample.Fu_Fs(369.0, 985, Fs, true), 0);
    EXPECT_EQ(Fs, 7.0);
    EXPECT_THAT(log_text(),
                HasSubstr("Stirling numbers beyond the range of a double, Fs cannot be computed"));
    EXPECT_TRUE(std::isnan(PopGenetics::proba_less_than_k(985, 4990, 369.0)));
    EXPECT_FALSE(std::isfinite(PopGenetics::proba_exactly_k(985, 4990, 369.0)));
    bool limits = true;
    sample.theta_k(4990, 985, 0.05, limits);
    EXPECT_FALSE(limits);
    EXPECT_EQ(sample.ThetaKLow, -1.0);
    EXPECT_EQ(sample.ThetaKHigh, -1.0);
    EXPECT_NEAR(sample.ExpNumAlleles, 985.0, 1e-4);

    sample.SampleSize = 1300;
    const double theta = sample.theta_k(1300, 985, 0.05, limits);
    ASSERT_TRUE(limits);
    EXPECT_NEAR(static_cast<double>(ewens_alleles(1300, 985, theta).mean), 985.0, 1e-5);
    EXPECT_NEAR(static_cast<double>(ewens_alleles(1300, 985, sample.ThetaKHigh).less), 0.025, 1e-7);
    const EwensAlleles low = ewens_alleles(1300, 985, sample.ThetaKLow);
    EXPECT_NEAR(static_cast<double>(low.less + low.exactly), 0.975, 1e-7);
    for (double t : {theta, 1850.0}) {
        const EwensAlleles e = ewens_alleles(1300, 985, t);
        ASSERT_EQ(sample.Fu_Fs(t, 985, Fs, true), 1);
        EXPECT_NEAR(Fs, static_cast<double>(std::log((e.exactly + e.more) / e.less)), 1e-7) << t;
        EXPECT_NEAR(PopGenetics::proba_exactly_k(985, 1300, t), static_cast<double>(e.exactly),
                    1e-10);
    }
}

}  // namespace
