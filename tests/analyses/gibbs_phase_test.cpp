// The Gibbs sampler of gametic phase: the state built from the genotypes,
// the sub-haplotype counts of a window, the accuracy of the modal phases
// against known truth, the result section and the degenerate runs.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/haplotypes/genot_sample.h"
#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/random.h"
#include "model/individuals_fixture.h"
#include "model/phen_db.h"
#include "project/profile_settings.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class GibbsPhaseTest : public IndividualsTest {
protected:
    TPhenDB individuals;
    settings s;
    TDataType saved_type = ProfileSettings::DataType;

    void SetUp() override
    {
        ProfileSettings::DataType = STANDARD;
        long seed = -4242;
        ran3(&seed);
    }
    void TearDown() override
    {
        ProfileSettings::DataType = saved_type;
        TGenotIndividual::winAroundHetSites = 5;
    }

    void add(const std::string& copy1, const std::string& copy2, const char* name = "ind")
    {
        individuals.phenotypes.Add(individual(copy1, copy2, 1, name));
    }

    // A sample of the individuals added so far.
    std::unique_ptr<TGenotSample> sample()
    {
        return std::make_unique<TGenotSample>(individuals, &db, s, '?');
    }

    // The allele names of a gamete, one character per polymorphic locus.
    std::string names(TGenotSample const& g, TGamete const& gamete)
    {
        std::string text;
        for (int j = 0, k = 0; j < g.numLoci; ++j)
            if (g.isPolymorphic[j]) {
                int index = gamete.alleleIndex[k++];
                text += index < 0 ? '?' : db.loci[j]->alleles[index]->name.str[0];
            }
        return text;
    }

    // A short chain with every result in `results`.
    void chain_settings(int burn_in, int interval, int samples)
    {
        s.GibbsBurnIn = burn_in;
        s.GibbsSamplingInterval = interval;
        s.GibbsNumSamples = samples;
        s.GibbsHetSiteInfluenceZone = 5;
    }

    // comp_gam_phase_Gibbs on the individuals added so far; the result
    // section it writes.
    std::string run_sample(PopGenetics& p)
    {
        p.profile.MissingData = '?';
        p.alleleDB = &db;
        p.individuals = individuals;
        std::fstream out(dir / "results.txt", std::ios::in | std::ios::out | std::ios::trunc);
        s.results_stream = &out;
        EXPECT_EQ(p.comp_gam_phase_Gibbs(s), 1);
        s.results_stream = nullptr;
        out.close();
        return read_text(dir / "results.txt");
    }

    // Phase files 0 .. n in the test folder, as the per-sample driver makes them.
    void make_phase_files(int n)
    {
        s.GibbsOutputGamPhase = 1;
        s.phase_streams = new std::ofstream[n + 1];
        s.phase_file_names = new my_string[n + 1];
        for (int k = 0; k <= n; ++k)
            s.phase_file_names[k] = (dir / ("phase" + std::to_string(k) + ".drp")).c_str();
    }
    std::string phase_file(int k) { return read_text(dir / ("phase" + std::to_string(k) + ".drp")); }
};

// ---- State ----

// Polymorphic loci hold three alleles with the recessive slot; a missing
// allele is -1 and counts for no allele, whatever follows its first
// character; a monomorphic locus prints its first allele that is not missing.
TEST_F(GibbsPhaseTest, PolymorphicLociMissingAllelesAndReference)
{
    add("A?CA", "B?CB");
    add("ACx?", "ACCA");
    db.InsertAllPos(1, my_string("?junk"), 0.0);
    auto g = sample();
    EXPECT_EQ(g->numLoci, 4);
    EXPECT_EQ(g->numPolyLoci, 3);
    EXPECT_THAT(g->isPolymorphic, ::testing::ElementsAre(true, false, true, true));
    EXPECT_EQ(std::string(g->referenceHaplotype[1]->name.str), "C") << "not the missing allele";
    EXPECT_EQ(names(*g, g->individuals[0].gamete1), "ACA");
    EXPECT_EQ(names(*g, g->individuals[1].gamete1), "Ax?");
    EXPECT_EQ(g->individuals[0].numLoci, 3);
    EXPECT_TRUE(g->individuals[0].gamete1.alleleSize.empty()) << "sizes only for microsatellites";
}

// Microsatellite sizes are the working codes; a missing allele is -1 there
// too, never an allele of size 0.
TEST_F(GibbsPhaseTest, MissingMicrosatelliteAlleleKeepsTheMissingCode)
{
    ProfileSettings::DataType = MICROSAT;
    TPhenotype* p = new TPhenotype(my_string("m"), 1);
    TPopHaplotype h1, h2;
    const char* sizes[2][2] = {{"12", "?"}, {"14", "20"}};
    for (int c = 0; c < 2; ++c)
        for (int L = 0; L < 2; ++L) {
            if (db.loci.count <= L)
                db.InsertAllPos(L, my_string("null"), 0.0);
            int pos = db.InsertAllPos(L, my_string(sizes[c][L]), 0.0);
            (c == 0 ? h1 : h2).alleles.Add(db.loci[L]->alleles[pos]);
        }
    db.InsertAllPos(1, my_string("22"), 0.0);
    p->set_pseudo_hapl(h1, 0);
    p->set_pseudo_hapl(h2, 1);
    individuals.phenotypes.Add(p);
    auto g = sample();
    TGenotIndividual& ind = g->individuals[0];
    EXPECT_THAT(ind.gamete1.alleleSize, ::testing::ElementsAre(12, -1));
    EXPECT_THAT(ind.gamete2.alleleSize, ::testing::ElementsAre(14, 20));
    EXPECT_THAT(ind.gamete1.alleleIndex, ::testing::ElementsAre(1, -1));
    EXPECT_FALSE(ind.checkIfAmbiguousAndFillArrays()) << "one heterozygous site";
    EXPECT_TRUE(ind.hasMissingData);
}

// Heterozygous sites, local positions and ambiguity under each kind of
// influence zone.
TEST_F(GibbsPhaseTest, LocalPositionsOfTheInfluenceZone)
{
    struct Case {
        const char* what;
        int zone;
        const char* copy1;
        const char* copy2;
        std::vector<int> local;  // polymorphic locus of each local position
        std::vector<int> het;    // local positions of the heterozygous sites
    };
    const std::vector<Case> cases = {
        {"negative: every locus", -1, "AAAAAAA", "ABABAAA", {0, 1, 2, 3, 4, 5, 6}, {1, 3}},
        {"zero: the heterozygous sites", 0, "AAAAAAA", "ABABAAA", {1, 3}, {0, 1}},
        // around locus 4: h-2, h and h+1, as h-1 has no data
        {"two: a locus without data is skipped", 2, "ABA?AAA", "AAA?BAA", {0, 1, 2, 4, 5}, {1, 3}},
        {"one: only the heterozygous sites", 1, "AAAAAAA", "ABAABAA", {1, 4}, {0, 1}},
        {"three: two loci with data each side", 3, "AAAAAAA", "AAABAAB", {1, 2, 3, 4, 5, 6},
         {2, 5}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        individuals = TPhenDB();
        add("AAAAAAA", "AAAAAAA");  // every locus holds A and B
        add("BBBBBBB", "BBBBBBB");
        add(c.copy1, c.copy2);
        auto g = sample();
        TGenotIndividual::winAroundHetSites = c.zone;
        TGenotIndividual& ind = g->individuals[2];
        EXPECT_TRUE(ind.checkIfAmbiguousAndFillArrays());
        ASSERT_EQ(ind.numLocalSites, static_cast<int>(c.local.size()));
        EXPECT_EQ(std::vector<int>(ind.localToLocus.begin(),
                                   ind.localToLocus.begin() + ind.numLocalSites),
                  c.local);
        ASSERT_EQ(ind.numHetSites, 2);
        EXPECT_EQ(std::vector<int>(ind.hetSites.begin(), ind.hetSites.begin() + 2), c.het);
        for (int p = 0; p < ind.numLocalSites; ++p)
            EXPECT_EQ(ind.isHetSite[p], p == c.het[0] || p == c.het[1]) << "position " << p;
    }
}

// Each gamete and individual keeps its own number of loci: a later sample
// with fewer loci changes nothing in an earlier one, and a copy carries the
// phase, its count and the heterozygous sites but no window.
TEST_F(GibbsPhaseTest, LengthsPerObjectAndCopies)
{
    add("AAA", "BBB");
    add("AAA", "AAA");
    auto wide = sample();
    TGenotIndividual& ind = wide->individuals[0];
    TGenotIndividual::winAroundHetSites = -1;
    ind.checkIfAmbiguousAndFillArrays();
    ind.phaseCount = 7;

    individuals = TPhenDB();
    TPhenotype* narrow = new TPhenotype(my_string("n"), 1);
    narrow->set_pseudo_hapl(haplotype("A", 5), 0);
    narrow->set_pseudo_hapl(haplotype("B", 5), 1);
    individuals.phenotypes.Add(narrow);
    TAlleleDB other;
    auto small = std::make_unique<TGenotSample>(individuals, &other, s, '?');
    EXPECT_EQ(small->numPolyLoci, 0);

    EXPECT_EQ(ind.gamete1.numLoci(), 3);
    TGenotIndividual copy;
    copy = ind;
    EXPECT_EQ(copy.numLoci, 3);
    EXPECT_EQ(copy.gamete1.alleleIndex, ind.gamete1.alleleIndex);
    EXPECT_EQ(copy.phaseCount, 7);
    EXPECT_EQ(copy.numHetSites, 3);
    EXPECT_EQ(copy.hetSites, ind.hetSites);
    EXPECT_TRUE(copy.leftStart.empty() && copy.leftScore.empty() && copy.hetOrder.empty());
    ind.exchangeAt(0);
    EXPECT_NE(copy.gamete1.alleleIndex, ind.gamete1.alleleIndex) << "a copy shares no codes";
    // The same phase read with the gametes exchanged.
    TGenotIndividual crossed = copy;
    std::swap(crossed.gamete1, crossed.gamete2);
    EXPECT_TRUE(copy == crossed);
    EXPECT_FALSE(copy == ind);
}

// The distance between two phasings, by hand: AAAA/BBBB against ABBA/BAAB
// switches at the second and at the fourth locus; a locus with another
// genotype makes the distance minus the number of such loci; a missing
// allele of this individual plays no part.
TEST_F(GibbsPhaseTest, DistanceBetweenTwoPhasings)
{
    struct Case {
        const char* other1;
        const char* other2;
        int distance;
    } cases[] = {
        {"AAAA", "BBBB", 0}, {"BBBB", "AAAA", 0}, {"ABBA", "BAAB", 2}, {"BAAB", "ABBA", 2},
        {"AABB", "BBAA", 1}, {"ABAB", "BABA", 3}, {"AAAA", "BBBA", -1}, {"CCAA", "BBBB", -2},
    };
    for (Case const& c : cases) {
        individuals = TPhenDB();
        add("AAAA", "BBBB");
        add(c.other1, c.other2);
        add("CCCC", "CCCC");
        auto g = sample();
        ASSERT_EQ(g->numPolyLoci, 4);
        EXPECT_EQ(g->individuals[0] - g->individuals[1], c.distance) << c.other1 << "/" << c.other2;
    }
    individuals = TPhenDB();
    add("A?AA", "B?BB");
    add("ABBA", "BAAB");
    add("CCCC", "CCCC");
    auto g = sample();
    EXPECT_EQ(g->individuals[0] - g->individuals[1], 2) << "the missing locus is skipped";
}

// The current phase of every individual: count, tab, the alleles of the
// polymorphic loci of gamete 1, newline and tab, those of gamete 2.
TEST_F(GibbsPhaseTest, SampleWrittenPhaseByPhase)
{
    add("AXA?", "BXCA", "one");
    add("AXCB", "CXAB", "two");
    auto g = sample();
    g->individuals[0].phaseCount = 3;
    std::ostringstream os;
    g->writeSample(os, &db);
    EXPECT_EQ(os.str(), "3\tA A ? \n\tB C A \n0\tA C B \n\tC A B \n");
}

// ---- Sub-haplotype counts, worked by hand ----

// Focal AAA/BBB at the middle locus of a three-locus window: AAA matches a.A
// exactly; AAB and BAA differ from both a.A and a.B at one locus; BBB is b.B.
TEST_F(GibbsPhaseTest, SubHaplotypeCountsOfAWindow)
{
    add("AAA", "BBB");
    add("AAA", "AAB");
    add("BAA", "BBB");
    auto g = sample();
    int local[3] = {0, 1, 2};
    g->computeSubHaplFreqsHetAndHom(0, local, 0, 3, 1);
    EXPECT_THAT(g->subHaplCounts, ::testing::ElementsAre(1, 0, 0, 1, 2, 0, 2, 0));
    // A window of the site alone: every gamete on a side is an exact match.
    g->computeSubHaplFreqsHetAndHom(1, local, 0, 1, 1);
    EXPECT_THAT(g->subHaplCounts, ::testing::ElementsAre(3, 1, 3, 1, 0, 0, 0, 0));
}

// With missing data a gamete weighs the share of the window's loci it can
// be compared at; one missing at the focal locus counts on both sides.
//   A?A: (3 - 1) / 3 exact on a.A and b.A;  ?AB: 2/3 near a.A, 2/3 exact a.B;
//   BAA: 1 near a.A and a.B;  BBB: 1 exact b.B.
TEST_F(GibbsPhaseTest, SubHaplotypeCountsWithMissingData)
{
    add("AAA", "BBB");
    add("A?A", "?AB");
    add("BAA", "BBB");
    auto g = sample();
    int local[3] = {0, 1, 2};
    g->computeSubHaplFreqsNoHetMissData(0, local, 0, 3, 1);
    const double t = 2.0 / 3.0;
    std::vector<double> expected = {t, t, t, 1, 1 + t, 0, 1, 0};
    for (int k = 0; k < 8; ++k)
        EXPECT_NEAR(g->subHaplCounts[k], expected[k], 1e-12) << "count " << k;
}

// ---- The chain ----

// 50 individuals drawn from 5 haplotypes over 10 SNPs: the modal phases make
// few switch errors against the drawn phases.
TEST_F(GibbsPhaseTest, ModalPhasesRecoverTheDrawnPhases)
{
    const std::vector<std::string> haplotypes = {"AAAAAAAAAA", "BBBBBBBBBB", "AABBAABBAA",
                                                 "BABABABABA", "ABBAABBAAB"};
    std::vector<std::pair<int, int>> truth;
    long draw = 1;
    for (int i = 0; i < 50; ++i) {
        int h1 = static_cast<int>(5 * ran3(&draw));
        int h2 = static_cast<int>(5 * ran3(&draw));
        truth.emplace_back(h1, h2);
        add(haplotypes[h1], haplotypes[h2]);
    }
    chain_settings(2000, 20, 200);
    auto g = sample();
    ASSERT_TRUE(g->performGibbs());
    int switches = 0, intervals = 0;
    for (int i = 0; i < 50; ++i) {
        std::string t1 = haplotypes[truth[i].first], t2 = haplotypes[truth[i].second];
        std::string m1 = names(*g, g->modalPhases[i].gamete1);
        std::string m2 = names(*g, g->modalPhases[i].gamete2);
        int orientation = -1;
        for (int l = 0; l < 10; ++l) {
            ASSERT_TRUE((m1[l] == t1[l] && m2[l] == t2[l]) || (m1[l] == t2[l] && m2[l] == t1[l]))
                << "the genotype is kept";
            if (t1[l] == t2[l])
                continue;
            int now = m1[l] == t1[l] ? 0 : 1;
            if (orientation >= 0) {
                ++intervals;
                switches += now != orientation;
            }
            orientation = now;
        }
    }
    EXPECT_GT(g->numAmbiguous, 20);
    EXPECT_LE(switches, intervals / 50) << switches << " switches in " << intervals;
}

// Without ambiguous individual no update runs; every phase file says so.
TEST_F(GibbsPhaseTest, SampleWithoutAmbiguousIndividual)
{
    add("AAB", "AAA", "single");
    add("ABA", "ABA", "homozygous");
    chain_settings(50, 5, 3);
    make_phase_files(3);
    PopGenetics p;
    std::string text = run_sample(p);
    EXPECT_THAT(text, HasSubstr("\nNum. individuals           : 2"
                                "\nNum. ambiguous individuals : 0"
                                "\nNum. loci                  : 3"
                                "\nNum. polymorphic loci      : 2\n"
                                "\n NO AMBIGUOUS INDIVIDUALS IN THIS SAMPLE, PHASE ESTIMATION "
                                "SKIPPED\n\n"));
    EXPECT_THAT(text, Not(HasSubstr("List of estimated haplotype frequencies")));
    for (int k = 0; k <= 3; ++k)
        EXPECT_EQ(phase_file(k), "#No ambiguous individuals") << "file " << k;
}

// A sample with no polymorphic locus is all monomorphic.
TEST_F(GibbsPhaseTest, SampleWithoutPolymorphicLocus)
{
    add("AC", "AC");
    add("A?", "AC");
    chain_settings(50, 5, 3);
    PopGenetics p;
    std::string text = run_sample(p);
    EXPECT_THAT(text, HasSubstr("Num. polymorphic loci      : 0\n"
                                "\n NO AMBIGUOUS INDIVIDUALS IN THIS SAMPLE"));
}

// No sample (also from a negative count) gives no result section, and a
// prior of alpha, epsilon and gamma all 0 is refused before any chain.
TEST_F(GibbsPhaseTest, RunsThatWriteNoResult)
{
    add("AA", "BB");
    add("AB", "BA");
    for (int samples : {0, -5}) {
        chain_settings(10, 5, samples);
        PopGenetics p;
        EXPECT_EQ(run_sample(p), "") << samples << " samples";
        ASSERT_NE(p.GibbsSampler, nullptr);
        EXPECT_EQ(p.GibbsSampler->numAmbiguous, 2);
    }
    chain_settings(10, 5, 3);
    s.GibbsAlphaInitValue = s.GibbsEpsilonValue = s.GibbsGamma = 0.0;
    PopGenetics p;
    EXPECT_THAT(run_sample(p), HasSubstr("Gametic phase not estimated"));
    EXPECT_EQ(p.GibbsSampler, nullptr);
    EXPECT_THAT(log_text(), HasSubstr("\"PopGenetics::comp_gam_phase_Gibbs()\" : invalid value"));
}

// A stop request during the chain: no modal phase, no result.
TEST_F(GibbsPhaseTest, StopRequestEndsTheChain)
{
    add("AA", "BB");
    add("AB", "BA");
    chain_settings(1000, 5, 3);
    s.stop_requested = 1;
    PopGenetics p;
    p.profile.MissingData = '?';
    p.alleleDB = &db;
    p.individuals = individuals;
    EXPECT_EQ(p.comp_gam_phase_Gibbs(s), 0);
    EXPECT_EQ(p.GibbsSampler->modalPhases[0].phaseCount, 0);
}

// ---- Results ----

// The result section and the modal-phase file of hand-set modal phases:
// shared haplotype ids, the reference allele of a monomorphic locus, the
// missing-data character and a name column widened to the longest name.
TEST_F(GibbsPhaseTest, ResultSectionAndModalPhaseFile)
{
    add("ACA", "BCB", "first");
    add("ACA", "ACA", "a_longer_name");
    add("AC?", "BCB", "third");
    chain_settings(100, 10, 4);
    make_phase_files(4);
    auto g = sample();
    g->numAmbiguous = 1;
    int counts[3] = {3, 4, 4};
    for (int i = 0; i < 3; ++i) {
        g->modalPhases[i] = g->individuals[i];
        g->modalPhases[i].phaseCount = counts[i];
    }
    std::fstream out(dir / "results.txt", std::ios::in | std::ios::out | std::ios::trunc);
    g->writeResults(&out);
    out.close();
    std::string text = read_text(dir / "results.txt");
    EXPECT_THAT(text, HasSubstr("\n=======================================================\n"
                                "Estimation of gametic phase from multi-locus diploid data\n"
                                "based on a Gibbs sampling strategy\n"));
    EXPECT_THAT(text, HasSubstr("\tBurnin                   : 100\n"
                                "\tSampling interval        : 10\n"
                                "\tNum. samples             : 4\n"
                                "\tAve. prior alpha         : 0.0100\n"
                                "\tAve. post alpha          : 0.0000\n"));
    EXPECT_THAT(text, HasSubstr("   [ Hapl. ID]\t Hapl. freq.\tHaplotype definition\n"
                                "   ===========\t===========\t====================\n"
                                "   [     1]\t           3\tA C A \n"
                                "   [     2]\t           2\tB C B \n"
                                "   [     3]\t           1\tA C ? \n"));
    const std::string pad(13, ' ');
    EXPECT_THAT(text, HasSubstr(" Indiv. name\tPhase freq.\t[ Hapl. ID]\tConstituant haplotypes\n"
                                " ===========\t===========\t==========\t======================\n"
                                "        first\t      0.750\t[     1]\tA C A \n"
                                + pad + "\t           \t[     2]\tB C B \n"
                                "a_longer_name\t      1.000\t[     1]\tA C A \n"
                                + pad + "\t           \t[     1]\tA C A \n"
                                "        third\t      1.000\t[     3]\tA C ? \n"
                                + pad + "\t           \t[     2]\tB C B \n\n\n"));
    EXPECT_EQ(phase_file(0), "        first\t          1\tA C A \n"
                             + pad + "\t           \tB C B \n"
                             "a_longer_name\t          1\tA C A \n"
                             + pad + "\t           \tA C A \n"
                             "        third\t          1\tA C ? \n"
                             + pad + "\t           \tB C B \n");
}

// A whole run: the unambiguous individual shows the phase frequency 1.000,
// and every sample file holds one drawn phase per individual.
TEST_F(GibbsPhaseTest, WholeRunWithSampledPhaseFiles)
{
    add("AAA", "BBB", "amb1");
    add("AAB", "BBA", "amb2");
    add("AAA", "AAB", "one_het");
    chain_settings(200, 5, 3);
    make_phase_files(3);
    PopGenetics p;
    std::string text = run_sample(p);
    EXPECT_TRUE(std::regex_search(text, std::regex("    one_het\t      1\\.000\t")));
    EXPECT_THAT(text, HasSubstr("Num. ambiguous individuals : 2"));
    for (int k = 1; k <= 3; ++k) {
        std::string file = phase_file(k);
        EXPECT_EQ(count_of(file, "\n"), 6) << file;
        for (const char* name : {"\t\t\tamb1\t1 \t", "\t\t\tamb2\t1 \t", "\t\t\tone_het\t1 \t"})
            EXPECT_THAT(file, HasSubstr(name));
    }
    EXPECT_EQ(count_of(phase_file(0), "\n"), 6);
}

}  // namespace
