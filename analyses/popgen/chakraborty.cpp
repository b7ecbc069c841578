// Chakraborty's test of selective neutrality and population amalgamation (Chakraborty 1990): the
// number of alleles against Ewens' distribution (Ewens 1972) for the theta of the homozygosity.

#include <cmath>
#include <iomanip>
#include <ostream>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "core/errors.h"

namespace {

constexpr int kLimitGeneCopies = 5000;
constexpr int kLimitAlleles = 1000;

void single_haplotype_warning(std::ostream& out)
{
    *_ZOS_ << "\t\tWarning: Chakraborty's test of selective neutrality cannot be performed \n"
           << "\t\twhen there is a single haplotype in the sample. Skipping task...\n"
           << std::endl;
    out << "Warning: Chakraborty's test of selective neutrality cannot be performed \n"
        << "when there is a single haplotype in the sample. Skipping task...\n"
        << std::endl;
}

// Ewens' probabilities that are not finite come from Stirling numbers of n and k beyond the
// range of a double: the test is refused with that reason.
bool probabilities_finite(std::ostream& out, int n, int k, double P_exactly, long double P_less)
{
    if (std::isfinite(P_exactly) && std::isfinite(P_less))
        return true;
    out << "Chakraborty neutrality test not possible";
    PopGenetics::explain_table_refusal(out, n, k);
    out << "\n" << std::endl;
    return false;
}

}  // namespace

// k alleles among n gene copies can be tested when 2 <= k < n and the table of the
// probabilities covers them; otherwise says why not.
bool PopGenetics::chakraborty_possible(std::ostream& out, int k)
{
    const double n = SampleSize;
    if (k < 2) {
        single_haplotype_warning(out);
        return false;
    }
    if (k >= n) {
        out << std::fixed << std::showpoint << std::right << std::setprecision(5)
            << "No. of genes in sample   : " << std::setw(12) << n << "\n"
            << "No. of alleles in sample : " << std::setw(12) << k << "\n"
            << "\nThe test is impossible because all gene copies are different\n" << std::endl;
        return false;
    }
    if (!grow_B_num_mat(static_cast<int>(n), k) || n >= kLimitGeneCopies || k >= kLimitAlleles) {
        out << "Chakraborty neutrality test not possible";
        explain_table_refusal(out, static_cast<int>(n), k);
        out << "\n" << std::endl;
        return false;
    }
    return true;
}

void PopGenetics::chakraborty_batch_line(int k, double homozygosity, double P_exactly)
{
    if (!_CHAKRABORTY_ || !ofs_chakra)
        return;
    write_batch_prefix(*ofs_chakra, name);
    *ofs_chakra << std::fixed << std::showpoint << std::setprecision(5)
                << static_cast<int>(SampleSize) << "\t" << k << "\t" << homozygosity << "\t"
                << ExpNumAlleles << "\t" << P_exactly << "\t" << ChakrabortyPClasses << "\n";
}

void PopGenetics::Chakraborty_neutr_test(std::ostream& out)
{
    const int k = alleles_in_sample();
    if (!chakraborty_possible(out, k))
        return;
    const int N = static_cast<int>(SampleSize);
    const double theta = calc_theta_Hom();
    const double P_exactly = proba_exactly_k(k, N, theta);
    const long double P_less = proba_less_than_k(k, N, theta);
    if (!probabilities_finite(out, N, k, P_exactly, P_less))
        return;
    ChakrabortyExpNumAlleles = k_est(theta, N);
    ChakrabortyP = ChakrabortyPClasses = 1.0 - static_cast<double>(P_less);
    out << std::fixed << std::showpoint << std::right << std::setprecision(5)
        << "No. of genes in sample       :" << std::setw(12) << SampleSize << "\n"
        << "No. of alleles in sample (k) :" << std::setw(12) << k << "\n"
        << "Observed Homozygosity        :" << std::setw(12) << Homozygosity << "\n"
        << "Exp. No. of alleles          :" << std::setw(12) << ExpNumAlleles << "\n"
        << "P(exactly k alleles)         :" << std::setw(12) << P_exactly << "\n"
        << "P(k or more alleles)         :" << std::setw(12) << ChakrabortyP << "\n"
        << std::endl;
    chakraborty_batch_line(k, Homozygosity, P_exactly);
}

void PopGenetics::Chakraborty_neutr_test(std::ostream& out, HaplotypeClasses const& classes)
{
    const int k = alleles_in_classes(classes);
    if (!chakraborty_possible(out, k))
        return;
    const double n = SampleSize;
    const int N = static_cast<int>(n);
    const double theta = calc_theta_Hom(classes);
    const double P_exactly = proba_exactly_k(k, N, theta);
    const long double P_less = proba_less_than_k(k, N, theta);
    if (!probabilities_finite(out, N, k, P_exactly, P_less))
        return;
    ChakrabortyExpNumAlleles = k_est(theta, N);
    ChakrabortyPClasses = 1.0 - static_cast<double>(P_less);
    // calc_theta_Hom has left the classes' F in EWObservedF.
    const double H = (1.0 - EWObservedF) * n / (n - 1.0);
    const double hom = H <= 1.0 ? 1.0 - H : 0.0;
    out << std::right << "Haplotype real differences were checked before tests\n\n"
        << "No. of genes in sample                    :" << std::setprecision(5) << std::setw(12)
        << n << "\n"
        << "No. of original haplotypes in sample      :" << std::setw(12) << nbInitialHaplotypes
        << "\n"
        << "No. of different haplotypes in sample (k) :" << std::setw(12) << k << "\n"
        << std::fixed << std::showpoint
        << "Obs. Homozygosity                         :" << std::setw(12) << hom << "\n"
        << "Exp. No. of alleles                       :" << std::setw(12) << ExpNumAlleles << "\n"
        << "P(exactly k alleles)                      :" << std::setw(12) << P_exactly << "\n"
        << "P(k or more alleles)                      :" << std::setw(12) << ChakrabortyPClasses
        << "\n"
        << std::endl;
    chakraborty_batch_line(k, hom, P_exactly);
}
