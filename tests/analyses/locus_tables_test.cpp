// Per-locus diversity tables, allele counts over samples and mean allele
// sizes, against values worked by hand: He = n/(n-1) (1 - sum c^2/n^2), the
// range r = largest - smallest size, G-W = k/(r + 1).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "analyses/typed_sample_fixture.h"

namespace {

using ::testing::HasSubstr;
using Individuals = std::vector<std::tuple<const char*, const char*, double>>;

class LocusTablesTest : public TypedSampleTest {
protected:
    void SetUp() override
    {
        TypedSampleTest::SetUp();
        PopGenetics::globalAllelicDB.destroy();
    }

    void TearDown() override
    {
        PopGenetics::globalAllelicDB.destroy();
        TypedSampleTest::TearDown();
    }

    // A genotypic sample of unknown phase with its allele vectors, loci and
    // polymorphism, and one frequency slot per allele.
    template <class T>
    T& genotypes(TDataType type, char separator, Individuals const& entries)
    {
        use_profile(type, 1, 0, separator);
        T& p = typed<T>(genotypic_sample("g", entries));
        p.alleleDB = &project.allele_db;
        p.build_allele_vectors(separator);
        p.NumLoci = p.individuals.num_loci();
        p.evaluate_polymorphism(s);
        project.allele_db.create_pop_freq_vector(1);
        return p;
    }

    template <class T>
    T& haplotypes(TDataType type, std::vector<std::pair<const char*, int>> const& entries)
    {
        T& p = allele_sample<T>(type, entries);
        p.evaluate_polymorphism(s);
        return p;
    }

    static double global_count(int locus, const char* name)
    {
        TAllele* a = PopGenetics::globalAllelicDB(locus, my_string(name));
        return a ? a->count : -1.0;
    }

    static std::vector<double> column(MY_TArrayAsVector<double> const& c)
    {
        return std::vector<double>(c.data, c.data + c.count);
    }
    static std::vector<int> column(MY_TArrayAsVector<int> const& c)
    {
        return std::vector<int>(c.data, c.data + c.count);
    }
};

// Sites: A A | R A (R missing); N C | C C (N missing); - A | - -.
TEST_F(LocusTablesTest, DnaAmbiguityCodesAreMissingAndGapsAreAlleles)
{
    PopulDNA& p = genotypes<PopulDNA>(DNA, 0, {{"AN-", "ACA", 1}, {"RC-", "AC-", 1}});
    std::ostringstream out;
    p.OutputAllelelNumberAndHetPerLocusDipl(p.individuals, out, s, true, true, false);
    EXPECT_EQ(column(p.LocusGeneCopies), (std::vector<int>{3, 3, 4}));
    EXPECT_EQ(column(p.LocusNumAlleles), (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(column(p.LocusObsHet), (std::vector<double>{0.0, 0.0, 0.5}));
    EXPECT_EQ(column(p.LocusExpHet), (std::vector<double>{0.0, 0.0, 0.5}));
    EXPECT_EQ(global_count(0, "R"), 0.0);
    EXPECT_EQ(global_count(1, "N"), 0.0);
    EXPECT_EQ(global_count(2, "-"), 3.0);
    EXPECT_EQ(p.individuals.phenotypes.data[0]->allele_at(1, 2)->pop_freq[0], 0.25);
    EXPECT_EQ(out.str(), "");

    // Counted over all samples with missing data as an allele: "N" and "R"
    // are alleles of their own.
    PopGenetics::globalAllelicDB.destroy();
    s.ComputeMissDataFreq = true;
    p.computeAlleFreqDipl(p.individuals, s);
    EXPECT_EQ(column(p.LocusGeneCopies), (std::vector<int>{4, 4, 4}));
    EXPECT_EQ(column(p.LocusNumAlleles), (std::vector<int>{2, 2, 2}));
    EXPECT_EQ(global_count(1, "N"), 1.0);
    EXPECT_EQ(p.individuals.phenotypes.data[0]->allele_at(0, 1)->pop_freq[0], 0.25);
}

// Locus 1 has no counted gene copy; locus 2: 7 7 9 7; locus 3: sizes 100
// 102 100 and "104.6" = 105, so He = 4/3 (1 - 6/16), r = 5, G-W = 3/6.
TEST_F(LocusTablesTest, MicrosatelliteSizesRangeAndGarzaWilliamson)
{
    PopulMicrosat& p = genotypes<PopulMicrosat>(
        MICROSAT, ' ', {{"? 7 100", "? 9 102", 1}, {"? 7 100", "? 7 104.6", 1}});
    std::ostringstream out;
    p.OutputAllelelNumberAndHetPerLocusDipl(p.individuals, out, s, true, true, true);
    EXPECT_EQ(column(p.LocusGeneCopies), (std::vector<int>{0, 4, 4}));
    EXPECT_EQ(column(p.LocusMinAlleleSize), (std::vector<int>{0, 7, 100}));
    EXPECT_EQ(column(p.LocusMaxAlleleSize), (std::vector<int>{0, 9, 105}));
    EXPECT_EQ(column(p.LocusAllelicRange), (std::vector<int>{0, 2, 5}));
    EXPECT_EQ(column(p.LocusGWStat), (std::vector<double>{0.0, 2.0 / 3.0, 0.5}));
    EXPECT_EQ(column(p.LocusMeanAlleleSize), (std::vector<double>{0.0, 7.5, 101.75}));
    EXPECT_NEAR(p.LocusExpHet[2], 5.0 / 6.0, 1e-15);
    // Non-DNA data keep the means over all loci with a gene copy (locus 1
    // has none), range and G-W over the polymorphic ones.
    EXPECT_NEAR(p.MeanExpHet, (0.5 + 5.0 / 6.0) / 2, 1e-15);
    EXPECT_NEAR(p.MeanNumAlleles, 5.0 / 2, 1e-15);
    EXPECT_EQ(p.MeanAllelicRange, 3.5);
    EXPECT_NEAR(p.MeanGWStat, (2.0 / 3 + 0.5) / 2, 1e-15);
    EXPECT_THAT(out.str(), HasSubstr("\n     3         4         3   1.00000   0.83333         5     0.50000\n"));
}

TEST_F(LocusTablesTest, WhatIsPrinted)
{
    // One locus: no Mean and s.d. rows; the stored mean is the locus's.
    PopulMicrosat& one = genotypes<PopulMicrosat>(MICROSAT, ' ', {{"7", "9", 1}, {"7", "7", 1}});
    std::ostringstream out;
    one.OutputAllelelNumberAndHetPerLocusDipl(one.individuals, out, s, true, true, true);
    EXPECT_THAT(out.str(), HasSubstr("     1         4         2   0.50000   0.50000         2     0.66667\n"
                                     + std::string(69, '-') + "\n\n"));
    EXPECT_EQ(out.str().find("Mean"), std::string::npos);
    EXPECT_EQ(one.MeanExpHet, 0.5);
    EXPECT_EQ(one.MeanGWStatSD, 0.0);

    // One polymorphic locus among three (100 102 104 100: He = 4/3 (1 - 6/16),
    // range 4, G-W 3/5): its values in the Mean row, zeros in the s.d. row.
    PopulMicrosat& among = genotypes<PopulMicrosat>(
        MICROSAT, ' ', {{"100 7 102", "102 7 102", 1}, {"104 7 102", "100 7 102", 1}});
    std::ostringstream rows;
    among.OutputAllelelNumberAndHetPerLocusDipl(among.individuals, rows, s, true, true, true);
    EXPECT_THAT(rows.str(),
                HasSubstr("     1         4         3   1.00000   0.83333         4     0.60000\n"
                          + std::string(69, '-')
                          + "\n  Mean     4.000     3.000   1.00000   0.83333     4.000     0.60000\n"
                            "  s.d.     0.000     0.000   0.00000   0.00000     0.000     0.00000\n"));

    // Without the print flag nothing is written and the format stays.
    std::ostringstream silent;
    const auto flags = silent.flags();
    one.MeanExpHet = 0.0;
    one.OutputAllelelNumberAndHetPerLocusDipl(one.individuals, silent, s, false, false, false);
    EXPECT_EQ(silent.str(), "");
    EXPECT_EQ(silent.flags(), flags);
    EXPECT_EQ(one.MeanExpHet, 0.5);
    EXPECT_EQ(one.LocusAllelicRange.count, 0);

    // Frequency data: nothing.
    PopulStandard& freq = haplotypes<PopulStandard>(STANDARD, {{"1", 2}, {"2", 1}});
    ProfileSettings::DataType = FREQUENCY;
    std::ostringstream none;
    freq.OutputAllelelNumberAndHetPerLocusHapl(none, s, true, true, true);
    EXPECT_EQ(none.str(), "");
    EXPECT_EQ(freq.LocusExpHet.count, 0);
}

// The haplotypic table of microsatellites shows its range and G-W columns
// whatever the flags. Locus 1: 7 (2), 9 (0), 7 (1): the allele of count 0 is
// one of k = 2 alleles; locus 2: 100 (2), 104 (0), a missing copy.
TEST_F(LocusTablesTest, HaplotypicTable)
{
    PopulMicrosat& p = haplotypes<PopulMicrosat>(MICROSAT, {{"7 100", 2}, {"9 104", 0}, {"7 ?", 1}});
    std::ostringstream out;
    p.OutputAllelelNumberAndHetPerLocusHapl(out, s, false, false, false);
    const std::string rule(69, '-');
    EXPECT_EQ(out.str(),
              "\n\nResults are only shown for polymorphic loci\n" + rule + "\n"
              "           Num.\n"
              "           gene     Num.        Exp.   Allelic        G-W\n"
              "Locus#    copies   alleles       Het     range       stat.\n" + rule + "\n"
              "     1         3         2   0.00000         2     0.66667\n"
              "     2         2         2   0.00000         4     0.40000\n" + rule + "\n"
              "  Mean     2.500     2.000   0.00000     3.000     0.53333\n"
              "  s.d.     0.707     0.000   0.00000     1.414     0.18856\n" + rule + "\n\n");
    EXPECT_EQ(p.MeanGeneCopies, 2.5);
    EXPECT_NEAR(p.MeanGeneCopiesSD, std::sqrt(0.5), 1e-15);
    EXPECT_EQ(p.LocusObsHet.count, 0);
}

// Counts as wide as their column keep a blank before them. 2147482000
// copies of A B and 1000 of A C: 2147483000 gene copies at both loci, only
// locus 2 polymorphic, its He 2 q (1 - q) n/(n - 1) below 0.000005.
TEST_F(LocusTablesTest, WideCountsStayApart)
{
    PopulStandard& p =
        haplotypes<PopulStandard>(STANDARD, {{"A B", 2147482000}, {"A C", 1000}});
    std::ostringstream out;
    p.OutputAllelelNumberAndHetPerLocusHapl(out, s, false, false, false);
    const std::string rule(49, '-');
    EXPECT_THAT(out.str(), HasSubstr(rule + "\n"
                                     "     2 2147483000         2   0.00000\n" + rule + "\n"
                                     "  Mean 2147483000.000     2.000   0.00000\n"
                                     "  s.d.     0.000     0.000   0.00000\n" + rule + "\n"));
}

// Haplotypes 100 (3), 104 (1) and a missing copy: (300 + 104) / 4 = 101.
// Individuals 100/102 (count 1) and 110/110 (count 0.5): the second weighs
// 0.5 in the mean size, (202 + 110) / 3 = 104, and 0 in the counts.
TEST_F(LocusTablesTest, MeanAlleleSizes)
{
    PopulMicrosat& h = haplotypes<PopulMicrosat>(MICROSAT, {{"100", 3}, {"104", 1}, {"?", 1}});
    EXPECT_EQ(h.computeMeanAlleleSizes(), 1);
    EXPECT_EQ(column(h.LocusMeanAlleleSize), std::vector<double>{101.0});

    PopulMicrosat& g = genotypes<PopulMicrosat>(MICROSAT, ' ', {{"100", "102", 1}, {"110", "110", 0.5}});
    g.computeMeanAlleleSizes();
    EXPECT_EQ(column(g.LocusMeanAlleleSize), std::vector<double>{104.0});
    g.computeAlleFreqDipl(g.individuals, s);
    EXPECT_EQ(column(g.LocusGeneCopies), std::vector<int>{2});
    EXPECT_EQ(column(g.LocusNumAlleles), std::vector<int>{3});

    // Two samples whose means differ by 2 and 4: (delta mu)^2 = (4 + 16) / 2.
    PopulMicrosat& a = haplotypes<PopulMicrosat>(MICROSAT, {{"10 20", 1}});
    PopulMicrosat& b = haplotypes<PopulMicrosat>(MICROSAT, {{"12 24", 1}});
    a.computeMeanAlleleSizes();
    b.computeMeanAlleleSizes();
    double sum = 0.0;
    for (int l = 0; l < 2; ++l)
        sum += std::pow(a.LocusMeanAlleleSize[l] - b.LocusMeanAlleleSize[l], 2);
    EXPECT_EQ(sum / 2, 10.0);
}

}  // namespace
