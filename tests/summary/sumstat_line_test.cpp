// The summary-statistics line built from hand-filled lists: column names and
// their order per data type, the "gr_" prefix and the line ends of the two
// levels, the "%g" numbers, the pairwise names, and how a project's line
// keeps to the first header and reports that project only.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "summary/sumstat.h"
#include "support/temp_log.h"

namespace {

using ::testing::HasSubstr;

void fill(TSumStat::List& list, std::vector<double> const& values)
{
    list.count = 0;
    for (double v : values)
        list.Add(v);
}

// What the run control does for one project: the reset at its start, then
// each level it performs with what the analyses store, the header (while
// none is complete) and the values.
void run_project(TSumStat& s, TDataType type, bool group_level, bool population_level,
                 std::function<void()> const& store_group = [] {},
                 std::function<void()> const& store_population = [] {})
{
    s.startProject();
    if (group_level) {
        s.atGroupLevel = true;
        store_group();
        if (s.needsHeader())
            s.outputHeader(type);
        s.outputStats(type);
        s.atGroupLevel = false;
    }
    if (population_level) {
        store_population();
        if (s.needsHeader())
            s.outputHeader(type);
        s.outputStats(type);
    }
}

std::vector<std::string> fields(std::string const& line)
{
    std::vector<std::string> result;
    std::string::size_type start = 0;
    for (auto tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        result.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    EXPECT_EQ(start, line.size()) << "every field ends with a tab";
    return result;
}

std::vector<std::string> lines(std::string const& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

// Every flag set, every list holding one value and every pairwise list the
// value of one pair: which columns exist for each data type, in line order.
TEST(SumStatLine, ColumnsOfEachDataType)
{
    const std::string head = "K_1\tKsd_1\tmean_K\tsd_K\ttot_K\tH_1\tHsd_1\tmean_H\tsd_H\ttot_H\t";
    const std::string sequences = "S_1\tSsd_1\tprS_1\tmean_S\tsd_S\ttot_S\tD_1\tDsd_1\tmean_D\t"
                                  "sd_D\tFS_1\tFSsd_1\tmean_FS\tsd_FS\tPi_1\tmean_Pi\tsd_Pi\t";
    const std::string microsat = "GW_1\tGWsd_1\tmean_GW\tsd_GW\ttot_GW\tNGW_1\tNGWsd_1\tmean_NGW\t"
                                 "sd_NGW\tR_1\tRsd_1\tmean_R\tsd_R\ttot_R\t";
    const std::string tail = "mean_D'_1\tmean_R2_1\tadj_D'_1\tadj_R2_1\tmean_adj_D'_1\t"
                             "mean_adj_R2_1\tflank_D'_1\tflank_R2_1\tFIS\tFST\tFCT\tFSC\tFIT\t"
                             "FST_2_1\tPI_2_1\tDMUSQ_2_1\t";
    std::string rflp = sequences;
    rflp.erase(rflp.find("prS_1\t"), 6);
    struct Case {
        TDataType type;
        std::string header;
    };
    const std::vector<Case> cases = {
        {DNA, head + sequences + tail},      {RFLP, head + rflp + tail},
        {MICROSAT, head + microsat + tail},  {STANDARD, head + tail},
        {FREQUENCY, head + tail},
    };
    for (Case const& c : cases) {
        TSumStat s;
        for (const char* line : {"ALL_K ALLSD_K MEAN_K SD_K TOT_K ALL_H ALLSD_H MEAN_H SD_H TOT_H",
                                 "ALL_S ALLSD_S PRIVATE_S MEAN_S SD_S TOT_S ALL_TAJIMAD "
                                 "ALLSD_TAJIMAD MEAN_TAJIMAD SD_TAJIMAD ALL_FUFS ALLSD_FUFS "
                                 "MEAN_FUFS SD_FUFS ALL_PI MEAN_PI SD_PI",
                                 "ALL_GW ALLSD_GW MEAN_GW SD_GW TOT_GW ALL_NGW ALLSD_NGW MEAN_NGW "
                                 "SD_NGW ALL_RANGE ALLSD_RANGE MEAN_RANGE SD_RANGE TOT_RANGE",
                                 "MEAN_ALL_DPRIME MEAN_ALL_R2 ALL_ADJ_DPRIME ALL_ADJ_R2 "
                                 "MEAN_ADJ_DPRIME MEAN_ADJ_R2 FLANK_DPRIME FLANK_R2",
                                 "PAIRWISE_FST PAIRWISE_PI PAIRWISE_DMUSQR"})
            s.checkForStat(my_string(line));
        s.FIS = s.FST = s.FCT = s.FSC = s.FIT = true;
        for (TSumStat::List* list :
             {&s.K, &s.Ksd, &s.H, &s.Hsd, &s.S, &s.Ssd, &s.prS, &s.D, &s.Dsd, &s.FS, &s.FSsd, &s.Pi,
              &s.GW, &s.GWsd, &s.NGW, &s.NGWsd, &s.R, &s.Rsd, &s.pairFST, &s.pairPI, &s.pairDMUSQ,
              &s.meanAllDprime, &s.meanAllR2, &s.allAdjDprime, &s.allAdjR2, &s.meanAdjDprime,
              &s.meanAdjR2, &s.flankDprime, &s.flankR2})
            fill(*list, {2.5});
        s.outputHeader(c.type);
        s.outputStats(c.type);
        EXPECT_EQ(s.headerText, c.header + "\n") << c.type;
        // Scalars are 0 until stored; every column has its value.
        EXPECT_EQ(fields(s.valuesText.substr(0, s.valuesText.size() - 1)).size(),
                  fields(c.header).size())
            << c.type;
    }
}

TEST(SumStatLine, ValuesAsPrintfGeneralNotation)
{
    struct Case {
        double value;
        const char* text;
    };
    // Each text as C's printf("%g") writes the value.
    const std::vector<Case> cases = {
        {1.0 / 3.0, "0.333333"}, {12.0, "12"},     {1e-7, "1e-07"},   {1.5e6, "1.5e+06"},
        {0.0001, "0.0001"},      {123456.0, "123456"}, {1234567.0, "1.23457e+06"},
        {-2.5, "-2.5"},          {0.0, "0"},
    };
    TSumStat s;
    s.ALL_H = true;
    std::string expected;
    for (Case const& c : cases) {
        s.H.Add(c.value);
        expected += std::string(c.text) + "\t";
    }
    s.outputStats(STANDARD);
    EXPECT_EQ(s.valuesText, expected + "\n");
}

TEST(SumStatLine, PairwiseNames)
{
    struct Case {
        int values;
        std::string header;
    };
    const std::vector<Case> cases = {
        {0, ""},
        {1, "FST_2_1\t"},
        {3, "FST_2_1\tFST_3_1\tFST_3_2\t"},
        {6, "FST_2_1\tFST_3_1\tFST_3_2\tFST_4_1\tFST_4_2\tFST_4_3\t"},
    };
    for (Case const& c : cases) {
        TSumStat s;
        s.PAIRWISE_FST = true;
        for (int i = 0; i < c.values; ++i)
            s.pairFST.Add(0.5);
        s.outputHeader(DNA);
        EXPECT_EQ(s.headerText, c.header + "\n") << c.values;
    }
}

TEST(SumStatLine, BothLevelsFormOneLine)
{
    TSumStat s;
    s.enabled = s.POP_LEVEL = s.GROUP_LEVEL = s.ALL_K = true;
    run_project(s, DNA, true, true, [&] { fill(s.K, {2, 3}); },
                [&] { fill(s.K, {1, 2, 3, 4, 0.5}); });
    EXPECT_EQ(s.headerText, "gr_K_1\tgr_K_2\tK_1\tK_2\tK_3\tK_4\tK_5\t\n");
    EXPECT_EQ(s.valuesText, "2\t3\t1\t2\t3\t4\t0.5\t\n");
}

TEST(SumStatLine, LineEnds)
{
    struct Case {
        const char* name;
        const char* keywords;
        bool group_level, population_level;
        std::string header, values;  // after three projects
    };
    const std::vector<Case> cases = {
        {"every flag clear, the group level on request", "", true, true, "\n", "\n\n\n"},
        {"every flag clear", "", false, true, "\n", "\n\n\n"},
        {"group level only", "GROUP_LEVEL ALL_K", true, false, "gr_K_1\t\n",
         "7\t\n7\t\n7\t\n"},
        {"population level only", "POP_LEVEL ALL_K", false, true, "K_1\t\n", "7\t\n7\t\n7\t\n"},
        {"neither level", "", false, false, "", ""},
    };
    for (Case const& c : cases) {
        TSumStat s;
        s.checkForStat(my_string(c.keywords));
        auto store = [&] { fill(s.K, {7}); };
        for (int project = 0; project < 3; ++project)
            run_project(s, MICROSAT, c.group_level, c.population_level, store, store);
        EXPECT_EQ(s.headerText, c.header) << c.name;
        EXPECT_EQ(s.valuesText, c.values) << c.name;
    }
}

// A project's line reports that project only: what it did not store reads
// "NA", in the columns of the first header.
TEST(SumStatLine, LaterProjectsKeepTheFirstHeaderAndTheirOwnValues)
{
    TempDir dir;
    TempLog log(dir.path());
    TSumStat s;
    s.checkForStat(my_string("ALL_H MEAN_H GLOBAL_FSTAT PAIRWISE_FST"));
    TSumStat::FixationIndices indices;
    indices.FST = 0.25;
    indices.FSC = 0.125;
    indices.FCT = 0.5;

    run_project(s, DNA, false, true, [] {}, [&] {
        fill(s.H, {0.5, 0.75});
        s.meanH = 0.625;
        s.storeGlobalFStat(TSumStat::designIndices(3), indices);
        s.storePairs(s.pairFST, true, 3, [](int i, int j) { return i + 0.1 * j; });
    });
    // Nothing stored: the same columns, every value "NA".
    run_project(s, DNA, false, true);
    // Fewer samples, an AMOVA of one group, more pairs than the header has columns.
    run_project(s, DNA, false, true, [] {}, [&] {
        fill(s.H, {0.2});
        s.meanH = 0.2;
        s.storeGlobalFStat(TSumStat::designIndices(1), indices);
        s.storePairs(s.pairFST, true, 4, [](int, int) { return 1.0; });
    });

    EXPECT_EQ(s.headerText, "H_1\tH_2\tmean_H\tFST\tFCT\tFSC\tFST_2_1\tFST_3_1\tFST_3_2\t\n");
    std::vector<std::string> values = lines(s.valuesText);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0] + "\n", "0.5\t0.75\t0.625\t0.25\t0.5\t0.125\t1\t2\t2.1\t\n");
    EXPECT_EQ(values[1] + "\n", "NA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\t\n");
    EXPECT_EQ(values[2] + "\n", "0.2\tNA\t0.2\t0.25\tNA\tNA\t1\t1\t1\t\n");
    EXPECT_THAT(log.text(), HasSubstr("\tSummary-statistics line: 3 value(s) without a column in "
                                      "the header were left out\n"));

    // A project that stores nothing leaves nothing out: the 4-sample pairs
    // of the last project are its NA values now.
    run_project(s, DNA, false, true);
    EXPECT_EQ(count_of(log.text(), "without a column"), 1);
}

// Values as the project left them: NaN, lists keeping their length.
TEST(SumStatLine, StartOfAProjectForgetsTheValuesOfTheLastOne)
{
    TSumStat s;
    fill(s.K, {1, 2, 3});
    fill(s.pairPI, {4});
    s.totR = 2.0;
    s.globalFIT = 0.5;
    s.startProject();
    EXPECT_EQ(s.K.count, 3);
    EXPECT_TRUE(std::isnan(s.K[0]) && std::isnan(s.K[2]) && std::isnan(s.pairPI[0]));
    EXPECT_TRUE(std::isnan(s.totR) && std::isnan(s.globalFIT));
}

TEST(SumStatLine, FailedProjectLeavesNoPartOfItsLine)
{
    TSumStat s;
    s.enabled = s.POP_LEVEL = s.GROUP_LEVEL = s.ALL_K = true;
    auto store = [&] { fill(s.K, {1, 2}); };
    // The first project fails after its group level: no header, no values.
    run_project(s, DNA, true, false, store);
    s.dropProjectLine();
    EXPECT_EQ(s.headerText, "");
    EXPECT_EQ(s.valuesText, "");
    EXPECT_TRUE(s.needsHeader());

    run_project(s, DNA, true, true, store, store);
    run_project(s, DNA, true, false, store);  // fails in turn
    s.dropProjectLine();
    run_project(s, DNA, true, true, store, store);
    EXPECT_EQ(s.headerText, "gr_K_1\tgr_K_2\tK_1\tK_2\t\n");
    EXPECT_EQ(s.valuesText, "1\t2\t1\t2\t\n1\t2\t1\t2\t\n");
}

// No cap on a line: the pairwise FST of 500 samples make a header of about
// 1.5 million characters and a values line of about 1.1 million.
TEST(SumStatLine, LongLinesAreWrittenWhole)
{
    TSumStat s;
    s.PAIRWISE_FST = true;
    for (int project = 0; project < 2; ++project) {
        run_project(s, DNA, false, true, [] {}, [&] {
            s.storePairs(s.pairFST, true, 500, [](int i, int j) { return -(i + j + 0.0123457); });
        });
    }
    std::vector<std::string> header = fields(lines(s.headerText).at(0));
    ASSERT_EQ(header.size(), 124750u);
    EXPECT_EQ(header.back(), "FST_500_499");
    EXPECT_GT(s.headerText.size(), 1001100u);
    std::vector<std::string> values = lines(s.valuesText);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(fields(values[1]).size(), 124750u);
    EXPECT_EQ(fields(values[1]).back(), "-997.012");
    EXPECT_GT(values[1].size(), 1001100u);
}

}  // namespace
