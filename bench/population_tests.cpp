// Speed of the exact test of population differentiation (20 samples: the
// global table and 190 pairs, chains of 100,000 steps after 10,000
// dememorisation steps, about 4 x 10^7 steps in all) and of the assignment
// test (20 samples of 50 individuals at 15 loci, 50 EM starts per sample and
// locus).

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/settings.h"
#include "comparisons/diff_inter_pop.h"
#include "comparisons/ind_likelihood.h"
#include "core/random.h"
#include "model/allele_db.h"
#include "model/haplo_def.h"
#include "model/population.h"
#include "project/samples.h"

namespace {

const int kSamples = 20;

// Haplotype j drawn with weight 0.97^j, so that rare columns abound.
struct HaplotypeSamples {
    std::vector<std::unique_ptr<HaploDef>> defs;
    Samples samples;
    settings s;
    std::fstream sink;

    HaplotypeSamples(int columns, int size)
    {
        std::mt19937 rng(17);
        std::vector<double> weights(columns);
        for (int j = 0; j < columns; ++j) {
            weights[j] = std::pow(0.97, j);
            defs.push_back(std::make_unique<HaploDef>(my_string(("h" + std::to_string(j)).c_str())));
        }
        std::discrete_distribution<int> pick(weights.begin(), weights.end());
        for (int i = 0; i < kSamples; ++i) {
            auto* pop = new Population(my_string(("pop" + std::to_string(i)).c_str()));
            std::vector<int> counts(columns, 0);
            for (int c = 0; c < size; ++c)
                ++counts[pick(rng)];
            for (int j = 0; j < columns; ++j)
                if (counts[j] > 0)
                    pop->haplotypes.Add(new PHaploDef(defs[j].get(), counts[j]));
            samples.Populations.Add(pop);
        }
        samples.GenotypicData = 0;
        samples.GameticPhase = 1;
        sink.open("/dev/null", std::ios::out);
        s.results_stream = &sink;
        s.NumPermutPopDiff = 100000;
        s.NumDememoPopDiff = 10000;
        s.PrecProbPopDiff = 0.0;
        s.PrintHistoPopDiff = 1;
        s.SignLevelPopDiff = 0.05;
        long seed = -31;
        ran3(&seed);
    }
};

// Argument: columns (distinct haplotypes) of the project; 200 gene copies per sample.
void BM_exact_test_all_pairs(benchmark::State& state)
{
    HaplotypeSamples data(static_cast<int>(state.range(0)), 200);
    for (auto _ : state) {
        DiffInterPop test(data.s, &data.samples);
        test.make_all_tests();
    }
    state.SetItemsProcessed(state.iterations() * 191LL * 10 * (10000 + 10000));
}
BENCHMARK(BM_exact_test_all_pairs)->Arg(50)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(1);

// 20 samples x 50 individuals x 15 microsatellite loci of 8 alleles, each
// sample with its own allele weights.
struct GenotypeSamples {
    TAlleleDB db;
    Samples samples;
    settings s;
    std::fstream sink;

    GenotypeSamples(int individuals, int loci, int alleles)
    {
        std::mt19937 rng(23);
        std::uniform_real_distribution<double> u(0.2, 1.0);
        for (int i = 0; i < kSamples; ++i) {
            auto* pop = new Population(my_string(("pop" + std::to_string(i)).c_str()));
            pop->alleleDB = &db;
            pop->RecessiveAllelesEM = 0;
            std::vector<std::discrete_distribution<int>> allele;
            for (int l = 0; l < loci; ++l) {
                std::vector<double> w(alleles);
                for (double& x : w)
                    x = u(rng);
                allele.emplace_back(w.begin(), w.end());
            }
            for (int n = 0; n < individuals; ++n) {
                auto* p = new TPhenotype(my_string(("i" + std::to_string(n)).c_str()), 1.0);
                for (int copy = 0; copy < 2; ++copy) {
                    auto* h = new TPopHaplotype(' ', loci);
                    for (int l = 0; l < loci; ++l) {
                        std::string name = std::to_string(100 + 2 * allele[l](rng));
                        int pos = db.InsertAllPos(l, my_string(name.c_str()), 1.0);
                        h->alleles.Add(db.loci[l]->alleles[pos]);
                    }
                    p->set_pseudo_hapl(h, copy);
                }
                pop->individuals.phenotypes.Add(p);
            }
            samples.Populations.Add(pop);
        }
        samples.GenotypicData = 1;
        samples.GameticPhase = 0;
        sink.open("/dev/null", std::ios::out);
        s.results_stream = &sink;
        s.allele_db = &db;
        s.InitialConditionsEM = 50;
        s.MaximumNumOfIterationsEM = 1000;
        s.EMCheckPhenRedundancy = 0;
        s.RecessiveAllelesEM = 0;
        long seed = -37;
        ran3(&seed);
    }
};

void BM_assignment(benchmark::State& state)
{
    GenotypeSamples data(50, 15, 8);
    for (auto _ : state) {
        IndLikelihood test(1e-10, data.s, &data.samples);
        benchmark::DoNotOptimize(test.run());
    }
}
BENCHMARK(BM_assignment)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
