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
#include <fstream>
#include <string>

#include "core/conversions.h"
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

} // namespace

int imp_exp::read_phylip()
{
    std::ifstream in(input_name.str);
    if (!in.is_open())
        return unable_to_open_input();
    std::ostream& out = *os;

    std::string line;
    bool have = read_line(in, line);
    while (have && line.empty())
        have = read_line(in, line);
    std::size_t at = 0;
    int n = next_number(line, at);
    int L = next_number(line, at);

    have = read_line(in, line);
    bool one_char_per_locus = have && static_cast<long long>(line.size()) == L + 10LL;
    write_profile(out, one_char_per_locus, n);
    for (; have; have = read_line(in, line)) {
        std::size_t data_length = line.size() > NAME_WIDTH ? line.size() - NAME_WIDTH : 0;
        if (one_char_per_locus && static_cast<long long>(data_length) > L)
            out << "# The next sequence has " << data_length << " characters, the header says "
                << L << "\n";
        out << line.substr(0, NAME_WIDTH) << " 1 ";
        if (line.size() > NAME_WIDTH)
            out.write(line.data() + NAME_WIDTH, static_cast<std::streamsize>(data_length));
        out << '\n';
    }
    out << "}\n";
    return 1;
}
