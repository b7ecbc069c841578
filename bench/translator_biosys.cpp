// Speed of reading Biosys genotype counts: 30 samples at 50 loci, each locus
// a list of 10 genotypes whose counts add up to the sample's individuals,
// become a project of made-up individuals. Measured at 1,000 and 2,000
// individuals per sample, so that the time per allele written shows whether
// the reading stays linear in the individuals.

#include "translator/imp_exp.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/bench_projects.h"

namespace fs = std::filesystem;

namespace {

const int samples = 30, loci = 50, genotypes = 10;

void write_biosys_counts(std::ostream& out, int individuals)
{
    std::mt19937 random(5);
    out << "Genotype counts benchmark\nNOTU=" << samples << ", NLOC=" << loci
        << ", CRT;\nLOCI\nSTEP DATA:\nDATYP=2\n(2X," << genotypes << "(1X,A2,A2,1X,I4))\n";
    char field[32];
    for (int s = 0; s < samples; ++s) {
        out << (s > 0 ? "NEXT\n" : "") << "pop" << s << '\n';
        for (int l = 0; l < loci; ++l) {
            out << "  ";
            int left = individuals;
            for (int g = 0; g < genotypes; ++g) {
                int count = g + 1 < genotypes ? static_cast<int>(random() % (left / 4 + 1)) : left;
                left -= count;
                std::snprintf(field, sizeof field, " %02d%02d %4d", g / 4 + 1, g % 4 + 1, count);
                out << field;
            }
            out << '\n';
        }
    }
}

bench_projects::ProjectFolder& folder()
{
    static bench_projects::ProjectFolder made("drov_bench_biosys");
    return made;
}

void BM_import_biosys_counts(benchmark::State& state)
{
    int individuals = static_cast<int>(state.range(0));
    fs::path const& source = folder().get("counts", individuals, [&](fs::path const& path) {
        std::ofstream out(path);
        write_biosys_counts(out, individuals);
    });
    std::string in = source.string(), out = (folder().dir / "import.drp").string();
    for (auto _ : state) {
        std::ofstream text(out);
        imp_exp translator;
        if (translator.import_data(FORMAT_BIOSYS, in.data(), out.data(), &text) != 1)
            state.SkipWithError("the Biosys file was not read");
    }
    state.SetItemsProcessed(state.iterations() * int64_t{samples} * individuals * loci);
}

BENCHMARK(BM_import_biosys_counts)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
