// Fit of the spatial-expansion model to the mismatch distribution of one
// sample (Ray et al. 2003; Excoffier 2004): a sudden range expansion tau
// units of mutational time ago in an infinite-island model of demes of scaled
// size theta0 before and theta1 after the expansion, exchanging M migrants.
//
// The three-parameter model keeps the deme size constant (theta0 = theta1,
// printed as Theta) and has a parametric bootstrap; the four-parameter model
// lets the sizes differ. Both are fitted by least squares from random
// starting points. The observed distribution, the raggedness index, the mean
// and the mismatch of a simulated sample are those of ann_missmatch.
//
// Files: spatial_expansion.cpp (expectations, simulated replicate, searches),
// spatial_expansion_fit.cpp (the reports), expansion_bootstrap.cpp.
#ifndef DROV_SIMULATION_SPATIAL_EXPANSION_H
#define DROV_SIMULATION_SPATIAL_EXPANSION_H

#include "simulation/ann_missmatch.h"

class mismatchSpatialExpansion : public ann_missmatch {
public:
    double M;        // migration parameter
    double M_CI[4];  // bootstrap values of M at 2.5, 5, 95 and 97.5%

    mismatchSpatialExpansion(PopGenetics* sample, settings* run_settings);

    // Stores the parameters and r; N 4,000,000, max_steps 2000, epsilon 0.001.
    void init_data(const double& theta0, const double& theta1, const double& tau,
                   const double& M, const double& r);

    // Expected relative frequency of class i. Out-of-range parameters are
    // raised in the object: a theta <= 0 to 0.01, M and tau <= 0 to 1e-5.
    double f_i_spatial_exp_3p(const int& i);
    double f_i_spatial_exp_4p(const int& i);
    // Sums of squared deviations over positions 1 .. n-1; +infinity when
    // not finite.
    double f_S_Spatial_Exp_3p(double* x, double* y, const int& n);
    double f_S_Spatial_Exp_4p(double* x, double* y, const int& n);

    // One replicate under the current parameters: a genealogy of the sample
    // under the range expansion with 400 sites of new alleles, and its
    // mismatch distribution. False without simulating when theta1 <= 0 or
    // the genealogy cannot be built.
    bool simulate_spatial_exp(double* x, double* y, int& unused);

    // The fits and their reports (the three-parameter one with its bootstrap).
    void solve_least_square_spatial_expansion_3_par(std::ostream& out);
    void solve_least_square_spatial_expansion_4_par(std::ostream& out);
    // Coordinate searches from 3 (10) random starts; the best end point is
    // kept. The three-parameter search gives 1 when a start converged; the
    // four-parameter search when its last start did. Without any finite sum
    // of squares the parameters keep the first start's values, not_converged
    // is set and the result is 0.
    int hook_jeeves_spatial_exp_3_par(double* x, double* y, const int& n, const int& max_steps,
                                      const double& epsilon);
    int hook_jeeves_spatial_exp_4_par(double* x, double* y, const int& n, const int& max_steps,
                                      const double& epsilon);

    void make_bootstrap_spatial_exp(double* x, double* y, double* e, int& n, const int& nc,
                                    std::ostream& out, std::int64_t pairs);

private:
    // Expected classes 0 .. count-1 at the current (guarded) parameters; in
    // the three-parameter model exp(-tau S / theta) counts as 0 beyond e^-300.
    void spatial_distribution(bool four_parameters, int count, double* out);
    double spatial_ssd(bool four_parameters, double* x, double* y, int n);
    // Observed mean number of differences m and the start value M0 of M.
    static void search_scales(double* y, int n, double& m, double& M0);
};

#endif
