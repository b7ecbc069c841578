// The SampleData block of a sample: the haplotypic and genotypic readers with
// their checks and log messages, and the writer that gives the block back.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "model/haplo_db.h"
#include "model/population.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

struct ReadResult {
    int ok;
    int line_number;  // after the call
    std::string line; // the last line read, as the reader cut it
    std::string log;
};

class SampleDataTest : public LogFolderTest {
protected:
    Haplo_DB list;
    Population pop;

    void SetUp() override
    {
        use(DNA, 0);
        pop.name = "pop";
        pop.SampleSize = 10;
    }

    void TearDown() override { use(STANDARD, 0); }

    // A new project: an empty haplotype list and an empty sample of that size.
    void restart(double sample_size = 10)
    {
        pop.clean();
        list.reset();
        pop.SampleSize = sample_size;
    }

    static void use(TDataType type, char separator)
    {
        ProfileSettings::DataType = type;
        ProfileSettings::LocusSeparator = separator;
    }

    // Reads a block that follows a SampleData line on line 10 of a project.
    ReadResult read(std::string const& block, bool genotypic = false, int external = 0)
    {
        std::istringstream in(block);
        my_string line;
        int line_number = external ? 0 : 10;
        int ok = genotypic ? pop.New_read_genotypic_data(in, external, line_number, line)
                           : pop.New_read_gametic_data(in, list, external, line_number, line);
        return {ok, line_number, line.str, take_log()};
    }

    // "id:count" of every record, in order.
    static std::vector<std::string> records(Population const& p)
    {
        std::vector<std::string> out;
        for (int i = 0; i < p.haplotypes.count; i++)
            out.push_back(std::string(p.haplotypes[i]->haplotype->id.str) + ":" +
                          std::to_string(p.haplotypes[i]->count));
        return out;
    }

    // "id=content" of every definition of the list, in order.
    std::vector<std::string> definitions() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < list.list.count; i++)
            out.push_back(std::string(list.list[i]->id.str) + "=" + list.list[i]->content.str);
        return out;
    }

    static std::string written(Population const& p)
    {
        std::ostringstream os;
        os << p;
        return os.str();
    }

    static std::string file_text(const char* name)
    {
        return read_text(fs::path(DROV_TEST_DATA) / "model" / name);
    }
};

const std::vector<std::string> H1_H2 = {"h1:3", "h2:7"};

TEST_F(SampleDataTest, AbsoluteCountsSetTheSampleSizeAndWarnWhenTheyDiffer)
{
    struct Case {
        double given_size;
        std::string warning;  // empty: none
    };
    const Case cases[] = {
        {10, ""},
        {12, "#[WARNING # 1] from function \"Population::New_read_gametic_data() "
             "(SampleSize=12; Sum. Freq.=10)\" : sum of haplotype frequencies do not match "
             "specified sample size : adjusting sample size\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.given_size);
        restart(c.given_size);
        ReadResult r = read("h1 3 ACGT\nh2 7 ACGA\n}\n");
        EXPECT_EQ(r.ok, 1);
        EXPECT_EQ(records(pop), H1_H2);
        EXPECT_EQ(definitions(), (std::vector<std::string>{"h1=ACGT", "h2=ACGA"}));
        EXPECT_EQ(list.list[0]->count, 3);
        EXPECT_EQ(pop.num_haplotypes, 2);
        EXPECT_EQ(pop.SampleSize, 10);
        EXPECT_DOUBLE_EQ(pop.inv_sample_size, 0.1);
        EXPECT_EQ(r.line_number, 13);
        EXPECT_EQ(r.line, "");
        if (c.warning.empty())
            EXPECT_EQ(r.log, "");
        else
            EXPECT_THAT(r.log, HasSubstr(c.warning));
        E.error(WARNING, "reset", -1);
    }
}

TEST_F(SampleDataTest, RelativeFrequenciesAreScaledBySampleSize)
{
    pop.profile.Frequency = 1;
    ReadResult r = read("h1 0.25 ACGT\nh2 0.75 ACGA\n}\n");
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(records(pop), (std::vector<std::string>{"h1:3", "h2:8"}));
    EXPECT_EQ(pop.SampleSize, 11);
    EXPECT_EQ(r.log, "");

    restart();
    r = read("h1 0.2 ACGT\nh2 0.7 ACGA\n}\n");
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(records(pop), (std::vector<std::string>{"h1:2", "h2:7"}));
    EXPECT_THAT(r.log, HasSubstr("#[WARNING # 1] from function \"Population::New_read_gametic_data() "
                                 "sum of Relative frequencies=0.900000\" : Sum of elements "
                                 "should be equal to 1\n"));
    EXPECT_THAT(r.log, Not(HasSubstr("SampleSize=")));
}

struct FailureCase {
    const char* block;
    bool genotypic;
    std::string line_text;  // the reader's own line on the log
    std::string report;     // the report that follows; empty: none
    int line_number;        // after the call
};

TEST_F(SampleDataTest, FailuresAreReportedWithTheirLineNumbers)
{
    const std::string GAM = "from function \"Population::New_read_gametic_data()\" : ";
    const std::string GEN = "from function \"Population::New_read_genotypic_data()\" : ";
    const FailureCase cases[] = {
        {"h1 3 ACGT\n  SampleName=\"next\"\n", false,
         "\tMissing closing brace for sample \"pop\". New section found on line 12 before "
         "finding closing brace.  Aborting reading procedure\n",
         GAM + "missing closing brace in Sampledata definition", 12},
        {"h1 3 ACGT\n", false,
         "\tMissing closing brace for sample \"pop\", aborting reading procedure\n",
         GAM + "missing closing brace in Sampledata definition", 11},
        {"h1 3 ACGT\nh9 7\n}\n", false,
         "\tHaplotype \"h9\" listed on line 12 is undefined. Aborting reading project.\n",
         GAM + "unable to read sample data", 12},
        {"h1\n}\n", false,
         "\tUnable to read haplotype \"h1\" frequency on line 11, aborting reading procedure\n",
         GAM + "unable to read haplotype frequency", 11},
        {"h1 3x ACGT\n}\n", false,
         "\tProblem reading haplotype frequency (\"3x\") on line 11 . Aborting reading file\n",
         GAM + "unable to read haplotype frequency", 11},
        {"h1 1e999 ACGT\n}\n", false, "(\"1e999\") on line 11", GAM + "unable to read haplotype frequency", 11},
        // Negative and undefined frequencies are refused as well.
        {"h1 -2 ACGT\n}\n", false, "(\"-2\") on line 11", GAM + "unable to read haplotype frequency", 11},
        {"h1 3 ACGT\nh2 nan ACGT\n}\n", false, "(\"nan\") on line 12",
         GAM + "unable to read haplotype frequency", 12},
        {"h1 3 ACGT\nh2 -inf ACGT\n}\n", false, "(\"-inf\") on line 12",
         GAM + "unable to read haplotype frequency", 12},
        // Counts are held in an int, and so is the total of one haplotype's
        // copies over all samples: past that range the message says so.
        {"h1 2147483647 ACGT\nh1 1\n}\n", false,
         "\tCount (\"1\") of haplotype \"h1\" on line 12 takes its total over all samples past "
         "2147483647, the largest count that can be held. Aborting reading project\n",
         GAM + "too many alleles, or too large sample ", 12},
        {"h1 3 ACGT\nh2 3e9 ACGT\n}\n", false,
         "\tCount (\"3e9\") of haplotype \"h2\" on line 12 is past 2147483647, the largest count "
         "that can be held. Aborting reading project\n",
         GAM + "too many alleles, or too large sample ", 12},
        {"ind1 2147483648 AC\nGT\n}\n", true,
         "\tCount (\"2147483648\") of genotype \"ind1\" on line 11 is past 2147483647",
         GEN + "too many alleles, or too large sample ", 11},
        {"h1 3 ACGT\nh2 2 ACG\n}\n", false,
         "\tNumber of loci for haplotype \"h2\" is different (3) from that previously defined "
         "(4) on line 12\n",
         GAM + "phenotypes have different number of loci", 12},
        {"h1 3 ACGT\nh1 2 ACGA\n}\n", false,
         "\tDefinition of haplotype h1 defined on line 12 does not match its previous "
         "definition, aborting reading project.\n",
         GAM + "haplotype already defined", 12},
        {"h1 3 AC!T\n}\n", false,
         "\tUnable to read haplotype definition on line 11, aborting reading procedure\n",
         GAM + "unable to read sample data", 11},
        {"h1 3 ACGT\nh1 2 AC!T\n}\n", false,
         "\tUnable to read haplotype definition on line 12. Aborting reading project.\n",
         GAM + "unable to read haplotype data", 12},
        {"ind1\n}\n", true, "\tUnable to read genotype ID on line 11, aborting reading procedure\n",
         "", 11},
        {"ind1   \n}\n", true,
         "\tUnable to read read genotype frequency on line 11. Aborting reading project\n",
         "from function \"New_read_genotypic_data()\" : unable to read genotype frequency", 11},
        {"ind1 1x AC\nGT\n}\n", true,
         "\tProblem reading genotype frequency (\"1x\") on line 11 . Aborting reading project\n",
         GEN + "unable to read genotype frequency", 11},
        {"ind1 -1 AC\nGT\n}\n", true, "(\"-1\") on line 11", GEN + "unable to read genotype frequency", 11},
        {"ind1 1\nGT\n}\n", true,
         "\tUnable to read genotype \"ind1\" definition on line 11. Aborting reading project\n",
         GEN + "unable to read genotype frequency", 11},
        {"ind1 1   \nGT\n}\n", true,
         "\tUnable to read phenotype \"ind1\" definition on line 11. Aborting reading project\n",
         GEN + "unable to read genotype data", 11},
        {"ind1 1 AC\nGTA\n}\n", true,
         "\tNumber of loci for genotype \"ind1\" is different (3) from that previously defined "
         "(2) on line 12\n",
         GEN + "phenotypes have different number of loci", 12},
        {"ind1 1 AC\nGT\nind2 1 ACG\nGTA\n}\n", true, "is different (3) from that previously defined (2) on line 13",
         GEN + "phenotypes have different number of loci", 13},
        // An individual whose block closes after its first line is not dropped silently.
        {"ind1 1 AC\nGT\nind2 1 AA\n}\n", true, "\"ind2\" on line 14", GEN + "unable to read genotype data", 14},
        {"ind1 1 AC\n[Structure]\n", true, "New section found on line 12",
         GEN + "missing closing brace in Sampledata definition", 12},
    };
    for (FailureCase const& c : cases) {
        SCOPED_TRACE(c.block);
        restart();
        E.error(WARNING, "reset", -1);
        ReadResult r = read(c.block, c.genotypic);
        EXPECT_EQ(r.ok, 0);
        EXPECT_EQ(r.line_number, c.line_number);
        EXPECT_THAT(r.log, HasSubstr(c.line_text));
        if (c.report.empty())
            EXPECT_THAT(r.log, Not(HasSubstr("#[ERROR")));
        else
            EXPECT_THAT(r.log, AllOf(HasSubstr("#[ERROR # "), HasSubstr(c.report + "\n")));
    }
}

TEST_F(SampleDataTest, ABadOrDifferingDefinitionEmptiesTheSampleRecordsOnly)
{
    // A sample read before this one keeps the definitions its records use.
    Population earlier;
    earlier.SampleSize = 3;
    std::istringstream first("h0 3 TTTT\n}\n");
    my_string line;
    int line_number = 0;
    ASSERT_EQ(earlier.New_read_gametic_data(first, list, 0, line_number, line), 1);

    const char* blocks[] = {"h1 3 ACGT\nh2 4 ACGA\nh1 2 ACGG\n}\n",  // differing repeat
                            "h1 3 ACGT\nh2 4 ACGA\nh3 2 AC!G\n}\n"}; // unreadable text
    for (const char* block : blocks) {
        SCOPED_TRACE(block);
        pop.clean();
        ReadResult r = read(block);
        EXPECT_EQ(r.ok, 0);
        EXPECT_EQ(pop.haplotypes.count, 0);
        ASSERT_GE(list.list.count, 3);
        EXPECT_EQ(definitions()[0], "h0=TTTT");
        EXPECT_EQ(earlier.haplotypes[0]->haplotype, list.list[0]);
        EXPECT_STREQ(earlier.haplotypes[0]->haplotype->content.str, "TTTT");
    }
    E.error(WARNING, "reset", -1);
    ReadResult r = read("h1 2 ACGG\n}\n");
    EXPECT_THAT(r.log, HasSubstr("#[WARNING # 1] from function \"Population::New_read_gametic_data(),"
                                 "  h1 : \" : data already defined\n"
                                 "\tHaplotype h1 defined on line 11 has already been defined "
                                 "previously...\n"));
}

TEST_F(SampleDataTest, TheSampleNameLineIsLeftInTheLineBuffer)
{
    ReadResult r = read("h1 3 ACGT # a comment\n\tSampleName=\"b\" # next\n");
    EXPECT_EQ(r.ok, 0);
    EXPECT_EQ(r.line, "SampleName=\"b\" ");
}

TEST_F(SampleDataTest, DefinedIdentifiersNeedNoText)
{
    // A stored definition is used as it is; its text given again must agree.
    ReadResult r = read("h1 3 ACGT\nh1 5\nh1 2 ACGT\nh2 0 ACGA\n}\n");
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(records(pop), (std::vector<std::string>{"h1:3", "h1:5", "h1:2"}));
    EXPECT_EQ(definitions(), (std::vector<std::string>{"h1=ACGT", "h2=ACGA"}));  // count 0: no record
    EXPECT_EQ(list.list[0]->count, 10);
    EXPECT_THAT(r.log, HasSubstr("data already defined"));

    // Frequency data have no text: a new identifier enters the list with none.
    use(FREQUENCY, 0);
    restart();
    r = read("h1 5\nh2 5 ignored\n}\n");
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(definitions(), (std::vector<std::string>{"h1=", "h2="}));
    EXPECT_EQ(pop.SampleSize, 10);
}

TEST_F(SampleDataTest, ASeparatorPrecedesEveryAlleleOfOtherDataTypes)
{
    use(MICROSAT, ' ');
    ReadResult r = read("a 1 12 14 9\nb 1 12 14\n}\n");
    EXPECT_EQ(r.ok, 0);
    EXPECT_EQ(definitions()[0], "a= 12 14 9");
    EXPECT_THAT(r.log, HasSubstr("is different (2) from that previously defined (3) on line 12"));
}

TEST_F(SampleDataTest, CommentsAndBracesCutTheLine)
{
    struct Case {
        const char* block;
        const char* content;
        int line_number;
    };
    const Case cases[] = {
        {"h1 2 ACGT }\nh2 8 ACGA\n}\n", "ACGT", 11},  // the brace ends the block
        {"h1 2 AC#GT\n}\n", "AC", 12},
        {"\n  \t\nh1 2 ACGT\n\t}\n", "ACGT", 14},  // empty lines are skipped
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.block);
        restart(2);
        ReadResult r = read(c.block);
        EXPECT_EQ(r.ok, 1);
        EXPECT_EQ(definitions(), (std::vector<std::string>{std::string("h1=") + c.content}));
        EXPECT_EQ(r.line_number, c.line_number);
        EXPECT_EQ(r.log, "");
    }
}

TEST_F(SampleDataTest, FractionalAbsoluteCountsAreCutWithAWarning)
{
    ReadResult r = read("h1 2.5 ACGT\nh2 0.5 ACGA\nh3 7 AAAA\n}\n");
    EXPECT_EQ(r.ok, 1);
    EXPECT_EQ(records(pop), (std::vector<std::string>{"h1:2", "h3:7"}));
    EXPECT_EQ(pop.SampleSize, 9);  // what the records hold
    EXPECT_THAT(r.log, HasSubstr("haplotype frequencies are not absolute frequencies\n"
                                 "\tHaplotype \"h1\" count (2.5) on line 11 is not a whole number: "
                                 "2 copies kept\n"));
    EXPECT_THAT(r.log, HasSubstr("\"h2\" count (0.5) on line 12"));
}

TEST_F(SampleDataTest, AnExternalBlockEndsWithItsFile)
{
    std::ifstream in(fs::path(DROV_TEST_DATA) / "model" / "external_haplotypes.txt");
    my_string line;
    int line_number = 0;
    EXPECT_EQ(pop.New_read_gametic_data(in, list, 1, line_number, line), 1);
    EXPECT_EQ(records(pop), H1_H2);
    EXPECT_EQ(line_number, 2);
    EXPECT_EQ(take_log(), "");

    // An external file that could not be opened gives an empty sample.
    std::ifstream missing(dir / "missing.txt");
    line_number = 0;
    restart(0);
    EXPECT_EQ(pop.New_read_gametic_data(missing, list, 1, line_number, line), 1);
    EXPECT_EQ(pop.haplotypes.count, 0);
    EXPECT_EQ(pop.inv_sample_size, 1);
    EXPECT_EQ(line_number, 0);
}

TEST_F(SampleDataTest, GenotypicBlockCountsGeneCopies)
{
    pop.SampleSize = 2;
    ReadResult r = read("ind1 1 AC\nGT\nind2 1 AA\nAA\n}\n", true);
    EXPECT_EQ(r.ok, 1);
    ASSERT_EQ(pop.individuals.phenotypes.count, 2);
    TPhenotype const* first = pop.individuals.phenotypes[0];
    EXPECT_STREQ(first->name.str, "ind1");
    EXPECT_EQ(first->count, 1);
    EXPECT_STREQ(first->gene_copy[0].str, "AC");
    EXPECT_STREQ(first->gene_copy[1].str, "GT");
    EXPECT_EQ(pop.num_haplotypes, 4);
    EXPECT_EQ(pop.SampleSize, 4);
    EXPECT_DOUBLE_EQ(pop.inv_sample_size, 0.25);
    EXPECT_EQ(r.log, "");
}

TEST_F(SampleDataTest, GenotypicSumDifferingFromTheIndividualsIsReported)
{
    pop.SampleSize = 3;
    ReadResult r = read("ind1 1 AC\nGT\nind2 1 AA\nAA\n}\n", true);
    EXPECT_EQ(r.ok, 1);
    EXPECT_THAT(r.log, HasSubstr("\"Population::New_read_genotypic_data() (SampleSize=3; Sum. "
                                 "Freq.=2)\" : sum of genotype frequencies do not match"));
    EXPECT_EQ(pop.SampleSize, 4);
}

TEST_F(SampleDataTest, WrittenHaplotypicBlockReadsBackTheSameRecords)
{
    read("h1 3 ACGT\nh2 7 ACGA\n}\n");
    std::string text = written(pop);
    EXPECT_EQ(text, file_text("written_haplotypic.txt"));

    // Skip the SampleName, SampleSize and SampleData lines, then read again.
    Haplo_DB again_list;
    Population again(my_string("pop"), 0, pop.profile);
    again.SampleSize = 10;
    std::istringstream in(text);
    my_string line;
    for (int i = 0; i < 3; i++)
        line.read_line(in);
    int line_number = 3;
    ASSERT_EQ(again.New_read_gametic_data(in, again_list, 0, line_number, line), 1);
    EXPECT_EQ(records(again), H1_H2);
    EXPECT_EQ(written(again), text);
}

TEST_F(SampleDataTest, WrittenGenotypicBlockReadsBackTheSameIndividuals)
{
    pop.name = "pop 2";
    pop.profile.GenotypicData = 1;
    pop.SampleSize = 2;
    read("ind1 1 AC\nGT\nind2 1 AA\nAA\n}\n", true);
    std::string text = written(pop);
    EXPECT_EQ(text, file_text("written_genotypic.txt"));

    Population again(my_string("pop 2"), 0, pop.profile);
    again.SampleSize = 2;
    std::istringstream in(text);
    my_string line;
    for (int i = 0; i < 3; i++)
        line.read_line(in);
    int line_number = 3;
    ASSERT_EQ(again.New_read_genotypic_data(in, 0, line_number, line), 1);
    EXPECT_EQ(again.SampleSize, 4);
    EXPECT_EQ(written(again), text);
    EXPECT_EQ(take_log(), "");
}

TEST_F(SampleDataTest, IndividualsOfAHaplotypicProfileAreWrittenAsHaplotypes)
{
    pop.name = "pop 2";
    pop.SampleSize = 1;
    read("ind1 1 AC\nGT\n}\n", true);
    pop.profile.GenotypicData = 0;
    EXPECT_EQ(written(pop),
              "\t\tSampleName=\"pop 2\"\n\t\tSampleSize=2\n\t\tSampleData={\n"
              "                       pop_2_1      1.00\tAC\n"
              "                       pop_2_2      1.00\tGT\n"
              "\t\t}\n");
}

}  // namespace
