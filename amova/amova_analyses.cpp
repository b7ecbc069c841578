// The AMOVA analyses that the genetic-structure dispatcher calls. The AMOVA
// computations are not part of this build yet: each one does nothing, and
// the dispatcher goes on as it does after an analysis that reported its own
// failure.

#include "project/project.h"

int Project::AMOVA(DistMat&, Haplo_DB&, Samples&, Structure&, TAlleleDB&, amova_results*)
{
    return 1;
}

void Project::LocusByLocusAMOVA(std::fstream*)
{
}
