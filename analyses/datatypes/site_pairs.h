// The site-by-site comparison of two aligned sequences that every distance
// between DNA or RFLP haplotypes rests on, made fast for distance matrices.
//
// A sequence is first reduced to its usable sites (PackedSequence); two packed
// sequences are then compared eight sites at a time, and each differing site
// is put into a class by a table of character pairs that the distance method
// builds once per matrix. A distance is then a function of the class counts
// only, so a matrix compares each pair once and never branches per site on
// the method. Equal sites are counted as the compared sites less the
// differing ones, less those where both carry the missing-data character
// (and, separately, those where both carry a gap), which bit planes give.
#ifndef DROV_ANALYSES_DATATYPES_SITE_PAIRS_H
#define DROV_ANALYSES_DATATYPES_SITE_PAIRS_H

#include <cstdint>
#include <vector>

// Classes of differing character pairs; a table gives one per pair.
constexpr int kSitePairClasses = 16;

struct SitePairTable {
    unsigned char class_of[256][256];  // class of (first, second); only differing pairs are read
};

// The usable sites of one sequence, in order.
struct PackedSequence {
    std::vector<unsigned char> sites;   // padded with zeros to a whole number of 8-byte words
    int length = 0;                     // usable sites within the sequence
    std::vector<std::uint64_t> missing; // one bit per site holding the missing-data character
    std::vector<std::uint64_t> gaps;    // one bit per site holding '-' (none when '-' is the missing character)
    bool has_missing = false;
    bool has_gaps = false;
};

// What a comparison of two packed sequences counts, over the sites both reach.
struct SitePairCounts {
    int compared = 0;      // sites within both sequences
    int both_missing = 0;  // both carry the missing-data character
    int both_gaps = 0;     // both carry '-' (never counted when '-' is the missing character)
    int differing[kSitePairClasses] = {};

    int total_differing() const;
    // Sites where both carry the same character, missing data left out.
    int equal_not_missing() const { return compared - total_differing() - both_missing; }
};

// Packs the sites p of seq with p below both the sequence's length and
// usable_length (no bound when usable_length is negative) whose usable entry
// is not 0 (every site when usable is null).
void pack_sequence(const char* seq, int const* usable, int usable_length, char missing,
                   PackedSequence& out);

SitePairCounts count_site_pairs(PackedSequence const& a, PackedSequence const& b,
                                SitePairTable const& table);

#endif
