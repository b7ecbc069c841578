// Writing settings files, and reading them back.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "support/temp_log.h"

namespace {

struct IntKey {
    const char* key;
    int settings::*field;
};

struct RealKey {
    const char* key;
    double settings::*field;
};

struct BoolKey {
    const char* key;
    bool settings::*field;
};

// Every key that the writer writes from a field of the same name.
const IntKey INT_KEYS[] = {
    {"TaskNumber", &settings::TaskNumber},
    {"XMLOutput", &settings::XMLOutput},
    {"drovexec64", &settings::drovexec64},
    {"ComputeSumStatsWithinGroups", &settings::ComputeSumStatsWithinGroups},
    {"InferHaplotypeDefinitionFromDistanceMatrix", &settings::InferHaplotypeDefinitionFromDistanceMatrix},
    {"EliminateRedondHaplodefs", &settings::EliminateRedondHaplodefs},
    {"KeepNullDistrib", &settings::KeepNullDistrib},
    {"MakeHWExactTest", &settings::MakeHWExactTest},
    {"HardyWeinbergTestType", &settings::HardyWeinbergTestType},
    {"TypeOfTestHW", &settings::TypeOfTestHW},
    {"MarkovChainStepsHW", &settings::MarkovChainStepsHW},
    {"MarkovChainDememorisationStepsHW", &settings::MarkovChainDememorisationStepsHW},
    {"SignificanceLevelHW", &settings::SignificanceLevelHW},
    {"LinkageDisequilibriumTestType", &settings::LinkageDisequilibriumTestType},
    {"MakeExactTestLD", &settings::MakeExactTestLD},
    {"MarkovChainDememorisationStepsLD", &settings::MarkovChainDememorisationStepsLD},
    {"MarkovChainStepsLD", &settings::MarkovChainStepsLD},
    {"PrintFlagHistogramLD", &settings::PrintFlagHistogramLD},
    {"InitialCondEMLD", &settings::InitialCondEMLD},
    {"ComputeDvalues", &settings::ComputeDvalues},
    {"ComputeStandardDiversityIndices", &settings::ComputeStandardDiversityIndices},
    {"DistanceMethod", &settings::DistanceMethod},
    {"ComputeTheta", &settings::ComputeTheta},
    {"PrintHaplDistMat", &settings::PrintHaplDistMat},
    {"PrintMinSpannNetworkPop", &settings::PrintMinSpannNetworkPop},
    {"ComputePopSFS", &settings::ComputePopSFS},
    {"ComputeJointSFS", &settings::ComputeJointSFS},
    {"ComputeMultiSFS", &settings::ComputeMultiSFS},
    {"NumBootSFS", &settings::NumBootSFS},
    {"MismatchDistanceMethod", &settings::MismatchDistanceMethod},
    {"NumBootExpDem", &settings::NumBootExpDem},
    {"MismatchSpatialExpNumParams", &settings::MismatchSpatialExpNumParams},
    {"ComputeAllHaplotypesEM", &settings::ComputeAllHaplotypesEM},
    {"ComputeAllAllelesEM", &settings::ComputeAllAllelesEM},
    {"InitialConditionsEM", &settings::InitialConditionsEM},
    {"MaximumNumOfIterationsEM", &settings::MaximumNumOfIterationsEM},
    {"RecessiveAllelesEM", &settings::RecessiveAllelesEM},
    {"CompactHaplotypeDataBaseEM", &settings::CompactHaplotypeDataBaseEM},
    {"NumBootstrapReplicatesEM", &settings::NumBootstrapReplicatesEM},
    {"NumInitCondBootstrapEM", &settings::NumInitCondBootstrapEM},
    {"ComputeAllSubHaplotypesEM", &settings::ComputeAllSubHaplotypesEM},
    {"EMCheckPhenRedundancy", &settings::EMCheckPhenRedundancy},
    {"EMEstimateInbreedingCoeff", &settings::EMEstimateInbreedingCoeff},
    {"EMUseZipper", &settings::EMUseZipper},
    {"EMLociRandOrder", &settings::EMLociRandOrder},
    {"EMNumZipRandOrders", &settings::EMNumZipRandOrders},
    {"GibbsInferGamPhase", &settings::GibbsInferGamPhase},
    {"GibbsBurnIn", &settings::GibbsBurnIn},
    {"GibbsSamplingInterval", &settings::GibbsSamplingInterval},
    {"GibbsNumSamples", &settings::GibbsNumSamples},
    {"GibbsHetSiteInfluenceZone", &settings::GibbsHetSiteInfluenceZone},
    {"GibbsOutputGamPhase", &settings::GibbsOutputGamPhase},
    {"HaplAMOVA", &settings::HaplAMOVA},
    {"LocByLocAMOVA", &settings::LocByLocAMOVA},
    {"PopSpecificFST", &settings::PopSpecificFST},
    {"PopSpecificFIS", &settings::PopSpecificFIS},
    {"TestSignificanceAMOVA", &settings::TestSignificanceAMOVA},
    {"NumPermutationsAMOVA", &settings::NumPermutationsAMOVA},
    {"ComputeConventionalFST", &settings::ComputeConventionalFST},
    {"IncludeIndividualLevel", &settings::IncludeIndividualLevel},
    {"ComputeDistanceMatrixAMOVA", &settings::ComputeDistanceMatrixAMOVA},
    {"DistanceMethodAMOVA", &settings::DistanceMethodAMOVA},
    {"PrintDistanceMatrix", &settings::PrintDistanceMatrix},
    {"PrintMinSpannNetworkGlob", &settings::PrintMinSpannNetworkGlob},
    {"TestSignificancePairewiseFST", &settings::TestSignificancePairewiseFST},
    {"NumPermutationsFST", &settings::NumPermutationsFST},
    {"ComputePairwiseFST", &settings::ComputePairwiseFST},
    {"ComputeDeltaMuSqr", &settings::ComputeDeltaMuSqr},
    {"PrintFstVals", &settings::PrintFstVals},
    {"PrintConcestryCoeff", &settings::PrintConcestryCoeff},
    {"PrintSlatkinsDist", &settings::PrintSlatkinsDist},
    {"PrintMissIntermatchs", &settings::PrintMissIntermatchs},
    {"UnequalPopSizeDiv", &settings::UnequalPopSizeDiv},
    {"NumPermutPopDiff", &settings::NumPermutPopDiff},
    {"NumDememoPopDiff", &settings::NumDememoPopDiff},
    {"PrintHistoPopDiff", &settings::PrintHistoPopDiff},
    {"DetectSelectedLoci", &settings::DetectSelectedLoci},
    {"UseHierarchicalIslandModel", &settings::UseHierarchicalIslandModel},
    {"NumberOfGroupsForFDist2", &settings::NumberOfGroupsForFDist2},
    {"NumberOfDemesForFDist2", &settings::NumberOfDemesForFDist2},
    {"NumberOfSimsForFDist2", &settings::NumberOfSimsForFDist2},
    {"UseSimFileForFDist2", &settings::UseSimFileForFDist2},
    {"IterativeProcForFDist2", &settings::IterativeProcForFDist2},
    {"EwensWattersonHomozygosityTest", &settings::EwensWattersonHomozygosityTest},
    {"NumIterationsNeutralityTests", &settings::NumIterationsNeutralityTests},
    {"NumSimulFuTest", &settings::NumSimulFuTest},
    {"NumPermMantel", &settings::NumPermMantel},
};

const RealKey REAL_KEYS[] = {
    {"DeletionWeight", &settings::DeletionWeight},
    {"TransitionWeight", &settings::TransitionWeight},
    {"TranversionWeight", &settings::TranversionWeight},
    {"AllowedLevelOfMissingData", &settings::AllowedLevelOfMissingData},
    {"PrecisionOnPValueHW", &settings::PrecisionOnPValueHW},
    {"PrecisionOnPValueLD", &settings::PrecisionOnPValueLD},
    {"SignificanceLevelLD", &settings::SignificanceLevelLD},
    {"GammaAValue", &settings::GammaAValue},
    {"MismatchGammaAValue", &settings::MismatchGammaAValue},
    {"EpsilonValue", &settings::EpsilonValue},
    {"FrequencyThreshold", &settings::FrequencyThreshold},
    {"EMInbreedingFixedVal", &settings::EMInbreedingFixedVal},
    {"GibbsAlphaInitValue", &settings::GibbsAlphaInitValue},
    {"GibbsEpsilonValue", &settings::GibbsEpsilonValue},
    {"GibbsGamma", &settings::GibbsGamma},
    {"GibbsPercentageOfRecSteps", &settings::GibbsPercentageOfRecSteps},
    {"GammaAValueAMOVA", &settings::GammaAValueAMOVA},
    {"FSTSignifLevel", &settings::FSTSignifLevel},
    {"PrecProbPopDiff", &settings::PrecProbPopDiff},
    {"SignLevelPopDiff", &settings::SignLevelPopDiff},
    {"TargetHetLowBound", &settings::TargetHetLowBound},
    {"TargetHetHighBound", &settings::TargetHetHighBound},
    {"MinDafFreq", &settings::MinDafFreq},
};

const BoolKey BOOL_KEYS[] = {
    {"ComputeAllAlleleFreqs", &settings::ComputeAllAlleleFreqs},
    {"ComputeMissDataFreq", &settings::ComputeMissDataFreq},
    {"MismatchDemogExp", &settings::MismatchDemogExp},
    {"MismatchSpatialExp", &settings::MismatchSpatialExp},
};

// Written from fields of other names: GameticPhaseIsKnown, PrintPopDistMat, SimFileNameForFDist2.
const int OTHER_KEYS = 3;

class SettingsWriterTest : public ::testing::Test {
protected:
    std::vector<std::string> written_lines(settings& s)
    {
        s.print_settings(path_);
        std::ifstream in(path_.str);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }

    TempDir dir_;
    my_string path_ = (dir_ / "written.drs").string().c_str();
};

bool is_key_line(std::string const& line)
{
    return !line.empty() && line[0] != '#' && line[0] != ' ' && line[0] != '['
           && line.find('=') != std::string::npos;
}

TEST_F(SettingsWriterTest, FreshSettingsGiveTheDefaultLines)
{
    settings s;
    std::vector<std::string> lines = written_lines(s);
    ASSERT_GT(lines.size(), 10u);

    const std::vector<std::string> head = {
        "", "",
        "             DO NOT EDIT THIS FILE BY HAND UNLESS YOU KNOW EXACTLY WHAT YOU",
        "               ARE DOING. ERRONEOUS COMPUTATIONS MAY RESULT AS A CONSEQUENCE !!!",
        "",
        "#Below are listed all parameter settings used for the choice of ",
        "#DROVALEN computations",
        "",
        "[Setting for Calculations]",
        "",
        "#" + std::string(76, '-'),
        "#KEY \"TaskNumber\" sets which computations need to be performed by Drovalen",
        "#STANDARD INDICES: +1",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + head.size()), head);

    std::set<std::string> all(lines.begin(), lines.end());
    for (const char* expected :
         {"TaskNumber=0", "XMLOutput=1", "drovexec64=1", "DeletionWeight=1.000000",
          "AllowedLevelOfMissingData=0.050000", "MarkovChainStepsHW=1000000", "SignificanceLevelHW=2",
          "MarkovChainStepsLD=100000", "EpsilonValue=1.000000e-07", "FrequencyThreshold=1.000000e-05",
          "GibbsAlphaInitValue=0.010000", "NumberOfSimsForFDist2=20000", "SimFileNameForFDist2=",
          "#MANTEL TEST: +65536", "#GENERAL SETTINGS", "#SETTINGS FOR AMOVA"})
        EXPECT_EQ(all.count(expected), 1u) << expected;
    EXPECT_EQ(lines.back(), "NumPermMantel=1000");
}

TEST_F(SettingsWriterTest, EveryKeyIsWrittenOnce)
{
    settings s;
    std::multiset<std::string> keys;
    for (std::string const& line : written_lines(s)) {
        if (is_key_line(line))
            keys.insert(line.substr(0, line.find('=')));
    }
    std::size_t expected = std::size(INT_KEYS) + std::size(REAL_KEYS) + std::size(BOOL_KEYS) + OTHER_KEYS;
    EXPECT_EQ(keys.size(), expected);
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), expected);
}

TEST_F(SettingsWriterTest, WrittenFileReadsBackToTheSameValues)
{
    settings out;
    int value = 2;
    for (IntKey const& k : INT_KEYS)
        out.*k.field = value++;
    // A distance code outside 0 to 6 reads 0: the codes get distinct values within.
    out.DistanceMethod = 4;
    out.MismatchDistanceMethod = 5;
    out.DistanceMethodAMOVA = 6;
    double real = 0.125;
    for (RealKey const& k : REAL_KEYS)
        out.*k.field = real += 0.5;
    out.EpsilonValue = 2.5e-9;  // written in exponent form
    out.FrequencyThreshold = 3.75e-6;
    for (BoolKey const& k : BOOL_KEYS)
        out.*k.field = true;
    out.gametic_phase = 1;
    out.SimFileNameForFDist2 = "fdist/sims 1.txt";
    // Read but never written: they take 0 from a written file.
    out.IsFontKnown = 5;
    out.SegmentLength = 2.0;

    out.print_settings(path_);
    settings in;
    in.read_settings(path_);

    for (IntKey const& k : INT_KEYS)
        EXPECT_EQ(in.*k.field, out.*k.field) << k.key;
    for (RealKey const& k : REAL_KEYS)
        EXPECT_DOUBLE_EQ(in.*k.field, out.*k.field) << k.key;
    for (BoolKey const& k : BOOL_KEYS)
        EXPECT_TRUE(in.*k.field) << k.key;
    EXPECT_EQ(in.GameticPhaseIsKnown, 1);
    EXPECT_EQ(in.PrintPopDistMat, out.PrintHaplDistMat);
    EXPECT_STREQ(in.SimFileNameForFDist2.str, "fdist/sims 1.txt");
    EXPECT_EQ(in.IsFontKnown, 0);
    EXPECT_DOUBLE_EQ(in.SegmentLength, 0.0);
}

TEST_F(SettingsWriterTest, RealsKeepSixDecimals)
{
    settings out;
    out.GammaAValue = 0.0000004;
    out.print_settings(path_);
    settings in;
    in.read_settings(path_);
    EXPECT_DOUBLE_EQ(in.GammaAValue, 0.0);
}

TEST(SettingsKeyLine, IsKeyEqualsValueAndALineFeed)
{
    std::ostringstream out;
    EXPECT_EQ(aWritePrivateProfileString("TaskNumber", "12", out), 0);
    EXPECT_EQ(out.str(), "TaskNumber=12\n");
}

}  // namespace
