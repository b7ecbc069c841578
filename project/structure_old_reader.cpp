// The "[[Structure]]" subsection in the identifier syntax of older project
// files (the format translator reads its projects this way).
//
// Entries: StructureName, DistMatLabel, NbGroups, then NbGroups Group
// entries, each a list of sample names between braces; any other identifier
// is a profile key that changes the structure's own copy of the profile.

#include "project/structure.h"

#include <cstring>
#include <fstream>
#include <string>

#include "core/errors.h"
#include "core/public.h"
#include "model/subsection_support.h"
#include "project/samples.h"

namespace {

const char* const ID_CONTENT = "Structure::read_id_content()";
const int END = std::istream::traits_type::eof();

std::string group_reporter(int group)
{
    return "Structure::read_id_content() (group#" + std::to_string(group) + ")";
}

// Skips the text up to and including the next '{' on the current line; false
// when the input ends first.
bool skip_to_open_brace(std::istream& ifs)
{
    for (int c = ifs.get(); c != END; c = ifs.get())
        if (c == '{' || c == '\n')
            return true;
    return false;
}

// The first sample bearing the name exactly, or null.
Population* sample_named(Samples& samples, my_string const& name)
{
    for (int i = 0; i < samples.Populations.count; ++i)
        if (std::strcmp(samples.Populations[i]->name.str, name.str) == 0)
            return samples.Populations[i];
    return nullptr;
}

}  // namespace

int Structure::open(std::istream& ifs, ProfileSettings& profile, Samples& samples)
{
    reset();
    ProfileSettings::operator=(profile);
    NbGroupsRead = 0;
    my_string identifier;
    while (get_next_ident(ifs, identifier)) {
        if (!is_identifier(identifier)) {
            E.error(ERROR, "Structure::open()", 54);
            return 0;
        }
        if (!read_id_content(ifs, samples, identifier)) {
            reset();
            std::string where = std::string("Structure::open() (\"") + identifier.str + "\")";
            E.error(ERROR, where.c_str(), 55);
            return 0;
        }
    }
    if (NbGroupsRead != NbGroups) {
        E.error(ERROR, "Structure::open()", 47);
        return 0;
    }
    return 1;
}

int Structure::read_id_content(std::istream& ifs, Samples& samples, my_string key)
{
    if (same_text(key, "structurename")) {
        my_string value;
        if (!get_qstring(ifs, value)) {
            E.error(ERROR, ID_CONTENT, 46);
            return 0;
        }
        my_string file_name;
        if (same_text(value, "EXTERN") && get_qstring(ifs, file_name)) {
            // External group files are no longer read; the file must exist.
            if (file_name.contains('"') && file_name.length >= 2) {
                file_name.remove(file_name.length - 1, 1);
                file_name.remove(0, 1);
            }
            std::ifstream external(external_file_name(*this, file_name).str);
            if (!external.is_open()) {
                E.error(ERROR, ID_CONTENT, 45);
                return 0;
            }
            *_ZOS_ << "\t\tMust read External AMOVA Group file...\n";
            value = file_name;
        }
        StructureName = value;
        return 1;
    }
    if (same_text(key, "distmatlabel")) {
        my_string value;
        if (!get_qstring(ifs, value)) {
            E.error(ERROR, ID_CONTENT, 48);
            return 0;
        }
        DistMatLabel = value;
        return 1;
    }
    if (same_text(key, "nbgroups")) {
        int n = 0;
        if (!(ifs >> n)) {
            ifs.clear();
            E.error(ERROR, ID_CONTENT, 47);
            return 0;
        }
        // The group lists are made at the first group: their number is fixed then.
        if (Groups != nullptr) {
            *_ZOS_ << "\tNbGroups given after the first Group entry" << std::endl;
            E.error(ERROR, ID_CONTENT, 47);
            return 0;
        }
        if (n < 0 || n > 1000)
            E.error(ERROR, ID_CONTENT, 47);
        else
            NbGroups = n;
        return 1;
    }
    if (same_text(key, "group"))
        return read_old_group(ifs, samples);
    if (!read_profile_id_content(ifs, key)) {
        E.error(ERROR, ID_CONTENT, 54);
        return 0;
    }
    return 1;
}

// One Group entry: sample names (quoted or bare) between braces.
int Structure::read_old_group(std::istream& ifs, Samples& samples)
{
    if (NbGroups == 0) {
        E.error(ERROR, ID_CONTENT, 49);
        return 0;
    }
    if (NbGroupsRead == 0)
        make_groups(NbGroups);
    if (NbGroupsRead == NbGroups) {
        reset();
        E.error(ERROR, ID_CONTENT, 53);
        return 0;
    }
    int g = NbGroupsRead;
    if (!skip_to_open_brace(ifs)) {
        E.error(ERROR, group_reporter(g + 1).c_str(), 50);
        return 0;
    }
    GroupSizes[g] = 0;
    my_string name;
    while (get_qstring(ifs, name)) {
        Population* member = sample_named(samples, name);
        if (member == nullptr) {
            std::string where = std::string("Structure::read_id_content() (\"") + name.str + "\")";
            E.error(ERROR, where.c_str(), 51);
            reset();
            NbGroupsRead = 0;
            return 0;
        }
        Groups[g].Add(member);
        ++GroupSizes[g];
        ++NbMembers;
    }
    if (next_name_or_brace(ifs) != '}') {
        E.error(ERROR, group_reporter(g + 1).c_str(), 52);
        return 0;
    }
    ++NbGroupsRead;
    return 1;
}
