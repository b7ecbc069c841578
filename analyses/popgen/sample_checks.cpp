// The checks and polymorphism evaluations that the data types share: the
// sample counts of check_data, the per-locus polymorphism of haplotypic
// allele data and of genotypes of unknown phase.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"

namespace {

// The one-character name of the missing-data allele; a locus a haplotype
// does not reach counts as missing too.
bool is_missing(TAllele const* a, char missing)
{
    return !a || (a->name.length == 1 && a->name.str[0] == missing);
}

bool same_name(TAllele const* a, TAllele const* b)
{
    return a == b || std::strcmp(a->name.str, b->name.str) == 0;
}

// The declared gene copies, or the sum of the haplotype counts when larger.
double gene_copies_of(PopGenetics const& p)
{
    std::int64_t total = 0;
    for (int i = 0; i < p.haplotypes.count; ++i)
        total += p.haplotypes.data[i]->count;
    return std::max(p.SampleSize, static_cast<double>(total));
}

}  // namespace

bool PopGenetics::gene_copies_fit() const
{
    return gene_copies_of(*this) <= INT32_MAX;
}

bool PopGenetics::sample_size_fits(const char* where) const
{
    if (gene_copies_fit())
        return true;
    E.error(ERROR, where, 179);
    if (E.log_open)
        *_ZOS_ << "\tSample \"" << name << "\" has "
               << static_cast<long long>(gene_copies_of(*this)) << " gene copies, more than "
               << INT32_MAX << ": the sample is not analysed" << std::endl;
    return false;
}

int PopGenetics::check_sample_counts(const char* where, ErrorType kind_111, const char* where_111)
{
    const int n = haplotypes.count;
    if (n == 0)
        return 1;
    if (!sample_size_fits(where))
        return 0;
    std::int64_t total = 0;
    for (int i = 0; i < n; ++i)
        total += haplotypes.data[i]->count;
    int result = 1;
    if (SampleSize > 0 && SampleSize != total) {
        E.error(WARNING, where, 110);
        result = 0;
    }
    SampleSize = total;
    if (num_haplotypes != 0 && num_haplotypes != n
        && !(profile.GenotypicData && profile.GameticPhase)) {
        E.error(kind_111, where_111, 111);
        return 0;
    }
    num_haplotypes = n;
    return result;
}

int PopGenetics::check_sequences(const char* where, const char* where_111, int unequal_lengths)
{
    int result = check_sample_counts(where, WARNING, where_111);
    for (int i = 1; i < haplotypes.count; ++i) {
        if (haplotypes.data[i]->haplotype->content.length
            != haplotypes.data[0]->haplotype->content.length) {
            E.error(WARNING, where, unequal_lengths);
            return 0;
        }
    }
    return result;
}

int PopGenetics::build_reference(std::function<char(int site)> const& state_at)
{
    if (haplotypes.count == 0)
        return 0;
    if (ArbitraryHaplotype.content.length > 0)
        return 1;
    ArbitraryHaplotype.id = "Arbitrary reference haplotype";
    ArbitraryHaplotype.content = haplotypes.data[0]->haplotype->content;
    for (int p = 0; p < ArbitraryHaplotype.content.length && haplotypes.count > 1; ++p)
        ArbitraryHaplotype.content.str[p] = state_at(p);
    return 1;
}

char PopGenetics::site_of(int j, int site) const
{
    my_string const& s = haplotypes.data[j]->haplotype->content;
    return site < s.length ? s.str[site] : profile.MissingData;
}

int PopGenetics::evaluate_sequence_polymorphism(settings const& run_settings,
                                                std::function<void()> const& compare_sites)
{
    AllowedMissingLevel = run_settings.AllowedLevelOfMissingData;
    if (!has_haplotypes()) {
        compare_phenotypes();
        return 1;
    }
    if (!build_arbitrary_haplotype())
        return 0;
    compare_sites();
    return 1;
}

bool PopGenetics::has_haplotypes() const
{
    return profile.GenotypicData == 0 || profile.GameticPhase != 0 || HaplotypesFromGenotypes != 0;
}

void PopGenetics::renew_locus_arrays(int L)
{
    delete[] LocusMissingFreq;
    delete[] LocusUsable;
    LocusMissingFreq = nullptr;
    LocusUsable = nullptr;
    NumLocusEntries = 0;
    renew_polymorphism_flags(0);
    LocusMissingFreq = new double[L]();
    LocusUsable = new int[L];
    NumLocusEntries = L;
    renew_polymorphism_flags(L);
    std::fill(LocusUsable, LocusUsable + L, 1);
}

void PopGenetics::settle_missing_data(const char* reference, int L, int& sites)
{
    const char missing = profile.MissingData;
    const char separator = ProfileSettings::LocusSeparator;
    for (int i = 0; i < L; ++i) {
        const char r = reference[i];
        if (r == missing || (separator && r == separator)) {
            LocusUsable[i] = 0;
            LocusMissingFreq[i] = 1.0;
            if (r != missing)
                --sites;
        } else if (SampleSize != 0) {
            LocusMissingFreq[i] /= SampleSize;
            if (LocusMissingFreq[i] > AllowedMissingLevel)
                LocusUsable[i] = 0;
        } else {
            LocusMissingFreq[i] = 0.0;
        }
    }
}

MY_TArrayAsVector<bool>& PopGenetics::substitution_marks(int L)
{
    while (globalSubstPolymSites.count < L)
        globalSubstPolymSites.Add(false);
    return globalSubstPolymSites;
}

int PopGenetics::evaluate_allele_polymorphism(settings const& run_settings)
{
    AllowedMissingLevel = run_settings.AllowedLevelOfMissingData;
    if (has_haplotypes())
        compare_haplotypes();
    else
        compare_phenotypes();
    return 1;
}

// The arrays are made anew for the number of loci of the first haplotype, so
// that a list of another length never overruns them.
int PopGenetics::compare_haplotypes()
{
    if (haplotypes.count == 0) {
        E.error(ERROR, "PopGenetics::compare_haplotypes()", 108);
        return 0;
    }
    const int L = num_loci_of_first_haplotype();
    const char missing = profile.MissingData;
    renew_locus_arrays(L);
    std::vector<TAllele const*> reference(L, nullptr);
    for (int i = 0; i < haplotypes.count; ++i) {
        PHaploDef const& record = *haplotypes.data[i];
        MY_TIArrayAsVector<TAllele> const& alleles = record.haplotype->haplovect;
        for (int l = 0; l < L; ++l) {
            TAllele const* a = l < alleles.count ? alleles.data[l] : nullptr;
            if (is_missing(a, missing))
                LocusMissingFreq[l] += record.count;
            else if (!reference[l])
                reference[l] = a;
            else if (!same_name(a, reference[l]))
                locus_polymorphic[l] = 1;
        }
    }
    NumUsableLoci = NumPolymSites = 0;
    for (int l = 0; l < L; ++l) {
        if (SampleSize != 0)
            LocusMissingFreq[l] /= SampleSize;
        LocusUsable[l] = LocusMissingFreq[l] <= AllowedMissingLevel;
        if (!LocusUsable[l])
            continue;
        ++NumUsableLoci;
        NumPolymSites += locus_polymorphic[l];
    }
    return 1;
}

int PopGenetics::compare_phenotypes()
{
    const int L = alleleDB ? alleleDB->loci.count : 0;
    const char missing = profile.MissingData;
    renew_polymorphism_flags(L);
    NumPolymSites = 0;
    auto counts = [missing](TAllele const* a) {
        return a && a->name.length > 0 && a->name.str[0] != missing;
    };
    MY_TIArrayAsVector<TPhenotype> const& list = individuals.phenotypes;
    for (int l = 0; l < L && list.count > 0; ++l) {
        TAllele const* reference = list.data[0]->allele_at(0, l);
        for (int i = 0; i < list.count && !locus_polymorphic[l]; ++i) {
            for (int copy = 0; copy < 2; ++copy) {
                TAllele const* a = list.data[i]->allele_at(copy, l);
                if (!counts(a) || (reference && same_name(a, reference)))
                    continue;
                if (counts(reference)) {
                    locus_polymorphic[l] = 1;
                    ++NumPolymSites;
                    break;
                }
                reference = a;
            }
        }
    }
    return 1;
}
