// End-to-end tests of the EM estimation of haplotype frequencies and of the
// linkage-disequilibrium test on genotypes of unknown phase.
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

class EMLinkageE2E : public DrovexecTest {
};

// The twelve individuals of standard_em.drp: ln L under LD -20.555378 and
// the frequencies below, found by maximising the likelihood directly over
// D; under LE (p_A = 1/2, p_B = 13/24) -25.563016, chi-square 10.01528.
TEST_F(EMLinkageE2E, HaplotypeFrequenciesAndLinkageOfUnphasedGenotypes)
{
    write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "standard_em.drp"));
    write("p.drs", run_settings_text({{"TaskNumber", "24"},
                                      {"ComputeAllHaplotypesEM", "1"},
                                      {"NumBootstrapReplicatesEM", "20"},
                                      {"EpsilonValue", "1e-10"},
                                      {"MarkovChainStepsLD", "1000"},
                                      {"MakeExactTestLD", "1"},
                                      {"PrintFlagHistogramLD", "1"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(text, HasSubstr("Conventional EM algorithm  (one pass)\n"));
    EXPECT_THAT(text, HasSubstr("LogLHood  : -20.5553"));
    EXPECT_THAT(text, HasSubstr("No. of bootstraps for generating s.d.'s      : 20\n"));
    EXPECT_THAT(text, HasSubstr("Maximum-likelihood haplotype frequencies :"));
    EXPECT_THAT(text, HasSubstr("0.454940"));
    EXPECT_THAT(text, HasSubstr("0.413273"));
    EXPECT_THAT(text, HasSubstr("Maximum-likelihood frequencies of genotypes"));
    EXPECT_THAT(text, HasSubstr("Test of linkage disequilibrium for all pairs of loci:"));
    EXPECT_THAT(text, HasSubstr("LnLHood LD :  -20.55538          LnLHood LE :  -25.56302\n"));
    EXPECT_THAT(text, HasSubstr("(1023 permutations done)     Chi-square test value=10.01528 "
                                "(P =  0.00155,  1 d.f.)\n"));
    EXPECT_THAT(text, HasSubstr("Histogram of the number of linked loci per locus"));
    EXPECT_THAT(text, HasSubstr("Table of significant linkage disequilibrium"));
    EXPECT_THAT(read_text(work / "p.res" / "ld_dis.xl"),
                HasSubstr("Histogram for population : Valley\n\n"
                          "Loci \t  Number of linked loci\t Polymorphic Locus\n0\t1\t1\n1\t1\t1\n"));
}

// Group level with genotypes of unknown phase and neither diversity task:
// the pooled groups' records get their allele vectors, so that the LD test
// tests every pair of the three polymorphic loci and the 0/1 distance
// matrices are those of a run that builds the vectors for 0x1.
TEST_F(EMLinkageE2E, GroupLevelOfUnphasedGenotypes)
{
    write("p.drp",
          "[Profile]\n\tTitle=\"Groups\"\n\tNbSamples=3\n\tDataType=MICROSAT\n"
          "\tGenotypicData=1\n\tGameticPhase=0\n\tLocusSeparator=WHITESPACE\n"
          "\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n"
          "\t\tSampleName=\"A\"\n\t\tSampleSize=3\n\t\tSampleData={\n"
          "\t\t\ta1 1 12 20 30\n\t\t\t     14 22 32\n"
          "\t\t\ta2 1 12 20 30\n\t\t\t     12 22 30\n"
          "\t\t\ta3 1 14 22 32\n\t\t\t     12 20 32\n\t\t}\n"
          "\t\tSampleName=\"B\"\n\t\tSampleSize=2\n\t\tSampleData={\n"
          "\t\t\tb1 1 14 22 30\n\t\t\t     14 20 32\n"
          "\t\t\tb2 1 12 22 32\n\t\t\t     14 22 32\n\t\t}\n"
          "\t\tSampleName=\"C\"\n\t\tSampleSize=2\n\t\tSampleData={\n"
          "\t\t\tc1 1 16 24 34\n\t\t\t     12 20 30\n"
          "\t\t\tc2 1 16 20 34\n\t\t\t     16 24 30\n\t\t}\n"
          "\t[[Structure]]\n\t\tStructureName=\"Two\"\n\t\tNbGroups=2\n"
          "\t\tGroup={\n\t\t\t\"A\"\n\t\t\t\"B\"\n\t\t}\n"
          "\t\tGroup={\n\t\t\t\"C\"\n\t\t}\n");
    auto run_with = [this](const char* tasks) {
        fs::remove_all(work / "p.res");
        write("p.drs", run_settings_text({{"TaskNumber", tasks},
                                          {"ComputeSumStatsWithinGroups", "1"},
                                          {"ComputeConventionalFST", "1"},
                                          {"MakeExactTestLD", "1"},
                                          {"MarkovChainStepsLD", "100"}}));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
    };
    auto group_matrices = [this] {
        std::string all;
        for (const char* name : {"Group1.dis", "Group2.dis"})
            all += read_text(work / "p.res" / name);
        return all;
    };
    run_with("2065");  // 0x1 | 0x10 | 0x800
    const std::string with_indices = group_matrices();
    run_with("2064");  // 0x10 | 0x800
    EXPECT_EQ(group_matrices(), with_indices);
    EXPECT_THAT(with_indices, HasSubstr("1"));
    const std::string text = read_text(work / "p.res" / "p.htm");
    const auto from = text.find("ANALYSES AT THE INTRA-GROUP LEVEL");
    const std::string group_level =
        text.substr(from, text.find("ANALYSES AT THE INTRA-POPULATION LEVEL") - from);
    for (const char* pair : {"Pair(0, 1)\n", "Pair(0, 2)\n", "Pair(1, 2)\n"})
        EXPECT_EQ(count_of(group_level, pair), 2) << pair;
    EXPECT_THAT(group_level, Not(HasSubstr("not tested")));
    EXPECT_THAT(group_level, Not(HasSubstr("P = -1.00000")));
}

}  // namespace
