// The two-locus EM of the linkage-disequilibrium permutation test on allele
// codes (Excoffier L, Slatkin M 1998, Ann Hum Genet 62): see two_locus_em.h.

#include "analyses/haplotypes/two_locus_em.h"

#include <algorithm>
#include <cmath>

#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/allele.h"
#include "model/phen_db.h"

namespace {

// Weight of the random part of the starting frequencies, as in the kernel.
const int kStartWeight = 1000;

// The code of allele a in codes, appended when new.
int code_of(TAllele* a, std::vector<TAllele*>& codes)
{
    for (std::size_t k = 0; k < codes.size(); k++)
        if (codes[k] == a)
            return static_cast<int>(k);
    codes.push_back(a);
    return static_cast<int>(codes.size()) - 1;
}

}  // namespace

bool TwoLocusEM::load(TPhenDB const& two_loci)
{
    n_ = two_loci.phenotypes.count;
    observed_a_.assign(2 * n_, 0);
    b_.assign(2 * n_, 0);
    alleles_a_.clear();
    alleles_b_.clear();
    for (int i = 0; i < n_; i++) {
        TPhenotype const* p = two_loci.phenotypes.data[i];
        for (int c = 0; c < 2; c++) {
            TAllele* a = p->allele_at(c, 0);
            TAllele* b = p->allele_at(c, 1);
            if (!a || !b)
                return false;
            observed_a_[2 * i + c] = code_of(a, alleles_a_);
            b_[2 * i + c] = code_of(b, alleles_b_);
        }
    }
    a_ = observed_a_;
    position_.assign(alleles_a_.size() * alleles_b_.size(), -1);
    codes_used_.reserve(4 * static_cast<std::size_t>(n_));
    genotypes_.assign(n_, Genotypes{0, {0, 0, 0, 0}});
    prob_.assign(n_, 0.0);
    const std::size_t most = std::min<std::size_t>(position_.size(), 4 * static_cast<std::size_t>(n_));
    freq_.reserve(most);
    prev_.reserve(most);
    counts_.reserve(most);
    return true;
}

void TwoLocusEM::permute_first_locus()
{
    a_ = observed_a_;
    long seed = 1;
    if (!ran3_shuffle(a_.data(), 2 * n_, seed))
        E.error(ERROR, "TPhenDB::permute_alleles()", 107);
}

int TwoLocusEM::haplotype_position(int code_a, int code_b)
{
    int& pos = position_[code_a * alleles_b_.size() + code_b];
    if (pos < 0) {
        pos = static_cast<int>(freq_.size());
        freq_.push_back(0.0);
        codes_used_.push_back(code_a * static_cast<int>(alleles_b_.size()) + code_b);
    }
    return pos;
}

// The phases of each individual in the order of TPhenotype::build_genotypes:
// gene copies x and y as read, and for a double heterozygote also the phase
// with the alleles of the second locus exchanged.
void TwoLocusEM::build_genotypes()
{
    for (int k : codes_used_)
        position_[k] = -1;
    codes_used_.clear();
    freq_.clear();
    for (int i = 0; i < n_; i++) {
        const int xa = a_[2 * i], ya = a_[2 * i + 1];
        const int xb = b_[2 * i], yb = b_[2 * i + 1];
        Genotypes& g = genotypes_[i];
        g.h[0] = haplotype_position(xa, xb);
        g.h[1] = haplotype_position(ya, yb);
        g.kind = (xa != ya) + (xb != yb);
        if (g.kind == 2) {
            g.h[2] = haplotype_position(xa, yb);
            g.h[3] = haplotype_position(ya, xb);
        }
    }
    prev_.resize(freq_.size());
    counts_.resize(freq_.size());
}

// One pass per iteration: each individual's phase probabilities under the
// old frequencies, and at once its expected gene counts into the new ones,
// in the order of the kernel's expectation and maximisation steps.
void TwoLocusEM::expectation_maximisation(int iterations, double epsilon)
{
    const double gene_copies = 2.0 * n_;
    const int H = static_cast<int>(freq_.size());
    for (int it = 0; it < iterations; it++) {
        double const* p = freq_.data();
        double* c = counts_.data();
        std::fill(counts_.begin(), counts_.end(), 0.0);
        for (int i = 0; i < n_; i++) {
            Genotypes const& g = genotypes_[i];
            if (g.kind == 0) {
                prob_[i] = p[g.h[0]] * p[g.h[0]];
                c[g.h[0]] += 2.0;
            } else if (g.kind == 1) {
                prob_[i] = 2 * p[g.h[0]] * p[g.h[1]];
                c[g.h[0]] += 1.0;
                c[g.h[1]] += 1.0;
            } else {
                const double first = 2 * p[g.h[0]] * p[g.h[1]];
                const double second = 2 * p[g.h[2]] * p[g.h[3]];
                const double P = first + second;
                prob_[i] = P;
                if (P > 0) {
                    c[g.h[0]] += first / P;
                    c[g.h[1]] += first / P;
                    c[g.h[2]] += second / P;
                    c[g.h[3]] += second / P;
                }
            }
        }
        double change = 0;
        for (int h = 0; h < H; h++) {
            freq_[h] = c[h] / gene_copies;
            change += std::fabs(freq_[h] - prev_[h]);
            prev_[h] = freq_[h];
        }
        if (change < epsilon)
            break;
    }
}

double TwoLocusEM::ln_likelihood() const
{
    double lnL = 0;
    for (int i = 0; i < n_; i++) {
        if (prob_[i] <= 0)
            return MIN_LN_LIKELIHOOD;
        lnL += std::log(prob_[i]);
    }
    return lnL;
}

double TwoLocusEM::ln_likelihood_ld(settings& s, int starts, int iterations, double epsilon)
{
    if (s.stop_requested)
        return -1000.0;
    build_genotypes();
    const int H = static_cast<int>(freq_.size());
    double best = MIN_LN_LIKELIHOOD;
    long seed = 1;
    for (int start = 0; start < starts; start++) {
        // The starting weights of TPopHaploDB::assign_rand_init_freq.
        double sum = 0;
        for (int h = 0; h < H; h++) {
            freq_[h] = 1.0 + static_cast<double>(kStartWeight) * ran3(&seed);
            sum += freq_[h];
        }
        for (int h = 0; h < H; h++) {
            freq_[h] /= sum;
            prev_[h] = freq_[h];
        }
        expectation_maximisation(iterations, epsilon);
        double lnL = ln_likelihood();
        if (lnL > best || start == 0)
            best = lnL;
        settings::global_work_done += 100.0;
        settings::print_message();
        if (s.stop_requested)
            return -1000.0;
    }
    return best;
}

double TwoLocusEM::ln_likelihood_le() const
{
    // An allele not selected for computation adds no factor, as in
    // TPhenotype::link_equil_pheno_prob.
    double lnL = 0;
    for (int i = 0; i < n_; i++) {
        double q = 1.0;
        const int xa = a_[2 * i], ya = a_[2 * i + 1];
        const int xb = b_[2 * i], yb = b_[2 * i + 1];
        if (alleles_a_[xa]->mark != 0)
            q *= alleles_a_[xa]->count * alleles_a_[ya]->count;
        if (xa != ya)
            q *= 2;
        if (alleles_b_[xb]->mark != 0)
            q *= alleles_b_[xb]->count * alleles_b_[yb]->count;
        if (xb != yb)
            q *= 2;
        if (q <= 0)
            return MIN_LN_LIKELIHOOD;
        lnL += std::log(q);
    }
    return lnL;
}
