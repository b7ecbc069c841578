// End-to-end tests of the expansion fits of the mismatch distribution:
// drovexec on a DNA sample with the sudden and the spatial fits and their
// bootstraps, with a fixed seed.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class ExpansionFitsE2E : public DrovexecTest {
protected:
    std::string run_expansion(std::map<std::string, std::string> const& changes)
    {
        write("glbstreams.txt", "batch files\n_MISMATCH_\n");
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "dna_expansion.drp"));
        write("p.drs", run_settings_text(changes));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                    HasSubstr("Successful run of p.drp"));
        return read_text(work / "p.res" / "p.htm");
    }
};

// Text without its trailing line ends.
std::string trim_line_ends(std::string text)
{
    text.erase(text.find_last_not_of('\n') + 1);
    return text;
}

// The sudden-expansion block, from its heading to the summary report or the
// end-of-run banner, whichever comes first, without trailing line ends.
std::string sudden_section(std::string const& results)
{
    std::size_t from = results.find(std::string(54, '*') + "\nParameters estimated under the sudden");
    if (from == std::string::npos)
        return "";
    std::size_t to = std::min(results.find("\n/////", from),
                              results.find("\n" + std::string(80, '='), from));
    return trim_line_ends(results.substr(from, to - from));
}

}  // namespace

TEST_F(ExpansionFitsE2E, SuddenAndSpatialFitsWithBootstraps)
{
    std::string results = run_expansion({{"TaskNumber", "4"},
                                         {"MismatchDemogExp", "1"},
                                         {"MismatchSpatialExp", "1"},
                                         {"MismatchSpatialExpNumParams", "2"},
                                         {"NumBootExpDem", "100"}});
    for (const char* part :
         {"\nTau                                 : ", "\nTheta0                              : ",
          "\nTheta1                              : ", "Test of goodness-of-fit:",
          "Mismatch distributions:", "Confidence intervals (Percentile method):\t alpha=\t0.050",
          "Confidence region for the observed mismatch:",
          "Parameters of the spatial expansion assuming constant deme size",
          "Parameters of the spatial expansion assuming different deme size"})
        EXPECT_THAT(results, HasSubstr(part));
    // Three levels for each of the two bootstraps (a few refits may fail to
    // converge: the bootstrap then says how many it used).
    EXPECT_EQ(count_of(results, "\nBased on "), 6);

    std::string sum = read_text(work / "mismatch.sum");
    std::string sp3 = read_text(work / "mismatch_sp3.sum");
    // From the sample's name: name, distance and gamma (3 fields), the
    // moments (2), theta0, tau and theta1 (and M), then the histogram of
    // classes 0 to 4, each field with its tab.
    auto fields = [](std::string const& text) {
        std::string line = text.substr(text.find("\"Lake\"\t#Diff\t inf\t"));
        return count_of(line.substr(0, line.find('\n')), "\t");
    };
    EXPECT_EQ(fields(sum), 3 + 2 + 3 + 5);
    EXPECT_EQ(fields(sp3), 3 + 2 + 4 + 5);
}

TEST_F(ExpansionFitsE2E, GoldenSuddenExpansionSection)
{
    std::string results = run_expansion(
        {{"TaskNumber", "4"}, {"MismatchDemogExp", "1"}, {"NumBootExpDem", "20"}});
    EXPECT_EQ(sudden_section(results),
              trim_line_ends(
                  read_text(fs::path(DROV_TEST_DATA) / "run" / "golden_sudden_expansion.txt")));
}
