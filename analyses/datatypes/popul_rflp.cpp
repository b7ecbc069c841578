// The RFLP sample object: its own members, construction and the order of the
// sections of its driver.

#include "analyses/datatypes/popul_rflp.h"

#include "analyses/popgen/driver_frame.h"

const DriverPlan PopulRFLP::driver_plan =
    sequence_data_plan("PopulRFLP::test_methods()", "Ewens-Watterson test cannot be computed \n");

PopulRFLP::PopulRFLP() : PopGenetics(), DistanceFunction(nullptr)
{
    initialize_RFLP();
}

PopulRFLP::PopulRFLP(Population const& sample) : PopulRFLP()
{
    Population::operator=(sample);
}

PopulRFLP::~PopulRFLP()
{
    delete[] SiteSubstitutions;
    delete[] SiteIndels;
}

void PopulRFLP::initialize_RFLP()
{
    PopGenetics::initialize();
    MeanPairDiff = MeanPairDiffSD = 0.0;
    MeanGeneDiversity = MeanGeneDiversitySD = 0.0;
    DeletionWeight = 1.0;
    NumSites = NumIndels = NumIndelSites = NumSubstitutionSites = 0;
    PairDifferences = PairSites = 0;
    PairDistance = PairDistanceVar = 0.0;
    DistanceMethod = 0;
    SiteSubstitutions = SiteIndels = nullptr;
}

void PopulRFLP::test_methods(settings& run_settings)
{
    run_driver(run_settings, driver_plan);
}
