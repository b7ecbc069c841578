// Haplotype and allele frequency tables of a sample, and the pooling of
// haplotypes at distance 0 into frequency classes (the allele classes of the
// infinite-allele tests). Binomial standard errors sqrt(p(1-p)/(n-1)).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "project/result_tree.h"

namespace {

const char* const kWhere = "PopGenetics::calc_hapl_dat_hapl_freq()";

// Distinct items with their summed counts, in order of first appearance.
template <class T>
struct CountedList {
    std::vector<T> items;
    std::vector<double> counts;
    double total = 0.0;

    // The count goes to the first listed item that is the same as `item`,
    // or to `item` appended.
    template <class Same>
    void add(T item, double count, Same same)
    {
        auto at = std::find_if(items.begin(), items.end(), same);
        if (at == items.end()) {
            items.push_back(item);
            counts.push_back(count);
        } else {
            counts[at - items.begin()] += count;
        }
        total += count;
    }

    // Frequencies in place of the counts; false (nothing changed) when the
    // list is empty or its total is not positive.
    bool to_frequencies()
    {
        if (items.empty() || total <= 0.0)
            return false;
        for (double& c : counts)
            c /= total;
        return true;
    }
};

void header(std::ostream& out, const char* last_column)
{
    out << std::right << std::setw(5) << "No." << std::setw(10) << "Freq." << std::setw(10)
        << "s.d." << last_column << std::endl;
}

std::ofstream* allele_freqs_batch()
{
    return _ALLELE_FREQS_ && ofs_allele_freqs ? ofs_allele_freqs : nullptr;
}

}  // namespace

double PopGenetics::frequency_sd(double p) const
{
    const double divisor = SampleSize > 2.0 ? std::sqrt(SampleSize - 1.0) : 1.0;
    return std::sqrt(p * (1.0 - p)) / divisor;
}

// The sample's line of allele_freqs.sum, begun by the driver, is ended here
// on every path, so that the next sample starts a line of its own.
void PopGenetics::calc_hapl_dat_hapl_freq(settings& s)
{
    if (s.results_stream && print_haplotype_frequencies(*s.results_stream) && s.ComputeAllAllelesEM)
        print_allele_frequencies(*s.results_stream, s);
    if (std::ofstream* batch = allele_freqs_batch())
        *batch << "\n";
}

// Haplotypes with the same alleles at every locus are one haplotype, whatever
// their ids; frequency data have no alleles, their ids tell them apart.
bool PopGenetics::print_haplotype_frequencies(std::ostream& out)
{
    const bool by_id = ProfileSettings::DataType == FREQUENCY;
    CountedList<HaploDef const*> pooled;
    for (int i = 0; i < haplotypes.count; ++i) {
        HaploDef const* h = haplotypes.data[i]->haplotype;
        auto same = [&](HaploDef const* other) {
            return by_id ? std::strcmp(h->id.str, other->id.str) == 0
                         : h->hasSameAllelicContent(*other);
        };
        pooled.add(h, haplotypes.data[i]->count, same);
    }
    if (!pooled.to_frequencies()) {
        E.error(ERROR, kWhere, 170);
        return false;
    }
    out << "\nHaplotype database content:\n" << std::endl;
    header(out, by_id ? "    Ext ID:" : "    Haplotype:");
    out << std::fixed << std::setprecision(5);
    for (std::size_t k = 0; k < pooled.items.size(); ++k) {
        const double p = pooled.counts[k];
        HaploDef const& h = *pooled.items[k];
        out << std::setw(5) << k + 1 << std::setw(10) << p << std::setw(10) << frequency_sd(p)
            << "    " << result_text(by_id ? h.id : h.content) << std::endl;
    }
    return true;
}

// Loci are numbered from 1 on the batch line and the DNA lines, from 0 in the
// headings of the other data types' tables.
void PopGenetics::print_allele_frequencies(std::ostream& out, settings const& s)
{
    out << "\nAllele Data base content:\n" << std::endl;
    std::ofstream* batch = allele_freqs_batch();
    if (batch)
        *batch << "\tSample \"" << name << "\"";
    const TDataType type = ProfileSettings::DataType;
    if (type == DNA)
        out << "Site#\tStates\tState frequencies\n" << "=====\t======\t=================\n";
    const int loci = s.allele_db ? s.allele_db->loci.count : 0;
    for (int d = 0; d < loci; ++d) {
        CountedList<TAllele const*> alleles;
        for (int i = 0; i < haplotypes.count; ++i) {
            MY_TIArrayAsVector<TAllele> const& vect = haplotypes.data[i]->haplotype->haplovect;
            TAllele const* a = d < vect.count ? vect.data[d] : nullptr;
            if (a)
                alleles.add(a, haplotypes.data[i]->count, [a](TAllele const* b) { return a == b; });
        }
        if (!alleles.to_frequencies()) {
            E.error(ERROR, kWhere, 170);
            return;
        }
        if (type == FREQUENCY)
            continue;
        if (batch)
            *batch << "\tLocus_" << d + 1;
        if (type == DNA) {
            out << std::right << std::setw(5) << d + 1 << "\t" << alleles.items.size() << "\t"
                << std::fixed << std::setprecision(4);
            for (std::size_t k = 0; k < alleles.items.size(); ++k)
                out << result_text(alleles.items[k]->name) << " : " << alleles.counts[k] << "\t";
            out << "\n";
        } else {
            out << "\nAlleles for the locus " << d << ":\n" << std::endl;
            header(out, "  Allele:");
            for (std::size_t k = 0; k < alleles.items.size(); ++k) {
                const double p = alleles.counts[k];
                out << std::setw(5) << k + 1 << std::setw(10) << p << std::setw(10)
                    << frequency_sd(p) << "   " << result_text(alleles.items[k]->name) << std::endl;
            }
        }
        if (batch)
            for (double p : alleles.counts)
                *batch << "\t" << p;
    }
}

int PopGenetics::check_hapl_freqs(RectMat const& distances, HaplotypeClasses& classes)
{
    const int n = haplotypes.count;
    if (std::min(distances.nrows, distances.ncols) < n)
        return 0;
    std::vector<int> class_of(n);
    std::vector<double> class_counts;
    for (int i = 0; i < n; ++i) {
        int j = 0;
        while (j < i && distances(i, j) != 0.0)
            ++j;
        if (j < i) {
            class_of[i] = class_of[j];
            class_counts[class_of[i]] += haplotypes.data[i]->count;
        } else {
            class_of[i] = static_cast<int>(class_counts.size());
            class_counts.push_back(haplotypes.data[i]->count);
        }
    }
    double total = 0.0;
    for (double c : class_counts) {
        classes.Add(new AHaplFreq(c, c * c));
        total += std::floor(c);
    }
    if (total == SampleSize)
        return 1;
    E.error(ERROR, "PopGenetics::check_hapl_freqs", 169);
    return 0;
}

int PopGenetics::check_hapl_redond(RectMat const& distances)
{
    const int n = haplotypes.count;
    if (std::min(distances.nrows, distances.ncols) != n)
        return 0;
    std::vector<int> survivors;
    for (int i = 0; i < n; ++i) {
        auto same = std::find_if(survivors.begin(), survivors.end(),
                                 [&](int j) { return distances(i, j) == 0.0; });
        if (same == survivors.end())
            survivors.push_back(i);
        else
            haplotypes.data[*same]->count += haplotypes.data[i]->count;
    }
    // Detach the survivors, then delete the merged records with the list.
    std::vector<PHaploDef*> kept;
    for (int j : survivors) {
        kept.push_back(haplotypes.data[j]);
        haplotypes.data[j] = nullptr;
    }
    haplotypes.Flush();
    for (PHaploDef* record : kept)
        haplotypes.Add(record);
    num_haplotypes = static_cast<int>(kept.size());
    return 1;
}
