// The summary tables over all samples of an analysis level. The summary
// statistics are not part of this build yet: nothing is written.

#include "project/samples.h"

void Samples::WriteSummaryStatistics(Project*, settings&)
{
}
