// The Mantel-test section of a project: the matrices whose correlation with
// the genetic distances between samples is tested.
//
// Minimal form: the section is read past, its keys noted for the project
// reader's end checks, and its Y-matrix type kept for the task checks; the
// matrices and the test come with the population comparisons.
#ifndef DROV_COMPARISONS_MANTEL_H
#define DROV_COMPARISONS_MANTEL_H

#include <fstream>

#include "core/my_string.h"
#include "project/profile_settings.h"

class Mantel {
public:
    // The Y-matrix type of the YMatrix line, lower-cased: "fst", "log_fst",
    // "slatkinlinearfst", "log_slatkinlinearfst", "nm", or "custom" for a Y
    // matrix given in the section. "fst" until a YMatrix line sets it.
    my_string YMatrix;

    Mantel() : YMatrix("fst") {}
    ~Mantel() = default;
    Mantel(Mantel const&) = delete;
    Mantel& operator=(Mantel const&) = delete;

    // Empties the section for the next project of a run list.
    void reset() { YMatrix = "fst"; }

    // Reads the lines of the section from the project stream to its end,
    // adding 1 to lineNo for each; sets each found flag when its key is met.
    // Non-zero on success.
    int NewOpenMantel(std::ifstream& stream, ProfileSettings& profile, int& lineNo,
                      my_string& line, bool& matrixSizeFound, bool& yMatrixFound,
                      bool& matrixNumberFound, bool& yMatrixLabelsFound,
                      bool& distMatMantelFound, bool& usedYMatrixLabelsFound);
};

#endif
