// The linkage-disequilibrium test of genotypes of unknown phase: the
// statistic against a value worked out independently, the permutation
// blocks, untested pairs and refusals, the two-locus EM and its P against
// the kernel's, P against an exact enumeration of the permutations, and the
// behaviour of P under equilibrium and under strong LD.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/haplotypes/two_locus_em.h"
#include "analyses/unphased_fixture.h"
#include "app/glbobj.h"

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
        sample.renew_polymorphism_flags(static_cast<int>(polymorphic.size()));
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

// Flags shorter than the loci (a sample whose flags were sized before its
// records were built) read as not polymorphic beyond their end: the pairs
// with the third locus are not tested, and the histogram marks it 0.
TEST_F(LDTest, ALocusBeyondTheFlagsIsNotPolymorphic)
{
    add("ABC", "abc", 3);
    add("AbC", "aBc", 2);
    add("ABc", "ABC", 2);
    add("abC", "abc", 2);
    flags({1, 1});
    s.PrintFlagHistogramLD = 1;
    std::string r = test_all(100);
    const std::string untested = "\n          not tested: a locus of the pair is monomorphic\n";
    EXPECT_THAT(r, HasSubstr("Pair(0, 2)" + untested));
    EXPECT_THAT(r, HasSubstr("Pair(1, 2)" + untested));
    EXPECT_THAT(r, Not(HasSubstr("Pair(0, 1)" + untested)));
    EXPECT_THAT(read_text(dir / "ld_dis.xl"), HasSubstr("\n2\t0\t0\n"));
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

// The two-locus EM of the permutations reaches the kernel's maximum on the
// same permuted sample from the same point of the random stream, up to the
// convergence tolerance (its extrapolated steps stop at another point of the
// same climb).
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
        EXPECT_NEAR(fast_ld, kernel_ld, 1e-5) << draw;
        EXPECT_DOUBLE_EQ(fast_le, permuted.link_equil_ln_likelihood()) << draw;
    }
}

// The permutation test's P equals, within Monte Carlo error, the P of the
// same test run with the kernel EM on every permuted sample: the faster EM
// does not shift the null distribution. Three alleles per locus with partial
// association, so that P lies well inside (0, 1).
TEST_F(LDTest, PValueAgreesWithTheKernelEMWithinMonteCarloError)
{
    const char alleles[] = "ABC";
    long stream = -5;
    auto draw = [&] { return alleles[static_cast<int>(3 * ran3(&stream))]; };
    auto partner = [&](char a) {
        return static_cast<char>(ran3(&stream) < 0.25 ? a + 3 : draw() + 3);
    };
    for (int i = 0; i < 40; i++) {
        char a = draw(), b = draw();
        add({a, partner(a)}, {b, partner(b)});
    }
    flags({1, 1});
    seed(-11);
    const long N = 2000;
    const double fast = pair_p(N);

    // The kernel's statistics on the observed and on N permuted samples.
    sample.update_allele_freq();
    int loci[3] = {2, 0, 1};
    TPhenDB T;
    T.create_temp_PhenDB(loci, sample.individuals);
    auto statistic = [&](TPhenDB& table) {
        TPopHaploDB H;
        int maxima = 0;
        double f = 0.0;
        return 2 * (sample.calc_ML_hapl_freq_hill95_LD(table, H, s, maxima, 0, f, nullptr,
                                                       nullptr, 0, 2, 500, 1e-7) -
                    table.link_equil_ln_likelihood());
    };
    const double observed = statistic(T);
    T.explode_base();
    seed(-12);
    long at_least = 0;
    for (long d = 0; d < N; d++) {
        TPhenDB permuted(T);
        long shuffle = 1;
        permuted.permute_alleles(loci, shuffle);
        at_least += statistic(permuted) >= observed - 1e-10;
    }
    const double kernel = static_cast<double>(at_least) / N;
    ASSERT_GT(kernel, 0.05);
    ASSERT_LT(kernel, 0.95);
    EXPECT_NEAR(fast, kernel, 4 * std::sqrt(2 * kernel * (1 - kernel) / N));
}

// The statistic of two loci given as allele codes, gene copy 1 then 2 of
// each individual, from an EM written for the purpose: ln L at the best of
// ten random starts, each run until a step moves the frequencies by less
// than 1e-13, against ln L at linkage equilibrium.
double exact_statistic(std::vector<int> const& a, std::vector<int> const& b)
{
    const int n = static_cast<int>(a.size()) / 2;
    const int ka = 1 + *std::max_element(a.begin(), a.end());
    const int kb = 1 + *std::max_element(b.begin(), b.end());
    const int H = ka * kb;
    auto hap = [&](int copy_a, int copy_b) { return a[copy_a] * kb + b[copy_b]; };
    std::vector<double> fa(ka, 0.0), fb(kb, 0.0);
    for (int c = 0; c < 2 * n; c++) {
        fa[a[c]] += 1.0 / (2 * n);
        fb[b[c]] += 1.0 / (2 * n);
    }
    double ln_le = 0;
    for (int i = 0; i < n; i++) {
        const int x = 2 * i, y = x + 1;
        ln_le += std::log(fa[a[x]] * fa[a[y]] * (a[x] != a[y] ? 2 : 1) * fb[b[x]] * fb[b[y]] *
                          (b[x] != b[y] ? 2 : 1));
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<double> weight(0.5, 1.5);
    double best = -HUGE_VAL;
    for (int start = 0; start < 10; start++) {
        std::vector<double> p(H), next(H);
        for (double& f : p)
            f = weight(random);
        const double sum = std::accumulate(p.begin(), p.end(), 0.0);
        for (double& f : p)
            f /= sum;
        double ln_ld = 0, change = 1;
        for (int step = 0; step < 100000 && change > 1e-13; step++) {
            std::fill(next.begin(), next.end(), 0.0);
            ln_ld = 0;
            for (int i = 0; i < n; i++) {
                const int x = 2 * i, y = x + 1;
                const bool two_phases = a[x] != a[y] && b[x] != b[y];
                const double first = p[hap(x, x)] * p[hap(y, y)];
                const double second = two_phases ? p[hap(x, y)] * p[hap(y, x)] : 0.0;
                const double both = first + second;
                next[hap(x, x)] += first / both;
                next[hap(y, y)] += first / both;
                next[hap(x, y)] += second / both;
                next[hap(y, x)] += second / both;
                ln_ld += std::log(both * (a[x] != a[y] || b[x] != b[y] ? 2 : 1));
            }
            change = 0;
            for (int h = 0; h < H; h++) {
                next[h] /= 2 * n;
                change += std::fabs(next[h] - p[h]);
            }
            p.swap(next);
        }
        best = std::max(best, ln_ld);
    }
    return 2 * (best - ln_le);
}

// The exact P of the permutation test: every arrangement of the first
// locus's gene copies is equally likely under the shuffle, and P is the
// share of the distinct arrangements whose statistic is at least the
// observed one (ties, at 1e-6, well inside the gaps between statistics).
double exact_p(std::vector<int> a, std::vector<int> const& b)
{
    const double observed = exact_statistic(a, b);
    std::sort(a.begin(), a.end());
    long arrangements = 0, at_least = 0;
    do {
        arrangements++;
        at_least += exact_statistic(a, b) > observed - 1e-6;
    } while (std::next_permutation(a.begin(), a.end()));
    return static_cast<double>(at_least) / arrangements;
}

// In small samples many arrangements are the same table up to relabelling,
// with the observed statistic: they count as at least as large whatever
// the EM's stopping point. P of the block test and of the single chain
// agree with the exact P within Monte Carlo error, given enough EM starts
// to find the highest of the likelihood's several maxima.
TEST_F(LDTest, PValueAgreesWithAnExactEnumerationOfTheArrangements)
{
    s.InitialCondEMLD = 10;
    struct Case {
        std::vector<std::pair<std::string, std::string>> individuals;
        int at_least, arrangements;  // the exact P, also found by another program
    } cases[] = {
        // 72 of the 280 arrangements tie with the observed statistic.
        {{{"Ab", "Cb"}, {"Cc", "Ab"}, {"Aa", "Ab"}, {"Cc", "Bb"}}, 268, 280},
        {{{"Bc", "Bd"}, {"Bd", "Ac"}, {"Bd", "Ad"}, {"Ac", "Ac"}, {"Bc", "Ac"}}, 172, 252},
        // The observed statistic is the largest: P is the share of its ties.
        {{{"Bd", "Bd"}, {"Bd", "Bd"}, {"Bc", "Ad"}, {"Ad", "Bc"}, {"Bc", "Bd"}}, 12, 45},
    };
    for (Case const& c : cases) {
        sample.individuals.phenotypes.Flush();
        std::vector<int> a, b;
        for (auto const& ind : c.individuals) {
            add(ind.first, ind.second);
            for (std::string const* copy : {&ind.first, &ind.second}) {
                a.push_back((*copy)[0] - 'A');
                b.push_back((*copy)[1] - 'a');
            }
        }
        flags({1, 1});
        const double exact = exact_p(a, b);
        ASSERT_DOUBLE_EQ(exact, static_cast<double>(c.at_least) / c.arrangements);

        const long N = 2000;
        const double blocks = pair_p(N);
        const double draws = 2024;  // 44 blocks of 46
        EXPECT_NEAR(blocks, exact, 4 * std::sqrt(exact * (1 - exact) / draws)) << c.at_least;

        int loci[3] = {2, 0, 1};
        long done = 0;
        double chi2 = 0, ld = 0, le = 0;
        const double chain = sample.calc_pairwise_LD(loci, sample.individuals, s, done, chi2, ld,
                                                     le, s.InitialCondEMLD, N, 500, 1e-7);
        EXPECT_NEAR(chain, exact, 4 * std::sqrt(exact * (1 - exact) / N)) << c.at_least;
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

// The test allowing for inbreeding, run in the test folder (where it looks
// for "HapFreqPar.txt") with its batch stream l_d_proIBD.sum.
class LDInbreedingTest : public LDTest {
protected:
    std::filesystem::path old_dir = std::filesystem::current_path();
    std::ofstream batch;
    my_string old_input = settings::input_file;

    void SetUp() override
    {
        LDTest::SetUp();
        std::filesystem::current_path(dir);
        batch.open(dir / "l_d_proIBD.sum");
        _LINKAGE_DISEQUILIBRIUM_ = 1;
        ofs_link_dis_pro_inbreeding = &batch;
        settings::input_file = "proj.drp";
        sample.name = "pop";
    }
    void TearDown() override
    {
        _LINKAGE_DISEQUILIBRIUM_ = 0;
        ofs_link_dis_pro_inbreeding = nullptr;
        settings::input_file = old_input;
        std::filesystem::current_path(old_dir);
        LDTest::TearDown();
    }

    std::string test_all_fast(long permutations)
    {
        std::fstream out(dir / "ld.txt", std::ios::in | std::ios::out | std::ios::trunc);
        sample.calc_all_link_dis_fast(out, sample.individuals, s, 2, permutations, 1000, 1e-10);
        out.close();
        return read_text(dir / "ld.txt");
    }
    std::string batch_text()
    {
        batch.flush();
        return read_text(dir / "l_d_proIBD.sum");
    }
};

// Without inbreeding both fits are those of the plain test: the chi-square
// of the direct maximum (10.01528, 1 d.f.), and one batch line of the two
// fits, the P-value and N.
TEST_F(LDInbreedingTest, WithoutInbreedingTheStatisticOfThePlainTest)
{
    twelve_polymorphic();
    std::string r = test_all_fast(1000);
    EXPECT_THAT(r, HasSubstr("Permutation test using the EM algorithm"
                             "\nNumber of permutations               : 1000"));
    EXPECT_THAT(r, HasSubstr("Pair(0, 1) : Exact P= "));
    EXPECT_THAT(r, HasSubstr(" (1023 permutations done)     Chi-square test value=10.01528 (P =  "
                             "0.00155,  1 d.f.)\n"));
    EXPECT_THAT(r, Not(HasSubstr("Histogram")));
    std::ostringstream P;
    P << s.ld_pvalue;
    EXPECT_LT(s.ld_pvalue, 0.05);
    EXPECT_THAT(batch_text(), ::testing::MatchesRegex(
                                  "\"proj.drp\"\t\"pop\"\t0\t-20.5554\t0\t-25.563\t0\t10.0153\t1\t"
                                  "0.00155[0-9]*\t\t" + P.str() + "\t1000\n"));
}

// The parameter file switches inbreeding on and sets N: the header keeps
// the caller's N, the pair the permutations done (100: 10 blocks of 11);
// the batch line adds the refit without inbreeding, whose chi-square is the
// plain one. Labels after the numbers are skipped, however long.
TEST_F(LDInbreedingTest, ParameterFileAndRecessiveData)
{
    twelve_polymorphic();
    temp_dir.write_file("HapFreqPar.txt", "1 inbreeding\n0\n2\n0\n1000 " + std::string(300, 'x') +
                                              "\n7\n1e-10\n100 permutations\n");
    std::string r = test_all_fast(1000);
    EXPECT_THAT(r, HasSubstr("Number of permutations               : 1000\n"));
    EXPECT_THAT(r, HasSubstr(" (110 permutations done)     Chi-square test value=10.01528 (P =  "
                             "0.00155,  1 d.f.)\n"));
    std::string line = batch_text();
    EXPECT_THAT(line, ::testing::StartsWith("\"proj.drp\"\t\"pop\"\t1\t"));
    EXPECT_THAT(line, HasSubstr("\t0\t-20.5554\t0\t-25.563\t0\t10.0153\t1\t"));
    EXPECT_THAT(line, ::testing::EndsWith("\t100\n"));
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2 + 16 + 2);

    s.RecessiveAllelesEM = 1;
    r = test_all_fast(1000);
    EXPECT_THAT(r, HasSubstr("\nThe linkage disequilibrium test with inbreeding is not possible "
                             "with recessive data\nPair(0, 1) : Exact P= not tested (no "
                             "permutation)     Chi-square test value= 0.00000"));
    EXPECT_EQ(batch_text(), line) << "no pair tested, no batch line";

    // A monomorphic locus: the pair says it was not tested, with no P.
    s.RecessiveAllelesEM = 0;
    flags({1, 0});
    r = test_all_fast(1000);
    EXPECT_THAT(r, HasSubstr("Pair(0, 1) : not tested: a locus of the pair is monomorphic\n"));
    EXPECT_THAT(r, Not(HasSubstr("Exact P=")));
}

}  // namespace
