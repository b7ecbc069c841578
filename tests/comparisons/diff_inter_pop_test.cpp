// The exact test of differentiation: single chain moves, the chain's P value
// against the P value summed over every table with the observed margins, the
// chain sizes, and the failed tables.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/glbobj.h"
#include "app/settings.h"
#include "comparisons/diff_inter_pop.h"
#include "core/random.h"
#include "model/haplo_def.h"
#include "model/population.h"
#include "project/samples.h"
#include "model/individuals_fixture.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;

namespace {

using Table = std::vector<std::vector<int>>;

// Exact P by full enumeration: the summed probability (proportional to
// 1 / product of the cells' factorials) of every table with the observed
// margins that is not more probable than the observed one.
double exact_p(Table const& observed)
{
    const int r = observed.size(), k = observed[0].size();
    std::vector<int> row_left(r, 0), col_left(k, 0);
    double obs_ln = 0.0;
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < k; ++j) {
            row_left[i] += observed[i][j];
            col_left[j] += observed[i][j];
            obs_ln -= std::lgamma(observed[i][j] + 1.0);
        }
    double total = 0.0, tail = 0.0;
    std::function<void(int, double)> fill = [&](int cell, double ln_p) {
        const int i = cell / k, j = cell % k;
        if (cell == r * k) {
            total += std::exp(ln_p);
            if (ln_p <= obs_ln + 1e-9)
                tail += std::exp(ln_p);
            return;
        }
        // The last cell of a row and the last row are fixed by the margins.
        int lo = 0, hi = std::min(row_left[i], col_left[j]);
        if (j == k - 1)
            lo = hi = row_left[i];
        if (i == r - 1)
            lo = hi = col_left[j];
        if (lo > std::min(row_left[i], col_left[j]))
            return;
        for (int x = lo; x <= hi; ++x) {
            row_left[i] -= x;
            col_left[j] -= x;
            fill(cell + 1, ln_p - std::lgamma(x + 1.0));
            row_left[i] += x;
            col_left[j] += x;
        }
    };
    fill(0, 0.0);
    return tail / total;
}

class DiffInterPopTest : public LogFolderTest {
protected:
    settings s;
    Samples samples;
    std::vector<std::unique_ptr<HaploDef>> defs;
    std::fstream results;

    void SetUp() override
    {
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        s.NumPermutPopDiff = 20000;
        s.NumDememoPopDiff = 1000;
        s.PrecProbPopDiff = 0.0;
        s.SignLevelPopDiff = 0.05;
        s.PrintHistoPopDiff = 1;
        samples.GenotypicData = 0;
        samples.GameticPhase = 1;
        samples.RecessiveData = 0;
        xmlOutput = false;
        long seed = -777;
        ran3(&seed);
    }

    void TearDown() override { s.results_stream = nullptr; }

    // One sample per row of `counts`, haplotype j counted counts[i][j] times.
    void set_samples(Table const& counts)
    {
        while (defs.size() < counts[0].size())
            defs.push_back(std::make_unique<HaploDef>(my_string(("h" + std::to_string(defs.size())).c_str())));
        for (std::size_t i = 0; i < counts.size(); ++i) {
            auto* pop = new Population(my_string(("pop" + std::to_string(i + 1)).c_str()));
            for (std::size_t j = 0; j < counts[i].size(); ++j)
                if (counts[i][j] > 0)
                    pop->haplotypes.Add(new PHaploDef(defs[j].get(), counts[i][j]));
            samples.Populations.Add(pop);
        }
    }

    std::string output()
    {
        results.flush();
        return read_text(dir / "p.htm");
    }
};

TEST(SwapCells, RatioOfTheTablesAndRefusedMoves)
{
    long idum = 1;
    int t0[] = {2, 1}, t1[] = {0, 3};
    EXPECT_DOUBLE_EQ(swap_cells(t0, t1, 0, 1, idum), 3.0);  // 2 x 3 / (2 x 1)
    EXPECT_EQ(std::vector<int>(t0, t0 + 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(std::vector<int>(t1, t1 + 2), (std::vector<int>{1, 2}));

    int z0[] = {0, 3}, z1[] = {2, 1};  // would take a copy from an empty cell
    EXPECT_DOUBLE_EQ(swap_cells(z0, z1, 0, 1, idum), 1.0);
    EXPECT_EQ(z0[0], 0);
    EXPECT_EQ(z1[1], 1);

    int b0[] = {50000, 0}, b1[] = {0, 50000};  // 2.5e9 overflows 32 bits
    EXPECT_DOUBLE_EQ(swap_cells(b0, b1, 0, 1, idum), 2.5e9);
}

// A move that would empty a cell below zero (ratio 0) is refused after its
// uniform is drawn, like every ratio below 1: the next draw is the second
// number of the stream.
TEST(SwapCells, AZeroRatioDrawsItsUniform)
{
    long idum = -4321;
    ran3(&idum);
    const Ran3State seeded = ran3_state();
    idum = 1;
    ran3(&idum);
    const double second = ran3(&idum);
    set_ran3_state(seeded);
    int z0[] = {0, 3}, z1[] = {2, 1};
    EXPECT_DOUBLE_EQ(swap_cells(z0, z1, 0, 1, idum), 1.0);
    EXPECT_EQ(ran3(&idum), second);
}

TEST_F(DiffInterPopTest, ChainAgreesWithFullEnumeration)
{
    const Table tables[] = {
        {{3, 0}, {0, 3}},                   // exact P = (2/36) / (2/36 + 2/4) = 0.1
        {{4, 1, 0, 2}, {1, 3, 2, 0}},
        {{2, 0, 1}, {0, 2, 1}, {1, 1, 2}},
        {{3, 1, 0, 1}, {0, 2, 2, 1}, {1, 0, 3, 0}},
    };
    EXPECT_NEAR(exact_p(tables[0]), 0.1, 1e-12);
    for (Table const& t : tables) {
        samples.Populations.Flush();
        set_samples(t);
        DiffInterPop test(s, &samples);
        if (t.size() == 2)
            test.first_sample = 0, test.second_sample = 1, test.make_diff_test();
        else
            test.make_sample_test();
        SCOPED_TRACE(::testing::PrintToString(t));
        EXPECT_EQ(test.steps_done, 20000);
        EXPECT_NEAR(test.prob, exact_p(t), 3 * test.prob_sd + 1e-9);
        EXPECT_EQ(test.test_failed, 0);
    }
}

// Random 2 x k and 3 x k tables with small margins, drawn from the run's
// generator, against full enumeration.
TEST_F(DiffInterPopTest, ChainAgreesOnRandomTables)
{
    long idum = 1;
    for (int trial = 0; trial < 6; ++trial) {
        const int r = 2 + trial % 2, k = 2 + trial % 3;
        Table t(r, std::vector<int>(k));
        int nonzero_columns = 0;
        for (int j = 0; j < k; ++j) {
            int column = 0;
            for (int i = 0; i < r; ++i)
                column += t[i][j] = static_cast<int>(4 * ran3(&idum)) % 4;
            nonzero_columns += column > 0;
        }
        if (nonzero_columns < 2) {
            t[0][0] += 1;
            t[r - 1][k - 1] += 1;
        }
        samples.Populations.Flush();
        set_samples(t);
        DiffInterPop test(s, &samples);
        if (r == 2)
            test.first_sample = 0, test.second_sample = 1, test.make_diff_test();
        else
            test.make_sample_test();
        SCOPED_TRACE(::testing::PrintToString(t));
        EXPECT_NEAR(test.prob, exact_p(t), 3 * test.prob_sd + 1e-9);
    }
}

TEST_F(DiffInterPopTest, ChainSizes)
{
    set_samples({{2, 1}, {2, 1}});  // the observed table is the most probable: every step a hit
    struct Case {
        int S;
        double precision;
        int steps;
    } cases[] = {
        {1000, 0, 20000},   {19999, 0, 20000},   {20000, 0, 20000},
        {50000, 0, 50000},  {100000, 0, 100000}, {100000, 0.01, 30000},
        {0, 0, 0},
    };
    for (Case c : cases) {
        s.NumPermutPopDiff = c.S;
        s.PrecProbPopDiff = c.precision;
        DiffInterPop test(s, &samples);
        test.second_sample = 1;
        test.first_sample = 0;
        test.make_diff_test();
        SCOPED_TRACE(c.S);
        EXPECT_EQ(test.steps_done, c.steps);
        EXPECT_DOUBLE_EQ(test.prob, c.S > 0 ? 1.0 : -1.0);
        EXPECT_EQ(test.test_failed, c.S > 0 ? 0 : 1);
    }
}

// Two samples of the same composition: every batch gives the proportion 1
// and from the third batch on the standard deviation is exactly 0. With a
// precision of 0 the global test stops there (3 batches of 2000 steps),
// while the pair test runs all its 10 batches.
TEST_F(DiffInterPopTest, GlobalChainStopsOnAPrecisionReachedExactly)
{
    set_samples({{2, 1}, {2, 1}});
    s.NumPermutPopDiff = 1000;
    DiffInterPop test(s, &samples);
    test.make_sample_test();
    EXPECT_EQ(test.steps_done, 6000);
    EXPECT_DOUBLE_EQ(test.prob, 1.0);
    test.first_sample = 0;
    test.second_sample = 1;
    test.make_diff_test();
    EXPECT_EQ(test.steps_done, 20000);
}

// When every category occurs once, every table with the margins has the same
// probability (each is 1 / a product of factorials of 0 and 1): the section
// says the test cannot tell the samples apart.
TEST_F(DiffInterPopTest, EveryCategoryOnceIsSaid)
{
    const std::string said = "\n\n Every haplotype occurs only once in the samples: the test "
                             "cannot tell the samples apart\n and gives P = 1 to every test.";
    set_samples({{1, 0, 1, 0}, {0, 1, 0, 1}});
    s.NumPermutPopDiff = 1000;
    DiffInterPop unique(s, &samples);
    unique.make_all_tests();
    std::string text = output();
    EXPECT_THAT(text, HasSubstr("Exact P value = 1.00000 +- 0.00000  (6000 Markov steps done)" + said));
    EXPECT_THAT(text, HasSubstr("           2   1.00000+-0.0000\n"));

    samples.Populations.Flush();
    set_samples({{2, 0, 1, 0}, {0, 1, 0, 1}});
    DiffInterPop repeated(s, &samples);
    repeated.make_all_tests();
    EXPECT_EQ(count_of(output(), "occurs only once"), 1);
}

// A pair whose categories each occur once in that pair cannot be told apart
// either, though the samples as a whole can: exact P 1 for the pair, and a
// note after the pair table names such pairs. Samples: {h0, h1}, {h2, h3},
// then {h0 twice, h4}, or {h4, h5} and {h0 twice, h6}.
TEST_F(DiffInterPopTest, PairsWhoseCategoriesOccurOnceAreSaid)
{
    struct Case {
        Table counts;
        std::string note;
    } cases[] = {
        {{{1, 1, 0, 0, 0}, {0, 0, 1, 1, 0}, {2, 0, 0, 0, 1}},
         "\n Every haplotype occurs only once in the pair 2-1:\n"
         " the test cannot tell the two samples apart and gives P = 1 to this test.\n"},
        {{{1, 1, 0, 0, 0, 0, 0}, {0, 0, 1, 1, 0, 0, 0}, {0, 0, 0, 0, 1, 1, 0}, {2, 0, 0, 0, 0, 0, 1}},
         "\n Every haplotype occurs only once in the pairs 2-1, 3-1, 3-2:\n the test cannot "
         "tell the two samples apart and gives P = 1 to these tests.\n"},
    };
    s.NumPermutPopDiff = 1000;
    for (Case const& c : cases) {
        samples.Populations.Flush();
        set_samples(c.counts);
        EXPECT_DOUBLE_EQ(exact_p({c.counts[0], c.counts[1]}), 1.0);
        DiffInterPop test(s, &samples);
        test.make_all_tests();
        const std::string text = output();
        EXPECT_THAT(text, HasSubstr("           2   1.00000+-0.0000\n"));
        EXPECT_THAT(text, HasSubstr(c.note + "\n\n--------------------------------\n"
                                             "Table of significant differences"));
        EXPECT_EQ(count_of(text, "occurs only once"), 1);
        results.close();
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
    }
}

TEST_F(DiffInterPopTest, SectionWithAFailedPairAndItsSignificance)
{
    s.NumPermutPopDiff = 1000;
    // pop1 and pop2 hold only h0: no table for their pair.
    set_samples({{3, 0}, {2, 0}, {0, 4}});
    DiffInterPop test(s, &samples);
    test.make_all_tests();
    std::string text = output();
    EXPECT_THAT(text, HasSubstr("\n== Exact Test of Sample Differentiation Based on Haplotype Frequencies\n"));
    EXPECT_THAT(text, HasSubstr("Label  \tPopulation name\n-----  \t---------------\n  1\tpop1\n"));
    EXPECT_THAT(text, HasSubstr(" Markov steps done)\n\n"));
    EXPECT_THAT(text, HasSubstr("\nMarkov chain length : 1000 steps)\n\n"
                                "Non-differentiation exact P values :\n\n"
                                "                1                 2\n\n"
                                "           2  -1.00000+-1.0000\n"));
    // Pair 3-1: exact P = 1 / C(7,3) = 0.02857, significant; 3-2: 1 / C(6,2) = 0.0667.
    EXPECT_THAT(text, HasSubstr("(significance level=0.0500):\n"));
    auto row = [](int label, std::string const& marks) {
        std::string line = "           " + std::to_string(label);
        for (char m : marks)
            line += std::string(9, ' ') + m;
        return line + "\n";
    };
    EXPECT_THAT(text, HasSubstr(row(1, " -+") + row(2, "- -") + row(3, "+- ")));
    EXPECT_THAT(text, HasSubstr("|         1|         0|         1|\n"));
    EXPECT_THAT(text, HasSubstr("absurde P-value of -1:"));
    EXPECT_EQ(count_of(log_text(), "unable to build haplotype table"), 1);
}

// Two samples of the same composition give P = 1 exactly; at a significance
// level of 1 that P is not significant. A stop request leaves every chain
// without a result: the cells show -1 and the closing note follows.
TEST_F(DiffInterPopTest, PEqualToTheLevelAndChainsThatDidNotRun)
{
    set_samples({{2, 1}, {2, 1}});
    s.SignLevelPopDiff = 1.0;
    DiffInterPop equal(s, &samples);
    equal.make_all_tests();
    std::string text = output();
    EXPECT_THAT(text, HasSubstr("           2   1.00000+-0.0000\n"));
    EXPECT_THAT(text, HasSubstr("           2         -          \n"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("absurde")));

    s.stop_requested = 1;
    DiffInterPop stopped(s, &samples);
    stopped.make_all_tests();
    s.stop_requested = 0;
    text = output();
    EXPECT_THAT(text, HasSubstr("Exact P value = -1.00000 +- 0.00000  (0 Markov steps done)"));
    EXPECT_THAT(text, HasSubstr("           2  -1.00000+-0.0000\n"));
    EXPECT_THAT(text, HasSubstr("absurde P-value of -1:"));
}

TEST_F(DiffInterPopTest, OneSampleWritesNothing)
{
    set_samples({{3, 1}});
    DiffInterPop test(s, &samples);
    test.make_all_tests();
    EXPECT_EQ(output(), "");
}

// Genotypic samples of unknown phase are compared by multi-locus genotype:
// A/B and B/A fall in one column, counts are truncated to whole individuals.
class GenotypeTableTest : public IndividualsTest {
};

TEST_F(GenotypeTableTest, IndividualsEqualWhateverTheirAlleleOrder)
{
    settings s;
    Samples samples;
    samples.GenotypicData = 1;
    samples.GameticPhase = 0;
    auto* one = new Population(my_string("one"));
    auto* two = new Population(my_string("two"));
    one->individuals.phenotypes.Add(individual("AC", "BC", 2.7));
    one->individuals.phenotypes.Add(individual("AC", "AC"));
    two->individuals.phenotypes.Add(individual("BC", "AC"));
    two->individuals.phenotypes.Add(individual("BC", "BC"));
    samples.Populations.Add(one);
    samples.Populations.Add(two);
    DiffInterPop test(s, &samples);
    ASSERT_TRUE(test.uses_genotype_table());
    ASSERT_EQ(test.build_pheno_table(one, two), 1);
    EXPECT_EQ(test.table, (std::vector<std::vector<int>>{{2, 1, 0}, {1, 0, 1}}));
    ASSERT_EQ(test.build_pheno_table(), 1);
    EXPECT_EQ(test.num_columns, 3);
    // Either release empties a table of all samples; an empty one is left alone.
    test.clean_table();
    EXPECT_TRUE(test.table.empty());
    EXPECT_EQ(test.num_columns, 0);
    ASSERT_EQ(test.build_pheno_table(), 1);
    test.clean_big_table();
    EXPECT_TRUE(test.table.empty());
    EXPECT_EQ(test.num_columns, 0);
    test.clean_big_table();
    EXPECT_TRUE(test.table.empty());
}

}  // namespace
