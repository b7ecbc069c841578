// Tests of the project-file tokenizer: value readers, keyword and header
// searches, and the reports they write to the log.
//
// Every test writes its input as a file in a fresh temporary folder and reads
// it through an ifstream, as the project readers do, with a log open there.

#include "core/public.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/errors.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class TokenizerTest : public LogFolderTest {
protected:
    std::ifstream in;

    // Opens `text` as the input stream.
    std::ifstream& input(std::string const& text)
    {
        fs::path path = write_file("input.drp", text);
        in.close();
        in.clear();
        in.open(path, std::ios::binary);
        return in;
    }

    // The next character the stream gives (EOF at the end).
    int next_char()
    {
        in.clear();
        return in.get();
    }
};

const int END = std::char_traits<char>::eof();

struct IntCase {
    const char* text;
    int ok;
    int value;
    int next;
};

TEST_F(TokenizerTest, GetIntReadsUnsignedNumbersOfTheCurrentLine)
{
    const IntCase cases[] = {
        {"\t\r42 x", 1, 42, ' '},  // control characters are skipped
        {" 42", 0, 0, '4'},        // a blank is printable: consumed, and false
        {"-5", 0, 0, '5'},         // a sign stays consumed
        {"x1", 0, 0, '1'},
        {"\n7", 0, 0, '7'},        // the line end is consumed, the next line is not read
        {"99999999999", 0, 0, END},
        {"", 0, 0, END},
    };
    for (IntCase const& c : cases) {
        SCOPED_TRACE(c.text);
        int n = 0;
        EXPECT_EQ(get_int(input(c.text), n), c.ok);
        if (c.ok) {
            EXPECT_EQ(n, c.value);
        }
        EXPECT_EQ(next_char(), c.next);
    }
}

struct QcharCase {
    const char* text;
    int ok;
    char value;
    int next;
};

TEST_F(TokenizerTest, GetQcharReadsOneQuotedCharacter)
{
    const QcharCase cases[] = {
        {"  '?' x", 1, '?', ' '},
        {"\"?'", 1, '?', END},  // the closing quote may be of the other kind
        {"?", 0, 0, '?'},       // unquoted: left in the stream
        {"'ab'", 0, 'a', 'a'},  // no closing quote: the character goes back
        {"'a", 0, 'a', 'a'},
        {"\n'a'", 0, 0, '\''},  // a line end ends the search
    };
    for (QcharCase const& c : cases) {
        SCOPED_TRACE(c.text);
        char ch = 0;
        EXPECT_EQ(get_qchar(input(c.text), ch), c.ok);
        EXPECT_EQ(ch, c.value);
        EXPECT_EQ(next_char(), c.next);
    }
}

struct QstringCase {
    const char* text;
    int ok;
    const char* value;
    int next;
};

TEST_F(TokenizerTest, GetQstringReadsQuotedTextsAndBareWords)
{
    const QstringCase cases[] = {
        {"''", 1, "", END},
        {"'A' x", 1, "A", ' '},
        {"  \"a b\" x", 1, "a b", ' '},
        {"# note\n\r\n\t\"id\"", 1, "id", END},   // comments and line ends are skipped
        {"\"open\nnext", 1, "open", 'n'},          // a quoted text ends with its line
        {"\"open", 0, "open", END},                // ... but not with the input
        {"word}\n", 1, "word", '}'},               // the brace is left for the list reader
        {"b}", 1, "b", '}'},                        // ... also at the end of the input
        {"a/b c", 1, "a", 'c'},
        {"x1}y/z w", 1, "x1", '}'},
        {"=x", 0, "", '='},
        {"", 0, "", END},
    };
    for (QstringCase const& c : cases) {
        SCOPED_TRACE(c.text);
        my_string s;
        EXPECT_EQ(get_qstring(input(c.text), s), c.ok);
        if (c.ok) {
            EXPECT_STREQ(s.str, c.value);
        }
        EXPECT_EQ(next_char(), c.next);
    }
    EXPECT_THAT(log_text(), Not(HasSubstr("ERROR")));
}

TEST_F(TokenizerTest, GetQstringRefusesSeveralCharactersBetweenApostrophes)
{
    my_string s;
    EXPECT_EQ(get_qstring(input("'ab' x"), s), 0);
    EXPECT_EQ(next_char(), ' ');
    EXPECT_THAT(log_text(), HasSubstr("   1 #[ERROR # 1] from function "
                                      "\"get_qstring(ifstream& ifs, my_string& s)\" : "
                                      "unable to read a character in input file\n"));
}

TEST_F(TokenizerTest, GetQstringReadsLongWordsWhole)
{
    std::string word(5000, 'w');
    my_string s;
    EXPECT_EQ(get_qstring(input("\"" + word + "\" " + word), s), 1);
    EXPECT_EQ(std::string(s.str), word);
    EXPECT_EQ(get_qstring(in, s), 1);
    EXPECT_EQ(std::string(s.str), word);
}

TEST_F(TokenizerTest, GetWordReadsTheNextWordOfTheLineLowerCased)
{
    my_string w;
    EXPECT_EQ(get_word(input(" = DNA\tnext"), w), 1);
    EXPECT_STREQ(w.str, "dna");
    EXPECT_EQ(next_char(), 'n');

    EXPECT_EQ(get_word(input("  \nDNA"), w), 0);
    EXPECT_EQ(next_char(), '\n');

    // A comment is skipped however long it is, and the scan goes on on the next line.
    EXPECT_EQ(get_word(input(" #" + std::string(300, 'c') + "\nRflp x"), w), 1);
    EXPECT_STREQ(w.str, "rflp");
}

struct IdentCase {
    const char* text;
    int ok;
    const char* id;
    int next;
};

TEST_F(TokenizerTest, GetNextIdentReadsTheKeywordBeforeTheEqualSign)
{
    const IdentCase cases[] = {
        {"SampleSize = 10\n", 1, "samplesize", ' '},  // the value stays unread
        {"# c\n } NbLoci=3", 1, "nbloci", '3'},      // stray characters are dropped
        {"  [Data]", 0, "unchanged", '['},            // a header ends the section
        {"   \n  ", 0, "*", END},                     // end of input after blanks
        {"Title", 0, "*", END},                       // no '=' before the end of input
        {"Title\nx=1", 1, "title", 'x'},              // a line end also ends the keyword
    };
    for (IdentCase const& c : cases) {
        SCOPED_TRACE(c.text);
        my_string id("unchanged");
        EXPECT_EQ(get_next_ident(input(c.text), id), c.ok);
        EXPECT_STREQ(id.str, c.id);
        EXPECT_EQ(next_char(), c.next);
    }
    EXPECT_THAT(log_text(), Not(HasSubstr("ERROR")));
}

TEST_F(TokenizerTest, SkipCommentsStopsAtTheFirstCharacterThatMayStartAValue)
{
    const std::pair<const char*, int> good[] = {
        {"  \t\r\n# c\nabc", 'a'}, {"\"q\"", '"'}, {"'q'", '\''},
        {"[Data]", '['}, {"}", '}'}, {"7", '7'}};
    for (auto const& c : good) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(skip_comments(input(c.first)), 1);
        EXPECT_EQ(next_char(), c.second);
    }
    // A last line that is a comment: the input ends while skipping, not reported.
    EXPECT_EQ(skip_comments(input("  # last comment")), 0);
    EXPECT_THAT(log_text(), Not(HasSubstr("ERROR")));
}

TEST_F(TokenizerTest, SkipCommentsReportsAnUnexpectedCharacter)
{
    EXPECT_EQ(skip_comments(input("# comment\n=x")), 0);
    EXPECT_EQ(next_char(), 'x');
    EXPECT_EQ(skip_comments(input("{ a }")), 0);
    EXPECT_EQ(log_text(),
              " ** d_public::skip_comments_l_253:the character is not the expected one c:=\n"
              "   1 #[ERROR # 1] from function \"skip_comments(ifstream& ifs) (\"=\")\" : "
              "invalid character in input file\n"
              " ** d_public::skip_comments_l_253:the character is not the expected one c:{\n"
              "   2 #[ERROR # 2] from function \"skip_comments(ifstream& ifs) (\"{\")\" : "
              "invalid character in input file\n");
}

TEST_F(TokenizerTest, SkipCommentsReturnsAtOnceOnAnEndedStream)
{
    input("");
    in.get();
    EXPECT_EQ(skip_comments(in), 1);
}

TEST_F(TokenizerTest, TestEndOfLine)
{
    const IntCase cases[] = {
        {"   # comment\nX", 1, 0, 'X'},
        {" \t\r\nX", 1, 0, 'X'},
        {"  X", 0, 0, 'X'},
        {"", 1, 0, END},
    };
    for (IntCase const& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(test_end_of_line(input(c.text)), c.ok);
        EXPECT_EQ(next_char(), c.next);
    }
}

TEST_F(TokenizerTest, IsIdentifierComparesWithTheLowerCaseKeywords)
{
    const std::pair<const char*, int> cases[] = {
        {"title", 1}, {"Title", 0}, {"recessiveallele", 1}, {"ymatrixlabels", 1},
        {"hapl", 0}, {"", 0}};
    for (auto const& c : cases) {
        my_string id(c.first);
        EXPECT_EQ(is_identifier(id), c.second) << c.first;
    }
}

const char* const PROJECT =
    "# A project\n"
    "[Profile]\n"
    "  Title=\"Two samples\"\n"
    "  NbSamples=2\n"
    "[Data]\n"
    "[[Samples]]\n"
    "  SampleName=\"pop 1\"\n";

TEST_F(TokenizerTest, PositionAfterFindsSectionsInAnyLetterCase)
{
    EXPECT_EQ(go_to_section(input(PROJECT), "PROFILE"), 1);
    EXPECT_EQ(next_char(), '\n');  // just after the first ']'

    EXPECT_EQ(go_to_section(input(PROJECT), "data"), 1);
    EXPECT_EQ(skip_comments(in), 1);
    my_string name;
    EXPECT_EQ(get_next_subsection(in, name), 3);

    EXPECT_EQ(position_after(input(PROJECT), "Profile", "", "nbsamples"), 1);
    int n = 0;
    EXPECT_EQ(get_int(in, n), 1);
    EXPECT_EQ(n, 2);

    EXPECT_EQ(position_after(input(PROJECT), "data", "samples", ""), 1);
    EXPECT_EQ(next_char(), ']');

    ASSERT_EQ(go_to_section(input(PROJECT), "data"), 1);
    EXPECT_EQ(go_to_sub_section(in, "Samples"), 1);
    EXPECT_THAT(log_text(), Not(HasSubstr("ERROR")));
}

TEST_F(TokenizerTest, PositionAfterSkipsLinesOfAnyLength)
{
    std::string title = "Title=\"" + std::string(200, 't') + "\"\r\n";
    std::string comment = "# " + std::string(150, '-') + "\n";
    std::string text = "[Profile]\n" + title + comment + "NbSamples=1\n[Data]\n" + comment +
                       "[[Samples]]\nSampleName=\"a\"\n";

    EXPECT_EQ(go_to_section(input(text), "data"), 1);
    EXPECT_EQ(skip_comments(in), 1);
    my_string name;
    EXPECT_EQ(get_next_subsection(in, name), 3);

    EXPECT_EQ(position_after(input(text), "profile", "", "NbSamples"), 1);
    EXPECT_EQ(position_after(input(text), "data", "samples", ""), 1);
    EXPECT_EQ(position_after(input(title + "[Data]\n"), "data", "", ""), 1);
    EXPECT_THAT(log_text(), Not(HasSubstr("ERROR")));
}

struct SearchCase {
    std::string text;
    const char* section;
    const char* subsection;
    const char* key;
    const char* report;  // the function text of the ERROR 102, or "" for none
};

TEST_F(TokenizerTest, PositionAfterReportsWhatItCannotFind)
{
    const SearchCase cases[] = {
        // The input ends on a skipped line: the header search fails.
        {"x=1\ny=2", "data", "", "", "position_after() (1)"},
        // A section header met by the subsection search.
        {"[Data]\n[Profile]\n", "data", "samples", "", "position_after() (3)"},
        // A '[' at the very end.
        {"[Data]\n[", "data", "samples", "", "position_after() (2)"},
        // The key level runs to the end of the input; the section level then fails.
        {"[Profile]\nTitle=\"x\"", "profile", "", "nbloci", "position_after() (5)"},
        // Blanks inside the brackets: the text between them is compared whole.
        {"[ Profile ]\nx=1", "profile", "", "", "position_after() (1)"},
        // The input ends while skipping blank lines: false without a report.
        {"[Profile]\nx=1\n\n", "data", "", "", ""},
    };
    for (SearchCase const& c : cases) {
        SCOPED_TRACE(c.text);
        E.error(WARNING, "reset", -1);
        take_log();
        EXPECT_EQ(position_after(input(c.text), c.section, c.subsection, c.key), 0);
        std::string reported = take_log();
        if (*c.report) {
            EXPECT_EQ(reported, std::string("   1 #[ERROR # 1] from function \"") + c.report +
                                    "\" : unable to find section in profile\n");
            EXPECT_TRUE(in.good());  // cleared, so that the caller may go on reading
        } else {
            EXPECT_EQ(reported, "");
        }
    }
}

TEST_F(TokenizerTest, PositionAfterOnAFailedStreamReportsAtOnce)
{
    input("[Data]\n");
    in.setstate(std::ios::failbit);
    EXPECT_EQ(go_to_section(in, "data"), 0);
    EXPECT_THAT(log_text(), HasSubstr("\"position_after() (5)\" : unable to find section"));
    EXPECT_TRUE(in.good());
}

struct SubsectionCase {
    std::string text;
    int result;
    const char* name;
    int next;
};

TEST_F(TokenizerTest, GetNextSubsectionNumbersTheSubsections)
{
    const SubsectionCase cases[] = {
        {"[[DistanceMatrix]]\nx", 1, "distancematrix", 'x'},
        {" \t[[HaplotypeDefinition]] # list\nx", 2, "haplotypedefinition", 'x'},
        {"[[Samples]]\r\nSampleName", 3, "samples", 'S'},
        {"x\n# a comment of " + std::string(120, 'c') + "\n[[Structure]]\n", 4, "structure", END},
        {"[[MANTEL]]", 5, "mantel", END},
        // A section header: no further subsection in the data section.
        {"[Profile]\n", 0, "before", 'P'},
    };
    for (SubsectionCase const& c : cases) {
        SCOPED_TRACE(c.text);
        my_string name("before");
        EXPECT_EQ(get_next_subsection(input(c.text), name), c.result);
        EXPECT_STREQ(name.str, c.name);
        EXPECT_EQ(next_char(), c.next);
    }
    EXPECT_THAT(log_text(), Not(HasSubstr("ERROR")));
}

TEST_F(TokenizerTest, GetNextSubsectionAtTheEndOfTheInput)
{
    my_string name;
    EXPECT_EQ(get_next_subsection(input("  \n# only a comment\n"), name), 0);
    EXPECT_TRUE(in.good());
    EXPECT_EQ(log_text(), "");
}

TEST_F(TokenizerTest, GetNextSubsectionReportsUnknownAndUnreadableNames)
{
    my_string name;
    EXPECT_EQ(get_next_subsection(input("[[Foo]]\n"), name), 0);
    EXPECT_STREQ(name.str, "foo");
    EXPECT_EQ(get_next_subsection(input("[[Samples"), name), 0);
    EXPECT_EQ(log_text(),
              "   1 #[ERROR # 1] from function \"get_next_subsection() (\"foo\"\" : "
              "numerical error\n"
              "   2 #[ERROR # 2] from function \"get_next_subsection()\" : "
              "unable to read subsection id\n");
}

TEST_F(TokenizerTest, KeywordLoopOfAProfileSection)
{
    std::ifstream& ifs = input(
        "[Profile]\n"
        "  Title = \"A title\"   # comment\n"
        "  NbLoci=12 DataType= DNA\n"
        "  MissingData='?'\n"
        "[Data]\n");
    ASSERT_EQ(go_to_section(ifs, "profile"), 1);
    my_string id, text;
    int n = 0;
    char c = 0;
    ASSERT_EQ(get_next_ident(ifs, id), 1);
    EXPECT_STREQ(id.str, "title");
    EXPECT_TRUE(is_identifier(id));
    ASSERT_EQ(get_qstring(ifs, text), 1);
    EXPECT_STREQ(text.str, "A title");
    ASSERT_EQ(get_next_ident(ifs, id), 1);
    EXPECT_STREQ(id.str, "nbloci");
    ASSERT_EQ(get_int(ifs, n), 1);
    EXPECT_EQ(n, 12);
    ASSERT_EQ(get_next_ident(ifs, id), 1);
    EXPECT_STREQ(id.str, "datatype");
    ASSERT_EQ(get_word(ifs, text), 1);
    EXPECT_STREQ(text.str, "dna");
    ASSERT_EQ(get_next_ident(ifs, id), 1);
    EXPECT_STREQ(id.str, "missingdata");
    ASSERT_EQ(get_qchar(ifs, c), 1);
    EXPECT_EQ(c, '?');
    EXPECT_EQ(get_next_ident(ifs, id), 0);
    EXPECT_EQ(go_to_section(ifs, "data"), 1);
}

}  // namespace
