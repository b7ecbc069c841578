// Packing of sequences to their usable sites and the word-wise comparison of
// two packed sequences.

#include "analyses/datatypes/site_pairs.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kWordSites = 8;  // the padding unit of the packed sites

// One bit per site of the 16 at x and y, set where they differ.
std::uint64_t differing16(unsigned char const* x, unsigned char const* y)
{
#if defined(__SSE2__)
    __m128i a = _mm_loadu_si128(reinterpret_cast<__m128i const*>(x));
    __m128i b = _mm_loadu_si128(reinterpret_cast<__m128i const*>(y));
    return ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b))) & 0xFFFFu;
#else
    std::uint64_t a[2], b[2];
    std::memcpy(a, x, 16);
    std::memcpy(b, y, 16);
    if (a[0] == b[0] && a[1] == b[1])
        return 0;
    std::uint64_t mask = 0;
    for (int i = 0; i < 16; ++i)
        mask |= static_cast<std::uint64_t>(x[i] != y[i]) << i;
    return mask;
#endif
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

// Blocks of 64 sites that hold no difference, the common case between
// haplotypes of one species, cost four 16-site comparisons; the differing
// sites of a block are visited through its bit mask.
SitePairCounts count_site_pairs(PackedSequence const& a, PackedSequence const& b,
                                SitePairTable const& table)
{
    SitePairCounts counts;
    const int n = std::min(a.length, b.length);
    counts.compared = n;
    unsigned char const* x = a.sites.data();
    unsigned char const* y = b.sites.data();
    int p = 0;
    for (; p + 64 <= n; p += 64) {
        std::uint64_t mask = differing16(x + p, y + p) | differing16(x + p + 16, y + p + 16) << 16
                             | differing16(x + p + 32, y + p + 32) << 32
                             | differing16(x + p + 48, y + p + 48) << 48;
        for (; mask; mask &= mask - 1) {
            int q = p + __builtin_ctzll(mask);
            ++counts.differing[table.class_of[x[q]][y[q]]];
        }
    }
    for (; p < n; ++p)
        if (x[p] != y[p])
            ++counts.differing[table.class_of[x[p]][y[p]]];
    if (a.has_missing && b.has_missing)
        counts.both_missing = common_bits(a.missing, b.missing, n);
    if (a.has_gaps && b.has_gaps)
        counts.both_gaps = common_bits(a.gaps, b.gaps, n);
    return counts;
}
