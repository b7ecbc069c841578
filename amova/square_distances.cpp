// The square copy of a distance matrix (see square_distances.h).

#include "amova/square_distances.h"

#include <new>

#include "model/dist_mat.h"

void SquareDistances::assign(DistMat const& d)
{
    release();
    if (d.constant_mode || d.n <= 0 || d.n > max_rows)
        return;
    try {
        cells_.resize(static_cast<std::size_t>(d.n) * d.n);
    } catch (std::bad_alloc const&) {
        release();
        return;
    }
    n_ = d.n;
    for (int a = 0; a < n_; ++a) {
        double* row = cells_.data() + static_cast<std::size_t>(a) * n_;
        for (int b = 0; b < n_; ++b)
            row[b] = d.cell(a, b);
    }
}

void SquareDistances::release()
{
    n_ = 0;
    std::vector<double>().swap(cells_);
}
