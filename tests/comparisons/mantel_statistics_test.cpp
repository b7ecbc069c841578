// The statistics of the Mantel test against values worked by hand and
// against an independent (partial) Mantel test written here: correlations
// from the cells below the diagonal, partial correlations from regression
// residuals, P values from a permutation of its own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "comparisons/mantel.h"
#include "core/random.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using Cells = std::vector<std::vector<double>>;  // a full symmetric matrix

// A RectMat holding the symmetric matrix whose lower triangle (diagonal
// included) is given row by row.
void fill_lower(RectMat& M, std::vector<std::vector<double>> const& lower)
{
    for (std::size_t i = 0; i < lower.size(); ++i)
        for (std::size_t j = 0; j < lower[i].size(); ++j)
            M(i, j) = M(j, i) = lower[i][j];
}

void fill(RectMat& M, Cells const& full)
{
    for (std::size_t i = 0; i < full.size(); ++i)
        for (std::size_t j = 0; j < full.size(); ++j)
            M(i, j) = full[i][j];
}

// The fixture of the hand computation: four populations.
const std::vector<std::vector<double>> Y4 = {{0}, {0.12, 0}, {0.20, 0.31, 0}, {0.05, 0.44, 0.17, 0}};
const std::vector<std::vector<double>> X4 = {{0}, {1, 0}, {2, 1, 0}, {3, 2, 1, 0}};

// A label padded to its width, then ": ".
std::string padded(std::string const& label, int width)
{
    return label + std::string(width - label.size(), ' ') + ": ";
}

std::string line(const char* label, int width, const char* value, bool after_empty = false)
{
    return (after_empty ? "\n\n" : "\n") + padded(label, width) + value;
}

class MantelStatisticsTest : public LogFolderTest {
protected:
    Mantel mantel;

    void SetUp() override
    {
        long seed = -4242;
        ran3(&seed);
    }
};

TEST_F(MantelStatisticsTest, TwoMatricesByHand)
{
    RectMat Y(4, 4), X1(4, 4);
    fill_lower(Y, Y4);
    fill_lower(X1, X4);
    mantel.MatrixNumber = 2;
    mantel.compute_correlation(Y, X1);
    std::ostringstream text;
    mantel.print_correlations(text);
    EXPECT_EQ(text.str(),
              line("Mean value Y", 35, "0.215000") + line("Sums of squares Y", 35, "0.098150")
                  + line("Mean value  X1", 35, "1.666667")
                  + line("Sums of squares X1", 35, "3.333333") + line("ZY1", 35, "2.030000")
                  + line("Sum of products (SP(Y,X1))", 35, "-0.120000")
                  + line("Regression coefficient (bY1)", 33, "-0.036000", true)
                  + line("Correlation coefficient (rY1)", 33, "-0.209796", true)
                  + line("Determination of Y by X1", 33, "0.044014", true) + "\n\n");
}

// X2 of the four populations beside Y4 and X4. Worked apart from the code:
// SP(X1,X2) = Z12 - 6 x 1.666667 x 1.833333 = 17 - 18.333333; the partial
// regressions from the normal equations of Y on X1 and X2; the partial
// correlations from regression residuals; R2 = 1 - RSS / SSY of that
// regression, shared between X1 and X2 as beta_i x r_Yi.
TEST_F(MantelStatisticsTest, ThreeMatricesByHand)
{
    const std::vector<std::vector<double>> X2_4 = {{0}, {2, 0}, {1, 3, 0}, {2, 1, 2, 0}};
    RectMat Y(4, 4), X1(4, 4), X2(4, 4);
    fill_lower(Y, Y4);
    fill_lower(X1, X4);
    fill_lower(X2, X2_4);
    mantel.MatrixNumber = 3;
    mantel.compute_correlation(Y, X1, X2);
    std::ostringstream text;
    mantel.print_correlations(text);
    EXPECT_EQ(text.str(),
              line("Mean value Y", 34, "0.215000") + line("Sums of squares Y", 34, "0.098150")
                  + line("Mean value  X1", 34, "1.666667")
                  + line("Sums of squares X1", 34, "3.333333")
                  + line("Mean value  X2", 34, "1.833333")
                  + line("Sums of squares X2", 34, "2.833333") + line("ZY1", 34, "2.030000")
                  + line("ZY2", 34, "2.250000") + line("Z12", 34, "17.000000")
                  + line("Sum of products (SP(Y,X1))", 34, "-0.120000")
                  + line("Sum of products (SP(Y,X2))", 34, "-0.115000")
                  + line("Sum of products (SP(X1,X2))", 34, "-1.333333")
                  + line("Regression coefficient (bY1)", 34, "-0.036000", true)
                  + line("Regression coefficient (bY2)", 34, "-0.040588")
                  + line("Partial regression  (bY1_2)", 34, "-0.064348")
                  + line("Partial regression  (bY2_1)", 34, "-0.070870")
                  + line("Correlation coefficient (rY1)", 34, "-0.209796", true)
                  + line("Correlation coefficient (rY2)", 34, "-0.218074")
                  + line("Correlation coefficient (r12)", 34, "-0.433861")
                  + line("Partial correlation  (rY1_2)", 34, "-0.346197")
                  + line("Partial correlation  (rY2_1)", 34, "-0.350875")
                  + line("Determination of Y by X1", 34, "0.078673", true)
                  + line("Determination of Y by X2", 34, "0.083036")
                  + line("Total determination of Y", 34, "0.161709")
                  + line("Unexplained variance of Y", 34, "0.838291") + "\n\n");
}

// Of the 24 orders of the four rows 2 give the observed Z, 14 a larger and
// 8 a smaller one, so the P value tends to 16/24.
TEST_F(MantelStatisticsTest, PermutationsOfFourRows)
{
    double observed = 0;
    for (int i = 1; i < 4; ++i)
        for (int j = 0; j < i; ++j)
            observed += Y4[i][j] * X4[i][j];
    auto y = [](int a, int b) { return a >= b ? Y4[a][b] : Y4[b][a]; };
    std::vector<int> order = {0, 1, 2, 3};
    int equal = 0, larger = 0, smaller = 0;
    do {
        double z = 0;
        for (int i = 1; i < 4; ++i)
            for (int j = 0; j < i; ++j)
                z += y(order[i], order[j]) * X4[i][j];
        if (std::fabs(z - observed) < 1e-12)
            ++equal;
        else if (z > observed)
            ++larger;
        else
            ++smaller;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(equal, 2);
    EXPECT_EQ(larger, 14);
    EXPECT_EQ(smaller, 8);

    RectMat Y(4, 4), X1(4, 4);
    fill_lower(Y, Y4);
    fill_lower(X1, X4);
    mantel.MatrixNumber = 2;
    mantel.compute_correlation(Y, X1);
    const int P = 24000;
    mantel.test_correlation(Y, X1, P);
    int const* counts = mantel.TestCounts[0];
    EXPECT_EQ(counts[0] + counts[1] + counts[2], P);
    EXPECT_NEAR(mantel.PrY1, 16.0 / 24, 4 * std::sqrt(16.0 / 24 * 8 / 24 / P));
    EXPECT_NEAR(counts[0], P / 12.0, 4 * std::sqrt(P / 12.0));
    EXPECT_DOUBLE_EQ(mantel.PrY1, 1.0 - counts[2] / double(P));
    EXPECT_EQ(mantel.NumPermDone, P);
    std::string log = take_log();
    EXPECT_THAT(log, HasSubstr("\nStarting 24000 permutations ...\n"));
    EXPECT_THAT(log, HasSubstr("\ndone in "));

    // One permutation gives a P value of 0 or 1, with no correction.
    mantel.test_correlation(Y, X1, 1);
    EXPECT_TRUE(mantel.PrY1 == 0.0 || mantel.PrY1 == 1.0);
    std::ostringstream text;
    mantel.print_p_values(text);
    std::string p_line = mantel.PrY1 == 0.0 ? "0.000000" : "1.000000";
    EXPECT_EQ(text.str(),
              "\n\nSignificance testing (1 permutations for Mantel test)\n" + std::string(20, '=')
                  + line("P(rY1 rand >= rY1 obs)", 34, p_line.c_str(), true)
                  + line("No. of smaller rand rY1", 34, std::to_string(mantel.TestCounts[0][2]).c_str())
                  + line("No. of equal rand rY1", 34, std::to_string(mantel.TestCounts[0][0]).c_str())
                  + line("No. of larger rand rY1", 34, std::to_string(mantel.TestCounts[0][1]).c_str())
                  + "\n\n");

    // No permutation: no test, no significance block.
    mantel.test_correlation(Y, X1, 0);
    EXPECT_EQ(mantel.NumPermDone, 0);
    std::ostringstream none;
    mantel.print_p_values(none);
    EXPECT_EQ(none.str(), "");
}

// --- An independent Mantel test on the cells below the diagonal ---

std::vector<double> below_diagonal(Cells const& M, std::vector<int> const& order)
{
    std::vector<double> cells;
    for (std::size_t i = 1; i < M.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            cells.push_back(M[order[i]][order[j]]);
    return cells;
}

double mean_of(std::vector<double> const& v)
{
    return std::accumulate(v.begin(), v.end(), 0.0) / v.size();
}

double pearson(std::vector<double> const& a, std::vector<double> const& b)
{
    double ma = mean_of(a), mb = mean_of(b), sab = 0, saa = 0, sbb = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        sab += (a[k] - ma) * (b[k] - mb);
        saa += (a[k] - ma) * (a[k] - ma);
        sbb += (b[k] - mb) * (b[k] - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

// What is left of a once its regression on c is taken out.
std::vector<double> residuals(std::vector<double> const& a, std::vector<double> const& c)
{
    double ma = mean_of(a), mc = mean_of(c), sac = 0, scc = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        sac += (a[k] - ma) * (c[k] - mc);
        scc += (c[k] - mc) * (c[k] - mc);
    }
    std::vector<double> left(a.size());
    for (std::size_t k = 0; k < a.size(); ++k)
        left[k] = a[k] - ma - sac / scc * (c[k] - mc);
    return left;
}

double partial_r(std::vector<double> const& y, std::vector<double> const& x,
                 std::vector<double> const& held)
{
    return pearson(residuals(y, held), residuals(x, held));
}

// Random distances: points on a plane, Y a noisy function of X1.
struct RandomMatrices {
    Cells Y, X1, X2;
    explicit RandomMatrices(int n, unsigned seed)
    {
        std::mt19937 gen(seed);
        std::normal_distribution<double> noise(0.0, 1.0);
        std::vector<double> px(n), py(n), q(n);
        for (int i = 0; i < n; ++i) {
            px[i] = noise(gen);
            py[i] = noise(gen);
            q[i] = noise(gen);
        }
        Y = X1 = X2 = Cells(n, std::vector<double>(n, 0.0));
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < i; ++j) {
                X1[i][j] = X1[j][i] = std::hypot(px[i] - px[j], py[i] - py[j]);
                X2[i][j] = X2[j][i] = std::fabs(q[i] - q[j]) + 0.3 * X1[i][j];
                Y[i][j] = Y[j][i] = 0.05 * X1[i][j] + 0.5 * noise(gen);
            }
    }
};

TEST_F(MantelStatisticsTest, AgreesWithAnIndependentTestOnRandomMatrices)
{
    const int n = 20, P = 5000;
    RandomMatrices m(n, 7);
    std::vector<int> identity(n);
    std::iota(identity.begin(), identity.end(), 0);
    std::vector<double> y = below_diagonal(m.Y, identity), x1 = below_diagonal(m.X1, identity),
                        x2 = below_diagonal(m.X2, identity);
    double r1 = pearson(y, x1), r2 = pearson(y, x2);
    double p1_2 = partial_r(y, x1, x2), p2_1 = partial_r(y, x2, x1);

    // The independent permutation test: rows and columns of Y together.
    std::mt19937 gen(11);
    int at_least[4] = {};
    std::vector<int> order = identity;
    for (int p = 0; p < P; ++p) {
        std::shuffle(order.begin(), order.end(), gen);
        std::vector<double> yp = below_diagonal(m.Y, order);
        at_least[0] += pearson(yp, x1) >= r1;
        at_least[1] += pearson(yp, x2) >= r2;
        at_least[2] += partial_r(yp, x1, x2) >= p1_2;
        at_least[3] += partial_r(yp, x2, x1) >= p2_1;
    }
    auto agree = [&](double drovexec_p, int count) {
        double p = double(count) / P;
        EXPECT_NEAR(drovexec_p, p, 4.5 * std::sqrt(2 * std::max(p * (1 - p), 1e-3) / P));
    };

    RectMat Y(n, n), X1(n, n), X2(n, n);
    fill(Y, m.Y);
    fill(X1, m.X1);
    fill(X2, m.X2);
    mantel.MatrixNumber = 2;
    mantel.compute_correlation(Y, X1);
    EXPECT_NEAR(mantel.rY1, r1, 1e-9);
    mantel.test_correlation(Y, X1, P);
    agree(mantel.PrY1, at_least[0]);

    mantel.MatrixNumber = 3;
    mantel.compute_correlation(Y, X1, X2);
    EXPECT_NEAR(mantel.rY1, r1, 1e-9);
    EXPECT_NEAR(mantel.rY2, r2, 1e-9);
    EXPECT_NEAR(mantel.r12, pearson(x1, x2), 1e-9);
    EXPECT_NEAR(mantel.rY1_2, p1_2, 1e-9);
    EXPECT_NEAR(mantel.rY2_1, p2_1, 1e-9);
    // R2 of Y on X1 and X2 from the residuals: 1 - (1 - rY2^2)(1 - rY1.2^2).
    EXPECT_NEAR(mantel.R2Y, 1 - (1 - r2 * r2) * (1 - p1_2 * p1_2), 1e-9);
    mantel.test_correlation(Y, X1, X2, P);
    agree(mantel.PrY1, at_least[0]);
    agree(mantel.PrY2, at_least[1]);
    agree(mantel.PrY1_2, at_least[2]);
    agree(mantel.PrY2_1, at_least[3]);
}

// Collinear explanatory matrices or a constant matrix leave some values
// undefined: their lines say so, never showing an earlier test's values.
TEST_F(MantelStatisticsTest, ValuesThatCannotBeComputedSaySo)
{
    RandomMatrices m(6, 3);
    RectMat Y(6, 6), X1(6, 6), X2(6, 6);
    fill(Y, m.Y);
    fill(X1, m.X1);
    fill(X2, m.X2);
    mantel.MatrixNumber = 3;
    mantel.compute_correlation(Y, X1, X2);  // an earlier test with every value defined
    ASSERT_FALSE(std::isnan(mantel.R2Y));

    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            X2(i, j) = 2.5 * X1(i, j) + (i == j ? 0 : 0.1);
    mantel.compute_correlation(Y, X1, X2);
    mantel.test_correlation(Y, X1, X2, 10);
    std::ostringstream collinear;
    mantel.print_correlations(collinear);
    mantel.print_p_values(collinear);
    for (const char* label : {"Partial regression  (bY1_2)", "Partial correlation  (rY2_1)",
                              "Determination of Y by X1", "Total determination of Y",
                              "Unexplained variance of Y", "P(rY1_2 rand >= rY1_2 obs)"})
        EXPECT_THAT(collinear.str(),
                    HasSubstr(padded(label, 34) + "cannot be computed (X1 and X2 collinear)"))
            << label;
    EXPECT_THAT(collinear.str(), Not(HasSubstr(padded("Correlation coefficient (rY2)", 34) + "c")));
    EXPECT_THAT(collinear.str(), HasSubstr(padded("Correlation coefficient (r12)", 34) + "1.000000"));

    RectMat constant(6, 6);
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            constant(i, j) = i == j ? 0 : 0.1;
    mantel.MatrixNumber = 2;
    mantel.compute_correlation(constant, X1);
    mantel.test_correlation(constant, X1, 10);
    std::ostringstream flat;
    mantel.print_correlations(flat);
    mantel.print_p_values(flat);
    EXPECT_THAT(flat.str(), HasSubstr(padded("Sums of squares Y", 35) + "0.000000"));
    EXPECT_THAT(flat.str(), HasSubstr(padded("Correlation coefficient (rY1)", 33)
                                      + "cannot be computed (Y matrix constant)"));
    EXPECT_THAT(flat.str(), HasSubstr(padded("P(rY1 rand >= rY1 obs)", 34) + "cannot be computed"));
}

// Each Y type turns the FST matrix into Y cell by cell; "custom" reads the
// user's matrix instead.
TEST_F(MantelStatisticsTest, YTypesTransformFst)
{
    TriMat fst(5);
    const double f[] = {0.3, -0.1, 0.0, 0.5, 1.0};  // (0,0) on the diagonal, then (k,0)
    fst(0, 0) = f[0];
    for (int k = 1; k < 5; ++k)
        fst(k, 0) = f[k];
    mantel.MatrixY.create(5);
    for (int k = 0; k < 5; ++k)
        mantel.MatrixY(k, 0) = 10 + k;
    const double big = 1e7;
    struct Case {
        const char* type;
        double expected[5];
    };
    const Case cases[] = {
        {"fst", {0.3, -0.1, 0.0, 0.5, 1.0}},
        {"log_fst", {0.0, -big, -big, -0.6931471805599453, 0.0}},
        {"slatkinlinearfst", {0.3 / 0.7, -0.1 / 1.1, 0.0, 1.0, big}},
        {"log_slatkinlinearfst", {0.0, -big, -big, 0.0, 16.11809565095832}},
        {"nm", {0.0, -big, -big, 0.5, 0.0}},
        {"custom", {10, 11, 12, 13, 14}},
        {"geographic", {0, 0, 0, 0, 0}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.type);
        mantel.YMatrix = c.type;
        for (int k = 0; k < 5; ++k)
            EXPECT_NEAR(mantel.FstMatr_funct(k, 0, fst), c.expected[k], 1e-12) << k;
    }
}

}  // namespace

namespace {

// The correlations on their own: with X2 a rescaled X1 up to noise of 1e-3
// (r12 within 1e-5 of 1) the partial correlations are the simple ones and
// their tests those of Z, where the Mantel record works out the partial
// correlations; the tests write no log lines and draw as the record does.
TEST_F(MantelStatisticsTest, CorrelationsOnTheirOwnTakeNearlyCollinearMatricesAsOne)
{
    const int n = 12, P = 200;
    RandomMatrices m(n, 5);
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> tiny(0.0, 1e-3);
    Cells x2 = m.X1;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j)
            x2[i][j] = x2[j][i] = 2 * m.X1[i][j] + tiny(gen);
    std::vector<int> identity(n);
    std::iota(identity.begin(), identity.end(), 0);
    std::vector<double> y = below_diagonal(m.Y, identity), x1 = below_diagonal(m.X1, identity),
                        x2_cells = below_diagonal(x2, identity);
    ASSERT_LT(std::fabs(pearson(x1, x2_cells) - 1), 1e-5);
    ASSERT_GT(1 - std::pow(pearson(x1, x2_cells), 2), 1e-9);

    RectMat Y(n, n), X1(n, n), X2(n, n);
    fill(Y, m.Y);
    fill(X1, m.X1);
    fill(X2, x2);
    TCorrelMat alone;
    alone.compute_correlation(Y, X1, X2);
    EXPECT_NEAR(alone.rY1, pearson(y, x1), 1e-9);
    EXPECT_NEAR(alone.rY2, pearson(y, x2_cells), 1e-9);
    EXPECT_EQ(alone.rY1_2, alone.rY1);
    EXPECT_EQ(alone.rY2_1, alone.rY2);
    mantel.compute_correlation(Y, X1, X2);
    EXPECT_NEAR(mantel.rY1_2, partial_r(y, x1, x2_cells), 1e-4);
    EXPECT_GT(std::fabs(mantel.rY1_2 - mantel.rY1), 0.05);

    alone.test_correlation(Y, X1, X2, P);
    EXPECT_EQ(alone.NumPermDone, P);
    EXPECT_EQ(alone.PrY1_2, alone.PrY1);
    EXPECT_EQ(alone.PrY2_1, alone.PrY2);
    EXPECT_EQ(take_log(), "");

    // Two matrices: the same draws give the record's P value.
    long seed = -99;
    ran3(&seed);
    alone.compute_correlation(Y, X1);
    alone.test_correlation(Y, X1, P);
    EXPECT_EQ(take_log(), "");
    seed = -99;
    ran3(&seed);
    mantel.compute_correlation(Y, X1);
    mantel.test_correlation(Y, X1, P);
    EXPECT_THAT(take_log(), HasSubstr("\nStarting 200 permutations ...\n"));
    EXPECT_EQ(alone.PrY1, mantel.PrY1);
    EXPECT_EQ(alone.TestCounts[0][2], mantel.TestCounts[0][2]);
}

}  // namespace
