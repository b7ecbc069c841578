// The mismatch distribution with its raggedness index (Harpending 1994), the moments fit of a
// sudden expansion and its expected distribution (Rogers and Harpending 1992; Rogers 1995).

#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "core/errors.h"
#include "core/math_functions.h"

namespace {

// Expected classes below this count are pooled before the chi-square test.
constexpr double kSmallClass = 5.0;

// ln(e^a + e^b) without overflow.
double log_sum(double a, double b)
{
    const double high = a > b ? a : b, low = a > b ? b : a;
    return high + std::log1p(std::exp(low - high));
}

}  // namespace

int PopGenetics::compute_mm_distr()
{
    delete[] MismatchObsCounts;
    delete[] MismatchExpCounts;
    MismatchObsCounts = nullptr;
    MismatchExpCounts = nullptr;
    const int M = MaxPairDiff;
    if (M == 0) {
        MismatchObsMean = MismatchObsVar = MismatchTheta0 = MismatchTau = 0.0;
        return 1;
    }
    const int classes = 2 * M + 1;
    try {
        MismatchObsCounts = new std::int64_t[classes]();
        MismatchExpCounts = new double[classes]();
    } catch (std::bad_alloc const&) {
        delete[] MismatchObsCounts;
        MismatchObsCounts = nullptr;
        E.error(MEMORY, "PopGenetics::compute_mm_distr()", 0);
        return 0;
    }
    if (haplotypes.count == 0) {
        E.error(ERROR, "PopGenetics::compute_mm_distr()", 108);
        return 0;
    }
    if (!HaplDistMat) {
        E.error(ERROR, "PopGenetics::compute_mm_distr(ofstream ofs)", 122);
        return 1;
    }
    if (haplotypes[0]->haplotype && haplotypes[0]->haplotype->content.is_null())
        return 1;

    count_mismatches();
    mismatch_moments();
    expected_mismatches();
    mismatch_goodness_of_fit();
    return 1;
}

// Pairs are counted haplotype by haplotype: n_i n_j pairs between two haplotypes and
// n_i (n_i - 1)/2 within one, each in the class of its distance truncated toward zero.
void PopGenetics::count_mismatches()
{
    std::int64_t* h = MismatchObsCounts;
    const int M = MaxPairDiff;
    auto add = [&](double distance, std::int64_t pairs) {
        const int d = static_cast<int>(distance);
        if (d >= 0 && d <= M)  // MaxPairDiff bounds every distance of the matrix
            h[d] += pairs;
    };
    RectMat& D = *HaplDistMat;
    for (int i = 0; i < haplotypes.count; ++i) {
        const std::int64_t ni = haplotypes[i]->count;
        for (int j = 0; j < i; ++j)
            add(D(i, j), ni * haplotypes[j]->count);
        add(D(i, i), (ni - 1) * ni / 2);
    }
}

// Mean m and variance v of the number of differences; the moments fit theta0 = sqrt(v - m),
// tau = m - theta0 (Rogers 1995); the raggedness r = sum (h[d] - h[d-1])^2 / S0^2.
void PopGenetics::mismatch_moments()
{
    const std::int64_t* h = MismatchObsCounts;
    const int M = MaxPairDiff;
    double S0 = 0.0, S1 = 0.0, S2 = 0.0, R = 0.0;
    for (int d = 0; d <= M; ++d) {
        S0 += h[d];
        S1 += static_cast<double>(d) * h[d];
        S2 += static_cast<double>(d) * d * h[d];
        if (d > 0)
            R += static_cast<double>(h[d] - h[d - 1]) * static_cast<double>(h[d] - h[d - 1]);
    }
    R += static_cast<double>(h[M]) * static_cast<double>(h[M]);
    MismatchRaggedness = S0 > 0.0 ? R / (S0 * S0) : R;
    if (S0 <= 0.0) {
        MismatchObsMean = MismatchObsVar = MismatchTheta0 = MismatchTau = 0.0;
        return;
    }
    const double m = S1 / S0;
    const double v = S0 > 1.0 ? (S2 - S1 * S1 / S0) / (S0 - 1.0) : 0.0;
    const double theta0 = v >= m ? std::sqrt(v - m) : 0.0;
    MismatchObsMean = m;
    MismatchObsVar = v;
    MismatchTheta0 = theta0;
    MismatchTau = theta0 <= m ? m - theta0 : 0.0;
}

// NumMismatchClasses ends as the last class expecting more than 1e-5 pairs after an expansion;
// the equilibrium (tau = 0) keeps it at 0, so that no goodness of fit is tested.
// After an expansion tau units ago from theta0 to an infinite size (Rogers and Harpending 1992,
// eq. 4) E[d] = pairs theta0^d / (theta0+1)^(d+1) e^-tau sum_{j<=d} x^j/j!, x = tau (theta0+1)
// / theta0: the sum grows by one term per class and is kept as a logarithm, as large tau and
// d overflow its terms.
void PopGenetics::expected_mismatches()
{
    const int M = MaxPairDiff;
    double pairs = 0.0;
    for (int d = 0; d <= M; ++d)
        pairs += MismatchObsCounts[d];
    const double theta0 = MismatchTheta0, tau = MismatchTau;
    const double log_geometric = std::log(theta0 / (theta0 + 1.0));
    NumMismatchClasses = 0;
    if (tau > 0.0 && theta0 > 0.0) {
        const double log_x = std::log(tau * (theta0 + 1.0) / theta0);
        const double log_scale = std::log(pairs) - std::log(theta0 + 1.0) - tau;
        double log_sum_x = 0.0;  // the j = 0 term
        for (int d = 0; d <= 2 * M; ++d) {
            if (d > 0)
                log_sum_x = log_sum(log_sum_x, d * log_x - factln(d));
            MismatchExpCounts[d] = std::exp(log_scale + d * log_geometric + log_sum_x);
            if (MismatchExpCounts[d] > 1e-5)
                NumMismatchClasses = d;
        }
        return;
    }
    // Without expansion the equilibrium geometric distribution; without theta0 all at 0.
    for (int d = 0; d <= 2 * M; ++d) {
        if (tau > 0.0)
            MismatchExpCounts[d] = 0.0;
        else if (theta0 > 0.0)
            MismatchExpCounts[d] = pairs * std::exp(d * log_geometric) / (theta0 + 1.0);
        else
            MismatchExpCounts[d] = d == 0 ? pairs : 0.0;
    }
}

// Classes expecting fewer than 5 pairs are pooled into the first open small class (even
// across larger classes); what stays below 5 is dropped. df = classes used - 2.
void PopGenetics::mismatch_goodness_of_fit()
{
    const int L = NumMismatchClasses;
    if (L == 0) {
        MismatchChi2 = MismatchChi2P = 0.0;
        MismatchChi2DF = 0;
        return;
    }
    std::vector<double> O(L + 1), X(L + 1);
    for (int d = 0; d <= L; ++d) {
        O[d] = d <= MaxPairDiff ? MismatchObsCounts[d] : 0.0;
        X[d] = MismatchExpCounts[d];
    }
    int group = -1;
    for (int d = 0; d <= L; ++d) {
        if (X[d] >= kSmallClass)
            continue;
        if (group < 0) {
            group = d;
            continue;
        }
        X[group] += X[d];
        O[group] += O[d];
        X[d] = O[d] = 0.0;
        if (X[group] >= kSmallClass)
            group = -1;
    }
    int used = 0;
    double chi2 = 0.0;
    for (int d = 0; d <= L; ++d) {
        if (X[d] < kSmallClass)
            X[d] = O[d] = 0.0;
        if (X[d] > 1.0) {
            ++used;
            chi2 += (X[d] - O[d]) * (X[d] - O[d]) / X[d];
        }
    }
    MismatchChi2 = chi2;
    MismatchChi2DF = used - 2;
    MismatchChi2P = MismatchChi2DF > 0
                        ? Prob_of_chi_sq(static_cast<float>(MismatchChi2DF), static_cast<float>(chi2))
                        : -1.0;
}
