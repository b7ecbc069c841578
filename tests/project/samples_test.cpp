// Tests of the samples of a project: the reader of the "[[Samples]]"
// subsection (names, sizes, EXTERN blocks, refusals, the declared number of
// samples), the data-type objects it makes, and the writers.

#include "project/samples.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_standard.h"
#include "project/project.h"
#include "project_test_support.h"

namespace {

class SamplesTest : public ProjectFolderTest {
protected:
    Project project;
    my_string line;
    int line_number = 0;
    bool name_found = false, size_found = false, data_found = false;

    void SetUp() override
    {
        ProjectFolderTest::SetUp();
        ProfileSettings::DataType = DNA;
        ProfileSettings::LocusSeparator = 0;
        project.profile.RunSettings = &project.run_settings;
        project.run_settings.project_dir = (dir.string() + "/").c_str();
    }

    // Reads the lines of a "[[Samples]]" subsection (those after its head).
    int read(std::string const& text)
    {
        std::ifstream in(write_file("samples.drp", text));
        line_number = 0;
        return project.samples->NewReadSamples(in, project.profile, project.haplo_list,
                                               line_number, line, name_found, size_found,
                                               data_found);
    }

    Population& sample(int i) { return *project.samples->Populations[i]; }
    std::string name(int i) { return sample(i).name.str; }
};

TEST_F(SamplesTest, DuplicateNamesAreRenamedWithAccumulatingSuffixes)
{
    project.profile.NbSamples = 3;
    ASSERT_EQ(read("SampleName=\"A\"\nSampleSize=20\nSampleData={\nh1 20 ACGT\n}\n"
                   "SampleName=\"A\"\nSampleData={\nh1 5\n}\n"
                   "SampleName=\"A\"\nSampleSize=10.9\nSampleData={\nh1 10\n}\n"),
              1);
    ASSERT_EQ(project.samples->Populations.count, 3);
    EXPECT_EQ(name(0), "A");
    EXPECT_EQ(name(1), "A0");
    EXPECT_EQ(name(2), "A01");
    EXPECT_EQ(sample(2).sample_index, 2);
    std::string log = take_log();
    EXPECT_EQ(occurrences(log, "two samples have the same name: renaming second sample"), 3);
    // The second sample has no SampleSize line: it starts with the last one
    // read (20) and is then sized by its counts; 10.9 is taken as 10.
    EXPECT_TRUE(has(log, "(SampleSize=20; Sum. Freq.=5)"));
    EXPECT_FALSE(has(log, "SampleSize=10;"));
    EXPECT_DOUBLE_EQ(sample(1).SampleSize, 5);
    EXPECT_TRUE(name_found && size_found && data_found);
    EXPECT_EQ(line_number, 14);
}

TEST_F(SamplesTest, SampleWithoutAnySizeStartsAtZero)
{
    project.profile.NbSamples = 1;
    ASSERT_EQ(read("SampleName=\"A\"\nSampleData={\nh1 3 ACGT\n}\n"), 1);
    EXPECT_TRUE(has(take_log(), "(SampleSize=0; Sum. Freq.=3)"));
    EXPECT_FALSE(size_found);
    EXPECT_DOUBLE_EQ(sample(0).SampleSize, 3);
}

struct Refusal {
    const char* text;
    int frequency;  // 0 ABS, 1 REL
    const char* report;
    const char* line_text;
};

TEST_F(SamplesTest, UnreadableSamplesAreRefusedWithTheirLine)
{
    const Refusal cases[] = {
        {"SampleName=\"A\"\nSampleData={\nh1 1 AC\n}\nSampleName=popC\nSampleData={\nh1 1\n}\n",
         0, "[ERROR # 1] from function \"Samples::NewRead()\" : invalid value assigned to "
            "\"SampleName\"",
         "Line #5 : Unable to read the name of a sample. Aborting reading project."},
        {"SampleName=\"A\"\nSampleSize=ten\nSampleData={\nh1 1 AC\n}\n", 0,
         "invalid value assigned to \"SampleSize\"", "Line #2 : Invalid sample size."},
        {"SampleName=\"A\"\nSampleSize=-4\nSampleData={\nh1 1 AC\n}\n", 0,
         "invalid value assigned to \"SampleSize\"", "Line #2 : Invalid sample size."},
        {"SampleName=\"A\"\nSampleData={\nh1 0.5 AC\n}\n", 1,
         "invalid value assigned to \"SampleSize\"",
         "Line #2 : Relative frequencies given without a SampleSize."},
        {"SampleSize=4\nSampleData={\nh1 4 AC\n}\n", 0,
         "[WARNING # 1] from function \"Samples::NewRead()\" : \"SampleName\" keyword not found",
         "Warning: Keyword \"SampleName\" not found while data is defined for population #1\n"},
        {"SampleName=\"A\"\nSampleData={\nh1 1 AC\n}\n[[DistanceMatrix]]\nMatrixSize=1\n", 0,
         "invalid keyword in section [Samples]",
         "Line #5 : Section [[DISTANCEMATRIX]] found after the [[Samples]] section"},
        {"SampleName=\"A\"\nSampleData={\nh1 1 AC\n", 0,
         "[ERROR # 2] from function \"Samples::NewRead()\" : unable to read sample data",
         "Missing closing brace for sample \"A\""},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.text);
        project.profile.Frequency = c.frequency;
        EXPECT_EQ(read(c.text), 0);
        std::string log = take_log();
        EXPECT_TRUE(has(log, c.report)) << log;
        EXPECT_TRUE(has(log, c.line_text)) << log;
        E.error(WARNING, "reset", -1);
    }
}

TEST_F(SamplesTest, DeclaredNumberOfSamplesBecomesTheNumberRead)
{
    for (bool at_head : {true, false}) {
        SCOPED_TRACE(at_head ? "ended by a head" : "ended by the end of the file");
        project.profile.NbSamples = 3;
        std::string text = "SampleName=\"A\"\nSampleData={\nh1 1 AC\n}\n"
                           "SampleName=\"B\"\nSampleData={\nh1 1\n}\n";
        if (at_head)
            text += "[[Structure]]\n";
        ASSERT_EQ(read(text), 1);
        EXPECT_EQ(project.samples->NbSamples, 2);
        EXPECT_EQ(project.profile.NbSamples, 2);
        EXPECT_EQ(std::string(line.str), at_head ? "[[Structure]]" : "");
        std::string log = take_log();
        EXPECT_TRUE(has(log, "invalid value for \"NbSamples\""));
        EXPECT_TRUE(has(log, "Warning: 2 samples are actually listed in project file, while \n3 "
                             "are defined in the [[Profile]] section. Adjusting no. of samples"));
    }
}

TEST_F(SamplesTest, ExternalBlocksAreReadFromTheProjectFolder)
{
    write_file("popB.txt", "h2 2 ACGA\nh1 1 ACGT\n");
    std::string absolute = write_file("popC.txt", "h1 4\n");
    project.profile.NbSamples = 4;
    ASSERT_EQ(read("SampleName=\"A\"\nSampleSize=1\nSampleData={\nh1 1 ACGT\n}\n"
                   "SampleName=\"B\"\nSampleData= EXTERN \"popB.txt\"\n"
                   "SampleName=\"C\"\nSampleData= EXTERN \"" + absolute + "\"\n"
                   "SampleName=\"D\"\nSampleData= extern {\nh1 2\n}\n"),
              1);
    ASSERT_EQ(project.samples->Populations.count, 4);
    EXPECT_DOUBLE_EQ(sample(1).SampleSize, 3);
    EXPECT_EQ(sample(1).haplotypes.count, 2);
    EXPECT_DOUBLE_EQ(sample(2).SampleSize, 4);
    // "extern" in lower case is no external block: the lines after it are read.
    EXPECT_DOUBLE_EQ(sample(3).SampleSize, 2);
    // Lines of external files do not count as project-file lines.
    EXPECT_EQ(line_number, 13);
    std::string log = take_log();
    EXPECT_TRUE(has(log, "\tReading sample data for population \"B\" in external file\"popB.txt\""));
    EXPECT_EQ(occurrences(log, "reading sample data in external file"), 2);
}

TEST_F(SamplesTest, ExternalBlockThatCannotBeOpenedIsEmpty)
{
    project.profile.NbSamples = 1;
    ASSERT_EQ(read("SampleName=\"A\"\nSampleData= EXTERN \"missing.txt\"\n"), 1);
    EXPECT_TRUE(has(take_log(), "\tWarning: External file \"missing.txt\" listed on line 2 "
                                "cannot be open. Check that it exists...\n"));
    EXPECT_DOUBLE_EQ(sample(0).SampleSize, 0);
}

TEST_F(SamplesTest, SamplesBecomeObjectsOfTheirDataType)
{
    struct Case {
        TDataType type;
        int genotypic;
        const char* block;
    };
    const Case cases[] = {
        {DNA, 0, "h1 2 ACGT\n"},
        {MICROSAT, 1, "ind1 1 12 14\n 13 14\nind2 2 12 12\n 12 15\n"},
        {FREQUENCY, 0, "h1 4\nh2 6\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.block);
        ProfileSettings::DataType = c.type;
        ProfileSettings::LocusSeparator = ' ';
        project.haplo_list.reset();
        project.profile.GenotypicData = c.genotypic;
        project.profile.NbSamples = 1;
        ASSERT_EQ(read(std::string("SampleName=\"P\"\nSampleData={\n") + c.block + "}\n"), 1);
        Population* p = &sample(0);
        if (c.type == DNA) {
            EXPECT_NE(dynamic_cast<PopulDNA*>(p), nullptr);
            EXPECT_EQ(ProfileSettings::LocusSeparator, 0);
        } else if (c.type == MICROSAT) {
            EXPECT_NE(dynamic_cast<PopulMicrosat*>(p), nullptr);
            EXPECT_EQ(p->individuals.phenotypes.count, 2);
            EXPECT_DOUBLE_EQ(p->SampleSize, 6);
        } else {
            EXPECT_NE(dynamic_cast<PopulStandard*>(p), nullptr);
        }
    }
}

TEST_F(SamplesTest, WritersGiveTheSubsectionAndThePrintout)
{
    project.profile.NbSamples = 1;
    ASSERT_EQ(read("SampleName=\"pop\"\nSampleData={\nh1 3 ACGT\nh2 7 ACGA\n}\n"), 1);
    std::ostringstream subsection;
    subsection << *project.samples;
    EXPECT_EQ(subsection.str(),
              "\n\t[[Samples]]\n\n\t\tSampleName=\"pop\"\n\t\tSampleSize=10\n\t\tSampleData={\n"
              "              h1         3\tACGT\n              h2         7\tACGA\n\t\t}\n\n\n");
    std::ostringstream printout;
    Print(sample(0), &printout);
    PrintName(sample(0), &printout);
    EXPECT_EQ(printout.str(),
              "\t\tSampleName=\"pop\"\n\t\tSampleSize=10\n\t\tSampleData={\n"
              "              h1         3\n              h2         7\n\t\t}\npop");
}

TEST_F(SamplesTest, ExternalNamesFollowOneRuleInEveryReader)
{
    // Without settings a name stands as it is; a name that needs the
    // project's folder is noted.
    EXPECT_STREQ(project.samples->build_ext_name("/data/a.txt").str, "/data/a.txt");
    EXPECT_EQ(take_log(), "");
    EXPECT_STREQ(project.samples->build_ext_name("a.txt").str, "a.txt");
    EXPECT_TRUE(has(take_log(), "Pointer to project dir is not initialized. ERROR\n"));

    settings& run = project.run_settings;
    run.extern_copies["copied.txt"] = "proj.res/copied.txt";  // a copy made by the run's cleaner
    project.samples->RunSettings = &run;
    project.haplo_list.profile.RunSettings = &run;
    project.dist_mat.profile.RunSettings = &run;
    std::string folder = dir.string() + "/";
    const std::pair<const char*, std::string> cases[] = {
        {"a.txt", folder + "a.txt"},
        {"sub/a.txt", folder + "sub/a.txt"},  // relative to the project, not to the working folder
        {"/data/a.txt", "/data/a.txt"},
        {"copied.txt", "proj.res/copied.txt"},
    };
    for (auto const& [name, path] : cases) {
        EXPECT_EQ(std::string(project.samples->build_ext_name(name).str), path) << name;
        EXPECT_EQ(std::string(project.haplo_list.build_ext_name(name).str), path) << name;
        EXPECT_EQ(std::string(project.dist_mat.build_ext_name(name).str), path) << name;
    }
}

TEST_F(SamplesTest, CleanDeletesEveryPopulation)
{
    project.profile.NbSamples = 2;
    ASSERT_EQ(read("SampleName=\"A\"\nSampleData={\nh1 1 AC\n}\n"
                   "SampleName=\"B\"\nSampleData={\nh1 1\n}\n"),
              1);
    project.samples->clean();
    EXPECT_EQ(project.samples->Populations.count, 0);
}

}  // namespace
