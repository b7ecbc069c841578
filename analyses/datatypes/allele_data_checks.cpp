// The checks and the polymorphism of microsatellite and standard samples:
// per locus, by the allele names the haplotypes or the individuals carry.

#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_standard.h"

int PopulMicrosat::check_data()
{
    return check_sample_counts("PopulMicrosat::check_data()", ERROR,
                               "PopulMicrosat::check_data()");
}

int PopulMicrosat::evaluate_polymorphism(settings const& run_settings)
{
    return evaluate_allele_polymorphism(run_settings);
}

int PopulStandard::check_data()
{
    return check_sample_counts("PopulStandard::check_data()", WARNING,
                               "PopulStandard::check_data()");
}

int PopulStandard::evaluate_polymorphism(settings const& run_settings)
{
    return evaluate_allele_polymorphism(run_settings);
}
