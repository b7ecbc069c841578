// A population sample of RFLP haplotypes (strings of site states 0 and 1),
// the object that runs the analyses of its data type: the site and indel
// counts of its site comparison, the per-site flags against its reference
// haplotype, the settings and scratch values of the pairwise distances, and
// its average gene diversity over loci.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_RFLP_H
#define DROV_ANALYSES_DATATYPES_POPUL_RFLP_H

#include "analyses/popgen/pop_genetics.h"

class PopulRFLP : public PopGenetics {
public:
    // A distance between two site strings.
    using DistanceFunctionType = double (PopulRFLP::*)(const char* s1, const char* s2);

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
};

#endif
