// The null distribution of FST conditional on heterozygosity, from loci
// simulated under an island model (Beaumont & Nichols 1996): each simulated
// locus weighs by an Epanechnikov kernel on its heterozygosity's distance to
// the observed one, its FST smoothed by a kernel on the FST axis; tails are
// midpoint sums over bins.
#ifndef DROV_SUMMARY_FST_NULL_DENSITY_H
#define DROV_SUMMARY_FST_NULL_DENSITY_H

#include <ostream>
#include <vector>

#include "core/value_array.h"

// The simulated loci ordered by heterozygosity once, so that the loci of a
// heterozygosity window are found by binary search rather than by a pass
// over all of them (the scan asks for every observed locus).
class SortedSimulatedLoci {
public:
    SortedSimulatedLoci(const MY_TArrayAsVector<double>& simHet,
                        const MY_TArrayAsVector<double>& simFst);
    std::vector<double> het;  // ascending
    std::vector<double> fst;  // of the same loci
};

// P-value of obsFst: the upper mass U over [obsFst, 1] of the density with a
// Gaussian FST kernel of s.d. bandwidth/2; p = U, or 1 - U when U > 0.5. When
// 1 - U < 0.05, the lower mass L over [a, obsFst] (a = -0.1, or obsFst - 0.1
// below -0.1; s.d. 0.05 when bandwidth/2 is not positive) gives p = L/(U + L).
// upperTail := U, or 1 - p in the second case. No simulated locus within
// hetWindow gives U = 0 and p = 0.
double calcFSTpvalue4(double& obsFst, const MY_TArrayAsVector<double>& simHet,
                      const MY_TArrayAsVector<double>& simFst, const double& bandwidth,
                      const double& obsHet, const double& hetWindow, const int& numBins,
                      double& upperTail);
// The same over loci sorted once; equal up to the order of summation.
double calcFSTpvalue4(double& obsFst, const SortedSimulatedLoci& loci, const double& bandwidth,
                      const double& obsHet, const double& hetWindow, const int& numBins,
                      double& upperTail);

// Both tails, lower [a, obsFst] with a = 0 (obsFst - 0.1 when obsFst < 0),
// upper [obsFst, 1]: min(L, U) with an Epanechnikov FST kernel of half-width
// bandwidth (calcFSTpvalue), or with the Gaussian of s.d. bandwidth/2 (0.05
// when not positive) writing lowerTail := L (calcFSTpvalue2), or with both
// masses normalised to sum 1 writing the normalised lower tail, or 1 - U'
// when U' > L' (calcFSTpvalue3).
double calcFSTpvalue(double& obsFst, const MY_TArrayAsVector<double>& simHet,
                     const MY_TArrayAsVector<double>& simFst, const double& bandwidth,
                     const double& obsHet, const double& hetWindow, const int& numBins);
double calcFSTpvalue2(double& obsFst, const MY_TArrayAsVector<double>& simHet,
                      const MY_TArrayAsVector<double>& simFst, const double& bandwidth,
                      const double& obsHet, const double& hetWindow, const int& numBins,
                      double& lowerTail);
double calcFSTpvalue3(double& obsFst, const MY_TArrayAsVector<double>& simHet,
                      const MY_TArrayAsVector<double>& simFst, const double& bandwidth,
                      const double& obsHet, const double& hetWindow, const int& numBins,
                      double& lowerTail);

// The conditional density (Epanechnikov FST kernel of half-width bandwidth)
// at numPoints even points of [0, 1], into elements 0 .. numPoints-1 of
// density and grid, which must have room for them; nothing below 2 points.
void calcFSTDensityWeightedByHeterozDistEpanechnikov(MY_TArrayAsVector<double>& density,
                                                     MY_TArrayAsVector<double>& grid,
                                                     const MY_TArrayAsVector<double>& simHet,
                                                     const MY_TArrayAsVector<double>& simFst,
                                                     const double& bandwidth, const double& obsHet,
                                                     const double& hetWindow, int numPoints);

// Appends one FST quantile per level (increasing) to `quantiles`: the
// midpoint of the first bin of [-0.1, 1.0] (numBins bins) at which the
// cumulative share of the Gaussian-smoothed density at `het` exceeds the
// level, one bin per level; 2.0 (no quantile) for a level no bin reaches,
// and for every level when no simulated locus lies within hetWindow.
// Returns 1.
int calcCILimits(const MY_TArrayAsVector<double>& simHet, const MY_TArrayAsVector<double>& simFst,
                 const double& bandwidth, const double& het, const double& hetWindow,
                 const int& numBins, const MY_TArrayAsVector<double>& levels,
                 MY_TArrayAsVector<double>& quantiles);

// The table of the quantiles 0.01 ... 0.99 of FST at 20 heterozygosities
// from hetMin to hetMax (bandwidth 0.025, window 0.04, 400 bins); a
// quantile above 1.0 leaves its cell blank. Inside the XML element
// "detSel_FST_CI" when xmlOutput is set.
void writeFSTQuantileTable(std::ostream& out, const MY_TArrayAsVector<double>& simHet,
                           const MY_TArrayAsVector<double>& simFst, double hetMin, double hetMax);

#endif
