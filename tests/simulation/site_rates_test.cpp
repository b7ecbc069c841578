// Tests of the relative site rates: the two-class model worked by hand, the
// redraw in place, the Gamma rates' coefficient of variation 1/sqrt(a), and
// the sites that a uniform draw selects through the rates.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "simulation_fixture.h"

namespace {

class SiteRatesTest : public SimulationTest {};

}  // namespace

TEST_F(SiteRatesTest, TwoClassModelWorkedByHand)
{
    struct Case {
        int n;
        double a, b, p;
        int k;
        std::vector<double> rates;
    };
    const std::vector<Case> cases = {
        // k = (int)(4 x 0.5 + 1) = 3 sites at rate 2, one at rate 1, out of 7.
        {4, 0.0, 2.0, 0.5, 3, {2.0 / 7, 2.0 / 7, 2.0 / 7, 1.0 / 7}},
        {4, -3.0, 2.0, 0.5, 3, {2.0 / 7, 2.0 / 7, 2.0 / 7, 1.0 / 7}},
        // The bootstraps' -1, 1, 1: k = n + 1 and every site at 1/n.
        {5, -1.0, 1.0, 1.0, 6, {0.2, 0.2, 0.2, 0.2, 0.2}},
        // No site at the alternative rate 0 when p gives k = 1 of 3 sites.
        {3, 0.0, 0.0, 0.0, 1, {0.0, 0.5, 0.5}},
        // Every site at rate 0: the sites share the rate equally.
        {2, 0.0, 0.0, 1.0, 3, {0.5, 0.5}},
    };
    for (const Case& c : cases) {
        GammaRates rates;
        EXPECT_EQ(rates.build(c.n, c.a, c.b, c.p), c.n);
        EXPECT_EQ(rates.k, c.k);
        ASSERT_EQ(rates.rates.size(), c.rates.size());
        for (std::size_t i = 0; i < c.rates.size(); ++i)
            EXPECT_NEAR(rates.rates[i], c.rates[i], 1e-15) << "n " << c.n << ", site " << i;
    }
    GammaRates none;
    EXPECT_EQ(none.build(0, 0.5, 1.0, 1.0), 0);
    EXPECT_EQ(none.n, 0);
}

TEST_F(SiteRatesTest, RedrawKeepsTheArrayAndTheStoredShape)
{
    GammaRates rates;
    ASSERT_EQ(rates.build(50, 0.5, 1.0, 1.0), 50);
    std::vector<double> first = rates.rates;
    const double* array = rates.rates.data();
    EXPECT_EQ(rates.get_new_rates(50, 2.0, 3.0, 0.1), 50);
    EXPECT_EQ(rates.rates.data(), array);
    EXPECT_NE(rates.rates, first);
    EXPECT_EQ(rates.a, 0.5);
    EXPECT_EQ(rates.b, 1.0);
    EXPECT_EQ(rates.k, 6);
    EXPECT_EQ(rates.get_new_rates(80, 2.0, 3.0, 0.1), 80);
    EXPECT_EQ(rates.a, 2.0) << "another number of sites builds anew";
    EXPECT_EQ(rates.rates.size(), 80u);
}

// Gamma(a) rates normalised over n sites: n x rate has mean 1 and variance
// 1/a; the s.e. of the sample variance follows from the Gamma kurtosis 6/a.
TEST_F(SiteRatesTest, GammaRatesVaryAsTheShapeSays)
{
    const int n = 200000;
    for (double a : {0.5, 2.0}) {
        GammaRates rates;
        ASSERT_EQ(rates.build(n, a, 1.0, 1.0), n);
        ReplicateMoments scaled;
        double sum = 0.0;
        for (double r : rates.rates) {
            ASSERT_GT(r, 0.0);
            scaled.add(r * n);
            sum += r;
        }
        EXPECT_NEAR(sum, 1.0, 1e-9);
        double var = 1.0 / a;
        double se = std::sqrt((3.0 + 6.0 / a - 1.0) * var * var / n);
        EXPECT_NEAR(scaled.variance(), var, 3.0 * se) << "a = " << a;
    }
}

TEST_F(SiteRatesTest, SitesAreSelectedInProportionToTheirRates)
{
    GammaRates rates;
    ASSERT_EQ(rates.build(4, 0.0, 2.0, 0.5), 4);
    const std::vector<double> p = {2.0 / 7, 2.0 / 7, 2.0 / 7, 1.0 / 7};
    const int draws = 40000;
    std::vector<double> up(4, 0.0), down(4, 0.0);
    for (int r = 0; r < draws; ++r) {
        double u = next_uniform();
        up[rates.site_for(u, 4)] += 1.0;
        down[rates.site_from_last(u, 4)] += 1.0;
    }
    for (int s = 0; s < 4; ++s) {
        double se = std::sqrt(p[s] * (1 - p[s]) / draws);
        EXPECT_NEAR(up[s] / draws, p[s], 3 * se) << "from the first site, site " << s;
        EXPECT_NEAR(down[s] / draws, p[s], 3 * se) << "from the last site, site " << s;
    }
    // The walk stops at the last site asked for, and at site 0 downwards.
    EXPECT_EQ(rates.site_for(0.999, 2), 1);
    EXPECT_EQ(rates.site_for(0.0, 4), 0);
    EXPECT_EQ(rates.site_from_last(0.0, 4), 3);
    EXPECT_EQ(rates.site_from_last(0.999, 4), 0);
}
