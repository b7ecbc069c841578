// Mega file to project text.
//
// A Mega file opens with "#mega" and a "TITLE:" line, which gives the
// project's title (without "TITLE:" and the blanks around it, so that a round
// trip keeps the title as it was); the lines up to the first taxon line are
// kept as comments. A taxon line is "#", the name (up to the first blank) and
// optionally data; the lines after it that do not begin with "#" carry more
// data for it. A name met again continues its sequence,
// which reads both the sequential and the interleaved layout, where the blocks
// of all taxa follow one another, separated by blank lines. Text between
// double quotes is a comment (one left open runs to the end of the line).
//
// The sequence section ends at the first line after a blank line that is not
// a taxon line; that line becomes the name of the one sample, in which every
// taxon is a haplotype of count 1. Without such a line the sample is named
// "Population1", as a sample translated from Phylip. Lines after the end line
// (one blank line skipped) are rows 2 to n of the lower triangle of a distance matrix between the
// taxa, as a Mega distance file has them; they become a "[[DistanceMatrix]]"
// with the taxa as labels, "0.0" as its first row and " 0.0" as the diagonal
// of every other row, written before the samples as a project requires. The taxa of a distance file have no sequences: they are
// then declared as haplotype frequencies, so that the project can be read.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "translator/imp_exp.h"

namespace {

class MegaReader {
public:
    MegaReader(std::istream& in, std::ostream& out) : in(in), out(out) {}

    void run()
    {
        read(line);
        out << "# A data file tranlated from " << line << "\n[Profile]\n";
        read(line);
        std::string title = title_of(line);
        imp_exp::remove_double_quotes(title);
        out << "\t Title= \"" << title << "\"\n";

        bool have = read(line);
        while (have && !is_taxon_line(line)) {
            if (!line.empty())
                out << "#" << line << '\n';
            have = read(line);
        }
        std::string sample_name;
        if (have)
            read_sequences(sample_name);
        read_distances();
        write_project(sample_name);
    }

private:
    std::istream& in;
    std::ostream& out;
    std::string line;
    std::vector<std::string> names, sequences;  // in order of first occurrence
    std::unordered_map<std::string, std::size_t> index;  // name -> position
    std::size_t current = 0;                    // position of the current name
    std::vector<std::string> distance_rows;     // as they stand in the file

    bool read(std::string& text)
    {
        if (imp_exp::read_line(in, text))
            return true;
        text.clear();
        return false;
    }

    static bool is_taxon_line(std::string const& text) { return !text.empty() && text[0] == '#'; }

    // The title line without "TITLE:" (in any case) and the blanks around the title.
    static std::string title_of(std::string const& text)
    {
        const std::string key = "TITLE:";
        std::size_t start = 0;
        if (text.size() >= key.size()
            && std::equal(key.begin(), key.end(), text.begin(), [](char k, char c) {
                   return std::toupper(static_cast<unsigned char>(c)) == k;
               }))
            start = key.size();
        start = text.find_first_not_of(" \t", start);
        if (start == std::string::npos)
            return "";
        return text.substr(start, text.find_last_not_of(" \t") + 1 - start);
    }

    // From the first taxon line (in `line`) to the line that ends the
    // section, which becomes the sample's name ("" at the end of the file).
    void read_sequences(std::string& end_line)
    {
        take_line();
        for (;;) {
            bool after_blank = false;
            bool have = read(line);
            if (have && imp_exp::is_line_blank(line)) {
                have = read(line);
                after_blank = true;
            }
            if (!have)
                return;
            if (!is_taxon_line(line) && after_blank) {
                end_line = line;
                imp_exp::remove_double_quotes(end_line);
                return;
            }
            take_line();
        }
    }

    // A taxon line names the current taxon; its data, or those of a
    // continuation line, are appended to the current taxon's sequence.
    void take_line()
    {
        std::size_t at = 0;
        if (is_taxon_line(line)) {
            std::size_t end = line.find(' ', 1);
            if (end == std::string::npos)
                end = line.size();
            select(line.substr(1, end - 1));
            at = end;
        }
        while (at < line.size() && line[at] == ' ')
            ++at;
        append_data(sequences[current], at);
    }

    void select(std::string const& name)
    {
        auto found = index.emplace(name, names.size());
        if (found.second) {
            names.push_back(name);
            sequences.emplace_back();
        }
        current = found.first->second;
    }

    void append_data(std::string& sequence, std::size_t at)
    {
        bool in_comment = false;
        for (; at < line.size(); ++at) {
            if (line[at] == '"')
                in_comment = !in_comment;
            else if (!in_comment)
                sequence += line[at];
        }
    }

    // Taxa without any data are those of a distance file: their haplotypes
    // are declared as frequency data, which need no data text.
    bool distances_only() const
    {
        for (std::string const& sequence : sequences)
            if (!sequence.empty())
                return false;
        return !names.empty();
    }

    // The lines after the end line, one blank line skipped.
    void read_distances()
    {
        if (!read(line))
            return;
        if (imp_exp::is_line_blank(line) && !read(line))
            return;
        do
            distance_rows.push_back(line);
        while (read(line));
    }

    void write_project(std::string const& end_line)
    {
        std::string sample_name = imp_exp::is_line_blank(end_line) ? "Population1" : end_line;
        out << "\t NbSamples=1\n"
            << "\t GenotypicData=0\n"
            << "\t DataType=" << (distances_only() ? "FREQUENCY" : "STANDARD") << "\n"
            << "\t MissingData=\"?\"\n"
            << "\t LocusSeparator=NONE\n"
            << "\n"
            << "[Data]\n";
        if (!distance_rows.empty())
            write_distances();
        out << "\t [[Samples]]\n"
            << "\t\t SampleName=\"" << sample_name << "\"\n"
            << "\t\t SampleSize=" << names.size() << "\n"
            << "\t\t SampleData={\n";
        for (std::size_t i = 0; i < names.size(); ++i)
            out << names[i] << " 1 " << sequences[i] << '\n';
        out << "       }\n\n";
    }

    void write_distances()
    {
        out << "\t\t[[DistanceMatrix]] \n"
            << "\t\t     MatrixName=\"Generic Distmat\"\n"
            << "\t\t     MatrixSize=" << names.size() << "\n"
            << "\t\t     LabelPosition=LINE \n"
            << "\t\t     MatrixData={ \n";
        for (std::string const& name : names)
            out << name << ' ';
        out << "\n0.0\n";
        for (std::string const& row : distance_rows)
            out << row << " 0.0\n";
        out << "}\n\n";
    }
};

} // namespace

int imp_exp::read_mega()
{
    std::ifstream in(input_name.str);
    if (!in.is_open())
        return unable_to_open_input();
    MegaReader(in, *os).run();
    return 1;
}
