// The work units of one sample in a run: the denominator of the progress
// percentage. Each term follows the number of Markov-chain steps,
// permutations, random starts or simulations that the selected analyses of the
// sample will run; the estimate steers nothing else.

#include "model/population.h"

#include "app/settings.h"

namespace {

const double E1 = 2.718281828459045;
const double E2 = 7.38905609893065;

// Haplotype frequencies of genotypic data of unknown phase: EM random starts,
// Gibbs sampling, EM bootstrap and the sub-haplotype estimates.
double haplotype_frequency_units(settings const& s, int L)
{
    double units = 0;
    if (s.ComputeAllHaplotypesEM != 0) {
        if (s.EMUseZipper == 1) {
            // The task checks refuse a window below 1; a window of one
            // locus is assumed here should one still arrive.
            int window = s.EMWinSize > 0 ? s.EMWinSize : 1;
            long long zipper = static_cast<long long>(L / window) * s.InitialConditionsEM * 100;
            if (s.EMLociRandOrder != 0)
                zipper *= s.EMNumZipRandOrders;
            units += static_cast<double>(zipper);
        } else if (s.EMUseZipper == 0) {
            units += static_cast<double>(s.InitialConditionsEM) * 100;
        }
    }
    if (s.GibbsInferGamPhase != 0)
        units += s.GibbsBurnIn / 5 + static_cast<long long>(s.GibbsNumSamples) * 30;
    units += static_cast<double>(static_cast<long long>(s.NumInitCondBootstrapEM) *
                                 s.NumBootstrapReplicatesEM * L * 100);
    if (s.ComputeAllSubHaplotypesEM != 0) {
        double p = (L - 1) * L * 0.5;
        units += p * E2 * s.InitialConditionsEM +
                 p * E2 * s.NumBootstrapReplicatesEM * s.NumInitCondBootstrapEM +
                 s.NumInitCondBootstrapEM * L * E1 * s.NumBootstrapReplicatesEM +
                 L * E1 * s.InitialConditionsEM;
    }
    return units;
}

double hardy_weinberg_units(settings const& s, int L)
{
    long long per_locus = static_cast<long long>(L) * s.MarkovChainStepsHW / 1000;
    if (s.TypeOfTestHW == 0)
        return static_cast<double>(per_locus);
    double units = s.MarkovChainStepsHW / 1000;
    if (s.TypeOfTestHW == 2)
        units += static_cast<double>(per_locus);
    return units;
}

}  // namespace

int Population::evaluate_nb_loci()
{
    if (profile.GenotypicData == 0) {
        if (haplotypes.count == 0 || haplotypes.data[0]->haplotype == nullptr)
            return 0;
        return haplotypes.data[0]->haplotype->haplovect.count;
    }
    my_string text;
    if (individuals.phenotypes.count > 0)
        text = individuals.phenotypes.data[0]->gene_copy[0];
    char separator = ProfileSettings::LocusSeparator;
    if (separator == 0)
        return text.length;
    int loci = 0;
    while (!text.is_null())
        if (!text.extract_sub_str(separator).is_null())
            ++loci;
    return loci;
}

void Population::evaluate_work(settings* run_settings)
{
    settings const& s = *run_settings;
    RecessiveAllelesEM = s.RecessiveAllelesEM;
    int L = evaluate_nb_loci();
    bool genotypic = profile.GenotypicData != 0;
    bool unknown_phase = genotypic && profile.GameticPhase == 0;
    int task = s.TaskNumber;
    double units = 0;

    if ((task & settings::HAPLOTYPE_FREQUENCIES) && unknown_phase)
        units += haplotype_frequency_units(s, L);

    TDataType type = ProfileSettings::DataType;
    if ((task & settings::MISMATCH_DISTRIBUTION) && (type == DNA || type == RFLP) && !unknown_phase) {
        if (s.MismatchDemogExp)
            units += s.NumBootExpDem;
        if (s.MismatchSpatialExp)
            units += s.NumBootExpDem;
    }

    if ((task & settings::LINKAGE_DISEQUILIBRIUM) && s.MakeExactTestLD != 0) {
        if (unknown_phase)
            units += (s.MarkovChainStepsLD + 1.0) * s.InitialCondEMLD * ((L - 1) * (100.0 * L) * 0.5);
        else
            units += static_cast<double>(static_cast<long long>(s.MarkovChainStepsLD) * L * (L - 1)) *
                     0.5 / 1000.0;
    }

    if ((task & settings::HARDY_WEINBERG) && s.MakeHWExactTest != 0)
        units += hardy_weinberg_units(s, L);

    if (task & settings::PAIRWISE_FST)
        units += s.NumPermutationsFST / 100.0;
    if (task & settings::EWENS_WATTERSON_TEST)
        units += s.NumIterationsNeutralityTests / 100.0;
    // Tajima's test and Fu's test both simulate NumSimulFuTest samples.
    if (task & settings::FU_FS_TEST)
        units += s.NumSimulFuTest / 50.0;
    if (task & settings::TAJIMA_TEST)
        units += s.NumSimulFuTest / 50.0;

    settings::global_work_to_do += units;
}
