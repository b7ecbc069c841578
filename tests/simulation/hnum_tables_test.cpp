// Tests of the exact mismatch probability tables: the recursion for equal
// rates worked by hand, the binomial and trinomial weights, the file reader,
// and a two-rate mixture at equal rates, which must give the equal-rates
// table of all its sites.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "simulation/hnum_tables.h"
#include "support/temp_log.h"

namespace {

class HNumTest : public LogFolderTest {
protected:
    // The equal-rates table of `sites` sites written as an H-number file.
    void write_table(int sites, int columns)
    {
        My_HNum table;
        table.K = columns - 1;
        ASSERT_EQ(table.create(sites), 1);
        std::ofstream out(dir / ("H" + std::to_string(sites) + ".txt"));
        out.precision(17);
        out << sites << " " << columns << "\n";
        for (int k = 0; k <= sites; ++k) {
            for (int m = 0; m < columns; ++m)
                out << table.H[k][m] << " ";
            out << "a remark after the numbers that runs well past twenty characters\n";
            out << "********************************\n";
        }
    }
    std::string folder() const { return dir.string() + "/"; }
};

}  // namespace

TEST_F(HNumTest, EqualRatesForTwoSites)
{
    My_HNum h;
    h.K = 3;
    ASSERT_EQ(h.create(2), 1);
    EXPECT_EQ(h.H[0][0], 1.0);
    EXPECT_EQ(h.H[1][1], 1.0);  // one mutation, one difference
    EXPECT_DOUBLE_EQ(h.H[1][2], 0.5);
    EXPECT_DOUBLE_EQ(h.H[2][2], 0.5);
    EXPECT_DOUBLE_EQ(h.H[1][3], 0.25);
    EXPECT_DOUBLE_EQ(h.H[2][3], 0.75);
    EXPECT_EQ(h.H[2][1], 0.0);
}

TEST_F(HNumTest, BinomialAndTrinomialWeights)
{
    Bin_pr bin;
    ASSERT_EQ(bin.create(4, 0.5), 1);
    EXPECT_DOUBLE_EQ(bin.at(2, 0), 0.25);
    EXPECT_DOUBLE_EQ(bin.at(2, 1), 0.5);
    EXPECT_DOUBLE_EQ(bin.at(2, 2), 0.25);
    EXPECT_EQ(bin.at(2, 3), 0.0);
    EXPECT_EQ(Bin_pr::bin_prob(3, 0, 0.0), 1.0);
    MULT_pr mult;
    ASSERT_EQ(mult.create(3, 0.5, 0.25, 0.25), 1);
    EXPECT_DOUBLE_EQ(mult(1, 1, 0), 0.25);
    take_log();
    mult(4, 0, 0);
    EXPECT_EQ(take_log(), "H number: index out of range (4,0,0)\n");
}

TEST_F(HNumTest, TwoRatesAtEqualRatesAreTheEqualRatesTable)
{
    write_table(1, 200);
    write_table(2, 200);
    Ex_HNum A, B, mixed, refused;
    ASSERT_EQ(A.create(1, folder().c_str()), 1);
    ASSERT_EQ(B.create(2, folder().c_str()), 1);
    EXPECT_EQ(A.last_row, 1);
    EXPECT_EQ(A.cols, 200);
    EXPECT_EQ(refused.create(4, 1, 2, 1.0, &A, &B), 0);
    EXPECT_EQ(refused.size, 0);
    ASSERT_EQ(mixed.create(3, 1, 2, 1.0, &A, &B), 1);
    My_HNum direct;
    direct.K = 12;
    ASSERT_EQ(direct.create(3), 1);
    for (int k = 0; k <= 3; ++k)
        for (int m = 0; m <= 12; ++m)
            EXPECT_NEAR(mixed.H[k][m], direct.H[k][m], 1e-10) << k << " " << m;
}

TEST_F(HNumTest, MissingFileAndSeparator)
{
    Ex_HNum table;
    EXPECT_EQ(table.create(7, folder().c_str()), 0);
    EXPECT_NE(log_text().find("Hn input data file not found for n=7"), std::string::npos);
    write_file("H5.txt", "1 2\n0.5 0.5\nno separator here\n");
    EXPECT_EQ(table.create(5, folder().c_str()), 0);
    EXPECT_NE(log_text().find("Hn: matrix line separator not found5"), std::string::npos);
    EXPECT_EQ(table.size, 0);
}
