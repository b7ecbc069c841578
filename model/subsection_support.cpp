#include "model/subsection_support.h"

#include <limits>
#include <ostream>

#include "app/settings.h"
#include "core/errors.h"
#include "core/keyword_line.h"

my_string external_file_name(ProfileSettings const& profile, my_string const& file_name)
{
    settings const* run = profile.RunSettings;
    if (run != nullptr) {
        auto copy = run->extern_copies.find(file_name.str);
        if (copy != run->extern_copies.end())
            return my_string(copy->second.c_str());
        return external_path(run->project_dir, file_name);
    }
    if (!detectFullPathInFileName(file_name))
        *_ZOS_ << "Pointer to project dir is not initialized. ERROR" << std::endl;
    return file_name;
}

int next_graphic_char(std::istream& is)
{
    for (;;) {
        int c = is.get();
        if (is.fail())
            return std::istream::traits_type::eof();
        if (c == '#')
            is.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        else if (c > 32 && c <= 126)
            return c;
    }
}
