// Matrix correlations and their permutation tests (Mantel 1967; partial
// form: Smouse, Long and Sokal 1986).
//
// Y, X1 and X2 are compared over the N = n(n-1)/2 cells below the diagonal:
// Z = sum Y.X, SP = Z - N mean(Y) mean(X), r = SP / sqrt(SS(Y) SS(X)), and the
// partial correlation rY1.2 = (rY1 - rY2 r12) / sqrt((1 - rY2^2)(1 - r12^2)).
// Significance comes from permuting the rows and columns of Y together: only
// Y's index is shuffled and the statistics are read through it, so that a
// permutation costs n draws and one pass over the cells per statistic. The P
// value is the share of permutations whose value is not smaller than the
// observed one (ties counted with the larger values).

#include "comparisons/correl_mat.h"

#include <cmath>
#include <ctime>
#include <limits>

#include "core/errors.h"
#include "project/project_file_lines.h"

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

}  // namespace

TCorrelMat::TCorrelMat() : NumPermDone(0), undefined_why("")
{
    clear_statistics();
}

void TCorrelMat::clear_statistics()
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    for (double* value : {&ZY1,    &ZY2,    &Z12,   &SPY1,   &SPY2,   &SP12,    &bY1,   &bY2,
                          &b12,    &b21,    &bY1_2, &bY2_1,  &rY1,    &rY2,     &r12,   &rY1_2,
                          &rY2_1,  &PrY1,   &PrY2,  &PrY1_2, &PrY2_1, &betaY1,  &betaY2,
                          &R2Y,    &UnexplY, &MeanY, &SSY,   &MeanX1, &SSX1,    &MeanX2,
                          &SSX2})
        *value = none;
    undefined_why = "";
    for (auto& counts : TestCounts)
        for (int& count : counts)
            count = 0;
}

double TCorrelMat::partial_correlation(double r_ab, double r_ac, double r_bc) const
{
    if (simpleWhenCollinear && std::fabs(r_bc - 1) < 1e-5)
        return r_ab;
    return partial(r_ab, r_ac, r_bc);
}

void TCorrelMat::compute_correlation(RectMat& Y, RectMat& X1)
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

void TCorrelMat::compute_correlation(RectMat& Y, RectMat& X1, RectMat& X2)
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
    rY1_2 = partial_correlation(rY1, rY2, r12);
    rY2_1 = partial_correlation(rY2, rY1, r12);
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

void TCorrelMat::test_correlation(RectMat& Y, RectMat& X1, int const& P)
{
    NumPermDone = P > 0 ? P : 0;
    if (P <= 0)
        return;
    if (logPermutations)
        *_ZOS_ << "\nStarting " << P << " permutations ...\n";
    std::clock_t start = std::clock();
    double observed = Y.computeZ(X1);
    for (int& count : TestCounts[0])
        count = 0;
    for (int p = 0; p < P; ++p) {
        Y.permute_index();
        tally(TestCounts[0], observed, Y.computeZ(X1));
    }
    PrY1 = p_value(TestCounts[0], P, rY1);
    if (logPermutations)
        *_ZOS_ << "\ndone in " << milliseconds_since(start) << "ms";
}

void TCorrelMat::test_correlation(RectMat& Y, RectMat& X1, RectMat& X2, int const& P)
{
    NumPermDone = P > 0 ? P : 0;
    if (P <= 0)
        return;
    if (logPermutations)
        *_ZOS_ << "\nStarting " << P << " permutations ...\n";
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
        tally(TestCounts[2], rY1_2, partial_correlation(r1, r2, r12));
        tally(TestCounts[3], rY2_1, partial_correlation(r2, r1, r12));
    }
    PrY1 = p_value(TestCounts[0], P, rY1);
    PrY2 = p_value(TestCounts[1], P, rY2);
    PrY1_2 = p_value(TestCounts[2], P, rY1_2);
    PrY2_1 = p_value(TestCounts[3], P, rY2_1);
    if (logPermutations)
        *_ZOS_ << "\ndone in " << milliseconds_since(start) << "ms";
}
