// The lines of the mismatch section (TaskNumber 0x4) shared by the data types: the distance
// matrix and the distribution, the histogram table, and the allele-data form of the section.

#include <cstdint>
#include <iomanip>
#include <ostream>

#include "analyses/popgen/driver_frame.h"
#include "app/settings.h"
#include "core/column.h"

bool PopGenetics::compute_mismatches(DriverCall& call, int scaled)
{
    if (compute_distance_matrix(nullptr, &call.s, scaled) && compute_mm_distr())
        return true;
    call.results << "\nMismatch distribution cannot be computed: "
                    "no distance matrix between the haplotypes\n";
    return false;
}

void PopGenetics::print_mismatch_table(std::ostream& out, int rows) const
{
    out << std::right << std::setw(8) << "#Diff." << std::setw(8) << "Count" << std::setw(12)
        << "Exp. Count" << "\n"
        << std::setw(8) << "------" << std::setw(8) << "-----" << std::setw(12) << "----------"
        << "\n";
    // A count as wide as its column (pairs of many gene copies) stays apart
    // from the one before.
    if (rows == 0 || !MismatchObsCounts || !MismatchExpCounts) {
        const auto pairs = static_cast<std::int64_t>((SampleSize - 1.0) * SampleSize * 0.5);
        out << std::setw(8) << 0 << Column{8} << pairs << Column{8} << 0 << "\n";
        return;
    }
    for (int d = 0; d <= rows; ++d)
        out << std::setw(8) << d << Column{8} << MismatchObsCounts[d] << std::fixed
            << std::showpoint << std::setprecision(3) << Column{12} << MismatchExpCounts[d]
            << "\n";
}

// Microsatellite and standard samples: the table, the moments fit of a sudden expansion
// (Rogers 1995) and its goodness of fit.
void PopGenetics::mismatch_lines(DriverCall& call)
{
    std::ostream& out = call.results;
    take_distance_settings(call.s, call.s.MismatchDistanceMethod, 0.0);
    if (!compute_mismatches(call, 0))
        return;
    print_mismatch_table(out, mismatch_rows());
    out << std::fixed << std::showpoint << std::right << std::setprecision(3)
        << "\n\nMismatch observed mean              : " << std::setw(12) << MismatchObsMean
        << "\nMismatch observed variance          : " << std::setw(12) << MismatchObsVar;
    if (MismatchObsMean > MismatchObsVar || MismatchObsVar <= 1e-7) {
        out << "\n\nImposible to estimate the parameters of the sudden expansion model of Rogers "
               "1995\n"
            << "using the current observed mismatch distribution\n";
        return;
    }
    out << "\n\nParameters estimated under the sudden expansion model of Rogers 1995\n"
        << "\nTheta_0                             : " << std::setw(12) << MismatchTheta0
        << "\nTau                                 : " << std::setw(12) << MismatchTau
        << "\nHarpending's Raggedness index       : " << std::setw(12) << MismatchRaggedness;
    // Fewer than three classes leave no degree of freedom to test.
    if (MismatchChi2DF > 0)
        out << "\n\nTest of goodness of fit between observed and expected mismatch counts \n"
            << "\nChi2 value                          : " << std::setw(15) << MismatchChi2
            << "\nP value                             : " << std::setw(15) << MismatchChi2P
            << " (" << MismatchChi2DF << " d.f.)";
    else
        out << "\n\nImpossible to perform a test of goodness of fit between observed "
            << "\nand expected mismatch counts : Expected distribution could not be computed";
    out << "\n";
}
