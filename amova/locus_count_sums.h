// Pair sums of squared distances from allele counts, for distance matrices
// that add up over loci: the number of loci at which two haplotypes carry
// alleles of different size, or the sum over loci of their squared size
// differences, a locus adding nothing where either allele is missing (the
// microsatellite distances). At one locus, with m non-missing gene copies,
// c_k copies of allele k and sizes x:
//   different alleles:  sum over pairs = (m^2 - sum_k c_k^2) / 2,
//   squared sizes:      sum over pairs = m sum x^2 - (sum x)^2,
// so that the within sum of a sample costs its gene copies times the loci,
// not the square of its gene copies.
//
// The sums are used only where they equal the matrix's sums exactly: every
// cell of the matrix is checked against the distance recomputed from the
// alleles of its two haplotypes, and the squared sizes only for whole sizes
// small enough that every sum is a whole number below 2^53.
#ifndef DROV_AMOVA_LOCUS_COUNT_SUMS_H
#define DROV_AMOVA_LOCUS_COUNT_SUMS_H

#include <vector>

class DistMat;
class Haplo_DB;

class LocusCountSums {
public:
    enum Method { NONE, DIFFERENT_ALLELES, SQUARED_SIZES };

    // Set up for the matrix d, whose rows are the haplotypes of `list` by
    // matrix index; `missing`: the missing-data character; `copies`: the
    // largest number of gene copies one sum will take. The method found, or
    // NONE when the matrix is not such a sum (the matrix path then stays).
    Method set_up(DistMat const& d, Haplo_DB const& list, char missing, double copies);
    Method method() const { return method_; }
    int loci() const { return loci_; }

    // The sum of d over the pairs of the n gene copies whose matrix rows are
    // ids[0 .. n-1].
    double within_sum(int const* ids, int n) const;

private:
    Method method_ = NONE;
    int loci_ = 0;
    // Per matrix row and locus (row-major): the allele code among the
    // locus' sizes (-1: missing), and the size less the locus' smallest.
    std::vector<int> code_;
    std::vector<double> size_;
    std::vector<int> offset_;  // first slot of each locus in count_
    // Scratch of within_sum.
    mutable std::vector<long long> count_, copies_, squares_;
    mutable std::vector<double> sum_, sumOfSquares_;

    bool read_alleles(DistMat const& d, Haplo_DB const& list, char missing,
                      std::vector<char>& used);
    Method check_matrix(DistMat const& d, bool whole_sizes) const;
    double different_alleles_sum(int const* ids, int n) const;
    double squared_sizes_sum(int const* ids, int n) const;
};

#endif
