// The navigation tree of the result browser: its statements, the anchors
// that section entries write into the results, and the sample anchor.

#include "project/result_tree.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>

#include "model/population.h"
#include "result_browser_fixture.h"

namespace {

TEST(TreeStatements, LevelsParentsIndentationAndEscaping)
{
    struct Case {
        bool folder;
        int level;
        const char* title;
        const char* link;
        const char* line;
    };
    const Case cases[] = {
        {false, 0, "Drovalen log file", "Drovalen_log.txt",
         "insDoc(foldersTree, gLnk(\"R\", \"Drovalen log file\", \"Drovalen_log.txt\"))\n"},
        {true, 1, "Run of 08/12/26 at 18:55:29", "proj.htm#08_12_26at18_55_29",
         "\taux1 = insFld(foldersTree, gFld(\"Run of 08/12/26 at 18:55:29\", "
         "\"proj.htm#08_12_26at18_55_29\"))\n"},
        {true, 2, "Samples", "", "\t\taux2 = insFld(aux1, gFld(\"Samples\", \"\"))\n"},
        {false, 2, "Pop 1", "proj 1.htm#x", "\t\tinsDoc(aux2, gLnk(\"R\", \"Pop 1\", \"proj%201.htm#x\"))\n"},
        {true, 3, "Sub", "", "\t\t\taux3 = insFld(aux2, gFld(\"Sub\", \"\"))\n"},
        {false, 1, "a\\b \"c\" <d> & 'e'", "a\\b.htm#\"",
         "\tinsDoc(aux1, gLnk(\"R\", \"a\\\\b &quot;c&quot; &lt;d&gt; &amp; \\'e\\'\", "
         "\"a\\\\b.htm#\\\"\"))\n"},
    };
    for (Case const& c : cases) {
        std::ostringstream out;
        TJSOut js(out);
        if (c.folder)
            js.aux(c.level, my_string(c.title), my_string(c.link));
        else
            js.doc(c.level, my_string(c.title), my_string(c.link));
        EXPECT_EQ(out.str(), c.line) << c.title;
    }
}

TEST(TreeStatements, SettingsBlockAndRoot)
{
    std::ostringstream out;
    TJSOut(out).foldersTree(my_string("C:\\my core\\"), my_string("unused/"),
                            my_string("DROVALEN RESULTS (proj 1.drp)"), my_string());
    EXPECT_EQ(out.str(),
              "\nUSETEXTLINKS = 1\nSTARTALLOPEN = 0\nWRAPTEXT = 1\nPRESERVESTATE = 0\nHIGHLIGHT = 1"
              "\nICONPATH = 'file:///C:/my%20core/'    //change if the gif's folder is a "
              "subfolder, for example: 'images/'"
              "\n\nfoldersTree = gFld(\"<i>DROVALEN RESULTS (proj 1.drp)</i>\", \"\")\n");
}

TEST(TreeStatements, FailedStreamGetsNothing)
{
    std::ostringstream out;
    out.setstate(std::ios::failbit);
    TJSOut js(out);
    js.doc(0, my_string("a"), my_string("b"));
    js.aux(1, my_string("a"), my_string("b"));
    out.clear();
    EXPECT_EQ(out.str(), "");
}

// A name in the running text of the results: escaped (quotes in the XML file
// only), and padded by its own length to the field width, on either side as
// the stream adjusts.
TEST(ResultText, EscapesAndPadsByTheNamesOwnLength)
{
    struct Case {
        bool xml;
        const char* name;
        int width;
        bool left;
        const char* text;
    };
    const Case cases[] = {
        {false, "Be<ch>", 0, false, "Be&lt;ch&gt;"},
        {false, "A&B", 8, false, "     A&amp;B"},
        {true, "A&B", 8, true, "A&amp;B     "},
        {true, "a\"3", 4, false, " a&quot;3"},
        {false, "a\"3", 4, false, " a\"3"},
        {true, "<Oak's>", 5, false, "&lt;Oak's&gt;"},  // wider than the field: no padding
        {false, "Ash", 5, false, "  Ash"},
    };
    const bool kept = xmlOutput;
    for (Case const& c : cases) {
        xmlOutput = c.xml;
        std::ostringstream out;
        out << std::setw(c.width) << (c.left ? std::left : std::right) << std::setfill(' ')
            << result_text(my_string(c.name)) << "|" << std::setw(3) << 1;
        EXPECT_EQ(out.str(), std::string(c.text) + (c.left ? "|1  " : "|  1")) << c.name;
    }
    xmlOutput = kept;
}

class TreeEntryTest : public ResultBrowserTest {};

TEST_F(TreeEntryTest, SectionEntriesWriteAnchorAndStatementInHtmlAndXml)
{
    name_run("my data/proj 1.drp", "/core/", false);
    open_results();
    print_js_aux_entry(s, 1, "", "Run of 08/12/26 at 18:55:29");
    print_js_doc_entry(s, 1, "_run_information", "Settings");
    xmlOutput = true;
    print_js_doc_entry(s, 2, "_pop_amova_dm", "Euclidean distances");

    EXPECT_EQ(results_text(),
              "<A NAME=\"08_12_26at18_55_29\"></A>\n"
              "<A NAME=\"08_12_26at18_55_29_run_information\"></A>\n"
              "</data>\n\n <A NAME=\"08_12_26at18_55_29_pop_amova_dm\"></A> \n<data>\n\n");
    EXPECT_EQ(read_text(s.tree_data_file.str),
              "\taux1 = insFld(foldersTree, gFld(\"Run of 08/12/26 at 18:55:29\", "
              "\"proj%201.htm#08_12_26at18_55_29\"))\n"
              "\tinsDoc(aux1, gLnk(\"R\", \"Settings\", "
              "\"proj%201.htm#08_12_26at18_55_29_run_information\"))\n"
              "\t\tinsDoc(aux2, gLnk(\"R\", \"Euclidean distances\", "
              "\"proj%201.htm#08_12_26at18_55_29_pop_amova_dm\"))\n");
}

TEST_F(TreeEntryTest, SampleAnchorOfPop1AsGroup3)
{
    name_run("proj.drp", "/core/", false);
    open_results();
    Population pop(my_string("Pop 1"));
    pop.sample_index = 3;
    pop.print_population_anchor(2, s, "group");
    pop.print_population_anchor(2, s, "samp");

    EXPECT_EQ(results_text(), "<A NAME=\"08_12_26at18_55_29_group3\"></A>\n"
                              "<A NAME=\"08_12_26at18_55_29_samp3\"></A>\n");
    EXPECT_EQ(read_text(s.tree_data_file.str),
              "\t\tinsDoc(aux2, gLnk(\"R\", \"Pop 1\", \"proj.htm#08_12_26at18_55_29_group3\"))\n"
              "\t\tinsDoc(aux2, gLnk(\"R\", \"Pop 1\", \"proj.htm#08_12_26at18_55_29_samp3\"))\n");

    // A second run appended later gets anchors that differ by their stamps.
    s.run_date = "09/12/26at07:00:01";
    pop.print_population_anchor(2, s, "group");
    EXPECT_NE(results_text().find("<A NAME=\"09_12_26at07_00_01_group3\"></A>\n"), std::string::npos);
}

TEST_F(TreeEntryTest, LostTreeFileKeepsTheAnchorAndIsReportedOnce)
{
    name_run("proj.drp", "/core/", false);
    open_results();
    s.tree_data_file = (dir / "no such folder" / "proj.js").string().c_str();
    print_js_doc_entry(s, 1, "_a", "A");
    print_js_aux_entry(s, 1, "_b", "B");
    print_js_drovalen_log_entry(s);

    EXPECT_EQ(results_text(), "<A NAME=\"08_12_26at18_55_29_a\"></A>\n"
                              "<A NAME=\"08_12_26at18_55_29_b\"></A>\n");
    std::string log = log_text();
    std::string warning = "\"print_js_doc_entry()\" : invalid stream";
    EXPECT_NE(log.find(warning), std::string::npos) << log;
    EXPECT_NE(log.find("no such folder/proj.js"), std::string::npos);
    EXPECT_EQ(log.find("#[WARNING # 2]"), std::string::npos) << log;
}

TEST_F(TreeEntryTest, NewTreeFileHasRootAndLogEntry)
{
    name_run("proj.drp", "/my core/", false);
    start_tree_file(s);
    EXPECT_EQ(read_text(s.tree_data_file.str),
              "\nUSETEXTLINKS = 1\nSTARTALLOPEN = 0\nWRAPTEXT = 1\nPRESERVESTATE = 0\nHIGHLIGHT = 1"
              "\nICONPATH = 'file:////my%20core/'    //change if the gif's folder is a "
              "subfolder, for example: 'images/'"
              "\n\nfoldersTree = gFld(\"<i>DROVALEN RESULTS (proj.drp)</i>\", \"\")\n"
              "insDoc(foldersTree, gLnk(\"R\", \"Drovalen log file\", \"Drovalen_log.txt\"))\n");
}

}  // namespace
