// The "Mismatch analysis" table of the summary report: the parameters of the
// sudden expansion (Rogers and Harpending 1992) and of the spatial expansion
// (Ray et al. 2003, Excoffier 2004) fitted to each sample's mismatch
// distribution, their bootstrap percentiles, the SSD and the raggedness index
// (Harpending 1994) with their p-values. A fit that did not run left 0.0,
// which is written and enters the mean and s.d. like any value; a sample
// refused for its size reads "N.A." and stays out of them.

#include <iomanip>

#include "app/settings.h"
#include "project/samples.h"
#include "summary/summary_report.h"

namespace {

constexpr int kLabelWidth = 25;

// The rows of one fit, with the position of their value in the kept fit
// (parameters 0-2, SSD 3 and its p-value 4, raggedness 5 and its p-value 6,
// the four percentiles of the parameters from 7, 11 and 15).
struct FitRow {
    const char* label;
    int value;
    bool bootstrap_only;
};

const FitRow kDemographicRows[] = {
    {"Tau", 0, false},           {"Tau qt 2.5%", 7, true},        {"Tau qt 5%", 8, true},
    {"Tau qt 95%", 9, true},     {"Tau qt 97.5%", 10, true},      {"Theta0", 1, false},
    {"Theta0 qt 2.5%", 11, true}, {"Theta0 qt 5%", 12, true},     {"Theta0 qt 95%", 13, true},
    {"Theta0 qt 97.5%", 14, true}, {"Theta1", 2, false},          {"Theta1 qt 2.5%", 15, true},
    {"Theta1 qt 5%", 16, true},  {"Theta1 qt 95%", 17, true},     {"Theta1 qt 97.5%", 18, true},
    {"SSD", 3, false},           {"Model (SSD) p-value", 4, true}, {"Raggedness index", 5, false},
    {"Raggedness p-value", 6, true},
};

const FitRow kSpatialRows[] = {
    {"Tau", 0, false},           {"Tau qt 2.5%", 7, true},        {"Tau qt 5%", 8, true},
    {"Tau qt 95%", 9, true},     {"Tau qt 97.5%", 10, true},      {"Theta", 1, false},
    {"Theta qt 2.5%", 11, true}, {"Theta qt 5%", 12, true},       {"Theta qt 95%", 13, true},
    {"Theta qt 97.5%", 14, true}, {"M", 2, false},                {"M qt 2.5%", 15, true},
    {"M qt 5%", 16, true},       {"M qt 95%", 17, true},          {"M qt 97.5%", 18, true},
    {"SSD", 3, false},           {"Model (SSD) p-value", 4, true}, {"Raggedness index", 5, false},
    {"Raggedness p-value", 6, true},
};

// The M of the spatial fit can grow very large: a value of 100000 or more is
// written in scientific notation, everything else in fixed notation.
void write_fit(SummaryReport& r, const char* title, ExpansionFit PopGenetics::*fit,
               FitRow const (&rows)[19], bool bootstrap)
{
    r.out << "\n" << title << "\n" << std::string(std::char_traits<char>::length(title), '-')
          << "\n";
    for (FitRow const& row : rows) {
        if (row.bootstrap_only && !bootstrap)
            continue;
        const bool migration = fit == &PopGenetics::SpatialExpansionFit && row.value == 2;
        r.out << std::setw(kLabelWidth) << row.label;
        Moments m;
        for (int i = 0; i < r.n; ++i) {
            if (!r.analysed(i)) {
                r.not_available(r.columnWidth);
                continue;
            }
            const double x = (r.sample(i).*fit).values[row.value];
            if (migration && !(x < 100000.0))
                r.out << std::scientific << Column{r.columnWidth} << x << std::fixed;
            else
                r.out << Column{r.columnWidth} << x;
            m.add(x);
        }
        r.mean_and_sd(m);
        r.out << "\n";
    }
}

}  // namespace

void write_mismatch_analysis(SummaryReport& r)
{
    const SummaryReport::Block b{"mismatch", "Mismatch analysis", "Mismatch analysis\n", nullptr,
                                 nullptr, "Statistics", kLabelWidth, {"Mean", "s.d."}};
    r.open_block(b);
    const bool bootstrap = r.s.NumBootExpDem != 0;
    if (r.s.MismatchDemogExp)
        write_fit(r, "Demographic expansion", &PopGenetics::DemogExpansionFit, kDemographicRows,
                  bootstrap);
    if (r.s.MismatchSpatialExp)
        write_fit(r, "Spatial expansion", &PopGenetics::SpatialExpansionFit, kSpatialRows,
                  bootstrap);
    r.close_block(b);
}
