// Haplotype frequencies of subsets of loci by EM (Excoffier L, Slatkin M
// 1995, Mol Biol Evol 12): every pair of loci, every single locus (its
// allele frequencies, recessive alleles included), each with its bootstrap
// s.d., written under the sample's EM results.

#include <iomanip>

#include "app/settings.h"
#include "model/population.h"

void Population::calc_all_pairs(std::fstream& out, TPhenDB const& sample_individuals,
                                settings& s, int const& starts, int const& replicates,
                                int const& iterations, double const& epsilon)
{
    const int L = sample_individuals.num_loci();
    for (int i = 0; i < L; i++)
        for (int j = 0; j < i; j++) {
            int loci[3] = {2, j, i};
            calc_subset_hapl_freq(out, loci, sample_individuals, s, starts, replicates,
                                  iterations, epsilon);
        }
}

void Population::calc_all_sites(std::fstream& out, TPhenDB const& sample_individuals,
                                settings& s, int const& starts, int const& replicates,
                                int const& iterations, double const& epsilon)
{
    const int L = sample_individuals.num_loci();
    for (int i = 0; i < L; i++) {
        int locus[2] = {1, i};
        calc_subset_hapl_freq(out, locus, sample_individuals, s, starts, replicates, iterations,
                              epsilon);
    }
}

void Population::calc_subset_hapl_freq(std::fstream& out, int const* loci,
                                       TPhenDB const& sample_individuals, settings& s,
                                       int const& starts, int const& replicates,
                                       int const& iterations, double const& epsilon)
{
    TPhenDB subset;
    subset.create_temp_PhenDB(loci, sample_individuals);
    TPopHaploDB table;
    int maxima = 0;
    double f = 0.0;
    double lnL = calc_ML_hapl_freq_hill95_LD(subset, table, s, maxima, 0, f, nullptr, nullptr, 0,
                                             starts, iterations, epsilon);
    calc_sd_hapl_freq(subset, table, s, starts, replicates, iterations, 1e-7);

    out << "Allele frequencies for ";
    if (loci[0] == 1) {
        out << "the locus " << loci[1] + 1 << "\n--------------------------------\n";
    } else {
        out << "the pair of loci( ";
        for (int k = 1; k <= loci[0]; k++)
            out << (k > 1 ? " , " : "") << loci[k] + 1;
        out << " )\n" << "---------------------------------------\n";
    }
    out << "\nNo. of gene copies in sample                : " << static_cast<int>(SampleSize)
        << "\n"
        << "No. of random initial conditions for EM     : " << starts << "\n";
    if (replicates == 0)
        out << "No bootstrap confidence interval estimation";
    else
        out << "No. of bootstrap replicates                 : " << replicates;
    out << "\n"
        << "No. of different maximum likelihoods found  : " << maxima << "\n"
        << "Epsilon value for stopping iterations       : " << std::scientific << s.EpsilonValue
        << "\n"
        << "Logarithm of the sample maximum-likelihood  : " << std::fixed << lnL << "\n";
    table.print(out, 1, s.FrequencyThreshold);
    out << "\n\n";
}
