#include "model/pop_haplo.h"

#include <algorithm>
#include <cstring>

namespace {

const int ALLELE_STEP = 50;

// A missing allele (a locus without alleles in a reference) has no name.
const char* name_of(TAllele const* a)
{
    return a ? a->name.str : "";
}

}  // namespace

TPopHaplotype::TPopHaplotype() : TPopHaplotype(' ') {}

TPopHaplotype::TPopHaplotype(char const& sep) : TPopHaplotype(sep, 9) {}

TPopHaplotype::TPopHaplotype(char const& sep, int n_loci)
    : id("UNKNOWN"), freq(0), prev_freq(0), sd(0), sum_freq(0),
      alleles(n_loci, ALLELE_STEP), separator(sep), ld(0), ld_norm(0),
      fixed(0), inbreed_share(0), homo_count(0), matched(0), index(-1)
{
    alleles.owns = 0;
}

TPopHaplotype::TPopHaplotype(TPopHaplotype const& source) : TPopHaplotype()
{
    *this = source;
}

TPopHaplotype& TPopHaplotype::operator=(TPopHaplotype const& source)
{
    if (this == &source)
        return *this;
    copy_frequencies(source);
    ld = source.ld;
    ld_norm = source.ld_norm;
    fixed = source.fixed;
    inbreed_share = source.inbreed_share;
    homo_count = source.homo_count;
    alleles.Reallocate(source.alleles.count);
    for (int i = 0; i < source.alleles.count; i++)
        alleles.Add(source.alleles.data[i]);
    matched = source.matched;
    index = source.index;
    return *this;
}

void TPopHaplotype::copy_frequencies(TPopHaplotype const& source)
{
    id = source.id;
    freq = source.freq;
    prev_freq = source.prev_freq;
    sd = source.sd;
    sum_freq = source.sum_freq;
    separator = source.separator;
}

bool TPopHaplotype::operator==(TPopHaplotype const& other) const
{
    if (alleles.count != other.alleles.count)
        return false;
    return std::equal(alleles.data, alleles.data + alleles.count, other.alleles.data);
}

bool TPopHaplotype::operator<(TPopHaplotype const& other) const
{
    int common = std::min(alleles.count, other.alleles.count);
    for (int i = 0; i < common; i++) {
        int c = std::strcmp(name_of(alleles.data[i]), name_of(other.alleles.data[i]));
        if (c != 0)
            return c < 0;
    }
    return alleles.count < other.alleles.count;
}

TPopHaplotype& TPopHaplotype::copy_restricted_hapl(int const* list, TPopHaplotype const& source)
{
    if (this == &source) {
        TPopHaplotype copy(source);
        return copy_restricted_hapl(list, copy);
    }
    copy_frequencies(source);
    ld = ld_norm = 0;
    alleles.Reallocate(source.alleles.count);
    for (int j = 1; j <= list[0]; j++)
        alleles.Add(source.alleles[list[j]]);
    return *this;
}

TPopHaplotype& TPopHaplotype::build_sub_haplotype(int const* mask, TPopHaplotype const& source)
{
    if (this == &source) {
        TPopHaplotype copy(source);
        return build_sub_haplotype(mask, copy);
    }
    copy_frequencies(source);
    ld = ld_norm = 0;
    alleles.Reallocate(source.alleles.count);
    for (int j = 0; j < source.alleles.count; j++) {
        TAllele* a = source.alleles.data[j];
        if (a && mask[a->locus]) {
            alleles.Add(a);
            a->sub_locus = j;
        }
    }
    return *this;
}

void TPopHaplotype::build_sampled_haplo(int n, TAllele* a, TAllele* b)
{
    id = n;
    freq = prev_freq = sd = sum_freq = ld = ld_norm = 0;
    separator = ' ';
    alleles.Flush();
    alleles.Add(a);
    alleles.Add(b);
}

void TPopHaplotype::empty()
{
    alleles.Flush();
}

std::ostream& operator<<(std::ostream& os, TPopHaplotype const& h)
{
    for (int i = 0; i < h.alleles.count; i++) {
        os << name_of(h.alleles.data[i]);
        if (h.separator)
            os << h.separator;
    }
    return os;
}
