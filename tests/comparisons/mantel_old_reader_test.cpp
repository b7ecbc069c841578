// The Mantel subsection of the older identifier syntax (Mantel::get_settings):
// the same record as the current syntax gives, matrices in column blocks,
// where each block goes, every report, and Project::open reading it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "comparisons/mantel.h"
#include "core/random.h"
#include "core/xml.h"
#include "model/population.h"
#include "project/old_syntax_support.h"
#include "project/project.h"
#include "support/temp_log.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const char* const G = "|Mantel::get_settings( ifstream& ifs)|";
const char* const R = "|Mantel::read_id_content()|";
const char* const M = "|Mantel::read_MatrixData()|";
// ERROR 24 of the subsection: its text is that of message 13, by which the
// list of reports names it.
const std::string E24 = "ERROR|Mantel::get_settings( ifstream& ifs)|13";

// The Part's example in the identifier syntax: the block's '}' on a line of
// its own, X1 from a file.
const std::string OLD_EXAMPLE = "  MatrixSize = 4\n"
                                "  MatrixNumber = 2\n"
                                "  YMatrix = \"custom\"\n"
                                "  YMatrixLabels = \"pop1\" \"pop2\" \"pop3\" \"pop4\"\n"
                                "  DistMatMantel = {\n"
                                "0\n"
                                "0.12 0\n"
                                "0.20 0.31 0\n"
                                "0.05 0.44 0.17 0\n"
                                "}\n"
                                "  DistMatMantel = EXTERN \"x1.txt\"\n"
                                "  UsedYMatrixLabels = { \"pop1\" \"pop3\" \"pop4\" }\n";
// The same content in the current syntax.
const std::string NEW_EXAMPLE = "MatrixSize = 4\nMatrixNumber = 2\nYMatrix = \"custom\"\n"
                                "YMatrixLabels = { \"pop1\" \"pop2\" \"pop3\" \"pop4\" }\n"
                                "DistMatMantel = {\n0\n0.12 0\n0.20 0.31 0\n0.05 0.44 0.17 0 }\n"
                                "DistMatMantel = EXTERN \"x1.txt\"\n"
                                "UsedYMatrixLabels = { pop1 pop3 pop4 }\n";
const std::string X1_FILE = "0\n1 0\n2 1 0\n3 2 1 0\n";

// Size 5 in column blocks of width 3: cell (i, j) holds 10 (i + 1) + j + 1.
const std::string COLUMN_BLOCKS = "11\n21 22\n31 32 33\n41 42 43\n51 52 53\n44\n54 55\n";

class MantelOldReaderTest : public LogFolderTest {
protected:
    Mantel mantel;
    settings s;

    void SetUp() override
    {
        s.results_dir = (dir.string() + "/").c_str();
        s.project_dir = s.results_dir;
        s.tree_data_file = (dir / "t.js").string().c_str();
        mantel.Profile.RunSettings = &s;
        write_file("x1.txt", X1_FILE);
    }

    // get_settings on a subsection body (the stream after its header).
    int read(std::string const& body)
    {
        write_file("old.txt", body);
        std::ifstream in((dir / "old.txt").string());
        return mantel.get_settings(in);
    }

    std::vector<std::string> reports() { return reports_of(take_log()); }

    // The statistics block and the rest of a test of the record.
    static std::string report_of(Mantel& record)
    {
        long seed = -17;
        ran3(&seed);
        TriMat no_fst;
        std::ostringstream out;
        record.do_mantel_test(no_fst, nullptr, 0, &out, 50);
        return out.str();
    }
};

TEST_F(MantelOldReaderTest, SameRecordAndTestAsTheCurrentSyntax)
{
    ASSERT_EQ(read(OLD_EXAMPLE), 1) << take_log();
    EXPECT_THAT(reports(), ElementsAre("INFO" + std::string(R) + "17"));

    Mantel current;
    ProfileSettings profile;
    profile.RunSettings = &s;
    write_file("new.txt", NEW_EXAMPLE);
    std::ifstream in((dir / "new.txt").string());
    int line_number = 0;
    my_string line;
    bool found[6] = {};
    ASSERT_EQ(current.NewOpenMantel(in, profile, line_number, line, found[0], found[1], found[2],
                                    found[3], found[4], found[5]),
              1);

    EXPECT_EQ(mantel.MatrixSize, current.MatrixSize);
    EXPECT_EQ(mantel.MatrixNumber, current.MatrixNumber);
    EXPECT_EQ(mantel.MatricesRead, current.MatricesRead);
    EXPECT_STREQ(mantel.YMatrix.str, current.YMatrix.str);
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(mantel.YMatrixLabels[i].str, current.YMatrixLabels[i].str);
        for (int j = 0; j <= i; ++j) {
            EXPECT_EQ(mantel.MatrixY(i, j), current.MatrixY(i, j)) << i << j;
            EXPECT_EQ(mantel.Matrix1(i, j), current.Matrix1(i, j)) << i << j;
        }
    }
    ASSERT_EQ(mantel.UsedYMatrixLabels.count, current.UsedYMatrixLabels.count);
    for (int k = 0; k < 3; ++k)
        EXPECT_STREQ(mantel.UsedYMatrixLabels[k].str, current.UsedYMatrixLabels[k].str);

    std::string old_report = report_of(mantel);
    EXPECT_THAT(old_report, HasSubstr("Correlation coefficient (rY1)"));
    EXPECT_EQ(old_report, report_of(current));
}

TEST_F(MantelOldReaderTest, ColumnBlocks)
{
    const std::string head = "MatrixSize = 5 YMatrix = \"custom\"\nDistMatMantel = {\n";
    ASSERT_EQ(read(head + COLUMN_BLOCKS + "}\n"), 1) << take_log();
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j <= i; ++j)
            EXPECT_EQ(mantel.MatrixY(i, j), 10 * (i + 1) + j + 1) << i << " " << j;

    // A fifth line of four values runs past its column block.
    const std::string past = "11\n21 22\n31 32 33\n41 42 43\n51 52 53 54\n44\n54 55\n";
    mantel.reset();
    EXPECT_EQ(read(head + past + "}\n"), 0);
    EXPECT_THAT(reports(), ElementsAre("ERROR" + std::string(R) + "12", E24));
    write_file("past.txt", past);
    mantel.reset();
    EXPECT_EQ(read("MatrixSize = 5\nDistMatMantel = EXTERN \"past.txt\"\n"), 0);
    EXPECT_THAT(reports(), ElementsAre("INFO" + std::string(R) + "17", "ERROR" + std::string(R) + "18",
                                       E24));

    // In one column block, row 2 with a single value.
    mantel.reset();
    EXPECT_EQ(read("MatrixSize = 5\nDistMatMantel = {\n0\n1 0\n2\n3 4 5 0\n}\n"), 0);
    EXPECT_THAT(reports(),
                ElementsAre("ERROR|Mantel::read_MatrixData()->Line 2 contains more than 2 distances.|13",
                            "ERROR" + std::string(R) + "12", E24));
}

struct OldCase {
    const char* name;
    std::string body;
    int result;
    std::vector<std::string> reports;
};

TEST_F(MantelOldReaderTest, Reports)
{
    const std::string e24 = E24;
    auto r = [](const char* kind, int index) { return kind + std::string(R) + std::to_string(index); };
    auto m = [](int index) { return "ERROR" + std::string(M) + std::to_string(index); };
    const std::string size3 = "MatrixSize = 3\n";
    const std::string block = "DistMatMantel = {\n0\n1 0\n2 3 0\n}\n";
    const std::vector<OldCase> cases = {
        {"an identifier outside the table", "Colour = 3\n", 0, {"WARNING" + std::string(G) + "23"}},
        {"matrices given and read differ", "MatrixNumber = 3\n" + size3 + "YMatrix = fst\n" + block,
         0, {"ERROR" + std::string(G) + "186"}},
        {"an identifier of another subsection", "DataType = DNA\n", 0, {r("ERROR", 22), e24}},
        {"a Y type not known", "YMatrix = \"geo\"\n", 0, {r("ERROR", 59), e24}},
        {"a size that is not a number", "MatrixSize = x\n", 0, {r("ERROR", 14), e24}},
        {"a block before the size", block, 0, {r("ERROR", 14), e24}},
        {"a size of 2", "MatrixSize = 2\n", 0, {r("ERROR", 15), e24}},
        {"a number that is not a number", "MatrixNumber = x\n", 0, {r("ERROR", 198), e24}},
        {"a number of 4", "MatrixNumber = 4\n", 0, {r("ERROR", 199), e24}},
        {"too few labels", size3 + "YMatrixLabels = \"a\" \"b\"\n", 0, {m(11), e24}},
        {"a word after the labels", size3 + "YMatrixLabels = \"a\" \"b\" \"c\" d\n", 0, {m(12), e24}},
        {"used labels without '{' or a line end", "UsedYMatrixLabels = ", 0, {r("ERROR", 50), e24}},
        {"a block value that is neither", size3 + "DistMatMantel = *\n", 0, {r("ERROR", 21), e24}},
        {"a word other than EXTERN", size3 + "DistMatMantel = FILE \"x1.txt\"\n", 0,
         {r("ERROR", 20), e24}},
        {"EXTERN without a file name", size3 + "DistMatMantel = EXTERN }\n", 0,
         {r("ERROR", 19), e24}},
        {"an external file missing", size3 + "DistMatMantel = EXTERN \"none.txt\"\n", 0,
         {r("INFO", 17), r("ERROR", 18), e24}},
        {"error B: a minus sign after the first value", size3 + "DistMatMantel = {\n0\n1 -0.1\n",
         0, {"ERROR|Mantel::read_MatrixData()->line 2, column 2|13", r("ERROR", 12), e24}},
        {"error C: an infinite value", size3 + "DistMatMantel = {\n0\n1e999 0\n", 0,
         {"ERROR|Mantel::read_MatrixData() (line 2, column 1)|13", r("ERROR", 12), e24}},
        {"error C: the input ends inside the block", size3 + "DistMatMantel = {\n0\n1 0\n2 ", 0,
         {"ERROR|Mantel::read_MatrixData() (line 3, column 2)|13", r("ERROR", 12), e24}},
        {"labels in braces", size3 + "YMatrixLabels = { \"a\" \"b\" \"c\" }\n", 0,
         {"ERROR|skip_comments(ifstream& ifs) (\"{\")|100", m(12), e24}},
        {"error A followed by the closing brace", size3 + "DistMatMantel = {\n0\n1 0\n2\n}\n", 0,
         {"ERROR|Mantel::read_MatrixData()->Line 2 contains more than 2 distances.|13",
          r("ERROR", 12), e24}},
        {"an indented closing brace", size3 + "DistMatMantel = {\n0\n1 0\n2 3 0\n }\n", 0,
         {r("ERROR", 12), e24}},
    };
    for (OldCase const& c : cases) {
        SCOPED_TRACE(c.name);
        mantel.reset();
        EXPECT_EQ(read(c.body), c.result);
        EXPECT_EQ(reports(), c.reports);
    }
}

// Where each block goes follows the count of matrices read.
TEST_F(MantelOldReaderTest, PlacementOfTheBlocks)
{
    auto block = [](int v) {
        std::string b = "DistMatMantel = {\n0\n" + std::to_string(v) + " 0\n1 2 0\n}\n";
        return b;
    };
    ASSERT_EQ(read("MatrixSize = 3 YMatrix = custom\n" + block(1) + block(2) + block(3)), 1);
    EXPECT_EQ(mantel.MatrixY(1, 0), 1);
    EXPECT_EQ(mantel.Matrix1(1, 0), 2);
    EXPECT_EQ(mantel.Matrix2(1, 0), 3);
    EXPECT_EQ(mantel.MatrixNumber, 3);

    mantel.reset();
    ASSERT_EQ(read("MatrixSize = 3 MatrixNumber = 2 YMatrix = FST\n" + block(1)), 1);
    EXPECT_STREQ(mantel.YMatrix.str, "fst");
    EXPECT_EQ(mantel.Matrix1(1, 0), 1);
    EXPECT_EQ(mantel.MatrixY(1, 0), 0);

    // Without a ymatrix line the first block is Y; one block for two matrices.
    mantel.reset();
    EXPECT_EQ(read("MatrixSize = 3 MatrixNumber = 2\n" + block(1)), 0);
    EXPECT_EQ(mantel.MatrixY(1, 0), 1);
    EXPECT_THAT(reports(), ElementsAre("ERROR" + std::string(G) + "186"));

    // A fourth block is accepted unread; its '{' ends the subsection.
    mantel.reset();
    EXPECT_EQ(read("MatrixSize = 3 YMatrix = \"custom\"\n" + block(1) + block(2) + block(3)
                   + block(4)),
              1);
    EXPECT_EQ(mantel.MatrixNumber, 4);
    EXPECT_EQ(mantel.Matrix2(1, 0), 3);

    // Two used-label lines add up; a last row may end with one blank; an
    // empty subsection is accepted.
    mantel.reset();
    ASSERT_EQ(read("MatrixSize = 3 YMatrix = custom\nDistMatMantel = {\n0\n1 0\n2 3 0 \n}\n"
                   "UsedYMatrixLabels = { \"a\" b }\nUsedYMatrixLabels = { \"c\" }\n"),
              1)
        << take_log();
    EXPECT_EQ(mantel.UsedYMatrixLabels.count, 3);
    EXPECT_STREQ(mantel.UsedYMatrixLabels[2].str, "c");
    // Bare labels may begin with markup characters, as sample names may.
    mantel.reset();
    ASSERT_EQ(read("MatrixSize = 3\nUsedYMatrixLabels = { <a> &b c }\n"), 1) << take_log();
    ASSERT_EQ(mantel.UsedYMatrixLabels.count, 3);
    EXPECT_STREQ(mantel.UsedYMatrixLabels[0].str, "<a>");
    EXPECT_STREQ(mantel.UsedYMatrixLabels[1].str, "&b");
    mantel.reset();
    EXPECT_EQ(read(""), 1);
    EXPECT_EQ(mantel.MatrixNumber, 0);
}

// Sound where the format leaves a gap: a comment ends the labels line, a
// file whose last value ends the file is read whole, a name of any length
// is tried as it is and fails as a missing file does.
TEST_F(MantelOldReaderTest, CommentsEndsOfFileAndLongNames)
{
    write_file("end.txt", "0\n1 0\n2 3 0");
    write_file("x3.txt", "0\n1 0\n2 1 0\n");
    ASSERT_EQ(read("MatrixSize = 3 MatrixNumber = 2 YMatrix = \"custom\"\n"
                   "YMatrixLabels = \"a\" \"b\" \"c\" # the samples\n"
                   "DistMatMantel = EXTERN \"end.txt\"\nDistMatMantel = EXTERN \"x3.txt\"\n"),
              1)
        << take_log();
    EXPECT_STREQ(mantel.YMatrixLabels[2].str, "c");
    EXPECT_EQ(mantel.MatrixY(2, 1), 3);
    take_log();

    mantel.reset();
    std::string long_name(5000, 'n');
    EXPECT_EQ(read("MatrixSize = 3\nDistMatMantel = EXTERN \"" + long_name + "\"\n"), 0);
    EXPECT_THAT(reports(), ElementsAre("INFO" + std::string(R) + "17", "ERROR" + std::string(R) + "18",
                                       E24));
    EXPECT_STREQ(mantel.build_ext_name("m.txt").str, (dir / "m.txt").string().c_str());
    EXPECT_STREQ(mantel.build_ext_name("sub/m.txt").str, "sub/m.txt");
}

// Project::open hands the subsection to the record, with the project's
// profile; a faulty subsection fails the project.
TEST_F(MantelOldReaderTest, ProjectOpenReadsTheSubsection)
{
    my_string saved_input = settings::input_file;
    TDataType saved_type = ProfileSettings::DataType;
    char saved_separator = ProfileSettings::LocusSeparator;
    const std::string project = "[Profile]\n Title = \"M\" NbSamples = 1 DataType = DNA\n"
                                " GenotypicData = 0\n[Data]\n[[Samples]]\n"
                                " SampleName = \"pop1\" SampleSize = 1\n SampleData = {\n"
                                " h1 1 ACGT\n }\n[[Mantel]]\n";
    std::string example = OLD_EXAMPLE;
    example.replace(example.find("\"x1.txt\""), 8, "\"" + (dir / "x1.txt").string() + "\"");
    for (bool faulty : {false, true}) {
        SCOPED_TRACE(faulty);
        Project p;
        settings::input_file =
            write_file("p.drp", project + (faulty ? "  MatrixSize = 2\n" : example)).string().c_str();
        EXPECT_EQ(p.open(), faulty ? 0 : 1);
        std::string log = take_log();
        EXPECT_THAT(log, HasSubstr("\tReading mantel section ...\n"));
        if (faulty) {
            EXPECT_THAT(reports_of(log), ElementsAre("ERROR" + std::string(R) + "15",
                                                     E24));
        } else {
            EXPECT_EQ(p.mantel.MatrixSize, 4);
            EXPECT_EQ(p.mantel.Matrix1(3, 0), 3);
            EXPECT_EQ(p.mantel.UsedYMatrixLabels.count, 3);
            EXPECT_STREQ(p.mantel.Profile.Title.str, "M");
        }
    }
    settings::input_file = saved_input;
    ProfileSettings::DataType = saved_type;
    ProfileSettings::LocusSeparator = saved_separator;
}

}  // namespace
