#include "core/trimat.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/temp_log.h"

namespace {

// The warnings are read back from the log.
class TriMatTest : public LogFolderTest {
protected:
    int count(const std::string& text) const { return count_of(log_text(), text); }
};

const std::string OUT_OF_BOUNDS =
    "] from function \"TriMat::operator()\" : array out of bounds\n";

// A 3 by 3 matrix with element (i, j) = 10 i + j for j <= i.
TriMat filled3()
{
    TriMat m(3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j <= i; ++j)
            m(i, j) = 10 * i + j;
    return m;
}

}  // namespace

TEST_F(TriMatTest, SymmetricCellsAndZeroedConstruction)
{
    TriMat m(3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(m(i, j), 0.0);
    m(0, 2) = 4.5;
    EXPECT_EQ(m(2, 0), 4.5);
    EXPECT_EQ(&m(0, 2), &m(2, 0));
    EXPECT_EQ(&m(2, 2), &m.rows[2][2]) << "the diagonal is the last cell of its row";
    EXPECT_EQ(&m(1, 2), &m.rows[2][1]);
    EXPECT_EQ(log_text(), "");
}

TEST_F(TriMatTest, OutOfRangeGivesAZeroedSpareCell)
{
    TriMat m = filled3();
    const int bad[][2] = {{3, 0}, {0, 3}, {-1, 1}, {1, -1}, {3, 3}};
    for (const auto& ij : bad) {
        double& spare = m(ij[0], ij[1]);
        EXPECT_EQ(spare, 0.0);
        spare = 99.0;  // a stray write
    }
    EXPECT_EQ(count(" #[WARNING # "), 5);
    EXPECT_EQ(count(OUT_OF_BOUNDS), 5);
    EXPECT_EQ(m(5, 5), 0.0) << "the spare cell is zeroed each time";

    // Neither the rows nor the constant-mode values were touched.
    EXPECT_EQ(m.diagonal_value, 0.0);
    EXPECT_EQ(m.off_diagonal_value, 1.0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j <= i; ++j)
            EXPECT_EQ(m(i, j), 10 * i + j);
    m.constant_mode = 1;
    EXPECT_EQ(m(1, 1), 0.0);
    EXPECT_EQ(m(0, 1), 1.0);
}

TEST_F(TriMatTest, EmptyMatrixReportsEveryAccess)
{
    TriMat empty(0);
    EXPECT_EQ(empty.rows, nullptr);
    EXPECT_EQ(empty(0, 0), 0.0);
    TriMat negative(-4);
    EXPECT_EQ(negative.n, 0);
    EXPECT_EQ(negative.rows, nullptr);
    EXPECT_EQ(count(OUT_OF_BOUNDS), 1);
}

TEST_F(TriMatTest, ConstantModeIgnoresRowsAndBounds)
{
    TriMat m = filled3();
    m.constant_mode = 1;
    EXPECT_EQ(m(2, 2), 0.0);
    EXPECT_EQ(m(2, 1), 1.0);
    EXPECT_EQ(m(7, 7), 0.0);
    EXPECT_EQ(m(-1, 40), 1.0);
    EXPECT_EQ(log_text(), "");
}

TEST_F(TriMatTest, CreateDestroyAndInitialize)
{
    TriMat m = filled3();
    m.constant_mode = 1;
    m.create(4);
    m.constant_mode = 0;
    EXPECT_EQ(m.n, 4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j <= i; ++j)
            EXPECT_EQ(m(i, j), 0.0);

    m(3, 1) = 2.0;
    m.initialize();
    EXPECT_EQ(m(3, 1), 0.0);

    // A second allocation replaces the rows (the sanitizer build catches a leak).
    m(3, 1) = 2.0;
    m.allocate_matrix();
    EXPECT_EQ(m.n, 4);
    EXPECT_EQ(m(3, 1), 0.0);

    m.destroy();
    EXPECT_EQ(m.n, 0);
    EXPECT_EQ(m.rows, nullptr);
    m.delete_matrix();  // on an empty matrix: nothing
    m.create(0);
    EXPECT_EQ(m.rows, nullptr);
    EXPECT_EQ(log_text(), "");
}

TEST_F(TriMatTest, CopyAndSums)
{
    TriMat a = filled3();
    TriMat b(1);
    b = a;
    a(2, 1) = -1.0;
    EXPECT_EQ(b(2, 1), 21.0) << "deep copy";

    TriMat constant(2);
    constant.constant_mode = 1;
    TriMat copy(constant);
    EXPECT_EQ(copy.constant_mode, 0);
    EXPECT_EQ(copy(0, 0), 0.0);
    EXPECT_EQ(copy(1, 0), 1.0);

    b += filled3();
    EXPECT_EQ(b(2, 1), 42.0);
    b *= filled3();
    EXPECT_EQ(b(2, 1), 63.0) << "operator*= sums as well";
    EXPECT_EQ(log_text(), "");

    b += copy;
    b *= copy;
    EXPECT_EQ(b(2, 1), 63.0) << "sizes differ: no change";
    EXPECT_EQ(count("] from function \"TriMat::operator+=()\" : "
                    "attempt to operate on two matrices of different size\n"),
              1);
    EXPECT_EQ(count("] from function \"TriMat::operator*=()\" : "
                    "attempt to operate on two matrices of different size\n"),
              1);
}

TEST_F(TriMatTest, PrintData)
{
    TriMat m(2);
    m(0, 0) = 1;
    m(1, 0) = 2;
    m(1, 1) = 3;
    std::ostringstream os;
    m.print_data(os);
    EXPECT_EQ(os.str(), "   1.00000\n   2.00000   3.00000");
    EXPECT_EQ(os.precision(), 5) << "the format stays set";

    std::ostringstream none;
    TriMat(0).print_data(none);
    EXPECT_EQ(none.str(), "");
}
