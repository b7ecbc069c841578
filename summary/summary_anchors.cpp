// Result anchors of the summary tables, and two helpers of the tables: the
// table rule and the expected heterozygosity of a locus of the pooled allele
// counts (Nei 1987).

#include <string>

#include "model/allele.h"
#include "project/result_tree.h"
#include "project/samples.h"
#include "summary/summary_report.h"

void Samples::print_computation_anchor(int level, settings& s, my_string const& shortName,
                                       my_string const& treeText)
{
    my_string suffix = my_string(atGroupLevel ? "_gr_comp_sum_" : "_comp_sum_") + shortName;
    print_js_doc_entry(s, level, suffix.str, treeText.str);
}

void printLine(std::ostream& os, int n)
{
    if (n > 0)
        os << std::string(static_cast<std::size_t>(n), '-');
    os << "\n";
}

double computeHeterozygosity(TLocus const* locus, char)
{
    if (!locus || locus->alleles.count == 0)
        return 0.0;
    double N = 0.0, sum_sq = 0.0;
    for (int i = 0; i < locus->alleles.count; ++i) {
        const double c = locus->alleles.data[i]->count;
        N += c;
        sum_sq += c * c;
    }
    if (N <= 1.0)
        return 0.0;
    return (1.0 - sum_sq / (N * N)) * N / (N - 1.0);
}
