// End-to-end runs of result files whose names hold "&", "<" and quotes: the
// built drovexec runs the analyses with XMLOutput=1, and the file must stay
// well formed; the HTML page must show the names as text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
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
    if (fs::exists("/usr/bin/xmllint")) {
        EXPECT_EQ(std::system(("xmllint --noout '" + file.string() + "'").c_str()), 0);
    }
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
    if (std::system("python3 -c '' > /dev/null 2>&1") != 0)
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

// Sample, individual and haplotype names, the title and the structure name
// hold "&", "<", ">" and quotes; every per-sample analysis, the summary over
// samples, AMOVA, pairwise comparisons and the Mantel test (whose bare labels
// begin with "<") run in XML and in HTML. The XML file is well formed, both
// pages hold every name escaped and padded by its own length, none raw, and
// a parser of HTML reads the names as text.
TEST_F(XmlNamesE2E, NamesWithMarkupCharactersInBothResultFiles)
{
    const std::vector<std::string> shared = {
        "== Sample : \tBe&lt;ch&gt;\n",
        "Labels of population samples={\n   \"A&amp;B\"\n   \"Be&lt;ch&gt;\"\n"
        "   \"&lt;Oak's&gt;\"\n",
        "StructureName = &quot;Woods &amp; &lt;hills&gt;&quot;",
    };
    struct Case {
        const char* project;
        std::vector<std::string> escaped;  // as the XML file's source holds them
    };
    const Case cases[] = {
        {"markup_genotypes",
         {"== Hardy-Weinberg equilibrium : (A&amp;B)",
          "== Pairwise linkage disequilibrium : (&lt;Oak's&gt;)",
          "== Haplotypes frequency estimation : (Be&lt;ch&gt;)",
          // the summary's columns are 12 wide, the phenotype's name 2 wider than itself
          "\nLocus#         A&amp;B      Be&lt;ch&gt;     &lt;Oak's&gt;        Mean",
          " Rel. Freq.\n  a&amp;1\t      1\t", " Rel. Freq.\n  &lt;a2&gt;\t      1\t",
          "\t======================\n        a&amp;1\t"}},  // Gibbs phases, names 11 wide
        {"markup_haplotypes",
         {"== Tajima's test of selective neutrality : (Be&lt;ch&gt;)",
          "== Fu's Fs test of selective neutrality : (A&amp;B)",
          "== Mismatch distribution : (&lt;Oak's&gt;)",
          "Haplotypes shared between \"A&amp;B\" and \"Be&lt;ch&gt;\":\n\n\t\th&amp;1 = h&amp;1\n",
          "    Haplotype:         A&amp;B      Be&lt;ch&gt;     &lt;Oak's&gt;\n",
          "Corresponding list of Haplotypes: Names &amp; &lt;marks&gt;",
          "\nh&amp;1 &lt;h2&gt; h&quot;3 h'4 h5 \n", "tree A&amp;B_MST = [&amp;U] (("}},
    };
    const char* const raw[] = {"A&B", "Be<ch>", "<Oak's>", "a&1", "<a2>", "h&1", "<h2>", "& <"};
    for (Case const& c : cases) {
        for (bool xml : {true, false}) {
            SCOPED_TRACE(std::string(c.project) + (xml ? " XML" : " HTML"));
            fs::remove_all(work);
            fs::create_directory(work);
            std::string drp = std::string(c.project) + ".drp";
            write(drp, read_text(fs::path(DROV_TEST_DATA) / "run" / drp));
            write("run.drs",
                  run_settings_text({{"TaskNumber", "131071"},
                                     {"XMLOutput", xml ? "1" : "0"},
                                     {"ComputeSumStatsWithinGroups", "1"},
                                     {"EliminateRedondHaplodefs", "1"},
                                     {"MakeHWExactTest", "1"},
                                     {"MarkovChainStepsHW", "1000"},
                                     {"MarkovChainDememorisationStepsHW", "100"},
                                     {"MakeExactTestLD", "1"},
                                     {"MarkovChainStepsLD", "1000"},
                                     {"MarkovChainDememorisationStepsLD", "100"},
                                     {"PrintHaplDistMat", "1"},
                                     {"PrintMinSpannNetworkPop", "1"},
                                     {"ComputeAllHaplotypesEM", "1"},
                                     {"InitialConditionsEM", "5"},
                                     {"GibbsInferGamPhase", "1"},
                                     {"GibbsBurnIn", "100"},
                                     {"GibbsSamplingInterval", "5"},
                                     {"GibbsNumSamples", "20"},
                                     {"HaplAMOVA", "1"},
                                     {"LocByLocAMOVA", "1"},
                                     {"PopSpecificFIS", "1"},
                                     {"NumPermutationsAMOVA", "20"},
                                     {"PrintDistanceMatrix", "1"},
                                     {"PrintMinSpannNetworkGlob", "1"},
                                     {"ComputePairwiseFST", "1"},
                                     {"NumPermutationsFST", "20"},
                                     {"NumPermutPopDiff", "100"},
                                     {"NumDememoPopDiff", "10"},
                                     {"NumIterationsNeutralityTests", "20"},
                                     {"NumSimulFuTest", "20"},
                                     {"NumPermMantel", "20"}}));
            ASSERT_EQ(run(drp + " run.drs"), 0) << err;
            fs::path folder = work / (std::string(c.project) + ".res");
            fs::path file = folder / (std::string(c.project) + (xml ? ".xml" : ".htm"));
            std::string page = read_text(file);
            std::vector<std::string> escaped = shared;
            escaped.insert(escaped.end(), c.escaped.begin(), c.escaped.end());
            // The HTML page leaves quotes as they are.
            for (std::string& text : escaped)
                for (auto at = text.find("&quot;"); !xml && at != std::string::npos;
                     at = text.find("&quot;", at))
                    text.replace(at, 6, "\"");
            for (std::string const& text : escaped)
                EXPECT_NE(page.find(text), std::string::npos) << text;
            for (const char* name : raw)
                EXPECT_EQ(page.find(name), std::string::npos) << name;
            // The navigation tree titles the sample in a JavaScript string.
            EXPECT_THAT(read_text(folder / (std::string(c.project) + ".js")),
                        HasSubstr("gLnk(\"R\", \"&lt;Oak\\'s&gt;\", "));
            if (xml) {
                EXPECT_EQ(xml_fault(page), "");
                if (fs::exists("/usr/bin/xmllint")) {
                    std::string lint = "xmllint --noout '" + file.string() + "'";
                    EXPECT_EQ(std::system(lint.c_str()), 0);
                }
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
