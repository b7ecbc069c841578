// The Hardy-Weinberg exact test of a sample with its report (Guo S, Thompson
// E 1992, Biometrics 48; Levene H 1949), and the observed and expected
// heterozygosity of each locus (Nei M 1987, Molecular Evolutionary Genetics).
//
// The test runs locus by locus and, when the gametic phase is known, on whole
// gene copies taken as the alleles of one locus. The setting
// PrecisionOnPValueHW doubles as the slot of each chain's s.d.; the report
// puts its value back after printing each result, so that every chain reads
// the precision the settings file asked for.

#include <iomanip>
#include <string>
#include <vector>

#include "analyses/haplotypes/coded_genotypes.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/population.h"

namespace {

// The whole-haplotype test runs in batches beyond this chain length.
const long kLongestSingleChain = 200000;

void print_chain_lengths(std::ostream& out, const char* what, settings const& s)
{
    out << "\nExact test using a Markov chain (for all " << what << "):"
        << "\nForecasted chain length     :" << s.MarkovChainStepsHW
        << "\nDememorization steps        :" << s.MarkovChainDememorisationStepsHW << "\n\n";
}

void print_rule(std::ostream& out)
{
    out << std::string(72, '-') << "\n";
}

}  // namespace

void Population::compute_locus_heterozygosity(int const& locus, double& observed,
                                              double& expected, int& genotypes)
{
    observed = expected = 0.0;
    genotypes = 0;
    CodedGenotypes coded;
    if (!code_locus_genotypes(individuals, locus, profile.MissingData, coded))
        return;
    std::vector<long> allele_counts(coded.num_alleles, 0);
    long n = 0;
    long heterozygotes = 0;
    for (CodedGenotype const& g : coded.genotypes) {
        n += g.count;
        if (g.first != g.second)
            heterozygotes += g.count;
        allele_counts[g.first] += g.count;
        allele_counts[g.second] += g.count;
    }
    if (n == 0)
        return;
    const double copies = 2.0 * n;
    double sum_sq = 0.0;
    for (long a : allele_counts)
        sum_sq += (a / copies) * (a / copies);
    observed = static_cast<double>(heterozygotes) / n;
    expected = copies / (copies - 1.0) * (1.0 - sum_sq);
    genotypes = static_cast<int>(n);
}

void Population::make_all_hw(std::fstream& out, TPhenDB const& sample_individuals,
                             long const& steps, settings& s)
{
    if (sample_individuals.phenotypes.count == 0) {
        E.error(WARNING, "Population::make_all_hw()", 152);
        return;
    }
    const double precision = s.PrecisionOnPValueHW;
    const int L = sample_individuals.num_loci();
    const bool phase_known = profile.GameticPhase != 0;
    const bool loci_tested = s.MakeHWExactTest && (s.TypeOfTestHW != 1 || !phase_known);
    const bool haplotypes_tested =
        s.MakeHWExactTest && (s.TypeOfTestHW == 1 || s.TypeOfTestHW == 2) && phase_known;
    // The chains refuse such a length themselves (P 1, 0 steps); one line
    // tells why for the whole sample.
    if (steps < 1 && (loci_tested || haplotypes_tested))
        E.error(ERROR, "Population::make_all_hw()", 154);

    out << std::right;
    if (!(s.TypeOfTestHW == 1 && phase_known))
        print_chain_lengths(out, "Loci", s);
    print_rule(out);
    out << std::setw(5) << "Locus" << std::setw(8) << "#Genot" << std::setw(15) << "Obs.Het."
        << std::setw(13) << "Exp.Het." << std::setw(10) << "P-value" << std::setw(9) << "s.d."
        << std::setw(13) << "Steps done\n";
    print_rule(out);

    for (int locus = 1; locus <= L; ++locus) {
        int dims[2] = {1, locus - 1};
        s.hw_pvalue = 1.0;
        if (loci_tested) {
            out << std::setw(5) << locus;
            long steps_done = 0;
            double aux = 0.0;
            make_hw_test2(steps, aux, s, steps_done, dims);
            if (monomorphic_locus) {
                out << "   This locus is monomorphic: no test done.";
            } else {
                double observed, expected;
                int genotypes;
                compute_locus_heterozygosity(locus - 1, observed, expected, genotypes);
                out << std::fixed << std::setprecision(5) << std::setw(8) << genotypes
                    << std::setw(14) << observed << std::setw(13) << expected << std::setw(11)
                    << s.hw_pvalue << std::setw(9) << s.PrecisionOnPValueHW << std::setw(12)
                    << steps_done;
            }
            s.PrecisionOnPValueHW = precision;
        }
        out << "\n";
    }
    print_rule(out);

    if (haplotypes_tested) {
        print_chain_lengths(out, "Haplotypes", s);
        out << "Markov Chain test:  P value : ";
        // A test that finds fewer than two gene copies, or is stopped,
        // leaves the slot alone: it must then show 1, not the last locus's P.
        s.hw_pvalue = 1.0;
        int dims[2] = {1, -1};
        long steps_done = 0;
        double aux = 0.0;
        if (steps <= kLongestSingleChain)
            make_hw_test2(steps, aux, s, steps_done, dims);
        else
            make_hw_test3(steps, aux, s, steps_done, dims);
        out << std::fixed << std::setprecision(5) << s.hw_pvalue << " +/- " << std::setw(10)
            << s.PrecisionOnPValueHW << std::setw(8) << " (" << steps_done << " steps done\n";
        s.PrecisionOnPValueHW = precision;
    }
    out << "\n" << std::endl;
}
