// The Mantel test and its matrices: the permutation tests at user sizes (50
// populations with X1 alone, 200 with X1 and X2, 10,000 permutations each),
// and the reading of a large matrix of the older syntax, written in column
// blocks of width 10, inline and from a file, at a quarter, a half and the
// whole of 2,000 rows, so that the fitted complexity shows whether reading
// grows linearly with the number of values.

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_projects.h"
#include "comparisons/mantel.h"
#include "core/random.h"

namespace {

using bench_projects::ProjectFolder;

ProjectFolder& folder()
{
    static ProjectFolder f("drov_bench_mantel");
    return f;
}

// Distances between n random points, into a full symmetric matrix.
void random_distances(RectMat& M, std::mt19937& gen)
{
    std::normal_distribution<double> coordinate(0.0, 1.0);
    std::vector<double> x(M.nrows), y(M.nrows);
    for (int i = 0; i < M.nrows; ++i) {
        x[i] = coordinate(gen);
        y[i] = coordinate(gen);
    }
    for (int i = 0; i < M.nrows; ++i)
        for (int j = 0; j < M.nrows; ++j)
            M(i, j) = std::hypot(x[i] - x[j], y[i] - y[j]);
}

void BM_MantelTest(benchmark::State& state)
{
    folder();
    const int n = static_cast<int>(state.range(0));
    const bool three = state.range(1) == 3;
    const int permutations = 10000;
    std::mt19937 gen(5);
    RectMat Y(n, n), X1(n, n), X2(n, n);
    random_distances(Y, gen);
    random_distances(X1, gen);
    random_distances(X2, gen);
    Mantel mantel;
    long seed = -3;
    ran3(&seed);
    for (auto _ : state) {
        if (three) {
            mantel.compute_correlation(Y, X1, X2);
            mantel.test_correlation(Y, X1, X2, permutations);
        } else {
            mantel.compute_correlation(Y, X1);
            mantel.test_correlation(Y, X1, permutations);
        }
        benchmark::DoNotOptimize(mantel.PrY1);
    }
}
BENCHMARK(BM_MantelTest)->Args({50, 2})->Args({200, 3})->Unit(benchmark::kMillisecond);

// The rows of an n x n lower triangle in column blocks of width 10.
void write_column_blocks(std::ostream& out, int n)
{
    std::mt19937 gen(9);
    for (int start = 0; start < n; start += 10)
        for (int i = start; i < n; ++i) {
            for (int j = start; j <= i && j < start + 10; ++j)
                out << (j == i ? 0 : 1 + gen() % 999) * 0.001 << (j == i || j == start + 9 ? "" : " ");
            out << '\n';
        }
}

void BM_OldMatrixBlock(benchmark::State& state, bool external)
{
    const int n = static_cast<int>(state.range(0));
    ProjectFolder& f = folder();
    std::string kind = external ? "external" : "inline";
    auto const& path = f.get(kind, n, [&](auto const& p) {
        std::ofstream out(p);
        out << "MatrixSize = " << n << "\nMatrixNumber = 2\nYMatrix = \"fst\"\nDistMatMantel = ";
        if (external) {
            out << "EXTERN \"" << (f.dir / ("rows_" + std::to_string(n) + ".txt")).string()
                << "\"\n";
            std::ofstream rows(f.dir / ("rows_" + std::to_string(n) + ".txt"));
            write_column_blocks(rows, n);
        } else {
            out << "{\n";
            write_column_blocks(out, n);
            out << "}\n";
        }
    });
    for (auto _ : state) {
        Mantel mantel;
        std::ifstream in(path);
        if (!mantel.get_settings(in))
            state.SkipWithError("the matrix was not read");
        benchmark::DoNotOptimize(mantel.Matrix1(n - 1, 0));
    }
    state.SetComplexityN(static_cast<long>(n) * (n + 1) / 2);
}
BENCHMARK_CAPTURE(BM_OldMatrixBlock, inline, false)
    ->Arg(500)->Arg(1000)->Arg(2000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OldMatrixBlock, from_file, true)
    ->Arg(500)->Arg(1000)->Arg(2000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
