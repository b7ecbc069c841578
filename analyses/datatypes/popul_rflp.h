// A population sample of RFLP haplotypes, the object that runs the
// analyses of its data type.
//
// Minimal form: a copy of the sample as read; the analyses of the data type
// come with the per-sample driver.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_RFLP_H
#define DROV_ANALYSES_DATATYPES_POPUL_RFLP_H

#include "analyses/popgen/pop_genetics.h"

class PopulRFLP : public PopGenetics {
public:
    explicit PopulRFLP(Population const& sample) : PopGenetics(sample) {}
};

#endif
