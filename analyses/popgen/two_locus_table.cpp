// The two-locus contingency table of a haplotypic sample: gene copies counted
// by their allele at each of two loci (Slatkin 1994), the table on which the
// exact test of linkage disequilibrium walks and the coefficients are read.

#include <algorithm>
#include <new>

#include "analyses/popgen/pop_genetics.h"
#include "core/errors.h"

bool PopGenetics::missing_allele(TAllele const* a) const
{
    return !a || (a->name.length > 0 && a->name.str[0] == profile.MissingData);
}

int PopGenetics::two_locus_alleles(int first, int second, std::vector<TAllele const*>& rows,
                                   std::vector<TAllele const*>& columns) const
{
    rows.clear();
    columns.clear();
    for (int i = 0; i < haplotypes.count; ++i) {
        MY_TIArrayAsVector<TAllele> const& alleles = haplotypes.data[i]->haplotype->haplovect;
        if (first < 0 || second < 0 || first >= alleles.count || second >= alleles.count)
            return 0;
        TAllele const* a1 = alleles.data[first];
        TAllele const* a2 = alleles.data[second];
        if (missing_allele(a1) || missing_allele(a2))
            continue;
        // Alleles are one object each, so identity tells them apart.
        if (std::find(rows.begin(), rows.end(), a1) == rows.end())
            rows.push_back(a1);
        if (std::find(columns.begin(), columns.end(), a2) == columns.end())
            columns.push_back(a2);
    }
    return 1;
}

int PopGenetics::make_all_table(int* dims)
{
    const char* where = "PopGenetics::make_all_table()";
    monomorphic_locus = 0;
    const int first = dims[1];
    const int second = dims[2];
    std::vector<TAllele const*> rows, columns;
    if (!two_locus_alleles(first, second, rows, columns)) {
        E.error(ERROR, where, 60);
        return 0;
    }
    if (rows.size() < 2 || columns.size() < 2) {
        contingency_table = nullptr;
        dims[0] = dims[1] = 0;
        monomorphic_locus = 1;
        return 0;
    }

    // Two spare rows and columns, always 0, never addressed.
    const int R = static_cast<int>(rows.size());
    const int C = static_cast<int>(columns.size());
    dims[0] = R;
    contingency_table = new (std::nothrow) int*[R + 2]();
    for (int r = 0; contingency_table && r < R + 2; ++r) {
        contingency_table[r] = new (std::nothrow) int[C + 2]();
        if (!contingency_table[r])
            clear_table(dims);
    }
    if (!contingency_table) {
        dims[0] = dims[1] = 0;
        E.error(MEMORY, where, 0);
        return 0;
    }
    for (int i = 0; i < haplotypes.count; ++i) {
        PHaploDef const& record = *haplotypes.data[i];
        TAllele const* a1 = record.haplotype->haplovect.data[first];
        TAllele const* a2 = record.haplotype->haplovect.data[second];
        if (missing_allele(a1) || missing_allele(a2))
            continue;
        const auto r = std::find(rows.begin(), rows.end(), a1) - rows.begin();
        const auto c = std::find(columns.begin(), columns.end(), a2) - columns.begin();
        contingency_table[r][c] += record.count;
    }
    dims[1] = C;
    return 1;
}
