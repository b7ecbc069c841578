// Tests of the older sudden-expansion fit for several classes of site rates:
// the finite-sites expectation against values written out here from the
// H-number tables by hand, the fit from table files, the summary file of the
// default object, the parameter grid file and the placeholder search.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "simulation/ann_missmatch.h"
#include "simulation_fixture.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;

namespace {

// P(m mutations between two genes) after a sudden expansion (Rogers and
// Harpending 1992), written out independently of the fit.
double mutations_between_two_genes(int m, double theta0, double theta1, double tau)
{
    auto F = [](double theta, int k) { return std::pow(theta, k) / std::pow(theta + 1.0, k + 1); };
    double sum = 0.0;
    for (int j = 0; j <= m; ++j)
        sum += std::exp(j * std::log(tau) - std::lgamma(j + 1.0)) * (F(theta0, m - j) - F(theta1, m - j));
    return F(theta1, m) + std::exp(-tau * (theta1 + 1.0) / theta1) * sum;
}

// Runs in a folder of its own, the working directory moved there and back.
class MultiRateFitTest : public SimulationTest {
protected:
    PopGenetics sample;
    settings run_settings;
    fs::path old_dir;
    fs::path dir;

    void SetUp() override
    {
        SimulationTest::SetUp();
        sample.initialize();
        old_dir = fs::current_path();
        dir = fs::temp_directory_path() / ("multirate_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        fs::current_path(dir);
    }
    void TearDown() override
    {
        fs::current_path(old_dir);
        fs::remove_all(dir);
        SimulationTest::TearDown();
    }

    // A mixture table of `columns` columns: the two-site table (one site
    // hit by every mutation with probability (1/2)^(m-1)), or the identity
    // of infinite sites.
    static void fill_table(Ex_HNum& H, int columns, bool two_sites)
    {
        H.H.assign(columns, std::vector<double>(columns, 0.0));
        H.size = H.cols = columns;
        H.last_row = columns - 1;
        for (int m = 0; m < columns; ++m) {
            if (!two_sites) {
                H.H[m][m] = 1.0;
            } else if (m == 0) {
                H.H[0][0] = 1.0;
            } else {
                H.H[1][m] = std::pow(0.5, m - 1);
                H.H[2][m] = 1.0 - std::pow(0.5, m - 1);
            }
        }
    }
};

}  // namespace

TEST_F(MultiRateFitTest, FiniteSitesExpectationFromTheTables)
{
    const double theta0 = 0.5, theta1 = 3.0, tau = 2.0;
    ann_missmatch fit(&sample, &run_settings);
    fit.init_data(theta0, theta1, tau, 1.0);
    int M = 0;
    ASSERT_EQ(fit.init_f_i_exp_vect(5e-6, M), 1);
    EXPECT_GT(M, 5);
    EXPECT_GT(mutations_between_two_genes(M, theta0, theta1, tau), 5e-6);
    for (int m : {0, 1, 5, M})
        EXPECT_NEAR(fit.wat_vector[m], mutations_between_two_genes(m, theta0, theta1, tau), 1e-12) << m;
    EXPECT_LE(mutations_between_two_genes(M + 1, theta0, theta1, tau), 5e-6);

    // Two sites: class 0 is P(0), class 1 sum_m P(m) (1/2)^(m-1), class 2 the rest.
    fill_table(fit.H_mix, 100, true);
    double e1 = 0.0, e2 = 0.0;
    for (int m = 1; m <= M; ++m) {
        const double p = mutations_between_two_genes(m, theta0, theta1, tau);
        e1 += p * std::pow(0.5, m - 1);
        e2 += p * (1.0 - std::pow(0.5, m - 1));
    }
    std::vector<double> x = {0, 0, 1, 2, 3}, y = {0, 0.3, 0.4, 0.2, 0.0};
    const double p0 = mutations_between_two_genes(0, theta0, theta1, tau);
    const double by_hand = std::pow(p0 - 0.3, 2) + std::pow(e1 - 0.4, 2) + std::pow(e2 - 0.2, 2);
    EXPECT_NEAR(fit.f_S2Rate(x.data(), y.data(), 4), by_hand, 1e-9);
    EXPECT_NEAR(fit.f_i_exp_2r(1), e1, 1e-4);  // terms below 1e-5 are left out

    // Infinite sites: the finite-sites fit is the plain one.
    fill_table(fit.H_mix, 100, false);
    EXPECT_NEAR(fit.f_S2Rate(x.data(), y.data(), 4), fit.f_SRod_Harp(x.data(), y.data(), 4), 1e-9);

    // A table with fewer columns than mutation classes.
    fill_table(fit.H_mix, 10, false);
    EXPECT_EQ(fit.f_S2Rate(x.data(), y.data(), 4), 10.0);
}

// Observed pairs of 40 gene copies from theta0 0.5, theta1 3, tau 2 under
// infinite sites. The reader sets the two-rate model of 400 and 0 sites, so
// the fit reads "H400.txt" and "H0.txt", written here from equal-rates tables.
TEST_F(MultiRateFitTest, FitFromTableFilesPrintsParametersAndEstimates)
{
    const int pairs = 40 * 39 / 2;
    int last = 0;
    std::vector<int> counts;
    for (int i = 0; i < 30; ++i) {
        counts.push_back(static_cast<int>(std::lround(pairs * mutations_between_two_genes(i, 0.5, 3.0, 2.0))));
        if (counts.back())
            last = i;
    }
    sample.MaxPairDiff = last;
    sample.NumMismatchClasses = last;
    sample.MismatchObsCounts = new std::int64_t[2 * last + 1]();
    std::copy(counts.begin(), counts.begin() + last + 1, sample.MismatchObsCounts);

    ann_missmatch fit(&sample, &run_settings);
    fit.h_dir = (dir / "none").string() + "/";
    std::ostringstream out;
    std::istringstream unused;
    fit.solve_least_square(unused, out, 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(log_text().find("Hn input data file not found for n=400"), std::string::npos);

    // Zero sites: no mutation leaves a difference, so row 0 holds a 1 at m = 0.
    for (int sites : {400, 0}) {
        My_HNum table;
        table.K = 199;
        if (sites > 0) {
            ASSERT_EQ(table.create(sites), 1);
        } else {
            table.H.assign(1, std::vector<double>(200, 0.0));
            table.H[0][0] = 1.0;
        }
        std::ofstream file(dir / ("H" + std::to_string(sites) + ".txt"));
        file << sites << " " << 200 << "\n";
        for (int k = 0; k <= sites; ++k) {
            for (int m = 0; m < 200; ++m)
                file << table.H[k][m] << " ";
            file << "\n*\n";
        }
    }
    fit.h_dir = dir.string() + "/";
    fit.solve_least_square(unused, out, 0);
    const std::string text = out.str();
    EXPECT_EQ(text.find("We used the 2-rate model\nInitial parameter values:\n\t m1:\t400\n\t m2:\t0\n"
                        "\t m3:\t0\n\t r:\t1\n\t alpha:\t-1\n\t Transition rate:\t0.33\n"
                        "\t mu:\t6.25e-07\n\t n:\t40\n\t N:\t4000000\n\t Tau:\t3\n\t Theta0:\t1\n"
                        "\t Theta1:\t5\n\t SSd:\t"),
              0u)
        << text.substr(0, 400);
    EXPECT_NE(text.find("After estimation:\n"), std::string::npos);
    EXPECT_NE(text.find("Estimated parameters:\n\tTau=\t"), std::string::npos);
    EXPECT_EQ(fit.H_mix.last_row, 402);
    // The objective at the generating parameters is the finite-sites one,
    // finite-sites expectation is sum_m P(m) H[k][m], H[k][m] the chance that
    // m mutations on 400 sites hit k of them (occupancy recursion).
    const int S = 400, columns = 80;
    std::vector<std::vector<double>> H(last + 12, std::vector<double>(columns, 0.0));
    H[0][0] = 1.0;
    for (int m = 1; m < columns; ++m)
        for (int k = 1; k < last + 12 && k <= m; ++k)
            H[k][m] = H[k - 1][m - 1] * (S - k + 1.0) / S + H[k][m - 1] * k / S;
    double at_truth = 0.0;
    for (int i = 0; i <= last + 10; ++i) {
        double expected = 0.0;
        for (int m = i; m < columns; ++m)
            expected += mutations_between_two_genes(m, 0.5, 3.0, 2.0) * H[i][m];
        const double observed = i <= last ? counts[i] / static_cast<double>(pairs) : 0.0;
        at_truth += std::pow(expected - observed, 2);
    }
    // and a search started there ends no worse; from the start values of the
    // reader (theta0 1, theta1 5, tau 3) the coordinate search stops on the
    // ridge of equal mean theta0 + tau.
    EXPECT_EQ(fit.not_converged, 0);
    EXPECT_NEAR(fit.tau + fit.theta0, 2.5, 0.1) << "tau " << fit.tau << " theta0 " << fit.theta0;
    std::vector<double> xs(510, 0.0), ys(510, 0.0);
    for (int k = 1; k < 510; ++k)
        xs[k] = k - 1;
    for (int i = 0; i <= last; ++i)
        ys[i + 1] = counts[i] / static_cast<double>(pairs);
    fit.init_data(0.5, 3.0, 2.0, 1.0);
    EXPECT_NEAR(fit.f_S2Rate(xs.data(), ys.data(), last + 12), at_truth, 0.05 * at_truth);
    fit.hook_jeeves(xs.data(), ys.data(), last + 12, 2000, 0.001);
    EXPECT_LE(fit.ssd, at_truth);
}

TEST_F(MultiRateFitTest, SummaryFileGridFileAndPlaceholder)
{
    const std::string header =
        "Data file\tTau\tC.I. Tau\tTheta1\tC.I. Theta1\tTheta0\tC.I. Theta0\tP-value\t"
        "Signif. 5%\tTau (R-H)\tTheta1 (R-H)\tTheta0 (R-H)\n";
    { ann_missmatch first; }
    { ann_missmatch second; }
    EXPECT_EQ(read_text(dir / "glob_res.xl"), header);

    ann_missmatch fit(&sample, &run_settings);
    fill_table(fit.H_mix, 100, false);
    std::vector<double> x = {0, 0, 1, 2}, y = {0, 0.5, 0.5, 0.0};
    fit.plot_fS(x.data(), y.data(), 3);
    EXPECT_DOUBLE_EQ(fit.tau, 0.4 * 20);
    EXPECT_DOUBLE_EQ(fit.theta0, 1.0);
    const std::string grid = read_text(dir / "plot_out.xl");
    EXPECT_EQ(count_of(grid, "tau=\t"), 20);
    EXPECT_EQ(count_of(grid, "\n"), 20 * 2 + 20 * 400);
    fit.init_data(0.05, 0.05, 0.4, 1.0);
    std::ostringstream first_line;
    first_line << "tau=\t0.4\n\n0.05\t0.05\t" << fit.f_S2Rate(x.data(), y.data(), 3) << "\n";
    EXPECT_EQ(grid.find(first_line.str()), 0u);

    double a = 1.5, b = 2.25;
    EXPECT_EQ(fit.conj_grad(nullptr, &b, 3, 4, 0.5), 0);
    EXPECT_EQ(fit.conj_grad(&a, &b, 3, 4, 0.5), 11);  // 1.5 + 2.25 + 3 + 4 + 0.5
}
