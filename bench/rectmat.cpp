// The permuted cross-product of the Mantel test, computed once per permutation
// (thousands of times per test) on two square matrices of n = 300.

#include <benchmark/benchmark.h>

#include "core/random.h"
#include "core/rectmat.h"

namespace {

void fill_symmetric(RectMat& m)
{
    long seed = 1;
    for (int i = 0; i < m.nrows; ++i)
        for (int j = 0; j < i; ++j)
            m(i, j) = m(j, i) = ran3(&seed);
}

// Two symmetric n x n matrices of random values, x with its row index, the
// random numbers starting afresh from the same seed.
struct MatrixPair {
    RectMat x;
    RectMat y;

    explicit MatrixPair(int n) : x(n, n), y(n, n)
    {
        long seed = -4242;
        ran3(&seed);
        fill_symmetric(x);
        fill_symmetric(y);
        x.create_index();
    }
};

void BM_computeZ(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    MatrixPair m(n);
    m.x.permute_index();
    for (auto _ : state)
        benchmark::DoNotOptimize(m.x.computeZ(m.y));
    state.SetItemsProcessed(state.iterations() * n * (n - 1) / 2);
}
BENCHMARK(BM_computeZ)->Arg(300)->Unit(benchmark::kMicrosecond);

// One permutation step of the test: shuffle the index, then the statistic.
void BM_permute_and_computeZ(benchmark::State& state)
{
    MatrixPair m(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        m.x.permute_index();
        benchmark::DoNotOptimize(m.x.computeZ(m.y));
    }
}
BENCHMARK(BM_permute_and_computeZ)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace
