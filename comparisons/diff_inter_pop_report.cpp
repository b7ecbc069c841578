// Exact test of population differentiation: the global and pairwise tests
// with their output (Raymond and Rousset 1995; Goudet et al. 1996).

#include <cstdio>
#include <iomanip>
#include <ostream>
#include <string>
#include <vector>

#include "app/glbobj.h"
#include "app/settings.h"
#include "comparisons/diff_inter_pop.h"
#include "core/errors.h"
#include "core/trimat.h"
#include "core/xml.h"
#include "model/population.h"
#include "project/references.h"
#include "project/result_tree.h"
#include "project/samples.h"

namespace {

void print_labels(std::ostream& out, Samples const& samples)
{
    out << "\nList of labels for population samples used below:\n" << std::string(49, '-') << "\n";
    TXmlTag labels("exactTestPopLabels");
    if (xmlOutput)
        out << labels.open() << "\n";
    out << "Label  \tPopulation name\n" << "-----  \t---------------\n";
    for (int i = 0; i < samples.Populations.count; ++i)
        out << "  " << i + 1 << "\t" << result_text(samples.Populations.data[i]->name) << "\n";
    out << "\n";
    if (xmlOutput)
        out << labels.close() << "\n";
}

bool significant(double p, double level)
{
    return p >= 0.0 && p < level;
}

// The "+"/"-" table of the pairs and the histogram of the number of samples
// each sample differs from.
void print_significance(std::ostream& out, TriMat const& p, int n, double level)
{
    out << "\n\n" << std::string(32, '-') << "\nTable of significant differences (significance level="
        << std::setprecision(4) << level << "):\n" << std::string(32, '-') << "\n\n";
    out << std::setw(22) << 1;
    for (int j = 2; j <= n; ++j)
        out << std::setw(10) << j;
    out << "\n";
    std::vector<int> differs(n, 0);
    for (int i = 0; i < n; ++i) {
        out << std::setw(12) << i + 1;
        for (int j = 0; j < n; ++j) {
            char mark = ' ';
            if (j != i) {
                const bool plus = significant(i > j ? p(i, j) : p(j, i), level);
                mark = plus ? '+' : '-';
                differs[i] += plus;
            }
            out << "         " << mark;
        }
        out << std::endl;
    }
    out << "\n\n" << std::string(60, '-')
        << "\nHistogram of the number of significant different populations (significance level="
        << std::setprecision(4) << level << "):\n" << std::string(60, '-') << "\n\n";
    const std::string rule(11 * n + 2, '-');
    out << rule << std::endl << "|";
    for (int b = 1; b <= n; ++b)
        out << std::setw(10) << b << "|";
    out << "\n" << rule << std::endl << "|";
    for (int i = 0; i < n; ++i)
        out << std::setw(10) << differs[i] << "|";
    out << "\n" << rule << std::endl;
}

}  // namespace

void DiffInterPop::make_all_tests()
{
    if (!samples || !run_settings || !run_settings->results_stream) {
        E.error(ERROR, "DiffInterPop::make_all_tests()", 59);
        return;
    }
    const int n = samples->Populations.count;
    if ((samples->GenotypicData && !samples->GameticPhase && samples->RecessiveData) || n < 2)
        return;
    settings& s = *run_settings;
    std::ostream& out = *s.results_stream;
    std::snprintf(settings::message, sizeof settings::message, "%s",
                  "Making population differentiation test...");

    const std::string equals(80, '=');
    out << "\n" << equals
        << (samples->GameticPhase
                ? "\n== Exact Test of Sample Differentiation Based on Haplotype Frequencies"
                : "\n== Exact Test of Sample Differentiation Based on Genotype Frequencies")
        << "\n" << equals << "\n";
    References(out, my_string("Raymond_M_Rousset_F"), 0);
    References(out, my_string("Goudet_J_etal"), 2);

    steps_done = 0;
    make_sample_test();
    print_labels(out, *samples);
    out.setf(std::ios::fixed | std::ios::right);
    out << "\n" << std::string(74, '-') << "\nGlobal test of differentiation among sample:\n"
        << std::string(44, '-') << "\n\n Non-differentiation: Exact P value = "
        << std::setprecision(5) << prob << " +- " << std::setw(5) << prob_sd << "  ("
        << steps_done << " Markov steps done)";
    const char* category = uses_genotype_table() ? "multi-locus genotype" : "haplotype";
    const bool all_unique = every_category_unique();
    if (all_unique)
        out << "\n\n Every " << category
            << " occurs only once in the samples: the test cannot tell the samples apart"
            << "\n and gives P = 1 to every test.";

    out << "\n\n" << std::string(74, '-') << "\nDifferentiation test between all pairs of samples:\n"
        << std::string(50, '-') << "\n\nMarkov chain length : " << s.NumPermutPopDiff
        << " steps)\n\n" << "Non-differentiation exact P values :\n\n";
    out << std::setw(17) << 1;
    for (int j = 2; j <= n - 1; ++j)
        out << std::setw(18) << j;
    out << "\n";
    TriMat p(n);
    std::string unique_pairs;  // "2-1, 4-3": the pairs whose categories each occur once
    int num_unique_pairs = 0;
    for (first_sample = 0; first_sample < n; ++first_sample) {
        if (first_sample > 0)
            out << std::setw(12) << first_sample + 1;
        for (second_sample = 0; second_sample < first_sample; ++second_sample) {
            steps_done = 0;
            make_diff_test();
            p(first_sample, second_sample) = prob;
            out << std::setprecision(5) << std::setw(10) << prob << "+-" << std::setprecision(4)
                << std::setw(5) << prob_sd;
            if (!all_unique && prob >= 0.0 && every_category_unique(false))
                unique_pairs += (num_unique_pairs++ ? ", " : " ") + std::to_string(first_sample + 1)
                                + "-" + std::to_string(second_sample + 1);
        }
        out << std::endl;
    }
    if (num_unique_pairs)
        out << "\n Every " << category << " occurs only once in the pair"
            << (num_unique_pairs > 1 ? "s" : "") << unique_pairs
            << ":\n the test cannot tell the two samples apart and gives P = 1 to "
            << (num_unique_pairs > 1 ? "these tests.\n" : "this test.\n");
    if (s.PrintHistoPopDiff)
        print_significance(out, p, n, s.SignLevelPopDiff);
    if (test_failed) {
        out << "\nAt for one population pair the test was not possible to\n"
            << "be done. This is indicated by an absurde P-value of -1:";
        E.error(ERROR, "DiffInterPop::make_diff_test()", 58);
    }
}
