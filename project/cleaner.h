// Normalised copies of a project file and of the files it names on EXTERN
// lines, made in the project's results folder before the project is read.
//
// In the copies comments are gone, carriage returns, tabs and the locus
// separator are blanks, runs of blanks are single blanks and lines carry no
// trailing blanks; the project copy also drops its empty lines, and so do the
// copies of sample data and distance matrices, whose readers take every line
// as a record, as they do inline. The readers then see one uniform text, and
// external data read exactly like the same lines inline. Lines of any length
// are cleaned.
//
// The locus separator is the one the project declares on its own
// LocusSeparator line (the one given to execute serves only a project that
// declares none, as the reader then keeps the previous project's). It is never
// mapped inside double quotes (titles, names, file names). A separator that
// can be part of a number, a keyword or a quoted value ('.', '+', '-', a
// letter or digit, a quote) or of the file's syntax ('=', braces, brackets)
// cannot be turned into blanks without changing the data: the project is
// refused with an error naming it, and no copy is made.
//
// Copies of EXTERN files are written only inside the results folder, under
// the file's own name without its folders, so that no name can reach outside
// it; rm_clean_files deletes exactly the copies that execute wrote, and so
// does the destructor with copies still there.
//
// A translation, which writes no results, takes a new folder of the cleaner's
// own in place of the results folder (copy_into_new_folder): a folder that
// did not exist before, removed with the copies. A user's files in an
// existing results folder are then never written over.
//
// Use: construct; copy_into_new_folder when wanted; execute; get_clean_proj
// (the file to read), get_proj_dir (the results folder) and get_extern_copies
// (the copies of the EXTERN files); read the project; rm_clean_files.
#ifndef DROV_PROJECT_CLEANER_H
#define DROV_PROJECT_CLEANER_H

#include <map>
#include <string>

#include "core/my_string.h"
#include "core/value_array.h"

class cleaner {
public:
    cleaner();
    ~cleaner();
    cleaner(cleaner const&) = delete;
    cleaner& operator=(cleaner const&) = delete;

    // What a source file is: the project, or the data named on an EXTERN
    // line of a HaplList, a MatrixData or a SampleData key (any other EXTERN
    // line counts as a haplotype list).
    enum FileKind { PROJECT_FILE = 0, HAPLOTYPE_LIST = 1, DISTANCE_MATRIX = 2, SAMPLE_DATA = 3 };

    // Cleans the project file and then every file it names on an EXTERN line,
    // in the order of those lines. Returns 1, or 0 when the project file
    // cannot be opened, its copy cannot be written or its locus separator
    // cannot be mapped safely (no copy exists then).
    int execute(char locus_separator, const char* project_file);

    char* get_clean_proj();  // path of the project copy; null when there is none
    char* get_orig_proj();   // the project file as given; null before execute
    char* get_proj_dir();    // the results folder with its closing '/'; empty before execute
    // Adds to `copies`, for every EXTERN file whose copy was written, the
    // name as written on its EXTERN line and the path of its copy.
    void get_extern_copies(std::map<std::string, std::string>& copies);

    // Before execute: the copies go into a new folder "<parent><stem>_<k>/"
    // (k = 1, 2, ... up to a name that no file or folder has), made by
    // execute, in place of the results folder.
    void copy_into_new_folder(my_string const& parent, my_string const& stem);

    // Deletes the copies that execute wrote, then a folder of the cleaner's
    // own; a results folder and the source files are never touched.
    void rm_clean_files();

    // The steps of execute, on source name `index`.
    int clean_proj_file(int const& index);
    // The copy of an EXTERN file: 1 when written, 0 when the file cannot be
    // read or its copy cannot be made. Sample data and distance matrices
    // lose their empty lines; a haplotype list keeps them.
    int clean_haplo_file(int const& index);
    int clean_matrix_file(int const& index);
    int clean_pop_file(int const& index);
    int clean_curr_line();     // cleans current_line in place; returns 1
    int line_has_external();   // registers the file named on an EXTERN line; 1 when found
    int line_locus_sep();      // rewrites a LocusSeparator line; returns 1

    // Source name i: entry 0 the project file, then the names quoted on the
    // EXTERN lines. Cleaned name i: the path of its copy (empty when a name
    // leaves no file name to copy to). Kind i: a FileKind.
    MY_TArrayAsVector<my_string> source_names;
    MY_TArrayAsVector<my_string> cleaned_names;
    MY_TArrayAsVector<int> kinds;

private:
    my_string project_file;
    std::string current_line;  // any length: cleaned lines are not bounded by my_string
    char locus_separator;
    my_string source_folder;   // folder of the project file with its closing separator
    my_string results_folder;
    my_string new_folder_parent;  // copy_into_new_folder: where the new folder goes,
    my_string new_folder_stem;    // and the stem of its name (empty: a results folder)
    bool own_folder = false;      // results_folder is a new folder execute made
    MY_TArrayAsVector<int> copied;  // 1 where execute wrote the copy of entry i

    bool separator_for(char given, char& separator) const;
    int clean_extern_file(int index, bool keep_empty_lines);
    void add_entry(my_string const& source, my_string const& cleaned, int kind);
    my_string copy_name_for(my_string const& quoted_name) const;
    bool make_copy_folder(my_string const& project_stem);
};

#endif
