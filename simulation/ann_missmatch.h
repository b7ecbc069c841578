// Least-squares fit of the sudden-expansion model to the mismatch distribution
// of one sample (Rogers and Harpending 1992; Schneider and Excoffier 1999),
// with a parametric bootstrap of the fit.
//
// A population at equilibrium with scaled size theta0 changed instantly to
// theta1, tau units of mutational time ago. The fit reads the sample's
// observed histogram of pairwise differences, minimises the sum of squared
// deviations (SSD) between observed and expected relative frequencies over
// theta0, theta1 and tau by a coordinate pattern search, prints the
// estimates, and either the observed and expected pairs or, with bootstrap
// replicates asked for, the goodness-of-fit test, the mean simulated
// distribution and percentile confidence intervals.
//
// Distributions travel as pairs of arrays indexed from 1: x[k] = k - 1 (a
// number of differences) and y[k] its count or relative frequency; position
// 0 holds no class. n positions: 1 .. n-1 enter the SSD, position n is the
// empty class after the largest one kept. Every array has max_classes + 10
// slots, all zeroed before use.
//
// Files: ann_missmatch.cpp (reader, expectation, raggedness, simulated
// mismatch), ann_missmatch_fit.cpp (the search and the report),
// expansion_bootstrap.cpp (the bootstrap shared with the spatial model),
// ann_missmatch_multirate.cpp (the older fit for several classes of site
// rates on the H-number tables).
#ifndef DROV_SIMULATION_ANN_MISSMATCH_H
#define DROV_SIMULATION_ANN_MISSMATCH_H

#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/my_string.h"
#include "simulation/hnum_tables.h"

class PopGenetics;
class settings;

class ann_missmatch {
public:
    double theta0;       // scaled size before the expansion
    double theta1;       // scaled size after it
    double tau;          // time since the expansion, in mutational units
    double rate_ratio;   // stored by init_data; 1.0 after reading the distribution
    // The older multi-rate fit (solve_least_square): its rate ratios (three
    // rates: rate_ratio1 and rate_ratio2), gamma shape (-1: none), H-number
    // tables of the three site classes and their mixture, the table file of
    // the gamma model and the folder of the table files.
    double rate_ratio1;
    double rate_ratio2;
    double gamma_shape;
    Ex_HNum H1, H2, H3, H_mix;
    std::string h_file;
    std::string h_dir;
    // Work vectors of the multi-rate expectation: F_m(theta0), F_m(theta1)
    // and the probability of m mutations between two genes.
    std::vector<double> mut_probs0, mut_probs1, wat_vector;
    // "glob_res.xl" of the default constructor; null otherwise.
    std::unique_ptr<std::ofstream> summary_stream;
    int num_positions;   // n of the observed distribution
    double sim_polym_sites;  // polymorphic sites of the last simulated sample
    PopGenetics* pop;    // the sample, not owned
    settings* set;       // the run settings, not owned
    int max_classes;     // capacity of the distributions: 500
    double raggedness;   // raggedness index of the observed distribution
    int error;           // 1 after a failed allocation or a histogram without pairs
    int not_converged;   // 1 after a search that did not converge
    int N;               // scaling population size of the simulations
    int sample_size;     // gene copies derived from the number of pairs
    // Pairs of gene copies in 64 bits: more than 65,536 copies make more
    // than 2^31 pairs.
    std::int64_t num_pairs;       // pairs of the observed distribution
    std::int64_t pairs_left_out;  // pairs in classes beyond the fit's last class (497)
    int m1;              // sites of a simulated sample (400); first rate class
    int m2;              // sites of the second and third rate classes
    int m3;
    int use_rh_search;   // 1: bootstrap refits use hook_jeeves_rh, else hook_jeeves
    double ssd;          // SSD at the parameters left by the last search
    int model;           // rate model code, set by the caller (2)
    double transition_prob;  // 0.33
    int obs_polym_sites;     // polymorphic sites of the sample
    int max_steps;       // iteration limit of the searches: 2000
    double epsilon;      // convergence threshold of the searches: 0.001
    int num_boot;        // bootstrap replicates; <= 0: no bootstrap
    double p_ssd;        // bootstrap P-value of the SSD
    double obs_ssd;      // SSD of the fit to the observed distribution
    double alpha;        // significance level; the last printed after a bootstrap
    // SSD, its P-value, raggedness, its P-value, then the 2.5, 5, 95 and
    // 97.5% bootstrap quantiles of tau, theta0 and theta1 (of tau and theta,
    // the M quantiles apart, for the spatial model).
    double summary_values[16];
    my_string name;      // the sample's name

    ann_missmatch(PopGenetics* sample, settings* run_settings);
    // Without a sample, appending to "glob_res.xl" in the working directory,
    // which gets its header line when it is new.
    ann_missmatch();
    virtual ~ann_missmatch() = default;
    ann_missmatch(const ann_missmatch&) = delete;
    ann_missmatch& operator=(const ann_missmatch&) = delete;

    // Stores the parameters and r; N 4,000,000, max_steps 2000, epsilon 0.001.
    void init_data(const double& theta0, const double& theta1, const double& tau, const double& r);

    // The sample's observed histogram into x and y (counts), from class 0 to
    // the last non-empty class up to its last expected class (or, when that
    // is below 1, its largest pairwise difference), kept below max_classes - 2
    // so that position n stays inside the arrays; n, the number of pairs and
    // the derived sample size; the pairs of the classes beyond max_classes - 3
    // go to pairs_left_out. Also sets the start values of a fit. 1; 0,
    // with error set and a line on the log, when the histogram holds no pair.
    int read_mismatch_pop(double* x, double* y, int& n, std::int64_t& pairs);

    // Expected relative frequency of class i under the model. A theta0 or
    // tau <= 0 becomes 1e-7 and a theta1 below theta0 becomes theta0, in the
    // object.
    double f_i_exp(const int& i);
    // The same for classes 0 .. count-1 into out, with the same guards.
    void expected_distribution(int count, double* out);

    // Sum over positions 1 .. n-1 of (expected - y[k])^2 at the current
    // parameters; +infinity when not finite.
    double f_SRod_Harp(double* x, double* y, const int& n);

    // [sum_{k=2..n} (y[k] - y[k-1])^2 + y[n]^2] / (sum_{k=1..n} y[k])^2 (no
    // division when the sum is not positive); y[n]^2 for n < 1.
    double compute_raggedness_index(double* x, double* y, int n);
    // sum_{k=1..n-1} x[k] y[k]; 0 for n < 2.
    double calc_mean_mssm(double* x, double* y, const int& n);

    // Mismatch distribution of the simulated sample on the genealogy of pop:
    // classes 0 .. nc-2 in positions 1 .. nc-1 as relative frequencies (pairs
    // with more differences count only in the number of pairs), and the
    // polymorphic sites in sim_polym_sites. Leaves x and y unchanged, after a
    // line on the log, when the genealogy has not sample_size tips.
    void calc_mismatch(double* x, double* y, int sample_size, int nc);

    // Fits theta0, theta1 and tau and writes the report to out.
    void solve_least_square_rh(std::ostream& out);
    // The coordinate search from the current parameters (steps 10, 0.9 and 1
    // for theta1, theta0 and tau, halved when a parameter does not move and
    // quadrupled when it does); 1 when it converged. Theta1 stays at or below
    // 99999 and its step at or below 10000, so a sample that drives theta1 up
    // is still searched in theta0 and tau; a step of theta0 or tau past 10000
    // ends the search. Leaves the final SSD in ssd; a theta1 start above 99999
    // is then reported as 99999.
    int hook_jeeves_rh(double* x, double* y, const int& n, const int& max_steps,
                       const double& epsilon);

    // One simulated distribution under the current parameters into x and y:
    // a genealogy of the sample's size with a sudden change of size, and 400
    // sites of new alleles. 0 without simulating when theta1 <= 0 or the
    // genealogy cannot be built.
    int simulate_miss(double* x, double* y, int& unused);
    // The parametric bootstrap of the fit; prints its tables to out.
    void make_bootstrap(double* x, double* y, double* e, int& n, const int& nc, std::ostream& out,
                        std::int64_t pairs);

    // --- The older fit for several classes of site rates (ann_missmatch_multirate.cpp) ---
    // Reads the distribution as solve_least_square_rh does, adds ten empty
    // classes, builds the H-number tables of `model` (2, 3: m1 and m2 sites
    // at rate ratio rate_ratio; 4: m1, m2, m3 sites at rate_ratio1 and
    // rate_ratio2; 5: the table h_file) from h_dir, fits with hook_jeeves and
    // prints the parameters before and after, the estimates and, with
    // replicates, the bootstrap. The input stream is not read.
    void solve_least_square(std::istream& in, std::ostream& out, const int& replicates);
    // The search of hook_jeeves_rh on f_S2Rate, with steps 5, 1 and 1,
    // halved or quadrupled, and theta1 unbounded; the failure line goes to
    // the summary stream.
    int hook_jeeves(double* x, double* y, const int& n, const int& max_steps,
                    const double& epsilon);
    // SSD over positions 1 .. n-1 of the finite-sites expectation: class j
    // gets sum_m P(m) H_mix[j][m] over the m mutations between two genes.
    // 10 when H_mix is too small, 1 without work vectors.
    double f_S2Rate(double* x, double* y, const int& n);
    // P(m) for m = 0 .. M into wat_vector while above threshold, after
    // F_m(theta0) and F_m(theta1) while either is above threshold / 1000 (at
    // most 1000 terms). 1; 0 when the vectors end above the threshold.
    int init_f_i_exp_vect(const double& threshold, int& M);
    // sum_{m >= i} H_mix[i][m] f_i_exp(m) while f_i_exp(m) > 1e-5; at least 0.
    double f_i_exp_2r(const int& i);
    // Placeholder of a conjugate-gradient search: 0 for a null x, else the
    // truncation of x[0] + y[0] + n + max_steps + epsilon.
    int conj_grad(double* x, double* y, const int& n, const int& max_steps, const double& epsilon);
    // f_S2Rate over a grid of tau, theta0 and theta1 into "plot_out.xl".
    void plot_fS(double* x, double* y, const int& n);
    // The estimates to out and the multi-rate expectation of positions 1 .. n into e.
    void make_xl_file(double* x, double* y, double* e, const int& n, std::ostream& out);

    // Percentile positions of a bootstrap of B sorted values: the interval of
    // level alpha (lo, up), and the summary quantile p ((int)(p B - 1), at
    // least 0).
    static void percentile_bounds(double alpha, int B, int& lo, int& up);
    static int summary_position(double p, int B);

protected:
    // What a bootstrap needs of its model: the simulation, the refit, and
    // the three fitted parameters in the order of the printed rows.
    struct BootstrapModel {
        const char* where;               // reporting name for the log
        const char* distributions_rule;  // the rule under "Mismatch distributions:"
        const char* xml_name;            // element of the distributions table
        const char* xml_ci_name;         // stem of the confidence-region elements
        const char* region_title;        // title of the confidence-region table
        std::array<const char*, 3> labels;
        std::function<std::array<double, 3>()> parameters;
        std::function<void(std::array<double, 3> const&)> set_parameters;
        std::function<bool(double* x, double* y)> simulate;
        std::function<int(double* x, double* y, int n)> refit;
    };
    // Simulates and refits until B samples are simulated (at most 10 B
    // attempts), then writes the tables. A refit that does not converge
    // enters, as the fit to the observed sample does, and is counted in the
    // results. On return the fitted parameters are back, and quantiles holds
    // per parameter the 2.5, 5, 95 and 97.5% values. False, with nothing but
    // a note written, when no sample could be simulated, on a stop request,
    // or when the work storage or the genealogy cannot be had.
    bool run_bootstrap(BootstrapModel const& model, double* x, double* y, double* e, int n, int nc,
                       std::ostream& out, std::int64_t pairs, double quantiles[3][4]);

    // The distributions of one fit: class values, observed relative
    // frequencies and expected frequencies, max_classes + 10 slots each.
    struct FitArrays {
        std::vector<double> xs, ys, es;
        double* x = nullptr;
        double* y = nullptr;
        double* e = nullptr;
        int n = 0;      // positions of the observed distribution
        std::int64_t pairs = 0;  // pairs of gene copies behind it
    };
    // Zeroed arrays holding the observed distribution as relative
    // frequencies, after a note in out when classes beyond the last one that
    // fits were left out. False when they cannot be had (the allocation lines on
    // the log, error set) or there is no pair to fit (with a note in out).
    bool start_fit(FitArrays& a, std::ostream& out);
    // After the search: the raggedness and the SSD into the summary values,
    // and the expected frequency of every position.
    void settle_fit(FitArrays& a, std::function<double(int)> const& expected);
    // The table of observed and expected pairs of a fit without bootstrap.
    void print_observed_and_model(std::ostream& out, const char* rule, const char* header,
                                  FitArrays const& a);
    // One line on the log when it is open.
    static void log_line(const char* text);

    // The coordinate search shared by hook_jeeves_rh and hook_jeeves, from
    // the current parameters with the given start steps and step factors.
    // Theta1 stays at or below theta1_bound and its step at or below 10000; a
    // step of theta0 or tau past 10000 ends the search. Counts the completed
    // iterations and leaves the last convergence measure in D; true when
    // converged.
    struct SearchSteps {
        double theta1, theta0, tau, D;
        double shrink, grow;
        double theta1_bound;
    };
    bool coordinate_search(SearchSteps const& start, std::function<double()> const& sum,
                           int max_steps, double eps, int& completed, double& D);
    void print_multirate_parameters(std::ostream& out, double* x, double* y, int n);

    // One exploratory move of a coordinate search on one parameter: the trial
    // plus_from + step, then minus_from - step, each kept when its SSD is
    // strictly below ref (which becomes that SSD); else the parameter goes
    // back to minus_from. `put` sets the parameter (with the model's side
    // effects). The step is then multiplied by shrink when the parameter
    // ends at minus_from, else by grow. A step below eps becomes 0 and
    // freezes the parameter. False when the step passes 10000 (the search
    // aborts).
    // put_minus, when given, sets the minus trial instead of put.
    bool explore(double& step, double eps, double plus_from, double minus_from, double& ref,
                 std::function<void(double)> const& put, std::function<double()> const& sum,
                 double shrink, double grow,
                 std::function<void(double)> const& put_minus = nullptr) const;
};

#endif
