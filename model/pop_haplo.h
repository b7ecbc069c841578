// A haplotype with its estimated frequency.
//
// A haplotype is a list of non-owning pointers to alleles of the allele
// database, one per locus in locus order, plus the frequency and the
// accumulators of the haplotype-frequency estimation. Alleles exist once, so
// two haplotypes are the same exactly when they point to the same allele
// objects; names only serve to order haplotypes for printing.
#ifndef DROV_MODEL_POP_HAPLO_H
#define DROV_MODEL_POP_HAPLO_H

#include <ostream>

#include "core/my_string.h"
#include "core/pointer_arrays.h"
#include "model/allele.h"

class TPopHaplotype {
public:
    my_string id;
    double freq;       // frequency (estimated, or a count where a caller uses counts)
    double prev_freq;  // frequency of the previous iteration of an estimation
    double sd;         // sum of squared replicate frequencies, then their standard deviation
    double sum_freq;   // sum of the replicate frequencies
    MY_TIArrayAsVector<TAllele> alleles;  // not owning: one allele per locus
    char separator;    // written after each allele name unless 0
    double ld;         // linkage disequilibrium D
    double ld_norm;    // normalised disequilibrium D'
    int fixed;         // 1: start the random initial frequencies at the plain weight 1
    double inbreed_share;  // frequency share attributed to inbred homozygotes
    int homo_count;    // number of individuals that carry it twice
    unsigned char matched;  // set when matched against another table
    int index;         // row number of the last printout; -1 before any

    TPopHaplotype();
    explicit TPopHaplotype(char const& sep);
    // Room for n_loci + 1 allele pointers.
    TPopHaplotype(char const& sep, int n_loci);
    TPopHaplotype(TPopHaplotype const& source);
    TPopHaplotype& operator=(TPopHaplotype const& source);

    // Same number of loci and the same allele object at every position.
    bool operator==(TPopHaplotype const& other) const;
    // Allele names compared locus by locus as C strings; when one haplotype is
    // a prefix of the other by names, the shorter sorts first.
    bool operator<(TPopHaplotype const& other) const;

    // Copy of source holding only the alleles at positions list[1..list[0]],
    // in that order; fixed, inbreed_share, homo_count, matched and index stay.
    TPopHaplotype& copy_restricted_hapl(int const* list, TPopHaplotype const& source);
    // Copy of source holding only the alleles whose locus has a non-zero mask
    // entry; each kept allele records its source position in sub_locus.
    TPopHaplotype& build_sub_haplotype(int const* mask, TPopHaplotype const& source);
    // The two-locus haplotype {a, b} named by the number n, frequencies cleared.
    void build_sampled_haplo(int n, TAllele* a, TAllele* b);
    // Forgets every allele pointer; the alleles stay in their database.
    void empty();

private:
    void copy_frequencies(TPopHaplotype const& source);
};

// Each allele name followed by the separator (unless 0), the last one included.
std::ostream& operator<<(std::ostream& os, TPopHaplotype const& h);

#endif
