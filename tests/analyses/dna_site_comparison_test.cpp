// DNA samples: their checks, their reference sequence and the comparison of
// every haplotype with it (transitions, transversions, indels, usable and
// polymorphic sites), and the classes of nucleotide pairs.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "analyses/typed_sample_fixture.h"

namespace {

using ::testing::HasSubstr;

class DnaSitesTest : public TypedSampleTest {
protected:
    void SetUp() override
    {
        TypedSampleTest::SetUp();
        PopGenetics::globalSubstPolymSites.count = 0;
    }

    PopulDNA& evaluated(std::vector<std::pair<const char*, int>> const& entries)
    {
        PopulDNA& p = dna(entries);
        p.TransitionWeight = s.TransitionWeight;
        p.TransversionWeight = s.TranversionWeight;
        p.DeletionWeight = s.DeletionWeight;
        EXPECT_EQ(p.evaluate_polymorphism(s), 1);
        return p;
    }

    static std::vector<int> flags(int const* a, int n) { return std::vector<int>(a, a + n); }
};

struct Counters {
    int transitions, transversions, substitutions, indels;
    int transition_sites, transversion_sites, substitution_sites, indel_sites;
    int polymorphic, usable, nucleotide_sites;
};

Counters counters_of(PopulDNA const& p)
{
    return {p.NumTransitions,       p.NumTransversions,     p.NumSubstitutions,
            p.NumIndels,            p.NumTransitionSites,   p.NumTransversionSites,
            p.NumSubstitutionSites, p.NumIndelSites,        p.NumPolymSites,
            p.NumUsableLoci,        p.NumNucleotideSites};
}

bool operator==(Counters const& a, Counters const& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::ostream& operator<<(std::ostream& os, Counters const& c)
{
    return os << "ts " << c.transitions << " tv " << c.transversions << " subst "
              << c.substitutions << " indels " << c.indels << " | sites ts "
              << c.transition_sites << " tv " << c.transversion_sites << " subst "
              << c.substitution_sites << " indel " << c.indel_sites << " | polym "
              << c.polymorphic << " usable " << c.usable << " nucl " << c.nucleotide_sites;
}

// Column 1 has a transition (A/G), column 3 a transversion (G/T).
TEST_F(DnaSitesTest, TransitionsTransversionsAndTheirWeights)
{
    const struct {
        const char* name;
        double ts_weight, tv_weight;
        Counters expected;
        std::vector<int> polymorphic;
    } cases[] = {
        {"all weights 1", 1, 1, {1, 1, 2, 0, 1, 1, 2, 0, 2, 5, 5}, {0, 1, 0, 1, 0}},
        // The transition column stays usable but neither counts nor is polymorphic.
        {"transition weight 0", 0, 1, {0, 1, 1, 0, 0, 1, 1, 0, 1, 5, 5}, {0, 0, 0, 1, 0}},
        {"transversion weight 0", 1, 0, {1, 0, 1, 0, 1, 0, 1, 0, 1, 5, 5}, {0, 1, 0, 0, 0}},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        s.TransitionWeight = c.ts_weight;
        s.TranversionWeight = c.tv_weight;
        PopulDNA& p = evaluated({{"AACGT", 1}, {"AGCGT", 1}, {"AACTT", 1}});
        EXPECT_EQ(counters_of(p), c.expected);
        EXPECT_EQ(flags(p.locus_polymorphic, 5), c.polymorphic);
        EXPECT_EQ(flags(p.LocusUsable, 5), std::vector<int>(5, 1));
    }
}

// Against reference A, partners C and T differ from each other by a transition.
TEST_F(DnaSitesTest, TwoTransversionPartnersAddATransition)
{
    PopulDNA& p = evaluated({{"A", 1}, {"C", 1}, {"T", 1}});
    EXPECT_EQ(p.SiteTransversions[0], 2);
    EXPECT_EQ(p.SiteTransitions[0], 0);
    EXPECT_EQ(counters_of(p), (Counters{1, 1, 2, 0, 0, 1, 1, 0, 1, 1, 1}));
    // An ambiguity code is never taken for a second partner.
    PopulDNA& q = evaluated({{"A", 1}, {"C", 1}, {"Y", 1}});
    EXPECT_EQ(q.SiteTransversions[0], 1);
}

// 10 copies, AllowedLevelOfMissingData 0.1: one missing copy is 0.1, not
// above the level; two are.
TEST_F(DnaSitesTest, MissingDataAgainstTheAllowedLevel)
{
    s.AllowedLevelOfMissingData = 0.1;
    PopulDNA& p = evaluated({{"AAA", 8}, {"A?A", 1}, {"A??", 1}});
    EXPECT_EQ(flags(p.LocusUsable, 3), (std::vector<int>{1, 0, 1}));
    EXPECT_DOUBLE_EQ(p.LocusMissingFreq[1], 0.2);
    EXPECT_DOUBLE_EQ(p.LocusMissingFreq[2], 0.1);
    EXPECT_EQ(p.NumUsableLoci, 2);
    EXPECT_EQ(p.NumNucleotideSites, 3);
    // A column whose reference is missing data is unusable, all missing.
    PopulDNA& q = evaluated({{"?A", 1}});
    EXPECT_EQ(q.LocusUsable[0], 0);
    EXPECT_EQ(q.LocusMissingFreq[0], 1.0);
}

// Gap columns: one with an indel stays usable even when indels do not count;
// a gap-only column is withdrawn from the usable and the nucleotide sites.
TEST_F(DnaSitesTest, GapColumns)
{
    s.AllowedLevelOfMissingData = 0.5;
    s.DeletionWeight = 0;
    PopulDNA& p = evaluated({{"-A-", 3}, {"CA-", 1}, {"-A?", 1}});
    EXPECT_EQ(flags(p.SiteIndels, 3), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(flags(p.LocusUsable, 3), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(p.NumIndels, 0);
    EXPECT_EQ(p.NumPolymSites, 0);
    EXPECT_EQ(p.NumUsableLoci, 2);
    EXPECT_EQ(p.NumNucleotideSites, 2);
    s.DeletionWeight = 1;
    PopulDNA& q = evaluated({{"-A-", 3}, {"CA-", 1}, {"-A?", 1}});
    EXPECT_EQ(q.NumIndels, 1);
    EXPECT_EQ(q.NumIndelSites, 1);
    EXPECT_EQ(q.NumPolymSites, 1);
}

TEST_F(DnaSitesTest, ReferenceSequence)
{
    const struct {
        std::vector<std::pair<const char*, int>> entries;
        const char* reference;
    } cases[] = {
        // R first: the later proper nucleotides make the first non-missing character.
        {{{"R", 1}, {"A", 1}, {"G", 1}}, "R"},
        // Only the last haplotype has a proper nucleotide.
        {{{"R", 1}, {"A", 1}}, "A"},
        {{{"?", 1}, {"?", 1}, {"T", 1}}, "T"},
        {{{"?C", 1}, {"GN", 1}, {"AN", 1}}, "GC"},
    };
    for (auto const& c : cases) {
        PopulDNA& p = dna(c.entries);
        ASSERT_EQ(p.build_arbitrary_haplotype(), 1);
        EXPECT_STREQ(p.ArbitraryHaplotype.content.str, c.reference);
        EXPECT_STREQ(p.ArbitraryHaplotype.id.str, "Arbitrary reference haplotype");
    }
    // R, A, G: both comparisons are of class 0, no difference at the column.
    PopulDNA& p = evaluated({{"R", 1}, {"A", 1}, {"G", 1}});
    EXPECT_EQ(p.NumPolymSites, 0);
    PopulDNA& empty = dna({});
    EXPECT_EQ(empty.evaluate_polymorphism(s), 0);
}

// The reference is that of the first sequence's length; a shorter sequence
// is missing data beyond its end and is never read past it.
TEST_F(DnaSitesTest, ShorterSequencesAreMissingDataAtTheirEnd)
{
    s.AllowedLevelOfMissingData = 0.5;
    PopulDNA& p = evaluated({{"ACGT", 2}, {"AC", 1}, {"ACGA", 1}});
    EXPECT_EQ(p.check_data(), 0);
    EXPECT_THAT(log_text(), HasSubstr(report(1, "WARNING", 1, "PopulDNA::check_data()", 161)));
    EXPECT_DOUBLE_EQ(p.LocusMissingFreq[2], 0.25);
    EXPECT_EQ(p.NumUsableLoci, 4);
    EXPECT_EQ(p.NumTransversions, 1);
}

TEST_F(DnaSitesTest, CheckDataReconcilesTheCounts)
{
    PopulDNA& p = dna({{"AC", 3}, {"AG", 2}});
    p.SampleSize = 7;
    p.num_haplotypes = 0;
    EXPECT_EQ(p.check_data(), 0);
    EXPECT_EQ(p.SampleSize, 5);
    EXPECT_EQ(p.num_haplotypes, 2);
    EXPECT_EQ(log_text(), report(1, "WARNING", 1, "PopulDNA::check_data()", 110));
    p.SampleSize = 0;
    p.num_haplotypes = 3;
    EXPECT_EQ(p.check_data(), 0);
    EXPECT_EQ(p.SampleSize, 5);
    EXPECT_EQ(p.num_haplotypes, 3);
    EXPECT_EQ(log_text(), report(1, "WARNING", 1, "PopulDNA::check_data()", 111));
    PopulDNA& empty = dna({});
    EXPECT_EQ(empty.check_data(), 1);
}

// The substitution columns of the samples of a level add up; a longer later
// sample extends the marks without losing the earlier ones.
TEST_F(DnaSitesTest, SubstitutionMarksOfALevelAccumulate)
{
    evaluated({{"AC", 1}, {"GC", 1}});
    evaluated({{"AAAA", 1}, {"AAAT", 1}});
    std::vector<bool> marks(PopGenetics::globalSubstPolymSites.data,
                            PopGenetics::globalSubstPolymSites.data
                                + PopGenetics::globalSubstPolymSites.count);
    EXPECT_EQ(marks, (std::vector<bool>{true, false, false, true}));
}

// Each row of the table: the second characters of transitions,
// transversions, indels and undetermined substitutions for the first.
TEST(CompareNucleotidesTest, WholeTable)
{
    const struct {
        char first;
        const char* by_class[4];
    } table[] = {
        {'A', {"G", "CTY", "-", "BKS"}}, {'C', {"T", "AGR", "-", "DKW"}},
        {'G', {"A", "CTY", "-", "HMW"}}, {'T', {"C", "AGR", "-", "MSV"}},
        {'R', {"", "CTY", "-", ""}},     {'Y', {"", "AGR", "-", ""}},
        {'K', {"", "", "-", "ACM"}},     {'M', {"", "", "-", "GKT"}},
        {'S', {"", "", "-", "ATW"}},     {'W', {"", "", "-", "CGS"}},
        {'B', {"", "", "-", "A"}},       {'D', {"", "", "-", "C"}},
        {'H', {"", "", "-", "G"}},       {'V', {"", "", "-", "T"}},
        {'N', {"", "", "-", ""}},        {'0', {"", "", "-", "123"}},
        {'1', {"", "", "-", "023"}},     {'2', {"", "", "-", "013"}},
        {'3', {"", "", "-", "012"}},
        {'-', {"", "", "ABCDGHKMNRSTVWY0123", ""}},
    };
    const std::string others = "?X.a";
    for (auto const& row : table) {
        for (auto const& column : table) {
            int expected = 0;
            for (int k = 0; k < 4; ++k)
                if (std::strchr(row.by_class[k], column.first))
                    expected = k + 1;
            EXPECT_EQ(PopulDNA::compare_nucleotides(row.first, column.first), expected)
                << row.first << column.first;
        }
        for (char o : others) {
            EXPECT_EQ(PopulDNA::compare_nucleotides(row.first, o), 0) << row.first << o;
            EXPECT_EQ(PopulDNA::compare_nucleotides(o, row.first), 0) << o << row.first;
        }
    }
}

}  // namespace
