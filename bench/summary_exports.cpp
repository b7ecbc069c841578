// The exports of the summary report on large tables: the site frequency
// spectra of 3 samples of 40 gene copies over 100,000 biallelic sites with
// 100 bootstrap replicates (41^3 = 68,921 multidimensional cells a pass), and
// the allele-frequency files of 10,000 sites in 30 samples.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "model/allele_db.h"
#include "model/population.h"
#include "project/samples.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder for the outputs, removed with them afterwards.
struct OutputFolder {
    fs::path path;
    OutputFolder()
    {
        std::string name = (fs::temp_directory_path() / "drov_bench_XXXXXX").string();
        path = mkdtemp(name.data()) ? fs::path(name) : fs::temp_directory_path();
    }
    ~OutputFolder() { fs::remove_all(path); }
};

// `sites` loci of the alleles "0" and "1" in the pooled table and in the
// project's database; sample p holds the allele "1" at frequency
// ((site + 7 p) mod (n + 1)) / n.
void make_tables(TAlleleDB& db, Samples& samples, int num_samples, int n, int sites)
{
    for (int p = 0; p < num_samples; ++p) {
        auto* sample = new Population(my_string(("pop" + std::to_string(p)).c_str()));
        sample->SampleSize = n;
        samples.Populations.Add(sample);
    }
    PopGenetics::globalAllelicDB.destroy();
    for (int s = 0; s < sites; ++s) {
        db.InsertAllPos(s, my_string("null"), 0.0);
        for (const char* name : {"1", "0"}) {
            db.InsertAllPos(s, my_string(name), 1.0);
            PopGenetics::globalAllelicDB.InsertAllPos(s, my_string(name), 1.0);
        }
    }
    db.create_pop_freq_vector(num_samples);
    for (int s = 0; s < sites; ++s)
        for (int p = 0; p < num_samples; ++p) {
            const double derived = ((s + 7 * p) % (n + 1)) / static_cast<double>(n);
            db.loci.data[s]->alleles.data[1]->pop_freq[p] = derived;
            db.loci.data[s]->alleles.data[2]->pop_freq[p] = 1.0 - derived;
        }
}

void BM_SiteFrequencySpectraWithReplicates(benchmark::State& state)
{
    OutputFolder out;
    TAlleleDB db;
    Samples samples;
    settings s;
    make_tables(db, samples, 3, 40, 100000);
    s.allele_db = &db;
    s.results_file = (out.path / "p.htm").c_str();
    settings::input_file = (out.path / "p.drp").c_str();
    s.ComputePopSFS = s.ComputeJointSFS = s.ComputeMultiSFS = 1;
    s.NumBootSFS = static_cast<int>(state.range(0));
    for (auto _ : state)
        samples.computeAndOutputSFS(s);
    PopGenetics::globalAllelicDB.destroy();
}
BENCHMARK(BM_SiteFrequencySpectraWithReplicates)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond);

void BM_AlleleFrequencyFiles(benchmark::State& state)
{
    OutputFolder out;
    TAlleleDB db;
    Samples samples;
    settings s;
    make_tables(db, samples, 30, 20, 10000);
    s.allele_db = &db;
    s.results_file = (out.path / "p.htm").c_str();
    s.project_dir = (out.path.string() + "/").c_str();
    for (auto _ : state)
        samples.computeAndOutputAlleFreqPerPop(s);
    PopGenetics::globalAllelicDB.destroy();
}
BENCHMARK(BM_AlleleFrequencyFiles)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
