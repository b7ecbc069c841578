// The settings-file interface: the key=value lines of a settings file (".drs")
// and the value of one key among them.
//
// A key takes its value from the first line, among the first 2000 of the
// file, whose text before the first '=' (blanks and tabs trimmed) is exactly
// the key and which has a value: the characters after that '=' up to the
// line's size-th character, size being the value buffer's. Lines beginning
// with '#' are comments, and a carriage return that ends a line (files written
// on other systems) is no part of it. Section lines hold no '=' and take no
// part; the section arguments are not used, every line of the file counts.
#ifndef DROV_APP_PRIVATE_PROFILE_H
#define DROV_APP_PRIVATE_PROFILE_H

#include <string>
#include <vector>

// Reads the file once and copies its key lines into `entries`, each as it
// stands followed by a NUL, and one NUL more after the last. 1 when they all
// fit in `size` bytes; 0 when the file cannot be opened or they do not all fit
// (entries then holds those that fit, ended alike).
int GetPrivateProfileSection(const char* section, const char* file_name, int const& size,
                             char* entries);

// The value of one key of the file, copied NUL-terminated into `value` (size
// bytes): 1 when found; otherwise 0 and an empty value. The default text is
// not used. A file that cannot be opened gives 0 and an empty value.
int GetPrivateProfileString(const char* section, const char* key, const char* default_text,
                            char* value, int const& size, const char* file_name);

// The key lines of one file, read once by GetPrivateProfileSection: while
// the object lives, GetPrivateProfileString takes the keys of that file from
// them instead of reading the file again. The settings reader holds one per
// read, so that its 127 keys cost one pass over the file.
class PrivateProfileScan {
public:
    explicit PrivateProfileScan(const char* file_name);
    ~PrivateProfileScan();
    PrivateProfileScan(PrivateProfileScan const&) = delete;
    PrivateProfileScan& operator=(PrivateProfileScan const&) = delete;

    // The key lines of the innermost living scan of the file, or null.
    static const char* entries_of(const char* file_name);

private:
    std::string file_name_;
    std::vector<char> entries_;
    PrivateProfileScan* outer_;  // the scan that was living before this one
};

#endif
