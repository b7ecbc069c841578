// Genotype table of the Hardy-Weinberg exact test and the moves of its Markov
// chain (Guo S, Thompson E 1992, Biometrics 48: 361-372).
//
// The table counts the individuals of each unordered pair of alleles in its
// upper triangle: cell (i, j) with i <= j. A move takes two genotypes {i, j}
// and {k, l} and swaps alleles between them, {i, l} and {k, j}, which keeps
// every allele count; it is accepted with the ratio of the probabilities of
// the two tables under Hardy-Weinberg proportions, which only involves the
// four cells touched.

#include <algorithm>
#include <new>

#include "analyses/haplotypes/coded_genotypes.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/population.h"

int Population::make_hw_table(int* dims)
{
    monomorphic_locus = 0;
    CodedGenotypes coded;
    if (dims[1] >= 0) {
        if (!code_locus_genotypes(individuals, dims[1], profile.MissingData, coded)) {
            E.error(ERROR, "Population::make_hw_table()", 60);
            dims[0] = 0;
            return 0;
        }
        if (coded.num_alleles < 2) {
            dims[0] = 0;
            monomorphic_locus = 1;
            return 0;
        }
    } else {
        code_gene_copies(individuals, coded);
        if (coded.num_alleles < 2) {
            dims[0] = 0;
            return 1;
        }
    }

    // Two spare rows and columns, always 0, as the tables of the
    // linkage-disequilibrium test have them.
    const int k = coded.num_alleles;
    contingency_table = new (std::nothrow) int*[k + 2]();
    dims[0] = k;
    for (int r = 0; contingency_table && r < k + 2; ++r) {
        contingency_table[r] = new (std::nothrow) int[k + 2]();
        if (!contingency_table[r])
            clear_table(dims);
    }
    if (!contingency_table) {
        dims[0] = 0;
        E.error(MEMORY, "Population::make_hw_table()", 0);
        return 0;
    }
    for (CodedGenotype const& g : coded.genotypes)
        contingency_table[std::min(g.first, g.second)][std::max(g.first, g.second)] += g.count;
    return 1;
}

void Population::clear_table(int* dims)
{
    if (!contingency_table)
        return;
    for (int r = 0; r <= dims[0] + 1; ++r)
        delete[] contingency_table[r];
    delete[] contingency_table;
    contingency_table = nullptr;
}

namespace {

// An allele index in 0 .. n-1.
inline int draw_allele(int n, long& seed)
{
    int a;
    do
        a = static_cast<int>(n * ran3(&seed));
    while (a == n);
    return a;
}

}  // namespace

double Population::swap_in_table2(int* dims, long& seed)
{
    const int n = dims[0];
    if (n < 2 || !contingency_table) {
        // No move exists, and drawing k != i would never end.
        E.error(ERROR, "Population::swap_in_table2()", 60);
        return 1.0;
    }
    const int i = draw_allele(n, seed);
    const int j = draw_allele(n, seed);
    int k, l;
    do
        k = draw_allele(n, seed);
    while (k == i);
    do
        l = draw_allele(n, seed);
    while (l == j);

    // A move that would empty a cell below 0 has ratio 0; it is known from
    // the cells it removes, without reading the others, which in the large
    // sparse tables of whole gene copies saves cache misses.
    int** T = contingency_table;
    auto N = [T](int a, int b) -> int& { return a < b ? T[a][b] : T[b][a]; };
    double r = 0.0;
    if (i == j && k == l) {
        // Two homozygotes become two copies of one heterozygote.
        if (T[i][i] > 0 && T[k][k] > 0) {
            const double het = N(i, k);
            r = 4.0 * T[i][i] * T[k][k] / ((het + 1.0) * (het + 2.0));
        }
    } else if (i == l && j == k) {
        // Two copies of one heterozygote become two homozygotes.
        const double het = N(i, j);
        if (het >= 2.0)
            r = het * (het - 1.0) / (4.0 * (T[i][i] + 1.0) * (T[j][j] + 1.0));
    } else {
        const int removed1 = N(i, j);
        const int removed2 = removed1 > 0 ? N(k, l) : 0;
        if (removed2 > 0) {
            r = static_cast<double>(removed1) * removed2 / ((N(i, l) + 1.0) * (N(k, j) + 1.0));
            if (i == j)
                r *= 2.0;
            if (k == l)
                r *= 2.0;
            if (i == l)
                r *= 0.5;
            if (k == j)
                r *= 0.5;
        }
    }
    if (ran3(&seed) >= r)
        return 1.0;
    --N(i, j);
    --N(k, l);
    ++N(i, l);
    ++N(k, j);
    return r;
}
