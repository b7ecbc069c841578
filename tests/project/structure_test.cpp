// Tests of the genetic structure: the reader of the "[[Structure]]"
// subsection (brace layouts, refusals and their messages, the number of
// groups), its writer, copies and the rebuilding over other samples.

#include "project/structure.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "project/samples.h"
#include "project_test_support.h"

namespace {

class StructureTest : public ProjectFolderTest {
protected:
    Samples samples;
    ProfileSettings profile;
    Structure structure;
    my_string line;
    int line_number = 0;
    bool name_found = false, nbgroups_found = false, level_found = false, group_found = false;

    void SetUp() override
    {
        ProjectFolderTest::SetUp();
        for (const char* name : {"pop A", "pop B", "pop C", "pop D"})
            samples.Populations.Add(new Population(my_string(name)));
    }

    // Reads the lines of a "[[Structure]]" subsection (those after its head).
    int read(std::string const& text)
    {
        std::ifstream in(write_file("structure.drp", text));
        line_number = 0;
        return structure.NewReadStructure(in, profile, samples, line_number, line, name_found,
                                          nbgroups_found, level_found, group_found);
    }

    Population* member(int g, int i) { return structure.Groups[g][i]; }
    Population* sample(int i) { return samples.Populations[i]; }
};

TEST_F(StructureTest, BothBraceLayoutsGiveTheSameGroups)
{
    ASSERT_EQ(read("StructureName=\"Two regions\"\nNbGroups=2\n"
                   "Group={\"pop A\" \"pop B\"}\n"
                   "Group=\n{\n\"pop C\"   # the third\n\"pop D\"\n}\n"),
              1);
    EXPECT_STREQ(structure.StructureName.str, "Two regions");
    ASSERT_EQ(structure.NbGroups, 2);
    EXPECT_EQ(structure.GroupSizes[0], 2);
    EXPECT_EQ(structure.GroupSizes[1], 2);
    EXPECT_EQ(structure.NbMembers, 4);
    EXPECT_EQ(member(0, 0), sample(0));
    EXPECT_EQ(member(0, 1), sample(1));
    EXPECT_EQ(member(1, 0), sample(2));
    EXPECT_EQ(member(1, 1), sample(3));
    EXPECT_EQ(line_number, 8);
    EXPECT_TRUE(name_found && nbgroups_found && group_found);
    EXPECT_FALSE(level_found);
    EXPECT_EQ(structure.has_population(sample(3)), 1);
}

struct Refusal {
    const char* text;
    const char* report;
    const char* message;
};

TEST_F(StructureTest, FaultyGroupsAreRefusedWithTheirMessages)
{
    const Refusal cases[] = {
        {"NbGroups=1\nGroup={pop A}\n", "group does not contain any population sample",
         "\t\tError while exploring structure of Group # 1. It does not contain any population "
         "sample\n\t\t\tCheck your [[Structure]] section, for unquoted sample names\n"},
        {"NbGroups=1\nGroup={\"pop a\"}\n", "unknown sample name",
         "\tError: Sample \"pop a\" defined in Group #1 on line 2 has not been defined in the "
         "[Samples] section.\n\tAborting reading project.\n"},
        {"NbGroups=2\nGroup={\"pop A\" \"pop B\"}\nGroup={\"pop C\"\n\"pop A\"}\n",
         "sample included twice in a group",
         "\tError: Sample \"pop A\" defined in Group #2 on line 4 has been alredy included in "
         "group #1.\n"},
        {"NbGroups=3\nGroup={\"pop A\"}\nGroup={\"pop B\"}\n", "invalid value assigned to "
                                                            "\"NbGroups\"",
         "\tInvalid number of groups defined. 3were expected, while 2 have been found!\n"},
        {"NbGroups=3\nGroup={\"pop A\"}\nGroup={\"pop B\"}\n[[Mantel]]\n",
         "invalid value assigned to \"NbGroups\"", "3were expected, while 2 have been found!"},
        {"NbGroups=2\n", "invalid value assigned to \"NbGroups\"",
         "2were expected, while 0 have been found!"},
        {"Group={\"pop A\"}\nNbGroups=1\n", "unknown number of groups",
         "\tError: Unexpected \"Group\" section found on line 1. Expected number of group is "
         "zero."},
        {"NbGroups=1\nGroup=\n\"pop A\"}\n", "missing opening brace for group definition",
         "\tError: Missing opening brace in Group #1. Aborting reading project\n"},
        {"NbGroups=-2\n", "invalid value assigned to \"NbGroups\"",
         "\tError: Invalid value for \"NbGroups\" on line 1. Aborting reading project.\n"},
        {"NbGroups=2\nGroup={\"pop A\"}\nNbGroups=3\n", "invalid value assigned to \"NbGroups\"",
         "on line 3 (after the first group). Aborting reading project.\n"},
        // More groups declared than there are samples: the groups given are
        // still read and counted, and the message says what is too large.
        {"NbGroups=5\nGroup={\"pop A\"}\n", "invalid value assigned to \"NbGroups\"",
         "\tInvalid number of groups defined. 5were expected, while 1 have been found!\n"
         "\t\"NbGroups\" (5) is larger than the number of samples (4), while every group "
         "needs a sample of its own\n"},
        {"NbGroups=1000000000\nGroup={\"pop A\"}\nGroup={\"pop B\" \"pop C\"}\n",
         "invalid value assigned to \"NbGroups\"",
         "1000000000were expected, while 2 have been found!\n\t\"NbGroups\" (1000000000) is "
         "larger than the number of samples (4)"},
        {"NbGroups=9\nGroup={\"pop A\"}\nGroup={\"pop B\"}\nGroup={\"pop C\"}\n"
         "Group={\"pop D\"}\nGroup={\"pop A\"}\n",
         "sample included twice in a group",
         "\tError: Sample \"pop A\" defined in Group #5 on line 6 has been alredy included in "
         "group #1.\n"},
        {"StructureName=Regions\n", "invalid value assigned to \"StructureName\"",
         "\tError: Bad value assigned to StructureName on line 1. Aborting reading project.\n"},
        {"NbGroups=1\nGroup={\"pop A\"}\n[[DistanceMatrix]]\n", "invalid keyword in section "
                                                              "[Structure]",
         "Line #3 : Section [[DISTANCEMATRIX]] found after the [[Structure]] section"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(read(c.text), 0);
        std::string log = take_log();
        EXPECT_TRUE(has(log, std::string("[ERROR # 1] from function \"Structure::NewReadStructure\" : ")
                                 + c.report))
            << log;
        EXPECT_TRUE(has(log, c.message)) << log;
        E.error(WARNING, "reset", -1);
    }
}

TEST_F(StructureTest, GroupsBeyondTheDeclaredNumberAreLeftToTheCaller)
{
    ASSERT_EQ(read("NbGroups=2\nGroup={\"pop A\"}\nGroup={\"pop B\"}\nGroup={\"pop C\"}\n"), 1);
    EXPECT_STREQ(line.str, "Group={\"pop C\"}");
    EXPECT_EQ(structure.NbMembers, 2);
}

TEST_F(StructureTest, SubsectionEndsAtTheMantelHead)
{
    ASSERT_EQ(read("NbGroups=1\nGroup={\"pop A\"}\n[[Mantel]]\nMatrixSize=2\n"), 1);
    EXPECT_STREQ(line.str, "[[Mantel]]");
    EXPECT_EQ(line_number, 3);
}

TEST_F(StructureTest, NoGroupsAndObsoleteKeys)
{
    ASSERT_EQ(read("NbGroups=0\nDistMatLabel=\"x\"\nIndividualLevel=1\n"), 1);
    EXPECT_EQ(structure.NbGroups, 0);
    EXPECT_TRUE(level_found);
    std::string log = take_log();
    EXPECT_TRUE(has(log, "\tWarning: Keyword \"DistMatLabel\" is obsolete. Skipping keyword.\n"));
    EXPECT_TRUE(has(log, "\tWarning: Keyword \"IndividualLevel\" defined on line 3 is obsolete."));
    std::ostringstream written;
    written << structure;
    EXPECT_EQ(written.str(), "");
    EXPECT_EQ(structure.has_population(sample(0)), 0);
}

TEST_F(StructureTest, ExternalStructureIsNotRead)
{
    EXPECT_EQ(read("NbGroups=0\nStructureName= EXTERN \"s.txt\"\nNbGroups=3\n"), 1);
    EXPECT_EQ(structure.NbGroups, 0);
    EXPECT_TRUE(has(take_log(), "External definition of the \"Genetic Structure\" is not "
                                "supported anymore in ver 3"));
}

TEST_F(StructureTest, WriterOutputReadsBackToTheSameGroups)
{
    ASSERT_EQ(read("StructureName=\"Two regions\"\nNbGroups=2\n"
                   "Group={\"pop A\" \"pop B\"}\nGroup={\"pop D\"}\n"),
              1);
    std::ostringstream written;
    written << structure;
    EXPECT_EQ(written.str(),
              "\n\t[[Structure]]\n\n\t\tStructureName = \"Two regions\"\n\t\tNbGroups = 2\n"
              "\t#Group1\n\t\tGroup={\n\t\t\"pop A\"\n\t\t\"pop B\"\n\t\t}\n\n"
              "\t#Group2\n\t\tGroup={\n\t\t\"pop D\"\n\t\t}\n\n");
    std::string text = written.str();
    Structure again;
    std::ifstream in(write_file("again.drp", text.substr(text.find("]]") + 2)));
    ASSERT_EQ(again.NewReadStructure(in, profile, samples, line_number, line, name_found,
                                     nbgroups_found, level_found, group_found),
              1);
    ASSERT_EQ(again.NbGroups, 2);
    EXPECT_EQ(again.Groups[0][1], sample(1));
    EXPECT_EQ(again.Groups[1][0], sample(3));
}

TEST_F(StructureTest, CopiesShareTheSamplesAndRebuildsMatchByName)
{
    ASSERT_EQ(read("NbGroups=2\nGroup={\"pop A\" \"pop B\"}\nGroup={\"pop C\"}\n"), 1);
    Structure copy(structure);
    ASSERT_EQ(copy.NbGroups, 2);
    EXPECT_EQ(copy.Groups[0][1], sample(1));
    EXPECT_EQ(copy.Groups[1].owns, 0);

    Samples other;
    for (const char* name : {"pop C", "pop B", "pop A"})
        other.Populations.Add(new Population(my_string(name)));
    Structure rebuilt;
    ASSERT_EQ(rebuilt.build_one_loci_str(&other, &structure), 1);
    EXPECT_EQ(rebuilt.Groups[0][0], other.Populations[2]);
    EXPECT_EQ(rebuilt.Groups[1][0], other.Populations[0]);
    EXPECT_EQ(rebuilt.NbMembers, 3);

    other.Populations.Detach(0);
    EXPECT_EQ(rebuilt.build_one_loci_str(&other, &structure), 0);
    EXPECT_TRUE(has(take_log(), "\tStructure::build_one_loci_str(): impossible to reproduce "
                                "structure\n"));

    structure.reset();
    EXPECT_EQ(structure.NbGroups, 0);
    EXPECT_EQ(samples.Populations.count, 4);
}

TEST_F(StructureTest, PrintStructureFramesTheSubsection)
{
    ASSERT_EQ(read("StructureName=\"S\"\nNbGroups=1\nGroup={\"pop A\"}\n"), 1);
    std::ostringstream out;
    structure.print_structure(out);
    std::string equals(65, '='), dashes(27, '-');
    EXPECT_EQ(out.str(), "\n" + equals + "\n  AMOVA ANALYSIS\n" + equals + "\n\n\n" + dashes +
                             "\nGenetic structure to test :\n" + dashes +
                             "\n\nNo. of Groups = 1\n\n\n\t[[Structure]]\n\n\t\tStructureName = "
                             "\"S\"\n\t\tNbGroups = 1\n\t#Group1\n\t\tGroup={\n\t\t\"pop A\"\n"
                             "\t\t}\n\n" + dashes + "\n\n");
}

}  // namespace
