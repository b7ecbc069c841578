// One simulated locus of the selection scan in a project: samples of the
// observed names and sizes, the tested structure pointed at them, and the
// mean heterozygosity within samples.

#include <gtest/gtest.h>

#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_standard.h"
#include "core/random.h"
#include "project/project.h"
#include "support/temp_log.h"

namespace {

// One group holding every sample of `samples`.
void one_group_of(Structure& structure, Samples& samples)
{
    structure.reset();
    structure.NbGroups = 1;
    structure.GroupSizes = new int[1]{samples.Populations.count};
    structure.Groups = new MY_TIArrayAsVector<Population>[1];
    structure.Groups[0].owns = 0;
    for (int i = 0; i < samples.Populations.count; ++i)
        structure.Groups[0].Add(samples.Populations.data[i]);
}

}  // namespace

class ScanSimulationsTest : public LogFolderTest {
protected:
    Project project;
    Samples observed;
    Structure observed_structure;

    void SetUp() override
    {
        long seed = -99;
        ran3(&seed);
        TNode::hits.count = 0;
        const char* names[] = {"north", "south", "east"};
        const double sizes[] = {10, 20, 30};
        for (int i = 0; i < 3; ++i) {
            Population* p = new Population(my_string(names[i]));
            p->SampleSize = sizes[i];
            observed.Populations.Add(p);
        }
        one_group_of(observed_structure, observed);
        one_group_of(*project.structure, observed);
    }
    void TearDown() override { TNode::hits.count = 0; }
};

TEST_F(ScanSimulationsTest, MicrosatelliteLocusOfTheObservedSamples)
{
    for (int r = 0; r < 20; ++r) {
        project.samples->clean();
        project.haplo_list.reset();
        int mutations = project.simulateSample(4.0, 1, STEPWISE, 0.0, 1.0, 1.0, 1.0 / 3.0, 0, 0.1,
                                               &observed, &observed_structure, 10, false);
        ASSERT_GE(mutations, 0);
        ASSERT_EQ(project.samples->Populations.count, 3);
        for (int i = 0; i < 3; ++i) {
            Population* made = project.samples->Populations[i];
            EXPECT_NE(dynamic_cast<PopulMicrosat*>(made), nullptr);
            EXPECT_STREQ(made->name.str, observed.Populations[i]->name.str);
            EXPECT_EQ(made->SampleSize, observed.Populations[i]->SampleSize);
            EXPECT_EQ(project.structure->Groups[0][i], made);
        }
        EXPECT_EQ(project.samples->NbHaploClasses, project.haplo_list.list.count);
        if (mutations == 0) {
            EXPECT_EQ(project.haplo_list.list.count, 1);
        }
    }
    // FST 1: no migration, no genealogy.
    take_log();
    EXPECT_EQ(project.simulateSample(4.0, 1, STEPWISE, 0.0, 1.0, 1.0, 1.0 / 3.0, 0, 1.0, &observed,
                                     &observed_structure, 10, false),
              -1);
    EXPECT_NE(take_log().find("\tProject::simulateSample(): Unable to simulate samples\n"),
              std::string::npos);
}

// Sizes 10 and 30 with expected heterozygosities 0.2 (9 + 1 copies) and 0.6
// (17 + 8 + 5 copies: 30/29 (1 - 378/900)) give (10 x 0.2 + 30 x 0.6)/40 = 0.5.
TEST_F(ScanSimulationsTest, MeanHeterozygosityWeightedBySampleSize)
{
    ProfileSettings::DataType = STANDARD;
    ProfileSettings::LocusSeparator = ' ';
    project.run_settings.genotypic_data = 0;
    auto sample = [&](const char* name, std::vector<std::pair<const char*, int>> alleles, int index) {
        Population p{my_string(name)};
        p.sample_index = index;
        p.alleleDB = &project.allele_db;
        for (auto const& [allele, count] : alleles) {
            HaploDef* h = new HaploDef(my_string(allele));
            h->content = allele;
            project.haplo_list.list.Add(h);
            p.haplotypes.Add(new PHaploDef(h, count));
            p.SampleSize += count;
        }
        return new PopulStandard(p);
    };
    Samples samples;
    samples.Populations.Add(sample("a", {{"1", 9}, {"2", 1}}, 0));
    samples.Populations.Add(sample("b", {{"1", 17}, {"2", 8}, {"3", 5}}, 1));
    project.build_all_vectors(project.allele_db);
    project.allele_db.create_pop_freq_vector(2);
    Structure structure;
    one_group_of(structure, samples);
    project.computeMeanHeterozygosityOverSamplesInStructure(samples, structure);
    ASSERT_EQ(project.allele_db.loci.count, 1);
    EXPECT_NEAR(project.allele_db.loci[0]->meanHetWithinSamples, 0.5, 1e-12);

    Structure empty;
    project.computeMeanHeterozygosityOverSamplesInStructure(samples, empty);
    EXPECT_EQ(project.allele_db.loci[0]->meanHetWithinSamples, 0.0);
}
