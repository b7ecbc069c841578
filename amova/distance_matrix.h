// The report on the loci that the distances between haplotypes could use.
#ifndef DROV_AMOVA_DISTANCE_MATRIX_H
#define DROV_AMOVA_DISTANCE_MATRIX_H

#include <ostream>

#include "analyses/popgen/pop_genetics.h"

// The number of usable loci, the allowed level of missing data, then the
// usable loci and those with too much missing data, numbered from 1, 15 to a
// line; "NONE" for an empty list. L is the number of loci of the sample.
void write_missing_data_report(std::ostream& out, PopGenetics const& sample,
                               double allowed_missing, int L);

#endif
