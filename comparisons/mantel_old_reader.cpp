// The Mantel subsection of the older identifier syntax, read with the
// project-file tokenizer: identifier = value entries up to the next '[' or the
// end of the input, and matrix blocks inline between braces or in a file of
// their own.
//
// A matrix block holds the lower triangle with its diagonal, possibly in
// column blocks: rows too long for one line are written as successive lower
// triangles, each holding a range of columns; the first line of a column block
// that ends before its diagonal fixes the block's width.

#include <cmath>
#include <fstream>
#include <limits>
#include <new>
#include <string>

#include "app/settings.h"
#include "comparisons/mantel.h"
#include "core/char_classes.h"
#include "core/conversions.h"
#include "core/errors.h"
#include "core/public.h"
#include "model/subsection_support.h"

namespace {

const char* const GET_SETTINGS = "Mantel::get_settings( ifstream& ifs)";
const char* const READ_ID = "Mantel::read_id_content()";
const char* const READ_DATA = "Mantel::read_MatrixData()";

int report(int index, const char* where = READ_ID)
{
    E.error(ERROR, where, index);
    return 0;
}

// ERROR 13 with the cell (counted from 1) in the where-text: "->line" where
// no value can begin, " (line" where a value cannot be taken.
int report_cell(const char* form, int row, int column)
{
    std::string where = std::string(READ_DATA) + form + std::to_string(row) + ", column "
                        + std::to_string(column) + (form[0] == ' ' ? ")" : "");
    return report(13, where.c_str());
}

void skip_rest_of_line(std::istream& in)
{
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
}

// Passes over blanks and other control characters of the current line; the
// next character (a line end or the end of the input included) is taken.
int next_after_blanks(std::istream& in)
{
    for (;;) {
        int c = in.get();
        if (c == std::istream::traits_type::eof() || c == '\n' || c > ' ')
            return c;
    }
}

// After the labels only blanks may follow on their line; a comment ends it
// as well, and so does the end of the input.
int labels_line_ends(std::istream& in)
{
    for (;;) {
        int c = in.get();
        if (c == std::istream::traits_type::eof() || c == '\n')
            return 1;
        if (c == '#') {
            skip_rest_of_line(in);
            return 1;
        }
        if (is_alnum(c) || c == '}')
            return 0;
    }
}

}  // namespace

int Mantel::get_settings(std::ifstream& in)
{
    my_string identifier;
    while (get_next_ident(in, identifier)) {
        if (!is_identifier(identifier)) {
            E.error(WARNING, GET_SETTINGS, 23);
            return 0;
        }
        if (!read_id_content(in, identifier))
            return report(24, GET_SETTINGS);
    }
    if (MatrixNumber == 0)
        MatrixNumber = MatricesRead;
    if (MatrixNumber == MatricesRead)
        return 1;
    return report(186, GET_SETTINGS);
}

int Mantel::read_id_content(std::ifstream& in, my_string identifier)
{
    if (same_text(identifier, "ymatrix")) {
        my_string value;
        if (!get_qstring(in, value))
            return 0;
        value.to_lower();
        for (my_string const& type : YTypes) {
            if (same_text(value, type)) {
                YMatrix = value;
                MatricesRead = same_text(value, "custom") ? 0 : 1;
                return 1;
            }
        }
        return report(59);
    }
    if (same_text(identifier, "matrixsize")) {
        int size = 0;
        if (!(in >> size))
            return report(14);
        // The labels already read are as many as the size in force: another
        // size would leave them out of step with the matrices.
        if (size <= 2 || !size_fits(size) || (YMatrixLabels && size != MatrixSize))
            return report(15);
        for (TriMat* matrix : {&Matrix1, &Matrix2, &MatrixY})
            matrix->create(size);
        MatrixSize = size;
        return 1;
    }
    if (same_text(identifier, "matrixnumber")) {
        int number = 0;
        if (!(in >> number))
            return report(198);
        if (number != 2 && number != 3)
            return report(199);
        MatrixNumber = number;
        return 1;
    }
    if (same_text(identifier, "ymatrixlabels")) {
        try {
            YMatrixLabels.reset(new my_string[MatrixSize]);
        } catch (std::bad_alloc const&) {
            E.error(MEMORY, READ_ID, 0);
            return 0;
        }
        skip_comments(in);
        for (int k = 0; k < MatrixSize; ++k) {
            my_string label;
            if (!label.GetNextQuota(in))
                return report(11, READ_DATA);
            YMatrixLabels[k] = label;
        }
        return labels_line_ends(in) ? 1 : report(12, READ_DATA);
    }
    if (same_text(identifier, "usedymatrixlabels")) {
        my_string skipped;
        skipped.read_to_delim(in, '{');
        if (!in.good())
            return report(50);
        my_string label;
        while (get_label(in, label))
            UsedYMatrixLabels.Add(label);
        return 1;
    }
    if (same_text(identifier, "distmatmantel"))
        return read_distmatmantel(in);
    return report(22);
}

// The block of a distmatmantel entry goes into the matrix that the count of
// matrices chooses: Y, X1, X2; past X2 nothing is read.
int Mantel::read_distmatmantel(std::ifstream& in)
{
    TriMat* targets[] = {&MatrixY, &Matrix1, &Matrix2};
    int k = MatricesRead++;
    if (k < 0 || k >= 3)
        return 1;
    TriMat& target = *targets[k];
    if (MatrixSize == 0)
        return report(14);
    int c = next_graphic_char(in);
    if (c == std::istream::traits_type::eof())
        return 0;
    if (c == '{') {
        // A block that its reader refused is refused whatever follows it.
        if (!read_MatrixData(in, target) || in.get() != '}')
            return report(12);
        return 1;
    }
    if (!is_alnum(c))
        return report(21);
    in.unget();
    my_string word;
    if (!get_qstring(in, word))
        return report(21);
    word.to_upper();
    if (!same_text(word, "EXTERN"))
        return report(20);
    my_string name;
    if (!get_qstring(in, name))
        return report(19);
    if (name.contains('"')) {
        name.remove(name.length - 1, 1);
        name.remove(0, 1);
    }
    E.error(INFO, READ_ID, 17);
    std::ifstream file(build_ext_name(name).str);
    if (!file.is_open() || !read_MatrixData(file, target))
        return report(18);
    return 1;
}

int Mantel::read_MatrixData(std::istream& in, TriMat& matrix)
{
    const int n = MatrixSize;
    int start = 0;   // first column of the column block
    int width = n;   // its width, known from its first line that ends early
    while (start < n) {
        for (int i = start; i < n; ++i) {
            skip_comments(in);
            for (int j = start; j <= i; ++j) {
                int p = j - start;
                if (p == width) {
                    if (!test_end_of_line(in))
                        return 0;
                    break;
                }
                int c = next_after_blanks(in);
                if (c == std::istream::traits_type::eof())
                    return report_cell(" (line ", i + 1, j + 1);  // the input ends inside the block
                if (c == '\n' || c == '#') {
                    if (c == '#')
                        skip_rest_of_line(in);
                    // A row part without a single value cannot be completed.
                    if (p == 0)
                        return report_cell("->line ", i + 1, j + 1);
                    width = p;
                    if (j != i) {
                        std::string where = std::string(READ_DATA) + "->Line " + std::to_string(i)
                                            + " contains more than " + std::to_string(i)
                                            + " distances.";
                        return report(13, where.c_str());
                    }
                    break;  // the diagonal comes in a later column block
                }
                if (!is_digit(c))
                    return report_cell("->line ", i + 1, j + 1);
                in.unget();
                my_string word;
                in >> word;
                // A last value directly followed by the end of a file is taken.
                double value = my_atof(word.str);
                if (word.is_null() || !std::isfinite(value))
                    return report_cell(" (line ", i + 1, j + 1);
                matrix(i, j) = value;
            }
        }
        start += width;
        width = n - width;
    }
    in.get();  // normally the line end after the last value
    return 1;
}

my_string Mantel::build_ext_name(my_string const& name) const
{
    if (name.contains('/') || name.contains('\\'))
        return name;
    if (Profile.RunSettings != nullptr)
        return Profile.RunSettings->results_dir + name;
    *_ZOS_ << "Pointer to project dir is not initialized. ERROR" << std::endl;
    return name;
}
