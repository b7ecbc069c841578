// The older sudden-expansion fit for sites evolving at two, three or
// Gamma-distributed rates (Schneider and Excoffier 1999): the expected
// mismatch distribution for a finite number of sites combines the
// probability P(m) of m mutations between two genes under the sudden
// expansion (Rogers and Harpending 1992) with the H-number tables, the
// probability that m mutations leave k sites different (Tajima 1996).

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

#include "simulation/ann_missmatch.h"

namespace {

// F_m(theta) = theta^m / (theta + 1)^(m + 1), the number of mutations between
// two genes at equilibrium.
double F(double theta, int m)
{
    return std::exp(m * std::log(theta / (theta + 1.0)) - std::log(theta + 1.0));
}

}  // namespace

void ann_missmatch::solve_least_square(std::istream&, std::ostream& out, const int& replicates)
{
    FitArrays a;
    if (!start_fit(a, out))
        return;
    a.n = std::min(a.n + 10, max_classes - 1);
    num_boot = replicates;
    std::ostream* summary = summary_stream && summary_stream->good() ? summary_stream.get() : nullptr;
    if (model >= 2 && model <= 4 && summary) {
        const char* title = model == 2   ? "\nBuilding the two-rate matrix with:"
                            : model == 3 ? "\nBuilding the tree-rate matrix with:"
                                         : "\nBuilding the four-rate matrix with:";
        *summary << title << "\n\tm1=" << m1 << "\n\tm2=" << m2 << "\n\tm3=" << m3
                 << "\n\tr=" << rate_ratio << "\n\tr1=" << rate_ratio1 << "\n\tr2=" << rate_ratio2
                 << "...";
    }
    const char* dir = h_dir.c_str();
    bool built = false;
    if (model == 2 || model == 3)
        built = H1.create(m1, dir) && H2.create(m2, dir)
                && H_mix.create(m1 + m2, m1, m2, rate_ratio, &H1, &H2);
    else if (model == 4)
        built = H1.create(m1, dir) && H2.create(m2, dir) && H3.create(m3, dir)
                && H_mix.create(m1 + m2 + m3, m1, m2, m3, rate_ratio1, rate_ratio2, &H1, &H2, &H3);
    else if (model == 5)
        built = H_mix.create(h_file.c_str(), dir);
    if (!built)
        return;
    if (model >= 2 && model <= 4 && summary)
        *summary << "done!";
    if (model == 5)
        out << "We used the gamarate-rate model with following H-file: " << h_file << "\n";
    else
        out << "We used the " << model << "-rate model\n";
    out << "Initial parameter values:\n";
    print_multirate_parameters(out, a.x, a.y, a.n);
    hook_jeeves(a.x, a.y, a.n, max_steps, epsilon);
    obs_ssd = ssd;
    out << "After estimation:\n";
    print_multirate_parameters(out, a.x, a.y, a.n);
    make_xl_file(a.x, a.y, a.e, a.n, out);
    if (num_boot > 0 && !error) {
        raggedness = compute_raggedness_index(a.x, a.y, a.n);
        make_bootstrap(a.x, a.y, a.e, a.n, max_classes, out, a.pairs);
    }
}

void ann_missmatch::print_multirate_parameters(std::ostream& out, double* x, double* y, int n)
{
    out << "\t m1:\t" << m1 << "\n\t m2:\t" << m2 << "\n\t m3:\t" << m3 << "\n";
    if (model == 4)
        out << "\t r1:\t" << rate_ratio1 << "\n\t r2:\t" << rate_ratio2 << "\n";
    else
        out << "\t r:\t" << rate_ratio << "\n";
    out << "\t alpha:\t" << gamma_shape << "\n\t Transition rate:\t" << transition_prob
        << "\n\t mu:\t" << theta1 * 0.5 / N << "\n\t n:\t" << sample_size << "\n\t N:\t" << N
        << "\n\t Tau:\t" << tau << "\n\t Theta0:\t" << theta0 << "\n\t Theta1:\t" << theta1;
    out << "\n\t SSd:\t" << f_S2Rate(x, y, n) << "\n";
}

int ann_missmatch::hook_jeeves(double* x, double* y, const int& n, const int& steps,
                               const double& eps)
{
    const std::function<double()> sum = [&] { return f_S2Rate(x, y, n); };
    int completed = 0;
    double D = 0.0;
    const bool converged =
        coordinate_search({5.0, 1.0, 1.0, 1.0, 0.5, 4.0, std::numeric_limits<double>::infinity()},
                          sum, steps, eps, completed, D);
    if (!converged) {
        if (summary_stream && summary_stream->good())
            *summary_stream << " no convergence after " << completed << " steps\n";
        not_converged = 1;
    }
    ssd = sum();
    return converged ? 1 : 0;
}

int ann_missmatch::init_f_i_exp_vect(const double& threshold, int& M)
{
    M = -1;
    expected_distribution(0, nullptr);  // the guards of f_i_exp on the parameters
    const int capacity = std::min<int>(1000, static_cast<int>(wat_vector.size()));
    int terms = 0;
    for (; terms < capacity; ++terms) {
        const double p0 = F(theta0, terms), p1 = F(theta1, terms);
        if (p0 <= threshold * 0.001 && p1 <= threshold * 0.001)
            break;
        mut_probs0[terms] = p0;
        mut_probs1[terms] = p1;
    }
    if (terms == 0)
        return 0;
    std::vector<double> expected(terms);
    expected_distribution(terms, expected.data());
    for (int m = 0; m < terms && expected[m] > threshold; ++m) {
        wat_vector[m] = expected[m];
        M = m;
    }
    if (M == terms - 1) {
        if (summary_stream && summary_stream->good())
            *summary_stream << "Watterson vector too small\n";
        return 0;
    }
    return 1;
}

double ann_missmatch::f_S2Rate(double* x, double* y, const int& n)
{
    if (wat_vector.empty())
        return 1.0;
    int M = -1;
    init_f_i_exp_vect(5e-6, M);
    if (H_mix.cols < M + 1 || H_mix.last_row + 1 < n) {
        if (summary_stream && summary_stream->good())
            *summary_stream << "The H matrices are not big enough  \n";
        return 10.0;
    }
    double sum = 0.0;
    for (int k = 1; k < n; ++k) {
        const int j = static_cast<int>(x[k]);
        double expected = 0.0;
        for (int m = std::max(j, 0); m <= M; ++m) {
            const double next = expected + wat_vector[m] * H_mix.at(j, m);
            if (next < 0.0)
                break;
            expected = next;
        }
        const double d = expected - y[k];
        sum += d * d;
    }
    return sum;
}

double ann_missmatch::f_i_exp_2r(const int& i)
{
    const int columns = H_mix.cols;
    if (i < 0 || i >= columns)
        return 0.0;
    std::vector<double> expected(columns);
    expected_distribution(columns, expected.data());
    double sum = 0.0;
    for (int m = i; m < columns && expected[m] > 1e-5; ++m) {
        const double next = sum + H_mix.at(i, m) * expected[m];
        if (next < 0.0)
            break;
        sum = next;
    }
    return std::max(sum, 0.0);
}

int ann_missmatch::conj_grad(double* x, double* y, const int& n, const int& steps,
                             const double& eps)
{
    if (!x)
        return 0;
    return static_cast<int>(x[0] + y[0] + n + steps + eps);
}

void ann_missmatch::plot_fS(double* x, double* y, const int& n)
{
    std::ofstream plot("plot_out.xl");
    for (int i = 1; i <= 20; ++i) {
        tau = 0.4 * i;
        plot << "tau=\t" << tau << "\n\n";
        for (int j = 1; j <= 20; ++j)
            for (int l = 1; l <= 20; ++l) {
                theta0 = 0.05 * j;
                theta1 = 0.05 * l;
                plot << theta0 << "\t" << theta1 << "\t" << f_S2Rate(x, y, n) << "\n";
            }
    }
}

void ann_missmatch::make_xl_file(double* x, double*, double* e, const int& n, std::ostream& out)
{
    out << "Estimated parameters:" << "\n"
        << "\t" << "Tau=\t" << tau << "\n"
        << "\t" << "Theta0=\t" << theta0 << "\n"
        << "\t" << "Theta1=\t" << theta1 << "\n\n";
    for (int k = 1; k <= n; ++k)
        e[k] = f_i_exp_2r(static_cast<int>(x[k]));
}
