// The assignment test: log-likelihoods against a computation by hand from
// allele counts, the unseen-allele frequency, stale or missing frequency
// arrays, many loci, and the section written for genotypic and haplotypic
// samples.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "app/glbobj.h"
#include "app/settings.h"
#include "comparisons/ind_likelihood.h"
#include "core/random.h"
#include "model/individuals_fixture.h"
#include "model/population.h"
#include "project/samples.h"

using ::testing::HasSubstr;

namespace {

class IndLikelihoodTest : public IndividualsTest {
protected:
    settings s;
    Samples samples;
    std::fstream results;

    void SetUp() override
    {
        results.open((dir / "a.htm").string(), std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        s.allele_db = &db;
        s.InitialConditionsEM = 5;
        s.MaximumNumOfIterationsEM = 1000;
        s.EMCheckPhenRedundancy = 0;
        s.RecessiveAllelesEM = 0;
        samples.GenotypicData = 1;
        samples.GameticPhase = 0;
        xmlOutput = false;
        long seed = -99;
        ran3(&seed);
    }

    void TearDown() override { s.results_stream = nullptr; }

    Population* add_sample(const char* name)
    {
        auto* pop = new Population(my_string(name));
        pop->alleleDB = &db;
        pop->RecessiveAllelesEM = 0;
        pop->profile.GenotypicData = 1;
        samples.Populations.Add(pop);
        return pop;
    }

    // Two loci, one character per allele: locus 1 alleles a b c, locus 2 x y z.
    // Hill: a/b x/x, a/a x/y, b/c y/z; Lake: c/c z/z (two individuals), a/c x/z.
    void two_samples()
    {
        Population* hill = add_sample("Hill");
        hill->individuals.phenotypes.Add(individual("ax", "bx", 1, "h1"));
        hill->individuals.phenotypes.Add(individual("ax", "ay", 1, "h2"));
        hill->individuals.phenotypes.Add(individual("by", "cz", 1, "h3"));
        Population* lake = add_sample("Lake");
        lake->individuals.phenotypes.Add(individual("cz", "cz", 2, "k1"));
        lake->individuals.phenotypes.Add(individual("ax", "cz", 1, "k2"));
    }

    TPhenotype const& ind(int sample, int i)
    {
        return *samples.Populations.data[sample]->individuals.phenotypes.data[i];
    }

    double ln_likelihood(IndLikelihood& test, int sample, int i, int in)
    {
        test.unseen_freq = IndLikelihood::unseen_frequency(
            samples.Populations.data[in]->individuals.phenotypes.count);
        return test.ln_likelihood(ind(sample, i), in);
    }

    // Individual ind of sample, scored in sample in: the expected ln L.
    struct LnCase {
        int sample, ind, in;
        double expected;
    };

    void expect_ln_likelihoods(IndLikelihood& test, std::vector<LnCase> const& cases)
    {
        for (LnCase const& c : cases) {
            SCOPED_TRACE(std::to_string(c.sample) + " " + std::to_string(c.ind) + " in "
                         + std::to_string(c.in));
            EXPECT_NEAR(ln_likelihood(test, c.sample, c.ind, c.in), c.expected, 1e-6);
        }
    }

    std::string output()
    {
        results.flush();
        return read_text(dir / "a.htm");
    }
};

TEST(UnseenFrequency, MissedWithProbabilityFivePercent)
{
    EXPECT_NEAR(IndLikelihood::unseen_frequency(10), 0.0025614, 5e-8);
    EXPECT_NEAR(std::log(IndLikelihood::unseen_frequency(10)), -5.967, 5e-4);
    EXPECT_DOUBLE_EQ(IndLikelihood::unseen_frequency(0), 1.0);
}

// Hill (6 gene copies): a 3, b 2, c 1; x 3, y 2, z 1. Lake (6 gene copies,
// k1 counting twice): c 5, a 1; z 5, x 1; b and y absent, so they take
// 1 - 0.95^(1/4) (two records). Homozygous loci add 2 ln p, heterozygous
// ones ln 2 + ln p + ln q.
TEST_F(IndLikelihoodTest, LogLikelihoodsFromAlleleCounts)
{
    two_samples();
    IndLikelihood test(1e-10, s, &samples);
    test.calc_alleles_freqs();
    const double ln2 = std::log(2.0), u = 1 - std::pow(0.95, 0.25);
    auto L = [](double p) { return std::log(p); };
    const std::vector<LnCase> cases = {
        {0, 0, 0, ln2 + L(3 / 6.) + L(2 / 6.) + 2 * L(3 / 6.)},
        {0, 1, 0, 2 * L(3 / 6.) + ln2 + L(3 / 6.) + L(2 / 6.)},
        {0, 2, 0, ln2 + L(2 / 6.) + L(1 / 6.) + ln2 + L(2 / 6.) + L(1 / 6.)},
        {0, 0, 1, ln2 + L(1 / 6.) + L(u) + 2 * L(1 / 6.)},
        {0, 2, 1, ln2 + L(u) + L(5 / 6.) + ln2 + L(u) + L(5 / 6.)},
        {1, 0, 1, 4 * L(5 / 6.)},
        {1, 1, 1, 2 * (ln2 + L(1 / 6.) + L(5 / 6.))},
        {1, 0, 0, 4 * L(1 / 6.)},
        {1, 1, 0, 2 * (ln2 + L(3 / 6.) + L(1 / 6.))},
    };
    expect_ln_likelihoods(test, cases);
}

// Missing gene copies ('?'): the frequencies are those of the typed copies,
// and a locus at which an individual misses a copy adds nothing to it.
// Hill: h1 a/? x/x, h2 a/a y/x, h3 b/c ?/?; typed copies a 3 b 1 c 1 of 5 at
// locus 1, x 3 y 1 of 4 at locus 2. Lake: k1 c/c z/z (two individuals),
// k2 a/c x/z; a 1 c 5, x 1 z 5 of 6; absent alleles take 1 - 0.95^(1/4) in
// Lake (two records) and 1 - 0.95^(1/6) in Hill (three records).
TEST_F(IndLikelihoodTest, MissingCopiesAreNoAlleleAndLeaveTheirLocusOut)
{
    samples.MissingData = '?';
    Population* hill = add_sample("Hill");
    hill->individuals.phenotypes.Add(individual("ax", "?x", 1, "h1"));
    hill->individuals.phenotypes.Add(individual("ay", "ax", 1, "h2"));
    hill->individuals.phenotypes.Add(individual("b?", "c?", 1, "h3"));
    Population* lake = add_sample("Lake");
    lake->individuals.phenotypes.Add(individual("cz", "cz", 2, "k1"));
    lake->individuals.phenotypes.Add(individual("ax", "cz", 1, "k2"));
    IndLikelihood test(1e-10, s, &samples);
    test.calc_alleles_freqs();
    EXPECT_DOUBLE_EQ(allele(0, 'a')->pop_freq[0], 0.6);
    EXPECT_DOUBLE_EQ(allele(1, 'x')->pop_freq[0], 0.75);
    EXPECT_DOUBLE_EQ(allele(0, '?')->pop_freq[0], 0.0);

    const double ln2 = std::log(2.0), uLake = 1 - std::pow(0.95, 0.25);
    const double uHill = 1 - std::pow(0.95, 1 / 6.);
    auto L = [](double p) { return std::log(p); };
    const std::vector<LnCase> cases = {
        {0, 0, 0, 2 * L(0.75)},
        {0, 0, 1, 2 * L(1 / 6.)},
        {0, 1, 0, 2 * L(0.6) + ln2 + L(0.25) + L(0.75)},
        {0, 1, 1, 2 * L(1 / 6.) + ln2 + L(uLake) + L(1 / 6.)},
        {0, 2, 0, ln2 + L(0.2) + L(0.2)},
        {0, 2, 1, ln2 + L(uLake) + L(5 / 6.)},
        {1, 0, 0, 2 * L(0.2) + 2 * L(uHill)},
        {1, 0, 1, 4 * L(5 / 6.)},
        {1, 1, 0, ln2 + L(0.6) + L(0.2) + ln2 + L(0.75) + L(uHill)},
    };
    expect_ln_likelihoods(test, cases);

    EXPECT_EQ(test.run(), 1);
    // h3 in Hill: ln 2 + 2 ln 0.2 = -2.526; in Lake ln 2 + ln(0.012741) + ln(5/6) = -3.852.
    EXPECT_THAT(output(), HasSubstr("\nAllele frequencies come from the typed gene copies only; a "
                                    "locus at which an\nindividual misses a gene copy is left out "
                                    "of its log-likelihood.\n"));
    EXPECT_THAT(output(), HasSubstr("        h3\t    -2.526    -3.852\n"));
}

// A sample without a typed gene copy at a locus says nothing about it: that
// locus is left out of the sample's column, for every individual, and the
// section names it. Hill is typed everywhere (a 3 b 2 c 1, x 3 y 2 z 1 of 6);
// Lake only at locus 1 (c 5 a 1 of 6, k1 counting twice); Pond nowhere.
TEST_F(IndLikelihoodTest, ASampleWithoutTypedCopiesAtALocusLeavesItOutOfItsColumn)
{
    samples.MissingData = '?';
    Population* hill = add_sample("Hill");
    hill->individuals.phenotypes.Add(individual("ax", "bx", 1, "h1"));
    hill->individuals.phenotypes.Add(individual("ax", "ay", 1, "h2"));
    hill->individuals.phenotypes.Add(individual("by", "cz", 1, "h3"));
    Population* lake = add_sample("Lake");
    lake->individuals.phenotypes.Add(individual("c?", "c?", 2, "k1"));
    lake->individuals.phenotypes.Add(individual("a?", "c?", 1, "k2"));
    add_sample("Pond")->individuals.phenotypes.Add(individual("??", "??", 1, "p1"));
    IndLikelihood test(1e-10, s, &samples);
    test.calc_alleles_freqs();

    const double ln2 = std::log(2.0), uLake = 1 - std::pow(0.95, 0.25);
    auto L = [](double p) { return std::log(p); };
    const std::vector<LnCase> cases = {
        {0, 0, 0, ln2 + L(3 / 6.) + L(2 / 6.) + 2 * L(3 / 6.)},
        {0, 0, 1, ln2 + L(1 / 6.) + L(uLake)},  // x/x no longer charged 2 ln(uLake)
        {0, 1, 1, 2 * L(1 / 6.)},
        {0, 2, 1, ln2 + L(uLake) + L(5 / 6.)},
        {1, 0, 0, 2 * L(1 / 6.)},
        {1, 1, 1, ln2 + L(1 / 6.) + L(5 / 6.)},
        {0, 0, 2, 0.0},
        {0, 2, 2, 0.0},
    };
    expect_ln_likelihoods(test, cases);

    EXPECT_EQ(test.run(), 1);
    const std::string text = output();
    EXPECT_THAT(text, HasSubstr("of its log-likelihood.\n\n"
                                "Sample 2 has no typed gene copy at locus 2: left out of the "
                                "log-likelihoods in its column.\n"
                                "Sample 3 has no typed gene copy at loci 1, 2: left out of the "
                                "log-likelihoods in its column.\n\nSample1\n"));
    // h1: ln 2 + 3 ln(1/2) + ln(1/3) = -2.485 in Hill; ln 2 + ln(1/6) + ln(0.012741) in Lake.
    EXPECT_THAT(text, HasSubstr("        h1\t    -2.485    -5.462     0.000\n"));
}

// The estimate named after an individual left out is the one from every
// individual: h1 (a/b x/x) still counts in Hill, giving a 3/6 rather than 2/4.
TEST_F(IndLikelihoodTest, EstimateNamedWithoutOneIndividualCountsEveryIndividual)
{
    two_samples();
    IndLikelihood test(1e-10, s, &samples);
    test.calc_alleles_freqs_without_one_individual(0, 0);
    EXPECT_DOUBLE_EQ(allele(0, 'a')->pop_freq[0], 3 / 6.);
    EXPECT_DOUBLE_EQ(allele(1, 'x')->pop_freq[0], 3 / 6.);
    EXPECT_DOUBLE_EQ(allele(0, 'c')->pop_freq[1], 5 / 6.);
    EXPECT_EQ(test.untyped, (std::vector<std::vector<bool>>(2, {false, false})));
}

// Arrays left by an earlier analysis (too short, with stale values) are
// replaced; an allele that has lost its array counts as unseen; every array
// is gone after the test.
TEST_F(IndLikelihoodTest, StartsFromZeroedArraysAndFreesThem)
{
    two_samples();
    TAllele* a = allele(0, 'a');
    db.create_pop_freq_vector(1);
    a->pop_freq[0] = 0.9;
    IndLikelihood test(1e-10, s, &samples);
    test.calc_alleles_freqs();
    ASSERT_EQ(a->pop_freq_len, 2);
    EXPECT_DOUBLE_EQ(a->pop_freq[0], 0.5);
    EXPECT_DOUBLE_EQ(a->pop_freq[1], 1 / 6.);
    EXPECT_DOUBLE_EQ(allele(0, 'b')->pop_freq[1], 0.0);
    a->release_pop_freq();
    const double u = IndLikelihood::unseen_frequency(3);
    // h2 = a/a x/y in Hill, a now without frequency
    EXPECT_NEAR(ln_likelihood(test, 0, 1, 0),
                2 * std::log(u) + std::log(2.0) + std::log(3 / 6.) + std::log(2 / 6.), 1e-6);

    samples.Populations.data[0]->individuals.phenotypes.data[0]->count = 1;
    EXPECT_EQ(test.run(), 1);
    EXPECT_EQ(allele(0, 'c')->pop_freq, nullptr);
    EXPECT_EQ(TAllele::numPop, 2);
}

// Six hundred loci at frequency 1e-3 give a probability of 1e-3600, far
// below the smallest double; the sum of logarithms stays exact.
TEST_F(IndLikelihoodTest, ManyLociDoNotUnderflow)
{
    std::string loci(600, 'a');
    TPhenotype* x = individual(loci, loci);
    IndLikelihood test(1e-3, s, &samples);
    EXPECT_NEAR(test.ln_likelihood(*x, 0), 1200 * std::log(1e-3), 1e-6);
    delete x;
}

// The table of one sample: label list, header row, one row per record
// (a record of count 2 included), 3 decimals in width 10.
TEST_F(IndLikelihoodTest, SectionOfGenotypicSamples)
{
    two_samples();
    IndLikelihood test(1e-10, s, &samples);
    EXPECT_EQ(test.run(), 1);
    std::string text = output();
    EXPECT_THAT(text, HasSubstr("\n" + std::string(59, '=')
                                + "\n== LIKELIHOOD OF INDIVIDUAL GENOTYPES IN ALL POPULATIONS ==\n"));
    EXPECT_THAT(text, HasSubstr("\nList of labels for population samples used below:\n"
                                + std::string(49, '=') + "\nSample label  \tSample name\n"
                                "------------  \t----------\n       1:\tHill\n       2:\tLake\n"));
    // k1 in Lake: 4 ln(5/6) = -0.729; in Hill 4 ln(1/6) = -7.167.
    // k2 in Lake: 2 (ln 2 + ln(1/6) + ln(5/6)) = -2.562; in Hill 2 (ln 2 + ln(1/2) + ln(1/6)) = -3.584.
    EXPECT_THAT(text, HasSubstr("Sample2\n----------\n                   1         2\n"
                                "        k1\t    -7.167    -0.729\n"
                                "        k2\t    -3.584    -2.562\n\n"));
    EXPECT_THAT(text, HasSubstr("        h1\t    -2.485    -9.045\n"));
}

TEST_F(IndLikelihoodTest, HaplotypicSamplesGetTheHeadingsOnly)
{
    samples.GenotypicData = 0;
    add_sample("Hill");
    add_sample("Lake");
    IndLikelihood test(1e-10, s, &samples);
    EXPECT_EQ(test.run(), 1);
    std::string text = output();
    EXPECT_THAT(text, HasSubstr("== LIKELIHOOD OF INDIVIDUAL GENOTYPES IN ALL POPULATIONS =="));
    EXPECT_THAT(text, HasSubstr("\n\nSample1\n----------\n                   1         2\n\n"
                                "Sample2\n----------\n                   1         2\n\n"));
}

}  // namespace
