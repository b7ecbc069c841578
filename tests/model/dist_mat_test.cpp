// Tests of the user-defined distance matrix: the line reader of its data, the
// older keyword reader with its column blocks, sizing, copying and the writer.

#include "model/dist_mat.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "app/glbobj.h"
#include "logged_fixture.h"

using ::testing::HasSubstr;

namespace {

const char* const READER = "DistMat::ReadDistanceMatrix()";

class DistMatTest : public LoggedTest {
protected:
    // Reads matrix data text into a fresh matrix of `size` rows.
    bool read(DistMat& m, int position, int size, std::string const& text, bool external = false)
    {
        m.label_position = position;
        m.name = "m";
        EXPECT_EQ(m.initializeMatrixAndArrays(size), 1);
        std::istringstream in(text);
        int line = 0;
        return m.ReadDistanceMatrix(in, external, line);
    }
};

std::vector<std::string> labels_of(DistMat const& m)
{
    std::vector<std::string> out;
    for (int i = 0; i < m.size; ++i)
        out.push_back(m.labels[i].str);
    return out;
}

void expect_example_values(DistMat const& m)
{
    ASSERT_EQ(m.n, 3);
    const double expected[3][3] = {{0.0, 0.5, 0.7}, {0.5, 0.0, 0.2}, {0.7, 0.2, 0.0}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_DOUBLE_EQ(m(i, j), expected[i][j]) << i << "," << j;
    EXPECT_EQ(labels_of(m), (std::vector<std::string>{"h1", "h2", "h3"}));
}

TEST_F(DistMatTest, LineAndColumnLabelsGiveTheSameMatrix)
{
    DistMat line_labels;
    EXPECT_TRUE(read(line_labels, DistMat::LINE, 3, "h1 h2\th3\n0.0\n0.5 0.0\n0.7 0.2 0.0\n}\n"));
    expect_example_values(line_labels);

    DistMat column_labels;
    EXPECT_TRUE(read(column_labels, DistMat::COLUMN, 3,
                     "h1 0.0\nh2 0.5 0.0 # comment\nh3 0.7 0.2 0.0}\n"));
    expect_example_values(column_labels);
    EXPECT_EQ(take_log(), "");
}

TEST_F(DistMatTest, ReaderCountsItsLinesAndAcceptsSignedAndExponentValues)
{
    DistMat m;
    m.label_position = DistMat::LINE;
    ASSERT_EQ(m.initializeMatrixAndArrays(2), 1);
    std::istringstream in("  a b\n-0.5\n1e-3 0.0\n\n}\n[[Samples]]\n");
    int line = 10;
    EXPECT_TRUE(m.ReadDistanceMatrix(in, false, line));
    EXPECT_EQ(line, 15);  // labels, two rows, an empty line and the brace
    EXPECT_DOUBLE_EQ(m(0, 0), -0.5);
    EXPECT_DOUBLE_EQ(m(0, 1), 0.001);
}

TEST_F(DistMatTest, ExternalDataNeedNoBrace)
{
    DistMat m;
    EXPECT_TRUE(read(m, DistMat::LINE, 3, "h1 h2 h3\n0.0\n0.5 0.0\n0.7 0.2 0.0", true));
    expect_example_values(m);
}

struct FailureCase {
    const char* what;
    int position;
    std::string text;
    bool external;
    std::string detail;  // the reader's line on the log
    const char* kind;
    int message;
};

TEST_F(DistMatTest, FaultyDataAreRefusedWithTheLineAndDistance)
{
    const std::string labels = "h1 h2 h3\n";
    const FailureCase cases[] = {
        {"no brace before the next subsection", DistMat::LINE,
         labels + "0.0\n0.5 0.0\n0.7 0.2 0.0\n[[Samples]]\n}\n", false,
         "\tNo closing brace in Matrix Data \"m\"definition. Aborting reading project.\n",
         "ERROR", 21},
        {"no brace before the end", DistMat::LINE, labels + "0.0\n0.5 0.0\n0.7 0.2 0.0\n", false,
         "\tNo closing brace in Matrix Data \"m\"definition. Aborting reading project.\n",
         "ERROR", 21},
        {"short row", DistMat::LINE, labels + "0.0\n0.5 0.0\n0.7 0.2\n}\n", false,
         "\tUnable to read distance #3 on line 4. Aborting reading distance matrix.\n", "ERROR", 13},
        {"short row ending with a blank", DistMat::LINE, labels + "0.0\n0.5 0.0\n0.7 0.2 \n}\n",
         false, "\tUnable to read distance #3 on line 4. Aborting reading distance matrix.\n",
         "ERROR", 13},
        {"short off-diagonal", DistMat::COLUMN, "h1 0.0\nh2\nh3 0.7 0.2 0.0\n}\n", false,
         "\tUnable to read distance #1 on line 2. Aborting reading distance matrix.\n", "ERROR", 13},
        {"decimal comma", DistMat::LINE, labels + "0.0\n0,5 0.0\n0.7 0.2 0.0\n}\n", false,
         "\tBad value (\"0,5\") for distance #1 on line 3. Aborting reading distance matrix.\n",
         "ERROR", 13},
        {"overflow", DistMat::LINE, labels + "0.0\n0.5 1e999\n0.7 0.2 0.0\n}\n", false,
         "\tBad value (\"1e999\") for distance #2 on line 3. Aborting reading distance matrix.\n",
         "ERROR", 13},
        {"not a number", DistMat::COLUMN, "h1 nan\nh2 0.5 0.0\nh3 0.7 0.2 0.0\n}\n", false,
         "\tBad value (\"nan\") for distance #1 on line 1. Aborting reading distance matrix.\n",
         "ERROR", 13},
        {"two labels for three rows", DistMat::LINE, "h1 h2\n0.0\n0.5 0.0\n0.7 0.2 0.0\n}\n", false,
         "\tMissing labels on line 1. Only 2 labels were found while 3 were expected. Last "
         "correctly read label was \"h2\". Aborting reading Distance Matrix\n",
         "ERROR", 12},
        {"brace on the label line", DistMat::LINE, "h1 h2 h3 }\n", false,
         "\tUnexpected closing brace found on line 1. Aborting reading distance matrix.\n",
         "ERROR", 12},
        {"row without its label", DistMat::COLUMN, "h1 0.0\n\nh3 0.7 0.2 0.0\n}\n", false,
         "\tUnable to read label #2 on line 2. Aborting reading Distance Matrix\n", "ERROR", 12},
        {"external file with two rows", DistMat::LINE, labels + "0.0\n0.5 0.0\n", true,
         "\tInvalid dimension for distance matrix: 3 rows were expected, but only 2 were found. "
         "Aborting reading project.\n",
         "ERROR", 13},
    };
    for (FailureCase const& c : cases) {
        SCOPED_TRACE(c.what);
        DistMat m;
        EXPECT_FALSE(read(m, c.position, 3, c.text, c.external));
        EXPECT_EQ(take_log(), c.detail + report(1, c.kind, 1, READER, c.message));
    }
}

TEST_F(DistMatTest, ExtraLabelsAndDistancesAreWarnedAboutAndIgnored)
{
    DistMat m;
    EXPECT_TRUE(read(m, DistMat::LINE, 3, "h1 h2 h3 h4\n0.0\n0.5 0.0 9.9 9.9\n0.7 0.2 0.0\n}\n"));
    expect_example_values(m);
    EXPECT_EQ(take_log(),
              "\tWarning: More labels than anticipated (3) are declared on line 1\n" +
                  report(1, "WARNING", 1, READER, 15) +
                  "\tWarning:  Too many distances are defined on line 3(3 instead of 2)\n" +
                  report(2, "WARNING", 2, READER, 15));
}

TEST_F(DistMatTest, MatrixSizeMustBeAPositiveAllocatableNumber)
{
    const double refused[] = {0, -3, 0.5, NAN, INFINITY, 1e6, 2147483647.0};
    for (double size : refused) {
        SCOPED_TRACE(size);
        DistMat m;
        ASSERT_EQ(m.initializeMatrixAndArrays(2), 1);
        m(1, 0) = 0.25;
        EXPECT_EQ(m.initializeMatrixAndArrays(size), 0);
        EXPECT_EQ(m.n, 2);  // the matrix is left as it was
        EXPECT_EQ(m.size, 2);
        EXPECT_DOUBLE_EQ(m(1, 0), 0.25);
        take_log();
    }
    DistMat m;
    EXPECT_EQ(m.initializeMatrixAndArrays(0), 0);
    EXPECT_EQ(take_log(), report(1, "ERROR", 1, "DistMat::initializeMatrixAndArrays()", 15));

    EXPECT_EQ(m.initializeMatrixAndArrays(2.7), 1);  // cut to an integer
    EXPECT_EQ(m.n, 2);
    EXPECT_EQ(labels_of(m), (std::vector<std::string>{"", ""}));
}

TEST_F(DistMatTest, WrittenMatrixReadsBack)
{
    DistMat m;
    ASSERT_TRUE(read(m, DistMat::COLUMN, 3, "h1 0\nh2 0.5 0\nh3 0.75 0.25 0\n}\n"));
    std::ostringstream out;
    out << m;
    std::string text = out.str();
    const std::string head =
        "\t[[DistanceMatrix]]\n\n\t\tMatrixName= \"m\"\n\t\tMatrixSize= 3\n"
        "\t\tLabelPosition=LINE\n\t\tMatrixData={\n\n";
    ASSERT_EQ(text.substr(0, head.size()), head);
    EXPECT_THAT(text, HasSubstr("h1 h2 h3 \n   0.00000\n   0.50000   0.00000\n"));

    // The empty line after the MatrixData line is for display only.
    DistMat back;
    back.label_position = DistMat::LINE;
    ASSERT_EQ(back.initializeMatrixAndArrays(3), 1);
    std::istringstream in(text.substr(head.size()));
    int line = 0;
    EXPECT_TRUE(back.ReadDistanceMatrix(in, false, line));
    EXPECT_EQ(labels_of(back), labels_of(m));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j <= i; ++j)
            EXPECT_DOUBLE_EQ(back(i, j), m(i, j));
}

TEST_F(DistMatTest, WriterSpecialCases)
{
    DistMat empty;
    std::ostringstream none;
    none << empty;
    EXPECT_EQ(none.str(), "");

    DistMat conventional;
    ASSERT_EQ(conventional.initializeMatrixAndArrays(2), 1);
    conventional.reset();  // no labels left
    conventional.size = 2;
    conventional.constant_mode = 1;
    std::ostringstream out;
    out << conventional;
    EXPECT_THAT(out.str(), HasSubstr("MatrixData={\n\n\n\nConventional FST Matrix: Dij=1 if i!=j "
                                     "and O else:\n\n\n\t\t}\n"));
    EXPECT_EQ(take_log(), report(1, "INFO", 1, "operator <<(ostream& os, DistMat& DM)", 11));

    DistMat tagged;
    ASSERT_TRUE(read(tagged, DistMat::LINE, 1, "h1\n0\n}\n"));
    xmlOutput = true;
    std::ostringstream xml;
    xml << tagged;
    xmlOutput = false;
    EXPECT_THAT(xml.str(), HasSubstr("h1 \n</data> <hapDistMatrix time="));
    EXPECT_THAT(xml.str(), HasSubstr("   0.00000</hapDistMatrix> <data>\n\n\n\t\t}\n"));
}

TEST_F(DistMatTest, AssignmentCopiesValuesOfASingleValueMatrixButNotItsMode)
{
    DistMat source;
    ASSERT_TRUE(read(source, DistMat::LINE, 3, "h1 h2 h3\n0.0\n0.5 0.0\n0.7 0.2 0.0\n}\n"));
    DistMat copy(source);
    expect_example_values(copy);
    EXPECT_STREQ(copy.name.str, "m");

    source.constant_mode = 1;
    copy = source;
    EXPECT_EQ(copy.constant_mode, 0);
    EXPECT_DOUBLE_EQ(copy(2, 1), 1.0);
    EXPECT_DOUBLE_EQ(copy(2, 2), 0.0);

    copy = copy;
    EXPECT_EQ(labels_of(copy), (std::vector<std::string>{"h1", "h2", "h3"}));

    copy.reset();
    EXPECT_EQ(copy.size, 0);
    EXPECT_EQ(copy.labels, nullptr);
    EXPECT_EQ(copy.n, 3);  // the rows stay, zeroed
    EXPECT_DOUBLE_EQ(copy(2, 1), 0.0);
}

// ---- Older keyword syntax ----

const std::string ROWS = "0.0\n0.5 0.0\n0.7 0.2 0.0\n";

TEST_F(DistMatTest, KeywordReaderReadsInlineAndExternalData)
{
    DistMat inline_data;
    std::istringstream in("MatrixName = \"inline\"\nMatrixSize = 3\nLabelPosition = LINE\n"
                          "MatrixData = {\n  h1 h2 h3\n" + ROWS + "}\n[[Samples]]\n");
    EXPECT_EQ(inline_data.get_settings(in), 1);
    expect_example_values(inline_data);
    EXPECT_STREQ(inline_data.name.str, "inline");

    std::string file = write_file("dist.txt", "# distances\nh1 0.0\nh2 0.5 0.0\nh3 0.7 0.2 0.0\n")
                           .string();
    DistMat external;
    std::istringstream ext("MatrixSize = 3\nLabelPosition = COLUMN\nMatrixData = EXTERN \"" +
                           file + "\"\n");
    EXPECT_EQ(external.get_settings(ext), 1);
    expect_example_values(external);
    EXPECT_EQ(std::string(external.name.str), file);  // the name becomes the file's
    EXPECT_EQ(take_log(), "");
}

TEST_F(DistMatTest, KeywordReaderReadsRowsInBlocksOfColumns)
{
    // Four columns written as two lower triangles of two columns each.
    DistMat m;
    std::istringstream in("MatrixSize = 4\nMatrixData = {\na b c d\n"
                          "0.0\n0.1 0.0\n0.2 0.3\n0.4 0.5\n"
                          "0.0\n0.6 0.0\n}\n");
    EXPECT_EQ(m.get_settings(in), 1);
    const double expected[4][4] = {
        {0.0, 0.1, 0.2, 0.4}, {0.1, 0.0, 0.3, 0.5}, {0.2, 0.3, 0.0, 0.6}, {0.4, 0.5, 0.6, 0.0}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_DOUBLE_EQ(m(i, j), expected[i][j]) << i << "," << j;
    EXPECT_EQ(take_log(), "");
}

TEST_F(DistMatTest, KeywordReaderKeepsValuesInDoublePrecision)
{
    DistMat m;
    std::istringstream in("MatrixSize = 2\nMatrixData = {\na b\n0\n0.123456789012 0\n}\n");
    EXPECT_EQ(m.get_settings(in), 1);
    EXPECT_EQ(m(1, 0), 0.123456789012);
}

struct KeywordFailure {
    const char* what;
    std::string text;
    std::vector<std::string> reports;  // function name and message, in order
    std::vector<int> messages;
    std::vector<const char*> kinds;
};

TEST_F(DistMatTest, KeywordReaderFailures)
{
    const char* const ID = "DistMat::read_id_content()";
    const char* const SETTINGS = "DistMat::get_settings( ifstream& ifs)";
    const char* const DATA = "DistMat::read_MatrixData()";
    const KeywordFailure cases[] = {
        {"unknown keyword", "Colour = red\n", {SETTINGS}, {23}, {"WARNING"}},
        {"negative size", "MatrixSize = -3\n", {ID, SETTINGS}, {15, 24}, {"ERROR", "ERROR"}},
        {"no size", "MatrixSize = x\n", {ID, SETTINGS}, {14, 24}, {"ERROR", "ERROR"}},
        {"data before the size", "MatrixData = {\n", {ID, SETTINGS}, {14, 24}, {"ERROR", "ERROR"}},
        {"bad label position", "LabelPosition = ROW\n", {ID, SETTINGS}, {16, 24},
         {"ERROR", "ERROR"}},
        {"no brace", "MatrixSize = 3\nMatrixData = \nh1 h2 h3\n" + ROWS, {ID, SETTINGS}, {19, 24},
         {"ERROR", "ERROR"}},
        {"neither brace nor word", "MatrixSize = 3\nMatrixData = (\n", {ID, SETTINGS}, {21, 24},
         {"ERROR", "ERROR"}},
        {"extern without a file", "MatrixSize = 3\nMatrixData = EXTERN\n", {ID, SETTINGS},
         {20, 24}, {"ERROR", "ERROR"}},
        {"missing external file", "MatrixSize = 3\nMatrixData = EXTERN \"/nonexistent/d.txt\"\n",
         {ID, SETTINGS}, {18, 24}, {"ERROR", "ERROR"}},
        {"overflowing value",
         "MatrixSize = 3\nMatrixData = {\nh1 h2 h3\n0.0\n0.5 1e999\n0.7 0.2 0.0\n}\n",
         {std::string(DATA) + " (line 2, column 2)", ID, SETTINGS}, {13, 12, 24},
         {"ERROR", "ERROR", "ERROR"}},
        {"letter for a value",
         "MatrixSize = 3\nMatrixData = {\nh1 h2 h3\n0.0\nx 0.0\n0.7 0.2 0.0\n}\n",
         {std::string(DATA) + "->line 2, column 1", ID, SETTINGS}, {13, 12, 24},
         {"ERROR", "ERROR", "ERROR"}},
        {"short row", "MatrixSize = 3\nMatrixData = {\nh1 h2 h3\n0.0\n0.5 0.0\n0.7\n}\n",
         {std::string(DATA) + "->Line 2 contains more than 2 distances.", ID, SETTINGS},
         {13, 12, 24}, {"ERROR", "ERROR", "ERROR"}},
        {"file ends inside a row", "MatrixSize = 3\nMatrixData = {\nh1 h2 h3\n0.0\n0.5 0.0\n0.7 ",
         {std::string(DATA) + "->line 3, column 2", ID, SETTINGS}, {13, 12, 24},
         {"ERROR", "ERROR", "ERROR"}},
        {"two labels", "MatrixSize = 3\nMatrixData = {\nh1 h2\n" + ROWS + "}\n",
         {DATA, ID, SETTINGS}, {11, 12, 24}, {"ERROR", "ERROR", "ERROR"}},
    };
    for (KeywordFailure const& c : cases) {
        SCOPED_TRACE(c.what);
        DistMat m;
        std::istringstream in(c.text);
        EXPECT_EQ(m.get_settings(in), 0);
        std::string expected;
        int errors = 0;
        for (std::size_t k = 0; k < c.reports.size(); ++k) {
            bool warning = std::string(c.kinds[k]) == "WARNING";
            expected += report(static_cast<int>(k) + 1, c.kinds[k], warning ? 1 : ++errors,
                               c.reports[k], c.messages[k]);
        }
        EXPECT_EQ(take_log(), expected);
    }
}

TEST_F(DistMatTest, KeywordLabelsEndAtABrace)
{
    DistMat m;
    std::istringstream in("MatrixSize = 3\nHaplLabels = { a b }\n");
    EXPECT_EQ(m.get_settings(in), 0);
    EXPECT_EQ(labels_of(m), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(take_log(), report(1, "ERROR", 1, "DistMat::read_id_content()", 11) +
                              report(2, "ERROR", 2, "DistMat::get_settings( ifstream& ifs)", 24));
}

TEST_F(DistMatTest, SummaryNameTellsWhereTheDataAre)
{
    const std::pair<std::string, const char*> cases[] = {
        {"MatrixName = \"x\"\nMatrixSize = 3\nMatrixData = EXTERN \"dist.txt\"\n", "dist.txt"},
        {"MatrixSize = 3\nMatrixData = EXTERN dist.txt\n", "dist.txt"},
        {"MatrixSize = 3\nMatrixData = {\n", "Defined In project file"},
        {"MatrixSize = 3\n", "none"},
    };
    for (auto const& c : cases) {
        DistMat m;
        std::istringstream in(c.first);
        m.get_mat_name(in);
        EXPECT_STREQ(m.name.str, c.second) << c.first;
    }
}

}  // namespace
