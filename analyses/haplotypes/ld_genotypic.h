// What the likelihood-ratio tests of linkage disequilibrium of genotypes of
// unknown phase share: which pairs they test, the null draws counted in
// blocks, the header of the test of all pairs and the chi-square line of a
// pair.
#ifndef DROV_ANALYSES_HAPLOTYPES_LD_GENOTYPIC_H
#define DROV_ANALYSES_HAPLOTYPES_LD_GENOTYPIC_H

#include <cmath>
#include <ostream>
#include <vector>

class Population;
class settings;

// The pair of the locus list {2, a, b} is tested when both loci are
// polymorphic in the sample; with recessive data one polymorphic locus
// suffices, as recessive alleles may hide variation.
bool pair_is_testable(Population const& sample, int const* loci, bool recessive);

// Two statistics LR of samples of n individuals count as equal when they
// differ by less than this. The EM fits behind an LR stop when a step moves
// the frequencies by less than epsilon in all, short of the maximum they
// climb to. The gradient of ln L in a haplotype frequency p is 2n p'/p, p'
// its next EM value, so a frequency still draining towards 0 costs about 2n
// times its last step, and one near an inner maximum only a second-order
// amount: a fit's ln L is within about 2n epsilon of its maximum. LR is
// twice the difference of the ln L of two models (of which the test with
// inbreeding fits both), so it lies within 4n epsilon of its value at the
// maxima, and samples that are the same up to relabelling give LRs within
// 8n epsilon of each other: with a narrower bound they would land on either
// side of it at random. Below 1e-10 the rounding of the sums of logarithms
// sets the bound.
double same_statistic_tolerance(int individuals, double epsilon);

// A null statistic lr counts when it is at least the observed one.
inline bool at_least_observed(double lr, double observed, double tolerance)
{
    return lr > observed - tolerance;
}

// The counters of the null draws in blocks of m: b = floor(sqrt(N)) blocks
// of N / b + 1 draws.
class PermutationBlocks {
public:
    PermutationBlocks(long draws, double tolerance) : tolerance_(tolerance)
    {
        b_ = static_cast<long>(std::sqrt(static_cast<double>(draws)));
        if (b_ < 1)
            b_ = 1;
        m_ = draws / b_ + 1;
        proportions_.reserve(b_);
    }
    long total() const { return b_ * m_; }

    // One draw of statistic lr against the observed one.
    void count(double lr, double observed)
    {
        if (at_least_observed(lr, observed, tolerance_))
            at_least_++;
        close_block();
    }
    // A draw that counts as at least as extreme whatever its statistic.
    void count_extreme()
    {
        at_least_++;
        close_block();
    }

    double p_value() const
    {
        double sum = 0;
        for (double p : proportions_)
            sum += p;
        return proportions_.empty() ? 1.0 : sum / proportions_.size();
    }
    double sd() const
    {
        const double n = static_cast<double>(proportions_.size());
        if (n < 2)
            return 0.0;
        const double P = p_value();
        double ss = 0;
        for (double p : proportions_)
            ss += (p - P) * (p - P);
        return std::sqrt(ss / (n * (n - 1)));
    }

private:
    void close_block()
    {
        if (++in_block_ < m_)
            return;
        proportions_.push_back(static_cast<double>(at_least_) / m_);
        at_least_ = in_block_ = 0;
    }

    double tolerance_;
    long b_ = 1, m_ = 1;
    long at_least_ = 0, in_block_ = 0;
    std::vector<double> proportions_;
};

// The test's title, its kind, the permutations asked for and the EM starts,
// and the note that one locus gives no pair.
void print_ld_test_header(std::ostream& out, settings const& s, long permutations, int num_loci);
// "  Chi-square test value=" with its upper-tail probability and d.f.
void print_chi_square_line(std::ostream& out, double chi2, int df);

#endif
