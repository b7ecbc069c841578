// The sudden-expansion model of the mismatch distribution (Rogers and
// Harpending 1992; Rogers 1995): the observed and expected distributions,
// Harpending's (1994) raggedness index and the mismatch of a simulated sample.

#include "simulation/ann_missmatch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <new>

#include "analyses/popgen/pop_genetics.h"
#include "core/errors.h"
#include "simulation/ttree.h"

ann_missmatch::ann_missmatch(PopGenetics* sample, settings* run_settings)
    : theta0(0.0), theta1(0.0), tau(0.0), rate_ratio(0.0), rate_ratio1(0.0), rate_ratio2(0.0),
      gamma_shape(-1.0), num_positions(0), sim_polym_sites(0.0), pop(sample), set(run_settings),
      max_classes(500), raggedness(0.0), error(0), not_converged(0), N(4000000), sample_size(0),
      num_pairs(0), pairs_left_out(0), m1(400), m2(0), m3(0), use_rh_search(1), ssd(0.0),
      model(2), transition_prob(0.33), obs_polym_sites(0), max_steps(2000), epsilon(0.001),
      num_boot(0), p_ssd(0.0), obs_ssd(0.0), alpha(0.05), summary_values()
{
    try {
        mut_probs0.assign(1005, 0.0);
        mut_probs1.assign(1005, 0.0);
        wat_vector.assign(1005, 0.0);
    } catch (std::bad_alloc const&) {
        mut_probs0.clear();
        mut_probs1.clear();
        wat_vector.clear();
        error = 1;
    }
}

ann_missmatch::ann_missmatch() : ann_missmatch(nullptr, nullptr)
{
    const char* file = "glob_res.xl";
    const bool existed = std::ifstream(file).good();
    summary_stream = std::make_unique<std::ofstream>(file, std::ios::app);
    if (!existed && summary_stream->good())
        *summary_stream << "Data file\tTau\tC.I. Tau\tTheta1\tC.I. Theta1\tTheta0\tC.I. Theta0"
                           "\tP-value\tSignif. 5%\tTau (R-H)"
                        << "\tTheta1 (R-H)\tTheta0 (R-H)\n"
                        << std::flush;
}

void ann_missmatch::init_data(const double& t0, const double& t1, const double& t, const double& r)
{
    theta0 = t0;
    theta1 = t1;
    tau = t;
    rate_ratio = r;
    N = 4000000;
    max_steps = 2000;
    epsilon = 0.001;
}

void ann_missmatch::log_line(const char* text)
{
    if (_ZOS_)
        *_ZOS_ << text;
}

int ann_missmatch::read_mismatch_pop(double* x, double* y, int& n, std::int64_t& pairs)
{
    theta0 = 1.0;
    theta1 = 5.0;
    tau = 3.0;
    rate_ratio = 1.0;
    gamma_shape = -1.0;
    m1 = 400;
    m2 = 0;
    model = 2;
    num_pairs = 0;
    pairs = 0;
    const std::int64_t* counts = pop ? pop->MismatchObsCounts : nullptr;
    int K = pop ? pop->NumMismatchClasses : 0;
    if (K < 1 && pop)
        K = pop->MaxPairDiff;
    // The histogram holds 2 MaxPairDiff + 1 classes; position last + 2 must
    // stay below max_classes, which every simulated distribution fills.
    const int reach = counts ? std::min(K, 2 * pop->MaxPairDiff) : -1;
    int last = std::min(reach, max_classes - 3);
    pairs_left_out = 0;
    for (int j = last + 1; j <= reach; ++j)
        pairs_left_out += counts[j];
    while (last >= 0 && counts[last] == 0)
        --last;
    if (last < 0) {
        log_line("The mismatch distribution holds no pair of gene copies: no expansion is fitted\n");
        error = 1;
        n = 0;
        return 0;
    }
    for (int j = 0; j <= last; ++j) {
        x[j + 1] = j;
        y[j + 1] = counts[j];
        num_pairs += counts[j];
    }
    n = last + 2;
    num_positions = n;
    pairs = num_pairs;
    sample_size = static_cast<int>((std::sqrt(8.0 * num_pairs + 1.0) + 1.0) * 0.5);
    for (int k = n; k < max_classes; ++k) {
        x[k] = k - 1;
        y[k] = 0.0;
    }
    return 1;
}

// F_i(theta1) + exp(-tau (theta1 + 1) / theta1) sum_{j=0..i} tau^j / j!
// (F_{i-j}(theta0) - F_{i-j}(theta1)), F_k(theta) = theta^k / (theta + 1)^(k+1).
// The exponential is folded into each Poisson-like term in log space, so that
// no term overflows for a large tau.
void ann_missmatch::expected_distribution(int count, double* out)
{
    if (theta0 <= 0.0)
        theta0 = 1e-7;
    bool equilibrium = false;
    if (tau <= 0.0) {
        tau = 1e-7;
        if (theta0 > theta1)
            theta1 = theta0;
        equilibrium = true;
    } else if (theta0 > theta1) {
        theta1 = theta0;
        equilibrium = true;
    }
    if (count <= 0)
        return;
    auto F = [](double theta, int k) {
        return std::exp(k * std::log(theta / (theta + 1.0)) - std::log(theta + 1.0));
    };
    if (equilibrium) {
        for (int i = 0; i < count; ++i)
            out[i] = F(theta0, i);
        return;
    }
    std::vector<double> diff(count), pois(count);
    const double log_tau = std::log(tau);
    double log_term = -tau * (theta1 + 1.0) / theta1;
    for (int j = 0; j < count; ++j) {
        if (j > 0)
            log_term += log_tau - std::log(static_cast<double>(j));
        pois[j] = std::exp(log_term);
        diff[j] = F(theta0, j) - F(theta1, j);
    }
    for (int i = 0; i < count; ++i) {
        double sum = 0.0;
        for (int j = 0; j <= i; ++j)
            sum += pois[j] * diff[i - j];
        out[i] = F(theta1, i) + sum;
    }
}

double ann_missmatch::f_i_exp(const int& i)
{
    if (i < 0) {
        expected_distribution(0, nullptr);
        return std::exp(i * std::log(theta1 / (theta1 + 1.0)) - std::log(theta1 + 1.0));
    }
    std::vector<double> out(i + 1);
    expected_distribution(i + 1, out.data());
    return out[i];
}

double ann_missmatch::f_SRod_Harp(double* x, double* y, const int& n)
{
    const int classes = n - 1;
    std::vector<double> expected(std::max(classes, 0));
    int needed = 0;
    for (int k = 1; k < n; ++k)
        needed = std::max(needed, static_cast<int>(x[k]) + 1);
    expected.resize(needed);
    expected_distribution(needed, expected.data());
    double sum = 0.0;
    for (int k = 1; k < n; ++k) {
        int c = static_cast<int>(x[k]);
        double d = (c >= 0 ? expected[c] : f_i_exp(c)) - y[k];
        sum += d * d;
    }
    return std::isfinite(sum) ? sum : std::numeric_limits<double>::infinity();
}

double ann_missmatch::compute_raggedness_index(double*, double* y, int n)
{
    if (n < 1)
        return y[n] * y[n];
    double r = 0.0;
    double total = y[1];
    for (int k = 2; k <= n; ++k) {
        double d = y[k] - y[k - 1];
        r += d * d;
        total += y[k];
    }
    r += y[n] * y[n];
    return total > 0.0 ? r / (total * total) : r;
}

double ann_missmatch::calc_mean_mssm(double* x, double* y, const int& n)
{
    double mean = 0.0;
    for (int k = 1; k < n; ++k)
        mean += x[k] * y[k];
    return mean;
}

namespace {

int bit_count(std::uint64_t w)
{
    w = w - ((w >> 1) & 0x5555555555555555ULL);
    w = (w & 0x3333333333333333ULL) + ((w >> 2) & 0x3333333333333333ULL);
    w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int>((w * 0x0101010101010101ULL) >> 56);
}

}  // namespace

// Pairs are counted between distinct sequences, weighted by their counts,
// and compared only at the sites where some tip differs from the first.
// Each sequence becomes bits: one per site with two states (set where it
// differs from the first tip), and one per state of a site hit into three
// states or more (set for its own state), so that two sequences differ at
// the popcount of the first kind of bits plus half that of the second.
void ann_missmatch::calc_mismatch(double* x, double* y, int size, int nc)
{
    TTree& tree = pop->SimTree;
    if (!tree.has_nodes() || tree.num_tips != size) {
        log_line("Problem with population sample size in simulation\n");
        return;
    }
    for (int k = 1; k < nc; ++k) {
        x[k] = k - 1;
        y[k] = 0.0;
    }
    const int n = tree.num_tips;
    const TNode& first = tree.nodes[0];
    auto state = [&](int tip, int s) {
        const TNode& node = tree.nodes[tip];
        return node.num_sites > s ? node.states[s] : 0;
    };
    // Per variable site its states (the first tip's first), and the first
    // bit it takes in its kind of bits.
    struct Site {
        int site;
        std::vector<int> states;
        int bit;
    };
    std::vector<Site> sites;
    int two_bits = 0, many_bits = 0;
    for (int s = 0; s < first.num_sites; ++s) {
        Site v{s, {first.states[s]}, 0};
        for (int i = 1; i < n; ++i)
            if (std::find(v.states.begin(), v.states.end(), state(i, s)) == v.states.end())
                v.states.push_back(state(i, s));
        if (v.states.size() == 1)
            continue;
        int& bits = v.states.size() == 2 ? two_bits : many_bits;
        v.bit = bits;
        bits += v.states.size() == 2 ? 1 : static_cast<int>(v.states.size());
        sites.push_back(std::move(v));
    }
    sim_polym_sites = static_cast<double>(sites.size());
    tree.compute_hapl_freq();
    const int two_words = (two_bits + 63) / 64;
    const int words = two_words + (many_bits + 63) / 64;
    std::vector<std::uint64_t> bits;
    std::vector<double> weight;
    for (int i = 0; i < n; ++i) {
        if (!tree.nodes[i].distinct)
            continue;
        const std::size_t at = bits.size();
        bits.resize(at + words, 0);
        for (const Site& v : sites) {
            const int k = static_cast<int>(
                std::find(v.states.begin(), v.states.end(), state(i, v.site)) - v.states.begin());
            if (v.states.size() == 2 && k == 1)
                bits[at + v.bit / 64] |= std::uint64_t(1) << (v.bit % 64);
            else if (v.states.size() > 2)
                bits[at + two_words + (v.bit + k) / 64] |= std::uint64_t(1) << ((v.bit + k) % 64);
        }
        weight.push_back(tree.nodes[i].hapl_count);
    }
    const int h = static_cast<int>(weight.size());
    auto add = [&](int d, double pairs) {
        if (d < nc - 1)
            y[d + 1] += pairs;
    };
    for (int a = 0; a < h; ++a) {
        add(0, 0.5 * weight[a] * (weight[a] - 1.0));
        const std::uint64_t* wa = bits.data() + static_cast<std::size_t>(a) * words;
        for (int b = 0; b < a; ++b) {
            const std::uint64_t* wb = bits.data() + static_cast<std::size_t>(b) * words;
            int two = 0, many = 0;
            for (int w = 0; w < two_words; ++w)
                two += bit_count(wa[w] ^ wb[w]);
            for (int w = two_words; w < words; ++w)
                many += bit_count(wa[w] ^ wb[w]);
            add(two + many / 2, weight[a] * weight[b]);
        }
    }
    const double total = 0.5 * n * (n - 1.0);
    if (total > 0.0)
        for (int k = 1; k < nc; ++k)
            y[k] /= total;
}

bool ann_missmatch::start_fit(FitArrays& a, std::ostream& out)
{
    try {
        a.xs.assign(max_classes + 10, 0.0);
        a.ys.assign(max_classes + 10, 0.0);
        a.es.assign(max_classes + 10, 0.0);
    } catch (const std::bad_alloc&) {
        log_line("Unable to allocate enough memory for covar and alpha matrices\n");
        log_line("exiting\n");
        error = 1;
        return false;
    }
    a.x = a.xs.data();
    a.y = a.ys.data();
    a.e = a.es.data();
    if (!read_mismatch_pop(a.x, a.y, a.n, a.pairs)) {
        if (out.good())
            out << "\nNo pair of gene copies in the mismatch distribution: no expansion fitted\n";
        return false;
    }
    if (pairs_left_out > 0 && out.good())
        out << "\nThe mismatch distribution reaches beyond " << max_classes - 3
            << " differences: the classes above it (" << pairs_left_out
            << " pairs) were left out of the fit\n";
    for (int k = 0; k <= a.n; ++k)
        a.y[k] /= a.pairs;
    return true;
}

void ann_missmatch::settle_fit(FitArrays& a, std::function<double(int)> const& expected)
{
    raggedness = compute_raggedness_index(a.x, a.y, a.n);
    summary_values[0] = obs_ssd;
    summary_values[2] = raggedness;
    for (int k = 1; k <= a.n; ++k)
        a.e[k] = expected(static_cast<int>(a.x[k]));
}

void ann_missmatch::print_observed_and_model(std::ostream& out, const char* rule,
                                             const char* header, FitArrays const& a)
{
    out << rule << header << rule;
    out << std::fixed << std::setprecision(1);
    for (int k = 1; k <= a.n; ++k)
        out << std::setw(13) << a.x[k] << std::setw(13) << a.y[k] * a.pairs << std::setw(13)
            << a.e[k] * a.pairs << "\n";
    out << rule;
}

bool ann_missmatch::explore(double& step, double eps, double plus_from, double minus_from,
                            double& ref, std::function<void(double)> const& put,
                            std::function<double()> const& sum, double shrink, double grow,
                            std::function<void(double)> const& put_minus) const
{
    if (step < eps) {
        step = 0.0;
        return true;
    }
    double value = plus_from + step;
    put(value);
    double trial = sum();
    bool accepted = trial < ref;
    if (!accepted) {
        value = minus_from - step;
        (put_minus ? put_minus : put)(value);
        trial = sum();
        accepted = trial < ref;
    }
    if (accepted) {
        ref = trial;
    } else {
        value = minus_from;
        put(value);
    }
    step *= value == minus_from ? shrink : grow;
    return step <= 10000.0;
}
