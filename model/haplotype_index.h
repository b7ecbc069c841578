// Finding the haplotypes of a table by their allele objects.
//
// A table looks up every haplotype it enters; with tens of thousands of
// entries a scan per lookup makes filling a table quadratic. The index hashes
// each haplotype's allele pointers and keeps, per hash, the table positions in
// increasing order, so a lookup answers the first equal haplotype of the
// table, as a scan from the start would.
//
// The index follows the table lazily: haplotypes appended at the end are
// indexed at the next lookup, and a table that got shorter, or whose last
// indexed entry changed, is indexed anew. Operations that reorder entries or
// change their alleles in place call clear().
#ifndef DROV_MODEL_HAPLOTYPE_INDEX_H
#define DROV_MODEL_HAPLOTYPE_INDEX_H

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "core/pointer_arrays.h"
#include "model/pop_haplo.h"

class HaplotypeIndex {
public:
    // Position of the first haplotype of table equal to h (same number of
    // loci, same allele objects), or -1.
    int find(MY_TIArrayAsVector<TPopHaplotype> const& table, TPopHaplotype const& h);

    // Forgets every position; the next lookup indexes the table anew.
    void clear();

    // Hash of a haplotype's allele pointers and number of loci.
    static std::size_t key(TPopHaplotype const& h);

private:
    void follow(MY_TIArrayAsVector<TPopHaplotype> const& table);

    std::unordered_map<std::size_t, std::vector<int>> positions_;
    int covered_ = 0;                          // positions 0 .. covered_-1 are indexed
    TPopHaplotype const* last_entry_ = nullptr;  // the entry at covered_-1 when indexed
    std::size_t last_key_ = 0;                 // and its key then
};

#endif
