// The GenePop writer: an opened and prepared project becomes a GenePop file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "translator/translator_fixture.h"

using ::testing::HasSubstr;

namespace {

std::string project_text(const char* title, int genotypic, std::string const& samples)
{
    return std::string("[Profile]\n  Title=\"") + title + "\"  NbSamples=" + (samples.empty() ? "0" : "2")
           + "  GenotypicData=" + std::to_string(genotypic)
           + "\n  DataType=STANDARD  LocusSeparator=WHITESPACE  MissingData='?'\n"
             "[Data]\n[[Samples]]\n"
           + samples;
}

TEST_F(TranslatorTest, GenotypesAreWrittenOncePerIndividualWithCodesFromOne)
{
    std::string samples = "  SampleName=\"s1\"  SampleSize=6\n"
                          "  SampleData={\n"
                          "    i1 2 a b\n"
                          "         b ?\n"
                          "    i2 0.5 c c\n"
                          "           c c\n"
                          "  }\n"
                          "  SampleName=\"s2\"  SampleSize=2\n"
                          "  SampleData={\n"
                          "    j1 1 b a\n"
                          "         a b\n"
                          "  }\n";
    // Locus 1 holds a, b, c and locus 2 b, ?, c, a after the recessive slot,
    // in the order of first appearance.
    EXPECT_EQ(export_text(FORMAT_GENEPOP, project_text("Two samples", 1, samples)),
              "Title line:\"Two samples\"\n"
              "Locus_1\nLocus_2\n"
              "POP\n"
              "i1, 0102 0100 \n"
              "i1, 0102 0100 \n"
              "POP\n"
              "j1, 0201 0401 \n");
    EXPECT_EQ(status, 1);
}

TEST_F(TranslatorTest, HaplotypesAreWrittenOncePerCopyWithCodesFromTwo)
{
    std::string samples = "  SampleName=\"s1\"  SampleSize=3\n"
                          "  SampleData={\n"
                          "    H0 2 A A\n"
                          "    H1 1 A B\n"
                          "  }\n"
                          "  SampleName=\"s2\"  SampleSize=1\n"
                          "  SampleData={\n"
                          "    H2 1 ? B\n"
                          "  }\n";
    EXPECT_EQ(export_text(FORMAT_GENEPOP, project_text("Haplotypes", 0, samples)),
              "Title line:\"Haplotypes\"\n"
              "Locus_1\nLocus_2\n"
              "POP\n"
              "H0 , 0200 0200 \n"
              "H0 , 0200 0200 \n"
              "H1 , 0200 0300 \n"
              "POP\n"
              "H2 , 0000 0300 \n");
}

TEST_F(TranslatorTest, CodesAboveNinetyNineMakeEveryCodeThreeDigits)
{
    std::string data;
    for (int k = 0; k < 101; ++k)
        data += "    i" + std::to_string(k) + " 1 a" + std::to_string(k) + " x\n         a"
                + std::to_string(k) + " x\n";
    std::string samples = "  SampleName=\"s1\"  SampleSize=202\n  SampleData={\n" + data
                          + "  }\n  SampleName=\"s2\"  SampleSize=2\n  SampleData={\n"
                            "    j 1 a5 x\n        a5 ?\n  }\n";
    std::string text = export_text(FORMAT_GENEPOP, project_text("Many alleles", 1, samples));
    EXPECT_THAT(text, HasSubstr("POP\ni0, 001001 001001 \ni1, 002002 001001 \n"));
    EXPECT_THAT(text, HasSubstr("i100, 101101 001001 \nPOP\nj, 006006 001000 \n"));
}

TEST_F(TranslatorTest, ProjectWithoutSamplesGivesTheTitleLineOnly)
{
    project.profile.Title = "Empty";
    std::ostringstream out;
    translator.os = &out;
    EXPECT_EQ(translator.write_gen_pop(), 1);
    EXPECT_EQ(out.str(), "Title line:\"Empty\"\n");
}

} // namespace
