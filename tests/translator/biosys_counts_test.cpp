// The Biosys reader on genotype counts (data type 2) and genotype
// frequencies (data type 3): individuals made up from the genotype lists.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translator/biosys_fixture.h"

using ::testing::EndsWith;
using ::testing::HasSubstr;

namespace {

const char* const COUNTS = "(2X,3(1X,A2,A2,1X,I3))";

// The individuals of a sample block: "ind<k>", the count 1, then the alleles.
std::string individuals(std::vector<std::pair<std::string, std::string>> const& copies)
{
    std::string text;
    for (std::size_t k = 0; k < copies.size(); ++k)
        text += "ind" + std::to_string(k + 1) + "   1   " + copies[k].first + "\n" + std::string(13, ' ')
                + copies[k].second + "\n";
    return text;
}

TEST_F(BiosysTest, GenotypeCountsMakeUpIndividualsLocusByLocus)
{
    // Locus 1: 01/01 twice, 01/02 once; locus 2: 03/03 once, 03/04 twice.
    std::string text = read_biosys(biosys_file("NOTU=1, NLOC=2", "DATYP=2", COUNTS,
                                               "pop1\n"
                                               "   0101   2 0102   1\n"
                                               "   0303   1 0304   2\n"));
    EXPECT_THAT(text, HasSubstr("#Number of lines=1\n"
                                "#Name field has length 0 then 2 blanks\n"
                                "#We have 2 loci, \n"
                                "#\tformat of line number 0 : 3 loci, (1X, A2, A2, 1X, I3)\n"
                                "#!!!!Nb of Loci is not compatible!!!\n"));
    EXPECT_THAT(text, EndsWith("\t [[Samples]]\n"
                               "\t\t SampleName=\"pop1\"\n"
                               "\t\t SampleSize=3\n"
                               "\t\t SampleData={\n"
                               + individuals({{"01 03", "01 03"}, {"01 03", "01 04"}, {"01 03", "02 04"}})
                               + "}\n\n"));
    EXPECT_EQ(status, 1);
}

TEST_F(BiosysTest, GenotypeListsAreReadLineByLineWhateverTheRepeatCount)
{
    struct Case {
        const char* why;
        const char* statement;
        const char* header;
        const char* data;
        std::string expected;  // the end of the project text
    };
    const std::vector<Case> cases = {
        {"a count of 0 adds nothing", COUNTS, "NOTU=1, NLOC=1", "p\n   0101   0 0102   2\n",
         individuals({{"01", "02"}, {"01", "02"}}) + "}\n\n"},
        {"trailing blanks start a genotype of count 0", COUNTS, "NOTU=1, NLOC=1",
         "p\n   0101   1         \n", individuals({{"01", "01"}}) + "}\n\n"},
        {"one genotype per format line, four on the line", "(2X,1(1X,A2,A2,1X,I1))",
         "NOTU=1, NLOC=1", "p\n   0101 1 0102 1 0202 1 0303 1\n",
         individuals({{"01", "01"}, {"01", "02"}, {"02", "02"}, {"03", "03"}}) + "}\n\n"},
        {"a locus on two lines, the second from column 0",
         "(2X,1(1X,A2,A2,1X,I1)/1(1X,A2,A2,1X,I1))", "NOTU=1, NLOC=2",
         "p\n   0101 1\n 0102 1\n   0303 1\n 0404 1\n",
         individuals({{"01 03", "01 03"}, {"01 04", "02 04"}}) + "}\n\n"},
        {"NEXT between populations is passed over", COUNTS, "NOTU=2, NLOC=1",
         "p\n   0101   1\nNEXT\nq\n   0202   1\n",
         "\"q\"\n\t\t SampleSize=1\n\t\t SampleData={\n" + individuals({{"02", "02"}}) + "}\n\n"},
        {"a second NEXT names the population", COUNTS, "NOTU=2, NLOC=1",
         "p\n   0101   1\nNEXT\nNEXT\n   0202   1\n",
         "\"NEXT\"\n\t\t SampleSize=1\n\t\t SampleData={\n" + individuals({{"02", "02"}}) + "}\n\n"},
        {"more copies than locus 1 are dropped", COUNTS, "NOTU=1, NLOC=2",
         "p\n   0101   1\n   0303   1 0304   2\n",
         "#Locus 2 gives 2 individuals more than locus 1: the extra ones are dropped\n"
         "\t\t SampleSize=1\n\t\t SampleData={\n"
             + individuals({{"01 03", "01 03"}}) + "}\n\n"},
        {"fewer copies than locus 1 are missing alleles", COUNTS, "NOTU=1, NLOC=3",
         "p\n   0101   3\n   0303   1\n   0505   3\n",
         "#Locus 2 gives 2 individuals fewer than locus 1: the last ones have missing alleles (?) "
         "there\n\t\t SampleSize=3\n\t\t SampleData={\n"
             + individuals({{"01 03 05", "01 03 05"}, {"01 ? 05", "01 ? 05"}, {"01 ? 05", "01 ? 05"}})
             + "}\n\n"},
        {"a blank allele is missing", COUNTS, "NOTU=1, NLOC=1", "p\n   01     1\n",
         individuals({{"01", "?"}}) + "}\n\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.why);
        std::string text = read_biosys(biosys_file(c.header, "DATYP=2", c.statement, c.data));
        EXPECT_THAT(text, EndsWith(c.expected));
        EXPECT_EQ(status, 1);
    }
}

TEST_F(BiosysTest, GenotypeFrequenciesGiveCopiesOfTheSampleSize)
{
    std::string text = read_biosys(biosys_file("NOTU=1, NLOC=1", "DATYP=3",
                                               "(2X,2(1X,A2,A2,1X,F4.3))",
                                               "pop1\nSIZE    40\n   0101 0250 0102 0750\n"));
    EXPECT_THAT(text, HasSubstr("#Name field has lenght 0 then 2 blanks\n#We have 1 loci, \n"
                                "#\tformat of line number 0 : 2 loci, (1X, A2, A2, 1X, I4)\n"
                                "#!!!!Nb of Loci are not compatible!!!\n"));
    EXPECT_THAT(text, HasSubstr("\t\t SampleName=\"pop1\"\n\t\t SampleSize=40\n"));
    EXPECT_EQ(count_of(text, "   1   01\n             01\n"), 10);
    EXPECT_EQ(count_of(text, "   1   01\n             02\n"), 30);
    EXPECT_THAT(text, HasSubstr("ind40   1   01\n             02\n}\n\n"));
}

TEST_F(BiosysTest, FrequencyFieldsHaveTheirPointAfterTheFirstDigit)
{
    struct Case {
        const char* field;
        const char* size_line;
        int copies;
    };
    // Copies are the frequency times N rounded: 0.29 x 100 is 28.999... in
    // binary, and 0.333 x 30 is 9.99.
    const std::vector<Case> cases = {
        {"0250", "SIZE    40", 10}, {" 5  ", "SIZE    10", 5}, {"1000", "SIZE     7", 7},
        {"0333", "SIZE    30", 10}, {"029 ", "SIZE    100", 29}, {"    ", "SIZE    40", 0},
        {"0500", "SIZE", 0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.field);
        std::string text = read_biosys(biosys_file("NOTU=1, NLOC=1", "DATYP=3",
                                                   "(2X,1(1X,A2,A2,1X,F4.3))",
                                                   std::string("p\n") + c.size_line + "\n   0101 "
                                                       + c.field + "\n"));
        EXPECT_EQ(count_of(text, "   1   01\n"), c.copies);
    }
}

TEST_F(BiosysTest, GenotypeListsThatEndEarlyStopWithTheirCause)
{
    std::string text = read_biosys(biosys_file("NOTU=2, NLOC=1", "DATYP=2", COUNTS,
                                               "p\n   0101   1\n"));
    EXPECT_THAT(text, EndsWith("}\n\n#The file ended after 1 of its 2 populations\n"));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(take_log(), "\n\t\tThe Biosys file ended after 1 of its 2 populations (NOTU=2)\n");
}

} // namespace
