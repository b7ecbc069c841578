// Haplotype-frequency tables: lookup by allele identity, reduction, the
// reference haplotype, the estimation support and the printed table.

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/random.h"
#include "model/allele.h"
#include "model/allele_db.h"
#include "model/pop_haplo.h"
#include "model/pop_haplo_db.h"
#include "support/temp_log.h"

namespace {

using Names = std::vector<const char*>;

// Two loci {A, a} and {B, b}, and a log in a fresh folder so that warnings
// can be counted.
class PopHaploDbTest : public LogFolderTest {
protected:
    TAlleleDB db;

    void SetUp() override
    {
        for (const char* n : {"A", "a"})
            db.InsertAllPos(0, my_string(n), 1.0);
        for (const char* n : {"B", "b"})
            db.InsertAllPos(1, my_string(n), 1.0);
    }

    int log_count(const std::string& text) const { return count_of(log_text(), text); }

    // Allele names locus by locus, looked up in the database of alleles.
    static TPopHaplotype hap(TAlleleDB& alleles, Names const& names, const char* id = "UNKNOWN")
    {
        TPopHaplotype h(' ');
        h.id = id;
        for (int l = 0; l < static_cast<int>(names.size()); l++)
            h.alleles.Add(alleles(l, my_string(names[l])));
        return h;
    }
    TPopHaplotype hap(Names const& names, const char* id = "UNKNOWN") { return hap(db, names, id); }

    // Appends directly, without merging, as a table filled by a caller may be.
    void add(TPopHaploDB& t, Names const& names, double freq, const char* id = "UNKNOWN")
    {
        TPopHaplotype* h = new TPopHaplotype(hap(names, id));
        h->freq = freq;
        t.haplotypes.Add(h);
    }

    static std::string listing(TPopHaploDB const& t)
    {
        std::ostringstream os;
        for (int i = 0; i < t.haplotypes.count; i++)
            os << *t.haplotypes[i] << "= " << t.haplotypes[i]->freq << "; ";
        return os.str();
    }
};

TEST_F(PopHaploDbTest, InsertMatchesByAlleleIdentity)
{
    TAlleleDB copy(db);  // the same names, other objects
    TPopHaploDB t;
    TPopHaplotype AB = hap({"A", "B"});

    TPopHaplotype* first = t.insert(AB, 0.25);
    EXPECT_NE(first, &AB);
    EXPECT_EQ(t.insert(AB, 0.5), first);
    EXPECT_EQ(first->freq, 0.75);

    TPopHaplotype* foreign = t.insert(hap(copy, {"A", "B"}), 0.1);
    TPopHaplotype* shorter = t.insert(hap({"A"}), 0.2);
    TPopHaplotype* ab = t.insert(hap({"a", "b"}), 0.3);
    EXPECT_EQ(t.haplotypes.count, 4);
    EXPECT_NE(foreign, first);
    EXPECT_NE(shorter, first);
    EXPECT_EQ(t.insert(hap({"a", "b"}), 0.3), ab);
    EXPECT_EQ(ab->freq, 0.6);

    // The stored entry is a copy: changing the argument changes nothing.
    AB.alleles[0] = db(0, my_string("a"));
    AB.alleles[1] = db(1, my_string("b"));
    AB.freq = 9;
    EXPECT_EQ(t.find(hap({"A", "B"})), first);
    EXPECT_EQ(t.find(AB), ab);
    EXPECT_EQ(t.find(hap({"a", "B"})), nullptr);
    EXPECT_EQ(first->freq, 0.75);

    // Haplotypes without loci match each other.
    TPopHaplotype* none = t.insert(hap({}), 1);
    EXPECT_EQ(t.insert(hap({}), 1), none);
    EXPECT_EQ(none->freq, 2);
}

TEST_F(PopHaploDbTest, LookupFollowsChangesMadeToTheTable)
{
    TPopHaploDB t;
    t.insert(hap({"A", "B"}), 0.1);
    t.insert(hap({"a", "b"}), 0.2);

    // Appended by a caller directly: found by the next insert.
    add(t, {"A", "b"}, 0.3);
    t.insert(hap({"A", "b"}), 0.1);
    EXPECT_EQ(listing(t), "A B = 0.1; a b = 0.2; A b = 0.4; ");

    // Reduced by cleanDB: the survivors keep being found.
    double threshold = 0.15;
    EXPECT_EQ(t.cleanDB(threshold), 2);
    t.insert(hap({"A", "b"}), 0.1);
    t.insert(hap({"A", "B"}), 0.05);
    EXPECT_EQ(listing(t), "a b = 0.2; A b = 0.5; A B = 0.05; ");

    // Emptied and refilled by a caller directly.
    t.haplotypes.Flush();
    add(t, {"a", "B"}, 0.3);
    add(t, {"a", "b"}, 0.3);
    add(t, {"A", "B"}, 0.3);
    t.insert(hap({"a", "b"}), 0.1);
    EXPECT_EQ(t.haplotypes.count, 3);
    EXPECT_DOUBLE_EQ(t.find(hap({"a", "b"}))->freq, 0.4);

    // Reordered by a caller directly, the last entry staying in place.
    std::swap(t.haplotypes.data[0], t.haplotypes.data[1]);
    EXPECT_EQ(t.find(hap({"a", "b"})), t.haplotypes[0]);
    EXPECT_EQ(t.find(hap({"a", "B"})), t.haplotypes[1]);

    // Copies of a table have their own lookup.
    TPopHaploDB copy(t);
    copy.insert(hap({"a", "B"}), 1);
    EXPECT_EQ(copy.haplotypes.count, 3);
    EXPECT_DOUBLE_EQ(copy.find(hap({"a", "B"}))->freq, 1.3);
    EXPECT_EQ(t.find(hap({"a", "B"}))->freq, 0.3);
}

TEST_F(PopHaploDbTest, AllelesChangedInPlaceAreFoundUnderTheirNewContents)
{
    TAllele* a = db(0, my_string("a"));
    TAllele* A = db(0, my_string("A"));
    TPopHaploDB t;
    t.insert(hap({"A", "B"}), 0.1);
    t.insert(hap({"a", "b"}), 0.2);
    t.insert(hap({"A", "b"}), 0.3);
    ASSERT_NE(t.find(hap({"A", "b"})), nullptr);  // all three are indexed

    // A B becomes a B: found there, and added to rather than entered twice.
    t.edit(0).alleles[0] = a;
    EXPECT_EQ(t.find(hap({"a", "B"})), t.haplotypes[0]);
    EXPECT_EQ(t.find(hap({"A", "B"})), nullptr);
    t.insert(hap({"a", "B"}), 0.4);
    EXPECT_EQ(listing(t), "a B = 0.5; a b = 0.2; A b = 0.3; ");

    // a b becomes A b, equal to the entry after it: the first one answers.
    t.edit(1).alleles[0] = A;
    EXPECT_EQ(t.find(hap({"A", "b"})), t.haplotypes[1]);
    t.insert(hap({"a", "b"}), 0.6);
    EXPECT_EQ(listing(t), "a B = 0.5; A b = 0.2; A b = 0.3; a b = 0.6; ");

    // A series of edits, through the haplotypes' own operations too, before
    // one lookup: the first allele of every entry switched.
    for (int i = 0; i < t.haplotypes.count; i++) {
        TPopHaplotype switched = *t.haplotypes[i];
        switched.alleles[0] = switched.alleles[0] == a ? A : a;
        t.edit(i).copy_restricted_hapl(std::vector<int>{2, 0, 1}.data(), switched);
    }
    EXPECT_EQ(listing(t), "A B = 0.5; a b = 0.2; a b = 0.3; A b = 0.6; ");
    EXPECT_EQ(t.insert(hap({"a", "b"}), 1), t.haplotypes[1]);
    EXPECT_EQ(t.insert(hap({"A", "b"}), 1), t.haplotypes[3]);
    EXPECT_EQ(t.find(hap({"a", "B"})), nullptr);
    EXPECT_EQ(t.haplotypes.count, 4);
}

TEST_F(PopHaploDbTest, LookupAmongManyHaplotypesAnswersTheFirstEqualOne)
{
    // 256 haplotypes over 8 loci of two alleles, each appended twice by a
    // caller in a scrambled order: far more than the index first holds.
    TAlleleDB many;
    for (int L = 0; L < 8; L++)
        for (const char* n : {"A", "a"})
            many.InsertAllPos(L, my_string(n), 1.0);
    auto pattern = [&](int k) {
        TPopHaplotype h(' ');
        for (int L = 0; L < 8; L++)
            h.alleles.Add(many.loci[L]->alleles[(k >> L) & 1]);
        return h;
    };
    TPopHaploDB t;
    for (int i = 0; i < 512; i++)
        t.haplotypes.Add(new TPopHaplotype(pattern(i * 37 % 256)));

    for (int k = 0; k < 256; k++) {
        TPopHaplotype h = pattern(k);
        int first = 0;
        while (!(*t.haplotypes[first] == h))
            first++;
        ASSERT_EQ(t.find(h), t.haplotypes[first]) << "pattern " << k;
        EXPECT_EQ(t.insert(h, 1.0), t.haplotypes[first]);
    }
    EXPECT_EQ(t.haplotypes.count, 512);
    EXPECT_EQ(t.find(hap({"A", "B"})), nullptr);  // other loci, other alleles
}

TEST_F(PopHaploDbTest, CleanDbKeepsFrequenciesFromTheThresholdInOrder)
{
    struct Case {
        std::vector<double> freqs;
        double threshold;
        std::string left;
    };
    const Case cases[] = {
        {{0.05, 0.1, 0.2}, 0.1, "a b = 0.1; A b = 0.2; "},
        {{0.3, 0.01, 0.3}, 0.1, "A B = 0.3; A b = 0.3; "},
        {{0.5, 0.3, 0.2}, 2.0, ""},
        {{0.5, 0.3, 0.2}, 0.0, "A B = 0.5; a b = 0.3; A b = 0.2; "},
    };
    const Names haps[] = {{"A", "B"}, {"a", "b"}, {"A", "b"}};
    for (Case const& c : cases) {
        TPopHaploDB t;
        for (int i = 0; i < 3; i++)
            add(t, haps[i], c.freqs[i]);
        double threshold = c.threshold;
        int left = t.cleanDB(threshold);
        EXPECT_EQ(left, t.haplotypes.count);
        EXPECT_EQ(listing(t), c.left) << "threshold " << c.threshold;
    }
}

TEST_F(PopHaploDbTest, CheckRedundancyMergesIntoTheFirstOfEachGroup)
{
    TPopHaploDB t;
    add(t, {"A", "B"}, 1, "first");
    add(t, {"a", "b"}, 2);
    add(t, {"A", "B"}, 4);
    add(t, {"A", "b"}, 8);
    add(t, {"a", "b"}, 16);
    add(t, {"A", "B"}, 32);
    t.check_redundancy();
    EXPECT_EQ(listing(t), "A B = 37; a b = 18; A b = 8; ");
    EXPECT_STREQ(t.haplotypes[0]->id.str, "first");
    t.insert(hap({"A", "b"}), 1);
    EXPECT_EQ(t.haplotypes.count, 3);
}

TEST_F(PopHaploDbTest, ExplodeBaseTurnsCountsIntoSingleCopies)
{
    TPopHaploDB t;
    add(t, {"A", "B"}, 3);
    add(t, {"a", "b"}, 1);
    t.explode_base();
    EXPECT_EQ(listing(t), "A B = 1; a b = 1; A B = 1; A B = 1; ");
    EXPECT_EQ(log_count("haplotype frequencies are not absolute frequencies"), 0);

    TPopHaploDB half;
    add(half, {"A", "B"}, 2.5);
    half.explode_base();
    EXPECT_EQ(listing(half), "A B = 1; A B = 1; ");
    EXPECT_EQ(log_count("\"TPopHaploDB::explode_base()\" : haplotype frequencies are not absolute "
                        "frequencies"),
              1);
}

TEST_F(PopHaploDbTest, SelectHaplotypeByCumulativeFrequency)
{
    TPopHaploDB t;
    add(t, {"A", "B"}, 0.2);
    add(t, {"a", "b"}, 0.3);
    add(t, {"A", "b"}, 0.5);
    const std::pair<double, int> cases[] = {{0.1, 0}, {0.2, 1}, {0.0, 0}, {0.99, 2}, {1.0, -1}};
    for (auto [u, expected] : cases)
        EXPECT_EQ(t.select_haplotype(u), expected < 0 ? nullptr : t.haplotypes[expected]) << "u = " << u;
    EXPECT_EQ(TPopHaploDB().select_haplotype(0.0), nullptr);
}

TEST_F(PopHaploDbTest, PermuteShufflesAllelesWithinEachLocus)
{
    TPopHaploDB t;
    const Names haps[] = {{"A", "B"}, {"A", "b"}, {"a", "B"}, {"a", "b"}, {"A", "B"}, {"a", "b"}};
    for (int i = 0; i < 6; i++)
        add(t, haps[i], i + 1.0, std::to_string(i).c_str());
    long seed = -4711;
    ran3(&seed);
    int n_loci = 2;
    t.permute(&n_loci);

    for (int l = 0; l < 2; l++) {
        std::map<TAllele*, int> before, after;
        for (int i = 0; i < 6; i++) {
            before[db(l, my_string(haps[i][l]))]++;
            after[t.haplotypes[i]->alleles[l]]++;
        }
        EXPECT_EQ(before, after) << "locus " << l;
    }
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(t.haplotypes[i]->freq, i + 1.0);
        EXPECT_STREQ(t.haplotypes[i]->id.str, std::to_string(i).c_str());
    }
    // The lookup sees the new allele lists.
    TPopHaplotype moved = *t.haplotypes[5];
    EXPECT_EQ(t.insert(moved, 0), t.find(moved));
    EXPECT_EQ(t.haplotypes.count, 6);
}

// Loci {null, A}, {N, C, G}, {null}: the missing-data character is N.
class ReferenceTest : public PopHaploDbTest {
protected:
    TAlleleDB ref_db;

    void SetUp() override
    {
        PopHaploDbTest::SetUp();
        for (const char* n : {"null", "A"})
            ref_db.InsertAllPos(0, my_string(n), 1.0);
        for (const char* n : {"N", "C", "G"})
            ref_db.InsertAllPos(1, my_string(n), 1.0);
        ref_db.InsertAllPos(2, my_string("null"), 1.0);
    }
};

TEST_F(ReferenceTest, ReferenceTakesTheFirstNonMissingAlleleOfEachLocus)
{
    TPopHaploDB t;
    TPopHaplotype h = hap(ref_db, {"A", "G", "null"});
    h.separator = '-';
    t.insert(h, 1);
    t.build_reference_haplotype(&ref_db, 'N');
    ASSERT_NE(t.poly_flags, nullptr);
    ASSERT_NE(t.ref_hapl, nullptr);
    EXPECT_EQ(std::vector<int>(t.poly_flags, t.poly_flags + 3), (std::vector<int>{1, 1, 0}));
    ASSERT_EQ(t.ref_hapl->alleles.count, 3);
    EXPECT_EQ(t.ref_hapl->alleles[0], ref_db(0, my_string("null")));
    EXPECT_EQ(t.ref_hapl->alleles[1], ref_db(1, my_string("C")));
    EXPECT_EQ(t.ref_hapl->alleles[2], ref_db(2, my_string("null")));
    EXPECT_EQ(t.ref_hapl->separator, '-');

    // Assignment copies reference and flags.
    TPopHaploDB copy;
    copy = t;
    ASSERT_NE(copy.ref_hapl, t.ref_hapl);
    EXPECT_TRUE(*copy.ref_hapl == *t.ref_hapl);
    EXPECT_EQ(std::vector<int>(copy.poly_flags, copy.poly_flags + 3), (std::vector<int>{1, 1, 0}));
}

TEST_F(ReferenceTest, NothingIsBuiltWithoutPolymorphicLocusOrHaplotype)
{
    TAlleleDB mono;
    mono.InsertAllPos(0, my_string("null"), 1.0);
    mono.InsertAllPos(1, my_string("C"), 1.0);

    TPopHaploDB t;
    t.insert(hap(mono, {"null", "C"}), 1);
    t.build_reference_haplotype(&mono, 'N');
    EXPECT_EQ(t.poly_flags, nullptr);
    EXPECT_EQ(t.ref_hapl, nullptr);

    // Existing flags and reference stay.
    t.build_reference_haplotype(&ref_db, 'N');
    int* flags = t.poly_flags;
    t.build_reference_haplotype(&mono, 'N');
    EXPECT_EQ(t.poly_flags, flags);

    TPopHaploDB none;
    none.build_reference_haplotype(&ref_db, 'N');
    EXPECT_EQ(none.poly_flags, nullptr);
    EXPECT_EQ(none.ref_hapl, nullptr);
}

TEST_F(ReferenceTest, CompactKeepsThePolymorphicLoci)
{
    TAlleleDB mono;
    mono.InsertAllPos(0, my_string("null"), 1.0);
    mono.InsertAllPos(1, my_string("C"), 1.0);
    mono.InsertAllPos(2, my_string("T"), 1.0);

    TPopHaploDB t;
    t.insert(hap(ref_db, {"A", "G", "null"}), 0.5);
    t.insert(hap(ref_db, {"null", "C", "null"}), 0.5);
    t.compact(&ref_db, 'N');
    EXPECT_EQ(listing(t), "A G = 0.5; null C = 0.5; ");
    t.insert(hap(ref_db, {"A", "G"}), 0.25);
    EXPECT_EQ(t.haplotypes.count, 2);

    // Without a polymorphic locus the haplotypes stay whole and the flags
    // of the earlier database go.
    TPopHaploDB m;
    m.insert(hap(ref_db, {"A", "G", "null"}), 1);
    m.build_reference_haplotype(&ref_db, 'N');
    m.haplotypes.Flush();
    m.insert(hap(mono, {"null", "C", "T"}), 1);
    m.compact(&mono, 'N');
    EXPECT_EQ(listing(m), "null C T = 1; ");
    EXPECT_EQ(m.poly_flags, nullptr);
    EXPECT_EQ(m.ref_hapl, nullptr);
}

TEST_F(PopHaploDbTest, ShrinkRemovesUnflaggedPositions)
{
    TPopHaplotype h = hap({"A", "b"});
    h.alleles.Add(db(0, my_string("a")));
    const int flags[] = {0, 1};
    EXPECT_EQ(shrink(h, LocusFlags{2, flags}), 2);
    EXPECT_EQ(h.alleles.count, 2);  // position 2 lies beyond the flags and stays
    EXPECT_EQ(h.alleles[0], db(1, my_string("b")));
    EXPECT_EQ(h.alleles[1], db(0, my_string("a")));
}

TEST_F(PopHaploDbTest, InitRefHaplRepeatsOnePlaceholderAllele)
{
    TPopHaploDB t;
    int n = 3;
    t.init_ref_hapl(&n);
    ASSERT_EQ(t.ref_hapl->alleles.count, 3);
    TAllele* a = t.ref_hapl->alleles[0];
    EXPECT_STREQ(a->name.str, "UNDEF");
    EXPECT_EQ(t.ref_hapl->alleles[2], a);
    EXPECT_EQ(t.poly_flags, nullptr);
}

TEST_F(PopHaploDbTest, RandomStartsAreNormalisedWeights)
{
    TPopHaploDB one;
    add(one, {"A", "B"}, 0);
    EXPECT_EQ(one.assign_rand_init_freq(1000), 1.0);
    EXPECT_EQ(one.haplotypes[0]->prev_freq, 1.0);

    EXPECT_EQ(TPopHaploDB().assign_rand_init_freq(1000), 3.4028234663852886e38);

    TPopHaploDB t;
    add(t, {"A", "B"}, 0);
    add(t, {"a", "b"}, 0);
    add(t, {"A", "b"}, 0);
    t.haplotypes[1]->fixed = 1;  // weight 1 against 1 + 1000 u
    double smallest = t.assign_rand_init_freq(1000);
    double sum = 0, least = 1;
    for (int i = 0; i < 3; i++) {
        sum += t.haplotypes[i]->freq;
        least = std::min(least, t.haplotypes[i]->freq);
        EXPECT_EQ(t.haplotypes[i]->prev_freq, t.haplotypes[i]->freq);
    }
    EXPECT_NEAR(sum, 1, 1e-12);
    EXPECT_EQ(smallest, least);
    EXPECT_EQ(smallest, t.haplotypes[1]->freq);
}

TEST_F(PopHaploDbTest, ConvergenceComparesWithThePreviousCall)
{
    TPopHaploDB t;
    add(t, {"A", "B"}, 0.5);
    add(t, {"a", "b"}, 0.5);
    t.haplotypes[0]->prev_freq = t.haplotypes[1]->prev_freq = 0.5;
    t.haplotypes[0]->freq = 0.5004;
    t.haplotypes[1]->freq = 0.4996;
    EXPECT_EQ(t.convergence(0.0007), 0);  // d = 0.0008
    EXPECT_EQ(t.haplotypes[0]->prev_freq, 0.5004);
    EXPECT_EQ(t.convergence(0.0), 0);  // d = 0, not below 0
    EXPECT_EQ(t.convergence(0.001), 1);
    t.haplotypes[0]->prev_freq = 0.5;
    EXPECT_EQ(t.convergence(0.001), 1);
    EXPECT_EQ(TPopHaploDB().convergence(1e-9), 1);
}

TEST_F(PopHaploDbTest, StandardDeviationsFromReplicateSums)
{
    struct Case {
        int n;
        double freq, sum, sum_sq, sd;
    };
    const Case cases[] = {
        {1, 0.5, 2, 1.1, 1.1},                    // too few replicates: unchanged
        {4, 0.5, 2, 1.1, std::sqrt(0.1 / 3)},
        {4, 0.0, 2, 1.1, 0.0},                    // no frequency, no deviation
        {4, 0.5, 2, 0.9, 0.0},                    // rounding below zero
    };
    for (Case const& c : cases) {
        TPopHaploDB t;
        add(t, {"A", "B"}, c.freq);
        t.haplotypes[0]->sum_freq = c.sum;
        t.haplotypes[0]->sd = c.sum_sq;
        t.calc_sd(c.n);
        EXPECT_NEAR(t.haplotypes[0]->sd, c.sd, 1e-12) << "n = " << c.n << ", freq " << c.freq;
    }
}

TEST_F(PopHaploDbTest, ReplicatesAddToHaplotypesAboveTheMinimum)
{
    TPopHaploDB t, rep;
    add(t, {"A", "B"}, 0.5);
    add(t, {"a", "b"}, 0.001);
    add(t, {"a", "B"}, 0.3);
    add(rep, {"a", "b"}, 0.2);
    add(rep, {"A", "b"}, 0.1);
    add(rep, {"A", "B"}, 0.4);
    t.sums_hapl_frequencies(rep, 0.001);
    t.sums_hapl_frequencies(rep, 0.001);
    EXPECT_DOUBLE_EQ(t.haplotypes[0]->sum_freq, 0.8);
    EXPECT_DOUBLE_EQ(t.haplotypes[0]->sd, 0.32);
    for (int i = 1; i < 3; i++)
        EXPECT_EQ(t.haplotypes[i]->sum_freq + t.haplotypes[i]->sd, 0) << i;
}

TEST_F(PopHaploDbTest, LinkageDisequilibriumOfEachHaplotype)
{
    struct Row {
        Names alleles;
        double freq, D, Dprime;
    };
    const std::vector<std::vector<Row>> cases = {
        {{{"A", "B"}, 0.5, 0.25, 1}, {{"a", "b"}, 0.5, 0.25, 1}},
        {{{"A", "B"}, 0.5, -0.0625, -1}, {{"A", "b"}, 0.25, 0.0625, 1}, {{"a", "B"}, 0.25, 0.0625, 1}},
        {{{"A", "B"}, 1.0, 0.0, 0}},  // Dmax 0: D' 0
    };
    for (auto const& rows : cases) {
        TPopHaploDB t;
        for (Row const& r : rows)
            add(t, r.alleles, r.freq);
        EXPECT_EQ(t.update_lk_equil(), 1);
        for (int i = 0; i < static_cast<int>(rows.size()); i++) {
            SCOPED_TRACE(listing(t) + " row " + std::to_string(i));
            EXPECT_DOUBLE_EQ(t.haplotypes[i]->ld, rows[i].D);
            EXPECT_DOUBLE_EQ(t.haplotypes[i]->ld_norm, rows[i].Dprime);
        }
    }
}

TEST_F(PopHaploDbTest, LikelihoodTermsOfTheEstimation)
{
    TPopHaploDB t;
    add(t, {"A", "B"}, 3);
    add(t, {"a", "b"}, 2.9);
    add(t, {"A", "b"}, 0.5);
    EXPECT_NEAR(t.calc_hapl_lk_dis(), std::log(6.0) + std::log(2.0), 1e-8);

    t.haplotypes[0]->freq = 0.5;
    t.haplotypes[0]->homo_count = 2;
    t.haplotypes[2]->homo_count = 1;
    EXPECT_DOUBLE_EQ(t.sum_homoz_inbreeding(0.1), 2 / 0.55 + 1 / 0.55);
    t.reset_homo_count();
    t.reset_freq();
    EXPECT_EQ(t.sum_homoz_inbreeding(0.1), 0);
    EXPECT_EQ(t.calc_hapl_lk_dis(), 0);

    db(0, my_string("A"))->exp_freq = 0.7;
    db(0, my_string("a"))->exp_freq = 0.3;
    db(1, my_string("B"))->exp_freq = 0.4;
    db(1, my_string("b"))->exp_freq = 0.6;
    t.comp_link_equil_hapl_freq();
    EXPECT_DOUBLE_EQ(t.haplotypes[0]->freq, 0.28);
    EXPECT_DOUBLE_EQ(t.haplotypes[1]->freq, 0.18);
    EXPECT_DOUBLE_EQ(t.haplotypes[2]->freq, 0.42);
}

const char* const PRINT_HEAD =
    "\n------------------------------------------\n"
    "Maximum-likelihood haplotype frequencies :\n"
    "------------------------------------------\n\n"
    "Total number of possible haplotypes      :              3\n"
    "Minimum frequency to reach for output    :      1.000e-02\n\n"
    "---------------------------------------\n"
    "    #   Haplotype     Freq.      s.d.\n"
    "---------------------------------------\n\n";

TEST_F(PopHaploDbTest, PrintListsHaplotypesAboveTheMinimumInNameOrder)
{
    TPopHaploDB t;
    add(t, {"a", "b"}, 0.395, "h2");
    add(t, {"A", "B"}, 0.6, "h1");
    add(t, {"A", "b"}, 0.005, "h3");
    t.haplotypes[1]->sd = 0.0125;
    std::ostringstream os;
    t.print(os, 1, 0.01);  // no flags: the plain rows
    EXPECT_EQ(os.str(), std::string(PRINT_HEAD) +
                            "    1          h1  0.600000    0.012500\tA B \n"
                            "    2          h2  0.395000    0.000000\ta b \n"
                            "---------------------------------------\n\n"
                            "Sum of all 3 haplotype frequencies : 1.000000\n\n"
                            "Sum of 2 listed frequencies : 0.995000\n\n");
    EXPECT_EQ(t.haplotypes[0]->index, 2);
    EXPECT_EQ(t.haplotypes[1]->index, 1);
    EXPECT_EQ(t.haplotypes[2]->index, -1);
    EXPECT_TRUE(os.flags() & std::ios::fixed);
    EXPECT_EQ(os.precision(), 6);

    // A frequency equal to the minimum is not listed; unlisted rows count down.
    std::ostringstream at_min;
    t.print(at_min, 0, 0.395);
    EXPECT_NE(at_min.str().find("Sum of 1 listed frequencies : 0.600000\n"), std::string::npos);
    EXPECT_EQ(t.haplotypes[0]->index, -2);
    EXPECT_EQ(t.haplotypes[2]->index, -1);

    // Haplotypes with the same names (other allele objects) keep table order.
    TAlleleDB copy(db);
    TPopHaploDB ties;
    ties.insert(hap(copy, {"a", "B"}, "x2"), 0.2);
    ties.insert(hap(db, {"a", "B"}, "x1"), 0.3);
    ties.insert(hap(copy, {"A", "B"}, "x0"), 0.1);
    std::ostringstream tied;
    ties.print(tied, 0, 0.15);
    EXPECT_NE(tied.str().find("\n\n"
                              "    1          x2  0.200000    0.000000\ta B \n"
                              "    2          x1  0.300000    0.000000\ta B \n---"),
              std::string::npos)
        << tied.str();
}

TEST_F(PopHaploDbTest, PrintExpandsCompactedHaplotypesFromTheReference)
{
    TAlleleDB three;  // loci {A, a}, {X}, {B, b}: the middle one is monomorphic
    three.InsertAllPos(0, my_string("A"), 1.0);
    three.InsertAllPos(0, my_string("a"), 1.0);
    three.InsertAllPos(1, my_string("X"), 1.0);
    three.InsertAllPos(2, my_string("B"), 1.0);
    three.InsertAllPos(2, my_string("b"), 1.0);
    TPopHaploDB t;
    TPopHaplotype h(' ');
    for (const char* n : {"a", "X", "b"})
        h.alleles.Add(three(h.alleles.count, my_string(n)));
    t.insert(h, 0.3);
    for (int l = 0; l < 3; l++)
        h.alleles[l] = three.loci[l]->alleles[0];
    t.insert(h, 0.7);
    t.compact(&three, '?');
    EXPECT_EQ(listing(t), "a b = 0.3; A B = 0.7; ");

    std::ostringstream expanded, plain;
    t.print(expanded, 1, 0.01);
    t.print(plain, 0, 0.01);
    EXPECT_NE(expanded.str().find("---\n\n"
                                  "    1     UNKNOWN\t  0.700000  0.000000\tA X B \n"
                                  "    2     UNKNOWN\t  0.300000  0.000000\ta X b \n"
                                  "---"),
              std::string::npos)
        << expanded.str();
    EXPECT_NE(plain.str().find("    1     UNKNOWN  0.700000    0.000000\tA B \n"), std::string::npos)
        << plain.str();
}

TEST_F(PopHaploDbTest, BareListingAndEmptying)
{
    TPopHaploDB t;
    add(t, {"A", "B"}, 0.25);
    t.haplotypes[0]->separator = 0;
    add(t, {"a", "b"}, 0.75);
    std::ostringstream os;
    os << t;
    EXPECT_EQ(os.str(), "AB  0.25\na b   0.75\n\n");

    t.build_reference_haplotype(&db, '?');
    EXPECT_EQ(t.flush_haplotypes(), 2);
    EXPECT_NE(t.poly_flags, nullptr);
    t.insert(hap({"A", "B"}), 1);
    t.empty();
    EXPECT_EQ(t.haplotypes.count, 0);
    EXPECT_EQ(t.poly_flags, nullptr);
    EXPECT_EQ(t.ref_hapl, nullptr);
}

}  // namespace
