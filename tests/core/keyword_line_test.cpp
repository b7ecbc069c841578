// Tests of the keyword-line helpers of the line-oriented project readers:
// the '=' check, comment cutting, the value readers and their log lines.

#include "core/keyword_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"
#include "support/temp_log.h"

namespace {

class KeywordLineTest : public LogFolderTest {
protected:
    // The log written since the last call; starts the counters afresh for the next check.
    std::string take_log()
    {
        std::string text = LogFolderTest::take_log();
        E.error(WARNING, "reset", -1);
        return text;
    }
};

const std::string BAD_VALUE_REPORT =
    "   1 #[WARNING # 1] from function \"readStringContent(...)\" : "
    "bad value assigned to keyword in project file\n";

TEST_F(KeywordLineTest, MissingEqualSignIsReportedWithTheLineNumber)
{
    EXPECT_EQ(checkForPresenceOfEqualSign("Title \"A title\"", "Title", 7), 0);
    EXPECT_EQ(take_log(),
              "   1 #[WARNING # 1] from function \"checkForPresenceOfEqualSign(...)\" : "
              "missing '=' sign in keyword definition in project file\n"
              "\tProject file, Line #7 : Missing equal sign after keyword 'Title'\n");

    EXPECT_EQ(checkForPresenceOfEqualSign("NbSamples", "NbSamples", -1), 0);
    EXPECT_THAT(take_log(), ::testing::HasSubstr("Line #-1 : Missing equal sign"));

    EXPECT_EQ(checkForPresenceOfEqualSign("Title = \"a=b\"", "Title", 3), 6);
    EXPECT_EQ(take_log(), "");
}

struct QuotedCase {
    std::string line;
    int ok;
    std::string value;
    std::string log_line;  // the reader's line after WARNING 190, "" for none
};

TEST_F(KeywordLineTest, GetQuotedStringTakesTheTextBetweenQuotes)
{
    const QuotedCase cases[] = {
        {"Title=\"It's mine\"", 1, "It's mine", ""},
        {"  Title = \" two  blanks \" # c", 1, " two  blanks ", ""},
        {"MissingData='?'", 1, "?", ""},
        {"Title=\"\"", 1, "", ""},
        {"RecessiveAllele = 'a' \"b\"", 1, "b", ""},  // a double quote wins
        {"Title=\"" + std::string(3000, 't') + "\"", 1, std::string(3000, 't'), ""},
        {"Title=\"not closed", 0, "not closed",
         "\tProject file, Line #4 : Opened quote not closed after keyword 'Title'. "
         "Unable to assign value to key...\n"},
        {"MissingData='?", 0, "?",
         "\tProject file, Line #4 : Opened quote not closed after keyword 'Title'. "
         "Unable to assign value to key...\n"},
        {"MissingData=?", 0, "?",
         "\tProject file, Line #4 : No open quote after keyword 'Title'\n"},
        {"Title", 0, "Title", "\tProject file, Line #4 : No open quote after keyword 'Title'\n"},
    };
    for (QuotedCase const& c : cases) {
        SCOPED_TRACE(c.line);
        my_string value("old");
        EXPECT_EQ(getQuotedString(c.line.c_str(), value, "Title", 4), c.ok);
        EXPECT_EQ(std::string(value.str), c.value);
        EXPECT_EQ(take_log(), c.log_line.empty() ? "" : BAD_VALUE_REPORT + c.log_line);
    }
}

TEST_F(KeywordLineTest, GetUnQuotedStringKeepsTheTextAfterTheEqualSign)
{
    my_string value;
    EXPECT_EQ(getUnQuotedString("DataType= DNA\r", value, "DataType", 2), 1);
    EXPECT_STREQ(value.str, " DNA\r");
    EXPECT_EQ(getUnQuotedString("Frequency", value, "Frequency", 2), 1);
    EXPECT_STREQ(value.str, "Frequency");
    EXPECT_EQ(take_log(), "");
}

struct ValueCase {
    const char* line;
    int ok;
    double value;
};

TEST_F(KeywordLineTest, GetValueAcceptsOnlyAWholeFiniteNumber)
{
    const ValueCase cases[] = {
        {"NbSamples=3", 1, 3.0},
        {"EpsilonValue= 1E-7", 1, 1e-7},
        {"x=-2.5", 1, -2.5},
        {"x=0x10", 1, 16.0},
        {"x=", 1, 0.0},          // an empty value is 0
        {"x=3 ", 0, 3.0},        // the number is stored even when refused
        {"x=3\r", 0, 3.0},
        {"x=12abc", 0, 12.0},
        {"x=three", 0, 0.0},
        {"x= ", 0, 0.0},
        {"x=1e999", 0, 0.0},     // infinities and NaN are not numbers of a project
        {"x=-inf", 0, 0.0},
        {"x=nan", 0, 0.0},
    };
    for (ValueCase const& c : cases) {
        SCOPED_TRACE(c.line);
        double value = -1.0;
        EXPECT_EQ(getValue(c.line, value, "NbSamples", 12), c.ok);
        EXPECT_DOUBLE_EQ(value, c.value);
        EXPECT_EQ(take_log(), c.ok ? ""
                                   : BAD_VALUE_REPORT +
                                         "\tProject file, Line #12 : Bad value after keyword "
                                         "'NbSamples'\n");
    }
}

TEST_F(KeywordLineTest, ClearLineAfterPoundSign)
{
    const std::pair<const char*, const char*> cases[] = {
        {"# a comment", ""},
        {"NbSamples=2 # two", "NbSamples=2 "},
        {"Title=\"a#b\"", "Title=\"a"},
        {"no comment", "no comment"},
        {"", ""},
    };
    for (auto const& c : cases) {
        my_string line(c.first);
        clearLineAfterPoundSign(line);
        EXPECT_STREQ(line.str, c.second) << c.first;
        EXPECT_EQ(line.length, static_cast<int>(std::string(c.second).size()));
    }
}

TEST_F(KeywordLineTest, DetectFullPathInFileName)
{
    EXPECT_TRUE(detectFullPathInFileName("/data/haplotypes.hap"));
    EXPECT_FALSE(detectFullPathInFileName("data/haplotypes.hap"));
    EXPECT_FALSE(detectFullPathInFileName("C:/data/haplotypes.hap"));
    EXPECT_FALSE(detectFullPathInFileName(""));
}

}  // namespace
