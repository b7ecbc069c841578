// The scan for loci under selection (Beaumont & Nichols 1996): each locus's
// FST from a locus-by-locus AMOVA is compared with the FST of neutral
// one-locus samples simulated under a finite or hierarchical island model
// (Excoffier et al. 2009) fitted to the observed mean F-statistics,
// conditional on the heterozygosity between populations.
//
// The pieces here are the scan's state and the steps that can be checked on
// their own; Project::detectSelectedLociFromFSTHetComparison runs them.
#ifndef DROV_SUMMARY_SELECTION_SCAN_H
#define DROV_SUMMARY_SELECTION_SCAN_H

#include <fstream>
#include <iosfwd>
#include <memory>

#include "app/glbobj.h"
#include "core/datatype.h"
#include "core/value_array.h"
#include "model/allele_db.h"
#include "model/haplo_db.h"
#include "project/genstruct_dispatch.h"
#include "simulation/ttree.h"
#include "summary/sumstat.h"

class Project;
class Samples;
class Structure;
class settings;
class SortedSimulatedLoci;

namespace selection_scan {

class ScanGuard;

// The five significance levels of the batch counts, in column order.
const int NUM_LEVELS = 5;
extern const double LEVELS[NUM_LEVELS];

// Heterozygosity between populations of a locus with heterozygosity within
// samples h and FST f: h / (1 - f); 1.0 when f is exactly 1.0 or exactly
// -2.0 (not computed).
double heterozygosityBetween(double h, double f);

// Merges the groups of the structure into its first group, in place: each
// later group's members, last to first, are appended to the first group.
void reduceToOneGroup(Structure& structure);

// Mutation model of the simulated loci for a data type.
Mut_Type mutationModelOf(int dataType);

// Theta of a locus whose heterozygosity should be H: stepwise mutation model
// for microsatellites, infinite sites (one site, H below 0.5: a second draw
// in [0.45, 0.5) replaces a larger H) for DNA and RFLP, infinite alleles
// otherwise. H may be replaced by the second draw.
double thetaOfTargetHet(double& H, int dataType, long& seed);

// The island model the simulations follow.
struct IslandModel {
    int numSims = 0;
    int numDemes = 0;       // demes (finite model) or demes per group
    int numGroups = 0;
    int demesSharingTheta = 0;
    double hetLow = 0.0;
    double hetHigh = 0.0;
    double maxThetaPerDeme = 0.0;  // L: 1/FST - 1, at most 1
    double thetaCap = 0.0;         // 0.95 L, replaces a theta per deme above L

    double thetaPerDeme(double theta) const;
    // The demes sharing a locus's theta (all demes of the hierarchical
    // model, else finiteDemes) and the limits from the mean FST and the data
    // type; the counts and bounds must be set.
    void fit(double meanObsFst, int dataType, int testedGroups, int finiteDemes);
};

// "simParamFile.txt": the simulated projects to produce.
struct SimParamFile {
    int passes = 0;
    int lociPerFile = 0;
    int groups = 0;
    int demesPerGroup = 0;
    double fsc = 0.0;
    double fct = 0.0;
    double fst() const { return 1.0 - (1.0 - fct) * (1.0 - fsc); }
};
void readSimParamFile(std::istream& in, SimParamFile& params);

// Simulated values read back from a file (first line skipped): one record
// per line, FST and heterozygosity between populations as numbers 1 and 3
// of a three-number record, or 1 and 5 of a seven-number record
// (`hierarchical`). Blank lines are skipped; a line without a complete
// record ends the reading and sets `shortLine`. Returns the records read.
int readSimulatedValues(std::istream& in, bool hierarchical, MY_TArrayAsVector<double>& simFst,
                        MY_TArrayAsVector<double>& simHetBP, bool& shortLine);

// The running limits of the simulated heterozygosities; a value that is not
// a number changes none of them.
struct HetLimits {
    double min = 10000.0;
    double max = -10.0;
    void add(double het);
};

// P-value of a locus (estimator calcFSTpvalue4): -1 when H is 0; 2.0
// (uncomputed) when no simulated locus has a weight in the heterozygosity
// window of H; 1e-7 when the window holds loci and the estimator gave 0.
// upperTail as the estimator leaves it (-1.0 when it was not called).
double locusPValue(double F, double H, SortedSimulatedLoci const& loci, double& upperTail);

// The simulated loci of one pass, in simulation order.
struct SimulatedLoci {
    MY_TArrayAsVector<double> fst;
    MY_TArrayAsVector<double> hetBP;
    HetLimits limits;
    int failures = 0;  // genealogies that could not be built
    explicit SimulatedLoci(int room) : fst(room, 5000), hetBP(room, 5000) {}
};

// What one simulation pass needs besides the project.
struct PassSettings {
    IslandModel model;
    double meanObsFst = 0.0;
    double meanObsFct = 0.0;
    bool hierarchical = false;      // the tested structure has 2 groups or more
    Mut_Type mutation = STEPWISE;
    Samples* collected = nullptr;   // project-simulation mode: gathers the loci
    int lociPerFile = 0;
};

// Simulates the loci of a pass into `loci` and writes them to simOut; in
// project-simulation mode only gathers them into pass.collected. False
// when a stop request ended it.
bool simulateLoci(Project& p, ScanGuard& guard, PassSettings const& pass, std::ostream& simOut,
                  float& workCounter, SimulatedLoci& loci);

// Loci significant at each level, below and above the mean FST.
struct SelectionCounts {
    int low[NUM_LEVELS] = {};
    int high[NUM_LEVELS] = {};
    int numTested = 0;
    // A locus of FST F, heterozygosity H and p-value p.
    void add(double F, double H, double p, double meanFst);
};

// Head, rows and end of the p-value table, on the results and on the
// observed-values file.
void writePValueHead(std::ostream& results, bool hierarchical, int numSimDemes, int numSimGroups,
                     int numSims);
void writeObservedHead(std::ostream& obsOut);
void writeLocusRow(std::ostream& results, std::ostream& obsOut, int locus, double H, double F,
                   double p, double upperTail, bool hierarchical);
void writePValueEnd(std::ostream& results, bool hierarchical);
void writeClosingLines(std::ostream& results);
// One line of "selectionDetection.sum".
void writeBatchLine(std::ostream& out, char const* inputFile, int numSims,
                    SelectionCounts const& counts);

// Everything the scan changes in the project and the run, given back by the
// destructor on every way out, exceptions included. The internal AMOVAs
// leave no trace in the run's own outputs: the results, the log, the batch
// files and the summary-statistics collector get nothing from them.
class ScanGuard {
public:
    explicit ScanGuard(Project& project);
    ~ScanGuard();
    ScanGuard(ScanGuard const&) = delete;
    ScanGuard& operator=(ScanGuard const&) = delete;

    // The discarding stream the internal analyses write to.
    std::fstream sink;
    std::fstream* savedResultsStream;
    std::ostream* savedLogStream;
    // The scan's own line of "selectionDetection.sum"; null when the batch
    // file is not asked for. Taken before the batch streams are suspended.
    std::ofstream* selectionBatch;
    Samples* savedSamples;
    Structure* savedStructure;
    // Working samples and structure of the simulated loci.
    std::unique_ptr<Samples> scanSamples;
    std::unique_ptr<Structure> testedStructure;

    // Where the scan's own results go: the run's results file, or nowhere.
    std::ostream& results();
    // A text for the log and then the results (refusals and notices).
    void tell(char const* text);
    // A WARNING (message `index`) that reaches the log and the results
    // although the internal output is diverted.
    void warnData(char const* function, int index);
    // A WARNING that reaches the log although the internal output is diverted.
    void warnUnwritable(char const* function, char const* file);
    // The project samples' GenotypicData is given back at the exit.
    void clearGenotypicData();
    // Before the simulations take over the project's allele database and
    // haplotype list: their loci, alleles and haplotypes are kept aside, so
    // that the observed samples point at them again after the scan.
    void setObservedAside();

private:
    Project& p;
    std::ostream* savedReporterStream;
    TAlleleDB observedAlleles;
    Haplo_DB observedHaplotypes;
    bool observedSetAside;
    int savedVectorsBuilt, savedConverted;
    int savedLocByLoc, savedHaplAmova, savedTask, savedPermutations, savedConventionalFst,
        savedDistanceMatrix;
    int savedGenotypic;
    bool genotypicCleared;
    TSumStat::StoredValues collectedValues;
    BatchStreamsSuspended batchStreams;
    // The scan reads the AMOVA's F-statistics alone.
    PairwiseComparisonsOff pairwiseOff;
};

}  // namespace selection_scan

#endif
