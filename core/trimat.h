// Symmetric square matrix of doubles stored as its lower triangle with the
// diagonal: row i holds the i + 1 elements (i, 0) .. (i, i), so an n by n
// matrix costs n(n+1)/2 values. Element (i, j) and element (j, i) are one cell.
// It holds pairwise distances, LD tables, AMOVA and FST matrices; DistMat
// derives from it.
#ifndef DROV_CORE_TRIMAT_H
#define DROV_CORE_TRIMAT_H

#include <ostream>

class TriMat {
public:
    int n;                              // number of rows and columns
    double** rows;                      // n row pointers; null while n is 0
    mutable double diagonal_value;      // read on the diagonal in constant mode
    mutable double off_diagonal_value;  // read off the diagonal in constant mode
    // Set directly by an owner whose matrix reads as diagonal_value on the
    // diagonal and off_diagonal_value elsewhere, whatever the rows hold
    // (the conventional FST matrix).
    int constant_mode;

    explicit TriMat(int const& dim = 0);  // dim rows of 0.0
    TriMat(TriMat const& other);
    ~TriMat();

    // Element (i, j), readable and writable. An index outside 0 .. n-1 reports
    // WARNING 1 and yields a zeroed spare cell, so that processing goes on.
    double& operator()(int const& i, int const& j) const;
    // Element (i, j) without the checks, for inner loops whose indices are
    // known to lie in 0 .. n-1 of a matrix not in constant mode.
    double cell(int i, int j) const { return i >= j ? rows[i][j] : rows[j][i]; }

    void allocate_matrix();        // n zeroed rows for the current n
    void create(int const& dim);   // discards the rows, then dim zeroed rows
    void destroy();                // frees the rows; n becomes 0
    void delete_matrix();          // the same as destroy
    void initialize();             // every stored element 0.0

    // Copies the elements (constant values of a constant-mode source included),
    // not the constant-mode settings.
    TriMat& operator=(TriMat const& other);
    // Element-wise sum; ERROR 44 and no change when the sizes differ.
    TriMat& operator+=(TriMat const& other);
    TriMat& operator*=(TriMat const& other);  // the same sum as operator+=

    // The lower triangle, one row per line, each value fixed with 5 decimals in
    // width 10; no line end after the last row.
    void print_data(std::ostream& os);

private:
    // Where out-of-range accesses land; never one of the fields above, so a
    // stray write cannot change what the matrix reads afterwards.
    mutable double spare_cell;

    double& out_of_range() const;
    void allocate_rows(const char* where);
    void add(TriMat const& other, const char* where);
};

inline double& TriMat::operator()(int const& i, int const& j) const
{
    if (constant_mode)
        return i == j ? diagonal_value : off_diagonal_value;
    if (i >= 0 && i < n && j >= 0 && j < n)
        return i >= j ? rows[i][j] : rows[j][i];
    return out_of_range();
}

#endif
