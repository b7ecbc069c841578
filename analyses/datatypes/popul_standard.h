// A population sample of standard multi-allelic data or of allele
// frequencies, the object that runs the analyses of its data type.
//
// Minimal form: a copy of the sample as read; the analyses of the data type
// come with the per-sample driver.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_STANDARD_H
#define DROV_ANALYSES_DATATYPES_POPUL_STANDARD_H

#include "analyses/popgen/pop_genetics.h"

class PopulStandard : public PopGenetics {
public:
    explicit PopulStandard(Population const& sample) : PopGenetics(sample) {}
};

#endif
