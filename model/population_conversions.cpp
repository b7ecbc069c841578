// Conversions of a sample between its forms: individuals into haplotype
// records (phen_to_gam), the whole haplotype list into records
// (haplotype_transf), estimated haplotype frequencies into records
// (h_pop_db_to_gam), and the pooling of samples into a group sample
// (operator+=).
//
// Haplotypes that these conversions create enter the project's haplotype list
// under the id "h" and a running number that starts after the list's length.

#include "model/population.h"

#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/settings.h"
#include "core/errors.h"

namespace {

// Ids of the new definitions: "h" and the next number after the list's
// length on entry, skipping numbers whose id the list already holds, so that
// a list written back as a project file reads again without a repeated id.
class NewHaplotypeIds {
public:
    explicit NewHaplotypeIds(Haplo_DB const& db) : last_(db.list.count)
    {
        for (int i = 0; i < db.list.count; ++i)
            used_.insert(db.list.data[i]->id.str);
    }

    // The next free id; its number in `number`.
    my_string next(int& number)
    {
        std::string id;
        do
            id = "h" + std::to_string(++last_);
        while (used_.count(id) != 0);
        number = last_;
        return my_string(id.c_str());
    }

private:
    std::unordered_set<std::string> used_;
    int last_;
};

// The records of a haplotype list by the definition they point to: the first
// record of each definition, as a scan from the start would find it.
class RecordsByHaplotype {
public:
    explicit RecordsByHaplotype(MY_TIArrayAsVector<PHaploDef>& records) : records_(records)
    {
        for (int i = 0; i < records.count; ++i)
            first_.emplace(records.data[i]->haplotype, records.data[i]);
    }

    // Adds n to the record of h, or appends the record {h, n}.
    void add(HaploDef* h, int n)
    {
        auto found = first_.find(h);
        if (found != first_.end()) {
            found->second->count += n;
            return;
        }
        PHaploDef* record = new PHaploDef(h, n);
        records_.Add(record);
        first_.emplace(h, record);
    }

private:
    MY_TIArrayAsVector<PHaploDef>& records_;
    std::unordered_map<HaploDef const*, PHaploDef*> first_;
};

// Two definitions stand for the same haplotype when they are the same
// definition, or when both hold allele pointers and those are the same
// objects locus by locus. Definitions without allele pointers (frequency
// data) are only equal to themselves, so pooling never merges them.
bool same_haplotype(HaploDef const* a, HaploDef const* b)
{
    if (a == b)
        return true;
    if (!a || !b || a->haplovect.count == 0 || b->haplovect.count == 0)
        return false;
    return a->hasSameAllelicContent(*b);
}

// A hash consistent with same_haplotype: the allele pointers, or the
// definition itself when it has none.
std::size_t haplotype_key(HaploDef const* h)
{
    std::hash<void const*> hash_pointer;
    if (!h || h->haplovect.count == 0)
        return hash_pointer(h);
    std::size_t key = static_cast<std::size_t>(h->haplovect.count);
    for (int i = 0; i < h->haplovect.count; ++i)
        key = key * 1000003u ^ hash_pointer(h->haplovect.data[i]);
    return key;
}

// The text of an estimated haplotype as a definition holds it: the allele
// names in locus order, separated by the haplotype's separator unless 0.
my_string haplotype_text(TPopHaplotype const& h)
{
    std::string text;
    for (int i = 0; i < h.alleles.count; ++i) {
        if (i > 0 && h.separator != 0)
            text += h.separator;
        text += h.alleles.data[i]->name.str;
    }
    return my_string(text.c_str());
}

// Brings the pooling index up to the records: built anew when a record
// indexed earlier is gone or points at another definition, else extended by
// the records appended since.
void follow_records(PoolingIndex& index, MY_TIArrayAsVector<PHaploDef> const& records)
{
    std::size_t n = static_cast<std::size_t>(records.count);
    bool stale = index.indexed.size() > n;
    for (std::size_t i = 0; !stale && i < index.indexed.size(); ++i)
        stale = records.data[i]->haplotype != index.indexed[i];
    if (stale) {
        index.positions.clear();
        index.indexed.clear();
    }
    for (std::size_t i = index.indexed.size(); i < n; ++i) {
        HaploDef const* h = records.data[i]->haplotype;
        index.positions[haplotype_key(h)].push_back(static_cast<int>(i));
        index.indexed.push_back(h);
    }
}

bool has_null_allele(TPopHaplotype const& h)
{
    for (int i = 0; i < h.alleles.count; ++i)
        if (h.alleles.data[i] == nullptr)
            return true;
    return false;
}

}  // namespace

void rm_mult_delim(my_string const& in, my_string& out, char sep)
{
    std::string kept;
    kept.reserve(static_cast<std::size_t>(in.length));
    for (int i = 0; i < in.length; ++i)
        if (in.str[i] != sep || kept.empty() || kept.back() != sep)
            kept += in.str[i];
    out = kept.c_str();
}

void Population::phen_to_gam(Haplo_DB* db, ProfileSettings*, settings*)
{
    MY_TIArrayAsVector<TPhenotype>& list = individuals.phenotypes;
    haplotypes.Flush();
    haplotypes.Reallocate(2 * list.count);

    NewHaplotypeIds ids(*db);
    RecordsByHaplotype records(haplotypes);
    char separator = ProfileSettings::LocusSeparator;

    for (int i = 0; i < list.count; ++i) {
        TPhenotype& individual = *list.data[i];
        int c = static_cast<int>(individual.count);
        HaploDef* defs[2];
        for (int copy = 0; copy < 2; ++copy) {
            my_string text = individual.gene_copy[copy];
            if (separator != 0)
                rm_mult_delim(individual.gene_copy[copy], text, separator);
            HaploDef* def = db->find(text);
            if (def) {
                def->count += c;
            } else {
                int number;
                def = new HaploDef(ids.next(number));
                def->content = text;
                def->count = c;
                db->list.Add(def);
            }
            defs[copy] = def;
        }
        // The AMOVA and the pairwise comparisons (the FST of a Mantel test too)
        // read the gene copies one by one, whatever analyses are selected.
        for (int k = 0; k < c; ++k) {
            geneCopies.Add(new PHaploDef(defs[0], 1));
            geneCopies.Add(new PHaploDef(defs[1], 1));
        }
        records.add(defs[0], c);
        records.add(defs[1], c);
    }
    num_haplotypes = haplotypes.count;
    HaplotypesFromGenotypes = 1;
}

void Population::haplotype_transf(Haplo_DB& db)
{
    if (haplotypes.count != 0) {
        haplotypes.Flush();
        E.error(WARNING, "Population::haplotype_transf()", 156);
    }
    for (int i = 0; i < db.list.count; ++i)
        haplotypes.Add(new PHaploDef(db.list.data[i], db.list.data[i]->count));
    if (haplotypes.count != db.list.count)
        E.error(WARNING, "Population::haplotype_transf()", 157);
}

void Population::h_pop_db_to_gam(Haplo_DB* db, MY_TIArrayAsVector<PHaploDef>* target)
{
    MY_TIArrayAsVector<TPopHaplotype>& estimated = estimated_haplotypes.haplotypes;
    std::vector<int> copies(static_cast<std::size_t>(estimated.count));
    // Every haplotype that would enter the list is checked first, so that a
    // missing allele leaves the list, the records and the sample unchanged.
    for (int i = 0; i < estimated.count; ++i) {
        copies[i] = static_cast<int>(estimated.data[i]->freq * SampleSize + 0.5);
        if (copies[i] != 0 && has_null_allele(*estimated.data[i])) {
            E.error(ERROR, "Population::h_pop_db_to_gam()", 160);
            return;
        }
    }

    MY_TIArrayAsVector<PHaploDef>& L = target ? *target : haplotypes;
    NewHaplotypeIds ids(*db);
    RecordsByHaplotype records(L);
    for (int i = 0; i < estimated.count; ++i) {
        int n = copies[i];
        if (n == 0)
            continue;
        TPopHaplotype const& h = *estimated.data[i];
        my_string text = haplotype_text(h);
        HaploDef* def = db->find(text);
        if (def) {
            def->count += n;
        } else {
            int number;
            def = new HaploDef(ids.next(number));
            for (int a = 0; a < h.alleles.count; ++a)
                def->haplovect.Add(h.alleles.data[a]);
            def->content = text;
            def->matrix_index = number;
            def->count = n;
            db->list.Add(def);
        }
        records.add(def, n);
    }

    num_haplotypes = L.count;
    double total = 0;
    for (int i = 0; i < L.count; ++i)
        total += L.data[i]->count;
    SampleSize = total;
    inv_sample_size = SampleSize != 0 ? 1.0 / SampleSize : 0.0;
}

void Population::operator+=(Population const& other)
{
    if (other.individuals.phenotypes.count == 0) {
        // Records of equal haplotypes are found through a hash of their
        // alleles; positions are kept in list order, so the first equal
        // record takes the count, as a scan from the start would find it.
        follow_records(pooling_index_, haplotypes);
        std::unordered_map<std::size_t, std::vector<int>>& positions = pooling_index_.positions;
        for (int k = 0; k < other.haplotypes.count; ++k) {
            PHaploDef const* e = other.haplotypes[k];
            std::vector<int>& candidates = positions[haplotype_key(e->haplotype)];
            PHaploDef* match = nullptr;
            for (int pos : candidates)
                if (same_haplotype(haplotypes.data[pos]->haplotype, e->haplotype)) {
                    match = haplotypes.data[pos];
                    break;
                }
            if (match) {
                // Summed in 64 bits and held at the largest record count: the
                // pooled SampleSize keeps the true total, which the size gate
                // of the analyses refuses by the group's name.
                match->count = merged_count(match->count, e->count);
            } else {
                candidates.push_back(haplotypes.count);
                pooling_index_.indexed.push_back(e->haplotype);
                haplotypes.Add(new PHaploDef(e->haplotype, e->count));
            }
        }
        num_haplotypes = haplotypes.count;
    } else {
        MY_TIArrayAsVector<TPhenotype> const& list = other.individuals.phenotypes;
        int n = list.count;  // a sample added to itself is doubled once
        for (int i = 0; i < n; ++i)
            individuals.phenotypes.Add(new TPhenotype(*list.data[i]));
    }
    SampleSize += other.SampleSize;
    inv_sample_size = SampleSize != 0 ? 1.0 / SampleSize : 0.0;
    alleleDB = other.alleleDB;
    RecessiveAllelesEM = other.RecessiveAllelesEM;
}

void Population::convertAlleleStringsToHaplotypes()
{
    MY_TIArrayAsVector<TPhenotype>& list = individuals.phenotypes;
    for (int i = 0; i < list.count; ++i)
        for (my_string const& copy : list.data[i]->gene_copy)
            HaploDef discarded(copy);
}
