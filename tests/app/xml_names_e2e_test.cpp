// End-to-end runs of result files whose names hold "&", "<" and quotes: the
// built drovexec runs the analyses with XMLOutput=1, and the file must stay
// well formed; the HTML page must show the names as text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
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

namespace {

// What keeps an XML text from being well formed, or "" when it is: every
// '<' opens a tag (or a declaration, a comment), end tags close the element
// opened last, and every '&' starts an entity.
std::string xml_fault(std::string const& xml)
{
    static const std::set<std::string> entities = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
    std::vector<std::string> open;
    for (std::size_t i = 0; i < xml.size(); ++i) {
        const std::string where = " at offset " + std::to_string(i);
        if (xml[i] == '&') {
            std::size_t semi = xml.find(';', i);
            std::string entity = semi == std::string::npos ? "" : xml.substr(i, semi - i + 1);
            if (!entities.count(entity) && entity.rfind("&#", 0) != 0)
                return "bare '&'" + where;
        } else if (xml[i] == '<') {
            std::size_t end = xml.find('>', i);
            if (end == std::string::npos)
                return "unclosed tag" + where;
            std::string tag = xml.substr(i + 1, end - i - 1);
            i = end;
            if (tag.empty() || tag[0] == '?' || tag[0] == '!')
                continue;
            if (tag.find('<') != std::string::npos)
                return "'<' inside a tag" + where;
            bool closing = tag[0] == '/';
            std::string name = tag.substr(closing ? 1 : 0);
            name = name.substr(0, name.find_first_of(" \t\n/"));
            if (closing) {
                if (open.empty() || open.back() != name)
                    return "end tag " + name + where;
                open.pop_back();
            } else if (tag.back() != '/') {
                open.push_back(name);
            }
        }
    }
    return open.empty() ? "" : "unclosed element " + open.back();
}

TEST(XmlFault, FindsTheFaultsOfAResultFile)
{
    EXPECT_EQ(xml_fault("<a x=\"1 &amp; 2\"><b/>R&amp;D &lt;x&gt;</a>"), "");
    EXPECT_EQ(xml_fault("<a>R&D</a>"), "bare '&' at offset 4");
    EXPECT_EQ(xml_fault("<a><Lake></a>"), "end tag a at offset 9");
    EXPECT_EQ(xml_fault("<a>"), "unclosed element a");
}

// Whether python3 runs here; asked once, its start-up being slow.
bool has_python3()
{
    static const bool found = std::system("python3 -c '' > /dev/null 2>&1") == 0;
    return found;
}

// What an XML parser finds wrong in the file: xmllint where it is installed,
// else the parser of python3; "" when neither is there or the file parses.
std::string xml_parser_fault(fs::path const& file, fs::path const& folder)
{
    const std::string quoted = "'" + file.string() + "'";
    std::string command;
    if (fs::exists("/usr/bin/xmllint"))
        command = "xmllint --noout " + quoted;
    else if (has_python3())
        command = "python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' "
                  + quoted;
    else
        return "";
    fs::path report = folder / "xml_check.txt";
    if (std::system((command + " > '" + report.string() + "' 2>&1").c_str()) == 0)
        return "";
    return "not parsed: " + read_text(report);
}

class XmlNamesE2E : public DrovexecTest {
};

TEST_F(XmlNamesE2E, NamesWithMarkupCharactersInEverySection)
{
    std::string text = read_text(fs::path(DROV_TEST_DATA) / "run" / "woods_genotypes.drp");
    for (auto const& [from, to] : {std::pair<std::string, std::string>{"Ash", "A&B"},
                                   {"Beech", "Be<ch"}})
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    text.replace(text.find("\t[[Mantel]]"), 0,
                 "\t[[Structure]]\n\t\tStructureName=\"Woods & <hills>\"\n\t\tNbGroups=2\n"
                 "\t\tGroup={\n\t\t\t\"A&B\"\n\t\t\t\"Be<ch\"\n\t\t}\n"
                 "\t\tGroup={\n\t\t\t\"Cedar\"\n\t\t\t\"Dogwood\"\n\t\t}\n\n");
    write("names.drp", text);
    // AMOVA (with the locus-by-locus tables), pairwise FST, exact test,
    // assignment test and Mantel test.
    write("run.drs", run_settings_text({{"TaskNumber", "108032"},
                                        {"XMLOutput", "1"},
                                        {"HaplAMOVA", "1"},
                                        {"LocByLocAMOVA", "1"},
                                        {"ComputePairwiseFST", "1"},
                                        {"NumPermutationsAMOVA", "100"},
                                        {"NumPermMantel", "100"},
                                        {"NumPermutPopDiff", "1000"}}));
    ASSERT_EQ(run("names.drp run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "names.res" / "Drovalen_log.txt"),
                EndsWith("Successful run of names.drp\n"));

    fs::path file = work / "names.res" / "names.xml";
    std::string xml = read_text(file);
    EXPECT_EQ(xml_fault(xml), "");
    for (const char* escaped :
         {"StructureName = &quot;Woods &amp; &lt;hills&gt;&quot;",  // structure
          "\n  1:\tA&amp;B\n  2:\tBe&lt;ch\n",                        // pairwise labels
          "\n  1\tA&amp;B\n  2\tBe&lt;ch\n",                          // exact-test labels
          "       1:\tA&amp;B\n       2:\tBe&lt;ch\n",                // assignment labels
          "pop=\"Be&lt;ch\"",                                          // assignment table
          "   \"A&amp;B\"\n   \"Be&lt;ch\"\n"})                        // Mantel labels
        EXPECT_THAT(xml, HasSubstr(escaped));
    EXPECT_THAT(xml, Not(HasSubstr("A&B")));
    EXPECT_EQ(xml_parser_fault(file, root.path()), "");
}

// The text of `escaped` as a page shows it.
std::string unescaped(std::string text)
{
    for (auto const& [entity, c] : {std::pair<std::string, std::string>{"&lt;", "<"},
                                    {"&gt;", ">"},
                                    {"&quot;", "\""},
                                    {"&amp;", "&"}})
        for (auto at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, entity.size(), c);
    return text;
}

// Whether python3 reads `page` as a browser's parser does and sees each
// text as text (tests/app/html_text_check.py); "" when python3 is missing.
std::string html_text_fault(fs::path const& page, std::vector<std::string> const& texts,
                            fs::path const& folder)
{
    if (!has_python3())
        return "";
    fs::path script = fs::path(DROV_TEST_DATA).parent_path() / "app" / "html_text_check.py";
    std::string command = "python3 '" + script.string() + "' '" + page.string() + "'";
    for (std::string const& text : texts) {
        std::string quoted;
        for (char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += " '" + quoted + "'";
    }
    command += " > '" + (folder / "html_check.txt").string() + "'";
    return std::system(command.c_str()) == 0 ? "" : read_text(folder / "html_check.txt");
}

// The keys that run every analysis with its printouts, the Gibbs phases,
// the EM at every level and the selection scan, with few steps.
std::map<std::string, std::string> every_analysis(bool xml)
{
    return {{"TaskNumber", "131071"},
            {"XMLOutput", xml ? "1" : "0"},
            {"ComputeSumStatsWithinGroups", "1"},
            {"EliminateRedondHaplodefs", "1"},
            {"MakeHWExactTest", "1"},
            {"TypeOfTestHW", "2"},
            {"MarkovChainStepsHW", "1000"},
            {"MarkovChainDememorisationStepsHW", "100"},
            {"MakeExactTestLD", "1"},
            {"MarkovChainStepsLD", "1000"},
            {"MarkovChainDememorisationStepsLD", "100"},
            {"PrintFlagHistogramLD", "1"},
            {"ComputeAllAlleleFreqs", "1"},
            {"ComputeMissDataFreq", "1"},
            {"ComputeDvalues", "1"},
            {"ComputeTheta", "15"},
            {"PrintHaplDistMat", "1"},
            {"PrintPopDistMat", "1"},
            {"PrintMinSpannNetworkPop", "1"},
            {"ComputeAllHaplotypesEM", "1"},
            {"ComputeAllAllelesEM", "1"},
            {"ComputeAllSubHaplotypesEM", "1"},
            {"InitialConditionsEM", "5"},
            {"GibbsInferGamPhase", "1"},
            {"GibbsBurnIn", "100"},
            {"GibbsSamplingInterval", "5"},
            {"GibbsNumSamples", "20"},
            {"GibbsOutputGamPhase", "1"},
            {"HaplAMOVA", "1"},
            {"LocByLocAMOVA", "1"},
            {"PopSpecificFIS", "1"},
            {"NumPermutationsAMOVA", "20"},
            {"PrintDistanceMatrix", "1"},
            {"PrintMinSpannNetworkGlob", "1"},
            {"ComputePairwiseFST", "1"},
            {"NumPermutationsFST", "20"},
            {"PrintFstVals", "1"},
            {"PrintConcestryCoeff", "1"},
            {"PrintSlatkinsDist", "1"},
            {"PrintMissIntermatchs", "1"},
            {"NumPermutPopDiff", "100"},
            {"NumDememoPopDiff", "10"},
            {"NumIterationsNeutralityTests", "20"},
            {"NumSimulFuTest", "20"},
            {"NumPermMantel", "20"},
            {"DetectSelectedLoci", "1"},
            {"NumberOfSimsForFDist2", "200"},
            {"NumberOfDemesForFDist2", "10"}};
}

// Sample, individual and haplotype names, the title, the structure name and
// STANDARD allele names hold "&", "<", ">" and quotes; every analysis runs in
// XML and in HTML: the per-sample analyses (allele, EM, Gibbs and LD tables
// among them), the summary over samples, AMOVA, pairwise comparisons, the
// Mantel test (whose bare labels begin with "<") and the selection scan (whose
// tested structure lists the names). An XML parser reads the XML file, both
// pages hold every name escaped and padded by its own length, none raw, and a
// parser of HTML reads the names as text.
TEST_F(XmlNamesE2E, NamesWithMarkupCharactersInBothResultFiles)
{
    const std::vector<std::string> named = {
        "== Sample : \tBe&lt;ch&gt;\n",
        "Labels of population samples={\n   \"A&amp;B\"\n   \"Be&lt;ch&gt;\"\n"
        "   \"&lt;Oak's&gt;\"\n",
        "StructureName = &quot;Woods &amp; &lt;hills&gt;&quot;",
        // the selection scan's tested structure: every sample in one group
        "No. of groups : 1\n\n\n\t[[Structure]]\n\n\t\tStructureName = &quot;Woods &amp; "
        "&lt;hills&gt;&quot;\n\t\tNbGroups = 1\n\t#Group1\n\t\tGroup={\n\t\t&quot;A&amp;B&quot;\n"
        "\t\t&quot;Be&lt;ch&gt;&quot;\n\t\t&quot;&lt;Oak's&gt;&quot;\n\t\t}\n",
    };
    const std::vector<std::string> named_raw = {"A&B", "Be<ch>", "<Oak's>", "& <"};
    struct Case {
        const char* project;
        bool named;  // holds the names above
        std::vector<std::string> escaped;  // as the XML file's source holds them
        std::vector<std::string> raw;      // none of them on either page
        const char* tree_title;            // a sample's entry in the navigation tree
    };
    const Case cases[] = {
        {"markup_genotypes",
         true,
         {"== Hardy-Weinberg equilibrium : (A&amp;B)",
          "== Pairwise linkage disequilibrium : (&lt;Oak's&gt;)",
          "== Haplotypes frequency estimation : (Be&lt;ch&gt;)",
          // the summary's columns are 12 wide, the phenotype's name 2 wider than itself
          "\nLocus#         A&amp;B      Be&lt;ch&gt;     &lt;Oak's&gt;        Mean",
          " Rel. Freq.\n  a&amp;1\t      1\t", " Rel. Freq.\n  &lt;a2&gt;\t      1\t",
          "\t======================\n        a&amp;1\t"},  // Gibbs phases, names 11 wide
         {"a&1", "<a2>"},
         "&lt;Oak\\'s&gt;"},
        {"markup_haplotypes",
         true,
         {"== Tajima's test of selective neutrality : (Be&lt;ch&gt;)",
          "== Fu's Fs test of selective neutrality : (A&amp;B)",
          "== Mismatch distribution : (&lt;Oak's&gt;)",
          "Haplotypes shared between \"A&amp;B\" and \"Be&lt;ch&gt;\":\n\n\t\th&amp;1 = h&amp;1\n",
          "    Haplotype:         A&amp;B      Be&lt;ch&gt;     &lt;Oak's&gt;\n",
          "Corresponding list of Haplotypes: Names &amp; &lt;marks&gt;",
          "\nh&amp;1 &lt;h2&gt; h&quot;3 h'4 h5 \n", "tree A&amp;B_MST = [&amp;U] (("},
         {"h&1", "<h2>"},
         "&lt;Oak\\'s&gt;"},
        // STANDARD genotypes of unknown phase, alleles A&B, <c> and x>y
        {"markup_standard",
         false,
         {"    2     UNKNOWN  0.141990    0.000000\t&lt;c&gt; y \n",
          // the EM's genotypes of an individual, then its haplotypes and alleles
          "\t           4\tA&amp;B y \n     \t            \t            \t           1\t"
          "&lt;c&gt; x&gt;y \n",
          "    1     UNKNOWN  0.500000    0.000000\t&lt;c&gt; \n",
          "Haplotype definition\n   ===========\t===========\t====================\n   [     1]\t",
          "Constituant haplotypes\n===========\t===========\t==========\t======================\n"
          "         i1\t"},
         {"A&B", "<c>", "x>y"},
         "Hill"},
        // STANDARD haplotypes: the allele table, the LD tables padded by the
        // names' own length, the haplotype lists
        {"markup_standard_haplotypes",
         false,
         {"    1   0.50000   0.22361   A&amp;B\n    2   0.50000   0.22361   &lt;c&gt;\n",
          "\n  Locus0\\Locus1| x&gt;y|   y|\n            A&amp;B|   3|   0|   3\n"
          "            &lt;c&gt;|   1|   2|   3\n",
          "\n  Locus0\\Locus1|     x&gt;y|       y|\n            A&amp;B|  0.1667| -0.1667|\n",
          "\n   h1                          A&amp;B x&gt;y 1\n",
          "\nh1\t3\t A&amp;B x&gt;y 1\n", "\n      h1 :  A&amp;B x&gt;y 1\n"},
         {"A&B", "<c>", "x>y"},
         "Vale"},
    };
    for (Case const& c : cases) {
        for (bool xml : {true, false}) {
            SCOPED_TRACE(std::string(c.project) + (xml ? " XML" : " HTML"));
            fs::remove_all(work);
            fs::create_directory(work);
            std::string drp = std::string(c.project) + ".drp";
            write(drp, read_text(fs::path(DROV_TEST_DATA) / "run" / drp));
            write("run.drs", run_settings_text(every_analysis(xml)));
            ASSERT_EQ(run(drp + " run.drs"), 0) << err;
            fs::path folder = work / (std::string(c.project) + ".res");
            fs::path file = folder / (std::string(c.project) + (xml ? ".xml" : ".htm"));
            std::string page = read_text(file);
            std::vector<std::string> escaped = c.escaped;
            std::vector<std::string> raw = c.raw;
            if (c.named) {
                escaped.insert(escaped.end(), named.begin(), named.end());
                raw.insert(raw.end(), named_raw.begin(), named_raw.end());
            }
            // The HTML page leaves quotes as they are.
            for (std::string& text : escaped)
                for (auto at = text.find("&quot;"); !xml && at != std::string::npos;
                     at = text.find("&quot;", at))
                    text.replace(at, 6, "\"");
            for (std::string const& text : escaped)
                EXPECT_NE(page.find(text), std::string::npos) << text;
            for (std::string const& text : raw)
                EXPECT_EQ(page.find(text), std::string::npos) << text;
            // The navigation tree titles the sample in a JavaScript string.
            EXPECT_THAT(read_text(folder / (std::string(c.project) + ".js")),
                        HasSubstr(std::string("gLnk(\"R\", \"") + c.tree_title + "\", "));
            if (xml) {
                EXPECT_EQ(xml_fault(page), "");
                EXPECT_EQ(xml_parser_fault(file, root.path()), "");
            } else {
                std::vector<std::string> shown;
                for (std::string const& text : escaped)
                    shown.push_back(unescaped(text));
                EXPECT_EQ(html_text_fault(file, shown, root.path()), "");
            }
        }
    }
}

}  // namespace
