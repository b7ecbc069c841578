// Permutation tests of the AMOVA designs (Excoffier, Smouse and Quattro
// 1992), their null-distribution files and the histogram of the null
// distributions.
//
// A permuted value within 1e-10 of the observed one is a tie; ties and the
// values beyond the observed one on the test's side make the P-value. The
// K batch proportions give its standard error. The single-precision steps
// (batch counters, the standard deviation, the progress sum) are those of
// the results files written so far.

#include "amova/amova_tests.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <new>
#include <numeric>
#include <sstream>
#include <string>

#include "amova/amova.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/value_array.h"
#include "model/dist_mat.h"
#include "model/population.h"
#include "project/project_file_lines.h"
#include "project/result_tree.h"
#include "project/samples.h"
#include "project/structure.h"

namespace {

const double tie_tolerance = 1e-10;
const int invalid_stream_message = 9;

void sign_shown_format(std::ostream& out)
{
    out.precision(10);
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.setf(std::ios::right, std::ios::adjustfield);
    out.setf(std::ios::showpos);
    out.fill('0');
    out.width(13);
}

// The integer part of the square root of n taken in single precision first.
int float_root(long long n)
{
    return static_cast<int>(std::sqrt(static_cast<double>(static_cast<float>(n))));
}

my_string const& null_file_name(settings const& s, int level)
{
    switch (level) {
    case 0: return s.va_file;
    case 1: return s.vb_file;
    case 2: return s.vc_file;
    default: return s.vd_file;
    }
}

}  // namespace

void print_DRO_DOUBLE(double const& value, std::ostream& out)
{
    sign_shown_format(out);
    out << value << std::endl;
}

FloatsAndPops::FloatsAndPops(double const& value_, int count_, Population* const* pops)
    : value(value_), count(count_)
{
    try {
        indices.resize(count > 0 ? count : 0);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "FloatsAndPops::FloatsAndPops()", 0);
        count = 0;
        return;
    }
    for (int i = 0; i < count; ++i)
        indices[i] = pops[i]->sample_index;
}

void report_refused_permutation_count(settings const& s, const char* what, long long requested)
{
    std::ostringstream refusal;
    refusal << what << " not computed: " << requested
            << " permutations are more than can be counted";
    *_ZOS_ << "\t" << refusal.str() << std::endl;
    if (s.results_stream)
        *s.results_stream << refusal.str() << std::endl;
}

bool PermutationCounts::compute(int P)
{
    requested = P;
    batches = std::max(float_root(P), 1);
    long long total64 = (static_cast<long long>(P / batches) + 1) * batches;
    if (total64 >= INT_MAX)
        return false;
    total = static_cast<int>(total64);
    classes = std::min(std::max(float_root(total), 3), 20);
    return true;
}

void Amova::print_p(FloatsAndPops const& partition, std::ostream& out) const
{
    print_p(partition.value, partition.indices.data(), partition.count, out);
}

void Amova::print_p(double value, int const* indices, int count, std::ostream& out) const
{
    int k = 0;
    out << "[";
    for (int g = 0; g < structure->NbGroups; ++g) {
        if (g > 0)
            out << "],[";
        for (int m = 0; m < structure->Groups[g].count; ++m, ++k) {
            if (m > 0)
                out << ",";
            if (k < count)
                out << indices[k] + 1;
        }
    }
    out << "]\t\t";
    sign_shown_format(out);
    out << value;
    out.unsetf(std::ios::showpos);
    out << std::endl;
}

// Numbered by sample index + 1, the numbers of the partition lines: the
// population of sample index i - 1 on line i.
void Amova::print_popvect(std::ostream& out) const
{
    out << "\nList of populations:\n" << std::endl;
    int P = static_cast<int>(popTable.size());
    std::vector<Population const*> byIndex(P, nullptr);
    for (Population const* p : popTable)
        if (p->sample_index >= 0 && p->sample_index < P)
            byIndex[p->sample_index] = p;
    for (int i = 1; i <= P; ++i)
        out << "   " << i << " : " << result_text(byIndex[i - 1] ? byIndex[i - 1]->name : my_string())
            << "\n";
    out << "\n\n";
}

AmovaPermutationTests::AmovaPermutationTests(Amova& amova_, const char* reporter_,
                                             float progressStep_)
    : amova(amova_), reporter(reporter_), progressStep(progressStep_)
{
}

MY_TArrayAsVector<double>& AmovaPermutationTests::record_null(int level)
{
    amova_results& r = *amova.results;
    switch (level) {
    case 0: return r.null_1;
    case 1: return r.null_2;
    case 2: return r.null_3;
    default: return r.null_4;
    }
}

bool AmovaPermutationTests::set_up(int levelMask, double units, const char* guardReporter)
{
    if (!counts.compute(amova.numPermutations)) {
        report_refused_permutation_count(amova.runSettings, "AMOVA permutation tests",
                                         amova.numPermutations);
        return false;
    }
    int total = counts.total;
    try {
        batchHits.assign(counts.batches + 2, 0.0f);
        for (int level = 0; level < 4; ++level)
            if (levelMask & (1 << level))
                sorted[level].reserve(total + 1);
    } catch (std::bad_alloc const&) {
        E.error(ERROR, reporter, 0);
        return false;
    }
    // The record's null distributions: without their memory the run ends
    // with the MEMORY report's exception, never by leaving the process.
    for (int level = 0; level < 4; ++level) {
        if (!(levelMask & (1 << level)))
            continue;
        MY_TArrayAsVector<double>& null = record_null(level);
        null.count = 0;
        if (null.Resize(total) != total) {
            E.error(MEMORY, reporter, 0);
            return false;
        }
    }
    if (units >= INT_MAX || amova.distMat->size == INT_MAX) {
        E.error(ERROR, guardReporter ? guardReporter : reporter, 3);
        return false;
    }
    amova.numPermutations = total;
    // The permuted within sums read the square copy of the matrix.
    if (amova.squareDist.size() == 0)
        amova.squareDist.assign(*amova.distMat);
    return true;
}

bool AmovaPermutationTests::progress(int i)
{
    if (i % 100 != 0)
        return true;
    settings::global_work_done =
        static_cast<double>(static_cast<float>(settings::global_work_done) + progressStep);
    settings::print_message();
    return !amova.runSettings.stop_requested;
}

bool AmovaPermutationTests::run(Test const& test, std::function<double()> const& permute,
                                bool partitions)
{
    const int total = counts.total;
    const int K = counts.batches;
    const int P = static_cast<int>(amova.popTable.size());
    std::fill(batchHits.begin(), batchHits.end(), 0.0f);
    int hits = 0, ties = 0;
    std::clock_t start = std::clock();
    std::vector<double>& values = sorted[test.level];
    values.clear();
    MY_TArrayAsVector<double>& record = record_null(test.level);
    if (partitions) {
        try {
            partitionIndices.clear();
            partitionIndices.reserve(static_cast<size_t>(total) * P);
            partitionOrder.resize(total);
        } catch (std::bad_alloc const&) {
            E.error(ERROR, "AMOVA::..__PERMUTE", 0);
            return false;
        }
    }
    for (int i = 0; i < total; ++i) {
        double x = permute();
        if (std::fabs(x - test.observed) < tie_tolerance) {
            ++ties;
            batchHits[i % K] += 1.0f;
        } else if (test.lowerTail ? x < test.observed : x > test.observed) {
            ++hits;
            batchHits[i % K] += 1.0f;
        }
        record.Add(x);
        values.push_back(x);
        if (partitions)
            for (Population const* p : amova.popTable)
                partitionIndices.push_back(p->sample_index);
        if (!progress(i))
            return false;
    }
    if (partitions) {
        std::iota(partitionOrder.begin(), partitionOrder.end(), 0);
        std::stable_sort(partitionOrder.begin(), partitionOrder.end(),
                         [&values](int a, int b) { return values[a] < values[b]; });
    }
    std::sort(values.begin(), values.end());
    return finish(test, hits, ties, milliseconds_since(start), partitions);
}

bool AmovaPermutationTests::finish(Test const& test, int hits, int ties, long long ms,
                                   bool partitions)
{
    settings& s = amova.runSettings;
    if (null_file_name(s, test.level).length == 0) {
        E.error(test.missingFileIsError ? ERROR : WARNING, reporter, 4 + test.level);
        return false;
    }
    if (s.KeepNullDistrib)
        write_null_file(test, ms, partitions);
    const int total = counts.total;
    const int K = counts.batches;
    double p = static_cast<double>(hits + ties) / total;
    float sd = 0.0f;
    if (K >= 2) {
        float perBatch = static_cast<float>(total / K);
        float q = static_cast<float>(p);
        float sum = 0.0f;
        for (int b = 0; b < K; ++b) {
            float f = batchHits[b] / perBatch;
            sum += (f - q) * (f - q);
        }
        sd = std::sqrt(sum / static_cast<float>((K - 1) * K));
    }
    if (amova.printFlag && s.results_stream)
        print_lines(test, hits, ties, p, sd);
    *test.pValue = p;
    tested[test.level] = true;
    observed[test.level] = test.observed;
    return true;
}

void AmovaPermutationTests::print_lines(Test const& test, int hits, int ties, double p,
                                        double sd)
{
    std::ostream& out = *amova.runSettings.results_stream;
    const double total = counts.total;
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.setf(std::ios::right, std::ios::adjustfield);
    out.setf(std::ios::showpoint);
    out.precision(5);
    if (!headingWritten) {
        out << "\nSignificance tests (" << counts.total << " permutations)\n"
            << "------------------\n\n";
        headingWritten = true;
    }
    out << test.label << std::setw(8) << hits / total << std::endl;
    out << "             P(rand. value = obs. value)  = " << std::setw(8) << ties / total
        << std::endl;
    out << "                                  P-value = " << std::setw(8) << p << "+-" << sd
        << "\n\n";
}

// A file that cannot be created is reported with its name; the test goes on.
void AmovaPermutationTests::write_null_file(Test const& test, long long ms, bool partitions)
{
    my_string const& name = null_file_name(amova.runSettings, test.level);
    std::ofstream out(name.str, std::ios::out | std::ios::trunc);
    if (!out) {
        E.error(WARNING, reporter, invalid_stream_message);
        *_ZOS_ << "\tUnable to create the null-distribution file \"" << name << "\"\n";
        return;
    }
    out << "File creation time    " << amova.timeStamp << "\n"
        << std::string(47, '=') << "\n\n"
        << "Number of permutations : " << counts.total << "\n"
        << "Time for computation   : " << ms << " ms\n\n"
        << "Results : V" << static_cast<char>('a' + test.level) << "\n"
        << "============\n" << std::endl;
    if (test.level == 0)
        amova.print_popvect(out);
    if (partitions) {
        const int P = static_cast<int>(amova.popTable.size());
        std::vector<double> const& values = sorted[test.level];
        for (int k = 0; k < counts.total; ++k)
            amova.print_p(values[k], partitionIndices.data() + static_cast<size_t>(
                                                                    partitionOrder[k]) * P,
                          P, out);
    } else {
        for (double const& x : sorted[test.level])
            print_DRO_DOUBLE(x, out);
    }
    out.close();
    *_ZOS_ << "\t\tdone ! (" << ms << " ms)" << "\tResults in file : \"" << name << "\"\n";
}

void AmovaPermutationTests::end_batch_line(double p1, double p2, double p3, double p4)
{
    if (amova.batch_line_open() && ofs_amova_res)
        *ofs_amova_res << "\t" << counts.total << "\t" << p1 << "\t" << p2 << "\t" << p3
                       << "\t" << p4;
    amova.end_batch_line();
}

// Classes of width (M - m) / (H - 2) from the smallest value m; the largest
// value falls in class H - 2 and the last class stays empty. Bounds are kept
// in double so that no value falls below the first class; when all values
// are equal they all go to the first class.
void AmovaPermutationTests::histogram()
{
    settings& s = amova.runSettings;
    if (!s.KeepNullDistrib || !s.results_stream)
        return;
    std::ostream& out = *s.results_stream;
    const int H = counts.classes;
    std::vector<double> bounds[4];
    std::vector<int> classCounts[4];
    for (int level = 0; level < 4; ++level) {
        if (!tested[level])
            continue;
        std::vector<double> const& values = sorted[level];
        double m = values.front(), M = values.back();
        double w = (M - m) / (H - 2);
        bounds[level].resize(H);
        classCounts[level].assign(H, 0);
        for (int j = 0; j < H; ++j)
            bounds[level][j] = m + j * w;
        for (double x : values) {
            int j = 0;
            if (w > 0)
                while (j < H - 2 && !(x >= bounds[level][j] && x < bounds[level][j + 1]))
                    ++j;
            if (w <= 0 || (x >= bounds[level][j] && x < bounds[level][j + 1]))
                ++classCounts[level][j];
        }
    }
    const char* names[] = {"Va", "Vb", "Vc", "Vd"};
    out << "\n\nHistogram of variance components null distributions\n"
        << std::string(51, '=') << "\n" << std::endl;
    for (int level = 0; level < 4; ++level)
        if (tested[level])
            out << std::setw(10) << " " << std::setw(10) << names[level];
    out << std::endl;
    for (int j = 0; j < H; ++j) {
        for (int level = 0; level < 4; ++level) {
            if (!tested[level])
                continue;
            std::vector<double> const& L = bounds[level];
            out << std::setw(10) << L[j] + (L[1] - L[0]) / 2 << std::setw(10)
                << classCounts[level][j];
        }
        out << std::endl;
    }
    out << "\nObserved  values:" << "\n-----------------";
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.precision(8);
    for (int level = 0; level < 4; ++level)
        if (tested[level])
            out << "\n" << names[level] << " : " << observed[level];
    out.precision(5);
    out << std::endl;
}
