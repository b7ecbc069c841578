// The printed table of maximum-likelihood haplotype frequencies and the bare
// listing of a table.

#include <algorithm>
#include <iomanip>
#include <new>
#include <vector>

#include "core/errors.h"
#include "model/pop_haplo_db.h"
#include "project/result_tree.h"

namespace {

void write_allele(std::ostream& os, TAllele const* a, char separator)
{
    if (a)
        os << result_text(a->name);
    if (separator)
        os << separator;
}

}  // namespace

// A compacted haplotype holds only the alleles of the flagged loci; the other
// loci are shown from the reference haplotype.
void TPopHaploDB::write_expanded_alleles(std::ostream& os, TPopHaplotype const& h) const
{
    int next = 0;
    for (int j = 0; j < ref_hapl->alleles.count; j++) {
        TAllele const* a;
        if (j < n_flags_ && poly_flags[j])
            a = next < h.alleles.count ? h.alleles.data[next++] : nullptr;
        else
            a = ref_hapl->alleles.data[j];
        write_allele(os, a, h.separator);
    }
}

void TPopHaploDB::print(std::ostream& os, int expand, double min_freq)
{
    // The rows in the order of allele names locus by locus, equal haplotypes
    // in table order: a stable sort gives the order that sorted insertion
    // would, without its quadratic cost on large tables.
    std::vector<TPopHaplotype*> rows;
    try {
        rows.reserve(haplotypes.count);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "TPopHaploDB::print()", 0);
        return;
    }
    for (int i = 0; i < haplotypes.count; i++)
        if (haplotypes.data[i])
            rows.push_back(haplotypes.data[i]);
    std::stable_sort(rows.begin(), rows.end(),
                     [](TPopHaplotype const* a, TPopHaplotype const* b) { return *a < *b; });

    os << "\n------------------------------------------\n"
       << "Maximum-likelihood haplotype frequencies :\n"
       << "------------------------------------------\n\n";
    os << "Total number of possible haplotypes      :";
    os.setf(std::ios::showpoint);
    os.setf(std::ios::right, std::ios::adjustfield);
    os.setf(std::ios::fixed, std::ios::floatfield);
    os << std::setw(15) << haplotypes.count << "\n";
    os << "Minimum frequency to reach for output    :" << std::scientific << std::setprecision(3)
       << std::setw(15) << min_freq << "\n" << std::endl;
    os << "---------------------------------------\n"
       << std::setw(5) << "#" << std::setw(12) << "Haplotype" << std::setw(10) << "Freq."
       << std::setw(10) << "s.d." << "\n---------------------------------------\n" << std::endl;
    os << std::fixed << std::setprecision(6);

    bool expanded = expand && poly_flags && ref_hapl;
    int listed = 0, unlisted = 0;
    double sum_all = 0, sum_listed = 0;
    for (TPopHaplotype* h : rows) {
        sum_all += h->freq;
        if (!(h->freq > min_freq)) {
            h->index = -(++unlisted);
            continue;
        }
        h->index = ++listed;
        sum_listed += h->freq;
        if (expanded) {
            os << std::setw(5) << listed << std::setw(12) << h->id << "\t" << std::setw(10) << h->freq
               << std::setw(10) << h->sd << "\t";
            write_expanded_alleles(os, *h);
            os << std::endl;
        } else {
            os << std::setw(5) << listed << std::setw(12) << h->id << std::setw(10) << h->freq
               << std::setw(12) << h->sd << "\t";
            for (int j = 0; j < h->alleles.count; j++)
                write_allele(os, h->alleles.data[j], h->separator);
            os << "\n";
        }
    }

    os << "---------------------------------------\n" << std::endl;
    os << "Sum of all " << haplotypes.count << " haplotype frequencies : " << sum_all << "\n" << std::endl;
    os << "Sum of " << listed << " listed frequencies : " << sum_listed << "\n" << std::endl;
}

std::ostream& operator<<(std::ostream& os, TPopHaploDB const& db)
{
    for (int i = 0; i < db.haplotypes.count; i++) {
        TPopHaplotype const* h = db.haplotypes.data[i];
        os << *h << "  " << h->freq << "\n";
    }
    return os << std::endl;
}
