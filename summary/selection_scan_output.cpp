// The per-locus results of the selection scan: p-values against the
// simulated loci, the p-value table of the results, the observed-values file
// "fdist2_ObsOut.txt" and the line of the selection batch file.

#include <cmath>
#include <iomanip>
#include <ostream>
#include <string>

#include "summary/fst_null_density.h"
#include "summary/selection_scan.h"

namespace selection_scan {

const double LEVELS[NUM_LEVELS] = {0.001, 0.005, 0.01, 0.025, 0.05};

namespace {

const double BANDWIDTH = 0.025;
const double HET_WINDOW = 0.04;
const int NUM_BINS = 200;
const double UNCOMPUTED = 2.0;
const double BELOW_RESOLUTION = 1e-7;

// True when some simulated locus weighs in the window of H: its distance to
// H is below the half-width (a locus at the edge has weight 0).
bool windowHoldsLoci(SortedSimulatedLoci const& loci, double H)
{
    auto it = std::lower_bound(loci.het.begin(), loci.het.end(), H - HET_WINDOW);
    for (; it != loci.het.end() && *it - H < HET_WINDOW; ++it)
        if (std::fabs(*it - H) < HET_WINDOW)
            return true;
    return false;
}

}  // namespace

double locusPValue(double F, double H, SortedSimulatedLoci const& loci, double& upperTail)
{
    upperTail = -1.0;
    if (H == 0.0)
        return -1.0;
    double p = calcFSTpvalue4(F, loci, BANDWIDTH, H, HET_WINDOW, NUM_BINS, upperTail);
    if (p == 0.0)
        p = windowHoldsLoci(loci, H) ? BELOW_RESOLUTION : UNCOMPUTED;
    return p;
}

void SelectionCounts::add(double F, double H, double p, double meanFst)
{
    if (F == -2.0 || H == 0.0)
        return;
    for (int j = 0; j < NUM_LEVELS; ++j) {
        if (F < meanFst)
            low[j] += p <= LEVELS[j];
        else if (F > meanFst)
            high[j] += p <= LEVELS[j];
    }
    if (p < UNCOMPUTED)
        ++numTested;
}

void writePValueHead(std::ostream& results, bool hierarchical, int numSimDemes, int numSimGroups,
                     int numSims)
{
    results << std::right;
    const std::string dashes(hierarchical ? 26 : 20, '-');
    const std::string rule(hierarchical ? 84 : 53, '=');
    results << dashes << "\n"
            << (hierarchical ? "Hierarchical island model:\n" : "Finite island model:\n") << dashes
            << "\n";
    if (hierarchical) {
        results << "No. of simulated groups:                 " << std::setw(8) << numSimGroups << "\n"
                << "No. of simulated demes per groups:       " << std::setw(8) << numSimDemes << "\n";
    } else {
        results << "No. of simulated demes:       " << std::setw(8) << numSimDemes << "\n";
    }
    results << "No. of coalescent simulations performed: " << std::setw(8) << numSims << "\n\n"
            << rule << "\n"
            << std::setw(8) << "Locus" << std::setw(15) << "Obs. Het. BP" << std::setw(15)
            << "Obs. FST" << std::setw(20) << "FST P-value" << std::setw(20) << "1-FST quantile"
            << (hierarchical ? "\t(if P-value=2 -> uncomputed value due to Obs.Het.BP out of "
                               "simulated bounds)\n"
                             : "\t(if P-value=2 -> uncomputed value due to Obs.Het.BP out. of "
                               "simulated bounds)\n")
            << rule << "\n";
}

void writeObservedHead(std::ostream& obsOut)
{
    obsOut << "Locus\tObs. Het. BP\tObs FST\tFST P-value\t1-FST quantile\t(if P-value=2 -> "
              "uncomputed value because Obs.Het.BP is out of simulated bounds)\n";
}

void writeLocusRow(std::ostream& results, std::ostream& obsOut, int locus, double H, double F,
                   double p, double upperTail, bool hierarchical)
{
    results << std::right << std::fixed << std::setprecision(8) << std::setw(8) << locus
            << std::setw(15) << H << std::setw(15) << F << std::scientific;
    if (!hierarchical && p >= UNCOMPUTED)
        results << std::setw(20) << "2";
    else
        results << std::setw(20) << p;
    results << std::setw(20) << upperTail << std::fixed << "\n";

    obsOut << locus << "\t" << H << "\t" << F;
    if (hierarchical) {
        obsOut << "\t" << p << "\t" << upperTail << "\n";
    } else if (p >= UNCOMPUTED) {
        obsOut << "\t2" << "\n";
    } else {
        // The file keeps 8 significant digits from the first tested locus on.
        obsOut << "\t" << p << "\t" << std::setprecision(8) << upperTail << "\n";
    }
}

void writePValueEnd(std::ostream& results, bool hierarchical)
{
    results << std::string(hierarchical ? 84 : 53, '=') << "\n\n";
}

void writeClosingLines(std::ostream& results)
{
    results << "Additional results can be found in files \"fdist2_ObsOut.txt\" and  "
               "\"fdist2_simOut.txt\"\n"
            << "File \"fdist2_ObsOut.txt\" contains observed F-statistics and their associated "
               "p-values\n"
            << "File \"fdist2_simOut.txt\" contains all simulated heterozygosities and "
               "F-statistics\n"
            << "These files can be used to produce graphical representations of observed  vs. "
               "simulated data\n\n";
}

void writeBatchLine(std::ostream& out, char const* inputFile, int numSims,
                    SelectionCounts const& counts)
{
    out << inputFile << "\t" << numSims << "\t" << counts.numTested;
    for (int count : counts.low)
        out << "\t" << count;
    for (int count : counts.high)
        out << "\t" << count;
    out << "\n" << std::flush;
}

}  // namespace selection_scan
