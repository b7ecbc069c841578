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
// Codes are separated by blanks, tabs or commas.
// The samples become "Population1", "Population2", ...; each individual gets
// its name, "_" and its number within the sample as id, and frequency 1.
// With the diploid flag 0 the project is haplotypic: a code of 2 or 3 digits
// is the one gene copy of a haploid file, and of a code of 4 or 6 digits the
// first gene copy is kept.
//
// What the project reader would refuse, or take for something else, is named
// in the log with its line: a code of another length (also noted in the
// project text), an individual whose number of codes differs from the first
// individual's, a sample without individuals (two POP lines in a row).
#include <fstream>
#include <string>
#include <vector>

#include "core/errors.h"
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
    GenePopReader(std::istream& in, std::ostream& out, bool diploid, std::ostream& log)
        : in(in), out(out), diploid(diploid), log(log)
    {
    }

    void run(int nb_samples)
    {
        next_non_blank();
        write_profile(imp_exp::unquoted(line), nb_samples);
        copy_locus_lines();
        out << "\n\n[Data]\n\t [[Samples]]\n";
        write_sample_head();
        bool have = next_non_blank();
        while (have) {
            if (is_pop_line(line)) {
                close_sample();
                ++sample;
                individual = 0;
                pop_line = line_number;
                write_sample_head();
                have = next_non_blank();
            } else {
                have = read_individual();
            }
        }
        close_sample();
        if (notes > MAX_NOTES)
            log << "\n\t\t" << notes - MAX_NOTES << " more such lines";
        if (notes > 0)
            log << '\n';
    }

private:
    static const int MAX_NOTES = 20;  // log lines about the file; the rest are counted

    std::istream& in;
    std::ostream& out;
    bool diploid;
    std::ostream& log;
    std::string line;
    int line_number = 0;              // of `line` in the file, from 1
    int pop_line = 0;                 // line of the POP line that opened the sample
    int sample = 1;
    int individual = 0;               // number of the individual within its sample
    int first_loci = -1;              // codes of the file's first individual
    int notes = 0;                    // faults found so far
    std::vector<int> copy1, copy2;    // per locus of the current individual
    std::string record;               // the line being written

    bool next_line()
    {
        if (!imp_exp::read_line(in, line))
            return false;
        ++line_number;
        return true;
    }

    bool next_non_blank()
    {
        while (next_line())
            if (!imp_exp::is_line_blank_rm(line))
                return true;
        line.clear();
        return false;
    }

    // One fault of the file, named with its line, in the log.
    void note(int at, std::string const& why)
    {
        if (++notes <= MAX_NOTES)
            log << "\n\t\tLine " << at << " of the GenePop file: " << why;
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
        while (next_line()) {
            if (is_pop_line(line)) {
                pop_line = line_number;
                return;
            }
            out << "# " << line << '\n';
        }
        note(line_number, "the file ends without a POP line, so it holds no sample");
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

    void close_sample()
    {
        if (individual == 0 && pop_line > 0)
            note(pop_line, "the sample opened on this line holds no individual");
        out << "     }\n\n";
    }

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
        int first_line = line_number;
        read_codes(at);
        bool have = next_non_blank();
        while (have && line.find(',') == std::string::npos && !is_pop_line(line)) {
            read_codes(0);
            have = next_non_blank();
        }
        check_loci(first_line, name);
        write_individual(name);
        return have;
    }

    // Every individual has as many codes as the first one.
    void check_loci(int at, std::string const& name)
    {
        int loci = static_cast<int>(copy1.size());
        if (first_loci < 0)
            first_loci = loci;
        else if (loci != first_loci)
            note(at, "individual " + name + " has " + std::to_string(loci)
                         + " allele codes, the first individual of the file has "
                         + std::to_string(first_loci));
    }

    // The codes of the current line from `at` on, one locus each.
    void read_codes(std::size_t at)
    {
        while (at < line.size()) {
            while (at < line.size() && (is_blank_char(line[at]) || line[at] == ','))
                ++at;
            if (at == line.size())
                break;
            std::size_t end = line.find_first_of(" \t,", at);
            if (end == std::string::npos)
                end = line.size();
            std::string code = line.substr(at, end - at);
            at = end;
            if (code.size() == 4 || code.size() == 6) {
                std::size_t half = code.size() / 2;
                copy1.push_back(part_value(code, 0, half));
                copy2.push_back(part_value(code, half, half));
            } else if (!diploid && (code.size() == 2 || code.size() == 3)) {
                copy1.push_back(part_value(code, 0, code.size()));
                copy2.push_back(0);
            } else {
                // Written where it is met, before the individual's lines.
                out << "# error in definition of allele " << code << '\n';
                note(line_number, "the allele code " + code + " has "
                                      + std::to_string(code.size())
                                      + " characters; a code has 4 or 6 digits, or 2 or 3 "
                                        "digits in a haploid file (diploid flag 0)");
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
    GenePopReader(in, *os, diploid != 0, *_ZOS_).run(nb_samples);
    return 1;
}
