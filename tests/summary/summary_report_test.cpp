// The summary report over the samples of a level, on samples whose results
// are set by hand: its frame and gate, the Basic properties and per-locus
// tables with their means, s.d. and pooled totals, the microsatellite range
// and Garza-Williamson tables, and what the collector receives. Expected
// values are worked by hand in the comments.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_standard.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/xml.h"
#include "model/allele.h"
#include "project/project.h"
#include "project/samples.h"
#include "summary/summary_report.h"
#include "summary/sumstat.h"
#include "support/temp_log.h"

namespace {

using ::testing::DoubleNear;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

template <class T>
void fill(MY_TArrayAsVector<T>& list, std::vector<T> const& values)
{
    list.count = 0;
    for (T const& v : values)
        list.Add(v);
}

std::vector<double> values_of(TSumStat::List const& list)
{
    return std::vector<double>(list.data, list.data + list.count);
}

class SummaryReportTest : public LogFolderTest {
protected:
    Project project;
    settings& s = project.run_settings;
    Samples& samples = *project.samples;
    std::fstream results;

    void SetUp() override
    {
        ProfileSettings::DataType = MICROSAT;
        samples.MissingData = '?';
        s.TaskNumber = settings::STANDARD_INDICES;
        s.RecessiveAllelesEM = 0;
        s.genotypic_data = 1;
        s.gametic_phase = 0;
        s.results_file = (dir / "r.htm").c_str();
        s.tree_data_file = (dir / "r.js").c_str();
        s.run_date = "08/12/26at14:05:31";
        results.open(dir / "r.htm", std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        PopGenetics::globalAllelicDB.destroy();
        xmlOutput = false;
    }

    void TearDown() override
    {
        PopGenetics::globalAllelicDB.destroy();
        xmlOutput = false;
        s.results_stream = nullptr;
    }

    template <class T = PopulMicrosat>
    T& add(const char* name)
    {
        auto* p = new T();
        p->name = name;
        samples.Populations.Add(p);
        return *p;
    }

    // A locus's alleles with their counts over all samples, loci in order.
    static void pool(int locus, std::vector<std::pair<const char*, double>> const& alleles)
    {
        for (auto const& [name, count] : alleles)
            PopGenetics::globalAllelicDB.InsertAllPos(locus, my_string(name), count);
    }

    // A sample whose gene copies a test leaves unset counted copies at every
    // locus of its heterozygosity list.
    std::string report()
    {
        for (int i = 0; i < samples.Populations.count; ++i) {
            auto& p = dynamic_cast<PopGenetics&>(*samples.Populations.data[i]);
            if (p.LocusGeneCopies.count == 0)
                fill(p.LocusGeneCopies, std::vector<int>(p.LocusExpHet.count, 10));
        }
        samples.WriteSummaryStatistics(&project, s);
        results.flush();
        return read_text(dir / "r.htm");
    }

    // From the block's title to the rule that ends it (the one after its
    // last row).
    static std::string block(std::string const& text, std::string const& title)
    {
        std::string::size_type at = text.find("\n" + title);
        if (at == std::string::npos)
            return "";
        std::string::size_type next = text.find("<A NAME", at);
        return text.substr(at, next == std::string::npos ? std::string::npos : next - at);
    }
};

// Gene copies 39.6 and 40: 39 in the column, mean 39.8, s.d. sqrt(((39.6^2 +
// 40^2)/2 - 39.8^2) 2) = sqrt(0.08) = 0.283; polymorphic 10 and 14: 12, s.d.
// sqrt(((100 + 196)/2 - 144) 2) = sqrt(8) = 2.828.
TEST_F(SummaryReportTest, BasicPropertiesWithMeansOverSamples)
{
    SumStat.MEAN_S = SumStat.SD_S = true;
    PopGenetics& north = add("North");
    north.SampleSize = 39.6;
    north.NumLoci = 3;
    north.NumUsableLoci = 3;
    north.NumPolymSites = 10;
    PopGenetics& south = add("South");
    south.SampleSize = 40;
    south.NumLoci = 3;
    south.NumUsableLoci = 2;
    south.NumPolymSites = 14;

    const std::string rule(68, '-');
    EXPECT_EQ(block(report(), "Basic properties"),
              "\nBasic properties\n" + rule + "\n"
              "          Statistics       North       South        Mean        s.d.\n" + rule + "\n"
              "  No. of gene copies          39          40      39.800       0.283\n"
              "         No. of loci           3           3       3.000       0.000\n"
              "  No. of usable loci           3           2       2.500       0.707\n"
              "  No. of polym. loci          10          14      12.000       2.828\n" + rule + "\n");
    EXPECT_THAT(values_of(SumStat.S), ElementsAre(10.0, 14.0));
    EXPECT_DOUBLE_EQ(SumStat.meanS, 12.0);
    EXPECT_NEAR(SumStat.sdS, 2.8284271, 1e-6);
    SumStat.MEAN_S = SumStat.SD_S = false;
}

// DNA counts the sites with substitutions, not those that vary by indels.
TEST_F(SummaryReportTest, DnaCountsSubstitutionSites)
{
    ProfileSettings::DataType = DNA;
    PopulDNA& p = add<PopulDNA>("Pond");
    p.NumSubstitutionSites = 2;
    p.NumPolymSites = 3;
    EXPECT_THAT(report(), HasSubstr("  No. of polym. loci           2       2.000       0.000\n"));
}

TEST_F(SummaryReportTest, GateFolderAndBanner)
{
    add("North");
    s.TaskNumber = settings::AMOVA;
    EXPECT_EQ(report(), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "r.js"));

    s.TaskNumber = settings::HAPLOTYPE_FREQUENCIES;
    const std::string rule(80, '=');
    EXPECT_EQ(report(), "\n\n" + rule + "\n== Summary of computations done within populations\n"
                            + rule + "\n");
    std::string tree = read_text(dir / "r.js");
    EXPECT_THAT(tree, HasSubstr("Within-samples summary"));
    EXPECT_THAT(tree, Not(HasSubstr("insDoc")));
}

// One name of 15 characters widens every sample column of every table to 17.
TEST_F(SummaryReportTest, WidestNameSetsEveryColumn)
{
    fill(add("Abcdefghijklmno").LocusExpHet, {0.5});
    fill(add("B").LocusExpHet, {0.5});
    std::string text = report();
    EXPECT_EQ(count_of(text, "Locus#  Abcdefghijklmno                B"), 6);
    EXPECT_EQ(count_of(text, "          Statistics  Abcdefghijklmno                B"), 1);
}

TEST_F(SummaryReportTest, PooledHeterozygosityCountsEveryAllele)
{
    struct Case {
        std::vector<std::pair<const char*, double>> alleles;
        double H;
    };
    const std::vector<Case> cases = {
        {{{"100", 10}}, 0.0},
        {{{"100", 5}, {"102", 5}}, 0.5555556},  // (1 - 0.5) 10/9
        {{{"100", 1}}, 0.0},                      // N = 1
        {{}, 0.0},
    };
    for (Case const& c : cases) {
        TLocus locus(my_string("L"));
        for (auto const& [name, count] : c.alleles)
            locus.alleles.Add(new TAllele(my_string(name), count, 0));
        EXPECT_NEAR(computeHeterozygosity(&locus, '?'), c.H, 1e-7);
    }
    EXPECT_DOUBLE_EQ(computeHeterozygosity(nullptr, '?'), 0.0);

    std::ostringstream os;
    printLine(os, 0);
    printLine(os, 3);
    EXPECT_EQ(os.str(), "\n---\n");
}

// Pooled locus 100 x5, 102 x5, ? x2: Tot. Het. over N = 12 is (1 - 54/144)
// 12/11 = 0.68182, while the missing allele is no allele of Tot. number.
TEST_F(SummaryReportTest, MissingDataAlleleInPooledTotals)
{
    PopGenetics& p = add("North");
    fill(p.LocusExpHet, {0.5});
    fill(p.LocusNumAlleles, {2});
    pool(0, {{"100", 5}, {"102", 5}, {"?", 2}});
    std::string text = report();
    EXPECT_THAT(block(text, "Expected heterozygosity"),
                HasSubstr("\n     1     0.50000     0.50000     0.00000     0.68182\n"));
    EXPECT_THAT(block(text, "Number of alleles"),
                HasSubstr("\n     1           2       2.000       0.000           2\n"));
}

TEST_F(SummaryReportTest, ThetaFromHeterozygosity)
{
    struct Case {
        const char* what;
        TDataType type;
        std::vector<double> H;
        const char* row;
    };
    const std::vector<Case> cases = {
        {"infinite alleles: 1/(1 - 0.5) - 1", STANDARD, {0.5},
         "     1     1.00000     1.00000     0.00000\n"},
        {"stepwise: (1/0.25 - 1)/2", MICROSAT, {0.5},
         "     1     1.50000     1.50000     0.00000\n"},
        {"stepwise, H 0 and 1 have none", MICROSAT, {0.0, 0.5, 1.0},
         "     1        N.A.     1.50000        N.A.     1.50000     0.00000\n"},
        {"stepwise, no sample has one", MICROSAT, {0.0, 1.0},
         "     1        N.A.        N.A.        N.A.        N.A.\n"},
        {"infinite alleles, H 1 has none", STANDARD, {1.0},
         "     1        N.A.        N.A.        N.A.\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        samples.Populations.Flush();
        results.close();
        results.open(dir / "r.htm", std::ios::out | std::ios::trunc);
        ProfileSettings::DataType = c.type;
        for (double H : c.H) {
            PopGenetics& p = add<PopulStandard>("S");
            fill(p.LocusExpHet, {H});
            p.MeanExpHet = H;
        }
        std::string theta = block(report(), "Theta(H) under");
        EXPECT_THAT(theta, HasSubstr("-\n" + std::string(c.row)));
        EXPECT_THAT(theta, Not(HasSubstr("  inf")));
        EXPECT_THAT(theta, Not(HasSubstr("nan")));
    }
    // The row over loci guards H = 1 with 9999.
    EXPECT_THAT(read_text(dir / "r.htm"), HasSubstr("Theta from\nMean H  9999.00000  9999.00000"));
}

// The second sample's lists end after locus 1: its cells at locus 2 read
// "N.A." and the means take the first sample alone.
TEST_F(SummaryReportTest, ShorterListsShowNotAvailable)
{
    PopGenetics& a = add("A");
    fill(a.LocusExpHet, {0.2, 0.4});
    fill(a.LocusNumAlleles, {2, 3});
    fill(a.LocusAllelicRange, {1, 2});
    fill(a.LocusGWStat, {1.0, 1.0});
    PopGenetics& b = add("B");
    fill(b.LocusExpHet, {0.6});
    fill(b.LocusNumAlleles, {4});
    std::string text = report();
    EXPECT_THAT(block(text, "Expected heterozygosity"),
                HasSubstr("\n     2     0.40000        N.A.     0.40000     0.00000"));
    EXPECT_THAT(block(text, "Number of alleles"),
                HasSubstr("\n     2           3        N.A.       3.000       0.000"));
    EXPECT_THAT(block(text, "Garza-Williamson index"),
                HasSubstr("\n     1     1.00000        N.A.     1.00000     0.00000\n"));
}

// C counted no gene copy at locus 2: "N.A." in every table, and the row's
// mean and s.d. over A and B alone. He 0.5 and 0.75: mean 0.625, s.d.
// sqrt(((0.25 + 0.5625)/2 - 0.390625) 2) = 0.17678; theta (1/(1 - H)^2 -
// 1)/2 = 1.5 and 7.5: mean 4.5, s.d. sqrt(((2.25 + 56.25)/2 - 20.25) 2) =
// sqrt(18) = 4.24264; alleles 2 and 4 (mean 3, s.d. sqrt(2) = 1.414);
// ranges 2 and 6 (mean 4, s.d. sqrt(8) = 2.828); G-W 2/3 and 4/7: mean
// 13/21 = 0.61905, s.d. (2/3 - 4/7)/sqrt(2) = 0.06734.
TEST_F(SummaryReportTest, SampleWithoutGeneCopiesAtALocus)
{
    const struct {
        const char* name;
        int copies;
        double H;
        int alleles, range;
        double gw;
    } at_locus_2[] = {
        {"A", 8, 0.5, 2, 2, 2.0 / 3.0},
        {"B", 8, 0.75, 4, 6, 4.0 / 7.0},
        {"C", 0, 0.0, 0, 0, 0.0},
    };
    for (auto const& g : at_locus_2) {
        PopGenetics& p = add(g.name);
        fill(p.LocusGeneCopies, {8, g.copies});
        fill(p.LocusExpHet, {0.5, g.H});
        fill(p.LocusNumAlleles, {2, g.alleles});
        fill(p.LocusAllelicRange, {2, g.range});
        fill(p.LocusMinAlleleSize, {100, 100});
        fill(p.LocusMaxAlleleSize, {102, 100 + g.range});
        fill(p.LocusGWStat, {2.0 / 3.0, g.gw});
    }
    const struct {
        const char* block;
        const char* row;
    } rows[] = {
        {"Expected heterozygosity", "\n     2     0.50000     0.75000        N.A.     0.62500     0.17678"},
        {"Theta(H) under", "\n     2     1.50000     7.50000        N.A.     4.50000     4.24264\n"},
        {"Number of alleles", "\n     2           2           4        N.A.       3.000       1.414"},
        {"Allelic size range", "\n     2           2           6        N.A.       4.000       2.828"},
        {"Garza-Williamson index", "\n     2     0.66667     0.57143        N.A.     0.61905     0.06734\n"},
    };
    const std::string text = report();
    for (auto const& r : rows) {
        SCOPED_TRACE(r.block);
        EXPECT_THAT(block(text, r.block), HasSubstr(r.row));
    }
}

// Wide numbers keep a blank between their columns; a sample too large to be
// analysed has no count of gene copies. Mean 2e9, s.d. 0.
TEST_F(SummaryReportTest, WideNumbersAndRefusedSample)
{
    add("A").SampleSize = 2000000000;
    add("B").SampleSize = 2000000000;
    add("C").SampleSize = 3000000000.0;
    EXPECT_THAT(block(report(), "Basic properties"),
                HasSubstr("\n  No. of gene copies  2000000000  2000000000        N.A. "
                          "2000000000.000       0.000\n"));
}

// A sample of 3,000,000,000 gene copies was refused: its lists are empty and
// its means those of no analysis (gene diversity -1). First or last, its
// column reads N.A., the loci come from the samples that have them, and it
// stays out of the means and the collector. A: He 2/7 at both loci, B 1/3:
// mean 13/42 = 0.30952, s.d. (1/3 - 2/7)/sqrt 2 = 0.03367; stepwise theta
// (1/(1 - H)^2 - 1)/2 from the means: (49/25 - 1)/2 = 0.48 and (9/4 - 1)/2 =
// 0.625; alleles 2 and 3.
TEST_F(SummaryReportTest, SampleRefusedForItsSize)
{
    SumStat.MEAN_H = SumStat.SD_H = SumStat.MEAN_S = true;
    struct Case {
        bool refused_first;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {true,
         {"\n  No. of gene copies        N.A.          10          10      10.000       0.000\n",
          "\n     2        N.A.     0.28571     0.33333     0.30952     0.03367",
          "\n  Mean        N.A.     0.28571     0.33333     0.30952     0.03367",
          "\nMean H        N.A.     0.48000     0.62500     0.55250     0.10253\n",
          "\n  Mean        N.A.       2.000       3.000       2.500       0.707"}},
        {false,
         {"\n  No. of gene copies          10          10        N.A.      10.000       0.000\n",
          "\n     2     0.28571     0.33333        N.A.     0.30952     0.03367",
          "\n  Mean     0.28571     0.33333        N.A.     0.30952     0.03367",
          "\nMean H     0.48000     0.62500        N.A.     0.55250     0.10253\n",
          "\n  Mean       2.000       3.000        N.A.       2.500       0.707"}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.refused_first);
        samples.Populations.Flush();
        results.close();
        results.open(dir / "r.htm", std::ios::out | std::ios::trunc);
        auto refused = [&] {
            PopGenetics& huge = add("Huge");
            huge.SampleSize = 3e9;
            huge.GeneDiversity = -1.0;
        };
        if (c.refused_first)
            refused();
        const struct {
            const char* name;
            double H;
            int k;
        } analysed[] = {{"A", 2.0 / 7.0, 2}, {"B", 1.0 / 3.0, 3}};
        for (auto const& a : analysed) {
            PopGenetics& p = add(a.name);
            p.SampleSize = 10;
            p.NumLoci = p.NumUsableLoci = 2;
            p.NumPolymSites = 2;
            fill(p.LocusExpHet, {a.H, a.H});
            fill(p.LocusNumAlleles, {a.k, a.k});
            p.MeanExpHet = p.GeneDiversity = a.H;
            p.MeanNumAlleles = a.k;
        }
        if (!c.refused_first)
            refused();
        const std::string text = report();
        for (std::string const& row : c.rows)
            EXPECT_THAT(text, HasSubstr(row));
        EXPECT_THAT(text, Not(HasSubstr("-1.00000")));
        const int at = c.refused_first ? 0 : 2;
        ASSERT_EQ(SumStat.H.count, 3);
        EXPECT_TRUE(std::isnan(SumStat.H.data[at]));
        EXPECT_TRUE(std::isnan(SumStat.S.data[at]));
        EXPECT_NEAR(SumStat.meanH, 13.0 / 42.0, 1e-12);
        EXPECT_NEAR(SumStat.sdH, (1.0 / 3.0 - 2.0 / 7.0) / std::sqrt(2.0), 1e-12);
        EXPECT_DOUBLE_EQ(SumStat.meanS, 2.0);
    }
    SumStat.MEAN_H = SumStat.SD_H = SumStat.MEAN_S = false;
}

// Locus 1: A sizes 100-104 (range 4, G-W 0.6), B 102-104 (range 2, G-W 2/3);
// total range 4, pooled alleles 3. Locus 2: A 150 only (range 0, G-W 1); B
// counted no gene copy there: its range reads N.A. and its sizes 0 take no part: total
// range 0, pooled alleles 1. Pooled G-W (3/5 + 1/1)/2 = 0.8, mean total
// range 2. Modified: A 5/5 0.6 = 0.6 and 1/1 1 = 1 (mean 0.8, s.d. 0.28284),
// B 3/5 2/3 = 0.4 and N.A. at locus 2, where it has no gene copy (mean 0.4,
// s.d. 0). Over samples: means 0.8 and 0.4 give 0.6, s.d. sqrt(((0.64 +
// 0.16)/2 - 0.36) 2) = 0.28284; s.d.s 0.28284 and 0 give 0.14142, s.d.
// sqrt((0.08/2 - 0.02) 2) = 0.2.
TEST_F(SummaryReportTest, RangeAndGarzaWilliamsonTables)
{
    SumStat.MEAN_NGW = true;
    PopGenetics& a = add("A");
    fill(a.LocusExpHet, {0.5, 0.0});
    fill(a.LocusGeneCopies, {4, 4});
    fill(a.LocusAllelicRange, {4, 0});
    fill(a.LocusMinAlleleSize, {100, 150});
    fill(a.LocusMaxAlleleSize, {104, 150});
    fill(a.LocusGWStat, {0.6, 1.0});
    a.MeanAllelicRange = 4;
    PopGenetics& b = add("B");
    fill(b.LocusExpHet, {0.5, 0.0});
    fill(b.LocusGeneCopies, {4, 0});
    fill(b.LocusAllelicRange, {2, 0});
    fill(b.LocusMinAlleleSize, {102, 0});
    fill(b.LocusMaxAlleleSize, {104, 0});
    fill(b.LocusGWStat, {2.0 / 3.0, 0.0});
    b.MeanAllelicRange = 2;
    pool(0, {{"100", 1}, {"102", 2}, {"104", 1}});
    pool(1, {{"150", 4}});

    std::string text = report();
    EXPECT_THAT(block(text, "Allelic size range"),
                HasSubstr("\n     1           4           2       3.000       1.414           4\n"
                          "     2           0        N.A.       0.000       0.000           0\n"));
    EXPECT_THAT(block(text, "Allelic size range"),
                HasSubstr("\n  Mean       4.000       2.000       3.000       1.414       2.000\n"));
    EXPECT_THAT(block(text, "Garza-Williamson modified index"),
                HasSubstr("\n     1     0.60000     0.40000     0.50000     0.14142\n"
                          "     2     1.00000        N.A.     1.00000     0.00000\n"));
    EXPECT_THAT(block(text, "Garza-Williamson modified index"),
                HasSubstr("\n  Mean     0.80000     0.40000     0.60000     0.28284\n"
                          "  s.d.     0.28284     0.00000     0.14142     0.20000\n"));
    EXPECT_DOUBLE_EQ(SumStat.totGW, 0.8);
    EXPECT_DOUBLE_EQ(SumStat.totR, 2.0);
    EXPECT_THAT(values_of(SumStat.R), ElementsAre(4.0, 2.0));
    EXPECT_THAT(values_of(SumStat.NGW),
                ElementsAre(DoubleNear(0.8, 1e-12), DoubleNear(0.4, 1e-12)));
    EXPECT_DOUBLE_EQ(SumStat.meanNGW, 0.6);
    SumStat.MEAN_NGW = false;
}

// No sample counted a gene copy at the locus: no range of its own nor total
// range, and the locus stays out of the pooled G-W, the mean total range and
// the modified index.
// Without loci every mean over loci is 0.
TEST_F(SummaryReportTest, LocusWithoutGeneCopiesAndNoLoci)
{
    PopGenetics& a = add("A");
    fill(a.LocusExpHet, {0.0});
    fill(a.LocusGeneCopies, {0});
    fill(a.LocusAllelicRange, {0});
    fill(a.LocusMinAlleleSize, {0});
    fill(a.LocusMaxAlleleSize, {0});
    fill(a.LocusGWStat, {0.0});
    std::string text = report();
    EXPECT_THAT(block(text, "Allelic size range"),
                HasSubstr("\n     1        N.A.        N.A.        N.A.        N.A.\n"));
    EXPECT_THAT(block(text, "Garza-Williamson modified index"),
                HasSubstr("\n     1        N.A.        N.A.        N.A.\n"));
    EXPECT_DOUBLE_EQ(SumStat.totGW, 0.0);
    EXPECT_DOUBLE_EQ(SumStat.totR, 0.0);

    samples.Populations.Flush();
    add("Empty");
    text = report();
    text = text.substr(text.rfind("== Summary of computations"));  // the second report
    EXPECT_THAT(block(text, "Garza-Williamson modified index"),
                HasSubstr("\n  Mean     0.00000     0.00000     0.00000\n"));
    EXPECT_THAT(text, Not(HasSubstr("nan")));
    // Without loci the heterozygosity row shows the gene diversity (-1: not
    // computed), and no table has an s.d. row.
    EXPECT_THAT(block(text, "Expected heterozygosity"),
                HasSubstr("-\n  Mean    -1.00000    -1.00000     0.00000     0.00000\n---"));
    EXPECT_THAT(block(text, "Number of alleles"),
                HasSubstr("-\n  Mean       0.000       0.000       0.000       0.000\n---"));
}

// DNA sites 2 and 4 of 5 vary in the pooled samples: the total column of the
// rows over sites describes those two only (mean 2, s.d. 0), not all five.
TEST_F(SummaryReportTest, DnaTotalOverPolymorphicSites)
{
    ProfileSettings::DataType = DNA;
    PopulDNA& p = add<PopulDNA>("Pond");
    fill(p.LocusExpHet, {0.0, 0.5, 0.0, 0.5, 0.0});
    fill(p.LocusNumAlleles, {1, 2, 1, 2, 1});
    for (int l = 0; l < 5; ++l)
        pool(l, l % 2 ? std::vector<std::pair<const char*, double>>{{"A", 2}, {"G", 2}}
                      : std::vector<std::pair<const char*, double>>{{"A", 4}});
    std::string alleles = block(report(), "Number of alleles");
    EXPECT_THAT(alleles, HasSubstr("\n  Mean       0.000       0.000       0.000       2.000\n"
                                   "  s.d.       0.000       0.000       0.000       0.000\n"));
}

// Haplotypic data hand the collector each sample's gene diversity and its
// number of haplotypes; unphased genotypes the Mean and s.d. rows.
TEST_F(SummaryReportTest, CollectorValuesByKindOfData)
{
    SumStat.MEAN_H = SumStat.SD_H = SumStat.MEAN_K = SumStat.SD_K = SumStat.TOT_K = true;
    ProfileSettings::DataType = STANDARD;
    const std::vector<std::vector<double>> per_sample = {
        // gene diversity and its s.d., mean He and its s.d., haplotypes, mean alleles and s.d.
        {0.4, 0.1, 0.3, 0.05, 3, 2.5, 0.5},
        {0.6, 0.2, 0.5, 0.07, 5, 3.5, 0.7},
    };
    for (auto const& v : per_sample) {
        PopGenetics& p = add<PopulStandard>("S");
        fill(p.LocusExpHet, {v[2]});
        fill(p.LocusNumAlleles, {2});
        p.GeneDiversity = v[0];
        p.GeneDiversitySD = v[1];
        p.MeanExpHet = v[2];
        p.MeanExpHetSD = v[3];
        p.num_haplotypes = static_cast<int>(v[4]);
        p.MeanNumAlleles = v[5];
        p.MeanNumAllelesSD = v[6];
    }
    for (const char* id : {"h1", "h2", "h3", "h4", "h5", "h6", "h7"})
        project.haplo_list.list.Add(new HaploDef(my_string(id)));
    pool(0, {{"a", 3}, {"b", 1}, {"c", 2}});

    s.genotypic_data = 0;
    report();
    EXPECT_THAT(values_of(SumStat.H), ElementsAre(0.4, 0.6));
    EXPECT_THAT(values_of(SumStat.Hsd), ElementsAre(0.1, 0.2));
    EXPECT_DOUBLE_EQ(SumStat.meanH, 0.5);
    EXPECT_THAT(values_of(SumStat.K), ElementsAre(3.0, 5.0));
    EXPECT_THAT(values_of(SumStat.Ksd), ElementsAre(0.0, 0.0));
    EXPECT_DOUBLE_EQ(SumStat.meanK, 4.0);
    EXPECT_NEAR(SumStat.sdK, 1.4142136, 1e-7);
    EXPECT_DOUBLE_EQ(SumStat.totK, 7.0);
    EXPECT_EQ(samples.NbHaploClasses, 7);

    s.genotypic_data = 1;
    report();
    EXPECT_THAT(values_of(SumStat.H), ElementsAre(0.3, 0.5));
    EXPECT_THAT(values_of(SumStat.Hsd), ElementsAre(0.05, 0.07));
    EXPECT_DOUBLE_EQ(SumStat.meanH, 0.4);
    EXPECT_THAT(values_of(SumStat.K), ElementsAre(2.5, 3.5));
    EXPECT_THAT(values_of(SumStat.Ksd), ElementsAre(0.5, 0.7));
    EXPECT_DOUBLE_EQ(SumStat.meanK, 3.0);
    EXPECT_DOUBLE_EQ(SumStat.totK, 3.0);  // the pooled locus's three alleles
    SumStat.MEAN_H = SumStat.SD_H = SumStat.MEAN_K = SumStat.SD_K = SumStat.TOT_K = false;
}

// Group level: its own folder and banner, "gr_" anchors; XML output puts
// each table in its element.
TEST_F(SummaryReportTest, GroupLevelAnchorsAndXmlElements)
{
    samples.atGroupLevel = true;
    xmlOutput = true;
    fill(add("G1").LocusExpHet, {0.5});
    std::string text = report();
    EXPECT_THAT(text, HasSubstr("== Summary of computations done within groups\n"));
    EXPECT_THAT(text, HasSubstr("<A NAME=\"08_12_26at14_05_31_gr_comp_sum_het\"></A> \n"));
    EXPECT_THAT(text, HasSubstr("\nExpected heterozygosity</data> <sumExpHeterozygosity samp=\"heteroz\""));
    EXPECT_THAT(text, HasSubstr("</sumExpHeterozygosity> <data>\n"));
    EXPECT_EQ(count_of(text, "<sum"), count_of(text, "</sum"));
    std::string tree = read_text(dir / "r.js");
    EXPECT_THAT(tree, HasSubstr("Within-groups summary"));
    EXPECT_THAT(tree, HasSubstr("\"Heterozygosity\", \"r.htm#08_12_26at14_05_31_gr_comp_sum_het\""));
    EXPECT_THAT(tree, HasSubstr("\"Garza-Williamson modified index\""));
}

}  // namespace
