// End-to-end tests of Tajima's and Fu's neutrality tests of DNA and RFLP
// samples: the observed statistics, the summary of the coalescent replicates
// and the batch lines "tajima.sum" and "fu_fs.sum".

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class NeutralityTestsE2E : public DrovexecTest {
protected:
    // Runs Tajima's and Fu's tests (0x40 | 0x4000) on a fixture with N replicates.
    std::string results_of(const char* fixture, const char* replicates)
    {
        fs::remove_all(work);
        fs::create_directory(work);
        write("glbstreams.txt", "flags\n_TAJIMA_\n_FU_FS_\n");
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / fixture));
        write("p.drs",
              run_settings_text({{"TaskNumber", "16448"}, {"NumSimulFuTest", replicates}}));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        return read_text(work / "p.res" / "p.htm");
    }
};

// Worked by hand: D = (k - S/a1) / sqrt(e1 S + e2 S (S - 1)) with S = 1;
// Fs = ln(S' / (1 - S')), S' = 1 - P(K = 1) = 1 - (n-1)! / prod(theta + i),
// i = 1 .. n-1, under theta = k; E(k) = sum theta / (theta + i), i = 0 .. n-1.
TEST_F(NeutralityTestsE2E, ObservedValuesWithoutAndWithOneReplicate)
{
    const struct {
        const char* fixture;
        const char* tajima;
        const char* fu;
    } cases[] = {
        // Counts 3 and 2 one transversion apart (n = 5, k = 0.6).
        {"dna2.drp",
         "Sample size                           :        5\n"
         "No. of sites with substitutions (S)   :        1\n"
         "Mean No. of pairwise differences (Pi) :  0.60000\n"
         "Distance method                       : "
         "Pairwise difference (no Gamma correction, indels not taken into account)\n"
         "\nTajima's D                            :  1.22474\n",
         "Original No. of alleles(k)   :           2\n"
         "Theta(Pi)                    :     0.60000\n"
         "Exp. No. of alleles          :     1.90287\n"
         "Fs                           :     0.62615\n"},
        // Counts 4 and 2 one site apart (n = 6, k = 0.533333).
        {"rflp1.drp",
         "No. of segregating sites (S)          :        1\n"
         "Mean No. of pairwise differences (Pi) :   0.5333\n"
         "Distance method                       : Pairwise difference (no Gamma correction)\n"
         "Tajima's D                            :   0.8506\n",
         "Theta(Pi)                    :     0.53333\n"
         "Exp. No. of alleles          :     1.92333\n"
         "Fs                           :     0.62543\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.fixture);
        std::string none = results_of(c.fixture, "0");
        EXPECT_THAT(none, HasSubstr(c.tajima));
        EXPECT_THAT(none, HasSubstr(c.fu));
        EXPECT_THAT(none, Not(HasSubstr("No. of simulations")));

        std::string one = results_of(c.fixture, "1");
        EXPECT_THAT(one, HasSubstr(c.tajima));
        EXPECT_THAT(one, HasSubstr("\nNo. of simulations                    : "));
        EXPECT_THAT(one, HasSubstr("\nS.D. k                       :     0.00000\n"));
        EXPECT_THAT(read_text(work / "tajima.sum"), HasSubstr("\t1\n"));
        EXPECT_THAT(read_text(work / "fu_fs.sum"), HasSubstr("\t1\n"));
    }
}

// With the run's fixed seed the replicates, and so the P-values, repeat.
TEST_F(NeutralityTestsE2E, FixedSeedReproducesThePValues)
{
    std::string first = results_of("dna2.drp", "200");
    EXPECT_THAT(first, HasSubstr("\nNo. of simulations                    :      200\n"));
    EXPECT_THAT(first, HasSubstr("P(D simul &lt; D obs)                    : "));
    EXPECT_THAT(first, HasSubstr("\n\nProb(sim_Fs &lt;=obs_Fs)        :"));
    const std::string tajima = read_text(work / "tajima.sum");
    const std::string fu = read_text(work / "fu_fs.sum");
    results_of("dna2.drp", "200");
    EXPECT_EQ(read_text(work / "tajima.sum"), tajima);
    EXPECT_EQ(read_text(work / "fu_fs.sum"), fu);
}

// The hand-worked samples of Tajima's D: one sequence 4 transversions away
// from four others (n = 5, S = 4, k = 1.6, theta(S) = 4 / (25/12) = 1.92,
// D = -1.09380); two groups of 3 sequences 3 sites apart (n = 6, S = 3,
// k = 1.8, theta(S) = 3 / (137/60) = 1.313869, D = 1.90989). D is not
// defined without a segregating site (a monomorphic sample, or one whose
// every site misses data in half of its copies, above the 5 % allowed) nor
// for 3 gene copies (e2 = 0): no replicate, P -1 in the batch line.
TEST_F(NeutralityTestsE2E, HandWorkedTajimaSamplesThroughTheDriver)
{
    write("glbstreams.txt", "flags\n_TAJIMA_\n");
    write("p.drp",
          "[Profile]\n\tTitle=\"Tajima\"\n\tNbSamples=5\n\tDataType=DNA\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n"
          "\t\tSampleName=\"One\"\n\t\tSampleSize=5\n"
          "\t\tSampleData={\n\t\t\ta\t4\tAAAAAAAA\n\t\t\tb\t1\tCCCCAAAA\n\t\t}\n"
          "\t\tSampleName=\"Two\"\n\t\tSampleSize=6\n"
          "\t\tSampleData={\n\t\t\tc\t3\tAAAAAAAA\n\t\t\td\t3\tCCCAAAAA\n\t\t}\n"
          "\t\tSampleName=\"Same\"\n\t\tSampleSize=4\n"
          "\t\tSampleData={\n\t\t\te\t4\tACGTACGT\n\t\t}\n"
          "\t\tSampleName=\"Three\"\n\t\tSampleSize=3\n"
          "\t\tSampleData={\n\t\t\tf\t2\tAAAAAAAA\n\t\t\tg\t1\tCAAAAAAA\n\t\t}\n"
          "\t\tSampleName=\"Gaps\"\n\t\tSampleSize=4\n"
          "\t\tSampleData={\n\t\t\th\t2\tACGT????\n\t\t\ti\t2\t????ACGT\n\t\t}\n");
    write("p.drs", run_settings_text({{"TaskNumber", "64"}, {"NumSimulFuTest", "10"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    const std::string text = read_text(work / "p.res" / "p.htm");
    for (const char* lines :
         {"Sample size                           :        5\n"
          "No. of sites with substitutions (S)   :        4\n"
          "Mean No. of pairwise differences (Pi) :  1.60000\n",
          "\nTajima's D                            : -1.09380\n",
          "\nObs. Theta(S)                         :  1.92000\n",
          "Sample size                           :        6\n"
          "No. of sites with substitutions (S)   :        3\n"
          "Mean No. of pairwise differences (Pi) :  1.80000\n",
          "\nTajima's D                            :  1.90989\n",
          "\nObs. Theta(S)                         :  1.31387\n"})
        EXPECT_THAT(text, HasSubstr(lines));
    const std::string not_defined =
        "\nTajima's D                            : not defined with fewer than 4 gene copies or no "
        "segregating site\n\nTajima's test cannot be computed\n\n";
    EXPECT_EQ(count_of(text, not_defined), 3);
    EXPECT_EQ(count_of(text, "P(D simul &lt; D obs)"), 2);
    const std::string batch = read_text(work / "tajima.sum");
    EXPECT_THAT(batch, HasSubstr("\"One\"\t5\t4\t1.920000\t1.600000\t-1.093799\t"));
    EXPECT_THAT(batch, HasSubstr("\"Same\"\t4\t0\t0.000000\t0.000000\t0.000000\t-1.000000\t"
                                 "-1.000000\t-1.000000\t0\n"));
    // theta(S) = 1 / (1 + 1/2), pi = 2 differing pairs of 3.
    EXPECT_THAT(batch, HasSubstr("\"Three\"\t3\t1\t0.666667\t0.666667\t0.000000\t-1.000000\t"
                                 "-1.000000\t-1.000000\t0\n"));
    EXPECT_THAT(batch, HasSubstr("\"Gaps\"\t4\t0\t"));
    EXPECT_EQ(count_of(batch, "\t-1.000000\t-1.000000\t-1.000000\t0\n"), 3);
    EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                Not(HasSubstr("haplotype list is empty")));
}

// Two sequences one site apart: theta(pi) = 1 and Fs = ln(theta) = 0. A
// replicate has Fs <= 0 exactly when its two sequences differ at one site,
// which under the infinite-site coalescent has probability theta / (1 +
// theta)^2 = 1/4 (500 sites leave multiple hits below 0.002). The replicates
// at Fs 0 up to rounding are ties with the observed Fs and with 0 alike.
TEST_F(NeutralityTestsE2E, FuFsTiesAtZeroCountInBothPValues)
{
    write("glbstreams.txt", "flags\n_FU_FS_\n");
    const std::string a(500, 'A');
    const std::string b = a.substr(0, 499) + "C";
    write("p.drp", "[Profile]\n\tTitle=\"Two\"\n\tNbSamples=1\n\tDataType=DNA\n"
                   "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
                   "[Data]\n\t[[Samples]]\n\t\tSampleName=\"S\"\n\t\tSampleSize=2\n"
                   "\t\tSampleData={\n\t\t\ta 1 " + a + "\n\t\t\tb 1 " + b + "\n\t\t}\n");
    write("p.drs", run_settings_text({{"TaskNumber", "16384"}, {"NumSimulFuTest", "10000"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "p.res" / "p.htm"),
                HasSubstr("Fs                           :     0.00000\n"));
    // The batch line ends with P(Fs <= obs Fs), P(Fs <= 0) and the replicates.
    const std::string line = read_text(work / "fu_fs.sum");
    const std::size_t end = line.rfind("\t10000");
    ASSERT_NE(end, std::string::npos) << line;
    const std::size_t zero = line.rfind('\t', end - 1);
    const std::size_t observed = line.rfind('\t', zero - 1);
    const double p_observed = std::stod(line.substr(observed + 1));
    const double p_zero = std::stod(line.substr(zero + 1));
    EXPECT_EQ(p_zero, p_observed);
    // Four standard errors of a proportion near 1/4 in 10,000 replicates.
    EXPECT_NEAR(p_observed, 0.25, 4 * std::sqrt(0.25 * 0.75 / 10000) + 0.002);
}

// Fs is not computed, and says why, without diversity (two names for one
// sequence: theta(pi) = 0 with k = 2), with one allele or one gene copy, or
// when the table of Ewens' probabilities cannot hold n + 10 rows (4995 gene
// copies, theta(pi) = 4000 x 995 / (4995 x 4994 / 2) = 0.319102); the batch
// line then holds Fs 0, P -1 and no simulation, and theta(pi) -1 where it
// was not computed. With pooled haplotype definitions the original number
// of alleles is the number of listed haplotypes (3 names, 2 sequences).
TEST_F(NeutralityTestsE2E, FuFsNotComputedAndPooledHaplotypes)
{
    const struct {
        const char* what;
        int n;
        const char* data;
        const char* pooling;
        const char* result;
        const char* batch;
    } cases[] = {
        {"no diversity", 5, "a 3 ACGT\n\t\t\tb 2 ACGT\n", "0",
         "Fu's Fs test cannot be computed when Theta(Pi) is 0\n",
         "\"S\"\t5\t2\t0.000000\t0.000000\t-1.000000\t-1.000000\t0\n"},
        {"one allele", 5, "a 5 ACGT\n", "0",
         "Fu's Fs test cannot be computed if only one allele in sample\n",
         "\"S\"\t5\t1\t0.000000\t0.000000\t-1.000000\t-1.000000\t0\n"},
        {"one gene copy", 1, "a 1 ACGT\n", "0",
         "Fu's Fs test cannot be computed if only one gene in sample\n",
         "\"S\"\t1\t1\t-1.000000\t0.000000\t-1.000000\t-1.000000\t0\n"},
        {"table too small", 4995, "a 4000 ACGT\n\t\t\tb 995 ACGA\n", "0",
         "Fu's Fs test cannot be computed: the table of Ewens' probabilities would need 5005 rows "
         "(n + 10) and 12 columns (k + 10), more than its 5000 rows and 1000 columns\n",
         "\"S\"\t4995\t2\t0.319102\t0.000000\t-1.000000\t-1.000000\t0\n"},
        {"pooled", 6, "a 3 ACGT\n\t\t\tb 1 ACGT\n\t\t\tc 2 ACGA\n", "1",
         "Original No. of alleles      :           3\n"
         "Actual No. of # alleles  (k) :           2\n",
         "\"S\"\t6\t2\t"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(work);
        fs::create_directory(work);
        write("glbstreams.txt", "flags\n_FU_FS_\n");
        write("p.drp", "[Profile]\n\tTitle=\"Fu\"\n\tNbSamples=1\n\tDataType=DNA\n"
                       "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
                       "[Data]\n\t[[Samples]]\n\t\tSampleName=\"S\"\n\t\tSampleSize="
                           + std::to_string(c.n) + "\n\t\tSampleData={\n\t\t\t" + c.data
                           + "\t\t}\n");
        write("p.drs", run_settings_text({{"TaskNumber", "16384"},
                                          {"NumSimulFuTest", "10"},
                                          {"InferHaplotypeDefinitionFromDistanceMatrix", c.pooling}}));
        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        const std::string text = read_text(work / "p.res" / "p.htm");
        EXPECT_THAT(text, HasSubstr(c.result));
        EXPECT_THAT(text, Not(HasSubstr("340282346638528859811704183484516925440")));
        EXPECT_THAT(read_text(work / "fu_fs.sum"), HasSubstr(c.batch));
    }
}

// 1,001 gene copies in 1,000 haplotypes are beyond the table of Fu's Fs: the
// section says so, runs no replicate and gives the sample's batch line Fs 0
// and P -1.
TEST_F(NeutralityTestsE2E, FuFsRefusedForAThousandAlleles)
{
    std::string data;
    const char bases[] = "ACGT";
    for (int h = 0; h < 1000; ++h) {
        std::string sequence;
        for (int site = 0, code = h; site < 5; ++site, code /= 4)
            sequence += bases[code % 4];
        data += "\t\th" + std::to_string(h) + (h == 0 ? " 2 " : " 1 ") + sequence + "\n";
    }
    write("glbstreams.txt", "flags\n_FU_FS_\n");
    write("p.drp",
          "[Profile]\n\tTitle=\"Many\"\n\tNbSamples=1\n\tDataType=DNA\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n\t\tSampleName=\"Many\"\n\t\tSampleSize=1001\n"
          "\t\tSampleData={\n" + data + "\t\t}\n");
    write("p.drs", run_settings_text({{"TaskNumber", "16384"}, {"NumSimulFuTest", "10"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    const std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(text, HasSubstr("Fu's Fs test cannot be computed with 5000 gene copies or 1000 "
                                "alleles or more\n"));
    EXPECT_THAT(text, Not(HasSubstr("No. of simulations")));
    EXPECT_THAT(text, Not(HasSubstr("Fs                           :")));
    const std::string batch = read_text(work / "fu_fs.sum");
    EXPECT_THAT(batch, HasSubstr("\"Many\"\t1001\t1000\t"));
    EXPECT_THAT(batch, HasSubstr("\t0.000000\t-1.000000\t-1.000000\t0\n"));
}

}  // namespace
