// End-to-end tests of the Hardy-Weinberg exact test and of the heterozygosity
// of individuals: the built drovexec on a phased microsatellite sample with a
// missing allele and a monomorphic locus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class HardyWeinbergE2E : public DrovexecTest {
protected:
    // The results of drovexec on the fixture with the standard diversity
    // indices and the exact test on loci and whole haplotypes, the first
    // `from` of the project replaced by `to`.
    std::string run_project(std::string const& from = "", std::string const& to = "")
    {
        std::string project = read_text(fs::path(DROV_TEST_DATA) / "run" / "microsat_phased.drp");
        if (!from.empty())
            project.replace(project.find(from), from.size(), to);
        write("p.drp", project);
        write("p.drs", run_settings_text({{"TaskNumber", "33"},
                                          {"MakeHWExactTest", "1"},
                                          {"TypeOfTestHW", "2"},
                                          {"MarkovChainStepsHW", "20000"},
                                          {"MarkovChainDememorisationStepsHW", "1000"}}));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                    HasSubstr("Successful run of p.drp"));
        return read_text(work / "p.res" / "p.htm");
    }

    static std::string section(std::string const& text)
    {
        std::string::size_type from = text.find("Exact test using a Markov chain");
        std::string::size_type to = text.find("\n== Summary of computations");
        return from == std::string::npos ? "" : text.substr(from, to - from);
    }
};

TEST_F(HardyWeinbergE2E, LociAndWholeHaplotypesOfAPhasedSample)
{
    std::string text = run_project();
    // Locus 1: 12/14 twice, 12/12 and 14/14 twice: alleles 4 and 6 of 10,
    // He = (10/9)(1 - 0.52). Locus 2 without the individual missing there:
    // 20/20, 20/22 and 22/22 twice, He = (8/7)(1 - 34/64). Locus 2's exact
    // P is 1 / (1 + 4/3) = 0.42857; locus 1's observed table is the most
    // probable one.
    const std::string rule = std::string(72, '-') + "\n";
    EXPECT_THAT(text, HasSubstr("\nExact test using a Markov chain (for all Loci):"
                                "\nForecasted chain length     :20000"
                                "\nDememorization steps        :1000\n\n"
                                + rule
                                + "Locus  #Genot       Obs.Het.     Exp.Het.   P-value     s.d."
                                  "  Steps done\n"
                                + rule
                                + "    1       5       0.40000      0.53333    1.00000  0.00000"
                                  "       20022\n"
                                  "    2       4       0.25000      0.53571    0.4"));
    EXPECT_THAT(text, HasSubstr("       20022\n"
                                "    3   This locus is monomorphic: no test done.\n"
                                + rule
                                + "\nExact test using a Markov chain (for all Haplotypes):"
                                  "\nForecasted chain length     :20000"
                                  "\nDememorization steps        :1000\n\n"
                                  "Markov Chain test:  P value : "));
    std::smatch p;
    ASSERT_TRUE(std::regex_search(text, p, std::regex("    2       4       0.25000      0.53571"
                                                      " +([0-9.]+) +([0-9.]+) +20022\n")));
    EXPECT_NEAR(std::stod(p[1]), 3.0 / 7.0, 3 * std::stod(p[2]));
    EXPECT_TRUE(std::regex_search(
        text, std::regex("P value : 0\\.[0-9]{5} \\+/-    0\\.[0-9]{5}       \\(20022 steps done\n")));

    // Whole gene copies 12-20-30 (2), 14-20-30, 12-22-30 (2), 14-?-30 and
    // 14-22-30 (4): He = (1 - 26/100) x 10/9.
    EXPECT_THAT(text, HasSubstr("(Standard deviation is for the sampling process)\n"
                                "No. of Heterozygotes     : 3\n"
                                "No. of Homozygotes       : 2\n"
                                "Obs.Heter.               : 0.6000\n"
                                "Exp.Heter.               : 0.8222\n\n"));
}

TEST_F(HardyWeinbergE2E, SameSeedSameSection)
{
    std::string first = section(run_project());
    ASSERT_NE(first, "");
    fs::remove_all(work / "p.res");
    EXPECT_EQ(section(run_project()), first);
}

TEST_F(HardyWeinbergE2E, NoHeterozygosityOfIndividualsForStandardData)
{
    std::string text = run_project("DataType=MICROSAT", "DataType=STANDARD");
    EXPECT_THAT(text, Not(HasSubstr("No. of Heterozygotes")));
    EXPECT_THAT(text, HasSubstr("\n    1       5       0.40000      0.53333    1.00000"));
}

}  // namespace
