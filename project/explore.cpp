// Explore mode: a quick scan of a project file, without analysis, that writes
// three small files describing it for a graphical front end: the sample
// names ("samples.txt") and the groups ("groups.txt") in the working folder,
// and the profile summary ("dro_pro.txt") in the folder the caller names.
// The project file itself is read, with the identifier-syntax readers.

#include <fstream>
#include <string>

#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/public.h"
#include "project/project.h"
#include "project/project_run.h"
#include "project/samples.h"
#include "project/structure.h"

namespace {

const char* const EXPLORE = "Project::explore()";
const char* const CONTENT = "Structure::explore_content()";

void write_summary(std::ostream& out, ProfileSettings const& p)
{
    out << p.Title << "=Title;\n";
    out << p.NbSamples << "=NbSamples;\n";
    out << p.NbGroups << "=NbGroups; \n";
    out << p.GenotypicData << "=GenotypicData;\n";
    out << p.GameticPhase << "=GameticPhase;\n";
    out << data_type_name(ProfileSettings::DataType) << "=DataType;\n";
    switch (ProfileSettings::LocusSeparator) {
    case 0: out << "NONE"; break;
    case ' ': out << "WHITESPACE"; break;
    case '\t': out << "TAB"; break;
    default: out << ProfileSettings::LocusSeparator; break;
    }
    out << "=LocusSeparator;\n";
    out << p.MissingData << "=MissingData;\n";
    out << p.DistMatLabel << "=DistMatLabel;\n";
    out << p.UsedHaplList << "=UsedHaplList; \n";
    out << p.ExtHaplFile << "=ExtHaplFile; \n";
    out << p.Interleave << "=Interleave; \n";
    out << p.IndividualLevel << "=IndividualLevel;\n";
    out << p.Frequency << "=Frequency; \n";
    out << p.RecessiveData << "=RecessiveData; \n";
    out << p.RecessiveAllele << "=RecessiveAllele;\n";
    out << p.GivenDistMat << "=GivenDistMat; \n";
    out << p.EpsilonValue << "=EpsilonValue;\n";
    out << p.FrequencyThreshold << "=FrequencyThreshold;\n";
}

// The exploration proper; Project::explore adds what ends it on an error.
int explore_project(Project& p, char* dir)
{
    // Every exploration starts from the defaults, so that a key missing from
    // this file never shows the value of the project explored before.
    settings* run = p.profile.RunSettings;
    p.profile.initialize();
    p.profile.RunSettings = run;
    p.profile.ExtHaplFile = "";
    ProfileSettings::DataType = STANDARD;
    ProfileSettings::LocusSeparator = 0;
    p.structure->reset();
    p.dist_mat.name = "none";
    {
        std::ofstream groups("groups.txt");
        groups << 0 << '\n';
    }

    InputFile in(settings::input_file.str);
    if (!in.is_open()) {
        E.error(ERROR, EXPLORE, 126);
        return 0;
    }
    *_ZOS_ << "Reading general settings in input file ...\n";
    if (!p.profile.get_profile_settings(in)) {
        E.error(ERROR, EXPLORE, 127);
        return 0;
    }
    *_ZOS_ << "done ! \n";

    go_to_section(in, "data");
    bool seen[NUM_SUBSECTIONS + 1] = {};
    int found = 0;
    for (;;) {
        skip_comments(in);
        my_string name;
        int which = get_next_subsection(in, name);
        if (which == 0) {
            // A header with a name outside the table was reported by the
            // tokenizer: the project cannot be explored.
            if (!name.is_null())
                return 0;
            break;
        }
        if (seen[which]) {
            *_ZOS_ << "\tSubsection [[" << name << "]] is given twice in project file\n";
            E.error(ERROR, EXPLORE, 131);
            return 0;
        }
        seen[which] = true;
        ++found;
        if (same_text(name, "distancematrix")) {
            *_ZOS_ << "\tReading distance matrix ...\n";
            p.dist_mat.get_mat_name(in);
            *_ZOS_ << "\tdone ! \n";
        } else if (same_text(name, "samples")) {
            *_ZOS_ << "\tExploring Samples...\n";
            if (!p.samples->explore(in, p.profile))
                return 0;
            *_ZOS_ << "\tdone ! \n";
        } else if (same_text(name, "structure")) {
            *_ZOS_ << "\tExploring genetic structure...\n";
            if (!p.structure->explore(in, "groups.txt"))
                return 0;
            *_ZOS_ << "\tdone ! \n";
        }
    }
    if (found == 0) {
        E.error(ERROR, EXPLORE, 128);
        return 0;
    }
    *_ZOS_ << "done ! \n";

    my_string summary_name = my_string(dir) + "dro_pro.txt";
    std::ofstream summary(summary_name.str);
    if (!summary.is_open()) {
        *_ZOS_ << "\tUnable to write " << summary_name << "\n";
        return 0;
    }
    write_summary(summary, p.profile);
    summary.close();
    return summary.fail() ? 0 : 1;
}

}  // namespace

// An error raised inside the readers ends the exploration of this project as
// a failure, as it ends a run: the files are closed, the project is emptied,
// and the next project of the run list is explored as usual.
int Project::explore(char* dir)
{
    try {
        return explore_project(*this, dir);
    } catch (...) {
        *_ZOS_ << interruption_text("exploration") << std::endl;
        clean();
        return 0;
    }
}

int Samples::explore(std::istream& in, ProfileSettings& profile)
{
    std::ofstream out("samples.txt");
    out << profile.NbSamples << '\n';
    my_string line;
    for (int k = 0; k < profile.NbSamples; ++k) {
        do {
            line.read_line(in);
            if (in.bad())  // a line too long to read, reported where it stands
                return 0;
            if (in.fail()) {
                E.error(WARNING, "Samples::explore(): Unable to extract all population names", 95);
                return 0;
            }
            line.to_lower();
        } while (!line.contains("samplename"));
        // The text after '=', taken between double quotes when it has them.
        my_string name = line.extract_after('=').extract_after('"').extract_before('"');
        out << name << '\n';
    }
    return 1;
}

int Structure::explore(std::istream& in, const char* file)
{
    std::ofstream out(file);
    NbGroupsRead = 0;
    my_string identifier;
    while (get_next_ident(in, identifier)) {
        if (!is_identifier(identifier)) {
            E.error(ERROR, "Structure::explore(ifstream& ifs)", 54);
            return 0;
        }
        if (!explore_content(in, identifier, out)) {
            std::string where =
                std::string("Structure::explore(ifstream& ifs) (\"") + identifier.str + "\")";
            E.error(ERROR, where.c_str(), 55);
            return 0;
        }
    }
    if (NbGroupsRead != NbGroups) {
        E.error(ERROR, CONTENT, 47);
        return 0;
    }
    return 1;
}

int Structure::explore_content(std::istream& in, my_string identifier, std::ostream& out)
{
    my_string value;
    if (same_text(identifier, "structurename") || same_text(identifier, "distmatlabel")) {
        if (!get_qstring(in, value)) {
            E.error(ERROR, CONTENT, same_text(identifier, "structurename") ? 56 : 57);
            return 0;
        }
        return 1;
    }
    if (same_text(identifier, "nbgroups")) {
        if (!(in >> NbGroups)) {
            in.clear();
            E.error(ERROR, CONTENT, 47);
            return 0;
        }
        if (NbGroups < 0 || NbGroups > 1000)
            E.error(ERROR, CONTENT, 47);
        else
            out << NbGroups << '\n';
        return 1;
    }
    if (same_text(identifier, "group")) {
        if (NbGroups == 0) {
            E.error(ERROR, CONTENT, 49);
            return 0;
        }
        if (NbGroupsRead >= NbGroups)
            return 1;
        out << "{\n";
        value.read_to_delim(in, '{');
        if (in.fail()) {
            E.error(ERROR, group_reporter(CONTENT, NbGroupsRead + 1).c_str(), 50);
            return 0;
        }
        while (get_qstring(in, value))
            out << value << '\n';
        if (next_name_or_brace(in) != '}') {
            E.error(ERROR, group_reporter(CONTENT, NbGroupsRead + 1).c_str(), 52);
            return 0;
        }
        out << "}\n";
        ++NbGroupsRead;
        return 1;
    }
    if (!read_profile_id_content(in, identifier)) {
        E.error(ERROR, CONTENT, 54);
        return 0;
    }
    return 1;
}
