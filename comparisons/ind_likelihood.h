// The assignment test: the log-likelihood of every individual's genotype in
// every sample of the level.
//
// Minimal form: the run already builds and runs the test at each level; the
// computation comes with the population comparisons.
#ifndef DROV_COMPARISONS_IND_LIKELIHOOD_H
#define DROV_COMPARISONS_IND_LIKELIHOOD_H

class settings;
class Samples;

class IndLikelihood {
public:
    double unseen_freq;      // frequency given to an allele absent from a sample
    int width;               // field width of the output columns
    settings* run_settings;  // not owned
    Samples* samples;        // the samples under test; not owned

    IndLikelihood(double unseen, settings& s, Samples* tested)
        : unseen_freq(unseen), width(10), run_settings(&s), samples(tested)
    {
    }

    // The whole test and its output: 1, or 0 after an allocation failure.
    int run();
};

#endif
