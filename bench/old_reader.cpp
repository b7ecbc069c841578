// Reading a project in the identifier syntax, as the format translator does:
// 100 samples of up to 1,000 genotyped individuals at 20 microsatellite loci,
// and 100 samples of up to 1,000 haplotypes each with an identifier of its
// own. Each benchmark runs at a quarter, a half and the whole of the sample
// size, so that the fitted complexity shows whether reading grows linearly.

#include <benchmark/benchmark.h>

#include <ostream>
#include <random>
#include <sstream>
#include <string>

#include "core/errors.h"
#include "model/haplo_db.h"
#include "project/profile_settings.h"
#include "project/samples.h"

namespace {

const int SAMPLES = 100;
const int LOCI = 20;

// Progress lines of the readers go nowhere while the benchmarks run.
class Silent {
public:
    Silent() : saved(_ZOS_) { _ZOS_ = &sink; }
    ~Silent() { _ZOS_ = saved; }

private:
    std::ostringstream sink;
    std::ostream* saved;
};

std::string genotypic_samples(int individuals)
{
    std::mt19937 gen(3);
    std::string text;
    for (int s = 0; s < SAMPLES; s++) {
        text += "SampleName = \"pop" + std::to_string(s) + "\"  SampleSize = " +
                std::to_string(individuals) + "\nSampleData = {\n";
        for (int i = 0; i < individuals; i++) {
            text += "  ind" + std::to_string(i) + " 1";
            for (int copy = 0; copy < 2; copy++) {
                for (int l = 0; l < LOCI; l++)
                    text += " " + std::to_string(100 + gen() % 100);
                text += '\n';
            }
        }
        text += "}\n";
    }
    return text;
}

// Every haplotype is new: the identifier lookups must not grow with the list.
std::string haplotypic_samples(int haplotypes)
{
    std::mt19937 gen(4);
    std::string text;
    for (int s = 0; s < SAMPLES; s++) {
        text += "SampleName = \"pop" + std::to_string(s) + "\"  SampleSize = " +
                std::to_string(haplotypes) + "\nSampleData = {\n";
        for (int i = 0; i < haplotypes; i++) {
            text += "  h" + std::to_string(s) + "_" + std::to_string(i) + " 1 ";
            for (int l = 0; l < LOCI; l++)
                text += "ACGT"[gen() % 4];
            text += '\n';
        }
        text += "}\n";
    }
    return text;
}

void read_samples(benchmark::State& state, std::string const& text, int genotypic)
{
    Silent silent;
    TDataType saved_type = ProfileSettings::DataType;
    ProfileSettings::DataType = genotypic ? MICROSAT : DNA;
    ProfileSettings profile;
    profile.NbSamples = SAMPLES;
    profile.GenotypicData = genotypic;
    for (auto _ : state) {
        Haplo_DB haplotypes;
        Samples samples;
        std::istringstream in(text);
        if (!samples.Read(in, profile, haplotypes))
            state.SkipWithError("the samples were not read");
        benchmark::DoNotOptimize(samples.Populations.count);
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
    ProfileSettings::DataType = saved_type;
}

void BM_OldReaderGenotypic(benchmark::State& state)
{
    read_samples(state, genotypic_samples(static_cast<int>(state.range(0))), 1);
}

void BM_OldReaderHaplotypic(benchmark::State& state)
{
    read_samples(state, haplotypic_samples(static_cast<int>(state.range(0))), 0);
}

}  // namespace

BENCHMARK(BM_OldReaderGenotypic)
    ->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_OldReaderHaplotypic)
    ->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
