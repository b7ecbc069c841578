// The summary-statistics line of a run. No statistic is collected yet, so
// neither the header nor the values have anything to write.

#include "summary/sumstat.h"

bool TSumStat::atGroupLevel = false;

void TSumStat::outputHeader(TDataType)
{
}

void TSumStat::outputStats(TDataType)
{
}
