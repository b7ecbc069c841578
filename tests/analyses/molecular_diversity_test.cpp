// Molecular diversity of the four data types: the mean number of pairwise
// differences and the diversity per site or locus with their s.d., worked by
// hand from k = S / (n(n-1)/2), Var(k) = (2(n^2+n+3)k^2 + 3(n^2+n)k) / (11n^2-7n+6),
// pi = k/L and Var(pi) = (n+1)pi / (3(n-1)L) + 2(n^2+n+3)pi^2 / (9n(n-1)).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "analyses/typed_sample_fixture.h"

namespace {

using ::testing::HasSubstr;

class MolecularDiversityTest : public TypedSampleTest {};

// n = 2 at distance d = 3 over L = 20 sites: k = d, Var(k) = (d^2 + d)/2 = 6,
// pi = d/L = 0.15, Var(pi) = pi/L + pi^2 = 0.03.
TEST_F(MolecularDiversityTest, TwoGeneCopies)
{
    PopulDNA& p = dna({{"ACGTACGTACGTACGTACGT", 1}, {"GTCTACGTACGTACGTACGT", 1}});
    p.evaluate_polymorphism(s);
    ASSERT_EQ(p.compute_molecular_diversity(s), 1);
    EXPECT_DOUBLE_EQ(p.MeanPairDiff, 3.0);
    EXPECT_DOUBLE_EQ(p.MeanPairDiffSD, std::sqrt(6.0));
    EXPECT_DOUBLE_EQ(p.NucleotideDiversity, 0.15);
    EXPECT_DOUBLE_EQ(p.NucleotideDiversitySD, std::sqrt(0.03));

    // Jukes-Cantor per-site distances are made numbers of substitutions.
    PopulDNA& jc = dna({{"ACGTACGTACGTACGTACGT", 1}, {"GTCTACGTACGTACGTACGT", 1}});
    jc.evaluate_polymorphism(s);
    jc.DistanceMethod = 1;
    ASSERT_EQ(jc.compute_molecular_diversity(s), 1);
    EXPECT_NEAR(jc.MeanPairDiff, 0.167358 * 20, 1e-5);
    EXPECT_NEAR(jc.NucleotideDiversity, 0.167358, 5e-7);
}

TEST_F(MolecularDiversityTest, NothingToCompareGivesZeros)
{
    const struct {
        const char* name;
        std::vector<std::pair<const char*, int>> entries;
    } cases[] = {
        {"one gene copy", {{"ACGT", 1}}},
        {"one haplotype", {{"ACGT", 5}}},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        PopulDNA& p = dna(c.entries);
        p.evaluate_polymorphism(s);
        p.MeanPairDiff = p.NucleotideDiversity = 9.0;
        ASSERT_EQ(p.compute_molecular_diversity(s), 1);
        EXPECT_EQ(p.MeanPairDiff, 0.0);
        EXPECT_EQ(p.MeanPairDiffSD, 0.0);
        EXPECT_EQ(p.NucleotideDiversity, 0.0);
        EXPECT_EQ(p.NucleotideDiversitySD, 0.0);
    }
    // No usable site (L = 0).
    s.AllowedLevelOfMissingData = 0;
    PopulDNA& unusable = dna({{"A?", 1}, {"?C", 1}});
    unusable.evaluate_polymorphism(s);
    ASSERT_EQ(unusable.compute_molecular_diversity(s), 1);
    EXPECT_EQ(unusable.MeanPairDiff, 0.0);
}

// A matrix that cannot be computed gives no values, in every data type.
TEST_F(MolecularDiversityTest, FailedMatrixGivesNoValues)
{
    PopulDNA& p = dna({{"AAAA", 1}, {"CCCA", 1}});
    p.evaluate_polymorphism(s);
    s.DistanceMethod = 1;
    p.DistanceMethod = 1;
    p.MeanPairDiff = 9.0;
    log_text();
    EXPECT_EQ(p.compute_molecular_diversity(s), 0);
    EXPECT_EQ(p.MeanPairDiff, 9.0);
    EXPECT_THAT(log_text(), HasSubstr(report(3, "ERROR", 2,
                                             "PopulDNA::compute_molecular_diversity()", 136)));

    use_profile(RFLP, 0, 1);
    s.AllowedLevelOfMissingData = 0;
    PopulRFLP& r = typed<PopulRFLP>(haplotypic_sample("r", {{"0?", 1}, {"?1", 1}}));
    r.evaluate_polymorphism(s);
    EXPECT_EQ(r.compute_molecular_diversity(s), 0);
    EXPECT_THAT(log_text(), HasSubstr(report(2, "ERROR", 2,
                                             "PopulRFLP::compute_molecular_diversity()", 136)));

    PopulStandard& empty = allele_sample<PopulStandard>(STANDARD, {});
    EXPECT_EQ(empty.compute_molecular_diversity(s), 0);
    EXPECT_EQ(log_text(), report(1, "ERROR", 1,
                                 "PopulStandard::compute_molecular_diversity(settings& www)", 108));
}

// Counts 2, 1, 1 (n = 4) at 1, 2 and 1 loci of difference over L = 2 loci:
// S = 2 + 4 + 1 = 7, k = 7/6; pi = k/2.
TEST_F(MolecularDiversityTest, AlleleData)
{
    const std::vector<std::pair<const char*, int>> entries = {
        {"10 20", 2}, {"10 22", 1}, {"12 22", 1}};
    PopulMicrosat& m = allele_sample<PopulMicrosat>(MICROSAT, entries);
    m.evaluate_polymorphism(s);
    m.DistanceMethod = 0;
    m.compute_distance_matrix(nullptr, &s, 0);
    ASSERT_EQ(m.compute_molecular_diversity(s), 1);
    EXPECT_NEAR(m.MeanPairDiff, 1.166667, 5e-7);
    EXPECT_NEAR(m.MeanPairDiffSD, 0.927961, 5e-7);
    EXPECT_NEAR(m.MeanGeneDiversity, 0.583333, 5e-7);
    EXPECT_NEAR(m.MeanGeneDiversitySD, 0.554049, 5e-7);
    // Squared size differences make no differences here.
    m.DistanceMethod = 1;
    m.compute_distance_matrix(nullptr, &s, 0);
    ASSERT_EQ(m.compute_molecular_diversity(s), 1);
    EXPECT_EQ(m.MeanPairDiff, 0.0);
    EXPECT_EQ(m.MeanGeneDiversity, 0.0);

    PopulStandard& st = allele_sample<PopulStandard>(STANDARD, entries);
    st.evaluate_polymorphism(s);
    ASSERT_EQ(st.compute_molecular_diversity(s), 1);
    EXPECT_NEAR(st.PairDiffMean, 1.166667, 5e-7);
    EXPECT_NEAR(st.MeanGeneDiversitySD, 0.554049, 5e-7);
    EXPECT_EQ(st.MeanPairDiff, 0.0);
}

}  // namespace
