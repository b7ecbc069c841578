// Reader of the subsection "[[DistanceMatrix]]" in the older keyword syntax
// (keyword = value entries read by the project-file tokenizer), used by the
// format translator's project reader, and the matrix name of the project
// summary.
//
// Matrix data of this syntax may come in blocks of columns: a matrix whose
// rows are too long for one line is written as successive lower triangles,
// each holding a range of columns, the first row of a block that ends before
// its diagonal fixing the block's width.

#include "model/dist_mat.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <string>

#include "core/char_classes.h"
#include "core/conversions.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/public.h"
#include "model/subsection_support.h"

namespace {

const char* const GET_SETTINGS = "DistMat::get_settings( ifstream& ifs)";
const char* const READ_ID = "DistMat::read_id_content()";
const char* const READ_DATA = "DistMat::read_MatrixData()";

// Skips blanks and other control characters up to the end of the line; the
// next character (a line end or EOF included) is left unread.
int peek_after_blanks(std::istream& is)
{
    for (;;) {
        int c = is.peek();
        if (c == std::istream::traits_type::eof() || c == '\n' || is_graphic(c))
            return c;
        is.get();
    }
}

// ERROR 13 for a character where a distance should begin.
void report_unexpected(int line, int column)
{
    std::string where = std::string(READ_DATA) + "->line " + std::to_string(line) + ", column " +
                        std::to_string(column);
    E.error(ERROR, where.c_str(), 13);
}

// ERROR 13 for a distance that does not read as a finite number.
void report_bad_value(int line, int column)
{
    std::string where = std::string(READ_DATA) + " (line " + std::to_string(line) + ", column " +
                        std::to_string(column) + ")";
    E.error(ERROR, where.c_str(), 13);
}

}  // namespace

int DistMat::get_settings(std::istream& is)
{
    my_string keyword;
    while (get_next_ident(is, keyword)) {
        if (!is_identifier(keyword)) {
            E.error(WARNING, GET_SETTINGS, 23);
            return 0;
        }
        if (!read_id_content(is, keyword)) {
            E.error(ERROR, GET_SETTINGS, 24);
            return 0;
        }
    }
    return 1;
}

int DistMat::read_id_content(std::istream& is, my_string keyword)
{
    if (same_text(keyword, "matrixname")) {
        my_string value;
        if (!get_qstring(is, value))
            return 0;
        name = value;
        return 1;
    }
    if (same_text(keyword, "matrixsize")) {
        int rows_wanted = 0;
        if (!(is >> rows_wanted)) {
            E.error(ERROR, READ_ID, 14);
            return 0;
        }
        return create_matrix(rows_wanted, READ_ID);
    }
    if (same_text(keyword, "labelposition")) {
        my_string value;
        if (!get_qstring(is, value))
            return 1;
        value.Upper();
        if (same_text(value, "COLUMN") || same_text(value, "LINE")) {
            label_position = same_text(value, "COLUMN") ? COLUMN : LINE;
            return 1;
        }
        E.error(ERROR, READ_ID, 16);
        return 0;
    }
    if (same_text(keyword, "hapllabels"))
        return read_old_labels(is);
    if (same_text(keyword, "matrixdata"))
        return read_old_matrix_data_value(is);
    E.error(ERROR, READ_ID, 22);
    return 0;
}

// "hapllabels = { l1 l2 ... }": size words; a word holding the brace ends the
// list early, keeping the text before the brace as its label.
int DistMat::read_old_labels(std::istream& is)
{
    is.ignore(std::numeric_limits<std::streamsize>::max(), '{');
    replace_labels(size);
    for (int i = 0; i < size; ++i) {
        std::string word;
        if (!(is >> word)) {
            E.error(ERROR, READ_ID, 11);
            return 0;
        }
        std::size_t brace = word.find('}');
        labels[i] = word.substr(0, brace).c_str();
        if (brace != std::string::npos) {
            E.error(ERROR, READ_ID, 11);
            return 0;
        }
    }
    is.ignore(std::numeric_limits<std::streamsize>::max(), '}');
    return 1;
}

// "matrixdata = { ... }" or "matrixdata = EXTERN file".
int DistMat::read_old_matrix_data_value(std::istream& is)
{
    if (size == 0) {
        E.error(ERROR, READ_ID, 14);
        return 0;
    }
    replace_labels(size);
    int c = next_graphic_char(is);
    if (c == std::istream::traits_type::eof())
        return 0;
    if (c == '{') {
        read_MatrixData(is);
        if (is.get() == '}')
            return 1;
        E.error(ERROR, READ_ID, 12);
        return 0;
    }
    if (!is_alnum(c)) {
        E.error(ERROR, READ_ID, 21);
        return 0;
    }
    is.unget();
    my_string value;
    if (!get_qstring(is, value)) {
        E.error(ERROR, READ_ID, 21);
        return 0;
    }
    value.Upper();
    if (!same_text(value, "EXTERN")) {
        E.error(ERROR, READ_ID, 19);
        return 0;
    }
    my_string file_name;
    if (!get_qstring(is, file_name)) {
        E.error(ERROR, READ_ID, 20);
        return 0;
    }
    my_string full_name = build_ext_name(file_name);
    InputFile file(full_name.str);
    if (!file || !read_MatrixData(file)) {
        E.error(ERROR, READ_ID, 18);
        return 0;
    }
    name = full_name;
    return 1;
}

// LINE: the size labels on one line (the first may be on a later line than
// the brace), then nothing but blanks up to the line end.
int DistMat::read_old_label_line(std::istream& is)
{
    for (int i = 0; i < n; ++i) {
        int c = i == 0 ? is.peek() : peek_after_blanks(is);
        if (!is_alnum(c) || !get_qstring(is, labels[i])) {
            E.error(ERROR, READ_DATA, 11);
            return 0;
        }
    }
    peek_after_blanks(is);
    if (is.get() != '\n') {
        E.error(ERROR, READ_DATA, 12);
        return 0;
    }
    return 1;
}

// The values of row r in the block of columns from block_start: 1 when the
// row's part of the block is complete, 0 when it cannot be read. The first
// row of the block that ends before its diagonal fixes the block's width.
int DistMat::read_old_row_part(std::istream& is, int r, int block_start, int& block_width)
{
    for (int j = block_start; j <= r; ++j) {
        if (j - block_start == block_width)
            return test_end_of_line(is);
        int c = peek_after_blanks(is);
        if (c == std::istream::traits_type::eof()) {
            report_unexpected(r + 1, j + 1);  // the input ends inside a row
            return 0;
        }
        if (c == '\n' || c == '#') {
            if (j == block_start) {
                // No later block can complete a row without a single value.
                report_unexpected(r + 1, j + 1);
                return 0;
            }
            block_width = j - block_start;
            if (j == r)
                return 1;  // the diagonal comes in a later block
            std::string where = std::string(READ_DATA) + "->Line " + std::to_string(r) +
                                " contains more than " + std::to_string(r) + " distances.";
            E.error(ERROR, where.c_str(), 13);
            return 0;
        }
        if (!is_digit(c)) {
            report_unexpected(r + 1, j + 1);
            return 0;
        }
        std::string word;
        is >> word;
        double value = my_atof(word.c_str());
        if (is.fail() || !std::isfinite(value)) {
            report_bad_value(r + 1, j + 1);
            return 0;
        }
        rows[r][j] = value;
    }
    return 1;
}

int DistMat::read_MatrixData(std::istream& is)
{
    ensure_labels();
    skip_comments(is);
    if (label_position == LINE && !read_old_label_line(is))
        return 0;

    int block_start = 0;
    int block_width = n;
    for (;;) {
        for (int r = block_start; r < n; ++r) {
            skip_comments(is);
            if (label_position == COLUMN && !get_qstring(is, labels[r])) {
                E.error(ERROR, READ_DATA, 11);
                return 0;
            }
            if (!read_old_row_part(is, r, block_start, block_width))
                return 0;
        }
        if (block_start + block_width >= n)
            break;
        int next_width = n - block_width;
        block_start += block_width;
        block_width = next_width;
    }
    is.get();  // normally the last row's line end
    return 1;
}

void DistMat::get_mat_name(std::istream& is)
{
    name = "none";
    my_string keyword;
    while (get_next_ident(is, keyword)) {
        if (!is_identifier(keyword)) {
            E.error(WARNING, GET_SETTINGS, 23);
            return;
        }
        if (same_text(keyword, "matrixdata")) {
            name = "Defined In project file";
            int c = next_graphic_char(is);
            if (!is_alnum(c))
                return;
            is.unget();
            my_string value;
            if (!get_qstring(is, value))
                return;
            value.Upper();
            if (!same_text(value, "EXTERN"))
                return;
            std::string file_name;
            if (!(is >> file_name)) {
                name = "undefined";
                return;
            }
            if (file_name.find('"') != std::string::npos && file_name.size() >= 2)
                file_name = file_name.substr(1, file_name.size() - 2);
            name = file_name.c_str();
            return;
        }
        my_string skipped;
        get_qstring(is, skipped);
    }
}
