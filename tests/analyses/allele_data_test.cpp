// RFLP, microsatellite and standard samples: their checks, polymorphism and
// distance matrices.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analyses/typed_sample_fixture.h"

namespace {

using ::testing::HasSubstr;

class AlleleDataTest : public TypedSampleTest {
protected:
    void SetUp() override
    {
        TypedSampleTest::SetUp();
        PopGenetics::globalSubstPolymSites.count = 0;
    }

    PopulRFLP& rflp(std::vector<std::pair<const char*, int>> const& entries, double deletion = 1)
    {
        use_profile(RFLP, 0, 1);
        PopulRFLP& p = typed<PopulRFLP>(haplotypic_sample("rflp", entries));
        p.DeletionWeight = deletion;
        p.evaluate_polymorphism(s);
        return p;
    }

    template <class T>
    T& evaluated(TDataType type, std::vector<std::pair<const char*, int>> const& entries)
    {
        T& p = allele_sample<T>(type, entries);
        p.evaluate_polymorphism(s);
        return p;
    }

    static double cell(PopGenetics const& p, int i, int j) { return (*p.HaplDistMat)(i, j); }
};

// Column 2 has a change of state (1 against 0) and an indel.
TEST_F(AlleleDataTest, RflpSiteComparison)
{
    const struct {
        double deletion;
        int indels, indel_sites;
    } cases[] = {{1, 1, 1}, {0, 0, 0}};
    for (auto const& c : cases) {
        PopulRFLP& p = rflp({{"0110", 1}, {"0100", 1}, {"01-0", 1}}, c.deletion);
        EXPECT_STREQ(p.ArbitraryHaplotype.content.str, "0110");
        EXPECT_EQ(p.NumSubstitutionSites, 1);
        EXPECT_EQ(p.NumIndelSites, c.indel_sites);
        EXPECT_EQ(p.NumIndels, c.indels);
        EXPECT_EQ(p.NumPolymSites, 1);
        EXPECT_EQ(p.NumUsableLoci, 4);
        EXPECT_EQ(p.NumSites, 4);
    }
    // A gap column whose indels do not count is withdrawn; any other state
    // than the reference's is a change of state.
    PopulRFLP& gap = rflp({{"-0", 1}, {"12", 1}}, 0);
    EXPECT_EQ(gap.LocusUsable[0], 0);
    EXPECT_EQ(gap.NumSites, 1);
    EXPECT_EQ(gap.NumSubstitutionSites, 1);
}

TEST_F(AlleleDataTest, RflpReferenceAndChecks)
{
    s.AllowedLevelOfMissingData = 0.9;
    PopulRFLP& p = rflp({{"??", 1}, {"??", 1}, {"1?", 1}});
    EXPECT_STREQ(p.ArbitraryHaplotype.content.str, "1?");
    EXPECT_EQ(p.LocusUsable[1], 0);
    EXPECT_EQ(p.LocusMissingFreq[1], 1.0);
    EXPECT_EQ(p.NumUsableLoci, 1);

    PopulRFLP& uneven = rflp({{"0110", 1}, {"01", 1}});
    uneven.num_haplotypes = 5;
    log_text();
    EXPECT_EQ(uneven.check_data(), 0);
    EXPECT_EQ(log_text(), report(1, "WARNING", 1, "PopulRFLP::check_data", 111)
                              + report(2, "WARNING", 2, "PopulRFLP::check_data()", 139));
}

// Code 111 is an ERROR for microsatellites only; allele strings of unequal
// lengths give no warning.
TEST_F(AlleleDataTest, ChecksOfAlleleData)
{
    PopulMicrosat& m = allele_sample<PopulMicrosat>(MICROSAT, {{"12 20", 1}, {"150 2", 1}});
    m.num_haplotypes = 3;
    EXPECT_EQ(m.check_data(), 0);
    EXPECT_EQ(log_text(), report(1, "ERROR", 1, "PopulMicrosat::check_data()", 111));
    PopulStandard& st = allele_sample<PopulStandard>(STANDARD, {{"A B", 1}, {"A BB", 1}});
    st.num_haplotypes = 3;
    EXPECT_EQ(st.check_data(), 0);
    EXPECT_EQ(log_text(), report(1, "WARNING", 1, "PopulStandard::check_data()", 111));
}

// Locus 1: only the missing allele besides one other; locus 2: missing in
// three of four copies.
TEST_F(AlleleDataTest, PolymorphismOfAlleleLoci)
{
    s.AllowedLevelOfMissingData = 0.5;
    PopulStandard& p =
        evaluated<PopulStandard>(STANDARD, {{"A B C", 2}, {"B ? ?", 1}, {"A B ?", 1}});
    EXPECT_EQ(std::vector<int>(p.locus_polymorphic, p.locus_polymorphic + 3),
              (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(std::vector<int>(p.LocusUsable, p.LocusUsable + 3), (std::vector<int>{1, 1, 1}));
    EXPECT_DOUBLE_EQ(p.LocusMissingFreq[2], 0.5);
    EXPECT_EQ(p.NumPolymSites, 1);
    EXPECT_EQ(p.NumUsableLoci, 3);
    PopulStandard& empty = allele_sample<PopulStandard>(STANDARD, {});
    log_text();
    EXPECT_EQ(empty.evaluate_polymorphism(s), 1);
    EXPECT_EQ(log_text(), report(1, "ERROR", 1, "PopGenetics::compare_haplotypes()", 108));
}

TEST_F(AlleleDataTest, RflpDistances)
{
    // Only a gap differs: a difference when indels count.
    for (double deletion : {0.0, 1.0}) {
        PopulRFLP& p = rflp({{"0110", 1}, {"01-0", 1}}, deletion);
        ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
        EXPECT_EQ(cell(p, 1, 0), deletion) << deletion;
    }
    // Proportion of differing sites, scaled by the 4 usable sites.
    PopulRFLP& p = rflp({{"0110", 1}, {"0100", 1}});
    p.DistanceMethod = 1;
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 1), 1);
    EXPECT_DOUBLE_EQ(cell(p, 1, 0), 1.0);
    EXPECT_DOUBLE_EQ(cell(p, 0, 1), std::sqrt(0.25 * 0.75 / 4) * 4);
    EXPECT_EQ(p.MaxPairDiff, 1);
    // A matrix of other haplotypes is rebuilt to the current list.
    PopulRFLP& q = rflp({{"0110", 1}, {"0100", 1}, {"0000", 1}});
    ASSERT_EQ(q.compute_distance_matrix(nullptr, &s, 0), 1);
    EXPECT_EQ(q.HaplDistMat->nrows, 3);
    EXPECT_EQ(cell(q, 2, 0), 2.0);

    // No usable site: the first pair fails the matrix.
    s.AllowedLevelOfMissingData = 0;
    PopulRFLP& unusable = rflp({{"0?", 1}, {"?1", 1}});
    log_text();
    EXPECT_EQ(unusable.compute_distance_matrix(nullptr, &s, 0), 0);
    EXPECT_EQ(log_text(),
              report(1, "ERROR", 1, "PopulRFLP::compute_distance_matrix(ofstream)", 136));
    PopulRFLP& single = rflp({{"0?", 2}});
    EXPECT_EQ(single.compute_distance_matrix(nullptr, &s, 0), 1);
}

// Sizes 12 and 15 at locus 1; locus 2 equal or missing.
TEST_F(AlleleDataTest, MicrosatelliteDistances)
{
    const struct {
        int method;
        double distance;
    } cases[] = {{1, 9.0}, {2, 9.0}, {0, 1.0}};
    for (auto const& c : cases) {
        PopulMicrosat& p = evaluated<PopulMicrosat>(MICROSAT, {{"12 20", 1}, {"15 ?", 1}});
        p.DistanceMethod = c.method;
        ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
        EXPECT_EQ(cell(p, 1, 0), c.distance) << c.method;
        EXPECT_EQ(cell(p, 0, 1), 0.0);
    }
    EXPECT_THAT(log_text(), HasSubstr("\t\tBeginning distance computations ...\n\t\tdone ! ("));
}

// An allele that is no finite number is reported once per sample and is
// missing data, never size 0.
TEST_F(AlleleDataTest, MicrosatelliteAllelesThatAreNoNumbers)
{
    s.AllowedLevelOfMissingData = 1;
    PopulMicrosat& p = evaluated<PopulMicrosat>(
        MICROSAT, {{"1 5", 1}, {"inf 5", 1}, {"nan 7", 1}, {"A 5", 1}, {"12x 5", 1}});
    p.DistanceMethod = 0;
    log_text();
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
    EXPECT_THAT(log_text(),
                HasSubstr(report(1, "ERROR", 1, "PopulMicrosat::compute_distance_matrix()", 121)));
    EXPECT_EQ(count_of(temp_log.text(), "microsatellite allele not coded"), 1);
    for (int i : {1, 3, 4})
        EXPECT_EQ(cell(p, i, 0), 0.0) << i;
    EXPECT_EQ(cell(p, 2, 0), 1.0);  // at the second locus
}

TEST_F(AlleleDataTest, StandardDistances)
{
    PopulStandard& p =
        evaluated<PopulStandard>(STANDARD, {{"A B C", 3}, {"A D C", 1}, {"? B D", 1}, {"A B C", 1}});
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
    EXPECT_EQ(cell(p, 1, 0), 1.0);
    EXPECT_EQ(cell(p, 2, 0), 1.0);  // the missing allele adds nothing
    EXPECT_EQ(cell(p, 2, 1), 2.0);
    EXPECT_EQ(cell(p, 3, 0), 0.0);
    EXPECT_EQ(cell(p, 0, 1), 0.0);
    EXPECT_EQ(p.MaxPairDiff, 2);
}

}  // namespace
