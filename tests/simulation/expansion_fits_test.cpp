// Tests of the sudden- and spatial-expansion fits of the mismatch
// distribution: the expectations against hand-worked values and textbook
// limits, the reader of the observed histogram, the raggedness index, the
// mismatch of a simulated sample, the recovery of known parameters by the
// searches, the percentile positions of the bootstrap, its count of the
// refits that did not converge and its stop request.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <iomanip>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "simulation/ann_missmatch.h"
#include "simulation/spatial_expansion.h"
#include "simulation_fixture.h"

namespace {

class ExpansionFitTest : public SimulationTest {
protected:
    PopGenetics sample;
    settings run_settings;

    void SetUp() override
    {
        SimulationTest::SetUp();
        sample.initialize();
        run_settings.stop_requested = 0;
    }

    // The observed histogram of the sample: counts of classes 0, 1, ...;
    // MaxPairDiff the last class with a count.
    void histogram(std::vector<std::int64_t> const& counts, int last_expected_class)
    {
        int max_diff = 0;
        for (std::size_t d = 0; d < counts.size(); ++d)
            if (counts[d])
                max_diff = static_cast<int>(d);
        sample.MaxPairDiff = max_diff;
        sample.NumMismatchClasses = last_expected_class;
        delete[] sample.MismatchObsCounts;
        sample.MismatchObsCounts = new std::int64_t[2 * max_diff + 1]();
        for (int d = 0; d <= max_diff; ++d)
            sample.MismatchObsCounts[d] = counts[d];
    }
};

// Distribution arrays of a fit, all slots zeroed, x[k] = k - 1.
struct Arrays {
    std::vector<double> x = std::vector<double>(510, 0.0);
    std::vector<double> y = std::vector<double>(510, 0.0);
    Arrays()
    {
        for (int k = 1; k < 510; ++k)
            x[k] = k - 1;
    }
};

}  // namespace

TEST_F(ExpansionFitTest, SuddenExpansionTendsToPoissonAfterAHugeExpansion)
{
    ann_missmatch fit(&sample, &run_settings);
    fit.init_data(1e-7, 99999.0, 3.0, 1.0);
    const double poisson[3] = {0.049787, 0.149361, 0.224042};  // e^-3 3^i / i!
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(fit.f_i_exp(i), poisson[i], 1e-4) << "class " << i;
}

TEST_F(ExpansionFitTest, SuddenExpansionGuardsAndTotal)
{
    ann_missmatch fit(&sample, &run_settings);
    fit.init_data(2.0, 1.0, 1.0, 1.0);
    EXPECT_NEAR(fit.f_i_exp(0), 1.0 / 3.0, 1e-12);
    EXPECT_EQ(fit.theta1, 2.0);

    fit.init_data(2.0, 5.0, 0.0, 1.0);
    EXPECT_NEAR(fit.f_i_exp(2), 4.0 / 27.0, 1e-12);  // F_2(2) = 2^2 / 3^3
    EXPECT_EQ(fit.tau, 1e-7);

    fit.init_data(0.0, 5.0, 2.0, 1.0);
    fit.f_i_exp(1);
    EXPECT_EQ(fit.theta0, 1e-7);

    fit.init_data(1.0, 50.0, 5.0, 1.0);
    double total = 0.0;
    for (int i = 0; i < 500; ++i)
        total += fit.f_i_exp(i);
    EXPECT_NEAR(total, 1.0, 1e-6);
}

TEST_F(ExpansionFitTest, SpatialExpectationAgainstHandValues)
{
    mismatchSpatialExpansion fit(&sample, &run_settings);
    fit.init_data(1.0, 1.0, 1.0, 1.0, 1.0);
    // F(0) = 1/S + A - E/S with S = 3, A = e^-1 (1 + e^-2) / 4, E = e^-3.
    const double expected[3] = {0.421154, 0.245608, 0.151884};
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(fit.f_i_spatial_exp_3p(i), expected[i], 1e-6) << "class " << i;
    double total = 0.0;
    for (int i = 0; i < 400; ++i)
        total += fit.f_i_spatial_exp_3p(i);
    EXPECT_NEAR(total, 1.0, 1e-9);
    // Equal deme sizes: the four-parameter model is the three-parameter one.
    for (int i : {0, 3, 10})
        EXPECT_NEAR(fit.f_i_spatial_exp_4p(i), fit.f_i_spatial_exp_3p(i), 1e-12);
}

TEST_F(ExpansionFitTest, SpatialGuardsAndExtremeTauStayFinite)
{
    mismatchSpatialExpansion fit(&sample, &run_settings);
    fit.init_data(0.0, 0.0, 0.0, -2.0, 1.0);
    fit.f_i_spatial_exp_3p(0);
    EXPECT_EQ(fit.theta0, 0.01);
    EXPECT_EQ(fit.theta1, 0.01);
    EXPECT_EQ(fit.tau, 1e-5);
    EXPECT_EQ(fit.M, 1e-5);

    // A tau of several hundred over classes near 500: every term finite.
    fit.init_data(3.0, 3.0, 900.0, 2.0, 1.0);
    Arrays a;
    a.y[1] = 1.0;
    double ssd = fit.f_S_Spatial_Exp_3p(a.x.data(), a.y.data(), 499);
    EXPECT_TRUE(std::isfinite(ssd));
    EXPECT_TRUE(std::isfinite(fit.f_i_spatial_exp_4p(480)));
    EXPECT_GE(fit.f_i_spatial_exp_3p(480), 0.0);
}

TEST_F(ExpansionFitTest, ReaderKeepsClassesUpToTheLastNonEmptyOne)
{
    histogram({3, 5, 2}, 4);
    ann_missmatch fit(&sample, &run_settings);
    Arrays a;
    int n = 0;
    std::int64_t pairs = 0;
    ASSERT_EQ(fit.read_mismatch_pop(a.x.data(), a.y.data(), n, pairs), 1);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(pairs, 10);
    EXPECT_EQ(fit.sample_size, 5);
    const double y[4] = {3, 5, 2, 0};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(a.x[k], k - 1);
        EXPECT_EQ(a.y[k], y[k - 1]);
    }
    EXPECT_EQ(fit.theta0, 1.0);
    EXPECT_EQ(fit.theta1, 5.0);
    EXPECT_EQ(fit.tau, 3.0);

    // 45 pairs are 10 gene copies, 44 pairs 9; no last expected class: the
    // largest difference bounds the classes.
    for (auto [count, size] : {std::pair{45, 10}, std::pair{44, 9}}) {
        histogram({0, count}, 0);
        ASSERT_EQ(fit.read_mismatch_pop(a.x.data(), a.y.data(), n, pairs), 1);
        EXPECT_EQ(fit.sample_size, size);
        EXPECT_EQ(n, 3);
    }

    // A histogram beyond the capacity: the last position stays inside the
    // arrays that every simulated distribution fills (below max_classes).
    histogram(std::vector<std::int64_t>(700, 1), 0);
    ASSERT_EQ(fit.read_mismatch_pop(a.x.data(), a.y.data(), n, pairs), 1);
    EXPECT_EQ(n, fit.max_classes - 1);
    EXPECT_EQ(pairs, fit.max_classes - 2);
}

// Classes 0 .. 497 enter the fit; pairs beyond them are named in the results.
TEST_F(ExpansionFitTest, ClassesBeyondTheFitAreNamed)
{
    struct Case {
        int last_class;      // the histogram has one pair at 0 and one here
        int last_expected;
        const char* note;    // expected in the results, or null for none
    };
    const Case cases[] = {
        {497, 600, nullptr},
        {498, 600, "reaches beyond 497 differences: the classes above it (1 pairs) were left out"},
        {520, 510, nullptr},  // beyond the last expected class: not read at all
    };
    for (const Case& c : cases) {
        std::vector<std::int64_t> counts(c.last_class + 1, 0);
        counts[0] = counts[c.last_class] = 1;
        histogram(counts, c.last_expected);
        ann_missmatch fit(&sample, &run_settings);
        std::ostringstream out;
        fit.solve_least_square_rh(out);
        const bool noted = out.str().find("left out of the fit") != std::string::npos;
        EXPECT_EQ(noted, c.note != nullptr) << "last class " << c.last_class;
        if (c.note) {
            EXPECT_NE(out.str().find(c.note), std::string::npos) << out.str().substr(0, 300);
        }
    }
}

TEST_F(ExpansionFitTest, HistogramWithoutPairsIsRefused)
{
    histogram({0, 0, 0}, 2);
    ann_missmatch fit(&sample, &run_settings);
    std::ostringstream out;
    fit.num_boot = 10;
    fit.solve_least_square_rh(out);
    EXPECT_EQ(fit.error, 1);
    EXPECT_NE(out.str().find("no expansion fitted"), std::string::npos);
    EXPECT_EQ(out.str().find("Tau"), std::string::npos);
    EXPECT_NE(log_text().find("holds no pair"), std::string::npos);
}

TEST_F(ExpansionFitTest, RaggednessAndMean)
{
    ann_missmatch fit(&sample, &run_settings);
    double x[5] = {0, 0, 1, 2, 3};
    double y[5] = {0, 0.5, 0.5, 0.0, 0.0};
    EXPECT_DOUBLE_EQ(fit.compute_raggedness_index(x, y, 3), 0.25);
    double zero[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(fit.compute_raggedness_index(x, zero, 3), 0.0);
    EXPECT_EQ(fit.calc_mean_mssm(x, y, 1), 0.0);
    EXPECT_DOUBLE_EQ(fit.calc_mean_mssm(x, y, 4), 0.5);
}

// Three tips of states 000, 100 and 120: pairs at 1, 2 and 1 differences over
// two polymorphic sites; with 3 classes the pair at 2 counts in the pairs only.
TEST_F(ExpansionFitTest, SimulatedMismatchCountsEveryPair)
{
    sample.SampleSize = 3;
    TTree& tree = sample.SimTree;
    make_three_tip_tree(tree);
    const int states[3][3] = {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}};
    for (int i = 0; i < 3; ++i) {
        tree.nodes[i].states.resize(3);
        tree.nodes[i].num_sites = 3;
        for (int s = 0; s < 3; ++s)
            tree.nodes[i].states[s] = states[i][s];
    }
    ann_missmatch fit(&sample, &run_settings);
    Arrays a;
    fit.calc_mismatch(a.x.data(), a.y.data(), 3, 10);
    EXPECT_DOUBLE_EQ(a.y[1], 0.0);
    EXPECT_DOUBLE_EQ(a.y[2], 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(a.y[3], 1.0 / 3.0);
    EXPECT_EQ(fit.sim_polym_sites, 2.0);
    fit.calc_mismatch(a.x.data(), a.y.data(), 3, 3);
    EXPECT_DOUBLE_EQ(a.y[2], 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(a.y[1] + a.y[2], 2.0 / 3.0);

    a.y[1] = 0.75;
    fit.calc_mismatch(a.x.data(), a.y.data(), 4, 10);
    EXPECT_EQ(a.y[1], 0.75);
    EXPECT_NE(log_text().find("Problem with population sample size in simulation"), std::string::npos);
}

TEST_F(ExpansionFitTest, SearchesRecoverKnownParameters)
{
    const int n = 60;
    {
        ann_missmatch fit(&sample, &run_settings);
        fit.init_data(1.0, 50.0, 5.0, 1.0);
        Arrays a;
        fit.expected_distribution(n - 1, a.y.data() + 1);
        fit.init_data(1.0, 5.0, 3.0, 1.0);
        ASSERT_EQ(fit.hook_jeeves_rh(a.x.data(), a.y.data(), n, 2000, 0.001), 1);
        EXPECT_NEAR(fit.tau, 5.0, 0.25);
        EXPECT_NEAR(fit.theta0, 1.0, 0.1);
        EXPECT_NEAR(fit.theta1, 50.0, 5.0);
        EXPECT_LT(fit.ssd, 1e-6);
    }
    {
        mismatchSpatialExpansion fit(&sample, &run_settings);
        fit.init_data(2.0, 2.0, 6.0, 5.0, 1.0);
        Arrays a;
        for (int k = 1; k < n; ++k)
            a.y[k] = fit.f_i_spatial_exp_3p(k - 1);
        fit.init_data(0.0, 0.0, 0.0, 0.0, 1.0);
        ASSERT_EQ(fit.hook_jeeves_spatial_exp_3_par(a.x.data(), a.y.data(), n, 2000, 0.001), 1);
        EXPECT_EQ(fit.not_converged, 0);
        EXPECT_NEAR(fit.tau, 6.0, 0.3);
        EXPECT_NEAR(fit.theta1, 2.0, 0.1);
        EXPECT_EQ(fit.theta0, fit.theta1);
        EXPECT_NEAR(fit.M, 5.0, 0.5);
        EXPECT_LT(fit.ssd, 1e-6);
    }
}

// Expected relative frequency of class i after a sudden expansion (Rogers and
// Harpending 1992), written out here independently of the fit.
double rogers_harpending(int i, double theta0, double theta1, double tau)
{
    auto F = [](double theta, int k) { return std::pow(theta, k) / std::pow(theta + 1.0, k + 1); };
    double sum = 0.0;
    for (int j = 0; j <= i; ++j)
        sum += std::exp(j * std::log(tau) - std::lgamma(j + 1.0)) * (F(theta0, i - j) - F(theta1, i - j));
    return F(theta1, i) + std::exp(-tau * (theta1 + 1.0) / theta1) * sum;
}

// A strongly expanding sample drives theta1 up; the search holds it at its
// bound and still fits tau and theta0. Two observed histograms: North of the
// e2e projects (pairs 4 and 6 at 0 and 1 differences), whose least-squares
// tau at theta1 = 99999 and theta0 = 1e-7, found by a ternary search, is
// 0.94738; and the rounded expected pairs of 80 gene copies under theta0
// 0.5, theta1 200 and tau 12.
TEST_F(ExpansionFitTest, ExpandingSampleHoldsTheta1AtItsBound)
{
    {
        histogram({4, 6}, 1);
        ann_missmatch fit(&sample, &run_settings);
        std::ostringstream out;
        fit.solve_least_square_rh(out);
        EXPECT_EQ(fit.not_converged, 0);
        EXPECT_EQ(fit.theta1, 99999.0);
        EXPECT_NEAR(fit.tau, 0.94738, 0.001);
        EXPECT_NEAR(fit.obs_ssd, 0.0542755, 1e-6);
        EXPECT_NE(out.str().find("Theta1                              :    99999.000"),
                  std::string::npos);
    }
    const int pairs = 80 * 79 / 2;
    std::vector<std::int64_t> counts;
    int last_expected = 0;
    for (int i = 0; i < 60; ++i) {
        const double f = rogers_harpending(i, 0.5, 200.0, 12.0);
        counts.push_back(static_cast<int>(std::lround(f * pairs)));
        if (f > 1e-5)
            last_expected = i;
    }
    histogram(counts, last_expected);
    sample.SampleSize = 80;
    ann_missmatch fit(&sample, &run_settings);
    fit.num_boot = 20;
    std::ostringstream out;
    fit.solve_least_square_rh(out);
    EXPECT_EQ(fit.num_boot, 20);
    EXPECT_NEAR(fit.tau, 12.0, 0.6);
    EXPECT_GE(fit.summary_values[1], 0.05) << "P(SSD)";
}

// The fit reads relative frequencies: the histogram of North (pairs 4 and 6
// at 0 and 1 differences, least-squares tau 0.94738) scaled by 5e8, 5e9
// pairs in all (beyond 2^31), gives the same fit, and its table prints the
// scaled counts.
TEST_F(ExpansionFitTest, FitOfMoreThan2To31PairsIsTheScaledDownFit)
{
    auto fit_of = [this](std::vector<std::int64_t> const& counts) {
        histogram(counts, 1);
        auto fit = std::make_unique<ann_missmatch>(&sample, &run_settings);
        std::ostringstream out;
        fit->solve_least_square_rh(out);
        return std::make_pair(std::move(fit), out.str());
    };
    const auto [small, small_text] = fit_of({4, 6});
    const auto [large, large_text] = fit_of({2000000000, 3000000000});
    EXPECT_EQ(large->num_pairs, 5000000000);
    EXPECT_EQ(large->error, 0);
    EXPECT_EQ(large->tau, small->tau);
    EXPECT_EQ(large->theta0, small->theta0);
    EXPECT_EQ(large->theta1, small->theta1);
    EXPECT_EQ(large->obs_ssd, small->obs_ssd);
    EXPECT_NEAR(large->tau, 0.94738, 0.001);
    const std::string fit_lines = small_text.substr(0, small_text.find("---"));
    EXPECT_EQ(large_text.substr(0, large_text.find("---")), fit_lines);
    EXPECT_NE(large_text.find("         1.0 3000000000.0"), std::string::npos) << large_text;
}

TEST_F(ExpansionFitTest, PercentilePositions)
{
    struct Case {
        int B;
        int bounds[3][2];  // alpha 0.01, 0.05, 0.10
        int summary[4];    // 2.5, 5, 95, 97.5%
    };
    const Case cases[] = {
        {100, {{0, 99}, {2, 97}, {5, 95}}, {1, 4, 94, 96}},
        {20, {{0, 19}, {0, 19}, {1, 19}}, {0, 0, 18, 18}},
        {10, {{0, 9}, {0, 9}, {0, 9}}, {0, 0, 8, 8}},
        {1, {{0, 0}, {0, 0}, {0, 0}}, {0, 0, 0, 0}},
    };
    const double levels[3] = {0.01, 0.05, 0.10};
    const double quantiles[4] = {0.025, 0.05, 0.95, 0.975};
    for (const Case& c : cases) {
        for (int l = 0; l < 3; ++l) {
            int lo = -1, up = -1;
            ann_missmatch::percentile_bounds(levels[l], c.B, lo, up);
            EXPECT_EQ(lo, c.bounds[l][0]) << "B " << c.B << " alpha " << levels[l];
            EXPECT_EQ(up, c.bounds[l][1]) << "B " << c.B << " alpha " << levels[l];
        }
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(ann_missmatch::summary_position(quantiles[q], c.B), c.summary[q])
                << "B " << c.B << " quantile " << quantiles[q];
    }
}

// A sample of 12 gene copies (66 pairs) with an expansion-like histogram.
class ExpansionBootstrapTest : public ExpansionFitTest {
protected:
    void SetUp() override
    {
        ExpansionFitTest::SetUp();
        histogram({4, 9, 14, 16, 12, 7, 3, 1}, 9);
        sample.SampleSize = 12;
        sample.NumPolymSites = 11;
    }
};

TEST_F(ExpansionBootstrapTest, SuddenBootstrapFillsTablesAndSummary)
{
    ann_missmatch fit(&sample, &run_settings);
    fit.num_boot = 8;
    fit.obs_polym_sites = 11;
    std::ostringstream out;
    fit.solve_least_square_rh(out);
    const std::string text = out.str();
    EXPECT_EQ(fit.num_boot, 8);
    EXPECT_EQ(fit.alpha, 0.10);
    for (const char* part : {"Test of goodness-of-fit:", "Mismatch distributions:",
                             "Confidence region for the observed mismatch:", "No. pol. sites:"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    EXPECT_EQ(count_of(text, "Confidence intervals (Percentile method):"), 3);
    EXPECT_EQ(fit.summary_values[0], fit.obs_ssd);
    EXPECT_DOUBLE_EQ(fit.summary_values[1] * 8, std::round(fit.summary_values[1] * 8));
    for (int p = 0; p < 3; ++p)
        EXPECT_LE(fit.summary_values[4 + 4 * p], fit.summary_values[7 + 4 * p]);
    EXPECT_EQ(TNode::hits.count, 0);
}

// Searches of one step converge nowhere: every replicate still enters both
// bootstraps, and the goodness-of-fit block counts them all.
TEST_F(ExpansionBootstrapTest, RefitsThatNeverConvergeAllEnter)
{
    ann_missmatch sudden(&sample, &run_settings);
    mismatchSpatialExpansion spatial(&sample, &run_settings);
    const struct {
        const char* what;
        ann_missmatch& fit;
        std::function<void(std::ostream&)> solve;
    } cases[] = {
        {"sudden", sudden, [&](std::ostream& out) { sudden.solve_least_square_rh(out); }},
        {"spatial", spatial,
         [&](std::ostream& out) { spatial.solve_least_square_spatial_expansion_3_par(out); }},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        c.fit.num_boot = 5;
        c.fit.max_steps = 1;
        std::ostringstream out;
        c.solve(out);
        const std::string text = out.str();
        EXPECT_EQ(c.fit.num_boot, 5);
        EXPECT_NE(text.find("\n     Refits that did not converge:          5 of 5\n"),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("Based on 5 replicates"), std::string::npos);
        EXPECT_EQ(text.find("Parametric bootstrap failed"), std::string::npos);
    }
}

// Every replicate of the sudden- and of the spatial-expansion bootstrap
// enters, converged or not, as the fit to the observed sample does: the
// P-values are counts over all B replicates, recounted here by drawing the
// same replicates one by one from the same seed and refitting each from the
// estimates (the spatial refits draw their random starts from the same
// stream). A two-peaked histogram and searches of 40 (sudden) and 30
// (spatial) steps leave a share of the refits short of convergence.
TEST_F(ExpansionBootstrapTest, BootstrapsCountEveryRefit)
{
    histogram({20, 5, 1, 0, 3, 9, 14, 8, 4, 2}, 11);
    const int B = 40;
    using Fit = ann_missmatch;
    using Spatial = mismatchSpatialExpansion;
    const struct {
        const char* what;
        int steps;  // of each search
        std::function<std::unique_ptr<Fit>()> make;
        std::function<void(Fit&, std::ostream&)> solve;
        std::function<bool(Fit&, double*, double*)> simulate;
        std::function<int(Fit&, double*, double*, int)> refit;
    } cases[] = {
        {"sudden", 40, [this] { return std::make_unique<Fit>(&sample, &run_settings); },
         [](Fit& f, std::ostream& out) { f.solve_least_square_rh(out); },
         [](Fit& f, double* x, double* y) {
             int unused = 0;
             return f.simulate_miss(x, y, unused) != 0;
         },
         [](Fit& f, double* x, double* y, int n) {
             return f.hook_jeeves_rh(x, y, n, f.max_steps, f.epsilon);
         }},
        {"spatial", 30, [this] { return std::make_unique<Spatial>(&sample, &run_settings); },
         [](Fit& f, std::ostream& out) {
             static_cast<Spatial&>(f).solve_least_square_spatial_expansion_3_par(out);
         },
         [](Fit& f, double* x, double* y) {
             int unused = 0;
             return static_cast<Spatial&>(f).simulate_spatial_exp(x, y, unused);
         },
         [](Fit& f, double* x, double* y, int n) {
             return static_cast<Spatial&>(f).hook_jeeves_spatial_exp_3_par(x, y, n, f.max_steps,
                                                                            f.epsilon);
         }},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        const auto fitted = [&](int replicates) {
            std::unique_ptr<Fit> fit = c.make();
            fit->num_boot = replicates;
            fit->max_steps = c.steps;
            std::ostringstream out;
            initialize_ran3(-31);
            c.solve(*fit, out);
            return std::make_pair(std::move(fit), out.str());
        };
        const std::string text = fitted(B).second;

        // The fit without bootstrap leaves the stream where the bootstrap
        // starts; its estimates are those every replicate starts from.
        const std::unique_ptr<Fit> fit = fitted(0).first;
        Fit& f = *fit;
        Spatial* spatial = dynamic_cast<Spatial*>(fit.get());
        const double tau = f.tau, theta0 = f.theta0, theta1 = f.theta1;
        const double M = spatial ? spatial->M : 0.0;
        auto restore = [&] {
            f.tau = tau;
            f.theta0 = theta0;
            f.theta1 = theta1;
            if (spatial)
                spatial->M = M;
        };
        Arrays a;
        int n = 0;
        std::int64_t pairs = 0;
        ASSERT_EQ(f.read_mismatch_pop(a.x.data(), a.y.data(), n, pairs), 1);
        ASSERT_TRUE(sample.SimTree.allocate_tree(12));
        int ssd_at_least = 0, raggedness_at_least = 0, not_converged = 0;
        for (int accepted = 0; accepted < B;) {
            restore();
            if (!c.simulate(f, a.x.data(), a.y.data()))
                continue;
            const double r_sim = f.compute_raggedness_index(a.x.data(), a.y.data(), n);
            restore();
            not_converged += !c.refit(f, a.x.data(), a.y.data(), n);
            ssd_at_least += f.ssd >= f.obs_ssd;
            raggedness_at_least += r_sim >= f.raggedness;
            ++accepted;
        }
        EXPECT_GT(not_converged, 0);
        EXPECT_LT(not_converged, B);
        std::ostringstream expected;
        expected << std::fixed << std::setprecision(8) << "\n          P(Sim. Ssd >= Obs. Ssd): "
                 << std::setw(10) << static_cast<double>(ssd_at_least) / B
                 << "\n    Harpending's Raggedness index: " << std::setw(10) << f.raggedness
                 << "\n        P(Sim. Rag. >= Obs. Rag.): " << std::setw(10)
                 << static_cast<double>(raggedness_at_least) / B
                 << "\n     Refits that did not converge: " << std::setw(10) << not_converged
                 << " of " << B << "\n";
        EXPECT_NE(text.find(expected.str()), std::string::npos) << expected.str() << "\n" << text;
        EXPECT_NE(text.find("Based on 40 replicates"), std::string::npos);
    }
}

TEST_F(ExpansionBootstrapTest, StopRequestRestoresTheEstimates)
{
    mismatchSpatialExpansion fit(&sample, &run_settings);
    fit.num_boot = 50;
    run_settings.stop_requested = 1;
    std::ostringstream out;
    fit.solve_least_square_spatial_expansion_3_par(out);
    std::string text = out.str();
    EXPECT_NE(text.find("Parameters of the spatial expansion assuming constant deme size"),
              std::string::npos);
    EXPECT_EQ(text.find("Test of goodness-of-fit:"), std::string::npos);
    std::ostringstream printed;
    printed << std::fixed << std::setprecision(3) << std::setw(12) << fit.tau;
    EXPECT_NE(text.find("Tau                                 : " + printed.str()), std::string::npos);
    EXPECT_EQ(fit.theta0, fit.theta1);
}

TEST_F(ExpansionBootstrapTest, SpatialBootstrapGivesTheMQuantiles)
{
    mismatchSpatialExpansion fit(&sample, &run_settings);
    fit.num_boot = 6;
    std::ostringstream out;
    fit.solve_least_square_spatial_expansion_3_par(out);
    EXPECT_EQ(fit.num_boot, 6);
    EXPECT_NE(out.str().find("                        M:"), std::string::npos);
    EXPECT_LE(fit.M_CI[0], fit.M_CI[3]);
    EXPECT_GT(fit.M_CI[3], 0.0);
    EXPECT_EQ(fit.error, 0);
}
