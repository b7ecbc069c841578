#include "model/pop_haplo_db.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_map>
#include <vector>

#include "core/errors.h"
#include "core/random.h"

namespace {

// Room for 10 haplotypes, growing by 100.
const int TABLE_UPPER = 9;
const int TABLE_STEP = 100;

// A locus holding more than one allele, the recessive-allele slot included.
bool has_polymorphic_locus(TAlleleDB const& db)
{
    for (int l = 0; l < db.loci.count; l++)
        if (db.loci.data[l]->alleles.count > 1)
            return true;
    return false;
}

}  // namespace

TPopHaploDB::TPopHaploDB()
    : haplotypes(TABLE_UPPER, TABLE_STEP), poly_flags(nullptr), ref_hapl(nullptr), n_flags_(0)
{
}

TPopHaploDB::TPopHaploDB(TPopHaploDB const& source) : TPopHaploDB()
{
    *this = source;
}

TPopHaploDB::~TPopHaploDB()
{
    release_reference();
}

TPopHaploDB& TPopHaploDB::operator=(TPopHaploDB const& source)
{
    if (this == &source)
        return *this;
    haplotypes.Flush();
    index_.clear();
    for (int i = 0; i < source.haplotypes.count; i++)
        if (source.haplotypes.data[i])
            haplotypes.Add(new TPopHaplotype(*source.haplotypes.data[i]));
    release_reference();
    if (source.ref_hapl)
        ref_hapl = new TPopHaplotype(*source.ref_hapl);
    if (source.poly_flags) {
        poly_flags = new int[source.n_flags_];
        std::copy(source.poly_flags, source.poly_flags + source.n_flags_, poly_flags);
        n_flags_ = source.n_flags_;
    }
    return *this;
}

void TPopHaploDB::release_reference()
{
    delete[] poly_flags;
    poly_flags = nullptr;
    n_flags_ = 0;
    delete ref_hapl;
    ref_hapl = nullptr;
}

void TPopHaploDB::empty()
{
    haplotypes.Flush();
    index_.clear();
    release_reference();
}

int TPopHaploDB::flush_haplotypes()
{
    int n = haplotypes.count;
    haplotypes.Flush();
    index_.clear();
    return n;
}

TPopHaplotype* TPopHaploDB::insert(TPopHaplotype const& h, double const& f)
{
    if (TPopHaplotype* stored = find(h)) {
        stored->freq += f;
        return stored;
    }
    TPopHaplotype* copy = new TPopHaplotype(h);
    copy->freq = f;
    haplotypes.Add(copy);
    return copy;
}

TPopHaplotype* TPopHaploDB::find(TPopHaplotype const& h) const
{
    int pos = index_.find(haplotypes, h);
    return pos < 0 ? nullptr : haplotypes.data[pos];
}

// Alleles changed in place move a haplotype to another place of the index:
// the index is built anew at the next lookup, once for a whole series of
// edits.
TPopHaplotype& TPopHaploDB::edit(int i)
{
    index_.clear();
    return *haplotypes.data[i];
}

void TPopHaploDB::keep_only(std::vector<char> const& keep)
{
    int kept = 0;
    for (int i = 0; i < haplotypes.count; i++) {
        if (keep[i])
            haplotypes.data[kept++] = haplotypes.data[i];
        else if (haplotypes.owns)
            delete haplotypes.data[i];
    }
    std::fill(haplotypes.data + kept, haplotypes.data + haplotypes.count, nullptr);
    haplotypes.count = kept;
    index_.clear();
}

int TPopHaploDB::cleanDB(double& threshold)
{
    std::vector<char> keep(haplotypes.count);
    for (int i = 0; i < haplotypes.count; i++)
        keep[i] = !(haplotypes.data[i]->freq < threshold);
    keep_only(keep);
    return haplotypes.count;
}

// Merging each later haplotype into the nearest earlier equal one, from the
// last down, leaves the first of each group with f1 + (f2 + (... + fk)); the
// groups are found by hashing and the sums are taken in that same order.
void TPopHaploDB::check_redundancy()
{
    int n = haplotypes.count;
    std::vector<int> first(n);
    std::unordered_map<std::size_t, std::vector<int>> firsts_by_key;
    for (int i = 0; i < n; i++) {
        TPopHaplotype const& h = *haplotypes.data[i];
        std::vector<int>& candidates = firsts_by_key[HaplotypeIndex::key(h)];
        first[i] = i;
        for (int c : candidates)
            if (*haplotypes.data[c] == h) {
                first[i] = c;
                break;
            }
        if (first[i] == i)
            candidates.push_back(i);
    }

    std::vector<double> tail(n, 0.0);
    std::vector<char> has_tail(n, 0), keep(n, 0);
    for (int i = n - 1; i >= 0; i--) {
        double f = haplotypes.data[i]->freq;
        int g = first[i];
        if (g != i) {
            tail[g] = has_tail[g] ? f + tail[g] : f;
            has_tail[g] = 1;
        } else {
            if (has_tail[i])
                haplotypes.data[i]->freq = f + tail[i];
            keep[i] = 1;
        }
    }
    keep_only(keep);
}

void TPopHaploDB::explode_base()
{
    int n_start = haplotypes.count;
    for (int i = 0; i < n_start; i++) {
        TPopHaplotype* h = haplotypes.data[i];
        int n = static_cast<int>(h->freq + 0.1);
        if (std::fabs(n - h->freq) > 0.0001)
            E.error(WARNING, "TPopHaploDB::explode_base()", 106);
        if (n > 1) {
            h->freq = 1;
            for (int k = 1; k < n; k++)
                haplotypes.Add(new TPopHaplotype(*h));
        }
    }
}

TPopHaplotype* TPopHaploDB::select_haplotype(double const& u) const
{
    double sum = 0;
    for (int i = 0; i < haplotypes.count; i++) {
        sum += haplotypes.data[i]->freq;
        if (sum > u)
            return haplotypes.data[i];
    }
    return nullptr;
}

void TPopHaploDB::permute(int* n_loci)
{
    int H = haplotypes.count;
    long seed = 1;
    index_.clear();
    for (int l = 0; l < *n_loci; l++)
        for (int i = 0; i < H; i++) {
            int j = i + static_cast<int>((H - i) * ran3(&seed));
            if (j >= H) {
                E.error(ERROR, "TPopHaploDB::permute_alleles()", 107);
                return;
            }
            MY_TIArrayAsVector<TAllele>& a = haplotypes.data[i]->alleles;
            MY_TIArrayAsVector<TAllele>& b = haplotypes.data[j]->alleles;
            if (l < a.count && l < b.count)
                std::swap(a.data[l], b.data[l]);
        }
}

void TPopHaploDB::build_reference_haplotype(TAlleleDB* db, char const& missing)
{
    if (!db || haplotypes.count == 0 || !has_polymorphic_locus(*db))
        return;
    int n = db->loci.count;
    release_reference();
    try {
        ref_hapl = new TPopHaplotype(haplotypes.data[0]->separator, n);
        poly_flags = new int[n]();
        n_flags_ = n;
    } catch (std::bad_alloc const&) {
        release_reference();
        E.error(MEMORY, "TPopHaploDB::build_reference_haplotype ()", 0);
        return;
    }
    for (int l = 0; l < n; l++) {
        MY_TIArrayAsVector<TAllele> const& alleles = db->loci.data[l]->alleles;
        if (alleles.count < 2) {
            ref_hapl->alleles.Add(alleles.count ? alleles.data[0] : nullptr);
            continue;
        }
        poly_flags[l] = 1;
        my_string const& first_name = alleles.data[0]->name;
        bool slot_is_missing = first_name.length > 0 && first_name.str[0] == missing;
        ref_hapl->alleles.Add(alleles.data[slot_is_missing ? 1 : 0]);
    }
}

int shrink(TPopHaplotype& h, LocusFlags const& flags)
{
    MY_TIArrayAsVector<TAllele>& a = h.alleles;
    int kept = 0;
    for (int i = 0; i < a.count; i++)
        if (i >= flags.n || flags.flags[i])
            a.data[kept++] = a.data[i];
    std::fill(a.data + kept, a.data + a.count, nullptr);
    a.count = kept;
    return flags.n;
}

void TPopHaploDB::compact(TAlleleDB* db, char const& missing)
{
    if (!db || haplotypes.count == 0 || !has_polymorphic_locus(*db)) {
        // Flags left from an earlier database would remove the wrong loci.
        release_reference();
        return;
    }
    build_reference_haplotype(db, missing);
    LocusFlags flags{n_flags_, poly_flags};
    for (int i = 0; i < haplotypes.count; i++)
        shrink(*haplotypes.data[i], flags);
    index_.clear();
}

void TPopHaploDB::init_ref_hapl(int* n_loci)
{
    static TAllele placeholder;
    delete ref_hapl;
    ref_hapl = nullptr;
    try {
        ref_hapl = new TPopHaplotype(' ', *n_loci);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "TPopHaploDB::init_ref_hapl()", 0);
        return;
    }
    for (int l = 0; l < *n_loci; l++)
        ref_hapl->alleles.Add(&placeholder);
}
