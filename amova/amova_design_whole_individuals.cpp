// The AMOVA designs of genotypic data of unknown gametic phase: the designs
// of one group and of groups of populations on gene copies, whose tests
// move whole individuals (the two gene copies of an individual together)
// instead of single gene copies, since the copies of an individual cannot be
// told apart by phase. The observed values are those of their twins; the
// groups design lists its indices as FST, FSC, FCT.

#include "amova/amova.h"

int Amova::AMOVA_1G_P_IH()
{
    return one_group_design("Amova::AMOVA_1G_P_IH()", &Amova::PIAPWG);
}

int Amova::AMOVA_G_P_IH()
{
    return groups_design("Amova::AMOVA_G_P_IH()", &Amova::PIAPAG, &Amova::PIAPWG, true);
}
