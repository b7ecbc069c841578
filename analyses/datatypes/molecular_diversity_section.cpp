// The data types' part of the molecular-diversity section (TaskNumber 0x2):
// the distance settings the section takes, the site or locus counts, the DNA
// nucleotide composition, the distance matrix and the molecular diversity
// with their standard deviations.

#include <ctime>
#include <iomanip>
#include <ostream>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "analyses/popgen/driver_frame.h"
#include "app/glbobj.h"
#include "app/settings.h"

namespace {

// "<label><value> +/- <s.d.>", both fixed in 12 characters with 6 decimals.
void value_with_sd(std::ostream& out, const char* label, double value, double sd)
{
    out << std::fixed << std::showpoint << std::right << std::setprecision(6) << label
        << std::setw(12) << value << " +/- " << std::setw(12) << sd << "\n";
}

// The section's values: k (for haplotypes or genotypes of known phase) and
// the diversity per site or locus, with the labels of the data type; or why
// there are none.
struct DiversityLabels {
    const char* mean;
    const char* diversity;
    const char* closing;
};

// The sample's distance matrix, haplotype list and spanning network, as the
// settings ask.
void print_haplotype_distances(DriverCall& call)
{
    if (call.s.PrintHaplDistMat || call.s.PrintMinSpannNetworkPop)
        call.sample.print_out_dist_mat(&call.results, call.s);
}

// The matrix comes before the values, except for standard data (matrix_first
// false), where it follows them.
void diversity_lines(std::ostream& out, DriverCall& call, bool computed,
                     DiversityLabels const& labels, double k, double k_sd, double pi, double pi_sd,
                     bool matrix_first = true)
{
    if (!computed) {
        out << "\nMolecular diversity indices cannot be computed: "
               "no distance matrix between the haplotypes\n";
        return;
    }
    if (matrix_first)
        print_haplotype_distances(call);
    if (call.haplotypes_known())
        value_with_sd(out, labels.mean, k, k_sd);
    value_with_sd(out, labels.diversity, pi, pi_sd);
    out << labels.closing << std::flush;
}

const DiversityLabels kLongLabels = {
    "\nMean number of pairwise differences           : ",
    "\nAverage gene diversity over loci              : ",
    "\n(Standard deviations are for both sampling and stochastic processes)\n",
};

// The sample size and the number of haplotypes, labels padded to `width`.
void sample_counts(std::ostream& out, PopGenetics const& p, settings const& s, int width)
{
    out << std::left << std::setw(width) << "Sample size" << ": " << p.SampleSize << "\n"
        << std::setw(width) << "No. of haplotypes" << ": " << p.num_haplotypes << "\n"
        << std::right;
    if (s.InferHaplotypeDefinitionFromDistanceMatrix && p.profile.GenotypicData == 0
        && ProfileSettings::DataType != FREQUENCY)
        out << "No. of original haplotypes in sample         : " << p.nbInitialHaplotypes;
}

}  // namespace

// ---------------------------------------------------------------- DNA

void PopulDNA::take_weights(settings const& run_settings)
{
    DeletionWeight = run_settings.DeletionWeight;
    TransitionWeight = run_settings.TransitionWeight;
    TransversionWeight = run_settings.TranversionWeight;
}

void PopulDNA::take_distance_settings(settings const& run_settings, int method, double gamma_a)
{
    take_weights(run_settings);
    DistanceMethod = method;
    GammaA = gamma_a;
}

void PopulDNA::take_pooling_distance_settings()
{
    DistanceMethod = 0;
    GammaA = 0.0;
    DeletionWeight = TransitionWeight = TransversionWeight = 1.0;
}

// The weights decide which differences the site comparison counts.
bool PopulDNA::standard_diversity_section(DriverCall& call)
{
    take_weights(call.s);
    return PopGenetics::standard_diversity_section(call);
}

bool PopulDNA::molecular_diversity_section(DriverCall& call)
{
    take_distance_settings(call.s, call.s.DistanceMethod, call.s.GammaAValue);
    return PopGenetics::molecular_diversity_section(call);
}

void PopulDNA::molecular_diversity_lines(DriverCall& call)
{
    std::ostream& out = call.results;
    sample_counts(out, *this, call.s, 45);
    out << "\nDeletion weight                              : " << DeletionWeight
        << "\nTransition weight                            : " << TransitionWeight
        << "\nTransversion weight                          : " << TransversionWeight
        << "\nAllowed level of missing data                : " << AllowedMissingLevel * 100 << " %"
        << "\nNumber of observed transitions               : " << NumTransitions
        << "\nNumber of observed transversions             : " << NumTransversions
        << "\nNumber of substitutions                      : " << NumSubstitutions
        << "\nNumber of observed indels                    : " << NumIndels
        << "\nNumber of polymorphic sites                  : " << NumPolymSites
        << "\nNumber of observed sites with transitions    : " << NumTransitionSites
        << "\nNumber of observed sites with transversions  : " << NumTransversionSites
        << "\nNumber of observed sites with substitutions  : " << NumSubstitutionSites
        << "\nNumber of observed sites with indels         : " << NumIndelSites
        << "\nNumber of observed nucleotide sites          : " << NumNucleotideSites
        << "\nNumber of usable nucleotide sites            : " << NumUsableLoci << "\n";
    std::ostream* mol_div = _MOLECULAR_DIVERSITY_ ? ofs_mol_div : nullptr;
    if (mol_div) {
        write_batch_prefix(*mol_div, name);
        *mol_div << std::fixed << std::setprecision(3) << DeletionWeight << '\t'
                 << TransitionWeight << '\t' << TransversionWeight << '\t' << AllowedMissingLevel
                 << '\t' << NumTransitionSites << '\t' << NumTransversionSites << '\t'
                 << NumSubstitutionSites << '\t' << NumIndelSites << '\t' << NumPolymSites << '\t'
                 << NumNucleotideSites << '\t' << NumUsableLoci << '\t';
    }

    comp_nucl_freq();
    out << "\nNucleotide composition (Relative values)" << std::fixed << std::showpoint
        << std::right << std::setprecision(2);
    const char* bases[] = {"C", "T", "A", "G"};
    double total = 0.0;
    for (int b = 0; b < 4; ++b) {
        out << "\n   " << bases[b] << " :" << std::setw(6) << NuclFreq[b] * 100 << "%";
        total += NuclFreq[b];
    }
    out << "\n   Total :" << total * 100 << "%" << "\n";
    if (_NUCLEOTIDE_COMPOSITION_ && ofs_nuc_comp) {
        write_batch_prefix(*ofs_nuc_comp, name);
        *ofs_nuc_comp << std::fixed << std::setprecision(2);
        for (int b = 0; b < 4; ++b)
            *ofs_nuc_comp << NuclFreq[b] * 100 << '\t';
        *ofs_nuc_comp << total * 100 << "\n";
    }

    out << std::endl << "\nDistance method                              : "
        << distance_name(DistanceMethod, "DIFF");
    if (GammaA != 0)
        out << " (Gamma correction : a=" << GammaA << ")\n";
    else
        out << " (no Gamma correction)\n";

    if (mol_div) {
        *mol_div << distance_batch_code(DistanceMethod);
        if (GammaA != 0)
            *mol_div << GammaA << '\t';
        else
            *mol_div << " inf\t";
    }

    bool computed =
        compute_distance_matrix(nullptr, &call.s, 0) && compute_molecular_diversity(call.s);
    // Without a distance matrix the line ends before the two diversities.
    if (mol_div && computed)
        *mol_div << std::setprecision(6) << MeanPairDiff << '\t' << NucleotideDiversity;
    if (mol_div)
        *mol_div << "\n";
    diversity_lines(out, call, computed,
                    {"\nMean number of pairwise differences          : ",
                     "\nNucleotide diversity (average over loci)     : ",
                     "\n(Standard deviations are for both the sampling and the stochastic "
                     "processes)\n"},
                    MeanPairDiff, MeanPairDiffSD, NucleotideDiversity, NucleotideDiversitySD);
}

// ---------------------------------------------------------------- RFLP

void PopulRFLP::take_distance_settings(settings const& run_settings, int method, double)
{
    DistanceMethod = method;
    DeletionWeight = run_settings.DeletionWeight;
}

void PopulRFLP::take_pooling_distance_settings()
{
    DistanceMethod = 0;
    DeletionWeight = 1.0;
}

bool PopulRFLP::molecular_diversity_section(DriverCall& call)
{
    return title_first_molecular_diversity_section(call);
}

// The deletion weight of this section is taken as a whole number.
void PopulRFLP::molecular_diversity_lines(DriverCall& call)
{
    std::ostream& out = call.results;
    take_distance_settings(call.s, call.s.DistanceMethod, 0.0);
    DeletionWeight = static_cast<int>(DeletionWeight);
    bool computed =
        compute_distance_matrix(nullptr, &call.s, 0) && compute_molecular_diversity(call.s);
    sample_counts(out, *this, call.s, 45);
    out << "\nAllowed level of missing data                : " << AllowedMissingLevel * 100 << " %"
        << "\nNumber of observed indels                    : " << NumIndels
        << "\nNumber of polymorphic sites                  : " << NumPolymSites
        << "\nNumber of usable nucleotide sites            : " << NumUsableLoci << "\n"
        << std::endl
        << "\nDistance method : "
        << (DistanceMethod == 1 ? "Proportion of difference" : "Pairwise difference");
    diversity_lines(out, call, computed, kLongLabels, MeanPairDiff, MeanPairDiffSD,
                    MeanGeneDiversity, MeanGeneDiversitySD);
}

// ------------------------------------------------------- microsatellites

void PopulMicrosat::take_distance_settings(settings const&, int method, double)
{
    DistanceMethod = method;
}

bool PopulMicrosat::molecular_diversity_section(DriverCall& call)
{
    return title_first_molecular_diversity_section(call);
}

// Differences are counted by loci with alleles of different size (method 0).
void PopulMicrosat::molecular_diversity_lines(DriverCall& call)
{
    std::ostream& out = call.results;
    take_distance_settings(call.s, 0, 0.0);
    bool computed =
        compute_distance_matrix(nullptr, &call.s, 0) && compute_molecular_diversity(call.s);
    sample_counts(out, *this, call.s, 36);
    out << "\nAllowed level of missing data       : " << AllowedMissingLevel * 100 << " %"
        << "\nNumber of usable loci               : " << NumUsableLoci << "\n\n"
        << "\nDistance method                     : "
        << (DistanceMethod == 1 ? "Sum of squared size difference" : "No. of different alleles");
    diversity_lines(out, call, computed,
                    {"\nMean number of pairwise differences : ",
                     "\nAverage gene diversity over loci    : ",
                     "\n(Standard deviations are for both the sampling and the stochastic "
                     "processes)\n"},
                    MeanPairDiff, MeanPairDiffSD, MeanGeneDiversity, MeanGeneDiversitySD);
    allele_mol_div_line(MeanPairDiff, MeanGeneDiversity);
}

// ----------------------------------------------------------- standard data

bool PopulStandard::molecular_diversity_section(DriverCall& call)
{
    return title_first_molecular_diversity_section(call);
}

// Allele-frequency data have no haplotypes to compare: only the counts.
void PopulStandard::molecular_diversity_lines(DriverCall& call)
{
    std::ostream& out = call.results;
    const bool frequencies = ProfileSettings::DataType == FREQUENCY;
    const std::clock_t start = std::clock();
    bool computed = !frequencies && compute_distance_matrix(nullptr, &call.s, 0)
                    && compute_molecular_diversity(call.s);
    if (!frequencies)
        call.done_since(start);
    sample_counts(out, *this, call.s, 45);
    out << "\nAllowed level of missing data                : " << AllowedMissingLevel * 100 << " %"
        << "\nNumber of polymorphic loci                   : " << NumPolymSites
        << "\nNumber of usable loci                        : " << NumUsableLoci << "\n"
        << std::endl;
    allele_mol_div_line(PairDiffMean, MeanGeneDiversity);
    if (frequencies)
        return;
    diversity_lines(out, call, computed, kLongLabels, PairDiffMean, PairDiffMeanSD,
                    MeanGeneDiversity, MeanGeneDiversitySD, false);
    if ((call.s.PrintHaplDistMat || call.s.PrintMinSpannNetworkPop)
        && compute_distance_matrix(nullptr, &call.s, 0))
        print_haplotype_distances(call);
}
