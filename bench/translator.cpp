// Speed of the translations: a GenePop file of 1,000 individuals (10 samples
// of 100) at 10,000 SNP loci (lines of 50,000 characters) becomes a project,
// and that project (opened, prepared, written) a GenePop file again; an
// interleaved Mega file of 1,000 taxa x 30,000 bp in blocks of 60 bases and a
// Phylip file of 1,000 x 20,000 bp become projects, and the Phylip project a
// Phylip file again. Each is measured at half and at the full size, so that
// the time per byte shows whether the translation stays linear.

#include "translator/imp_exp.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_projects.h"
#include "project/project.h"

namespace fs = std::filesystem;

namespace {

void write_genepop_snps(std::ostream& out, int loci)
{
    const int samples = 10, individuals = 100;
    const char* const codes[] = {" 0101", " 0102", " 0202", " 0000"};
    std::mt19937 random(4);
    out << "SNP benchmark\n";
    for (int l = 0; l < loci; ++l)
        out << "snp" << l << '\n';
    for (int s = 0; s < samples; ++s) {
        out << "Pop\n";
        for (int i = 0; i < individuals; ++i) {
            out << "ind" << s << '_' << i << ',';
            for (int l = 0; l < loci; ++l)
                out << codes[random() % 100 == 0 ? 3 : random() % 3];
            out << '\n';
        }
    }
}

// `taxa` sequences of `length` bases, each a reference with about one
// substitution in a hundred.
std::vector<std::string> dna_sequences(int taxa, int length)
{
    std::mt19937 random(5);
    const char bases[] = "ACGT";
    std::string reference(length, 'A');
    for (char& base : reference)
        base = bases[random() % 4];
    std::vector<std::string> sequences(taxa, reference);
    for (std::string& sequence : sequences)
        for (int m = 0; m < length / 100; ++m)
            sequence[random() % length] = bases[random() % 4];
    return sequences;
}

void write_mega_interleaved(std::ostream& out, int taxa, int length)
{
    const int block = 60;
    std::vector<std::string> sequences = dna_sequences(taxa, length);
    out << "#mega\nTITLE: benchmark\n\n";
    for (int start = 0; start < length; start += block) {
        for (int t = 0; t < taxa; ++t)
            out << "#taxon" << t << "  " << sequences[t].substr(start, block) << '\n';
        out << '\n';
    }
}

void write_phylip(std::ostream& out, int taxa, int length)
{
    std::vector<std::string> sequences = dna_sequences(taxa, length);
    out << taxa << ' ' << length << '\n';
    for (int t = 0; t < taxa; ++t) {
        std::string name = "t" + std::to_string(t);
        out << name << std::string(10 - name.size(), ' ') << sequences[t] << '\n';
    }
}

bench_projects::ProjectFolder& folder()
{
    static bench_projects::ProjectFolder made("drov_bench_translator");
    return made;
}

fs::path const& genepop_file(int loci)
{
    return folder().get("genepop", loci, [&](fs::path const& path) {
        std::ofstream out(path);
        write_genepop_snps(out, loci);
    });
}

// The import step of `source` in `format` into `out` (GenePop: diploid): 1
// when it was read.
int import_once(int format, fs::path const& source, fs::path const& out)
{
    std::string in = source.string(), out_name = out.string();
    std::ofstream text(out);
    imp_exp translator;
    translator.diploid = 1;
    return translator.import_data(format, in.data(), out_name.data(), &text);
}

// The project that the file of `kind` translates into.
fs::path const& translated_project(std::string const& kind, int format, fs::path const& source,
                                   int size)
{
    return folder().get(kind + "_project", size, [&](fs::path const& path) {
        import_once(format, source, path);
    });
}

// One import of `source` in `format`, per iteration.
void import_file(benchmark::State& state, int format, fs::path const& source)
{
    for (auto _ : state)
        if (import_once(format, source, folder().dir / "import.drp") != 1)
            state.SkipWithError("the file was not read");
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(source)));
}

// One export of `project` into `format`, per iteration.
void export_file(benchmark::State& state, int format, fs::path const& project)
{
    std::string in = project.string(), out = (folder().dir / "export.txt").string();
    fs::path saved = fs::current_path();
    fs::current_path(folder().dir);  // the export step's results file goes there
    for (auto _ : state) {
        std::ofstream text(out);
        Project target;
        imp_exp translator;
        translator.project = &target;
        if (translator.export_data(format, in.data(), out.data(), &text) != 1)
            state.SkipWithError("the project was not written");
    }
    fs::current_path(saved);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(out)));
}

void BM_import_genepop_snps(benchmark::State& state)
{
    import_file(state, FORMAT_GENEPOP, genepop_file(static_cast<int>(state.range(0))));
}

void BM_export_genepop_snps(benchmark::State& state)
{
    int loci = static_cast<int>(state.range(0));
    export_file(state, FORMAT_GENEPOP,
                translated_project("genepop", FORMAT_GENEPOP, genepop_file(loci), loci));
}

void BM_import_mega_interleaved(benchmark::State& state)
{
    int taxa = static_cast<int>(state.range(0));
    import_file(state, FORMAT_MEGA, folder().get("mega", taxa, [&](fs::path const& path) {
        std::ofstream out(path);
        write_mega_interleaved(out, taxa, 30000);
    }));
}

fs::path const& phylip_file(int taxa)
{
    return folder().get("phylip", taxa, [&](fs::path const& path) {
        std::ofstream out(path);
        write_phylip(out, taxa, 20000);
    });
}

void BM_import_phylip(benchmark::State& state)
{
    import_file(state, FORMAT_PHYLIP, phylip_file(static_cast<int>(state.range(0))));
}

void BM_export_phylip(benchmark::State& state)
{
    int taxa = static_cast<int>(state.range(0));
    export_file(state, FORMAT_PHYLIP,
                translated_project("phylip", FORMAT_PHYLIP, phylip_file(taxa), taxa));
}

const int snp_loci = 10000;
const int sequence_taxa = 1000;

BENCHMARK(BM_import_genepop_snps)
    ->Arg(snp_loci / 2)->Arg(snp_loci)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_export_genepop_snps)
    ->Arg(snp_loci / 2)->Arg(snp_loci)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK(BM_import_mega_interleaved)
    ->Arg(sequence_taxa / 2)->Arg(sequence_taxa)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_import_phylip)
    ->Arg(sequence_taxa / 2)->Arg(sequence_taxa)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_export_phylip)
    ->Arg(sequence_taxa / 2)->Arg(sequence_taxa)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
