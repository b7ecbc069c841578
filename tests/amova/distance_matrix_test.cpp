// The distance matrix between the haplotypes of the project's list: the
// distances counted by hand, the constant matrix of conventional
// F-statistics, the settings it borrows, its failure, and the report on the
// loci with missing data.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "amova/distance_matrix.h"
#include "amova/results_file_fixture.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class DistanceMatrixTest : public ResultsFileTest {
protected:
    struct Borrowed {
        int task, method, infer;
        double gamma;
        bool operator==(Borrowed const& o) const
        {
            return task == o.task && method == o.method && infer == o.infer && gamma == o.gamma;
        }
    };
    Borrowed borrowed() const
    {
        return {s.TaskNumber, s.DistanceMethodAMOVA, s.InferHaplotypeDefinitionFromDistanceMatrix,
                s.GammaAValueAMOVA};
    }
};

TEST_F(DistanceMatrixTest, DnaDistancesCountedByHand)
{
    haplotypic_sample("A", {{"ACGTAC", 2}, {"ACGAAC", 1}});
    haplotypic_sample("B", {{"TCGAAC", 3}, {"ACGTAC", 1}});
    build_vectors();
    s.TaskNumber = settings::AMOVA | settings::MANTEL_TEST;
    s.HaplAMOVA = 1;
    s.DistanceMethodAMOVA = 3;
    s.GammaAValueAMOVA = 0.5;
    s.InferHaplotypeDefinitionFromDistanceMatrix = 1;
    Borrowed before = borrowed();
    ASSERT_EQ(project.calc_dist_matrix(0, 0.0), 1);
    EXPECT_EQ(borrowed(), before);
    DistMat& d = project.dist_mat;
    EXPECT_EQ(d.size, 3);
    EXPECT_EQ(d.n, 3);
    EXPECT_EQ(d.constant_mode, 0);
    EXPECT_EQ(d(1, 0), 1.0);  // ACGTAC - ACGAAC
    EXPECT_EQ(d(2, 0), 2.0);  // ACGTAC - TCGAAC
    EXPECT_EQ(d(2, 1), 1.0);
    EXPECT_EQ(d(0, 0), 0.0);
    EXPECT_EQ(project.dist_work_pop, nullptr);
    EXPECT_THAT(results_text(), HasSubstr("\nNumber of usable loci for distance computation : 6"));
}

TEST_F(DistanceMatrixTest, OneHaplotypeGivesAZeroMatrixOfOneRow)
{
    haplotypic_sample("A", {{"ACGT", 4}});
    build_vectors();
    ASSERT_EQ(project.calc_dist_matrix(0, 0.0), 1);
    EXPECT_EQ(project.dist_mat.size, 1);
    EXPECT_EQ(project.dist_mat.n, 1);
    EXPECT_EQ(project.dist_mat(0, 0), 0.0);
    // Neither AMOVA nor pairwise FST asked: no report.
    EXPECT_EQ(results_text(), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "MissDataPerLocus.txt"));
}

TEST_F(DistanceMatrixTest, ConventionalFStatisticsOfFrequencies)
{
    use_profile(FREQUENCY, 0, 1);
    haplotypic_sample("A", {{"h1", 2}, {"h2", 1}});
    haplotypic_sample("B", {{"h3", 2}});
    s.ComputeConventionalFST = 1;
    s.TaskNumber = settings::PAIRWISE_FST;
    ASSERT_EQ(project.calc_dist_matrix(0, 0.0), 1);
    DistMat& d = project.dist_mat;
    EXPECT_EQ(d.constant_mode, 1);
    EXPECT_EQ(d.n, 2);
    EXPECT_EQ(d.size, 3);
    EXPECT_EQ(d(2, 1), 1.0);
    EXPECT_EQ(d(2, 2), 0.0);
    EXPECT_EQ(results_text(), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "MissDataPerLocus.txt"));
}

// Labels of a matrix of another size would be read past their end.
TEST_F(DistanceMatrixTest, LabelsOfAnotherSizeAreDropped)
{
    project.dist_mat.initializeMatrixAndArrays(2);
    project.dist_mat.labels[0] = "x";
    haplotypic_sample("A", {{"ACGT", 1}, {"ACGG", 1}, {"TCGG", 1}});
    build_vectors();
    ASSERT_EQ(project.calc_dist_matrix(0, 0.0), 1);
    EXPECT_EQ(project.dist_mat.labels, nullptr);
    std::ostringstream out;
    out << project.dist_mat;
    EXPECT_THAT(out.str(), HasSubstr("MatrixSize= 3\n"));
}

// No haplotype, no matrix: ERROR 136, the old matrix and the settings stay.
TEST_F(DistanceMatrixTest, FailureKeepsTheOldMatrixAndTheSettings)
{
    haplotypic_sample("A", {{"ACGT", 1}, {"ACGG", 1}});
    build_vectors();
    ASSERT_EQ(project.calc_dist_matrix(0, 0.0), 1);
    Haplo_DB empty;
    s.TaskNumber = settings::PAIRWISE_FST;
    Borrowed before = borrowed();
    log_text();
    EXPECT_EQ(project.calc_dist_matrix(empty, 0, 0.0), 0);
    EXPECT_EQ(borrowed(), before);
    EXPECT_THAT(log_text(), HasSubstr("\"Project::calc_dist_matrix()\" : distance matrix could "
                                      "not be computed"));
    EXPECT_EQ(project.dist_mat.size, 2);
    EXPECT_EQ(project.dist_mat(1, 0), 1.0);
    EXPECT_EQ(project.dist_work_pop, nullptr);
}

// ---- the report on usable loci ----

std::string report(std::vector<int> const& usable)
{
    PopGenetics sample;
    int L = static_cast<int>(usable.size());
    sample.LocusUsable = new int[L > 0 ? L : 1];
    for (int k = 0; k < L; ++k) {
        sample.LocusUsable[k] = usable[k];
        sample.NumUsableLoci += usable[k];
    }
    std::ostringstream out;
    write_missing_data_report(out, sample, 0.05, L);
    return out.str();
}

std::string numbers(int from, int to)
{
    std::string text;
    char cell[16];
    for (int k = from; k <= to; ++k) {
        std::snprintf(cell, sizeof cell, "%4d  ", k);
        text += cell;
    }
    return text;
}

TEST(MissingDataReport, LinesOfFifteenLoci)
{
    const std::string second_head = "\n\nList of loci with too much missing data :"
                                    "\n-----------------------------------------\n\n";
    const struct {
        const char* what;
        std::vector<int> usable;
        std::string usable_list, unusable_list;
    } cases[] = {
        {"30 usable", std::vector<int>(30, 1),
         numbers(1, 15) + "\n" + numbers(16, 30) + "\n", "NONE"},
        // After the 15th number each unusable locus adds a line break.
        {"15 usable then 2 unusable", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0},
         numbers(1, 15) + "\n\n\n", numbers(16, 17)},
        {"none usable", {0, 0, 0}, "NONE", numbers(1, 3)},
        {"no locus", {}, "NONE", "NONE"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.what);
        int n = 0;
        for (int u : c.usable)
            n += u;
        EXPECT_EQ(report(c.usable),
                  "\nNumber of usable loci for distance computation : " + std::to_string(n)
                      + "\nAllowed level of missing data                  : 0.05"
                        "\n\nList of usable loci :\n---------------------\n"
                      + c.usable_list + second_head + c.unusable_list + "\n\n");
    }
}

// Site 3 is missing in 2 of 4 gene copies (more than allowed), site 5 in 1.
TEST_F(DistanceMatrixTest, MissingDataFileInTheResultFolder)
{
    haplotypic_sample("A", {{"ACGTA", 2}, {"AC?TA", 1}});
    haplotypic_sample("B", {{"AC?T?", 1}});
    build_vectors();
    s.TaskNumber = settings::PAIRWISE_FST;
    s.AllowedLevelOfMissingData = 0.3;
    ASSERT_EQ(project.calc_dist_matrix(0, 0.0), 1);
    EXPECT_EQ(read_text(dir / "MissDataPerLocus.txt"),
              "Locus#\tFreq. missing data\n1\t0\n2\t0\n3\t0.5\n4\t0\n5\t0.25\n");
    EXPECT_THAT(results_text(), HasSubstr("   1     2     4     5  \n\nList of loci with too much "
                                          "missing data :\n---"));
}

TEST_F(DistanceMatrixTest, UncreatableMissingDataFileIsReported)
{
    haplotypic_sample("A", {{"ACGTA", 2}, {"ACGTT", 1}});
    build_vectors();
    s.TaskNumber = settings::PAIRWISE_FST;
    s.results_file = (dir.string() + "/no_such_folder/run.htm").c_str();
    EXPECT_EQ(project.calc_dist_matrix(0, 0.0), 1);
    std::string log = log_text();
    EXPECT_THAT(log, HasSubstr("no_such_folder/MissDataPerLocus.txt"));
    EXPECT_THAT(log, HasSubstr("#[WARNING # 1] from function \"Project::calc_dist_matrix()\""));
}

}  // namespace
