// The distances between the haplotypes of a sample in the results: the
// matrix with the list of haplotypes and the minimum spanning network; and
// the 0/1 matrix of conventional F-statistics (two haplotypes differ or not)
// with its distance file.

#include <algorithm>
#include <cstring>
#include <ctime>
#include <iomanip>
#include <memory>
#include <new>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "comparisons/min_spa_net.h"
#include "core/xml.h"
#include "project/project_file_lines.h"
#include "project/result_tree.h"

namespace {

// An XML element of the sample's tables, named after the sample.
TXmlTag sample_tag(const char* tag_name, my_string const& sample_name)
{
    TXmlTag tag(tag_name);
    tag.attribute = "pop";
    tag.value = sample_name;
    return tag;
}

}  // namespace

my_string const& PopGenetics::haplotype_id(int k) const
{
    return haplotypes.data[k]->haplotype->id;
}

void PopGenetics::print_out_dist_mat(std::fstream* out, settings& s)
{
    num_haplotypes = haplotypes.count;
    int longest = 0;
    for (int k = 0; k < num_haplotypes; ++k)
        longest = std::max(longest, haplotype_id(k).length);
    const int w = network_label_width(longest);
    if (!out)
        return;
    std::ostream& o = *out;
    RectMat* m = HaplDistMat;
    const int n = m ? std::min({num_haplotypes, m->nrows, m->ncols}) : 0;

    if (s.PrintHaplDistMat && m) {
        *_ZOS_ << "\t\t\tWriting matrix to file ...\n";
        o << "\nInter-haplotypic distance matrix (s.d. above diagonal):\n\n";
        TXmlTag tag = sample_tag("interHapDistMatrix", name);
        if (xmlOutput)
            o << tag.open() << "\n";
        o << std::setw(w) << " ";
        for (int j = 0; j < n; ++j)
            o << std::setw(w) << result_text(haplotype_id(j));
        o << "\n" << std::endl;
        // Allele counts have no standard deviations to show above the diagonal.
        const bool with_sd =
            ProfileSettings::DataType != MICROSAT && ProfileSettings::DataType != STANDARD;
        fixed_notation(o, 4);
        for (int i = 0; i < n; ++i) {
            o << std::setw(w) << result_text(haplotype_id(i));
            for (int j = 0; j < i; ++j)
                o << std::setw(w) << (*m)(i, j);
            if (with_sd) {
                o << std::setw(w) << " ";
                for (int j = i + 1; j < n; ++j)
                    o << std::setw(w) << (*m)(i, j);
            }
            o << "\n";
        }
        o << "\n";
        if (xmlOutput)
            o << tag.close() << "\n";
    }

    o << "\nList of Haplotypes:\n\n";
    TXmlTag labels = sample_tag("interHapDistMatrixLabels", name);
    if (xmlOutput)
        o << labels.open() << "\n";
    for (int k = 0; k < num_haplotypes; ++k)
        o << std::setw(w) << result_text(haplotype_id(k)) << " : "
          << result_text(haplotypes.data[k]->haplotype->content)
          << std::endl;
    o << "\n";
    if (xmlOutput)
        o << labels.close() << "\n";

    if (s.PrintMinSpannNetworkPop && m) {
        TMinSpaNet net(m);
        net.MakeNetwork();
        print_spanning_network(
            o, net, n, w, [this](int k) -> my_string const& { return haplotype_id(k); },
            [&] { net.printMST(o, name.str, haplotypes); }, true);
    }
}

namespace {

bool is_missing(TAllele const* a, char missing)
{
    return a && a->name.length == 1 && a->name.str[0] == missing;
}

}  // namespace

// Microsatellite and standard haplotypes differ when a usable locus holds
// two different alleles, neither of them missing; sequences always differ.
bool PopGenetics::differ_for_conventional_FST(int i, int j) const
{
    if (ProfileSettings::DataType == DNA || ProfileSettings::DataType == RFLP)
        return true;
    MY_TIArrayAsVector<TAllele> const& a = haplotypes.data[i]->haplotype->haplovect;
    MY_TIArrayAsVector<TAllele> const& b = haplotypes.data[j]->haplotype->haplovect;
    const int loci = std::min({a.count, b.count, num_loci_of_first_haplotype()});
    const char missing = profile.MissingData;
    for (int l = 0; l < loci; ++l) {
        if (LocusUsable && !LocusUsable[l])
            continue;
        if (a.data[l] != b.data[l] && !is_missing(a.data[l], missing)
            && !is_missing(b.data[l], missing))
            return true;
    }
    return false;
}

int PopGenetics::compute_dist_mat_for_conventional_FST(std::ofstream& out, settings* s)
{
    const char* const where = "PopGenetics::compute_dist_mat_for_conventional_FST()";
    if (haplotypes.count == 0) {
        E.error(ERROR, where, 108);
        return 0;
    }
    // The matrix in use is replaced only once its successor is complete.
    std::unique_ptr<RectMat> fresh;
    if (ProfileSettings::DataType == FREQUENCY) {
        fresh = std::make_unique<RectMat>(2, 2);
        fresh->constant_mode = 1;
        delete HaplDistMat;
        HaplDistMat = fresh.release();
        return 1;
    }
    if (num_haplotypes == 0) {
        E.error(ERROR, where, 108);
        return 0;
    }
    const int n = num_haplotypes;
    const int rows = std::min(n, haplotypes.count);
    try {
        fresh = std::make_unique<RectMat>(n, n);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, where, 0);
        return 0;
    }
    *_ZOS_ << "\t\tBeginning distance computations ...\n";
    std::clock_t start = std::clock();
    RectMat& d = *fresh;
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < i; ++j)
            d(i, j) = differ_for_conventional_FST(i, j) ? 1.0 : 0.0;
        d(i, i) = 0.0;
        settings::print_message();
        if (s && s->stop_requested)
            return 0;
    }
    *_ZOS_ << "\t\tdone ! (" << milliseconds_since(start) << " ms)\n";
    delete HaplDistMat;
    HaplDistMat = fresh.release();

    if (!out.good())
        return 1;
    *_ZOS_ << "\t\tWriting matrix to file ...\n";
    start = std::clock();
    fixed_notation(out, 4);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < i; ++j)
            out << std::setw(8) << d(i, j);
        out << std::setw(8) << " ";
        for (int j = i + 1; j < n; ++j)
            out << std::setw(8) << d(i, j);
        out << std::endl;
    }
    *_ZOS_ << "\t\tdone ! (" << milliseconds_since(start) << " ms)\n";
    return 1;
}
