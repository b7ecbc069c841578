// A population sample of microsatellite data, the object that runs the
// analyses of its data type.
//
// Minimal form: a copy of the sample as read; the analyses of the data type
// come with the per-sample driver.
#ifndef DROV_ANALYSES_DATATYPES_POPUL_MICROSAT_H
#define DROV_ANALYSES_DATATYPES_POPUL_MICROSAT_H

#include "analyses/popgen/pop_genetics.h"

class PopulMicrosat : public PopGenetics {
public:
    explicit PopulMicrosat(Population const& sample) : PopGenetics(sample) {}
};

#endif
