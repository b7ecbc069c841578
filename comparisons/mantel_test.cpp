// The Mantel test on the project's matrices: Y built from the pairwise FST
// matrix by the Y type (or the user's matrix), X1 and X2 from the Mantel
// section, rows chosen and ordered by the used labels; the statistics and
// their permutation tests are those of TCorrelMat (correl_mat.cpp).

#include <cmath>
#include <string>
#include <vector>

#include "app/settings.h"
#include "comparisons/mantel.h"
#include "core/errors.h"
#include "core/xml.h"
#include "model/population.h"
#include "project/result_tree.h"

namespace {

// Position of the label among n texts, or -1.
int position_of(my_string const& label, my_string const* texts, int n)
{
    for (int k = 0; texts != nullptr && k < n; ++k)
        if (same_text(texts[k], label))
            return k;
    return -1;
}

int population_of(my_string const& label, Population** pops, int npops)
{
    for (int k = 0; k < npops; ++k)
        if (same_text(pops[k]->name, label))
            return k;
    return -1;
}

void report_missing_labels(std::ostream& out)
{
    const std::string indent(32, ' ');
    *_ZOS_ << "   Mantel::do_mantel_test(...): error while checking matrices, Label(s) not found\n"
           << indent << "check the labels defined in the \n"
           << indent << "DistMatMantel and UsedYMatrixLabels sections\n";
    out << "  Error while checking matrices, Label(s) not found\n"
        << "  check the labels defined in the\n"
        << "  DistMatMantel and UsedYMatrixLabels sections\n";
}

void display(std::ostream& out, const char* head, RectMat& M)
{
    out << head << "={\n";
    M.display_matrix(out);
    out << "  }\n\n";
}

}  // namespace

double Mantel::FstMatr_funct(int i, int j, TriMat& fst)
{
    if (same_text(YMatrix, "custom"))
        return MatrixY(i, j);
    double f = fst(i, j);
    if (same_text(YMatrix, "fst"))
        return f;
    if (same_text(YMatrix, "log_fst"))
        return i == j ? 0.0 : f <= 0 ? -1e7 : std::log(f);
    if (same_text(YMatrix, "slatkinlinearfst"))
        return f >= 1 ? 1e7 : f / (1 - f);
    if (same_text(YMatrix, "log_slatkinlinearfst"))
        return i == j ? 0.0 : f <= 0 ? -1e7 : f >= 1 ? 16.11809565095832 : std::log(f / (1 - f));
    if (same_text(YMatrix, "nm"))
        return i == j ? 0.0 : f <= 0 ? -1e7 : (1 - f) / (2 * f);
    return 0.0;
}

void Mantel::print_heading(settings* s, bool group_level, std::ostream& out)
{
    if (s != nullptr && htmlOutput) {
        print_js_aux_entry(*s, 2, group_level ? "_gr_mantel" : "_pop_mantel", "Mantel test");
        print_js_doc_entry(*s, 2, group_level ? "_gr_dm_correl" : "_pop_dm_correl",
                           "Matrix correlation");
    }
    const std::string equals(79, '=');
    out << equals << "\n== MATRIX CORRELATION ANALYSIS (MANTEL TESTS)\n" << equals << "\n\n";
}

void Mantel::run_asked_test(settings& s, TriMat* fst, Population** pops, int npops)
{
    const char* why = nullptr;
    if (MatrixNumber == 0)
        why = "the project has no [[Mantel]] section, which gives the matrices to compare";
    else if (fst == nullptr && !same_text(YMatrix, "custom"))
        why = "the pairwise FST matrix, from which its Y matrix is built, was not computed";
    if (why == nullptr) {
        TriMat none;  // a user's Y reads no FST
        do_mantel_test(fst ? *fst : none, pops, npops, s.results_stream, s.NumPermMantel);
        return;
    }
    const std::string text = std::string("The Mantel test did not run: ") + why + ".";
    *_ZOS_ << "\t" << text << std::endl;
    if (s.results_stream == nullptr)
        return;
    print_heading(&s, npops > 0 && pops[0]->group_level_sample, *s.results_stream);
    *s.results_stream << text << "\n" << std::endl;
}

double Mantel::do_mantel_test(TriMat& fst, Population** pops, int const& npops,
                              std::ostream* out, int const& P)
{
    const int n = UsedYMatrixLabels.count;
    if (n == 0 || out == nullptr || (MatrixNumber != 2 && MatrixNumber != 3))
        return 1.0;
    const bool custom = same_text(YMatrix, "custom");
    const bool three = MatrixNumber == 3;

    // Each used label's row in the source of Y and in the user's matrices.
    std::vector<int> y_rows(n), user_rows(n);
    for (int k = 0; k < n; ++k) {
        my_string const& label = UsedYMatrixLabels[k];
        user_rows[k] = position_of(label, YMatrixLabels.get(), MatrixSize);
        y_rows[k] = custom ? user_rows[k] : population_of(label, pops, npops);
        if (user_rows[k] < 0 || y_rows[k] < 0) {
            report_missing_labels(*out);
            return 1.0;
        }
    }

    RectMat Y(n, n), X1(n, n), X2(three ? n : 0, three ? n : 0);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            X1(i, j) = Matrix1(user_rows[i], user_rows[j]);
            if (three)
                X2(i, j) = Matrix2(user_rows[i], user_rows[j]);
            Y(i, j) = FstMatr_funct(y_rows[i], y_rows[j], fst);
        }
    }

    print_heading(Profile.RunSettings, npops > 0 && pops[0]->group_level_sample, *out);
    *out << (custom ? "Labels of Y matrix rows={" : "Labels of population samples={") << "\n";
    for (int k = 0; k < n; ++k)
        *out << "   \"" << result_text(UsedYMatrixLabels[k]) << "\"\n";
    if (n <= MatrixNumber) {
        *out << "The minimum size of matrices is " << MatrixNumber + 1
             << " in order to perform a Mantel test\nComputations were not performed...\n";
        return 1.0;
    }
    *out << "}\n\nList of matrices:\n";
    display(*out, "  X1", X1);
    if (three)
        display(*out, "  X2", X2);
    display(*out, ("  Y (" + std::string(YMatrix.str) + ")").c_str(), Y);

    if (three) {
        compute_correlation(Y, X1, X2);
        print_correlations(*out);
        test_correlation(Y, X1, X2, P);
    } else {
        compute_correlation(Y, X1);
        print_correlations(*out);
        test_correlation(Y, X1, P);
    }
    print_p_values(*out);
    return 1.0;
}
