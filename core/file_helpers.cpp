#include "core/file_helpers.h"

#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

int MY_CreateDirectory(const char* path)
{
    mkdir(path, 0755);
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode) ? 1 : 0;
}

int MY_DeleteFile(const char* path)
{
    return unlink(path) == 0 ? 1 : 0;
}

bool can_read(const char* path)
{
    std::ifstream file(path);
    return file.is_open();
}

bool same_file(const char* a, const char* b)
{
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev
           && sa.st_ino == sb.st_ino;
}

// Each read, the last one that meets the end of the source included, writes
// its line and a line feed: the copy ends with one line feed more than the
// source needs ("a\nb\n" gives "a\nb\n\n").
int MY_CopyFile(const char* dest, const char* src)
{
    std::ifstream in(src);
    if (!in)
        return 0;
    // Opening the source as the destination would empty it before reading.
    if (same_file(dest, src))
        return 0;
    std::ofstream out(dest);
    if (!out)
        return 0;
    std::string line;
    while (!in.fail()) {
        line.clear();  // getline leaves it alone when the source is already at its end
        std::getline(in, line);
        out << line << '\n';
    }
    out.close();
    return in.bad() || out.fail() ? 0 : 1;
}

bool read_int32(std::istream& is, std::int32_t& value)
{
    return static_cast<bool>(is.read(reinterpret_cast<char*>(&value), sizeof value));
}

clock_t get_sys_clock()
{
    return clock();
}

void convert_to_slash(char* s)
{
    for (; *s; ++s)
        if (*s == '\\')
            *s = '/';
}

namespace {

// The results folder of a project, "<folder><base>.res/": its folder part
// (up to its last separator) and its base name (without folder, cut at the
// first ".drp"), which is also given back in `base`.
my_string results_folder(my_string const& project, my_string& base)
{
    my_string folder = project;
    folder.extract_path();
    base = project;
    base.rm_path();
    int extension = base.rfind(".drp");
    if (extension >= 0)
        base.remove(extension, base.length - extension);
    folder += base;
    folder += ".res";
    folder += '/';
    return folder;
}

} // namespace

my_string buildDrovalenResultFileName(my_string const& project)
{
    my_string base;
    my_string name = results_folder(project, base);
    name += base;
    name += "_main.htm";
    return name;
}

my_string buildDrovalenLogFileName(my_string const& project)
{
    my_string base;
    my_string name = results_folder(project, base);
    name += "Drovalen_log.txt";
    return name;
}
