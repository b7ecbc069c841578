// The decisions of the genetic-structure dispatcher
// (Project::GenStructCalculations): which of its steps run for the settings
// as they stand once the refusals of the data have cleared their task bits.
// After the refusal of unknown-phase data with conventional F-statistics
// (amova_refused) no AMOVA runs, whatever bit would open one.
#ifndef DROV_PROJECT_GENSTRUCT_DISPATCH_H
#define DROV_PROJECT_GENSTRUCT_DISPATCH_H

class settings;

struct GenStructSteps {
    bool structure_folder;       // navigation folder "Genetic structure (...)" (needs htmlOutput)
    bool structure_banner;       // "== GENETIC STRUCTURE ANALYSIS" in the results
    bool distance_matrix;        // Project::calc_dist_matrix
    bool print_distance_matrix;  // Project::print_distance_matrix, after the matrix
    bool amova_block;            // the AMOVA block and its timing lines
    bool f_statistics_line;      // "\t\tComputing F statistics ..." in the log
    bool amova;                  // Project::AMOVA
    bool amova_entry;            // navigation entry "AMOVA" (needs htmlOutput)
    int amova_task_number;       // TaskNumber during Project::AMOVA
    bool locus_by_locus;         // Project::LocusByLocusAMOVA with TaskNumber 0x200
    bool exact_test;             // DiffInterPop::make_all_tests and its entry
};

GenStructSteps plan_genstruct_steps(settings const& s, bool amova_refused);

// An AMOVA run for another analysis (each locus of the locus-by-locus AMOVA,
// every AMOVA of the selection scan) needs none of the pairwise comparisons:
// while a PairwiseComparisonsOff lives, the keys that open them
// (ComputeDeltaMuSqr; the task bits are the caller's, which runs the AMOVA
// bit alone) and shape them (pairwise FST and its permutations, the mean
// differences, the divergence times) are 0. The keys are given back on
// every way out.
class PairwiseComparisonsOff {
public:
    explicit PairwiseComparisonsOff(settings& s);
    ~PairwiseComparisonsOff();
    PairwiseComparisonsOff(PairwiseComparisonsOff const&) = delete;
    PairwiseComparisonsOff& operator=(PairwiseComparisonsOff const&) = delete;

private:
    settings& s_;
    const int pairwiseFst_, deltaMu_, meanDifferences_, divergenceTimes_;
};

#endif
