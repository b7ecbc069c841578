// Literature references: the citation table and the HTML and XML forms of
// single citations and citation blocks.

#include "project/references.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/glbobj.h"

namespace {

class ReferencesTest : public ::testing::Test {
protected:
    void TearDown() override { xmlOutput = false; }

    static std::string single(my_string const& key)
    {
        std::ostringstream out;
        References(out, key);
        return out.str();
    }
};

TEST_F(ReferencesTest, TableHoldsSeventySixAuthorYearCitations)
{
    ASSERT_EQ(reference_table_size, 76);
    std::set<std::string> keys;
    for (int i = 0; i < reference_table_size; ++i) {
        std::string key = reference_table[i].key;
        std::string text = reference_table[i].text;
        EXPECT_TRUE(keys.insert(key).second) << "repeated key " << key;
        EXPECT_EQ(key.find(' '), std::string::npos) << key;
        // "Surname I., Surname I. and Surname I. 1992." (a letter after the year
        // tells apart two works of one author and year).
        EXPECT_TRUE(std::regex_search(text, std::regex("^[A-Z].* (19|20)[0-9][0-9][ab]?\\.$"))) << text;
        EXPECT_STREQ(References::get_reference(my_string(key.c_str())).str, text.c_str());

        xmlOutput = false;
        EXPECT_EQ(single(my_string(key.c_str())), "Reference: <i>" + text + "</i>\n");
        xmlOutput = true;
        EXPECT_EQ(single(my_string(key.c_str())),
                  "Reference: </data>\n<Reference>" + text + "</Reference>\n<data>\n");
    }
    EXPECT_EQ(keys.count("QKR_Ref"), 1u);  // the key of the Gibbs phase sampler
}

TEST_F(ReferencesTest, UnknownKeysGiveAnEmptyCitation)
{
    EXPECT_STREQ(References::get_reference(my_string("no_such_key")).str, "");
    EXPECT_STREQ(References::get_reference(my_string("qkr_ref")).str, "");  // case counts
    EXPECT_STREQ(References::get_reference(my_string("QKR_Re")).str, "");   // whole key only
    EXPECT_EQ(single(my_string("no_such_key")), "Reference: <i></i>\n");
    xmlOutput = true;
    EXPECT_EQ(single(my_string("no_such_key")), "Reference: </data>\n<Reference></Reference>\n<data>\n");
}

TEST_F(ReferencesTest, BlockPositions)
{
    my_string key("Weir_B");
    struct Case {
        bool xml;
        int position;
        const char* text;
    };
    const Case cases[] = {
        {false, 0, "           <i>Weir B.S. 1996.</i>\n"},
        {false, 2, "           <i>Weir B.S. 1996.</i>\n"},
        {false, 3, "           <i>Weir B.S. 1996.</i>\n"},
        {true, 0, "</data>\n<Reference>Weir B.S. 1996.</Reference>\n"},
        {true, 1, "<Reference>Weir B.S. 1996.</Reference>\n"},
        {true, 2, "<Reference>Weir B.S. 1996.</Reference>\n<data>\n"},
        {true, 3, ""},
        {true, -1, ""},
    };
    for (Case const& c : cases) {
        xmlOutput = c.xml;
        std::ostringstream out;
        References(out, key, c.position);
        EXPECT_EQ(out.str(), c.text) << c.xml << " " << c.position;
    }

    // A block 0, 1, 1, 2 closes the open data element once and reopens it once.
    xmlOutput = true;
    std::ostringstream block;
    block << "<data>\n";
    for (int position : {0, 1, 1, 2})
        References(block, key, position);
    std::string text = block.str();
    EXPECT_EQ(text.substr(text.size() - 7), "<data>\n");
    EXPECT_EQ(text.find("</data>"), text.rfind("</data>"));
}

}  // namespace
