// End-to-end runs of the scan for loci under selection: microsatellite
// projects of four samples with DetectSelectedLoci=1, as a user would run
// them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// Four samples of ten diploid individuals at `loci` microsatellite loci, in
// `groups` groups; each sample favours its own allele of every locus unless
// `identical`, which gives every sample the same individuals.
std::string microsat_project(int loci, int groups, bool identical = false)
{
    unsigned state = 12345u;
    auto next = [&state]() {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7fff;
    };
    std::ostringstream out;
    out << "[Profile]\n\tTitle=\"scan\"\n\tNbSamples=4\n\tDataType=MICROSAT\n\tGenotypicData=1\n"
        << "\tGameticPhase=0\n\tLocusSeparator=WHITESPACE\n\tMissingData='?'\n\n[Data]\n"
        << "\t[[Samples]]\n";
    for (int p = 0; p < 4; ++p) {
        if (identical)
            state = 12345u;
        out << "\t\tSampleName=\"pop" << p + 1 << "\"\n\t\tSampleSize=10\n\t\tSampleData={\n";
        for (int i = 0; i < 10; ++i) {
            for (int copy = 0; copy < 2; ++copy) {
                out << (copy == 0 ? "\t\t\tp" + std::to_string(p) + "_" + std::to_string(i) + "\t1\t"
                                  : std::string("\t\t\t\t\t"));
                for (int l = 0; l < loci; ++l) {
                    int favoured = identical ? 0 : p;
                    int allele = next() % 3 == 0 ? static_cast<int>(next() % 4) : favoured;
                    out << 100 + 2 * allele + l % 3 << (l + 1 < loci ? " " : "\n");
                }
            }
        }
        out << "\t\t}\n";
    }
    out << "\t[[Structure]]\n\t\tStructureName=\"s\"\n\t\tNbGroups=" << groups << "\n";
    for (int g = 0; g < groups; ++g) {
        out << "\t\tGroup={\n";
        for (int p = g * 4 / groups; p < (g + 1) * 4 / groups; ++p)
            out << "\t\t\t\"pop" << p + 1 << "\"\n";
        out << "\t\t}\n";
    }
    return out.str();
}

// Four samples of twelve haploid STANDARD loci, one character a locus.
std::string standard_project()
{
    std::ostringstream out;
    out << "[Profile]\n\tTitle=\"standard\"\n\tNbSamples=4\n\tDataType=STANDARD\n"
        << "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n\n[Data]\n"
        << "\t[[Samples]]\n";
    for (int p = 0; p < 4; ++p) {
        out << "\t\tSampleName=\"pop" << p + 1 << "\"\n\t\tSampleSize=10\n\t\tSampleData={\n";
        for (int h = 0; h < 10; ++h) {
            out << "\t\t\th" << p << "_" << h << "\t1\t";
            for (int l = 0; l < 12; ++l)
                out << (h % 3 == 0 ? (p + l) % 3 : (h + l) % 4);
            out << "\n";
        }
        out << "\t\t}\n";
    }
    out << "\t[[Structure]]\n\t\tStructureName=\"s\"\n\t\tNbGroups=1\n\t\tGroup={\n";
    for (int p = 0; p < 4; ++p)
        out << "\t\t\t\"pop" << p + 1 << "\"\n";
    out << "\t\t}\n";
    return out.str();
}

// Each sample of a simulated project gets one more locus: four gene copies
// in five carry a sample's own allele, the fifth one shared by all.
std::string with_planted_locus(std::string const& project)
{
    std::istringstream in(project);
    std::ostringstream out;
    int sample = -1, copy = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.find("SampleName=") != std::string::npos) {
            ++sample;
            copy = 0;
        }
        const auto first = line.find_first_not_of(" \t");
        const bool data = sample >= 0 && first != std::string::npos
                          && (line.find("simGen") != std::string::npos
                              || (line[0] == ' ' && std::isdigit(static_cast<unsigned char>(line[first]))));
        if (data) {
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            line += " " + std::to_string(copy++ % 5 == 4 ? 300 : 310 + 2 * sample);
        }
        out << line << "\n";
    }
    return out.str();
}

const char* const INVALID_F =
    "\tObserved F-statistics lead to invalid migration rates. Coalescent simulations cannot be "
    "performed.\nPerform a simple AMOVA to check that all F-statistics are within the interval "
    "]0..1[\n";

class SelectionScanE2E : public DrovexecTest {
protected:
    void settings(std::map<std::string, std::string> changes)
    {
        changes.emplace("DetectSelectedLoci", "1");
        changes.emplace("NumberOfSimsForFDist2", "2000");
        write("run.drs", run_settings_text(changes));
    }
    std::string file(std::string const& name) { return read_text(work / "proj.res" / name); }
};

TEST_F(SelectionScanE2E, NineLociAreRefusedAndIdenticalSamplesGiveInvalidF)
{
    write("proj.drp", microsat_project(9, 1));
    settings({});
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    const std::string refusal = "\tThe input file contains information on only 9 loci!\n"
                                "\tDetecting outlier loci is not possible when fewer than 10 loci "
                                "are available\n";
    EXPECT_THAT(file("proj.htm"), HasSubstr(refusal));
    EXPECT_THAT(file("Drovalen_log.txt"), HasSubstr(refusal));
    EXPECT_FALSE(fs::exists(work / "proj.res" / "fdist2_simOut.txt"));

    write("proj.drp", microsat_project(10, 1, true));
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    EXPECT_THAT(file("proj.htm"), HasSubstr(INVALID_F));
    EXPECT_THAT(file("Drovalen_log.txt"), HasSubstr("Successful run of proj.drp"));
}

TEST_F(SelectionScanE2E, SettingsWithoutSimulationsAreRefused)
{
    write("proj.drp", microsat_project(10, 1));
    settings({{"NumberOfSimsForFDist2", "0"}});
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    EXPECT_THAT(file("proj.htm"), HasSubstr("\tThe selection scan needs at least one simulation "
                                            "and one deme (NumberOfSimsForFDist2 = 0"));
}

TEST_F(SelectionScanE2E, FiniteIslandModelOfTwentyLociWithItsBatchLine)
{
    write("proj.drp", microsat_project(20, 1));
    write("glbstreams.txt", "batch files\n_DETECT_SELECTION_\n");
    settings({});
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    std::string sim = file("fdist2_simOut.txt");
    EXPECT_THAT(sim, StartsWith("FST\tTarget Het.\tMeanHetBP\tMeanHetWP\tNumMutsOnTree\tTarget "
                                "Mean FST = "));
    EXPECT_EQ(std::count(sim.begin(), sim.end(), '\n'), 2001);
    // The island model is fitted to the observed mean FST: the simulated
    // loci scatter around it (finite samples of a few of the demes).
    std::istringstream rows(sim);
    std::string header;
    std::getline(rows, header);
    const double target = std::stod(header.substr(header.rfind("= ") + 2));
    double sum = 0.0;
    int n = 0;
    for (std::string row; std::getline(rows, row); ++n)
        sum += std::stod(row);
    ASSERT_EQ(n, 2000);
    EXPECT_NEAR(sum / n, target, 0.35 * target);
    std::string text = file("proj.htm");
    for (const char* part : {"Tested Genetic Structure:\n", "Finite island model:\n",
                             "1-FST quantile\t(if P-value=2", "FST null distribution quantiles",
                             "observed  vs. simulated data\n\n"})
        EXPECT_THAT(text, HasSubstr(part));
    EXPECT_THAT(file("fdist2_ObsOut.txt"), StartsWith("Locus\tObs. Het. BP\tObs FST\t"));
    std::string batch = read_text(work / "selectionDetection.sum");
    std::string line = batch.substr(batch.rfind("proj.drp\t2000\t") - 0);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 12) << line;

    // The same seed gives the same simulations.
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    EXPECT_EQ(file("fdist2_simOut.txt"), sim);
}

TEST_F(SelectionScanE2E, HierarchicalIslandModelOfTwoGroups)
{
    write("proj.drp", microsat_project(20, 2));
    settings({{"UseHierarchicalIslandModel", "1"}, {"NumberOfSimsForFDist2", "500"}});
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    EXPECT_THAT(file("fdist2_simOut.txt"), StartsWith("FST\tTarget Het.\tExpHetBP\t"));
    EXPECT_THAT(file("proj.htm"), HasSubstr("Hierarchical island model:\n"));
}

TEST_F(SelectionScanE2E, OneDemePerGroupFailsEverySimulation)
{
    write("proj.drp", microsat_project(20, 2));
    settings({{"UseHierarchicalIslandModel", "1"},
              {"NumberOfDemesForFDist2", "1"},
              {"NumberOfSimsForFDist2", "30"}});
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    const std::string refusal = std::string("\t30 of 30 simulations failed\n") + INVALID_F;
    EXPECT_THAT(file("proj.htm"), HasSubstr(refusal));
    EXPECT_THAT(file("Drovalen_log.txt"), HasSubstr(refusal));
    EXPECT_THAT(file("proj.htm"), Not(HasSubstr("Hierarchical island model:")));
    std::string sim = file("fdist2_simOut.txt");
    EXPECT_EQ(std::count(sim.begin(), sim.end(), '\n'), 1);  // nothing recorded
}

TEST_F(SelectionScanE2E, ParameterFileGivesSimulatedProjectsThatRun)
{
    write("proj.drp", microsat_project(10, 1));
    write("simParamFile.txt", "p\nfiles\n3\nloci\n50\ngroups\n2\ndemes\n10\nFSC\n0.05\nFCT\n0.03\n");
    settings({});
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    EXPECT_EQ(file("sims.drb"), "_sim1.drp\n_sim2.drp\n_sim3.drp\n");
    fs::copy_file(work / "proj.res" / "proj_sim3.drp", work / "sim3.drp");
    settings({{"DetectSelectedLoci", "0"}});
    ASSERT_EQ(run("sim3.drp run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "sim3.res" / "Drovalen_log.txt"),
                HasSubstr("Successful run of sim3.drp"));
}

// The scan's own AMOVAs (one per simulated locus, and the locus-by-locus
// one of the observed data) leave the run's outputs as they are without the
// scan, with the project's AMOVA and without one.
TEST_F(SelectionScanE2E, ScanLeavesTheRunsOwnOutputsAlone)
{
    const char* const outputs[] = {"sumstat_out.txt", "amovares.sum",
                                   "proj.res/MissDataPerLocus.txt"};
    for (const char* task : {"512", "0"}) {
        SCOPED_TRACE(std::string("TaskNumber ") + task);
        std::map<std::string, std::string> without;
        std::set<std::string> folder;
        for (bool scan : {false, true}) {
            fs::remove_all(work);
            fs::create_directory(work);
            write("proj.drp", microsat_project(20, 1));
            write("glbstreams.txt", "batch files\n_AMOVA_RES_\n");
            write("sumstat_keys.txt", "POP_LEVEL GLOBAL_FSTAT\n");
            settings({{"DetectSelectedLoci", scan ? "1" : "0"},
                      {"TaskNumber", task},
                      {"HaplAMOVA", "1"},
                      {"NumPermutationsAMOVA", "0"},
                      {"NumberOfSimsForFDist2", "100"}});
            ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
            for (const char* name : outputs) {
                const bool exists = fs::exists(work / name);
                const std::string text = exists ? read_text(work / name) : "(no file)";
                if (!scan)
                    without[name] = text;
                else
                    EXPECT_EQ(text, without[name]) << name;
            }
            // No other file in the result folder than the scan's own two.
            std::set<std::string> names;
            for (auto const& entry : fs::directory_iterator(work / "proj.res"))
                names.insert(entry.path().filename().string());
            if (scan) {
                EXPECT_EQ(names.erase("fdist2_simOut.txt") + names.erase("fdist2_ObsOut.txt"), 2u);
                EXPECT_EQ(names, folder);
            } else {
                folder = names;
            }
        }
        const bool amova = std::string(task) == "512";
        EXPECT_EQ(without["sumstat_out.txt"].find("FST") != std::string::npos, amova);
        EXPECT_EQ(count_of(without["amovares.sum"], "proj.drp\t"), amova ? 1 : 0);
        EXPECT_EQ(without["proj.res/MissDataPerLocus.txt"] != "(no file)", amova);
    }
}

// A project-simulation run of STANDARD data, one character a locus, at high
// heterozygosity: every simulated project reads back and runs, and holds
// its twelve loci unless the log says how many simulations failed.
TEST_F(SelectionScanE2E, SimulatedStandardProjectsReadBack)
{
    write("proj.drp", standard_project());
    write("simParamFile.txt", "p\nfiles\n4\nloci\n12\ngroups\n1\ndemes\n20\nFSC\n0.05\nFCT\n0.0\n");
    settings({{"TargetHetLowBound", "0.9"}, {"TargetHetHighBound", "0.99"}});
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    const std::string log = file("Drovalen_log.txt");
    settings({{"DetectSelectedLoci", "0"}, {"TaskNumber", "1"}});
    for (int k = 1; k <= 4; ++k) {
        const std::string name = "proj_sim" + std::to_string(k) + ".drp";
        SCOPED_TRACE(name);
        const std::string text = file(name);
        // The first gene copy of the first sample holds one character a locus.
        const auto at = text.find("SampleData={\n");
        ASSERT_NE(at, std::string::npos);
        std::istringstream first(text.substr(at + 13));
        std::string id, count, copy;
        first >> id >> count >> copy;
        const bool lost =
            log.find("for the simulated project \"" + name + "\"") != std::string::npos;
        EXPECT_TRUE(lost ? copy.size() < 12u : copy.size() == 12u) << copy;
        fs::copy_file(work / "proj.res" / name, work / name);
        ASSERT_EQ(run(name + " run.drs"), 0) << err;
        const std::string stem = name.substr(0, name.size() - 4);
        EXPECT_THAT(read_text(work / (stem + ".res") / "Drovalen_log.txt"),
                    HasSubstr("Successful run of " + name));
    }
}

// Simulations lost in project-simulation mode are counted, file by file.
TEST_F(SelectionScanE2E, LostSimulationsOfASimulatedProjectAreCounted)
{
    write("proj.drp", microsat_project(20, 2));
    // One deme per group: no genealogy can be built.
    write("simParamFile.txt", "p\nfiles\n2\nloci\n5\ngroups\n2\ndemes\n1\nFSC\n0.05\nFCT\n0.03\n");
    settings({{"UseHierarchicalIslandModel", "1"}});
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    for (const char* name : {"proj_sim1.drp", "proj_sim2.drp"}) {
        const std::string line =
            std::string("\t5 of 5 simulations failed for the simulated project \"") + name + "\"\n";
        EXPECT_THAT(file("Drovalen_log.txt"), HasSubstr(line));
        EXPECT_THAT(file("proj.htm"), HasSubstr(line));
    }
}

TEST_F(SelectionScanE2E, NeutralLociGiveUniformPValuesAndAPlantedLocusStandsOut)
{
    // Sixty neutral loci under a finite island model of FST 0.1 ...
    write("proj.drp", microsat_project(10, 1));
    write("simParamFile.txt", "p\nfiles\n1\nloci\n60\ngroups\n1\ndemes\n100\nFSC\n0.1\nFCT\n0.0\n");
    settings({});
    ASSERT_EQ(run("proj.drp run.drs"), 0) << err;
    EXPECT_EQ(file("sims.drb"), "");
    fs::remove(work / "simParamFile.txt");
    // ... and one locus that differs among the samples, scanned in their turn.
    write("neutral.drp", with_planted_locus(file("proj_sim1.drp")));
    ASSERT_EQ(run("neutral.drp run.drs"), 0) << err;
    std::istringstream rows(read_text(work / "neutral.res" / "fdist2_ObsOut.txt"));
    std::string line;
    std::getline(rows, line);
    double sum = 0.0, planted = 1.0;
    int tested = 0;
    while (std::getline(rows, line)) {
        std::istringstream fields(line);
        int locus = 0;
        double het = 0.0, fst = 0.0, p = 0.0;
        fields >> locus >> het >> fst >> p;
        if (locus == 61)
            planted = p;
        else if (p >= 0.0 && p < 2.0) {
            sum += p;
            ++tested;
        }
    }
    // min(U, 1 - U) of a neutral locus is uniform on [0, 0.5].
    ASSERT_GE(tested, 40);
    EXPECT_NEAR(sum / tested, 0.25, 0.07);
    EXPECT_LT(planted, 0.01);
}

}  // namespace
