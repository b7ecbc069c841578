// What the reading of a settings file notices that silently changes results,
// and the warnings it gives in the log.
//
// The reader keeps to its rules whatever the file holds: a key it does not
// know is passed over, a value that is no number (or, for an integer key, no
// integer) converts to what its first characters say, a key of the
// always-assigned list that is missing reads 0, and a code outside its range
// is kept as it stands, except a distance code, which reads 0. Each of these
// changes what a run computes without failing it, so the start of a project
// reports each one as a WARNING whose headline says which of these happened,
// followed by a line that names the key and the value used; the results list
// these lines too.
#ifndef DROV_APP_SETTINGS_FILE_REPORT_H
#define DROV_APP_SETTINGS_FILE_REPORT_H

#include <set>
#include <string>
#include <vector>

class settings;

struct SettingsFileReport {
    struct NotANumber {
        std::string key;
        std::string text;  // the value as the file gives it, blanks trimmed
        std::string used;  // the value the conversion made of it
    };
    std::set<std::string> known_keys;    // every key the reader looked up
    std::set<std::string> missing_keys;  // numeric keys the file gives no value
    std::vector<NotANumber> not_numbers;
    std::vector<NotANumber> not_integers;  // numbers such as 2.5 given to an integer key
    std::vector<std::string> unknown_lines;  // key lines whose key the reader does not know
    struct CodeReadAsZero {
        std::string key;
        int value;  // the code the file gives
    };
    std::vector<CodeReadAsZero> distance_codes_read_as_0;
};

// A distance code outside 0 to 6 (DistanceMethod, MismatchDistanceMethod,
// DistanceMethodAMOVA) chooses the number of differences in every data
// type; it is set to 0, that code, so that every analysis computes and names
// the same distance, and noted in the report.
void read_distance_codes_out_of_range_as_0(SettingsFileReport& report, settings& s);

// The key lines of the file (among those the reader takes) whose key is not
// among the known ones, as they stand.
std::vector<std::string> unknown_key_lines(const char* file_name,
                                           std::set<std::string> const& known_keys);

// One WARNING per problem, with its detail line: unknown keys, values that
// are no number, numbers given to an integer key that are no integer, codes
// out of their range, and the missing keys whose 0 leaves a selected analysis
// without meaning. Returns the detail lines.
std::vector<std::string> warn_about_settings_file(SettingsFileReport const& report,
                                                  settings const& s);

#endif
