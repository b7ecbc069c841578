#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/glbobj.h"
#include "app/settings.h"
#include "core/xml.h"
#include "project/profile_settings.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const title_block =
    "==============================\n"
    "Settings used for Calculations\n"
    "==============================\n"
    "\n";

// The general settings of a freshly built settings object.
const char* const default_general_block =
    " General settings:\n"
    " -----------------\n"
    "        Deletion Weight                = 1\n"
    "        Transition Weight Weight       = 1\n"
    "        Tranversion Weight Weight      = 1\n"
    "        Epsilon Value                  = 1e-07\n"
    "        Significant digits for output  = 5\n"
    "        Use original haplotype definition\n"
    "        Alllowed level of missing data = 0.05\n"
    "\n"
    " Active Tasks:\n"
    " -------------\n"
    "\n";

class SettingsPrintout : public ::testing::Test {
protected:
    settings s;

    void SetUp() override
    {
        initialize_drovalen_global_objects();  // fills DistanceNames
        xmlOutput = false;
        ProfileSettings::DataType = DNA;
    }
    void TearDown() override { xmlOutput = false; }

    std::string printout()
    {
        std::ostringstream os;
        s.print_pretty_settings(os);
        return os.str();
    }
};

TEST_F(SettingsPrintout, NoTaskGivesTitleAndGeneralSettingsOnly)
{
    s.TaskNumber = 0;
    EXPECT_EQ(printout(), std::string(title_block) + default_general_block);
}

TEST_F(SettingsPrintout, XmlWrapsOnlyTheTitle)
{
    my_string saved = TXmlTag::time;
    TXmlTag::time = "01/02/03 at 04:05:06";
    xmlOutput = true;
    s.TaskNumber = 0;
    EXPECT_EQ(printout(), std::string("</data> <title time=\"01/02/03 at 04:05:06\">\n\n") + title_block
                              + "</title> <data>\n\n" + default_general_block);
    TXmlTag::time = saved;
}

TEST_F(SettingsPrintout, SignificantDigitsFromFrequencyThreshold)
{
    const struct {
        double threshold;
        const char* line;
    } cases[] = {
        {1e-5, "Significant digits for output  = 5\n"},
        {0.001, "Significant digits for output  = 3\n"},
        {0.0, "Significant digits for output  = unspecified\n"},
        {-1.0, "Significant digits for output  = unspecified\n"},
    };
    for (auto const& c : cases) {
        s.FrequencyThreshold = c.threshold;
        EXPECT_THAT(printout(), HasSubstr(c.line)) << c.threshold;
    }
}

TEST_F(SettingsPrintout, MolecularDiversityBlock)
{
    s.TaskNumber = settings::STANDARD_INDICES | settings::MOLECULAR_DIVERSITY;
    s.DistanceMethod = 2;
    s.GammaAValue = 0.5;
    s.ComputeTheta = settings::THETA_HOM | settings::THETA_PI;
    s.PrintHaplDistMat = 1;
    EXPECT_THAT(printout(), HasSubstr(" -------------\n\n"
                                      "    Standard indices:\n"
                                      "    -----------------\n\n"
                                      "    Molecular Diversity:\n"
                                      "    --------------------\n"
                                      "        Molecular Distance :Kimura 2P\n"
                                      "        GammaA Value       = 0.5\n"
                                      "        Theta estimators   : \n"
                                      "            Theta(Hom)\n"
                                      "            Theta(Pi)\n"
                                      "\n"
                                      "        Print out inter-haplotypic distance matrix\n"));
}

TEST_F(SettingsPrintout, DistanceMethodNamesByDataType)
{
    const struct {
        TDataType type;
        int code;
        const char* name;
    } cases[] = {
        {DNA, 0, "Pairwise difference"}, {DNA, 6, "Tamura and Nei"}, {DNA, 7, ""},
        {RFLP, 0, "Pairwise difference"}, {RFLP, 1, "Proportion of difference"}, {RFLP, 2, ""},
        {MICROSAT, 0, "No. of different alleles (FST)"},
        {MICROSAT, 1, "Sum of squared size difference (RST)"},
        {STANDARD, 5, "Pairwise differences"}, {FREQUENCY, 0, ""},
    };
    for (auto const& c : cases) {
        ProfileSettings::DataType = c.type;
        std::ostringstream os;
        s.print_distance_method(os, c.code);
        // An unknown code still ends the line.
        EXPECT_EQ(os.str(), std::string(c.name) + "\n") << c.type << "/" << c.code;
    }
}

TEST_F(SettingsPrintout, LinkageAndHardyWeinbergBlocksFollowTheData)
{
    s.TaskNumber = settings::LINKAGE_DISEQUILIBRIUM | settings::HARDY_WEINBERG;
    s.MarkovChainStepsLD = 777;
    s.InitialCondEMLD = 2;
    s.PrintFlagHistogramLD = 1;

    std::string haplotypic = printout();
    EXPECT_THAT(haplotypic, HasSubstr("        No. of steps in Markov chain      = 777\n"));
    EXPECT_THAT(haplotypic, HasSubstr("        D and D' coefficients for all pairs of alleles : No\n"
                                      "        Print Histogram and table : Yes\n"
                                      "        Significance level        = 0.05\n\n"));
    EXPECT_THAT(haplotypic, HasSubstr("    Hardy-Weinberg equilibrium test:\n"
                                      "    --------------------------------\n\n"));

    s.genotypic_data = 1;
    s.gametic_phase = 0;
    s.TypeOfTestHW = 2;
    std::string unknown_phase = printout();
    EXPECT_THAT(unknown_phase, HasSubstr("        No. of permutations          = 777\n"
                                         "        No. of Initial conditions    = 2\n"));
    EXPECT_THAT(unknown_phase, Not(HasSubstr("Markov chain      = 777")));
    EXPECT_THAT(unknown_phase, HasSubstr("        Test association at the Locus and Haplotype levels\n\n"));
}

TEST_F(SettingsPrintout, StructureBlocksNeedAnAmovaKindOrPairwiseFst)
{
    s.TaskNumber = settings::AMOVA;
    s.HaplAMOVA = 0;
    s.LocByLocAMOVA = 0;
    EXPECT_THAT(printout(), Not(HasSubstr("Analysis of Molecular Variance")));
    EXPECT_THAT(printout(), Not(HasSubstr("Distance matrix:")));

    s.HaplAMOVA = 1;
    s.ComputeDistanceMatrixAMOVA = 1;
    s.DistanceMethodAMOVA = 0;
    EXPECT_THAT(printout(), HasSubstr("        No. of Permutations = 1000\n\n"
                                      "       Distance matrix:\n"
                                      "            Compute distance matrix\n"
                                      "            Molecular distance : Pairwise difference\n"
                                      "            Gamma a value      = 0\n\n"));
}

TEST_F(SettingsPrintout, AssignmentTestSkippedUnlessPhaseUnknown)
{
    s.TaskNumber = settings::GENOTYPE_ASSIGNMENT;
    const char* skip = "Test is only possible for genotypic data with unknown gametic phase";
    EXPECT_THAT(printout(), HasSubstr(skip));
    s.genotypic_data = 1;
    s.gametic_phase = 0;
    EXPECT_THAT(printout(), Not(HasSubstr(skip)));
}

} // namespace
