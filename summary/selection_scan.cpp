// The scan for loci under selection from F-statistics and heterozygosity.
// The scan is not part of this build yet: it writes nothing.

#include "project/project.h"

void Project::detectSelectedLociFromFSTHetComparison(bool)
{
}
