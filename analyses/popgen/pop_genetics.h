// The population-genetic statistics shared by the data-type analyses.
//
// Minimal form: the process-wide tables that the analysis run empties before
// a project is read and before each analysis level; the statistics come with
// the data-type analyses.
#ifndef DROV_ANALYSES_POPGEN_POP_GENETICS_H
#define DROV_ANALYSES_POPGEN_POP_GENETICS_H

#include "core/value_array.h"
#include "model/allele_db.h"
#include "model/population.h"

class PopGenetics : public Population {
public:
    // Allele counts over all samples for the summary tables.
    static TAlleleDB globalAllelicDB;
    // One flag per sequence column: a substitution was counted there in some
    // sample of the current level.
    static MY_TArrayAsVector<bool> globalSubstPolymSites;
};

#endif
