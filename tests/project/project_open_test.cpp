// The reader of project files in the older identifier syntax: the project
// (Project::open), its profile identifiers, the samples and the structure.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "project/old_syntax_support.h"
#include "project/project.h"
#include "project/project_test_support.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

const std::string OLD_DATA = std::string(DROV_TEST_DATA) + "/project_old/";

class OldSyntaxTest : public ProjectFolderTest {
protected:
    void SetUp() override
    {
        ProjectFolderTest::SetUp();
        saved_input = settings::input_file;
        saved_type = ProfileSettings::DataType;
        saved_separator = ProfileSettings::LocusSeparator;
        ProfileSettings::DataType = DNA;
        ProfileSettings::LocusSeparator = 0;
    }

    void TearDown() override
    {
        settings::input_file = saved_input;
        ProfileSettings::DataType = saved_type;
        ProfileSettings::LocusSeparator = saved_separator;
        ProjectFolderTest::TearDown();
    }

    std::vector<std::string> reports() { return reports_of(take_log()); }

    // Project::open on a file, the project's folder being the fixtures'.
    int open(Project& project, std::string const& path)
    {
        settings::input_file = path.c_str();
        project.run_settings.project_dir = OLD_DATA.c_str();
        return project.open();
    }

private:
    my_string saved_input;
    TDataType saved_type = DNA;
    char saved_separator = 0;
};

TEST_F(OldSyntaxTest, OpenReadsProfileSamplesAndStructure)
{
    Project project;
    ASSERT_EQ(open(project, OLD_DATA + "explore.drp"), 1) << take_log();
    std::string log = take_log();
    EXPECT_THAT(reports_of(log), ElementsAre("INFO|Samples::Read()|191"));
    EXPECT_THAT(log, HasSubstr("Reading general settings in input file ...\ndone ! ("));
    EXPECT_THAT(log, HasSubstr("\tReading sample data ...\n\tReading North Pop ... \n"));
    EXPECT_THAT(log, HasSubstr("\tReading genetic structure ...\n\tdone ! ("));

    EXPECT_STREQ(project.profile.Title.str, "Two regions");
    EXPECT_EQ(project.profile.GameticPhase, 0);
    EXPECT_EQ(ProfileSettings::DataType, MICROSAT);
    EXPECT_EQ(ProfileSettings::LocusSeparator, ';');

    MY_TIArrayAsVector<Population>& samples = project.samples->Populations;
    ASSERT_EQ(samples.count, 3);
    const char* names[] = {"North Pop", "South", "east"};
    const double sizes[] = {4, 2, 2};  // gene copies, the external file's too
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(samples[i]->name.str, names[i]);
        EXPECT_EQ(samples[i]->SampleSize, sizes[i]) << names[i];
        EXPECT_NE(dynamic_cast<PopulMicrosat*>(samples[i]), nullptr) << names[i];
    }
    EXPECT_EQ(samples[0]->xCoord, 12.5);
    EXPECT_EQ(samples[0]->yCoord, 3.2);
    TPhenotype const* first = samples[0]->individuals.phenotypes[0];
    EXPECT_STREQ(first->gene_copy[0].str, "12;14;15");
    EXPECT_STREQ(first->gene_copy[1].str, "         11;14;16");

    Structure& structure = *project.structure;
    EXPECT_STREQ(structure.StructureName.str, "two regions");
    ASSERT_EQ(structure.NbGroups, 2);
    EXPECT_EQ(structure.NbMembers, 3);
    ASSERT_EQ(structure.GroupSizes[0], 2);
    EXPECT_EQ(structure.Groups[0][1], samples[1]);
    EXPECT_EQ(structure.Groups[1][0], samples[2]);
}

// One of each of the five subsections is a valid project; samples beyond
// NbSamples are reported with their number and left unread.
TEST_F(OldSyntaxTest, OpenAcceptsAllFiveSubsections)
{
    Project project;
    ASSERT_EQ(open(project, OLD_DATA + "all_five.drp"), 1) << take_log();
    EXPECT_THAT(reports(), ElementsAre("WARNING|Population::read_gametic_data(),  h1 : |146",
                                       "WARNING|Samples::Read()|65",
                                       "WARNING|Samples::Read() (1 extra samples)|95"));
    EXPECT_STREQ(project.haplo_list.name.str, "list1");
    ASSERT_EQ(project.haplo_list.list.count, 3);
    EXPECT_STREQ(project.haplo_list.list[2]->content.str, "ACCA");
    EXPECT_EQ(project.dist_mat.size, 2);
    EXPECT_EQ(project.dist_mat(1, 0), 0.25);
    ASSERT_EQ(project.samples->Populations.count, 2);
    EXPECT_STREQ(project.samples->Populations[1]->name.str, "pop10");
    EXPECT_EQ(project.structure->NbMembers, 2);
}

TEST_F(OldSyntaxTest, OpenRefusals)
{
    const std::string profile = "[Profile]\n NbSamples = 1 DataType = DNA\n";
    const std::string samples =
        "[[Samples]]\n SampleName = \"a\" SampleSize = 1\n SampleData = {\n h1 1 ACGT\n }\n";
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> reports;
    };
    const std::vector<Case> cases = {
        {"repeated subsection", profile + "[Data]\n" + samples + samples,
         {"ERROR|Project::open()|131"}},
        {"unknown subsection", profile + "[Data]\n" + samples + "[[Colours]]\n red = 1\n",
         {"ERROR|get_next_subsection() (\"colours\"|105"}},
        {"no subsection", profile + "[Data]\n# nothing\n", {"ERROR|Project::open()|128"}},
        {"structure first", profile + "[Data]\n[[Structure]]\n NbGroups = 1\n",
         {"ERROR|Project::open()|172"}},
        {"Mantel first", profile + "[Data]\n[[Mantel]]\n MatrixSize = 2\n",
         {"ERROR|Project::open()|196"}},
        {"fewer samples than declared", "[Profile]\n NbSamples = 2\n[Data]\n" + samples,
         {"ERROR|Samples::Read()|62"}},
        {"key outside the profile", "[Profile]\n CompDistMatrix = 1\n[Data]\n" + samples,
         {"ERROR|ProfileSettings::read_profile_id_content()|98",
          "ERROR|ProfileSettings::get_profile_settings(ifstream& ifs|98",
          "ERROR|Project::open()|127"}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Project project;
        EXPECT_EQ(open(project, write_file("p.drp", c.text)), 0);
        std::string log = take_log();
        EXPECT_EQ(reports_of(log), c.reports);
        if (c.reports.back() == "ERROR|Samples::Read()|62") {
            EXPECT_THAT(log,
                        HasSubstr("\n\tUnable to read the specified number of populations.\n"));
        }
    }

    Project project;
    EXPECT_EQ(open(project, (dir / "missing.drp").string()), 0);
    EXPECT_THAT(reports(), ElementsAre("WARNING|Project::open()|126"));
    EXPECT_EQ(open(project, write_file("p.drp", profile)), 0);
    std::vector<std::string> no_data = reports();
    ASSERT_EQ(no_data.size(), 2u);
    EXPECT_THAT(no_data[0], HasSubstr("|102"));
    EXPECT_EQ(no_data[1], "ERROR|Project::open()|128");
}

struct ProfileCase {
    const char* entries;
    int ok;
    std::function<void(ProfileSettings const&)> check;
    std::vector<std::string> reports;
};

TEST_F(OldSyntaxTest, ProfileIdentifiers)
{
    const std::string ID = "ProfileSettings::read_profile_id_content()";
    const std::string SECTION = "ProfileSettings::get_profile_settings(ifstream& ifs";
    const std::vector<std::string> stopped = {"ERROR|" + ID + "|98", "ERROR|" + SECTION + "|98"};
    auto with_stop = [&](std::string const& first) {
        std::vector<std::string> all = {first};
        all.insert(all.end(), stopped.begin(), stopped.end());
        return all;
    };
    auto separator = [](char c) {
        return [c](ProfileSettings const&) { EXPECT_EQ(ProfileSettings::LocusSeparator, c); };
    };
    const std::vector<ProfileCase> cases = {
        {"NbLoci=3 Title = \"t\"", 1, [](auto& p) { EXPECT_EQ(p.NbLoci, 3); }, {}},
        // The digits must follow the '=': the 3 is then taken for an identifier.
        {"NbLoci = 3\n", 0, [](auto& p) { EXPECT_EQ(p.NbLoci, 0); },
         {"WARNING|ProfileSettings::read_NbLoci()|81", "ERROR|" + SECTION + "|98"}},
        {"NbLoci=11", 1, [](auto& p) { EXPECT_EQ(p.NbLoci, 0); },
         {"WARNING|ProfileSettings::read_NbLoci()|81"}},
        {"Frequency = REL", 1, [](auto& p) { EXPECT_EQ(p.Frequency, 1); }, {}},
        {"Frequency = \"REL\"", 1, [](auto& p) { EXPECT_EQ(p.Frequency, 0); },
         {"WARNING|ProfileSettings::read_Frequency()|87"}},
        {"GenotypicData = 2", 1, [](auto& p) { EXPECT_EQ(p.GenotypicData, 0); },
         {"WARNING|ProfileSettings::read_GenotypicData()|74"}},
        {"GenotypicData = x", 0, nullptr,
         with_stop("WARNING|ProfileSettings::read_GenotypicData()|73")},
        {"GameticPhase = -1", 1, [](auto& p) { EXPECT_EQ(p.GameticPhase, 1); },
         {"WARNING|ProfileSettings::read_GameticPhase()|89"}},
        {"LocusSeparator = ;", 1, separator(';'), {}},
        {"LocusSeparator = -", 1, separator(' '),
         {"WARNING|ProfileSettings::read_LocusSeparator()|82"}},
        {"LocusSeparator = \"-\"", 1, separator('-'), {}},
        {"LocusSeparator = TAB", 1, separator('\t'), {}},
        {"LocusSeparator = None", 1, separator(0), {}},
        {"LocusSeparator = WhiteSpace", 1, separator(' '), {}},
        {"DataType = dna", 1, [](auto&) { EXPECT_EQ(ProfileSettings::DataType, DNA); }, {}},
        {"DataType = DNA_SEQ", 1, [](auto&) { EXPECT_EQ(ProfileSettings::DataType, STANDARD); },
         {"WARNING|ProfileSettings::read_DataType()|75"}},
        {"NbLoci=3\nLociLabels = { a b c }\nTitle = \"t\"", 1,
         [](auto& p) {
             ASSERT_NE(p.LociLabels, nullptr);
             EXPECT_STREQ(p.LociLabels[2].str, "c");
             EXPECT_STREQ(p.Title.str, "t");
         },
         {}},
        {"NbLoci=3\nLociLabels = { a b c}", 1,
         [](auto& p) { EXPECT_STREQ(p.LociLabels[2].str, "c"); }, {}},
        {"NbLoci=3\nLociLabels = { a b}", 0, nullptr,
         with_stop("ERROR|ProfileSettings::read_LociLabels()|76")},
        {"NbLoci=3\nLociLabels = { a b }", 0, nullptr,
         with_stop("ERROR|ProfileSettings::read_LociLabels()|76")},
        {"RecessiveData = yes RecessiveAllele = \"a b\"", 1,
         [](auto& p) {
             EXPECT_STREQ(p.RecessiveAllele.str, "null");
             EXPECT_EQ(p.RecessiveData, 0);
         },
         {"WARNING|ProfileSettings::read_RecessiveAllele()|90"}},
        {"MissingData = \"-\"", 1, [](auto& p) { EXPECT_EQ(p.MissingData, '-'); }, {}},
        {"EpsilonValue = 1e-9", 1, [](auto& p) { EXPECT_EQ(p.EpsilonValue, 1e-9); }, {}},
        {"FrequencyThreshold = 1", 0, [](auto& p) { EXPECT_EQ(p.FrequencyThreshold, 1e-5); },
         with_stop("WARNING|ProfileSettings::read_freq_threshold()|91")},
        {"UsedHaplList = EXTERN \"list.txt\"", 0,
         [](auto& p) { EXPECT_STREQ(p.UsedHaplList.str, "EXTERN"); },
         {"ERROR|" + SECTION + "|98"}},
        {"NbSamples = -1", 0, nullptr, with_stop("ERROR|" + ID + "|95")},
        {"NbGroups = 1001", 0, nullptr, with_stop("ERROR|" + ID + "|97")},
    };
    for (ProfileCase const& c : cases) {
        SCOPED_TRACE(c.entries);
        ProfileSettings p;
        std::istringstream in(std::string("# long comment line ") + std::string(200, '=') +
                              "\n[Profile]\n" + c.entries + "\n[Data]\n");
        EXPECT_EQ(p.get_profile_settings(in), c.ok);
        if (c.check)
            c.check(p);
        EXPECT_EQ(reports(), c.reports);
    }
}

TEST_F(OldSyntaxTest, DistanceMatrixAnswerSetsGivenDistMat)
{
    // The word answers whether the matrix is to be computed: yes means not given.
    const struct {
        const char* text;
        int given;
    } cases[] = {{" yes\n", 0}, {"Y", 0}, {"1 # computed", 0}, {"YES", 0},
                 {"no", 1},      {"0", 1}, {"yesterday", 1},    {"\nyes", 1}};
    for (auto const& c : cases) {
        SCOPED_TRACE(c.text);
        ProfileSettings p;
        p.GivenDistMat = 5;
        std::istringstream in(c.text);
        EXPECT_EQ(p.read_dist_mat(in), 1);
        EXPECT_EQ(p.GivenDistMat, c.given);
    }
    EXPECT_THAT(reports(), IsEmpty());
}

class OldSamplesTest : public OldSyntaxTest {
protected:
    ProfileSettings profile;
    Haplo_DB haplotypes;
    Samples samples;

    int read(std::string const& text, int nb_samples)
    {
        profile.NbSamples = nb_samples;
        haplotypes.reset();
        std::istringstream in(text);
        return samples.Read(in, profile, haplotypes);
    }
};

TEST_F(OldSamplesTest, SampleEntries)
{
    const std::string long_tail(150, ' ');
    ASSERT_EQ(read("SampleName = \"a\" SampleSize = 2 DataType = RFLP GenotypicData = 1\n"
                   "SampleLocation = ( -1.5 ,2)" + long_tail + "# far east\n"
                   "SampleData = {\n h1 2 0101\n}\n"
                   "SampleName = \"b\" SampleSize = 1 SampleLocation = (12.5, 3.2)\n"
                   "SampleData = {\n i1 1 0101\n 0110\n}\n",
                   2),
              1);
    ASSERT_EQ(samples.Populations.count, 2);
    Population* a = samples.Populations[0];
    Population* b = samples.Populations[1];
    // GenotypicData given among a's entries holds from b on; DataType at once.
    EXPECT_EQ(a->haplotypes.count, 1);
    EXPECT_EQ(b->individuals.phenotypes.count, 1);
    EXPECT_NE(dynamic_cast<PopulRFLP*>(a), nullptr);
    EXPECT_EQ(a->xCoord, -1.5);
    EXPECT_EQ(a->yCoord, 2);
    EXPECT_EQ(b->xCoord, 12.5);
    EXPECT_EQ(b->yCoord, 3.2);
    EXPECT_EQ(b->SampleSize, 2);
    EXPECT_THAT(reports(), IsEmpty());
}

TEST_F(OldSamplesTest, SampleRefusals)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> reports;
    };
    const std::vector<Case> cases = {
        {"too few entries", "SampleName = \"a\" SampleSize = 1 SampleData = {\n h1 1 A\n}\n",
         {"ERROR|Samples::Read()|62"}},
        {"not a name first", "SampleSize = 1\n", {"ERROR|Samples::Read()|61"}},
        {"unknown entry", "SampleName = \"a\" Title = \"x\"\n", {"ERROR|Samples::Read()|67"}},
        {"no sample data", "SampleName = \"a\" SampleSize = 1\n[[Structure]]\n",
         {"ERROR|Samples::Read() (\"a\")|63"}},
        {"relative frequencies without a size",
         "SampleName = \"a\" SampleSize = 1 Frequency = REL SampleData = {\n h1 1 A\n}\n"
         "SampleName = \"b\" SampleData = {\n h1 0.5\n}\n",
         {"ERROR|Samples::Read()|66"}},
        {"missing external file", "SampleName = \"a\" SampleData = EXTERN \"nowhere.txt\"\n",
         {"INFO|Samples::Read()|191", "ERROR|Samples::Read()|192"}},
        {"neither block nor file", "SampleName = \"a\" SampleData = (1)\n",
         {"ERROR|Samples::Read() (\"a\")|63"}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read(c.text, 2), 0);
        EXPECT_EQ(reports(), c.reports);
    }
}

TEST_F(OldSamplesTest, RepeatedNamesAreRenamed)
{
    const std::string first = "SampleName = \"pop\" SampleSize = 1 SampleData = {\n h1 1 A\n}\n";
    const std::string again = "SampleName = \"pop\" SampleSize = 1 SampleData = {\n h1 1\n}\n";
    const std::string pop0 = "SampleName = \"pop0\" SampleSize = 1 SampleData = {\n h1 1\n}\n";
    ASSERT_EQ(read(first + again + pop0 + again, 4), 1);
    const char* names[] = {"pop", "pop0", "pop00", "pop01"};
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(samples.Populations[i]->name.str, names[i]);
    EXPECT_EQ(reports(), std::vector<std::string>(4, "WARNING|Samples::Read()|65"));
}

class OldStructureTest : public OldSyntaxTest {
protected:
    Samples samples;
    Structure structure;

    void SetUp() override
    {
        OldSyntaxTest::SetUp();
        for (const char* name : {"a", "b", "c"})
            samples.Populations.Add(new Population(my_string(name)));
    }

    int open(std::string const& text)
    {
        ProfileSettings profile;
        std::istringstream in(text);
        return structure.open(in, profile, samples);
    }
};

TEST_F(OldStructureTest, GroupsPointAtTheNamedSamples)
{
    ASSERT_EQ(open("StructureName = \"s\" DistMatLabel = \"m\" NbGroups = 2\n"
                   "Group = { \"a\" b\n  \"c\" }\nGroup = {\"b\"}\n[[Mantel]]\n"),
              1);
    EXPECT_EQ(structure.NbGroups, 2);
    EXPECT_EQ(structure.NbMembers, 4);
    EXPECT_EQ(structure.GroupSizes[0], 3);
    EXPECT_EQ(structure.Groups[0][2], samples.Populations[2]);
    EXPECT_EQ(structure.Groups[1][0], samples.Populations[1]);
    EXPECT_STREQ(structure.DistMatLabel.str, "m");
    EXPECT_THAT(reports(), IsEmpty());
}

TEST_F(OldStructureTest, ExternalStructureFileIsLookedForInTheProjectFolder)
{
    write_file("groups.txt", "group file\n");
    settings run;
    run.project_dir = (dir.string() + "/").c_str();
    ProfileSettings profile;
    profile.RunSettings = &run;
    std::istringstream in("StructureName = EXTERN \"groups.txt\"\n");
    EXPECT_EQ(structure.open(in, profile, samples), 1);
    EXPECT_STREQ(structure.StructureName.str, "groups.txt");
    EXPECT_THAT(reports(), IsEmpty());
}

TEST_F(OldStructureTest, StructureFailures)
{
    const std::string ID = "Structure::read_id_content()";
    const std::string GROUP = "Structure::open() (\"group\")";
    struct Case {
        const char* name;
        std::string text;
        int ok;
        std::vector<std::string> reports;
    };
    const std::vector<Case> cases = {
        {"unknown sample", "NbGroups = 1\nGroup = { \"a\" \"nowhere\" }\n", 0,
         {"ERROR|Structure::read_id_content() (\"nowhere\")|51", "ERROR|" + GROUP + "|55"}},
        {"fewer groups than declared", "NbGroups = 2\nGroup = { \"a\" }\n", 0,
         {"ERROR|Structure::open()|47"}},
        {"group before NbGroups", "Group = { \"a\" }\nNbGroups = 1\n", 0,
         {"ERROR|" + ID + "|49", "ERROR|" + GROUP + "|55"}},
        {"too many groups", "NbGroups = 1\nGroup = { \"a\" }\nGroup = { \"b\" }\n", 0,
         {"ERROR|" + ID + "|53", "ERROR|" + GROUP + "|55"}},
        {"NbGroups after a group", "NbGroups = 1\nGroup = { \"a\" }\nNbGroups = 3\n", 0,
         {"ERROR|" + ID + "|47", "ERROR|Structure::open() (\"nbgroups\")|55"}},
        {"no closing brace", "NbGroups = 1\nGroup = { \"a\"\n", 0,
         {"ERROR|Structure::read_id_content() (group#1)|52", "ERROR|" + GROUP + "|55"}},
        {"NbGroups out of range goes on", "NbGroups = 1001\n", 1, {"ERROR|" + ID + "|47"}},
        {"not an identifier", "Colour = red\n", 0, {"ERROR|Structure::open()|54"}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(open(c.text), c.ok);
        EXPECT_EQ(reports(), c.reports);
    }
    open("NbGroups = 1\nGroup = { \"a\" \"nowhere\" }\n");
    EXPECT_EQ(structure.NbGroups, 0);
    EXPECT_EQ(structure.Groups, nullptr);
}

}  // namespace
