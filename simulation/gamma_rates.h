// Relative mutation rates of the simulated sites: Gamma-distributed rates
// (Uzzell and Corbin 1971; Yang 1993), or two classes of sites, the first
// (int)(n p + 1) at rate b and the others at rate 1. The rates sum to 1.
#ifndef DROV_SIMULATION_GAMMA_RATES_H
#define DROV_SIMULATION_GAMMA_RATES_H

#include <vector>

class GammaRates {
public:
    std::vector<double> rates;  // one relative rate per site
    double a;                   // Gamma shape of the last build
    double b;                   // alternative rate of the last build
    int k;                      // sites at rate b in the two-class model
    int n;                      // number of sites; 0 while never built

    GammaRates() : a(0.0), b(1.0), k(1), n(0) {}

    // New rates for n sites: Gamma(a) deviates when a > 0, otherwise b for
    // the first k = (int)(n p + 1) sites and 1 for the others; then divided by
    // their sum. Returns n (0, with nothing drawn, for n = 0 or when the array
    // cannot be allocated).
    int build(int n, const double& a, const double& b, const double& p);

    // Draws the rates again by the same rule in the existing array (the stored
    // a and b stay those of the last build); a different n rebuilds.
    int get_new_rates(int n, const double& a, const double& b, const double& p);

    // The site that a uniform u selects: the first site at which the running
    // sum of the rates exceeds u, or the last of the first numSites sites.
    int site_for(double u, int numSites) const;
    // The same walk from the last site down: the site at which the running
    // sum exceeds u, or site 0.
    int site_from_last(double u, int numSites) const;

private:
    std::vector<double> cumulative;  // running sums of rates, for site_for

    void draw(const double& a, const double& b);
};

#endif
