// The project format as source and as target of a translation. As source,
// the cleaned copy of the project file (comments gone, blanks normalised, the
// files it names with EXTERN cleaned too) becomes the temporary project; the
// export step reads the EXTERN files from their cleaned copies, as a run
// does, and any other from the source project's folder. The copies lie in a
// new folder of their own beside the temporary project, never in a results
// folder, where a user may keep files of their names. As
// target, the temporary project is copied to the output. Both copy lines of
// any length whole and end the text with one more empty line.
#include <fstream>
#include <memory>

#include "core/keyword_line.h"
#include "project/cleaner.h"
#include "project/profile_settings.h"
#include "translator/imp_exp.h"

namespace {

// Each line followed by a line end, then one empty line.
bool copy_lines(std::istream& in, std::ostream& out)
{
    std::string line;
    while (imp_exp::read_line(in, line))
        out << line << '\n';
    out << '\n';
    return !in.bad();
}

} // namespace

int imp_exp::read_drovalen()
{
    source_copies = std::make_unique<cleaner>();
    cleaner& clean = *source_copies;
    clean.copy_into_new_folder(core_dir, "dum_dro");
    if (!clean.execute(ProfileSettings::LocusSeparator, input_name.str)
        || clean.get_clean_proj() == nullptr) {
        source_copies.reset();
        return unable_to_open_input();
    }
    // The temporary project keeps the EXTERN names as written, so the export
    // step resolves them against the source project's folder, as a run does.
    source_dir = input_name;
    source_dir.extract_path();
    for (int i = 1; i < clean.source_names.count; ++i)
        input_files.push_back(external_path(source_dir, clean.source_names[i]).str);
    std::ifstream in(clean.get_clean_proj());
    bool copied = in.is_open() && copy_lines(in, *os);
    return copied ? 1 : unable_to_open_input();
}

int imp_exp::write_drovalen()
{
    std::ifstream in(input_name.str);
    if (!in.is_open())
        return unable_to_open_input();
    return copy_lines(in, *os) ? 1 : unable_to_open_input();
}
