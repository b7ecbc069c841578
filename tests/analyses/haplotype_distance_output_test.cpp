// The distances between a sample's haplotypes in the results (matrix, list
// of haplotypes, spanning network) and the 0/1 matrix of conventional
// F-statistics with its distance file.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "analyses/typed_sample_fixture.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class HaplotypeDistanceOutputTest : public TypedSampleTest {
protected:
    std::string printed(PopGenetics& p)
    {
        std::string path = (dir / "out.htm").string();
        {
            std::fstream out(path, std::ios::out);
            p.print_out_dist_mat(&out, s);
        }
        return read_text(path);
    }

    static void name_haplotypes(PopGenetics& p, std::vector<const char*> const& ids)
    {
        for (size_t k = 0; k < ids.size(); ++k)
            p.haplotypes.data[k]->haplotype->id = ids[k];
    }

    std::string dis_file(PopGenetics& p)
    {
        return read_text(dir / (std::string(p.get_small_name().str) + ".dis"));
    }
};

// One transversion in four sites: distance 1, s.d. sqrt(3/4) above the diagonal.
TEST_F(HaplotypeDistanceOutputTest, MatrixListAndNetworkOfTwoSequences)
{
    PopulDNA& p = dna({{"ACGT", 2}, {"ACGG", 1}});
    name_haplotypes(p, {"h1", "h2"});
    p.evaluate_polymorphism(s);
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
    s.PrintHaplDistMat = 1;
    s.PrintMinSpannNetworkPop = 1;
    std::string text = printed(p);
    EXPECT_THAT(text, HasSubstr("\nInter-haplotypic distance matrix (s.d. above diagonal):\n\n"
                                "              h1      h2\n\n"
                                "      h1          0.8660\n"
                                "      h2  1.0000        \n"
                                "\n"
                                "\nList of Haplotypes:\n\n"
                                "      h1 : ACGT\n"
                                "      h2 : ACGG\n\n"));
    EXPECT_THAT(text, HasSubstr("MINIMUM SPANNING TREE between        2 OTUs\n"));
    EXPECT_THAT(text, HasSubstr("\n   OTU 1     OTU 2    Connection length\n"
                                "   =====     =====    =================\n"
                                "      h1        h2             1.00000\n\n"
                                "\n-------------------------------------------\n"
                                "NEXUS notation for MST"));
    EXPECT_THAT(text, HasSubstr("tree dna_MST = [&amp;U] (h1:0, h2:1.00000);\nend;\n"));
    EXPECT_THAT(text, HasSubstr("     OTU    List of alternative links\n"
                                "     ===    =========================\n\n"));
    EXPECT_THAT(log_text(), HasSubstr("\t\t\tWriting matrix to file ...\n"));
}

TEST_F(HaplotypeDistanceOutputTest, OneHaplotypeAndLongIds)
{
    PopulDNA& one = dna({{"ACGT", 2}});
    name_haplotypes(one, {"h1"});
    ASSERT_EQ(one.compute_distance_matrix(nullptr, &s, 0), 1);
    s.PrintHaplDistMat = 1;
    s.PrintMinSpannNetworkPop = 1;
    std::string text = printed(one);
    EXPECT_THAT(text, HasSubstr("              h1\n\n      h1        \n\n"));
    EXPECT_THAT(text, HasSubstr("=================\n\n\n----"));  // no tree link
    EXPECT_THAT(text, HasSubstr("[&amp;U] h1;\nend;\n"));

    // A 10-character id widens every column to 14.
    PopulDNA& two = dna({{"ACGT", 1}, {"TCGT", 1}});
    name_haplotypes(two, {"h1", "abcdefghij"});
    ASSERT_EQ(two.compute_distance_matrix(nullptr, &s, 0), 1);
    text = printed(two);
    EXPECT_THAT(text, HasSubstr("\n" + std::string(9, ' ') + "OTU 1  " + std::string(9, ' ')
                                + "OTU 2    Connection length\n"));
    EXPECT_THAT(text, HasSubstr("\n            h1 : ACGT\n    abcdefghij : TCGT\n"));
}

// Allele counts carry no s.d.: nothing on or above the diagonal.
TEST_F(HaplotypeDistanceOutputTest, MicrosatelliteMatrixHasNoUpperTriangle)
{
    PopulMicrosat& p = allele_sample<PopulMicrosat>(MICROSAT, {{"100 102", 1}, {"100 104", 1}});
    name_haplotypes(p, {"a", "b"});
    p.take_distance_settings(s, 0, 0.0);  // loci with different alleles
    p.evaluate_polymorphism(s);
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
    s.PrintHaplDistMat = 1;
    EXPECT_THAT(printed(p), HasSubstr("               a       b\n\n"
                                      "       a\n"
                                      "       b  1.0000\n\n"));
}

// Usable loci only, and a missing allele differs from nothing.
TEST_F(HaplotypeDistanceOutputTest, ConventionalDistancesAndTheirFile)
{
    s.results_dir = (dir.string() + "/").c_str();
    s.AllowedLevelOfMissingData = 0.3;
    // Locus 3 is missing in 2 of 4 copies: unusable.
    PopulMicrosat& p = allele_sample<PopulMicrosat>(
        MICROSAT, {{"100 102 7", 1}, {"100 ? 8", 1}, {"104 102 ?", 1}, {"100 102 ?", 1}});
    s.TaskNumber = settings::PAIRWISE_DISTANCES;
    s.ComputeConventionalFST = 1;
    p.test_methods(s);
    ASSERT_NE(p.HaplDistMat, nullptr);
    RectMat const& d = *p.HaplDistMat;
    EXPECT_EQ(d(1, 0), 0.0);  // differ at the missing allele and the unusable locus
    EXPECT_EQ(d(2, 0), 1.0);  // 100 against 104
    EXPECT_EQ(d(2, 1), 1.0);
    EXPECT_EQ(d(3, 0), 0.0);
    EXPECT_EQ(d(3, 2), 1.0);
    EXPECT_EQ(dis_file(p),
              "          0.0000  0.0000  0.0000\n"
              "  0.0000          0.0000  0.0000\n"
              "  1.0000  1.0000          0.0000\n"
              "  0.0000  0.0000  1.0000        \n");
    std::string log = log_text();
    EXPECT_THAT(log, HasSubstr("\t\tBeginning distance computations ...\n\t\tdone ! ("));
    EXPECT_THAT(log, HasSubstr("\t\tWriting matrix to file ...\n"));
}

TEST_F(HaplotypeDistanceOutputTest, ConventionalFailuresKeepTheMatrix)
{
    s.results_dir = (dir.string() + "/no_folder/").c_str();
    PopulDNA& p = dna({{"ACGT", 1}, {"ACGG", 1}});
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
    RectMat* before = p.HaplDistMat;
    p.num_haplotypes = 0;
    std::ofstream nowhere;
    EXPECT_EQ(p.compute_dist_mat_for_conventional_FST(nowhere, &s), 0);
    EXPECT_EQ(p.HaplDistMat, before);
    EXPECT_THAT(log_text(), HasSubstr("compute_dist_mat_for_conventional_FST()\" : haplotype "
                                      "list is empty"));
    // The distance file of the section cannot be made: reported, the
    // matrix computed all the same.
    s.TaskNumber = settings::PAIRWISE_DISTANCES;
    s.ComputeConventionalFST = 1;
    p.num_haplotypes = 2;
    p.test_methods(s);
    ASSERT_NE(p.HaplDistMat, nullptr);
    EXPECT_EQ((*p.HaplDistMat)(1, 0), 1.0);
    std::string log = log_text();
    EXPECT_THAT(log, HasSubstr("no_folder/dna.dis\""));
    EXPECT_THAT(log, HasSubstr("unable to write distance matrix output file"));
    EXPECT_THAT(log, Not(HasSubstr("Writing matrix to file")));
}

TEST_F(HaplotypeDistanceOutputTest, FrequenciesGetAConstantMatrixAndAnEmptyFile)
{
    s.results_dir = (dir.string() + "/").c_str();
    PopulStandard& p = allele_sample<PopulStandard>(FREQUENCY, {{"x", 3}, {"y", 1}, {"z", 1}});
    s.TaskNumber = settings::PAIRWISE_DISTANCES;
    s.ComputeConventionalFST = 1;
    p.test_methods(s);
    ASSERT_NE(p.HaplDistMat, nullptr);
    EXPECT_EQ(p.HaplDistMat->constant_mode, 1);
    EXPECT_EQ((*p.HaplDistMat)(2, 1), 1.0);
    EXPECT_EQ((*p.HaplDistMat)(2, 2), 0.0);
    EXPECT_EQ(dis_file(p), "");
}

}  // namespace
