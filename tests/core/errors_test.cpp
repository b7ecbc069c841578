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
        {WARNING, "f10", 217, "  10 #[WARNING # 3] from function \"f10\" : unknown message 217",
         " #[WARNING # 3] : unknown message 217"},
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

// The whole table, text by text: a report names its message by number, so a
// text moved, changed or lost shows in every log that cites it.
TEST(MessageTableTest, HoldsTheFixedTextsInOrder)
{
    const char* const texts[] = {
        /*   0 */ "not enough memory",
        /*   1 */ "array out of bounds",
        /*   2 */ "ill-defined genetic structure",
        /*   3 */ "too many elements to permute distance matrix",
        /*   4 */ "missing file (Var A null distribution)",
        /*   5 */ "missing file (Var B null distribution)",
        /*   6 */ "missing file (Var C null distribution)",
        /*   7 */ "missing file (Var D null distribution)",
        /*   8 */ "missing file (BNumMat)",
        /*   9 */ "invalid stream",
        /*  10 */ "invalid BNumMat file",
        /*  11 */ "missing haplotype label(s)",
        /*  12 */ "error while reading haplotype labels",
        /*  13 */ "error while reading distance matrix",
        /*  14 */ "no value assigned to \"MatrixSize\"",
        /*  15 */ "invalid value assigned to \"MatrixSize\"",
        /*  16 */ "invalid value assigned to \"LabelPosition\"",
        /*  17 */ "reading distance matrix in external file",
        /*  18 */ "error while reading distance matrix in external file",
        /*  19 */ "unexpected keyword after \"MatrixData\"",
        /*  20 */ "missing file name for external distance matrix",
        /*  21 */ "error while reading distance matrix data",
        /*  22 */ "\"MatrixData\" section not found",
        /*  23 */ "unexpected keyword in [DistanceMatrix] section",
        /*  24 */ "error while reading distance matrix",
        /*  25 */ "invalid RFLP data",
        /*  26 */ "invalid DNA data",
        /*  27 */ "invalid MICROSAT data",
        /*  28 */ "haplotype defined in distance matrix is not found in samples",
        /*  29 */ "warning, no labels defined for distance matrix",
        /*  30 */ "invalid distance matrix size",
        /*  31 */ "haplotype already defined",
        /*  32 */ "missing haplotype data",
        /*  33 */ "unable to read haplotype data",
        /*  34 */ "bad value assigned to \"HaplListName\"",
        /*  35 */ "reading haplotype list in external file",
        /*  36 */ "unable to open external haplotype file",
        /*  37 */ "error while reading external haplotype file",
        /*  38 */ "invalid keyword assigned to \"HaplList\"",
        /*  39 */ "missing braces after HaplList",
        /*  40 */ "error while reading haplotype list",
        /*  41 */ "invalid keyword in section [HaplotypeDefinition]",
        /*  42 */ "unable to open matrix file",
        /*  43 */ "error while reading matrix",
        /*  44 */ "attempt to operate on two matrices of different size",
        /*  45 */ "unable to open external structure file",
        /*  46 */ "invalid value assigned to \"StructureName\"",
        /*  47 */ "invalid value assigned to \"NbGroups\"",
        /*  48 */ "invalid value assigned to \"DistMatLabel\"",
        /*  49 */ "unknown number of groups",
        /*  50 */ "missing opening brace for group definition",
        /*  51 */ "unknown sample name",
        /*  52 */ "missing closing brace for group definition",
        /*  53 */ "too many groups defined in [Structure]",
        /*  54 */ "invalid keyword in section [Structure]",
        /*  55 */ "invalid value assigned to keyword",
        /*  56 */ "invalid value assigned to \"StructureName\"",
        /*  57 */ "invalid value assigned to \"DistMatLabel\"",
        /*  58 */ "unable to build haplotype table",
        /*  59 */ "invalid data or output",
        /*  60 */ "invalid index in contingency table",
        /*  61 */ "section [Samples] must begin with \"SampleName\"",
        /*  62 */ "invalid value assigned to \"SampleName\"",
        /*  63 */ "unable to read sample data",
        /*  64 */ "missing closing brace in sample definition",
        /*  65 */ "two samples have the same name: renaming second sample",
        /*  66 */ "invalid value assigned to \"SampleSize\"",
        /*  67 */ "invalid keyword in section [Samples]",
        /*  68 */ "a population has no defined data",
        /*  69 */ "phenotypes have different number of loci",
        /*  70 */ "haplotypes have different number of loci",
        /*  71 */ "samples do not have the same number of loci",
        /*  72 */ "no degrees of freedom left",
        /*  73 */ "missing value for \"GenotypicData\": setting to default",
        /*  74 */ "invalid value assigned to \"GenotypicData: setting to default\"",
        /*  75 */ "invalid value assigned to \"DataType\": setting to default",
        /*  76 */ "missing loci labels",
        /*  77 */ "missing value for \"UsedHaplList\": setting to default",
        /*  78 */ "missing value for \"MissingData\": setting to default",
        /*  79 */ "missing value for \"LocusListing\": setting to default",
        /*  80 */ "invalid value for \"LocusListing\": setting to default",
        /*  81 */ "invalid value for \"NbLoci\": setting to default",
        /*  82 */ "invalid value for \"LocusSeparator\": setting to default",
        /*  83 */ "missing value for \"IndividualLevel\"",
        /*  84 */ "invalid value for \"IndividualLevel\": setting to default",
        /*  85 */ "missing value for \"Interleave\": setting to default",
        /*  86 */ "invalid value for \"Interleave\": setting to default",
        /*  87 */ "invalid value for \"Frequency\": setting to default",
        /*  88 */ "missing value for \"GameticPhase\": setting to default",
        /*  89 */ "invalid value for \"GameticPhase\": setting to default",
        /*  90 */ "invalid recessive allele, switching off recessive data",
        /*  91 */ "invalid frequency threshold value, restoring default (1e-5)",
        /*  92 */ "invalid epsilon value, restoring default (1e-7)",
        /*  93 */ "unable to read project \"Title\"",
        /*  94 */ "missing value for \"NbSamples\"",
        /*  95 */ "invalid value for \"NbSamples\"",
        /*  96 */ "missing value for \"NbGroups\"",
        /*  97 */ "invalid value for \"NbGroups\"",
        /*  98 */ "invalid keyword in section [Profile]",
        /*  99 */ "unable to open Drovalen ini file",
        /* 100 */ "invalid character in input file",
        /* 101 */ "unable to read a character in input file",
        /* 102 */ "unable to find section in profile",
        /* 103 */ "unable to open Drovalen input file",
        /* 104 */ "unable to read subsection id",
        /* 105 */ "numerical error",
        /* 106 */ "haplotype frequencies are not absolute frequencies",
        /* 107 */ "allele index exceeds vector size",
        /* 108 */ "haplotype list is empty",
        /* 109 */ "number of haplotype is zero",
        /* 110 */ "sum of haplotype frequencies do not Add up to specified number",
        /* 111 */ "number of haplotypes does not correspond to initial value",
        /* 112 */ "invalid character while reading phenotype",
        /* 113 */ "invalid data type",
        /* 114 */ "too many heterozygous loci",
        /* 115 */ "attempt to do computation on non-selected alleles",
        /* 116 */ "unable to find specified allele",
        /* 117 */ "a phenotype has zero probability",
        /* 118 */ "invalid number of selected loci",
        /* 119 */ "number of alleles changed after permutation",
        /* 120 */ "number of phenotypes changed after DB expansion",
        /* 121 */ "microsatellite allele not coded as an integer value",
        /* 122 */ "distance matrix does not exist",
        /* 123 */ "no samples have been defined",
        /* 124 */ "no group(s) have been defined",
        /* 125 */ "invalid structure: only one population per group",
        /* 126 */ "unable to open project file",
        /* 127 */ "unable to read Profile Settings",
        /* 128 */ "no subsections found",
        /* 129 */ "distance matrix in project file is ignored",
        /* 130 */ "specified haplotype list was found empty",
        /* 131 */ "too many sub-sections found (max=4)",
        /* 132 */ "unable to write distance matrix output file",
        /* 133 */ "unable to write project back-up file",
        /* 134 */ "project contains invalid data after check",
        /* 135 */ "haplotype list incompatible with distance matrix",
        /* 136 */ "distance matrix could not be computed",
        /* 137 */ "haplotype distance matrix cannot be computed on genotypic data",
        /* 138 */ "incompatibility between known gametic phase and recessive data",
        /* 139 */ "RFLP haplotypes have different length",
        /* 140 */ "sample size is zero",
        /* 141 */ "sum of haplotype frequencies do not match specified sample size : adjusting sample size",
        /* 142 */ "unable to read haplotype id",
        /* 143 */ "haplotype cannot be inserted into database",
        /* 144 */ "unable to read haplotype frequency",
        /* 145 */ "missing haplotype definition",
        /* 146 */ "data already defined",
        /* 147 */ "error while reading haplotypic data",
        /* 148 */ "sum of genotype frequencies do not match specified sample size : adjusting sample size",
        /* 149 */ "unable to read genotype frequency",
        /* 150 */ "unable to read genotype data",
        /* 151 */ "error while reading genotypic data",
        /* 152 */ "phenotype data base is empty",
        /* 153 */ "recessive allele inserted at unspecified position in DB",
        /* 154 */ "invalid number of batches",
        /* 155 */ "unable to build contingency table",
        /* 156 */ "haplotype DB is not empty: flushing DB",
        /* 157 */ "suspicious haplotype DB transfer",
        /* 158 */ "sum of allele frequencies is zero",
        /* 159 */ "missing haplotype definition",
        /* 160 */ "allele not found in DB",
        /* 161 */ "DNA sequences have different lengths",
        /* 162 */ "sequences too divergent for Jukes and Cantor correction",
        /* 163 */ "sequences too divergent for Kimura-2P correction",
        /* 164 */ "a nucleotide is not found, impossible to apply Tajima-Nei correction ",
        /* 165 */ "sequences too divergent for Tajima-Nei correction",
        /* 166 */ "mismatch vector not available",
        /* 167 */ "linkage disequilibrium cannot be computed on a single locus",
        /* 168 */ "invalid number of pairwise linkage disequilibrium values",
        /* 169 */ "sum of haplotype frequencies do not match specified sample size",
        /* 170 */ "sum of haplotype frequencies is zero",
        /* 171 */ "nucleotide composition too unbalanced for Tamura correction",
        /* 172 */ "unable to read \"Structure\" section, no samples are defined",
        /* 173 */ "unable to associate Haplotype with a valid matrix LABEL",
        /* 174 */ "Sum of elements should be equal to 1",
        /* 175 */ "attempting to compute log(0)",
        /* 176 */ "nucleotide composition too unbalanced for Tamura-Nei correction",
        /* 177 */ "hits vector has a bad size ",
        /* 178 */ "negative S value, Fs cannot be computed ",
        /* 179 */ "too many alleles, or too large sample ",
        /* 180 */ "attempt to compute negative sqrt ",
        /* 181 */ "given seed is too large, initializing ran3 with random seed ",
        /* 182 */ "singular Jacobian",
        /* 183 */ "r singular in broydn",
        /* 184 */ "equation solving did not converge, too many iterations",
        /* 185 */ "Roundoff problem in lnsrch.",
        /* 186 */ "Unable to read specified number of Mantel Matrices",
        /* 187 */ "No molecular diversity within a sample while performing Fu's test",
        /* 188 */ "missing '=' sign in keyword definition in project file",
        /* 189 */ "missing keyword in project file",
        /* 190 */ "bad value assigned to keyword in project file",
        /* 191 */ "reading sample data in external file",
        /* 192 */ "unable to open external sample data file",
        /* 193 */ "error while reading external sample data file",
        /* 194 */ "missing closing brace in Sampledata definition",
        /* 195 */ "External definition of the \"Genetic Structure\" is not supported anymore in ver 3",
        /* 196 */ "unable to read \"Mantel\" section, no samples are defined",
        /* 197 */ "unable to read value in \"Mantel\" section",
        /* 198 */ "no value assigned to \"MatrixNumber\"",
        /* 199 */ "invalid value assigned to \"MatrixNumber\"",
        /* 200 */ "unable to read external distance matrix file",
        /* 201 */ "problem in reading labels in UsedYmatrixLabels section",
        /* 202 */ "unable to compute Genetic Structure with current settings",
        /* 203 */ "missing required keywords definition in project file",
        /* 204 */ "unable to make connections in minimum spanning tree",
        /* 205 */ "group does not contain any population sample",
        /* 206 */ "sample included twice in a group",
        /* 207 */ "\"SampleName\" keyword not found",
        /* 208 */ "A population does not contain any data for a given locus",
        /* 209 */ "Attempting to read a too long string ",
        /* 210 */ "Too many mutations during simulations",
        /* 211 */ "unknown keyword in settings file",
        /* 212 */ "keyword missing from settings file",
        /* 213 */ "value assigned to keyword is not a number",
        /* 214 */ "value assigned to keyword is not an integer",
        /* 215 */ "value assigned to keyword is outside its range",
        /* 216 */ "Stirling numbers beyond the range of a double, Fs cannot be computed",
    };
    ASSERT_EQ(E.messages.count, 217);
    ASSERT_EQ(sizeof texts / sizeof texts[0], 217u);
    for (int i = 0; i < 217; i++)
        EXPECT_EQ(std::string(E.messages[i].str), texts[i]) << "message " << i;
}

}  // namespace
