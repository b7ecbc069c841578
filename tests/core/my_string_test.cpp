// Tests of the string type: length limits, buffer sizes, aliasing, searching
// and editing, the path helpers and the line, token and quoted-text readers.

#include "core/my_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>

#include "core/file_helpers.h"
#include "support/temp_log.h"

namespace {

const int LIMIT = my_string::max_length;  // 1,001,100

std::string text_of(my_string const& s)
{
    return std::string(s.str, s.length);
}

// The invariants every operation must keep.
void expect_sound(my_string const& s)
{
    EXPECT_EQ(static_cast<size_t>(s.length), std::strlen(s.str));
    EXPECT_GT(s.capacity, s.length);
}

// ---------------------------------------------------------------------------
// Limits and buffer sizes

TEST(MyStringLimits, AssignmentAndAppendAcceptUpToTheLimitAndKeepTheOldValueBeyond)
{
    std::string at_limit(LIMIT, 'a');
    std::string over_limit(LIMIT + 1, 'b');

    my_string s("old");
    s = over_limit.c_str();
    EXPECT_EQ(text_of(s), "old");
    s = my_string();
    s = at_limit.c_str();
    EXPECT_EQ(s.length, LIMIT);
    expect_sound(s);

    my_string keep("old");
    my_string big;
    big = at_limit.c_str();
    big += 'x';                   // one past the limit
    EXPECT_EQ(big.length, LIMIT);
    big += "x";
    big += my_string("x");
    EXPECT_EQ(big.length, LIMIT);

    my_string almost;
    almost = std::string(LIMIT - 3, 'c').c_str();
    almost += "ddd";              // exactly reaches the limit
    EXPECT_EQ(almost.length, LIMIT);
    EXPECT_EQ(almost.str[LIMIT - 1], 'd');
    expect_sound(almost);

    my_string unchanged("abc");
    unchanged += "";
    unchanged += '\0';
    unchanged += my_string();
    EXPECT_EQ(text_of(unchanged), "abc");
    EXPECT_EQ(text_of(keep), "old");
}

TEST(MyStringLimits, ConstructionAndConcatenationOverTheLimitGiveTheEmptyString)
{
    std::string longest_accepted(LIMIT - 1, 'a');
    std::string refused(LIMIT, 'a');
    EXPECT_EQ(my_string(longest_accepted.c_str()).length, LIMIT - 1);
    my_string empty(refused.c_str());
    EXPECT_EQ(empty.length, 0);
    EXPECT_EQ(empty.capacity, 10);

    my_string half;
    half = std::string(LIMIT / 2, 'h').c_str();
    my_string whole = half + half;
    EXPECT_EQ(whole.length, LIMIT);
    EXPECT_EQ(whole.capacity, LIMIT + 2);
    my_string too_long = whole + "x";
    EXPECT_EQ(too_long.length, 0);
    EXPECT_EQ(too_long.capacity, 10);
    EXPECT_EQ(text_of(my_string("ab") + "cd"), "abcd");
    EXPECT_EQ(text_of("ab" + my_string("cd")), "abcd");
}

TEST(MyStringBuffer, CapacityFollowsTheGrowthRules)
{
    struct Case {
        const char* what;
        std::function<my_string()> make;
        int length;
        int capacity;
    } cases[] = {
        {"default", [] { return my_string(); }, 0, 10},
        {"from C string", [] { return my_string("abc"); }, 3, 5},
        {"copy of a short text", [] { my_string a("abc"); return my_string(a); }, 3, 10},
        {"copy of a long text",
         [] { my_string a("0123456789abc"); return my_string(a); }, 13, 15},
        {"assignment grows to n + 2",
         [] { my_string a; a = "0123456789abcdef"; return a; }, 16, 18},
        {"assignment never shrinks",
         [] { my_string a; a = "0123456789abcdef"; a = "x"; return a; }, 1, 18},
        {"append grows by n + 2 + grow_by",
         [] { my_string a("abc"); a += "0123456789"; return a; }, 13, 115},
        {"character append grows by length + 3 + grow_by",
         [] { my_string a("abc"); a += 'd'; return a; }, 4, 106},
        {"character append within the room",
         [] { my_string a; a += 'x'; return a; }, 1, 10},
        {"a long text grows in proportion to its length",
         [] { my_string a(std::string(150, 'a').c_str()); a += 'x'; return a; }, 151, 303},
        {"a long text appended to",
         [] { my_string a(std::string(150, 'a').c_str()); a += "xy"; return a; }, 152, 304},
    };
    for (auto const& c : cases) {
        my_string s = c.make();
        EXPECT_EQ(s.length, c.length) << c.what;
        EXPECT_EQ(s.capacity, c.capacity) << c.what;
        EXPECT_EQ(s.grow_by, 100) << c.what;
        expect_sound(s);
    }
}

TEST(MyStringBuffer, AssignmentFromItsOwnTextIsSafe)
{
    std::istringstream in("abcdef\n");
    my_string s;
    s.read_line(in);  // capacity is exactly length + 1 now
    ASSERT_EQ(s.capacity, s.length + 1);

    s = s;
    EXPECT_EQ(text_of(s), "abcdef");
    s += s;
    EXPECT_EQ(text_of(s), "abcdefabcdef");
    s = s.str + 6;
    EXPECT_EQ(text_of(s), "abcdef");
    expect_sound(s);
}

TEST(MyStringAssign, CharactersAndNumbers)
{
    my_string s("long text that stays in the buffer");
    s = 'q';
    EXPECT_EQ(text_of(s), "q");
    s = -42;
    EXPECT_EQ(text_of(s), "-42");
    s = 2.5;
    EXPECT_EQ(text_of(s), "2.500000");
    s = 1e300;  // far longer than the usual 42-byte buffer
    char expected[400];
    std::snprintf(expected, sizeof expected, "%f", 1e300);
    EXPECT_EQ(text_of(s), expected);
    expect_sound(s);
    s = '\0';
    EXPECT_EQ(s.length, 0);
}

// ---------------------------------------------------------------------------
// Queries and editing

TEST(MyStringQueries, SearchesGiveMinusOneWhenNothingIsFound)
{
    my_string abab("abab");
    EXPECT_EQ(abab.rfind(my_string("ab")), 0);
    EXPECT_EQ(abab.rfind(my_string("ba")), 1);
    EXPECT_EQ(abab.rfind(my_string("abc")), -1);
    EXPECT_EQ(abab.rfind(my_string("ababab")), -1);
    EXPECT_EQ(abab.rfind(my_string("")), -1);
    EXPECT_EQ(abab.find_first_of('b'), 1);
    EXPECT_EQ(abab.find_first_of('b', 2), 3);
    EXPECT_EQ(abab.find_first_of('a', 3), -1);
    EXPECT_EQ(abab.find_first_of('a', 5), -1);
    EXPECT_EQ(abab.find_first_of('a', -3), 0);
    EXPECT_EQ(abab.find_last_of('a'), 2);
    EXPECT_EQ(abab.find_last_of('z'), -1);
    EXPECT_EQ(my_string().find_first_of('a'), -1);

    EXPECT_TRUE(abab.contains("bab"));
    EXPECT_TRUE(abab.contains(my_string("abab")));
    EXPECT_FALSE(abab.contains(""));
    EXPECT_FALSE(abab.contains("ababa"));
    EXPECT_TRUE(abab.contains('b'));
    EXPECT_FALSE(abab.contains('\0'));
    EXPECT_TRUE(my_string().is_null());
}

TEST(MyStringEdit, RemoveCaseMappingAndReverse)
{
    struct Case {
        const char* before;
        std::function<void(my_string&)> edit;
        const char* after;
    } cases[] = {
        {"abcdef", [](my_string& s) { s.remove(1, 2); }, "adef"},
        {"abcdef", [](my_string& s) { s.remove(3, 99); }, "abc"},
        {"abcdef", [](my_string& s) { s.remove(6, 1); }, "abcdef"},
        {"abcdef", [](my_string& s) { s.remove(-1, 2); }, "abcdef"},
        {"abcdef", [](my_string& s) { s.remove(2, 0); }, "abcdef"},
        {"a-b-c", [](my_string& s) { EXPECT_EQ(s.removes(my_string("-")), 1); }, "ab-c"},
        {"abc", [](my_string& s) { EXPECT_EQ(s.removes(my_string("x")), 0); }, "abc"},
        {"abc", [](my_string& s) { EXPECT_EQ(s.removes(my_string("")), 0); }, "abc"},
        {" a\tb c ", [](my_string& s) { s.remove_blanks(); }, "abc"},
        {"a\r\nb\n", [](my_string& s) { s.remove_eol_and_lf(); }, "ab"},
        {"MiXed 1\xe9", [](my_string& s) { s.to_upper(); }, "MIXED 1\xe9"},
        {"MiXed 1\xc9", [](my_string& s) { s.to_lower(); }, "mixed 1\xc9"},
        {"abc", [](my_string& s) { s.reverse_string(); }, "cba"},
        {"", [](my_string& s) { s.reverse_string(); }, ""},
        {"a.b.c", [](my_string& s) { s.convert_dot_to_underline(); }, "a_b_c"},
        {"c:\\a/b", [](my_string& s) { s.convert_to_underline(); }, "c__a_b"},
        {"c:\\a\\b", [](my_string& s) { s.convert_to_slash(); }, "c:/a/b"},
        {"c:\\a\\b", [](my_string& s) { s.convert_to_html_slash(); }, "c:/a/b"},
        {"a/b/c", [](my_string& s) { s.convert_to_backslash(); }, "a\\b\\c"},
    };
    for (auto const& c : cases) {
        my_string s(c.before);
        c.edit(s);
        EXPECT_EQ(text_of(s), c.after) << "from '" << c.before << "'";
        expect_sound(s);
    }
}

TEST(MyStringParts, ExtractSubStrWalksThroughTheTokens)
{
    my_string s("  ab cd");
    EXPECT_EQ(text_of(s.extract_sub_str(' ')), "ab");
    EXPECT_EQ(text_of(s), " cd");
    EXPECT_EQ(text_of(s.extract_sub_str(' ')), "cd");
    EXPECT_EQ(text_of(s), "");
    EXPECT_EQ(text_of(s.extract_sub_str(' ')), "");

    my_string only_separators(",,,");
    EXPECT_EQ(text_of(only_separators.extract_sub_str(',')), "");
    EXPECT_EQ(text_of(only_separators), "");
}

TEST(MyStringParts, PartsOfATextLeaveTheStringAlone)
{
    my_string key_value("key=value");
    EXPECT_EQ(text_of(key_value.extract_after('=')), "value");
    EXPECT_EQ(text_of(key_value.extract_before('=')), "key");
    EXPECT_EQ(text_of(my_string("key").extract_after('=')), "key");
    EXPECT_EQ(text_of(my_string("key").extract_before('=')), "key");
    EXPECT_EQ(text_of(my_string("key=").extract_after('=')), "");
    EXPECT_EQ(text_of(key_value), "key=value");

    my_string blanks("a b  c");
    EXPECT_EQ(text_of(blanks.convert_blank_to_html_blank()), "a%20b%20%20c");
    EXPECT_EQ(text_of(blanks.convert_blank_to_underline()), "a_b__c");
    EXPECT_EQ(text_of(blanks.convert_blank_to_linux_blank()), "a\\ b\\ \\ c");
    EXPECT_EQ(text_of(blanks), "a b  c");
}

TEST(MyStringPaths, PathHelpers)
{
    struct Case {
        const char* path;
        const char* without_path;   // rm_path
        const char* folder;         // extract_path
        const char* no_extension;   // remove_extension
    } cases[] = {
        {"dir/sub/file.drp", "file.drp", "dir/sub/", "dir/sub/file"},
        {"file", "file", "", "file"},
        {"dir/", "", "dir/", "dir/"},
        {"c:\\data\\run.drp", "run.drp", "c:\\data\\", "c:\\data\\run"},
        {"project.drp", "project.drp", "", "project"},
        {"project.drp\r", "project.drp\r", "", "project"},
        {"a.txt.b.txt", "a.txt.b.txt", "", "a.txt.b"},
        {"x.drp.drp", "x.drp.drp", "", "x.drp"},
        {"data.drp/run.drp", "run.drp", "data.drp/", "data.drp/run"},
        {"dir.d/name", "name", "dir.d/", "dir.d/name"},
        {"", "", "", ""},
    };
    for (auto const& c : cases) {
        my_string a(c.path), b(c.path), d(c.path);
        a.rm_path();
        b.extract_path();
        d.remove_extension();
        EXPECT_EQ(text_of(a), c.without_path) << c.path;
        EXPECT_EQ(text_of(b), c.folder) << c.path;
        EXPECT_EQ(text_of(d), c.no_extension) << c.path;
    }

    // No length limit on the extension helper.
    std::string long_name = "dir/" + std::string(2000, 'n') + ".drp";
    my_string s(long_name.c_str());
    s.remove_extension();
    EXPECT_EQ(text_of(s), long_name.substr(0, long_name.size() - 4));
}

TEST(MyStringFree, StrtokRightCutsAtTheLastOccurrence)
{
    char name[] = "res.v1.htm";
    my_strtok_right(name, '.');
    EXPECT_STREQ(name, "res.v1");
    char plain[] = "res";
    my_strtok_right(plain, '.');
    EXPECT_STREQ(plain, "res");
}

TEST(MyStringOutput, StreamOutputHonoursWidthAndFill)
{
    std::ostringstream out;
    out.width(6);
    out.fill('.');
    out << my_string("ab") << my_string("cd");
    EXPECT_EQ(out.str(), "....abcd");
}

// ---------------------------------------------------------------------------
// Readers

TEST(MyStringReadLine, LinesKeepTheirCarriageReturn)
{
    std::istringstream in("first\r\nsecond\n\nlast");
    my_string s("previous");
    s.read_line(in);
    EXPECT_EQ(text_of(s), "first\r");
    EXPECT_EQ(s.length, 6);
    EXPECT_EQ(s.capacity, s.length + 1);
    s.read_line(in);
    EXPECT_EQ(text_of(s), "second");
    s.read_line(in);
    EXPECT_EQ(text_of(s), "");
    EXPECT_TRUE(in.good());
    s.read_line(in);  // a last line without a line feed
    EXPECT_EQ(text_of(s), "last");
    EXPECT_FALSE(in.fail());
    EXPECT_EQ(s.read_line(in), 1);
    EXPECT_EQ(text_of(s), "");
    EXPECT_TRUE(in.fail());
}

TEST(MyStringReadLine, LongLinesAreReadWhole)
{
    for (int n : {200000, LIMIT}) {
        std::string line(n, 'A');
        line[n - 1] = 'Z';
        std::istringstream in(line + "\nnext\n");
        my_string s;
        s.read_line(in);
        EXPECT_EQ(s.length, n);
        EXPECT_EQ(s.capacity, n + 1);
        EXPECT_EQ(s.str[n - 1], 'Z');
        s.read_line(in);
        EXPECT_EQ(text_of(s), "next");
        EXPECT_TRUE(in.good());
    }
    my_string::free_buffer();
    EXPECT_EQ(my_string::_buf, nullptr);
}

class MyStringLogTest : public LogFolderTest {};

TEST_F(MyStringLogTest, ALineTooLongForAStringIsReportedWithItsFileAndLine)
{
    const std::string too_long(LIMIT + 1, 'x');
    std::string path = write_file("data.txt", "first\r\nsecond\n" + too_long + "\nnext\n").string();
    InputFile file(path.c_str());
    my_string s("previous");
    s.read_line(file);
    s.read_line(file);
    s.read_line(file);
    EXPECT_TRUE(file.fail());
    EXPECT_TRUE(file.bad()) << "told apart from the end of the input";
    EXPECT_EQ(s.length, 0);
    expect_sound(s);
    EXPECT_NE(log_text().find("#[ERROR # 1] from function \"my_string::read_line()\" : "
                              "Attempting to read a too long string \n\tFile \"" + path +
                              "\", Line #3 : line longer than 1001100 characters, reading "
                              "stopped\n"),
              std::string::npos);

    // Any other stream: the line alone.
    std::istringstream in(too_long + "\n");
    s.read_line(in);
    EXPECT_TRUE(in.bad());
    EXPECT_NE(log_text().find("\n\tLine #1 : line longer than"), std::string::npos);
}

TEST(MyStringTokens, ReadTokenSkipsSeparatorsAndKeepsCarriageReturns)
{
    std::istringstream in(" \t\nab\r\tcd  \n");
    my_string s;
    s.read_token(in);
    EXPECT_EQ(text_of(s), "ab\r");
    s.read_token(in);
    EXPECT_EQ(text_of(s), "cd");
    s.read_token(in);
    EXPECT_EQ(text_of(s), "");
    EXPECT_TRUE(in.fail());

    std::string long_token(1234, 't');
    std::istringstream to_end("  " + long_token);
    s.read_token(to_end);
    EXPECT_EQ(text_of(s), long_token);
    EXPECT_FALSE(to_end.fail());  // the value is good; the next read fails
    expect_sound(s);
}

TEST(MyStringTokens, WordOperatorKeepsTabsAfterTheFirstCharacter)
{
    std::istringstream in("\t abc\tdef g\nh\ri");
    my_string w;
    in >> w;
    EXPECT_EQ(text_of(w), "abc\tdef");
    in >> w;
    EXPECT_EQ(text_of(w), "g");
    EXPECT_EQ(in.peek(), '\n');  // the line end stays in the stream
    in >> w;
    EXPECT_EQ(text_of(w), "");
    EXPECT_EQ(in.get(), '\n');
    in >> w;
    EXPECT_EQ(text_of(w), "h");  // a CR ends the word and is consumed
    in >> w;
    EXPECT_EQ(text_of(w), "i");
    EXPECT_FALSE(in.fail());
    in >> w;
    EXPECT_EQ(text_of(w), "");
    EXPECT_TRUE(in.fail());
}

TEST(MyStringTokens, ReadToDelimiter)
{
    std::istringstream in("a b,c\r\nx\ty");
    my_string s;
    s.read_to_delim(in, ',');
    EXPECT_EQ(text_of(s), "a b");
    s.read_to_delim(in, ',');
    EXPECT_EQ(text_of(s), "c\r");  // stopped by the line feed
    s.read_to_delim(in);
    EXPECT_EQ(text_of(s), "x");
    s.read_to_delim(in);
    EXPECT_EQ(text_of(s), "y");
    EXPECT_FALSE(in.fail());
    s.read_to_delim(in);
    EXPECT_EQ(text_of(s), "");
    EXPECT_TRUE(in.fail());

    std::istringstream failed("abc");
    failed.setstate(std::ios::failbit);
    s = "old";
    s.read_to_delim(failed, ',');
    EXPECT_EQ(text_of(s), "");
}

TEST(MyStringTokens, GetNextQuotaAppendsTheQuotedText)
{
    std::istringstream in("   \"Label 1\" \"x\"rest");
    my_string s;
    EXPECT_EQ(s.GetNextQuota(in), 1);
    EXPECT_EQ(text_of(s), "Label 1");
    EXPECT_EQ(in.peek(), ' ');
    EXPECT_EQ(s.GetNextQuota(in), 1);
    EXPECT_EQ(text_of(s), "Label 1x");  // the string is not emptied first

    struct Case {
        const char* input;
        int result;
        const char* text;
    } cases[] = {
        {"no quote here\nnext \"a\"", 0, ""},
        {"\n\"after a leading line end\"", 1, "after a leading line end"},
        {"\"open\nclosed\"", 0, "open"},
        {"\"runs to the end", 1, "runs to the end"},
        {"", 0, ""},
    };
    for (auto const& c : cases) {
        std::istringstream quoted(c.input);
        my_string t;
        EXPECT_EQ(t.GetNextQuota(quoted), c.result) << c.input;
        EXPECT_EQ(text_of(t), c.text) << c.input;
    }
}

} // namespace
