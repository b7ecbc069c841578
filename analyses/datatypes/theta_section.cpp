// The theta estimators at the end of the molecular-diversity section, as each data type prints
// them: theta(H), theta(k) with its interval, theta(S) and theta(pi), and the "theta.sum" line.

#include <ctime>
#include <iomanip>
#include <ostream>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "analyses/popgen/driver_frame.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "project/project_file_lines.h"

namespace {

// The theta batch line opened with the sample's prefix, or null when not selected.
std::ostream* open_theta_batch(PopGenetics const& p)
{
    if (!_THETA_ || !ofs_theta)
        return nullptr;
    write_batch_prefix(*ofs_theta, p.name);
    return ofs_theta;
}

void batch_value(std::ostream* batch, double value, const char* label)
{
    if (batch)
        *batch << std::fixed << std::showpoint << std::setprecision(6) << value << label;
}

// "<label right-aligned in 20><value fixed in 12, 6 decimals>".
void theta_line(std::ostream& out, const char* label, double value)
{
    out << std::fixed << std::showpoint << std::right << std::setprecision(6) << std::setw(20)
        << label << std::setw(12) << value;
}

// theta(S) from the sites with substitutions and theta(pi) from the mean number of pairwise
// differences, which needs the section's distance matrix.
void theta_S_and_pi(PopGenetics& p, DriverCall& call, int S, std::ostream* batch)
{
    std::ostream& out = call.results;
    const int bits = call.s.ComputeTheta;
    if (bits & settings::THETA_S) {
        out << "\n";
        theta_line(out, "Theta(S) : ", p.theta_S(static_cast<int>(p.SampleSize), S));
        out << "\n";
        theta_line(out, "S.D. Theta(S) : ", p.ThetaSSD);
        out << std::endl;
        batch_value(batch, p.ThetaS, "\t(S)\t");
    }
    if (!(bits & settings::THETA_PI))
        return;
    if (!p.HaplDistMat) {
        out << "\nUnable to compute Theta(Pi): no distance matrix between the haplotypes\n";
        return;
    }
    out << "\n";
    theta_line(out, "Theta(Pi) : ", p.theta_pi(p.MeanPairDiff));
    out << "\n";
    theta_line(out, "S.D. Theta(Pi) : ", p.ThetaPiSD);
    out << "\n";
    batch_value(batch, p.ThetaPi, "\t(Pi)\t");
}

// What the DNA and RFLP drivers write differently around theta(k): the indent of the console
// lines, the width of the interval's limits, and whether the console says why the interval is
// left out.
struct ThetaKLayout {
    const char* indent;
    int limit_width;
    bool note_without_interval;
};

// The standard driver writes as the DNA driver does.
const ThetaKLayout kDnaThetaK{"\t\t", 12, true};
const ThetaKLayout kRflpThetaK{"\t\t\t", 10, false};

// theta(k) with its interval, when 2 <= k < n, after the console lines of the table; "(k)" in
// the batch line with the interval.
void print_theta_k(PopGenetics& p, DriverCall& call, ThetaKLayout const& layout,
                   std::ostream* batch)
{
    std::ostream& out = call.results;
    const int n = static_cast<int>(p.SampleSize);
    const int k = p.alleles_in_sample();
    if (k >= p.SampleSize) {
        out << "\nUnable to compute Theta(k) when all gene copies are different" << std::endl;
        return;
    }
    if (k < 2) {
        out << "\nUnable to compute Theta(k) when there is a single haplotype in the sample"
            << std::endl;
        return;
    }
    const std::clock_t start = std::clock();
    *_ZOS_ << layout.indent << "Computing BMat ..." << "\n";
    if (!p.get_B_num_mat()) {
        *_ZOS_ << "\t\t\tFile 500k100.bnb not found... skipping task !\n";
        return;
    }
    *_ZOS_ << layout.indent << "done ! (" << milliseconds_since(start) << " ms)" << std::endl;
    bool limits = false;
    out << "\n";
    theta_line(out, "Theta(k) : ", p.theta_k(n, k, 0.05, limits));
    if (!limits) {
        if (layout.note_without_interval)
            *_ZOS_ << "\t\t\tToo many aleles or gene copies in sample to compute Theta(k)\n";
        if (PopGenetics::refused_for_overflow(n, k)) {
            out << "\n95 % confidence interval limits for theta(k) not computed";
            PopGenetics::explain_table_refusal(out, n, k);
            out << "\n";
        }
        out << std::endl;
        return;
    }
    out << "\n95 % confidence interval limits for theta(k) : [ " << std::setw(layout.limit_width)
        << p.ThetaKLow << ", " << std::setw(layout.limit_width) << p.ThetaKHigh << " ]\n";
    batch_value(batch, p.ThetaK, "\t(k)\t");
}

}  // namespace

// theta(H) and theta(k) unless every gene copy differs, then theta(S) and theta(pi).
void PopulDNA::theta_lines(DriverCall& call)
{
    std::ostream& out = call.results;
    std::ostream* batch = open_theta_batch(*this);
    const int bits = call.s.ComputeTheta;
    if (SampleSize != num_haplotypes) {
        if (bits & settings::THETA_HOM) {
            print_theta_Hom(out);
            batch_value(batch, ThetaHom, "\t(Hom)\t");
        }
        if ((bits & settings::THETA_K) && call.haplotypes_known())
            print_theta_k(*this, call, kDnaThetaK, batch);
    } else {
        if (bits & settings::THETA_HOM)
            out << "\nUnable to compute Theta(Hom) when all gene copies are different" << std::endl;
        if (bits & settings::THETA_K)
            out << "\nUnable to compute Theta(k) when all gene copies are different" << std::endl;
    }
    theta_S_and_pi(*this, call, NumSubstitutionSites, batch);
    if (batch)
        *batch << "\n";
}

// As for DNA, with one line when every gene copy differs and no batch line.
void PopulRFLP::theta_lines(DriverCall& call)
{
    std::ostream& out = call.results;
    const int bits = call.s.ComputeTheta;
    if (SampleSize != num_haplotypes) {
        if (bits & settings::THETA_HOM)
            print_theta_Hom(out);
        if ((bits & settings::THETA_K) && call.haplotypes_known())
            print_theta_k(*this, call, kRflpThetaK, nullptr);
    } else {
        out << "\nUnable to compute theta(Hom) and theta(k) when all gene copies are different"
            << std::endl;
    }
    theta_S_and_pi(*this, call, NumSubstitutionSites, nullptr);
}

// theta(H) alone under the infinite-allele model; the batch line always.
void PopulMicrosat::theta_lines(DriverCall& call)
{
    std::ostream& out = call.results;
    const int bits = call.s.ComputeTheta;
    if (bits & (settings::THETA_HOM | settings::THETA_S | settings::THETA_K | settings::THETA_PI))
        out << "\nUnable to compute some theta values for microsatellite data type\n";
    if (bits & settings::THETA_HOM) {
        if (SampleSize != num_haplotypes) {
            out << "\nInfinite allele model:\n\n";
            theta_line(out, "Theta(Hom) : ", calc_theta_Hom());
            out << "\n";
            theta_line(out, "S.D. Theta(Hom) : ", ThetaHomSD);
            out << "\n";
        } else {
            out << "\nUnable to compute theta(Hom) when all gene copies are different\n";
        }
    }
    if (std::ostream* batch = open_theta_batch(*this)) {
        batch_value(batch, ThetaHom, "\t(Hom)\t");
        *batch << "\n";
    }
}

// theta(H) and theta(k); theta(S) and theta(pi) have no meaning for standard data.
void PopulStandard::theta_lines(DriverCall& call)
{
    std::ostream& out = call.results;
    const int bits = call.s.ComputeTheta;
    if (SampleSize == num_haplotypes) {
        out << "\nUnable to compute theta(Hom) and theta(k) when all gene copies are different"
            << std::endl;
    } else {
        if (bits & settings::THETA_HOM)
            print_theta_Hom(out);
        if ((bits & settings::THETA_K) && call.haplotypes_known())
            print_theta_k(*this, call, kDnaThetaK, nullptr);
    }
    if (bits & settings::THETA_S)
        out << "\nUnable to compute theta(S) for standard data type " << std::endl;
    if (bits & settings::THETA_PI)
        out << "\nUnable to compute theta(Pi) for standard data type " << std::endl;
}
