// Least-squares fits of the spatial-expansion model (Excoffier 2004): the
// reports of the three- and four-parameter fits and the parametric bootstrap
// of the three-parameter fit.

#include <iomanip>
#include <string>

#include "simulation/spatial_expansion.h"

namespace {

const char* kRule43 = "-------------------------------------------\n";
const char* kTableHeader = "          #Diff     Observed    Model Freq.\n";

}  // namespace

void mismatchSpatialExpansion::solve_least_square_spatial_expansion_3_par(std::ostream& out)
{
    FitArrays a;
    if (!start_fit(a, out))
        return;
    hook_jeeves_spatial_exp_3_par(a.x, a.y, a.n, max_steps, epsilon);
    obs_ssd = ssd;
    if (out.good()) {
        out << "\n\n===============================================================\n"
            << "Parameters of the spatial expansion assuming constant deme size\n"
            << "===============================================================\n\n";
        if (not_converged)
            out << "\nLeast-square procedure to fit expected to observed mismatch distribution\n"
                << "did not converge after " << max_steps << " steps\n\n";
        out << std::fixed << std::showpoint << std::right << std::setprecision(3)
            << "\nTau                                 : " << std::setw(12) << tau
            << "\nTheta                               : " << std::setw(12) << theta1
            << "\nM                                   : " << std::setw(12) << M << "\n";
    }
    settle_fit(a, [this](int i) { return f_i_spatial_exp_3p(i); });
    bool printed = false;
    if (num_boot > 0 && !error) {
        make_bootstrap_spatial_exp(a.x, a.y, a.e, a.n, max_classes, out, a.pairs);
        printed = num_boot > 0;
    }
    if (!printed)
        print_observed_and_model(out, kRule43, kTableHeader, a);
    error = 0;
}

void mismatchSpatialExpansion::solve_least_square_spatial_expansion_4_par(std::ostream& out)
{
    FitArrays a;
    if (!start_fit(a, out))
        return;
    hook_jeeves_spatial_exp_4_par(a.x, a.y, a.n, max_steps, epsilon);
    obs_ssd = ssd;
    if (out.good()) {
        out << "\n\nParameters of the spatial expansion assuming different deme size before "
               "(theta0) and after (theta1) expansion\n"
            << std::string(109, '-') << "\n\n";
        if (not_converged)
            out << "\nLeast square procedure to fit model mismatch distribution\n"
                << "and observed distribution did not converge after " << max_steps << "\n"
                << "steps\n\n";
        out << std::fixed << std::showpoint << std::right << std::setprecision(3)
            << "\nTau                                 : " << std::setw(12) << tau
            << "\nTheta0                              : " << std::setw(12) << theta0
            << "\nTheta1                              : " << std::setw(12) << theta1
            << "\nM                                   : " << std::setw(12) << M << "\n";
    }
    settle_fit(a, [this](int i) { return f_i_spatial_exp_4p(i); });
    print_observed_and_model(out, kRule43, kTableHeader, a);
    error = 0;
}

void mismatchSpatialExpansion::make_bootstrap_spatial_exp(double* x, double* y, double* e, int& n,
                                                          const int& nc, std::ostream& out,
                                                          std::int64_t pairs)
{
    BootstrapModel model{
        "mismatchSpatialExpansion::make_bootstrap",
        "\n---------------------\n\n",
        "mismatchSpatialExp",
        "mismatchSpatialExpCI",
        "\nConfidence region for the observed mismatch:\n",
        {"Tau:", "M:", "Theta:"},
        [this] { return std::array<double, 3>{tau, M, theta1}; },
        [this](std::array<double, 3> const& v) {
            tau = v[0];
            M = v[1];
            theta0 = theta1 = v[2];
        },
        [this](double* xs, double* ys) {
            int unused = 0;
            return simulate_spatial_exp(xs, ys, unused);
        },
        [this](double* xs, double* ys, int positions) {
            return hook_jeeves_spatial_exp_3_par(xs, ys, positions, max_steps, epsilon);
        }};
    double quantiles[3][4];
    if (!run_bootstrap(model, x, y, e, n, nc, out, pairs, quantiles))
        return;
    for (int q = 0; q < 4; ++q) {
        summary_values[4 + q] = quantiles[0][q];
        summary_values[8 + q] = quantiles[2][q];
        M_CI[q] = quantiles[1][q];
    }
}
