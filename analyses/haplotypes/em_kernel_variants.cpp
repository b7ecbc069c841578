// Variants of the EM estimation of haplotype frequencies (em_kernel.cpp):
// frequencies held at linkage equilibrium, the inbreeding coefficient as the
// root of its likelihood equation (Hill W 1974), and the older kernel
// without inbreeding that runs on the individuals' own E and M steps
// (Excoffier L, Slatkin M 1995, Mol Biol Evol 12).

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "analyses/haplotypes/em_maxima.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/population.h"

double Population::calc_ML_hapl_freq_hill95_LE(TPhenDB& sample_individuals, TPopHaploDB& table,
                                               settings& s, int& num_maxima,
                                               int const& inbreeding, double& inbreeding_coeff,
                                               TPopHaploDB* given, int* given_mask,
                                               int const& compaction, int const& starts,
                                               int const& iterations, double const& epsilon)
{
    const EMModel model{"Population::calc_ML_hapl_freq_hill95_LE()", inbreeding != 0, false,
                        true};
    return fit_haplotype_frequencies(model, sample_individuals, table, s, num_maxima,
                                     inbreeding_coeff, given, given_mask, compaction, starts,
                                     iterations, epsilon);
}

double Population::calc_ML_hapl_freq_HWD_LD(TPhenDB& sample_individuals, TPopHaploDB& table,
                                            settings& s, int& num_maxima, int const& inbreeding,
                                            double& inbreeding_coeff, int const& compaction,
                                            int const& starts, int const& iterations,
                                            double const& epsilon)
{
    const EMModel model{"Population::calc_ML_hapl_freq_HWD_LD()", inbreeding != 0, true, false};
    return fit_haplotype_frequencies(model, sample_individuals, table, s, num_maxima,
                                     inbreeding_coeff, nullptr, nullptr, compaction, starts,
                                     iterations, epsilon);
}

double Population::calc_ML_hapl_freq_HWD_LE(TPhenDB& sample_individuals, TPopHaploDB& table,
                                            settings& s, int& num_maxima, int const& inbreeding,
                                            double& inbreeding_coeff, int const& compaction,
                                            int const& starts, int const& iterations,
                                            double const& epsilon)
{
    const EMModel model{"Population::calc_ML_hapl_freq_HWD_LE()", inbreeding != 0, true, true};
    return fit_haplotype_frequencies(model, sample_individuals, table, s, num_maxima,
                                     inbreeding_coeff, nullptr, nullptr, compaction, starts,
                                     iterations, epsilon);
}

namespace {

// Iteration cap of a start that follows one ending below the best.
const int kShortStart = 202;

// One start: E step, log-likelihood, M step and normalisation until the
// frequencies move by less than epsilon. Returns the log-likelihood of the
// frequencies entering the last iteration.
double run_start(TPhenDB& individuals, TPopHaploDB& table, int iterations, double epsilon,
                 double gene_copies)
{
    double lnL = MIN_LN_LIKELIHOOD;
    for (int it = 0; it < iterations; it++) {
        individuals.update_genotypes();
        lnL = individuals.calc_ln_likelihood();
        individuals.update_hapl_freq(table);
        for (int h = 0; h < table.haplotypes.count; h++)
            table.haplotypes.data[h]->freq =
                gene_copies > 0 ? table.haplotypes.data[h]->freq / gene_copies : 0;
        if (table.convergence(epsilon))
            break;
    }
    return lnL;
}

}  // namespace

double Population::calc_ML_hapl_freq(TPhenDB& sample_individuals, TPopHaploDB& table,
                                     settings& s, int& num_maxima, int const& compaction,
                                     int const& starts, int const& iterations, double const&)
{
    const char* const where = "Population::calc_ML_hapl_freq()";
    if (s.stop_requested)
        return -1000.0;
    if (starts < 1 || iterations < 1) {
        E.error(ERROR, where, 154);
        num_maxima = 0;
        return MIN_LN_LIKELIHOOD;
    }
    double result = MIN_LN_LIKELIHOOD;
    try {
        for (int i = 0; i < sample_individuals.phenotypes.count; i++) {
            sample_individuals.phenotypes.data[i]->kill_gen_list();
            sample_individuals.phenotypes.data[i]->num_genotypes = 0;
        }
        sample_individuals.build_all_genotypes(table, alleleDB, RecessiveAllelesEM);
        if (compaction)
            table.compact(alleleDB, profile.MissingData);
        double total = 0;
        for (int i = 0; i < sample_individuals.phenotypes.count; i++)
            total += sample_individuals.phenotypes.data[i]->count;

        const int H = table.haplotypes.count;
        std::vector<double> best_freq(H, 0.0), maxima;
        double best = MIN_LN_LIKELIHOOD;
        bool below_best = false;
        for (int start = 0; start < starts; start++) {
            table.assign_rand_init_freq(1000);
            const int cap = below_best ? std::min(iterations, kShortStart) : iterations;
            double lnL = run_start(sample_individuals, table, cap, s.EpsilonValue, 2 * total);
            if (lnL > best || start == 0) {
                for (int h = 0; h < H; h++)
                    best_freq[h] = table.haplotypes.data[h]->freq;
                best = lnL;
            }
            below_best = lnL < best;
            note_maximum(maxima, lnL);
            settings::global_work_done += 100.0;
            settings::print_message();
            if (s.stop_requested)
                return -1000.0;
        }
        num_maxima = static_cast<int>(maxima.size());
        for (int h = 0; h < H; h++)
            table.haplotypes.data[h]->freq = best_freq[h];
        result = best;
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, where, 0);
    }
    return result;
}
