// Tests of the Broyden solver on systems with known roots: the start test
// that needs no Jacobian, one and two unknowns in both Jacobian modes, the
// failures (singular Jacobian, no root, residuals that are not finite) and
// the promise that the client's entries after x[n] are never written.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "comparisons/broyden.h"

namespace {

int jacobian_calls = 0;

// x^2 + y^2 = 4 and x - y = 0: the root in the positive quadrant is (sqrt 2, sqrt 2).
void circle_line(int, long double* x, long double* f)
{
    f[1] = x[1] * x[1] + x[2] * x[2] - 4.0L;
    f[2] = x[1] - x[2];
}

void circle_line_jacobian(int, long double* x, long double** df)
{
    ++jacobian_calls;
    df[1][1] = 2.0L * x[1];
    df[1][2] = 2.0L * x[2];
    df[2][1] = 1.0L;
    df[2][2] = -1.0L;
}

// x^2 = x[2], the target kept after the unknown as a fixed parameter.
void square_is_parameter(int, long double* x, long double* f)
{
    f[1] = x[1] * x[1] - x[2];
}

void square_jacobian(int, long double* x, long double** df)
{
    ++jacobian_calls;
    df[1][1] = 2.0L * x[1];
}

// ln x = 0: the full Newton step from x = 10 lands at a negative x, where
// the residual is NaN, so the line search has to backtrack.
void log_residual(int, long double* x, long double* f)
{
    f[1] = std::log(static_cast<double>(x[1]));
}

void log_jacobian(int, long double* x, long double** df)
{
    ++jacobian_calls;
    df[1][1] = 1.0L / x[1];
}

// x^2 + 1 = 0 has no real root.
void no_root(int, long double* x, long double* f)
{
    f[1] = x[1] * x[1] + 1.0L;
}

// The second unknown does not enter the equations: a zero Jacobian column.
void ignores_y(int, long double* x, long double* f)
{
    f[1] = x[1] - 1.0L;
    f[2] = 2.0L * x[1] - 3.0L;
}

void ignores_y_jacobian(int, long double*, long double** df)
{
    ++jacobian_calls;
    df[1][1] = 1.0L;
    df[1][2] = 0.0L;
    df[2][1] = 2.0L;
    df[2][2] = 0.0L;
}

class BroydenTest : public ::testing::Test {
protected:
    void SetUp() override { jacobian_calls = 0; }
};

}  // namespace

TEST_F(BroydenTest, StartBelowTheStartToleranceReturnsAtOnceWithoutAJacobian)
{
    long double x[4] = {0.0L, 1.4142135L, 1.4142135L, -7.0L};
    // |x^2 + y^2 - 4| is about 2.6e-7, below 1e-6.
    TBroyden solver(2, x, circle_line, circle_line_jacobian);
    int check = -1;
    solver.broydn(x, 2, &check);
    EXPECT_EQ(check, 0);
    EXPECT_EQ(jacobian_calls, 0);
    EXPECT_EQ(x[1], 1.4142135L);
    EXPECT_EQ(x[2], 1.4142135L);
    EXPECT_EQ(solver.fvec, nullptr);
}

TEST_F(BroydenTest, CircleAndLineSolveToRootTwoInBothJacobianModes)
{
    const long double root = std::sqrt(2.0L);
    for (int analytic = 0; analytic <= 1; ++analytic) {
        SCOPED_TRACE("analytic Jacobian " + std::to_string(analytic));
        // Entries after x[n] are sentinels: the solver writes only x[1..n].
        long double x[5] = {-5.0L, 1.0L, 0.5L, 42.0L, -42.0L};
        TBroyden solver = analytic ? TBroyden(2, x, circle_line, circle_line_jacobian)
                                   : TBroyden(2, x, circle_line);
        int check = -1;
        solver.broydn(x, 2, &check);
        EXPECT_EQ(check, 0);
        EXPECT_NEAR(static_cast<double>(x[1]), static_cast<double>(root), 1e-4);
        EXPECT_NEAR(static_cast<double>(x[2]), static_cast<double>(root), 1e-4);
        EXPECT_EQ(x[0], -5.0L);
        EXPECT_EQ(x[3], 42.0L);
        EXPECT_EQ(x[4], -42.0L);
        EXPECT_EQ(jacobian_calls > 0, analytic == 1);
    }
}

TEST_F(BroydenTest, OneUnknownReadsItsParameterAfterTheUnknown)
{
    for (int analytic = 0; analytic <= 1; ++analytic) {
        SCOPED_TRACE("analytic Jacobian " + std::to_string(analytic));
        long double x[3] = {0.0L, 1.0L, 3.0L};
        TBroyden solver = analytic ? TBroyden(1, x, square_is_parameter, square_jacobian)
                                   : TBroyden(1, x, square_is_parameter);
        int check = -1;
        solver.broydn(x, 1, &check);
        EXPECT_EQ(check, 0);
        EXPECT_NEAR(static_cast<double>(x[1]), std::sqrt(3.0), 1e-4);
        EXPECT_EQ(x[2], 3.0L);
    }
}

TEST_F(BroydenTest, ANotANumberTrialPointIsBacktrackedFrom)
{
    long double x[2] = {0.0L, 10.0L};
    TBroyden solver(1, x, log_residual, log_jacobian);
    int check = -1;
    solver.broydn(x, 1, &check);
    EXPECT_EQ(check, 0);
    EXPECT_NEAR(static_cast<double>(x[1]), 1.0, 1e-4);
}

TEST_F(BroydenTest, FailuresSetCheckOne)
{
    {
        SCOPED_TRACE("zero Jacobian column: check 1 at once, x where it was computed");
        long double x[3] = {0.0L, 5.0L, 7.0L};
        TBroyden solver(2, x, ignores_y, ignores_y_jacobian);
        int check = -1;
        solver.broydn(x, 2, &check);
        EXPECT_EQ(check, 1);
        EXPECT_EQ(jacobian_calls, 1);
        EXPECT_EQ(x[1], 5.0L);
        EXPECT_EQ(x[2], 7.0L);
    }
    {
        SCOPED_TRACE("no real root");
        long double x[2] = {0.0L, 3.0L};
        TBroyden solver(1, x, no_root);
        int check = -1;
        solver.broydn(x, 1, &check);
        EXPECT_EQ(check, 1);
    }
    {
        SCOPED_TRACE("a start residual that is not a number is no convergence");
        jacobian_calls = 0;
        long double x[2] = {0.0L, -1.0L};
        TBroyden solver(1, x, log_residual, log_jacobian);
        int check = -1;
        solver.broydn(x, 1, &check);
        EXPECT_EQ(check, 1);
        EXPECT_EQ(jacobian_calls, 0);
        EXPECT_EQ(x[1], -1.0L);
    }
}

TEST_F(BroydenTest, LineSearchShortensAStepLongerThanTheLargestStep)
{
    long double x[3] = {0.0L, 0.0L, 0.0L};
    TBroyden solver(2, x, circle_line, circle_line_jacobian);
    my_vector residuals(2);
    solver.nn = 2;
    solver.fvec = residuals;
    long double xold[3] = {0.0L, 1.0L, 1.0L};
    long double g[3] = {0.0L, -4.0L, -4.0L};
    long double p[3] = {0.0L, 30.0L, 40.0L};
    long double f = 0.0L;
    int check = -1;
    solver.lnsrch(2, xold, 2.0L, g, p, x, &f, 5.0L, &check);
    // Length 50 shortened to 5 in the same direction.
    EXPECT_NEAR(static_cast<double>(p[1]), 3.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(p[2]), 4.0, 1e-12);
    solver.fvec = nullptr;
}
