// GenePop file to project text.
//
// A GenePop file holds a title line, the locus names up to the first POP
// line, and per sample a POP line followed by one line per individual: a
// name, a comma and one code per locus carrying both gene copies (4 digits,
// two per copy, or 6 digits, three per copy; 0 is missing). An individual's
// codes may go on over continuation lines, which hold no comma.
//
// A POP line is one whose first word is "pop" in any case and that holds no
// comma, so that individuals named "Poplar7" or "pop1_03" stay individuals.
// A code ends at a blank or a comma; a tab inside it makes it malformed.
// The samples become "Population1", "Population2", ...; each individual gets
// its name, "_" and its number within the sample as id, and frequency 1.
// With the diploid flag 0 the project is haplotypic and keeps the first gene
// copy of each locus.
#include <fstream>
#include <string>
#include <vector>

#include "translator/imp_exp.h"

namespace {

// The id is right-aligned in this many columns; the second gene copies start
// under the first.
const std::size_t ID_WIDTH = 35;

bool is_blank_char(char c)
{
    return c == ' ' || c == '\t';
}

bool is_pop_line(std::string const& line)
{
    if (line.find(',') != std::string::npos)
        return false;
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.size() - start < 3)
        return false;
    std::size_t end = start + 3;
    if (end < line.size() && !is_blank_char(line[end]))
        return false;
    for (std::size_t i = 0; i < 3; ++i)
        if ((line[start + i] | 0x20) != "pop"[i])
            return false;
    return true;
}

// The value of one part of a code: its decimal digits read as a number,
// other characters skipped, a '-' negating the digits after it.
int part_value(std::string const& code, std::size_t start, std::size_t length)
{
    int value = 0;
    int scale = 1;
    for (std::size_t i = start + length; i > start; --i) {
        char c = code[i - 1];
        if (c >= '0' && c <= '9') {
            value += (c - '0') * scale;
            scale *= 10;
        } else if (c == '-') {
            value = -value;
        }
    }
    return value;
}

class GenePopReader {
public:
    GenePopReader(std::istream& in, std::ostream& out, bool diploid)
        : in(in), out(out), diploid(diploid)
    {
    }

    void run(int nb_samples)
    {
        next_non_blank();
        unquote_title();
        write_profile(line, nb_samples);
        copy_locus_lines();
        out << "\n\n[Data]\n\t [[Samples]]\n";
        write_sample_head();
        bool have = next_non_blank();
        while (have) {
            if (is_pop_line(line)) {
                close_sample();
                ++sample;
                individual = 0;
                write_sample_head();
                have = next_non_blank();
            } else {
                have = read_individual();
            }
        }
        close_sample();
    }

private:
    std::istream& in;
    std::ostream& out;
    bool diploid;
    std::string line;
    int sample = 1;
    int individual = 0;               // number of the individual within its sample
    std::vector<int> copy1, copy2;    // per locus of the current individual
    std::string record;               // the line being written

    bool next_non_blank()
    {
        while (imp_exp::read_line(in, line))
            if (!imp_exp::is_line_blank_rm(line))
                return true;
        line.clear();
        return false;
    }

    // Double quotes in the title would end the quoted Title value early.
    void unquote_title()
    {
        for (char& c : line)
            if (c == '"')
                c = ' ';
    }

    void write_profile(std::string const& title, int nb_samples)
    {
        out << "[Profile]\n\n"
            << "\t Title=\"" << title << "\"\n"
            << "\t NbSamples=" << nb_samples << '\n'
            << "\t GenotypicData=" << (diploid ? 1 : 0) << '\n'
            << "\t GameticPhase=0\n"
            << "\t DataType=STANDARD\n"
            << "\t LocusSeparator=WHITESPACE\n"
            << "\t MissingData=\"?\"\n"
            << "# The names of the loci taken from the GenePop file are listed below as comments\n";
    }

    // Every line after the title up to the first POP line, blank ones included.
    void copy_locus_lines()
    {
        while (imp_exp::read_line(in, line) && !is_pop_line(line))
            out << "# " << line << '\n';
    }

    void write_sample_head()
    {
        out << "\t\t SampleName= \"Population" << sample << "\"\n"
            << "\t\t SampleSize=100";
        if (sample == 1)
            out << "  #Wrong on purpose,  but it does not matter here \n";
        else
            out << "  #Wrong on purpose, but it does not matter here\n";
        out << "\t\t SampleData={\n";
    }

    void close_sample() { out << "     }\n\n"; }

    // The individual on the current line and its continuation lines; false
    // when no line is left after them.
    bool read_individual()
    {
        ++individual;
        copy1.clear();
        copy2.clear();
        std::string name;
        std::size_t at = 0;
        for (; at < line.size() && line[at] != ','; ++at)
            if (!is_blank_char(line[at]))
                name += line[at];
        read_codes(at);
        bool have = next_non_blank();
        while (have && line.find(',') == std::string::npos && !is_pop_line(line)) {
            read_codes(0);
            have = next_non_blank();
        }
        write_individual(name);
        return have;
    }

    // The codes of the current line from `at` on, one locus each.
    void read_codes(std::size_t at)
    {
        while (at < line.size()) {
            while (at < line.size() && (is_blank_char(line[at]) || line[at] == ','))
                ++at;
            if (at == line.size())
                break;
            std::size_t end = line.find_first_of(" ,", at);
            if (end == std::string::npos)
                end = line.size();
            std::string code = line.substr(at, end - at);
            at = end;
            if (code.size() == 4 || code.size() == 6) {
                std::size_t half = code.size() / 2;
                copy1.push_back(part_value(code, 0, half));
                copy2.push_back(part_value(code, half, half));
            } else {
                // Written where it is met, before the individual's lines.
                out << "# error in definition of allele " << code << '\n';
                copy1.push_back(0);
                copy2.push_back(0);
            }
        }
    }

    void write_individual(std::string const& name)
    {
        std::string id = name + "_" + std::to_string(individual) + "   1  ";
        record.assign(id.size() < ID_WIDTH ? ID_WIDTH - id.size() : 0, ' ');
        record += id;
        append_alleles(copy1);
        out << record << '\n';
        if (!diploid)
            return;
        record.assign(ID_WIDTH, ' ');
        append_alleles(copy2);
        out << record << '\n';
    }

    void append_alleles(std::vector<int> const& alleles)
    {
        for (int value : alleles) {
            if (value == 0)
                record += '?';
            else
                record += std::to_string(value);
            record += ' ';
        }
    }
};

// The number of POP lines after the title: the samples the reader will write.
int count_samples(std::istream& in)
{
    std::string line;
    bool title_seen = false;
    int count = 0;
    while (imp_exp::read_line(in, line)) {
        if (!title_seen)
            title_seen = !imp_exp::is_line_blank(line);
        else if (is_pop_line(line))
            ++count;
    }
    return count;
}

} // namespace

int imp_exp::read_gen_pop()
{
    std::ifstream in(input_name.str);
    if (!in.is_open())
        return unable_to_open_input();
    int nb_samples = count_samples(in);
    in.clear();
    in.seekg(0);
    GenePopReader(in, *os, diploid != 0).run(nb_samples);
    return 1;
}
