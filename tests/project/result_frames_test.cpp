// The frame of the result browser: frameset page, tree page, header and
// footer of the results file, and the continuation of an XML results file.

#include "project/result_frames.h"

#include <gtest/gtest.h>

#include <string>

#include "project/project.h"
#include "project/result_tree.h"
#include "result_browser_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string replace_all(std::string text, std::string const& from, std::string const& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class ResultFramesTest : public ResultBrowserTest {
protected:
    // The small run of the fixture and the pages of its browser.
    void small_run(bool xml)
    {
        write_small_run(xml);
        write_result_frames(s);
    }

    void expect_golden(fs::path const& file, const char* golden_name)
    {
        fs::path golden = fs::path(DROV_TEST_DATA) / "result_browser" / golden_name;
        EXPECT_EQ(read_text(file), read_text(golden)) << golden_name;
    }
};

TEST_F(ResultFramesTest, GoldenBrowserOfAProjectWithBlanks)
{
    name_run("my data/proj 1.drp", "C:\\Drov alen\\core\\", false);
    small_run(false);
    fs::path folder = dir / "my data" / "proj 1.res";
    expect_golden(folder / "proj 1_main.htm", "proj 1_main.htm");
    expect_golden(folder / "proj 1_tree.htm", "proj 1_tree.htm");
    expect_golden(folder / "proj 1.js", "proj 1.js");
    expect_golden(folder / "proj 1.htm", "proj 1.htm");

    // A second run, started at another time, writes the same files but for its stamps.
    std::string first_tree = read_text(folder / "proj 1.js");
    std::string first_results = read_text(folder / "proj 1.htm");
    s.run_date = "09/01/27at07:08:09";
    small_run(false);
    EXPECT_EQ(replace_all(read_text(folder / "proj 1.js"), "09_01_27at07_08_09",
                          "08_12_26at18_55_29"),
              first_tree);
    EXPECT_EQ(replace_all(read_text(folder / "proj 1.htm"), "09_01_27at07_08_09",
                          "08_12_26at18_55_29"),
              first_results);
    expect_golden(folder / "proj 1_main.htm", "proj 1_main.htm");
    expect_golden(folder / "proj 1_tree.htm", "proj 1_tree.htm");
}

TEST_F(ResultFramesTest, BrowserFileNamesAndAbsoluteCoreDirectory)
{
    name_run("proj.drp", "/opt/my core/", true);
    std::string base = (dir / "proj.res" / "proj").string();
    EXPECT_EQ(std::string(s.tree_page_file.str), base + "_tree.htm");
    EXPECT_EQ(std::string(s.tree_data_file.str), base + ".js");
    EXPECT_EQ(std::string(s.main_page_file.str), base + "_main.htm");
    EXPECT_STREQ(s.tree_script_file.str, "/opt/my core/ftiens4.js");
    EXPECT_STREQ(s.tree_style_file.str, "/opt/my core/ftie4style.css");

    write_result_frames(s);
    std::string page = read_text(s.tree_page_file.str);
    EXPECT_NE(page.find("<script src=\"file:////opt/my%20core/ua.js\"></script>"), std::string::npos);
    EXPECT_NE(page.find("<script src=\"file:////opt/my%20core/ftiens4.js\"></script>"), std::string::npos);
    EXPECT_NE(page.find("<script src=\"proj.js\"></script>"), std::string::npos);
    EXPECT_NE(read_text(s.main_page_file.str).find("<FRAME SRC=\"proj.xml\" name=\"basefrm\">"),
              std::string::npos);
}

TEST_F(ResultFramesTest, BrowserFilesFromTheCoreDirectoryElseFromTheProgramsFolder)
{
    fs::path core = dir / "core dir";
    fs::path program = dir / "bin";
    fs::create_directories(core);
    fs::create_directories(program);
    std::string core_name = core.string() + "/";
    std::string program_name = program.string() + "/";
    run_log.emplace(dir);
    struct Case {
        const char* name;
        bool in_core, beside_program;
        std::string expected;
        bool warned;
    };
    const Case cases[] = {
        {"core directory has the script: nothing changes", true, true, core_name, false},
        {"core directory lacks it: the program's folder", false, true, program_name, false},
        {"neither has it: the core directory, with a warning", false, false, core_name, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(core / "ftiens4.js");
        fs::remove(program / "ftiens4.js");
        if (c.in_core)
            std::ofstream(core / "ftiens4.js") << "// script\n";
        if (c.beside_program)
            std::ofstream(program / "ftiens4.js") << "// script\n";
        run_log->take();
        my_string folder = browser_files_folder(my_string(core_name.c_str()),
                                                my_string(program_name.c_str()));
        EXPECT_EQ(std::string(folder.str), c.expected);
        std::string log = run_log->take();
        std::string warning = "\"set_result_browser_names()\" : invalid stream\n"
                              "\tThe tree-menu script \"ftiens4.js\" is neither in the core directory \"" +
                              core_name + "\" nor in the program's folder \"" + program_name + "\"";
        EXPECT_EQ(log.find(warning) != std::string::npos, c.warned) << log;
    }
    EXPECT_EQ(std::string(program_folder().str), fs::canonical(DROV_BINARY_DIR).string() + "/tests/");
    // Where the system does not tell the program's folder, the core directory
    // stays, its backslashes made '/'.
    EXPECT_STREQ(browser_files_folder(my_string("C:\\Drov alen\\"), my_string()).str, "C:/Drov alen/");
}

TEST_F(ResultFramesTest, HeadersAndFootersAsWritten)
{
    name_run("proj.drp", "C:\\Drov alen\\", false);
    std::ostringstream html;
    write_results_header(html, s, false);
    write_results_footer(html, false);
    EXPECT_EQ(html.str(),
              "\n<html>\n<!--Drovalen results file-->\n\n<head>\n<style>"
              "\nBODY {background-color: white; font-size: 8pt; font-family: Courier New}"
              "\n</style>\n</head>\n\n<body bgcolor=white>\n\n<PRE>\n"
              "\n</PRE>\n</body>\n</html>\n\n");

    std::ostringstream xml;
    write_results_header(xml, s, true);
    write_results_footer(xml, true);
    EXPECT_EQ(xml.str(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
              "\n<?xml-stylesheet type=\"text/xsl\" href=\"file:///C:/Drov%20alen/DrovalenStyleSheet.xsl\"?>"
              "\n<!--Drovalen results file-->\n\n<Drovalen>\n\n<data>\n\n"
              "\n</data>\n\n</Drovalen>\n\n");
}

TEST_F(ResultFramesTest, OlderFramesHeaderAndFooterAsWritten)
{
    Project project;
    settings& run = project.run_settings;
    name_run("my data/proj 1.drp", "C:\\Drov alen\\core\\", false, run);
    fs::path folder = dir / "my data" / "proj 1.res";
    std::string full = "file:///" + replace_all(folder.string(), " ", "%20") + "/";

    project.print_html_frames_output();
    std::string frameset = read_text(fs::path(DROV_TEST_DATA) / "result_browser" / "proj 1_main.htm");
    frameset = replace_all(frameset, "cols=\"200,*\"", "cols=\"250,*\"");
    frameset = replace_all(frameset, "\"proj%201_tree.htm\"", "\"" + full + "proj%201_tree.htm\"");
    frameset = replace_all(frameset, "\"proj%201.htm\"", "\"" + full + "proj%201.htm\"");
    EXPECT_EQ(read_text(folder / "proj 1_main.htm"), frameset);
    EXPECT_EQ(read_text(folder / "proj 1_tree.htm"),
              "\n<html>\n<!--Drovalen results tree file-->\n\n<head>"
              "\n<link rel=\"stylesheet\" href=\"file:///C:/Drov%20alen/core/ftie4style.css\">"
              "\n<script src=\"file:///C:/Drov%20alen/core/ua.js\"></script>"
              "\n<script src=\"file:///C:/Drov%20alen/core/ftiens4.js\"></script>"
              "\n<script src=\"" + full + "proj%201.js\"></script>"
              "\n<script>initializeDocument()</script>\n</head>\n"
              "\n<body topmargin=16 marginheight=16>\n</body>\n</html>\n");

    results.open(run.results_file.str, std::ios::out | std::ios::trunc);
    run.results_stream = &results;
    project.print_html_results_header();
    project.print_js_header();
    project.New_print_js_header(true);
    project.print_html_results_footer();
    run.results_stream = nullptr;
    results.close();
    EXPECT_EQ(read_text(run.results_file.str),
              "\n<html>\n<!--Drovalen results file-->\n\n<head>\n</head>\n<style>"
              "\nbody    { background : white; color : black; margin: 10 }\n</style>\n"
              "\n<body bgcolor=white>\n\n<PRE>\n"
              "\n</PRE>\n</body>\n</HTML>\n\n");
    EXPECT_FALSE(fs::exists(run.tree_data_file.str)) << "the tree-file headers write nothing";
}

TEST_F(ResultFramesTest, AppendedXmlRunsShareOneRootAndOneTree)
{
    name_run("proj.drp", "/core/", true);
    s.append_results = 1;
    xmlOutput = true;
    ASSERT_EQ(open_results_file(s, results, true), 1);
    s.results_stream = &results;
    start_results(s, false, true);
    print_js_aux_entry(s, 1, "", "Run of 08/12/26 at 18:55:29");
    results << "run one\n";
    write_results_footer(results, true);
    results.close();

    s.run_date = "08/12/26at18:56:00";
    ASSERT_EQ(open_results_file(s, results, true), 2);
    start_results(s, true, true);
    print_js_aux_entry(s, 1, "", "Run of 08/12/26 at 18:56:00");
    results << "run two\n";
    write_results_footer(results, true);
    results.close();

    std::string text = read_text(s.results_file.str);
    EXPECT_EQ(count_of(text, "<Drovalen>"), 1);
    EXPECT_EQ(count_of(text, "</Drovalen>"), 1);
    EXPECT_EQ(count_of(text, "<data>"), count_of(text, "</data>"));
    EXPECT_NE(text.find("run one\n\n</data>\n<data>\n\n</data>\n\n <A NAME=\"08_12_26at18_56_00\">"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.size() - 22), "</data>\n\n</Drovalen>\n\n");
    std::string tree = read_text(s.tree_data_file.str);
    EXPECT_EQ(count_of(tree, "foldersTree = gFld("), 1);
    EXPECT_EQ(count_of(tree, "\taux1 = insFld(foldersTree"), 2);
}

TEST_F(ResultFramesTest, XmlFileWithoutFooterIsContinuedAfterItsEnd)
{
    name_run("proj.drp", "/core/", true);
    s.append_results = 1;
    std::ofstream(s.results_file.str) << "<Drovalen>\n<data>\ncut short";
    ASSERT_EQ(open_results_file(s, results, true), 2);
    results << "|next";
    results.close();
    EXPECT_EQ(read_text(s.results_file.str), "<Drovalen>\n<data>\ncut short|next");
    EXPECT_NE(log_text().find("\"open_results_file()\""), std::string::npos);
    EXPECT_NE(log_text().find("does not end with its closing elements"), std::string::npos);
}

TEST_F(ResultFramesTest, NewHtmlResultsFileGetsItsHeaderAndANewTree)
{
    name_run("proj.drp", "/core/", false);
    s.append_results = 1;
    std::ofstream(s.results_file.str) << "old results";
    std::ofstream(s.tree_data_file.str) << "old tree entries\n";
    ASSERT_EQ(open_results_file(s, results, false), 1);
    s.results_stream = &results;
    start_results(s, false, false);
    results.close();
    EXPECT_EQ(read_text(s.results_file.str).rfind("\n<html>\n<!--Drovalen results file-->", 0), 0u);
    std::string tree = read_text(s.tree_data_file.str);
    EXPECT_EQ(tree.find("old tree entries"), std::string::npos);
    EXPECT_NE(tree.find("foldersTree = gFld("), std::string::npos);
}

TEST_F(ResultFramesTest, UnwritableBrowserFilesAreReported)
{
    name_run("proj.drp", "/core/", false);
    s.main_page_file = (dir / "missing" / "proj_main.htm").string().c_str();
    write_result_frames(s);
    EXPECT_NE(log_text().find("missing/proj_main.htm"), std::string::npos);
    EXPECT_TRUE(fs::exists(s.tree_page_file.str));
}

TEST(RemovePath, CutsAfterTheLastSlashOnly)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a/b/c.htm", "c.htm"}, {"c.htm", "c.htm"}, {"a/", ""}, {"a\\b.htm", "a\\b.htm"}};
    for (auto const& c : cases) {
        my_string name(c.first);
        removePath(name);
        EXPECT_STREQ(name.str, c.second) << c.first;
    }
}

}  // namespace
