// Command line and program entry: arguments, the run list for a project
// given on the command line, the checks made before a run, "drovalen.ini".
#include "app/startup.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include <unistd.h>

#include "app/glbobj.h"
#include "app/settings.h"
#include "core/file_helpers.h"
#include "project/project.h"

bool SIMPLE_DRORUN_NAME = true;
my_string proj_file;
my_string set_file;
my_string run_file;
my_string DrovalenExeDirectory;
Project* PPP = nullptr;

namespace {

const char* const program_version = "1.0";
const char* const default_settings_name = "dro_run.drs";

// Prints a refusal with the usage text and waits for a key, but only when
// someone can press one: a closed or redirected standard input must not hang.
int refuse(std::string const& message)
{
    std::cout << message;
    showHelp();
    std::cout << "Press a key to terminate program \n" << std::flush;
    if (isatty(0)) {
        char key;
        std::cin >> key;
    }
    return 1;
}

// The project that the run list names first (the first line holding ".drp"
// after the core directory), cut after its extension; empty when none. A
// translation names no project to run: its ".drp" line may be the output
// file it is about to write, and its log reports an input it cannot read.
my_string first_listed_project(const char* run_list)
{
    std::ifstream in(run_list);
    my_string line;
    int line_number = 0;
    while (read_run_list_line(in, line) == 1) {
        ++line_number;
        if (line_number == 2 && same_text(line, "translate"))
            return my_string();
        if (line_number > 1 && line.contains(".drp")) {
            line.remove_extension();
            return line + ".drp";
        }
    }
    return my_string();
}

// The settings file in force is the working directory's "dro_run.drs" only
// in the default modes of a run list whose core directory is the working
// directory; otherwise a copied settings argument would be ignored.
void warn_if_settings_not_in_force(my_string const& settings_arg, my_string const& run_list)
{
    std::ifstream in(run_list.str);
    my_string core, mode;
    read_run_list_line(in, core);
    read_run_list_line(in, mode);
    bool other_mode = !std::strcmp(mode.str, "use_spe_settings")
                      || !std::strcmp(mode.str, "use_ass_settings")
                      || !std::strcmp(mode.str, "translate");
    bool other_place = !core.is_null() && !same_file(core.str, ".");
    if (other_mode || other_place)
        std::cerr << "Warning: the settings file '" << settings_arg << "' is copied to "
                  << default_settings_name << " in the working directory, but the run list "
                  << run_list << " takes its settings from elsewhere" << std::endl;
}

// Copies the settings argument byte for byte to "dro_run.drs", unless both
// names lead to the same file (opening it for writing would empty it).
bool copy_settings_file(const char* source)
{
    if (same_file(source, default_settings_name))
        return true;
    std::ifstream in(source, std::ios::binary);
    std::ofstream out(default_settings_name, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    if (in.peek() != std::ifstream::traits_type::eof())
        out << in.rdbuf();
    out.close();
    return !out.fail();
}

} // namespace

int read_run_list_line(std::istream& in, my_string& line)
{
    std::string text;
    if (!std::getline(in, text))
        return 0;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    if (text.size() > static_cast<size_t>(my_string::max_length))
        return -1;
    line = text.c_str();
    return 1;
}

my_string current_directory()
{
    char buffer[1000];
    if (getcwd(buffer, sizeof buffer) == nullptr)
        return my_string();
    return my_string(buffer);
}

my_string getDroRunString()
{
    int pid = static_cast<int>(getpid());
    if (SIMPLE_DRORUN_NAME)
        return my_string("dro_run.txt");
    char name[40];
    std::snprintf(name, sizeof name, "dro_run_%i.txt", pid);
    return my_string(name);
}

void make_dro_run_txt(my_string project)
{
    my_string directory = current_directory();
    directory.convert_to_slash();
    std::ofstream out(getDroRunString().str);
    out << directory << '\n'
        << "use_interf_settings\n"
        << project << '\n'
        << "0\n"
        << "0\n"
        << "end\n";
}

void make_drovalen_ini(my_string program_path)
{
    program_path.convert_to_html_slash();
    my_string directory = current_directory();
    directory.convert_to_slash();
    std::ofstream out("drovalen.ini");
    out << "false\ntrue\nfalse\nfalse\n"
        << "Web browser\n"
        << "Text editor\n"
        << program_path << '\n'
        << "Rcmd\n"
        << directory << '\n';
    for (int i = 0; i < 13; ++i)
        out << "false\n";
    out << '\n';
}

void showHelp()
{
    std::cout << "\n                             DROVEXEC v " << program_version << " (" << __DATE__
              << ")"
              << "\n                             ========"
              << "\n"
              << "\n  DROVEXEC is the console version of Drovalen"
              << "\n"
              << "\n  Usage:"
              << "\n  ------"
              << "\n  drovexec <project file name (*.drp)> | <settings file (*.drs)>"
              << "\n            | run_silent\n"
              << "\n"
              << "\n  The three arguments are optional. If no argument is provided"
              << "\n  drovexec will look for the file dro_run.txt where the name of a"
              << "\n  project file should be indicated. If it does not find the project"
              << "\n  file defined in dro_run.txt, the present message is shown."
              << "\n"
              << "\n  The argument <project file name> needs to be put"
              << "\n  within quotes if it contains whitepaces"
              << "\n"
              << "\n  The argument <settings file (*.drs)> allows one to use"
              << "\n  a specific setting file for the computations "
              << "\n  If no settings file is specified, it will use the default setting file"
              << "\n  dro_run.drs."
              << "\n"
              << "\n  run_silent: if present on the command line, drovexec will not output"
              << "\n              computation progress in the console"
              << "\n"
              << "\n  Examples:"
              << "\n    drovexec test.drp test.drs"
              << "\n       This will analyse the file 'test.drp' using the settings defined in the"
              << "\n       file 'test.drs'."
              << "\n"
              << "\n    drovexec"
              << "\n       This will read the file 'dro_run.txt' to see which project(s) need(s) to"
              << "\n       be analysed, and which setting file to use (dro_run.drs) or <project name>.drs."
              << "\n"
              << "\n"
              << std::flush;
}

int drovexec_main(int argc, char** argv)
{
    settings::message[0] = '\0';
    settings::old_message[0] = '\0';
    proj_file = "";
    set_file = "";
    run_file = "";
    my_string project_arg, settings_arg;
    bool help = false;

    for (int i = 1; i < argc; ++i) {
        my_string word(argv[i]);
        word.to_lower();
        if (word.contains("run_silent")) {
            silentDrovalen = true;
            std::cout << "Running drovexec in silent mode ..." << '\n';
        } else if (word.contains("-help")) {
            help = true;
        } else if (word.contains(".drp")) {
            project_arg = argv[i];
        } else if (word.contains(".drs")) {
            settings_arg = argv[i];
        }
    }
    if (help) {
        showHelp();
        return 0;
    }

    my_string run_list = getDroRunString();
    bool project_given = !project_arg.is_null();
    if (project_given) {
        make_dro_run_txt(project_arg);
        if (!can_read(run_list.str)) {
            std::cerr << "Cannot write the run list " << run_list << ", aborting drovexec"
                      << std::endl;
            return 1;
        }
    } else if (!can_read(run_list.str)) {
        return refuse("The necessary file " + std::string(run_list.str)
                      + " does not exist, aborting drovexec\n\n");
    }

    my_string project = first_listed_project(run_list.str);
    if (!project.is_null() && !can_read(project.str)) {
        std::string name(project.str);
        if (project_given)
            return refuse("Project file '" + name + "' does not exist" + ", aborting drovexec\n\n");
        return refuse("Project file '" + name + "' listed in " + run_list.str + " does not exist"
                      + ", aborting drovexec\n\n");
    }

    if (!settings_arg.is_null()) {
        if (!can_read(settings_arg.str))
            return refuse("The setting file '" + std::string(settings_arg.str)
                          + "' does not exist, aborting drovexec\n\n");
        if (!copy_settings_file(settings_arg.str)) {
            std::cerr << "Cannot write " << default_settings_name << ", aborting drovexec"
                      << std::endl;
            return 1;
        }
        if (!project_given)
            warn_if_settings_not_in_force(settings_arg, run_list);
    }

    make_drovalen_ini(my_string(argc > 0 ? argv[0] : ""));
    int all_done = drovstart("");
    std::cout << "Drovexec terminated gracefully" << '\n' << std::flush;

    delete PPP;
    PPP = nullptr;
    return all_done == 1 ? 0 : 1;
}
