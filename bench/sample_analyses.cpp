// Whole runs of the per-sample drivers at user sizes: Tajima's and Fu's tests
// with 1,000 coalescent replicates each (every replicate a genealogy, a sample
// object, its site comparison and its distance matrix), every sample analysis
// of DNA and of microsatellite projects, and the microsatellite mismatch
// distribution of squared size differences.

#include "project/project.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/startup.h"
#include "bench/bench_projects.h"

namespace fs = std::filesystem;

namespace {

const char* const kAllSampleSections = "16895";  // 0x1 to 0x100 and 0x4000

// The settings that the sections read, at their default values; a key missing
// from a settings file reads as 0.
const char* const kSectionSettings =
    "DeletionWeight=1\nTransitionWeight=1\nTranversionWeight=1\n"
    "AllowedLevelOfMissingData=0.05\nMarkovChainStepsHW=1000000\n"
    "MarkovChainDememorisationStepsHW=100000\nMarkovChainStepsLD=100000\n"
    "MarkovChainDememorisationStepsLD=1000\nSignificanceLevelLD=0.05\nInitialCondEMLD=2\n"
    "ComputeTheta=15\nMismatchDemogExp=1\nNumBootExpDem=100\nInitialConditionsEM=50\n"
    "MaximumNumOfIterationsEM=1000\nEpsilonValue=1e-7\nNumIterationsNeutralityTests=1000\n"
    "NumSimulFuTest=1000\n";

// Microsatellite genotypes of known phase (repeat numbers 100 to 119): one
// sample of `individuals` individuals at `loci` loci.
void write_microsat_sample(std::ostream& out, int individuals, int loci)
{
    out << "[Profile]\n\tTitle=\"benchmark\"\n\tNbSamples=1\n\tDataType=MICROSAT\n"
           "\tGenotypicData=1\n\tGameticPhase=1\n\tLocusSeparator=TAB\n\tMissingData='?'\n"
           "[Data]\n[[Samples]]\n";
    bench_projects::write_sample_head(out, 0, individuals);
    std::mt19937 random(5);
    for (int i = 0; i < individuals; ++i) {
        out << "\t\tind" << i << "\t1";
        for (int l = 0; l < loci; ++l)
            out << '\t' << 100 + random() % 20;
        out << "\n\t\t";
        for (int l = 0; l < loci; ++l)
            out << '\t' << 100 + random() % 20;
        out << '\n';
    }
    out << "\t}\n";
}

bench_projects::ProjectFolder& folder()
{
    static bench_projects::ProjectFolder made("drov_bench_samples");
    return made;
}

// One run of the project with these settings; the project is written once.
void run_project(benchmark::State& state, std::string const& kind, int size,
                 void (*write)(std::ostream&), std::string const& settings_text)
{
    fs::path const& path = folder().get(kind, size, [&](fs::path const& p) {
        std::ofstream out(p);
        write(out);
    });
    DrovalenExeDirectory = (folder().dir.string() + "/").c_str();
    const fs::path drs = folder().dir / (kind + ".drs");
    std::ofstream(drs) << "[Setting for Calculations]\n" << kSectionSettings << settings_text;
    for (auto _ : state) {
        Project project;
        settings::input_file = path.string().c_str();
        project.build_res_bac_names();
        project.run_possible = 1;
        project.run_settings.settings_file = drs.string().c_str();
        project.run_settings.keep_null_distrib_from_run_list = -1;
        project.run_settings.read_settings(project.run_settings.settings_file);
        if (project.run() != 1)
            state.SkipWithError("the run of the generated project failed");
    }
}

// Tajima's and Fu's tests, 1,000 replicates each, on one sample of 100
// sequences of 1,000 bp, and of 500 mitochondrial genomes of 16,569 bp.
void BM_NeutralityTests(benchmark::State& state)
{
    static int sequences, length;
    sequences = static_cast<int>(state.range(0));
    length = static_cast<int>(state.range(1));
    run_project(state, "neutrality_" + std::to_string(length), sequences,
                [](std::ostream& out) { bench_projects::write_dna_samples(out, 1, sequences, length); },
                "TaskNumber=16448\n");
}
BENCHMARK(BM_NeutralityTests)
    ->Args({100, 1000})
    ->Args({500, 16569})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Every sample analysis of 10 samples of 100 sequences of 1,000 bp, with
// 1,000 replicates of the neutrality tests.
void BM_DnaDriverAllSections(benchmark::State& state)
{
    run_project(state, "dna_all", 10,
                [](std::ostream& out) { bench_projects::write_dna_samples(out, 10, 100, 1000); },
                std::string("TaskNumber=") + kAllSampleSections + "\n");
}
BENCHMARK(BM_DnaDriverAllSections)->Unit(benchmark::kMillisecond)->Iterations(1);

// Every sample analysis of 700 microsatellite individuals at 30 loci.
void BM_MicrosatDriverAllSections(benchmark::State& state)
{
    run_project(state, "microsat_all", 700,
                [](std::ostream& out) { write_microsat_sample(out, 700, 30); },
                std::string("TaskNumber=") + kAllSampleSections + "\n");
}
BENCHMARK(BM_MicrosatDriverAllSections)->Unit(benchmark::kMillisecond)->Iterations(1);

// The mismatch distribution of squared size differences of 1,000 gene copies
// at 20 loci, with its moments fit.
void BM_MicrosatMismatchSquaredSizes(benchmark::State& state)
{
    run_project(state, "microsat_mismatch", 500,
                [](std::ostream& out) { write_microsat_sample(out, 500, 20); },
                "TaskNumber=4\nMismatchDistanceMethod=1\n");
}
BENCHMARK(BM_MicrosatMismatchSquaredSizes)->Unit(benchmark::kMillisecond);

}  // namespace
