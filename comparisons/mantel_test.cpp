// Mantel test of matrix correlation (Mantel 1967) and its partial form with a
// second explanatory matrix (Smouse, Long and Sokal 1986).
//
// Y, X1 and X2 are compared over the N = n(n-1)/2 cells below the diagonal:
// Z = sum Y.X, SP = Z - N mean(Y) mean(X), r = SP / sqrt(SS(Y) SS(X)), and the
// partial correlation rY1.2 = (rY1 - rY2 r12) / sqrt((1 - rY2^2)(1 - r12^2)).
// Significance comes from permuting the rows and columns of Y together: only
// Y's index is shuffled and the statistics are read through it, so that a
// permutation costs n draws and one pass over the cells per statistic. The P
// value is the share of permutations whose value is not smaller than the
// observed one (ties counted with the larger values).

#include <cmath>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "comparisons/mantel.h"
#include "core/errors.h"
#include "core/xml.h"
#include "model/population.h"
#include "project/project_file_lines.h"
#include "project/result_tree.h"

namespace {

const double NOT_COMPUTABLE = std::numeric_limits<double>::quiet_NaN();

// 1 - r^2 at or below this leaves no variation once the other matrix is
// held constant: rounding keeps exactly collinear matrices just above 0.
const double COLLINEAR = 1e-12;

// A matrix varies when its sum of squares is not lost in the rounding of its
// cells: a constant matrix keeps a few ulps of its mean.
bool varies(double ss, double mean, double cells)
{
    return ss > 1e-20 * cells * mean * mean && ss > 0;
}

bool below_collinear(double r)
{
    return 1 - r * r > COLLINEAR;
}

// The correlation of a with b when c is held constant.
double partial(double r_ab, double r_ac, double r_bc)
{
    if (!below_collinear(r_ac) || !below_collinear(r_bc))
        return NOT_COMPUTABLE;
    return (r_ab - r_ac * r_bc) / std::sqrt((1 - r_ac * r_ac) * (1 - r_bc * r_bc));
}

// Counts a permuted value against the observed one into {equal, larger,
// smaller}. Values that differ by rounding alone, and values that are not
// numbers, count as equal.
void tally(int counts[3], double observed, double permuted)
{
    double tolerance = 1e-12 * std::fmax(std::fabs(observed), std::fabs(permuted));
    if (observed - permuted > tolerance)
        ++counts[2];
    else if (permuted - observed > tolerance)
        ++counts[1];
    else
        ++counts[0];
}

double p_value(int const counts[3], int P, double observed_statistic)
{
    if (std::isnan(observed_statistic))
        return NOT_COMPUTABLE;
    return 1.0 - static_cast<double>(counts[2]) / P;
}

double cells_below_diagonal(RectMat const& M)
{
    return 0.5 * M.nrows * (M.nrows - 1.0);
}

// The identity index of M, its mean and its sum of squares; true when it varies.
bool prepare(RectMat& M, double& mean, double& ss)
{
    M.create_index();
    ss = M.compute_SSX();
    mean = M.mean;
    return varies(ss, mean, cells_below_diagonal(M));
}

// The count of permutations and the log line that opens them; false when
// none are asked for.
bool start_permutations(int P, int& done)
{
    done = P > 0 ? P : 0;
    if (P <= 0)
        return false;
    *_ZOS_ << "\nStarting " << P << " permutations ...\n";
    return true;
}

// Position of the label among n texts, or -1.
int position_of(my_string const& label, my_string const* texts, int n)
{
    for (int k = 0; texts != nullptr && k < n; ++k)
        if (same_text(texts[k], label))
            return k;
    return -1;
}

int population_of(my_string const& label, Population** pops, int npops)
{
    for (int k = 0; k < npops; ++k)
        if (same_text(pops[k]->name, label))
            return k;
    return -1;
}

void report_missing_labels(std::ostream& out)
{
    const std::string indent(32, ' ');
    *_ZOS_ << "   Mantel::do_mantel_test(...): error while checking matrices, Label(s) not found\n"
           << indent << "check the labels defined in the \n"
           << indent << "DistMatMantel and UsedYMatrixLabels sections\n";
    out << "  Error while checking matrices, Label(s) not found\n"
        << "  check the labels defined in the\n"
        << "  DistMatMantel and UsedYMatrixLabels sections\n";
}

void display(std::ostream& out, const char* head, RectMat& M)
{
    out << head << "={\n";
    M.display_matrix(out);
    out << "  }\n\n";
}

}  // namespace

double Mantel::FstMatr_funct(int i, int j, TriMat& fst)
{
    if (same_text(YMatrix, "custom"))
        return MatrixY(i, j);
    double f = fst(i, j);
    if (same_text(YMatrix, "fst"))
        return f;
    if (same_text(YMatrix, "log_fst"))
        return i == j ? 0.0 : f <= 0 ? -1e7 : std::log(f);
    if (same_text(YMatrix, "slatkinlinearfst"))
        return f >= 1 ? 1e7 : f / (1 - f);
    if (same_text(YMatrix, "log_slatkinlinearfst"))
        return i == j ? 0.0 : f <= 0 ? -1e7 : f >= 1 ? 16.11809565095832 : std::log(f / (1 - f));
    if (same_text(YMatrix, "nm"))
        return i == j ? 0.0 : f <= 0 ? -1e7 : (1 - f) / (2 * f);
    return 0.0;
}

double Mantel::do_mantel_test(TriMat& fst, Population** pops, int const& npops,
                              std::ostream* out, int const& P)
{
    const int n = UsedYMatrixLabels.count;
    if (n == 0 || out == nullptr || (MatrixNumber != 2 && MatrixNumber != 3))
        return 1.0;
    const bool custom = same_text(YMatrix, "custom");
    const bool three = MatrixNumber == 3;

    // Each used label's row in the source of Y and in the user's matrices.
    std::vector<int> y_rows(n), user_rows(n);
    for (int k = 0; k < n; ++k) {
        my_string const& label = UsedYMatrixLabels[k];
        user_rows[k] = position_of(label, YMatrixLabels.get(), MatrixSize);
        y_rows[k] = custom ? user_rows[k] : population_of(label, pops, npops);
        if (user_rows[k] < 0 || y_rows[k] < 0) {
            report_missing_labels(*out);
            return 1.0;
        }
    }

    RectMat Y(n, n), X1(n, n), X2(three ? n : 0, three ? n : 0);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            X1(i, j) = Matrix1(user_rows[i], user_rows[j]);
            if (three)
                X2(i, j) = Matrix2(user_rows[i], user_rows[j]);
            Y(i, j) = FstMatr_funct(y_rows[i], y_rows[j], fst);
        }
    }

    settings* s = Profile.RunSettings;
    if (s != nullptr && htmlOutput) {
        bool group_level = npops > 0 && pops[0]->group_level_sample;
        print_js_aux_entry(*s, 2, group_level ? "_gr_mantel" : "_pop_mantel", "Mantel test");
        print_js_doc_entry(*s, 2, group_level ? "_gr_dm_correl" : "_pop_dm_correl",
                           "Matrix correlation");
    }
    const std::string equals(79, '=');
    *out << equals << "\n== MATRIX CORRELATION ANALYSIS (MANTEL TESTS)\n" << equals << "\n\n";
    *out << (custom ? "Labels of Y matrix rows={" : "Labels of population samples={") << "\n";
    for (int k = 0; k < n; ++k)
        *out << "   \"" << result_text(UsedYMatrixLabels[k]) << "\"\n";
    if (n <= MatrixNumber) {
        *out << "The minimum size of matrices is " << MatrixNumber + 1
             << " in order to perform a Mantel test\nComputations were not performed...\n";
        return 1.0;
    }
    *out << "}\n\nList of matrices:\n";
    display(*out, "  X1", X1);
    if (three)
        display(*out, "  X2", X2);
    display(*out, ("  Y (" + std::string(YMatrix.str) + ")").c_str(), Y);

    if (three) {
        compute_correlation(Y, X1, X2);
        print_correlations(*out);
        test_correlation(Y, X1, X2, P);
    } else {
        compute_correlation(Y, X1);
        print_correlations(*out);
        test_correlation(Y, X1, P);
    }
    print_p_values(*out);
    return 1.0;
}

void Mantel::compute_correlation(RectMat& Y, RectMat& X1)
{
    clear_statistics();
    bool y_varies = prepare(Y, MeanY, SSY);
    bool x1_varies = prepare(X1, MeanX1, SSX1);
    SPY1 = Y.sum_of_products(X1);
    ZY1 = Y.Z;
    undefined_why = !y_varies ? "Y matrix constant" : "X1 matrix constant";
    bY1 = x1_varies ? SPY1 / SSX1 : NOT_COMPUTABLE;
    rY1 = y_varies && x1_varies ? SPY1 / std::sqrt(SSX1 * SSY) : NOT_COMPUTABLE;
    betaY1 = rY1;
    R2Y = rY1 * rY1;
    UnexplY = 1 - R2Y;
}

void Mantel::compute_correlation(RectMat& Y, RectMat& X1, RectMat& X2)
{
    clear_statistics();
    bool y_varies = prepare(Y, MeanY, SSY);
    bool x1_varies = prepare(X1, MeanX1, SSX1);
    bool x2_varies = prepare(X2, MeanX2, SSX2);
    SPY1 = Y.sum_of_products(X1);
    ZY1 = Y.Z;
    SPY2 = Y.sum_of_products(X2);
    ZY2 = Y.Z;
    SP12 = X1.sum_of_products(X2);
    Z12 = X1.Z;
    b12 = x2_varies ? SP12 / SSX2 : NOT_COMPUTABLE;
    b21 = x1_varies ? SP12 / SSX1 : NOT_COMPUTABLE;
    bY1 = x1_varies ? SPY1 / SSX1 : NOT_COMPUTABLE;
    bY2 = x2_varies ? SPY2 / SSX2 : NOT_COMPUTABLE;
    rY1 = y_varies && x1_varies ? SPY1 / std::sqrt(SSY * SSX1) : NOT_COMPUTABLE;
    rY2 = y_varies && x2_varies ? SPY2 / std::sqrt(SSY * SSX2) : NOT_COMPUTABLE;
    r12 = x1_varies && x2_varies ? SP12 / std::sqrt(SSX1 * SSX2) : NOT_COMPUTABLE;

    // SSX1 - b12 SP12 = SSX1 (1 - r12^2): X1 left once X2 is held constant.
    bool independent = below_collinear(r12);
    bY1_2 = independent ? (SPY1 - bY2 * SP12) / (SSX1 - b12 * SP12) : NOT_COMPUTABLE;
    bY2_1 = independent ? (SPY2 - bY1 * SP12) / (SSX2 - b21 * SP12) : NOT_COMPUTABLE;
    rY1_2 = partial(rY1, rY2, r12);
    rY2_1 = partial(rY2, rY1, r12);
    if (independent) {
        betaY1 = (rY1 - r12 * rY2) / (1 - r12 * r12);
        betaY2 = (rY2 - r12 * rY1) / (1 - r12 * r12);
        R2Y = betaY1 * betaY1 + betaY2 * betaY2 + 2 * betaY1 * betaY2 * r12;
        UnexplY = 1 - R2Y;
    }

    if (!y_varies)
        undefined_why = "Y matrix constant";
    else if (!x1_varies)
        undefined_why = "X1 matrix constant";
    else if (!x2_varies)
        undefined_why = "X2 matrix constant";
    else if (!independent)
        undefined_why = "X1 and X2 collinear";
    else
        undefined_why = below_collinear(rY1) ? "Y and X2 collinear" : "Y and X1 collinear";
}

void Mantel::test_correlation(RectMat& Y, RectMat& X1, int const& P)
{
    if (!start_permutations(P, NumPermDone))
        return;
    std::clock_t start = std::clock();
    double observed = Y.computeZ(X1);
    for (int& count : TestCounts[0])
        count = 0;
    for (int p = 0; p < P; ++p) {
        Y.permute_index();
        tally(TestCounts[0], observed, Y.computeZ(X1));
    }
    PrY1 = p_value(TestCounts[0], P, rY1);
    *_ZOS_ << "\ndone in " << milliseconds_since(start) << "ms";
}

void Mantel::test_correlation(RectMat& Y, RectMat& X1, RectMat& X2, int const& P)
{
    if (!start_permutations(P, NumPermDone))
        return;
    std::clock_t start = std::clock();
    for (auto& counts : TestCounts)
        for (int& count : counts)
            count = 0;
    // The sums of squares, and so the denominators, do not change under
    // permutation.
    double denominator1 = std::sqrt(SSY * SSX1);
    double denominator2 = std::sqrt(SSY * SSX2);
    for (int p = 0; p < P; ++p) {
        Y.permute_index();
        double sp1 = Y.sum_of_products(X1);
        double z1 = Y.Z;
        double sp2 = Y.sum_of_products(X2);
        double z2 = Y.Z;
        double r1 = sp1 / denominator1;
        double r2 = sp2 / denominator2;
        tally(TestCounts[0], ZY1, z1);
        tally(TestCounts[1], ZY2, z2);
        tally(TestCounts[2], rY1_2, partial(r1, r2, r12));
        tally(TestCounts[3], rY2_1, partial(r2, r1, r12));
    }
    PrY1 = p_value(TestCounts[0], P, rY1);
    PrY2 = p_value(TestCounts[1], P, rY2);
    PrY1_2 = p_value(TestCounts[2], P, rY1_2);
    PrY2_1 = p_value(TestCounts[3], P, rY2_1);
    *_ZOS_ << "\ndone in " << milliseconds_since(start) << "ms";
}
