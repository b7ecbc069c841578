// The global AMOVA of a project: the haplotype list tied to the rows of the
// distance matrix, the populations numbered in structure order, and one
// Amova object that runs the AMOVA, the pairwise comparisons and the Mantel
// test with printing.

#include <algorithm>

#include "amova/amova.h"
#include "amova/amova_table.h"
#include "core/errors.h"
#include "project/project.h"

namespace {

bool amova_asked(settings const& s)
{
    return (s.TaskNumber & settings::AMOVA) && (s.HaplAMOVA || s.LocByLocAMOVA);
}

}  // namespace

// A computed matrix has one row per haplotype of the list, in list order:
// its labels become the haplotypes' ids.
void label_rows_with_ids(DistMat& matrix, Haplo_DB const& list)
{
    int n = std::max(list.list.count, matrix.size);
    my_string* labels = new my_string[n > 0 ? n : 1];
    for (int i = 0; i < list.list.count; ++i)
        labels[i] = list.list.data[i]->id;
    delete[] matrix.labels;
    matrix.labels = labels;
}

// Group after group, members in order, from 0; a sample met twice keeps its
// first number; samples outside every group come last, in sample order.
void number_populations(Samples& samples, Structure const& structure)
{
    MY_TIArrayAsVector<Population>& all = samples.Populations;
    for (int i = 0; i < all.count; ++i)
        all.data[i]->sample_index = -1;
    int next = 0;
    for (int g = 0; g < structure.NbGroups; ++g)
        for (int k = 0; k < structure.Groups[g].count; ++k)
            if (structure.Groups[g].data[k]->sample_index == -1)
                structure.Groups[g].data[k]->sample_index = next++;
    for (int i = 0; i < all.count; ++i)
        if (all.data[i]->sample_index == -1)
            all.data[i]->sample_index = next++;
}

int Project::AMOVA(DistMat& matrix, Haplo_DB& list, Samples& samples, Structure& structure_,
                   TAlleleDB& alleles, amova_results* results)
{
    const char* const reporter = "Project::AMOVA()";
    settings& s = run_settings;
    bool asked = amova_asked(s);
    if (asked && !IsAmovaStructure()) {
        E.error(WARNING, reporter, 134);
        if (!(s.TaskNumber & settings::PAIRWISE_FST))
            return 0;
    }
    if ((asked || s.ComputePairwiseFST || s.PrintMissIntermatchs)
        && (s.TaskNumber & (settings::AMOVA | settings::PAIRWISE_FST))) {
        if (s.ComputeDistanceMatrixAMOVA == 0) {
            if (!list.associate_with1(matrix)) {
                E.error(WARNING, reporter, 135);
                return 0;
            }
        } else {
            if (!list.associate_with2(matrix)) {
                E.error(ERROR, reporter, 135);
                return 0;
            }
            label_rows_with_ids(matrix, list);
        }
        number_populations(samples, structure_);
    }
    s.current_samples = &samples;
    s.current_structure = &structure_;
    s.current_distance_matrix = &matrix;
    s.current_haplotype_list = &list;
    s.current_allele_db = &allele_db;
    try {
        Amova analysis(s, &structure_, &samples, &matrix, &list, &alleles, &mantel, 1, 0,
                       results);
    } catch (Amova::AmovaFatalError const&) {
        return 0;
    }
    return 1;
}
