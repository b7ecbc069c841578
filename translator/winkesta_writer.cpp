// Project to WinKesta data set.
//
// WinKesta takes haplotype frequencies grouped into a genetic structure and
// the distances between the haplotypes, so only haplotypic projects with
// groups and a distance matrix are written. Each sample becomes the
// population file <stem><position>.pop in the working directory, the stem
// being the first five characters of the first sample's name: its size and
// name, then one line per haplotype, its id and count. The distance matrix
// becomes a distance file named after the matrix ("dist_mat.dis" when it has
// no name): the labels, then the lower triangle in fields of 10 characters.
// The list file's text goes to the output: the number of groups and the
// title, then one line per group listing the positions of its members.
//
// The files stay in the working directory: path separators in the stem
// become "_", and a matrix named after a file elsewhere keeps only its file
// name. None of them may be an input of the translation (the project's own
// EXTERN distance file, say): then nothing is written. A file of the same
// name already there is kept under a back-up name. A distance too large
// for its field gets a blank before it, so that it stays apart from its
// neighbour, and a note after the list.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/errors.h"
#include "project/project.h"
#include "translator/imp_exp.h"

namespace {

const std::size_t STEM_LENGTH = 5;
const int FIELD_WIDTH = 10;

int position_of(MY_TIArrayAsVector<Population>& samples, Population const* member)
{
    for (int i = 0; i < samples.count; ++i)
        if (samples.data[i] == member)
            return i + 1;
    return 0;
}

int unable_to_create(std::string const& name)
{
    *_ZOS_ << "\t\tTranslator is unable to create the file " << name << std::endl;
    return 0;
}

std::string file_stem(MY_TIArrayAsVector<Population>& samples)
{
    std::string stem = samples.count > 0 ? samples.data[0]->name.str : "";
    if (stem.size() > STEM_LENGTH)
        stem.resize(STEM_LENGTH);
    for (char& c : stem)
        if (c == '/' || c == '\\')
            c = '_';
    return stem;
}

// Sample i (from 0) is the file stem, its position from 1 and ".pop".
std::string population_file_name(std::string const& stem, int i)
{
    return stem + std::to_string(i + 1) + ".pop";
}

std::string distance_file_name(DistMat const& matrix)
{
    std::string name = matrix.name.str;
    std::size_t last_separator = name.find_last_of("/\\");
    if (last_separator != std::string::npos)
        name.erase(0, last_separator + 1);
    return name.empty() ? "dist_mat.dis" : name;
}

// The labels, then row i of the lower triangle with i + 1 values, each
// "%10.5f"; no line end after the last row. False when a value needed its
// whole field and got a separating blank.
bool write_distances(std::ostream& file, DistMat const& matrix)
{
    bool all_fit = true;
    for (int i = 0; i < matrix.size; ++i)
        file << matrix.labels[i] << ' ';
    file << '\n';
    char text[64];
    int rows = matrix.size < matrix.n ? matrix.size : matrix.n;
    for (int i = 0; i < rows; ++i) {
        if (i > 0)
            file << '\n';
        for (int j = 0; j <= i; ++j) {
            std::snprintf(text, sizeof text, "%*.5f", FIELD_WIDTH, matrix(i, j));
            if (text[0] != ' ' && j > 0) {
                file << ' ';
                all_fit = false;
            }
            file << text;
        }
    }
    return all_fit;
}

} // namespace

int imp_exp::write_win_kesta()
{
    std::ostream& out = *os;
    Structure& structure = *project->structure;
    if (structure.NbGroups == 0)
        return refuse("\tNo genetic structure has been defined, it makes therefore no sense to\n"
                      " build a WinKesta file.\n");
    if (project->profile.GenotypicData != 0)
        return refuse("    WinKesta accepts only Haplotypic data format, the\n"
                      "    source data file contained Genoytypic data\n");
    if (std::min(project->dist_mat.size, project->dist_mat.n) == 0)
        return refuse("  No distance matrix has been defined, and a WinKesta data set\n"
                      "  needs the distances between its haplotypes.\n");

    MY_TIArrayAsVector<Population>& samples = project->samples->Populations;
    std::string stem = file_stem(samples);
    std::string dist_name = distance_file_name(project->dist_mat);
    // No file is written when any of them would write over an input or the output.
    for (int i = 0; i < samples.count; ++i)
        if (!may_make(population_file_name(stem, i).c_str()))
            return 0;
    if (!may_make(dist_name.c_str()))
        return 0;

    for (int i = 0; i < samples.count; ++i) {
        Population& sample = *samples.data[i];
        std::string name = population_file_name(stem, i);
        if (!keep_existing(name))
            return 0;
        std::ofstream file(name);
        if (!file.is_open())
            return unable_to_create(name);
        file << static_cast<int>(sample.SampleSize + 0.1) << ' ' << sample.name << '\n';
        for (int h = 0; h < sample.haplotypes.count; ++h) {
            PHaploDef const& entry = *sample.haplotypes.data[h];
            if (entry.haplotype != nullptr)
                file << entry.haplotype->id << "  " << entry.count << '\n';
        }
    }

    if (!keep_existing(dist_name))
        return 0;
    std::ofstream dist(dist_name);
    if (!dist.is_open())
        return unable_to_create(dist_name);
    bool all_fit = write_distances(dist, project->dist_mat);

    out << structure.NbGroups << ' ' << project->profile.Title << '\n';
    for (int g = 0; g < structure.NbGroups; ++g) {
        MY_TIArrayAsVector<Population>& members = structure.Groups[g];
        for (int m = 0; m < members.count; ++m)
            out << position_of(samples, members.data[m]) << ' ';
        out << '\n';
    }
    // After an empty line, which ends the group lines for a reader.
    if (!all_fit)
        out << "\n  Some distances of " << dist_name << " fill their field of 10 characters:\n"
            << "  a blank separates each of them from the value before it.\n";
    return 1;
}
