// End-to-end tests of the per-sample statistics of the population-genetics
// sections: drovexec on the run fixtures prints them in the results and
// appends their lines to the batch files that "glbstreams.txt" selects.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class PopgenStatisticsE2E : public DrovexecTest {
protected:
    // The results of drovexec on a fixture project with these settings, all
    // batch files of these sections selected.
    std::string run_fixture(std::string const& fixture,
                            std::map<std::string, std::string> const& changes)
    {
        write("glbstreams.txt", "batch files\n_MISMATCH_\n_THETA_\n_EWENS_WATTERSON_\n"
                                "_CHAKRABORTY_\n");
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / fixture));
        write("p.drs", run_settings_text(changes));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                    HasSubstr("Successful run of p.drp"));
        return read_text(work / "p.res" / "p.htm");
    }

    std::string batch(const char* name) const { return read_text(work / name); }
};

// Cove: counts 2, 1, 1 with pairs at 0 (1), 1 (3) and 2 (2) loci apart:
// mean 7/6, variance (11 - 49/6)/5 = 17/30, below the mean.
TEST_F(PopgenStatisticsE2E, MicrosatelliteMismatchTable)
{
    std::string results = run_fixture("microsat1.drp", {{"TaskNumber", "4"}});
    EXPECT_THAT(results, HasSubstr("  #Diff.   Count  Exp. Count\n"
                                   "  ------   -----  ----------\n"
                                   "       0       1       0.000\n"
                                   "       1       3       0.000\n"
                                   "       2       2       0.000\n"
                                   "\n\nMismatch observed mean              :        1.167"
                                   "\nMismatch observed variance          :        0.567"
                                   "\n\nImposible to estimate the parameters of the sudden "
                                   "expansion model of Rogers 1995\n"));
}

// North: counts 3 and 2 one difference apart: 4 pairs at 0, 6 at 1, mean 0.6,
// variance (6 - 3.6)/9; South: its histogram 3, 0, 3.
TEST_F(PopgenStatisticsE2E, DnaMismatchBatchLines)
{
    std::string results = run_fixture("dna2.drp", {{"TaskNumber", "4"}, {"MismatchDemogExp", "1"}});
    EXPECT_THAT(results, HasSubstr("Distance method : Pairwise difference (no Gamma correction)\n"
                                   "\n\n\n" + std::string(54, '*')
                                   + "\nParameters estimated under the sudden expansion model:\n"
                                   + std::string(54, '*')
                                   + "\n\nMismatch observed mean              :        0.600"
                                     "\nMismatch observed variance          :        0.267"));
    std::string sum = batch("mismatch.sum");
    // The moments, the fitted theta0, tau and theta1, then the histogram.
    // North drives theta1 to its bound 99999; the least-squares tau there is
    // 0.94738 (ternary search), reached by the search to within 0.001.
    EXPECT_THAT(sum, HasSubstr("\"North\"\t#Diff\t inf\t0.6\t0.266667\t"
                               "1e-07\t0.947261\t99999\t4\t6\t\n"));
    EXPECT_THAT(sum, HasSubstr("\"South\"\t#Diff\t inf\t1\t1.2\t"
                               "1e-07\t2.69337\t1.68592\t3\t0\t3\t\n"));
    EXPECT_THAT(batch("mismatch_sp4.sum"), HasSubstr("\"South\"\t#Diff\t inf\t\n"));
    EXPECT_THAT(batch("only_mismatch_sp.txt"), HasSubstr("\"North\"\t4\t6\t\n"));
}

// North: counts 3 and 2, one site apart in 10 (n = 5, k = 2, S = 1, pi = 0.6):
// theta(S) = 1/(25/12); theta(pi) s.d. sqrt(pi/2 + 66/180 pi^2); theta(k) solves
// E(theta) = 2 and its interval Ewens' P(K < 2) = 0.025 and P(K <= 2) = 0.975;
// Hom = 1 - 0.48 x 5/4 gives theta(H) = 1.128158 and Chakraborty's values.
TEST_F(PopgenStatisticsE2E, DnaThetaEwensWattersonAndChakraborty)
{
    std::string results = run_fixture("dna2.drp", {{"TaskNumber", "386"}, {"ComputeTheta", "15"}});
    EXPECT_THAT(results, HasSubstr("\n       Theta(Hom) :     1.128158\n"
                                   "  S.D. Theta(Hom) :     0.845654\n"
                                   "\n         Theta(k) :     0.691067"
                                   "\n95 % confidence interval limits for theta(k) : "
                                   "[     0.148572,     3.178908 ]\n"
                                   "\n         Theta(S) :     0.480000\n"
                                   "    S.D. Theta(S) :     0.480000\n"
                                   "\n        Theta(Pi) :     0.600000\n"
                                   "   S.D. Theta(Pi) :     0.657267\n"));
    EXPECT_THAT(batch("theta.sum"),
                HasSubstr("\"North\"\t1.128158\t(Hom)\t0.691067\t(k)\t0.480000\t(S)\t"
                          "0.600000\t(Pi)\t\n"));

    EXPECT_THAT(results, HasSubstr("No. of genes in sample                 :           5\n"
                                   "No. of haplotypes in sample            :           2\n"
                                   "Observed F value                       :     0.52000\n"));
    EXPECT_THAT(batch("ewens.sum"), HasSubstr("\"North\"\t5\t2\t0.52000\t"));

    EXPECT_THAT(results, HasSubstr("Observed Homozygosity        :     0.40000\n"
                                   "Exp. No. of alleles          :     2.38403\n"
                                   "P(exactly k alleles)         :     0.40025\n"
                                   "P(k or more alleles)         :     0.82971\n"));
    EXPECT_THAT(batch("chakra.sum"),
                HasSubstr("\"North\"\t5\t2\t0.40000\t2.38403\t0.40025\t0.82971\n"));
}

// The seed of the run fixes the simulated P-values.
TEST_F(PopgenStatisticsE2E, EwensWattersonRepeatsUnderTheRunSeed)
{
    auto tests = [this] {
        std::string text = run_fixture("dna2.drp", {{"TaskNumber", "128"}});
        fs::remove_all(work / "p.res");
        const auto from = text.find("Original haplotype definition");
        return text.substr(from, text.find("<A NAME", from) - from);
    };
    std::string first = tests();
    EXPECT_EQ(tests(), first);
    EXPECT_THAT(first, HasSubstr("Slatkin's Exact test P-value           :     0."));
}

// Every gene copy different, or a single haplotype: neither theta(k) nor the
// tests, each saying why.
TEST_F(PopgenStatisticsE2E, AllGeneCopiesDifferentOrOneHaplotype)
{
    write("p.drp",
          "[Profile]\n\tTitle=\"Edges\"\n\tNbSamples=2\n\tDataType=DNA\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n"
          "\t\tSampleName=\"Distinct\"\n\t\tSampleSize=3\n\t\tSampleData={\n"
          "\t\t\th1\t1\tACGT\n\t\t\th2\t1\tACGA\n\t\t\th3\t1\tTCGA\n\t\t}\n"
          "\t\tSampleName=\"Same\"\n\t\tSampleSize=4\n\t\tSampleData={\n"
          "\t\t\th1\t4\n\t\t}\n");
    write("glbstreams.txt", "batch files\n_EWENS_WATTERSON_\n");
    write("p.drs", run_settings_text({{"TaskNumber", "386"}, {"ComputeTheta", "5"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string results = read_text(work / "p.res" / "p.htm");
    std::string distinct = results.substr(0, results.find("== Sample : \tSame"));
    // The sample's own section, before the summary tables over the samples.
    std::string same = results.substr(
        distinct.size(), results.find("== Summary of computations") - distinct.size());

    EXPECT_THAT(distinct, HasSubstr("\nUnable to compute Theta(Hom) when all gene copies are "
                                    "different\n\nUnable to compute Theta(k) when all gene "
                                    "copies are different\n"));
    EXPECT_THAT(distinct, HasSubstr("No. of alleles in sample : 3\n\nThe test is impossible "
                                    "because all gene copies are different\n---"));
    EXPECT_THAT(distinct, HasSubstr("No. of alleles in sample :            3\n\nThe test is "
                                    "impossible because all gene copies are different\n"));
    EXPECT_THAT(batch("ewens.sum"),
                HasSubstr("\"Distinct\"\t3\t3\tEwens-Watterson test is impossible because all "
                          "gene copies are different\n"));

    EXPECT_THAT(same, HasSubstr("\nUnable to compute Theta(k) when there is a single haplotype "
                                "in the sample\n"));
    EXPECT_THAT(same, HasSubstr("Warning: Ewens-Watterson's test of selective neutrality cannot "
                                "be performed \nwhen there is a single haplotype"));
    EXPECT_THAT(same, HasSubstr("Warning: Chakraborty's test of selective neutrality cannot be "
                                "performed \nwhen there is a single haplotype"));
    EXPECT_THAT(same, Not(HasSubstr("Observed F value")));
}

// 6,000 gene copies exceed Ewens' table for the interval: theta(k) alone (E(K) =
// sum theta/(theta + i) = 2 gives 0.109778), the refusal in the log, neither
// interval nor batch value.
TEST_F(PopgenStatisticsE2E, ThetaKWithoutItsInterval)
{
    write("p.drp",
          "[Profile]\n\tTitle=\"Big\"\n\tNbSamples=1\n\tDataType=DNA\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n"
          "\t\tSampleName=\"Big\"\n\t\tSampleSize=6000\n\t\tSampleData={\n"
          "\t\t\th1\t3000\tACGT\n\t\t\th2\t3000\tACGA\n\t\t}\n");
    write("glbstreams.txt", "batch files\n_THETA_\n");
    write("p.drs", run_settings_text({{"TaskNumber", "2"}, {"ComputeTheta", "4"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string results = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(results, HasSubstr("\n         Theta(k) :     0.109778\n"));
    EXPECT_THAT(results, Not(HasSubstr("confidence interval limits for theta(k)")));
    EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                HasSubstr("\t\t\tToo many aleles or gene copies in sample to compute Theta(k)\n"));
    EXPECT_THAT(batch("theta.sum"), HasSubstr("\"Big\"\t\n"));
}

// RFLP samples print the limits of theta(k) in width 10, and the console
// says nothing when they are left out. Bay: n = 6, k = 2, limits where
// Ewens' P(K <= 2) = 0.975 and P(K < 2) = 0.025 (bisection of the exact
// sums). Big: 6,000 gene copies exceed the table of the interval.
TEST_F(PopgenStatisticsE2E, RflpThetaKLimits)
{
    write("p.drp",
          "[Profile]\n\tTitle=\"RFLP\"\n\tNbSamples=2\n\tDataType=RFLP\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n"
          "\t\tSampleName=\"Bay\"\n\t\tSampleSize=6\n\t\tSampleData={\n"
          "\t\t\tr1\t4\t0101100\n\t\t\tr2\t2\t0111100\n\t\t}\n"
          "\t\tSampleName=\"Big\"\n\t\tSampleSize=6000\n\t\tSampleData={\n"
          "\t\t\tr1\t3000\t0101100\n\t\t\tr2\t3000\t0111100\n\t\t}\n");
    write("p.drs", run_settings_text({{"TaskNumber", "2"}, {"ComputeTheta", "4"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    const std::string results = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(results, HasSubstr("\n95 % confidence interval limits for theta(k) : "
                                   "[   0.129941,   2.632924 ]\n"));
    EXPECT_EQ(count_of(results, "confidence interval limits for theta(k)"), 1);
    const std::string log = read_text(work / "p.res" / "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("\n\t\t\tComputing BMat ...\n\t\t\tdone ! ("));
    EXPECT_THAT(log, Not(HasSubstr("Too many aleles")));
}

// Counts of gene copies are 32-bit: a sample of 3,000,000,000 copies is
// refused by name, never analysed with a wrapped count; the next sample is.
TEST_F(PopgenStatisticsE2E, SampleAboveTheLargestCountIsRefused)
{
    write("p.drp",
          "[Profile]\n\tTitle=\"Huge\"\n\tNbSamples=2\n\tDataType=DNA\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n"
          "\t\tSampleName=\"Huge\"\n\t\tSampleSize=3000000000\n\t\tSampleData={\n"
          "\t\t\th1\t1500000000\tACGT\n\t\t\th2\t1500000000\tACGA\n\t\t}\n"
          "\t\tSampleName=\"Small\"\n\t\tSampleSize=5\n\t\tSampleData={\n"
          "\t\t\th1\t3\tACGT\n\t\t\th2\t2\tACGA\n\t\t}\n");
    write("p.drs", run_settings_text({{"TaskNumber", "3"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    const std::string results = read_text(work / "p.res" / "p.htm");
    EXPECT_EQ(count_of(results, "The sample is too large to be analysed: more than 2147483647 "
                                "gene copies\n"), 1);
    EXPECT_THAT(results, Not(HasSubstr("-1294967296")));
    EXPECT_THAT(results, HasSubstr("No. of gene copies       : 5\n"));
    const std::string log = read_text(work / "p.res" / "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("too many alleles, or too large sample"));
    EXPECT_THAT(log, HasSubstr("\tSample \"Huge\" has 3000000000 gene copies, more than "
                               "2147483647: the sample is not analysed\n"));
}

// Two samples of 1,500,000,000 copies each fit one by one, but the group
// that pools them holds 3,000,000,000, of which 2,600,000,000 of one
// sequence (named h1 in one sample, h3 in the other): the group sample is
// refused by name, never analysed with a wrapped count.
TEST_F(PopgenStatisticsE2E, GroupAboveTheLargestCountIsRefused)
{
    write("p.drp",
          "[Profile]\n\tTitle=\"Huge groups\"\n\tNbSamples=3\n\tDataType=DNA\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n"
          "\t\tSampleName=\"A\"\n\t\tSampleSize=1500000000\n\t\tSampleData={\n"
          "\t\t\th1\t1400000000\tACGT\n\t\t\th2\t100000000\tACGA\n\t\t}\n"
          "\t\tSampleName=\"B\"\n\t\tSampleSize=1500000000\n\t\tSampleData={\n"
          "\t\t\th3\t1200000000\tACGT\n\t\t\th4\t300000000\tACGA\n\t\t}\n"
          "\t\tSampleName=\"C\"\n\t\tSampleSize=5\n\t\tSampleData={\n"
          "\t\t\th1\t3\tACGT\n\t\t\th2\t2\tACGA\n\t\t}\n"
          "\t[[Structure]]\n\t\tStructureName=\"Two\"\n\t\tNbGroups=2\n"
          "\t\tGroup={\n\t\t\t\"A\"\n\t\t\t\"B\"\n\t\t}\n"
          "\t\tGroup={\n\t\t\t\"C\"\n\t\t}\n");
    write("p.drs", run_settings_text({{"TaskNumber", "3"}, {"ComputeSumStatsWithinGroups", "1"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    const std::string log = read_text(work / "p.res" / "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("\tSample \"Group1\" has 3000000000 gene copies, more than "
                               "2147483647: the sample is not analysed\n"));
    EXPECT_THAT(log, Not(HasSubstr("Sample \"A\" has")));
    EXPECT_THAT(log, Not(HasSubstr("Sample \"Group2\" has")));
    std::string results;
    for (auto const& entry : fs::recursive_directory_iterator(work / "p.res"))
        if (entry.is_regular_file() && entry.path().extension() == ".htm")
            results += read_text(entry.path());
    EXPECT_THAT(results, Not(HasSubstr("-1294967296")));
    EXPECT_THAT(results, Not(HasSubstr("No. of gene copies       : -")));
    EXPECT_THAT(results, HasSubstr("No. of gene copies       : 5\n"));
}

}  // namespace
