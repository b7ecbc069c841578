// The sudden (Rogers and Harpending 1992) and spatial (Excoffier 2004)
// expansion fits of a sample's mismatch distribution, as the mismatch section
// of DNA and RFLP samples runs them: the fit objects of simulation/ with the
// run's parameters, the batch fields and the results kept for the summary.

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "simulation/spatial_expansion.h"

namespace {

// The run parameters every fit object gets from the sample and the settings.
void prepare_fit(ann_missmatch& fit, PopGenetics const& sample, settings const& run_settings)
{
    fit.name = sample.name;
    fit.model = 2;
    fit.alpha = 0.05;
    fit.transition_prob = 0.33;
    fit.num_boot = run_settings.NumBootExpDem;
    fit.obs_polym_sites = sample.NumPolymSites;
}

// Three parameters, then the 16 values of the fit's result block.
void keep_fit(ExpansionFit& kept, double first, double second, double third,
              ann_missmatch const& fit)
{
    kept.values[0] = first;
    kept.values[1] = second;
    kept.values[2] = third;
    for (int i = 0; i < 16; ++i)
        kept.values[3 + i] = fit.summary_values[i];
}

}  // namespace

int PopGenetics::est_demog_mis(settings* run_settings, std::fstream& out)
{
    ann_missmatch fit(this, run_settings);
    prepare_fit(fit, *this, *run_settings);
    fit.init_data(0.0, 0.0, 0.0, 1.0);
    fit.solve_least_square_rh(out);
    if (_MISMATCH_ && ofs_mismatch)
        *ofs_mismatch << fit.theta0 << '\t' << fit.tau << '\t' << fit.theta1 << '\t';
    keep_fit(DemogExpansionFit, fit.tau, fit.theta0, fit.theta1, fit);
    return fit.error;
}

int PopGenetics::est_spatial_mis(settings* run_settings, std::fstream& out)
{
    mismatchSpatialExpansion fit(this, run_settings);
    prepare_fit(fit, *this, *run_settings);
    fit.init_data(0.0, 0.0, 0.0, 0.0, 1.0);
    const int params = run_settings->MismatchSpatialExpNumParams;
    if (params == 2 || params == 4)
        fit.solve_least_square_spatial_expansion_4_par(out);
    if (params == 2 || params == 3)
        fit.solve_least_square_spatial_expansion_3_par(out);
    if (_MISMATCH_ && ofs_mismatch_sp3)
        *ofs_mismatch_sp3 << fit.theta0 << '\t' << fit.tau << '\t' << fit.theta1 << '\t' << fit.M
                          << '\t';
    keep_fit(SpatialExpansionFit, fit.tau, fit.theta1, fit.M, fit);
    // The M quantiles take the place of the theta1 quantiles of the sudden fit.
    for (int q = 0; q < 4; ++q)
        SpatialExpansionFit.values[15 + q] = fit.M_CI[q];
    return fit.error;
}
