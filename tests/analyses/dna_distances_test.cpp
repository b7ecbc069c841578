// Distances between DNA sequences: the seven methods and their gamma forms
// against the textbook formulas, their failures, the matrix frame, and the
// site classes of the fast comparison against a plain site-by-site count.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analyses/typed_sample_fixture.h"

namespace {

using ::testing::HasSubstr;

// 20 sites; the second sequence has transitions at sites 1 and 2 (A/G, C/T)
// and a transversion at site 3 (G/C). Composition over both: A 0.225,
// C 0.25, G 0.25, T 0.275.
const char* const kFirst = "ACGTACGTACGTACGTACGT";
const char* const kSecond = "GTCTACGTACGTACGTACGT";

class DnaDistancesTest : public TypedSampleTest {
protected:
    PopulDNA& pair_sample(const char* a, const char* b)
    {
        PopulDNA& p = dna({{a, 1}, {b, 1}});
        p.evaluate_polymorphism(s);
        return p;
    }
};

// p = 0.15, P = 0.1, Q = 0.05. Tajima-Nei, Tamura (GC content 0.5) and
// Tamura-Nei worked from the formulas with the composition above.
TEST_F(DnaDistancesTest, EachMethodOnAHandMadePair)
{
    const struct {
        int method;
        double gamma;
        double distance, sd;
    } cases[] = {
        {0, 0, 3.0, 1.596872},       {3, 0, 0.15, 0.079844},
        {1, 0, 0.167358, 0.099804},  {1, 1, 0.1875, 0.124756},
        {2, 0, 0.170181, 0.103600},  {2, 1, 0.194444, 0.135171},
        {4, 0, 0.174563, -1},        {5, 0, 0.170181, 0.103600},
        {6, 0, 0.170295, -1},        {6, 1, 0.194738, -1},
        // Codes outside 0-6 give the number of differences.
        {7, 0, 3.0, 1.596872},       {-1, 0, 3.0, 1.596872},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(std::to_string(c.method) + " gamma " + std::to_string(c.gamma));
        PopulDNA& p = pair_sample(kFirst, kSecond);
        p.DistanceMethod = c.method;
        p.GammaA = c.gamma;
        ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
        EXPECT_NEAR((*p.HaplDistMat)(1, 0), c.distance, 5e-7);
        if (c.sd >= 0) {
            EXPECT_NEAR((*p.HaplDistMat)(0, 1), c.sd, 5e-7);
        }
        EXPECT_EQ((*p.HaplDistMat)(0, 0), 0.0);
    }
    EXPECT_THAT(log_text(), HasSubstr("\t\t\tBeginning distance computations ...\n"
                                      "\t\t\tdone ! ("));
}

// Scaled, the per-site values become numbers per sequence.
TEST_F(DnaDistancesTest, ScaledMatrixAndLargestDistance)
{
    PopulDNA& p = pair_sample(kFirst, kSecond);
    p.DistanceMethod = 3;
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 1), 1);
    EXPECT_NEAR((*p.HaplDistMat)(1, 0), 3.0, 1e-12);
    EXPECT_NEAR((*p.HaplDistMat)(0, 1), 0.079844 * 20, 1e-5);
    EXPECT_EQ(p.MaxPairDiff, 3);
    p.DistanceMethod = 0;
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 1), 1);
    EXPECT_EQ((*p.HaplDistMat)(1, 0), 3.0);
}

// The pairwise-distance section leaves the matrix of the AMOVA settings,
// scaled to numbers per sequence for a method other than 0.
TEST_F(DnaDistancesTest, PairwiseDistancesSection)
{
    PopulDNA& p = dna({{kFirst, 1}, {kSecond, 1}});
    s.TaskNumber = settings::PAIRWISE_DISTANCES;
    s.DistanceMethodAMOVA = 1;
    s.GammaAValueAMOVA = 1;
    p.test_methods(s);
    ASSERT_NE(p.HaplDistMat, nullptr);
    EXPECT_NEAR((*p.HaplDistMat)(1, 0), 0.1875 * 20, 1e-5);
    // Conventional F-statistics: two sequences differ or not.
    s.ComputeConventionalFST = 1;
    s.results_dir = (dir.string() + "/").c_str();
    PopulDNA& q = dna({{kFirst, 1}, {kSecond, 1}});
    q.test_methods(s);
    ASSERT_NE(q.HaplDistMat, nullptr);
    EXPECT_EQ((*q.HaplDistMat)(1, 0), 1.0);
}

TEST_F(DnaDistancesTest, WeightsActOnTheDifferences)
{
    PopulDNA& p = pair_sample("ACGT", "ACGG");  // one transversion in four sites
    ASSERT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 1);
    EXPECT_EQ((*p.HaplDistMat)(1, 0), 1.0);
    EXPECT_DOUBLE_EQ((*p.HaplDistMat)(0, 1), std::sqrt(0.75));

    // A transition with weight 0 is a compared site without difference.
    PopulDNA& q = pair_sample("ACGT", "GCGT");
    q.TransitionWeight = 0;
    for (int method : {0, 1, 2}) {
        q.DistanceMethod = method;
        ASSERT_EQ(q.compute_distance_matrix(nullptr, &s, 0), 1);
        EXPECT_EQ((*q.HaplDistMat)(1, 0), 0.0) << method;
    }
    // With deletion weight 2 an indel adds 2 to the differences and the sites.
    PopulDNA& r = pair_sample("ACGT", "AC-T");
    r.DeletionWeight = 2;
    ASSERT_EQ(r.compute_distance_matrix(nullptr, &s, 0), 1);
    EXPECT_EQ((*r.HaplDistMat)(1, 0), 2.0);
}

TEST_F(DnaDistancesTest, FailuresMakeTheMatrixUnavailable)
{
    const struct {
        const char* name;
        const char *a, *b;
        int method;
        const char* where;
        const char* kind;
        int message;
    } cases[] = {
        // p = 0.75 exactly is too divergent.
        {"Jukes-Cantor", "AAAA", "CCCA", 1, "PopulDNA::jk_dist()", "WARNING", 162},
        {"Kimura", "AAAA", "GGCA", 2, "PopulDNA::kim2p_dist()", "WARNING", 163},
        // No C and no G: GC content 0.
        {"Tamura", "AAAA", "AATA", 5, "PopulDNA::tamura_dist(s1, s2)", "ERROR", 171},
        {"Tajima-Nei", "AAAA", "AATA", 4, "PopulDNA::tajnei_dist(s1, s2)", "ERROR", 164},
        {"Tamura-Nei", "AAAA", "AATA", 6, "PopulDNA::tamnei_dist(s1,s2)", "WARNING", 176},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        PopulDNA& p = pair_sample(c.a, c.b);
        p.DistanceMethod = c.method;
        log_text();
        EXPECT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 0);
        EXPECT_EQ(p.HaplDistMat, nullptr);
        std::string log = log_text();
        std::string first = report(1, c.kind, 1, c.where, c.message);
        EXPECT_THAT(log, HasSubstr(first));
        EXPECT_THAT(log, HasSubstr(report(2, "ERROR", c.kind[0] == 'E' ? 2 : 1,
                                          "PopulDNA::compute_distance_matrix(ofstream)", 136)));
    }
    // Without a difference the missing nucleotides do not matter.
    PopulDNA& same = pair_sample("AAAA", "AAAA");
    same.DistanceMethod = 4;
    EXPECT_EQ(same.compute_distance_matrix(nullptr, &s, 0), 1);
}

// The gamma form of Tamura-Nei fails like the plain form when a term of the
// composition is not positive, instead of giving a distance that is no number.
TEST_F(DnaDistancesTest, GammaTamuraNeiBeyondItsRange)
{
    PopulDNA& p = pair_sample("ACGTACGT", "CATGCATG");
    p.DistanceMethod = 6;
    p.GammaA = 0.5;
    EXPECT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 0);
    EXPECT_THAT(log_text(), HasSubstr(report(1, "WARNING", 1, "PopulDNA::tamnei_dist(s1,s2)", 176)));
}

TEST_F(DnaDistancesTest, EmptyListAndOneHaplotype)
{
    PopulDNA& empty = dna({});
    EXPECT_EQ(empty.compute_distance_matrix(nullptr, &s, 0), 0);
    EXPECT_EQ(log_text(), report(1, "ERROR", 1, "PopulDNA::compute_distance_matrix()", 108));
    PopulDNA& one = dna({{"ACGT", 2}});
    one.evaluate_polymorphism(s);
    ASSERT_EQ(one.compute_distance_matrix(nullptr, &s, 0), 1);
    EXPECT_EQ(one.HaplDistMat->nrows, 1);
    EXPECT_EQ(one.num_haplotypes, 1);
}

TEST_F(DnaDistancesTest, StopRequestEndsTheMatrix)
{
    PopulDNA& p = pair_sample(kFirst, kSecond);
    s.stop_requested = 1;
    EXPECT_EQ(p.compute_distance_matrix(nullptr, &s, 0), 0);
    EXPECT_EQ(p.HaplDistMat, nullptr);
    s.stop_requested = 0;
}

TEST_F(DnaDistancesTest, NucleotideComposition)
{
    PopulDNA& p = dna({{"ACGT", 3}, {"AAG?", 1}});
    ASSERT_EQ(p.comp_nucl_freq(), 1);
    // C, T, A, G over 15 nucleotides of 16 characters, made relative.
    EXPECT_DOUBLE_EQ(p.NuclFreq[0], 3.0 / 15);
    EXPECT_DOUBLE_EQ(p.NuclFreq[1], 3.0 / 15);
    EXPECT_DOUBLE_EQ(p.NuclFreq[2], 5.0 / 15);
    EXPECT_DOUBLE_EQ(p.NuclFreq[3], 4.0 / 15);
    EXPECT_DOUBLE_EQ(p.GCContent, 7.0 / 15);
}

// The site classes of the word-wise comparison, against the rules of each
// distance applied site by site to random sequences with ambiguity codes,
// gaps, missing data, unusable sites and unequal lengths.
struct SiteBySite {
    double S = 0, weighted_sites = 0;  // codes 0 and 3
    int jc_sites = 0, jc_diff = 0;      // codes 1 and 2
    int ts = 0, tv = 0;
    int tamura_sites = 0;               // code 5
    int acgt_sites = 0, acgt_diff = 0;  // codes 4 and 6
};

SiteBySite count_site_by_site(std::string const& a, std::string const& b,
                              std::vector<int> const& usable, char miss, double wts, double wtv,
                              double wd)
{
    SiteBySite r;
    auto acgt = [](char c) { return std::string("ACGT").find(c) != std::string::npos; };
    const std::size_t n = std::min({a.size(), b.size(), usable.size()});
    for (std::size_t i = 0; i < n; ++i) {
        if (!usable[i])
            continue;
        char c1 = a[i], c2 = b[i];
        if (c1 == c2) {
            if (c1 != miss)
                r.weighted_sites += 1;
            if (c1 != miss && c1 != '-') {
                ++r.jc_sites;
                ++r.tamura_sites;
                ++r.acgt_sites;
            }
            continue;
        }
        int k = PopulDNA::compare_nucleotides(c1, c2);
        double w = k == 1 ? wts : k == 2 ? wtv : wd;
        if (k >= 1 && k <= 3) {
            r.S += w > 0 ? w : 0;
            r.weighted_sites += w > 0 ? w : 1;
        } else if (k == 4 && wts > 0) {
            double e = wts <= wtv ? wts : wtv;
            r.S += e;
            r.weighted_sites += e;
        } else {
            r.weighted_sites += k == 4 && wtv > 0 ? wtv : 1;
        }
        if (k == 1 || k == 2 || k == 4) {
            ++r.jc_sites;
            ++r.tamura_sites;
            r.jc_diff += (k == 2 ? wtv : wts) > 0;
            r.ts += k == 1 && wts > 0;
            r.tv += k == 2 && wtv > 0;
        } else {
            bool gap = c1 == '-' || c2 == '-';
            r.jc_sites += !(miss == '-' && gap);
            r.tamura_sites += !(gap || c1 == miss || c2 == miss);
        }
        if (acgt(c1) && acgt(c2)) {
            ++r.acgt_sites;
            r.acgt_diff += (k == 1 ? wts : wtv) > 0;
        }
    }
    return r;
}

TEST_F(DnaDistancesTest, SiteClassesAgreeWithASiteBySiteCount)
{
    std::mt19937 gen(16);
    const std::string alphabet = "AAACCCGGGTTTRYKN-?X";
    const double weights[] = {0, 0.5, 1, 2};
    for (int round = 0; round < 300; ++round) {
        const char miss = round % 3 == 0 ? '-' : '?';
        auto random_sequence = [&](int length) {
            std::string seq;
            for (int i = 0; i < length; ++i)
                seq += alphabet[gen() % alphabet.size()];
            return seq;
        };
        const int L = 1 + static_cast<int>(gen() % 90);
        std::string a = random_sequence(L), b = random_sequence(L - static_cast<int>(gen() % 3));
        std::vector<int> usable(L);
        for (int& u : usable)
            u = gen() % 5 != 0;
        PopulDNA& p = dna({{a.c_str(), 1}});
        p.profile.MissingData = miss;
        p.ArbitraryHaplotype.content = a.c_str();
        p.LocusUsable = new int[L];
        std::copy(usable.begin(), usable.end(), p.LocusUsable);
        p.TransitionWeight = weights[gen() % 4];
        p.TransversionWeight = weights[gen() % 4];
        p.DeletionWeight = weights[gen() % 4];
        SiteBySite expected = count_site_by_site(a, b, usable, miss, p.TransitionWeight,
                                                 p.TransversionWeight, p.DeletionWeight);
        SCOPED_TRACE(a + " / " + b);
        SitePairCounts c = p.count_site_classes(a.c_str(), b.c_str());
        p.diff_dist(c);
        EXPECT_DOUBLE_EQ(p.PairDistance, expected.S);
        p.p_dist(c);
        if (expected.weighted_sites > 0) {
            EXPECT_DOUBLE_EQ(p.PairDistance, expected.S / expected.weighted_sites);
        }
        p.jk_dist(c);
        EXPECT_EQ(p.PairSites, expected.jc_sites);
        EXPECT_EQ(p.PairDifferences, expected.jc_diff);
        p.kim2p_dist(c);
        EXPECT_EQ(p.PairTransitions, expected.ts);
        EXPECT_EQ(p.PairTransversions, expected.tv);
        p.tamura_dist(c);
        EXPECT_EQ(p.PairSites, expected.tamura_sites);
        p.tajnei_dist(c);
        EXPECT_EQ(p.PairSites, expected.acgt_sites);
        EXPECT_EQ(p.PairDifferences, expected.acgt_diff);
    }
}

}  // namespace
