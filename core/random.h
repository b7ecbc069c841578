// The program's one uniform random stream and the deviates drawn from it.
//
// ran3 is Knuth's subtractive generator as given in Numerical Recipes in C
// (Press et al. 1992, section 7.1): modulus 10^9, a table of 55 values, state
// shared by the whole process. Every simulation, permutation, bootstrap and
// random start draws from it. initialize_ran3 seeds it once per project from
// the clock (or from a fixed seed, see set_fixed_ran3_seed) and records the
// seed in the log and in "randseed.txt", so that a run can be repeated.
#ifndef DROV_CORE_RANDOM_H
#define DROV_CORE_RANDOM_H

#include <cstdint>

// Next uniform deviate in [0, 1). A negative *idum, or the first call of the
// process, rebuilds the table from *idum and sets *idum to 1; a non-negative
// *idum only draws. Callers pass a local variable holding 1 to continue the
// one stream.
double ran3(long* idum);

// count successive deviates of ran3(idum) into values[0 .. count - 1]: the
// same numbers, and the stream left in the same state, as count calls, for
// the long runs of draws where the calls themselves cost the most.
void ran3_fill(long* idum, double* values, int count);

// The whole state of the ran3 stream. Put back with set_ran3_state, it makes
// the stream draw the same numbers again: analyses that must make the same
// random moves on several data sets (the loci of a locus-by-locus AMOVA)
// replay one stretch of the stream.
struct Ran3State {
    std::int32_t table[56];
    int next, nextp;
    bool built;
};
Ran3State ran3_state();
void set_ran3_state(Ran3State const& state);

// seed >= 0: seeds ran3 with a negative seed taken from the clock (or the fixed
// seed when one is set), writes it to the log and to "randseed.txt".
// seed < 0: seeds ran3 with that seed and writes it to the log.
void initialize_ran3(const long& seed);

// Makes initialize_ran3 use this seed instead of the clock, so that a whole run
// can be reproduced; a positive value is used as its negative, 0 goes back to
// the clock.
void set_fixed_ran3_seed(long seed);

// A clock-derived non-negative number (the clock seed before negation).
int my_rand();

// Uniform integer in [0, *n); 0 without a draw when *n <= 0.
int rand_long(long* n);

// Fills idx[0..n-1] with n indices drawn with replacement from 0..n-1.
void bootstrap_index(int* idx, const int& n);

// Gamma(a, 1) deviate; 0.0 for a <= 0.
double gamma_dev(double a);

// Gamma(n, 1) deviate for an integer shape; 0.0 for n <= 0.
double igamma_dev(int n);

// int(ln(1 - u) / ln(1 - p)) for a uniform u.
int expdev(const double& p);

// Poisson deviate of the given mean (Numerical Recipes' poidev); the uniforms
// are drawn with the caller's seed argument.
int poidev(float xm, long* idum);

// Number of successes before the first failure, each success having
// probability p; 0 without a draw when p < 1e-10 or p == 1.
int geometric(const double& p);

// Fisher-Yates shuffle of values[0..n-1] on ran3: for i = 0, 1, ..., the
// value at i is exchanged with the one at i + (int)((n - i) U). false, and no
// further exchange, when a draw falls outside the values. Every permutation
// of alleles draws this way, so that equal calls give equal orders.
template <class T>
bool ran3_shuffle(T* values, int n, long& seed)
{
    for (int i = 0; i < n; i++) {
        int j = i + static_cast<int>((n - i) * ran3(&seed));
        if (j >= n)
            return false;
        T kept = values[i];
        values[i] = values[j];
        values[j] = kept;
    }
    return true;
}

#endif
