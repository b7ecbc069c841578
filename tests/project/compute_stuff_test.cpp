// The per-sample driver of an analysis level: log lines, the LD and Gibbs
// phase files, the allele frequency arrays, and the work estimate of a run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "analyses/datatypes/popul_standard.h"
#include "project/sample_project_fixture.h"

namespace {

class ComputeStuffTest : public SampleProjectTest {
protected:
    std::filesystem::path phases;

    void SetUp() override
    {
        SampleProjectTest::SetUp();
        s.results_file = (dir / "run.htm").string().c_str();
        s.ld_file = (dir / "ld.txt").string().c_str();
        s.GibbsOutputGamPhase = 0;
        phases = dir / "PhaseDistribution";
    }

    int compute() { return project.samples->compute_stuff(&project, s); }
};

TEST_F(ComputeStuffTest, EverySampleRunsBetweenTwoLogLines)
{
    EXPECT_EQ(compute(), 1);
    EXPECT_EQ(log_text(), "");

    haplotypic_sample("pop A", {{"A", 1}});
    haplotypic_sample("pop B", {{"A", 1}});
    EXPECT_EQ(compute(), 1);
    EXPECT_EQ(log_text(), "\nPopulation 'pop A' : \ndone in N ms\n\nPopulation 'pop B' : \ndone in N ms\n");
    EXPECT_FALSE(std::filesystem::exists(phases));
}

TEST_F(ComputeStuffTest, LinkageFileOfAnEarlierRunIsEmptied)
{
    const struct {
        const char* title;
        int task;
        bool present;
        bool exists_after;
        const char* content_after;
    } cases[] = {
        {"task off, file kept", 0, true, true, "old"},
        {"task on, file emptied", settings::LINKAGE_DISEQUILIBRIUM, true, true, ""},
        {"task on, no file made", settings::LINKAGE_DISEQUILIBRIUM, false, false, ""},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        std::filesystem::remove(dir / "ld.txt");
        if (c.present)
            write_file("ld.txt", "old");
        s.TaskNumber = c.task;
        compute();
        EXPECT_EQ(std::filesystem::exists(dir / "ld.txt"), c.exists_after);
        if (c.exists_after) {
            EXPECT_EQ(read_text(dir / "ld.txt"), c.content_after);
        }
    }
}

TEST_F(ComputeStuffTest, ModalPhaseFileHoldsEverySample)
{
    use_profile(MICROSAT, 1, 0, ' ');
    genotypic_sample("A", {{"12 14", "12 16", 1}, {"12 14", "12 14", 2}});
    genotypic_sample("B", {{"10 14", "12 16", 1}});
    s.GibbsOutputGamPhase = 1;
    s.GibbsNumSamples = 0;

    EXPECT_EQ(compute(), 1);

    EXPECT_EQ(std::string(settings::gibbs_BatchFilename.str),
              (phases / "QKR_PhaseDistribution.drb").string());
    EXPECT_EQ(read_text(phases / "QKR_PhaseDistribution.drb"), "QKR_Best_Phases.drp\n");
    // SampleSize counts individuals, as the project reader expects.
    EXPECT_EQ(read_text(phases / "QKR_Best_Phases.drp"),
              "\n[Profile]\n"
              "\tTitle=\"Modal phase estimated with the QKR algorithm\"\n"
              "\tNbSamples=2\n\tGenotypicData=1\n\tGameticPhase=1\n\tRecessiveData=0\n"
              "\tDataType=MICROSAT\n\tLocusSeparator=TAB\n\tMissingData='?'\n"
              "\n[Data]\n\t[[Samples]]\n\n"
              "\t\tSampleName=\"A\"\n\t\tSampleSize=3\n\t\tSampleData= {\n\n\t\t}\n"
              "\t\tSampleName=\"B\"\n\t\tSampleSize=1\n\t\tSampleData= {\n\n\t\t}\n"
              "[[Structure]]\nStructureName=\"Simulated data\"\nNbGroups=1\nGroup={\n"
              "    \"A\"\n    \"B\"\n\t}\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(phases),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(ComputeStuffTest, SampledPhaseFilesAreListedAndMadeAfreshEachLevel)
{
    use_profile(DNA, 1, 0);
    genotypic_sample("A", {{"AC", "AG", 1}});
    s.GibbsOutputGamPhase = 1;
    s.GibbsNumSamples = 3;

    compute();
    compute();

    EXPECT_EQ(read_text(phases / "QKR_PhaseDistribution.drb"),
              "QKR_Best_Phases.drp\nQKR_EstimatedPhase#0.drp\nQKR_EstimatedPhase#1.drp\n"
              "QKR_EstimatedPhase#2.drp\n");
    std::string sampled = read_text(phases / "QKR_EstimatedPhase#2.drp");
    EXPECT_EQ(sampled.find("\tTitle=\"Genotypic data with phase estimated with the QKR algorithm\"\n"
                           "\tNbSamples=1\n"),
              std::string("\n[Profile]\n").size());
    EXPECT_NE(sampled.find("\tDataType=DNA\n\tLocusSeparator=NONE\n"), std::string::npos);
    // One head, one sample block and one structure block: the second level
    // replaced the first.
    EXPECT_EQ(sampled.find("[Profile]"), sampled.rfind("[Profile]"));
    EXPECT_EQ(sampled.find("SampleName=\"A\""), sampled.rfind("SampleName=\"A\""));
    std::string end = "Group={\n    \"A\"\n\t}\n";
    EXPECT_EQ(sampled.substr(sampled.size() - end.size()), end);
    EXPECT_EQ(std::string(s.phase_file_names[3].str), (phases / "QKR_EstimatedPhase#2.drp").string());
}

TEST_F(ComputeStuffTest, NoSampleRunsWhenThePhaseFolderCannotBeMade)
{
    haplotypic_sample("A", {{"A", 1}});
    write_file("PhaseDistribution", "a file in the way");
    s.GibbsOutputGamPhase = 1;
    s.GibbsNumSamples = 1;

    EXPECT_EQ(compute(), 0);

    std::string log = log_text();
    EXPECT_EQ(log.find("Population"), std::string::npos);
    EXPECT_EQ(log.find(report(1, "WARNING", 1, "Samples::compute_stuff()", 9)), 0u) << log;
    EXPECT_NE(log.find("PhaseDistribution\""), std::string::npos) << log;
    EXPECT_EQ(s.phase_streams, nullptr);
}

TEST_F(ComputeStuffTest, UnwritablePhaseFileIsReportedOnce)
{
    haplotypic_sample("A", {{"A", 1}});
    std::filesystem::create_directories(phases / "QKR_Best_Phases.drp");
    s.GibbsOutputGamPhase = 1;
    s.GibbsNumSamples = 0;

    EXPECT_EQ(compute(), 1);

    std::string log = log_text();
    EXPECT_EQ(log.find(report(1, "WARNING", 1, "Samples::compute_stuff()", 9)), 0u) << log;
    EXPECT_EQ(log.find("WARNING # 2"), std::string::npos) << log;
    EXPECT_NE(log.find("Population 'A'"), std::string::npos);
}

TEST_F(ComputeStuffTest, StandardIndicesGiveEveryAlleleOneFrequencyPerSample)
{
    haplotypic_sample("A", {{"A", 1}});
    haplotypic_sample("B", {{"A", 1}});
    project.allele_db.InsertAllPos(0, 'A', 1.0);
    s.allele_db = &project.allele_db;
    s.TaskNumber = settings::STANDARD_INDICES;

    compute();

    TAllele* a = project.allele_db.loci[0]->alleles[0];
    ASSERT_NE(a->pop_freq, nullptr);
    EXPECT_EQ(a->pop_freq_len, 2);
}

// The format translator asks only for the allele vectors (TaskNumber exactly
// 0x1000), the recessive allele entered first when RecessiveAllelesEM is set.
TEST_F(ComputeStuffTest, PreparationForPermutationsOnlyBuildsAlleleVectors)
{
    for (int task : {int(settings::AMOVA_PERMUTATION_PREPARATION),
                     settings::AMOVA_PERMUTATION_PREPARATION | settings::STANDARD_INDICES}) {
        SCOPED_TRACE(task);
        project.clean();
        use_profile(STANDARD, 1, 0);
        PopulStandard* typed = new PopulStandard(genotypic_sample("A", {{"12", "34", 1}}));
        typed->alleleDB = &project.allele_db;
        project.samples->Populations.Flush();
        project.samples->Populations.Add(typed);
        s.TaskNumber = task;
        s.RecessiveAllelesEM = 1;

        EXPECT_EQ(compute(), 1);

        EXPECT_EQ(typed->RecessiveAllelesEM, 1);
        TPhenotype* individual = typed->individuals.phenotypes[0];
        if (task != settings::AMOVA_PERMUTATION_PREPARATION) {
            EXPECT_EQ(individual->pseudo_hapl[0], nullptr);
            EXPECT_EQ(project.allele_db.loci.count, 0);
            continue;
        }
        ASSERT_NE(individual->pseudo_hapl[1], nullptr);
        EXPECT_STREQ(individual->pseudo_hapl[1]->alleles[1]->name.str, "4");
        ASSERT_EQ(project.allele_db.loci.count, 2);
        EXPECT_STREQ(project.allele_db.loci[0]->alleles[0]->name.str, "null");
        EXPECT_EQ(log_text(), "\nPopulation 'A' : \ndone in N ms\n");
    }
}

// Work units of a run of four-locus samples, each case from no task at all.
TEST_F(ComputeStuffTest, WorkEstimate)
{
    const struct {
        const char* title;
        int samples;
        int genotypic;
        int phase;
        int task;
        std::function<void(settings&)> setup;
        double units;
    } cases[] = {
        {"differentiation, 20000 steps", 2, 0, 1, settings::EXACT_DIFFERENTIATION_TEST,
         [](settings& s) { s.NumPermutPopDiff = 20000; }, 40.0},
        {"differentiation, 19999 steps", 2, 0, 1, settings::EXACT_DIFFERENTIATION_TEST,
         [](settings& s) { s.NumPermutPopDiff = 19999; }, 19999 * 2 / 500.0},
        {"Hardy-Weinberg by locus", 1, 1, 1, settings::HARDY_WEINBERG,
         [](settings& s) { s.TypeOfTestHW = 0; }, 4000},
        {"Hardy-Weinberg by haplotype", 1, 1, 1, settings::HARDY_WEINBERG,
         [](settings& s) { s.TypeOfTestHW = 1; }, 1000},
        {"Hardy-Weinberg both ways", 1, 1, 1, settings::HARDY_WEINBERG,
         [](settings& s) { s.TypeOfTestHW = 2; }, 5000},
        {"AMOVA global and by locus", 2, 0, 1, settings::AMOVA,
         [](settings& s) { s.HaplAMOVA = s.LocByLocAMOVA = 1; }, 30 + 120},
        {"Tajima and Fu", 2, 0, 1, settings::TAJIMA_TEST | settings::FU_FS_TEST, nullptr, 80},
        {"EM zipper", 1, 1, 0, settings::HAPLOTYPE_FREQUENCIES,
         [](settings& s) {
             s.ComputeAllHaplotypesEM = 1;
             s.EMUseZipper = 1;
             s.EMLociRandOrder = 0;
             s.EMWinSize = 3;  // 4 / 3 windows: 1
         },
         50 * 100},
        {"EM zipper with a window of 0", 1, 1, 0, settings::HAPLOTYPE_FREQUENCIES,
         [](settings& s) {
             s.ComputeAllHaplotypesEM = 1;
             s.EMUseZipper = 1;
             s.EMLociRandOrder = 0;
             s.EMWinSize = 0;
         },
         4 * 50 * 100},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        project.clean();
        use_profile(DNA, c.genotypic, c.phase);
        for (int i = 0; i < c.samples; ++i) {
            if (c.genotypic)
                genotypic_sample("G", {{"ACGT", "ACGT", 1}});
            else
                haplotypic_sample("H", {{"ACGT", 1}});
        }
        for (int i = 0; i < project.haplo_list.list.count; ++i)
            project.haplo_list.list[i]->build_haplovect(&project.allele_db, 0, 0, 0.1);
        s.reset_initial_values();
        s.MakeHWExactTest = 1;
        s.NumBootstrapReplicatesEM = 0;
        s.GibbsInferGamPhase = 0;
        s.ComputeAllSubHaplotypesEM = 0;
        s.IncludeIndividualLevel = 0;
        s.NumPermutationsAMOVA = 1000;
        s.NumSimulFuTest = 1000;
        s.TaskNumber = c.task;
        if (c.setup)
            c.setup(s);
        settings::global_work_done = 7;

        project.samples->evaluate_work(s);

        EXPECT_DOUBLE_EQ(settings::global_work_to_do, c.units);
        EXPECT_EQ(settings::global_work_done, 0);
    }
}

TEST_F(ComputeStuffTest, NumberOfLociOfASample)
{
    Population& empty = haplotypic_sample("E", {});
    EXPECT_EQ(empty.evaluate_nb_loci(), 0);
    Population& h = haplotypic_sample("H", {{"ACGT", 1}});
    project.haplo_list.list[0]->build_haplovect(&project.allele_db, 0, 0, 0.1);
    EXPECT_EQ(h.evaluate_nb_loci(), 4);

    use_profile(STANDARD, 1, 1, ' ');
    Population& g = genotypic_sample("G", {{" 12  14 16 ", "12 14 16", 1}});
    EXPECT_EQ(g.evaluate_nb_loci(), 3);
    ProfileSettings::LocusSeparator = 0;
    EXPECT_EQ(g.evaluate_nb_loci(), 11);
    Population& none = genotypic_sample("N", {});
    EXPECT_EQ(none.evaluate_nb_loci(), 0);
}

}  // namespace
