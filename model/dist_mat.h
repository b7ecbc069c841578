// A user-defined distance matrix between haplotypes: a named symmetric matrix
// with one label (a haplotype id) per row, given in the project file's
// subsection "[[DistanceMatrix]]" or in an external file it names.
#ifndef DROV_MODEL_DIST_MAT_H
#define DROV_MODEL_DIST_MAT_H

#include <istream>
#include <ostream>

#include "core/my_string.h"
#include "core/trimat.h"
#include "project/profile_settings.h"

class DistMat : public TriMat {
public:
    // Where the labels stand in the matrix data.
    enum { LINE = 0, COLUMN = 1 };

    ProfileSettings profile;  // the project's profile; gives the folder of external files
    int label_position;       // LINE: all labels on the first line; COLUMN: one per row
    my_string name;
    int size;                 // number of rows given by MatrixSize
    my_string* labels;        // owned array of size labels in row order, or null

    DistMat();
    explicit DistMat(int const& n);  // n rows, otherwise as the default matrix
    DistMat(DistMat const& other);
    ~DistMat();

    // Copies profile, name, size, label position, labels and every value (a
    // single-value matrix gives its constant values); the single-value mode
    // itself is not copied.
    DistMat& operator=(DistMat const& other);

    // Size 0, no name, no labels, every value 0.0, single-value mode off; the
    // rows stay allocated.
    void reset();

    // A fresh matrix of n zeroed rows (n cut to an integer) with n empty
    // labels: 1. A size below 1, not finite, or too large to allocate gives
    // ERROR 15 and leaves the matrix as it was: 0.
    int initializeMatrixAndArrays(double const& n);

    // Line reader of the matrix data (labels and distances), the stream
    // positioned on their first line; external data need no closing brace.
    // Advances the line counter by the lines read. False after its report.
    bool ReadDistanceMatrix(std::istream& is, bool external, int& line_counter);

    // Keyword reader of the whole subsection in the older project syntax, the
    // stream positioned after the subsection header: 1 on success, 0 on failure.
    int get_settings(std::istream& is);
    int read_id_content(std::istream& is, my_string keyword);
    // Matrix data of the older syntax, the stream positioned after the brace.
    int read_MatrixData(std::istream& is);

    // The path of a file named on an EXTERN line (external_file_name).
    my_string build_ext_name(my_string const& file_name);

    // Sets the name to what the project summary shows: where the matrix data
    // are ("Defined In project file", or the external file's name).
    void get_mat_name(std::istream& is);

private:
    void replace_labels(int count);  // count empty labels (null for 0)
    // Checks and creates a matrix of n rows, reporting ERROR 15 as `reporter`.
    int create_matrix(double n, const char* reporter);
    // One empty label per row for a matrix whose labels a reset freed.
    void ensure_labels();

    // Steps of the readers: the label line of the line syntax; the values of
    // "hapllabels" and "matrixdata", the label line and the rows of the older syntax.
    bool read_label_line(std::istream& is, int& line_counter);
    int read_old_labels(std::istream& is);
    int read_old_matrix_data_value(std::istream& is);
    int read_old_label_line(std::istream& is);
    int read_old_row_part(std::istream& is, int r, int block_start, int& block_width);
};

// Writes the subsection as a display form for the result file (a size-0
// matrix writes nothing); in_results escapes its name and labels for the
// markup of the result pages, the operator writes them as they are.
void write_distance_matrix(std::ostream& os, DistMat& DM, bool in_results);
std::ostream& operator<<(std::ostream& os, DistMat& DM);

// Pieces of that subsection: its head down to the MatrixData line, and the
// label line between two line ends (empty without labels).
void write_distance_matrix_head(std::ostream& os, my_string const& name, int size,
                                bool in_results = false);
void write_label_line(std::ostream& os, my_string const* labels, int size,
                      bool in_results = false);

#endif
