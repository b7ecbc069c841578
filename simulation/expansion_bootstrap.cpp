// Parametric bootstrap of the expansion fits of the mismatch distribution
// (Schneider and Excoffier 1999; Excoffier 2004): samples simulated under the
// fitted model are refitted, giving the P-values of the SSD and of the
// raggedness index and percentile confidence intervals.

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/xml.h"
#include "simulation/ann_missmatch.h"

void ann_missmatch::percentile_bounds(double level, int B, int& lo, int& up)
{
    const double h = level / 2.0;
    lo = static_cast<int>(h * B);
    up = static_cast<int>((1.0 - h) * B);
    if (up == B)
        up = B - 1;
}

int ann_missmatch::summary_position(double p, int B)
{
    return std::max(static_cast<int>(p * B - 1.0), 0);
}

namespace {

// The values of one bootstrap statistic over the replicates.
struct ReplicateValues {
    std::vector<double> values;
    double mean() const
    {
        double sum = 0.0;
        for (double v : values)
            sum += v;
        return values.empty() ? 0.0 : sum / values.size();
    }
    double at(int position) const
    {
        if (values.empty())
            return 0.0;
        return values[std::min<std::size_t>(position, values.size() - 1)];
    }
    void sort() { std::sort(values.begin(), values.end()); }
};

// Everything a bootstrap keeps per replicate.
struct BootstrapStore {
    std::vector<double> observed;  // observed relative frequencies by position
    std::vector<double> sums;      // summed simulated frequencies by position
    std::vector<ReplicateValues> positions;  // simulated frequency by position
    ReplicateValues parameters[3];
    ReplicateValues polym_sites;
    ReplicateValues mean_diffs;
    int ssd_exceeded = 0;
    int raggedness_exceeded = 0;
    int not_converged = 0;  // replicates whose refit did not converge

    BootstrapStore(const double* y, int nc, int B)
        : observed(y, y + nc), sums(nc, 0.0), positions(nc)
    {
        for (auto& p : positions)
            p.values.reserve(B + 1);
        for (auto& p : parameters)
            p.values.reserve(B + 1);
        polym_sites.values.reserve(B + 1);
        mean_diffs.values.reserve(B + 1);
    }
};

void print_goodness_of_fit(std::ostream& out, double obs_ssd, double p_ssd, double raggedness,
                           double p_raggedness)
{
    out << std::fixed << std::setprecision(8);
    out << "\nTest of goodness-of-fit:"
        << "\n------------------------\n"
        << "\n         Sum of Squared deviation: " << std::setw(10) << obs_ssd
        << "\n          P(Sim. Ssd >= Obs. Ssd): " << std::setw(10) << p_ssd
        << "\n    Harpending's Raggedness index: " << std::setw(10) << raggedness
        << "\n        P(Sim. Rag. >= Obs. Rag.): " << std::setw(10) << p_raggedness << "\n";
}

TXmlTag sample_tag(my_string const& name, my_string const& sample)
{
    TXmlTag tag(name.str);
    tag.attribute = "pop";
    tag.value = sample;
    return tag;
}

void print_row(std::ostream& out, std::initializer_list<double> values)
{
    for (double v : values)
        out << std::setw(13) << v;
    out << "\n";
}

}  // namespace

bool ann_missmatch::run_bootstrap(BootstrapModel const& model, double* x, double* y, double* e,
                                  int n, int nc, std::ostream& out, std::int64_t pairs,
                                  double quantiles[3][4])
{
    const int B = num_boot;
    p_ssd = 0.0;
    std::unique_ptr<BootstrapStore> store;
    try {
        store = std::make_unique<BootstrapStore>(y, nc, B);
    } catch (const std::bad_alloc&) {
        log_line((std::string(model.where) + ": Unable to allocate enough memory...\n").c_str());
        log_line("exiting\n");
        error = 1;
        return false;
    }
    const double m_obs = calc_mean_mssm(x, y, nc);
    const std::array<double, 3> fitted = model.parameters();
    auto give_up = [&](const char* note) {
        model.set_parameters(fitted);
        std::copy(store->observed.begin(), store->observed.end(), y);
        if (out.good())
            out << note;
        num_boot = 0;
        return false;
    };
    if (!pop->SimTree.allocate_tree(static_cast<int>(pop->SampleSize)))
        return give_up("\nThe sample's genealogy cannot be simulated: no parametric bootstrap\n");

    int accepted = 0;
    const long max_attempts = 10L * B;
    for (long attempt = 0; accepted < B && attempt < max_attempts; ++attempt) {
        settings::global_work_done += 1.0;
        settings::print_message();
        if (set && set->stop_requested) {
            model.set_parameters(fitted);
            return false;
        }
        model.set_parameters(fitted);
        if (!model.simulate(x, y))
            continue;
        const double r_sim = compute_raggedness_index(x, y, n);
        model.set_parameters(fitted);
        if (!model.refit(x, y, n))
            ++store->not_converged;
        ++accepted;
        if (ssd >= obs_ssd)
            ++store->ssd_exceeded;
        if (r_sim >= raggedness)
            ++store->raggedness_exceeded;
        const std::array<double, 3> refitted = model.parameters();
        for (int p = 0; p < 3; ++p)
            store->parameters[p].values.push_back(refitted[p]);
        store->polym_sites.values.push_back(sim_polym_sites);
        store->mean_diffs.values.push_back(calc_mean_mssm(x, y, nc));
        for (int u = 0; u < nc; ++u)
            if (y[u] <= 1.0) {
                store->positions[u].values.push_back(y[u]);
                if (u >= 1)
                    store->sums[u] += y[u];
            }
    }
    if (accepted == 0)
        return give_up("\nParametric bootstrap failed: no sample could be simulated\n");
    if (accepted < B && out.good())
        out << "\nNote: only " << accepted << " of " << B
            << " samples could be simulated within " << max_attempts
            << " attempts; the bootstrap uses these.\n";

    for (auto& p : store->parameters)
        p.sort();
    store->polym_sites.sort();
    store->mean_diffs.sort();
    num_boot = accepted;
    p_ssd = static_cast<double>(store->ssd_exceeded) / accepted;
    const double p_raggedness = static_cast<double>(store->raggedness_exceeded) / accepted;
    model.set_parameters(fitted);

    print_goodness_of_fit(out, obs_ssd, p_ssd, raggedness, p_raggedness);
    out << "     Refits that did not converge: " << std::setw(10) << store->not_converged
        << " of " << accepted << "\n";

    out << "\nMismatch distributions:" << model.distributions_rule;
    TXmlTag table = sample_tag(model.xml_name, name);
    if (xmlOutput)
        out << table.open() << "\n";
    const char* rule53 = "-----------------------------------------------------\n";
    out << rule53 << "        #Diff     Observed    Simulated   Model Freq.\n" << rule53;
    out << std::setprecision(1);
    for (int k = 1; k <= n; ++k) {
        const std::size_t values = store->positions[k].values.size();
        const double mean_sim = values ? store->sums[k] / values : store->sums[k];
        print_row(out, {x[k], store->observed[k] * pairs, mean_sim * pairs, e[k] * pairs});
    }
    out << rule53;
    if (xmlOutput)
        out << table.close() << "\n";

    summary_values[0] = obs_ssd;
    summary_values[1] = p_ssd;
    summary_values[2] = raggedness;
    summary_values[3] = p_raggedness;
    for (auto& p : store->positions)
        p.sort();

    const std::string rule91(91, '-');
    const std::string rule65(65, '-');
    for (double level : {0.01, 0.05, 0.10}) {
        alpha = level;
        int lo = 0, up = 0;
        percentile_bounds(level, accepted, lo, up);
        out << "\n\nConfidence intervals (Percentile method):\t alpha=\t" << std::setprecision(3)
            << alpha << "\nBased on " << accepted << " replicates\n\n";
        out << rule91 << "\n"
            << "                  Variable:       Est. val:     Low. bound:      Up. bound:     Mean Value:\n"
            << rule91 << "\n";
        auto row = [&](const char* label, double estimate, ReplicateValues const& list) {
            out << std::setw(26) << label << std::setw(16) << estimate << std::setw(16)
                << list.at(lo) << std::setw(16) << list.at(up) << std::setw(16) << list.mean()
                << "\n";
        };
        for (int p = 0; p < 3; ++p)
            row(model.labels[p], fitted[p], store->parameters[p]);
        row("Mean No. of pairwise diff.", m_obs, store->mean_diffs);
        out << std::setw(26) << "No. pol. sites:" << std::setw(16) << obs_polym_sites
            << std::setw(16) << static_cast<int>(store->polym_sites.at(lo)) << std::setw(16)
            << static_cast<int>(store->polym_sites.at(up)) << std::setw(16)
            << store->polym_sites.mean() << "\n";
        out << rule91 << "\n" << model.region_title;
        char level_text[32];
        std::snprintf(level_text, sizeof level_text, "_%f", alpha);
        my_string ci_name(model.xml_ci_name);
        ci_name += level_text;
        TXmlTag region = sample_tag(ci_name, name);
        if (xmlOutput)
            out << region.open() << "\n";
        out << rule65 << "\n"
            << "        #Diff     Observed    Low. bound  Up. bound   Model Freq.\n"
            << rule65 << "\n";
        out << std::setprecision(1);
        for (int k = 1; k < num_positions; ++k) {
            ReplicateValues const& list = store->positions[k];
            print_row(out, {x[k], store->observed[k] * pairs, list.at(lo) * pairs,
                            list.at(up) * pairs, e[k] * pairs});
        }
        out << rule65 << "\n";
        if (xmlOutput)
            out << region.close() << "\n";
    }

    const double levels[4] = {0.025, 0.05, 0.95, 0.975};
    for (int p = 0; p < 3; ++p)
        for (int q = 0; q < 4; ++q)
            quantiles[p][q] = store->parameters[p].at(summary_position(levels[q], accepted));
    out << "\n";
    return true;
}
