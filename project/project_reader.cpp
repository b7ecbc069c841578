// Reading a project file (Project::newOpen): the line loop, the "[Profile]"
// keys and the checks made at the end of the file.

#include <climits>
#include <cmath>

#include "app/glbobj.h"
#include "core/errors.h"
#include "core/keyword_line.h"
#include "project/project.h"
#include "project/project_file_lines.h"
#include "project/project_file_reader.h"

namespace {

const char* const READER = "Project::newOpen()";

// The value of a key line (the text after its first '='), upper-cased.
my_string upper_value(my_string const& line)
{
    my_string value = line.extract_after('=');
    value.to_upper();
    return value;
}

// True when the integer part (toward zero) of the value is 0 or 1, which
// goes into flag. Tested on the double: a huge value does not fit an int.
bool integer_part_is_flag(double value, int& flag)
{
    if (!(value > -1.0 && value < 2.0))
        return false;
    flag = static_cast<int>(value);
    return true;
}

}  // namespace

int Project::newOpen()
{
    ProjectFileReader reader(*this);
    return reader.read();
}

ProjectFileReader::ProjectFileReader(Project& project)
    : project(project), profile(project.profile), line_number(0), start(0), problem(false)
{
}

int ProjectFileReader::read()
{
    project.dist_mat_computed = 0;
    // External files are looked for in the project's folder, which the
    // samples reader takes from the profile's settings.
    if (!profile.RunSettings)
        profile.RunSettings = &project.run_settings;
    in.open(settings::input_file.str);
    if (!in.is_open()) {
        E.error(WARNING, READER, 126);
        return 0;
    }
    start = std::clock();
    *_ZOS_ << "Reading input file ..." << std::endl;

    // No line limit: a project of any length is read whole.
    while (next_project_line(in, line, line_number)) {
        classify_line();
        if (is_key(head, "PROFILE"))
            profile_seen = true;
        if (dispatch() == ABORT)
            return 0;
        // A section reader may have left the head that ended its section.
        if (is_key(head, "STRUCTURE") && structure_step() == ABORT)
            return 0;
        if (is_key(head, "MANTEL") && mantel_step() == ABORT)
            return 0;
    }
    // A line too long to read has been reported where it stands; the keys
    // after it are not missing, only unread.
    if (in.bad())
        return 0;

    end_checks();
    *_ZOS_ << "done ! (" << milliseconds_since(start) << " ms)" << std::endl;
    if (problem) {
        E.error(ERROR, READER, 203);
        return 0;
    }
    return 1;
}

void ProjectFileReader::classify_line()
{
    head = section_head(line);
    key = line_key(line);
}

ProjectFileReader::Step ProjectFileReader::dispatch()
{
    if (is_key(key, "TITLE"))
        read_title();
    else if (is_key(key, "NBSAMPLES"))
        return read_nb_samples();
    else if (is_key(key, "DATATYPE"))
        read_data_type();
    else if (is_key(key, "GENOTYPICDATA"))
        read_genotypic_data();
    else if (is_key(key, "LOCUSSEPARATOR"))
        read_locus_separator();
    else if (is_key(key, "GAMETICPHASE"))
        read_gametic_phase();
    else if (is_key(key, "RECESSIVEDATA"))
        read_recessive_data();
    else if (is_key(key, "RECESSIVEALLELE"))
        read_recessive_allele();
    else if (is_key(key, "MISSINGDATA"))
        read_missing_data();
    else if (is_key(key, "FREQUENCY"))
        read_frequency();
    else if (is_key(key, "COMPDISTMATRIX")) {
        line_message(" : Keyword \"CompDistMatrix\" is now obsolete. Please set this parameter "
                     "directly throug the interface\n");
        *_ZOS_ << std::endl;
    } else if (is_key(key, "FREQUENCYTHRESHOLD"))
        read_threshold(profile.FrequencyThreshold, "FrequencyThreshold", 1e-5);
    else if (is_key(key, "EPSILONVALUE"))
        read_threshold(profile.EpsilonValue, "EpsilonValue", 1e-7);
    else
        return data_line();
    return GO_ON;
}

void ProjectFileReader::line_message(const char* text)
{
    *_ZOS_ << "\tProject file, Line #" << line_number << text;
}

void ProjectFileReader::read_title()
{
    if (!checkForPresenceOfEqualSign(line, "Title", line_number))
        return;
    my_string value;
    if (getQuotedString(line, value, "Title", line_number))
        profile.Title = value;
    else
        profile.Title = "";
}

ProjectFileReader::Step ProjectFileReader::read_nb_samples()
{
    nb_samples_seen = true;
    if (!checkForPresenceOfEqualSign(line, "NbSamples", line_number))
        return GO_ON;
    double value = 0.0;
    if (!getValue(line, value, "NbSamples", line_number)) {
        in.close();
        E.error(ERROR, READER, 95);
        return ABORT;
    }
    if (value < 0 || value > INT_MAX) {
        line_message(" : Invalid number of samples. Aborting reading project.");
        *_ZOS_ << std::endl;
        E.error(ERROR, READER, 95);
        return ABORT;
    }
    profile.NbSamples = static_cast<int>(value);
    return GO_ON;
}

void ProjectFileReader::read_data_type()
{
    data_type_seen = true;
    if (!checkForPresenceOfEqualSign(line, "DataType", line_number))
        return;
    my_string value = upper_value(line);
    if (value.contains("DNA"))
        ProfileSettings::DataType = DNA;
    else if (value.contains("RFLP"))
        ProfileSettings::DataType = RFLP;
    else if (value.contains("MICROSAT"))
        ProfileSettings::DataType = MICROSAT;
    else if (value.contains("STANDARD"))
        ProfileSettings::DataType = STANDARD;
    else if (value.contains("FREQUENCY"))
        ProfileSettings::DataType = FREQUENCY;
    else {
        ProfileSettings::DataType = DataTypeDefault;
        E.error(WARNING, READER, 75);
    }
}

void ProjectFileReader::read_genotypic_data()
{
    genotypic_seen = true;
    if (!checkForPresenceOfEqualSign(line, "GenotypicData", line_number))
        return;
    double value = 0.0;
    bool read = getValue(line, value, "GenotypicData", line_number);
    int flag = 0;
    if (read && integer_part_is_flag(value, flag)) {
        profile.GenotypicData = flag;
    } else {
        E.error(WARNING, READER, 74);
        profile.GenotypicData = GenotypicDataDefault;
    }
}

void ProjectFileReader::read_locus_separator()
{
    separator_seen = true;
    if (!checkForPresenceOfEqualSign(line, "LocusSeparator", line_number))
        return;
    my_string upper = upper_value(line);
    if (upper.contains("TAB")) {
        ProfileSettings::LocusSeparator = '\t';
    } else if (upper.contains("WHITESPACE")) {
        ProfileSettings::LocusSeparator = ' ';
    } else if (upper.contains("NONE") || upper.contains("\\0")) {
        ProfileSettings::LocusSeparator = 0;
    } else {
        my_string value;
        getQuotedString(line, value, "LocusSeparator", line_number);
        value.remove_blanks();
        if (value.length == 1) {
            ProfileSettings::LocusSeparator = value.str[0];
        } else {
            E.error(WARNING, READER, 82);
            ProfileSettings::LocusSeparator = LocusSeparatorDefault;
            line_message(" : Invalid value ('");
            *_ZOS_ << value << "\") assigned to keyword \"LocusSeparator\"" << std::endl;
        }
    }
}

void ProjectFileReader::read_gametic_phase()
{
    phase_seen = true;
    if (!checkForPresenceOfEqualSign(line, "GameticPhase", line_number))
        return;
    double value = 0.0;
    bool read = getValue(line, value, "GameticPhase", line_number);
    int flag = 0;
    if (read && integer_part_is_flag(value, flag)) {
        profile.GameticPhase = flag;
    } else {
        E.error(WARNING, READER, 89);
        profile.GameticPhase = GameticPhaseDefault;
    }
}

// Values other than 0 and 1 switch recessive data off.
void ProjectFileReader::read_recessive_data()
{
    if (!checkForPresenceOfEqualSign(line, "RecessiveData", line_number))
        return;
    double value = 0.0;
    bool read = getValue(line, value, "RecessiveData", line_number);
    if (read && (value == 0.0 || value == 1.0)) {
        profile.RecessiveData = static_cast<int>(value);
        return;
    }
    profile.RecessiveData = 0;
    if (read) {
        line_message(" : Invalid value assigned to keyword \"RecessiveData\": recessive data "
                     "switched off");
        *_ZOS_ << std::endl;
    }
}

void ProjectFileReader::read_recessive_allele()
{
    recessive_allele_seen = true;
    if (!checkForPresenceOfEqualSign(line, "RecessiveAllele", line_number))
        return;
    my_string value;
    getQuotedString(line, value, "RecessiveAllele", line_number);
    if (!value.contains(' ')) {
        profile.RecessiveAllele = value;
        return;
    }
    profile.RecessiveAllele = RecessiveAlleleDefault;
    profile.RecessiveData = 0;
    E.error(WARNING, READER, 90);
    line_message(" : Invalid value (\"");
    *_ZOS_ << value << "\") assigned to keyword \"RecessiveAllele\"" << std::endl;
}

void ProjectFileReader::read_missing_data()
{
    missing_data_seen = true;
    if (!checkForPresenceOfEqualSign(line, "MissingData", line_number))
        return;
    my_string value;
    getQuotedString(line, value, "MissingData", line_number);
    value.remove_blanks();
    if (value.length == 1) {
        profile.MissingData = value.str[0];
        return;
    }
    line_message(" : Invalid value (\"");
    *_ZOS_ << value << "\") assigned to keyword \"MissingData\"" << std::endl;
    profile.MissingData = MissingDataDefault;
    E.error(WARNING, READER, 78);
}

// ABS or REL, compared with the case kept.
void ProjectFileReader::read_frequency()
{
    if (!checkForPresenceOfEqualSign(line, "Frequency", line_number))
        return;
    my_string value;
    getUnQuotedString(line, value, "Frequency", line_number);
    if (value.contains("ABS")) {
        profile.Frequency = 0;
    } else if (value.contains("REL")) {
        profile.Frequency = 1;
    } else {
        line_message(" : Invalid value (\"");
        *_ZOS_ << value << "\") assigned to keyword \"Frequency\"\n";
        profile.Frequency = 0;
        E.error(WARNING, READER, 87);
    }
}

void ProjectFileReader::read_threshold(double& value, const char* name, double fallback)
{
    if (!checkForPresenceOfEqualSign(line, name, line_number))
        return;
    if (!getValue(line, value, name, line_number))
        value = fallback;
}

void ProjectFileReader::check(bool failed, const char* message, bool is_problem)
{
    if (!failed)
        return;
    *_ZOS_ << message << std::endl;
    problem = problem || is_problem;
}

void ProjectFileReader::end_checks()
{
    bool frequency_data = ProfileSettings::DataType == FREQUENCY;
    check(!profile_seen, "\t[PROFILE] section not defined. Check your project file.\n", true);
    check(!nb_samples_seen,
          "\tKeyword \"NbSamples\" not found. Undefined number of samples to read. Check your "
          "project file.\n",
          true);
    check(!data_type_seen,
          "\tKeyword \"DataType\" not found. Undefined data type. Check your project file.\n",
          true);
    check(!genotypic_seen,
          "\tKeyword \"GenotypicData\" not found. Undefined data type. Check your project "
          "file.\n",
          true);
    check(!separator_seen && !frequency_data,
          "\tKeyword \"LocusSeparator\" not found. Check your project file.\n", true);
    check(!phase_seen && profile.GenotypicData != 0,
          "\tKeyword \"GameticPhase\" not found. Undefined gametic phase for genotypic data. "
          "Check your project file.\n",
          true);
    if (!recessive_allele_seen && profile.RecessiveData != 0)
        *_ZOS_ << "\tKeyword \"RecessiveAllele\" not found. Undefined recessive allele for "
               << "recessive data. \t\tUsing default value (" << profile.RecessiveAllele
               << "). Check your project file.\n" << std::endl;
    if (!missing_data_seen && !frequency_data)
        *_ZOS_ << "\tKeyword \"MissingData\" not found. Using default value (\""
               << profile.MissingData << "\"). Check your project file.\n" << std::endl;
    check(!data_seen, "\t[DATA] section not defined. Check your project file.\n", true);
    check(hapl_definition_seen && !hapl_list_read,
          "\tKeyword \"HaplList\" not found in Haplotype section. Haplotype list not found. "
          "Check your project file.\n",
          true);
    check(dist_mat_seen && !matrix_size_seen,
          "\tKeyword \"MatrixSize\" not found in Distance Matrix section.Check your project "
          "file.\n",
          true);
    check(dist_mat_seen && !matrix_data_seen,
          "\tKeyword \"MatrixData\" not found in Distance Matrix section. Distance matrix is "
          "undefined. Check your project file.\n",
          true);
    check(!samples_read,
          "\tSection \"Samples\" not found in project. At least one sample needs to be "
          "defined. Check your project file.\n",
          true);
    if (samples_read && !sample_size_found)
        *_ZOS_ << "\tKeyword \"SampleSize\" not found in Samples section. Sample size is "
               << "undefined.\n"
               << (profile.GenotypicData != 0
                       ? "\t\tUsing sum of genotype frequencies. Check your project file.\n"
                       : "\t\tUsing sum of haplotype frequencies. Check your project file.\n")
               << std::endl;
    check(samples_read && !sample_data_found,
          "\tKeyword \"SampleData\" not found in Samples section. Sample data is undefined. "
          "Check your project file.\n",
          true);
    check(structure_read && !nb_groups_found,
          "\tKeyword \"NbGroups\" not found in Structure section. Unknown number of groups to "
          "read. Check your project file.\n",
          true);
    check(structure_read && !group_found,
          "\tKeyword \"Group\" not found in Structure section. No groups definition could be "
          "read. Check your project file.\n",
          true);
    check(mantel_read && !mantel_size_found,
          "\tKeyword \"MatrixSize\" not found in Mantel section. Undefined size of matrices to "
          "be read. Check your project file.\n",
          true);
    check(mantel_read && !matrix_number_found,
          "\tKeyword \"MatrixNumber\" not found in Mantel section. Undefined number of "
          "matrices to be read. Check your project file.\n",
          true);
    check(mantel_read && !y_labels_found,
          "\tKeyword \"YMatrixLabels\" not found in Mantel section. Undefined matrix labels. "
          "Check your project file.\n",
          true);
    check(mantel_read && !dist_mat_mantel_found,
          "\tKeyword \"DistMatMantel\" not found in Mantel section. Undefined matrix data. "
          "Check your project file.\n",
          true);
    check(mantel_read && !used_y_labels_found,
          "\tKeyword \"UsedYMatrixLabels\" not found in Mantel section. Undefined matrix "
          "labels to be used for Mantel test. Check your project file.\n",
          true);
}
