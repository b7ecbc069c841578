// A population sample of DNA sequences, the object that runs the analyses of
// its data type: the substitution weights and counts of its site comparison,
// the per-site flags against its reference haplotype, the settings and
// scratch values of the pairwise distances, and its nucleotide diversity.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_DNA_H
#define DROV_ANALYSES_DATATYPES_POPUL_DNA_H

#include "analyses/popgen/pop_genetics.h"
#include "core/my_string.h"
#include "core/value_array.h"

class PopulDNA : public PopGenetics {
public:
    // A distance between two aligned sequences.
    using DistanceFunctionType = double (PopulDNA::*)(const char* s1, const char* s2);

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

private:
    void free_nucleotide_tables();
};

#endif
