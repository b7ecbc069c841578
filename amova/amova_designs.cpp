// The AMOVA design of groups of populations with the individual level and
// the pairwise comparisons are not part of this build yet: each returns at
// once and fills nothing. The other designs have their own source files.
//
// Recessive data of unknown phase have no design: the AMOVA of those data is
// not provided, and the record only names the case.

#include "amova/amova.h"

int Amova::AMOVA_G_P_I()
{
    return 1;
}

int Amova::AMOVA_1G_P_RIH()
{
    return 1;
}

int Amova::AMOVA_G_P_RIH()
{
    return 1;
}

void Amova::CalcPairDist()
{
}
