// ln Gamma, ln factorials, the incomplete Gamma function behind the chi-square
// tail probability, and Brent's root finder.

#include "core/math_functions.h"

#include <cmath>
#include <cstring>

#include "core/errors.h"

namespace {

// Lanczos approximation with gamma = 5 and six terms (Numerical Recipes 6.1).
const double LANCZOS[6] = {76.18009172947146,     -86.50532032941678,
                           24.01409824083091,     -1.231739572450155,
                           0.1208650973866179e-2, -0.5395239384953e-5};
const double SQRT_2PI = 2.5066282746310007;

const int FACTLN_CACHE_SIZE = 101;
double factln_cache[FACTLN_CACHE_SIZE];        // 0.0: not computed yet
long double factlnl_cache[FACTLN_CACHE_SIZE];  // 0.0: not computed yet

// Incomplete Gamma function: relative precision and smallest representable
// magnitude of the continued fraction.
const double EPS = 3.0e-7;
const double FPMIN = 1.0e-30;

// Both expansions need a number of terms growing like sqrt(a) once x is close
// to a; a fixed limit of 100 fails for the large degrees of freedom of the
// likelihood-ratio tests with many alleles. The extra terms are capped (a
// million serve every a up to 1e10) so that a huge a gives a count that fits
// an int; an a that is negative or no number gets the fixed 100.
int iteration_limit(double a)
{
    const double most_extra = 1.0e6;
    double extra = 10.0 * std::sqrt(a);
    if (!(extra >= 0.0))
        return 100;
    return 100 + static_cast<int>(extra < most_extra ? extra : most_extra);
}

// P(a, x) for x > 0 by its series. Leaves converged false, and the current
// estimate as result, when the iteration limit is reached.
double series_P(double a, double x, double gln, bool& converged)
{
    double ap = a;
    double sum = 1.0 / a;
    double del = sum;
    int limit = iteration_limit(a);
    converged = false;
    for (int n = 1; n <= limit; ++n) {
        ap += 1.0;
        del *= x / ap;
        sum += del;
        if (std::fabs(del) < std::fabs(sum) * EPS) {
            converged = true;
            break;
        }
    }
    return sum * std::exp(-x + a * std::log(x) - gln);
}

// Q(a, x) by its continued fraction, evaluated with the modified Lentz method.
double continued_fraction_Q(double a, double x, double gln, bool& converged)
{
    double b = x + 1.0 - a;
    double c = 1.0 / FPMIN;
    double d = 1.0 / b;
    double h = d;
    int limit = iteration_limit(a);
    converged = false;
    for (int i = 1; i <= limit; ++i) {
        double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < FPMIN)
            d = FPMIN;
        c = b + an / c;
        if (std::fabs(c) < FPMIN)
            c = FPMIN;
        d = 1.0 / d;
        double del = d * c;
        h *= del;
        if (std::fabs(del - 1.0) < EPS) {
            converged = true;
            break;
        }
    }
    return std::exp(-x + a * std::log(x) - gln) * h;
}

double clamp_probability(double p)
{
    return p < 0.0 ? 0.0 : (p > 1.0 ? 1.0 : p);
}

}  // namespace

double gammln(double xx)
{
    double x = xx;
    double y = xx;
    double tmp = x + 5.5;
    tmp -= (x + 0.5) * std::log(tmp);
    double ser = 1.000000000190015;
    for (double coefficient : LANCZOS)
        ser += coefficient / ++y;
    return -tmp + std::log(SQRT_2PI * ser / x);
}

long double gammlnl(long double xx)
{
    long double x = xx;
    long double y = xx;
    long double tmp = x + 5.5L;
    tmp -= (x + 0.5L) * std::log(tmp);
    long double ser = 1.000000000190015L;
    for (double coefficient : LANCZOS)
        ser += coefficient / ++y;
    return -tmp + std::log(static_cast<long double>(SQRT_2PI) * ser / x);
}

double factln(int n)
{
    if (n < 0) {
        E.error(ERROR, "factln(int n) negative factorial: setting it to zero", 105);
        return 0.0;
    }
    if (n <= 1)
        return 0.0;
    if (n >= FACTLN_CACHE_SIZE)
        return gammln(n + 1.0);
    if (factln_cache[n] == 0.0)
        factln_cache[n] = gammln(n + 1.0);
    return factln_cache[n];
}

long double factlnl(int n)
{
    if (n < 0) {
        if (_ZOS_ != nullptr)
            *_ZOS_ << "factlnl(int n) negative factorial: setting it to zero" << std::endl;
        return 0.0L;
    }
    if (n <= 1)
        return 0.0L;
    if (n >= FACTLN_CACHE_SIZE)
        return gammlnl(n + 1.0L);
    if (factlnl_cache[n] == 0.0L)
        factlnl_cache[n] = gammlnl(n + 1.0L);
    return factlnl_cache[n];
}

void gser(float* gamser, float a, float x, float* gln)
{
    double lngamma = gammln(a);
    *gln = static_cast<float>(lngamma);
    if (x <= 0.0f) {
        if (x < 0.0f)
            E.error(ERROR, "gser() x less than 0", 105);
        *gamser = 0.0f;
        return;
    }
    bool converged;
    *gamser = static_cast<float>(series_P(a, x, lngamma, converged));
    if (!converged)
        E.error(ERROR, "gser() a too large, ITMAX too small ", 105);
}

void gcf(float* gammcf, float a, float x, float* gln)
{
    double lngamma = gammln(a);
    *gln = static_cast<float>(lngamma);
    bool converged;
    *gammcf = static_cast<float>(continued_fraction_Q(a, x, lngamma, converged));
    if (!converged)
        E.error(ERROR, "gcf() a too large, ITMAX too small in gcf", 105);
}

float Prob_of_chi_sq(float df, float chi2)
{
    double x = chi2 / 2.0;
    double a = df / 2.0;
    if (x < 0.0 || std::isnan(x)) {
        E.error(ERROR, "Prob_of_chi_sq()  invalid arguments", 105);
        return -1.0f;
    }
    if (!(a > 0.0))
        return -1.0f;
    if (x == 0.0)
        return 1.0f;
    if (std::isinf(x))
        return 0.0f;

    double lngamma = gammln(a);
    bool converged;
    double q;
    if (x >= a + 1.0) {
        q = continued_fraction_Q(a, x, lngamma, converged);
        if (!converged)
            E.error(ERROR, "gcf() a too large, ITMAX too small in gcf", 105);
    } else {
        q = 1.0 - series_P(a, x, lngamma, converged);
        if (!converged)
            E.error(ERROR, "gser() a too large, ITMAX too small ", 105);
    }
    return static_cast<float>(clamp_probability(q));
}

float zbrent(float (*func)(float), float x1, float x2, float tol)
{
    const int ITMAX = 100;
    const float MACHINE_EPS = 3.0e-8f;

    // b is the best estimate, a the previous one, and [b, c] brackets the root.
    float a = x1;
    float b = x2;
    float c = x2;
    float d = 0.0f;
    float e = 0.0f;
    float fa = func(a);
    float fb = func(b);
    if ((fa > 0.0f && fb > 0.0f) || (fa < 0.0f && fb < 0.0f)) {
        E.error(ERROR, "zbrent() root must be bracketed in zbrent", 105);
        return 0.0f;
    }
    float fc = fb;
    for (int iter = 1; iter <= ITMAX; ++iter) {
        if ((fb > 0.0f && fc > 0.0f) || (fb < 0.0f && fc < 0.0f)) {
            c = a;
            fc = fa;
            e = d = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        float tol1 = 2.0f * MACHINE_EPS * std::fabs(b) + 0.5f * tol;
        float xm = 0.5f * (c - b);
        if (std::fabs(xm) <= tol1 || fb == 0.0f)
            return b;
        if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
            // Inverse quadratic interpolation (secant step when a == c).
            float s = fb / fa;
            float p;
            float q;
            if (a == c) {
                p = 2.0f * xm * s;
                q = 1.0f - s;
            } else {
                float qa = fa / fc;
                float r = fb / fc;
                p = s * (2.0f * xm * qa * (qa - r) - (b - a) * (r - 1.0f));
                q = (qa - 1.0f) * (r - 1.0f) * (s - 1.0f);
            }
            if (p > 0.0f)
                q = -q;
            p = std::fabs(p);
            float min1 = 3.0f * xm * q - std::fabs(tol1 * q);
            float min2 = std::fabs(e * q);
            if (2.0f * p < (min1 < min2 ? min1 : min2)) {
                e = d;
                d = p / q;
            } else {
                d = xm;  // interpolation failed: bisect
                e = d;
            }
        } else {
            d = xm;  // bounds shrinking too slowly: bisect
            e = d;
        }
        a = b;
        fa = fb;
        b += std::fabs(d) > tol1 ? d : (xm >= 0.0f ? std::fabs(tol1) : -std::fabs(tol1));
        fb = func(b);
    }
    E.error(ERROR, "zbrent() maximum number of iterations exceeded in zbrent", 105);
    return 0.0f;
}

double factorial(const float& x)
{
    int n = static_cast<int>(x + 0.1f);
    double sum = 0.0;
    for (int k = 2; k <= n; ++k)
        sum += std::log(static_cast<double>(k));
    return sum;
}

int rm_in_zero(char* text)
{
    std::size_t length = std::strlen(text);
    if (length == 0)
        return 0;
    while (length > 1 && text[length - 1] == '0')
        text[--length] = '\0';
    return 1;
}
