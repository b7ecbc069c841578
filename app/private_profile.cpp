// The settings-file interface. The file is scanned once into a block of its
// key lines; each key is then looked up in that block, so that reading the
// 127 keys of a settings file costs one pass over the file.

#include "app/private_profile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace {

const int MAX_LINES = 2000;

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

// A line that may give a key its value: not blank, no comment, with an '='.
bool is_key_line(std::string const& line)
{
    std::string::size_type first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] != '#'
           && line.find('=') != std::string::npos;
}

// The text before the '=' at `eq`, without the blanks around it, is the key.
bool names_key(const char* entry, const char* eq, const char* key)
{
    while (entry < eq && is_blank(*entry))
        ++entry;
    while (eq > entry && is_blank(eq[-1]))
        --eq;
    std::size_t length = static_cast<std::size_t>(eq - entry);
    return std::strlen(key) == length && std::strncmp(entry, key, length) == 0;
}

}  // namespace

int GetPrivateProfileSection(const char* /*section*/, const char* file_name, int const& size,
                             char* entries)
{
    if (size < 1)
        return 0;
    entries[0] = '\0';
    std::ifstream in(file_name);
    if (!in.is_open())
        return 0;
    int used = 0;  // bytes of the entries so far, without the final NUL
    std::string line;
    for (int n = 0; n < MAX_LINES && std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!is_key_line(line))
            continue;
        if (line.size() + 2 > static_cast<std::size_t>(size - used))
            return 0;  // the entry, its NUL and the final NUL do not fit
        std::memcpy(entries + used, line.c_str(), line.size() + 1);
        used += static_cast<int>(line.size()) + 1;
        entries[used] = '\0';
    }
    return 1;
}

int private_profile_section_size(const char* file_name)
{
    // Every entry is at most its line, and its NUL takes the line end's place;
    // the last line may lack a line end, and the block ends with one NUL more.
    std::error_code error;
    std::uintmax_t bytes = std::filesystem::file_size(file_name, error);
    if (error)
        return 2;
    return bytes > static_cast<std::uintmax_t>(INT_MAX - 2) ? INT_MAX : static_cast<int>(bytes) + 2;
}

int private_profile_value(const char* entries, const char* key, char* value, int const& size)
{
    if (size < 1)
        return 0;
    value[0] = '\0';
    for (const char* entry = entries; *entry != '\0'; entry += std::strlen(entry) + 1) {
        const char* eq = std::strchr(entry, '=');
        if (eq == nullptr || !names_key(entry, eq, key))
            continue;
        // The value runs from after the '=' up to the line's size-th
        // character: an '=' at that character or later gives none.
        long p = eq - entry;
        long end = std::min(static_cast<long>(std::strlen(entry)), static_cast<long>(size));
        if (p + 1 >= end)
            continue;
        std::memcpy(value, eq + 1, static_cast<std::size_t>(end - p - 1));
        value[end - p - 1] = '\0';
        return 1;
    }
    return 0;
}

int GetPrivateProfileString(const char* section, const char* key, const char* /*default_text*/,
                            char* value, int const& size, const char* file_name)
{
    if (size >= 1)
        value[0] = '\0';
    int entries_size = private_profile_section_size(file_name);
    std::string entries(static_cast<std::size_t>(entries_size), '\0');
    GetPrivateProfileSection(section, file_name, entries_size, &entries[0]);
    return private_profile_value(entries.c_str(), key, value, size);
}
