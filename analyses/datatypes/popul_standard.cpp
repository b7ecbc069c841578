// The standard and allele-frequency sample object: construction and the
// order of the sections of its driver.

#include "analyses/datatypes/popul_standard.h"

#include "analyses/popgen/driver_frame.h"

const DriverPlan PopulStandard::driver_plan =
    allele_data_plan("PopulStandard::test_methods(settings& www)");

PopulStandard::PopulStandard()
    : PopGenetics(), MeanGeneDiversity(0.0), MeanGeneDiversitySD(0.0), PairDiffMean(0.0),
      PairDiffMeanSD(0.0)
{
}

PopulStandard::PopulStandard(Population const& sample) : PopulStandard()
{
    Population::operator=(sample);
}

void PopulStandard::test_methods(settings& run_settings)
{
    run_driver(run_settings, driver_plan);
}
