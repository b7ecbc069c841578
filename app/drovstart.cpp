// Start-up driver: reads the run list and walks its projects one after the
// other (result folder, log, seed, settings, then the run or the
// exploration), or converts one data file in mode "translate".
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>

#include "app/glbobj.h"
#include "app/settings.h"
#include "app/startup.h"
#include "core/conversions.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/random.h"
#include "project/project.h"
#include "summary/sumstat.h"
#include "translator/imp_exp.h"

namespace {

// What a project, or the whole walk, came to.
enum Outcome { FAILED = 0, DONE = 1, STOPPED = -1 };

// The run list, read line by line; lines too long to be held stop the run
// with a message instead of being cut.
class RunListReader {
public:
    explicit RunListReader(my_string const& path) : in(path.str), name(path) {}
    bool is_open() const { return in.is_open(); }

    // 1: a line was read; 0: the list has ended; -1: the line is too long.
    int next(my_string& line)
    {
        ++line_number;
        int got = read_run_list_line(in, line);
        if (got < 0)
            std::cerr << "drovexec: line " << line_number << " of " << name
                      << " is too long, run stopped" << std::endl;
        return got;
    }

private:
    std::ifstream in;
    my_string name;
    int line_number = 0;
};

// The refusal of a DROVEXEC_SEED that is no seed, written into every log.
std::string seed_refusal;

// Any non-zero integer in DROVEXEC_SEED replaces the clock seed of every
// project, so that a whole run can be reproduced; ran3 takes a negative seed,
// so n and -n give the same stream. Any other value is refused on the console
// and in the log, and the clock seeds the run.
void use_seed_from_environment()
{
    const char* text = std::getenv("DROVEXEC_SEED");
    if (text == nullptr || *text == '\0')
        return;
    char* end = nullptr;
    errno = 0;
    long seed = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && errno == 0 && seed != 0) {
        set_fixed_ran3_seed(seed);
        return;
    }
    std::ostringstream refusal;
    refusal << "DROVEXEC_SEED=\"" << text
            << "\" is refused: the seed must be a non-zero integer from "
            << std::numeric_limits<long>::min() << " to " << std::numeric_limits<long>::max()
            << "; the random seed comes from the clock";
    seed_refusal = refusal.str();
    std::cerr << "drovexec: " << seed_refusal << std::endl;
}

void open_log(my_string const& log_path)
{
    E.init_log_file(log_path, false);
    *_ZOS_ << "Log file path: " << log_path << '\n'
           << "Core Program Directory: " << DrovalenExeDirectory << '\n';
    if (!seed_refusal.empty())
        *_ZOS_ << seed_refusal << '\n';
}

// The export step into the output file: true when it was written. An output
// that is one of the inputs is never opened; a failed step leaves no output
// file, except the refusal that a writer wrote into it.
bool write_output(imp_exp& translator, int to, my_string& temporary, my_string& output)
{
    if (!translator.may_write(output))
        return false;
    std::ofstream target(output.str);
    if (!target.is_open()) {
        *_ZOS_ << "Cannot write the output file " << output << std::endl;
        return false;
    }
    int written = translator.export_data(to, temporary.str, output.str, &target);
    target.close();
    if (written == 0)
        MY_DeleteFile(output.str);
    return written == 1;
}

// Source file to temporary project to output file. The temporary project is
// a new file of its own in the core directory, deleted afterwards.
bool convert(imp_exp& translator, int from, int to, my_string& input, my_string& output)
{
    my_string temporary = imp_exp::create_temporary(DrovalenExeDirectory, "dum_dro", ".drp");
    if (temporary.is_null()) {
        *_ZOS_ << "Cannot create a temporary project in the core directory "
               << DrovalenExeDirectory << std::endl;
        return false;
    }
    std::ofstream project_text(temporary.str);
    bool converted = translator.import_data(from, input.str, temporary.str, &project_text) == 1;
    project_text.close();
    converted = converted && write_output(translator, to, temporary, output);
    MY_DeleteFile(temporary.str);
    return converted;
}

// A failed translation says why on the console as well as in the log. Each
// step that fails writes its cause into the log last, so the last line of
// the translation's log is the cause.
void show_failure_cause(my_string const& log_path)
{
    std::ifstream log(log_path.str);
    std::string line, cause;
    while (std::getline(log, line))
        if (line.find_first_not_of(" \t") != std::string::npos)
            cause = line.substr(line.find_first_not_of(" \t"));
    std::cerr << "drovexec: translation failed: " << cause << " (see " << log_path << ")"
              << std::endl;
}

// Mode "translate": lines 3 to 6 name the source and target formats, the
// input and the output file; a GenePop source adds its diploid flag, a
// WinKesta source its distance file and population-file prefix.
Outcome translate(RunListReader& list)
{
    imp_exp translator;
    translator.project = PPP;
    my_string source, target, input, output;
    if (list.next(source) < 0 || list.next(target) < 0 || list.next(input) < 0
        || list.next(output) < 0)
        return STOPPED;

    my_string log_path = input;
    log_path.extract_path();
    log_path += "Drovalen_log.txt";
    open_log(log_path);
    if (!E.log_open) {
        std::cerr << "drovexec: cannot open the log file " << log_path << ", nothing converted"
                  << std::endl;
        return FAILED;
    }
    initialize_ran3(1);

    my_string line;
    if (same_text(source, "Genepop")) {
        if (list.next(line) < 0)
            return STOPPED;
        translator.diploid = my_atoi(line.str);
    } else if (same_text(source, "WinKesta")) {
        if (list.next(translator.dist_file_name) < 0 || list.next(translator.pop_file_prefix) < 0)
            return STOPPED;
    }
    translator.core_dir = DrovalenExeDirectory;

    int from = imp_exp::format_code(source);
    int to = imp_exp::format_code(target);
    Outcome outcome = DONE;
    if (from == 0 || to == 0) {
        *_ZOS_ << "Unknown format name '" << (from == 0 ? source : target)
               << "' (known: Genepop, Phylip, Mega, Biosys, WinKesta, Drovalen): nothing converted"
               << std::endl;
        outcome = FAILED;
    } else if (from == to) {
        *_ZOS_ << "Source and target formats are the same (" << source << ", " << target
               << "): nothing converted" << std::endl;
    } else {
        outcome = convert(translator, from, to, input, output) ? DONE : FAILED;
    }
    E.CloseLog_file();
    if (outcome == FAILED)
        show_failure_cause(log_path);
    return outcome;
}

// Reads the append-results flag and KeepNullDistrib that follow a project
// line; a list that ends before them leaves the values as they are.
Outcome read_project_flags(RunListReader& list, settings* run_settings)
{
    my_string line;
    int got = list.next(line);
    if (got <= 0)
        return got < 0 ? STOPPED : DONE;
    if (run_settings)
        run_settings->append_results = my_atoi(line.str);
    got = list.next(line);
    if (got <= 0)
        return got < 0 ? STOPPED : DONE;
    if (run_settings) {
        run_settings->KeepNullDistrib = my_atoi(line.str);
        run_settings->keep_null_distrib_from_run_list = run_settings->KeepNullDistrib;
    }
    return DONE;
}

Outcome stop_run(const char* reason, my_string const& name)
{
    std::cerr << "drovexec: " << reason << " '" << name << "', run stopped (see the log)"
              << std::endl;
    return STOPPED;
}

// One project whose log is open: settings, run-list flags, then the run or
// the exploration.
Outcome process_project(RunListReader& list, my_string const& mode)
{
    settings& run_settings = PPP->run_settings;
    bool explore = same_text(mode, "explore");
    bool associated_settings = same_text(mode, "use_ass_settings");

    // With associated settings only the project's own file matters (below).
    if (!associated_settings && !explore && !can_read(set_file.str)) {
        *_ZOS_ << "Core Routine did not find its settings in:\n"
               << "    " << set_file << std::endl;
        return stop_run("settings file not found:", set_file);
    }
    initialize_ran3(1);
    *_ZOS_ << "Reading project profile section..." << std::endl << "done !" << std::endl;

    if (associated_settings) {
        set_file = proj_file;
        set_file.remove_extension();
        set_file += ".drs";
        run_settings.settings_file = set_file;
        if (!can_read(set_file.str)) {
            *_ZOS_ << "The Core Routine did not find the associated settings:\n"
                   << "    " << set_file << std::endl;
            return stop_run("associated settings file not found:", set_file);
        }
    }
    run_settings.keep_null_distrib_from_run_list = -1;
    run_settings.read_settings(set_file, !explore);
    if (read_project_flags(list, &run_settings) == STOPPED)
        return STOPPED;

    Outcome outcome = DONE;
    if (explore) {
        *_ZOS_ << "Exploring  " << proj_file << " ..." << std::endl;
        if (PPP->explore(DrovalenExeDirectory.str) == 0) {
            PPP->print_error_message();
            outcome = FAILED;
        }
        *_ZOS_ << "done!" << std::endl;
    } else {
        PPP->run_possible = 1;
        *_ZOS_ << "Opening next project..." << std::endl << proj_file << std::endl;
        if (PPP->run() != 0) {
            *_ZOS_ << "Successful run of " << proj_file << std::endl;
        } else {
            *_ZOS_ << "Error during run of " << proj_file << std::endl;
            outcome = FAILED;
        }
    }
    return outcome;
}

// A project whose result folder or log cannot be made is skipped: its two
// flag lines are passed over and the walk goes on.
Outcome skip_project(RunListReader& list, const char* what, my_string const& name)
{
    std::cerr << "drovexec: cannot create the " << what << " " << name << ", project "
              << proj_file << " skipped" << std::endl;
    return read_project_flags(list, nullptr) == STOPPED ? STOPPED : FAILED;
}

// Projects of the run list, each with three lines (project, append flag,
// KeepNullDistrib), up to "end", "END" or the end of the list.
Outcome walk_projects(RunListReader& list, my_string const& mode)
{
    Outcome walk = DONE;
    int got = list.next(proj_file);
    while (got == 1 && !same_text(proj_file, "end") && !same_text(proj_file, "END")) {
        settings::input_file = proj_file;
        PPP->build_res_bac_names();

        my_string folder;
        int made = create_log_dir(DrovalenExeDirectory.str, proj_file.str, folder);
        if (made == 0) {
            std::cerr << "drovexec: project file '" << proj_file
                      << "' cannot be opened, run stopped" << std::endl;
            return STOPPED;
        }
        my_string log_path = folder + "Drovalen_log.txt";
        Outcome outcome;
        if (made < 0) {
            outcome = skip_project(list, "result folder", folder);
        } else {
            open_log(log_path);
            outcome = E.log_open ? process_project(list, mode)
                                 : skip_project(list, "log file", log_path);
        }
        if (outcome == STOPPED) {
            E.CloseLog_file();
            return STOPPED;
        }
        if (outcome == FAILED)
            walk = FAILED;

        got = list.next(proj_file);
        if (made > 0)
            E.CloseLog_file();
        ++settings::num_proj_done;
        if (PPP->run_settings.stop_requested)
            break;
    }
    return got < 0 ? STOPPED : walk;
}

// The table of the summary-statistics collector, after the projects of the
// run list. A file that cannot be written is reported in the log of the last
// project, opened again for that, and fails the run: the table is lost.
bool write_summary_statistics()
{
    const bool reopen = !E.log_name.is_null();
    if (reopen)
        E.init_log_file(E.log_name, true);
    const bool written = SumStat.writeToFile(1);
    if (reopen)
        E.CloseLog_file();
    return written;
}

// Head of the run list (core directory, mode, settings file), then the
// projects or the translation.
Outcome walk_run_list(RunListReader& list)
{
    my_string line;
    int got = list.next(line);
    if (got <= 0)
        return got < 0 ? STOPPED : DONE;
    DrovalenExeDirectory = line;
    if (!DrovalenExeDirectory.is_null()) {
        char last = DrovalenExeDirectory.str[DrovalenExeDirectory.length - 1];
        if (last != '/' && last != '\\')
            DrovalenExeDirectory += '/';
    }
    settings::num_proj_done = 0;

    my_string mode;
    got = list.next(mode);
    if (got <= 0)
        return got < 0 ? STOPPED : DONE;
    if (same_text(mode, "translate"))
        return translate(list);
    if (same_text(mode, "use_spe_settings")) {
        if (list.next(set_file) < 0)
            return STOPPED;
    } else {
        set_file = DrovalenExeDirectory + "dro_run.drs";
    }
    PPP->run_settings.settings_file = set_file;
    Outcome walk = walk_projects(list, mode);
    if (SumStat.enabled && !write_summary_statistics() && walk == DONE)
        walk = FAILED;
    return walk;
}

// The summary-statistics collector is on when the keyword file
// "sumstat_keys.txt" stands beside "glbstreams.txt"; after the projects of the
// run list its table, header and one line per project, replaces
// "sumstat_out.txt" of that folder. Without the keyword file it stays off.
void start_summary_statistics(my_string const& directory)
{
    SumStat.resetComputationFlags();
    SumStat.enabled = false;
    my_string keys = directory + "sumstat_keys.txt";
    std::error_code no_throw;
    if (!std::filesystem::exists(keys.str, no_throw) || !SumStat.readDefSSFile(keys))
        return;
    SumStat.enabled = true;
    SumStat.appendToFile = false;
    SumStat.outputFileName = directory + "sumstat_out.txt";
}

} // namespace

int create_log_dir(const char* core_directory, const char* project, my_string& folder)
{
    if (!can_read(project)) {
        my_string marker = my_string(core_directory) + "dro_pro.txt";
        std::ofstream out(marker.str);
        out << "error" << std::endl;
        return 0;
    }
    folder = project;
    folder.remove_extension();
    folder += ".res/";
    return MY_CreateDirectory(folder.str) ? 1 : -1;
}

int drovstart(const char* directory)
{
    my_string::allocate_buffer();
    delete PPP;
    PPP = new Project;
    DrovalenExeDirectory = directory != nullptr ? directory : "";
    use_seed_from_environment();
    read_global_flags(DrovalenExeDirectory.str);
    initialize_drovalen_global_objects();
    start_summary_statistics(DrovalenExeDirectory);

    run_file = DrovalenExeDirectory + getDroRunString();
    Outcome outcome = DONE;
    RunListReader list(run_file);
    if (list.is_open())
        outcome = walk_run_list(list);

    close_all_global_streams();
    my_string::free_buffer();
    return outcome == DONE ? 1 : 0;
}
