// The task checks of a run: every selected analysis is compared with the data
// that were read. What the data cannot support is switched off with a notice
// in the log, dependent settings are adjusted, contradictory requests refuse
// the run, and the data are prepared for the analyses (the allele database,
// the allele vectors of samples and haplotype definitions, the individuals as
// haplotypes, the removal of entries missing at every locus).

#include <cstring>
#include <ostream>

#include "core/errors.h"
#include "core/file_helpers.h"
#include "project/project.h"
#include "project/project_file_lines.h"

namespace {

const char* const MAKE_RUN_POSSIBLE = "Project::make_run_possible()";

void clear_task(settings& s, int bit)
{
    if (s.TaskNumber & bit)
        s.TaskNumber ^= bit;
}

bool genotypic_samples(Project const& p)
{
    return p.samples->GenotypicData != 0;
}

bool unknown_phase(Project const& p)
{
    return p.profile.GenotypicData != 0 && p.profile.GameticPhase == 0;
}

// The Hardy-Weinberg test needs two gene copies per individual.
void skip_hardy_weinberg_on_haplotypes(Project& p)
{
    settings& s = p.run_settings;
    if (p.profile.GenotypicData != 0 || !(s.TaskNumber & settings::HARDY_WEINBERG))
        return;
    *_ZOS_ << "     !!!Hardy-Weinberg disequilibrium test is not possible on Haplotypic data,\n"
           << "        this task will be skipped." << std::endl;
    clear_task(s, settings::HARDY_WEINBERG);
}

// Every haplotype definition enters its alleles into the allele database once
// per run, with the weight of an entry of sample 0.
void build_haplotype_list_vectors(Project& p)
{
    *_ZOS_ << "\t\tBuilding vectors of alleles..." << std::flush;
    std::clock_t start = get_sys_clock();
    MY_TIArrayAsVector<HaploDef>& list = p.haplo_list.list;
    for (int i = 0; i < list.count; ++i)
        list.data[i]->build_haplovect(&p.allele_db, ProfileSettings::LocusSeparator, 0, 0.1);
    p.haplo_vectors_built = 1;
    *_ZOS_ << "\n\t\tdone in " << milliseconds_since(start) << " ms\n" << std::flush;
}

void build_sample_vectors(Project& p)
{
    *_ZOS_ << "\t\tBuilding vectors of alleles..." << std::flush;
    std::clock_t start = get_sys_clock();
    p.samples->build_all_vectors(ProfileSettings::LocusSeparator);
    *_ZOS_ << "\n\t\tdone in " << milliseconds_since(start) << " ms\n" << std::flush;
}

// The analyses on haplotypes (diversity indices, molecular diversity, the
// distances between a sample's haplotypes, the selection scan) need the
// individuals as haplotype records when their phase is known, or when it is
// unknown and recessive alleles play no part.
void convert_individuals(Project& p)
{
    settings& s = p.run_settings;
    bool known_phase = p.profile.GenotypicData != 0 && p.profile.GameticPhase != 0;
    const int haplotype_tasks = settings::STANDARD_INDICES | settings::MOLECULAR_DIVERSITY
                                | settings::PAIRWISE_DISTANCES;
    bool wanted_by_unknown_phase =
        unknown_phase(p) && s.RecessiveAllelesEM == 0
        && ((s.TaskNumber & haplotype_tasks) || s.DetectSelectedLoci != 0);
    if (!known_phase && !wanted_by_unknown_phase)
        return;
    if (!p.phenotypes_converted) {
        *_ZOS_ << "\t\tProcessing phenotypes into pseudo-haplotypes..." << std::flush;
        std::clock_t start = get_sys_clock();
        p.samples->phen_to_gam(&p.haplo_list, &p.profile, &s);
        *_ZOS_ << "\n\t\tdone in " << milliseconds_since(start) << " ms\n" << std::flush;
        p.phenotypes_converted = 1;
    }
    if (!p.haplo_vectors_built)
        build_haplotype_list_vectors(p);
}

// Recessive alleles cannot be told apart in individuals whose phase is given.
bool recessive_with_known_phase(Project const& p)
{
    return genotypic_samples(p) && p.profile.RecessiveData != 0 && p.profile.GameticPhase != 0;
}

void skip_assignment_on_haplotypes(Project& p)
{
    settings& s = p.run_settings;
    if (!(s.TaskNumber & settings::GENOTYPE_ASSIGNMENT) || genotypic_samples(p))
        return;
    *_ZOS_ << "   !!!The computation of the likelihood of all individuals in each\n"
           << "      population is only possible for Genotypic data \n"
           << "      skipping the task...\n";
    clear_task(s, settings::GENOTYPE_ASSIGNMENT);
}

bool structure_tests_selected(Project const& p)
{
    settings const& s = p.run_settings;
    return (s.TaskNumber & (settings::AMOVA | settings::PAIRWISE_FST)) ||
           (ProfileSettings::DataType == FREQUENCY && s.EliminateRedondHaplodefs);
}

// The genetic-structure tests need a distance matrix between haplotypes: the
// project's, or one computed from the data; frequency data only give
// conventional F-statistics.
void choose_structure_distances(Project& p)
{
    settings& s = p.run_settings;
    bool no_matrix = p.dist_mat.size == 0;
    if (s.ComputeConventionalFST) {
        s.ComputeDistanceMatrixAMOVA = 1;
    } else if (s.ComputeDistanceMatrixAMOVA == 0 && no_matrix) {
        *_ZOS_ << "    !!!No matrix was specified in input file, Drovalen will compute it from the data\n";
        s.ComputeDistanceMatrixAMOVA = 1;
    }
    bool distances_from_data = s.ComputeConventionalFST || s.ComputeDistanceMatrixAMOVA;
    if (ProfileSettings::DataType != FREQUENCY)
        return;
    if (no_matrix && s.ComputeConventionalFST == 0) {
        *_ZOS_ << "   !!!No molecular information is available for testing genetic structure,\n"
               << "      haplotype frequencies will be used, and conventional Fst will be computed\n";
        s.ComputeDistanceMatrixAMOVA = 1;
        s.ComputeConventionalFST = 1;
    } else if (distances_from_data) {
        s.ComputeConventionalFST = 1;
    }
}

void skip_amova_without_structure(Project& p)
{
    settings& s = p.run_settings;
    if (!(s.TaskNumber & settings::AMOVA) || !(s.HaplAMOVA || s.LocByLocAMOVA) ||
        p.IsAmovaStructure())
        return;
    clear_task(s, settings::AMOVA);
    const char* text = "  An AMOVA analysis was selected and no Genetic structure\n"
                       "  is defined, AMOVA task is skipped.";
    *_ZOS_ << text << std::endl;
    if (s.results_stream)
        *s.results_stream << text << std::endl;
}

void raise_dememorisation_steps(settings& s)
{
    if (s.MarkovChainDememorisationStepsLD < 500) {
        *_ZOS_ << " Too few steps for dememorization (" << s.MarkovChainDememorisationStepsLD
               << " ) in linkage disequilibrium test, setting it to 1000...\n";
        s.MarkovChainDememorisationStepsLD = 1000;
    }
    if (s.MarkovChainDememorisationStepsHW < 500) {
        *_ZOS_ << " Too few steps for dememorization (" << s.MarkovChainDememorisationStepsHW
               << " ) in Hardy-Weinberg disequilibrium test, setting it to 1000...\n";
        s.MarkovChainDememorisationStepsHW = 1000;
    }
}

// A setting that an analysis would divide by, or allocate with, is set to a
// usable value before any analysis runs, with a report naming it.
void correct_setting(int& value, int usable, const char* key)
{
    E.error(WARNING, MAKE_RUN_POSSIBLE, 55);
    *_ZOS_ << " Invalid value for " << key << " (" << value << " ), setting it to " << usable
           << "...\n";
    value = usable;
}

void at_least(int& value, int minimum, int usable, const char* key)
{
    if (value < minimum)
        correct_setting(value, usable, key);
}

void correct_unusable_settings(Project& p)
{
    settings& s = p.run_settings;
    settings defaults;
    int task = s.TaskNumber;

    // Counts of permutations, simulations and replicates: 0 runs none, a
    // negative count would size an array.
    at_least(s.NumPermutationsAMOVA, 0, 0, "NumPermutationsAMOVA");
    at_least(s.NumPermutationsFST, 0, 0, "NumPermutationsFST");
    at_least(s.NumPermMantel, 0, 0, "NumPermMantel");
    at_least(s.NumIterationsNeutralityTests, 0, 0, "NumIterationsNeutralityTests");
    at_least(s.NumSimulFuTest, 0, 0, "NumSimulFuTest");
    at_least(s.NumBootExpDem, 0, 0, "NumBootExpDem");
    at_least(s.NumBootstrapReplicatesEM, 0, 0, "NumBootstrapReplicatesEM");
    at_least(s.NumInitCondBootstrapEM, 0, 0, "NumInitCondBootstrapEM");
    at_least(s.NumberOfSimsForFDist2, 0, 0, "NumberOfSimsForFDist2");
    at_least(s.GibbsBurnIn, 0, 0, "GibbsBurnIn");
    // The modal phase is always written: room for at least that file.
    at_least(s.GibbsNumSamples, 0, 0, "GibbsNumSamples");

    // Chain lengths and starts that the selected tests divide by.
    if ((task & settings::LINKAGE_DISEQUILIBRIUM) && s.MakeExactTestLD) {
        int steps = unknown_phase(p) ? 1000 : defaults.MarkovChainStepsLD;
        at_least(s.MarkovChainStepsLD, 1, steps, "MarkovChainStepsLD");
        if (unknown_phase(p))
            at_least(s.InitialCondEMLD, 1, defaults.InitialCondEMLD, "InitialCondEMLD");
    }
    if ((task & settings::HARDY_WEINBERG) && s.MakeHWExactTest)
        at_least(s.MarkovChainStepsHW, 1, defaults.MarkovChainStepsHW, "MarkovChainStepsHW");
    if (task & settings::EXACT_DIFFERENTIATION_TEST)
        at_least(s.NumPermutPopDiff, 1, defaults.NumPermutPopDiff, "NumPermutPopDiff");
    if ((task & settings::HAPLOTYPE_FREQUENCIES) && unknown_phase(p)) {
        if (s.ComputeAllHaplotypesEM)
            at_least(s.InitialConditionsEM, 1, defaults.InitialConditionsEM, "InitialConditionsEM");
        if (s.GibbsInferGamPhase)
            at_least(s.GibbsSamplingInterval, 1, defaults.GibbsSamplingInterval,
                     "GibbsSamplingInterval");
    }
    // The zipper of the EM moves a window of EMWinSize loci along the data.
    if (s.EMUseZipper == 1)
        at_least(s.EMWinSize, 1, defaults.EMWinSize, "EMWinSize");
}

void skip_hardy_weinberg_with_recessive_alleles(settings& s)
{
    if (!(s.TaskNumber & settings::HARDY_WEINBERG) || s.RecessiveAllelesEM == 0)
        return;
    *_ZOS_ << "   !!!Hardy-Weinberg disequilibrium test is not possible with recessive data,\n"
           << "      skipping task...\n";
    clear_task(s, settings::HARDY_WEINBERG);
}

// Identical haplotypes are searched with distances computed from the data;
// the matrix of the project is then dropped and computed anew.
void eliminate_identical_haplotypes(Project& p)
{
    settings& s = p.run_settings;
    bool haplotypes_known = p.profile.GenotypicData == 0 || p.profile.GameticPhase != 0;
    if (!(s.EliminateRedondHaplodefs || s.InferHaplotypeDefinitionFromDistanceMatrix) ||
        !haplotypes_known)
        return;
    p.eliminate_redond_haplodef();
    if (s.ComputeDistanceMatrixAMOVA)
        p.dist_mat.reset();
}

// The Mantel test compares a Y matrix with distances; unless the user gives Y
// (Y type "custom") it is built from the pairwise FST.
void pairwise_fst_for_mantel(Project& p)
{
    settings& s = p.run_settings;
    if ((s.TaskNumber & settings::MANTEL_TEST) && !(s.TaskNumber & settings::PAIRWISE_FST)
        && std::strcmp(p.mantel.YMatrix.str, "custom") != 0)
        s.TaskNumber |= settings::PAIRWISE_FST;
}

// Haplotypes of unknown phase are not observed: no distances between them,
// no spanning network.
void no_haplotype_printouts_for_unknown_phase(Project& p)
{
    if (!unknown_phase(p))
        return;
    settings& s = p.run_settings;
    s.PrintMinSpannNetworkPop = 0;
    s.PrintMinSpannNetworkGlob = 0;
    s.PrintDistanceMatrix = 0;
    s.PrintPopDistMat = 0;
    s.PrintHaplDistMat = 0;
}

void check_selected_settings(Project& p)
{
    *_ZOS_ << "  check selected settings..." << std::endl;
    raise_dememorisation_steps(p.run_settings);
    correct_unusable_settings(p);
    *_ZOS_ << "  done!" << std::endl;
}

// The setting changes that follow the data and the project alone, in the
// order of the checks.
void late_task_switches(Project& p)
{
    settings& s = p.run_settings;
    if (ProfileSettings::DataType == FREQUENCY)
        s.InferHaplotypeDefinitionFromDistanceMatrix = 0;
    skip_hardy_weinberg_with_recessive_alleles(s);
}

void final_task_switches(Project& p)
{
    settings& s = p.run_settings;
    if (ProfileSettings::DataType == MICROSAT) {
        clear_task(s, settings::EWENS_WATTERSON_TEST);
        clear_task(s, settings::CHAKRABORTY_TEST);
    }
    pairwise_fst_for_mantel(p);
    no_haplotype_printouts_for_unknown_phase(p);
}

}  // namespace

int Project::make_run_possible()
{
    settings& s = run_settings;
    *_ZOS_ << "  Checking all selected options..." << std::endl;
    skip_hardy_weinberg_on_haplotypes(*this);

    s.allele_db = &allele_db;
    samples->init_all_pointers(&allele_db);
    if (samples->Populations.count == 0) {
        E.error(ERROR, MAKE_RUN_POSSIBLE, 123);
        return 0;
    }

    samples->Populations[0]->make_all_blanks(ProfileSettings::LocusSeparator);
    if (genotypic_samples(*this))
        build_sample_vectors(*this);
    if (profile.GenotypicData == 0 && !haplo_vectors_built)
        build_haplotype_list_vectors(*this);
    if (!samples->verify_data())
        return 0;
    convert_individuals(*this);

    if ((s.TaskNumber & settings::EXACT_DIFFERENTIATION_TEST) && recessive_with_known_phase(*this)) {
        E.error(ERROR, MAKE_RUN_POSSIBLE, 138);
        return 0;
    }
    skip_assignment_on_haplotypes(*this);
    if (structure_tests_selected(*this)) {
        if (recessive_with_known_phase(*this)) {
            E.error(ERROR, MAKE_RUN_POSSIBLE, 138);
            return 0;
        }
        choose_structure_distances(*this);
    }
    skip_amova_without_structure(*this);
    *_ZOS_ << "  done!" << std::endl;

    check_selected_settings(*this);
    late_task_switches(*this);
    eliminate_identical_haplotypes(*this);
    final_task_switches(*this);
    return 1;
}

void Project::apply_task_switches()
{
    skip_hardy_weinberg_on_haplotypes(*this);
    skip_assignment_on_haplotypes(*this);
    if (structure_tests_selected(*this))
        choose_structure_distances(*this);
    skip_amova_without_structure(*this);
    check_selected_settings(*this);
    late_task_switches(*this);
    final_task_switches(*this);
}
