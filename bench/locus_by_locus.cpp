// The locus-by-locus AMOVA at user sizes: 1,000 gene copies at 30
// multi-allelic loci with 10,000 permutations (30 AMOVAs of 3 tests of
// 10,100 permutations each), 1,000 SNP loci with 1,000 permutations, and the
// 20,000 bootstrap replicates of the average over 1,000 loci. Each reports
// the peak resident memory of the process (the records keep every locus's
// null distributions until the average is written).

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "amova/amova_table.h"
#include "app/glbobj.h"
#include "core/random.h"
#include "project/project.h"

namespace {

double peak_rss_mb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Haplotypic samples of `copies` gene copies each in two groups, one
// character per locus drawn from `alleles` letters.
std::unique_ptr<Project> make_project(int populations, int copies, int loci, int alleles,
                                      int permutations, std::fstream& out)
{
    initialize_drovalen_global_objects();
    auto p = std::make_unique<Project>();
    ProfileSettings::DataType = STANDARD;
    ProfileSettings::LocusSeparator = 0;
    p->profile.GenotypicData = 0;
    static_cast<ProfileSettings&>(*p->samples) = p->profile;
    std::mt19937 gen(3);
    std::uniform_int_distribution<int> letter(0, alleles - 1);
    for (int k = 0; k < populations; ++k) {
        std::string name = "pop" + std::to_string(k);
        Population* pop = new Population(my_string(name.c_str()), k, p->profile);
        pop->alleleDB = &p->allele_db;
        for (int c = 0; c < copies; ++c) {
            std::string content;
            for (int l = 0; l < loci; ++l)
                content += static_cast<char>('A' + (letter(gen) + k * (l % 2)) % alleles);
            my_string text(content.c_str());
            HaploDef* def = p->haplo_list.find(text);
            if (!def) {
                std::string id = "h" + std::to_string(p->haplo_list.list.count);
                def = new HaploDef(my_string(id.c_str()));
                def->content = text;
                p->haplo_list.list.Add(def);
            }
            def->count += 1;
            pop->haplotypes.Add(new PHaploDef(def, 1));
            pop->SampleSize += 1;
            pop->num_haplotypes += 1;
        }
        p->samples->Populations.Add(pop);
    }
    p->samples->Populations.data[0]->make_all_blanks(0);
    p->build_all_vectors(p->allele_db);
    Structure& st = *p->structure;
    st.NbGroups = 2;
    st.GroupSizes = new int[2]();
    st.Groups = new MY_TIArrayAsVector<Population>[2];
    for (int k = 0; k < populations; ++k) {
        int g = k * 2 / populations;
        st.Groups[g].owns = 0;
        st.Groups[g].Add(p->samples->Populations.data[k]);
        st.GroupSizes[g] += 1;
        st.NbMembers += 1;
    }
    settings& s = p->run_settings;
    s.results_stream = &out;
    s.TaskNumber = settings::AMOVA;
    s.LocByLocAMOVA = 1;
    s.HaplAMOVA = 0;
    s.ComputeDistanceMatrixAMOVA = 1;
    s.ComputeConventionalFST = 0;
    s.IncludeIndividualLevel = 0;
    s.NumPermutationsAMOVA = permutations;
    s.KeepNullDistrib = 0;
    s.PopSpecificFST = s.PopSpecificFIS = 0;
    s.ComputePairwiseFST = s.ComputeDeltaMuSqr = s.PrintMissIntermatchs = 0;
    s.current_samples = p->samples;
    return p;
}

std::string scratch_file()
{
    return (std::filesystem::temp_directory_path() / "bench_locus_by_locus.txt").string();
}

void run_loci(benchmark::State& state, int populations, int copies, int loci, int alleles,
              int permutations)
{
    std::fstream out(scratch_file(), std::ios::out | std::ios::trunc);
    auto p = make_project(populations, copies, loci, alleles, permutations, out);
    long seed = -9;
    ran3(&seed);
    for (auto _ : state)
        p->LocusByLocusAMOVA(&out);
    state.counters["peak_rss_MB"] = peak_rss_mb();
}

void BM_ThirtyLociTenThousandPermutations(benchmark::State& state)
{
    run_loci(state, 4, 250, 30, 8, 10000);
}
BENCHMARK(BM_ThirtyLociTenThousandPermutations)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ThousandSnpLociThousandPermutations(benchmark::State& state)
{
    run_loci(state, 4, 25, 1000, 2, 1000);
}
BENCHMARK(BM_ThousandSnpLociThousandPermutations)->Iterations(1)->Unit(benchmark::kMillisecond);

// The average over 1,000 loci without tests: its time is the bootstrap's.
void BM_BootstrapOverThousandLoci(benchmark::State& state)
{
    AMOVA_table table;
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    for (int i = 0; i < 1000; ++i) {
        amova_results* r = new amova_results;
        r->locus = i;
        r->amova_case = 3;
        r->var_1 = value(gen) * 0.1;
        r->var_2 = value(gen) * 0.1;
        r->var_3 = value(gen);
        r->var_total = r->var_1 + r->var_2 + r->var_3;
        table.records.Add(r);
    }
    std::fstream out(scratch_file(), std::ios::out | std::ios::trunc);
    for (auto _ : state)
        table.print_average_loci(out, nullptr);
}
BENCHMARK(BM_BootstrapOverThousandLoci)->Unit(benchmark::kMillisecond);

}  // namespace
