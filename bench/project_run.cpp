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

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "app/startup.h"
#include "core/errors.h"

namespace fs = std::filesystem;

namespace {

const int GROUPS = 20;

void write_profile(std::ofstream& out, const char* type, int samples, int genotypic,
                   const char* separator)
{
    out << "[Profile]\n\tTitle=\"benchmark\"\n\tNbSamples=" << samples << "\n\tDataType=" << type
        << "\n\tGenotypicData=" << genotypic << "\n\tGameticPhase=0\n\tLocusSeparator="
        << separator << "\n\tMissingData='?'\n[Data]\n[[Samples]]\n";
}

void write_sample_head(std::ofstream& out, int sample, int size)
{
    out << "\tSampleName=\"pop " << sample << "\"\n\tSampleSize=" << size
        << "\n\tSampleData={\n";
}

// The samples in GROUPS groups of consecutive samples.
void write_structure(std::ofstream& out, int samples)
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

// Microsatellite genotypes (repeat numbers 100 to 139) of `samples` samples
// of 50 individuals at 20 loci.
void write_microsat_project(fs::path const& path, int samples)
{
    std::ofstream out(path);
    const int individuals = 50, loci = 20;
    write_profile(out, "MICROSAT", samples, 1, "TAB");
    std::mt19937 random(2);
    for (int s = 0; s < samples; ++s) {
        write_sample_head(out, s, individuals);
        for (int i = 0; i < individuals; ++i) {
            out << "\t\tind" << i << "\t1";
            for (int l = 0; l < loci; ++l)
                out << '\t' << 100 + random() % 40;
            out << "\n\t\t";
            for (int l = 0; l < loci; ++l)
                out << '\t' << 100 + random() % 40;
            out << '\n';
        }
        out << "\t}\n";
    }
    write_structure(out, samples);
}

// `samples` samples of `sequences` sequences of `length` bp, each a reference
// sequence with a few random substitutions.
void write_dna_project(fs::path const& path, int samples, int sequences, int length)
{
    std::ofstream out(path);
    write_profile(out, "DNA", samples, 0, "NONE");
    std::mt19937 random(3);
    const char bases[] = "ACGT";
    std::string reference(length, 'A');
    for (char& base : reference)
        base = bases[random() % 4];
    for (int s = 0; s < samples; ++s) {
        write_sample_head(out, s, sequences);
        for (int q = 0; q < sequences; ++q) {
            std::string sequence = reference;
            for (int m = 0; m < 5; ++m)
                sequence[random() % length] = bases[random() % 4];
            out << "\t\th" << s << '_' << q << " 1 " << sequence << '\n';
        }
        out << "\t}\n";
    }
    if (samples >= GROUPS)
        write_structure(out, samples);
}

// The generated projects and the settings of the runs (TaskNumber 0), in a
// temporary folder that is removed at exit.
class Workspace {
public:
    Workspace()
    {
        std::string pattern = (fs::temp_directory_path() / "drov_bench_run_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        dir = pattern;
        E.init_log_file((dir / "Drovalen_log.txt").string().c_str(), false);
        DrovalenExeDirectory = (dir.string() + "/").c_str();
        std::ofstream(dir / "run.drs") << "[Setting for Calculations]\nTaskNumber=0\n";
    }
    ~Workspace()
    {
        E.CloseLog_file();
        fs::remove_all(dir);
    }

    fs::path const& get(std::string const& kind, int size)
    {
        std::string name = kind + "_" + std::to_string(size) + ".drp";
        auto made = paths.find(name);
        if (made != paths.end())
            return made->second;
        fs::path path = dir / name;
        if (kind == "microsat")
            write_microsat_project(path, size);
        else if (kind == "mtdna")
            write_dna_project(path, size, 1500, 16569);
        else
            write_dna_project(path, size, 200, 1000);
        return paths[name] = path;
    }

    fs::path dir;

private:
    std::map<std::string, fs::path> paths;
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
    project.run_settings.settings_file = (workspace().dir / "run.drs").string().c_str();
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
