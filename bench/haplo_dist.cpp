// Reading a large user-defined distance matrix and a haplotype list of whole
// mitochondrial genomes, turning the list into allele pointers, and searching
// it by content.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/allele_db.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "project/profile_settings.h"

namespace {

constexpr int kMatrixRows = 5000;     // 12.5 million distances
constexpr int kHaplotypes = 10000;
constexpr int kSites = 16569;         // length of the human mitochondrial genome

// Matrix data with the labels on their own line, one row per line.
const std::string& matrix_text()
{
    static const std::string text = [] {
        std::string t;
        t.reserve(static_cast<std::size_t>(kMatrixRows) * (kMatrixRows + 1) * 3 + 100000);
        for (int i = 0; i < kMatrixRows; ++i)
            t += "h" + std::to_string(i) + ' ';
        t += '\n';
        char value[16];
        for (int i = 0; i < kMatrixRows; ++i) {
            for (int j = 0; j <= i; ++j) {
                std::snprintf(value, sizeof value, "%.3f ", i == j ? 0.0 : ((i * 7 + j * 13) % 1000) / 1000.0);
                t += value;
            }
            t += '\n';
        }
        t += "}\n";
        return t;
    }();
    return text;
}

void BM_ReadDistanceMatrix(benchmark::State& state)
{
    const std::string& text = matrix_text();
    for (auto _ : state) {
        state.PauseTiming();
        std::istringstream in(text);
        DistMat matrix;
        matrix.label_position = DistMat::LINE;
        matrix.initializeMatrixAndArrays(kMatrixRows);
        int line = 0;
        state.ResumeTiming();
        bool ok = matrix.ReadDistanceMatrix(in, false, line);
        benchmark::DoNotOptimize(ok);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kMatrixRows) *
                            (kMatrixRows + 1) / 2);
}
BENCHMARK(BM_ReadDistanceMatrix)->Unit(benchmark::kMillisecond)->Iterations(3);

// Sequences that differ from one reference at a few dozen sites, as the
// haplotypes of one species do.
const std::vector<std::string>& sequences()
{
    static const std::vector<std::string> seqs = [] {
        std::mt19937 gen(2024);
        std::uniform_int_distribution<int> base(0, 3), site(0, kSites - 1);
        const char bases[] = "ACGT";
        std::string reference(kSites, 'A');
        for (char& c : reference)
            c = bases[base(gen)];
        std::vector<std::string> out(kHaplotypes, reference);
        for (std::string& s : out)
            for (int m = 0; m < 40; ++m)
                s[site(gen)] = bases[base(gen)];
        return out;
    }();
    return seqs;
}

const std::string& list_text()
{
    static const std::string text = [] {
        std::string t;
        for (int i = 0; i < kHaplotypes; ++i)
            t += "hap" + std::to_string(i) + ' ' + sequences()[i] + '\n';
        t += "}\n";
        return t;
    }();
    return text;
}

void BM_ReadHaplotypeListAndBuildAlleles(benchmark::State& state)
{
    ProfileSettings::DataType = DNA;
    ProfileSettings::LocusSeparator = 0;
    ProfileSettings profile;
    const std::string& text = list_text();
    std::unique_ptr<std::istringstream> in;
    std::unique_ptr<Haplo_DB> db;
    std::unique_ptr<TAlleleDB> alleles;
    for (auto _ : state) {
        state.PauseTiming();
        db.reset();  // the previous round's list and alleles are freed untimed
        alleles.reset();
        in = std::make_unique<std::istringstream>(text);
        db = std::make_unique<Haplo_DB>();
        alleles = std::make_unique<TAlleleDB>();
        int line = 0;
        state.ResumeTiming();
        db->NewReadHaplotypeList(*in, profile, false, line);
        for (int i = 0; i < db->list.count; ++i)
            db->list.data[i]->build_haplovect(alleles.get(), 0, 0, 1.0);
        benchmark::DoNotOptimize(alleles->loci.count);
    }
    state.SetItemsProcessed(state.iterations() * kHaplotypes);
}
BENCHMARK(BM_ReadHaplotypeListAndBuildAlleles)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_FindByContent(benchmark::State& state)
{
    Haplo_DB db;
    for (int i = 0; i < kHaplotypes; ++i) {
        HaploDef* h = new HaploDef(my_string(("hap" + std::to_string(i)).c_str()));
        h->content = sequences()[i].c_str();
        db.list.Add(h);
    }
    std::vector<my_string> wanted;
    for (int i = 0; i < kHaplotypes; i += 97)
        wanted.push_back(my_string(sequences()[i].c_str()));
    wanted.push_back(my_string(std::string(kSites, 'N').c_str()));  // absent
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(db.find(wanted[k]));
        k = (k + 1) % wanted.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindByContent);

}  // namespace
