// The summary-statistics line of a run.
//
// Minimal form: the statistics are collected once the analyses exist; the
// run already calls the header and value writers at the end of each level.
#ifndef DROV_SUMMARY_SUMSTAT_H
#define DROV_SUMMARY_SUMSTAT_H

#include "core/datatype.h"

class TSumStat {
public:
    // Set while the group level of a run is analysed: column names get "gr_".
    static bool atGroupLevel;

    TSumStat() = default;

    // Appends the column names of the flagged statistics to the header line.
    void outputHeader(TDataType data_type);
    // Appends the values of the flagged statistics.
    void outputStats(TDataType data_type);
};

#endif
