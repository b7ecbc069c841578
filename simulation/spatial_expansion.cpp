// Mismatch distribution after a range expansion in an infinite-island model
// (Ray et al. 2003; Excoffier 2004): its expectation, the simulation of a
// replicate, and the least-squares searches from random starts.

#include "simulation/spatial_expansion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "core/errors.h"
#include "core/math_functions.h"
#include "core/random.h"

namespace {

// The largest single-precision value, the start of the best sum of a search.
const double kNoSum = 3.4028234663852886e+38;

}  // namespace

mismatchSpatialExpansion::mismatchSpatialExpansion(PopGenetics* sample, settings* run_settings)
    : ann_missmatch(sample, run_settings), M(0.0), M_CI()
{
}

void mismatchSpatialExpansion::init_data(const double& t0, const double& t1, const double& t,
                                         const double& m, const double& r)
{
    ann_missmatch::init_data(t0, t1, t, r);
    M = m;
}

// F(i) = theta1^i / S^(i+1) + A sum_{j=0..i} g^j tau^(i-j) / (i-j)!
//        - (E / S) sum_{j=0..i} tau^j / j! (theta1 / S)^(i-j),
// S = theta1 + M + 1, g = theta0 / (1 + theta0),
// A = e^-tau (M + e^(-tau (1+M) / theta1)) / ((1+M)(1+theta0)), E = e^(-tau S / theta1).
// e^-tau and E are folded into the Poisson-like terms in log space, so every
// term stays finite for any tau; the sums are then convolutions of two
// sequences bounded by 1.
void mismatchSpatialExpansion::spatial_distribution(bool four_parameters, int count, double* out)
{
    if (four_parameters) {
        if (theta0 <= 0.0)
            theta0 = 0.01;
        if (theta1 <= 0.0)
            theta1 = 0.01;
    } else if (theta1 <= 0.0) {
        theta0 = theta1 = 0.01;
    }
    if (M <= 0.0)
        M = 1e-5;
    if (tau <= 0.0)
        tau = 1e-5;
    if (count <= 0)
        return;
    const double t0 = four_parameters ? theta0 : theta1;
    const double t1 = theta1;
    const double S = t1 + M + 1.0;
    const double emigration = tau * (1.0 + M) / t1;
    const double A = (M + (emigration >= 300.0 ? 0.0 : std::exp(-emigration)))
                     / ((1.0 + M) * (1.0 + t0));
    const double log_E = -tau * S / t1;
    const bool no_E = !four_parameters && tau * S / t1 > 300.0;
    const double log_tau = std::log(tau), log_g = std::log(t0 / (1.0 + t0));
    const double log_r = std::log(t1 / S), log_S = std::log(S);
    std::vector<double> g(count), pois(count), q(count), r(count);
    for (int j = 0; j < count; ++j) {
        const double lt = j * log_tau - factln(j);
        g[j] = std::exp(j * log_g);
        pois[j] = std::exp(lt - tau);
        q[j] = no_E ? 0.0 : std::exp(lt + log_E);
        r[j] = std::exp(j * log_r);
    }
    for (int i = 0; i < count; ++i) {
        double first = 0.0, second = 0.0;
        for (int j = 0; j <= i; ++j) {
            first += g[j] * pois[i - j];
            second += q[j] * r[i - j];
        }
        out[i] = std::exp(i * std::log(t1) - (i + 1) * log_S) + A * first - second / S;
    }
}

double mismatchSpatialExpansion::f_i_spatial_exp_3p(const int& i)
{
    std::vector<double> out(std::max(i + 1, 0));
    spatial_distribution(false, i + 1, out.data());
    return i < 0 ? std::exp(i * std::log(theta1) - (i + 1) * std::log(theta1 + M + 1.0)) : out[i];
}

double mismatchSpatialExpansion::f_i_spatial_exp_4p(const int& i)
{
    std::vector<double> out(std::max(i + 1, 0));
    spatial_distribution(true, i + 1, out.data());
    return i < 0 ? std::exp(i * std::log(theta1) - (i + 1) * std::log(theta1 + M + 1.0)) : out[i];
}

double mismatchSpatialExpansion::spatial_ssd(bool four_parameters, double* x, double* y, int n)
{
    int needed = 0;
    for (int k = 1; k < n; ++k)
        needed = std::max(needed, static_cast<int>(x[k]) + 1);
    std::vector<double> expected(needed);
    spatial_distribution(four_parameters, needed, expected.data());
    double sum = 0.0;
    for (int k = 1; k < n; ++k) {
        const int c = static_cast<int>(x[k]);
        const double d = (c >= 0 ? expected[c] : 0.0) - y[k];
        sum += d * d;
    }
    return std::isfinite(sum) ? sum : std::numeric_limits<double>::infinity();
}

double mismatchSpatialExpansion::f_S_Spatial_Exp_3p(double* x, double* y, const int& n)
{
    return spatial_ssd(false, x, y, n);
}

double mismatchSpatialExpansion::f_S_Spatial_Exp_4p(double* x, double* y, const int& n)
{
    return spatial_ssd(true, x, y, n);
}

bool mismatchSpatialExpansion::simulate_spatial_exp(double* x, double* y, int&)
{
    bool done = false;
    if (theta1 > 0.0) {
        const double mu = theta1 * 0.5 / N;
        const double T = tau / theta1;
        if (pop->simulate_range_exp(mu, m1, NEW_ALLELE, -1.0, 1.0, 1.0, 0.33, T, M * 0.5, N)) {
            calc_mismatch(x, y, static_cast<int>(pop->SampleSize), max_classes);
            done = true;
        }
    }
    if (pop->SimTree.has_nodes())
        TNode::hits.count = 0;
    return done;
}

void mismatchSpatialExpansion::search_scales(double* y, int n, double& m, double& M0)
{
    m = 0.0;
    for (int k = 1; k < n; ++k)
        m += (k - 1) * y[k];
    M0 = y[1] > 0.0 ? 1.0 / y[1] - 1.0 : 100.0;
}

int mismatchSpatialExpansion::hook_jeeves_spatial_exp_3_par(double* x, double* y, const int& n,
                                                            const int& steps, const double& eps)
{
    double m, M0;
    search_scales(y, n, m, M0);
    // The search's functions are wrapped once, not at every exploratory move.
    const std::function<double()> sum = [&] { return spatial_ssd(false, x, y, n); };
    const std::function<void(double)> put_M = [&](double v) { M = v; };
    const std::function<void(double)> put_theta = [&](double v) { theta0 = theta1 = v; };
    const std::function<void(double)> put_tau = [&](double v) { tau = v; };
    double best = kNoSum;
    std::array<double, 3> best_point{}, first_start{};
    bool found = false, converged = false;
    for (int start = 0; start < 3; ++start) {
        long seed = 1;
        theta0 = theta1 = 5.0 * ran3(&seed);
        tau = ran3(&seed) * m * 1.5 + m * 0.5;
        M = ran3(&seed) * M0 * 1.5 + M0 * 0.5;
        if (start == 0)
            first_start = {theta1, tau, M};
        double sM = M0 * 0.5 + 0.5, s_theta = 0.95, s_tau = m * 0.5 + 0.5;
        double D = 0.95;
        for (int done = 0; steps > 0 && 0.95 > eps;) {
            double ref = sum();
            if (!explore(sM, eps, M, M, ref, put_M, sum, 0.5, 4.0)
                || !explore(s_theta, eps, theta1, theta1, ref, put_theta, sum, 0.5, 4.0)
                || !explore(s_tau, eps, tau, tau, ref, put_tau, sum, 0.5, 4.0))
                break;
            D = std::max({s_tau, s_theta, sM / 20.0});
            if (++done >= steps || D <= eps)
                break;
        }
        ssd = sum();
        if (ssd < best) {
            best = ssd;
            best_point = {theta1, tau, M};
            found = true;
        }
        converged = converged || D < eps;
    }
    const std::array<double, 3>& point = found ? best_point : first_start;
    theta0 = theta1 = point[0];
    tau = point[1];
    M = point[2];
    ssd = best;
    if (M > 99999.0)
        M = 99999.0;
    converged = converged && found;
    not_converged = converged ? 0 : 1;
    return converged ? 1 : 0;
}

int mismatchSpatialExpansion::hook_jeeves_spatial_exp_4_par(double* x, double* y, const int& n,
                                                            const int& steps, const double& eps)
{
    double m, M0;
    search_scales(y, n, m, M0);
    // The search's functions are wrapped once, not at every exploratory move.
    const std::function<double()> sum = [&] { return spatial_ssd(true, x, y, n); };
    const std::function<void(double)> put_theta1 = [&](double v) { theta1 = v; };
    const std::function<void(double)> lower_theta1 = [&](double v) {
        theta1 = v;
        if (theta1 < theta0)
            theta0 = theta1;
    };
    const std::function<void(double)> put_theta0 = [&](double v) { theta0 = v; };
    const std::function<void(double)> put_tau = [&](double v) { tau = v; };
    const std::function<void(double)> put_M = [&](double v) { M = v; };
    double best = kNoSum;
    std::array<double, 4> best_point{}, first_start{};
    bool found = false;
    double D = 0.95;
    for (int start = 0; start < 10; ++start) {
        long seed = 1;
        theta1 = 5.0 * ran3(&seed);
        theta0 = 2.0 * ran3(&seed);
        tau = ran3(&seed) * m * 1.5 + m * 0.5;
        M = ran3(&seed) * M0 * 1.5 + M0 * 0.5;
        if (start == 0)
            first_start = {theta0, theta1, tau, M};
        double s_theta1 = 0.95, s_tau = 0.89, sM = 1.1, s_theta0 = 1.0;
        D = 0.95;
        int done = 0;
        double ref;
        for (;;) {
            ref = sum();
            if (done >= steps || D <= eps)
                break;
            const double theta0_start = theta0;
            explore(s_theta1, eps, theta1, theta1, ref, put_theta1, sum, 0.5, 1.0, lower_theta1);
            explore(s_tau, eps, tau, tau, ref, put_tau, sum, 0.5, 1.0);
            explore(sM, eps, M, M, ref, put_M, sum, 0.5, 1.0);
            explore(s_theta0, eps, theta0, theta0_start, ref, put_theta0, sum, 0.5, 1.0);
            D = std::max({s_tau, s_theta1, s_theta0 / 10.0, sM / 20.0});
            ++done;
        }
        ssd = ref;
        if (ssd < best) {
            best = ssd;
            best_point = {theta0, theta1, tau, M};
            found = true;
        }
        if (D > eps) {
            if (_ZOS_ && _ZOS_->good())
                *_ZOS_ << "\t\tno convergence after " << done << " steps (#=" << D << ")\n";
            not_converged = 1;
        }
    }
    const std::array<double, 4>& point = found ? best_point : first_start;
    theta0 = point[0];
    theta1 = point[1];
    tau = point[2];
    M = point[3];
    ssd = best;
    if (!found)
        not_converged = 1;
    return found && D <= eps ? 1 : 0;
}
