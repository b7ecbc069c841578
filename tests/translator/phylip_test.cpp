// The Phylip reader and writer: a Phylip file becomes one sample of
// haplotypes, a project becomes one list of 10-character named sequences.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translator/translator_fixture.h"

using ::testing::HasSubstr;

namespace {

std::string profile(const char* separator, int n)
{
    return std::string("[Profile]\n"
                       "\t Title=\"File translated from  PHYLIP\"\n"
                       "\t NbSamples=1\n"
                       "\t GenotypicData=0\n"
                       "\t MissingData=\"?\"\n"
                       "\t DataType=STANDARD\n"
                       "\t LocusSeparator=")
           + separator + "\n\n[Data]\n\t [[Samples]]\n\t\t SampleName= \"Population1\"\n"
           + "\t\t SampleSize= " + std::to_string(n) + "\n\t\t SampleData={\n";
}

const char* const THREE = "3 8\n"
                          "alpha     ACGTACGT\n"
                          "beta      ACGTACGA\n"
                          "gamma     ACCTACGA\n";

TEST_F(TranslatorTest, PhylipLinesOfNamePlusLCharactersGiveOneCharacterPerLocus)
{
    EXPECT_EQ(read_alone(&imp_exp::read_phylip, "in.phy", THREE),
              profile("NONE", 3)
                  + "alpha      1 ACGTACGT\n"
                    "beta       1 ACGTACGA\n"
                    "gamma      1 ACCTACGA\n"
                    "}\n");
    EXPECT_EQ(status, 1);
}

TEST_F(TranslatorTest, PhylipReaderTakesHeaderAndRecordsAsTheyStand)
{
    struct Case {
        const char* name;
        const char* source;
        const char* separator;
        int n;
        const char* records;
    };
    const std::vector<Case> cases = {
        {"blank-separated groups", "2 10\nseq1      ACGTA CGTAC\nseq2      ACGTA CGTAA\n",
         "WHITESPACE", 2, "seq1       1 ACGTA CGTAC\nseq2       1 ACGTA CGTAA\n"},
        {"empty lines before the header, one after it", "\n\n 2\t4 extra\n\nab        ACGT\n",
         "WHITESPACE", 2, " 1 \nab         1 ACGT\n"},
        {"header counts more sequences than there are",
         "10 8\nalpha     ACGTACGT\nbeta      ACGTACGA\n", "NONE", 10,
         "alpha      1 ACGTACGT\nbeta       1 ACGTACGA\n"},
        {"short lines are all name", "2 4\nalpha     ACGT\nbeta\n", "NONE", 2,
         "alpha      1 ACGT\nbeta 1 \n"},
        // Each line stays its own record: the long one does not swallow the next.
        {"a line longer than the header says",
         "3 4\nalpha     ACGT\nbeta      ACGTAC\ngamma     ACGA\n", "NONE", 3,
         "alpha      1 ACGT\n"
         "# The next sequence has 6 characters, the header says 4\n"
         "beta       1 ACGTAC\ngamma      1 ACGA\n"},
        {"no data lines", "0 0\n", "WHITESPACE", 0, ""},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read_alone(&imp_exp::read_phylip, "in.phy", c.source),
                  profile(c.separator, c.n) + c.records + "}\n");
    }
}

TEST_F(TranslatorTest, PhylipReaderDropsCarriageReturnsAndReadsLongLinesWhole)
{
    std::string dos = THREE;
    for (std::size_t at = dos.find('\n'); at != std::string::npos; at = dos.find('\n', at + 2))
        dos.insert(at, "\r");
    EXPECT_EQ(read_alone(&imp_exp::read_phylip, "in.phy", dos),
              read_alone(&imp_exp::read_phylip, "in.phy", THREE));

    std::string bases(20000, 'A');
    bases[19999] = 'C';
    std::string text = read_alone(&imp_exp::read_phylip, "in.phy",
                                  "2 20000\nlong1     " + bases + "\nlong2     " + bases + "\n");
    EXPECT_THAT(text, HasSubstr("NONE\n"));
    EXPECT_THAT(text, HasSubstr("long1      1 " + bases + "\nlong2      1 " + bases + "\n}\n"));
}

std::string haplotypic_project(std::string const& samples, int count)
{
    return "[Profile]\n  Title=\"Haplotypes\"  NbSamples=" + std::to_string(count)
           + "  GenotypicData=0\n  DataType=DNA  LocusSeparator=NONE\n[Data]\n[[Samples]]\n"
           + samples;
}

std::string sample(const char* name, std::string const& records)
{
    return std::string("  SampleName=\"") + name + "\"  SampleSize=1\n  SampleData={\n" + records
           + "  }\n";
}

TEST_F(TranslatorTest, PhylipWriterNamesEveryCopyInTenCharacters)
{
    std::string text = export_text(FORMAT_PHYLIP,
                                   haplotypic_project(sample("s", "ABCDEFGHIJ 12 ACGT\n"), 1));
    EXPECT_EQ(status, 1);
    std::string expected = "12     4\n";
    for (int k = 0; k < 10; ++k)
        expected += "ABCDEF" + std::to_string(k) + "   ACGT\n";
    expected += "ABCDEF10  ACGT\nABCDEF11  ACGT\n";
    EXPECT_EQ(text, expected);
}

TEST_F(TranslatorTest, PhylipWriterMergesSamplesWithLabelsUniqueInTheFile)
{
    std::string samples = sample("s1", "H1 2 ACGT\nHaplotype1 1 ACGA\n")
                          + sample("s2", "H1 3 ACGT\nHaplotype2 1 ACCA\n");
    EXPECT_EQ(export_text(FORMAT_PHYLIP, haplotypic_project(samples, 2)),
              "  As it is not possible to convert files containing more than one population\n"
              "  into PHYLIP format, original population samples have been merged into \n"
              "  a single population.\n"
              "7     4\n"
              "H10       ACGT\n"
              "H11       ACGT\n"
              "Haplot0   ACGA\n"
              "H12       ACGT\n"
              "H13       ACGT\n"
              "H14       ACGT\n"
              // Cut to the same stem as Haplotype1, hence the suffix.
              "Haplot0_1 ACCA\n");
}

TEST_F(TranslatorTest, PhylipWriterGivesTwoSequencesPerIndividual)
{
    std::string project_text =
        "[Profile]\n  Title=\"Genotypes\"  NbSamples=2  GenotypicData=1\n"
        "  DataType=DNA  LocusSeparator=NONE\n[Data]\n[[Samples]]\n"
        "  SampleName=\"s1\"  SampleSize=2\n  SampleData={\n    Ind1 1 ACGT\n           ACGA\n  }\n"
        "  SampleName=\"s2\"  SampleSize=4\n  SampleData={\n    Ind1 1.95 ACCT\n           ACGT\n"
        "    Ind2 0.85 AAAA\n           CCCC\n  }\n";
    EXPECT_EQ(export_text(FORMAT_PHYLIP, project_text),
              "  As it is not possible to convert files containing more than one population\n"
              "  into PHYLIP format, original population samples have been merged into \n"
              "  a single population.\n"
              "  The original data was of genotypic type and PHYLIP accepts only\n"
              "  haplotypic data. We have therefore made two dummy haplotypes with each\n"
              "  genotype.\n"
              "6     4\n"
              "Ind100    ACGT\n"
              "Ind101    ACGA\n"
              "Ind110    ACCT\n"
              "Ind111    ACGT\n"
              "Ind120    ACCT\n"
              "Ind121    ACGT\n");
}

} // namespace
