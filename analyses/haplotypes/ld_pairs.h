// Which pairs of loci the linkage-disequilibrium tests of individuals of
// unknown phase test.
#ifndef DROV_ANALYSES_HAPLOTYPES_LD_PAIRS_H
#define DROV_ANALYSES_HAPLOTYPES_LD_PAIRS_H

class Population;

// The pair of the locus list {2, a, b} is tested when both loci are
// polymorphic in the sample; with recessive data one polymorphic locus
// suffices, as recessive alleles may hide variation.
bool pair_is_testable(Population const& sample, int const* loci, bool recessive);

#endif
