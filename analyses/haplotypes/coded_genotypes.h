// The individuals of a genotypic sample as pairs of allele codes: the form in
// which the Hardy-Weinberg table, the per-locus heterozygosities and the
// heterozygosity of whole gene copies count them.
//
// Codes are ranks of first appearance when the individuals are scanned in
// order, gene copy 1 before gene copy 2. Alleles exist once, so two gene
// copies share a code exactly when they point to the same allele objects:
// at one locus the same TAllele, over whole gene copies the same TAllele at
// every locus (TPopHaplotype::operator==).
#ifndef DROV_ANALYSES_HAPLOTYPES_CODED_GENOTYPES_H
#define DROV_ANALYSES_HAPLOTYPES_CODED_GENOTYPES_H

#include <vector>

class TPhenDB;

struct CodedGenotype {
    int first;   // code of gene copy 1
    int second;  // code of gene copy 2
    int count;   // the individual's count, truncated to an integer
};

struct CodedGenotypes {
    std::vector<CodedGenotype> genotypes;  // the individuals counted, in order
    int num_alleles = 0;                   // distinct codes
};

// The genotypes at `locus` (from 0); individuals carrying the missing-data
// allele there (its name begins with `missing`) are left out and give no
// code. false, with nothing coded, when an individual has no such locus.
bool code_locus_genotypes(TPhenDB const& individuals, int locus, char missing,
                          CodedGenotypes& coded);

// The genotypes of whole gene copies; every individual with two gene copies
// counts, whatever its alleles.
void code_gene_copies(TPhenDB const& individuals, CodedGenotypes& coded);

#endif
