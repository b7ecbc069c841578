// The mismatch section of DNA and RFLP samples: the distance method, the observed moments before
// each selected expansion fit, and the observed histogram in the mismatch batch files.

#include <cstdint>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <string>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/popgen/driver_frame.h"
#include "app/glbobj.h"
#include "app/settings.h"

namespace {

std::ostream* mismatch_stream(std::ofstream* stream)
{
    return _MISMATCH_ && stream ? stream : nullptr;
}

// The headings of the two fit blocks of a data type.
struct FitHeadings {
    std::string sudden;
    std::string spatial;
};

// The observed mean and variance before a fit, into the results and the fit's batch line;
// then the fit, unless the distribution has (almost) no variance.
void fit_block(PopGenetics& p, DriverCall& call, std::string const& heading, bool spatial)
{
    std::ostream& out = call.results;
    out << heading << std::fixed << std::showpoint << std::right << std::setprecision(3)
        << "\n\nMismatch observed mean              : " << std::setw(12) << p.MismatchObsMean
        << "\nMismatch observed variance          : " << std::setw(12) << p.MismatchObsVar;
    if (std::ostream* b = mismatch_stream(spatial ? ofs_mismatch_sp3 : ofs_mismatch))
        *b << p.MismatchObsMean << "\t" << p.MismatchObsVar << "\t";
    if (p.MismatchObsVar <= 1e-7) {
        out << "\n\n    The variance of the mismatch distribution is to small,\n"
            << "    no demographic parameters can be estimated." << std::endl;
        return;
    }
    if (spatial) {
        p.est_spatial_mis(&call.s, call.results);
    } else {
        p.est_demog_mis(&call.s, call.results);
        out << std::endl;
    }
}

// `method` closes the opening of the three batch lines of the fits.
void sequence_mismatch_blocks(PopGenetics& p, DriverCall& call, std::string const& method,
                              FitHeadings const& headings)
{
    for (std::ofstream* stream : {ofs_mismatch, ofs_mismatch_sp3, ofs_mismatch_sp4})
        if (std::ostream* b = mismatch_stream(stream)) {
            write_batch_prefix(*b, p.name);
            *b << method;
        }
    if (std::ostream* b = mismatch_stream(ofs_mismatch_sp4))
        *b << "\n";

    if (call.s.MismatchDemogExp)
        fit_block(p, call, headings.sudden, false);
    if (call.s.MismatchSpatialExp)
        fit_block(p, call, headings.spatial, true);

    std::ostream* batch[] = {mismatch_stream(ofs_mismatch), mismatch_stream(ofs_mismatch_sp3),
                             mismatch_stream(ofs_only_mismatch)};
    if (batch[2])
        write_batch_prefix(*batch[2], p.name);
    if (p.mismatch_rows() == 0 || !p.MismatchObsCounts || !p.MismatchExpCounts) {
        const std::int64_t pairs = static_cast<std::int64_t>(p.SampleSize) * (p.SampleSize - 1) / 2;
        for (int i = 0; i < 2; ++i)
            if (batch[i])
                *batch[i] << pairs;
    } else {
        for (int d = 0; d <= p.MaxPairDiff; ++d)
            for (std::ostream* b : batch)
                if (b)
                    *b << p.MismatchObsCounts[d] << "\t";
    }
    for (std::ostream* b : batch)
        if (b)
            *b << std::endl;
}

std::string stars(std::string const& title)
{
    const std::string rule(54, '*');
    return "\n\n" + rule + "\n" + title + "\n" + rule;
}

}  // namespace

const char* PopulDNA::distance_name(int method, const char* unknown)
{
    static const char* const names[] = {
        "Pairwise difference", "Jukes and Cantor", "Kimura 2P", "Proportion of difference",
        "Tajima and Nei", "Tamura", "Tamura and Nei",
    };
    return method >= 0 && method <= 6 ? names[method] : unknown;
}

const char* PopulDNA::distance_batch_code(int method)
{
    static const char* const codes[] = {"#Diff\t", "JC\t", "K2P\t", "%Diff\t",
                                        "TajNei\t", "Tam\t", "TamNei\t"};
    return method >= 0 && method <= 6 ? codes[method] : "#Diff\t";
}

void PopulDNA::mismatch_lines(DriverCall& call)
{
    take_distance_settings(call.s, call.s.MismatchDistanceMethod, call.s.MismatchGammaAValue);
    if (!compute_mismatches(call, 1))
        return;
    std::ostream& out = call.results;
    out << "Distance method : " << distance_name(DistanceMethod, "Pairwise difference");
    std::string method = distance_batch_code(DistanceMethod);
    if (GammaA != 0) {
        out << " (Gamma correction : a=" << GammaA << ")\n\n";
        std::ostringstream gamma;
        gamma << GammaA << "\t";
        method += gamma.str();
    } else {
        out << " (no Gamma correction)\n\n";
        method += " inf\t";
    }
    sequence_mismatch_blocks(*this, call, method,
                             {stars("Parameters estimated under the sudden expansion model:"),
                              stars("Parameters estimated under the spatial expansion model:")});
}

// The histogram table is printed; the blocks have plain headings.
void PopulRFLP::mismatch_lines(DriverCall& call)
{
    take_distance_settings(call.s, call.s.MismatchDistanceMethod, 0.0);
    if (!compute_mismatches(call, 1))
        return;
    std::ostream& out = call.results;
    const char* name = DistanceMethod == 1 ? "Proportion of difference" : "Pairwise difference";
    out << "Distance method : " << name << "\n\n";
    print_mismatch_table(out, mismatch_rows());
    const std::string rule = "\n" + std::string(53, '-');
    sequence_mismatch_blocks(
        *this, call, std::string(name) + " inf\t",
        {"\n\nEstimated parameters from the sudden expansion model:" + rule,
         "\n\nEstimated parameters from the spatial expansion model:" + rule});
}
