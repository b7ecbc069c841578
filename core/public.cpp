// Tokenizer of the project file's identifier syntax, and its keyword tables.

#include "core/public.h"

#include <cstring>
#include <limits>
#include <string>

#include "core/char_classes.h"
#include "core/errors.h"

my_string Identifiers[NUM_IDENTIFIERS] = {
    "recessiveallele", "datatype", "distmat", "distmatlabel", "exthaplfile",
    "frequency", "genotypicdata", "group", "gameticphase", "hapllabels",
    "hapllistname", "hapllist", "individuallevel", "interleave", "labelposition",
    "locilabels", "locuslisting", "locusseparator", "matrixname", "matrixsize",
    "matrixdata", "missingdata", "nbgroups", "nbloci", "nbsamples",
    "sampledata", "samplename", "samplesize", "structurename", "title",
    "usedhapllist", "recessivedata", "compdistmatrix", "frequencythreshold", "epsilonvalue",
    "distmatmantel", "usedymatrixlabels", "matrixnumber", "ymatrix", "ymatrixlabels"};

my_string SubSections[NUM_SUBSECTIONS] = {
    "distancematrix", "haplotypedefinition", "samples", "structure", "mantel"};

namespace {

bool is_quote(int c) { return c == '"' || c == '\''; }

// Drops the rest of the current line and its line end, however long the line.
void skip_rest_of_line(std::istream& ifs)
{
    ifs.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
}

// After a delimited read: the input ended before the delimiter.
bool input_ended(std::istream& ifs) { return !ifs.good(); }

// Cuts the text before its first occurrence of c, if any.
void cut_at(my_string& s, char c)
{
    int pos = s.find_first_of(c);
    if (pos >= 0)
        s.remove(pos, s.length - pos);
}

int section_not_found(std::istream& ifs, const char* where)
{
    ifs.clear();
    E.error(ERROR, where, 102);
    return 0;
}

// The header search of one level: reads characters, passing over every line
// that starts a keyword, until a '[' (true) or the end of the input (false,
// stream failed). Returns -1 when skip_comments gave up. After a skipped line
// the subsection level tests the first character of the next line for '['
// before skip_comments sees it.
int find_open_bracket(std::istream& ifs, bool test_next_line_start)
{
    int c;
    do {
        if (!skip_comments(ifs))
            return -1;
        c = ifs.get();
        if (is_alnum(c)) {
            skip_rest_of_line(ifs);
            if (test_next_line_start)
                c = ifs.get();
        }
    } while (c != '[' && !ifs.fail());
    return ifs.fail() ? 0 : 1;
}

// Reads characters, passing over '#' comments, up to the first one that
// `stops` accepts, which is consumed and kept in c. False when the input ends
// first.
template <class Stops>
bool get_past_comments(std::istream& ifs, int& c, Stops stops)
{
    for (;;) {
        c = ifs.get();
        if (ifs.fail())
            return false;
        if (c == '#')
            skip_rest_of_line(ifs);
        else if (stops(c))
            return true;
    }
}

// Reads a header name up to ']' (or the end of the line), lower-cased.
void read_header_name(std::istream& ifs, my_string& name)
{
    name.read_to_delim(ifs, ']');
    name.to_lower();
}

}  // namespace

int skip_comments(std::istream& ifs)
{
    if (ifs.eof() || ifs.fail())
        return 1;
    int c;
    if (!get_past_comments(ifs, c, is_graphic))
        return 0;
    if (is_alnum(c) || is_quote(c) || c == '[' || c == '}') {
        ifs.unget();
        return 1;
    }
    *_ZOS_ << " ** d_public::skip_comments_l_253:the character is not the expected one c:"
           << static_cast<char>(c) << '\n';
    std::string where = "skip_comments(ifstream& ifs) (\"";
    where += static_cast<char>(c);
    where += "\")";
    E.error(ERROR, where.c_str(), 100);
    return 0;
}

int test_end_of_line(std::istream& ifs)
{
    for (;;) {
        int c = ifs.get();
        if (ifs.fail() || c == '\n')
            return 1;
        if (c == '#') {
            skip_rest_of_line(ifs);
            return 1;
        }
        if (is_graphic(c)) {
            ifs.unget();
            return 0;
        }
    }
}

int get_int(std::istream& ifs, int& n)
{
    int c;
    do {
        c = ifs.get();
        if (ifs.fail() || c == '\n')
            return 0;
    } while (!is_printable(c));
    // A blank, a sign or a letter stays consumed: negative numbers are refused.
    if (!is_digit(c))
        return 0;
    ifs.unget();
    ifs >> n;
    return ifs.fail() ? 0 : 1;
}

int get_qchar(std::istream& ifs, char& c)
{
    int open;
    do {
        open = ifs.get();
        if (ifs.fail() || open == '\n')
            return 0;
    } while (open == ' ' || !is_printable(open));
    if (!is_quote(open)) {
        ifs.unget();
        return 0;
    }
    int value = ifs.get();
    if (ifs.fail())
        return 0;
    c = static_cast<char>(value);
    // The closing quote may be of either kind. Without it, the character read
    // goes back to the stream along with what follows it.
    if (is_quote(ifs.peek())) {
        ifs.get();
        return 1;
    }
    ifs.unget();  // also clears the end-of-file state that peek may have set
    return 0;
}

namespace {

// get_qstring and get_label: a bare word starts with a character that
// `starts_word` accepts.
template <class Starts>
int read_qstring(std::istream& ifs, my_string& s, Starts starts_word)
{
    int c;
    auto not_blank = [](int k) { return k != ' ' && k != '\t' && k != '\r' && k != '\n'; };
    if (!get_past_comments(ifs, c, not_blank))
        return 0;
    if (c == '\'' || c == '"') {
        // Quoted texts end at the closing quote or at the end of their line.
        s.read_to_delim(ifs, static_cast<char>(c));
        if (input_ended(ifs))
            return 0;
        if (c == '\'' && s.length > 1) {
            E.error(ERROR, "get_qstring(ifstream& ifs, my_string& s)", 101);
            return 0;
        }
        return 1;
    }
    ifs.unget();
    if (!starts_word(c))
        return 0;
    ifs >> s;
    // A word running into the closing brace of a list ("b}") leaves the brace
    // for the list reader; what followed the brace in the word is dropped.
    int brace = s.find_first_of('}');
    if (brace >= 0) {
        ifs.putback('}');
        s.remove(brace, s.length - brace);
    }
    cut_at(s, '/');
    return 1;
}

}  // namespace

int get_qstring(std::istream& ifs, my_string& s)
{
    return read_qstring(ifs, s, is_alnum);
}

int get_label(std::istream& ifs, my_string& s)
{
    return read_qstring(ifs, s, [](int c) { return c != '}'; });
}

int get_word(std::istream& ifs, my_string& w)
{
    for (;;) {
        int c = ifs.get();
        if (ifs.fail())
            return 0;
        if (c == '\n') {
            ifs.unget();
            return 0;
        }
        if (c == '#') {
            skip_rest_of_line(ifs);
        } else if (is_alnum(c)) {
            ifs.unget();
            break;
        }
    }
    w.read_token(ifs);
    w.to_lower();
    return 1;
}

int next_name_or_brace(std::istream& ifs)
{
    const int end = std::istream::traits_type::eof();
    for (int c = ifs.get(); c != end; c = ifs.get())
        if (c == '}' || is_alnum(c))
            return c;
    return end;
}

int next_visible(std::istream& ifs, int* last)
{
    const int end = std::istream::traits_type::eof();
    for (int c = ifs.get(); c != end; c = ifs.get()) {
        if (last)
            *last = c;
        if (c == '#')
            skip_rest_of_line(ifs);
        else if (is_visible(c))
            return c;
    }
    return end;
}

int get_next_ident(std::istream& ifs, my_string& id)
{
    int c;
    for (;;) {
        if (ifs.fail())
            return 0;
        if (!skip_comments(ifs)) {
            id = "*";
            return 0;
        }
        c = ifs.get();
        if (c == '[') {
            ifs.unget();
            return 0;
        }
        if (is_alnum(c))
            break;
    }
    ifs.unget();
    id.read_to_delim(ifs, '=');
    if (input_ended(ifs)) {
        id = "*";
        return 0;
    }
    cut_at(id, ' ');
    id.to_lower();
    return 1;
}

int is_identifier(my_string const& id)
{
    for (my_string const& known : Identifiers)
        if (same_text(id, known))
            return 1;
    return 0;
}

int position_after(std::istream& ifs, my_string section, my_string subsection, my_string key)
{
    section.to_lower();
    subsection.to_lower();
    key.to_lower();
    my_string section_found, subsection_found, key_found;

    for (;;) {
        // Section level.
        if (ifs.fail())
            return section_not_found(ifs, "position_after() (5)");
        if (!section.is_null()) {
            int found = find_open_bracket(ifs, false);
            if (found < 0)
                return 0;
            if (found == 0)
                return section_not_found(ifs, "position_after() (1)");
            read_header_name(ifs, section_found);
            if (!same_text(section_found, section)) {
                skip_rest_of_line(ifs);
                continue;
            }
        }

        // Subsection level.
        while (ifs.good()) {
            if (!subsection.is_null()) {
                subsection_found = "";
                int found = find_open_bracket(ifs, true);
                if (found < 0)
                    return 0;
                int c = ifs.get();
                if (ifs.fail())
                    return section_not_found(ifs, "position_after() (2)");
                if (c != '[')  // a section header came first
                    return section_not_found(ifs, "position_after() (3)");
                read_header_name(ifs, subsection_found);
                if (!same_text(subsection_found, subsection)) {
                    skip_rest_of_line(ifs);
                    continue;
                }
            }

            // Key level: it does not stop at a following header.
            if (key.is_null())
                return 1;
            while (ifs.good()) {
                if (!skip_comments(ifs))
                    return 0;
                if (ifs.fail())
                    return section_not_found(ifs, "position_after() (4)");
                key_found.read_to_delim(ifs, '=');
                cut_at(key_found, ' ');
                key_found.to_lower();
                if (same_text(key_found, key))
                    return 1;
                skip_rest_of_line(ifs);
            }
        }
        skip_rest_of_line(ifs);
    }
}

int go_to_section(std::istream& ifs, my_string name)
{
    return position_after(ifs, name, "", "");
}

int go_to_sub_section(std::istream& ifs, my_string name)
{
    return position_after(ifs, "", name, "");
}

int get_next_subsection(std::istream& ifs, my_string& name)
{
    int c;
    do {
        c = ifs.get();
    } while (c == ' ' || c == '\t' || c == '\r');
    if (c == '[')
        ifs.unget();

    // Scan to the next '['. After a comment line only the first character of
    // the next line is tested for '['.
    while (!ifs.fail()) {
        c = ifs.get();
        if (c == '#') {
            skip_rest_of_line(ifs);
            c = ifs.get();
        }
        if (c == '[')
            break;
    }
    if (ifs.fail()) {
        ifs.clear();
        return 0;
    }

    c = ifs.get();
    if (ifs.fail()) {
        E.error(ERROR, "get_next_subsection()", 104);
        return 0;
    }
    if (c != '[') {
        // A section header: the data section has no further subsection.
        ifs.unget();
        return 0;
    }
    read_header_name(ifs, name);
    if (input_ended(ifs)) {
        E.error(ERROR, "get_next_subsection()", 104);
        return 0;
    }
    skip_rest_of_line(ifs);

    for (int i = 0; i < NUM_SUBSECTIONS; ++i)
        if (same_text(name, SubSections[i]))
            return i + 1;
    std::string where = "get_next_subsection() (\"";
    where += name.str;
    where += '"';
    E.error(ERROR, where.c_str(), 105);
    return 0;
}
