// The minimum spanning network of integer distances, where ties are
// everywhere and every OTU has many candidate alternative links, and its
// tables in the results.

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "comparisons/min_spa_net.h"

namespace {

// Distances 1 to `max_value` at random below the diagonal.
std::unique_ptr<RectMat> integer_distances(int n, int max_value)
{
    std::mt19937 gen(111);
    std::uniform_int_distribution<int> value(1, max_value);
    auto m = std::make_unique<RectMat>(n, n);
    for (int i = 1; i < n; ++i)
        for (int j = 0; j < i; ++j)
            (*m)(i, j) = value(gen);
    return m;
}

void BM_MakeNetwork(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    auto m = integer_distances(n, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        TMinSpaNet net(m.get());
        benchmark::DoNotOptimize(net.MakeNetwork());
    }
}
BENCHMARK(BM_MakeNetwork)
    ->Args({500, 3})->Args({1000, 3})->Args({2000, 3})  // few values: ties everywhere
    ->Args({2000, 1})                                  // all distances equal
    ->Args({2000, 50})
    ->Unit(benchmark::kMillisecond);

void BM_NetworkTables(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    auto m = integer_distances(n, 3);
    TMinSpaNet net(m.get());
    net.MakeNetwork();
    Haplo_DB labels;
    for (int i = 0; i < n; ++i)
        labels.list.Add(new HaploDef(my_string(("hap" + std::to_string(i)).c_str())));
    std::ofstream out("/dev/null");
    for (auto _ : state)
        print_spanning_network(
            out, net, n, network_label_width(7),
            [&labels](int k) -> my_string const& { return labels.list.data[k]->id; },
            [&] { net.printMST(out, "MST", labels); }, false);
}
BENCHMARK(BM_NetworkTables)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
