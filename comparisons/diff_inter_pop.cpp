// Exact test of population differentiation: the contingency tables and the
// Markov chain over tables with fixed margins (Raymond and Rousset 1995,
// after the chain of Guo and Thompson 1992).

#include "comparisons/diff_inter_pop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/population.h"
#include "project/samples.h"

namespace {

// Uniform index in [0, n), drawn again while it equals `excluded` or n.
int draw_index(int n, int excluded, long& idum)
{
    int i;
    do
        i = static_cast<int>(n * ran3(&idum));
    while (i == n || i == excluded);
    return i;
}

}  // namespace

double swap_cells(int* r1, int* r2, int c1, int c2, long& idum)
{
    const std::int64_t num = static_cast<std::int64_t>(r1[c1]) * r2[c2];
    const std::int64_t den = static_cast<std::int64_t>(r1[c2] + 1) * (r2[c1] + 1);
    const double ratio = static_cast<double>(num) / static_cast<double>(den);
    // A ratio below 1 draws its uniform even when it is 0 (a cell would go
    // below zero), so that the stream of draws does not depend on the table.
    if (ratio < 1.0 && (ran3(&idum) > ratio || ratio == 0.0))
        return 1.0;
    --r1[c1];
    --r2[c2];
    ++r1[c2];
    ++r2[c1];
    return ratio;
}

double DiffInterPop::swap_in_table(long& idum, int const& k)
{
    const int a = draw_index(k, k, idum);
    const int b = draw_index(k, a, idum);
    if (table.size() < 2 || a >= num_columns || b >= num_columns) {
        E.error(ERROR, "DiffInterPop::swap_in_table()", 60);
        return 1.0;
    }
    return swap_cells(table[0].data(), table[1].data(), a, b, idum);
}

double DiffInterPop::swap_in_table2(long& idum, int const& k)
{
    const int r = static_cast<int>(table.size());
    const int row1 = draw_index(r, r, idum);
    const int col1 = draw_index(k, k, idum);
    const int row2 = draw_index(r, row1, idum);
    const int col2 = draw_index(k, col1, idum);
    if (col1 >= num_columns || col2 >= num_columns) {
        E.error(ERROR, "DiffInterPop::swap_in_table2()", 60);
        return 1.0;
    }
    return swap_cells(table[row1].data(), table[row2].data(), col1, col2, idum);
}

void DiffInterPop::clean_table()
{
    table.clear();
    num_columns = 0;
}

// The rows of a table of all samples go the same way as those of a pair.
void DiffInterPop::clean_big_table()
{
    clean_table();
}

void DiffInterPop::release_table(bool all_samples)
{
    if (all_samples)
        clean_big_table();
    else
        clean_table();
}

bool DiffInterPop::uses_genotype_table() const
{
    return samples->GenotypicData && !samples->GameticPhase;
}

// Columns in order of first occurrence: haplotype definitions (the same
// object), or individuals' genotypes (equal whatever the order of the two
// alleles at a locus), one row per sample.
int DiffInterPop::build_table(std::vector<Population*> const& rows, bool genotypes)
{
    clean_table();
    std::vector<std::vector<int>> cells(rows.size());
    std::unordered_map<HaploDef const*, int> haplo_column;
    std::vector<TPhenotype const*> genotype_column;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<int>& row = cells[r];
        auto add = [&row](int column, int count) {
            if (column >= static_cast<int>(row.size()))
                row.resize(column + 1, 0);
            row[column] += count;
        };
        if (genotypes) {
            MY_TIArrayAsVector<TPhenotype> const& ind = rows[r]->individuals.phenotypes;
            for (int i = 0; i < ind.count; ++i) {
                TPhenotype const* x = ind.data[i];
                std::size_t c = 0;
                while (c < genotype_column.size() && !(*genotype_column[c] == *x))
                    ++c;
                if (c == genotype_column.size())
                    genotype_column.push_back(x);
                add(static_cast<int>(c), static_cast<int>(x->count));
            }
        } else {
            MY_TIArrayAsVector<PHaploDef> const& recs = rows[r]->haplotypes;
            for (int i = 0; i < recs.count; ++i) {
                auto found = haplo_column.emplace(recs.data[i]->haplotype,
                                                  static_cast<int>(haplo_column.size()));
                add(found.first->second, recs.data[i]->count);
            }
        }
    }
    const int k = static_cast<int>(genotypes ? genotype_column.size() : haplo_column.size());
    if (k < 2)
        return 0;
    for (std::vector<int>& row : cells)
        row.resize(k, 0);
    table.swap(cells);
    num_columns = k;
    return 1;
}

int DiffInterPop::build_all_table(Population* a, Population* b)
{
    return build_table({a, b}, false);
}

int DiffInterPop::build_pheno_table(Population* a, Population* b)
{
    return build_table({a, b}, true);
}

int DiffInterPop::build_all_table()
{
    MY_TIArrayAsVector<Population>& pops = samples->Populations;
    return build_table(std::vector<Population*>(pops.data, pops.data + pops.count), false);
}

int DiffInterPop::build_pheno_table()
{
    MY_TIArrayAsVector<Population>& pops = samples->Populations;
    return build_table(std::vector<Population*>(pops.data, pops.data + pops.count), true);
}

int DiffInterPop::build_observed_table(bool all_samples)
{
    const bool genotypes = uses_genotype_table();
    if (all_samples)
        return genotypes ? build_pheno_table() : build_all_table();
    Population* a = samples->Populations[first_sample];
    Population* b = samples->Populations[second_sample];
    return genotypes ? build_pheno_table(a, b) : build_all_table(a, b);
}

bool DiffInterPop::every_category_unique(bool all_samples)
{
    if (!build_observed_table(all_samples))
        return false;
    bool unique = true;
    for (int c = 0; c < num_columns && unique; ++c) {
        long long total = 0;
        for (std::vector<int> const& row : table)
            total += row[c];
        unique = total == 1;
    }
    release_table(all_samples);
    return unique;
}

void DiffInterPop::make_sample_test()
{
    run_chain(true);
}

void DiffInterPop::make_diff_test()
{
    run_chain(false);
}

// Batches of b steps, each restarting from the observed table after its own
// dememorisation; a hit is a table not more probable than the observed one,
// judged from the running sum of the logarithms of the accepted ratios. A
// chain that cannot run leaves P = -1 and marks the test as failed.
void DiffInterPop::run_chain(bool all_samples)
{
    prob = -1.0;
    prob_sd = 0.0;
    settings& s = *run_settings;
    const int S = s.NumPermutPopDiff;
    if (S <= 0) {
        test_failed = 1;
        return;
    }
    const int b = S < 20000 ? 2000 : S <= 50000 ? 5000 : 10000;
    const int B = std::max(S, 20000) / b;
    long idum = 1;
    double sd = 1.0, P = 0.0;
    long long hits = 0, steps = 0;
    std::vector<double> batch_p;
    batch_p.reserve(B);
    if (!build_observed_table(all_samples)) {
        test_failed = 1;
        prob = -1.0;
        prob_sd = 1.0;
        return;
    }
    // Every batch starts from the observed table, built once.
    const std::vector<std::vector<int>> observed = table;
    const int cols = num_columns;
    for (int k = 0; k < B; ++k) {
        if (k > 0)
            table = observed;
        if (s.stop_requested) {
            release_table(all_samples);
            test_failed = 1;
            return;
        }
        auto step = [&]() {
            return all_samples ? swap_in_table2(idum, cols) : swap_in_table(idum, cols);
        };
        // The sum runs over up to 10^5 terms: it is kept in extended
        // precision, while each term's double logarithm is exact enough and
        // much faster. A refused step returns 1.0, whose logarithm adds nothing.
        long double L = 0.0L;
        auto advance = [&]() {
            const double ratio = step();
            if (ratio != 1.0)
                L += std::log(ratio);
        };
        for (int d = 0; d < s.NumDememoPopDiff; ++d)
            advance();
        long long batch_hits = 0;
        for (int i = 0; i < b; ++i) {
            advance();
            if (L <= 1e-6L)
                ++batch_hits;
        }
        hits += batch_hits;
        steps += b;
        batch_p.push_back(static_cast<double>(batch_hits) / b);
        P = static_cast<double>(hits) / static_cast<double>(steps);
        bool last = false;
        if (k >= 2) {
            double sum = 0.0;
            for (int m = 0; m < k; ++m)
                sum += (batch_p[m] - P) * (batch_p[m] - P);
            sd = std::sqrt(sum / (k * (k - 1.0)));
            // The global test also stops on an exactly reached precision:
            // with 0, when its first batches all gave the same proportion.
            last = all_samples ? sd <= s.PrecProbPopDiff : sd < s.PrecProbPopDiff;
        }
        settings::global_work_done += 0.001 * b;
        settings::print_message();
        if (last)
            break;
    }
    release_table(all_samples);
    prob = P;
    prob_sd = sd;
    steps_done = static_cast<int>(steps);
}
