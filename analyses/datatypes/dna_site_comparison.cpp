// DNA site comparison and polymorphism: the checks of a DNA sample, its
// reference sequence, the comparison of every haplotype with it (transitions,
// transversions and indels per site, missing data, usable and polymorphic
// sites), and the classes of nucleotide pairs, IUPAC ambiguity codes read as
// the sets of nucleotides they stand for (Nei 1987, ch. 5).

#include <new>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "app/settings.h"

namespace {

constexpr unsigned kA = 1, kC = 2, kG = 4, kT = 8;

unsigned nucleotides_of(char c)
{
    switch (c) {
    case 'A': return kA;
    case 'C': return kC;
    case 'G': return kG;
    case 'T': return kT;
    case 'R': return kA | kG;
    case 'Y': return kC | kT;
    case 'M': return kA | kC;
    case 'K': return kG | kT;
    case 'S': return kC | kG;
    case 'W': return kA | kT;
    case 'H': return kA | kC | kT;
    case 'B': return kC | kG | kT;
    case 'V': return kA | kC | kG;
    case 'D': return kA | kG | kT;
    case 'N': return kA | kC | kG | kT;
    default: return 0;
    }
}

// The four states of the digit codes 0 to 3.
bool is_digit_state(char c)
{
    return c >= '0' && c <= '3';
}

bool is_transition(unsigned x, unsigned y)
{
    return (x | y) == (kA | kG) || (x | y) == (kC | kT);
}

int classify(char first, char second)
{
    if (first == second)
        return 0;
    unsigned a = nucleotides_of(first), b = nucleotides_of(second);
    if (first == '-')
        return b || is_digit_state(second) ? 3 : 0;
    if (second == '-')
        return a || is_digit_state(first) ? 3 : 0;
    if (is_digit_state(first) && is_digit_state(second))
        return 4;
    if (!a || !b || (a & b))
        return 0;
    bool transition = false, transversion = false;
    for (unsigned x = kA; x <= kT; x <<= 1)
        for (unsigned y = kA; y <= kT; y <<= 1)
            if ((a & x) && (b & y))
                (is_transition(x, y) ? transition : transversion) = true;
    return transition && transversion ? 4 : (transition ? 1 : 2);
}

struct NucleotidePairs {
    unsigned char kind[256][256];
    NucleotidePairs()
    {
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j)
                kind[i][j] = static_cast<unsigned char>(
                    classify(static_cast<char>(i), static_cast<char>(j)));
    }
};

NucleotidePairs const& nucleotide_pairs()
{
    static const NucleotidePairs table;
    return table;
}

}  // namespace

int PopulDNA::compare_nucleotides(char const& first, char const& second)
{
    return nucleotide_pairs()
        .kind[static_cast<unsigned char>(first)][static_cast<unsigned char>(second)];
}

bool PopulDNA::is_ambiguity_code(char c) const
{
    for (int k = 0; k < IUPACCodes.count; ++k)
        if (IUPACCodes[k] == c)
            return true;
    return false;
}

int PopulDNA::check_data()
{
    return check_sequences("PopulDNA::check_data()", "PopulDNA::check_data()", 161);
}

int PopulDNA::evaluate_polymorphism(settings const& run_settings)
{
    return evaluate_sequence_polymorphism(run_settings, [this] { compare_DNA_sequences(); });
}

// A column takes the first character that is not missing data, unless no
// haplotype but the last has a proper nucleotide there (neither ambiguous nor
// missing): then the last haplotype's character. A haplotype shorter than the
// first reads as missing data beyond its end.
int PopulDNA::build_arbitrary_haplotype()
{
    const int n = haplotypes.count;
    const char missing = profile.MissingData;
    const char separator = ProfileSettings::LocusSeparator;
    auto proper = [&](char c) { return c != missing && !is_ambiguity_code(c); };
    return build_reference([&](int p) {
        if (separator && site_of(0, p) == separator)
            return separator;
        int j = 0;
        while (j < n - 1 && !proper(site_of(j, p)))
            ++j;
        if (j == n - 1)
            return site_of(n - 1, p);
        for (j = 0; site_of(j, p) == missing; ++j) {
        }
        return site_of(j, p);
    });
}

int PopulDNA::compare_DNA_sequences()
{
    const int L = ArbitraryHaplotype.content.length;
    if (L == 0 || !flag_sites(L))
        return 0;
    count_polymorphic_sites(L);
    return 1;
}

// Haplotypes outer, sites inner, so that each sequence is read once in order;
// a site's flags still see the haplotypes in list order.
bool PopulDNA::flag_sites(int L)
{
    std::vector<char> partner;  // per site the unambiguous transversion partner seen first
    try {
        if (!SiteTransitions) {
            SiteTransitions = new int[L];
            SiteTransversions = new int[L];
            SiteIndels = new int[L];
            SiteAmbiguities = new int[L];
        }
        renew_locus_arrays(L);
        partner.assign(L, 0);
    } catch (std::bad_alloc const&) {
        for (int** a : {&SiteTransitions, &SiteTransversions, &SiteIndels, &SiteAmbiguities,
                        &LocusUsable}) {
            delete[] *a;
            *a = nullptr;
        }
        renew_polymorphism_flags(0);
        delete[] LocusMissingFreq;
        LocusMissingFreq = nullptr;
        NumLocusEntries = 0;
        E.error(MEMORY, "PopulDNA::compare_DNA_sequences()", 0);
        return false;
    }
    for (int i = 0; i < L; ++i)
        SiteTransitions[i] = SiteTransversions[i] = SiteIndels[i] = SiteAmbiguities[i] = 0;
    NumNucleotideSites = L;

    const char* reference = ArbitraryHaplotype.content.str;
    const char missing = profile.MissingData;
    const char separator = ProfileSettings::LocusSeparator;
    for (int j = 0; j < haplotypes.count; ++j) {
        my_string const& seq = haplotypes.data[j]->haplotype->content;
        const int count = haplotypes.data[j]->count;
        for (int i = 0; i < L; ++i) {
            const char r = reference[i];
            const char c = i < seq.length ? seq.str[i] : missing;
            if (r == missing || (separator && r == separator) || c == r)
                continue;
            if (c == missing) {
                LocusMissingFreq[i] += count;
                continue;
            }
            switch (compare_nucleotides(r, c)) {
            case 1:
                SiteTransitions[i] = 1;
                break;
            case 2:
                if (SiteTransversions[i] == 0)
                    SiteTransversions[i] = 1;
                else if (!is_ambiguity_code(c) && partner[i] && partner[i] != c)
                    SiteTransversions[i] = 2;
                if (!is_ambiguity_code(c) && !partner[i])
                    partner[i] = c;
                break;
            case 3:
                SiteIndels[i] = 1;
                break;
            case 4:
                SiteAmbiguities[i] = 1;
                break;
            default:
                break;
            }
        }
    }
    settle_missing_data(reference, L, NumNucleotideSites);
    return true;
}

// The counters by the weights: a kind of difference counts when its weight
// is positive. Two transversion partners at one site differ from each other
// by a transition, which is counted too.
void PopulDNA::count_polymorphic_sites(int L)
{
    NumPolymSites = NumUsableLoci = 0;
    NumTransitions = NumTransversions = NumSubstitutions = NumIndels = 0;
    NumTransitionSites = NumTransversionSites = NumSubstitutionSites = NumIndelSites = 0;
    MY_TArrayAsVector<bool>& marked = substitution_marks(L);
    const bool ts = TransitionWeight > 0, tv = TransversionWeight > 0;
    const char* reference = ArbitraryHaplotype.content.str;
    for (int i = 0; i < L; ++i) {
        if (!LocusUsable[i])
            continue;
        bool polymorphic = false;
        if (DeletionWeight > 0 && SiteIndels[i]) {
            ++NumIndelSites;
            ++NumIndels;
            polymorphic = true;
        }
        if (ts && SiteTransitions[i]) {
            ++NumTransitionSites;
            ++NumTransitions;
            ++NumSubstitutionSites;
            ++NumSubstitutions;
            polymorphic = marked[i] = true;
        }
        if (tv && SiteTransversions[i]) {
            ++NumTransversionSites;
            ++NumTransversions;
            ++NumSubstitutions;
            polymorphic = true;
            if (SiteTransversions[i] == 2 && ts) {
                ++NumTransitions;
                ++NumSubstitutions;
            }
            if (!SiteTransitions[i] || !ts) {
                ++NumSubstitutionSites;
                marked[i] = true;
            }
        }
        if ((ts || tv) && SiteAmbiguities[i] && !SiteTransitions[i] && !SiteTransversions[i]) {
            ++NumSubstitutionSites;
            ++NumSubstitutions;
            polymorphic = marked[i] = true;
        }
        if (polymorphic) {
            locus_polymorphic[i] = 1;
            ++NumPolymSites;
        }
        if (reference[i] == '-' && !SiteIndels[i]) {  // a gap-only column
            --NumNucleotideSites;
            LocusUsable[i] = 0;
        } else {
            ++NumUsableLoci;
        }
    }
}
