// Theta from segregating sites (Watterson 1975), pairwise differences (Tajima 1983) and the number
// of alleles (Ewens 1972) with Ewens' probabilities of k alleles; Tajima's D (Tajima 1989).
// The sums over the gene copies, a1 = sum 1/i and a2 = sum 1/i^2 over i = 1 .. n-1 and the
// expected number of alleles E(K) = sum theta/(theta + i) over i = 0 .. n-1, are added term by
// term over the first 1000 gene copies and taken beyond in closed form, a1 = psi(n) + gamma,
// a2 = pi^2/6 - psi1(n), E(K) = theta (psi(theta + n) - psi(theta)): samples of up to 1000
// gene copies get the digits of the plain sums, and the cost stops growing with the sample.

#include <cmath>
#include <limits>

#include "analyses/popgen/pop_genetics.h"
#include "core/math_functions.h"
#include "core/polygamma.h"

namespace {

// Above this theta both Ewens probabilities are taken as 0.
constexpr double kLargestTheta = 10000.0;
// The table and sample limits of the confidence interval of theta(k).
constexpr int kLimitGeneCopies = 5000;
constexpr int kLimitAlleles = 1000;
// The terms of the sums over the gene copies that are added one by one.
constexpr int kTermsAdded = 1000;

struct Harmonics {
    double a1 = 0.0;  // sum of 1/i, i = 1 .. n-1
    double a2 = 0.0;  // sum of 1/i^2
};

Harmonics harmonics(int n)
{
    Harmonics h;
    const int added = n - 1 < kTermsAdded ? n - 1 : kTermsAdded;
    for (int i = 1; i <= added; ++i) {
        h.a1 += 1.0 / i;
        h.a2 += 1.0 / (static_cast<double>(i) * i);
    }
    if (n - 1 > added) {  // the terms i = added + 1 .. n-1
        h.a1 += digamma(n) - digamma(added + 1.0);
        h.a2 += trigamma(added + 1.0) - trigamma(n);
    }
    return h;
}

// The constants e1 and e2 of the variance of d = pi - S/a1 (Tajima 1989, eqs 38-39).
struct TajimaTerms {
    double a1, e1, e2;
};

TajimaTerms tajima_terms(int n)
{
    Harmonics h = harmonics(n);
    const double b1 = (n + 1.0) / (3.0 * (n - 1.0));
    const double b2 = 2.0 * (static_cast<double>(n) * n + n + 3.0) / (9.0 * n * (n - 1.0));
    const double c1 = b1 - 1.0 / h.a1;
    const double c2 = b2 - (n + 2.0) / (h.a1 * n) + h.a2 / (h.a1 * h.a1);
    return {h.a1, c1 / h.a1, c2 / (h.a1 * h.a1 + h.a2)};
}

// B(n, i) = |s(n, i)| i!/n! from the process-wide table.
double b_num(int n, int i)
{
    return PopGenetics::BMat.rows[n - 1][i - 1];
}

// Bracket then bisect the root of the decreasing function f(theta) = target, starting from
// `start`: the lower end is divided by 3 while f stays below the target, the upper end
// multiplied by 3 while f stays above it.
template <class F>
double decreasing_root(F const& f, double target, double start)
{
    double low = start, high = start;
    for (int step = 0; step < 1000 && f(low) < target; ++step)
        low /= 3.0;
    for (int step = 0; step < 1000 && f(high) > target; ++step)
        high *= 3.0;
    double mid = start;
    for (int step = 0; step < 10000 && std::fabs(high - low) > 1e-7; ++step) {
        mid = (high + low) * 0.5;
        if (f(mid) > target)
            low = mid;
        else
            high = mid;
    }
    return mid;
}

}  // namespace

double& PopGenetics::theta_S(int const& n, int const& S)
{
    Harmonics h = harmonics(n);
    if (n < 2 || h.a1 <= 0.0) {
        ThetaS = ThetaSSD = 0.0;
        return ThetaS;
    }
    const double s = S;
    ThetaS = s / h.a1;
    ThetaSSD = std::sqrt((h.a2 * s * s + h.a1 * h.a1 * s) / ((h.a2 + h.a1 * h.a1) * h.a1 * h.a1));
    return ThetaS;
}

double& PopGenetics::theta_pi(double const& pi)
{
    const double n = SampleSize;
    if (n < 2.0) {
        ThetaPi = ThetaPiSD = 0.0;
        return ThetaPi;
    }
    const double b1 = (n + 1.0) / (3.0 * (n - 1.0));
    const double b2 = 2.0 * (n * n + n + 3.0) / (9.0 * n * (n - 1.0));
    ThetaPi = pi;
    ThetaPiSD = std::sqrt(b1 * pi + b2 * pi * pi);
    return ThetaPi;
}

bool PopGenetics::tajima_d_defined(int n, double S)
{
    return n > 3 && S > 0.0;
}

// A difference below 1e-15 is D = 0 without a verdict on the P-value.
double& PopGenetics::tajimaD(int const& n, double const& pi, double const& S)
{
    if (!tajima_d_defined(n, S)) {
        TajimaD = 0.0;
        TajimaDPValue = -1.0;
        return TajimaD;
    }
    TajimaTerms t = tajima_terms(n);
    const double d = pi - S / t.a1;
    TajimaD = std::fabs(d) < 1e-15 ? 0.0 : d / std::sqrt(t.e1 * S + t.e2 * S * (S - 1.0));
    return TajimaD;
}

// The statistic of each simulated replicate: no rounding rule and no test of e2.
double& PopGenetics::fast_tajimaD(int const& n, double const& pi, double const& S)
{
    TajimaTerms t = tajima_terms(n);
    const double V = t.e1 * S + t.e2 * S * (S - 1.0);
    if (S <= 0.0 || !(V > 0.0)) {
        TajimaD = 0.0;
        TajimaDPValue = -1.0;
        return TajimaD;
    }
    TajimaD = (pi - S / t.a1) / std::sqrt(V);
    return TajimaD;
}

double PopGenetics::k_est(double const& theta, int const& n)
{
    ExpNumAlleles = 0.0;
    if (theta <= 0.0) {
        ExpNumAlleles = 1.0;
        return 1.0;
    }
    const int added = n < kTermsAdded ? n : kTermsAdded;
    for (int i = 0; i < added; ++i)
        ExpNumAlleles += theta / (theta + i);
    // theta may be far larger than n: the difference of psi is taken without cancellation.
    if (n > added)
        ExpNumAlleles += theta * digamma_difference(theta + added, n - added);
    return ExpNumAlleles;
}

double PopGenetics::proba_exactly_k(int const& k, int const& n, double const& theta)
{
    if (theta <= 0.0)
        return k == 1 ? 1.0 : 0.0;
    if (theta > kLargestTheta || k >= n)
        return 0.0;
    return b_num(n, k)
           * std::exp(k * std::log(theta) + factln(n) + gammln(theta) - factln(k)
                      - gammln(n + theta));
}

// Summed in extended precision: theta^i / i! overflows a double for large theta and i.
long double PopGenetics::proba_less_than_k(int const& k, int const& n, double const& theta)
{
    if (theta > kLargestTheta)
        return 0.0L;
    if (theta <= 0.0)  // every gene copy carries the same allele
        return k > 1 ? 1.0L : 0.0L;
    const long double log_theta = std::log(static_cast<long double>(theta));
    long double sum = 0.0L;
    const int last = k - 1 < n ? k - 1 : n;  // no sample has more alleles than gene copies
    for (int i = 1; i <= last; ++i)
        sum += b_num(n, i) * std::exp(i * log_theta - factlnl(i));
    const long double lt = theta;
    sum *= std::exp(gammlnl(lt) + factlnl(n) - gammlnl(n + lt));
    if (!std::isfinite(sum))  // an infinite B(n, i): no probability, rather than a clamped 1
        return std::numeric_limits<long double>::quiet_NaN();
    if (sum < 0.0L)
        return 0.0L;
    return sum > 1.0L ? 1.0L : sum;
}

// E(theta) = k solved by bisection; the interval bounds theta by Ewens' distribution of the
// number of alleles: P(K < k) = alpha/2 above, P(K <= k) = 1 - alpha/2 below.
double& PopGenetics::theta_k(int const& n, int const& k, double const& alpha,
                             bool& limits_computed)
{
    limits_computed = false;
    if (k < 2) {
        ThetaK = ThetaKLow = ThetaKHigh = 0.0;
        return ThetaK;
    }
    if (k >= n) {  // no finite theta expects every gene copy to differ
        ThetaK = ThetaKLow = ThetaKHigh = -1.0;
        return ThetaK;
    }
    double low = 0.1, high = 10.0;
    for (int step = 0; step < 10000 && k_est(low, n) > k; ++step)
        low /= 10.0;
    for (int step = 0; step < 10000 && k_est(high, n) < k; ++step)
        high *= 10.0;
    double mid = low;
    for (int step = 0; step < 10000 && high - low > 1e-7; ++step) {
        mid = (high + low) * 0.5;
        if (k_est(mid, n) > k)
            high = mid;
        else
            low = mid;
    }
    ThetaK = mid;

    // Limits not computed are -1.0, never a placeholder interval.
    ThetaKLow = ThetaKHigh = -1.0;
    if (!grow_B_num_mat(n, k) || n >= kLimitGeneCopies || k >= kLimitAlleles)
        return ThetaK;
    // An infinite B(n, i) for some i <= k leaves both probabilities without a value at any theta.
    if (!std::isfinite(proba_less_than_k(k, n, ThetaK))
        || !std::isfinite(proba_exactly_k(k, n, ThetaK)))
        return ThetaK;
    const double half = alpha / 2.0;
    ThetaKHigh = decreasing_root(
        [&](double t) { return static_cast<double>(proba_less_than_k(k, n, t)); }, half, ThetaK);
    ThetaKLow = decreasing_root(
        [&](double t) {
            return static_cast<double>(proba_less_than_k(k, n, t)) + proba_exactly_k(k, n, t);
        },
        1.0 - half, ThetaK);
    limits_computed = true;
    return ThetaK;
}
