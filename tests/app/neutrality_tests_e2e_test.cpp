// End-to-end tests of Tajima's and Fu's neutrality tests of DNA and RFLP
// samples: the observed statistics, the summary of the coalescent replicates
// and the batch lines "tajima.sum" and "fu_fs.sum".

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
// k = 1.8, theta(S) = 3 / (137/60) = 1.313869, D = 1.90989). A monomorphic
// sample has D = 0 and so has every replicate: ties count, P = 1.
TEST_F(NeutralityTestsE2E, HandWorkedTajimaSamplesThroughTheDriver)
{
    write("glbstreams.txt", "flags\n_TAJIMA_\n");
    write("p.drp",
          "[Profile]\n\tTitle=\"Tajima\"\n\tNbSamples=3\n\tDataType=DNA\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n"
          "\t\tSampleName=\"One\"\n\t\tSampleSize=5\n"
          "\t\tSampleData={\n\t\t\ta\t4\tAAAAAAAA\n\t\t\tb\t1\tCCCCAAAA\n\t\t}\n"
          "\t\tSampleName=\"Two\"\n\t\tSampleSize=6\n"
          "\t\tSampleData={\n\t\t\tc\t3\tAAAAAAAA\n\t\t\td\t3\tCCCAAAAA\n\t\t}\n"
          "\t\tSampleName=\"Same\"\n\t\tSampleSize=4\n"
          "\t\tSampleData={\n\t\t\te\t4\tACGTACGT\n\t\t}\n");
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
          "\nObs. Theta(S)                         :  1.31387\n",
          "\nTajima's D                            :  0.00000\n",
          "\n\nP(D simul &lt; D obs)                    :  1.00000\n"})
        EXPECT_THAT(text, HasSubstr(lines));
    EXPECT_THAT(read_text(work / "tajima.sum"),
                HasSubstr("\"One\"\t5\t4\t1.920000\t1.600000\t-1.093799\t"));
}

// 1,001 gene copies in 1,000 haplotypes are beyond the table of Fu's Fs: the
// section says so, runs no replicate and ends the sample's batch line.
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
    EXPECT_THAT(read_text(work / "fu_fs.sum"), HasSubstr("\"Many\"\t\n"));
}

}  // namespace
