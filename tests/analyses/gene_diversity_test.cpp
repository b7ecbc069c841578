// Gene diversity, homozygosity and theta(H) of a sample, against values
// worked by hand: for counts 5 and 5 (n = 10), F = 0.5, H = 5/9,
// s.d.(H) = sqrt(2/90 x (0.5 - 0.25)) = sqrt(1/180) (G - F^2 = 0), and
// theta(H) the root of t (1 + 2(t+1)/((t+2)(t+3))) = 1/Hom - 1 = 1.25.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>
#include <vector>

#include "analyses/popgen/pop_genetics.h"

namespace {

constexpr double kTheta55 = 0.936291991;    // root of the equation above, by bisection
constexpr double kTheta55SD = 0.287925749;  // sqrt(1/180) x 2.936^2 3.936^2 / (... (4/9)^2)

class GeneDiversityTest : public ::testing::Test {
protected:
    PopGenetics sample;
    std::vector<std::unique_ptr<HaploDef>> definitions;

    // A sample of haplotypes with these counts; n is their sum.
    void use_counts(std::vector<int> const& counts)
    {
        sample.haplotypes.Flush();
        sample.SampleSize = 0;
        sample.num_haplotypes = 0;
        add_counts(counts);
    }

    void add_counts(std::vector<int> const& counts)
    {
        for (int c : counts) {
            definitions.push_back(std::make_unique<HaploDef>());
            sample.haplotypes.Add(new PHaploDef(definitions.back().get(), c));
            sample.SampleSize += c;
            sample.num_haplotypes += 1;
        }
    }
};

TEST_F(GeneDiversityTest, HandWorkedSamples)
{
    const struct {
        const char* title;
        std::vector<int> counts;
        double F, H, sd;
    } cases[] = {
        {"5 and 5", {5, 5}, 0.5, 5.0 / 9.0, std::sqrt(1.0 / 180.0)},
        // G = 28/64, G - F^2 = 3/64: V = 1/6 (4 x 3/64 + 15/64) = 27/384
        {"3 and 1", {3, 1}, 0.625, 0.5, std::sqrt(27.0 / 384.0)},
        {"one haplotype", {6}, 1.0, 0.0, 0.0},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        use_counts(c.counts);

        EXPECT_DOUBLE_EQ(sample.calc_F(), c.F);
        EXPECT_DOUBLE_EQ(sample.calc_sample_homozygosity(), 1.0 - c.H);
        EXPECT_DOUBLE_EQ(sample.GeneDiversity, c.H);
        EXPECT_DOUBLE_EQ(sample.SumSqHaplFreq, c.F);
        EXPECT_NEAR(sample.calc_sample_sd_heterozygosity(), c.sd, 1e-15);
    }
}

TEST_F(GeneDiversityTest, ThetaHOfTwoEqualHaplotypes)
{
    use_counts({5, 5});
    EXPECT_NEAR(sample.calc_theta_Hom(), kTheta55, 1e-7);
    EXPECT_NEAR(sample.ThetaHomSD, kTheta55SD, 1e-6);
    EXPECT_NEAR(sample.GeneDiversitySD, 0.074536, 5e-7);
    EXPECT_DOUBLE_EQ(sample.Homozygosity, 4.0 / 9.0);
}

// Hom = 1 gives 0, Hom = 0 an infinite theta (the largest float); with every
// gene copy different only theta(H) changes.
TEST_F(GeneDiversityTest, ThetaHAtTheEdges)
{
    const double untouched = 123.0;
    const struct {
        const char* title;
        std::vector<int> counts;
        double size;  // 0: the sum of the counts
        double theta, theta_sd, homozygosity, diversity, sum_sq;
    } cases[] = {
        {"one haplotype", {6}, 0, 0.0, 0.0, 1.0, 0.0, 1.0},
        {"all copies different", {1, 1, 1, 1}, 0, FLT_MAX, untouched, untouched, untouched, untouched},
        // One gene copy is no diversity, not complete diversity.
        {"one gene copy", {1}, 0, 0.0, 0.0, 1.0, 0.0, untouched},
        {"no haplotype in a sample of 3", {}, 3, FLT_MAX, FLT_MAX, 0.0, 1.0, 0.0},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        use_counts(c.counts);
        if (c.size > 0)
            sample.SampleSize = c.size;
        sample.ThetaHomSD = sample.Homozygosity = sample.GeneDiversity = untouched;
        sample.SumSqHaplFreq = untouched;

        EXPECT_EQ(sample.calc_theta_Hom(), c.theta);
        EXPECT_EQ(sample.ThetaHom, c.theta);
        EXPECT_EQ(sample.ThetaHomSD, c.theta_sd);
        EXPECT_EQ(sample.Homozygosity, c.homozygosity);
        EXPECT_EQ(sample.GeneDiversity, c.diversity);
        EXPECT_EQ(sample.SumSqHaplFreq, c.sum_sq);
    }
}

TEST_F(GeneDiversityTest, DiversityOfOneGeneCopyAndOfAllCopiesDifferent)
{
    use_counts({1});
    EXPECT_EQ(sample.calc_sample_homozygosity(), 1.0);
    EXPECT_EQ(sample.GeneDiversity, 0.0);
    EXPECT_EQ(sample.calc_sample_sd_heterozygosity(), 0.0);

    add_counts({1, 1});  // three copies, three haplotypes
    sample.SumSqHaplFreq = 7.0;
    EXPECT_EQ(sample.calc_sample_homozygosity(), 0.0);
    EXPECT_EQ(sample.GeneDiversity, 1.0);
    EXPECT_EQ(sample.SumSqHaplFreq, 7.0);
}

// A class's Freq is a count from 1.0 on and a relative frequency below it;
// F goes to EWObservedF, the s.d. still comes from the sample's haplotypes.
TEST_F(GeneDiversityTest, ThetaHOfHaplotypeClasses)
{
    use_counts({5, 5});
    HaplotypeClasses classes(3, 0);
    classes.Add(new AHaplFreq(5.0, 25.0));
    classes.Add(new AHaplFreq(0.5, 0.25));
    sample.SumSqHaplFreq = 9.0;

    EXPECT_NEAR(sample.calc_theta_Hom(classes), kTheta55, 1e-7);
    EXPECT_DOUBLE_EQ(sample.EWObservedF, 0.5);
    EXPECT_NEAR(sample.ThetaHomSD, kTheta55SD, 1e-6);
    EXPECT_EQ(sample.SumSqHaplFreq, 0.5);  // from the s.d. of the sample's own list

    // As many classes as gene copies: infinite, nothing stored.
    HaplotypeClasses distinct(10, 0);
    for (int i = 0; i < 10; ++i)
        distinct.Add(new AHaplFreq(1.0, 1.0));
    sample.ThetaHom = sample.EWObservedF = -1.0;
    EXPECT_EQ(sample.calc_theta_Hom(distinct), FLT_MAX);
    EXPECT_EQ(sample.ThetaHom, -1.0);
    EXPECT_EQ(sample.EWObservedF, -1.0);

    // Classes that sum to more than the sample: H above 1 is infinite.
    HaplotypeClasses sparse(3, 0);
    sparse.Add(new AHaplFreq(0.1, 0.01));
    sparse.Add(new AHaplFreq(0.1, 0.01));
    EXPECT_EQ(sample.calc_theta_Hom(sparse), FLT_MAX);
    EXPECT_EQ(sample.ThetaHomSD, FLT_MAX);
}

TEST_F(GeneDiversityTest, ClassListsAreKeptInDecreasingFrequency)
{
    // Equal classes keep their insertion order, told apart here by FreqSq.
    HaplotypeClasses classes(4, 0);
    classes.Add(new AHaplFreq(2.0, 1.0));
    classes.Add(new AHaplFreq(5.0, 25.0));
    classes.Add(new AHaplFreq(2.0, 2.0));
    classes.Add(new AHaplFreq(7.0, 49.0));
    std::vector<double> order;
    for (int i = 0; i < classes.count; ++i)
        order.push_back(classes.data[i]->FreqSq);
    EXPECT_EQ(order, (std::vector<double>{49.0, 25.0, 1.0, 2.0}));
}

}  // namespace
