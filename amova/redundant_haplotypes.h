// The classes of identical haplotypes of the check for haplotypes defined
// twice (Project::eliminate_redond_haplodef).
#ifndef DROV_AMOVA_REDUNDANT_HAPLOTYPES_H
#define DROV_AMOVA_REDUNDANT_HAPLOTYPES_H

#include <vector>

#include "core/pointer_arrays.h"
#include "model/dist_mat.h"
#include "model/haplo_def.h"

// Class of haplotype i of the list: the matrix index of the haplotype that
// stands for it. Zero distances (read by list position) join chains of
// haplotypes into one class; a pair of one class that is not at distance 0
// (missing data make zero distances intransitive) is split off again.
std::vector<int> identical_haplotype_classes(MY_TIArrayAsVector<HaploDef> const& list,
                                             DistMat const& d);

#endif
