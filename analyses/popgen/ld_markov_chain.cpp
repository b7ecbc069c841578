// Markov-chain estimate of the exact P-value of linkage disequilibrium on a
// two-locus table with fixed margins (Slatkin 1994; Guo & Thompson 1992).
//
// A step swaps one gene copy between two cells of each of two rows and two
// columns, accepted with the ratio of the probabilities of the tables (the
// tables weighted by 1 / product of their cells' factorials), so the chain
// visits tables in proportion to their probability under independence. The
// P-value is the share of visited tables no more probable than the observed
// one; the running sum S of the logs of the accepted ratios is the log of
// the current table's probability relative to the observed table's.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"

namespace {

// Above this many steps the batched chain runs, in batches of kBatch steps.
constexpr int kSingleChainLimit = 100000;
constexpr int kBatch = 20000;
// A table counts when S is at most this, in both chains. The logs of the
// ratios along a path back to a table exactly as probable as the observed one
// (the observed table itself, or its mirror image) do not sum to exactly 0 in
// floating point: a 2 x 2 table of 2, 9, 9 and 2 copies reaches its mirror
// image with a sum of about +1e-11, and with the sum compared to 0 that half
// of the P-value would be lost. The rounding errors stay far below 1e-6 over
// any chain length used, and tables whose probabilities differ by less than
// one part in a million are ties for the test.
constexpr long double kTie = 1e-6L;

// Frees the pair's table however a chain ends, and puts back the dimension
// array's first two entries (the locus numbers are needed again for the
// next build).
class PairTable {
public:
    PairTable(Population& sample, int* dims) : sample_(sample), dims_(dims), saved_{dims[0], dims[1]}
    {
    }
    ~PairTable() { release(); }
    PairTable(PairTable const&) = delete;
    PairTable& operator=(PairTable const&) = delete;

    void release()
    {
        sample_.clear_table(dims_);
        dims_[0] = saved_[0];
        dims_[1] = saved_[1];
    }

private:
    Population& sample_;
    int* dims_;
    int saved_[2];
};

// The result of a pair that has no table (a locus with a single allele once
// missing data are left out): not tested, P -1 with no step done.
double untestable_pair(settings& s, int& steps_done)
{
    s.ld_pvalue = -1.0;
    s.PrecisionOnPValueLD = 0.0;
    steps_done = 0;
    return -1.0;
}

// One move on the table n of R rows and C columns: two distinct rows and two
// distinct columns are drawn, and one gene copy moves from cells (r1, c1)
// and (r2, c2) to (r1, c2) and (r2, c1) with probability min(1, rho). The
// ratio rho of the new table's probability to the old one's is returned
// (1.0 without a move); its log comes from the table ln_k of ln k when one
// is given, which spares the chain a logarithm per move.
inline double move_in_table(int** n, int R, int C, long& seed, double const* ln_k,
                            double& log_ratio)
{
    double u = ran3(&seed);
    int r1 = static_cast<int>(R * u);
    u = ran3(&seed);
    while (r1 == R) {
        r1 = static_cast<int>(R * u);
        u = ran3(&seed);
    }
    int c1 = static_cast<int>(C * u);
    u = ran3(&seed);
    while (c1 == C) {
        c1 = static_cast<int>(C * u);
        u = ran3(&seed);
    }
    int r2;
    do {
        r2 = static_cast<int>(R * u);
        while (r2 == r1) {
            u = ran3(&seed);
            r2 = static_cast<int>(R * u);
        }
        u = ran3(&seed);
    } while (r2 == R);
    int c2 = static_cast<int>(C * u);
    while (c2 == c1 || c2 == C) {
        u = ran3(&seed);
        c2 = static_cast<int>(C * u);
    }

    // Cells of more than 46340 gene copies overflow a 32-bit product.
    log_ratio = 0.0;
    const std::int64_t lowered = static_cast<std::int64_t>(n[r1][c1]) * n[r2][c2];
    const std::int64_t raised = static_cast<std::int64_t>(n[r1][c2] + 1) * (n[r2][c1] + 1);
    const double rho = static_cast<double>(lowered) / static_cast<double>(raised);
    // rho 0: a cell to be lowered is empty, no move exists.
    if (lowered < raised && (ran3(&seed) > rho || lowered == 0))
        return 1.0;
    if (ln_k)
        log_ratio = ln_k[n[r1][c1]] + ln_k[n[r2][c2]] - ln_k[n[r1][c2] + 1] - ln_k[n[r2][c1] + 1];
    --n[r1][c1];
    --n[r2][c2];
    ++n[r1][c2];
    ++n[r2][c1];
    return rho;
}

}  // namespace

double PopGenetics::swap_in_table(int* dims, long& seed)
{
    double log_ratio;
    return move_in_table(contingency_table, dims[0], dims[1], seed, nullptr, log_ratio);
}

std::vector<double> PopGenetics::ln_table_of_counts(int* dims) const
{
    int total = 0;
    for (int r = 0; r < dims[0]; ++r)
        for (int c = 0; c < dims[1]; ++c)
            total += contingency_table[r][c];
    std::vector<double> ln_k(total + 2, 0.0);
    for (int k = 1; k < total + 2; ++k)
        ln_k[k] = std::log(static_cast<double>(k));
    return ln_k;
}

bool PopGenetics::ld_chain_step(int* dims, long& seed, long double& S,
                                std::vector<double> const& ln_k)
{
    double log_ratio;
    move_in_table(contingency_table, dims[0], dims[1], seed, ln_k.data(), log_ratio);
    S += log_ratio;
    return S <= kTie;
}

double PopGenetics::calc_gam_des_prob2(int* dims, int& steps, settings& s, int& steps_done)
{
    PairTable table(*this, dims);
    if (!make_all_table(dims) || steps < 1) {
        settings::global_work_done += std::max(steps, 0) / 1000;
        settings::print_message();
        return untestable_pair(s, steps_done);
    }
    const int b = static_cast<int>(std::sqrt(static_cast<double>(steps)));
    const int q = steps / b;
    std::vector<long> counters;
    std::vector<double> ln_k;
    try {
        counters.assign(b, 0);
        ln_k = ln_table_of_counts(dims);
    } catch (std::bad_alloc const&) {
        E.error(ERROR, "PopGenetics::calc_gam_des_prob2()", 0);
        return 0.0;
    }

    long seed = 1;
    long double S = 0.0L;
    for (int t = 0; t < s.MarkovChainDememorisationStepsLD; ++t)
        ld_chain_step(dims, seed, S, ln_k);

    // b batches of q + 1 consecutive steps; the spread of their P-values gives
    // the s.d. Neighbouring steps of the chain are strongly correlated:
    // sub-samples of interleaved steps all see the same stretches of the
    // chain, and their spread would understate the error of P.
    const long N = static_cast<long>(q + 1) * b;
    long count = 0;
    for (int batch = 0; batch < b; ++batch) {
        for (int k = 0; k <= q; ++k) {
            if (s.stop_requested) {
                steps_done = 0;
                return -1000.0;
            }
            if (ld_chain_step(dims, seed, S, ln_k)) {
                ++count;
                ++counters[batch];
            }
        }
        settings::global_work_done += 0.001 * (q + 1);
        settings::print_message();
        if (s.stop_requested) {
            steps_done = 0;
            return -1000.0;
        }
    }
    table.release();

    const double P = static_cast<double>(count) / N;
    double sd = 0.0;
    if (b >= 2) {
        double sum = 0.0;
        for (long c : counters) {
            const double d = static_cast<double>(c) / (q + 1) - P;
            sum += d * d;
        }
        sd = std::sqrt(sum / (static_cast<double>(b - 1) * b));
    }
    steps_done = static_cast<int>(N);
    s.ld_pvalue = P;
    s.PrecisionOnPValueLD = sd;
    return P;
}

double PopGenetics::calc_gam_des_prob3(int* dims, int& steps, settings& s, int& steps_done)
{
    const char* where = "PopGenetics::calc_gam_des_prob3()";
    const long requested = std::max(steps, kBatch);
    const long B = requested / kBatch + 1;
    if (kBatch * B <= INT32_MAX)
        steps = static_cast<int>(kBatch * B);
    std::vector<double> batch_p, ln_k;
    try {
        batch_p.assign(B, 0.0);
    } catch (std::bad_alloc const&) {
        E.error(ERROR, where, 0);
        return 0.0;
    }
    const double precision = s.PrecisionOnPValueLD;
    long count = 0;
    long N = 0;
    double sd = 1.0;
    double P = 1.0;
    for (long t = 0; t < B; ++t) {
        if (s.stop_requested) {
            steps_done = 0;
            return -1000.0;
        }
        PairTable table(*this, dims);
        if (!make_all_table(dims)) {
            if (!monomorphic_locus)
                E.error(ERROR, where, 155);
            return untestable_pair(s, steps_done);
        }
        if (ln_k.empty()) {
            try {
                ln_k = ln_table_of_counts(dims);
            } catch (std::bad_alloc const&) {
                E.error(ERROR, where, 0);
                return 0.0;
            }
        }
        long seed = 1;
        long double S = 0.0L;
        for (int k = 0; k < s.MarkovChainDememorisationStepsLD; ++k)
            ld_chain_step(dims, seed, S, ln_k);
        long batch_count = 0;
        for (int k = 0; k < kBatch; ++k)
            batch_count += ld_chain_step(dims, seed, S, ln_k);
        N += kBatch;
        count += batch_count;
        batch_p[t] = static_cast<double>(batch_count) / kBatch;
        P = static_cast<double>(count) / N;
        steps_done = static_cast<int>(N);

        // The spread of the earlier batches around the P of all of them.
        bool last = false;
        if (t >= 2) {
            double sum = 0.0;
            for (long k = 0; k < t; ++k)
                sum += (batch_p[k] - P) * (batch_p[k] - P);
            sd = std::sqrt(sum / (static_cast<double>(t - 1) * t));
            last = sd < precision;
        }
        settings::global_work_done += 20.0;
        settings::print_message();
        if (s.stop_requested) {
            steps_done = 0;
            return -1000.0;
        }
        if (last)
            break;
    }
    s.ld_pvalue = P;
    s.PrecisionOnPValueLD = sd;
    return P;
}

// Each pair gets its own copy of the step count, so that the rounding of
// the batched chain never lengthens the chains of the pairs after it.
void PopGenetics::ld_pair_chain(int* dims, int steps, settings& s, int& steps_done)
{
    if (steps <= kSingleChainLimit)
        calc_gam_des_prob2(dims, steps, s, steps_done);
    else
        calc_gam_des_prob3(dims, steps, s, steps_done);
}
