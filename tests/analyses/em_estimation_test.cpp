// Haplotype frequencies by EM: the kernel against a direct maximisation of
// the likelihood, its starts and inbreeding, the genotypes compatible with
// given haplotypes, and the zipper and conventional analyses of a sample.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "analyses/unphased_fixture.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class EMTest : public UnphasedTest {
protected:
    struct Estimate {
        double lnL;
        int maxima;
        double f;
    };
    Estimate run(TPopHaploDB& table, int starts, int iterations, double epsilon,
                 int inbreeding = 0, double f = 0.0)
    {
        Estimate e{0, -1, f};
        e.lnL = sample.calc_ML_hapl_freq_hill95_LD(sample.individuals, table, s, e.maxima,
                                                   inbreeding, e.f, nullptr, nullptr, 0, starts,
                                                   iterations, epsilon);
        return e;
    }

    double freq(TPopHaploDB const& table, const std::string& h)
    {
        TPopHaplotype const* found = table.find(haplotype(h));
        return found ? found->freq : -1.0;
    }

    // What comp_gam_phase_EM writes.
    std::string analysis()
    {
        std::fstream out(dir / "em.txt", std::ios::in | std::ios::out | std::ios::trunc);
        s.results_stream = &out;
        sample.comp_gam_phase_EM(s);
        s.results_stream = nullptr;
        out.close();
        return read_text(dir / "em.txt");
    }
};

// The allele frequencies are fixed by the data (A 1/2, B 13/24), so the
// likelihood is a function of D alone; maximised directly over D it gives
// these frequencies and ln L (heterozygous genotypes weighted 2).
TEST_F(EMTest, KernelReachesTheMaximumFoundDirectly)
{
    twelve_individuals();
    TPopHaploDB table;
    Estimate e = run(table, 10, 5000, 1e-12);
    EXPECT_NEAR(e.lnL, -20.555378, 1e-6);
    EXPECT_NEAR(freq(table, "AB"), 0.454940, 1e-5);
    EXPECT_NEAR(freq(table, "Ab"), 0.045060, 1e-5);
    EXPECT_NEAR(freq(table, "aB"), 0.086727, 1e-5);
    EXPECT_NEAR(freq(table, "ab"), 0.413273, 1e-5);
    EXPECT_EQ(e.maxima, 1);
}

// The log-likelihood of a start is that of the frequencies entering its
// last iteration: the second iteration changes nothing and ends the start.
TEST_F(EMTest, AllHomozygousSampleGivesItsCountsAfterOneIteration)
{
    add("AB", "AB", 2);
    add("ab", "ab", 1);
    TPopHaploDB one, converged;
    run(one, 5, 1, 1e-7);
    EXPECT_DOUBLE_EQ(freq(one, "AB"), 4.0 / 6);
    EXPECT_DOUBLE_EQ(freq(one, "ab"), 2.0 / 6);
    sample.individuals.phenotypes.Flush();
    add("AB", "AB", 2);
    add("ab", "ab", 1);
    Estimate e = run(converged, 5, 1000, 1e-7);
    EXPECT_EQ(e.maxima, 1);
    EXPECT_NEAR(e.lnL, 2 * std::log(4.0 / 6 * 4.0 / 6) + std::log(2.0 / 6 * 2.0 / 6), 1e-12);
}

// One iteration from random starts leaves every start elsewhere: as many
// maxima as starts. Converged, they are one.
TEST_F(EMTest, DistinctMaximaAreCountedWithinTheTolerance)
{
    twelve_individuals();
    TPopHaploDB one_step, converged;
    EXPECT_EQ(run(one_step, 6, 1, 1e-7).maxima, 6);
    sample.individuals.phenotypes.Flush();
    twelve_individuals();
    EXPECT_EQ(run(converged, 6, 5000, 1e-12).maxima, 1);
}

// The plain iterations from the table's frequencies over the individuals'
// genotypes: probabilities 2 p1 p2 (p^2 for a homozygote), expected gene
// counts added in the order of the individuals and their genotypes (an
// individual of one genotype adds its count to each copy), then
// frequencies, until the summed absolute change falls below epsilon.
// Returns ln L of the frequencies entering the last iteration.
double plain_em(TPhenDB const& individuals, TPopHaploDB& table, int iterations, double epsilon)
{
    const int N = individuals.phenotypes.count;
    double copies = 0;
    for (int i = 0; i < N; i++)
        copies += 2 * individuals.phenotypes.data[i]->count;
    std::vector<double> P(N);
    for (int it = 0; it < iterations; it++) {
        std::map<TPopHaplotype const*, double> counts;
        for (int i = 0; i < N; i++) {
            TPhenotype const* p = individuals.phenotypes.data[i];
            std::vector<double> q;
            P[i] = 0;
            for (int k = 0; k < p->genotypes.count; k++) {
                TGenotype const* g = p->genotypes.data[k];
                q.push_back(g->hapl1 == g->hapl2 ? g->hapl1->freq * g->hapl1->freq
                                                 : 2 * g->hapl1->freq * g->hapl2->freq);
                P[i] += q.back();
            }
            TGenotype const* only = p->genotypes.data[0];
            if (p->genotypes.count == 1 && only->hapl1 == only->hapl2) {
                counts[only->hapl1] += 2 * p->count;
            } else if (p->genotypes.count == 1) {
                counts[only->hapl1] += p->count;
                counts[only->hapl2] += p->count;
            } else {
                for (int k = 0; k < p->genotypes.count; k++) {
                    TGenotype const* g = p->genotypes.data[k];
                    double share = p->count * q[k] / P[i];
                    counts[g->hapl1] += share;
                    counts[g->hapl2] += share;
                }
            }
        }
        double change = 0;
        for (int h = 0; h < table.haplotypes.count; h++) {
            TPopHaplotype* haplotype = table.haplotypes.data[h];
            double f = counts[haplotype] / copies;
            change += std::fabs(f - haplotype->freq);
            haplotype->freq = f;
        }
        if (change < epsilon)
            break;
    }
    double lnL = 0;
    for (int i = 0; i < N; i++)
        lnL += individuals.phenotypes.data[i]->count * std::log(P[i]);
    return lnL;
}

// The kernel reproduces the plain iterations to the last bit, whether the
// start ends at the iteration cap or at epsilon: three loci with
// individuals heterozygous at none, one, two and three of them.
TEST_F(EMTest, KernelGivesThePlainIterationsToTheLastBit)
{
    const struct {
        int iterations;
        double epsilon;
    } cases[] = {{1, 1e-7}, {3, 1e-7}, {1000, 1e-2}, {1000, 1e-7}, {1000, 1e-13}};
    for (auto const& c : cases) {
        sample.individuals.phenotypes.Flush();
        add("ABC", "ABC", 3);
        add("abc", "abc");
        add("ABC", "abC", 3);
        add("Abc", "abc");
        add("ABC", "abc", 5);
        add("AbC", "aBc");
        add("aBC", "Abc", 7);
        TPopHaploDB table;
        seed(-77);
        const double lnL = run(table, 1, c.iterations, c.epsilon).lnL;
        std::vector<double> kernel;
        for (int h = 0; h < table.haplotypes.count; h++)
            kernel.push_back(table.haplotypes.data[h]->freq);
        seed(-77);  // the same random start again
        table.assign_rand_init_freq(1000);
        EXPECT_EQ(plain_em(sample.individuals, table, c.iterations, c.epsilon), lnL)
            << c.iterations << " " << c.epsilon;
        for (int h = 0; h < table.haplotypes.count; h++)
            EXPECT_EQ(table.haplotypes.data[h]->freq, kernel[h]) << h;
    }
}

// One locus, AA x5, Aa x2, aa x3: the maximum-likelihood estimates are
// p = 0.6 and f = 1 - H_obs / (2pq) = 1 - 0.2 / 0.48 = 7/12, which fit the
// genotype counts exactly.
TEST_F(EMTest, InbreedingCoefficientFixedOrEstimated)
{
    add("A", "A", 5);
    add("A", "a", 2);
    add("a", "a", 3);
    TPopHaploDB estimated;
    Estimate e = run(estimated, 3, 20000, 1e-14, 1, 0.0);
    EXPECT_NEAR(e.f, 7.0 / 12, 1e-6);
    EXPECT_NEAR(freq(estimated, "A"), 0.6, 1e-6);
    EXPECT_NEAR(sample.individuals.inbreeding_coeff, 7.0 / 12, 1e-6);

    TPopHaploDB fixed;
    e = run(fixed, 3, 1000, 1e-10, 1, 0.1);
    EXPECT_EQ(e.f, 0.1);
    EXPECT_EQ(sample.individuals.inbreeding_coeff, 0.1);

    // Without any homozygote there is nothing to attribute to inbreeding.
    sample.individuals.phenotypes.Flush();
    add("AB", "ab", 3);
    TPopHaploDB none;
    e = run(none, 2, 100, 1e-10, 1, 0.0);
    EXPECT_EQ(e.f, 0.0);
}

// One locus, AA x5, Aa x2, aa x3 (as above): with an estimated f every
// variant fits the genotype counts exactly, p = 0.6 and f = 7/12, so that
// ln L = 5 ln 0.5 + 2 ln 0.2 + 3 ln 0.3 (one locus is at linkage
// equilibrium, and f solves 5 / (0.4 f + 0.6) + 3 / (0.6 f + 0.4) = 10).
TEST_F(EMTest, VariantsEstimateTheInbreedingOfOneLocus)
{
    using Variant = double (Population::*)(TPhenDB&, TPopHaploDB&, settings&, int&, int const&,
                                           double&, int const&, int const&, int const&,
                                           double const&);
    struct Case {
        const char* name;
        Variant variant;  // null: the LE variant, which also takes given haplotypes
    } cases[] = {{"HWD_LD", &Population::calc_ML_hapl_freq_HWD_LD},
                 {"HWD_LE", &Population::calc_ML_hapl_freq_HWD_LE},
                 {"hill95_LE", nullptr}};
    const double lnL = 5 * std::log(0.5) + 2 * std::log(0.2) + 3 * std::log(0.3);
    for (Case const& c : cases) {
        sample.individuals.phenotypes.Flush();
        add("A", "A", 5);
        add("A", "a", 2);
        add("a", "a", 3);
        TPopHaploDB table;
        int maxima = -1;
        double f = 0.0;
        double result =
            c.variant ? (sample.*c.variant)(sample.individuals, table, s, maxima, 1, f, 0, 3,
                                            20000, 1e-14)
                      : sample.calc_ML_hapl_freq_hill95_LE(sample.individuals, table, s, maxima,
                                                           1, f, nullptr, nullptr, 0, 3, 20000,
                                                           1e-14);
        EXPECT_NEAR(result, lnL, 1e-9) << c.name;
        EXPECT_NEAR(f, 7.0 / 12, 1e-6) << c.name;
        EXPECT_NEAR(freq(table, "A"), 0.6, 1e-6) << c.name;
        EXPECT_EQ(maxima, 1) << c.name;
    }
}

// At linkage equilibrium the twelve individuals' allele frequencies are
// those counted, A 1/2 and B 13/24, every haplotype the product, and ln L
// that of each individual's genotype probability under equilibrium.
TEST_F(EMTest, LinkageEquilibriumVariantGivesTheCountedAlleleFrequencies)
{
    twelve_individuals();
    const double A = 0.5, a = 0.5, B = 13.0 / 24, b = 11.0 / 24;
    const double lnL = 3 * std::log(A * A * B * B) + 2 * std::log(a * a * b * b) +
                       4 * std::log(2 * A * a * 2 * B * b) + std::log(2 * A * a * b * b) +
                       std::log(a * a * 2 * B * b) + std::log(2 * A * a * B * B);
    TPopHaploDB table;
    int maxima = -1;
    double f = 0.0;
    double result = sample.calc_ML_hapl_freq_hill95_LE(sample.individuals, table, s, maxima, 0, f,
                                                       nullptr, nullptr, 0, 4, 1000, 1e-12);
    EXPECT_NEAR(result, lnL, 1e-9);
    EXPECT_NEAR(lnL, -25.563016, 1e-6);
    EXPECT_NEAR(freq(table, "AB"), A * B, 1e-9);
    EXPECT_NEAR(freq(table, "ab"), a * b, 1e-9);
    EXPECT_NEAR(allele(1, 'B')->exp_freq, B, 1e-9);
    EXPECT_EQ(maxima, 1);
}

// The older kernel reaches the kernel's maximum; it converges on the
// settings' EpsilonValue, not on its own epsilon argument.
TEST_F(EMTest, OlderKernelReachesTheMaximumFoundDirectly)
{
    twelve_individuals();
    s.EpsilonValue = 1e-12;
    TPopHaploDB table;
    int maxima = -1;
    double lnL = sample.calc_ML_hapl_freq(sample.individuals, table, s, maxima, 0, 10, 5000, 1e6);
    EXPECT_NEAR(lnL, -20.555378, 1e-6);
    EXPECT_NEAR(freq(table, "AB"), 0.454940, 1e-5);
    EXPECT_NEAR(freq(table, "Ab"), 0.045060, 1e-5);
    EXPECT_NEAR(freq(table, "aB"), 0.086727, 1e-5);
    EXPECT_NEAR(freq(table, "ab"), 0.413273, 1e-5);
    EXPECT_GE(maxima, 1);
}

TEST_F(EMTest, KernelRefusesNoStartOrNoIterationAndAStopRequest)
{
    twelve_individuals();
    TPopHaploDB table;
    Estimate e = run(table, 0, 10, 1e-7);
    EXPECT_EQ(e.lnL, MIN_LN_LIKELIHOOD);
    EXPECT_EQ(e.maxima, 0);
    e = run(table, 3, 0, 1e-7);
    EXPECT_EQ(e.lnL, MIN_LN_LIKELIHOOD);
    EXPECT_EQ(reports("\"Population::calc_ML_hapl_freq_hill95_LD()\" : invalid number"), 2);
    EXPECT_EQ(table.haplotypes.count, 0);
    s.stop_requested = 1;
    EXPECT_EQ(run(table, 3, 10, 1e-7).lnL, -1000.0);
    EXPECT_EQ(table.haplotypes.count, 0);
}

// Three heterozygous loci give 4 phases; with given two-locus haplotypes
// (loci 1 and 2), only the phases whose both parts were given remain, and an
// individual that none fits keeps all its phases.
TEST_F(EMTest, CompatibleGenotypesFollowTheGivenHaplotypes)
{
    TPhenotype* p = individual("ABC", "abc");
    TPopHaploDB given, table;
    given.insert(haplotype("AB"), 0.5);
    given.insert(haplotype("ab"), 0.5);
    given.insert(haplotype("Ab"), 0.0);  // present, but not above the minimum
    int mask[3] = {1, 1, 0};
    p->build_compatible_genotypes(given, mask, table, &db, 0, 0.0);
    EXPECT_EQ(p->num_genotypes, 2);  // ABC/abc and ABc/abC
    for (int i = 0; i < p->genotypes.count; i++) {
        std::string g = text(*p->genotypes[i]->hapl1) + "/" + text(*p->genotypes[i]->hapl2);
        EXPECT_TRUE(g == "ABC/abc" || g == "ABc/abC") << g;
    }

    TPhenotype* q = individual("Abc", "aBC");
    TPopHaploDB only_AB, table2;
    only_AB.insert(haplotype("AB"), 1.0);
    q->build_compatible_genotypes(only_AB, mask, table2, &db, 0, 0.0);
    EXPECT_EQ(q->num_genotypes, 4);
    delete p;
    delete q;
}

TEST_F(EMTest, CompatibleGenotypesRefuseTooManyHeterozygousLoci)
{
    const std::string x(32, 'A'), y(32, 'a');
    TPhenotype* p = new TPhenotype(my_string("wide"), 1);
    TPopHaplotype h1, h2;
    for (int u = 0; u < 32; u++) {
        h1.alleles.Add(allele(u, 'A'));
        h2.alleles.Add(allele(u, 'a'));
    }
    p->set_pseudo_hapl(h1, 0);
    p->set_pseudo_hapl(h2, 1);
    std::vector<int> mask(32, 1);
    TPopHaploDB given, table;
    p->build_compatible_genotypes(given, mask.data(), table, &db, 0, 0.0);
    EXPECT_EQ(reports("\"TPhenotype::build_compatible_genotypes()\" : too many heterozygous loci"),
              1);
    EXPECT_EQ(p->genotypes.count, 0);
    EXPECT_EQ(table.haplotypes.count, 0);
    delete p;
}

// An individual heterozygous at 28 loci has 2^27 phases, far beyond the
// memory limit even at one byte each: the kernel and the analysis refuse
// the sample before building any of them, and the log names the loci and
// the zipper.
TEST_F(EMTest, PhasesBeyondTheMemoryLimitAreRefusedBeforeBuilding)
{
    const int L = 28;
    std::string x, y, z;
    for (int u = 0; u < L; u++) {
        x += 'A';
        y += 'a';
        z += u == 0 ? 'a' : 'A';
    }
    add(x, y);
    add(z, x, 3);
    TPopHaploDB table;
    Estimate e = run(table, 5, 100, 1e-7);
    EXPECT_EQ(e.lnL, MIN_LN_LIKELIHOOD);
    EXPECT_EQ(e.maxima, 0);
    EXPECT_EQ(table.haplotypes.count, 0);
    EXPECT_EQ(sample.individuals.phenotypes[0]->genotypes.count, 0);
    EXPECT_EQ(reports("\"Population::calc_ML_hapl_freq_hill95_LD()\" : not enough memory"), 1);
    EXPECT_EQ(reports("Haplotype frequencies on 28 loci not estimated"), 1);
    EXPECT_EQ(reports("EMUseZipper=1 estimates them window by window"), 1);

    s.ComputeAllHaplotypesEM = 1;
    s.NumBootstrapReplicatesEM = 10;
    std::string r = analysis();
    EXPECT_THAT(r, HasSubstr("Haplotype frequencies not estimated: see the log file\n"));
    EXPECT_THAT(r, Not(HasSubstr("Conventional EM")));
    EXPECT_EQ(reports("Haplotype frequencies on 28 loci not estimated"), 2);
}

TEST_F(EMTest, ConventionalAnalysisWritesItsResults)
{
    twelve_individuals();
    s.ComputeAllHaplotypesEM = 1;
    s.ComputeAllSubHaplotypesEM = 1;
    s.InitialConditionsEM = 5;
    s.NumBootstrapReplicatesEM = 10;
    s.NumInitCondBootstrapEM = 2;
    s.EpsilonValue = 1e-12;
    s.MaximumNumOfIterationsEM = 5000;
    std::string r = analysis();
    EXPECT_THAT(r, HasSubstr("Conventional EM algorithm  (one pass)\n"));
    EXPECT_THAT(r, HasSubstr("No. of gene copies in sample                : 24\n"));
    EXPECT_THAT(r, HasSubstr("LogLHood  : -20.5553"));
    EXPECT_THAT(r, HasSubstr("No. of bootstraps for generating s.d.'s      : 10\n"));
    EXPECT_THAT(r, HasSubstr("Maximum-likelihood haplotype frequencies"));
    EXPECT_THAT(r, HasSubstr("Maximum-likelihood frequencies of genotypes"));
    EXPECT_THAT(r, HasSubstr("Bi-locus ML haplotype frequencies : \n\n(10 bootstrap replicates)\n"));
    EXPECT_THAT(r, HasSubstr("Allele frequencies for the pair of loci( 1 , 2 )\n"));
    // The sample keeps the estimate, with its bootstrap s.d.
    TPopHaplotype const* AB = sample.estimated_haplotypes.find(haplotype("AB"));
    ASSERT_NE(AB, nullptr);
    EXPECT_NEAR(AB->freq, 0.454940, 1e-5);
    EXPECT_GT(AB->sd, 0.0);
}

// An individual heterozygous at all 32 loci has too many phases to list:
// the estimate leaves it out, by name. The other six are homozygous: 6 of
// 12 gene copies each way, frequencies 1/2, ln L = 6 ln(1/4). The header of
// the conventional and of the zipper EM (one window of all 32 loci) counts
// the 12 gene copies estimated, not the 14 of the sample.
TEST_F(EMTest, IndividualWithTooManyHeterozygousLociIsLeftOut)
{
    const std::string A(32, 'A'), B(32, 'B');
    s.ComputeAllHaplotypesEM = 1;
    s.NumBootstrapReplicatesEM = 0;
    s.InitialConditionsEM = 3;
    s.EpsilonValue = 1e-12;
    s.MaximumNumOfIterationsEM = 100;
    sample.individuals.phenotypes.Add(individual(A, B, 1, "Wide"));
    sample.SampleSize += 2;
    std::string r = analysis();
    EXPECT_THAT(r, HasSubstr("Individual Wide has too many heterozygous loci to list its phases: "
                             "left out of the estimation\n"));
    EXPECT_THAT(r, HasSubstr("The estimation of haplotype frequencies was not possible"));
    EXPECT_THAT(r, Not(HasSubstr("LogLHood")));

    add(A, A, 3);
    add(B, B, 3);
    r = analysis();
    EXPECT_EQ(count_of(r, "Individual Wide has too many heterozygous loci"), 1);
    EXPECT_THAT(r, HasSubstr("LogLHood  : -8.3177661667\n"));
    EXPECT_THAT(r, Not(HasSubstr("340282346638528859811704183484516925440")));
    EXPECT_NEAR(freq(sample.estimated_haplotypes, A), 0.5, 1e-12);
    EXPECT_NEAR(freq(sample.estimated_haplotypes, B), 0.5, 1e-12);
    const std::string copies = "No. of gene copies in sample                : 12 (1 individual "
                               "left out)\n";
    EXPECT_THAT(r, HasSubstr("Conventional EM algorithm  (one pass)\n" + std::string(37, '-') +
                             "\n" + copies));

    s.EMUseZipper = 1;
    s.EMWinSize = 32;
    r = analysis();
    EXPECT_THAT(r, HasSubstr("Zipper version of the EM algorithm\n" + std::string(34, '-') +
                             "\n" + copies));
}

TEST_F(EMTest, AlleleFrequenciesAloneWhateverTheZipper)
{
    twelve_individuals();
    s.ComputeAllHaplotypesEM = 0;
    s.ComputeAllAllelesEM = 1;
    s.EMUseZipper = 1;
    s.NumBootstrapReplicatesEM = 0;
    std::string r = analysis();
    EXPECT_THAT(r, Not(HasSubstr("EM algorithm")));
    EXPECT_EQ(count_of(r, "Allele frequencies for the locus "), 2);
    EXPECT_EQ(count_of(r, "No bootstrap confidence interval estimation\n"), 2);
}

// 7 loci in windows of 3: 2 windows, 6 loci estimated; a window wider than
// the loci is reduced to them.
TEST_F(EMTest, ZipperWindowsCoverWholeWindowsOnly)
{
    add("ABCDEFG", "abcdefg", 2);
    add("ABCDEFG", "ABCDEFG", 3);
    add("abcdefg", "abcdefg", 3);
    s.ComputeAllHaplotypesEM = 1;
    s.EMUseZipper = 1;
    s.EMNumZipRandOrders = 0;
    s.InitialConditionsEM = 3;
    struct Case {
        int window;
        const char* listed;
    } cases[] = {{3, "Loci within window                          : 1 2 3 4 5 6 \n"},
                 {9, "Loci within window                          : 1 2 3 4 5 6 7 \n"}};
    for (Case const& c : cases) {
        s.EMWinSize = c.window;
        std::string r = analysis();
        EXPECT_THAT(r, HasSubstr("Zipper version of the EM algorithm\n")) << c.window;
        EXPECT_THAT(r, HasSubstr(c.listed)) << c.window;
        EXPECT_THAT(r, HasSubstr("Number or loci order                        : 1\n"));
        EXPECT_THAT(r, Not(HasSubstr("Conventional EM"))) << c.window;
    }
    EXPECT_THAT(read_text(dir / "em.txt"),
                HasSubstr("Window size for zipper EM                   : 7\n"));
    EXPECT_EQ(reports("larger than the number of loci: reduced to 7"), 1);
}

}  // namespace
