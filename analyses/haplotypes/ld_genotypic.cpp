// The linkage-disequilibrium test of every pair of loci of individuals of
// unknown gametic phase (Slatkin M, Excoffier L 1996, Heredity 76), with its
// histogram of linked loci, the LD histogram file and the table of
// significant pairs; and the allele frequencies of the sample that the
// equilibrium likelihood reads.

#include <fstream>
#include <iomanip>
#include <string>
#include <vector>

#include "analyses/haplotypes/ld_genotypic.h"
#include "analyses/popgen/ld_file.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/math_functions.h"
#include "core/trimat.h"
#include "model/population.h"

namespace {

const char* const kAllPairs = "Population::calc_all_link_des(";

// The histogram of linked loci per locus in the results.
void print_linked_loci_histogram(std::ostream& out, int n, int const* locus_numbers,
                                 int const* linked)
{
    const std::string rule(69, '-');
    out << "\n\nHistogram of the number of linked loci per locus\n\n" << rule << "\nLocus: ";
    for (int k = 0; k < n; k++)
        out << std::setw(5) << locus_numbers[k];
    out << "\n" << rule << "\n       ";
    for (int k = 0; k < n; k++)
        out << std::setw(5) << linked[k];
    out << "\n" << rule << "\n\n";
}

// The lines of one pair: identification and exact P when asked, then always
// the chi-square line. A pair with a monomorphic locus is not tested at all;
// without a permutation drawn there is no exact P.
void print_pair(std::ostream& out, settings const& s, int j, int i, double ln_ld, double ln_le,
                long draws_done, double chi2, int df, bool tested)
{
    out << std::fixed << std::showpoint << std::right << std::setprecision(5);
    if (s.MakeExactTestLD)
        out << "Pair(" << j << ", " << i << ")\n";
    if (!tested) {
        out << "          not tested: a locus of the pair is monomorphic\n";
        return;
    }
    if (s.MakeExactTestLD) {
        out << "          LnLHood LD : " << std::setw(10) << ln_ld << "          LnLHood LE : "
            << std::setw(10) << ln_le << "\n";
        if (draws_done > 0)
            out << "          Exact P= " << std::setw(8) << s.ld_pvalue << "  +-  " << std::setw(8)
                << s.PrecisionOnPValueLD << " (" << draws_done << " permutations done)   ";
        else
            out << "          Exact P= not tested (no permutation)   ";
    }
    print_chi_square_line(out, chi2, df);
}

}  // namespace

void print_chi_square_line(std::ostream& out, double chi2, int df)
{
    float p = Prob_of_chi_sq(static_cast<float>(df), static_cast<float>(chi2));
    out << std::fixed << std::showpoint << std::right << std::setprecision(5);
    out << "  Chi-square test value=" << std::setw(8) << chi2 << " (P = " << std::setw(8) << p
        << ",  " << df << " d.f." << ")\n";
}

void print_ld_test_header(std::ostream& out, settings const& s, long permutations, int num_loci)
{
    out << "\n\nTest of linkage disequilibrium for all pairs of loci:\n"
        << std::string(53, '-') << "\n\n\n"
        << (s.RecessiveAllelesEM ? "Resampling test using the EM algorithm (recessive data)"
                                 : "Permutation test using the EM algorithm")
        << "\nNumber of permutations               : " << permutations
        << "\nNumber of initial conditions for EM  : " << s.InitialCondEMLD << "\n\n";
    if (num_loci == 1)
        out << "\nThe permutation test is not possible with only 1 locus" << std::endl;
}

void Population::calc_all_link_dis(std::fstream& out, TPhenDB const& sample_individuals,
                                   settings& s, int const& starts, long const& permutations,
                                   int const& iterations, double const& epsilon)
{
    if (sample_individuals.phenotypes.count == 0) {
        E.error(WARNING, "Population::calc_all_link_dis()", 152);
        return;
    }
    const int n = sample_individuals.num_loci();
    TriMat p_values(n);
    std::vector<int> linked(n, 0);
    std::vector<int> locus_numbers(n);
    for (int k = 0; k < n; k++)
        locus_numbers[k] = k;

    const bool recessive = s.RecessiveAllelesEM != 0;
    print_ld_test_header(out, s, permutations, n);
    // The pair tests refuse such a count themselves (P 1, no permutation);
    // one line tells why for the whole sample.
    if (permutations < 1 && n > 1)
        E.error(ERROR, "Population::calc_all_link_dis()", 154);

    for (int i = 1; i < n; i++) {
        for (int j = 0; j < i; j++) {
            s.ld_pvalue = 1.0;
            int loci[3] = {2, j, i};
            long draws_done = 0;
            double chi2 = 0, ln_ld = 0, ln_le = 0;
            if (recessive)
                calc_link_dis_recess(loci, sample_individuals, s, draws_done, chi2, ln_ld, ln_le,
                                     starts, permutations, iterations, epsilon);
            else
                calc_link_dis_prob(loci, sample_individuals, s, draws_done, chi2, ln_ld, ln_le,
                                   starts, permutations, iterations, epsilon);
            const bool tested = pair_is_testable(*this, loci, recessive);
            // An exact P exists only for a pair with permutations drawn: the
            // others are "not tested" in the table of significant pairs.
            p_values(i, j) = draws_done > 0 ? s.ld_pvalue : -1.0;
            print_pair(out, s, j, i, ln_ld, ln_le, draws_done, chi2, ld_deg_freedom, tested);
            if (draws_done > 0 && s.ld_pvalue < s.SignificanceLevelLD) {
                linked[i]++;
                linked[j]++;
            }
        }
    }

    print_linked_loci_histogram(out, n, locus_numbers.data(), linked.data());
    // The test turns the histogram file on for good: the first sample's
    // histogram goes there too.
    if (s.PrintFlagHistogramLD != 3)
        s.PrintFlagHistogramLD = 2;
    make_xl_file(s.ld_file.str, n, linked.data());
    s.print_diseq_table(p_values, n, locus_numbers.data());
}

void Population::update_allele_freq()
{
    if (!alleleDB)
        return;
    const bool unknown_phase = profile.GenotypicData && !profile.GameticPhase;
    for (int locus = 0; locus < alleleDB->loci.count; locus++) {
        // Allele counts of this locus, in order of first appearance.
        std::vector<std::pair<TAllele*, double>> tally;
        auto add = [&tally](TAllele* a, double weight) {
            if (!a)
                return;
            for (auto& t : tally)
                if (t.first == a) {
                    t.second += weight;
                    return;
                }
            tally.emplace_back(a, weight);
        };
        if (unknown_phase) {
            for (int i = 0; i < individuals.phenotypes.count; i++) {
                TPhenotype const* p = individuals.phenotypes.data[i];
                add(p->allele_at(0, locus), p->count);
                add(p->allele_at(1, locus), p->count);
            }
        } else {
            for (int i = 0; i < haplotypes.count; i++) {
                HaploDef const* h = haplotypes.data[i]->haplotype;
                if (h && locus < h->haplovect.count)
                    add(h->haplovect.data[locus], haplotypes.data[i]->count);
            }
        }
        double total = 0;
        for (auto const& t : tally)
            total += t.second;
        if (tally.empty() || !(total > 0)) {
            E.error(ERROR, "Population::update_allele_freq()", 158);
            return;
        }
        for (auto const& t : tally)
            t.first->count = t.second / total;
    }
}

void Population::make_xl_file(char const* path, int num_loci, int const* linked_counts)
{
    std::ofstream file;
    if (!open_ld_file(file, path, "Population::make_xl_file()"))
        return;
    file << "Histogram for population : " << name << "\n\n"
         << "Loci \t  Number of linked loci\t Polymorphic Locus" << "\n";
    for (int k = 0; k < num_loci; k++)
        file << k << "\t" << linked_counts[k] << "\t"
             << (is_locus_polymorphic(k) ? "1" : "0") << "\n";
    file << "\n\n";
}

void Population::calc_all_pairwise_LDs(TPhenDB const& sample_individuals, settings& s,
                                       int* selected, double const& alpha,
                                       double const& fraction, int const& starts,
                                       long const& permutations, int const& iterations,
                                       double const& epsilon)
{
    const int n = sample_individuals.num_loci();
    std::vector<int> linked(n, 0);
    for (int k = 0; k < n; k++)
        selected[k] = 0;
    if (n == 0 || !locus_polymorphic) {
        E.error(WARNING, kAllPairs, 152);
        return;
    }
    for (int i = 0; i < n; i++) {
        if (!is_locus_polymorphic(i))
            continue;
        for (int j = 0; j < i; j++) {
            if (!is_locus_polymorphic(j))
                continue;
            s.ld_pvalue = 1.0;
            int loci[3] = {2, j, i};
            long draws_done = 0;
            double chi2 = 0, ln_ld = 0, ln_le = 0;
            double P = s.RecessiveAllelesEM
                           ? calc_link_dis_recess(loci, sample_individuals, s, draws_done, chi2,
                                                  ln_ld, ln_le, starts, permutations, iterations,
                                                  epsilon)
                           : calc_pairwise_LD(loci, sample_individuals, s, draws_done, chi2,
                                              ln_ld, ln_le, starts, permutations, iterations,
                                              epsilon);
            // A stopped test (-1000) links nothing.
            if (P >= 0 && P < alpha) {
                linked[i]++;
                linked[j]++;
            }
        }
    }
    for (int k = 0; k < n; k++)
        if (static_cast<double>(linked[k]) / n > fraction)
            selected[k] = 1;
}
