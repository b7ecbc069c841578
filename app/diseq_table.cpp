// The locus-by-locus table of significant linkage disequilibrium, written
// after a linkage-disequilibrium test has been run on all pairs of loci.

#include <iomanip>
#include <ostream>
#include <string>

#include "app/settings.h"
#include "core/trimat.h"

int settings::print_diseq_table(TriMat& p_values, int num_loci, int* locus_numbers)
{
    if (results_stream == nullptr)
        return 1;
    std::ostream& out = *results_stream;
    // PrintFlagHistogramLD chooses the cells: 1 the P-values, 2 a mark of
    // significance ('+' or '-'), anything else the diagonal only. A negative
    // P marks a pair that was not tested: "?".
    int width = PrintFlagHistogramLD == 1 ? 7 : (PrintFlagHistogramLD == 2 ? 3 : 2);

    out << "\nTable of significant linkage disequilibrium (significance level=";
    out << std::setprecision(4) << SignificanceLevelLD << "):\n\n";

    std::string rule = "          " + std::string(num_loci * (width + 1), '-');
    out << rule << '\n';
    out << std::setw(8) << "Locus  #" << std::setw(2) << "|";
    for (int i = 0; i < num_loci; ++i)
        out << std::setw(width) << locus_numbers[i] << "|";
    out << '\n' << rule << '\n';

    for (int r = 0; r < num_loci; ++r) {
        out << std::setw(8) << locus_numbers[r] << std::setw(2) << "|";
        for (int c = 0; c < num_loci; ++c) {
            if (locus_numbers[c] == locus_numbers[r]) {
                out << std::setw(width) << "*" << ' ';
                continue;
            }
            double p = locus_numbers[c] < locus_numbers[r] ? p_values(r, c) : p_values(c, r);
            if (p < 0.0 && width != 2)
                out << std::setw(width) << "?" << ' ';  // a pair that was not tested
            else if (width == 7)
                out << std::setw(7) << p << ' ';
            else if (width == 3)
                out << std::setw(3) << (p < SignificanceLevelLD ? "+" : "-") << ' ';
        }
        out << '\n';
    }
    return 1;
}
