// Variants of a sample for the tests of genotypic data: one entry per
// individual, alleles of one locus permuted among all gene copies (the null
// distribution of the linkage-disequilibrium test), and two-locus samples
// drawn from allele frequencies when recessive alleles forbid permuting.

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/random.h"
#include "model/allele.h"
#include "model/allele_db.h"
#include "model/memory_report.h"
#include "model/phen_db.h"
#include "model/pop_haplo_db.h"

namespace {

// Recessive allele (allele 0) of the locus of a table's first haplotype's
// allele, or null.
TAllele* recessive_of_table(TPopHaploDB const& table, TAlleleDB* alleles)
{
    TPopHaplotype const* first = table.haplotypes[0];
    TAllele const* a = first ? first->alleles[0] : nullptr;
    if (!a || !alleles || a->locus < 0 || a->locus >= alleles->loci.count)
        return nullptr;
    TLocus* locus = alleles->loci[a->locus];
    return locus->alleles.count > 0 ? locus->alleles[0] : nullptr;
}

// cum[0] = 0, cum[j+1] = cum[j] + frequency of haplotype j.
std::vector<double> cumulative(TPopHaploDB const& table)
{
    std::vector<double> cum(table.haplotypes.count + 1, 0.0);
    for (int j = 0; j < table.haplotypes.count; j++)
        cum[j + 1] = cum[j] + table.haplotypes[j]->freq;
    return cum;
}

// The haplotype whose interval (cum[j], cum[j+1]] holds u; a u at or below
// the first bound takes the first, one above the last bound the last, so
// that a draw always yields an allele.
TAllele* draw_allele(double u, double const* cum, int k, TPopHaploDB& table)
{
    if (k <= 0)
        return nullptr;
    int j = static_cast<int>(std::lower_bound(cum + 1, cum + k + 1, u) - (cum + 1));
    return table.haplotypes[std::min(j, k - 1)]->alleles[0];
}

}  // namespace

// Entries of integer count c become c entries of count 1: the originals keep
// their places, the copies follow at the end in the order of their
// originals. An entry standing for no whole individual (c below 1) is
// removed, so that the entries match the sample's number of individuals.
// A count that is not a whole number of individuals loses its fraction; that
// changes the sample, so it is reported with the entries concerned.
void TPhenDB::explode_base()
{
    int m = phenotypes.count;
    std::vector<bool> drop(m, false);
    std::vector<std::pair<TPhenotype const*, double>> fractional;  // entry, its count
    for (int i = 0; i < m; i++) {
        TPhenotype* p = phenotypes.data[i];
        int c = static_cast<int>(p->count + 0.0001);
        if (std::fabs(p->count - c) > 0.0001)
            fractional.emplace_back(p, p->count);
        drop[i] = c < 1;
        p->count = 1.0;
        if (c > 1)
            p->rel_freq /= c;
        for (int k = 1; k < c; k++)
            phenotypes.Add(new TPhenotype(*p));
    }
    if (!fractional.empty()) {
        E.error(ERROR, "TPhenDB::explode_base()", 120);
        for (auto const& [p, count] : fractional)
            *_ZOS_ << "	Individual \"" << p->name << "\" has a count of " << count << ": "
                   << static_cast<int>(count + 0.0001) << " individual(s) kept" << std::endl;
    }
    drop.resize(phenotypes.count, false);
    remove_entries(drop);
}

void TPhenDB::permute_alleles(int const* loci, long& seed)
{
    int k = loci[0];
    if (k != 1 && k != 2)
        E.error(ERROR, "TPhenDB::permute_alleles()", 118);
    if (k <= 0)
        return;

    // The alleles of the first locus, gene copy 1 then 2, entry by entry.
    int N = phenotypes.count;
    std::vector<TAllele**> slots;
    slots.reserve(2 * static_cast<std::size_t>(N));
    for (int i = 0; i < N; i++)
        for (TPopHaplotype* h : phenotypes.data[i]->pseudo_hapl)
            if (h && h->alleles.count > 0)
                slots.push_back(&h->alleles.data[0]);
    int n = static_cast<int>(slots.size());
    if (n != 2 * N)
        E.error(WARNING, "TPhenDB::permute_alleles", 118);

    std::vector<TAllele*> a(n);
    for (int i = 0; i < n; i++)
        a[i] = *slots[i];
    if (!ran3_shuffle(a.data(), n, seed)) {
        E.error(ERROR, "TPhenDB::permute_alleles()", 107);
        return;
    }
    for (int i = 0; i < n; i++)
        *slots[i] = a[i];
    if (n != 2 * N)
        E.error(ERROR, "TPhenDB::permute_alleles()", 119);
}

int TPhenDB::resample(int const& n, TPopHaploDB& table1, TPopHaploDB& table2, long& seed,
                      TAlleleDB* alleles)
{
    phenotypes.Flush();
    std::vector<double> cum1 = cumulative(table1);
    std::vector<double> cum2 = cumulative(table2);
    int k1 = table1.haplotypes.count;
    int k2 = table2.haplotypes.count;
    for (auto [k, total] : {std::pair(k1, cum1[k1]), std::pair(k2, cum2[k2])}) {
        if (k == 0 || std::fabs(total - 1) > 0.001) {
            *_ZOS_ << "     TPhenDB::resample:  summ of freqs is not 1" << '\n' << std::flush;
            E.error(ERROR, "TPhenDB::resample()", 169);
            return 0;
        }
    }
    TAllele* rec1 = recessive_of_table(table1, alleles);
    TAllele* rec2 = recessive_of_table(table2, alleles);
    for (int i = 0; i < n; i++) {
        TPhenotype* p = new TPhenotype();
        phenotypes.Add(p);
        p->build_resam_pheno(n, 2 * i, cum1.data(), k1, cum2.data(), k2, table1, table2, seed,
                             alleles, rec1, rec2);
    }
    return 1;
}

void TPhenDB::resample(int const&, TPopHaploDB&, long&, TAlleleDB*)
{
    phenotypes.Flush();
}

void TPhenotype::build_resam_pheno(int const& n, int const& id, double* cum1, int const& k1,
                                   double* cum2, int const& k2, TPopHaploDB& table1,
                                   TPopHaploDB& table2, long& seed, TAlleleDB*, TAllele* rec1,
                                   TAllele* rec2)
{
    with_memory_report("TPhenotype::build_resam_pheno()", [&] {
        replace_pseudo_hapl(new TPopHaplotype(), 0);
        replace_pseudo_hapl(new TPopHaplotype(), 1);
    });
    name = id;
    count = 1.0;
    rel_freq = 1.0 / n;
    prob = 0;
    num_genotypes = 0;
    num_hetero_loci = 2;

    TAllele* a1 = draw_allele(ran3(&seed), cum1, k1, table1);
    TAllele* b1 = draw_allele(ran3(&seed), cum2, k2, table2);
    TAllele* a2 = draw_allele(ran3(&seed), cum1, k1, table1);
    TAllele* b2 = draw_allele(ran3(&seed), cum2, k2, table2);
    // A recessive allele beside another allele is not seen: the individual
    // shows the other allele twice.
    if (a1 == rec1)
        a1 = a2;
    if (a2 == rec1)
        a2 = a1;
    if (b1 == rec2)
        b1 = b2;
    if (b2 == rec2)
        b2 = b1;
    pseudo_hapl[0]->build_sampled_haplo(id, a1, b1);
    pseudo_hapl[1]->build_sampled_haplo(id + 1, a2, b2);
    gene_copy[0] = "";
    gene_copy[1] = "";
}

int TPhenDB::get_num_of_deg_freed()
{
    std::unordered_set<TAllele const*> first, second;
    for (int i = 0; i < phenotypes.count; i++) {
        TPhenotype const* p = phenotypes.data[i];
        for (TPopHaplotype const* h : p->pseudo_hapl) {
            if (!h || h->alleles.count < 2)
                return 1;
            first.insert(h->alleles[0]);
            second.insert(h->alleles[1]);
        }
    }
    return (static_cast<int>(first.size()) - 1) * (static_cast<int>(second.size()) - 1);
}
