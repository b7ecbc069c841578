#include "project/cleaner.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/keyword_line.h"

namespace {

// Position of `upper_key` in the line, ignoring the case of the line; npos
// when it does not occur.
std::size_t upper_position(std::string const& line, const char* upper_key)
{
    std::size_t n = std::strlen(upper_key);
    if (n == 0 || line.size() < n)
        return std::string::npos;
    for (std::size_t i = 0; i + n <= line.size(); ++i) {
        std::size_t k = 0;
        while (k < n && std::toupper(static_cast<unsigned char>(line[i + k])) == upper_key[k])
            ++k;
        if (k == n)
            return i;
    }
    return std::string::npos;
}

bool contains_upper(std::string const& line, const char* upper_key)
{
    return upper_position(line, upper_key) != std::string::npos;
}

// The value of a LocusSeparator line as the project reader reads it: TAB a
// tab, WHITESPACE a blank, NONE or \0 none, else the one character given
// (between quotes or not); any other value falls back to the reader's
// default, a blank. The value is what follows the '=' (or the key).
char declared_separator(std::string const& line, std::size_t key_end)
{
    std::size_t equals = line.find('=');
    std::size_t start = equals == std::string::npos ? key_end : equals + 1;
    std::string value;
    for (std::size_t i = start; i < line.size(); ++i)
        if (line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            value += line[i];
    if (value.size() >= 3 && (value[0] == '\'' || value[0] == '"') && value[2] == value[0])
        return value[1];
    std::size_t comment = value.find('#', 1);
    if (comment != std::string::npos)
        value.erase(comment);
    if (contains_upper(value, "TAB"))
        return '\t';
    if (contains_upper(value, "WHITESPACE"))
        return ' ';
    if (contains_upper(value, "NONE") || value.find("\\0") != std::string::npos)
        return 0;
    return value.size() == 1 ? value[0] : ' ';
}

// The separator of the project's own LocusSeparator line, searched in the
// profile (up to the [Data] section); `found` false when there is none.
char read_declared_separator(const char* project_file, bool& found)
{
    found = false;
    std::ifstream in(project_file);
    std::string line;
    while (std::getline(in, line)) {
        if (contains_upper(line, "[DATA]"))
            break;
        std::string before_comment = line.substr(0, line.find('#'));
        if (contains_upper(before_comment, "LOCUSSEPARATOR")) {
            found = true;
            std::size_t key_end = upper_position(line, "LOCUSSEPARATOR") + 14;
            return declared_separator(line, key_end);
        }
    }
    return 0;
}

// Separators that also occur in numbers, keywords or quoted values, or that
// mark the structure of the file (key=value, blocks, section heads), cannot
// be turned into blanks without changing a frequency, a name or a keyword.
bool separator_is_unsafe(char c)
{
    return std::isalnum(static_cast<unsigned char>(c))
           || std::strchr(".+-\"'={}[]", c) != nullptr;
}

// The file name of a path, without any folder: after the last '/' or '\'.
my_string bare_file_name(my_string const& path)
{
    my_string name = path;
    name.rm_path();
    return name;
}

}  // namespace

cleaner::cleaner()
    : source_names(5, 5), cleaned_names(5, 5), kinds(5, 5), locus_separator(0), copied(5, 5)
{
}

cleaner::~cleaner()
{
    rm_clean_files();
}

void cleaner::copy_into_new_folder(my_string const& parent, my_string const& stem)
{
    new_folder_parent = parent;
    new_folder_stem = stem;
}

int cleaner::execute(char given_separator, const char* project)
{
    project_file = project;
    source_names.Add(project_file);
    kinds.Add(PROJECT_FILE);
    if (!separator_for(given_separator, locus_separator))
        return 0;
    for (int i = 0; i < source_names.count; ++i) {
        switch (kinds[i]) {
        case PROJECT_FILE:
            if (clean_proj_file(i) == 0)
                return 0;
            break;
        case DISTANCE_MATRIX:
            clean_matrix_file(i);
            break;
        case SAMPLE_DATA:
            clean_pop_file(i);
            break;
        default:
            clean_haplo_file(i);
        }
    }
    return 1;
}

// The project's own separator when it declares one, else the given one.
// False, after an error naming it, for a separator that cannot be mapped
// safely: left in place it would be read as part of the data (a sequence
// "A.C.G.T" as seven sites).
bool cleaner::separator_for(char given, char& separator) const
{
    bool found = false;
    separator = read_declared_separator(project_file.str, found);
    if (!found)
        separator = given;
    if (separator == 0 || !separator_is_unsafe(separator))
        return true;
    E.error(ERROR, "cleaner::execute()", 190);
    *_ZOS_ << "\tLocus separator '" << separator
           << "' can be part of a number, a name or the file's syntax: it cannot be turned into"
              " blanks and the project is not read."
              " Use another separator, for example ';' or '/'.\n";
    separator = 0;
    return false;
}

char* cleaner::get_clean_proj()
{
    return copied.count > 0 && copied[0] == 1 ? cleaned_names[0].str : nullptr;
}

char* cleaner::get_orig_proj()
{
    return source_names.count > 0 ? source_names[0].str : nullptr;
}

char* cleaner::get_proj_dir()
{
    return results_folder.str;
}

void cleaner::get_extern_copies(std::map<std::string, std::string>& copies)
{
    for (int i = 1; i < copied.count && i < source_names.count; ++i)
        if (copied[i] == 1)
            copies[source_names[i].str] = cleaned_names[i].str;
}

void cleaner::add_entry(my_string const& source, my_string const& cleaned, int kind)
{
    source_names.Add(source);
    cleaned_names.Add(cleaned);
    kinds.Add(kind);
    copied.Add(0);
}

int cleaner::clean_proj_file(int const& index)
{
    my_string work = source_names[index];
    std::ifstream in(work.str);
    if (!in.is_open())
        return 0;

    work.remove_extension();
    source_folder = work;
    source_folder.extract_path();
    if (!make_copy_folder(work))
        return 0;

    my_string copy_name = results_folder + bare_file_name(source_names[index]);
    std::ofstream out(copy_name.str, std::ios::out | std::ios::trunc);
    if (!out.is_open())
        return 0;
    cleaned_names.Add(copy_name);
    copied.Add(1);

    while (std::getline(in, current_line)) {
        clean_curr_line();
        line_has_external();
        line_locus_sep();
        if (!current_line.empty())
            out << current_line << '\n';
    }
    out << '\n';
    out.close();
    if (out.fail() || in.bad()) {
        // A partial copy must not be read as the project.
        MY_DeleteFile(copy_name.str);
        copied[index] = 0;
        return 0;
    }
    return 1;
}

int cleaner::clean_haplo_file(int const& index)
{
    return clean_extern_file(index, true);
}

int cleaner::clean_matrix_file(int const& index)
{
    return clean_extern_file(index, false);
}

int cleaner::clean_pop_file(int const& index)
{
    return clean_extern_file(index, false);
}

// The source is found by the rule the project reader uses for EXTERN names.
// The copy ends with one empty line, like the project copy.
int cleaner::clean_extern_file(int index, bool keep_empty_lines)
{
    if (index <= 0 || index >= source_names.count || index >= cleaned_names.count
        || cleaned_names[index].is_null())
        return 0;
    std::ifstream in(external_path(source_folder, source_names[index]).str);
    if (!in.is_open())
        return 0;
    std::ofstream out(cleaned_names[index].str, std::ios::out | std::ios::trunc);
    if (!out.is_open())
        return 0;
    while (std::getline(in, current_line)) {
        clean_curr_line();
        if (keep_empty_lines || !current_line.empty())
            out << current_line << '\n';
    }
    out << '\n';
    out.close();
    // A copy cut short must not stand for the file: the reader then reports
    // the file instead of reading part of it.
    copied[index] = out.fail() || in.bad() ? 0 : 1;
    if (copied[index] == 0)
        MY_DeleteFile(cleaned_names[index].str);
    return copied[index];
}

int cleaner::clean_curr_line()
{
    std::string cleaned;
    cleaned.reserve(current_line.size());
    bool in_quotes = false;
    bool last_was_blank = false;
    for (char c : current_line) {
        if (c == '"')
            in_quotes = !in_quotes;
        if (c == '\r' || c == '\t')
            c = ' ';
        else if (locus_separator != 0 && c == locus_separator) {
            if (!in_quotes)
                c = ' ';
        } else if (c == '#') {
            break;
        }
        if (c == ' ') {
            if (last_was_blank)
                continue;
            last_was_blank = true;
        } else {
            last_was_blank = false;
        }
        cleaned += c;
    }
    while (!cleaned.empty() && cleaned.back() == ' ')
        cleaned.pop_back();
    current_line.swap(cleaned);
    return 1;
}

// The name is read as the project reader reads it (getQuotedString), so that
// the copy is found under the name the reader asks for.
int cleaner::line_has_external()
{
    if (current_line.size() > 1000 || current_line.find("EXTERN") == std::string::npos)
        return 0;
    my_string quoted;
    if (quoted_value(my_string(current_line.c_str()), quoted) != 1)
        quoted = "";
    int kind = HAPLOTYPE_LIST;
    if (contains_upper(current_line, "SAMPLEDATA"))
        kind = SAMPLE_DATA;
    else if (contains_upper(current_line, "MATRIXDATA"))
        kind = DISTANCE_MATRIX;
    add_entry(quoted, copy_name_for(quoted), kind);
    return 1;
}

// The copy of an EXTERN file lies in the results folder under the file's own
// name; a name that an earlier entry of another file already uses is made
// unique with the entry's number. No name that could leave the folder (or
// name the folder itself) is ever used.
my_string cleaner::copy_name_for(my_string const& quoted_name) const
{
    my_string name = bare_file_name(quoted_name);
    if (name.is_null() || std::strcmp(name.str, ".") == 0 || std::strcmp(name.str, "..") == 0)
        return my_string();
    my_string copy = results_folder + name;
    for (int j = 0; j < cleaned_names.count; ++j) {
        if (std::strcmp(cleaned_names[j].str, copy.str) == 0
            && std::strcmp(source_names[j].str, quoted_name.str) != 0) {
            char number[32];
            std::snprintf(number, sizeof number, "extern%d_", cleaned_names.count);
            return results_folder + number + name;
        }
    }
    return copy;
}

int cleaner::line_locus_sep()
{
    if (locus_separator != 0 && contains_upper(current_line, "LOCUSSEPARATOR")
        && !contains_upper(current_line, "NONE"))
        current_line = "LocusSeparator=WHITESPACE";
    return 1;
}

// The results folder "<project stem>.res/", or a new folder of the cleaner's
// own: a name that no file or folder has is taken by creating it, in one step.
bool cleaner::make_copy_folder(my_string const& project_stem)
{
    if (new_folder_stem.is_null()) {
        results_folder = project_stem + ".res/";
        MY_CreateDirectory(results_folder.str);
        return true;
    }
    for (int k = 1; k <= 100000; ++k) {
        std::string folder = std::string(new_folder_parent.str) + new_folder_stem.str + "_"
                             + std::to_string(k);
        std::error_code failed;
        if (std::filesystem::create_directory(folder, failed)) {
            results_folder = (folder + "/").c_str();
            own_folder = true;
            return true;
        }
        if (!std::filesystem::exists(folder))
            break;  // the parent takes no new folder
    }
    return false;
}

void cleaner::rm_clean_files()
{
    for (int i = 0; i < cleaned_names.count && i < copied.count; ++i) {
        if (copied[i] == 1) {
            MY_DeleteFile(cleaned_names[i].str);
            copied[i] = 0;
        }
    }
    // Only an empty folder is removed: nothing but the copies was ever in it.
    std::error_code failed;
    if (own_folder)
        std::filesystem::remove(results_folder.str, failed);
    own_folder = false;
}
