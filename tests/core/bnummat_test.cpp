#include "core/bnummat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "binary_matrix_file.h"
#include "core/my_string.h"
#include "support/temp_log.h"

namespace {

using BnumMatTest = LogFolderTest;

std::vector<double> row(const BnumMat& b, int i)
{
    return std::vector<double>(b.rows[i - 1], b.rows[i - 1] + std::min(i, b.k));
}

void expect_empty(const BnumMat& b)
{
    EXPECT_EQ(b.rows, nullptr);
    EXPECT_EQ(b.n, 0);
    EXPECT_EQ(b.k, 0);
}

}  // namespace

TEST_F(BnumMatTest, SmallTables)
{
    BnumMat b;
    expect_empty(b);

    ASSERT_EQ(b.re_allocate_matrix(3, 3), 1);
    EXPECT_EQ(b.n, 3);
    EXPECT_EQ(b.k, 3);
    EXPECT_EQ(row(b, 1), std::vector<double>({1.0}));
    EXPECT_EQ(row(b, 2), std::vector<double>({0.5, 1.0}));
    EXPECT_EQ(row(b, 3), std::vector<double>({1.0 / 3, 1.0, 1.0}));

    // A second call replaces the table: row 4 holds B(4,1) = 1/4 and
    // B(4,2) = |s(4,2)| 2!/4! = 11 * 2 / 24.
    ASSERT_EQ(b.re_allocate_matrix(4, 2), 1);
    EXPECT_EQ(b.k, 2);
    EXPECT_EQ(row(b, 3).size(), 2u);
    EXPECT_DOUBLE_EQ(b.rows[3][0], 0.25);
    EXPECT_DOUBLE_EQ(b.rows[3][1], 11.0 / 12.0);
    EXPECT_EQ(log_text(), "");
}

// Against the definition, with the Stirling numbers computed exactly in integers.
TEST_F(BnumMatTest, EqualsScaledStirlingNumbersOfTheFirstKind)
{
    const int n = 20;
    std::vector<std::vector<std::uint64_t>> s(n + 1, std::vector<std::uint64_t>(n + 1, 0));
    s[0][0] = 1;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= i; ++j)
            s[i][j] = (i - 1) * s[i - 1][j] + s[i - 1][j - 1];

    BnumMat b;
    ASSERT_EQ(b.re_allocate_matrix(n, 12), 1);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= std::min(i, 12); ++j) {
            double expected = static_cast<double>(s[i][j]) * std::tgamma(j + 1.0)
                              / std::tgamma(i + 1.0);
            EXPECT_NEAR(b.rows[i - 1][j - 1], expected, 1e-12 * expected) << i << "," << j;
        }
}

TEST_F(BnumMatTest, TheLimitsThemselvesAreAccepted)
{
    BnumMat b;
    ASSERT_EQ(b.re_allocate_matrix(BnumMat::max_rows, BnumMat::max_cols), 1);
    EXPECT_EQ(b.n, 5000);
    EXPECT_EQ(b.k, 1000);
    EXPECT_DOUBLE_EQ(b.rows[4999][0], 1.0 / 5000);
    EXPECT_EQ(b.rows[999][999], 1.0);
    EXPECT_DOUBLE_EQ(b.rows[999][998], 999.0 / 2) << "B(i, i-1) = C(i, 2) (i-1)! / i!";
}

TEST_F(BnumMatTest, RequestsBeyondTheLimitsAreRefused)
{
    const int refused[][2] = {{5001, 10}, {10, 1001}, {-1, 5}, {5, -1}};
    for (const auto& size : refused) {
        BnumMat b;
        ASSERT_EQ(b.re_allocate_matrix(200, 80), 1);
        EXPECT_EQ(b.re_allocate_matrix(size[0], size[1]), 0) << size[0] << "," << size[1];
        expect_empty(b);
    }
    EXPECT_EQ(log_text(), "") << "refusals are not reported";

    BnumMat b;
    EXPECT_EQ(b.re_allocate_matrix(0, 0), 1);
    expect_empty(b);
}

TEST_F(BnumMatTest, ZeroedConstructor)
{
    BnumMat b(4, 2);
    EXPECT_EQ(b.n, 4);
    EXPECT_EQ(b.k, 2);
    EXPECT_EQ(row(b, 1), std::vector<double>({0.0}));
    EXPECT_EQ(row(b, 4), std::vector<double>({0.0, 0.0}));
    b.rows[0][0] = 3.0;
    EXPECT_EQ(b.allocate_matrix(), 1);
    EXPECT_EQ(b.rows[0][0], 3.0) << "existing rows are kept";
}

TEST_F(BnumMatTest, ReadsTheBinaryFile)
{
    // Rows 1..3 with k = 2: 1 value, then 2, then 2.
    std::string path = write_binary(dir / "b.bnb", 3, 2, {1.0, 0.5, 1.0, 1.0 / 3, 1.0});
    BnumMat b(my_string(path.c_str()));
    ASSERT_EQ(b.n, 3);
    ASSERT_EQ(b.k, 2);
    EXPECT_EQ(row(b, 2), std::vector<double>({0.5, 1.0}));
    EXPECT_EQ(row(b, 3), std::vector<double>({1.0 / 3, 1.0}));

    BnumMat other;
    other.re_allocate_matrix(10, 10);
    EXPECT_EQ(other.read_from_file(my_string(path.c_str())), 1);
    EXPECT_EQ(other.n, 3);
    EXPECT_EQ(row(other, 3), std::vector<double>({1.0 / 3, 1.0}));
    EXPECT_EQ(log_text(), "");
}

TEST_F(BnumMatTest, BinaryFileFailures)
{
    BnumMat missing(my_string((dir / "none.bnb").c_str()));
    expect_empty(missing);
    EXPECT_NE(log_text().find(" #[WARNING # "), std::string::npos);
    EXPECT_NE(log_text().find(
                  "] from function \"BnumMat::read_from_file()\" : missing file (BNumMat)\n"),
              std::string::npos);

    BnumMat b;
    std::string wide = write_binary(dir / "wide.bnb", 2, 3, {1, 2, 3});
    EXPECT_EQ(b.read_from_file(my_string(wide.c_str())), 0);
    expect_empty(b);
    EXPECT_NE(log_text().find("] from function \"operator>>(istream& is, BnumMat& S)\" : invalid "
                              "BNumMat file\n"),
              std::string::npos);

    std::string cut = write_binary(dir / "cut.bnb", 3, 3, {1, 0.5, 1});
    EXPECT_EQ(b.read_from_file(my_string(cut.c_str())), 0);
    expect_empty(b);
    EXPECT_NE(log_text().find("] from function \"operator>>(istream& is, BnumMat& M)\" : invalid "
                              "stream\n"),
              std::string::npos);

    std::istringstream failed;
    failed.setstate(std::ios::failbit);
    failed >> b;
    EXPECT_NE(log_text().find("] from function \"operator>>(ifstream& is, BnumMat& S)\" : invalid "
                              "stream\n"),
              std::string::npos);
}
