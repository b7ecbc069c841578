// One project of the run list: its profile, haplotype list, distance matrix,
// samples, genetic structure, Mantel section, allele database and settings,
// with the state of its analysis run.
//
// One Project serves the whole run list: it is filled by the project reader
// (newOpen) and emptied again by clean after each run.
#ifndef DROV_PROJECT_PROJECT_H
#define DROV_PROJECT_PROJECT_H

#include <ctime>
#include <fstream>

#include "amova/amova_results.h"
#include "app/settings.h"
#include "comparisons/mantel.h"
#include "core/my_string.h"
#include "model/allele_db.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "model/population.h"
#include "project/profile_settings.h"
#include "project/samples.h"
#include "project/structure.h"

class Project {
public:
    ProfileSettings profile;  // the [Profile] values of the project
    Haplo_DB haplo_list;
    DistMat dist_mat;         // the distance matrix given in the project (size 0 when none)
    Samples* samples;         // owned; never null after construction
    Structure* structure;     // owned; never null after construction
    Mantel mantel;
    TAlleleDB allele_db;      // every allele of the haplotype definitions and samples
    Population* dist_work_pop;  // working sample of a distance-matrix computation, or null
    std::clock_t start_clock;   // clock() at the start of the current run
    long long elapsed_ms;       // computing time of the last completed run
    int haplo_vectors_built;    // the allele vectors of haplo_list are in allele_db
    int phenotypes_converted;   // the individuals were turned into pseudo-haplotypes
    int run_number;             // runs started on this object
    int backup_requested;       // asks write() for a back-up file
    int dist_mat_computed;      // a distance matrix was computed from the data
    int run_possible;           // the current project may be run
    settings run_settings;      // every run parameter and the file names of the run
    amova_results amova_res;    // results of the last AMOVA

    // Set by the format translator when it creates its temporary files
    // "trans_out.txt" and "dum_dro.drp" in the working directory: clean()
    // deletes them only then, never a user's files of those names.
    static bool translator_files_created;

    Project();
    ~Project();
    Project(Project const&) = delete;
    Project& operator=(Project const&) = delete;

    my_string& title() { return profile.Title; }

    // --- Project and its files (project.cpp) ---
    // Empties samples, structure, haplotype list, distance matrix, allele
    // database and Mantel section after a run; the profile and settings stay.
    void clean();
    // From settings::input_file: the results file (".htm"), the back-up file
    // (".bac") and the project's folder.
    void build_res_bac_names();
    // Writes "error" into the core directory's "dro_pro.txt".
    void print_error_message();
    // Writes the back-up copy of the input data when backup_requested is
    // set: 1 when nothing was asked or the copy was written, 0 when the
    // back-up file cannot be created.
    int write();
    void convertMicrosatToNumberOfRepeats();
    // Creates (or empties) the named file.
    void create_drp_example(const char* file_name);
    // Writes the settings into the project's associated settings file (".drs").
    void save_associated_set();

    // --- Reading the project file (project_reader.cpp) ---
    // Reads the file named by settings::input_file: 1 when it was read whole
    // and every required key and section was found, 0 otherwise.
    int newOpen();
    // The same file in the identifier syntax of older project files, as the
    // format translator writes it (project_open.cpp): 1 when the profile and
    // at least one subsection were read without error, 0 otherwise.
    int open();

    // --- Run and exploration ---
    // The analysis run of the project named by settings::input_file
    // (project_run.cpp): cleaned copy, result browser, reading, task checks,
    // the analyses at the group level (on request) and the population level,
    // the selection scan (on request), the computing time. 1 when the run
    // completed; 0 when it was refused or failed, the results file then
    // closed with its footer and the project emptied.
    int run();
    // Scans the project named by settings::input_file without analysing it
    // (explore.cpp): writes "samples.txt" and "groups.txt" in the working
    // folder and the profile summary "dro_pro.txt" in `dir`; 1 when the
    // summary was written, 0 on any failure.
    int explore(char* dir);

    // --- Task checks and data preparation (run_checks.cpp) ---
    // Switches off the selected tasks that the data cannot support (with a
    // notice in the log), adjusts dependent settings and prepares the data
    // (allele database, allele vectors, individuals as haplotypes). 1 when
    // the run may go on; 0 after ERROR 123, 138 or a failed data check.
    int make_run_possible();
    // The setting changes of make_run_possible alone, without the data
    // preparation: for settings read again during a run.
    void apply_task_switches();

    // --- Analysis levels (group_pooling.cpp, genstruct_dispatch.cpp) ---
    // One pooled sample per group of `structure` ("Group1", ...) into
    // `pooled_samples`, and a flat structure of one group holding them all
    // into `pooled_structure`; both must be empty, their profiles set.
    void poolSamplesInGroups(Samples const& samples, Structure const& structure,
                             Samples& pooled_samples, Structure& pooled_structure);
    // The analyses comparing the current samples (distance matrix, AMOVA,
    // pairwise comparisons, Mantel test, exact test of differentiation),
    // each under its condition on TaskNumber and the settings.
    void GenStructCalculations(std::fstream* results);
    // Enters the alleles of every haplotype definition into `db`.
    void build_all_vectors(TAlleleDB& db);

    // --- Entry points of the AMOVA (amova/) ---
    // True when the structure is fit for an AMOVA.
    bool IsAmovaStructure();
    // Reports the haplotypes of haplo_list at distance 0 (compared as
    // standard data) and, with InferHaplotypeDefinitionFromDistanceMatrix,
    // merges them within each sample: 1, or 0 when no matrix could be set up.
    // The project's own matrix, the data type and ComputeConventionalFST are
    // put back however it ends.
    int eliminate_redond_haplodef();
    // Distance matrix between the haplotypes of haplo_list into dist_mat,
    // with the report on usable loci and missing data when the AMOVA or the
    // pairwise comparisons use it: 1, or 0 (ERROR 136, dist_mat unchanged).
    int calc_dist_matrix(int const& method, double const& gamma);
    // The same for another list, without the report.
    int calc_dist_matrix(Haplo_DB& list, int const& method, double const& gamma);
    // The same for a list of haplotypes estimated from the individuals, into
    // `target`, the work sample taking the list as haplotypes; ERROR 136 is
    // reported from `where`.
    int calc_dist_matrix(Haplo_DB& list, int const& method, double const& gamma,
                         DistMat& target, const char* where);
    // The distance matrix and the minimum spanning network, as the settings ask.
    void print_distance_matrix();
    // One AMOVA with its permutation tests, pairwise comparisons and Mantel test.
    int AMOVA(DistMat& matrix, Haplo_DB& list, Samples& samples, Structure& structure,
              TAlleleDB& alleles, amova_results* results);
    // The AMOVA of every polymorphic locus on its own, and their table.
    void LocusByLocusAMOVA(std::fstream* results);

    // --- Scan for loci under selection (summary/) ---
    void detectSelectedLociFromFSTHetComparison(bool hierarchical_island_model);
    // One simulated locus in the current samples (emptied by the caller): a
    // genealogy of the gene copies of `source` under a finite island model
    // of numDemes demes, or under g groups of d demes for the groups of
    // sourceStructure, mutations at rate theta/2 (sprinkle_mutations), one
    // population per source sample; the current structure's members then
    // point at the new samples made for them. The mutations placed, or -1
    // when no genealogy could be built or the samples could not be made.
    int simulateSample(const double& theta, const int& numSites, const Mut_Type& mutationType,
                       const double& gammaA, const double& gammaB, const double& gammaP,
                       const double& transitionProb, const int& bounded, const double& fst,
                       Samples* source, Structure* sourceStructure, int numDemes, bool genotypic);
    int simulateSample(const double& theta, const int& numSites, const Mut_Type& mutationType,
                       const double& gammaA, const double& gammaB, const double& gammaP,
                       const double& transitionProb, const int& bounded, const double& fst,
                       const double& fct, Samples* source, Structure* sourceStructure,
                       int demesPerGroup, int numGroups, bool genotypic);
    // meanHetWithinSamples of every locus of allele_db: the expected
    // heterozygosity of the structure's member samples, weighted by their
    // SampleSize (0.0 without any); a sample without a value at the locus
    // stays out. The first argument is not read.
    void computeMeanHeterozygosityOverSamplesInStructure(Samples const& samples,
                                                         Structure const& structure);

    // --- Frame of the result browser (result_frames.cpp) ---
    // The frameset page and the tree page, written afresh; the argument is not used.
    void New_print_html_frames_output(bool);
    // The header of a new results file on run_settings.results_stream.
    void New_print_html_results_header(bool xml);
    // The footer of the results file; the first argument is not used.
    void New_print_html_results_footer(bool, bool xml);
    // The older writers: frameset and tree page with full file links, the
    // HTML-only header and footer; the two tree-file headers write nothing.
    void print_html_frames_output();
    void print_html_results_header();
    void print_html_results_footer();
    void print_js_header();
    void New_print_js_header(bool);
};

// Reads the next token of the stream, lower-cased: 1 while the stream is
// still good, else 0.
int read_directive_my_string(std::ifstream& in, my_string& directive);
// The next integer of the stream, or -1 when none can be read.
int read_directive_value(std::ifstream& in);

#endif
