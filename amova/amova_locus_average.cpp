// The global AMOVA of a locus-by-locus analysis as a weighted average over
// loci (a ratio of averages, as in Weir and Cockerham 1984): sums of squares and
// variance components are summed over loci, and each fixation index is the
// ratio of summed components, i.e. the average of the per-locus indices
// weighted by their denominators. Its distribution is given by percentiles of
// 20,000 bootstraps over loci, and each component is tested against the
// average over loci of the per-locus permutation null distributions, whose
// permutation k is one joint permutation of all loci (the locus-by-locus
// AMOVA replays the same random draws at every locus).

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <new>
#include <string>
#include <vector>

#include "amova/amova_table.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "core/value_array.h"
#include "project/samples.h"
#include "summary/sumstat.h"

namespace {

enum Index { FST, FSC, FCT, FIT, FIS };
const char* const INDEX_NAMES[5] = {"FST", "FSC", "FCT", "FIT", "FIS"};

// Sums over a set of loci of the components of levels 1 to 4 and of the total.
struct Sums {
    double v[4] = {0, 0, 0, 0};
    double total = 0;
};

double ratio(double a, double b)
{
    return b == 0 ? 0.0 : a / b;
}

// The index of a design from summed components (observed: all records once;
// otherwise a bootstrap replicate).
double index_value(int amova_case, Index index, Sums const& s, bool observed)
{
    double a = s.v[0], b = s.v[1], c = s.v[2], d = s.v[3], T = s.total;
    if (!observed && T == 0)
        return 0.0;
    switch (amova_case) {
    case 1:
    case 7:
        return ratio(a, T);
    case 2:
        if (index == FIT)
            return ratio(a + b, T);
        if (index == FIS)
            return ratio(b, b + c);
        return ratio(a, T);
    case 3:
    case 5:
        if (index == FST)
            return ratio(a + b, T);
        if (index == FSC)
            return ratio(b, b + c);
        return ratio(a, T);
    case 4:
        if (index == FSC)
            return ratio(b, b + c + d);
        if (observed && T == 0)
            return 0.0;
        if (index == FIT)
            return ratio(a + b + c, T);
        if (index == FIS)
            return ratio(c, c + d);
        return ratio(a, T);
    case 6:
        return observed ? ratio(a, a + b) : ratio(a, T);
    }
    return 0.0;
}

struct Row {
    const char* labels;  // label pieces, written one after another
    double amova_results::*ssd;
    int ssdWidth;
    int level;          // component of the row, 0 for Va
    bool singleBreak;   // separated from the previous row by one line break only
};

struct Test {
    int level;
    bool lowerTail;
    const char* label;
};

struct Block {
    int rows;
    Row row[4];
    int indices;
    Index lines[4];   // order of the index lines
    const char* lineLabels[4];
    Index percentiles[4];  // order of the bootstrap blocks
    int tests;
    Test test[4];
};

const Test VA_FST = {0, false, "Va and FST : P(rand. value > obs. value)  = "};
const Test VB_FIS = {1, false, "Vb and FIS : P(rand. value > obs. value)  = "};
const Test VC_FIT = {2, true, "Vc and FIT : P(rand. value &lt; obs. value)  = "};
const Test VC_FST = {2, true, "Vc and FST : P(rand. value &lt; obs. value)  = "};
const Test VB_FSC = {1, false, "Vb and FSC : P(rand. value > obs. value)  = "};
const Test VA_FCT = {0, false, "Va and FCT : P(rand. value > obs. value)  = "};
const Test VD_FIT = {3, true, "Vd and FIT : P(rand. value &lt; obs. value)  = "};
const Test VC_FIS = {2, false, "Vc and FIS:  P(rand. value > obs. value)  = "};
const Test VA_FIS = {0, false, "Va and FIS : P(rand. value > obs. value)  = "};

const Row AMONG_POPS = {" Among\n populations", &amova_results::ssd_pops, 20, 0, false};
const Row WITHIN_POPS = {" Within\n populations", &amova_results::ssd_within, 20, 1, false};
const Row AMONG_GROUPS = {" Among\n groups", &amova_results::ssd_groups, 25, 0, false};
const Row POPS_IN_GROUPS = {" Among\n populations\n within\n groups", &amova_results::ssd_pops, 25,
                            1, false};

const Block ONE_GROUP = {2, {AMONG_POPS, WITHIN_POPS}, 1, {FST}, {"       FST : "}, {FST}, 1,
                         {VA_FST}};

const Block BLOCKS[7] = {
    ONE_GROUP,
    // 2: one group with individuals
    {3,
     {AMONG_POPS,
      {" Among\n individuals\n within\n populations", &amova_results::ssd_within, 20, 1, false},
      {" Within\n individuals", &amova_results::ssd_indiv, 20, 2, false}},
     3,
     {FIS, FST, FIT},
     {"      FIS : ", "      FST : ", "      FIT : "},
     {FIT, FST, FIS},
     3,
     {VB_FIS, VA_FST, VC_FIT}},
    // 3: groups
    {3,
     {AMONG_GROUPS, POPS_IN_GROUPS,
      {" Within\n populations", &amova_results::ssd_within, 20, 2, false}},
     3,
     {FSC, FST, FCT},
     {"      FSC : ", "      FST : ", "      FCT : "},
     {FCT, FST, FSC},
     3,
     {VC_FST, VB_FSC, VA_FCT}},
    // 4: groups with individuals
    {4,
     {AMONG_GROUPS, POPS_IN_GROUPS,
      {" Among\n individuals\n within\n populations", &amova_results::ssd_within, 20, 2, false},
      {" Within\n individuals", &amova_results::ssd_indiv, 20, 3, true}},
     4,
     {FIS, FSC, FCT, FIT},
     {"      FIS : ", "      FSC : ", "      FCT : ", "      FIT : "},
     {FCT, FIT, FIS, FSC},
     4,
     {VD_FIT, VC_FIS, VB_FSC, VA_FCT}},
    // 5: groups, whole individuals permuted
    {3,
     {AMONG_GROUPS, POPS_IN_GROUPS,
      {" Within\n populations", &amova_results::ssd_within, 20, 2, false}},
     3,
     {FST, FSC, FCT},
     {"      FST : ", "      FSC : ", "      FCT : "},
     {FCT, FST, FSC},
     3,
     {VC_FST, VB_FSC, VA_FCT}},
    // 6: one population of individuals
    {2,
     {{" Among\n individuals", &amova_results::ssd_within, 20, 0, false},
      {" Within\n individuals", &amova_results::ssd_indiv, 20, 1, true}},
     1,
     {FIS},
     {"       FIS : "},
     {FIS},
     1,
     {VA_FIS}},
    // 7: one group, whole individuals permuted
    ONE_GROUP};

double component(amova_results const& r, int level)
{
    switch (level) {
    case 0: return r.var_1;
    case 1: return r.var_2;
    case 2: return r.var_3;
    default: return r.var_4;
    }
}

MY_TArrayAsVector<double> const& null_of(amova_results const& r, int level)
{
    switch (level) {
    case 0: return r.null_1;
    case 1: return r.null_2;
    case 2: return r.null_3;
    default: return r.null_4;
    }
}

void store_in_collector(int amova_case, Block const* block, double const* values)
{
    if (!SumStat.GLOBAL_FSTAT)
        return;
    TSumStat::FixationIndices v;
    if (block != nullptr && values != nullptr)
        for (int i = 0; i < block->indices; ++i) {
            double x = values[i];
            switch (block->lines[i]) {
            case FST: v.FST = x; break;
            case FSC: v.FSC = x; break;
            case FCT: v.FCT = x; break;
            case FIT: v.FIT = x; break;
            case FIS: v.FIS = x; break;
            }
        }
    SumStat.storeGlobalFStat(TSumStat::designIndices(amova_case), v);
}

class LocusAverage {
public:
    LocusAverage(MY_TIArrayAsVector<amova_results> const& records, int amova_case,
                 Block const& block, std::fstream& out)
        : records_(records), n_(records.count), case_(amova_case), block_(block), out_(out)
    {
        for (int i = 0; i < n_; ++i) {
            amova_results const& r = *records.data[i];
            for (int k = 0; k < 4; ++k)
                observed_.v[k] += component(r, k);
            observed_.total += r.var_total;
        }
    }

    void write_table()
    {
        const std::string dashes(72, '-');
        double total_var = observed_.total;
        for (int i = 0; i < block_.rows; ++i) {
            Row const& row = block_.row[i];
            if (i > 0)
                out_ << (row.singleBreak ? "\n" : "\n\n");
            double ssd = 0;
            for (int r = 0; r < n_; ++r)
                ssd += records_.data[r]->*row.ssd;
            double v = observed_.v[row.level];
            out_ << row.labels << std::setw(row.ssdWidth) << std::setprecision(3) << ssd
                 << std::setprecision(5) << std::setw(20) << v << std::setw(20)
                 << (total_var == 0 ? 0.0 : 100.0 * v / total_var);
        }
        double ssd_total = 0;
        for (int r = 0; r < n_; ++r)
            ssd_total += records_.data[r]->ssd_total;
        out_ << "\n" << dashes << "\n Total" << std::setw(26) << std::setprecision(3)
             << ssd_total << std::setprecision(5) << std::setw(20) << total_var << "\n"
             << dashes << "\n\n\n";
    }

    void write_indices(double* values)
    {
        out_ << "Average F-Statistics over all loci\n Fixation Indices\n";
        for (int i = 0; i < block_.indices; ++i) {
            values[i] = index_value(case_, block_.lines[i], observed_, true);
            out_ << block_.lineLabels[i] << std::setw(12) << std::setprecision(5) << values[i]
                 << "\n";
        }
    }

    // The loci drawn with replacement, one draw serving every index of the
    // replicate; the sorted replicate values give the percentiles.
    void write_bootstrap(int* drawn)
    {
        static const struct {
            const char* label;
            int position;
        } PERCENTILES[17] = {
            {" 0.05 %    : ", 10},    {" 0.1 %     : ", 20},    {" 0.25 %    : ", 50},
            {" 0.5 %     : ", 100},   {" 1 %       : ", 200},   {" 2.5 %     : ", 500},
            {" 5 %       : ", 1000},  {" 10 %      : ", 2000},  {" 50 %      : ", 10000},
            {" 90 %      : ", 18000}, {" 95 %      : ", 19000}, {" 97.5 %    : ", 19500},
            {" 99 %      : ", 19800}, {" 99.5 %    : ", 19900}, {" 99.75 %   : ", 19950},
            {" 99.9 %    : ", 19980}, {" 99.95 %   : ", 19990}};
        std::vector<double> va(n_), vb(n_), vc(n_), vd(n_), vt(n_);
        for (int i = 0; i < n_; ++i) {
            amova_results const& r = *records_.data[i];
            va[i] = r.var_1;
            vb[i] = r.var_2;
            vc[i] = r.var_3;
            vd[i] = r.var_4;
            vt[i] = r.var_total;
        }
        std::vector<std::vector<double>> replicates(
            block_.indices, std::vector<double>(LOCUS_BOOTSTRAPS));
        for (int b = 0; b < LOCUS_BOOTSTRAPS; ++b) {
            bootstrap_index(drawn, n_);
            Sums s;
            for (int i = 0; i < n_; ++i) {
                int k = drawn[i];
                s.v[0] += va[k];
                s.v[1] += vb[k];
                s.v[2] += vc[k];
                s.v[3] += vd[k];
                s.total += vt[k];
            }
            for (int x = 0; x < block_.indices; ++x)
                replicates[x][b] = index_value(case_, block_.lines[x], s, false);
        }
        for (int p = 0; p < block_.indices; ++p) {
            Index index = block_.percentiles[p];
            int x = static_cast<int>(std::find(block_.lines, block_.lines + block_.indices, index)
                                     - block_.lines);
            std::vector<double>& values = replicates[x];
            std::sort(values.begin(), values.end());
            out_ << "\n" << INDEX_NAMES[index] << " bootstrap percentile values (over "
                 << LOCUS_BOOTSTRAPS << " bootstraps)\n" << std::string(55, '-') << "\n\n";
            out_ << std::setprecision(5);
            for (auto const& q : PERCENTILES)
                out_ << q.label << values[q.position] << "\n";
            out_ << "\n\n";
        }
    }

    // Each component against the average over loci of its permuted values;
    // permutation j of a locus that ran fewer permutations adds nothing, and
    // every average is divided by the number of loci.
    void write_tests()
    {
        int P = 0;
        for (int i = 0; i < n_; ++i)
            for (int k = 0; k < 4; ++k)
                P = std::max(P, null_of(*records_.data[i], k).count);
        if (P == 0) {
            out_ << "\nNo permutations were done and significance levels cannot be reported\n"
                 << "\n";
            return;
        }
        const std::string dashes(18, '-');
        out_ << "\nThe loci are permuted jointly: permutation k moves the same units in the same"
             << "\nway at every locus typed in the same units.\n";
        out_ << "\n" << dashes << "\nSignificance tests (" << P << " permutations)\n" << dashes
             << "\n\n";
        std::vector<double> average(P);
        for (int t = 0; t < block_.tests; ++t) {
            Test const& test = block_.test[t];
            std::fill(average.begin(), average.end(), 0.0);
            for (int i = 0; i < n_; ++i) {
                MY_TArrayAsVector<double> const& null = null_of(*records_.data[i], test.level);
                for (int j = 0; j < null.count && j < P; ++j)
                    average[j] += null.data[j];
            }
            double observed = observed_.v[test.level] / n_;
            int beyond = 0, equal = 0;
            for (int j = 0; j < P; ++j) {
                double permuted = average[j] / n_;
                if (test.lowerTail ? permuted < observed : permuted > observed)
                    ++beyond;
                else if (std::fabs(permuted - observed) < 1e-10)
                    ++equal;
            }
            out_ << test.label << std::setw(8) << std::setprecision(5)
                 << static_cast<double>(beyond) / P
                 << "\n             P(rand. value = obs. value)  = " << std::setw(8)
                 << static_cast<double>(equal) / P
                 << "\n                                  P-value = " << std::setw(8)
                 << static_cast<double>(beyond + equal) / P << "\n\n";
        }
    }

private:
    MY_TIArrayAsVector<amova_results> const& records_;
    int n_;
    int case_;
    Block const& block_;
    std::fstream& out_;
    Sums observed_;
};

void write_header(std::fstream& out, int n)
{
    const std::string equals(52, '='), dashes(52, '-'), rule(72, '-');
    out << "\n" << equals << "\nGlobal AMOVA results as a weighted average over loci\n" << equals
        << "\n" << "\n" << dashes << "\nAMOVA design and results (average over " << n
        << " loci):\n" << dashes << "\n\n" << rule << "\n"
        << " Source of               Sum of           Variance            Percentage\n"
        << " variation               squares          components          variation\n"
        << rule << "\n";
}

}  // namespace

void AMOVA_table::print_average_loci(std::fstream& out, settings* s)
{
    const int n = records.count;
    if (n == 0)
        return;
    const int amova_case = records.data[0]->amova_case;
    store_in_collector(amova_case, nullptr, nullptr);

    std::vector<int> drawn;
    try {
        drawn.resize(static_cast<std::size_t>(n));
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, " Project::AMOVA_table::print_table()", 0);
        return;
    }
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.setf(std::ios::showpoint | std::ios::right);
    write_header(out, n);
    if (amova_case < 1 || amova_case > 9) {
        out << "Invalid AMOVA case" << "\n";
        return;
    }
    if (amova_case >= 8)
        return;  // the designs of recessive data compute nothing

    Block const& block = BLOCKS[amova_case - 1];
    LocusAverage average(records, amova_case, block, out);
    average.write_table();
    double values[4] = {0, 0, 0, 0};
    average.write_indices(values);
    store_in_collector(amova_case, &block, values);
    if (n >= MIN_LOCI_FOR_BOOTSTRAP) {
        if (s != nullptr && s->current_samples != nullptr)
            s->current_samples->print_computation_anchor(
                2, *s, my_string(SumStat.atGroupLevel ? "gr_bootstrap" : "bootstrap"),
                my_string("F-stat bootstraps"));
        average.write_bootstrap(drawn.data());
    }
    average.write_tests();
}
