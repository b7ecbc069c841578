// FST null density conditional on heterozygosity and its p-values and
// quantiles (Beaumont & Nichols 1996, kernel-smoothed as in Excoffier et al. 2009).

#include "summary/fst_null_density.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <numeric>
#include <string>

#include "app/glbobj.h"
#include "core/xml.h"

namespace {

const double EPANECHNIKOV = 0.75;
const double GAUSS_NORM = 0.398942280401;
const double TAIL_THRESHOLD = 0.05;
const double FALLBACK_SD = 0.05;
const double LOWER_MARGIN = 0.1;
const double NO_QUANTILE = 2.0;

// A simulated locus inside the heterozygosity window, with its weight.
struct WeightedLocus {
    double fst;
    double weight;
};

// The window's loci in the order met, and W, the sum of their weights.
class Window {
public:
    std::vector<WeightedLocus> loci;
    double total = 0.0;

    Window(double obsHet, double h) : obs_het(obsHet), half_width(h) {}

    // Epanechnikov weight 0.75 (1 - (d/h)^2) / h of a locus with |d| <= h.
    void consider(double het, double fst)
    {
        const double d = het - obs_het;
        if (!(std::fabs(d) <= half_width))
            return;
        const double r = d / half_width;
        const double weight = EPANECHNIKOV * (1.0 - r * r) / half_width;
        loci.push_back({fst, weight});
        total += weight;
    }

private:
    double obs_het;
    double half_width;
};

Window window_of(const MY_TArrayAsVector<double>& simHet, const MY_TArrayAsVector<double>& simFst,
                 double obsHet, double h)
{
    Window window(obsHet, h);
    window.loci.reserve(simHet.count);
    for (int i = 0; i < simHet.count; ++i)
        window.consider(simHet[i], simFst[i]);
    return window;
}

Window window_of(const SortedSimulatedLoci& sorted, double obsHet, double h)
{
    // het - obsHet is monotone in het, so both ends of |d| <= h are found
    // by the same test as the linear pass makes.
    const auto first = std::partition_point(sorted.het.begin(), sorted.het.end(),
                                            [&](double v) { return v - obsHet < -h; });
    const auto last = std::partition_point(first, sorted.het.end(),
                                           [&](double v) { return v - obsHet <= h; });
    Window window(obsHet, h);
    for (auto it = first; it != last; ++it)
        window.consider(*it, sorted.fst[it - sorted.het.begin()]);
    return window;
}

enum class Kernel { GAUSSIAN, EPANECHNIKOV };

// f(x): the weighted kernels of the window's loci divided by W; 0 when W is
// not positive. `width` is the Gaussian s.d. or the Epanechnikov half-width.
double density_at(const Window& window, double x, Kernel kernel, double width)
{
    if (!(window.total > 0.0))
        return 0.0;
    // The kernel is chosen once, outside the loop over the window's loci.
    double sum = 0.0;
    if (kernel == Kernel::GAUSSIAN) {
        if (width == 0.0)
            return 0.0;
        for (const WeightedLocus& locus : window.loci) {
            const double z = (locus.fst - x) / width;
            sum += std::exp(-z * z / 2.0) * GAUSS_NORM / width * locus.weight;
        }
    } else {
        for (const WeightedLocus& locus : window.loci) {
            const double z = (locus.fst - x) / width;
            if (z * z <= 1.0)
                sum += EPANECHNIKOV * (1.0 - z * z) / width * locus.weight;
        }
    }
    return sum / window.total;
}

// Midpoint rule over [a, c] with m bins of width (c - a)/m, the midpoints
// walked up from a or (walk_down) down from c, each from the previous one.
double tail_mass(const Window& window, double a, double c, int m, Kernel kernel, double width,
                 bool walk_down)
{
    const double delta = (c - a) / m;
    double x = walk_down ? c - delta / 2.0 : a + delta / 2.0;
    const double step = walk_down ? -delta : delta;
    double sum = 0.0;
    for (int b = 0; b < m; ++b, x += step)
        sum += density_at(window, x, kernel, width);
    return delta * sum;
}

double p_value4(double obsFst, const Window& window, double bandwidth, int numBins, double& upperTail)
{
    const double s = bandwidth / 2.0;
    const double upper = tail_mass(window, obsFst, 1.0, numBins, Kernel::GAUSSIAN, s, true);
    if (1.0 - upper >= TAIL_THRESHOLD) {
        upperTail = upper;
        return upper > 0.5 ? 1.0 - upper : upper;
    }
    const double a = obsFst > -LOWER_MARGIN ? -LOWER_MARGIN : obsFst - LOWER_MARGIN;
    const double lower = tail_mass(window, a, obsFst, numBins, Kernel::GAUSSIAN,
                                   s > 0.0 ? s : FALLBACK_SD, false);
    const double p = upper + lower != 0.0 ? lower / (upper + lower) : lower;
    upperTail = 1.0 - p;
    return p;
}

// The two tails of the other p-value variants: lower [a, obsFst] with a = 0
// for obsFst >= 0, upper [obsFst, 1], both walked upwards.
void both_tails(double obsFst, const MY_TArrayAsVector<double>& simHet,
                const MY_TArrayAsVector<double>& simFst, double obsHet, double hetWindow,
                Kernel kernel, double width, int numBins, double& lower, double& upper)
{
    const Window window = window_of(simHet, simFst, obsHet, hetWindow);
    const double a = obsFst >= 0.0 ? 0.0 : obsFst - LOWER_MARGIN;
    lower = tail_mass(window, a, obsFst, numBins, kernel, width, false);
    upper = tail_mass(window, obsFst, 1.0, numBins, kernel, width, false);
}

double gaussian_sd(double bandwidth)
{
    return bandwidth / 2.0 > 0.0 ? bandwidth / 2.0 : FALLBACK_SD;
}

}  // namespace

SortedSimulatedLoci::SortedSimulatedLoci(const MY_TArrayAsVector<double>& simHet,
                                         const MY_TArrayAsVector<double>& simFst)
{
    std::vector<int> order(simHet.count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int i, int j) { return simHet[i] < simHet[j]; });
    het.reserve(order.size());
    fst.reserve(order.size());
    for (int i : order) {
        het.push_back(simHet[i]);
        fst.push_back(simFst[i]);
    }
}

double calcFSTpvalue4(double& obsFst, const MY_TArrayAsVector<double>& simHet,
                      const MY_TArrayAsVector<double>& simFst, const double& bandwidth,
                      const double& obsHet, const double& hetWindow, const int& numBins,
                      double& upperTail)
{
    return p_value4(obsFst, window_of(simHet, simFst, obsHet, hetWindow), bandwidth, numBins,
                    upperTail);
}

double calcFSTpvalue4(double& obsFst, const SortedSimulatedLoci& loci, const double& bandwidth,
                      const double& obsHet, const double& hetWindow, const int& numBins,
                      double& upperTail)
{
    return p_value4(obsFst, window_of(loci, obsHet, hetWindow), bandwidth, numBins, upperTail);
}

double calcFSTpvalue(double& obsFst, const MY_TArrayAsVector<double>& simHet,
                     const MY_TArrayAsVector<double>& simFst, const double& bandwidth,
                     const double& obsHet, const double& hetWindow, const int& numBins)
{
    double lower = 0.0, upper = 0.0;
    both_tails(obsFst, simHet, simFst, obsHet, hetWindow, Kernel::EPANECHNIKOV, bandwidth, numBins,
               lower, upper);
    return std::min(lower, upper);
}

double calcFSTpvalue2(double& obsFst, const MY_TArrayAsVector<double>& simHet,
                      const MY_TArrayAsVector<double>& simFst, const double& bandwidth,
                      const double& obsHet, const double& hetWindow, const int& numBins,
                      double& lowerTail)
{
    double upper = 0.0;
    both_tails(obsFst, simHet, simFst, obsHet, hetWindow, Kernel::GAUSSIAN, gaussian_sd(bandwidth),
               numBins, lowerTail, upper);
    return std::min(lowerTail, upper);
}

double calcFSTpvalue3(double& obsFst, const MY_TArrayAsVector<double>& simHet,
                      const MY_TArrayAsVector<double>& simFst, const double& bandwidth,
                      const double& obsHet, const double& hetWindow, const int& numBins,
                      double& lowerTail)
{
    double lower = 0.0, upper = 0.0;
    both_tails(obsFst, simHet, simFst, obsHet, hetWindow, Kernel::GAUSSIAN, gaussian_sd(bandwidth),
               numBins, lower, upper);
    const double sum = lower + upper;
    if (sum != 0.0) {
        lower /= sum;
        upper /= sum;
    }
    lowerTail = upper > lower ? 1.0 - upper : lower;
    return std::min(lower, upper);
}

void calcFSTDensityWeightedByHeterozDistEpanechnikov(MY_TArrayAsVector<double>& density,
                                                     MY_TArrayAsVector<double>& grid,
                                                     const MY_TArrayAsVector<double>& simHet,
                                                     const MY_TArrayAsVector<double>& simFst,
                                                     const double& bandwidth, const double& obsHet,
                                                     const double& hetWindow, int numPoints)
{
    if (numPoints < 2)
        return;
    const Window window = window_of(simHet, simFst, obsHet, hetWindow);
    const double step = 1.0 / (numPoints - 1);
    for (int j = 0; j < numPoints; ++j) {
        grid[j] = j * step;
        density[j] = density_at(window, grid[j], Kernel::EPANECHNIKOV, bandwidth);
    }
}

int calcCILimits(const MY_TArrayAsVector<double>& simHet, const MY_TArrayAsVector<double>& simFst,
                 const double& bandwidth, const double& het, const double& hetWindow,
                 const int& numBins, const MY_TArrayAsVector<double>& levels,
                 MY_TArrayAsVector<double>& quantiles)
{
    const Window window = window_of(simHet, simFst, het, hetWindow);
    const double s = bandwidth / 2.0;
    const double delta = 1.1 / numBins;
    std::vector<double> mids(std::max(numBins, 0));
    std::vector<double> dens(mids.size());
    double x = -LOWER_MARGIN + delta / 2.0;
    double total = 0.0;
    for (std::size_t b = 0; b < mids.size(); ++b, x += delta) {
        mids[b] = x;
        dens[b] = density_at(window, x, Kernel::GAUSSIAN, s);
        total += dens[b];
    }
    int k = 0;
    if (total > 0.0) {
        double share = 0.0;
        for (std::size_t b = 0; b < mids.size() && k < levels.count; ++b) {
            share += dens[b] / total;
            if (share > levels[k]) {
                quantiles.Add(mids[b]);
                ++k;
            }
        }
    }
    for (; k < levels.count; ++k)
        quantiles.Add(NO_QUANTILE);
    return 1;
}

void writeFSTQuantileTable(std::ostream& out, const MY_TArrayAsVector<double>& simHet,
                           const MY_TArrayAsVector<double>& simFst, double hetMin, double hetMax)
{
    static const double LEVELS[] = {0.01, 0.05, 0.10, 0.50, 0.90, 0.95, 0.99};
    static const char* const LABELS[] = {"0.01", "0.05", "0.10", "0.50", "0.90", "0.95", "0.99"};
    const int GRID_POINTS = 20;
    const double BANDWIDTH = 0.025, WINDOW = 0.04;
    const int BINS = 400;

    MY_TArrayAsVector<double> levels;
    for (double level : LEVELS)
        levels.Add(level);
    MY_TArrayAsVector<double> quantiles;
    TXmlTag tag("detSel_FST_CI");
    if (xmlOutput)
        out << tag.open() << "\n";
    const std::string rule(94, '-');
    out << rule << "\n";
    out << std::right << std::setw(10) << "Het. BP." << std::setw(60)
        << "FST null distribution quantiles" << "\n";
    out << std::setw(15) << "-" << std::string(79, '-') << "\n";
    out << std::setw(22) << LABELS[0];
    for (int l = 1; l < 7; ++l)
        out << std::setw(12) << LABELS[l];
    out << "\n" << std::setw(95) << std::string(91, '-') + "\n";
    out << std::fixed << std::showpoint << std::setprecision(6);
    const double step = (hetMax - hetMin) / (GRID_POINTS - 1);
    double het = hetMin;
    for (int k = 0; k < GRID_POINTS; ++k, het += step) {
        quantiles.count = 0;
        calcCILimits(simHet, simFst, BANDWIDTH, het, WINDOW, BINS, levels, quantiles);
        out << std::setw(10) << het;
        for (int l = 0; l < quantiles.count; ++l) {
            if (quantiles[l] <= 1.0)
                out << std::setw(12) << quantiles[l];
            else
                out << std::string(12, ' ');
        }
        out << "\n";
    }
    out << rule << "\n\n";
    if (xmlOutput)
        out << tag.close() << "\n";
}
