// The individuals of a sample: copying, pooling, the steps of the estimation
// of haplotype frequencies, random samples, exploding, permuting and
// resampling, and the statistics of a sample.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/random.h"
#include "individuals_fixture.h"
#include "model/phen_db.h"

namespace {

class PhenDBTest : public IndividualsTest {
protected:
    TPhenDB sample;

    void add(const std::string& copy1, const std::string& copy2, double count = 1,
             const char* name = "ind")
    {
        sample.phenotypes.Add(individual(copy1, copy2, count, name));
    }

    TPhenotype& at(int i) { return *sample.phenotypes[i]; }

    // The allele texts of entry i as "copy1/copy2".
    std::string genes(int i) { return text(*at(i).pseudo_hapl[0]) + "/" + text(*at(i).pseudo_hapl[1]); }

    // A table of one-locus haplotypes of locus L with the given frequencies.
    void one_locus_table(TPopHaploDB& table, int L, std::vector<std::pair<char, double>> freqs)
    {
        for (auto [c, f] : freqs)
            table.insert(haplotype(std::string(1, c), L), f);
    }
};

}  // namespace

TEST_F(PhenDBTest, EmptySample)
{
    EXPECT_EQ(sample.calc_ln_likelihood(), 0);
    EXPECT_EQ(sample.link_equil_ln_likelihood(), 0);
    EXPECT_EQ(sample.nb_individuals(), 0);
    EXPECT_EQ(sample.num_loci(), 0);
    EXPECT_EQ(sample.get_num_of_deg_freed(), 1);
    EXPECT_EQ(sample.calc_ln_multinom(), 0);
    sample.check_pheno_redundancy();
    sample.explode_base();
    EXPECT_EQ(sample.phenotypes.count, 0);
}

TEST_F(PhenDBTest, PoolingKeepsTheFirstOfEachClassWithSummedCounts)
{
    add("AB", "CD", 1, "i1");
    add("AB", "CB", 2, "i2");
    add("CB", "AD", 3, "i3");  // i1 in the other phase
    add("AB", "CB", 4, "i4");
    add("AA", "CC", 5, "i5");
    for (int i = 0; i < 5; i++)
        at(i).rel_freq = 0.1 * (i + 1);
    sample.check_pheno_redundancy();
    ASSERT_EQ(sample.phenotypes.count, 3);
    const char* names[] = {"i1", "i2", "i5"};
    const double counts[] = {4, 6, 5};
    const double freqs[] = {0.4, 0.6, 0.5};
    for (int i = 0; i < 3; i++) {
        EXPECT_STREQ(at(i).name.str, names[i]);
        EXPECT_EQ(at(i).count, counts[i]);
        EXPECT_DOUBLE_EQ(at(i).rel_freq, freqs[i]);
        EXPECT_EQ(at(i).redundant, 0);
    }
    EXPECT_EQ(genes(0), "AB/CD");
}

TEST_F(PhenDBTest, PoolingOfIndividualsWithoutOrWithUnequalGeneCopies)
{
    // Without gene copies individuals compare by count.
    const double counts[] = {2, 1, 2, 1, 3};
    for (double c : counts)
        sample.phenotypes.Add(new TPhenotype(my_string("x"), c));
    sample.check_pheno_redundancy();
    ASSERT_EQ(sample.phenotypes.count, 3);
    EXPECT_EQ(at(0).count, 4);
    EXPECT_EQ(at(1).count, 2);
    EXPECT_EQ(at(2).count, 3);

    // An individual over fewer loci matches those that agree on its loci.
    sample.phenotypes.Flush();
    add("AB", "CD", 1);
    add("A", "C", 1);
    add("AE", "CD", 1);
    sample.check_pheno_redundancy();
    ASSERT_EQ(sample.phenotypes.count, 2);
    EXPECT_EQ(at(1).count, 2);  // "A/C" took "AE/CD"
}

TEST_F(PhenDBTest, LogLikelihood)
{
    add("A", "A", 2);
    add("B", "B", 1);
    at(0).prob = 0.5;
    at(1).prob = 0.25;
    EXPECT_DOUBLE_EQ(sample.calc_ln_likelihood(), 2 * std::log(0.5) + std::log(0.25));
    at(1).prob = 0;
    EXPECT_EQ(sample.calc_ln_likelihood(), -3.4028234663852886e38);
    EXPECT_EQ(sample.ln_likelihood, -3.4028234663852886e38);

    // Under linkage equilibrium from the alleles' frequencies.
    allele(0, 'A')->count = 0.6;
    allele(0, 'B')->count = 0.4;
    EXPECT_DOUBLE_EQ(sample.link_equil_ln_likelihood(), 2 * std::log(0.36) + std::log(0.16));
    allele(0, 'B')->count = 0;
    EXPECT_EQ(sample.link_equil_ln_likelihood(), -3.4028234663852886e38);
}

TEST_F(PhenDBTest, EstimationStepsByHandFromARandomStart)
{
    const char* data[][2] = {{"AAA", "BBB"}, {"AAB", "BBB"}, {"AAA", "BAB"}, {"AAA", "AAA"},
                             {"ABA", "ABB"}, {"BBA", "BBA"}, {"AAB", "AAB"}};
    for (auto const& d : data)
        add(d[0], d[1]);
    add("ABB", "BAA", 2);  // the first individual in another phase
    sample.check_pheno_redundancy();
    ASSERT_EQ(sample.phenotypes.count, 7);
    EXPECT_EQ(at(0).count, 3);

    TPopHaploDB table;
    EXPECT_EQ(sample.build_all_genotypes(table, &db, 0), 1);
    const int expected_genotypes[] = {4, 2, 2, 1, 1, 1, 1};
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(at(i).genotypes.count, expected_genotypes[i]);

    long seed = -4242;
    ran3(&seed);
    table.assign_rand_init_freq(1000);
    double previous = -3.4028234663852886e38;
    for (int iteration = 0; iteration < 20; iteration++) {
        sample.update_genotypes();
        double lnL = sample.calc_ln_likelihood();
        // The likelihood of an EM never decreases.
        EXPECT_GE(lnL, previous - 1e-12) << "iteration " << iteration;
        previous = lnL;
        sample.update_hapl_freq(table);
        double sum = 0;
        for (int i = 0; i < table.haplotypes.count; i++)
            sum += table.haplotypes[i]->freq;
        EXPECT_NEAR(sum, 2.0 * sample.nb_individuals(), 1e-9);
        for (int i = 0; i < table.haplotypes.count; i++)
            table.haplotypes[i]->freq /= sum;
    }
    EXPECT_LT(previous, 0);
}

TEST_F(PhenDBTest, RandomSampleFromATable)
{
    TPopHaploDB table;
    table.insert(haplotype("AB"), 0.3);
    table.insert(haplotype("CD"), 0.7);
    TPhenDB drawn(50, table);
    ASSERT_EQ(drawn.phenotypes.count, 50);
    for (int i = 0; i < 50; i++) {
        EXPECT_EQ(std::string(drawn.phenotypes[i]->name.str), std::to_string(i));
        EXPECT_EQ(drawn.phenotypes[i]->count, 1.0);
        for (TPopHaplotype const* h : drawn.phenotypes[i]->pseudo_hapl)
            EXPECT_TRUE(text(*h) == "AB" || text(*h) == "CD");
    }
    EXPECT_EQ(drawn.inbreeding_coeff, 0);

    TPopHaploDB empty;
    TPhenDB none(5, empty);
    EXPECT_EQ(none.phenotypes.count, 0);
    EXPECT_EQ(reports("\"TPhenDB::create_random_list()\" : unable to find specified allele"), 101);
}

TEST_F(PhenDBTest, CountsCopiesAndRestrictedCopies)
{
    add("ABC", "DEF", 1.5, "x");
    add("ABC", "ABC", 2.7, "y");
    EXPECT_EQ(sample.nb_individuals(), 3);
    EXPECT_EQ(sample.num_loci(), 3);
    sample.ln_likelihood = -7;
    sample.convert_freq_to_real();
    EXPECT_DOUBLE_EQ(at(0).rel_freq, 1.5 / 4.2);

    TPhenDB copy(sample);
    EXPECT_EQ(copy.phenotypes.count, 2);
    EXPECT_NE(copy.phenotypes[0], sample.phenotypes[0]);
    EXPECT_EQ(copy.ln_likelihood, -7);

    const int loci[] = {2, 2, 1};
    TPhenDB pair;
    pair.create_temp_PhenDB(loci, sample);
    ASSERT_EQ(pair.phenotypes.count, 2);
    EXPECT_EQ(text(*pair.phenotypes[0]->pseudo_hapl[1]), "FE");
    EXPECT_EQ(pair.phenotypes[1]->count, 2.7);
    EXPECT_EQ(pair.ln_likelihood, -7);

    const int mask[] = {0, 1, 1};
    sample.build_sub_PhenDB(mask, sample);  // from itself
    ASSERT_EQ(sample.phenotypes.count, 2);
    EXPECT_EQ(genes(0), "BC/EF");
}

TEST_F(PhenDBTest, ExplodingGivesOneEntryPerIndividual)
{
    add("A", "B", 2, "two");
    add("B", "B", 1, "one");
    add("C", "C", 0, "none");
    add("A", "C", 3, "three");
    for (int i = 0; i < 4; i++)
        at(i).rel_freq = 0.6;
    sample.explode_base();
    // An entry of no individual is dropped; the originals keep their order
    // and the copies follow in the order of their originals.
    const char* names[] = {"two", "one", "three", "two", "three", "three"};
    const double freqs[] = {0.3, 0.6, 0.2, 0.3, 0.2, 0.2};
    ASSERT_EQ(sample.phenotypes.count, 6);
    for (int i = 0; i < 6; i++) {
        EXPECT_STREQ(at(i).name.str, names[i]);
        EXPECT_EQ(at(i).count, 1.0);
        EXPECT_DOUBLE_EQ(at(i).rel_freq, freqs[i]);
    }
    EXPECT_EQ(sample.nb_individuals(), 6);
    EXPECT_EQ(reports("number of phenotypes changed"), 0);
}

TEST_F(PhenDBTest, ExplodingReportsCountsThatAreNotWholeIndividuals)
{
    add("C", "C", 0.5, "half");          // dropped
    add("A", "B", 2.5, "two and half");  // two individuals
    add("B", "B", 1.99995, "two");       // within the tolerance of 2
    sample.explode_base();
    ASSERT_EQ(sample.phenotypes.count, 4);
    EXPECT_STREQ(at(0).name.str, "two and half");
    EXPECT_STREQ(at(1).name.str, "two");
    EXPECT_EQ(reports("\"TPhenDB::explode_base()\" : number of phenotypes changed after DB "
                      "expansion\n\tIndividual \"half\" has a count of 0.5: 0 individual(s) kept\n"
                      "\tIndividual \"two and half\" has a count of 2.5: 2 individual(s) kept\n"),
              1);
    EXPECT_EQ(reports("number of phenotypes changed"), 1);
}

TEST_F(PhenDBTest, PermutingKeepsTheAllelesOfTheLocus)
{
    const char* data[][2] = {{"AD", "BE"}, {"BE", "CF"}, {"CD", "CD"}, {"AF", "BE"}, {"AD", "AE"}};
    for (auto const& d : data)
        add(d[0], d[1]);
    auto first_locus = [&] {
        std::string s;
        for (int i = 0; i < 5; i++)
            s += genes(i).substr(0, 1) + genes(i).substr(3, 1);
        return s;
    };
    auto second_locus = [&] {
        std::string s;
        for (int i = 0; i < 5; i++)
            s += genes(i).substr(1, 1) + genes(i).substr(4, 1);
        return s;
    };
    std::string before = first_locus();
    std::string other = second_locus();
    long seed = -99;
    ran3(&seed);
    bool changed = false;
    const int loci[] = {2, 0, 1};
    for (int k = 0; k < 20; k++) {
        sample.permute_alleles(loci, seed);
        std::string after = first_locus();
        changed = changed || after != before;
        std::string a = after, b = before;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b);
        EXPECT_EQ(second_locus(), other);
    }
    EXPECT_TRUE(changed);

    const int none[] = {0};
    std::string now = first_locus();
    sample.permute_alleles(none, seed);
    EXPECT_EQ(first_locus(), now);
    EXPECT_EQ(reports("\"TPhenDB::permute_alleles()\" : invalid number of selected loci"), 1);
}

TEST_F(PhenDBTest, DegreesOfFreedomOfTheTwoLocusTest)
{
    add("ac", "bd");
    add("ae", "ac");
    EXPECT_EQ(sample.get_num_of_deg_freed(), 2);
    add("b", "a");
    EXPECT_EQ(sample.get_num_of_deg_freed(), 1);
}

TEST_F(PhenDBTest, ResamplingRefusesTablesThatDoNotSumToOne)
{
    struct Case {
        double last;  // frequency of the second allele of the first table
        int result;
    };
    const Case cases[] = {{0.4995, 1}, {0.498, 0}};
    for (Case const& c : cases) {
        TPopHaploDB t1, t2;
        one_locus_table(t1, 0, {{'A', 0.5}, {'B', c.last}});
        one_locus_table(t2, 1, {{'C', 1.0}});
        add("AC", "BC");
        long seed = -5;
        EXPECT_EQ(sample.resample(3, t1, t2, seed, &db), c.result);
        EXPECT_EQ(sample.phenotypes.count, c.result ? 3 : 0);
    }
    EXPECT_EQ(reports("\"TPhenDB::resample()\" : sum of haplotype frequencies do not match"), 1);
    EXPECT_NE(log_text().find("     TPhenDB::resample:  summ of freqs is not 1\n"),
              std::string::npos);
}

TEST_F(PhenDBTest, ResampledIndividualsHideRecessiveAllelesBesideOthers)
{
    TPopHaploDB t1, t2;
    one_locus_table(t1, 0, {{'r', 0.5}, {'A', 0.3}, {'B', 0.2}});
    one_locus_table(t2, 1, {{'C', 0.6}, {'r', 0.4}});
    long seed = -17;
    ASSERT_EQ(sample.resample(200, t1, t2, seed, &db), 1);
    ASSERT_EQ(sample.phenotypes.count, 200);
    std::map<std::string, int> seen;
    for (int i = 0; i < 200; i++) {
        TPhenotype& p = at(i);
        EXPECT_EQ(std::string(p.name.str), std::to_string(2 * i));
        EXPECT_EQ(std::string(p.pseudo_hapl[1]->id.str), std::to_string(2 * i + 1));
        EXPECT_DOUBLE_EQ(p.rel_freq, 1.0 / 200);
        for (int locus = 0; locus < 2; locus++) {
            std::string pair = genes(i).substr(locus, 1) + genes(i).substr(3 + locus, 1);
            // Either both gene copies are recessive or neither is.
            EXPECT_EQ(pair[0] == 'r', pair[1] == 'r') << pair;
            seen[pair]++;
        }
    }
    EXPECT_GT(seen["rr"], 0);
    EXPECT_GT(seen["AA"], seen["BB"]);
}

TEST_F(PhenDBTest, ResampledDrawsOutsideTheCumulativeFrequenciesStillGiveAlleles)
{
    TPopHaploDB t1, t2;
    one_locus_table(t1, 0, {{'A', 0.2}, {'B', 0.2}});
    one_locus_table(t2, 1, {{'C', 0.3}});
    double cum1[] = {0, 0.2, 0.4};
    double cum2[] = {0, 0.3};
    long seed = -3;
    ran3(&seed);
    int last = 0;
    for (int i = 0; i < 100; i++) {
        TPhenotype p;
        p.build_resam_pheno(100, 0, cum1, 2, cum2, 1, t1, t2, seed, &db, nullptr, nullptr);
        std::string g = text(*p.pseudo_hapl[0]) + text(*p.pseudo_hapl[1]);
        ASSERT_EQ(g.size(), 4u);
        last += (g[0] == 'B') + (g[2] == 'B');
        EXPECT_EQ(g[1], 'C');
    }
    EXPECT_GT(last, 100);  // every draw above 0.4 takes the last allele
}

TEST_F(PhenDBTest, HardyWeinbergStatisticOfOneLocus)
{
    struct Case {
        std::vector<std::pair<std::string, double>> genotypes;  // "AB" and its count
        double G;
        int df;
    };
    const Case cases[] = {
        {{{"AA", 10}}, 0, 0},
        {{{"AA", 25}, {"AB", 50}, {"BB", 25}}, 0, 1},
        {{{"AA", 50}, {"BB", 50}}, 200 * std::log(2.0), 1},
        {{{"AA", 50}, {"BB", 50}, {"?B", 7}}, 200 * std::log(2.0), 1},  // missing data left out
        {{{"AB", 10}, {"AC", 10}, {"BC", 10}}, 0, 3},
    };
    for (Case const& c : cases) {
        sample.phenotypes.Flush();
        for (auto const& [g, n] : c.genotypes)
            add(g.substr(0, 1), g.substr(1, 1), n);
        int df = -1;
        double G = sample.hw_chi_stat(&db, 0, '?', df);
        EXPECT_EQ(df, c.df);
        if (c.genotypes.size() == 3 && c.df == 3) {
            // 30 individuals, all heterozygous: frequencies 1/3 each.
            double expected = 2 * ((3 * 10 * std::log(10.0) - 30 * std::log(30.0)) -
                                   (30 * std::log(2.0) + 3 * 20 * std::log(20.0) - 60 * std::log(60.0)));
            EXPECT_NEAR(G, expected, 1e-9);
        } else {
            EXPECT_NEAR(G, c.G, 1e-9);
        }
    }
    add("AB", "AB");
    int df = -1;
    EXPECT_EQ(sample.hw_chi_stat(&db, 0, '?', df), -1000);
    EXPECT_EQ(reports("\"TPhenDB::hw_chi_stat()\" : invalid number of selected loci"), 1);
}

TEST_F(PhenDBTest, MultinomialCoefficientOfTheCounts)
{
    add("A", "A", 2.9);
    add("B", "B", 1);
    add("C", "C", 3);
    EXPECT_NEAR(sample.calc_ln_multinom(), std::log(720.0 / (2 * 1 * 6)), 1e-12);
}

TEST_F(PhenDBTest, SimilarityOfOwnAndEstimatedHaplotypes)
{
    add("AB", "CD");
    add("AB", "AB");
    TPopHaploDB same;
    same.insert(haplotype("AB"), 0.75);
    same.insert(haplotype("CD"), 0.25);
    EXPECT_DOUBLE_EQ(sample.compute_IF_coeff(&same), 1.0);
    EXPECT_EQ(sample.IF_coeff, 1.0);

    TPopHaploDB other;
    other.insert(haplotype("AD"), 0.5);
    other.insert(haplotype("CB"), 0.5);
    EXPECT_DOUBLE_EQ(sample.compute_IF_coeff(&other), 0.0);
}

TEST_F(PhenDBTest, ShareOfCorrectPhases)
{
    add("AB", "CD", 2);
    add("AB", "CD", 1);
    add("AB", "AB", 1);
    TPopHaploDB table;
    sample.build_all_genotypes(table, &db, 0);
    at(0).genotypes[0]->prob = 0.3;  // own phase most likely
    at(0).genotypes[1]->prob = 0.1;
    at(1).genotypes[0]->prob = 0.1;  // the other phase most likely
    at(1).genotypes[1]->prob = 0.3;
    at(2).genotypes[0]->prob = 0.5;
    std::ostringstream os;
    EXPECT_DOUBLE_EQ(sample.percent_correct_gametic_phase(os), 3.0 / 4.0);
    EXPECT_EQ(sample.num_ambiguous, 3);
    EXPECT_EQ(sample.num_ambiguous_correct, 2);
    std::string out = os.str();
    EXPECT_NE(out.find("Phenotype : 1 (freq: 2"), std::string::npos);
    EXPECT_NE(out.find("\tCorrect genotype      : \t0.75000\t[A B ] & [C D ]"), std::string::npos);
    EXPECT_NE(out.find("Bad phase\n"), std::string::npos);
}
