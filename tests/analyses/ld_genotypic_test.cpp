// The linkage-disequilibrium test of genotypes of unknown phase: the
// statistic against a value worked out independently, the permutation
// blocks, untested pairs and refusals, the two-locus EM against the kernel,
// and the behaviour of P under equilibrium and under strong LD.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "analyses/haplotypes/two_locus_em.h"
#include "analyses/unphased_fixture.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class LDTest : public UnphasedTest {
protected:
    void SetUp() override
    {
        UnphasedTest::SetUp();
        s.InitialCondEMLD = 2;
        s.MakeExactTestLD = 1;
        s.PrintFlagHistogramLD = 0;
        s.SignificanceLevelLD = 0.05;
        s.ld_file = (dir / "ld_dis.xl").string().c_str();
    }

    // Polymorphism flags as the sample's evaluation sets them.
    void flags(std::initializer_list<int> polymorphic)
    {
        delete[] sample.locus_polymorphic;
        sample.locus_polymorphic = new int[polymorphic.size()];
        int k = 0;
        for (int f : polymorphic)
            sample.locus_polymorphic[k++] = f;
    }

    void twelve_polymorphic()
    {
        twelve_individuals();
        flags({1, 1});
    }

    std::string test_all(long permutations)
    {
        std::fstream out(dir / "ld.txt", std::ios::in | std::ios::out | std::ios::trunc);
        s.results_stream = &out;
        sample.calc_all_link_dis(out, sample.individuals, s, 50, permutations, 1000, 1e-10);
        s.results_stream = nullptr;
        out.close();
        return read_text(dir / "ld.txt");
    }

    // P of the pair (0, 1) with this many permutations.
    double pair_p(long permutations)
    {
        int loci[3] = {2, 0, 1};
        long done = 0;
        double chi2, ld, le;
        return sample.calc_link_dis_prob(loci, sample.individuals, s, done, chi2, ld, le, 2,
                                         permutations, 500, 1e-7);
    }
};

// ln L under LD -20.555378 (maximised directly over D), under LE with
// p_A = 1/2, p_B = 13/24: -25.563016; chi-square 10.01528 with 1 d.f.,
// P = 0.00155.
TEST_F(LDTest, ChiSquareOfAPairMatchesTheDirectMaximum)
{
    twelve_polymorphic();
    std::string r = test_all(1000);
    EXPECT_THAT(r, HasSubstr("Test of linkage disequilibrium for all pairs of loci:\n" +
                             std::string(53, '-') + "\n\n\nPermutation test using the EM algorithm"
                             "\nNumber of permutations               : 1000"
                             "\nNumber of initial conditions for EM  : 2\n\n"));
    EXPECT_THAT(r, HasSubstr("Pair(0, 1)\n          LnLHood LD :  -20.55538          LnLHood LE :  "
                             "-25.56302\n"));
    EXPECT_THAT(r, HasSubstr("(1023 permutations done)     Chi-square test value="
                             "10.01528 (P =  0.00155,  1 d.f.)\n"));
    EXPECT_EQ(sample.ld_deg_freedom, 1);
    EXPECT_THAT(r, HasSubstr("Histogram of the number of linked loci per locus"));
    EXPECT_THAT(r, HasSubstr("Table of significant linkage disequilibrium"));
}

// P is (larger + equal) / (b m) over b blocks of m; N = 1, 2 or 3 is one
// block of N + 1 draws with s.d. 0.
TEST_F(LDTest, PermutationBlocks)
{
    twelve_polymorphic();
    struct Case {
        long N;
        long done;
    } cases[] = {{1000, 1023}, {100, 110}, {3, 4}, {1, 2}};
    for (Case const& c : cases) {
        int loci[3] = {2, 0, 1};
        long done = 0;
        double chi2, ld, le;
        double P = sample.calc_link_dis_prob(loci, sample.individuals, s, done, chi2, ld, le, 2,
                                             c.N, 500, 1e-7);
        EXPECT_EQ(done, c.done) << c.N;
        EXPECT_EQ(P, s.ld_pvalue);
        // Every P is a whole number of draws over b m.
        double draws = P * c.done;
        EXPECT_NEAR(draws, std::round(draws), 1e-6) << c.N;
        if (c.N < 4) {
            EXPECT_EQ(s.PrecisionOnPValueLD, 0.0);
        }
    }
}

// A monomorphic locus is not tested: the pair says so, with neither a P nor
// a chi-square, and is never linked; "?" in the table of significant pairs.
TEST_F(LDTest, PairWithAMonomorphicLocusIsNotTested)
{
    add("ABC", "abC", 3);
    add("AbC", "aBC", 2);
    add("ABC", "ABC", 2);
    add("abC", "abC", 2);
    flags({1, 1, 0});
    std::string r = test_all(100);
    const std::string untested = "\n          not tested: a locus of the pair is monomorphic\n";
    EXPECT_THAT(r, HasSubstr("Pair(0, 2)" + untested));
    EXPECT_THAT(r, HasSubstr("Pair(1, 2)" + untested));
    EXPECT_THAT(r, Not(HasSubstr("(0 permutations done)")));
    EXPECT_THAT(r, Not(HasSubstr("Exact P=  1.00000")));
    EXPECT_THAT(r, HasSubstr("  ? "));
    // The first sample's histogram goes to the file although the setting was
    // 0 when the test began.
    EXPECT_THAT(read_text(dir / "ld_dis.xl"),
                HasSubstr("Histogram for population : " + std::string(sample.name.str)));
    // The monomorphic locus, last in the histogram, is linked to none.
    EXPECT_THAT(r, HasSubstr("    0\n" + std::string(69, '-') + "\n\n"));
}

TEST_F(LDTest, OneLocusAndRefusals)
{
    add("A", "a", 2);
    flags({1});
    s.PrintFlagHistogramLD = 1;
    std::string r = test_all(100);
    EXPECT_THAT(r, HasSubstr("\nThe permutation test is not possible with only 1 locus\n"));
    EXPECT_THAT(r, Not(HasSubstr("Pair(")));
    EXPECT_THAT(read_text(dir / "ld_dis.xl"),
                HasSubstr("Loci \t  Number of linked loci\t Polymorphic Locus\n0\t0\t1\n"));
    EXPECT_EQ(s.PrintFlagHistogramLD, 2);
    // A histogram file that cannot be opened is reported, not lost silently.
    s.ld_file = (dir / "no_such_folder" / "ld_dis.xl").string().c_str();
    test_all(100);
    EXPECT_EQ(reports("\"Population::make_xl_file()\" : invalid stream"), 1);

    // No permutation asked: one error line, no exact P; the chi-square of
    // the observation is still written.
    sample.individuals.phenotypes.Flush();
    twelve_polymorphic();
    r = test_all(0);
    EXPECT_EQ(reports("\"Population::calc_all_link_dis()\" : invalid number of batches"), 1);
    EXPECT_THAT(r, HasSubstr("Exact P= not tested (no permutation)     "
                             "Chi-square test value=10.01528"));

    // No individual: a note, no output.
    sample.individuals.phenotypes.Flush();
    EXPECT_EQ(test_all(100), "");
    EXPECT_EQ(reports("\"Population::calc_all_link_dis()\" : phenotype data base is empty"), 1);
}

// The two-locus EM of the permutations gives the kernel's result on the same
// permuted sample from the same point of the random stream.
TEST_F(LDTest, TwoLocusEMMatchesTheKernel)
{
    for (int i = 0; i < 6; i++) {
        add("AC", "BD");
        add("AD", "BC");
        add("EC", "AC");
        add("BE", "AD");
        add("AC", "AC");
    }
    flags({1, 1});
    sample.update_allele_freq();
    TPhenDB T;
    int loci[3] = {2, 0, 1};
    T.create_temp_PhenDB(loci, sample.individuals);
    T.explode_base();
    TwoLocusEM em;
    ASSERT_TRUE(em.load(T));
    for (int draw = 0; draw < 5; draw++) {
        seed(-100 - draw);
        em.permute_first_locus();
        double fast_ld = em.ln_likelihood_ld(s, 3, 200, 1e-7);
        double fast_le = em.ln_likelihood_le();

        seed(-100 - draw);
        TPhenDB permuted(T);
        long stream = 1;
        permuted.permute_alleles(loci, stream);
        TPopHaploDB H;
        int maxima = 0;
        double f = 0.0;
        double kernel_ld = sample.calc_ML_hapl_freq_hill95_LD(permuted, H, s, maxima, 0, f,
                                                              nullptr, nullptr, 0, 3, 200, 1e-7);
        EXPECT_DOUBLE_EQ(fast_ld, kernel_ld) << draw;
        EXPECT_DOUBLE_EQ(fast_le, permuted.link_equil_ln_likelihood()) << draw;
    }
}

// Under linkage equilibrium P is about uniform: few samples below 0.05 and
// a mean near 1/2. Under complete LD P is small.
TEST_F(LDTest, PValuesUnderEquilibriumAndUnderStrongLD)
{
    const char alleles[] = "ABCD";
    long stream = 1;
    auto draw = [&] { return alleles[static_cast<int>(4 * ran3(&stream))]; };
    int below = 0;
    double sum = 0;
    const int runs = 20;
    for (int r = 0; r < runs; r++) {
        sample.individuals.phenotypes.Flush();
        for (int i = 0; i < 40; i++)
            add({draw(), static_cast<char>(draw() + 4)}, {draw(), static_cast<char>(draw() + 4)});
        flags({1, 1});
        double P = pair_p(100);
        below += P < 0.05;
        sum += P;
    }
    EXPECT_LE(below, 4);
    EXPECT_NEAR(sum / runs, 0.5, 0.2);

    // Each allele of locus 1 always with the same allele of locus 2.
    sample.individuals.phenotypes.Flush();
    for (int i = 0; i < 40; i++) {
        char a = draw(), b = draw();
        add({a, static_cast<char>(a + 4)}, {b, static_cast<char>(b + 4)});
    }
    EXPECT_LT(pair_p(200), 0.05);
}

// The selection of linked loci: one chain of exactly N draws per pair of
// polymorphic loci; a locus is selected when its linked partners exceed
// `fraction` of the loci.
TEST_F(LDTest, SelectionOfLinkedLoci)
{
    for (int i = 0; i < 10; i++) {
        add("ACE", "ACE");
        add("BDE", "BDE");
        add("ACE", "BDE");
    }
    flags({1, 1, 0});
    int loci[3] = {2, 0, 1};
    long done = 0;
    double chi2 = 0, ld = 0, le = 0;
    double P = sample.calc_pairwise_LD(loci, sample.individuals, s, done, chi2, ld, le, 2, 1000,
                                       500, 1e-7);
    EXPECT_EQ(done, 1000);
    EXPECT_LT(P, 0.05);
    EXPECT_EQ(s.PrecisionOnPValueLD, 0.0);

    struct Case {
        double fraction;
        std::vector<int> selected;
    } cases[] = {{0.0, {1, 1, 0}}, {0.5, {0, 0, 0}}};
    for (Case const& c : cases) {
        std::vector<int> selected(3, -1);
        sample.calc_all_pairwise_LDs(sample.individuals, s, selected.data(), 0.05, c.fraction, 2,
                                     200, 500, 1e-7);
        EXPECT_EQ(selected, c.selected) << c.fraction;
    }
}

}  // namespace
