// Storage, copying, sums and printing of the triangular matrix.

#include "core/trimat.h"

#include <cstddef>
#include <new>

#include "core/errors.h"

TriMat::TriMat(int const& dim)
    : n(dim > 0 ? dim : 0), rows(nullptr), diagonal_value(0.0), off_diagonal_value(1.0),
      constant_mode(0), spare_cell(0.0)
{
    allocate_rows("TriMat::TriMat(const int& dim");
}

TriMat::TriMat(TriMat const& other)
    : n(0), rows(nullptr), diagonal_value(0.0), off_diagonal_value(1.0), constant_mode(0),
      spare_cell(0.0)
{
    *this = other;
}

TriMat::~TriMat()
{
    destroy();
}

double& TriMat::out_of_range() const
{
    E.error(WARNING, "TriMat::operator()", 1);
    spare_cell = 0.0;
    return spare_cell;
}

// All rows live in one block of n(n+1)/2 doubles; rows[i] points at row i
// inside it, so a whole matrix costs two allocations.
void TriMat::allocate_rows(const char* where)
{
    rows = nullptr;
    if (n <= 0) {
        n = 0;
        return;
    }
    double* cells = nullptr;
    try {
        rows = new double*[n];
        std::size_t count = static_cast<std::size_t>(n) * (static_cast<std::size_t>(n) + 1) / 2;
        cells = new double[count]();
    } catch (std::bad_alloc const&) {
        delete[] rows;
        rows = nullptr;
        n = 0;
        E.error(MEMORY, where, 0);
        return;
    }
    std::size_t start = 0;
    for (int i = 0; i < n; ++i) {
        rows[i] = cells + start;
        start += static_cast<std::size_t>(i) + 1;
    }
}

// Rows that exist already are released first, so that a second call
// replaces them instead of leaking them.
void TriMat::allocate_matrix()
{
    if (rows != nullptr) {
        delete[] rows[0];
        delete[] rows;
        rows = nullptr;
    }
    allocate_rows("TriMat::allocate_matrix()");
}

void TriMat::create(int const& dim)
{
    destroy();
    n = dim > 0 ? dim : 0;
    allocate_matrix();
}

void TriMat::destroy()
{
    if (rows != nullptr) {
        delete[] rows[0];
        delete[] rows;
        rows = nullptr;
    }
    n = 0;
}

void TriMat::delete_matrix()
{
    destroy();
}

void TriMat::initialize()
{
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j)
            rows[i][j] = 0.0;
}

TriMat& TriMat::operator=(TriMat const& other)
{
    if (this == &other)
        return *this;
    destroy();
    n = other.n;
    allocate_matrix();
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j)
            rows[i][j] = other(i, j);
    return *this;
}

void TriMat::add(TriMat const& other, const char* where)
{
    if (other.n != n) {
        E.error(ERROR, where, 44);
        return;
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j)
            rows[i][j] += other(i, j);
}

TriMat& TriMat::operator+=(TriMat const& other)
{
    add(other, "TriMat::operator+=()");
    return *this;
}

TriMat& TriMat::operator*=(TriMat const& other)
{
    add(other, "TriMat::operator*=()");
    return *this;
}

void TriMat::print_data(std::ostream& os)
{
    os.setf(std::ios::fixed, std::ios::floatfield);
    os.setf(std::ios::showpoint);
    os.setf(std::ios::right, std::ios::adjustfield);
    os.precision(5);
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            os << std::endl;
        for (int j = 0; j <= i; ++j) {
            os.width(10);
            os << rows[i][j];
        }
    }
}
