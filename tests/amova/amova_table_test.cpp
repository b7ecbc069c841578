// The printers of the locus-by-locus AMOVA records: the per-locus table, the
// population-specific indices per locus and the weighted average over loci
// with its bootstrap percentiles and tests of the averaged null distributions.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "amova/amova_table.h"
#include "app/glbobj.h"
#include "summary/sumstat.h"
#include "core/random.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class AmovaTableTest : public LogFolderTest {
protected:
    AMOVA_table table;
    std::fstream out;
    std::string path = (dir / "table.txt").string();

    void SetUp() override { out.open(path, std::ios::out | std::ios::trunc); }

    std::string text()
    {
        out.flush();
        return read_text(path);
    }

    amova_results& add(int locus, int amova_case, double va, double vb, double total)
    {
        amova_results* r = new amova_results;
        r->locus = locus;
        r->amova_case = amova_case;
        r->var_1 = va;
        r->var_2 = vb;
        r->var_total = total;
        r->ssd_total = total;
        table.records.Add(r);
        return *r;
    }

    static std::vector<std::string> lines(std::string const& s)
    {
        std::vector<std::string> v;
        std::istringstream is(s);
        for (std::string l; std::getline(is, l);)
            v.push_back(l);
        return v;
    }
};

// Each design's titles, as the program writes them, and its index columns.
TEST_F(AmovaTableTest, HeaderOfEveryCase)
{
    struct Case {
        int amova_case;
        std::vector<const char*> titles;
        std::vector<const char*> indices;
    };
    const std::vector<Case> cases = {
        {1, {"Among populations:", "Within populations:"}, {"FST"}},
        {2, {"Among populations:", "Among Individuals:", "Within Individuals:"},
         {"FIS", "FST", "FIT"}},
        {3, {"Among Groups:", "Among Population:", "Within Populations:"}, {"FSC", "FST", "FCT"}},
        {4, {"Among Groups:", "Among Population:", "Within Populations:", "Within Individuals:"},
         {"FIS", "FSC", "FCT", "FIT"}},
        {5, {"Among Groups:", "Among Population:", "Within Populations:"}, {"FSC", "FST", "FCT"}},
        {6, {"Among Individuals:", "Within Individuals:"}, {"FIS"}},
        {7, {"Among Populations:", "Within Populations:"}, {"FST"}},
        {8, {"Among Populations:", "Within Populations:"}, {"FST"}},
        {9, {"Among Groups:", "Among Population:", "Within Populations:"}, {"FSC", "FST", "FCT"}},
    };
    const char* components[4] = {"Va", "Vb", "Vc", "Vd"};
    for (Case const& c : cases) {
        AMOVA_table t;
        amova_results* r = new amova_results;
        r->amova_case = c.amova_case;
        t.records.Add(r);
        std::fstream o((dir / "h.txt").string(), std::ios::out | std::ios::trunc);
        t.print_table_header(o);
        o.close();
        std::ostringstream want;
        for (std::size_t k = 0; k < c.titles.size(); ++k)
            want << std::string((k == 0 ? 25 : 55) - std::string(c.titles[k]).size(), ' ')
                 << c.titles[k];
        want << std::string(50 - 17, ' ') << "Fixation indices:\n";
        want << "  Locus";
        for (std::size_t k = 0; k < c.titles.size(); ++k)
            want << "            SSD   d.f.             " << components[k]
                 << "    % variation";
        for (const char* index : c.indices)
            want << "       " << index << "   P-value";
        want << "\n";
        EXPECT_EQ(read_text(dir / "h.txt"), want.str()) << "case " << c.amova_case;
    }
}

TEST_F(AmovaTableTest, InvalidCasesAndEmptyTable)
{
    table.print_table_header(out);
    table.print_table(out);
    EXPECT_EQ(text(), "");
    for (int invalid : {0, 10}) {
        AMOVA_table t;
        amova_results* r = new amova_results;
        r->amova_case = invalid;
        r->var_total = 1.0;
        t.records.Add(r);
        std::fstream o((dir / "i.txt").string(), std::ios::out | std::ios::trunc);
        t.print_table_header(o);
        t.print_table(o);
        o.close();
        EXPECT_EQ(read_text(dir / "i.txt"), "Invalid AMOVA case\nInvalid AMOVA case\n");
    }
}

// A case-1 row: 131 characters, the percentage of a negative component with
// its sign, a P-value never tested as N.A.; loci of total variance 1e-17 or
// less have no row, so the numbering shows gaps.
TEST_F(AmovaTableTest, RowsOfOneGroupAndTheVarianceFilter)
{
    amova_results& a = add(0, 1, -0.25, 1.25, 1.0);
    a.ssd_pops = 3.5;
    a.df_1 = 2;
    a.ssd_within = 20.0;
    a.df_2 = 17;
    a.fst_index = -0.25;
    a.p_fst = 0.75;
    add(1, 1, 0.0, 0.0, 1e-17);
    add(2, 1, 0.0, 0.0, 0.0);
    amova_results& d = add(4, 3, 0.5, 0.5, 2.0);  // printed in the first record's layout
    d.df_1 = 1;
    table.print_table(out);
    std::vector<std::string> rows = lines(text());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "      1        3.50000      2       -0.25000      -25.00000       20.00000"
                       "     17        1.25000      125.00000  -0.25000   0.75000");
    EXPECT_EQ(rows[0].size(), 131u);
    EXPECT_EQ(rows[1].substr(0, 7), "      5");
    EXPECT_EQ(rows[1].size(), 131u);
    EXPECT_THAT(rows[1], HasSubstr("      1        0.50000       25.00000"));
    EXPECT_EQ(rows[1].substr(111), "   0.00000      N.A.");
}

class PopulationTablesTest : public AmovaTableTest {};

TEST_F(PopulationTablesTest, FisMissingValuesAndZeroLocusIndex)
{
    amova_results& a = add(0, 2, 0, 0, 1);
    a.fis_index = 0.5;
    for (double v : {-9.99999, -9.99998, 0.25})
        a.pop_fis.Add(v);
    amova_results& b = add(2, 2, 0, 0, 1);
    b.fis_index = 0.0;
    for (double v : {0.1, 0.2})  // one value fewer than the structure has populations
        b.pop_fis.Add(v);
    add(3, 2, 0, 0, 0);  // total sum of squares 0: no row
    out.setf(std::ios::fixed | std::ios::showpoint);
    table.print_Fis_per_pop_table(out, 10, false, 3);
    table.print_Fis_per_pop_table(out, 10, true, 3);
    EXPECT_EQ(text(),
              "      1       0.50000      N.A.  -9.99998   0.25000\n"
              "      3       0.00000   0.10000   0.20000      N.A.\n"
              "      1       0.50000      N.A. -2099.996   -50.000\n"
              "      3       0.00000      N.A.      N.A.      N.A.\n");
}

TEST_F(PopulationTablesTest, FstRelativeRowEndsWhenTheLocusFstIsZero)
{
    amova_results& a = add(0, 1, 0, 0, 1);
    a.fst_index = 0.2;
    a.pop_fst.Add(0.1);
    a.pop_fst.Add(-9.99999);  // FST tables print every value
    amova_results& b = add(1, 1, 0, 0, 1);
    b.fst_index = 0.0;
    b.pop_fst.Add(0.3);
    b.pop_fst.Add(0.4);
    table.print_Fst_per_pop_table(out, 12, false, 2);
    table.print_Fst_per_pop_table(out, 12, true, 2);
    EXPECT_EQ(text(),
              "      1       0.20000     0.10000    -9.99999\n"
              "      2       0.00000     0.30000     0.40000\n"
              "      1       0.20000     -50.000   -5099.995\n"
              "      2       0.00000\n");
}

class LocusAverageTest : public AmovaTableTest {
protected:
    void TearDown() override { SumStat.GLOBAL_FSTAT = false; }
};

// Loci (Va 0.3, T 1.0) and (Va 0, T 0.5): the weighted FST is 0.3 / 1.5, not
// the mean 0.15 of the per-locus FSTs.
TEST_F(LocusAverageTest, FstIsTheRatioOfSummedComponents)
{
    amova_results& a = add(0, 1, 0.3, 0.7, 1.0);
    a.ssd_pops = 2.0;
    a.ssd_within = 10.0;
    a.ssd_total = 12.0;
    amova_results& b = add(1, 1, 0.0, 0.5, 0.5);
    b.ssd_pops = 0.5;
    b.ssd_within = 6.0;
    b.ssd_total = 6.5;
    SumStat.GLOBAL_FSTAT = true;
    table.print_average_loci(out, nullptr);
    std::string t = text();
    EXPECT_THAT(t, HasSubstr("AMOVA design and results (average over 2 loci):\n"));
    EXPECT_THAT(t, HasSubstr(" Among\n populations               2.500             0.30000"
                             "            20.00000\n\n"
                             " Within\n populations              16.000             1.20000"
                             "            80.00000\n"));
    EXPECT_THAT(t, HasSubstr(" Total                    18.500             1.50000\n"));
    EXPECT_THAT(t, HasSubstr("Average F-Statistics over all loci\n Fixation Indices\n"
                             "       FST :      0.20000\n"));
    EXPECT_THAT(t, Not(HasSubstr("bootstrap")));
    EXPECT_THAT(t, HasSubstr("\nNo permutations were done and significance levels cannot be "
                             "reported\n\n"));
    EXPECT_TRUE(SumStat.FST);
    EXPECT_DOUBLE_EQ(SumStat.globalFST, 0.2);
}

TEST_F(LocusAverageTest, CodesWithoutBlockAndEmptyTable)
{
    table.print_average_loci(out, nullptr);
    EXPECT_EQ(text(), "");
    struct Case {
        int amova_case;
        bool invalid;
    };
    for (Case c : {Case{8, false}, Case{9, false}, Case{0, true}, Case{10, true}}) {
        AMOVA_table t;
        amova_results* r = new amova_results;
        r->amova_case = c.amova_case;
        t.records.Add(r);
        std::fstream o((dir / "c.txt").string(), std::ios::out | std::ios::trunc);
        t.print_average_loci(o, nullptr);
        o.close();
        std::string got = read_text(dir / "c.txt");
        std::string end = " variation               squares          components          "
                          "variation\n" + std::string(72, '-') + "\n"
                          + (c.invalid ? "Invalid AMOVA case\n" : "");
        ASSERT_GE(got.size(), end.size());
        EXPECT_EQ(got.substr(got.size() - end.size()), end)
            << c.amova_case;
    }
}

// The percentiles at positions 10 .. 19990 of the 20,000 replicates, redrawn
// here from the same seed: each replicate draws n loci with replacement.
TEST_F(LocusAverageTest, BootstrapPercentilesFromSixLociOn)
{
    const double va[6] = {0.1, 0.4, 0.0, 0.3, 0.05, 0.2};
    const double vt[6] = {1.0, 1.5, 0.5, 2.0, 1.0, 0.8};
    for (int i = 0; i < 5; ++i)
        add(i, 1, va[i], vt[i] - va[i], vt[i]);
    table.print_average_loci(out, nullptr);
    EXPECT_THAT(text(), Not(HasSubstr("bootstrap percentile")));

    add(5, 1, va[5], vt[5] - va[5], vt[5]);
    long seed = -77;
    ran3(&seed);
    std::vector<double> fst;
    int drawn[6];
    for (int b = 0; b < 20000; ++b) {
        bootstrap_index(drawn, 6);
        double a = 0, t = 0;
        for (int k : drawn) {
            a += va[k];
            t += vt[k];
        }
        fst.push_back(a / t);
    }
    std::sort(fst.begin(), fst.end());
    const int positions[17] = {10,    20,    50,    100,   200,   500,   1000,  2000, 10000,
                               18000, 19000, 19500, 19800, 19900, 19950, 19980, 19990};
    std::ostringstream want;
    want.setf(std::ios::fixed | std::ios::showpoint);
    want.precision(5);
    const char* labels[17] = {" 0.05 %    : ", " 0.1 %     : ", " 0.25 %    : ", " 0.5 %     : ",
                              " 1 %       : ", " 2.5 %     : ", " 5 %       : ", " 10 %      : ",
                              " 50 %      : ", " 90 %      : ", " 95 %      : ", " 97.5 %    : ",
                              " 99 %      : ", " 99.5 %    : ", " 99.75 %   : ", " 99.9 %    : ",
                              " 99.95 %   : "};
    want << "\nFST bootstrap percentile values (over 20000 bootstraps)\n" << std::string(55, '-')
         << "\n\n";
    for (int q = 0; q < 17; ++q)
        want << labels[q] << fst[positions[q]] << "\n";
    want << "\n\n";

    for (int run = 0; run < 2; ++run) {  // the same seed gives the same percentiles
        out.close();
        out.open(path, std::ios::out | std::ios::trunc);
        seed = -77;
        ran3(&seed);
        table.print_average_loci(out, nullptr);
        EXPECT_THAT(text(), HasSubstr(want.str()));
    }
}

// The average at permutation j sums the values j of the loci that hold more
// than j of them, over all n loci; the lowest level is tested on its lower tail.
TEST_F(LocusAverageTest, TestsOfTheAveragedNullDistributions)
{
    amova_results& a = add(0, 3, 0.4, 0.2, 1.0);
    a.var_3 = 0.25;
    amova_results& b = add(1, 3, 0.2, 0.0, 1.0);
    b.var_3 = 0.75;
    // Observed averages: Va 0.3, Vb 0.1, Vc 0.5.
    for (double v : {0.0, 0.6, 0.2, 0.7})
        a.null_1.Add(v);
    for (double v : {0.0, 0.1, 0.8})  // one permutation fewer; the largest count is P
        b.null_1.Add(v);
    for (double v : {0.2, 0.0, 0.0, 0.1})
        a.null_2.Add(v);
    for (double v : {0.0, 0.0, 0.0, 0.1})
        b.null_2.Add(v);
    for (double v : {0.25, 0.5, 0.125, 0.5})
        a.null_3.Add(v);
    for (double v : {0.75, 0.5, 0.125, 0.5})
        b.null_3.Add(v);
    table.print_average_loci(out, nullptr);
    // Va averages 0.0, 0.35, 0.5, 0.35 against 0.3: 3 above.
    // Vb averages 0.1, 0.0, 0.0, 0.1 against 0.1: 2 equal.
    // Vc averages 0.5, 0.5, 0.125, 0.5 against 0.5: 1 below, 3 equal.
    EXPECT_THAT(text(), HasSubstr("\n------------------\nSignificance tests (4 permutations)\n"
                                  "------------------\n\n"
                                  "Vc and FST : P(rand. value &lt; obs. value)  =  0.25000\n"
                                  "             P(rand. value = obs. value)  =  0.75000\n"
                                  "                                  P-value =  1.00000\n\n"
                                  "Vb and FSC : P(rand. value > obs. value)  =  0.00000\n"
                                  "             P(rand. value = obs. value)  =  0.50000\n"
                                  "                                  P-value =  0.50000\n\n"
                                  "Va and FCT : P(rand. value > obs. value)  =  0.75000\n"
                                  "             P(rand. value = obs. value)  =  0.00000\n"
                                  "                                  P-value =  0.75000\n\n"));
}

// A first locus that ran no test does not hide the permutations of the
// others: P is the largest count over the records.
TEST_F(LocusAverageTest, FirstLocusWithoutPermutations)
{
    add(0, 1, 0.5, 0.5, 1.0);
    amova_results& b = add(1, 1, 0.25, 0.75, 1.0);
    for (double v : {1.0, 0.5})
        b.null_1.Add(v);
    table.print_average_loci(out, nullptr);
    // Observed Va average 0.375; permuted 0.5 and 0.25.
    EXPECT_THAT(text(), HasSubstr("Significance tests (2 permutations)\n------------------\n\n"
                                  "Va and FST : P(rand. value > obs. value)  =  0.50000\n"));
}

// The tests and index lines of every design, in their order.
TEST_F(LocusAverageTest, IndexLinesAndTestsOfEachDesign)
{
    struct Case {
        int amova_case;
        std::vector<std::string> in_order;
    };
    const std::vector<Case> cases = {
        {2, {"      FIS : ", "      FST : ", "      FIT : ", "Vb and FIS : P(rand. value > ",
             "Va and FST : P(rand. value > ", "Vc and FIT : P(rand. value &lt; "}},
        {4, {" Among\n individuals\n within\n populations", "\n Within\n individuals",
             "      FIS : ", "      FSC : ", "      FCT : ", "      FIT : ",
             "Vd and FIT : P(rand. value &lt; ", "Vc and FIS:  P(rand. value > obs. value)  = ",
             "Vb and FSC : P(rand. value > ", "Va and FCT : P(rand. value > "}},
        {5, {"      FST : ", "      FSC : ", "      FCT : ", "Vc and FST : P(rand. value &lt; "}},
        {6, {" Among\n individuals", "\n Within\n individuals", "       FIS : ",
             "Va and FIS : P(rand. value > "}},
        {7, {"       FST : ", "Va and FST : P(rand. value > "}},
    };
    for (Case const& c : cases) {
        AMOVA_table t;
        amova_results* r = new amova_results;
        r->amova_case = c.amova_case;
        r->var_total = 1.0;
        for (auto* null : {&r->null_1, &r->null_2, &r->null_3, &r->null_4})
            null->Add(0.0);
        t.records.Add(r);
        std::fstream o((dir / "d.txt").string(), std::ios::out | std::ios::trunc);
        t.print_average_loci(o, nullptr);
        o.close();
        std::string got = read_text(dir / "d.txt");
        std::size_t at = 0;
        for (std::string const& piece : c.in_order) {
            std::size_t found = got.find(piece, at);
            ASSERT_NE(found, std::string::npos) << c.amova_case << ": " << piece << "\n" << got;
            at = found + piece.size();
        }
    }
}

}  // namespace
