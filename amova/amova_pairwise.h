// Population pairwise comparisons (Amova::CalcPairDist): for every pair of
// samples a two-sample AMOVA gives FST and the mean numbers of pairwise
// differences within and between the samples (Excoffier, Smouse and Quattro
// 1992); with them come the delta mu square distance of microsatellite sizes
// (Goldstein et al. 1995), divergence times between populations of unequal
// sizes, and permutation tests of FST, PiXY, corrected PiXY and the
// divergence parameters, gene copies (or whole individuals) being exchanged
// between the two samples.
//
// The matrices of one run of the comparisons are kept in PairwiseTables;
// amova_pairwise.cpp computes them, amova_pairwise_report.cpp writes them to
// the results, the log and the batch summary files.
#ifndef DROV_AMOVA_AMOVA_PAIRWISE_H
#define DROV_AMOVA_AMOVA_PAIRWISE_H

#include <ctime>

#include "core/rectmat.h"
#include "core/trimat.h"

class Population;
class settings;

// The matrices of the comparisons of n samples, indexed by sample (0 .. n-1).
// A cell no step writes reads 0.
struct PairwiseTables {
    int n;
    // Diagonal: PiX of each sample; (i, j), i < j: PiXY; (j, i): corrected PiXY.
    RectMat pairDiff;
    TriMat fst, va;
    TriMat fstP, fstPsd;           // P value of FST (-1: no test possible) and its s.d.
    TriMat piXYP, corrPiXYP;
    TriMat deltaMu;                // only with ComputeDeltaMuSqr
    TriMat tau, k, theta0;         // only with UnequalPopSizeDiv
    // 1.0 where the divergence estimate failed or lies outside the model.
    TriMat divFailed;
    // P values of tau, k and theta0 (-1: not computed) and the number of
    // permuted estimates they were taken over.
    TriMat tauP, kP, theta0P;
    TriMat divReplicates;
    bool impossiblePair;           // a pair without gene copies was skipped
    bool testOn;                   // TestSignificancePairewiseFST after the preparation
    int permutations;              // P', the permutations run per pair

    PairwiseTables(int n, bool delta_mu, bool divergence);
};

// Writes the haplotype matrix index of every gene copy of `first`, then of
// `second`, into ids: haplotype records for haplotypic data (as the first
// sample's profile says), gene-copy records otherwise; each record gives its
// count of copies, records in list order. A record without a haplotype gives
// -1, which the set-up of the counts reports. The caller gives room for both
// samples' copies.
void fill_bipop_vector(Population const* first, Population const* second, int* ids);

// One uniform random split of the joint vector ids[0 .. N-1] between the
// first nX entries and the rest (partial Fisher-Yates from the end on ran3).
// With `by_individuals` the units are the individuals, pairs of consecutive
// entries, so that the two gene copies of an individual stay together.
void shuffle_pair_vector(int* ids, int nX, int N, bool by_individuals);

// The log line, the result sections and the batch summary lines of the
// comparisons; pops: the samples by index. `start`: the processor clock at
// the start of the computation.
void print_pairwise_report(settings& s, PairwiseTables const& t, Population* const* pops,
                           std::clock_t start);

#endif
