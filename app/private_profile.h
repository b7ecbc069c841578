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

// Reads the file once and copies its key lines into `entries`, each as it
// stands followed by a NUL, and one NUL more after the last. 1 when they all
// fit in `size` bytes; 0 when the file cannot be opened or they do not all fit
// (entries then holds those that fit, ended alike).
int GetPrivateProfileSection(const char* section, const char* file_name, int const& size,
                             char* entries);

// Bytes enough for GetPrivateProfileSection to hold every key line of the file.
int private_profile_section_size(const char* file_name);

// The value of `key` among the entries of GetPrivateProfileSection, copied
// NUL-terminated into `value` (size bytes): 1 when found; otherwise 0 and an
// empty value.
int private_profile_value(const char* entries, const char* key, char* value, int const& size);

// The value of one key of the file, as private_profile_value gives it; the
// default text is not used. A file that cannot be opened gives 0 and an empty
// value.
int GetPrivateProfileString(const char* section, const char* key, const char* default_text,
                            char* value, int const& size, const char* file_name);

#endif
