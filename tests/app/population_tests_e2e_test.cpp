// End-to-end tests of the exact test of population differentiation and of
// the genotype assignment test, run as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class PopulationTestsE2E : public DrovexecTest {
protected:
    std::string project(const char* name) { return read_text(fs::path(DROV_TEST_DATA) / "run" / name); }

    // The pair cells "P+-sd" of the exact test's matrix, row by row.
    static std::vector<std::pair<double, double>> pair_p_values(std::string const& text)
    {
        std::vector<std::pair<double, double>> cells;
        std::string matrix = text.substr(text.find("Non-differentiation exact P values"));
        std::regex cell(R"(\s(-?[0-9]+\.[0-9]{5})\+-\s*([0-9]+\.[0-9]{4}))");
        for (std::sregex_iterator i(matrix.begin(), matrix.end(), cell), end; i != end; ++i)
            cells.emplace_back(std::stod((*i)[1]), std::stod((*i)[2]));
        return cells;
    }
};

// Exact P of the pairs by full enumeration of the tables with the observed
// margins: East-West (3,1,0 / 1,0,3) 1/7, East-Middle (3,1,0 / 0,2,1) 8/35,
// West-Middle (1,0,3 / 0,2,1) 9/35.
TEST_F(PopulationTestsE2E, ExactTestOfDifferentiationOfHaplotypes)
{
    write("p.drp", project("three_samples.drp"));
    write("p.drs", run_settings_text({{"TaskNumber", "8192"}, {"PrintHistoPopDiff", "1"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(text, HasSubstr("\n== Exact Test of Sample Differentiation Based on Haplotype Frequencies\n"));
    EXPECT_THAT(text, HasSubstr("Label  \tPopulation name\n-----  \t---------------\n"
                                "  1\tEast\n  2\tWest\n  3\tMiddle\n"));
    EXPECT_THAT(text, HasSubstr(" Non-differentiation: Exact P value = "));
    EXPECT_THAT(text, HasSubstr("  (100000 Markov steps done)"));
    EXPECT_THAT(text, HasSubstr("Differentiation test between all pairs of samples:\n"));
    EXPECT_THAT(text, HasSubstr("\nMarkov chain length : 100000 steps)\n"));
    EXPECT_THAT(text, HasSubstr("Table of significant differences (significance level=0.0500):"));
    EXPECT_THAT(text, HasSubstr("Histogram of the number of significant different populations"));
    EXPECT_THAT(text, HasSubstr("|         0|         0|         0|\n"));
    EXPECT_THAT(text, Not(HasSubstr("absurde")));
    auto cells = pair_p_values(text);
    ASSERT_EQ(cells.size(), 3u);
    const double exact[] = {1.0 / 7, 8.0 / 35, 9.0 / 35};
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(cells[i].first, exact[i], 3 * cells[i].second) << i;
    EXPECT_THAT(read_text(work / "p.res" / "p.js"), HasSubstr("\"Exact tests\""));
}

// Hill (6 gene copies) 10:3 12:2 14:1 and 20:3 22:2 24:1; Lake (b1 counts
// twice) 14:5 10:1 and 24:5 20:1, 12 and 22 unseen: 1 - 0.95^(1/4) =
// 0.0127410. a1 (10/12, 20/20) in Hill: ln(2 x 1/2 x 1/3) + 2 ln(1/2) =
// -2.485; in Lake: ln(2 x 1/6 x 0.0127410) + 2 ln(1/6) = -9.045. a3 (12/14,
// 22/24): 2 ln(2 x 1/3 x 1/6) = -4.394; in Lake 2 ln(2 x 0.0127410 x 5/6) =
// -7.704. b1 (14/14, 24/24): 4 ln(1/6) = -7.167 and 4 ln(5/6) = -0.729.
// b2 (10/14, 20/24): 2 ln(2 x 1/2 x 1/6) = -3.584 and 2 ln(2 x 1/6 x 5/6) = -2.562.
TEST_F(PopulationTestsE2E, AssignmentOfMicrosatelliteGenotypes)
{
    write("p.drp", project("microsat_assign.drp"));
    write("p.drs", run_settings_text({{"TaskNumber", "32768"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(text, HasSubstr("== LIKELIHOOD OF INDIVIDUAL GENOTYPES IN ALL POPULATIONS =="));
    EXPECT_THAT(text, HasSubstr("Sample label  \tSample name\n------------  \t----------\n"
                                "       1:\tHill\n       2:\tLake\n"));
    EXPECT_THAT(text, HasSubstr("Sample1\n----------\n                   1         2\n"
                                "        a1\t    -2.485    -9.045\n"
                                "        a2\t    -2.485    -9.045\n"
                                "        a3\t    -4.394    -7.704\n\n"
                                "Sample2\n----------\n                   1         2\n"
                                "        b1\t    -7.167    -0.729\n"
                                "        b2\t    -3.584    -2.562\n"));
    EXPECT_THAT(text, HasSubstr("_pop_genot_assignment\"></A>"));
    std::string tree = read_text(work / "p.res" / "p.js");
    EXPECT_THAT(tree, HasSubstr("\"Genotype assignment\""));
    EXPECT_THAT(tree, Not(HasSubstr("_gr_genot_assignment")));
}

// Known phase: the assignment sees the genotypes as unphased (the same
// values), and the exact test after it finds the phase back and counts
// haplotypes: Hill 2,1,1,1,1 / Lake 1,0,0,0,5 has the exact P 0.1774892.
// The group level pools both samples: 12 gene copies, 10:4 12:2 14:6 and
// 20:4 22:2 24:6, so a1 has ln(2 x 1/3 x 1/6) + 2 ln(1/3) = -4.394.
TEST_F(PopulationTestsE2E, KnownPhaseAndGroupLevel)
{
    std::string drp = project("microsat_assign.drp");
    drp.replace(drp.find("GameticPhase=0"), 14, "GameticPhase=1");
    write("p.drp", drp);
    write("p.drs", run_settings_text({{"TaskNumber", "40960"},
                                      {"ComputeSumStatsWithinGroups", "1"},
                                      {"NumPermutPopDiff", "1000"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(text, HasSubstr("_gr_genot_assignment\"></A>"));
    EXPECT_THAT(text, HasSubstr("       1:\tGroup1\n"));
    EXPECT_THAT(text, HasSubstr("        a1\t    -4.394\n"));
    EXPECT_THAT(text, HasSubstr("_pop_genot_assignment\"></A>"));
    EXPECT_THAT(text, HasSubstr("        a1\t    -2.485    -9.045\n"));
    EXPECT_THAT(text, HasSubstr("        b2\t    -3.584    -2.562\n"));
    EXPECT_THAT(text, HasSubstr("\n== Exact Test of Sample Differentiation Based on Haplotype Frequencies\n"));
    EXPECT_THAT(text, HasSubstr("  (20000 Markov steps done)"));
    EXPECT_THAT(text, HasSubstr("\nMarkov chain length : 1000 steps)\n"));
    auto cells = pair_p_values(text);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_NEAR(cells[0].first, 0.1774892, 3 * cells[0].second);
    std::string tree = read_text(work / "p.res" / "p.js");
    EXPECT_EQ(count_of(tree, "\"Genotype assignment\""), 2);
}

}  // namespace
