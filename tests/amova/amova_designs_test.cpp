// The AMOVA designs on gene copies: one group of populations, groups of
// populations, and their twins that permute whole individuals. Observed
// values against hand-computed fixtures and against a nested analysis of
// variance of points in space (squared Euclidean distances make AMOVA an
// ANOVA of coordinates), the printed section and batch line, refused
// structures.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "amova/amova_design_fixture.h"

namespace {

const std::string dashes(70, '-');

struct Observed {
    int df[4];
    double ssd[4], var[4], total, fst, fsc, fct;
};

Observed observed(amova_results const& r)
{
    return {{r.df_1, r.df_2, r.df_3, r.df_4},
            {r.ssd_groups, r.ssd_pops, r.ssd_within, r.ssd_indiv},
            {r.var_1, r.var_2, r.var_3, r.var_4},
            r.var_total, r.fst_index, r.fsc_index, r.fct_index};
}

void expect_equal(Observed const& a, Observed const& b)
{
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(a.df[k], b.df[k]);
        EXPECT_DOUBLE_EQ(a.ssd[k], b.ssd[k]);
        EXPECT_DOUBLE_EQ(a.var[k], b.var[k]);
    }
    EXPECT_DOUBLE_EQ(a.total, b.total);
    EXPECT_DOUBLE_EQ(a.fst, b.fst);
    EXPECT_DOUBLE_EQ(a.fsc, b.fsc);
    EXPECT_DOUBLE_EQ(a.fct, b.fct);
}

// pop1 {A, A, B} and pop2 {B, B, B} with d(A, B) = 1, worked by hand:
// pair sums 2 within pop1, 0 within pop2, 6 between them; SSD(total) = 8 / 6,
// SSD(within) = 2 / 3; n = (6 - 18 / 6) / 1 = 3; Vb = (2/3) / 4;
// Va = (2/3 - 1/6) / 3; FST = 1/2; population FST (MS(among) - N W_i /
// (dfB n_i)) / n / total = 1/3 and 2/3.
TEST_F(AmovaDesignTest, OneGroupHandComputedSectionRecordAndBatchLine)
{
    matrix(2);
    sample({{0, 2}, {1, 1}});
    sample({{1, 3}});
    groups({{0, 1}});
    s.PopSpecificFST = 1;
    run_amova();

    EXPECT_EQ(section(), "\n--------------------------\nAMOVA design and results :\n"
                         "--------------------------\n\n"
                         "           <i>Weir B.S. and Cockerham C.C. 1984.</i>\n"
                         "           <i>Excoffier L., Smouse P.E. and Quattro J.M. 1992.</i>\n"
                         "           <i>Weir B.S. 1996.</i>\n"
                         + dashes + "\n"
                         " Source of                  Sum of      Variance         Percentage\n"
                         " variation      d.f.        squares     components       of variation\n"
                         + dashes + "\n"
                         " Among\n populations      1          0.667        0.16667 Va"
                         "            50.00\n\n"
                         " Within\n populations      4          0.667        0.16667 Vb"
                         "            50.00\n"
                         + dashes + "\n Total            5          1.333        0.33333\n"
                         + dashes + "\n Fixation Index      FST :      0.50000\n" + dashes + "\n"
                         "\n-------------------------------\nPopulation specific FST indices\n"
                         + std::string(26, '-') + "\n  Pop#      Name      FST\n"
                         + std::string(26, '-') + "\n     1      pop1   0.33333\n"
                         "     2      pop2   0.66667\n" + std::string(26, '-') + "\n\n");
    EXPECT_EQ(record.amova_case, 1);
    EXPECT_EQ(record.df_1, 1);
    EXPECT_EQ(record.df_2, 4);
    EXPECT_EQ(record.df_total, 5);
    EXPECT_NEAR(record.ssd_pops, 2.0 / 3, 1e-12);
    EXPECT_NEAR(record.ssd_within, 2.0 / 3, 1e-12);
    EXPECT_NEAR(record.ssd_total, 4.0 / 3, 1e-12);
    EXPECT_NEAR(record.var_1, 1.0 / 6, 1e-12);
    EXPECT_NEAR(record.var_2, 1.0 / 6, 1e-12);
    EXPECT_NEAR(record.var_total, 1.0 / 3, 1e-12);
    EXPECT_NEAR(record.fst_index, 0.5, 1e-12);
    ASSERT_EQ(record.pop_fst.count, 2);
    EXPECT_NEAR(record.pop_fst[0], 1.0 / 3, 1e-12);
    EXPECT_NEAR(record.pop_fst[1], 2.0 / 3, 1e-12);
    // No test asked: the line ends after its twelve fields.
    EXPECT_EQ(batch_text(), "p.drp\t1\t4\t0\t0\t0.166667\t0.166667\t0\t0\t0.5\t0\t0\t0\n");
}

// G1 = {pop1 A,A; pop2 A,B}, G2 = {pop3 B,B; pop4 B,B}, d(A, B) = 1:
// pair sums within pops 0, 1, 0, 0; between pops 2, 4, 4, 2, 2, 0 (total 15);
// group sums 3 and 0 over 4 copies each. SSD among groups 15/8 - 3/4 = 1.125,
// among pops 3/4 - 1/2 = 0.25, within 0.5; Q = 4, R = 16, T = 32 give
// n = n' = 2, n'' = 4; Vc = 0.125, Vb = 0, Va = (1.125 - 0.125) / 4 = 0.25.
TEST_F(AmovaDesignTest, GroupsHandComputedSectionRecordAndBatchLine)
{
    matrix(2);
    sample({{0, 2}});
    sample({{0, 1}, {1, 1}});
    sample({{1, 2}});
    sample({{1, 2}});
    groups({{0, 1}, {2, 3}});
    std::unique_ptr<Amova> a = run_amova();

    EXPECT_EQ(a->nCoef1, 2);
    EXPECT_EQ(a->nCoef2, 2);
    EXPECT_EQ(a->nCoef3, 4);
    std::string text = section();
    const std::string rows =
        " Among\n groups           1          1.125        0.25000 Va            66.67\n\n"
        " Among\n populations\n within\n groups           2          0.250        0.00000 Vb"
        "             0.00\n\n"
        " Within\n populations      4          0.500        0.12500 Vc            33.33\n"
        + dashes + "\n Total            7          1.875        0.37500\n" + dashes
        + "\n Fixation Indices\n      FSC :      0.00000\n      FST :      0.66667\n"
          "      FCT :      0.66667\n" + dashes + "\n";
    EXPECT_NE(text.find(rows), std::string::npos) << text;
    EXPECT_EQ(record.amova_case, 3);
    EXPECT_EQ(record.df_3, 4);
    EXPECT_DOUBLE_EQ(record.ssd_groups, 1.125);
    EXPECT_DOUBLE_EQ(record.ssd_pops, 0.25);
    EXPECT_DOUBLE_EQ(record.ssd_within, 0.5);
    EXPECT_DOUBLE_EQ(record.var_1, 0.25);
    EXPECT_DOUBLE_EQ(record.var_2, 0);
    EXPECT_DOUBLE_EQ(record.var_3, 0.125);
    EXPECT_EQ(record.pop_fst.count, 0);
    EXPECT_EQ(batch_text(), "p.drp\t1\t2\t4\t0\t0.25\t0\t0.125\t0\t0.666667\t0\t0.666667\t0\n");
}

// Balanced designs: G groups of r samples of s gene copies give n = n' = s
// and n'' = r s.
TEST_F(AmovaDesignTest, BalancedCoefficients)
{
    struct Case { int G, r, s; };
    matrix(3);
    for (Case c : {Case{2, 2, 6}, Case{3, 2, 4}, Case{2, 3, 10}}) {
        SCOPED_TRACE(std::to_string(c.G) + " " + std::to_string(c.r) + " " + std::to_string(c.s));
        std::vector<std::vector<int>> members(c.G);
        for (int g = 0; g < c.G; ++g)
            for (int k = 0; k < c.r; ++k) {
                members[g].push_back(project.samples->Populations.count);
                sample({{(g + k) % 3, c.s - 1}, {(g * k + 1) % 3, 1}});
            }
        groups(members);
        std::unique_ptr<Amova> a = run_amova();
        EXPECT_DOUBLE_EQ(a->nCoef1, c.s);
        EXPECT_DOUBLE_EQ(a->nCoef2, c.s);
        EXPECT_DOUBLE_EQ(a->nCoef3, c.r * c.s);
    }
}

// Haplotypes as points in 3-dimensional space with squared Euclidean
// distances: the sums of squares of the AMOVA are those of a nested analysis
// of variance of the coordinates around the population, group and grand
// means; the components follow from the mean squares (Weir 1996).
TEST_F(AmovaDesignTest, EqualANestedAnalysisOfVarianceOfPoints)
{
    const int h = 25;
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> coordinate(-3.0, 3.0);
    std::vector<std::vector<double>> points(h, std::vector<double>(3));
    for (auto& x : points)
        for (double& v : x)
            v = coordinate(gen);
    project.dist_mat.initializeMatrixAndArrays(h);
    for (int i = 0; i < h; ++i) {
        std::string id = "h" + std::to_string(i);
        HaploDef* def = new HaploDef(my_string(id.c_str()));
        def->matrix_index = i;
        project.haplo_list.list.Add(def);
        for (int j = 0; j < i; ++j) {
            double d = 0;
            for (int k = 0; k < 3; ++k)
                d += (points[i][k] - points[j][k]) * (points[i][k] - points[j][k]);
            project.dist_mat(i, j) = d;
        }
    }
    // 10 populations of 4 to 15 gene copies in 3 groups, each group drawing
    // from its own part of the haplotypes so that every level contributes.
    const std::vector<std::vector<int>> members = {{0, 1, 2}, {3, 4, 5, 6}, {7, 8, 9}};
    std::vector<std::vector<int>> copies(10);
    for (int g = 0; g < 3; ++g)
        for (int p : members[g]) {
            int size = std::uniform_int_distribution<int>(4, 15)(gen);
            int low = g * 8 + (p % 3) * 2;
            std::uniform_int_distribution<int> pick(low, low + 3);
            std::map<int, int> counts;
            for (int c = 0; c < size; ++c) {
                int x = pick(gen);
                copies[p].push_back(x);
                ++counts[x];
            }
            sample(std::vector<std::pair<int, int>>(counts.begin(), counts.end()));
        }

    // The nested ANOVA.
    auto mean_of = [&](std::vector<int> const& pops) {
        std::vector<double> m(3, 0.0);
        double n = 0;
        for (int p : pops)
            for (int x : copies[p]) {
                for (int k = 0; k < 3; ++k)
                    m[k] += points[x][k];
                ++n;
            }
        for (double& v : m)
            v /= n;
        return m;
    };
    auto squares = [&](std::vector<int> const& pops, std::vector<double> const& m) {
        double ss = 0;
        for (int p : pops)
            for (int x : copies[p])
                for (int k = 0; k < 3; ++k)
                    ss += (points[x][k] - m[k]) * (points[x][k] - m[k]);
        return ss;
    };
    std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    double ssTotal = squares(all, mean_of(all));
    double ssWithinPops = 0, ssWithinGroups = 0, N = 0, R = 0, Q = 0, T = 0;
    for (int p : all) {
        ssWithinPops += squares({p}, mean_of({p}));
        double n = copies[p].size();
        N += n;
        R += n * n;
    }
    for (auto const& g : members) {
        ssWithinGroups += squares(g, mean_of(g));
        double ng = 0, a = 0;
        for (int p : g) {
            ng += copies[p].size();
            a += copies[p].size() * copies[p].size();
        }
        Q += a / ng;
        T += ng * ng;
    }
    const double G = 3, P = 10;
    double msAG = (ssTotal - ssWithinGroups) / (G - 1);
    double msAP = (ssWithinGroups - ssWithinPops) / (P - G);
    double msW = ssWithinPops / (N - P);
    double n = (N - Q) / (P - G), n1 = (Q - R / N) / (G - 1), n2 = (N - T / N) / (G - 1);
    double vc = msW, vb = (msAP - msW) / n, va = (msAG - msW - n1 * vb) / n2;

    groups(members);
    run_amova();
    EXPECT_NEAR(record.ssd_groups, ssTotal - ssWithinGroups, 1e-9);
    EXPECT_NEAR(record.ssd_pops, ssWithinGroups - ssWithinPops, 1e-9);
    EXPECT_NEAR(record.ssd_within, ssWithinPops, 1e-9);
    EXPECT_NEAR(record.var_1, va, 1e-9);
    EXPECT_NEAR(record.var_2, vb, 1e-9);
    EXPECT_NEAR(record.var_3, vc, 1e-9);
    EXPECT_NEAR(record.fsc_index, vb / (vb + vc), 1e-9);
    EXPECT_NEAR(record.fst_index, (va + vb) / (va + vb + vc), 1e-9);
    EXPECT_NEAR(record.fct_index, va / (va + vb + vc), 1e-9);
    EXPECT_GT(va, 0.1);  // every level matters in this data set
    EXPECT_GT(vb, 0.01);

    // All populations in one group.
    double msA = (ssTotal - ssWithinPops) / (P - 1);
    double n0 = (N - R / N) / (P - 1);
    double va1 = (msA - msW) / n0;
    groups({all});
    run_amova();
    EXPECT_NEAR(record.ssd_pops, ssTotal - ssWithinPops, 1e-9);
    EXPECT_NEAR(record.var_1, va1, 1e-9);
    EXPECT_NEAR(record.var_2, msW, 1e-9);
    EXPECT_NEAR(record.fst_index, va1 / (va1 + msW), 1e-9);
}

// Structures whose degrees of freedom vanish: nothing printed, the record
// untouched, the batch line ended after the file name.
TEST_F(AmovaDesignTest, IllDefinedStructuresAreRefusedBeforeAnyOutput)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> sizes;  // haplotype and count of each sample
        std::vector<std::vector<int>> members;   // over the case's own samples
        const char* reporter;
    };
    const std::vector<Case> cases = {
        {"two groups of one sample", {{0, 2}, {1, 2}}, {{0}, {1}}, "Amova::AMOVA_G_P_H()"},
        {"one gene copy per sample, groups", {{0, 1}, {1, 1}, {0, 1}}, {{0, 1}, {2}},
         "Amova::AMOVA_G_P_H()"},
        {"one gene copy per sample", {{0, 1}, {1, 1}}, {{0, 1}}, "Amova::AMOVA_1G_P_H()"},
    };
    matrix(2);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        restart_outputs();
        int first = project.samples->Populations.count;
        for (auto const& records : c.sizes)
            sample({records});
        std::vector<std::vector<int>> members = c.members;
        for (auto& group : members)
            for (int& i : group)
                i += first;
        groups(members);
        take_log();
        run_amova();
        EXPECT_NE(take_log().find(std::string("from function \"") + c.reporter
                                  + "\" : ill-defined genetic structure"),
                  std::string::npos);
        EXPECT_EQ(section(), "");
        EXPECT_EQ(record.var_1, 0);
        EXPECT_EQ(record.df_1, 0);
        EXPECT_EQ(batch_text(), "p.drp\t\n");
    }
}

// All distances 0: the total is stored as 1e-18, the percentages print 0.00
// and every permuted value ties with the observed 0.
TEST_F(AmovaDesignTest, AllDistancesZero)
{
    matrix(2, 0.0);
    sample({{0, 2}, {1, 1}});
    sample({{1, 3}});
    sample({{0, 3}});
    groups({{0, 1, 2}});
    s.NumPermutationsAMOVA = 100;
    s.PopSpecificFST = 1;
    run_amova();

    std::string text = section();
    EXPECT_NE(text.find(" populations      2          0.000        0.00000 Va             0.00\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find(" Total            8          0.000        0.00000\n"), std::string::npos);
    EXPECT_NE(text.find("                                  P-value =  1.00000+-0.00000\n"),
              std::string::npos) << text;
    EXPECT_EQ(record.var_total, 1e-18);
    EXPECT_EQ(record.fst_index, 0);
    EXPECT_EQ(record.pop_fst[0], 0);
    EXPECT_EQ(record.p_fst, 1);
}

// Two samples with the same haplotype counts: SSD among populations 0,
// Va = -Vb / n = -0.25 with n = 2, FST = -1 / (n - 1): negative values keep
// their sign, in the components and in the percentages.
TEST_F(AmovaDesignTest, NegativeComponentsKeepTheirSign)
{
    matrix(2);
    sample({{0, 1}, {1, 1}});
    sample({{0, 1}, {1, 1}});
    groups({{0, 1}});
    run_amova();
    std::string text = section();
    EXPECT_NE(text.find(" populations      1          0.000       -0.25000 Va          -100.00\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find(" Fixation Index      FST :     -1.00000\n"), std::string::npos);
}

// The twins permuting whole individuals: for the same data and seed, the
// observed values, the table and the twelve leading batch fields equal those
// of the design on gene copies; only the index lines of the groups design
// change order. The last permutation of the one-group test keeps every
// individual whole in one sample.
TEST_F(AmovaDesignTest, WholeIndividualTwinsOfTheGeneCopyDesigns)
{
    struct Case {
        const char* name;
        std::vector<std::vector<int>> members;
        int gene_case, individual_case;
    };
    const std::vector<Case> cases = {
        {"one group", {{0, 1, 2, 3}}, 1, 7},
        {"groups", {{0, 1}, {2, 3}}, 3, 5},
    };
    matrix(8);
    individuals({{0, 1}, {0, 2}, {1, 2}});
    individuals({{0, 1}, {3, 4}, {0, 4}});
    individuals({{5, 6}, {6, 7}, {5, 7}});
    individuals({{5, 7}, {2, 6}, {3, 7}});
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        restart_outputs();
        seed(-1234);
        use_profile(DNA, 1, 1);
        groups(c.members);
        s.NumPermutationsAMOVA = 50;

        run_amova();
        EXPECT_EQ(record.amova_case, c.gene_case);
        Observed genes = observed(record);
        std::string genes_text = section();
        std::string genes_batch = batch_text();

        restart_outputs();
        use_profile(DNA, 1, 0);
        seed(-1234);
        run_amova();
        EXPECT_EQ(record.amova_case, c.individual_case);
        expect_equal(observed(record), genes);
        std::string text = section();
        std::string batch = batch_text();
        auto table = [](std::string const& t) { return t.substr(0, t.find(" Fixation Ind")); };
        EXPECT_EQ(table(text), table(genes_text));
        auto leading = [](std::string const& line) {
            size_t at = 0;
            for (int k = 0; k < 13; ++k)
                at = line.find('\t', at) + 1;
            return line.substr(0, at);
        };
        EXPECT_EQ(leading(batch), leading(genes_batch));
        if (c.individual_case == 5) {
            EXPECT_LT(text.find("      FST : "), text.find("      FSC : "));
        }
    }
}

TEST_F(AmovaDesignTest, WholeIndividualsStayTogetherInTheOneGroupTest)
{
    use_profile(DNA, 1, 0);
    matrix(8);
    individuals({{0, 1}, {2, 3}, {4, 5}});
    individuals({{6, 7}, {0, 3}, {1, 2}});
    individuals({{4, 7}, {5, 6}});
    groups({{0, 1, 2}});
    s.NumPermutationsAMOVA = 20;
    std::set<std::pair<int, int>> pairs = {{0, 1}, {2, 3}, {4, 5}, {6, 7},
                                           {0, 3}, {1, 2}, {4, 7}, {5, 6}};
    std::unique_ptr<Amova> a = prepared();
    s.build_sigm_histo_f_name();
    a->designCode = Amova::ONE_GROUP_WHOLE_INDIVIDUALS;
    ASSERT_EQ(a->AMOVA_1G_P_IH(), 1);
    std::vector<int> const& v = a->haploIndexVector;
    ASSERT_EQ(v.size(), 16u);
    for (size_t t = 0; t < v.size(); t += 2)
        EXPECT_EQ(pairs.count({v[t], v[t + 1]}), 1u) << t;
    EXPECT_EQ(record.null_1.count, a->numPermutations);
}

// With the individual level on haplotypic data the design counts gene
// copies as without it.
TEST_F(AmovaDesignTest, IndividualLevelIgnoredOnHaplotypicData)
{
    matrix(3);
    sample({{0, 3}, {1, 1}});
    sample({{1, 2}, {2, 2}});
    sample({{2, 3}});
    groups({{0, 1}, {2}});
    s.NumPermutationsAMOVA = 30;
    run_amova();
    std::string text = section();
    Observed without = observed(record);
    restart_outputs();
    seed(-1234);
    s.IncludeIndividualLevel = 1;
    run_amova();
    EXPECT_EQ(section(), text);
    expect_equal(observed(record), without);
}

}  // namespace
