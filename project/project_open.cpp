// The reader of project files in the older identifier syntax (Project::open),
// which the format translator uses for the projects it writes.
//
// The file holds "[Profile]" and "[Data]"; the subsections of "[Data]" come in
// any order, each at most once, and each is handed to its own reader. The
// profile is not reset first: keys the file does not give keep their values.

#include <cstring>
#include <ctime>
#include <fstream>

#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/public.h"
#include "project/project.h"
#include "project/project_file_lines.h"

namespace {

const char* const OPEN = "Project::open()";

enum Subsection { DISTANCE_MATRIX = 1, HAPLOTYPE_LIST, SAMPLES, STRUCTURE, MANTEL };

void done_since(std::clock_t start, const char* indent)
{
    *_ZOS_ << indent << "done ! (" << milliseconds_since(start) << " ms)" << std::endl;
}

// Reads the subsection whose header was just read: 1 to go on, 0 to stop.
int read_subsection(Project& project, std::ifstream& ifs, int which)
{
    std::clock_t start = std::clock();
    ProfileSettings& profile = project.profile;
    switch (which) {
    case DISTANCE_MATRIX:
        if (profile.GivenDistMat == 0) {
            // The next search for a subsection passes over its entries.
            E.error(WARNING, OPEN, 129);
            return 1;
        }
        *_ZOS_ << "\tReading distance matrix ..." << std::endl;
        project.dist_mat.profile = profile;
        if (!project.dist_mat.get_settings(ifs))
            return 0;
        break;
    case HAPLOTYPE_LIST:
        *_ZOS_ << "\tReading haplotype list ..." << std::endl;
        if (!project.haplo_list.open(ifs, profile))
            return 0;
        break;
    case SAMPLES:
        *_ZOS_ << "\tReading sample data ..." << std::endl;
        if (!project.samples->Read(ifs, profile, project.haplo_list)) {
            *_ZOS_ << "\n\tUnable to read the specified number of populations.\n" << std::endl;
            return 0;
        }
        done_since(start, "\t");
        if (std::strcmp(profile.UsedHaplList.str, "NONE") != 0 &&
            project.haplo_list.list.count == 0)
            E.error(WARNING, OPEN, 130);
        return 1;
    case STRUCTURE:
        if (project.samples->Populations.count == 0) {
            E.error(ERROR, OPEN, 172);
            return 0;
        }
        *_ZOS_ << "\tReading genetic structure ..." << std::endl;
        if (!project.structure->open(ifs, profile, *project.samples))
            return 0;
        break;
    case MANTEL:
        if (project.samples->Populations.count == 0) {
            E.error(ERROR, OPEN, 196);
            return 0;
        }
        *_ZOS_ << "\tReading mantel section ..." << std::endl;
        // The record's profile gives the folder of external matrix files.
        project.mantel.Profile = profile;
        if (!project.mantel.get_settings(ifs))
            return 0;
        break;
    }
    done_since(start, "\t");
    return 1;
}

}  // namespace

int Project::open()
{
    dist_mat_computed = 0;
    InputFile ifs(settings::input_file.str);
    if (!ifs.is_open()) {
        E.error(WARNING, OPEN, 126);
        return 0;
    }
    // External sample files are found in the project's folder.
    profile.RunSettings = &run_settings;

    std::clock_t start = std::clock();
    *_ZOS_ << "Reading general settings in input file ..." << std::endl;
    if (!profile.get_profile_settings(ifs)) {
        E.error(ERROR, OPEN, 127);
        return 0;
    }
    done_since(start, "");

    start = std::clock();
    *_ZOS_ << "Reading data section in input file ..." << std::endl;
    go_to_section(ifs, "data");
    bool seen[NUM_SUBSECTIONS + 1] = {};
    int found = 0;
    for (;;) {
        skip_comments(ifs);
        my_string name;
        int which = get_next_subsection(ifs, name);
        if (which == 0) {
            // A header with a name outside the table (reported by the
            // tokenizer) must not pass for the end of the data.
            if (!name.is_null()) {
                *_ZOS_ << "\tUnknown subsection [[" << name
                       << "]] in project file, aborting reading procedure" << std::endl;
                return 0;
            }
            if (found == 0) {
                E.error(ERROR, OPEN, 128);
                return 0;
            }
            done_since(start, "");
            return 1;
        }
        if (seen[which]) {
            *_ZOS_ << "\tSubsection [[" << name
                   << "]] is given twice in project file, aborting reading procedure"
                   << std::endl;
            E.error(ERROR, OPEN, 131);
            return 0;
        }
        seen[which] = true;
        ++found;
        if (!read_subsection(*this, ifs, which))
            return 0;
    }
}
