// Mean and standard deviation of m values, the rule of every table of means:
// mean = sum / m, sd = sqrt((sum x^2 / m - mean^2) m / (m - 1)); the mean is
// 0 without values, the s.d. 0 for fewer than two values or a variance that
// is not positive.
#ifndef DROV_ANALYSES_POPGEN_MOMENTS_H
#define DROV_ANALYSES_POPGEN_MOMENTS_H

#include <cmath>

struct Moments {
    double sum = 0.0, sum_sq = 0.0;
    int m = 0;

    void add(double x)
    {
        sum += x;
        sum_sq += x * x;
        ++m;
    }
    double mean() const { return m > 0 ? sum / m : 0.0; }
    double sd() const
    {
        if (m < 2)
            return 0.0;
        const double var = (sum_sq / m - mean() * mean()) * m / (m - 1.0);
        return var > 0.0 ? std::sqrt(var) : 0.0;
    }
};

#endif
