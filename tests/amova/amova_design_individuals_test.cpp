// The AMOVA design of one group of populations with the individual level.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "amova/amova_design_fixture.h"

namespace {

class AmovaIndividualsTest : public AmovaDesignTest {
protected:
    void SetUp() override
    {
        AmovaDesignTest::SetUp();
        use_profile(DNA, 1, 1);
        s.IncludeIndividualLevel = 1;
        s.PopSpecificFIS = 1;
        matrix(2);
    }
};

// pop1 (A,A),(A,A),(B,B), pop2 (B,B),(B,B),(A,B), d(A, B) = 1, by hand:
// within-individual sum 1/2 (the one heterozygote); within-population sums
// 8/6 and 5/6; total 35/12. SSD 0.750, 1.667, 0.500 with 1, 4, 6 d.f.;
// n = 6; Vc = 1/12, Vb = (5/12 - 1/12) / 2 = 1/6, Va = (3/4 - 5/12) / 6 = 1/18;
// FIS = 2/3, FST = 2/11, FIT = 8/11. Population FIS: pop1 has no
// heterozygote among differing copies (FIS 1), pop2 FIS 0.
TEST_F(AmovaIndividualsTest, HandComputedSectionRecordAndPopulationFIS)
{
    individuals({{0, 0}, {0, 0}, {1, 1}});
    individuals({{1, 1}, {1, 1}, {0, 1}});
    groups({{0, 1}});
    run_amova();

    std::string text = section();
    const std::string dashes(70, '-');
    EXPECT_NE(text.find(" Among\n populations      1          0.750        0.05556 Va"
                        "            18.18\n\n"
                        " Among\n individuals\n within\n populations      4          1.667"
                        "        0.16667 Vb            54.55\n\n"
                        " Within\n individuals      6          0.500        0.08333 Vc"
                        "            27.27\n"
                        + dashes + "\n Total           11          2.917        0.30556\n" + dashes
                        + "\n Fixation Indices\n      FIS :      0.66667\n      FST :      0.18182\n"
                          "      FIT :      0.72727\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("Population specific FIS indices\n" + std::string(26, '-')
                        + "\n  Pop#      Name      FIS\n" + std::string(26, '-')
                        + "\n     1      pop1   1.00000\n     2      pop2   0.00000\n"),
              std::string::npos) << text;
    EXPECT_EQ(record.amova_case, 2);
    EXPECT_EQ(record.df_total, 11);
    EXPECT_NEAR(record.ssd_pops, 0.75, 1e-12);
    EXPECT_NEAR(record.ssd_within, 5.0 / 3, 1e-12);
    EXPECT_NEAR(record.ssd_indiv, 0.5, 1e-12);
    EXPECT_NEAR(record.var_1, 1.0 / 18, 1e-12);
    EXPECT_NEAR(record.var_2, 1.0 / 6, 1e-12);
    EXPECT_NEAR(record.var_3, 1.0 / 12, 1e-12);
    EXPECT_NEAR(record.fis_index, 2.0 / 3, 1e-12);
    EXPECT_NEAR(record.fst_index, 2.0 / 11, 1e-12);
    EXPECT_NEAR(record.fit_index, 8.0 / 11, 1e-12);
    ASSERT_EQ(record.pop_fis.count, 2);
    EXPECT_NEAR(record.pop_fis[0], 1, 1e-12);
    EXPECT_NEAR(record.pop_fis[1], 0, 1e-12);
    EXPECT_EQ(batch_text(), "p.drp\t1\t4\t6\t0\t0.0555556\t0.166667\t0.0833333\t0\t0.727273\t"
                            "0.181818\t0.666667\t0\n");
}

// The three tests: the Vb test first, Va second, then the lower-tail test of
// Vc; the batch line ends after the second test with the P-values of Va and
// Vb; the population FIS table gets its P-values, "N.A." for a sample of one
// homozygous individual.
TEST_F(AmovaIndividualsTest, TestsBatchLineAndPopulationFISPValues)
{
    individuals({{0, 0}, {0, 0}, {1, 1}, {0, 1}});
    individuals({{1, 1}, {1, 1}, {0, 1}, {1, 1}});
    individuals({{0, 0}});
    groups({{0, 1, 2}});
    s.NumPermutationsAMOVA = 1000;
    settings::global_work_done = 0;
    run_amova();

    std::string text = section();
    size_t vb = text.find("Vb and FIS : P(rand. value > obs. value)  = ");
    size_t va = text.find("Va and FST : P(rand. value > obs. value)  = ");
    size_t vc = text.find("Vc and FIT : P(rand. value &lt; obs. value)  = ");
    ASSERT_NE(vc, std::string::npos) << text;
    EXPECT_LT(vb, va);
    EXPECT_LT(va, vc);
    EXPECT_EQ(settings::global_work_done, 33);
    EXPECT_NE(text.find("Population specific FIS indices (1023 permutations)\n"), std::string::npos);
    EXPECT_NE(text.find("     3      pop3      N.A.                N.A.\n"), std::string::npos)
        << text;
    EXPECT_EQ(record.null_1.count, 1023);
    EXPECT_EQ(record.null_2.count, 1023);
    EXPECT_EQ(record.null_3.count, 1023);
    // pop1 holds homozygotes bar one: its FIS is high, and reached by few
    // re-pairings of its gene copies.
    EXPECT_GT(record.pop_fis[0], 0.4);
    std::istringstream row(text.substr(text.find("     1      pop1")));
    std::string number, name;
    double fis = 0, p = 1;
    row >> number >> name >> fis >> p;
    EXPECT_NEAR(fis, record.pop_fis[0], 1e-5);
    EXPECT_LT(p, 0.5);
    std::string line = batch_text();
    std::ostringstream tail;
    tail << "\t1023\t" << record.p_fst << "\t" << record.p_fis << "\t0\t0\n";
    EXPECT_EQ(line.substr(line.size() - tail.str().size()), tail.str()) << line;
}

// One population of individuals (A,A),(A,B),(B,B), by hand: within
// individuals 1/2, within the population 9/6; SSD 1.000 and 0.500 with 2
// and 3 d.f.; Va = (1/2 - 1/6) / 2 = Vb = 1/6; FIS = 1/2, equal to the
// sample's own FIS. Then the test of Va and FIS.
TEST_F(AmovaIndividualsTest, OnePopulationOfIndividuals)
{
    individuals({{0, 0}, {0, 1}, {1, 1}});
    groups({{0}});
    run_amova();
    std::string text = section();
    const std::string dashes(70, '-');
    EXPECT_NE(text.find(" Among\n individuals      2          1.000        0.16667 Va"
                        "            50.00\n"
                        " Within\n individuals      3          0.500        0.16667 Vb"
                        "            50.00\n"
                        + dashes + "\n Total            5          1.500        0.33333\n" + dashes
                        + "\n Fixation Index     FIS :      0.50000\n" + dashes + "\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("     1      pop1   0.50000\n"), std::string::npos) << text;
    EXPECT_EQ(record.amova_case, 6);
    EXPECT_NEAR(record.ssd_within, 1.0, 1e-12);
    EXPECT_NEAR(record.ssd_indiv, 0.5, 1e-12);
    EXPECT_NEAR(record.fis_index, 0.5, 1e-12);
    EXPECT_EQ(batch_text(), "p.drp\t2\t3\t0\t0\t0.166667\t0.166667\t0\t0\t0.5\t0\t0\t0\n");

    restart_outputs();
    s.NumPermutationsAMOVA = 100;
    run_amova();
    text = section();
    EXPECT_NE(text.find("Va and FIS : P(rand. value > obs. value)  = "), std::string::npos);
    EXPECT_NE(text.find("Population specific FIS indices (110 permutations)\n"), std::string::npos);
    EXPECT_EQ(record.null_1.count, 110);
    std::string line = batch_text();
    std::ostringstream tail;
    tail << "\t110\t" << record.p_fis << "\t0\t0\t0\n";
    EXPECT_EQ(line.substr(line.size() - tail.str().size()), tail.str()) << line;
}

// The re-pairing test of one population replayed: the same ran3 draws
// re-pair the gene copies (the design's own shuffle), and each pairing's Va
// is computed from all pairs of copies: the within-population sum W over the
// 8 copies and the within-individual sum of the pairing,
//   Va = ((W - SSD_WI) / (I - 1) - SSD_WI / I) / 2.
// Distances are multiples of 1/4, so that every sum is exact.
TEST_F(AmovaIndividualsTest, RepairingNullDistributionMatchesAReplay)
{
    matrix(4);
    const double position[4] = {0, 0.5, 1.5, 3};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < i; ++j)
            project.dist_mat(i, j) = (position[i] - position[j]) * (position[i] - position[j]);
    // The list holds the two haplotypes of the fixture's matrix first:
    // records 2 .. 5 are rows 0 .. 3.
    individuals({{2, 2}, {2, 3}, {4, 5}, {5, 5}});
    groups({{0}});
    const std::vector<int> copies = {0, 0, 0, 1, 2, 3, 3, 3};
    const double I = 4;
    double W = 0;
    for (size_t u = 0; u < copies.size(); ++u)
        for (size_t v = u + 1; v < copies.size(); ++v)
            W += project.dist_mat(copies[u], copies[v]);
    W /= copies.size();
    s.PopSpecificFIS = 0;
    s.NumPermutationsAMOVA = 100;
    seed(-55);
    run_amova();
    ASSERT_EQ(record.null_1.count, 110);

    seed(-55);
    std::unique_ptr<Amova> replay = prepared();
    for (int k = 0; k < record.null_1.count; ++k) {
        replay->PHAIWP();
        std::vector<int> const& ids = replay->haploIndexVector;
        double within_individuals = 0;
        for (size_t m = 0; m < ids.size(); m += 2)
            within_individuals += project.dist_mat(ids[m], ids[m + 1]) / 2;
        double va = ((W - within_individuals) / (I - 1) - within_individuals / I) / 2;
        EXPECT_NEAR(record.null_1[k], va, 1e-12) << k;
    }
}

// G1 = {(A,A),(A,A),(A,B)}, {(A,A),(A,B),(A,B)}, G2 = {(B,B),(B,B),(A,B)},
// {(B,B),(B,B),(B,B)}, by hand: within individuals 4 / 2 = 2; within pops
// 5/6 + 8/6 + 5/6 + 0 = 3; group sums 35/12 and 11/12; total 143/24.
// SSD 2.667, 0.167, 1.000, 2.000 with 1, 2, 8, 12 d.f.; n = n' = 6,
// n'' = 12; Vd = 1/6, Vc = (1/8 - 1/6) / 2, Vb = (1/12 - 1/8) / 6,
// Va = (8/3 - 1/8 - 6 Vb) / 12; negative components kept; FIS = -1/7,
// FSC = -1/20, FCT = 0.60784, FIT = 0.52941.
TEST_F(AmovaIndividualsTest, GroupsWithIndividualsHandComputed)
{
    individuals({{0, 0}, {0, 0}, {0, 1}});
    individuals({{0, 0}, {0, 1}, {0, 1}});
    individuals({{1, 1}, {1, 1}, {0, 1}});
    individuals({{1, 1}, {1, 1}, {1, 1}});
    groups({{0, 1}, {2, 3}});
    s.PopSpecificFIS = 0;
    std::unique_ptr<Amova> a = run_amova();
    std::string text = section();
    const std::string dashes(70, '-');
    EXPECT_NE(text.find(" Among\n groups           1          2.667        0.21528 Va"
                        "            60.78\n\n"
                        " Among\n populations\n within\n groups           2          0.167"
                        "       -0.00694 Vb            -1.96\n\n"
                        " Among\n individuals\n within\n populations      8          1.000"
                        "       -0.02083 Vc            -5.88\n"
                        " Within\n individuals     12          2.000        0.16667 Vd"
                        "            47.06\n"
                        + dashes + "\n Total           23          5.833        0.35417\n" + dashes
                        + "\n Fixation Indices\n      FIS :     -0.14286\n      FSC :     -0.05000\n"
                          "      FCT :      0.60784\n      FIT :      0.52941\n"),
              std::string::npos) << text;
    EXPECT_EQ(a->nCoef1, 6);
    EXPECT_EQ(a->nCoef2, 6);
    EXPECT_EQ(a->nCoef3, 12);
    EXPECT_EQ(record.amova_case, 4);
    EXPECT_NEAR(record.var_1, (8.0 / 3 - 1.0 / 8 - 6 * (1.0 / 12 - 1.0 / 8) / 6) / 12, 1e-12);
    EXPECT_NEAR(record.var_2, (1.0 / 12 - 1.0 / 8) / 6, 1e-12);
    EXPECT_NEAR(record.var_3, (1.0 / 8 - 1.0 / 6) / 2, 1e-12);
    EXPECT_NEAR(record.var_4, 1.0 / 6, 1e-12);
    EXPECT_EQ(record.df_total, 23);

    restart_outputs();
    s.NumPermutationsAMOVA = 100;
    take_log();
    run_amova();
    text = section();
    size_t vd = text.find("Vd and FIT : P(rand. value &lt; obs. value)  = ");
    size_t vc = text.find("Vc and FIS : P(rand. value > obs. value)  = ");
    size_t vb = text.find("Vb and FSC : P(rand. value > obs. value)  = ");
    size_t va = text.find("Va and FCT : P(rand. value > obs. value)  = ");
    ASSERT_NE(va, std::string::npos) << text;
    EXPECT_LT(vd, vc);
    EXPECT_LT(vc, vb);
    EXPECT_LT(vb, va);
    EXPECT_NE(take_log().find("\t\tPermuting Haplotypes among Individuals Within Populations. "
                              "... \n"),
              std::string::npos);
    std::string line = batch_text();
    std::ostringstream tail;
    tail << "\t110\t" << record.p_fct << "\t" << record.p_fsc << "\t" << record.p_fis << "\t"
         << record.p_fit << "\n";
    EXPECT_EQ(line.substr(line.size() - tail.str().size()), tail.str()) << line;
}

// Structures without degrees of freedom at some level: nothing printed,
// the record untouched, the batch line ended after the file name.
TEST_F(AmovaIndividualsTest, IllDefinedStructuresAreRefused)
{
    struct Case {
        const char* name;
        std::vector<std::vector<std::pair<int, int>>> samples;
        std::vector<std::vector<int>> members;  // over the case's own samples
        const char* reporter;
    };
    const std::vector<Case> cases = {
        {"one individual per sample", {{{0, 1}}, {{1, 1}}}, {{0, 1}}, "Amova::AMOVA_1G_P_I()"},
        {"a single individual", {{{0, 1}}}, {{0}}, "Amova::AMOVA_1G_1P_I()"},
        {"one sample in each group", {{{0, 1}, {0, 0}}, {{1, 1}, {0, 1}}}, {{0}, {1}},
         "Amova::AMOVA_G_P_I()"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        restart_outputs();
        int first = project.samples->Populations.count;
        for (auto const& pairs : c.samples)
            individuals(pairs);
        std::vector<std::vector<int>> members = c.members;
        for (auto& group : members)
            for (int& i : group)
                i += first;
        groups(members);
        take_log();
        run_amova();
        EXPECT_NE(take_log().find(std::string("\"") + c.reporter
                                  + "\" : ill-defined genetic structure"),
                  std::string::npos);
        EXPECT_EQ(section(), "");
        EXPECT_EQ(record.df_1, 0);
        EXPECT_EQ(batch_text(), "p.drp\t\n");
    }
}

// Groups fixed for different alleles, every individual homozygous: all the
// variation lies among groups (Va = 0.5, FCT = 1); the indices whose
// denominators vanish are 0 (FSC, FIS), never "not a number".
TEST_F(AmovaIndividualsTest, GroupsFixedForDifferentAlleles)
{
    individuals({{0, 0}, {0, 0}});
    individuals({{0, 0}, {0, 0}});
    individuals({{1, 1}, {1, 1}});
    individuals({{1, 1}, {1, 1}});
    groups({{0, 1}, {2, 3}});
    run_amova();
    EXPECT_NEAR(record.var_1, 0.5, 1e-12);
    EXPECT_NEAR(record.fct_index, 1, 1e-12);
    EXPECT_EQ(record.fsc_index, 0);
    EXPECT_EQ(record.fis_index, 0);
    EXPECT_NE(section().find("      FSC :      0.00000\n"), std::string::npos);
}

}  // namespace
