// Allele vectors of a sample: pseudo-haplotypes of individuals and the
// recessive-allele slot of the allele database.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/logged_fixture.h"
#include "model/pop_haplo.h"
#include "model/population.h"

namespace {

class AlleleVectorsTest : public LoggedTest {
protected:
    TAlleleDB db;
    Haplo_DB list;

    void SetUp() override
    {
        LoggedTest::SetUp();
        ProfileSettings::DataType = STANDARD;
    }

    // A copy of a sample does not take the allele database, so samples are
    // prepared in place.
    void make_genotypic(Population& p)
    {
        p.profile.GenotypicData = 1;
        p.profile.RecessiveAllele = "null";
        p.alleleDB = &db;
    }

    static void add_individual(Population& p, const char* copy1, const char* copy2, double count)
    {
        TPhenotype* ind = new TPhenotype(my_string("ind"), count);
        ind->gene_copy[0] = copy1;
        ind->gene_copy[1] = copy2;
        p.individuals.phenotypes.Add(ind);
    }

    // "name:count" of every allele of a locus, in database order.
    std::string locus_text(int L)
    {
        std::string s;
        TLocus* locus = db.loci[L];
        for (int i = 0; i < locus->alleles.count; ++i) {
            TAllele* a = locus->alleles[i];
            s += (i ? " " : "") + std::string(a->name.str) + ":" + std::to_string(a->count).substr(0, 4);
        }
        return s;
    }

    static std::string names(TPopHaplotype const* h)
    {
        std::string s;
        for (int i = 0; i < h->alleles.count; ++i)
            s += (i ? "," : "") + std::string(h->alleles[i] ? h->alleles[i]->name.str : "-");
        return s;
    }
};

struct VectorCase {
    const char* title;
    char separator;
    const char* copy1;
    const char* copy2;
    std::vector<std::string> loci;  // "name:count" per locus
    const char* pseudo1;
    const char* pseudo2;
};

TEST_F(AlleleVectorsTest, GeneCopiesBecomeAllelePointersPerLocus)
{
    // One individual of count 1: each gene copy enters its alleles with 0.5.
    const VectorCase cases[] = {
        {"blank separator", ' ', "112 114", "112 118", {"112:1.00", "114:0.50 118:0.50"},
         "112,114", "112,118"},
        {"no separator", 0, "AC", "AG", {"A:1.00", "C:0.50 G:0.50"}, "A,C", "A,G"},
        {"doubled separator", ';', "12;;14", "12;16", {"12:1.00", "14:0.50 16:0.50"}, "12,14",
         "12,16"},
        {"separators at both ends", ' ', " 12  14 ", "12 16", {"12:1.00", "14:0.50 16:0.50"},
         "12,14", "12,16"},
    };
    for (VectorCase const& c : cases) {
        SCOPED_TRACE(c.title);
        db.destroy();
        Population p;
        make_genotypic(p);
        add_individual(p, c.copy1, c.copy2, 1);

        EXPECT_EQ(p.build_allele_vectors(c.separator), 1);

        ASSERT_EQ(db.loci.count, static_cast<int>(c.loci.size()));
        for (int L = 0; L < db.loci.count; ++L)
            EXPECT_EQ(locus_text(L), c.loci[L]);
        TPhenotype* ind = p.individuals.phenotypes[0];
        EXPECT_EQ(names(ind->pseudo_hapl[0]), c.pseudo1);
        EXPECT_EQ(names(ind->pseudo_hapl[1]), c.pseudo2);
        EXPECT_EQ(ind->pseudo_hapl[0]->separator, c.separator);
        // The allele both gene copies carry is one object.
        EXPECT_EQ(ind->pseudo_hapl[0]->alleles[0], ind->pseudo_hapl[1]->alleles[0]);
    }
}

TEST_F(AlleleVectorsTest, WeightsFollowRelativeFrequencies)
{
    // Two individuals of count 2: each weighs 0.5 of the sample, each gene copy 0.25.
    Population p;
    make_genotypic(p);
    add_individual(p, "112 114", "112 118", 2);
    add_individual(p, "120 122", "120 122", 2);

    p.build_allele_vectors(' ');

    EXPECT_DOUBLE_EQ(p.individuals.phenotypes[0]->rel_freq, 0.5);
    EXPECT_EQ(locus_text(0), "112:0.50 120:0.50");
    EXPECT_EQ(locus_text(1), "114:0.25 118:0.25 122:0.50");

    // A second build replaces the pseudo-haplotypes and enters every allele again.
    p.build_allele_vectors(' ');
    EXPECT_EQ(locus_text(0), "112:1.00 120:1.00");
    EXPECT_EQ(p.individuals.phenotypes[1]->pseudo_hapl[0]->alleles.count, 2);
}

TEST_F(AlleleVectorsTest, HaplotypicSampleIsLeftAlone)
{
    Population p;
    p.alleleDB = &db;
    HaploDef* def = new HaploDef(my_string("A"));
    def->content = "ACG";
    list.list.Add(def);
    p.haplotypes.Add(new PHaploDef(def, 3));

    EXPECT_EQ(p.build_allele_vectors(0), 1);
    EXPECT_EQ(db.loci.count, 0);
    EXPECT_EQ(def->haplovect.count, 0);
}

TEST_F(AlleleVectorsTest, RecessiveSlotIsAlleleZeroOfEveryNewLocus)
{
    // Loci from earlier data are made anew without a separator.
    db.InsertAllPos(0, 'T', 1.0);
    Population p;
    make_genotypic(p);
    add_individual(p, "AC", "AG", 1);

    p.make_all_blanks(0);
    EXPECT_EQ(db.blanks_inserted, 1);
    ASSERT_EQ(db.loci.count, 2);
    EXPECT_EQ(locus_text(0), "null:0.00");
    EXPECT_EQ(locus_text(1), "null:0.00");

    // Once per database: a second call, from any sample, does nothing.
    Population other;
    make_genotypic(other);
    add_individual(other, "ACGT", "ACGT", 1);
    other.make_all_blanks(0);
    EXPECT_EQ(db.loci.count, 2);

    // The data's alleles come after the slot.
    p.build_allele_vectors(0);
    EXPECT_EQ(locus_text(1), "null:0.00 C:0.50 G:0.50");
    EXPECT_EQ(take_log(), "");
}

TEST_F(AlleleVectorsTest, RecessiveSlotWithSeparatorKeepsExistingLoci)
{
    db.InsertAllPos(0, my_string("112"), 1.0);
    Population p;
    make_genotypic(p);
    add_individual(p, "112  114 116", "112 118 116", 1);

    p.make_all_blanks(' ');

    ASSERT_EQ(db.loci.count, 3);
    EXPECT_EQ(locus_text(0), "112:1.00 null:0.00");
    EXPECT_EQ(locus_text(1), "null:0.00");
    EXPECT_EQ(locus_text(2), "null:0.00");
    EXPECT_EQ(take_log(), report(1, "ERROR", 1, "Population::make_all_blanks()", 153));
}

TEST_F(AlleleVectorsTest, RecessiveSlotTakenFromFirstHaplotype)
{
    Population p;
    p.profile.RecessiveAllele = "0";
    p.alleleDB = &db;
    HaploDef* def = new HaploDef(my_string("A"));
    def->content = "1011";
    list.list.Add(def);
    p.haplotypes.Add(new PHaploDef(def, 1));

    p.make_all_blanks(0);

    EXPECT_EQ(db.loci.count, 4);
    EXPECT_EQ(locus_text(3), "0:0.00");
}

TEST_F(AlleleVectorsTest, EmptySampleGivesNoSlotAndKeepsTheFlag)
{
    Population haplotypic;
    haplotypic.alleleDB = &db;
    haplotypic.make_all_blanks(0);
    EXPECT_EQ(take_log(), report(1, "WARNING", 1, "Population::make_all_blanks()", 152));
    EXPECT_EQ(db.blanks_inserted, 1);
    EXPECT_EQ(db.loci.count, 0);

    db.blanks_inserted = 0;
    Population genotypic;
    make_genotypic(genotypic);
    genotypic.make_all_blanks(' ');
    EXPECT_EQ(take_log(), report(1, "WARNING", 1, "Population::make_all_blanks()", 152));
}

}  // namespace
