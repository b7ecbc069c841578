// The settings object: defaults, the file names of a run, and the progress hooks.

#include "app/settings.h"

#include <cstdio>
#include <cstring>
#include <ostream>

#include "app/glbobj.h"
#include "core/errors.h"

char settings::message[400] = "";
char settings::old_message[400] = "";
double settings::global_work_to_do = 0.0;
double settings::global_work_done = 0.0;
int settings::num_proj_done = 0;
my_string settings::input_file;
my_string settings::gibbs_BatchFilename("none");

settings::settings() : phase_streams(nullptr), phase_file_names(nullptr)
{
    reset_initial_values();
}

settings::~settings()
{
    // Released whenever they exist: GibbsOutputGamPhase may have been cleared
    // by a later settings file after the arrays were made.
    delete[] phase_streams;
    delete[] phase_file_names;
}

void settings::reset_initial_values()
{
    stop_requested = 0;
    results_stream = nullptr;
    // The project's data kind is unknown until a run sets it; the default of
    // MarkovChainStepsLD below depends on it.
    genotypic_data = 0;
    gametic_phase = 0;

    HardyWeinbergTestType = 0;
    MakeHWExactTest = 0;
    MarkovChainStepsHW = 1000000;
    MarkovChainDememorisationStepsHW = 100000;
    hw_pvalue = 1.0;
    PrecisionOnPValueHW = 0.0;
    SignificanceLevelHW = 2;
    TypeOfTestHW = 0;

    LinkageDisequilibriumTestType = 0;
    ld_test_active = 1;
    MakeExactTestLD = 0;
    // Genotypic data of unknown phase use permutations of the likelihood-ratio
    // test instead of Markov-chain steps.
    MarkovChainStepsLD = (genotypic_data != 0 && gametic_phase == 0) ? 1000 : 100000;
    MarkovChainDememorisationStepsLD = 1000;
    ld_pvalue = 1.0;
    PrecisionOnPValueLD = 0.0;
    SignificanceLevelLD = 0.05;
    PrintFlagHistogramLD = 0;
    InitialCondEMLD = 2;
    ComputeDvalues = 0;

    ComputeStandardDiversityIndices = 0;
    DistanceMethod = 0;
    GammaAValue = 0.0;
    ComputeTheta = 0;
    MismatchDistanceMethod = 0;
    MismatchGammaAValue = 0.0;
    NumBootExpDem = 100;
    MismatchDemogExp = false;
    MismatchSpatialExp = false;
    PrintHaplDistMat = 0;
    PrintPopDistMat = 0;

    InitialConditionsEM = 50;
    MaximumNumOfIterationsEM = 1000;
    RecessiveAllelesEM = 0;
    CompactHaplotypeDataBaseEM = 0;
    NumBootstrapReplicatesEM = 0;
    NumInitCondBootstrapEM = 10;
    estimate_haplotypes = 1;
    ComputeAllSubHaplotypesEM = 0;
    EpsilonValue = 1e-7;
    FrequencyThreshold = 1e-5;
    print_em_results = 1;

    current_samples = nullptr;
    current_structure = nullptr;
    current_distance_matrix = nullptr;

    va_file = "";
    vb_file = "";
    vc_file = "";
    vd_file = "";
    ld_file = "ld_dis.xl";

    ComputeConventionalFST = 0;
    IncludeIndividualLevel = 0;
    ComputeDistanceMatrixAMOVA = 1;
    DistanceMethodAMOVA = 0;
    GammaAValueAMOVA = 0.0;
    PrintDistanceMatrix = 0;
    PrintMinSpannNetworkPop = 0;
    PrintMinSpannNetworkGlob = 0;
    TestSignificancePairewiseFST = 0;
    NumPermutationsFST = 100;
    ComputePairwiseFST = 0;
    ComputeDeltaMuSqr = 0;
    FSTSignifLevel = 0.05;
    NumPermMantel = 1000;
    PrintFstVals = 0;
    PrintConcestryCoeff = 0;
    PrintSlatkinsDist = 0;
    PrintMissIntermatchs = 0;
    UnequalPopSizeDiv = 0;
    TestSignificanceAMOVA = 0;
    NumPermutationsAMOVA = 1000;
    KeepNullDistrib = 0;
    LocByLocAMOVA = 0;
    HaplAMOVA = 0;
    PopSpecificFST = 0;
    PopSpecificFIS = 0;

    NumPermutPopDiff = 100000;
    NumDememoPopDiff = 10000;
    PrecProbPopDiff = 0.0;
    SignLevelPopDiff = 0.05;
    PrintHistoPopDiff = 1;

    DetectSelectedLoci = 0;
    UseHierarchicalIslandModel = 0;
    NumberOfDemesForFDist2 = 100;
    NumberOfGroupsForFDist2 = 10;
    NumberOfSimsForFDist2 = 20000;
    UseSimFileForFDist2 = 0;
    SimFileNameForFDist2 = "";
    TargetHetLowBound = 0.0;
    TargetHetHighBound = 1.0;
    MinDafFreq = 0.0;
    IterativeProcForFDist2 = 0;

    EwensWattersonHomozygosityTest = 0;
    NumIterationsNeutralityTests = 1000;
    NumSimulFuTest = 1000;

    IsFontKnown = 0;
    NbFrontSegments = 0;
    SegmentLength = 0.0;
    NumOfGroups = 1;
    DiffusionMode = 2;
    NbFrontPerm = 0;

    ComputeAllHaplotypesEM = 0;
    ComputeAllAllelesEM = 0;
    EMEstimateInbreedingCoeff = 0;
    EMInbreedingFixedVal = 0.0;
    EMUseZipper = 0;
    EMWinSize = 1;
    EMLociRandOrder = 0;
    EMInbreedingEachLocus = 0;
    EMCheckPhenRedundancy = 0;
    EMCompGamPhaseForAllInitConds = 0;

    ComputePopSFS = 0;
    ComputeJointSFS = 0;
    ComputeMultiSFS = 0;
    NumBootSFS = 0;

    GibbsInferGamPhase = 0;
    GibbsOutputGamPhase = 0;
    GibbsBurnIn = 100000;
    GibbsSamplingInterval = 500;
    GibbsNumSamples = 2000;
    GibbsAlphaInitValue = 0.01;
    gibbs_window_size = 0;
    GibbsEpsilonValue = 0.01;
    GibbsGamma = 0.0;
    GibbsHetSiteInfluenceZone = 5;
    GibbsPercentageOfRecSteps = 0.0;

    results_dir = "";
    results_file = "";
    backup_file = "";
    project_dir = "";
    settings_file = "";

    TaskNumber = 0;
    allele_db = nullptr;
    DeletionWeight = 1.0;
    TransitionWeight = 1.0;
    TranversionWeight = 1.0;
    AllowedLevelOfMissingData = 0.05;
    GameticPhaseIsKnown = 0;
    append_results = 1;
    XMLOutput = 1;
    drovexec64 = 1;
    ComputeSumStatsWithinGroups = 0;
    InferHaplotypeDefinitionFromDistanceMatrix = 0;
    EliminateRedondHaplodefs = 0;
    selection_scan_running = false;
    keep_null_distrib_from_run_list = -1;
}

void settings::buildFilenamesFromCurrentProjectName(const char* project)
{
    my_string dir(project);
    dir.extract_path();
    my_string file(project);
    file.rm_path();
    my_string base(file);
    base.remove_extension();

    my_string folder = dir + base + ".res/";
    input_file = folder + file;
    results_dir = folder;
    project_dir = dir;
    results_file = folder + base + (xmlOutput ? ".xml" : ".htm");
    tree_page_file = folder + base + "_tree.htm";
    tree_data_file = folder + base + ".js";
    main_page_file = folder + base + "_main.htm";
}

void settings::build_sigm_histo_f_name()
{
    my_string* names[] = {&va_file, &vb_file, &vc_file, &vd_file};
    const char* suffixes[] = {".va", ".vb", ".vc", ".vd"};
    // The results file name without its final extension ('.' searched from the end).
    my_string stem(results_file);
    int dot = stem.find_last_of('.');
    if (dot >= 0)
        stem.remove(dot, stem.length - dot);
    for (int i = 0; i < 4; ++i)
        *names[i] = stem + suffixes[i];
}

std::string settings::progress_text()
{
    std::string text;
    if (global_work_to_do > 0) {
        double percent = global_work_done * 100.0 / global_work_to_do;
        text = std::to_string(percent >= 100.0 ? 100 : static_cast<int>(percent)) + "% : ";
    }
    return text + message;
}

void settings::print_message()
{
    if (silentDrovalen)
        return;
    // The console program shows no progress; a front end would show this text.
    progress_text();
}

void settings::print_info(const char* text)
{
    if (_ZOS_ == nullptr)
        return;
    *_ZOS_ << text << std::endl;
}
