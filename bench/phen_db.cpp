// Speed of the loops that dominate the estimation of haplotype frequencies
// and the linkage-disequilibrium tests on genotypic data: enumerating the
// phases of individuals, one expectation-maximisation cycle, and the pooling
// of identical individuals.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/random.h"
#include "model/allele_db.h"
#include "model/phen_db.h"
#include "model/pop_haplo_db.h"

namespace {

// A sample of n individuals over L loci drawn by pick(individual, locus,
// gene copy), which names the allele of that gene copy.
template <class Pick>
void fill_sample(TPhenDB& sample, TAlleleDB& db, int n, int L, Pick pick)
{
    for (int u = 0; u < L; u++)
        db.InsertAllPos(u, my_string("null"), 0.0);
    for (int i = 0; i < n; i++) {
        TPhenotype* p = new TPhenotype(my_string(std::to_string(i).c_str()), 1.0);
        for (int copy = 0; copy < 2; copy++) {
            TPopHaplotype* h = new TPopHaplotype(' ', L);
            for (int u = 0; u < L; u++) {
                int pos = db.InsertAllPos(u, pick(i, u, copy), 1.0);
                h->alleles.Add(db.loci[u]->alleles[pos]);
            }
            p->set_pseudo_hapl(h, copy);
        }
        sample.phenotypes.Add(p);
    }
}

// 200 individuals heterozygous A/B at the first h of h + 2 loci, in random
// phases. Each individual's genotype list is released after its enumeration
// so that 200 x 2^(h-1) genotypes need not be held at once; the table of
// 2^h haplotypes is shared as in an estimation.
void BM_build_genotypes(benchmark::State& state)
{
    const int h = static_cast<int>(state.range(0));
    std::mt19937 rng(7);
    std::vector<int> phase(200 * h);
    for (int& s : phase)
        s = static_cast<int>(rng() & 1);
    TAlleleDB db;
    TPhenDB sample;
    fill_sample(sample, db, 200, h + 2, [&](int i, int u, int copy) {
        if (u >= h)
            return 'C';
        return (phase[i * h + u] ^ copy) ? 'B' : 'A';
    });
    long genotypes = 0;
    for (auto _ : state) {
        TPopHaploDB table;
        for (int i = 0; i < sample.phenotypes.count; i++) {
            TPhenotype* p = sample.phenotypes[i];
            p->num_genotypes = 0;
            p->build_genotypes(table, &db, 0, false);
            genotypes += p->genotypes.count;
            p->kill_gen_list();
        }
        benchmark::DoNotOptimize(table.haplotypes.count);
    }
    state.SetItemsProcessed(genotypes);
}
BENCHMARK(BM_build_genotypes)->Arg(10)->Arg(14)->Arg(18)->Unit(benchmark::kMillisecond);

// One expectation step, log-likelihood and maximisation step on 500
// individuals over 10 loci with three alleles each.
void BM_em_cycle(benchmark::State& state)
{
    std::mt19937 rng(11);
    TAlleleDB db;
    TPhenDB sample;
    fill_sample(sample, db, 500, 10, [&](int, int, int) { return static_cast<char>('A' + rng() % 3); });
    TPopHaploDB table;
    sample.build_all_genotypes(table, &db, 0);
    long seed = -2024;
    ran3(&seed);
    table.assign_rand_init_freq(1000);
    for (auto _ : state) {
        sample.update_genotypes();
        benchmark::DoNotOptimize(sample.calc_ln_likelihood());
        sample.update_hapl_freq(table);
        for (int i = 0; i < table.haplotypes.count; i++)
            table.haplotypes[i]->freq /= 2.0 * sample.nb_individuals();
    }
    state.counters["haplotypes"] = table.haplotypes.count;
}
BENCHMARK(BM_em_cycle)->Unit(benchmark::kMillisecond);

// Pooling 5,000 individuals over 50 loci: 1,000 distinct phenotypes, each
// repeated in random phases.
void BM_check_pheno_redundancy(benchmark::State& state)
{
    std::mt19937 rng(5);
    std::vector<std::string> kinds(1000, std::string(100, 'A'));
    for (std::string& k : kinds)
        for (char& c : k)
            c = static_cast<char>('A' + rng() % 4);
    std::vector<int> kind_of(5000);
    std::vector<int> phase(5000 * 50);
    for (int i = 0; i < 5000; i++)
        kind_of[i] = static_cast<int>(rng() % 1000);
    for (int& s : phase)
        s = static_cast<int>(rng() & 1);
    TAlleleDB db;
    TPhenDB sample;
    fill_sample(sample, db, 5000, 50, [&](int i, int u, int copy) {
        return kinds[kind_of[i]][2 * u + (copy ^ phase[i * 50 + u])];
    });
    for (auto _ : state) {
        state.PauseTiming();
        TPhenDB pooled(sample);
        state.ResumeTiming();
        pooled.check_pheno_redundancy();
        benchmark::DoNotOptimize(pooled.phenotypes.count);
    }
}
BENCHMARK(BM_check_pheno_redundancy)->Unit(benchmark::kMillisecond);

}  // namespace
