// Group-level pooling: one pooled sample per group of the structure and a
// flat structure of one group holding them all.

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "project/run_fixture.h"

namespace {

class GroupPoolingTest : public RunFixture {
protected:
    Samples pooled;
    Structure flat;

    void pool()
    {
        static_cast<ProfileSettings&>(pooled) = *project.samples;
        project.poolSamplesInGroups(*project.samples, *project.structure, pooled, flat);
    }

    Population& group(int i) { return *pooled.Populations.data[i]; }

    // {definition id, count} of each record of a sample.
    static std::vector<std::pair<std::string, int>> records(Population const& p)
    {
        std::vector<std::pair<std::string, int>> out;
        for (int i = 0; i < p.haplotypes.count; ++i)
            out.emplace_back(p.haplotypes.data[i]->haplotype->id.str, p.haplotypes.data[i]->count);
        return out;
    }
};

TEST_F(GroupPoolingTest, GroupsOfTwoOneAndFourSamples)
{
    const char* names[] = {"a", "b", "c", "d", "e", "f", "g"};
    for (int i = 0; i < 7; ++i)
        haplotypic_sample(names[i], {{"AC", i + 1}});
    haplotypic_sample("outside", {{"GG", 9}});
    set_groups(*project.structure, {{0, 1}, {2}, {3, 4, 5, 6}});

    pool();

    ASSERT_EQ(pooled.Populations.count, 3);
    const double sizes[] = {1 + 2, 3, 4 + 5 + 6 + 7};
    for (int g = 0; g < 3; ++g) {
        SCOPED_TRACE(g);
        EXPECT_EQ(std::string(group(g).name.str), "Group" + std::to_string(g + 1));
        EXPECT_EQ(group(g).sample_index, g);
        EXPECT_EQ(group(g).SampleSize, sizes[g]);
        EXPECT_TRUE(group(g).group_level_sample);
        EXPECT_EQ(typeid(group(g)), typeid(PopulDNA));
    }
    EXPECT_EQ(std::string(flat.StructureName.str), "Pooled flat structure");
    EXPECT_EQ(flat.NbGroups, 1);
    EXPECT_EQ(flat.NbMembers, 3);
    ASSERT_NE(flat.Groups, nullptr);
    EXPECT_EQ(flat.GroupSizes[0], 3);
    EXPECT_EQ(flat.Groups[0].owns, 0);
    ASSERT_EQ(flat.Groups[0].count, 3);
    for (int g = 0; g < 3; ++g)
        EXPECT_EQ(flat.Groups[0].data[g], &group(g));

    // The sources are only read.
    EXPECT_EQ(project.samples->Populations.count, 8);
    EXPECT_EQ(project.samples->Populations.data[0]->SampleSize, 1);
    EXPECT_EQ(project.samples->Populations.data[0]->haplotypes.data[0]->count, 1);
}

TEST_F(GroupPoolingTest, EqualHaplotypesOfAGroupAreMerged)
{
    haplotypic_sample("a", {{"AC", 2}, {"GT", 1}});
    haplotypic_sample("b", {{"GT", 3}, {"CC", 1}});
    haplotypic_sample("c", {{"AC", 5}});
    set_groups(*project.structure, {{0, 1}, {2}});

    pool();

    ASSERT_EQ(pooled.Populations.count, 2);
    EXPECT_EQ(records(group(0)),
              (std::vector<std::pair<std::string, int>>{{"h_AC", 2}, {"h_GT", 4}, {"h_CC", 1}}));
    EXPECT_EQ(records(group(1)), (std::vector<std::pair<std::string, int>>{{"h_AC", 5}}));
}

// Counts that add past 2^31 - 1 in the group: the record is held at the
// largest count, never wrapped, and the group's size keeps the true total
// (1,400,000,000 + 1,200,000,000 + 5) for the size gate of the analyses.
TEST_F(GroupPoolingTest, CountsBeyondTheLargestRecordCount)
{
    haplotypic_sample("a", {{"AC", 1400000000}});
    haplotypic_sample("b", {{"AC", 1200000000}, {"GT", 5}});
    set_groups(*project.structure, {{0, 1}});
    pool();
    ASSERT_EQ(pooled.Populations.count, 1);
    EXPECT_EQ(records(group(0)),
              (std::vector<std::pair<std::string, int>>{{"h_AC", 2147483647}, {"h_GT", 5}}));
    EXPECT_EQ(group(0).SampleSize, 2600000005.0);
}

TEST_F(GroupPoolingTest, EmptyGroupsAndNoGroups)
{
    haplotypic_sample("a", {{"AC", 2}});
    set_groups(*project.structure, {{}, {0}});
    pool();
    ASSERT_EQ(pooled.Populations.count, 2);
    EXPECT_EQ(group(0).haplotypes.count, 0);
    EXPECT_EQ(group(0).SampleSize, 0);
    EXPECT_EQ(group(1).SampleSize, 2);

    Samples none;
    Structure flat_of_none;
    set_groups(*project.structure, {});
    project.poolSamplesInGroups(*project.samples, *project.structure, none, flat_of_none);
    EXPECT_EQ(none.Populations.count, 0);
    EXPECT_EQ(flat_of_none.NbGroups, 1);
    ASSERT_NE(flat_of_none.Groups, nullptr);
    EXPECT_EQ(flat_of_none.Groups[0].count, 0);
    EXPECT_EQ(flat_of_none.GroupSizes[0], 0);
}

TEST_F(GroupPoolingTest, PooledSamplesTakeTheClassOfTheDataType)
{
    struct Case {
        TDataType type;
        std::string class_name;
    };
    const std::vector<Case> cases = {
        {DNA, typeid(PopulDNA).name()},
        {RFLP, typeid(PopulRFLP).name()},
        {MICROSAT, typeid(PopulMicrosat).name()},
        {STANDARD, typeid(PopulStandard).name()},
        {FREQUENCY, typeid(PopulStandard).name()},
    };
    haplotypic_sample("a", {{"1", 2}});
    set_groups(*project.structure, {{0}});
    for (Case const& c : cases) {
        SCOPED_TRACE(c.class_name);
        ProfileSettings::DataType = c.type;
        Samples samples;
        Structure structure;
        project.poolSamplesInGroups(*project.samples, *project.structure, samples, structure);
        ASSERT_EQ(samples.Populations.count, 1);
        EXPECT_EQ(typeid(*samples.Populations.data[0]).name(), c.class_name);
    }
}

TEST_F(GroupPoolingTest, IndividualsBecomeHaplotypeRecords)
{
    use_profile(STANDARD, 1, 1);
    genotypic_sample("a", {{"1 2", "1 3", 2}});
    genotypic_sample("b", {{"1 2", "2 2", 1}});
    set_groups(*project.structure, {{0, 1}});
    ASSERT_EQ(project.haplo_list.list.count, 0);

    pool();

    ASSERT_EQ(pooled.Populations.count, 1);
    Population& g = group(0);
    EXPECT_EQ(g.SampleSize, 6);
    EXPECT_EQ(g.individuals.phenotypes.count, 2);
    EXPECT_EQ(project.haplo_list.list.count, 3);  // "1 2", "1 3" and "2 2" entered the list
    int copies = 0;
    for (int i = 0; i < g.haplotypes.count; ++i)
        copies += g.haplotypes.data[i]->count;
    EXPECT_EQ(copies, 6);
    EXPECT_EQ(project.phenotypes_converted, 1);
    // The project's own individuals are left as they are.
    EXPECT_EQ(project.samples->Populations.data[0]->haplotypes.count, 0);
}

}  // namespace
