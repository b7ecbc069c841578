// Simulated loci of the selection scan: the mutation pass on a genealogy,
// the samples made from its tips, and the loci gathered into multi-locus
// samples.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "core/errors.h"
#include "analyses/datatypes/popul_rflp.h"
#include "model/allele.h"
#include "model/phenotype.h"
#include "project/samples.h"
#include "simulation/simulation_fixture.h"

namespace {

// ((0, 1):1, (2, 3):2):3 — branch lengths 1, 1, 2, 2 (tips), 2 (node 4),
// 1 (node 5), 0 (root 6).
void make_four_tip_tree(TTree& tree)
{
    ASSERT_EQ(tree.allocate_tree(4), 1);
    join(tree, 4, 0, 1, 1.0);
    join(tree, 5, 2, 3, 2.0);
    join(tree, 6, 4, 5, 3.0);
}

// The node at the top of the branch that carries the derived state 1.
int mutated_node(TTree& tree)
{
    for (int i = 0; i < 2 * tree.num_tips - 1; ++i) {
        TNode& node = tree.nodes[i];
        if (node.states[0] == 1 && (!node.parent || node.parent->states[0] != 1))
            return i;
    }
    return -1;
}

int derived_copies(TTree& tree)
{
    int copies = 0;
    for (int i = 0; i < tree.num_tips; ++i)
        copies += tree.nodes[i].states[0] == 1;
    return copies;
}

}  // namespace

class SimulatedSamplesTest : public SimulationTest {
protected:
    settings run;
    Samples sim;
    Samples source;
    Haplo_DB haplotypes;
    char saved_separator = ' ';

    void SetUp() override
    {
        SimulationTest::SetUp();
        saved_separator = ProfileSettings::LocusSeparator;
        sim.RunSettings = &run;
        run.MinDafFreq = 0.0;
    }
    void TearDown() override
    {
        ProfileSettings::LocusSeparator = saved_separator;
        SimulationTest::TearDown();
    }

    int snp_pass(Mut_Type model = TWO_STATE)
    {
        return sim.sprinkle_mutations(0.5, 1, model, 0.0, 1.0, 1.0, 1.0 / 3.0, 0);
    }

    void add_source(const char* name, double size)
    {
        Population* p = new Population(my_string(name));
        p->SampleSize = size;
        source.Populations.Add(p);
    }

    // A genealogy of one tip per given state vector; no topology is needed.
    void tips_with_states(std::vector<std::vector<int>> const& states)
    {
        ASSERT_EQ(sim.SimTree.allocate_tree(static_cast<int>(states.size())), 1);
        for (std::size_t i = 0; i < states.size(); ++i) {
            TNode& tip = sim.SimTree.nodes[i];
            tip.states.resize(static_cast<int>(states[i].size()));
            tip.num_sites = static_cast<int>(states[i].size());
            for (std::size_t s = 0; s < states[i].size(); ++s)
                tip.states[s] = states[i][s];
        }
    }
};

TEST_F(SimulatedSamplesTest, SnpBranchDrawnInProportionToItsLength)
{
    make_four_tip_tree(sim.SimTree);
    const double length[] = {1, 1, 2, 2, 2, 1};  // nodes 0..5; the root has none
    std::vector<int> hits(7, 0);
    const int draws = 100000;
    for (int r = 0; r < draws; ++r) {
        ASSERT_EQ(snp_pass(), 1);
        int node = mutated_node(sim.SimTree);
        ASSERT_GE(node, 0);
        ++hits[node];
        int copies = derived_copies(sim.SimTree);
        ASSERT_TRUE(copies >= 1 && copies <= 3) << copies;
    }
    EXPECT_EQ(hits[6], 0);
    double chi2 = 0.0;
    for (int i = 0; i < 6; ++i) {
        double expected = draws * length[i] / 9.0;
        chi2 += (hits[i] - expected) * (hits[i] - expected) / expected;
    }
    EXPECT_LT(chi2, 20.52);  // chi-square, 5 d.f., 0.1%
}

// A threshold no branch meets falls back on any branch: the ancestral tips
// then carry state 2 and the counter still counts the one mutation placed.
TEST_F(SimulatedSamplesTest, MinimumDerivedFrequencyRestrictsTheBranches)
{
    struct Case {
        double min_freq;
        int ancestral;
        int least_copies, most_copies;
    } cases[] = {{0.5, 0, 2, 2}, {1.0, 2, 1, 3}, {1.5, 2, 1, 3}};
    for (const Case& c : cases) {
        run.MinDafFreq = c.min_freq;
        make_four_tip_tree(sim.SimTree);
        for (int r = 0; r < 200; ++r) {
            ASSERT_EQ(snp_pass(NUCLEOTIDE), 1) << c.min_freq;
            int copies = derived_copies(sim.SimTree);
            EXPECT_TRUE(copies >= c.least_copies && copies <= c.most_copies)
                << "MinDafFreq " << c.min_freq << ": " << copies << " derived copies";
            EXPECT_EQ(sim.SimTree.root().states[0], c.ancestral) << c.min_freq;
        }
    }
}

TEST_F(SimulatedSamplesTest, PoissonPassOnStandardCoalescentGenealogies)
{
    const int n = 10;
    const double theta = 2.0;
    ReplicateMoments placed;
    ASSERT_EQ(sim.SimTree.allocate_tree(n), 1);
    for (int r = 0; r < 10000; ++r) {
        TNode::hits.count = 0;
        ASSERT_EQ(sim.SimTree.build_tree(), 1);
        int m = sim.sprinkle_mutations(theta / 2.0, 1, NEW_ALLELE, 0.0, 1.0, 1.0, 1.0 / 3.0, 0);
        placed.add(m);
        // A new state per hit: the newest state is the site's hit count.
        int highest = 0;
        for (int i = 0; i < 2 * n - 1; ++i)
            highest = std::max(highest, sim.SimTree.nodes[i].states[0]);
        ASSERT_EQ(highest, m);
        ASSERT_EQ(TNode::hits[0], m);
    }
    expect_within_3se("mutations", placed, theta * harmonic(n),
                      std::sqrt(theta * harmonic(n) + theta * theta * harmonic(n, 2)));

    EXPECT_EQ(sim.sprinkle_mutations(0.0, 1, STEPWISE, 0.0, 1.0, 1.0, 1.0 / 3.0, 0), 0);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(sim.SimTree.nodes[i].states[0], 0);

    TNode::hits.Add(0);  // two entries for a one-site pass
    EXPECT_EQ(sim.sprinkle_mutations(1.0, 1, STEPWISE, 0.0, 1.0, 1.0, 1.0 / 3.0, 0), 0);
    EXPECT_EQ(sim.NbMutations, 0);
    EXPECT_NE(take_log().find("\"Samples::sprinkle_mutations()\" : hits vector has a bad size "),
              std::string::npos);
}

TEST_F(SimulatedSamplesTest, AlleleTextsOfEachModel)
{
    struct Case {
        Mut_Type model;
        char separator;
        int state;
        const char* id;
        const char* text;  // null: refused with ERROR 210
    } cases[] = {
        {TWO_STATE, ' ', 1, "1", "1"},     {TWO_STATE, ' ', 2, "2", "0"},
        {NUCLEOTIDE, ' ', 0, "0", "A"},    {NUCLEOTIDE, ' ', 1, "1", "G"},
        {NUCLEOTIDE, ' ', 2, "2", "C"},    {NUCLEOTIDE, ' ', 3, "3", "T"},
        {STEPWISE, ' ', -3, "-3", "197 "}, {NEW_ALLELE, ' ', 4, "4", "204 "},
        {NEW_ALLELE, 0, 15, "+", "+"},     {NEW_ALLELE, 0, 44, "$", "$"},
        {NEW_ALLELE, 0, 77, "%", "%"},     {NEW_ALLELE, 0, 17, "A", "A"},
        {NEW_ALLELE, 0, 200, "\xf8", "\xf8"}, {NEW_ALLELE, 0, 201, "", nullptr},
    };
    add_source("pop", 1);
    for (const Case& c : cases) {
        ProfileSettings::LocusSeparator = c.separator;
        sim.clean();
        haplotypes.reset();
        tips_with_states({{c.state}});
        int ok = sim.readPopDataFromSims(source, haplotypes, nullptr, c.model, false);
        std::string where = "model " + std::to_string(c.model) + " state " + std::to_string(c.state);
        if (!c.text) {
            EXPECT_EQ(ok, 0) << where;
            EXPECT_EQ(sim.Populations.count, 0) << where;
            EXPECT_NE(take_log().find("\"Samples::readPopDataFromSims sample()\" : Too many mutations"),
                      std::string::npos);
            continue;
        }
        ASSERT_EQ(ok, 1) << where;
        ASSERT_EQ(sim.Populations.count, 1) << where;
        HaploDef* h = sim.Populations[0]->haplotypes[0]->haplotype;
        EXPECT_STREQ(h->id.str, c.id) << where;
        EXPECT_STREQ(h->content.str, c.text) << where;
    }

    // A state whose character is the project's missing-data character would
    // read as missing data: refused.
    source.MissingData = 'A';
    sim.clean();
    haplotypes.reset();
    tips_with_states({{17}});
    EXPECT_EQ(sim.readPopDataFromSims(source, haplotypes, nullptr, NEW_ALLELE, false), 0);
    EXPECT_EQ(sim.Populations.count, 0);
}

TEST_F(SimulatedSamplesTest, TipsBecomeRecordsOrIndividuals)
{
    add_source("a", 3);
    add_source("b", 2);
    tips_with_states({{1}, {1}, {1}, {1}, {0}});
    ASSERT_EQ(sim.readPopDataFromSims(source, haplotypes, nullptr, TWO_STATE, false), 1);
    ASSERT_EQ(sim.Populations.count, 2);
    Population& a = *sim.Populations[0];
    Population& b = *sim.Populations[1];
    EXPECT_STREQ(a.name.str, "a");
    ASSERT_EQ(a.haplotypes.count, 1);
    EXPECT_EQ(a.haplotypes[0]->count, 3);
    ASSERT_EQ(b.haplotypes.count, 2);
    EXPECT_EQ(b.haplotypes[0]->haplotype, a.haplotypes[0]->haplotype);  // one definition
    EXPECT_EQ(haplotypes.list.count, 2);
    EXPECT_EQ(b.sample_index, 1);
    EXPECT_NE(dynamic_cast<PopulRFLP*>(&a), nullptr);

    // Genotypic: tips 2i, 2i+1 form individual i; an odd last tip none.
    sim.clean();
    source.Populations.Flush();
    add_source("g", 5);
    tips_with_states({{0}, {1}, {2}, {3}, {0}});
    ASSERT_EQ(sim.readPopDataFromSims(source, haplotypes, nullptr, NUCLEOTIDE, true), 1);
    MY_TIArrayAsVector<TPhenotype>& ind = sim.Populations[0]->individuals.phenotypes;
    ASSERT_EQ(ind.count, 2);
    EXPECT_STREQ(ind[0]->gene_copy[0].str, "A");
    EXPECT_STREQ(ind[0]->gene_copy[1].str, "G");
    EXPECT_STREQ(ind[1]->gene_copy[0].str, "C");
    EXPECT_STREQ(ind[1]->gene_copy[1].str, "T");

    // A fractional size takes its integer part of tips, none beyond.
    sim.clean();
    source.Populations.Flush();
    add_source("f", 2.5);
    tips_with_states({{0}, {1}});
    EXPECT_EQ(sim.readPopDataFromSims(source, haplotypes, nullptr, NUCLEOTIDE, false), 1);
    EXPECT_EQ(sim.Populations[0]->SampleSize, 2.0);

    // A refused mutation pass leaves the tips without sites: empty samples.
    sim.clean();
    tips_with_states({{}, {}});
    ASSERT_EQ(sim.readPopDataFromSims(source, haplotypes, nullptr, NUCLEOTIDE, false), 1);
    EXPECT_EQ(sim.Populations[0]->SampleSize, 0.0);
    EXPECT_EQ(sim.Populations[0]->haplotypes.count, 0);
}

class GatheredLociTest : public LogFolderTest {
protected:
    Samples source;
    Samples gathered;
    Haplo_DB definitions;
    std::vector<std::unique_ptr<TAllele>> alleles;
    char saved_separator = ' ';

    void SetUp() override { saved_separator = ProfileSettings::LocusSeparator; }
    void TearDown() override { ProfileSettings::LocusSeparator = saved_separator; }

    // A haplotypic sample whose records carry one allele per locus.
    void haplotypic_sample(std::vector<std::pair<std::vector<const char*>, int>> const& records)
    {
        Population* p = new Population(my_string("pop"));
        for (auto const& [names, count] : records) {
            HaploDef* h = new HaploDef(my_string("h"));
            for (const char* name : names) {
                alleles.push_back(std::make_unique<TAllele>(my_string(name), 1.0, 0));
                h->haplovect.Add(alleles.back().get());
            }
            definitions.list.Add(h);
            p->haplotypes.Add(new PHaploDef(h, count));
            p->SampleSize += count;
        }
        source.Populations.Add(p);
    }

    std::vector<std::pair<std::string, std::string>> texts()
    {
        std::vector<std::pair<std::string, std::string>> all;
        MY_TIArrayAsVector<TPhenotype>& ind = gathered.Populations[0]->individuals.phenotypes;
        for (int k = 0; k < ind.count; ++k)
            all.emplace_back(ind[k]->gene_copy[0].str, ind[k]->gene_copy[1].str);
        return all;
    }
};

TEST_F(GatheredLociTest, GeneCopiesPairedAndLociAppendedInCallOrder)
{
    using Texts = std::vector<std::pair<std::string, std::string>>;
    ProfileSettings::LocusSeparator = 0;
    haplotypic_sample({{{"A", "G"}, 3}, {{"C", "T"}, 2}});
    gathered.addLocus(source, 0, 2, false);
    EXPECT_EQ(texts(), (Texts{{"A", "A"}, {"A", "C"}, {"C", ""}}));
    gathered.addLocus(source, 1, 2, false);
    EXPECT_EQ(texts(), (Texts{{"AG", "AG"}, {"AG", "CT"}, {"CT", ""}}));

    ProfileSettings::LocusSeparator = ' ';
    gathered.clean();
    gathered.addLocus(source, 0, 0, false);  // no room made: the texts grow anyway
    gathered.addLocus(source, 1, 0, false);
    EXPECT_EQ(texts()[1], (std::pair<std::string, std::string>{"A G ", "C T "}));
}

// A source without gene copies, or smaller than at the first call, gathers nothing.
TEST_F(GatheredLociTest, SourceSmallerThanAtTheFirstCallGathersNothing)
{
    ProfileSettings::LocusSeparator = ' ';
    Population* empty = new Population(my_string("empty"));
    source.Populations.Add(empty);
    gathered.addLocus(source, 0, 5, false);
    EXPECT_EQ(gathered.Populations.count, 0);
    EXPECT_NE(take_log().find("\"Samples::addLocus()\" : allele index exceeds vector size"),
              std::string::npos);

    source.Populations.Flush();
    haplotypic_sample({{{"A", "G"}, 3}});
    gathered.addLocus(source, 0, 2, false);
    source.Populations[0]->haplotypes[0]->count = 2;
    gathered.addLocus(source, 1, 2, false);
    EXPECT_EQ(texts().size(), 2u);
    EXPECT_EQ(texts()[1].first, "A ");
    EXPECT_NE(take_log().find("allele index exceeds vector size"), std::string::npos);
}
