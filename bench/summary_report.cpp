// The summary report over the samples of a level at user sizes: 100 samples
// of mitochondrial DNA (16,569 sites) and 50 samples of 10,000 SNP loci. The
// per-sample results are set directly, so only the report is measured; its
// work grows with loci x samples.

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_standard.h"
#include "app/settings.h"
#include "project/samples.h"

namespace {

struct LevelOfSamples {
    Samples samples;
    settings s;
    std::fstream results{"/dev/null", std::ios::out};

    template <class Sample>
    LevelOfSamples(TDataType type, int n, int loci, Sample*)
    {
        ProfileSettings::DataType = type;
        PopGenetics::globalAllelicDB.destroy();
        for (int l = 0; l < loci; ++l) {
            PopGenetics::globalAllelicDB.InsertAllPos(l, my_string("A"), 3.0 * n);
            PopGenetics::globalAllelicDB.InsertAllPos(l, my_string("G"), 1.0 * n * (l % 3));
        }
        for (int i = 0; i < n; ++i) {
            auto* p = new Sample();
            p->name = ("sample_" + std::to_string(i)).c_str();
            p->SampleSize = 40;
            p->LocusExpHet.Reallocate(loci);
            p->LocusNumAlleles.Reallocate(loci);
            p->LocusGeneCopies.Reallocate(loci);
            for (int l = 0; l < loci; ++l) {
                p->LocusExpHet.Add(((i + l) % 7) / 14.0);
                p->LocusNumAlleles.Add(1 + (i + l) % 2);
                p->LocusGeneCopies.Add(40);
            }
            samples.Populations.Add(p);
        }
        s.TaskNumber = settings::STANDARD_INDICES;
        s.RecessiveAllelesEM = 0;
        s.genotypic_data = 0;
        s.results_stream = &results;
        s.results_file = "/dev/null";
        s.tree_data_file = "/dev/null";
        s.run_date = "10/12/26at12:00:00";
    }
    ~LevelOfSamples()
    {
        s.results_stream = nullptr;
        PopGenetics::globalAllelicDB.destroy();
    }
};

template <class Sample, TDataType type>
void BM_SummaryReport(benchmark::State& state)
{
    LevelOfSamples level(type, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                         static_cast<Sample*>(nullptr));
    for (auto _ : state)
        level.samples.WriteSummaryStatistics(nullptr, level.s);
    state.SetComplexityN(state.range(0) * state.range(1));
}
BENCHMARK_TEMPLATE(BM_SummaryReport, PopulDNA, DNA)
    ->Args({100, 16569})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_SummaryReport, PopulStandard, STANDARD)
    ->Args({50, 10000})
    ->Args({25, 10000})
    ->Args({50, 5000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
