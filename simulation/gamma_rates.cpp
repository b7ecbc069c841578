// Site-rate heterogeneity of the simulated sites: Gamma-distributed relative
// rates (Yang 1993), or a two-class model of fast and slow sites.

#include "simulation/gamma_rates.h"

#include <algorithm>
#include <new>

#include "core/errors.h"
#include "core/random.h"

int GammaRates::build(int sites, const double& shape, const double& alt_rate, const double& p)
{
    n = sites;
    a = shape;
    b = alt_rate;
    k = static_cast<int>(sites * p + 1.0);
    if (sites <= 0) {
        n = 0;
        return 0;
    }
    try {
        rates.assign(sites, 0.0);
        cumulative.assign(sites, 0.0);
    } catch (std::bad_alloc const&) {
        rates.clear();
        cumulative.clear();
        n = 0;
        if (_ZOS_)
            *_ZOS_ << "\nGammaRates::build(const int n, const double& a): unable to allocate memory\n";
        return 0;
    }
    draw(shape, alt_rate);
    return n;
}

int GammaRates::get_new_rates(int sites, const double& shape, const double& alt_rate,
                              const double& p)
{
    if (sites != n)
        return build(sites, shape, alt_rate, p);
    k = static_cast<int>(sites * p + 1.0);
    draw(shape, alt_rate);
    return n;
}

void GammaRates::draw(const double& shape, const double& alt_rate)
{
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        rates[i] = shape > 0.0 ? gamma_dev(shape) : (i < k ? alt_rate : 1.0);
        sum += rates[i];
    }
    // A two-class model whose every site has rate 0 would leave no site to
    // mutate: the sites then share the rate equally.
    if (!(sum > 0.0)) {
        std::fill(rates.begin(), rates.end(), 1.0);
        sum = n;
    }
    double running = 0.0;
    for (int i = 0; i < n; ++i) {
        rates[i] /= sum;
        running += rates[i];
        cumulative[i] = running;
    }
}

int GammaRates::site_for(double u, int numSites) const
{
    int last = std::min(n, numSites);
    if (last <= 0)
        return 0;
    auto end = cumulative.begin() + last - 1;
    return static_cast<int>(std::upper_bound(cumulative.begin(), end, u) - cumulative.begin());
}

int GammaRates::site_from_last(double u, int numSites) const
{
    double sum = 0.0;
    for (int i = std::min(n, numSites) - 1; i > 0; --i) {
        sum += rates[i];
        if (sum > u)
            return i;
    }
    return 0;
}
