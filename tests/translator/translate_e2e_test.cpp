// End-to-end tests of the translate mode: the built drovexec converts files
// of tests/data/translator in a fresh temporary folder as a user would, and
// the files it writes, its log and its exit status are checked. Where an
// independent GenePop reader (the Biopython package) is installed, it checks
// the GenePop files both ways.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
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
using ::testing::StartsWith;

namespace {

const fs::path TRANSLATOR_DATA = fs::path(DROV_TEST_DATA) / "translator";

class TranslateE2E : public DrovexecTest {
protected:
    void add_fixture(std::string const& fixture, std::string const& name)
    {
        write(name, read_text(TRANSLATOR_DATA / fixture));
    }

    // Runs a shell command in the working folder: its output and errors.
    std::string run_command(std::string const& command)
    {
        std::string full = "cd '" + work.string() + "' && " + command + " > '"
                           + (root / "command.txt").string() + "' 2>&1";
        std::system(full.c_str());
        return read_text(root / "command.txt");
    }

    // The run list of one translation; `core` is its first line.
    void add_translation(std::vector<std::string> const& lines, std::string const& core = "")
    {
        std::string text = core + "\ntranslate\n";
        for (auto const& line : lines)
            text += line + "\n";
        write("dro_run.txt", text);
    }
};

TEST_F(TranslateE2E, GenePopFileBecomesAProjectThatRunsAndTranslatesBack)
{
    add_fixture("wolves.gen", "data/wolves.gen");
    write("trans_out.txt", "overwritten and deleted by every translation\n");
    write("dum_dro.drp", "a file of the user's\n");
    fs::create_directory(work / "core");
    add_translation({"Genepop", "Drovalen", "data/wolves.gen", "data/wolves.drp", "1"}, "core");

    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(out, "Drovexec terminated gracefully\n");
    std::string project = read_text(work / "data" / "wolves.drp");
    static const std::regex first_line(
        R"(#File created by Drovalen translator on \d\d/\d\d/\d{4} at \d\d:\d\d:\d\d\)\n)");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(project, found, first_line, std::regex_constants::match_continuous));
    EXPECT_EQ(found.suffix().str(), read_text(TRANSLATOR_DATA / "golden_wolves.txt"));

    std::string log = read_text(work / "data" / "Drovalen_log.txt");
    EXPECT_THAT(log, StartsWith("Log file path: data/Drovalen_log.txt\n"
                                "Core Program Directory: core/\n"
                                "Random number generator initialized with lidum=-4242\n"
                                "\tReading  data/wolves.gen ...\tdone.\n"));
    EXPECT_THAT(log, HasSubstr("\n    Writing  data/wolves.drp... done.\n"));
    EXPECT_FALSE(fs::exists(work / "trans_out.txt"));
    EXPECT_FALSE(fs::exists(work / "core" / "dum_dro.drp"));
    EXPECT_EQ(read_text(work / "dum_dro.drp"), "a file of the user's\n");

    // The project runs as it was written.
    write("data/run.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("data/wolves.drp data/run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "data" / "wolves.res" / "Drovalen_log.txt"),
                HasSubstr("Successful run of data/wolves.drp\n"));

    add_translation({"Drovalen", "Genepop", "data/wolves.drp", "data/back.gen"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(read_text(work / "data" / "back.gen"),
              read_text(TRANSLATOR_DATA / "golden_wolves_back.gen"));
    EXPECT_THAT(read_text(work / "data" / "Drovalen_log.txt"),
                HasSubstr("\tReading  data/wolves.drp ...\tdone.\n"));
    EXPECT_FALSE(fs::exists(work / "trans_out.txt"));
    EXPECT_FALSE(fs::exists(work / "dum_dro.drp"));
}

TEST_F(TranslateE2E, FailedTranslationSaysWhyWritesNoOutputAndExitsNonZero)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        const char* cause;
    };
    const std::vector<Case> cases = {
        {"missing input", {"Genepop", "Drovalen", "data/none.gen", "data/out.drp", "1"},
         "\tReading  data/none.gen ...\n\t\tTranslator is unable to open the input file data/none.gen\n"},
        {"unreadable project", {"Drovalen", "Genepop", "data/bad.drp", "data/out.gen"},
         "\t\tTranslator is unable to open the Drovalen File\n"},
        {"format not built", {"Phylip", "Drovalen", "data/none.phy", "data/out.drp"},
         "This version cannot convert from Phylip: nothing converted\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        write("data/bad.drp", "no project in here\n");
        add_translation(c.lines);

        EXPECT_EQ(run(""), 1) << err;
        std::string log = read_text(work / "data" / "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr(c.cause));
        EXPECT_THAT(log, Not(HasSubstr("Writing")));
        EXPECT_FALSE(fs::exists(work / c.lines[3]));
        EXPECT_FALSE(fs::exists(work / "dum_dro.drp"));
        EXPECT_FALSE(fs::exists(work / "trans_out.txt"));
    }
}

// The Python interpreter that has the independent GenePop reader, or "".
std::string python_with_genepop_reader()
{
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        std::string probe = std::string(python)
                            + " -c 'import Bio.PopGen.GenePop' > /dev/null 2>&1";
        if (std::system(probe.c_str()) == 0)
            return python;
    }
    return "";
}

TEST_F(TranslateE2E, IndependentGenePopReaderAgreesBothWays)
{
    std::string python = python_with_genepop_reader();
    if (python.empty())
        GTEST_SKIP() << "no Python with Biopython's GenePop reader (Debian: python3-biopython)";
    std::string check = python + " '" + (TRANSLATOR_DATA.parent_path().parent_path() / "translator"
                                          / "genepop_check.py").string() + "' ";

    // Three samples of five microsatellite loci, written as GenePop.
    add_fixture("micro3.drp", "micro3.drp");
    add_translation({"Drovalen", "Genepop", "micro3.drp", "micro3.gen"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(run_command(check + "written micro3.gen micro3.drp"), "ok\n");

    // A public GenePop example (the cats of Nancy, as shipped with the R
    // package adegenet: 17 colonies, 9 loci, CR LF line ends) read into a project.
    add_fixture("nancycats.gen", "nancycats.gen");
    add_translation({"Genepop", "Drovalen", "nancycats.gen", "cats.drp", "1"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_THAT(read_text(work / "cats.drp"), Not(HasSubstr("error")));
    EXPECT_EQ(run_command(check + "read nancycats.gen cats.drp"), "ok\n");
}

} // namespace
