// The Mantel test between matrices of distances among population samples,
// and the project's Mantel record that holds its setup and its last result.
//
// Y (genetic distances: the pairwise FST matrix transformed by the Y type, or
// a matrix given by the user) is correlated with one or two matrices given by
// the user, X1 and X2 (for example geographic distances); the correlations
// are tested by permuting the rows and columns of Y. The user's matrices and
// the labels of their rows come from the Mantel section of the project file:
// mantel_section.cpp reads the current syntax, mantel_old_reader.cpp the
// older identifier syntax; the test and its report are in mantel_test.cpp
// and mantel_print.cpp, its statistics those of TCorrelMat.
//
// The record is a member of the project: built with it, emptied by reset()
// after each project of a run list.
#ifndef DROV_COMPARISONS_MANTEL_H
#define DROV_COMPARISONS_MANTEL_H

#include <fstream>
#include <memory>
#include <ostream>

#include "comparisons/correl_mat.h"
#include "core/my_string.h"
#include "core/rectmat.h"
#include "core/trimat.h"
#include "core/value_array.h"
#include "project/profile_settings.h"

class Population;
class settings;

class Mantel : public TCorrelMat {
public:
    // --- Setup read from the project file ---
    int MatrixNumber;   // matrices of the test, Y included: 2 or 3; 0 without a section
    // Matrices accounted for: the YMatrix line sets 0 ("custom") or 1, each
    // matrix block adds 1 and so chooses its matrix (1 Y, 2 X1, 3 X2).
    int MatricesRead;
    TriMat Matrix1;     // X1, MatrixSize rows
    TriMat Matrix2;     // X2, used with MatrixNumber 3
    TriMat MatrixY;     // the user's Y, used with the type "custom"
    MY_TArrayAsVector<my_string> UsedYMatrixLabels;  // the rows of the test, in order
    ProfileSettings Profile;  // the project's profile; its settings serve the test's output
    my_string YMatrix;        // one of YTypes; "fst" until a YMatrix line sets it
    static const int NumYTypes = 6;
    my_string YTypes[NumYTypes];  // "fst" ... "nm", "custom", written by init_YTypes
    int MatrixSize;     // rows of each user matrix; 0 while undefined
    std::unique_ptr<my_string[]> YMatrixLabels;  // MatrixSize row labels, or none

    Mantel();
    // As Mantel(), but the three user matrices get n rows of zeros.
    explicit Mantel(int n);
    ~Mantel() = default;
    Mantel(Mantel const&) = delete;
    Mantel& operator=(Mantel const&) = delete;

    // Empties the setup for the next project: no size, labels or used
    // labels, type "fst", the matrices zeroed (they keep their rows), no
    // matrix counted. The profile and the last statistics stay.
    void reset();
    // Writes the six Y type names into YTypes.
    void init_YTypes();

    // --- The Mantel section, current syntax (mantel_section.cpp) ---
    // Reads the rest of the project file as the section: lineNo counts the
    // lines read, line holds the last one on return, each flag is set when
    // its keyword is met. 1 when the section was accepted (the profile is
    // then copied into Profile), 0 after a reported error.
    int NewOpenMantel(std::ifstream& stream, ProfileSettings& profile, int& lineNo,
                      my_string& line, bool& matrixSizeFound, bool& yMatrixFound,
                      bool& matrixNumberFound, bool& yMatrixLabelsFound,
                      bool& distMatMantelFound, bool& usedYMatrixLabelsFound);
    // One matrix block of MatrixSize rows (lower triangle with its diagonal)
    // into matrix; an inline block ends with '}'. 1, or 0 after a report.
    int newReadMatrixData(std::ifstream& stream, TriMat& matrix, bool external, int& lineNo);

    // --- The Mantel subsection, older syntax (mantel_old_reader.cpp) ---
    // Reads the subsection from after its header; 1, or 0 after a report.
    int get_settings(std::ifstream& in);
    // The value of one identifier (lower case): 1, or 0 after a report.
    int read_id_content(std::ifstream& in, my_string identifier);
    // One matrix block, written in column blocks, into matrix (MatrixY,
    // Matrix1 or Matrix2): 1, or 0 at a value it cannot take.
    int read_MatrixData(std::istream& in, TriMat& matrix);
    // The full name of an external matrix file: in the run's result folder
    // unless the name holds a folder.
    my_string build_ext_name(my_string const& name) const;

    // --- The test (mantel_test.cpp, mantel_print.cpp) ---
    // The whole test on the used labels and its report in out. fst is the
    // pairwise FST matrix of the level, one row per population of pops (in
    // that order); a "custom" Y does not read it. P permutations. Nothing is
    // written without used labels, or when MatrixNumber is not 2 or 3.
    // Returns 1.0.
    double do_mantel_test(TriMat& fst, Population** pops, int const& npops, std::ostream* out,
                          int const& P);
    // The test asked for at one level, or the Mantel section's account of
    // why it did not run, in the results and the log: the project has no
    // Mantel section, or Y is built from FST and fst is null (the pairwise
    // FST matrix was not computed).
    void run_asked_test(settings& s, TriMat* fst, Population** pops, int npops);
    // Cell (i, j) of Y by the Y type: from fst, or from MatrixY for "custom".
    double FstMatr_funct(int i, int j, TriMat& fst);
    // The statistics block and the significance block for MatrixNumber.
    void print_correlations(std::ostream& os);
    void print_p_values(std::ostream& os);

    // True when a MatrixSize can be had: each matrix's cell count fits an
    // int and the three matrices fit in memory.
    static bool size_fits(double size);

private:
    int read_distmatmantel(std::ifstream& in);
    // The section's entries in the navigation tree (s null: none) and its banner.
    static void print_heading(settings* s, bool group_level, std::ostream& out);
};

// The Y type, the size, the row labels and X1 as a "[[DistanceMatrix]]"
// subsection, in the layout of the distance matrices; nothing without a size.
std::ostream& operator<<(std::ostream& os, Mantel& mantel);

#endif
