// Overhead of the analysis run itself. With TaskNumber 0 a run cleans the
// project file into its results folder, writes the result browser, reads the
// project, checks the tasks and prepares the data, and closes the results:
// the run is timed next to reading the same file alone (Project::newOpen),
// and next to reading with the data preparation of the task checks, on large
// generated projects of microsatellite genotypes and mitochondrial sequences.
// The group level is timed by the pooling of 100 samples into 20 groups, for
// haplotypic (next to reading that project) and for genotypic data.

#include "project/project.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/startup.h"
#include "bench/bench_projects.h"

namespace fs = std::filesystem;

namespace {

const int GROUPS = 20;

// The samples in GROUPS groups of consecutive samples.
void write_structure(std::ostream& out, int samples)
{
    out << "[[Structure]]\n\tStructureName=\"benchmark\"\n\tNbGroups=" << GROUPS << "\n";
    int per_group = samples / GROUPS;
    for (int g = 0; g < GROUPS; ++g) {
        out << "\tGroup={\n";
        for (int s = g * per_group; s < (g + 1) * per_group; ++s)
            out << "\t\t\"pop " << s << "\"\n";
        out << "\t}\n";
    }
}

// The generated projects, with the structure of GROUPS groups where there are
// enough samples, and the settings of the runs (TaskNumber 0), in a temporary
// folder that is removed at exit.
class Workspace {
public:
    Workspace()
    {
        DrovalenExeDirectory = (folder.dir.string() + "/").c_str();
        std::ofstream(folder.dir / "run.drs") << "[Setting for Calculations]\nTaskNumber=0\n";
    }

    fs::path const& dir() const { return folder.dir; }

    fs::path const& get(std::string const& kind, int size)
    {
        return folder.get(kind, size, [&](fs::path const& path) {
            std::ofstream out(path);
            if (kind == "microsat")
                bench_projects::write_microsat_samples(out, size);
            else if (kind == "mtdna")
                bench_projects::write_dna_samples(out, size, 1500, 16569);
            else
                bench_projects::write_dna_samples(out, size, 200, 1000);
            if (kind == "microsat" || size >= GROUPS)
                write_structure(out, size);
        });
    }

private:
    bench_projects::ProjectFolder folder{"drov_bench_run"};
};

Workspace& workspace()
{
    static Workspace made;
    return made;
}

// What the start-up sequence does before a run.
void prepare(Project& project, fs::path const& path)
{
    settings::input_file = path.string().c_str();
    project.build_res_bac_names();
    project.run_possible = 1;
    project.run_settings.settings_file = (workspace().dir() / "run.drs").string().c_str();
    project.run_settings.keep_null_distrib_from_run_list = -1;
    project.run_settings.read_settings(project.run_settings.settings_file);
}

void read_only(benchmark::State& state, const char* kind)
{
    fs::path const& path = workspace().get(kind, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Project project;
        settings::input_file = path.string().c_str();
        if (project.newOpen() != 1)
            state.SkipWithError("the generated project was not read");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}

// Reading and the data preparation of the task checks, which the run does
// between them: what the run adds beyond both is its own overhead.
void read_and_prepare(benchmark::State& state, const char* kind)
{
    fs::path const& path = workspace().get(kind, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Project project;
        prepare(project, path);
        if (project.newOpen() != 1 || project.make_run_possible() != 1)
            state.SkipWithError("the generated project was not prepared");
        project.clean();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}

void whole_run(benchmark::State& state, const char* kind)
{
    fs::path const& path = workspace().get(kind, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Project project;
        prepare(project, path);
        if (project.run() != 1)
            state.SkipWithError("the run of the generated project failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}

void BM_newOpen_microsat(benchmark::State& state) { read_only(state, "microsat"); }
void BM_prepared_microsat(benchmark::State& state) { read_and_prepare(state, "microsat"); }
void BM_run_microsat(benchmark::State& state) { whole_run(state, "microsat"); }
void BM_newOpen_mtdna(benchmark::State& state) { read_only(state, "mtdna"); }
void BM_prepared_mtdna(benchmark::State& state) { read_and_prepare(state, "mtdna"); }
void BM_run_mtdna(benchmark::State& state) { whole_run(state, "mtdna"); }
void BM_newOpen_dna(benchmark::State& state) { read_only(state, "dna"); }

// The pooling of 100 samples into 20 groups, on a project read and prepared
// as the run does before its group level.
void pool(benchmark::State& state, const char* kind)
{
    fs::path const& path = workspace().get(kind, 100);
    Project project;
    prepare(project, path);
    if (project.newOpen() != 1 || project.make_run_possible() != 1) {
        state.SkipWithError("the generated project was not prepared");
        return;
    }
    for (auto _ : state) {
        Samples pooled;
        Structure flat;
        static_cast<ProfileSettings&>(pooled) = *project.samples;
        project.poolSamplesInGroups(*project.samples, *project.structure, pooled, flat);
        benchmark::DoNotOptimize(pooled.Populations.count);
    }
    project.clean();
}

void BM_pool_20_groups_dna(benchmark::State& state) { pool(state, "dna"); }
void BM_pool_20_groups_microsat(benchmark::State& state) { pool(state, "microsat"); }

BENCHMARK(BM_newOpen_microsat)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_prepared_microsat)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_run_microsat)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_newOpen_mtdna)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_prepared_mtdna)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_run_mtdna)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_newOpen_dna)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_pool_20_groups_dna)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_pool_20_groups_microsat)->Unit(benchmark::kMillisecond);

}  // namespace
