// A population sample of microsatellite data, the object that runs the
// analyses of its data type: its distance between allele sizes and its
// average gene diversity over loci.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_MICROSAT_H
#define DROV_ANALYSES_DATATYPES_POPUL_MICROSAT_H

#include "analyses/popgen/pop_genetics.h"

class PopulMicrosat : public PopGenetics {
public:
    double MeanGeneDiversity;     // average over loci
    double MeanGeneDiversitySD;
    // 0: number of loci with different alleles; any other value: sum of
    // squared size differences. Set by the driver before each use.
    int DistanceMethod;

    PopulMicrosat();
    // A copy of the sample as read; every result starts at "not computed".
    explicit PopulMicrosat(Population const& sample);
    PopulMicrosat(PopulMicrosat const&) = delete;
    PopulMicrosat& operator=(PopulMicrosat const&) = delete;

    void test_methods(settings& run_settings) override;

    // The sections of the microsatellite driver in the order they run.
    static const DriverPlan driver_plan;

    // The sample counts (code 111 as an ERROR); per-locus polymorphism.
    int check_data() override;
    int evaluate_polymorphism(settings const& run_settings) override;
    // The method alone.
    void take_distance_settings(settings const& run_settings, int method, double gamma_a) override;
    // HaplDistMat by allele sizes (allele_distances.cpp); `scaled` is not used.
    int compute_distance_matrix(std::fstream* out, settings* run_settings, int scaled) override;
    int compute_molecular_diversity(settings& run_settings);
    bool molecular_diversity_section(DriverCall& call) override;
    void molecular_diversity_lines(DriverCall& call) override;
    void theta_lines(DriverCall& call) override;
    void sample_count_lines(DriverCall& call) override;
    void gen_div_line(DriverCall& call) override;
    // Tajima's and Fu's tests need sequences: a refusal under the title.
    bool tajima_section(DriverCall& call) override;
    bool fu_fs_section(DriverCall& call) override;

private:
    // An allele name that is no finite number has been reported for this sample.
    bool reported_non_numeric_allele_ = false;
};

// The size of a microsatellite allele, read from its name: NaN for no
// allele, for the size -99999 with which missing alleles were once coded,
// and for a name that is no finite number, which also sets *not_numeric.
double microsat_allele_size(TAllele const* allele, bool* not_numeric = nullptr);

#endif
