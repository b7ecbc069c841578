// A haplotype-frequency table of 50,000 haplotypes over 16 loci: filling it
// haplotype by haplotype, and printing the table of maximum-likelihood
// frequencies (sorted by allele names).

#include <benchmark/benchmark.h>

#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <vector>

#include "model/allele_db.h"
#include "model/pop_haplo.h"
#include "model/pop_haplo_db.h"

namespace {

constexpr int kHaplotypes = 50000;
constexpr int kLoci = 16;
const char* const kNames[] = {"A", "C", "G", "T"};

// Accepts and drops everything, so that only the formatting is measured.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

struct Sample {
    TAlleleDB db;
    std::vector<TPopHaplotype> haplotypes;  // mostly distinct, in random order

    Sample()
    {
        for (int l = 0; l < kLoci; l++)
            for (const char* n : kNames)
                db.InsertAllPos(l, my_string(n), 1.0);
        std::mt19937 gen(2024);
        std::uniform_int_distribution<int> pick(0, 3);
        haplotypes.reserve(kHaplotypes);
        for (int i = 0; i < kHaplotypes; i++) {
            TPopHaplotype h(' ', kLoci);
            h.id = ("h" + std::to_string(i)).c_str();
            for (int l = 0; l < kLoci; l++)
                h.alleles.Add(db.loci[l]->alleles[pick(gen)]);
            haplotypes.push_back(h);
        }
    }

    void fill(TPopHaploDB& table) const
    {
        for (TPopHaplotype const& h : haplotypes)
            table.insert(h, 1.0 / kHaplotypes);
    }
};

Sample const& sample()
{
    static Sample s;
    return s;
}

void BM_InsertHaplotypes(benchmark::State& state)
{
    Sample const& s = sample();
    for (auto _ : state) {
        TPopHaploDB table;
        s.fill(table);
        benchmark::DoNotOptimize(table.haplotypes.count);
    }
    state.SetItemsProcessed(state.iterations() * kHaplotypes);
}
BENCHMARK(BM_InsertHaplotypes)->Unit(benchmark::kMillisecond);

void BM_PrintHaplotypeTable(benchmark::State& state)
{
    TPopHaploDB table;
    sample().fill(table);
    NullBuffer buffer;
    std::ostream out(&buffer);
    for (auto _ : state)
        table.print(out, 1, 1e-9);
    state.SetItemsProcessed(state.iterations() * table.haplotypes.count);
}
BENCHMARK(BM_PrintHaplotypeTable)->Unit(benchmark::kMillisecond);

}  // namespace
