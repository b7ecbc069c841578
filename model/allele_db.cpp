// The allele database: insertion, lookups, frequency arrays and the printout.

#include "model/allele_db.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <new>
#include <string>

#include "core/errors.h"
#include "core/random.h"

namespace {

my_string numbered_locus_name(int L)
{
    std::string text = "Locus " + std::to_string(L);
    return my_string(text.c_str());
}

// Applies act to every allele of every locus, loci and alleles in order.
template <class Action>
void for_each_allele(MY_TIArrayAsVector<TLocus>& loci, Action act)
{
    for (int i = 0; i < loci.count; i++) {
        MY_TIArrayAsVector<TAllele>& alleles = loci[i]->alleles;
        for (int j = 0; j < alleles.count; j++)
            act(alleles[j]);
    }
}

}  // namespace

TAlleleDB::TAlleleDB() : loci(10, 100), blanks_inserted(0), not_found()
{
    not_found.name = "Allele not found";
}

TAlleleDB::TAlleleDB(int const& n) : loci(n, 100), blanks_inserted(0), not_found()
{
    not_found.name = "Allele not found";
}

TAlleleDB::TAlleleDB(TAlleleDB const& source) : loci(10, 100), blanks_inserted(0), not_found()
{
    if (this != &source)
        *this = source;
}

TAlleleDB& TAlleleDB::operator=(TAlleleDB const& source)
{
    if (this != &source) {
        loci.Flush();
        for (int i = 0; i < source.loci.count; i++)
            loci.Add(new TLocus(*source.loci[i]));
    }
    blanks_inserted = source.blanks_inserted;
    return *this;
}

int TAlleleDB::locus_pos_by_name(my_string const& locus_name)
{
    for (int i = 0; i < loci.count; i++)
        if (std::strcmp(loci[i]->name.str, locus_name.str) == 0)
            return i;
    return -1;
}

TAllele* TAlleleDB::operator()(my_string const& locus_name, my_string const& allele_name)
{
    int L = locus_pos_by_name(locus_name);
    return L < 0 ? nullptr : loci[L]->find_allele_by_name(allele_name);
}

TAllele* TAlleleDB::operator()(int const& locus_index, my_string const& allele_name)
{
    if (locus_index < 0 || locus_index >= loci.count)
        return nullptr;
    return loci[locus_index]->find_allele_by_name(allele_name);
}

TAllele* TAlleleDB::operator()(my_string const& locus_name, int const& allele_pos)
{
    return allele_at(locus_pos_by_name(locus_name), allele_pos);
}

TAllele* TAlleleDB::allele_at(int locus, int pos) const
{
    if (locus < 0 || locus >= loci.count || pos < 0)
        return nullptr;
    TLocus const* L = loci.data[locus];
    return pos < L->alleles.count ? L->alleles.data[pos] : nullptr;
}

// The locus that an index form enters into; an index equal to the number of
// loci appends a new numbered locus. Any other index outside the loci is a
// caller's error: reported, and nothing is entered.
TLocus* TAlleleDB::locus_for_insert(int L)
{
    if (L == loci.count)
        loci.Add(new TLocus(numbered_locus_name(L)));
    if (L < 0 || L >= loci.count) {
        E.error(ERROR, "TAlleleDB::InsertAllPos", 1);
        return nullptr;
    }
    return loci[L];
}

int TAlleleDB::add_or_create(TLocus* locus, int found_pos, my_string const& allele_name, double w,
                             int L)
{
    if (found_pos >= 0) {
        locus->alleles[found_pos]->count += w;
        return found_pos;
    }
    locus->alleles.Add(new TAllele(allele_name, w, L));
    return locus->alleles.count - 1;
}

int TAlleleDB::InsertAllPos(int const& locus_index, my_string const& allele_name, double w)
{
    const int L = locus_index;  // a copy: the caller may pass loci.count, which appending changes
    TLocus* locus = locus_for_insert(L);
    if (!locus)
        return -1;
    return add_or_create(locus, locus->find_allele_pos_by_name(allele_name), allele_name, w, L);
}

int TAlleleDB::InsertAllPos(int const& locus_index, char const& c, double w)
{
    const int L = locus_index;  // a copy: the caller may pass loci.count, which appending changes
    TLocus* locus = locus_for_insert(L);
    if (!locus)
        return -1;
    int pos = locus->find_allele_pos_by_name(c);
    if (pos >= 0) {
        locus->alleles[pos]->count += w;  // found: no name needs building
        return pos;
    }
    my_string allele_name;
    allele_name = c;
    return add_or_create(locus, pos, allele_name, w, L);
}

int TAlleleDB::InsertAllPos(my_string const& locus_name, my_string const& allele_name, double w)
{
    int L = locus_pos_by_name(locus_name);
    if (L < 0) {
        loci.Add(new TLocus(locus_name));
        L = loci.count - 1;
    }
    TLocus* locus = loci[L];
    return add_or_create(locus, locus->find_allele_pos_by_name(allele_name), allele_name, w, L);
}

int TAlleleDB::InsertAllPos(int const& L, my_string const& allele_name, double& w, int const&)
{
    return InsertAllPos(L, allele_name, static_cast<double>(w));
}

int TAlleleDB::InsertAllPos(int const& L, char const& c, double& w, int const&)
{
    return InsertAllPos(L, c, static_cast<double>(w));
}

void TAlleleDB::destroy()
{
    loci.Flush();
    blanks_inserted = 0;
}

void TAlleleDB::assign_rand_exp_freq()
{
    // A positive seed only draws: the process-wide stream goes on.
    long seed = 1;
    for (int i = 0; i < loci.count; i++) {
        MY_TIArrayAsVector<TAllele>& alleles = loci[i]->alleles;
        double sum = 0;
        for (int j = 0; j < alleles.count; j++) {
            alleles[j]->exp_freq = ran3(&seed);
            sum += alleles[j]->exp_freq;
        }
        if (sum > 0)
            for (int j = 0; j < alleles.count; j++)
                alleles[j]->exp_freq /= sum;
    }
}

void TAlleleDB::reset_exp_freq()
{
    for_each_allele(loci, [](TAllele* a) {
        a->exp_freq = 0;
        a->inbreed_sum = 0;
    });
}

double TAlleleDB::update_all_freq_with_inbreeding(double const& F)
{
    if (!(F > 0))
        return -1;
    if (loci.count == 0)
        return 0;
    if (TAllele::numPop < 2)
        return -1;
    // Entries 0 and 1 of pop_freq are read and written: check every allele
    // before changing any.
    bool all_have_two = true;
    for_each_allele(loci, [&](TAllele* a) {
        if (!a->pop_freq || a->pop_freq_len < 2)
            all_have_two = false;
    });
    if (!all_have_two)
        return -1;
    double change = 0;
    for_each_allele(loci, [&](TAllele* a) {
        double e = (a->pop_freq[0] - a->inbreed_sum) / F;
        a->exp_freq = e;
        change += std::fabs(e - a->pop_freq[1]);
        a->pop_freq[1] = e;
        a->inbreed_sum = 0;
    });
    return change;
}

// Gives every allele a fresh array of n zeros in the member array (with its
// length in the member length). When memory runs out, every array of that
// kind is released, the failure reported and false returned, so that the
// caller leaves its static length as it was.
bool TAlleleDB::create_freq_arrays(int n, double* TAllele::*array, int TAllele::*length)
{
    auto release = [&](TAllele* a) {
        delete[] (a->*array);
        a->*array = nullptr;
        a->*length = 0;
    };
    try {
        for_each_allele(loci, [&](TAllele* a) {
            release(a);
            a->*array = new double[n]();
            a->*length = n;
        });
    } catch (std::bad_alloc const&) {
        for_each_allele(loci, release);
        E.error(MEMORY, "TAlleleDB::create_pop_freq_vector", 0);
        return false;
    }
    return true;
}

void TAlleleDB::create_pop_freq_vector(int const& n)
{
    if (create_freq_arrays(n, &TAllele::pop_freq, &TAllele::pop_freq_len))
        TAllele::numPop = n;
}

void TAlleleDB::create_group_freq_vector(int const& n)
{
    if (create_freq_arrays(n, &TAllele::group_freq, &TAllele::group_freq_len))
        TAllele::numGroup = n;
}

void TAlleleDB::flush_pop_freq_vector()
{
    for_each_allele(loci, [](TAllele* a) { a->release_pop_freq(); });
}

void TAlleleDB::flush_group_freq_vector()
{
    for_each_allele(loci, [](TAllele* a) { a->release_group_freq(); });
}

void TAlleleDB::reset_all_pop_freqs()
{
    flush_pop_freq_vector();
}

std::ostream& operator<<(std::ostream& os, TAlleleDB& db)
{
    int rows = 0;
    for (int i = 0; i < db.loci.count; i++) {
        TLocus* locus = db.loci[i];
        int longest = 0;
        for (int j = 0; j < locus->alleles.count; j++)
            longest = std::max(longest, locus->alleles[j]->name.length);
        locus->print_width = longest + 1;
        rows = std::max(rows, locus->alleles.count);
    }
    std::ios::fmtflags saved = os.flags();
    os << std::right;
    for (int r = 0; r < rows; r++) {
        for (int i = 0; i < db.loci.count; i++) {
            TLocus* locus = db.loci[i];
            if (r < locus->alleles.count) {
                TAllele* a = locus->alleles[r];
                // The percentage is truncated, not rounded.
                long long percent = static_cast<long long>(a->count * 100);
                os << std::setw(locus->print_width) << a->name.str << std::setw(4) << percent
                   << "%|";
            } else {
                os << std::setw(locus->print_width) << " " << std::setw(4) << " " << " |";
            }
        }
        os << std::endl;
    }
    os.flags(saved);
    return os;
}
