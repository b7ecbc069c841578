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
    EXPECT_THAT(file("dna2", "dna2.htm"), Not(HasSubstr("MATRIX CORRELATION ANALYSIS")));
    EXPECT_THAT(file("dna2", "Drovalen_log.txt"), EndsWith("Successful run of dna2.drp\n"));
    std::string log = file("faulty", "Drovalen_log.txt");
    // Line 32 of the cleaned copy, which has no comment and no empty line.
    EXPECT_THAT(log, HasSubstr("\tInvalid value assigned to MatrixSize on line 32. Value of "
                               "MatrixSize needs to be at least 3. Aborting reading project.\n"));
    EXPECT_THAT(log, EndsWith("Error during run of faulty.drp\n"));
}

}  // namespace
