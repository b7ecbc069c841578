// The molecular diversity, neutrality tests and mismatch tables of the
// summary report at user sizes: the substitution sites of the level and the
// private sites of each sample over 100 samples of mitochondrial DNA (16,569
// sites), and the three tables for 200 samples. The per-sample results and
// site flags are set directly, so only the report's own work is measured.

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "analyses/datatypes/popul_dna.h"
#include "app/settings.h"
#include "model/allele_db.h"
#include "project/samples.h"
#include "summary/summary_report.h"

namespace {

struct DnaLevel {
    Samples samples;
    settings s;
    TAlleleDB sites;
    std::fstream results{"/dev/null", std::ios::out};

    DnaLevel(int n, int L)
    {
        ProfileSettings::DataType = DNA;
        PopGenetics::globalSubstPolymSites.count = 0;
        for (int site = 0; site < L; ++site) {
            PopGenetics::globalSubstPolymSites.Add(site % 5 == 0);
            sites.InsertAllPos(site, my_string("~"), 0.0);
            sites.InsertAllPos(site, my_string("A"), 1.0);
            sites.InsertAllPos(site, my_string(site % 10 == 0 ? "G" : "-"), 1.0);
        }
        for (int i = 0; i < n; ++i) {
            auto* p = new PopulDNA();
            p->name = ("sample_" + std::to_string(i)).c_str();
            p->alleleDB = &sites;
            p->ArbitraryHaplotype.content = std::string(static_cast<std::size_t>(L), 'A').c_str();
            p->LocusUsable = new int[L];
            p->renew_polymorphism_flags(L);
            p->SiteTransitions = new int[L];
            p->SiteTransversions = new int[L];
            for (int site = 0; site < L; ++site) {
                const bool varies = (site + i) % 50 == 0;
                p->LocusUsable[site] = 1;
                p->locus_polymorphic[site] = varies;
                p->SiteTransitions[site] = varies && site % 2;
                p->SiteTransversions[site] = varies && !(site % 2);
            }
            p->SampleSize = 40;
            p->ThetaK = p->ThetaS = p->ThetaPi = p->ThetaHom = 1.5;
            samples.Populations.Add(p);
        }
        s.TaskNumber = settings::MOLECULAR_DIVERSITY | settings::MISMATCH_DISTRIBUTION
                       | settings::TAJIMA_TEST | settings::EWENS_WATTERSON_TEST
                       | settings::CHAKRABORTY_TEST | settings::FU_FS_TEST;
        s.ComputeTheta = 15;
        s.MismatchDemogExp = s.MismatchSpatialExp = true;
        s.NumBootExpDem = 100;
        s.RecessiveAllelesEM = 0;
        s.genotypic_data = 0;
        s.results_stream = &results;
        s.results_file = "/dev/null";
        s.tree_data_file = "/dev/null";
        s.run_date = "10/12/26at12:00:00";
    }
    ~DnaLevel()
    {
        s.results_stream = nullptr;
        PopGenetics::globalSubstPolymSites.count = 0;
    }
};

void BM_SubstitutionAndPrivateSites(benchmark::State& state)
{
    DnaLevel level(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(substitution_site_total(level.samples));
        level.samples.computeNumPrivateSubstSitesPerPop(level.s);
    }
    state.SetComplexityN(state.range(0) * state.range(1));
}
BENCHMARK(BM_SubstitutionAndPrivateSites)->Args({100, 16569})->Unit(benchmark::kMillisecond);

void BM_MolecularNeutralityMismatchTables(benchmark::State& state)
{
    DnaLevel level(static_cast<int>(state.range(0)), 200);
    for (auto _ : state)
        level.samples.WriteSummaryStatistics(nullptr, level.s);
}
BENCHMARK(BM_MolecularNeutralityMismatchTables)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
