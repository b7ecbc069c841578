// The project object: construction, emptying between the projects of a run
// list, its file names, the error marker and the back-up of its input data.

#include "project/project.h"

#include <new>

#include "app/startup.h"
#include "core/errors.h"
#include "core/file_helpers.h"

bool Project::translator_files_created = false;

Project::Project()
    : samples(nullptr), structure(nullptr), dist_work_pop(nullptr), start_clock(0),
      elapsed_ms(0), haplo_vectors_built(0), phenotypes_converted(0), run_number(0),
      backup_requested(0), dist_mat_computed(0), run_possible(0)
{
    try {
        samples = new Samples;
        structure = new Structure;
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "Project::Project()", 0);
    }
}

Project::~Project()
{
    // The structure points into the samples: it goes first.
    delete structure;
    delete samples;
}

void Project::clean()
{
    dist_mat.reset();
    structure->reset();
    samples->clean();
    haplo_list.reset();
    allele_db.destroy();
    // The next project must not inherit this one's Mantel section.
    mantel.reset();
    E.results_stream = nullptr;
    if (translator_files_created) {
        for (const char* name : {"trans_out.txt", "dum_dro.drp"})
            if (can_read(name))
                MY_DeleteFile(name);
        translator_files_created = false;
    }
}

void Project::build_res_bac_names()
{
    my_string stem = settings::input_file;
    stem.remove_extension();
    run_settings.results_file = stem + ".htm";
    run_settings.backup_file = stem + ".bac";
    run_settings.project_dir = run_settings.results_file;
    run_settings.project_dir.extract_path();
}

void Project::print_error_message()
{
    my_string name = DrovalenExeDirectory + "dro_pro.txt";
    std::ofstream marker(name.str);
    if (marker.is_open())
        marker << "error" << std::endl;
}

int Project::write()
{
    if (!backup_requested)
        return 1;
    std::ofstream out(run_settings.backup_file.str);
    if (!out.is_open()) {
        E.error(ERROR, "Project::write()", 133);
        return 0;
    }
    if (ProfileSettings::DataType == DNA || ProfileSettings::DataType == RFLP)
        ProfileSettings::LocusSeparator = 0;
    // The samples are written with their counts, whatever the frequencies
    // were given as: the copy must say so, or reading it back would scale
    // the counts again.
    ProfileSettings written = profile;
    written.Frequency = 0;
    out << written << haplo_list << dist_mat << *samples << *structure;
    out.flush();
    if (out.fail()) {
        E.error(ERROR, "Project::write()", 133);
        return 0;
    }
    *_ZOS_ << "Back-up file with input data written in " << run_settings.backup_file
           << std::endl;
    return 1;
}

void Project::convertMicrosatToNumberOfRepeats()
{
    if (ProfileSettings::DataType == MICROSAT)
        *_ZOS_ << "\nSkipping microsat repeat length detection\n";
}

void Project::create_drp_example(const char* file_name)
{
    std::ofstream example(file_name);
}

void Project::save_associated_set()
{
    my_string stem = settings::input_file;
    stem.remove_extension();
    run_settings.settings_file = stem + ".drs";
    run_settings.print_settings(run_settings.settings_file);
}

int read_directive_my_string(std::ifstream& in, my_string& directive)
{
    directive.read_token(in);
    directive.to_lower();
    return in.good() ? 1 : 0;
}

int read_directive_value(std::ifstream& in)
{
    int value = 0;
    if (in >> value)
        return value;
    return -1;
}
