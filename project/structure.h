// The genetic structure of a project: groups of population samples under a
// name, on which AMOVA and the other analyses of genetic structure work.
//
// A group only points at samples owned by a Samples object, which must
// outlive the structure; within one structure a sample belongs to at most one
// group, once.
#ifndef DROV_PROJECT_STRUCTURE_H
#define DROV_PROJECT_STRUCTURE_H

#include <fstream>
#include <istream>
#include <ostream>
#include <string>

#include "core/my_string.h"
#include "core/pointer_arrays.h"
#include "model/population.h"
#include "project/profile_settings.h"

class Samples;

// Groups read by the structure readers of the older project syntax.
extern int NbGroupsRead;

class Structure : public ProfileSettings {
public:
    my_string StructureName;
    int NbMembers;    // sum of GroupSizes
    int NbGroups;     // number of groups of this structure (not the profile's NbGroups)
    int* GroupSizes;  // owned, NbGroups entries, or null
    // Owned array of NbGroups member lists, or null; each list is non-owning.
    MY_TIArrayAsVector<Population>* Groups;

    Structure();
    // Empty, with the profile copied and its NbGroups taken.
    explicit Structure(ProfileSettings& profile);
    // The same groups over the same samples.
    Structure(Structure const& other);
    ~Structure();
    Structure& operator=(Structure const& other);

    // Profile copied (when given) with its NbGroups, or NbGroups 0; no groups.
    int initialize(ProfileSettings* profile);
    // Frees the groups (never the samples); the name and profile stay.
    void reset();

    // Reads the "[[Structure]]" subsection, `in` positioned after its head;
    // member names are looked up among `samples`. Every line is read into
    // `line`, which keeps the line that ended the subsection; line_number
    // counts the project-file lines read; the flags are set when their key is
    // met. Returns 1 when the subsection was read, 0 after the report of a
    // refused structure.
    int NewReadStructure(std::ifstream& in, ProfileSettings& profile, Samples& samples,
                         int& line_number, my_string& line, bool& name_found,
                         bool& nbgroups_found, bool& individual_level_found, bool& group_found);

    // --- Older identifier syntax (structure_old_reader.cpp, explore.cpp) ---
    // Reads the entries of "[[Structure]]" (`ifs` after its head) up to the
    // next '[' or the end of the file, looking member names up among
    // `samples`: 1, or 0 after a report. read_id_content reads the value of
    // one identifier: 1 when it was taken, 0 when the reading must stop.
    int open(std::istream& ifs, ProfileSettings& profile, Samples& samples);
    int read_id_content(std::istream& ifs, Samples& samples, my_string key);
    // Writes the group list of the subsection to the named file: the number
    // of groups, then each group as "{", one member name per line and "}".
    int explore(std::istream& in, const char* file);
    int explore_content(std::istream& in, my_string identifier, std::ostream& out);

    // The structure heading of the AMOVA results.
    void print_structure(std::ostream& os);
    // The grouping of model over the samples of one_locus, matched by name:
    // 1, or 0 when a member of model has no namesake there.
    int build_one_loci_str(Samples* one_locus, Structure* model);
    // 1 when the sample (compared by pointer) is a member of some group.
    int has_population(const Population* sample);

private:
    void make_groups(int count);
    int read_group(std::ifstream& in, Samples& samples, int& line_number, my_string& line,
                   int g);
    int add_names(my_string const& text, Samples& samples, int g, int line_number);
    int read_old_group(std::istream& ifs, Samples& samples);
    int group_holding(const Population* sample, int last_group) const;
};

// Writes the subsection (nothing for a structure without groups), in the
// form the reader reads back.
std::ostream& operator<<(std::ostream& os, Structure& s);

// The name under which the older structure readers report a fault of group
// number `group` (from 1): the function's name, then " (group#N)".
std::string group_reporter(const char* function, int group);

#endif
