// End-to-end tests of the Biosys translations: the built drovexec converts
// Biosys files of tests/data/translator into projects that it then runs, and
// projects into Biosys files that read back; an independent script writes a
// file of genotype counts from known genotypes and checks the project made
// from it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"
#include "translator/biosys_fixture.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const fs::path TRANSLATOR_DATA = fs::path(DROV_TEST_DATA) / "translator";

class BiosysE2E : public DrovexecTest {
protected:
    // Runs the translation of `input` into `output` in the working folder;
    // its exit status.
    int translate(const char* from, const char* to, std::string const& input,
                  std::string const& output)
    {
        write("dro_run.txt", std::string(".\ntranslate\n") + from + "\n" + to + "\n" + input + "\n"
                                 + output + "\n");
        return run("");
    }

    void add_fixture(std::string const& name)
    {
        write(name, read_text(TRANSLATOR_DATA / name));
    }

    // The project runs the standard diversity indices without an error.
    void expect_project_runs(std::string const& project)
    {
        write("run.drs", run_settings_text({{"TaskNumber", "1"}}));
        ASSERT_EQ(run(project + " run.drs"), 0) << err;
        std::string log = read_text(work / (project.substr(0, project.size() - 4) + ".res")
                                    / "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr("Successful run of " + project + "\n"));
        EXPECT_THAT(log, Not(HasSubstr("#[ERROR")));
    }
};

TEST_F(BiosysE2E, BiosysFilesOfEachDataTypeBecomeProjectsThatRun)
{
    struct Case {
        const char* file;
        std::vector<std::string> lines;  // in the project text
    };
    const std::vector<Case> cases = {
        {"lizards.bio",
         {"\t Title= \" Sand lizards, allozymes of two dune systems \"\n\t NbSamples=2\n",
          "#Number of lines=1\n#Name field has length 7 followed by 3 blanks\n#There are 4 loci, \n"
          "#\tformat of line number 0 : 4 loci, (1X, A1, A1)\n"
          "#The given number of loci is compatible with the actual number of loci\n",
          "N04     1 A ? A A \n\t\t B ? A C \n"}},
        {"counts.bio",
         {"#We have 2 loci, \n#\tformat of line number 0 : 3 loci, (1X, A2, A2, 1X, I3)\n",
          "SampleName=\"Meadow\"\n\t\t SampleSize=20\n", "ind20   1   02 03\n             02 04\n",
          "SampleName=\"Forest\"\n\t\t SampleSize=10\n"}},
        {"freqs.bio",
         {"#Name field has lenght 0 then 2 blanks\n", "SampleName=\"Meadow\"\n\t\t SampleSize=20\n",
          "ind20   1   02 03\n             02 04\n}\n",
          "SampleName=\"Forest\"\n\t\t SampleSize=10\n"}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.file);
        add_fixture(c.file);
        ASSERT_EQ(translate("Biosys", "Drovalen", c.file, "project.drp"), 0) << err;
        std::string project = read_text(work / "project.drp");
        for (const char* profile_line : {"\t GenotypicData=1\n", "\t GameticPhase=0\n",
                                         "\t DataType=STANDARD\n", "\t LocusSeparator=WHITESPACE\n",
                                         "#Number of lines=1\n"})
            EXPECT_THAT(project, HasSubstr(profile_line));
        for (std::string const& line : c.lines)
            EXPECT_THAT(project, HasSubstr(line));
        expect_project_runs("project.drp");
    }
}

TEST_F(BiosysE2E, GenotypicProjectBecomesABiosysFileThatTranslatesBack)
{
    add_fixture("micro3.drp");
    ASSERT_EQ(translate("Drovalen", "Biosys", "micro3.drp", "micro3.bio"), 0) << err;
    EXPECT_EQ(read_text(work / "micro3.bio"), read_text(TRANSLATOR_DATA / "golden_micro3.bio"));

    ASSERT_EQ(translate("Biosys", "Drovalen", "micro3.bio", "back.drp"), 0) << err;
    std::string back = read_text(work / "back.drp");
    EXPECT_THAT(back, HasSubstr("SampleName=\"0   North           \""));
    EXPECT_THAT(back, HasSubstr("SampleName=\"2   Coast           \""));
    EXPECT_EQ(individual_lines(back), individual_lines(read_text(work / "micro3.drp")));
    expect_project_runs("back.drp");
}

TEST_F(BiosysE2E, HaplotypicProjectIsRefused)
{
    write("dna2.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "dna2.drp"));
    EXPECT_EQ(translate("Drovalen", "Biosys", "dna2.drp", "dna2.bio"), 1) << err;
    std::string log = read_text(work / "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("\t\tIt is not possible to translate Haplotypic data into the BIOSYS "
                               "format.\n"));
    EXPECT_THAT(log, Not(HasSubstr("Writing")));
    // The file keeps the refusal.
    EXPECT_EQ(read_text(work / "dna2.bio"),
              "  It is not possible to translate Haplotypic data into the\n  BIOSYS format.\n");
}

TEST_F(BiosysE2E, IndependentScriptFindsItsGenotypeCountsInTheProject)
{
    if (std::system("python3 -c '' > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no python3";
    std::string script = "python3 '" + (fs::path(DROV_TEST_DATA).parent_path() / "translator"
                                        / "biosys_check.py").string() + "' ";
    std::string command = "cd '" + work.string() + "' && " + script;
    ASSERT_EQ(std::system((command + "write known.bio").c_str()), 0);
    ASSERT_EQ(translate("Biosys", "Drovalen", "known.bio", "known.drp"), 0) << err;
    std::string result = (root / "check.txt").string();
    std::system((command + "check known.drp > '" + result + "' 2>&1").c_str());
    EXPECT_EQ(read_text(result), "ok\n");
    expect_project_runs("known.drp");
}

} // namespace
