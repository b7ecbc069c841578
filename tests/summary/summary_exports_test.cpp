// The exports of the summary report on tables set by hand: the cell
// coordinates of multidimensional spectra and the bootstrap draws, the
// allele-frequency files, and the spectra where the pooled table and the
// project's allele database disagree, spectra too large to hold, exact
// cells and files that cannot be created. Expected values are worked by hand.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "analyses/datatypes/popul_standard.h"
#include "app/settings.h"
#include "core/random.h"
#include "model/allele_db.h"
#include "project/project.h"
#include "project/samples.h"
#include "summary/sfs_coord.h"
#include "summary/summary_exports.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

class ExportsTest : public LogFolderTest {
protected:
    Project project;
    settings& s = project.run_settings;
    Samples& samples = *project.samples;
    TAlleleDB db;  // the project's allele database

    void SetUp() override
    {
        ProfileSettings::DataType = STANDARD;
        samples.MissingData = '?';
        s.results_file = (dir / "p.res" / "p.htm").c_str();
        s.project_dir = (dir.string() + "/").c_str();
        s.append_results = 0;
        s.allele_db = &db;
        settings::input_file = (dir / "p.res" / "p.drp").c_str();
        fs::create_directory(dir / "p.res");
        PopGenetics::globalAllelicDB.destroy();
    }

    void TearDown() override
    {
        PopGenetics::globalAllelicDB.destroy();
        s.allele_db = nullptr;
    }

    void add_sample(const char* name, double size)
    {
        auto* p = new PopulStandard();
        p->name = name;
        p->SampleSize = size;
        samples.Populations.Add(p);
    }

    // The loci of the project's database: the recessive slot, then the
    // alleles with their frequency in each sample.
    using Alleles = std::vector<std::pair<const char*, std::vector<double>>>;
    void project_loci(std::vector<Alleles> const& loci)
    {
        for (std::size_t l = 0; l < loci.size(); ++l) {
            db.InsertAllPos(static_cast<int>(l), my_string("null"), 0.0);
            for (auto const& entry : loci[l])
                db.InsertAllPos(static_cast<int>(l), my_string(entry.first), 1.0);
        }
        db.create_pop_freq_vector(samples.Populations.count);
        for (std::size_t l = 0; l < loci.size(); ++l)
            for (auto const& [name, freqs] : loci[l])
                for (std::size_t p = 0; p < freqs.size(); ++p)
                    db(static_cast<int>(l), my_string(name))->pop_freq[p] = freqs[p];
    }

    static void pooled_locus(int l, std::vector<const char*> const& names)
    {
        for (const char* name : names)
            PopGenetics::globalAllelicDB.InsertAllPos(l, my_string(name), 1.0);
    }

    std::string result(std::string const& name) const { return read_text(dir / "p.res" / name); }
};

// ---- Cell coordinates and bootstrap draws ----

std::vector<int> strides(TSFSCoord const& c)
{
    return std::vector<int>(c.mult.data, c.mult.data + c.ndim);
}

int flat(TSFSCoord& c, std::vector<int> const& d)
{
    for (std::size_t p = 0; p < d.size(); ++p)
        c.coord[static_cast<long>(p)] = d[p];
    return c.index();
}

TEST_F(ExportsTest, CellCoordinatesInBothOrders)
{
    struct Case {
        std::vector<double> sizes;
        std::vector<int> init, row_major;
    };
    for (Case const& c : std::vector<Case>{{{4, 2, 1}, {1, 5, 15}, {6, 2, 1}},
                                            {{2.5, 1}, {1, 3}, {2, 1}},  // 1 x 3.5 truncated
                                            {{7}, {1}, {1}}}) {
        SCOPED_TRACE(c.sizes.size());
        samples.Populations.Flush();
        for (double size : c.sizes)
            add_sample("S", size);
        TSFSCoord first, last;
        first.init(&samples);
        last.initRowMajor(&samples);
        EXPECT_EQ(strides(first), c.init);
        EXPECT_EQ(strides(last), c.row_major);
    }
    samples.Populations.Flush();
    for (double size : {4, 2, 1})
        add_sample("S", size);
    TSFSCoord first, last;
    first.init(&samples);
    last.initRowMajor(&samples);
    EXPECT_EQ(flat(first, {1, 2, 1}), 26);
    EXPECT_EQ(flat(first, {4, 2, 1}), 29);
    EXPECT_EQ(flat(last, {1, 2, 1}), 11);
    EXPECT_EQ(flat(last, {4, 2, 1}), 29);

    std::vector<double> halves(30, 0.0), one(30, 0.0);
    incOneHalfMultiSFS(halves.data(), last);
    incOneHalfMultiSFS(halves.data(), last);
    incMultiSFS(one.data(), last);
    EXPECT_EQ(halves, one);
    EXPECT_EQ(one[29], 1.0);
}

TEST_F(ExportsTest, BootstrapDrawsContinueTheOneStream)
{
    int single = 7;
    bootstrapLoci(&single, 1);
    EXPECT_EQ(single, 0);

    long restart = -31;
    ran3(&restart);
    std::vector<int> a(50), b(50);
    bootstrapLoci(a.data(), 50);
    bootstrapLoci(b.data(), 50);
    EXPECT_NE(a, b);
    for (int i : a)
        EXPECT_TRUE(i >= 0 && i < 50) << i;

    // The same seed gives the same table, drawn as (int)(u n) from the
    // continued stream: the call restarts nothing.
    restart = -31;
    ran3(&restart);
    long go_on = 1;
    std::vector<int> expected;
    for (int i = 0; i < 50; ++i)
        expected.push_back(static_cast<int>(ran3(&go_on) * 50));
    std::vector<int> again(50);
    restart = -31;
    ran3(&restart);
    bootstrapLoci(again.data(), 50);
    EXPECT_EQ(again, a);
    EXPECT_EQ(again, expected);
}

// ---- Allele-frequency files ----

// Sample 1: 100 and 98 once each; sample 2: 100 once, 102 twice, and a rare
// allele 7 of frequency 1/80000. The pooled table lists 104, which the
// project's database lacks, and a second locus that it lacks altogether.
class AlleleFrequencyFiles : public ExportsTest {
protected:
    void SetUp() override
    {
        ExportsTest::SetUp();
        add_sample("North", 2);
        add_sample("South", 3);
        project_loci({{{"98", {0.5, 0.0}},
                       {"102", {0.0, 2.0 / 3}},
                       {"100", {0.5, 1.0 / 3}},
                       {"7", {0.0, 1.25e-05}}}});
        pooled_locus(0, {"98", "102", "104", "100", "7"});
        pooled_locus(1, {"A"});
    }
};

TEST_F(AlleleFrequencyFiles, TablesInByteOrderWithAbsentAllelesAtZero)
{
    samples.computeAndOutputAlleFreqPerPop(s);
    EXPECT_EQ(result("PopNames.txt"), "Pop_1\tNorth\nPop_2\tSouth\n");
    EXPECT_EQ(read_text(dir / "AllAlleleFreqs.txt"),
              "Locus_1\t100\t0.5\t0.33333\t\n"
              "Locus_1\t102\t0\t0.66667\t\n"
              "Locus_1\t104\t0\t0\t\n"
              "Locus_1\t7\t0\t1.25e-05\t\n"
              "Locus_1\t98\t0.5\t0\t\n"
              "Locus_2\tA\t0\t0\t\n");
    EXPECT_EQ(result("AllFreqLocus_1.txt"),
              "      Allele       Pop_1       Pop_2\n"
              "         100     0.50000     0.33333\n"
              "         102     0.00000     0.66667\n"
              "         104     0.00000     0.00000\n"
              "           7     0.00000     0.00001\n"
              "          98     0.50000     0.00000\n");
    EXPECT_EQ(result("AllFreqLocus_2.txt"),
              "      Allele       Pop_1       Pop_2\n"
              "           A     0.00000     0.00000\n");
    // The pooled table stays sorted.
    TLocus const& pooled = *PopGenetics::globalAllelicDB.loci.data[0];
    EXPECT_STREQ(pooled.alleles.data[0]->name.str, "100");
    EXPECT_STREQ(pooled.alleles.data[4]->name.str, "98");
    EXPECT_EQ(log_text(), "");
}

TEST_F(AlleleFrequencyFiles, AppendFlagExtendsTablesAndReplacesKey)
{
    s.append_results = 1;
    samples.computeAndOutputAlleFreqPerPop(s);
    samples.computeAndOutputAlleFreqPerPop(s);
    EXPECT_EQ(result("PopNames.txt"), "Pop_1\tNorth\nPop_2\tSouth\n");
    std::string table = result("AllFreqLocus_1.txt");
    EXPECT_EQ(count_of(table, "      Allele       Pop_1       Pop_2\n"), 2);
    EXPECT_EQ(count_of(table, "         100     0.50000     0.33333\n"), 2);
    EXPECT_EQ(count_of(read_text(dir / "AllAlleleFreqs.txt"), "Locus_1\t100\t0.5\t0.33333\t\n"), 2);

    s.append_results = 0;
    samples.computeAndOutputAlleFreqPerPop(s);
    EXPECT_EQ(count_of(result("AllFreqLocus_1.txt"), "Allele"), 1);
}

TEST_F(AlleleFrequencyFiles, FileThatCannotBeCreatedIsNamedOnce)
{
    s.project_dir = (dir.string() + "/no such folder/").c_str();
    samples.computeAndOutputAlleFreqPerPop(s);
    std::string log = log_text();
    EXPECT_EQ(count_of(log, "WARNING"), 1) << log;
    EXPECT_THAT(log, HasSubstr("unable to create " + dir.string() + "/no such folder/AllAlleleFreqs.txt"));
    EXPECT_THAT(result("AllFreqLocus_1.txt"), HasSubstr("         100     0.50000     0.33333\n"));
}

// ---- Spectra where the tables disagree ----

// One sample of 8 gene copies. Site 1: the project's locus holds 1 (4
// copies), 0 (3) and 2 (1) while the pooled table lists only 0 and 1: the
// minor allele is 2, derived, so the minor cell is d = 8 - 3 = 5 (taking
// the pooled table's count of alleles, 0 would be the minor allele, cell 3).
// Site 2: the pooled table lists 0, 1 and 3, the project's locus only 1:
// no allele 0 there, so d = 8, and the minor allele 1 gives cell 8.
TEST_F(ExportsTest, MinorAlleleFromTheProjectLocusAndAbsentAllelesAtZero)
{
    add_sample("Only", 8);
    project_loci({{{"1", {0.5}}, {"0", {0.375}}, {"2", {0.125}}}, {{"1", {1.0}}}});
    pooled_locus(0, {"0", "1"});
    pooled_locus(1, {"0", "1", "3"});
    s.ComputePopSFS = 1;
    s.NumBootSFS = 0;
    samples.computeAndOutputSFS(s);
    EXPECT_EQ(result("p_DAFpop0.obs"),
              "1 observation\nd1_0\td1_1\td1_2\td1_3\td1_4\td1_5\td1_6\td1_7\td1_8\n"
              "0\t0\t0\t0\t0\t1\t0\t0\t1\n");
    EXPECT_EQ(result("p_MAFpop0.obs"),
              "1 observation\nd1_0\td1_1\td1_2\td1_3\td1_4\td1_5\td1_6\td1_7\td1_8\n"
              "0\t0\t0\t0\t0\t1\t0\t0\t1\n");
}

// 41^7 = 1.9e11 cells exceed the int range of the flat index: one warning
// naming the sizes, no multidimensional output in any pass, the rest written.
TEST_F(ExportsTest, MultidimensionalSpectrumTooLargeIsSkipped)
{
    for (int p = 0; p < 7; ++p)
        add_sample("S", 40);
    s.ComputePopSFS = s.ComputeMultiSFS = 1;
    s.NumBootSFS = 1;
    samples.computeAndOutputSFS(s);
    std::string log = log_text();
    EXPECT_EQ(count_of(log, "WARNING"), 1) << log;
    EXPECT_THAT(log, HasSubstr("sample sizes 40, 40, 40, 40, 40, 40, 40"));
    EXPECT_FALSE(fs::exists(dir / "p.res" / "p_DSFS.obs"));
    EXPECT_FALSE(fs::exists(dir / "p.res" / "bootSFS" / "p_0" / "p_MSFS.obs"));
    EXPECT_TRUE(fs::exists(dir / "p.res" / "p_DAFpop6.obs"));
    EXPECT_TRUE(fs::exists(dir / "p.res" / "bootSFS" / "p_0" / "p_MAFpop6.obs"));
    EXPECT_STREQ(settings::message, "Finished computing SFS...");
}

// A pair of samples of 50,000 gene copies has 50,001^2 = 2.5e9 joint cells,
// beyond the int range of the flat index: that pair is skipped with one
// warning over both passes; the pairs with the small sample are written.
TEST_F(ExportsTest, JointSpectrumTooLargeIsSkippedPairByPair)
{
    add_sample("Big1", 50000);
    add_sample("Big2", 50000);
    add_sample("Small", 2);
    s.ComputeJointSFS = 1;
    s.NumBootSFS = 1;
    samples.computeAndOutputSFS(s);
    std::string log = log_text();
    EXPECT_EQ(count_of(log, "WARNING"), 1) << log;
    EXPECT_THAT(log, HasSubstr("joint SFS of samples 1 and 0 too large for the sample sizes "
                               "50000, 50000; not written"));
    for (const char* folder : {"", "bootSFS/p_0/"}) {
        const fs::path out = dir / "p.res" / folder;
        EXPECT_FALSE(fs::exists(out / "p_jointDAFpop1_0.obs"));
        EXPECT_FALSE(fs::exists(out / "p_jointMAFpop1_0.obs"));
        EXPECT_TRUE(fs::exists(out / "p_jointDAFpop2_0.obs"));
        EXPECT_TRUE(fs::exists(out / "p_jointMAFpop2_1.obs"));
    }
    EXPECT_TRUE(fs::exists(dir / "p.res" / "p_numPolymSites.obs"));
}

// Cells are counts of sites, or sums of ones and halves: written exactly,
// never in exponent form.
TEST(SpectrumCells, WrittenExactly)
{
    const std::pair<double, const char*> cases[] = {
        {0.0, "0"}, {12.0, "12"}, {2.5, "2.5"}, {1000001.0, "1000001"},
        {1000000.5, "1000000.5"}, {123456789.0, "123456789"},
    };
    for (auto const& [cell, text] : cases)
        EXPECT_EQ(summary_exports::spectrum_cell(cell), text) << cell;
}

TEST_F(ExportsTest, NegativeReplicateCountWritesNothing)
{
    add_sample("Only", 2);
    s.ComputePopSFS = s.ComputeJointSFS = s.ComputeMultiSFS = 1;
    s.NumBootSFS = -1;
    std::strcpy(settings::message, "");
    samples.computeAndOutputSFS(s);
    EXPECT_TRUE(fs::is_empty(dir / "p.res"));
    EXPECT_STREQ(settings::message, "Finished computing SFS...");
}

TEST_F(ExportsTest, SpectrumFileThatCannotBeCreatedIsNamed)
{
    add_sample("Only", 2);
    s.results_file = (dir / "gone" / "p.htm").c_str();
    s.ComputePopSFS = 1;
    s.NumBootSFS = 0;
    samples.computeAndOutputSFS(s);
    std::string log = log_text();
    EXPECT_EQ(count_of(log, "WARNING"), 2) << log;
    EXPECT_THAT(log, HasSubstr("unable to create " + (dir / "gone" / "p_DAFpop0.obs").string()));
    EXPECT_THAT(log, HasSubstr("unable to create " + (dir / "gone" / "p_MAFpop0.obs").string()));
}

}  // namespace
