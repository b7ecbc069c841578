// The WinKesta reader and writer: a list file, its population files and a
// distance file become a project of haplotype frequencies with a genetic
// structure, and such a project becomes a WinKesta set again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "translator/translator_fixture.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class WinKestaTest : public TranslatorTest {
protected:
    std::string core = (dir / "core").string() + "/";

    void SetUp() override
    {
        TranslatorTest::SetUp();
        fs::create_directory(dir / "core");
        translator.core_dir = core.c_str();
    }

    // The reader on the list file `list`, the distance file and the prefix.
    std::string read_set(std::string const& list, const char* dist_name, const char* prefix)
    {
        translator.dist_file_name = dist_name;
        translator.pop_file_prefix = prefix;
        return read_alone(&imp_exp::read_win_kesta, "set.lst", list);
    }
};

TEST_F(WinKestaTest, SetBecomesFrequencySamplesWithAnExternalMatrixAndGroups)
{
    write_file("k_pop1.pop", "10 first pop 7\nh1 6\nh2 4\n");
    write_file("k_pop2.pop", "  8\tsecond\r\nh1 8\r\n");
    write_file("k_pop4.pop", "");
    // Found in the core directory only.
    write_file("core/kesta.dis", "h1 h2 \n   0.00000\n   1.00000   0.00000");
    std::string text = read_set("2 My \"data\"\npop1 pop2 +++ pop3\r\npop4\n\nnot a group\n",
                                "kesta.dis", "k_");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(text,
              "[Profile]\n"
              "\t Title=\"My data\"\n"
              "\t NbSamples=4\n"
              "\t GenotypicData=0\n"
              "\t DataType=FREQUENCY\n"
              "\t LocusSeparator=NONE\n"
              "\n\n"
              "[Data]\n"
              "\n"
              "\t\t[[DistanceMatrix]] \n"
              "\t\t     MatrixName=\"Generic Distmat\"\n"
              "\t\t     MatrixSize=2\n"
              "\t\t     LabelPosition=LINE \n"
              "\t\t     MatrixData=EXTERN \"" + core + "kesta.dis\"\n"
              "\n"
              "\t [[Samples]]\n"
              "# 10 first pop 7\n"
              "\t\t SampleName=\"k_pop1\"\n"
              "\t\t SampleSize=10\n"
              "\t\t SampleData={\n"
              "h1 6\nh2 4\n\n"
              "}\n\n"
              "#   8\tsecond\n"
              "\t\t SampleName=\"k_pop2\"\n"
              "\t\t SampleSize=8\n"
              "\t\t SampleData={\n"
              "h1 8\n\n"
              "}\n\n"
              "****ERROR**** Population " + core + "k_pop3.pop not found\n"
              "}\n\n"
              "# \n"
              "\t\t SampleName=\"k_pop4\"\n"
              "\t\t SampleSize=0\n"
              "\t\t SampleData={\n"
              "}\n\n"
              "     [[Structure]]\n"
              "     \tStructureName=\"Generic structure\"\n"
              "     \tNbGroups=2\n"
              "     \tIndividualLevel=0\n"
              "\t\tGroup={\n"
              "\"k_pop1\"\n\"k_pop2\"\n"
              "}\n \t\tGroup={\n"
              "\"k_pop3\"\n"
              "}\n \t\tGroup={\n"
              "\"k_pop4\"\n"
              "}\n\n");
}

TEST_F(WinKestaTest, ListWithoutGroupLinesGivesNoSample)
{
    write_file("kesta.dis", "\n");
    std::string text = read_set("1 Nothing\n\npop1\n", "kesta.dis", "k_");
    EXPECT_THAT(text, HasSubstr("\t NbSamples=0\n"));
    // A label line without labels still gives a matrix of size 1.
    EXPECT_THAT(text, HasSubstr("\t\t     MatrixSize=1\n"));
    EXPECT_THAT(text, HasSubstr("\t [[Samples]]\n     [[Structure]]\n"));
    EXPECT_THAT(text, HasSubstr("\t\tGroup={\n}\n\n"));
}

TEST_F(WinKestaTest, LongLinesAndLongFirstWordsAreReadWhole)
{
    write_file("kesta.dis", "h1\n0\n");
    std::string names, members;
    for (int i = 0; i < 1500; ++i) {
        std::string name = "pop" + std::to_string(10000 + i);
        names += name + "\t";
        members += "\"k_" + name + "\"\n";
    }
    std::string haplotype = "h1 " + std::string(12000, '7') + "\n";
    write_file("k_pop11499.pop", "3 last\n" + haplotype);
    std::string text = read_set("000000000002 groups\n" + names + "\n", "kesta.dis", "k_");
    EXPECT_THAT(text, HasSubstr("\t Title=\"groups\"\n\t NbSamples=1500\n"));
    EXPECT_THAT(text, HasSubstr("     \tNbGroups=2\n"));
    EXPECT_THAT(text, HasSubstr("\t\tGroup={\n" + members + "}\n\n"));
    EXPECT_THAT(text, HasSubstr("\t\t SampleSize=3\n\t\t SampleData={\n" + haplotype + "\n}\n"));
}

TEST_F(WinKestaTest, SourceFilesThatCannotBeOpenedStopTheImport)
{
    write_file("set.lst", "1 Set\npop1\n");
    write_file("kesta.dis", "h1\n0\n");
    struct Case {
        int format;
        std::string input;
        const char* dist_name;
        std::string named;  // in the log
    };
    std::string folder = dir.string() + "/";
    const std::vector<Case> cases = {
        {FORMAT_PHYLIP, "none.phy", "", folder + "none.phy"},
        {FORMAT_MEGA, "none.meg", "", folder + "none.meg"},
        {FORMAT_WINKESTA, "none.lst", "kesta.dis", folder + "none.lst"},
        {FORMAT_WINKESTA, "set.lst", "none.dis", "none.dis"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.named);
        translator.dist_file_name = c.dist_name;
        import_file(c.format, (dir / c.input).string());
        EXPECT_EQ(status, 0);
        EXPECT_THAT(take_log(),
                    HasSubstr("\n\t\tTranslator is unable to open the input file " + c.named + "\n"));
    }
}

const char* const FREQUENCY_PROJECT =
    "[Profile]\n  Title=\"Kesta\"  NbSamples=3  GenotypicData=0\n"
    "  DataType=FREQUENCY  LocusSeparator=NONE\n"
    "[Data]\n"
    "[[DistanceMatrix]]\n  MatrixName=\"dists.dis\"  MatrixSize=3\n"
    "  MatrixData={\nh1 h2 h3\n0\n1.5 0\n2 1500.25 0\n}\n"
    "[[Samples]]\n"
    "  SampleName=\"a/b_north\"  SampleSize=10\n  SampleData={\nh1 6\nh2 4\n}\n"
    "  SampleName=\"north_b\"  SampleSize=8\n  SampleData={\nh1 2\nh3 6\n}\n"
    "  SampleName=\"south\"  SampleSize=5\n  SampleData={\nh2 5\n}\n"
    "[[Structure]]\n  StructureName=\"s\"  NbGroups=2\n"
    "  Group={\n\"a/b_north\"\n\"north_b\"\n}\n  Group={\n\"south\"\n}\n";

TEST_F(WinKestaTest, WriterMakesPopulationAndDistanceFilesAndTheList)
{
    ASSERT_TRUE(open_project(FREQUENCY_PROJECT));
    project.samples->Populations.data[0]->SampleSize = 24.9;
    project.samples->Populations.data[1]->SampleSize = 24.85;
    EXPECT_EQ(write_alone(&imp_exp::write_win_kesta),
              "2 Kesta\n"
              "1 2 \n"
              "3 \n"
              "\n"
              "  Some distances of dists.dis fill their field of 10 characters:\n"
              "  a blank separates each of them from the value before it.\n");
    EXPECT_EQ(status, 1);
    // The stem is the first five characters of the first sample's name, kept
    // in the working directory.
    EXPECT_EQ(read_text(dir / "a_b_n1.pop"), "25 a/b_north\nh1  6\nh2  4\n");
    EXPECT_EQ(read_text(dir / "a_b_n2.pop"), "24 north_b\nh1  2\nh3  6\n");
    EXPECT_EQ(read_text(dir / "a_b_n3.pop"), "5 south\nh2  5\n");
    EXPECT_EQ(read_text(dir / "dists.dis"),
              "h1 h2 h3 \n"
              "   0.00000\n"
              "   1.50000   0.00000\n"
              "   2.00000 1500.25000   0.00000");
}

TEST_F(WinKestaTest, WriterRefusesProjectsWithoutStructureOrMatrixOrWithGenotypes)
{
    std::string unstructured = FREQUENCY_PROJECT;
    unstructured.erase(unstructured.find("[[Structure]]"));
    std::string without_matrix = FREQUENCY_PROJECT;
    std::size_t matrix = without_matrix.find("[[DistanceMatrix]]");
    without_matrix.erase(matrix, without_matrix.find("[[Samples]]") - matrix);
    std::string genotypic_text =
        "[Profile]\n  Title=\"G\"  NbSamples=1  GenotypicData=1\n  DataType=STANDARD\n"
        "[Data]\n[[Samples]]\n  SampleName=\"a\"  SampleSize=2\n  SampleData={\n i1 1 x\n y\n}\n";
    struct Case {
        const char* name;
        std::string project_text;
        const char* refusal;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"no structure", unstructured,
         "\tNo genetic structure has been defined, it makes therefore no sense to\n"
         " build a WinKesta file.\n",
         "\t\tNo genetic structure has been defined, it makes therefore no sense to build a "
         "WinKesta file.\n"},
        // The structure is tested first.
        {"genotypic without structure", genotypic_text,
         "\tNo genetic structure has been defined, it makes therefore no sense to\n"
         " build a WinKesta file.\n",
         "\t\tNo genetic structure has been defined, it makes therefore no sense to build a "
         "WinKesta file.\n"},
        {"genotypic",
         genotypic_text + "[[Structure]]\n  StructureName=\"s\"  NbGroups=1\n  Group={\n\"a\"\n}\n",
         "    WinKesta accepts only Haplotypic data format, the\n"
         "    source data file contained Genoytypic data\n",
         "\t\tWinKesta accepts only Haplotypic data format, the source data file contained "
         "Genoytypic data\n"},
        // A distance file without distances would give a set that cannot be read.
        {"no distance matrix", without_matrix,
         "  No distance matrix has been defined, and a WinKesta data set\n"
         "  needs the distances between its haplotypes.\n",
         "\t\tNo distance matrix has been defined, and a WinKesta data set needs the distances "
         "between its haplotypes.\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(export_text(FORMAT_WINKESTA, c.project_text), c.refusal);
        EXPECT_EQ(status, WRITER_REFUSED);
        std::string log = take_log();
        EXPECT_THAT(log, HasSubstr(c.logged));
        EXPECT_THAT(log, Not(HasSubstr("done.")));
        EXPECT_FALSE(fs::exists(dir / "a1.pop"));
        EXPECT_FALSE(fs::exists(dir / "a_b_n1.pop"));
        EXPECT_FALSE(fs::exists(dir / "dists.dis"));
        EXPECT_FALSE(fs::exists(dir / "dist_mat.dis"));
    }
}

TEST_F(WinKestaTest, SetWrittenAndReadBackGivesTheSameSamplesGroupsAndMatrixSize)
{
    std::string list = export_text(FORMAT_WINKESTA, FREQUENCY_PROJECT);
    ASSERT_EQ(status, 1);
    std::string text = read_set(list, "dists.dis", "a_b_n");
    // The title after the number of groups is the project's, as it was.
    EXPECT_THAT(text, StartsWith("[Profile]\n\t Title=\"Kesta\"\n\t NbSamples=3\n"));
    EXPECT_THAT(text, HasSubstr("MatrixSize=3\n"));

    ASSERT_TRUE(open_project(text)) << text;
    Samples& samples = *project.samples;
    ASSERT_EQ(samples.Populations.count, 3);
    const std::vector<std::string> expected = {"h1 6 h2 4 ", "h1 2 h3 6 ", "h2 5 "};
    for (int i = 0; i < 3; ++i) {
        Population& sample = *samples.Populations.data[i];
        EXPECT_EQ(std::string(sample.name.str), "a_b_n" + std::to_string(i + 1));
        std::string haplotypes;
        for (int h = 0; h < sample.haplotypes.count; ++h)
            haplotypes += std::string(sample.haplotypes.data[h]->haplotype->id.str) + " "
                          + std::to_string(sample.haplotypes.data[h]->count) + " ";
        EXPECT_EQ(haplotypes, expected[i]);
    }
    Structure& structure = *project.structure;
    ASSERT_EQ(structure.NbGroups, 2);
    EXPECT_EQ(structure.Groups[0].count, 2);
    EXPECT_EQ(structure.Groups[1].count, 1);
    EXPECT_EQ(structure.Groups[1].data[0], samples.Populations.data[2]);
    EXPECT_EQ(project.dist_mat.size, 3);
    EXPECT_DOUBLE_EQ(project.dist_mat(2, 1), 1500.25);
}

} // namespace
