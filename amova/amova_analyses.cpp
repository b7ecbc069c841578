// The locus-by-locus AMOVA that the genetic-structure dispatcher calls. It is
// not part of this build yet: it does nothing, and the dispatcher goes on as
// it does after an analysis that reported its own failure.

#include "project/project.h"

void Project::LocusByLocusAMOVA(std::fstream*)
{
}
