// The AMOVA entry points that the task checks of a run call.

#include "core/errors.h"
#include "project/project.h"

// An AMOVA needs samples placed in groups, and not one sample in every group:
// the among-groups and among-samples components could not be told apart (a
// single group of one sample passes). Every check is made and reported,
// whatever the earlier ones found.
bool Project::IsAmovaStructure()
{
    const char* const reporter = "Project::IsAmovaStructure()";
    bool fit = true;
    if (structure->NbMembers == 0) {
        E.error(WARNING, reporter, 123);
        fit = false;
    }
    if (structure->NbGroups == 0) {
        E.error(WARNING, reporter, 124);
        fit = false;
    }
    if (structure->NbMembers == structure->NbGroups && structure->NbGroups != 1) {
        E.error(WARNING, reporter, 125);
        fit = false;
    }
    return fit;
}
