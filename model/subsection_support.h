// Helpers shared by the readers of the haplotype-list and distance-matrix
// subsections of a project file.
#ifndef DROV_MODEL_SUBSECTION_SUPPORT_H
#define DROV_MODEL_SUBSECTION_SUPPORT_H

#include <istream>

#include "core/my_string.h"
#include "project/profile_settings.h"

// The one rule for the file named on an EXTERN line: during a run the
// cleaned copy that the cleaner made of it; otherwise a name that begins with
// '/' as it stands and any other inside the project's folder (both from the
// profile's settings). Without settings the name is used as it stands, and
// the log gets a line when it needed the project's folder.
my_string external_file_name(ProfileSettings const& profile, my_string const& file_name);

// Older keyword syntax: consumes up to and including the first graphic
// character after the '=' of a keyword, passing over '#' comments; returns it,
// or EOF when the input ends first.
int next_graphic_char(std::istream& is);

// Letters and digits of the C locale, on the int that istream::get returns.
inline bool is_alnum_char(int c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

#endif
