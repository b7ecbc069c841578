// The summary-statistics collector: its keyword flags and the keyword file,
// the output file, what happens to the stored values from project to
// project, and the entry points through which the AMOVA and the pairwise
// comparisons store their results. The line itself is built in
// sumstat_line.cpp.

#include "summary/sumstat.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>

#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/keyword_line.h"

namespace {

struct Keyword {
    const char* word;
    bool TSumStat::*flag;
};

// In the order they are looked for. A keyword beginning with "ALLSD_" is
// taken out of the line once found, so that the shorter keyword it holds
// ("SD_K" in "ALLSD_K") does not fire on it.
const Keyword KEYWORDS[] = {
    {"POP_LEVEL", &TSumStat::POP_LEVEL},
    {"GROUP_LEVEL", &TSumStat::GROUP_LEVEL},
    {"ALL_K", &TSumStat::ALL_K},
    {"ALLSD_K", &TSumStat::ALLSD_K},
    {"MEAN_K", &TSumStat::MEAN_K},
    {"SD_K", &TSumStat::SD_K},
    {"TOT_K", &TSumStat::TOT_K},
    {"ALL_H", &TSumStat::ALL_H},
    {"ALLSD_H", &TSumStat::ALLSD_H},
    {"MEAN_H", &TSumStat::MEAN_H},
    {"SD_H", &TSumStat::SD_H},
    {"TOT_H", &TSumStat::TOT_H},
    {"ALL_S", &TSumStat::ALL_S},
    {"ALLSD_S", &TSumStat::ALLSD_S},
    {"PRIVATE_S", &TSumStat::PRIVATE_S},
    {"MEAN_S", &TSumStat::MEAN_S},
    {"SD_S", &TSumStat::SD_S},
    {"TOT_S", &TSumStat::TOT_S},
    {"ALL_TAJIMAD", &TSumStat::ALL_TAJIMAD},
    {"ALLSD_TAJIMAD", &TSumStat::ALLSD_TAJIMAD},
    {"MEAN_TAJIMAD", &TSumStat::MEAN_TAJIMAD},
    {"SD_TAJIMAD", &TSumStat::SD_TAJIMAD},
    {"TOT_TAJIMAD", &TSumStat::TOT_TAJIMAD},
    {"ALL_FUFS", &TSumStat::ALL_FUFS},
    {"ALLSD_FUFS", &TSumStat::ALLSD_FUFS},
    {"MEAN_FUFS", &TSumStat::MEAN_FUFS},
    {"SD_FUFS", &TSumStat::SD_FUFS},
    {"TOT_FUFS", &TSumStat::TOT_FUFS},
    {"ALL_PI", &TSumStat::ALL_PI},
    {"MEAN_PI", &TSumStat::MEAN_PI},
    {"SD_PI", &TSumStat::SD_PI},
    {"TOT_PI", &TSumStat::TOT_PI},
    {"ALL_GW", &TSumStat::ALL_GW},
    {"ALLSD_GW", &TSumStat::ALLSD_GW},
    {"MEAN_GW", &TSumStat::MEAN_GW},
    {"SD_GW", &TSumStat::SD_GW},
    {"TOT_GW", &TSumStat::TOT_GW},
    {"ALL_NGW", &TSumStat::ALL_NGW},
    {"ALLSD_NGW", &TSumStat::ALLSD_NGW},
    {"MEAN_NGW", &TSumStat::MEAN_NGW},
    {"SD_NGW", &TSumStat::SD_NGW},
    {"ALL_RANGE", &TSumStat::ALL_RANGE},
    {"ALLSD_RANGE", &TSumStat::ALLSD_RANGE},
    {"MEAN_RANGE", &TSumStat::MEAN_RANGE},
    {"SD_RANGE", &TSumStat::SD_RANGE},
    {"TOT_RANGE", &TSumStat::TOT_RANGE},
    {"MEAN_ALL_DPRIME", &TSumStat::MEAN_ALL_DPRIME},
    {"MEAN_ALL_R2", &TSumStat::MEAN_ALL_R2},
    {"ALL_ADJ_DPRIME", &TSumStat::ALL_ADJ_DPRIME},
    {"ALL_ADJ_R2", &TSumStat::ALL_ADJ_R2},
    {"MEAN_ADJ_DPRIME", &TSumStat::MEAN_ADJ_DPRIME},
    {"MEAN_ADJ_R2", &TSumStat::MEAN_ADJ_R2},
    {"FLANK_DPRIME", &TSumStat::FLANK_DPRIME},
    {"FLANK_R2", &TSumStat::FLANK_R2},
    {"GLOBAL_FSTAT", &TSumStat::GLOBAL_FSTAT},
    {"GLOBALSD_FSTAT", &TSumStat::GLOBALSD_FSTAT},
    {"PAIRWISE_FST", &TSumStat::PAIRWISE_FST},
    {"PAIRWISE_PI", &TSumStat::PAIRWISE_PI},
    {"PAIRWISE_DMUSQR", &TSumStat::PAIRWISE_DMUSQR},
};

// The flags that no keyword sets.
bool TSumStat::* const OTHER_FLAGS[] = {
    &TSumStat::FIS, &TSumStat::FST, &TSumStat::FCT, &TSumStat::FSC, &TSumStat::FIT,
    &TSumStat::atGroupLevel,
};

TSumStat::List TSumStat::* const LISTS[] = {
    &TSumStat::K, &TSumStat::Ksd, &TSumStat::H, &TSumStat::Hsd, &TSumStat::S, &TSumStat::Ssd,
    &TSumStat::prS, &TSumStat::D, &TSumStat::Dsd, &TSumStat::FS, &TSumStat::FSsd,
    &TSumStat::Pi, &TSumStat::GW, &TSumStat::GWsd, &TSumStat::NGW, &TSumStat::NGWsd,
    &TSumStat::R, &TSumStat::Rsd, &TSumStat::pairFST, &TSumStat::pairPI, &TSumStat::pairDMUSQ,
    &TSumStat::meanAllDprime, &TSumStat::meanAllR2, &TSumStat::allAdjDprime,
    &TSumStat::allAdjR2, &TSumStat::meanAdjDprime, &TSumStat::meanAdjR2,
    &TSumStat::flankDprime, &TSumStat::flankR2,
};

double TSumStat::* const SCALARS[] = {
    &TSumStat::meanK, &TSumStat::sdK, &TSumStat::totK, &TSumStat::meanH, &TSumStat::sdH,
    &TSumStat::totH, &TSumStat::meanS, &TSumStat::sdS, &TSumStat::totS, &TSumStat::meanD,
    &TSumStat::sdD, &TSumStat::totD, &TSumStat::meanFS, &TSumStat::sdFS, &TSumStat::totFS,
    &TSumStat::meanPi, &TSumStat::sdPi, &TSumStat::totPi, &TSumStat::meanGW, &TSumStat::sdGW,
    &TSumStat::totGW, &TSumStat::meanNGW, &TSumStat::sdNGW, &TSumStat::meanR, &TSumStat::sdR,
    &TSumStat::totR, &TSumStat::globalFIS, &TSumStat::globalFST, &TSumStat::globalFCT,
    &TSumStat::globalFSC, &TSumStat::globalFIT,
};

// A file that cannot be opened: on standard error, and in the log when a
// project's log is open.
void report_unopened(const char* function, int message, const char* what, my_string const& name)
{
    std::cerr << "drovexec: cannot open the " << what << " \"" << name << "\"" << std::endl;
    if (E.log_open) {
        E.error(WARNING, function, message);
        *_ZOS_ << "\tUnable to open the " << what << " \"" << name << "\"" << std::endl;
    }
}

}  // namespace

void TSumStat::resetComputationFlags()
{
    headerText.clear();
    valuesText.clear();
    for (Keyword const& keyword : KEYWORDS)
        this->*keyword.flag = false;
    for (bool TSumStat::*flag : OTHER_FLAGS)
        this->*flag = false;
    forgetHeader();
    headerMark_ = valuesMark_ = 0;
}

bool TSumStat::readDefSSFile(my_string const& name)
{
    defFileName = name;
    resetComputationFlags();
    InputFile in(defFileName.str);
    if (!in.is_open()) {
        report_unopened("TSumStat::readDefSSFile()", 103, "summary-statistics keyword file",
                        defFileName);
        return false;
    }
    my_string line;
    while (in.good()) {
        line.read_line(in);
        checkForStat(line);
    }
    // A line too long to read (reported with the file and line) leaves the
    // keywords after it unread: none is taken.
    if (in.bad()) {
        resetComputationFlags();
        return false;
    }
    return true;
}

void TSumStat::checkForStat(my_string const& line)
{
    my_string text(line);
    clearLineAfterPoundSign(text);
    text.to_upper();
    for (Keyword const& keyword : KEYWORDS) {
        if (!text.contains(keyword.word))
            continue;
        this->*keyword.flag = true;
        if (std::strncmp(keyword.word, "ALLSD_", 6) == 0)
            text.removes(my_string(keyword.word));
    }
}

bool TSumStat::runsGroupLevel(bool compute_within_groups) const
{
    return enabled ? GROUP_LEVEL : compute_within_groups;
}

bool TSumStat::runsPopulationLevel() const
{
    return !enabled || POP_LEVEL;
}

void TSumStat::startProject()
{
    const double not_a_number = std::numeric_limits<double>::quiet_NaN();
    for (List TSumStat::*list : LISTS) {
        List& values = this->*list;
        for (int i = 0; i < values.count; ++i)
            values[i] = not_a_number;
    }
    for (double TSumStat::*scalar : SCALARS)
        this->*scalar = not_a_number;
    atGroupLevel = false;
    headerMark_ = headerText.size();
    valuesMark_ = valuesText.size();
}

void TSumStat::dropProjectLine()
{
    valuesText.resize(valuesMark_);
    if (!headerDone_) {
        headerText.resize(headerMark_);
        forgetHeader();
    }
}

TSumStat::StoredValues TSumStat::storedValues() const
{
    StoredValues kept;
    for (List TSumStat::*list : LISTS) {
        List const& values = this->*list;
        kept.lists.emplace_back(values.data, values.data + values.count);
    }
    for (double TSumStat::*scalar : SCALARS)
        kept.scalars.push_back(this->*scalar);
    for (bool TSumStat::*flag : OTHER_FLAGS)
        kept.flags.push_back(this->*flag);
    return kept;
}

void TSumStat::restoreValues(StoredValues const& kept)
{
    std::size_t i = 0;
    for (List TSumStat::*list : LISTS) {
        List& values = this->*list;
        values.count = 0;
        for (double x : kept.lists[i++])
            values.Add(x);
    }
    i = 0;
    for (double TSumStat::*scalar : SCALARS)
        this->*scalar = kept.scalars[i++];
    i = 0;
    for (bool TSumStat::*flag : OTHER_FLAGS)
        this->*flag = kept.flags[i++];
}

void TSumStat::forgetHeader()
{
    headerDone_ = false;
    headerColumns_[0].clear();
    headerColumns_[1].clear();
}

bool TSumStat::writeToFile(int what)
{
    std::ios::openmode mode = std::ios::binary | (appendToFile ? std::ios::app : std::ios::trunc);
    std::ofstream out(outputFileName.str, std::ios::out | mode);
    if (!out.is_open()) {
        report_unopened("TSumStat::writeToFile()", 9, "summary-statistics file", outputFileName);
        return false;
    }
    if (what == 1 || what == 2)
        out << headerText;
    if (what == 0 || what == 1)
        out << valuesText;
    return true;
}

int TSumStat::designIndices(int result_code)
{
    switch (result_code) {
    case 1:
    case 7:
        return INDEX_FST;
    case 2:
        return INDEX_FIS | INDEX_FST | INDEX_FIT;
    case 3:
    case 5:
        return INDEX_FST | INDEX_FSC | INDEX_FCT;
    case 4:
        return INDEX_FIS | INDEX_FSC | INDEX_FCT | INDEX_FIT;
    case 6:
        return INDEX_FIS;
    default:
        return 0;
    }
}

void TSumStat::storeGlobalFStat(int which, FixationIndices const& values)
{
    if (!GLOBAL_FSTAT)
        return;
    const struct {
        int index;
        bool TSumStat::*flag;
        double TSumStat::*stored;
        double value;
    } indices[] = {
        {INDEX_FIS, &TSumStat::FIS, &TSumStat::globalFIS, values.FIS},
        {INDEX_FST, &TSumStat::FST, &TSumStat::globalFST, values.FST},
        {INDEX_FCT, &TSumStat::FCT, &TSumStat::globalFCT, values.FCT},
        {INDEX_FSC, &TSumStat::FSC, &TSumStat::globalFSC, values.FSC},
        {INDEX_FIT, &TSumStat::FIT, &TSumStat::globalFIT, values.FIT},
    };
    for (auto const& index : indices) {
        if (which & index.index) {
            this->*index.flag = true;
            this->*index.stored = index.value;
        }
    }
}
