// A full square copy of a distance matrix for the inner loops of the
// permutation tests: row a holds d(a, 0) .. d(a, n-1) side by side, so that
// a sum over the partners of one haplotype reads one contiguous row without
// the branch and the two indirections of the triangular storage.
#ifndef DROV_AMOVA_SQUARE_DISTANCES_H
#define DROV_AMOVA_SQUARE_DISTANCES_H

#include <cstddef>
#include <vector>

class DistMat;

class SquareDistances {
public:
    // Matrices of more rows are not copied: the copy would take more than
    // 128 MB beside the triangle, and the sums read the triangle instead.
    static constexpr int max_rows = 4096;

    // The copy of d's rows; left empty for a matrix in constant mode, one
    // of more than max_rows rows, or when the memory is lacking.
    void assign(DistMat const& d);
    void release();

    // The rows copied (0 when empty).
    int size() const { return n_; }
    double const* row(int a) const { return cells_.data() + static_cast<std::size_t>(a) * n_; }

private:
    int n_ = 0;
    std::vector<double> cells_;
};

#endif
