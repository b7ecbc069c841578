// Biosys file to project text: everything up to the data, and the records of
// individual genotypes (data type 1).
//
// A record of data type 1 has one line per format line: the name in the
// first name-width characters, the skip, then per locus the gap and the two
// allele fields at fixed columns; each further line of the record starts at
// column 0. A population is its name line followed by its records up to a
// line "NEXT" or the end of the file.
#include "translator/biosys_reader.h"

#include <algorithm>
#include <fstream>

#include "core/errors.h"
#include "translator/imp_exp.h"

namespace {

// The value of a pair of a header or data-type line: the text after the "="
// up to the next comma, at most ten characters.
std::string pair_value(std::string const& line, std::size_t equals, std::size_t end)
{
    return line.substr(equals + 1, std::min<std::size_t>(end - equals - 1, 10));
}

bool contains_step_data(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text.find("STEP DATA") != std::string::npos;
}

} // namespace

BiosysReader::BiosysReader(imp_exp& translator, std::istream& in, std::ostream& out)
    : translator(translator), in(in), out(out)
{
}

int BiosysReader::run()
{
    read_title();
    read_header();
    copy_locus_listing();
    read_data_type();
    if (data_type < 1 || data_type > 3)
        return refuse("The data-type line of the Biosys file gives no data type 1, 2 or 3: "
                      + line);
    if (!read_format_statement())
        return refuse("The format statement of the Biosys file cannot be read: " + line);
    write_format_comments();
    out << "\n\n[Data]\n\t [[Samples]]\n";
    return data_type == 1 ? read_individuals() : read_genotype_lists();
}

bool BiosysReader::next_line()
{
    if (imp_exp::read_line(in, line))
        return true;
    line.clear();
    return false;
}

// Leading empty lines are skipped; a line of blanks is a title.
void BiosysReader::read_title()
{
    while (next_line() && line.empty()) {
    }
    out << "[Profile]\n"
        << "\t Title= \" " << imp_exp::unquoted(line) << " \"\n";
}

// Pairs such as NOTU=3, NLOC=5, NALL=20, CRT; the key runs from the start
// of its pair to the "=", so a pair after two blanks has a key that begins
// with a blank and is not recognised. Only pairs that begin before column
// 100 are looked at. A missing NOTU or NLOC is 0.
void BiosysReader::read_header()
{
    next_line();
    bool notu_given = false, nloc_given = false;
    std::size_t at = 0;
    while (at < line.size() && at < 100) {
        std::size_t equals = line.find('=', at);
        if (equals == std::string::npos)
            break;
        std::size_t end = line.find(',', equals);
        if (end == std::string::npos)
            end = line.size();
        std::string key = line.substr(at, equals - at);
        if (key == "NOTU") {
            notu = biosys_number(pair_value(line, equals, end));
            notu_given = true;
        } else if (key == "NLOC") {
            nloc = biosys_number(pair_value(line, equals, end));
            nloc_given = true;
        }
        at = end;
        if (at < line.size() && line[at] == ',')
            ++at;
        if (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
    }
    if (notu < 0)
        notu = 0;
    out << "\t NbSamples=" << notu << '\n'
        << "\t GenotypicData=1\n"
        << "\t GameticPhase=0\n"
        << "\t DataType=STANDARD\n"
        << "\t MissingData=\"?\"\n"
        << "\t LocusSeparator=WHITESPACE\n";
    if (!notu_given)
        out << "#NOTU, the number of populations, is missing from the header line: taken as 0\n";
    if (!nloc_given)
        out << "#NLOC, the number of loci, is missing from the header line: taken as 0\n";
    out << '\n';
}

// Every line up to and including the first that holds "STEP DATA" in any
// case becomes a comment; at the end of the file the failed read adds a
// comment "#" of its own.
void BiosysReader::copy_locus_listing()
{
    while (true) {
        bool read = next_line();
        out << '#' << line << '\n';
        if (!read || contains_step_data(line))
            break;
    }
    out << "#\n#\n";
}

// Only a line that begins with "DATYP=" gives the data type.
void BiosysReader::read_data_type()
{
    next_line();
    if (line.compare(0, 6, "DATYP=") != 0)
        return;
    std::size_t end = line.find(',');
    if (end == std::string::npos)
        end = line.size();
    data_type = biosys_number(pair_value(line, 5, end));
}

int BiosysReader::read_format_statement()
{
    next_line();
    if (data_type == 1)
        return translator.read_format1(line, format);
    if (data_type == 2)
        return translator.read_format2(line, format);
    return translator.read_format3(line, format);
}

void BiosysReader::write_format_comments()
{
    BiosysFormat const& f = format;
    out << "#Number of lines=" << f.line_count << '\n';
    if (data_type == 1)
        out << "#Name field has length " << f.name_width << " followed by " << f.skip
            << " blanks\n#There are " << nloc << " loci, \n";
    else
        out << (data_type == 2 ? "#Name field has length " : "#Name field has lenght ")
            << f.name_width << " then " << f.skip << " blanks\n#We have " << nloc << " loci, \n";
    for (int i = 0; i < f.line_count; ++i) {
        out << "#\tformat of line number " << i << " : " << f.loci[i] << " loci, (" << f.gap[i]
            << "X, A" << f.first_width[i] << ", A" << f.second_width[i];
        if (data_type != 1)
            out << ", 1X, I" << f.third_width[i];
        out << ")\n";
    }
    bool compatible = f.total_loci() == nloc;
    if (data_type == 1)
        out << (compatible ? "#The given number of loci is compatible with the actual number of loci\n"
                           : "#!!!#The given number of loci is not compatible with the actual "
                             "number of loci!!!\n");
    else if (data_type == 2)
        out << (compatible ? "#Nb of Loci is compatible\n" : "#!!!!Nb of Loci is not compatible!!!\n");
    else
        out << (compatible ? "#Nb of Loci are compatible\n" : "#!!!!Nb of Loci are not compatible!!!\n");
}

// Per population: its name line, then its records up to "NEXT" or the end
// of the file; an empty line is no record. Every individual has the count
// 1; the sample size 100 is corrected by the project reader.
int BiosysReader::read_individuals()
{
    std::string name, copy1, copy2;
    for (int population = 1; population <= notu; ++population) {
        if (!next_line())
            return ended_before(population);
        out << "\t\t SampleName=\"" << imp_exp::unquoted(line) << "\"\n"
            << "\t\t SampleSize= 100  #Wrong on purpose,  but it does not matter here \n"
            << "\t\t SampleData={\n";
        while (next_line() && line != "NEXT") {
            if (imp_exp::is_line_blank(line))
                continue;
            name = field(line, 0, format.name_width);
            if (!read_record(copy1, copy2)) {
                out << " ***** ERROR *****\n";
                return refuse("Individual " + name + " of the Biosys file has a gene copy of "
                              "20,000 characters or more");
            }
            out << name << " 1 " << copy1 << '\n';
            if (format.second_width[0] != 0)
                out << "\t\t " << copy2 << '\n';
        }
        out << "}\n";
    }
    return 1;
}

// The record that begins on the current line: its loci, each allele with a
// blank after it. False as soon as a gene copy would exceed its length.
bool BiosysReader::read_record(std::string& copy1, std::string& copy2)
{
    BiosysFormat const& f = format;
    copy1.clear();
    copy2.clear();
    std::size_t column = static_cast<std::size_t>(f.name_width) + f.skip;
    for (int i = 0; i < f.line_count; ++i) {
        if (i > 0) {
            next_line();
            column = 0;
        }
        for (int l = 0; l < f.loci[i]; ++l) {
            column += f.gap[i];
            std::string first = allele(line, column, f.first_width[i]);
            column += f.first_width[i];
            std::string second = allele(line, column, f.second_width[i]);
            column += f.second_width[i];
            if (copy1.size() + first.size() >= BiosysFormat::max_copy_length
                || copy2.size() + second.size() >= BiosysFormat::max_copy_length)
                return false;
            (copy1 += first) += ' ';
            (copy2 += second) += ' ';
        }
    }
    return true;
}

std::string BiosysReader::field(std::string const& line, std::size_t column, int width)
{
    std::string text = column < line.size() ? line.substr(column, width) : std::string();
    text.resize(static_cast<std::size_t>(width), ' ');
    return text;
}

std::string BiosysReader::allele(std::string const& line, std::size_t column, int width)
{
    std::string text = field(line, column, width);
    if (width > 0 && imp_exp::is_line_blank(text))
        return "?";
    return text;
}

int BiosysReader::ended_before(int population)
{
    out << "#The file ended after " << population - 1 << " of its " << notu << " populations\n";
    return refuse("The Biosys file ended after " + std::to_string(population - 1) + " of its "
                  + std::to_string(notu) + " populations (NOTU=" + std::to_string(notu) + ")");
}

int BiosysReader::refuse(std::string const& cause)
{
    *_ZOS_ << "\n\t\t" << cause << std::endl;
    return 0;
}

int imp_exp::read_biosys()
{
    std::ifstream in(input_name.str);
    if (!in.is_open())
        return unable_to_open_input();
    return BiosysReader(*this, in, *os).run();
}
