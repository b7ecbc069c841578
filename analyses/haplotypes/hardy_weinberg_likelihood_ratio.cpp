// Likelihood-ratio statistic G of Hardy-Weinberg proportions at one locus
// (Weir B 1996, Genetic Data Analysis II), computed on pooled genotypes.

#include "app/settings.h"
#include "model/population.h"

// dims is {1, locus}: the list of one locus that create_temp_PhenDB takes.
double Population::make_hw_test1(TPhenDB const& sample_individuals, double& statistic,
                                 settings& s, int* dims)
{
    TPhenDB one_locus;
    one_locus.create_temp_PhenDB(dims, sample_individuals);
    if (s.EMCheckPhenRedundancy)
        one_locus.check_pheno_redundancy();
    statistic = one_locus.hw_chi_stat(alleleDB, dims[1], profile.MissingData, ld_deg_freedom);
    return 0.0;
}
