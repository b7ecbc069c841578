// The sample object on which the population-genetic statistics work, and the
// base of the four data-type classes (DNA, RFLP, microsatellite, standard).
//
// A PopGenetics is a Population (the haplotypes or individuals as read) with
// the results of the analyses of the sample, the per-sample work structures
// (haplotype distances, mismatch histograms, per-locus missing data, the
// reference haplotype, the coalescent genealogy of the simulation tests, the
// Gibbs phase sampler) and the process-wide tables shared by all samples.
// Every statistic stores its result in the object, where the per-sample
// driver prints it and the summary tables over all samples read it later; a
// result that was not computed holds -1.0 (or 0.0 where the table below says
// so), an infinite theta(H) the largest finite float.
//
// The per-sample driver shared by the data types (driver_frame.h) runs one
// virtual section per TaskNumber bit; their least forms are in
// driver_sections.cpp, one function each, and a data type overrides a
// section where its output differs.
//
// Several members carry other names in the descriptions of the per-locus
// tables and the expansion fits; those names are given in the comments.
#ifndef DROV_ANALYSES_POPGEN_POP_GENETICS_H
#define DROV_ANALYSES_POPGEN_POP_GENETICS_H

#include <cstdint>
#include <fstream>
#include <functional>
#include <ostream>
#include <vector>

#include "core/bnummat.h"
#include "core/errors.h"
#include "core/pointer_arrays.h"
#include "core/rectmat.h"
#include "core/value_array.h"
#include "model/allele_db.h"
#include "model/haplo_def.h"
#include "model/population.h"
#include "simulation/ttree.h"

class Haplo_DB;
class TGenotSample;
struct LocusAlleleCounts;
class TriMat;
class DriverCall;
struct DriverPlan;

// One class of identical haplotypes (an allele of the infinite-allele tests).
// The last three fields also serve as accumulators of the Ewens-Watterson
// simulations.
class AHaplFreq {
public:
    double Freq;       // gene copies of the class, or a relative frequency when below 1.0
    double FreqSq;     // Freq squared
    double AbsFreq;
    double AbsFreqSD;

    explicit AHaplFreq(double freq = 0.0, double freq_sq = 0.0)
        : Freq(freq), FreqSq(freq_sq), AbsFreq(0.0), AbsFreqSD(0.0)
    {
    }

    // Sort order of the class lists (MY_TISArrayAsVector): decreasing Freq,
    // so "sorts before" means "is more frequent".
    bool operator<(AHaplFreq const& other) const { return Freq > other.Freq; }
};

using HaplotypeClasses = MY_TISArrayAsVector<AHaplFreq>;

// A simulated sample's number of segregating sites S, mean number of
// pairwise differences and number of distinct haplotypes k.
struct SimulatedStatistics {
    int segregating_sites = 0;
    double mean_pair_diff = 0.0;
    int haplotypes = 0;
};

// What the coefficient tables of the pairs of loci of a sample add up for
// the summary-statistics collector's means: |D'| and r2 of each pair, and
// the number of pairs that gave each (a pair whose value is undefined
// gives none).
struct LinkageSums {
    double dprime = 0.0;
    double r2 = 0.0;
    int dprime_pairs = 0;
    int r2_pairs = 0;
};
// The opening of a sample's batch line: the quoted project file and sample
// names, each followed by a tab.
void write_batch_prefix(std::ostream& out, my_string const& sample_name);

// How a data type names its haplotypes and polymorphic loci in the sample
// counts of the standard-diversity section, and whether its gen_div line
// holds the number of haplotypes before pooling.
struct SampleCountLabels {
    const char* haplotypes;
    const char* original;
    const char* polymorphic;
    bool original_in_batch;
};

// The classes that hold gene copies (the list keeps them before the empty
// ones): the alleles k of the infinite-allele tests.
int alleles_in_classes(HaplotypeClasses const& classes);

// A row of the expected-frequency table: mean and s.d. of the relative and
// of the absolute frequency.
std::ostream& operator<<(std::ostream& out, AHaplFreq const& a);
// The table of observed class frequencies of a sample of n gene copies.
void print_obs_hapl_freq(std::ostream& out, HaplotypeClasses const& classes, int n,
                         my_string name);

// The sudden- or spatial-expansion fit of a mismatch distribution: the three
// parameters, the SSD and raggedness with their P-values, then the 2.5%, 5%,
// 95% and 97.5% quantiles of each parameter.
struct ExpansionFit {
    double values[19];
};

class PopGenetics : public Population {
public:
    // ---- Results of the analyses (initial values as set by initialize) ----
    int NumPolymSites;           // polymorphic usable loci (segregating sites S); 0. Also num_polymorphic_loci
    double TajimaD;              // 0.0
    double TajimaDPValue;        // P(simulated D <= observed D); -1.0
    double FuFs;                 // 0.0
    double FuFsPValue;           // -1.0
    double SumSqHaplFreq;        // F, the sum of squared haplotype frequencies; 0.0
    double ThetaK;               // theta(k) and its confidence limits; -1.0
    double ThetaKLow;
    double ThetaKHigh;
    double ThetaS;               // theta(S) and its s.d.; -1.0
    double ThetaSSD;
    double ThetaHom;             // theta(H) from homozygosity and its s.d.; -1.0
    double ThetaHomSD;
    double ThetaPi;              // theta(pi) and its s.d.; -1.0
    double ThetaPiSD;
    int DoSlatkinExactTest;      // 1: the Ewens-Watterson test also computes Slatkin's exact P
    double Homozygosity;         // 1 - H; -1.0
    double GeneDiversity;        // H; -1.0
    double GeneDiversitySD;      // 0.0
    double SlatkinExactP;        // -1.0
    double EWObservedF;          // F of a list of haplotype classes; -1.0
    double EWExpectedF;          // -1.0
    double EWPValue;             // -1.0
    double ChakrabortyP;         // on the sample's own haplotypes; -1.0
    double EWObsConfigLogProb;   // ln P of the observed configuration under Ewens; 0.0

    // ---- Per-sample work structures ----
    HaploDef ArbitraryHaplotype;  // reference haplotype of DNA and RFLP samples
    double* LocusMissingFreq;     // owned, one per locus; null. Also locus_missing_freq
    double AllowedMissingLevel;   // copy of AllowedLevelOfMissingData; 0.0. Also allowed_missing_level
    int* LocusUsable;             // owned, one per locus; null. Also locus_usable
    int NumLocusEntries;          // entries of LocusMissingFreq and LocusUsable; 0 while null
    int NumUsableLoci;            // 0. Also num_usable_loci
    int NumLoci;                  // 0 while not known. Also nb_loci
    int MaxPairDiff;              // largest distance between two haplotypes; 0. Also max_pairwise_diff
    int NumMismatchClasses;       // mismatch classes kept; 0. Also last_expected_class
    // Owned; distances below the diagonal, s.d. above. Null until computed,
    // and again after a computation that failed or was stopped, so that no
    // statistic reads a partly filled matrix. Also haplotype_distances
    RectMat* HaplDistMat;
    TTree SimTree;                // genealogy of the current simulated replicate
    int NumSimMutations;          // mutations put on SimTree; 0
    double MeanPairDiff;          // mean number of pairwise differences and its s.d.; 0.0
    double MeanPairDiffSD;
    TGenotSample* GibbsSampler;   // owned; null until the first Gibbs phase inference

    // Mismatch distribution; 0 (0 degrees of freedom: no test)
    double MismatchObsMean;
    double MismatchObsVar;
    double MismatchTheta0;
    double MismatchTau;
    double MismatchRaggedness;
    double MismatchChi2;
    double MismatchChi2P;
    int MismatchChi2DF;
    // owned, 2 MaxPairDiff + 1 classes; null. Also mismatch_histogram. Counts of pairs of gene
    // copies: 50000 copies already make 1.25e9 pairs, so they are 64-bit.
    std::int64_t* MismatchObsCounts;
    double* MismatchExpCounts;    // owned, 2 MaxPairDiff + 1 classes; null

    // Per-locus tables, refilled by their writers (never reset by initialize)
    MY_TArrayAsVector<int> LocusGeneCopies;        // also locus_gene_copies
    MY_TArrayAsVector<int> LocusNumAlleles;        // also locus_num_alleles
    MY_TArrayAsVector<double> LocusObsHet;         // also locus_obs_het
    MY_TArrayAsVector<double> LocusExpHet;         // also locus_exp_het
    MY_TArrayAsVector<int> LocusAllelicRange;      // also locus_allelic_range
    MY_TArrayAsVector<double> LocusGWStat;         // also locus_gw_stat
    MY_TArrayAsVector<int> LocusMinAlleleSize;     // also locus_min_size
    MY_TArrayAsVector<int> LocusMaxAlleleSize;     // also locus_max_size
    MY_TArrayAsVector<double> LocusMeanAlleleSize; // also locus_mean_size
    // Means over loci with their s.d.; 0.0
    double MeanExpHet, MeanExpHetSD;               // also mean_exp_het, sd_exp_het
    double MeanAllelicRange, MeanAllelicRangeSD;   // also mean_allelic_range, sd_allelic_range
    double MeanGWStat, MeanGWStatSD;               // also mean_gw_stat, sd_gw_stat
    double MeanModGWIndex, MeanModGWIndexSD;
    double MeanNumAlleles, MeanNumAllelesSD;       // also mean_num_alleles, sd_num_alleles
    double MeanGeneCopies, MeanGeneCopiesSD;       // also mean_gene_copies, sd_gene_copies

    double ExpNumAlleles;         // expected number of alleles under a theta; 0.0
    // The expected numbers of alleles that Chakraborty's test and Fu's test
    // printed, kept apart for the summary tables; -1.0 when the test did not
    // compute one.
    double ChakrabortyExpNumAlleles, FuExpNumAlleles;
    double ChakrabortyPClasses;   // of the last Chakraborty test run; -1.0
    ExpansionFit DemogExpansionFit;    // Tau, Theta0, Theta1, ...; all 0.0
    ExpansionFit SpatialExpansionFit;  // Tau, Theta, M, ...; all 0.0
    int NumPrivateSubstSites;     // substitution sites private to the sample; 0

    // ---- Process-wide tables ----
    // Stirling-number table of theta(k), the infinite-allele tests and Fu's
    // Fs: empty at start, 200 x 80 after the first get_B_num_mat, grown by
    // its consumers, 5 x 5 after each analysis level.
    static BnumMat BMat;
    static int _B_num_exist;  // 1 while the table of get_B_num_mat counts as built
    // Allele counts over all samples for the summary tables.
    static TAlleleDB globalAllelicDB;
    // One flag per sequence column: a substitution was counted there in some
    // sample of the current level.
    static MY_TArrayAsVector<bool> globalSubstPolymSites;

    PopGenetics();
    // Copies the sample and every value member; owned arrays, matrix and
    // per-locus tables are duplicated, never shared; no genealogy or Gibbs
    // sampler is copied.
    PopGenetics(PopGenetics const& other);
    ~PopGenetics() override;
    // Copies the sample, the results and the owned arrays and matrix (see
    // pop_genetics.cpp for what stays the target's own).
    PopGenetics& operator=(PopGenetics const& other);

    // Resets the Population part and every result to its initial value. Frees
    // nothing: only for a freshly built object.
    void initialize();

    // ---- Virtual operations ----
    // A plain PopGenetics runs no analysis; each data type has its driver.
    void test_methods(settings& run_settings) override;
    // Shrinks BMat to 5 x 5, so that a large table does not outlive a level.
    void clean_bnum() override;
    int check_data() override;
    int compute_distance_matrix(std::fstream* out, settings* run_settings, int scaled) override;
    // The distance method and gamma shape a section computes its distance
    // matrix with, and the substitution weights of the settings: each data
    // type keeps those its distances use (nothing here).
    virtual void take_distance_settings(settings const& run_settings, int method, double gamma_a);
    // The settings under which a distance of 0 means identical haplotypes:
    // every difference counted once (nothing here).
    virtual void take_pooling_distance_settings();
    // Per-locus usable and polymorphic flags; 0 here, defined by every data type.
    virtual int evaluate_polymorphism(settings const& run_settings);
    // The reference haplotype of DNA and RFLP samples; 0 here, where it is never called.
    virtual int build_arbitrary_haplotype();

    // ---- Checks and polymorphism shared by the data types (sample_checks.cpp) ----
    // Polymorphic loci of genotypes of unknown phase, from the individuals'
    // alleles; 1.
    int compare_phenotypes();
    // Per locus of haplotypic allele data: missing-data share, usable and
    // polymorphic flags, and their counts; 0 (ERROR 108) for no haplotype.
    int compare_haplotypes();

    // ---- Haplotype and allele frequency tables (haplotype_tables.cpp) ----
    // The sample's haplotypes pooled by content (by id for frequency data)
    // with their frequencies and s.d., and with ComputeAllAllelesEM the
    // allele frequencies of every locus, on the results stream; they continue
    // the sample's line of allele_freqs.sum, which the driver begins, and
    // always end it. ERROR 170 when a table has no positive total.
    void calc_hapl_dat_hapl_freq(settings& s);
    // The haplotypes at distance exactly 0 (distances below the diagonal, in
    // the order of the haplotype list) pooled into classes of `classes`, each
    // joining the class of the first such earlier haplotype. 0 when the
    // matrix is smaller than the list (nothing added), or after ERROR 169
    // when the class counts do not add up to SampleSize; else 1.
    int check_hapl_freqs(RectMat const& distances, HaplotypeClasses& classes);
    // Merges every haplotype at distance exactly 0 from an earlier surviving
    // one into the first such (counts added); the survivors keep their order
    // and their number goes to num_haplotypes. 0, with nothing changed,
    // unless the smaller dimension of the matrix is the list's length.
    int check_hapl_redond(RectMat const& distances);

    // ---- Per-locus diversity tables (locus_tables.cpp) ----
    // Per locus of the first NumLoci: gene copies counted, distinct alleles,
    // observed (genotypic samples) and expected heterozygosity, and for
    // microsatellites the allele sizes, allelic range and Garza-Williamson
    // statistic, into the Locus* tables; their means and s.d. into the Mean*
    // fields; each allele's frequency into its pop_freq slot of the sample;
    // every gene copy into globalAllelicDB (a missing one with weight 0). A
    // gene copy is missing by the missing-data character, or for DNA an
    // ambiguity code. The table shows the polymorphic loci with their Mean
    // and s.d. rows. Nothing for frequency data.
    // Genotypic samples: the range or G-W flag adds the microsatellite
    // columns and the rules; without the print flag nothing is written.
    void OutputAllelelNumberAndHetPerLocusDipl(TPhenDB& sample_individuals, std::ostream& out,
                                               settings const& s, bool range, bool gw,
                                               bool print);
    // Haplotypic samples: the table is always written, with the microsatellite
    // columns for microsatellite data; the flags play no part.
    void OutputAllelelNumberAndHetPerLocusHapl(std::ostream& out, settings const& s, bool range,
                                               bool gw, bool print);
    // The per-locus columns of those tables (heterozygosities, allele and
    // gene-copy numbers; sizes when microsat), without writing the table: of
    // the individuals, or of the haplotype records when null.
    void fill_locus_tables(TPhenDB const* sample_individuals, bool microsat);
    // NumLoci, evaluated and kept once the sample has a haplotype record: the
    // loci of the first record's haplotype; 0 while there is none.
    int num_loci_cached();
    // False for a sample whose gene copies are too many to be analysed (see
    // sample_size_fits); says nothing.
    bool gene_copies_fit() const;

    // ---- Allele counts over samples and mean allele sizes (allele_counts.cpp) ----
    // The gene copies counted as by the per-locus tables into globalAllelicDB,
    // the sample's allele frequencies, LocusGeneCopies and LocusNumAlleles;
    // with ComputeMissDataFreq a missing gene copy counts as an allele. Nothing
    // for frequency data; nothing printed.
    void computeAlleFreqDipl(TPhenDB& sample_individuals, settings const& s);
    void computeAlleFreqHapl(settings const& s);
    // LocusMeanAlleleSize: per locus the mean size of the alleles that are not
    // missing data, 0.0 for a locus without any; returns the number of loci.
    int computeMeanAlleleSizes();

    // ---- The frame of every haplotype distance matrix (haplotype_distances.cpp):
    // a new n x n matrix for the n haplotypes, MaxPairDiff 0, "Beginning
    // distance computations" on the log after `indent` (null: no log
    // lines), then for each of the first `rows` rows compute_row(i), which
    // fills the cells (i, j < i) and their s.d. (j, i), followed by the
    // progress hook and the stop test. MaxPairDiff follows the distances. 1
    // on success; 0 when a row fails or gives a distance that is not a
    // finite number (ERROR 136 from where_failed), or a stop request ends
    // it: the matrix is then removed.
    using MatrixRow = std::function<bool(int row)>;
    int fill_distance_matrix(settings* run_settings, const char* indent, const char* where_failed,
                             int rows, MatrixRow const& compute_row);

    // ---- The haplotype distances in the results (haplotype_distance_output.cpp) ----
    // Sets num_haplotypes; with a stream, writes the matrix (PrintHaplDistMat),
    // the list of haplotypes and the minimum spanning network
    // (PrintMinSpannNetworkPop) of HaplDistMat, which must be computed.
    void print_out_dist_mat(std::fstream* out, settings& s);
    // HaplDistMat made the 0/1 matrix of conventional F-statistics (a 2 x 2
    // constant matrix for allele frequencies), written to `out` unless it
    // has failed: 1; 0 after ERROR 108 (no haplotype) or a stop request, the
    // previous matrix then kept.
    int compute_dist_mat_for_conventional_FST(std::ofstream& out, settings* s);

    // ---- Stirling-number table ----
    // BMat holds the standard 200 x 80 table unless it counts as built
    // already: 1, or 0 (and _B_num_exist 0) when it cannot be built.
    int get_B_num_mat();
    // The growth rule of every consumer of BMat: a table without row n or
    // column k is rebuilt for n + 10 rows and k + 10 columns. 1 when the
    // table covers them; 0 when it cannot (more than 5000 rows or 1000
    // columns, or no memory): the table is then empty and _B_num_exist 0, so
    // that the next get_B_num_mat rebuilds the standard table, and the caller
    // skips the computation.
    static int grow_B_num_mat(int n, int k);
    // Whether the table refuses n gene copies and k alleles because some
    // B(n, j), j <= k, is beyond the range of a double, not for its size.
    static bool refused_for_overflow(int n, int k);
    // Why the table cannot serve n gene copies and k alleles: Stirling
    // numbers beyond the range of a double, the size it never takes (5000
    // rows, 1000 columns), or the n + 10 rows and k + 10 columns that
    // grow_B_num_mat could not have. Continues a sentence.
    static void explain_table_refusal(std::ostream& out, int n, int k);

    // ---- Expansion fits of the mismatch distribution (expansion_fits.cpp) ----
    // The sudden- and the spatial-expansion fits of DNA and RFLP samples on
    // the observed histogram, with their reports to `out`: the fit's
    // parameters go to the mismatch batch line (theta0, tau, theta1; for
    // the spatial fit also M) and with its result block into
    // DemogExpansionFit or SpatialExpansionFit. The spatial fits are those
    // chosen by MismatchSpatialExpNumParams (2 both, 3 or 4 one, else none).
    // Result: the fit's error flag.
    int est_demog_mis(settings* run_settings, std::fstream& out);
    int est_spatial_mis(settings* run_settings, std::fstream& out);

    // ---- Simulated replicates on SimTree (simulated_samples.cpp) ----
    // Each builder first restarts the node serial numbers and the in-order
    // site counter and takes (int)SampleSize tips; SimTree must have been
    // allocated for them (TTree::allocate_tree), else the builder gives 0.
    // Mutations on the current genealogy (TTree::sprinkle_mutations):
    // NumSimMutations, 0 when the hit table had another size (WARNING 177).
    int& sprinkle_mutations(const double& rate, const int& numSites, const Mut_Type& model,
                            const double& gammaA, const double& b, const double& p,
                            const double& transition);
    // Kingman's coalescent, then the mutations: 1, or 0 without a genealogy.
    int simulate_sample(const double& rate, const int& numSites, const Mut_Type& model,
                        const double& gammaA, const double& b, const double& p,
                        const double& transition);
    // A sudden change of size by f, T ago, times in N generations; then the mutations.
    int simulate_sample_exp(const double& rate, const int& numSites, const Mut_Type& model,
                            const double& gammaA, const double& b, const double& p,
                            const double& transition, const double& T, const double& f,
                            const int& N);
    int build_tree_fast_one_pop(double T, double f, const int& N);
    // A range expansion T ago with emigration M, times in N generations; then the mutations.
    int simulate_range_exp(const double& rate, const int& numSites, const Mut_Type& model,
                           const double& gammaA, const double& b, const double& p,
                           const double& transition, const double& T, const double& M,
                           const int& N);
    int build_tree_fast_range_exp(double T, double M, const int& N);
    // Kingman's coalescent without mutations.
    int fast_build_tree();
    // This (fresh) sample becomes the tips of `tree`: one haplotype per
    // distinct sequence, named after its first tip (from 1), appended to
    // `haplotypes` and referenced with its count. Only the two-state and
    // nucleotide models are converted. 1; nothing changes when the tips
    // carry no sites.
    int read_simulated_sample(TTree& tree, Haplo_DB& haplotypes, const Mut_Type& model);
    // What the neutrality tests measure on the tips of a simulated sample,
    // equal to what read_simulated_sample, the site comparison, the distance
    // matrix by the number of differences and the molecular diversity give,
    // without building the sample. States 0..3 stand for A, G, C, T (the
    // two-state model's 0 and 1 differ by a transition); a kind of difference
    // counts with its weight when that is positive. All zero when the tips
    // carry no sites.
    SimulatedStatistics simulated_statistics(TTree& tree, double transition_weight,
                                             double transversion_weight) const;
    // simulate_sample (the same draws, hits and NumSimMutations), then what
    // simulated_statistics gives on its tips, in time growing with the tips
    // and the mutations rather than the sites, from the mutations that
    // TTree::sprinkle_mutations_at_hit_sites records: SimTree's tips are left
    // with their states at the hit sites, or as they were. All zero without
    // a genealogy or sites.
    SimulatedStatistics simulate_sample_statistics(const double& rate, const int& numSites,
                                                   const Mut_Type& model, const double& gammaA,
                                                   const double& b, const double& p,
                                                   const double& transition,
                                                   double transition_weight,
                                                   double transversion_weight);

    // ---- Homozygosity, gene diversity and theta(H) (gene_diversity.cpp) ----
    double& calc_F();
    double& calc_sample_homozygosity();
    double& calc_sample_sd_heterozygosity();
    double& calc_theta_Hom();
    double calc_theta_Hom(HaplotypeClasses const& classes);

    // ---- Gametic phase by the Gibbs sampler (analyses/haplotypes/gibbs_results.cpp) ----
    // Builds GibbsSampler from the exploded individuals, runs the chain and
    // writes the result section (none when GibbsNumSamples is 0); 0 when a
    // stop request ended it, else 1.
    int comp_gam_phase_Gibbs(settings& s);
    // The Gibbs step of the haplotype-frequency section: the inference when
    // the settings ask for it; false when a stop request ends the driver.
    bool gibbs_phase_step(DriverCall& call);
    // ---- Linkage disequilibrium of haplotypic data ----
    // Locus numbers are 0-based positions in the haplotypes. A dimension
    // array is {2, first locus, second locus}.
    //
    // The two-locus table (two_locus_table.cpp): contingency_table gets R + 2
    // rows of C + 2 gene-copy counts (allele i of the first locus, allele j of
    // the second, in the order first met; records with a missing allele at
    // either locus left out). 1 with dims {R, C, second locus}; 0 without a
    // table: dims[0] = dims[1] = 0 and monomorphic_locus 1 when a locus has
    // fewer than two alleles, or after ERROR 60 (a haplotype too short).
    int make_all_table(int* dims);
    // The exact test of every pair of polymorphic loci (ld_exact_test.cpp),
    // then the table of significant pairs, the histogram of linked loci and
    // the coefficient tables of every pair. A negative step count is taken
    // as 0 (no exact test) after a WARNING.
    void calc_all_gam_des(std::fstream& out, int steps, settings& s);
    // The chains (ld_markov_chain.cpp). One step on contingency_table: the
    // probability ratio of the tables after and before it (1.0 when it did
    // not move). The single chain (at most 100000 steps) and the batched
    // chain (more; the step count is rounded up to whole batches of 20000
    // and written back) leave P in ld_pvalue and its s.d. in
    // PrecisionOnPValueLD, and return P; a pair without a table is not
    // tested: P -1.0 with s.d. 0 and no step. After a stop request (-1000) or a failed
    // allocation (0.0) neither field is written.
    double swap_in_table(int* dims, long& seed);
    double calc_gam_des_prob2(int* dims, int& steps, settings& s, int& steps_done);
    double calc_gam_des_prob3(int* dims, int& steps, settings& s, int& steps_done);
    // The coefficient tables of one pair (ld_coefficients.cpp): counts,
    // expected counts and, with ComputeDvalues, D, D', r2, chi-square and
    // its P, the pair's "l_d_val.sum" line and the collector's lists; |D'|
    // and r2 of the pair go into `sums`. flank_first and flank_last are the
    // locus numbers of the collector's flanking pair. dims[0] and dims[1]
    // become 1 when no table could be built. 1, or 0 when out of memory.
    int calc_d_sd_values(int* dims, settings& s, LinkageSums& sums, int flank_first,
                         int flank_last);
    // The histogram of linked loci (linked_loci_histogram.cpp): per class
    // of minor-allele count, the number and percentage of loci linked to
    // each of the m listed loci at SignificanceLevelLD, on `out`, the LD file
    // and "link_dis.sum". A negative P marks a pair that was not tested.
    void print_ld_histo(int m, int* loci, TriMat& p_values, settings& s, std::fstream& out);
    // The minor-allele count (the second largest allele count) of each listed
    // locus; 0 for the loci left after an ERROR 60.
    void init_all_min_allele(int const& m, int* loci, int* min_counts);
    // ---- Haplotype frequencies of genotypes of unknown phase by EM
    // (analyses/haplotypes/em_analysis.cpp): the zipper or the conventional
    // EM over all loci, bootstrap s.d., genotype frequencies, the pairs of
    // loci and the allele frequencies of each locus, as the settings ask.
    // 1, or -1000 when a stop request ends it.
    int comp_gam_phase_EM(settings& s);
    // Flags in `selection` (taken over and released) the loci in linkage
    // disequilibrium at level alpha with more than `fraction` of the loci.
    void select_loci_in_LD(double alpha, double fraction, int* selection);
    // The haplotypes that hold gene copies: the alleles k of the
    // infinite-allele statistics.
    int alleles_in_sample() const;

    // ---- Theta estimators and Tajima's D (theta_estimators.cpp) ----
    // Each stores its result (and s.d.) in the members named after it; n is
    // the number of gene copies, S the number of segregating sites.
    double& theta_S(int const& n, int const& S);
    double& theta_pi(double const& pi);  // n is SampleSize
    // D of the observed sample; TajimaDPValue -1.0 when D is not defined.
    double& tajimaD(int const& n, double const& pi, double const& S);
    // D is defined from 4 gene copies (its variance term e2 is 0 for n = 2
    // and 3) and one segregating site on.
    static bool tajima_d_defined(int n, double S);
    // D of a simulated replicate, without the rounding rule of tajimaD.
    double& fast_tajimaD(int const& n, double const& pi, double const& S);
    // The expected number of alleles under theta, into ExpNumAlleles.
    double k_est(double const& theta, int const& n);
    // theta(k) and its 1 - alpha interval for k alleles among n gene copies,
    // 2 <= k < n (k < 2 gives 0, k >= n -1.0). BMat is grown as needed; the
    // interval needs n < 5000, k < 1000 and Stirling numbers of n and k
    // within the range of a double: `limits_computed` says whether it was
    // computed, else ThetaKLow and ThetaKHigh are -1.0.
    double& theta_k(int const& n, int const& k, double const& alpha, bool& limits_computed);
    // Ewens' P(K < k) and P(K = k) among n gene copies; BMat must cover row
    // n and the columns up to k. Not finite (NaN, or inf for P(K = k)) when
    // a Stirling number they use overflowed in the table.
    static long double proba_less_than_k(int const& k, int const& n, double const& theta);
    static double proba_exactly_k(int const& k, int const& n, double const& theta);

    // ---- Fu's Fs (fu_fs.cpp) ----
    // Fs of k alleles among SampleSize gene copies under theta: 1 when Fs is
    // finite; 0 with Fs +-FLT_MAX (no diversity, or a probability of 0 or
    // 1) or unchanged (over 4999 gene copies or 999 alleles, a table that
    // cannot grow, Stirling numbers beyond the range of a double). `report`
    // puts the warnings of the refusals on the log.
    int Fu_Fs(double const& theta, int const& k, double& Fs, bool report);

    // ---- Mismatch distribution (mismatch_distribution.cpp) ----
    // From HaplDistMat and MaxPairDiff: the observed and expected histograms
    // (2 MaxPairDiff + 1 classes), their moments, the raggedness, the
    // moments fit of a sudden expansion and its chi-square test. Pairs are
    // counted per haplotype. 1 when done or nothing to do (MaxPairDiff 0:
    // no histograms, all moments 0); 0 for an empty haplotype list or when
    // memory runs out.
    int compute_mm_distr();
    // The distance matrix of the mismatch section and the distribution;
    // false, after saying so in the results, when either fails.
    bool compute_mismatches(DriverCall& call, int scaled);
    // The rows of the histogram: the expected classes, or the observed ones.
    int mismatch_rows() const { return NumMismatchClasses >= 1 ? NumMismatchClasses : MaxPairDiff; }
    // "#Diff.", "Count", "Exp. Count" for classes 0 to `rows`; one row of
    // all pairs at 0 when there is no histogram.
    void print_mismatch_table(std::ostream& out, int rows) const;

    // ---- Ewens-Watterson test with Slatkin's exact test (ewens_watterson.cpp) ----
    // On classes of identical haplotypes (decreasing counts), k = the classes
    // holding gene copies, 2 <= k < n: NumIterationsNeutralityTests Ewens
    // samples given n and k; the report, the expected frequencies by rank and
    // the batch line, or the text of why the test is impossible.
    void EW_neutrality_tests(settings& s, std::ostream& out, HaplotypeClasses const& classes);
    // One Ewens sample for the k = accumulator.size() alleles: its sorted
    // counts (into `counts`) are added to the accumulator by rank; the two
    // counters grow when its sum of squared counts (n^2 F), or its
    // configuration statistic, is at most the observed one. Returns its F.
    // BMat must cover n and k.
    double compute_rand_frequencies_and_F(std::vector<AHaplFreq>& accumulator,
                                          double const& observed_sum_sq, double& F_count,
                                          std::vector<int>& counts, double& slatkin_count);
    // The table of mean frequencies by rank, with their s.d.
    void print_exp_freq(std::ostream& out, std::vector<AHaplFreq> const& accumulator);

    // ---- Chakraborty's amalgamation test (chakraborty.cpp) ----
    // P(k or more alleles) under Ewens' distribution for the theta of the
    // sample's homozygosity, 2 <= k < n: on the sample's own haplotypes
    // (k those holding gene copies; ChakrabortyP and ChakrabortyPClasses),
    // or on classes of haplotypes pooled at distance 0 (ChakrabortyPClasses).
    void Chakraborty_neutr_test(std::ostream& out);
    void Chakraborty_neutr_test(std::ostream& out, HaplotypeClasses const& classes);

    // ---- The per-sample driver (driver_frame.cpp, driver_sections.cpp) ----
    // One section per TaskNumber bit; a data type's plan gives their order.
    // Each returns false when a stop request ends the driver.
    virtual bool standard_diversity_section(DriverCall& call);     // 0x1
    virtual bool molecular_diversity_section(DriverCall& call);    // 0x2
    virtual bool mismatch_section(DriverCall& call);               // 0x4
    virtual bool haplotype_frequencies_section(DriverCall& call);  // 0x8
    virtual bool linkage_disequilibrium_section(DriverCall& call); // 0x10
    virtual bool hardy_weinberg_section(DriverCall& call);         // 0x20
    virtual bool pairwise_distances_section(DriverCall& call);     // 0x800
    virtual bool tajima_section(DriverCall& call);                 // 0x40
    virtual bool ewens_watterson_section(DriverCall& call);        // 0x80
    virtual bool chakraborty_section(DriverCall& call);            // 0x100
    virtual bool fu_fs_section(DriverCall& call);                  // 0x4000

protected:
    // The driver of a data type: the banner, the plan's sections in order,
    // and the preparation for the AMOVA permutations.
    void run_driver(settings& run_settings, DriverPlan const& plan);

    // Section 0x2 with its title before the one-time steps and without a
    // progress report, as RFLP, microsatellite and standard samples run it.
    bool title_first_molecular_diversity_section(DriverCall& call);
    // The data type's part of the molecular-diversity section: its distance
    // matrix, its molecular diversity and their lines (nothing here).
    virtual void molecular_diversity_lines(DriverCall& call);
    // The theta estimators of that section (theta_section.cpp), as each
    // data type prints them; here theta(H) alone.
    virtual void theta_lines(DriverCall& call);
    // The data type's part of the mismatch section (mismatch_section.cpp):
    // here the form of allele data, the histogram table with the moments
    // fit and its test. DNA and RFLP samples print the expansion fits.
    virtual void mismatch_lines(DriverCall& call);
    // The data type's sample counts in the standard-diversity section, before
    // the per-locus table, and its gen_div batch line (nothing here).
    virtual void sample_count_lines(DriverCall&) {}
    virtual void gen_div_line(DriverCall&) {}
    // Both as every data type writes them, with its own names for the
    // haplotypes and the polymorphic loci (analyses/datatypes/allele_data_sections.cpp).
    void sample_count_block(DriverCall& call, SampleCountLabels const& labels);
    void gen_div_block(DriverCall& call, SampleCountLabels const& labels);
    // Their mol_div batch line, with the two means of the sample.
    void allele_mol_div_line(double mean_pair_diff, double mean_gene_diversity);

    // The checks of every data type (sample_checks.cpp): SampleSize made the
    // sum of the haplotype counts (WARNING 110 when a declared size differed)
    // and NumHaplotypes the number of records when it was 0 or, for
    // genotypes of known phase, when it differed (else code 111 of the given
    // kind, reported from where_111). 1 when nothing was reported.
    int check_sample_counts(const char* where, ErrorType kind_111, const char* where_111);
    // Counts of gene copies are ints: a sample of more than 2147483647 copies
    // (declared, or the sum of its haplotype counts) is refused with ERROR
    // 179 from `where` and a console line naming it. True when it fits.
    bool sample_size_fits(const char* where) const;
    // check_data of DNA and RFLP samples: the sample counts, then a WARNING
    // `unequal_lengths` from where when the sequences differ in length.
    int check_sequences(const char* where, const char* where_111, int unequal_lengths);
    // The reference haplotype of DNA and RFLP samples, built once per object:
    // a copy of the first sequence whose every site, when the sample has two
    // haplotypes or more, takes state_at(site). 0 for no haplotype.
    int build_reference(std::function<char(int site)> const& state_at);
    // The character of haplotype j at a site; missing data beyond its end.
    char site_of(int j, int site) const;
    // evaluate_polymorphism of DNA and RFLP samples: for haplotypes the
    // reference haplotype, then compare_sites against it (0 when there is no
    // haplotype); compare_phenotypes for genotypes of unknown phase.
    int evaluate_sequence_polymorphism(settings const& run_settings,
                                       std::function<void()> const& compare_sites);
    // LocusMissingFreq, LocusUsable and PolymorphicLoci made anew for L
    // loci: no missing data, usable, not polymorphic.
    void renew_locus_arrays(int L);
    // After the gene copies carrying the missing-data character were counted
    // into LocusMissingFreq by site of the reference: their share, and the
    // usable sites. A site whose reference is missing data or the locus
    // separator is unusable, all missing; a separator is taken off `sites`.
    void settle_missing_data(const char* reference, int L, int& sites);
    // globalSubstPolymSites with at least L entries, the marks of the
    // earlier samples of the level kept.
    static MY_TArrayAsVector<bool>& substitution_marks(int L);
    // The polymorphism of microsatellite and standard samples.
    int evaluate_allele_polymorphism(settings const& run_settings);
    // True for haplotypic data, genotypes of known phase, or genotypes turned
    // into haplotypes: the samples whose haplotypes are compared.
    bool has_haplotypes() const;


    // Molecular diversity (molecular_diversity.cpp; Tajima 1983, Nei 1987):
    // the mean number of pairwise differences k and k per usable site or
    // locus pi, with their s.d., into the given fields, each distance of the
    // matrix multiplied by `factor`. The matrix is computed when absent. 0
    // after reporting no haplotype (ERROR 108 from where_empty) or no matrix
    // that could be computed (ERROR 136 from where_matrix); else 1, the
    // fields unchanged when the first haplotype is empty.
    int pairwise_diversity(settings& run_settings, const char* where_empty,
                           const char* where_matrix, double factor, double& k, double& k_sd,
                           double& pi, double& pi_sd);

    // The lines of the standard-diversity section on F and gene diversity,
    // and those of theta(H) in the theta block (same in every data type).
    void print_haplotype_level_block(std::ostream& out);
    void print_theta_Hom(std::ostream& out);

    // The Ewens-Watterson report and batch line.
    void write_EW_report(settings const& s, std::ostream& out, int k, double F_obs);
    // The shared steps of the two forms of Chakraborty's test.
    bool chakraborty_possible(std::ostream& out, int k);
    void chakraborty_batch_line(int k, double homozygosity, double P_exactly);
    // The steps of compute_mm_distr.
    void count_mismatches();
    void mismatch_moments();
    void expected_mismatches();
    void mismatch_goodness_of_fit();

private:
    // Linkage-disequilibrium helpers. An allele is missing when its name
    // begins with the missing-data character.
    bool missing_allele(TAllele const* a) const;
    // The distinct non-missing alleles of two loci in order of first
    // appearance; 0 when a haplotype lacks one of the loci.
    int two_locus_alleles(int first, int second, std::vector<TAllele const*>& rows,
                          std::vector<TAllele const*>& columns) const;
    std::vector<int> polymorphic_loci() const;
    // One chain step added to the log-ratio sum S, with ln_k the table of
    // ln k for k up to the table's total plus one; true when the table is
    // then no more probable than the observed one.
    bool ld_chain_step(int* dims, long& seed, long double& S, std::vector<double> const& ln_k);
    std::vector<double> ln_table_of_counts(int* dims) const;
    // The chain a step count asks for; P in ld_pvalue as the chains leave it.
    void ld_pair_chain(int* dims, int steps, settings& s, int& steps_done);
    void ld_exact_test_all_pairs(std::fstream& out, int steps, settings& s,
                                 std::vector<int> const& loci, TriMat& p_values);
    void ld_coefficients_all_pairs(std::fstream& out, settings& s, std::vector<int> const& loci);
    // The first fields of a line of "l_d_pro.sum" or "l_d_val.sum".
    void write_ld_batch_prefix(std::ostream& out, int first, int second) const;

    my_string const& haplotype_id(int k) const;
    bool differ_for_conventional_FST(int i, int j) const;
    void copy_results(PopGenetics const& other);
    void copy_owned_arrays(PopGenetics const& other);
    void release_owned_arrays();
    int num_loci_of_first_haplotype() const;
    // The tables of calc_hapl_dat_hapl_freq; the first is false after ERROR 170.
    bool print_haplotype_frequencies(std::ostream& out);
    void print_allele_frequencies(std::ostream& out, settings const& s);
    // s.d. of a frequency p among SampleSize gene copies (divisor 1 up to 2 copies).
    double frequency_sd(double p) const;
    // The steps of the per-locus tables: the sizes of one microsatellite
    // locus; the table with its means, stored whether printed or not.
    void add_allele_sizes(LocusAlleleCounts const& counts);
    void count_alleles(TPhenDB const* sample_individuals, bool missing_counts);
    // For each locus: the gene copies of the individuals (null: of the
    // haplotype records) counted into globalAllelicDB, the allele
    // frequencies, LocusNumAlleles and LocusGeneCopies; then use(l, counts).
    using LocusCountsUser = std::function<void(int l, LocusAlleleCounts const& counts)>;
    void count_loci(TPhenDB const* sample_individuals, bool missing_counts,
                    LocusCountsUser const& use);
    void write_locus_table(std::ostream& out, bool print, bool observed, bool microsat,
                           bool rules);
};

#endif
