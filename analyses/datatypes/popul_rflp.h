// A population sample of RFLP haplotypes (strings of site states 0 and 1),
// the object that runs the analyses of its data type: the site and indel
// counts of its site comparison, the per-site flags against its reference
// haplotype, the settings and scratch values of the pairwise distances, and
// its average gene diversity over loci.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_RFLP_H
#define DROV_ANALYSES_DATATYPES_POPUL_RFLP_H

#include "analyses/datatypes/site_pairs.h"
#include "analyses/popgen/pop_genetics.h"

class PopulRFLP : public PopGenetics {
public:
    // A distance between two site strings, from the counts of their sites:
    // class 1 of SitePairCounts holds the differences that count. Sets
    // PairDistance and PairDistanceVar; 0 when the sample has no usable site.
    using DistanceFunctionType = int (PopulRFLP::*)(SitePairCounts const& c);

    double MeanGeneDiversity;     // average over loci
    double MeanGeneDiversitySD;
    double DeletionWeight;        // > 0: indels count; copy of the settings key
    int NumSites;
    int NumIndels;
    int NumIndelSites;
    int NumSubstitutionSites;     // sites with a change of state: the segregating sites
    // Owned, one entry per column of the reference haplotype; null until the
    // first site comparison.
    int* SiteSubstitutions;
    int* SiteIndels;
    // Scratch values of the pairwise distance loops: the last pair compared.
    int PairDifferences;
    int PairSites;
    double PairDistance;
    double PairDistanceVar;
    int DistanceMethod;           // copied from the settings by the driver
    DistanceFunctionType DistanceFunction;  // chosen by compute_distance_matrix

    PopulRFLP();
    // A copy of the sample as read; every result starts at "not computed".
    explicit PopulRFLP(Population const& sample);
    PopulRFLP(PopulRFLP const&) = delete;
    PopulRFLP& operator=(PopulRFLP const&) = delete;
    ~PopulRFLP() override;

    // Resets the results and the own members; only while constructing.
    void initialize_RFLP();

    void test_methods(settings& run_settings) override;

    // The sections of the RFLP driver in the order they run.
    static const DriverPlan driver_plan;

    // ---- Checks and site comparison (rflp_site_comparison.cpp) ----
    // The sample counts, and WARNING 139 for haplotypes of unequal lengths.
    int check_data() override;
    int evaluate_polymorphism(settings const& run_settings) override;
    // The reference: per site the first state that is not missing data.
    int build_arbitrary_haplotype() override;
    int compare_RFLP_haplotypes();

    // ---- Distances (allele_distances.cpp) ----
    // HaplDistMat with DistanceMethod (1: proportion of differing sites,
    // else their number) and DeletionWeight; `scaled` as for DNA.
    int compute_distance_matrix(std::fstream* out, settings* run_settings, int scaled) override;
    // True when DistanceMethod chooses the proportion of differing sites (1).
    bool per_site_distances() const { return DistanceMethod == 1; }
    SitePairCounts count_site_classes(const char* s1, const char* s2) const;
    // The method and DeletionWeight; RFLP distances have no gamma form.
    void take_distance_settings(settings const& run_settings, int method, double gamma_a) override;
    void take_pooling_distance_settings() override;
    int p_diff(SitePairCounts const& c);
    int diff_no_weight(SitePairCounts const& c);

    // ---- Molecular diversity (molecular_diversity.cpp) ----
    int compute_molecular_diversity(settings& run_settings);
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
};

#endif
