// The project's haplotype list: the one owner of every haplotype definition of
// a project, read from the subsection "[[HaplotypeDefinition]]" (or from the
// external file it names) and extended by the sample readers.
#ifndef DROV_MODEL_HAPLO_DB_H
#define DROV_MODEL_HAPLO_DB_H

#include <cstddef>
#include <istream>
#include <ostream>
#include <unordered_map>
#include <vector>

#include "core/my_string.h"
#include "core/pointer_arrays.h"
#include "model/haplo_def.h"
#include "project/profile_settings.h"

class DistMat;

class Haplo_DB {
public:
    // The project's profile as the older reader copies it; its settings give
    // the folder of an external file.
    ProfileSettings profile;
    my_string name;                  // "no_name" until the list is named
    MY_TIArrayAsVector<HaploDef> list;  // owning; in the order read or appended

    Haplo_DB();
    Haplo_DB(Haplo_DB const&) = delete;
    Haplo_DB& operator=(Haplo_DB const&) = delete;

    // The first definition, in list order, whose content equals the argument
    // character for character; null when none does. Ids are not looked at.
    // The search goes through an index by content that follows the list:
    // definitions appended to it or removed from it are seen.
    HaploDef* find(my_string& content);
    // Code that edits the content of definitions already in the list in place
    // (rather than through rm_separators) calls this afterwards, so that find
    // indexes the new contents.
    void content_changed();

    // Name back to "no_name"; every definition deleted.
    void reset();

    // Removes every occurrence of the separator from every content.
    void rm_separators(char separator);

    // Gives each definition the row of the matrix label equal to its id: 1,
    // or 0 when the matrix has no labels or a definition finds no label.
    int associate_with1(DistMat const& matrix);
    // Gives each definition its list position as row: 1, or 0 (ERROR 30, no
    // change) when the list and the matrix differ in size, unless the matrix
    // is in its single-value mode.
    int associate_with2(DistMat const& matrix);

    // Line reader of the definitions, the stream positioned on the first
    // definition line: 1 when the list was read, 0 after its report.
    // Definitions already in the list stay. Advances the line counter by the
    // lines read, the one that ended the list included.
    int NewReadHaplotypeList(std::istream& is, ProfileSettings& project_profile, bool external,
                             int& line_counter);

    // Older keyword syntax: the whole subsection, the stream positioned after
    // its header. Copies the profile and empties the list first.
    int open(std::istream& is, ProfileSettings const& project_profile);
    int get_settings(std::istream& is);
    int read_id_content(std::istream& is, my_string keyword);
    // The definitions of an inline list (after its brace) or of an external
    // file: 1 at their end, 0 after a report.
    int read_haplotype(std::istream& is);

    // The path of a file named on an EXTERN line (external_file_name).
    my_string build_ext_name(my_string const& file_name);

private:
    // Positions in the list by hash of content, kept in step with the list on
    // each find: appended definitions are added, any other change rebuilds it.
    std::unordered_map<std::size_t, std::vector<int>> content_index;
    int indexed_count = 0;
    HaploDef* indexed_first = nullptr;
    HaploDef* indexed_last = nullptr;

    void clear_content_index();
    void update_content_index();

    void delete_all();
    int read_hapllist_value(std::istream& is);
};

// Writes the subsection "[[HaplotypeDefinition]]" (an empty list writes nothing).
std::ostream& operator<<(std::ostream& os, Haplo_DB& db);

#endif
