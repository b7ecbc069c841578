// The AMOVA designs, one per hierarchy: one group of populations, with or
// without the individual level, one population of individuals, groups of
// populations, with or without individuals, and the designs that permute
// whole individuals. The designs on gene copies and individuals are not part
// of this build yet: each returns at once and fills nothing.
//
// Recessive data of unknown phase have no design: the AMOVA of those data is
// not provided, and the record only names the case.

#include "amova/amova.h"

int Amova::AMOVA_1G_P_H()
{
    return 1;
}

int Amova::AMOVA_1G_P_I()
{
    return 1;
}

int Amova::AMOVA_G_P_H()
{
    return 1;
}

int Amova::AMOVA_G_P_I()
{
    return 1;
}

int Amova::AMOVA_G_P_IH()
{
    return 1;
}

int Amova::AMOVA_1G_1P_I()
{
    return 1;
}

int Amova::AMOVA_1G_P_IH()
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
