// The sums of the Mantel test (Mantel 1967) on square RectMat objects, and the
// permutation index of their rows and columns.
//
// Only the elements below the diagonal enter the sums. For matrices X and M
// with N = n(n-1)/2 such elements, SSX = sum (x - mean)^2, Z = sum X(p(i), p(j))
// M(i, j) with p the permutation index of X, and the centred cross-product
// SP = Z - N mean(X) mean(M); the caller forms r = SP / sqrt(SSX(X) SSX(M)).
// Problems are written as text lines on the log and give the result 0.

#include <new>

#include "core/errors.h"
#include "core/random.h"
#include "core/rectmat.h"

namespace {

const char* const SSX_TEXT = "RectMat::compute_SSX()";
const char* const Z_TEXT = "RectMat::Z(const RectMat& M)";
const char* const SP_TEXT = "RectMat::sum_of_products(const RectMat& M)";

}  // namespace

int RectMat::check_square(const char* function_text) const
{
    if (nrows == ncols)
        return 1;
    *_ZOS_ << function_text << " : unable to proceed on non-square matrix\n";
    return 0;
}

int RectMat::check_same_size(RectMat const& M, const char* function_text) const
{
    if (M.nrows == nrows && M.ncols == ncols)
        return 1;
    *_ZOS_ << function_text
           << " : unable to compute correlation between matrices of different size\n";
    return 0;
}

double RectMat::compute_SSX()
{
    if (!check_square(SSX_TEXT))
        return 0.0;
    // A matrix of one row has no element below the diagonal.
    if (nrows <= 1) {
        mean = 0.0;
        SSX = 0.0;
        return SSX;
    }
    double sum = 0.0;
    for (int i = 1; i < nrows; ++i)
        for (int j = 0; j < i; ++j)
            sum += rows[i][j];
    double num_elements = 0.5 * nrows * (nrows - 1.0);
    mean = sum / num_elements;

    double squares = 0.0;
    for (int i = 1; i < nrows; ++i)
        for (int j = 0; j < i; ++j) {
            double deviation = rows[i][j] - mean;
            squares += deviation * deviation;
        }
    SSX = squares;
    return SSX;
}

// Runs once per permutation: this matrix is read through its index, never copied.
double RectMat::permuted_cross_product(RectMat const& M) const
{
    double sum = 0.0;
    for (int i = 1; i < nrows; ++i) {
        const double* permuted_row = rows[index[i]];
        const double* other_row = M.rows[i];
        for (int j = 0; j < i; ++j)
            sum += permuted_row[index[j]] * other_row[j];
    }
    return sum;
}

double RectMat::computeZ(RectMat const& M)
{
    if (!check_square(Z_TEXT))
        return 0.0;
    if (index == nullptr) {
        *_ZOS_ << Z_TEXT << " : index matrix not available, Z value cannot be computed\n";
        return 0.0;
    }
    if (!check_same_size(M, Z_TEXT))
        return 0.0;
    Z = permuted_cross_product(M);
    return Z;
}

double RectMat::sum_of_products(RectMat const& M)
{
    if (!check_square(SP_TEXT) || !check_same_size(M, SP_TEXT))
        return 0.0;
    if (index == nullptr) {
        *_ZOS_ << Z_TEXT << " : index matrix not available, Z value cannot be computed\n";
        return 0.0;
    }
    Z = permuted_cross_product(M);
    double num_elements = 0.5 * nrows * (nrows - 1.0);
    return Z - num_elements * mean * M.mean;
}

void RectMat::free_index()
{
    delete[] index;
    index = nullptr;
}

int RectMat::create_index()
{
    free_index();
    index = new (std::nothrow) int[nrows];
    if (index == nullptr) {
        *_ZOS_ << "RectMat::RectMat::create_index() : not enough memory\n";
        return 0;
    }
    for (int k = 0; k < nrows; ++k)
        index[k] = k;
    return 1;
}

// One ran3 draw per row, so that a seeded run permutes the same way again.
int RectMat::permute_index()
{
    if (index == nullptr)
        return 0;
    for (long m = nrows; m >= 1; --m) {
        long bound = m;
        int r = rand_long(&bound);
        int swapped = index[r];
        index[r] = index[m - 1];
        index[m - 1] = swapped;
    }
    return 1;
}
