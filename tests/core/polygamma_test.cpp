// psi and psi1 against values computed to 40 digits with an arbitrary-precision library and
// the known constants psi(1) = -gamma, psi(1/2) = -gamma - 2 ln 2, psi1(1) = pi^2/6,
// psi1(1/2) = pi^2/2; the sums they stand for against the sums added in long double here.

#include "core/polygamma.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Both sides of the recurrence's end at 10, a small and a large argument.
TEST(PolygammaTest, KnownValues)
{
    const struct {
        double x, psi, psi1;
    } values[] = {
        {1.0, -0.57721566490153286061, 1.6449340668482264365},
        {0.5, -1.9635100260214234794, 4.9348022005446793094},
        {0.001, -1000.5755719318103005, 1000001.642533195869},
        {2.5, 0.70315664064524318723, 0.49035775610023486497},
        {9.99, 2.2507003728312010995, 0.10527695014824178675},
        {10.0, 2.2517525890667211076, 0.10516633568168574612},
        {37.25, 3.6041690730056271675, 0.0272092058039555752},
        {1e6, 13.815510057964190771, 1.0000005000001666667e-6},
    };
    for (auto const& v : values) {
        SCOPED_TRACE(v.x);
        EXPECT_NEAR(digamma(v.x), v.psi, 1e-14 * std::fabs(v.psi));
        EXPECT_NEAR(trigamma(v.x), v.psi1, 1e-14 * v.psi1);
    }
    for (double x : {0.0, -1.5}) {
        EXPECT_TRUE(std::isnan(digamma(x)));
        EXPECT_TRUE(std::isnan(trigamma(x)));
        EXPECT_TRUE(std::isnan(digamma_difference(x, 3)));
    }
    EXPECT_TRUE(std::isnan(digamma_difference(1.0, -1)));
}

// sum 1/(x + i) and sum 1/(x + i)^2 over i < n: from inside the recurrence to far past it, and
// x large against n, where psi(x + n) - psi(x) keeps few digits but digamma_difference all.
TEST(PolygammaTest, SumsOverConsecutiveTerms)
{
    for (double x : {0.001, 0.5, 3.7, 9.5, 12.25, 1e4, 1e8, 1e15})
        for (long long n : {0LL, 1LL, 2LL, 7LL, 1000LL, 200000LL}) {
            SCOPED_TRACE(testing::Message() << "x " << x << ", n " << n);
            long double sum = 0.0L, squares = 0.0L;
            for (long long i = 0; i < n; ++i) {
                sum += 1.0L / (x + i);
                squares += 1.0L / ((x + i) * static_cast<long double>(x + i));
            }
            const double expected = static_cast<double>(sum);
            EXPECT_NEAR(digamma_difference(x, n), expected, 1e-14 * expected);
            if (x > 1e4)
                continue;
            // The plain differences are good to the last places of the larger value.
            const double big = std::fabs(digamma(x)) + std::fabs(digamma(x + n));
            EXPECT_NEAR(digamma(x + n) - digamma(x), expected, 1e-15 * big);
            EXPECT_NEAR(trigamma(x) - trigamma(x + n), static_cast<double>(squares),
                        1e-15 * trigamma(x));
        }
}

}  // namespace
