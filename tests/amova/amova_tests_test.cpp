// The permutation tests of the AMOVA designs: permutation counts, the
// significance lines, null-distribution files, the histogram, the batch
// line, the number formats of the files, and the behaviour of the P-values
// under the null hypothesis and far from it.

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "amova/amova_design_fixture.h"
#include "amova/amova_tests.h"

namespace {

std::vector<std::string> lines_of(std::string const& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> fields_of(std::string const& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

TEST(PermutationCounts, BatchesPermutationsAndHistogramClasses)
{
    struct Case { int P, K, total, H; };
    for (Case c : {Case{1, 1, 2, 3}, Case{3, 1, 4, 3}, Case{4, 2, 6, 3}, Case{100, 10, 110, 10},
                   Case{1000, 31, 1023, 20}, Case{10000, 100, 10100, 20}}) {
        SCOPED_TRACE(c.P);
        PermutationCounts counts;
        ASSERT_TRUE(counts.compute(c.P));
        EXPECT_EQ(counts.batches, c.K);
        EXPECT_EQ(counts.total, c.total);
        EXPECT_EQ(counts.classes, c.H);
    }
    PermutationCounts counts;
    EXPECT_FALSE(counts.compute(INT_MAX));  // P' would pass the int range
}

TEST(NullDistributionFormats, SignedTenDecimalValues)
{
    std::ostringstream out;
    for (double x : {0.0, -0.25, 0.0123456789, -1.5})
        print_DRO_DOUBLE(x, out);
    EXPECT_EQ(out.str(), "+0.0000000000\n-0.2500000000\n+0.0123456789\n-1.5000000000\n");
}

// The example of two groups of three and two populations.
TEST_F(AmovaDesignTest, PartitionLineAndListOfPopulations)
{
    matrix(2);
    for (int i = 0; i < 5; ++i)
        sample({{i % 2, 2}});
    groups({{0, 1, 2}, {3, 4}});
    std::unique_ptr<Amova> a = prepared();
    MY_TIArrayAsVector<Population>& all = project.samples->Populations;
    Population* order[] = {all.data[2], all.data[0], all.data[4], all.data[1], all.data[3]};
    FloatsAndPops partition(0.0012345678, 5, order);
    std::ostringstream out;
    a->print_p(partition, out);
    EXPECT_EQ(out.str(), "[3,1,5],[2,4]\t\t+0.0012345678\n");
    out.str("");
    a->print_popvect(out);
    EXPECT_EQ(out.str(), "\nList of populations:\n\n   1 : pop1\n   2 : pop2\n   3 : pop3\n"
                         "   4 : pop4\n   5 : pop5\n\n\n");
}

// The anchor of an AMOVA section: the run stamp without blanks, tabs, '/',
// ':' or backslashes, "_amova_" and the suffix.
TEST_F(AmovaDesignTest, AnchorNames)
{
    matrix(2);
    sample({{0, 2}});
    sample({{1, 2}});
    groups({{0, 1}});
    std::unique_ptr<Amova> a = prepared();
    s.run_date = "10/12/26 at\t23:58:54\\7";
    a->print_amova_anchor(2, s, "POP_AMOVA_FIS", "FIS per pop");
    EXPECT_NE(results_text().find("<A NAME=\"10_12_26at23_58_54_7_amova_POP_AMOVA_FIS\"></A>\n"),
              std::string::npos) << results_text();
}

class AmovaOneGroupTestRun : public AmovaDesignTest {
protected:
    void SetUp() override
    {
        AmovaDesignTest::SetUp();
        matrix(2);
        sample({{0, 2}, {1, 1}});
        sample({{1, 3}});
        groups({{0, 1}});
        s.NumPermutationsAMOVA = 1000;
        s.KeepNullDistrib = 1;
    }
};

TEST_F(AmovaOneGroupTestRun, SignificanceLinesNullFileHistogramAndBatchLine)
{
    settings::global_work_done = 0;
    take_log();
    run_amova();

    std::string text = section();
    double p = record.p_fst;
    EXPECT_NE(text.find("\nSignificance tests (1023 permutations)\n------------------\n\n"
                        "Va and FST : P(rand. value > obs. value)  = "),
              std::string::npos) << text;
    EXPECT_NE(text.find("             P(rand. value = obs. value)  = "), std::string::npos);
    EXPECT_NE(text.find("\n\nHistogram of variance components null distributions\n"
                        + std::string(51, '=') + "\n\n                  Va\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("\nObserved  values:\n-----------------\nVa : 0.16666667\n"),
              std::string::npos) << text;
    // 20 classes: 20 rows of one mid-point and one count, all values counted
    // and the last class empty.
    size_t rows = text.find("Va\n") + 3;
    std::vector<std::string> classes =
        lines_of(text.substr(rows, text.find("\nObserved") - rows));
    ASSERT_EQ(classes.size(), 20u);
    int counted = 0;
    for (std::string const& row : classes)
        counted += std::stoi(row.substr(10));
    EXPECT_EQ(counted, 1023);
    EXPECT_EQ(std::stoi(classes.back().substr(10)), 0);

    // Samples of 3 copies: the permuted Va takes few values; P is the share
    // of values at or above 1/6 in the null distribution.
    ASSERT_EQ(record.null_1.count, 1023);
    int at_or_above = 0;
    for (int i = 0; i < 1023; ++i)
        at_or_above += record.null_1[i] >= 1.0 / 6 - 1e-10;
    EXPECT_DOUBLE_EQ(p, at_or_above / 1023.0);

    std::string va = read_text(dir / "p.va");
    EXPECT_EQ(va.find("File creation time    "), 0u);
    EXPECT_NE(va.find("\n" + std::string(47, '=') + "\n\nNumber of permutations : 1023\n"
                      "Time for computation   : "),
              std::string::npos);
    size_t body = va.find(" ms\n\nResults : Va\n============\n\n\nList of populations:\n\n"
                          "   1 : pop1\n   2 : pop2\n\n\n");
    ASSERT_NE(body, std::string::npos) << va;
    std::vector<std::string> values = lines_of(va.substr(va.find("pop2\n\n\n") + 7));
    ASSERT_EQ(values.size(), 1023u);
    static const std::regex format(R"([+-]\d\.\d{10})");
    for (size_t i = 0; i < values.size(); ++i) {
        ASSERT_TRUE(std::regex_match(values[i], format)) << values[i];
        if (i > 0) {
            EXPECT_LE(std::stod(values[i - 1]), std::stod(values[i]));
        }
    }
    EXPECT_NE(take_log().find("\tResults in file : \"" + (dir / "p.va").string() + "\"\n"),
              std::string::npos);

    std::vector<std::string> fields = fields_of(lines_of(batch_text())[0]);
    ASSERT_EQ(fields.size(), 18u);  // the file name and 17 fields
    EXPECT_EQ(fields[13], "1023");
    EXPECT_NEAR(std::stod(fields[14]), p, 1e-6);
    EXPECT_EQ(fields[15] + fields[16] + fields[17], "000");
    EXPECT_EQ(settings::global_work_done, 33);  // permutations 0, 100, ..., 1000
}

// One seed, one result: the results, the null distribution and the batch
// line are byte for byte the same.
TEST_F(AmovaOneGroupTestRun, SameSeedSameResults)
{
    auto without_times = [](std::string text) {
        static const std::regex times(R"((File creation time|Time for computation)[^\n]*)");
        return std::regex_replace(text, times, "");
    };
    run_amova();
    std::string text = section(), va = without_times(read_text(dir / "p.va")), batch = batch_text();
    restart_outputs();
    seed(-1234);
    run_amova();
    EXPECT_EQ(section(), text);
    EXPECT_EQ(without_times(read_text(dir / "p.va")), va);
    EXPECT_EQ(batch_text(), batch);
}

// A silent analysis (printFlag 0) fills the record and runs the test: its
// batch line holds the file name, an empty field and the test fields.
TEST_F(AmovaOneGroupTestRun, SilentAnalysisRunsTheTest)
{
    s.TaskNumber = settings::AMOVA;
    s.HaplAMOVA = 1;
    Amova silent(s, project.structure, project.samples, &project.dist_mat, &project.haplo_list,
                 &project.allele_db, &project.mantel, 0, 1, &record);
    std::string text = results_text();
    EXPECT_EQ(text.find("AMOVA design"), std::string::npos);
    EXPECT_EQ(text.find("Significance tests"), std::string::npos);
    EXPECT_NE(text.find("Histogram of variance components"), std::string::npos);
    EXPECT_NEAR(record.var_1, 1.0 / 6, 1e-12);
    EXPECT_GT(record.p_fst, 0);
    EXPECT_EQ(batch_text().rfind("p.drp\t\t1023\t", 0), 0u) << batch_text();
}

TEST_F(AmovaOneGroupTestRun, FewPermutationsAndNone)
{
    s.NumPermutationsAMOVA = 1;  // one batch: no standard deviation
    s.KeepNullDistrib = 0;
    run_amova();
    std::string text = section();
    EXPECT_NE(text.find("Significance tests (2 permutations)"), std::string::npos);
    EXPECT_NE(text.find("+-0.00000\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Histogram"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "p.va"));

    restart_outputs();
    s.NumPermutationsAMOVA = 0;
    s.KeepNullDistrib = 1;
    run_amova();
    text = section();
    EXPECT_EQ(text.find("Significance tests"), std::string::npos);
    EXPECT_EQ(text.find("Histogram"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "p.va"));
    EXPECT_EQ(record.p_fst, amova_results::NOT_TESTED);
    EXPECT_EQ(fields_of(lines_of(batch_text())[0]).size(), 13u);
}

// A count whose P' passes the int range is refused with its reason, in the
// log and the results, and an ended line; no test runs.
TEST_F(AmovaOneGroupTestRun, CountBeyondTheIntRangeIsRefused)
{
    s.NumPermutationsAMOVA = INT_MAX;
    take_log();
    run_amova();
    const std::string refusal = "AMOVA permutation tests not computed: 2147483647 permutations "
                                "are more than can be counted\n";
    std::string log = take_log();
    EXPECT_NE(log.find("\t" + refusal), std::string::npos) << log;
    EXPECT_EQ(log.find("not enough memory"), std::string::npos) << log;
    EXPECT_NE(section().find(refusal), std::string::npos);
    EXPECT_EQ(section().find("Significance tests"), std::string::npos);
    EXPECT_EQ(batch_text(), "p.drp\t1\t4\t0\t0\t0.166667\t0.166667\t0\t0\t0.5\t0\t0\t0\n");
}

#if !defined(__SANITIZE_ADDRESS__)
// Limits the address space of this process to what it uses now and `room`
// bytes more.
void limit_address_space(rlim_t room)
{
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit limit;
    limit.rlim_cur = limit.rlim_max =
        static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + room;
    setrlimit(RLIMIT_AS, &limit);
}

// Without room for the record's null distribution the design ends with the
// MEMORY report's exception, which ends the run as failed, instead of
// leaving the process. The child has room for the test's own sorted copy
// (800 MB) but not for the record's as well.
TEST_F(AmovaOneGroupTestRun, NoRoomForTheNullDistributionEndsTheRun)
{
    s.NumPermutationsAMOVA = 100000000;
    auto child = [this]() {
        limit_address_space(1200ull << 20);
        try {
            run_amova();
        } catch (ExceptionType) {
            std::_Exit(3);
        }
        std::_Exit(4);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(3), "");
}
#endif

// A null-distribution file that cannot be created is reported with its name;
// the test goes on and no "Results in file" line claims it.
TEST_F(AmovaOneGroupTestRun, UncreatableNullFileIsReported)
{
    s.results_file = (dir / "missing" / "p.htm").string().c_str();
    take_log();
    run_amova();
    std::string log = take_log();
    EXPECT_NE(log.find("Unable to create the null-distribution file \""
                       + (dir / "missing" / "p.va").string() + "\""),
              std::string::npos) << log;
    EXPECT_EQ(log.find("Results in file"), std::string::npos);
    EXPECT_NE(section().find("P-value = "), std::string::npos);
    EXPECT_GT(record.p_fst, 0);
}

// The design stops without P-value: at a stop request (the batch line still
// ended), and when the settings name no file for the null distribution.
TEST_F(AmovaOneGroupTestRun, StopRequestAndMissingFileNameEndTheDesign)
{
    s.stop_requested = 1;
    run_amova();
    s.stop_requested = 0;
    EXPECT_EQ(section().find("Significance tests"), std::string::npos);
    EXPECT_EQ(record.p_fst, amova_results::NOT_TESTED);
    EXPECT_EQ(batch_text(), "p.drp\t1\t4\t0\t0\t0.166667\t0.166667\t0\t0\t0.5\t0\t0\t0\n");

    std::unique_ptr<Amova> a = prepared();
    s.va_file = "";
    take_log();
    EXPECT_EQ(a->AMOVA_1G_P_H(), 0);
    EXPECT_NE(take_log().find("from function \"Amova::AMOVA_1G_P_H()\" : missing file (Var A "
                              "null distribution)"),
              std::string::npos);
    EXPECT_EQ(record.p_fst, amova_results::NOT_TESTED);
}

// All permuted values equal: they all fall in the first class of the
// histogram, every mid-point being that value.
TEST_F(AmovaDesignTest, HistogramOfEqualValues)
{
    matrix(2, 0.0);
    sample({{0, 2}, {1, 1}});
    sample({{1, 3}});
    groups({{0, 1}});
    s.NumPermutationsAMOVA = 100;
    s.KeepNullDistrib = 1;
    run_amova();
    std::string text = section();
    EXPECT_NE(text.find("                  Va\n   0.00000       110\n   0.00000         0\n"),
              std::string::npos) << text;
}

// Under the null hypothesis (samples drawn from one population) the P-values
// spread over (0, 1]; samples fixed for different haplotypes give P < 0.01.
TEST_F(AmovaDesignTest, PValuesUnderTheNullAndFarFromIt)
{
    matrix(4);
    std::mt19937 gen(17);
    std::discrete_distribution<int> haplotype({0.4, 0.3, 0.2, 0.1});
    s.NumPermutationsAMOVA = 99;
    std::vector<double> p;
    for (int run = 0; run < 200; ++run) {
        restart_outputs();
        seed(-1 - run);
        int first = project.samples->Populations.count;
        for (int k = 0; k < 3; ++k) {
            std::vector<int> counts(4, 0);
            for (int c = 0; c < 10; ++c)
                ++counts[haplotype(gen)];
            std::vector<std::pair<int, int>> records;
            for (int h = 0; h < 4; ++h)
                if (counts[h] > 0)
                    records.push_back({h, counts[h]});
            sample(records);
        }
        groups({{first, first + 1, first + 2}});
        run_amova();
        p.push_back(record.p_fst);
    }
    double mean = 0;
    int below_tenth = 0, below_half = 0;
    for (double x : p) {
        mean += x / p.size();
        below_tenth += x <= 0.1;
        below_half += x <= 0.5;
    }
    EXPECT_NEAR(mean, 0.5, 0.07);
    EXPECT_GE(below_tenth, 8);  // about 20 expected
    EXPECT_LE(below_tenth, 35);
    EXPECT_NEAR(below_half, 100, 25);

    restart_outputs();
    int first = project.samples->Populations.count;
    sample({{0, 10}});
    sample({{3, 10}});
    groups({{first, first + 1}});
    s.NumPermutationsAMOVA = 1000;
    run_amova();
    EXPECT_LT(record.p_fst, 0.01);
}

// The three tests of the groups design: lower tail for Vc, then Vb, then Va
// with the partitions of the populations in the file of Va, in ascending
// order of value; the batch line gives the P-values of FCT, FSC and FST.
TEST_F(AmovaDesignTest, GroupsTestsPartitionsAndBatchLine)
{
    matrix(2);
    sample({{0, 2}});
    sample({{0, 1}, {1, 1}});
    sample({{1, 2}});
    sample({{1, 2}});
    groups({{0, 1}, {2, 3}});
    s.NumPermutationsAMOVA = 100;
    s.KeepNullDistrib = 1;
    run_amova();

    std::string text = section();
    size_t vc = text.find("Vc and FST : P(rand. value &lt; obs. value)  = ");
    size_t vb = text.find("Vb and FSC : P(rand. value > obs. value)  = ");
    size_t va = text.find("Va and FCT : P(rand. value > obs. value)  = ");
    ASSERT_NE(va, std::string::npos) << text;
    EXPECT_LT(vc, vb);
    EXPECT_LT(vb, va);
    EXPECT_NE(text.find("                  Va                  Vb                  Vc\n"),
              std::string::npos) << text;
    EXPECT_EQ(record.null_1.count, 110);
    EXPECT_EQ(record.null_2.count, 110);
    EXPECT_EQ(record.null_3.count, 110);

    std::string file = read_text(dir / "p.va");
    std::vector<std::string> lines = lines_of(file.substr(file.find("pop4\n\n\n") + 7));
    ASSERT_EQ(lines.size(), 110u);
    static const std::regex partition(R"(\[(\d),(\d)\],\[(\d),(\d)\]\t\t([+-]\d\.\d{10}))");
    double before = -1e9;
    for (std::string const& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, partition)) << line;
        std::set<std::string> pops = {m[1], m[2], m[3], m[4]};
        EXPECT_EQ(pops, (std::set<std::string>{"1", "2", "3", "4"}));
        double value = std::stod(m[5]);
        EXPECT_LE(before, value);
        before = value;
    }
    EXPECT_EQ(read_text(dir / "p.vc").find("List of populations"), std::string::npos);

    std::vector<std::string> fields = fields_of(lines_of(batch_text())[0]);
    ASSERT_EQ(fields.size(), 18u);
    EXPECT_EQ(fields[13], "110");
    EXPECT_NEAR(std::stod(fields[14]), record.p_fct, 1e-6);
    EXPECT_NEAR(std::stod(fields[15]), record.p_fsc, 1e-6);
    EXPECT_NEAR(std::stod(fields[16]), record.p_fst, 1e-6);
    EXPECT_EQ(fields[17], "0");
}

}  // namespace
