// Storage, element access, text output and the binary reader of RectMat.
// The Mantel sums and the permutation index are in rectmat_mantel.cpp.

#include "core/rectmat.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <new>

#include "core/errors.h"
#include "core/file_helpers.h"

RectMat::RectMat(int const& num_rows, int const& num_cols)
    : rows(nullptr), nrows(num_rows > 0 ? num_rows : 0), ncols(num_cols > 0 ? num_cols : 0),
      constant_mode(0), diagonal_value(0.0), off_diagonal_value(1.0), file_name(), mean(0.0),
      SSX(0.0), index(nullptr), Z(0.0), spare_cell(0.0)
{
    allocate_matrix();
}

RectMat::RectMat(const char* name)
    : rows(nullptr), nrows(0), ncols(0), constant_mode(0), diagonal_value(0.0),
      off_diagonal_value(1.0), file_name(name), mean(0.0), SSX(0.0), index(nullptr), Z(0.0),
      spare_cell(0.0)
{
    read_from_file();
}

RectMat::~RectMat()
{
    de_allocate_matrix();
    free_index();
}

double& RectMat::out_of_range() const
{
    E.error(ERROR, "RectMat::operator()", 1);
    spare_cell = 0.0;
    return spare_cell;
}

// All values live in one block of nrows * ncols doubles and rows[i] points at
// row i inside it: two allocations per matrix and rows next to each other.
int RectMat::allocate_matrix()
{
    if (rows != nullptr)
        return 1;
    if (nrows == 0 || ncols == 0)
        return 1;
    double* cells = nullptr;
    try {
        rows = new double*[nrows];
        cells = new double[static_cast<std::size_t>(nrows) * static_cast<std::size_t>(ncols)]();
    } catch (std::bad_alloc const&) {
        delete[] rows;
        rows = nullptr;
        nrows = ncols = 0;
        E.error(MEMORY, "RectMat::allocate_matrix()", 0);
        return 0;
    }
    for (int i = 0; i < nrows; ++i)
        rows[i] = cells + static_cast<std::size_t>(i) * static_cast<std::size_t>(ncols);
    return 1;
}

int RectMat::de_allocate_matrix()
{
    if (rows != nullptr) {
        delete[] rows[0];
        delete[] rows;
        rows = nullptr;
    }
    nrows = ncols = 0;
    return 1;
}

int RectMat::read_from_file(my_string name)
{
    file_name = name;
    return read_from_file();
}

int RectMat::read_from_file()
{
    std::ifstream is(file_name.str, std::ios::in | std::ios::binary);
    if (!is.is_open()) {
        E.error(ERROR, "RectMat::read_from_file()", 42);
        return 0;
    }
    is >> *this;
    return is.fail() ? 0 : 1;
}

int RectMat::display_matrix(std::ostream& os)
{
    if (rows == nullptr) {
        os << "Matrix contains no data" << std::endl;
        return 1;
    }
    for (int i = 0; i < nrows; ++i) {
        os << "   ";
        for (int j = 0; j < ncols; ++j)
            os << rows[i][j] << ' ';
        os << std::endl;
    }
    return 1;
}

std::istream& operator>>(std::istream& is, RectMat& S)
{
    if (!is) {
        E.error(ERROR, "operator>>(ifstream& is, RectMat& S)", 42);
        return is;
    }
    // The new contents replace the old ones whatever their size, and an index
    // made for the old rows no longer fits.
    S.de_allocate_matrix();
    S.free_index();
    std::int32_t num_rows = 0;
    std::int32_t num_cols = 0;
    if (!read_int32(is, num_rows) || !read_int32(is, num_cols) || num_rows < 0 || num_cols < 0
        || num_cols > num_rows) {
        E.error(ERROR, "operator>>(istream& is, RectMat& S)", 43);
        is.setstate(std::ios::failbit);
        return is;
    }
    S.nrows = num_rows;
    S.ncols = num_cols;
    S.allocate_matrix();
    if (S.rows == nullptr)
        return is;  // a size of 0: no values follow
    // The rows are one block in file order, so the values are read at once.
    std::size_t count = static_cast<std::size_t>(S.nrows) * static_cast<std::size_t>(S.ncols);
    if (!is.read(reinterpret_cast<char*>(S.rows[0]),
                 static_cast<std::streamsize>(count * sizeof(double)))) {
        S.de_allocate_matrix();
        E.error(ERROR, "operator>>(istream& is, RectMat& M)", 43);
    }
    return is;
}
