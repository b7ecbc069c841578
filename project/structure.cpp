// The genetic structure: its groups, the reader and writer of the
// "[[Structure]]" subsection, and the rebuilding over one-locus samples.

#include "project/structure.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <sstream>

#include "core/errors.h"
#include "core/keyword_line.h"
#include "core/public.h"
#include "project/project_file_lines.h"
#include "project/result_tree.h"
#include "project/samples.h"

int NbGroupsRead = 0;

namespace {

const char* const READER = "Structure::NewReadStructure";

// Heads of the subsections that must come before the samples and the structure.
bool misplaced_head(my_string const& head)
{
    return is_key(head, "HAPLOTYPEDEFINITION") || is_key(head, "DISTANCEMATRIX")
           || is_key(head, "SAMPLES");
}

int refuse_misplaced_head(my_string const& head, int line_number)
{
    *_ZOS_ << "\tProject file, Line #" << line_number << " : Section [[" << head
           << "]] found after the [[Structure]] section; it must come before the structure."
           << " Aborting reading project." << std::endl;
    E.error(ERROR, READER, 54);
    return 0;
}

// The text in which a Group line or a continuation line names its members:
// what follows the opening brace, or the whole line.
my_string member_text(my_string const& line)
{
    return line.contains('{') ? line.extract_after('{') : line;
}

}  // namespace

Structure::Structure()
    : ProfileSettings(), NbMembers(0), NbGroups(0), GroupSizes(nullptr), Groups(nullptr)
{
}

Structure::Structure(ProfileSettings& profile) : Structure()
{
    ProfileSettings::operator=(profile);
    NbGroups = profile.NbGroups;
}

Structure::Structure(Structure const& other) : Structure()
{
    if (this != &other)
        *this = other;
}

Structure::~Structure()
{
    reset();
}

Structure& Structure::operator=(Structure const& other)
{
    if (this == &other)
        return *this;
    ProfileSettings::operator=(other);
    StructureName = other.StructureName;
    if (NbGroups != other.NbGroups || (Groups == nullptr) != (other.Groups == nullptr)) {
        reset();
        if (other.Groups)
            make_groups(other.NbGroups);
        NbGroups = other.NbGroups;
    }
    NbMembers = other.NbMembers;
    for (int g = 0; g < NbGroups && Groups; ++g) {
        GroupSizes[g] = other.GroupSizes[g];
        Groups[g].owns = 0;
        Groups[g] = other.Groups[g];
    }
    return *this;
}

int Structure::initialize(ProfileSettings* profile)
{
    reset();
    if (profile) {
        ProfileSettings::operator=(*profile);
        NbGroups = profile->NbGroups;
    }
    return NbGroups;
}

void Structure::reset()
{
    delete[] Groups;  // non-owning lists: the samples stay
    delete[] GroupSizes;
    Groups = nullptr;
    GroupSizes = nullptr;
    NbGroups = 0;
    NbMembers = 0;
}

// count empty, non-owning member lists (11 slots, growth step 10) and sizes 0.
void Structure::make_groups(int count)
{
    GroupSizes = new int[count]();
    Groups = new MY_TIArrayAsVector<Population>[count];
    for (int g = 0; g < count; ++g)
        Groups[g].owns = 0;
    NbGroups = count;
}

int Structure::NewReadStructure(std::ifstream& in, ProfileSettings& profile, Samples& samples,
                                int& line_number, my_string& line, bool& name_found,
                                bool& nbgroups_found, bool& individual_level_found,
                                bool& group_found)
{
    reset();
    ProfileSettings::operator=(profile);
    NbGroupsRead = 0;
    int groups_read = 0;
    // NbGroups as the file gives it; NbGroups itself becomes the number of
    // groups made room for at the first Group line.
    int declared_groups = 0;

    while (next_project_line(in, line, line_number)) {
        my_string head = section_head(line);
        if (is_key(head, "MANTEL"))
            break;
        if (misplaced_head(head))
            return refuse_misplaced_head(head, line_number);
        my_string key = line_key(line);

        if (is_key(key, "STRUCTURENAME")) {
            name_found = true;
            if (!checkForPresenceOfEqualSign(line, "StructureName", line_number))
                continue;
            if (line.contains("EXTERN")) {
                E.error(ERROR, "Structure::NewReadStructure()", 195);
                *_ZOS_ << "\tWarning: External definition of the GENETIC STRUCTURE is not "
                       << "possible anymore.\n"
                       << "\tPlease incorporate it into the project. Skipping reading of the "
                       << "Genetic structure." << std::endl;
                break;
            }
            my_string value;
            if (!getQuotedString(line, value, "StructureName", line_number)) {
                *_ZOS_ << "\tError: Bad value assigned to StructureName on line " << line_number
                       << ". Aborting reading project." << std::endl;
                E.error(ERROR, READER, 46);
                return 0;
            }
            StructureName = value;
        } else if (is_key(key, "NBGROUPS")) {
            nbgroups_found = true;
            if (!checkForPresenceOfEqualSign(line, "NbGroups", line_number))
                continue;
            double value = 0.0;
            bool read = getValue(line, value, "NbGroups", line_number);
            bool in_range = read && value >= 0 && value <= INT_MAX;
            // The group arrays are made at the first Group line with the
            // number known then; a later change would leave them too short.
            bool changed = in_range && Groups && static_cast<int>(value) != declared_groups;
            if (!in_range || changed) {
                *_ZOS_ << "\tError: Invalid value for \"NbGroups\" on line " << line_number
                       << (changed ? " (after the first group)" : "")
                       << ". Aborting reading project." << std::endl;
                E.error(ERROR, READER, 47);
                return 0;
            }
            NbGroups = declared_groups = static_cast<int>(value);
        } else if (is_key(key, "DISTMATLABEL")) {
            *_ZOS_ << "\tWarning: Keyword \"DistMatLabel\" is obsolete. Skipping keyword."
                   << std::endl;
        } else if (is_key(key, "INDIVIDUALLEVEL")) {
            individual_level_found = true;
            *_ZOS_ << "\tWarning: Keyword \"IndividualLevel\" defined on line " << line_number
                   << " is obsolete. Activation of this option is now made through the "
                   << "interface." << std::endl;
        } else if (is_key(key, "GROUP")) {
            group_found = true;
            if (NbGroups == 0) {
                *_ZOS_ << "\tError: Unexpected \"Group\" section found on line " << line_number
                       << ". Expected number of group is zero. Check that \"NbGroups\" has "
                       << "been previously defined. Aborting reading project." << std::endl;
                E.error(ERROR, READER, 49);
                return 0;
            }
            if (!Groups) {
                // Every group holds a sample of its own, so a group past the
                // number of samples is always refused as it is read: room for
                // one more is enough to read every group given, however
                // large NbGroups is.
                try {
                    make_groups(std::min(NbGroups, samples.Populations.count + 1));
                } catch (std::bad_alloc const&) {
                    reset();
                    E.error(MEMORY, READER, 0);
                    return 0;
                }
            }
            if (groups_read >= NbGroups)
                return 1;
            int result = read_group(in, samples, line_number, line, groups_read);
            if (result == 0)
                return 0;
            if (result < 0)
                break;
            ++groups_read;
        }
    }
    if (in.bad())  // a line too long to read, reported where it stands
        return 0;

    if (groups_read == declared_groups)
        return 1;
    *_ZOS_ << "\tInvalid number of groups defined. " << declared_groups << "were expected, while "
           << groups_read << " have been found!\n";
    if (declared_groups > samples.Populations.count)
        *_ZOS_ << "\t\"NbGroups\" (" << declared_groups << ") is larger than the number of "
               << "samples (" << samples.Populations.count
               << "), while every group needs a sample of its own\n";
    *_ZOS_ << "\tCheck your [[Structure]] section, for missing group or unquoted sample names\n"
           << "\tAborting reading project." << std::endl;
    E.error(ERROR, READER, 47);
    return 0;
}

// Group g from its Group line (in `line`) and the continuation lines up to
// its closing brace. 1 when the group was read; 0 when it is refused (after
// the report); -1 when a Mantel head came first (the group does not count).
int Structure::read_group(std::ifstream& in, Samples& samples, int& line_number,
                          my_string& line, int g)
{
    GroupSizes[g] = 0;
    if (checkForPresenceOfEqualSign(line, "Group", line_number)) {
        bool brace_seen = line.contains('{');
        if (line.contains('"') && !add_names(member_text(line), samples, g, line_number))
            return 0;
        bool closed = line.contains('}');
        while (!closed && next_project_line(in, line, line_number)) {
            my_string head = section_head(line);
            if (is_key(head, "MANTEL"))
                return -1;
            if (misplaced_head(head))
                return refuse_misplaced_head(head, line_number);
            bool opens = line.contains('{');
            closed = line.contains('}');
            if (closed && !opens && !brace_seen) {
                *_ZOS_ << "\tError: Missing opening brace in Group #" << g + 1
                       << ". Aborting reading project" << std::endl;
                E.error(ERROR, READER, 50);
                return 0;
            }
            brace_seen = brace_seen || opens;
            if (brace_seen && line.contains('"')
                && !add_names(member_text(line), samples, g, line_number))
                return 0;
        }
        if (in.bad())  // a line too long to read, reported where it stands
            return 0;
    }
    if (Groups[g].count == 0) {
        *_ZOS_ << "\t\tError while exploring structure of Group # " << g + 1
               << ". It does not contain any population sample\n"
               << "\t\t\tCheck your [[Structure]] section, for unquoted sample names\n"
               << "\t\tAborting reading project." << std::endl;
        E.error(ERROR, READER, 205);
        return 0;
    }
    return 1;
}

// The quoted member names of a text, added to group g: 1, or 0 after the
// report of a name that no sample bears or of a sample already grouped.
int Structure::add_names(my_string const& text, Samples& samples, int g, int line_number)
{
    std::istringstream names(text.str);
    my_string name;
    while (get_qstring(names, name)) {
        Population* sample = samples.sample_named(name.str);
        if (!sample) {
            *_ZOS_ << "\tError: Sample \"" << name << "\" defined in Group #" << g + 1
                   << " on line " << line_number
                   << " has not been defined in the [Samples] section.\n"
                   << "\tAborting reading project." << std::endl;
            E.error(ERROR, READER, 51);
            return 0;
        }
        int holder = group_holding(sample, g);
        if (holder >= 0) {
            *_ZOS_ << "\tError: Sample \"" << name << "\" defined in Group #" << g + 1
                   << " on line " << line_number << " has been alredy included in group #"
                   << holder + 1 << ".\n"
                   << "\tAborting reading project." << std::endl;
            E.error(ERROR, READER, 206);
            return 0;
        }
        ++GroupSizes[g];
        ++NbMembers;
        Groups[g].Add(sample);
    }
    return 1;
}

// The first of the groups 0 .. last_group holding the sample, or -1.
int Structure::group_holding(const Population* sample, int last_group) const
{
    for (int g = 0; g <= last_group; ++g)
        for (int i = 0; i < Groups[g].count; ++i)
            if (Groups[g][i] == sample)
                return g;
    return -1;
}

int Structure::has_population(const Population* sample)
{
    for (int g = 0; g < NbGroups && Groups; ++g)
        for (int i = 0; i < GroupSizes[g] && i < Groups[g].count; ++i)
            if (Groups[g][i] == sample)
                return 1;
    return 0;
}

int Structure::build_one_loci_str(Samples* one_locus, Structure* model)
{
    reset();
    ProfileSettings::operator=(*one_locus);
    StructureName = model->StructureName;
    if (!model->Groups)
        return 1;
    make_groups(model->NbGroups);
    NbMembers = model->NbMembers;
    for (int g = 0; g < NbGroups; ++g) {
        GroupSizes[g] = model->GroupSizes[g];
        for (int i = 0; i < model->Groups[g].count; ++i) {
            Population* sample = one_locus->sample_named(model->Groups[g][i]->name.str);
            if (!sample) {
                *_ZOS_ << "\tStructure::build_one_loci_str(): impossible to reproduce structure"
                       << std::endl;
                return 0;
            }
            Groups[g].Add(sample);
        }
    }
    return 1;
}

std::ostream& operator<<(std::ostream& os, Structure& s)
{
    if (s.NbGroups == 0 || !s.Groups)
        return os;
    os << "\n\t[[Structure]]\n\n";
    os << "\t\tStructureName = \"" << s.StructureName << "\"\n";
    os << "\t\tNbGroups = " << s.NbGroups << "\n";
    for (int g = 0; g < s.NbGroups; ++g) {
        os << "\t#Group" << g + 1 << "\n";
        os << "\t\tGroup={\n\t\t";
        for (int i = 0; i < s.Groups[g].count; ++i)
            os << "\"" << s.Groups[g][i]->name << "\"\n\t\t";
        os << "}\n" << std::endl;
    }
    return os;
}

void Structure::print_structure(std::ostream& os)
{
    const std::string equals(65, '=');
    const std::string dashes(27, '-');
    os << "\n" << equals << "\n  AMOVA ANALYSIS" << "\n" << equals << "\n\n";
    os << "\n" << dashes << "\n" << "Genetic structure to test :\n" << dashes << "\n\n";
    os << "No. of Groups = " << NbGroups << "\n\n";
    // The names of the groups and samples stand in the text as written.
    std::ostringstream text;
    text << *this;
    os << result_text(my_string(text.str().c_str()));
    os << dashes << "\n" << std::endl;
}
