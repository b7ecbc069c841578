// The molecular diversity, neutrality tests and mismatch analysis tables of
// the summary report, on samples whose results are set by hand: the
// substitution sites of the level and the private sites of each sample, the
// rows each data type and setting shows, "N.A." cells and their means, and
// what the collector receives. Expected values are worked by hand.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "model/allele_db.h"
#include "project/project.h"
#include "project/samples.h"
#include "summary/summary_report.h"
#include "summary/sumstat.h"
#include "support/temp_log.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsNan;
using ::testing::Not;

std::vector<double> values_of(TSumStat::List const& list)
{
    return std::vector<double>(list.data, list.data + list.count);
}

class SummaryBlocksTest : public LogFolderTest {
protected:
    Project project;
    settings& s = project.run_settings;
    Samples& samples = *project.samples;
    std::fstream results;
    TAlleleDB sites;  // the first sample's allele table: one locus per site

    void SetUp() override
    {
        ProfileSettings::DataType = DNA;
        samples.MissingData = '?';
        samples.GenotypicData = 0;
        samples.GameticPhase = 1;
        s.TaskNumber = settings::MOLECULAR_DIVERSITY;
        s.ComputeTheta = 0;
        s.RecessiveAllelesEM = 0;
        s.genotypic_data = 0;
        s.gametic_phase = 1;
        s.InferHaplotypeDefinitionFromDistanceMatrix = 0;
        s.results_file = (dir / "r.htm").c_str();
        s.tree_data_file = (dir / "r.js").c_str();
        s.run_date = "08/12/26at14:05:31";
        results.open(dir / "r.htm", std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        PopGenetics::globalAllelicDB.destroy();
        PopGenetics::globalSubstPolymSites.count = 0;
        xmlOutput = false;
    }

    void TearDown() override
    {
        PopGenetics::globalAllelicDB.destroy();
        PopGenetics::globalSubstPolymSites.count = 0;
        s.results_stream = nullptr;
    }

    template <class T = PopulDNA>
    T& add(const char* name)
    {
        auto* p = new T();
        p->name = name;
        p->profile.MissingData = '?';
        p->alleleDB = &sites;
        samples.Populations.Add(p);
        return *p;
    }

    // A DNA sample whose sites were compared: per site "P" polymorphic and
    // usable, "u" polymorphic but unusable, "." monomorphic; and its
    // transition ("s") or transversion ("v") flags.
    PopulDNA& compared(const char* name, std::string const& polymorphism,
                       std::string const& changes = "")
    {
        PopulDNA& p = add(name);
        const int L = static_cast<int>(polymorphism.size());
        p.ArbitraryHaplotype.content = std::string(L, 'A').c_str();
        p.LocusUsable = new int[L];
        p.renew_polymorphism_flags(L);
        for (int i = 0; i < L; ++i) {
            p.LocusUsable[i] = polymorphism[i] != 'u';
            p.locus_polymorphic[i] = polymorphism[i] != '.';
        }
        if (!changes.empty()) {
            p.SiteTransitions = new int[L]();
            p.SiteTransversions = new int[L]();
            for (int i = 0; i < L; ++i) {
                p.SiteTransitions[i] = changes[i] == 's';
                p.SiteTransversions[i] = changes[i] == 'v';
            }
        }
        return p;
    }

    // The level's substitution-site flags: 'x' flagged.
    static void flag(std::string const& flags)
    {
        PopGenetics::globalSubstPolymSites.count = 0;
        for (char c : flags)
            PopGenetics::globalSubstPolymSites.Add(c == 'x');
    }

    // Site `site` of the allele table holds the recessive-allele slot, then these alleles.
    void alleles(int site, std::vector<const char*> const& names)
    {
        sites.InsertAllPos(site, my_string("~"), 0.0);
        for (const char* a : names)
            sites.InsertAllPos(site, my_string(a), 1.0);
    }

    std::string report()
    {
        results.close();
        results.open(dir / "r.htm", std::ios::out | std::ios::trunc);
        samples.WriteSummaryStatistics(&project, s);
        results.flush();
        return read_text(dir / "r.htm");
    }

    static std::string block(std::string const& text, std::string const& title)
    {
        std::string::size_type at = text.find("\n" + title);
        if (at == std::string::npos)
            return "";
        std::string::size_type next = text.find("<A NAME", at);
        return text.substr(at, next == std::string::npos ? std::string::npos : next - at);
    }
};

TEST_F(SummaryBlocksTest, SubstitutionSitesOfTheLevel)
{
    struct Case {
        const char* what;
        std::vector<const char*> alleles;
        int counts;
    };
    const std::vector<Case> cases = {
        {"a nucleotide and a gap: an indel site", {"A", "-"}, 0},
        {"two nucleotides and N", {"A", "G", "N"}, 1},
        {"a nucleotide and an ambiguity code", {"A", "R"}, 0},
        {"a nucleotide and missing data", {"A", "?"}, 0},
        {"two nucleotides", {"C", "T"}, 1},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        samples.Populations.Flush();
        sites.destroy();
        compared("A", "P");
        alleles(0, c.alleles);
        flag("x");
        EXPECT_EQ(substitution_site_total(samples), c.counts);
    }

    // Site 0 varies in A only; site 1 is unusable where it varies; sites 2 to 6
    // vary nowhere; site 7 varies in B, beyond the end of the shorter A's flags.
    samples.Populations.Flush();
    sites.destroy();
    compared("A", "Pu..");
    compared("B", ".u.....P");
    for (int site = 0; site < 8; ++site)
        alleles(site, {"A", "G"});
    flag("xxxxxxxx");
    EXPECT_EQ(substitution_site_total(samples), 2);

    // A sample without compared sites takes no part; no flagged site, no total.
    add("Unread");
    EXPECT_EQ(substitution_site_total(samples), 2);
    flag("");
    EXPECT_EQ(substitution_site_total(samples), 0);
}

TEST_F(SummaryBlocksTest, PrivateSubstitutionSites)
{
    struct Case {
        const char* what;
        std::string flagged;
        std::vector<std::string> changes;  // per sample
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {"a site of A alone adds 1 to A", "x", {"s", ".", "."}, {1, 0, 0}},
        {"a site of A and B adds nothing", "x", {"s", "v", "."}, {0, 0, 0}},
        {"one sample counts every flagged site it changes at", "xx.x", {"svs."}, {2}},
        {"a transversion site not flagged (weight 0) is never private", ".", {"v", "."}, {0, 0}},
        {"a site beyond a shorter sample's flags is not its", "xx", {"s", ".s"}, {1, 1}},
        {"no flagged site", "", {"s", "s"}, {0, 0}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        samples.Populations.Flush();
        flag(c.flagged);
        for (std::string const& changes : c.changes) {
            compared("S", std::string(changes.size(), 'P'), changes).NumPrivateSubstSites = 9;
        }
        samples.computeNumPrivateSubstSitesPerPop(s);
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(dynamic_cast<PopGenetics&>(*samples.Populations.data[i]).NumPrivateSubstSites,
                      c.expected[i]);
    }

    // A transition weight of 0 leaves every count at 0, not at what it held.
    samples.Populations.Flush();
    flag("x");
    compared("A", "P", "s").TransitionWeight = 0.0;
    samples.computeNumPrivateSubstSitesPerPop(s);
    EXPECT_EQ(dynamic_cast<PopGenetics&>(*samples.Populations.data[0]).NumPrivateSubstSites, 0);

    // RFLP counts are not touched.
    samples.Populations.Flush();
    ProfileSettings::DataType = RFLP;
    add<PopulRFLP>("R").NumPrivateSubstSites = 7;
    samples.computeNumPrivateSubstSitesPerPop(s);
    EXPECT_EQ(dynamic_cast<PopGenetics&>(*samples.Populations.data[0]).NumPrivateSubstSites, 7);
}

// Two DNA samples. Transitions 3 and 1: mean 2, s.d. sqrt((10/2 - 4) 2) =
// 1.414. Substitution sites 2 of 3 over the level (site 2 only ever shows a
// gap). Site 0 is A's alone, site 1 is shared: private 1 and 0. Pi 1.25 and
// 2.5: mean 1.875, s.d. sqrt(((1.5625 + 6.25)/2 - 3.515625) 2) = 0.88388.
TEST_F(SummaryBlocksTest, MolecularDiversityOfDnaSamples)
{
    SumStat.TOT_S = SumStat.MEAN_PI = SumStat.SD_PI = true;
    PopulDNA& a = compared("A", "PPP", "ss.");
    PopulDNA& b = compared("B", ".P.", ".v.");
    alleles(0, {"A", "G"});
    alleles(1, {"C", "T", "A"});
    alleles(2, {"A", "-"});
    flag("xx.");
    a.NumTransitions = 3;
    b.NumTransitions = 1;
    a.NumSubstitutionSites = 2;
    b.NumSubstitutionSites = 1;
    a.NumIndelSites = 1;
    a.MeanPairDiff = 1.25;
    b.MeanPairDiff = 2.5;

    const std::string rule(73, '-');
    EXPECT_EQ(block(report(), "Molecular diversity indexes"),
              "\nMolecular diversity indexes\n" + rule + "\n"
              "               Statistics           A           B        Mean        s.d.\n" + rule + "\n"
              "       No. of transitions           3           1       2.000       1.414\n"
              "     No. of transversions           0           0       0.000       0.000\n"
              "     No. of substitutions           0           0       0.000       0.000\n"
              "            No. of indels           0           0       0.000       0.000\n"
              "         No. of ts. sites           0           0       0.000       0.000\n"
              "         No. of tv. sites           0           0       0.000       0.000\n"
              "      No. of subst. sites           2           1       1.500       0.707  Total:           2\n"
              " No. private subst. sites           1           0       0.500       0.707\n"
              "       No. of indel sites           1           0       0.500       0.707\n"
              "                       Pi       1.250       2.500     1.87500     0.88388\n\n" + rule + "\n");
    EXPECT_THAT(values_of(SumStat.prS), ElementsAre(1.0, 0.0));
    EXPECT_DOUBLE_EQ(SumStat.totS, 2.0);
    EXPECT_THAT(values_of(SumStat.Pi), ElementsAre(1.25, 2.5));
    EXPECT_DOUBLE_EQ(SumStat.meanPi, 1.875);
    EXPECT_NEAR(SumStat.sdPi, 0.8838835, 1e-7);

    // No site in the level: no total on the row.
    flag("");
    EXPECT_THAT(report(), HasSubstr("      No. of subst. sites           2           1       1.500       0.707\n"));
    SumStat.TOT_S = SumStat.MEAN_PI = SumStat.SD_PI = false;
}

TEST_F(SummaryBlocksTest, ThetaRows)
{
    struct Case {
        const char* what;
        TDataType type;
        int genotypic, phase;
        std::vector<const char*> rows;
    };
    const std::vector<Case> cases = {
        {"DNA haplotypes", DNA, 0, 0,
         {"Theta_k", "Theta_k_lower", "Theta_k_upper", "Theta_H", "s.d. Theta_H", "Theta_S",
          "s.d. Theta_S", "Theta_pi", "s.d. Theta_pi"}},
        {"RFLP genotypes of unknown phase", RFLP, 1, 0,
         {"Theta_H", "s.d. Theta_H", "Theta_S", "s.d. Theta_S", "Theta_pi", "s.d. Theta_pi"}},
        {"allele frequencies", FREQUENCY, 0, 0,
         {"Theta_k", "Theta_k_lower", "Theta_k_upper", "Theta_H", "s.d. Theta_H"}},
    };
    s.ComputeTheta = 15;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        samples.Populations.Flush();
        ProfileSettings::DataType = c.type;
        s.genotypic_data = samples.GenotypicData = c.genotypic;
        s.gametic_phase = samples.GameticPhase = c.phase;
        add<PopulStandard>("A");
        std::string table = block(report(), "Molecular diversity indexes");
        EXPECT_EQ(table.find("No. of transitions") != std::string::npos, c.type == DNA);
        // Every theta of the sample is -1: "N.A." in its cell, Mean and s.d.
        std::vector<std::string> labels;
        std::istringstream lines(table);
        for (std::string line; std::getline(lines, line);) {
            if (line.find("Theta") == std::string::npos)
                continue;
            EXPECT_EQ(line.substr(25), "        N.A.        N.A.        N.A.");
            labels.push_back(line.substr(line.find_first_not_of(' '), 25 - line.find_first_not_of(' ')));
        }
        EXPECT_EQ(labels, std::vector<std::string>(c.rows.begin(), c.rows.end()));
    }
}

TEST_F(SummaryBlocksTest, ThetaNotComputedInOneSample)
{
    s.ComputeTheta = settings::THETA_K | settings::THETA_HOM;
    ProfileSettings::DataType = RFLP;
    const std::vector<std::pair<double, double>> values = {{2.0, 1.0}, {-1.0, 2.0}};
    for (auto const& [k, H] : values) {
        PopGenetics& p = add<PopulRFLP>("S");
        p.ThetaK = k;
        p.ThetaHom = H;
        p.ThetaHomSD = 0.0;
    }
    std::string table = block(report(), "Molecular diversity indexes");
    EXPECT_THAT(table, HasSubstr("\n                  Theta_k     2.00000        N.A.        N.A.        N.A.\n"));
    EXPECT_THAT(table, HasSubstr("\n                  Theta_H     1.00000     2.00000     1.50000     0.70711\n"));
    EXPECT_THAT(table, HasSubstr("\n             s.d. Theta_H     0.00000     0.00000     0.00000     0.00000\n"));
}

// Three DNA samples. Sample sizes 20.6, 10 and 12: cells 20, 10, 12, mean
// 14.2, s.d. sqrt(((424.36 + 100 + 144)/3 - 201.64) 3/2) = 5.63205. D 0.0, -1.5
// and 1.5: mean 0, s.d. sqrt((4.5/3 - 0) 3/2) = 1.5. FS p-values 0.2, -1, 0.4.
// The third sample's Fs was not computed (its Fu's test refused it): FS -2
// and 1 give mean -0.5, s.d. sqrt(((4 + 1)/2 - 0.25) 2) = 2.12132.
TEST_F(SummaryBlocksTest, NeutralityTestsOfDnaSamples)
{
    SumStat.MEAN_TAJIMAD = SumStat.SD_TAJIMAD = SumStat.MEAN_FUFS = true;
    s.TaskNumber = settings::TAJIMA_TEST | settings::EWENS_WATTERSON_TEST
                   | settings::CHAKRABORTY_TEST | settings::FU_FS_TEST;
    s.InferHaplotypeDefinitionFromDistanceMatrix = 1;
    struct Sample {
        double size;
        int haplotypes, initial;
        double D, FS, FS_p, watterson, chakraborty_k, fu_k;
    };
    const std::vector<Sample> given = {{20.6, 4, 6, 0.0, -2.0, 0.2, 0.5, 2.5, 1.5},
                                       {10, 3, 0, -1.5, 1.0, -1.0, -1.0, -1.0, 2.0},
                                       {12, 2, 2, 1.5, 0.0, 0.4, 0.25, 3.0, -1.0}};
    for (Sample const& g : given) {
        PopulDNA& p = add("S");
        p.SampleSize = g.size;
        p.num_haplotypes = g.haplotypes;
        p.nbInitialHaplotypes = g.initial;
        p.TajimaD = g.D;
        p.FuFs = g.FS;
        p.FuFsPValue = g.FS_p;
        p.EWPValue = g.watterson;
        p.ExpNumAlleles = 9.0;  // what the last test left: neither row reads it
        p.ChakrabortyExpNumAlleles = g.chakraborty_k;
        p.FuExpNumAlleles = g.fu_k;
    }
    std::string table = block(report(), "Neutrality tests");
    const std::string blanks49(49, ' ');
    EXPECT_THAT(table, HasSubstr("\n" + blanks49 + "Sample size          20          10          12    14.20000     5.63205\n"));
    EXPECT_THAT(table, HasSubstr("\nEwens-Watterson test\n--------------------\n" + blanks49 + "Sample size"));
    EXPECT_THAT(table, HasSubstr("\n" + std::string(41, ' ') + "Real no. of alleles           4           3           2     3.00000     1.00000\n"
                                 + std::string(40, ' ') + "Orig. no. of alleles           6           3           2     3.66667     2.08167\n"));
    EXPECT_THAT(table, HasSubstr("\n" + std::string(22, ' ') + "   Watterson test: Pr(rand F &lt;= obs F)     0.50000        N.A.     0.25000        N.A.        N.A.\n"));
    EXPECT_THAT(table, HasSubstr("\n" + std::string(50, ' ') + "Tajima's D     0.00000    -1.50000     1.50000     0.00000     1.50000\n"));
    EXPECT_THAT(table, HasSubstr("\n" + std::string(58, ' ') + "FS    -2.00000     1.00000        N.A.    -0.50000     2.12132\n"));
    EXPECT_THAT(table, HasSubstr("\n" + std::string(50, ' ') + "FS p-value     0.20000        N.A.     0.40000        N.A.        N.A.\n"));
    EXPECT_THAT(table, HasSubstr("\nFu's FS test\n------------\n" + std::string(41, ' ') + "Real no. of alleles"));
    // Each test's own expected number of alleles; N.A. where it was refused.
    const std::string expected_k = "\n" + std::string(41, ' ') + "Exp. no. of alleles";
    const auto chakraborty = table.find("Chakraborty's test");
    EXPECT_THAT(table.substr(chakraborty, table.find("Tajima's D test") - chakraborty),
                HasSubstr(expected_k + "     2.50000        N.A.     3.00000        N.A.        N.A.\n"));
    EXPECT_THAT(table.substr(table.find("Fu's FS test")),
                HasSubstr(expected_k + "     1.50000     2.00000        N.A.        N.A.        N.A.\n"));
    EXPECT_THAT(values_of(SumStat.D), ElementsAre(0.0, -1.5, 1.5));
    EXPECT_DOUBLE_EQ(SumStat.meanD, 0.0);
    EXPECT_DOUBLE_EQ(SumStat.sdD, 1.5);
    EXPECT_THAT(values_of(SumStat.FS), ElementsAre(-2.0, 1.0, IsNan()));
    EXPECT_DOUBLE_EQ(SumStat.meanFS, -0.5);
    EXPECT_EQ(SumStat.Dsd.count, 0);
    SumStat.MEAN_TAJIMAD = SumStat.SD_TAJIMAD = SumStat.MEAN_FUFS = false;
}

TEST_F(SummaryBlocksTest, NeutralitySubTablesByDataAndBits)
{
    struct Case {
        const char* what;
        TDataType type;
        int bits;
        int checked;
        std::vector<std::string> present, absent;
    };
    const std::vector<Case> cases = {
        {"Fu alone: the alleles row first, no sample size", DNA, settings::FU_FS_TEST, 0,
         {"Fu's FS test\n------------\n" + std::string(35, ' ') + "No. of alleles(unchecked)"},
         {"Sample size"}},
        {"STANDARD with Tajima's bit only: no sub-table", STANDARD, settings::TAJIMA_TEST, 0,
         {"\n" + std::string(96, '-') + "\n" + std::string(50, ' ')
          + "Statistics           S        Mean        s.d.\n" + std::string(96, '-') + "\n"
          + std::string(96, '-') + "\n"},
         {"Tajima's D test"}},
        {"FREQUENCY with Ewens-Watterson and Tajima's bits", FREQUENCY,
         settings::EWENS_WATTERSON_TEST | settings::TAJIMA_TEST, 0,
         {"Ewens-Watterson test"}, {"Tajima's D test"}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        samples.Populations.Flush();
        ProfileSettings::DataType = c.type;
        s.TaskNumber = c.bits;
        add<PopulStandard>("S");
        std::string table = block(report(), "Neutrality tests");
        for (std::string const& text : c.present)
            EXPECT_THAT(table, HasSubstr(text));
        for (std::string const& text : c.absent)
            EXPECT_THAT(table, Not(HasSubstr(text)));
    }
}

// A pooled group never went through the merging of identical haplotypes:
// its original number of alleles is its number of haplotypes.
TEST_F(SummaryBlocksTest, OriginalAllelesOfSamplesNeverMerged)
{
    s.TaskNumber = settings::EWENS_WATTERSON_TEST;
    s.InferHaplotypeDefinitionFromDistanceMatrix = 1;
    PopGenetics& group = add("Group1");
    group.group_level_sample = true;
    group.num_haplotypes = 5;
    EXPECT_THAT(report(), HasSubstr("Orig. no. of alleles           5     5.00000     0.00000\n"));

    // Genotypes of known phase have no such row.
    samples.GenotypicData = 1;
    EXPECT_THAT(report(), Not(HasSubstr("Orig. no. of alleles")));
}

TEST_F(SummaryBlocksTest, WhichBlocksAppear)
{
    struct Case {
        const char* what;
        TDataType type;
        int genotypic, phase, recessive, bits;
        bool moldiv, neutrality, mismatch;
    };
    const int all = settings::MOLECULAR_DIVERSITY | settings::MISMATCH_DISTRIBUTION
                    | settings::TAJIMA_TEST;
    const std::vector<Case> cases = {
        {"DNA haplotypes", DNA, 0, 0, 0, all, true, true, true},
        {"DNA, no neutrality bit", DNA, 0, 0, 0, settings::MOLECULAR_DIVERSITY, true, false, false},
        {"DNA, Fu's bit", DNA, 0, 0, 0, settings::FU_FS_TEST, false, true, false},
        {"RFLP haplotypes, recessive alleles", RFLP, 0, 0, 1, all, false, true, true},
        {"DNA genotypes of known phase", DNA, 1, 1, 0, all, true, true, true},
        {"DNA genotypes of known phase, recessive alleles", DNA, 1, 1, 1, all, false, false, true},
        {"DNA genotypes of unknown phase", DNA, 1, 0, 0, all, true, false, false},
        {"microsatellites", MICROSAT, 0, 0, 0, all, false, false, false},
        {"standard data", STANDARD, 0, 0, 0, all, false, true, false},
        {"allele frequencies", FREQUENCY, 0, 0, 0, all, true, true, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        samples.Populations.Flush();
        ProfileSettings::DataType = c.type;
        s.genotypic_data = samples.GenotypicData = c.genotypic;
        s.gametic_phase = samples.GameticPhase = c.phase;
        s.RecessiveAllelesEM = c.recessive;
        s.TaskNumber = c.bits;
        add<PopulStandard>("S");
        std::string text = report();
        EXPECT_EQ(text.find("comp_sum_moldiv") != std::string::npos, c.moldiv);
        EXPECT_EQ(text.find("\nMolecular diversity indexes\n") != std::string::npos, c.moldiv);
        EXPECT_EQ(text.find("comp_sum_neutests") != std::string::npos, c.neutrality);
        EXPECT_EQ(text.find("\nNeutrality tests\n") != std::string::npos, c.neutrality);
        EXPECT_EQ(text.find("comp_sum_mismatch") != std::string::npos, c.mismatch);
        EXPECT_EQ(text.find("\nMismatch analysis\n") != std::string::npos, c.mismatch);
    }
}

// Without bootstrap the fits show their parameters, SSD and raggedness only.
// An M of 123456.7 is written 1.23457e+05; the row's Mean (61728.35) and
// s.d. (sqrt((123456.7^2/2 - 61728.35^2) 2) = 87297.06975) stay fixed.
TEST_F(SummaryBlocksTest, MismatchAnalysis)
{
    s.TaskNumber = settings::MISMATCH_DISTRIBUTION;
    s.MismatchDemogExp = s.MismatchSpatialExp = true;
    s.NumBootExpDem = 0;
    PopGenetics& a = add("A");
    add("B");
    a.DemogExpansionFit.values[0] = 2.5;
    a.SpatialExpansionFit.values[2] = 123456.7;

    std::string table = block(report(), "Mismatch analysis");
    const std::string rule(73, '-');
    EXPECT_EQ(table,
              "\nMismatch analysis\n" + rule + "\n"
              "               Statistics           A           B        Mean        s.d.\n" + rule + "\n"
              "\nDemographic expansion\n---------------------\n"
              "                      Tau     2.50000     0.00000     1.25000     1.76777\n"
              "                   Theta0     0.00000     0.00000     0.00000     0.00000\n"
              "                   Theta1     0.00000     0.00000     0.00000     0.00000\n"
              "                      SSD     0.00000     0.00000     0.00000     0.00000\n"
              "         Raggedness index     0.00000     0.00000     0.00000     0.00000\n"
              "\nSpatial expansion\n-----------------\n"
              "                      Tau     0.00000     0.00000     0.00000     0.00000\n"
              "                    Theta     0.00000     0.00000     0.00000     0.00000\n"
              "                        M 1.23457e+05     0.00000 61728.35000 87297.06975\n"
              "                      SSD     0.00000     0.00000     0.00000     0.00000\n"
              "         Raggedness index     0.00000     0.00000     0.00000     0.00000\n" + rule + "\n");

    // With bootstrap the percentiles and p-values come in their order; with
    // neither fit the two rules stand one under the other.
    s.NumBootExpDem = 100;
    a.DemogExpansionFit.values[10] = 9.75;
    table = block(report(), "Mismatch analysis");
    EXPECT_THAT(table, HasSubstr("\n                      Tau     2.50000     0.00000     1.25000     1.76777\n"
                                 "              Tau qt 2.5%     0.00000"));
    EXPECT_THAT(table, HasSubstr("\n             Tau qt 97.5%     9.75000     0.00000     4.87500     6.89429\n"
                                 "                   Theta0"));
    EXPECT_THAT(table, HasSubstr("\n                      SSD     0.00000     0.00000     0.00000     0.00000\n"
                                 "      Model (SSD) p-value"));
    EXPECT_THAT(table, HasSubstr("\n       Raggedness p-value     0.00000     0.00000     0.00000     0.00000\n" + rule));
    s.MismatchDemogExp = s.MismatchSpatialExp = false;
    EXPECT_THAT(report(), HasSubstr("s.d.\n" + rule + "\n" + rule + "\n"));
}

// The middle sample holds 3,000,000,000 gene copies and was refused: its
// values (9 everywhere, left by no analysis) read N.A. and stay out of every
// mean, s.d. and collector value. The other two: transitions 3 and 1 (mean
// 2, s.d. sqrt 2); Pi, theta_S and Tau 1 and 2 or 2 and 4; sizes 10 and 12;
// D 0.5 and -0.5 (mean 0, s.d. sqrt 0.5); FS -1 and 1 (mean 0, s.d. sqrt 2).
TEST_F(SummaryBlocksTest, SampleRefusedForItsSize)
{
    SumStat.MEAN_PI = SumStat.MEAN_TAJIMAD = SumStat.MEAN_FUFS = true;
    s.TaskNumber = settings::MOLECULAR_DIVERSITY | settings::TAJIMA_TEST | settings::FU_FS_TEST
                   | settings::MISMATCH_DISTRIBUTION;
    s.ComputeTheta = settings::THETA_S;
    s.MismatchDemogExp = true;
    s.NumBootExpDem = 0;
    const struct {
        const char* name;
        double size;
        int transitions;
        double pi, D, FS, tau;
    } given[] = {{"A", 10, 3, 1.0, 0.5, -1.0, 2.0},
                 {"Huge", 3e9, 9, 9.0, 9.0, 9.0, 9.0},
                 {"C", 12, 1, 2.0, -0.5, 1.0, 4.0}};
    for (auto const& g : given) {
        PopulDNA& p = add(g.name);
        p.SampleSize = g.size;
        p.NumTransitions = g.transitions;
        p.MeanPairDiff = p.ThetaS = g.pi;
        p.ThetaSSD = 0.0;
        p.TajimaD = g.D;
        p.FuFs = g.FS;
        p.FuExpNumAlleles = 2.0;
        p.DemogExpansionFit.values[0] = g.tau;
    }
    const std::string text = report();
    const struct {
        const char* block;
        int label_width;
        const char* label;
        const char* cells;
    } rows[] = {
        {"Molecular diversity indexes", 25, "No. of transitions", "3        N.A.           1       2.000       1.414"},
        {"Molecular diversity indexes", 25, "Pi", "1.000        N.A.       2.000     1.50000     0.70711"},
        {"Molecular diversity indexes", 25, "Theta_S", "1.00000        N.A.     2.00000     1.50000     0.70711"},
        {"Neutrality tests", 60, "Sample size", "10        N.A.          12    11.00000     1.41421"},
        {"Neutrality tests", 60, "Tajima's D", "0.50000        N.A.    -0.50000     0.00000     0.70711"},
        {"Neutrality tests", 60, "FS", "-1.00000        N.A.     1.00000     0.00000     1.41421"},
        {"Mismatch analysis", 25, "Tau", "2.00000        N.A.     4.00000     3.00000     1.41421"},
    };
    for (auto const& r : rows) {
        SCOPED_TRACE(r.label);
        const std::string label(r.label), cells(r.cells);
        const std::string first_cell(12 - cells.find(' '), ' ');
        EXPECT_THAT(block(text, r.block),
                    HasSubstr("\n" + std::string(r.label_width - label.size(), ' ') + label
                              + first_cell + cells + "\n"));
    }
    EXPECT_THAT(values_of(SumStat.Pi), ElementsAre(1.0, IsNan(), 2.0));
    EXPECT_DOUBLE_EQ(SumStat.meanPi, 1.5);
    EXPECT_THAT(values_of(SumStat.prS), ElementsAre(0.0, IsNan(), 0.0));
    EXPECT_THAT(values_of(SumStat.D), ElementsAre(0.5, IsNan(), -0.5));
    EXPECT_DOUBLE_EQ(SumStat.meanD, 0.0);
    EXPECT_THAT(values_of(SumStat.FS), ElementsAre(-1.0, IsNan(), 1.0));
    EXPECT_DOUBLE_EQ(SumStat.meanFS, 0.0);
    SumStat.MEAN_PI = SumStat.MEAN_TAJIMAD = SumStat.MEAN_FUFS = false;
    s.MismatchDemogExp = false;
}

TEST_F(SummaryBlocksTest, XmlElementOfMolecularDiversity)
{
    xmlOutput = true;
    ProfileSettings::DataType = FREQUENCY;
    add<PopulStandard>("S");
    std::string table = block(report(), "Molecular diversity indexes");
    EXPECT_THAT(table, HasSubstr("<sumMolecDivIndexes samp=\"moldiv\""));
    EXPECT_THAT(table, HasSubstr("</sumMolecDivIndexes> <data>\n\n" + std::string(61, '-') + "\n"));
    xmlOutput = false;
}

}  // namespace
