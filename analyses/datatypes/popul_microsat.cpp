// The microsatellite sample object: construction and the order of the
// sections of its driver.

#include "analyses/datatypes/popul_microsat.h"

#include "analyses/popgen/driver_frame.h"

const DriverPlan PopulMicrosat::driver_plan =
    allele_data_plan("PopulMicrosat::test_methods(settings& www)");

PopulMicrosat::PopulMicrosat()
    : PopGenetics(), MeanGeneDiversity(0.0), MeanGeneDiversitySD(0.0), DistanceMethod(1)
{
    MeanPairDiff = MeanPairDiffSD = 0.0;
}

PopulMicrosat::PopulMicrosat(Population const& sample) : PopulMicrosat()
{
    Population::operator=(sample);
}

void PopulMicrosat::test_methods(settings& run_settings)
{
    run_driver(run_settings, driver_plan);
}
