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
    const std::size_t most = std::min<std::size_t>(position_.size(), 4 * static_cast<std::size_t>(n_));
    freq_.reserve(most);
    extrapolated_.reserve(most);
    one_phase_counts_.reserve(most);
    double_heterozygotes_.reserve(n_);
    p1_.reserve(most);
    p2_.reserve(most);
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
// with the alleles of the second locus exchanged. An individual of one phase
// adds the same gene counts at every EM step: these are summed here once.
void TwoLocusEM::build_genotypes()
{
    for (int k : codes_used_)
        position_[k] = -1;
    codes_used_.clear();
    freq_.clear();
    double_heterozygotes_.clear();
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
            double_heterozygotes_.push_back(g);
        }
    }
    const std::size_t H = freq_.size();
    one_phase_counts_.assign(H, 0.0);
    for (Genotypes const& g : genotypes_)
        if (g.kind < 2) {
            one_phase_counts_[g.h[0]] += 1.0;
            one_phase_counts_[g.h[1]] += 1.0;
        }
    extrapolated_.resize(H);
    p1_.resize(H);
    p2_.resize(H);
}

// One EM step from frequencies p into next: the gene counts of the
// individuals of one phase, plus those that each double heterozygote gives
// its two phases in proportion to their probabilities under p. Returns the
// summed change |next - p|, the convergence measure of the kernel.
double TwoLocusEM::em_step(std::vector<double> const& from, std::vector<double>& next) const
{
    double const* p = from.data();
    double* c = next.data();
    const std::size_t H = from.size();
    std::copy(one_phase_counts_.begin(), one_phase_counts_.end(), c);
    for (Genotypes const& g : double_heterozygotes_) {
        const double first = p[g.h[0]] * p[g.h[1]];
        const double second = p[g.h[2]] * p[g.h[3]];
        const double P = first + second;
        if (P > 0) {
            const double w_first = first / P, w_second = second / P;
            c[g.h[0]] += w_first;
            c[g.h[1]] += w_first;
            c[g.h[2]] += w_second;
            c[g.h[3]] += w_second;
        }
    }
    const double per_copy = 1.0 / (2.0 * n_);
    double change = 0;
    for (std::size_t h = 0; h < H; h++) {
        c[h] *= per_copy;
        change += std::fabs(c[h] - p[h]);
    }
    return change;
}

// The EM accelerated by squared extrapolation (SQUAREM: Varadhan R, Roland C
// 2008, Scand J Stat 35). From p0, two EM steps give p1 and p2; with
// r = p1 - p0 and v = p2 - 2 p1 + p0 the point p0 - 2 a r + a^2 v, with
// a = -|r| / |v| and at most -1 (a = -1 gives p2 itself), lies further along
// the EM path, and one EM step from it starts the next cycle. Every EM step
// counts against the iteration cap and is tested against epsilon as a plain
// EM iteration is, so the run ends at the same tolerance in fewer steps.
// Returns the frequencies of the last step's start, at which the kernel
// takes the likelihood.
std::vector<double> const& TwoLocusEM::expectation_maximisation(int iterations, double epsilon)
{
    int steps = 0;
    while (steps < iterations) {
        steps++;
        if (em_step(freq_, p1_) < epsilon || steps == iterations)
            return freq_;
        steps++;
        if (em_step(p1_, p2_) < epsilon || steps == iterations)
            return p1_;
        extrapolate();
        steps++;
        // p1_ now holds the extrapolated point.
        if (em_step(p1_, freq_) < epsilon || steps == iterations)
            return p1_;
    }
    return freq_;
}

// The extrapolated point of freq_ (p0), p1_ and p2_, into p1_. A frequency
// that the step would bring to zero or below keeps its value in p2, and the
// frequencies are scaled back to a sum of one: an EM step needs positive
// frequencies, and one that reached zero would stay there.
void TwoLocusEM::extrapolate()
{
    const std::size_t H = freq_.size();
    double rr = 0, vv = 0;
    for (std::size_t h = 0; h < H; h++) {
        const double r = p1_[h] - freq_[h];
        const double v = p2_[h] - 2 * p1_[h] + freq_[h];
        rr += r * r;
        vv += v * v;
    }
    const double a = vv > 0 ? -std::sqrt(rr / vv) : -1.0;
    if (!(a < -1.0)) {
        p1_.swap(p2_);
        return;
    }
    double sum = 0;
    for (std::size_t h = 0; h < H; h++) {
        const double r = p1_[h] - freq_[h];
        const double v = p2_[h] - 2 * p1_[h] + freq_[h];
        double x = freq_[h] - 2 * a * r + a * a * v;
        if (!(x > 0))
            x = p2_[h];
        extrapolated_[h] = x;
        sum += x;
    }
    for (std::size_t h = 0; h < H; h++)
        extrapolated_[h] /= sum;
    p1_.swap(extrapolated_);
}

// ln L of the individuals under haplotype frequencies p. The probabilities
// are multiplied in runs and their logarithm taken once per run, which
// stays far from underflow as long as the run's product exceeds 1e-200.
double TwoLocusEM::ln_likelihood(std::vector<double> const& from) const
{
    double const* p = from.data();
    double lnL = 0, run = 1.0;
    for (Genotypes const& g : genotypes_) {
        double prob = p[g.h[0]] * p[g.h[1]];
        if (g.kind == 2)
            prob = 2 * (prob + p[g.h[2]] * p[g.h[3]]);
        else if (g.kind == 1)
            prob *= 2;
        if (prob <= 0)
            return MIN_LN_LIKELIHOOD;
        run *= prob;
        if (run < 1e-200) {
            lnL += std::log(run);
            run = 1.0;
        }
    }
    return lnL + std::log(run);
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
        for (int h = 0; h < H; h++)
            freq_[h] /= sum;
        double lnL = ln_likelihood(expectation_maximisation(iterations, epsilon));
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
