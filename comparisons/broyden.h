// Globally convergent Broyden method for n nonlinear equations F(x) = 0
// (Press et al. 1992, Numerical Recipes in C, 2nd ed., section 9.7).
//
// A Newton-like iteration on a QR factorisation of the Jacobian with a
// backtracking line search on f = F.F/2, in extended precision. The Jacobian
// comes from the client (analytic mode, refactorised at every iteration) or
// from forward differences, carried between iterations by Broyden's rank-one
// update. Vectors and matrices are indexed from 1, as the client functions
// see them. The solver writes nothing: its outcome is its check flag.
#ifndef DROV_COMPARISONS_BROYDEN_H
#define DROV_COMPARISONS_BROYDEN_H

#include <vector>

// A vector of long doubles with the valid indices 1..n, released with its
// owner. An exhausted heap is the reporter's MEMORY report under `where`.
class my_vector {
public:
    explicit my_vector(int n, const char* where = "my_float *vector() : ");
    operator long double*() { return values_.data(); }

private:
    std::vector<long double> values_;
};

// An n by n matrix of long doubles with the valid rows and columns 1..n,
// seen through row pointers; the rows lie in one block, each after the last.
class my_matrix {
public:
    explicit my_matrix(int n);
    operator long double**() { return rows_.data(); }

private:
    std::vector<long double> block_;
    std::vector<long double*> rows_;
};

class TBroyden {
public:
    using residual_function = void (*)(int n, long double* x, long double* f);
    using jacobian_function = void (*)(int n, long double* x, long double** df);

    int nn;                   // size of the system during a solve
    int n;                    // size given to the constructor
    long double* fvec;        // residuals at the current point, during a solve only
    long double* x;           // the unknowns given to the constructor
    jacobian_function jacobian;
    residual_function vecfunc;
    int analytic_jacobian;    // 1: the client's Jacobian; 0: forward differences

    // Forward-difference mode.
    TBroyden(int n, long double* x, residual_function vecfunc);
    // Analytic mode.
    TBroyden(int n, long double* x, residual_function vecfunc, jacobian_function jacobian);

    // Solves from the start point x[1..n]; leaves the last iterate there and
    // sets *check to 0 on convergence, 1 on any failure. Only x[1..n] is
    // written, so a client may keep fixed parameters after x[n].
    void broydn(long double* x, int n, int* check);

    // Half the sum of squared residuals at x; refreshes fvec.
    long double fmin(long double* x);
    void approx_fdjac(int n, long double* x, long double* fvec, long double** df);
    void qrdcmp(long double** a, int n, long double* c, long double* d, int* sing);
    void qrupdt(long double** r, long double** qt, int n, long double* u, long double* v);
    void rotate(long double** r, long double** qt, int n, int i, long double a, long double b);
    void rsolv(long double** a, int n, long double* d, long double* b);
    void lnsrch(int n, long double* xold, long double fold, long double* g, long double* p,
                long double* x, long double* f, long double stpmax, int* check);

private:
    struct Work;
    int iterate(long double* x, int n, Work& work);
    bool fresh_factorisation(long double* x, int n, Work& work);
    bool broyden_update(long double* x, int n, Work& work);
};

#endif
