#include "model/haplotype_index.h"

#include <algorithm>

namespace {

// Mixes the bits of a word over the whole word (the finaliser of MurmurHash3).
std::uint64_t mix(std::uint64_t x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

const std::size_t FIRST_SLOTS = 64;

}  // namespace

// A polynomial over the allele pointers, one multiplication per locus, mixed
// once at the end: lookups hash every haplotype they are given.
std::size_t HaplotypeIndex::key(TPopHaplotype const& h)
{
    std::uint64_t k = static_cast<std::uint64_t>(h.alleles.count);
    for (int i = 0; i < h.alleles.count; i++)
        k = (k + reinterpret_cast<std::uintptr_t>(h.alleles.data[i])) * 0x9e3779b97f4a7c15ULL;
    return static_cast<std::size_t>(mix(k));
}

void HaplotypeIndex::clear()
{
    slots_.clear();
    used_ = 0;
    covered_ = 0;
    last_entry_ = nullptr;
    last_alleles_.clear();
}

HaplotypeIndex::Slot& HaplotypeIndex::probe(MY_TIArrayAsVector<TPopHaplotype> const& table,
                                            TPopHaplotype const& h, std::uint64_t k,
                                            bool& same_hash_seen)
{
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(k) & mask;; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.pos < 0)
            return s;
        if (s.hash == k) {
            TPopHaplotype const* stored = table.data[s.pos];
            if (stored && *stored == h)
                return s;
            same_hash_seen = true;
        }
    }
}

// Doubles the slots and enters the positions again. Each distinct haplotype
// has one slot, so every one goes to the first empty slot of its probe.
void HaplotypeIndex::grow()
{
    std::vector<Slot> previous(std::max(FIRST_SLOTS, 2 * slots_.size()), Slot{0, -1});
    previous.swap(slots_);
    std::size_t mask = slots_.size() - 1;
    for (Slot const& s : previous) {
        if (s.pos < 0)
            continue;
        std::size_t i = static_cast<std::size_t>(s.hash) & mask;
        while (slots_[i].pos >= 0)
            i = (i + 1) & mask;
        slots_[i] = s;
    }
}

// Comparing the last entry's alleles with those it was indexed with costs a
// fraction of hashing them again.
bool HaplotypeIndex::last_entry_changed(MY_TIArrayAsVector<TPopHaplotype> const& table) const
{
    TPopHaplotype const* last = table.data[covered_ - 1];
    if (last != last_entry_)
        return true;
    if (!last)
        return false;
    MY_TIArrayAsVector<TAllele> const& a = last->alleles;
    return static_cast<std::size_t>(a.count) != last_alleles_.size() ||
           !std::equal(a.data, a.data + a.count, last_alleles_.begin());
}

void HaplotypeIndex::follow(MY_TIArrayAsVector<TPopHaplotype> const& table)
{
    if (table.count < covered_ || (covered_ > 0 && last_entry_changed(table)))
        clear();
    if (covered_ == table.count)
        return;
    for (; covered_ < table.count; covered_++) {
        TPopHaplotype const* h = table.data[covered_];
        if (!h)
            continue;
        if (2 * (used_ + 1) > static_cast<int>(slots_.size()))
            grow();
        std::uint64_t k = key(*h);
        bool same_hash_seen = false;
        Slot& s = probe(table, *h, k, same_hash_seen);
        if (s.pos < 0) {  // an earlier equal haplotype keeps its slot
            s = Slot{k, covered_};
            used_++;
        }
    }
    last_entry_ = table.data[covered_ - 1];
    last_alleles_.clear();
    if (last_entry_)
        last_alleles_.assign(last_entry_->alleles.data,
                             last_entry_->alleles.data + last_entry_->alleles.count);
}

// A miss that passed a slot of the same hash holding another haplotype means,
// but for a rare clash of hashes, that the table was emptied and refilled
// behind the index: the lookup is then answered from an index built anew.
int HaplotypeIndex::find(MY_TIArrayAsVector<TPopHaplotype> const& table, TPopHaplotype const& h)
{
    follow(table);
    if (used_ == 0)
        return -1;
    std::uint64_t k = key(h);
    bool same_hash_seen = false;
    int pos = probe(table, h, k, same_hash_seen).pos;
    if (pos < 0 && same_hash_seen) {
        clear();
        follow(table);
        pos = used_ == 0 ? -1 : probe(table, h, k, same_hash_seen).pos;
    }
    return pos;
}
