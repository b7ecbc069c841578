// Mean number of pairwise differences k and its per-site value pi, with
// variances for the sampling and the stochastic process (Tajima 1983; Nei 1987, eqs 10.5-10.7).

#include <algorithm>
#include <cmath>

#include "analyses/popgen/pop_genetics.h"

int PopGenetics::pairwise_diversity(settings& run_settings, const char* where_empty,
                                    const char* where_matrix, double factor, double& k,
                                    double& k_sd, double& pi, double& pi_sd)
{
    if (haplotypes.count == 0) {
        E.error(ERROR, where_empty, 108);
        return 0;
    }
    if (!HaplDistMat && !compute_distance_matrix(nullptr, &run_settings, 0)) {
        E.error(ERROR, where_matrix, 136);
        return 0;
    }
    if (haplotypes.data[0]->haplotype->content.length == 0)
        return 1;
    k = k_sd = pi = pi_sd = 0.0;
    const double n = SampleSize;
    const double L = NumUsableLoci;
    if (n <= 1 || L == 0)
        return 1;
    const int rows = std::min(haplotypes.count, HaplDistMat->nrows);
    double S = 0.0;
    for (int i = 1; i < rows; ++i) {
        double row = 0.0;
        for (int j = 0; j < i; ++j)
            row += haplotypes.data[j]->count * (*HaplDistMat)(i, j);
        S += haplotypes.data[i]->count * row;
    }
    k = S * factor / (n * (n - 1) / 2);
    double var_k = (2 * (n * n + n + 3) * k * k + 3 * (n * n + n) * k) / (11 * n * n - 7 * n + 6);
    k_sd = var_k > 0 ? std::sqrt(var_k) : 0.0;
    pi = k / L;
    double var_pi = (n + 1) * pi / (3 * (n - 1) * L) + 2 * (n * n + n + 3) * pi * pi / (9 * n * (n - 1));
    pi_sd = var_pi > 0 ? std::sqrt(var_pi) : 0.0;
    return 1;
}
