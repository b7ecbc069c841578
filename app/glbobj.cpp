// Process-wide objects: the batch summary flags and streams, the flags file
// reader, the distance-method names and the default strings.

#include "app/glbobj.h"

#include <cstring>
#include <iterator>
#include <iostream>
#include <string>

#include "core/errors.h"
#include "core/file_helpers.h"
#include "summary/sumstat.h"

int _GENE_DIVERSITY_ = 0;
int _NUCLEOTIDE_COMPOSITION_ = 0;
int _MOLECULAR_DIVERSITY_ = 0;
int _MISMATCH_ = 0;
int _THETA_ = 0;
int _LINKAGE_DISEQUILIBRIUM_ = 0;
int _HARDY_WEINBERG_ = 0;
int _TAJIMA_ = 0;
int _FU_FS_ = 0;
int _EWENS_WATTERSON_ = 0;
int _CHAKRABORTY_ = 0;
int _PAIRWISE_DIST_ = 0;
int _AMOVA_RES_ = 0;
int _ALLELE_FREQS_ = 0;
int _DETECT_SELECTION_ = 0;

char* batch_dir = nullptr;

std::ofstream* ofs_gen_div = nullptr;
std::ofstream* ofs_nuc_comp = nullptr;
std::ofstream* ofs_theta = nullptr;
std::ofstream* ofs_mol_div = nullptr;
std::ofstream* ofs_mismatch = nullptr;
std::ofstream* ofs_mismatch_sp3 = nullptr;
std::ofstream* ofs_mismatch_sp4 = nullptr;
std::ofstream* ofs_only_mismatch = nullptr;
std::ofstream* ofs_link_dis = nullptr;
std::ofstream* ofs_link_dis_pro = nullptr;
std::ofstream* ofs_link_dis_pro_inbreeding = nullptr;
std::ofstream* ofs_distrib_LD = nullptr;
std::ofstream* ofs_HW = nullptr;
std::ofstream* ofs_tajima = nullptr;
std::ofstream* ofs_fu_fs = nullptr;
std::ofstream* ofs_ewens_watt = nullptr;
std::ofstream* ofs_chakra = nullptr;
std::ofstream* ofs_pairw_dist = nullptr;
std::ofstream* ofs_FST_dist = nullptr;
std::ofstream* ofs_varComp_dist = nullptr;
std::ofstream* ofs_pairw_diffs = nullptr;
std::ofstream* ofs_tau_uneq = nullptr;
std::ofstream* ofs_concest = nullptr;
std::ofstream* ofs_slatkins = nullptr;
std::ofstream* ofs_NM_vals = nullptr;
std::ofstream* ofs_amova_res = nullptr;
std::ofstream* ofs_allele_freqs = nullptr;
std::ofstream* ofs_selection_res = nullptr;

char DistanceNames[10][40] = {};

my_string UsedHaplListDefault("NONE");
my_string RecessiveAlleleDefault("null");
TSumStat SumStat;

bool silentDrovalen = false;
bool xmlOutput = false;

namespace {

const int MAX_BATCH_DIR = 801;
const std::string::size_type MAX_FLAGS_DIR = 350;
const int MAX_FLAG_LINES = 200;  // read after the first line, which is skipped

struct BatchFlag {
    const char* keyword;
    int* flag;
};

// In the order in which the batch files are opened.
const BatchFlag FLAGS[] = {
    {"_GENE_DIVERSITY_", &_GENE_DIVERSITY_},
    {"_NUCLEOTIDE_COMPOSITION_", &_NUCLEOTIDE_COMPOSITION_},
    {"_MOLECULAR_DIVERSITY_", &_MOLECULAR_DIVERSITY_},
    {"_MISMATCH_", &_MISMATCH_},
    {"_THETA_", &_THETA_},
    {"_LINKAGE_DISEQUILIBRIUM_", &_LINKAGE_DISEQUILIBRIUM_},
    {"_HARDY_WEINBERG_", &_HARDY_WEINBERG_},
    {"_TAJIMA_", &_TAJIMA_},
    {"_FU_FS_", &_FU_FS_},
    {"_EWENS_WATTERSON_", &_EWENS_WATTERSON_},
    {"_CHAKRABORTY_", &_CHAKRABORTY_},
    {"_PAIRWISE_DIST_", &_PAIRWISE_DIST_},
    {"_AMOVA_RES_", &_AMOVA_RES_},
    {"_DETECT_SELECTION_", &_DETECT_SELECTION_},
    {"_ALLELE_FREQS_", &_ALLELE_FREQS_},
};

const char* const TAB_FILE_NAME = "\tfile_name";

// One batch summary file and the header block it gets at every start:
// the banner (when asked), the text, and a final newline with a flush (when asked).
struct BatchFile {
    std::ofstream** stream;
    const char* name;
    int* flag;
    bool truncate;  // emptied at every start instead of appended to
    bool banner;
    const char* header;
    bool end_line;
};

const BatchFile FILES[] = {
    {&ofs_gen_div, "gen_div.sum", &_GENE_DIVERSITY_, false, true,
     "Gene diversity indices:\n"
     "file_name\tpop_name\tnb_gene_copies\tnb_haplotypes\t[orig_nb_haplotypes]\tnum_loci\t"
     "_nb_usable_loci\t_nb_pol_sites\tgene_diversity", true},
    {&ofs_nuc_comp, "nucl_comp.sum", &_NUCLEOTIDE_COMPOSITION_, false, true,
     "Nucleotide composition\nfile_name\tpop_name\tC\tT\tA\tG\tsum(CTAG)", true},
    {&ofs_theta, "theta.sum", &_THETA_, false, true, TAB_FILE_NAME, true},
    {&ofs_mol_div, "mold_div.sum", &_MOLECULAR_DIVERSITY_, false, true,
     "Molecular diversity indices\n"
     "file_name\tpop_name\tindel_w\tts_w\ttv_w\tmiss_lev\t#ts_s\t#tv_s\t#subs_s\t#del_s\t"
     "#pol_s\t#nucl_s\t#usa_loci\tdist_met\tgamma_a\tmol_div\tnucl_div", true},
    {&ofs_mismatch, "mismatch.sum", &_MISMATCH_, false, true,
     "Mismatch distribution\n"
     "file_name\tpop_name\tDistance\tgamma_a\tmean\tvariance\ttheta0\ttau\t"
     "Mismatch distribution starting from the zero difference class", true},
    {&ofs_mismatch_sp3, "mismatch_sp3.sum", &_MISMATCH_, false, true,
     "Mismatch distribution\n"
     "file_name\tpop_name\tDistance\tgamma_a\tmean\tvariance\ttau\ttheta\tM\t"
     "Mismatch distribution starting from the zero difference class", true},
    {&ofs_mismatch_sp4, "mismatch_sp4.sum", &_MISMATCH_, false, true,
     "Mismatch distribution\n"
     "file_name\tpop_name\tDistance\tgamma_a\tmean\tvariance\ttheta0\ttau\ttheta\tM\t"
     "Mismatch distribution starting from the zero difference class", true},
    {&ofs_only_mismatch, "only_mismatch_sp.txt", &_MISMATCH_, true, false,
     "Mismatch distributions\n", false},
    {&ofs_link_dis, "link_dis.sum", &_LINKAGE_DISEQUILIBRIUM_, false, true,
     "Linkage disequilibrium indices\nalpha_lev\ty\t#usable_loci", true},
    {&ofs_link_dis_pro, "l_d_pro.sum", &_LINKAGE_DISEQUILIBRIUM_, false, true,
     "Linkage disequilibrium probabilities\n"
     "file_name\tpop_name\tloc_1\tloc_2\t#resampl\tl_d_proba\ts.d.", true},
    {&ofs_link_dis_pro_inbreeding, "l_d_proIBD.sum", &_LINKAGE_DISEQUILIBRIUM_, false, true,
     "Linkage disequilibrium likelihood ration test with inbreeding\n"
     "file_name\tpop_name\tComp_inbreeding \tlnLHoodLDf \tf_coeff_LD \tlnLHoodLEf \tf_coeff_LE\t"
     "Chi2f \tdf \tP_Chi2f\t"
     "Comp_inbreeding \tlnLHoodLDf \tf_coeff_LD \tlnLHoodLE \tf_coeff_LE\tChi2 \tdf \tP_Chi2\t"
     "\tP_Chi2_resamp\tnum_boot", true},
    {&ofs_distrib_LD, "l_d_val.sum", &_LINKAGE_DISEQUILIBRIUM_, false, true,
     "Linkage disequilibrium values\n"
     "file_name\tpop_name\tloc_1\tloc_2\tD\tDprime\tD_hedrick\tR\tR2\tR2_hedrick", true},
    {&ofs_HW, "hw.sum", &_HARDY_WEINBERG_, false, true,
     "Hardy-Weinberg equilibrium indices\tfile_name\tpop_name", true},
    {&ofs_tajima, "tajima.sum", &_TAJIMA_, false, true,
     "Tajima's D indices:\n"
     "file_name\tpop_name\tnum gene copies\tnum polym sites\ttheta_S\ttheta_pi\tTajima's D\t"
     "P-value beta approx.\tP-value simul.\tProb(Simulated D <= 0)\tNum. simulations", true},
    {&ofs_fu_fs, "fu_fs.sum", &_FU_FS_, false, true,
     "file_name\tpop_name\tNo. of Genes copies\tNo. of Haplotypes\tTheta\tFs\t"
     "Prob(sim_Fs <=obs_Fs)\tP( Fs <= 0\tNo. Simulations", true},
    {&ofs_ewens_watt, "ewens.sum", &_EWENS_WATTERSON_, false, true,
     "Ewens-Watterson neutrality test indices\n"
     "file_name\tpop_name\tnb_genes\t[nb_orig_hapl]\tnb_#all\tobs_F\texp_F\tp_Ewens_Watt\tp_exact_Slatkin", true},
    {&ofs_chakra, "chakra.sum", &_CHAKRABORTY_, false, true,
     "Chakraborty's neutrality test indices\n"
     "file_name\tpop_name\tnb_genes\tnb_haplotypes\thomozygosity\texp_k(hom)\tp_k_all\tp_>=k_all", true},
    {&ofs_pairw_dist, "pairdist.sum", &_PAIRWISE_DIST_, false, true, TAB_FILE_NAME, true},
    {&ofs_FST_dist, "FSTdist.sum", &_PAIRWISE_DIST_, false, true, TAB_FILE_NAME, true},
    {&ofs_varComp_dist, "VCompdist.sum", &_PAIRWISE_DIST_, false, true, "", true},
    {&ofs_pairw_diffs, "pairdiff.sum", &_PAIRWISE_DIST_, false, true, TAB_FILE_NAME, true},
    {&ofs_tau_uneq, "tau_uneq.sum", &_PAIRWISE_DIST_, false, true, TAB_FILE_NAME, true},
    {&ofs_concest, "coanst_c.sum", &_PAIRWISE_DIST_, false, true, TAB_FILE_NAME, true},
    {&ofs_slatkins, "slatkin.sum", &_PAIRWISE_DIST_, false, true, TAB_FILE_NAME, true},
    {&ofs_NM_vals, "NM_value.sum", &_PAIRWISE_DIST_, false, true, TAB_FILE_NAME, true},
    {&ofs_amova_res, "amovares.sum", &_AMOVA_RES_, false, false,
     "\nAMOVA computations ...\nfile_name\n", false},
    {&ofs_allele_freqs, "allele_freqs.sum", &_ALLELE_FREQS_, false, true,
     "Allele frequencies\nfile_name\n"
     "Population 1 id\tFreq. all. 1\tFreq. all. 2\t...\tPopulation 2 id\tFreq. all. 1\tFreq. all. 2\t...", true},
    {&ofs_selection_res, "selectionDetection.sum", &_DETECT_SELECTION_, false, false,
     "\nDetection of loci under selection:"
     "\nfileName\tnumSims\tNumTestedLoci\tnumLowFSTLociBelow_1e-3\tnumLowFSTLociBelow_5e-3"
     "\tnumLowFSTLociBelow_1e-2\tnumLowFSTLociBelow_2.5e-2\tnumLociBelow_5e-2"
     "\tnumHighFCTLociBelow_1e-3\tnumHighFCTLociBelow_5e-3\tnumHighFCTLociBelow_1e-2"
     "\tnumHighFCTLociBelow_2.5e-2\tnumHighFCTLociBelow_5e-2"
     "\tnumLowFCTLociBelow_1e-3\tnumLowFCTLociBelow_5e-3\tnumLowFCTLociBelow_1e-2"
     "\tnumLowFCTLociBelow_2.5e-2\tnumLociBelow_5e-2"
     "\tnumHighFCTLociBelow_1e-3\tnumHighFCTLociBelow_5e-3\tnumHighFCTLociBelow_1e-2"
     "\tnumHighFCTLociBelow_2.5e-2\tnumHighFCTLociBelow_5e-2\n", false},
};

const char* const DISTANCE_NAMES[] = {
    "Pairwise difference", "Jukes and Cantor", "Kimura 2P", "Proportion of difference",
    "Tajima and Nei", "Tamura", "Tamura and Nei", "No. of different alleles (FST)",
    "Sum of squared size difference (RST)",
};

// The run goes on with what could be set up, so the exception that follows
// the reporter's MEMORY line is not passed on.
void report_memory(const char* function)
{
    try {
        E.error(MEMORY, function, 0);
    } catch (...) {
    }
}

// A batch file that cannot be opened would lose all its lines without a sign.
void warn_unopened(std::string const& path)
{
    std::ostream& out = E.log_open ? *_ZOS_ : std::cout;
    out << "Warning: the batch summary file \"" << path
        << "\" cannot be opened; its lines will be lost" << std::endl;
}

void open_batch_file(BatchFile const& file, std::string const& banner)
{
    std::string path = std::string(batch_dir ? batch_dir : "") + file.name;
    std::ios::openmode mode = std::ios::out | (file.truncate ? std::ios::trunc : std::ios::app);
    std::ofstream* stream = new std::ofstream(path, mode);
    *file.stream = stream;
    if (!stream->is_open()) {
        warn_unopened(path);
        return;
    }
    if (file.banner)
        *stream << banner;
    *stream << file.header;
    if (file.end_line)
        *stream << std::endl;
}

}  // namespace

void read_global_flags(const char* directory)
{
    try {
        for (BatchFlag const& f : FLAGS)
            *f.flag = 0;
        delete[] batch_dir;
        batch_dir = new char[MAX_BATCH_DIR]();

        std::string dir = directory ? directory : "";
        if (dir.size() > MAX_FLAGS_DIR)
            return;
        InputFile in((dir + "glbstreams.txt").c_str());
        if (!in.is_open())
            return;
        my_string line;
        line.read_line(in);  // the first line is a title
        if (in.fail())
            return;
        for (int n = 0; n < MAX_FLAG_LINES; ++n) {
            line.read_line(in);
            line.to_upper();
            for (BatchFlag const& f : FLAGS) {
                if (line.contains(f.keyword))
                    *f.flag = 1;
            }
            // A last line without a newline has been examined above.
            if (!in.good())
                break;
        }
    } catch (...) {
        report_memory("read_global_flags()");
    }
}

void initialize_drovalen_global_objects()
{
    try {
        if (E.log_stream != nullptr)
            _ZOS_ = E.log_stream;
        std::string banner = "\n\n" + std::string(67, '-') + "\nDrovalen batch run summary file\n";
        for (int i = 0; i < 9; ++i)
            std::strcpy(DistanceNames[i], DISTANCE_NAMES[i]);
        for (BatchFlag const& f : FLAGS) {
            for (BatchFile const& file : FILES) {
                if (file.flag != f.flag)
                    continue;
                if (*f.flag)
                    open_batch_file(file, banner);
                else
                    *file.stream = nullptr;
            }
        }
    } catch (...) {
        report_memory("initialize_drovalen_global_objects()");
    }
}

void close_all_global_streams()
{
    delete[] batch_dir;
    batch_dir = nullptr;
    for (BatchFile const& file : FILES) {
        std::ofstream*& stream = *file.stream;
        if (stream != nullptr) {
            stream->close();
            delete stream;
            stream = nullptr;
        }
    }
}

BatchStreamsSuspended::BatchStreamsSuspended()
{
    flags_.reserve(std::size(FLAGS));
    streams_.reserve(std::size(FILES));
    for (BatchFlag const& f : FLAGS) {
        flags_.push_back(*f.flag);
        *f.flag = 0;
    }
    for (BatchFile const& file : FILES) {
        streams_.push_back(*file.stream);
        *file.stream = nullptr;
    }
}

BatchStreamsSuspended::~BatchStreamsSuspended()
{
    std::size_t i = 0;
    for (BatchFlag const& f : FLAGS)
        *f.flag = flags_[i++];
    i = 0;
    for (BatchFile const& file : FILES)
        *file.stream = streams_[i++];
}
