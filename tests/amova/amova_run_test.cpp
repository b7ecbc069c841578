// The project's global AMOVA: the populations numbered in structure order,
// the haplotype list tied to the matrix rows, and what stops the analysis.

#include <gtest/gtest.h>

#include <string>

#include "amova/amova_fixture.h"

namespace {

class ProjectAmovaTest : public AmovaTest {
protected:
    int run_project_amova()
    {
        return project.AMOVA(project.dist_mat, project.haplo_list, *project.samples,
                             *project.structure, project.allele_db, &record);
    }
};

// Groups {3, 1} and {2} of samples 1 .. 4 number 3, 1, 2 as 0, 1, 2 and the
// ungrouped sample 4 last; a computed matrix takes the haplotype ids as labels.
TEST_F(ProjectAmovaTest, NumbersSamplesInStructureOrderAndLabelsAComputedMatrix)
{
    matrix(3);
    for (int i = 0; i < 3; ++i)
        project.dist_mat.labels[i] = "";
    sample({{0, 2}});
    sample({{1, 2}});
    sample({{2, 1}, {0, 1}});
    sample({{1, 1}});
    groups({{2, 0}, {1}});
    s.ComputeDistanceMatrixAMOVA = 1;
    s.TaskNumber = settings::AMOVA;
    s.HaplAMOVA = 1;

    EXPECT_EQ(run_project_amova(), 1);

    std::vector<int> indices;
    for (int i = 0; i < 4; ++i)
        indices.push_back(project.samples->Populations.data[i]->sample_index);
    EXPECT_EQ(indices, (std::vector<int>{1, 2, 0, 3}));
    for (int i = 0; i < 3; ++i)
        EXPECT_STREQ(project.dist_mat.labels[i].str, ("h" + std::to_string(i)).c_str());
    EXPECT_EQ(s.current_samples, project.samples);
    EXPECT_EQ(s.current_distance_matrix, &project.dist_mat);
    EXPECT_EQ(record.amova_case, 3);  // groups of populations
    EXPECT_NE(results_text().find("No. of Groups = 2\n"), std::string::npos);
}

// A project's own matrix must label every haplotype of the list.
TEST_F(ProjectAmovaTest, ProjectMatrixMissingAHaplotypeStopsTheAnalysis)
{
    matrix(3);
    project.dist_mat.labels[2] = "other";
    sample({{0, 2}});
    sample({{1, 1}, {2, 1}});
    groups({{0, 1}});
    s.TaskNumber = settings::AMOVA;
    s.HaplAMOVA = 1;
    take_log();

    EXPECT_EQ(run_project_amova(), 0);

    std::string log = take_log();
    EXPECT_NE(log.find("WARNING # 2] from function \"Project::AMOVA()\" : haplotype list "
                       "incompatible with distance matrix\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(results_text().find("AMOVA ANALYSIS"), std::string::npos);
    EXPECT_EQ(record.amova_case, 0);
}

// A structure unfit for an AMOVA stops it, unless the pairwise comparisons
// are still wanted.
TEST_F(ProjectAmovaTest, UnfitStructureStopsAllButThePairwiseComparisons)
{
    matrix(2);
    sample({{0, 2}});
    sample({{1, 2}});
    groups({{0}, {1}});
    s.HaplAMOVA = 1;
    for (int task : {0x200, 0x600}) {
        SCOPED_TRACE(task);
        s.TaskNumber = task;
        take_log();
        EXPECT_EQ(run_project_amova(), task & settings::PAIRWISE_FST ? 1 : 0);
        std::string log = take_log();
        EXPECT_NE(log.find("\"Project::AMOVA()\" : project contains invalid data after check"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("Computing pairwise Fst's") != std::string::npos,
                  (task & settings::PAIRWISE_FST) != 0);
    }
}

}  // namespace
