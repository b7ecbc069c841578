// The scan for loci under selection from F-statistics and heterozygosity
// (Beaumont & Nichols 1996; hierarchical island model: Excoffier et al.
// 2009): the observed locus-by-locus F-statistics, the passes of simulated
// loci, and the per-locus tests against them.
//
// The internal AMOVAs run with every output diverted to a stream that drops
// its writes; ScanGuard gives the project and the run back on every way out.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "core/errors.h"
#include "core/xml.h"
#include "project/project.h"
#include "project/result_tree.h"
#include "summary/fst_null_density.h"
#include "summary/selection_scan.h"

using namespace selection_scan;

namespace {

const int MIN_LOCI = 10;
const int INVALID_STREAM_MESSAGE = 9;
const int INVALID_DATA_MESSAGE = 59;
const char* const WHERE = "Project::detectSelectedLociFromFSTHetComparison()";
const char* const INVALID_F =
    "\tObserved F-statistics lead to invalid migration rates. Coalescent simulations cannot be "
    "performed.\n";
const char* const INVALID_F_HINT =
    "Perform a simple AMOVA to check that all F-statistics are within the interval ]0..1[\n";

// Counts and bounds that leave nothing sound to simulate are refused before
// the scan changes anything.
bool refuseModelSettings(settings const& s)
{
    std::ostringstream text;
    if (s.NumberOfSimsForFDist2 < 1 || s.NumberOfDemesForFDist2 < 1)
        text << "\tThe selection scan needs at least one simulation and one deme"
             << " (NumberOfSimsForFDist2 = " << s.NumberOfSimsForFDist2
             << ", NumberOfDemesForFDist2 = " << s.NumberOfDemesForFDist2 << ")\n";
    const double low = s.TargetHetLowBound;
    const double high = s.TargetHetHighBound;
    if (!(low >= 0.0 && low < 1.0 && high >= low && high <= 1.0))
        text << "\tThe target heterozygosities must satisfy 0 <= low < 1 and low <= high <= 1"
             << " (TargetHetLowBound = " << low << ", TargetHetHighBound = " << high << ")\n";
    if (text.str().empty())
        return false;
    *_ZOS_ << text.str();
    if (s.results_stream)
        *s.results_stream << text.str();
    return true;
}

// The observed loci: heterozygosity between populations and FST (and FCT
// with groups), and the means that the simulations target.
struct Observed {
    MY_TArrayAsVector<double> hetBP;
    MY_TArrayAsVector<double> fst;
    MY_TArrayAsVector<double> fct;
    double meanFst = 0.0;
    double meanFct = 0.0;
    explicit Observed(int numLoci) : hetBP(numLoci, 10), fst(numLoci, 10), fct(numLoci, 10) {}
};

// Ht-weighted means of FST and FCT over the loci whose F-statistics were
// computed. False when a stop request ended the pass over the loci.
bool observeLoci(Project& p, bool withGroups, float& workCounter, Observed& obs)
{
    double sumHt = 0.0, sumFHt = 0.0, sumCHt = 0.0;
    workCounter = static_cast<float>(settings::global_work_done);
    for (int l = 0; l < p.allele_db.loci.count; ++l) {
        TLocus const& locus = *p.allele_db.loci.data[l];
        const double f = locus.locus_results[TLocus::LOCUS_FST];
        obs.fst.Add(f);
        const double Ht = heterozygosityBetween(locus.meanHetWithinSamples, f);
        if (f != -2.0) {
            sumHt += Ht;
            sumFHt += f * Ht;
        }
        obs.hetBP.Add(Ht);
        workCounter += 1.0f;
        if ((l + 1) % 10 == 0) {
            settings::global_work_done = workCounter;
            settings::print_message();
            if (p.run_settings.stop_requested)
                return false;
        }
        if (withGroups) {
            const double c = locus.locus_results[TLocus::LOCUS_FCT];
            if (c != -2.0)
                sumCHt += Ht * c;
            obs.fct.Add(c);
        }
    }
    if (sumHt != 0.0) {
        obs.meanFst = sumFHt / sumHt;
        if (withGroups)
            obs.meanFct = sumCHt / sumHt;
    }
    return true;
}

bool invalidMeans(Observed const& obs, bool withGroups)
{
    return obs.meanFst >= 1.0 || obs.meanFst <= 0.0
           || (withGroups && (obs.meanFct >= 1.0 || obs.meanFct <= 0.0));
}

void refuseInvalidF(ScanGuard& guard)
{
    *guard.savedLogStream << INVALID_F << INVALID_F_HINT;
    guard.results() << INVALID_F << INVALID_F_HINT;
}

void openForWriting(ScanGuard& guard, std::ofstream& out, my_string const& name)
{
    out.open(name.str, std::ios::out | std::ios::trunc);
    if (!out)
        guard.warnUnwritable(WHERE, name.str);
}

// The whole stage of simulated loci and tests, after the observed side.
class ScanPasses {
public:
    ScanPasses(Project& project, ScanGuard& guard, Observed const& obs, float& workCounter)
        : p(project), s(project.run_settings), g(guard), obs(obs), workCounter(workCounter)
    {
    }
    void run();

private:
    Project& p;
    settings& s;
    ScanGuard& g;
    Observed const& obs;
    float& workCounter;
    PassSettings pass;
    SimParamFile params;
    bool projectSimulationMode = false;
    int numPasses = 1;
    std::ofstream simProjectList;

    void setUp();
    // False when the scan must end (stop request or no usable simulation).
    bool runPass(int k);
    bool readSimulatedFile(SimulatedLoci& loci);
    std::string simulatedProjectName(int k) const;
    void writeSimulatedProject(int k, Samples& collected);
    bool testLoci(SimulatedLoci const& loci, std::ofstream& obsOut);
};

void ScanPasses::setUp()
{
    s.TaskNumber = settings::AMOVA;
    s.HaplAMOVA = 1;
    s.LocByLocAMOVA = 0;
    s.NumPermutationsAMOVA = 0;
    const int testedGroups = g.testedStructure->NbGroups;
    IslandModel& m = pass.model;
    m.numSims = s.NumberOfSimsForFDist2;
    m.numDemes = s.NumberOfDemesForFDist2;
    m.numGroups = std::max(s.NumberOfGroupsForFDist2, testedGroups);
    m.hetLow = s.TargetHetLowBound;
    m.hetHigh = s.TargetHetHighBound;
    pass.meanObsFst = obs.meanFst;
    pass.meanObsFct = obs.meanFct;
    pass.hierarchical = testedGroups >= 2;
    pass.mutation = mutationModelOf(ProfileSettings::DataType);

    my_string paramName = s.project_dir + "simParamFile.txt";
    std::ifstream paramIn(paramName.str);
    if (paramIn) {
        readSimParamFile(paramIn, params);
        projectSimulationMode = true;
        pass.meanObsFct = params.fct;
        pass.meanObsFst = params.fst();
        m.numGroups = params.groups;
        m.numDemes = params.demesPerGroup;
        numPasses = params.passes;
        if (params.lociPerFile > 0)
            m.numSims = params.lociPerFile;
        pass.lociPerFile = params.lociPerFile;
        openForWriting(g, simProjectList, s.results_dir + "sims.drb");
    }
    m.fit(pass.meanObsFst, ProfileSettings::DataType, testedGroups, s.NumberOfDemesForFDist2);
}

void ScanPasses::run()
{
    setUp();
    if (numPasses <= 0) {
        if (projectSimulationMode)
            g.tell("\tThe file \"simParamFile.txt\" asks for no simulated project file\n");
        return;
    }
    for (int k = 1; k <= numPasses; ++k)
        if (!runPass(k))
            return;
}

bool ScanPasses::readSimulatedFile(SimulatedLoci& loci)
{
    std::ifstream in(s.SimFileNameForFDist2.str);
    bool shortLine = false;
    const int records = in ? readSimulatedValues(in, pass.hierarchical, loci.fst, loci.hetBP, shortLine)
                           : 0;
    if (records > 0 && shortLine) {
        g.warnData(WHERE, INVALID_DATA_MESSAGE);
        std::string text = "\tThe simulated values of \"" + std::string(s.SimFileNameForFDist2.str)
                           + "\" are read up to a line without a complete record\n";
        *g.savedLogStream << text;
    }
    if (records == 0) {
        std::string text = "\tNo complete record of simulated values could be read from \""
                           + std::string(s.SimFileNameForFDist2.str)
                           + "\": the loci are simulated instead\n";
        g.tell(text.c_str());
        return false;
    }
    for (int i = 0; i < loci.hetBP.count; ++i)
        loci.limits.add(loci.hetBP[i]);
    return true;
}

std::string ScanPasses::simulatedProjectName(int k) const
{
    my_string name = settings::input_file;
    name.remove_extension();
    return name.str + ("_sim" + std::to_string(k) + ".drp");
}

void ScanPasses::writeSimulatedProject(int k, Samples& collected)
{
    std::ofstream out;
    openForWriting(g, out, my_string(simulatedProjectName(k).c_str()));
    if (out)
        out << p.profile << "\n" << collected << "\n" << *g.savedStructure << "\n";
}

bool ScanPasses::runPass(int k)
{
    std::unique_ptr<Samples> collected(projectSimulationMode ? new Samples : nullptr);
    pass.collected = collected.get();
    std::ofstream simOut;
    if (numPasses == 1) {
        openForWriting(g, simOut, s.results_dir + "fdist2_simOut.txt");
        simOut << (pass.hierarchical ? "FST\tTarget Het.\tExpHetBP\tMeanHetWP\tNumMutsOnTree\tTarget Mean FST = "
                                     : "FST\tTarget Het.\tMeanHetBP\tMeanHetWP\tNumMutsOnTree\tTarget Mean FST = ")
               << pass.meanObsFst << "\n";
    }
    SimulatedLoci loci(pass.model.numSims + 1);
    const bool fromFile = s.UseSimFileForFDist2 != 0 && s.SimFileNameForFDist2.length > 0
                          && readSimulatedFile(loci);
    if (!fromFile && !simulateLoci(p, g, pass, simOut, workCounter, loci))
        return false;
    simOut.close();
    if (projectSimulationMode)
        writeSimulatedProject(k, *collected);
    if (numPasses >= 2) {
        std::snprintf(settings::message, sizeof settings::message,
                      "Detecting loci under selection: File %i/%i with %i simulated loci done ... ",
                      k, numPasses, pass.model.numSims);
        settings::print_message();
        simProjectList << "_sim" << k << ".drp\n";
    }
    if (loci.failures > 0) {
        // A simulated project then holds fewer loci than asked.
        std::string text = "\t" + std::to_string(loci.failures) + " of "
                           + std::to_string(pass.model.numSims) + " simulations failed";
        if (projectSimulationMode) {
            my_string file(simulatedProjectName(k).c_str());
            file.rm_path();
            text += std::string(" for the simulated project \"") + file.str + "\"";
        }
        g.tell((text + "\n").c_str());
        if (!projectSimulationMode && loci.failures >= pass.model.numSims) {
            refuseInvalidF(g);
            return false;
        }
    }
    if (projectSimulationMode)
        return true;
    if (loci.fst.count == 0) {
        g.tell("\tNo simulated locus is available: the observed loci cannot be tested\n");
        return true;
    }
    std::ofstream obsOut;
    openForWriting(g, obsOut, s.results_dir + "fdist2_ObsOut.txt");
    // The simulated samples carry the names of the observed ones, group by
    // group; the names stand in the results escaped, as in the AMOVA section.
    std::ostringstream structure;
    structure << *g.savedStructure;
    g.results() << "-------------------------\n" << "Tested Genetic Structure:\n"
                << "-------------------------\n\n" << "No. of groups : "
                << g.testedStructure->NbGroups << "\n\n"
                << result_text(my_string(structure.str().c_str()))
                << "\n-------------------------\n\n";
    return testLoci(loci, obsOut);
}

bool ScanPasses::testLoci(SimulatedLoci const& loci, std::ofstream& obsOut)
{
    std::ostream& out = g.results();
    const IslandModel& m = pass.model;
    const bool hierarchical = pass.hierarchical;
    const int numLoci = obs.fst.count;
    SortedSimulatedLoci sorted(loci.hetBP, loci.fst);
    TXmlTag tag("detSel_FStat_Pval");
    if (xmlOutput)
        out << tag.open() << "\n";
    writePValueHead(out, hierarchical, m.numDemes, m.numGroups, m.numSims);
    writeObservedHead(obsOut);
    const bool counting = g.selectionBatch != nullptr;
    SelectionCounts counts;
    for (int i = 1; i <= numLoci; ++i) {
        workCounter += 1.0f;
        if (i % 10 == 0) {
            settings::global_work_done = workCounter;
            settings::print_message();
            if (s.stop_requested) {
                // The XML element and the file are closed; no more is written.
                if (xmlOutput)
                    out << tag.close() << "\n";
                return false;
            }
        }
        const double F = obs.fst[i - 1];
        const double H = obs.hetBP[i - 1];
        double upperTail = -1.0;
        const double pValue = locusPValue(F, H, sorted, upperTail);
        if (counting)
            counts.add(F, H, pValue, pass.meanObsFst);
        if (F != -2.0)
            writeLocusRow(out, obsOut, i, H, F, pValue, upperTail, hierarchical);
        std::snprintf(settings::message, sizeof settings::message,
                      "Detecting loci under selection: Calculating pValue of %i/%i locus ... ", i,
                      numLoci);
        settings::print_message();
    }
    writePValueEnd(out, hierarchical);
    if (xmlOutput)
        out << tag.close() << "\n";
    writeFSTQuantileTable(out, loci.hetBP, loci.fst, loci.limits.min, loci.limits.max);
    writeClosingLines(out);
    std::strcpy(settings::message, "Detecting loci under selection: done ... ");
    settings::print_message();
    obsOut.close();
    if (counting)
        writeBatchLine(*g.selectionBatch, settings::input_file.str, m.numSims, counts);
    return true;
}

}  // namespace

namespace selection_scan {

namespace {

// Hands every element of an owning array over to another, in order.
template <class T>
void moveElements(MY_TIArrayAsVector<T>& from, MY_TIArrayAsVector<T>& to)
{
    for (int i = 0; i < from.count; ++i)
        to.Add(from.data[i]);
    from.owns = 0;
    from.Flush();
    from.owns = 1;
}

}  // namespace

void reduceToOneGroup(Structure& structure)
{
    if (structure.NbGroups < 1 || !structure.Groups)
        return;
    MY_TIArrayAsVector<Population>& first = structure.Groups[0];
    for (int g = 1; g < structure.NbGroups; ++g) {
        MY_TIArrayAsVector<Population>& group = structure.Groups[g];
        for (int m = group.count - 1; m >= 0; --m)
            first.Add(group.data[m]);
        group.count = 0;
        if (structure.GroupSizes)
            structure.GroupSizes[g] = 0;
    }
    structure.NbGroups = 1;
    if (structure.GroupSizes)
        structure.GroupSizes[0] = structure.NbMembers;
}

ScanGuard::ScanGuard(Project& project)
    : savedResultsStream(project.run_settings.results_stream), savedLogStream(_ZOS_),
      selectionBatch(_DETECT_SELECTION_ ? ofs_selection_res : nullptr),
      savedSamples(project.samples), savedStructure(project.structure), scanSamples(new Samples),
      p(project), savedReporterStream(E.results_stream), observedSetAside(false),
      savedVectorsBuilt(0), savedConverted(0),
      savedLocByLoc(project.run_settings.LocByLocAMOVA),
      savedHaplAmova(project.run_settings.HaplAMOVA), savedTask(project.run_settings.TaskNumber),
      savedPermutations(project.run_settings.NumPermutationsAMOVA),
      savedConventionalFst(project.run_settings.ComputeConventionalFST),
      savedDistanceMatrix(project.run_settings.ComputeDistanceMatrixAMOVA), savedGenotypic(0),
      genotypicCleared(false), collectedValues(SumStat.storedValues()),
      pairwiseOff(project.run_settings)
{
    settings& s = p.run_settings;
    s.selection_scan_running = true;
    sink.open("", std::ios::in | std::ios::out);  // fails: every write is dropped
    s.results_stream = &sink;
    E.results_stream = &sink;
    _ZOS_ = &sink;
    htmlOutput = false;
}

ScanGuard::~ScanGuard()
{
    settings& s = p.run_settings;
    p.samples = savedSamples;
    p.structure = savedStructure;
    s.current_samples = savedSamples;
    if (genotypicCleared)
        savedSamples->GenotypicData = savedGenotypic;
    // The simulated samples point at the simulated haplotypes: they go first.
    testedStructure.reset();
    scanSamples.reset();
    if (observedSetAside) {
        p.allele_db.destroy();
        moveElements(observedAlleles.loci, p.allele_db.loci);
        p.allele_db.blanks_inserted = observedAlleles.blanks_inserted;
        p.haplo_list.reset();
        moveElements(observedHaplotypes.list, p.haplo_list.list);
        p.haplo_list.content_changed();
        p.haplo_vectors_built = savedVectorsBuilt;
        p.phenotypes_converted = savedConverted;
    }
    s.results_stream = savedResultsStream;
    E.results_stream = savedReporterStream;
    _ZOS_ = savedLogStream;
    s.LocByLocAMOVA = savedLocByLoc;
    s.HaplAMOVA = savedHaplAmova;
    s.TaskNumber = savedTask;
    s.NumPermutationsAMOVA = savedPermutations;
    s.ComputeConventionalFST = savedConventionalFst;
    s.ComputeDistanceMatrixAMOVA = savedDistanceMatrix;
    htmlOutput = true;
    s.selection_scan_running = false;
    PopGenetics::globalAllelicDB.destroy();
    SumStat.restoreValues(collectedValues);
}

std::ostream& ScanGuard::results()
{
    if (savedResultsStream)
        return *savedResultsStream;
    return sink;
}

void ScanGuard::tell(char const* text)
{
    *savedLogStream << text;
    results() << text;
}

void ScanGuard::warnData(char const* function, int index)
{
    std::ostream* reporter = E.results_stream;
    std::ostream* log = _ZOS_;
    E.results_stream = savedReporterStream;
    _ZOS_ = savedLogStream;
    E.error(WARNING, function, index);
    E.results_stream = reporter;
    _ZOS_ = log;
}

void ScanGuard::warnUnwritable(char const* function, char const* file)
{
    warnData(function, INVALID_STREAM_MESSAGE);
    *savedLogStream << "\tUnable to create the file \"" << file << "\"\n";
}

void ScanGuard::setObservedAside()
{
    moveElements(p.allele_db.loci, observedAlleles.loci);
    observedAlleles.blanks_inserted = p.allele_db.blanks_inserted;
    moveElements(p.haplo_list.list, observedHaplotypes.list);
    p.haplo_list.content_changed();
    savedVectorsBuilt = p.haplo_vectors_built;
    savedConverted = p.phenotypes_converted;
    observedSetAside = true;
}

void ScanGuard::clearGenotypicData()
{
    savedGenotypic = savedSamples->GenotypicData;
    savedSamples->GenotypicData = 0;
    genotypicCleared = true;
}

}  // namespace selection_scan

void Project::detectSelectedLociFromFSTHetComparison(bool hierarchical_island_model)
{
    settings& s = run_settings;
    if (refuseModelSettings(s))
        return;
    std::strcpy(settings::message, "Detecting loci under selection ...");
    settings::print_message();
    ScanGuard guard(*this);
    allele_db.create_pop_freq_vector(samples->Populations.count);
    computeMeanHeterozygosityOverSamplesInStructure(*samples, *structure);

    const int numLoci = allele_db.loci.count;
    if (numLoci < MIN_LOCI) {
        std::string text = "\tThe input file contains information on only " + std::to_string(numLoci)
                           + " loci!\n"
                             "\tDetecting outlier loci is not possible when fewer than 10 loci are "
                             "available\n";
        guard.tell(text.c_str());
        return;
    }
    settings::global_work_done = static_cast<float>(settings::global_work_done)
                                 + static_cast<float>(numLoci);
    settings::print_message();
    if (s.stop_requested)
        return;

    // The locus-by-locus AMOVA alone, on distances, without permutations.
    const int locByLoc = s.LocByLocAMOVA, haplAmova = s.HaplAMOVA, task = s.TaskNumber;
    s.LocByLocAMOVA = 1;
    s.HaplAMOVA = 0;
    s.TaskNumber = settings::AMOVA;
    s.NumPermutationsAMOVA = 0;
    s.ComputeConventionalFST = 0;
    s.ComputeDistanceMatrixAMOVA = 1;
    if (!hierarchical_island_model)
        reduceToOneGroup(*structure);
    guard.testedStructure.reset(new Structure(*structure));
    GenStructCalculations(&guard.sink);
    s.LocByLocAMOVA = locByLoc;
    s.HaplAMOVA = haplAmova;
    s.TaskNumber = task;

    const bool withGroups = structure->NbGroups >= 2;
    Observed obs(numLoci);
    float workCounter = 0.0f;
    if (!observeLoci(*this, withGroups, workCounter, obs))
        return;
    if (invalidMeans(obs, withGroups)) {
        refuseInvalidF(guard);
        return;
    }

    guard.clearGenotypicData();
    guard.setObservedAside();
    Samples& scanSamples = *guard.scanSamples;
    scanSamples.NbHaploClasses = samples->NbHaploClasses;
    static_cast<ProfileSettings&>(scanSamples) = *samples;
    static_cast<ProfileSettings&>(*guard.testedStructure) = *structure;
    // The finite island model draws its samples for the observed structure
    // with the working samples' profile.
    if (!withGroups)
        static_cast<ProfileSettings&>(*structure) = scanSamples;
    structure = guard.testedStructure.get();
    samples = &scanSamples;
    s.current_samples = &scanSamples;

    ScanPasses(*this, guard, obs, workCounter).run();
}
