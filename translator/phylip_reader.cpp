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
// A record whose sequence does not have L characters (blanks between groups
// of bases not counted in the WHITESPACE form) is named in the log, whatever
// the target: a file whose names take fewer than 10 columns, or an
// interleaved file, is read wrong, and the user learns it here rather than
// from the project reader later.
#include <fstream>
#include <string>
#include <string_view>

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

    have = read_line(in, line);
    bool one_char_per_locus = have && static_cast<long long>(line.size()) == L + 10LL;
    write_profile(out, one_char_per_locus, n);
    LengthNotes notes(*_ZOS_, L);
    for (; have; have = read_line(in, line)) {
        ++line_number;
        std::string_view name = std::string_view(line).substr(0, NAME_WIDTH);
        std::string_view data = line.size() > NAME_WIDTH ? std::string_view(line).substr(NAME_WIDTH)
                                                          : std::string_view();
        if (one_char_per_locus && static_cast<long long>(data.size()) > L)
            out << "# The next sequence has " << data.size() << " characters, the header says "
                << L << "\n";
        out << name << " 1 " << data << '\n';
        notes.check(line_number, name, sequence_length(data, one_char_per_locus));
    }
    notes.close();
    out << "}\n";
    return 1;
}
