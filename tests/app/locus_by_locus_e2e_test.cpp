// End-to-end runs of the locus-by-locus AMOVA: the built drovexec runs four
// cat colonies genotyped at seven microsatellite loci (unknown gametic
// phase, whole individuals permuted) with TaskNumber 0x200 and
// LocByLocAMOVA=1, as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class LocusByLocusE2E : public DrovexecTest {
protected:
    std::string project = read_text(fs::path(DROV_TEST_DATA) / "amova" / "colonies.drp");

    void settings_file(std::string const& permutations)
    {
        write("run.drs", run_settings_text({{"TaskNumber", "512"},
                                            {"LocByLocAMOVA", "1"},
                                            {"PopSpecificFST", "1"},
                                            {"NumPermutationsAMOVA", permutations}}));
    }

    std::string run_project(std::string const& stem, std::string const& text)
    {
        write(stem + ".drp", text);
        EXPECT_EQ(run(stem + ".drp run.drs"), 0) << err;
        return read_text(work / (stem + ".res") / (stem + ".htm"));
    }

    // The rows of the locus table, without their locus number.
    static std::vector<std::string> rows(std::string const& text)
    {
        std::vector<std::string> found;
        std::size_t at = text.find("% variation       FSC   P-value");
        std::istringstream is(text.substr(text.find('\n', at) + 1));
        for (std::string line; std::getline(is, line) && !line.empty();)
            found.push_back(line.substr(7));
        return found;
    }

    // The project restricted to one locus: the column of that locus in
    // every gene-copy line.
    std::string one_locus(int locus) const
    {
        std::istringstream is(project);
        std::ostringstream os;
        for (std::string line; std::getline(is, line);) {
            std::size_t tab = line.rfind('\t');
            bool copy_line = tab != std::string::npos && tab + 1 < line.size()
                             && line[tab + 1] >= '0' && line[tab + 1] <= '9'
                             && line.find('=') == std::string::npos;
            if (copy_line) {
                std::istringstream words(line.substr(tab + 1));
                std::string w;
                for (int k = 0; k <= locus; ++k)
                    words >> w;
                line = line.substr(0, tab + 1) + w;
            }
            os << line << "\n";
        }
        return os.str();
    }
};

TEST_F(LocusByLocusE2E, SectionsOfTwoGroupsOfColonies)
{
    settings_file("100");
    std::string text = run_project("colonies", project);

    for (const char* section :
         {"\n********************\nLocus by locus AMOVA:\n********************\n",
          "List of loci with only one allele:\n", "AMOVA Results for polymorphic loci only:\n",
          "Global AMOVA results as a weighted average over loci\n",
          "AMOVA design and results (average over 7 loci):\n",
          "Average F-Statistics over all loci\n", "Significance tests (110 permutations)\n",
          "Va and FCT : P(rand. value > obs. value)  = "})
        EXPECT_THAT(text, HasSubstr(section));
    EXPECT_EQ(rows(text).size(), 7u);
    std::size_t fct = text.find("FCT bootstrap percentile values (over 20000 bootstraps)");
    std::size_t fst = text.find("FST bootstrap percentile values (over 20000 bootstraps)");
    std::size_t fsc = text.find("FSC bootstrap percentile values (over 20000 bootstraps)");
    ASSERT_NE(fct, std::string::npos);
    EXPECT_TRUE(fct < fst && fst < fsc && fsc != std::string::npos);
    EXPECT_EQ(count_of(text.substr(fct, fst - fct), " %"), 17);
    // Groups: no population-specific FST tables.
    EXPECT_THAT(text, Not(HasSubstr("Population specific FST")));

    std::string tree = read_text(work / "colonies.res" / "colonies.js");
    EXPECT_THAT(tree, HasSubstr("\"Locus by locus AMOVA\""));
    EXPECT_THAT(tree, HasSubstr("\"F-stat bootstraps\""));

    // The same seed draws the same bootstrap replicates.
    std::string again = run_project("colonies", project);
    std::size_t end = text.find("Significance tests");
    EXPECT_EQ(again.substr(again.find("FCT bootstrap"), end - fct), text.substr(fct, end - fct));
}

// Each locus's row is the row of a project that holds that locus alone.
TEST_F(LocusByLocusE2E, RowsEqualThoseOfOneLocusProjects)
{
    settings_file("0");
    std::vector<std::string> all = rows(run_project("colonies", project));
    ASSERT_EQ(all.size(), 7u);
    for (int locus = 0; locus < 7; ++locus) {
        std::string stem = "locus" + std::to_string(locus + 1);
        std::vector<std::string> one = rows(run_project(stem, one_locus(locus)));
        ASSERT_EQ(one.size(), 1u) << stem;
        EXPECT_EQ(one[0], all[locus]) << stem;
    }
}

TEST_F(LocusByLocusE2E, OneGroupHasPopulationSpecificFstTables)
{
    settings_file("0");
    std::string one_group = project;
    std::size_t at = one_group.find("\t\tNbGroups=2");
    one_group = one_group.substr(0, at)
                + "\t\tNbGroups=1\n\t\tGroup={\n\t\t\t\"Colony1\"\n\t\t\t\"Colony2\"\n"
                  "\t\t\t\"Colony3\"\n\t\t\t\"Colony4\"\n\t\t}\n";
    std::string text = run_project("onegroup", one_group);
    EXPECT_THAT(text, HasSubstr("\nPopulation specific FST indices per polymorphic locus "
                                "(absolute values)\n"));
    EXPECT_THAT(text, HasSubstr("\nPopulation specific FST indices per polymorphic locus "
                                "(relative values (%) compared to average FST)\n"));
    EXPECT_THAT(text, HasSubstr("  Locus   Average FST   Colony1   Colony2   Colony3   Colony4\n"));
    EXPECT_THAT(text, HasSubstr("       FST : "));
}

// The P-value of a test line ("Va and FCT : ...") of the section that begins
// at `from`.
double p_value(std::string const& text, std::size_t from, std::string const& test)
{
    std::size_t at = text.find(test, from);
    at = text.find("P-value =", at);
    return at == std::string::npos ? -1.0 : std::stod(text.substr(at + 9));
}

// Complete data, two groups of three samples: only 10 partitions of the
// samples into the groups exist, so no among-groups P can be below 1/10. Each
// permutation of the average over loci is one joint permutation of the loci,
// so its P agrees with the global AMOVA's (Monte Carlo error of 1023
// permutations about 0.01 each) instead of collapsing to 0.
TEST_F(LocusByLocusE2E, AverageOverLociKeepsTheLociTogether)
{
    write("run.drs", run_settings_text({{"TaskNumber", "512"},
                                        {"HaplAMOVA", "1"},
                                        {"LocByLocAMOVA", "1"},
                                        {"NumPermutationsAMOVA", "1000"}}));
    std::string text =
        run_project("valleys", read_text(fs::path(DROV_TEST_DATA) / "run" / "valleys.drp"));
    std::size_t average = text.find("Global AMOVA results as a weighted average over loci");
    ASSERT_NE(average, std::string::npos);
    double global = p_value(text, 0, "Va and FCT :");
    double over_loci = p_value(text, average, "Va and FCT :");
    EXPECT_GE(global, 0.1 - 1e-9);
    EXPECT_GE(over_loci, 0.1 - 1e-9);
    EXPECT_NEAR(over_loci, global, 0.05);
    EXPECT_THAT(text, HasSubstr("\nThe loci are permuted jointly: permutation k moves the same "
                                "units in the same\nway at every locus typed in the same units.\n"));
}

// The rows of the locus table of any design, locus number included.
std::vector<std::string> locus_rows(std::string const& text)
{
    std::vector<std::string> found;
    std::size_t at = text.find("\n  Locus ", text.find("AMOVA Results for polymorphic loci only:"));
    if (at == std::string::npos)
        return found;
    std::istringstream is(text.substr(text.find('\n', at + 1) + 1));
    for (std::string line; std::getline(is, line) && !line.empty();)
        found.push_back(line);
    return found;
}

// An individual typed at one gene copy of a locus is left out of that
// locus: the locus gets the row of a one-locus project without it. By hand
// for locus 2 without a2: Upper 200 x3, 204 x2, 202; Lower 206 x5, 204 x2,
// 202; differing pairs within 11 and 17, between 43 of 48; N = 14, WP =
// 11/6 + 17/8, Vb = WP/12 = 0.32986, SSD among = 71/14 - WP = 1.11310,
// nc = 14 - 100/14, Va = (1.11310 - Vb)/nc = 0.11422, FST = 0.25721; no
// permutations, so no P-value.
// A locus at which a sample has no whole individual is named with its reason.
TEST_F(LocusByLocusE2E, LocusWithAHalfTypedIndividual)
{
    settings_file("0");
    std::string data = read_text(fs::path(DROV_TEST_DATA) / "run" / "halftyped.drp");
    std::vector<std::string> all = locus_rows(run_project("halftyped", data));
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1], "      2        1.11310      1        0.11422       25.72080        3.95833"
                      "     12        0.32986       74.27920   0.25721      N.A.");
    std::vector<std::string> alone = locus_rows(run_project(
        "locus2", read_text(fs::path(DROV_TEST_DATA) / "run" / "halftyped_locus2.drp")));
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].substr(7), all[1].substr(7));

    // Every individual of Upper misses a gene copy at locus 2.
    for (const char* whole : {"102 204", "\t\t\t\t\t102 200", "104 202"}) {
        std::size_t at = data.find(whole);
        ASSERT_NE(at, std::string::npos) << whole;
        data.replace(at + std::string(whole).size() - 3, 3, "?");
    }
    std::string text = run_project("gaps", data);
    EXPECT_EQ(locus_rows(text).size(), 1u);
    EXPECT_THAT(text, HasSubstr("\nLoci without AMOVA (not computed):\n"
                                "-----------------------------------\n\n"
                                "Locus 2: a population has no data at this locus\n"));
}

// A sample of 3,000,000,000 gene copies, more than the AMOVA counts and
// permutes: each one-locus copy keeps that total, and every locus is left
// without AMOVA (never a wrapped count, nor a vector of a gene copy each).
TEST_F(LocusByLocusE2E, SampleLargerThanACountHasNoLocusAmova)
{
    settings_file("0");
    std::string text = run_project(
        "huge",
        "[Profile]\n\tTitle=\"Huge\"\n\tNbSamples=2\n\tDataType=STANDARD\n"
        "\tGenotypicData=0\n\tLocusSeparator=WHITESPACE\n\tMissingData='?'\n"
        "[Data]\n\t[[Samples]]\n"
        "\t\tSampleName=\"A\"\n\t\tSampleSize=7\n\t\tSampleData={\n"
        "\t\t\ta1\t6\tA B\n\t\t\ta2\t1\tC B\n\t\t}\n"
        "\t\tSampleName=\"Huge\"\n\t\tSampleSize=3000000000\n\t\tSampleData={\n"
        "\t\t\th1\t1500000000\tA B\n\t\t\th2\t1500000000\tA D\n\t\t}\n"
        "\t[[Structure]]\n\t\tStructureName=\"One\"\n\t\tNbGroups=1\n"
        "\t\tGroup={\n\t\t\t\"A\"\n\t\t\t\"Huge\"\n\t\t}\n");
    EXPECT_THAT(text, HasSubstr("\nLoci without AMOVA (not computed):\n"
                                "-----------------------------------\n\n"
                                "Locus 1: ill-defined genetic structure at this locus\n"
                                "Locus 2: ill-defined genetic structure at this locus\n"));
    EXPECT_THAT(read_text(work / "huge.res" / "Drovalen_log.txt"),
                Not(HasSubstr("not enough memory")));
}

}  // namespace
