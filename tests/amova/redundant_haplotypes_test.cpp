// Haplotypes defined twice: the classes of identical haplotypes, the report
// and the merging within samples, and what the check puts back.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "amova/redundant_haplotypes.h"
#include "amova/results_file_fixture.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;

namespace {

// d(A,B) = d(B,C) = 0 but d(A,C) = 1, as missing data make it: the chain
// joins all three, then A and C are split off and B keeps A's class.
TEST(IdenticalHaplotypeClasses, IntransitiveZeroDistances)
{
    MY_TIArrayAsVector<HaploDef> list;
    for (const char* id : {"A", "B", "C"}) {
        HaploDef* h = new HaploDef(my_string(id));
        h->matrix_index = list.count;
        list.Add(h);
    }
    DistMat d(3);
    d(1, 0) = 0.0;
    d(2, 1) = 0.0;
    d(2, 0) = 1.0;
    EXPECT_EQ(identical_haplotype_classes(list, d), (std::vector<int>{0, 0, 2}));
    d(2, 0) = 0.0;
    EXPECT_EQ(identical_haplotype_classes(list, d), (std::vector<int>{0, 0, 0}));
}

class RedundantHaplotypesTest : public ResultsFileTest {
protected:
    // Sample "North" holds ACGT under the ids h1 and h2, and ACGA; "South"
    // holds ACGA and h2.
    void two_samples_one_sequence_twice()
    {
        Population& north = haplotypic_sample("North", {{"ACGT", 2}, {"ACGA", 1}});
        haplotypic_sample("South", {{"ACGA", 3}});
        HaploDef* twin = new HaploDef(my_string("h2"));
        twin->content = "ACGT";
        twin->count = 4;
        project.haplo_list.list.Add(twin);
        north.haplotypes.Add(new PHaploDef(twin, 3));
        north.SampleSize += 3;
        north.num_haplotypes += 1;
        project.samples->Populations.data[1]->haplotypes.Add(new PHaploDef(twin, 1));
        build_vectors();
    }

    std::vector<std::pair<std::string, int>> records(int sample)
    {
        std::vector<std::pair<std::string, int>> out;
        MY_TIArrayAsVector<PHaploDef>& h = project.samples->Populations.data[sample]->haplotypes;
        for (int r = 0; r < h.count; ++r)
            out.push_back({h.data[r]->haplotype->id.str, h.data[r]->count});
        return out;
    }
};

TEST_F(RedundantHaplotypesTest, MergedUnderTheEarlierIdWhenAsked)
{
    two_samples_one_sequence_twice();
    s.ComputeDistanceMatrixAMOVA = 1;
    s.InferHaplotypeDefinitionFromDistanceMatrix = 1;
    s.ComputeConventionalFST = 1;
    EXPECT_EQ(project.eliminate_redond_haplodef(), 1);
    EXPECT_EQ(ProfileSettings::DataType, DNA);
    EXPECT_EQ(s.ComputeConventionalFST, 1);
    using Records = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(records(0), (Records{{"id_ACGT", 5}, {"id_ACGA", 1}}));
    EXPECT_EQ(records(1), (Records{{"id_ACGA", 3}, {"h2", 1}}));
    std::string text = results_text();
    EXPECT_THAT(text, HasSubstr("== Checking for haplotypes shared among populations:\n"));
    EXPECT_THAT(text, HasSubstr("== Population : North\n===============\n"));
    EXPECT_THAT(text, HasSubstr("Haplotype frequency distribution among the samples:"));
    EXPECT_THAT(log_text(), HasSubstr("Checking haplotype redundancy from a computed distance"));
}

TEST_F(RedundantHaplotypesTest, ReportOnlyLeavesTheSamplesAsTheyAre)
{
    two_samples_one_sequence_twice();
    s.EliminateRedondHaplodefs = 1;
    s.ComputeDistanceMatrixAMOVA = 1;
    EXPECT_EQ(project.eliminate_redond_haplodef(), 1);
    using Records = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(records(0), (Records{{"id_ACGT", 2}, {"id_ACGA", 1}, {"h2", 3}}));
    // The computed matrix stays for the caller, which empties it.
    EXPECT_EQ(project.dist_mat.size, 3);
    EXPECT_EQ(project.dist_mat(2, 0), 0.0);
}

// A matrix given in the project is put back, on success and on failure.
TEST_F(RedundantHaplotypesTest, ProjectMatrixPutBack)
{
    two_samples_one_sequence_twice();
    s.ComputeDistanceMatrixAMOVA = 0;
    DistMat& d = project.dist_mat;
    d.initializeMatrixAndArrays(3);
    d(1, 0) = 7.0;
    d(2, 0) = 8.0;
    EXPECT_EQ(project.eliminate_redond_haplodef(), 1);
    EXPECT_EQ(d(1, 0), 7.0);
    EXPECT_EQ(d(2, 0), 8.0);

    // Frequencies tied by labels that name no haplotype: ERROR 135.
    use_profile(FREQUENCY, 0, 1);
    d(2, 0) = 0.0;  // would join two haplotypes
    log_text();
    EXPECT_EQ(project.eliminate_redond_haplodef(), 0);
    EXPECT_THAT(log_text(), HasSubstr("\"Project::eliminate_redond_haplodef()\" : haplotype list "
                                      "incompatible with distance matrix"));
    EXPECT_EQ(d(2, 0), 0.0);
    EXPECT_EQ(d(1, 0), 7.0);
    EXPECT_EQ(d.size, 3);
    EXPECT_EQ(d.constant_mode, 0);
    // The check clears the constant mode for its tie; a failure puts it back.
    d.constant_mode = 1;
    EXPECT_EQ(project.eliminate_redond_haplodef(), 0);
    EXPECT_EQ(d.constant_mode, 1);
}

}  // namespace
