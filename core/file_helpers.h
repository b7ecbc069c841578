// File and system helpers: folders, deleting and copying files, the
// processor clock, and the names of a project's result and log files.
#ifndef DROV_CORE_FILE_HELPERS_H
#define DROV_CORE_FILE_HELPERS_H

#include <cstdint>
#include <ctime>
#include <fstream>
#include <istream>

#include "core/my_string.h"

// An input file that keeps its name, so that a reader stopped by what it
// finds can say in which file (a line too long to read names its file and
// line, see my_string::read_line). The name is the one given to the
// constructor or to InputFile::open (not to the open of a std::ifstream
// reference).
class InputFile : public std::ifstream {
public:
    InputFile() = default;
    explicit InputFile(const char* name) { open(name); }
    void open(const char* name)
    {
        name_ = name;
        std::ifstream::open(name);
    }
    const char* name() const { return name_.str; }

private:
    my_string name_;
};

// Creates the folder with mode 0755. Returns 1 when the folder exists
// afterwards (made now or already there), 0 otherwise.
int MY_CreateDirectory(const char* path);

// Removes the file. Returns 1 on success, 0 when it cannot be removed (the
// file is then left as it was).
int MY_DeleteFile(const char* path);

// Copies the text file src to dest line by line, each line followed by a
// line feed, and one more empty line at the end. Returns 0, writing nothing,
// when src cannot be opened or dest cannot be created; 0 as well when a read
// or a write fails.
int MY_CopyFile(const char* dest, const char* src);

// True when the file can be opened for reading.
bool can_read(const char* path);

// True when both paths name one existing file or folder.
bool same_file(const char* a, const char* b);

// Reads a 32-bit int stored in the machine's byte order (the binary matrix
// files); false when the stream ends first.
bool read_int32(std::istream& is, std::int32_t& value);

// Processor time in clock ticks.
clock_t get_sys_clock();

// Replaces every backslash of s by '/', in place.
void convert_to_slash(char* s);

// "dir/run1.drp" gives "dir/run1.res/run1_main.htm" (the frameset page) and
// "dir/run1.res/Drovalen_log.txt" (the log).
my_string buildDrovalenResultFileName(my_string const& project);
my_string buildDrovalenLogFileName(my_string const& project);

#endif
