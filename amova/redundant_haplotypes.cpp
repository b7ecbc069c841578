// Haplotypes defined twice: pairs of the project's haplotype list at
// distance 0, with the same content or contents that differ only where data
// are missing. They are reported sample by sample and as classes of identical
// haplotypes, and merged within each sample on request.
//
// The haplotypes are compared as standard data (one allele per locus), so
// that missing data and every data type are treated alike.

#include <memory>
#include <string>

#include "amova/redundant_haplotypes.h"

#include "app/settings.h"
#include "core/errors.h"
#include "project/project.h"
#include "project/result_tree.h"

namespace {

const char* const WHERE = "Project::eliminate_redond_haplodef()";

// What the check changes for its computation, and the project's own matrix
// when it has one: all of it is put back however the check ends.
class SavedState {
public:
    explicit SavedState(Project& p)
        : p_(p), constant_mode_(p.dist_mat.constant_mode)
    {
        if (!p.run_settings.ComputeDistanceMatrixAMOVA)
            matrix_ = std::make_unique<DistMat>(p.dist_mat);
    }
    ~SavedState()
    {
        if (matrix_)
            p_.dist_mat = *matrix_;
        p_.dist_mat.constant_mode = constant_mode_;
    }

private:
    Project& p_;
    int constant_mode_;
    std::unique_ptr<DistMat> matrix_;
};

class StandardDataType {
public:
    explicit StandardDataType(settings& s)
        : s_(s), type_(ProfileSettings::DataType), conventional_(s.ComputeConventionalFST)
    {
        ProfileSettings::DataType = STANDARD;
        s.ComputeConventionalFST = 0;
    }
    ~StandardDataType()
    {
        ProfileSettings::DataType = type_;
        s_.ComputeConventionalFST = conventional_;
    }

private:
    settings& s_;
    TDataType type_;
    int conventional_;
};

// A matrix between the haplotypes of the list, tied to them: 1, or 0.
int set_up_matrix(Project& p)
{
    settings& s = p.run_settings;
    int tied;
    if (ProfileSettings::DataType != FREQUENCY) {
        {
            StandardDataType as_standard(s);
            if (!p.calc_dist_matrix(0, 0.0))
                return 0;
        }
        tied = p.haplo_list.associate_with2(p.dist_mat);
    } else if (s.ComputeDistanceMatrixAMOVA) {
        p.dist_mat.constant_mode = 1;
        tied = p.haplo_list.associate_with2(p.dist_mat);
    } else {
        p.dist_mat.constant_mode = 0;
        tied = p.haplo_list.associate_with1(p.dist_mat);
    }
    if (!tied) {
        E.error(ERROR, WHERE, 135);
        return 0;
    }
    return p.dist_mat.constant_mode || p.dist_mat.n == p.haplo_list.list.count;
}

}  // namespace

std::vector<int> identical_haplotype_classes(MY_TIArrayAsVector<HaploDef> const& list,
                                             DistMat const& d)
{
    const int H = list.count;
    std::vector<int> class_of(H);
    for (int i = 0; i < H; ++i)
        class_of[i] = list.data[i]->matrix_index;
    for (int i = 0; i + 1 < H; ++i)
        for (int j = i + 1; j < H; ++j)
            if (d(i, j) == 0.0)
                class_of[j] = class_of[i];
    for (int i = 0; i < H; ++i)
        for (int j = 0; j < i; ++j)
            if (class_of[j] == class_of[i] && d(j, i) != 0.0) {
                class_of[j] = list.data[j]->matrix_index;
                class_of[i] = list.data[i]->matrix_index;
            }
    return class_of;
}

namespace {

void report_shared_haplotypes(Project& p, std::fstream& out)
{
    settings& s = p.run_settings;
    print_js_aux_entry(s, 2, "_shared haplotypes", "Shared haplotypes");
    const std::string equals66(66, '='), equals69(69, '='), dashes69(69, '-');
    out << "\n" << equals66 << "\n"
        << "== Checking for haplotypes shared among populations:"
        << "\n" << equals66 << "\n";
    MY_TIArrayAsVector<Population>& samples = p.samples->Populations;
    const char* prefix = p.samples->atGroupLevel ? "gr_shared" : "pop_shared";
    for (int i = 0; i < samples.count; ++i) {
        Population& sample = *samples.data[i];
        sample.print_population_anchor(2, s, prefix);
        out << equals69 << "\n"
            << "== Population : " << result_text(sample.name) << "\n===============\n";
        for (int j = 0; j < samples.count; ++j)
            sample.print_out_redondant(samples.data[j], &out, p.dist_mat);
        out << "\n" << dashes69 << "\n" << std::endl;
    }
    p.samples->print_out_haplo_cl(&out, p.dist_mat, &p.haplo_list);
}

}  // namespace

int Project::eliminate_redond_haplodef()
{
    SavedState saved(*this);
    if (!set_up_matrix(*this))
        return 0;
    *_ZOS_ << "\t\t\tChecking haplotype redundancy from a computed distance matrix:" << std::endl;
    std::vector<int> class_of = identical_haplotype_classes(haplo_list.list, dist_mat);
    std::fstream* results = run_settings.results_stream;
    if (results)
        report_shared_haplotypes(*this, *results);
    if (run_settings.InferHaplotypeDefinitionFromDistanceMatrix
        && ProfileSettings::DataType != FREQUENCY)
        samples->IdentifyIdenticalHaplotypes(results, dist_mat, &haplo_list, class_of.data());
    return 1;
}
