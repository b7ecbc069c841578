// Numerical support of the estimation of haplotype frequencies by
// expectation-maximisation (Excoffier and Slatkin 1995): random starting
// frequencies, the convergence test, bootstrap standard deviations, the terms
// of the estimation with inbreeding, and the linkage disequilibrium D and its
// normalised form D' (Lewontin 1964) of each haplotype.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "core/random.h"
#include "core/math_functions.h"
#include "model/pop_haplo_db.h"

double TPopHaploDB::assign_rand_init_freq(int const& k)
{
    std::vector<char> fixed(static_cast<std::size_t>(haplotypes.count));
    for (int i = 0; i < haplotypes.count; i++)
        fixed[i] = haplotypes.data[i]->fixed != 0;
    std::vector<double> freq;
    double smallest = draw_init_freq(k, fixed, freq);
    for (int i = 0; i < haplotypes.count; i++)
        haplotypes.data[i]->freq = haplotypes.data[i]->prev_freq = freq[i];
    return smallest;
}

double TPopHaploDB::draw_init_freq(int const& k, std::vector<char> const& fixed,
                                   std::vector<double>& freq)
{
    freq.resize(fixed.size());
    long seed = 1;
    double sum = 0;
    for (std::size_t i = 0; i < fixed.size(); i++) {
        freq[i] = fixed[i] ? 1.0 : 1.0 + static_cast<double>(k) * ran3(&seed);
        sum += freq[i];
    }
    double smallest = FLT_MAX;
    for (double& f : freq) {
        f /= sum;
        smallest = std::min(smallest, f);
    }
    return smallest;
}

int TPopHaploDB::convergence(double const& eps)
{
    double d = 0;
    for (int i = 0; i < haplotypes.count; i++) {
        TPopHaplotype* h = haplotypes.data[i];
        d += std::fabs(h->freq - h->prev_freq);
        h->prev_freq = h->freq;
    }
    return eps > d ? 1 : 0;
}

void TPopHaploDB::reset_freq()
{
    for (int i = 0; i < haplotypes.count; i++)
        haplotypes.data[i]->freq = 0;
}

void TPopHaploDB::reset_homo_count()
{
    for (int i = 0; i < haplotypes.count; i++)
        haplotypes.data[i]->homo_count = 0;
}

double TPopHaploDB::sum_homoz_inbreeding(double const& F)
{
    double sum = 0;
    for (int i = 0; i < haplotypes.count; i++) {
        TPopHaplotype const* h = haplotypes.data[i];
        if (h->homo_count != 0)
            sum += h->homo_count / ((1 - h->freq) * F + h->freq);
    }
    return sum;
}

void TPopHaploDB::sums_hapl_frequencies(TPopHaploDB& replicate, double min_freq)
{
    for (int i = 0; i < haplotypes.count; i++) {
        TPopHaplotype* h = haplotypes.data[i];
        TPopHaplotype const* r = replicate.find(*h);
        if (r && h->freq > min_freq) {
            h->sum_freq += r->freq;
            h->sd += r->freq * r->freq;
        }
    }
}

void TPopHaploDB::calc_sd(int const& n)
{
    if (n < 2)
        return;
    for (int i = 0; i < haplotypes.count; i++) {
        TPopHaplotype* h = haplotypes.data[i];
        if (!(h->freq > 0)) {
            h->sd = 0;
            continue;
        }
        double v = (h->sd - h->sum_freq * h->sum_freq / n) / (n - 1);
        h->sd = v > 0 ? std::sqrt(v) : 0;
    }
}

// The allele frequency p_j of a haplotype's allele at position j is the summed
// frequency of the haplotypes carrying that very allele there. The sums are
// gathered once per position, in table order, rather than once per haplotype.
// A haplotype shorter than j loci does not count at position j.
int TPopHaploDB::update_lk_equil()
{
    int max_loci = 0;
    for (int i = 0; i < haplotypes.count; i++)
        max_loci = std::max(max_loci, haplotypes.data[i]->alleles.count);

    std::vector<std::unordered_map<TAllele const*, double>> allele_freq(max_loci);
    for (int i = 0; i < haplotypes.count; i++) {
        TPopHaplotype const* h = haplotypes.data[i];
        for (int j = 0; j < h->alleles.count; j++)
            allele_freq[j][h->alleles.data[j]] += h->freq;
    }

    for (int i = 0; i < haplotypes.count; i++) {
        TPopHaplotype* h = haplotypes.data[i];
        int L = h->alleles.count;
        double product = 1, a = 1, b = 1;
        for (int j = 0; j < L; j++) {
            double p = allele_freq[j][h->alleles.data[j]];
            product *= p;
            if (j == 0)
                a = p;
            else if (j == 1)
                b = p;
        }
        double D = h->freq - product;
        h->ld = D;
        // Only the first two loci bound D.
        double Dmax = D <= 0 ? std::min(a * b, (1 - a) * (1 - b))
                             : std::min(a * (1 - b), (1 - a) * b);
        h->ld_norm = std::fabs(Dmax) > 0.000001 ? D / Dmax : 0;
    }
    return 1;
}

double TPopHaploDB::calc_hapl_lk_dis()
{
    double sum = 0;
    for (int i = 0; i < haplotypes.count; i++)
        sum += factln(static_cast<int>(haplotypes.data[i]->freq));
    return sum;
}

void TPopHaploDB::comp_link_equil_hapl_freq()
{
    if (haplotypes.count == 0)
        return;
    int L = haplotypes.data[0]->alleles.count;
    for (int i = 0; i < haplotypes.count; i++) {
        TPopHaplotype* h = haplotypes.data[i];
        double product = 1;
        int n = std::min(L, h->alleles.count);
        for (int j = 0; j < n; j++)
            if (TAllele const* a = h->alleles.data[j])
                product *= a->exp_freq;
        h->freq = product;
    }
}
