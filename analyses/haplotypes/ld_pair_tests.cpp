// Likelihood-ratio tests of linkage disequilibrium between two loci of
// individuals of unknown gametic phase (Slatkin M, Excoffier L 1996,
// Heredity 76; Excoffier L, Slatkin M 1998, Ann Hum Genet 62).
//
// The statistic is LR = 2 (ln L under LD - ln L under LE): haplotype
// frequencies estimated by EM against allele frequencies under linkage
// equilibrium. Its null distribution comes from permuting the alleles of
// one locus over all gene copies, or, with recessive alleles, from samples
// drawn under linkage equilibrium. The draws are made in b blocks of m, so
// that the spread of the block P-values gives the s.d. of P.

#include <algorithm>
#include <cmath>
#include <vector>

#include "analyses/haplotypes/ld_genotypic.h"
#include "analyses/haplotypes/two_locus_em.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/population.h"

namespace {

// The outcome of a pair that is not tested: P 1, nothing computed.
double not_tested(settings& s, double& chi2, double& ln_ld, double& ln_le, int& deg_freedom)
{
    s.ld_pvalue = 1.0;
    s.PrecisionOnPValueLD = 0.0;
    chi2 = ln_ld = ln_le = 0.0;
    deg_freedom = 0;
    return 1.0;
}

}  // namespace

bool pair_is_testable(Population const& sample, int const* loci, bool recessive)
{
    const bool a = sample.is_locus_polymorphic(loci[1]);
    const bool b = sample.is_locus_polymorphic(loci[2]);
    return recessive ? a || b : a && b;
}

double same_statistic_tolerance(int individuals, double epsilon)
{
    const double rounding = 1e-10;
    return std::max(rounding, 8.0 * individuals * epsilon);
}

// The observed statistic of a two-locus table T (restricted to the pair):
// EM under LD into an emptied table H, equilibrium from the allele counts.
static double observed_statistic(Population& sample, TPhenDB& T, TPopHaploDB& H, settings& s,
                                 int const& iterations, double const& epsilon, double& chi2,
                                 double& ln_ld, double& ln_le)
{
    int maxima = 0;
    double f = 0.0;
    ln_ld = sample.calc_ML_hapl_freq_hill95_LD(T, H, s, maxima, 0, f, nullptr, nullptr, 0,
                                               s.InitialCondEMLD, iterations, epsilon);
    ln_le = T.link_equil_ln_likelihood();
    const double lr = 2 * (ln_ld - ln_le);
    chi2 = std::fabs(lr);
    sample.ld_deg_freedom = T.get_num_of_deg_freed();
    return lr;
}

double Population::calc_link_dis_prob(int* loci, TPhenDB const& sample_individuals,
                                      settings& s, long& draws_done, double& chi2,
                                      double& ln_ld, double& ln_le, int const&,
                                      long const& permutations, int const& iterations,
                                      double const& epsilon)
{
    draws_done = 0;
    if (!pair_is_testable(*this, loci, false))
        return not_tested(s, chi2, ln_ld, ln_le, ld_deg_freedom);
    if (loci[0] != 2) {
        E.error(ERROR, "Population::calc_link_dis_prob()", 118);
        return 0.0;
    }
    update_allele_freq();
    TPhenDB T;
    TPopHaploDB H;
    T.create_temp_PhenDB(loci, sample_individuals);
    const double lr = observed_statistic(*this, T, H, s, iterations, epsilon, chi2, ln_ld, ln_le);
    // Without a permutation there is no null distribution: the chi-square
    // stays, P is 1.
    if (permutations < 1) {
        s.ld_pvalue = 1.0;
        s.PrecisionOnPValueLD = 0.0;
        return 1.0;
    }

    // The individuals one per entry, as the permutations shuffle gene copies.
    T.create_temp_PhenDB(loci, sample_individuals);
    T.explode_base();
    TwoLocusEM em;
    if (!em.load(T)) {
        E.error(ERROR, "Population::calc_link_dis_prob()", 118);
        return 0.0;
    }
    PermutationBlocks blocks(permutations, same_statistic_tolerance(T.nb_individuals(), epsilon));
    for (long d = 0; d < blocks.total(); d++) {
        if (s.stop_requested) {
            draws_done = 0;
            return -1000.0;
        }
        em.permute_first_locus();
        double draw_ld = em.ln_likelihood_ld(s, s.InitialCondEMLD, iterations, epsilon);
        blocks.count(2 * (draw_ld - em.ln_likelihood_le()), lr);
    }
    draws_done = blocks.total();
    s.ld_pvalue = blocks.p_value();
    s.PrecisionOnPValueLD = blocks.sd();
    return s.ld_pvalue;
}

double Population::calc_link_dis_recess(int* loci, TPhenDB const& sample_individuals,
                                        settings& s, long& draws_done, double& chi2,
                                        double& ln_ld, double& ln_le, int const&,
                                        long const& permutations, int const& iterations,
                                        double const& epsilon)
{
    const char* where = "Population::calc_link_dis_recess()";
    draws_done = 0;
    if (!pair_is_testable(*this, loci, true))
        return not_tested(s, chi2, ln_ld, ln_le, ld_deg_freedom);
    if (loci[0] != 2) {
        E.error(ERROR, where, 118);
        ln_ld = ln_le = 0.0;
        return 0.0;
    }
    update_allele_freq();
    TPhenDB T;
    TPopHaploDB H;
    T.create_temp_PhenDB(loci, sample_individuals);
    const int n_ind = T.nb_individuals();
    const double lr = observed_statistic(*this, T, H, s, iterations, epsilon, chi2, ln_ld, ln_le);
    if (permutations < 1) {
        s.ld_pvalue = 1.0;
        s.PrecisionOnPValueLD = 0.0;
        return 1.0;
    }

    // The allele frequencies of each locus, the recessive allele included,
    // from which the samples under linkage equilibrium are drawn.
    TPopHaploDB single[2];
    for (int k = 0; k < 2; k++) {
        int one_locus[2] = {1, loci[1 + k]};
        T.create_temp_PhenDB(one_locus, sample_individuals);
        int maxima = 0;
        double f = 0.0;
        calc_ML_hapl_freq_hill95_LD(T, single[k], s, maxima, 0, f, nullptr, nullptr, 0,
                                    s.InitialCondEMLD, iterations, epsilon);
    }

    PermutationBlocks blocks(permutations, same_statistic_tolerance(n_ind, epsilon));
    long seed = 1;
    for (long d = 0; d < blocks.total(); d++) {
        if (s.stop_requested) {
            draws_done = 0;
            return -1000.0;
        }
        T.resample(n_ind, single[0], single[1], seed, alleleDB);
        H.empty();
        T.convert_freq_to_real();
        int maxima = 0;
        double f = 0.0;
        double draw_ld = calc_ML_hapl_freq_hill95_LD(T, H, s, maxima, 0, f, nullptr, nullptr, 0,
                                                     s.InitialCondEMLD, iterations, epsilon);
        double draw_le = T.link_equil_ln_likelihood();
        // A drawn individual without probability counts as extreme.
        if (std::fabs(draw_ld) < -MIN_LN_LIKELIHOOD && std::fabs(draw_le) < -MIN_LN_LIKELIHOOD)
            blocks.count(2 * (draw_ld - draw_le), lr);
        else
            blocks.count_extreme();
    }
    draws_done = blocks.total();
    s.ld_pvalue = blocks.p_value();
    s.PrecisionOnPValueLD = blocks.sd();
    return s.ld_pvalue;
}

double Population::calc_pairwise_LD(int* loci, TPhenDB const& sample_individuals, settings& s,
                                    long& draws_done, double&, double& ln_ld, double& ln_le,
                                    int const& starts, long const& permutations,
                                    int const& iterations, double const& epsilon)
{
    double chi2 = 0;
    if (!pair_is_testable(*this, loci, false))
        return not_tested(s, chi2, ln_ld, ln_le, ld_deg_freedom);
    update_allele_freq();
    TPhenDB T;
    TPopHaploDB H;
    T.create_temp_PhenDB(loci, sample_individuals);
    int maxima = 0;
    double f = 0.0;
    ln_ld = calc_ML_hapl_freq_hill95_LD(T, H, s, maxima, 0, f, nullptr, nullptr, 0, starts,
                                        iterations, epsilon);
    ln_le = T.link_equil_ln_likelihood();
    if (s.stop_requested) {
        draws_done = 0;
        return -1000.0;
    }
    if (permutations < 1) {
        E.error(ERROR, "Population::calc_pairwise_LD()", 154);
        return not_tested(s, chi2, ln_ld, ln_le, ld_deg_freedom);
    }
    const double lr = 2 * (ln_ld - ln_le);
    const double tolerance = same_statistic_tolerance(T.nb_individuals(), epsilon);
    // Entries that stand for several identical individuals keep their two
    // gene copies: the shuffle runs over the entries' gene copies.
    long counted = 0;
    long seed = 1;
    for (long d = 0; d < permutations; d++) {
        T.create_temp_PhenDB(loci, sample_individuals);
        T.permute_alleles(loci, seed);
        H.empty();
        double draw = 2 * (calc_ML_hapl_freq_hill95_LD(T, H, s, maxima, 0, f, nullptr, nullptr, 0,
                                                       starts, iterations, epsilon) -
                           T.link_equil_ln_likelihood());
        if (at_least_observed(draw, lr, tolerance))
            counted++;
    }
    draws_done = permutations;
    s.ld_pvalue = static_cast<double>(counted) / permutations;
    s.PrecisionOnPValueLD = 0.0;
    return s.ld_pvalue;
}
