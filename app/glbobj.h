// Process-wide objects created at program start: the batch summary streams and
// their flags, the names of the distance methods and the default strings.
//
// The batch summary files (".sum") gather one line per sample and analysis
// across all projects of a run list and across runs: each is opened in append
// mode at start-up, when the flags file "glbstreams.txt" names its flag, and
// receives a header block at every start. An analysis writes its line only
// when the flag of its file is set and the stream pointer is not null.
#ifndef DROV_APP_GLBOBJ_H
#define DROV_APP_GLBOBJ_H

#include <fstream>
#include <vector>

#include "core/my_string.h"

class TSumStat;

// Flags of the batch summary files (0 or 1), each set by its own name in the
// flags file.
extern int _GENE_DIVERSITY_;
extern int _NUCLEOTIDE_COMPOSITION_;
extern int _MOLECULAR_DIVERSITY_;
extern int _MISMATCH_;
extern int _THETA_;
extern int _LINKAGE_DISEQUILIBRIUM_;
extern int _HARDY_WEINBERG_;
extern int _TAJIMA_;
extern int _FU_FS_;
extern int _EWENS_WATTERSON_;
extern int _CHAKRABORTY_;
extern int _PAIRWISE_DIST_;
extern int _AMOVA_RES_;
extern int _ALLELE_FREQS_;
extern int _DETECT_SELECTION_;

// Directory prefix of the batch file names (empty: the working directory).
extern char* batch_dir;

// The batch summary streams; null while their flag is off.
extern std::ofstream* ofs_gen_div;
extern std::ofstream* ofs_nuc_comp;
extern std::ofstream* ofs_theta;
extern std::ofstream* ofs_mol_div;
extern std::ofstream* ofs_mismatch;
extern std::ofstream* ofs_mismatch_sp3;
extern std::ofstream* ofs_mismatch_sp4;
extern std::ofstream* ofs_only_mismatch;
extern std::ofstream* ofs_link_dis;
extern std::ofstream* ofs_link_dis_pro;
extern std::ofstream* ofs_link_dis_pro_inbreeding;
extern std::ofstream* ofs_distrib_LD;
extern std::ofstream* ofs_HW;
extern std::ofstream* ofs_tajima;
extern std::ofstream* ofs_fu_fs;
extern std::ofstream* ofs_ewens_watt;
extern std::ofstream* ofs_chakra;
extern std::ofstream* ofs_pairw_dist;
extern std::ofstream* ofs_FST_dist;
extern std::ofstream* ofs_varComp_dist;
extern std::ofstream* ofs_pairw_diffs;
extern std::ofstream* ofs_tau_uneq;
extern std::ofstream* ofs_concest;
extern std::ofstream* ofs_slatkins;
extern std::ofstream* ofs_NM_vals;
extern std::ofstream* ofs_amova_res;
extern std::ofstream* ofs_allele_freqs;
extern std::ofstream* ofs_selection_res;

// Names of the distance methods. DNA codes 0-6 give rows 0-6; RFLP code 0
// row 0 and code 1 row 3; microsatellite code 0 row 7 and code 1 row 8.
extern char DistanceNames[10][40];

extern my_string UsedHaplListDefault;     // "NONE"
extern my_string RecessiveAlleleDefault;  // "null"
extern TSumStat SumStat;                  // the summary-statistics line of a run

// Set by the command-line argument "run_silent": progress is not even formatted.
extern bool silentDrovalen;
// True while the results are written as XML; set by each run from XMLOutput.
extern bool xmlOutput;

// Clears the flags and sets those named in directory + "glbstreams.txt"
// (the first line is skipped; keywords anywhere in the next 200 lines, any case).
void read_global_flags(const char* directory);
// Fills DistanceNames and opens the batch files of the set flags with their header blocks.
void initialize_drovalen_global_objects();
// Closes and deletes every batch stream and releases batch_dir.
void close_all_global_streams();

// While it lives no batch summary line can be written: every flag is 0 and
// every stream pointer null. Both are given back when it goes. Analyses run
// for the program's own purposes (the selection scan's simulated AMOVAs)
// run under it, so that the batch files hold the user's results only.
class BatchStreamsSuspended {
public:
    BatchStreamsSuspended();
    ~BatchStreamsSuspended();
    BatchStreamsSuspended(BatchStreamsSuspended const&) = delete;
    BatchStreamsSuspended& operator=(BatchStreamsSuspended const&) = delete;

private:
    std::vector<int> flags_;
    std::vector<std::ofstream*> streams_;
};

#endif
