// The format translator: converts one data file between the project format
// and the GenePop, Phylip, Mega, Biosys and WinKesta formats, always through a
// temporary project file. The start-up driver fills the object's fields and
// calls import_data, then export_data.
#ifndef DROV_TRANSLATOR_IMP_EXP_H
#define DROV_TRANSLATOR_IMP_EXP_H

#include <fstream>

#include "core/my_string.h"

class Project;

// Format codes of a translation (6 is never produced).
enum TranslatorFormat {
    FORMAT_GENEPOP = 1,
    FORMAT_PHYLIP = 2,
    FORMAT_MEGA = 3,
    FORMAT_BIOSYS = 4,
    FORMAT_WINKESTA = 5,
    FORMAT_DROVALEN = 7
};

class imp_exp {
public:
    my_string spare_name;        // unused by the translate mode
    my_string input_name;        // file the current step reads
    my_string core_dir;          // the core directory, ending with '/' unless empty
    my_string output_name;       // file the current step writes
    std::ofstream* os;           // output stream of the current step; owned by the driver
    int stream_flag;
    int spare_count;
    int code;                    // format code of the current step
    Project* project;            // the run's one project; not owned
    my_string pop_file_prefix;   // WinKesta source: path prefix of the population files
    my_string dist_file_name;    // WinKesta source: the distance-matrix file
    int diploid;                 // GenePop source: the diploid flag

    imp_exp();
    ~imp_exp();
    imp_exp(imp_exp const&) = delete;
    imp_exp& operator=(imp_exp const&) = delete;

    // Import step: the source file in format `format` becomes project-file
    // text on `stream` (the temporary project named `output`).
    int import_data(int format, char* input, char* output, std::ofstream* stream);
    // Export step: the temporary project `input` is written in format
    // `format` on `stream` (the output file named `output`).
    void export_data(int format, char* input, char* output, std::ofstream* stream);
};

#endif
