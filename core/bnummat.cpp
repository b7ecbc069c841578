// Building and reading the Stirling-number table.

#include "core/bnummat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <new>

#include "core/errors.h"
#include "core/file_helpers.h"

namespace {

// Number of values of a table with n rows and k columns: row i holds min(i, k).
std::size_t table_size(int n, int k)
{
    std::size_t total = 0;
    for (int i = 1; i <= n; ++i)
        total += static_cast<std::size_t>(std::min(i, k));
    return total;
}

}  // namespace

BnumMat::BnumMat() : rows(nullptr), file_name(), n(0), k(0) {}

BnumMat::BnumMat(int const& num_rows, int const& num_cols)
    : rows(nullptr), file_name(), n(num_rows > 0 ? num_rows : 0), k(num_cols > 0 ? num_cols : 0)
{
    allocate_matrix();
}

BnumMat::BnumMat(my_string const& name) : rows(nullptr), file_name(name), n(0), k(0)
{
    read_from_file();
}

BnumMat::~BnumMat()
{
    free_rows();
}

void BnumMat::free_rows()
{
    if (rows != nullptr) {
        delete[] rows[0];
        delete[] rows;
        rows = nullptr;
    }
    n = k = 0;
}

// All values live in one block, row after row; rows[i - 1] points at row i.
int BnumMat::allocate_matrix()
{
    if (rows != nullptr)
        return 1;
    if (n <= 0) {
        n = k = 0;
        return 1;
    }
    double* cells = nullptr;
    try {
        rows = new double*[n];
        cells = new double[table_size(n, k)]();
    } catch (std::bad_alloc const&) {
        delete[] rows;
        rows = nullptr;
        n = k = 0;
        E.error(MEMORY, "BnumMat::allocate_matrix()", 0);
        return 0;
    }
    std::size_t start = 0;
    for (int i = 1; i <= n; ++i) {
        rows[i - 1] = cells + start;
        start += static_cast<std::size_t>(std::min(i, k));
    }
    return 1;
}

// B(i, i) = 1, B(i, 1) = 1/i, and from |s(i, j)| = (i-1)|s(i-1, j)| + |s(i-1, j-1)|
// multiplied by j!/i!: B(i, j) = ((i-1) B(i-1, j) + j B(i-1, j-1)) / i.
int BnumMat::re_allocate_matrix(int const& num_rows, int const& num_cols)
{
    free_rows();
    if (num_rows < 0 || num_cols < 0 || num_rows > max_rows || num_cols > max_cols)
        return 0;
    n = num_rows;
    k = num_cols;
    if (!allocate_matrix())
        return 0;
    for (int i = 1; i <= n; ++i) {
        double* row = rows[i - 1];
        const int last = std::min(i, k);
        for (int j = 1; j <= last; ++j) {
            if (j == i)
                row[j - 1] = 1.0;
            else if (j == 1)
                row[j - 1] = 1.0 / i;
            else
                row[j - 1] = ((i - 1.0) * rows[i - 2][j - 1] + j * rows[i - 2][j - 2]) / i;
        }
    }
    return 1;
}

int BnumMat::read_from_file(my_string const& name)
{
    file_name = name;
    return read_from_file();
}

int BnumMat::read_from_file()
{
    std::ifstream is(file_name.str, std::ios::in | std::ios::binary);
    if (!is.is_open()) {
        E.error(WARNING, "BnumMat::read_from_file()", 8);
        return 0;
    }
    is >> *this;
    return is.fail() ? 0 : 1;
}

std::istream& operator>>(std::istream& is, BnumMat& S)
{
    if (!is) {
        E.error(ERROR, "operator>>(ifstream& is, BnumMat& S)", 9);
        return is;
    }
    S.free_rows();
    std::int32_t num_rows = 0;
    std::int32_t num_cols = 0;
    if (!read_int32(is, num_rows) || !read_int32(is, num_cols) || num_rows < 0 || num_cols < 0
        || num_cols > num_rows) {
        E.error(ERROR, "operator>>(istream& is, BnumMat& S)", 10);
        is.setstate(std::ios::failbit);
        return is;
    }
    S.n = num_rows;
    S.k = num_cols;
    S.allocate_matrix();
    if (S.rows == nullptr)
        return is;
    // The rows are one block in file order, so the values are read at once.
    std::size_t count = table_size(S.n, S.k);
    if (!is.read(reinterpret_cast<char*>(S.rows[0]),
                 static_cast<std::streamsize>(count * sizeof(double)))) {
        S.free_rows();
        E.error(ERROR, "operator>>(istream& is, BnumMat& M)", 9);
    }
    return is;
}
