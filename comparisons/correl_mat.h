// Matrix correlations between distance matrices of population samples and
// their permutation tests (Mantel 1967; partial form: Smouse, Long and Sokal
// 1986): the statistics of a Mantel test on a Y matrix and one or two
// explanatory matrices X1 and X2, over the N = n(n-1)/2 cells below the
// diagonal. The project's Mantel record derives from it and adds the setup
// and the report; on its own the class serves tests of matrices made
// elsewhere and writes no log lines.
#ifndef DROV_COMPARISONS_CORREL_MAT_H
#define DROV_COMPARISONS_CORREL_MAT_H

#include "core/rectmat.h"

class TCorrelMat {
public:
    // A value that cannot be computed (a constant matrix, collinear matrices)
    // is NaN; every value is NaN before the first test.
    double ZY1, ZY2, Z12;     // sums of cross-products Y.X1, Y.X2, X1.X2
    double SPY1, SPY2, SP12;  // centred sums of products
    double bY1, bY2;          // regressions of Y on X1 and on X2
    double b12, b21;          // SP12/SSX2 and SP12/SSX1
    double bY1_2, bY2_1;      // partial regressions
    double rY1, rY2, r12;     // correlations
    double rY1_2, rY2_1;      // partial correlations
    double PrY1, PrY2, PrY1_2, PrY2_1;  // permutation P values
    double betaY1, betaY2;    // standardized partial regressions (betaY1 = rY1 with X1 alone)
    double R2Y;               // total determination of Y
    double UnexplY;           // 1 - R2Y
    double MeanY, SSY, MeanX1, SSX1, MeanX2, SSX2;
    // Per test (ZY1, ZY2, rY1_2, rY2_1): the permutations whose value was
    // equal to, larger than and smaller than the observed one.
    int TestCounts[4][3];
    int NumPermDone;  // permutations of the last test; 0 before any

    TCorrelMat();

    // The statistics of the two- and three-matrix tests. On its own the
    // class takes X1 and X2 as one matrix when r12 is within 1e-5 of 1: the
    // partial correlations are then the simple ones.
    void compute_correlation(RectMat& Y, RectMat& X1);
    void compute_correlation(RectMat& Y, RectMat& X1, RectMat& X2);
    // The permutation tests of the rows and columns of Y (the observed
    // statistics first); P <= 0 draws nothing and sets NumPermDone to 0.
    void test_correlation(RectMat& Y, RectMat& X1, int const& P);
    void test_correlation(RectMat& Y, RectMat& X1, RectMat& X2, int const& P);

protected:
    // The Mantel record logs its permutations and leaves the partial
    // correlations of collinear X1 and X2 undefined.
    bool logPermutations = false;
    bool simpleWhenCollinear = true;
    // Why the NaN statistics of the last test could not be computed.
    const char* undefined_why;

    void clear_statistics();

private:
    // The correlation of a with b when c is held constant (r_bc is r12).
    double partial_correlation(double r_ab, double r_ac, double r_bc) const;
};

#endif
