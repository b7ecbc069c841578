// The population-genetic statistics shared by the data-type analyses, and
// the base of the four data-type classes.
//
// Minimal form: the process-wide tables that the analysis run empties before
// a project is read and before each analysis level, and the part of the
// per-sample driver that prepares the data for the AMOVA permutations; the
// statistics come with the data-type analyses.
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

    explicit PopGenetics(Population const& sample) : Population(sample) {}

    // The per-sample driver: stores RecessiveAllelesEM in the sample; with
    // TaskNumber exactly 0x1000 (the preparation for AMOVA permutations, as
    // the format translator asks) it only builds the allele vectors, the
    // recessive allele entered first when RecessiveAllelesEM is set.
    void test_methods(settings& run_settings) override;
};

#endif
