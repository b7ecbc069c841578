#include "analyses/popgen/pop_genetics.h"

TAlleleDB PopGenetics::globalAllelicDB(0);
MY_TArrayAsVector<bool> PopGenetics::globalSubstPolymSites(0, 100);
