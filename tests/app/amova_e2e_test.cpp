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

TEST_F(AmovaE2E, StructureOfTheExampleAndOneEndedBatchLine)
{
    ASSERT_EQ(run("lakes.drp run.drs"), 0) << err;

    std::string text = file("lakes", "lakes.htm");
    EXPECT_THAT(text, HasSubstr("  AMOVA ANALYSIS\n"));
    EXPECT_THAT(text, HasSubstr("No. of Groups = 2\n"));
    EXPECT_THAT(text, Not(HasSubstr("Distance method:")));  // the project's own matrix
    EXPECT_THAT(file("lakes", "Drovalen_log.txt"), EndsWith("Successful run of lakes.drp\n"));
    std::string batch = read_text(work / "amovares.sum");
    EXPECT_THAT(batch, HasSubstr("\nAMOVA computations ...\nfile_name\n"));
    EXPECT_THAT(batch, EndsWith("lakes.drp\t\n"));
    EXPECT_EQ(count_of(batch, "lakes.drp"), 1) << batch;
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
