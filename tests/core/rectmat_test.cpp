#include "core/rectmat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "binary_matrix_file.h"
#include "core/my_string.h"
#include "core/random.h"
#include "support/temp_log.h"

namespace {

// Reports and text lines are read back from the log.
class RectMatTest : public LogFolderTest {
protected:
    int count(const std::string& text) const { return count_of(log_text(), text); }
};

const std::string OUT_OF_BOUNDS =
    "] from function \"RectMat::operator()\" : array out of bounds\n";
const std::string Z_NO_INDEX =
    "RectMat::Z(const RectMat& M) : index matrix not available, Z value cannot be computed\n";

// Fills the full symmetric n by n matrix from the elements below the diagonal,
// given row by row: (1,0), (2,0), (2,1), (3,0) ...
void fill_symmetric(RectMat& m, const std::vector<double>& lower)
{
    std::size_t k = 0;
    for (int i = 1; i < m.nrows; ++i)
        for (int j = 0; j < i; ++j) {
            m(i, j) = lower[k];
            m(j, i) = lower[k];
            ++k;
        }
}

bool is_permutation_of_rows(const RectMat& m)
{
    std::vector<int> seen(m.index, m.index + m.nrows);
    std::sort(seen.begin(), seen.end());
    std::vector<int> expected(m.nrows);
    std::iota(expected.begin(), expected.end(), 0);
    return seen == expected;
}

}  // namespace

TEST_F(RectMatTest, ConstructionAndRowMajorCells)
{
    RectMat m(2, 3);
    EXPECT_EQ(m.nrows, 2);
    EXPECT_EQ(m.ncols, 3);
    EXPECT_EQ(m.index, nullptr);
    EXPECT_EQ(m.diagonal_value, 0.0);
    EXPECT_EQ(m.off_diagonal_value, 1.0);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(m(i, j), 0.0);
    m(0, 1) = 5.0;
    EXPECT_EQ(m(1, 0), 0.0) << "(i, j) and (j, i) are different cells";
    EXPECT_EQ(&m(1, 2), &m.rows[1][2]);
    EXPECT_EQ(log_text(), "");
}

TEST_F(RectMatTest, OutOfRangeGivesAZeroedSpareCellAndTouchesNothing)
{
    RectMat m(2, 3);
    m(1, 2) = 7.0;
    const int bad[][2] = {{2, 0}, {0, 3}, {-1, 0}, {0, -1}, {2, 3}};
    for (const auto& ij : bad) {
        double& spare = m(ij[0], ij[1]);
        EXPECT_EQ(spare, 0.0);
        spare = 99.0;  // a stray write
    }
    EXPECT_EQ(count(OUT_OF_BOUNDS), 5);
    EXPECT_EQ(count(" #[ERROR # "), 5);
    EXPECT_EQ(m(9, 9), 0.0) << "the spare cell is zeroed each time";

    EXPECT_EQ(m.diagonal_value, 0.0);
    EXPECT_EQ(m.off_diagonal_value, 1.0);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(m(i, j), i == 1 && j == 2 ? 7.0 : 0.0);

    m.constant_mode = 1;
    EXPECT_EQ(m(1, 1), 0.0);
    EXPECT_EQ(m(1, 2), 1.0);
    EXPECT_EQ(m(40, 40), 0.0) << "constant mode reads no row and reports nothing";
    EXPECT_EQ(count(" #[ERROR # "), 6);
}

TEST_F(RectMatTest, EmptyAndDeallocatedMatrices)
{
    RectMat empty(0, 0);
    EXPECT_EQ(empty.rows, nullptr);
    RectMat negative(-2, 3);
    EXPECT_EQ(negative.nrows, 0);
    EXPECT_EQ(negative.rows, nullptr);
    EXPECT_EQ(negative(0, 0), 0.0);
    EXPECT_EQ(count(OUT_OF_BOUNDS), 1);

    RectMat m(2, 2);
    EXPECT_EQ(m.allocate_matrix(), 1) << "existing storage is kept";
    EXPECT_EQ(m.de_allocate_matrix(), 1);
    EXPECT_EQ(m.rows, nullptr);
    EXPECT_EQ(m.nrows, 0);
    EXPECT_EQ(m.ncols, 0);
}

TEST_F(RectMatTest, DisplayMatrix)
{
    RectMat m(2, 2);
    m(0, 0) = 1.5;
    m(0, 1) = 2;
    m(1, 0) = -3;
    std::ostringstream os;
    EXPECT_EQ(m.display_matrix(os), 1);
    EXPECT_EQ(os.str(), "   1.5 2 \n   -3 0 \n");

    RectMat none(0, 0);
    std::ostringstream empty;
    none.display_matrix(empty);
    EXPECT_EQ(empty.str(), "Matrix contains no data\n");
}

TEST_F(RectMatTest, MeanAndSSXOfTheLowerTriangle)
{
    RectMat m(3, 3);
    fill_symmetric(m, {1, 2, 3});
    m(0, 0) = m(1, 1) = 100.0;  // the diagonal does not count
    EXPECT_DOUBLE_EQ(m.compute_SSX(), 2.0);
    EXPECT_DOUBLE_EQ(m.mean, 2.0);
    EXPECT_DOUBLE_EQ(m.SSX, 2.0);

    RectMat four(4, 4);
    fill_symmetric(four, {1, 1, 1, 1, 1, 7});  // mean 2, deviations -1 x5 and 5
    EXPECT_DOUBLE_EQ(four.compute_SSX(), 30.0);
    EXPECT_DOUBLE_EQ(four.mean, 2.0);
    EXPECT_EQ(log_text(), "");
}

TEST_F(RectMatTest, SSXOfMatricesWithoutALowerTriangleIsZero)
{
    for (int n : {0, 1}) {
        RectMat m(n, n);
        m.mean = m.SSX = -1.0;
        if (n == 1)
            m(0, 0) = 5.0;
        EXPECT_EQ(m.compute_SSX(), 0.0) << n;
        EXPECT_EQ(m.mean, 0.0) << n;
        EXPECT_EQ(m.SSX, 0.0) << n;
    }
}

TEST_F(RectMatTest, SumsRefuseNonSquareMatrices)
{
    RectMat m(2, 3);
    m.mean = 4.0;
    m.Z = 6.0;
    m.create_index();
    RectMat other(2, 3);
    EXPECT_EQ(m.compute_SSX(), 0.0);
    EXPECT_EQ(m.computeZ(other), 0.0);
    EXPECT_EQ(m.sum_of_products(other), 0.0);
    EXPECT_EQ(m.mean, 4.0);
    EXPECT_EQ(m.Z, 6.0);
    EXPECT_EQ(log_text(),
              "RectMat::compute_SSX() : unable to proceed on non-square matrix\n"
              "RectMat::Z(const RectMat& M) : unable to proceed on non-square matrix\n"
              "RectMat::sum_of_products(const RectMat& M) : unable to proceed on non-square "
              "matrix\n");
}

// X below the diagonal: (1,0)=1, (2,0)=2, (2,1)=3; M: 4, 5, 6.
TEST_F(RectMatTest, ComputeZThroughThePermutationIndex)
{
    RectMat x(3, 3);
    RectMat m(3, 3);
    fill_symmetric(x, {1, 2, 3});
    fill_symmetric(m, {4, 5, 6});
    ASSERT_EQ(x.create_index(), 1);
    EXPECT_DOUBLE_EQ(x.computeZ(m), 1 * 4 + 2 * 5 + 3 * 6);
    EXPECT_DOUBLE_EQ(x.Z, 32.0);
    EXPECT_DOUBLE_EQ(x.computeZ(x), 1 + 4 + 9) << "with itself: the sum of squares";

    // p = (2, 0, 1): Z = X(0,2) M(1,0) + X(1,2) M(2,0) + X(1,0) M(2,1) = 2*4 + 3*5 + 1*6.
    x.index[0] = 2;
    x.index[1] = 0;
    x.index[2] = 1;
    EXPECT_DOUBLE_EQ(x.computeZ(m), 29.0);
    EXPECT_DOUBLE_EQ(x.Z, 29.0);
    EXPECT_EQ(log_text(), "");
}

TEST_F(RectMatTest, ComputeZRefusesAMissingIndexAndAnotherSize)
{
    RectMat x(3, 3);
    fill_symmetric(x, {1, 2, 3});
    x.Z = 8.0;
    EXPECT_EQ(x.computeZ(x), 0.0);
    EXPECT_EQ(log_text(), Z_NO_INDEX);

    x.create_index();
    const std::vector<std::pair<int, int>> sizes = {{2, 2}, {4, 4}, {3, 2}};
    for (auto size : sizes) {
        RectMat other(size.first, size.second);
        EXPECT_EQ(x.computeZ(other), 0.0) << size.first << "x" << size.second;
    }
    EXPECT_EQ(x.Z, 8.0) << "nothing is stored";
    EXPECT_EQ(count("RectMat::Z(const RectMat& M) : unable to compute correlation between "
                    "matrices of different size\n"),
              3);
    EXPECT_EQ(count(OUT_OF_BOUNDS), 0) << "no cell outside the smaller matrix is read";
}

TEST_F(RectMatTest, SumOfProductsIsTheCentredCrossProduct)
{
    RectMat x(3, 3);
    RectMat m(3, 3);
    fill_symmetric(x, {1, 2, 3});
    fill_symmetric(m, {4, 5, 6});
    x.create_index();
    x.compute_SSX();
    m.compute_SSX();
    // Z = 32, means 2 and 5 over 3 elements: 32 - 3 * 2 * 5.
    EXPECT_DOUBLE_EQ(x.sum_of_products(m), 2.0);
    EXPECT_DOUBLE_EQ(x.Z, 32.0);
    EXPECT_DOUBLE_EQ(x.sum_of_products(x), x.SSX);

    // The Mantel correlation of two proportional matrices is 1.
    EXPECT_DOUBLE_EQ(x.sum_of_products(m) / std::sqrt(x.SSX * m.SSX), 1.0);
    EXPECT_EQ(log_text(), "");
}

TEST_F(RectMatTest, SumOfProductsRefusals)
{
    RectMat x(3, 3);
    fill_symmetric(x, {1, 2, 3});
    x.compute_SSX();
    x.Z = 50.0;  // left by an earlier call
    EXPECT_EQ(x.sum_of_products(x), 0.0) << "no index: no stale Z";
    EXPECT_EQ(log_text(), Z_NO_INDEX);

    x.create_index();
    RectMat smaller(2, 2);
    RectMat narrower(3, 2);
    EXPECT_EQ(x.sum_of_products(smaller), 0.0);
    EXPECT_EQ(x.sum_of_products(narrower), 0.0);
    EXPECT_EQ(x.Z, 50.0);
    EXPECT_EQ(count("RectMat::sum_of_products(const RectMat& M) : unable to compute "
                    "correlation between matrices of different size\n"),
              2);
    EXPECT_EQ(count(OUT_OF_BOUNDS), 0);
}

TEST_F(RectMatTest, CreateIndexIsTheIdentity)
{
    RectMat m(5, 5);
    ASSERT_EQ(m.create_index(), 1);
    m.index[0] = 4;
    m.index[4] = 0;
    ASSERT_EQ(m.create_index(), 1) << "a new index replaces the old one";
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(m.index[k], k);
}

TEST_F(RectMatTest, PermuteIndexShufflesReproduciblyWithOneDrawPerRow)
{
    const int n = 40;
    long seed = -2718;
    ran3(&seed);
    RectMat a(n, n);
    a.create_index();
    ASSERT_EQ(a.permute_index(), 1);
    EXPECT_TRUE(is_permutation_of_rows(a));
    EXPECT_FALSE(std::is_sorted(a.index, a.index + n));
    long next = 1;
    double after_shuffle = ran3(&next);

    seed = -2718;
    ran3(&seed);
    RectMat b(n, n);
    b.create_index();
    b.permute_index();
    EXPECT_TRUE(std::equal(a.index, a.index + n, b.index)) << "same seed, same permutation";

    seed = -2718;
    ran3(&seed);
    for (int k = 0; k < n; ++k)
        ran3(&next);
    EXPECT_EQ(ran3(&next), after_shuffle) << "exactly n draws per shuffle";

    // Repeated shuffles keep a permutation; a single row stays at 0.
    for (int k = 0; k < 100; ++k)
        b.permute_index();
    EXPECT_TRUE(is_permutation_of_rows(b));
    RectMat one(1, 1);
    one.create_index();
    one.permute_index();
    EXPECT_EQ(one.index[0], 0);
}

TEST_F(RectMatTest, PermuteIndexWithoutIndexDoesNothing)
{
    long seed = -99;
    ran3(&seed);
    RectMat m(4, 4);
    EXPECT_EQ(m.permute_index(), 0);
    long next = 1;
    double first = ran3(&next);
    seed = -99;
    ran3(&seed);
    EXPECT_EQ(ran3(&next), first) << "no draw was taken";
}

TEST_F(RectMatTest, ReadsTheBinaryFile)
{
    std::string path = write_binary(dir / "m.bin", 3, 2, {1, 2, 3, 4, 5, 6});
    RectMat m(path.c_str());
    ASSERT_EQ(m.nrows, 3);
    ASSERT_EQ(m.ncols, 2);
    EXPECT_EQ(m(0, 1), 2.0);
    EXPECT_EQ(m(2, 0), 5.0);

    // Reading into a matrix of another size replaces its storage and its index.
    RectMat big(5, 5);
    big.create_index();
    EXPECT_EQ(big.read_from_file(my_string(path.c_str())), 1);
    EXPECT_EQ(big.nrows, 3);
    EXPECT_EQ(big.ncols, 2);
    EXPECT_EQ(big(2, 1), 6.0);
    EXPECT_EQ(big.index, nullptr);
    EXPECT_EQ(log_text(), "");
}

TEST_F(RectMatTest, BinaryFileFailures)
{
    RectMat missing((dir / "none.bin").c_str());
    EXPECT_EQ(missing.rows, nullptr);
    EXPECT_EQ(count("] from function \"RectMat::read_from_file()\" : unable to open matrix file\n"),
              1);

    RectMat m(2, 2);
    std::string wide = write_binary(dir / "wide.bin", 2, 3, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(m.read_from_file(my_string(wide.c_str())), 0);
    EXPECT_EQ(m.rows, nullptr);
    EXPECT_EQ(count("] from function \"operator>>(istream& is, RectMat& S)\" : error while "
                    "reading matrix\n"),
              1);

    std::string cut = write_binary(dir / "cut.bin", 2, 2, {1, 2, 3});
    EXPECT_EQ(m.read_from_file(my_string(cut.c_str())), 0);
    EXPECT_EQ(m.rows, nullptr) << "a partly read matrix is not kept";
    EXPECT_EQ(m.nrows, 0);
    EXPECT_EQ(count("] from function \"operator>>(istream& is, RectMat& M)\" : error while "
                    "reading matrix\n"),
              1);

    std::istringstream failed;
    failed.setstate(std::ios::failbit);
    failed >> m;
    EXPECT_EQ(count("] from function \"operator>>(ifstream& is, RectMat& S)\" : unable to open "
                    "matrix file\n"),
              1);
}
