// Linkage-disequilibrium coefficients of a pair of loci from its two-locus
// table: D, D' = D / Dmax (Lewontin 1964), r2 and its chi-square (Hill &
// Robertson 1968), with the table-wide sums of D' and r2 (Hedrick 1987).
//
// Where p_a or p_b is 0 or 1 (an allele of a haplotype record of count 0),
// Dmax and p_a(1-p_a)p_b(1-p_b) are 0 and the formulas divide 0 by 0: such
// cells show "*" and add to no sum, batch field or collector list.

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/math_functions.h"
#include "project/result_tree.h"
#include "summary/sumstat.h"

namespace {

const char* const WHERE = "PopGenetics::calc_d_sd_values";

// The values of one allele pair (i, j).
struct AllelePair {
    double pa, pb;
    double expected;  // n pa pb
    double D;
    bool has_dprime;  // Dmax > 0
    double Dprime;
    bool has_r2;      // pa(1-pa)pb(1-pb) > 0
    double r, r2, chi2;
    float P;
};

AllelePair allele_pair(int count, int a, int b, double n)
{
    AllelePair v{};
    v.pa = a / n;
    v.pb = b / n;
    v.expected = n * v.pa * v.pb;
    v.D = count / n - v.pa * v.pb;
    const double Dmax = v.D > 0 ? std::min((1 - v.pa) * v.pb, v.pa * (1 - v.pb))
                                : std::min(v.pa * v.pb, (1 - v.pa) * (1 - v.pb));
    v.has_dprime = Dmax > 0;
    v.Dprime = v.has_dprime ? v.D / Dmax : 0.0;
    const double variance = v.pa * (1 - v.pa) * v.pb * (1 - v.pb);
    v.has_r2 = variance > 0;
    if (v.has_r2) {
        v.r = v.D / std::sqrt(variance);
        v.r2 = v.D * v.D / variance;
        v.chi2 = v.r2 * n;
        v.P = Prob_of_chi_sq(1.0f, static_cast<float>(v.chi2));
    }
    return v;
}

// The pair's table with its margins and allele names.
struct TwoLocusCounts {
    int R = 0, C = 0;
    std::vector<int> cells;  // R x C, row by row
    std::vector<int> a, b;   // row and column totals
    double n = 0;
    std::vector<std::string> row_names, column_names;
    int cell(int i, int j) const { return cells[i * C + j]; }
};

// Writes the tables of one pair; W the width of the allele names, V the
// decimals of the coefficient cells less one.
class PairTables {
public:
    PairTables(std::ostream& out, TwoLocusCounts const& t, std::string label)
        : out_(out), t_(t), label_(std::move(label))
    {
        std::size_t longest = 3;
        for (auto const* names : {&t.row_names, &t.column_names})
            for (std::string const& s : *names)
                longest = std::max(longest, s.size());
        W = static_cast<int>(longest);
        V = W == 3 ? 3 : W - 3;
    }

    int W, V;

    // The header line of a table with cells of width f.
    void header(int f)
    {
        out_ << std::setw(15) << label_ << "|";
        for (std::string const& name : t_.column_names)
            out_ << std::setw(f) << result_text(name.c_str()) << "|";
        out_ << "\n";
    }

    void counts()
    {
        out_ << std::right << "\n  1: Observed contingency table\n" << std::endl;
        header(W + 1);
        for (int i = 0; i < t_.R; ++i) {
            out_ << std::setw(15) << result_text(t_.row_names[i].c_str()) << "|";
            for (int j = 0; j < t_.C; ++j)
                out_ << std::setw(W + 1) << t_.cell(i, j) << "|";
            out_ << "   " << t_.a[i] << "\n";
        }
        out_ << std::string(15, ' ') << "|";
        for (int j = 0; j < t_.C; ++j)
            out_ << std::setw(W + 1) << t_.b[j] << "|";
        out_ << "\n  Total number of gametes : " << static_cast<int>(t_.n) << std::endl;
    }

    // A table of doubles with `decimals`, in cells of width f; a cell
    // without a value shows "*".
    template <class Cell>
    void values(const char* title, bool line_end, int f, int decimals, Cell const& cell)
    {
        out_ << title;
        if (line_end)
            out_ << std::endl;
        out_ << std::fixed << std::showpoint << std::right << std::setprecision(decimals);
        header(f);
        for (int i = 0; i < t_.R; ++i) {
            out_ << std::setw(15) << result_text(t_.row_names[i].c_str()) << "|";
            for (int j = 0; j < t_.C; ++j) {
                double v;
                if (cell(i, j, v))
                    out_ << std::setw(f) << v << "|";
                else
                    out_ << std::setw(f) << "*" << "|";
            }
            out_ << "\n";
        }
    }

private:
    std::ostream& out_;
    TwoLocusCounts const& t_;
    std::string label_;
};

// The fields of a number of "l_d_val.sum": width 7, 3 significant digits.
void batch_field(std::ostream& out, bool defined, double v)
{
    if (defined)
        out << std::setw(7) << v;
    else
        out << std::setw(7) << "*";
}

// The coefficient fields of the pair's "l_d_val.sum" line: those of its
// last allele pair, and the table-wide sums.
void batch_fields(std::ostream& batch, AllelePair const& last, double D_h, double R2_h)
{
    batch.unsetf(std::ios::floatfield);
    batch << std::setprecision(3) << std::setw(7) << last.D << '\t';
    batch_field(batch, last.has_dprime, last.Dprime);
    batch << '\t';
    batch_field(batch, last.has_dprime, D_h);
    batch << '\t';
    batch_field(batch, last.has_r2, last.r);
    batch << '\t';
    batch_field(batch, last.has_r2, last.r2);
    batch << '\t';
    batch_field(batch, true, R2_h);
    batch << "\n";
}

// |D'| and r2 of the pair's last allele pair for the collector's selected
// statistics: of adjacent loci, of all pairs, of the flanking pair.
void feed_collector(AllelePair const& last, bool adjacent, bool flanking, LinkageSums& sums)
{
    TSumStat& c = SumStat;
    if (last.has_dprime) {
        const double v = std::fabs(last.Dprime);
        if (adjacent && (c.MEAN_ADJ_DPRIME || c.ALL_ADJ_DPRIME))
            c.allAdjDprime.Add(v);
        if (c.MEAN_ALL_DPRIME) {
            sums.dprime += v;
            ++sums.dprime_pairs;
        }
        if (c.FLANK_DPRIME && flanking)
            c.flankDprime.Add(v);
    }
    if (last.has_r2) {
        if (adjacent && (c.MEAN_ADJ_R2 || c.ALL_ADJ_R2))
            c.allAdjR2.Add(last.r2);
        if (c.MEAN_ALL_R2) {
            sums.r2 += last.r2;
            ++sums.r2_pairs;
        }
        if (c.FLANK_R2 && flanking)
            c.flankR2.Add(last.r2);
    }
}

}  // namespace

int PopGenetics::calc_d_sd_values(int* dims, settings& s, LinkageSums& sums, int flank_first,
                                  int flank_last)
{
    const int first = dims[1];
    const int second = dims[2];
    int table_dims[3] = {2, first, second};
    if (!make_all_table(table_dims)) {
        if (!monomorphic_locus)
            E.error(WARNING, WHERE, 155);
        dims[0] = dims[1] = 1;
        return 1;
    }
    TwoLocusCounts t;
    try {
        t.R = table_dims[0];
        t.C = table_dims[1];
        t.cells.resize(static_cast<std::size_t>(t.R) * t.C);
        t.a.assign(t.R, 0);
        t.b.assign(t.C, 0);
        for (int i = 0; i < t.R; ++i)
            for (int j = 0; j < t.C; ++j) {
                const int c = contingency_table[i][j];
                t.cells[i * t.C + j] = c;
                t.a[i] += c;
                t.b[j] += c;
            }
        std::vector<TAllele const*> rows, columns;
        two_locus_alleles(first, second, rows, columns);
        for (TAllele const* a : rows)
            t.row_names.emplace_back(a->name.str);
        for (TAllele const* a : columns)
            t.column_names.emplace_back(a->name.str);
    } catch (std::bad_alloc const&) {
        clear_table(table_dims);
        E.error(ERROR, WHERE, 0);
        return 0;
    }
    clear_table(table_dims);
    for (int x : t.a)
        t.n += x;

    std::vector<AllelePair> pairs;
    pairs.reserve(t.cells.size());
    double D_h = 0.0, R2_h = 0.0;
    for (int i = 0; i < t.R; ++i)
        for (int j = 0; j < t.C; ++j) {
            pairs.push_back(allele_pair(t.cell(i, j), t.a[i], t.b[j], t.n));
            AllelePair const& v = pairs.back();
            if (v.has_dprime)
                D_h += v.pa * v.pb * std::fabs(v.Dprime);
            if (v.has_r2)
                R2_h += v.pa * v.pb * v.r2;
        }
    auto at = [&](int i, int j) -> AllelePair const& { return pairs[i * t.C + j]; };

    std::ostream null_stream(nullptr);
    std::ostream& out = s.results_stream ? *s.results_stream : null_stream;
    PairTables tables(out, t,
                      "Locus" + std::to_string(first) + "\\Locus" + std::to_string(second));
    tables.counts();
    tables.values("\n  2: Expected table\n", true, tables.W + 5, 2,
                  [&](int i, int j, double& v) { return v = at(i, j).expected, true; });
    if (s.ComputeDvalues) {
        const int f = tables.V + 5;
        const int d = tables.V + 1;
        tables.values(
            "\n 3: Table of disequilibrium values (D=pab-pa*pb) for all two-locus haplotypes\n\n",
            false, f, d, [&](int i, int j, double& v) { return v = at(i, j).D, true; });
        tables.values("\n 4: Table of standardized disequilibrium values (D'=D/Dmax)\n", true, f,
                      d, [&](int i, int j, double& v) {
                          v = at(i, j).Dprime;
                          if (!at(i, j).has_dprime)
                              E.error(ERROR, "PopGenetics::calc_d_sd_values()", 105);
                          return at(i, j).has_dprime;
                      });
        tables.values("\n 4: Table of standardized disequilibrium values (r2)\n", true, f, d,
                      [&](int i, int j, double& v) { return v = at(i, j).r2, at(i, j).has_r2; });
        tables.values(
            "\n 5: Table of Chi-square values ( Chi2=sqr(D)*n/(pa*(1-pa)*pb*(1-pb)) )\n", true, f,
            d, [&](int i, int j, double& v) { return v = at(i, j).chi2, at(i, j).has_r2; });
        tables.values("\n 6: Table of Chi-square P values (1 d.f.)\n", true, f, d,
                      [&](int i, int j, double& v) { return v = at(i, j).P, at(i, j).has_r2; });

        // The batch line and the collector take the last allele pair.
        AllelePair const& last = at(t.R - 1, t.C - 1);
        if (_LINKAGE_DISEQUILIBRIUM_ && ofs_distrib_LD) {
            write_ld_batch_prefix(*ofs_distrib_LD, first, second);
            batch_fields(*ofs_distrib_LD, last, D_h, R2_h);
        }
        feed_collector(last, second - first == 1 || first - second == 1,
                       first == flank_first && second == flank_last, sums);
    }
    out << std::setprecision(8);
    return 1;
}
