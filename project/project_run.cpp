// The analysis run of one project: from its file to its closed results
// file. The project file is cleaned into the results folder, the results
// file and the result browser are opened, the project is read and its tasks
// checked, the analyses run at the group level and at the population level
// (as the settings or the summary-statistics keywords ask), then the
// selection scan (on request); the computing time ends the results. Whatever
// ends the run - its end, a project that cannot be read, a refused task, an
// error inside an analysis - the results file gets its footer and is closed,
// the project is emptied, the cleaned copies are deleted, and a run that did
// not complete leaves no summary-statistics line.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/startup.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/xml.h"
#include "project/cleaner.h"
#include "project/project.h"
#include "project/project_file_lines.h"
#include "project/project_run.h"
#include "project/result_frames.h"
#include "project/result_tree.h"
#include "summary/sumstat.h"

namespace {

const char* const RUN = "Project::run()";
const std::string slash_line(68, '/');
const std::string dash_line(72, '-');

// The local time as the banners show it, e.g. "08/12/26 at 19:01:02".
std::string date_text()
{
    char date[80];
    std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%d/%m/%y at %H:%M:%S", std::localtime(&now));
    return date;
}

int wall_clock_milliseconds()
{
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()
                            % 1000);
}

void set_message(const char* text)
{
    std::snprintf(settings::message, sizeof settings::message, "%s", text);
}

// One call of Project::run, holding what the run owns while it lasts: the
// cleaned copies and the results stream.
class AnalysisRun {
public:
    explicit AnalysisRun(Project& p) : p_(p), s_(p.run_settings) {}

    int execute();

private:
    Project& p_;
    settings& s_;
    cleaner copies_;
    std::fstream results_;
    // The reporter's echo of what happens between the opening of the results
    // file and its header (the result browser's files): an XML file must
    // begin with its declaration, so these reports follow the header.
    std::ostringstream early_reports_;
    bool continued_ = false;  // an XML results file of earlier runs is continued
    std::string start_date_;
    char kept_separator_ = 0;

    bool clean_project_file();
    void remove_copies();
    bool open_results();
    void start_results_text();
    void read_project();
    void write_project_information();
    int analyse();
    void end_run();
    void close_results();
    int stop(const char* log_text);
};

int AnalysisRun::execute()
{
    xmlOutput = s_.XMLOutput != 0;
    if (!p_.run_possible) {
        *_ZOS_ << "\n No valid project is opened...." << std::endl;
        return 0;
    }
    // Held open until the run ends, so that the file stays in place meanwhile.
    std::ifstream project_file(settings::input_file.str);
    if (!project_file.is_open()) {
        E.error(ERROR, RUN, 126);
        return 0;
    }
    Population::reset_small_names();
    SumStat.startProject();
    if (!clean_project_file()) {
        p_.print_error_message();
        return 0;
    }
    p_.start_clock = get_sys_clock();
    if (!open_results())
        return 0;

    try {
        start_results_text();
        read_project();
        if (!p_.newOpen()) {
            std::string text = std::string("Error opening project... ") + settings::input_file.str;
            p_.print_error_message();
            return stop(text.c_str());
        }
        write_project_information();
        kept_separator_ = ProfileSettings::LocusSeparator;
        p_.run_possible = 0;
        if (!p_.make_run_possible()) {
            *s_.results_stream << "\nOne of the scheduled task is not possible with these data,"
                               << std::endl
                               << "for more details look into 'Drovalen_log.txt'" << std::endl;
            return stop(nullptr);
        }
        return analyse();
    } catch (...) {
        return stop(interruption_text("run").c_str());
    }
}

// The project and its EXTERN files are read from their cleaned copies only:
// a project that cannot be cleaned (its copy cannot be written, or its locus
// separator cannot be mapped) is refused rather than read uncleaned, where its
// data would read differently.
bool AnalysisRun::clean_project_file()
{
    // Each project is cleaned with the separator its own profile declares
    // (none when it declares none), never with the one the previous project
    // of the run list left in ProfileSettings::LocusSeparator.
    s_.extern_copies.clear();
    if (copies_.execute(0, settings::input_file.str) == 0
        || copies_.get_clean_proj() == nullptr) {
        *_ZOS_ << "\nAn error has occurred while cleaning-up the project...\n" << std::endl;
        copies_.rm_clean_files();
        return false;
    }
    settings::input_file = copies_.get_clean_proj();
    s_.results_dir = copies_.get_proj_dir();
    s_.ld_file = s_.results_dir + "ld_dis.xl";
    p_.profile.RunSettings = &s_;
    s_.results_file = settings::input_file;
    s_.results_file.remove_extension();
    s_.results_file += xmlOutput ? ".xml" : ".htm";
    copies_.get_extern_copies(s_.extern_copies);

    settings::input_file.convert_to_slash();
    s_.results_file.convert_to_slash();
    s_.results_dir.convert_to_slash();
    s_.backup_file.convert_to_slash();
    s_.project_dir.convert_to_slash();
    return true;
}

// The copies go with the run; no later reading may find them.
void AnalysisRun::remove_copies()
{
    copies_.rm_clean_files();
    s_.extern_copies.clear();
}

// A results file that cannot be created fails the run: its text would be lost.
bool AnalysisRun::open_results()
{
    int opened = open_results_file(s_, results_, xmlOutput);
    if (opened == 0) {
        E.error(ERROR, RUN, 9);
        *_ZOS_ << "\tUnable to create the results file \"" << s_.results_file << "\"\n";
        remove_copies();
        return false;
    }
    continued_ = opened == 2;
    s_.results_stream = &results_;
    E.results_stream = &early_reports_;
    p_.haplo_vectors_built = 0;
    p_.phenotypes_converted = 0;
    ++p_.run_number;

    start_date_ = date_text();
    // The anchors of the run start with run_date: the milliseconds and the run
    // number keep apart two runs appended to one file within the same second.
    std::string stamp = "_" + std::to_string(wall_clock_milliseconds()) + "_"
                        + std::to_string(p_.run_number);
    s_.run_date = start_date_.c_str();
    s_.run_date.remove_blanks();
    s_.run_date += stamp.c_str();
    set_result_browser_names(s_, DrovalenExeDirectory);
    return true;
}

// The result browser's pages, the head of the results (or the reopened data
// element of a continued XML file), the reports raised until then, and the
// banner of the run.
void AnalysisRun::start_results_text()
{
    p_.New_print_html_frames_output(false);
    start_results(s_, continued_, xmlOutput);
    results_ << early_reports_.str();
    E.results_stream = &results_;
    // The data elements around the header are the XML file's; the HTML page
    // shows the header as a line of its text.
    if (xmlOutput)
        results_ << THeader(my_string("Drovalen results"));
    else
        results_ << "\n\nDrovalen results\n\n";
    print_js_aux_entry(s_, 1, "", ("Run of " + start_date_).c_str());

    TXmlTag run_tag("run");
    TXmlTag::time = start_date_.c_str();
    if (xmlOutput)
        results_ << run_tag.open();
    results_ << "\n" << slash_line << "\n" << "RUN NUMBER " << p_.run_number << " ("
             << start_date_ << ")" << std::endl
             << slash_line << "\n\n";
    if (xmlOutput)
        results_ << run_tag.close();

    *_ZOS_ << slash_line << "\n" << "RUN NUMBER " << p_.run_number << " (" << start_date_ << ")"
           << std::endl
           << slash_line << "\n" << std::endl;
}

void AnalysisRun::read_project()
{
    my_string project_name = copies_.get_orig_proj() ? copies_.get_orig_proj()
                                                      : settings::input_file.str;
    *_ZOS_ << "\nReading Project: " << project_name << std::endl;
    p_.profile.initialize();
    p_.profile.RunSettings = &s_;
    set_message("Opening Project...");
    settings::print_message();
    PopGenetics::globalAllelicDB.destroy();
}

void AnalysisRun::write_project_information()
{
    print_js_doc_entry(s_, 1, "_run_information", "Settings");
    p_.samples->convert_dna_upper();
    if ((ProfileSettings::DataType == DNA || ProfileSettings::DataType == RFLP)
        && ProfileSettings::LocusSeparator != 0) {
        p_.samples->rm_separators();
        ProfileSettings::LocusSeparator = 0;
        results_ << "\nWarning: The locus separator has been removed\n-------\n\n";
        *_ZOS_ << "\nWarning: The locus separator has been removed\n\n";
    }
    // Both steps edit the definitions' contents in place.
    p_.haplo_list.content_changed();

    ProfileSettings const& profile = p_.profile;
    results_ << "\nProject information:"
             << "\n--------------------\n"
             << "\tNbSamples      =  " << profile.NbSamples << "\n"
             << "\tDataType       =  " << data_type_name(ProfileSettings::DataType) << "\n"
             << "\tGenotypicData  =  " << profile.GenotypicData << "\n";
    if (profile.GenotypicData != 0) {
        results_ << "\tGameticPhase   =  " << profile.GameticPhase << "\n"
                 << "\tRecessiveData  =  " << s_.RecessiveAllelesEM << "\n";
    }
    results_ << std::endl;

    s_.genotypic_data = profile.GenotypicData;
    s_.gametic_phase = profile.GameticPhase;
    s_.print_pretty_settings(results_);
    *_ZOS_ << "\n" << dash_line << std::endl;
}

int AnalysisRun::analyse()
{
    p_.run_possible = 1;
    p_.samples->evaluate_work(s_);
    apply_individual_level_rule(p_);
    // With the summary-statistics collector enabled its level keywords
    // decide the levels; a skipped population level skips the selection scan.
    if (SumStat.runsGroupLevel(s_.ComputeSumStatsWithinGroups != 0))
        run_group_level(p_);
    if (SumStat.runsPopulationLevel()) {
        run_population_level(p_);
        if (s_.DetectSelectedLoci)
            run_selection_scan(p_);
        write_summary_line();
    }
    end_run();
    return 1;
}

void AnalysisRun::end_run()
{
    std::string end_date = date_text();
    ProfileSettings::LocusSeparator = kept_separator_;
    p_.clean();
    remove_copies();
    settings::global_work_to_do = 0;
    if (s_.stop_requested) {
        set_message(" WARNING !!! Process stopped by user. The results may be incorrect");
        *_ZOS_ << settings::message << std::endl;
    } else {
        set_message(" Computations are over");
    }
    settings::print_message();

    p_.elapsed_ms = milliseconds_since(p_.start_clock);
    std::string banner = "\n" + slash_line + "\nEND OF RUN NUMBER " + std::to_string(p_.run_number)
                         + " (" + end_date + ")\nTotal computing time for this run : "
                         + computing_time_text(p_.elapsed_ms) + "\n" + slash_line + "\n\n";
    *_ZOS_ << banner << std::flush;
    results_ << banner;
    close_results();
}

void AnalysisRun::close_results()
{
    p_.New_print_html_results_footer(false, xmlOutput);
    results_.close();
    s_.results_stream = nullptr;
    E.results_stream = nullptr;
}

// The end of a run that did not complete: the log says why (when given), the
// project is emptied, the results file closed with its footer, the cleaned
// copies deleted.
int AnalysisRun::stop(const char* log_text)
{
    if (log_text)
        *_ZOS_ << log_text << std::endl;
    SumStat.dropProjectLine();
    p_.clean();
    close_results();
    remove_copies();
    return 0;
}

}  // namespace

std::string interruption_text(const char* work)
{
    std::string text = std::string("\nThe ") + work + " was interrupted by ";
    try {
        throw;
    } catch (ExceptionType) {
        return text + "an error: not enough memory";
    } catch (std::exception const& error) {
        return text + "an error: " + error.what();
    } catch (...) {
        return text + "an unexpected error";
    }
}

int Project::run()
{
    AnalysisRun run(*this);
    return run.execute();
}
