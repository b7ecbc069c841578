#include "comparisons/mantel.h"

#include "core/keyword_line.h"
#include "project/project_file_lines.h"

int Mantel::NewOpenMantel(std::ifstream& stream, ProfileSettings&, int& lineNo, my_string& line,
                          bool& matrixSizeFound, bool& yMatrixFound, bool& matrixNumberFound,
                          bool& yMatrixLabelsFound, bool& distMatMantelFound,
                          bool& usedYMatrixLabelsFound)
{
    while (stream.good()) {
        line.read_line(stream);
        if (stream.fail())
            break;
        ++lineNo;
        clearLineAfterPoundSign(line);
        my_string key = line_key(line);
        if (is_key(key, "MATRIXSIZE"))
            matrixSizeFound = true;
        else if (is_key(key, "YMATRIX"))
            yMatrixFound = true;
        else if (is_key(key, "MATRIXNUMBER"))
            matrixNumberFound = true;
        else if (is_key(key, "YMATRIXLABELS"))
            yMatrixLabelsFound = true;
        else if (is_key(key, "DISTMATMANTEL"))
            distMatMantelFound = true;
        else if (is_key(key, "USEDYMATRIXLABELS"))
            usedYMatrixLabelsFound = true;
    }
    return 1;
}
