// A population sample of standard multi-allelic data or of allele
// frequencies, the object that runs the analyses of its data type: its mean
// number of pairwise differences and its average gene diversity over loci.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_STANDARD_H
#define DROV_ANALYSES_DATATYPES_POPUL_STANDARD_H

#include "analyses/popgen/pop_genetics.h"

class PopulStandard : public PopGenetics {
public:
    double MeanGeneDiversity;     // average over loci
    double MeanGeneDiversitySD;
    // Mean number of pairwise differences and its s.d.; this class leaves
    // PopGenetics::MeanPairDiff unused.
    double PairDiffMean;
    double PairDiffMeanSD;

    PopulStandard();
    // A copy of the sample as read; every result starts at "not computed".
    explicit PopulStandard(Population const& sample);
    PopulStandard(PopulStandard const&) = delete;
    PopulStandard& operator=(PopulStandard const&) = delete;

    void test_methods(settings& run_settings) override;

    // The sections of the standard driver in the order they run.
    static const DriverPlan driver_plan;

    // The sample counts; per-locus polymorphism.
    int check_data() override;
    int evaluate_polymorphism(settings const& run_settings) override;
    // HaplDistMat: loci with different alleles (allele_distances.cpp).
    int compute_distance_matrix(std::fstream* out, settings* run_settings, int scaled) override;
    int compute_molecular_diversity(settings& run_settings);
    bool molecular_diversity_section(DriverCall& call) override;
    void molecular_diversity_lines(DriverCall& call) override;
    void theta_lines(DriverCall& call) override;
    bool standard_diversity_section(DriverCall& call) override;
    void sample_count_lines(DriverCall& call) override;
    void gen_div_line(DriverCall& call) override;
    // Tajima's and Fu's tests need sequences: a refusal under the title.
    bool tajima_section(DriverCall& call) override;
    bool fu_fs_section(DriverCall& call) override;
};

#endif
