// End-to-end tests of the exports of the summary report: the spectra and
// allele-frequency files of a project of hand-made 0/1 sites, their
// bootstrap folders, the pooled table rebuilt with missing data, the gate of
// the standard diversity indices, the append flag of the run list, and a
// generated data set checked against an independent count.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class SummaryExportsE2E : public DrovexecTest {
protected:
    fs::path res = work / "p.res";

    void run_project(std::string const& project, std::map<std::string, std::string> keys = {})
    {
        std::map<std::string, std::string> all = {
            {"TaskNumber", "1"},    {"ComputeAllAlleleFreqs", "1"}, {"ComputePopSFS", "1"},
            {"ComputeJointSFS", "1"}, {"ComputeMultiSFS", "1"},     {"NumBootSFS", "0"}};
        for (auto const& [key, value] : keys)
            all[key] = value;
        write("p.drp", project);
        write("p.drs", run_settings_text(all));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
    }

    std::string obs(std::string const& name) const { return read_text(res / name); }
};

std::string fixture(const char* name)
{
    return read_text(fs::path(DROV_TEST_DATA) / "summary" / name);
}

// Upper (2 copies) and Lower (2 copies), six sites; (d_Upper, d_Lower):
// 1 only "0": (0, 0), minor allele "0", minor cells n - d = (2, 2);
// 2 no "0": (2, 2), minor "1", cells (2, 2);
// 3 tie, "1" twice in Upper and "0" twice in Lower: (2, 0), half to d and
//   half to n - d;
// 4 missing data: in no spectrum, polymorphic;
// 5 one "1" in Upper: (1, 0), minor derived, cells (1, 0);
// 6 one "0" in Lower: (2, 1), minor ancestral, cells (0, 1).
TEST_F(SummaryExportsE2E, HandMadeSites)
{
    run_project(fixture("sfs_sites.drp"), {{"NumBootSFS", "2"}});
    EXPECT_EQ(obs("p_DAFpop0.obs"), "1 observation\nd1_0\td1_1\td1_2\n1\t1\t3\n");
    EXPECT_EQ(obs("p_DAFpop1.obs"), "1 observation\nd2_0\td2_1\td2_2\n3\t1\t1\n");
    EXPECT_EQ(obs("p_MAFpop0.obs"), "1 observation\nd1_0\td1_1\td1_2\n1.5\t1\t2.5\n");
    EXPECT_EQ(obs("p_MAFpop1.obs"), "1 observation\nd2_0\td2_1\td2_2\n1.5\t1\t2.5\n");
    EXPECT_EQ(obs("p_jointDAFpop1_0.obs"),
              "1 observation\n\td1_0\td1_1\td1_2\nd2_0\t1\t1\t1\nd2_1\t0\t0\t1\nd2_2\t0\t0\t1\n");
    EXPECT_EQ(obs("p_jointMAFpop1_0.obs"),
              "1 observation\n\td1_0\td1_1\td1_2\nd2_0\t0\t1\t0.5\nd2_1\t1\t0\t0\nd2_2\t0.5\t0\t2\n");
    const std::string header = "1 observation. No. of demes and sample sizes are on next line\n2\t2\t2\n";
    // Cell d_Upper x 3 + d_Lower.
    EXPECT_EQ(obs("p_DSFS.obs"), header + "1\t0\t0\t1\t0\t0\t1\t1\t1\n");
    EXPECT_EQ(obs("p_MSFS.obs"), header + "0\t1\t0.5\t1\t0\t0\t0.5\t0\t2\n");
    EXPECT_EQ(obs("p_numPolymSites.obs"),
              " 1 observation  (tot num. simulated sites and num. polym. sites on next line)\n6\t4\n");

    for (const char* replicate : {"p_0", "p_1"}) {
        SCOPED_TRACE(replicate);
        fs::path folder = res / "bootSFS" / replicate;
        for (const char* name : {"p_DAFpop0.obs", "p_MAFpop1.obs", "p_jointDAFpop1_0.obs",
                                 "p_jointMAFpop1_0.obs", "p_DSFS.obs", "p_MSFS.obs"})
            EXPECT_TRUE(fs::exists(folder / name)) << name;
        EXPECT_FALSE(fs::exists(folder / "p_numPolymSites.obs"));
    }
    EXPECT_FALSE(fs::exists(res / "bootSFS" / "p_2"));

    EXPECT_EQ(obs("PopNames.txt"), "Pop_1\tUpper\nPop_2\tLower\n");
    std::string all = read_text(work / "AllAlleleFreqs.txt");
    EXPECT_THAT(all, HasSubstr("Locus_4\t0\t1\t0\t\nLocus_4\t1\t0\t1\t\nLocus_4\t?\t0\t0\t\n"));
    EXPECT_EQ(obs("AllFreqLocus_6.txt"),
              "      Allele       Pop_1       Pop_2\n"
              "           0     0.00000     0.50000\n"
              "           1     1.00000     0.50000\n");
    EXPECT_FALSE(fs::exists(res / "AllFreqLocus_7.txt"));
}

// Missing data counted: at site 4 Upper holds "0" and "?" once each.
TEST_F(SummaryExportsE2E, MissingDataCountedRebuildsThePooledTable)
{
    run_project(fixture("sfs_sites.drp"), {{"ComputeMissDataFreq", "1"}});
    EXPECT_THAT(read_text(work / "AllAlleleFreqs.txt"),
                HasSubstr("Locus_4\t0\t0.5\t0\t\nLocus_4\t1\t0\t1\t\nLocus_4\t?\t0.5\t0\t\n"));
}

TEST_F(SummaryExportsE2E, NothingWithoutTheStandardIndices)
{
    run_project(fixture("sfs_sites.drp"), {{"TaskNumber", "2"}});
    EXPECT_FALSE(fs::exists(work / "AllAlleleFreqs.txt"));
    EXPECT_FALSE(fs::exists(res / "PopNames.txt"));
    EXPECT_FALSE(fs::exists(res / "p_DAFpop0.obs"));
}

// Sizes 2 and 1: 3 x 2 = 6 cells; the one site, d = (1, 1), lands in cell
// 1 x 2 + 1 = 3.
TEST_F(SummaryExportsE2E, MultidimensionalCellsOfUnequalSamples)
{
    std::string project = fixture("sfs_sites.drp");
    project = project.substr(0, project.find("[Data]")) +
              "[Data]\n[[Samples]]\nSampleName=\"A\"\nSampleSize=2\nSampleData={\n"
              "a1 1 1\na2 1 0\n}\nSampleName=\"B\"\nSampleSize=1\nSampleData={\nb1 1 1\n}\n";
    run_project(project, {{"ComputePopSFS", "0"}, {"ComputeJointSFS", "0"}});
    EXPECT_EQ(obs("p_DSFS.obs"), "1 observation. No. of demes and sample sizes are on next line\n"
                                 "2\t2\t1\n0\t0\t0\t1\t0\t0\n");
}

// The run list's append flag makes the all-loci table beside the project
// grow with each run.
TEST_F(SummaryExportsE2E, AppendFlagGrowsTheAllLociTable)
{
    write("p.drp", fixture("sfs_sites.drp"));
    write("run.drs", run_settings_text({{"TaskNumber", "1"}, {"ComputeAllAlleleFreqs", "1"}}));
    std::string core = fs::canonical(work).string() + "/";
    write("dro_run.txt", core + "\nuse_spe_settings\nrun.drs\np.drp\n1\n0\np.drp\n1\n0\nend\n");
    run("");
    std::string all = read_text(work / "AllAlleleFreqs.txt");
    EXPECT_EQ(count_of(all, "Locus_1\t0\t1\t1\t\n"), 2) << all;
    EXPECT_EQ(count_of(obs("AllFreqLocus_1.txt"), "Allele"), 2);
}

// A generated data set of 3 samples (6, 4 and 5 gene copies) x 1,000 0/1
// sites: every derived-allele spectrum and the allele-frequency table equal
// an independent count by tests/app/sfs_independent_check.py.
TEST_F(SummaryExportsE2E, GeneratedSitesAgreeWithAnIndependentCount)
{
    if (std::system("python3 -c '' > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not available";
    const int sizes[] = {6, 4, 5};
    std::string project = "[Profile]\nTitle=\"Generated\"\nNbSamples=3\nDataType=STANDARD\n"
                          "GenotypicData=0\nLocusSeparator=NONE\nMissingData='?'\n"
                          "[Data]\n[[Samples]]\n";
    std::string data;
    unsigned state = 12345;  // a fixed linear congruential sequence, no program randomness
    for (int p = 0; p < 3; ++p) {
        project += "SampleName=\"Pop" + std::to_string(p) + "\"\nSampleSize=" +
                   std::to_string(sizes[p]) + "\nSampleData={\n";
        for (int c = 0; c < sizes[p]; ++c) {
            std::string copy;
            for (int s = 0; s < 1000; ++s) {
                state = state * 1103515245u + 12345u;
                // Sites differ in their derived share, so that all cells are reached.
                copy += ((state >> 16) % 100) < static_cast<unsigned>(s % 97) ? '1' : '0';
            }
            project += "p" + std::to_string(p) + "c" + std::to_string(c) + " 1 " + copy + "\n";
            data += copy + " ";
        }
        project += "}\n";
        data += "\n";
    }
    write("copies.txt", data);
    run_project(project);
    std::string script = (fs::path(DROV_TEST_DATA).parent_path() / "app" / "sfs_independent_check.py").string();
    std::string command = "python3 '" + script + "' '" + (work / "copies.txt").string() + "' '" +
                          res.string() + "/' p '" + (work / "AllAlleleFreqs.txt").string() + "' > '" +
                          (root / "check.txt").string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << read_text(root / "check.txt");
}

}  // namespace
