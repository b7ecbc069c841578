// Mean number of pairwise differences k and its per-site value pi, with
// variances for the sampling and the stochastic process (Tajima 1983; Nei 1987, eqs 10.5-10.7).

#include <algorithm>
#include <cmath>
#include <ostream>

#include "analyses/popgen/pop_genetics.h"

PopGenetics::DiversityInput PopGenetics::molecular_diversity_input(settings& run_settings,
                                                                   const char* where_empty,
                                                                   const char* where_matrix)
{
    if (haplotypes.count == 0) {
        E.error(ERROR, where_empty, 108);
        return DiversityInput::MISSING;
    }
    if (!HaplDistMat && !compute_distance_matrix(nullptr, &run_settings, 0)) {
        E.error(ERROR, where_matrix, 136);
        return DiversityInput::MISSING;
    }
    if (haplotypes.data[0]->haplotype->content.length == 0)
        return DiversityInput::NOTHING_TO_COMPARE;
    return DiversityInput::READY;
}

PopGenetics::PairwiseDiversity PopGenetics::pairwise_diversity(double factor) const
{
    PairwiseDiversity v;
    const double n = SampleSize;
    const double L = NumUsableLoci;
    if (n <= 1 || L == 0)
        return v;
    const int rows = std::min(haplotypes.count, HaplDistMat->nrows);
    double S = 0.0;
    for (int i = 1; i < rows; ++i) {
        double row = 0.0;
        for (int j = 0; j < i; ++j)
            row += haplotypes.data[j]->count * (*HaplDistMat)(i, j);
        S += haplotypes.data[i]->count * row;
    }
    S *= factor;
    v.k = S / (n * (n - 1) / 2);
    double var_k = (2 * (n * n + n + 3) * v.k * v.k + 3 * (n * n + n) * v.k)
                   / (11 * n * n - 7 * n + 6);
    v.k_sd = var_k > 0 ? std::sqrt(var_k) : 0.0;
    v.pi = v.k / L;
    double var_pi = (n + 1) * v.pi / (3 * (n - 1) * L)
                    + 2 * (n * n + n + 3) * v.pi * v.pi / (9 * n * (n - 1));
    v.pi_sd = var_pi > 0 ? std::sqrt(var_pi) : 0.0;
    return v;
}

void PopGenetics::print_no_molecular_diversity(std::ostream& out)
{
    out << "\nMolecular diversity indices cannot be computed: "
           "no distance matrix between the haplotypes\n";
}
