// The AMOVA analyses that the genetic-structure dispatcher calls. The AMOVA
// computations are not part of this build yet: each one does nothing, and
// the dispatcher goes on as it does after an analysis that reported its own
// failure.

#include "project/project.h"

int Project::calc_dist_matrix(int const&, double const&)
{
    return 1;
}

void Project::print_distance_matrix()
{
}

void Project::LocusByLocusAMOVA(std::fstream*)
{
}
