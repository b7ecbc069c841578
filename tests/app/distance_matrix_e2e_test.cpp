// End-to-end tests of the distances between the project's haplotypes:
// drovexec on four DNA samples in two groups writes the report on usable
// loci, the matrix, the spanning network and "MissDataPerLocus.txt"; with the
// redundancy check it reports the haplotypes defined twice and merges them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class DistanceMatrixE2E : public DrovexecTest {
protected:
    void run_project(std::map<std::string, std::string> const& keys)
    {
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "dna_structure.drp"));
        write("p.drs", run_settings_text(keys));
        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        results = read_text(work / "p.res" / "p.htm");
        log = read_text(work / "p.res" / "Drovalen_log.txt");
    }

    static int occurrences(std::string const& text, std::string const& what)
    {
        int n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    std::string results, log;
};

// h1 = h4 (distance 0), h2 and h3 one site from h1, h3 with site 9 missing
// in 3 of 13 gene copies (0.230769, above the allowed 5 %).
TEST_F(DistanceMatrixE2E, MatrixNetworkAndMissingDataAtBothLevels)
{
    run_project({{"TaskNumber", "512"}, {"HaplAMOVA", "1"}, {"ComputeDistanceMatrixAMOVA", "1"},
                 {"PrintDistanceMatrix", "1"}, {"PrintMinSpannNetworkGlob", "1"},
                 {"ComputeSumStatsWithinGroups", "1"}});
    EXPECT_THAT(results, HasSubstr("Number of usable loci for distance computation : 9"));
    EXPECT_THAT(results, HasSubstr("   1     2     3     4     5     6     7     8    10  \n\n"
                                   "List of loci with too much missing data :\n"
                                   "-----------------------------------------\n\n   9  \n"));
    EXPECT_THAT(results, HasSubstr("Matrix of Euclidian square distances used in the genetic "
                                   "structure section:\n"));
    EXPECT_THAT(results, HasSubstr("     Distance method: Pairwise difference\n\n"));
    EXPECT_THAT(results, HasSubstr("[[DistanceMatrix]]"));
    EXPECT_THAT(results, HasSubstr("   0.00000\n   1.00000   0.00000\n   1.00000   2.00000   "
                                   "0.00000\n   0.00000   1.00000   1.00000   0.00000\n"));
    EXPECT_THAT(results, HasSubstr("Ext_Id  \tFreq.\nh1\t5\tACGTTAGCAT\nh2\t3\tACGATAGCAT\n"));
    EXPECT_THAT(results, HasSubstr("MINIMUM SPANNING TREE between        4 OTUs"));
    EXPECT_THAT(results, HasSubstr("      h1        h4             0.00000\n"
                                   "      h1        h3             1.00000\n"
                                   "      h1        h2             1.00000\n"));
    EXPECT_THAT(results, HasSubstr("tree MST_AMOVA_MST = [&amp;U] (((h1:0, h2:1.00000):0, "
                                   "h3:1.00000):0, h4:0.00000);\n"));
    // h4 stands for h1: its links of length 1 are alternatives to h1's.
    EXPECT_THAT(results, HasSubstr("Alternative connections between OTUs\n"));
    EXPECT_THAT(results, HasSubstr("      h2       h4 (1.00000) \n      h3       h4 (1.00000) \n"));
    EXPECT_EQ(read_text(work / "p.res" / "MissDataPerLocus.txt"),
              "Locus#\tFreq. missing data\n1\t0\n2\t0\n3\t0\n4\t0\n5\t0\n6\t0\n7\t0\n8\t0\n"
              "9\t0.230769\n10\t0\n");
    std::string tree = read_text(work / "p.res" / "p.js");
    EXPECT_EQ(occurrences(tree, "\"Euclidean distances\""), 2);
    EXPECT_EQ(occurrences(tree, "\"Minimum Spanning Network\""), 2);
    for (const char* anchor : {"_gr_amova_dm\"", "_pop_amova_dm\"", "_gr_glob_spann\"",
                               "_pop_glob_spann\""})
        EXPECT_EQ(occurrences(results, anchor), 1) << anchor;
    EXPECT_THAT(log, Not(HasSubstr("#[ERROR")));
}

// South holds h1 once and h4 (the same sequence) twice.
TEST_F(DistanceMatrixE2E, HaplotypesDefinedTwice)
{
    const std::map<std::string, std::string> keys = {
        {"TaskNumber", "2"}, {"EliminateRedondHaplodefs", "1"}, {"PrintHaplDistMat", "1"},
        {"PrintPopDistMat", "1"}};
    const std::regex south("== Sample : \tSouth[\\s\\S]*?List of Haplotypes:\n\n([\\s\\S]*?)\n\n");
    std::smatch found;

    run_project(keys);
    EXPECT_THAT(results, HasSubstr("== Checking for haplotypes shared among populations:"));
    EXPECT_THAT(results, HasSubstr("   Haplotypes shared between \"South\" and \"South\":\n\n"
                                   "\t\th1 = h4\n"));
    ASSERT_TRUE(std::regex_search(results, found, south));
    EXPECT_EQ(found[1], "      h1 : ACGTTAGCAT\n      h4 : ACGTTAGCAT");

    auto merging = keys;
    merging["InferHaplotypeDefinitionFromDistanceMatrix"] = "1";
    run_project(merging);
    ASSERT_TRUE(std::regex_search(results, found, south));
    EXPECT_EQ(found[1], "      h1 : ACGTTAGCAT");
    EXPECT_THAT(results, HasSubstr("No. of haplotypes                            : 1\n"
                                   "No. of original haplotypes in sample         : 2"));
    EXPECT_THAT(log, Not(HasSubstr("#[ERROR")));
}

// Conventional distances between the haplotypes of genotypes of unknown
// phase need the individuals as haplotype records: with the distance bit
// alone the sample files equal those of a run that also asks for the
// diversity indices. Arun's gene copies 100 150 200, 102 150 204, 100 150 ?
// and 104 150 200 differ at locus 1 but for copies 1 and 3 (locus 3 is
// unusable); Bure has two haplotypes, Clyde one.
using ConventionalDistancesE2E = DrovexecTest;

TEST_F(ConventionalDistancesE2E, UnphasedSamplesWithTheDistanceBitAlone)
{
    write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "microsat3.drp"));
    auto files_of = [this](const char* tasks) {
        fs::remove_all(work / "p.res");
        write("p.drs", run_settings_text({{"TaskNumber", tasks}, {"ComputeConventionalFST", "1"}}));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                    Not(HasSubstr("haplotype list is empty")));
        std::map<std::string, std::string> files;
        for (const char* name : {"Arun", "Bure", "Clyde"})
            files[name] = read_text(work / "p.res" / (std::string(name) + ".dis"));
        return files;
    };
    const auto alone = files_of("2048");  // 0x800
    EXPECT_EQ(alone, files_of("2049"));   // 0x801
    EXPECT_EQ(alone.at("Arun"), "          0.0000  0.0000  0.0000\n"
                                "  1.0000          0.0000  0.0000\n"
                                "  0.0000  1.0000          0.0000\n"
                                "  1.0000  1.0000  1.0000        \n");
    EXPECT_EQ(alone.at("Bure"), "          0.0000\n  1.0000        \n");
    EXPECT_EQ(alone.at("Clyde"), "        \n");
}

}  // namespace
