// The per-sample driver and the table it shares between samples.
//
// The Stirling-number table of the infinite-allele statistics is built at
// 200 x 80 when a level first needs it, grown by its consumers up to the
// largest table (5,000 x 1,000, for samples of nearly 5,000 gene copies) and
// shrunk to 5 x 5 at the end of every level: each step is timed alone, and
// the three as one level does them. The frame of the driver alone (every
// section selected, sections without analyses yet) is timed over a level of
// 1,000 samples: banner, tree entry, title boxes, references, progress and
// gene diversity of each sample, which should stay small next to the
// analyses.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "app/settings.h"
#include "bench/bench_projects.h"

namespace {

void reset_table()
{
    PopGenetics::BMat.re_allocate_matrix(0, 0);
    PopGenetics::_B_num_exist = 0;
}

void BM_StandardTable(benchmark::State& state)
{
    PopGenetics sample;
    for (auto _ : state) {
        reset_table();
        benchmark::DoNotOptimize(sample.get_B_num_mat());
    }
}
BENCHMARK(BM_StandardTable)->Unit(benchmark::kMicrosecond);

// 4,990 gene copies and 990 alleles ask for the largest table.
void BM_LargestTable(benchmark::State& state)
{
    for (auto _ : state) {
        reset_table();
        benchmark::DoNotOptimize(PopGenetics::grow_B_num_mat(4990, 990));
    }
    state.counters["rows"] = PopGenetics::BMat.n;
}
BENCHMARK(BM_LargestTable)->Unit(benchmark::kMillisecond);

void BM_ShrinkAfterALevel(benchmark::State& state)
{
    PopGenetics sample;
    for (auto _ : state) {
        state.PauseTiming();
        PopGenetics::grow_B_num_mat(4990, 990);
        state.ResumeTiming();
        sample.clean_bnum();
    }
}
BENCHMARK(BM_ShrinkAfterALevel)->Unit(benchmark::kMillisecond);

void BM_TableOfALevel(benchmark::State& state)
{
    PopGenetics sample;
    for (auto _ : state) {
        reset_table();
        sample.get_B_num_mat();
        PopGenetics::grow_B_num_mat(4990, 990);
        sample.clean_bnum();
    }
}
BENCHMARK(BM_TableOfALevel)->Unit(benchmark::kMillisecond);

// A level of DNA samples of 20 gene copies in 4 haplotypes.
class Level {
public:
    static constexpr int kSamples = 1000;

    Level()
    {
        for (int h = 0; h < 4; ++h) {
            definitions.push_back(std::make_unique<HaploDef>(my_string(("h" + std::to_string(h)).c_str())));
            definitions.back()->content = "ACGTACGTAC";
        }
        for (int i = 0; i < kSamples; ++i) {
            auto p = std::make_unique<PopulDNA>();
            p->name = ("pop " + std::to_string(i)).c_str();
            p->sample_index = i;
            for (int h = 0; h < 4; ++h)
                p->haplotypes.Add(new PHaploDef(definitions[h].get(), 2 + 2 * h));
            p->num_haplotypes = 4;
            p->SampleSize = 20;
            samples.push_back(std::move(p));
        }
        s.TaskNumber = 0x41ff | settings::PAIRWISE_DISTANCES;
        s.ComputeTheta = settings::THETA_HOM;
        s.run_date = "01/01/25 at 00:00:00";
        s.results_file = (folder.dir / "level.htm").string().c_str();
        s.tree_data_file = (folder.dir / "level.js").string().c_str();
    }

    // The results and tree files start empty.
    void open_files()
    {
        results.close();
        results.open(s.results_file.str, std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        std::ofstream(s.tree_data_file.str, std::ios::trunc);
    }

    void run()
    {
        for (auto& p : samples)
            p->test_methods(s);
    }

private:
    bench_projects::ProjectFolder folder{"drov_bench_driver"};
    std::vector<std::unique_ptr<HaploDef>> definitions;
    std::vector<std::unique_ptr<PopulDNA>> samples;
    std::fstream results;

public:
    settings s;
};

void BM_DriverFrameOfALevel(benchmark::State& state)
{
    Level level;
    for (auto _ : state) {
        state.PauseTiming();
        level.open_files();
        state.ResumeTiming();
        level.run();
    }
    level.s.results_stream = nullptr;
    state.SetItemsProcessed(state.iterations() * Level::kSamples);
}
BENCHMARK(BM_DriverFrameOfALevel)->Unit(benchmark::kMillisecond);

}  // namespace
