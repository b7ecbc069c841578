// The distance matrix between the haplotypes of a haplotype list, which the
// AMOVA, the pairwise comparisons and the Mantel test use. It is computed by
// the data type's own distances: a temporary sample of the project's data
// type holds every haplotype of the list once, with its total count, and
// runs its pairwise-distance section alone. The first form also reports the
// loci usable for the distances and their missing data.

#include <algorithm>
#include <fstream>
#include <iomanip>
#include <new>

#include "amova/distance_matrix.h"

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "app/settings.h"
#include "core/errors.h"
#include "project/project.h"

namespace {

const char* const WHERE = "Project::calc_dist_matrix()";

PopGenetics* new_sample_of_data_type()
{
    switch (ProfileSettings::DataType) {
    case DNA: return new PopulDNA();
    case RFLP: return new PopulRFLP();
    case MICROSAT: return new PopulMicrosat();
    default: return new PopulStandard();
    }
}

// The settings the computation changes, put back on every exit.
class DistanceSettings {
public:
    DistanceSettings(settings& s, int method, double gamma)
        : s_(s), task_(s.TaskNumber), method_(s.DistanceMethodAMOVA), gamma_(s.GammaAValueAMOVA),
          infer_(s.InferHaplotypeDefinitionFromDistanceMatrix)
    {
        s.TaskNumber = settings::PAIRWISE_DISTANCES;
        s.DistanceMethodAMOVA = method;
        s.GammaAValueAMOVA = gamma;
        s.InferHaplotypeDefinitionFromDistanceMatrix = 0;
    }
    ~DistanceSettings() { restore(); }
    void restore()
    {
        s_.TaskNumber = task_;
        s_.DistanceMethodAMOVA = method_;
        s_.GammaAValueAMOVA = gamma_;
        s_.InferHaplotypeDefinitionFromDistanceMatrix = infer_;
    }

private:
    settings& s_;
    int task_;
    int method_;
    double gamma_;
    int infer_;
};

// The project's slot holds the temporary sample while it exists; it is
// emptied and the sample freed on every exit.
class WorkSample {
public:
    explicit WorkSample(Population*& slot) : slot_(slot) {}
    ~WorkSample()
    {
        if (slot_) {
            slot_->clean();
            delete slot_;
            slot_ = nullptr;
        }
    }
    PopGenetics* get() const { return static_cast<PopGenetics*>(slot_); }

private:
    Population*& slot_;
};

// Loci of the first haplotype: each site for DNA. The per-locus arrays of
// DNA and RFLP samples follow their reference sequence.
int reported_loci(PopGenetics const& sample)
{
    if (!sample.LocusUsable || sample.haplotypes.count == 0)
        return 0;
    int L = sample.haplotypes.data[0]->haplotype->haplovect.count;
    if (ProfileSettings::DataType == DNA || ProfileSettings::DataType == RFLP)
        L = std::min(L, sample.ArbitraryHaplotype.content.length);
    return L;
}

void missing_data_file(PopGenetics const& sample, settings const& s, int L)
{
    my_string path = s.results_file;
    path.extract_path();
    path += "MissDataPerLocus.txt";
    std::ofstream file(path.str);
    if (!file) {
        *_ZOS_ << "\tUnable to create the file \"" << path << "\"\n";
        E.error(WARNING, WHERE, 132);
        return;
    }
    file << "Locus#\tFreq. missing data\n";
    for (int k = 1; k <= L; ++k)
        file << k << "\t" << sample.LocusMissingFreq[k - 1] << "\n";
}

}  // namespace

void write_missing_data_report(std::ostream& out, PopGenetics const& sample,
                               double allowed_missing, int L)
{
    out << "\nNumber of usable loci for distance computation : " << sample.NumUsableLoci
        << "\nAllowed level of missing data                  : " << allowed_missing
        << "\n\nList of usable loci :\n" << "---------------------\n";
    out.setf(std::ios::right, std::ios::adjustfield);
    // After the 15th number every further locus, printed or not, ends a line
    // until the next usable one: the layout of the established reports.
    int usable = 0;
    for (int k = 1; k <= L; ++k) {
        if (sample.LocusUsable[k - 1]) {
            out << std::setw(4) << k << "  ";
            ++usable;
        }
        if (usable != 0 && usable % 15 == 0)
            out << "\n";
    }
    if (usable == 0 || L < 1)
        out << "NONE";
    out << "\n\nList of loci with too much missing data :"
        << "\n-----------------------------------------\n\n";
    int unusable = 0;
    for (int k = 1; k <= L; ++k) {
        if (sample.LocusUsable[k - 1])
            continue;
        out << std::setw(4) << k << "  ";
        if (++unusable % 15 == 0)
            out << "\n";
    }
    if (unusable == 0 || L < 1)
        out << "NONE";
    out << "\n" << std::endl;
}

namespace {

int compute_distances(Project& p, Haplo_DB& list, int method, double gamma, bool report)
{
    settings& s = p.run_settings;
    WorkSample work(p.dist_work_pop);
    try {
        p.dist_work_pop = new_sample_of_data_type();
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, WHERE, 0);
        return 0;
    }
    PopGenetics& sample = *work.get();
    sample.name = p.title();
    sample.alleleDB = &p.allele_db;
    sample.profile = p.profile;
    sample.haplotype_transf(list);
    {
        DistanceSettings changed(s, method, gamma);
        sample.HaplotypesFromGenotypes = p.phenotypes_converted;
        sample.test_methods(s);
    }
    RectMat const* computed = sample.HaplDistMat;
    if (!computed) {
        E.error(ERROR, WHERE, 136);
        return 0;
    }
    DistMat& d = p.dist_mat;
    const int n = sample.haplotypes.count;
    // Labels stay with the matrix, but only while they are one per row.
    if (d.labels && d.size != n) {
        delete[] d.labels;
        d.labels = nullptr;
    }
    d.constant_mode = computed->constant_mode;
    if (computed->constant_mode) {
        d.create(2);
    } else {
        d.create(n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < i; ++j)
                d(i, j) = (*computed)(i, j);
    }
    d.size = n;

    const int task = s.TaskNumber;
    bool due = !computed->constant_mode
               && ((task & settings::PAIRWISE_FST)
                   || ((task & settings::AMOVA) && (s.HaplAMOVA || s.LocByLocAMOVA)));
    // The usable loci belong to the user's AMOVA, not to the selection
    // scan's internal ones, which would rewrite the file at every locus.
    if (report && due && s.results_stream && !s.selection_scan_running) {
        int L = reported_loci(sample);
        write_missing_data_report(*s.results_stream, sample, s.AllowedLevelOfMissingData, L);
        missing_data_file(sample, s, L);
    }
    return 1;
}

}  // namespace

int Project::calc_dist_matrix(int const& method, double const& gamma)
{
    return compute_distances(*this, haplo_list, method, gamma, true);
}

int Project::calc_dist_matrix(Haplo_DB& list, int const& method, double const& gamma)
{
    return compute_distances(*this, list, method, gamma, false);
}
