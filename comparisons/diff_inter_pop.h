// The exact test of population differentiation: a global test over all
// samples of the level, then every pair.
//
// Minimal form: the genetic-structure dispatcher already builds and runs the
// test; the Markov chain and its output come with the population comparisons.
#ifndef DROV_COMPARISONS_DIFF_INTER_POP_H
#define DROV_COMPARISONS_DIFF_INTER_POP_H

class settings;
class Samples;

class DiffInterPop {
public:
    settings* run_settings;  // not owned
    Samples* samples;        // the samples compared; not owned
    int test_failed;         // set when a test could not be completed

    DiffInterPop(settings& s, Samples* compared)
        : run_settings(&s), samples(compared), test_failed(0)
    {
    }

    void make_all_tests();
};

#endif
