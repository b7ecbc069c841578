// The Biosys writer: an opened and prepared genotypic project becomes a
// Biosys file of individual genotypes that the Biosys reader reads back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "translator/biosys_fixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// A genotypic project; each individual is "name count alleles-of-copy-1 /
// alleles-of-copy-2".
std::string project_text(std::string const& title,
                         std::vector<std::pair<std::string, std::vector<std::string>>> const& samples)
{
    std::string text = "[Profile]\n  Title=\"" + title + "\"  NbSamples="
                       + std::to_string(samples.size())
                       + "  GenotypicData=1\n"
                         "  DataType=STANDARD  LocusSeparator=WHITESPACE  MissingData='?'\n"
                         "[Data]\n[[Samples]]\n";
    for (auto const& [name, individuals] : samples) {
        text += "  SampleName=\"" + name + "\"  SampleSize=" + std::to_string(2 * individuals.size())
                + "\n  SampleData={\n";
        for (std::string const& individual : individuals) {
            std::size_t slash = individual.find('/');
            text += "    " + individual.substr(0, slash) + "\n      " + individual.substr(slash + 1) + "\n";
        }
        text += "  }\n";
    }
    return text;
}

TEST_F(BiosysTest, GenotypicProjectBecomesABiosysFile)
{
    std::string written = export_text(
        FORMAT_BIOSYS, project_text("demo", {{"pop1", {"ind1 1 12 / 7", "ind2 1 7 / 7"}},
                                             {"pop2", {"ind3 1 12 / 12"}}}));
    EXPECT_EQ(written, DEMO_BIOSYS);
    EXPECT_EQ(status, 1);
}

TEST_F(BiosysTest, NamesAreCutToTheirColumnsAndCountsGiveLines)
{
    std::string written = export_text(
        FORMAT_BIOSYS,
        project_text("", {{"sample_of_the_north_coast",
                           {"individual1 2 a b / a a", "i2 0.85 a a / b b", "i3 1.95 b b / b b"}}}));
    EXPECT_THAT(written, HasSubstr("\n0   sample_of_the_no\n"
                                   "individ    aa ba\n"
                                   "individ    aa ba\n"
                                   "i3         bb bb\n"
                                   "i3         bb bb\n"
                                   "NEXT\n"));
    EXPECT_THAT(written, Not(HasSubstr("i2")));
    // An empty title would make the header line the title on reading.
    EXPECT_EQ(written.substr(0, 9), "untitled\n");
}

TEST_F(BiosysTest, LociAreNamedByTheirNumber)
{
    std::string alleles = "1 1 1 1 1 1 1 1 1 1 1 1";
    std::string written = export_text(FORMAT_BIOSYS,
                                      project_text("T", {{"p", {"i 1 " + alleles + " / " + alleles}}}));
    EXPECT_THAT(written, HasSubstr("NOTU=1, NLOC=12, NALL=12, CRT;\n(12(1X,A7))\n"
                                   "LOCI00 LOCI01 LOCI02 LOCI03 LOCI04 LOCI05 LOCI06 LOCI07 LOCI08 "
                                   "LOCI09 LOCI10 LOCI11 \n\nSTEP DATA:\n"));
    EXPECT_THAT(written, HasSubstr("(A7,3X,12(1X,A1,A1))\n"));
}

TEST_F(BiosysTest, HaplotypicProjectIsRefused)
{
    std::string text = "[Profile]\n  Title=\"H\"  NbSamples=1  GenotypicData=0\n"
                       "  DataType=STANDARD  LocusSeparator=WHITESPACE\n"
                       "[Data]\n[[Samples]]\n  SampleName=\"s\"  SampleSize=1\n"
                       "  SampleData={\n    h1 1 a b\n  }\n";
    EXPECT_EQ(export_text(FORMAT_BIOSYS, text),
              "  It is not possible to translate Haplotypic data into the\n  BIOSYS format.\n");
    EXPECT_EQ(status, WRITER_REFUSED);
    std::string log = take_log();
    EXPECT_THAT(log, HasSubstr("\t\tIt is not possible to translate Haplotypic data into the BIOSYS "
                               "format.\n"));
    EXPECT_THAT(log, Not(HasSubstr("done.")));
}

TEST_F(BiosysTest, WrittenFileReadsBackWithEveryIndividualsAlleles)
{
    std::string written = export_text(
        FORMAT_BIOSYS, project_text("Round trip", {{"north", {"n1 1 1 105 ? / 22 105 7", "n2 2 7 1 1 / 7 7 1"}},
                                                   {"south", {"s1 1 22 ? 7 / 1 1 ?"}}}));
    std::string text = read_biosys(written);
    EXPECT_EQ(status, 1);
    EXPECT_THAT(text, HasSubstr("\t NbSamples=2\n"));
    EXPECT_THAT(text, HasSubstr("SampleName=\"0   north           \""));
    EXPECT_THAT(text, HasSubstr("SampleName=\"1   south           \""));
    EXPECT_EQ(individual_lines(text),
              (std::vector<std::string>{"n1 1 1 105 ?", "22 105 7", "n2 1 7 1 1", "7 7 1",
                                        "n2 1 7 1 1", "7 7 1", "s1 1 22 ? 7", "1 1 ?"}));
}

} // namespace
