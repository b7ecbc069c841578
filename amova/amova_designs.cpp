// The designs have their own source files (amova_design_*.cpp).
//
// Recessive data of unknown phase have no design: the AMOVA of those data is
// not provided, and the record only names the case.

#include "amova/amova.h"

int Amova::AMOVA_1G_P_RIH()
{
    return 1;
}

int Amova::AMOVA_G_P_RIH()
{
    return 1;
}
