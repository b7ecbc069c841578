// Program entry and start-up driver.
//
// drovexec_main reads the command line, writes or checks the run list
// ("dro_run.txt": core directory, mode, projects), copies a given settings
// file to "dro_run.drs", writes "drovalen.ini" and hands the run to
// drovstart, which walks the run list project by project (result folder,
// log, seed, settings, then the run) or converts one file in mode "translate".
#ifndef DROV_APP_STARTUP_H
#define DROV_APP_STARTUP_H

#include <istream>

#include "core/my_string.h"

class Project;

// Process-wide run variables, filled by drovstart.
extern bool SIMPLE_DRORUN_NAME;         // the fixed run-list name "dro_run.txt"
extern my_string proj_file;             // project line of the run list being processed
extern my_string set_file;              // the settings file in force
extern my_string run_file;              // path of the run list
extern my_string DrovalenExeDirectory;  // the core directory, ending with '/' unless empty
extern Project* PPP;                    // the one project serving the whole run list

// The whole program; returns the process exit status: 0 when every project
// of the run list ran (or only the usage text was asked for), 1 after a
// refusal, an error stop or a failed project.
int drovexec_main(int argc, char** argv);

// Runs the run list found in `directory` (null or empty: the working
// directory). Returns 1 when every project was run or explored successfully,
// 0 after an error stop or when a project failed or was skipped.
int drovstart(const char* directory);

// Result folder of a project: folder := the project file without its
// extension + ".res/", created with mode 0755. Returns 1 when done; 0 when the
// project file cannot be opened (after writing "error" into core_directory +
// "dro_pro.txt"); -1 when the folder cannot be created.
int create_log_dir(const char* core_directory, const char* project, my_string& folder);

void showHelp();  // the usage text, on standard output
// Writes the run list for one project in the working directory.
void make_dro_run_txt(my_string project);
// Writes "drovalen.ini" in the working directory.
void make_drovalen_ini(my_string program_path);
// "dro_run.txt", or "dro_run_<pid>.txt" when SIMPLE_DRORUN_NAME is off.
my_string getDroRunString();
// The working directory, empty when it cannot be had.
my_string current_directory();

// Reads one line of a run list into `line`, without its trailing carriage
// returns and line feed. Returns 1 when a line was read, 0 at the end of the
// input, -1 when the line is longer than a my_string can hold.
int read_run_list_line(std::istream& in, my_string& line);

#endif
