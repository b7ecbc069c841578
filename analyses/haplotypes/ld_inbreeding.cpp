// The likelihood-ratio test of linkage disequilibrium between two loci of
// individuals of unknown phase, allowing for inbreeding (Slatkin M,
// Excoffier L 1996, Heredity 76; Hill W 1974). Both hypotheses are fitted
// by EM: haplotype frequencies under LD, allele frequencies under LE, each
// with an inbreeding coefficient f when the model is on, so that an excess
// of homozygotes is not read as disequilibrium. The null distribution comes
// from permuting the alleles of one locus over all gene copies.
//
// The EM parameters and the number of permutations may be set in the
// parameter file "HapFreqPar.txt" of the working directory.

#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <string>

#include "analyses/haplotypes/ld_genotypic.h"
#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/math_functions.h"
#include "model/population.h"

namespace {

// The values of "HapFreqPar.txt", one per line in this order.
struct HapFreqParameters {
    int inbreeding = 0;
    double le_switch = 0.0;  // non-zero: the LE fit takes the f of the LD fit
    int starts;
    int compaction = 0;
    int iterations;
    double epsilon;
    long permutations;
};

// Each line starts with its number; the rest of the line is a free label.
// A line that does not start with a number leaves its value as it was.
HapFreqParameters read_hap_freq_parameters(int starts, long permutations, int iterations,
                                           double epsilon)
{
    HapFreqParameters p;
    p.starts = starts;
    p.iterations = iterations;
    p.epsilon = epsilon;
    p.permutations = permutations;
    std::ifstream in("HapFreqPar.txt");
    std::string line;
    for (int k = 1; k <= 8 && std::getline(in, line); k++) {
        char* end = nullptr;
        const double value = std::strtod(line.c_str(), &end);
        if (end == line.c_str())
            continue;
        switch (k) {
        case 1: p.inbreeding = static_cast<int>(value); break;
        case 2: p.le_switch = value; break;
        case 3: p.starts = static_cast<int>(value); break;
        case 4: p.compaction = static_cast<int>(value); break;
        case 5: p.iterations = static_cast<int>(value); break;
        case 7: p.epsilon = value; break;
        case 8: p.permutations = static_cast<long>(value); break;
        default: break;  // line 6 is read and not used
        }
    }
    return p;
}

// The two fits of one two-locus table.
struct PairFit {
    double ln_ld, f_ld;  // LD fit and its f (estimated with the model on)
    double ln_le, f_le;  // LE fit and the f it was given
};

// The fits of one set of loci: the settings of one pair test.
struct PairModel {
    int inbreeding;
    double le_switch;
    int compaction;
    int starts;
    int iterations;
    double epsilon;
};

PairFit fit_both(Population& sample, TPhenDB& T, settings& s, PairModel const& m)
{
    PairFit fit{0, 0.0, 0, 0.0};
    TPopHaploDB H;
    int maxima = 0;
    fit.ln_ld = sample.calc_ML_hapl_freq_hill95_LD(T, H, s, maxima, m.inbreeding, fit.f_ld,
                                                   nullptr, nullptr, m.compaction, m.starts,
                                                   m.iterations, m.epsilon);
    fit.f_le = m.le_switch != 0 ? fit.f_ld : 0.0;
    double f = fit.f_le;
    H.empty();
    fit.ln_le = sample.calc_ML_hapl_freq_hill95_LE(T, H, s, maxima, m.inbreeding, f, nullptr,
                                                   nullptr, 0, 1, m.iterations, m.epsilon);
    return fit;
}

// The values of one fit on the batch line, each followed by a tab.
void write_fit(std::ostream& batch, int inbreeding, PairFit const& fit, double chi2, int df,
               double p_chi2)
{
    batch << inbreeding << '\t' << fit.ln_ld << '\t' << fit.f_ld << '\t' << fit.ln_le << '\t'
          << fit.f_le << '\t' << chi2 << '\t' << df << '\t' << p_chi2 << '\t';
}

double chi_square_probability(int df, double chi2)
{
    return Prob_of_chi_sq(static_cast<float>(df), static_cast<float>(chi2));
}

}  // namespace

double Population::calc_link_dis_prob_fast(int* loci, TPhenDB const& sample_individuals,
                                           settings& s, long& draws_done, double& chi2,
                                           int const& inbreeding, double const& le_switch,
                                           int const& compaction, int const& starts,
                                           long const& permutations, int const& iterations,
                                           double const& epsilon)
{
    draws_done = 0;
    if (!pair_is_testable(*this, loci, false)) {
        s.ld_pvalue = 1.0;
        s.PrecisionOnPValueLD = 0.0;
        chi2 = 0.0;
        ld_deg_freedom = 0;
        return 1.0;
    }
    if (loci[0] != 2) {
        E.error(ERROR, "Population::calc_link_dis_prob()", 118);
        return 0.0;
    }
    std::ostream* batch = _LINKAGE_DISEQUILIBRIUM_ ? ofs_link_dis_pro_inbreeding : nullptr;
    const PairModel model{inbreeding, le_switch, compaction, starts, iterations, epsilon};
    update_allele_freq();
    TPhenDB T;
    T.create_temp_PhenDB(loci, sample_individuals);
    const PairFit observed = fit_both(*this, T, s, model);
    // The permutations compare with this signed statistic, with f when the
    // model is on.
    const double lr = 2 * (observed.ln_ld - observed.ln_le);
    chi2 = std::fabs(lr);
    ld_deg_freedom = T.get_num_of_deg_freed();
    if (batch) {
        write_batch_prefix(*batch, name);
        write_fit(*batch, inbreeding, observed, chi2, ld_deg_freedom,
                  chi_square_probability(ld_deg_freedom, chi2));
    }
    if (inbreeding) {
        const PairFit plain = fit_both(*this, T, s, {0, 0.0, compaction, starts, iterations,
                                                      epsilon});
        chi2 = std::fabs(2 * (plain.ln_ld - plain.ln_le));
        ld_deg_freedom = T.get_num_of_deg_freed();
        if (batch)
            write_fit(*batch, 0, plain, chi2, ld_deg_freedom,
                      chi_square_probability(ld_deg_freedom, chi2));
    }
    // Without a permutation there is no null distribution (the caller has
    // said so in the log): P 1 with none done, and no P on the batch line.
    if (permutations < 1) {
        if (batch)
            *batch << "\tN.A.\t" << permutations << "\n";
        s.ld_pvalue = 1.0;
        s.PrecisionOnPValueLD = 0.0;
        return 1.0;
    }

    PermutationBlocks blocks(permutations, same_statistic_tolerance(T.nb_individuals(), epsilon));
    long seed = 1;
    for (long d = 0; d < blocks.total(); d++) {
        if (s.stop_requested) {
            // The batch line still ends, so that the next one starts afresh.
            if (batch)
                *batch << "\n";
            draws_done = 0;
            return -1000.0;
        }
        T.create_temp_PhenDB(loci, sample_individuals);
        T.explode_base();
        loci[0] = 1;
        T.permute_alleles(loci, seed);
        loci[0] = 2;
        const PairFit draw = fit_both(*this, T, s, model);
        blocks.count(2 * (draw.ln_ld - draw.ln_le), lr);
    }
    draws_done = blocks.total();
    s.ld_pvalue = blocks.p_value();
    s.PrecisionOnPValueLD = blocks.sd();
    if (batch)
        *batch << '\t' << s.ld_pvalue << '\t' << permutations << "\n";
    return s.ld_pvalue;
}

void Population::calc_all_link_dis_fast(std::fstream& out, TPhenDB const& sample_individuals,
                                        settings& s, int const& starts,
                                        long const& permutations, int const& iterations,
                                        double const& epsilon)
{
    const char* const where = "Population::calc_all_link_dis_fast()";
    if (sample_individuals.phenotypes.count == 0) {
        E.error(WARNING, where, 152);
        return;
    }
    const HapFreqParameters p = read_hap_freq_parameters(starts, permutations, iterations, epsilon);
    const int n = sample_individuals.num_loci();
    print_ld_test_header(out, s, permutations, n);
    if (p.permutations < 1 && n > 1)
        E.error(ERROR, where, 154);

    for (int i = 1; i < n; i++) {
        for (int j = 0; j < i; j++) {
            s.ld_pvalue = 1.0;
            int loci[3] = {2, j, i};
            long draws_done = 0;
            double chi2 = 0;
            if (s.RecessiveAllelesEM) {
                out << "\nThe linkage disequilibrium test with inbreeding is not possible with "
                       "recessive data"
                    << std::endl;
                s.PrecisionOnPValueLD = 0.0;
                ld_deg_freedom = 0;
            } else {
                calc_link_dis_prob_fast(loci, sample_individuals, s, draws_done, chi2,
                                        p.inbreeding, p.le_switch, p.compaction, p.starts,
                                        p.permutations, p.iterations, p.epsilon);
            }
            // A pair that was not tested, or drew no permutation, has no
            // exact P: it says so instead of printing one.
            const bool tested = pair_is_testable(*this, loci, false);
            if (s.MakeExactTestLD)
                out << "Pair(" << j << ", " << i << ") : ";
            if (!tested) {
                out << "not tested: a locus of the pair is monomorphic\n";
                continue;
            }
            if (s.MakeExactTestLD && draws_done > 0)
                out << std::fixed << std::showpoint << std::right << std::setprecision(5)
                    << "Exact P= " << std::setw(8) << s.ld_pvalue << "  +-  " << std::setw(8)
                    << s.PrecisionOnPValueLD << " (" << draws_done << " permutations done)   ";
            else if (s.MakeExactTestLD)
                out << "Exact P= not tested (no permutation)   ";
            print_chi_square_line(out, chi2, ld_deg_freedom);
        }
    }
}
