// Ewens' distribution of the number of alleles K among n gene copies under
// theta, worked without Stirling numbers: K is the sum of independent draws
// that are new alleles with probabilities theta / (theta + i), i = 0 .. n-1
// (Ewens 1972), so the distribution is built one gene copy at a time in long
// double, whatever the size of |s(n, k)|.
#ifndef DROV_TESTS_ANALYSES_EWENS_DISTRIBUTION_H
#define DROV_TESTS_ANALYSES_EWENS_DISTRIBUTION_H

#include <vector>

struct EwensAlleles {
    long double less;     // P(K < k)
    long double exactly;  // P(K = k)
    long double more;     // P(K > k)
    long double mean;     // E(K)
};

inline EwensAlleles ewens_alleles(int n, int k, double theta)
{
    // P(K = j) for j <= k and, in the last slot, P(K > k), so that a tiny
    // tail is not lost to a difference from 1.
    std::vector<long double> p(k + 2, 0.0L);
    p[0] = 1.0L;
    long double mean = 0.0L;
    for (int i = 0; i < n; ++i) {
        const long double q = theta / (theta + static_cast<long double>(i));
        mean += q;
        p[k + 1] += p[k] * q;
        for (int j = k; j >= 1; --j)
            p[j] = p[j] * (1.0L - q) + p[j - 1] * q;
        p[0] *= 1.0L - q;
    }
    long double less = 0.0L;
    for (int j = 0; j < k; ++j)
        less += p[j];
    return {less, p[k], p[k + 1], mean};
}

#endif
