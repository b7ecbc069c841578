// The parameters of an analysis run.
//
// One settings object lives in the one Project of the run list. It holds one
// field per key of the settings file (".drs", read by read_settings and
// written by print_settings), the file names of the project being processed,
// the results stream every analysis writes to, a few slots through which the
// tests hand their P-values back, and the process-wide progress fields.
// Field names are the settings-file keys, so that the analyses, the file and
// the printout share one vocabulary.
#ifndef DROV_APP_SETTINGS_H
#define DROV_APP_SETTINGS_H

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/my_string.h"

class Samples;
class Structure;
class DistMat;
class Haplo_DB;
class TAlleleDB;
class TriMat;

class settings {
public:
    // Bits of TaskNumber: the analyses to run.
    enum TaskBits {
        STANDARD_INDICES = 0x1,
        MOLECULAR_DIVERSITY = 0x2,
        MISMATCH_DISTRIBUTION = 0x4,
        HAPLOTYPE_FREQUENCIES = 0x8,
        LINKAGE_DISEQUILIBRIUM = 0x10,
        HARDY_WEINBERG = 0x20,
        TAJIMA_TEST = 0x40,
        EWENS_WATTERSON_TEST = 0x80,
        CHAKRABORTY_TEST = 0x100,
        AMOVA = 0x200,
        PAIRWISE_FST = 0x400,
        PAIRWISE_DISTANCES = 0x800,
        AMOVA_PERMUTATION_PREPARATION = 0x1000,
        EXACT_DIFFERENTIATION_TEST = 0x2000,
        FU_FS_TEST = 0x4000,
        GENOTYPE_ASSIGNMENT = 0x8000,
        MANTEL_TEST = 0x10000
    };
    // Bits of ComputeTheta: the theta estimators.
    enum ThetaBits { THETA_HOM = 1, THETA_S = 2, THETA_K = 4, THETA_PI = 8 };

    int stop_requested;           // non-zero: end lengthy work and the run list early
    std::fstream* results_stream; // the open results file of the run; not owned
    int genotypic_data;           // the project's GenotypicData flag
    int gametic_phase;            // the project's GameticPhase flag (1 = known)

    // Hardy-Weinberg exact test
    int HardyWeinbergTestType;    // deprecated form of TypeOfTestHW
    int MakeHWExactTest;
    int MarkovChainStepsHW;
    int MarkovChainDememorisationStepsHW;
    double hw_pvalue;             // result slot of the test
    double PrecisionOnPValueHW;   // overwritten with the s.e. of the P-value
    int SignificanceLevelHW;
    int TypeOfTestHW;             // 0 locus level, 1 haplotype level, 2 both

    // Linkage disequilibrium
    int LinkageDisequilibriumTestType;  // obsolete
    int ld_test_active;
    int MakeExactTestLD;
    int MarkovChainStepsLD;
    int MarkovChainDememorisationStepsLD;
    double ld_pvalue;             // result slot: P-value of the last pair tested
    double PrecisionOnPValueLD;   // overwritten with the s.e. of that P-value
    double SignificanceLevelLD;
    int PrintFlagHistogramLD;     // also the cell form of print_diseq_table
    int InitialCondEMLD;
    int ComputeDvalues;

    // Diversity indices and mismatch distribution
    int ComputeStandardDiversityIndices;
    int DistanceMethod;
    double GammaAValue;
    int ComputeTheta;             // ThetaBits
    bool ComputeAllAlleleFreqs = false;
    bool ComputeMissDataFreq = false;
    int MismatchDistanceMethod;   // obsolete: always 0
    double MismatchGammaAValue;   // obsolete: always 0
    int NumBootExpDem;
    bool MismatchDemogExp;
    bool MismatchSpatialExp;
    int MismatchSpatialExpNumParams = 0;
    int PrintHaplDistMat;
    int PrintPopDistMat;          // tied to PrintHaplDistMat by the reader and writer

    // Haplotype frequencies by EM
    int InitialConditionsEM;
    int MaximumNumOfIterationsEM;
    int RecessiveAllelesEM;
    int CompactHaplotypeDataBaseEM;  // obsolete: always 0
    int NumBootstrapReplicatesEM;
    int NumInitCondBootstrapEM;
    int estimate_haplotypes;      // set by read_settings from the EM and Gibbs keys
    int ComputeAllSubHaplotypesEM;
    double EpsilonValue;
    double FrequencyThreshold;
    int print_em_results;         // 0 while the AMOVA runs the EM for its own use

    // Context handed to the AMOVA; none is owned
    Samples* current_samples;
    Structure* current_structure;
    DistMat* current_distance_matrix;
    Haplo_DB* current_haplotype_list = nullptr;
    TAlleleDB* current_allele_db = nullptr;

    // Files of the AMOVA null distributions (see build_sigm_histo_f_name)
    my_string va_file;
    my_string vb_file;
    my_string vc_file;
    my_string vd_file;
    my_string ld_file;            // linkage-disequilibrium summary file

    // AMOVA and pairwise distances
    int ComputeConventionalFST;
    int IncludeIndividualLevel;
    int ComputeDistanceMatrixAMOVA;
    int DistanceMethodAMOVA;
    double GammaAValueAMOVA;
    int PrintDistanceMatrix;
    int PrintMinSpannNetworkPop;
    int PrintMinSpannNetworkGlob;
    int TestSignificancePairewiseFST;
    int NumPermutationsFST;
    int ComputePairwiseFST;
    int ComputeDeltaMuSqr;
    double FSTSignifLevel;
    int NumPermMantel;
    int PrintFstVals;
    int PrintConcestryCoeff;
    int PrintSlatkinsDist;
    int PrintMissIntermatchs;
    int UnequalPopSizeDiv;
    int TestSignificanceAMOVA;    // obsolete
    int NumPermutationsAMOVA;
    int KeepNullDistrib;
    int LocByLocAMOVA;
    int HaplAMOVA;
    int PopSpecificFST;
    int PopSpecificFIS;

    // Exact test of population differentiation
    int NumPermutPopDiff;
    int NumDememoPopDiff;
    double PrecProbPopDiff;       // obsolete: 0
    double SignLevelPopDiff;
    int PrintHistoPopDiff;

    // Scan for loci under selection
    int DetectSelectedLoci;
    int UseHierarchicalIslandModel;
    int NumberOfDemesForFDist2;
    int NumberOfGroupsForFDist2;
    int NumberOfSimsForFDist2;
    int UseSimFileForFDist2;
    my_string SimFileNameForFDist2;
    double TargetHetLowBound;
    double TargetHetHighBound;
    double MinDafFreq;
    int IterativeProcForFDist2;

    // Neutrality tests
    int EwensWattersonHomozygosityTest;
    int NumIterationsNeutralityTests;
    int NumSimulFuTest;

    // Read only: no analysis uses them
    int IsFontKnown;
    int NbFrontSegments;
    double SegmentLength;
    int NumOfGroups;
    int DiffusionMode;
    int NbFrontPerm;

    // EM keys (kept by read_settings when the file lacks them)
    int ComputeAllHaplotypesEM;   // also read from the key EMEstimHaplFreqs
    int ComputeAllAllelesEM;
    int EMEstimateInbreedingCoeff;
    double EMInbreedingFixedVal;
    int EMUseZipper;
    int EMWinSize;
    int EMLociRandOrder;
    int EMInbreedingEachLocus;
    int EMCheckPhenRedundancy;
    int EMCompGamPhaseForAllInitConds;
    int EMNumZipRandOrders = 0;

    // Site frequency spectra
    int ComputePopSFS;
    int ComputeJointSFS;
    int ComputeMultiSFS;
    int NumBootSFS;

    // Gametic phase by the Gibbs sampler (Gibbs keys are kept when absent)
    int GibbsInferGamPhase;
    int GibbsOutputGamPhase;
    std::ofstream* phase_streams;   // array new, owned; made by the per-sample driver
    my_string* phase_file_names;    // array new, owned; their names
    int GibbsBurnIn;
    int GibbsSamplingInterval;
    int GibbsNumSamples;
    double GibbsAlphaInitValue;
    int gibbs_window_size;
    double GibbsEpsilonValue;
    double GibbsGamma;
    int GibbsHetSiteInfluenceZone;
    double GibbsPercentageOfRecSteps;

    // File names of the run
    my_string results_dir;        // result folder, ending with ".res/"
    my_string results_file;       // ".htm", or ".xml" with XML output
    my_string backup_file;        // ".bac"
    my_string project_dir;        // folder of the project file
    // During a run, the cleaned copy in the results folder of every file
    // named on an EXTERN line of the project, by the name written there: the
    // readers read these copies, normalised like the project itself.
    std::map<std::string, std::string> extern_copies;
    my_string settings_file;      // the settings file of the run
    my_string program_dir;        // folder of the browser's tree-menu script, '/' separators
    my_string tree_page_file;
    my_string tree_data_file;
    my_string main_page_file;
    my_string tree_style_file;
    my_string tree_script_file;
    my_string run_date;

    int TaskNumber;               // TaskBits
    TAlleleDB* allele_db;         // the project's allele database; not owned

    // General settings
    double DeletionWeight;
    double TransitionWeight;
    double TranversionWeight;
    double AllowedLevelOfMissingData;
    int GameticPhaseIsKnown;      // read only; the project file's phase prevails
    int append_results;           // from the run list: append to an XML results file
    int XMLOutput;
    int drovexec64;
    int ComputeSumStatsWithinGroups;
    int InferHaplotypeDefinitionFromDistanceMatrix;
    int EliminateRedondHaplodefs;
    bool selection_scan_running;

    // KeepNullDistrib given by the run list for the current project, or -1.
    // read_settings applies it after every read, so that the run list's value
    // also survives the re-read of the settings after the group level.
    int keep_null_distrib_from_run_list;

    // The detail lines of the WARNINGs about the settings file that the last
    // read with warnings gave, for the results' settings section.
    std::vector<std::string> file_warnings;

    // Progress fields, one copy in the process
    static char message[400];      // the computation step under way
    static char old_message[400];
    static double global_work_to_do;
    static double global_work_done;
    static int num_proj_done;      // projects of the run list already processed
    static my_string input_file;   // the project file being processed
    static my_string gibbs_BatchFilename;

    settings();
    ~settings();
    // The phase arrays are owned by one object; nothing copies settings.
    settings(settings const&) = delete;
    settings& operator=(settings const&) = delete;

    void reset_initial_values();
    void buildFilenamesFromCurrentProjectName(const char* project);
    void build_sigm_histo_f_name();

    // Settings file (".drs")
    // With `warn`, what silently changes results gets a WARNING in the log
    // and in file_warnings (settings_file_report.h): the start of each
    // project asks for it. A distance code out of its range reads 0.
    void read_settings(my_string& file_name, bool warn = false);
    void print_settings(my_string& file_name);
    // The "Settings used for Calculations" block of the results file
    void print_pretty_settings(std::ostream& os);
    void print_distance_method(std::ostream& os, int code);

    // Table of significant linkage disequilibrium between the given loci.
    int print_diseq_table(TriMat& p_values, int num_loci, int* locus_numbers);
    // Progress hooks
    static std::string progress_text();
    static void print_message();
    static void print_info(const char* text);
};

// Writes one line key=value of a settings file; returns 0.
int aWritePrivateProfileString(const char* key, const char* value, std::ostream& out);

#endif
