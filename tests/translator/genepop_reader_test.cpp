// The GenePop reader: a GenePop file becomes project text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translator/translator_fixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::string blanks(int n)
{
    return std::string(n, ' ');
}

const char* const FOXES = "Foxes \"red\" and \"grey\"  \t\n"
                          "Loc1, Loc2\n"
                          "Loc3\n"
                          "Pop\n"
                          "AA8, 0102, 0000 ,012034\n"
                          "AA9, 0406 0911\n"
                          "A10, 0101\n"
                          "     0202 0303\n"
                          "pop\n"
                          "Poplar7, 0505 0606 0707\n";

std::string sample_head(int k)
{
    std::string comment = k == 1 ? "  #Wrong on purpose,  but it does not matter here \n"
                                 : "  #Wrong on purpose, but it does not matter here\n";
    return "\t\t SampleName= \"Population" + std::to_string(k) + "\"\n\t\t SampleSize=100"
           + comment + "\t\t SampleData={\n";
}

TEST_F(TranslatorTest, GenePopFileBecomesOneSampleOfIndividualsPerPopLine)
{
    std::string expected =
        "[Profile]\n\n"
        "\t Title=\"Foxes  red  and  grey \"\n"
        "\t NbSamples=2\n"
        "\t GenotypicData=1\n"
        "\t GameticPhase=0\n"
        "\t DataType=STANDARD\n"
        "\t LocusSeparator=WHITESPACE\n"
        "\t MissingData=\"?\"\n"
        "# The names of the loci taken from the GenePop file are listed below as comments\n"
        "# Loc1, Loc2\n"
        "# Loc3\n"
        "\n\n[Data]\n\t [[Samples]]\n"
        + sample_head(1)
        + blanks(24) + "AA8_1   1  1 ? 12 \n" + blanks(35) + "2 ? 34 \n"
        + blanks(24) + "AA9_2   1  4 9 \n" + blanks(35) + "6 11 \n"
        // The continuation line carries the loci 2 and 3 of A10.
        + blanks(24) + "A10_3   1  1 2 3 \n" + blanks(35) + "1 2 3 \n"
        + "     }\n\n"
        // "Poplar7" holds POP but is an individual of the sample opened by "pop".
        + sample_head(2)
        + blanks(20) + "Poplar7_1   1  5 6 7 \n" + blanks(35) + "5 6 7 \n"
        + "     }\n\n";
    EXPECT_EQ(read_gen_pop(FOXES), expected);
    EXPECT_EQ(status, 1);
}

TEST_F(TranslatorTest, HaploidGenePopFileKeepsTheFirstGeneCopies)
{
    std::string text = read_gen_pop(FOXES, 0);
    EXPECT_THAT(text, HasSubstr("\t GenotypicData=0\n\t GameticPhase=0\n"));
    EXPECT_THAT(text, HasSubstr(sample_head(1) + blanks(24) + "AA8_1   1  1 ? 12 \n" + blanks(24)
                                + "AA9_2   1  4 9 \n" + blanks(24) + "A10_3   1  1 2 3 \n     }\n"));
}

TEST_F(TranslatorTest, OnlyAFirstWordPopWithoutCommaOpensASample)
{
    // What the line between A1 and B1 is: a POP line, an individual, or (no
    // comma) a continuation of A1; B1 then has the number 1, 3 or 2.
    struct Case {
        const char* line;
        int samples;
        const char* b1;
    };
    const std::vector<Case> cases = {
        {"POP", 2, "B1_1 "},           {"  pop  ", 2, "B1_1 "},
        {"Pop 2", 2, "B1_1 "},         {"pOp\t", 2, "B1_1 "},
        {"Poplar7, 0101", 1, "B1_3 "}, {"pop1_03, 0101", 1, "B1_3 "},
        {"Pop, 0101", 1, "B1_3 "},     {"Population A", 1, "B1_2 "},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.line);
        std::string text = read_gen_pop(std::string("T\nL1\nPop\nA1, 0101\n") + c.line
                                        + "\nB1, 0202\n");
        EXPECT_THAT(text, HasSubstr("\t NbSamples=" + std::to_string(c.samples) + "\n"));
        EXPECT_EQ(count_of(text, "SampleName="), c.samples);
        EXPECT_THAT(text, HasSubstr(c.b1));
    }
}

TEST_F(TranslatorTest, MalformedCodeIsNotedAndBothGeneCopiesAreMissing)
{
    for (std::string code : {"01", "001", "01020"}) {
        SCOPED_TRACE(code);
        std::string text = read_gen_pop("T\nL1\nL2\nPop\nA1, 0102 0304\nA2, " + code + " 0506\n");
        EXPECT_THAT(text, HasSubstr(blanks(25) + "A1_1   1  1 3 \n" + blanks(35) + "2 4 \n"
                                    + "# error in definition of allele " + code + "\n"
                                    + blanks(25) + "A2_2   1  ? 5 \n" + blanks(35) + "? 6 \n"));
    }
}

TEST_F(TranslatorTest, CarriageReturnsAtLineEndsAreDropped)
{
    std::string unix_text = read_gen_pop(FOXES);
    std::string dos = FOXES;
    for (std::string::size_type at = dos.find('\n'); at != std::string::npos;
         at = dos.find('\n', at + 2))
        dos.insert(at, "\r");
    EXPECT_EQ(read_gen_pop(dos), unix_text);
    EXPECT_THAT(unix_text, Not(HasSubstr("error")));
}

TEST_F(TranslatorTest, LongLinesOfManyLociAreReadWhole)
{
    const int loci = 12000;  // 60,000 characters on one line
    std::string codes, first, second;
    for (int k = 0; k < loci; ++k) {
        int a = k % 7 + 1, b = k % 5 + 1;
        codes += " 0" + std::to_string(a) + "0" + std::to_string(b);
        first += std::to_string(a) + " ";
        second += std::to_string(b) + " ";
    }
    std::string text = read_gen_pop("T\nL\nPop\nI1," + codes + "\nI2," + codes + "\npop\nJ1,"
                                    + codes + "\n");
    EXPECT_THAT(text, HasSubstr("\t NbSamples=2\n"));
    EXPECT_THAT(text, HasSubstr(blanks(25) + "I2_2   1  " + first + "\n" + blanks(35) + second
                                + "\n     }\n"));
    EXPECT_THAT(text, HasSubstr(blanks(25) + "J1_1   1  " + first + "\n"));
}

TEST_F(TranslatorTest, FileWithoutPopLineGivesOneEmptySample)
{
    std::string text = read_gen_pop("\n  \nTitle\nL1\n\nL2\n");
    EXPECT_THAT(text, HasSubstr("\t Title=\"Title\"\n\t NbSamples=0\n"));
    EXPECT_THAT(text, HasSubstr("# L1\n# \n# L2\n\n\n[Data]\n\t [[Samples]]\n" + sample_head(1)
                                + "     }\n\n"));
}

TEST_F(TranslatorTest, TabsSeparateCodesLikeBlanksAndCommas)
{
    for (std::string sep : {"\t", " \t ", ",\t", "\t,\t"}) {
        SCOPED_TRACE(sep);
        std::string text = read_gen_pop("T\nL1\nL2\nPop\nA1," + sep + "0102" + sep + "0304\n"
                                        + "A2,\t0506\t\t0708\t\n");
        EXPECT_THAT(text, HasSubstr(blanks(25) + "A1_1   1  1 3 \n" + blanks(35) + "2 4 \n"
                                    + blanks(25) + "A2_2   1  5 7 \n" + blanks(35) + "6 8 \n"));
        EXPECT_THAT(text, Not(HasSubstr("error")));
        EXPECT_EQ(take_log(), "");
    }
}

TEST_F(TranslatorTest, HaploidFileTakesCodesOfTwoOrThreeDigits)
{
    // Diploid flag 0: one gene copy per code of 2 or 3 digits, the first of
    // a code of 4 or 6; "00" and "000" are missing.
    struct Case {
        const char* codes;
        const char* alleles;
    };
    const std::vector<Case> cases = {
        {"01 12", "1 12 "},       {"001\t120", "1 120 "}, {"00 07", "? 7 "},
        {"000, 999", "? 999 "},   {"0102 0304", "1 3 "},  {"001002 012", "1 12 "},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.codes);
        std::string text = read_gen_pop(std::string("T\nL1\nL2\nPop\nA1, ") + c.codes + "\n", 0);
        EXPECT_THAT(text, HasSubstr("\t GenotypicData=0\n"));
        EXPECT_THAT(text, HasSubstr("SampleData={\n" + blanks(25) + "A1_1   1  " + c.alleles
                                    + "\n     }\n"));
        EXPECT_THAT(text, Not(HasSubstr("error")));
    }
    // With the diploid flag 1 such codes stay malformed.
    EXPECT_THAT(read_gen_pop("T\nL1\nPop\nA1, 01\n", 1),
                HasSubstr("# error in definition of allele 01\n"));
}

TEST_F(TranslatorTest, WhatTheProjectReaderWouldRefuseIsNamedWithItsLine)
{
    struct Case {
        const char* name;
        std::string file;
        int diploid;
        std::string logged;  // the whole log of the reader
    };
    const std::string LINE = "\n\t\tLine ";
    const std::vector<Case> cases = {
        {"code of 2 digits in a diploid file", "T\nL1\nL2\nPop\nA1, 0101 0202\nA2, 01 0202\n", 1,
         LINE + "6 of the GenePop file: the allele code 01 has 2 characters; a code has 4 or 6 "
                "digits, or 2 or 3 digits in a haploid file (diploid flag 0)\n"},
        {"code of 5 digits in a haploid file", "T\nL1\nPop\nA1, 01010\n", 0,
         LINE + "4 of the GenePop file: the allele code 01010 has 5 characters; a code has 4 or 6 "
                "digits, or 2 or 3 digits in a haploid file (diploid flag 0)\n"},
        {"two POP lines in a row", "T\nL1\n\nPop\n\npop\nA1, 0101\n", 1,
         LINE + "4 of the GenePop file: the sample opened on this line holds no individual\n"},
        {"POP line at the end", "T\nL1\nPop\nA1, 0101\nPop\n", 1,
         LINE + "5 of the GenePop file: the sample opened on this line holds no individual\n"},
        {"fewer codes than the first individual",
         "T\nL1\nL2\nPop\nA1, 0101 0202\nA2, 0101\nA3, 0101\n          0202\n", 1,
         LINE + "6 of the GenePop file: individual A2 has 1 allele codes, the first individual "
                "of the file has 2\n"},
        {"no POP line", "T\nL1\nL2\n", 1,
         LINE + "3 of the GenePop file: the file ends without a POP line, so it holds no sample\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        read_gen_pop(c.file, c.diploid);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(take_log(), c.logged);
    }

    // Twenty faults are named; the others are counted.
    std::string file = "T\nL1\nPop\n";
    for (int i = 0; i < 23; ++i)
        file += "A, 1\n";
    read_gen_pop(file);
    std::string log = take_log();
    EXPECT_EQ(count_of(log, "\t\tLine "), 20);
    EXPECT_THAT(log, HasSubstr(LINE + "23 of the GenePop file: the allele code 1 has 1 characters"));
    EXPECT_THAT(log, HasSubstr("\n\t\t3 more such lines\n"));
}

} // namespace
