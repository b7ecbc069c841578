// The assignment test: the log-likelihood of every individual's multi-locus
// genotype in every sample of the level, from the allele frequencies
// estimated in each sample (Paetkau et al. 1995; Waser and Strobeck 1998).
// The reader sees in which sample a genotype is most likely.
#ifndef DROV_COMPARISONS_IND_LIKELIHOOD_H
#define DROV_COMPARISONS_IND_LIKELIHOOD_H

#include <vector>

class settings;
class Samples;
class Population;
class TPhenotype;
class TAllele;
class TPopHaploDB;

class IndLikelihood {
public:
    double unseen_freq;      // frequency given to an allele absent from the sample in hand
    int width;               // field width of the output columns
    settings* run_settings;  // not owned
    Samples* samples;        // the samples under test; not owned
    // untyped[s][l]: sample s has no typed gene copy at locus l, so that
    // locus is left out of every log-likelihood in the column of s.
    std::vector<std::vector<bool>> untyped;

    IndLikelihood(double unseen, settings& s, Samples* tested)
        : unseen_freq(unseen), width(10), run_settings(&s), samples(tested)
    {
    }

    // The whole test and its output: 1, or 0 after an allocation failure.
    int run();

    // Per-sample allele frequencies by EM, one locus at a time, into the
    // alleles of the project's allele database; nothing for haplotypic data.
    void calc_alleles_freqs();
    // The same estimate, from every individual: the sample and the individual
    // named are not left out.
    void calc_alleles_freqs_without_one_individual(int const& sample, int const& individual);
    // One row per individual record of `pop`: its log-likelihood in every
    // sample; nothing for haplotypic data.
    void likelihood_in_a_pop(Population* pop);

    // 1 - 0.95^(1/(2 N)): the allele frequency at which 2 N gene copies miss
    // the allele with probability 0.95; 1 for an empty sample.
    static double unseen_frequency(int records);
    // ln of the genotype probability of x in sample s under Hardy-Weinberg
    // and linkage equilibrium, alleles absent from s taking unseen_freq; the
    // loci at which x misses a gene copy, or s has no typed copy, are left out.
    double ln_likelihood(TPhenotype const& x, int s) const;

private:
    bool genotypic() const;
    bool missing(TAllele const* allele) const;  // the missing-data allele
    void store_typed_frequencies(TPopHaploDB const& table, int sample);
    bool has_typed_copy(Population const& pop, int locus) const;
    double frequency(TAllele const* allele, int s) const;
    void print_labels();
    void print_untyped_loci();
};

#endif
