// Permutation schemes of the AMOVA: how many draws each makes and which
// positions it visits (against the values the stream gives), what each keeps
// in place, and that the permutations they reach are equally likely.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "amova/amova_fixture.h"
#include "core/random.h"
#include "model/phenotype.h"

namespace {

const long SEED = -2027;

// The next k values of the stream, which then starts again from the same place.
std::vector<double> next_draws(int k)
{
    long seed = SEED;
    ran3(&seed);
    std::vector<double> u;
    long one = 1;
    for (int i = 0; i < k; ++i)
        u.push_back(ran3(&one));
    seed = SEED;
    ran3(&seed);
    return u;
}

// How many of the values `u` have been drawn since next_draws.
int draws_made(std::vector<double> const& u)
{
    long one = 1;
    double next = ran3(&one);
    auto at = std::find(u.begin(), u.end(), next);
    return at == u.end() ? -1 : static_cast<int>(at - u.begin());
}

class AmovaSchemeTest : public AmovaTest {
protected:
    // Genotypic samples of the given numbers of individuals; every gene copy
    // is a haplotype of its own (ids 0, 1, 2, ... in order), so that the
    // vector shows where each copy went.
    void distinct_individuals(std::vector<int> const& sizes)
    {
        use_profile(DNA, 1, 1);
        int copies = 0;
        for (int n : sizes)
            copies += 2 * n;
        matrix(copies);
        int next = 0;
        for (int n : sizes) {
            std::vector<std::pair<int, int>> pairs;
            for (int i = 0; i < n; ++i, next += 2)
                pairs.push_back({next, next + 1});
            individuals(pairs);
        }
    }

    static std::vector<int> sorted(std::vector<int> v)
    {
        std::sort(v.begin(), v.end());
        return v;
    }
};

TEST_F(AmovaSchemeTest, PopulationsAmongGroupsDrawOncePerPositionAboveTheFirstGroup)
{
    distinct_individuals({1, 1, 1, 1});
    groups({{0, 1}, {2, 3}});
    std::unique_ptr<Amova> a = prepared();
    std::vector<double> u = next_draws(4);

    a->PPAG();

    EXPECT_EQ(draws_made(u), 2);
    std::vector<int> expected = {0, 1, 2, 3};
    std::swap(expected[3], expected[static_cast<int>(4 * u[0])]);  // 3 with one of 0 .. 3
    std::swap(expected[2], expected[static_cast<int>(3 * u[1])]);  // 2 with one of 0 .. 2
    std::vector<int> order;
    for (Population* p : a->popTable)
        order.push_back(p->sample_index);
    EXPECT_EQ(order, expected);
    a->distribute_populations();
    EXPECT_EQ(a->groupPops[1][0], a->popTable[2]);
    EXPECT_EQ(a->groupPops[1][1], a->popTable[3]);
}

// Gene copies among the individuals of each population: in a population of
// 6 copies from s, positions s+5 down to s+2 are drawn for; a population of
// one individual makes no draw.
TEST_F(AmovaSchemeTest, CopiesWithinPopulationsVisitAllButTheFirstIndividual)
{
    distinct_individuals({1, 3});
    groups({{0, 1}});
    std::unique_ptr<Amova> a = prepared();
    std::vector<double> u = next_draws(6);

    a->PHAIWP();

    EXPECT_EQ(draws_made(u), 4);
    std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7};
    int s = 2, k = 0;
    for (int i = 7; i >= 4; --i, ++k)
        std::swap(expected[i], expected[s + static_cast<int>((i - s + 1) * u[k])]);
    EXPECT_EQ(a->haploIndexVector, expected);
}

TEST_F(AmovaSchemeTest, BlocksMadeOfTheirFirstSubBlockDrawNothing)
{
    distinct_individuals({2, 2});
    groups({{0}, {1}});
    std::unique_ptr<Amova> a = prepared();
    std::vector<double> u = next_draws(4);
    a->PHAPWG();
    a->PIAPWG();
    EXPECT_EQ(draws_made(u), 0);
    EXPECT_EQ(a->haploIndexVector, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

// What each scheme keeps, over many permutations of three samples of 2, 1
// and 3 individuals in groups {0, 1} and {2}.
TEST_F(AmovaSchemeTest, WhatEachSchemeKeeps)
{
    struct Case {
        const char* name;
        void (Amova::*scheme)();
        bool pairs_whole;  // every individual's two copies stay together
        bool in_group;     // copies stay inside their group
        bool in_population;
    };
    const std::vector<Case> cases = {
        {"PHAPAG", &Amova::PHAPAG, false, false, false},
        {"PHAPWG", &Amova::PHAPWG, false, true, false},
        {"PHAIWP", &Amova::PHAIWP, false, true, true},
        {"PIAPWG", &Amova::PIAPWG, true, true, false},
        {"PIAPAG", &Amova::PIAPAG, true, false, false},
    };
    distinct_individuals({2, 1, 3});
    groups({{0, 1}, {2}});
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Amova> a = prepared();
        std::vector<int> const original = a->haploIndexVector;
        std::vector<std::pair<int, int>> slices = {{0, 4}, {4, 6}, {6, 12}};
        std::vector<std::pair<int, int>> group_slices = {{0, 6}, {6, 12}};
        bool moved = false;
        for (int round = 0; round < 200; ++round) {
            ((*a).*c.scheme)();
            std::vector<int> const& v = a->haploIndexVector;
            moved = moved || v != original;
            EXPECT_EQ(sorted(v), original);
            for (size_t i = 0; c.pairs_whole && i < v.size(); i += 2) {
                ASSERT_TRUE(v[i] % 2 == 0 && v[i + 1] == v[i] + 1) << round;
            }
            auto keeps = [&](std::vector<std::pair<int, int>> const& blocks) {
                for (auto [from, to] : blocks)
                    if (sorted({v.begin() + from, v.begin() + to})
                        != std::vector<int>(original.begin() + from, original.begin() + to))
                        return false;
                return true;
            };
            if (c.in_group) {
                ASSERT_TRUE(keeps(group_slices)) << round;
            }
            if (c.in_population) {
                ASSERT_TRUE(keeps(slices)) << round;
            }
        }
        EXPECT_TRUE(moved);
    }
}

// Chi-square of the counts of each outcome against equal frequencies.
double chi_square(std::map<int, int> const& counts, int outcomes, int trials)
{
    double expected = static_cast<double>(trials) / outcomes, chi = 0;
    for (auto const& [key, n] : counts)
        chi += (n - expected) * (n - expected) / expected;
    return chi + (outcomes - static_cast<int>(counts.size())) * expected;
}

// Each scheme reaches every outcome equally often: PHAPWG every split of
// 3 + 3 copies (20) and of 1 + 2 copies (3), PIAPWG every split of 2 + 2 individuals (6), PPAG every
// partition of 4 populations into groups of 2 and 2 (6). Critical values of
// the chi-square at 0.001: 43.82 (19 d.f.), 20.52 (5 d.f.), 13.82 (2 d.f.).
TEST_F(AmovaSchemeTest, PermutationsAreUniform)
{
    const int trials = 100000;
    struct Case {
        const char* name;
        std::function<void()> build;
        void (Amova::*scheme)();
        std::function<int(Amova const&)> outcome;
        int outcomes;
        double critical;
    };
    auto first_copies = [](int n) {
        return [n](Amova const& a) {
            int key = 0;
            for (int i = 0; i < n; ++i)
                key |= 1 << a.haploIndexVector[i];
            return key;
        };
    };
    const std::vector<Case> cases = {
        {"PHAPWG, 3 + 3 copies",
         [this] {
             matrix(6);
             sample({{0, 1}, {1, 1}, {2, 1}});
             sample({{3, 1}, {4, 1}, {5, 1}});
             groups({{0, 1}});
         },
         &Amova::PHAPWG, first_copies(3), 20, 43.82},
        {"PHAPWG, 1 + 2 copies: the observed split is one of the three",
         [this] {
             matrix(3);
             sample({{0, 1}});
             sample({{1, 1}, {2, 1}});
             groups({{0, 1}});
         },
         &Amova::PHAPWG, first_copies(1), 3, 13.82},
        {"PIAPWG, 2 + 2 individuals",
         [this] {
             distinct_individuals({2, 2});
             groups({{0, 1}});
         },
         &Amova::PIAPWG, first_copies(4), 6, 20.52},
        {"PPAG, groups of 2 and 2",
         [this] {
             distinct_individuals({1, 1, 1, 1});
             groups({{0, 1}, {2, 3}});
         },
         &Amova::PPAG,
         [](Amova const& a) {
             return (1 << a.popTable[0]->sample_index) | (1 << a.popTable[1]->sample_index);
         },
         6, 20.52},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        project.samples->clean();
        project.haplo_list.reset();
        c.build();
        std::unique_ptr<Amova> a = prepared();
        long seed = SEED;
        ran3(&seed);
        std::vector<int> const observed = a->haploIndexVector;
        std::vector<Population*> const observed_order = a->popTable;
        std::map<int, int> counts;
        for (int i = 0; i < trials; ++i) {
            // Each permutation of the observed data, as a test makes them
            // (repeated shuffles in place would tend to uniform even when
            // one shuffle is not).
            a->haploIndexVector = observed;
            a->popTable = observed_order;
            ((*a).*c.scheme)();
            ++counts[c.outcome(*a)];
        }
        EXPECT_EQ(static_cast<int>(counts.size()), c.outcomes);
        EXPECT_LT(chi_square(counts, c.outcomes, trials), c.critical);
    }
}

// The shuffle on a range of its own: gene copies start .. top drawn for from
// top down to stop; individuals likewise, as pairs of copies.
TEST_F(AmovaSchemeTest, ShufflesOfARangeOfCopiesOrIndividuals)
{
    distinct_individuals({4});
    groups({{0}});
    std::unique_ptr<Amova> a = prepared();
    std::vector<double> u = next_draws(6);
    a->permute_genes(6, 2, 4);
    EXPECT_EQ(draws_made(u), 3);
    std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7};
    for (int i = 6, k = 0; i >= 4; --i, ++k)
        std::swap(expected[i], expected[2 + static_cast<int>((i - 2 + 1) * u[k])]);
    EXPECT_EQ(a->haploIndexVector, expected);

    a = prepared();
    u = next_draws(6);
    a->permute_indiv(3, 1, 2);
    EXPECT_EQ(draws_made(u), 2);
    std::vector<int> order = {0, 1, 2, 3};  // individuals
    for (int i = 3, k = 0; i >= 2; --i, ++k)
        std::swap(order[i], order[1 + static_cast<int>((i - 1 + 1) * u[k])]);
    std::vector<int> copies;
    for (int t : order)
        copies.insert(copies.end(), {2 * t, 2 * t + 1});
    EXPECT_EQ(a->haploIndexVector, copies);
}

// The individuals of the samples, each as often as its count, in sample
// order; the schemes of individuals move their entries exactly as they move
// the pairs of gene copies.
TEST_F(AmovaSchemeTest, IndividualEntriesFollowTheSchemesOfIndividuals)
{
    distinct_individuals({2, 1, 3});
    groups({{0, 1}, {2}});
    std::vector<TPhenotype*> made;
    for (int p = 0; p < 3; ++p) {
        Population& pop = *project.samples->Populations.data[p];
        for (int t = 0; t < pop.SampleSize / 2; ++t) {
            made.push_back(new TPhenotype(my_string(("i" + std::to_string(made.size())).c_str()), 1));
            pop.individuals.phenotypes.Add(made.back());
        }
    }
    struct Case {
        const char* name;
        void (Amova::*genes)();
        void (Amova::*entries)();
    };
    for (Case const& c : {Case{"within groups", &Amova::PIAPWG, &Amova::PPAPWG},
                          Case{"across groups", &Amova::PIAPAG, &Amova::PPAPAG}}) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Amova> a = prepared();
        a->Load_Phen_Vector();
        ASSERT_EQ(a->phenIndexVector, made);
        for (int round = 0; round < 20; ++round) {
            long seed = -31 - round;
            ran3(&seed);
            ((*a).*c.genes)();
            seed = -31 - round;
            ran3(&seed);
            ((*a).*c.entries)();
            for (size_t t = 0; t < made.size(); ++t)
                ASSERT_EQ(a->phenIndexVector[t], made[a->haploIndexVector[2 * t] / 2]) << round;
        }
    }
    EXPECT_EQ(log_text(), "");
}

// An individual of count c enters c times (a count of 2.5 three times, m =
// 0, 1, 2 below it); twice the whole counts against the sample size is
// checked and a mismatch written to the log, the load going on.
TEST_F(AmovaSchemeTest, IndividualEntriesByCountAndTheSizeCheck)
{
    matrix(1);
    Population& one = sample({{0, 6}});
    Population& two = sample({{0, 6}});
    groups({{0, 1}});
    TPhenotype* a = new TPhenotype(my_string("a"), 2);
    TPhenotype* b = new TPhenotype(my_string("b"), 1);
    TPhenotype* c = new TPhenotype(my_string("c"), 2.5);
    TPhenotype* none = new TPhenotype(my_string("none"), 0);
    one.individuals.phenotypes.Add(a);
    one.individuals.phenotypes.Add(none);
    one.individuals.phenotypes.Add(b);
    two.individuals.phenotypes.Add(c);
    std::unique_ptr<Amova> amova = prepared();
    take_log();
    amova->Load_Phen_Vector();
    EXPECT_EQ(amova->phenIndexVector, (std::vector<TPhenotype*>{a, a, b, c, c, c}));
    EXPECT_EQ(take_log(), "     Amova::Load_Phen_Vector() Population size incompatibility during "
                          "the load\n            : 4  ;;;  6\n");
    amova->Load_Phen_Vector();  // loaded afresh, not appended
    EXPECT_EQ(amova->phenIndexVector.size(), 6u);
}

}  // namespace
