// End-to-end tests of the program entry and the start-up driver: the built
// drovexec runs in a fresh temporary folder, and the files it leaves there,
// its console output and its exit status are checked.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const seed_text = "Random number generator initialized with lidum=-4242";

std::vector<std::string> read_lines(fs::path const& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Every file and folder below `root`, as paths relative to it.
std::set<std::string> tree(fs::path const& root)
{
    std::set<std::string> names;
    for (auto const& entry : fs::recursive_directory_iterator(root))
        names.insert(fs::relative(entry.path(), root).string());
    return names;
}

class DrovexecRun : public DrovexecTest {
protected:
    void add_fixture(std::string const& fixture, std::string const& name)
    {
        fs::create_directories((work / name).parent_path());
        fs::copy_file(fs::path(DROV_TEST_DATA) / "startup" / fixture, work / name);
    }

    // A settings file of the writer with another TaskNumber.
    void add_settings(std::string const& name, int task_number)
    {
        std::string text = read_text(fs::path(DROV_TEST_DATA) / "startup" / "minimal.drs");
        std::string key = "TaskNumber=1\n";
        text.replace(text.find(key), key.size(), "TaskNumber=" + std::to_string(task_number) + "\n");
        write(name, text);
    }

    std::string log_of(std::string const& project_stem)
    {
        return read_text(work / (project_stem + ".res") / "Drovalen_log.txt");
    }

    std::string results_of(std::string const& project_stem)
    {
        return read_text(work / (project_stem + ".res") / (project_stem + ".xml"));
    }
};

TEST_F(DrovexecRun, HelpPrintsUsageAndWritesNothing)
{
    for (std::string arguments : {"-help", "FOO.DRP-HELP", "a.drp -HELP b.drs"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(run(arguments), 0);
        EXPECT_EQ(out.rfind("\n                             DROVEXEC v ", 0), 0u);
        EXPECT_THAT(out, HasSubstr("\n  drovexec <project file name (*.drp)> | <settings file (*.drs)>"
                                   "\n            | run_silent\n"));
        EXPECT_THAT(out, HasSubstr("be analysed, and which setting file to use (dro_run.drs) or "
                                   "<project name>.drs.\n\n"));
        EXPECT_THAT(out, Not(HasSubstr("terminated")));
        EXPECT_TRUE(tree(work).empty());
    }
}

TEST_F(DrovexecRun, ProjectAndSettingsArgumentsRunOneProject)
{
    add_fixture("minimal.drp", "test.drp");
    add_fixture("minimal.drs", "test.drs");
    write("glbstreams.txt", "batch files\n_TAJIMA_ and _theta_\n");

    ASSERT_EQ(run("test.drp test.drs"), 0) << err;
    EXPECT_THAT(out, HasSubstr("Drovexec terminated gracefully\n"));

    std::string cwd = fs::canonical(work).string();
    EXPECT_EQ(read_lines(work / "dro_run.txt"),
              (std::vector<std::string>{cwd, "use_interf_settings", "test.drp", "0", "0", "end"}));
    EXPECT_EQ(read_text(work / "dro_run.drs"), read_text(work / "test.drs"));

    std::vector<std::string> ini = read_lines(work / "drovalen.ini");
    ASSERT_EQ(ini.size(), 23u);
    EXPECT_EQ(ini[0], "false");
    EXPECT_EQ(ini[4], "Web browser");
    EXPECT_EQ(ini[6], binary().string());
    EXPECT_EQ(ini[8], cwd);
    EXPECT_EQ(ini[21], "false");
    EXPECT_EQ(ini[22], "");

    std::string log = log_of("test");
    EXPECT_EQ(log.rfind("Log file path: test.res/Drovalen_log.txt\n"
                        "Core Program Directory: " + cwd + "/\n"
                        + seed_text + "\n"
                        "Reading project profile section...\ndone !\n"
                        "Opening next project...\ntest.drp\n", 0),
              0u) << log;
    EXPECT_THAT(log, ::testing::EndsWith("Successful run of test.drp\n"));
    EXPECT_EQ(read_text(work / "randseed.txt"), std::string(seed_text) + "\n");
    EXPECT_THAT(results_of("test"), HasSubstr("Settings used for Calculations\n"));

    EXPECT_TRUE(fs::exists(work / "tajima.sum"));
    EXPECT_TRUE(fs::exists(work / "theta.sum"));
    EXPECT_FALSE(fs::exists(work / "gen_div.sum"));
}

// DROVEXEC_SEED takes any non-zero integer; n and -n both seed ran3 with -n,
// so that two runs with 42 print the P-value of a run with -42. Any other
// value is refused on the console and in the log, and the clock seeds the run.
TEST_F(DrovexecRun, SeedFromTheEnvironment)
{
    add_fixture("minimal.drp", "test.drp");
    add_settings("test.drs", 0x4000);  // Fu's Fs, whose P-value comes from simulations
    const std::string seeded = "Random number generator initialized with lidum=-42\n";
    std::vector<std::string> p_values;
    for (std::string given : {"-42", "42", "42"}) {
        SCOPED_TRACE(given);
        seed = given;
        ASSERT_EQ(run("test.drp test.drs"), 0) << err;
        EXPECT_EQ(err, "");
        EXPECT_THAT(log_of("test"), HasSubstr(seeded));
        EXPECT_EQ(read_text(work / "randseed.txt"), seeded);
        std::string results = results_of("test");
        std::string::size_type at = results.find("FS p-value");
        ASSERT_NE(at, std::string::npos) << results;
        p_values.push_back(results.substr(at, results.find('\n', at) - at));
    }
    EXPECT_EQ(p_values[1], p_values[0]);
    EXPECT_EQ(p_values[2], p_values[0]);

    const std::string range = "the seed must be a non-zero integer from "
                              + std::to_string(std::numeric_limits<long>::min()) + " to "
                              + std::to_string(std::numeric_limits<long>::max())
                              + "; the random seed comes from the clock\n";
    for (std::string given : {"0", "abc", "2.5", "42x", "-", "99999999999999999999"}) {
        SCOPED_TRACE(given);
        seed = given;
        ASSERT_EQ(run("test.drp test.drs"), 0) << err;
        std::string refusal = "DROVEXEC_SEED=\"" + given + "\" is refused: " + range;
        EXPECT_EQ(err, "drovexec: " + refusal);
        std::string log = log_of("test");
        EXPECT_THAT(log, HasSubstr("\n" + refusal + "Random number generator initialized with lidum="));
        EXPECT_THAT(log, Not(HasSubstr(seeded)));
    }
}

TEST_F(DrovexecRun, RefusalsPrintTheirMessageAndRunNothing)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::string arguments;
        std::string message;
        std::set<std::string> left;  // files in the working folder afterwards
    };
    const std::string project = "[Profile]\n";
    const std::vector<Case> cases = {
        {"A", {}, "", "The necessary file dro_run.txt does not exist, aborting drovexec\n\n", {}},
        {"B", {}, "missing.drp",
         "Project file 'missing.drp' does not exist, aborting drovexec\n\n", {"dro_run.txt"}},
        {"C", {{"dro_run.txt", "/x\nuse_interf_settings\ngone.drp\r\n0\n0\nend\n"}}, "",
         "Project file 'gone.drp' listed in dro_run.txt does not exist, aborting drovexec\n\n",
         {"dro_run.txt"}},
        {"D", {{"p.drp", project}}, "p.drp missing.drs",
         "The setting file 'missing.drs' does not exist, aborting drovexec\n\n",
         {"dro_run.txt", "p.drp"}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        for (auto const& file : c.files)
            write(file.first, file.second);

        EXPECT_EQ(run(c.arguments), 1);
        EXPECT_EQ(out.rfind(c.message, 0), 0u) << out;
        EXPECT_THAT(out, HasSubstr("  Usage:"));
        EXPECT_THAT(out, HasSubstr("Press a key to terminate program \n"));
        EXPECT_THAT(out, Not(HasSubstr("terminated gracefully")));
        EXPECT_EQ(tree(work), c.left);
    }
}

TEST_F(DrovexecRun, SilentModeLineForEverySilentArgument)
{
    add_fixture("minimal.drp", "test.drp");
    add_fixture("minimal.drs", "dro_run.drs");
    ASSERT_EQ(run("RUN_SILENT test.drp Run_Silent"), 0) << err;
    EXPECT_EQ(out, "Running drovexec in silent mode ...\n"
                   "Running drovexec in silent mode ...\n"
                   "Drovexec terminated gracefully\n");
}

// Run lists of several projects, written by hand, in each mode.
class RunListModes : public DrovexecRun {
protected:
    void add_projects(std::vector<std::string> const& stems)
    {
        for (auto const& stem : stems)
            add_fixture("minimal.drp", stem + ".drp");
    }

    std::string run_list(std::string const& mode, std::vector<std::string> const& lines,
                         std::string const& eol = "\n")
    {
        std::string text = fs::canonical(work).string() + eol + mode + eol;
        for (auto const& line : lines)
            text += line + eol;
        return text;
    }
};

TEST_F(RunListModes, DefaultModeRunsProjectsUpToTheEndMark)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::set<std::string> ran;
    };
    const std::vector<Case> cases = {
        {"end", {"p1.drp", "0", "0", "p2.drp", "0", "0", "end", "p3.drp", "0", "0"}, {"p1", "p2"}},
        {"END", {"p1.drp", "0", "0", "END", "p2.drp", "0", "0"}, {"p1"}},
        {"end of file", {"p1.drp", "0", "0", "p2.drp", "0", "0", "p3.drp"}, {"p1", "p2", "p3"}},
        {"no project", {}, {}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        add_projects({"p1", "p2", "p3"});
        add_fixture("minimal.drs", "dro_run.drs");
        write("dro_run.txt", run_list("use_interf_settings", c.lines));

        EXPECT_EQ(run(""), 0) << err;
        for (std::string stem : {"p1", "p2", "p3"}) {
            bool expected = c.ran.count(stem) > 0;
            EXPECT_EQ(fs::exists(work / (stem + ".res")), expected) << stem;
            if (expected) {
                EXPECT_THAT(log_of(stem), HasSubstr("Successful run of " + stem + ".drp\n"));
            }
        }
    }
}

TEST_F(RunListModes, CrLfRunListWithSpecificSettings)
{
    add_projects({"p1", "p2"});
    add_settings("special.drs", 0x2);
    write("dro_run.txt",
          run_list("use_spe_settings", {"special.drs", "p1.drp", "0", "0", "p2.drp", "1", "0", "end"},
                   "\r\n"));

    ASSERT_EQ(run(""), 0) << err;
    EXPECT_FALSE(fs::exists(work / "dro_pro.txt"));
    for (std::string stem : {"p1", "p2"}) {
        EXPECT_THAT(log_of(stem), HasSubstr("Successful run of " + stem + ".drp\n"));
        EXPECT_THAT(results_of(stem), HasSubstr("    Molecular Diversity:\n"));
    }
}

TEST_F(RunListModes, AssociatedSettingsAreEachProjectsOwn)
{
    add_projects({"p1", "p2"});
    add_settings("p1.drs", 0x2);
    add_settings("p2.drs", 0x4);
    write("dro_run.txt", run_list("use_ass_settings", {"p1.drp", "0", "0", "p2.drp", "0", "0", "end"}));

    ASSERT_EQ(run(""), 0) << err;
    EXPECT_THAT(results_of("p1"), HasSubstr("    Molecular Diversity:\n"));
    EXPECT_THAT(results_of("p1"), Not(HasSubstr("    Mismatch Distribution:\n")));
    EXPECT_THAT(results_of("p2"), HasSubstr("    Mismatch Distribution:\n"));
    EXPECT_THAT(results_of("p2"), Not(HasSubstr("    Molecular Diversity:\n")));
}

TEST_F(RunListModes, MissingAssociatedSettingsStopTheRun)
{
    add_projects({"p1", "p2", "p3"});
    add_settings("p1.drs", 0x1);
    write("dro_run.txt",
          run_list("use_ass_settings", {"p1.drp", "0", "0", "p2.drp", "0", "0", "p3.drp", "0", "0"}));

    EXPECT_EQ(run(""), 1);
    EXPECT_THAT(log_of("p2"), HasSubstr("The Core Routine did not find the associated settings:\n"
                                        "    p2.drs\n"));
    EXPECT_FALSE(fs::exists(work / "p3.res"));
    EXPECT_THAT(out, HasSubstr("Drovexec terminated gracefully\n"));
}

TEST_F(RunListModes, ExploreNeedsNoSettingsFile)
{
    add_projects({"p1", "p2"});
    write("dro_run.txt", run_list("explore", {"p1.drp", "0", "0", "p2.drp", "0", "0", "end"}));

    ASSERT_EQ(run(""), 0) << err;
    for (std::string stem : {"p1", "p2"}) {
        std::string log = log_of(stem);
        EXPECT_THAT(log, HasSubstr(std::string(seed_text) + "\n"
                                   "Reading project profile section...\ndone !\n"
                                   "Exploring  " + stem + ".drp ...\n"));
        EXPECT_THAT(log, EndsWith("done!\n"));
    }
}

TEST_F(RunListModes, ErrorStopsAndFailuresGiveNonZeroStatus)
{
    struct Case {
        const char* name;
        bool with_default_settings;
        std::vector<std::string> lines;
        std::string marker;      // expected content of "dro_pro.txt", empty: none
        std::string log_stem;    // project whose log shows the message
        std::string log_text;
    };
    std::string core = fs::canonical(work).string() + "/";
    const std::vector<Case> cases = {
        {"End is a project name", true, {"p1.drp", "0", "0", "End", "0", "0"}, "error\n", "p1",
         "Successful run of p1.drp\n"},
        {"no default settings", false, {"p1.drp", "0", "0", "end"}, "", "p1",
         "Core Routine did not find its settings in:\n    " + core + "dro_run.drs\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        add_projects({"p1"});
        if (c.with_default_settings)
            add_fixture("minimal.drs", "dro_run.drs");
        write("dro_run.txt", run_list("use_interf_settings", c.lines));

        EXPECT_EQ(run(""), 1);
        EXPECT_EQ(fs::exists(work / "dro_pro.txt"), !c.marker.empty());
        if (!c.marker.empty()) {
            EXPECT_EQ(read_text(work / "dro_pro.txt"), c.marker);
        }
        EXPECT_THAT(log_of(c.log_stem), HasSubstr(c.log_text));
        EXPECT_THAT(err, HasSubstr("run stopped"));
    }
}

TEST_F(RunListModes, ProjectWithoutResultFolderIsSkipped)
{
    add_projects({"p1", "p2"});
    add_fixture("minimal.drs", "dro_run.drs");
    write("p1.res", "a file where the result folder should be");
    write("dro_run.txt", run_list("use_interf_settings", {"p1.drp", "0", "0", "p2.drp", "0", "0", "end"}));

    EXPECT_EQ(run(""), 1);
    EXPECT_THAT(err, HasSubstr("cannot create the result folder p1.res/, project p1.drp skipped"));
    EXPECT_THAT(log_of("p2"), HasSubstr("Successful run of p2.drp\n"));
}

TEST_F(RunListModes, LongPathsAreNotCut)
{
    // Folders of 200 characters each give a project path of over 600 characters.
    std::string deep = std::string(200, 'a') + "/" + std::string(200, 'b') + "/" + std::string(200, 'c');
    add_fixture("minimal.drp", deep + "/long.drp");
    add_fixture("minimal.drs", "dro_run.drs");
    write("dro_run.txt", run_list("use_interf_settings", {deep + "/long.drp", "0", "0", "end"}));

    ASSERT_EQ(run(""), 0) << err;
    EXPECT_THAT(read_text(work / deep / "long.res" / "Drovalen_log.txt"),
                HasSubstr("Successful run of " + deep + "/long.drp\n"));
}

TEST_F(RunListModes, SettingsArgumentNotInForceIsWarnedAbout)
{
    add_projects({"p1"});
    add_settings("special.drs", 0x2);
    add_fixture("minimal.drs", "other.drs");
    write("dro_run.txt", run_list("use_spe_settings", {"special.drs", "p1.drp", "0", "0", "end"}));

    ASSERT_EQ(run("other.drs"), 0) << err;
    EXPECT_THAT(err, HasSubstr("Warning: the settings file 'other.drs'"));
    EXPECT_THAT(results_of("p1"), HasSubstr("    Molecular Diversity:\n"));
}

TEST_F(RunListModes, SettingsFileIsNeverCopiedOntoItself)
{
    add_projects({"p1"});
    add_fixture("minimal.drs", "dro_run.drs");
    std::string settings_text = read_text(work / "dro_run.drs");
    for (std::string argument :
         {std::string("dro_run.drs"), std::string("./dro_run.drs"), "'" + work.string() + "/dro_run.drs'"}) {
        SCOPED_TRACE(argument);
        ASSERT_EQ(run("p1.drp " + argument), 0) << err;
        EXPECT_EQ(read_text(work / "dro_run.drs"), settings_text);
        EXPECT_THAT(err, Not(HasSubstr("Warning")));
    }
}

TEST_F(RunListModes, TranslateRefusesUnknownFormatNames)
{
    struct Case {
        const char* name;
        std::string source, target;
        int status;
        std::string log_text;
    };
    const std::vector<Case> cases = {
        {"misspelled target", "Genepop", "Phylipp", 1,
         "Unknown format name 'Phylipp' (known: Genepop, Phylip, Mega, Biosys, WinKesta, Drovalen):"
         " nothing converted\n"},
        {"same format", "Mega", "Mega", 0,
         "Source and target formats are the same (Mega, Mega): nothing converted\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        write("data/in.txt", "data\n");
        write("dro_run.txt",
              run_list("translate", {c.source, c.target, "data/in.txt", "out.txt", "1"}, "\r\n"));

        EXPECT_EQ(run(""), c.status) << err;
        std::string log = read_text(work / "data" / "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr("Log file path: data/Drovalen_log.txt\n"));
        EXPECT_THAT(log, HasSubstr(c.log_text));
        EXPECT_FALSE(fs::exists(work / "out.txt"));
        EXPECT_FALSE(fs::exists(work / "dum_dro.drp"));
    }
}

} // namespace
