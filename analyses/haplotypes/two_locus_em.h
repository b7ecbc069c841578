// The EM of the linkage-disequilibrium permutation test on two loci, on
// allele codes instead of haplotype objects.
//
// The permutation test runs the EM on one two-locus sample per permutation,
// a thousand or more times per pair of loci. Here the individuals are held
// as allele codes and the genotypes as positions in a frequency array, all
// sized once, so that a permutation and its EM allocate nothing. The
// haplotypes are numbered in the order in which the genotype enumeration of
// TPhenotype::build_genotypes enters them into a table, and every random
// draw is made in the same order, so that a start begins where
// Population::calc_ML_hapl_freq_hill95_LD begins on the same individuals
// (without recessive alleles, whether or not identical individuals are
// pooled). The EM is accelerated by extrapolation: it reaches the kernel's
// maximum up to the convergence tolerance in about a third of the steps.
#ifndef DROV_ANALYSES_HAPLOTYPES_TWO_LOCUS_EM_H
#define DROV_ANALYSES_HAPLOTYPES_TWO_LOCUS_EM_H

#include <vector>

class settings;
class TAllele;
class TPhenDB;

class TwoLocusEM {
public:
    // Takes the individuals of a two-locus table with one entry per
    // individual. false when an individual does not carry both loci twice.
    bool load(TPhenDB const& two_loci);

    // The alleles of the first locus shuffled over all gene copies, starting
    // from the loaded ones (the draws of TPhenDB::permute_alleles).
    void permute_first_locus();

    // The best log-likelihood of `starts` EM runs on the current alleles;
    // -1000.0 after a stop request.
    double ln_likelihood_ld(settings& s, int starts, int iterations, double epsilon);
    // The log-likelihood under linkage and Hardy-Weinberg equilibrium, from
    // the alleles' count fields (their relative frequencies in the sample).
    double ln_likelihood_le() const;

private:
    // The genotypes of one individual: one (hom or single) or two phases.
    struct Genotypes {
        int kind;  // 0 homozygous, 1 one heterozygous phase, 2 two phases
        int h[4];  // haplotype positions: (h0, h1), then (h2, h3)
    };

    int haplotype_position(int code_a, int code_b);
    void build_genotypes();
    double em_step(std::vector<double> const& from, std::vector<double>& next) const;
    std::vector<double> const& expectation_maximisation(int iterations, double epsilon);
    void extrapolate();
    double ln_likelihood(std::vector<double> const& from) const;

    int n_ = 0;                        // individuals
    std::vector<int> observed_a_;      // codes of locus 1: copy 1 and 2 of each individual
    std::vector<int> a_, b_;           // current codes of loci 1 and 2
    std::vector<TAllele*> alleles_a_;  // allele of each code
    std::vector<TAllele*> alleles_b_;
    std::vector<int> position_;        // (code_a, code_b) -> haplotype position, or -1
    std::vector<int> codes_used_;      // the entries of position_ in use
    std::vector<Genotypes> genotypes_;
    std::vector<Genotypes> double_heterozygotes_;  // the individuals of two phases
    std::vector<double> one_phase_counts_;         // gene counts of the others
    std::vector<double> freq_;
    std::vector<double> p1_, p2_;      // two EM steps from freq_
    std::vector<double> extrapolated_;
};

#endif
