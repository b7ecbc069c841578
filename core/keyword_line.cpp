// Helpers of the line-oriented project-file readers: the '=' check, comment
// cutting and the value readers, with their reports.

#include "core/keyword_line.h"

#include <cmath>
#include <cstdlib>

#include "core/errors.h"

namespace {

// WARNING 190, then the reader's line naming the line number and the keyword.
void report_bad_value(char const* problem, char const* keyword, int lineNo, char const* tail)
{
    E.error(WARNING, "readStringContent(...)", 190);
    *_ZOS_ << "\tProject file, Line #" << lineNo << " : " << problem << keyword << tail << '\n';
}

}  // namespace

int checkForPresenceOfEqualSign(my_string const& line, char const* keyword, int lineNo)
{
    int pos = line.find_first_of('=');
    if (pos >= 0)
        return pos;
    E.error(WARNING, "checkForPresenceOfEqualSign(...)", 188);
    *_ZOS_ << "\tProject file, Line #" << lineNo << " : Missing equal sign after keyword '"
           << keyword << "'\n";
    return 0;
}

void clearLineAfterPoundSign(my_string& line)
{
    int pos = line.find_first_of('#');
    if (pos >= 0)
        line.remove(pos, line.length - pos);
}

int quoted_value(my_string const& line, my_string& value)
{
    my_string after_equal = line.extract_after('=');
    // A double quote anywhere after the '=' wins over an apostrophe; the value
    // starts after the first such quote of the whole line.
    char quote;
    if (after_equal.contains('"')) {
        quote = '"';
    } else if (after_equal.contains('\'')) {
        quote = '\'';
    } else {
        value = after_equal;
        return 0;
    }
    value = line.extract_after(quote);
    int close = value.find_first_of(quote);
    if (close < 0)
        return -1;
    value.remove(close, value.length - close);
    return 1;
}

int getQuotedString(my_string const& line, my_string& value, char const* keyword, int lineNo)
{
    int found = quoted_value(line, value);
    if (found == 0)
        report_bad_value("No open quote after keyword '", keyword, lineNo, "'");
    else if (found < 0)
        report_bad_value("Opened quote not closed after keyword '", keyword, lineNo,
                         "'. Unable to assign value to key...");
    return found > 0 ? 1 : 0;
}

int getUnQuotedString(my_string const& line, my_string& value, char const*, int)
{
    value = line.extract_after('=');
    return 1;
}

int getValue(my_string const& line, double& value, char const* keyword, int lineNo)
{
    my_string text = line.extract_after('=');
    char* end = nullptr;
    value = std::strtod(text.str, &end);
    // Infinities and NaN are refused and not stored: callers cut the value to
    // an integer, some even after a failure.
    bool finite = std::isfinite(value);
    if (!finite)
        value = 0.0;
    if (*end != '\0' || !finite) {
        report_bad_value("Bad value after keyword '", keyword, lineNo, "'");
        return 0;
    }
    return 1;
}

bool detectFullPathInFileName(my_string const& name)
{
    return name.str[0] == '/';
}

my_string external_path(my_string const& folder, my_string const& name)
{
    return detectFullPathInFileName(name) ? name : folder + name;
}
