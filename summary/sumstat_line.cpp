// The summary-statistics line: after each analysis level the selected
// statistics become tab-terminated column names (for the header, built once)
// and values. The group-level part and the population-level part of a
// project form one line. Values are written as C's "%g" writes them
// (0.333333, 12, 1e-07, 1.5e+06), not-a-number as "NA".

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "core/errors.h"
#include "summary/sumstat.h"

namespace {

// Data types as bits, for the groups of columns that exist for some types only.
const unsigned ANY_TYPE = 0x1F;
const unsigned DNA_RFLP = (1u << DNA) | (1u << RFLP);
const unsigned DNA_ONLY = 1u << DNA;
const unsigned MICROSAT_ONLY = 1u << MICROSAT;

enum class Kind { LIST, SCALAR, PAIRS };

// One entry of the line: a list gives one column per value, numbered from 1;
// a scalar one column; a pairwise list one column per pair of samples.
struct Entry {
    bool TSumStat::*flag;
    unsigned types;
    const char* name;
    Kind kind;
    TSumStat::List TSumStat::*list;
    double TSumStat::*scalar;
};

constexpr Entry list_entry(bool TSumStat::*flag, unsigned types, const char* name,
                           TSumStat::List TSumStat::*list)
{
    return {flag, types, name, Kind::LIST, list, nullptr};
}

constexpr Entry scalar_entry(bool TSumStat::*flag, unsigned types, const char* name,
                             double TSumStat::*scalar)
{
    return {flag, types, name, Kind::SCALAR, nullptr, scalar};
}

constexpr Entry pair_entry(bool TSumStat::*flag, const char* name, TSumStat::List TSumStat::*list)
{
    return {flag, ANY_TYPE, name, Kind::PAIRS, list, nullptr};
}

using T = TSumStat;

// In line order.
const Entry ENTRIES[] = {
    list_entry(&T::ALL_K, ANY_TYPE, "K_", &T::K),
    list_entry(&T::ALLSD_K, ANY_TYPE, "Ksd_", &T::Ksd),
    scalar_entry(&T::MEAN_K, ANY_TYPE, "mean_K", &T::meanK),
    scalar_entry(&T::SD_K, ANY_TYPE, "sd_K", &T::sdK),
    scalar_entry(&T::TOT_K, ANY_TYPE, "tot_K", &T::totK),
    list_entry(&T::ALL_H, ANY_TYPE, "H_", &T::H),
    list_entry(&T::ALLSD_H, ANY_TYPE, "Hsd_", &T::Hsd),
    scalar_entry(&T::MEAN_H, ANY_TYPE, "mean_H", &T::meanH),
    scalar_entry(&T::SD_H, ANY_TYPE, "sd_H", &T::sdH),
    scalar_entry(&T::TOT_H, ANY_TYPE, "tot_H", &T::totH),
    list_entry(&T::ALL_S, DNA_RFLP, "S_", &T::S),
    list_entry(&T::ALLSD_S, DNA_RFLP, "Ssd_", &T::Ssd),
    list_entry(&T::PRIVATE_S, DNA_ONLY, "prS_", &T::prS),
    scalar_entry(&T::MEAN_S, DNA_RFLP, "mean_S", &T::meanS),
    scalar_entry(&T::SD_S, DNA_RFLP, "sd_S", &T::sdS),
    scalar_entry(&T::TOT_S, DNA_RFLP, "tot_S", &T::totS),
    list_entry(&T::ALL_TAJIMAD, DNA_RFLP, "D_", &T::D),
    list_entry(&T::ALLSD_TAJIMAD, DNA_RFLP, "Dsd_", &T::Dsd),
    scalar_entry(&T::MEAN_TAJIMAD, DNA_RFLP, "mean_D", &T::meanD),
    scalar_entry(&T::SD_TAJIMAD, DNA_RFLP, "sd_D", &T::sdD),
    list_entry(&T::ALL_FUFS, DNA_RFLP, "FS_", &T::FS),
    list_entry(&T::ALLSD_FUFS, DNA_RFLP, "FSsd_", &T::FSsd),
    scalar_entry(&T::MEAN_FUFS, DNA_RFLP, "mean_FS", &T::meanFS),
    scalar_entry(&T::SD_FUFS, DNA_RFLP, "sd_FS", &T::sdFS),
    list_entry(&T::ALL_PI, DNA_RFLP, "Pi_", &T::Pi),
    scalar_entry(&T::MEAN_PI, DNA_RFLP, "mean_Pi", &T::meanPi),
    scalar_entry(&T::SD_PI, DNA_RFLP, "sd_Pi", &T::sdPi),
    list_entry(&T::ALL_GW, MICROSAT_ONLY, "GW_", &T::GW),
    list_entry(&T::ALLSD_GW, MICROSAT_ONLY, "GWsd_", &T::GWsd),
    scalar_entry(&T::MEAN_GW, MICROSAT_ONLY, "mean_GW", &T::meanGW),
    scalar_entry(&T::SD_GW, MICROSAT_ONLY, "sd_GW", &T::sdGW),
    scalar_entry(&T::TOT_GW, MICROSAT_ONLY, "tot_GW", &T::totGW),
    list_entry(&T::ALL_NGW, MICROSAT_ONLY, "NGW_", &T::NGW),
    list_entry(&T::ALLSD_NGW, MICROSAT_ONLY, "NGWsd_", &T::NGWsd),
    scalar_entry(&T::MEAN_NGW, MICROSAT_ONLY, "mean_NGW", &T::meanNGW),
    scalar_entry(&T::SD_NGW, MICROSAT_ONLY, "sd_NGW", &T::sdNGW),
    list_entry(&T::ALL_RANGE, MICROSAT_ONLY, "R_", &T::R),
    list_entry(&T::ALLSD_RANGE, MICROSAT_ONLY, "Rsd_", &T::Rsd),
    scalar_entry(&T::MEAN_RANGE, MICROSAT_ONLY, "mean_R", &T::meanR),
    scalar_entry(&T::SD_RANGE, MICROSAT_ONLY, "sd_R", &T::sdR),
    scalar_entry(&T::TOT_RANGE, MICROSAT_ONLY, "tot_R", &T::totR),
    list_entry(&T::MEAN_ALL_DPRIME, ANY_TYPE, "mean_D'_", &T::meanAllDprime),
    list_entry(&T::MEAN_ALL_R2, ANY_TYPE, "mean_R2_", &T::meanAllR2),
    list_entry(&T::ALL_ADJ_DPRIME, ANY_TYPE, "adj_D'_", &T::allAdjDprime),
    list_entry(&T::ALL_ADJ_R2, ANY_TYPE, "adj_R2_", &T::allAdjR2),
    list_entry(&T::MEAN_ADJ_DPRIME, ANY_TYPE, "mean_adj_D'_", &T::meanAdjDprime),
    list_entry(&T::MEAN_ADJ_R2, ANY_TYPE, "mean_adj_R2_", &T::meanAdjR2),
    list_entry(&T::FLANK_DPRIME, ANY_TYPE, "flank_D'_", &T::flankDprime),
    list_entry(&T::FLANK_R2, ANY_TYPE, "flank_R2_", &T::flankR2),
    scalar_entry(&T::FIS, ANY_TYPE, "FIS", &T::globalFIS),
    scalar_entry(&T::FST, ANY_TYPE, "FST", &T::globalFST),
    scalar_entry(&T::FCT, ANY_TYPE, "FCT", &T::globalFCT),
    scalar_entry(&T::FSC, ANY_TYPE, "FSC", &T::globalFSC),
    scalar_entry(&T::FIT, ANY_TYPE, "FIT", &T::globalFIT),
    pair_entry(&T::PAIRWISE_FST, "FST_", &T::pairFST),
    pair_entry(&T::PAIRWISE_PI, "PI_", &T::pairPI),
    pair_entry(&T::PAIRWISE_DMUSQR, "DMUSQ_", &T::pairDMUSQ),
};

const int NUM_ENTRIES = sizeof ENTRIES / sizeof ENTRIES[0];

// The number of samples n whose n(n - 1)/2 pairs a list of c values names:
// the integer part of (sqrt(8c + 1) + 1) / 2.
int pair_samples(int c)
{
    return static_cast<int>(std::sqrt(8.0 * c + 1.0) + 1.0) / 2;
}

// The values an entry holds now: a list's, or the scalar.
struct Values {
    const double* data;
    int count;
};

Values values_of(TSumStat const& s, Entry const& e)
{
    if (e.kind == Kind::SCALAR)
        return {&(s.*e.scalar), 1};
    TSumStat::List const& list = s.*e.list;
    return {list.data, list.count};
}

bool selected(TSumStat const& s, Entry const& e, TDataType type)
{
    return s.*e.flag && (e.types & (1u << type)) != 0;
}

void append_number(std::string& text, int value)
{
    text += std::to_string(value);
}

void append_value(std::string& text, double value)
{
    if (std::isnan(value)) {
        text += "NA\t";
        return;
    }
    char number[32];
    int n = std::snprintf(number, sizeof number, "%g\t", value);
    text.append(number, static_cast<std::string::size_type>(n));
}

// The values beyond the header's columns that this project stored: a list
// keeps its length from project to project, its older values marked NA.
long values_left_out(Values values, int columns)
{
    long count = 0;
    for (int i = columns; i < values.count; ++i)
        count += !std::isnan(values.data[i]);
    return count;
}

}  // namespace

// At the group level of a run that also performs its population level the
// line goes on with the population-level columns.
bool TSumStat::endsLine() const
{
    return !atGroupLevel || (GROUP_LEVEL && !POP_LEVEL);
}

void TSumStat::outputHeader(TDataType data_type)
{
    const std::string prefix = atGroupLevel ? "gr_" : "";
    std::vector<int>& columns = headerColumns_[atGroupLevel ? 1 : 0];
    columns.assign(NUM_ENTRIES, 0);
    long total = 0;
    for (int e = 0; e < NUM_ENTRIES; ++e) {
        Entry const& entry = ENTRIES[e];
        if (!selected(*this, entry, data_type))
            continue;
        int count = values_of(*this, entry).count;
        int n = entry.kind == Kind::PAIRS ? pair_samples(count) : 0;
        columns[e] = entry.kind == Kind::PAIRS ? n * (n - 1) / 2 : count;
        total += columns[e];
    }
    // One allocation for the longest lines (the pairs of many samples).
    headerText.reserve(headerText.size() + total * (prefix.size() + 16) + 1);
    for (int e = 0; e < NUM_ENTRIES; ++e) {
        Entry const& entry = ENTRIES[e];
        if (columns[e] == 0)
            continue;
        if (entry.kind == Kind::SCALAR) {
            headerText += prefix + entry.name + "\t";
        } else if (entry.kind == Kind::LIST) {
            for (int i = 1; i <= columns[e]; ++i) {
                headerText += prefix + entry.name;
                append_number(headerText, i);
                headerText += '\t';
            }
        } else {
            int n = pair_samples(values_of(*this, entry).count);
            for (int i = 2; i <= n; ++i) {
                for (int j = 1; j < i; ++j) {
                    headerText += prefix + entry.name;
                    append_number(headerText, i);
                    headerText += '_';
                    append_number(headerText, j);
                    headerText += '\t';
                }
            }
        }
    }
    if (endsLine()) {
        headerText += '\n';
        headerDone_ = true;
    }
}

// The columns are those of the header when it has been built: a value that
// the header has no column for is left out (and counted in the log), a
// column without a value reads "NA".
void TSumStat::outputStats(TDataType data_type)
{
    std::vector<int> const& header = headerColumns_[atGroupLevel ? 1 : 0];
    std::vector<int> columns(NUM_ENTRIES, 0);
    long total = 0, left_out = 0;
    for (int e = 0; e < NUM_ENTRIES; ++e) {
        Entry const& entry = ENTRIES[e];
        bool chosen = selected(*this, entry, data_type);
        int count = values_of(*this, entry).count;
        columns[e] = !header.empty() ? header[e] : chosen ? count : 0;
        total += columns[e];
        if (chosen)
            left_out += values_left_out(values_of(*this, entry), columns[e]);
    }
    valuesText.reserve(valuesText.size() + total * 14 + 1);
    const double not_a_number = std::numeric_limits<double>::quiet_NaN();
    for (int e = 0; e < NUM_ENTRIES; ++e) {
        Values values = values_of(*this, ENTRIES[e]);
        for (int i = 0; i < columns[e]; ++i)
            append_value(valuesText, i < values.count ? values.data[i] : not_a_number);
    }
    if (endsLine())
        valuesText += '\n';
    if (left_out > 0) {
        *_ZOS_ << "\tSummary-statistics line: " << left_out
               << " value(s) without a column in the header were left out" << std::endl;
    }
}
