#include "model/subsection_support.h"

#include <limits>
#include <ostream>

#include "app/settings.h"
#include "core/errors.h"

my_string external_file_name(ProfileSettings const& profile, my_string const& file_name)
{
    if (file_name.contains('/') || file_name.contains('\\'))
        return file_name;
    if (profile.RunSettings != nullptr)
        return profile.RunSettings->project_dir + file_name;
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
