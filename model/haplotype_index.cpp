#include "model/haplotype_index.h"

#include <cstdint>

namespace {

// Mixes the bits of a pointer (whose low bits are always zero) over the whole word.
std::uint64_t mix(std::uint64_t x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

}  // namespace

std::size_t HaplotypeIndex::key(TPopHaplotype const& h)
{
    std::uint64_t k = mix(static_cast<std::uint64_t>(h.alleles.count));
    for (int i = 0; i < h.alleles.count; i++) {
        std::uint64_t a = reinterpret_cast<std::uintptr_t>(h.alleles.data[i]);
        k = mix(k ^ (a + 0x9e3779b97f4a7c15ULL + (k << 6) + (k >> 2)));
    }
    return static_cast<std::size_t>(k);
}

void HaplotypeIndex::clear()
{
    positions_.clear();
    covered_ = 0;
    last_entry_ = nullptr;
    last_key_ = 0;
}

void HaplotypeIndex::follow(MY_TIArrayAsVector<TPopHaplotype> const& table)
{
    bool stale = table.count < covered_;
    if (!stale && covered_ > 0) {
        TPopHaplotype const* last = table.data[covered_ - 1];
        stale = last != last_entry_ || (last && key(*last) != last_key_);
    }
    if (stale)
        clear();
    for (; covered_ < table.count; covered_++) {
        TPopHaplotype const* h = table.data[covered_];
        last_entry_ = h;
        if (!h)
            continue;
        last_key_ = key(*h);
        positions_[last_key_].push_back(covered_);
    }
}

int HaplotypeIndex::find(MY_TIArrayAsVector<TPopHaplotype> const& table, TPopHaplotype const& h)
{
    follow(table);
    auto found = positions_.find(key(h));
    if (found == positions_.end())
        return -1;
    // Positions sharing a hash are in increasing order; an equality test
    // separates real matches from collisions.
    for (int pos : found->second) {
        TPopHaplotype const* stored = table.data[pos];
        if (stored && *stored == h)
            return pos;
    }
    return -1;
}
