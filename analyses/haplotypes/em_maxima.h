// The count of distinct maxima that the random starts of an EM reach.
#ifndef DROV_ANALYSES_HAPLOTYPES_EM_MAXIMA_H
#define DROV_ANALYSES_HAPLOTYPES_EM_MAXIMA_H

#include <cmath>
#include <vector>

// Adds lnL to the distinct log-likelihoods reached so far, unless it lies
// within 1e-6 of one of them: the two starts then reached one maximum.
inline void note_maximum(std::vector<double>& maxima, double lnL)
{
    for (double m : maxima)
        if (std::fabs(m - lnL) < 1e-6)
            return;
    maxima.push_back(lnL);
}

#endif
