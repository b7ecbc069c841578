// A population sample of DNA sequences, the object that runs the analyses of
// its data type: the substitution weights and counts of its site comparison,
// the per-site flags against its reference haplotype, the settings and
// scratch values of the pairwise distances, and its nucleotide diversity.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_DNA_H
#define DROV_ANALYSES_DATATYPES_POPUL_DNA_H

#include "analyses/datatypes/site_pairs.h"
#include "analyses/popgen/pop_genetics.h"
#include "core/my_string.h"
#include "core/value_array.h"

class PopulDNA : public PopGenetics {
public:
    // A distance between two aligned sequences, from the counts of their
    // site classes: sets PairDistance and PairDistanceVar; 0 when undefined.
    using DistanceFunctionType = int (PopulDNA::*)(SitePairCounts const& c);

    // Classes of differing sites of two sequences (the site_pairs.h classes
    // of the DNA distances): the six pairs of two of A, C, G, T; the other
    // transversions (with an ambiguity code); indels; differences of
    // undetermined type; other differing pairs, without and with the
    // missing-data character or a gap.
    enum PairClass {
        AG, CT, AC, AT, CG, GT, AMBIGUOUS_TRANSVERSION, INDEL, EITHER_KIND, OTHER,
        OTHER_MISSING_OR_GAP
    };

    double NucleotideDiversity;    // average over loci
    double NucleotideDiversitySD;
    double DeletionWeight;         // > 0: indels count; copy of the settings key
    double TransitionWeight;
    double TransversionWeight;     // copy of the settings key TranversionWeight
    int NumTransitions;
    int NumTransversions;
    int NumSubstitutions;
    int NumIndels;
    int NumTransitionSites;
    int NumTransversionSites;
    int NumSubstitutionSites;
    int NumIndelSites;
    int NumNucleotideSites;
    MY_TArrayAsVector<char> IUPACCodes;  // R, Y, M, K, S, W, H, B, V, D, N
    double** PairNuclFreq;         // owned 4 x 4, rows and columns C, T, A, G (Tajima-Nei)
    double* NuclFreq;              // owned, C, T, A, G
    // Scratch values of the pairwise distance loops: the last pair compared.
    int PairTransitions;
    int PairTransversions;
    int PairSites;
    int PairDifferences;
    double PairDistance;
    double PairDistanceVar;
    double GCContent;              // frequency of C plus frequency of G
    double GammaA;                 // gamma shape of the distances; 0: none
    DistanceFunctionType DistanceFunction;  // chosen by DistanceMethod
    int DistanceMethod;            // 0 to 6
    // Owned, one entry per column of the reference haplotype; null until the
    // first site comparison.
    int* SiteTransitions;
    int* SiteTransversions;        // 2: two different transversion partners seen
    int* SiteIndels;
    int* SiteAmbiguities;          // a substitution of undetermined type

    PopulDNA();
    // A copy of the sample as read; every result starts at "not computed".
    explicit PopulDNA(Population const& sample);
    PopulDNA(PopulDNA const&) = delete;
    PopulDNA& operator=(PopulDNA const&) = delete;
    ~PopulDNA() override;

    // Resets the results and the own members; only while constructing (a
    // second call would append the ambiguity codes again).
    void initialize_DNA();

    // True when the text is exactly one upper-case IUPAC ambiguity code
    // (B, D, H, K, M, N, R, S, V, W, Y).
    static bool isAmbiguous(my_string const& text);

    void test_methods(settings& run_settings) override;

    // The sections of the DNA driver in the order they run.
    static const DriverPlan driver_plan;

    // ---- Site comparison and polymorphism (dna_site_comparison.cpp) ----
    // The sample counts, and WARNING 161 for sequences of unequal lengths; 1
    // when nothing was reported.
    int check_data() override;
    // 0 when no reference can be built (no haplotype), else 1.
    int evaluate_polymorphism(settings const& run_settings) override;
    // The reference sequence, built once per object; 0 for no haplotype.
    int build_arbitrary_haplotype() override;
    // Every haplotype against the reference: the per-site flags, missing
    // data, usable and polymorphic sites and the counters; 0 without reference.
    int compare_DNA_sequences();
    // 0 no certain difference, 1 transition, 2 transversion, 3 indel, 4
    // substitution of undetermined type; symmetric.
    static int compare_nucleotides(char const& first, char const& second);

    // ---- Distances (dna_distances.cpp) ----
    // HaplDistMat with DistanceMethod, GammaA and the weights; with `scaled`
    // and a distance per site the values are per sequence (times
    // NumUsableLoci). out is not written. 1, or 0 on failure or a stop request.
    int compute_distance_matrix(std::fstream* out, settings* run_settings, int scaled) override;
    // True when DistanceMethod chooses a distance per site (codes 1 to 6);
    // any other code counts differences per sequence.
    bool per_site_distances() const { return DistanceMethod >= 1 && DistanceMethod <= 6; }
    // The site classes of two sequences over the usable sites.
    SitePairCounts count_site_classes(const char* s1, const char* s2) const;
    int diff_dist(SitePairCounts const& c);
    int p_dist(SitePairCounts const& c);
    int jk_dist(SitePairCounts const& c);
    int kim2p_dist(SitePairCounts const& c);
    int tajnei_dist(SitePairCounts const& c);
    int tamura_dist(SitePairCounts const& c);
    int tamnei_dist(SitePairCounts const& c);
    // NuclFreq and GCContent, once per object; 0 for no haplotype.
    int comp_nucl_freq();

    // ---- Molecular diversity (molecular_diversity.cpp) ----
    int compute_molecular_diversity(settings& run_settings);

    // The name of a distance method in the results (`unknown` for a code
    // outside 0-6) and its code in the batch lines ("#Diff\t" for those).
    static const char* distance_name(int method, const char* unknown);
    static const char* distance_batch_code(int method);

    // The distance settings of a section: the three weights, and the
    // method and gamma shape.
    void take_weights(settings const& run_settings);
    void take_distance_settings(settings const& run_settings, int method, double gamma_a) override;
    void take_pooling_distance_settings() override;

    // The sections that take the settings of the sample's distances before
    // the shared frame runs them, and the DNA lines of section 0x2.
    bool standard_diversity_section(DriverCall& call) override;
    bool molecular_diversity_section(DriverCall& call) override;
    void molecular_diversity_lines(DriverCall& call) override;
    void mismatch_lines(DriverCall& call) override;
    void theta_lines(DriverCall& call) override;
    // The sample counts of section 0x1 and its gen_div line (allele_data_sections.cpp).
    void sample_count_lines(DriverCall& call) override;
    void gen_div_line(DriverCall& call) override;
    // Tajima's and Fu's neutrality tests with their coalescent P-values (coalescent_tests.cpp).
    bool tajima_section(DriverCall& call) override;
    bool fu_fs_section(DriverCall& call) override;

private:
    void free_nucleotide_tables();
    bool is_ambiguity_code(char c) const;  // one of IUPACCodes
    // The sites of the reference where some haplotype differs: the first
    // step of compare_DNA_sequences; false when memory ran out.
    bool flag_sites(int L);
    void count_polymorphic_sites(int L);
    DistanceFunctionType distance_function() const;
    // The substitutions of Kimura's and Tamura's distances over L compared
    // sites, and their shares P and Q; false, with distance 0, for no site.
    bool substitution_shares(SitePairCounts const& c, int L, double& P, double& Q);
    int fail_tamura_nei();
};

#endif
