// A population sample: construction, copies, emptying and short names; and
// the construction, copies and emptying of the records it is made of.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/allele_db.h"
#include "model/haplo_db.h"
#include "model/population.h"

namespace {

// A project's haplotype list with one three-locus definition whose alleles
// are in an allele database, and a sample that uses it.
class PopulationTest : public ::testing::Test {
protected:
    TAlleleDB db;
    Haplo_DB list;
    HaploDef* h1 = nullptr;

    void SetUp() override
    {
        h1 = new HaploDef(my_string("h1"));
        h1->content = "ACG";
        list.list.Add(h1);
        h1->build_haplovect(&db, 0, 0, 1.0);
        ASSERT_EQ(h1->haplovect.count, 3);
    }

    // Every member that a copy handles one way or another is given a value.
    void fill(Population& p)
    {
        p.name = "pop";
        p.sample_index = 4;
        p.SampleSize = 5;
        p.inv_sample_size = 0.2;
        p.num_haplotypes = 1;
        p.haplotypes.Add(new PHaploDef(h1, 5));
        for (int i = 0; i < 2; i++)
            p.geneCopies.Add(new PHaploDef(h1, 1));
        TPhenotype* individual = new TPhenotype(my_string("ind1"), 1.0);
        individual->gene_copy[0] = "ACG";
        p.individuals.phenotypes.Add(individual);
        p.estimated_haplotypes.haplotypes.Add(new TPopHaplotype(' '));
        p.renew_polymorphism_flags(3);
        p.locus_polymorphic[0] = p.locus_polymorphic[2] = 1;
        p.permCounts = new double[2]{5, 0};
        p.presentHaplos = new int[1]{0};
        p.numPresentHaplos = 1;
        p.alleleDB = &db;
        p.HaplotypesFromGenotypes = 1;
        p.group_level_sample = true;
        p.ld_deg_freedom = 2;
        p.RecessiveAllelesEM = 1;
        p.ssdWithinSum = 8;
        p.xCoord = 1.5;
        p.yCoord = -2;
        p.profile.Title = "project";
    }
};

TEST_F(PopulationTest, ANewSampleIsEmpty)
{
    ProfileSettings profile;
    profile.NbLoci = 1;
    profile.LociLabels = new my_string[1]{"L1"};
    Population p(my_string("pop"), 3, profile);
    EXPECT_STREQ(p.name.str, "pop");
    EXPECT_EQ(p.sample_index, 3);
    EXPECT_EQ(p.SampleSize, 0);
    EXPECT_EQ(p.haplotypes.capacity, 10);
    EXPECT_EQ(p.haplotypes.delta, 100);
    EXPECT_EQ(p.individuals.phenotypes.capacity, 10);
    EXPECT_EQ(p.locus_polymorphic, nullptr);
    EXPECT_EQ(p.permCounts, nullptr);
    EXPECT_EQ(p.alleleDB, nullptr);
    EXPECT_FALSE(p.group_level_sample);
    ASSERT_NE(p.profile.LociLabels, profile.LociLabels);  // a copy of its own
    EXPECT_STREQ(p.profile.LociLabels[0].str, "L1");

    Population unnamed;
    EXPECT_STREQ(unnamed.name.str, "");
    EXPECT_EQ(unnamed.sample_index, -1);
}

TEST_F(PopulationTest, ACopyKeepsTheDataButNotTheWorkingState)
{
    Population source;
    fill(source);
    Population copy(source);

    EXPECT_STREQ(copy.name.str, "pop");
    EXPECT_EQ(copy.sample_index, 4);
    EXPECT_EQ(copy.SampleSize, 5);
    EXPECT_EQ(copy.inv_sample_size, 0.2);
    EXPECT_EQ(copy.num_haplotypes, 1);
    ASSERT_EQ(copy.haplotypes.count, 1);
    EXPECT_NE(copy.haplotypes[0], source.haplotypes[0]);  // a record of its own
    EXPECT_EQ(copy.haplotypes[0]->haplotype, h1);          // on the same definition
    EXPECT_EQ(copy.haplotypes[0]->count, 5);
    ASSERT_EQ(copy.individuals.phenotypes.count, 1);
    EXPECT_NE(copy.individuals.phenotypes[0], source.individuals.phenotypes[0]);
    EXPECT_STREQ(copy.individuals.phenotypes[0]->gene_copy[0].str, "ACG");
    EXPECT_EQ(copy.estimated_haplotypes.haplotypes.count, 1);
    ASSERT_NE(copy.locus_polymorphic, nullptr);
    EXPECT_NE(copy.locus_polymorphic, source.locus_polymorphic);
    EXPECT_EQ(std::vector<int>(copy.locus_polymorphic, copy.locus_polymorphic + 3),
              (std::vector<int>{1, 0, 1}));
    EXPECT_TRUE(copy.group_level_sample);
    EXPECT_EQ(copy.ld_deg_freedom, 2);
    EXPECT_EQ(copy.RecessiveAllelesEM, 1);
    EXPECT_EQ(copy.ssdWithinSum, 8);
    EXPECT_EQ(copy.xCoord, 1.5);
    EXPECT_EQ(copy.yCoord, -2);
    EXPECT_STREQ(copy.profile.Title.str, "project");

    // Not copied: gene-copy records, allele database, permutation vectors and
    // the converted flag.
    EXPECT_EQ(copy.geneCopies.count, 0);
    EXPECT_EQ(copy.alleleDB, nullptr);
    EXPECT_EQ(copy.permCounts, nullptr);
    EXPECT_EQ(copy.presentHaplos, nullptr);
    EXPECT_EQ(copy.numPresentHaplos, 0);
    EXPECT_EQ(copy.HaplotypesFromGenotypes, 0);

    // Assigning over a filled sample releases what it held first.
    Population target;
    fill(target);
    target = copy;
    EXPECT_EQ(target.geneCopies.count, 0);
    EXPECT_EQ(target.permCounts, nullptr);
    EXPECT_EQ(target.haplotypes.count, 1);
}

TEST_F(PopulationTest, AGenotypicCopyHasNoPolymorphismFlags)
{
    Population source;
    source.individuals.phenotypes.Add(new TPhenotype(my_string("ind1"), 1.0));
    std::fill_n(source.renew_polymorphism_flags(3), 3, 1);
    Population copy(source);
    EXPECT_EQ(copy.locus_polymorphic, nullptr);
    EXPECT_EQ(copy.individuals.phenotypes.count, 1);
}

TEST_F(PopulationTest, PolymorphismFlagsAreReadWithinTheirLength)
{
    Population p;
    EXPECT_FALSE(p.is_locus_polymorphic(0));  // no flags yet
    int* flags = p.renew_polymorphism_flags(3);
    flags[0] = flags[2] = 1;
    const struct {
        int locus;
        bool polymorphic;
    } cases[] = {{-1, false}, {0, true}, {1, false}, {2, true}, {3, false}, {100, false}};
    for (auto const& c : cases)
        EXPECT_EQ(p.is_locus_polymorphic(c.locus), c.polymorphic) << "locus " << c.locus;
    EXPECT_EQ(p.num_locus_flags, 3);
    p.renew_polymorphism_flags(0);
    EXPECT_EQ(p.locus_polymorphic, nullptr);
    EXPECT_EQ(p.num_locus_flags, 0);
    EXPECT_FALSE(p.is_locus_polymorphic(0));
}

TEST_F(PopulationTest, SelfAssignmentChangesNothing)
{
    Population p;
    fill(p);
    int* flags = p.locus_polymorphic;
    Population& same = p;
    p = same;
    EXPECT_EQ(p.locus_polymorphic, flags);
    EXPECT_EQ(p.haplotypes.count, 1);
    EXPECT_EQ(p.geneCopies.count, 2);
    EXPECT_EQ(p.alleleDB, &db);
}

TEST_F(PopulationTest, CleanEmptiesTheDataAndKeepsTheSample)
{
    Population p;
    fill(p);
    p.clean();
    EXPECT_STREQ(p.name.str, "pop");
    EXPECT_EQ(p.sample_index, 4);
    EXPECT_EQ(p.SampleSize, 5);
    EXPECT_EQ(p.haplotypes.count, 0);
    EXPECT_EQ(p.haplotypes.capacity, 10);
    EXPECT_EQ(p.geneCopies.count, 0);
    EXPECT_EQ(p.individuals.phenotypes.count, 0);
    EXPECT_EQ(p.estimated_haplotypes.haplotypes.count, 0);
    EXPECT_EQ(p.locus_polymorphic, nullptr);
    EXPECT_EQ(p.permCounts, nullptr);
    EXPECT_EQ(list.list.count, 1);  // the definitions belong to the list

    fill(p);
    p.initialize();
    EXPECT_STREQ(p.name.str, "");
    EXPECT_EQ(p.sample_index, -1);
    EXPECT_EQ(p.SampleSize, 0);
    EXPECT_EQ(p.alleleDB, nullptr);
    EXPECT_FALSE(p.group_level_sample);
    EXPECT_EQ(p.HaplotypesFromGenotypes, 0);
}

TEST_F(PopulationTest, ADataTypeObjectIsDestroyedThroughTheBase)
{
    struct Derived : Population {
        std::vector<int> own = std::vector<int>(100, 1);
        explicit Derived(Population const& p) : Population(p) {}
    };
    Population p;
    fill(p);
    Population* object = new Derived(p);
    EXPECT_EQ(object->check_data(), 0);
    delete object;  // the sanitizer build catches a leak of Derived::own
}

TEST(SmallName, ShortensLongNamesFromBothEnds)
{
    Population::reset_small_names();
    struct Case {
        const char* name;
        const char* small;
    };
    const Case cases[] = {
        {"Pop1", "Pop1"},
        {"Pop 12", "Pop 12"},
        {"Populat", "Popula"},
        {"Population_10", "Popula01_"},
        {"Sample A b", "SamplebA"},
        {"Pop_001_grp", "Pop_00prg"},
        {"Populations 2", "Popula2sn"},
        {"Popula      x", "Populax"},
    };
    for (Case const& c : cases) {
        Population p{my_string(c.name)};
        EXPECT_STREQ(p.get_small_name().str, c.small) << c.name;
    }
    Population::reset_small_names();
}

TEST(SmallName, SamplesOfOneRunNeverShareAShortName)
{
    Population::reset_small_names();
    ProfileSettings profile;
    Population a(my_string("Sample A"), 0, profile);
    Population b(my_string("Sample B"), 1, profile);
    Population group(my_string("Sample A"), 7, profile);
    group.group_level_sample = true;
    EXPECT_STREQ(a.get_small_name().str, "Sample");
    EXPECT_STREQ(b.get_small_name().str, "Sample1");
    EXPECT_STREQ(group.get_small_name().str, "Sample7");
    EXPECT_STREQ(a.get_small_name().str, "Sample");  // asking again gives the same name
    EXPECT_STREQ(Population(a).get_small_name().str, "Sample");

    Population::reset_small_names();  // a new run
    EXPECT_STREQ(b.get_small_name().str, "Sample");
    Population::reset_small_names();
}

TEST(BlanksAtEnd, CutAtTheCommentAndTrailingBlanks)
{
    char text[] = "AC GT \t # note";
    Population::rm_blanks_at_end(text);
    EXPECT_STREQ(text, "AC GT");
}

// The records a sample is made of are built, copied and emptied without
// touching the alleles they point to.
TEST(RecordLifecycles, BuildCopyAndEmpty)
{
    TAlleleDB small(0);
    EXPECT_EQ(small.loci.capacity, 1);
    EXPECT_EQ(small.loci.count, 0);
    EXPECT_STREQ(small.not_found.name.str, "Allele not found");

    TAlleleDB db;
    EXPECT_EQ(db.loci.capacity, 11);
    for (const char* a : {"A", "C", "G"})
        db.InsertAllPos(0, my_string(a), 1.0);
    db.blanks_inserted = 1;
    db.create_pop_freq_vector(3);
    TAlleleDB copy(db);
    EXPECT_STREQ(copy.not_found.name.str, "UNDEF");
    EXPECT_EQ(copy.blanks_inserted, 1);
    ASSERT_EQ(copy.loci.count, 1);
    EXPECT_NE(copy.loci[0]->alleles[0], db.loci[0]->alleles[0]);

    TPhenotype individual(my_string("ind"), 2.0);
    EXPECT_EQ(individual.count, 2);
    EXPECT_EQ(individual.rel_freq, 0);
    EXPECT_EQ(individual.pseudo_hapl[0], nullptr);
    EXPECT_EQ(individual.genotypes.capacity, 16);
    EXPECT_EQ(individual.genotypes.delta, 50);

    TPopHaplotype h(' ', 0);
    EXPECT_EQ(h.alleles.capacity, 1);
    HaploDef def(my_string("h1"));
    for (int i = 0; i < 3; i++) {
        h.alleles.Add(db.loci[0]->alleles[i]);
        def.haplovect.Add(db.loci[0]->alleles[i]);
    }
    EXPECT_EQ(h.alleles.capacity, 51);
    TPopHaplotype h_copy(h);
    h.empty();
    def.flush();
    EXPECT_EQ(h.alleles.count, 0);
    EXPECT_EQ(def.haplovect.count, 0);
    EXPECT_EQ(h_copy.alleles.count, 3);
    EXPECT_STREQ(db.loci[0]->alleles[2]->name.str, "G");  // still in the database

    TPopHaploDB table;
    table.haplotypes.Add(new TPopHaplotype(h_copy));
    TPopHaploDB table_copy(table);
    ASSERT_EQ(table_copy.haplotypes.count, 1);
    EXPECT_NE(table_copy.haplotypes[0], table.haplotypes[0]);

    Haplo_DB list;
    EXPECT_STREQ(list.name.str, "no_name");
    EXPECT_EQ(list.list.capacity, 10);
    EXPECT_EQ(list.list.delta, 100);
    TAllele::numPop = 0;  // process-wide, set by create_pop_freq_vector
}

}  // namespace
