// The Ewens-Watterson homozygosity test (Watterson 1978) by samples drawn from Ewens' sampling
// distribution given n and k (Stewart 1977), with Slatkin's exact test (Slatkin 1994, 1996).

#include <algorithm>
#include <cmath>
#include <functional>
#include <iomanip>
#include <ostream>
#include <string>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/random.h"
#include "core/xml.h"

namespace {

constexpr int kLimitGeneCopies = 5000;
constexpr int kLimitAlleles = 1000;

// p of a class: a count of gene copies from 1.0 on, else already a frequency.
double class_frequency(double freq, double n)
{
    return freq >= 1.0 ? freq / n : freq;
}

// The copies of a class: its count, or n times a relative frequency.
double class_count(double freq, double n)
{
    return freq >= 1.0 ? freq : freq * n;
}

// F = sum of squared counts / n^2 is compared through the sum of squared counts, a whole number
// for whole counts: configurations with the same F then tie exactly, while their F summed in
// floating point may differ in the last bit. Classes given as relative frequencies may miss a
// whole number by rounding; no two distinct sums of whole squares are this close.
constexpr double kSumOfSquaresTie = 1e-6;

// Slatkin's exact test ranks the configurations of k alleles among n gene copies by their
// probability under Ewens' sampling formula, proportional to prod_j 1 / (j^a_j a_j!), a_j the
// number of alleles of count j. Returns its ln for counts sorted in either order, so that equal
// counts are neighbours; classes without a whole copy add nothing.
double configuration_statistic(std::vector<int> const& sorted_counts)
{
    double L = 0.0;
    const std::size_t k = sorted_counts.size();
    for (std::size_t i = 0; i < k;) {
        const int j = sorted_counts[i];
        std::size_t end = i;
        while (end < k && sorted_counts[end] == j)
            ++end;
        const double a_j = static_cast<double>(end - i);
        if (j > 0)
            L -= a_j * std::log(static_cast<double>(j)) + std::lgamma(a_j + 1.0);
        i = end;
    }
    return L;
}

// Configurations as probable as the observed one count with it; their logs, summed in another
// order, may differ by rounding.
constexpr double kConfigurationTie = 1e-9;

// Draws from the one stream that are taken and not used.
void pass_over_draws(long long count)
{
    long seed = 1;  // continues the one stream
    for (; count > 0; --count)
        ran3(&seed);
}

std::string dashes(int n)
{
    return std::string(n, '-');
}

}  // namespace

std::ostream& operator<<(std::ostream& out, AHaplFreq const& a)
{
    out << std::fixed << std::showpoint << std::right << std::setprecision(7) << std::setw(12)
        << a.Freq << std::setw(12) << a.FreqSq << std::setprecision(4) << std::setw(16)
        << a.AbsFreq << std::setw(12) << a.AbsFreqSD << "\n";
    return out;
}

// One Ewens sample of n genes in k alleles: each allele in turn takes m copies with
// probability B(n' - m, k' - 1) / (m B(n', k')) of the genes n' and alleles k' left.
double PopGenetics::compute_rand_frequencies_and_F(std::vector<AHaplFreq>& accumulator,
                                                   double const& observed_sum_sq, double& F_count,
                                                   std::vector<int>& counts,
                                                   double& slatkin_count)
{
    const int k = static_cast<int>(accumulator.size());
    const int n = static_cast<int>(SampleSize);
    long seed = 1;  // continues the one stream
    counts.assign(k, 0);
    int left = n;
    for (int i = 0; i < k - 1; ++i) {
        const int alleles = k - i;
        const double r = ran3(&seed) * BMat.rows[left - 1][alleles - 1];
        int m = 0;
        double s = 0.0;
        if (r > 0.0) {
            do {
                ++m;
                s += BMat.rows[left - m - 1][alleles - 2] / m;
            } while (r > s && m < left - alleles + 1);
        }
        counts[i] = m;
        left -= m;
    }
    counts[k - 1] = left;
    std::sort(counts.begin(), counts.end(), std::greater<int>());

    double F = 0.0;
    long long sum_sq = 0;
    for (int r = 0; r < k; ++r) {
        const long long square = static_cast<long long>(counts[r]) * counts[r];
        accumulator[r].Freq += counts[r];
        accumulator[r].FreqSq += static_cast<double>(square);
        sum_sq += square;
        const double p = class_frequency(counts[r], SampleSize);
        F += p * p;
    }
    EWObservedF = F;
    if (static_cast<double>(sum_sq) <= observed_sum_sq + kSumOfSquaresTie)
        F_count += 1.0;
    if (DoSlatkinExactTest
        && configuration_statistic(counts) <= EWObsConfigLogProb + kConfigurationTie)
        slatkin_count += 1.0;
    return F;
}

void PopGenetics::EW_neutrality_tests(settings& s, std::ostream& out,
                                      HaplotypeClasses const& classes)
{
    if (s.stop_requested)
        return;
    const double n = SampleSize;
    const int N = static_cast<int>(n);
    const int k = alleles_in_classes(classes);
    const bool original =
        s.InferHaplotypeDefinitionFromDistanceMatrix && profile.GenotypicData == 0;
    const std::string rule = "\n" + std::string(60, '-') + "\n";

    auto refuse = [&](const char* original_label, const char* reason, const char* batch_text) {
        out << "No. of genes in sample   : " << n << "\n";
        if (original)
            out << original_label << nbInitialHaplotypes << "\n";
        out << "No. of alleles in sample : " << k << "\n" << reason << rule << std::endl;
        if (_EWENS_WATTERSON_ && ofs_ewens_watt) {
            write_batch_prefix(*ofs_ewens_watt, name);
            *ofs_ewens_watt << N << "\t";
            if (original)
                *ofs_ewens_watt << nbInitialHaplotypes << "\t";
            *ofs_ewens_watt << k << batch_text;
        }
    };
    if (k >= n) {
        refuse("No. of original alleles in sample      :",
               "\nThe test is impossible because all gene copies are different",
               "\tEwens-Watterson test is impossible because all gene copies are different\n");
        return;
    }
    if (k < 2) {
        refuse("No. of original alleles in sample   :",
               "\nThe test is impossible because there is only one allele in \nthe sample",
               "\tEwens-Watterson test is impossible because there is only one allele in the "
               "sample\n");
        return;
    }
    if (k > kLimitAlleles || n > kLimitGeneCopies) {
        out << "No. of genes in sample   : " << n << "\n"
            << "No. of alleles in sample : " << k << "\n"
            << "\nThe test is impossible because the number of genes is bigger than "
            << kLimitGeneCopies << "\n or the number of Alleles is bigger than " << kLimitAlleles
            << " ." << rule << std::endl;
        return;
    }

    std::vector<int> counts(k);
    for (int i = 0; i < k; ++i)
        counts[i] = static_cast<int>(classes.data[i]->Freq);
    if (DoSlatkinExactTest) {
        std::vector<int> sorted(counts);
        std::sort(sorted.begin(), sorted.end());
        EWObsConfigLogProb = configuration_statistic(sorted);
    }
    std::vector<AHaplFreq> accumulator(k);
    double F_obs = 0.0, sum_sq_obs = 0.0;
    for (int i = 0; i < k; ++i) {
        const double p = class_frequency(classes.data[i]->Freq, n);
        const double copies = class_count(classes.data[i]->Freq, n);
        F_obs += p * p;
        sum_sq_obs += copies * copies;
    }
    EWObservedF = F_obs;

    // The draws read B(i, j) only where j <= k and N - i >= k - j, and an infinite B(i, j) makes
    // B(i + 1, j) and B(i + 1, j + 1) infinite: all are finite when B(N, k) is.
    const bool table = grow_B_num_mat(N, k) && n < kLimitGeneCopies && k < kLimitAlleles;
    if (!table || !std::isfinite(BMat.rows[N - 1][k - 1])) {
        out << "Watterson F-test of selective neutrality is not possible";
        explain_table_refusal(out, N, k);
        out << "\n" << std::endl;
        // A table too large for a double: the draws of the test are passed over (k - 1 per
        // sample), so that the analyses after this one draw the numbers they did when it ran.
        if (table)
            pass_over_draws(static_cast<long long>(s.NumIterationsNeutralityTests) * (k - 1));
        return;
    }

    const int R = s.NumIterationsNeutralityTests;
    double F_count = 0.0, slatkin_count = 0.0, F_sum = 0.0;
    for (int i = 0; i < R; ++i) {
        F_sum += compute_rand_frequencies_and_F(accumulator, sum_sq_obs, F_count, counts,
                                                slatkin_count);
        if (i % 100 == 0) {
            settings::global_work_done += 1.0;
            settings::print_message();
            if (s.stop_requested)
                return;
        }
    }
    if (R == 0)
        return;
    EWExpectedF = F_sum / R;
    EWPValue = F_count / R;
    SlatkinExactP = slatkin_count / R;
    for (AHaplFreq& a : accumulator) {
        const double sum = a.Freq, sumsq = a.FreqSq;
        const double mean = sum / R;
        const double var = R >= 2 ? (sumsq - sum * sum / R) / (R - 1) : 0.0;
        const double sd = var > 0.0 ? std::sqrt(var) : 0.0;
        a = AHaplFreq(mean / n, sd / n);
        a.AbsFreq = mean;
        a.AbsFreqSD = sd;
    }

    write_EW_report(s, out, k, F_obs);
    EWObservedF = F_obs;
    print_obs_hapl_freq(out, classes, N, name);
    print_exp_freq(out, accumulator);
}

void PopGenetics::write_EW_report(settings const& s, std::ostream& out, int k, double F_obs)
{
    const double n = SampleSize;
    const int N = static_cast<int>(n);
    const bool original =
        s.InferHaplotypeDefinitionFromDistanceMatrix && profile.GenotypicData == 0;
    out << std::right;
    if (s.InferHaplotypeDefinitionFromDistanceMatrix) {
        out << "Haplotype real differences were checked before tests\n\n"
            << "No. of genes in sample                 :" << std::setprecision(5) << std::setw(12)
            << n << "\n";
        if (original)
            out << "No. of original haplotypes in sample   :" << std::setw(12)
                << nbInitialHaplotypes << "\n";
        out << "No. of different haplotypes in sample  :" << std::setw(12) << k << "\n";
    } else {
        out << "Original haplotype definition was used for the tests\n\n"
            << "No. of genes in sample                 :" << std::setw(12) << N << "\n"
            << "No. of haplotypes in sample            :" << std::setw(12) << num_haplotypes
            << "\n";
    }
    out << std::fixed << std::showpoint << std::setprecision(5)
        << "Observed F value                       :" << std::setw(12) << F_obs << "\n"
        << "Expected F value                       :" << std::setw(12) << EWExpectedF << "\n"
        << "No. of simulated samples               :" << std::setw(12)
        << s.NumIterationsNeutralityTests << "\n"
        << "Ewens-Watterson test:\n"
        << "Pr(rand F &lt;= obs F)                    :" << std::setw(12) << EWPValue << "\n"
        << "Slatkin's Exact test P-value           :" << std::setw(12) << SlatkinExactP << "\n";

    if (!_EWENS_WATTERSON_ || !ofs_ewens_watt)
        return;
    std::ostream& b = *ofs_ewens_watt;
    write_batch_prefix(b, name);
    b << N << "\t";
    if (s.InferHaplotypeDefinitionFromDistanceMatrix) {
        if (original)
            b << nbInitialHaplotypes << "\t";
        b << k << "\t";
    } else {
        b << num_haplotypes << "\t";
    }
    b << std::fixed << std::setprecision(5) << F_obs << "\t" << EWExpectedF << "\t" << EWPValue
      << "\t" << SlatkinExactP << std::endl;
}

void print_obs_hapl_freq(std::ostream& out, HaplotypeClasses const& classes, int n,
                         my_string name)
{
    TXmlTag tag("obsHapFreq");
    tag.attribute = "pop";
    tag.value = name;
    if (xmlOutput)
        out << tag.open() << std::endl;
    out << "\n" << dashes(45) << "\n" << "Observed haplotype frequencies\n" << dashes(45) << "\n"
        << std::right << std::setw(10) << "All.#" << std::setw(12) << "Rel. freq."
        << std::setw(16) << "Abs. Freq." << "\n" << dashes(45) << "\n";
    double rel_total = 0.0, abs_total = 0.0;
    out << std::fixed << std::showpoint;
    for (int i = 0; i < classes.count; ++i) {
        const double f = classes.data[i]->Freq;
        const double absolute = f < 1.0 ? static_cast<int>(f * n + 0.5) : f;
        const double relative = absolute / n;
        rel_total += relative;
        abs_total += absolute;
        out << std::setw(10) << i + 1 << std::setprecision(7) << std::setw(12) << relative
            << std::setprecision(4) << std::setw(16) << absolute << "\n";
    }
    out << dashes(45) << "\n";
    if (xmlOutput)
        out << tag.close();
    out << std::setw(10) << "Total" << std::setprecision(7) << std::setw(12) << rel_total
        << std::setprecision(4) << std::setw(16) << abs_total << "\n" << dashes(45) << "\n"
        << std::endl;
}

void PopGenetics::print_exp_freq(std::ostream& out, std::vector<AHaplFreq> const& accumulator)
{
    TXmlTag tag("expHapFreq");
    tag.attribute = "pop";
    tag.value = name;
    if (xmlOutput)
        out << tag.open();
    out << "\n" << dashes(62) << "\n"
        << "Expected haplotype frequencies under the infinite-allele model\n"
        << "as predicted by Ewens' (1972) sampling distribution\n" << dashes(62) << "\n"
        << std::right << std::setw(10) << "All.#" << std::setw(12) << "Rel. freq."
        << std::setw(12) << "s.d." << std::setw(16) << "Abs. Freq." << std::setw(12) << "s.d."
        << "\n" << dashes(62) << "\n";
    for (size_t r = 0; r < accumulator.size(); ++r)
        out << std::setw(10) << r + 1 << accumulator[r];
    out << dashes(62) << "\n" << std::endl;
    if (xmlOutput)
        out << tag.close();
}
