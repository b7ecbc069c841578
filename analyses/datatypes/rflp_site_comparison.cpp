// RFLP site comparison and polymorphism: the checks of an RFLP sample, its
// reference haplotype, and the comparison of every haplotype with it (changes
// of site state and indels per site, missing data, usable and polymorphic sites).

#include <new>

#include "analyses/datatypes/popul_rflp.h"
#include "app/settings.h"

int PopulRFLP::check_data()
{
    return check_sequences("PopulRFLP::check_data()", "PopulRFLP::check_data", 139);
}

int PopulRFLP::evaluate_polymorphism(settings const& run_settings)
{
    return evaluate_sequence_polymorphism(run_settings, [this] { compare_RFLP_haplotypes(); });
}

// Per site the first state that is not missing data; a haplotype shorter
// than the first reads as missing data beyond its end.
int PopulRFLP::build_arbitrary_haplotype()
{
    return build_reference([this](int p) {
        char state = profile.MissingData;
        for (int j = 0; j < haplotypes.count && state == profile.MissingData; ++j)
            state = site_of(j, p);
        return state;
    });
}

int PopulRFLP::compare_RFLP_haplotypes()
{
    const int L = ArbitraryHaplotype.content.length;
    if (L == 0)
        return 0;
    try {
        if (!SiteSubstitutions) {
            SiteSubstitutions = new int[L];
            SiteIndels = new int[L];
        }
        renew_locus_arrays(L);
    } catch (std::bad_alloc const&) {
        for (int** a : {&SiteSubstitutions, &SiteIndels, &LocusUsable}) {
            delete[] *a;
            *a = nullptr;
        }
        renew_polymorphism_flags(0);
        delete[] LocusMissingFreq;
        LocusMissingFreq = nullptr;
        NumLocusEntries = 0;
        E.error(MEMORY, "PopulRFLP::compare_RFLP_haplotypes()", 0);
        return 0;
    }
    for (int i = 0; i < L; ++i)
        SiteSubstitutions[i] = SiteIndels[i] = 0;
    NumSites = L;

    const char* reference = ArbitraryHaplotype.content.str;
    const char missing = profile.MissingData;
    const char separator = ProfileSettings::LocusSeparator;
    const bool indels_count = DeletionWeight > 0;
    for (int j = 0; j < haplotypes.count; ++j) {
        my_string const& seq = haplotypes.data[j]->haplotype->content;
        for (int i = 0; i < L; ++i) {
            const char r = reference[i];
            const char c = i < seq.length ? seq.str[i] : missing;
            if (r == missing || (separator && r == separator) || c == r)
                continue;
            if (c == missing)
                LocusMissingFreq[i] += haplotypes.data[j]->count;
            else if (r == '-' || c == '-')
                SiteIndels[i] |= indels_count;
            else
                SiteSubstitutions[i] = 1;
        }
    }
    settle_missing_data(reference, L, NumSites);

    NumIndels = NumIndelSites = NumSubstitutionSites = NumPolymSites = NumUsableLoci = 0;
    MY_TArrayAsVector<bool>& marked = substitution_marks(L);
    for (int i = 0; i < L; ++i) {
        if (!LocusUsable[i])
            continue;
        ++NumUsableLoci;
        if (SiteIndels[i]) {
            ++NumIndelSites;
            ++NumIndels;
        }
        if (SiteSubstitutions[i]) {
            ++NumSubstitutionSites;
            marked[i] = true;
        }
        if (SiteIndels[i] || SiteSubstitutions[i]) {
            locus_polymorphic[i] = 1;
            ++NumPolymSites;
        }
        // A gap column without a counted indel is no site.
        if (reference[i] == '-' && !SiteIndels[i]) {
            --NumUsableLoci;
            LocusUsable[i] = 0;
            --NumSites;
        }
    }
    return 1;
}
