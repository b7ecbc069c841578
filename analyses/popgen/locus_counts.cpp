// Gene copies of a sample counted locus by locus, with Nei's (1987) unbiased
// expected heterozygosity of a locus.

#include "analyses/popgen/locus_counts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/datatype.h"
#include "project/profile_settings.h"

namespace {

// Ambiguous bases: a DNA gene copy carrying one is not counted.
const char* const kAmbiguityCodes = "BDHKMNRSVWY";

}  // namespace

void LocusAlleleCounts::add(TAllele* a, int n, bool is_counted)
{
    auto at = std::find(alleles.begin(), alleles.end(), a);
    if (at == alleles.end()) {
        alleles.push_back(a);
        weights.push_back(0);
        counted.push_back(is_counted);
        at = alleles.end() - 1;
    }
    if (is_counted) {
        weights[at - alleles.begin()] += n;
        gene_copies += n;
    }
}

int LocusAlleleCounts::num_alleles() const
{
    return static_cast<int>(std::count(counted.begin(), counted.end(), true));
}

double LocusAlleleCounts::expected_heterozygosity() const
{
    if (gene_copies < 2)
        return 0.0;
    const double n = gene_copies;
    double sum_sq = 0.0;
    for (int c : weights)
        sum_sq += static_cast<double>(c) * c;
    return n / (n - 1.0) * (1.0 - sum_sq / (n * n));
}

double LocusAlleleCounts::observed_heterozygosity() const
{
    return complete > 0 ? static_cast<double>(heterozygous) / complete : 0.0;
}

void LocusAlleleCounts::store_frequencies(int sample) const
{
    if (gene_copies == 0)
        return;
    for (std::size_t k = 0; k < alleles.size(); ++k) {
        TAllele& a = *alleles[k];
        if (counted[k] && a.pop_freq && sample >= 0 && sample < a.pop_freq_len)
            a.pop_freq[sample] = static_cast<double>(weights[k]) / gene_copies;
    }
}

GeneCopyCounter::GeneCopyCounter(TAlleleDB& db, char missing, bool missing_counts)
    : db_(db), missing_(missing), dna_(ProfileSettings::DataType == DNA),
      missing_counts_(missing_counts)
{
}

bool GeneCopyCounter::is_missing(TAllele const* a) const
{
    if (!a || a->name.length == 0)
        return true;
    const char first = a->name.str[0];
    return first == missing_ || (dna_ && std::strchr(kAmbiguityCodes, first));
}

bool GeneCopyCounter::enter(TAllele* a, int n, LocusAlleleCounts& counts) const
{
    if (!a)
        return false;
    const bool counted = missing_counts_ || !is_missing(a);
    counts.add(a, n, counted);
    return counted;
}

void GeneCopyCounter::add_to_database(int l, LocusAlleleCounts const& counts) const
{
    for (std::size_t k = 0; k < counts.alleles.size(); ++k)
        db_.InsertAllPos(l, counts.alleles[k]->name, counts.weights[k]);
}

LocusAlleleCounts GeneCopyCounter::count_individuals(int l, TPhenDB const& individuals) const
{
    LocusAlleleCounts counts;
    MY_TIArrayAsVector<TPhenotype> const& list = individuals.phenotypes;
    for (int i = 0; i < list.count; ++i) {
        TPhenotype const& ind = *list.data[i];
        const int n = static_cast<int>(ind.count);
        TAllele* a1 = allele_of_copy(ind, 0, l);
        TAllele* a2 = allele_of_copy(ind, 1, l);
        const bool first = enter(a1, n, counts);
        if (enter(a2, n, counts) && first) {
            counts.complete += n;
            if (a1 != a2)
                counts.heterozygous += n;
        }
    }
    add_to_database(l, counts);
    return counts;
}

LocusAlleleCounts GeneCopyCounter::count_haplotypes(int l,
                                                    MY_TIArrayAsVector<PHaploDef> const& records) const
{
    LocusAlleleCounts counts;
    for (int i = 0; i < records.count; ++i)
        enter(allele_of_record(*records.data[i], l), records.data[i]->count, counts);
    add_to_database(l, counts);
    return counts;
}

void GeneCopyCounter::make_loci(TAlleleDB& db, int L)
{
    while (db.loci.count < L) {
        std::string name = "Locus " + std::to_string(db.loci.count);
        db.loci.Add(new TLocus(my_string(name.c_str())));
    }
}

TAllele* allele_of_copy(TPhenotype const& individual, int copy, int l)
{
    TPopHaplotype const* h = individual.pseudo_hapl[copy];
    return h && l < h->alleles.count ? h->alleles.data[l] : nullptr;
}

TAllele* allele_of_record(PHaploDef const& record, int l)
{
    if (!record.haplotype)
        return nullptr;
    MY_TIArrayAsVector<TAllele> const& alleles = record.haplotype->haplovect;
    return l < alleles.count ? alleles.data[l] : nullptr;
}

// Names far outside any repeat number (or not finite) would overflow the
// integer size; they read as 0, like a name without a number.
int allele_size(TAllele const& a)
{
    const double v = std::strtod(a.name.str, nullptr);
    if (!(std::fabs(v) < 1e9))
        return 0;
    return static_cast<int>(v + 0.5);
}
