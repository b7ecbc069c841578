// A population sample of DNA sequences, the object that runs the
// analyses of its data type.
//
// Minimal form: a copy of the sample as read; the analyses of the data type
// come with the per-sample driver.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_DNA_H
#define DROV_ANALYSES_DATATYPES_POPUL_DNA_H

#include "analyses/popgen/pop_genetics.h"

class PopulDNA : public PopGenetics {
public:
    explicit PopulDNA(Population const& sample) : PopGenetics(sample) {}
};

#endif
