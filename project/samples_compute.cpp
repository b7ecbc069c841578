// The per-sample driver of one analysis level: the run-wide files that the
// per-sample analyses append to (linkage-disequilibrium file, Gibbs phase
// files), the per-population allele frequencies, each sample's analyses
// between two log lines, then the summary tables. Also the operations that
// apply one Population operation to every sample, and the work estimate of
// a run (the denominator of the progress percentage).

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "core/drp_headers.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "project/project_file_lines.h"
#include "project/samples.h"

namespace {

const char* const COMPUTE_STUFF = "Samples::compute_stuff()";

void report_unopened(const char* what, my_string const& path)
{
    E.error(WARNING, COMPUTE_STUFF, 9);
    *_ZOS_ << "\tWarning: unable to open " << what << " \"" << path << "\"" << std::endl;
}

// The linkage-disequilibrium file of an earlier run is emptied, as the tests of
// each sample append to it; a missing file is left to them to create.
void empty_ld_file(my_string const& path)
{
    if (!std::ifstream(path.str))
        return;
    if (!std::ofstream(path.str, std::ios::trunc))
        report_unopened("file", path);
}

// The Gibbs phase files of one level: entry 0 the modal phases, entry k+1 the
// k-th retained sample of phases. Each is a project file in the reader's
// format, written in turns by this driver and the Gibbs sampler, the stream
// opened and closed around every write.
class PhaseFiles {
public:
    PhaseFiles(settings& s, Samples& samples)
        : s_(s), samples_(samples), entries_(std::max(s.GibbsNumSamples, 0) + 1),
          reported_(static_cast<std::size_t>(entries_), false)
    {
    }

    // Makes the phase-file folder, the list file and the head of every phase
    // file; false when the folder cannot be made.
    bool create()
    {
        delete[] s_.phase_streams;
        delete[] s_.phase_file_names;
        s_.phase_streams = new std::ofstream[entries_];
        s_.phase_file_names = new my_string[entries_];

        my_string folder = s_.results_file;
        folder.extract_path();
        folder += "PhaseDistribution";
        if (!MY_CreateDirectory(folder.str)) {
            report_unopened("folder", folder);
            release();
            return false;
        }
        settings::gibbs_BatchFilename = folder + "/QKR_PhaseDistribution.drb";
        std::ofstream list(settings::gibbs_BatchFilename.str);
        if (!list)
            report_unopened("file", settings::gibbs_BatchFilename);
        for (int k = 0; k < entries_; ++k) {
            std::string base = k == 0 ? "QKR_Best_Phases.drp"
                                      : "QKR_EstimatedPhase#" + std::to_string(k - 1) + ".drp";
            s_.phase_file_names[k] = folder + "/" + base.c_str();
            const char* title = k == 0 ? "Modal phase estimated with the QKR algorithm"
                                       : "Genotypic data with phase estimated with the QKR algorithm";
            write(k, std::ios::trunc, [&](std::ostream& os) {
                write_Drovalen_header_gibbs(my_string(title), samples_.Populations.count,
                                            ProfileSettings::DataType, os);
            });
            list << base << "\n";
        }
        return true;
    }

    // Appends the same text to every phase file.
    template <class Writer>
    void append(Writer writer)
    {
        for (int k = 0; k < entries_; ++k)
            write(k, std::ios::app, writer);
    }

    // The structure that reads every sample of the level as one group.
    void append_structure()
    {
        append([&](std::ostream& os) {
            os << "[[Structure]]\n"
               << "StructureName=\"Simulated data\"\n"
               << "NbGroups=1\n"
               << "Group={\n";
            for (int i = 0; i < samples_.Populations.count; ++i)
                os << "    \"" << samples_.Populations.data[i]->name << "\"\n";
            os << "\t}\n";
        });
    }

private:
    settings& s_;
    Samples& samples_;
    int entries_;
    std::vector<bool> reported_;  // a file that cannot be opened is reported once

    template <class Writer>
    void write(int k, std::ios::openmode mode, Writer writer)
    {
        std::ofstream& os = s_.phase_streams[k];
        os.clear();
        os.open(s_.phase_file_names[k].str, std::ios::out | mode);
        if (!os) {
            if (!reported_[k])
                report_unopened("file", s_.phase_file_names[k]);
            reported_[k] = true;
            return;
        }
        writer(os);
        os.close();
    }

    void release()
    {
        delete[] s_.phase_streams;
        delete[] s_.phase_file_names;
        s_.phase_streams = nullptr;
        s_.phase_file_names = nullptr;
    }
};

// The number of individuals a sample stands for: the sum of the counts of its
// entries, as the project reader expects under SampleSize.
int individuals_of(Population const& p)
{
    double total = 0;
    for (int i = 0; i < p.individuals.phenotypes.count; ++i)
        total += p.individuals.phenotypes.data[i]->count;
    return static_cast<int>(total + 0.5);
}

}  // namespace

int Samples::compute_stuff(Project* project, settings& s)
{
    if (s.TaskNumber & settings::LINKAGE_DISEQUILIBRIUM)
        empty_ld_file(s.ld_file);

    bool phases = s.GibbsOutputGamPhase != 0;
    PhaseFiles phase_files(s, *this);
    if (phases && !phase_files.create())
        return 0;

    if ((s.TaskNumber & settings::STANDARD_INDICES) && s.allele_db)
        s.allele_db->create_pop_freq_vector(Populations.count);

    for (int i = 0; i < Populations.count; ++i) {
        Population& p = *Populations.data[i];
        if (phases)
            phase_files.append([&](std::ostream& os) {
                write_Drovalen_sample_header_gibbs(p.name, individuals_of(p), os);
            });
        std::clock_t start = get_sys_clock();
        *_ZOS_ << "\nPopulation '" << p.name << "' : " << std::endl;
        p.test_methods(s);
        *_ZOS_ << "done in " << milliseconds_since(start) << " ms" << std::endl;
        if (phases)
            phase_files.append([](std::ostream& os) { write_Drovalen_sample_footer_gibbs(os); });
    }
    if (phases)
        phase_files.append_structure();

    WriteSummaryStatistics(project, s);
    if (Populations.count > 0)
        Populations.data[0]->clean_bnum();
    return 1;
}

void Samples::evaluate_work(settings& s)
{
    settings::global_work_to_do = 0;
    settings::global_work_done = 0;
    for (int i = 0; i < Populations.count; ++i)
        Populations.data[i]->evaluate_work(&s);

    int n = Populations.count;
    Population* first = n > 0 ? Populations.data[0] : nullptr;
    double pairs = (n - 1) * n * 0.5;
    double units = 0.0;
    if ((s.TaskNumber & settings::AMOVA) && first) {
        int L = first->evaluate_nb_loci();
        double f = s.IncludeIndividualLevel ? 4.0 : 3.0;
        if (s.HaplAMOVA)
            units += s.NumPermutationsAMOVA * f / 100.0;
        if (s.LocByLocAMOVA)
            units += s.NumPermutationsAMOVA * (L * f) / 100.0;
    }
    if (s.TaskNumber & settings::PAIRWISE_FST)
        units += s.NumPermutationsFST * pairs / 100.0;
    if (s.TaskNumber & settings::EXACT_DIFFERENTIATION_TEST) {
        int P = s.NumPermutPopDiff;
        units += P * (pairs + 1.0) / (P > 19999 ? 1000.0 : 500.0);
    }
    if (s.DetectSelectedLoci && first) {
        units += static_cast<double>(static_cast<long long>(s.NumberOfSimsForFDist2) * 10);
        units += 3 * (first->alleleDB ? first->alleleDB->loci.count : 0);
    }
    settings::global_work_to_do += units;
}

void Samples::phen_to_gam(Haplo_DB* db, ProfileSettings* profile, settings* s)
{
    for (int i = 0; i < Populations.count; ++i)
        Populations.data[i]->phen_to_gam(db, profile, s);
}

void Samples::build_all_vectors(char const& separator)
{
    for (int i = 0; i < Populations.count; ++i)
        Populations.data[i]->build_allele_vectors(separator);
}

void Samples::init_all_pointers(TAlleleDB* db)
{
    for (int i = 0; i < Populations.count; ++i)
        Populations.data[i]->alleleDB = db;
}

void Samples::h_pop_db_to_gam(Haplo_DB& db)
{
    for (int i = 0; i < Populations.count; ++i)
        Populations.data[i]->h_pop_db_to_gam(&db, nullptr);
}
