// The flags file "glbstreams.txt" and the batch summary files it selects.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/glbobj.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;

namespace {

// The batch files are created in the working directory, so each test runs in
// a fresh temporary folder.
class BatchStreamsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_dir_ = fs::current_path();
        fs::current_path(dir_.path());
    }
    void TearDown() override
    {
        close_all_global_streams();
        fs::current_path(old_dir_);
    }

    void write_flags(std::string const& text, fs::path const& where = "")
    {
        std::ofstream((where.empty() ? dir_.path() : where) / "glbstreams.txt", std::ios::binary) << text;
    }

    // One program start: flags, then the batch files.
    void start(std::string const& flags_text)
    {
        write_flags(flags_text);
        read_global_flags("");
        initialize_drovalen_global_objects();
    }

    std::set<std::string> batch_files() const
    {
        std::set<std::string> names;
        for (auto const& entry : fs::directory_iterator(dir_.path())) {
            if (entry.path().filename() != "glbstreams.txt")
                names.insert(entry.path().filename().string());
        }
        return names;
    }

    void remove_batch_files() const
    {
        for (std::string const& name : batch_files())
            fs::remove_all(dir_ / name);
    }

    std::string content(const char* name) const { return read_text(dir_ / name); }

    fs::path old_dir_;
    TempDir dir_;
};

struct Flag {
    const char* name;
    int* flag;
};

const Flag FLAGS[] = {
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
    {"_ALLELE_FREQS_", &_ALLELE_FREQS_},
    {"_DETECT_SELECTION_", &_DETECT_SELECTION_},
};

std::set<std::string> flags_set()
{
    std::set<std::string> names;
    for (Flag const& f : FLAGS) {
        if (*f.flag)
            names.insert(f.name);
    }
    return names;
}

std::string numbered_lines(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "line " + std::to_string(i) + "\n";
    return text;
}

TEST_F(BatchStreamsTest, KeywordsOfTheFlagsFile)
{
    struct Case {
        const char* what;
        std::string text;
        std::set<std::string> expected;
    };
    const Case cases[] = {
        {"the first line is skipped", "_TAJIMA_\n", {}},
        {"any case, anywhere in the line", "flags\nwrite the _tajima_ file\n", {"_TAJIMA_"}},
        {"two keywords on one line", "flags\n_THETA_ and _FU_FS_\n", {"_THETA_", "_FU_FS_"}},
        {"last line without a newline", "flags\n_MISMATCH_", {"_MISMATCH_"}},
        {"CRLF lines", "flags\r\n_AMOVA_RES_\r\n", {"_AMOVA_RES_"}},
        {"keyword on line 201", numbered_lines(200) + "_CHAKRABORTY_\n", {"_CHAKRABORTY_"}},
        {"keyword on line 202", numbered_lines(201) + "_CHAKRABORTY_\n", {}},
    };
    for (Case const& c : cases) {
        write_flags(c.text);
        read_global_flags("");
        EXPECT_EQ(flags_set(), c.expected) << c.what;
    }

    // A new reading clears the flags first; a missing file then sets none.
    fs::remove(dir_ / "glbstreams.txt");
    read_global_flags("");
    EXPECT_TRUE(flags_set().empty());
}

TEST_F(BatchStreamsTest, FlagsFileIsTakenFromTheGivenDirectoryOfAtMost350Characters)
{
    write_flags("flags\n_TAJIMA_\n");
    read_global_flags((dir_.path().string() + "/").c_str());
    EXPECT_EQ(flags_set(), std::set<std::string>{"_TAJIMA_"});

    fs::path deep = dir_ / std::string(200, 'a') / std::string(150, 'b');
    fs::create_directories(deep);
    write_flags("flags\n_TAJIMA_\n", deep);
    read_global_flags((deep.string() + "/").c_str());
    EXPECT_TRUE(flags_set().empty());
}

TEST_F(BatchStreamsTest, EachFlagOpensItsFiles)
{
    struct Case {
        const char* flag;
        std::set<std::string> files;
    };
    const Case cases[] = {
        {"_GENE_DIVERSITY_", {"gen_div.sum"}},
        {"_NUCLEOTIDE_COMPOSITION_", {"nucl_comp.sum"}},
        {"_MOLECULAR_DIVERSITY_", {"mold_div.sum"}},
        {"_MISMATCH_", {"mismatch.sum", "mismatch_sp3.sum", "mismatch_sp4.sum", "only_mismatch_sp.txt"}},
        {"_THETA_", {"theta.sum"}},
        {"_LINKAGE_DISEQUILIBRIUM_", {"link_dis.sum", "l_d_pro.sum", "l_d_proIBD.sum", "l_d_val.sum"}},
        {"_HARDY_WEINBERG_", {"hw.sum"}},
        {"_TAJIMA_", {"tajima.sum"}},
        {"_FU_FS_", {"fu_fs.sum"}},
        {"_EWENS_WATTERSON_", {"ewens.sum"}},
        {"_CHAKRABORTY_", {"chakra.sum"}},
        {"_PAIRWISE_DIST_", {"pairdist.sum", "FSTdist.sum", "VCompdist.sum", "pairdiff.sum", "tau_uneq.sum",
                             "coanst_c.sum", "slatkin.sum", "NM_value.sum"}},
        {"_AMOVA_RES_", {"amovares.sum"}},
        {"_ALLELE_FREQS_", {"allele_freqs.sum"}},
        {"_DETECT_SELECTION_", {"selectionDetection.sum"}},
    };
    for (Case const& c : cases) {
        start(std::string("flags\n") + c.flag + "\n");
        close_all_global_streams();
        EXPECT_EQ(batch_files(), c.files) << c.flag;
        remove_batch_files();
    }
}

TEST_F(BatchStreamsTest, EveryStartAppendsAHeaderBlock)
{
    const std::string banner = "\n\n" + std::string(67, '-') + "\nDrovalen batch run summary file\n";
    const std::string flags = "flags\n_GENE_DIVERSITY_ _MISMATCH_ _PAIRWISE_DIST_ _AMOVA_RES_ _FU_FS_\n";

    start(flags);
    ASSERT_NE(ofs_gen_div, nullptr);
    *ofs_gen_div << "\"a.drp\"\t\"pop1\"\t10\n";
    *ofs_only_mismatch << "first run's distributions\n";
    close_all_global_streams();
    start(flags);
    close_all_global_streams();

    const std::string gen_div = banner + "Gene diversity indices:\n"
        "file_name\tpop_name\tnb_gene_copies\tnb_haplotypes\t[orig_nb_haplotypes]\tnum_loci\t"
        "_nb_usable_loci\t_nb_pol_sites\tgene_diversity\n";
    EXPECT_EQ(content("gen_div.sum"), gen_div + "\"a.drp\"\t\"pop1\"\t10\n" + gen_div);
    EXPECT_EQ(content("only_mismatch_sp.txt"), "Mismatch distributions\n");
    EXPECT_EQ(content("amovares.sum"), "\nAMOVA computations ...\nfile_name\n"
                                       "\nAMOVA computations ...\nfile_name\n");
    EXPECT_EQ(content("VCompdist.sum"), banner + "\n" + banner + "\n");
    EXPECT_EQ(content("pairdist.sum"), banner + "\tfile_name\n" + banner + "\tfile_name\n");
    EXPECT_EQ(content("fu_fs.sum").substr(0, banner.size() + 10), banner + "file_name\t");
    EXPECT_EQ(content("mismatch_sp3.sum").substr(banner.size(), 22), "Mismatch distribution\n");
}

// The header blocks are part of files read outside the program, so each one
// is pinned to the character.
TEST_F(BatchStreamsTest, HeaderBlockOfEveryFile)
{
    const std::string banner = "\n\n" + std::string(67, '-') + "\nDrovalen batch run summary file\n";
    const std::string mismatch_columns = "file_name\tpop_name\tDistance\tgamma_a\tmean\tvariance\t";
    const std::string mismatch_tail = "Mismatch distribution starting from the zero difference class\n";
    auto cut_offs = [](std::string const& low, std::string const& last) {
        return "\tnum" + low + "LociBelow_1e-3\tnum" + low + "LociBelow_5e-3\tnum" + low
               + "LociBelow_1e-2\tnum" + low + "LociBelow_2.5e-2\tnum" + last + "LociBelow_5e-2";
    };
    const struct {
        const char* file;
        std::string header;
    } cases[] = {
        {"gen_div.sum", banner + "Gene diversity indices:\nfile_name\tpop_name\tnb_gene_copies\tnb_haplotypes\t"
                                 "[orig_nb_haplotypes]\tnum_loci\t_nb_usable_loci\t_nb_pol_sites\tgene_diversity\n"},
        {"nucl_comp.sum", banner + "Nucleotide composition\nfile_name\tpop_name\tC\tT\tA\tG\tsum(CTAG)\n"},
        {"mold_div.sum", banner + "Molecular diversity indices\nfile_name\tpop_name\tindel_w\tts_w\ttv_w\t"
                                  "miss_lev\t#ts_s\t#tv_s\t#subs_s\t#del_s\t#pol_s\t#nucl_s\t#usa_loci\t"
                                  "dist_met\tgamma_a\tmol_div\tnucl_div\n"},
        {"mismatch.sum", banner + "Mismatch distribution\n" + mismatch_columns + "theta0\ttau\t" + mismatch_tail},
        {"mismatch_sp3.sum",
         banner + "Mismatch distribution\n" + mismatch_columns + "tau\ttheta\tM\t" + mismatch_tail},
        {"mismatch_sp4.sum",
         banner + "Mismatch distribution\n" + mismatch_columns + "theta0\ttau\ttheta\tM\t" + mismatch_tail},
        {"only_mismatch_sp.txt", "Mismatch distributions\n"},
        {"theta.sum", banner + "\tfile_name\n"},
        {"link_dis.sum", banner + "Linkage disequilibrium indices\nalpha_lev\ty\t#usable_loci\n"},
        {"l_d_pro.sum", banner + "Linkage disequilibrium probabilities\n"
                                 "file_name\tpop_name\tloc_1\tloc_2\t#resampl\tl_d_proba\ts.d.\n"},
        {"l_d_proIBD.sum",
         banner + "Linkage disequilibrium likelihood ration test with inbreeding\n"
                  "file_name\tpop_name\tComp_inbreeding \tlnLHoodLDf \tf_coeff_LD \tlnLHoodLEf \tf_coeff_LE\t"
                  "Chi2f \tdf \tP_Chi2f\tComp_inbreeding \tlnLHoodLDf \tf_coeff_LD \tlnLHoodLE \tf_coeff_LE\t"
                  "Chi2 \tdf \tP_Chi2\t\tP_Chi2_resamp\tnum_boot\n"},
        {"l_d_val.sum", banner + "Linkage disequilibrium values\n"
                                 "file_name\tpop_name\tloc_1\tloc_2\tD\tDprime\tD_hedrick\tR\tR2\tR2_hedrick\n"},
        {"hw.sum", banner + "Hardy-Weinberg equilibrium indices\tfile_name\tpop_name\n"},
        {"tajima.sum", banner + "Tajima's D indices:\nfile_name\tpop_name\tnum gene copies\tnum polym sites\t"
                                "theta_S\ttheta_pi\tTajima's D\tP-value beta approx.\tP-value simul.\t"
                                "Prob(Simulated D <= 0)\tNum. simulations\n"},
        {"fu_fs.sum", banner + "file_name\tpop_name\tNo. of Genes copies\tNo. of Haplotypes\tTheta\tFs\t"
                               "Prob(sim_Fs <=obs_Fs)\tP( Fs <= 0\tNo. Simulations\n"},
        {"ewens.sum", banner + "Ewens-Watterson neutrality test indices\nfile_name\tpop_name\tnb_genes\t"
                               "[nb_orig_hapl]\tnb_#all\tobs_F\texp_F\tp_Ewens_Watt\tp_exact_Slatkin\n"},
        {"chakra.sum", banner + "Chakraborty's neutrality test indices\nfile_name\tpop_name\tnb_genes\t"
                                "nb_haplotypes\thomozygosity\texp_k(hom)\tp_k_all\tp_>=k_all\n"},
        {"pairdist.sum", banner + "\tfile_name\n"},
        {"FSTdist.sum", banner + "\tfile_name\n"},
        {"VCompdist.sum", banner + "\n"},
        {"pairdiff.sum", banner + "\tfile_name\n"},
        {"tau_uneq.sum", banner + "\tfile_name\n"},
        {"coanst_c.sum", banner + "\tfile_name\n"},
        {"slatkin.sum", banner + "\tfile_name\n"},
        {"NM_value.sum", banner + "\tfile_name\n"},
        {"amovares.sum", "\nAMOVA computations ...\nfile_name\n"},
        {"allele_freqs.sum", banner + "Allele frequencies\nfile_name\nPopulation 1 id\tFreq. all. 1\t"
                                      "Freq. all. 2\t...\tPopulation 2 id\tFreq. all. 1\tFreq. all. 2\t...\n"},
        {"selectionDetection.sum", "\nDetection of loci under selection:\nfileName\tnumSims\tNumTestedLoci"
                                       + cut_offs("LowFST", "") + cut_offs("HighFCT", "HighFCT")
                                       + cut_offs("LowFCT", "") + cut_offs("HighFCT", "HighFCT") + "\n"},
    };

    std::string every_flag = "flags\n";
    for (Flag const& f : FLAGS)
        every_flag += std::string(f.name) + " ";
    start(every_flag + "\n");
    close_all_global_streams();

    std::set<std::string> expected_files;
    for (auto const& c : cases) {
        expected_files.insert(c.file);
        EXPECT_EQ(content(c.file), c.header) << c.file;
    }
    EXPECT_EQ(batch_files(), expected_files);
}

TEST_F(BatchStreamsTest, ClosingNullsEveryStream)
{
    start("flags\n_MISMATCH_ _TAJIMA_\n");
    EXPECT_NE(ofs_mismatch_sp4, nullptr);
    EXPECT_NE(ofs_tajima, nullptr);
    EXPECT_EQ(ofs_gen_div, nullptr);
    close_all_global_streams();
    EXPECT_EQ(ofs_mismatch_sp4, nullptr);
    EXPECT_EQ(ofs_only_mismatch, nullptr);
    EXPECT_EQ(ofs_tajima, nullptr);
    EXPECT_EQ(batch_dir, nullptr);
    EXPECT_EQ(_TAJIMA_, 1);  // the flags keep their values
}

TEST_F(BatchStreamsTest, UnopenableBatchFileIsNamedInAWarning)
{
    fs::create_directory(dir_ / "tajima.sum");  // a folder cannot be opened as a file
    testing::internal::CaptureStdout();
    start("flags\n_TAJIMA_\n");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("\"tajima.sum\""), std::string::npos) << out;
    ASSERT_NE(ofs_tajima, nullptr);
    EXPECT_FALSE(ofs_tajima->is_open());
    *ofs_tajima << "lost\n";  // a failed stream takes writes without harm
}

TEST_F(BatchStreamsTest, DistanceNamesAreFilledAtStart)
{
    start("flags\n");
    EXPECT_STREQ(DistanceNames[0], "Pairwise difference");
    EXPECT_STREQ(DistanceNames[3], "Proportion of difference");
    EXPECT_STREQ(DistanceNames[7], "No. of different alleles (FST)");
    EXPECT_STREQ(DistanceNames[8], "Sum of squared size difference (RST)");
    EXPECT_STREQ(DistanceNames[9], "");
    EXPECT_STREQ(UsedHaplListDefault.str, "NONE");
    EXPECT_STREQ(RecessiveAlleleDefault.str, "null");
}

}  // namespace
