// Globally convergent Broyden method (Press et al. 1992, Numerical Recipes in
// C, 2nd ed., section 9.7), with Householder QR and Jacobi-rotation updates.
//
// Absolute values and square roots are taken in double precision on the value
// rounded to double, as the estimates built on this solver always were. A
// residual or Jacobian entry that is not finite fails the solve: NaN compares
// false with every tolerance and would otherwise pass as converged.

#include "comparisons/broyden.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "core/errors.h"

namespace {

const int MAXITS = 200;
const long double TOLF = 1.0e-4L;      // largest residual at convergence
const long double TOLX = 1.0e-7L;      // relative step at convergence
const long double TOLMIN = 1.0e-6L;    // spurious convergence to a minimum of f
const long double STPMX = 1000.0L;     // factor of the largest step
const long double EPS = 1.0e-7L;       // relative noise of a Broyden update term
const long double ALF = 1.0e-4L;       // sufficient decrease of the line search
const long double FD_STEP = 1.0e-4L;   // relative step of the forward differences

const long double INF = std::numeric_limits<long double>::infinity();

long double dabs(long double v)
{
    return std::fabs(static_cast<double>(v));
}

long double droot(long double v)
{
    return std::sqrt(static_cast<double>(v));
}

// Largest |v[i]| over i = 1..n; infinite when an entry is not finite, so that
// no tolerance test passes on NaN.
long double largest_abs(const long double* v, int n)
{
    long double big = 0.0L;
    for (int i = 1; i <= n; ++i) {
        long double a = dabs(v[i]);
        if (!std::isfinite(a))
            return INF;
        if (a > big)
            big = a;
    }
    return big;
}

// Largest |a[i]| * max(|b[i]|, 1) or |a[i]| / max(|b[i]|, 1), scaled by den.
long double largest_scaled(const long double* a, const long double* b, int n, bool multiply,
                           long double den = 1.0L)
{
    long double big = 0.0L;
    for (int i = 1; i <= n; ++i) {
        long double scale = std::max(dabs(b[i]), 1.0L);
        long double v = (multiply ? dabs(a[i]) * scale : dabs(a[i]) / scale) / den;
        if (!std::isfinite(v))
            return INF;
        if (v > big)
            big = v;
    }
    return big;
}

bool all_finite(long double** m, int n)
{
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            if (!std::isfinite(m[i][j]))
                return false;
    return true;
}

// Applies the Householder reflection held in column k of h, rows k..n, with
// its normalising factor ck, to column j of m.
void reflect_column(long double** h, long double ck, int k, long double** m, int j, int n)
{
    long double tau = 0.0L;
    for (int i = k; i <= n; ++i)
        tau += h[i][k] * m[i][j];
    tau /= ck;
    for (int i = k; i <= n; ++i)
        m[i][j] -= tau * h[i][k];
}

void copy_vector(long double* to, const long double* from, int n)
{
    for (int i = 1; i <= n; ++i)
        to[i] = from[i];
}

}  // namespace

my_vector::my_vector(int n, const char* where)
{
    try {
        values_.assign(static_cast<size_t>(n) + 1, 0.0L);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, where, 0);
    }
}

my_matrix::my_matrix(int n)
{
    try {
        size_t side = static_cast<size_t>(n) + 1;
        block_.assign(side * side, 0.0L);
        rows_.resize(side);
        for (size_t i = 0; i < side; ++i)
            rows_[i] = block_.data() + i * side;
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "my_float **my_matrix() : ", 0);
    }
}

// The work arrays of one solve: c and d of the reflections, the previous
// point and residuals, the gradient, the step, the update terms, Q^T and R.
struct TBroyden::Work {
    my_vector c, d, fvcold, g, p, s, t, w, xold, residuals;
    my_matrix qt, r;
    explicit Work(int n)
        : c(n), d(n), fvcold(n), g(n), p(n), s(n), t(n), w(n), xold(n), residuals(n), qt(n), r(n)
    {
    }
};

TBroyden::TBroyden(int n, long double* x, residual_function vecfunc)
    : nn(0), n(n), fvec(nullptr), x(x), jacobian(nullptr), vecfunc(vecfunc), analytic_jacobian(0)
{
}

TBroyden::TBroyden(int n, long double* x, residual_function vecfunc, jacobian_function jacobian)
    : nn(0), n(n), fvec(nullptr), x(x), jacobian(jacobian), vecfunc(vecfunc), analytic_jacobian(1)
{
}

void TBroyden::broydn(long double* x, int n, int* check)
{
    Work work(n);
    nn = n;
    fvec = work.residuals;
    // fvec points into the work arrays: it must not outlive them, whichever
    // way the solve ends.
    struct ForgetResiduals {
        long double*& fvec;
        ~ForgetResiduals() { fvec = nullptr; }
    } forget{fvec};
    *check = iterate(x, n, work);
}

long double TBroyden::fmin(long double* x)
{
    vecfunc(nn, x, fvec);
    long double sum = 0.0L;
    for (int i = 1; i <= nn; ++i)
        sum += fvec[i] * fvec[i];
    return 0.5L * sum;
}

// The iteration of broydn; returns its check.
int TBroyden::iterate(long double* x, int n, Work& work)
{
    long double f = fmin(x);
    long double start = largest_abs(fvec, n);
    if (start == INF)
        return 1;
    if (start < 0.01L * TOLF)
        return 0;
    long double sum = 0.0L;
    for (int i = 1; i <= n; ++i)
        sum += x[i] * x[i];
    const long double stpmax = STPMX * std::max(droot(sum), static_cast<long double>(n));

    long double* g = work.g;
    long double* p = work.p;
    long double* xold = work.xold;
    long double** r = work.r;
    long double** qt = work.qt;
    bool restrt = true;
    for (int its = 1; its <= MAXITS; ++its) {
        if (restrt ? !fresh_factorisation(x, n, work) : !broyden_update(x, n, work))
            return 1;
        // p = -Q^T F, g = R^T Q^T F (the gradient of f), then p = -R^-1 Q^T F.
        for (int i = 1; i <= n; ++i) {
            long double qtf = 0.0L;
            for (int j = 1; j <= n; ++j)
                qtf += qt[i][j] * fvec[j];
            p[i] = -qtf;
        }
        for (int i = n; i >= 1; --i) {
            long double gi = 0.0L;
            for (int j = 1; j <= i; ++j)
                gi -= r[j][i] * p[j];
            g[i] = gi;
        }
        copy_vector(xold, x, n);
        copy_vector(work.fvcold, fvec, n);
        long double fold = f;
        rsolv(r, n, work.d, p);

        int check = 0;
        lnsrch(n, xold, fold, g, p, x, &f, stpmax, &check);
        if (largest_abs(fvec, n) < TOLF)
            return 0;
        if (check) {
            if (restrt)
                return 1;
            long double den = std::max(f, 0.5L * n);
            if (largest_scaled(g, x, n, true, den) < TOLMIN)
                return 1;
            restrt = true;
        } else {
            restrt = analytic_jacobian != 0;
            long double step = 0.0L;
            for (int i = 1; i <= n; ++i) {
                long double rel = dabs(x[i] - xold[i]) / std::max(dabs(x[i]), 1.0L);
                step = std::max(step, std::isfinite(rel) ? rel : INF);
            }
            if (step < TOLX)
                return 0;
        }
    }
    return 1;
}

// A new Jacobian at x, its QR decomposition, Q^T formed and R made explicit.
// False when the Jacobian is not finite or singular.
bool TBroyden::fresh_factorisation(long double* x, int n, Work& work)
{
    long double** r = work.r;
    long double** qt = work.qt;
    long double* c = work.c;
    long double* d = work.d;
    if (analytic_jacobian)
        jacobian(n, x, r);
    else
        approx_fdjac(n, x, fvec, r);
    if (!all_finite(r, n))
        return false;
    int sing = 0;
    qrdcmp(r, n, c, d, &sing);
    if (sing)
        return false;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            qt[i][j] = i == j ? 1.0L : 0.0L;
    for (int k = 1; k < n; ++k) {
        if (c[k] == 0.0L)
            continue;
        for (int j = 1; j <= n; ++j)
            reflect_column(r, c[k], k, qt, j, n);
    }
    for (int i = 1; i <= n; ++i) {
        r[i][i] = d[i];
        for (int j = 1; j < i; ++j)
            r[i][j] = 0.0L;
    }
    return true;
}

// Broyden's rank-one update of Q and R after the step from xold to x. False
// when the updated R has a zero diagonal element.
bool TBroyden::broyden_update(long double* x, int n, Work& work)
{
    long double** r = work.r;
    long double** qt = work.qt;
    long double* s = work.s;
    long double* t = work.t;
    long double* w = work.w;
    for (int i = 1; i <= n; ++i)
        s[i] = x[i] - work.xold[i];
    for (int i = 1; i <= n; ++i) {
        long double sum = 0.0L;
        for (int j = i; j <= n; ++j)
            sum += r[i][j] * s[j];
        t[i] = sum;
    }
    bool unchanged = true;
    for (int i = 1; i <= n; ++i) {
        long double sum = 0.0L;
        for (int j = 1; j <= n; ++j)
            sum += qt[j][i] * t[j];
        w[i] = fvec[i] - work.fvcold[i] - sum;
        if (dabs(w[i]) >= EPS * (dabs(fvec[i]) + dabs(work.fvcold[i])))
            unchanged = false;
        else
            w[i] = 0.0L;
    }
    if (unchanged)
        return true;
    long double den = 0.0L;
    for (int i = 1; i <= n; ++i) {
        long double sum = 0.0L;
        for (int j = 1; j <= n; ++j)
            sum += qt[i][j] * w[j];
        t[i] = sum;
        den += s[i] * s[i];
    }
    for (int i = 1; i <= n; ++i)
        s[i] /= den;
    qrupdt(r, qt, n, t, s);
    for (int i = 1; i <= n; ++i) {
        if (r[i][i] == 0.0L)
            return false;
        work.d[i] = r[i][i];
    }
    return true;
}

void TBroyden::approx_fdjac(int n, long double* x, long double* fvec, long double** df)
{
    my_vector shifted(n, "TBroyden::approx_fdjac()");
    for (int j = 1; j <= n; ++j) {
        long double temp = x[j];
        long double h = FD_STEP * dabs(temp);
        if (h == 0.0L)
            h = FD_STEP;
        x[j] = temp + h;
        h = x[j] - temp;
        vecfunc(n, x, shifted);
        x[j] = temp;
        for (int i = 1; i <= n; ++i)
            df[i][j] = (shifted[i] - fvec[i]) / h;
    }
}

void TBroyden::qrdcmp(long double** a, int n, long double* c, long double* d, int* sing)
{
    *sing = 0;
    for (int k = 1; k < n; ++k) {
        long double scale = 0.0L;
        for (int i = k; i <= n; ++i)
            scale = std::max(scale, dabs(a[i][k]));
        if (scale == 0.0L) {
            *sing = 1;
            c[k] = d[k] = 0.0L;
            continue;
        }
        long double sum = 0.0L;
        for (int i = k; i <= n; ++i) {
            a[i][k] /= scale;
            sum += a[i][k] * a[i][k];
        }
        long double sigma = droot(sum);
        if (a[k][k] < 0.0L)
            sigma = -sigma;
        a[k][k] += sigma;
        c[k] = sigma * a[k][k];
        d[k] = -scale * sigma;
        for (int j = k + 1; j <= n; ++j)
            reflect_column(a, c[k], k, a, j, n);
    }
    d[n] = a[n][n];
    if (d[n] == 0.0L)
        *sing = 1;
}

void TBroyden::qrupdt(long double** r, long double** qt, int n, long double* u, long double* v)
{
    int k = n;
    while (k > 1 && u[k] == 0.0L)
        --k;
    for (int i = k - 1; i >= 1; --i) {
        rotate(r, qt, n, i, u[i], -u[i + 1]);
        if (u[i] == 0.0L)
            u[i] = dabs(u[i + 1]);
        else if (dabs(u[i]) > dabs(u[i + 1]))
            u[i] = dabs(u[i]) * droot(1.0L + (u[i + 1] / u[i]) * (u[i + 1] / u[i]));
        else
            u[i] = dabs(u[i + 1]) * droot(1.0L + (u[i] / u[i + 1]) * (u[i] / u[i + 1]));
    }
    for (int j = 1; j <= n; ++j)
        r[1][j] += u[1] * v[j];
    for (int i = 1; i < k; ++i)
        rotate(r, qt, n, i, r[i][i], -r[i + 1][i]);
}

void TBroyden::rotate(long double** r, long double** qt, int n, int i, long double a, long double b)
{
    long double cosine, sine;
    if (a == 0.0L) {
        cosine = 0.0L;
        sine = b >= 0.0L ? 1.0L : -1.0L;
    } else if (dabs(a) > dabs(b)) {
        long double fact = b / a;
        cosine = 1.0L / droot(1.0L + fact * fact);
        if (a < 0.0L)
            cosine = -cosine;
        sine = fact * cosine;
    } else {
        long double fact = a / b;
        sine = 1.0L / droot(1.0L + fact * fact);
        if (b < 0.0L)
            sine = -sine;
        cosine = fact * sine;
    }
    for (int j = i; j <= n; ++j) {
        long double y = r[i][j], w = r[i + 1][j];
        r[i][j] = cosine * y - sine * w;
        r[i + 1][j] = sine * y + cosine * w;
    }
    for (int j = 1; j <= n; ++j) {
        long double y = qt[i][j], w = qt[i + 1][j];
        qt[i][j] = cosine * y - sine * w;
        qt[i + 1][j] = sine * y + cosine * w;
    }
}

void TBroyden::rsolv(long double** a, int n, long double* d, long double* b)
{
    b[n] /= d[n];
    for (int i = n - 1; i >= 1; --i) {
        long double sum = 0.0L;
        for (int j = i + 1; j <= n; ++j)
            sum += a[i][j] * b[j];
        b[i] = (b[i] - sum) / d[i];
    }
}

void TBroyden::lnsrch(int n, long double* xold, long double fold, long double* g, long double* p,
                      long double* x, long double* f, long double stpmax, int* check)
{
    *check = 0;
    // A step that overflowed cannot be searched along: the backtracking
    // would never reach a finite point nor its smallest fraction.
    if (largest_abs(p, n) == INF) {
        copy_vector(x, xold, n);
        *check = 1;
        return;
    }
    long double sum = 0.0L;
    for (int i = 1; i <= n; ++i)
        sum += p[i] * p[i];
    sum = droot(sum);
    if (sum > stpmax)
        for (int i = 1; i <= n; ++i)
            p[i] *= stpmax / sum;
    long double slope = 0.0L;
    for (int i = 1; i <= n; ++i)
        slope += g[i] * p[i];
    long double test = largest_scaled(p, xold, n, false);
    long double alamin = test > 0.0L ? TOLX / test : INF;
    long double alam = 1.0L, alam2 = 0.0L, f2 = 0.0L;
    for (;;) {
        for (int i = 1; i <= n; ++i)
            x[i] = xold[i] + alam * p[i];
        *f = fmin(x);
        if (alam < alamin) {
            copy_vector(x, xold, n);
            *check = 1;
            return;
        }
        if (*f <= fold + ALF * alam * slope)
            return;
        long double tmplam;
        if (alam == 1.0L) {
            tmplam = -slope / (2.0L * (*f - fold - slope));
        } else {
            long double rhs1 = *f - fold - alam * slope;
            long double rhs2 = f2 - fold - alam2 * slope;
            long double a = (rhs1 / (alam * alam) - rhs2 / (alam2 * alam2)) / (alam - alam2);
            long double b = (-alam2 * rhs1 / (alam * alam) + alam * rhs2 / (alam2 * alam2))
                / (alam - alam2);
            if (a == 0.0L) {
                tmplam = -slope / (2.0L * b);
            } else {
                long double disc = b * b - 3.0L * a * slope;
                if (disc < 0.0L) {
                    *check = 1;
                    return;
                }
                tmplam = (-b + droot(disc)) / (3.0L * a);
            }
            if (tmplam > 0.5L * alam)
                tmplam = 0.5L * alam;
        }
        alam2 = alam;
        f2 = *f;
        alam = std::isnan(tmplam) ? 0.1L * alam : std::max(tmplam, 0.1L * alam);
    }
}
