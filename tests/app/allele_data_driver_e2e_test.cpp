// End-to-end tests of the analysis sequence of microsatellite and standard
// samples: the lines these data types print in the shared sections, and their
// batch lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class AlleleDataDriverE2E : public DrovexecTest {
protected:
    std::string run_project(std::string const& fixture, std::string const& tasks)
    {
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / fixture));
        write("p.drs", run_settings_text({{"TaskNumber", tasks}}));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        return read_text(work / "p.res" / "p.htm");
    }
};

// Cove: 4 gene copies in 3 haplotypes (counts 2, 1, 1) at two loci, both
// polymorphic. Gene diversity 4/3 (1 - (4 + 1 + 1)/16) = 0.833333; loci
// differing over the 6 pairs of copies 2·1 + 2·2 + 1 = 7: mean 1.166667, and
// per locus 0.583333 (the mean of 0.5 and 0.666667).
// Valley: 5 copies in 3 haplotypes (3, 1, 1) at three loci, the second
// monomorphic. Gene diversity 5/4 (1 - (9 + 1 + 1)/25) = 0.7; 8 differences
// over 10 pairs: 0.8, and per locus (0.4 + 0 + 0.4)/3 = 0.266667.
TEST_F(AlleleDataDriverE2E, SampleCountsAndBatchLines)
{
    struct Case {
        const char* fixture;
        const char* counts;
        const char* gen_div;
        const char* mol_div;
    } cases[] = {
        {"microsat1.drp",
         "No. of gene copies       : 4\nNo. haplotypes           : 3\n"
         "No. of loci              : 2\n"
         "No. of usable loci       : 2 loci with less than  5.00 % missing data\n"
         "No. of polymorphic loci  : 2\n",
         "\"Cove\"\t4\t3\t2\t2\t2\t0.833333\n",
         "\"Cove\"\tnone\tnone\tnone\t0.05\tnone\tnone\tnone\tnone\t2\tnone\t2\t1.166667\t0.583333\n"},
        {"standard1.drp",
         "No. of gene copies       : 5\nNo. haplotypes           : 3\n"
         "No. of loci              : 3\n"
         "No. of usable loci       : 3 loci with less than  5.00 % missing data\n"
         "No. of polymorphic loci  : 2\n",
         "\"Valley\"\t5\t3\t3\t3\t2\t0.700000\n",
         "\"Valley\"\tnone\tnone\tnone\t0.05\tnone\tnone\tnone\tnone\t2\tnone\t3\t0.800000\t0.266667\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.fixture);
        fs::remove(work / "gen_div.sum");
        fs::remove(work / "mold_div.sum");
        write("glbstreams.txt", "flags\n_GENE_DIVERSITY_ _MOLECULAR_DIVERSITY_\n");
        const std::string text = run_project(c.fixture, "3");
        EXPECT_THAT(text, HasSubstr(c.counts));
        EXPECT_THAT(read_text(work / "gen_div.sum"), HasSubstr(c.gen_div));
        EXPECT_THAT(read_text(work / "mold_div.sum"), HasSubstr(c.mol_div));
    }
}


// Neither data type has sequences: Tajima's and Fu's tests are refused under
// their titles.
TEST_F(AlleleDataDriverE2E, NeutralityTestsOfSequencesRefused)
{
    const std::string tajima = "Tajima's test of selective neutrality : (";
    const std::string fu = "Fu's Fs test of selective neutrality : (";
    std::string text = run_project("microsat1.drp", "16448");
    EXPECT_THAT(text, HasSubstr(tajima + "Cove)"));
    EXPECT_THAT(text, HasSubstr("\n\n Tajima's test is not possible for Microsatellite data\n\n\n"));
    EXPECT_THAT(text, HasSubstr(fu + "Cove)"));
    EXPECT_THAT(text, HasSubstr("\n\n Fu's Fs test is not possible for Microsatellite data\n\n\n"));
    text = run_project("standard1.drp", "16448");
    EXPECT_THAT(text, HasSubstr("\n\nTajima's test is not possible for standard data type\n\n\n"));
    EXPECT_THAT(text, HasSubstr("\n Fu's Fs test is not possible for standard data type\n\n\n"));
}

// Recessive standard data: the title, the refusal and the gene copies.
TEST_F(AlleleDataDriverE2E, RecessiveStandardDataRefused)
{
    write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "recessive.drp"));
    write("p.drs", run_settings_text({{"TaskNumber", "1"}, {"RecessiveAllelesEM", "1"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    const std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(text, HasSubstr("Standard diversity indices : (Pop1)"));
    EXPECT_THAT(text, HasSubstr("Most standard diversity indices cannot be computed \n"
                                "for recessive data\n\n"
                                "No. of gene copies in sample       : 4\n"));
}

// Allele frequencies (counts 6, 3, 1 of n = 10): section 0x2 prints its labels
// with nothing compared (gene diversity 10/9 (1 - 0.46) = 0.6 in gen_div), and
// the mismatch distribution is refused under its title.
TEST_F(AlleleDataDriverE2E, AlleleFrequencySample)
{
    write("glbstreams.txt", "flags\n_GENE_DIVERSITY_ _MOLECULAR_DIVERSITY_\n");
    std::string text = run_project("frequencies1.drp", "7");
    EXPECT_THAT(text, HasSubstr("No. of haplotypes                            : 3\n"
                                "\nAllowed level of missing data                : "));
    EXPECT_THAT(text, HasSubstr("\nNumber of polymorphic loci                   : 0"
                                "\nNumber of usable loci                        : 0\n"));
    EXPECT_THAT(text, HasSubstr("== Mismatch distribution : (Marsh)\n"));
    EXPECT_THAT(text, HasSubstr("Mismatch distribution cannot be computed \n"
                                "in case of FREQUENCY data type.\n"));
    EXPECT_EQ(text.find("Mean number of pairwise differences"), std::string::npos);
    const std::string log = read_text(work / "p.res" / "Drovalen_log.txt");
    EXPECT_EQ(log.find("Computing molecular diversity"), std::string::npos);
    EXPECT_EQ(log.find("Computing mismatch distribution"), std::string::npos);
    EXPECT_THAT(read_text(work / "gen_div.sum"), HasSubstr("\"Marsh\"\t10\t3\t"));
    EXPECT_THAT(read_text(work / "gen_div.sum"), HasSubstr("\t0.600000\n"));
    EXPECT_THAT(read_text(work / "mold_div.sum"),
                HasSubstr("\"Marsh\"\tnone\tnone\tnone\t0.05\tnone\tnone\tnone\tnone\t0\t"
                          "none\t0\tnone\tnone\n"));
}

// Four identical microsatellite gene copies: the one mismatch row of the
// 4 x 3 / 2 = 6 pairs, no expansion fit, and without theta bits no theta
// line in the results but the batch line with theta(H) not computed (-1).
// Recessive data skip section 0x1 without a word and refuse section 0x2.
TEST_F(AlleleDataDriverE2E, IdenticalAndRecessiveMicrosatellites)
{
    write("glbstreams.txt", "flags\n_THETA_\n");
    write("p.drp",
          "[Profile]\n\tTitle=\"Same\"\n\tNbSamples=1\n\tDataType=MICROSAT\n"
          "\tGenotypicData=0\n\tLocusSeparator=WHITESPACE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n\t\tSampleName=\"Same\"\n\t\tSampleSize=4\n"
          "\t\tSampleData={\n\t\t\tm1\t4\t10 20\n\t\t}\n");
    write("p.drs", run_settings_text({{"TaskNumber", "6"}, {"ComputeTheta", "0"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(text, HasSubstr("  ------   -----  ----------\n"
                                "       0       6       0\n"));
    EXPECT_THAT(text, HasSubstr("\n\nImposible to estimate the parameters of the sudden expansion "
                                "model of Rogers 1995\nusing the current observed mismatch "
                                "distribution\n"));
    EXPECT_EQ(text.find("Theta(Hom) :"), std::string::npos);
    EXPECT_EQ(text.find("Unable to compute some theta values"), std::string::npos);
    EXPECT_THAT(read_text(work / "theta.sum"), HasSubstr("\"Same\"\t-1.000000\t(Hom)\t\n"));

    write("p.drs", run_settings_text({{"TaskNumber", "3"}, {"RecessiveAllelesEM", "1"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    text = read_text(work / "p.res" / "p.htm");
    EXPECT_EQ(text.find("Standard diversity indices"), std::string::npos);
    EXPECT_EQ(text.find("Molecular diversity indices :"), std::string::npos);
    EXPECT_THAT(text, HasSubstr("Molecular diversity indices cannot be computed \n"
                                "for recessive data\n"));
}

}  // namespace
