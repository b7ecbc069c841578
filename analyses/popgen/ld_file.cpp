// The linkage-disequilibrium file of a run, opened for each sample's tables.

#include "analyses/popgen/ld_file.h"

#include "app/settings.h"
#include "core/errors.h"

bool open_ld_file(std::ofstream& file, settings const& s, const char* where)
{
    file.open(s.ld_file.str, std::ios::out | std::ios::app);
    if (file.is_open())
        return true;
    E.error(WARNING, where, 9);
    if (E.log_open)
        *_ZOS_ << "\tWarning: unable to open the linkage disequilibrium file \"" << s.ld_file
               << "\"; its tables are lost" << std::endl;
    return false;
}
