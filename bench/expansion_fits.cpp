// Speed of the sudden- and spatial-expansion fits with their parametric
// bootstraps: every replicate simulates a genealogy of the whole sample with
// 400 sites and refits it, at the sample sizes and mean numbers of pairwise
// differences of real data sets.

#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/random.h"
#include "simulation/ann_missmatch.h"
#include "simulation/spatial_expansion.h"

namespace {

// A sample of n gene copies whose histogram is the sudden expansion of tau =
// mean differences from theta0 = 0.5 to theta1 = 100, in whole pairs.
struct ExpansionSample {
    PopGenetics sample;
    settings run_settings;

    ExpansionSample(int n, double mean)
    {
        long seed = -2468;
        ran3(&seed);
        TNode::hits.count = 0;
        sample.initialize();
        sample.SampleSize = n;
        sample.NumPolymSites = static_cast<int>(mean * 4);
        run_settings.stop_requested = 0;
        ann_missmatch model(&sample, &run_settings);
        model.init_data(0.5, 100.0, mean, 1.0);
        const double pairs = 0.5 * n * (n - 1.0);
        const int classes = static_cast<int>(3 * mean) + 10;
        sample.MaxPairDiff = classes - 1;
        sample.MismatchObsCounts = new std::int64_t[2 * classes - 1]();
        for (int d = 0; d < classes; ++d)
            sample.MismatchObsCounts[d] = static_cast<int>(std::lround(pairs * model.f_i_exp(d)));
    }
};

// Range 0: gene copies; range 1: mean pairwise differences; range 2: replicates.
void BM_sudden_expansion_bootstrap(benchmark::State& state)
{
    ExpansionSample data(static_cast<int>(state.range(0)), static_cast<double>(state.range(1)));
    for (auto _ : state) {
        ann_missmatch fit(&data.sample, &data.run_settings);
        fit.init_data(0.0, 0.0, 0.0, 1.0);
        fit.num_boot = static_cast<int>(state.range(2));
        std::ostringstream out;
        fit.solve_least_square_rh(out);
        benchmark::DoNotOptimize(fit.summary_values[1]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(2));
}

void BM_spatial_expansion_bootstrap(benchmark::State& state)
{
    ExpansionSample data(static_cast<int>(state.range(0)), static_cast<double>(state.range(1)));
    for (auto _ : state) {
        mismatchSpatialExpansion fit(&data.sample, &data.run_settings);
        fit.init_data(0.0, 0.0, 0.0, 0.0, 1.0);
        fit.num_boot = static_cast<int>(state.range(2));
        std::ostringstream out;
        fit.solve_least_square_spatial_expansion_3_par(out);
        benchmark::DoNotOptimize(fit.summary_values[1]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(2));
}

}  // namespace

BENCHMARK(BM_sudden_expansion_bootstrap)
    ->Args({50, 5, 100})
    ->Args({200, 15, 100})
    ->Args({500, 30, 100})
    ->Args({50, 5, 1000})
    ->Args({500, 30, 1000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_spatial_expansion_bootstrap)
    ->Args({50, 5, 100})
    ->Args({200, 15, 100})
    ->Args({500, 30, 100})
    ->Args({500, 30, 1000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
