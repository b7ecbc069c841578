// Speed of the selection scan: 1,000, 5,000 and 20,000 simulated loci
// (genealogy, mutations, samples, AMOVA, heterozygosities) for 20 samples of
// 100 gene copies over 100 demes, whose time per simulation stays the same
// (nothing but the scan's own table grows with the simulations) and does
// not depend on the keys of the pairwise comparisons (second argument 1:
// pairwise FST with 100 permutations, (delta mu)^2, mean differences and
// divergence times asked for), and the observed side, the p-values and rows
// of 10,000 loci against 20,000 simulated loci.

#include <benchmark/benchmark.h>

#include <cmath>
#include <ostream>
#include <string>

#include "core/random.h"
#include "project/project.h"
#include "summary/fst_null_density.h"
#include "summary/selection_scan.h"

using namespace selection_scan;

namespace {

void BM_scan_simulations(benchmark::State& state)
{
    const int sims = static_cast<int>(state.range(0));
    const int pairwise = static_cast<int>(state.range(1));
    long seed = -4321;
    ran3(&seed);
    ProfileSettings::DataType = MICROSAT;
    ProfileSettings::LocusSeparator = ' ';
    Project project;
    Structure& observed = *project.structure;
    observed.NbGroups = 1;
    observed.GroupSizes = new int[1]{20};
    observed.Groups = new MY_TIArrayAsVector<Population>[1];
    observed.Groups[0].owns = 0;
    for (int p = 0; p < 20; ++p) {
        Population* sample = new Population(my_string(("pop" + std::to_string(p)).c_str()));
        sample->SampleSize = 100;
        project.samples->Populations.Add(sample);
        observed.Groups[0].Add(sample);
    }
    observed.NbMembers = 20;
    settings& s = project.run_settings;
    s.genotypic_data = 0;
    s.TaskNumber = settings::AMOVA;
    s.HaplAMOVA = 1;
    s.LocByLocAMOVA = 0;
    s.NumPermutationsAMOVA = 0;
    s.ComputeDistanceMatrixAMOVA = 1;
    s.ComputeConventionalFST = 0;
    s.ComputePairwiseFST = s.ComputeDeltaMuSqr = s.PrintMissIntermatchs = pairwise;
    s.UnequalPopSizeDiv = pairwise;
    s.NumPermutationsFST = 100;
    {
        ScanGuard guard(project);
        guard.testedStructure.reset(new Structure(observed));
        project.structure = guard.testedStructure.get();
        project.samples = guard.scanSamples.get();
        PassSettings pass;
        pass.model.numSims = sims;
        pass.model.numDemes = 100;
        pass.model.numGroups = 1;
        pass.model.hetHigh = 0.9;
        pass.model.fit(0.05, MICROSAT, 1, 100);
        pass.meanObsFst = 0.05;
        std::ostream discard(nullptr);
        float work = 0.0f;
        for (auto _ : state) {
            SimulatedLoci loci(sims + 1);
            simulateLoci(project, guard, pass, discard, work, loci);
            benchmark::DoNotOptimize(loci.fst.count);
        }
    }
    state.SetItemsProcessed(state.iterations() * sims);
    state.counters["s_per_sim"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * sims,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_scan_simulations)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({5000, 0})
    ->Args({20000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_observed_side(benchmark::State& state)
{
    const int simulated = 20000, observed = 10000;
    MY_TArrayAsVector<double> het, fst;
    for (int i = 0; i < simulated; ++i) {
        het.Add(std::fmod(i * 0.6180339887, 0.5));
        fst.Add(std::fmod(i * 0.4142135623, 0.3));
    }
    std::ostream discard(nullptr);
    for (auto _ : state) {
        const SortedSimulatedLoci sorted(het, fst);
        SelectionCounts counts;
        for (int l = 1; l <= observed; ++l) {
            const double F = std::fmod(l * 0.377, 0.5), H = std::fmod(l * 0.271, 0.5);
            double upper = -1.0;
            const double p = locusPValue(F, H, sorted, upper);
            counts.add(F, H, p, 0.1);
            writeLocusRow(discard, discard, l, H, F, p, upper, false);
        }
        benchmark::DoNotOptimize(counts.numTested);
    }
    state.SetItemsProcessed(state.iterations() * observed);
}
BENCHMARK(BM_observed_side)->Unit(benchmark::kMillisecond);

}  // namespace
