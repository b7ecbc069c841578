#include "project/project_file_lines.h"

#include <cstring>

#include "core/keyword_line.h"

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The characters first .. last-1 of text, blanks and tabs trimmed, upper-cased.
my_string trimmed_upper(const char* first, const char* last)
{
    while (first < last && is_blank(*first))
        ++first;
    while (last > first && is_blank(last[-1]))
        --last;
    my_string text;
    for (const char* c = first; c < last; ++c)
        text += *c;
    text.to_upper();
    return text;
}

}  // namespace

bool next_project_line(std::istream& in, my_string& line, int& line_number)
{
    if (!in.good())
        return false;
    line.read_line(in);
    if (in.fail())
        return false;
    ++line_number;
    clearLineAfterPoundSign(line);
    return true;
}

my_string line_key(my_string const& line)
{
    const char* text = line.str;
    const char* end = text + line.length;
    while (text < end && is_blank(*text))
        ++text;
    if (text < end && *text == '[')
        return my_string();
    const char* equal = std::strchr(text, '=');
    if (equal)
        return trimmed_upper(text, equal);
    const char* word_end = text;
    while (word_end < end && !is_blank(*word_end) && std::strchr("{\"'", *word_end) == nullptr)
        ++word_end;
    return trimmed_upper(text, word_end);
}

my_string section_head(my_string const& line)
{
    const char* text = line.str;
    const char* end = text + line.length;
    while (text < end && is_blank(*text))
        ++text;
    if (text == end || *text != '[')
        return my_string();
    while (text < end && (*text == '[' || is_blank(*text)))
        ++text;
    const char* close = std::strchr(text, ']');
    return trimmed_upper(text, close ? close : end);
}

bool is_key(my_string const& key, const char* name)
{
    return std::strcmp(key.str, name) == 0;
}

long long milliseconds_since(std::clock_t start)
{
    long long ticks = static_cast<long long>(std::clock()) - static_cast<long long>(start);
    return static_cast<long long>(static_cast<double>(ticks) / CLOCKS_PER_SEC * 1000.0);
}
