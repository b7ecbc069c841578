// The population samples of a project: the project's profile and one sample
// object per sample of the "[[Samples]]" subsection, each of the data-type
// class that the project's data type selects (DNA, RFLP, microsatellite,
// standard). The samples own their populations; the groups of a genetic
// structure only point at them.
#ifndef DROV_PROJECT_SAMPLES_H
#define DROV_PROJECT_SAMPLES_H

#include <fstream>
#include <ostream>

#include "core/my_string.h"
#include "core/pointer_arrays.h"
#include "model/haplo_db.h"
#include "model/population.h"
#include "project/profile_settings.h"
#include "simulation/ttree.h"

class Project;
class settings;
class TAlleleDB;

class Samples : public ProfileSettings {
public:
    MY_TIArrayAsVector<Population> Populations;  // owned, in reading order
    int NbHaploClasses;   // number of distinct haplotypes of the samples
    bool atGroupLevel;    // the pooled samples of the group level
    TTree SimTree;        // genealogy of simulated samples (selection scan)
    int NbMutations;      // mutations placed on the last simulated genealogy

    Samples();
    ~Samples();
    Samples(Samples const&) = delete;
    Samples& operator=(Samples const&) = delete;

    // Deletes every population; empties the simulator's hit table when the
    // genealogy holds tips.
    void clean();

    // Reads the "[[Samples]]" subsection, `in` positioned after its head.
    // Every line is read into `line`, which keeps the line that ended the
    // subsection (a "[[Structure]]" or Mantel head, or the last line read);
    // line_number counts the project-file lines read. The flags are set when
    // a SampleName, SampleSize or SampleData line is met. Returns 1 when the
    // subsection ended, 0 after the report of a sample that cannot be read.
    // Afterwards NbSamples, here and in `profile`, is the number of samples read.
    int NewReadSamples(std::ifstream& in, ProfileSettings& profile, Haplo_DB& haplotypes,
                       int& line_number, my_string& line, bool& name_found, bool& size_found,
                       bool& data_found);

    // The path of a file named on an EXTERN line (external_file_name): the
    // run's cleaned copy, or the name in the project's folder.
    my_string build_ext_name(my_string const& name) const;

    // --- Older identifier syntax (samples_old_reader.cpp, explore.cpp) ---
    // Reads NbSamples sample entries of "[[Samples]]" (`ifs` after its head)
    // into the list, each of the data-type class of the current data type:
    // 1, or 0 after a report. Duplicate names are renamed.
    int Read(std::istream& ifs, ProfileSettings& profile, Haplo_DB& haplotypes);
    // Writes "samples.txt" in the working folder: NbSamples of `profile`,
    // then the next NbSamples sample names read from `in`, lower-cased.
    // 0 when fewer names were found.
    int explore(std::istream& in, ProfileSettings& profile);

    // --- Checks before a run (samples_checks.cpp) ---
    // Every sample has entries with one number of loci; entries missing at
    // every locus are removed. 1 when the samples are usable, 0 after ERROR
    // 68, 69, 70 or 71 (removals made before stay).
    int verify_data();
    // DNA data: every sequence in upper case.
    void convert_dna_upper();
    // DNA and RFLP data with a locus separator: the blanks that replaced it
    // are removed from every sequence, and the separator becomes 0.
    void rm_separators();

    // --- Per-sample driver (samples_compute.cpp) ---
    // Runs one analysis level: the LD and Gibbs phase files, the allele
    // frequency arrays, test_methods of every sample between its log lines,
    // the summary tables. 1, or 0 when the phase-file folder cannot be made.
    int compute_stuff(Project* project, settings& s);
    // settings::global_work_to_do := the estimated work of the run.
    void evaluate_work(settings& s);
    // One Population operation applied to every sample.
    void phen_to_gam(Haplo_DB* db, ProfileSettings* profile, settings* s);
    void build_all_vectors(char const& separator);
    void init_all_pointers(TAlleleDB* db);
    void h_pop_db_to_gam(Haplo_DB& db);

    // The summary tables over all samples of the level.
    void WriteSummaryStatistics(Project* project, settings& s);

private:
    Population* read_sample(std::ifstream& in, Haplo_DB& haplotypes, my_string const& name,
                            int names_read, double size, int& line_number, my_string& line);
    void rename_duplicate(Population& sample, const char* where);
    void match_declared_count(ProfileSettings& profile);
};

// Writes the subsection: its head and every sample in the block form.
std::ostream& operator<<(std::ostream& os, Samples& samples);

// For-each printers over a population list; `stream` is the std::ostream*.
// Print writes the sample as SampleName, SampleSize and its records (ids and
// counts) or individuals; PrintName writes its name alone.
void Print(Population& sample, void* stream);
void PrintName(Population& sample, void* stream);

// A new analysis object of the project's data type (STANDARD, FREQUENCY and
// any other value: standard) copied from a plain Population, which the
// caller owns.
Population* make_data_type_sample(Population const& sample);
// The same for a sample simulated for the selection scan, whose class follows
// the mutation model of the simulation: stepwise (0) microsatellite,
// two-state (1) RFLP, nucleotide (2) DNA, any other standard.
Population* make_simulated_sample(Population const& sample, int mutation_model);

#endif
