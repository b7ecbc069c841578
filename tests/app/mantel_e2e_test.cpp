// End-to-end runs of the Mantel test: the built drovexec runs a project whose
// last section is a Mantel section (a user's Y inline, X1 in a file of its
// own) with TaskNumber 0x10000, as a user would.
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

class MantelE2E : public DrovexecTest {
protected:
    void SetUp() override
    {
        DrovexecTest::SetUp();
        if (HasFatalFailure())
            return;
        for (const char* name : {"mantel.drp", "mantel_x1.txt", "dna2.drp"})
            write(name, read_text(fs::path(DROV_TEST_DATA) / "run" / name));
        write("run.drs", run_settings_text({{"TaskNumber", "65536"}, {"NumPermMantel", "1000"}}));
    }

    std::string file(std::string const& stem, std::string const& name)
    {
        return read_text(work / (stem + ".res") / name);
    }
};

TEST_F(MantelE2E, UserYMatrixAgainstAMatrixFromAFile)
{
    ASSERT_EQ(run("mantel.drp run.drs"), 0) << err;

    std::string log = file("mantel", "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("\tReading mantel section ...\n\t\tReading Mantel distance matrix "
                               "...\n\t\tdone ! ("));
    EXPECT_THAT(log, HasSubstr("\nStarting 1000 permutations ...\n\ndone in "));
    EXPECT_THAT(log, EndsWith("Successful run of mantel.drp\n"));

    std::string text = file("mantel", "mantel.htm");
    EXPECT_THAT(text, HasSubstr("== MATRIX CORRELATION ANALYSIS (MANTEL TESTS)\n"));
    EXPECT_THAT(text, HasSubstr("Labels of Y matrix rows={\n   \"pop1\"\n   \"pop3\"\n   \"pop4\"\n}\n"
                                "\nList of matrices:\n  X1={\n   0 2 3 \n"));
    // Y cells 0.20, 0.05, 0.17 against X1 cells 2, 3, 1.
    EXPECT_THAT(text, HasSubstr("\n\nCorrelation coefficient (rY1)    : -0.755929"));
    EXPECT_THAT(text, HasSubstr("Significance testing (1000 permutations for Mantel test)"));
    std::string tree = file("mantel", "mantel.js");
    EXPECT_THAT(tree, HasSubstr("\"Mantel test\""));
    EXPECT_THAT(tree, HasSubstr("\"Matrix correlation\""));
}

// The next project of a run list starts without the Mantel section of the
// one before; a faulty section refuses its project.
TEST_F(MantelE2E, RunListWithAProjectWithoutMantelAndAFaultyOne)
{
    std::string faulty = read_text(work / "mantel.drp");
    faulty.replace(faulty.find("MatrixSize = 4"), 14, "MatrixSize = 2");
    write("faulty.drp", faulty);
    std::string core = fs::canonical(work).string() + "/";
    write("dro_run.txt", core + "\nuse_spe_settings\nrun.drs\nmantel.drp\n0\n0\ndna2.drp\n0\n0\n"
                                "faulty.drp\n0\n0\nend\n");

    EXPECT_EQ(run(""), 1) << err;
    EXPECT_THAT(file("mantel", "mantel.htm"), HasSubstr("MATRIX CORRELATION ANALYSIS"));
    std::string without_section = file("dna2", "dna2.htm");
    EXPECT_THAT(without_section, HasSubstr("The Mantel test did not run: the project has no "
                                           "[[Mantel]] section"));
    EXPECT_THAT(without_section, Not(HasSubstr("Correlation coefficient")));
    EXPECT_THAT(file("dna2", "Drovalen_log.txt"), EndsWith("Successful run of dna2.drp\n"));
    std::string log = file("faulty", "Drovalen_log.txt");
    // Line 32 of the cleaned copy, which has no comment and no empty line.
    EXPECT_THAT(log, HasSubstr("\tInvalid value assigned to MatrixSize on line 32. Value of "
                               "MatrixSize needs to be at least 3. Aborting reading project.\n"));
    EXPECT_THAT(log, EndsWith("Error during run of faulty.drp\n"));
}

// The FST of a Y matrix "fst" is read from the gene copies of genotypic
// samples whatever the pairwise bits: the Mantel test alone, with the
// pairwise FST, or the same gene copies given as haplotypes give the same Y
// matrix and the same correlation.
TEST_F(MantelE2E, FstOfGenotypesWhateverThePairwiseBits)
{
    struct Case {
        const char* stem;
        const char* source;
        const char* task;
    } cases[] = {
        {"mantel_alone", "woods_genotypes.drp", "65536"},
        {"with_pairwise", "woods_genotypes.drp", "66560"},
        {"as_haplotypes", "woods_haplotypes.drp", "65536"},
    };
    std::string first;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.stem);
        write(std::string(c.stem) + ".drp", read_text(fs::path(DROV_TEST_DATA) / "run" / c.source));
        write("fst.drs", run_settings_text({{"TaskNumber", c.task},
                                            {"NumPermMantel", "100"},
                                            {"PrintMissIntermatchs", "1"}}));
        ASSERT_EQ(run(std::string(c.stem) + ".drp fst.drs"), 0) << err;
        std::string text = file(c.stem, std::string(c.stem) + ".htm");
        std::size_t from = text.find("List of matrices:");
        std::size_t to = text.find("\n", text.find("Correlation coefficient (rY1)"));
        ASSERT_NE(from, std::string::npos);
        ASSERT_NE(to, std::string::npos);
        std::string matrices = text.substr(from, to - from);
        EXPECT_THAT(matrices, Not(HasSubstr("Y matrix constant")));
        // Ash against Beech, Cedar, Dogwood: the two-sample AMOVA on gene
        // copies at a distance of their number of different alleles,
        // Va = ((B + S_X + S_Y) / N - WP - WP / (N - 2)) / nc, Vb = WP / (N - 2).
        EXPECT_THAT(matrices, HasSubstr("  Y (fst)={\n   0.00000 -0.00824 0.04105 0.12128 \n"));
        if (first.empty())
            first = matrices;
        EXPECT_EQ(matrices, first);
        std::string log = file(c.stem, "Drovalen_log.txt");
        EXPECT_THAT(log, Not(HasSubstr("ill-defined genetic structure")));
        EXPECT_THAT(log, EndsWith("Successful run of " + std::string(c.stem) + ".drp\n"));
    }
}

// A Mantel test that cannot run says why in its section of the results and
// in the log: the project has no Mantel section, or the refused pairwise
// permutation count leaves a Y matrix built from FST without its FST. A
// user's Y matrix needs no FST: that test runs (Y cells 0.20, 0.05, 0.17
// against X1 cells 2, 3, 1 as above).
TEST_F(MantelE2E, ATestThatCannotRunSaysWhy)
{
    std::string fst_y = read_text(work / "mantel.drp");
    fst_y.replace(fst_y.find("\"custom\""), 8, "\"fst\"");
    std::string::size_type block = fst_y.find("\t\tDistMatMantel = {");
    fst_y.erase(block, fst_y.find("0.17 0 }\n") + 9 - block);
    write("fst_y.drp", fst_y);
    const std::string refused = run_settings_text({{"TaskNumber", "66560"},
                                                   {"ComputePairwiseFST", "1"},
                                                   {"NumPermutationsFST", "2147483647"},
                                                   {"NumPermMantel", "100"}});
    write("refused.drs", refused);
    const std::string heading =
        "== MATRIX CORRELATION ANALYSIS (MANTEL TESTS)\n" + std::string(79, '=') + "\n\n";
    const struct {
        const char* stem;
        const char* settings;
        const char* why;  // none: the test runs
    } cases[] = {
        {"dna2", "run.drs",
         "the project has no [[Mantel]] section, which gives the matrices to compare"},
        {"fst_y", "refused.drs",
         "the pairwise FST matrix, from which its Y matrix is built, was not computed"},
        {"mantel", "refused.drs", nullptr},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.stem);
        ASSERT_EQ(run(std::string(c.stem) + ".drp " + c.settings), 0) << err;
        std::string text = file(c.stem, std::string(c.stem) + ".htm");
        std::string log = file(c.stem, "Drovalen_log.txt");
        EXPECT_THAT(file(c.stem, std::string(c.stem) + ".js"), HasSubstr("\"Mantel test\""));
        if (c.why == nullptr) {
            EXPECT_THAT(text, HasSubstr("\n\nCorrelation coefficient (rY1)    : -0.755929"));
            EXPECT_THAT(text, Not(HasSubstr("did not run")));
            continue;
        }
        const std::string line = "The Mantel test did not run: " + std::string(c.why) + ".\n";
        EXPECT_THAT(text, HasSubstr(heading + line));
        EXPECT_THAT(text, Not(HasSubstr("Correlation coefficient")));
        EXPECT_THAT(log, HasSubstr("\t" + line));
        EXPECT_THAT(log, Not(HasSubstr("not enough memory")));
    }
}

}  // namespace
