// The Phylip reader and writer: a Phylip file becomes one sample of
// haplotypes, a project becomes one list of 10-character named sequences.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translator/translator_fixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

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
        // Names padded to fewer than 10 columns, each ending at its first blank.
        {"names up to the first blank", "2 4\nab  ACGT\nabc ACGA\n", "NONE", 2,
         "ab 1 ACGT\nabc 1 ACGA\n"},
        {"names up to the first blank, blank-separated groups",
         "2 8\nab  ACGT ACGT\nabc\tACGA ACGA\n", "WHITESPACE", 2,
         "ab 1 ACGT ACGT\nabc 1 ACGA ACGA\n"},
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

TEST_F(TranslatorTest, PhylipRowsWhoseSequenceIsNotTheHeadersLengthAreNamedInTheLog)
{
    struct Case {
        const char* name;
        std::string source;
        std::string logged;  // between the reading line and its "done."
    };
    std::string many = "25 4\n";
    for (int k = 0; k < 25; ++k)
        many += "s" + std::to_string(k) + "        ACG\n";
    const std::string hint =
        "\n\t\tA sequence's name takes columns 1 to 10 of its line, the sequence the rest\n";
    const std::vector<Case> cases = {
        {"names in 8 columns", "2 12\nNo305   ACGTACGTACGT\nNo304   ACGTACGTACGA\n",
         "\n\t\tThe names end at the first blank of each line, not at column 10: so every "
         "sequence has the header's 12 characters\n"},
        // Names that end at the first blank do not mend the short sequence.
        {"names in 8 columns, one sequence short", "2 12\nNo305   ACGTACGTACGT\nNo304   ACGTACGTACG\n",
         "\n\t\tWARNING: line 2 of the Phylip file, sequence \"No305   AC\": 10 characters, the "
         "header says 12"
         "\n\t\tWARNING: line 3 of the Phylip file, sequence \"No304   AC\": 9 characters, the "
         "header says 12" + hint},
        {"blank-separated groups of the header's length",
         "2 10\nseq1      ACGTA CGTAC\nseq2      ACGTA CGTAA\n", ""},
        {"one long and one short row after an empty line",
         "\n3 4\nalpha     ACGT\nbeta      ACGTAC\ngamma\n",
         "\n\t\tWARNING: line 4 of the Phylip file, sequence \"beta\": 6 characters, the header "
         "says 4"
         "\n\t\tWARNING: line 5 of the Phylip file, sequence \"gamma\": 0 characters, the header "
         "says 4" + hint},
        {"more rows than are named", many, "\n\t\t5 more such lines" + hint},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        take_log();
        std::string text = import_text(FORMAT_PHYLIP, "in.phy", c.source);
        EXPECT_EQ(status, 1);
        std::string log = take_log();
        std::string reading = "\tReading  " + (dir / "in.phy").string() + " ...";
        ASSERT_THAT(log, HasSubstr(reading));
        std::string logged = log.substr(log.find(reading) + reading.size());
        if (c.logged.find("more such") != std::string::npos) {
            EXPECT_EQ(count_of(logged, "WARNING"), 20);
            EXPECT_THAT(logged,
                        HasSubstr("sequence \"s19\": 3 characters, the header says 4\n\t\t5 more"));
            EXPECT_THAT(logged, HasSubstr(c.logged + "\tdone.\n"));
        } else {
            EXPECT_EQ(logged, c.logged + "\tdone.\n");
        }
    }
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

TEST_F(TranslatorTest, PhylipWriterRefusesAllelesOfMoreThanOneCharacter)
{
    const char* const refusal = "  Impossible to write this data into PHYLIP format, because each\n"
                                "  character is supposed to be a single allele.\n";
    struct Case {
        const char* name;
        int genotypic;
        const char* separator;
        const char* records;
        const char* written;  // the file, or the refusal when null
    };
    const std::vector<Case> cases = {
        {"STANDARD genotypes of two-digit codes", 1, "WHITESPACE",
         "i1 1 10 2 3\n   11 2 3\n", nullptr},
        {"a longer code at the last locus", 0, "WHITESPACE", "h1 1 1 0 1\nh2 1 1 0 12\n",
         nullptr},
        {"codes between another separator", 0, "';'", "h1 1 1;22;1\n", nullptr},
        // One character per allele: the separating blanks are passed over by a reader.
        {"one-character alleles between blanks", 0, "WHITESPACE", "h1 2 1 0 1\n",
         "2     3\nh10       1 0 1\nh11       1 0 1\n"},
        {"one-character genotypes without separator", 1, "NONE", "i1 1 ACGT\n   ACGA\n",
         "2     4\ni100      ACGT\ni101      ACGA\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        take_log();
        std::string project_text =
            std::string("[Profile]\n  Title=\"Codes\"  NbSamples=1  GenotypicData=")
            + std::to_string(c.genotypic) + "\n  DataType=STANDARD\n  LocusSeparator="
            + c.separator + "\n[Data]\n[[Samples]]\n" + sample("s", c.records);
        ::testing::internal::CaptureStdout();
        std::string text = export_text(FORMAT_PHYLIP, project_text);
        std::string console = ::testing::internal::GetCapturedStdout();
        std::string log = take_log();
        if (c.written != nullptr) {
            EXPECT_EQ(text, c.written);
            EXPECT_EQ(status, 1);
            continue;
        }
        EXPECT_EQ(text, refusal);
        EXPECT_EQ(status, WRITER_REFUSED);
        EXPECT_THAT(log, HasSubstr("\t\tImpossible to write this data into PHYLIP format, because "
                                   "each character is supposed to be a single allele.\n"));
        EXPECT_THAT(log, Not(HasSubstr("done.")));
        EXPECT_EQ(console, "") << "no note on data that are not written";
    }
}

const char* const MERGED_NOTE =
    "  As it is not possible to convert files containing more than one population\n"
    "  into PHYLIP format, original population samples have been merged into \n"
    "  a single population.\n";
const char* const GENOTYPES_NOTE =
    "  The original data was of genotypic type and PHYLIP accepts only\n"
    "  haplotypic data. We have therefore made two dummy haplotypes with each\n"
    "  genotype.\n";

// A Phylip file opens with its header; the notes go to the console and the log.
class PhylipNotesTest : public TranslatorTest {
protected:
    std::string console;

    std::string export_with_notes(std::string const& project_text)
    {
        ::testing::internal::CaptureStdout();
        std::string text = export_text(FORMAT_PHYLIP, project_text);
        console = ::testing::internal::GetCapturedStdout();
        return text;
    }
};

TEST_F(PhylipNotesTest, MergedSamplesGetLabelsUniqueInTheFile)
{
    std::string samples = sample("s1", "H1 2 ACGT\nHaplotype1 1 ACGA\n")
                          + sample("s2", "H1 3 ACGT\nHaplotype2 1 ACCA\n");
    EXPECT_EQ(export_with_notes(haplotypic_project(samples, 2)),
              "7     4\n"
              "H10       ACGT\n"
              "H11       ACGT\n"
              "Haplot0   ACGA\n"
              "H12       ACGT\n"
              "H13       ACGT\n"
              "H14       ACGT\n"
              // Cut to the same stem as Haplotype1, hence the suffix.
              "Haplot0_1 ACCA\n");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(console, MERGED_NOTE);
    EXPECT_THAT(take_log(),
                HasSubstr("\t\tAs it is not possible to convert files containing more than one "
                          "population into PHYLIP format, original population samples have been "
                          "merged into a single population.\n    Writing  "));
}

TEST_F(PhylipNotesTest, IndividualsGiveTwoSequencesEach)
{
    std::string project_text =
        "[Profile]\n  Title=\"Genotypes\"  NbSamples=2  GenotypicData=1\n"
        "  DataType=DNA  LocusSeparator=NONE\n[Data]\n[[Samples]]\n"
        "  SampleName=\"s1\"  SampleSize=2\n  SampleData={\n    Ind1 1 ACGT\n           ACGA\n  }\n"
        "  SampleName=\"s2\"  SampleSize=4\n  SampleData={\n    Ind1 1.95 ACCT\n           ACGT\n"
        "    Ind2 0.85 AAAA\n           CCCC\n  }\n";
    EXPECT_EQ(export_with_notes(project_text),
              "6     4\n"
              "Ind100    ACGT\n"
              "Ind101    ACGA\n"
              "Ind110    ACCT\n"
              "Ind111    ACGT\n"
              "Ind120    ACCT\n"
              "Ind121    ACGT\n");
    EXPECT_EQ(console, std::string(MERGED_NOTE) + GENOTYPES_NOTE);
    EXPECT_THAT(take_log(), HasSubstr("\t\tThe original data was of genotypic type and PHYLIP "
                                      "accepts only haplotypic data. We have therefore made two "
                                      "dummy haplotypes with each genotype.\n"));
}

} // namespace
