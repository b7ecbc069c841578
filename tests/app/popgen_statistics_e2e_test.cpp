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
    EXPECT_THAT(sum, HasSubstr("\"North\"\t#Diff\t inf\t0.6\t0.266667\t"
                               "1e-07\t0.999996\t3407.19\t4\t6\t\n"));
    EXPECT_THAT(sum, HasSubstr("\"South\"\t#Diff\t inf\t1\t1.2\t"
                               "1e-07\t2.69337\t1.68592\t3\t0\t3\t\n"));
    EXPECT_THAT(batch("mismatch_sp4.sum"), HasSubstr("\"South\"\t#Diff\t inf\t\n"));
    EXPECT_THAT(batch("only_mismatch_sp.txt"), HasSubstr("\"North\"\t4\t6\t\n"));
}

}  // namespace
