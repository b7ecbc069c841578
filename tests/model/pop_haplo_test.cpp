// Haplotypes with frequencies: identity, order, printing and restricted copies.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "model/allele.h"
#include "model/allele_db.h"
#include "model/pop_haplo.h"

namespace {

// Three loci: {A, a}, {C, G, c}, {T, t}.
class PopHaploTest : public ::testing::Test {
protected:
    TAlleleDB db;

    void SetUp() override
    {
        for (const char* n : {"A", "a"})
            db.InsertAllPos(0, my_string(n), 1.0);
        for (const char* n : {"C", "G", "c"})
            db.InsertAllPos(1, my_string(n), 1.0);
        for (const char* n : {"T", "t"})
            db.InsertAllPos(2, my_string(n), 1.0);
    }

    // Allele names given locus by locus from locus 0.
    TPopHaplotype hap(std::vector<const char*> names, char sep = ' ')
    {
        TPopHaplotype h(sep);
        for (int l = 0; l < static_cast<int>(names.size()); l++)
            h.alleles.Add(db(l, my_string(names[l])));
        return h;
    }

    static std::string names(TPopHaplotype const& h)
    {
        std::ostringstream os;
        os << h;
        return os.str();
    }
};

TEST_F(PopHaploTest, ConstructionGivesTheDefaultRecord)
{
    TPopHaplotype h('/', 4);
    EXPECT_STREQ(h.id.str, "UNKNOWN");
    EXPECT_EQ(h.separator, '/');
    EXPECT_EQ(h.alleles.capacity, 5);
    EXPECT_EQ(h.alleles.count, 0);
    EXPECT_EQ(h.alleles.owns, 0);
    EXPECT_EQ(h.index, -1);
    EXPECT_EQ(h.freq + h.prev_freq + h.sd + h.sum_freq + h.ld + h.ld_norm + h.inbreed_share, 0);
    EXPECT_EQ(h.fixed + h.homo_count + h.matched, 0);
    EXPECT_EQ(TPopHaplotype().separator, ' ');
}

TEST_F(PopHaploTest, EqualityIsByAlleleObjectsNotNames)
{
    TAlleleDB other;  // the same names in another database
    other.InsertAllPos(0, my_string("A"), 1.0);
    other.InsertAllPos(1, my_string("C"), 1.0);
    TPopHaplotype foreign(' ');
    foreign.alleles.Add(other(0, my_string("A")));
    foreign.alleles.Add(other(1, my_string("C")));

    EXPECT_TRUE(hap({"A", "C"}) == hap({"A", "C"}));
    EXPECT_FALSE(hap({"A", "C"}) == foreign);
    EXPECT_FALSE(hap({"A", "C"}) == hap({"A", "C", "T"}));
    EXPECT_TRUE(hap({}) == hap({}));
}

TEST_F(PopHaploTest, OrderIsByAlleleNamesLocusByLocus)
{
    struct Case {
        std::vector<const char*> a, b;
        bool a_before_b;
    };
    const Case cases[] = {
        {{"A", "C"}, {"A", "G"}, true},
        {{"A", "G"}, {"A", "C"}, false},
        {{"A", "C"}, {"A", "C"}, false},
        {{"A", "c"}, {"a", "C"}, true},  // locus 0 decides, upper case first
        // Different lengths: compared over the shorter, which then sorts first.
        {{"A", "C"}, {"A", "C", "T"}, true},
        {{"A", "C", "T"}, {"A", "C"}, false},
        {{"A", "G"}, {"A", "C", "T"}, false},
        {{}, {"A"}, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(names(hap(c.a)) + "< " + names(hap(c.b)));
        EXPECT_EQ(hap(c.a) < hap(c.b), c.a_before_b);
    }
}

TEST_F(PopHaploTest, PrintingWritesEachNameWithItsSeparator)
{
    EXPECT_EQ(names(hap({"A", "C", "T"})), "A C T ");
    EXPECT_EQ(names(hap({"A", "C", "T"}, 0)), "ACT");
    EXPECT_EQ(names(hap({"a", "G"}, ';')), "a;G;");
}

TEST_F(PopHaploTest, AssignmentCopiesFieldsAndSharesAlleles)
{
    TPopHaplotype src = hap({"a", "G", "T"}, ':');
    src.id = "h7";
    src.freq = 0.4;
    src.ld = 0.1;
    src.fixed = 1;
    src.homo_count = 3;
    src.matched = 1;
    src.index = 5;
    TPopHaplotype dst = hap({"A"});
    dst = src;
    EXPECT_TRUE(dst == src);
    EXPECT_STREQ(dst.id.str, "h7");
    EXPECT_EQ(dst.freq, 0.4);
    EXPECT_EQ(dst.ld, 0.1);
    EXPECT_EQ(dst.separator, ':');
    EXPECT_EQ(dst.fixed + dst.homo_count + dst.matched + dst.index, 1 + 3 + 1 + 5);
    // The allele lists are separate: emptying one leaves the other and the database.
    src.empty();
    EXPECT_EQ(src.alleles.count, 0);
    EXPECT_EQ(names(dst), "a:G:T:");
    EXPECT_EQ(db.loci[1]->alleles.count, 3);
}

TEST_F(PopHaploTest, RestrictedCopyTakesTheListedPositionsInOrder)
{
    TPopHaplotype src = hap({"a", "G", "t"});
    src.id = "x";
    src.freq = 0.25;
    src.ld = src.ld_norm = 0.5;
    TPopHaplotype dst;
    dst.fixed = 1;
    dst.index = 9;
    const int list[] = {3, 2, 2, 0};
    dst.copy_restricted_hapl(list, src);
    EXPECT_EQ(names(dst), "t t a ");
    EXPECT_STREQ(dst.id.str, "x");
    EXPECT_EQ(dst.freq, 0.25);
    EXPECT_EQ(dst.ld + dst.ld_norm, 0);
    EXPECT_EQ(dst.fixed, 1);  // kept
    EXPECT_EQ(dst.index, 9);

    // A haplotype restricted onto itself.
    const int first_two[] = {2, 0, 1};
    src.copy_restricted_hapl(first_two, src);
    EXPECT_EQ(names(src), "a G ");
}

TEST_F(PopHaploTest, SubHaplotypeKeepsMaskedLociAndRecordsTheirPositions)
{
    TPopHaplotype src = hap({"A", "c", "T"});
    const int mask[] = {1, 0, 1};
    TPopHaplotype dst;
    dst.build_sub_haplotype(mask, src);
    EXPECT_EQ(names(dst), "A T ");
    EXPECT_EQ(db(0, my_string("A"))->sub_locus, 0);
    EXPECT_EQ(db(2, my_string("T"))->sub_locus, 2);

    // Positions are those of the source, not locus indices.
    TPopHaplotype shifted(' ');
    shifted.alleles.Add(db(2, my_string("t")));
    dst.build_sub_haplotype(mask, shifted);
    EXPECT_EQ(names(dst), "t ");
    EXPECT_EQ(db(2, my_string("t"))->sub_locus, 0);
}

TEST_F(PopHaploTest, SampledHaplotypeIsTheNamedPair)
{
    TPopHaplotype h = hap({"A", "C", "T"}, 0);
    h.freq = h.sd = h.ld = 0.3;
    h.fixed = 1;
    h.build_sampled_haplo(12, db(0, my_string("a")), db(2, my_string("t")));
    EXPECT_STREQ(h.id.str, "12");
    EXPECT_EQ(names(h), "a t ");
    EXPECT_EQ(h.freq + h.sd + h.ld, 0);
    EXPECT_EQ(h.fixed, 1);
}

}  // namespace
