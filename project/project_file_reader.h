// The line reader of a project file behind Project::newOpen.
//
// It reads the file line by line and dispatches each line by its key or
// section head: the "[Profile]" keys act at once (project_reader.cpp); the
// heads and keys of "[Data]" hand the stream to the readers of the haplotype
// list, distance matrix, samples, structure and Mantel section
// (project_data_sections.cpp), which read their own lines and leave in
// `line` the line that ended their section. At the end of the file the end
// checks decide whether the project is complete.
#ifndef DROV_PROJECT_PROJECT_FILE_READER_H
#define DROV_PROJECT_PROJECT_FILE_READER_H

#include <ctime>
#include <fstream>

#include "core/file_helpers.h"
#include "core/my_string.h"
#include "project/project.h"

class ProjectFileReader {
public:
    explicit ProjectFileReader(Project& project);
    ProjectFileReader(ProjectFileReader const&) = delete;
    ProjectFileReader& operator=(ProjectFileReader const&) = delete;

    // The whole of Project::newOpen: 1 for a complete project, else 0.
    int read();

private:
    // Results of the handlers: go on with the next line, or stop reading
    // with result 0.
    enum Step { GO_ON = 1, ABORT = 0 };

    Project& project;
    ProfileSettings& profile;
    InputFile in;
    my_string line;      // the current line, comment cut off
    my_string head;      // its section head, upper-cased (empty for other lines)
    my_string key;       // its key, upper-cased
    int line_number;     // the project-file line last read
    std::clock_t start;
    bool problem;        // an end check failed

    // Sections and keys met, for the end checks.
    bool profile_seen = false, nb_samples_seen = false, data_type_seen = false,
         genotypic_seen = false, separator_seen = false, phase_seen = false,
         recessive_allele_seen = false, missing_data_seen = false;
    bool data_seen = false, hapl_definition_seen = false, hapl_list_read = false,
         dist_mat_seen = false, matrix_size_seen = false, matrix_data_seen = false,
         samples_read = false, structure_read = false, mantel_read = false;
    // Keys met by the section readers.
    bool sample_name_found = false, sample_size_found = false, sample_data_found = false;
    bool structure_name_found = false, nb_groups_found = false,
         individual_level_found = false, group_found = false;
    bool mantel_size_found = false, y_matrix_found = false, matrix_number_found = false,
         y_labels_found = false, dist_mat_mantel_found = false, used_y_labels_found = false;

    Step dispatch();
    // Head and key of the current line (also of the line a section reader left).
    void classify_line();

    // Profile keys (project_reader.cpp).
    void read_title();
    Step read_nb_samples();
    void read_data_type();
    void read_genotypic_data();
    void read_locus_separator();
    void read_gametic_phase();
    void read_recessive_data();
    void read_recessive_allele();
    void read_missing_data();
    void read_frequency();
    void read_threshold(double& value, const char* name, double fallback);
    void line_message(const char* text);
    void end_checks();
    void check(bool failed, const char* message, bool is_problem);

    // The "[Data]" part (project_data_sections.cpp).
    Step data_line();
    void haplotype_definition_head();
    void hapl_list_name();
    Step hapl_list();
    Step distance_matrix_head();
    void matrix_name();
    Step matrix_size();
    Step label_position();
    Step matrix_data();
    Step samples_head();
    Step structure_step();
    Step mantel_step();
    // Opens an EXTERN file named in the current line; false after its report.
    bool open_external(InputFile& file, my_string& name, const char* keyword,
                       int report);
};

#endif
