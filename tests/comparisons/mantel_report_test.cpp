// The whole Mantel test of one level (Mantel::do_mantel_test): which rows
// enter it, its text in the result file, its entries in the navigation tree
// and its log lines, on a user's Y matrix and on a pairwise FST matrix.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "comparisons/mantel.h"
#include "core/random.h"
#include "core/xml.h"
#include "model/population.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

const std::string EQUALS(79, '=');
const std::string HEADER =
    EQUALS + "\n== MATRIX CORRELATION ANALYSIS (MANTEL TESTS)\n" + EQUALS + "\n\n";

class MantelReportTest : public LogFolderTest {
protected:
    Mantel mantel;
    settings s;
    ProfileSettings profile;
    std::fstream results;
    std::vector<std::unique_ptr<Population>> owned;
    std::vector<Population*> pops;
    TriMat fst{4};

    void SetUp() override
    {
        s.results_file = (dir / "p.htm").string().c_str();
        s.tree_data_file = (dir / "p.js").string().c_str();
        s.run_date = "01/02/03at04:05:06";
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        htmlOutput = true;
        mantel.Profile.RunSettings = &s;
        long seed = -99;
        ran3(&seed);
        // The example: four populations, custom Y, X1 = |i - j|, used pop1, pop3, pop4.
        set_labels({"pop1", "pop2", "pop3", "pop4"});
        const double y[4][4] = {{0}, {0.12, 0}, {0.20, 0.31, 0}, {0.05, 0.44, 0.17, 0}};
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j <= i; ++j) {
                mantel.MatrixY(i, j) = y[i][j];
                mantel.Matrix1(i, j) = i - j;
            }
        mantel.MatrixNumber = 2;
        mantel.MatricesRead = 2;
        mantel.YMatrix = "custom";
        use({"pop1", "pop3", "pop4"});
        for (const char* name : {"pop1", "pop2", "pop3", "pop4"})
            add_population(name);
    }

    void TearDown() override { s.results_stream = nullptr; }

    void set_labels(std::vector<std::string> const& labels)
    {
        mantel.MatrixSize = static_cast<int>(labels.size());
        for (TriMat* m : {&mantel.Matrix1, &mantel.Matrix2, &mantel.MatrixY})
            m->create(mantel.MatrixSize);
        mantel.YMatrixLabels.reset(new my_string[labels.size()]);
        for (std::size_t k = 0; k < labels.size(); ++k)
            mantel.YMatrixLabels[k] = labels[k].c_str();
    }

    void use(std::vector<std::string> const& labels)
    {
        mantel.UsedYMatrixLabels.count = 0;
        for (auto const& label : labels)
            mantel.UsedYMatrixLabels.Add(my_string(label.c_str()));
    }

    void add_population(const char* name)
    {
        owned.push_back(std::make_unique<Population>(my_string(name), int(owned.size()), profile));
        pops.push_back(owned.back().get());
    }

    void run_test(int permutations)
    {
        mantel.do_mantel_test(fst, pops.data(), static_cast<int>(pops.size()), &results,
                              permutations);
    }

    std::string results_text()
    {
        results.flush();
        return read_text(dir / "p.htm");
    }
    std::string tree_text() { return read_text(dir / "p.js"); }
};

TEST_F(MantelReportTest, UserYMatrix)
{
    run_test(100);
    std::string text = results_text();
    const std::string anchors = "<A NAME=\"01_02_03at04_05_06_pop_mantel\"></A>\n"
                                "<A NAME=\"01_02_03at04_05_06_pop_dm_correl\"></A>\n";
    EXPECT_THAT(text, StartsWith(anchors + HEADER + "Labels of Y matrix rows={\n"
                                 "   \"pop1\"\n   \"pop3\"\n   \"pop4\"\n}\n\nList of matrices:\n"
                                 "  X1={\n   0 2 3 \n   2 0 1 \n   3 1 0 \n  }\n\n"
                                 "  Y (custom)={\n   0 0.2 0.05 \n   0.2 0 0.17 \n"
                                 "   0.05 0.17 0 \n  }\n\n"
                                 "\nMean value Y                       : 0.140000"));
    // Y cells 0.20, 0.05, 0.17 against X1 cells 2, 3, 1: SP = 0.72 - 0.84,
    // r = -0.12 / sqrt(2 x 0.0126).
    EXPECT_THAT(text, HasSubstr("\nSums of squares Y                  : 0.012600"));
    EXPECT_THAT(text, HasSubstr("\nZY1                                : 0.720000"));
    EXPECT_THAT(text, HasSubstr("\n\nCorrelation coefficient (rY1)    : -0.755929"));
    EXPECT_THAT(text, HasSubstr("\n\nDetermination of Y by X1         : 0.571429\n\n"));
    EXPECT_THAT(text, HasSubstr("\n\nSignificance testing (100 permutations for Mantel test)\n"
                                "====================\n\nP(rY1 rand >= rY1 obs)            : "));
    EXPECT_EQ(mantel.TestCounts[0][0] + mantel.TestCounts[0][1] + mantel.TestCounts[0][2], 100);

    std::string tree = tree_text();
    EXPECT_THAT(tree, HasSubstr("\t\taux2 = insFld(aux1, gFld(\"Mantel test\", "
                                "\"p.htm#01_02_03at04_05_06_pop_mantel\"))\n"));
    EXPECT_THAT(tree, HasSubstr("\t\tinsDoc(aux2, gLnk(\"R\", \"Matrix correlation\", "
                                "\"p.htm#01_02_03at04_05_06_pop_dm_correl\"))\n"));
    std::string log = take_log();
    EXPECT_THAT(log, StartsWith("\nStarting 100 permutations ...\n\ndone in "));
    EXPECT_THAT(log, Not(HasSubstr("#[")));

    // At the group level the anchors say so.
    pops[0]->group_level_sample = true;
    run_test(0);
    EXPECT_THAT(tree_text(), HasSubstr("_gr_mantel\"))\n"));
    EXPECT_THAT(tree_text(), HasSubstr("_gr_dm_correl\"))\n"));
    EXPECT_THAT(take_log(), Not(HasSubstr("Starting")));
    EXPECT_EQ(count_of(results_text(), "Significance testing"), 1);
}

// The entry point of the pairwise comparisons: Y from their FST matrix, rows
// found by population name, X1 rows by the user's labels.
TEST_F(MantelReportTest, FstMatrixOfThePairwiseComparisons)
{
    set_labels({"D", "C", "B", "A"});
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < i; ++j)
            mantel.Matrix1(i, j) = 10 * i + j;  // user rows: D 0, C 1, B 2, A 3
    pops.clear();
    for (const char* name : {"A", "B", "C", "D"})
        add_population(name);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < i; ++j)
            fst(i, j) = 0.1 * i + 0.01 * j;  // population rows: A 0, B 1, C 2, D 3
    mantel.YMatrix = "fst";
    use({"A", "C", "D"});

    run_test(10);
    std::string text = results_text();
    // Y: (C,A) = fst(2,0), (D,A) = fst(3,0), (D,C) = fst(3,2);
    // X1: (C,A) = M(3,1), (D,A) = M(3,0), (D,C) = M(1,0).
    EXPECT_THAT(text, HasSubstr("Labels of population samples={\n   \"A\"\n   \"C\"\n   \"D\"\n}\n"));
    EXPECT_THAT(text, HasSubstr("  X1={\n   0 31 30 \n   31 0 10 \n   30 10 0 \n  }\n\n"));
    EXPECT_THAT(text, HasSubstr("  Y (fst)={\n   0 0.2 0.3 \n   0.2 0 0.32 \n   0.3 0.32 0 \n"));
    const double y[] = {0.2, 0.3, 0.32}, x[] = {31, 30, 10};
    double my = (y[0] + y[1] + y[2]) / 3, mx = (x[0] + x[1] + x[2]) / 3, sp = 0, syy = 0, sxx = 0;
    for (int k = 0; k < 3; ++k) {
        sp += (y[k] - my) * (x[k] - mx);
        syy += (y[k] - my) * (y[k] - my);
        sxx += (x[k] - mx) * (x[k] - mx);
    }
    EXPECT_NEAR(mantel.rY1, sp / std::sqrt(syy * sxx), 1e-12);

    // A used label among the user's labels but not among the populations.
    set_labels({"D", "C", "B", "E"});
    use({"E", "C", "D"});
    results.close();
    results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
    run_test(10);
    EXPECT_THAT(results_text(), StartsWith("  Error while checking matrices, Label(s) not found\n"));
}

TEST_F(MantelReportTest, UnknownLabelWritesOnlyItsError)
{
    use({"pop1", "pop3", "pop9"});
    run_test(100);
    EXPECT_EQ(results_text(), "  Error while checking matrices, Label(s) not found\n"
                              "  check the labels defined in the\n"
                              "  DistMatMantel and UsedYMatrixLabels sections\n");
    const std::string indent(32, ' ');
    EXPECT_EQ(take_log(),
              "   Mantel::do_mantel_test(...): error while checking matrices, Label(s) not found\n"
                  + indent + "check the labels defined in the \n" + indent
                  + "DistMatMantel and UsedYMatrixLabels sections\n");
    EXPECT_EQ(tree_text(), "");
}

TEST_F(MantelReportTest, TooFewRowsAndNone)
{
    struct Case {
        int matrices;
        std::vector<std::string> used;
        const char* refusal;
    };
    const Case cases[] = {
        {2, {"pop1", "pop3"}, "The minimum size of matrices is 3 in order to perform a Mantel test"},
        {3, {"pop1", "pop3", "pop4"},
         "The minimum size of matrices is 4 in order to perform a Mantel test"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.refusal);
        results.close();
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
        mantel.MatrixNumber = c.matrices;
        use(c.used);
        run_test(100);
        std::string text = results_text();
        EXPECT_THAT(text, HasSubstr(HEADER + "Labels of Y matrix rows={\n   \"pop1\"\n   \"pop3\"\n"));
        EXPECT_THAT(text, HasSubstr(std::string("\"\n") + c.refusal
                                    + "\nComputations were not performed...\n"));
        EXPECT_THAT(text, Not(HasSubstr("}\n")));
        EXPECT_THAT(take_log(), Not(HasSubstr("Starting")));
    }

    // A project without a Mantel section has no used labels: nothing at all.
    results.close();
    results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
    mantel.reset();
    std::remove((dir / "p.js").string().c_str());
    run_test(100);
    EXPECT_EQ(results_text(), "");
    EXPECT_EQ(tree_text(), "");
    EXPECT_EQ(take_log(), "");
}

}  // namespace
