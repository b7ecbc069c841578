// The "Settings used for Calculations" block near the top of every results
// file: the general settings, then for each analysis selected in TaskNumber
// the parameters it will use, shaped by the kind of data.
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "app/glbobj.h"
#include "app/settings.h"
#include "core/xml.h"
#include "project/profile_settings.h"

namespace {

// One line per selected bit of ComputeTheta, in the order of the bits.
void print_theta_estimators(std::ostream& os, int theta)
{
    if (theta & settings::THETA_HOM) os << "            Theta(Hom)\n";
    if (theta & settings::THETA_S) os << "            Theta(S)\n";
    if (theta & settings::THETA_K) os << "            Theta(k)\n";
    if (theta & settings::THETA_PI) os << "            Theta(Pi)\n";
}

// The WARNINGs of the settings file, where the user reads what the run used:
// a misspelt key or a missing weight changes the numbers that follow.
void print_file_warnings(std::ostream& os, std::vector<std::string> const& warnings)
{
    if (warnings.empty())
        return;
    os << " Warnings about the settings file (also in the log):\n"
       << " ---------------------------------------------------\n";
    for (std::string const& warning : warnings)
        os << "        WARNING: " << xml_escape(warning.c_str()) << "\n";
    os << "\n";
}

void print_general_settings(std::ostream& os, settings& s)
{
    os << " General settings:\n"
       << " -----------------\n";
    os << "        Deletion Weight                = " << s.DeletionWeight << "\n";
    os << "        Transition Weight Weight       = " << s.TransitionWeight << "\n";
    os << "        Tranversion Weight Weight      = " << s.TranversionWeight << "\n";
    os << "        Epsilon Value                  = " << s.EpsilonValue << "\n";
    if (s.FrequencyThreshold > 0)
        os << "        Significant digits for output  = "
           << std::abs(static_cast<int>(std::log10(s.FrequencyThreshold) - 0.1)) << "\n";
    else
        os << "        Significant digits for output  = unspecified\n";
    if (s.InferHaplotypeDefinitionFromDistanceMatrix)
        os << "        Infer haplotype definition from distance matrix\n";
    else
        os << "        Use original haplotype definition\n";
    os << "        Alllowed level of missing data = " << s.AllowedLevelOfMissingData << "\n\n";
    os << " Active Tasks:\n"
       << " -------------\n\n";
}

void print_diversity_settings(std::ostream& os, settings& s, bool phase_unknown)
{
    if (s.TaskNumber & settings::STANDARD_INDICES)
        os << "    Standard indices:\n"
           << "    -----------------\n\n";
    if (s.TaskNumber & settings::MOLECULAR_DIVERSITY) {
        os << "    Molecular Diversity:\n"
           << "    --------------------\n"
           << "        Molecular Distance :";
        s.print_distance_method(os, s.DistanceMethod);
        os << "        GammaA Value       = " << s.GammaAValue << "\n";
        os << "        Theta estimators   : \n";
        print_theta_estimators(os, s.ComputeTheta);
        os << "\n";
        if (s.PrintMinSpannNetworkPop)
            os << "        Compute minimum spanning network between haplotypes\n";
        if (s.PrintHaplDistMat)
            os << "        Print out inter-haplotypic distance matrix\n";
    }
    if (s.TaskNumber & settings::MISMATCH_DISTRIBUTION) {
        os << "    Mismatch Distribution:\n"
           << "    ----------------------\n";
        if (!phase_unknown) {
            os << "        Molecular Distance             : ";
            s.print_distance_method(os, s.MismatchDistanceMethod);
            os << "        GammaA Value                   = " << s.MismatchGammaAValue << "\n";
            os << "        Number of bootstrap replicates : " << s.NumBootExpDem << "\n";
        }
        os << "\n";
    }
}

void print_haplotype_frequency_settings(std::ostream& os, settings& s, bool phase_unknown)
{
    os << "    Haplotypic Frequency estimation:\n"
       << "    --------------------------------\n"
       << "        Make estimations at the:\n";
    if (!phase_unknown) {
        os << "            Haplotypic level\n";
        if (s.ComputeAllAllelesEM)
            os << "            Locus level\n";
        os << "\n";
        return;
    }
    if (s.ComputeAllHaplotypesEM) os << "            Haplotypic level\n";
    if (s.ComputeAllSubHaplotypesEM) os << "            Pairs of loci\n";
    if (s.ComputeAllAllelesEM) os << "            Locus level\n";
    if (!s.ComputeAllHaplotypesEM && !s.ComputeAllAllelesEM)
        os << "            no Estimation selected\n";
    os << "        Initial Conditions               = " << s.InitialConditionsEM << "\n";
    os << "        Maximum No. Of Iterations        = " << s.MaximumNumOfIterationsEM << "\n";
    os << "        Bootstrap Replicates             = " << s.NumBootstrapReplicatesEM << "\n";
    os << "        Initial Conditions for Bootstrap = " << s.NumInitCondBootstrapEM << "\n";
    os << (s.RecessiveAllelesEM ? "        Recessive Data\n" : "        No recessive Data\n");
    os << (s.CompactHaplotypeDataBaseEM ? "        Compact Haplotypes\n"
                                      : "        Do not Compact Haplotypes\n");
    os << "\n";
}

void print_equilibrium_test_settings(std::ostream& os, settings& s, bool phase_unknown)
{
    if (s.TaskNumber & settings::LINKAGE_DISEQUILIBRIUM) {
        os << "    Linkage disequilibrium test:\n"
           << "    ----------------------------\n";
        if (!phase_unknown) {
            os << "        No. of steps in Markov chain      = " << s.MarkovChainStepsLD << "\n";
            os << "        No. of Dememorisation Steps       = " << s.MarkovChainDememorisationStepsLD
               << "\n";
            os << "        Required precision on Probability = " << s.PrecisionOnPValueLD << "\n";
            os << (s.ComputeDvalues ? "        D and D' coefficients for all pairs of alleles : Yes\n"
                                  : "        D and D' coefficients for all pairs of alleles : No\n");
        } else {
            os << "        No. of permutations          = " << s.MarkovChainStepsLD << "\n";
            os << "        No. of Initial conditions    = " << s.InitialCondEMLD << "\n";
        }
        if (s.PrintFlagHistogramLD) {
            os << "        Print Histogram and table : Yes\n";
            os << "        Significance level        = " << s.SignificanceLevelLD << "\n";
        } else {
            os << "        Print Histogram and table : No\n";
        }
        os << "\n";
    }
    if (s.TaskNumber & settings::HARDY_WEINBERG) {
        os << "    Hardy-Weinberg equilibrium test:\n"
           << "    --------------------------------\n";
        if (s.genotypic_data) {
            os << "        No. of steps in Markov chain      = " << s.MarkovChainStepsHW << "\n";
            os << "        No. of Dememorisation Steps       = " << s.MarkovChainDememorisationStepsHW
               << "\n";
            os << "        Required precision on Probability = " << s.PrecisionOnPValueHW << "\n";
            if (s.TypeOfTestHW == 0) os << "        Test association at the Locus level\n";
            if (s.TypeOfTestHW == 1) os << "        Test association at the Haplotype level\n";
            if (s.TypeOfTestHW == 2) os << "        Test association at the Locus and Haplotype levels\n";
        }
        os << "\n";
    }
}

void print_neutrality_test_settings(std::ostream& os, settings& s, bool phase_unknown)
{
    if (s.TaskNumber & settings::TAJIMA_TEST)
        os << "    Tajima's selective neutrality test\n"
           << "    -----------------------------------\n\n";
    if (s.TaskNumber & settings::EWENS_WATTERSON_TEST) {
        os << "    Ewens-Watterson neutrality test\n"
           << "    --------------------------------\n";
        if (!phase_unknown)
            os << "        No. of Simultated Samples = " << s.NumIterationsNeutralityTests << "\n";
        os << "\n";
    }
    if (s.TaskNumber & settings::CHAKRABORTY_TEST)
        os << "    Chakraborty's amalgammation test\n"
           << "    --------------------------------\n\n";
    if (s.TaskNumber & settings::FU_FS_TEST) {
        os << "    Fu's Neutraliy test:\n"
           << "    --------------------\n";
        if (!phase_unknown)
            os << "        No. of Simultated Samples = " << s.NumSimulFuTest << "\n";
        os << "\n";
    }
}

void print_structure_settings(std::ostream& os, settings& s)
{
    bool amova = (s.TaskNumber & settings::AMOVA) && (s.HaplAMOVA || s.LocByLocAMOVA);
    if (amova) {
        os << "    Analysis of Molecular Variance:\n"
           << "    -------------------------------\n";
        os << "        No. of Permutations = " << s.NumPermutationsAMOVA << "\n";
        if (s.genotypic_data && s.gametic_phase && s.IncludeIndividualLevel)
            os << "        Include Individual level\n";
        if (s.PrintMinSpannNetworkGlob)
            os << "        Compute minimum spanning network between all haplotypes in the sample\n";
        if (s.PrintDistanceMatrix)
            os << "        Print out inter-haplotypic distance matrix\n";
        os << "\n";
    }
    if (s.TaskNumber & settings::PAIRWISE_FST) {
        os << "    Population pairwise Fst values:\n"
           << "    -------------------------------\n";
        if (s.PrintMissIntermatchs) os << "        Compute pairwise differences\n";
        if (s.UnequalPopSizeDiv) os << "        Compute relative population sizes\n";
        if (s.PrintConcestryCoeff) os << "        Compute coancestry coefficients\n";
        if (s.PrintSlatkinsDist) os << "        Compute Slatkin's distances\n";
        os << "        No. of permutations for significance = " << s.NumPermutationsFST << "\n";
        os << "        No. of permutations for Mantel test  = " << s.NumPermMantel << "\n";
        os << "\n";
    }
    if ((s.TaskNumber & settings::PAIRWISE_FST) || amova) {
        os << "       Distance matrix:\n";
        if (s.ComputeConventionalFST) {
            os << "            Compute F-statistics on haplotype frequencies only\n";
        } else if (s.ComputeDistanceMatrixAMOVA) {
            os << "            Compute distance matrix\n";
            os << "            Molecular distance : ";
            s.print_distance_method(os, s.DistanceMethodAMOVA);
            os << "            Gamma a value      = " << s.GammaAValueAMOVA << "\n";
        } else {
            os << "            Use pre-defined distance matrix\n";
        }
        os << "\n";
    }
}

void print_comparison_settings(std::ostream& os, settings& s, bool phase_unknown)
{
    if (s.TaskNumber & settings::EXACT_DIFFERENTIATION_TEST) {
        os << "    Exact test of population differentiation:\n"
           << "    -----------------------------------------\n";
        os << "        No. of steps in Markov chain      = " << s.NumPermutPopDiff << "\n";
        os << "        No. of Dememorisation Steps       = " << s.NumDememoPopDiff << "\n";
        os << "        Required precision on Probability = " << s.PrecProbPopDiff << "\n";
        os << (s.PrintHistoPopDiff ? "        Print Histogram and table : Yes\n"
                                 : "        Print Histogram and table : No\n");
        os << "        Significance level        = " << s.SignLevelPopDiff << "\n\n";
    }
    if (s.TaskNumber & settings::GENOTYPE_ASSIGNMENT) {
        os << "\n    Assignement of individual genotypes to populations\n"
           << "    --------------------------------------------------\n\n";
        if (!phase_unknown)
            os << "\n      Test is only possible for genotypic data with unknown gametic phase,"
                  " skipping task...\n\n";
    }
    if (s.TaskNumber & settings::MANTEL_TEST) {
        os << "\n    Correlation between distance matrices.\n"
           << "    --------------------------------------------------------\n\n";
        os << "        No. of Permutations for significance = " << s.NumPermMantel << "\n";
    }
}

} // namespace

// The name of a distance method by data type and code. A code without a name
// still ends the line, so that the next setting keeps a line of its own.
void settings::print_distance_method(std::ostream& os, int code)
{
    int row = -1;
    switch (ProfileSettings::DataType) {
    case DNA:
        if (code >= 0 && code <= 6) row = code;
        break;
    case RFLP:
        if (code == 0) row = 0;
        if (code == 1) row = 3;
        break;
    case MICROSAT:
        if (code == 0) row = 7;
        if (code == 1) row = 8;
        break;
    case STANDARD:
        os << "Pairwise differences";
        break;
    default:
        break;
    }
    if (row >= 0)
        os << DistanceNames[row];
    os << "\n";
}

void settings::print_pretty_settings(std::ostream& os)
{
    TXmlTag title("title");
    if (xmlOutput)
        os << title.open() << "\n";
    os << "==============================\n"
       << "Settings used for Calculations\n"
       << "==============================\n"
       << "\n";
    if (xmlOutput)
        os << title.close() << "\n";

    bool phase_unknown = genotypic_data != 0 && gametic_phase == 0;
    print_file_warnings(os, file_warnings);
    print_general_settings(os, *this);
    print_diversity_settings(os, *this, phase_unknown);
    if (TaskNumber & HAPLOTYPE_FREQUENCIES)
        print_haplotype_frequency_settings(os, *this, phase_unknown);
    if (ComputePopSFS)
        os << "        Compute Site Frequency Spectrum within populations\n";
    if (ComputeJointSFS)
        os << "        Compute joint Site Frequency Spectrum between all pairs of populations\n";
    if (ComputeMultiSFS)
        os << "        Compute joint multidimensional Site Frequency Spectrum\n";
    print_equilibrium_test_settings(os, *this, phase_unknown);
    print_neutrality_test_settings(os, *this, phase_unknown);
    print_structure_settings(os, *this);
    print_comparison_settings(os, *this, phase_unknown);
}
