// Individuals and their genotypes: enumeration of phases, the expectation
// step, equality, restriction and the genotype printout.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "individuals_fixture.h"
#include "model/genotype.h"
#include "model/phenotype.h"

namespace {

using GenotypeTest = IndividualsTest;

// The genotypes of p as pairs of allele texts, in list order.
std::vector<std::pair<std::string, std::string>> pairs(TPhenotype const& p)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < p.genotypes.count; i++)
        out.emplace_back(text(*p.genotypes[i]->hapl1),
                         text(*p.genotypes[i]->hapl2));
    return out;
}

}  // namespace

TEST_F(GenotypeTest, EnumerationWithoutRecessiveAlleles)
{
    struct Case {
        const char* copy1;
        const char* copy2;
        int hetero;
        int homozygous;
        std::vector<std::pair<std::string, std::string>> genotypes;
    };
    const Case cases[] = {
        {"AAA", "AAA", 0, 1, {{"AAA", "AAA"}}},
        {"ABA", "AAA", 1, 0, {{"ABA", "AAA"}}},
        // Three heterozygous loci: the first is never exchanged, the other two
        // follow the counter, lowest digit first.
        {"AAA", "BBB", 3, 0, {{"AAA", "BBB"}, {"ABA", "BAB"}, {"AAB", "BBA"}, {"ABB", "BAA"}}},
        {"CAAC", "CBBC", 2, 0, {{"CAAC", "CBBC"}, {"CABC", "CBAC"}}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.copy1) + "/" + c.copy2);
        std::unique_ptr<TPhenotype> p(individual(c.copy1, c.copy2));
        TPopHaploDB table;
        p->build_genotypes(table, &db, 0, false);
        EXPECT_EQ(p->num_hetero_loci, c.hetero);
        EXPECT_EQ(p->homozygous, c.homozygous);
        EXPECT_EQ(p->num_genotypes, static_cast<int>(c.genotypes.size()));
        EXPECT_EQ(pairs(*p), c.genotypes);
        // Each haplotype entered with weight 1: two gene copies per genotype.
        double total = 0;
        for (int i = 0; i < table.haplotypes.count; i++)
            total += table.haplotypes[i]->freq;
        EXPECT_DOUBLE_EQ(total, 2.0 * p->num_genotypes);
        // The genotypes point into the table.
        for (int i = 0; i < p->genotypes.count; i++)
            EXPECT_EQ(table.find(*p->genotypes[i]->hapl1), p->genotypes[i]->hapl1);
    }
}

TEST_F(GenotypeTest, ApparentHomozygotesWithRecessiveDataMayHideTheRecessiveAllele)
{
    std::unique_ptr<TPhenotype> p(individual("ab", "ab"));
    TPopHaploDB table;
    p->build_genotypes(table, &db, 1, false);
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(pairs(*p), (std::vector<P>{{"ab", "ab"}, {"ab", "rb"}, {"ab", "ar"}, {"ab", "rr"}}));
    EXPECT_EQ(p->homozygous, 0);
    EXPECT_EQ(p->num_hetero_loci, 0);
    for (int i = 0; i < table.haplotypes.count; i++) {
        TPopHaplotype const* h = table.haplotypes[i];
        EXPECT_EQ(h->fixed, text(*h).find('r') != std::string::npos ? 1 : 0) << text(*h);
    }

    // The same-haplotype genotype gets f^2, the others 2 f1 f2.
    for (int i = 0; i < table.haplotypes.count; i++)
        table.haplotypes[i]->freq = 0.25;
    p->update_gen_prob();
    EXPECT_DOUBLE_EQ(p->genotypes[0]->prob, 0.0625);
    EXPECT_DOUBLE_EQ(p->genotypes[1]->prob, 0.125);
    EXPECT_DOUBLE_EQ(p->prob, 0.0625 + 3 * 0.125);

    // A heterozygous locus is exchanged too; the pair that repeats an
    // earlier one in the other order is not listed again.
    std::unique_ptr<TPhenotype> q(individual("ab", "cb"));
    TPopHaploDB table2;
    q->build_genotypes(table2, &db, 1, false);
    EXPECT_EQ(pairs(*q), (std::vector<P>{{"ab", "cb"}, {"ab", "cr"}, {"cb", "ar"}}));
    EXPECT_EQ(q->num_genotypes, 3);
}

TEST_F(GenotypeTest, SecondEnumerationAddsNothing)
{
    std::unique_ptr<TPhenotype> p(individual("AAA", "BBB"));
    TPopHaploDB table;
    p->build_genotypes(table, &db, 0, false);
    p->build_genotypes(table, &db, 0, false);
    EXPECT_EQ(p->genotypes.count, 4);
    EXPECT_EQ(p->num_genotypes, 0);
    EXPECT_EQ(table.haplotypes.count, 8);
    EXPECT_DOUBLE_EQ(table.haplotypes[0]->freq, 2.0);
}

TEST_F(GenotypeTest, TooManyLociForTheGenotypeCountAreRefused)
{
    struct Case {
        std::string copy1, copy2;
        int recessive;
    };
    const Case cases[] = {
        {std::string(32, 'A'), std::string(32, 'B'), 0},        // 2^31 phases
        {std::string(32, 'A'), std::string(32, 'B'), 1},        // all heterozygous: the same count
        {"C" + std::string(30, 'A'), "C" + std::string(30, 'B'), 1},  // 2^31 combinations
    };
    int refused = 0;
    for (Case const& c : cases) {
        std::unique_ptr<TPhenotype> p(individual(c.copy1, c.copy2));
        TPopHaploDB table;
        p->build_genotypes(table, &db, c.recessive, false);
        EXPECT_EQ(p->genotypes.count, 0);
        EXPECT_EQ(table.haplotypes.count, 0);
        EXPECT_EQ(reports("\"TPhenotype::build_genotypes()\" : too many heterozygous loci"), ++refused);
    }
}

TEST(BinaryIncTest, CountsLowestDigitFirst)
{
    struct Case {
        std::vector<int> before;
        int n;
        std::vector<int> after;
    };
    const Case cases[] = {
        {{0, 0, 0}, 2, {1, 0, 0}},
        {{1, 0, 0}, 2, {0, 1, 0}},
        {{1, 1, 0}, 2, {0, 0, 1}},
        {{1, 1, 1}, 2, {0, 0, 1}},
        {{0}, 0, {1}},
        {{1}, 0, {1}},
    };
    for (Case const& c : cases) {
        std::vector<int> bits = c.before;
        TPhenotype::binary_inc(bits.data(), c.n);
        EXPECT_EQ(bits, c.after);
    }
}

TEST_F(GenotypeTest, EqualityIgnoresThePhase)
{
    std::unique_ptr<TPhenotype> ab(individual("AB", "BA"));
    std::unique_ptr<TPhenotype> ba(individual("BA", "AB"));
    std::unique_ptr<TPhenotype> mixed(individual("AA", "BB"));
    std::unique_ptr<TPhenotype> ac(individual("AB", "CA"));
    EXPECT_TRUE(*ab == *ba);
    EXPECT_TRUE(*ab == *mixed);  // locus by locus {A,B} and {B,A}
    EXPECT_FALSE(*ab == *ac);

    TPhenotype none1(my_string("x"), 2.0), none2(my_string("y"), 2.0), none3(my_string("z"), 1.0);
    EXPECT_TRUE(none1 == none2);
    EXPECT_FALSE(none1 == none3);
}

TEST_F(GenotypeTest, ExpectationStep)
{
    // Homozygous: one genotype, f^2, the whole individual.
    std::unique_ptr<TPhenotype> hom(individual("AB", "AB"));
    TPopHaploDB table;
    hom->build_genotypes(table, &db, 0, false);
    table.haplotypes[0]->freq = 0.3;
    hom->update_gen_prob();
    EXPECT_DOUBLE_EQ(hom->prob, 0.09);
    EXPECT_DOUBLE_EQ(hom->genotypes[0]->rel_prob, 1.0);

    // Two phases: 2 f1 f2 each, shares summing to 1.
    std::unique_ptr<TPhenotype> het(individual("AB", "CD"));
    het->build_genotypes(table, &db, 0, false);
    ASSERT_EQ(het->genotypes.count, 2);
    het->genotypes[0]->hapl1->freq = 0.1;  // AB
    het->genotypes[0]->hapl2->freq = 0.2;  // CD
    het->genotypes[1]->hapl1->freq = 0.3;  // AD
    het->genotypes[1]->hapl2->freq = 0.4;  // CB
    het->update_gen_prob();
    EXPECT_DOUBLE_EQ(het->genotypes[0]->prob, 0.04);
    EXPECT_DOUBLE_EQ(het->genotypes[1]->prob, 0.24);
    EXPECT_DOUBLE_EQ(het->prob, 0.28);
    EXPECT_DOUBLE_EQ(het->genotypes[0]->rel_prob + het->genotypes[1]->rel_prob, 1.0);

    // Frequencies of zero leave the shares as they were.
    for (int i = 0; i < table.haplotypes.count; i++)
        table.haplotypes[i]->freq = 0;
    double share = het->genotypes[1]->rel_prob;
    het->update_gen_prob();
    EXPECT_EQ(het->prob, 0);
    EXPECT_DOUBLE_EQ(het->genotypes[1]->rel_prob, share);
}

TEST_F(GenotypeTest, ProbabilityUnderLinkageEquilibrium)
{
    std::unique_ptr<TPhenotype> p(individual("AB", "AC"));
    allele(0, 'A')->count = 0.5;
    allele(1, 'B')->count = 0.2;
    allele(1, 'C')->count = 0.3;
    EXPECT_DOUBLE_EQ(p->link_equil_pheno_prob(), 0.5 * 0.5 * 2 * 0.2 * 0.3);

    // An unselected first-copy allele adds no factor but keeps the doubling.
    allele(1, 'B')->mark = 0;
    EXPECT_DOUBLE_EQ(p->link_equil_pheno_prob(), 0.5 * 0.5 * 2);
    EXPECT_EQ(reports("attempt to do computation on non-selected alleles"), 1);

    TPhenotype empty;
    EXPECT_DOUBLE_EQ(empty.link_equil_pheno_prob(), 1.0);
}

TEST_F(GenotypeTest, CopiesShareTableHaplotypesButNotGeneCopies)
{
    std::unique_ptr<TPhenotype> p(individual("AAA", "BBB", 3, "x"));
    p->gene_copy[0] = "AAA";
    TPopHaploDB table;
    p->build_genotypes(table, &db, 0, false);
    p->redundant = 1;

    TPhenotype copy(*p);
    EXPECT_STREQ(copy.name.str, "x");
    EXPECT_EQ(copy.count, 3);
    EXPECT_STREQ(copy.gene_copy[0].str, "AAA");
    EXPECT_EQ(copy.num_hetero_loci, 3);
    EXPECT_EQ(copy.redundant, 1);
    ASSERT_EQ(copy.genotypes.count, 4);
    EXPECT_NE(copy.genotypes[0], p->genotypes[0]);
    EXPECT_EQ(copy.genotypes[3]->hapl2, p->genotypes[3]->hapl2);
    EXPECT_NE(copy.pseudo_hapl[0], p->pseudo_hapl[0]);
    EXPECT_TRUE(*copy.pseudo_hapl[0] == *p->pseudo_hapl[0]);

    // Assignment replaces whatever the individual held.
    std::unique_ptr<TPhenotype> other(individual("C", "C"));
    *other = *p;
    EXPECT_EQ(other->genotypes.count, 4);
    EXPECT_EQ(text(*other->pseudo_hapl[1]), "BBB");

    copy.delete_pheno();
    EXPECT_STREQ(copy.name.str, "");
    EXPECT_EQ(copy.genotypes.count, 0);
    EXPECT_EQ(copy.pseudo_hapl[0]->alleles.count, 0);
}

TEST_F(GenotypeTest, RestrictionToSomeLoci)
{
    std::unique_ptr<TPhenotype> p(individual("ABC", "DEF", 2, "x"));
    TPopHaploDB table;
    p->build_genotypes(table, &db, 0, false);
    p->rel_freq = 0.4;

    const int loci[] = {2, 2, 0};
    TPhenotype r;
    r.copy_restricted_pheno(loci, *p);
    EXPECT_EQ(text(*r.pseudo_hapl[0]), "CA");
    EXPECT_EQ(text(*r.pseudo_hapl[1]), "FD");
    EXPECT_STREQ(r.name.str, "x");
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.rel_freq, 0.4);
    EXPECT_EQ(r.num_hetero_loci, 3);
    EXPECT_EQ(r.num_genotypes, 0);
    EXPECT_EQ(r.genotypes.count, 0);

    const int mask[] = {1, 0, 1};
    TPhenotype s;
    s.build_sub_phenotype(mask, *p);
    EXPECT_EQ(text(*s.pseudo_hapl[0]), "AC");
    EXPECT_EQ(text(*s.pseudo_hapl[1]), "DF");
    EXPECT_EQ(s.num_hetero_loci, 0);
    EXPECT_EQ(s.genotypes.count, 0);
}

TEST_F(GenotypeTest, ExpectedGenotypeFrequenciesAreSortedAndFiltered)
{
    std::unique_ptr<TPhenotype> p(individual("AAA", "BBB", 2, "ind7"));
    TPopHaploDB table;
    p->build_genotypes(table, &db, 0, false);
    // Genotype shares 0.1, 0.2, 0.3, 0.4 in enumeration order.
    const double f[] = {0.1, 0.2, 0.3, 0.4};
    for (int i = 0; i < 4; i++) {
        p->genotypes[i]->hapl1->freq = f[i];
        p->genotypes[i]->hapl2->freq = 1.0;
    }
    std::ostringstream os;
    p->printGenotypeFreqs(os, 2, 0.2);
    EXPECT_DOUBLE_EQ(p->prob, 2.0);
    for (int i = 0; i < 3; i++)
        EXPECT_GT(p->genotypes[i]->prob, p->genotypes[i + 1]->prob);

    std::string out = os.str();
    EXPECT_NE(out.find("Phenotype #    3\n"), std::string::npos);
    EXPECT_NE(out.find("  ind7\t      2\t          2.000000\n\n"), std::string::npos);
    // Shares 0.4 and 0.3 are printed as ranks 1 and 2; 0.2 equals the
    // minimum and 0.1 is below it.
    EXPECT_NE(out.find("    1\t    0.400000\t    0.800000\t"), std::string::npos);
    EXPECT_NE(out.find("    2\t    0.300000\t"), std::string::npos);
    EXPECT_EQ(out.find("    3\t"), std::string::npos);

    TPhenotype none;
    std::ostringstream empty;
    none.printGenotypeFreqs(empty, 0, 0.0);
    EXPECT_EQ(empty.str(), "\nGenotypes are undefined for this phenotype...\n");
}

TEST_F(GenotypeTest, PrintedIndividualAlignsItsGeneCopies)
{
    std::unique_ptr<TPhenotype> p(individual("AB", "CD", 2, "ind1"));
    std::ostringstream os;
    os << *p;
    EXPECT_EQ(os.str(), "           ind1        2.000 A B \n" + std::string(29, ' ') + "C D \n");
}
