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
#include <map>
#include <random>
#include <string>

#include "core/errors.h"

namespace fs = std::filesystem;

namespace {

bool full_sizes()
{
    const char* full = std::getenv("DROV_BENCH_FULL");
    return full && full[0] == '1';
}

// The profile of a generated project.
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

// Genotypes of biallelic SNP loci written as 1 and 2 ("1 2 2 1 ..."): 20
// samples of 100 individuals over `loci` loci.
void write_snp_project(fs::path const& path, int loci)
{
    std::ofstream out(path);
    const int samples = 20, individuals = 100;
    write_profile(out, "STANDARD", samples, 1, "WHITESPACE");
    std::mt19937 random(1);
    std::string copy(2 * loci, ' ');
    for (int s = 0; s < samples; ++s) {
        write_sample_head(out, s, individuals);
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

// Microsatellite genotypes (repeat numbers 100 to 139) of `samples` samples
// of 50 individuals at 20 loci, tab-separated.
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
}

// `samples` samples of 1,500 sequences of 16,569 bp, each a reference
// sequence with a few random substitutions, so that most are distinct
// haplotypes of the project's list.
void write_mtdna_project(fs::path const& path, int samples)
{
    std::ofstream out(path);
    const int sequences = 1500, length = 16569;
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
}

// The generated projects, made on first use in a temporary folder that is
// removed at exit, with the log of the reads.
class Projects {
public:
    Projects()
    {
        std::string pattern = (fs::temp_directory_path() / "drov_bench_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        dir = pattern;
        E.init_log_file((dir / "Drovalen_log.txt").string().c_str(), false);
    }
    ~Projects()
    {
        E.CloseLog_file();
        fs::remove_all(dir);
    }

    // The project of that kind and size, generated when first asked for.
    fs::path const& get(const char* kind, int size)
    {
        std::string name = std::string(kind) + "_" + std::to_string(size) + ".drp";
        auto made = paths.find(name);
        if (made != paths.end())
            return made->second;
        fs::path path = dir / name;
        if (std::string(kind) == "snp")
            write_snp_project(path, size);
        else if (std::string(kind) == "microsat")
            write_microsat_project(path, size);
        else
            write_mtdna_project(path, size);
        return paths[name] = path;
    }

    fs::path dir;

private:
    std::map<std::string, fs::path> paths;
};

Projects& projects()
{
    static Projects made;
    return made;
}

void read_project(benchmark::State& state, const char* kind)
{
    fs::path const& path = projects().get(kind, static_cast<int>(state.range(0)));
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
