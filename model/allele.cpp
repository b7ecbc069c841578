// Alleles and loci of the allele database.

#include "model/allele.h"

#include <algorithm>
#include <cstring>

int TAllele::numPop = 0;
int TAllele::numGroup = 0;

namespace {

// A fresh copy of the n values of source (n may be 0).
double* copy_of(double const* source, int n)
{
    double* copy = new double[n];
    std::copy(source, source + n, copy);
    return copy;
}

bool same_name(TAllele const* allele, my_string const& s)
{
    return std::strcmp(allele->name.str, s.str) == 0;
}

bool is_single_char_name(my_string const& name, char c)
{
    return name.length == 1 && name.str[0] == c;
}

}  // namespace

TAllele::TAllele()
    : name("UNDEF"), count(0), locus(0), sub_locus(0), mark(1), pop_freq(nullptr),
      group_freq(nullptr), exp_freq(0), inbreed_sum(0), pop_freq_len(0), group_freq_len(0)
{
}

TAllele::TAllele(my_string const& allele_name, double const& weight, int const& locus_index)
    : name(allele_name), count(weight), locus(locus_index), sub_locus(0), mark(1),
      pop_freq(nullptr), group_freq(nullptr), exp_freq(0), inbreed_sum(0), pop_freq_len(0),
      group_freq_len(0)
{
}

TAllele::TAllele(TAllele const& source)
    : name(), count(0), locus(0), sub_locus(0), mark(1), pop_freq(nullptr), group_freq(nullptr),
      exp_freq(0), inbreed_sum(0), pop_freq_len(0), group_freq_len(0)
{
    *this = source;
}

TAllele::~TAllele()
{
    delete[] pop_freq;
    delete[] group_freq;
}

TAllele& TAllele::operator=(TAllele const& source)
{
    if (this == &source)
        return *this;
    name = source.name;
    count = source.count;
    mark = source.mark;
    locus = source.locus;
    exp_freq = source.exp_freq;
    inbreed_sum = source.inbreed_sum;

    release_pop_freq();
    if (source.pop_freq) {
        pop_freq = copy_of(source.pop_freq, source.pop_freq_len);
        pop_freq_len = source.pop_freq_len;
    }
    release_group_freq();
    if (source.group_freq) {
        group_freq = copy_of(source.group_freq, source.group_freq_len);
        group_freq_len = source.group_freq_len;
    }
    return *this;
}

void TAllele::release_pop_freq()
{
    delete[] pop_freq;
    pop_freq = nullptr;
    pop_freq_len = 0;
}

void TAllele::release_group_freq()
{
    delete[] group_freq;
    group_freq = nullptr;
    group_freq_len = 0;
}

std::ostream& operator<<(std::ostream& os, TAllele const& allele)
{
    return os << allele.name;
}

TLocus::TLocus(my_string const& locus_name)
    : alleles(0, 5), noted_(0), noted_char_(), noted_allele_(), name(locus_name), print_width(0),
      locus_results(), meanHetWithinSamples(0.0)
{
}

TLocus::TLocus(TLocus const& source) : TLocus(my_string())
{
    *this = source;
}

TLocus& TLocus::operator=(TLocus const& source)
{
    name = source.name;
    print_width = source.print_width;
    if (this != &source) {
        alleles.Flush();
        noted_ = 0;
        for (int i = 0; i < source.alleles.count; i++)
            alleles.Add(new TAllele(*source.alleles[i]));
    }
    std::copy(source.locus_results, source.locus_results + 12, locus_results);
    meanHetWithinSamples = source.meanHetWithinSamples;
    return *this;
}

TAllele* TLocus::find_allele_by_name(char const& c)
{
    int pos = find_allele_pos_by_name(c);
    return pos < 0 ? nullptr : alleles[pos];
}

TAllele* TLocus::find_allele_by_name(my_string const& s)
{
    int pos = find_allele_pos_by_name(s);
    return pos < 0 ? nullptr : alleles[pos];
}

int TLocus::find_allele_pos_by_name(char const& c)
{
    const int wanted = static_cast<unsigned char>(c);
    const int n = alleles.count;
    int i = 0;
    for (; i < noted_ && i < n && alleles.data[i] == noted_allele_[i]; i++)
        if (noted_char_[i] == wanted)
            return i;
    noted_ = i;  // notes from position i on are missing or out of date
    for (; i < n; i++) {
        my_string const& name = alleles.data[i]->name;
        if (i == noted_ && i < NOTED_ALLELES) {
            noted_allele_[i] = alleles.data[i];
            noted_char_[i] = name.length == 1 ? static_cast<unsigned char>(name.str[0]) : -1;
            noted_++;
        }
        if (is_single_char_name(name, c))
            return i;
    }
    return -1;
}

// Most names compared differ in their first character: comparing it before
// calling strcmp settles them inline.
int TLocus::find_allele_pos_by_name(my_string const& s)
{
    for (int i = 0; i < alleles.count; i++) {
        TAllele const* a = alleles.data[i];
        if (a->name.str[0] == s.str[0] && same_name(a, s))
            return i;
    }
    return -1;
}

int TLocus::get_allele_index(TAllele* allele)
{
    for (int i = 0; i < alleles.count; i++)
        if (alleles[i] == allele)
            return i;
    return -1;
}

bool TLocus::is_polymorph(char missing)
{
    // Position 0 is the recessive slot: with exactly three alleles the locus
    // is polymorphic only when neither of the two others is missing data.
    if (alleles.count < 3)
        return false;
    if (alleles.count > 3)
        return true;
    return !is_single_char_name(alleles[1]->name, missing) &&
           !is_single_char_name(alleles[2]->name, missing);
}

bool TLocus::is_polymorph(char missing, my_string const& other)
{
    int informative = 0;
    for (int i = 0; i < alleles.count; i++) {
        my_string const& n = alleles[i]->name;
        if (!is_single_char_name(n, missing) && std::strcmp(n.str, other.str) != 0)
            informative++;
    }
    return informative > 1;
}
