// Tests of the project object and of its reader (Project::newOpen): a whole
// project read, backed up and read again; the end checks; the "[Profile]"
// values; the order of the subsections; the "[Data]" subsections inline and
// in external files; projects of every data type.

#include "project/project.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "project_test_support.h"

namespace {

const std::string PROJECT_DATA = std::string(DROV_TEST_DATA) + "/project/";

// The minimal project head and one DNA sample; `extra` goes into the profile.
std::string minimal(std::string const& extra = "", std::string const& after = "")
{
    return "[Profile]\nTitle=\"T\"\nNbSamples=1\nDataType=DNA\nGenotypicData=0\n"
           "LocusSeparator=NONE\nMissingData='?'\n" + extra +
           "[Data]\n[[Samples]]\nSampleName=\"A\"\nSampleSize=2\nSampleData={\nh1 2 ACGT\n}\n" +
           after;
}

// The text without the first line that begins with `start`.
std::string without(std::string text, std::string const& start)
{
    auto at = text.find(start);
    return at == std::string::npos ? text : text.erase(at, text.find('\n', at) - at + 1);
}

class ProjectReaderTest : public ProjectFolderTest {
protected:
    void SetUp() override
    {
        ProjectFolderTest::SetUp();
        ProfileSettings::DataType = STANDARD;
        ProfileSettings::LocusSeparator = 0;
    }

    // Reads the project file at path into the project.
    int open(Project& project, std::string const& path, std::string const& folder = "")
    {
        settings::input_file = path.c_str();
        project.run_settings.project_dir = folder.c_str();
        project.profile.RunSettings = &project.run_settings;
        return project.newOpen();
    }

    int open_text(Project& project, std::string const& text)
    {
        return open(project, write_file("proj.drp", text), dir.string() + "/");
    }

    static std::string sample_names(Project& project)
    {
        std::string names;
        for (int i = 0; i < project.samples->Populations.count; ++i)
            names += std::string(project.samples->Populations[i]->name.str) + ";";
        return names;
    }

    std::string backup(Project& project, std::string const& name)
    {
        project.backup_requested = 1;
        project.run_settings.backup_file = (dir / name).string().c_str();
        EXPECT_EQ(project.write(), 1);
        return read_text(dir / name);
    }
};

TEST_F(ProjectReaderTest, ProjectReadsWritesBackAndReadsAgainToTheSameContent)
{
    Project first;
    ASSERT_EQ(open(first, PROJECT_DATA + "two_regions.drp", PROJECT_DATA), 1);
    EXPECT_STREQ(first.title().str, "Two samples");
    EXPECT_EQ(ProfileSettings::DataType, DNA);
    EXPECT_EQ(sample_names(first), "pop A;pop B;");
    Population& b = *first.samples->Populations[1];
    EXPECT_DOUBLE_EQ(b.SampleSize, 3);
    ASSERT_EQ(b.haplotypes.count, 2);
    EXPECT_STREQ(b.haplotypes[1]->haplotype->content.str, "ATGA");
    EXPECT_EQ(first.haplo_list.list.count, 3);
    ASSERT_EQ(first.structure->NbGroups, 2);
    EXPECT_EQ(first.structure->Groups[1][0], &b);
    std::string log = take_log();
    EXPECT_TRUE(has(log, "Reading input file ...\n\tReading Samples section ...\n\tReading pop A ... \n"));
    EXPECT_TRUE(has(log, "\tdone reading Samples section! ("));
    EXPECT_TRUE(has(log, "\tReading genetic structure ...\n"));
    EXPECT_TRUE(has(log, "\tdone reading genetic structure! ("));
    EXPECT_TRUE(has(log, "done ! ("));
    EXPECT_FALSE(has(log, "ERROR"));

    std::string written = backup(first, "first.bac");
    EXPECT_TRUE(has(take_log(), "Back-up file with input data written in " + (dir / "first.bac").string()));
    Project second;
    ASSERT_EQ(open(second, (dir / "first.bac").string(), dir.string() + "/"), 1);
    EXPECT_EQ(sample_names(second), sample_names(first));
    EXPECT_STREQ(second.title().str, "Two samples");
    EXPECT_EQ(second.structure->NbMembers, 2);
    EXPECT_EQ(second.structure->Groups[0][0], second.samples->Populations[0]);
    EXPECT_EQ(backup(second, "second.bac"), written);
}

TEST_F(ProjectReaderTest, RelativeFrequenciesAreBackedUpAsCountsAndReadBackUnchanged)
{
    // 0.25 and 0.75 of 11 gene copies round to 3 and 8 copies.
    std::string relative = minimal("Frequency=REL\n");
    relative.replace(relative.find("SampleSize=2"), 12, "SampleSize=11");
    relative.replace(relative.find("h1 2 ACGT\n"), 10, "h1 0.25 ACGT\nh2 0.75 ACGA\n");
    auto counts = [](Project& project) {
        Population& sample = *project.samples->Populations[0];
        std::vector<double> values{sample.SampleSize};
        for (int i = 0; i < sample.haplotypes.count; ++i)
            values.push_back(sample.haplotypes[i]->count);
        return values;
    };

    Project first;
    ASSERT_EQ(open_text(first, relative), 1);
    EXPECT_EQ(counts(first), (std::vector<double>{11, 3, 8}));
    std::string written = backup(first, "relative.bac");
    EXPECT_TRUE(has(written, "Frequency=ABS")) << written;

    Project second;
    ASSERT_EQ(open(second, (dir / "relative.bac").string(), dir.string() + "/"), 1);
    EXPECT_EQ(counts(second), (std::vector<double>{11, 3, 8}));
    EXPECT_EQ(backup(second, "again.bac"), written);
}

struct EndCheck {
    std::string text;
    int result;
    const char* message;
};

TEST_F(ProjectReaderTest, EndChecksTable)
{
    std::string genotypic = without(minimal(), "GenotypicData=0");
    genotypic = genotypic.replace(genotypic.find("[Data]"), 0, "GenotypicData=1\n");
    genotypic = genotypic.replace(genotypic.find("h1 2 ACGT\n"), 10, "i1 1 ACGT\nACGA\n");
    const EndCheck cases[] = {
        {without(minimal(), "[Profile]"), 0, "\t[PROFILE] section not defined. Check your project file.\n\n"},
        {without(minimal(), "NbSamples"), 0, "\tKeyword \"NbSamples\" not found. Undefined number of samples to read."},
        {without(minimal(), "DataType"), 0, "\tKeyword \"DataType\" not found. Undefined data type."},
        {without(minimal(), "GenotypicData"), 0, "\tKeyword \"GenotypicData\" not found. Undefined data type."},
        {without(minimal(), "LocusSeparator"), 0, "\tKeyword \"LocusSeparator\" not found. Check your project file.\n"},
        {genotypic, 0, "\tKeyword \"GameticPhase\" not found. Undefined gametic phase for genotypic data."},
        {minimal("RecessiveData=1\n"), 1, "\tKeyword \"RecessiveAllele\" not found. Undefined recessive allele for recessive data. \t\tUsing default value (null). Check your project file.\n\n"},
        {without(minimal(), "MissingData"), 1, "\tKeyword \"MissingData\" not found. Using default value (\"?\"). Check your project file.\n\n"},
        {without(minimal(), "[Data]"), 0, "\t[DATA] section not defined. Check your project file.\n"},
        {minimal("", "").replace(minimal().find("[[Samples]]"), 0, "[[HaplotypeDefinition]]\n"), 0, "\tKeyword \"HaplList\" not found in Haplotype section. Haplotype list not found."},
        {minimal().replace(minimal().find("[[Samples]]"), 0, "[[DistanceMatrix]]\n"), 0, "\tKeyword \"MatrixSize\" not found in Distance Matrix section.Check your project file.\n"},
        {minimal().replace(minimal().find("[[Samples]]"), 0, "[[DistanceMatrix]]\nMatrixSize=1\n"), 0, "\tKeyword \"MatrixData\" not found in Distance Matrix section. Distance matrix is undefined."},
        {minimal().substr(0, minimal().find("[[Samples]]")), 0, "\tSection \"Samples\" not found in project. At least one sample needs to be defined."},
        {without(minimal(), "SampleSize"), 1, "\tKeyword \"SampleSize\" not found in Samples section. Sample size is undefined.\n\t\tUsing sum of haplotype frequencies. Check your project file.\n\n"},
        {minimal().substr(0, minimal().find("SampleData")), 0, "\tKeyword \"SampleData\" not found in Samples section. Sample data is undefined."},
        {minimal("", "[[Structure]]\nStructureName=\"S\"\n"), 0, "\tKeyword \"NbGroups\" not found in Structure section."},
        {minimal("", "[[Structure]]\nNbGroups=0\n"), 0, "\tKeyword \"Group\" not found in Structure section. No groups definition could be read."},
        {minimal("", "[[Mantel]]\nMatrixSize=3\n"), 0, "\tKeyword \"MatrixNumber\" not found in Mantel section. Undefined number of matrices to be read."},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.text);
        Project project;
        EXPECT_EQ(open_text(project, c.text), c.result);
        std::string log = take_log();
        EXPECT_TRUE(has(log, c.message)) << log;
        EXPECT_EQ(has(log, "missing required keywords definition in project file"), c.result == 0) << log;
    }
}

TEST_F(ProjectReaderTest, UnreadableNbSamplesStopsWithoutEndChecks)
{
    Project project;
    EXPECT_EQ(open_text(project, without(minimal("NbSamples=three\n"), "NbSamples=1")), 0);
    std::string log = take_log();
    EXPECT_TRUE(has(log, "\tProject file, Line #7 : Bad value after keyword 'NbSamples'\n"));
    EXPECT_TRUE(has(log, "[ERROR # 1] from function \"Project::newOpen()\" : invalid value for \"NbSamples\""));
    EXPECT_FALSE(has(log, "done ! ("));

    Project negative;
    EXPECT_EQ(open_text(negative, without(minimal("NbSamples=-2\n"), "NbSamples=1")), 0);
    EXPECT_TRUE(has(take_log(), "Line #7 : Invalid number of samples. Aborting reading project."));

    Project missing;
    settings::input_file = (dir / "none.drp").string().c_str();
    EXPECT_EQ(missing.newOpen(), 0);
    EXPECT_TRUE(has(take_log(), "unable to open project file"));
}

struct ProfileCase {
    const char* line;
    const char* expected;  // the value read, as text
    const char* log;       // a part of the log, or ""
};

std::string profile_value(Project& p, std::string const& line)
{
    std::ostringstream v;
    if (line.find("Title") != std::string::npos || line.find("MatrixName") != std::string::npos)
        v << p.profile.Title;
    else if (line.find("DataType") != std::string::npos || line.find("datatype") != std::string::npos)
        v << ProfileSettings::DataType;
    else if (line.find("LocusSeparator") != std::string::npos)
        v << static_cast<int>(ProfileSettings::LocusSeparator);
    else if (line.find("Frequency=") != std::string::npos)
        v << p.profile.Frequency;
    else if (line.find("RecessiveAllele") != std::string::npos)
        v << p.profile.RecessiveAllele << "," << p.profile.RecessiveData;
    else if (line.find("RecessiveData") != std::string::npos)
        v << p.profile.RecessiveData;
    else if (line.find("MissingData") != std::string::npos)
        v << p.profile.MissingData;
    else if (line.find("GenotypicData") != std::string::npos)
        v << p.profile.GenotypicData;
    else if (line.find("Epsilon") != std::string::npos)
        v << p.profile.EpsilonValue;
    else if (line.find("Threshold") != std::string::npos)
        v << p.profile.FrequencyThreshold;
    return v.str();
}

TEST_F(ProjectReaderTest, ProfileValuesTable)
{
    const ProfileCase cases[] = {
        {"datatype=dna", "0", ""},
        {"DataType = MICROSAT", "2", ""},
        {"DataType=", "3", "invalid value assigned to \"DataType\": setting to default"},
        {"Frequency=REL", "1", ""},
        {"Frequency=abs", "0", "Line #10 : Invalid value (\"abs\") assigned to keyword \"Frequency\"\n"},
        {"LocusSeparator=\"tab\"", "9", ""},
        {"LocusSeparator='/'", "47", ""},
        {"LocusSeparator=WHITESPACE", "32", ""},
        {"LocusSeparator=NONE", "0", ""},
        {"LocusSeparator='ab'", "32", "Line #10 : Invalid value ('ab\") assigned to keyword \"LocusSeparator\"\n"},
        {"RecessiveAllele=\"my allele\"", "null,0", "invalid recessive allele, switching off recessive data"},
        {"RecessiveAllele=\"0\"", "0,1", ""},
        {"RecessiveData=2", "0", "Invalid value assigned to keyword \"RecessiveData\""},
        {"MissingData=''", "?", "Line #10 : Invalid value (\"\") assigned to keyword \"MissingData\"\n"},
        {"MissingData=' - '", "-", ""},
        {"MissingData=N", "N", "Line #10 : No open quote after keyword 'MissingData'"},
        {"GenotypicData=2", "0", "invalid value assigned to \"GenotypicData: setting to default\""},
        {"GenotypicData=1e20", "0", "invalid value assigned to \"GenotypicData: setting to default\""},
        {"GenotypicData=1.5", "1", ""},
        {"Title=\"x\" # Title=\"y\"", "x", ""},
        {"# Title=\"y\"", "T", ""},
        {"EpsilonValue=1e-9", "1e-09", ""},
        {"FrequencyThreshold=x", "1e-05", "Bad value after keyword 'FrequencyThreshold'"},
        {"CompDistMatrix=1", "", "Line #10 : Keyword \"CompDistMatrix\" is now obsolete. Please set this parameter directly throug the interface\n\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.line);
        Project project;
        ProfileSettings::LocusSeparator = 0;
        // Keys given twice take their last value: the line under test (line
        // 10) comes after the minimal profile and after these two.
        open_text(project, minimal("DataType=STANDARD\nRecessiveData=1\n" + std::string(c.line) + "\n"));
        EXPECT_EQ(profile_value(project, c.line), c.expected);
        EXPECT_TRUE(has(take_log(), c.log));
    }
}

TEST_F(ProjectReaderTest, KeysAreMatchedBeforeTheirEqualSignOnly)
{
    Project project;
    std::string text = minimal("", "").replace(
        minimal().find("[[Samples]]"), 0,
        "[[HaplotypeDefinition]]\nHaplListName=\"MissingData list\"\nHaplList={\nh1 ACGT\n}\n"
        "[[DistanceMatrix]]\nMatrixName=\"Untitled\"\nMatrixSize=1\nMatrixData={\nh1\n0\n}\n");
    text = text.replace(text.find("MissingData='?'"), 15, "MissingData='-'");
    ASSERT_EQ(open_text(project, text), 1);
    EXPECT_STREQ(project.title().str, "T");
    EXPECT_EQ(project.profile.MissingData, '-');
    EXPECT_STREQ(project.dist_mat.name.str, "Untitled");
    EXPECT_STREQ(project.haplo_list.name.str, "MissingData list");

    // A key without its '=' is still recognised and reported.
    Project genotypic;
    std::string phase = without(minimal("GenotypicData=1\nGameticPhase 1\n"), "GenotypicData=0");
    phase = phase.replace(phase.find("h1 2 ACGT\n"), 10, "i1 1 ACGT\nACGA\n");
    EXPECT_EQ(open_text(genotypic, phase), 1);
    EXPECT_TRUE(has(take_log(), "Line #8 : Missing equal sign after keyword 'GameticPhase'\n"));
}

TEST_F(ProjectReaderTest, MantelSectionKeepsItsYMatrixType)
{
    const std::string block = "DistMatMantel={\n0\n1 0\n2 3 0\n}\n";
    const std::string keys = "MatrixSize=3\nMatrixNumber=2\nYMatrixLabels={A B C}\n" + block
                             + block + "UsedYMatrixLabels={A B C}\n";
    Project project;
    ASSERT_EQ(open_text(project, minimal("", "[[Mantel]]\nYMatrix=\"Custom\"\n" + keys)), 1);
    EXPECT_STREQ(project.mantel.YMatrix.str, "custom");

    // The next project of a run list does not inherit it.
    project.clean();
    ASSERT_EQ(open_text(project, minimal("", "[[Mantel]]\n" + keys)), 1);
    EXPECT_STREQ(project.mantel.YMatrix.str, "fst");
}

struct OrderCase {
    std::string text;
    const char* message;
};

TEST_F(ProjectReaderTest, SubsectionOrderRules)
{
    std::string head = "[Profile]\nNbSamples=1\nDataType=DNA\nGenotypicData=0\nLocusSeparator=NONE\n";
    std::string sample = "[[Samples]]\nSampleName=\"A\"\nSampleData={\nh1 2 ACGT\n}\n";
    const OrderCase cases[] = {
        {head + "[Data]\n[[Structure]]\nNbGroups=1\nGroup={\"A\"}\n" + sample,
         "[STRUCTURE] section defined before the [SAMPLES] section. Aborting reading project\n"},
        {head + "[Data]\n[[Mantel]]\n" + sample,
         "[MANTEL] section defined before the [SAMPLES] section. Aborting reading project\n"},
        {head + "[Data]\n[[Samples]]\n[[Structure]]\nNbGroups=1\n",
         "No samples were defined before the [STRUCTURE] section. Aborting reading project\n"},
        {head + "[[DistanceMatrix]]\n[Data]\n" + sample,
         "Line #6 : DistanceMatrix keyword declared before the beginning of the 'Data' section..., aborting project reading!\n"},
        {head + "[Data]\nHaplList={\nh1 ACGT\n}\n" + sample,
         "Line #7 : HaplList keyword declared before the beginning of the 'HaplotypeDefinition' section...\n\t Stopping reading input file!\n"},
        {head + "[Data]\n" + sample + "[[DistanceMatrix]]\nMatrixSize=1\n",
         "Line #12 : Section [[DISTANCEMATRIX]] found after the [[Samples]] section"},
        {head + "[Data]\n" + sample + "[[HaplotypeDefinition]]\nHaplList={\n}\n",
         "Section [[HAPLOTYPEDEFINITION]] found after the [[Samples]] section"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.text);
        Project project;
        EXPECT_EQ(open_text(project, c.text), 0);
        EXPECT_TRUE(has(take_log(), c.message));
    }

    // A haplotype list before "[Data]" is only noted.
    Project noted;
    EXPECT_EQ(open_text(noted, head + "[[HaplotypeDefinition]]\nHaplList={\nh1 ACGT\n}\n[Data]\n" + sample), 1);
    EXPECT_TRUE(has(take_log(), "Line #6 : HaplotypeDefinition keyword declared before the beginning of the 'Data' section...\n"));
}

TEST_F(ProjectReaderTest, ExternalListsAndSamplesAreReadFromTheProjectFolder)
{
    Project project;
    ASSERT_EQ(open(project, PROJECT_DATA + "external_lists.drp", PROJECT_DATA), 1);
    EXPECT_EQ(ProfileSettings::DataType, RFLP);
    EXPECT_STREQ(project.haplo_list.name.str, "rflp list");
    EXPECT_EQ(project.haplo_list.list.count, 3);
    EXPECT_EQ(project.dist_mat.size, 3);
    EXPECT_EQ(project.dist_mat.label_position, 1);
    EXPECT_DOUBLE_EQ(project.dist_mat(2, 0), 2.0);
    EXPECT_EQ(sample_names(project), "north;south;");
    EXPECT_DOUBLE_EQ(project.samples->Populations[1]->SampleSize, 5);
    std::string log = take_log();
    EXPECT_TRUE(has(log, "Reading Haplotype List ...\n\tReading haplotype list in external file \"hapl_list.txt\"\n"));
    EXPECT_TRUE(has(log, "\tReading Distance Matrix in external file \"dist_mat.txt\"\n"));
    EXPECT_TRUE(has(log, "reading distance matrix in external file"));
}

struct DataCase {
    std::string data;
    int result;
    const char* log;
};

TEST_F(ProjectReaderTest, DistanceMatrixAndHaplotypeListKeys)
{
    std::string head = "[Profile]\nNbSamples=1\nDataType=DNA\nGenotypicData=0\nLocusSeparator=NONE\n"
                       "MissingData='?'\n[Data]\n";
    std::string sample = "[[Samples]]\nSampleName=\"A\"\nSampleData={\nh1 2\n}\n";
    std::string list = "[[HaplotypeDefinition]]\nHaplList={\nh1 ACGT\nh2 ACGA\n}\n";
    const DataCase cases[] = {
        {list + "[[DistanceMatrix]]\nMatrixSize=2.7\nMatrixData={\nh1 h2\n0\n1 0\n}\n", 1, ""},
        {list + "[[DistanceMatrix]]\nMatrixSize=0\n", 0,
         "\tBad size (0) for distance matrix \"\". Check size (0) reported on line 14\n"},
        {list + "[[DistanceMatrix]]\nMatrixName=\"d\"\nMatrixSize=-3\n", 0,
         "\tBad size (-3) for distance matrix \"d\". Check size (-3) reported on line 15\n"},
        {list + "[[DistanceMatrix]]\nMatrixSize=2\nLabelPosition=diagonal\n", 0,
         "\tInvalid keyword for LabelPosition on line15. Aborting reading project.\n"},
        {list + "[[DistanceMatrix]]\nMatrixSize=1e10\n", 0,
         "\tUnable to allocate memory for distance matrix \"\". Required size (1e+10) reported on line 14 is probably too big...\n"},
        {list + "[[DistanceMatrix]]\nMatrixSize=many\n", 0,
         "\tWarning: Unable to read MatrixSize on line 14. Aborting project reading.\n"},
        {list + "[[DistanceMatrix]]\nMatrixSize=2\nMatrixData= EXTERN \"absent.txt\"\n", 0,
         "\tWarning: External file \"absent.txt\" listed on line 15 cannot be open. Check that it exists. Aborting reading project\n"},
        {"[[HaplotypeDefinition]]\nHaplList= EXTERN \"absent.txt\"\n", 0,
         "unable to open external haplotype file"},
        {"[[HaplotypeDefinition]]\nHaplList= EXTERN absent.txt\n", 0,
         "unable to open external haplotype file"},
        {"[[HaplotypeDefinition]]\nHaplListName=list\nHaplList={\n}\n", 0,
         "bad value assigned to \"HaplListName\""},
        {list + "[[DistanceMatrix]]\nMatrixName=d\nMatrixSize=2\n", 0,
         "\tWarning: Unable to read MatrixName on line 14\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.data);
        Project project;
        EXPECT_EQ(open_text(project, head + c.data + sample), c.result);
        EXPECT_TRUE(has(take_log(), c.log));
        if (c.result == 1) {
            EXPECT_EQ(project.dist_mat.size, 2);
        }
    }

    // The line after an inline list is numbered on from its closing brace.
    Project numbered;
    EXPECT_EQ(open_text(numbered, head + list + "[[DistanceMatrix]]\nMatrixSize=1\nLabelPosition=up\n" + sample), 0);
    EXPECT_TRUE(has(take_log(), "LabelPosition on line15."));
}

TEST_F(ProjectReaderTest, ProjectsOfEveryDataTypeRead)
{
    struct Case {
        const char* profile;
        const char* samples;
        int records;  // haplotype records or gene copies of the first sample
    };
    const Case cases[] = {
        {"DataType=DNA\nGenotypicData=0\nLocusSeparator=NONE\n", "h1 2 AC-T\nh2 1 AC?T\n", 2},
        {"DataType=RFLP\nGenotypicData=0\nLocusSeparator=NONE\n", "h1 2 0110\nh2 1 0111\n", 2},
        {"DataType=MICROSAT\nGenotypicData=0\nLocusSeparator=WHITESPACE\n", "h1 2 112 114\nh2 1 112 ?\n", 2},
        {"DataType=STANDARD\nGenotypicData=0\nLocusSeparator=WHITESPACE\n", "h1 2 A B C\nh2 1 A B D\n", 2},
        {"DataType=FREQUENCY\nGenotypicData=0\n", "h1 2\nh2 1\n", 2},
        {"DataType=DNA\nGenotypicData=1\nGameticPhase=1\nLocusSeparator=NONE\n", "i1 1 ACGT\n ACGA\ni2 1 ACGT\n ACGT\n", 4},
        {"DataType=DNA\nGenotypicData=1\nGameticPhase=0\nLocusSeparator=NONE\n", "i1 1 ACGT\n ACGA\n", 2},
        {"DataType=MICROSAT\nGenotypicData=1\nGameticPhase=0\nLocusSeparator=TAB\n", "i1 1\t112\t114\n\t112\t116\n", 2},
        {"DataType=STANDARD\nGenotypicData=1\nGameticPhase=0\nRecessiveData=1\nRecessiveAllele=\"xx\"\nLocusSeparator=WHITESPACE\n",
         "i1 2 A xx\n B xx\n", 2},
        {"DataType=STANDARD\nGenotypicData=1\nGameticPhase=1\nRecessiveData=0\nLocusSeparator='/'\n", "i1 1 A/B\n A/C\n", 2},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.profile);
        Project project;
        std::string text = std::string("[Profile]\nTitle=\"types\"\nNbSamples=2\nMissingData='?'\n") + c.profile +
                           "[Data]\n[[Samples]]\nSampleName=\"one\"\nSampleData={\n" + c.samples + "}\n" +
                           "SampleName=\"two\"\nSampleData={\n" + c.samples + "}\n" +
                           "[[Structure]]\nNbGroups=1\nGroup={\"one\" \"two\"}\n";
        ASSERT_EQ(open_text(project, text), 1) << take_log();
        ASSERT_EQ(project.samples->Populations.count, 2);
        Population& first = *project.samples->Populations[0];
        int records = first.haplotypes.count + 2 * first.individuals.phenotypes.count;
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(project.structure->NbMembers, 2);
        EXPECT_FALSE(has(take_log(), "ERROR"));
    }
}

TEST_F(ProjectReaderTest, LongProjectsAreReadWhole)
{
    std::string text = "[Profile]\n";
    text.append(500000, '\n');
    text += without(minimal(), "[Profile]") + "[[Structure]]\nNbGroups=1\nGroup={\"A\"}\n";
    Project project;
    ASSERT_EQ(open_text(project, text), 1);
    EXPECT_EQ(project.structure->NbGroups, 1);
}

TEST_F(ProjectReaderTest, FreshProjectAndItsEmptying)
{
    Project project;
    EXPECT_EQ(project.samples->Populations.count, 0);
    EXPECT_EQ(project.structure->NbGroups, 0);
    EXPECT_EQ(project.run_number, 0);
    EXPECT_EQ(project.run_possible, 0);

    ASSERT_EQ(open(project, PROJECT_DATA + "two_regions.drp", PROJECT_DATA), 1);
    Samples* samples = project.samples;
    Structure* structure = project.structure;
    project.clean();
    EXPECT_EQ(project.samples, samples);
    EXPECT_EQ(project.structure, structure);
    EXPECT_EQ(samples->Populations.count, 0);
    EXPECT_EQ(structure->NbGroups, 0);
    EXPECT_EQ(project.haplo_list.list.count, 0);
    EXPECT_STREQ(project.title().str, "Two samples");
    // The same object reads the next project of a run list.
    ASSERT_EQ(open(project, PROJECT_DATA + "two_regions.drp", PROJECT_DATA), 1);
    EXPECT_EQ(sample_names(project), "pop A;pop B;");
}

TEST_F(ProjectReaderTest, TranslatorFilesAreDeletedOnlyWhenTheTranslatorMadeThem)
{
    fs::path cwd = fs::current_path();
    fs::current_path(dir);
    write_file("trans_out.txt", "mine\n");
    write_file("dum_dro.drp", "mine\n");
    Project project;
    project.clean();
    EXPECT_TRUE(fs::exists(dir / "trans_out.txt"));
    Project::translator_files_created = true;
    project.clean();
    EXPECT_FALSE(fs::exists(dir / "trans_out.txt"));
    EXPECT_FALSE(fs::exists(dir / "dum_dro.drp"));
    EXPECT_FALSE(Project::translator_files_created);
    fs::current_path(cwd);
}

TEST_F(ProjectReaderTest, FileNamesMarkerAndBackUp)
{
    Project project;
    settings::input_file = "/data/run1/pop.drp";
    project.build_res_bac_names();
    EXPECT_STREQ(project.run_settings.results_file.str, "/data/run1/pop.htm");
    EXPECT_STREQ(project.run_settings.backup_file.str, "/data/run1/pop.bac");
    EXPECT_STREQ(project.run_settings.project_dir.str, "/data/run1/");

    my_string core = DrovalenExeDirectory;
    DrovalenExeDirectory = (dir.string() + "/").c_str();
    project.print_error_message();
    EXPECT_EQ(read_text(dir / "dro_pro.txt"), "error\n");
    DrovalenExeDirectory = core;

    project.run_settings.backup_file = (dir / "none" / "x.bac").string().c_str();
    EXPECT_EQ(project.write(), 1);
    EXPECT_FALSE(fs::exists(dir / "none"));
    project.backup_requested = 1;
    EXPECT_EQ(project.write(), 0);
    EXPECT_TRUE(has(take_log(), "unable to write project back-up file"));

    ProfileSettings::DataType = MICROSAT;
    project.convertMicrosatToNumberOfRepeats();
    EXPECT_TRUE(has(take_log(), "\nSkipping microsat repeat length detection\n"));
}

}  // namespace
