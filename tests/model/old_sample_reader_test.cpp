// The SampleData readers of the older identifier syntax: haplotypic and
// genotypic blocks read character by character, inline (up to the '}' that
// they leave in the stream) or from an external file (up to its end).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "model/haplo_db.h"
#include "model/logged_fixture.h"
#include "model/population.h"
#include "project/old_syntax_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::string GAMETIC = "Population::read_gametic_data()";
const std::string GENOTYPIC = "Population::read_genotypic_data()";

class OldSampleReader : public LoggedTest {
protected:
    Haplo_DB list;
    ProfileSettings profile;

    void SetUp() override
    {
        LoggedTest::SetUp();
        ProfileSettings::DataType = DNA;
        ProfileSettings::LocusSeparator = 0;
    }

    Population sample(double size)
    {
        Population p(my_string("pop"), 0, profile);
        p.SampleSize = size;
        return p;
    }

    // Reads a haplotypic block; `rest` is what the reader left in the stream.
    int read_gametic(Population& p, std::string const& text, int external, std::string* rest)
    {
        std::istringstream in(text);
        int ok = p.read_gametic_data(in, list, external);
        in.clear();
        std::getline(in, *rest, '\0');
        return ok;
    }

    int read_genotypic(Population& p, std::string const& text, int external)
    {
        std::istringstream in(text);
        return p.read_genotypic_data(in, external);
    }

    std::vector<std::string> reports() { return reports_of(take_log()); }

    std::vector<std::string> record_ids(Population const& p)
    {
        std::vector<std::string> ids;
        for (int i = 0; i < p.haplotypes.count; ++i)
            ids.push_back(std::string(p.haplotypes[i]->haplotype->id.str) + ":" +
                          std::to_string(p.haplotypes[i]->count));
        return ids;
    }
};

TEST_F(OldSampleReader, InlineHaplotypesStopAtTheBraceAndFixTheSampleSize)
{
    const std::string block =
        "  h1 2 ACGT   # first\n  h2 1 ACGA\n\n # comment line\n  }\n[[Structure]]";
    for (double declared : {3.0, 4.0}) {
        SCOPED_TRACE(declared);
        list.reset();
        Population p = sample(declared);
        std::string rest;
        ASSERT_EQ(read_gametic(p, block, 0, &rest), 1);
        EXPECT_THAT(record_ids(p), ElementsAre("h1:2", "h2:1"));
        EXPECT_EQ(rest, "}\n[[Structure]]");
        EXPECT_EQ(list.list.count, 2);
        EXPECT_STREQ(list.list[0]->content.str, "ACGT");
        EXPECT_EQ(list.list[0]->count, 2);
        EXPECT_EQ(p.SampleSize, 3);
        EXPECT_DOUBLE_EQ(p.inv_sample_size, 1.0 / 3);
        EXPECT_EQ(p.num_haplotypes, 2);
        if (declared == 3)
            EXPECT_THAT(reports(), IsEmpty());
        else
            EXPECT_THAT(reports(),
                        ElementsAre("WARNING|" + GAMETIC + " (SampleSize=4; Sum. Freq.=3)|141"));
    }
}

TEST_F(OldSampleReader, HaplotypeRecordCases)
{
    struct Case {
        const char* name;
        TDataType type;
        const char* block;
        int ok;
        std::vector<std::string> records;
        std::vector<std::string> reports;
    };
    const std::vector<Case> cases = {
        {"count 0 defines without a record", DNA, "h1 0 ACGT\nh2 3 ACGA\n}", 1, {"h2:3"},
         {"WARNING|" + GAMETIC + " (SampleSize=10; Sum. Freq.=3)|141"}},
        {"repeated id, same text", DNA, "h1 2 ACGT\nh1 3 ACGT\n}", 1, {"h1:2", "h1:3"},
         {"WARNING|" + GAMETIC + ",  h1 : |146",
          "WARNING|" + GAMETIC + " (SampleSize=10; Sum. Freq.=5)|141"}},
        {"repeated id, other text", DNA, "h1 2 ACGT\nh1 3 ACGA\n}", 0, {},
         {"WARNING|" + GAMETIC + ",  h1 : |146", "ERROR|" + GAMETIC + "|31"}},
        {"undefined haplotype", DNA, "h3 2\n}", 0, {},
         {"ERROR|" + GAMETIC + " (Hapl h3)|145"}},
        {"frequency data need no text", FREQUENCY, "h3 2\nh4 8\n}", 1, {"h3:2", "h4:8"}, {}},
        {"brace after the last text", DNA, "h1 2 ACGT }\n", 0, {},
         {"ERROR|HaploDef::read_data()|26"}},
        {"brace after the count", FREQUENCY, "h1 2 }\n", 0, {},
         {"ERROR|" + GAMETIC + "|100"}},
        {"no count", DNA, "h1 ACGT\n}", 0, {}, {"ERROR|" + GAMETIC + "|144"}},
        {"negative count", DNA, "h1 -3 ACGT\n}", 0, {}, {"ERROR|" + GAMETIC + "|144"}},
        {"total count past INT_MAX", DNA, "h1 2147483647 ACGT\nh1 1 ACGT\n}", 0, {"h1:2147483647"},
         {"ERROR|" + GAMETIC + "|144"}},
        {"no closing brace", DNA, "h1 10 ACGT\n", 0, {"h1:10"}, {"ERROR|" + GAMETIC + "|100"}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        list.reset();
        ProfileSettings::DataType = c.type;
        Population p = sample(10);
        std::string rest;
        EXPECT_EQ(read_gametic(p, c.block, 0, &rest), c.ok);
        EXPECT_EQ(record_ids(p), c.records);
        EXPECT_EQ(reports(), c.reports);
    }
}

TEST_F(OldSampleReader, ZeroCountKeepsTheDefinitionInTheProjectList)
{
    Population p = sample(0);
    std::string rest;
    ASSERT_EQ(read_gametic(p, "h1 0 ACGT\n}", 0, &rest), 1);
    ASSERT_EQ(list.list.count, 1);
    EXPECT_STREQ(list.list[0]->content.str, "ACGT");
    EXPECT_EQ(p.inv_sample_size, 1.0);
}

TEST_F(OldSampleReader, RelativeFrequenciesBecomeRoundedCounts)
{
    profile.Frequency = 1;
    struct Case {
        const char* block;
        std::vector<std::string> records;
        double size;
        bool warned;
    };
    // A leading '.' belongs to the number: .5 is a half, never 5.
    const std::vector<Case> cases = {
        {"h1 0.5 ACGT\nh2 0.4 ACGA\n}", {"h1:5", "h2:4"}, 9, true},
        {"h1 .5 ACGT\nh2 0.5 ACGA\n}", {"h1:5", "h2:5"}, 10, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.block);
        list.reset();
        Population p = sample(10);
        std::string rest;
        ASSERT_EQ(read_gametic(p, c.block, 0, &rest), 1);
        EXPECT_EQ(record_ids(p), c.records);
        EXPECT_EQ(p.SampleSize, c.size);
        if (c.warned)
            EXPECT_THAT(reports(), ElementsAre("WARNING|" + GAMETIC +
                                               " sum of Relative frequencies=0.900000|174"));
        else
            EXPECT_THAT(reports(), IsEmpty());
    }
}

TEST_F(OldSampleReader, GenotypicBlockCountsGeneCopies)
{
    profile.GenotypicData = 1;
    Population p = sample(3);
    const char* block =
        "ind1 1 12 14 15   # first\n"
        "       11 14 16\n"
        "# between\n"
        "ind2\t2\t13 14 15\n"
        "12 12 12\t\n"
        "}";
    ASSERT_EQ(read_genotypic(p, block, 0), 1);
    ASSERT_EQ(p.individuals.phenotypes.count, 2);
    TPhenotype const* first = p.individuals.phenotypes[0];
    EXPECT_STREQ(first->name.str, "ind1");
    EXPECT_EQ(first->count, 1);
    EXPECT_STREQ(first->gene_copy[0].str, "12 14 15");
    EXPECT_STREQ(first->gene_copy[1].str, "       11 14 16");
    EXPECT_STREQ(p.individuals.phenotypes[1]->gene_copy[1].str, "12 12 12");
    EXPECT_EQ(p.SampleSize, 6);
    EXPECT_DOUBLE_EQ(p.inv_sample_size, 1.0 / 6);
    EXPECT_EQ(p.num_haplotypes, 2);
    EXPECT_THAT(reports(), IsEmpty());
}

TEST_F(OldSampleReader, GenotypicRecordFailures)
{
    profile.GenotypicData = 1;
    struct Case {
        const char* name;
        const char* block;
        std::string report;
    };
    const std::vector<Case> cases = {
        {"count 0", "ind1 0 12 14\n11 14\n}", "ERROR|" + GENOTYPIC + "|149"},
        {"no count", "ind1\n12 14\n11 14\n}", "ERROR|" + GENOTYPIC + "|149"},
        {"no gene copy on the first line", "ind1 1\n11 14\n}", "ERROR|" + GENOTYPIC + "|150"},
        {"comment instead of a gene copy", "ind1 1 # none\n11 14\n}",
         "ERROR|" + GENOTYPIC + "|150"},
        {"second line missing", "ind1 1 12 14", "ERROR|" + GENOTYPIC + "|150"},
        {"no closing brace", "ind1 1 12 14\n11 14\n", "ERROR|" + GENOTYPIC + "|64"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Population p = sample(1);
        EXPECT_EQ(read_genotypic(p, c.block, 0), 0);
        EXPECT_THAT(reports(), ElementsAre(c.report));
    }
}

// External files end at their end and get the same end step as inline
// blocks: sizes in gene copies, the size check and the relative-frequency check.
TEST_F(OldSampleReader, ExternalFilesGetTheEndStep)
{
    profile.GenotypicData = 1;
    Population genotypic = sample(3);
    ASSERT_EQ(read_genotypic(genotypic, "ind1 1 12 14\n11 14\nind2 2 12 12\n14 14", 1), 1);
    EXPECT_EQ(genotypic.SampleSize, 6);
    EXPECT_EQ(genotypic.num_haplotypes, 2);
    EXPECT_THAT(reports(), IsEmpty());

    profile.GenotypicData = 0;
    profile.Frequency = 1;
    Population haplotypic = sample(10);
    std::string rest;
    ASSERT_EQ(read_gametic(haplotypic, "h1 0.5 ACGT\nh2 0.2 ACGA\n", 1, &rest), 1);
    EXPECT_EQ(haplotypic.SampleSize, 7);
    EXPECT_THAT(reports(),
                ElementsAre("WARNING|" + GAMETIC + " sum of Relative frequencies=0.700000|174"));

    profile.Frequency = 0;
    list.reset();
    Population repeated = sample(4);
    ASSERT_EQ(read_gametic(repeated, "h1 1 ACGT\nh1 3 ACGT\n", 1, &rest), 1);
    EXPECT_EQ(repeated.SampleSize, 4);
    EXPECT_THAT(reports(), ElementsAre("WARNING|" + GAMETIC + ",  h1 : |146"));
}

}  // namespace
