// Classes of identical haplotypes: haplotypes at distance exactly 0 from a
// class's first member, tabulated per sample and merged within samples.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/glbobj.h"
#include "core/errors.h"
#include "core/rectmat.h"
#include "core/xml.h"
#include "project/result_tree.h"
#include "project/samples.h"

namespace {

const int BAD_MATRIX_MESSAGE = 135;
const char* const CLASSES_WHERE = " Samples::print_out_haplo_cl()";

// A matrix row that the distance matrix holds.
bool row_in_matrix(int row, DistMat const& distances)
{
    return row >= 0 && (distances.constant_mode || row < distances.n);
}

// The classes as lists of list positions, each in the order its members were
// placed. Membership is decided against the first member only.
std::vector<std::vector<int>> build_classes(MY_TIArrayAsVector<HaploDef> const& list,
                                            std::vector<char> const& usable,
                                            DistMat const& distances)
{
    int n = list.count;
    std::vector<char> placed(usable.size());
    for (int i = 0; i < n; ++i)
        placed[i] = !usable[i];
    std::vector<std::vector<int>> classes;
    for (int i = 0; i < n; ++i) {
        if (placed[i])
            continue;
        placed[i] = 1;
        classes.push_back({i});
        int row = list.data[i]->matrix_index;
        for (int j = 0; j < n; ++j) {
            if (!placed[j] && distances(row, list.data[j]->matrix_index) == 0.0) {
                placed[j] = 1;
                classes.back().push_back(j);
            }
        }
    }
    return classes;
}

// For every matrix row of the list, the classes whose first member lies at
// distance exactly 0 from it (a row can match more than one class when the
// distances are not transitive).
std::unordered_map<int, std::vector<int>> classes_by_row(
    MY_TIArrayAsVector<HaploDef> const& list, std::vector<char> const& usable,
    std::vector<std::vector<int>> const& classes, DistMat const& distances)
{
    std::unordered_map<int, std::vector<int>> by_row;
    for (int i = 0; i < list.count; ++i) {
        if (!usable[i])
            continue;
        int row = list.data[i]->matrix_index;
        if (by_row.count(row))
            continue;
        std::vector<int>& matching = by_row[row];
        for (int c = 0; c < static_cast<int>(classes.size()); ++c)
            if (distances(list.data[classes[c].front()]->matrix_index, row) == 0.0)
                matching.push_back(c);
    }
    return by_row;
}

struct TableLayout {
    int maxId = 0;
    int maxPop = 0;
    int idCol = 10;
    int popCol = 5;
    int lineLen = 10;
};

TableLayout layout_of(MY_TIArrayAsVector<HaploDef> const& list,
                      MY_TIArrayAsVector<Population> const& samples)
{
    TableLayout t;
    for (int i = 0; i < list.count; ++i)
        t.maxId = std::max(t.maxId, list.data[i]->id.length);
    for (int p = 0; p < samples.count; ++p)
        t.maxPop = std::max(t.maxPop, samples.data[p]->name.length);
    t.idCol = t.maxId + 10;
    t.popCol = t.maxPop + 5;
    t.lineLen = t.idCol + t.popCol * samples.count;
    return t;
}

// The three header lines of a frequency table: sample names and sizes between
// dashes.
void write_table_head(std::ostream& out, TableLayout const& t,
                      MY_TIArrayAsVector<Population> const& samples)
{
    out << std::setw(t.idCol) << "Haplotype:";
    for (int p = 0; p < samples.count; ++p)
        out << std::setw(t.popCol) << result_text(samples.data[p]->name);
    out << "\n" << std::string(t.idCol, ' ');
    for (int p = 0; p < samples.count; ++p) {
        char size[32];
        std::snprintf(size, sizeof size, "(%d)", static_cast<int>(samples.data[p]->SampleSize));
        out << std::setw(t.popCol) << size;
    }
    out << "\n" << std::string(t.lineLen, '-') << "\n";
}

// One line per class member, the class's values on its last member's line,
// then a blank line of the table's width.
void write_table_rows(std::ostream& out, TableLayout const& t,
                      MY_TIArrayAsVector<HaploDef> const& list,
                      std::vector<std::vector<int>> const& classes, RectMat const& freq,
                      int num_samples, bool relative, int* rows_written)
{
    for (int c = 0; c < static_cast<int>(classes.size()); ++c) {
        std::vector<int> const& members = classes[c];
        for (int m = 0; m + 1 < static_cast<int>(members.size()); ++m)
            out << std::setw(t.maxId) << result_text(list.data[members[m]]->id) << "          \n";
        out << std::setw(t.maxId) << result_text(list.data[members.back()]->id) << "          ";
        for (int p = 0; p < num_samples; ++p) {
            if (relative)
                out << std::setprecision(3);
            out << std::setw(t.maxPop + 2) << freq(c, p) << "   ";
        }
        out << "\n" << std::string(t.lineLen, ' ') << "\n";
        if (rows_written)
            ++*rows_written;
    }
}

void write_haplotype_list(std::ostream& out, MY_TIArrayAsVector<HaploDef> const& list,
                          std::vector<std::vector<int>> const& classes)
{
    out << "\nHaplotype list" << "\n==============\n";
    out << "Haplotype id" << std::string(18, ' ') << "Haplotype definition\n";
    out << "------------" << std::string(18, ' ') << "--------------------\n";
    for (std::vector<int> const& members : classes) {
        for (int m = 0; m < static_cast<int>(members.size()); ++m) {
            HaploDef const& h = *list.data[members[m]];
            out << "   " << result_text(h.id);
            if (m + 1 == static_cast<int>(members.size()))
                out << std::string(std::max(1, 27 - h.id.length), ' ') << result_text(h.content);
            out << "\n";
        }
    }
}

}  // namespace

void Samples::print_out_haplo_cl(std::fstream* results, DistMat const& distances,
                                 Haplo_DB* haplotypeList)
{
    MY_TIArrayAsVector<HaploDef> const& list = haplotypeList->list;
    int n = list.count;
    if (!distances.constant_mode && distances.n != n) {
        E.error(ERROR, CLASSES_WHERE, BAD_MATRIX_MESSAGE);
        return;
    }
    // A haplotype without a row in the matrix cannot be compared: it is left out.
    std::vector<char> usable(n);
    for (int i = 0; i < n; ++i) {
        usable[i] = row_in_matrix(list.data[i]->matrix_index, distances);
        if (!usable[i])
            E.error(ERROR, CLASSES_WHERE, BAD_MATRIX_MESSAGE);
    }
    std::vector<std::vector<int>> classes = build_classes(list, usable, distances);
    int num_classes = static_cast<int>(classes.size());
    // A haplotype without a row stays out of every class (reported above).
    if (std::find(usable.begin(), usable.end(), 0) != usable.end())
        *_ZOS_ << "\n\tSamples::print_out_haplo_cl(): inconsistent class found.\n" << std::endl;
    // The class list always opens one class at its start: with no class at
    // all that start has no class behind it.
    if (num_classes == 0)
        *_ZOS_ << "\n\tSamples::print_out_haplo_cl():the number of class separator is not right.\n"
               << std::endl;
    int num_samples = Populations.count;

    RectMat freq(num_classes + 1, num_samples + 1);
    std::unordered_map<int, std::vector<int>> by_row =
        classes_by_row(list, usable, classes, distances);
    for (int p = 0; p < num_samples; ++p) {
        MY_TIArrayAsVector<PHaploDef> const& records = Populations.data[p]->haplotypes;
        for (int r = 0; r < records.count; ++r) {
            auto found = by_row.find(records.data[r]->haplotype->matrix_index);
            if (found == by_row.end())
                continue;
            for (int c : found->second)
                freq(c, p) += records.data[r]->count;
        }
    }

    if (results == nullptr)
        return;
    std::ostream& out = *results;
    TableLayout t = layout_of(list, Populations);
    out << "\n\nHaplotype frequency distribution among the samples:\n"
        << "===================================================\n\n";
    out.setf(std::ios::right, std::ios::adjustfield);
    write_haplotype_list(out, list, classes);

    out << "\n\n" << "\nHaplotype frequencies in populations"
        << "\n====================================\n\n";
    TXmlTag absolute("absHapFreq");
    if (xmlOutput)
        out << absolute.open() << "\n";
    out << std::string(t.lineLen, '-') << "\n";
    write_table_head(out, t, Populations);
    NbHaploClasses = 0;
    write_table_rows(out, t, list, classes, freq, num_samples, false, &NbHaploClasses);
    if (xmlOutput)
        out << absolute.close() << "\n";

    for (int p = 0; p < num_samples; ++p) {
        double total = 0.0;
        for (int c = 0; c < num_classes; ++c)
            total += freq(c, p);
        if (total > 0.0)
            for (int c = 0; c < num_classes; ++c)
                freq(c, p) /= total;
    }
    out << "\n\nRelative frequencies:\n\n";
    TXmlTag relative("relHapFreq");
    if (xmlOutput)
        out << relative.open() << "\n";
    write_table_head(out, t, Populations);
    write_table_rows(out, t, list, classes, freq, num_samples, true, nullptr);
    if (xmlOutput)
        out << relative.close() << "\n";
}

void Samples::IdentifyIdenticalHaplotypes(std::fstream* /*results*/, DistMat const& distances,
                                          Haplo_DB* haplotypeList, int* class_of)
{
    int num_rows = haplotypeList->list.count;
    for (int p = 0; p < Populations.count; ++p) {
        Population& sample = *Populations.data[p];
        MY_TIArrayAsVector<PHaploDef>& records = sample.haplotypes;
        int n = records.count;
        // Only records of one key can merge: each key's records are compared
        // among themselves, in list order.
        std::unordered_map<int, std::vector<int>> by_key;
        std::vector<int> keys;
        for (int r = 0; r < n; ++r) {
            int row = records.data[r]->haplotype->matrix_index;
            if (row < 0 || row >= num_rows || !row_in_matrix(row, distances))
                continue;
            auto inserted = by_key.emplace(class_of[row], std::vector<int>());
            if (inserted.second)
                keys.push_back(class_of[row]);
            inserted.first->second.push_back(r);
        }
        for (int key : keys) {
            std::vector<int> const& members = by_key[key];
            for (size_t a = 0; a < members.size(); ++a) {
                PHaploDef& first = *records.data[members[a]];
                for (size_t b = a + 1; b < members.size(); ++b) {
                    PHaploDef& other = *records.data[members[b]];
                    if (distances(first.haplotype->matrix_index,
                                  other.haplotype->matrix_index) != 0.0)
                        continue;
                    first.count = merged_count(first.count, other.count);
                    other.count = 0;
                    // Two records of one definition already share its total.
                    if (first.haplotype != other.haplotype) {
                        first.haplotype->count =
                            merged_count(first.haplotype->count, other.haplotype->count);
                        other.haplotype->count = 0;
                    }
                }
            }
        }
        sample.nbInitialHaplotypes = n;
        int kept = 0;
        for (int r = 0; r < n; ++r) {
            if (records.data[r]->count == 0)
                delete records.data[r];
            else
                records.data[kept++] = records.data[r];
        }
        std::fill(records.data + kept, records.data + n, nullptr);
        records.count = kept;
        sample.num_haplotypes = kept;
    }
}
