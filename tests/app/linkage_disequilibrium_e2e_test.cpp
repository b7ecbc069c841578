// End-to-end test of the exact test of linkage disequilibrium of haplotypic
// data: the built drovexec on three polymorphic loci and a monomorphic one,
// with the coefficient tables and the batch summary files.
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

namespace {

TEST_F(DrovexecTest, LinkageDisequilibriumOfHaplotypes)
{
    write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "linkage.drp"));
    write("glbstreams.txt", "flags\n_LINKAGE_DISEQUILIBRIUM_\n");
    write("p.drs", run_settings_text({{"TaskNumber", "16"},
                                      {"MakeExactTestLD", "1"},
                                      {"MarkovChainStepsLD", "10000"},
                                      {"ComputeDvalues", "1"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    const std::string text = read_text(work / "p.res" / "p.htm");

    EXPECT_THAT(text, HasSubstr("Test of linkage disequilibrium for all pairs of loci:\n"));
    // Loci 0 and 2 form the 2 x 2 table A-C 5, A-T 1, G-C 2, G-T 4, whose
    // Fisher exact P is 192 / 792.
    std::smatch pair;
    ASSERT_TRUE(std::regex_search(
        text, pair, std::regex("\nPair \\(0, 2\\) Exact P=([0-9.]+)  \\+-  ([0-9.]+) \\(10100 Steps done\\)\n"
                               "Pair \\(0, 3\\) Exact P=[0-9.]+  \\+-  [0-9.]+ \\(10100 Steps done\\)\n"
                               "Pair \\(2, 3\\) Exact P=")));
    EXPECT_NEAR(std::stod(pair[1]), 192.0 / 792.0, 3 * std::stod(pair[2]) + 1e-4);
    for (const char* title : {"Table of significant linkage disequilibrium (significance level=",
                              "Number of linked loci per polymorphic locus (significance level=",
                              "Percentage of linked loci per locus (significance level=",
                              "\nLoci 0 and 2\n--------------------\n",
                              "  Locus0\\Locus2|   C|   T|\n              A|   5|   1|   6\n",
                              "  1: Observed contingency table", "\n 6: Table of Chi-square P values (1 d.f.)\n"})
        EXPECT_THAT(text, HasSubstr(title));

    const std::string ld = read_text(work / "p.res" / "ld_dis.xl");
    EXPECT_THAT(ld, HasSubstr("y\\Locus: \t0\t2\t3\t   No. of Loci\n1\t"));
    EXPECT_THAT(read_text(work / "l_d_pro.sum"), HasSubstr("\"\t\"Ridge\"\t2\t3\t10100\t"));
    EXPECT_THAT(read_text(work / "l_d_val.sum"),
                HasSubstr("\"\t\"Ridge\"\t0\t2\t  0.125\t    0.6\t    0.6\t  0.507\t  0.257\t  0.257\n"));
    EXPECT_THAT(read_text(work / "link_dis.sum"), HasSubstr("\t\t\t0\t2\t3\t\n0.05\t1\t3\t"));
}

}  // namespace
