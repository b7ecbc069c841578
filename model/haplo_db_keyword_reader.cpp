// Reader of the subsection "[[HaplotypeDefinition]]" in the older keyword
// syntax (keyword = value entries read by the project-file tokenizer), used by
// the format translator's project reader.

#include "model/haplo_db.h"

#include <fstream>
#include <memory>
#include <string>
#include <unordered_set>

#include "core/char_classes.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/public.h"
#include "model/subsection_support.h"

namespace {

const char* const GET_SETTINGS = "Haplo_DB::get_settings(ifstream& ifs)";
const char* const READ_ID = "Haplo_DB::read_id_content()";
const char* const READ_HAPLOTYPE = "Haplo_DB::read_haplotype()";

// The reporting function's name with the id in double quotes; any length.
std::string naming_id(my_string const& id)
{
    return std::string(READ_HAPLOTYPE) + " (\"" + id.str + "\")";
}

}  // namespace

my_string Haplo_DB::build_ext_name(my_string const& file_name)
{
    return external_file_name(profile, file_name);
}

int Haplo_DB::open(std::istream& is, ProfileSettings const& project_profile)
{
    profile = project_profile;
    delete_all();
    return get_settings(is);
}

int Haplo_DB::get_settings(std::istream& is)
{
    my_string keyword;
    while (get_next_ident(is, keyword)) {
        if (!is_identifier(keyword)) {
            E.error(WARNING, GET_SETTINGS, 41);
            return 0;
        }
        if (!read_id_content(is, keyword)) {
            E.error(WARNING, GET_SETTINGS, 41);
            delete_all();
            return 0;
        }
    }
    return 1;
}

int Haplo_DB::read_id_content(std::istream& is, my_string keyword)
{
    if (same_text(keyword, "hapllistname")) {
        my_string value;
        if (!get_qstring(is, value)) {
            E.error(ERROR, READ_ID, 34);
            return 0;
        }
        name = value;
        return 1;
    }
    if (same_text(keyword, "hapllist"))
        return read_hapllist_value(is);
    if (!profile.read_profile_id_content(is, keyword)) {
        E.error(WARNING, READ_ID, 41);
        return 0;
    }
    return 1;
}

// "hapllist = { definitions }" or "hapllist = EXTERN file".
int Haplo_DB::read_hapllist_value(std::istream& is)
{
    int c = next_graphic_char(is);
    if (c == std::istream::traits_type::eof())
        return 0;
    if (c == '{') {
        if (!read_haplotype(is)) {
            E.error(ERROR, READ_ID, 40);
            return 0;
        }
        is.get();  // the closing brace
        return 1;
    }
    if (!is_alnum(c)) {
        E.error(ERROR, READ_ID, 39);
        return 0;
    }
    is.unget();
    my_string value;
    bool read = get_qstring(is, value);
    value.Upper();
    if (!read || !same_text(value, "EXTERN")) {
        E.error(ERROR, READ_ID, 38);
        return 0;
    }
    my_string file_name;
    if (!get_qstring(is, file_name))
        return 0;
    E.error(INFO, READ_ID, 35);
    my_string full_name = build_ext_name(file_name);
    InputFile file(full_name.str);
    if (!file) {
        E.error(ERROR, READ_ID, 36);
        return 0;
    }
    if (!read_haplotype(file)) {
        E.error(ERROR, READ_ID, 37);
        return 0;
    }
    return 1;
}

int Haplo_DB::read_haplotype(std::istream& is)
{
    // Ids of the list, so that a repeated id is found without a scan of the list.
    std::unordered_set<std::string> ids;
    for (int i = 0; i < list.count; ++i)
        ids.insert(list.data[i]->id.str);
    for (;;) {
        skip_comments(is);
        auto haplotype = std::make_unique<HaploDef>();
        if (!get_qstring(is, haplotype->id))  // the closing brace or the end of the file
            return 1;
        if (ids.count(haplotype->id.str) > 0) {
            delete_all();
            E.error(ERROR, naming_id(haplotype->id).c_str(), 31);
            return 0;
        }
        if (test_end_of_line(is)) {
            E.error(ERROR, naming_id(haplotype->id).c_str(), 32);
            return 0;
        }
        if (!haplotype->read_data(is, profile)) {
            E.error(ERROR, READ_HAPLOTYPE, 33);
            delete_all();
            return 0;
        }
        ids.insert(haplotype->id.str);
        list.Add(haplotype.release());
    }
}
