// The FST null density conditional on heterozygosity: p-values, the
// external check of the upper tail against a Gaussian mixture, quantiles.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "summary/fst_null_density.h"

namespace {

// A value array holding v (the arrays cannot be copied out of a function).
struct Values {
    MY_TArrayAsVector<double> a;
    explicit Values(std::vector<double> const& v)
    {
        for (double x : v)
            a.Add(x);
    }
};

double phi(double z)
{
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

const double BINS_MID = 0.00275 / 2 - 0.1;  // midpoint of bin 0 of 400 on [-0.1, 1.0]

double midpoint(int b)
{
    return b * 0.00275 + BINS_MID;
}

}  // namespace

TEST(FstNullDensity, PValueCases)
{
    // One simulated locus of FST 0.5 at heterozygosity 0.3 unless said.
    struct Case {
        const char* what;
        double sim_het, obs_fst, bandwidth;
        double p, upper, tolerance;
    };
    const double s = 0.02;
    const double f96 = 0.5 - 1.7506860712521692 * s;  // Phi(1.7507) = 0.96
    const double lower96 = phi((f96 - 0.5) / s) - phi((-0.1 - 0.5) / s);
    const Case cases[] = {
        {"no locus in the window (W = 0)", 0.9, 0.2, 0.04, 0.0, 0.0, 0.0},
        {"locus at |d| = h has weight 0", 0.34, 0.2, 0.04, 0.0, 0.0, 0.0},
        {"U about 0.5: the nearer tail", 0.3, 0.5, 0.04, 0.5, 0.5, 1e-3},
        {"U = 0.96: lower branch", 0.3, f96, 0.04, lower96 / (0.96 + lower96),
         1.0 - lower96 / (0.96 + lower96), 5e-4},  // midpoint rule, bins of 0.13 s
        {"bandwidth 0", 0.3, 0.2, 0.0, 0.0, 0.0, 0.0},
        {"obsFst 1: empty upper range", 0.3, 1.0, 0.04, 0.0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        Values het_v({c.sim_het}), fst_v({0.5});
        MY_TArrayAsVector<double>&het = het_v.a, &fst = fst_v.a;
        double obs = c.obs_fst, upper = -1.0;
        double p = calcFSTpvalue4(obs, het, fst, c.bandwidth, 0.3, 0.04, 200, upper);
        EXPECT_NEAR(p, c.p, c.tolerance) << c.what;
        EXPECT_NEAR(upper, c.upper, c.tolerance) << c.what;
    }
    // obsFst -0.3, U = 0.96: the lower range is [-0.4, -0.3], with mass 0.04.
    Values het_v({0.3}), low_v({-0.3 + 1.7506860712521692 * 0.01});
    MY_TArrayAsVector<double>&het = het_v.a, &low = low_v.a;
    double obs = -0.3, upper = 0.0;
    EXPECT_NEAR(calcFSTpvalue4(obs, het, low, 0.02, 0.3, 0.04, 200, upper), 0.04, 5e-4);
    // The other variants: [-0.12, -0.02] for obsFst -0.02 holds the locus at -0.07.
    Values near0_v({-0.07});
    MY_TArrayAsVector<double>& near0 = near0_v.a;
    double lower = 0.0;
    obs = -0.02;
    EXPECT_NEAR(calcFSTpvalue2(obs, het, near0, 0.02, 0.3, 0.04, 200, lower), 0.0, 1e-6);
    EXPECT_NEAR(lower, 1.0, 1e-3);
    EXPECT_NEAR(calcFSTpvalue3(obs, het, near0, 0.02, 0.3, 0.04, 200, lower), 0.0, 1e-6);
    EXPECT_NEAR(calcFSTpvalue(obs, het, near0, 0.02, 0.3, 0.04, 200), 0.0, 1e-6);
}

// U against the closed-form tail of the weighted Gaussian mixture
// sum w_i [Phi((1 - F_i)/s) - Phi((F_obs - F_i)/s)] / W, written out here.
TEST(FstNullDensity, UpperTailEqualsGaussianMixtureTail)
{
    const std::vector<double> H = {0.28, 0.30, 0.31, 0.33, 0.35};
    const std::vector<double> F = {0.05, 0.12, 0.20, 0.31, 0.45};
    const double obs_het = 0.31, h = 0.04, bandwidth = 0.1, s = 0.05, obs_fst = 0.15;
    double W = 0.0, tail = 0.0;
    for (std::size_t i = 0; i < H.size(); ++i) {
        double d = (H[i] - obs_het) / h;
        double w = std::fabs(H[i] - obs_het) <= h ? 0.75 * (1 - d * d) / h : 0.0;
        W += w;
        tail += w * (phi((1 - F[i]) / s) - phi((obs_fst - F[i]) / s));
    }
    tail /= W;
    Values het_v(H), fst_v(F);
    MY_TArrayAsVector<double>&het = het_v.a, &fst = fst_v.a;
    double obs = obs_fst, upper = 0.0;
    double p = calcFSTpvalue4(obs, het, fst, bandwidth, obs_het, h, 200, upper);
    // Midpoint rule, 200 bins of 0.00425: error below (b - a) D^2 max|f''| / 24.
    const double delta = (1 - obs_fst) / 200;
    const double bound = (1 - obs_fst) * delta * delta / (std::sqrt(2 * M_PI) * s * s * s) / 24;
    EXPECT_NEAR(upper, tail, bound);
    EXPECT_EQ(p, upper > 0.5 ? 1 - upper : upper);
}

TEST(FstNullDensity, SortedLociGiveTheSamePValues)
{
    MY_TArrayAsVector<double> het, fst;
    for (int i = 0; i < 2000; ++i) {
        het.Add(std::fmod(i * 0.6180339887, 1.0));
        fst.Add(std::fmod(i * 0.4142135623, 0.6));
    }
    SortedSimulatedLoci sorted(het, fst);
    for (int k = 0; k < 50; ++k) {
        double obs = k * 0.013, obs_het = k * 0.02, up1 = 0, up2 = 0;
        double p1 = calcFSTpvalue4(obs, het, fst, 0.025, obs_het, 0.04, 200, up1);
        double p2 = calcFSTpvalue4(obs, sorted, 0.025, obs_het, 0.04, 200, up2);
        EXPECT_NEAR(p1, p2, 1e-12) << k;
        EXPECT_NEAR(up1, up2, 1e-12) << k;
    }
}

TEST(FstNullDensity, QuantilesByCumulativeShare)
{
    struct Case {
        const char* what;
        std::vector<double> fst;
        double bandwidth;
        std::vector<double> levels, quantiles;
    };
    const double tiny = 2e-5;  // all of a locus's mass in its own bin
    const Case cases[] = {
        {"levels passed in one bin take consecutive midpoints", {midpoint(100)}, tiny,
         {0.2, 0.5, 0.8}, {midpoint(100), midpoint(101), midpoint(102)}},
        {"the test is strict: a share of exactly 1.0 passes no level 1.0", {midpoint(100)}, tiny,
         {0.999, 1.0}, {midpoint(100), 2.0}},
        {"levels the last bin cannot take get 2.0", {midpoint(399)}, tiny, {0.5, 0.9},
         {midpoint(399), 2.0}},
        {"a quantile as low as the first midpoint", {-0.1}, 0.025, {0.01}, {-0.098625}},
        {"no simulated locus near the point: 2.0 (blank)", {}, 0.025, {0.01, 0.5}, {2.0, 2.0}},
    };
    for (const Case& c : cases) {
        Values het_v(std::vector<double>(c.fst.size(), 0.2)), fst_v(c.fst), levels_v(c.levels);
        MY_TArrayAsVector<double>&het = het_v.a, &fst = fst_v.a, &levels = levels_v.a;
        MY_TArrayAsVector<double> q;
        EXPECT_EQ(calcCILimits(het, fst, c.bandwidth, 0.2, 0.04, 400, levels, q), 1);
        ASSERT_EQ(q.count, static_cast<int>(c.quantiles.size())) << c.what;
        for (int l = 0; l < q.count; ++l)
            EXPECT_NEAR(q[l], c.quantiles[l], 1e-12) << c.what << ", level " << l;
    }
}

TEST(FstNullDensity, QuantileTableRows)
{
    Values het_v({0.2, 0.2}), fst_v({0.0125, 0.0125});
    MY_TArrayAsVector<double>&het = het_v.a, &fst = fst_v.a;
    std::ostringstream out;
    writeFSTQuantileTable(out, het, fst, 0.2, 0.2);
    std::string text = out.str();
    EXPECT_EQ(text.substr(0, 95), std::string(94, '-') + "\n");
    EXPECT_NE(text.find("  Het. BP." + std::string(29, ' ') + "FST null distribution quantiles\n"),
              std::string::npos);
    EXPECT_NE(text.find("\n                  0.01        0.05"), std::string::npos);
    EXPECT_NE(text.find("\n   " + std::string(91, '-') + "\n"), std::string::npos);
    // Twenty rows at 0.2; every quantile within a few bins of 0.0125.
    std::istringstream rows(text);
    std::string line;
    int found = 0;
    while (std::getline(rows, line)) {
        if (line.rfind("  0.200000", 0) != 0)
            continue;
        ++found;
        ASSERT_EQ(line.size(), 10u + 7 * 12) << line;
        for (int l = 0; l < 7; ++l)
            EXPECT_NEAR(std::stod(line.substr(10 + 12 * l, 12)), 0.0125, 0.03) << line;
    }
    EXPECT_EQ(found, 20);
    // No simulated locus anywhere near: blank cells.
    std::ostringstream blank;
    writeFSTQuantileTable(blank, het, fst, 0.8, 0.8);
    EXPECT_NE(blank.str().find("  0.800000" + std::string(84, ' ') + "\n"), std::string::npos);
}
