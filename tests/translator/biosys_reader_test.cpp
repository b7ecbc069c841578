// The Biosys reader: title, header, locus listing, data type, format
// comments, and the records of individual genotypes (data type 1).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translator/biosys_fixture.h"

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::string sample_head(std::string const& name)
{
    return "\t\t SampleName=\"" + name + "\"\n"
           "\t\t SampleSize= 100  #Wrong on purpose,  but it does not matter here \n"
           "\t\t SampleData={\n";
}

// The writer's file after two empty lines.
const std::string DEMO = std::string("\n\n") + DEMO_BIOSYS;

TEST_F(BiosysTest, IndividualGenotypesBecomeAGenotypicProject)
{
    EXPECT_EQ(read_biosys(DEMO),
              "[Profile]\n"
              "\t Title= \" demo \"\n"
              "\t NbSamples=2\n"
              "\t GenotypicData=1\n"
              "\t GameticPhase=0\n"
              "\t DataType=STANDARD\n"
              "\t MissingData=\"?\"\n"
              "\t LocusSeparator=WHITESPACE\n"
              "\n"
              "#(1(1X,A7))\n"
              "#LOCI00 \n"
              "#\n"
              "#STEP DATA:\n"
              "#\n"
              "#\n"
              "#Number of lines=1\n"
              "#Name field has length 7 followed by 3 blanks\n"
              "#There are 1 loci, \n"
              "#\tformat of line number 0 : 1 loci, (1X, A2, A2)\n"
              "#The given number of loci is compatible with the actual number of loci\n"
              "\n\n"
              "[Data]\n"
              "\t [[Samples]]\n"
              + sample_head("0   pop1            ")
              + "ind1    1 12 \n"
                "\t\t 7  \n"
                "ind2    1 7  \n"
                "\t\t 7  \n"
                "}\n"
              + sample_head("1   pop2            ")
              + "ind3    1 12 \n"
                "\t\t 12 \n"
                "}\n");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(take_log(), "");
}

TEST_F(BiosysTest, HeaderPairsGiveTheSamplesAndLoci)
{
    struct Case {
        std::string header;
        int notu, nloc;
        const char* missing;  // the comment of a missing value, or ""
    };
    const std::vector<Case> cases = {
        {"NOTU=3, NLOC=5, NALL=20, CRT;", 3, 5, ""},
        {"NLOC=5,\tNOTU=3", 3, 5, ""},
        // After two blanks the key is " NLOC"; around the "=" it is "NOTU ".
        {"NOTU=3,  NLOC=5, NALL=20", 3, 0, "#NLOC, the number of loci, is missing"},
        {"NOTU = 3, NLOC=5", 0, 5, "#NOTU, the number of populations, is missing"},
        {"", 0, 0, "#NOTU, the number of populations, is missing"},
        // Pairs that begin at column 100 or later are not looked at.
        {"NOTU=2, A=" + std::string(88, 'x') + ", NLOC=5", 2, 0,
         "#NLOC, the number of loci, is missing"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.header);
        std::string text = read_biosys(biosys_file(c.header, "DATYP=1,ALPHA",
                                                   "(A4,1X,1(1X,A1,A1))", ""));
        EXPECT_THAT(text, HasSubstr("\t NbSamples=" + std::to_string(c.notu) + "\n"));
        EXPECT_THAT(text, HasSubstr("#There are " + std::to_string(c.nloc) + " loci, \n"));
        if (*c.missing)
            EXPECT_THAT(text, HasSubstr(c.missing));
        else
            EXPECT_THAT(text, Not(HasSubstr("is missing")));
    }
}

TEST_F(BiosysTest, LocusListingEndsAtStepDataInAnyCase)
{
    std::string text = read_biosys("T\nNOTU=1, NLOC=1\nSTEPDATA\nLoc A\nStep Data:\nDATYP=1\n"
                                   "(A2,1X,1(1X,A1,A1))\np\nab  12\n");
    EXPECT_THAT(text, HasSubstr("\n#STEPDATA\n#Loc A\n#Step Data:\n#\n#\n#Number of lines=1\n"));
    EXPECT_THAT(text, EndsWith(sample_head("p") + "ab 1 1 \n\t\t 2 \n}\n"));
    EXPECT_EQ(status, 1);

    // Without such a line the whole rest of the file is listing.
    text = read_biosys("T\nNOTU=1, NLOC=1\nLoc A\nDATYP=1\n");
    EXPECT_THAT(text, EndsWith("\n#Loc A\n#DATYP=1\n#\n#\n#\n"));
    EXPECT_EQ(status, 0);
}

TEST_F(BiosysTest, OnlyDataTypesOneToThreeAreRead)
{
    for (const char* datyp : {"ALPHA, DATYP=1", "DATYP=4", " DATYP=1"}) {
        SCOPED_TRACE(datyp);
        std::string text = read_biosys(biosys_file("NOTU=1, NLOC=1", datyp, "(A2,1X,1(1X,A1,A1))",
                                                   "p\nab  12\n"));
        EXPECT_THAT(text, EndsWith("#STEP DATA:\n#\n#\n"));
        EXPECT_EQ(status, 0);
        EXPECT_EQ(take_log(), std::string("\n\t\tThe data-type line of the Biosys file gives no "
                                          "data type 1, 2 or 3: ")
                                  + datyp + "\n");
    }
}

TEST_F(BiosysTest, RecordsAreReadAtTheColumnsOfTheStatement)
{
    struct Case {
        const char* why;
        const char* statement;
        const char* data;        // the lines of one population
        const char* individuals; // what they give
    };
    const std::vector<Case> cases = {
        {"name, skip, gap and two alleles", "(A7,3X,1(1X,A2,A2))", "ind1       0102\n",
         "ind1    1 01 \n\t\t 02 \n"},
        {"two loci", "(A7,3X,2(1X,A2,A2))", "abcdefg    0102 0304\n",
         "abcdefg 1 01 03 \n\t\t 02 04 \n"},
        {"a record of two lines", "(A4,1X,1(1X,A2,A2)/1(1X,A2,A2))", "ab    0102\n 0304\n",
         "ab   1 01 03 \n\t\t 02 04 \n"},
        {"blanks inside a field stay", "(A2,1X,1(1X,A3,A3))", "ab    7 12\n",
         "ab 1   7 \n\t\t  12 \n"},
        {"no second allele: no second line", "(A7,3X,1(1X,A2,A0))", "ind1       01\n",
         "ind1    1 01 \n"},
        {"a field of blanks or past the end of the line is missing", "(A7,3X,3(1X,A2,A2))",
         "ind1         02 0304\nind2\n", "ind1    1 ? 03 ? \n\t\t 02 04 ? \nind2    1 ? ? ? \n\t\t ? ? ? \n"},
        {"an empty line is no record", "(A2,1X,1(1X,A1,A1))", "\nab  12\n   \n",
         "ab 1 1 \n\t\t 2 \n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.why);
        std::string text = read_biosys(biosys_file("NOTU=1, NLOC=1", "DATYP=1,ALPHA", c.statement,
                                                   std::string("p\n") + c.data + "NEXT\n"));
        EXPECT_THAT(text, EndsWith(sample_head("p") + c.individuals + "}\n"));
        EXPECT_EQ(status, 1);
    }
}

TEST_F(BiosysTest, FormatCommentsShowHowTheStatementWasRead)
{
    std::string text = read_biosys(biosys_file("NOTU=1, NLOC=9", "DATYP=1",
                                               "(A7,3X,5(1X,A2,A2)/5(1X,A2,A2))", ""));
    EXPECT_THAT(text, HasSubstr("#Number of lines=2\n"
                                "#Name field has length 7 followed by 3 blanks\n"
                                "#There are 9 loci, \n"
                                "#\tformat of line number 0 : 5 loci, (1X, A2, A2)\n"
                                "#\tformat of line number 1 : 5 loci, (1X, A2, A2)\n"
                                "#!!!#The given number of loci is not compatible with the actual "
                                "number of loci!!!\n\n\n[Data]\n"));
}

TEST_F(BiosysTest, FileThatCannotBeReadOnStopsWithItsCause)
{
    struct Case {
        const char* why;
        std::string file;
        const char* text_end;  // of the project text
        std::string log;
    };
    // 7,000 loci of "01 " make a gene copy of 21,000 characters.
    std::string long_record = "ind1" + std::string(6, ' ');
    for (int l = 0; l < 7000; ++l)
        long_record += " 0102";
    const std::vector<Case> cases = {
        {"a refused statement",
         biosys_file("NOTU=1, NLOC=1", "DATYP=1", "(I7,3X,1(1X,A2,A2))", "p\nind1       0102\n"),
         "#\n#\n ***** ERROR *****\n",
         "The format statement of the Biosys file cannot be read: (I7,3X,1(1X,A2,A2))"},
        // The record before it is written whole; the long one is not.
        {"a gene copy of 20,000 characters",
         biosys_file("NOTU=1, NLOC=7000", "DATYP=1", "(A7,3X,7000(1X,A2,A2))",
                     "p\nind0       0102\n" + long_record + "\n"),
         "? ? \n ***** ERROR *****\n",
         "Individual ind1    of the Biosys file has a gene copy of 20,000 characters or more"},
        {"fewer populations than NOTU",
         biosys_file("NOTU=3, NLOC=1", "DATYP=1", "(A7,3X,1(1X,A2,A2))",
                     "p\nind1       0102\nNEXT\nq\nind2       0102\n"),
         "ind2    1 01 \n\t\t 02 \n}\n#The file ended after 2 of its 3 populations\n",
         "The Biosys file ended after 2 of its 3 populations (NOTU=3)"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.why);
        std::string text = read_biosys(c.file);
        EXPECT_EQ(status, 0);
        EXPECT_THAT(text, EndsWith(c.text_end));
        EXPECT_EQ(take_log(), "\n\t\t" + c.log + "\n");
    }
}

TEST_F(BiosysTest, DoubleQuotesInTitleAndSampleNamesBecomeBlanks)
{
    // They would end the quoted values of the project file early.
    std::string text = read_biosys(biosys_file("NOTU=1, NLOC=1", "DATYP=1", "(A2,1X,1(1X,A1,A1))",
                                               "\"p\" 1\nab  12\n"));
    text += read_biosys("A \"quoted\" title\nNOTU=0, NLOC=0\nSTEP DATA\nDATYP=1\n(A1,1X,1(1X,A1,A1))\n");
    EXPECT_THAT(text, HasSubstr("\t\t SampleName=\" p  1\"\n"));
    EXPECT_THAT(text, HasSubstr("\t Title= \" A  quoted  title \"\n"));
}

TEST_F(BiosysTest, CarriageReturnsAtLineEndsAreDropped)
{
    std::string dos;
    for (char c : DEMO) {
        if (c == '\n')
            dos += '\r';
        dos += c;
    }
    std::string unix_text = read_biosys(DEMO);
    // "NEXT\r" ends its population as "NEXT" does.
    EXPECT_EQ(read_biosys(dos), unix_text);
    EXPECT_EQ(count_of(unix_text, "}\n"), 2);
}

} // namespace
