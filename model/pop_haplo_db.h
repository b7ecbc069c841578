// The haplotype-frequency table of a sample.
//
// The table holds the distinct multi-locus haplotypes of one sample with their
// frequencies, as the estimation of haplotype frequencies from genotypes, the
// linkage-disequilibrium tests, the assignment test and the resampling of
// individuals use them. Haplotypes are found by their allele objects, never by
// names. A reference haplotype and per-locus polymorphism flags let the
// haplotypes be reduced to their polymorphic loci (compact) and be printed
// again at full length.
//
// The table also carries the numerical steps of the estimation by
// expectation-maximisation (random starts, convergence, bootstrap standard
// deviations, linkage disequilibrium) and the printed table of
// maximum-likelihood haplotype frequencies.
#ifndef DROV_MODEL_POP_HAPLO_DB_H
#define DROV_MODEL_POP_HAPLO_DB_H

#include <ostream>
#include <vector>

#include "core/pointer_arrays.h"
#include "model/allele.h"
#include "model/allele_db.h"
#include "model/haplotype_index.h"
#include "model/pop_haplo.h"

// A flag list as shrink reads it: n flags, one per locus.
struct LocusFlags {
    int n;
    int const* flags;
};

// Removes from h the alleles of the loci whose flag is 0 (positions 0 .. n-1;
// later positions stay); returns n.
int shrink(TPopHaplotype& h, LocusFlags const& flags);

class TPopHaploDB {
public:
    // Owning, in insertion order. Appending at the end and changing the
    // frequencies and marks of entries directly is fine; the alleles of a
    // stored haplotype are changed through edit, and other changes go through
    // the operations below, so that the lookup index stays exact.
    MY_TIArrayAsVector<TPopHaplotype> haplotypes;
    int* poly_flags;          // owned or null: 1 for a polymorphic locus, one per locus
    TPopHaplotype* ref_hapl;  // owned or null: one allele per locus of the database

    TPopHaploDB();
    TPopHaploDB(TPopHaploDB const& source);
    ~TPopHaploDB();
    TPopHaploDB& operator=(TPopHaploDB const& source);

    // Deletes every haplotype and releases the flags and the reference.
    void empty();
    // Deletes every haplotype and returns how many there were; flags and
    // reference stay.
    int flush_haplotypes();

    // Adds f to the frequency of the stored haplotype equal to h, or stores a
    // copy of h with frequency f; returns the stored haplotype.
    TPopHaplotype* insert(TPopHaplotype const& h, double const& f);
    // The first stored haplotype equal to h, or null.
    TPopHaplotype* find(TPopHaplotype const& h) const;
    // Stored haplotype i, to be changed in place, its alleles included (with
    // its own operations, shrink, or directly): the next find or insert looks
    // at the new contents. A change made after that lookup calls edit again.
    TPopHaplotype& edit(int i);

    // Deletes the haplotypes whose freq is below threshold (equal stays),
    // keeping the order of the others; returns the number left.
    int cleanDB(double& threshold);
    // Merges every haplotype into the first equal one, which carries the sum.
    void check_redundancy();
    // Turns a haplotype of count n into n entries of frequency 1, the n-1
    // copies appended at the end.
    void explode_base();
    // The first haplotype at which the running sum of frequencies exceeds u.
    TPopHaplotype* select_haplotype(double const& u) const;
    // Shuffles the alleles of each of the first *n_loci loci among the haplotypes.
    void permute(int* n_loci);

    // Builds poly_flags and ref_hapl from the loci of db; does nothing when no
    // locus holds more than one allele or the table is empty.
    void build_reference_haplotype(TAlleleDB* db, char const& missing);
    // Builds the reference, then keeps in every haplotype only the alleles of
    // the polymorphic loci. Without a polymorphic locus the haplotypes stay as
    // they are and earlier flags and reference are released.
    void compact(TAlleleDB* db, char const& missing);
    // A placeholder reference of *n_loci copies of one process-wide allele
    // named "UNDEF" that belongs to no database.
    void init_ref_hapl(int* n_loci);

    // Estimation support (pop_haplo_estim.cpp).
    // Random starting frequencies: 1 + k u per haplotype (u drawn by ran3),
    // 1 for a fixed one, divided by their sum; sets freq and prev_freq and
    // returns the smallest.
    double assign_rand_init_freq(int const& k);
    // The same draws into freq, one per flag of fixed, for an estimation that
    // keeps its frequencies in an array.
    static double draw_init_freq(int const& k, std::vector<char> const& fixed,
                                 std::vector<double>& freq);
    int convergence(double const& eps);
    void reset_freq();
    void reset_homo_count();
    double sum_homoz_inbreeding(double const& F);
    void sums_hapl_frequencies(TPopHaploDB& replicate, double min_freq);
    void calc_sd(int const& n);
    int update_lk_equil();
    double calc_hapl_lk_dis();
    void comp_link_equil_hapl_freq();

    // The table of maximum-likelihood haplotype frequencies; numbers the
    // listed haplotypes 1, 2, ... and the others -1, -2, ... in index.
    void print(std::ostream& os, int expand, double min_freq);

private:
    void release_reference();
    // Keeps the haplotypes whose keep entry is set, in order; deletes the others.
    void keep_only(std::vector<char> const& keep);
    void write_expanded_alleles(std::ostream& os, TPopHaplotype const& h) const;

    int n_flags_;  // length of poly_flags
    mutable HaplotypeIndex index_;
};

// Per haplotype: its alleles, two blanks and its frequency.
std::ostream& operator<<(std::ostream& os, TPopHaploDB const& db);

#endif
