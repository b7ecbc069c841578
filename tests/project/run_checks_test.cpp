// Task checks before a run: tasks switched off or refused by the data,
// dependent settings, and the preparation of the data.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "project/sample_project_fixture.h"

namespace {

using RunChecksTest = SampleProjectTest;

const char* const CHECKING = "  Checking all selected options...\n";
const char* const BUILDING = "\t\tBuilding vectors of alleles...\n\t\tdone in N ms\n";
const char* const SETTINGS_CHECKED = "  done!\n  check selected settings...\n  done!\n";

TEST_F(RunChecksTest, ProjectWithoutSamplesIsRefused)
{
    EXPECT_EQ(project.make_run_possible(), 0);
    EXPECT_EQ(log_text(), std::string(CHECKING) +
                              report(1, "ERROR", 1, "Project::make_run_possible()", 123));
    EXPECT_EQ(s.allele_db, &project.allele_db);
}

TEST_F(RunChecksTest, HaplotypicDataGetAlleleVectorsOnce)
{
    haplotypic_sample("A", {{"ACG", 2}, {"ATG", 1}});
    haplotypic_sample("B", {{"ACG", 4}});

    ASSERT_EQ(project.make_run_possible(), 1);

    EXPECT_EQ(log_text(), std::string(CHECKING) + BUILDING + SETTINGS_CHECKED);
    EXPECT_EQ(project.haplo_vectors_built, 1);
    ASSERT_EQ(project.allele_db.loci.count, 3);
    // The recessive slot is allele 0 of every locus; the data come after it.
    TLocus* second = project.allele_db.loci[1];
    EXPECT_STREQ(second->alleles[0]->name.str, "null");
    HaploDef* acg = project.haplo_list.list[0];
    ASSERT_EQ(acg->haplovect.count, 3);
    EXPECT_EQ(acg->haplovect[1], second->alleles[1]);
    EXPECT_EQ(project.samples->Populations[1]->alleleDB, &project.allele_db);

    // The vectors are not built a second time.
    ASSERT_EQ(project.make_run_possible(), 1);
    EXPECT_EQ(log_text(), std::string(CHECKING) + SETTINGS_CHECKED);
    EXPECT_EQ(acg->haplovect.count, 3);
}

TEST_F(RunChecksTest, KnownPhaseIndividualsBecomeHaplotypes)
{
    use_profile(DNA, 1, 1);
    genotypic_sample("A", {{"AC", "AG", 1}, {"AC", "AC", 2}});

    ASSERT_EQ(project.make_run_possible(), 1);

    EXPECT_EQ(log_text(), std::string(CHECKING) + BUILDING +
                              "\t\tProcessing phenotypes into pseudo-haplotypes...\n"
                              "\t\tdone in N ms\n" +
                              BUILDING + SETTINGS_CHECKED);
    EXPECT_EQ(project.phenotypes_converted, 1);
    EXPECT_EQ(project.haplo_vectors_built, 1);
    Population& p = *project.samples->Populations[0];
    ASSERT_EQ(p.haplotypes.count, 2);
    EXPECT_EQ(p.haplotypes[0]->count, 5);
    EXPECT_EQ(p.haplotypes[0]->haplotype->haplovect.count, 2);
    TPhenotype* first = p.individuals.phenotypes[0];
    EXPECT_STREQ(first->pseudo_hapl[1]->alleles[1]->name.str, "G");
}

TEST_F(RunChecksTest, UnknownPhaseKeepsIndividualsAndHidesHaplotypePrintouts)
{
    use_profile(STANDARD, 1, 0, ' ');
    genotypic_sample("A", {{"12 14", "12 16", 1}});
    s.TaskNumber = settings::HAPLOTYPE_FREQUENCIES;
    s.PrintMinSpannNetworkPop = s.PrintMinSpannNetworkGlob = s.PrintDistanceMatrix = 1;
    s.PrintPopDistMat = s.PrintHaplDistMat = 1;

    ASSERT_EQ(project.make_run_possible(), 1);

    EXPECT_EQ(project.phenotypes_converted, 0);
    EXPECT_EQ(project.samples->Populations[0]->haplotypes.count, 0);
    EXPECT_EQ(s.PrintMinSpannNetworkPop + s.PrintMinSpannNetworkGlob + s.PrintDistanceMatrix +
                  s.PrintPopDistMat + s.PrintHaplDistMat,
              0);
}

struct SwitchCase {
    const char* title;
    TDataType type;
    int genotypic;
    int task_in;
    int task_out;
    std::function<void(settings&)> setup;
    const char* notice;  // what the checks write besides their frame
};

TEST_F(RunChecksTest, TasksTheDataCannotSupportAreSwitchedOff)
{
    const SwitchCase cases[] = {
        {"Hardy-Weinberg on haplotypes", DNA, 0, 0x20 | 0x1, 0x1, nullptr,
         "     !!!Hardy-Weinberg disequilibrium test is not possible on Haplotypic data,\n"
         "        this task will be skipped.\n"},
        {"Hardy-Weinberg with recessive alleles", STANDARD, 1, 0x20, 0,
         [](settings& s) { s.RecessiveAllelesEM = 1; },
         "   !!!Hardy-Weinberg disequilibrium test is not possible with recessive data,\n"
         "      skipping task...\n"},
        {"assignment on haplotypes", STANDARD, 0, 0x8000, 0, nullptr,
         "   !!!The computation of the likelihood of all individuals in each\n"
         "      population is only possible for Genotypic data \n"
         "      skipping the task...\n"},
        {"infinite-allele tests on microsatellites", MICROSAT, 0, 0x80 | 0x100 | 0x2, 0x2,
         nullptr, ""},
        {"Mantel test alone", STANDARD, 0, 0x10000, 0x10400, nullptr, ""},
        {"Mantel test with the user's Y matrix", STANDARD, 0, 0x10000, 0x10000,
         [this](settings&) { project.mantel.YMatrix = "custom"; }, ""},
    };
    for (SwitchCase const& c : cases) {
        SCOPED_TRACE(c.title);
        project.clean();
        project.haplo_vectors_built = 0;
        use_profile(c.type, c.genotypic, 0);
        if (c.genotypic)
            genotypic_sample("A", {{"1", "2", 1}});
        else
            haplotypic_sample("A", {{"1", 1}});
        s.TaskNumber = c.task_in;
        s.RecessiveAllelesEM = 0;
        if (c.setup)
            c.setup(s);
        log_text();

        ASSERT_EQ(project.make_run_possible(), 1);

        EXPECT_EQ(s.TaskNumber, c.task_out);
        std::string log = log_text();
        std::string frame_removed = log;
        for (const char* part : {CHECKING, BUILDING, SETTINGS_CHECKED}) {
            auto at = frame_removed.find(part);
            ASSERT_NE(at, std::string::npos) << log;
            frame_removed.erase(at, std::string(part).size());
        }
        EXPECT_EQ(frame_removed, c.notice);
    }
}

TEST_F(RunChecksTest, AmovaNeedsSamplesPlacedInSeveralGroups)
{
    const std::string skipped = "  An AMOVA analysis was selected and no Genetic structure\n"
                                "  is defined, AMOVA task is skipped.\n";
    auto warning = [](int n, int message) {
        return report(n, "WARNING", n, "Project::IsAmovaStructure()", message);
    };
    const struct {
        const char* title;
        std::vector<std::vector<int>> groups;  // sample indices of each group
        std::string notice;
    } cases[] = {
        {"no structure", {}, warning(1, 123) + warning(2, 124) + warning(3, 125) + skipped},
        {"one sample per group", {{0}, {1}}, warning(1, 125) + skipped},
        {"one group of one sample", {{0}}, ""},
        {"two groups of three samples", {{0, 2}, {1}}, ""},
    };
    haplotypic_sample("A", {{"AC", 1}});
    haplotypic_sample("B", {{"AC", 1}});
    haplotypic_sample("C", {{"AG", 1}});
    project.haplo_vectors_built = 1;
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        Structure& structure = *project.structure;
        structure.reset();
        int n = static_cast<int>(c.groups.size());
        if (n > 0) {
            structure.NbGroups = n;
            structure.GroupSizes = new int[n]();
            structure.Groups = new MY_TIArrayAsVector<Population>[n];
        }
        for (int g = 0; g < n; ++g) {
            structure.Groups[g].owns = 0;
            for (int i : c.groups[g]) {
                structure.Groups[g].Add(project.samples->Populations[i]);
                ++structure.GroupSizes[g];
                ++structure.NbMembers;
            }
        }
        s.TaskNumber = settings::AMOVA;
        s.HaplAMOVA = 1;
        s.ComputeConventionalFST = 1;
        log_text();

        ASSERT_EQ(project.make_run_possible(), 1);

        EXPECT_EQ(s.TaskNumber, c.notice.empty() ? int(settings::AMOVA) : 0);
        EXPECT_EQ(log_text(), CHECKING + c.notice + SETTINGS_CHECKED);
    }
}

TEST_F(RunChecksTest, FewDememorisationStepsAreRaised)
{
    haplotypic_sample("A", {{"A", 1}});
    s.MarkovChainDememorisationStepsLD = 499;
    s.MarkovChainDememorisationStepsHW = 100;
    ASSERT_EQ(project.make_run_possible(), 1);
    EXPECT_EQ(s.MarkovChainDememorisationStepsLD, 1000);
    EXPECT_EQ(s.MarkovChainDememorisationStepsHW, 1000);
    EXPECT_NE(log_text().find(
                  "  check selected settings...\n"
                  " Too few steps for dememorization (499 ) in linkage disequilibrium test, "
                  "setting it to 1000...\n"
                  " Too few steps for dememorization (100 ) in Hardy-Weinberg disequilibrium "
                  "test, setting it to 1000...\n  done!\n"),
              std::string::npos);

    s.MarkovChainDememorisationStepsLD = 500;
    ASSERT_EQ(project.make_run_possible(), 1);
    EXPECT_EQ(s.MarkovChainDememorisationStepsLD, 500);
    EXPECT_EQ(log_text().find("Too few"), std::string::npos);
}

TEST_F(RunChecksTest, FrequencyDataTestedForStructureByConventionalFst)
{
    use_profile(FREQUENCY, 0, 1);
    haplotypic_sample("A", {{"", 3}});
    s.TaskNumber = settings::AMOVA;
    s.ComputeConventionalFST = 0;
    s.ComputeDistanceMatrixAMOVA = 0;
    s.InferHaplotypeDefinitionFromDistanceMatrix = 1;

    ASSERT_EQ(project.make_run_possible(), 1);

    EXPECT_EQ(s.ComputeConventionalFST, 1);
    EXPECT_EQ(s.ComputeDistanceMatrixAMOVA, 1);
    EXPECT_EQ(s.InferHaplotypeDefinitionFromDistanceMatrix, 0);
    EXPECT_NE(log_text().find(
                  "    !!!No matrix was specified in input file, Drovalen will compute it from "
                  "the data\n"
                  "   !!!No molecular information is available for testing genetic structure,\n"
                  "      haplotype frequencies will be used, and conventional Fst will be "
                  "computed\n"),
              std::string::npos);
}

TEST_F(RunChecksTest, ComputedDistancesReplaceTheProjectMatrix)
{
    haplotypic_sample("A", {{"AC", 1}});
    project.dist_mat.initializeMatrixAndArrays(3);
    s.TaskNumber = settings::PAIRWISE_FST;
    s.ComputeConventionalFST = 1;
    s.ComputeDistanceMatrixAMOVA = 0;
    s.EliminateRedondHaplodefs = 1;

    ASSERT_EQ(project.make_run_possible(), 1);

    EXPECT_EQ(s.ComputeDistanceMatrixAMOVA, 1);
    EXPECT_EQ(project.dist_mat.size, 0);
    EXPECT_EQ(log_text().find("No matrix"), std::string::npos);
}

TEST_F(RunChecksTest, RecessiveDataOfKnownPhaseRefuseTestsOnHaplotypes)
{
    for (int task : {int(settings::EXACT_DIFFERENTIATION_TEST), int(settings::AMOVA)}) {
        SCOPED_TRACE(task);
        project.clean();
        use_profile(STANDARD, 1, 1);
        project.profile.RecessiveData = 1;
        genotypic_sample("A", {{"1", "2", 1}});
        s.TaskNumber = task;
        log_text();

        EXPECT_EQ(project.make_run_possible(), 0);
        std::string log = log_text();
        EXPECT_NE(log.find(report(1, "ERROR", 1, "Project::make_run_possible()", 138)),
                  std::string::npos)
            << log;
        project.profile.RecessiveData = 0;
    }
}

TEST_F(RunChecksTest, SettingsThatWouldBreakAnAnalysisAreCorrected)
{
    use_profile(STANDARD, 1, 0);
    genotypic_sample("A", {{"1", "2", 1}});
    s.TaskNumber = settings::HARDY_WEINBERG | settings::HAPLOTYPE_FREQUENCIES;
    s.MakeHWExactTest = 1;
    s.MarkovChainStepsHW = 0;
    s.EMUseZipper = 1;
    s.EMWinSize = 0;
    s.GibbsNumSamples = -4;
    s.NumPermutationsFST = -1;

    ASSERT_EQ(project.make_run_possible(), 1);

    EXPECT_EQ(s.MarkovChainStepsHW, 1000000);
    EXPECT_EQ(s.EMWinSize, 1);
    EXPECT_EQ(s.GibbsNumSamples, 0);
    EXPECT_EQ(s.NumPermutationsFST, 0);
    std::string log = log_text();
    EXPECT_NE(log.find(" Invalid value for EMWinSize (0 ), setting it to 1...\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find(report(4, "WARNING", 4, "Project::make_run_possible()", 55)),
              std::string::npos)
        << log;
}

TEST_F(RunChecksTest, EntriesMissingAtEveryLocusAreRemoved)
{
    Population& h = haplotypic_sample("H", {{"ACG", 3}, {"???", 2}, {"A??", 1}});
    ASSERT_EQ(project.make_run_possible(), 1);
    EXPECT_EQ(h.haplotypes.count, 2);
    EXPECT_DOUBLE_EQ(h.SampleSize, 4);
    EXPECT_DOUBLE_EQ(h.inv_sample_size, 0.25);
    EXPECT_EQ(h.num_haplotypes, 2);
    my_string missing("???");
    EXPECT_EQ(project.haplo_list.find(missing)->count, 0);

    project.clean();
    use_profile(STANDARD, 1, 0);
    Population& g = genotypic_sample("G", {{"12", "??", 1}, {"??", "??", 2}, {"1?", "?2", 1}});
    ASSERT_EQ(project.make_run_possible(), 1);
    ASSERT_EQ(g.individuals.phenotypes.count, 2);
    EXPECT_DOUBLE_EQ(g.SampleSize, 4);
    EXPECT_DOUBLE_EQ(g.individuals.phenotypes[1]->rel_freq, 0.5);
}

TEST_F(RunChecksTest, InconsistentSamplesRefuseTheRun)
{
    const struct {
        const char* title;
        std::function<void()> build;
        int message;
    } cases[] = {
        {"haplotypes of different lengths",
         [this] { haplotypic_sample("A", {{"AC", 1}, {"ACG", 1}}); }, 70},
        {"individuals of different lengths",
         [this] {
             use_profile(DNA, 1, 1);
             genotypic_sample("A", {{"AC", "AC", 1}, {"ACG", "ACG", 1}});
         },
         69},
        {"samples of different lengths",
         [this] {
             haplotypic_sample("A", {{"AC", 1}});
             haplotypic_sample("B", {{"ACG", 1}});
         },
         71},
        {"sample without data",
         [this] {
             haplotypic_sample("A", {{"AC", 1}});
             haplotypic_sample("B", {});
         },
         68},
        {"sample emptied by missing data",
         [this] {
             haplotypic_sample("A", {{"AC", 1}});
             haplotypic_sample("B", {{"??", 4}});
         },
         68},
        // The gene copies of all samples are counted in ints once converted.
        {"individuals too many for the gene-copy counts",
         [this] {
             use_profile(DNA, 1, 1);
             genotypic_sample("A", {{"AC", "AC", 600000000}});
             genotypic_sample("B", {{"AC", "AC", 600000000}});
         },
         179},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        project.clean();
        project.haplo_vectors_built = 0;
        use_profile(DNA, 0, 1);
        c.build();
        log_text();

        EXPECT_EQ(project.make_run_possible(), 0);
        EXPECT_NE(log_text().find(report(1, "ERROR", 1, "Samples::verify_data()", c.message)),
                  std::string::npos);
    }
}

TEST_F(RunChecksTest, SwitchesApplyAgainAfterTheSettingsAreReadAgain)
{
    haplotypic_sample("A", {{"A", 1}});
    ASSERT_EQ(project.make_run_possible(), 1);
    log_text();

    // As read again from the settings file.
    s.TaskNumber = settings::HARDY_WEINBERG | settings::STANDARD_INDICES;
    s.MarkovChainDememorisationStepsLD = 10;
    project.apply_task_switches();

    EXPECT_EQ(s.TaskNumber, int(settings::STANDARD_INDICES));
    EXPECT_EQ(s.MarkovChainDememorisationStepsLD, 1000);
    EXPECT_EQ(log_text().find("Building"), std::string::npos);
}

TEST_F(RunChecksTest, DnaTextPreparedBeforeTheChecks)
{
    haplotypic_sample("A", {{"ac g", 1}});
    haplotypic_sample("B", {{"ac g", 2}, {"a\tt g", 1}});
    ProfileSettings::LocusSeparator = ' ';

    project.samples->convert_dna_upper();
    project.samples->rm_separators();

    EXPECT_STREQ(project.haplo_list.list[0]->content.str, "ACG");
    EXPECT_STREQ(project.haplo_list.list[1]->content.str, "ATG");
    EXPECT_EQ(ProfileSettings::LocusSeparator, 0);

    // Individuals of genotypic samples; RFLP data keep their case.
    project.clean();
    use_profile(RFLP, 1, 1, ' ');
    genotypic_sample("C", {{"0 1", "1 1", 1}});
    project.samples->convert_dna_upper();
    project.samples->rm_separators();
    EXPECT_STREQ(project.samples->Populations[0]->individuals.phenotypes[0]->gene_copy[0].str,
                 "01");
    EXPECT_EQ(ProfileSettings::LocusSeparator, 0);
}

TEST_F(RunChecksTest, TextPreparationStopsAtAnEmptySample)
{
    haplotypic_sample("A", {});
    ProfileSettings::LocusSeparator = ' ';

    project.samples->rm_separators();
    EXPECT_EQ(ProfileSettings::LocusSeparator, ' ');
    project.samples->convert_dna_upper();
    EXPECT_EQ(log_text(), report(1, "ERROR", 1, "Samples::rm_separators()", 68) +
                              report(2, "ERROR", 2, "Samples::convert_dna_upper()", 68));
}

}  // namespace
