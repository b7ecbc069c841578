// The linkage-disequilibrium file of a run, opened for each sample's tables.

#include "analyses/popgen/ld_file.h"

#include "core/errors.h"

bool open_ld_file(std::ofstream& file, char const* path, const char* where)
{
    file.open(path, std::ios::out | std::ios::app);
    if (file.is_open())
        return true;
    E.error(WARNING, where, 9);
    if (E.log_open)
        *_ZOS_ << "\tWarning: unable to open the linkage disequilibrium file \"" << path
               << "\"; its tables are lost" << std::endl;
    return false;
}
