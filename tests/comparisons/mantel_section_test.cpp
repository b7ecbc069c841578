// The Mantel section of a project file in the current syntax
// (Mantel::NewOpenMantel) and its matrix blocks (Mantel::newReadMatrixData):
// what a section leaves in the record, every refusal with its log line and
// reports, and the record emptied for the next project.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "comparisons/mantel.h"
#include "project/old_syntax_support.h"
#include "support/temp_log.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const char* const READER = "ERROR|Mantel::NewReadMantel()|";
const char* const BLOCK = "ERROR|Mantel::newReadmatrixData()|";

// The section of the example project: four populations, a custom Y inline
// and X1 from a file of its own; the labels stretch over two lines.
const std::string EXAMPLE = "MatrixSize = 4\n"
                            "MatrixNumber = 2\n"
                            "YMatrix = \"custom\"\n"
                            "YMatrixLabels = { pop1 pop2\n"
                            "pop3 pop4 }\n"
                            "DistMatMantel = {\n"
                            "0\n"
                            "0.12 0\n"
                            "0.20 0.31 0\n"
                            "0.05 0.44 0.17 0 }\n"
                            "DistMatMantel = EXTERN \"x1.txt\"\n"
                            "UsedYMatrixLabels = { pop1 pop3 pop4 }\n";
const std::string X1_FILE = "0\n1 0\n2 1 0\n3 2 1 0\n";

// The text with its first occurrence of `from` replaced by `to`.
std::string replaced(std::string text, std::string const& from, std::string const& to)
{
    auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class MantelSectionTest : public LogFolderTest {
protected:
    Mantel mantel;
    settings run_settings;
    ProfileSettings profile;
    bool found[6] = {};  // MatrixSize, YMatrix, MatrixNumber, YMatrixLabels, DistMatMantel, Used
    int line_number = 0;

    void SetUp() override
    {
        run_settings.project_dir = (dir.string() + "/").c_str();
        run_settings.ComputeDistanceMatrixAMOVA = 0;
        profile.RunSettings = &run_settings;
        profile.Title = "T";
        write_file("x1.txt", X1_FILE);
    }

    // Reads the section from a file whose line 1 is the section's head.
    int read(std::string const& section)
    {
        write_file("p.drp", "[[Mantel]]\n" + section);
        std::ifstream in((dir / "p.drp").string());
        my_string head;
        head.read_line(in);
        line_number = 1;
        my_string line;
        return mantel.NewOpenMantel(in, profile, line_number, line, found[0], found[1], found[2],
                                    found[3], found[4], found[5]);
    }

    static std::vector<std::string> labels(MY_TArrayAsVector<my_string> const& list)
    {
        std::vector<std::string> text;
        for (int k = 0; k < list.count; ++k)
            text.push_back(list.data[k].str);
        return text;
    }
};

TEST_F(MantelSectionTest, ExampleSectionFillsTheRecord)
{
    ASSERT_EQ(read(EXAMPLE + "[[Structure]]\nNbGroups = 1\n"), 1) << take_log();
    EXPECT_EQ(mantel.MatrixSize, 4);
    EXPECT_EQ(mantel.MatrixNumber, 2);
    EXPECT_EQ(mantel.MatricesRead, 2);
    EXPECT_STREQ(mantel.YMatrix.str, "custom");
    for (int k = 0; k < 4; ++k)
        EXPECT_STREQ(mantel.YMatrixLabels[k].str, ("pop" + std::to_string(k + 1)).c_str());
    EXPECT_THAT(labels(mantel.UsedYMatrixLabels), ElementsAre("pop1", "pop3", "pop4"));
    EXPECT_EQ(mantel.MatrixY(3, 1), 0.44);
    EXPECT_EQ(mantel.MatrixY(1, 3), 0.44);
    EXPECT_EQ(mantel.Matrix1(3, 0), 3);
    EXPECT_EQ(mantel.Matrix2(3, 0), 0);
    EXPECT_STREQ(mantel.Profile.Title.str, "T");
    EXPECT_EQ(mantel.Profile.RunSettings, &run_settings);
    EXPECT_EQ(run_settings.ComputeDistanceMatrixAMOVA, 0);
    for (bool f : found)
        EXPECT_TRUE(f);
    EXPECT_EQ(line_number, 15);

    std::string log = take_log();
    EXPECT_THAT(log, HasSubstr("\t\tReading Mantel distance matrix ...\n\t\tdone ! ("));
    EXPECT_THAT(log, HasSubstr("\tReading Distance Matrix in external file \"x1.txt\"\n"));
    EXPECT_THAT(reports_of(log), ElementsAre("WARNING|Mantel::NewReadMantel()|17"));

    // The next project of a run list starts from an empty record.
    mantel.reset();
    EXPECT_EQ(mantel.MatrixSize, 0);
    EXPECT_EQ(mantel.MatrixNumber, 0);
    EXPECT_EQ(mantel.MatricesRead, 0);
    EXPECT_EQ(mantel.UsedYMatrixLabels.count, 0);
    EXPECT_EQ(mantel.YMatrixLabels, nullptr);
    EXPECT_STREQ(mantel.YMatrix.str, "fst");
    EXPECT_EQ(mantel.MatrixY.n, 4);
    EXPECT_EQ(mantel.MatrixY(3, 1), 0);
}

// Each case a section that is read, its result, a piece of the log and the reports.
struct SectionCase {
    const char* name;
    std::string section;
    int result;
    std::string message;
    std::vector<std::string> reports;
};

TEST_F(MantelSectionTest, MessagesAndReports)
{
    const std::string size3 = "MatrixSize = 3\nMatrixNumber = 2\nYMatrix = \"custom\"\n";
    const std::string labels3 = size3 + "YMatrixLabels = { a b c }\n";
    const std::string block3 = "DistMatMantel = {\n0\n1 0\n2 3 0\n}\n";
    const std::string example_head = EXAMPLE.substr(0, EXAMPLE.find("DistMatMantel"));
    const std::string inline_y = example_head + "DistMatMantel = {\n";
    const std::string ok = "WARNING|Mantel::NewReadMantel()|17";
    const std::vector<SectionCase> cases = {
        {"M1 MatrixSize without '='", "MatrixSize 4\n", 0,
         "\tMissing '=' sign after keyword \"MatrixSize\" on line 2. Aborting reading project.\n",
         {"WARNING|checkForPresenceOfEqualSign(...)|188", READER + std::string("197")}},
        {"M2 MatrixSize not a number", "MatrixSize = 4x\n", 0,
         "Bad value (\"4\") assigned to MatrixSize on line 2. Aborting reading project.\n",
         {"WARNING|readStringContent(...)|190", READER + std::string("14")}},
        {"M3 MatrixSize below 3", "MatrixSize = 2\n", 0,
         "\tInvalid value assigned to MatrixSize on line 2. Value of MatrixSize needs to be at "
         "least 3. Aborting reading project.\n",
         {READER + std::string("15")}},
        {"M4 YMatrix without '='", "YMatrix \"fst\"\n", 0,
         "\tMissing '=' sign after keyword \"YMatrix\" on line 2. Aborting reading project.\n",
         {"WARNING|checkForPresenceOfEqualSign(...)|188", READER + std::string("197")}},
        {"M5 YMatrix unquoted", "YMatrix = fst\n", 0,
         "\tProject file, Line #2 : Invalid value ('\") assigned to keyword \"YMatrix\"\n",
         {"WARNING|readStringContent(...)|190", READER + std::string("197")}},
        {"M6 YMatrix of no known type", "YMatrix = \"Geo\"\n", 0,
         "\tInvalid YMatrix type (\"Geo\")defined on line 2. Aborting reading project.\n",
         {READER + std::string("59")}},
        {"M7 MatrixNumber without '='", "MatrixNumber 2\n", 0, "",
         {"WARNING|checkForPresenceOfEqualSign(...)|188", READER + std::string("199")}},
        {"M8 MatrixNumber not a number", "MatrixNumber = two\n", 0,
         "Bad value (\"0\") assigned to MatrixNumber on line 2. Aborting reading project.\n",
         {"WARNING|readStringContent(...)|190", READER + std::string("198")}},
        {"M9 MatrixNumber 3.5 shown as 3", "MatrixNumber = 3.5\n", 0,
         "Invalid value (3) assigned to MatrixNumber on line 2. Value needs to be either 2 or 3. "
         "Aborting reading project.\n",
         {"ERROR|Mantel::read_id_content()|199"}},
        {"M9 MatrixNumber 1", "MatrixNumber = 1\n", 0, "Invalid value (1) assigned",
         {"ERROR|Mantel::read_id_content()|199"}},
        {"M10 labels before the size", "YMatrixLabels = { a b c }\nMatrixSize = 3\n", 0,
         "\tKeyword YMatrixLabels found on line 2 before MatrixSize has been defined. Abort "
         "reading matrix.\n",
         {READER + std::string("197")}},
        {"M11 used labels before the size", "UsedYMatrixLabels = { a b c }\n", 0,
         "\tKeyword UsedYMatrixLabels found on line 2 before MatrixSize has been defined. Abort "
         "reading matrix.\n",
         {READER + std::string("197")}},
        {"M12 a label too many", size3 + "YMatrixLabels = { a b\nc d }\n", 0,
         "\tToo many labels found on line 6. Check YMatrixLabels definition. Abort reading "
         "project.\n",
         {READER + std::string("12")}},
        {"M13 a used label too many", labels3 + "UsedYMatrixLabels = { a b c a }\n", 0,
         "\tToo many labels found on line 6. Check UsedYMatrixLabels definition. Abort reading "
         "project.\n",
         {READER + std::string("12")}},
        {"M14 labels run into a block", size3 + "YMatrixLabels = { a b c\n" + block3, 0,
         "\tMissing closing brace in YMatrixLabels definition. Aborting reading project.\n",
         {READER + std::string("12")}},
        {"M15 labels without an opening brace", size3 + "YMatrixLabels = a b c }\n", 0,
         "\tMissing opening brace in YMatrixLabels definition. Aborting reading project\n",
         {READER + std::string("12")}},
        {"M16 too few labels", size3 + "YMatrixLabels = { a b }\n", 0,
         "\tInsufficient number of labels defined in YMatrixLabels section (2 instead of 3). "
         "Aborting reading project\n",
         {READER + std::string("12")}},
        {"M16 and M14 at the end of the file", size3 + "YMatrixLabels = { a b\n", 0,
         "\tMissing closing brace in YMatrixLabels definition. Aborting reading project.\n",
         {READER + std::string("12"), READER + std::string("12")}},
        {"M17 an unknown used label on a later line", labels3 + "UsedYMatrixLabels = {\na b x }\n",
         0,
         "\tLabel \"x\" defined on line a b x } has not been defined previously in YMatrixLabels "
         "section. Aborting reading project.\n",
         {READER + std::string("201")}},
        {"M18 used labels not closed", labels3 + "UsedYMatrixLabels = { a b\nc\n", 0,
         "\tMissing closing brace in UsedYMatrixLabels definition. Aborting reading project.\n",
         {READER + std::string("12")}},
        {"M19 used labels without an opening brace", labels3 + "UsedYMatrixLabels = a b c }\n", 0,
         "", {READER + std::string("12")}},
        {"M20 two used labels", labels3 + block3 + block3 + "UsedYMatrixLabels = { a b }\n", 0, "",
         {READER + std::string("30")}},
        {"M22 external file missing", replaced(EXAMPLE, "x1.txt", "none.txt"), 0,
         "\tWarning: External file \"none.txt\" listed on line 12 cannot be open. Check that it "
         "exists. Aborting reading project\n",
         {"ERROR|Project::newOpen()|200"}},
        {"M24 after B1: a short row", inline_y + "0\n0.12\n", 0,
         "\t\tProblems in reading DisMatMantel section... aborting reading  project file.\n\n",
         {BLOCK + std::string("13")}},
        {"M26 without used labels", labels3 + block3 + block3, 1,
         "\tWarning: Section UsedYMatrixLabels not found. We shall assume that all labels "
         "previously defined in section YMatrixLabels are valid\n",
         {}},
        {"M27 one block for two matrices", labels3 + block3 + "UsedYMatrixLabels = { a b c }\n", 0,
         "\tUnexpected number of matrices defined (1 instead of 2). Aborting reading project.\n",
         {READER + std::string("186")}},
        {"M27 a YMatrix line after the blocks", labels3 + block3 + block3 + "YMatrix = \"nm\"\n", 0,
         "(1 instead of 2)", {READER + std::string("186")}},
        {"M27 a fourth block", replaced(labels3, "MatrixNumber = 2", "MatrixNumber = 3") + block3 +
             block3 + block3 + block3, 0,
         "\tUnexpected number of matrices defined (4 instead of 3).", {READER + std::string("186")}},
        {"B1 an empty row", inline_y + "0\n\n", 0,
         "\tUnable to read distance #1 on line 9. Aborting reading distance matrix.\n",
         {BLOCK + std::string("13")}},
        {"B2 a value with text after it", inline_y + "0\n0.2x 0\n", 0,
         "\tBad value (\"0.2x\") for distance #1 on line 9. Aborting reading distance matrix.\n",
         {BLOCK + std::string("13")}},
        {"B2 not a number", inline_y + "nan\n", 0, "\tBad value (\"nan\") for distance #1 on line 8.",
         {BLOCK + std::string("13")}},
        {"B2 minus infinity", inline_y + "0\n-inf 0\n", 0, "\tBad value (\"-inf\") for distance #1",
         {BLOCK + std::string("13")}},
        {"B3 two values too many", replaced(EXAMPLE, "0.12 0\n", "0.12 0 7 8\n"), 1,
         "\tWarning:  Too many distances are defined on line 9(3 instead of 2)\n",
         {"WARNING|Mantel::newReadmatrixData()|15", ok}},
        {"B4 an external file too short", example_head + "DistMatMantel = EXTERN \"short.txt\"\n", 0,
         "\tInvalid dimension for distance matrix: 4 rows were expected, but only 2 were found. "
         "Aborting reading project.\n",
         {ok, BLOCK + std::string("13")}},
        {"B5 an inline block never closed", inline_y + "0\n1 0\n2 3 0\n4 5 6 0\n", 0,
         "\tNo closing brace in distance matrix definition up to line 11. Aborting reading "
         "project.\n",
         {BLOCK + std::string("21")}},
        {"a second MatrixSize", labels3 + "MatrixSize = 4\n", 0,
         "\tMatrixSize defined a second time on line 6. Aborting reading project.\n",
         {READER + std::string("15")}},
        {"a MatrixSize beyond an int's cells", "MatrixSize = 70000\n", 0,
         "\tValue assigned to MatrixSize on line 2 is too large", {READER + std::string("15")}},
        {"EXTERN without a file name", example_head + "DistMatMantel = EXTERN\n", 0,
         "\tNo file name given after EXTERN on line 7. Aborting reading project\n",
         {"WARNING|readStringContent(...)|190", "ERROR|Project::newOpen()|200"}},
    };
    write_file("short.txt", "0\n1 0\n");
    for (SectionCase const& c : cases) {
        SCOPED_TRACE(c.name);
        mantel.reset();
        EXPECT_EQ(read(c.section), c.result);
        std::string log = take_log();
        EXPECT_THAT(log, HasSubstr(c.message));
        EXPECT_EQ(reports_of(log), c.reports) << log;
    }
}

// What the reader takes as written, and the forms it accepts.
TEST_F(MantelSectionTest, ValuesAndForms)
{
    // 3.9 is taken as 3, 2.5 as 2; FST in capitals means the type "fst",
    // which builds Y from FST: the one block is X1 and distances are computed.
    ASSERT_EQ(read("MatrixSize = 3.9\nMatrixNumber = 2.5\nYMatrix = \"FST\"\n"
                   "yMatrixLabels={\"A 1\" b c}\n"
                   "DistMatMantel = {\n1e-3\n1 0\n2 3 0\n"
                   "}\n"
                   "usedymatrixlabels = { \"A 1\" b\nc }\n"),
              1)
        << take_log();
    EXPECT_EQ(mantel.MatrixSize, 3);
    EXPECT_EQ(mantel.MatrixNumber, 2);
    EXPECT_STREQ(mantel.YMatrix.str, "fst");
    EXPECT_EQ(mantel.MatricesRead, 2);
    EXPECT_EQ(run_settings.ComputeDistanceMatrixAMOVA, 1);
    EXPECT_EQ(mantel.Matrix1(0, 0), 0.001);
    EXPECT_EQ(mantel.Matrix1(2, 1), 3);
    EXPECT_EQ(mantel.MatrixY(2, 1), 0);
    EXPECT_STREQ(mantel.YMatrixLabels[0].str, "A 1");
    EXPECT_THAT(labels(mantel.UsedYMatrixLabels), ElementsAre("A 1", "b", "c"));

    // A used label on its keyword line is taken without comparison (the test
    // reports it later); a bare label is cut at '/'.
    mantel.reset();
    ASSERT_EQ(read(replaced(EXAMPLE, "{ pop1 pop3 pop4 }", "{ pop1 zz/9 pop4 }")), 1);
    EXPECT_THAT(labels(mantel.UsedYMatrixLabels), ElementsAre("pop1", "zz", "pop4"));

    // Without a YMatrix line the first block is the user's Y although the
    // type stays "fst"; a block before the size counts but stores nothing.
    mantel.reset();
    ASSERT_EQ(read("DistMatMantel = {\n}\nMatrixSize = 3\nMatrixNumber = 2\n"
                   "YMatrixLabels = { a b c }\nDistMatMantel = {\n0\n1 0\n2 3 0 }\n"
                   "UsedYMatrixLabels = { a b c }\n"),
              1)
        << take_log();
    EXPECT_STREQ(mantel.YMatrix.str, "fst");
    EXPECT_EQ(mantel.Matrix1(2, 1), 3);
    EXPECT_EQ(mantel.MatrixY(2, 1), 0);
}

// Bare labels may begin with any character but the closing brace, as sample
// names may: "<Elm>" on a later line of a used list is one of the Y labels.
TEST_F(MantelSectionTest, BareLabelsBeginningWithMarkupCharacters)
{
    std::string section = replaced(EXAMPLE, "{ pop1 pop2\npop3 pop4 }", "{ A&B <Elm>\n&c 'd' }");
    section = replaced(section, "{ pop1 pop3 pop4 }", "{ <Elm>\nA&B &c }");
    ASSERT_EQ(read(section), 1) << take_log();
    EXPECT_STREQ(mantel.YMatrixLabels[1].str, "<Elm>");
    EXPECT_STREQ(mantel.YMatrixLabels[2].str, "&c");
    EXPECT_STREQ(mantel.YMatrixLabels[3].str, "d");
    EXPECT_THAT(labels(mantel.UsedYMatrixLabels), ElementsAre("<Elm>", "A&B", "&c"));
}

// A line is known by its key alone: a file name or a label holding a
// keyword's name starts nothing, and the section reads the same otherwise.
TEST_F(MantelSectionTest, KeywordsAreKnownByTheirKeyOnly)
{
    write_file("ymatrix_MatrixSize.txt", X1_FILE);
    std::string section = replaced(EXAMPLE, "x1.txt", "ymatrix_MatrixSize.txt");
    section = replaced(section, "pop3 pop4 }", "MatrixNumber pop4 }");
    section = replaced(section, "pop1 pop3 pop4", "pop1 MatrixNumber pop4");
    ASSERT_EQ(read(section), 1) << take_log();
    EXPECT_STREQ(mantel.YMatrix.str, "custom");
    EXPECT_EQ(mantel.MatrixNumber, 2);
    EXPECT_STREQ(mantel.YMatrixLabels[2].str, "MatrixNumber");
    EXPECT_EQ(mantel.Matrix1(3, 0), 3);
}

// The blocks fill Y, X1 and X2 in turn for a custom Y with three matrices;
// an external file named with its folder is taken as named.
TEST_F(MantelSectionTest, ThreeBlocksFillYX1AndX2)
{
    std::string x2 = (dir / "x2.txt").string();
    write_file("x2.txt", "0\n5 0\n6 7 0\n8 9 10 0\n");
    std::string section = replaced(EXAMPLE, "MatrixNumber = 2", "MatrixNumber = 3");
    section = replaced(section, "UsedYMatrixLabels",
                       "DistMatMantel = EXTERN \"" + x2 + "\"\nUsedYMatrixLabels");
    ASSERT_EQ(read(section), 1) << take_log();
    EXPECT_EQ(mantel.MatrixY(3, 0), 0.05);
    EXPECT_EQ(mantel.Matrix1(3, 0), 3);
    EXPECT_EQ(mantel.Matrix2(3, 0), 8);
    EXPECT_EQ(mantel.MatricesRead, 3);
}

// The record as a distance-matrix subsection: the Y type as its name, the
// row labels on one line and X1 (from the section's file) row by row.
TEST_F(MantelSectionTest, RecordWritesItsTypeLabelsAndX1AsADistanceMatrix)
{
    std::ostringstream empty;
    empty << mantel;
    EXPECT_EQ(empty.str(), "");

    ASSERT_EQ(read(EXAMPLE), 1) << take_log();
    std::ostringstream out;
    out << mantel;
    EXPECT_EQ(out.str(), "\t[[DistanceMatrix]]\n\n"
                         "\t\tMatrixName= \"custom\"\n"
                         "\t\tMatrixSize= 4\n"
                         "\t\tLabelPosition=LINE\n"
                         "\t\tMatrixData={\n"
                         "\n"
                         "pop1 pop2 pop3 pop4 \n"
                         "   0.00000\n"
                         "   1.00000   0.00000\n"
                         "   2.00000   1.00000   0.00000\n"
                         "   3.00000   2.00000   1.00000   0.00000\n"
                         "\t\t}\n");
}

// A record made for n rows: the three matrices sized, the rest as an empty
// record; the type names can be written again.
TEST_F(MantelSectionTest, RecordOfNRowsAndItsTypeNames)
{
    Mantel sized(5);
    for (TriMat const* matrix : {&sized.Matrix1, &sized.Matrix2, &sized.MatrixY})
        EXPECT_EQ(matrix->n, 5);
    EXPECT_EQ(sized.Matrix1(4, 2), 0.0);
    EXPECT_EQ(sized.MatrixSize, 0);
    EXPECT_EQ(sized.MatrixNumber, 0);
    EXPECT_STREQ(sized.YMatrix.str, "fst");

    const std::vector<std::string> names = {"fst", "log_fst", "slatkinlinearfst",
                                            "log_slatkinlinearfst", "nm", "custom"};
    sized.YTypes[2] = "changed";
    sized.init_YTypes();
    for (int t = 0; t < Mantel::NumYTypes; ++t)
        EXPECT_EQ(sized.YTypes[t].str, names[t]);
}

}  // namespace
