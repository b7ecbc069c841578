// psi and psi1 by the recurrences psi(x) = psi(x + 1) - 1/x and psi1(x) = psi1(x + 1) + 1/x^2
// up to x >= 10, then the asymptotic series
//   psi(x)  ~ ln x - 1/(2x) - sum B_2k / (2k x^2k)
//   psi1(x) ~ 1/x + 1/(2x^2) + sum B_2k / x^(2k+1),
// whose first omitted term (k = 9) is below 1e-16 of the value from x = 10 on.

#include "core/polygamma.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kSeriesFrom = 10.0;

// The Bernoulli numbers B_2, B_4, .. B_16.
constexpr int kTerms = 8;
constexpr double kBernoulli[kTerms] = {1.0 / 6,  -1.0 / 30,  1.0 / 42,  -1.0 / 30,
                                       5.0 / 66, -691.0 / 2730, 7.0 / 6, -3617.0 / 510};

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double digamma(double x)
{
    if (!(x > 0.0))
        return kNotANumber;
    double steps = 0.0;  // the sum of 1/(x + i) that the recurrence takes off
    int i = 0;
    for (; x + i < kSeriesFrom; ++i)
        steps += 1.0 / (x + i);
    const double y = x + i, w = 1.0 / (y * y);
    double series = 0.0;
    for (int k = kTerms; k >= 1; --k)
        series = (series + kBernoulli[k - 1] / (2 * k)) * w;
    return std::log(y) - 0.5 / y - series - steps;
}

double trigamma(double x)
{
    if (!(x > 0.0))
        return kNotANumber;
    double steps = 0.0;  // the sum of 1/(x + i)^2 that the recurrence adds
    int i = 0;
    for (; x + i < kSeriesFrom; ++i)
        steps += 1.0 / ((x + i) * (x + i));
    const double y = x + i, w = 1.0 / (y * y);
    double series = 0.0;
    for (int k = kTerms; k >= 1; --k)
        series = (series + kBernoulli[k - 1]) * w;
    return (1.0 + 0.5 / y + series) / y + steps;
}

// Past the recurrence, psi(b) - psi(a) with b = a + d is taken term by term of the two series:
// ln(b/a) = log1p(d/a), 1/(2a) - 1/(2b) = d/(2ab), and with u = 1/a^2, v = 1/b^2,
// v^k - u^k = v (v^(k-1) - u^(k-1)) + u^(k-1) (v - u), where v - u = -d (a + b) u v: every
// piece is a product of d, so that nothing cancels when d is small against a.
double digamma_difference(double x, long long n)
{
    if (!(x > 0.0) || n < 0)
        return kNotANumber;
    double sum = 0.0;
    long long i = 0;
    for (; i < n && x + i < kSeriesFrom; ++i)
        sum += 1.0 / (x + i);
    if (i == n)
        return sum;
    const double a = x + i, d = static_cast<double>(n - i), b = a + d;
    const double u = 1.0 / (a * a), v = 1.0 / (b * b);
    const double v_minus_u = -d * (a + b) * u * v;
    double power_difference = v_minus_u;  // v^k - u^k
    double u_power = u;                   // u^k
    double series = 0.0;
    for (int k = 1; k <= kTerms; ++k) {
        series += kBernoulli[k - 1] / (2 * k) * power_difference;
        power_difference = v * power_difference + u_power * v_minus_u;
        u_power *= u;
    }
    return sum + std::log1p(d / a) + d / (2.0 * a * b) - series;
}
