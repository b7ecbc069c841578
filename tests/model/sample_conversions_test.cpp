// Conversions of a sample between individuals, haplotype records and
// estimated haplotypes, and the pooling of samples.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "model/logged_fixture.h"
#include "model/pop_haplo.h"
#include "model/population.h"

namespace {

class SampleConversionsTest : public LoggedTest {
protected:
    Haplo_DB db;
    TAlleleDB alleles;
    settings s;

    void SetUp() override
    {
        LoggedTest::SetUp();
        ProfileSettings::DataType = STANDARD;
        ProfileSettings::LocusSeparator = 0;
        s.TaskNumber = 0;
    }

    static void add_individual(Population& p, const char* copy1, const char* copy2, double count)
    {
        TPhenotype* ind = new TPhenotype(my_string("ind"), count);
        ind->gene_copy[0] = copy1;
        ind->gene_copy[1] = copy2;
        p.individuals.phenotypes.Add(ind);
    }

    HaploDef* add_definition(const char* id, const char* content, int count = 0)
    {
        HaploDef* def = new HaploDef(my_string(id));
        def->content = content;
        def->count = count;
        db.list.Add(def);
        return def;
    }

    // "id content count" of every definition of the list.
    std::string definitions() const
    {
        std::string s;
        for (int i = 0; i < db.list.count; ++i) {
            HaploDef const* d = db.list[i];
            s += (i ? "; " : "") + std::string(d->id.str) + " " + d->content.str + " " +
                 std::to_string(d->count);
        }
        return s;
    }

    // "id:count" of every record of a list.
    static std::string records(MY_TIArrayAsVector<PHaploDef> const& list)
    {
        std::string s;
        for (int i = 0; i < list.count; ++i)
            s += (i ? " " : "") + std::string(list[i]->haplotype->id.str) + ":" +
                 std::to_string(list[i]->count);
        return s;
    }

    // An estimated haplotype of the given alleles (entered at loci 0, 1, ...).
    TPopHaplotype* estimated(std::vector<const char*> const& names, double freq, char sep = ' ')
    {
        TPopHaplotype* h = new TPopHaplotype(sep, static_cast<int>(names.size()));
        for (int L = 0; L < static_cast<int>(names.size()); ++L) {
            int pos = alleles.InsertAllPos(L, my_string(names[L]), 0.0);
            h->alleles.Add(alleles.loci[L]->alleles[pos]);
        }
        h->freq = freq;
        return h;
    }
};

TEST_F(SampleConversionsTest, PhenToGamCountsGeneCopiesAsHaplotypes)
{
    for (int task : {int(settings::AMOVA), 0}) {
        SCOPED_TRACE(task);
        db.reset();
        Population p;
        add_individual(p, "AT", "AT", 1);
        add_individual(p, "AT", "GC", 2);
        s.TaskNumber = task;

        p.phen_to_gam(&db, &p.profile, &s);

        EXPECT_EQ(definitions(), "h1 AT 4; h2 GC 2");
        EXPECT_EQ(records(p.haplotypes), "h1:4 h2:2");
        EXPECT_EQ(p.num_haplotypes, 2);
        EXPECT_EQ(p.HaplotypesFromGenotypes, 1);
        // One record per gene copy whatever the task: a Mantel test alone
        // still needs them for its FST.
        EXPECT_EQ(records(p.geneCopies), "h1:1 h1:1 h1:1 h2:1 h1:1 h2:1");
    }
}

TEST_F(SampleConversionsTest, PhenToGamFindsDefinitionsAndNamesNewOnesFreshly)
{
    // Five definitions, one of them already named h6: the first new one is h7.
    add_definition("a", "AA");
    add_definition("h6", "CC");
    add_definition("b", "GG", 3);
    add_definition("c", "TT");
    add_definition("h8", "AC");
    Population p;
    add_individual(p, "GG", "CA", 1);
    add_individual(p, "TA", "GG", 0.9);  // count 0: found or made, but counts nothing

    p.phen_to_gam(&db, &p.profile, &s);

    EXPECT_EQ(definitions(), "a AA 0; h6 CC 0; b GG 4; c TT 0; h8 AC 0; h7 CA 1; h9 TA 0");
    EXPECT_EQ(records(p.haplotypes), "b:1 h7:1 h9:0");
}

TEST_F(SampleConversionsTest, PhenToGamReducesRunsOfSeparators)
{
    ProfileSettings::LocusSeparator = ' ';
    add_definition("one", "12 14");
    add_definition("two", " 12 16");
    Population p;
    add_individual(p, "12  14", "   12 16", 1);
    s.TaskNumber = settings::PAIRWISE_FST;

    p.phen_to_gam(&db, &p.profile, &s);

    EXPECT_EQ(db.list.count, 2);
    EXPECT_EQ(records(p.haplotypes), "one:1 two:1");
    EXPECT_EQ(records(p.geneCopies), "one:1 two:1");
}

TEST_F(SampleConversionsTest, RmMultDelim)
{
    const struct {
        const char* in;
        char sep;
        const char* out;
    } cases[] = {
        {"12  14", ' ', "12 14"}, {"  12 ", ' ', " 12 "}, {"a;;;b;c", ';', "a;b;c"},
        {"", ' ', ""},           {"abc", ' ', "abc"},
    };
    for (auto const& c : cases) {
        my_string out;
        rm_mult_delim(my_string(c.in), out, c.sep);
        EXPECT_STREQ(out.str, c.out) << c.in;
    }
}

TEST_F(SampleConversionsTest, AlleleStringsToHaplotypesLeavesTheSampleAsItIs)
{
    add_definition("h1", "AT", 2);
    Population p;
    add_individual(p, "AT", "GC", 2);
    add_individual(p, "12 14", "", 1);
    p.phen_to_gam(&db, &p.profile, &s);
    const std::string list = definitions();
    const std::string haplotypes = records(p.haplotypes);

    p.convertAlleleStringsToHaplotypes();

    EXPECT_EQ(definitions(), list);
    EXPECT_EQ(records(p.haplotypes), haplotypes);
    ASSERT_EQ(p.individuals.phenotypes.count, 2);
    EXPECT_STREQ(p.individuals.phenotypes[1]->gene_copy[0].str, "12 14");
    EXPECT_EQ(p.individuals.phenotypes[0]->count, 2);
    EXPECT_EQ(take_log(), "");
}

TEST_F(SampleConversionsTest, HaplotypeTransfTakesTheWholeList)
{
    HaploDef* a = add_definition("a", "AA", 3);
    add_definition("b", "CC", 5);
    Population p;
    p.haplotypes.Add(new PHaploDef(a, 1));

    p.haplotype_transf(db);

    EXPECT_EQ(records(p.haplotypes), "a:3 b:5");
    EXPECT_EQ(take_log(), report(1, "WARNING", 1, "Population::haplotype_transf()", 156));
}

TEST_F(SampleConversionsTest, EstimatedFrequenciesBecomeRecords)
{
    HaploDef* known = add_definition("x", "1 2", 10);
    Population p;
    p.SampleSize = 20;
    TPopHaploDB& table = p.estimated_haplotypes;
    table.haplotypes.Add(estimated({"1", "2"}, 0.5));     // 10 copies of x
    table.haplotypes.Add(estimated({"1", "3"}, 0.024));   // 0.48 rounds to 0: skipped
    table.haplotypes.Add(estimated({"4", "3"}, 0.026));   // 0.52 rounds to 1
    table.haplotypes.Add(estimated({"4", "5"}, 0.45));    // 9 copies

    p.h_pop_db_to_gam(&db, nullptr);

    EXPECT_EQ(definitions(), "x 1 2 20; h2 4 3 1; h3 4 5 9");
    EXPECT_EQ(known->haplovect.count, 0);
    HaploDef* made = db.list[1];
    ASSERT_EQ(made->haplovect.count, 2);
    EXPECT_EQ(made->haplovect[0], table.haplotypes[2]->alleles[0]);
    EXPECT_EQ(made->matrix_index, 2);
    EXPECT_EQ(records(p.haplotypes), "x:10 h2:1 h3:9");
    EXPECT_EQ(p.num_haplotypes, 3);
    EXPECT_DOUBLE_EQ(p.SampleSize, 20);

    // Into a list of the caller's: the sample's own records stay.
    MY_TIArrayAsVector<PHaploDef> other(10, 10);
    p.h_pop_db_to_gam(&db, &other);
    EXPECT_EQ(records(other), "x:10 h2:1 h3:9");
    EXPECT_EQ(records(p.haplotypes), "x:10 h2:1 h3:9");
    EXPECT_EQ(db.list.count, 3);
}

TEST_F(SampleConversionsTest, MissingAlleleChangesNothing)
{
    Population p;
    p.SampleSize = 10;
    p.estimated_haplotypes.haplotypes.Add(estimated({"1", "2"}, 0.5));
    TPopHaplotype* broken = estimated({"3", "4"}, 0.5);
    broken->alleles.data[1] = nullptr;
    p.estimated_haplotypes.haplotypes.Add(broken);
    // A haplotype too rare to enter the list is not checked.
    TPopHaplotype* rare = estimated({"3", "5"}, 0.01);
    rare->alleles.data[0] = nullptr;

    p.h_pop_db_to_gam(&db, nullptr);

    EXPECT_EQ(take_log(), report(1, "ERROR", 1, "Population::h_pop_db_to_gam()", 160));
    EXPECT_EQ(db.list.count, 0);
    EXPECT_EQ(p.haplotypes.count, 0);
    EXPECT_DOUBLE_EQ(p.SampleSize, 10);

    p.estimated_haplotypes.haplotypes.Detach(1);
    p.estimated_haplotypes.haplotypes.Add(rare);
    p.h_pop_db_to_gam(&db, nullptr);
    EXPECT_EQ(definitions(), "h1 1 2 5");
    EXPECT_EQ(take_log(), "");
}

TEST_F(SampleConversionsTest, PoolingMergesHaplotypesOfTheSameAlleles)
{
    // a and a2 hold the same alleles under two names; b differs.
    HaploDef* a = add_definition("a", "AC");
    HaploDef* a2 = add_definition("a2", "AC");
    HaploDef* b = add_definition("b", "AG");
    for (int i = 0; i < db.list.count; ++i)
        db.list[i]->build_haplovect(&alleles, 0, 0, 0.1);
    ASSERT_EQ(a->haplovect[1], a2->haplovect[1]);

    Population first, second, pooled;
    first.haplotypes.Add(new PHaploDef(a, 2));
    first.haplotypes.Add(new PHaploDef(b, 1));
    first.SampleSize = 3;
    second.haplotypes.Add(new PHaploDef(b, 4));
    second.haplotypes.Add(new PHaploDef(a2, 5));
    second.SampleSize = 9;
    second.alleleDB = &alleles;
    second.RecessiveAllelesEM = 1;

    pooled += first;
    pooled += second;

    EXPECT_EQ(records(pooled.haplotypes), "a:7 b:5");
    EXPECT_EQ(pooled.num_haplotypes, 2);
    EXPECT_DOUBLE_EQ(pooled.SampleSize, 12);
    EXPECT_DOUBLE_EQ(pooled.inv_sample_size, 1.0 / 12);
    EXPECT_EQ(pooled.alleleDB, &alleles);
    EXPECT_EQ(pooled.RecessiveAllelesEM, 1);
}

// The pooled sample keeps its index of records from one addition to the
// next; records changed in between must still be matched as a scan would.
TEST_F(SampleConversionsTest, PoolingFollowsRecordsChangedBetweenAdditions)
{
    HaploDef* a = add_definition("a", "AC");
    HaploDef* a2 = add_definition("a2", "AC");
    HaploDef* b = add_definition("b", "AG");
    HaploDef* c = add_definition("c", "TT");
    for (int i = 0; i < db.list.count; ++i)
        db.list[i]->build_haplovect(&alleles, 0, 0, 0.1);

    Population first, second, third, pooled;
    first.haplotypes.Add(new PHaploDef(a, 2));
    first.haplotypes.Add(new PHaploDef(b, 1));
    second.haplotypes.Add(new PHaploDef(b, 4));
    second.haplotypes.Add(new PHaploDef(a2, 5));
    third.haplotypes.Add(new PHaploDef(c, 3));
    third.haplotypes.Add(new PHaploDef(a, 1));

    pooled += first;
    pooled.haplotypes.Detach(0);  // b moves to the front
    pooled += second;
    EXPECT_EQ(records(pooled.haplotypes), "b:5 a2:5");

    pooled.haplotypes.Add(new PHaploDef(c, 1));  // appended by a caller
    pooled += third;
    EXPECT_EQ(records(pooled.haplotypes), "b:5 a2:6 c:4");

    pooled.haplotypes.Detach(0);  // as many records as before, in another order
    pooled.haplotypes.Add(new PHaploDef(b, 5));
    pooled += first;
    EXPECT_EQ(records(pooled.haplotypes), "a2:8 c:4 b:6");

    pooled.haplotypes.Flush();
    pooled.haplotypes.Add(new PHaploDef(c, 1));
    pooled += second;
    EXPECT_EQ(records(pooled.haplotypes), "c:1 b:4 a2:5");

    pooled += pooled;  // every record is its own first match
    EXPECT_EQ(records(pooled.haplotypes), "c:2 b:8 a2:10");
}

TEST_F(SampleConversionsTest, PoolingKeepsHaplotypesWithoutAllelesApart)
{
    // Frequency data: definitions hold no alleles and no content.
    HaploDef* x = add_definition("x", "");
    HaploDef* y = add_definition("y", "");
    Population first, second, pooled;
    first.haplotypes.Add(new PHaploDef(x, 2));
    first.haplotypes.Add(new PHaploDef(y, 3));
    second.haplotypes.Add(new PHaploDef(y, 1));

    pooled += first;
    pooled += second;

    EXPECT_EQ(records(pooled.haplotypes), "x:2 y:4");
}

TEST_F(SampleConversionsTest, PoolingAppendsIndividuals)
{
    Population member, empty, pooled;
    add_individual(member, "AC", "AG", 2);
    member.SampleSize = 4;
    pooled.num_haplotypes = 0;

    pooled += empty;
    EXPECT_DOUBLE_EQ(pooled.inv_sample_size, 0);

    pooled += member;
    pooled += member;
    ASSERT_EQ(pooled.individuals.phenotypes.count, 2);
    EXPECT_NE(pooled.individuals.phenotypes[0], member.individuals.phenotypes[0]);
    EXPECT_STREQ(pooled.individuals.phenotypes[1]->gene_copy[1].str, "AG");
    EXPECT_EQ(pooled.num_haplotypes, 0);
    EXPECT_DOUBLE_EQ(pooled.SampleSize, 8);
}

}  // namespace
