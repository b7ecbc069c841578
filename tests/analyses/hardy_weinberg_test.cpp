// The Hardy-Weinberg exact test: its table, the moves of its chain, the
// chain's estimate against exact enumeration, the bookkeeping of the single
// and the batched chain, the report, and the heterozygosity of individuals
// as whole gene copies.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "app/settings.h"
#include "core/random.h"
#include "model/individuals_fixture.h"
#include "model/population.h"

namespace {

using ::testing::HasSubstr;

const std::string kRule = std::string(72, '-') + "\n";
const std::string kHeads =
    "Locus  #Genot       Obs.Het.     Exp.Het.   P-value     s.d.  Steps done\n";

class HardyWeinbergTest : public IndividualsTest {
protected:
    Population sample;
    settings s;

    void SetUp() override
    {
        sample.profile.MissingData = '?';
        sample.profile.GenotypicData = 1;
        sample.profile.GameticPhase = 1;
        sample.alleleDB = &db;
        s.MakeHWExactTest = 1;
        s.TypeOfTestHW = 0;
        s.MarkovChainDememorisationStepsHW = 1000;
        s.PrecisionOnPValueHW = 0.0;
        seed_stream(-4242);
    }

    static void seed_stream(long seed) { ran3(&seed); }

    // count individuals with these gene copies, one character per locus.
    void add(const std::string& copy1, const std::string& copy2, double count = 1)
    {
        sample.individuals.phenotypes.Add(individual(copy1, copy2, count));
    }

    // Two loci, both polymorphic (A/B and C/D three times, A/A and C/C
    // once), tested on loci and whole haplotypes.
    void two_polymorphic_loci()
    {
        add("AC", "BD", 3);
        add("AC", "AC", 1);
        s.TypeOfTestHW = 2;
    }

    // The cell (a, b) of the table, a <= b.
    int cell(int a, int b) const { return sample.contingency_table[a][b]; }

    // One chain of make_hw_test2 on locus `locus` (-1: whole gene copies).
    struct Chain {
        double P;
        double sd;
        long steps_done;
    };
    Chain chain(long steps, int locus = 0, bool batched = false)
    {
        int dims[2] = {1, locus};
        long done = -1;
        double aux = -1.0;
        double P = batched ? sample.make_hw_test3(steps, aux, s, done, dims)
                           : sample.make_hw_test2(steps, aux, s, done, dims);
        EXPECT_EQ(sample.contingency_table, nullptr) << "a chain frees its table";
        return {P, s.PrecisionOnPValueHW, done};
    }

    // What make_all_hw writes with this chain length.
    std::string report(long steps)
    {
        std::fstream out(dir / "hw.txt", std::ios::in | std::ios::out | std::ios::trunc);
        sample.make_all_hw(out, sample.individuals, steps, s);
        out.close();
        return read_text(dir / "hw.txt");
    }

    // What compute_phenotype_heterozygosity writes, fixed with 4 decimals as
    // the standard-diversity section leaves the stream.
    std::string heterozygosity()
    {
        std::fstream out(dir / "het.txt", std::ios::in | std::ios::out | std::ios::trunc);
        out << std::fixed;
        out.precision(4);
        s.results_stream = &out;
        sample.compute_phenotype_heterozygosity(s, sample.individuals);
        s.results_stream = nullptr;
        out.close();
        return read_text(dir / "het.txt");
    }
};

// ---- Exact P by enumeration, independent of the chain ----

// The allele counts of a genotype table (upper triangle), and in N its
// number of individuals.
std::vector<int> allele_counts_of(std::vector<std::vector<int>> const& n, int& N)
{
    const int k = static_cast<int>(n.size());
    std::vector<int> allele(k, 0);
    N = 0;
    for (int i = 0; i < k; ++i)
        for (int j = i; j < k; ++j) {
            N += n[i][j];
            allele[i] += n[i][j];
            allele[j] += n[i][j];
        }
    return allele;
}

// ln of the probability of a genotype table given its allele counts under
// Hardy-Weinberg proportions: N! prod(n_a!) 2^H / ((2N)! prod(n_ij!)).
double ln_table_probability(std::vector<std::vector<int>> const& n)
{
    const int k = static_cast<int>(n.size());
    int N = 0, H = 0;
    double ln_alleles = 0.0;
    for (int a : allele_counts_of(n, N))
        ln_alleles += std::lgamma(a + 1.0);
    double ln_cells = 0.0;
    for (int i = 0; i < k; ++i)
        for (int j = i; j < k; ++j) {
            if (i != j)
                H += n[i][j];
            ln_cells += std::lgamma(n[i][j] + 1.0);
        }
    return std::lgamma(N + 1.0) + ln_alleles + H * std::log(2.0) - std::lgamma(2.0 * N + 1.0)
           - ln_cells;
}

// Sum of the probabilities of the tables with the allele counts of
// `observed` (2 or 3 alleles) that are no more probable than it.
double exact_p(std::vector<std::vector<int>> const& observed)
{
    const int k = static_cast<int>(observed.size());
    int N = 0;
    const std::vector<int> allele = allele_counts_of(observed, N);
    const double ln_observed = ln_table_probability(observed);
    double P = 0.0;
    for (int h01 = 0; h01 <= N; ++h01)
        for (int h02 = 0; h02 <= (k > 2 ? N : 0); ++h02)
            for (int h12 = 0; h12 <= (k > 2 ? N : 0); ++h12) {
                std::vector<std::vector<int>> t(k, std::vector<int>(k, 0));
                t[0][1] = h01;
                if (k > 2) {
                    t[0][2] = h02;
                    t[1][2] = h12;
                }
                bool valid = true;
                for (int a = 0; a < k && valid; ++a) {
                    int hets = 0;
                    for (int b = 0; b < k; ++b)
                        if (b != a)
                            hets += a < b ? t[a][b] : t[b][a];
                    int rest = allele[a] - hets;
                    valid = rest >= 0 && rest % 2 == 0;
                    t[a][a] = rest / 2;
                }
                if (!valid)
                    continue;
                double ln_p = ln_table_probability(t);
                if (ln_p <= ln_observed + 1e-9)
                    P += std::exp(ln_p);
            }
    return P;
}

TEST_F(HardyWeinbergTest, ChainAgreesWithExactEnumeration)
{
    const std::string names = "ABC";
    const struct {
        const char* what;
        std::vector<std::vector<int>> table;  // upper triangle of genotype counts
    } cases[] = {
        {"excess of heterozygotes, 12 individuals", {{1, 9}, {0, 2}}},
        {"deficit of heterozygotes, 15 individuals", {{6, 2}, {0, 7}}},
        {"three alleles, 20 individuals", {{3, 4, 2}, {0, 2, 5}, {0, 0, 4}}},
        {"three alleles, 10 individuals", {{0, 1, 1}, {0, 3, 2}, {0, 0, 3}}},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        sample.individuals.phenotypes.Flush();
        const int k = static_cast<int>(c.table.size());
        for (int i = 0; i < k; ++i)
            for (int j = i; j < k; ++j)
                if (c.table[i][j] > 0)
                    add(std::string(1, names[i]), std::string(1, names[j]), c.table[i][j]);
        const double expected = exact_p(c.table);
        // The s.d. of the batches, independent chains, is the truer one.
        for (bool batched : {false, true}) {
            s.PrecisionOnPValueHW = 0.0;  // the slot of the last s.d.
            Chain got = chain(batched ? 250000 : 200000, 0, batched);
            EXPECT_EQ(s.hw_pvalue, got.P);
            EXPECT_GT(got.sd, 0.0);
            EXPECT_NEAR(got.P, expected, 3 * got.sd) << "exact P " << expected;
        }
    }
}

// Three A/B individuals: the only other table (A/A, A/B, B/B) has
// probability 0.6, so the exact P is 0.4.
TEST_F(HardyWeinbergTest, ThreeHeterozygotesByHand)
{
    EXPECT_NEAR(exact_p({{0, 3}, {0, 0}}), 0.4, 1e-12);
    add("A", "B", 3);
    s.MarkovChainStepsHW = 40000;
    std::string text = report(40000);
    std::smatch row;
    ASSERT_TRUE(std::regex_search(
        text, row,
        std::regex("\n    1       3       1.00000      0.60000 +([0-9.]+) +([0-9.]+) +40200\n")))
        << text;
    EXPECT_NEAR(std::stod(row[1]), 0.4, 3 * std::stod(row[2]));
    double observed, expected;
    int genotypes;
    sample.compute_locus_heterozygosity(0, observed, expected, genotypes);
    EXPECT_EQ(genotypes, 3);
    EXPECT_DOUBLE_EQ(observed, 1.0);
    EXPECT_DOUBLE_EQ(expected, 0.6);
}

TEST_F(HardyWeinbergTest, MoveRatiosOfTheTwoHomozygoteCases)
{
    add("A", "A");
    add("B", "B");
    int dims[2] = {1, 0};
    ASSERT_EQ(sample.make_hw_table(dims), 1);
    ASSERT_EQ(dims[0], 2);
    long seed = 1;
    // Each step either swaps or draws a move of ratio 0; the swap from two
    // homozygotes to two heterozygotes has ratio 4.1.1/(1.2) = 2 and is
    // always made, the way back 2.1/(4.1.1) = 0.5.
    const struct {
        double ratio;
        int n00, n01, n11;
    } moves[] = {{2.0, 0, 2, 0}, {0.5, 1, 0, 1}};
    for (auto const& m : moves) {
        double r = 1.0;
        for (int tries = 0; tries < 1000 && r == 1.0; ++tries)
            r = sample.swap_in_table2(dims, seed);
        EXPECT_EQ(r, m.ratio);
        EXPECT_EQ(cell(0, 0), m.n00);
        EXPECT_EQ(cell(0, 1), m.n01);
        EXPECT_EQ(cell(1, 1), m.n11);
        EXPECT_EQ(cell(1, 0) + cell(2, 2) + cell(0, 3), 0) << "unused cells stay 0";
    }
    sample.clear_table(dims);
    EXPECT_EQ(sample.contingency_table, nullptr);
}

// Moves keep every allele count and only the upper triangle is used.
TEST_F(HardyWeinbergTest, MovesKeepTheAlleleCounts)
{
    add("A", "B", 4);
    add("C", "C", 3);
    add("B", "D", 2);
    add("A", "A", 1);
    int dims[2] = {1, 0};
    ASSERT_EQ(sample.make_hw_table(dims), 1);
    ASSERT_EQ(dims[0], 4);
    auto allele_counts = [&] {
        std::vector<int> n(4, 0);
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 6; ++j) {
                EXPECT_GE(cell(i, j), 0);
                if (i > j || i >= 4 || j >= 4) {
                    EXPECT_EQ(cell(i, j), 0);
                    continue;
                }
                n[i] += cell(i, j);
                n[j] += cell(i, j);
            }
        return n;
    };
    const std::vector<int> before = allele_counts();
    EXPECT_EQ(before, (std::vector<int>{6, 6, 6, 2}));
    long seed = 1;
    for (int t = 0; t < 5000; ++t)
        sample.swap_in_table2(dims, seed);
    EXPECT_EQ(allele_counts(), before);
    sample.clear_table(dims);
}

TEST_F(HardyWeinbergTest, ChainBookkeeping)
{
    add("AB", "BA", 3);
    add("AA", "BB", 2);
    add("BB", "BB", 1);
    const struct {
        const char* what;
        long steps;
        bool batched;
        double precision;
        long steps_done;
        bool sd_zero;
    } cases[] = {
        {"1 step: b = 1, one more step", 1, false, 0.0, 2, true},
        {"2 steps", 2, false, 0.0, 3, true},
        {"3 steps", 3, false, 0.0, 4, true},
        {"200,000 as one chain, 447 batches of 448 steps", 200000, false, 0.0, 448L * 447, false},
        {"the single chain ignores the precision", 200000, false, 1.0, 448L * 447, false},
        {"200,001 in 447 batches of 448", 200001, true, 0.0, 447L * 448, false},
        {"a precision met at the third batch stops there", 200001, true, 1.0, 3L * 448, false},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        s.PrecisionOnPValueHW = c.precision;
        Chain got = chain(c.steps, 0, c.batched);
        EXPECT_EQ(got.steps_done, c.steps_done);
        EXPECT_GE(got.P, 0.0);
        EXPECT_LE(got.P, 1.0);
        if (c.sd_zero)
            EXPECT_EQ(got.sd, 0.0);
        else
            EXPECT_LT(got.sd, 0.1);
    }
}

// The whole-haplotype test picks the single chain up to 200,000 steps and
// the batches beyond; with a precision of 1 the batches stop at the third.
TEST_F(HardyWeinbergTest, WholeHaplotypeTestBatchedBeyond200000Steps)
{
    add("AB", "BA", 3);
    add("AA", "BB", 2);
    s.TypeOfTestHW = 1;
    s.PrecisionOnPValueHW = 1.0;
    EXPECT_THAT(report(200000), HasSubstr("       (200256 steps done\n"));
    EXPECT_THAT(report(200001), HasSubstr("       (1344 steps done\n"));
    EXPECT_EQ(s.PrecisionOnPValueHW, 1.0) << "the setting keeps its value";
}

TEST_F(HardyWeinbergTest, ReportLayout)
{
    // Locus 1 A/B, locus 2 monomorphic.
    add("AC", "BC", 3);
    s.MarkovChainStepsHW = 100;
    s.MarkovChainDememorisationStepsHW = 500;
    const std::string loci_head = "\nExact test using a Markov chain (for all Loci):"
                                  "\nForecasted chain length     :100"
                                  "\nDememorization steps        :500\n\n";
    const std::string haplotype_head = "\nExact test using a Markov chain (for all Haplotypes):"
                                       "\nForecasted chain length     :100"
                                       "\nDememorization steps        :500\n\n"
                                       "Markov Chain test:  P value : ";
    const std::string monomorphic = "    2   This locus is monomorphic: no test done.\n";
    const std::string row1 = "\n    1       3       1.00000      0.60000";
    const struct {
        const char* what;
        int make_test, type, phase;
        std::string text;  // all of it, up to the first row's P-value
        bool rows, haplotypes;
    } cases[] = {
        {"locus by locus", 1, 0, 1, loci_head + kRule + kHeads + kRule + "    1", true, false},
        {"whole haplotypes only, phase known: empty locus lines", 1, 1, 1,
         kRule + kHeads + kRule + "\n\n" + kRule + haplotype_head, false, true},
        {"whole haplotypes only, phase unknown: loci", 1, 1, 0,
         loci_head + kRule + kHeads + kRule + "    1", true, false},
        {"both", 1, 2, 1, loci_head + kRule + kHeads + kRule + "    1", true, true},
        {"an unknown type acts as 0", 1, 7, 1, loci_head + kRule + kHeads + kRule + "    1", true,
         false},
        {"no test: heading, heads and empty lines", 0, 0, 1,
         loci_head + kRule + kHeads + kRule + "\n\n" + kRule + "\n\n", false, false},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        s.MakeHWExactTest = c.make_test;
        s.TypeOfTestHW = c.type;
        sample.profile.GameticPhase = c.phase;
        std::string text = report(100);
        EXPECT_EQ(text.substr(0, c.text.size()), c.text);
        EXPECT_EQ(text.find(row1) != std::string::npos, c.rows);
        EXPECT_EQ(text.find(monomorphic) != std::string::npos, c.rows);
        EXPECT_EQ(text.find(haplotype_head) != std::string::npos, c.haplotypes);
        EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
    }
    // The last result stays in the slot; a monomorphic last locus leaves 1.
    s.MakeHWExactTest = 1;
    s.TypeOfTestHW = 0;
    report(100);
    EXPECT_EQ(s.hw_pvalue, 1.0);
}

TEST_F(HardyWeinbergTest, WholeHaplotypeLineFormat)
{
    two_polymorphic_loci();
    std::string text = report(1000);
    EXPECT_TRUE(std::regex_search(
        text, std::regex("Markov Chain test:  P value : [01]\\.[0-9]{5} \\+/-    [0-9]\\.[0-9]{5}"
                         "       \\(1023 steps done\n\n\n$")))
        << text;
}

TEST_F(HardyWeinbergTest, WholeHaplotypeTestWithOneHaplotype)
{
    add("AB", "AB", 2);
    add("AB", "AB", 1);
    s.TypeOfTestHW = 2;
    EXPECT_THAT(report(1000), HasSubstr("Markov Chain test:  P value : 1.00000 +/-    0.00000"
                                        "       (0 steps done\n"));
}

// A stopped chain gives -1000 and 0 steps and leaves the P-value slot; the
// report still prints every row, with P 1 and never the last locus's P.
TEST_F(HardyWeinbergTest, StopRequestEndsEachChain)
{
    two_polymorphic_loci();
    s.stop_requested = 1;
    s.hw_pvalue = 0.25;
    Chain got = chain(1000);
    EXPECT_EQ(got.P, -1000.0);
    EXPECT_EQ(got.steps_done, 0);
    EXPECT_EQ(s.hw_pvalue, 0.25);
    EXPECT_EQ(chain(300000, -1, true).P, -1000.0);
    std::string text = report(1000);
    EXPECT_EQ(count_of(text, "    1.00000  0.00000           0\n"), 2);
    EXPECT_THAT(text, HasSubstr("P value : 1.00000 +/-    0.00000       (0 steps done\n"));
}

TEST_F(HardyWeinbergTest, MissingDataLeftOutOfTheLocusButKeptInWholeHaplotypes)
{
    add("AA", "BB", 2);
    add("?A", "AB", 1);  // missing at locus 1
    add("A?", "AB", 1);  // missing at locus 2
    // Locus 1: A/B twice and A/A; the second individual is left out.
    int dims[2] = {1, 0};
    ASSERT_EQ(sample.make_hw_table(dims), 1);
    EXPECT_EQ(dims[0], 2);
    EXPECT_EQ(cell(0, 1), 2);
    EXPECT_EQ(cell(0, 0), 1);
    EXPECT_EQ(cell(1, 1), 0);
    sample.clear_table(dims);

    // Whole gene copies AA, BB, ?A, AB and A?, every individual counted.
    dims[0] = 1;
    dims[1] = -1;
    ASSERT_EQ(sample.make_hw_table(dims), 1);
    EXPECT_EQ(dims[0], 5);
    EXPECT_EQ(cell(0, 1), 2);
    EXPECT_EQ(cell(2, 3), 1);
    EXPECT_EQ(cell(3, 4), 1);
    sample.clear_table(dims);

    // Locus 2: A/B three times, the third individual left out; A and B 3
    // copies each of 6: (6/5)(1 - 1/2).
    double observed, expected;
    int genotypes;
    sample.compute_locus_heterozygosity(1, observed, expected, genotypes);
    EXPECT_EQ(genotypes, 3);
    EXPECT_DOUBLE_EQ(observed, 1.0);
    EXPECT_DOUBLE_EQ(expected, 0.6);
}

TEST_F(HardyWeinbergTest, MonomorphicLocus)
{
    add("A", "A", 2);
    add("?", "A", 1);
    int dims[2] = {1, 0};
    EXPECT_EQ(sample.make_hw_table(dims), 0);
    EXPECT_EQ(dims[0], 0);
    EXPECT_EQ(sample.monomorphic_locus, 1);
    EXPECT_EQ(sample.contingency_table, nullptr);
    Chain got = chain(1000);
    EXPECT_EQ(got.P, 1.0);
    EXPECT_EQ(got.sd, 0.0);
    EXPECT_EQ(got.steps_done, 0);
    s.hw_pvalue = 0.5;
    EXPECT_THAT(report(1000), HasSubstr("\n    1   This locus is monomorphic: no test done.\n"));
    EXPECT_EQ(s.hw_pvalue, 1.0);
}

// A chain length below 1 is refused once for the sample; each row then shows
// P 1 with 0 steps, and the test of the next sample runs as usual.
TEST_F(HardyWeinbergTest, ChainLengthBelowOneRefused)
{
    two_polymorphic_loci();
    std::string text = report(0);
    EXPECT_EQ(count_of(log_text(), "invalid number of batches"), 1);
    EXPECT_EQ(count_of(text, "    1.00000  0.00000           0\n"), 2);
    EXPECT_THAT(text, HasSubstr("P value : 1.00000 +/-    0.00000       (0 steps done\n"));
    Chain batched = chain(-5, 0, true);
    EXPECT_EQ(batched.P, 1.0);
    EXPECT_EQ(batched.steps_done, 0);
    EXPECT_THAT(report(1000), HasSubstr("        1023\n"));
}

TEST_F(HardyWeinbergTest, LocusBeyondTheIndividualsIsAnError)
{
    add("AB", "AB");
    int dims[2] = {1, 2};
    EXPECT_EQ(sample.make_hw_table(dims), 0);
    EXPECT_EQ(sample.monomorphic_locus, 0);
    EXPECT_EQ(count_of(log_text(), "invalid index in contingency table"), 1);
    Chain got = chain(1000, 2);
    EXPECT_EQ(got.P, 1.0);
    EXPECT_EQ(got.steps_done, 0);
}

TEST_F(HardyWeinbergTest, SampleWithoutIndividualsGetsOneNote)
{
    EXPECT_EQ(report(1000), "");
    EXPECT_EQ(count_of(log_text(), "phenotype data base is empty"), 1);
}

TEST_F(HardyWeinbergTest, SameSeedSameReport)
{
    add("AC", "BD", 3);
    add("AD", "AC", 2);
    add("BC", "BC", 2);
    s.TypeOfTestHW = 2;
    std::string first = report(5000);
    seed_stream(-4242);
    EXPECT_EQ(report(5000), first);
    seed_stream(-777);
    EXPECT_NE(report(5000), first) << "another seed gives another chain";
}

// Pooled one-locus genotypes in exact proportions 25 AA, 50 AB, 25 BB give
// G = 0 with one degree of freedom.
TEST_F(HardyWeinbergTest, LikelihoodRatioStatisticOfOneLocus)
{
    add("AC", "AC", 25);
    add("AC", "BC", 50);
    add("BC", "BC", 25);
    s.EMCheckPhenRedundancy = 1;
    int dims[2] = {1, 0};
    double G = -1.0;
    EXPECT_EQ(sample.make_hw_test1(sample.individuals, G, s, dims), 0.0);
    EXPECT_NEAR(G, 0.0, 1e-9);
    EXPECT_EQ(sample.ld_deg_freedom, 1);
}

// ---- Heterozygosity of whole gene copies ----

TEST_F(HardyWeinbergTest, HeterozygosityOfWholeGeneCopies)
{
    const struct {
        const char* what;
        std::vector<std::tuple<const char*, const char*, double>> individuals;
        int heterozygotes, homozygotes;
        const char* observed;
        const char* expected;
    } cases[] = {
        {"one heterozygote", {{"AB", "AC", 1}}, 1, 0, "1.0000", "1.0000"},
        // (1 - 8/16) x 4/3 = 2/3.
        {"two homozygotes of different gene copies", {{"AB", "AB", 1}, {"BA", "BA", 1}}, 0, 2,
         "0.0000", "0.6667"},
        // Copies AB, A? and AB twice: (1 - (9 + 1)/16) x 4/3 = 1/2.
        {"a missing allele makes another gene copy", {{"AB", "A?", 1}, {"AB", "AB", 1}}, 1, 1,
         "0.5000", "0.5000"},
        // Counts 0, 2 and 1: Ho 1/3; copies AB 4, CB 1, CC 1: (1 - 18/36) x 6/5.
        {"a count of 2.9 counts as 2", {{"AB", "CB", 0.5}, {"AB", "AB", 2.9}, {"CB", "CC", 1}},
         1, 2, "0.3333", "0.6000"},
        {"counts below 1", {{"AB", "CB", 0.9}}, 0, 0, "0.0000", "0.0000"},
        {"no individuals", {}, 0, 0, "0.0000", "0.0000"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        sample.individuals.phenotypes.Flush();
        for (auto const& [copy1, copy2, count] : c.individuals)
            add(copy1, copy2, count);
        EXPECT_EQ(heterozygosity(), "No. of Heterozygotes     : " + std::to_string(c.heterozygotes)
                                        + "\nNo. of Homozygotes       : "
                                        + std::to_string(c.homozygotes)
                                        + "\nObs.Heter.               : " + c.observed
                                        + "\nExp.Heter.               : " + c.expected
                                        + "\n\n");
    }
}

}  // namespace
