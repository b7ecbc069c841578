// The analysis run of one project, in process: the computing time, the
// individual-level rule, the group level on pooled samples, the settings
// read again after it, and the ends of runs that fail (a results file that
// cannot be made, an error inside an analysis).

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/startup.h"
#include "project/failing_log.h"
#include "project/project_run.h"
#include "project/run_fixture.h"
#include "summary/sumstat.h"
#include "support/run_settings.h"

namespace {

TEST(ComputingTime, HoursMinutesSecondsAndMilliseconds)
{
    const std::map<long long, std::string> cases = {
        {3723004, "1h 2m 3s 4 ms"},
        {999, "0h 0m 0s 999 ms"},
        {0, "0h 0m 0s 0 ms"},
        {4294968, "1h 11m 34s 968 ms"},           // past 2^32 clock ticks
        {3000000000LL, "833h 20m 0s 0 ms"},       // past 2^31 milliseconds
    };
    for (auto const& [ms, text] : cases)
        EXPECT_EQ(computing_time_text(ms), text) << ms;
}

// Runs projects of tests/data/run through Project::run with the settings of
// run.drs changed as a test needs.
class ProjectRunTest : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        DrovalenExeDirectory = (dir.string() + "/").c_str();
        s.stop_requested = 0;
    }

    // A copy of the fixture project in the test folder; returns its path.
    std::string add_project(std::string const& fixture, std::string const& name)
    {
        return write_file(name, read_text(fs::path(DROV_TEST_DATA) / "run" / fixture)).string();
    }

    // The settings file of the run, with the given keys changed.
    void use_settings(std::map<std::string, std::string> const& changes)
    {
        s.settings_file = write_file("run.drs", run_settings_text(changes)).string().c_str();
    }

    // What the start-up sequence does for one project, then the run.
    int run(std::string const& project_path, int keep_null_distrib = -1)
    {
        settings::input_file = project_path.c_str();
        project.build_res_bac_names();
        project.run_possible = 1;
        s.keep_null_distrib_from_run_list = keep_null_distrib;
        s.read_settings(s.settings_file);
        return project.run();
    }

    std::string results(std::string const& stem)
    {
        return read_text(dir / (stem + ".res") / (stem + ".htm"));
    }
};

TEST_F(ProjectRunTest, IndividualLevelRule)
{
    struct Case {
        int genotypic, phase, conventional_fst;
        int expected;
    };
    const std::vector<Case> cases = {
        {0, 1, 0, 0},  // haplotypic data
        {1, 1, 1, 1},  // known phase keeps the value read
        {1, 0, 1, 0},  // unknown phase with conventional FST
        {1, 0, 0, 1},
    };
    for (Case const& c : cases) {
        project.profile.GenotypicData = c.genotypic;
        project.profile.GameticPhase = c.phase;
        s.ComputeConventionalFST = c.conventional_fst;
        s.IncludeIndividualLevel = 1;
        apply_individual_level_rule(project);
        EXPECT_EQ(s.IncludeIndividualLevel, c.expected)
            << c.genotypic << c.phase << c.conventional_fst;
    }

    use_settings({{"IncludeIndividualLevel", "1"}});
    ASSERT_EQ(run(add_project("dna2.drp", "p.drp")), 1);
    EXPECT_EQ(s.IncludeIndividualLevel, 0);
}

TEST_F(ProjectRunTest, GroupLevelRunsOnPooledSamplesBeforeThePopulationLevel)
{
    use_settings({{"TaskNumber", "1"}, {"ComputeSumStatsWithinGroups", "1"}});
    ASSERT_EQ(run(add_project("groups7.drp", "p.drp")), 1);

    std::string text = results("p");
    const std::string equals(78, '=');
    auto group_banner = text.find("\n" + equals + "\n== ANALYSES AT THE INTRA-GROUP LEVEL\n"
                                  + equals + "\n\n\n\t[[Structure]]\n\n"
                                  "\t\tStructureName = \"Pooled flat structure\"\n"
                                  "\t\tNbGroups = 1\n"
                                  "\t#Group1\n"
                                  "\t\tGroup={\n\t\t\"Group1\"\n\t\t\"Group2\"\n\t\t\"Group3\"\n\t\t}\n");
    auto population_banner = text.find("\n" + equals + "\n== ANALYSES AT THE INTRA-POPULATION LEVEL\n"
                                       + equals + "\n");
    ASSERT_NE(group_banner, std::string::npos) << text;
    ASSERT_NE(population_banner, std::string::npos);
    EXPECT_LT(group_banner, population_banner);

    std::string log = take_log();
    std::vector<std::string::size_type> order;
    for (const char* name : {"Group1", "Group2", "Group3", "a", "g"})
        order.push_back(log.find(std::string("\nPopulation '") + name + "' : "));
    for (std::size_t i = 0; i < order.size(); ++i) {
        ASSERT_NE(order[i], std::string::npos) << i;
        if (i > 0) {
            EXPECT_LT(order[i - 1], order[i]);
        }
    }
    std::string tree = read_text(dir / "p.res" / "p.js");
    EXPECT_LT(tree.find("\t\taux2 = insFld(aux1, gFld(\"Groups\", \"\"))"),
              tree.find("\t\taux2 = insFld(aux1, gFld(\"Samples\", \"\"))"));
    EXPECT_EQ(project.samples->Populations.count, 0);
}

TEST_F(ProjectRunTest, SettingsReadAgainAfterTheGroupLevelKeepWhatTheDataRuleOut)
{
    // Hardy-Weinberg on haplotypes and the individual level of haplotypic
    // data are ruled out by the data; KeepNullDistrib comes from the run list.
    use_settings({{"TaskNumber", "33"},
                  {"ComputeSumStatsWithinGroups", "1"},
                  {"IncludeIndividualLevel", "1"},
                  {"KeepNullDistrib", "0"}});
    ASSERT_EQ(run(add_project("dna2.drp", "p.drp"), 1), 1);
    EXPECT_EQ(s.TaskNumber, 1);
    EXPECT_EQ(s.IncludeIndividualLevel, 0);
    EXPECT_EQ(s.KeepNullDistrib, 1);
    EXPECT_EQ(count_of(take_log(), "Hardy-Weinberg disequilibrium test is not possible"), 2);
}

TEST_F(ProjectRunTest, SelectionScanNeedsGroupsAndAbsoluteData)
{
    struct Case {
        const char* name;
        const char* profile;
        const char* data;
        bool groups;
        std::string note;  // "" when the scan runs
    };
    const std::string frequency_note = "Impossible to detect outlier loci with relative frequency data";
    const std::string structure_note =
        "Impossible to detect outlier loci when no genetic structure is defined";
    const std::vector<Case> cases = {
        {"DNA in groups", "DataType=DNA\nLocusSeparator=NONE\n", "h1 2 ACGT\n", true, ""},
        {"DNA without groups", "DataType=DNA\nLocusSeparator=NONE\n", "h1 2 ACGT\n", false,
         structure_note},
        {"frequencies in groups", "DataType=FREQUENCY\n", "h1 2\nh2 1\n", true, frequency_note},
        {"frequencies without groups", "DataType=FREQUENCY\n", "h1 2\nh2 1\n", false,
         structure_note},
    };
    use_settings({{"DetectSelectedLoci", "1"}});
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = std::string("[Profile]\nTitle=\"scan\"\nNbSamples=2\nGenotypicData=0\n"
                                       "MissingData='?'\n")
                           + c.profile + "[Data]\n[[Samples]]\nSampleName=\"one\"\nSampleData={\n"
                           + c.data + "}\nSampleName=\"two\"\nSampleData={\n" + c.data + "}\n"
                           + (c.groups ? "[[Structure]]\nNbGroups=1\nGroup={\"one\" \"two\"}\n" : "");
        take_log();
        ASSERT_EQ(run(write_file("scan.drp", text).string()), 1) << take_log();

        std::string results_text = results("scan");
        std::string log = take_log();
        EXPECT_NE(results_text.find("\n== DETECTION OF LOCI UNDER SELECTION FROM GENOME SCANS BASED "
                                    "ON F-STATISTICS\n"),
                  std::string::npos);
        EXPECT_NE(read_text(dir / "scan.res" / "scan.js").find("Loci under selection"),
                  std::string::npos);
        EXPECT_NE(log.find("Detecting loci under selection based on F-statistics\n"),
                  std::string::npos);
        EXPECT_NE(log.find("done with detection of loci under selection! ("), std::string::npos);
        for (std::string const& note : {frequency_note, structure_note}) {
            bool expected = note == c.note;
            EXPECT_EQ(results_text.find(note + "\n") != std::string::npos, expected) << note;
            EXPECT_EQ(log.find("\t" + note + "\n") != std::string::npos, expected) << note;
        }
    }
}

TEST_F(ProjectRunTest, LocusSeparatorOfRflpDataIsRemovedForTheWholeRun)
{
    use_settings({});
    std::string path = write_file("p.drp",
                                  "[Profile]\nTitle=\"rflp\"\nNbSamples=1\nDataType=RFLP\n"
                                  "GenotypicData=0\nLocusSeparator=';'\nMissingData='?'\n"
                                  "[Data]\n[[Samples]]\nSampleName=\"a\"\nSampleSize=3\n"
                                  "SampleData={\nh1 2 01;10;1\nh2 1 01;11;1\n}\n")
                           .string();
    ASSERT_EQ(run(path), 1);
    std::string text = results("p");
    auto warning = text.find("\nWarning: The locus separator has been removed\n-------\n\n");
    ASSERT_NE(warning, std::string::npos);
    EXPECT_LT(warning, text.find("Project information:"));
    EXPECT_NE(take_log().find("\nWarning: The locus separator has been removed\n\n"),
              std::string::npos);
    EXPECT_EQ(ProfileSettings::LocusSeparator, 0);
}

TEST_F(ProjectRunTest, StopRequestIsLoggedAndTheRunCompletes)
{
    use_settings({});
    s.stop_requested = 1;
    ASSERT_EQ(run(add_project("dna2.drp", "p.drp")), 1);
    std::string log = take_log();
    auto warning = log.find(" WARNING !!! Process stopped by user. The results may be incorrect\n");
    ASSERT_NE(warning, std::string::npos);
    EXPECT_LT(warning, log.find("END OF RUN NUMBER 1"));
    EXPECT_NE(results("p").find("END OF RUN NUMBER 1"), std::string::npos);
}

TEST_F(ProjectRunTest, ResultsFileThatCannotBeMadeFailsTheRun)
{
    std::string path = add_project("dna2.drp", "p.drp");
    fs::create_directories(dir / "p.res" / "p.htm");  // a folder where the file should be
    use_settings({});
    EXPECT_EQ(run(path), 0);
    EXPECT_EQ(project.run_number, 0);
    EXPECT_NE(take_log().find("from function \"Project::run()\" : invalid stream"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "p.res" / "p.drp"));  // the cleaned copy
    EXPECT_EQ(s.results_stream, nullptr);
}

TEST_F(ProjectRunTest, ErrorInsideAnAnalysisEndsTheRunCleanly)
{
    for (const char* failing : {"Population 'Group2", "Population 'c"}) {
        SCOPED_TRACE(failing);
        use_settings({{"TaskNumber", "1"}, {"ComputeSumStatsWithinGroups", "1"}});
        std::string path = add_project("groups7.drp", "p.drp");
        Samples* own_samples = project.samples;
        Structure* own_structure = project.structure;

        int result = with_failing_log(failing, [&] { return run(path); });

        EXPECT_EQ(result, 0);
        EXPECT_NE(take_log().find("The run was interrupted by an error: analysis failed"),
                  std::string::npos);
        std::string text = results("p");
        EXPECT_EQ(text.substr(text.size() - 25), "\n</PRE>\n</body>\n</html>\n\n");
        EXPECT_EQ(text.find("END OF RUN NUMBER"), std::string::npos);
        EXPECT_FALSE(fs::exists(dir / "p.res" / "p.drp"));
        EXPECT_EQ(project.samples, own_samples);
        EXPECT_EQ(project.structure, own_structure);
        EXPECT_EQ(project.samples->Populations.count, 0);
        EXPECT_EQ(project.structure->NbGroups, 0);
        EXPECT_EQ(s.results_stream, nullptr);
        EXPECT_EQ(E.results_stream, nullptr);
    }

    // The next project of the run list runs as usual.
    use_settings({});
    EXPECT_EQ(run(add_project("dna2.drp", "next.drp")), 1);
    EXPECT_NE(results("next").find("END OF RUN NUMBER 3"), std::string::npos);
}

// The process-wide collector enabled for a test and put back afterwards.
class SummaryLineRunTest : public ProjectRunTest {
protected:
    void SetUp() override
    {
        ProjectRunTest::SetUp();
        SumStat.resetComputationFlags();
        SumStat.enabled = true;
        SumStat.checkForStat(my_string("GROUP_LEVEL POP_LEVEL ALL_K"));
        // Values of an earlier project, which the runs' own replace.
        SumStat.K.count = 0;
        SumStat.K.Add(1.0);
        SumStat.K.Add(2.0);
    }

    void TearDown() override
    {
        SumStat.resetComputationFlags();
        SumStat.enabled = false;
        SumStat.K.count = 0;
        ProjectRunTest::TearDown();
    }
};

TEST_F(SummaryLineRunTest, GroupAndPopulationLevelsFormOneLine)
{
    use_settings({{"TaskNumber", "1"}});
    ASSERT_EQ(run(add_project("groups7.drp", "p.drp")), 1);
    ASSERT_EQ(run(add_project("dna2.drp", "q.drp")), 1);
    // The haplotypes of each pooled group and of each sample; the second
    // project fills the columns it has of the first one's header.
    EXPECT_EQ(SumStat.headerText,
              "gr_K_1\tgr_K_2\tgr_K_3\tK_1\tK_2\tK_3\tK_4\tK_5\tK_6\tK_7\t\n");
    EXPECT_EQ(SumStat.valuesText, "2\t1\t3\t1\t1\t1\t1\t1\t1\t1\t\n"
                                  "2\t2\tNA\t2\t2\tNA\tNA\tNA\tNA\tNA\t\n");
    EXPECT_FALSE(SumStat.atGroupLevel);
}

TEST_F(SummaryLineRunTest, FailedRunLeavesNoPartOfItsLine)
{
    use_settings({{"TaskNumber", "1"}});
    std::string path = add_project("groups7.drp", "p.drp");
    // Fails inside the population level, after the group level's part of the line.
    ASSERT_EQ(with_failing_log("Population 'c", [&] { return run(path); }), 0);
    EXPECT_EQ(SumStat.headerText, "");
    EXPECT_EQ(SumStat.valuesText, "");

    ASSERT_EQ(run(add_project("dna2.drp", "q.drp")), 1);
    EXPECT_EQ(SumStat.headerText, "gr_K_1\tgr_K_2\tK_1\tK_2\t\n");
    EXPECT_EQ(SumStat.valuesText, "2\t2\t2\t2\t\n");
}

}  // namespace
