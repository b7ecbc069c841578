// The summary-statistics collector's keywords, keyword file and output file,
// the levels its keywords decide, and the entry points through which the
// AMOVA and the pairwise comparisons store their values.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "summary/sumstat.h"
#include "support/temp_log.h"

namespace {

using ::testing::HasSubstr;

// Every flag of the collector, by the name of its member.
const std::vector<std::pair<std::string, bool TSumStat::*>> FLAGS = {
    {"ALL_K", &TSumStat::ALL_K}, {"ALLSD_K", &TSumStat::ALLSD_K}, {"MEAN_K", &TSumStat::MEAN_K},
    {"SD_K", &TSumStat::SD_K}, {"TOT_K", &TSumStat::TOT_K}, {"ALL_H", &TSumStat::ALL_H},
    {"ALLSD_H", &TSumStat::ALLSD_H}, {"MEAN_H", &TSumStat::MEAN_H}, {"SD_H", &TSumStat::SD_H},
    {"TOT_H", &TSumStat::TOT_H}, {"ALL_S", &TSumStat::ALL_S}, {"ALLSD_S", &TSumStat::ALLSD_S},
    {"PRIVATE_S", &TSumStat::PRIVATE_S}, {"MEAN_S", &TSumStat::MEAN_S},
    {"SD_S", &TSumStat::SD_S}, {"TOT_S", &TSumStat::TOT_S},
    {"ALL_TAJIMAD", &TSumStat::ALL_TAJIMAD}, {"ALLSD_TAJIMAD", &TSumStat::ALLSD_TAJIMAD},
    {"MEAN_TAJIMAD", &TSumStat::MEAN_TAJIMAD}, {"SD_TAJIMAD", &TSumStat::SD_TAJIMAD},
    {"TOT_TAJIMAD", &TSumStat::TOT_TAJIMAD}, {"ALL_FUFS", &TSumStat::ALL_FUFS},
    {"ALLSD_FUFS", &TSumStat::ALLSD_FUFS}, {"MEAN_FUFS", &TSumStat::MEAN_FUFS},
    {"SD_FUFS", &TSumStat::SD_FUFS}, {"TOT_FUFS", &TSumStat::TOT_FUFS},
    {"ALL_PI", &TSumStat::ALL_PI}, {"MEAN_PI", &TSumStat::MEAN_PI}, {"SD_PI", &TSumStat::SD_PI},
    {"TOT_PI", &TSumStat::TOT_PI}, {"ALL_GW", &TSumStat::ALL_GW},
    {"ALLSD_GW", &TSumStat::ALLSD_GW}, {"MEAN_GW", &TSumStat::MEAN_GW},
    {"SD_GW", &TSumStat::SD_GW}, {"TOT_GW", &TSumStat::TOT_GW}, {"ALL_NGW", &TSumStat::ALL_NGW},
    {"ALLSD_NGW", &TSumStat::ALLSD_NGW}, {"MEAN_NGW", &TSumStat::MEAN_NGW},
    {"SD_NGW", &TSumStat::SD_NGW}, {"ALL_RANGE", &TSumStat::ALL_RANGE},
    {"ALLSD_RANGE", &TSumStat::ALLSD_RANGE}, {"MEAN_RANGE", &TSumStat::MEAN_RANGE},
    {"SD_RANGE", &TSumStat::SD_RANGE}, {"TOT_RANGE", &TSumStat::TOT_RANGE},
    {"MEAN_ALL_DPRIME", &TSumStat::MEAN_ALL_DPRIME}, {"MEAN_ALL_R2", &TSumStat::MEAN_ALL_R2},
    {"ALL_ADJ_DPRIME", &TSumStat::ALL_ADJ_DPRIME}, {"ALL_ADJ_R2", &TSumStat::ALL_ADJ_R2},
    {"MEAN_ADJ_DPRIME", &TSumStat::MEAN_ADJ_DPRIME}, {"MEAN_ADJ_R2", &TSumStat::MEAN_ADJ_R2},
    {"FLANK_DPRIME", &TSumStat::FLANK_DPRIME}, {"FLANK_R2", &TSumStat::FLANK_R2},
    {"GLOBAL_FSTAT", &TSumStat::GLOBAL_FSTAT}, {"GLOBALSD_FSTAT", &TSumStat::GLOBALSD_FSTAT},
    {"PAIRWISE_FST", &TSumStat::PAIRWISE_FST}, {"PAIRWISE_PI", &TSumStat::PAIRWISE_PI},
    {"PAIRWISE_DMUSQR", &TSumStat::PAIRWISE_DMUSQR}, {"POP_LEVEL", &TSumStat::POP_LEVEL},
    {"GROUP_LEVEL", &TSumStat::GROUP_LEVEL},
    // Set by the AMOVA and the run, never by a keyword.
    {"FIS", &TSumStat::FIS}, {"FST", &TSumStat::FST}, {"FCT", &TSumStat::FCT},
    {"FSC", &TSumStat::FSC}, {"FIT", &TSumStat::FIT}, {"atGroupLevel", &TSumStat::atGroupLevel},
};

std::set<std::string> flags_set(TSumStat const& s)
{
    std::set<std::string> set;
    for (auto const& [name, flag] : FLAGS)
        if (s.*flag)
            set.insert(name);
    return set;
}

TEST(SumStatKeywords, EachKeywordAloneSetsItsOwnFlag)
{
    const std::set<std::string> not_keywords = {"FIS", "FST", "FCT", "FSC", "FIT", "atGroupLevel"};
    int keywords = 0;
    for (auto const& [name, flag] : FLAGS) {
        if (not_keywords.count(name))
            continue;
        ++keywords;
        TSumStat s;
        s.checkForStat(my_string(("  " + name + "\r").c_str()));
        EXPECT_EQ(flags_set(s), std::set<std::string>{name}) << name;
    }
    EXPECT_EQ(keywords, 59);
}

TEST(SumStatKeywords, LinesOfSeveralWords)
{
    struct Case {
        const char* line;
        std::set<std::string> flags;
    };
    const std::vector<Case> cases = {
        {"all_k mean_k # tot_k", {"ALL_K", "MEAN_K"}},
        {"ALLSD_K", {"ALLSD_K"}},
        {"ALLSD_K ALLSD_K", {"ALLSD_K", "SD_K"}},  // only the first one is taken out
        {"ALLSD_S,ALLSD_TAJIMAD;ALLSD_FUFS", {"ALLSD_S", "ALLSD_TAJIMAD", "ALLSD_FUFS"}},
        {"TOT_TAJIMAD TOT_FUFS TOT_PI GLOBALSD_FSTAT",
         {"TOT_TAJIMAD", "TOT_FUFS", "TOT_PI", "GLOBALSD_FSTAT"}},
        {"Pop_Level/group_level", {"POP_LEVEL", "GROUP_LEVEL"}},
        {"# POP_LEVEL", {}},
        {"no keyword here", {}},
    };
    for (Case const& c : cases) {
        TSumStat s;
        my_string line(c.line);
        s.checkForStat(line);
        EXPECT_EQ(flags_set(s), c.flags) << c.line;
        EXPECT_STREQ(line.str, c.line);  // the caller's line is left as it was
    }
}

TEST(SumStatKeywords, FlagsWithoutColumnsGiveAnEmptyLine)
{
    TSumStat s;
    s.checkForStat(my_string("TOT_TAJIMAD TOT_FUFS TOT_PI GLOBALSD_FSTAT ALLSD_S ALLSD_TAJIMAD "
                             "ALLSD_FUFS GLOBAL_FSTAT"));
    s.totD = s.totFS = s.totPi = 5.0;
    s.outputHeader(DNA);
    s.outputStats(DNA);
    EXPECT_EQ(s.headerText, "\n");
    EXPECT_EQ(s.valuesText, "\n");
}

class SumStatFiles : public LogFolderTest {};

TEST_F(SumStatFiles, KeywordFileStartsAfresh)
{
    TSumStat s;
    s.enabled = s.appendToFile = true;
    s.headerText = "old header\n";
    s.valuesText = "old values\n";
    s.FST = s.ALL_H = s.atGroupLevel = true;
    s.K.Add(3.0);
    // The last line has no line end; a carriage return stays in a line.
    std::string path = write_file("keys.txt", "title\r\nall_k\tpop_level\r\n\nSD_H").string();
    ASSERT_TRUE(s.readDefSSFile(my_string(path.c_str())));

    EXPECT_EQ(flags_set(s), (std::set<std::string>{"ALL_K", "POP_LEVEL", "SD_H"}));
    EXPECT_STREQ(s.defFileName.str, path.c_str());
    EXPECT_EQ(s.headerText, "");
    EXPECT_EQ(s.valuesText, "");
    EXPECT_TRUE(s.enabled);
    EXPECT_TRUE(s.appendToFile);
    EXPECT_EQ(s.K.count, 1);
}

TEST_F(SumStatFiles, MissingKeywordFileClearsEveryFlagAndIsReported)
{
    TSumStat s;
    for (auto const& flag : FLAGS)
        s.*flag.second = true;
    s.valuesText = "old values\n";
    std::string path = (dir / "no_keys.txt").string();

    testing::internal::CaptureStderr();
    EXPECT_FALSE(s.readDefSSFile(my_string(path.c_str())));
    std::string err = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(flags_set(s).empty());
    EXPECT_EQ(s.valuesText, "");
    EXPECT_EQ(err, "drovexec: cannot open the summary-statistics keyword file \"" + path + "\"\n");
    std::string log = take_log();
    EXPECT_THAT(log, HasSubstr("from function \"TSumStat::readDefSSFile()\" : unable to open "
                               "Drovalen input file"));
    EXPECT_THAT(log, HasSubstr("\tUnable to open the summary-statistics keyword file \"" + path
                               + "\"\n"));
}

TEST_F(SumStatFiles, WriteToFileTruncatingAndAppending)
{
    struct Case {
        int what;
        bool append;
        std::string expected;  // the file after the call, which finds "old\n" in it
    };
    const std::vector<Case> cases = {
        {0, false, "1\t2\t\n"},
        {1, false, "K_1\tK_2\t\n1\t2\t\n"},
        {2, false, "K_1\tK_2\t\n"},
        {3, false, ""},
        {0, true, "old\n1\t2\t\n"},
        {1, true, "old\nK_1\tK_2\t\n1\t2\t\n"},
        {2, true, "old\nK_1\tK_2\t\n"},
        {3, true, "old\n"},
    };
    for (Case const& c : cases) {
        TSumStat s;
        s.headerText = "K_1\tK_2\t\n";
        s.valuesText = "1\t2\t\n";
        s.appendToFile = c.append;
        std::string path = write_file("out.txt", "old\n").string();
        s.outputFileName = path.c_str();
        EXPECT_TRUE(s.writeToFile(c.what));
        EXPECT_EQ(read_text(path), c.expected) << c.what << " " << c.append;
        EXPECT_EQ(s.valuesText, "1\t2\t\n");  // the texts stay
    }
}

TEST_F(SumStatFiles, OutputFileThatCannotBeOpenedIsReported)
{
    TSumStat s;
    s.valuesText = "1\t\n";
    std::string path = (dir / "missing_folder" / "out.txt").string();
    s.outputFileName = path.c_str();

    testing::internal::CaptureStderr();
    EXPECT_FALSE(s.writeToFile(1));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "drovexec: cannot open the summary-statistics file \"" + path + "\"\n");
    std::string log = take_log();
    EXPECT_THAT(log, HasSubstr("from function \"TSumStat::writeToFile()\" : invalid stream"));
    EXPECT_THAT(log, HasSubstr("\tUnable to open the summary-statistics file \"" + path + "\"\n"));
    EXPECT_EQ(s.valuesText, "1\t\n");
}

TEST(SumStatLevels, KeywordsDecideTheLevelsOnlyWhenEnabled)
{
    struct Case {
        bool enabled, pop_level, group_level, within_groups;
        bool group_runs, population_runs;
    };
    const std::vector<Case> cases = {
        {false, false, false, false, false, true},
        {false, false, false, true, true, true},
        {false, false, true, false, false, true},  // keywords alone decide nothing
        {true, false, false, true, false, false},  // neither level
        {true, true, false, true, false, true},
        {true, false, true, false, true, false},
        {true, true, true, false, true, true},
    };
    for (Case const& c : cases) {
        TSumStat s;
        s.enabled = c.enabled;
        s.POP_LEVEL = c.pop_level;
        s.GROUP_LEVEL = c.group_level;
        EXPECT_EQ(s.runsGroupLevel(c.within_groups), c.group_runs)
            << c.enabled << c.pop_level << c.group_level << c.within_groups;
        EXPECT_EQ(s.runsPopulationLevel(), c.population_runs)
            << c.enabled << c.pop_level << c.group_level;
    }
}

TEST(SumStatStores, FixationIndicesOfEachAmovaDesign)
{
    struct Case {
        int code;
        std::string header;
    };
    const std::vector<Case> cases = {
        {1, "FST\t"},
        {2, "FIS\tFST\tFIT\t"},
        {3, "FST\tFCT\tFSC\t"},
        {4, "FIS\tFCT\tFSC\tFIT\t"},
        {5, "FST\tFCT\tFSC\t"},
        {6, "FIS\t"},
        {7, "FST\t"},
        {8, ""},
        {0, ""},
    };
    TSumStat::FixationIndices values;
    values.FIS = 0.1;
    values.FST = 0.2;
    values.FCT = 0.3;
    values.FSC = 0.4;
    values.FIT = 0.5;
    for (Case const& c : cases) {
        TSumStat s;
        s.GLOBAL_FSTAT = true;
        s.storeGlobalFStat(TSumStat::designIndices(c.code), values);
        s.outputHeader(STANDARD);
        EXPECT_EQ(s.headerText, c.header + "\n") << c.code;
    }

    TSumStat s;
    s.GLOBAL_FSTAT = true;
    s.storeGlobalFStat(TSumStat::designIndices(4), values);
    s.outputStats(DNA);
    EXPECT_EQ(s.valuesText, "0.1\t0.3\t0.4\t0.5\t\n");

    TSumStat off;  // GLOBAL_FSTAT clear: nothing is stored or flagged
    off.storeGlobalFStat(TSumStat::designIndices(2), values);
    EXPECT_FALSE(off.FIS || off.FST || off.FIT);
    EXPECT_EQ(off.globalFST, 0.0);
}

TEST(SumStatStores, PairsInRowOrder)
{
    TSumStat s;
    s.PAIRWISE_FST = true;
    s.pairFST.Add(99.0);
    s.storePairs(s.pairFST, s.PAIRWISE_FST, 4, [](int i, int j) { return 10.0 * i + j; });
    std::vector<double> stored(s.pairFST.data, s.pairFST.data + s.pairFST.count);
    EXPECT_EQ(stored, (std::vector<double>{10, 20, 21, 30, 31, 32}));

    s.storePairs(s.pairPI, s.PAIRWISE_PI, 4, [](int, int) { return 1.0; });
    EXPECT_EQ(s.pairPI.count, 0);  // emptied, nothing added while its flag is clear
    s.storePairs(s.pairFST, s.PAIRWISE_FST, 1, [](int, int) { return 1.0; });
    EXPECT_EQ(s.pairFST.count, 0);
}

}  // namespace
