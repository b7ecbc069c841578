// End-to-end test of the simulated loci of the selection scan, driven as the
// scan drives them: 50 one-locus simulations of a three-sample
// microsatellite project, gathered into multi-locus samples, written with the
// project's profile and structure, and run by drovexec as a project.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "app/e2e_fixture.h"
#include "core/random.h"
#include "project/project.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class GatheredLociE2E : public DrovexecTest {
protected:
    TempDir folder;
    TempLog driver_log{folder.path()};  // what the driver's own calls report
    Project observed;   // the project read from its file
    Project simulated;  // whose samples each simulation fills

    void SetUp() override
    {
        DrovexecTest::SetUp();
        write("obs.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "microsat3.drp"));
        settings::input_file = (work / "obs.drp").c_str();
        observed.run_settings.project_dir = (work.string() + "/").c_str();
        observed.profile.RunSettings = &observed.run_settings;
        ASSERT_EQ(observed.newOpen(), 1);
    }
};

TEST_F(GatheredLociE2E, FiftySimulatedLociRunAsAProject)
{
    const int loci = 50;
    long seed = -31;
    ran3(&seed);
    TNode::hits.count = 0;  // the site-hit table of the mutation passes, shared by the process
    Samples gathered;
    for (int l = 0; l < loci; ++l) {
        simulated.samples->clean();
        simulated.haplo_list.reset();
        simulated.allele_db.destroy();
        int mutations = simulated.simulateSample(4.0, 1, STEPWISE, 0.0, 1.0, 1.0, 1.0 / 3.0, 0,
                                                 0.1, observed.samples, observed.structure, 10,
                                                 true);
        ASSERT_GE(mutations, 0) << "locus " << l;
        ASSERT_EQ(simulated.samples->Populations.count, 3);
        for (int i = 0; i < 3; ++i) {
            Population const& made = *simulated.samples->Populations[i];
            Population const& model = *observed.samples->Populations[i];
            ASSERT_STREQ(made.name.str, model.name.str);
            ASSERT_EQ(made.SampleSize, model.SampleSize);
        }
        simulated.samples->build_all_vectors(ProfileSettings::LocusSeparator);
        gathered.addLocus(*simulated.samples, 0, loci, true);
    }
    ASSERT_EQ(gathered.Populations.count, 3);
    EXPECT_EQ(driver_log.take().find("#["), std::string::npos);
    // Every gene copy holds 50 allele sizes, each followed by the separator.
    static const std::regex fifty_sizes(R"((-?\d+ ){50})");
    for (int i = 0; i < 3; ++i) {
        Population& p = *gathered.Populations[i];
        ASSERT_EQ(p.individuals.phenotypes.count, 2);
        for (int k = 0; k < 2; ++k)
            for (my_string const& copy : p.individuals.phenotypes[k]->gene_copy)
                EXPECT_TRUE(std::regex_match(copy.str, fifty_sizes)) << copy.str;
    }

    {
        std::ofstream file(work / "sim.drp");
        file << observed.profile << "\n" << gathered << "\n" << *observed.structure << std::endl;
    }
    write("sim.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("sim.drp sim.drs"), 0) << err;
    std::string log = read_text(work / "sim.res" / "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("Successful run of sim.drp"));
    EXPECT_THAT(log, Not(HasSubstr("#[ERROR")));
    std::string results = read_text(work / "sim.res" / "sim.htm");
    for (const char* name : {"Arun", "Bure", "Clyde"})
        EXPECT_THAT(results, HasSubstr(std::string("== Sample : \t") + name));
    // The summary's heterozygosity table has a row per simulated locus.
    EXPECT_THAT(results, HasSubstr("\n    50 "));
    EXPECT_THAT(results, Not(HasSubstr("\n    51 ")));
}

}  // namespace
