// One-locus copies of the structure's samples: the alleles kept at one locus,
// the one-locus haplotype list, and the failures at a locus beyond the data or
// without data.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "model/allele.h"
#include "project/samples.h"
#include "project/structure.h"
#include "support/temp_log.h"

namespace {

using Records = std::vector<std::pair<std::string, int>>;

class OneLocusSamplesTest : public LogFolderTest {
protected:
    Samples source;
    Samples one_locus;
    Haplo_DB source_list;
    Haplo_DB one_locus_list;
    Structure structure;
    settings run;
    std::vector<std::unique_ptr<TAllele>> alleles;

    void SetUp() override { source.MissingData = '?'; }

    TAllele* allele(std::string const& name, int locus)
    {
        alleles.push_back(std::make_unique<TAllele>(my_string(name.c_str()), 1.0, locus));
        return alleles.back().get();
    }

    Population& add_sample(std::string const& name, bool genotypic)
    {
        Population* p = new Population(my_string(name.c_str()), source.Populations.count,
                                       static_cast<ProfileSettings&>(source));
        p->profile.GenotypicData = genotypic;
        p->profile.RunSettings = &run;
        source.Populations.Add(p);
        return *p;
    }

    // A haplotype entry with one allele per locus.
    void add_haplotype(Population& p, std::vector<std::string> const& names, int count)
    {
        HaploDef* h = new HaploDef(my_string("x"));
        for (int l = 0; l < static_cast<int>(names.size()); ++l)
            h->haplovect.Add(allele(names[l], l));
        source_list.list.Add(h);
        p.haplotypes.Add(new PHaploDef(h, count));
    }

    // An individual given its two gene copies, one allele per locus each.
    void add_individual(Population& p, std::vector<std::string> const& copy1,
                        std::vector<std::string> const& copy2, double count)
    {
        TPhenotype* person = new TPhenotype(my_string("ind"), count);
        std::vector<std::string> const* copies[2] = {&copy1, &copy2};
        for (int c = 0; c < 2; ++c) {
            person->pseudo_hapl[c] = new TPopHaplotype();
            for (int l = 0; l < static_cast<int>(copies[c]->size()); ++l)
                person->pseudo_hapl[c]->alleles.Add(allele((*copies[c])[l], l));
        }
        p.individuals.phenotypes.Add(person);
    }

    void group_all()
    {
        structure.reset();
        structure.NbGroups = 1;
        structure.GroupSizes = new int[1]();
        structure.Groups = new MY_TIArrayAsVector<Population>[1];
        structure.Groups[0].owns = 0;
        for (int i = 0; i < source.Populations.count; ++i)
            structure.Groups[0].Add(source.Populations.data[i]);
        structure.GroupSizes[0] = source.Populations.count;
    }

    int build(int locus)
    {
        return one_locus.build_one_loci_sample(locus, &source, &structure, &one_locus_list);
    }

    static Records records(MY_TIArrayAsVector<PHaploDef> const& list)
    {
        Records r;
        for (int i = 0; i < list.count; ++i)
            r.emplace_back(list.data[i]->haplotype->content.str, list.data[i]->count);
        return r;
    }

    std::vector<std::string> ids() const
    {
        std::vector<std::string> r;
        for (int i = 0; i < one_locus_list.list.count; ++i)
            r.push_back(std::string(one_locus_list.list.data[i]->id.str) + "=" +
                        one_locus_list.list.data[i]->content.str);
        return r;
    }
};

TEST_F(OneLocusSamplesTest, HaplotypicEntriesShareOneLocusHaplotypesAndSkipMissing)
{
    Population& a = add_sample("a", false);
    add_haplotype(a, {"1", "C"}, 2);
    add_haplotype(a, {"2", "?"}, 3);
    add_haplotype(a, {"3", "T"}, 1);
    Population& b = add_sample("b", false);
    add_haplotype(b, {"1", "G"}, 4);
    add_haplotype(b, {"1", "C"}, 1);
    add_sample("outside", false);
    group_all();
    structure.Groups[0].Detach(2);
    structure.GroupSizes[0] = 2;

    ASSERT_EQ(build(1), 1);
    EXPECT_EQ(ids(), (std::vector<std::string>{"h0=C", "h1=T", "h2=G"}));
    EXPECT_EQ(one_locus_list.list.data[2]->matrix_index, 2);
    ASSERT_EQ(one_locus.Populations.count, 2);
    Population const& a1 = *one_locus.Populations.data[0];
    EXPECT_EQ(records(a1.haplotypes), (Records{{"C", 2}, {"T", 1}}));
    EXPECT_EQ(a1.num_haplotypes, 3);
    EXPECT_EQ(a1.nbInitialHaplotypes, 3);
    EXPECT_EQ(a1.SampleSize, 3.0);
    EXPECT_EQ(a1.geneCopies.count, 0);
    Population const& b1 = *one_locus.Populations.data[1];
    EXPECT_EQ(records(b1.haplotypes), (Records{{"G", 4}, {"C", 1}}));
    EXPECT_EQ(b1.haplotypes.data[1]->haplotype, a1.haplotypes.data[0]->haplotype);
    EXPECT_STREQ(b1.name.str, "b");
    EXPECT_EQ(b1.sample_index, 1);
}

// 1,500,000,000 + 1,000,000,000 + 500,000,000 = 3,000,000,000 gene copies,
// more than an int holds: the copy's SampleSize keeps them all. At locus 0
// all three records carry allele 1: one record, held at the largest count;
// at locus 1 the two records of C merge into 2,000,000,000.
TEST_F(OneLocusSamplesTest, SamplesLargerThanAnIntKeepTheirGeneCopies)
{
    Population& a = add_sample("a", false);
    add_haplotype(a, {"1", "C"}, 1500000000);
    add_haplotype(a, {"1", "T"}, 1000000000);
    add_haplotype(a, {"1", "C"}, 500000000);
    group_all();
    const struct {
        int locus;
        Records records;
    } cases[] = {
        {0, {{"1", 2147483647}}},
        {1, {{"C", 2000000000}, {"T", 1000000000}}},
    };
    for (auto const& k : cases) {
        SCOPED_TRACE(k.locus);
        one_locus.clean();
        one_locus_list.reset();
        ASSERT_EQ(build(k.locus), 1);
        Population const& copy = *one_locus.Populations.data[0];
        EXPECT_EQ(copy.SampleSize, 3e9);
        EXPECT_EQ(copy.num_haplotypes, 2147483647);
        EXPECT_EQ(records(copy.haplotypes), k.records);
    }
}

TEST_F(OneLocusSamplesTest, GenotypicIndividualsGiveTheirGeneCopies)
{
    struct Case {
        int individual_level;
        std::string second;
        Records haplotypes;
        std::vector<std::string> gene_copies;
    };
    Case cases[] = {
        {0, "B", {{"A", 2}, {"B", 2}}, {"A", "B", "A", "B"}},
        {1, "B", {{"A", 2}, {"B", 2}}, {"A", "B", "A", "B"}},
    };
    for (Case const& k : cases) {
        source.clean();
        one_locus.clean();
        one_locus_list.reset();
        run.IncludeIndividualLevel = k.individual_level;
        Population& p = add_sample("p", true);
        add_individual(p, {"X", "A"}, {"Y", k.second}, 2.0);
        add_individual(p, {"X", "Z"}, {"Y", "Z"}, 0.0);  // count 0: skipped
        group_all();
        ASSERT_EQ(build(1), 1);
        Population const& copy = *one_locus.Populations.data[0];
        EXPECT_EQ(records(copy.haplotypes), k.haplotypes);
        std::vector<std::string> copies;
        for (int i = 0; i < copy.geneCopies.count; ++i)
            copies.push_back(copy.geneCopies.data[i]->haplotype->content.str);
        EXPECT_EQ(copies, k.gene_copies);
        EXPECT_EQ(copy.SampleSize, static_cast<double>(k.gene_copies.size()));
        EXPECT_EQ(copy.nbInitialHaplotypes, static_cast<int>(k.gene_copies.size()));
    }
}

// An individual typed at one gene copy only is left out of the locus with
// or without the individual level: an odd number of gene copies would leave
// the designs of genotypic data without a structure to work on.
TEST_F(OneLocusSamplesTest, HalfTypedIndividualsAreLeftOutAtEitherLevel)
{
    for (int level : {0, 1}) {
        SCOPED_TRACE(level);
        source.clean();
        one_locus.clean();
        one_locus_list.reset();
        run.IncludeIndividualLevel = level;
        Population& p = add_sample("p", true);
        add_individual(p, {"A"}, {"?"}, 1.0);
        add_individual(p, {"B"}, {"C"}, 1.0);
        group_all();
        ASSERT_EQ(build(0), 1);
        Population const& copy = *one_locus.Populations.data[0];
        EXPECT_EQ(records(copy.haplotypes), (Records{{"B", 1}, {"C", 1}}));
        EXPECT_EQ(copy.geneCopies.count, 2);
        EXPECT_EQ(copy.SampleSize, 2.0);
    }
}

TEST_F(OneLocusSamplesTest, MissingCopyWithIndividualLevelLeavesNoDataAndWarns)
{
    run.IncludeIndividualLevel = 1;
    Population& p = add_sample("pop x", true);
    add_individual(p, {"A"}, {"?"}, 1.5);
    add_sample("later", true);
    group_all();
    EXPECT_EQ(build(0), 0);
    ASSERT_EQ(one_locus.Populations.count, 1);
    EXPECT_EQ(one_locus.Populations.data[0]->SampleSize, 0.0);
    std::string log = log_text();
    EXPECT_NE(log.find("WARNING"), std::string::npos);
    EXPECT_NE(log.find("Samples::build_one_loci_sample(..)"), std::string::npos);
    EXPECT_NE(log.find("Population 'pop x' does not contain any data at locus #1.\n\t\tIt is "
                       "therefore impossible to make an AMOVA for this locus\n"),
              std::string::npos);
}

TEST_F(OneLocusSamplesTest, LocusBeyondTheDataFailsAndKeepsEarlierSamples)
{
    Population& a = add_sample("a", false);
    add_haplotype(a, {"1", "C"}, 2);
    Population& b = add_sample("b", true);
    add_individual(b, {"1"}, {"2"}, 1.0);
    group_all();
    // Locus 1 exists in a's haplotypes but not in b's gene copies.
    EXPECT_EQ(build(1), 0);
    EXPECT_EQ(one_locus.Populations.count, 1);
    EXPECT_NE(log_text().find("ERROR the selected loci is too large"), std::string::npos);

    one_locus.clean();
    one_locus_list.reset();
    EXPECT_EQ(build(2), 0);
    EXPECT_EQ(one_locus.Populations.count, 0);
}

TEST_F(OneLocusSamplesTest, NoSampleInTheStructureGivesAnEmptySet)
{
    Population& a = add_sample("a", false);
    add_haplotype(a, {"1"}, 2);
    EXPECT_EQ(build(0), 1);
    EXPECT_EQ(one_locus.Populations.count, 0);
    EXPECT_EQ(one_locus_list.list.count, 0);
    EXPECT_EQ(one_locus.MissingData, '?');
}

}  // namespace
