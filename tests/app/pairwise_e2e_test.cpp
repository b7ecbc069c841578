// End-to-end run of the population pairwise comparisons: the built drovexec
// runs a microsatellite project with TaskNumber 0x400 and every pairwise
// table asked for, with the pairwise batch files selected, as a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class PairwiseE2E : public DrovexecTest {
protected:
    void SetUp() override
    {
        DrovexecTest::SetUp();
        if (HasFatalFailure())
            return;
        write("microsat3.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "microsat3.drp"));
        write("run.drs", run_settings_text({{"TaskNumber", "1024"},
                                            {"NumPermutationsFST", "100"},
                                            {"ComputePairwiseFST", "1"},
                                            {"PrintFstVals", "1"},
                                            {"PrintMissIntermatchs", "1"},
                                            {"UnequalPopSizeDiv", "1"},
                                            {"ComputeDeltaMuSqr", "1"},
                                            {"PrintConcestryCoeff", "1"},
                                            {"PrintSlatkinsDist", "1"},
                                            {"ComputeDistanceMatrixAMOVA", "1"}}));
        write("glbstreams.txt", "batch files\n_PAIRWISE_DIST_\n");
    }

    std::string file(std::string const& name)
    {
        return read_text(work / "microsat3.res" / name);
    }
};

TEST_F(PairwiseE2E, EveryTableAndTheEightBatchFiles)
{
    ASSERT_EQ(run("microsat3.drp run.drs"), 0) << err;

    std::string text = file("microsat3.htm");
    for (const char* part :
         {"== Comparisons of pairs of population samples", "Population pairwise FSTs",
          "FST P values", "Number of permutations : 110", "Matrix of significant Fst P values",
          "Population average pairwise differences", "PXY P value", "Corrected PXY P value",
          "Delta mu-square distance between all pairs of populations",
          "Divergence times allowing for unequal population sizes (tau)", "tau values",
          "tau P values", "Unequal population sizes (k)", "k P values",
          "Ancestral population sizes (theta0)", "theta0 P values",
          "Matrix of coancestry coefficients as t/M=-ln(1-FST)",
          "Matrix of Slatkin linearized FSTs as t/M=FST/(1-FST)",
          "Matrix of M values (M=Nm for haploid data, M=2Nm for diploid data)"})
        EXPECT_THAT(text, HasSubstr(part));
    // Mean allele sizes at loci 1, 2, 3 (the missing copy left out): Arun
    // 101.5, 150, 201.333; Bure 103, 150, 202.5; Clyde 100, 150, 200. Arun-Bure:
    // (1.5^2 + 0 + 1.1667^2) / 3 = 1.20370; Arun-Clyde (1.5^2 + 0 + 1.3333^2) / 3.
    EXPECT_THAT(text, HasSubstr("\n                   2           1.20370           0.00000\n"
                                "                   3           1.34259"));
    EXPECT_THAT(file("Drovalen_log.txt"),
                HasSubstr(" ms to compute pairwise differences and test significance\n"));
    EXPECT_THAT(file("Drovalen_log.txt"), EndsWith("Successful run of microsat3.drp\n"));
    for (const char* name : {"pairdist.sum", "FSTdist.sum", "VCompdist.sum", "pairdiff.sum",
                             "tau_uneq.sum", "coanst_c.sum", "slatkin.sum", "NM_value.sum"}) {
        SCOPED_TRACE(name);
        std::string batch = read_text(work / name);
        EXPECT_NE(batch.find("microsat3.drp\"\t"), std::string::npos) << batch;
        EXPECT_THAT(batch, EndsWith("\n"));
    }
}

// A permutation count whose batches round it up beyond the int range is
// refused with a message, not run as a negative count.
TEST_F(PairwiseE2E, PermutationCountBeyondTheIntRangeIsRefused)
{
    write("big.drs", run_settings_text({{"TaskNumber", "1024"},
                                        {"ComputePairwiseFST", "1"},
                                        {"NumPermutationsFST", "2147483647"}}));
    ASSERT_EQ(run("microsat3.drp big.drs"), 0) << err;
    std::string text = file("microsat3.htm");
    EXPECT_THAT(text, HasSubstr("\nPairwise comparisons not computed: 2147483647 permutations are "
                                "more than can be counted\n"));
    EXPECT_THAT(text, Not(HasSubstr("Number of permutations : -")));
    // The log gives the refusal itself, not a shortage of memory.
    std::string log = file("Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("\tPairwise comparisons not computed: 2147483647 permutations are "
                               "more than can be counted\n"));
    EXPECT_THAT(log, Not(HasSubstr("not enough memory")));
}

// A sample in no pair still gets its PiX: h1 twice and h2 once, one site
// apart, give 2 differing pairs of 3, PiX = 0.66667.
TEST_F(PairwiseE2E, PiXOfTheOneSampleOfAProject)
{
    write("one.drp", "[Profile]\n\tTitle=\"One lake\"\n\tNbSamples=1\n\tDataType=DNA\n"
                     "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n\n[Data]\n"
                     "\t[[Samples]]\n\t\tSampleName=\"Lonely\"\n\t\tSampleSize=3\n"
                     "\t\tSampleData={\n\t\t\th1\t2\tACGTTAGCAT\n\t\t\th2\t1\tACGATAGCAT\n\t\t}\n");
    ASSERT_EQ(run("one.drp run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "one.res" / "one.htm"),
                HasSubstr("Distance method: Pairwise difference\n                       1\n"
                          "            1    0.66667\n"));
}

}  // namespace
