// Alleles, loci and the allele database.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "model/allele.h"
#include "model/allele_db.h"

namespace {

using AlleleList = std::vector<std::pair<const char*, double>>;

// A database with one locus per list, each allele entered with its count.
void fill(TAlleleDB& db, std::vector<AlleleList> const& loci)
{
    for (int L = 0; L < static_cast<int>(loci.size()); L++)
        for (auto const& [name, count] : loci[L])
            db.InsertAllPos(L, my_string(name), count);
}

std::string name_of(TAllele const* a) { return a ? a->name.str : "(null)"; }

// Adds one allele of count 1 per name to the locus; returns the names, for a trace.
std::string add_alleles(TLocus& locus, std::vector<const char*> const& names)
{
    std::string trace;
    for (const char* name : names) {
        locus.alleles.Add(new TAllele(my_string(name), 1.0, 0));
        trace += std::string(name) + " ";
    }
    return trace;
}

// numPop and numGroup are process-wide: every test starts from 0 and leaves 0.
class AlleleDbTest : public ::testing::Test {
protected:
    void SetUp() override { TAllele::numPop = TAllele::numGroup = 0; }
    void TearDown() override { TAllele::numPop = TAllele::numGroup = 0; }
};

TEST_F(AlleleDbTest, EnteringOneNameTwiceCountsOnceWithSummedWeight)
{
    // Each form enters the same allele twice (weights 1 and 2) after the slot.
    struct Case {
        const char* form;
        int (*insert)(TAlleleDB&, double&);
    };
    const Case cases[] = {
        {"index, name", [](TAlleleDB& db, double& w) { return db.InsertAllPos(0, my_string("A"), w); }},
        {"index, char", [](TAlleleDB& db, double& w) { return db.InsertAllPos(0, 'A', w); }},
        {"locus name, name",
         [](TAlleleDB& db, double& w) { return db.InsertAllPos(my_string("Locus 0"), my_string("A"), w); }},
        {"index, name, by reference",
         [](TAlleleDB& db, double& w) { return db.InsertAllPos(0, my_string("A"), w, 0); }},
        {"index, char, by reference", [](TAlleleDB& db, double& w) { return db.InsertAllPos(0, 'A', w, 0); }},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.form);
        TAlleleDB db;
        db.InsertAllPos(0, my_string("null"), 0.0);
        double w1 = 1, w2 = 2;
        int first = c.insert(db, w1);
        int second = c.insert(db, w2);
        EXPECT_EQ(first, 1);
        EXPECT_EQ(second, 1);
        EXPECT_EQ(w2, 2);  // the reference forms only read the weight
        ASSERT_EQ(db.loci.count, 1);
        ASSERT_EQ(db.loci[0]->alleles.count, 2);
        TAllele* a = db.loci[0]->alleles[1];
        EXPECT_STREQ(a->name.str, "A");
        EXPECT_DOUBLE_EQ(a->count, 3);
        EXPECT_EQ(a->locus, 0);
        EXPECT_EQ(a->mark, 1);
        EXPECT_EQ(a->pop_freq, nullptr);
        EXPECT_EQ(a->group_freq, nullptr);
    }
}

TEST_F(AlleleDbTest, NewLociAreNamedByIndexOrByTheGivenName)
{
    TAlleleDB db;
    EXPECT_EQ(db.InsertAllPos(0, my_string("G"), 1.0), 0);
    EXPECT_EQ(db.InsertAllPos(1, 'T', 0.0), 0);
    EXPECT_EQ(db.InsertAllPos(my_string("D7S8"), my_string("12"), 1.0), 0);
    ASSERT_EQ(db.loci.count, 3);
    EXPECT_STREQ(db.loci[0]->name.str, "Locus 0");
    EXPECT_STREQ(db.loci[1]->name.str, "Locus 1");
    EXPECT_STREQ(db.loci[2]->name.str, "D7S8");
    EXPECT_EQ(db.loci[2]->alleles[0]->locus, 2);
    // Appending through the count itself numbers the new allele by the old count.
    EXPECT_EQ(db.InsertAllPos(db.loci.count, my_string("C"), 1.0), 0);
    EXPECT_EQ(db.loci[3]->alleles[0]->locus, 3);
    db.loci.Detach(3);
    // A weight of 0 creates the allele with count 0.
    EXPECT_DOUBLE_EQ(db.loci[1]->alleles[0]->count, 0);

    // An index beyond the next locus enters nothing.
    EXPECT_EQ(db.InsertAllPos(5, my_string("A"), 1.0), -1);
    EXPECT_EQ(db.InsertAllPos(-1, 'A', 1.0), -1);
    EXPECT_EQ(db.loci.count, 3);
}

TEST_F(AlleleDbTest, CharacterFormsMatchOnlyAWholeOneCharacterName)
{
    TAlleleDB db;
    db.InsertAllPos(0, my_string("null"), 0.0);
    EXPECT_EQ(db.loci[0]->find_allele_by_name('n'), nullptr);
    EXPECT_EQ(db.loci[0]->find_allele_pos_by_name('n'), -1);

    // A DNA 'n' is an allele of its own, not the recessive slot "null".
    EXPECT_EQ(db.InsertAllPos(0, 'n', 1.0), 1);
    EXPECT_EQ(db.InsertAllPos(0, 'n', 1.0), 1);
    EXPECT_DOUBLE_EQ(db.loci[0]->alleles[0]->count, 0);
    EXPECT_STREQ(db.loci[0]->alleles[1]->name.str, "n");
    EXPECT_DOUBLE_EQ(db.loci[0]->alleles[1]->count, 2);
    EXPECT_EQ(db.loci[0]->find_allele_pos_by_name('n'), 1);
    EXPECT_EQ(db.loci[0]->find_allele_by_name('n'), db.loci[0]->alleles[1]);
}

TEST_F(AlleleDbTest, LookupsByNameFollowTheAllelesOfTheLocus)
{
    // More one-character names than a locus notes, a repeated name, a byte
    // above 127, and names that only begin with a character looked up.
    TLocus locus(my_string("L"));
    for (const char* n : {"null", "AC", "A", "C", "G", "T", "-", "N", "?", "A", "\xe9"})
        locus.alleles.Add(new TAllele(my_string(n), 1.0, 0));
    auto first_of = [&](char c) {
        for (int i = 0; i < locus.alleles.count; i++) {
            my_string const& n = locus.alleles.data[i]->name;
            if (n.length == 1 && n.str[0] == c)
                return i;
        }
        return -1;
    };
    auto check = [&](TLocus& l, const char* when) {
        for (char c : std::string("ACGT-N?\xe9xn")) {
            SCOPED_TRACE(std::string(when) + ", character " + c);
            EXPECT_EQ(l.find_allele_pos_by_name(c), first_of(c));
        }
    };
    check(locus, "first lookups");
    check(locus, "lookups again");
    locus.alleles.Add(new TAllele(my_string("x"), 1.0, 0));
    check(locus, "after an append");
    TAllele* replaced = locus.alleles.data[2];
    locus.alleles.data[2] = new TAllele(my_string("x"), 1.0, 0);
    delete replaced;
    check(locus, "after a replacement");
    EXPECT_EQ(locus.find_allele_pos_by_name('A'), 9);

    TLocus copy(locus);
    check(copy, "in a copy");
    TLocus other(my_string("O"));
    other.alleles.Add(new TAllele(my_string("T"), 1.0, 0));
    copy = other;
    EXPECT_EQ(copy.find_allele_pos_by_name('A'), -1);
    EXPECT_EQ(copy.find_allele_pos_by_name('T'), 0);

    EXPECT_EQ(locus.find_allele_pos_by_name(my_string("A")), 9);
    EXPECT_EQ(locus.find_allele_pos_by_name(my_string("AC")), 1);
    EXPECT_EQ(locus.find_allele_pos_by_name(my_string("Ax")), -1);
}

TEST_F(AlleleDbTest, LookupsAnswerNullOrMinusOneWhenNothingMatches)
{
    TLocus empty(my_string("empty"));
    EXPECT_EQ(empty.find_allele_pos_by_name(my_string("A")), -1);
    EXPECT_EQ(empty.find_allele_by_name(my_string("A")), nullptr);

    TAlleleDB db;
    fill(db, {{{"null", 0}, {"A", 1}, {"C", 1}}, {{"null", 0}, {"A", 1}}});
    TLocus* l0 = db.loci[0];
    TLocus* l1 = db.loci[1];
    EXPECT_EQ(l0->get_allele_index(l0->alleles[2]), 2);
    // Same name, other locus: identity counts, not the name.
    EXPECT_EQ(l0->get_allele_index(l1->alleles[1]), -1);
    EXPECT_EQ(l0->find_allele_pos_by_name(my_string("C")), 2);

    struct Case {
        const char* what;
        TAllele* got;
        std::string expected;
    };
    const Case cases[] = {
        {"names", db(my_string("Locus 1"), my_string("A")), "A"},
        {"unknown locus name", db(my_string("Locus 9"), my_string("A")), "(null)"},
        {"unknown allele", db(my_string("Locus 0"), my_string("G")), "(null)"},
        {"index and name", db(0, my_string("C")), "C"},
        {"index past the loci", db(2, my_string("A")), "(null)"},
        {"negative index", db(-1, my_string("A")), "(null)"},
        {"name and position", db(my_string("Locus 0"), 1), "A"},
        {"position past the alleles", db(my_string("Locus 1"), 2), "(null)"},
        {"negative position", db(my_string("Locus 1"), -1), "(null)"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(name_of(c.got), c.expected);
    }
}

TEST_F(AlleleDbTest, IsPolymorphDiscountsTheMissingDataAllele)
{
    struct Case {
        std::vector<const char*> alleles;
        bool expected;
    };
    const Case cases[] = {
        {{"null", "A"}, false},
        {{"null", "A", "?"}, false},
        {{"null", "?", "A"}, false},  // missing data at position 1 is no allele either
        {{"null", "A", "C"}, true},
        {{"null", "A", "?", "C"}, true},
        {{"null", "A", "??"}, true},  // only the one-character name is missing data
    };
    for (Case const& c : cases) {
        TLocus locus(my_string("L"));
        SCOPED_TRACE(add_alleles(locus, c.alleles));
        EXPECT_EQ(locus.is_polymorph('?'), c.expected);
    }
}

TEST_F(AlleleDbTest, IsPolymorphWithOtherNameCountsTheRemainingAlleles)
{
    struct Case {
        std::vector<const char*> alleles;
        bool expected;
    };
    const Case cases[] = {
        {{}, false},
        {{"null", "A", "?"}, false},
        {{"null", "A", "C"}, true},
        {{"A", "C"}, true},
        {{"null", "?", "A", "null"}, false},
    };
    for (Case const& c : cases) {
        TLocus locus(my_string("L"));
        SCOPED_TRACE(add_alleles(locus, c.alleles));
        EXPECT_EQ(locus.is_polymorph('?', my_string("null")), c.expected);
    }
}

TEST_F(AlleleDbTest, CreatePopFreqVectorResizesEveryArray)
{
    TAlleleDB db;
    fill(db, {{{"null", 0}, {"A", 1}}, {{"null", 0}, {"1", 1}, {"2", 1}}});
    db.create_pop_freq_vector(3);
    EXPECT_EQ(TAllele::numPop, 3);
    db.loci[0]->alleles[1]->pop_freq[2] = 0.5;
    db.flush_pop_freq_vector();
    EXPECT_EQ(TAllele::numPop, 3);
    EXPECT_EQ(db.loci[0]->alleles[1]->pop_freq, nullptr);

    db.create_pop_freq_vector(5);
    db.create_group_freq_vector(2);
    EXPECT_EQ(TAllele::numPop, 5);
    EXPECT_EQ(TAllele::numGroup, 2);
    for (int L = 0; L < db.loci.count; L++)
        for (int j = 0; j < db.loci[L]->alleles.count; j++) {
            TAllele* a = db.loci[L]->alleles[j];
            ASSERT_NE(a->pop_freq, nullptr);
            ASSERT_NE(a->group_freq, nullptr);
            for (int k = 0; k < 5; k++)
                EXPECT_EQ(a->pop_freq[k], 0);
            EXPECT_EQ(a->group_freq[0] + a->group_freq[1], 0);
        }

    // Creating over existing arrays replaces them.
    db.loci[1]->alleles[2]->pop_freq[4] = 1;
    db.create_pop_freq_vector(5);
    EXPECT_EQ(db.loci[1]->alleles[2]->pop_freq[4], 0);

    db.reset_all_pop_freqs();
    db.flush_group_freq_vector();
    EXPECT_EQ(db.loci[1]->alleles[2]->pop_freq, nullptr);
    EXPECT_EQ(db.loci[1]->alleles[2]->group_freq, nullptr);
    EXPECT_EQ(TAllele::numGroup, 2);
}

TEST_F(AlleleDbTest, FailedCreationReleasesTheArraysAndKeepsTheLength)
{
    TAlleleDB db;
    fill(db, {{{"null", 0}, {"A", 1}}});
    db.create_pop_freq_vector(3);
    EXPECT_THROW(db.create_pop_freq_vector(-1), ExceptionType);
    EXPECT_EQ(TAllele::numPop, 3);
    EXPECT_EQ(db.loci[0]->alleles[0]->pop_freq, nullptr);
    EXPECT_EQ(db.loci[0]->alleles[1]->pop_freq, nullptr);
}

TEST_F(AlleleDbTest, AlleleCopiesKeepTheirOwnArrayLength)
{
    // Two databases whose arrays were made with different lengths: copying an
    // allele of the first after the second set numPop copies its own 2 values.
    TAlleleDB first, second;
    fill(first, {{{"A", 1}}});
    fill(second, {{{"B", 1}}});
    first.create_pop_freq_vector(2);
    first.loci[0]->alleles[0]->pop_freq[1] = 0.25;
    second.create_pop_freq_vector(6);
    ASSERT_EQ(TAllele::numPop, 6);

    TAllele* source = first.loci[0]->alleles[0];
    source->sub_locus = 7;
    source->exp_freq = 0.3;
    source->inbreed_sum = 0.1;
    TAllele copy(*source);
    EXPECT_STREQ(copy.name.str, "A");
    EXPECT_EQ(copy.count, 1);
    EXPECT_EQ(copy.exp_freq, 0.3);
    EXPECT_EQ(copy.inbreed_sum, 0.1);
    EXPECT_EQ(copy.sub_locus, 0);  // not copied
    ASSERT_NE(copy.pop_freq, source->pop_freq);
    EXPECT_EQ(copy.pop_freq_len, 2);
    EXPECT_EQ(copy.pop_freq[1], 0.25);
    EXPECT_EQ(copy.group_freq, nullptr);

    // Assigning an allele without arrays leaves the target without any.
    TAllele target = *second.loci[0]->alleles[0];
    target = TAllele();
    EXPECT_EQ(target.pop_freq, nullptr);
    EXPECT_STREQ(target.name.str, "UNDEF");
    TAllele& same = target;
    target = same;
    EXPECT_STREQ(target.name.str, "UNDEF");
}

TEST_F(AlleleDbTest, DatabaseCopyIsDeepAndKeepsTheSlotFlag)
{
    TAlleleDB db;
    fill(db, {{{"null", 0}, {"A", 2}}, {{"null", 0}}});
    db.blanks_inserted = 1;
    db.loci[0]->print_width = 4;
    db.loci[0]->locus_results[11] = 0.5;
    db.create_pop_freq_vector(2);

    TAlleleDB copy(db);
    EXPECT_STREQ(copy.not_found.name.str, "UNDEF");
    EXPECT_STREQ(db.not_found.name.str, "Allele not found");
    EXPECT_EQ(copy.blanks_inserted, 1);
    ASSERT_EQ(copy.loci.count, 2);
    EXPECT_NE(copy.loci[0], db.loci[0]);
    EXPECT_NE(copy.loci[0]->alleles[1], db.loci[0]->alleles[1]);
    EXPECT_STREQ(copy.loci[0]->alleles[1]->name.str, "A");
    EXPECT_EQ(copy.loci[0]->alleles[1]->count, 2);
    EXPECT_EQ(copy.loci[0]->print_width, 4);
    EXPECT_EQ(copy.loci[0]->locus_results[11], 0.5);
    EXPECT_NE(copy.loci[0]->alleles[1]->pop_freq, db.loci[0]->alleles[1]->pop_freq);

    // Assignment replaces the old content; the original is untouched by
    // changes to the copy.
    TAlleleDB other;
    fill(other, {{{"X", 1}}, {{"Y", 1}}, {{"Z", 1}}});
    other = db;
    EXPECT_EQ(other.loci.count, 2);
    other.InsertAllPos(0, my_string("A"), 1.0);
    EXPECT_EQ(db.loci[0]->alleles[1]->count, 2);
    TAlleleDB& same = other;
    other = same;
    EXPECT_EQ(other.loci.count, 2);
}

TEST_F(AlleleDbTest, DestroyEmptiesTheDatabaseButKeepsTheLengths)
{
    TAlleleDB db;
    fill(db, {{{"null", 0}, {"A", 1}}});
    db.blanks_inserted = 1;
    db.create_pop_freq_vector(4);
    db.destroy();
    EXPECT_EQ(db.loci.count, 0);
    EXPECT_EQ(db.blanks_inserted, 0);
    EXPECT_EQ(TAllele::numPop, 4);
    // The next run starts again from locus 0.
    EXPECT_EQ(db.InsertAllPos(0, my_string("null"), 0.0), 0);
    EXPECT_STREQ(db.loci[0]->name.str, "Locus 0");
}

TEST_F(AlleleDbTest, PrintoutWritesTheAlleleTable)
{
    struct Case {
        const char* what;
        std::vector<AlleleList> loci;
        std::string expected;
    };
    const Case cases[] = {
        {"two loci, short second column",
         {{{"A", 0.25}, {"C", 0.75}}, {{"12", 1}}},
         " A  25%| 12 100%|\n"
         " C  75%|        |\n"},
        {"percentages are truncated", {{{"AB", 0.999}}}, " AB  99%|\n"},
        {"no loci", {}, ""},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        TAlleleDB db;
        fill(db, c.loci);
        std::ostringstream out;
        out << db;
        EXPECT_EQ(out.str(), c.expected);
    }

    TAlleleDB db;
    fill(db, {{{"A", 1}, {"CCC", 1}}});
    db.loci.Add(new TLocus(my_string("empty")));
    std::ostringstream out;
    out << db;
    EXPECT_EQ(db.loci[0]->print_width, 4);
    EXPECT_EQ(db.loci[1]->print_width, 1);
    EXPECT_EQ(out.str(), "   A 100%|      |\n CCC 100%|      |\n");
}

TEST_F(AlleleDbTest, AlleleOutputIsItsName)
{
    std::ostringstream out;
    out << TAllele(my_string("A12"), 3.0, 1);
    EXPECT_EQ(out.str(), "A12");
}

TEST_F(AlleleDbTest, InbreedingUpdateCorrectsExpectedFrequencies)
{
    TAlleleDB db;
    fill(db, {{{"A", 1}, {"C", 1}}});
    db.create_pop_freq_vector(2);
    TAllele* a = db.loci[0]->alleles[0];
    TAllele* c = db.loci[0]->alleles[1];
    a->pop_freq[0] = 0.6;
    a->pop_freq[1] = 0.5;
    a->inbreed_sum = 0.1;
    c->pop_freq[0] = 0.2;
    c->pop_freq[1] = 0.5;

    // A coefficient that is not positive changes nothing.
    EXPECT_EQ(db.update_all_freq_with_inbreeding(0.0), -1);
    EXPECT_EQ(db.update_all_freq_with_inbreeding(-0.5), -1);
    EXPECT_EQ(a->pop_freq[1], 0.5);
    EXPECT_EQ(a->inbreed_sum, 0.1);

    // e(A) = (0.6 - 0.1) / 0.5 = 1, e(C) = 0.2 / 0.5 = 0.4.
    EXPECT_NEAR(db.update_all_freq_with_inbreeding(0.5), 0.5 + 0.1, 1e-12);
    EXPECT_NEAR(a->exp_freq, 1.0, 1e-12);
    EXPECT_NEAR(a->pop_freq[1], 1.0, 1e-12);
    EXPECT_EQ(a->inbreed_sum, 0);
    EXPECT_NEAR(c->pop_freq[1], 0.4, 1e-12);

    // A database without loci has nothing to correct, whatever the arrays made last.
    TAlleleDB empty;
    EXPECT_EQ(empty.update_all_freq_with_inbreeding(0.5), 0);
    TAllele::numPop = 0;
    EXPECT_EQ(empty.update_all_freq_with_inbreeding(0.5), 0);
}

TEST_F(AlleleDbTest, InbreedingUpdateRefusesAllelesWithoutTwoFrequencies)
{
    // No arrays at all.
    TAlleleDB db;
    fill(db, {{{"A", 1}, {"C", 1}}});
    TAllele::numPop = 2;
    EXPECT_EQ(db.update_all_freq_with_inbreeding(0.5), -1);

    // One allele entered after the arrays were made: nothing is changed.
    db.create_pop_freq_vector(2);
    db.loci[0]->alleles[0]->pop_freq[0] = 0.4;
    db.InsertAllPos(0, my_string("G"), 1.0);
    EXPECT_EQ(db.update_all_freq_with_inbreeding(0.5), -1);
    EXPECT_EQ(db.loci[0]->alleles[0]->pop_freq[1], 0);

    // Arrays of one entry.
    db.create_pop_freq_vector(1);
    EXPECT_EQ(db.update_all_freq_with_inbreeding(0.5), -1);
}

TEST_F(AlleleDbTest, RandomExpectedFrequenciesSumToOnePerLocus)
{
    TAlleleDB db;
    fill(db, {{{"A", 1}, {"C", 1}, {"G", 1}}, {{"1", 1}}});
    db.loci.Add(new TLocus(my_string("empty")));
    db.assign_rand_exp_freq();
    double sum = 0;
    for (int j = 0; j < 3; j++) {
        double f = db.loci[0]->alleles[j]->exp_freq;
        EXPECT_GE(f, 0);
        EXPECT_LE(f, 1);
        sum += f;
    }
    EXPECT_NEAR(sum, 1, 1e-12);
    EXPECT_NEAR(db.loci[1]->alleles[0]->exp_freq, 1, 1e-12);

    db.loci[0]->alleles[0]->inbreed_sum = 0.2;
    db.reset_exp_freq();
    EXPECT_EQ(db.loci[0]->alleles[0]->exp_freq, 0);
    EXPECT_EQ(db.loci[0]->alleles[0]->inbreed_sum, 0);
}

}  // namespace
