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

// Two statistics closer than this are equal.
const double kSameStatistic = 1e-10;

// The counters of the null draws in blocks of m: b = floor(sqrt(N)) blocks
// of N / b + 1 draws.
class PermutationBlocks {
public:
    explicit PermutationBlocks(long draws)
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
        if (lr > observed)
            larger_++;
        else if (std::fabs(lr - observed) < kSameStatistic)
            equal_++;
        close_block();
    }
    // A draw that counts as at least as extreme whatever its statistic.
    void count_extreme()
    {
        larger_++;
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
        proportions_.push_back(static_cast<double>(larger_ + equal_) / m_);
        larger_ = equal_ = in_block_ = 0;
    }

    long b_ = 1, m_ = 1;
    long larger_ = 0, equal_ = 0, in_block_ = 0;
    std::vector<double> proportions_;
};

// The test's title, its kind, the permutations asked for and the EM starts,
// and the note that one locus gives no pair.
void print_ld_test_header(std::ostream& out, settings const& s, long permutations, int num_loci);
// "  Chi-square test value=" with its upper-tail probability and d.f.
void print_chi_square_line(std::ostream& out, double chi2, int df);

#endif
