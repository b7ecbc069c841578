// Packing of sequences to their usable sites and the word-wise comparison of
// two packed sequences.

#include "analyses/datatypes/site_pairs.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kWordSites = 8;  // sites compared at a time

std::uint64_t word_at(unsigned char const* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

void set_bit(std::vector<std::uint64_t>& plane, int site)
{
    plane[site / 64] |= std::uint64_t{1} << (site % 64);
}

// Sites 0 .. n-1 set in both planes.
int common_bits(std::vector<std::uint64_t> const& a, std::vector<std::uint64_t> const& b, int n)
{
    int count = 0;
    int full = n / 64;
    for (int w = 0; w < full; ++w)
        count += __builtin_popcountll(a[w] & b[w]);
    if (n % 64)
        count += __builtin_popcountll(a[full] & b[full] & ((std::uint64_t{1} << (n % 64)) - 1));
    return count;
}

}  // namespace

int SitePairCounts::total_differing() const
{
    int total = 0;
    for (int c : differing)
        total += c;
    return total;
}

void pack_sequence(const char* seq, int const* usable, int usable_length, char missing,
                   PackedSequence& out)
{
    int end = static_cast<int>(std::strlen(seq));
    if (usable_length >= 0)
        end = std::min(end, usable_length);
    out.sites.assign((end + kWordSites - 1) / kWordSites * kWordSites, 0);
    int n = 0;
    for (int p = 0; p < end; ++p)
        if (!usable || usable[p])
            out.sites[n++] = static_cast<unsigned char>(seq[p]);
    out.length = n;
    out.missing.assign(n / 64 + 1, 0);
    out.gaps.assign(n / 64 + 1, 0);
    out.has_missing = out.has_gaps = false;
    for (int i = 0; i < n; ++i) {
        if (out.sites[i] == static_cast<unsigned char>(missing)) {
            set_bit(out.missing, i);
            out.has_missing = true;
        } else if (out.sites[i] == '-') {
            set_bit(out.gaps, i);
            out.has_gaps = true;
        }
    }
}

// Words of 32 sites that hold no difference, the common case between
// haplotypes of one species, cost four loads and one test per sequence.
SitePairCounts count_site_pairs(PackedSequence const& a, PackedSequence const& b,
                                SitePairTable const& table)
{
    SitePairCounts counts;
    const int n = std::min(a.length, b.length);
    counts.compared = n;
    unsigned char const* x = a.sites.data();
    unsigned char const* y = b.sites.data();
    auto classify = [&](int p) {
        if (x[p] != y[p])
            ++counts.differing[table.class_of[x[p]][y[p]]];
    };
    const int block = 4 * kWordSites;
    int p = 0;
    for (; p + block <= n; p += block) {
        std::uint64_t d = (word_at(x + p) ^ word_at(y + p))
                          | (word_at(x + p + 8) ^ word_at(y + p + 8))
                          | (word_at(x + p + 16) ^ word_at(y + p + 16))
                          | (word_at(x + p + 24) ^ word_at(y + p + 24));
        if (d == 0)
            continue;
        for (int q = p; q < p + block; ++q)
            classify(q);
    }
    for (; p < n; ++p)
        classify(p);
    if (a.has_missing && b.has_missing)
        counts.both_missing = common_bits(a.missing, b.missing, n);
    if (a.has_gaps && b.has_gaps)
        counts.both_gaps = common_bits(a.gaps, b.gaps, n);
    return counts;
}
