// The Mega reader and writer: a Mega sequence or distance file becomes one
// sample (and a distance matrix), a project becomes one list of taxa.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translator/translator_fixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const HEAD = "#mega\nTITLE: Example\n";

class MegaTest : public TranslatorTest {
protected:
    // The reader on a Mega file of the usual first two lines and `body`.
    std::string read_mega(std::string const& body)
    {
        return read_alone(&imp_exp::read_mega, "in.meg", HEAD + body);
    }
};

// What the reader writes up to the sample's records.
std::string profile(const char* data_type, std::string const& preamble)
{
    return std::string("# A data file tranlated from #mega\n"
                       "[Profile]\n"
                       "\t Title= \"Example\"\n")
           + preamble + "\t NbSamples=1\n\t GenotypicData=0\n\t DataType=" + data_type
           + "\n\t MissingData=\"?\"\n\t LocusSeparator=NONE\n\n[Data]\n";
}

std::string sample(const char* name, int size, std::string const& records)
{
    return std::string("\t [[Samples]]\n\t\t SampleName=\"") + name + "\"\n\t\t SampleSize="
           + std::to_string(size) + "\n\t\t SampleData={\n" + records + "       }\n\n";
}

TEST_F(MegaTest, MegaSequencesBecomeOneSampleWhateverTheLayout)
{
    struct Case {
        const char* name;
        const char* body;
        const char* records;  // as the sample lists them
        const char* data_type = "STANDARD";
    };
    const std::vector<Case> cases = {
        {"interleaved", "#A ACGT\n#B ACCT\n\n#A TTGG\n#B TTGA\n", "A 1 ACGTTTGG\nB 1 ACCTTTGA\n"},
        {"sequential", "#A\nACGT\n  ACGT\n#B\nAAAA\n", "A 1 ACGTACGT\nB 1 AAAA\n"},
        {"closed comment", "#A AC\"x y\"GT\n", "A 1 ACGT\n"},
        {"comment left open", "#A AC\"xy\n", "A 1 AC\n"},
        {"two comments in a row", "#A A\"1\"\"2\"C\n", "A 1 AC\n"},
        {"blank inside the data", "#A ACGT ACGT\n", "A 1 ACGT ACGT\n"},
        // No data at all, as in a distance file.
        {"tab inside a name", "#A\tACGT\n", "A\tACGT 1 \n", "FREQUENCY"},
        {"names are case-sensitive", "#a AC\n#A GT\n", "a 1 AC\nA 1 GT\n"},
        {"three empty lines and the end", "#A ACGT\n\n\n\n", "A 1 ACGT\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        int taxa = count_of(c.records, " 1 ");
        EXPECT_EQ(read_mega(c.body),
                  profile(c.data_type, "") + sample("Population1", taxa, c.records));
        EXPECT_EQ(status, 1);
    }
}

TEST_F(MegaTest, MegaPreambleBecomesCommentsAndTheEndLineTheSampleName)
{
    std::string text = read_mega("\n!Format DataType=DNA;\n   \n#A ACGT\n\nend of taxa\n");
    EXPECT_EQ(text, profile("STANDARD", "#!Format DataType=DNA;\n#   \n")
                        + sample("end of taxa", 1, "A 1 ACGT\n"));
    // The title is the line without "TITLE:" (in any case) and the blanks
    // around it; a line without "TITLE:" is the title whole. Double quotes
    // would end the quoted title early.
    struct TitleCase {
        const char* line;
        const char* title;
    };
    const TitleCase titles[] = {
        {"TITLE: \"Big\" one", "Big one"}, {"title:\tTwo  words \t", "Two  words"},
        {"TITLE:", ""},                      {"TITLE:   ", ""},
        {"Primates", "Primates"},            {"", ""},
    };
    for (TitleCase const& c : titles) {
        SCOPED_TRACE(c.line);
        EXPECT_THAT(read_alone(&imp_exp::read_mega, "in.meg",
                               std::string("#mega\n") + c.line + "\n#A AC\n"),
                    HasSubstr(std::string("\t Title= \"") + c.title + "\"\n"));
    }
}

TEST_F(MegaTest, MegaDistanceFileBecomesAMatrixBeforeTheSample)
{
    std::string matrix_head = "\t\t[[DistanceMatrix]] \n"
                              "\t\t     MatrixName=\"Generic Distmat\"\n"
                              "\t\t     MatrixSize=3\n"
                              "\t\t     LabelPosition=LINE \n"
                              "\t\t     MatrixData={ \n"
                              "A B C \n"
                              "0.0\n";
    // Taxa without sequences are haplotype frequencies, which need no data.
    EXPECT_EQ(read_mega("#A\n#B\n#C\n\n\n0.1\n0.2 0.3\n"),
              profile("FREQUENCY", "") + matrix_head + "0.1 0.0\n0.2 0.3 0.0\n}\n\n"
                  + sample("Population1", 3, "A 1 \nB 1 \nC 1 \n"));
    // With one empty line only, the first row ends the taxa as the sample's name.
    EXPECT_EQ(read_mega("#A\n#B\n#C\n\n0.1\n0.2 0.3\n"),
              profile("FREQUENCY", "") + matrix_head + "0.2 0.3 0.0\n}\n\n"
                  + sample("0.1", 3, "A 1 \nB 1 \nC 1 \n"));
    // Rows end only at the end of the file: an empty line is a row.
    EXPECT_THAT(read_mega("#A\n#B\n\n\n0.1\n\n"),
                HasSubstr("0.0\n0.1 0.0\n 0.0\n}\n"));
}

TEST_F(MegaTest, MegaReaderDropsCarriageReturnsAndReadsLongLinesWhole)
{
    std::string body = "#A ACGT\n#B ACCT\n\n#A TTGG\n#B TTGA\n";
    std::string dos = HEAD + body;
    for (std::size_t at = dos.find('\n'); at != std::string::npos; at = dos.find('\n', at + 2))
        dos.insert(at, "\r");
    EXPECT_EQ(read_alone(&imp_exp::read_mega, "in.meg", dos), read_mega(body));

    // On line 3 as well as later.
    std::string bases(20000, 'G');
    EXPECT_THAT(read_mega("#long " + bases + "\n#other " + bases + "\n"),
                HasSubstr("\t\t SampleSize=2\n\t\t SampleData={\nlong 1 " + bases + "\nother 1 "
                          + bases + "\n"));
}

std::string project_text(int genotypic, const char* separator, std::string const& samples,
                         int count, std::string const& matrix = "")
{
    return "[Profile]\n  Title=\"Example\"  NbSamples=" + std::to_string(count)
           + "  GenotypicData=" + std::to_string(genotypic)
           + "\n  DataType=DNA  LocusSeparator=" + separator + "\n[Data]\n" + matrix
           + "[[Samples]]\n" + samples;
}

std::string sample_block(const char* name, std::string const& records)
{
    return std::string("  SampleName=\"") + name + "\"  SampleSize=1\n  SampleData={\n" + records
           + "  }\n";
}

const char* const MATRIX = "[[DistanceMatrix]]\n  MatrixName=\"d\"  MatrixSize=3\n"
                           "  MatrixData={\nh1 h2 h3\n0\n0.1 0\n12.3456 2 0\n}\n";

TEST_F(MegaTest, MegaWriterListsEveryCopyAndTheDistances)
{
    std::string text = export_text(
        FORMAT_MEGA, project_text(0, "NONE", sample_block("s", "h1 3 ACGT\nh2 1 ACGA\nh3 0 AGGA\n"),
                                  1, MATRIX));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(text,
              "#mega\n"
              "TITLE:Example\n"
              "\n"
              "#h10  ACGT\n"
              "#h11  ACGT\n"
              "#h12  ACGT\n"
              "#h20  ACGA\n"
              "\n\n"
              "\n"
              "0.100  \n"
              "12.346  2.000  \n");
}

TEST_F(MegaTest, MegaWriterGivesTwoTaxaPerCopyOfAnIndividual)
{
    std::string samples =
        sample_block("s1", "    ind 1.95 ACGT\n             ACGA\n    two 0.85 AAAA\n             CCCC\n")
        + sample_block("s2", "    ind 1 TTTT\n          GGGG\n");
    // The notes are no Mega statements: they go to the console, not the file.
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(export_text(FORMAT_MEGA, project_text(1, "NONE", samples, 2)),
              "#mega\n"
              "TITLE:Example\n"
              "\n"
              "#ind00  ACGT\n#ind01  ACGA\n#ind10  ACGT\n#ind11  ACGA\n"
              "#ind20  TTTT\n#ind21  GGGG\n"
              "\n\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "  As it is not possible to convert files containing more than one population\n"
              "  into MEGA format, original population samples have been merged into \n"
              "  a single population.\n"
              "  The original data was of genotypic type and MEGA accepts only\n"
              "  haplotypic data. We have therefore made two dummy haplotypes with each\n"
              "  genotype.\n");
}

TEST_F(MegaTest, MegaWriterRefusesDataWithALocusSeparator)
{
    std::string samples = sample_block("s", "h1 1 A C G T\n");
    EXPECT_EQ(export_text(FORMAT_MEGA, project_text(0, "WHITESPACE", samples, 1)),
              "  Impossible to write this data into MEGA format, because each\n"
              "  character is supposed to be a single allele.\n");
    EXPECT_EQ(status, WRITER_REFUSED);
    std::string log = take_log();
    EXPECT_THAT(log, HasSubstr("\t\tImpossible to write this data into MEGA format, because each "
                               "character is supposed to be a single allele.\n"));
    EXPECT_THAT(log, Not(HasSubstr("done.")));
}

TEST_F(MegaTest, MegaFileWrittenAndReadBackKeepsEveryTaxonApart)
{
    // h1 copy 10 and h11 copy 0 would both be labelled h110.
    std::string records = "h1 11 ACGT\nh11 1 TTTT\nh2 1 ACGA\n";
    std::string written = export_text(
        FORMAT_MEGA, project_text(0, "NONE", sample_block("s", records), 1,
                                  "[[DistanceMatrix]]\n  MatrixName=\"d\"  MatrixSize=2\n"
                                  "  MatrixData={\nh1 h2\n0\n0.25 0\n}\n"));
    EXPECT_THAT(written, HasSubstr("#h110  ACGT\n#h110_1  TTTT\n#h20  ACGA\n"));

    std::string text = read_alone(&imp_exp::read_mega, "back.meg", written);
    EXPECT_THAT(text, HasSubstr("\t Title= \"Example\"\n"));
    EXPECT_THAT(text, HasSubstr("MatrixSize=13\n"));
    EXPECT_THAT(text, HasSubstr("0.0\n0.250   0.0\n}\n"));
    EXPECT_THAT(text, HasSubstr("SampleName=\"Population1\"\n\t\t SampleSize=13\n"));
    EXPECT_THAT(text, HasSubstr("h19 1 ACGT\nh110 1 ACGT\nh110_1 1 TTTT\nh20 1 ACGA\n"));
    EXPECT_THAT(text, Not(HasSubstr("ACGTTTTT")));
}

} // namespace
