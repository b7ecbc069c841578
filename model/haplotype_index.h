// Finding the haplotypes of a table by their allele objects.
//
// A table looks up every haplotype it enters; with tens of thousands of
// entries a scan per lookup makes filling a table quadratic. The index is a
// flat open-addressing table of (hash of the allele pointers, table position)
// holding the first position of each distinct haplotype, so a lookup answers
// the first equal haplotype of the table, as a scan from the start would.
//
// The index follows the table lazily: haplotypes appended at the end are
// indexed at the next lookup, and a table that got shorter, or whose last
// indexed entry is another object or holds other alleles, is indexed anew.
// An entry whose alleles change in place would stay under its old key, so
// that a lookup of its new contents would miss it: operations that change
// the alleles of entries or reorder them call clear() (the table's edit
// does so for its callers).
#ifndef DROV_MODEL_HAPLOTYPE_INDEX_H
#define DROV_MODEL_HAPLOTYPE_INDEX_H

#include <cstddef>
#include <cstdint>
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
    struct Slot {
        std::uint64_t hash;
        int pos;  // table position; -1 for an empty slot
    };

    void follow(MY_TIArrayAsVector<TPopHaplotype> const& table);
    bool last_entry_changed(MY_TIArrayAsVector<TPopHaplotype> const& table) const;
    // The slot holding the haplotype equal to h (hash k), or the empty slot
    // where probing for it stopped; same_hash_seen is set when a slot of hash
    // k holding another haplotype was passed.
    Slot& probe(MY_TIArrayAsVector<TPopHaplotype> const& table, TPopHaplotype const& h,
                std::uint64_t k, bool& same_hash_seen);
    void grow();

    std::vector<Slot> slots_;  // a power of two in size, at most half used
    int used_ = 0;
    int covered_ = 0;                            // positions 0 .. covered_-1 are indexed
    TPopHaplotype const* last_entry_ = nullptr;  // the entry at covered_-1 when indexed
    std::vector<TAllele*> last_alleles_;         // and its alleles then
};

#endif
