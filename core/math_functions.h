// Logarithms of the Gamma function and of factorials, the chi-square tail
// probability through the incomplete Gamma function, and Brent's root finder,
// after the routines of Numerical Recipes in C (Press et al. 1992, sections
// 6.1, 6.2 and 9.3). Where the book stops the program, these functions report
// ERROR 105 ("numerical error") through E and return a value.
#ifndef DROV_CORE_MATH_FUNCTIONS_H
#define DROV_CORE_MATH_FUNCTIONS_H

// ln Gamma(xx) for xx > 0 (Lanczos series, relative error below 2e-10).
double gammln(double xx);

// ln(n!); 0 for n <= 1; values for n <= 100 are cached after their first use.
double factln(int n);

// The same two in extended precision, with their own cache.
long double gammlnl(long double xx);
long double factlnl(int n);

// Upper-tail probability of the chi-square distribution with df degrees of
// freedom at chi2: Q(df/2, chi2/2), always in [0, 1]. Returns -1 when df <= 0
// (no report) and when chi2 is negative or not a number (ERROR 105).
float Prob_of_chi_sq(float df, float chi2);

// Q(a, x) by its continued fraction (for x >= a + 1) into *gammcf, and
// ln Gamma(a) into *gln.
void gcf(float* gammcf, float a, float x, float* gln);

// P(a, x) by its series (for x < a + 1) into *gamser, and ln Gamma(a) into *gln.
void gser(float* gamser, float a, float x, float* gln);

// Root of func between x1 and x2, which must bracket it, to within tol.
float zbrent(float (*func)(float), float x1, float x2, float tol);

// ln(n!) by summing logarithms, n being x rounded down after adding 0.1.
double factorial(const float& x);

// Removes the trailing '0' characters of a number's text ("1.500" -> "1.5"),
// never its first character; 0 for an empty text, else 1.
int rm_in_zero(char* text);

#endif
