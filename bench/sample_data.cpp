// Reading SampleData blocks: many haplotype lines citing a few thousand
// identifiers, long DNA sequences (mitochondrial genomes of 16,569 bp), and
// genotypes of many loci with a blank between alleles. Each benchmark runs
// at a quarter, a half and the whole of its size, so that the fitted
// complexity shows whether reading grows linearly with the block.

#include <benchmark/benchmark.h>

#include <random>
#include <sstream>
#include <string>

#include "model/haplo_db.h"
#include "model/population.h"

namespace {

// Haplotype lines: the first line of each identifier gives its 20-bp
// sequence, the others cite it with a count.
std::string haplotype_lines(int lines, int ids)
{
    std::mt19937 gen(1);
    std::string block;
    for (int i = 0; i < lines; i++) {
        block += "h" + std::to_string(i % ids) + " 1";
        if (i < ids) {
            block += ' ';
            for (int s = 0; s < 20; s++)
                block += "ACGT"[gen() % 4];
        }
        block += '\n';
    }
    return block + "}\n";
}

std::string dna_sequences(int sequences, int length)
{
    std::mt19937 gen(2);
    std::string block;
    for (int i = 0; i < sequences; i++) {
        block += "seq" + std::to_string(i) + " 1 ";
        for (int s = 0; s < length; s++)
            block += "ACGT"[gen() % 4];
        block += '\n';
    }
    return block + "}\n";
}

// Two lines per individual, microsatellite sizes between 100 and 199.
std::string genotypes(int individuals, int loci)
{
    std::mt19937 gen(3);
    std::string block;
    for (int i = 0; i < individuals; i++) {
        block += "ind" + std::to_string(i) + " 1";
        for (int copy = 0; copy < 2; copy++) {
            for (int l = 0; l < loci; l++)
                block += " " + std::to_string(100 + gen() % 100);
            block += '\n';
        }
    }
    return block + "}\n";
}

// Reads the block into a new sample and a new haplotype list per iteration.
void read_block(benchmark::State& state, std::string const& block, double sample_size,
                bool genotypic)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::istringstream in(block);
        Haplo_DB list;
        Population sample;
        sample.SampleSize = sample_size;
        my_string line;
        int line_number = 0;
        state.ResumeTiming();
        int ok = genotypic ? sample.New_read_genotypic_data(in, 0, line_number, line)
                           : sample.New_read_gametic_data(in, list, 0, line_number, line);
        if (!ok)
            state.SkipWithError("the block was refused");
        benchmark::DoNotOptimize(sample.SampleSize);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(block.size()));
    state.SetComplexityN(static_cast<int64_t>(block.size()));
}

void BM_HaplotypeIdentifiers(benchmark::State& state)
{
    ProfileSettings::DataType = DNA;
    ProfileSettings::LocusSeparator = 0;
    int lines = static_cast<int>(state.range(0));
    read_block(state, haplotype_lines(lines, lines / 4), lines, false);
}
BENCHMARK(BM_HaplotypeIdentifiers)->Arg(5000)->Arg(10000)->Arg(20000)
    ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_MitochondrialSequences(benchmark::State& state)
{
    ProfileSettings::DataType = DNA;
    ProfileSettings::LocusSeparator = 0;
    int sequences = static_cast<int>(state.range(0));
    read_block(state, dna_sequences(sequences, 16569), sequences, false);
}
BENCHMARK(BM_MitochondrialSequences)->Arg(375)->Arg(750)->Arg(1500)
    ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_GenotypesOfManyLoci(benchmark::State& state)
{
    ProfileSettings::DataType = MICROSAT;
    ProfileSettings::LocusSeparator = ' ';
    int individuals = static_cast<int>(state.range(0));
    read_block(state, genotypes(individuals, 5000), individuals, true);
}
BENCHMARK(BM_GenotypesOfManyLoci)->Arg(250)->Arg(500)->Arg(1000)
    ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
