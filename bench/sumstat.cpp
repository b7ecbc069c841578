// Speed of the summary-statistics line: the value lines of a long run list
// (projects of 200 samples, one list column per sample) and one line holding
// the pairwise FST of 500 samples (124,750 values), with the storing of those
// pairs. Both must be linear in the number of values written.

#include "summary/sumstat.h"

#include <benchmark/benchmark.h>

namespace {

const int LIST_COLUMNS = 200;

// One project's line: its start, the values of the level, its header once.
void project_line(TSumStat& s)
{
    s.startProject();
    s.K.count = 0;
    for (int i = 0; i < LIST_COLUMNS; ++i)
        s.K.Add(0.001 * i + 1.0 / 3.0);
    if (s.needsHeader())
        s.outputHeader(DNA);
    s.outputStats(DNA);
}

void BM_ValueLinesOfARunList(benchmark::State& state)
{
    const int projects = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TSumStat s;
        s.ALL_K = true;
        for (int p = 0; p < projects; ++p)
            project_line(s);
        benchmark::DoNotOptimize(s.valuesText.data());
    }
    state.SetItemsProcessed(state.iterations() * projects * LIST_COLUMNS);
}
BENCHMARK(BM_ValueLinesOfARunList)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_PairwiseLine(benchmark::State& state)
{
    const int samples = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TSumStat s;
        s.PAIRWISE_FST = true;
        s.storePairs(s.pairFST, true, samples, [](int i, int j) { return 1.0 / (i + j + 3); });
        s.outputHeader(DNA);
        s.outputStats(DNA);
        benchmark::DoNotOptimize(s.valuesText.data());
    }
    state.SetItemsProcessed(state.iterations() * samples * (samples - 1) / 2);
}
BENCHMARK(BM_PairwiseLine)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace
