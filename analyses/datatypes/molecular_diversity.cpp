// Molecular diversity of each data type: the mean number of pairwise
// differences and the diversity per usable site or locus, from the sample's
// distance matrix (the shared computation is PopGenetics::pairwise_diversity).
// A matrix that could not be computed gives no values (ERROR 136), never
// values from a partly filled matrix.

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "app/settings.h"

// The matrix of the molecular-diversity section holds per-site distances for
// the methods that give them: times L they are differences.
int PopulDNA::compute_molecular_diversity(settings& run_settings)
{
    if (!HaplDistMat)
        take_weights(run_settings);
    const char* where = "PopulDNA::compute_molecular_diversity()";
    return pairwise_diversity(run_settings, where, where,
                              per_site_distances() ? NumUsableLoci : 1.0, MeanPairDiff,
                              MeanPairDiffSD, NucleotideDiversity, NucleotideDiversitySD);
}

int PopulRFLP::compute_molecular_diversity(settings& run_settings)
{
    if (!HaplDistMat)
        DeletionWeight = run_settings.DeletionWeight;
    return pairwise_diversity(run_settings, "PopulRFLP::compute_molecular_diversity(settings& www)",
                              "PopulRFLP::compute_molecular_diversity()",
                              per_site_distances() ? NumUsableLoci : 1.0, MeanPairDiff,
                              MeanPairDiffSD, MeanGeneDiversity, MeanGeneDiversitySD);
}

// Only numbers of loci with different alleles (method 0) make differences;
// squared size differences give 0.
int PopulMicrosat::compute_molecular_diversity(settings& run_settings)
{
    const char* where = "PopulMicrosat::compute_molecular_diversity()";
    return pairwise_diversity(run_settings, where, where, DistanceMethod == 0 ? 1.0 : 0.0,
                              MeanPairDiff, MeanPairDiffSD, MeanGeneDiversity,
                              MeanGeneDiversitySD);
}

int PopulStandard::compute_molecular_diversity(settings& run_settings)
{
    return pairwise_diversity(
        run_settings, "PopulStandard::compute_molecular_diversity(settings& www)",
        "PopulStandard::compute_molecular_diversity()", 1.0, PairDiffMean, PairDiffMeanSD,
        MeanGeneDiversity, MeanGeneDiversitySD);
}
