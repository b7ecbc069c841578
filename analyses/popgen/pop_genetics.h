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

#include <fstream>
#include <functional>

#include "core/bnummat.h"
#include "core/errors.h"
#include "core/pointer_arrays.h"
#include "core/rectmat.h"
#include "core/value_array.h"
#include "model/allele_db.h"
#include "model/haplo_def.h"
#include "model/population.h"
#include "simulation/ttree.h"

class TGenotSample;
struct LocusAlleleCounts;
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
    int* MismatchObsCounts;       // owned, 2 MaxPairDiff + 1 classes; null. Also mismatch_histogram
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
    // NumLoci, evaluated and kept once the sample has a haplotype record: the
    // loci of the first record's haplotype; 0 while there is none.
    int num_loci_cached();

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

    // ---- Stirling-number table ----
    // BMat holds the standard 200 x 80 table unless it counts as built
    // already: 1, or 0 (and _B_num_exist 0) when it cannot be built.
    int get_B_num_mat();
    // The growth rule of every consumer of BMat: a table without row n or
    // column k is rebuilt for n + 10 rows and k + 10 columns. 1 when the
    // table covers them; 0 when it cannot (more than 5000 rows or 1000
    // columns, or no memory): _B_num_exist is then 0, so that the next
    // get_B_num_mat rebuilds the standard table, and the caller skips the
    // computation.
    static int grow_B_num_mat(int n, int k);

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

    // The data type's part of the molecular-diversity section: its distance
    // matrix, its molecular diversity and their lines (nothing here).
    virtual void molecular_diversity_lines(DriverCall& call);

    // The checks of every data type (sample_checks.cpp): SampleSize made the
    // sum of the haplotype counts (WARNING 110 when a declared size differed)
    // and NumHaplotypes the number of records when it was 0 or, for
    // genotypes of known phase, when it differed (else code 111 of the given
    // kind, reported from where_111). 1 when nothing was reported.
    int check_sample_counts(const char* where, ErrorType kind_111, const char* where_111);
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

private:
    void copy_results(PopGenetics const& other);
    void copy_owned_arrays(PopGenetics const& other);
    void release_owned_arrays();
    int num_loci_of_first_haplotype() const;
    // The tables of calc_hapl_dat_hapl_freq; the first is false after ERROR 170.
    bool print_haplotype_frequencies(std::ostream& out);
    void print_allele_frequencies(std::ostream& out, settings const& s);
    // s.d. of a frequency p among SampleSize gene copies (divisor 1 up to 2 copies).
    double frequency_sd(double p) const;
    // The steps of the per-locus tables: the per-locus columns; the sizes of
    // one microsatellite locus; the table with its means, stored whether
    // printed or not.
    void fill_locus_tables(TPhenDB const* sample_individuals, bool microsat);
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
