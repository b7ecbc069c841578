// The AMOVA analysis object as a whole: the design chosen for the data and
// the structure, the case stored in the record, the method line, the batch
// summary line, the refusal of ill-defined structures, and the record.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "amova/amova_fixture.h"

namespace {

TEST_F(AmovaTest, DesignAndCaseFollowDataSettingsAndStructure)
{
    struct Case {
        const char* name;
        int genotypic, phase, individual_level, recessive, conventional;
        std::vector<std::vector<int>> groups;  // over samples 0 .. 3
        int design;
        int amova_case;
    };
    const std::vector<std::vector<int>> one_pop = {{0}}, one_group = {{0, 1}},
                                        two_groups = {{0}, {1, 2}};
    const std::vector<Case> cases = {
        {"haplotypic, one population: none", 0, 1, 0, 0, 0, one_pop, 0, 0},
        {"haplotypic, one group", 0, 1, 0, 0, 0, one_group, 3, 1},
        {"haplotypic, groups", 0, 1, 0, 0, 0, two_groups, 5, 3},
        {"phased without individuals, one group", 1, 1, 0, 0, 0, one_group, 3, 1},
        {"phased with individuals, one population", 1, 1, 1, 0, 0, one_pop, 2, 6},
        {"phased with individuals, one group", 1, 1, 1, 0, 0, one_group, 4, 2},
        {"phased with individuals, groups", 1, 1, 1, 0, 0, two_groups, 6, 4},
        {"recessive, one group", 1, 0, 1, 1, 0, one_group, 9, 9},
        {"recessive, groups", 1, 0, 0, 1, 0, two_groups, 10, 8},
        {"recessive, one population: none", 1, 0, 0, 1, 0, one_pop, 0, 0},
        {"unphased, whole individuals, one group", 1, 0, 0, 0, 0, one_group, 7, 7},
        {"unphased, whole individuals, groups", 1, 0, 0, 0, 0, two_groups, 8, 5},
        {"unphased, whole individuals, one population: none", 1, 0, 0, 0, 0, one_pop, 0, 0},
        {"unphased with individuals, one population", 1, 0, 1, 0, 0, one_pop, 2, 6},
        {"unphased with individuals, groups", 1, 0, 1, 0, 0, two_groups, 6, 4},
        {"unphased, individuals, conventional FST, one group", 1, 0, 1, 0, 1, one_group, 7, 7},
        {"unphased, individuals, conventional FST, one population: none", 1, 0, 1, 0, 1,
         one_pop, 0, 0},
        {"unphased, individuals, conventional FST, groups", 1, 0, 1, 0, 1, two_groups, 8, 5},
    };
    matrix(2);
    for (int i = 0; i < 3; ++i)
        individuals({{0, 1}});
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        use_profile(DNA, c.genotypic, c.phase);
        s.IncludeIndividualLevel = c.individual_level;
        s.RecessiveAllelesEM = c.recessive;
        s.ComputeConventionalFST = c.conventional;
        groups(c.groups);
        record.amova_case = 0;
        std::unique_ptr<Amova> a = run_amova();
        EXPECT_EQ(a->designCode, c.design);
        EXPECT_EQ(record.amova_case, c.amova_case);
        double copies = 2.0 * project.structure->NbMembers;  // one individual per sample
        EXPECT_EQ(a->numUnits, c.individual_level ? copies / 2 : copies);
    }
}

TEST_F(AmovaTest, MethodLineNamesTheDistanceOfTheDataType)
{
    struct Case {
        TDataType type;
        int method;
        int conventional;
        const char* line;  // what follows the structure
    };
    const std::vector<Case> cases = {
        {DNA, 0, 0, "\nDistance method: Pairwise difference\n"},
        {DNA, 6, 0, "\nDistance method: Tamura and Nei\n"},
        {RFLP, 1, 0, "\nDistance method: Proportion of difference\n"},
        {MICROSAT, 1, 0, "\nDistance method: Sum of squared size difference (RST)\n"},
        {STANDARD, 5, 0, "\nDistance method: Pairwise differences\n"},
        {FREQUENCY, 0, 0, "\nDistance method: "},
        {DNA, 9, 0, "\nDistance method: "},
        {DNA, 0, 1, "\nComputing conventional F-Statistics from haplotype frequencies\n"},
    };
    matrix(2);
    sample({{0, 1}, {1, 1}});
    sample({{1, 2}});
    groups({{0, 1}});
    s.ComputeDistanceMatrixAMOVA = 1;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.line);
        ProfileSettings::DataType = c.type;
        s.DistanceMethodAMOVA = c.method;
        s.ComputeConventionalFST = c.conventional;
        results.close();
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
        run_amova();
        std::string text = results_text();
        EXPECT_NE(text.find("  AMOVA ANALYSIS\n"), std::string::npos) << text;
        EXPECT_NE(text.find("No. of Groups = 1\n"), std::string::npos) << text;
        std::string head = text.substr(0, text.find("\n--------------------------\nAMOVA design"));
        EXPECT_EQ(head.substr(head.rfind("-\n\n") + 3), c.line);
    }
    results.close();
    results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
    std::unique_ptr<Amova> silent = std::make_unique<Amova>(
        s, project.structure, project.samples, &project.dist_mat, &project.haplo_list,
        &project.allele_db, &project.mantel, 0, 1, &record);
    EXPECT_EQ(results_text(), "");
    EXPECT_EQ(record.amova_case, 1);
}

class AmovaBatchLineTest : public AmovaTest {
protected:
    void SetUp() override
    {
        AmovaTest::SetUp();
        settings::input_file = "lakes.drp";
        _AMOVA_RES_ = 1;
        ofs_amova_res = new std::ofstream((dir / "amovares.sum").string());
    }

    void TearDown() override
    {
        delete ofs_amova_res;
        ofs_amova_res = nullptr;
        _AMOVA_RES_ = 0;
        AmovaTest::TearDown();
    }

    std::string batch_text() { return read_text(dir / "amovares.sum"); }
};

// Every analysis that starts a line ends it, whatever its design did: the
// next analysis' line never continues it.
TEST_F(AmovaBatchLineTest, EveryStartedLineIsEnded)
{
    matrix(2);
    sample({{0, 2}});
    individuals({{0, 1}});
    groups({{0}});
    run_amova();  // no design fits one haplotypic population
    EXPECT_EQ(batch_text(), "lakes.drp\t\n");
    EXPECT_EQ(record.amova_case, 0);

    use_profile(DNA, 1, 0);
    s.RecessiveAllelesEM = 1;
    groups({{0}, {1}});
    run_amova();  // the recessive design writes nothing
    EXPECT_EQ(batch_text(), "lakes.drp\t\nlakes.drp\t\n");
    EXPECT_EQ(record.amova_case, 8);

    s.TaskNumber = settings::PAIRWISE_FST;  // no AMOVA asked: no line
    make_amova();
    EXPECT_EQ(batch_text(), "lakes.drp\t\nlakes.drp\t\n");
}

// A structure whose index vector would be read or written past its end is
// refused before anything is loaded: ERROR 2, no design, the line ended.
TEST_F(AmovaBatchLineTest, IllDefinedStructuresRunNoDesign)
{
    struct Case {
        const char* name;
        std::function<void(Project&)> spoil;
    };
    const std::vector<Case> cases = {
        {"list sums to less than the sample size",
         [](Project& t) { t.samples->Populations.data[0]->SampleSize = 5; }},
        {"list sums to more than the sample size",
         [](Project& t) { t.samples->Populations.data[1]->SampleSize = 1; }},
        {"haplotype without a matrix row",
         [](Project& t) { t.haplo_list.list.data[1]->matrix_index = -1; }},
        {"matrix row beyond the matrix",
         [](Project& t) { t.haplo_list.list.data[1]->matrix_index = 3; }},
        {"empty population",
         [](Project& t) {
             Population* p = t.samples->Populations.data[1];
             p->haplotypes.Flush();
             p->SampleSize = 0;
         }},
        {"population outside the numbering",
         [](Project& t) { t.samples->Populations.data[1]->sample_index = 2; }},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        project.samples->clean();
        project.haplo_list.reset();
        matrix(3);
        sample({{0, 2}, {1, 1}});
        sample({{1, 2}});
        groups({{0, 1}});
        c.spoil(project);
        take_log();
        record.amova_case = 0;
        std::ofstream(dir / "amovares.sum", std::ios::trunc).close();
        ofs_amova_res->seekp(0);

        std::unique_ptr<Amova> a = run_amova();

        EXPECT_NE(take_log().find("\"Amova::initialize()\" : ill-defined genetic structure\n"),
                  std::string::npos);
        EXPECT_TRUE(a->haploIndexVector.empty());
        EXPECT_EQ(batch_text(), "lakes.drp\t\n");
        EXPECT_EQ(record.amova_case, 1);  // the case is named; the record keeps its zeros
        for (Population* p : a->popTable)
            EXPECT_EQ(p->permCounts, nullptr);
    }
}

// A genotypic sample with an odd number of gene copies would shift the
// individuals of every later sample by one copy.
TEST_F(AmovaTest, OddGeneCopiesOfGenotypicDataAreRefused)
{
    use_profile(DNA, 1, 1);
    s.IncludeIndividualLevel = 1;
    matrix(2);
    individuals({{0, 1}, {1, 1}});
    Population& odd = individuals({{0, 1}});
    odd.geneCopies.Add(new PHaploDef(project.haplo_list.list.data[0], 1));
    odd.SampleSize = 3;
    groups({{0, 1}});
    run_amova();
    EXPECT_NE(log_text().find("ill-defined genetic structure"), std::string::npos);
}

TEST(AmovaResults, FreshRecordAndFill)
{
    amova_results r;
    EXPECT_EQ(r.locus, 0);
    EXPECT_EQ(r.amova_case, 0);
    EXPECT_EQ(r.var_total, 0);
    EXPECT_EQ(r.p_fis, amova_results::NOT_TESTED);
    EXPECT_EQ(r.null_1.count + r.pop_fst.count + r.pop_fis.count + r.pop_extra.count, 0);

    double fst[] = {0.1, 0.2};
    double later_fst[] = {0.3, 0.4};
    double fis[] = {0.5, 0.6};
    r.amova_case = 7;
    r.set_amova_results(1, 0, 0.5, 5, 3.0, 1.5, 0, 7.0, 0, 0, 0, 0, 6, 10.0, 2.0, 0.25, 0, 0, 0,
                        0, 0, 0, 0, 0, 0, fst, fis, nullptr, 2);
    r.set_amova_results(1, 0, 0.5, 5, 3.0, 1.5, 0, 7.0, 0, 0, 0, 0, 6, 10.0, 2.0, 0.3, 0, 0, 0,
                        0, 0, 0, 0, 0, 0, later_fst, nullptr, nullptr, 2);
    EXPECT_EQ(r.amova_case, 0);
    EXPECT_EQ(r.df_2, 5);
    EXPECT_EQ(r.ssd_pops, 3.0);
    EXPECT_EQ(r.ssd_within, 7.0);
    EXPECT_EQ(r.df_total, 6);
    EXPECT_EQ(r.fst_index, 0.3);
    // The second AMOVA's values replace the first one's, also where it has none.
    ASSERT_EQ(r.pop_fst.count, 2);
    EXPECT_EQ(r.pop_fst[0], 0.3);
    EXPECT_EQ(r.pop_fst[1], 0.4);
    EXPECT_EQ(r.pop_fis.count, 0);
}

}  // namespace
