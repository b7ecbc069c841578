// Table of the normalised unsigned Stirling numbers of the first kind,
// B(i, j) = |s(i, j)| j! / i!, for i = 1 .. n and j = 1 .. min(i, k).
//
// Under Ewens' sampling formula (Ewens 1972) the probability of k alleles
// among i genes is |s(i, k)| theta^k / (theta (theta+1) ... (theta+i-1)).
// The infinite-allele statistics (theta(k), the Ewens-Watterson, Chakraborty
// and Fu's Fs tests) read B from one process-wide table, built whole and
// rebuilt larger only when a sample or allele count needs it. B(i, j) is
// rows[i - 1][j - 1].
#ifndef DROV_CORE_BNUMMAT_H
#define DROV_CORE_BNUMMAT_H

#include <istream>

#include "core/my_string.h"

class BnumMat {
public:
    // Largest table that re_allocate_matrix builds.
    static constexpr int max_rows = 5000;
    static constexpr int max_cols = 1000;

    double** rows;       // row i - 1 holds min(i, k) values; null while the table is empty
    my_string file_name; // the binary file read by the file constructor
    int n;               // number of rows (largest i)
    int k;               // number of columns (largest j)

    BnumMat();                              // an empty table
    BnumMat(int const& num_rows, int const& num_cols);  // a zeroed table of that shape
    explicit BnumMat(my_string const& name);           // read from a binary file
    ~BnumMat();
    BnumMat(BnumMat const&) = delete;
    BnumMat& operator=(BnumMat const&) = delete;

    // Replaces the table by the one for num_rows and num_cols: 1 when built,
    // 0 when refused (more than max_rows rows, more than max_cols columns or a
    // negative size) with an empty table of sizes 0.
    int re_allocate_matrix(int const& num_rows, int const& num_cols);

    // A zeroed table for the current n and k unless rows exist; 1 when the
    // table exists afterwards.
    int allocate_matrix();

    // Read the binary file: 1 on success, 0 when it is missing or unreadable.
    int read_from_file();
    int read_from_file(my_string const& name);

private:
    void free_rows();  // the table becomes empty with sizes 0

    friend std::istream& operator>>(std::istream& is, BnumMat& S);
};

// Native byte order: n and k as 32-bit integers (k not above n), then rows
// 1 .. n, each with its min(i, k) doubles. Replaces the table; a read that
// fails leaves it empty.
std::istream& operator>>(std::istream& is, BnumMat& S);

#endif
