// Speed of reading whole projects with Project::newOpen, for three kinds of
// large projects: genotypes at many SNP loci, microsatellite genotypes of many
// samples, and mitochondrial sequences. Each kind is read at two sizes, so
// that the time per byte shows whether reading stays linear in the file size.
//
// The projects are generated in a temporary folder: 20 samples x 100
// individuals x 10,000 SNP loci (80 MB); 100 samples x 50 individuals x 20
// microsatellites; and 10 samples of 1,500 sequences of 16,569 bp (250 MB),
// or the full 30 samples (750 MB) with DROV_BENCH_FULL=1.

#include "project/project.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/bench_projects.h"

namespace fs = std::filesystem;

namespace {

bool full_sizes()
{
    const char* full = std::getenv("DROV_BENCH_FULL");
    return full && full[0] == '1';
}

// Genotypes of biallelic SNP loci written as 1 and 2 ("1 2 2 1 ..."): 20
// samples of 100 individuals over `loci` loci.
void write_snp_project(std::ostream& out, int loci)
{
    const int samples = 20, individuals = 100;
    bench_projects::write_profile(out, "STANDARD", samples, 1, "WHITESPACE");
    std::mt19937 random(1);
    std::string copy(2 * loci, ' ');
    for (int s = 0; s < samples; ++s) {
        bench_projects::write_sample_head(out, s, individuals);
        for (int i = 0; i < individuals; ++i) {
            for (int gene = 0; gene < 2; ++gene) {
                for (int l = 0; l < loci; ++l)
                    copy[2 * l] = (random() & 1) ? '2' : '1';
                if (gene == 0)
                    out << "\t\tind" << i << " 1 " << copy << '\n';
                else
                    out << "\t\t" << copy << '\n';
            }
        }
        out << "\t}\n";
    }
}

// The generated projects, made on first use in a temporary folder that is
// removed at exit, with the log of the reads.
fs::path const& generated_project(std::string const& kind, int size)
{
    static bench_projects::ProjectFolder folder("drov_bench");
    return folder.get(kind, size, [&](fs::path const& path) {
        std::ofstream out(path);
        if (kind == "snp")
            write_snp_project(out, size);
        else if (kind == "microsat")
            bench_projects::write_microsat_samples(out, size);
        else
            bench_projects::write_dna_samples(out, size, 1500, 16569);
    });
}

void read_project(benchmark::State& state, const char* kind)
{
    fs::path const& path = generated_project(kind, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Project project;
        settings::input_file = path.string().c_str();
        if (project.newOpen() != 1)
            state.SkipWithError("the generated project was not read");
        benchmark::DoNotOptimize(project.samples->Populations.count);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}

void BM_newOpen_snp_genotypes(benchmark::State& state)
{
    read_project(state, "snp");
}
void BM_newOpen_microsat_genotypes(benchmark::State& state)
{
    read_project(state, "microsat");
}
void BM_newOpen_mtdna_sequences(benchmark::State& state)
{
    read_project(state, "mtdna");
}

// Sizes: SNP loci, microsatellite samples, mtDNA samples; each kind read at
// the size and at half of it.
const int snp_loci = 10000;
const int microsat_samples = 100;
const int mtdna_samples = full_sizes() ? 30 : 10;

BENCHMARK(BM_newOpen_snp_genotypes)
    ->Arg(snp_loci / 2)->Arg(snp_loci)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_newOpen_microsat_genotypes)
    ->Arg(microsat_samples / 2)->Arg(microsat_samples)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_newOpen_mtdna_sequences)
    ->Arg(mtdna_samples / 2)->Arg(mtdna_samples)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
