// WinKesta data set to project text.
//
// A WinKesta set is a list file, one population file per population and a
// distance file. The list file's first line gives the number of groups as
// its first word and the set's title after it (the title alone, so that the
// writer, which puts the number of groups before it, keeps it as it was); every following line, up to the
// first empty one, names the populations of one group (a word "+++" ends a
// group within a line). Population <name> is the file prefix + name + ".pop":
// its sample size as the first word of its first line, then one line per
// haplotype, its id and absolute frequency. The distance file holds the
// haplotype labels on its first line and the lower triangle of their
// distances below.
//
// The project holds haplotype frequencies (FREQUENCY data), one sample per
// population, the distance file as an external matrix and the groups as its
// genetic structure. A population file that cannot be found leaves an error
// line in the project text in place of its sample; the list file and the
// distance file must be found (beside the working directory, or in the core
// directory).
#include <fstream>
#include <string>
#include <vector>

#include "core/conversions.h"
#include "translator/imp_exp.h"

namespace {

const char* const GROUP_END = "+++";

// The words of a line, separated by runs of blanks and tabs.
std::vector<std::string> words_of(std::string const& line)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    for (;;) {
        std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string::npos)
            return words;
        at = line.find_first_of(" \t", start);
        words.push_back(line.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos)
            return words;
    }
}

// Opens `name`, or else the same name in the core directory; `name` becomes
// the name that was opened or tried last.
bool open_here_or_in_core(std::ifstream& file, my_string& name, my_string const& core_dir)
{
    file.open(name.str);
    if (file.is_open())
        return true;
    name = core_dir + name;
    file.open(name.str);
    return file.is_open();
}

class WinKestaReader {
public:
    WinKestaReader(std::ostream& out, my_string const& prefix, my_string const& core_dir,
                   std::vector<std::string>& inputs)
        : out(out), prefix(prefix), core_dir(core_dir), inputs(inputs)
    {
    }

    // The list file in `list`; the distance file as opened, with its label line.
    void run(std::istream& list, my_string const& dist_name, std::string const& labels)
    {
        std::string line;
        imp_exp::read_line(list, line);
        std::string first_word = line.substr(0, line.find_first_of(" \t"));
        int groups = my_atoi(first_word.c_str());
        std::size_t title_start = line.find_first_not_of(" \t", first_word.size());
        std::string title = title_start == std::string::npos ? "" : line.substr(title_start);
        imp_exp::remove_double_quotes(title);

        // Each group line's names, then the marker that ends the group.
        int populations = 0;
        while (imp_exp::read_line(list, line) && !line.empty()) {
            for (std::string const& word : words_of(line)) {
                entries.push_back(word);
                populations += word != GROUP_END;
            }
            entries.push_back(GROUP_END);
        }

        std::size_t matrix_size = words_of(labels).size();
        out << "[Profile]\n"
            << "\t Title=\"" << title << "\"\n"
            << "\t NbSamples=" << populations << "\n"
            << "\t GenotypicData=0\n"
            << "\t DataType=FREQUENCY\n"
            << "\t LocusSeparator=NONE\n\n\n"
            << "[Data]\n"
            << "\n\t\t[[DistanceMatrix]] \n"
            << "\t\t     MatrixName=\"Generic Distmat\"\n"
            << "\t\t     MatrixSize=" << (matrix_size == 0 ? 1 : matrix_size) << "\n"
            << "\t\t     LabelPosition=LINE \n"
            << "\t\t     MatrixData=EXTERN \"" << dist_name << "\"\n"
            << "\n\t [[Samples]]\n";
        for (std::string const& entry : entries)
            if (entry != GROUP_END)
                write_sample(entry);
        write_structure(groups);
    }

private:
    std::ostream& out;
    my_string const& prefix;
    my_string const& core_dir;
    std::vector<std::string>& inputs;   // the population files read are added
    std::vector<std::string> entries;  // population names and group-end markers

    void write_sample(std::string const& name)
    {
        my_string file_name = prefix + name.c_str() + ".pop";
        std::ifstream file;
        if (!open_here_or_in_core(file, file_name, core_dir)) {
            out << "****ERROR**** Population " << file_name << " not found\n}\n\n";
            return;
        }
        inputs.push_back(file_name.str);
        std::string line;
        bool not_empty = imp_exp::read_line(file, line);
        int size = my_atoi(line.c_str());
        out << "# " << line << "\n"
            << "\t\t SampleName=\"" << prefix << name << "\"\n"
            << "\t\t SampleSize=" << size << "\n"
            << "\t\t SampleData={\n";
        while (imp_exp::read_line(file, line))
            out << line << '\n';
        if (not_empty)
            out << '\n';
        out << "}\n\n";
    }

    void write_structure(int groups)
    {
        out << "     [[Structure]]\n"
            << "     \tStructureName=\"Generic structure\"\n"
            << "     \tNbGroups=" << groups << "\n"
            << "     \tIndividualLevel=0\n"
            << "\t\tGroup={\n";
        // The last entry closes the last group.
        for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
            if (entries[i] == GROUP_END)
                out << "}\n \t\tGroup={\n";
            else
                out << "\"" << prefix << entries[i] << "\"\n";
        }
        out << "}\n\n";
    }
};

} // namespace

int imp_exp::read_win_kesta()
{
    std::ifstream list(input_name.str);
    if (!list.is_open())
        return unable_to_open_input(input_name);
    my_string dist_name = dist_file_name;
    std::ifstream dist;
    if (!open_here_or_in_core(dist, dist_name, core_dir))
        return unable_to_open_input(dist_file_name);
    input_files.push_back(dist_name.str);
    std::string labels;
    read_line(dist, labels);
    dist.close();
    WinKestaReader(*os, pop_file_prefix, core_dir, input_files).run(list, dist_name, labels);
    return 1;
}
