// Sorted insertion into MY_TISArrayAsVector, as the haplotype-class lists of
// a sample are built: one record at a time, kept by decreasing frequency.

#include "core/pointer_arrays.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

struct HaplClass {
    double freq;
    bool operator<(const HaplClass& o) const { return freq > o.freq; }
};

constexpr int kRecords = 10000;

std::vector<double> random_frequencies()
{
    std::mt19937 gen(12345);
    std::uniform_int_distribution<int> counts(1, 500);
    std::vector<double> freqs(kRecords);
    for (double& f : freqs)
        f = counts(gen);
    return freqs;
}

// Owning list sized for its content, records created as they are added.
void insert_all(benchmark::State& state, const std::vector<double>& freqs)
{
    for (auto _ : state) {
        MY_TISArrayAsVector<HaplClass> classes(kRecords, 0);
        for (double f : freqs)
            classes.Add(new HaplClass{f});
        benchmark::DoNotOptimize(classes.data[0]);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_SortedInsertionRandom(benchmark::State& state)
{
    insert_all(state, random_frequencies());
}
BENCHMARK(BM_SortedInsertionRandom)->Unit(benchmark::kMillisecond);

// Increasing frequencies: every record travels to the front.
void BM_SortedInsertionWorstCase(benchmark::State& state)
{
    std::vector<double> freqs(kRecords);
    for (int k = 0; k < kRecords; ++k)
        freqs[k] = k;
    insert_all(state, freqs);
}
BENCHMARK(BM_SortedInsertionWorstCase)->Unit(benchmark::kMillisecond);

// A small growth step: growth copies add to the insertion cost.
void BM_SortedInsertionGrowing(benchmark::State& state)
{
    std::vector<double> freqs = random_frequencies();
    for (auto _ : state) {
        MY_TISArrayAsVector<HaplClass> classes(11, 10);
        for (double f : freqs)
            classes.Add(new HaplClass{f});
        benchmark::DoNotOptimize(classes.data[0]);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SortedInsertionGrowing)->Unit(benchmark::kMillisecond);

} // namespace
