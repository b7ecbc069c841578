// The settings-file interface. A file is scanned once into a block of its key
// lines; a key is then looked up in that block.

#include "app/private_profile.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

const int MAX_LINES = 2000;

PrivateProfileScan* innermost_scan = nullptr;

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

// Bytes enough for GetPrivateProfileSection to hold every key line of the
// file: an entry is at most its line, its NUL takes the line end's place, the
// last line may lack a line end, and the block ends with one NUL more.
std::size_t section_size(const char* file_name)
{
    std::error_code error;
    std::uintmax_t bytes = std::filesystem::file_size(file_name, error);
    if (error)
        return 2;
    return static_cast<std::size_t>(std::min<std::uintmax_t>(bytes, INT_MAX - 2)) + 2;
}

std::vector<char> section_of(const char* file_name)
{
    std::vector<char> entries(section_size(file_name));
    GetPrivateProfileSection("", file_name, static_cast<int>(entries.size()), entries.data());
    return entries;
}

// The value of the key among the entries of a block, as
// GetPrivateProfileString gives it.
int value_among(const char* entries, const char* key, char* value, int size)
{
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

int GetPrivateProfileString(const char* /*section*/, const char* key,
                            const char* /*default_text*/, char* value, int const& size,
                            const char* file_name)
{
    if (size < 1)
        return 0;
    value[0] = '\0';
    if (const char* scanned = PrivateProfileScan::entries_of(file_name))
        return value_among(scanned, key, value, size);
    return value_among(section_of(file_name).data(), key, value, size);
}

PrivateProfileScan::PrivateProfileScan(const char* file_name)
    : file_name_(file_name), entries_(section_of(file_name)), outer_(innermost_scan)
{
    innermost_scan = this;
}

PrivateProfileScan::~PrivateProfileScan()
{
    innermost_scan = outer_;
}

const char* PrivateProfileScan::entries_of(const char* file_name)
{
    for (PrivateProfileScan* scan = innermost_scan; scan; scan = scan->outer_)
        if (scan->file_name_ == file_name)
            return scan->entries_.data();
    return nullptr;
}
