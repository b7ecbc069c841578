// Speed of the GenePop translations: a GenePop file of 1,000 individuals (10
// samples of 100) at 10,000 SNP loci (lines of 50,000 characters) becomes a
// project, and that project (opened, prepared, written) a GenePop file again.
// Each is measured at half and at the full number of loci, so that the time
// per byte shows whether the translation stays linear.

#include "translator/imp_exp.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

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

// The project that the GenePop file translates into.
fs::path const& translated_project(int loci)
{
    return folder().get("translated", loci, [&](fs::path const& path) {
        std::string in = genepop_file(loci).string(), out = path.string();
        std::ofstream text(path);
        imp_exp translator;
        translator.diploid = 1;
        translator.import_data(FORMAT_GENEPOP, in.data(), out.data(), &text);
    });
}

void BM_import_genepop_snps(benchmark::State& state)
{
    fs::path const& source = genepop_file(static_cast<int>(state.range(0)));
    std::string in = source.string(), out = (folder().dir / "import.drp").string();
    for (auto _ : state) {
        std::ofstream text(out);
        imp_exp translator;
        translator.diploid = 1;
        if (translator.import_data(FORMAT_GENEPOP, in.data(), out.data(), &text) != 1)
            state.SkipWithError("the GenePop file was not read");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(source)));
}

void BM_export_genepop_snps(benchmark::State& state)
{
    std::string in = translated_project(static_cast<int>(state.range(0))).string();
    std::string out = (folder().dir / "export.gen").string();
    fs::path saved = fs::current_path();
    fs::current_path(folder().dir);  // the export step's results file goes there
    for (auto _ : state) {
        std::ofstream text(out);
        Project project;
        imp_exp translator;
        translator.project = &project;
        if (translator.export_data(FORMAT_GENEPOP, in.data(), out.data(), &text) != 1)
            state.SkipWithError("the project was not written");
    }
    fs::current_path(saved);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(out)));
}

const int snp_loci = 10000;

BENCHMARK(BM_import_genepop_snps)
    ->Arg(snp_loci / 2)->Arg(snp_loci)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_export_genepop_snps)
    ->Arg(snp_loci / 2)->Arg(snp_loci)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
