// One population sample of a project.
//
// A sample holds either a list of haplotypes with their counts (haplotypic
// data) or a list of individuals with their two gene copies (genotypic data),
// its name, index and size in gene copies, and the working state that the
// analyses keep per sample. A sample is first read as a plain Population from
// its SampleData block and then copied into an object of its data-type class,
// which derives from Population and overrides the virtual operations.
//
// Haplotype records point at the definitions of the project's haplotype list
// (Haplo_DB), which owns them and outlives every sample; the allele database
// is the project's and is never owned by a sample either.
#ifndef DROV_MODEL_POPULATION_H
#define DROV_MODEL_POPULATION_H

#include <cstddef>
#include <fstream>
#include <istream>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/my_string.h"
#include "core/pointer_arrays.h"
#include "model/allele_db.h"
#include "model/haplo_db.h"
#include "model/haplo_def.h"
#include "model/phen_db.h"
#include "model/pop_haplo_db.h"
#include "project/profile_settings.h"

class settings;

// The definitions of a haplotype list by id (the first of each id), shared by
// the readers of the blocks of one project so that each block does not index
// the whole list again. Definitions appended to the list since its last use
// are indexed on the next; the list must not lose definitions meanwhile.
struct HaploIdIndex {
    std::unordered_map<std::string, HaploDef*> by_id;
    int indexed = 0;  // list positions already in by_id
};

// The records of a pooled sample by allele content, kept by operator+= from
// one added sample to the next so that pooling a group hashes each record
// once. Records appended since its last use are indexed on the next; when a
// record indexed earlier no longer points at the definition it was indexed
// with, the whole index is built anew. The definitions' allele vectors must
// not change meanwhile.
struct PoolingIndex {
    // Record positions by allele-content hash, in list order.
    std::unordered_map<std::size_t, std::vector<int>> positions;
    std::vector<HaploDef const*> indexed;  // definition of each indexed record
};

class DistMat;
class SquareDistances;

// The model of one EM fit of haplotype frequencies (analyses/haplotypes/em_kernel.cpp).
struct EMModel {
    const char* caller;          // the name under which failures are reported
    bool inbreeding;             // fit an inbreeding coefficient f
    bool f_by_likelihood_root;   // an estimated f is the root of its likelihood equation
    bool linkage_equilibrium;    // haplotype frequencies are products of allele frequencies
};

class Population {
public:
    // Owned, one flag per locus, filled by the data-type analyses; read
    // through is_locus_polymorphic, which is bounded by num_locus_flags.
    int* locus_polymorphic;
    int num_locus_flags;      // length of locus_polymorphic
    ProfileSettings profile;  // the project profile as this sample reads it
    my_string name;
    int sample_index;         // position of the sample in the project; -1 when not set
    MY_TIArrayAsVector<PHaploDef> haplotypes;  // owned records, in reading order
    MY_TIArrayAsVector<PHaploDef> geneCopies;  // owned, one record of count 1 per gene copy
    // The list the AMOVA reads: haplotypes, or geneCopies for genotypic data
    // (set by the Amova constructor); always one of this sample's own lists.
    MY_TIArrayAsVector<PHaploDef>* amovaList;
    TPhenDB individuals;      // genotypic data; empty for haplotypic data as read
    TAlleleDB* alleleDB;      // the project's allele database, not owned; null until attached
    TPopHaploDB estimated_haplotypes;  // haplotype frequencies estimated by the EM

    // Sums of squares of the AMOVA: within the sample, that sum divided by
    // SampleSize, and the within-individual sum of the designs with individuals.
    double ssdWithinSum;
    double ssdWithin;
    double ssdWithinIndiv;
    // AMOVA permutations: the count of each haplotype of the project list in
    // the sample, the indices of the haplotypes present, their number, and the
    // length of both arrays.
    double* permCounts;
    int* presentHaplos;
    int numPresentHaplos;
    int numMatrixHaplos;

    int num_haplotypes;       // records read: haplotype records, or two per individual
    int nbInitialHaplotypes;  // sequences before identical haplotypes were merged
    double SampleSize;        // in gene copies (twice the individuals for genotypic data)
    double inv_sample_size;   // 1 / SampleSize
    int ld_deg_freedom;       // of the last two-locus linkage test of genotypic data
    int HaplotypesFromGenotypes;  // 1 once the individuals were turned into haplotype records
    bool group_level_sample;  // set on the pooled samples of the group level
    double xCoord;            // location of the sample
    double yCoord;
    my_string locationLabel;  // written before the coordinates when they are rescaled
    int** contingency_table;  // of the current Hardy-Weinberg or linkage test, owned by that test
    int RecessiveAllelesEM;   // copy of the settings key, stored by the data-type drivers
    int monomorphic_locus;    // set by the table builders when the locus has at most one allele

    Population();
    Population(my_string const& sample_name, int const& index, ProfileSettings& sample_profile);
    explicit Population(my_string const& sample_name);
    // Always a plain Population, whatever the class of other.
    Population(Population const& other);
    virtual ~Population();

    // Copies the sample, its records (new records pointing at the same
    // definitions) and its individuals. Not copied: the gene-copy records, the
    // allele database, the permutation vectors and the converted flag.
    Population& operator=(Population const& other);

    // Resets name, index, sizes and flags, then empties the sample (clean).
    void initialize();
    // Empties the records, individuals, estimated haplotypes, permutation
    // vectors and polymorphism flags; name, index, profile and sizes stay.
    void clean();
    void DeletePermutationVectors();

    // Replaces the polymorphism flags by L zeroed ones (none when L <= 0) and
    // returns them; throws std::bad_alloc as new does.
    int* renew_polymorphism_flags(int L);
    // The flag of a locus; false without flags and for a locus beyond them.
    bool is_locus_polymorphic(int locus) const;

    // AMOVA permutation vectors (amova/amova_permutations.cpp): n zeroed
    // counts and n slots of present haplotypes; then the counts of the
    // sample's slice of the haplotype-index vector (SampleSize ids), the
    // previous slice's counts cleared first.
    void CreatePermutationVectors(int const& n);
    void SetUpVectorsAfterPermutation(int* ids);
    // From counts at 0: the counts of the slice and the present haplotypes,
    // in the order of their first copy (the order in which the sums add
    // them). An id outside 0 .. n-1 is not counted and is reported as MEMORY
    // error 1.
    void SetUpVectorOfExistingHaplotypes(int const* ids);
    // Sums of squared distances over pairs of gene copies (amova/amova_sums.cpp),
    // from the counts above: within the sample (kept in ssdWithinSum, and over
    // SampleSize in ssdWithin), and between this sample and another.
    // With a square copy of d whose rows cover the counts, the within sum
    // reads the copy (the same sum, faster).
    double* ComputeSSDWP(DistMat const& d, SquareDistances const* square = nullptr);
    double* SSDWP_div_freq(DistMat const& d, SquareDistances const* square = nullptr);
    double ComputeSSDAP(Population const* other, DistMat const& d) const;

    // The short form of the name used in per-sample file names: at most 6
    // leading characters, and for names of 9 or more characters up to 3
    // non-blank characters taken backwards from the end. Two samples of a run
    // that would share a short name are told apart by the sample index.
    my_string get_small_name() const;
    // Forgets the short names handed out; called at the start of each run.
    static void reset_small_names();

    // The per-sample analysis driver and the release of per-run tables of the
    // statistics: the base versions do nothing.
    virtual void test_methods(settings& run_settings);
    virtual void clean_bnum();
    // Defined by every data-type class; the base versions do nothing and give 0.
    virtual int check_data();
    virtual int compute_distance_matrix(std::fstream* out, settings* run_settings, int scaled);

    // Readers of one SampleData block (population_reader.cpp). The caller has
    // set name, index, profile and SampleSize; `in` starts after the
    // SampleData line (inline block, external 0) or at the start of the
    // external file (external 1, which needs no closing brace). line_number
    // is the number of the last line read and grows by one per line read;
    // `line` holds the last line read, cut at its comment and closing brace.
    // 1 on success, 0 after the failure was reported.
    int New_read_gametic_data(std::istream& in, Haplo_DB& haplotype_list, int external,
                              int& line_number, my_string& line);
    int New_read_genotypic_data(std::istream& in, int external, int& line_number,
                                my_string& line);

    // Readers of one SampleData block in the identifier syntax of older
    // project files (population_old_reader.cpp), taken character by character:
    // an inline block (external 0) from just after its '{' up to the '}' that
    // begins a record, which is left in the stream; an external file
    // (external 1) to its end. The caller has set name, index, profile and
    // SampleSize. 1 on success, 0 after the failure was reported. A caller
    // reading many blocks into one list passes one id index to all of them.
    int read_gametic_data(std::istream& ifs, Haplo_DB& haplotype_list, int external,
                          HaploIdIndex* ids = nullptr);
    int read_genotypic_data(std::istream& ifs, int external);

    // Allele vectors (population_alleles.cpp). build_allele_vectors gives
    // every individual two pseudo-haplotypes, entering each allele into the
    // allele database with half the individual's relative frequency (separator
    // 0: one character per locus); a haplotypic sample is left as it is;
    // returns 1. make_all_blanks enters the profile's RecessiveAllele as
    // allele 0 of every locus, once per allele database.
    int build_allele_vectors(char const& separator);
    void make_all_blanks(char const& separator);

    // Conversions and pooling (population_conversions.cpp). phen_to_gam turns
    // every gene copy into a definition of db (found by content or created as
    // "h<k>") and counts them in the haplotype records and, one record per
    // gene copy, in geneCopies. haplotype_transf makes the
    // records the whole list with its total counts. h_pop_db_to_gam turns the
    // estimated haplotypes into records of target (the sample's own records
    // when null); nothing changes when one of them lacks an allele (ERROR 160).
    // operator+= adds a sample to a pooled group sample.
    // convertAlleleStringsToHaplotypes makes a definition named after each
    // gene copy of every individual and discards it: the sample and the
    // project's list stay as they are.
    void phen_to_gam(Haplo_DB* db, ProfileSettings* project_profile, settings* run_settings);
    void haplotype_transf(Haplo_DB& db);
    void h_pop_db_to_gam(Haplo_DB* db, MY_TIArrayAsVector<PHaploDef>* target = nullptr);
    void operator+=(Population const& other);
    void convertAlleleStringsToHaplotypes();

    // Work estimate of a run (population_work.cpp): adds this sample's units
    // to settings::global_work_to_do and copies RecessiveAllelesEM; the
    // number of loci from the first record or the first gene copy.
    void evaluate_work(settings* run_settings);
    int evaluate_nb_loci();

    // Ends the C text at its first '#' and removes the blanks and tabs that end it.
    static void rm_blanks_at_end(char* text);

    // Haplotypes that are the same under different entries
    // (shared_haplotypes.cpp). print_out_redondant lists the pairs of this
    // sample's and other's haplotypes at distance exactly 0 in d (other may
    // be this sample: each pair once); returns 1. check_phaplodef_redond
    // merges the records pointing at the same definition, the first keeping
    // its place and taking the counts; 1, or 0 after a memory failure.
    int print_out_redondant(Population* other, std::fstream* out, DistMat const& d);
    int check_phaplodef_redond();

    // The sample's place in the result browser (population_anchor.cpp): the
    // anchor <run stamp>_<prefix><sample_index> in the results and a document
    // entry titled with the sample's name at `level` of the navigation tree.
    void print_population_anchor(int level, settings& run_settings, const char* prefix);

    // Hardy-Weinberg exact test of the individuals, locus by locus and on
    // whole gene copies (analyses/haplotypes/hardy_weinberg_*.cpp). A test's
    // dimensions are {1, locus from 0} or {1, -1} for whole gene copies;
    // make_hw_table puts the number of alleles of its table into dims[0] (0
    // when it made none). The chains return the P-value (1.0 when no test is
    // possible, -1000.0 after a stop request), leave it in hw_pvalue and its
    // s.d. in PrecisionOnPValueHW, and always free their table.
    void make_all_hw(std::fstream& out, TPhenDB const& sample_individuals, long const& steps,
                     settings& s);
    double make_hw_test1(TPhenDB const& sample_individuals, double& statistic, settings& s,
                         int* dims);
    double make_hw_test2(long const& steps, double& aux, settings& s, long& steps_done,
                         int* dims);
    double make_hw_test3(long const& steps, double& aux, settings& s, long& steps_done,
                         int* dims);
    int make_hw_table(int* dims);
    double swap_in_table2(int* dims, long& seed);
    // Frees rows 0 to dims[0] + 1 of contingency_table and the table itself.
    void clear_table(int* dims);
    void compute_locus_heterozygosity(int const& locus, double& observed, double& expected,
                                      int& genotypes);
    // Heterozygosity of individuals taken as two whole gene copies, written
    // on the results stream (analyses/haplotypes/phenotype_heterozygosity.cpp).
    void compute_phenotype_heterozygosity(settings& s, TPhenDB const& sample_individuals);

    // Haplotype frequencies of individuals of unknown phase by
    // expectation-maximisation (analyses/haplotypes/em_kernel.cpp): the best
    // of `starts` random starts, each of at most `iterations` iterations. The
    // table must be empty on entry; it receives the haplotypes of every
    // genotype and the best start's frequencies. inbreeding non-zero fits an
    // inbreeding coefficient f: f 0.0 on entry asks for it to be estimated
    // (written back), any other value fixes it. With `given` the genotypes
    // are restricted to those haplotypes (cut down to the loci of
    // given_mask). Returns the best log-likelihood; -1000.0 after a stop
    // request; MIN_LN_LIKELIHOOD, with 0 maxima, when it cannot run.
    double calc_ML_hapl_freq_hill95_LD(TPhenDB& sample_individuals, TPopHaploDB& table,
                                       settings& s, int& num_maxima, int const& inbreeding,
                                       double& inbreeding_coeff, TPopHaploDB* given,
                                       int* given_mask, int const& compaction,
                                       int const& starts, int const& iterations,
                                       double const& epsilon);
    // Variants of the kernel (analyses/haplotypes/em_kernel_variants.cpp),
    // with its arguments, starts, iterations and results. _LE holds the
    // frequencies at linkage equilibrium: each haplotype's is the product of
    // its alleles' estimated frequencies (left in the alleles' exp_freq).
    // The _HWD_ pair estimates f as the root of its likelihood equation,
    // negative for an excess of heterozygotes, and has no given haplotypes.
    double calc_ML_hapl_freq_hill95_LE(TPhenDB& sample_individuals, TPopHaploDB& table,
                                       settings& s, int& num_maxima, int const& inbreeding,
                                       double& inbreeding_coeff, TPopHaploDB* given,
                                       int* given_mask, int const& compaction,
                                       int const& starts, int const& iterations,
                                       double const& epsilon);
    double calc_ML_hapl_freq_HWD_LD(TPhenDB& sample_individuals, TPopHaploDB& table,
                                    settings& s, int& num_maxima, int const& inbreeding,
                                    double& inbreeding_coeff, int const& compaction,
                                    int const& starts, int const& iterations,
                                    double const& epsilon);
    double calc_ML_hapl_freq_HWD_LE(TPhenDB& sample_individuals, TPopHaploDB& table,
                                    settings& s, int& num_maxima, int const& inbreeding,
                                    double& inbreeding_coeff, int const& compaction,
                                    int const& starts, int const& iterations,
                                    double const& epsilon);
    // The older kernel without inbreeding, on the individuals' own E and M
    // steps; it converges on the settings' EpsilonValue (its epsilon is not
    // read), and a start after one that ended below the best runs at most
    // 202 iterations.
    double calc_ML_hapl_freq(TPhenDB& sample_individuals, TPopHaploDB& table, settings& s,
                             int& num_maxima, int const& compaction, int const& starts,
                             int const& iterations, double const& epsilon);
    // Parametric-bootstrap standard deviations of the estimate in table
    // (NumInitCondBootstrapEM starts per replicate; `starts` is not read).
    void calc_sd_hapl_freq(TPhenDB& sample_individuals, TPopHaploDB& table, settings& s,
                           int const& starts, int const& replicates, int const& iterations,
                           double const& epsilon);
    // EM estimates of every pair of loci, of every locus, and of the loci
    // loci[1..loci[0]] (from 0), each written with its bootstrap s.d.
    // (analyses/haplotypes/em_subsets.cpp).
    void calc_all_pairs(std::fstream& out, TPhenDB const& sample_individuals, settings& s,
                        int const& starts, int const& replicates, int const& iterations,
                        double const& epsilon);
    void calc_all_sites(std::fstream& out, TPhenDB const& sample_individuals, settings& s,
                        int const& starts, int const& replicates, int const& iterations,
                        double const& epsilon);
    void calc_subset_hapl_freq(std::fstream& out, int const* loci,
                               TPhenDB const& sample_individuals, settings& s,
                               int const& starts, int const& replicates, int const& iterations,
                               double const& epsilon);

    // Likelihood-ratio test of linkage disequilibrium for every pair of loci
    // of individuals of unknown phase (analyses/haplotypes/ld_genotypic*.cpp).
    // The pair tests take the locus list {2, j, i}; they leave P in
    // ld_pvalue and its s.d. in PrecisionOnPValueLD, and return P (1.0 for
    // a pair not tested, -1000.0 after a stop request, 0.0 after an error).
    void calc_all_link_dis(std::fstream& out, TPhenDB const& sample_individuals, settings& s,
                           int const& starts, long const& permutations,
                           int const& iterations, double const& epsilon);
    double calc_link_dis_prob(int* loci, TPhenDB const& sample_individuals, settings& s,
                              long& draws_done, double& chi2, double& ln_ld, double& ln_le,
                              int const& starts, long const& permutations,
                              int const& iterations, double const& epsilon);
    double calc_link_dis_recess(int* loci, TPhenDB const& sample_individuals, settings& s,
                                long& draws_done, double& chi2, double& ln_ld, double& ln_le,
                                int const& starts, long const& permutations,
                                int const& iterations, double const& epsilon);
    // The test of every pair with an inbreeding coefficient
    // (analyses/haplotypes/ld_inbreeding.cpp): the LD fit by the kernel,
    // the LE fit by its _LE variant, both with f when the model is on. The
    // EM parameters and N are the defaults of the parameter file
    // "HapFreqPar.txt" of the working directory. Writes the pair lines and
    // one line per pair tested to l_d_proIBD.sum.
    void calc_all_link_dis_fast(std::fstream& out, TPhenDB const& sample_individuals,
                                settings& s, int const& starts, long const& permutations,
                                int const& iterations, double const& epsilon);
    // le_switch non-zero: the LE fit uses the f of the LD fit, else 0.0.
    double calc_link_dis_prob_fast(int* loci, TPhenDB const& sample_individuals, settings& s,
                                   long& draws_done, double& chi2, int const& inbreeding,
                                   double const& le_switch, int const& compaction,
                                   int const& starts, long const& permutations,
                                   int const& iterations, double const& epsilon);
    // Each allele's count := its relative frequency in this sample.
    void update_allele_freq();
    // Appends the sample's block of linked-loci counts to the LD histogram file.
    void make_xl_file(char const* path, int num_loci, int const* linked_counts);
    // The P-value matrix of all pairs and the linked-loci counts, without
    // output; selected[k] := 1 for a locus linked to more than `fraction`
    // of the loci at level alpha.
    void calc_all_pairwise_LDs(TPhenDB const& sample_individuals, settings& s, int* selected,
                               double const& alpha, double const& fraction, int const& starts,
                               long const& permutations, int const& iterations,
                               double const& epsilon);
    // One chain of `permutations` draws on the pooled individuals; no s.d.
    double calc_pairwise_LD(int* loci, TPhenDB const& sample_individuals, settings& s,
                            long& draws_done, double& chi2, double& ln_ld, double& ln_le,
                            int const& starts, long const& permutations,
                            int const& iterations, double const& epsilon);

private:
    PoolingIndex pooling_index_;  // used by operator+= only; never copied

    // The kernel and its variants: checks, genotype lists, compaction, then
    // the random starts of the model.
    double fit_haplotype_frequencies(EMModel const& model, TPhenDB& sample_individuals,
                                     TPopHaploDB& table, settings& s, int& num_maxima,
                                     double& inbreeding_coeff, TPopHaploDB* given,
                                     int* given_mask, int const& compaction, int const& starts,
                                     int const& iterations, double const& epsilon);

    void reset_scalars();
    void copy_polymorphism_flags(Population const& other);
    int finish_block(int external, bool closed, double sum, double rel_sum, bool genotypic);
    void check_block_sums(const char* where, double sum, double rel_sum, bool genotypic);
};

// What the two per-individual builders of build_allele_vectors share.
struct AlleleVectorContext {
    TAlleleDB* alleles;
    char separator;  // 0: one character per locus
};
// Builders of an individual's two pseudo-haplotypes: one character per locus
// (0), or the non-empty words between separators (1).
void build_pseudo_hapl0(TPhenotype& individual, AlleleVectorContext const& context);
void build_pseudo_hapl1(TPhenotype& individual, AlleleVectorContext const& context);

// out := in with every run of sep characters reduced to one.
void rm_mult_delim(my_string const& in, my_string& out, char sep);

// Writes the sample's SampleName, SampleSize and SampleData lines, in the form
// the block readers read back.
std::ostream& operator<<(std::ostream& os, Population const& sample);

#endif
