// Rectangular matrix of doubles with its own numbers of rows and columns.
//
// The analyses use it for per-locus and per-population tables. The Mantel test
// uses square matrices holding the full symmetric matrix and works on the
// elements below the diagonal: each matrix keeps a permutation index of its
// rows and columns and the sums (mean, SSX, Z) from which the test statistic
// and the correlation are built. Calling order of the test: create_index and
// compute_SSX on both matrices, sum_of_products for the observed correlation,
// then computeZ for the observed statistic and, per permutation,
// permute_index on the first matrix followed by computeZ.
#ifndef DROV_CORE_RECTMAT_H
#define DROV_CORE_RECTMAT_H

#include <istream>
#include <ostream>

#include "core/my_string.h"

class RectMat {
public:
    double** rows;  // nrows row pointers of ncols values; null while no storage exists
    int nrows;
    int ncols;
    // Set directly by an owner whose matrix reads as diagonal_value on the
    // diagonal and off_diagonal_value elsewhere, whatever the rows hold.
    int constant_mode;
    mutable double diagonal_value;      // 0.0 after construction
    mutable double off_diagonal_value;  // 1.0 after construction
    my_string file_name;  // the binary file to read; empty unless read from a file
    double mean;          // mean of the elements below the diagonal (compute_SSX)
    double SSX;           // their sum of squared deviations from the mean
    int* index;           // permutation of 0 .. nrows-1; null until create_index
    double Z;             // the last permuted sum of cross-products

    RectMat(int const& num_rows, int const& num_cols);  // every element 0.0
    explicit RectMat(const char* name);                // read from a binary file
    ~RectMat();
    RectMat(RectMat const&) = delete;
    RectMat& operator=(RectMat const&) = delete;

    // Element (i, j), readable and writable. Out of range it reports ERROR 1
    // and yields a zeroed spare cell, so that processing goes on.
    double& operator()(int const& i, int const& j) const;

    int allocate_matrix();     // zeroed storage for the current size unless storage exists
    int de_allocate_matrix();  // frees the rows; both sizes become 0

    // Read the binary file: 1 on success, 0 when it cannot be opened or read.
    int read_from_file();
    int read_from_file(my_string name);

    // Three blanks, then each value and a blank, one row per line.
    int display_matrix(std::ostream& os);

    // Mean and SSX of the elements below the diagonal of a square matrix;
    // stores both and returns SSX.
    double compute_SSX();
    // Z = sum over i > j of this(index[i], index[j]) * M(i, j); stored and returned.
    double computeZ(RectMat const& M);
    // Z as computeZ, minus n(n-1)/2 times the two means of compute_SSX.
    double sum_of_products(RectMat const& M);

    int create_index();   // the identity permutation; 0 when memory runs out
    int permute_index();  // Fisher-Yates shuffle of the index drawn from ran3

private:
    mutable double spare_cell;  // where out-of-range accesses land

    double& out_of_range() const;
    int check_square(const char* function_text) const;
    int check_same_size(RectMat const& M, const char* function_text) const;
    double permuted_cross_product(RectMat const& M) const;
    void free_index();

    friend std::istream& operator>>(std::istream& is, RectMat& S);
};

// Native byte order: rows and columns as 32-bit integers (columns not above
// rows), then the rows' doubles row by row. Replaces the matrix's contents; a
// read that fails leaves the matrix empty.
std::istream& operator>>(std::istream& is, RectMat& S);

inline double& RectMat::operator()(int const& i, int const& j) const
{
    if (constant_mode)
        return i == j ? diagonal_value : off_diagonal_value;
    if (i >= 0 && i < nrows && j >= 0 && j < ncols)
        return rows[i][j];
    return out_of_range();
}

#endif
