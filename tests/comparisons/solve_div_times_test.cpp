// Tests of the divergence-time estimate with unequal population sizes. The
// inputs are computed from chosen (theta0, k, tau) with the model's closed
// form (PiX = theta0 (k + (1-k) e^(-tau/(k theta0))), PiY the same with 1-k,
// PiXY = theta0 + tau), so the solver must give those parameters back.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "comparisons/solve_div_times.h"
#include "core/random.h"

namespace {

void seed_ran3(long seed)
{
    ran3(&seed);
}

double next_uniform()
{
    long one = 1;
    return ran3(&one);
}

// Number of ran3 draws made since seeding with `seed`, found by matching the
// next draw against the seeded sequence (at most `limit` draws).
int draws_since_seed(long seed, int limit)
{
    double next = next_uniform();
    seed_ran3(seed);
    for (int used = 0; used <= limit; ++used)
        if (next_uniform() == next)
            return used;
    return -1;
}

const long SEED = -2468;

struct DivergenceCase {
    const char* name;
    long double piX, piY, piXY;
    double theta0, k, tau;
};

}  // namespace

TEST(SolveDivTimesTest, RecoversTheParametersOfTheModel)
{
    const DivergenceCase cases[] = {
        {"theta0 5, k 0.3, tau 2", 2.4225899834L, 4.3470771830L, 7.0L, 5.0, 0.3, 2.0},
        {"the same scaled by 10", 24.225899834L, 43.470771830L, 70.0L, 50.0, 0.3, 20.0},
        {"theta0 1.5, k 0.8, tau 0.25", 1.4435809038L, 0.8215178502L, 1.75L, 1.5, 0.8, 0.25},
    };
    for (const DivergenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        seed_ran3(SEED);
        TSolveDivTimes div(c.piX, c.piY, c.piXY);
        EXPECT_EQ(div.solve(50), 0);
        EXPECT_EQ(div.converged, 1);
        EXPECT_NEAR(static_cast<double>(div.theta0), c.theta0, 1e-4 * c.theta0);
        EXPECT_NEAR(static_cast<double>(div.k), c.k, 1e-4);
        EXPECT_NEAR(static_cast<double>(div.tau), c.tau, 1e-4 * c.theta0);
        // The inputs are given back unscaled for the next attempt's reader.
        EXPECT_NEAR(static_cast<double>(div.xvec[6]), static_cast<double>(c.piXY), 1e-12);
        // A first attempt that succeeds draws nothing.
        EXPECT_EQ(draws_since_seed(SEED, 10), 0);
    }
}

TEST(SolveDivTimesTest, ZeroInputsGiveTheStartPointWithoutADraw)
{
    seed_ran3(SEED);
    TSolveDivTimes div(0.0L, 0.0L, 0.0L);
    EXPECT_EQ(div.solve(50), 0);
    EXPECT_EQ(div.theta0, 0.0L);
    EXPECT_EQ(div.k, 0.5L);
    EXPECT_EQ(div.tau, 0.0L);
    EXPECT_EQ(draws_since_seed(SEED, 10), 0);
}

TEST(SolveDivTimesTest, FailedAttemptsEachDrawThreeNumbersAndReturnOne)
{
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    struct Case {
        const char* name;
        long double piX, piY, piXY;
    } cases[] = {
        // A residual that is not a number must not pass as converged.
        {"PiX not a number", nan, 1.0L, 2.0L},
        {"PiXY infinite", 1.0L, 1.0L, inf},
    };
    for (const Case& c : cases) {
        for (int tries : {1, 2, 7}) {
            SCOPED_TRACE(std::string(c.name) + ", tries " + std::to_string(tries));
            seed_ran3(SEED);
            TSolveDivTimes div(c.piX, c.piY, c.piXY);
            EXPECT_EQ(div.solve(tries), 1);
            EXPECT_EQ(div.converged, 0);
            EXPECT_EQ(draws_since_seed(SEED, 30), 3 * (tries - 1));
        }
    }
}

TEST(SolveDivTimesTest, NegativeTheta0IsRejectedEvenWhenTheSolverConverged)
{
    // All inputs -1: in scaled units the start point solves the equations
    // exactly, and scaling back gives theta0 = -1.
    seed_ran3(SEED);
    TSolveDivTimes div(-1.0L, -1.0L, -1.0L);
    EXPECT_EQ(div.solve(1), 1);
    EXPECT_EQ(div.theta0, -1.0L);
    EXPECT_EQ(div.k, 0.5L);
    EXPECT_EQ(draws_since_seed(SEED, 10), 0);
}

// With theta0, tau >= 0 and k in [0, 1] the model gives PiX, PiY <= theta0
// <= PiXY, so inputs that break this order are solved only by a negative tau
// or a k outside [0, 1]. Such a solution is a success of the solve (no
// further attempt, no draw); within_model tells it apart. The residuals are
// those of the model's equations written out here.
TEST(SolveDivTimesTest, SolutionsOutsideTheModelAreSuccessesOfTheSolve)
{
    struct Case {
        const char* name;
        long double piX, piY, piXY;
        bool within;
    } cases[] = {
        {"PiXY below the mean of PiX and PiY", 2.0L, 2.0L, 1.0L, false},
        {"PiX above PiXY", 3.0L, 1.0L, 2.5L, false},
        {"PiY far above PiXY", 0.5L, 6.0L, 3.4L, false},
        {"PiX and PiY just below PiXY", 4.0L, 4.0L, 4.1L, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seed_ran3(SEED);
        TSolveDivTimes div(c.piX, c.piY, c.piXY);
        EXPECT_EQ(div.solve(50), 0);
        EXPECT_EQ(draws_since_seed(SEED, 200), 0);
        EXPECT_EQ(div.within_model(), c.within);
        double theta0 = static_cast<double>(div.theta0), k = static_cast<double>(div.k),
               tau = static_cast<double>(div.tau);
        EXPECT_GE(theta0, 0.0);
        EXPECT_NEAR(theta0 * (k + (1 - k) * std::exp(-tau / (k * theta0))),
                    static_cast<double>(c.piX), 1e-3);
        EXPECT_NEAR(theta0 * ((1 - k) + k * std::exp(-tau / ((1 - k) * theta0))),
                    static_cast<double>(c.piY), 1e-3);
        EXPECT_NEAR(theta0 + tau, static_cast<double>(c.piXY), 1e-3);
    }
}

TEST(SolveDivTimesTest, WithinModelAtItsBounds)
{
    struct Case {
        long double tau, k;
        bool within;
    } cases[] = {
        {0.0L, 0.0L, true},   {0.0L, 1.0L, true},    {2.0L, 0.5L, true},
        {-1e-12L, 0.5L, false}, {1.0L, -1e-12L, false}, {1.0L, 1.000001L, false},
    };
    for (const Case& c : cases) {
        TSolveDivTimes div(1.0L, 1.0L, 1.0L);
        div.tau = c.tau;
        div.k = c.k;
        EXPECT_EQ(div.within_model(), c.within) << "tau " << c.tau << ", k " << c.k;
    }
}

TEST(SolveDivTimesTest, NoTriesMakeNoAttempt)
{
    seed_ran3(SEED);
    TSolveDivTimes div(2.4225899834L, 4.3470771830L, 7.0L);
    EXPECT_EQ(div.solve(0), 1);
    EXPECT_EQ(div.converged, 0);
    EXPECT_EQ(draws_since_seed(SEED, 10), 0);
}
