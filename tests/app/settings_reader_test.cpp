// Reading settings files: which line gives a key its value.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/private_profile.h"
#include "app/settings.h"
#include "support/temp_log.h"

namespace {

class SettingsReaderTest : public ::testing::Test {
protected:
    my_string write_file(std::string const& text)
    {
        return my_string(dir_.write_file("run.drs", text).string().c_str());
    }

    // Reads the text into s.
    void read_into(settings& s, std::string const& text)
    {
        my_string path = write_file(text);
        s.read_settings(path);
    }

    std::unique_ptr<settings> read(std::string const& text)
    {
        auto s = std::make_unique<settings>();
        read_into(*s, text);
        return s;
    }

    TempDir dir_;
};

std::string lines(int count, const char* text)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += std::string(text) + "\n";
    return out;
}

struct IntCase {
    const char* what;
    std::string file;
    int settings::*field;
    int expected;
};

TEST_F(SettingsReaderTest, LineRulesDecideAnIntegerKey)
{
    const std::string blanks88(88, ' ');
    const IntCase cases[] = {
        {"plain key", "[Setting for Calculations]\nTaskNumber=12\n", &settings::TaskNumber, 12},
        {"missing key gives 0", "TaskNumber=12\n", &settings::XMLOutput, 0},
        {"empty file gives 0", "", &settings::NumPermutationsAMOVA, 0},
        {"empty value: the next line counts", "TaskNumber=\nTaskNumber=3\n", &settings::TaskNumber, 3},
        {"no '=': no value", "TaskNumber 12\n", &settings::TaskNumber, 0},
        {"the first line with a value wins", "TaskNumber=5\nTaskNumber=6\n", &settings::TaskNumber, 5},
        {"blanks around key and value", "  TaskNumber = 7 \n", &settings::TaskNumber, 7},
        {"trailing comment after the value", "NumPermutationsAMOVA=1000  # was 100\n",
         &settings::NumPermutationsAMOVA, 1000},
        {"'=' as 99th character", "TaskNumber" + blanks88 + "=5\n", &settings::TaskNumber, 5},
        {"'=' as 100th character", "TaskNumber" + blanks88 + " =5\n", &settings::TaskNumber, 0},
        {"value cut after the 100th character", "TaskNumber=" + blanks88 + "12\n", &settings::TaskNumber, 1},
        {"key on line 2000", lines(1999, "x=1") + "TaskNumber=4\n", &settings::TaskNumber, 4},
        {"key on line 2001", lines(2000, "x=1") + "TaskNumber=4\n", &settings::TaskNumber, 0},
        {"comment line holding a key", "#TaskNumber=8\nTaskNumber=2\n", &settings::TaskNumber, 2},
        {"indented comment line", "   # TaskNumber=8\n", &settings::TaskNumber, 0},
        {"longer key first: shorter key", "MismatchDistanceMethod=1\nDistanceMethodAMOVA=2\nDistanceMethod=3\n",
         &settings::DistanceMethod, 3},
        {"longer key first: longer key", "MismatchDistanceMethod=1\nDistanceMethod=3\n",
         &settings::MismatchDistanceMethod, 1},
        {"longer key only", "DistanceMethodAMOVA=2\n", &settings::DistanceMethod, 0},
        {"key inside a longer word", "MismatchSpatialExpNumParams=3\n", &settings::MismatchSpatialExpNumParams, 3},
        {"CRLF lines", "TaskNumber=\r\nTaskNumber=12\r\n", &settings::TaskNumber, 12},
        {"PrintPopDistMat sets PrintHaplDistMat", "PrintHaplDistMat=0\nPrintPopDistMat=1\n",
         &settings::PrintHaplDistMat, 1},
        {"PrintHaplDistMat alone", "PrintHaplDistMat=1\n", &settings::PrintHaplDistMat, 1},
        {"PrintHaplDistMat alone leaves PrintPopDistMat 0", "PrintHaplDistMat=1\n", &settings::PrintPopDistMat, 0},
        {"EMEstimHaplFreqs overrides ComputeAllHaplotypesEM", "ComputeAllHaplotypesEM=0\nEMEstimHaplFreqs=1\n",
         &settings::ComputeAllHaplotypesEM, 1},
        {"ComputeAllHaplotypesEM alone", "ComputeAllHaplotypesEM=1\n", &settings::ComputeAllHaplotypesEM, 1},
        {"missing EM key keeps its default", "TaskNumber=1\n", &settings::EMWinSize, 1},
        {"missing Gibbs key keeps its default", "TaskNumber=1\n", &settings::GibbsBurnIn, 100000},
        {"estimate_haplotypes from ComputeAllAllelesEM", "ComputeAllAllelesEM=1\n", &settings::estimate_haplotypes, 1},
        {"estimate_haplotypes from GibbsInferGamPhase", "GibbsInferGamPhase=1\n", &settings::estimate_haplotypes, 1},
        {"estimate_haplotypes off", "TaskNumber=8\n", &settings::estimate_haplotypes, 0},
    };
    for (IntCase const& c : cases) {
        auto s = read(c.file);
        EXPECT_EQ((*s).*c.field, c.expected) << c.what;
    }
}

TEST_F(SettingsReaderTest, RealBooleanAndFileNameKeys)
{
    auto s = read("GibbsEpsilonValue=0.1\r\nEpsilonValue=1.000000e-07\r\nSignificanceLevelLD=0.05\r\n"
                  "PrecProbPopDiff=0.01\r\nMismatchDemogExp=2\r\nComputeMissDataFreq=0\r\n"
                  "SimFileNameForFDist2=sims/fdist run.txt \r\n");
    EXPECT_DOUBLE_EQ(s->GibbsEpsilonValue, 0.1);
    EXPECT_DOUBLE_EQ(s->EpsilonValue, 1e-7);
    EXPECT_DOUBLE_EQ(s->SignificanceLevelLD, 0.05);
    EXPECT_DOUBLE_EQ(s->PrecProbPopDiff, 0.01);
    EXPECT_TRUE(s->MismatchDemogExp);
    EXPECT_FALSE(s->ComputeMissDataFreq);
    EXPECT_STREQ(s->SimFileNameForFDist2.str, "sims/fdist run.txt");
    EXPECT_DOUBLE_EQ(s->DeletionWeight, 0.0);  // always assigned: missing gives 0

    // The file name may run past the 100th character, up to the 400th.
    std::string long_name = std::string(150, 'a') + ".txt";
    s = read("SimFileNameForFDist2=" + long_name + "\n");
    EXPECT_STREQ(s->SimFileNameForFDist2.str, long_name.c_str());
}

TEST_F(SettingsReaderTest, MissingFileClearsGeneralKeysAndKeepsEmAndGibbsKeys)
{
    settings s;
    read_into(s, "GibbsInferGamPhase=1\nEMWinSize=4\nTaskNumber=7\nXMLOutput=1\n");
    ASSERT_EQ(s.TaskNumber, 7);

    my_string missing((dir_ / "absent.drs").string().c_str());
    s.read_settings(missing);
    EXPECT_EQ(s.TaskNumber, 0);
    EXPECT_EQ(s.XMLOutput, 0);
    EXPECT_EQ(s.ComputeAllHaplotypesEM, 0);
    EXPECT_DOUBLE_EQ(s.SignificanceLevelLD, 0.0);
    EXPECT_EQ(s.GibbsInferGamPhase, 1);
    EXPECT_EQ(s.EMWinSize, 4);
    EXPECT_EQ(s.estimate_haplotypes, 1);  // from the kept GibbsInferGamPhase
}

TEST_F(SettingsReaderTest, RunListKeepNullDistribSurvivesReread)
{
    settings s;
    read_into(s, "KeepNullDistrib=0\n");
    EXPECT_EQ(s.KeepNullDistrib, 0);
    s.keep_null_distrib_from_run_list = 1;
    read_into(s, "KeepNullDistrib=0\n");
    EXPECT_EQ(s.KeepNullDistrib, 1);
}

// The settings-file interface under the reader: the key lines of a file in one
// block, the value of one key with the window of the caller's buffer, and the
// scan through which one reading of the file serves every key.
TEST_F(SettingsReaderTest, SettingsFileInterface)
{
    my_string path = write_file("[Setting for Calculations]\r\n# TaskNumber=9\r\n\r\n"
                                "  TaskNumber = 12\r\nSimFileNameForFDist2=abcdefgh\r\nno value\r\n");
    char entries[64];
    EXPECT_EQ(GetPrivateProfileSection("Setting for Calculations", path.str, 64, entries), 1);
    EXPECT_EQ(std::string(entries, 49),
              std::string("  TaskNumber = 12\0SimFileNameForFDist2=abcdefgh\0\0", 49));

    // A block too small keeps the entries that fit whole.
    EXPECT_EQ(GetPrivateProfileSection("", path.str, 30, entries), 0);
    EXPECT_EQ(std::string(entries, 19), std::string("  TaskNumber = 12\0\0", 19));

    struct Case {
        const char* key;
        int size;
        int found;
        const char* value;
    };
    const Case cases[] = {
        {"TaskNumber", 100, 1, " 12"},
        {"SimFileNameForFDist2", 100, 1, "abcdefgh"},
        {"SimFileNameForFDist2", 24, 1, "abc"},  // cut after the line's 24th character
        {"SimFileNameForFDist2", 21, 0, ""},     // the '=' is the 21st character
        {"FDist2", 100, 0, ""},                  // no substring match
        {"no value", 100, 0, ""},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + std::to_string(c.size));
        char value[100] = "old";
        EXPECT_EQ(GetPrivateProfileString("", c.key, "", value, c.size, path.str), c.found);
        EXPECT_STREQ(value, c.value);
    }

    char value[100] = "old";
    my_string missing((dir_ / "absent.drs").string().c_str());
    EXPECT_EQ(GetPrivateProfileString("", "TaskNumber", "", value, 100, missing.str), 0);
    EXPECT_STREQ(value, "");
    EXPECT_EQ(GetPrivateProfileSection("", missing.str, 64, entries), 0);
    EXPECT_EQ(entries[0], '\0');

    // While a scan of the file lives its keys come from that one reading.
    {
        PrivateProfileScan scan(path.str);
        write_file("TaskNumber=3\n");
        EXPECT_EQ(GetPrivateProfileString("", "TaskNumber", "", value, 100, path.str), 1);
        EXPECT_STREQ(value, " 12");
    }
    EXPECT_EQ(GetPrivateProfileString("", "TaskNumber", "", value, 100, path.str), 1);
    EXPECT_STREQ(value, "3");
}

}  // namespace
