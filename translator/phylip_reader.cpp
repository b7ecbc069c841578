// Phylip file to project text.
//
// A Phylip file opens with the number of sequences n and the number of
// characters L; every later line is one sequence: its name in columns 1 to
// 10, its data from column 11 on. The sequences become the haplotypes, of
// count 1 each, of the one sample "Population1", as STANDARD data whatever
// the characters are.
//
// When the first sequence line is exactly L + 10 characters long the data are
// one character per locus (LocusSeparator=NONE); otherwise they are taken as
// loci separated by blanks (WHITESPACE). Each line is one record: in the NONE
// form a line whose data are longer than L is not glued to the lines after
// it, it stands alone with a comment giving its length.
//
// Other programs write names padded to fewer columns, a blank between name
// and sequence. When the 10-column rule leaves sequences that do not have L
// characters, and names ending at the first blank of each line give every
// sequence L characters, the names are read so (the form then taken from
// those sequences), and the log says so.
//
// Otherwise a record whose sequence does not have L characters (blanks
// between groups of bases not counted in the WHITESPACE form) is named in the
// log, whatever the target: an interleaved file, say, is read wrong, and the
// user learns it here rather than from the project reader later.
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/conversions.h"
#include "core/errors.h"
#include "translator/imp_exp.h"

namespace {

const std::size_t NAME_WIDTH = 10;

// The next word of the line from `at` on (words are separated by blanks and
// tabs), as a number; 0 when no word is left.
int next_number(std::string const& line, std::size_t& at)
{
    std::size_t start = line.find_first_not_of(" \t", at);
    if (start == std::string::npos) {
        at = line.size();
        return 0;
    }
    at = line.find_first_of(" \t", start);
    return my_atoi(line.substr(start, at - start).c_str());
}

void write_profile(std::ostream& out, bool one_char_per_locus, int n)
{
    out << "[Profile]\n"
        << "\t Title=\"File translated from  PHYLIP\"\n"
        << "\t NbSamples=1\n"
        << "\t GenotypicData=0\n"
        << "\t MissingData=\"?\"\n"
        << "\t DataType=STANDARD\n"
        << "\t LocusSeparator=" << (one_char_per_locus ? "NONE" : "WHITESPACE") << "\n"
        << "\n"
        << "[Data]\n"
        << "\t [[Samples]]\n"
        << "\t\t SampleName= \"Population1\"\n"
        << "\t\t SampleSize= " << n << "\n"
        << "\t\t SampleData={\n";
}

// The characters of a record's sequence: every character in the NONE form,
// the characters other than blanks and tabs in the WHITESPACE form.
long long sequence_length(std::string_view data, bool one_char_per_locus)
{
    if (one_char_per_locus)
        return static_cast<long long>(data.size());
    long long length = 0;
    for (char c : data)
        if (c != ' ' && c != '\t')
            ++length;
    return length;
}

// A sequence line split into the sequence's name and its data.
struct Record {
    std::string_view name, data;
};

// The name in columns 1 to 10, the data from column 11 on.
Record by_columns(std::string const& line)
{
    std::string_view text(line);
    return {text.substr(0, NAME_WIDTH),
            line.size() > NAME_WIDTH ? text.substr(NAME_WIDTH) : std::string_view()};
}

// The name up to the first blank or tab, the data after the blanks and tabs
// that follow it; no name for a line that begins with a blank.
Record by_first_blank(std::string const& line)
{
    std::size_t end = line.find_first_of(" \t");
    if (end == std::string::npos)
        return {line, std::string_view()};
    std::size_t start = line.find_first_not_of(" \t", end);
    std::string_view text(line);
    return {text.substr(0, end), start == std::string::npos ? std::string_view() : text.substr(start)};
}

// The layout of the sequence lines: how they split and whether the data are
// one character per locus.
struct Layout {
    Record (*split)(std::string const&);
    bool one_char_per_locus;
};

bool every_sequence_has(std::vector<std::string> const& lines, Layout layout, int L)
{
    for (std::string const& line : lines) {
        Record record = layout.split(line);
        if (record.name.empty() || sequence_length(record.data, layout.one_char_per_locus) != L)
            return false;
    }
    return !lines.empty();
}

// The 10-column rule, unless it leaves sequences of another length than L
// and names ending at the first blank give every sequence L characters.
Layout layout_of(std::vector<std::string> const& lines, int L, bool& names_to_blank)
{
    bool exact = !lines.empty() && static_cast<long long>(lines[0].size()) == L + 10LL;
    Layout columns{by_columns, exact};
    names_to_blank = false;
    if (every_sequence_has(lines, columns, L))
        return columns;
    // Without blanks inside any sequence, each character is a locus.
    bool blanks_inside = false;
    for (std::string const& line : lines) {
        std::string_view data = by_first_blank(line).data;
        blanks_inside = blanks_inside || data.find_first_of(" \t") != std::string_view::npos;
    }
    Layout to_blank{by_first_blank, !blanks_inside};
    names_to_blank = every_sequence_has(lines, to_blank, L);
    return names_to_blank ? to_blank : columns;
}

// The log lines on records whose sequence length is not the header's.
class LengthNotes {
public:
    LengthNotes(std::ostream& log, int L) : log(log), L(L) {}

    void check(int line_number, std::string_view name, long long length)
    {
        if (length == L || ++notes > MAX_NOTES)
            return;
        std::string_view shown = name.substr(0, name.find_last_not_of(' ') + 1);
        log << "\n\t\tWARNING: line " << line_number << " of the Phylip file, sequence \"" << shown
            << "\": " << length << " characters, the header says " << L;
    }

    void close()
    {
        if (notes > MAX_NOTES)
            log << "\n\t\t" << notes - MAX_NOTES << " more such lines";
        if (notes > 0)
            log << "\n\t\tA sequence's name takes columns 1 to 10 of its line, "
                   "the sequence the rest\n";
    }

private:
    static const int MAX_NOTES = 20;  // lines named; the rest are counted
    std::ostream& log;
    int L;
    int notes = 0;
};

} // namespace

int imp_exp::read_phylip()
{
    std::ifstream in(input_name.str);
    if (!in.is_open())
        return unable_to_open_input();
    std::ostream& out = *os;

    std::string line;
    int line_number = 1;
    bool have = read_line(in, line);
    for (; have && line.empty(); ++line_number)
        have = read_line(in, line);
    std::size_t at = 0;
    int n = next_number(line, at);
    int L = next_number(line, at);

    std::vector<std::string> lines;
    while (read_line(in, line))
        lines.push_back(line);
    bool names_to_blank = false;
    Layout layout = layout_of(lines, L, names_to_blank);
    if (names_to_blank)
        *_ZOS_ << "\n\t\tThe names end at the first blank of each line, not at column 10: so "
                  "every sequence has the header's " << L << " characters\n";

    write_profile(out, layout.one_char_per_locus, n);
    LengthNotes notes(*_ZOS_, L);
    for (std::string const& sequence_line : lines) {
        ++line_number;
        Record record = layout.split(sequence_line);
        if (layout.one_char_per_locus && static_cast<long long>(record.data.size()) > L)
            out << "# The next sequence has " << record.data.size()
                << " characters, the header says " << L << "\n";
        out << record.name << " 1 " << record.data << '\n';
        notes.check(line_number, record.name,
                    sequence_length(record.data, layout.one_char_per_locus));
    }
    notes.close();
    out << "}\n";
    return 1;
}
