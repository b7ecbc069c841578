// Project to Mega file.
//
// Mega takes one character per site, so only data without a locus separator
// are written. All samples are merged into one list of taxa (see
// sequence_export.h), each "#", its label, two blanks and its sequence; the
// labels carry no sample name. The project's distance matrix follows as a
// strict lower triangle without labels, three decimals per distance.
#include <algorithm>
#include <iomanip>

#include "translator/imp_exp.h"
#include "translator/sequence_export.h"

int imp_exp::write_mega()
{
    std::ostream& out = *os;
    if (ProfileSettings::LocusSeparator != 0)
        return refuse("  Impossible to write this data into MEGA format, because each\n"
                      "  character is supposed to be a single allele.\n");
    out << "#mega\n"
        << "TITLE:" << project->profile.Title << '\n';
    write_merge_notes(out, *project, "MEGA");
    out << '\n';
    SequenceLabels labels(0, 0);
    for_each_sequence(*project, labels, [&out](std::string const& label, my_string const& data) {
        out << '#' << label << "  " << data << '\n';
    });
    out << "\n\n";

    DistMat const& matrix = project->dist_mat;
    out << std::fixed << std::setprecision(3) << std::right;
    int rows = std::min(matrix.size, matrix.n);
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < i; ++j)
            out << std::setw(5) << matrix(i, j) << "  ";
        out << '\n';
    }
    return 1;
}
