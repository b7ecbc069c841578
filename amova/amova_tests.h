// The permutation tests of the AMOVA designs (Excoffier, Smouse and Quattro
// 1992): a variance component is recomputed after each random permutation of
// the units its null hypothesis leaves exchangeable, and its P-value is the
// share of permuted values equal to the observed one or beyond it on the
// test's side. P' = (P / K + 1) K permutations run in K = sqrt(P) batches,
// whose proportions give the standard deviation of the P-value.
//
// One AmovaPermutationTests object holds the work data of one design call:
// the counts, the batch counters and, per tested component, its sorted null
// distribution for the files and the histogram. Every return path of the
// design releases it with the object.
#ifndef DROV_AMOVA_AMOVA_TESTS_H
#define DROV_AMOVA_AMOVA_TESTS_H

#include <functional>
#include <ostream>
#include <vector>

class Amova;
class Population;
class settings;
template <class T> class MY_TArrayAsVector;

// Writes a value of a null-distribution file: sign always shown, fixed
// notation with 10 decimals in width 13 filled with '0' (+0.0123456789),
// then a flushed line end. The format stays set on the stream.
void print_DRO_DOUBLE(double const& value, std::ostream& out);

// One permuted among-groups value with the partition of the populations into
// groups that produced it: the sample indices in population-table order.
class FloatsAndPops {
public:
    double value;
    std::vector<int> indices;
    int count;

    FloatsAndPops(double const& value, int count, Population* const* pops);
};

// A permutation count that its batches would round up beyond the int range
// is refused, not run as a negative count: "<what> not computed: <requested>
// permutations are more than can be counted", as a detail line of the log
// and a line of the results.
void report_refused_permutation_count(settings const& s, const char* what, long long requested);

// The permutation counts derived from the requested number P.
struct PermutationCounts {
    int requested = 0;  // P
    int batches = 0;    // K = sqrt(P), truncated
    int total = 0;      // P' = (P / K + 1) K
    int classes = 0;    // histogram classes: sqrt(P') within 3 .. 20

    // False when P' does not fit an int (P must be above 0).
    bool compute(int P);
};

class AmovaPermutationTests {
public:
    // One test of a design. level: 0 for Va .. 3 for Vd (file, warning and
    // record slot of that component); pValue: the record's slot of the index.
    struct Test {
        int level;
        double observed;
        bool lowerTail;
        const char* label;  // "Va and FST : P(rand. value > obs. value)  = "
        double* pValue;
        bool missingFileIsError = false;  // a missing file name: ERROR, not WARNING
    };

    // reporter: the design's name for its reports; progressStep: the work
    // added every 100 permutations (3 for a single test, 1 for several).
    AmovaPermutationTests(Amova& amova, const char* reporter, float progressStep);

    // Counts, work data, the record's null distributions of the levels in
    // levelMask (bit 0 Va .. bit 3 Vd) emptied and sized, and the guard on
    // the number of units. False (reported) when no test can run; P' is
    // then not written back.
    // guardReporter: the name under which the guard reports, when it
    // differs from the design's.
    bool set_up(int levelMask, double units, const char* guardReporter = nullptr);

    // Runs one test: permute() draws one permutation and returns the
    // permuted component. With partitions, the population table after each
    // permutation is kept beside its value (among-groups tests). False when
    // the design must stop (stop request or missing file name).
    bool run(Test const& test, std::function<double()> const& permute, bool partitions = false);

    // "\t" P' and the four P-values, then the end of the design's batch line.
    void end_batch_line(double p1, double p2, double p3, double p4);
    // The histogram block of the tested components, with KeepNullDistrib.
    void histogram();

    int permutations() const { return counts.total; }

private:
    Amova& amova;
    const char* reporter;
    float progressStep;
    PermutationCounts counts;
    std::vector<float> batchHits;
    std::vector<double> sorted[4];        // per tested level, ascending after its test
    double observed[4] = {0, 0, 0, 0};
    bool tested[4] = {false, false, false, false};
    bool headingWritten = false;
    // Among-groups test: the partition of each permutation, P entries each.
    std::vector<int> partitionIndices;
    std::vector<int> partitionOrder;

    MY_TArrayAsVector<double>& record_null(int level);
    bool progress(int i);
    bool finish(Test const& test, int hits, int ties, long long ms, bool partitions);
    void write_null_file(Test const& test, long long ms, bool partitions);
    void print_lines(Test const& test, int hits, int ties, double p, double sd);
};

#endif
