// The DNA sample object: its own members, construction and the order of the
// sections of its driver.

#include "analyses/datatypes/popul_dna.h"

#include <cstring>
#include <memory>

#include "analyses/popgen/driver_frame.h"
#include "app/settings.h"

const DriverPlan PopulDNA::driver_plan =
    sequence_data_plan("PopulDNA::test_methods()", "Ewens-Watterson tests cannot be computed \n");

namespace {

// The 4 x 4 table of nucleotide pairs; nothing is left allocated when a row
// cannot be had.
double** new_pair_table()
{
    std::unique_ptr<double*[]> rows(new double*[4]());
    try {
        for (int i = 0; i < 4; ++i)
            rows[i] = new double[4];
    } catch (...) {
        for (int i = 0; i < 4; ++i)
            delete[] rows[i];
        throw;
    }
    return rows.release();
}

}  // namespace

PopulDNA::PopulDNA() : PopGenetics(), IUPACCodes(10, 10), PairNuclFreq(nullptr), NuclFreq(nullptr)
{
    initialize_DNA();
}

PopulDNA::PopulDNA(Population const& sample) : PopulDNA()
{
    Population::operator=(sample);
}

PopulDNA::~PopulDNA()
{
    delete[] SiteTransitions;
    delete[] SiteTransversions;
    delete[] SiteIndels;
    delete[] SiteAmbiguities;
    free_nucleotide_tables();
}

void PopulDNA::free_nucleotide_tables()
{
    delete[] NuclFreq;
    NuclFreq = nullptr;
    if (PairNuclFreq) {
        for (int i = 0; i < 4; ++i)
            delete[] PairNuclFreq[i];
        delete[] PairNuclFreq;
        PairNuclFreq = nullptr;
    }
}

void PopulDNA::initialize_DNA()
{
    PopGenetics::initialize();
    MeanPairDiff = MeanPairDiffSD = 0.0;
    NucleotideDiversity = NucleotideDiversitySD = 0.0;
    DeletionWeight = TransitionWeight = TransversionWeight = 1.0;
    NumTransitions = NumTransversions = NumSubstitutions = NumIndels = 0;
    NumTransitionSites = NumTransversionSites = NumSubstitutionSites = NumIndelSites = 0;
    NumNucleotideSites = 0;
    for (char code : {'R', 'Y', 'M', 'K', 'S', 'W', 'H', 'B', 'V', 'D', 'N'})
        IUPACCodes.Add(code);
    // A failure here leaves the constructor: the tables must not outlive it.
    try {
        PairNuclFreq = new_pair_table();
        NuclFreq = new double[4]();
    } catch (...) {
        free_nucleotide_tables();
        throw;
    }
    PairTransitions = PairTransversions = PairSites = PairDifferences = 0;
    PairDistance = PairDistanceVar = 0.0;
    GCContent = 0.0;
    GammaA = 0.0;
    DistanceFunction = nullptr;
    DistanceMethod = 0;
    SiteTransitions = SiteTransversions = SiteIndels = SiteAmbiguities = nullptr;
}

bool PopulDNA::isAmbiguous(my_string const& text)
{
    return text.length == 1 && text.str[0] != '\0'
           && std::strchr("BDHKMNRSVWY", text.str[0]) != nullptr;
}

void PopulDNA::test_methods(settings& run_settings)
{
    run_driver(run_settings, driver_plan);
}
