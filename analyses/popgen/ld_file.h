// The linkage-disequilibrium file of a run ("ld_dis.xl" in the result
// folder): the linkage tests of every sample of an analysis level append
// their tables of linked loci to it, in sample order; the run control
// empties it before the first sample of each level.
#ifndef DROV_ANALYSES_POPGEN_LD_FILE_H
#define DROV_ANALYSES_POPGEN_LD_FILE_H

#include <fstream>

// Opens the LD file at `path` (settings::ld_file) for appending. False, after a WARNING from `where`
// and a log line naming the file, when it cannot be opened: its tables
// would otherwise be lost without a sign.
bool open_ld_file(std::ofstream& file, char const* path, const char* where);

#endif
