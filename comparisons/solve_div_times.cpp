// Divergence time, ancestral size and size share of two populations of
// unequal sizes (Gaggiotti and Excoffier 2000, Proc. R. Soc. B 267: 81-87).
//
// The three equations are solved in units of the largest input, so that the
// solver's absolute tolerances mean the same for any scale of the data. An
// attempt fails when the solver does, when an estimate is not finite, or when
// theta0 comes out negative. A negative tau or a k outside [0, 1] is a
// solution of the equations all the same: the caller decides what it means
// (within_model).

#include "comparisons/solve_div_times.h"

#include <algorithm>
#include <cmath>

#include "core/random.h"

namespace {

// exp(e), replaced by fixed values outside [-300, 300] so that the
// equations stay finite for extreme trial points.
long double guarded_exp(long double e, long double below, long double above)
{
    if (e < -300.0L)
        return below;
    if (e > 300.0L)
        return above;
    return std::exp(static_cast<double>(e));
}

// The exponents -tau/(k theta0) and -tau/((1 - k) theta0), -400 where a
// factor of the denominator is 0.
void exponents(const long double* x, long double& e1, long double& e2)
{
    long double theta0 = x[1], k = x[2], tau = x[3];
    e1 = theta0 != 0.0L && k != 0.0L ? -tau / (k * theta0) : -400.0L;
    e2 = theta0 != 0.0L && 1.0L - k != 0.0L ? -tau / ((1.0L - k) * theta0) : -400.0L;
}

// A factor in [0.01, 2.01) that perturbs one start value.
long double perturbation(long& seed)
{
    return (200.0 * ran3(&seed) + 1.0) / 100.0;
}

}  // namespace

TSolveDivTimes::TSolveDivTimes(const long double& piX, const long double& piY,
                               const long double& piXY)
    : TBroyden(3, xvec, vecfunc2, my_jacobian2),
      converged(0), piX(piX), piY(piY), piXY(piXY), xvec{},
      theta0(0.0L), tau(0.0L), k(0.0L), max_tries(20)
{
}

void TSolveDivTimes::vecfunc2(int, long double* x, long double* f)
{
    long double e1, e2;
    exponents(x, e1, e2);
    long double E1 = guarded_exp(e1, 1e-50L, 1e50L);
    long double E2 = guarded_exp(e2, 1e-50L, 1e50L);
    long double theta0 = x[1], k = x[2], tau = x[3];
    f[1] = theta0 * (k + (1.0L - k) * E1) - x[4];
    f[2] = theta0 * ((1.0L - k) + k * E2) - x[5];
    f[3] = theta0 + tau - x[6];
}

void TSolveDivTimes::my_jacobian2(int, long double* x, long double** df)
{
    long double e1, e2;
    exponents(x, e1, e2);
    const long double below = 1.1754943508222876e-39L, above = 3.4028234663852886e+39L;
    long double E1 = guarded_exp(e1, below, above);
    long double E2 = guarded_exp(e2, below, above);
    long double theta0 = x[1], k = x[2], tau = x[3];
    long double l = 1.0L - k;
    df[1][1] = k + l * E1 + tau * l * E1 / (theta0 * k);
    df[1][2] = theta0 * (1.0L - E1 + tau * l * E1 / (k * k * theta0));
    df[1][3] = -l * E1 / k;
    df[2][1] = l + k * E2 + tau * k * E2 / (l * theta0);
    df[2][2] = theta0 * (E2 - 1.0L - tau * k * E2 / (l * l * theta0));
    df[2][3] = -k * E2 / l;
    df[3][1] = 1.0L;
    df[3][2] = 0.0L;
    df[3][3] = 1.0L;
}

int TSolveDivTimes::solve(const int& tries)
{
    max_tries = tries;
    xvec[4] = piX;
    xvec[5] = piY;
    xvec[6] = piXY;
    converged = 0;
    long seed = 1;  // continues the run's one random sequence
    for (int attempt = 0; !converged && attempt < max_tries; ++attempt) {
        long double s = std::max(std::max(xvec[4], xvec[5]), xvec[6]);
        if (s == 0.0L)
            s = 1.0L;
        long double a = xvec[4] /= s;
        long double b = xvec[5] /= s;
        long double c = xvec[6] /= s;
        theta0 = (a + b) / 2.0L;
        tau = c - theta0;
        k = a + b != 0.0L ? a / (a + b) : 0.5L;
        if (attempt > 0) {
            theta0 *= perturbation(seed);
            tau *= perturbation(seed);
            k *= perturbation(seed);
        }
        xvec[1] = theta0;
        xvec[2] = k;
        xvec[3] = tau;
        int check = 1;
        broydn(x, n, &check);
        converged = check == 0;
        for (int i = 4; i <= 6; ++i)
            xvec[i] *= s;
        theta0 = xvec[1] * s;
        k = xvec[2];
        tau = xvec[3] * s;
        if (!std::isfinite(theta0) || !std::isfinite(k) || !std::isfinite(tau) || theta0 < 0.0L)
            converged = 0;
    }
    return converged ? 0 : 1;
}

bool TSolveDivTimes::within_model() const
{
    return tau >= 0.0L && k >= 0.0L && k <= 1.0L;
}
