// Tests of the expansion fits as the mismatch section runs them: what reaches
// the result file, the mismatch batch lines and the values kept for the
// summary tables, by the number of spatial parameters asked for.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/random.h"
#include "simulation/ttree.h"
#include "support/temp_log.h"

namespace {

class ExpansionGlueTest : public LogFolderTest {
protected:
    PopGenetics sample;
    settings run_settings;
    std::fstream results;
    std::ostringstream batch, batch_sp3;

    void SetUp() override
    {
        long seed = -1357;
        ran3(&seed);
        TNode::hits.count = 0;
        sample.initialize();
        sample.name = "pop1";
        sample.SampleSize = 12;
        sample.NumPolymSites = 11;
        sample.MaxPairDiff = 7;
        sample.NumMismatchClasses = 9;
        sample.MismatchObsCounts = new std::int64_t[15]();
        const int counts[8] = {4, 9, 14, 16, 12, 7, 3, 1};
        for (int d = 0; d < 8; ++d)
            sample.MismatchObsCounts[d] = counts[d];
        run_settings.stop_requested = 0;
        run_settings.NumBootExpDem = 0;
        results.open(dir / "results.htm", std::ios::out);
        saved = {_MISMATCH_, ofs_mismatch, ofs_mismatch_sp3};
        batch_files.first.open(dir / "mismatch.sum");
        batch_files.second.open(dir / "mismatch_sp3.sum");
        _MISMATCH_ = 1;
        ofs_mismatch = &batch_files.first;
        ofs_mismatch_sp3 = &batch_files.second;
    }
    void TearDown() override
    {
        _MISMATCH_ = saved.flag;
        ofs_mismatch = saved.demog;
        ofs_mismatch_sp3 = saved.spatial;
        TNode::hits.count = 0;
    }
    std::string result_text()
    {
        results.close();
        return read_text(dir / "results.htm");
    }
    std::string batch_text(const char* file)
    {
        batch_files.first.flush();
        batch_files.second.flush();
        return read_text(dir / file);
    }

private:
    struct Saved {
        int flag;
        std::ofstream* demog;
        std::ofstream* spatial;
    } saved{};
    std::pair<std::ofstream, std::ofstream> batch_files;
};

}  // namespace

TEST_F(ExpansionGlueTest, SuddenFitWithoutBootstrapKeepsItsParameters)
{
    run_settings.NumBootExpDem = -5;  // no bootstrap, as 0
    EXPECT_EQ(sample.est_demog_mis(&run_settings, results), 0);
    const ExpansionFit& fit = sample.DemogExpansionFit;
    EXPECT_GT(fit.values[0], 0.0);  // tau
    EXPECT_GT(fit.values[2], fit.values[1]);  // theta1 above theta0
    EXPECT_GT(fit.values[3], 0.0);  // SSD
    EXPECT_EQ(fit.values[4], 0.0);  // no bootstrap, no P-value
    std::ostringstream line;
    line << fit.values[1] << '\t' << fit.values[0] << '\t' << fit.values[2] << '\t';
    EXPECT_EQ(batch_text("mismatch.sum"), line.str());
    std::string text = result_text();
    EXPECT_NE(text.find("Tau                                 : "), std::string::npos);
    EXPECT_NE(text.find("        #Diff     Observed    Model Freq.\n"), std::string::npos);
    EXPECT_EQ(text.find("Test of goodness-of-fit:"), std::string::npos);
}

TEST_F(ExpansionGlueTest, SpatialFitsByNumberOfParameters)
{
    struct Case {
        int params;
        bool three, four;
    };
    for (Case c : {Case{0, false, false}, Case{2, true, true}, Case{3, true, false},
                   Case{4, false, true}}) {
        run_settings.MismatchSpatialExpNumParams = c.params;
        std::fstream out(dir / "spatial.htm", std::ios::out | std::ios::trunc);
        sample.est_spatial_mis(&run_settings, out);
        out.close();
        std::string text = read_text(dir / "spatial.htm");
        EXPECT_EQ(text.find("assuming constant deme size") != std::string::npos, c.three) << c.params;
        EXPECT_EQ(text.find("assuming different deme size") != std::string::npos, c.four) << c.params;
        const ExpansionFit& fit = sample.SpatialExpansionFit;
        EXPECT_EQ(fit.values[0] > 0.0, c.params != 0) << c.params;
    }
    EXPECT_EQ(batch_text("mismatch_sp3.sum").substr(0, 8), "0\t0\t0\t0\t");
}

TEST_F(ExpansionGlueTest, BootstrapFillsTheResultBlock)
{
    run_settings.NumBootExpDem = 20;
    run_settings.MismatchSpatialExpNumParams = 3;
    sample.est_demog_mis(&run_settings, results);
    sample.est_spatial_mis(&run_settings, results);
    const ExpansionFit& demog = sample.DemogExpansionFit;
    const ExpansionFit& spatial = sample.SpatialExpansionFit;
    for (const ExpansionFit* fit : {&demog, &spatial}) {
        EXPECT_GE(fit->values[4], 0.0);
        EXPECT_LE(fit->values[4], 1.0);
        for (int p = 0; p < 3; ++p)
            EXPECT_LE(fit->values[7 + 4 * p], fit->values[10 + 4 * p]) << p;
    }
    EXPECT_GT(spatial.values[18], 0.0);  // M at 97.5%
    std::string text = result_text();
    EXPECT_EQ(count_of(text, "Confidence region for the observed mismatch:"), 6);
}
