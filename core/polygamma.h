// The digamma and trigamma functions psi(x) = d ln Gamma(x)/dx and psi1(x) = d psi(x)/dx, which
// give sums over the gene copies of a sample in closed form: the sum of 1/(x + i) over
// i = 0 .. n-1 is psi(x + n) - psi(x), that of 1/(x + i)^2 is psi1(x) - psi1(x + n).
// Recurrence up to x >= 10, then the asymptotic series (Abramowitz and Stegun 1964, 6.3.18 and
// 6.4.12), as in Bernardo (1976, AS 103) and Schneider (1978, AS 121) with more terms.
#ifndef DROV_CORE_POLYGAMMA_H
#define DROV_CORE_POLYGAMMA_H

// psi(x) and psi1(x) for x > 0, to a few units of the last place; not a number for x <= 0.
double digamma(double x);
double trigamma(double x);

// psi(x + n) - psi(x), the sum of 1/(x + i) over i = 0 .. n-1, for x > 0 and n >= 0, to a few
// units of the last place also where x is large against n, where the difference of two
// digamma values would lose its digits; not a number for x <= 0 or n < 0.
double digamma_difference(double x, long long n);

#endif
