// Biosys format statements read into name width, skip, line count and the
// per-line loci, gap and field widths.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "translator/biosys_format.h"
#include "translator/translator_fixture.h"

namespace {

struct Expected {
    int name_width, skip, line_count;
    std::vector<std::vector<int>> lines;  // loci, gap, first, second (and third) width per line
};

class BiosysFormatTest : public TranslatorTest {
protected:
    std::ostringstream out;
    BiosysFormat format;

    int read(int data_type, std::string const& statement)
    {
        out.str("");
        translator.os = &out;
        if (data_type == 1)
            return translator.read_format1(statement, format);
        if (data_type == 2)
            return translator.read_format2(statement, format);
        return translator.read_format3(statement, format);
    }

    void expect(Expected const& e, int data_type)
    {
        EXPECT_EQ(format.name_width, e.name_width);
        EXPECT_EQ(format.skip, e.skip);
        ASSERT_EQ(format.line_count, e.line_count);
        for (int i = 0; i < e.line_count; ++i) {
            SCOPED_TRACE("format line " + std::to_string(i));
            std::vector<int> got = {format.loci[i], format.gap[i], format.first_width[i],
                                    format.second_width[i]};
            if (data_type != 1)
                got.push_back(format.third_width[i]);
            EXPECT_EQ(got, e.lines[i]);
        }
    }
};

TEST_F(BiosysFormatTest, StatementsBecomeWidthsAndCounts)
{
    struct Case {
        int data_type;
        const char* statement;
        Expected expected;
    };
    const std::vector<Case> cases = {
        {1, "(A7,3X,10(1X,A2,A2))", {7, 3, 1, {{10, 1, 2, 2}}}},
        {1, "A7,3X,10(1X,A2,A2)", {7, 3, 1, {{10, 1, 2, 2}}}},
        {1, " ( A7 , 3X , 10 ( 1X , A2 , A2 ) ) ", {7, 3, 1, {{10, 1, 2, 2}}}},
        {1, "(A7,3X,5(1X,A2,A2)/5(1X,A3,A3))", {7, 3, 2, {{5, 1, 2, 2}, {5, 1, 3, 3}}}},
        // Allele items without their letter read the same.
        {1, "(A7,3X,10(1X,2,2))", {7, 3, 1, {{10, 1, 2, 2}}}},
        // A group without a gap item, and a leading part without a skip item.
        {1, "(A7,3X,10(A2,A2))", {7, 3, 1, {{10, 0, 2, 2}}}},
        {1, "(A7,10(1X,A2,A2))", {7, 0, 1, {{10, 1, 2, 2}}}},
        {1, "(A7,3X,1(1X,A2,A0))", {7, 3, 1, {{1, 1, 2, 0}}}},
        // A tab is not removed; it is no digit of the skip.
        {1, "(A7,\t3X,10(1X,A2,A2))", {7, 3, 1, {{10, 1, 2, 2}}}},
        {2, "(2X,10(1X,A2,A2,1X,I3))", {0, 2, 1, {{10, 1, 2, 2, 3}}}},
        {2, "(2X,3(1X,A2,A2,1X,I3)/3(1X,A3,A3,1X,I2))",
         {0, 2, 2, {{3, 1, 2, 2, 3}, {3, 1, 3, 3, 2}}}},
        {3, "(2X,10(1X,A2,A2,1X,F4.3))", {0, 2, 1, {{10, 1, 2, 2, 4}}}},
        // The decimals of a frequency are not kept.
        {3, "(2X,10(1X,A2,A2,1X,F5.3))", {0, 2, 1, {{10, 1, 2, 2, 5}}}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(read(c.data_type, c.statement), 1);
        EXPECT_EQ(out.str(), "");
        expect(c.expected, c.data_type);
    }
}

TEST_F(BiosysFormatTest, UnreadableStatementsWriteTheErrorLine)
{
    struct Case {
        int data_type;
        std::string statement;
        const char* why;
    };
    std::string nine_slashes = "(A7,3X";
    for (int i = 0; i < 9; ++i)
        nine_slashes += ",1(1X,A2,A2)/";
    nine_slashes += "1(1X,A2,A2))";
    const std::vector<Case> cases = {
        {1, nine_slashes, "ten format lines"},
        {1, "(I7,3X,10(1X,A2,A2))", "no name item"},
        {2, "(2X,10(1X,A2,A2,2X,I3))", "2X before the count"},
        {3, "(2X,10(1X,A2,A2,F4.3))", "no 1X before the frequency"},
        {1, "(A7,3X,10(1X,A-2,A2))", "a negative width"},
        {1, "(A7,3X,10(1X,A20000,A2))", "a field wider than a gene copy"},
        {1, "(A7,3X,10(1X,A00000000002,A2))", "a number of more than ten characters"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(read(c.data_type, c.statement), 0);
        EXPECT_EQ(out.str(), " ***** ERROR *****\n");
    }
    read(1, nine_slashes);
    EXPECT_EQ(format.line_count, 10);
}

TEST(BiosysNumber, DigitsCountOtherCharactersAreSkipped)
{
    EXPECT_EQ(biosys_number("A2"), 2);
    EXPECT_EQ(biosys_number("  40"), 40);
    EXPECT_EQ(biosys_number("1 0"), 10);
    EXPECT_EQ(biosys_number("-3"), -3);
    EXPECT_EQ(biosys_number(""), 0);
    EXPECT_EQ(biosys_number("99999999999"), 2147483647);
}

} // namespace
