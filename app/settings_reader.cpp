// Reading a settings file (".drs") into the settings object.
//
// The file is made of lines key=value under "[Setting for Calculations]";
// which line gives a key its value is the rule of the settings-file interface
// (private_profile.h). The file is scanned once per read: the reader holds a
// scan of it while it looks its keys up. On request the reader also notes
// what silently changes results (settings_file_report.h).

#include <cstdlib>
#include <sstream>
#include <string>
#include <type_traits>

#include "app/private_profile.h"
#include "app/settings.h"
#include "app/settings_file_report.h"
#include "core/conversions.h"

namespace {

const char* const SECTION = "Setting for Calculations";
const int VALUE_SIZE = 100;     // a value ends at the line's 100th character
const int MAX_FILE_NAME = 400;  // ... a file name at its 400th

std::string trimmed(const char* text)
{
    std::string value = text;
    std::string::size_type first = value.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return value.substr(first, value.find_last_not_of(" \t\r") - first + 1);
}

bool is_whole_number(std::string const& text)
{
    std::string::size_type digits = text.find_first_not_of("+-") == 1 ? 1 : 0;
    return text.size() > digits && text.find_first_not_of("0123456789", digits) == std::string::npos;
}

// Only the characters of a decimal number, all taken by the conversion.
bool is_real_number(std::string const& text)
{
    if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string::npos)
        return false;
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return *end == '\0';
}

template <typename Number>
std::string number_text(Number value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

// Assigns the settings fields from the values of a file, and notes in the
// report every key it looks up, every key of the always-assigned list that
// the file lacks and every value that is not the number its field takes.
class FieldReader {
public:
    FieldReader(const char* file_name, SettingsFileReport& report)
        : file_name_(file_name), scan_(file_name), report_(report)
    {
    }

    // The value of the key, or null when the file gives none.
    const char* find(const char* key, int size = VALUE_SIZE)
    {
        report_.known_keys.insert(key);
        return GetPrivateProfileString(SECTION, key, "", value_, size, file_name_) ? value_
                                                                                   : nullptr;
    }

    // Keys that are always assigned: a missing key gives 0.
    void always(const char* key, int& field)
    {
        const char* v = find(key);
        field = v ? my_atoi(v) : 0;
        check(key, v, field);
    }
    void always(const char* key, double& field)
    {
        const char* v = find(key);
        field = v ? my_atof(v) : 0.0;
        check(key, v, field);
    }
    void always(const char* key, bool& field)
    {
        int value;
        always(key, value);
        field = value != 0;
    }

    // Keys assigned only when the file gives a value.
    void if_present(const char* key, int& field)
    {
        if (const char* v = find(key)) {
            field = my_atoi(v);
            check(key, v, field);
        }
    }
    void if_present(const char* key, double& field)
    {
        if (const char* v = find(key)) {
            field = my_atof(v);
            check(key, v, field);
        }
    }

    // A file name: trailing blanks and line ends are no part of it.
    void file_name(const char* key, my_string& field)
    {
        const char* v = find(key, MAX_FILE_NAME);
        std::string name = v ? v : "";
        std::string::size_type end = name.find_last_not_of(" \t\r\n");
        name.erase(end == std::string::npos ? 0 : end + 1);
        field = name.c_str();
    }

private:
    // An int field takes only an integer; a number such as 2.5 or 1e3 is
    // reported apart from a value that is no number at all.
    template <typename Number>
    void check(const char* key, const char* value, Number used)
    {
        if (value == nullptr) {
            report_.missing_keys.insert(key);
            return;
        }
        std::string text = trimmed(value);
        if (!is_real_number(text))
            report_.not_numbers.push_back({key, text, number_text(used)});
        else if (std::is_integral<Number>::value && !is_whole_number(text))
            report_.not_integers.push_back({key, text, number_text(used)});
    }

    const char* file_name_;
    PrivateProfileScan scan_;
    SettingsFileReport& report_;
    char value_[MAX_FILE_NAME];
};

}  // namespace

void settings::read_settings(my_string& file_name, bool warn)
{
    SettingsFileReport report;
    FieldReader r(file_name.str, report);

    r.always("TaskNumber", TaskNumber);
    r.always("XMLOutput", XMLOutput);
    r.always("drovexec64", drovexec64);
    r.always("DeletionWeight", DeletionWeight);
    r.always("TransitionWeight", TransitionWeight);
    r.always("TranversionWeight", TranversionWeight);
    r.always("ComputeSumStatsWithinGroups", ComputeSumStatsWithinGroups);
    r.always("InferHaplotypeDefinitionFromDistanceMatrix", InferHaplotypeDefinitionFromDistanceMatrix);
    r.always("EliminateRedondHaplodefs", EliminateRedondHaplodefs);
    r.always("AllowedLevelOfMissingData", AllowedLevelOfMissingData);
    r.always("GameticPhaseIsKnown", GameticPhaseIsKnown);
    r.always("HardyWeinbergTestType", HardyWeinbergTestType);
    r.always("MakeHWExactTest", MakeHWExactTest);
    r.always("MarkovChainStepsHW", MarkovChainStepsHW);
    r.always("MarkovChainDememorisationStepsHW", MarkovChainDememorisationStepsHW);
    r.always("PrecisionOnPValueHW", PrecisionOnPValueHW);
    r.always("SignificanceLevelHW", SignificanceLevelHW);
    r.always("TypeOfTestHW", TypeOfTestHW);
    r.always("LinkageDisequilibriumTestType", LinkageDisequilibriumTestType);
    r.always("MakeExactTestLD", MakeExactTestLD);
    r.always("MarkovChainStepsLD", MarkovChainStepsLD);
    r.always("MarkovChainDememorisationStepsLD", MarkovChainDememorisationStepsLD);
    r.always("PrecisionOnPValueLD", PrecisionOnPValueLD);
    r.always("SignificanceLevelLD", SignificanceLevelLD);
    r.always("PrintFlagHistogramLD", PrintFlagHistogramLD);
    r.always("InitialCondEMLD", InitialCondEMLD);
    r.always("ComputeDvalues", ComputeDvalues);
    r.always("ComputeStandardDiversityIndices", ComputeStandardDiversityIndices);
    r.always("ComputeAllAlleleFreqs", ComputeAllAlleleFreqs);
    r.always("ComputeMissDataFreq", ComputeMissDataFreq);
    r.always("DistanceMethod", DistanceMethod);
    r.always("GammaAValue", GammaAValue);
    r.always("PrintHaplDistMat", PrintHaplDistMat);
    r.always("ComputeTheta", ComputeTheta);
    r.always("PrintPopDistMat", PrintPopDistMat);
    // Both keys mean the same; a file that gives PrintPopDistMat decides both.
    if (r.find("PrintPopDistMat"))
        PrintHaplDistMat = PrintPopDistMat;
    r.always("ComputePopSFS", ComputePopSFS);
    r.always("ComputeJointSFS", ComputeJointSFS);
    r.always("ComputeMultiSFS", ComputeMultiSFS);
    r.always("NumBootSFS", NumBootSFS);
    r.always("MismatchDistanceMethod", MismatchDistanceMethod);
    r.always("MismatchDemogExp", MismatchDemogExp);
    r.always("MismatchSpatialExp", MismatchSpatialExp);
    r.always("MismatchSpatialExpNumParams", MismatchSpatialExpNumParams);
    r.always("MismatchGammaAValue", MismatchGammaAValue);
    r.always("NumBootExpDem", NumBootExpDem);
    r.always("InitialConditionsEM", InitialConditionsEM);
    r.always("MaximumNumOfIterationsEM", MaximumNumOfIterationsEM);
    r.always("RecessiveAllelesEM", RecessiveAllelesEM);
    r.always("CompactHaplotypeDataBaseEM", CompactHaplotypeDataBaseEM);
    r.always("NumBootstrapReplicatesEM", NumBootstrapReplicatesEM);
    r.always("NumInitCondBootstrapEM", NumInitCondBootstrapEM);
    r.always("ComputeAllSubHaplotypesEM", ComputeAllSubHaplotypesEM);
    r.always("ComputeAllHaplotypesEM", ComputeAllHaplotypesEM);
    r.always("ComputeAllAllelesEM", ComputeAllAllelesEM);
    r.always("EpsilonValue", EpsilonValue);
    r.always("FrequencyThreshold", FrequencyThreshold);
    r.always("ComputeConventionalFST", ComputeConventionalFST);
    r.always("IncludeIndividualLevel", IncludeIndividualLevel);
    r.always("HaplAMOVA", HaplAMOVA);
    r.always("LocByLocAMOVA", LocByLocAMOVA);
    r.always("PopSpecificFST", PopSpecificFST);
    r.always("PopSpecificFIS", PopSpecificFIS);
    r.always("ComputeDistanceMatrixAMOVA", ComputeDistanceMatrixAMOVA);
    r.always("DistanceMethodAMOVA", DistanceMethodAMOVA);
    r.always("GammaAValueAMOVA", GammaAValueAMOVA);
    r.always("PrintDistanceMatrix", PrintDistanceMatrix);
    r.always("TestSignificancePairewiseFST", TestSignificancePairewiseFST);
    r.always("NumPermutationsFST", NumPermutationsFST);
    r.always("ComputePairwiseFST", ComputePairwiseFST);
    r.always("ComputeDeltaMuSqr", ComputeDeltaMuSqr);
    r.always("FSTSignifLevel", FSTSignifLevel);
    r.always("TestSignificanceAMOVA", TestSignificanceAMOVA);
    r.always("NumPermutationsAMOVA", NumPermutationsAMOVA);
    r.always("NumPermutPopDiff", NumPermutPopDiff);
    r.always("NumDememoPopDiff", NumDememoPopDiff);
    r.always("PrecProbPopDiff", PrecProbPopDiff);
    r.always("PrintHistoPopDiff", PrintHistoPopDiff);
    r.always("SignLevelPopDiff", SignLevelPopDiff);
    r.always("DetectSelectedLoci", DetectSelectedLoci);
    r.always("UseHierarchicalIslandModel", UseHierarchicalIslandModel);
    r.always("NumberOfGroupsForFDist2", NumberOfGroupsForFDist2);
    r.always("NumberOfDemesForFDist2", NumberOfDemesForFDist2);
    r.always("NumberOfSimsForFDist2", NumberOfSimsForFDist2);
    r.always("UseSimFileForFDist2", UseSimFileForFDist2);
    r.file_name("SimFileNameForFDist2", SimFileNameForFDist2);
    r.always("TargetHetLowBound", TargetHetLowBound);
    r.always("TargetHetHighBound", TargetHetHighBound);
    r.always("MinDafFreq", MinDafFreq);
    r.always("IterativeProcForFDist2", IterativeProcForFDist2);
    r.always("EwensWattersonHomozygosityTest", EwensWattersonHomozygosityTest);
    r.always("NumIterationsNeutralityTests", NumIterationsNeutralityTests);
    r.always("NumSimulFuTest", NumSimulFuTest);
    r.always("NumPermMantel", NumPermMantel);
    r.always("IsFontKnown", IsFontKnown);
    r.always("NbFrontSegments", NbFrontSegments);
    r.always("SegmentLength", SegmentLength);
    r.always("NumOfGroups", NumOfGroups);
    r.always("DiffusionMode", DiffusionMode);
    r.always("NbFrontPerm", NbFrontPerm);
    r.always("PrintFstVals", PrintFstVals);
    r.always("PrintConcestryCoeff", PrintConcestryCoeff);
    r.always("PrintSlatkinsDist", PrintSlatkinsDist);
    r.always("PrintMissIntermatchs", PrintMissIntermatchs);
    r.always("UnequalPopSizeDiv", UnequalPopSizeDiv);
    r.always("PrintMinSpannNetworkPop", PrintMinSpannNetworkPop);
    r.always("PrintMinSpannNetworkGlob", PrintMinSpannNetworkGlob);
    r.always("KeepNullDistrib", KeepNullDistrib);

    // EM and Gibbs keys keep their values when the file lacks them.
    r.if_present("EMEstimHaplFreqs", ComputeAllHaplotypesEM);
    r.if_present("EMEstimateInbreedingCoeff", EMEstimateInbreedingCoeff);
    r.if_present("EMInbreedingFixedVal", EMInbreedingFixedVal);
    r.if_present("EMUseZipper", EMUseZipper);
    r.if_present("EMWinSize", EMWinSize);
    r.if_present("EMLociRandOrder", EMLociRandOrder);
    r.if_present("EMInbreedingEachLocus", EMInbreedingEachLocus);
    r.if_present("EMCheckPhenRedundancy", EMCheckPhenRedundancy);
    r.if_present("EMCompGamPhaseForAllInitConds", EMCompGamPhaseForAllInitConds);
    r.if_present("EMNumZipRandOrders", EMNumZipRandOrders);
    r.if_present("GibbsInferGamPhase", GibbsInferGamPhase);
    r.if_present("GibbsBurnIn", GibbsBurnIn);
    r.if_present("GibbsSamplingInterval", GibbsSamplingInterval);
    r.if_present("GibbsNumSamples", GibbsNumSamples);
    r.if_present("GibbsAlphaInitValue", GibbsAlphaInitValue);
    r.if_present("GibbsEpsilonValue", GibbsEpsilonValue);
    r.if_present("GibbsGamma", GibbsGamma);
    r.if_present("GibbsHetSiteInfluenceZone", GibbsHetSiteInfluenceZone);
    r.if_present("GibbsPercentageOfRecSteps", GibbsPercentageOfRecSteps);
    r.if_present("GibbsOutputGamPhase", GibbsOutputGamPhase);

    if (keep_null_distrib_from_run_list >= 0)
        KeepNullDistrib = keep_null_distrib_from_run_list;

    estimate_haplotypes =
        (ComputeAllAllelesEM != 0 || ComputeAllHaplotypesEM != 0 || GibbsInferGamPhase != 0) ? 1 : 0;

    read_distance_codes_out_of_range_as_0(report, *this);
    if (warn) {
        report.unknown_lines = unknown_key_lines(file_name.str, report.known_keys);
        file_warnings = warn_about_settings_file(report, *this);
    }
}
