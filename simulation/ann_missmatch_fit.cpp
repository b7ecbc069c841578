// Least-squares fit of the sudden-expansion model (Schneider and Excoffier
// 1999): a coordinate pattern search (the exploratory moves of Hooke and
// Jeeves 1961) and the parametric bootstrap of the fit.

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "core/errors.h"
#include "simulation/ann_missmatch.h"
#include "simulation/ttree.h"

void ann_missmatch::solve_least_square_rh(std::ostream& out)
{
    FitArrays a;
    if (!start_fit(a, out))
        return;
    hook_jeeves_rh(a.x, a.y, a.n, max_steps, epsilon);
    obs_ssd = ssd;
    if (out.good()) {
        out << std::fixed << std::showpoint << std::right << std::setprecision(3);
        out << "\nTau                                 : " << std::setw(12) << tau
            << "\nTheta0                              : " << std::setw(12) << theta0
            << "\nTheta1                              : " << std::setw(12) << theta1 << "\n";
        if (not_converged)
            out << "\nLeast-square procedure to fit expected and observed"
                << "\nmismatch distribution did not converge after " << max_steps << "steps \n\n";
    }
    settle_fit(a, [this](int i) { return f_i_exp(i); });
    if (num_boot > 0 && !error) {
        make_bootstrap(a.x, a.y, a.e, a.n, max_classes, out, a.pairs);
        if (num_boot > 0)
            return;  // else it gave nothing: the plain table of the fit instead
    }
    print_observed_and_model(out, "-----------------------------------------\n",
                             "        #Diff     Observed    Model Freq.\n", a);
}

int ann_missmatch::hook_jeeves_rh(double* x, double* y, const int& n, const int& steps,
                                  const double& eps)
{
    const std::function<double()> sum = [&] { return f_SRod_Harp(x, y, n); };
    // An expanding sample drives theta1 to its bound, where it is held while
    // theta0 and tau settle.
    const double theta1_bound = 99999.0;
    int completed = 0;
    double D = 0.0;
    const bool converged = coordinate_search(
        {10.00001, 0.899999, 1.000001, 1.000001, 0.500001, 1.0 / 0.2500005, theta1_bound}, sum,
        steps, eps, completed, D);
    if (!converged) {
        if (_ZOS_ && _ZOS_->good())
            *_ZOS_ << "\t\tno convergence after " << completed << " steps (#=" << D << ")\n";
        not_converged = 1;
    }
    ssd = sum();
    if (theta1 > theta1_bound)
        theta1 = theta1_bound;
    return converged ? 1 : 0;
}

bool ann_missmatch::coordinate_search(SearchSteps const& start, std::function<double()> const& sum,
                                      int steps, double eps, int& completed, double& D)
{
    double s1 = start.theta1, s2 = start.theta0, s3 = start.tau;
    D = start.D;
    completed = 0;
    // The search's functions are wrapped once, not at every exploratory move.
    const std::function<void(double)> put_theta1 = [&](double v) {
        theta1 = std::min(v, start.theta1_bound);
    };
    const std::function<void(double)> lower_theta1 = [&](double v) {
        theta1 = v;
        if (theta0 > theta1)
            theta0 = theta1;
    };
    const std::function<void(double)> put_theta0 = [&](double v) {
        theta0 = v;
        if (theta1 < theta0)
            theta1 = theta0;
    };
    const std::function<void(double)> put_tau = [&](double v) { tau = v; };
    for (;;) {
        double ref = sum();
        const double theta0_start = theta0, tau_start = tau;
        // A theta1 step past 10000 is capped there instead of ending the search.
        if (!explore(s1, eps, theta1, theta1, ref, put_theta1, sum, start.shrink, start.grow,
                     lower_theta1))
            s1 = 10000.0;
        if (!explore(s2, eps, theta0, theta0_start, ref, put_theta0, sum, start.shrink, start.grow))
            break;
        if (!explore(s3, eps, tau, tau_start, ref, put_tau, sum, start.shrink, start.grow))
            break;
        D = std::max({s3, s2, s1 / (theta1 + 1.0)});
        ++completed;
        if (completed >= steps || D <= eps)
            break;
    }
    return D <= eps;
}

int ann_missmatch::simulate_miss(double* x, double* y, int&)
{
    int done = 0;
    if (theta1 > 0.0) {
        const double mu = 0.5 * theta1 / N;
        const double f = std::max(1.0 / N, theta0 / theta1);
        const double T = 0.5 * tau / (mu * N);
        if (pop->simulate_sample_exp(mu, m1, NEW_ALLELE, -1.0, 1.0, 1.0, 0.33, T, f, N)) {
            calc_mismatch(x, y, static_cast<int>(pop->SampleSize), max_classes);
            done = 1;
        }
    }
    if (pop->SimTree.has_nodes())
        TNode::hits.count = 0;
    return done;
}

void ann_missmatch::make_bootstrap(double* x, double* y, double* e, int& n, const int& nc,
                                   std::ostream& out, std::int64_t pairs)
{
    BootstrapModel model{
        "ann_missmatch::make_bootstrap",
        "\n---------------------\n",
        "mismatchDemogExp",
        "mismatchDemogExpCI",
        "\nConfidence region for the observed mismatch:\n\n",
        {"Tau:", "Theta0:", "Theta1:"},
        [this] { return std::array<double, 3>{tau, theta0, theta1}; },
        [this](std::array<double, 3> const& v) {
            tau = v[0];
            theta0 = v[1];
            theta1 = v[2];
        },
        [this](double* xs, double* ys) {
            int unused = 0;
            return simulate_miss(xs, ys, unused) == 1;
        },
        [this](double* xs, double* ys, int positions) {
            return use_rh_search ? hook_jeeves_rh(xs, ys, positions, max_steps, epsilon)
                                 : hook_jeeves(xs, ys, positions, max_steps, epsilon);
        }};
    double quantiles[3][4];
    if (!run_bootstrap(model, x, y, e, n, nc, out, pairs, quantiles))
        return;
    for (int p = 0; p < 3; ++p)
        for (int q = 0; q < 4; ++q)
            summary_values[4 + 4 * p + q] = quantiles[p][q];
}
