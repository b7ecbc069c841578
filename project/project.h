// One project of the run list and its run.
//
// Minimal form for the start-up driver: the full project reader and analysis
// run replace run() and explore(); the run so far writes the settings used.
#ifndef DROV_PROJECT_PROJECT_H
#define DROV_PROJECT_PROJECT_H

#include "app/settings.h"

class Project {
public:
    int run_possible;       // set to 1 by the start-up driver before every run
    settings run_settings;  // every run parameter of the current project

    Project();
    ~Project();
    Project(Project const&) = delete;
    Project& operator=(Project const&) = delete;

    // From settings::input_file: the results file (".htm"), the back-up file
    // (".bac") and the project's folder.
    void build_res_bac_names();
    // Opens the results file in the result folder and writes the settings
    // used. Returns 1 on success, 0 when the run is refused or the file
    // cannot be written.
    int run();
    // Explores the project named by settings::input_file; returns 1.
    int explore(char* core_directory);
    // Writes "error" into the core directory's "dro_pro.txt".
    void print_error_message();
    // Empties the project after a run.
    void clean();
};

#endif
