// Number and percentage of loci significantly linked to each polymorphic
// locus, by classes of minimum minor-allele count (Slatkin 1994): loci whose
// rarer allele is carried by few gene copies have little power to show
// linkage, so class y only counts loci whose minor allele has y copies or more.

#include <algorithm>
#include <iomanip>
#include <new>
#include <string>
#include <vector>

#include "analyses/popgen/ld_file.h"
#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/trimat.h"

namespace {

// Classes of minor-allele count shown: y = 1 to at most this.
constexpr int kMaxClass = 5;

// The second largest of the counts, counted with multiplicity.
long second_largest(std::vector<long> const& counts)
{
    long M = 0, S = 0;
    for (long c : counts) {
        if (c > M) {
            S = M;
            M = c;
        } else if (c == M && c > S) {
            S = c;
        } else if (S < c && c < M) {
            S = c;
        }
    }
    return S;
}

// The links of the listed loci within one class of minor-allele count.
struct LinkClass {
    std::vector<int> links;  // per listed locus
    int usable = 0;          // listed loci of the class

    LinkClass(int y, int m, std::vector<int> const& minor, TriMat& p_values, double level)
        : links(m, 0)
    {
        // A negative P marks a pair that was not tested: never linked.
        for (int i = 1; i < m; ++i)
            for (int j = 0; j < i; ++j) {
                const double p = p_values(i, j);
                if (p >= 0.0 && p < level && minor[i] >= y && minor[j] >= y) {
                    ++links[i];
                    ++links[j];
                }
            }
        for (int k = 0; k < m; ++k)
            usable += minor[k] >= y;
    }
    int denominator() const { return std::max(usable, 2); }
    double percentage(int k) const { return 100.0 * links[k] / (denominator() - 1); }
};

std::string repeat(const char* piece, int times)
{
    std::string s;
    for (int k = 0; k < times; ++k)
        s += piece;
    return s;
}

}  // namespace

void PopGenetics::init_all_min_allele(int const& m, int* loci, int* min_counts)
{
    std::fill(min_counts, min_counts + m, 0);
    std::vector<TAllele const*> alleles;
    std::vector<long> counts;
    for (int k = 0; k < m; ++k) {
        alleles.clear();
        counts.clear();
        const int L = loci[k];
        for (int i = 0; i < haplotypes.count; ++i) {
            PHaploDef const& record = *haplotypes.data[i];
            if (L >= record.haplotype->haplovect.count) {
                E.error(ERROR, "PopGenetics::init_all_min_allele()", 60);
                return;
            }
            TAllele const* a = record.haplotype->haplovect.data[L];
            if (missing_allele(a))
                continue;
            auto found = std::find(alleles.begin(), alleles.end(), a);
            if (found == alleles.end()) {
                alleles.push_back(a);
                counts.push_back(record.count);
            } else {
                counts[found - alleles.begin()] += record.count;
            }
        }
        min_counts[k] = static_cast<int>(second_largest(counts));
    }
}

void PopGenetics::print_ld_histo(int m, int* loci, TriMat& p_values, settings& s,
                                 std::fstream& out)
{
    std::vector<int> minor;
    try {
        minor.assign(m + 1, 0);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "PopGenetics::print_ld_histo()", 0);
        return;
    }
    std::ofstream ld;
    const bool ld_open = open_ld_file(ld, s.ld_file.str, "PopGenetics::print_ld_histo()");
    init_all_min_allele(m, loci, minor.data());
    const int Y = std::min(kMaxClass, *std::max_element(minor.begin(), minor.begin() + m));
    const double level = s.SignificanceLevelLD;
    const bool batch = _LINKAGE_DISEQUILIBRIUM_ && ofs_link_dis;

    // Table 1: numbers of linked loci.
    const std::string rule1 = std::string(29, '-') + repeat("-----", m);
    out << "\nNumber of linked loci per polymorphic locus (significance level="
        << std::setprecision(4) << level << "):\n"
        << std::string(27, '-') << repeat("-----", m) << std::endl;
    out << "y\\Locus: ";
    for (int k = 0; k < m; ++k)
        out << std::setw(5) << loci[k];
    out << "   No. of Loci" << std::endl << rule1 << std::endl;
    if (batch) {
        *ofs_link_dis << "\t\t\t";
        for (int k = 0; k < m; ++k)
            *ofs_link_dis << loci[k] << '\t';
        *ofs_link_dis << "\n";
    }
    auto ld_header = [&] {
        ld << "y\\Locus: ";
        for (int k = 0; k < m; ++k)
            ld << '\t' << loci[k];
        ld << '\t' << "   No. of Loci" << std::endl;
    };
    ld_header();
    for (int y = 1; y <= Y; ++y) {
        LinkClass c(y, m, minor, p_values, level);
        out << std::setw(6) << y << "   ";
        ld << y;
        if (batch)
            *ofs_link_dis << level << '\t' << y << '\t' << c.usable << '\t';
        for (int k = 0; k < m; ++k) {
            const bool usable = minor[k] >= y;
            if (usable)
                out << std::setw(5) << c.links[k];
            else
                out << std::setw(5) << "*";
            ld << '\t' << (usable ? c.links[k] : -1);
            if (batch)
                *ofs_link_dis << (usable ? c.links[k] : -1) << '\t';
        }
        out << "  " << std::setw(11) << c.usable << std::endl << rule1 << std::endl;
        ld << '\t' << c.usable << std::endl;
        if (batch)
            *ofs_link_dis << "\n";
    }
    out << "\n\n" << std::endl;
    ld << "\n\n" << std::endl;

    // Table 2: the same links as percentages of the other usable loci.
    const std::string rule2 = std::string(29, '-') + repeat("--------", m);
    out << "\nPercentage of linked loci per locus (significance level=" << std::setprecision(4)
        << level << "):\n"
        << std::string(27, '-') << repeat("--------", m) << std::endl;
    out << "y\\Locus: ";
    for (int k = 0; k < m; ++k)
        out << std::setw(8) << loci[k];
    out << "   No. of Loci" << std::endl << rule2 << std::endl;
    ld_header();
    for (int y = 1; y <= Y; ++y) {
        LinkClass c(y, m, minor, p_values, level);
        out << std::setw(6) << y << "   ";
        ld << y;
        for (int k = 0; k < m; ++k) {
            const bool usable = minor[k] >= y;
            if (usable)
                out << std::fixed << std::showpoint << std::right << std::setprecision(1)
                    << std::setw(8) << c.percentage(k);
            else
                out << std::setw(8) << "*";
            ld << '\t';
            if (usable)
                ld << c.percentage(k);
            else
                ld << -1;
        }
        out << "  " << std::setw(11) << c.denominator() << std::endl
            << rule2 << std::setprecision(13) << std::endl;
        ld << '\t' << c.denominator() << std::endl;
    }
    if (ld_open)
        out << "\n\nRemark: All these results can be found in the file: " << s.ld_file << "\n"
            << std::endl;
}
