// What the distance matrices of DNA and RFLP samples share: their distances
// are functions of the site classes of two sequences (site_pairs.h), counted
// over the usable sites of the sample's reference.
#ifndef DROV_ANALYSES_DATATYPES_SEQUENCE_DISTANCES_H
#define DROV_ANALYSES_DATATYPES_SEQUENCE_DISTANCES_H

#include <cmath>
#include <vector>

#include "analyses/datatypes/site_pairs.h"
#include "analyses/popgen/pop_genetics.h"

// The usable sites of a sequence of the sample (all while none are known).
inline void pack_usable_sites(PopGenetics const& p, const char* seq, PackedSequence& out)
{
    const int usable_length = p.LocusUsable ? p.ArbitraryHaplotype.content.length : -1;
    pack_sequence(seq, p.LocusUsable, usable_length, p.profile.MissingData, out);
}

inline SitePairCounts count_usable_sites(PopGenetics const& p, const char* s1, const char* s2,
                                         SitePairTable const& table)
{
    PackedSequence a, b;
    pack_usable_sites(p, s1, a);
    pack_usable_sites(p, s2, b);
    return count_site_pairs(a, b, table);
}

// HaplDistMat of a DNA or RFLP sample with its DistanceFunction: each pair
// compared once (the later haplotype first), the distance below the
// diagonal and its s.d. above, both times NumUsableLoci when `scaled` and
// the method gives distances per site. No pair is computed when the first
// sequence is empty.
template <class Sample>
int sequence_distance_matrix(Sample& p, settings* run_settings, const char* indent,
                             const char* where, SitePairTable const& table, int scaled)
{
    const double factor = scaled && p.per_site_distances() ? p.NumUsableLoci : 1.0;
    const int n = p.haplotypes.count;
    std::vector<PackedSequence> packed(n);
    for (int i = 0; i < n; ++i)
        pack_usable_sites(p, p.haplotypes.data[i]->haplotype->content.str, packed[i]);
    const int rows = p.haplotypes.data[0]->haplotype->content.length == 0 ? 0 : n;
    return p.fill_distance_matrix(run_settings, indent, where, rows, [&](int i) {
        RectMat& d = *p.HaplDistMat;
        for (int j = 0; j < i; ++j) {
            if (!(p.*p.DistanceFunction)(count_site_pairs(packed[i], packed[j], table)))
                return false;
            d(i, j) = p.PairDistance * factor;
            d(j, i) = p.PairDistanceVar >= 0 ? std::sqrt(p.PairDistanceVar) * factor : 0.0;
        }
        return true;
    });
}

#endif
