// Tests of the error reporter: log line format, running numbers and per-kind
// counts, echo to the result stream, MEMORY exceptions and the message table.
//
// The counters are process-wide; every test opens a fresh log and resets them
// with index -1, so the tests do not depend on their order.

#include "core/errors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_log.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> split_lines(std::string const& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class ErrorsLogTest : public LogFolderTest {
protected:
    fs::path log_path = temp_log.path();
    std::ostringstream echo;

    void SetUp() override { E.results_stream = nullptr; }
    void TearDown() override { E.results_stream = nullptr; }

    static void open_log(fs::path const& path, bool append = false)
    {
        E.init_log_file(my_string(path.string().c_str()), append);
    }

    std::vector<std::string> log_lines() const { return split_lines(read_text(log_path)); }
};

TEST_F(ErrorsLogTest, FirstReportGivesTheDocumentedLineAndEcho)
{
    E.results_stream = &echo;
    E.error(WARNING, "TriMat::operator()", 1);

    EXPECT_EQ(read_text(log_path),
              "   1 #[WARNING # 1] from function \"TriMat::operator()\" : array out of bounds\n");
    EXPECT_EQ(echo.str(), " #[WARNING # 1] : array out of bounds\n");
}

TEST_F(ErrorsLogTest, KindsAreTaggedCountedAndEchoed)
{
    struct Case {
        ErrorType kind;
        const char* function;
        int index;
        const char* log_line;
        const char* echo_line;  // nullptr: not echoed
    };
    const Case cases[] = {
        {WARNING, "f1", 1, "   1 #[WARNING # 1] from function \"f1\" : array out of bounds",
         " #[WARNING # 1] : array out of bounds"},
        {ERROR, "f2", 9, "   2 #[ERROR # 1] from function \"f2\" : invalid stream",
         " #[ERROR # 1] : invalid stream"},
        {WARNING, "f3", 188,
         "   3 #[WARNING # 2] from function \"f3\" : missing '=' sign in keyword definition in project file",
         " #[WARNING # 2] : missing '=' sign in keyword definition in project file"},
        {MEMORY, "f4", 0, "   4 #[MEMORY # 1] from function \"f4\" : not enough memory",
         " #[MEMORY # 1] : not enough memory"},
        {INFO, "f5", 191, "   5 #[INFO # 1] from function \"f5\" : reading sample data in external file",
         " #[INFO # 1] : reading sample data in external file"},
        // DEBUG: no "from function", no text, the ERROR count, never echoed.
        {DEBUG, "TPhenDB::debug()", 0, "   6 #[DEBUG # 2] TPhenDB::debug()", nullptr},
        // Kinds outside the enumeration are ERRORs and do not throw.
        {static_cast<ErrorType>(7), "f7", 2,
         "   7 #[ERROR # 3] from function \"f7\" : ill-defined genetic structure",
         " #[ERROR # 3] : ill-defined genetic structure"},
        {static_cast<ErrorType>(-1), "f8", 164,
         "   8 #[ERROR # 4] from function \"f8\" : a nucleotide is not found, impossible to apply "
         "Tajima-Nei correction ",
         " #[ERROR # 4] : a nucleotide is not found, impossible to apply Tajima-Nei correction "},
        // Indices outside the table give a generic text instead of a crash.
        {INFO, "f9", 300, "   9 #[INFO # 2] from function \"f9\" : unknown message 300",
         " #[INFO # 2] : unknown message 300"},
        {WARNING, "f10", 211, "  10 #[WARNING # 3] from function \"f10\" : unknown message 211",
         " #[WARNING # 3] : unknown message 211"},
        {ERROR, "f11", -2, "  11 #[ERROR # 5] from function \"f11\" : unknown message -2",
         " #[ERROR # 5] : unknown message -2"},
    };

    E.results_stream = &echo;
    std::vector<std::string> expected_log;
    std::string expected_echo;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.log_line);
        if (c.kind == MEMORY)
            EXPECT_THROW(E.error(c.kind, c.function, c.index), ExceptionType);
        else
            EXPECT_NO_THROW(E.error(c.kind, c.function, c.index));
        expected_log.push_back(c.log_line);
        if (c.echo_line != nullptr)
            expected_echo += std::string(c.echo_line) + "\n";
        // Free text between reports carries no number and does not advance it.
        *_ZOS_ << "\tdetail\n";
        expected_log.push_back("\tdetail");
    }
    _ZOS_->flush();

    EXPECT_EQ(log_lines(), expected_log);
    EXPECT_EQ(echo.str(), expected_echo);
}

TEST_F(ErrorsLogTest, RunningNumberIsRightAlignedInFourColumnsAndNeverCut)
{
    for (int i = 0; i < 10000; ++i)
        E.error(INFO, "loop", 191);

    std::vector<std::string> lines = log_lines();
    ASSERT_EQ(lines.size(), 10000u);
    EXPECT_EQ(lines[0].substr(0, 17), "   1 #[INFO # 1] ");
    EXPECT_EQ(lines[9].substr(0, 18), "  10 #[INFO # 10] ");
    EXPECT_EQ(lines[9998].substr(0, 20), "9999 #[INFO # 9999] ");
    EXPECT_EQ(lines[9999].substr(0, 22), "10000 #[INFO # 10000] ");
}

TEST_F(ErrorsLogTest, IndexMinusOneResetsAllCountersAndWritesNothing)
{
    E.error(WARNING, "a", 1);
    E.error(ERROR, "b", 2);
    E.error(INFO, "c", 3);
    E.error(ERROR, "reset", -1);
    E.error(ERROR, "d", 2);
    E.error(WARNING, "e", 1);
    EXPECT_THROW(E.error(MEMORY, "f", 0), ExceptionType);
    E.error(INFO, "g", 3);

    std::vector<std::string> lines = log_lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3].substr(0, 18), "   1 #[ERROR # 1] ");
    EXPECT_EQ(lines[4].substr(0, 20), "   2 #[WARNING # 1] ");
    EXPECT_EQ(lines[5].substr(0, 19), "   3 #[MEMORY # 1] ");
    EXPECT_EQ(lines[6].substr(0, 17), "   4 #[INFO # 1] ");
}

TEST_F(ErrorsLogTest, AfterCloseReportsAreCountedEchoedAndThrowAndTheNextLogRunsOn)
{
    E.error(WARNING, "first", 1);
    E.error(INFO, "first", 35);
    E.CloseLog_file();

    E.results_stream = &echo;
    E.error(WARNING, "closed", 1);
    EXPECT_THROW(E.error(MEMORY, "closed", 0), ExceptionType);
    EXPECT_EQ(echo.str(), " #[WARNING # 2] : array out of bounds\n #[MEMORY # 1] : not enough memory\n");
    EXPECT_EQ(log_lines().size(), 2u);

    fs::path second = dir / "second_log.txt";
    open_log(second);
    E.error(WARNING, "second", 1);
    E.error(INFO, "second", 35);
    EXPECT_EQ(split_lines(read_text(second)),
              (std::vector<std::string>{
                  "   5 #[WARNING # 3] from function \"second\" : array out of bounds",
                  "   6 #[INFO # 2] from function \"second\" : reading haplotype list in external file"}));
}

TEST_F(ErrorsLogTest, WithoutLogReportsGoToStandardErrorUncountedAndMemoryStillThrows)
{
    E.error(WARNING, "counted", 1);  // the counters now stand at 2

    Errors no_log;  // a reporter that never opened a log
    testing::internal::CaptureStderr();
    no_log.error(WARNING, "A::f()", 1);
    no_log.error(WARNING, "A::f()", 1);
    no_log.error(WARNING, "A::f()", -1);  // no reset without a log
    EXPECT_THROW(no_log.error(MEMORY, "A::g()", 0), ExceptionType);
    no_log.error(DEBUG, "A::h()", 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "   2 #[WARNING # 2] from function \"A::f()\" : array out of bounds\n"
              "   2 #[WARNING # 2] from function \"A::f()\" : array out of bounds\n"
              "   2 #[MEMORY # 1] from function \"A::g()\" : not enough memory\n"
              "   2 #[DEBUG # 1] A::h()\n");

    E.error(WARNING, "counted", 1);
    std::vector<std::string> lines = log_lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, 20), "   2 #[WARNING # 2] ");
}

TEST_F(ErrorsLogTest, LogInMissingFolderStaysClosedAndReportsGoToStandardError)
{
    open_log(dir / "no_such_folder" / "Drovalen_log.txt");
    EXPECT_EQ(E.log_open, 0);
    EXPECT_EQ(_ZOS_, E.log_stream);
    EXPECT_TRUE(E.log_stream->fail());

    testing::internal::CaptureStderr();
    E.error(ERROR, "Project::run()", 126);
    EXPECT_THROW(E.error(MEMORY, "Project::run()", 0), ExceptionType);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "   1 #[ERROR # 1] from function \"Project::run()\" : unable to open project file\n"
              "   1 #[MEMORY # 1] from function \"Project::run()\" : not enough memory\n");
}

TEST_F(ErrorsLogTest, InitLogFileEmptiesOrAppendsToAnExistingFile)
{
    struct Case {
        bool append;
        const char* expected;
    };
    const Case cases[] = {
        {false, "   1 #[WARNING # 1] from function \"f\" : array out of bounds\n"},
        {true, "old line\n   1 #[WARNING # 1] from function \"f\" : array out of bounds\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.append ? "append" : "truncate");
        fs::path path = dir / "existing_log.txt";
        std::ofstream(path) << "old line\n";

        open_log(path, c.append);
        ASSERT_EQ(E.log_open, 1);
        EXPECT_EQ(fs::file_size(path), c.append ? 9u : 0u);  // nothing written on opening
        E.error(WARNING, "reset", -1);
        E.error(WARNING, "f", 1);
        EXPECT_EQ(read_text(path), c.expected);
        EXPECT_EQ(std::string(E.log_name.str), path.string());
    }
}

void report_before_any_log()
{
    E.error(WARNING, "main()", 1);
    std::exit(E.log_open == 0 && _ZOS_ == &std::cerr ? 0 : 1);
}

TEST(ErrorsStartTest, BeforeAnyLogZosIsStandardErrorAndReportsGoThere)
{
    // Runs in a freshly started copy of this program, where no log was ever opened.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(report_before_any_log(), testing::ExitedWithCode(0),
                "   1 #\\[WARNING # 1\\] from function \"main\\(\\)\" : array out of bounds");
}

TEST(MessageTableTest, HoldsTheFixedTextsInOrder)
{
    ASSERT_EQ(E.messages.count, 211);

    struct Case {
        int index;
        const char* text;
    };
    const Case cases[] = {
        {0, "not enough memory"},
        {14, "no value assigned to \"MatrixSize\""},
        {22, "\"MatrixData\" section not found"},
        {74, "invalid value assigned to \"GenotypicData: setting to default\""},
        {99, "unable to open Drovalen ini file"},
        {164, "a nucleotide is not found, impossible to apply Tajima-Nei correction "},
        {177, "hits vector has a bad size "},
        {181, "given seed is too large, initializing ran3 with random seed "},
        {187, "No molecular diversity within a sample while performing Fu's test"},
        {207, "\"SampleName\" keyword not found"},
        {209, "Attempting to read a too long string "},
        {210, "Too many mutations during simulations"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(std::string(E.messages[c.index].str), c.text) << "message " << c.index;

    // Four texts stand twice, each copy under its own number.
    const int duplicated[][2] = {{13, 24}, {46, 56}, {48, 57}, {145, 159}};
    for (auto const& pair : duplicated) {
        std::string first = E.messages[pair[0]].str;
        EXPECT_EQ(first, std::string(E.messages[pair[1]].str)) << pair[0] << " and " << pair[1];
        EXPECT_NE(first, std::string(E.messages[pair[0] + 1].str)) << pair[0];
    }
    EXPECT_EQ(std::string(E.messages[13].str), "error while reading distance matrix");
    EXPECT_EQ(std::string(E.messages[145].str), "missing haplotype definition");
}

}  // namespace
