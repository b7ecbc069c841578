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

// Two samples of 28 standard loci: in "Wide" an individual heterozygous at
// every locus has 2^27 phases, which the EM refuses before building them;
// "Narrow" (heterozygous at one locus) is estimated as usual, and the run
// ends normally.
TEST_F(EMLinkageE2E, SampleWithTooManyPhasesIsRefusedWithAMessage)
{
    const std::string A(28, 'A'), a(28, 'a'), mixed = "a" + std::string(27, 'A');
    auto spaced = [](std::string const& loci) {
        std::string text;
        for (char c : loci)
            text += std::string(" ") + c;
        return text;
    };
    auto sample = [&](const char* name, std::string const& one, std::string const& two) {
        return std::string("\t\tSampleName=\"") + name + "\"\n\t\tSampleSize=2\n" +
               "\t\tSampleData={\n\t\t\tx\t1\t" + spaced(one) + "\n\t\t\t\t" +
               spaced(two) + "\n\t\t\ty\t1\t" + spaced(A) + "\n\t\t\t\t" + spaced(A) +
               "\n\t\t}\n";
    };
    write("p.drp", "[Profile]\n\tTitle=\"Many loci\"\n\tNbSamples=2\n\tDataType=STANDARD\n"
                   "\tGenotypicData=1\n\tGameticPhase=0\n\tLocusSeparator=WHITESPACE\n"
                   "\tMissingData='?'\n\n[Data]\n\t[[Samples]]\n" +
                       sample("Wide", A, a) + sample("Narrow", A, mixed));
    write("p.drs", run_settings_text({{"TaskNumber", "8"},
                                      {"ComputeAllHaplotypesEM", "1"},
                                      {"InitialConditionsEM", "5"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_EQ(count_of(text, "Haplotype frequencies not estimated: see the log file\n"), 1);
    EXPECT_EQ(count_of(text, "Conventional EM algorithm  (one pass)\n"), 1);
    // Narrow: haplotypes a+27A 1/4 and 28A 3/4 of the 4 gene copies, so
    // ln L = ln(2 x 1/4 x 3/4) + ln(3/4 x 3/4) = ln(27/128).
    EXPECT_THAT(text, HasSubstr("LogLHood  : -1.5561933979"));
    std::string log = read_text(work / "p.res" / "Drovalen_log.txt");
    EXPECT_EQ(count_of(log, "\"Population::calc_ML_hapl_freq_hill95_LD()\" : not enough memory"),
              1);
    EXPECT_THAT(log, HasSubstr("Haplotype frequencies on 28 loci not estimated"));
    EXPECT_THAT(log, HasSubstr("EMUseZipper=1 estimates them window by window"));
}

}  // namespace
