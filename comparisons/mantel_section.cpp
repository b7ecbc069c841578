// The Mantel section of a project file (current syntax): its keyword lines
// and the matrix blocks that follow DistMatMantel, inline or in a file of
// their own. The section runs to the end of the project file.
//
// A line is recognised by its key (the text before '=', or its first word),
// in any case, never by text inside its value: a label or a file name that
// holds a keyword's name starts nothing. Every refusal writes its line on the
// log, makes its report and ends the reading with 0; what the lines before
// it set stays in the record.

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <new>
#include <sstream>
#include <string>

#include "app/settings.h"
#include "comparisons/mantel.h"
#include "core/errors.h"
#include "core/keyword_line.h"
#include "core/public.h"
#include "project/project_file_lines.h"

namespace {

const char* const READER = "Mantel::NewReadMantel()";
const char* const BLOCK_READER = "Mantel::newReadmatrixData()";
const char* const PROJECT_READER = "Project::newOpen()";

const char* const SECTION_KEYS[] = {"YMATRIX",       "MATRIXSIZE",    "MATRIXNUMBER",
                                    "YMATRIXLABELS", "DISTMATMANTEL", "USEDYMATRIXLABELS"};

bool is_section_key(my_string const& key)
{
    for (const char* name : SECTION_KEYS)
        if (is_key(key, name))
            return true;
    return false;
}

// A number as the stream shows a double by default (4, 3.5, 1e+300).
std::string default_format(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

// The reading of one section: the record, the project file and the marks
// that live for one call.
class SectionReader {
public:
    SectionReader(Mantel& mantel, std::ifstream& stream, ProfileSettings& profile, int& lineNo,
                  my_string& line)
        : m(mantel), in(stream), profile(profile), lineNo(lineNo), line(line)
    {
    }

    int matrix_size_line();
    int y_matrix_line();
    int matrix_number_line();
    int y_matrix_labels_line();
    int dist_mat_mantel_line();
    int used_labels_line();
    int end_of_section();

private:
    Mantel& m;
    std::ifstream& in;
    ProfileSettings& profile;
    int& lineNo;
    my_string& line;
    bool size_read = false;   // a MatrixSize line was accepted in this section
    bool used_read = false;   // a UsedYMatrixLabels line was handled in this section

    int read_label_list(bool used);
    int scan_labels(my_string const& text, bool used, bool keyword_line, int& c);
    bool is_y_label(my_string const& label) const;
    int read_block(std::ifstream& block, bool external, int& block_line);
};

// The report that ends a refusal, its line already written.
int refuse(int index, const char* where = READER)
{
    E.error(ERROR, where, index);
    return 0;
}

int SectionReader::matrix_size_line()
{
    // The labels and the blocks are sized by the first MatrixSize: a second
    // one would leave them out of step with the matrices.
    if (size_read) {
        *_ZOS_ << "\tMatrixSize defined a second time on line " << lineNo
               << ". Aborting reading project." << std::endl;
        return refuse(15);
    }
    if (!checkForPresenceOfEqualSign(line, "MatrixSize", lineNo)) {
        *_ZOS_ << "\tMissing '=' sign after keyword \"MatrixSize\" on line " << lineNo
               << ". Aborting reading project." << std::endl;
        return refuse(197);
    }
    double value = 0;
    if (!getValue(line, value, "MatrixSize", lineNo)) {
        *_ZOS_ << "Bad value (\"" << default_format(value) << "\") assigned to MatrixSize on line "
               << lineNo << ". Aborting reading project." << std::endl;
        return refuse(14);
    }
    if (value < 3) {
        *_ZOS_ << "\tInvalid value assigned to MatrixSize on line " << lineNo
               << ". Value of MatrixSize needs to be at least 3. Aborting reading project."
               << std::endl;
        return refuse(15);
    }
    if (!Mantel::size_fits(value)) {
        *_ZOS_ << "\tValue assigned to MatrixSize on line " << lineNo
               << " is too large: its matrices do not fit in memory. Aborting reading project."
               << std::endl;
        return refuse(15);
    }
    m.MatrixSize = static_cast<int>(value);
    for (TriMat* matrix : {&m.Matrix1, &m.Matrix2, &m.MatrixY})
        matrix->create(m.MatrixSize);
    size_read = true;
    return 1;
}

int SectionReader::y_matrix_line()
{
    if (!checkForPresenceOfEqualSign(line, "YMatrix", lineNo)) {
        *_ZOS_ << "\tMissing '=' sign after keyword \"YMatrix\" on line " << lineNo
               << ". Aborting reading project." << std::endl;
        return refuse(197);
    }
    my_string value;
    if (!getQuotedString(line, value, "YMatrix", lineNo))
        value = "";
    if (value.is_null()) {
        *_ZOS_ << "\tProject file, Line #" << lineNo << " : Invalid value ('" << value
               << "\") assigned to keyword \"YMatrix\"" << std::endl;
        return refuse(197);
    }
    my_string type = value;
    type.to_lower();
    int found = -1;
    for (int t = 0; t < Mantel::NumYTypes && found < 0; ++t)
        if (same_text(type, m.YTypes[t]))
            found = t;
    if (found < 0) {
        *_ZOS_ << "\tInvalid YMatrix type (\"" << value << "\")defined on line " << lineNo
               << ". Aborting reading project." << std::endl;
        return refuse(59);
    }
    m.YMatrix = type;
    if (same_text(type, "custom")) {
        m.MatricesRead = 0;
    } else {
        // Y is built from the pairwise FST, whose distances are computed.
        m.MatricesRead = 1;
        if (profile.RunSettings)
            profile.RunSettings->ComputeDistanceMatrixAMOVA = 1;
    }
    return 1;
}

int SectionReader::matrix_number_line()
{
    if (!checkForPresenceOfEqualSign(line, "MatrixNumber", lineNo))
        return refuse(199);
    double value = 0;
    if (!getValue(line, value, "MatrixNumber", lineNo)) {
        *_ZOS_ << "Bad value (\"" << default_format(value)
               << "\") assigned to MatrixNumber on line " << lineNo
               << ". Aborting reading project." << std::endl;
        return refuse(198);
    }
    if (value < 2 || value > 3) {
        *_ZOS_ << "Invalid value (" << default_format(std::trunc(value))
               << ") assigned to MatrixNumber on line " << lineNo
               << ". Value needs to be either 2 or 3. Aborting reading project." << std::endl;
        return refuse(199, "Mantel::read_id_content()");
    }
    m.MatrixNumber = static_cast<int>(value);
    return 1;
}

int SectionReader::y_matrix_labels_line()
{
    if (!size_read) {
        *_ZOS_ << "\tKeyword YMatrixLabels found on line " << lineNo
               << " before MatrixSize has been defined. Abort reading matrix." << std::endl;
        return refuse(197);
    }
    try {
        m.YMatrixLabels.reset(new my_string[m.MatrixSize]);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, READER, 0);
        return 0;
    }
    if (!checkForPresenceOfEqualSign(line, "YMatrixLabels", lineNo))
        return 1;
    return read_label_list(false);
}

int SectionReader::used_labels_line()
{
    m.UsedYMatrixLabels.count = 0;
    if (!size_read) {
        *_ZOS_ << "\tKeyword UsedYMatrixLabels found on line " << lineNo
               << " before MatrixSize has been defined. Abort reading matrix." << std::endl;
        return refuse(197);
    }
    if (checkForPresenceOfEqualSign(line, "UsedYMatrixLabels", lineNo) && !read_label_list(true))
        return 0;
    used_read = true;
    if (m.UsedYMatrixLabels.count < 3)
        return refuse(30);
    return 1;
}

bool SectionReader::is_y_label(my_string const& label) const
{
    if (!m.YMatrixLabels)
        return false;
    for (int k = 0; k < m.MatrixSize; ++k)
        if (same_text(m.YMatrixLabels[k], label))
            return true;
    return false;
}

// The labels of one text, counted in c. A used label that stands on its
// keyword line is taken as it is; on a later line it must be one of the
// YMatrixLabels.
int SectionReader::scan_labels(my_string const& text, bool used, bool keyword_line, int& c)
{
    std::istringstream words(text.str);
    my_string label;
    while (get_label(words, label)) {
        if (c == m.MatrixSize) {
            *_ZOS_ << "\tToo many labels found on line " << lineNo << ". Check "
                   << (used ? "UsedYMatrixLabels" : "YMatrixLabels")
                   << " definition. Abort reading project." << std::endl;
            return refuse(12);
        }
        if (!used) {
            m.YMatrixLabels[c] = label;
        } else {
            if (!keyword_line && !is_y_label(label)) {
                *_ZOS_ << "\tLabel \"" << label << "\" defined on line " << line
                       << " has not been defined previously in YMatrixLabels section."
                       << " Aborting reading project." << std::endl;
                return refuse(201);
            }
            m.UsedYMatrixLabels.Add(label);
        }
        ++c;
    }
    return 1;
}

// A label list from the '{' of its keyword line to the first line holding
// '}'; the labels before that '}' belong to it.
int SectionReader::read_label_list(bool used)
{
    const char* name = used ? "UsedYMatrixLabels" : "YMatrixLabels";
    int brace = line.find_first_of('{');
    if (brace < 0) {
        if (!used)
            *_ZOS_ << "\tMissing opening brace in " << name
                   << " definition. Aborting reading project" << std::endl;
        return refuse(12);
    }
    int c = 0;
    bool closed = line.contains('}');
    if (!scan_labels(my_string(line.str + brace + 1), used, true, c))
        return 0;
    while (!closed && in.good()) {
        if (!next_project_line(in, line, lineNo))
            break;
        closed = line.contains('}');
        // A list left open runs into the next keyword line; a label that
        // merely reads like a keyword has no '=' after it.
        if (!used && !closed && line.contains('=') && is_section_key(line_key(line)))
            break;
        brace = line.find_first_of('{');
        if (!scan_labels(my_string(line.str + brace + 1), used, false, c))
            return 0;
    }
    if (used) {
        if (closed)
            return 1;
        *_ZOS_ << "\tMissing closing brace in UsedYMatrixLabels definition. Aborting reading "
                  "project."
               << std::endl;
        return refuse(12);
    }
    if (c < m.MatrixSize) {
        *_ZOS_ << "\tInsufficient number of labels defined in YMatrixLabels section (" << c
               << " instead of " << m.MatrixSize << "). Aborting reading project" << std::endl;
        E.error(ERROR, READER, 12);
    }
    if (!closed) {
        *_ZOS_ << "\tMissing closing brace in YMatrixLabels definition. Aborting reading project."
               << std::endl;
        E.error(ERROR, READER, 12);
    }
    return closed && c == m.MatrixSize;
}

// The block into the matrix that the count of matrices chooses; a count
// past X2 reads nothing, and the block's lines then pass as section lines.
int SectionReader::read_block(std::ifstream& block, bool external, int& block_line)
{
    TriMat* targets[] = {&m.MatrixY, &m.Matrix1, &m.Matrix2};
    if (m.MatricesRead < 1 || m.MatricesRead > 3)
        return 1;
    return m.newReadMatrixData(block, *targets[m.MatricesRead - 1], external, block_line);
}

int SectionReader::dist_mat_mantel_line()
{
    ++m.MatricesRead;
    std::ifstream file;
    my_string before_quote = line.extract_before('"');
    bool external = before_quote.contains("EXTERN");
    if (external) {
        my_string name;
        if (!getQuotedString(line, name, "Extern Distance Matrix ", lineNo)) {
            *_ZOS_ << "\tNo file name given after EXTERN on line " << lineNo
                   << ". Aborting reading project" << std::endl;
            return refuse(200, PROJECT_READER);
        }
        my_string path = name;
        if (!detectFullPathInFileName(name) && profile.RunSettings)
            path = profile.RunSettings->project_dir + name;
        file.open(path.str);
        if (!file.is_open()) {
            *_ZOS_ << "\tWarning: External file \"" << name << "\" listed on line " << lineNo
                   << " cannot be open. Check that it exists. Aborting reading project"
                   << std::endl;
            return refuse(200, PROJECT_READER);
        }
        *_ZOS_ << "\tReading Distance Matrix in external file \"" << name << "\"" << std::endl;
        E.error(WARNING, READER, 17);
    }
    std::clock_t start = std::clock();
    *_ZOS_ << "\t\tReading Mantel distance matrix ..." << std::endl;
    int block_line = external ? 0 : lineNo;
    if (!read_block(external ? file : in, external, block_line)) {
        *_ZOS_ << "\t\tProblems in reading DisMatMantel section... aborting reading  project "
                  "file.\n"
               << std::endl;
        return 0;
    }
    *_ZOS_ << "\t\tdone ! (" << milliseconds_since(start) << " ms)\n" << std::endl;
    if (!external)
        lineNo = block_line;
    return 1;
}

int SectionReader::end_of_section()
{
    if (!used_read && m.YMatrixLabels && m.MatrixSize != 0) {
        *_ZOS_ << "\tWarning: Section UsedYMatrixLabels not found. We shall assume that all "
               << "labels previously defined in section YMatrixLabels are valid" << std::endl;
        for (int k = 0; k < m.MatrixSize; ++k)
            m.UsedYMatrixLabels.Add(m.YMatrixLabels[k]);
    }
    if (m.MatricesRead == m.MatrixNumber) {
        m.Profile = profile;
        return 1;
    }
    *_ZOS_ << "\tUnexpected number of matrices defined (" << m.MatricesRead << " instead of "
           << m.MatrixNumber << "). Aborting reading project." << std::endl;
    return refuse(186);
}

// The words of a matrix row: blanks, tabs and carriage returns separate them.
bool is_separator(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// The next word from p (moved past it): its start, and its end in word_end;
// null when only separators are left.
const char* next_word(const char*& p, const char*& word_end)
{
    while (*p != '\0' && is_separator(*p))
        ++p;
    if (*p == '\0')
        return nullptr;
    const char* start = p;
    while (*p != '\0' && !is_separator(*p))
        ++p;
    word_end = p;
    return start;
}

}  // namespace

int Mantel::NewOpenMantel(std::ifstream& stream, ProfileSettings& profile, int& lineNo,
                          my_string& line, bool& matrixSizeFound, bool& yMatrixFound,
                          bool& matrixNumberFound, bool& yMatrixLabelsFound,
                          bool& distMatMantelFound, bool& usedYMatrixLabelsFound)
{
    SectionReader reader(*this, stream, profile, lineNo, line);
    while (next_project_line(stream, line, lineNo)) {
        my_string key = line_key(line);
        int done = 1;
        if (is_key(key, "YMATRIX")) {
            yMatrixFound = true;
            done = reader.y_matrix_line();
        } else if (is_key(key, "MATRIXSIZE")) {
            matrixSizeFound = true;
            done = reader.matrix_size_line();
        } else if (is_key(key, "MATRIXNUMBER")) {
            matrixNumberFound = true;
            done = reader.matrix_number_line();
        } else if (is_key(key, "YMATRIXLABELS")) {
            yMatrixLabelsFound = true;
            done = reader.y_matrix_labels_line();
        } else if (is_key(key, "DISTMATMANTEL")) {
            distMatMantelFound = true;
            done = reader.dist_mat_mantel_line();
        } else if (is_key(key, "USEDYMATRIXLABELS")) {
            usedYMatrixLabelsFound = true;
            done = reader.used_labels_line();
        }
        if (!done)
            return 0;
    }
    return reader.end_of_section();
}

int Mantel::newReadMatrixData(std::ifstream& stream, TriMat& matrix, bool external, int& lineNo)
{
    bool closed = false;
    int rows_read = 0;
    my_string line;
    for (int i = 1; i <= MatrixSize && stream.good(); ++i) {
        if (!next_project_line(stream, line, lineNo))
            break;
        int brace = line.find_first_of('}');
        if (brace >= 0) {
            closed = true;
            line.remove(brace, line.length - brace);
        }
        const char* p = line.str;
        const char* word_end = nullptr;
        for (int j = 1; j <= i; ++j) {
            const char* word = next_word(p, word_end);
            if (word == nullptr) {
                *_ZOS_ << "\tUnable to read distance #" << j << " on line " << lineNo
                       << ". Aborting reading distance matrix." << std::endl;
                return refuse(13, BLOCK_READER);
            }
            char* used_up = nullptr;
            double value = std::strtod(word, &used_up);
            if (used_up != word_end || !std::isfinite(value)) {
                *_ZOS_ << "\tBad value (\"" << std::string(word, word_end) << "\") for distance #"
                       << j << " on line " << lineNo << ". Aborting reading distance matrix."
                       << std::endl;
                return refuse(13, BLOCK_READER);
            }
            matrix(i - 1, j - 1) = value;
        }
        if (next_word(p, word_end) != nullptr) {
            *_ZOS_ << "\tWarning:  Too many distances are defined on line " << lineNo << "("
                   << i + 1 << " instead of " << i << ")" << std::endl;
            E.error(WARNING, BLOCK_READER, 15);
        }
        ++rows_read;
    }
    if (rows_read < MatrixSize) {
        *_ZOS_ << "\tInvalid dimension for distance matrix: " << MatrixSize
               << " rows were expected, but only " << rows_read
               << " were found. Aborting reading project." << std::endl;
        return refuse(13, BLOCK_READER);
    }
    while (!external && !closed && next_project_line(stream, line, lineNo))
        closed = line.contains('}');
    if (!external && !closed) {
        *_ZOS_ << "\tNo closing brace in distance matrix definition up to line " << lineNo
               << ". Aborting reading project." << std::endl;
        return refuse(21, BLOCK_READER);
    }
    return 1;
}
