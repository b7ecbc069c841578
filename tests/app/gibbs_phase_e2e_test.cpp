// End-to-end tests of the Gibbs phase inference: the built drovexec on an
// unphased microsatellite sample writes the result section and the phase
// files, and the phase files run again as projects of known phase.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class GibbsPhaseE2E : public DrovexecTest {
protected:
    const fs::path phases = work / "p.res" / "PhaseDistribution";

    static std::string fixture()
    {
        return read_text(fs::path(DROV_TEST_DATA) / "run" / "microsat_gibbs.drp");
    }

    // The results of the haplotype-frequency task with the Gibbs sampler and
    // its phase files (three samples).
    std::string run_project(std::string const& project)
    {
        write("p.drp", project);
        write("p.drs", run_settings_text({{"TaskNumber", "8"},
                                          {"GibbsInferGamPhase", "1"},
                                          {"GibbsOutputGamPhase", "1"},
                                          {"GibbsBurnIn", "2000"},
                                          {"GibbsSamplingInterval", "10"},
                                          {"GibbsNumSamples", "3"}}));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                    HasSubstr("Successful run of p.drp"));
        return read_text(work / "p.res" / "p.htm");
    }

    // The standard diversity indices of a phase file run as a project.
    std::string rerun(std::string const& phase_file, std::string const& name)
    {
        fs::copy_file(phases / phase_file, work / (name + ".drp"));
        write(name + ".drs", run_settings_text({{"TaskNumber", "1"}}));
        EXPECT_EQ(run(name + ".drp " + name + ".drs"), 0) << err;
        EXPECT_THAT(read_text(work / (name + ".res") / "Drovalen_log.txt"),
                    HasSubstr("Successful run of " + name + ".drp"));
        return read_text(work / (name + ".res") / (name + ".htm"));
    }
};

TEST_F(GibbsPhaseE2E, ResultSectionPhaseFilesAndTheirRoundTrip)
{
    std::string text = run_project(fixture());
    for (const char* title : {"Estimation of gametic phase from multi-locus diploid data",
                              "List of estimated haplotype frequencies",
                              "Estimated gametic phase of all individuals"})
        EXPECT_THAT(text, HasSubstr(title));
    // ind2 stands for two individuals; the missing allele keeps its character.
    EXPECT_THAT(text, HasSubstr("Num. individuals           : 7\n"
                                "Num. ambiguous individuals : 5\n"));
    EXPECT_TRUE(std::regex_search(text, std::regex("\t12 \\? 31 \n")));
    EXPECT_THAT(text, HasSubstr("       ind2\t      1.000\t[ "));

    EXPECT_EQ(read_text(phases / "QKR_PhaseDistribution.drb"),
              "QKR_Best_Phases.drp\nQKR_EstimatedPhase#0.drp\nQKR_EstimatedPhase#1.drp\n"
              "QKR_EstimatedPhase#2.drp\n");
    std::string best = read_text(phases / "QKR_Best_Phases.drp");
    EXPECT_THAT(best, HasSubstr("Title=\"Modal phase estimated with the QKR algorithm\""));
    EXPECT_THAT(best, HasSubstr("SampleData= {\n       ind1\t          1\t"));
    for (int k = 0; k < 3; ++k) {
        std::string sampled = read_text(phases / ("QKR_EstimatedPhase#" + std::to_string(k) + ".drp"));
        EXPECT_EQ(count_of(sampled, "\t1 \t"), 7) << "file " << k;
        EXPECT_THAT(sampled, HasSubstr("SampleData= {\n\t\t\tind1\t1 \t"));
    }

    // Read back, the modal phases are the sample's haplotypes: their sum of
    // squared frequencies follows from the counts of the haplotype list.
    double sum_sq = 0.0;
    const std::regex count_row("\\]\t +([0-9]+)\t");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), count_row);
         it != std::sregex_iterator(); ++it) {
        double f = std::stod((*it)[1]) / 14.0;
        sum_sq += f * f;
    }
    char expected[32];
    std::snprintf(expected, sizeof expected, "%7.4f", sum_sq);
    EXPECT_THAT(rerun("QKR_Best_Phases.drp", "best"),
                HasSubstr(std::string("Sum of square freqs.     : ") + expected));
    EXPECT_THAT(rerun("QKR_EstimatedPhase#1.drp", "sampled"), HasSubstr("Haplotype-level computations"));
}

// A sample without ambiguous individual: the result ends with the sample
// properties and every phase file says so in the sample's data.
TEST_F(GibbsPhaseE2E, SampleWithoutAmbiguousIndividual)
{
    std::string project = fixture();
    project = project.substr(0, project.find("SampleSize=7"))
              + "SampleSize=2\n\t\tSampleData={\n"
                "\t\t\tone\t1\t12 20 31\n\t\t\t\t\t14 20 31\n"
                "\t\t\ttwo\t1\t12 22 33\n\t\t\t\t\t12 22 31\n\t\t}\n";
    std::string text = run_project(project);
    EXPECT_THAT(text, HasSubstr("Num. ambiguous individuals : 0"));
    EXPECT_THAT(text, HasSubstr("\n NO AMBIGUOUS INDIVIDUALS IN THIS SAMPLE, PHASE ESTIMATION "
                                "SKIPPED\n"));
    for (const char* file : {"QKR_Best_Phases.drp", "QKR_EstimatedPhase#0.drp",
                             "QKR_EstimatedPhase#2.drp"})
        EXPECT_THAT(read_text(phases / file),
                    HasSubstr("SampleData= {\n#No ambiguous individuals\n\t\t}"))
            << file;
}

}  // namespace
