// The summary-statistics collector and its line.
//
// Across the projects of a run list the collector gathers one table of
// chosen statistics: a header line, then one line of tab-separated values
// per project. The statistics are chosen by keywords, one flag each, read
// from a keyword file; the analyses store their results in the collector's
// public lists and scalars while they run, and after each analysis level the
// run control turns the flagged values into text. The one instance is the
// process-wide `SumStat` (app/glbobj.h).
//
// Each project's line reports that project only: at its start every stored
// value becomes not-a-number (written "NA"), lists keeping their length; and
// the columns of every line are those of the header, which the first project
// that completes its line builds.
#ifndef DROV_SUMMARY_SUMSTAT_H
#define DROV_SUMMARY_SUMSTAT_H

#include <string>
#include <vector>

#include "core/datatype.h"
#include "core/my_string.h"
#include "core/value_array.h"

class TSumStat {
public:
    using List = MY_TArrayAsVector<double>;

    my_string outputFileName;  // written by writeToFile
    my_string defFileName;     // the keyword file
    // The texts grow without a cap: long run lists and many pairwise values
    // make lines and files beyond any fixed size.
    std::string headerText;
    std::string valuesText;

    bool appendToFile = false;  // writeToFile appends instead of rewriting
    bool enabled = false;       // the level keywords decide the levels a run performs

    // Keyword flags, named as their keywords.
    bool ALL_K = false, ALLSD_K = false, MEAN_K = false, SD_K = false, TOT_K = false;
    bool ALL_H = false, ALLSD_H = false, MEAN_H = false, SD_H = false, TOT_H = false;
    bool ALL_S = false, ALLSD_S = false, PRIVATE_S = false, MEAN_S = false, SD_S = false,
         TOT_S = false;
    bool ALL_TAJIMAD = false, ALLSD_TAJIMAD = false, MEAN_TAJIMAD = false, SD_TAJIMAD = false,
         TOT_TAJIMAD = false;
    bool ALL_FUFS = false, ALLSD_FUFS = false, MEAN_FUFS = false, SD_FUFS = false,
         TOT_FUFS = false;
    bool ALL_PI = false, MEAN_PI = false, SD_PI = false, TOT_PI = false;
    bool ALL_GW = false, ALLSD_GW = false, MEAN_GW = false, SD_GW = false, TOT_GW = false;
    bool ALL_NGW = false, ALLSD_NGW = false, MEAN_NGW = false, SD_NGW = false;
    bool ALL_RANGE = false, ALLSD_RANGE = false, MEAN_RANGE = false, SD_RANGE = false,
         TOT_RANGE = false;
    // Index flags: set by the AMOVA for each fixation index it stores.
    bool FIS = false, FST = false, FCT = false, FSC = false, FIT = false;
    bool GLOBAL_FSTAT = false, GLOBALSD_FSTAT = false;
    bool PAIRWISE_FST = false, PAIRWISE_PI = false, PAIRWISE_DMUSQR = false;
    bool MEAN_ALL_DPRIME = false, MEAN_ALL_R2 = false, ALL_ADJ_DPRIME = false,
         ALL_ADJ_R2 = false, MEAN_ADJ_DPRIME = false, MEAN_ADJ_R2 = false,
         FLANK_DPRIME = false, FLANK_R2 = false;
    bool POP_LEVEL = false, GROUP_LEVEL = false;
    // Set while a run analyses its group level: column names get "gr_".
    bool atGroupLevel = false;

    // Per sample of the level (a population, or a pooled group), and the mean,
    // s.d. and pooled total over the samples; the producers empty a list
    // before they add one value per sample.
    List K{0, 10}, Ksd{0, 10};
    double meanK = 0, sdK = 0, totK = 0;
    List H{0, 10}, Hsd{0, 10};
    double meanH = 0, sdH = 0, totH = 0;
    List S{0, 10}, Ssd{0, 10}, prS{0, 10};
    double meanS = 0, sdS = 0, totS = 0;
    List D{0, 10}, Dsd{0, 10};
    double meanD = 0, sdD = 0, totD = 0;
    List FS{0, 10}, FSsd{0, 10};
    double meanFS = 0, sdFS = 0, totFS = 0;
    List Pi{0, 10};
    double meanPi = 0, sdPi = 0, totPi = 0;
    List GW{0, 10}, GWsd{0, 10};
    double meanGW = 0, sdGW = 0, totGW = 0;
    List NGW{0, 10}, NGWsd{0, 10};
    double meanNGW = 0, sdNGW = 0;
    List R{0, 10}, Rsd{0, 10};
    double meanR = 0, sdR = 0, totR = 0;
    // Fixation indices of the last AMOVA (stored under GLOBAL_FSTAT).
    double globalFIS = 0, globalFST = 0, globalFCT = 0, globalFSC = 0, globalFIT = 0;
    // One value per pair of samples (i, j), j < i, in the order (2,1), (3,1), (3,2), ...
    List pairFST{0, 20}, pairPI{0, 20}, pairDMUSQ{0, 20};
    // Linkage disequilibrium of haplotypic samples.
    List meanAllDprime, meanAllR2, allAdjDprime, allAdjR2, meanAdjDprime, meanAdjR2,
        flankDprime, flankR2;

    TSumStat() = default;
    TSumStat(TSumStat const&) = delete;
    TSumStat& operator=(TSumStat const&) = delete;

    // Empties both texts and clears every keyword flag, index flag and
    // atGroupLevel; the switches, file names and values stay.
    void resetComputationFlags();
    // The same resets, then the flags of the keywords of the file `name`.
    // False, after a message naming the file, when it cannot be opened or
    // holds a line too long to read (no flag is then set).
    bool readDefSSFile(my_string const& name);
    // Sets the flags of the keywords found in the line, before any '#', in any case.
    void checkForStat(my_string const& line);

    // Which analysis levels a run performs: with the collector enabled its
    // level keywords decide, otherwise the group level follows the settings'
    // ComputeSumStatsWithinGroups and the population level always runs.
    bool runsGroupLevel(bool compute_within_groups) const;
    bool runsPopulationLevel() const;

    // Called at the start of each project, before any level: every stored
    // value becomes not-a-number, lists keeping their length.
    void startProject();
    // A project whose run failed leaves no line: what it appended is taken back.
    void dropProjectLine();

    // The values and index flags that the analyses store, kept aside and
    // put back around analyses whose results are not the run's own (the
    // selection scan's simulated AMOVAs).
    struct StoredValues {
        std::vector<std::vector<double>> lists;
        std::vector<double> scalars;
        std::vector<bool> flags;
    };
    StoredValues storedValues() const;
    void restoreValues(StoredValues const& kept);
    // True until a project has completed the header line.
    bool needsHeader() const { return !headerDone_; }

    // Appends the column names of the selected statistics to headerText, resp.
    // their values to valuesText; the data type decides which groups exist.
    void outputHeader(TDataType data_type);
    void outputStats(TDataType data_type);
    // 0: valuesText, 1: headerText then valuesText, 2: headerText; any other
    // value writes nothing. Rewrites outputFileName, or appends to it with
    // appendToFile. False, after a message naming the file, when it cannot be opened.
    bool writeToFile(int what);

    // Fixation indices, as bits of the set that an AMOVA design computes.
    enum FixationIndex { INDEX_FIS = 1, INDEX_FST = 2, INDEX_FCT = 4, INDEX_FSC = 8, INDEX_FIT = 16 };
    struct FixationIndices {
        double FIS = 0, FST = 0, FCT = 0, FSC = 0, FIT = 0;
    };
    // The indices of the AMOVA design of result code 1 to 7 (1G_P_H, 1G_P_I,
    // G_P_H, G_P_I, G_P_IH, 1G_1P_I, 1G_P_IH); 0 for any other code.
    static int designIndices(int result_code);
    // Under GLOBAL_FSTAT: sets the flag of each index of `which` and stores its
    // value. The AMOVA designs pass their indices once computed; the weighted
    // averages over loci pass theirs, 0 for an average not computed.
    void storeGlobalFStat(int which, FixationIndices const& values);

    // A pairwise comparison's table: empties `list` and, when `selected`, adds
    // value(i, j) for every pair j < i of the n samples (numbered from 0), row by row.
    template <class PairValue>
    void storePairs(List& list, bool selected, int n, PairValue value)
    {
        list.count = 0;
        if (!selected || n < 2)
            return;
        long pairs = static_cast<long>(n) * (n - 1) / 2;
        if (list.capacity < pairs)
            list.Reallocate(static_cast<int>(pairs));  // one allocation instead of many
        for (int i = 1; i < n; ++i)
            for (int j = 0; j < i; ++j)
                list.Add(value(i, j));
    }

private:
    bool headerDone_ = false;
    // The number of columns of each line entry, per level (0 populations,
    // 1 groups), as the header has them.
    std::vector<int> headerColumns_[2];
    std::string::size_type headerMark_ = 0, valuesMark_ = 0;  // the texts at the project's start

    void forgetHeader();
    bool endsLine() const;
};

#endif
