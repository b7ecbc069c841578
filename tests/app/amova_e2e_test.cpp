// End-to-end runs of the global AMOVA: the built drovexec runs the example
// project, with a distance matrix of its own, with TaskNumber 0x200 and
// HaplAMOVA=1, as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class AmovaE2E : public DrovexecTest {
protected:
    void SetUp() override
    {
        DrovexecTest::SetUp();
        if (HasFatalFailure())
            return;
        write("lakes.drp", read_text(fs::path(DROV_TEST_DATA) / "amova" / "lakes.drp"));
        write("run.drs", run_settings_text({{"TaskNumber", "512"},
                                            {"HaplAMOVA", "1"},
                                            {"ComputeDistanceMatrixAMOVA", "0"}}));
        write("glbstreams.txt", "batch files\n_AMOVA_RES_\n");
    }

    std::string file(std::string const& stem, std::string const& name)
    {
        return read_text(work / (stem + ".res") / name);
    }
};

// The example of two regions, with null distributions kept: the three rows,
// the indices, the three tests with the lower tail first, the histogram of
// Va, Vb and Vc, and the file of Va with one partition per permutation.
TEST_F(AmovaE2E, GroupsDesignOfTheExample)
{
    write("run.drs", run_settings_text({{"TaskNumber", "512"},
                                        {"HaplAMOVA", "1"},
                                        {"NumPermutationsAMOVA", "100"},
                                        {"ComputeDistanceMatrixAMOVA", "0"}}));
    write("dro_run.txt", fs::canonical(work).string() + "/\nuse_spe_settings\nrun.drs\n"
                             "lakes.drp\n0\n1\nend\n");
    ASSERT_EQ(run(""), 0) << err;

    std::string text = file("lakes", "lakes.htm");
    EXPECT_THAT(text, HasSubstr("  AMOVA ANALYSIS\n"));
    EXPECT_THAT(text, HasSubstr("No. of Groups = 2\n"));
    EXPECT_THAT(text, Not(HasSubstr("Distance method:")));  // the project's own matrix
    EXPECT_THAT(text, HasSubstr("\n Among\n groups           1"));
    EXPECT_THAT(text, HasSubstr("\n Among\n populations\n within\n groups           1"));
    EXPECT_THAT(text, HasSubstr("\n Within\n populations     18"));
    EXPECT_THAT(text, HasSubstr(" Fixation Indices\n      FSC : "));
    size_t vc = text.find("Vc and FST : P(rand. value &lt; obs. value)  = ");
    size_t va = text.find("Va and FCT : P(rand. value > obs. value)  = ");
    ASSERT_NE(va, std::string::npos) << text;
    EXPECT_LT(vc, va);
    EXPECT_THAT(text, HasSubstr("                  Va                  Vb                  Vc\n"));
    std::string nulls = file("lakes", "lakes.va");
    EXPECT_THAT(nulls, HasSubstr("Number of permutations : 110\n"));
    EXPECT_THAT(nulls, HasSubstr("   1 : Upper lake\n   2 : Lower lake\n   3 : Coast lake\n"));
    EXPECT_EQ(count_of(nulls, "]\t\t"), 110);
    EXPECT_THAT(file("lakes", "Drovalen_log.txt"), EndsWith("Successful run of lakes.drp\n"));
    std::string batch = read_text(work / "amovares.sum");
    EXPECT_THAT(batch, HasSubstr("\nAMOVA computations ...\nfile_name\n"));
    EXPECT_EQ(count_of(batch, "lakes.drp"), 1) << batch;
    EXPECT_EQ(count_of(batch.substr(batch.find("lakes.drp")), "\t"), 17) << batch;
}

// A haplotypic project of one group of three samples, as a new user would
// run it: the table with FST, the test of 1023 permutations, the histogram,
// the null distribution of Va in the result folder and the log line naming
// it, the batch line of 17 fields and the population-specific FST. The same
// seed gives the same results.
TEST_F(AmovaE2E, OneGroupOfThreeSamples)
{
    write("ponds.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "three_samples.drp"));
    write("run.drs", run_settings_text({{"TaskNumber", "512"},
                                        {"HaplAMOVA", "1"},
                                        {"NumPermutationsAMOVA", "1000"},
                                        {"PopSpecificFST", "1"}}));
    write("dro_run.txt", fs::canonical(work).string() + "/\nuse_spe_settings\nrun.drs\n"
                             "ponds.drp\n0\n1\nend\n");
    std::string va_before, batch_before;
    for (int round = 0; round < 2; ++round) {
        fs::remove(work / "amovares.sum");
        ASSERT_EQ(run(""), 0) << err;
        std::string text = file("ponds", "ponds.htm");
        EXPECT_THAT(text, HasSubstr("AMOVA design and results :"));
        // By hand from the pairwise differences of the sequences: SSD among
        // 3.023 and within 4.250 with 2 and 8 d.f., n = 3.6364,
        // Va = 0.26953, Vb = 0.53125.
        EXPECT_THAT(text, HasSubstr(" Among\n populations      2          3.023        0.26953 Va"
                                    "            33.66\n\n"));
        EXPECT_THAT(text, HasSubstr(" Within\n populations      8          4.250        0.53125 Vb"
                                    "            66.34\n"));
        EXPECT_THAT(text, HasSubstr(" Total           10          7.273        0.80078\n"));
        EXPECT_THAT(text, HasSubstr(" Fixation Index      FST :      0.33659\n"));
        EXPECT_THAT(text, HasSubstr("Significance tests (1023 permutations)"));
        EXPECT_THAT(text, HasSubstr("                                  P-value = "));
        EXPECT_THAT(text, HasSubstr("Histogram of variance components null distributions"));
        EXPECT_THAT(text, HasSubstr("Observed  values:"));
        EXPECT_THAT(text, HasSubstr("Population specific FST indices"));
        std::string va = file("ponds", "ponds.va");
        EXPECT_THAT(va, HasSubstr("Number of permutations : 1023\nTime"));
        EXPECT_THAT(va, HasSubstr("Results : Va\n"));
        EXPECT_THAT(va, HasSubstr("   1 : East\n   2 : West\n   3 : Middle\n"));
        EXPECT_THAT(file("ponds", "Drovalen_log.txt"), HasSubstr("Results in file : \""));
        std::string batch = read_text(work / "amovares.sum");
        std::string line = batch.substr(batch.find("ponds.drp"));
        EXPECT_EQ(count_of(line, "\t"), 17) << line;
        EXPECT_THAT(line, HasSubstr("\t2\t8\t0\t0\t0.269531\t0.53125\t0\t0\t0.336585\t0\t0\t0\t1023\t"));
        std::string values = va.substr(va.find("Results : Va"));
        if (round == 0) {
            va_before = values;
            batch_before = line;
        } else {
            EXPECT_EQ(values, va_before);
            EXPECT_EQ(line, batch_before);
        }
    }
}

// A genotypic project of unknown phase in two basins. With the individual
// level: four rows, FIS, FSC, FCT and FIT, four tests, the population FIS
// table with its tree entry (its rows keep their names after the
// permutations of whole samples), and a null-distribution file of Vd.
// Without it: the groups design permuting whole individuals, its index
// lines in the order FST, FSC, FCT.
TEST_F(AmovaE2E, GenotypicProjectWithAndWithoutTheIndividualLevel)
{
    write("basins.drp", read_text(fs::path(DROV_TEST_DATA) / "amova" / "basins.drp"));
    write("dro_run.txt", fs::canonical(work).string() + "/\nuse_spe_settings\nrun.drs\n"
                             "basins.drp\n0\n1\nend\n");
    for (std::string level : {"1", "0"}) {
        SCOPED_TRACE("IncludeIndividualLevel=" + level);
        write("run.drs", run_settings_text({{"TaskNumber", "512"},
                                            {"HaplAMOVA", "1"},
                                            {"NumPermutationsAMOVA", "100"},
                                            {"IncludeIndividualLevel", level},
                                            {"PopSpecificFIS", "1"}}));
        ASSERT_EQ(run(""), 0) << err;
        std::string text = file("basins", "basins.htm");
        std::string log = file("basins", "Drovalen_log.txt");
        if (level == "1") {
            // North (a,b), (a,c), (d,d) of haplotypes a = 100 200, b = 100 202,
            // c = 102 200, d = 102 202: within individuals 1, within the
            // sample 3, so sigma_c = 1/3, sigma_b = 1/3 and FIS 0.5.
            EXPECT_THAT(text, HasSubstr(" Among\n individuals\n within\n populations      8"));
            EXPECT_THAT(text, HasSubstr("\n Within\n individuals     12"));
            EXPECT_THAT(text, HasSubstr(" Fixation Indices\n      FIS : "));
            EXPECT_THAT(text, HasSubstr("      FIT : "));
            EXPECT_THAT(text, HasSubstr("Vd and FIT : P(rand. value &lt; obs. value)  = "));
            EXPECT_THAT(text, HasSubstr("Population specific FIS indices (110 permutations)"));
            EXPECT_THAT(text, HasSubstr("     1     North   0.50000"));
            EXPECT_THAT(text, HasSubstr("     2     South "));
            EXPECT_THAT(file("basins", "basins.js"), HasSubstr("\"FIS per pop\""));
            EXPECT_THAT(log, HasSubstr("\t\tPermuting Haplotypes among Individuals Within "
                                       "Populations. ... \n"));
            EXPECT_THAT(file("basins", "basins.vd"), HasSubstr("Results : Vd\n"));
        } else {
            EXPECT_THAT(text, HasSubstr(" Fixation Indices\n      FST : "));
            EXPECT_THAT(text, HasSubstr("      FSC : "));
            EXPECT_THAT(text, Not(HasSubstr("individuals")));
        }
        EXPECT_THAT(log, EndsWith("Successful run of basins.drp\n"));
    }
}

// 2147483647 permutations run in 46340 batches, rounded up to
// (2147483647 / 46340 + 1) x 46340 = 2147488280, beyond the int range: each
// design refuses the count with its reason, in the results and the log, and
// keeps its table.
TEST_F(AmovaE2E, PermutationCountBeyondTheIntRangeIsRefused)
{
    write("basins.drp", read_text(fs::path(DROV_TEST_DATA) / "amova" / "basins.drp"));
    const struct {
        const char* design;
        const char* stem;
        const char* individual_level;
    } cases[] = {
        {"groups of populations", "lakes", "0"},
        {"groups of populations of individuals", "basins", "1"},
        {"groups of populations of whole individuals", "basins", "0"},
    };
    const std::string refusal =
        "AMOVA permutation tests not computed: 2147483647 permutations are more than can be "
        "counted\n";
    for (auto const& c : cases) {
        SCOPED_TRACE(c.design);
        write("big.drs", run_settings_text({{"TaskNumber", "512"},
                                            {"HaplAMOVA", "1"},
                                            {"ComputeDistanceMatrixAMOVA", "0"},
                                            {"IncludeIndividualLevel", c.individual_level},
                                            {"NumPermutationsAMOVA", "2147483647"}}));
        const std::string stem = c.stem;
        ASSERT_EQ(run(stem + ".drp big.drs"), 0) << err;
        std::string text = file(stem, stem + ".htm");
        EXPECT_THAT(text, HasSubstr(" Fixation Indices\n"));
        EXPECT_THAT(text, HasSubstr("\n" + refusal));
        EXPECT_THAT(text, Not(HasSubstr("P(rand. value")));
        std::string log = file(stem, "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr("\t" + refusal));
        EXPECT_THAT(log, Not(HasSubstr("not enough memory")));
        EXPECT_THAT(log, EndsWith("Successful run of " + stem + ".drp\n"));
    }
}

TEST_F(AmovaE2E, MatrixLabelsMissingAHaplotypeGiveNoAmova)
{
    std::string project = read_text(work / "lakes.drp");
    project.replace(project.find("\t\t\th5 4"), 6, "\t\t\thx 4");
    write("lakes.drp", project);

    ASSERT_EQ(run("lakes.drp run.drs"), 0) << err;

    std::string log = file("lakes", "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("from function \"Project::AMOVA()\" : haplotype list incompatible "
                               "with distance matrix\n"));
    EXPECT_THAT(file("lakes", "lakes.htm"), Not(HasSubstr("AMOVA ANALYSIS")));
    EXPECT_THAT(read_text(work / "amovares.sum"), Not(HasSubstr("lakes.drp")));
}

}  // namespace
