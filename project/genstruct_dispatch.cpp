// The genetic-structure analyses of one analysis level: the distance matrix
// between haplotypes, AMOVA with the pairwise comparisons and the Mantel
// test that run inside it, the locus-by-locus AMOVA and the exact test of
// differentiation. They work on whatever samples and structure the project
// holds: its own at the population level, the pooled ones at the group level.
// Each analysis reports its own failures; the next one still runs.

#include "project/genstruct_dispatch.h"

#include <cstring>
#include <ctime>
#include <string>

#include "comparisons/diff_inter_pop.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/xml.h"
#include "project/project.h"
#include "project/project_file_lines.h"
#include "project/result_tree.h"

namespace {

const int STRUCTURE_TASKS = settings::AMOVA | settings::PAIRWISE_FST
                            | settings::EXACT_DIFFERENTIATION_TEST | settings::MANTEL_TEST;

bool genotypic(Project const& p)
{
    return p.profile.GenotypicData != 0;
}

// Unknown phase leaves no haplotypes from which conventional F-statistics
// could be computed: AMOVA and pairwise FST are dropped, the rest runs.
// True when the structure computation was refused so.
bool refuse_conventional_fst_without_phase(Project& p, std::ostream* results)
{
    settings& s = p.run_settings;
    if (!genotypic(p) || p.profile.RecessiveData != 0 || p.profile.GameticPhase != 0
        || !s.ComputeConventionalFST)
        return false;
    const char* notice = "\n\nThe computation of AMOVA with the option \"CONVENTIONAL FST\" is"
                         "\nnot possible with unknown gametic phase data.\n"
                         "SKIPPING COMPUTATION OF GENETIC STRUCTURE\n\n";
    if (results)
        *results << notice;
    *_ZOS_ << notice;
    E.error(WARNING, "GenStructCalculations()", 202);
    s.TaskNumber &= ~(settings::AMOVA | settings::PAIRWISE_FST);
    return true;
}

// The analyses compare haplotypes: the individuals become haplotype records
// once per level, and the definitions get their allele vectors once.
void convert_individuals(Project& p)
{
    if (!genotypic(p) || p.profile.RecessiveData != 0)
        return;
    *_ZOS_ << "\tConverting phenotypic to haplotypic data ...\n";
    std::clock_t start = get_sys_clock();
    if (!p.phenotypes_converted) {
        p.samples->phen_to_gam(&p.haplo_list, &p.profile, &p.run_settings);
        p.phenotypes_converted = 1;
    }
    if (!p.haplo_vectors_built) {
        p.build_all_vectors(p.allele_db);
        p.haplo_vectors_built = 1;
    }
    *_ZOS_ << "\tdone ! (" << milliseconds_since(start) << " ms)\n";
}

void refuse_recessive_data(Project& p, std::ostream* results)
{
    if (!genotypic(p) || p.profile.RecessiveData == 0)
        return;
    p.run_settings.TaskNumber &= ~(settings::AMOVA | settings::PAIRWISE_FST);
    if (results)
        *results << "\n\nThe computation of AMOVA and PAIRWISE FST is"
                 << "\nnot implemented yet with recessive data, sorry\n\n";
}

void write_structure_heading(Project& p, GenStructSteps const& steps)
{
    std::ostream* results = p.run_settings.results_stream;
    bool group_level = p.samples->atGroupLevel;
    if (steps.structure_folder && htmlOutput)
        print_js_aux_entry(p.run_settings, 2, group_level ? "_gr_gen_struct" : "_pop_gen_struct",
                           group_level ? "Genetic structure (samp=group)"
                                       : "Genetic structure (samp=pop)");
    if (steps.structure_banner && results) {
        const std::string equals(79, '=');
        *results << equals << "\n== GENETIC STRUCTURE ANALYSIS\n" << equals << "\n\n";
    }
}

void run_amova_block(Project& p, GenStructSteps const& steps, std::fstream* results)
{
    settings& s = p.run_settings;
    bool quiet = s.selection_scan_running;
    if (steps.f_statistics_line && !quiet)
        *_ZOS_ << "\t\tComputing F statistics ...\n";
    std::clock_t start = get_sys_clock();
    if (!quiet)
        std::strcpy(settings::message, "Computing population genetic structure...");

    if (steps.amova) {
        if (steps.amova_entry && htmlOutput)
            print_js_doc_entry(s, 2, p.samples->atGroupLevel ? "_gr_amova" : "_pop_amova",
                               "AMOVA");
        int task_number = s.TaskNumber;
        s.TaskNumber = steps.amova_task_number;
        p.AMOVA(p.dist_mat, p.haplo_list, *p.samples, *p.structure, p.allele_db, &p.amova_res);
        s.TaskNumber = task_number;
    }
    if (steps.locus_by_locus) {
        int task_number = s.TaskNumber;
        s.TaskNumber = settings::AMOVA;
        {
            PairwiseComparisonsOff pairwise_off(s);
            p.LocusByLocusAMOVA(results);
        }
        s.TaskNumber = task_number;
    }
    if (!quiet)
        *_ZOS_ << "\t\tdone ! (" << milliseconds_since(start) << " ms)\n";
}

}  // namespace

PairwiseComparisonsOff::PairwiseComparisonsOff(settings& s)
    : s_(s), pairwiseFst_(s.ComputePairwiseFST), deltaMu_(s.ComputeDeltaMuSqr),
      meanDifferences_(s.PrintMissIntermatchs), divergenceTimes_(s.UnequalPopSizeDiv)
{
    s.ComputePairwiseFST = s.ComputeDeltaMuSqr = s.PrintMissIntermatchs = s.UnequalPopSizeDiv = 0;
}

PairwiseComparisonsOff::~PairwiseComparisonsOff()
{
    s_.ComputePairwiseFST = pairwiseFst_;
    s_.ComputeDeltaMuSqr = deltaMu_;
    s_.PrintMissIntermatchs = meanDifferences_;
    s_.UnequalPopSizeDiv = divergenceTimes_;
}

GenStructSteps plan_genstruct_steps(settings const& s, bool amova_refused)
{
    int task = s.TaskNumber;
    // After the refusal that says the structure computation is skipped no
    // AMOVA runs: not even the one the Mantel test opens (with the
    // locus-by-locus AMOVA), nor the distance matrix they would use.
    int amova_tasks = amova_refused ? 0 : task;
    bool amova_bit = (amova_tasks & settings::AMOVA) != 0;
    bool fst_bit = (amova_tasks & settings::PAIRWISE_FST) != 0;
    bool mantel_bit = (amova_tasks & settings::MANTEL_TEST) != 0;
    bool exact_bit = (task & settings::EXACT_DIFFERENTIATION_TEST) != 0;
    bool amova_asked = amova_bit && (s.HaplAMOVA || s.LocByLocAMOVA);
    bool any = (task & STRUCTURE_TASKS) != 0;

    GenStructSteps steps{};
    steps.structure_folder = any && (amova_asked || fst_bit || exact_bit);
    steps.structure_banner = any && (amova_asked || fst_bit);

    bool distances_needed = (amova_bit && s.HaplAMOVA)
                            || (fst_bit && (s.ComputePairwiseFST || s.UnequalPopSizeDiv
                                            || s.PrintMissIntermatchs))
                            || mantel_bit;
    steps.distance_matrix =
        (s.ComputeDistanceMatrixAMOVA || s.ComputeConventionalFST) && distances_needed;
    steps.print_distance_matrix =
        steps.distance_matrix && (s.PrintDistanceMatrix || s.PrintMinSpannNetworkGlob);

    steps.amova_block = amova_bit || fst_bit || mantel_bit;
    steps.f_statistics_line = steps.amova_block && (s.HaplAMOVA || s.LocByLocAMOVA);
    steps.amova = steps.amova_block && (fst_bit || mantel_bit || s.HaplAMOVA);
    steps.amova_entry = steps.amova && s.HaplAMOVA;
    // Without the global AMOVA only the pairwise comparisons are asked for.
    steps.amova_task_number = task;
    if (!s.HaplAMOVA && amova_bit && !mantel_bit)
        steps.amova_task_number &= ~settings::AMOVA;
    steps.locus_by_locus = steps.amova_block && s.LocByLocAMOVA;
    steps.exact_test = exact_bit;
    return steps;
}

void Project::GenStructCalculations(std::fstream* results)
{
    bool amova_refused = refuse_conventional_fst_without_phase(*this, results);
    convert_individuals(*this);
    if (ProfileSettings::DataType == MICROSAT)
        convertMicrosatToNumberOfRepeats();
    refuse_recessive_data(*this, results);

    GenStructSteps steps = plan_genstruct_steps(run_settings, amova_refused);
    write_structure_heading(*this, steps);
    if (steps.distance_matrix) {
        calc_dist_matrix(run_settings.DistanceMethodAMOVA, run_settings.GammaAValueAMOVA);
        if (steps.print_distance_matrix)
            print_distance_matrix();
    }
    if (steps.amova_block)
        run_amova_block(*this, steps, results);
    if (steps.exact_test) {
        print_js_doc_entry(run_settings, 2,
                           samples->atGroupLevel ? "_gr_exct_tests" : "_pop_exct_tests",
                           "Exact tests");
        DiffInterPop test(run_settings, samples);
        test.make_all_tests();
    }
}

void Project::build_all_vectors(TAlleleDB& db)
{
    int n = haplo_list.list.count;
    for (int i = 0; i < n; ++i)
        haplo_list.list.data[i]->build_haplovect(&db, ProfileSettings::LocusSeparator, 0, 0.1);
}
