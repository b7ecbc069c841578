// The format translator: converts one data file between the project format
// and the GenePop, Phylip, Mega, Biosys and WinKesta formats, always through a
// temporary project file. The start-up driver fills the object's fields and
// calls import_data, then export_data.
//
// The import step hands the source file to the reader of its format, which
// writes project-file text (after the comment header) to the output stream.
// The export step opens that text as a project, prepares its data (allele
// database, allele vectors, the individuals' pseudo-haplotypes) and hands it
// to the writer of the target format. Each format is one row of the format
// table in imp_exp.cpp: its run-list word, its name in the comment header,
// its reader and its writer.
//
// Every line a reader takes from a file goes through read_line: lines of any
// length, one trailing carriage return removed. Readers and writers answer 1,
// or 0 after writing the cause to the log; a failed step writes no "done.".
// A writer that refuses its data answers WRITER_REFUSED through refuse(): its
// refusal stays in the output file and goes to the log, and the translation
// fails. A format without room for comments keeps its writer's notes out of
// the file: tell() shows them on the console and in the log.
//
// No translation writes over one of its inputs (the source and every file the
// import step read for it), and its temporary files are new files of unique
// names (create_temporary), never a user's file. A file that a writer makes
// besides the output, and that exists already, is first kept under a new
// back-up name (keep_existing).
#ifndef DROV_TRANSLATOR_IMP_EXP_H
#define DROV_TRANSLATOR_IMP_EXP_H

#include <ctime>
#include <fstream>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/my_string.h"

class Project;
class cleaner;
struct BiosysFormat;

// Format codes of a translation (6 is never produced).
enum TranslatorFormat {
    FORMAT_GENEPOP = 1,
    FORMAT_PHYLIP = 2,
    FORMAT_MEGA = 3,
    FORMAT_BIOSYS = 4,
    FORMAT_WINKESTA = 5,
    FORMAT_DROVALEN = 7
};

// What a writer answers when it refuses the data it was given.
const int WRITER_REFUSED = -1;

class imp_exp {
public:
    my_string spare_name;        // unused by the translate mode
    my_string input_name;        // file the current step reads
    my_string core_dir;          // the core directory, ending with '/' unless empty
    my_string output_name;       // file the current step writes
    std::ostream* os;            // output stream of the current step; owned by the driver
                                 // unless open_of_str made it
    int stream_flag;             // 1 once open_of_str has opened a stream
    int spare_count;
    int code;                    // format code of the current step
    Project* project;            // the run's one project; not owned
    my_string pop_file_prefix;   // WinKesta source: path prefix of the population files
    my_string dist_file_name;    // WinKesta source: the distance-matrix file
    int diploid;                 // GenePop source: the diploid flag
    // Every file the import step read: the source, the files its project
    // names on EXTERN lines, the WinKesta distance and population files.
    std::vector<std::string> input_files;
    // The folder against which the EXTERN names of the temporary project are
    // resolved: a source project's own folder, else the working directory.
    my_string source_dir;
    // A source project's cleaned copies (in a new folder in the core directory):
    // the export step reads its EXTERN files from them, as a run does; they
    // go at the end of the export step, or with the object.
    std::unique_ptr<cleaner> source_copies;

    imp_exp();
    ~imp_exp();
    imp_exp(imp_exp const&) = delete;
    imp_exp& operator=(imp_exp const&) = delete;

    // The code of a run-list format word (exact text, case counts); 0 for a
    // word that names no format.
    static int format_code(my_string const& word);

    // Import step: the source file `input` in format `format` becomes
    // project-file text on `stream` (the temporary project named `output`).
    // 1, or 0 when the source could not be converted.
    int import_data(int format, char* input, char* output, std::ostream* stream);
    // Export step: the temporary project `input` is written in format
    // `format` on `stream` (the output file named `output`). 1, 0 when the
    // project could not be opened or written, WRITER_REFUSED when the writer
    // refused the data. A project-format target is copied without being
    // opened: the checks of a run are no part of it. The project is emptied
    // again.
    int export_data(int format, char* input, char* output, std::ostream* stream);

    // False, after a log line, when writing `name` would write over one of
    // the input files of this translation.
    bool may_write(my_string const& name) const;
    // The same for a file that a writer makes besides the output, which may
    // not be the output file either.
    bool may_make(my_string const& name) const;
    // Before a writer makes a file of its own: a file of that name already
    // there is renamed "<name>_<k>.bac" (a new name), said in the log. False,
    // after a log line, when it cannot be renamed.
    static bool keep_existing(std::string const& name);
    // A new, empty file "<folder><stem>_<k><extension>" that no other file
    // had the name of; its name, or an empty name when none can be created.
    static my_string create_temporary(my_string const& folder, const char* stem,
                                      const char* extension);
    // A stream of the object's own on the output name (the file truncated)
    // becomes the output stream; close_of_str closes and releases it. A
    // stream the driver handed over is only let go, never closed here.
    void open_of_str();
    void close_of_str();

    // A writer's note (lines, each ending with a line end) to the console
    // and, on one line, to the log.
    static void tell(std::string const& text);

    // The three comment lines that head a translated project file: the date
    // and time of the translation, the input file and its format, an empty line.
    void create_header();
    void create_header(std::tm const& local_time);

    // The project format: the cleaned copy of the project file becomes the
    // temporary project; the temporary project is copied to the output.
    int read_drovalen();
    int write_drovalen();

    // The GenePop format (genepop_reader.cpp, genepop_writer.cpp).
    int read_gen_pop();
    int write_gen_pop();

    // The Phylip, Mega and WinKesta formats (phylip_*.cpp, mega_*.cpp,
    // winkesta_*.cpp).
    int read_phylip();
    int write_phylip();
    int read_mega();
    int write_mega();
    int read_win_kesta();
    int write_win_kesta();
    // The Biosys format (biosys_reader.cpp, biosys_counts.cpp, biosys_writer.cpp).
    int read_biosys();
    int write_biosys();
    // The format statement of a Biosys file of data type 1 (individual
    // genotypes), 2 (genotype counts) or 3 (genotype frequencies) as plain
    // numbers (biosys_format.cpp); 0 after writing " ***** ERROR *****" to
    // the output stream when the statement cannot be read.
    int read_format1(std::string const& statement, BiosysFormat& format);
    int read_format2(std::string const& statement, BiosysFormat& format);
    int read_format3(std::string const& statement, BiosysFormat& format);

    // One line of a translated file: any length, without its line feed and
    // one trailing carriage return. False when no line was left.
    static bool read_line(std::istream& in, std::string& line);
    // True when the line is empty or holds only blanks and tabs.
    static bool is_line_blank(std::string const& line);
    // The same; a line that is not blank also loses its trailing blanks and tabs.
    static bool is_line_blank_rm(std::string& line);
    // Removes every double quote, which would end a quoted project value early.
    static void remove_double_quotes(std::string& text);
    // A text for a quoted value of the project file: its double quotes, which
    // would end the value early, become blanks.
    static std::string unquoted(std::string text);

private:
    // A writer's refusal: `text` (lines, each ending with a line end) goes to
    // the output and, on one line, to the log. Returns WRITER_REFUSED.
    int refuse(const char* text);
    // The refusal of haplotype frequencies without content by a writer of
    // sequences or allele codes; format as its notes name it.
    int refuse_frequencies(const char* format);
    // The refusal of alleles of more than one character by a writer of one
    // character per site; format as its notes name it.
    int refuse_long_alleles(const char* format);
    // The export step for every target but the project format.
    int open_and_write(int (imp_exp::*writer)());
    std::unique_ptr<std::ofstream> own_stream;  // the stream open_of_str made

    // Statement parsing shared by read_format1, read_format2 and read_format3.
    int read_format(int data_type, std::string const& statement, BiosysFormat& format);
    // The log line of an input file that cannot be opened (the input name,
    // or another file the reader needs); returns 0.
    int unable_to_open_input();
    int unable_to_open_input(my_string const& file);
    // The data preparation of the export step: 1, or 0 when the task checks
    // refuse the data.
    int prepare_project();
};

#endif
