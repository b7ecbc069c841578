#include "analyses/popgen/pop_genetics.h"

#include "app/settings.h"

TAlleleDB PopGenetics::globalAllelicDB(0);
MY_TArrayAsVector<bool> PopGenetics::globalSubstPolymSites(0, 100);

void PopGenetics::test_methods(settings& run_settings)
{
    RecessiveAllelesEM = run_settings.RecessiveAllelesEM;
    // The alleles go into the project's database, attached by the task checks.
    if (run_settings.TaskNumber != settings::AMOVA_PERMUTATION_PREPARATION || !alleleDB)
        return;
    if (RecessiveAllelesEM)
        make_all_blanks(ProfileSettings::LocusSeparator);
    build_allele_vectors(ProfileSettings::LocusSeparator);
}
