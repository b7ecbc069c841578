// Linkage disequilibrium of haplotypic data: the two-locus table, the moves
// and sizing of the Markov chains against Fisher's exact test, the pair loop
// of the exact test with its refusals, the coefficient tables worked by hand,
// and the histogram of linked loci.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analyses/typed_sample_fixture.h"
#include "app/glbobj.h"
#include "core/random.h"
#include "core/trimat.h"
#include "summary/sumstat.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

class LinkageTest : public TypedSampleTest {
protected:
    std::filesystem::path results_path;
    std::fstream results;
    std::ofstream pro_file, val_file, link_file;

    void SetUp() override
    {
        TypedSampleTest::SetUp();
        results_path = dir / "run.htm";
        results.open(results_path, std::ios::in | std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        s.ld_file = (dir / "ld_dis.xl").string().c_str();
        s.MakeExactTestLD = 1;
        s.MarkovChainDememorisationStepsLD = 100;
        s.PrecisionOnPValueLD = 0.0;
        settings::input_file = "proj.drp";
        long seed = -4242;
        ran3(&seed);
    }

    void TearDown() override
    {
        s.results_stream = nullptr;
        _LINKAGE_DISEQUILIBRIUM_ = 0;
        ofs_link_dis = ofs_link_dis_pro = ofs_distrib_LD = nullptr;
        TypedSampleTest::TearDown();
    }

    // The three batch files, as the flags file would open them.
    void open_batch_files()
    {
        pro_file.open(dir / "l_d_pro.sum");
        val_file.open(dir / "l_d_val.sum");
        link_file.open(dir / "link_dis.sum");
        ofs_link_dis_pro = &pro_file;
        ofs_distrib_LD = &val_file;
        ofs_link_dis = &link_file;
        _LINKAGE_DISEQUILIBRIUM_ = 1;
    }

    std::string batch_text(std::ofstream& file, const char* name)
    {
        file.flush();
        return read_text(dir / name);
    }

    // A standard sample of blank-separated haplotypes with its polymorphism flags.
    PopulStandard& sample(std::vector<std::pair<const char*, int>> const& entries)
    {
        PopulStandard& p = allele_sample<PopulStandard>(STANDARD, entries);
        p.evaluate_polymorphism(s);
        return p;
    }

    std::string take_results()
    {
        results.flush();
        std::string text = read_text(results_path);
        results.close();
        results.open(results_path, std::ios::in | std::ios::out | std::ios::trunc);
        return text;
    }

    // The example pair: loci 0 and 2 with A-C 5, A-T 1, G-C 2, G-T 4.
    PopulStandard& example_pair()
    {
        return sample({{"A x C", 5}, {"A x T", 1}, {"G x C", 2}, {"G x T", 4}});
    }
};

TEST_F(LinkageTest, TableCountsGeneCopiesByAllelesInOrderOfFirstAppearance)
{
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, int>> entries;
        int result;
        std::vector<std::vector<int>> cells;
    };
    const Case cases[] = {
        {"rows A, B and columns x, y", {{"A x", 3}, {"B x", 2}, {"A y", 1}}, 1, {{3, 1}, {2, 0}}},
        {"missing alleles are left out of both passes",
         {{"A x", 3}, {"? y", 2}, {"B ?", 2}, {"B x", 1}, {"A z", 1}},
         1,
         {{3, 1}, {1, 0}}},
        {"a single allele once missing data are left out", {{"A x", 3}, {"B ?", 2}}, 0, {}},
    };
    for (Case const& c : cases) {
        PopulStandard& p = sample(c.entries);
        int dims[3] = {2, 0, 1};
        EXPECT_EQ(p.make_all_table(dims), c.result) << c.what;
        if (c.result) {
            ASSERT_EQ(dims[0], 2) << c.what;
            ASSERT_EQ(dims[1], 2) << c.what;
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j)
                    EXPECT_EQ(p.contingency_table[i][j], c.cells[i][j]) << c.what;
            EXPECT_EQ(p.contingency_table[3][3], 0) << c.what << ": spare rows stay 0";
            p.clear_table(dims);
        } else {
            EXPECT_EQ(p.contingency_table, nullptr) << c.what;
            EXPECT_EQ(p.monomorphic_locus, 1) << c.what;
            EXPECT_EQ(dims[0], 0) << c.what;
        }
    }
    PopulStandard& short_haplotypes = sample({{"A x", 1}, {"B y", 1}});
    int dims[3] = {2, 0, 4};
    EXPECT_EQ(short_haplotypes.make_all_table(dims), 0);
    EXPECT_EQ(short_haplotypes.monomorphic_locus, 0);
    EXPECT_THAT(take_log(), HasSubstr("invalid index in contingency table"));
}

// ln of the probability of a table under independence, up to a constant.
double log_weight(PopGenetics const& p, int R, int C)
{
    double w = 0.0;
    for (int i = 0; i < R; ++i)
        for (int j = 0; j < C; ++j)
            w -= std::lgamma(p.contingency_table[i][j] + 1.0);
    return w;
}

TEST_F(LinkageTest, StepsKeepTheMarginsAndReturnTheRatioOfTableProbabilities)
{
    // A 3 x 4 table of random counts, walked for many steps.
    const char* rows[] = {"A", "B", "C"};
    const char* columns[] = {"w", "x", "y", "z"};
    std::vector<std::string> names;
    std::vector<std::pair<const char*, int>> entries;
    long seed = 1;
    names.reserve(12);
    for (const char* r : rows)
        for (const char* c : columns) {
            names.push_back(std::string(r) + " " + c);
            entries.push_back({names.back().c_str(), 1 + static_cast<int>(5 * ran3(&seed))});
        }
    PopulStandard& p = sample(entries);
    int dims[3] = {2, 0, 1};
    ASSERT_EQ(p.make_all_table(dims), 1);
    auto margins = [&] {
        std::vector<int> m(7, 0);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 4; ++j) {
                m[i] += p.contingency_table[i][j];
                m[3 + j] += p.contingency_table[i][j];
            }
        return m;
    };
    const std::vector<int> observed = margins();
    int moves = 0;
    for (int step = 0; step < 5000; ++step) {
        const double before = log_weight(p, 3, 4);
        const double ratio = p.swap_in_table(dims, seed);
        const double after = log_weight(p, 3, 4);
        ASSERT_NEAR(ratio, std::exp(after - before), 1e-9 * ratio) << "step " << step;
        moves += after != before;
    }
    EXPECT_EQ(margins(), observed);
    EXPECT_GT(moves, 500);
    p.clear_table(dims);
}

// Fisher's exact P of a 2 x 2 table: the hypergeometric probabilities of the
// tables with the same margins no more probable than the observed one.
double fisher_exact(int a, int b, int c, int d)
{
    auto ln_choose = [](int n, int k) {
        return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0);
    };
    const int r1 = a + b, r2 = c + d, c1 = a + c, n = r1 + r2;
    auto prob = [&](int x) { return std::exp(ln_choose(r1, x) + ln_choose(r2, c1 - x) - ln_choose(n, c1)); };
    const double observed = prob(a);
    double P = 0.0;
    for (int x = std::max(0, c1 - r2); x <= std::min(r1, c1); ++x)
        if (prob(x) <= observed * (1 + 1e-9))
            P += prob(x);
    return P;
}

TEST_F(LinkageTest, ChainsAgreeWithFishersExactTestOnTwoByTwoTables)
{
    // The example pair by hand: tables of 1, 2, 5 and 6 A-C copies have
    // probabilities 6, 90, 90 and 6 of 792, so P = 192 / 792.
    EXPECT_NEAR(fisher_exact(5, 1, 2, 4), 192.0 / 792.0, 1e-12);
    struct Case {
        int a, b, c, d;
        int steps;
    };
    // 2 / 9 / 9 / 2: the chain reaches its mirror table, as probable, with a
    // log-ratio sum of about +1e-11 rather than 0; that table is half of P.
    const Case cases[] = {{5, 1, 2, 4, 100000}, {5, 1, 2, 4, 200000}, {8, 2, 1, 9, 100000},
                          {2, 7, 6, 3, 200000}, {2, 9, 9, 2, 100000}};
    for (Case const& c : cases) {
        std::vector<std::pair<const char*, int>> entries = {
            {"A C", c.a}, {"A T", c.b}, {"G C", c.c}, {"G T", c.d}};
        PopulStandard& p = sample(entries);
        int dims[3] = {2, 0, 1};
        int steps = c.steps;
        int done = 0;
        double P = c.steps <= 100000 ? p.calc_gam_des_prob2(dims, steps, s, done)
                                     : p.calc_gam_des_prob3(dims, steps, s, done);
        const double sd = s.PrecisionOnPValueLD;
        const double exact = fisher_exact(c.a, c.b, c.c, c.d);
        EXPECT_EQ(P, s.ld_pvalue);
        EXPECT_GT(sd, 0.0);
        EXPECT_NEAR(P, exact, 3 * sd) << c.a << c.b << c.c << c.d << " in " << c.steps << " steps";
        EXPECT_EQ(p.contingency_table, nullptr) << "the chain frees its table";
        EXPECT_EQ(dims[0], 2);
        EXPECT_EQ(dims[1], 0) << "the locus numbers are put back";
        s.PrecisionOnPValueLD = 0.0;
    }
}

// Cells above 46340 gene copies: their products no longer fit 32 bits.
// Fisher's P of 60000 / 40000 / 40000 / 60000 is below 1e-300.
TEST_F(LinkageTest, LargeCellsAreWeighedWithoutOverflow)
{
    EXPECT_LT(fisher_exact(60000, 40000, 40000, 60000), 1e-300);
    PopulStandard& p = sample({{"A C", 60000}, {"A T", 40000}, {"G C", 40000}, {"G T", 60000}});
    for (int steps : {10000, 100001}) {
        int dims[3] = {2, 0, 1};
        int done = 0;
        const double P = steps <= 100000 ? p.calc_gam_des_prob2(dims, steps, s, done)
                                         : p.calc_gam_des_prob3(dims, steps, s, done);
        EXPECT_LT(P, 1e-3) << steps << " steps";
        s.PrecisionOnPValueLD = 0.0;
    }
}

// The printed s.d. of the single chain estimates the error of its P: over
// 100 chains its mean agrees with the spread of their P-values.
TEST_F(LinkageTest, SingleChainStandardDeviationMatchesTheSpreadOfItsPValues)
{
    PopulStandard& p = sample({{"A C", 8}, {"A T", 2}, {"G C", 1}, {"G T", 9}});
    const int chains = 100;
    std::vector<double> P(chains);
    double mean_sd = 0.0;
    for (double& value : P) {
        int dims[3] = {2, 0, 1};
        int steps = 10000;
        int done = 0;
        value = p.calc_gam_des_prob2(dims, steps, s, done);
        mean_sd += s.PrecisionOnPValueLD / chains;
        s.PrecisionOnPValueLD = 0.0;
    }
    double mean = 0.0, ss = 0.0;
    for (double value : P)
        mean += value / chains;
    for (double value : P)
        ss += (value - mean) * (value - mean);
    const double spread = std::sqrt(ss / (chains - 1));
    EXPECT_NEAR(mean, fisher_exact(8, 2, 1, 9), 3 * spread / std::sqrt(chains));
    EXPECT_GT(mean_sd / spread, 0.75);
    EXPECT_LT(mean_sd / spread, 1.33);
}

TEST_F(LinkageTest, ChainSizing)
{
    struct Case {
        const char* what;
        int steps;
        bool batched;
        int done;
        int written_back;
        bool zero_sd;
    };
    const Case cases[] = {
        {"100000 steps: 316 batches of 317", 100000, false, 317 * 316, 100000, false},
        {"one step: b = 1, two steps, s.d. 0", 1, false, 2, 1, true},
        {"100001 steps: 6 batches of 20000", 100001, true, 120000, 120000, false},
    };
    PopulStandard& p = example_pair();
    for (Case const& c : cases) {
        int dims[3] = {2, 0, 2};
        int steps = c.steps;
        int done = -1;
        if (c.batched)
            p.calc_gam_des_prob3(dims, steps, s, done);
        else
            p.calc_gam_des_prob2(dims, steps, s, done);
        EXPECT_EQ(done, c.done) << c.what;
        EXPECT_EQ(steps, c.written_back) << c.what;
        EXPECT_EQ(s.PrecisionOnPValueLD == 0.0, c.zero_sd) << c.what;
        s.PrecisionOnPValueLD = 0.0;
    }
    // With a precision asked for, the batched chain stops early but runs at
    // least three batches.
    s.PrecisionOnPValueLD = 0.5;
    int dims[3] = {2, 0, 2};
    int steps = 1000000;
    int done = 0;
    p.calc_gam_des_prob3(dims, steps, s, done);
    EXPECT_EQ(done, 60000);
}

TEST_F(LinkageTest, PairWithoutTableAndStoppedChains)
{
    PopulStandard& p = sample({{"A x C", 3}, {"B ? C", 2}, {"A y T", 2}});
    int dims[3] = {2, 0, 1};  // B only comes with a missing allele at locus 1
    int steps = 1000;
    int done = -1;
    s.ld_pvalue = 0.3;
    EXPECT_EQ(p.calc_gam_des_prob2(dims, steps, s, done), -1.0);
    EXPECT_EQ(s.ld_pvalue, -1.0) << "not tested";
    EXPECT_EQ(done, 0);
    // In the pair loop it says so, and reads "?" in the table of pairs.
    s.ComputeDvalues = 0;
    p.calc_all_gam_des(results, 1000, s);
    const std::string text = take_results();
    EXPECT_THAT(text, HasSubstr("Pair (0, 1) not tested\n"));
    EXPECT_THAT(text, HasSubstr("Pair (0, 2) Exact P="));
    EXPECT_THAT(text, Not(HasSubstr("(0 Steps done)")));
    s.stop_requested = 1;
    for (bool batched : {false, true}) {
        int pair[3] = {2, 0, 2};
        s.ld_pvalue = 0.3;
        steps = batched ? 200000 : 1000;
        double r = batched ? p.calc_gam_des_prob3(pair, steps, s, done)
                           : p.calc_gam_des_prob2(pair, steps, s, done);
        EXPECT_EQ(r, -1000.0);
        EXPECT_EQ(s.ld_pvalue, 0.3) << "a stopped chain writes no P-value";
        EXPECT_EQ(p.contingency_table, nullptr);
    }
}

TEST_F(LinkageTest, PairsInOrderOfTheirSecondLocusThenFirst)
{
    PopulStandard& p = sample({{"a a A a a B a C", 3}, {"a a G a a T a C", 2},
                               {"a a A a a T a G", 1}, {"a a G a a B a G", 2}});
    s.ComputeDvalues = 0;
    p.calc_all_gam_des(results, 1000, s);
    std::string text = take_results();
    EXPECT_THAT(text, HasSubstr("Test of linkage disequilibrium for all pairs of loci:\n"
                                + std::string(53, '-')
                                + "\n\n\nExact test using a Markov chain :\nChain length     :1000"
                                  "\nDememorization   :100\nNote: The test is only performed"
                                  " for polymorphic pairs of loci\n\nPair (2, 5) Exact P="));
    const auto p25 = text.find("Pair (2, 5)");
    const auto p27 = text.find("Pair (2, 7)");
    const auto p57 = text.find("Pair (5, 7)");
    EXPECT_LT(p25, p27);
    EXPECT_LT(p27, p57);
    EXPECT_NE(p57, std::string::npos);
    EXPECT_THAT(text, HasSubstr(" (1023 Steps done)\n"));  // 31 batches of 33
    EXPECT_THAT(text, HasSubstr("Table of significant linkage disequilibrium"));
    EXPECT_THAT(text, HasSubstr("Number of linked loci per polymorphic locus"));
    EXPECT_THAT(text, HasSubstr("Loci 2 and 5\n--------------------\n\n  1: Observed"));
    EXPECT_EQ(s.PrintFlagHistogramLD, 2);
}

TEST_F(LinkageTest, RefusalsAndGates)
{
    struct Case {
        const char* what;
        int make_exact_test;
        int steps;
        bool header;
        bool banners;
        const char* log;
    };
    const Case cases[] = {
        {"no exact test asked", 0, 1000, false, true, ""},
        {"no steps", 1, 0, false, true, ""},
        {"negative steps are refused like 0", 1, -5, false, true,
         "invalid value assigned to keyword"},
    };
    for (Case const& c : cases) {
        PopulStandard& p = example_pair();
        s.MakeExactTestLD = c.make_exact_test;
        p.calc_all_gam_des(results, c.steps, s);
        std::string text = take_results();
        EXPECT_EQ(text.find("Exact test using a Markov chain") != std::string::npos, c.header)
            << c.what;
        EXPECT_EQ(text.find("Number of linked loci") != std::string::npos, c.header) << c.what;
        EXPECT_EQ(text.find("Loci 0 and 2\n") != std::string::npos, c.banners) << c.what;
        EXPECT_THAT(take_log(), HasSubstr(c.log)) << c.what;
    }
    PopulStandard& single = sample({{"A x", 2}, {"B x", 1}});
    single.calc_all_gam_des(results, 1000, s);
    EXPECT_EQ(take_results(), "");
    EXPECT_THAT(take_log(), HasSubstr("linkage disequilibrium cannot be computed on a single locus"));
}

TEST_F(LinkageTest, EveryPairRunsTheChainLengthAskedFor)
{
    PopulStandard& p = sample({{"A C E", 5}, {"A T F", 1}, {"G C F", 2}, {"G T E", 4}});
    open_batch_files();
    s.ComputeDvalues = 0;
    p.calc_all_gam_des(results, 100001, s);
    std::string text = take_results();
    EXPECT_THAT(text, HasSubstr("Chain length     :100001\n"));
    for (const char* pair : {"Pair (0, 1)", "Pair (0, 2)", "Pair (1, 2)"}) {
        std::string::size_type at = text.find(pair);
        ASSERT_NE(at, std::string::npos) << pair;
        EXPECT_THAT(text.substr(at, text.find('\n', at) - at), EndsWith("(120000 Steps done)"));
    }
    std::string pro = batch_text(pro_file, "l_d_pro.sum");
    EXPECT_THAT(pro, HasSubstr("\"proj.drp\"\t\"alleles\"\t0\t1\t120000\t"));
    EXPECT_THAT(pro, HasSubstr("\"proj.drp\"\t\"alleles\"\t1\t2\t120000\t"));
    EXPECT_EQ(batch_text(val_file, "l_d_val.sum"), "")
        << "no coefficient fields follow, so the pairs get no line";
}

TEST_F(LinkageTest, StoppedPairsAreNotTestedAndNeverLinked)
{
    PopulStandard& p = example_pair();
    s.stop_requested = 1;
    p.calc_all_gam_des(results, 1000, s);
    std::string text = take_results();
    EXPECT_THAT(text, Not(HasSubstr("Pair (")));
    EXPECT_THAT(text, HasSubstr("       0 |  *   ? \n"));
    EXPECT_THAT(text, HasSubstr("     1       0    0            2\n"));
    EXPECT_THAT(text, Not(HasSubstr("Loci 0 and 2")));
}

const std::string kExampleTables =
    "\n  1: Observed contingency table\n\n"
    "  Locus0\\Locus2|   C|   T|\n"
    "              A|   5|   1|   6\n"
    "              G|   2|   4|   6\n"
    "               |   7|   5|\n"
    "  Total number of gametes : 12\n"
    "\n  2: Expected table\n\n"
    "  Locus0\\Locus2|       C|       T|\n"
    "              A|    3.50|    2.50|\n"
    "              G|    3.50|    2.50|\n"
    "\n 3: Table of disequilibrium values (D=pab-pa*pb) for all two-locus haplotypes\n\n"
    "  Locus0\\Locus2|       C|       T|\n"
    "              A|  0.1250| -0.1250|\n"
    "              G| -0.1250|  0.1250|\n"
    "\n 4: Table of standardized disequilibrium values (D'=D/Dmax)\n\n"
    "  Locus0\\Locus2|       C|       T|\n"
    "              A|  0.6000| -0.6000|\n"
    "              G| -0.6000|  0.6000|\n"
    "\n 4: Table of standardized disequilibrium values (r2)\n\n"
    "  Locus0\\Locus2|       C|       T|\n"
    "              A|  0.2571|  0.2571|\n"
    "              G|  0.2571|  0.2571|\n"
    "\n 5: Table of Chi-square values ( Chi2=sqr(D)*n/(pa*(1-pa)*pb*(1-pb)) )\n\n"
    "  Locus0\\Locus2|       C|       T|\n"
    "              A|  3.0857|  3.0857|\n"
    "              G|  3.0857|  3.0857|\n"
    "\n 6: Table of Chi-square P values (1 d.f.)\n\n"
    "  Locus0\\Locus2|       C|       T|\n"
    "              A|  0.0790|  0.0790|\n"
    "              G|  0.0790|  0.0790|\n";

// By hand: p(A) = 1/2, p(C) = 7/12, p(AC) = 5/12, so D = 1/8, Dmax =
// min(1/2 * 7/12, 1/2 * 5/12) = 5/24 and D' = 0.6; r2 = D^2 / (1/4 * 35/144)
// = 0.25714, chi-square 12 r2 = 3.0857 with P = 0.0790; r = 0.50709.
TEST_F(LinkageTest, CoefficientTablesOfTheExamplePair)
{
    PopulStandard& p = example_pair();
    open_batch_files();
    s.ComputeDvalues = 1;
    SumStat.MEAN_ALL_DPRIME = SumStat.MEAN_ALL_R2 = SumStat.FLANK_R2 = true;
    SumStat.meanAllDprime.count = SumStat.meanAllR2.count = SumStat.flankR2.count = 0;
    int dims[3] = {2, 0, 2};
    LinkageSums sums;
    EXPECT_EQ(p.calc_d_sd_values(dims, s, sums, 0, 2), 1);
    EXPECT_EQ(take_results(), kExampleTables);
    EXPECT_EQ(batch_text(val_file, "l_d_val.sum"),
              "\"proj.drp\"\t\"alleles\"\t0\t2\t  0.125\t    0.6\t    0.6\t  0.507\t  0.257\t"
              "  0.257\n");
    EXPECT_NEAR(sums.dprime, 0.6, 1e-12);
    EXPECT_NEAR(sums.r2, 9.0 / 35.0, 1e-12);
    ASSERT_EQ(SumStat.flankR2.count, 1);
    EXPECT_NEAR(SumStat.flankR2[0], 9.0 / 35.0, 1e-12);

    // Through the whole test, the collector's means over the one pair.
    p.calc_all_gam_des(results, 1000, s);
    ASSERT_EQ(SumStat.meanAllDprime.count, 1);
    EXPECT_NEAR(SumStat.meanAllDprime[0], 0.6, 1e-12);
    SumStat.MEAN_ALL_DPRIME = SumStat.MEAN_ALL_R2 = SumStat.FLANK_R2 = false;
}

TEST_F(LinkageTest, CellsWithoutAValueShowAStar)
{
    // Allele B of locus 0 has 0 copies: p = 0, so Dmax and pa(1-pa)pb(1-pb)
    // are 0 in its row.
    PopulStandard& p = sample({{"A C", 3}, {"B T", 0}, {"A T", 2}});
    open_batch_files();
    s.ComputeDvalues = 1;
    int dims[3] = {2, 0, 1};
    LinkageSums sums;
    p.calc_d_sd_values(dims, s, sums, 0, 1);
    std::string text = take_results();
    EXPECT_THAT(text, HasSubstr("              B|       *|       *|\n"));
    EXPECT_THAT(text, Not(HasSubstr("nan")));
    EXPECT_THAT(batch_text(val_file, "l_d_val.sum"), HasSubstr("\t      *\t      *\t"));
    EXPECT_EQ(sums.dprime_pairs + sums.r2_pairs, 0);
    EXPECT_THAT(take_log(), HasSubstr("numerical error"));
}

// Loci 0, 3 and 4 with minor alleles of 1, 6 and 2 copies.
TEST_F(LinkageTest, HistogramOfLinkedLoci)
{
    PopulStandard& p =
        sample({{"B x x D E", 1}, {"A x x D F", 2}, {"A x x D E", 3}, {"A x x C E", 8}});
    open_batch_files();
    int loci[] = {0, 3, 4};
    TriMat P(3);
    P(1, 0) = 0.01;
    P(2, 0) = 0.2;
    P(2, 1) = 0.03;
    p.print_ld_histo(3, loci, P, s, results);
    const std::string rule1 = std::string(44, '-') + "\n";
    const std::string rule2 = std::string(53, '-') + "\n";
    EXPECT_EQ(take_results(),
              "\nNumber of linked loci per polymorphic locus (significance level=0.05):\n"
                  + std::string(42, '-') + "\ny\\Locus:     0    3    4   No. of Loci\n" + rule1
                  + "     1       1    2    1            3\n" + rule1
                  + "     2       *    1    1            2\n" + rule1
                  + "     3       *    0    *            1\n" + rule1
                  + "     4       *    0    *            1\n" + rule1
                  + "     5       *    0    *            1\n" + rule1 + "\n\n\n"
                  + "\nPercentage of linked loci per locus (significance level=0.05):\n"
                  + std::string(51, '-') + "\ny\\Locus:        0       3       4   No. of Loci\n"
                  + rule2 + "     1       50.0   100.0    50.0            3\n" + rule2
                  + "     2          *   100.0   100.0            2\n" + rule2
                  + "     3          *     0.0       *            2\n" + rule2
                  + "     4          *     0.0       *            2\n" + rule2
                  + "     5          *     0.0       *            2\n" + rule2
                  + "\n\nRemark: All these results can be found in the file: " + s.ld_file.str
                  + "\n\n");
    const std::string header = "y\\Locus: \t0\t3\t4\t   No. of Loci\n";
    EXPECT_EQ(read_text(dir / "ld_dis.xl"),
              header + "1\t1\t2\t1\t3\n2\t-1\t1\t1\t2\n3\t-1\t0\t-1\t1\n4\t-1\t0\t-1\t1\n"
                       "5\t-1\t0\t-1\t1\n\n\n\n"
                  + header + "1\t50\t100\t50\t3\n2\t-1\t100\t100\t2\n3\t-1\t0\t-1\t2\n"
                             "4\t-1\t0\t-1\t2\n5\t-1\t0\t-1\t2\n");
    EXPECT_EQ(batch_text(link_file, "link_dis.sum"),
              "\t\t\t0\t3\t4\t\n0.05\t1\t3\t1\t2\t1\t\n0.05\t2\t2\t-1\t1\t1\t\n"
              "0.05\t3\t1\t-1\t0\t-1\t\n0.05\t4\t1\t-1\t0\t-1\t\n0.05\t5\t1\t-1\t0\t-1\t\n");

    // A file that cannot be opened is reported and not pointed to.
    s.ld_file = (dir / "no_such_folder" / "ld_dis.xl").string().c_str();
    p.print_ld_histo(3, loci, P, s, results);
    EXPECT_THAT(take_results(), Not(HasSubstr("Remark")));
    EXPECT_THAT(take_log(), HasSubstr("no_such_folder"));
}
}  // namespace
