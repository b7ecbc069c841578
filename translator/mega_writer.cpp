// Project to Mega file.
//
// Mega takes one character per site, so only data without a locus separator
// are written, and haplotype frequencies without sequences are refused. All
// samples are merged into one list of taxa (see sequence_export.h); the notes
// on merging and on genotypic data are no Mega statements, so they go to the
// console and the log. Each taxon is "#", its label, two blanks and its
// sequence; the labels carry no sample name. The project's distance matrix
// follows as a strict lower triangle without labels, three decimals per
// distance.
#include <algorithm>
#include <iomanip>

#include "translator/imp_exp.h"
#include "translator/sequence_export.h"

int imp_exp::write_mega()
{
    if (ProfileSettings::DataType == FREQUENCY)
        return refuse_frequencies("MEGA");
    if (ProfileSettings::LocusSeparator != 0)
        return refuse_long_alleles("MEGA");
    tell_merge_notes(*project, "MEGA");
    std::ostream& out = *os;
    out << "#mega\n"
        << "TITLE:" << project->profile.Title << "\n\n";
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
