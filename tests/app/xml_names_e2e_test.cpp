// End-to-end run of an XML result file whose sample and group names hold
// "&", "<" and quotes: the built drovexec runs the AMOVA, the pairwise
// comparisons, the exact test, the assignment test and the Mantel test with
// XMLOutput=1, and the file must stay well formed.
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

}  // namespace
