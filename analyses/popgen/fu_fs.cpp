// Fu's Fs, the logit of the probability of k or more alleles under the infinite-allele model
// given theta (Fu 1997), from Ewens' distribution of the number of alleles (Ewens 1972).

#include <cfloat>
#include <cmath>

#include "analyses/popgen/pop_genetics.h"
#include "core/errors.h"

namespace {

constexpr const char* kWhere = "PopulDNA::Fu_Fs()";

}  // namespace

int PopGenetics::Fu_Fs(double const& theta, int const& k, double& Fs, bool report)
{
    if (theta <= 0.0) {
        Fs = FLT_MAX;
        if (report)
            E.error(WARNING, kWhere, 187);
        return 0;
    }
    const int n = static_cast<int>(SampleSize);
    const bool table = grow_B_num_mat(n, k);
    if (!(SampleSize < 5000.0) || k > 999 || !table) {
        if (report)
            E.error(WARNING, kWhere, 179);
        return 0;
    }
    const long double less = proba_less_than_k(k, n, theta);
    if (!std::isfinite(less)) {  // Stirling numbers beyond a double: Fs left alone
        if (report)
            E.error(WARNING, kWhere, 216);
        return 0;
    }
    const double s = 1.0 - static_cast<double>(less);
    if (s > 0.0 && s < 1.0) {
        Fs = std::log(s / (1.0 - s));
        return 1;
    }
    if (s == 0.0) {
        Fs = -FLT_MAX;
        return 0;
    }
    if (s == 1.0) {
        Fs = FLT_MAX;
        return 0;
    }
    if (report)
        E.error(WARNING, kWhere, 178);
    return 0;
}
