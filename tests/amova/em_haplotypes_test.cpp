// Haplotypes of recessive standard data estimated anew for an AMOVA: the
// frequencies of the EM against their maximum-likelihood values worked by
// hand, the records, list and distance matrix made from them, the settings
// put back, and the failure when no haplotype could be estimated.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "amova/amova_fixture.h"
#include "core/random.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class EMHaplotypesTest : public AmovaTest {
protected:
    void SetUp() override
    {
        AmovaTest::SetUp();
        use_profile(STANDARD, 1, 0, 1);
        s.ComputeAllHaplotypesEM = 1;
        s.ComputeAllAllelesEM = 0;
        s.estimate_haplotypes = 0;
        s.EMUseZipper = 0;
        s.EMEstimateInbreedingCoeff = 0;
        s.EMCheckPhenRedundancy = 0;
        s.CompactHaplotypeDataBaseEM = 0;
        s.MaximumNumOfIterationsEM = 5000;
        s.EpsilonValue = 1e-12;
        s.DistanceMethodAMOVA = 0;
        s.InitialConditionsEM = 2;
        s.NumBootstrapReplicatesEM = 7;
        s.ComputeAllSubHaplotypesEM = 1;
        s.RecessiveAllelesEM = 0;
        long seed = -54;
        ran3(&seed);
    }

    // One locus, one character per allele; the recessive allele enters the
    // allele database first, then every individual's gene copies.
    void one_locus_samples()
    {
        // 1/1 x4, 1/2 x2, 2/2 x4: the apparent homozygotes may hide the
        // recessive allele r. By symmetry p1 = p2 = p and r = 1 - 2p; the
        // log-likelihood 4 ln(p^2 + 2pr) x2 + 2 ln(2p^2) has its maximum at
        // 8/p - 24/(2 - 3p) + 4/p = 0, p = 0.4, r = 0.2: 8, 8 and 4 of the
        // 20 gene copies.
        genotypic_sample("A", {{"1", "1", 4}, {"1", "2", 2}, {"2", "2", 4}});
        // Only 1/1 x5: ln L = 5 ln(p (2 - p)) grows up to p = 1, so the
        // recessive allele's frequency falls towards 0: all 10 copies "1".
        genotypic_sample("B", {{"1", "1", 5}});
        groups({{0, 1}});
        for (int i = 0; i < 2; ++i) {
            Population* p = project.samples->Populations.data[i];
            p->alleleDB = &project.allele_db;
            p->RecessiveAllelesEM = 1;
            p->make_all_blanks(0);
            p->build_allele_vectors(0);
            p->amovaList = &p->geneCopies;
        }
    }

    std::unique_ptr<Amova> analysis()
    {
        s.TaskNumber = 0;
        std::unique_ptr<Amova> a = make_amova();
        a->popTable = {project.samples->Populations.data[0],
                       project.samples->Populations.data[1]};
        return a;
    }

    // A population's AMOVA records as allele name -> copies.
    static std::map<std::string, int> records(Population const& p)
    {
        std::map<std::string, int> r;
        for (int i = 0; i < p.amovaList->count; ++i) {
            PHaploDef const* rec = p.amovaList->data[i];
            r[rec->haplotype->content.str] += static_cast<int>(rec->count);
        }
        return r;
    }
};

TEST_F(EMHaplotypesTest, FrequenciesRecordsAndMatrixFromTheIndividuals)
{
    one_locus_samples();
    std::unique_ptr<Amova> a = analysis();
    s.TaskNumber = settings::AMOVA;
    ASSERT_EQ(a->Calc_new_EM_haplo(project), 1);
    // The EM's own lines: ln L = 10 ln(0.32) at p = 0.4, r = 0.2, where
    // every phenotype has probability 0.32.
    char lnL[64];
    std::snprintf(lnL, sizeof lnL, "LogLHood  : %.10f\n", 10 * std::log(0.32));
    const std::string out = results_text();
    EXPECT_THAT(out, HasSubstr(lnL));
    EXPECT_THAT(out, HasSubstr("  0.400000    0.000000\t2\n"));

    const std::string r = project.profile.RecessiveAllele.str;
    EXPECT_THAT(out, HasSubstr("  0.200000    0.000000\t" + r + "\n"));
    Population& A = *project.samples->Populations.data[0];
    Population& B = *project.samples->Populations.data[1];
    EXPECT_EQ(records(A), (std::map<std::string, int>{{"1", 8}, {"2", 8}, {r, 4}}));
    EXPECT_EQ(records(B), (std::map<std::string, int>{{"1", 10}}));
    EXPECT_EQ(A.haplotypes.count, 0) << "no record is left pointing at the old list";

    // The pooled list: one definition per haplotype, its total count, tied
    // to the matrix row of its position.
    Haplo_DB const& list = project.haplo_list;
    ASSERT_EQ(list.list.count, 3);
    std::map<std::string, double> totals;
    for (int i = 0; i < 3; ++i) {
        totals[list.list.data[i]->content.str] = list.list.data[i]->count;
        EXPECT_EQ(list.list.data[i]->matrix_index, i);
    }
    EXPECT_EQ(totals, (std::map<std::string, double>{{"1", 18}, {"2", 8}, {r, 4}}));

    // One locus: two different haplotypes differ at one locus.
    ASSERT_EQ(project.dist_mat.size, 3);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < i; ++j)
            EXPECT_EQ(project.dist_mat(i, j), 1.0) << i << "," << j;
    EXPECT_EQ(A.numMatrixHaplos, 3);
    EXPECT_EQ(B.numMatrixHaplos, 3);

    // The settings of the estimation are the caller's again.
    EXPECT_EQ(s.TaskNumber, settings::AMOVA);
    EXPECT_EQ(s.InitialConditionsEM, 2);
    EXPECT_EQ(s.NumBootstrapReplicatesEM, 7);
    EXPECT_EQ(s.ComputeAllSubHaplotypesEM, 1);
    EXPECT_EQ(s.RecessiveAllelesEM, 0);
    EXPECT_EQ(project.dist_work_pop, nullptr);
}

// Without the EM asked for, no haplotype is estimated: the empty list gives
// no matrix, reported once, from the AMOVA.
TEST_F(EMHaplotypesTest, NoEstimatedHaplotypeIsReportedFromTheAmova)
{
    one_locus_samples();
    s.ComputeAllHaplotypesEM = 0;
    std::unique_ptr<Amova> a = analysis();
    log_text();
    EXPECT_EQ(a->Calc_new_EM_haplo(project), 0);
    std::string log = log_text();
    EXPECT_THAT(log, HasSubstr("\"Amova::Calc_new_EM_haplo()\" : distance matrix could not be "
                               "computed"));
    EXPECT_THAT(log, Not(HasSubstr("Project::calc_dist_matrix()")));
    EXPECT_EQ(project.haplo_list.list.count, 0);
}

// Other data types keep their haplotypes and matrix.
TEST_F(EMHaplotypesTest, OnlyStandardData)
{
    one_locus_samples();
    matrix(2);
    ProfileSettings::DataType = DNA;
    std::unique_ptr<Amova> a = analysis();
    EXPECT_EQ(a->Calc_new_EM_haplo(project), 0);
    EXPECT_EQ(project.haplo_list.list.count, 2);
    EXPECT_EQ(project.dist_mat.size, 2);
}

}  // namespace
