#include "comparisons/mantel.h"

#include <sstream>

#include "core/public.h"
#include "project/project_file_lines.h"

namespace {

// The value of a YMatrix line, quoted or a bare word, lower-cased; empty when
// the line holds none.
my_string y_matrix_type(my_string const& line)
{
    std::istringstream value(line.extract_after('=').str);
    my_string type;
    if (!get_qstring(value, type))
        return my_string();
    type.to_lower();
    return type;
}

}  // namespace

int Mantel::NewOpenMantel(std::ifstream& stream, ProfileSettings&, int& lineNo, my_string& line,
                          bool& matrixSizeFound, bool& yMatrixFound, bool& matrixNumberFound,
                          bool& yMatrixLabelsFound, bool& distMatMantelFound,
                          bool& usedYMatrixLabelsFound)
{
    while (next_project_line(stream, line, lineNo)) {
        my_string key = line_key(line);
        if (is_key(key, "MATRIXSIZE")) {
            matrixSizeFound = true;
        } else if (is_key(key, "YMATRIX")) {
            yMatrixFound = true;
            my_string type = y_matrix_type(line);
            if (!type.is_null())
                YMatrix = type;
        } else if (is_key(key, "MATRIXNUMBER")) {
            matrixNumberFound = true;
        } else if (is_key(key, "YMATRIXLABELS")) {
            yMatrixLabelsFound = true;
        } else if (is_key(key, "DISTMATMANTEL")) {
            distMatMantelFound = true;
        } else if (is_key(key, "USEDYMATRIXLABELS")) {
            usedYMatrixLabelsFound = true;
        }
    }
    return 1;
}
