// The AMOVA entry points that the task checks of a run call. The AMOVA
// computations are not part of this build yet: every structure is taken as
// fit, and no haplotype definitions are merged.

#include "project/project.h"

bool Project::IsAmovaStructure()
{
    return true;
}

void Project::eliminate_redond_haplodef()
{
}
