// The count of a sample's gene copies at one locus, shared by the per-locus
// diversity tables and the allele counts over samples: which gene copies are
// missing, their entry into the allele database of all samples, and the
// distinct alleles of the locus with their weights.
#ifndef DROV_ANALYSES_POPGEN_LOCUS_COUNTS_H
#define DROV_ANALYSES_POPGEN_LOCUS_COUNTS_H

#include <vector>

#include "model/allele.h"
#include "model/allele_db.h"
#include "model/phen_db.h"
#include "model/population.h"

// The gene copies met at one locus.
struct LocusAlleleCounts {
    // Every allele met, in order of first appearance (one database look-up
    // per allele rather than per gene copy), with its weight c_a; a missing
    // allele is listed with weight 0 and is not counted.
    std::vector<TAllele*> alleles;
    std::vector<int> weights;
    std::vector<bool> counted;
    int gene_copies = 0;            // n_l, the weight of the counted gene copies
    int complete = 0;               // individuals with both gene copies counted
    int heterozygous = 0;           // of which the two alleles differ

    void add(TAllele* a, int n, bool is_counted);
    // k_l, the distinct alleles counted.
    int num_alleles() const;
    // Nei's unbiased gene diversity n/(n-1) (1 - sum c_a^2 / n^2); 0 below 2 copies.
    double expected_heterozygosity() const;
    double observed_heterozygosity() const;
    // c_a / n_l into each counted allele's slot `sample` of pop_freq; nothing
    // when no copy was counted or the allele has no such slot.
    void store_frequencies(int sample) const;
};

// Counts the gene copies of a sample locus by locus into a database of all
// samples: a counted gene copy enters it with its weight, a missing one with
// weight 0, so that its name is listed.
class GeneCopyCounter {
public:
    // missing_counts: missing gene copies count as an allele of their own.
    GeneCopyCounter(TAlleleDB& db, char missing, bool missing_counts);

    // The first character of the name is the missing-data character, or for
    // DNA an upper-case ambiguity code; a locus that a gene copy does not
    // reach is missing as well.
    bool is_missing(TAllele const* a) const;
    // One gene copy of weight n; true when it was counted.
    bool enter(TAllele* a, int n, LocusAlleleCounts& counts) const;

    // Every gene copy of the individuals at locus l, copy 1 before copy 2,
    // each weighing its individual's count truncated.
    LocusAlleleCounts count_individuals(int l, TPhenDB const& individuals) const;
    // Every haplotype record at locus l, weighing its count.
    LocusAlleleCounts count_haplotypes(int l, MY_TIArrayAsVector<PHaploDef> const& records) const;

    // The database holds at least L loci ("Locus <index>" for those it lacks).
    static void make_loci(TAlleleDB& db, int L);

private:
    // The alleles met at locus l go into the database.
    void add_to_database(int l, LocusAlleleCounts const& counts) const;

    TAlleleDB& db_;
    char missing_;
    bool dna_;
    bool missing_counts_;
};

// Allele of gene copy `copy` (0 or 1) of an individual at locus l, or null.
TAllele* allele_of_copy(TPhenotype const& individual, int copy, int l);
// Allele of a haplotype record at locus l, or null.
TAllele* allele_of_record(PHaploDef const& record, int l);

// Allele size of microsatellite data: the leading number of the name rounded
// to an integer (0 when the name has none).
int allele_size(TAllele const& a);

#endif
