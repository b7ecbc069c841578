// Divergence time between two populations of unequal sizes: tau, the
// ancestral size theta0 and the size share k, from the mean numbers of
// pairwise differences within X (PiX), within Y (PiY) and between them
// (PiXY), under the model
//   PiX  = theta0 (k + (1 - k) exp(-tau / (k theta0)))
//   PiY  = theta0 ((1 - k) + k exp(-tau / ((1 - k) theta0)))
//   PiXY = theta0 + tau
// solved with the Broyden solver from a start point derived from the inputs
// and, when that fails, from randomly perturbed start points.
#ifndef DROV_COMPARISONS_SOLVE_DIV_TIMES_H
#define DROV_COMPARISONS_SOLVE_DIV_TIMES_H

#include "comparisons/broyden.h"

class TSolveDivTimes : public TBroyden {
public:
    int converged;                 // 1 after an attempt that succeeded
    long double piX, piY, piXY;    // the inputs
    // xvec[1..3]: theta0, k, tau of the solver, in scaled units during an
    // attempt; xvec[4..6]: PiX, PiY, PiXY divided by the attempt's scale.
    long double xvec[7];
    // The start values of an attempt; after solve, the estimates in the units
    // of the inputs (of the last attempt when none succeeded).
    long double theta0, tau, k;
    int max_tries;

    TSolveDivTimes(const long double& piX, const long double& piY, const long double& piXY);

    // Up to `tries` attempts; 0 when one succeeded, 1 when none did (also for
    // tries < 1). Every attempt after the first draws three ran3 numbers. An
    // attempt fails when the solver does, or on a negative or non-finite
    // theta0 or a non-finite tau or k.
    int solve(const int& tries);

    // True when the estimates are those of two daughter populations of an
    // ancestral one: tau >= 0 and k a share in [0, 1]. Inputs with PiX or PiY
    // above PiXY, for instance, solve the equations only outside the model.
    bool within_model() const;

    static void vecfunc2(int n, long double* x, long double* f);
    static void my_jacobian2(int n, long double* x, long double** df);
};

#endif
