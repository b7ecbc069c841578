// The assignment test: the log-likelihood of every individual's multi-locus
// genotype in every sample of the level, from the allele frequencies
// estimated in each sample (Paetkau et al. 1995; Waser and Strobeck 1998).
// The reader sees in which sample a genotype is most likely.
#ifndef DROV_COMPARISONS_IND_LIKELIHOOD_H
#define DROV_COMPARISONS_IND_LIKELIHOOD_H

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

    IndLikelihood(double unseen, settings& s, Samples* tested)
        : unseen_freq(unseen), width(10), run_settings(&s), samples(tested)
    {
    }

    // The whole test and its output: 1, or 0 after an allocation failure.
    int run();

    // Per-sample allele frequencies by EM, one locus at a time, into the
    // alleles of the project's allele database; nothing for haplotypic data.
    void calc_alleles_freqs();
    // One row per individual record of `pop`: its log-likelihood in every
    // sample; nothing for haplotypic data.
    void likelihood_in_a_pop(Population* pop);

    // 1 - 0.95^(1/(2 N)): the allele frequency at which 2 N gene copies miss
    // the allele with probability 0.95; 1 for an empty sample.
    static double unseen_frequency(int records);
    // ln of the genotype probability of x in sample s under Hardy-Weinberg
    // and linkage equilibrium, alleles absent from s taking unseen_freq; the
    // loci at which x misses a gene copy are left out.
    double ln_likelihood(TPhenotype const& x, int s) const;

private:
    bool genotypic() const;
    bool missing(TAllele const* allele) const;  // the missing-data allele
    void store_typed_frequencies(TPopHaploDB const& table, int sample);
    double frequency(TAllele const* allele, int s) const;
    void print_labels();
};

#endif
