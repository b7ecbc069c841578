// The settings object: defaults, derived file names, the disequilibrium table
// and the progress text.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "app/glbobj.h"
#include "app/settings.h"
#include "core/trimat.h"
#include "support/temp_log.h"

namespace {

TEST(Settings, DefaultsOfFieldsWithoutKeyAndDataDependentDefault)
{
    settings s;
    EXPECT_EQ(s.append_results, 1);
    EXPECT_EQ(s.ld_test_active, 1);
    EXPECT_EQ(s.print_em_results, 1);
    EXPECT_EQ(s.estimate_haplotypes, 1);
    EXPECT_DOUBLE_EQ(s.hw_pvalue, 1.0);
    EXPECT_EQ(s.genotypic_data, 0);
    EXPECT_EQ(s.gametic_phase, 0);
    EXPECT_EQ(s.MarkovChainStepsLD, 100000);  // haplotypic data until a run says otherwise
    EXPECT_STREQ(s.ld_file.str, "ld_dis.xl");
    EXPECT_STREQ(settings::gibbs_BatchFilename.str, "none");
    EXPECT_EQ(s.keep_null_distrib_from_run_list, -1);
    EXPECT_EQ(s.results_stream, nullptr);
    EXPECT_EQ(s.phase_streams, nullptr);
}

TEST(Settings, FileNamesFromAProjectPath)
{
    settings s;
    xmlOutput = false;
    s.buildFilenamesFromCurrentProjectName("data/pop.drp");
    EXPECT_STREQ(s.results_dir.str, "data/pop.res/");
    EXPECT_STREQ(settings::input_file.str, "data/pop.res/pop.drp");
    EXPECT_STREQ(s.project_dir.str, "data/");
    EXPECT_STREQ(s.results_file.str, "data/pop.res/pop.htm");
    EXPECT_STREQ(s.tree_page_file.str, "data/pop.res/pop_tree.htm");
    EXPECT_STREQ(s.tree_data_file.str, "data/pop.res/pop.js");
    EXPECT_STREQ(s.main_page_file.str, "data/pop.res/pop_main.htm");

    xmlOutput = true;
    s.buildFilenamesFromCurrentProjectName("pop.drp");
    EXPECT_STREQ(s.results_file.str, "pop.res/pop.xml");
    xmlOutput = false;

    // No fixed buffer: a deep path is kept whole.
    std::string deep = std::string(900, 'd') + "/pop.drp";
    s.buildFilenamesFromCurrentProjectName(deep.c_str());
    EXPECT_EQ(std::string(s.main_page_file.str), std::string(900, 'd') + "/pop.res/pop_main.htm");
}

TEST(Settings, NullDistributionNamesCutAtTheLastDot)
{
    settings s;
    s.results_file = "a.b/run.xml";
    s.build_sigm_histo_f_name();
    EXPECT_STREQ(s.va_file.str, "a.b/run.va");
    EXPECT_STREQ(s.vb_file.str, "a.b/run.vb");
    EXPECT_STREQ(s.vc_file.str, "a.b/run.vc");
    EXPECT_STREQ(s.vd_file.str, "a.b/run.vd");
}

TEST(Settings, ProgressTextCarriesACappedPercentage)
{
    std::strcpy(settings::message, "Computing ...");
    settings::global_work_to_do = 0.0;
    EXPECT_EQ(settings::progress_text(), "Computing ...");
    settings::global_work_to_do = 200.0;
    settings::global_work_done = 99.0;
    EXPECT_EQ(settings::progress_text(), "49% : Computing ...");
    settings::global_work_done = 500.0;
    EXPECT_EQ(settings::progress_text(), "100% : Computing ...");
    settings::print_message();
    settings::global_work_to_do = settings::global_work_done = 0.0;
    settings::message[0] = '\0';
}

class DiseqTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stream_.open((dir_ / "res.htm").string(), std::ios::in | std::ios::out | std::ios::trunc);
        s_.results_stream = &stream_;
        s_.SignificanceLevelLD = 0.05;
    }
    void TearDown() override { stream_.close(); }

    std::string table(TriMat& p, int n, int* loci)
    {
        EXPECT_EQ(s_.print_diseq_table(p, n, loci), 1);
        stream_.flush();
        return read_text(dir_ / "res.htm");
    }

    TempDir dir_;
    std::fstream stream_;
    settings s_;
};

const char* const HEADING = "\nTable of significant linkage disequilibrium (significance level=0.05):\n\n";

TEST_F(DiseqTableTest, MarksOfSignificance)
{
    TriMat p(3);
    p(1, 0) = 0.01;
    p(2, 0) = 0.05;  // equal to the level: not significant
    p(2, 1) = 0.5;
    int loci[] = {1, 2, 3};
    s_.PrintFlagHistogramLD = 2;
    std::string rule = "          ------------\n";
    EXPECT_EQ(table(p, 3, loci), std::string(HEADING) + rule +
                                     "Locus  # |  1|  2|  3|\n" + rule +
                                     "       1 |  *   +   - \n"
                                     "       2 |  +   *   - \n"
                                     "       3 |  -   -   * \n");
}

TEST_F(DiseqTableTest, PValuesWithFourSignificantDigits)
{
    TriMat p(2);
    p(1, 0) = 0.000123456;
    int loci[] = {4, 7};
    s_.PrintFlagHistogramLD = 1;
    std::string rule = "          ----------------\n";
    EXPECT_EQ(table(p, 2, loci), std::string(HEADING) + rule + "Locus  # |      4|      7|\n" + rule +
                                     "       4 |      * 0.0001235 \n"
                                     "       7 |0.0001235       * \n");
}

TEST_F(DiseqTableTest, OtherFlagShowsTheDiagonalOnlyAndNoLociGiveTheFrame)
{
    TriMat p(2);
    int loci[] = {1, 2};
    s_.PrintFlagHistogramLD = 3;
    std::string rule = "          ------\n";
    EXPECT_EQ(table(p, 2, loci), std::string(HEADING) + rule + "Locus  # | 1| 2|\n" + rule +
                                     "       1 | * \n"
                                     "       2 | * \n");

    TriMat empty(0);
    std::string frame = std::string(HEADING) + "          \nLocus  # |\n          \n";
    std::string both = table(empty, 0, nullptr);
    EXPECT_EQ(both.substr(both.size() - frame.size()), frame);
}

}  // namespace
