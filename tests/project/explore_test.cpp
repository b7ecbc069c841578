// Explore mode: the scan of a project file that writes "samples.txt" and
// "groups.txt" in the working folder and the profile summary "dro_pro.txt",
// in process and through the built program with a run list in mode explore.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "project/failing_log.h"
#include "project/old_syntax_support.h"
#include "project/project.h"
#include "project/project_test_support.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

const fs::path OLD_DATA = fs::path(DROV_TEST_DATA) / "project_old";

// The temporary folder is also the working folder and the summary's folder.
class ExploreTest : public ProjectFolderTest {
protected:
    Project project;

    void SetUp() override
    {
        ProjectFolderTest::SetUp();
        saved_cwd = fs::current_path();
        fs::current_path(dir);
        saved_input = settings::input_file;
        saved_type = ProfileSettings::DataType;
        saved_separator = ProfileSettings::LocusSeparator;
    }

    void TearDown() override
    {
        fs::current_path(saved_cwd);
        settings::input_file = saved_input;
        ProfileSettings::DataType = saved_type;
        ProfileSettings::LocusSeparator = saved_separator;
        ProjectFolderTest::TearDown();
    }

    int explore(std::string const& path)
    {
        settings::input_file = path.c_str();
        std::string summary_dir = dir.string() + "/";
        return project.explore(&summary_dir[0]);
    }

    std::string file(const char* name) { return read_text(dir / name); }
    bool exists(const char* name) { return fs::exists(dir / name); }

private:
    fs::path saved_cwd;
    my_string saved_input;
    TDataType saved_type = DNA;
    char saved_separator = 0;
};

TEST_F(ExploreTest, DescribesSamplesGroupsAndProfile)
{
    ASSERT_EQ(explore((OLD_DATA / "explore.drp").string()), 1);
    EXPECT_EQ(file("samples.txt"), read_text(OLD_DATA / "explore_samples.txt"));
    EXPECT_EQ(file("groups.txt"), read_text(OLD_DATA / "explore_groups.txt"));
    EXPECT_EQ(file("dro_pro.txt"), read_text(OLD_DATA / "explore_dro_pro.txt"));
    std::string log = take_log();
    EXPECT_THAT(reports_of(log), IsEmpty());
    EXPECT_THAT(log, HasSubstr("Reading general settings in input file ...\ndone ! \n"
                               "\tExploring Samples...\n\tdone ! \n"
                               "\tExploring genetic structure...\n\tdone ! \ndone ! \n"));
}

TEST_F(ExploreTest, EverySubsectionKindOnceIsAccepted)
{
    // The haplotype list alone: no samples file, no groups, a summary.
    std::string only_list = write_file(
        "list.drp", "[Profile]\nTitle = \"list\" DataType = FREQUENCY\n[Data]\n"
                    "[[HaplotypeDefinition]]\nHaplList = {\n h1\n}\n");
    ASSERT_EQ(explore(only_list), 1);
    EXPECT_FALSE(exists("samples.txt"));
    EXPECT_EQ(file("groups.txt"), "0\n");
    EXPECT_THAT(file("dro_pro.txt"), HasSubstr("list=Title;\n"));
    EXPECT_THAT(file("dro_pro.txt"), HasSubstr("\nFREQUENCY=DataType;\n"));

    fs::copy_file(OLD_DATA / "all_five.drp", dir / "all_five.drp");
    ASSERT_EQ(explore((dir / "all_five.drp").string()), 1);
    EXPECT_EQ(file("samples.txt"), "2\npop1\npop1\n");
    EXPECT_EQ(file("groups.txt"), "1\n{\npop1\npop10\n}\n");
    EXPECT_STREQ(project.dist_mat.name.str, "Defined In project file");
    EXPECT_THAT(reports_of(take_log()), IsEmpty());
}

TEST_F(ExploreTest, FailuresWriteNoSummary)
{
    const std::string profile = "[Profile]\nNbSamples = 2\n";
    const std::string samples = "[[Samples]]\nSampleName = \"A\"\nSampleName = \"b\"\n";
    const std::string group = "Structure::explore(ifstream& ifs) (\"group\")";
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> reports;
        std::string groups;  // "groups.txt" afterwards
    };
    const std::vector<Case> cases = {
        {"no subsection", profile + "[Data]\n", {"ERROR|Project::explore()|128"}, "0\n"},
        {"fewer names than samples", "[Profile]\nNbSamples = 3\n[Data]\n" + samples,
         {"WARNING|Samples::explore(): Unable to extract all population names|95"}, "0\n"},
        {"fewer groups than declared",
         profile + "[Data]\n" + samples + "[[Structure]]\nNbGroups = 3\nGroup = { \"A\" }\n"
                   "Group = { \"b\" }\n",
         {"ERROR|Structure::explore_content()|47"}, "3\n{\nA\n}\n{\nb\n}\n"},
        {"group before NbGroups",
         profile + "[Data]\n" + samples + "[[Structure]]\nGroup = { \"A\" }\nNbGroups = 1\n",
         {"ERROR|Structure::explore_content()|49", "ERROR|" + group + "|55"}, ""},
        {"repeated subsection", profile + "[Data]\n" + samples + samples,
         {"ERROR|Project::explore()|131"}, "0\n"},
        {"unknown subsection", profile + "[Data]\n" + samples + "[[Colours]]\n",
         {"ERROR|get_next_subsection() (\"colours\"|105"}, "0\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(dir / "dro_pro.txt");
        EXPECT_EQ(explore(write_file("p.drp", c.text)), 0);
        EXPECT_EQ(reports_of(take_log()), c.reports);
        EXPECT_FALSE(exists("dro_pro.txt"));
        EXPECT_EQ(file("groups.txt"), c.groups);
    }
    EXPECT_EQ(file("samples.txt"), "2\na\nb\n");
}

// A project explored after another shows its own values, never the other's.
TEST_F(ExploreTest, EachProjectStartsFromTheDefaults)
{
    ASSERT_EQ(explore((OLD_DATA / "explore.drp").string()), 1);
    std::string bare = write_file("bare.drp", "[Profile]\n[Data]\n[[Mantel]]\n");
    ASSERT_EQ(explore(bare), 1);
    std::string summary = file("dro_pro.txt");
    EXPECT_EQ(summary.substr(0, summary.find("=MissingData")),
              "=Title;\n0=NbSamples;\n0=NbGroups; \n0=GenotypicData;\n1=GameticPhase;\n"
              "STANDARD=DataType;\nNONE=LocusSeparator;\n?");

    std::string late_count =
        write_file("late.drp", "[Profile]\n[Data]\n[[Structure]]\nGroup = { \"a\" }\n");
    EXPECT_EQ(explore(late_count), 0);
    EXPECT_THAT(reports_of(take_log()),
                ElementsAre("ERROR|Structure::explore_content()|49",
                            "ERROR|Structure::explore(ifstream& ifs) (\"group\")|55"));
}

// An error raised while a project is explored ends that exploration only: the
// next project, on the same object, is explored as if nothing had happened.
TEST_F(ExploreTest, ErrorWhileExploringEndsThatProjectOnly)
{
    const std::string project_file = (OLD_DATA / "explore.drp").string();
    for (const char* failing : {"\tExploring Samples...", "\tExploring genetic structure..."}) {
        SCOPED_TRACE(failing);
        fs::remove(dir / "dro_pro.txt");
        int result = with_failing_log(failing, [&] { return explore(project_file); });

        EXPECT_EQ(result, 0);
        EXPECT_THAT(take_log(),
                    HasSubstr("\nThe exploration was interrupted by an error: analysis failed\n"));
        EXPECT_FALSE(exists("dro_pro.txt"));
        EXPECT_EQ(project.structure->NbGroups, 0);

        ASSERT_EQ(explore(project_file), 1);
        EXPECT_EQ(file("samples.txt"), read_text(OLD_DATA / "explore_samples.txt"));
        EXPECT_EQ(file("groups.txt"), read_text(OLD_DATA / "explore_groups.txt"));
        EXPECT_EQ(file("dro_pro.txt"), read_text(OLD_DATA / "explore_dro_pro.txt"));
        EXPECT_THAT(reports_of(take_log()), IsEmpty());
    }
}

// The built program in run-list mode "explore": the core directory named on
// the run list's first line receives the summary, or "error".
TEST_F(ExploreTest, RunListInExploreMode)
{
    fs::path program = fs::path(DROV_BINARY_DIR) / "drovexec";
    ASSERT_TRUE(fs::exists(program)) << program << " is missing: build the drovexec target";
    fs::copy_file(OLD_DATA / "explore.drp", dir / "good.drp");
    write_file("bad.drp", "[Profile]\nNbSamples = 1\n[Data]\n");
    auto run = [&](const char* project) {
        write_file("dro_run.txt", dir.string() + "\nexplore\n" + project + "\n0\n0\nend\n");
        std::string command = "cd '" + dir.string() + "' && '" + program.string() +
                              "' < /dev/null > out.txt 2> err.txt";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };

    EXPECT_EQ(run("good.drp"), 0);
    EXPECT_EQ(file("samples.txt"), read_text(OLD_DATA / "explore_samples.txt"));
    EXPECT_EQ(file("groups.txt"), read_text(OLD_DATA / "explore_groups.txt"));
    EXPECT_EQ(file("dro_pro.txt"), read_text(OLD_DATA / "explore_dro_pro.txt"));

    run("bad.drp");
    EXPECT_EQ(file("dro_pro.txt"), "error\n");
    EXPECT_THAT(read_text(dir / "bad.res" / "Drovalen_log.txt"),
                HasSubstr("from function \"Project::explore()\" : no subsections found\n"));
}

}  // namespace
