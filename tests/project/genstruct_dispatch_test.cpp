// The genetic-structure dispatcher: which analyses run for which task bits
// and settings, the refusals of unknown-phase and recessive data, the
// conversion of individuals, and its entries in the results and the tree.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "project/genstruct_dispatch.h"
#include "project/run_fixture.h"

namespace {

// The steps of a plan in words, so that a failing case shows what differs.
std::string describe(GenStructSteps const& p)
{
    std::string text;
    auto add = [&](bool on, std::string const& word) {
        if (on)
            text += (text.empty() ? "" : " ") + word;
    };
    add(p.structure_folder, "folder");
    add(p.structure_banner, "banner");
    add(p.distance_matrix, "matrix");
    add(p.print_distance_matrix, "print-matrix");
    add(p.amova_block, "block");
    add(p.f_statistics_line, "F-line");
    char task[16];
    std::snprintf(task, sizeof task, "%#x", p.amova_task_number);
    add(p.amova, std::string("amova(") + task + ")");
    add(p.amova_entry, "amova-entry");
    add(p.locus_by_locus, "locus-by-locus");
    add(p.exact_test, "exact");
    return text;
}

TEST(GenStructPlan, StepsFollowTaskBitsAndSettings)
{
    struct Case {
        const char* name;
        std::function<void(settings&)> set;
        std::string steps;
        bool amova_refused = false;  // unknown phase with conventional F-statistics
    };
    const std::vector<Case> cases = {
        {"nothing selected", [](settings& s) { s.TaskNumber = 0x1; }, ""},
        {"exact test alone",
         [](settings& s) { s.TaskNumber = 0x2000; s.ComputeDistanceMatrixAMOVA = 1; },
         "folder exact"},
        {"Mantel alone with computed distances",
         [](settings& s) { s.TaskNumber = 0x10000; s.ComputeDistanceMatrixAMOVA = 1; },
         "matrix block amova(0x10000)"},
        {"Mantel alone with the given matrix", [](settings& s) { s.TaskNumber = 0x10000; },
         "block amova(0x10000)"},
        {"AMOVA and FST without global AMOVA: pairwise comparisons only",
         [](settings& s) { s.TaskNumber = 0x600; s.ComputePairwiseFST = 1; },
         "folder banner block amova(0x400)"},
        {"AMOVA with Mantel keeps its bit",
         [](settings& s) { s.TaskNumber = 0x10200; },
         "block amova(0x10200)"},
        {"global AMOVA with computed distances, printed",
         [](settings& s) {
             s.TaskNumber = 0x200;
             s.HaplAMOVA = 1;
             s.ComputeConventionalFST = 1;
             s.PrintMinSpannNetworkGlob = 1;
         },
         "folder banner matrix print-matrix block F-line amova(0x200) amova-entry"},
        {"AMOVA bit without any AMOVA asked", [](settings& s) { s.TaskNumber = 0x200; },
         "block"},
        {"locus by locus with pairwise FST alone",
         [](settings& s) { s.TaskNumber = 0x400; s.LocByLocAMOVA = 1; },
         "folder banner block F-line amova(0x400) locus-by-locus"},
        {"FST needs the matrix only for what uses distances",
         [](settings& s) { s.TaskNumber = 0x400; s.ComputeDistanceMatrixAMOVA = 1; },
         "folder banner block amova(0x400)"},
        {"FST with mean pairwise differences",
         [](settings& s) {
             s.TaskNumber = 0x400;
             s.ComputeDistanceMatrixAMOVA = 1;
             s.PrintMissIntermatchs = 1;
             s.PrintDistanceMatrix = 1;
         },
         "folder banner matrix print-matrix block amova(0x400)"},
        {"after the unknown-phase refusal no AMOVA runs, not even the Mantel test's",
         [](settings& s) {
             s.TaskNumber = 0x12000;  // AMOVA and FST already cleared by the refusal
             s.HaplAMOVA = s.LocByLocAMOVA = 1;
             s.ComputeConventionalFST = 1;
             s.PrintDistanceMatrix = 1;
         },
         "folder exact", true},
        {"the same bits without the refusal",
         [](settings& s) {
             s.TaskNumber = 0x12000;
             s.HaplAMOVA = s.LocByLocAMOVA = 1;
             s.ComputeConventionalFST = 1;
             s.PrintDistanceMatrix = 1;
         },
         "folder matrix print-matrix block F-line amova(0x12000) amova-entry locus-by-locus "
         "exact"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        settings s;
        s.TaskNumber = 0;
        s.HaplAMOVA = s.LocByLocAMOVA = 0;
        s.ComputeDistanceMatrixAMOVA = s.ComputeConventionalFST = 0;
        s.ComputePairwiseFST = s.UnequalPopSizeDiv = s.PrintMissIntermatchs = 0;
        s.PrintDistanceMatrix = s.PrintMinSpannNetworkGlob = 0;
        c.set(s);
        EXPECT_EQ(describe(plan_genstruct_steps(s, c.amova_refused)), c.steps);
    }
}

class GenStructTest : public RunFixture {
protected:
    std::fstream results;

    void SetUp() override
    {
        RunFixture::SetUp();
        s.results_file = (dir / "p.htm").string().c_str();
        s.tree_data_file = (dir / "p.js").string().c_str();
        s.run_date = "01/02/03at04:05:06";
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        s.HaplAMOVA = s.LocByLocAMOVA = 0;
        s.ComputeConventionalFST = s.ComputeDistanceMatrixAMOVA = 0;
        s.ComputePairwiseFST = s.ComputeDeltaMuSqr = 0;
        s.selection_scan_running = false;
    }

    void TearDown() override
    {
        s.results_stream = nullptr;
        results.close();
        RunFixture::TearDown();
    }

    std::string results_text()
    {
        results.flush();
        return read_text(dir / "p.htm");
    }
    std::string tree_text() { return read_text(dir / "p.js"); }
};

TEST_F(GenStructTest, UnknownPhaseRefusesConventionalFst)
{
    for (TDataType type : {STANDARD, MICROSAT}) {
        SCOPED_TRACE(type);
        use_profile(type, 1, 0);
        if (project.samples->Populations.count == 0)
            genotypic_sample("a", {{"12", "13", 1}});
        s.TaskNumber = 0x10600;  // the Mantel test would open the AMOVA
        s.HaplAMOVA = 1;
        s.LocByLocAMOVA = 1;
        s.ComputeConventionalFST = 1;

        project.GenStructCalculations(&results);

        const std::string notice =
            "\n\nThe computation of AMOVA with the option \"CONVENTIONAL FST\" is"
            "\nnot possible with unknown gametic phase data.\n"
            "SKIPPING COMPUTATION OF GENETIC STRUCTURE\n\n";
        std::string log = take_log();
        EXPECT_EQ(log.find(notice), 0u) << log;
        EXPECT_NE(log.find("from function \"GenStructCalculations()\" : "
                           "unable to compute Genetic Structure with current settings"),
                  std::string::npos);
        EXPECT_NE(log.find("\tConverting phenotypic to haplotypic data ...\n\tdone ! ("),
                  std::string::npos);
        EXPECT_EQ(log.find("Skipping microsat") != std::string::npos, type == MICROSAT);
        EXPECT_EQ(log.find("Computing F statistics"), std::string::npos);
        EXPECT_EQ(s.TaskNumber, 0x10000);
        EXPECT_NE(results_text().find(notice), std::string::npos);
        EXPECT_EQ(results_text().find("GENETIC STRUCTURE ANALYSIS"), std::string::npos);
    }
}

TEST_F(GenStructTest, RecessiveDataAreNotConverted)
{
    use_profile(STANDARD, 1, 1, 1);
    genotypic_sample("a", {{"12", "13", 1}});
    s.TaskNumber = 0x2600;

    project.GenStructCalculations(&results);

    EXPECT_EQ(s.TaskNumber, 0x2000);
    EXPECT_NE(results_text().find("\n\nThe computation of AMOVA and PAIRWISE FST is"
                                  "\nnot implemented yet with recessive data, sorry\n\n"),
              std::string::npos);
    std::string log = take_log();
    EXPECT_EQ(log.find("Converting"), std::string::npos);
    EXPECT_EQ(log.find("recessive"), std::string::npos);
    EXPECT_EQ(project.samples->Populations.data[0]->haplotypes.count, 0);
    EXPECT_NE(tree_text().find("Exact tests"), std::string::npos);
}

TEST_F(GenStructTest, IndividualsAreConvertedOncePerLevel)
{
    use_profile(STANDARD, 1, 1);
    genotypic_sample("a", {{"12", "13", 2}});
    s.TaskNumber = 0x2000;

    project.GenStructCalculations(&results);
    EXPECT_EQ(project.phenotypes_converted, 1);
    EXPECT_EQ(project.haplo_vectors_built, 1);
    EXPECT_EQ(project.haplo_list.list.count, 2);
    EXPECT_EQ(project.haplo_list.list.data[0]->haplovect.count, 2);
    EXPECT_EQ(project.samples->Populations.data[0]->haplotypes.count, 2);
    int copies_of_first = project.haplo_list.list.data[0]->count;
    take_log();

    project.GenStructCalculations(&results);
    EXPECT_NE(take_log().find("\tConverting phenotypic to haplotypic data ...\n"),
              std::string::npos);
    EXPECT_EQ(project.haplo_list.list.count, 2);
    EXPECT_EQ(project.haplo_list.list.data[0]->count, copies_of_first);  // not counted again
}

TEST_F(GenStructTest, EntriesNameTheLevel)
{
    haplotypic_sample("a", {{"AC", 2}});
    struct Case {
        bool group_level;
        const char* folder;
        const char* exact;
    };
    for (Case c : {Case{false, "01_02_03at04_05_06_pop_gen_struct\"", "_pop_exct_tests\""},
                   Case{true, "01_02_03at04_05_06_gr_gen_struct\"", "_gr_exct_tests\""}}) {
        SCOPED_TRACE(c.group_level);
        fs::remove(dir / "p.js");
        project.samples->atGroupLevel = c.group_level;
        s.TaskNumber = 0x2000;
        project.GenStructCalculations(&results);
        std::string tree = tree_text();
        EXPECT_NE(tree.find(c.group_level ? "Genetic structure (samp=group)"
                                          : "Genetic structure (samp=pop)"),
                  std::string::npos);
        EXPECT_NE(tree.find(c.folder), std::string::npos) << tree;
        EXPECT_NE(tree.find(c.exact), std::string::npos) << tree;
    }
    EXPECT_EQ(results_text().find("GENETIC STRUCTURE ANALYSIS"), std::string::npos);
    EXPECT_EQ(take_log().find("Computing F statistics"), std::string::npos);
}

TEST_F(GenStructTest, AmovaBlockRestoresWhatItChanged)
{
    haplotypic_sample("a", {{"AC", 2}});
    s.TaskNumber = 0x600;
    s.LocByLocAMOVA = 1;
    s.ComputePairwiseFST = 1;
    s.ComputeDeltaMuSqr = 1;

    project.GenStructCalculations(&results);

    EXPECT_EQ(s.TaskNumber, 0x600);
    EXPECT_EQ(s.ComputePairwiseFST, 1);
    EXPECT_EQ(s.ComputeDeltaMuSqr, 1);
    const std::string equals(79, '=');
    EXPECT_NE(results_text().find(equals + "\n== GENETIC STRUCTURE ANALYSIS\n" + equals + "\n\n"),
              std::string::npos);
    std::string log = take_log();
    size_t opened = log.find("\t\tComputing F statistics ...\n");
    ASSERT_NE(opened, std::string::npos) << log;
    EXPECT_NE(log.find("\t\tdone ! (", opened), std::string::npos) << log;
    // No global AMOVA and no entry of its own: only the locus-by-locus one.
    std::string tree = tree_text();
    EXPECT_EQ(tree.find("\"AMOVA\""), std::string::npos) << tree;
    EXPECT_NE(tree.find("\"Locus by locus AMOVA\""), std::string::npos) << tree;
}

TEST_F(GenStructTest, SelectionScanSilencesEntriesAndLogLines)
{
    haplotypic_sample("a", {{"AC", 2}});
    s.TaskNumber = 0x200;
    s.HaplAMOVA = 1;
    s.selection_scan_running = true;
    htmlOutput = false;

    project.GenStructCalculations(&results);

    EXPECT_FALSE(fs::exists(dir / "p.js"));
    // Only the reports of the structure check: no progress line, which
    // would begin with a tab.
    std::string log = take_log();
    EXPECT_NE(log.find("Project::AMOVA()"), std::string::npos) << log;
    EXPECT_EQ(log.find('\t'), std::string::npos) << log;
    EXPECT_NE(results_text().find("== GENETIC STRUCTURE ANALYSIS"), std::string::npos);
}

// The Mantel test runs once, at the end of the pairwise comparisons, whether
// its Y matrix is the user's or built from the pairwise FST.
TEST_F(GenStructTest, MantelTestOfAUserYMatrix)
{
    Mantel& m = project.mantel;
    m.MatrixSize = 3;
    m.YMatrixLabels.reset(new my_string[3]);
    const char* names[] = {"a", "b", "c"};
    for (int i = 0; i < 3; ++i) {
        m.YMatrixLabels[i] = names[i];
        m.UsedYMatrixLabels.Add(my_string(names[i]));
        haplotypic_sample(names[i], {{"AC", 1}});
    }
    m.MatrixY.create(3);
    m.Matrix1.create(3);
    m.MatrixY(1, 0) = 0.1, m.MatrixY(2, 0) = 0.3, m.MatrixY(2, 1) = 0.2;
    m.Matrix1(1, 0) = 1, m.Matrix1(2, 0) = 2, m.Matrix1(2, 1) = 4;
    m.MatrixNumber = 2;
    m.Profile.RunSettings = &s;
    s.TaskNumber = 0x10000;
    s.NumPermMantel = 10;
    s.ComputeDistanceMatrixAMOVA = 1;  // the FST of a Y built from FST needs distances

    for (const char* type : {"fst", "custom"}) {
        SCOPED_TRACE(type);
        m.YMatrix = type;
        project.GenStructCalculations(&results);
        bool custom = std::string(type) == "custom";
        std::string text = results_text();
        size_t banner = text.rfind("== MATRIX CORRELATION ANALYSIS (MANTEL TESTS)\n");
        ASSERT_NE(banner, std::string::npos);
        EXPECT_NE(text.find(custom ? "Labels of Y matrix rows={" : "Labels of population samples={",
                            banner),
                  std::string::npos);
        EXPECT_EQ(text.find("== MATRIX CORRELATION", banner + 1), std::string::npos);
        EXPECT_NE(tree_text().find("\"Matrix correlation\""), std::string::npos);
        std::string log = take_log();
        size_t started = log.find("\nStarting 10 permutations ...\n");
        EXPECT_NE(started, std::string::npos);
        EXPECT_EQ(log.find("\nStarting 10 permutations ...\n", started + 1), std::string::npos);
    }
    EXPECT_NE(results_text().find("Significance testing (10 permutations for Mantel test)"),
              std::string::npos);
}

}  // namespace
