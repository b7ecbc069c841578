// Markov-chain estimate of the P-value of the Hardy-Weinberg exact test, as
// one chain or as independent batches (Guo S, Thompson E 1992, Biometrics 48).
//
// The P-value is the probability of a table no more probable than the
// observed one. The chain keeps S, the log of the ratio of the current
// table's probability to the observed table's, as the running sum of the
// logs of the accepted moves' ratios, so that a step costs the four cells of
// its move and five uniform draws; a step counts when S <= 1e-6. Its
// standard deviation comes from b ~ sqrt(steps) sub-estimates: b batches
// of consecutive steps of one chain, or b independent chains each with its
// own dememorisation.

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "app/settings.h"
#include "core/errors.h"
#include "model/population.h"

namespace {

// Frees the test's table however the chain ends.
class TableRelease {
public:
    TableRelease(Population& sample, int* dims) : sample_(sample), dims_(dims) {}
    ~TableRelease() { sample_.clear_table(dims_); }
    TableRelease(TableRelease const&) = delete;
    TableRelease& operator=(TableRelease const&) = delete;

private:
    Population& sample_;
    int* dims_;
};

// Integer part of the square root.
long root_of(long steps)
{
    long b = static_cast<long>(std::sqrt(static_cast<double>(steps)));
    while (b * b > steps)
        --b;
    while ((b + 1) * (b + 1) <= steps)
        ++b;
    return b;
}

// One move; true when it ends on a table no more probable than the
// observed one.
inline bool step_counts(Population& sample, int* dims, long& seed, long double& S)
{
    double r = sample.swap_in_table2(dims, seed);
    if (r != 1.0)
        S += std::log(r);
    return S <= 1e-6;
}

// The dememorisation before a chain or batch: S starts at 0 on the
// observed table and goes on from where these moves leave it.
void dememorise(Population& sample, int* dims, long& seed, settings const& s, long double& S)
{
    for (long t = 0; t < s.MarkovChainDememorisationStepsHW; ++t)
        step_counts(sample, dims, seed, S);
}

// The end of a chain that has no test to run.
double no_test(settings& s, long& steps_done)
{
    steps_done = 0;
    s.PrecisionOnPValueHW = 0.0;
    return 1.0;
}

void add_work(double steps)
{
    settings::global_work_done += 0.001 * steps;
    settings::print_message();
}

}  // namespace

double Population::make_hw_test2(long const& steps, double& aux, settings& s, long& steps_done,
                                 int* dims)
{
    TableRelease release(*this, dims);
    if (!make_hw_table(dims))
        return no_test(s, steps_done);
    if (dims[0] < 2) {
        add_work(static_cast<double>(steps));
        return no_test(s, steps_done);
    }
    // A chain needs at least one step (b >= 1); the report names the refusal.
    if (steps < 1)
        return no_test(s, steps_done);

    const long b = root_of(steps);
    const long q = steps / b;
    std::vector<double> counters;
    try {
        counters.assign(b, 0.0);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "Population::make_hw_test2()", 0);
        return no_test(s, steps_done);
    }
    long seed = 1;
    long double S = 0.0L;
    dememorise(*this, dims, seed, s, S);

    // b batches of q + 1 consecutive steps, counters[p] counting the steps
    // of batch p. Successive tables of a chain are alike, so only batches of
    // consecutive steps give estimates whose spread measures the error of P.
    long counted = 0;
    for (long p = 0; p < b; ++p) {
        for (long t = 0; t <= q; ++t)
            if (step_counts(*this, dims, seed, S)) {
                ++counted;
                counters[p] += 1.0;
            }
        add_work(static_cast<double>(q + 1));
        if (s.stop_requested) {
            steps_done = 0;
            return -1000.0;
        }
    }

    const long run = (q + 1) * b;
    const double P = static_cast<double>(counted) / run;
    double sd = 0.0;
    if (b >= 2) {
        double sum = 0.0;
        for (long p = 0; p < b; ++p) {
            double d = counters[p] / (q + 1) - P;
            sum += d * d;
        }
        sd = std::sqrt(sum / (static_cast<double>(b) * (b - 1)));
    }
    steps_done = run;
    s.hw_pvalue = P;
    s.PrecisionOnPValueHW = sd;
    aux = 0.0;
    return P;
}

double Population::make_hw_test3(long const& steps, double& aux, settings& s, long& steps_done,
                                 int* dims)
{
    steps_done = 0;
    if (steps < 1)
        return no_test(s, steps_done);
    TableRelease release(*this, dims);
    if (!make_hw_table(dims))
        return no_test(s, steps_done);
    if (dims[0] < 2) {
        add_work(static_cast<double>(steps));
        return no_test(s, steps_done);
    }
    // Every batch starts from the observed table. It is built from the data
    // once and copied back before each batch: allocating a table of a
    // thousand gene copies anew for every batch costs more than its moves.
    const int width = dims[0] + 2;
    std::vector<int> observed;
    try {
        observed.resize(static_cast<std::size_t>(width) * width);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "Population::make_hw_test3()", 0);
        return no_test(s, steps_done);
    }
    for (int r = 0; r < width; ++r)
        std::copy(contingency_table[r], contingency_table[r] + width, &observed[r * width]);

    const long b = root_of(steps);
    const long L = steps / b + 1;
    double sd = 1.0;
    double P = 0.0;
    long counted = 0;
    long run = 0;
    // Sums of the estimates of the batches before the current one.
    double sum = 0.0;
    double sum_sq = 0.0;
    for (long m = 0; m < b; ++m) {
        if (m > 0)
            for (int r = 0; r < width; ++r)
                std::copy(&observed[r * width], &observed[r * width] + width,
                          contingency_table[r]);
        long seed = 1;
        long double S = 0.0L;
        dememorise(*this, dims, seed, s, S);
        long c = 0;
        for (long t = 0; t < L; ++t)
            c += step_counts(*this, dims, seed, S);
        counted += c;
        run += L;
        P = static_cast<double>(counted) / run;
        steps_done = run;

        // The spread of the earlier batches around the P of all of them; a
        // batch whose s.d. is below the precision asked for is the last.
        bool last = false;
        if (m >= 2) {
            double squares = sum_sq - 2.0 * P * sum + m * P * P;
            sd = std::sqrt(std::max(squares, 0.0) / ((m - 1.0) * m));
            last = sd < s.PrecisionOnPValueHW;
        }
        const double estimate = static_cast<double>(c) / L;
        sum += estimate;
        sum_sq += estimate * estimate;

        add_work(static_cast<double>(L));
        if (s.stop_requested) {
            steps_done = 0;
            return -1000.0;
        }
        if (last)
            break;
    }
    s.hw_pvalue = P;
    s.PrecisionOnPValueHW = sd;
    aux = 0.0;
    return P;
}
