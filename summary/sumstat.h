// The summary-statistics line of a run.
#ifndef DROV_SUMMARY_SUMSTAT_H
#define DROV_SUMMARY_SUMSTAT_H

class TSumStat {
public:
    TSumStat() = default;
};

#endif
