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
#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "model/population.h"
#include "project/profile_settings.h"
#include "simulation/ttree.h"

class Project;
class settings;
class Structure;
class TAlleleDB;

class Samples : public ProfileSettings {
public:
    MY_TIArrayAsVector<Population> Populations;  // owned, in reading order
    int NbHaploClasses;   // number of distinct haplotypes of the samples
    bool atGroupLevel;    // the pooled samples of the group level
    TTree SimTree;        // genealogy of simulated samples (selection scan)
    int NbMutations;      // mutations placed on the last simulated genealogy
    DistMat geoDistances; // distances between the sample locations, one row per sample

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

    // The first sample bearing the name exactly (case counts), or null.
    Population* sample_named(const char* name) const;

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

    // The summary tables over all samples of the level (summary/summary_tables.cpp).
    // Nothing is written when TaskNumber selects no per-sample analysis or
    // the level has no sample.
    void WriteSummaryStatistics(Project* project, settings& s);
    // The anchor of a summary table: <run stamp>_comp_sum_<shortName> (with
    // "gr_" before "comp" at the group level) in the results, and a document
    // entry titled treeText at `level` of the result tree linking to it.
    void print_computation_anchor(int level, settings& s, my_string const& shortName,
                                  my_string const& treeText);

    // --- Exports of the summary report (summary/allele_freq_files.cpp,
    // summary/sfs_export.cpp) ---
    // "PopNames.txt" and the tables "AllFreqLocus_<i>.txt" in the result
    // folder and "AllAlleleFreqs.txt" in the project's folder (both appended
    // to under the run list's append flag): every allele of the pooled table
    // with its relative frequency in every sample, 0 for an allele the
    // project's database lacks. Sorts the pooled alleles by name.
    void computeAndOutputAlleFreqPerPop(settings& s);
    // The ".obs" spectra asked for by ComputePopSFS, ComputeJointSFS and
    // ComputeMultiSFS, with NumBootSFS bootstrap replicates under "bootSFS/"
    // (none at all when negative). A file that cannot be created, or a
    // multidimensional spectrum too large to hold, gives one WARNING and the
    // rest is written. Sorts the pooled alleles by name.
    void computeAndOutputSFS(settings& www);

    // --- Private substitution sites (summary/private_subst_sites.cpp) ---
    // DNA data: every sample's NumPrivateSubstSites := the substitution sites
    // of the level (PopGenetics::globalSubstPolymSites) at which this sample
    // alone shows a transition or a transversion. Every count is 0 when the
    // first sample's transition weight is 0; other data types are untouched.
    void computeNumPrivateSubstSitesPerPop(settings& s);

    // --- Classes of identical haplotypes (summary/haplotype_classes.cpp) ---
    // Sorts the list into classes of haplotypes at distance exactly 0 from the
    // class's first member (rows: the haplotypes' matrix_index) and writes the
    // haplotype list by class with the absolute and relative class frequencies
    // of every sample; NbHaploClasses := the number of classes. A matrix whose
    // size differs from the list (unless in single-value mode) gives ERROR 135
    // and no output; a haplotype whose row lies outside the matrix gives ERROR
    // 135 and is left out.
    void print_out_haplo_cl(std::fstream* results, DistMat const& distances,
                            Haplo_DB* haplotypeList);
    // Merges, inside each sample, the records of haplotypes sharing a key of
    // class_of (one key per matrix row) at distance exactly 0: the first record
    // takes the counts, emptied records are removed. nbInitialHaplotypes and
    // num_haplotypes hold the record counts before and after.
    void IdentifyIdenticalHaplotypes(std::fstream* results, DistMat const& distances,
                                     Haplo_DB* haplotypeList, int* class_of);

    // --- One-locus samples (summary/one_locus_samples.cpp) ---
    // Called on an empty Samples: fills it with a one-locus copy (locus from
    // 0) of every sample of source that structure contains, and
    // oneLocusHaplotypes with one definition "h<k>" per allele name. 1 when
    // every sample was handled; 0 after the locus-too-large message or after
    // WARNING 208 for a sample without data at the locus.
    int build_one_loci_sample(int locus, Samples* source, Structure* structure,
                              Haplo_DB* oneLocusHaplotypes);

    // --- Sample coordinates (summary/sample_coordinates.cpp) ---
    // Rescales xCoord and yCoord of every sample to the range from
    // min(0, lowest) to max(0, highest), a coordinate of range 0 staying 0.0,
    // and logs each sample's label and new coordinates.
    void normalize_coord();
    static double normalize_data(double v, double min, double max);
    // geoDistances := great-circle distances in km between the locations
    // (yCoord latitude, xCoord longitude, in degrees), or city-block distances
    // on a grid; both write them to "dgeo.txt" in the working folder.
    void calc_geo_dist();
    void calc_geo_dist_on_grid();
    void read_geo_dist() {}
    void read_gen_dist() {}
    // Whether the line through (x1, y1) and (x2, y2) meets the segment from
    // (x3, y3) to (x4, y4), ends included.
    static bool intersect(double x1, double y1, double x2, double y2, double x3, double y3,
                          double x4, double y4);

    // --- Simulated loci of the selection scan (summary/simulated_samples.cpp) ---
    // Places mutations on SimTree: models 1 and 2 one mutation on a branch
    // drawn in proportion to its length among those carrying at least the
    // share MinDafFreq of the tips (any branch when none qualifies), every
    // other model a Poisson number per branch at `rate`. NbMutations := the
    // mutations placed (0 after WARNING 177 for a hit table of another size).
    int& sprinkle_mutations(double const& rate, int const& numSites, Mut_Type const& model,
                            double const& gammaA, double const& gammaB, double const& gammaP,
                            double const& transitionProb, int const& bounded);
    // Appends one population per population of `source` (or per member of the
    // structure's groups, group after group), of the model's class, from the
    // consecutive tips of SimTree: haplotype records pointing into `haplotypes`
    // (found by identifier, else appended), or, with `genotypic`, individuals
    // of tips 2i and 2i+1. 1, or 0 after ERROR 147 or 210, the population
    // being read then left out and no further one made.
    int readPopDataFromSims(Samples const& source, Haplo_DB& haplotypes, TAlleleDB* db,
                            Mut_Type const& model, bool genotypic);
    int readPopDataFromSims(Samples const& source, Structure const& structure,
                            Haplo_DB& haplotypes, TAlleleDB* db, Mut_Type const& model,
                            bool genotypic);

    // --- Gathering simulated loci (summary/gathered_loci.cpp) ---
    // On an empty object: copies the profile and populations of `source`
    // (haplotypic sources also get individuals "simPhen" of gene copies 2i,
    // 2i+1) with allele `locus` as their first locus, room made for numLoci
    // loci. Later calls append allele `locus` of every gene copy, then the
    // locus separator. A source without gene copies, or smaller than at the
    // first call, gathers nothing (WARNING 107). True when the locus was gathered.
    bool addLocus(Samples const& source, int locus, int numLoci, bool genotypic);

private:
    Population* read_sample(std::ifstream& in, Haplo_DB& haplotypes, my_string const& name,
                            int names_read, double size, int& line_number, my_string& line);
    void rename_duplicate(Population& sample, const char* where);
    void match_declared_count(ProfileSettings& profile);
    void write_geo_distances() const;
    int read_simulated_walk(Samples const& source, Population const* const* walk, int count,
                            Haplo_DB& haplotypes, TAlleleDB* db, Mut_Type const& model,
                            bool genotypic, const char* count_error_source);
    Population* read_simulated_population(Population const& model_sample, int first_tip,
                                          Haplo_DB& haplotypes, Mut_Type const& model,
                                          char missing, bool genotypic,
                                          const char* count_error_source);
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
