// Reading a project file: the "[Data]" part. Its heads and keys hand the
// stream to the readers of the haplotype list, the distance matrix, the
// samples, the genetic structure and the Mantel section, which read their
// own lines; inline blocks advance the project's line number, external files
// (EXTERN "name": during a run their cleaned copies, else the name in the
// project's folder unless it begins with '/') are numbered from 1 on their own.

#include <fstream>
#include <new>

#include "core/errors.h"
#include "core/keyword_line.h"
#include "model/subsection_support.h"
#include "project/project.h"
#include "project/project_file_lines.h"
#include "project/project_file_reader.h"

namespace {

const char* const READER = "Project::newOpen()";

}  // namespace

ProjectFileReader::Step ProjectFileReader::data_line()
{
    if (is_key(head, "DATA")) {
        data_seen = true;
        return GO_ON;
    }
    if (is_key(head, "HAPLOTYPEDEFINITION")) {
        haplotype_definition_head();
        return GO_ON;
    }
    if (is_key(head, "DISTANCEMATRIX"))
        return distance_matrix_head();
    if (is_key(head, "SAMPLES"))
        return samples_head();
    if (is_key(key, "HAPLLISTNAME")) {
        hapl_list_name();
        return GO_ON;
    }
    if (is_key(key, "HAPLLIST"))
        return hapl_list();
    if (is_key(key, "MATRIXNAME")) {
        matrix_name();
        return GO_ON;
    }
    if (is_key(key, "MATRIXSIZE"))
        return matrix_size();
    if (is_key(key, "LABELPOSITION"))
        return label_position();
    if (is_key(key, "MATRIXDATA"))
        return matrix_data();
    return GO_ON;
}

bool ProjectFileReader::open_external(std::ifstream& file, my_string& name, const char* keyword,
                                      int report)
{
    if (getQuotedString(line, name, keyword, line_number))
        file.open(external_file_name(profile, name).str);
    if (file.is_open())
        return true;
    *_ZOS_ << "\tWarning: External file \"" << name << "\" listed on line " << line_number
           << " cannot be open. Check that it exists. Aborting reading project" << std::endl;
    E.error(ERROR, READER, report);
    return false;
}

void ProjectFileReader::haplotype_definition_head()
{
    if (!data_seen) {
        line_message(" : HaplotypeDefinition keyword declared before the beginning of the "
                     "'Data' section...");
        *_ZOS_ << std::endl;
    }
    Haplo_DB& list = project.haplo_list;
    list.profile = profile;
    hapl_definition_seen = true;
    // A new subsection replaces the definitions read before; the name stays.
    my_string name = list.name;
    list.reset();
    list.name = name;
}

void ProjectFileReader::hapl_list_name()
{
    if (!hapl_definition_seen) {
        line_message(" : HaplListName keyword declared before the beginning of the "
                     "'HaplotypeDefinition' section...");
        *_ZOS_ << std::endl;
    }
    if (!checkForPresenceOfEqualSign(line, "HaplListName", line_number))
        return;
    my_string value;
    if (getQuotedString(line, value, "HaplListName", line_number)) {
        project.haplo_list.name = value;
        return;
    }
    in.close();
    E.error(WARNING, READER, 34);
    project.haplo_list.name = "";
}

ProjectFileReader::Step ProjectFileReader::hapl_list()
{
    if (!hapl_definition_seen) {
        line_message(" : HaplList keyword declared before the beginning of the "
                     "'HaplotypeDefinition' section...\n");
        *_ZOS_ << "\t Stopping reading input file!" << std::endl;
        return ABORT;
    }
    std::clock_t started = std::clock();
    *_ZOS_ << "Reading Haplotype List ..." << std::endl;
    bool external = line.contains("EXTERN");
    std::ifstream file;
    if (external) {
        my_string name;
        if (!open_external(file, name, "Extern haplotype list", 36))
            return ABORT;
        *_ZOS_ << "\tReading haplotype list in external file \"" << name << "\"" << std::endl;
    }
    int counter = external ? 0 : line_number;
    std::istream& source = external ? static_cast<std::istream&>(file) : in;
    if (!project.haplo_list.NewReadHaplotypeList(source, profile, external, counter))
        return ABORT;
    if (!external)
        line_number = counter;
    *_ZOS_ << "done ! (" << milliseconds_since(started) << " ms)" << std::endl;
    hapl_list_read = true;
    return GO_ON;
}

ProjectFileReader::Step ProjectFileReader::distance_matrix_head()
{
    project.dist_mat.profile = profile;
    dist_mat_seen = true;
    if (!data_seen) {
        line_message(" : DistanceMatrix keyword declared before the beginning of the 'Data' "
                     "section..., ");
        *_ZOS_ << "aborting project reading!" << std::endl;
        return ABORT;
    }
    return GO_ON;
}

void ProjectFileReader::matrix_name()
{
    if (!checkForPresenceOfEqualSign(line, "MatrixName", line_number))
        return;
    my_string value;
    if (getQuotedString(line, value, "MatrixName", line_number)) {
        project.dist_mat.name = value;
        return;
    }
    in.close();
    *_ZOS_ << "\tWarning: Unable to read MatrixName on line " << line_number << std::endl;
    E.error(WARNING, READER, 24);
    project.dist_mat.name = "undefined";
}

ProjectFileReader::Step ProjectFileReader::matrix_size()
{
    matrix_size_seen = true;
    if (!checkForPresenceOfEqualSign(line, "MatrixSize", line_number))
        return GO_ON;
    DistMat& matrix = project.dist_mat;
    double size = 0.0;
    if (!getValue(line, size, "MatrixSize", line_number)) {
        in.close();
        *_ZOS_ << "\tWarning: Unable to read MatrixSize on line " << line_number
               << ". Aborting project reading." << std::endl;
        E.error(ERROR, READER, 15);
        return ABORT;
    }
    // A size below 1 makes no matrix: its integer part is 0.
    if (!(size >= 1)) {
        *_ZOS_ << "\tBad size (" << size << ") for distance matrix \"" << matrix.name
               << "\". Check size (" << size << ") reported on line " << line_number
               << std::endl;
        E.error(ERROR, READER, 15);
        return ABORT;
    }
    auto too_big = [&]() {
        *_ZOS_ << "\tUnable to allocate memory for distance matrix \"" << matrix.name
               << "\". Required size (" << size << ") reported on line " << line_number
               << " is probably too big..." << std::endl;
    };
    int made = 0;
    try {
        // Refuses, with its own report, a size that does not fit in memory.
        made = matrix.initializeMatrixAndArrays(size);
    } catch (std::bad_alloc const&) {
        too_big();
        E.error(MEMORY, READER, 0);
        return ABORT;
    }
    if (!made) {
        too_big();
        return ABORT;
    }
    return GO_ON;
}

ProjectFileReader::Step ProjectFileReader::label_position()
{
    if (!checkForPresenceOfEqualSign(line, "LabelPosition", line_number))
        return GO_ON;
    my_string value = line.extract_after('=');
    value.to_upper();
    if (value.contains("LINE")) {
        project.dist_mat.label_position = DistMat::LINE;
    } else if (value.contains("COLUMN")) {
        project.dist_mat.label_position = DistMat::COLUMN;
    } else {
        *_ZOS_ << "\tInvalid keyword for LabelPosition on line" << line_number
               << ". Aborting reading project." << std::endl;
        E.error(ERROR, READER, 16);
        return ABORT;
    }
    return GO_ON;
}

ProjectFileReader::Step ProjectFileReader::matrix_data()
{
    bool external = line.contains("EXTERN");
    std::ifstream file;
    if (external) {
        my_string name;
        if (!open_external(file, name, "Extern Distance Matrix ", 200))
            return ABORT;
        *_ZOS_ << "\tReading Distance Matrix in external file \"" << name << "\"" << std::endl;
        E.error(WARNING, READER, 17);
    }
    int counter = external ? 0 : line_number;
    std::clock_t started = std::clock();
    *_ZOS_ << "\tReading distance matrix ..." << std::endl;
    std::istream& source = external ? static_cast<std::istream&>(file) : in;
    if (!project.dist_mat.ReadDistanceMatrix(source, external, counter)) {
        *_ZOS_ << "\t\tProblems in reading DistanceMatrix section... aborting reading  project "
               << "file.\n" << std::endl;
        return ABORT;
    }
    *_ZOS_ << "\tdone ! (" << milliseconds_since(started) << " ms)\n" << "\n";
    matrix_data_seen = true;
    if (!external)
        line_number = counter;
    return GO_ON;
}

ProjectFileReader::Step ProjectFileReader::samples_head()
{
    std::clock_t started = std::clock();
    *_ZOS_ << "\tReading Samples section ..." << std::endl;
    if (!project.samples->NewReadSamples(in, profile, project.haplo_list, line_number, line,
                                         sample_name_found, sample_size_found,
                                         sample_data_found)) {
        *_ZOS_ << "\tProblems in reading Samples section... aborting reading  project file.\n"
               << std::endl;
        return ABORT;
    }
    classify_line();
    *_ZOS_ << "\tdone reading Samples section! (" << milliseconds_since(started) << " ms)"
           << "\n";
    samples_read = true;
    return GO_ON;
}

ProjectFileReader::Step ProjectFileReader::structure_step()
{
    if (!samples_read || project.samples->Populations.count == 0) {
        *_ZOS_ << (samples_read ? "No samples were defined before the [STRUCTURE] section. "
                                : "[STRUCTURE] section defined before the [SAMPLES] section. ")
               << "Aborting reading project" << std::endl;
        E.error(ERROR, READER, 172);
        return ABORT;
    }
    std::clock_t started = std::clock();
    *_ZOS_ << "\tReading genetic structure ..." << std::endl;
    if (!project.structure->NewReadStructure(in, profile, *project.samples, line_number, line,
                                             structure_name_found, nb_groups_found,
                                             individual_level_found, group_found))
        return ABORT;
    *_ZOS_ << "\tdone reading genetic structure! (" << milliseconds_since(started) << " ms)"
           << "\n";
    structure_read = true;
    classify_line();
    return GO_ON;
}

ProjectFileReader::Step ProjectFileReader::mantel_step()
{
    if (!samples_read || project.samples->Populations.count == 0) {
        *_ZOS_ << (samples_read ? "No samples were defined before the [MANTEL] section. "
                                : "[MANTEL] section defined before the [SAMPLES] section. ")
               << "Aborting reading project" << std::endl;
        E.error(ERROR, READER, 196);
        return ABORT;
    }
    std::clock_t started = std::clock();
    *_ZOS_ << "\tReading mantel section ..." << std::endl;
    if (!project.mantel.NewOpenMantel(in, profile, line_number, line, mantel_size_found,
                                      y_matrix_found, matrix_number_found, y_labels_found,
                                      dist_mat_mantel_found, used_y_labels_found))
        return ABORT;
    *_ZOS_ << "\tdone ! (" << milliseconds_since(started) << " ms)" << "\n";
    mantel_read = true;
    return GO_ON;
}
