// The four data-type sample classes: the class each data type gets, their
// own members when built, and the test for IUPAC ambiguity codes.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "project/samples.h"

namespace {

class DataTypeTest : public ::testing::Test {
protected:
    TDataType saved = ProfileSettings::DataType;
    void TearDown() override { ProfileSettings::DataType = saved; }
};

TEST_F(DataTypeTest, ClassFollowsTheProjectsDataType)
{
    const struct {
        int type;
        std::type_info const& made;
    } cases[] = {
        {DNA, typeid(PopulDNA)},          {RFLP, typeid(PopulRFLP)},
        {MICROSAT, typeid(PopulMicrosat)}, {STANDARD, typeid(PopulStandard)},
        {FREQUENCY, typeid(PopulStandard)}, {7, typeid(PopulStandard)},
    };
    Population read(my_string("pop"));
    read.SampleSize = 12;
    for (auto const& c : cases) {
        SCOPED_TRACE(c.type);
        ProfileSettings::DataType = static_cast<TDataType>(c.type);
        std::unique_ptr<Population> made(make_data_type_sample(read));
        EXPECT_EQ(typeid(*made), c.made);
        EXPECT_STREQ(made->name.str, "pop");
        EXPECT_EQ(made->SampleSize, 12);
    }
}

TEST_F(DataTypeTest, SimulatedSamplesFollowTheMutationModel)
{
    const struct {
        int model;
        std::type_info const& made;
    } cases[] = {
        {0, typeid(PopulMicrosat)}, {1, typeid(PopulRFLP)}, {2, typeid(PopulDNA)},
        {3, typeid(PopulStandard)}, {-1, typeid(PopulStandard)},
    };
    ProfileSettings::DataType = DNA;
    Population read(my_string("sim"));
    for (auto const& c : cases) {
        std::unique_ptr<Population> made(make_simulated_sample(read, c.model));
        EXPECT_EQ(typeid(*made), c.made) << c.model;
    }
}

// The read sample gives only its Population part, whatever else it holds.
TEST_F(DataTypeTest, SampleIsCopiedWithoutResults)
{
    PopulDNA earlier;
    earlier.name = "earlier";
    earlier.ThetaHom = 3.0;
    earlier.GeneDiversity = 0.5;
    earlier.TransitionWeight = 0.0;
    PopulDNA made(static_cast<Population const&>(earlier));
    EXPECT_STREQ(made.name.str, "earlier");
    EXPECT_EQ(made.ThetaHom, -1.0);
    EXPECT_EQ(made.GeneDiversity, -1.0);
    EXPECT_EQ(made.TransitionWeight, 1.0);
}

TEST_F(DataTypeTest, OwnMembersWhenBuilt)
{
    PopulDNA dna;
    EXPECT_EQ(dna.DeletionWeight, 1.0);
    EXPECT_EQ(dna.TransitionWeight, 1.0);
    EXPECT_EQ(dna.TransversionWeight, 1.0);
    EXPECT_EQ(std::string(dna.IUPACCodes.data, dna.IUPACCodes.count), "RYMKSWHBVDN");
    EXPECT_EQ(dna.SiteTransitions, nullptr);
    EXPECT_EQ(dna.SiteTransversions, nullptr);
    EXPECT_EQ(dna.SiteIndels, nullptr);
    EXPECT_EQ(dna.SiteAmbiguities, nullptr);
    ASSERT_NE(dna.NuclFreq, nullptr);
    EXPECT_EQ(dna.NuclFreq[3], 0.0);
    ASSERT_NE(dna.PairNuclFreq, nullptr);
    EXPECT_NE(dna.PairNuclFreq[3], nullptr);
    EXPECT_EQ(dna.DistanceMethod, 0);
    EXPECT_EQ(dna.DistanceFunction, nullptr);
    EXPECT_EQ(dna.NumSubstitutionSites, 0);

    PopulRFLP rflp;
    EXPECT_EQ(rflp.DeletionWeight, 1.0);
    EXPECT_EQ(rflp.DistanceMethod, 0);
    EXPECT_EQ(rflp.SiteSubstitutions, nullptr);
    EXPECT_EQ(rflp.SiteIndels, nullptr);

    PopulMicrosat microsat;
    EXPECT_EQ(microsat.DistanceMethod, 1);
    EXPECT_EQ(microsat.MeanGeneDiversity, 0.0);

    PopulStandard standard;
    EXPECT_EQ(standard.PairDiffMean, 0.0);
    EXPECT_EQ(standard.PairDiffMeanSD, 0.0);
    EXPECT_EQ(standard.ThetaHom, -1.0);
}

TEST_F(DataTypeTest, AmbiguityCodes)
{
    const struct {
        const char* text;
        bool ambiguous;
    } cases[] = {
        {"N", true}, {"R", true}, {"Y", true}, {"B", true}, {"W", true},
        {"n", false}, {"A", false}, {"T", false}, {"-", false}, {"NN", false}, {"", false},
    };
    for (auto const& c : cases)
        EXPECT_EQ(PopulDNA::isAmbiguous(my_string(c.text)), c.ambiguous) << '"' << c.text << '"';
}

}  // namespace
