// End-to-end tests of the analysis run: the built drovexec runs projects of
// tests/data/run in a fresh temporary folder, and the result browser, the
// log and the console output it leaves are checked.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class RunE2E : public DrovexecTest {
protected:
    std::string core;  // the working folder as the run list names it, with '/'

    void SetUp() override
    {
        DrovexecTest::SetUp();
        if (HasFatalFailure())
            return;
        core = fs::canonical(work).string() + "/";
    }

    void add_project(std::string const& fixture, std::string const& name)
    {
        write(name, read_text(fs::path(DROV_TEST_DATA) / "run" / fixture));
    }

    // The settings file of the fixtures (TaskNumber 0, HTML) with keys changed.
    void add_settings(std::string const& name, std::map<std::string, std::string> const& changes)
    {
        write(name, run_settings_text(changes));
    }

    // A run list in mode "use_spe_settings" with run.drs; each project line
    // is followed by its append flag and KeepNullDistrib 0.
    void add_run_list(std::vector<std::pair<std::string, int>> const& projects)
    {
        std::string text = core + "\nuse_spe_settings\nrun.drs\n";
        for (auto const& [project, append] : projects)
            text += project + "\n" + std::to_string(append) + "\n0\n";
        write("dro_run.txt", text + "end\n");
    }

    std::string file(std::string const& stem, std::string const& name)
    {
        return read_text(work / (stem + ".res") / name);
    }

    // The text of a run with what changes from run to run made constant:
    // dates, anchor stamps, computing times, the working folder and the
    // program's folder (where the result pages find the tree-menu script).
    std::string normalized(std::string text) const
    {
        std::string program = fs::canonical(DROV_BINARY_DIR).string() + "/";
        std::string program_link = std::regex_replace(program, std::regex(" "), "%20");
        for (std::string const* folder : {&program_link, &program})
            for (auto at = text.find(*folder); at != std::string::npos; at = text.find(*folder, at))
                text.replace(at, folder->size(), "PROGRAM/");
        static const std::regex date(R"(\d\d/\d\d/\d\d at \d\d:\d\d:\d\d)");
        static const std::regex stamp(R"(\d\d_\d\d_\d\dat\d\d_\d\d_\d\d_\d+_\d+)");
        static const std::regex time(R"(run : \d+h \d+m \d+s \d+ ms)");
        text = std::regex_replace(text, date, "DATE");
        text = std::regex_replace(text, stamp, "STAMP");
        text = std::regex_replace(text, time, "run : TIME");
        for (auto at = text.find(core); at != std::string::npos; at = text.find(core, at))
            text.replace(at, core.size(), "CORE/");
        return text;
    }
};

TEST_F(RunE2E, TwoSampleDnaProjectWithoutTasks)
{
    for (std::string kind : {"htm", "xml"}) {
        SCOPED_TRACE(kind);
        fs::remove_all(work);
        fs::create_directory(work);
        add_project("dna2.drp", "p.drp");
        add_settings("p.drs", {{"XMLOutput", kind == "xml" ? "1" : "0"}});
        write("trans_out.txt", "a file of the user's\n");

        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_EQ(out, "Drovexec terminated gracefully\n");

        std::set<std::string> left;
        for (auto const& entry : fs::directory_iterator(work / "p.res"))
            left.insert(entry.path().filename().string());
        EXPECT_EQ(left, (std::set<std::string>{"Drovalen_log.txt", "p." + kind, "p.js",
                                               "p_main.htm", "p_tree.htm"}));
        EXPECT_EQ(normalized(file("p", "p." + kind)),
                  read_text(fs::path(DROV_TEST_DATA) / "run" / ("golden_dna2." + kind)));
        EXPECT_EQ(normalized(file("p", "p.js")),
                  read_text(fs::path(DROV_TEST_DATA) / "run" / ("golden_dna2_" + kind + ".js")));
        EXPECT_THAT(file("p", "p_main.htm"), HasSubstr("<FRAME SRC=\"p." + kind + "\""));

        std::string log = normalized(file("p", "Drovalen_log.txt"));
        EXPECT_THAT(log, HasSubstr("p.drp\n" + std::string(68, '/') + "\nRUN NUMBER 1 (DATE)\n"
                                   + std::string(68, '/') + "\n\n\nReading Project: p.drp\n"));
        EXPECT_THAT(log, EndsWith("\n" + std::string(68, '/') + "\nEND OF RUN NUMBER 1 (DATE)\n"
                                  "Total computing time for this run : TIME\n"
                                  + std::string(68, '/') + "\n\nSuccessful run of p.drp\n"));
        EXPECT_EQ(read_text(work / "trans_out.txt"), "a file of the user's\n");
    }
}

// The program copied on its own into a folder of its own, run from a data
// folder: no tree-menu script beside it, in the working folder or in its data
// folder. The WARNING that says so follows the results' header, in XML and in
// HTML, and names the script and the folders searched in the log and in the
// results; the XML file still parses.
TEST_F(RunE2E, ProgramWithoutItsScriptFilesWarnsAfterTheHeader)
{
    fs::path alone = root / "alone" / "bin";
    fs::create_directories(alone);
    fs::copy_file(program, alone / "drovexec");
    program = alone / "drovexec";
    const std::string bin = fs::canonical(alone).string() + "/";
    const std::string data =
        fs::weakly_canonical(alone / ".." / "share" / "drovexec").string() + "/";
    const std::string detail = "\tThe tree-menu script \"ftiens4.js\" is neither in the core "
                               "directory \"" + core + "\" nor in the program's folder \"" + bin
                               + "\" or its data folder \"" + data
                               + "\": the result browser cannot show its navigation tree\n";
    add_project("dna2.drp", "p.drp");
    for (bool xml : {true, false}) {
        SCOPED_TRACE(xml ? "XML" : "HTML");
        add_settings("run.drs", {{"XMLOutput", xml ? "1" : "0"}});
        ASSERT_EQ(run("p.drp run.drs"), 0) << err;
        std::string text = file("p", xml ? "p.xml" : "p.htm");
        std::string log = file("p", "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr("\"set_result_browser_names()\" : invalid stream\n" + detail));
        std::string header = xml ? "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                 : "\n<html>\n<!--Drovalen results file-->";
        EXPECT_THAT(text, StartsWith(header));
        std::string shown = detail;
        for (auto at = shown.find('"'); xml && at != std::string::npos; at = shown.find('"', at))
            shown.replace(at, 1, "&quot;");
        const std::string body = xml ? "\n<Drovalen>\n\n<data>\n\n" : "\n<PRE>\n";
        EXPECT_THAT(text, HasSubstr(body + " #[WARNING # 1] : invalid stream\n" + shown)) << text;
        if (xml && fs::exists("/usr/bin/xmllint")) {
            std::string lint = "xmllint --noout '" + (work / "p.res" / "p.xml").string() + "'";
            EXPECT_EQ(std::system(lint.c_str()), 0);
        }
    }
}

TEST_F(RunE2E, ShippedExampleRuns)
{
    fs::path examples = fs::path(DROV_TEST_DATA).parent_path().parent_path() / "examples";
    for (const char* name : {"example.drp", "example.drs"})
        fs::copy_file(examples / name, work / name);

    ASSERT_EQ(run("example.drp example.drs"), 0) << err;
    EXPECT_THAT(file("example", "Drovalen_log.txt"), EndsWith("Successful run of example.drp\n"));
    std::string text = file("example", "example.htm");
    EXPECT_THAT(text, HasSubstr("\tNbSamples      =  3\n\tDataType       =  DNA\n"));
    EXPECT_THAT(text, HasSubstr("\nEND OF RUN NUMBER 1 ("));
    for (const char* page : {"example_main.htm", "example_tree.htm", "example.js"})
        EXPECT_TRUE(fs::exists(work / "example.res" / page)) << page;
}

TEST_F(RunE2E, RunNumbersOverARunListWithAFailedProject)
{
    struct Case {
        const char* name;
        std::string second;          // fixture of the second project
        std::string task_number;
        bool results_file_blocked;   // p2's results file cannot be created
        int third_run;               // the run number of the third project
        std::string second_results;  // text of p2's results, when it has some
    };
    const std::vector<Case> cases = {
        {"project cannot be read", "unreadable.drp", "0", false, 3, ""},
        {"task refused", "recessive.drp", "8192", false, 3,
         "\nOne of the scheduled task is not possible with these data,\n"
         "for more details look into 'Drovalen_log.txt'\n"},
        {"results file cannot be created", "dna2.drp", "0", true, 2, ""},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        add_project("dna2.drp", "p1.drp");
        add_project(c.second, "p2.drp");
        add_project("dna2.drp", "p3.drp");
        add_settings("run.drs", {{"TaskNumber", c.task_number}});
        if (c.results_file_blocked)
            fs::create_directories(work / "p2.res" / "p2.htm");
        add_run_list({{"p1.drp", 0}, {"p2.drp", 0}, {"p3.drp", 0}});

        EXPECT_EQ(run(""), 1) << err;
        EXPECT_THAT(out, HasSubstr("Drovexec terminated gracefully\n"));
        EXPECT_THAT(file("p1", "p1.htm"), HasSubstr("\nRUN NUMBER 1 ("));
        EXPECT_THAT(file("p3", "p3.htm"),
                    HasSubstr("\nRUN NUMBER " + std::to_string(c.third_run) + " ("));
        EXPECT_THAT(file("p3", "p3.htm"),
                    HasSubstr("\nEND OF RUN NUMBER " + std::to_string(c.third_run) + " ("));
        EXPECT_THAT(file("p2", "Drovalen_log.txt"), EndsWith("Error during run of p2.drp\n"));
        EXPECT_FALSE(fs::exists(work / "p2.res" / "p2.drp"));  // the cleaned copy
        EXPECT_EQ(fs::exists(work / "dro_pro.txt"), c.second == "unreadable.drp");
        if (c.second == "unreadable.drp") {
            EXPECT_EQ(read_text(work / "dro_pro.txt"), "error\n");
            EXPECT_THAT(file("p2", "Drovalen_log.txt"), HasSubstr("Error opening project... "));
        }
        if (!c.results_file_blocked) {
            std::string text = file("p2", "p2.htm");
            EXPECT_THAT(text, HasSubstr(c.second_results));
            EXPECT_THAT(text, Not(HasSubstr("END OF RUN NUMBER")));
            EXPECT_THAT(text, EndsWith("\n</PRE>\n</body>\n</html>\n\n"));
        }
    }
}

TEST_F(RunE2E, LocusSeparatorThatCannotBeMappedRefusesTheProject)
{
    // Left in place, '.' would stay inside the sequences: "A.C.G.T" would be
    // read as seven sites. The run list goes on with the next project.
    auto project = [](std::string const& separator, std::string const& sequence) {
        return "[Profile]\nTitle=\"separator\"\nNbSamples=1\nDataType=DNA\nGenotypicData=0\n"
               "LocusSeparator='" + separator + "'\nMissingData='?'\n[Data]\n[[Samples]]\n"
               "SampleName=\"a\"\nSampleSize=2\nSampleData={\nh1 2 " + sequence + "\n}\n";
    };
    write("dot.drp", project(".", "A.C.G.T"));
    write("semicolon.drp", project(";", "A;C;G;T"));
    add_settings("run.drs", {});
    add_run_list({{"dot.drp", 0}, {"semicolon.drp", 0}});

    EXPECT_EQ(run(""), 1) << err;
    std::string log = file("dot", "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("\tLocus separator '.' can be part of a number"));
    EXPECT_THAT(log, Not(HasSubstr("Successful run of")));
    EXPECT_THAT(log, EndsWith("Error during run of dot.drp\n"));
    EXPECT_FALSE(fs::exists(work / "dot.res" / "dot.drp"));  // no cleaned copy is left
    EXPECT_FALSE(fs::exists(work / "dot.res" / "dot.htm"));
    EXPECT_EQ(read_text(work / "dro_pro.txt"), "error\n");
    EXPECT_THAT(file("semicolon", "Drovalen_log.txt"), EndsWith("Successful run of semicolon.drp\n"));
}

TEST_F(RunE2E, XmlRunsAppendedUnderOneRootElement)
{
    add_project("dna2.drp", "p.drp");
    add_settings("run.drs", {{"XMLOutput", "1"}});
    add_run_list({{"p.drp", 0}, {"p.drp", 1}, {"p.drp", 1}});

    ASSERT_EQ(run(""), 0) << err;
    std::string text = file("p", "p.xml");
    EXPECT_THAT(text, StartsWith("<?xml version=\"1.0\""));
    EXPECT_EQ(count_of(text, "<Drovalen>"), 1);
    EXPECT_THAT(text, EndsWith("</data>\n\n</Drovalen>\n\n"));
    EXPECT_EQ(count_of(text, "<data>"), count_of(text, "</data>"));
    for (int n = 1; n <= 3; ++n)
        EXPECT_THAT(text, HasSubstr("\nEND OF RUN NUMBER " + std::to_string(n) + " ("));

    // Runs appended within one second keep their anchors apart.
    std::regex anchor("NAME=\"([^\"]*)\"");
    std::set<std::string> names;
    int anchors = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), anchor);
         it != std::sregex_iterator(); ++it, ++anchors)
        names.insert((*it)[1]);
    EXPECT_EQ(anchors, 6);
    EXPECT_EQ(static_cast<int>(names.size()), anchors);
    EXPECT_EQ(count_of(file("p", "p.js"), "gFld(\"Run of "), 3);
}

TEST_F(RunE2E, HtmlAppendStartsResultsAndTreeAfresh)
{
    // Only an XML results file is continued: an HTML run asked to append
    // replaces the results of the run before and starts the tree again, so
    // that every entry of the tree links to an anchor of the results file.
    add_project("dna2.drp", "p.drp");
    add_settings("run.drs", {});
    add_run_list({{"p.drp", 0}, {"p.drp", 1}});

    ASSERT_EQ(run(""), 0) << err;
    std::string text = file("p", "p.htm");
    EXPECT_THAT(text, StartsWith("\n<html>\n<!--Drovalen results file-->"));
    EXPECT_EQ(count_of(text, "<html>"), 1);
    EXPECT_THAT(text, Not(HasSubstr("RUN NUMBER 1 (")));
    EXPECT_THAT(text, HasSubstr("\nEND OF RUN NUMBER 2 ("));
    std::string tree = file("p", "p.js");
    EXPECT_EQ(count_of(tree, "foldersTree = gFld("), 1);
    EXPECT_EQ(count_of(tree, "gFld(\"Run of "), 1);
    std::regex link("\"p\\.htm#([^\"]*)\"");
    int links = 0;
    for (auto it = std::sregex_iterator(tree.begin(), tree.end(), link);
         it != std::sregex_iterator(); ++it, ++links)
        EXPECT_THAT(text, HasSubstr("<A NAME=\"" + (*it)[1].str() + "\">"));
    EXPECT_EQ(links, 2);
}

TEST_F(RunE2E, XmlAppendWithoutAProperEnding)
{
    struct Case {
        const char* name;
        std::string existing;  // p.res/p.xml before the run; "" for none
        bool full_header;
    };
    const std::vector<Case> cases = {
        {"no results file, tree file left", "", true},
        {"a run that stopped before its footer",
         "<?xml version=\"1.0\"?>\n<Drovalen>\n<data>\nearlier text\n", false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        add_project("dna2.drp", "p.drp");
        add_settings("run.drs", {{"XMLOutput", "1"}});
        write("p.res/p.js", "foldersTree = gFld(\"earlier\", \"\")\n");
        if (!c.existing.empty())
            write("p.res/p.xml", c.existing);
        add_run_list({{"p.drp", 1}});

        ASSERT_EQ(run(""), 0) << err;
        std::string text = file("p", "p.xml");
        if (c.full_header) {
            EXPECT_THAT(text, StartsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
        } else {
            EXPECT_THAT(text, StartsWith(c.existing + "\n<data>\n"));
            EXPECT_THAT(file("p", "Drovalen_log.txt"),
                        HasSubstr("does not end with its closing elements"));
        }
        EXPECT_THAT(text, EndsWith("</data>\n\n</Drovalen>\n\n"));
        EXPECT_THAT(text, HasSubstr("\nEND OF RUN NUMBER 1 ("));
    }
}

// The summary-statistics table of a run list, read back as a tab-separated
// file: one row of fields per line, every field ending with a tab.
std::vector<std::vector<std::string>> read_table(fs::path const& path)
{
    std::vector<std::vector<std::string>> rows;
    std::string text = read_text(path);
    std::string::size_type start = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        std::vector<std::string> row;
        std::string line = text.substr(start, end - start);
        std::string::size_type field = 0;
        for (auto tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', field)) {
            row.push_back(line.substr(field, tab - field));
            field = tab + 1;
        }
        EXPECT_EQ(field, line.size()) << "a field without its tab in " << path;
        rows.push_back(row);
        start = end + 1;
    }
    EXPECT_EQ(start, text.size()) << "a last line without its line end in " << path;
    return rows;
}

// A run list of two projects with AMOVA and pairwise FST selected. With the
// keyword file the table has a header and one row per project, and the
// results are those of the same run without it, where no table is written.
// The AMOVA's FST of the three ponds, by hand from the pairwise differences
// of their sequences: SSD among 3.0227, within 4.25 (d.f. 2 and 8),
// n = 3.6364, Va = 0.26953, Vb = 0.53125, FST = 0.33659.
// (The pairwise FST columns appear once the pairwise comparisons store
// their values: "FST_2_1\tFST_3_1\tFST_3_2\t".)
TEST_F(RunE2E, SummaryStatisticsTableOverARunList)
{
    std::map<std::string, std::string> results;
    for (bool keywords : {false, true}) {
        SCOPED_TRACE(keywords ? "with the keyword file" : "without the keyword file");
        fs::remove_all(work);
        fs::create_directory(work);
        add_project("three_samples.drp", "p1.drp");
        add_project("three_samples.drp", "p2.drp");
        add_settings("run.drs", {{"TaskNumber", "1536"}, {"HaplAMOVA", "1"}});
        add_run_list({{"p1.drp", 0}, {"p2.drp", 0}});
        if (keywords)
            write("sumstat_keys.txt", "POP_LEVEL GLOBAL_FSTAT PAIRWISE_FST\n");

        ASSERT_EQ(run(""), 0) << err;
        EXPECT_EQ(err, "");
        for (std::string stem : {"p1", "p2"}) {
            for (std::string name : {stem + ".htm", stem + ".js", std::string("Drovalen_log.txt")}) {
                static const std::regex timing(R"(\d+ ms)");
                std::string text = std::regex_replace(normalized(file(stem, name)), timing, "N ms");
                if (keywords)
                    EXPECT_EQ(text, results[stem + name]) << name;
                else
                    results[stem + name] = text;
            }
        }
        EXPECT_EQ(fs::exists(work / "sumstat_out.txt"), keywords);
        if (keywords) {
            auto rows = read_table(work / "sumstat_out.txt");
            ASSERT_EQ(rows.size(), 3u);
            EXPECT_EQ(rows[1].size(), rows[0].size());
            EXPECT_EQ(rows[2].size(), rows[0].size());
            auto fst = std::find(rows[0].begin(), rows[0].end(), "FST");
            ASSERT_NE(fst, rows[0].end());
            size_t column = fst - rows[0].begin();
            EXPECT_NEAR(std::stod(rows[1][column]), 0.33659, 5e-6);
            EXPECT_EQ(rows[2][column], rows[1][column]);
        }
    }
}

TEST_F(RunE2E, SummaryStatisticsKeywordsDecideTheLevels)
{
    struct Case {
        const char* name;
        const char* keywords;  // nullptr: no keyword file
        const char* within_groups;
        bool group_level, population_level;
        std::string table;  // "sumstat_out.txt" after two projects
    };
    const std::vector<Case> cases = {
        {"no keyword file", nullptr, "1", true, true, ""},
        {"both level keywords", "GROUP_LEVEL\nPOP_LEVEL\n", "0", true, true, "\n\n\n"},
        {"group level only", "group_level\n", "0", true, false, "\n\n\n"},
        {"population level only", "POP_LEVEL", "1", false, true, "\n\n\n"},
        {"neither level", "# nothing but a comment\n", "1", false, false, ""},
    };
    const std::string equals(78, '=');
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        add_project("dna2.drp", "p.drp");
        add_settings("run.drs", {{"TaskNumber", "1"},
                                 {"ComputeSumStatsWithinGroups", c.within_groups},
                                 {"DetectSelectedLoci", "1"},
                                 {"NumberOfSimsForFDist2", "20"}});
        add_run_list({{"p.drp", 0}, {"p.drp", 0}});
        if (c.keywords)
            write("sumstat_keys.txt", c.keywords);

        ASSERT_EQ(run(""), 0) << err;
        std::string text = file("p", "p.htm");
        EXPECT_EQ(count_of(text, "\n== ANALYSES AT THE INTRA-GROUP LEVEL\n"), c.group_level ? 1 : 0);
        EXPECT_EQ(count_of(text, "\n== ANALYSES AT THE INTRA-POPULATION LEVEL\n"),
                  c.population_level ? 1 : 0);
        EXPECT_EQ(count_of(text, "\n== DETECTION OF LOCI UNDER SELECTION"),
                  c.population_level ? 1 : 0);
        EXPECT_THAT(text, HasSubstr("\nEND OF RUN NUMBER 2 ("));
        EXPECT_EQ(fs::exists(work / "sumstat_out.txt"), c.keywords != nullptr);
        EXPECT_EQ(read_text(work / "sumstat_out.txt"), c.table);
    }
}

TEST_F(RunE2E, SummaryStatisticsFileThatCannotBeWritten)
{
    add_project("dna2.drp", "p.drp");
    add_settings("run.drs", {});
    add_run_list({{"p.drp", 0}});
    write("sumstat_keys.txt", "POP_LEVEL\n");
    fs::create_directory(work / "sumstat_out.txt");

    // The table is lost: the log of the last project says so, and the run fails.
    EXPECT_EQ(run(""), 1) << err;
    EXPECT_EQ(err, "drovexec: cannot open the summary-statistics file \"sumstat_out.txt\"\n");
    const std::string log = file("p", "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("Successful run of p.drp\n"));
    EXPECT_THAT(log,
                EndsWith("\tUnable to open the summary-statistics file \"sumstat_out.txt\"\n"));
}

}  // namespace
